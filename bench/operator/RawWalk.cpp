#include "RawWalk.h"

#include "AdoStatements.h"
#include "DatabaseError.h"
#include "Formats.h"

#include <QDateTime>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdlib>
#include <memory>

StatementRecorder::StatementRecorder(TADOConnection &connection)
    : m_connection(connection)
    , m_previous(connection.OnWillExecute)
{
    connection.OnWillExecute = [this](TADOConnection &c, const TExecuteInfo &info) {
        if (m_previous)
            m_previous(c, info);
        const QString head = info.CommandText.trimmed().left(6).toLower();
        if (head != QLatin1String("select") && head != QLatin1String("with ") && head != QLatin1String("with"))
            return;
        RecordedStatement s;
        s.text = info.CommandText;
        if (info.Parameters)
            for (const TParam &p : *info.Parameters)
                s.params.append({p.Name(), p.Value()});
        m_statements.append(s);
    };
}

StatementRecorder::~StatementRecorder()
{
    m_connection.OnWillExecute = m_previous;
}

namespace {

// The value of each marker of the text, by name, or in turn for "?".
QList<QVariant> slotValues(const SplitStatement &split, const RecordedStatement &s)
{
    QList<QVariant> values;
    int positional = 0;
    for (const QString &name : split.names) {
        if (name.isEmpty()) {
            values << (positional < s.params.size() ? s.params[positional++].second : QVariant());
            continue;
        }
        QVariant v;
        for (const auto &p : s.params)
            if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
                v = p.second;
                break;
            }
        values << v;
    }
    return values;
}

QString dateText(const QVariant &v)
{
    const QDateTime t = v.typeId() == QMetaType::QDate ? QDateTime(v.toDate(), QTime(0, 0)) : v.toDateTime();
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

bool isDate(const QVariant &v)
{
    return v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime;
}

RawRows walkSqlite(sqlite3 *db, const SplitStatement &split, const QList<QVariant> &values)
{
    QString text = split.pieces.first();
    for (int i = 0; i < split.names.size(); ++i)
        text += QLatin1Char('?') + split.pieces.at(i + 1);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare16_v2(db, text.utf16(), int(text.size() * sizeof(QChar)), &stmt, nullptr) != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> owner(stmt, sqlite3_finalize);
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values[i];
        if (!v.isValid() || v.isNull()) {
            sqlite3_bind_null(stmt, i + 1);
        } else if (isDate(v)) {
            const QByteArray b = dateText(v).toUtf8();
            sqlite3_bind_text(stmt, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        } else if (v.typeId() == QMetaType::Double) {
            sqlite3_bind_double(stmt, i + 1, v.toDouble());
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Bool) {
            sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
        } else {
            const QByteArray b = v.toString().toUtf8();
            sqlite3_bind_text(stmt, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
    }
    RawRows rows;
    const int n = sqlite3_column_count(stmt);
    for (int c = 0; c < n; ++c)
        rows.columns << QString::fromUtf8(sqlite3_column_name(stmt, c));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                rows.cells.emplace_back(qlonglong(sqlite3_column_int64(stmt, c)));
                rows.ownBytes += 8;
                break;
            case SQLITE_FLOAT:
                rows.cells.emplace_back(sqlite3_column_double(stmt, c));
                rows.ownBytes += 8;
                break;
            case SQLITE_NULL:
                rows.cells.emplace_back();
                break;
            default: {
                const int bytes = sqlite3_column_bytes(stmt, c);
                rows.cells.emplace_back(
                    QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)), bytes));
                rows.ownBytes += bytes;
            }
            }
        }
    }
    if (rc != SQLITE_DONE)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    return rows;
}

// libpq's text form turned into the value it stands for, by the column's type.
QVariant pgValue(Oid type, const char *text, int length)
{
    switch (type) {
    case 20: case 21: case 23: case 26:
        return qlonglong(std::strtoll(text, nullptr, 10));
    case 700: case 701: case 1700:
        return std::strtod(text, nullptr);
    case 16:
        return text[0] == 't';
    case 1082: case 1114: case 1184: {
        // "YYYY-MM-DD[ HH:MM:SS]" read by position: a parse by format would cost the yardstick more than the row.
        const auto digits = [text, length](int at, int count) {
            int n = 0;
            for (int i = at; i < at + count && i < length; ++i)
                n = n * 10 + (text[i] - '0');
            return n;
        };
        const QTime time = length >= 19 ? QTime(digits(11, 2), digits(14, 2), digits(17, 2)) : QTime(0, 0);
        return QDateTime(QDate(digits(0, 4), digits(5, 2), digits(8, 2)), time);
    }
    default:
        return QString::fromUtf8(text, length);
    }
}

RawRows walkPostgres(PGconn *conn, const SplitStatement &split, const QList<QVariant> &values)
{
    QString text = split.pieces.first();
    for (int i = 0; i < split.names.size(); ++i)
        text += QLatin1Char('$') + QString::number(i + 1) + split.pieces.at(i + 1);
    std::vector<QByteArray> texts;
    std::vector<const char *> pointers;
    std::vector<Oid> types;
    texts.reserve(size_t(values.size()));
    for (const QVariant &v : values) {
        if (!v.isValid() || v.isNull()) {
            texts.emplace_back();
            pointers.push_back(nullptr);
            types.push_back(0);
            continue;
        }
        if (isDate(v)) {
            texts.push_back(dateText(v).toUtf8());
            types.push_back(1114);
        } else if (v.typeId() == QMetaType::Double) {
            // As numeric, the type of the program's own number columns: a float8 value would have the server
            // compare every key as float8 and walk the table past the index the window's statement uses.
            texts.push_back(QByteArray::number(v.toDouble(), 'g', 17));
            types.push_back(1700);
        } else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong) {
            texts.push_back(QByteArray::number(v.toLongLong()));
            types.push_back(20);
        } else {
            texts.push_back(v.toString().toUtf8());
            types.push_back(0);
        }
        pointers.push_back(texts.back().constData());
    }
    const QByteArray sql = text.toUtf8();
    PGresult *res = PQexecParams(conn, sql.constData(), int(values.size()), types.data(), pointers.data(), nullptr,
                                 nullptr, 0);
    const std::unique_ptr<PGresult, void (*)(PGresult *)> owner(res, PQclear);
    if (PQresultStatus(res) != PGRES_TUPLES_OK)
        throw EDatabaseError(QString::fromUtf8(PQresultErrorMessage(res)));
    RawRows rows;
    const int n = PQnfields(res);
    std::vector<Oid> columnTypes;
    for (int c = 0; c < n; ++c) {
        rows.columns << QString::fromUtf8(PQfname(res, c));
        columnTypes.push_back(PQftype(res, c));
    }
    const int count = PQntuples(res);
    rows.cells.reserve(size_t(count) * size_t(n));
    for (int r = 0; r < count; ++r)
        for (int c = 0; c < n; ++c) {
            if (PQgetisnull(res, r, c)) {
                rows.cells.emplace_back();
                continue;
            }
            const int length = PQgetlength(res, r, c);
            QVariant v = pgValue(columnTypes[size_t(c)], PQgetvalue(res, r, c), length);
            rows.ownBytes += v.typeId() == QMetaType::QString ? length : 8;
            rows.cells.push_back(std::move(v));
        }
    return rows;
}

} // namespace

RawRows WalkRaw(TADOConnection &connection, const RecordedStatement &statement)
{
    const SplitStatement split = splitParameters(statement.text);
    const QList<QVariant> values = slotValues(split, statement);
    const QVariant handle = connection.DriverHandle();
    if (connection.Provider() == TADOConnection::TProvider::SQLite)
        return walkSqlite(*static_cast<sqlite3 *const *>(handle.data()), split, values);
    return walkPostgres(*static_cast<PGconn *const *>(handle.data()), split, values);
}

qint64 WalkAndFormat(TADOConnection &connection, const QList<RecordedStatement> &statements, qint64 *textBytes)
{
    qint64 rowsRead = 0, bytes = 0;
    for (const RecordedStatement &s : statements) {
        const RawRows rows = WalkRaw(connection, s);
        rowsRead += rows.rowCount();
        for (const QVariant &v : rows.cells) {
            QString text;
            switch (v.typeId()) {
            case QMetaType::Double: text = FormatFloat(QStringLiteral("0.00"), v.toDouble()); break;
            case QMetaType::LongLong: text = QString::number(v.toLongLong()); break;
            case QMetaType::QDateTime: text = DateToStr(DateTimeToDayCount(v.toDateTime())); break;
            default: text = v.toString();
            }
            bytes += text.size();
        }
    }
    if (textBytes)
        *textBytes = bytes;
    return rowsRead;
}
