#include "AdoStatements.h"

#include "DatabaseError.h"
#include "DriverHandle.h"
#include "SqliteFunctions.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlField>

#include <libpq-fe.h>

#include <charconv>

namespace {

// The server's type numbers the connection uses.
enum : Oid {
    UnknownOid = 0, BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, TextOid = 25, OidOid = 26,
    Float4Oid = 700, Float8Oid = 701, BpcharOid = 1042, VarcharOid = 1043, DateOid = 1082, TimeOid = 1083,
    TimestampOid = 1114, TimestampTzOid = 1184, NumericOid = 1700
};

// The type a value is sent with. Texts go untyped, so that the server takes them as it takes a quoted literal,
// by where they stand; a null is typed by its parameter's declared kind when there is one.
Oid typeOf(const BoundValue &v)
{
    switch (v.kind == BoundValue::Null ? v.declared : v.kind) {
    case BoundValue::Integer: {
        const qlonglong i = v.kind == BoundValue::Null ? 0 : v.value.toLongLong();
        return i >= std::numeric_limits<int>::min() && i <= std::numeric_limits<int>::max() ? Int4Oid : Int8Oid;
    }
    case BoundValue::Float: return NumericOid;
    case BoundValue::Date: return TimestampOid;
    case BoundValue::Bytes: return ByteaOid;
    case BoundValue::Null:
    case BoundValue::Text: return UnknownOid;
    }
    return UnknownOid;
}

// The values in the server's text form (bytes as they are, sent in binary form).
struct Encoded
{
    std::vector<QByteArray> data;
    std::vector<const char *> values;
    std::vector<int> lengths;
    std::vector<int> formats;

    explicit Encoded(const QList<BoundValue> &bound)
    {
        data.reserve(size_t(bound.size()));
        for (const BoundValue &v : bound) {
            switch (v.kind) {
            case BoundValue::Null: data.emplace_back(); break;
            case BoundValue::Integer: data.push_back(QByteArray::number(v.value.toLongLong())); break;
            case BoundValue::Float: {
                // The shortest text that reads back as the same double, as a numeric literal would be written.
                char text[32];
                const auto written = std::to_chars(text, text + sizeof text, v.value.toDouble());
                data.emplace_back(text, written.ptr - text);
                break;
            }
            case BoundValue::Text:
            case BoundValue::Date: data.push_back(v.value.toString().toUtf8()); break;
            case BoundValue::Bytes: data.push_back(v.value.toByteArray()); break;
            }
            values.push_back(v.kind == BoundValue::Null ? nullptr : data.back().constData());
            lengths.push_back(int(data.back().size()));
            formats.push_back(v.kind == BoundValue::Bytes ? 1 : 0);
        }
    }
};

QMetaType metaTypeOf(Oid type)
{
    switch (type) {
    case BoolOid: return QMetaType(QMetaType::Bool);
    case Int8Oid: return QMetaType(QMetaType::LongLong);
    case Int2Oid:
    case Int4Oid:
    case OidOid: return QMetaType(QMetaType::Int);
    case Float4Oid:
    case Float8Oid:
    case NumericOid: return QMetaType(QMetaType::Double);
    case DateOid: return QMetaType(QMetaType::QDate);
    case TimeOid: return QMetaType(QMetaType::QTime);
    case TimestampOid:
    case TimestampTzOid: return QMetaType(QMetaType::QDateTime);
    case ByteaOid: return QMetaType(QMetaType::QByteArray);
    default: return QMetaType(QMetaType::QString);
    }
}

template <class T> T number(const char *text, int length)
{
    T value{};
    std::from_chars(text, text + length, value);
    return value;
}

// A timestamp is a calendar value here: read as it stands, in UTC terms, with no time-zone work.
QVariant dateTimeValue(const char *text, int length, Oid type)
{
    const QString t = QString::fromLatin1(text, length);
    if (type == TimestampOid)
        if (const QDateTime fast = parseSqliteDate(t); fast.isValid())
            return fast;
    QDateTime parsed = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (type == TimestampOid)
        parsed.setTimeSpec(Qt::UTC);
    return parsed.toUTC();
}

QVariant value(const char *text, int length, Oid type)
{
    switch (type) {
    case BoolOid: return text[0] == 't';
    case Int8Oid: return number<qlonglong>(text, length);
    case Int2Oid:
    case Int4Oid:
    case OidOid: return number<int>(text, length);
    case Float4Oid:
    case Float8Oid:
    case NumericOid: return number<double>(text, length);
    case DateOid: return parseSqliteDate(QString::fromLatin1(text, length)).date();
    case TimeOid: return QTime::fromString(QString::fromLatin1(text, length), Qt::ISODateWithMs);
    case TimestampOid:
    case TimestampTzOid: return dateTimeValue(text, length, type);
    case ByteaOid: {
        size_t size = 0;
        unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
        QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(size));
        PQfreemem(bytes);
        return out;
    }
    default: return QString::fromUtf8(text, length);
    }
}

struct ResultGuard
{
    PGresult *r;
    ~ResultGuard() { PQclear(r); }
};

QString sqlState(const PGresult *r)
{
    return QString::fromLatin1(PQresultErrorField(r, PG_DIAG_SQLSTATE));
}

QString errorText(const PGresult *r, PGconn *conn)
{
    const QString text = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn)).trimmed();
    return text.isEmpty() ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : text;
}

bool succeeded(const PGresult *r)
{
    const ExecStatusType s = PQresultStatus(r);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
}

QAtomicInt statementCounter;

class PostgresStatements : public StatementCache
{
public:
    PostgresStatements(const QSqlDriver *driver, int &prepareCount, PGconn *conn)
        : StatementCache(driver, prepareCount, u'$')
        , m_conn(conn)
    {
    }

protected:
    // One text prepared once for each list of value types it has been run with.
    struct PgPrepared : Prepared
    {
        struct Variant
        {
            std::vector<Oid> requested;
            QByteArray name;
        };
        std::vector<Variant> variants;
    };

    RowsResult *execute(const Text &text, std::unique_ptr<Prepared> &prepared, bool keep,
                        const QList<BoundValue> &values) override
    {
        std::vector<Oid> types;
        types.reserve(size_t(values.size()));
        for (const BoundValue &v : values)
            types.push_back(typeOf(v));
        const Encoded encoded(values);
        const int n = int(values.size());
        if (!m_unused.isEmpty())
            deallocate({});

        if (!keep) {
            ++m_prepareCount;
            const QByteArray sql = text.engineText.toUtf8();
            PGresult *r = n == 0 ? PQexec(m_conn, sql.constData())
                                 : PQexecParams(m_conn, sql.constData(), n, types.data(), encoded.values.data(),
                                                encoded.lengths.data(), encoded.formats.data(), 0);
            return finish(r);
        }

        if (!prepared)
            prepared = std::make_unique<PgPrepared>();
        auto &p = static_cast<PgPrepared &>(*prepared);
        auto variant = std::find_if(p.variants.begin(), p.variants.end(),
                                    [&](const PgPrepared::Variant &v) { return v.requested == types; });
        bool fresh = false;
        if (variant == p.variants.end()) {
            p.variants.push_back({types, prepare(text.engineText, types)});
            variant = std::prev(p.variants.end());
            fresh = true;
        }
        PGresult *r = PQexecPrepared(m_conn, variant->name.constData(), n, encoded.values.data(),
                                     encoded.lengths.data(), encoded.formats.data(), 0);
        // A statement prepared before another session changed a table it reads, or lost with the session's
        // prepared statements, is prepared again once, when no transaction would be spoilt by the failure.
        const QString state = succeeded(r) ? QString() : sqlState(r);
        if (!fresh && (state == QLatin1String("0A000") || state == QLatin1String("26000"))
            && PQtransactionStatus(m_conn) == PQTRANS_IDLE) {
            PQclear(r);
            deallocate({variant->name});
            variant->name = prepare(text.engineText, types);
            r = PQexecPrepared(m_conn, variant->name.constData(), n, encoded.values.data(), encoded.lengths.data(),
                               encoded.formats.data(), 0);
        }
        return finish(r);
    }

    void release(std::vector<std::unique_ptr<Prepared>> prepared) override
    {
        QList<QByteArray> names;
        for (const auto &p : prepared)
            for (const auto &v : static_cast<const PgPrepared &>(*p).variants)
                names << v.name;
        deallocate(names);
    }

private:
    // Prepares a text for the given value types. Where the server cannot tell a parameter's type from where
    // it stands (":P is null", CONCAT(:P, ...)), the parameter is declared as text and the text prepared again;
    // inside a transaction each attempt stands behind a savepoint, so that a refusal spoils nothing.
    QByteArray prepare(const QString &engineText, std::vector<Oid> types)
    {
        const QByteArray name = "tarvik_" + QByteArray::number(statementCounter.fetchAndAddRelaxed(1));
        const QByteArray sql = engineText.toUtf8();
        const bool guarded = PQtransactionStatus(m_conn) == PQTRANS_INTRANS;
        for (;;) {
            if (guarded)
                command("SAVEPOINT tarvik_prepare");
            ++m_prepareCount;
            ResultGuard r{PQprepare(m_conn, name.constData(), sql.constData(), int(types.size()), types.data())};
            const bool ok = succeeded(r.r);
            if (guarded)
                command(ok ? "RELEASE SAVEPOINT tarvik_prepare" : "ROLLBACK TO SAVEPOINT tarvik_prepare");
            if (ok)
                return name;
            if (sqlState(r.r) == QLatin1String("42P18")) {
                const QString message = QString::fromUtf8(PQresultErrorField(r.r, PG_DIAG_MESSAGE_PRIMARY));
                const qsizetype dollar = message.lastIndexOf(u'$');
                const int slot = dollar < 0 ? 0 : message.mid(dollar + 1).toInt();
                if (slot >= 1 && slot <= int(types.size()) && types[size_t(slot - 1)] == UnknownOid) {
                    types[size_t(slot - 1)] = TextOid;
                    continue;
                }
            }
            throw EDatabaseError(errorText(r.r, m_conn));
        }
    }

    void command(const char *sql)
    {
        ResultGuard r{PQexec(m_conn, sql)};
        if (!succeeded(r.r))
            throw EDatabaseError(errorText(r.r, m_conn));
    }

    // Prepared statements outlive transactions. They are let go between transactions only, so that a refusal
    // can never spoil one.
    void deallocate(const QList<QByteArray> &names)
    {
        m_unused << names;
        if (m_unused.isEmpty() || PQtransactionStatus(m_conn) != PQTRANS_IDLE)
            return;
        QByteArray sql;
        for (const QByteArray &name : std::as_const(m_unused))
            sql += "DEALLOCATE " + name + ";";
        m_unused.clear();
        PQclear(PQexec(m_conn, sql.constData()));
    }

    RowsResult *finish(PGresult *result)
    {
        ResultGuard guard{result};
        if (!result || !succeeded(result))
            throw EDatabaseError(errorText(result, m_conn));
        const int columns = PQnfields(result);
        const int rows = PQntuples(result);
        QSqlRecord record;
        std::vector<Oid> types;
        std::vector<QMetaType> metaTypes;
        for (int c = 0; c < columns; ++c) {
            const Oid type = PQftype(result, c);
            types.push_back(type);
            metaTypes.push_back(metaTypeOf(type));
            QSqlField field(QString::fromUtf8(PQfname(result, c)), metaTypes.back());
            const int modifier = PQfmod(result, c);
            if ((type == VarcharOid || type == BpcharOid) && modifier >= 4)
                field.setLength(modifier - 4);
            record.append(field);
        }
        ResultRows out(size_t(columns > 0 ? rows : 0));
        for (int row = 0; row < int(out.size()); ++row) {
            std::vector<QVariant> &values = out[size_t(row)];
            values.reserve(size_t(columns));
            for (int c = 0; c < columns; ++c)
                values.push_back(PQgetisnull(result, row, c)
                                     ? QVariant(metaTypes[size_t(c)])
                                     : value(PQgetvalue(result, row, c), PQgetlength(result, row, c), types[size_t(c)]));
        }
        const char *affected = PQcmdTuples(result);
        return new RowsResult(m_driver, std::move(record), std::move(out),
                              affected && *affected ? QByteArray(affected).toInt() : 0);
    }

    PGconn *m_conn;
    // Prepared statements let go of while a transaction was open.
    QList<QByteArray> m_unused;
};

} // namespace

std::unique_ptr<StatementCache> StatementCache::forPostgres(const QSqlDriver *driver, int &prepareCount)
{
    PGconn *conn = postgresHandleOf(driver->handle());
    if (!conn)
        throw EDatabaseError(QStringLiteral("The PostgreSQL driver gives no handle"));
    return std::make_unique<PostgresStatements>(driver, prepareCount, conn);
}
