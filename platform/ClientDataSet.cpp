#include "ClientDataSet.h"

#include "DataPacketXml.h"
#include "Formats.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

[[noreturn]] void fail(const TDataSet *ds, const QString &message)
{
    throw EDatabaseError(ds->objectName().isEmpty() ? message : ds->objectName() + QStringLiteral(": ") + message);
}

bool listed(const QString &list, const QString &name)
{
    return SplitFieldNames(list).contains(name, Qt::CaseInsensitive);
}

} // namespace

// --------------------------------------------------------------------------------------------------------------

TIndexDef &TIndexDefs::Add(const QString &name, const QString &fields, TIndexOptions options)
{
    TIndexDef def;
    def.Name = name;
    def.Fields = fields;
    def.Options = options;
    m_items.append(def);
    return m_items.last();
}

int TIndexDefs::IndexOf(const QString &name) const
{
    return IndexOfName(m_items, name);
}

const TIndexDef *TIndexDefs::Find(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &m_items[i];
}

void TIndexDefs::Remove(const QString &name)
{
    const int i = IndexOf(name);
    if (i >= 0)
        m_items.removeAt(i);
}

// --------------------------------------------------------------------------------------------------------------

TClientDataSet::TClientDataSet(QObject *owner)
    : TDataSet(owner)
{
    m_indexDefs.Add(QString::fromLatin1(DefaultOrder), QString());
    m_indexDefs.Add(QString::fromLatin1(ChangeIndex), QString());
}

TClientDataSet::~TClientDataSet() = default;

// ---- Opening

bool TClientDataSet::FetchesPerMaster() const
{
    return m_provider && m_packetRecords == 0 && MasterSource() && !MasterFields().isEmpty();
}

void TClientDataSet::SetMasterParams()
{
    const QVariantList values = CurrentMasterValues();
    const QStringList names = SplitFieldNames(MasterFields());
    for (int i = 0; i < names.size() && i < values.size(); ++i) {
        TParam *p = Params().FindParam(names[i]);
        if (!p)
            p = &Params().CreateParam(ftUnknown, names[i]);
        p->SetValue(values[i]);
    }
}

TDataPacket TClientDataSet::DoGetRecords()
{
    BeforeGetRecords(this);
    if (FetchesPerMaster())
        SetMasterParams();
    TDataPacket packet = m_provider->GetRecords(RequestCommandText(), Params());
    AfterGetRecords(this);
    return packet;
}

void TClientDataSet::TakePacket(TDataPacket packet)
{
    FieldDefs().Clear();
    QStringList keys;
    for (const TFieldDef &d : packet.fields) {
        FieldDefs().Add(d.Name, d.DataType, d.Size, d.Required) = d;
        if (d.ProviderFlags & pfInKey)
            keys << d.Name;
    }
    m_indexDefs.Remove(QString::fromLatin1(PrimaryKey));
    if (!keys.isEmpty())
        m_indexDefs.Add(QString::fromLatin1(PrimaryKey), keys.join(QLatin1Char(';')), ixPrimary | ixUnique);
    ReserveRows(int(packet.rows.size()));
    for (auto &row : packet.rows)
        AppendFetchedRow(std::move(row));
    m_changeLog.clear();
    // The pending changes of a saved file come back as they were.
    for (TPacketChange &c : packet.changes) {
        TRecordData &row = Rows()[size_t(c.row)];
        row.status = c.status;
        if (c.status == usModified) {
            c.original.resize(row.values.size());
            row.original = std::make_unique<std::vector<QVariant>>(std::move(c.original));
        } else if (c.status == usDeleted) {
            row.original = std::make_unique<std::vector<QVariant>>(row.values);
            row.live = false;
        }
        m_changeLog.push_back(c.row);
    }
}

void TClientDataSet::InternalOpen()
{
    if (m_filePacket) {
        auto packet = std::move(m_filePacket);
        TakePacket(std::move(*packet));
        m_createMode = true; // the loaded data is now the table's own
        return;
    }
    if (m_provider) {
        TakePacket(DoGetRecords());
        return;
    }
    if (m_createMode)
        return;
    fail(this, QStringLiteral("Missing data provider or data packet"));
}

void TClientDataSet::InternalClose()
{
    m_changeLog.clear();
    m_keptRows = false;
    m_orderCache.clear();
    m_indexDefs.Remove(QString::fromLatin1(PrimaryKey));
}

void TClientDataSet::InternalRefresh()
{
    if (!m_provider)
        return; // a local table is its own source
    if (!m_changeLog.empty())
        fail(this, QStringLiteral("Must apply updates before refreshing data"));
    TDataPacket packet = DoGetRecords();
    ClearRows();
    TakePacket(std::move(packet));
    m_keptRows = false;
    BindFields();
}

void TClientDataSet::MasterChanged()
{
    if (!FetchesPerMaster()) {
        TDataSet::MasterChanged();
        return;
    }
    if (!Active())
        return;
    CheckBrowseMode();
    // Rows with pending changes stay, whichever master they belong to, so that the next ApplyUpdates writes
    // them; the master's range then decides which rows are shown.
    if (!m_changeLog.empty()) {
        const QString rangeFields = DetailFields().isEmpty() ? MasterFields() : DetailFields();
        for (const QString &name : SplitFieldNames(rangeFields))
            if (!FindField(name))
                fail(this, QStringLiteral("Must apply updates before refreshing data"));
    }
    TDataPacket packet = DoGetRecords();
    std::vector<TRecordData> kept;
    for (int id : m_changeLog)
        kept.push_back(std::move(Rows()[size_t(id)]));
    ClearRows();
    const std::vector<int> copyOf = FetchedCopies(packet, kept);
    TakePacket(std::move(packet));
    // A kept row takes the place of its fetched copy; the others (inserts, rows gone from the database) follow.
    std::vector<int> keptIds(kept.size(), -1);
    for (size_t r = 0; r < copyOf.size(); ++r)
        if (copyOf[r] >= 0)
            keptIds[size_t(copyOf[r])] = int(r);
    for (size_t k = 0; k < kept.size(); ++k) {
        if (keptIds[k] < 0) {
            keptIds[k] = int(Rows().size());
            AppendFetchedRow({});
        }
        Rows()[size_t(keptIds[k])] = std::move(kept[k]);
    }
    m_changeLog = keptIds;
    m_keptRows = !kept.empty();
    BindFields();
    RebuildOrder(false);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}

std::vector<int> TClientDataSet::FetchedCopies(const TDataPacket &packet, const std::vector<TRecordData> &kept) const
{
    // A fetched row is the database's copy of a kept modified or deleted row when its key (or, with no key, all
    // of it) equals the kept row's original values. Answers, per fetched row, the kept row it stands for or -1.
    QList<int> columns;
    for (int i = 0; i < packet.fields.size(); ++i)
        if (packet.fields[i].ProviderFlags & pfInKey)
            columns << i;
    if (columns.isEmpty())
        for (int i = 0; i < packet.fields.size(); ++i)
            columns << i;
    auto same = [&](const std::vector<QVariant> &a, const std::vector<QVariant> &b) {
        for (int i : columns)
            if (size_t(i) >= a.size() || size_t(i) >= b.size()
                || CompareValues(packet.fields[i].DataType, a[size_t(i)], b[size_t(i)], false) != 0)
                return false;
        return true;
    };
    std::vector<int> copyOf(packet.rows.size(), -1);
    std::vector<bool> placed(kept.size(), false);
    for (size_t r = 0; r < packet.rows.size(); ++r)
        for (size_t k = 0; k < kept.size(); ++k) {
            const TRecordData &row = kept[k];
            if (!placed[k] && row.status != usInserted && row.original && same(packet.rows[r], *row.original)) {
                copyOf[r] = int(k);
                placed[k] = true;
                break;
            }
        }
    return copyOf;
}

void TClientDataSet::Execute()
{
    if (!m_provider)
        fail(this, QStringLiteral("Missing data provider"));
    m_provider->Execute(RequestCommandText(), Params());
}

QString TClientDataSet::PSGetKeyFields() const
{
    QStringList keys;
    for (const TFieldDef &d : FieldDefs().Items())
        if (d.ProviderFlags & pfInKey)
            keys << d.Name;
    return keys.isEmpty() ? TDataSet::PSGetKeyFields() : keys.join(QLatin1Char(';'));
}

// ---- Change log

void TClientDataSet::LogChange(int rowId)
{
    if (std::find(m_changeLog.begin(), m_changeLog.end(), rowId) == m_changeLog.end())
        m_changeLog.push_back(rowId);
}

void TClientDataSet::InternalPost(int rowId, bool inserted, std::vector<QVariant> &previous)
{
    if (!m_logChanges)
        return;
    TRecordData &row = Rows()[rowId];
    if (inserted) {
        row.status = usInserted;
    } else if (row.status == usUnmodified) {
        row.original = std::make_unique<std::vector<QVariant>>(std::move(previous));
        row.status = usModified;
    }
    LogChange(rowId);
}

void TClientDataSet::InternalDelete(int rowId)
{
    TRecordData &row = Rows()[rowId];
    if (!m_logChanges || row.status == usInserted) {
        m_changeLog.erase(std::remove(m_changeLog.begin(), m_changeLog.end(), rowId), m_changeLog.end());
        row.status = usUnmodified;
        TDataSet::InternalDelete(rowId);
        return;
    }
    if (!row.original)
        row.original = std::make_unique<std::vector<QVariant>>(row.values);
    row.status = usDeleted;
    row.live = false;
    LogChange(rowId);
}

TUpdateStatus TClientDataSet::UpdateStatus() const
{
    if (State() == dsInsert)
        return usInserted;
    const int id = CurrentRowId();
    return id < 0 ? usUnmodified : Rows()[id].status;
}

void TClientDataSet::Revert(int rowId)
{
    TRecordData &row = Rows()[rowId];
    switch (row.status) {
    case usModified:
    case usDeleted:
        row.values = std::move(*row.original);
        row.live = true;
        break;
    case usInserted:
        row.live = false;
        row.values.clear();
        break;
    case usUnmodified:
        break;
    }
    row.original.reset();
    row.status = usUnmodified;
    m_changeLog.erase(std::remove(m_changeLog.begin(), m_changeLog.end(), rowId), m_changeLog.end());
}

void TClientDataSet::CancelUpdates()
{
    CheckActive();
    Cancel();
    const auto log = m_changeLog;
    for (int id : log)
        Revert(id);
    InvalidateCalcCache();
    RebuildOrder(true);
    DataEvent(deDataSetChange, nullptr, wmCentre);
}

void TClientDataSet::RevertRecord()
{
    CheckActive();
    Cancel();
    const int id = CurrentRowId();
    if (id < 0 || Rows()[id].status == usUnmodified)
        return;
    Revert(id);
    InvalidateCalcCache();
    RebuildOrder(true);
    DataEvent(deDataSetChange, nullptr, wmStructural);
}

void TClientDataSet::MergeChangeLog()
{
    for (int id : m_changeLog) {
        TRecordData &row = Rows()[id];
        if (row.status == usDeleted)
            row.values.clear();
        row.original.reset();
        row.status = usUnmodified;
    }
    m_changeLog.clear();
}

int TClientDataSet::ApplyUpdates(int maxErrors)
{
    CheckActive();
    CheckBrowseMode();
    if (!m_provider)
        fail(this, QStringLiteral("Missing data provider"));
    if (m_changeLog.empty())
        return 0;

    QList<TFieldDef> fields = FieldDefs().Items();
    for (TFieldDef &def : fields)
        if (TField *f = FindField(def.Name))
            def.ProviderFlags = f->ProviderFlags() | (def.ProviderFlags & pfInKey);
    const std::vector<int> log = m_changeLog;
    std::vector<TDeltaRecord> delta;
    delta.reserve(log.size());
    for (int id : log) {
        const TRecordData &row = Rows()[id];
        TDeltaRecord rec;
        rec.kind = row.status == usInserted ? ukInsert : (row.status == usDeleted ? ukDelete : ukModify);
        if (rec.kind != ukInsert)
            rec.oldValues = row.original ? *row.original : row.values;
        if (rec.kind != ukDelete)
            rec.newValues = row.values;
        delta.push_back(std::move(rec));
    }

    const TApplyResult result = m_provider->ApplyUpdates(fields, delta, maxErrors);

    std::vector<bool> failed(log.size(), false);
    for (const TUpdateErrorInfo &e : result.errors)
        failed[size_t(e.index)] = true;
    if (!result.rolledBack) {
        for (int i = 0; i < result.processed && i < int(log.size()); ++i) {
            if (failed[size_t(i)])
                continue;
            TRecordData &row = Rows()[log[size_t(i)]];
            if (row.status == usDeleted)
                row.values.clear();
            else if (result.refreshed.contains(i) && result.refreshed[i].size() == row.values.size())
                row.values = result.refreshed[i];
            row.original.reset();
            row.status = usUnmodified;
        }
    }
    bool abort = false;
    for (const TUpdateErrorInfo &e : result.errors) {
        TReconcileAction action = raSkip;
        if (OnReconcileError && !abort)
            OnReconcileError(this, EReconcileError(e.message, e.context), delta[size_t(e.index)].kind, action);
        if (action == raCancel)
            Revert(log[size_t(e.index)]);
        else if (action == raAbort)
            abort = true;
    }
    m_changeLog.erase(std::remove_if(m_changeLog.begin(), m_changeLog.end(),
                                     [this](int id) { return Rows()[id].status == usUnmodified; }),
                      m_changeLog.end());
    InvalidateCalcCache();
    RebuildOrder(true);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    return result.errorCount;
}

void TClientDataSet::RefreshRecord()
{
    CheckActive();
    CheckBrowseMode();
    if (!m_provider)
        fail(this, QStringLiteral("Missing data provider"));
    const int id = CurrentRowId();
    if (id < 0)
        return;
    if (Rows()[id].status != usUnmodified)
        fail(this, QStringLiteral("Must apply updates before refreshing data"));
    QList<TFieldDef> fields = FieldDefs().Items();
    std::vector<QVariant> row;
    if (!m_provider->FetchRow(fields, Rows()[id].values, row))
        fail(this, QStringLiteral("Record not found or changed by another user"));
    Rows()[id].values = std::move(row);
    InvalidateCalcCache();
    RowsChanged();
    DataEvent(deRecordChange);
    AfterRefresh(this);
}

// ---- Local tables

void TClientDataSet::CreateDataSet()
{
    CheckInactive();
    if (FieldDefs().Count() == 0 && Fields().Count() == 0)
        fail(this, QStringLiteral("Missing field definitions"));
    m_createMode = true;
    Open();
}

void TClientDataSet::EmptyDataSet()
{
    CheckActive();
    Cancel();
    ClearRows();
    m_changeLog.clear();
    RebuildOrder(false);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}

void TClientDataSet::SaveToFile(const QString &fileName)
{
    CheckActive();
    CheckBrowseMode();
    TDataPacket packet;
    packet.fields = FieldDefs().Items();
    // Rows in arrival order, deleted ones with pending deletions among them, and the change log over them.
    std::vector<int> recordOf(Rows().size(), -1);
    for (int id : Sequence()) {
        const TRecordData &row = Rows()[size_t(id)];
        if (!row.live && row.status != usDeleted)
            continue;
        recordOf[size_t(id)] = int(packet.rows.size());
        packet.rows.push_back(row.status == usDeleted && row.original ? *row.original : row.values);
    }
    for (int id : m_changeLog) {
        const TRecordData &row = Rows()[size_t(id)];
        TPacketChange change;
        change.row = recordOf[size_t(id)];
        change.status = row.status;
        if (row.status == usModified && row.original)
            change.original = *row.original;
        packet.changes.push_back(std::move(change));
    }
    // The old file stays as it was until the new one is complete.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        fail(this, QStringLiteral("Cannot create file \"%1\": %2").arg(fileName, file.errorString()));
    WriteDataPacketXml(file, packet);
    if (!file.commit())
        fail(this, QStringLiteral("Cannot write file \"%1\": %2").arg(fileName, file.errorString()));
}

void TClientDataSet::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(this, QStringLiteral("Cannot open file \"%1\": %2").arg(fileName, file.errorString()));
    TDataPacket packet;
    try {
        packet = ReadDataPacketXml(file);
    } catch (const EDatabaseError &e) {
        fail(this, QStringLiteral("%1: %2").arg(fileName, e.message()));
    }
    // Declared fields must find their columns before the current data is given up.
    for (TField *f : Fields())
        if (f->FieldKind() == fkData
            && std::none_of(packet.fields.begin(), packet.fields.end(),
                            [f](const TFieldDef &d) { return d.Name.compare(f->FieldName(), Qt::CaseInsensitive) == 0; }))
            fail(this, QStringLiteral("Field '%1' not found").arg(f->FieldName()));
    Close();
    m_filePacket = std::make_unique<TDataPacket>(std::move(packet));
    Open();
}

// ---- Indexes

void TClientDataSet::AddIndex(const QString &name, const QString &fields, TIndexOptions options,
                              const QString &descFields, const QString &caseInsFields, int groupingLevel)
{
    if (name.trimmed().isEmpty())
        fail(this, QStringLiteral("Index name missing"));
    if (m_indexDefs.IndexOf(name) >= 0)
        fail(this, QStringLiteral("Duplicate index name '%1'").arg(name));
    if (SplitFieldNames(fields).isEmpty())
        fail(this, QStringLiteral("Index '%1' has no fields").arg(name));
    TIndexDef def;
    def.Name = name;
    def.Fields = fields;
    def.Options = options;
    def.DescFields = descFields;
    def.CaseInsFields = caseInsFields;
    def.GroupingLevel = groupingLevel;
    if (Active())
        SortKeysOf(def); // raises for an unknown field
    m_indexDefs.m_items.append(def);
}

void TClientDataSet::DeleteIndex(const QString &name)
{
    const int i = m_indexDefs.IndexOf(name);
    if (i < 0)
        fail(this, QStringLiteral("Index '%1' not found").arg(name));
    if (name.compare(QLatin1String(DefaultOrder), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String(ChangeIndex), Qt::CaseInsensitive) == 0)
        fail(this, QStringLiteral("Index '%1' cannot be deleted").arg(name));
    const bool active = m_indexName.compare(name, Qt::CaseInsensitive) == 0;
    m_indexDefs.m_items.removeAt(i);
    if (active)
        SetIndexName(QString());
}

void TClientDataSet::ActivateIndex(const QString &name, const QString &fieldNames)
{
    const QString oldName = m_indexName, oldFields = m_indexFieldNames;
    m_indexName = name;
    m_indexFieldNames = fieldNames;
    if (!Active())
        return;
    try {
        ActiveSortKeys(); // checks the fields before the order changes
    } catch (...) {
        m_indexName = oldName;
        m_indexFieldNames = oldFields;
        throw;
    }
    OrderChanged();
}

void TClientDataSet::SetIndexName(const QString &name)
{
    if (name.compare(m_indexName, Qt::CaseInsensitive) == 0 && m_indexFieldNames.isEmpty())
        return;
    QString stored = name;
    if (!name.isEmpty()) {
        const TIndexDef *def = m_indexDefs.Find(name);
        if (!def)
            fail(this, QStringLiteral("Index '%1' not found").arg(name));
        stored = def->Name;
    }
    ActivateIndex(stored, QString());
}

void TClientDataSet::SetIndexFieldNames(const QString &names)
{
    if (names == m_indexFieldNames && m_indexName.isEmpty())
        return;
    ActivateIndex(QString(), names);
}

int TClientDataSet::IndexFieldCount() const
{
    if (!m_indexFieldNames.isEmpty())
        return int(SplitFieldNames(m_indexFieldNames).size());
    const TIndexDef *def = m_indexName.isEmpty() ? nullptr : m_indexDefs.Find(m_indexName);
    return def ? int(SplitFieldNames(def->Fields).size()) : 0;
}

TField *TClientDataSet::IndexFields(int i) const
{
    const TIndexDef *def = m_indexName.isEmpty() ? nullptr : m_indexDefs.Find(m_indexName);
    const QStringList names = SplitFieldNames(!m_indexFieldNames.isEmpty() ? m_indexFieldNames
                                                                           : (def ? def->Fields : QString()));
    if (i < 0 || i >= names.size())
        fail(this, QStringLiteral("Index field %1 out of range").arg(i));
    return FieldByName(names[i]);
}

std::vector<TClientDataSet::SortKey> TClientDataSet::SortKeysOf(const TIndexDef &def) const
{
    std::vector<SortKey> keys;
    for (const QString &name : SplitFieldNames(def.Fields)) {
        TField *f = FieldByName(name);
        if (f->FieldKind() != fkData)
            fail(this, QStringLiteral("Field '%1' cannot be used in an index").arg(name));
        SortKey k;
        k.column = f->FieldNo() - 1;
        k.type = f->DataType();
        k.descending = (def.Options & ixDescending) || listed(def.DescFields, name);
        k.caseInsensitive = (def.Options & ixCaseInsensitive) || listed(def.CaseInsFields, name);
        keys.push_back(k);
    }
    return keys;
}

std::vector<TClientDataSet::SortKey> TClientDataSet::ActiveSortKeys() const
{
    if (!m_indexFieldNames.isEmpty()) {
        TIndexDef def;
        def.Fields = m_indexFieldNames;
        return SortKeysOf(def);
    }
    if (m_indexName.isEmpty())
        return {};
    const TIndexDef *def = m_indexDefs.Find(m_indexName);
    return def ? SortKeysOf(*def) : std::vector<SortKey>();
}

int TClientDataSet::CompareRows(const std::vector<SortKey> &keys, int a, int b) const
{
    const auto &ra = Rows()[a].values;
    const auto &rb = Rows()[b].values;
    for (const SortKey &k : keys) {
        int c = CompareValues(k.type, ra[size_t(k.column)], rb[size_t(k.column)], k.caseInsensitive);
        if (c != 0)
            return k.descending ? -c : c;
    }
    return 0;
}

std::vector<int> TClientDataSet::BaseOrder() const
{
    // The change index shows the rows with pending changes (deleted ones aside) in the order of their first change.
    if (m_indexFieldNames.isEmpty() && m_indexName.compare(QLatin1String(ChangeIndex), Qt::CaseInsensitive) == 0) {
        std::vector<int> changed;
        for (int id : m_changeLog)
            if (Rows()[size_t(id)].live)
                changed.push_back(id);
        return changed;
    }
    const std::vector<SortKey> keys = ActiveSortKeys();
    if (keys.empty())
        return TDataSet::BaseOrder();
    const QString key = ActiveOrderKey();
    std::erase_if(m_orderCache, [this](const CachedOrder &c) { return c.rowsStamp != RowsStamp(); });
    for (const CachedOrder &c : m_orderCache)
        if (c.key == key)
            return c.order;
    std::vector<int> order = SortedOrder(keys);
    constexpr size_t kCachedOrders = 4;
    if (m_orderCache.size() >= kCachedOrders)
        m_orderCache.erase(m_orderCache.begin());
    m_orderCache.push_back({key, RowsStamp(), order});
    return order;
}

// What decides the order of the current index: its fields and how each is compared.
QString TClientDataSet::ActiveOrderKey() const
{
    if (!m_indexFieldNames.isEmpty())
        return QStringLiteral("F|") + m_indexFieldNames;
    const TIndexDef *def = m_indexDefs.Find(m_indexName);
    return def ? QStringLiteral("I|%1|%2|%3|%4").arg(def->Fields, def->DescFields, def->CaseInsFields).arg(def->Options)
               : QString();
}

std::vector<int> TClientDataSet::SortedOrder(const std::vector<SortKey> &keys) const
{
    std::vector<int> order = TDataSet::BaseOrder();
    if (!IsStringType(keys.front().type)) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return CompareRows(keys, a, b) < 0; });
        return order;
    }
    // A text first key (the usual title sort) is collated once per row: the sort compares the weights of the
    // texts' characters, arrays of numbers held beside the row ids, and reads no row. Texts of equal weights are
    // told apart by the collation itself only where the weights leave a tie (case kept, letters other than plain
    // ones); only ties of the first key look at the further keys.
    struct Entry
    {
        quint32 from; // the text's weights in weights[from, from + size)
        quint32 size;
        int id;
        bool null;
        bool plain;
    };
    const SortKey &first = keys.front();
    const std::vector<SortKey> rest(keys.begin() + 1, keys.end());
    const auto text = [&](int id) {
        const QVariant &v = Rows()[size_t(id)].values[size_t(first.column)];
        return v.typeId() == QMetaType::QString ? *static_cast<const QString *>(v.constData()) : v.toString();
    };
    // One buffer of the right size: growing it by steps would copy it and search the heap for every step.
    size_t characters = 0;
    for (int id : order) {
        const QVariant &v = Rows()[size_t(id)].values[size_t(first.column)];
        characters += v.typeId() == QMetaType::QString ? size_t(static_cast<const QString *>(v.constData())->size())
                                                       : (v.isValid() ? size_t(v.toString().size()) : 0);
    }
    std::vector<quint32> weights;
    weights.reserve(characters);
    std::vector<Entry> entries;
    entries.reserve(order.size());
    bool allPlain = true;
    for (int id : order) {
        const QVariant &v = Rows()[size_t(id)].values[size_t(first.column)];
        if (!v.isValid()) {
            entries.push_back({0, 0, id, true, true});
            continue;
        }
        const auto from = quint32(weights.size());
        const bool plain = AppendCollationWeights(text(id), weights);
        allPlain = allPlain && plain && v.typeId() == QMetaType::QString; // the search reads them in place
        entries.push_back({from, quint32(weights.size() - from), id, false, plain});
    }
    const quint32 *w = weights.data();
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        int c = 0;
        if (a.null || b.null) {
            c = a.null == b.null ? 0 : (a.null ? -1 : 1);
        } else {
            const quint32 n = std::min(a.size, b.size);
            const quint32 *x = w + a.from, *y = w + b.from;
            quint32 i = 0;
            while (i < n && x[i] == y[i])
                ++i;
            if (i < n)
                c = x[i] < y[i] ? -1 : 1;
            else if (a.size != b.size)
                c = a.size < b.size ? -1 : 1;
            else if (!(a.plain && b.plain && first.caseInsensitive))
                c = first.caseInsensitive ? CompareTextIgnoreCase(text(a.id), text(b.id))
                                          : CompareTextCaseSensitive(text(a.id), text(b.id));
        }
        if (c != 0)
            return (first.descending ? -c : c) < 0;
        return !rest.empty() && CompareRows(rest, a.id, b.id) < 0;
    });
    for (size_t i = 0; i < entries.size(); ++i)
        order[i] = entries[i].id;
    m_plainColumn = {first.column, RowsStamp(), allPlain};
    return order;
}

int TClientDataSet::PlaceInBaseOrder(const std::vector<int> &order, int rowId) const
{
    const std::vector<SortKey> keys = ActiveSortKeys();
    if (keys.empty())
        return -1;
    const int pos = PositionOf(rowId);
    const int n = int(order.size()) - (pos >= 0 ? 1 : 0);
    auto at = [&](int j) { return order[size_t(pos >= 0 && j >= pos ? j + 1 : j)]; };
    int lo = 0, hi = n;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (CompareRows(keys, rowId, at(mid)) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

bool TClientDataSet::CanUseIndexForLocate(const QList<TField *> &fields, TLocateOptions options) const
{
    if (IsEditing() || fields.isEmpty())
        return false;
    const std::vector<SortKey> keys = ActiveSortKeys();
    if (fields.size() > int(keys.size()))
        return false;
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i]->FieldKind() != fkData || fields[i]->FieldNo() - 1 != keys[size_t(i)].column)
            return false;
    // A typed prefix is looked for by the first field's text alone (FindPrefixInIndex), whatever the case rules.
    if (options & loPartialKey)
        return IsStringType(fields[0]->DataType());
    for (int i = 0; i < fields.size(); ++i)
        if ((options & loCaseInsensitive) && IsStringType(fields[i]->DataType()) && !keys[size_t(i)].caseInsensitive)
            return false;
    return true;
}

namespace {

// The position of the first row that matches among the rows place puts level (0) with what is looked for, in an
// order that place puts below (< 0), level, then above: the level rows are found by halving. -1 when none does.
template <typename Place, typename Matches>
int firstMatchInOrder(const std::vector<int> &order, const Place &place, const Matches &matches)
{
    int lo = 0, hi = int(order.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (place(order[size_t(mid)]) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (int pos = lo; pos < int(order.size()) && place(order[size_t(pos)]) == 0; ++pos)
        if (matches(order[size_t(pos)]))
            return pos;
    return -1;
}

} // namespace

bool TClientDataSet::ColumnIsPlain(int column) const
{
    if (m_plainColumn.column == column && m_plainColumn.rowsStamp == RowsStamp())
        return m_plainColumn.plain;
    bool plain = true;
    for (const TRecordData &row : Rows()) {
        if (!plain)
            break;
        if (!row.live || size_t(column) >= row.values.size())
            continue;
        const QVariant &v = row.values[size_t(column)];
        if (!v.isValid())
            continue;
        if (v.typeId() != QMetaType::QString)
            plain = false;
        else {
            const QString &text = *static_cast<const QString *>(v.constData());
            plain = std::all_of(text.begin(), text.end(), IsPlainText);
        }
    }
    m_plainColumn = {column, RowsStamp(), plain};
    return plain;
}

// The rows whose first key begins with the typed text, in whatever case, lie together in the order when the
// texts are plain: the order compares the weights of their characters first, and a prefix equal but for case is
// a prefix of equal weights. The first of them is found by halving and the rest of the key checked from there
// on, which finds the row the scan would find first. Other texts are scanned.
int TClientDataSet::FindPrefixInIndex(const QList<TField *> &fields, const QVariantList &key,
                                      TLocateOptions options) const
{
    const SortKey first = ActiveSortKeys().front();
    const QVariant &typed = key[0];
    if (!typed.isValid() || typed.typeId() != QMetaType::QString)
        return ScanForRow(fields, key, options);
    const QString &prefix = *static_cast<const QString *>(typed.constData());
    if (!std::all_of(prefix.begin(), prefix.end(), IsPlainText) || !ColumnIsPlain(first.column))
        return ScanForRow(fields, key, options);
    std::vector<quint32> weights;
    AppendCollationWeights(prefix, weights);
    // Where a row's text stands against the prefix in the order: below, within (0) or above the rows it begins.
    const auto place = [&](int rowId) {
        const QVariant &v = Rows()[size_t(rowId)].values[size_t(first.column)];
        int c = -1; // nulls sort lowest and begin with no text
        if (v.isValid()) {
            const QString &text = *static_cast<const QString *>(v.constData());
            const qsizetype n = std::min(text.size(), prefix.size());
            qsizetype i = 0;
            while (i < n && CollationWeight(text[i]) == weights[size_t(i)])
                ++i;
            c = i < n ? (CollationWeight(text[i]) < weights[size_t(i)] ? -1 : 1) : (text.size() < prefix.size() ? -1 : 0);
        }
        return first.descending ? -c : c;
    };
    return firstMatchInOrder(Order(), place, [&](int rowId) { return RowMatches(rowId, fields, key, options); });
}

int TClientDataSet::FindInIndex(const QList<TField *> &fields, const QVariantList &key, TLocateOptions options) const
{
    if (options & loPartialKey)
        return FindPrefixInIndex(fields, key, options);
    const std::vector<SortKey> keys = ActiveSortKeys();
    auto compare = [&](int rowId) {
        const auto &values = Rows()[rowId].values;
        for (int i = 0; i < fields.size(); ++i) {
            const SortKey &k = keys[size_t(i)];
            int c = CompareValues(k.type, values[size_t(k.column)], key[i], k.caseInsensitive);
            if (c != 0)
                return k.descending ? -c : c;
        }
        return 0;
    };
    return firstMatchInOrder(Order(), compare, [&](int rowId) { return RowMatches(rowId, fields, key, options); });
}
