#include "AdoDataSet.h"

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

QVariant convert(const QVariant &v, TFieldType type, const QString &fieldName)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (IsDateType(type)) {
        if (v.typeId() == QMetaType::QDateTime)
            return v;
        if (v.typeId() == QMetaType::QDate)
            return QDateTime(v.toDate(), QTime(0, 0), Qt::UTC);
        const QDateTime dt = parseSqliteDate(v.toString());
        if (!dt.isValid())
            throw EDatabaseError(QStringLiteral("Field '%1': '%2' is not a date").arg(fieldName, v.toString()));
        return dt;
    }
    if (IsStringType(type) || type == ftMemo)
        return v.toString();
    if (type == ftLargeint)
        return v.toLongLong();
    if (IsIntegerType(type))
        return v.typeId() == QMetaType::Double ? int(std::llround(v.toDouble())) : v.toInt();
    if (IsFloatType(type))
        return v.toDouble();
    if (type == ftBoolean)
        return v.toBool();
    if (IsBlobType(type))
        return v.toByteArray();
    return v;
}

// Reads every row of a query with the field types fixed by the declared data fields of `declaredOn` (when
// given), by the field definitions a previous open left, by the engine's column types, or by the values.
void readRows(QSqlQuery &q, const TDataSet *declaredOn, const TFieldDefs &previous,
              QList<TFieldDef> &defs, std::vector<std::vector<QVariant>> &rows)
{
    const QSqlRecord record = q.record();
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
    while (q.next()) {
        std::vector<QVariant> values(columns);
        for (size_t c = 0; c < columns; ++c) {
            const QVariant v = q.value(int(c));
            values[c] = types[c] == ftUnknown ? v : convert(v, types[c], defs[int(c)].Name);
        }
        rows.push_back(std::move(values));
    }
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
        defs[int(c)].DataType = type;
        defs[int(c)].TypeGuessed = guessed;
        for (auto &row : rows)
            row[c] = convert(row[c], type, defs[int(c)].Name);
    }
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
    QList<TFieldDef> defs;
    std::vector<std::vector<QVariant>> rows;
    readRows(q, nullptr, TFieldDefs(), defs, rows);
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
    QList<TFieldDef> defs;
    std::vector<std::vector<QVariant>> rows;
    readRows(q, this, FieldDefs(), defs, rows);
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
