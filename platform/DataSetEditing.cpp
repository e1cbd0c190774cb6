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

// ---- Navigation

void TDataSet::First()
{
    CheckBrowseMode();
    BeforeScroll(this);
    m_cursor = m_order.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_order.empty();
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    BeforeScroll(this);
    m_cursor = int(m_order.size()) - 1;
    m_eof = true;
    m_bof = m_order.empty();
    DataEvent(deDataSetChange, nullptr, wmLast);
    AfterScroll(this);
}

void TDataSet::Next()
{
    MoveBy(1);
}

void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && m_eof) || (distance < 0 && m_bof))
        return 0;
    BeforeScroll(this);
    const int n = int(m_order.size());
    const int from = m_cursor;
    int to = from + distance;
    if (distance > 0) {
        m_bof = false;
        if (to > n - 1) {
            to = n - 1;
            m_eof = true;
        }
    } else {
        m_eof = false;
        if (to < 0) {
            to = 0;
            m_bof = true;
        }
    }
    m_cursor = to;
    DataEvent(deDataSetScroll, nullptr, wmScroll);
    AfterScroll(this);
    return to - from;
}

int TDataSet::RecordCount() const
{
    if (!Active())
        return 0;
    return int(m_order.size()) - (m_state == dsInsert ? 1 : 0);
}

int TDataSet::RecNo() const
{
    if (!Active() || m_state == dsInsert || m_cursor < 0)
        return 0;
    return m_cursor + 1;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    if (m_order.empty())
        return;
    const int pos = std::clamp(recNo - 1, 0, int(m_order.size()) - 1);
    if (pos == m_cursor)
        return;
    BeforeScroll(this);
    m_cursor = pos;
    m_bof = m_eof = false;
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterScroll(this);
}

// ---- Editing

void TDataSet::CheckDrawing() const
{
    if (m_drawPosition >= 0 && m_drawPosition != m_cursor)
        failFor(this, tr("Cannot change a record that is not the current record"));
}

void TDataSet::CheckCanModify() const
{
    if (!CanModify())
        failFor(this, tr("Cannot modify a read-only dataset"));
}

void TDataSet::Edit()
{
    if (IsEditing())
        return;
    CheckActive();
    if (m_order.empty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    CheckDrawing();
    BeforeEdit(this);
    m_editRowId = CurrentRowId();
    m_editBuffer = m_rows[m_editRowId].values;
    m_modified = false;
    InvalidateCalcCache();
    SetState(dsEdit);
    DataEvent(deRecordChange);
    AfterEdit(this);
}

void TDataSet::Insert()
{
    BeginInsert(false);
}

void TDataSet::Append()
{
    BeginInsert(true);
}

void TDataSet::BeginInsert(bool append)
{
    CheckActive();
    CheckBrowseMode();
    CheckCanModify();
    CheckDrawing();
    BeforeInsert(this);
    BeforeScroll(this);
    TRecordData r;
    r.values.resize(size_t(m_fieldDefs.Count()));
    r.live = false;
    r.status = usInserted;
    m_rows.push_back(std::move(r));
    ++m_rowsStamp;
    const int id = int(m_rows.size()) - 1;
    const int pos = append || m_cursor < 0 ? int(m_order.size()) : m_cursor;
    const auto before = pos < int(m_order.size()) ? std::find(m_sequence.begin(), m_sequence.end(), m_order[pos])
                                                   : m_sequence.end();
    m_sequence.insert(before, id);
    m_order.insert(m_order.begin() + pos, id);
    m_positionsValid = false;
    m_cursor = pos;
    m_bof = m_eof = false;
    m_editRowId = id;
    m_editBuffer.assign(size_t(m_fieldDefs.Count()), QVariant());
    InvalidateCalcCache();
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        DropPendingInsert();
        SetState(dsBrowse);
        DataEvent(deDataSetChange, nullptr, wmStructural);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterInsert(this);
    AfterScroll(this);
}

void TDataSet::DoOnNewRecord()
{
    // A new detail record belongs to the master's current record.
    if (!m_masterValues.isEmpty()) {
        const QList<TField *> fields = GetFieldList(m_detailFields.isEmpty() ? m_masterFields : m_detailFields);
        for (int i = 0; i < fields.size() && i < m_masterValues.size(); ++i)
            if (fields[i]->m_dataIndex >= 0)
                m_editBuffer[fields[i]->m_dataIndex] = fields[i]->Coerce(m_masterValues[i]);
    }
    OnNewRecord(this);
}

void TDataSet::DropPendingInsert()
{
    const int pos = PositionOf(m_editRowId);
    if (pos >= 0)
        m_order.erase(m_order.begin() + pos);
    const auto seq = std::find(m_sequence.begin(), m_sequence.end(), m_editRowId);
    if (seq != m_sequence.end())
        m_sequence.erase(seq);
    if (m_editRowId == int(m_rows.size()) - 1)
        m_rows.pop_back();
    ++m_rowsStamp;
    m_positionsValid = false;
    m_editRowId = -1;
    m_editBuffer.clear();
    m_modified = false;
    InvalidateCalcCache();
    const int n = int(m_order.size());
    if (n == 0) {
        m_cursor = -1;
        m_bof = m_eof = true;
    } else {
        m_cursor = std::min(m_cursor, n - 1);
    }
}

void TDataSet::UpdateRecord()
{
    if (!IsEditing())
        failFor(this, tr("Dataset not in edit or insert mode"));
    DataEvent(deUpdateRecord);
}

void TDataSet::CheckRequiredFields()
{
    for (TField *f : m_fields.m_items)
        if (f->m_required && !f->m_readOnly && f->m_fieldKind == fkData && !m_editBuffer[f->m_dataIndex].isValid()) {
            f->FocusControl();
            failFor(this, tr("Field '%1' must have a value").arg(f->DisplayName()));
        }
}

void TDataSet::InternalPost(int, bool, std::vector<QVariant> &)
{
}

void TDataSet::InternalDelete(int rowId)
{
    ++m_rowsStamp;
    m_rows[rowId].live = false;
    m_rows[rowId].values.clear();
    m_rows[rowId].values.shrink_to_fit();
}

void TDataSet::Post()
{
    CheckActive();
    UpdateRecord();
    CheckDrawing();
    DataEvent(deCheckBrowseMode);
    BeforePost(this);
    CheckRequiredFields();
    const bool inserted = m_state == dsInsert;
    const int id = m_editRowId;
    TRecordData &row = m_rows[id];
    std::vector<QVariant> previous = std::move(row.values);
    row.values = std::move(m_editBuffer);
    row.live = true;
    if (inserted)
        row.status = usUnmodified;
    try {
        InternalPost(id, inserted, previous);
    } catch (...) {
        m_editBuffer = std::move(m_rows[id].values);
        m_rows[id].values = std::move(previous);
        m_rows[id].live = !inserted;
        throw;
    }
    m_editBuffer.clear();
    m_editRowId = -1;
    m_modified = false;
    InvalidateCalcCache();
    RowsChanged();
    // Under an index the posted record moves to its place, and the cursor follows it.
    const int pos = PositionOf(id);
    const int place = PlaceInBaseOrder(m_order, id);
    if (place >= 0 && place != pos && pos >= 0) {
        m_order.erase(m_order.begin() + pos);
        m_order.insert(m_order.begin() + std::min(place, int(m_order.size())), id);
        m_positionsValid = false;
        m_cursor = PositionOf(id);
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterPost(this);
}

void TDataSet::Cancel()
{
    if (!IsEditing())
        return;
    DataEvent(deCheckBrowseMode);
    BeforeCancel(this);
    const bool inserted = m_state == dsInsert;
    if (inserted) {
        BeforeScroll(this);
        DropPendingInsert();
    } else {
        m_editBuffer.clear();
        m_editRowId = -1;
        m_modified = false;
        InvalidateCalcCache();
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterCancel(this);
    if (inserted)
        AfterScroll(this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_order.empty())
        failFor(this, tr("Cannot perform this operation on an empty dataset"));
    CheckCanModify();
    CheckDrawing();
    DataEvent(deCheckBrowseMode);
    BeforeDelete(this);
    BeforeScroll(this);
    const int id = CurrentRowId();
    InternalDelete(id);
    if (m_state == dsEdit) {
        m_editBuffer.clear();
        m_editRowId = -1;
        m_modified = false;
    }
    m_order.erase(m_order.begin() + m_cursor);
    m_positionsValid = false;
    InvalidateCalcCache();
    RowsChanged();
    const int n = int(m_order.size());
    if (n == 0) {
        m_cursor = -1;
        m_bof = m_eof = true;
    } else {
        m_cursor = std::min(m_cursor, n - 1);
        m_bof = m_eof = false;
    }
    if (m_state != dsBrowse)
        SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterDelete(this);
    AfterScroll(this);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (IsEditing()) {
        UpdateRecord();
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void TDataSet::ClearFields()
{
    if (!IsEditing())
        failFor(this, tr("Dataset not in edit or insert mode"));
    std::fill(m_editBuffer.begin(), m_editBuffer.end(), QVariant());
    m_modified = true;
    InvalidateCalcCache();
    DataEvent(deRecordChange);
}

void TDataSet::SetState(TDataSetState s)
{
    if (m_state == s)
        return;
    m_state = s;
    DataEvent(deUpdateState);
}
