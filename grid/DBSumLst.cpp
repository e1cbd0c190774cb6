#include "DBSumLst.h"

#include "DataSource.h"
#include "Formats.h"

#include <algorithm>
#include <cmath>
#include <limits>

qint64 ToTenThousandths(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    // The scaled value is rounded once, in extended precision, halves to even (the processor's default). A
    // whole number is exact in a double as far as a total can reach; a value beyond that stops at the limit,
    // which the totals take as an overflow rather than wrapping to a number of the other sign.
    const long double scaled = static_cast<long double>(value.toDouble()) * 10000.0L;
    if (std::isnan(scaled))
        return 0;
    constexpr long double limit = 9223372036854775807.0L;
    if (scaled >= limit)
        return std::numeric_limits<qint64>::max();
    if (scaled <= -limit)
        return std::numeric_limits<qint64>::min();
    return std::llrint(scaled);
}

qint64 DivideHalfEven(qint64 a, qint64 b)
{
    if (b == 0)
        return 0;
    qint64 q = a / b;
    const qint64 r = a % b;
    const qint64 twice = 2 * (r < 0 ? -r : r);
    const qint64 absB = b < 0 ? -b : b;
    const bool negative = (a < 0) != (b < 0);
    if (twice > absB || (twice == absB && (q % 2) != 0))
        q += negative ? -1 : 1;
    return q;
}

namespace {

constexpr qint64 TotalHigh = std::numeric_limits<qint64>::max();
constexpr qint64 TotalLow = std::numeric_limits<qint64>::min();

// A share ToTenThousandths stopped at the limit: its value is more than any total can hold.
bool beyondLimit(qint64 share)
{
    return share == TotalHigh || share == TotalLow;
}

bool fitsTotal(__int128 total)
{
    return total <= TotalHigh && total >= TotalLow;
}

} // namespace

bool MoveTotal(qint64 &total, qint64 before, qint64 now)
{
    if (beyondLimit(before) || beyondLimit(now))
        return false;
    const __int128 moved = __int128(total) - before + now;
    if (!fitsTotal(moved))
        return false;
    total = qint64(moved);
    return true;
}

void TDBSum::Reset()
{
    SumValue = 0;
    AvgSum = 0;
    NotNullCount = 0;
    PrevContribution = 0;
    PrevValue = QVariant();
    DeleteContribution = 0;
    DeleteValue = QVariant();
    Overflow = false;
}

// ---- Collection ----------------------------------------------------------------------------------------------

TDBSum *TDBSumCollection::Add()
{
    m_items.push_back(std::make_unique<TDBSum>());
    Changed();
    return m_items.back().get();
}

void TDBSumCollection::Remove(TDBSum *item)
{
    auto it = std::find_if(m_items.begin(), m_items.end(), [item](const auto &p) { return p.get() == item; });
    if (it == m_items.end())
        return;
    m_items.erase(it);
    Changed();
}

void TDBSumCollection::Clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    Changed();
}

TDBSum *TDBSumCollection::FindSumItem(TGroupOperation operation, const QString &fieldName) const
{
    for (const auto &item : m_items)
        if (item->GroupOperation == operation && item->FieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

void TDBSumCollection::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_pendingChange) {
        m_pendingChange = false;
        Changed();
    }
}

void TDBSumCollection::Changed()
{
    if (m_updateCount > 0) {
        m_pendingChange = true;
        return;
    }
    m_engine->RecalcAllSums();
}

// ---- Engine --------------------------------------------------------------------------------------------------

TDBSumListProducer::TDBSumListProducer()
    : m_sums(this)
{
}

TDBSumListProducer::~TDBSumListProducer()
{
    // The dataset may outlive the engine: its events must not call into a freed engine.
    UnhookDataSetEvents();
}

void TDBSumListProducer::SetActive(bool value)
{
    if (value)
        Activate(true);
    else
        Deactivate(true);
}

void TDBSumListProducer::Activate(bool recalc)
{
    m_active = true;
    if (OwnerLoading())
        return;
    HookDataSetEvents();
    if (recalc)
        RecalcAllSums();
}

void TDBSumListProducer::Deactivate(bool reset)
{
    m_active = false;
    if (OwnerLoading())
        return;
    UnhookDataSetEvents();
    if (reset)
        ResetSums();
}

void TDBSumListProducer::SetDataSet(TDataSet *dataSet)
{
    if (dataSet == m_dataSet && (m_hooked || !m_active || !dataSet))
        return;
    if (OwnerLoading()) {
        m_dataSet = dataSet;
        return;
    }
    const bool wasActive = m_active;
    Deactivate(true);
    m_dataSet = dataSet;
    if (wasActive)
        Activate(true);
}

void TDBSumListProducer::RefreshActivation()
{
    if (m_dataSet && m_active)
        Activate(true);
}

void TDBSumListProducer::SetExternalRecalc(bool value)
{
    if (value == m_externalRecalc)
        return;
    m_externalRecalc = value;
    RecalcAllSums();
}

void TDBSumListProducer::SetVirtualRecords(bool value)
{
    if (value == m_virtualRecords)
        return;
    m_virtualRecords = value;
    if (value)
        RecalcAllSums();
}

void TDBSumListProducer::hook(TDataSet *dataSet, TDataSetNotifyEvent &event, bool afterOthers,
                              void (TDBSumListProducer::*handler)())
{
    // Handlers installed before the engine run after its own work for the After* events of a record's change,
    // and before it for scrolling, deleting and cancelling.
    auto call = [this, handler](TDataSet *) { (this->*handler)(); };
    const int id = afterOthers ? event.add(call) : event.addFirst(call);
    m_hooks.push_back({dataSet, &event, id});
}

void TDBSumListProducer::HookDataSetEvents()
{
    if (m_hooked || !m_dataSet)
        return;
    TDataSet *ds = m_dataSet;
    hook(ds, ds->AfterEdit, false, &TDBSumListProducer::HandleAfterEdit);
    hook(ds, ds->AfterInsert, false, &TDBSumListProducer::HandleAfterInsert);
    hook(ds, ds->AfterOpen, false, &TDBSumListProducer::HandleAfterOpen);
    hook(ds, ds->AfterPost, false, &TDBSumListProducer::HandleAfterPost);
    hook(ds, ds->AfterClose, false, &TDBSumListProducer::HandleAfterClose);
    hook(ds, ds->AfterScroll, true, &TDBSumListProducer::HandleAfterScroll);
    hook(ds, ds->BeforeDelete, true, &TDBSumListProducer::HandleBeforeDelete);
    hook(ds, ds->AfterDelete, true, &TDBSumListProducer::HandleAfterDelete);
    hook(ds, ds->AfterCancel, true, &TDBSumListProducer::HandleAfterCancel);
    hook(ds, ds->AfterRefresh, true, &TDBSumListProducer::HandleAfterRefresh);
    if (TDataSource *master = ds->MasterSource(); master && master->DataSet()) {
        m_masterDataSet = master->DataSet();
        hook(m_masterDataSet, m_masterDataSet->AfterScroll, true, &TDBSumListProducer::HandleMasterAfterScroll);
    }
    m_hooked = true;
}

void TDBSumListProducer::UnhookDataSetEvents()
{
    for (const Hook &h : m_hooks)
        if (h.owner)
            h.event->remove(h.id);
    m_hooks.clear();
    m_masterDataSet = nullptr;
    m_hooked = false;
    m_virtualRecordList.clear();
}

TField *TDBSumListProducer::ItemField(const TDBSum &item) const
{
    if (!m_dataSet || item.FieldName.isEmpty())
        return nullptr;
    return m_dataSet->FindField(item.FieldName);
}

qint64 TDBSumListProducer::Contribution(const TDBSum &item, QVariant *value) const
{
    TField *field = ItemField(item);
    const QVariant v = field ? field->Value() : QVariant();
    if (value)
        *value = v;
    switch (item.GroupOperation) {
    case goSum:
    case goAvg:
        return ToTenThousandths(v);
    case goCount:
        return (!item.FieldName.isEmpty() && !v.isValid()) ? 0 : 10000;
    }
    return 0;
}

bool TDBSumListProducer::AnyOverflow() const
{
    for (int i = 0; i < m_sums.Count(); ++i)
        if (m_sums.Items(i)->Overflow)
            return true;
    return false;
}

std::vector<const TDBSum *> TDBSumListProducer::TakeUnreportedOverflows()
{
    std::vector<const TDBSum *> found;
    for (int i = 0; i < m_sums.Count(); ++i) {
        TDBSum *item = m_sums.Items(i);
        if (item->Overflow && !item->OverflowReported)
            found.push_back(item);
        item->OverflowReported = item->Overflow;
    }
    return found;
}

bool TDBSumListProducer::UsesVirtualRecords() const
{
    return m_dataSet && m_virtualRecords && !m_dataSet->IsSequenced();
}

void TDBSumListProducer::FireChanged()
{
    if (SumListChanged)
        SumListChanged(this);
}

void TDBSumListProducer::ResetSums()
{
    for (int i = 0; i < m_sums.Count(); ++i)
        m_sums.Items(i)->Reset();
}

void TDBSumListProducer::RecalcAllSums()
{
    Recalc();
}

void TDBSumListProducer::Recalc()
{
    if (OwnerLoading() || !m_active || !m_dataSet || !m_dataSet->Active() || !m_hooked)
        return;
    // Reading the rows now would count the record being typed half typed: the recount waits until that record
    // is posted or cancelled, and the totals stay as they are meanwhile.
    if (RecordPending()) {
        m_recalcPending = true;
        return;
    }
    m_recalcPending = false;
    ResetSums();
    FireChanged();
    m_lastFound = -1;
    if (OnRecalcAll)
        OnRecalcAll(this);
    m_recalculating = true;
    if (m_externalRecalc) {
        m_filtered = m_dataSet->Filtered();
        m_filterText = m_dataSet->Filter();
    } else {
        bool anyItem = false;
        for (int i = 0; i < m_sums.Count(); ++i)
            anyItem = anyItem || m_sums.Items(i)->Participates();
        if (anyItem || UsesVirtualRecords()) {
            TDataSet *ds = m_dataSet;
            m_virtualRecordList.clear();
            // Sums run in 128 bits, so that only a total that does not fit in the end counts as overflowed,
            // whatever the order of its records.
            struct Resolved
            {
                TDBSum *item;
                TField *field;
                __int128 total = 0;
                bool beyond = false; // a value that no total can hold
            };
            std::vector<Resolved> items;
            for (int i = 0; i < m_sums.Count(); ++i)
                if (m_sums.Items(i)->Participates())
                    items.push_back({m_sums.Items(i), ItemField(*m_sums.Items(i))});
            const bool virtualRecords = UsesVirtualRecords();
            const auto addRecord = [&](const QByteArray &bookmark) {
                for (Resolved &r : items) {
                    const QVariant v = r.field ? r.field->Value() : QVariant();
                    qint64 share = 0;
                    switch (r.item->GroupOperation) {
                    case goSum:
                        share = ToTenThousandths(v);
                        break;
                    case goAvg:
                        if (v.isValid())
                            ++r.item->NotNullCount;
                        share = ToTenThousandths(v);
                        break;
                    case goCount:
                        share = r.item->FieldName.isEmpty() || v.isValid() ? 10000 : 0;
                        break;
                    }
                    r.beyond = r.beyond || beyondLimit(share);
                    r.total += share;
                }
                if (virtualRecords)
                    m_virtualRecordList.push_back(bookmark);
            };
            try {
                ds->ForEachRecord(addRecord, virtualRecords);
            } catch (...) {
                m_recalculating = false;
                throw;
            }
            for (const Resolved &r : items) {
                qint64 &total = r.item->GroupOperation == goAvg ? r.item->AvgSum : r.item->SumValue;
                r.item->Overflow = r.beyond || !fitsTotal(r.total);
                total = r.item->Overflow ? 0 : qint64(r.total);
                if (r.item->GroupOperation == goAvg)
                    r.item->SumValue = DivideHalfEven(r.item->AvgSum, r.item->NotNullCount);
            }
        }
        if (OnAfterRecalcAll)
            OnAfterRecalcAll(this);
        m_filtered = m_dataSet->Filtered();
        m_filterText = m_dataSet->Filter();
    }
    m_recalculating = false;
    FireChanged();
}

void TDBSumListProducer::HandleAfterOpen()
{
    if (m_active)
        RecalcAllSums();
}

bool TDBSumListProducer::RecordPending() const
{
    return m_dataSet && (m_dataSet->State() == dsEdit || m_dataSet->State() == dsInsert);
}

void TDBSumListProducer::HandleAfterRefresh()
{
    // A refresh re-reads the rows, so totals kept record by record no longer describe them. A refresh keeps
    // the current record (a client dataset re-reads one record after every post), so the scan must too.
    if (m_active && !m_recalculating)
        Recalc();
}

void TDBSumListProducer::HandleAfterEdit()
{
    if (!m_active)
        return;
    for (int i = 0; i < m_sums.Count(); ++i) {
        TDBSum *item = m_sums.Items(i);
        if (item->Participates())
            item->PrevContribution = Contribution(*item, &item->PrevValue);
    }
}

void TDBSumListProducer::HandleAfterInsert()
{
    if (!m_active)
        return;
    // A new record adds nothing until it is posted, whatever its fields start with: a count of a field that
    // a new record fills in by default still grows by one on the post.
    for (int i = 0; i < m_sums.Count(); ++i) {
        TDBSum *item = m_sums.Items(i);
        item->PrevValue = QVariant();
        item->PrevContribution = 0;
    }
    if (UsesVirtualRecords()) {
        const QByteArray bookmark = m_dataSet->GetBookmark();
        if (!bookmark.isEmpty())
            m_virtualRecordList.push_back(bookmark);
        else
            m_pendingInsert = true;
    }
}

void TDBSumListProducer::HandleAfterPost()
{
    if (!m_active)
        return;
    if (m_recalcPending || AnyOverflow()) {
        // The recount asked for while the record was being typed runs now, and leaves the posted record current;
        // so does the recount that is the only way back from an overflowed total.
        m_pendingInsert = false;
        Recalc();
        return;
    }
    for (int i = 0; i < m_sums.Count(); ++i) {
        TDBSum *item = m_sums.Items(i);
        if (!item->Participates())
            continue;
        QVariant value;
        const qint64 now = Contribution(*item, &value);
        switch (item->GroupOperation) {
        case goSum:
        case goCount:
            item->Overflow = !MoveTotal(item->SumValue, item->PrevContribution, now);
            break;
        case goAvg:
            if (value.isValid() && !item->PrevValue.isValid())
                ++item->NotNullCount;
            else if (!value.isValid() && item->PrevValue.isValid())
                --item->NotNullCount;
            item->Overflow = !MoveTotal(item->AvgSum, item->PrevContribution, now);
            item->SumValue = DivideHalfEven(item->AvgSum, item->NotNullCount);
            break;
        }
        // A second post of the same record without a new edit adds nothing more.
        item->PrevContribution = now;
        item->PrevValue = value;
    }
    if (m_pendingInsert && UsesVirtualRecords()) {
        const QByteArray bookmark = m_dataSet->GetBookmark();
        int pos = (m_lastFound < 0 || m_lastFound >= int(m_virtualRecordList.size())) ? 0 : m_lastFound;
        const int n = int(m_virtualRecordList.size());
        while (pos < n && m_dataSet->CompareBookmarks(m_virtualRecordList[size_t(pos)], bookmark) < 0)
            ++pos;
        while (pos > 0 && m_dataSet->CompareBookmarks(m_virtualRecordList[size_t(pos - 1)], bookmark) > 0)
            --pos;
        m_virtualRecordList.insert(m_virtualRecordList.begin() + pos, bookmark);
    }
    m_pendingInsert = false;
    FireChanged();
}

void TDBSumListProducer::HandleBeforeDelete()
{
    if (!m_active)
        return;
    // The record's share is taken now, while it can still be read, and subtracted only once the delete
    // succeeded: a refused delete leaves the totals as they were.
    for (int i = 0; i < m_sums.Count(); ++i) {
        TDBSum *item = m_sums.Items(i);
        if (item->Participates())
            item->DeleteContribution = Contribution(*item, &item->DeleteValue);
    }
    m_deletedBookmark = UsesVirtualRecords() ? m_dataSet->GetBookmark() : QByteArray();
}

void TDBSumListProducer::HandleAfterDelete()
{
    if (!m_active)
        return;
    if (AnyOverflow()) {
        m_deletedBookmark.clear();
        Recalc();
        return;
    }
    for (int i = 0; i < m_sums.Count(); ++i) {
        TDBSum *item = m_sums.Items(i);
        if (!item->Participates())
            continue;
        switch (item->GroupOperation) {
        case goSum:
        case goCount:
            item->Overflow = !MoveTotal(item->SumValue, item->DeleteContribution, 0);
            break;
        case goAvg:
            item->Overflow = !MoveTotal(item->AvgSum, item->DeleteContribution, 0);
            if (item->DeleteValue.isValid())
                --item->NotNullCount;
            item->SumValue = DivideHalfEven(item->AvgSum, item->NotNullCount);
            break;
        }
        item->DeleteContribution = 0;
        item->DeleteValue = QVariant();
    }
    if (!m_deletedBookmark.isEmpty()) {
        auto it = std::find(m_virtualRecordList.begin(), m_virtualRecordList.end(), m_deletedBookmark);
        if (it != m_virtualRecordList.end())
            m_virtualRecordList.erase(it);
        m_deletedBookmark.clear();
        m_lastFound = -1;
    }
    FireChanged();
}

void TDBSumListProducer::HandleAfterCancel()
{
    m_pendingInsert = false;
    if (m_active && m_recalcPending)
        Recalc();
}

void TDBSumListProducer::HandleAfterClose()
{
    if (!m_active)
        return;
    ResetSums();
    FireChanged();
    m_recalculating = false;
    m_recalcPending = false;
    m_virtualRecordList.clear();
}

void TDBSumListProducer::HandleAfterScroll()
{
    if (!m_active || m_recalculating || !m_dataSet)
        return;
    if (m_dataSet->Filtered() != m_filtered || (m_dataSet->Filtered() && m_dataSet->Filter() != m_filterText))
        RecalcAllSums();
}

void TDBSumListProducer::HandleMasterAfterScroll()
{
    if (m_active && !m_recalculating)
        RecalcAllSums();
}

// ---- Record numbers ------------------------------------------------------------------------------------------

bool TDBSumListProducer::IsSequenced() const
{
    if (!m_dataSet)
        return false;
    if (!UsesVirtualRecords() || !m_active)
        return m_dataSet->IsSequenced();
    return !m_virtualRecordList.empty() || (m_dataSet->Bof() && m_dataSet->Eof());
}

int TDBSumListProducer::RecordCount() const
{
    if (!m_dataSet)
        return 0;
    if (UsesVirtualRecords() && m_active)
        return int(m_virtualRecordList.size());
    return m_dataSet->RecordCount();
}

int TDBSumListProducer::GetRecNo() const
{
    if (!m_dataSet)
        return 0;
    if (UsesVirtualRecords() && m_active)
        return 1 + const_cast<TDBSumListProducer *>(this)->FindVirtualRecord(m_dataSet->GetBookmark());
    return m_dataSet->RecNo();
}

void TDBSumListProducer::SetRecNo(int recNo)
{
    if (!m_dataSet)
        return;
    if (UsesVirtualRecords() && m_active) {
        if (recNo >= 1 && recNo <= int(m_virtualRecordList.size()))
            m_dataSet->GotoBookmark(m_virtualRecordList[size_t(recNo - 1)]);
        return;
    }
    m_dataSet->SetRecNo(recNo);
}

int TDBSumListProducer::FindVirtualRecord(const QByteArray &bookmark)
{
    const int n = int(m_virtualRecordList.size());
    if (n == 0 || !m_dataSet)
        return -1;
    int pos = (m_lastFound < 0 || m_lastFound >= n) ? 0 : m_lastFound;
    const int first = m_dataSet->CompareBookmarks(m_virtualRecordList[size_t(pos)], bookmark);
    const int step = first > 0 ? -1 : 1;
    for (; pos >= 0 && pos < n; pos += step) {
        const int c = m_dataSet->CompareBookmarks(m_virtualRecordList[size_t(pos)], bookmark);
        if (c == 0) {
            m_lastFound = pos;
            return pos;
        }
        if ((step > 0 && c > 0) || (step < 0 && c < 0))
            break;
    }
    return -1;
}
