#include "DataSource.h"

#include <algorithm>

TDataSource::TDataSource(QObject *owner)
    : QObject(owner)
{
}

TDataSource::~TDataSource()
{
    // Whoever installed the handlers may already be gone.
    OnDataChange = nullptr;
    OnStateChange = nullptr;
    OnUpdateData = nullptr;
    SetDataSet(nullptr);
    const auto links = m_links;
    for (TDataLink *link : links)
        link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet *ds)
{
    if (ds == m_dataSet)
        return;
    if (ds && IsLinkedTo(ds))
        throw EDatabaseError(QStringLiteral("Circular datalinks are not allowed"));
    if (m_dataSet)
        m_dataSet->m_dataSources.removeOne(this);
    m_dataSet = ds;
    if (ds)
        ds->m_dataSources.append(this);
    m_lastState = State();
    for (TDataLink *link : m_links)
        link->UpdateActiveState(false);
    if (OnStateChange)
        OnStateChange(this);
}

void TDataSource::SetEnabled(bool e)
{
    if (e == m_enabled)
        return;
    m_enabled = e;
    m_lastState = State();
    for (TDataLink *link : m_links)
        link->UpdateActiveState(false);
}

TDataSetState TDataSource::State() const
{
    return m_dataSet && m_enabled ? m_dataSet->State() : dsInactive;
}

void TDataSource::Edit()
{
    if (m_autoEdit && State() == dsBrowse)
        m_dataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet *ds) const
{
    // A dataset whose master chain leads back to this source would feed itself.
    for (TDataSet *d = m_dataSet; d;) {
        if (d == ds)
            return true;
        TDataSource *master = d->MasterSource();
        d = master ? master->DataSet() : nullptr;
    }
    return false;
}

void TDataSource::NotifyLinks(int event, TField *field, int windowMode, bool quiet)
{
    const auto links = m_links;
    for (TDataLink *link : links)
        if (m_links.contains(link))
            link->DataEvent(event, field, windowMode, quiet);
    if (quiet)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
        if (OnDataChange)
            OnDataChange(this, event == deFieldChange ? field : nullptr);
        break;
    case deUpdateState:
        if (State() != m_lastState) {
            m_lastState = State();
            if (OnStateChange)
                OnStateChange(this);
        }
        break;
    case deUpdateRecord:
        if (OnUpdateData)
            OnUpdateData(this);
        break;
    default:
        break;
    }
}

// --------------------------------------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    if (m_dataSource)
        m_dataSource->m_links.removeOne(this);
}

void TDataLink::SetDataSource(TDataSource *source)
{
    if (source == m_dataSource)
        return;
    if (m_dataSource)
        m_dataSource->m_links.removeOne(this);
    m_dataSource = source;
    if (source)
        source->m_links.append(this);
    UpdateActiveState(false);
}

TDataSet *TDataLink::DataSet() const
{
    return m_dataSource ? m_dataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool r)
{
    if (r == m_readOnly)
        return;
    m_readOnly = r;
    UpdateEditingState(false);
}

bool TDataLink::Edit()
{
    if (!m_readOnly && m_dataSource)
        m_dataSource->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord()
{
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

int TDataLink::MoveBy(int distance)
{
    TDataSet *ds = DataSet();
    return ds && m_active ? ds->MoveBy(distance) : 0;
}

int TDataLink::RowsInOrder() const
{
    TDataSet *ds = DataSet();
    return ds && ds->Active() ? int(ds->m_order.size()) : 0;
}

int TDataLink::RecordCount() const
{
    if (!m_active)
        return 0;
    return std::clamp(RowsInOrder() - m_first, 0, m_bufferCount);
}

int TDataLink::ActiveRecord() const
{
    TDataSet *ds = DataSet();
    if (!m_active || !ds)
        return 0;
    const int pos = ds->m_drawPosition >= 0 ? ds->m_drawPosition : ds->m_cursor;
    return std::max(0, pos - m_first);
}

void TDataLink::SetActiveRecord(int k)
{
    TDataSet *ds = DataSet();
    if (!m_active || !ds)
        return;
    const int pos = m_first + k;
    ds->SetDrawPosition(pos == ds->m_cursor ? -1 : pos);
}

void TDataLink::SetBufferCount(int count)
{
    count = std::max(1, count);
    if (count == m_bufferCount)
        return;
    m_bufferCount = count;
    if (!m_active)
        return;
    const int n = RowsInOrder();
    const int c = std::max(0, DataSet()->m_cursor);
    int f = std::clamp(m_first, 0, std::max(0, n - count));
    if (c < f)
        f = c;
    else if (c >= f + count)
        f = c - count + 1;
    m_first = f;
    m_lastActive = c - f;
}

// Places the window after a change and answers how far its first record moved.
int TDataLink::PlaceWindow(int windowMode)
{
    TDataSet *ds = DataSet();
    const int n = RowsInOrder();
    const int b = m_bufferCount;
    const int c = std::max(0, ds ? ds->m_cursor : 0);
    const int maxFirst = std::max(0, n - b);
    const int old = m_first;
    int f = m_first;
    switch (windowMode) {
    case wmFirst: f = 0; break;
    case wmLast: f = maxFirst; break;
    case wmCentre: f = std::clamp(c - (b - 1) / 2, 0, maxFirst); break;
    case wmStructural: f = std::clamp(c - m_lastActive, 0, maxFirst); break;
    case wmScroll:
        if (c < f)
            f = c;
        else if (c >= f + b)
            f = c - b + 1;
        break;
    default: f = std::clamp(f, 0, maxFirst); break;
    }
    if (c < f)
        f = c;
    else if (c >= f + b)
        f = c - b + 1;
    m_first = std::max(0, f);
    m_lastActive = c - m_first;
    return m_first - old;
}

void TDataLink::UpdateActiveState(bool quiet)
{
    TDataSet *ds = DataSet();
    const bool active = ds && m_dataSource->Enabled() && ds->Active();
    if (active == m_active || quiet)
        return;
    m_active = active;
    if (active)
        PlaceWindow(wmCentre);
    else
        m_first = m_lastActive = 0;
    ActiveChanged();
    UpdateEditingState(false);
}

void TDataLink::UpdateEditingState(bool quiet)
{
    const TDataSetState state = m_dataSource ? m_dataSource->State() : dsInactive;
    const bool editing = m_active && !m_readOnly && (state == dsEdit || state == dsInsert);
    if (editing == m_editing || quiet)
        return;
    m_editing = editing;
    EditingChanged();
}

void TDataLink::Resume(bool layoutChanged)
{
    UpdateActiveState(false);
    if (!m_active)
        return;
    if (layoutChanged)
        LayoutChanged();
    UpdateEditingState(false);
    PlaceWindow(wmNone);
    DataSetChanged();
}

void TDataLink::DataEvent(int event, TField *field, int windowMode, bool quiet)
{
    switch (event) {
    case deUpdateState:
        UpdateActiveState(quiet);
        if (m_active)
            UpdateEditingState(quiet);
        break;
    case deDataSetChange:
        if (!m_active && !quiet)
            UpdateActiveState(false);
        if (!m_active)
            break;
        PlaceWindow(windowMode);
        if (!quiet)
            DataSetChanged();
        break;
    case deDataSetScroll: {
        if (!m_active)
            break;
        const int distance = PlaceWindow(wmScroll);
        if (!quiet)
            DataSetScrolled(distance);
        break;
    }
    case deFieldChange:
        if (m_active && !quiet)
            RecordChanged(field);
        break;
    case deRecordChange:
        if (m_active && !quiet)
            RecordChanged(nullptr);
        break;
    case deLayoutChange:
        if (m_active && !quiet)
            LayoutChanged();
        break;
    case deUpdateRecord:
        if (m_active && !quiet && !m_updating)
            UpdateRecord();
        break;
    case deCheckBrowseMode:
        if (m_active && !quiet)
            CheckBrowseMode();
        break;
    default:
        break;
    }
}
