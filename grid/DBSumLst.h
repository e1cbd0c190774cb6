#pragma once

// The summary engine behind the grid's footers: it totals fields over all records of a dataset when the dataset
// opens (or when asked) and afterwards keeps the totals up to date record by record from the dataset's own
// events, without reading the dataset again. Totals are 64-bit integers of ten-thousandths, so that repeated
// additions and subtractions never drift.

#include "DataSet.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TDBSumListProducer;

enum TGroupOperation { goSum, goAvg, goCount };

// A value as ten-thousandths, rounded to the nearest (halves to even); null counts 0.
qint64 ToTenThousandths(const QVariant &value);
// a / b rounded to the nearest integer, halves to even; 0 when b is 0.
qint64 DivideHalfEven(qint64 a, qint64 b);
// total - before + now when the result fits a total of ten-thousandths; false, with the total untouched, when it
// does not or a share stands for a value beyond the limit (ToTenThousandths stopped it there).
bool MoveTotal(qint64 &total, qint64 before, qint64 now);

class TDBSum
{
public:
    QString FieldName;
    TGroupOperation GroupOperation = goSum;

    // Run-time values, all in ten-thousandths but the count.
    qint64 SumValue = 0;        // the total (the average for goAvg)
    qint64 AvgSum = 0;          // running sum of an average
    int NotNullCount = 0;       // non-null values of an average
    qint64 PrevContribution = 0; // the current record's contribution before its edit
    QVariant PrevValue;          // and its value then
    qint64 DeleteContribution = 0; // a record being deleted: what it adds now, subtracted once the delete succeeds
    QVariant DeleteValue;
    // The total (or the running sum of an average) outgrew 64 bits: SumValue means nothing until a recount
    // that fits.
    bool Overflow = false;
    // The overflow was told to the user; kept over recounts, so that one overflow is told once.
    bool OverflowReported = false;

    // Takes part in the totals: a count, or an operation on a named field.
    bool Participates() const { return GroupOperation == goCount || !FieldName.isEmpty(); }
    void Reset();
};

class TDBSumCollection
{
public:
    explicit TDBSumCollection(TDBSumListProducer *engine) : m_engine(engine) {}

    TDBSum *Add();
    void Remove(TDBSum *item);
    void Clear();
    int Count() const { return int(m_items.size()); }
    TDBSum *Items(int i) const { return m_items[size_t(i)].get(); }
    // The first item with that operation on that field (ignoring case), or none.
    TDBSum *FindSumItem(TGroupOperation operation, const QString &fieldName) const;
    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    // An item changed: the engine recalculates (not inside an update).
    void Changed();

private:
    TDBSumListProducer *m_engine;
    std::vector<std::unique_ptr<TDBSum>> m_items;
    int m_updateCount = 0;
    bool m_pendingChange = false;
};

class TDBSumListProducer
{
public:
    TDBSumListProducer();
    virtual ~TDBSumListProducer();
    TDBSumListProducer(const TDBSumListProducer &) = delete;
    TDBSumListProducer &operator=(const TDBSumListProducer &) = delete;

    bool Active() const { return m_active; }
    void SetActive(bool value);
    void Activate(bool recalc);
    void Deactivate(bool reset);
    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *dataSet);
    // The grid's data link became active: activates again when a dataset is set and Active is on.
    void RefreshActivation();
    bool ExternalRecalc() const { return m_externalRecalc; }
    void SetExternalRecalc(bool value);
    bool VirtualRecords() const { return m_virtualRecords; }
    void SetVirtualRecords(bool value);
    TDBSumCollection &SumCollection() { return m_sums; }
    const TDBSumCollection &SumCollection() const { return m_sums; }
    // The items whose totals overflowed since they were last reported (each is marked reported); items that fit
    // again are told again when they next overflow.
    std::vector<const TDBSum *> TakeUnreportedOverflows();
    bool Hooked() const { return m_hooked; }
    bool Recalculating() const { return m_recalculating; }

    // Scroll-bar services: record numbers when the dataset (or the virtual-record list) can tell them.
    virtual bool IsSequenced() const;
    virtual int RecordCount() const;
    virtual int GetRecNo() const;
    virtual void SetRecNo(int recNo);

    virtual void RecalcAllSums();
    virtual void ResetSums();

    std::function<void(TDBSumListProducer *)> OnRecalcAll;
    std::function<void(TDBSumListProducer *)> OnAfterRecalcAll;
    std::function<void(TDBSumListProducer *)> SumListChanged;

protected:
    // Whether the owner is being set up (no hooking or recalculation then).
    virtual bool OwnerLoading() const { return false; }
    virtual int FindVirtualRecord(const QByteArray &bookmark);
    virtual void HandleAfterCancel();
    virtual void HandleAfterClose();
    virtual void HandleAfterEdit();
    virtual void HandleAfterInsert();
    virtual void HandleAfterOpen();
    virtual void HandleAfterPost();
    virtual void HandleAfterScroll();
    virtual void HandleBeforeDelete();
    virtual void HandleAfterDelete();
    virtual void HandleAfterRefresh();
    virtual void HandleMasterAfterScroll();
    virtual void HookDataSetEvents();
    virtual void UnhookDataSetEvents();
    void FireChanged();

private:
    struct Hook
    {
        QPointer<TDataSet> owner; // the event lives as long as its dataset
        TDataSetNotifyEvent *event;
        int id;
    };
    void hook(TDataSet *dataSet, TDataSetNotifyEvent &event, bool afterOthers, void (TDBSumListProducer::*handler)());
    // A record's contribution to an item as it is now.
    qint64 Contribution(const TDBSum &item, QVariant *value) const;
    TField *ItemField(const TDBSum &item) const;
    bool UsesVirtualRecords() const;
    // A total that overflowed cannot be moved record by record: only a recount can bring it back.
    bool AnyOverflow() const;
    // A record is being edited or inserted: a recount now would count it half typed.
    bool RecordPending() const;
    // A full recalculation. It reads the records where they stand, without moving to them: the dataset stays
    // on its record, the grid on its rows, and no scroll handler runs once a record.
    void Recalc();

    QPointer<TDataSet> m_dataSet;
    QPointer<TDataSet> m_masterDataSet;
    bool m_active = true;
    bool m_externalRecalc = false;
    bool m_virtualRecords = false;
    bool m_hooked = false;
    bool m_recalculating = false;
    bool m_pendingInsert = false;
    bool m_recalcPending = false; // a recount waits for the record being typed to be posted or cancelled
    bool m_filtered = false;
    QString m_filterText;
    int m_lastFound = -1;
    std::vector<QByteArray> m_virtualRecordList;
    std::vector<Hook> m_hooks;
    QByteArray m_deletedBookmark;
    TDBSumCollection m_sums;
};
