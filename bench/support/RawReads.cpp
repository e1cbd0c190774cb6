#include "RawReads.h"

#include "DatabaseError.h"
#include "DriverHandle.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Something every read cell changes, so that no read can be left out.
volatile double sink = 0;

using OnRow = std::function<void(const RawRow &)>;

class SqliteRow : public RawRow
{
public:
    explicit SqliteRow(sqlite3_stmt *stmt)
        : m_stmt(stmt)
    {
    }
    std::string_view text(int column) const override
    {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return t ? std::string_view(t, size_t(sqlite3_column_bytes(m_stmt, column))) : std::string_view();
    }
    double number(int column) const override { return sqlite3_column_double(m_stmt, column); }

private:
    sqlite3_stmt *m_stmt;
};

class PostgresRow : public RawRow
{
public:
    explicit PostgresRow(PGresult *r)
        : m_r(r)
    {
    }
    std::string_view text(int column) const override
    {
        return std::string_view(PQgetvalue(m_r, row, column), size_t(PQgetlength(m_r, row, column)));
    }
    double number(int column) const override { return std::strtod(PQgetvalue(m_r, row, column), nullptr); }
    int row = 0;

private:
    PGresult *m_r;
};

qint64 walkSqlite(sqlite3 *db, const QByteArray &text, const QVariantList &values, const OnRow &onRow)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));
    std::vector<QByteArray> texts;
    texts.reserve(size_t(values.size()));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        if (v.typeId() == QMetaType::Double) {
            sqlite3_bind_double(stmt, i + 1, v.toDouble());
        } else if (v.typeId() == QMetaType::QString) {
            texts.push_back(v.toString().toUtf8());
            sqlite3_bind_text(stmt, i + 1, texts.back().constData(), int(texts.back().size()), SQLITE_STATIC);
        } else {
            sqlite3_bind_int64(stmt, i + 1, v.toLongLong());
        }
    }
    qint64 rows = 0;
    double s = 0;
    int rc;
    const int columns = sqlite3_column_count(stmt);
    const SqliteRow row(stmt);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++rows;
        if (onRow) {
            onRow(row);
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                s += double(sqlite3_column_int64(stmt, c));
                break;
            case SQLITE_FLOAT:
                s += sqlite3_column_double(stmt, c);
                break;
            case SQLITE_NULL:
                break;
            default:
                s += *sqlite3_column_text(stmt, c) + sqlite3_column_bytes(stmt, c);
            }
        }
    }
    const QString error = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(stmt);
    if (!error.isEmpty())
        throw EDatabaseError(error);
    sink = sink + s;
    return rows;
}

qint64 walkPostgres(PGconn *pg, const QString &text, const QVariantList &values, const OnRow &onRow)
{
    // Markers in order become $1, $2, ...
    QString numbered;
    int n = 0;
    for (QChar ch : text)
        numbered += ch == u'?' ? QStringLiteral("$%1").arg(++n) : QString(ch);
    std::vector<QByteArray> texts;
    std::vector<const char *> params;
    for (const QVariant &v : values)
        texts.push_back(v.typeId() == QMetaType::Double ? QByteArray::number(v.toDouble(), 'g', 17)
                                                        : v.toString().toUtf8());
    for (const QByteArray &t : texts)
        params.push_back(t.constData());
    PGresult *r = PQexecParams(pg, numbered.toUtf8().constData(), int(params.size()), nullptr, params.data(), nullptr,
                               nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
        const QString error = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        PQclear(r);
        throw EDatabaseError(error);
    }
    const int rows = PQntuples(r), columns = PQnfields(r);
    double s = 0;
    if (onRow) {
        PostgresRow row(r);
        for (; row.row < rows; ++row.row)
            onRow(row);
    }
    for (int row = 0; !onRow && row < rows; ++row)
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(r, row, c))
                continue;
            // A number is read as one, as any program that uses it would; other texts as their bytes.
            const char *cell = PQgetvalue(r, row, c);
            s += (*cell >= '0' && *cell <= '9') || *cell == '-' ? std::strtod(cell, nullptr)
                                                                 : double(PQgetlength(r, row, c));
        }
    PQclear(r);
    sink = sink + s;
    return rows;
}

} // namespace

qint64 RawWalk(TADOConnection &connection, const QString &text, const QVariantList &values)
{
    return RawWalk(connection, text, values, {});
}

qint64 RawWalk(TADOConnection &connection, const QString &text, const QVariantList &values, const OnRow &onRow)
{
    static const bool detail = qEnvironmentVariableIsSet("BENCH_RAW_DETAIL");
    QElapsedTimer t;
    t.start();
    struct Show
    {
        const QElapsedTimer &t;
        const QString &text;
        ~Show()
        {
            if (detail)
                std::printf("    %8.4f s  %s\n", t.nsecsElapsed() / 1e9, qPrintable(text.left(140)));
        }
    } show{t, text};
    const QVariant handle = connection.DriverHandle();
    if (sqlite3 *db = sqliteHandleOf(handle))
        return walkSqlite(db, text.toUtf8(), values, onRow);
    if (PGconn *pg = postgresHandleOf(handle))
        return walkPostgres(pg, text, values, onRow);
    throw EDatabaseError(QStringLiteral("No engine handle to walk statements on"));
}

QString RawDate(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd 00:00:00"));
}
