#include "RowReader.h"

#include "AdoStatements.h"
#include "DatabaseError.h"
#include "DriverHandle.h"
#include "EngineTrace.h"
#include "SqliteErrors.h"
#include "SqliteFunctions.h"

#include <QDate>
#include <QHash>
#include <QSqlQuery>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <charconv>
#include <vector>

namespace {

int digits(const char *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const int d = p[i] - '0';
        if (d < 0 || d > 9)
            return -1;
        v = v * 10 + d;
    }
    return v;
}

TRowStamp stampOfDateTime(const QDateTime &dt)
{
    return dt.isValid() ? dt.date().toJulianDay() * 86400 + dt.time().msecsSinceStartOfDay() / 1000 : NullRowStamp;
}

// A parameter's value as text for the engine, or null; dates as the calendar text both engines read.
struct Bound
{
    enum Kind { Null, Integer, Float, Text } kind = Null;
    qint64 integer = 0;
    double real = 0;
    QByteArray text;
};

Bound boundOf(const TParam &p)
{
    Bound b;
    const QVariant v = p.Value();
    if (!v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty()))
        return b;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        b.kind = Bound::Integer;
        b.integer = v.toLongLong();
        b.text = QByteArray::number(b.integer);
        break;
    case QMetaType::Bool:
        b.kind = Bound::Integer;
        b.integer = v.toBool() ? 1 : 0;
        b.text = QByteArray::number(b.integer);
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        b.kind = Bound::Float;
        b.real = v.toDouble();
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, b.real);
        b.text = QByteArray(text, written.ptr - text);
        break;
    }
    case QMetaType::QDate:
        b.kind = Bound::Text;
        b.text = sqliteDateText(v.toDate()).toUtf8();
        break;
    case QMetaType::QDateTime:
        b.kind = Bound::Text;
        b.text = sqliteDateText(v.toDateTime()).toUtf8();
        break;
    default:
        b.kind = Bound::Text;
        b.text = v.toString().toUtf8();
    }
    return b;
}

// The text with its parameters numbered ("?1" or "$1"; a name used twice is one number) and the values in the
// numbers' order.
struct Numbered
{
    QByteArray text;
    std::vector<Bound> values;
};

Numbered numbered(const QString &text, const TParams &params, char marker)
{
    const SplitStatement split = splitParameters(text);
    Numbered out;
    QString sql = split.pieces.value(0);
    QHash<QString, int> numbers;
    int positional = 0;
    for (qsizetype i = 0; i < split.names.size(); ++i) {
        const QString &name = split.names.at(i);
        int slot;
        const TParam *p = nullptr;
        if (name.isEmpty()) {
            p = positional < params.Count() ? &params[positional++] : nullptr;
            slot = -1;
        } else {
            slot = numbers.value(name.toUpper(), -1);
            p = params.FindParam(name);
        }
        if (!p)
            throw EDatabaseError(name.isEmpty() ? QStringLiteral("No value for the parameter %1").arg(positional + 1)
                                                : QStringLiteral("No value for the parameter :%1").arg(name));
        if (slot < 0) {
            out.values.push_back(boundOf(*p));
            slot = int(out.values.size());
            if (!name.isEmpty())
                numbers.insert(name.toUpper(), slot);
        }
        sql += QLatin1Char(marker) + QString::number(slot) + split.pieces.at(i + 1);
    }
    out.text = sql.toUtf8();
    return out;
}

class SqliteRow : public TRowReader::Row
{
public:
    explicit SqliteRow(sqlite3_stmt *stmt)
        : m_stmt(stmt)
    {
    }
    bool isNull(int c) const override { return sqlite3_column_type(m_stmt, c) == SQLITE_NULL; }
    qint64 key(int c) const override
    {
        return sqlite3_column_type(m_stmt, c) == SQLITE_INTEGER ? sqlite3_column_int64(m_stmt, c)
                                                                 : qint64(sqlite3_column_double(m_stmt, c));
    }
    double number(int c) const override { return sqlite3_column_double(m_stmt, c); }
    TRowStamp stamp(int c) const override
    {
        if (sqlite3_column_type(m_stmt, c) != SQLITE_TEXT)
            return NullRowStamp;
        return TRowReader::ParseStamp(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, c)),
            sqlite3_column_bytes(m_stmt, c));
    }
    QVariant value(int c) const override
    {
        switch (sqlite3_column_type(m_stmt, c)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_column_double(m_stmt, c);
        case SQLITE_NULL:
            return {};
        default:
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, c)),
                sqlite3_column_bytes(m_stmt, c));
        }
    }

private:
    sqlite3_stmt *m_stmt;
};

// The server's text form: numbers, and timestamps as 'YYYY-MM-DD HH:MM:SS'.
class PostgresRow : public TRowReader::Row
{
public:
    PostgresRow(PGresult *r, std::vector<bool> numeric)
        : m_r(r)
        , m_numeric(std::move(numeric))
    {
    }
    int row = 0;
    bool isNull(int c) const override { return PQgetisnull(m_r, row, c); }
    qint64 key(int c) const override { return qint64(number(c)); }
    double number(int c) const override
    {
        if (PQgetisnull(m_r, row, c))
            return 0;
        const char *text = PQgetvalue(m_r, row, c);
        double v = 0;
        std::from_chars(text, text + PQgetlength(m_r, row, c), v);
        return v;
    }
    TRowStamp stamp(int c) const override
    {
        if (PQgetisnull(m_r, row, c))
            return NullRowStamp;
        return TRowReader::ParseStamp(PQgetvalue(m_r, row, c), PQgetlength(m_r, row, c));
    }
    QVariant value(int c) const override
    {
        if (PQgetisnull(m_r, row, c))
            return {};
        if (m_numeric[size_t(c)])
            return number(c);
        return QString::fromUtf8(PQgetvalue(m_r, row, c), PQgetlength(m_r, row, c));
    }

private:
    PGresult *m_r;
    std::vector<bool> m_numeric;
};

class QueryRow : public TRowReader::Row
{
public:
    explicit QueryRow(QSqlQuery &q)
        : m_q(q)
    {
    }
    bool isNull(int c) const override { return m_q.isNull(c); }
    qint64 key(int c) const override { return qint64(m_q.value(c).toDouble()); }
    double number(int c) const override { return m_q.value(c).toDouble(); }
    TRowStamp stamp(int c) const override
    {
        const QVariant v = m_q.value(c);
        if (!v.isValid() || v.isNull())
            return NullRowStamp;
        if (v.typeId() == QMetaType::QDate)
            return v.toDate().toJulianDay() * 86400;
        if (v.typeId() == QMetaType::QDateTime)
            return stampOfDateTime(v.toDateTime());
        const QByteArray text = v.toString().toLatin1();
        return TRowReader::ParseStamp(text.constData(), text.size());
    }
    QVariant value(int c) const override
    {
        const QVariant v = m_q.value(c);
        return v.isNull() ? QVariant() : v;
    }

private:
    QSqlQuery &m_q;
};

bool isNumericType(Oid type)
{
    // int8, int2, int4, oid, float4, float8, numeric
    return type == 20 || type == 21 || type == 23 || type == 26 || type == 700 || type == 701 || type == 1700;
}

} // namespace

struct TRowReader::Engine
{
    sqlite3 *sqlite = nullptr;
    PGconn *pg = nullptr;
    // Each text is prepared once for the reader's life.
    QHash<QString, sqlite3_stmt *> prepared;
};

TRowReader::TRowReader(TADOConnection &connection)
    : m_connection(connection)
    , m_engine(std::make_unique<Engine>())
{
    const QVariant handle
        = connection.Provider() == TADOConnection::TProvider::ODBC ? QVariant() : connection.DriverHandle();
    m_engine->sqlite = sqliteHandleOf(handle);
    if (!m_engine->sqlite)
        m_engine->pg = postgresHandleOf(handle);
}

TRowReader::~TRowReader()
{
    for (sqlite3_stmt *s : std::as_const(m_engine->prepared))
        sqlite3_finalize(s);
}

void TRowReader::run(const QString &text, const TParams &params, const std::function<void(const Row &)> &onRow)
{
    if (!m_engine->sqlite && !m_engine->pg) {
        QSqlQuery q = m_connection.OpenQuery(text, params, TExecuteSource::Command);
        const QueryRow row(q);
        while (q.next())
            onRow(row);
        return;
    }
    TraceScope trace(m_connection, text, &params);
    QString error;
    try {
        if (m_engine->sqlite) {
            sqlite3 *db = m_engine->sqlite;
            sqlite3_stmt *&stmt = m_engine->prepared[text];
            const Numbered n = numbered(text, params, '?');
            if (!stmt && sqlite3_prepare_v3(db, n.text.constData(), int(n.text.size()), SQLITE_PREPARE_PERSISTENT,
                             &stmt, nullptr)
                    != SQLITE_OK) {
                const QString message = sqliteErrorText(db);
                sqlite3_finalize(stmt);
                stmt = nullptr;
                m_engine->prepared.remove(text);
                throw EDatabaseError(message);
            }
            for (int i = 0; i < int(n.values.size()); ++i) {
                const Bound &b = n.values[size_t(i)];
                switch (b.kind) {
                case Bound::Null:
                    sqlite3_bind_null(stmt, i + 1);
                    break;
                case Bound::Integer:
                    sqlite3_bind_int64(stmt, i + 1, b.integer);
                    break;
                case Bound::Float:
                    sqlite3_bind_double(stmt, i + 1, b.real);
                    break;
                case Bound::Text:
                    sqlite3_bind_text(stmt, i + 1, b.text.constData(), int(b.text.size()), SQLITE_TRANSIENT);
                    break;
                }
            }
            const SqliteRow row(stmt);
            int rc;
            try {
                while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
                    onRow(row);
            } catch (...) {
                sqlite3_reset(stmt);
                throw;
            }
            if (rc != SQLITE_DONE) {
                const QString message = sqliteErrorText(db);
                sqlite3_reset(stmt);
                throw EDatabaseError(message);
            }
            sqlite3_reset(stmt);
        } else {
            const Numbered n = numbered(text, params, '$');
            std::vector<const char *> values;
            for (const Bound &b : n.values)
                values.push_back(b.kind == Bound::Null ? nullptr : b.text.constData());
            PGresult *r = PQexecParams(m_engine->pg, n.text.constData(), int(values.size()), nullptr, values.data(),
                nullptr, nullptr, 0);
            struct Guard
            {
                PGresult *r;
                ~Guard() { PQclear(r); }
            } guard{r};
            if (PQresultStatus(r) != PGRES_TUPLES_OK) {
                const QString message = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(m_engine->pg));
                throw EDatabaseError(message.trimmed());
            }
            std::vector<bool> numeric;
            for (int c = 0; c < PQnfields(r); ++c)
                numeric.push_back(isNumericType(PQftype(r, c)));
            PostgresRow row(r, std::move(numeric));
            const int rows = PQntuples(r);
            for (; row.row < rows; ++row.row)
                onRow(row);
        }
    } catch (const EDatabaseError &e) {
        error = e.message();
    }
    trace.done(error);
}

TRowStamp TRowReader::ParseStamp(const char *c, qsizetype length)
{
    if (length < 10 || c[4] != '-' || c[7] != '-')
        return NullRowStamp;
    const int y = digits(c, 4), m = digits(c + 5, 2), d = digits(c + 8, 2);
    const QDate date(y, m, d);
    if (y < 0 || m < 0 || d < 0 || !date.isValid())
        return NullRowStamp;
    const TRowStamp day = date.toJulianDay() * 86400;
    if (length == 10)
        return day;
    if (length < 19 || (c[10] != ' ' && c[10] != 'T') || c[13] != ':' || c[16] != ':')
        return NullRowStamp;
    const int h = digits(c + 11, 2), mi = digits(c + 14, 2), s = digits(c + 17, 2);
    if (h < 0 || mi < 0 || s < 0)
        return NullRowStamp;
    return day + h * 3600 + mi * 60 + s;
}
