#include "AdoDataSet.h"

#include "AdoStatements.h"
#include "DatabaseError.h"
#include "SqliteFunctions.h"

#include <QSqlField>
#include <QSqlRecord>

namespace {

// The column's type as the connection reports it: the engine's type, or on SQLite the type the table declares
// (an expression declares none, and its values tell).
TFieldType engineType(const QSqlField &field, int *size)
{
    switch (field.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UInt: return ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float: return ftFloat;
    case QMetaType::Bool: return ftBoolean;
    case QMetaType::QDate: return ftDate;
    case QMetaType::QTime: return ftTime;
    case QMetaType::QDateTime: return ftDateTime;
    case QMetaType::QByteArray: return ftBlob;
    case QMetaType::QString: *size = qMax(0, field.length()); return ftString;
    default: return ftUnknown;
    }
}

// SQLite expressions carry no declared type: the values tell.
TFieldType typeOfValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong: return ftLargeint;
    case QMetaType::Double: return ftFloat;
    case QMetaType::QByteArray: return ftBlob;
    default: return ftString;
    }
}

// A query's rows. Those the connection's statements read are taken as they are, not copied; an outside
// database's are read value by value.
std::vector<std::vector<QVariant>> takeRows(QSqlQuery &q, int columns)
{
    // The connection made the result for this query alone: its rows are the query's to give away.
    if (const auto *own = dynamic_cast<const RowsResult *>(q.result()))
        return const_cast<RowsResult *>(own)->takeRows();
    std::vector<std::vector<QVariant>> rows;
    while (q.next()) {
        std::vector<QVariant> &row = rows.emplace_back();
        row.reserve(size_t(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(q.value(c));
    }
    return rows;
}

// Makes a value the type its field stores, in place; a value already of that type is left as it came.
void convert(QVariant &v, TFieldType type, const QString &fieldName)
{
    if (!v.isValid() || v.isNull()) {
        if (v.isValid())
            v = QVariant();
        return;
    }
    const int id = v.typeId();
    if (IsDateType(type)) {
        if (id == QMetaType::QDateTime)
            return;
        if (id == QMetaType::QDate) {
            v = QDateTime(v.toDate(), QTime(0, 0), Qt::UTC);
            return;
        }
        const QDateTime dt = parseSqliteDate(v.toString());
        if (!dt.isValid())
            throw EDatabaseError(QStringLiteral("Field '%1': '%2' is not a date").arg(fieldName, v.toString()));
        v = dt;
    } else if (IsStringType(type) || type == ftMemo) {
        if (id != QMetaType::QString)
            v = v.toString();
    } else if (type == ftLargeint) {
        if (id != QMetaType::LongLong)
            v = v.toLongLong();
    } else if (IsIntegerType(type)) {
        if (id != QMetaType::Int)
            v = id == QMetaType::Double ? int(std::llround(v.toDouble())) : v.toInt();
    } else if (IsFloatType(type)) {
        if (id != QMetaType::Double)
            v = v.toDouble();
    } else if (type == ftBoolean) {
        if (id != QMetaType::Bool)
            v = v.toBool();
    } else if (IsBlobType(type)) {
        if (id != QMetaType::QByteArray)
            v = v.toByteArray();
    }
}

// Fixes the field types of a query's columns by the declared data fields of `declaredOn` (when given), by the
// field definitions a previous open left, by the engine's column types, or by the values; the rows' values are
// made those types where they stand.
void readRows(const QSqlRecord &record, const TDataSet *declaredOn, const TFieldDefs &previous,
              QList<TFieldDef> &defs, std::vector<std::vector<QVariant>> &rows)
{
    std::vector<TFieldType> types;
    for (int i = 0; i < record.count(); ++i) {
        const QString name = record.fieldName(i);
        int size = 0;
        TFieldType type = ftUnknown;
        TField *declared = declaredOn ? declaredOn->FindField(name) : nullptr;
        if (declared && declared->FieldKind() == fkData) {
            type = declared->DataType();
            size = declared->Size();
        } else if (const TFieldDef *def = previous.Find(name); def && !def->TypeGuessed) {
            type = def->DataType;
            size = def->Size;
        } else {
            type = engineType(record.field(i), &size);
        }
        defs.append(TFieldDef(name, type, size));
        types.push_back(type);
    }

    const size_t columns = types.size();
    for (size_t c = 0; c < columns; ++c) {
        if (types[c] != ftUnknown)
            continue;
        TFieldType type = ftString;
        bool guessed = true;
        for (const auto &row : rows)
            if (const QVariant &v = row[c]; v.isValid() && !v.isNull()) {
                type = typeOfValue(v);
                guessed = false;
                break;
            }
        types[c] = type;
        defs[int(c)].DataType = type;
        defs[int(c)].TypeGuessed = guessed;
    }
    for (auto &row : rows)
        for (size_t c = 0; c < columns; ++c)
            convert(row[c], types[c], defs[int(c)].Name);
}

} // namespace

void TADODataSet::SetCommandText(const QString &text)
{
    m_commandText = text;
    ParseSQLParams(Params(), text);
}

TADOConnection &TADODataSet::connection() const
{
    if (!m_connection)
        throw EDatabaseError(objectName().isEmpty() ? QStringLiteral("Missing Connection or ConnectionString")
                                                    : objectName() + QStringLiteral(": Missing Connection or ConnectionString"));
    return *m_connection;
}

int TADODataSet::ExecSQL()
{
    return connection().Execute(m_commandText, Params(), TExecuteSource::DataSet);
}

QString TADODataSet::PSGetKeyFields() const
{
    const QString keys = TDataSet::PSGetKeyFields();
    if (!keys.isEmpty())
        return keys;
    QStringList names = m_uniqueFields.split(QLatin1Char(';'));
    for (QString &n : names)
        n = n.trimmed();
    return names.join(QLatin1Char(';')).trimmed();
}

int TADODataSet::PSExecuteStatement(const QString &sql, const TParams &params, TDataSet *resultSet)
{
    if (!resultSet)
        return connection().Execute(sql, params, TExecuteSource::Command);
    QSqlQuery q = connection().OpenQuery(sql, params, TExecuteSource::Command);
    const QSqlRecord record = q.record();
    std::vector<std::vector<QVariant>> rows = takeRows(q, record.count());
    QList<TFieldDef> defs;
    readRows(record, nullptr, TFieldDefs(), defs, rows);
    const int count = int(rows.size());
    resultSet->LoadData(defs, std::move(rows));
    return count;
}

bool TADODataSet::PSInTransaction() const
{
    return m_connection && m_connection->InTransaction();
}

// A transaction the session already holds is left to the session.
void TADODataSet::PSStartTransaction()
{
    m_ownTransaction = !connection().InTransaction();
    if (m_ownTransaction)
        connection().BeginTrans();
}

void TADODataSet::PSEndTransaction(bool commit)
{
    if (!m_ownTransaction || !connection().InTransaction())
        return;
    m_ownTransaction = false;
    if (commit)
        connection().CommitTrans();
    else
        connection().RollbackTrans();
}

void TADODataSet::InternalOpen()
{
    QSqlQuery q = connection().OpenQuery(m_commandText, Params(), TExecuteSource::DataSet);
    const QSqlRecord record = q.record();
    std::vector<std::vector<QVariant>> rows = takeRows(q, record.count());
    QList<TFieldDef> defs;
    readRows(record, this, FieldDefs(), defs, rows);
    FieldDefs().Clear();
    for (const TFieldDef &d : defs)
        FieldDefs().Add(d.Name, d.DataType, d.Size).TypeGuessed = d.TypeGuessed;
    for (TField *f : Fields())
        if (f->FieldKind() == fkData && FieldDefs().IndexOf(f->FieldName()) < 0)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(f->FieldName()));
    ReserveRows(int(rows.size()));
    for (auto &row : rows)
        AppendFetchedRow(std::move(row));
}

void TADOCommand::SetCommandText(const QString &text)
{
    m_commandText = text;
    ParseSQLParams(Parameters, text);
}

int TADOCommand::Execute()
{
    if (!Connection)
        throw EDatabaseError(QStringLiteral("The command has no connection"));
    return Connection->Execute(m_commandText, Parameters, TExecuteSource::Command);
}
