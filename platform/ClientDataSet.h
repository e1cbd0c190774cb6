#pragma once

#include "DataSet.h"
#include "DataSetProvider.h"

#include <QPointer>

#include <functional>

enum TIndexOption { ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8 };
using TIndexOptions = int;

class TIndexDef
{
public:
    QString Name;
    QString Fields;        // "A;B"
    TIndexOptions Options = 0;
    QString DescFields;    // fields sorted descending
    QString CaseInsFields; // text fields compared ignoring case
    int GroupingLevel = 0;
};

class TIndexDefs
{
public:
    TIndexDef &Add(const QString &name, const QString &fields, TIndexOptions options = 0);
    int IndexOf(const QString &name) const; // ignores case, -1 when absent
    const TIndexDef *Find(const QString &name) const; // ignores case, null when absent
    void Remove(const QString &name);
    void Clear() { m_items.clear(); }
    int Count() const { return int(m_items.size()); }
    const TIndexDef &operator[](int i) const { return m_items[i]; }
    // Brings the list up to date with the dataset's indexes; the list is always current here.
    void Update() {}
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    friend class TClientDataSet;
    QList<TIndexDef> m_items;
};

enum TReconcileAction { raSkip, raAbort, raMerge, raCorrect, raCancel, raRefresh };

// A row the provider could not write: the engine's message and the statement that failed.
class EReconcileError : public EDatabaseError
{
public:
    EReconcileError(const QString &message, const QString &context)
        : EDatabaseError(message), m_context(context) {}
    QString Context() const { return m_context; }

private:
    QString m_context;
};

// Rows in memory with a log of their changes, read from a provider and written back through it; or, without
// a provider, a table of its own (CreateDataSet, LoadFromFile).
class TClientDataSet : public TDataSet
{
    Q_OBJECT
public:
    static constexpr const char *DefaultOrder = "DEFAULT_ORDER";
    static constexpr const char *PrimaryKey = "PRIMARY_KEY";
    static constexpr const char *ChangeIndex = "CHANGEINDEX";

    explicit TClientDataSet(QObject *owner = nullptr);
    ~TClientDataSet() override;

    // ---- Provider
    TCustomProvider *Provider() const { return m_provider; }
    void SetProvider(TCustomProvider *provider) { m_provider = provider; }
    QString ProviderName() const { return m_providerName; }
    void SetProviderName(const QString &name) { m_providerName = name; }
    QString CommandText() const { return m_clientCommandText; }
    void SetCommandText(const QString &text) { m_clientCommandText = text; }
    // -1 reads every row at open; 0 reads a detail's rows each time its master moves.
    int PacketRecords() const { return m_packetRecords; }
    void SetPacketRecords(int n) { m_packetRecords = n; }
    void Execute();

    // ---- Change log
    bool LogChanges() const { return m_logChanges; }
    void SetLogChanges(bool on) { m_logChanges = on; }
    int ChangeCount() const { return int(m_changeLog.size()); }
    TUpdateStatus UpdateStatus() const;
    // Sends the changes to the provider; answers the number of rows that failed.
    int ApplyUpdates(int maxErrors = -1);
    void CancelUpdates();
    void MergeChangeLog();
    void RevertRecord();
    // Reads the current record again from the provider.
    void RefreshRecord();
    std::function<void(TClientDataSet *, const EReconcileError &, TUpdateKind, TReconcileAction &)> OnReconcileError;
    TDataSetNotifyEvent BeforeGetRecords, AfterGetRecords;

    // ---- Local tables
    void CreateDataSet();
    void EmptyDataSet();
    // The client-dataset XML packet, pending changes included (with their original values), so that a dataset
    // loaded again can still apply them. A file that cannot be read leaves the dataset as it was.
    void SaveToFile(const QString &fileName);
    void LoadFromFile(const QString &fileName);

    // ---- Indexes. Built in: DEFAULT_ORDER (arrival order), CHANGEINDEX (the rows with pending changes, in the
    // order of their first change) and, when the provider names a key, PRIMARY_KEY.
    TIndexDefs &IndexDefs() { return m_indexDefs; }
    void AddIndex(const QString &name, const QString &fields, TIndexOptions options = 0,
                  const QString &descFields = QString(), const QString &caseInsFields = QString(),
                  int groupingLevel = 0);
    void DeleteIndex(const QString &name);
    QString IndexName() const { return m_indexName; }
    void SetIndexName(const QString &name);
    QString IndexFieldNames() const { return m_indexFieldNames; }
    void SetIndexFieldNames(const QString &names);
    int IndexFieldCount() const;
    TField *IndexFields(int i) const;

    QString PSGetKeyFields() const override;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalRefresh() override;
    void InternalPost(int rowId, bool inserted, std::vector<QVariant> &previous) override;
    void InternalDelete(int rowId) override;
    std::vector<int> BaseOrder() const override;
    int PlaceInBaseOrder(const std::vector<int> &order, int rowId) const override;
    bool CanUseIndexForLocate(const QList<TField *> &fields, TLocateOptions options) const override;
    int FindInIndex(const QList<TField *> &fields, const QVariantList &key, TLocateOptions options) const override;
    void MasterChanged() override;
    // A detail reading its rows per master shows them all, unless it holds changed rows of other masters.
    bool UsesMasterRange() const override { return !FetchesPerMaster() || m_keptRows; }

    // The command text sent with every request (a subclass substitutes its macros here).
    virtual QString RequestCommandText() { return m_clientCommandText; }
    virtual TDataPacket DoGetRecords();

private:
    struct SortKey
    {
        int column;
        bool descending;
        bool caseInsensitive;
        TFieldType type;
    };

    bool FetchesPerMaster() const;
    void SetMasterParams();
    void TakePacket(TDataPacket packet);
    std::vector<int> FetchedCopies(const TDataPacket &packet, const std::vector<TRecordData> &kept) const;
    void LogChange(int rowId);
    void Revert(int rowId);
    std::vector<SortKey> SortKeysOf(const TIndexDef &def) const;
    std::vector<SortKey> ActiveSortKeys() const;
    int CompareRows(const std::vector<SortKey> &keys, int a, int b) const;
    void ActivateIndex(const QString &name, const QString &fieldNames);

    // The orders last worked out for an index, for as long as the rows stand as they were (RowsStamp), so that
    // going back to an index, as a title click does, costs no sort.
    struct CachedOrder
    {
        QString key;
        quint64 rowsStamp;
        std::vector<int> order;
    };
    std::vector<int> SortedOrder(const std::vector<SortKey> &keys) const;
    QString ActiveOrderKey() const;
    mutable std::vector<CachedOrder> m_orderCache;

    // Whether every text of a column is plain (see IsPlainText), as the rows stood at rowsStamp: over plain
    // texts a typed prefix is found in an order of that column by halving, as the scan would find it.
    struct PlainColumn
    {
        int column = -1;
        quint64 rowsStamp = 0;
        bool plain = false;
    };
    bool ColumnIsPlain(int column) const;
    int FindPrefixInIndex(const QList<TField *> &fields, const QVariantList &key, TLocateOptions options) const;
    mutable PlainColumn m_plainColumn;

    QPointer<TCustomProvider> m_provider;
    QString m_providerName;
    QString m_clientCommandText;
    int m_packetRecords = -1;
    bool m_logChanges = true;
    std::vector<int> m_changeLog; // row ids in the order of their first change
    TIndexDefs m_indexDefs;
    QString m_indexName;
    QString m_indexFieldNames;
    bool m_createMode = false;
    bool m_keptRows = false; // a detail holds changed rows kept from an earlier master
    std::unique_ptr<TDataPacket> m_filePacket;
};
