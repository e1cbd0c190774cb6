// Figures of the connection's statements: N executions (default 100,000; the first argument) of a one-row select
// and of a 40-row insert through TADOConnection, each beside the same statement in a loop of the engine's own
// calls (sqlite3 or libpq, prepared once, on the same connection) in the same run, on SQLite and on PostgreSQL
// (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server, as scripts/pg-peer sets them). Every loop starts on the
// same table, made anew before it. Target: within 1.5 times the engine's loop. Last, a list of 100,000 rows opened
// into a dataset beside the engine's loop reading the same rows into vectors of values.
#include "AdoConnection.h"
#include "AdoDataSet.h"
#include "DatabaseError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int Rows = 1000;     // rows the select reads from
constexpr int InsertRows = 40; // rows one insert writes
constexpr int Chunk = 1000;    // executions per transaction

double seconds(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e9;
}

void report(const char *engine, const char *what, const char *raw, int count, double ours, double bare)
{
    std::printf("%-10s %-16s x%d: TADOConnection %.3f s, %s loop %.3f s, ratio %.2f (target 1.5)\n", engine, what,
                count, ours, raw, bare, bare > 0 ? ours / bare : 0.0);
    std::fflush(stdout);
}

[[noreturn]] void fail(const std::string &why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::fflush(stdout);
    std::exit(2);
}

QString insertText(QChar marker)
{
    QStringList tuples;
    for (int r = 0; r < InsertRows; ++r) {
        const QString n = QString::number(r);
        tuples << (marker == u'?' ? QStringLiteral("(?, ?, ?)")
                                  : marker == u'$' ? QStringLiteral("($%1, $%2, $%3)").arg(3 * r + 1).arg(3 * r + 2).arg(3 * r + 3)
                                                   : QStringLiteral("(:ID%1, :NAME%1, :AMOUNT%1)").arg(n));
    }
    return QStringLiteral("insert into ZOLT.BENCH (ID, NAME, AMOUNT) values ") + tuples.join(QStringLiteral(", "));
}

QString nameOf(int i)
{
    return QStringLiteral("Абонент %1").arg(i);
}

// The table as every loop finds it: made anew, its rows written and indexed, its statistics taken.
void freshTable(TADOConnection &ours)
{
    ours.Execute(QStringLiteral("drop table if exists ZOLT.BENCH"));
    ours.Execute(QStringLiteral("create table ZOLT.BENCH (ID integer, NAME varchar(40), AMOUNT numeric(16,2))"));
    ours.BeginTrans();
    for (int i = 1; i <= Rows; ++i)
        ours.Execute(QStringLiteral("insert into ZOLT.BENCH (ID, NAME, AMOUNT) values (:ID, :NAME, :AMOUNT)"),
                     ParamsOf({{QStringLiteral("ID"), i}, {QStringLiteral("NAME"), nameOf(i)},
                               {QStringLiteral("AMOUNT"), i * 1.25}}));
    ours.CommitTrans();
    ours.Execute(ours.SqlDialect()->createIndex(QStringLiteral("BENCH_ID"), QStringLiteral("BENCH"), QStringLiteral("ID")));
    ours.Execute(QStringLiteral("analyze ZOLT.BENCH"));
}

// The engine's own loops, on the connection's handle.
struct Raw
{
    virtual ~Raw() = default;
    virtual const char *name() const = 0;
    // Sums the amount and the name's length of the row of each id in turn.
    virtual double select(int count) = 0;
    virtual void insert(int count) = 0;
    // Reads every row of the list into values of the types a dataset keeps (int, text, text, double).
    virtual std::vector<std::vector<QVariant>> list() = 0;
};

struct RawSqlite : Raw
{
    sqlite3 *db;
    explicit RawSqlite(sqlite3 *handle) : db(handle) {}
    const char *name() const override { return "sqlite3"; }

    sqlite3_stmt *prepare(const QString &text)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, text.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            fail(sqlite3_errmsg(db));
        return stmt;
    }
    void exec(const char *sql)
    {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sqlite3_errmsg(db));
    }

    double select(int count) override
    {
        double check = 0;
        sqlite3_stmt *stmt = prepare(QStringLiteral("select NAME, AMOUNT from ZOLT.BENCH where ID = ?"));
        for (int i = 0; i < count; ++i) {
            sqlite3_bind_int64(stmt, 1, i % Rows + 1);
            if (sqlite3_step(stmt) == SQLITE_ROW) {
                const QString name = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)),
                                                       sqlite3_column_bytes(stmt, 0));
                check += sqlite3_column_double(stmt, 1) + name.size();
            }
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
        return check;
    }

    void insert(int count) override
    {
        sqlite3_stmt *stmt = prepare(insertText(u'?'));
        for (int i = 0; i < count; ++i) {
            if (i % Chunk == 0)
                exec("begin");
            std::vector<QString> names;
            names.reserve(InsertRows);
            for (int r = 0; r < InsertRows; ++r) {
                names.push_back(nameOf(r));
                sqlite3_bind_int64(stmt, 3 * r + 1, Rows + r);
                sqlite3_bind_text16(stmt, 3 * r + 2, names.back().utf16(), int(names.back().size() * 2), SQLITE_STATIC);
                sqlite3_bind_double(stmt, 3 * r + 3, r * 0.5);
            }
            if (sqlite3_step(stmt) != SQLITE_DONE)
                fail(sqlite3_errmsg(db));
            sqlite3_reset(stmt);
            if (i % Chunk == Chunk - 1 || i == count - 1)
                exec("commit");
        }
        sqlite3_finalize(stmt);
    }

    std::vector<std::vector<QVariant>> list() override
    {
        std::vector<std::vector<QVariant>> rows;
        sqlite3_stmt *stmt = prepare(QStringLiteral("select ID, NAME, ADDR, AMOUNT from ZOLT.BENCHLIST"));
        const auto text = [&](int c) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)),
                                     sqlite3_column_bytes(stmt, c));
        };
        while (sqlite3_step(stmt) == SQLITE_ROW)
            rows.push_back({sqlite3_column_int(stmt, 0), text(1), text(2), sqlite3_column_double(stmt, 3)});
        sqlite3_finalize(stmt);
        return rows;
    }
};

struct RawPostgres : Raw
{
    PGconn *conn;
    explicit RawPostgres(PGconn *handle) : conn(handle) {}
    const char *name() const override { return "libpq"; }

    void check(PGresult *r)
    {
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(r);
            PQclear(r);
            fail(why);
        }
    }
    void exec(const char *sql)
    {
        PGresult *r = PQexec(conn, sql);
        check(r);
        PQclear(r);
    }
    void prepare(const char *name, const QString &text)
    {
        PGresult *r = PQprepare(conn, name, text.toUtf8().constData(), 0, nullptr);
        check(r);
        PQclear(r);
    }

    double select(int count) override
    {
        double sum = 0;
        prepare("raw_select", QStringLiteral("select NAME, AMOUNT from ZOLT.BENCH where ID = $1"));
        for (int i = 0; i < count; ++i) {
            const QByteArray id = QByteArray::number(i % Rows + 1);
            const char *values[] = {id.constData()};
            PGresult *r = PQexecPrepared(conn, "raw_select", 1, values, nullptr, nullptr, 0);
            check(r);
            if (PQntuples(r) > 0) {
                const QString name = QString::fromUtf8(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0));
                sum += std::strtod(PQgetvalue(r, 0, 1), nullptr) + name.size();
            }
            PQclear(r);
        }
        return sum;
    }

    void insert(int count) override
    {
        prepare("raw_insert", insertText(u'$'));
        std::vector<QByteArray> data(3 * InsertRows);
        std::vector<const char *> values(3 * InsertRows);
        for (int i = 0; i < count; ++i) {
            if (i % Chunk == 0)
                exec("begin");
            for (int r = 0; r < InsertRows; ++r) {
                data[3 * r] = QByteArray::number(Rows + r);
                data[3 * r + 1] = nameOf(r).toUtf8();
                data[3 * r + 2] = QByteArray::number(r * 0.5, 'g', 17);
            }
            for (size_t v = 0; v < data.size(); ++v)
                values[v] = data[v].constData();
            PGresult *r = PQexecPrepared(conn, "raw_insert", int(values.size()), values.data(), nullptr, nullptr, 0);
            check(r);
            PQclear(r);
            if (i % Chunk == Chunk - 1 || i == count - 1)
                exec("commit");
        }
    }

    std::vector<std::vector<QVariant>> list() override
    {
        std::vector<std::vector<QVariant>> rows;
        PGresult *r = PQexec(conn, "select ID, NAME, ADDR, AMOUNT from ZOLT.BENCHLIST");
        check(r);
        const auto text = [&](int row, int c) { return QString::fromUtf8(PQgetvalue(r, row, c), PQgetlength(r, row, c)); };
        rows.reserve(size_t(PQntuples(r)));
        for (int row = 0; row < PQntuples(r); ++row)
            rows.push_back({std::atoi(PQgetvalue(r, row, 0)), text(row, 1), text(row, 2),
                            std::strtod(PQgetvalue(r, row, 3), nullptr)});
        PQclear(r);
        return rows;
    }
};

constexpr int ListRows = 100000;

void listFigure(const char *engine, TADOConnection &ours, Raw &raw)
{
    ours.Execute(QStringLiteral("drop table if exists ZOLT.BENCHLIST"));
    ours.Execute(QStringLiteral("create table ZOLT.BENCHLIST (ID integer, NAME varchar(40), ADDR varchar(60), "
                                "AMOUNT numeric(16,2))"));
    ours.BeginTrans();
    for (int i = 1; i <= ListRows; ++i)
        ours.Execute(QStringLiteral("insert into ZOLT.BENCHLIST (ID, NAME, ADDR, AMOUNT) values (:ID, :NAME, :ADDR, :AMOUNT)"),
                     ParamsOf({{QStringLiteral("ID"), i}, {QStringLiteral("NAME"), nameOf(i)},
                               {QStringLiteral("ADDR"), QStringLiteral("ул. Ленина, дом %1, кв. %2").arg(i % 500).arg(i % 97)},
                               {QStringLiteral("AMOUNT"), (i % 1000) * 0.25}}));
    ours.CommitTrans();
    // The best of three each, alternating, so that neither pays alone for the pages coming into memory.
    double oursBest = 0, rawBest = 0;
    int oursRows = 0, rawRows = 0;
    for (int round = 0; round < 3; ++round) {
        TADODataSet ds;
        ds.SetConnection(&ours);
        ds.SetCommandText(QStringLiteral("select ID, NAME, ADDR, AMOUNT from ZOLT.BENCHLIST"));
        const double o = seconds([&] { ds.Open(); });
        oursRows = ds.RecordCount();
        ds.Close();
        std::vector<std::vector<QVariant>> rows;
        const double r = seconds([&] { rows = raw.list(); });
        rawRows = int(rows.size());
        oursBest = round == 0 ? o : std::min(oursBest, o);
        rawBest = round == 0 ? r : std::min(rawBest, r);
    }
    if (oursRows != rawRows)
        std::printf("the two reads found different rows (%d, %d)\n", oursRows, rawRows);
    report(engine, "list open", raw.name(), ListRows, oursBest, rawBest);
}

// One engine: `ours` is open on the database, `raw` works on its handle.
void run(const char *engine, TADOConnection &ours, Raw &raw, int count)
{
    freshTable(ours);
    double checkOurs = 0;
    const double selectOurs = seconds([&] {
        TParams params = ParamsOf({{QStringLiteral("ID"), 0}});
        for (int i = 0; i < count; ++i) {
            params[0].SetValue(i % Rows + 1);
            QSqlQuery q = ours.OpenQuery(QStringLiteral("select NAME, AMOUNT from ZOLT.BENCH where ID = :ID"), params);
            if (q.next())
                checkOurs += q.value(1).toDouble() + q.value(0).toString().size();
        }
    });
    freshTable(ours);
    double checkRaw = 0;
    const double selectRaw = seconds([&] { checkRaw = raw.select(count); });
    if (checkOurs != checkRaw)
        std::printf("the two selects read different rows (%.2f, %.2f)\n", checkOurs, checkRaw);
    report(engine, "one-row select", raw.name(), count, selectOurs, selectRaw);

    freshTable(ours);
    const QString ourInsert = insertText(u':');
    const double insertOurs = seconds([&] {
        TParams params;
        for (int r = 0; r < InsertRows; ++r) {
            params.CreateParam(ftInteger, QStringLiteral("ID%1").arg(r));
            params.CreateParam(ftString, QStringLiteral("NAME%1").arg(r));
            params.CreateParam(ftFloat, QStringLiteral("AMOUNT%1").arg(r));
        }
        for (int i = 0; i < count; ++i) {
            if (i % Chunk == 0)
                ours.BeginTrans();
            for (int r = 0; r < InsertRows; ++r) {
                params[3 * r].SetValue(Rows + r);
                params[3 * r + 1].SetValue(nameOf(r));
                params[3 * r + 2].SetValue(r * 0.5);
            }
            ours.Execute(ourInsert, params);
            if (i % Chunk == Chunk - 1 || i == count - 1)
                ours.CommitTrans();
        }
    });
    const QString total = QStringLiteral("select count(*) from ZOLT.BENCH");
    const QString afterOurs = ours.SelectValue(total).toString();
    freshTable(ours);
    const double insertRaw = seconds([&] { raw.insert(count); });
    const QString afterRaw = ours.SelectValue(total).toString();
    if (afterOurs != afterRaw)
        std::printf("the two inserts left different tables (%s rows, %s rows)\n", qPrintable(afterOurs),
                    qPrintable(afterRaw));
    report(engine, "40-row insert", raw.name(), count, insertOurs, insertRaw);
    std::printf("%-10s statements prepared through TADOConnection: %d\n", engine, ours.PreparedStatementCount());
    listFigure(engine, ours, raw);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    try {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bench.db"));
        {
            TADOConnection ours;
            ours.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(file));
            ours.SetCreateIfMissing(true);
            ours.Open();
            RawSqlite raw(*static_cast<sqlite3 *const *>(ours.DriverHandle().data()));
            run("SQLite", ours, raw, count);
        }

        const QString host = qEnvironmentVariable("TARVIK_PG_HOST");
        const QString port = qEnvironmentVariable("TARVIK_PG_PORT");
        if (host.isEmpty() || port.isEmpty()) {
            std::printf("PostgreSQL: no server (TARVIK_PG_HOST/TARVIK_PG_PORT)\n");
            return 0;
        }
        const QString user = qEnvironmentVariable("TARVIK_PG_USER", QStringLiteral("postgres"));
        const QString name = QStringLiteral("tarvik_bench_statements_%1").arg(QCoreApplication::applicationPid());
        TADOConnection admin;
        admin.SetConnectionString(
            QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=postgres;User ID=%3").arg(host, port, user));
        admin.Open();
        admin.Execute(QStringLiteral("create database ") + name);
        {
            TADOConnection ours;
            ours.SetConnectionString(QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;User ID=%4")
                                         .arg(host, port, name, user));
            ours.Open();
            for (const QString &statement : ours.SqlDialect()->createSchemaStatements())
                ours.Execute(statement);
            RawPostgres raw(*static_cast<PGconn *const *>(ours.DriverHandle().data()));
            run("PostgreSQL", ours, raw, count);
        }
        admin.Execute(QStringLiteral("drop database ") + name);
    } catch (const EDatabaseError &e) {
        std::printf("failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
