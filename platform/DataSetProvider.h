#pragma once

#include "DataSet.h"

#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

// A row of a saved client dataset that has a pending change.
struct TPacketChange
{
    int row = -1;                    // in the packet's rows
    TUpdateStatus status = usModified;
    std::vector<QVariant> original;  // the values before the change, for a modified row
};

// Rows with their field metadata, as a provider hands them to a client dataset.
struct TDataPacket
{
    QList<TFieldDef> fields; // ProviderFlags carry pfInKey for the key fields
    std::vector<std::vector<QVariant>> rows;
    // Only in a saved file: the pending changes in the order they were first made. A deleted row's values are
    // those before its change.
    std::vector<TPacketChange> changes;
};

// One changed row of a client dataset's change log.
struct TDeltaRecord
{
    TUpdateKind kind = ukModify;
    std::vector<QVariant> oldValues; // empty for an insert
    std::vector<QVariant> newValues; // empty for a delete
};

struct TUpdateErrorInfo
{
    int index = -1;  // of the delta record
    QString message; // the engine's message
    QString context; // the statement that failed
};

struct TApplyResult
{
    int errorCount = 0;
    int processed = 0;       // delta records attempted; those past it were not sent
    bool rolledBack = false; // more errors than allowed: the provider's transaction was rolled back
    QList<TUpdateErrorInfo> errors;
    QMap<int, std::vector<QVariant>> refreshed; // delta index -> the row as the database now holds it
};

// What a client dataset asks of its provider.
class TCustomProvider : public QObject
{
    Q_OBJECT
public:
    explicit TCustomProvider(QObject *owner = nullptr) : QObject(owner) {}

    virtual TDataPacket GetRecords(const QString &commandText, const TParams &params) = 0;
    virtual TApplyResult ApplyUpdates(const QList<TFieldDef> &fields, const std::vector<TDeltaRecord> &delta,
                                      int maxErrors) = 0;
    // The row of the given key values (the fields' values in fields order), re-read; false when it is gone.
    virtual bool FetchRow(const QList<TFieldDef> &fields, const std::vector<QVariant> &values,
                          std::vector<QVariant> &row) = 0;
    virtual void Execute(const QString &commandText, const TParams &params) = 0;
};

enum TProviderOption { poAllowCommandText = 1, poAutoRefresh = 2, poReadOnly = 4 };
using TProviderOptions = int;
enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };

// Serves the rows of a dataset (a server dataset, or any dataset) and writes a client's changes back to the
// update table with statements of bound parameters.
class TDataSetProvider : public TCustomProvider
{
    Q_OBJECT
public:
    explicit TDataSetProvider(QObject *owner = nullptr) : TCustomProvider(owner) {}

    TDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TDataSet *ds) { m_dataSet = ds; }
    TProviderOptions Options() const { return m_options; }
    void SetOptions(TProviderOptions o) { m_options = o; }
    TUpdateMode UpdateMode() const { return m_updateMode; }
    void SetUpdateMode(TUpdateMode m) { m_updateMode = m; }
    // The update table: the OnGetTableName answer, else the dataset's.
    QString TableName() const;
    std::function<QString(TDataSetProvider *, TDataSet *)> OnGetTableName;

    TDataPacket GetRecords(const QString &commandText, const TParams &params) override;
    TApplyResult ApplyUpdates(const QList<TFieldDef> &fields, const std::vector<TDeltaRecord> &delta,
                              int maxErrors) override;
    bool FetchRow(const QList<TFieldDef> &fields, const std::vector<QVariant> &values,
                  std::vector<QVariant> &row) override;
    void Execute(const QString &commandText, const TParams &params) override;

    // The statement that writes one delta record, with its parameters in order; empty when nothing changed.
    QString UpdateStatement(const QList<TFieldDef> &fields, const TDeltaRecord &record, TParams &params);

private:
    TDataSet *CheckDataSet() const;
    void Prepare(const QString &commandText, const TParams &params);
    QList<int> KeyColumns(const QList<TFieldDef> &fields) const;
    QList<bool> WritableColumns(const QList<TFieldDef> &fields);
    QString Statement(const QList<TFieldDef> &fields, const QList<bool> &writable, const TDeltaRecord &record,
                      TParams &params) const;
    QString WhereClause(const QList<TFieldDef> &fields, const TDeltaRecord &record, TParams &params) const;

    QPointer<TDataSet> m_dataSet;
    TProviderOptions m_options = 0;
    TUpdateMode m_updateMode = upWhereAll;
};
