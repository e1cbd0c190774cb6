#include "DataSetProvider.h"

#include "MemTable.h"

namespace {

bool sameValue(TFieldType type, const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid())
        return false;
    if (!a.isValid())
        return true;
    if (IsFloatType(type))
        return a.toDouble() == b.toDouble();
    if (IsDateType(type))
        return a.toDateTime() == b.toDateTime();
    return a == b;
}

TParam &addParam(TParams &params, const TFieldDef &def, const QVariant &value, const char *prefix = "")
{
    TParam &p = params.CreateParam(def.DataType, QString::fromLatin1(prefix) + def.Name);
    p.SetValue(value);
    return p;
}

} // namespace

TDataSet *TDataSetProvider::CheckDataSet() const
{
    if (!m_dataSet)
        throw EDatabaseError(objectName() + QStringLiteral(": Missing DataSet property"));
    return m_dataSet;
}

QString TDataSetProvider::TableName() const
{
    if (OnGetTableName)
        return OnGetTableName(const_cast<TDataSetProvider *>(this), m_dataSet);
    return m_dataSet ? m_dataSet->PSGetTableName() : QString();
}

void TDataSetProvider::Prepare(const QString &commandText, const TParams &params)
{
    TDataSet *ds = CheckDataSet();
    if (!commandText.isEmpty()) {
        if (!(m_options & poAllowCommandText))
            throw EDatabaseError(objectName() + QStringLiteral(": CommandText changes are not allowed"));
        ds->PSSetCommandText(commandText);
    }
    if (!params.IsEmpty())
        ds->PSSetParams(params);
}

TDataPacket TDataSetProvider::GetRecords(const QString &commandText, const TParams &params)
{
    TDataSet *ds = CheckDataSet();
    const bool wasActive = ds->Active();
    // A request with its own text or parameters always reads afresh.
    if (wasActive && (!commandText.isEmpty() || !params.IsEmpty()))
        ds->Close();
    Prepare(commandText, params);
    const bool openedHere = !ds->Active();
    if (openedHere)
        ds->Open();
    else
        ds->CheckBrowseMode();

    TDataPacket packet;
    const QStringList keys = SplitFieldNames(ds->PSGetKeyFields());
    for (TFieldDef def : ds->FieldDefs().Items()) {
        if (TField *f = ds->FindField(def.Name)) {
            def.ProviderFlags = f->ProviderFlags();
            def.ReadOnly = def.ReadOnly || f->ReadOnly();
            def.Required = f->Required();
        }
        for (const QString &k : keys)
            if (k.compare(def.Name, Qt::CaseInsensitive) == 0)
                def.ProviderFlags |= pfInKey;
        packet.fields << def;
    }
    // Rows of a dataset opened only for this request are handed over rather than copied.
    packet.rows = ds->ExtractRows(openedHere);
    if (openedHere)
        ds->Close();
    return packet;
}

void TDataSetProvider::Execute(const QString &commandText, const TParams &params)
{
    Prepare(commandText, params);
    CheckDataSet()->PSExecute();
}

QList<int> TDataSetProvider::KeyColumns(const QList<TFieldDef> &fields) const
{
    QList<int> keys;
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].ProviderFlags & pfInKey)
            keys << i;
    if (keys.isEmpty() && m_dataSet) {
        for (const QString &k : SplitFieldNames(m_dataSet->PSGetKeyFields()))
            for (int i = 0; i < fields.size(); ++i)
                if (fields[i].Name.compare(k, Qt::CaseInsensitive) == 0)
                    keys << i;
    }
    return keys;
}

QList<bool> TDataSetProvider::WritableColumns(const QList<TFieldDef> &fields)
{
    const QStringList tableColumns = CheckDataSet()->PSGetTableColumns(TableName());
    QList<bool> writable;
    for (const TFieldDef &def : fields) {
        bool w = (def.ProviderFlags & pfInUpdate) && !def.ReadOnly;
        if (w && !tableColumns.isEmpty())
            w = tableColumns.contains(def.Name, Qt::CaseInsensitive);
        writable << w;
    }
    return writable;
}

QString TDataSetProvider::WhereClause(const QList<TFieldDef> &fields, const TDeltaRecord &record,
                                      TParams &params) const
{
    QList<int> columns;
    if (m_updateMode == upWhereKeyOnly || m_updateMode == upWhereChanged)
        columns = KeyColumns(fields);
    for (int i = 0; i < fields.size(); ++i) {
        const TFieldDef &def = fields[i];
        if (columns.contains(i) || IsBlobType(def.DataType) || !(def.ProviderFlags & pfInWhere))
            continue;
        const bool changed = record.kind == ukModify && !sameValue(def.DataType, record.oldValues[i], record.newValues[i]);
        if (m_updateMode == upWhereAll || (m_updateMode == upWhereChanged && changed))
            columns << i;
    }
    if (columns.isEmpty())
        throw EDatabaseError(QStringLiteral("Unable to find record. No key specified"));
    QStringList terms;
    for (int i : columns) {
        const QVariant &old = record.oldValues[i];
        if (!old.isValid()) {
            terms << fields[i].Name + QStringLiteral(" is null");
        } else {
            terms << fields[i].Name + QStringLiteral(" = ?");
            addParam(params, fields[i], old, "OLD_");
        }
    }
    return QStringLiteral(" where ") + terms.join(QStringLiteral(" and "));
}

QString TDataSetProvider::Statement(const QList<TFieldDef> &fields, const QList<bool> &writable,
                                    const TDeltaRecord &record, TParams &params) const
{
    const QString table = TableName();
    if (table.isEmpty())
        throw EDatabaseError(objectName() + QStringLiteral(": Unable to resolve the update table name"));
    switch (record.kind) {
    case ukInsert: {
        QStringList columns, marks;
        for (int i = 0; i < fields.size(); ++i) {
            if (!writable[i] || !record.newValues[i].isValid())
                continue;
            columns << fields[i].Name;
            marks << QStringLiteral("?");
            addParam(params, fields[i], record.newValues[i]);
        }
        if (columns.isEmpty())
            return QString();
        return QStringLiteral("insert into %1 (%2) values (%3)")
            .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    }
    case ukModify: {
        QStringList sets;
        for (int i = 0; i < fields.size(); ++i) {
            if (!writable[i] || sameValue(fields[i].DataType, record.oldValues[i], record.newValues[i]))
                continue;
            sets << fields[i].Name + QStringLiteral(" = ?");
            addParam(params, fields[i], record.newValues[i]);
        }
        if (sets.isEmpty())
            return QString();
        const QString where = WhereClause(fields, record, params);
        return QStringLiteral("update %1 set %2").arg(table, sets.join(QStringLiteral(", "))) + where;
    }
    case ukDelete:
        return QStringLiteral("delete from %1").arg(table) + WhereClause(fields, record, params);
    }
    return QString();
}

QString TDataSetProvider::UpdateStatement(const QList<TFieldDef> &fields, const TDeltaRecord &record, TParams &params)
{
    return Statement(fields, WritableColumns(fields), record, params);
}

bool TDataSetProvider::FetchRow(const QList<TFieldDef> &fields, const std::vector<QVariant> &values,
                                std::vector<QVariant> &row)
{
    TDataSet *ds = CheckDataSet();
    const QList<int> keys = KeyColumns(fields);
    if (keys.isEmpty())
        throw EDatabaseError(QStringLiteral("Unable to find record. No key specified"));
    const QList<bool> writable = WritableColumns(fields);
    QStringList columns, terms;
    TParams params;
    QList<int> read;
    for (int i = 0; i < fields.size(); ++i)
        if (writable[i] || keys.contains(i)) {
            columns << fields[i].Name;
            read << i;
        }
    for (int i : keys) {
        if (!values[i].isValid()) {
            terms << fields[i].Name + QStringLiteral(" is null");
        } else {
            terms << fields[i].Name + QStringLiteral(" = ?");
            addParam(params, fields[i], values[i]);
        }
    }
    const QString sql = QStringLiteral("select %1 from %2 where %3")
                            .arg(columns.join(QStringLiteral(", ")), TableName(), terms.join(QStringLiteral(" and ")));
    TMemTable result;
    ds->PSExecuteStatement(sql, params, &result);
    if (!result.Active() || result.IsEmpty())
        return false;
    row = values;
    for (int i : read)
        if (TField *f = result.FindField(fields[i].Name)) {
            // The engine may answer in its own types (text dates on SQLite); the packet's type decides.
            TField *typed = CreateField(fields[i].DataType);
            row[i] = typed->Coerce(f->Value());
            delete typed;
        }
    return true;
}

TApplyResult TDataSetProvider::ApplyUpdates(const QList<TFieldDef> &fields, const std::vector<TDeltaRecord> &delta,
                                            int maxErrors)
{
    TDataSet *ds = CheckDataSet();
    TApplyResult result;
    if (m_options & poReadOnly)
        throw EDatabaseError(objectName() + QStringLiteral(": Cannot modify a read-only dataset"));
    const QList<bool> writable = WritableColumns(fields);
    // With an error limit the changes are all or nothing; without one every row stands on its own.
    const bool ownTransaction = maxErrors >= 0 && !ds->PSInTransaction();
    if (ownTransaction)
        ds->PSStartTransaction();
    for (int i = 0; i < int(delta.size()); ++i) {
        result.processed = i + 1;
        const TDeltaRecord &record = delta[size_t(i)];
        QString sql;
        try {
            TParams params;
            sql = Statement(fields, writable, record, params);
            if (!sql.isEmpty()) {
                const int rows = ds->PSExecuteStatement(sql, params);
                if (rows == 0 && record.kind != ukInsert)
                    throw EDatabaseError(QStringLiteral("Record not found or changed by another user"));
            }
            if ((m_options & poAutoRefresh) && record.kind != ukDelete) {
                std::vector<QVariant> row;
                if (FetchRow(fields, record.newValues, row))
                    result.refreshed.insert(i, row);
            }
        } catch (const std::exception &e) {
            TUpdateErrorInfo info;
            info.index = i;
            info.message = exceptionMessage(e);
            info.context = sql;
            result.errors << info;
            ++result.errorCount;
            if (maxErrors >= 0 && result.errorCount > maxErrors) {
                if (ownTransaction) {
                    ds->PSEndTransaction(false);
                    result.rolledBack = true;
                    result.refreshed.clear();
                }
                return result;
            }
        }
    }
    if (ownTransaction)
        ds->PSEndTransaction(true);
    return result;
}
