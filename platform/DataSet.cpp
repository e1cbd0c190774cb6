#include "DataSet.h"
#include "DataSetHelpers.h"

#include "DataSource.h"
#include "FilterExpression.h"
#include "Formats.h"
#include "LogSink.h"

#include <QDataStream>

#include <algorithm>
#include <cmath>
#include <limits>

// --------------------------------------------------------------------------------------------------------------

// Follows the master's current record for a detail dataset.
class TMasterDataLink : public TDataLink
{
public:
    explicit TMasterDataLink(TDataSet *detail) : m_detail(detail) {}

protected:
    void ActiveChanged() override { Check(); }
    void DataSetChanged() override { Check(); }
    void DataSetScrolled(int) override { Check(); }
    void RecordChanged(TField *field) override
    {
        // Typing into the master's key does not refetch the details until the master record is posted.
        if (field == nullptr && DataSet() && DataSet()->State() == dsBrowse)
            Check();
    }

private:
    void Check()
    {
        if (!m_detail->Active())
            return;
        const QVariantList values = m_detail->CurrentMasterValues();
        if (values == m_detail->m_masterValues && m_seen)
            return;
        m_seen = true;
        // A detail that refuses to follow (it cannot keep its pending changes) stays on the rows it shows.
        QVariantList previous = values;
        m_detail->m_masterValues.swap(previous);
        try {
            m_detail->MasterChanged();
        } catch (...) {
            m_detail->m_masterValues.swap(previous);
            throw;
        }
    }

    TDataSet *m_detail;
    bool m_seen = false;

    friend class TDataSet;
};

// --------------------------------------------------------------------------------------------------------------

TDataSet::TDataSet(QObject *owner)
    : QObject(owner)
{
    m_fields.m_dataSet = this;
}

TDataSet::~TDataSet()
{
    DropLookupIndexes(this);
    m_masterLink.reset();
    for (TDataSource *ds : m_dataSources)
        ds->m_dataSet = nullptr;
    for (TField *f : m_fields.m_items)
        f->m_dataSet = nullptr;
}

void TDataSet::CheckActive() const
{
    if (!Active())
        failFor(this, tr("Cannot perform this operation on a closed dataset"));
}

void TDataSet::CheckInactive() const
{
    if (Active())
        failFor(this, tr("Cannot perform this operation on an open dataset"));
}

void TDataSet::SetActive(bool a)
{
    if (a)
        Open();
    else
        Close();
}

void TDataSet::Open()
{
    if (Active())
        return;
    BeforeOpen(this);
    OpenCursor();
    m_cursor = m_order.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_order.empty();
    SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterOpen(this);
    AfterScroll(this);
}

void TDataSet::OpenCursor()
{
    ClearRows();
    m_fetching = true;
    try {
        if (m_pendingRows) {
            auto rows = std::move(m_pendingRows);
            ReserveRows(int(rows->size()));
            for (auto &r : *rows)
                AppendFetchedRow(std::move(r));
        } else {
            InternalOpen();
        }
        // A table declared only by its fields takes its columns from them.
        if (m_fieldDefs.Count() == 0)
            for (TField *f : m_fields.m_items)
                if (f->m_fieldKind == fkData) {
                    TFieldDef &def = m_fieldDefs.Add(f->m_fieldName, f->m_dataType, f->m_size, f->m_required);
                    def.ProviderFlags = f->m_providerFlags;
                }
        if (m_fields.m_items.isEmpty())
            CreateDefaultFields();
        BindFields();
    } catch (...) {
        m_fetching = false;
        ClearRows();
        if (m_defaultFields)
            qDeleteAll(m_fields.m_items), m_fields.m_items.clear();
        throw;
    }
    m_fetching = false;
    if (m_masterLink && m_masterLink->Active())
        m_masterValues = CurrentMasterValues();
    m_filterPredicate = nullptr;
    if (!m_filter.trimmed().isEmpty())
        m_filterPredicate = CompileFilter(this, m_filter);
    RebuildOrder(false);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    CheckBrowseMode();
    BeforeClose(this);
    CloseCursor();
    SetState(dsInactive);
    AfterClose(this);
}

void TDataSet::CloseCursor()
{
    InternalClose();
    ClearRows();
    m_cursor = -1;
    m_bof = m_eof = true;
    m_drawPosition = -1;
    m_filterPredicate = nullptr;
    if (m_defaultFields) {
        const auto fields = m_fields.m_items;
        m_fields.m_items.clear();
        for (TField *f : fields) {
            f->m_dataSet = nullptr;
            delete f;
        }
        m_defaultFields = false;
    }
}

void TDataSet::ClearRows()
{
    RowsChanged();
    m_rows.clear();
    m_sequence.clear();
    m_order.clear();
    m_positions.clear();
    m_positionsValid = false;
    m_editBuffer.clear();
    m_editRowId = -1;
    DropLookupIndexes(this);
    InvalidateCalcCache();
}

void TDataSet::CreateDefaultFields()
{
    for (const TFieldDef &def : m_fieldDefs.Items()) {
        TField *f = ::CreateField(def.DataType, this);
        f->m_fieldName = def.Name;
        f->m_size = def.Size;
        if (def.Precision > 0)
            f->m_precision = def.Precision;
        f->m_required = def.Required;
        f->m_readOnly = def.ReadOnly;
        f->m_providerFlags = def.ProviderFlags;
        f->m_defaultField = true;
        f->m_dataSet = this;
        m_fields.m_items.append(f);
    }
    m_defaultFields = true;
}

void TDataSet::BindFields()
{
    int calc = 0;
    for (TField *f : m_fields.m_items) {
        f->m_dataIndex = -1;
        f->m_calcIndex = -1;
        if (f->m_fieldKind == fkData) {
            const int i = m_fieldDefs.IndexOf(f->m_fieldName);
            if (i < 0)
                failFor(this, tr("Field '%1' not found").arg(f->m_fieldName));
            f->m_dataIndex = i;
            // The declared type wins over what the engine reported (dates arrive as text on SQLite).
            TFieldDef &def = m_fieldDefs[i];
            if (def.DataType != f->m_dataType) {
                def.DataType = f->m_dataType;
                ++m_rowsStamp;
                for (size_t r = 0; r < m_rows.size(); ++r) {
                    QVariant &v = m_rows[r].values[size_t(i)];
                    try {
                        v = f->Coerce(v);
                        if (m_rows[r].original) // a pending change read from a file
                            (*m_rows[r].original)[size_t(i)] = f->Coerce((*m_rows[r].original)[size_t(i)]);
                    } catch (const Exception &e) {
                        failFor(this, tr("Row %1: %2").arg(r + 1).arg(e.message()));
                    }
                }
            }
        } else {
            f->m_calcIndex = calc++;
        }
    }
    m_calcCount = calc;
    // A declared field may leave columns of the definitions without a field object; rows still hold them.
}

void TDataSet::AppendFetchedRow(std::vector<QVariant> values)
{
    values.resize(size_t(m_fieldDefs.Count()));
    TRecordData r;
    r.values = std::move(values);
    m_sequence.push_back(int(m_rows.size()));
    m_rows.push_back(std::move(r));
    ++m_rowsStamp;
}

void TDataSet::LoadData(const QList<TFieldDef> &defs, std::vector<std::vector<QVariant>> rows)
{
    Close();
    m_fieldDefs.Clear();
    for (const TFieldDef &d : defs) {
        TFieldDef &def = m_fieldDefs.Add(d.Name, d.DataType, d.Size, d.Required);
        def = d;
    }
    m_pendingRows = std::make_unique<std::vector<std::vector<QVariant>>>(std::move(rows));
    Open();
}

std::vector<std::vector<QVariant>> TDataSet::ExtractRows(bool take)
{
    std::vector<std::vector<QVariant>> out;
    out.reserve(m_order.size());
    if (take)
        ++m_rowsStamp;
    for (int id : m_order) {
        if (take)
            out.push_back(std::move(m_rows[id].values));
        else
            out.push_back(m_rows[id].values);
    }
    return out;
}

void TDataSet::InternalRefresh()
{
    ClearRows();
    m_fetching = true;
    try {
        InternalOpen();
        BindFields();
    } catch (...) {
        m_fetching = false;
        throw;
    }
    m_fetching = false;
}

void TDataSet::Refresh()
{
    CheckActive();
    CheckBrowseMode();
    BeforeRefresh(this);
    // The current record is found again by its key when the dataset names one, else by its position.
    const QStringList keys = SplitFieldNames(PSGetKeyFields());
    QVariantList keyValues;
    for (const QString &k : keys)
        if (TField *f = FindField(k))
            keyValues << f->Value();
    const int oldCursor = m_cursor;
    InternalRefresh();
    RebuildOrder(false);
    m_cursor = m_order.empty() ? -1 : std::clamp(oldCursor, 0, int(m_order.size()) - 1);
    if (!keyValues.isEmpty() && keyValues.size() == keys.size()) {
        const int pos = FindRow(GetFieldList(keys.join(QLatin1Char(';'))), keyValues, 0);
        if (pos >= 0)
            m_cursor = pos;
    }
    m_bof = m_eof = m_order.empty();
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterRefresh(this);
}

bool TDataSet::IsEmpty() const
{
    return !Active() || m_order.empty();
}

// ---- Order

std::vector<int> TDataSet::BaseOrder() const
{
    std::vector<int> order;
    order.reserve(m_sequence.size());
    for (int id : m_sequence)
        if (m_rows[id].live)
            order.push_back(id);
    return order;
}

int TDataSet::PlaceInBaseOrder(const std::vector<int> &, int) const
{
    return -1;
}

bool TDataSet::RowPassesFilter(int rowId)
{
    if (!MasterRangeAccepts(rowId))
        return false;
    if (!m_filtered)
        return true;
    const int saved = m_readRow;
    m_readRow = rowId;
    InvalidateCalcCache();
    bool accept = true;
    try {
        if (m_filterPredicate)
            accept = m_filterPredicate(this, rowId);
        if (accept && OnFilterRecord.assigned())
            OnFilterRecord(this, accept);
    } catch (...) {
        m_readRow = saved;
        InvalidateCalcCache();
        throw;
    }
    m_readRow = saved;
    InvalidateCalcCache();
    return accept;
}

void TDataSet::RebuildOrder(bool keepCurrent)
{
    const int current = keepCurrent ? CurrentRowId() : -1;
    std::vector<int> base = BaseOrder();
    if (m_filtered || !m_masterValues.isEmpty()) {
        std::vector<int> shown;
        shown.reserve(base.size());
        for (int id : base)
            if (RowPassesFilter(id))
                shown.push_back(id);
        base.swap(shown);
    }
    m_order.swap(base);
    m_positionsValid = false;
    ++m_orderStamp;
    ++m_dataStamp; // the rows themselves are as they were
    InvalidateCalcCache();
    int pos = current >= 0 ? PositionOf(current) : -1;
    if (pos < 0)
        pos = m_order.empty() ? -1 : 0;
    m_cursor = pos;
    m_bof = m_eof = m_order.empty();
}

void TDataSet::RebuildPositions() const
{
    m_positions.assign(m_rows.size(), -1);
    for (int i = 0; i < int(m_order.size()); ++i)
        m_positions[m_order[i]] = i;
    m_positionsValid = true;
}

int TDataSet::PositionOf(int rowId) const
{
    if (rowId < 0 || rowId >= int(m_rows.size()))
        return -1;
    if (!m_positionsValid || m_positions.size() != m_rows.size())
        RebuildPositions();
    return m_positions[rowId];
}

int TDataSet::CurrentRowId() const
{
    return m_cursor >= 0 && m_cursor < int(m_order.size()) ? m_order[m_cursor] : -1;
}

int TDataSet::ReadRowId() const
{
    if (m_readRow >= 0)
        return m_readRow;
    if (m_drawPosition >= 0 && m_drawPosition < int(m_order.size()))
        return m_order[m_drawPosition];
    return CurrentRowId();
}

// ---- Values

QVariant TDataSet::RowValue(int rowId, const TField *f) const
{
    if (f->m_dataIndex >= 0) {
        if (rowId < 0)
            return QVariant();
        if (IsEditing() && rowId == m_editRowId)
            return m_editBuffer[f->m_dataIndex];
        return m_rows[rowId].values[f->m_dataIndex];
    }
    if (f->m_calcIndex < 0 || rowId < 0)
        return QVariant();
    return CalcBufferFor(rowId)[f->m_calcIndex];
}

QVariant TDataSet::ReadValue(const TField *f) const
{
    if (m_inCalc) {
        if (f->m_dataIndex >= 0)
            return (*m_calcSource)[f->m_dataIndex];
        return f->m_calcIndex >= 0 ? (*m_calcWork)[f->m_calcIndex] : QVariant();
    }
    return RowValue(ReadRowId(), f);
}

const std::vector<QVariant> &TDataSet::CalcBufferFor(int rowId) const
{
    const int key = IsEditing() && rowId == m_editRowId ? -1 : rowId;
    if (key != m_calcRowId) {
        const std::vector<QVariant> &source = key == -1 ? m_editBuffer : m_rows[rowId].values;
        std::vector<QVariant> buffer;
        const_cast<TDataSet *>(this)->CalculateFields(source, buffer);
        m_calcBuffer.swap(buffer);
        m_calcRowId = key;
    }
    return m_calcBuffer;
}

void TDataSet::CalculateFields(const std::vector<QVariant> &source, std::vector<QVariant> &buffer)
{
    buffer.assign(size_t(m_calcCount), QVariant());
    if (m_calcCount == 0 || m_inCalc)
        return;
    const bool savedCalc = m_inCalc;
    const std::vector<QVariant> *savedSource = m_calcSource;
    std::vector<QVariant> *savedWork = m_calcWork;
    const TDataSetState savedState = m_state;
    m_inCalc = true;
    m_calcSource = &source;
    m_calcWork = &buffer;
    auto restore = [&] {
        m_inCalc = savedCalc;
        m_calcSource = savedSource;
        m_calcWork = savedWork;
        m_state = savedState;
    };
    try {
        for (TField *f : m_fields.m_items) {
            if (f->m_fieldKind != fkLookup || !f->m_lookupDataSet || !f->m_lookupDataSet->Active())
                continue;
            const QVariant key = FieldValues(f->m_keyFields);
            bool anyNull = !key.isValid();
            if (key.typeId() == QMetaType::QVariantList)
                for (const QVariant &k : key.toList())
                    anyNull = anyNull || !k.isValid();
            if (!anyNull)
                buffer[f->m_calcIndex] = f->Coerce(LookupValue(f, key));
        }
        if (OnCalcFields.assigned()) {
            m_state = dsCalcFields;
            OnCalcFields(this);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

bool TDataSet::IsEditing() const
{
    return m_state == dsEdit || m_state == dsInsert;
}

void TDataSet::WriteValue(TField *f, const QVariant &v)
{
    if (m_inCalc) {
        if (f->m_calcIndex < 0)
            failFor(this, tr("Field '%1' cannot be modified").arg(f->DisplayName()));
        (*m_calcWork)[f->m_calcIndex] = f->Coerce(v);
        return;
    }
    CheckActive();
    if (f->m_fieldKind != fkData)
        failFor(this, tr("Field '%1' cannot be modified").arg(f->DisplayName()));
    // A write while browsing is refused: an edit begun behind the caller's back would be left pending.
    if (!IsEditing())
        failFor(this, tr("Dataset not in edit or insert mode"));
    if (f->m_readOnly && !m_fetching)
        failFor(this, tr("Field '%1' cannot be modified").arg(f->DisplayName()));
    CheckDrawing();
    QVariant value = f->Coerce(v);
    // A database server cuts a bound text at its first NUL and the embedded engine keeps it whole, so such a
    // text would be stored differently by the two; what is read is taken as stored.
    if (!m_fetching && IsStringType(f->m_dataType) && value.toString().contains(QChar(0)))
        failFor(this, QStringLiteral("Текст поля '%1' содержит символ NUL").arg(f->DisplayName()));
    if (value.isValid() && IsNumericType(f->m_dataType)) {
        const double d = value.toDouble();
        if ((f->m_minValue.isValid() && d < f->m_minValue.toDouble())
            || (f->m_maxValue.isValid() && d > f->m_maxValue.toDouble()))
            failFor(this, tr("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                              .arg(FloatToStr(d), f->DisplayName(), FloatToStr(f->m_minValue.toDouble()),
                                   FloatToStr(f->m_maxValue.toDouble())));
    }
    if (f->OnValidate)
        f->OnValidate(f, value);
    m_editBuffer[f->m_dataIndex] = value;
    m_modified = true;
    InvalidateCalcCache();
    if (f->OnChange)
        f->OnChange(f);
    DataEvent(deFieldChange, f);
}

QVariantList TDataSet::CurrentMasterValues() const
{
    TDataSet *master = m_masterLink ? m_masterLink->DataSet() : nullptr;
    if (!master || !master->Active() || m_masterFields.isEmpty())
        return QVariantList();
    QVariantList out;
    for (TField *f : master->GetFieldList(m_masterFields))
        out << f->Value();
    return out;
}

// ---- Master-detail

TDataSource *TDataSet::MasterSource() const
{
    return m_masterLink ? m_masterLink->DataSource() : nullptr;
}

void TDataSet::SetMasterSource(TDataSource *source)
{
    if (source && source->IsLinkedTo(this))
        failFor(this, tr("Circular datalinks are not allowed"));
    if (!source) {
        m_masterLink.reset();
    } else {
        if (!m_masterLink)
            m_masterLink = std::make_unique<TMasterDataLink>(this);
        m_masterLink->SetDataSource(source);
    }
    if (Active())
        MasterChanged();
}

void TDataSet::SetMasterFields(const QString &names)
{
    m_masterFields = names;
    if (Active() && m_masterLink)
        MasterChanged();
}

void TDataSet::SetDetailFields(const QString &names)
{
    m_detailFields = names;
    if (Active() && m_masterLink)
        MasterChanged();
}

bool TDataSet::MasterRangeAccepts(int rowId) const
{
    if (m_masterValues.isEmpty() || !UsesMasterRange())
        return true;
    const QList<TField *> fields = GetFieldList(m_detailFields.isEmpty() ? m_masterFields : m_detailFields);
    for (int i = 0; i < fields.size() && i < m_masterValues.size(); ++i) {
        const TField *f = fields[i];
        QVariant key;
        try {
            key = f->Coerce(m_masterValues[i]);
        } catch (const EConvertError &) {
            return false;
        }
        const QVariant v = RowValue(rowId, f);
        if (!key.isValid() || !v.isValid() || CompareValues(f->m_dataType, v, key, false) != 0)
            return false;
    }
    return true;
}

void TDataSet::MasterChanged()
{
    m_masterValues = CurrentMasterValues();
    if (!Active())
        return;
    CheckBrowseMode();
    RebuildOrder(false);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}

// ---- Providers

QString TDataSet::PSGetKeyFields() const
{
    QStringList keys;
    for (TField *f : m_fields.m_items)
        if (f->m_providerFlags & pfInKey)
            keys << f->m_fieldName;
    return keys.join(QLatin1Char(';'));
}

void TDataSet::PSExecute()
{
    failFor(this, tr("Cannot execute a command on this dataset"));
}

int TDataSet::PSExecuteStatement(const QString &, const TParams &, TDataSet *)
{
    failFor(this, tr("Cannot execute a command on this dataset"));
}

// ---- Observers

void TDataSet::DisableControls()
{
    if (m_disableCount++ == 0) {
        m_disabledLayout = false;
    }
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    const bool layout = m_disabledLayout;
    m_disabledLayout = false;
    for (TDataSource *source : m_dataSources) {
        if (!source->m_enabled)
            continue;
        source->m_lastState = m_state;
        for (TDataLink *link : source->m_links)
            link->Resume(layout);
        if (source->OnDataChange)
            source->OnDataChange(source, nullptr);
    }
}

bool TDataSet::IsLinkedTo(TDataSource *source) const
{
    for (const TDataSet *ds = source ? source->DataSet() : nullptr; ds;) {
        if (ds == this)
            return true;
        TDataSource *master = ds->MasterSource();
        ds = master ? master->DataSet() : nullptr;
    }
    return false;
}

QList<TDataLink *> TDataSet::AllLinks() const
{
    QList<TDataLink *> out;
    for (TDataSource *s : m_dataSources)
        out += s->m_links;
    return out;
}

void TDataSet::DataEvent(int event, TField *field, int windowMode)
{
    if (event == deFieldListChange || event == deLayoutChange) {
        if (m_disableCount > 0) {
            m_disabledLayout = true;
            return;
        }
        event = deLayoutChange;
        if (!Active())
            return;
    }
    const bool quiet = m_disableCount > 0;
    const auto sources = m_dataSources;
    for (TDataSource *source : sources)
        source->NotifyLinks(event, field, windowMode, quiet || !source->m_enabled);
}
