// Figures of the connection's statements: N executions (default 100,000; the first argument) of a one-row select
// and of a 40-row insert through TADOConnection, each beside the same statement through a bare prepared
// QSqlQuery in the same run, on SQLite and on PostgreSQL (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server, as
// scripts/pg-peer sets them).
#include "AdoConnection.h"
#include "DatabaseError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>

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

void report(const char *engine, const char *what, int count, double ours, double bare)
{
    std::printf("%-10s %-16s x%d: TADOConnection %.2f s, bare QSqlQuery %.2f s, ratio %.2f\n", engine, what, count,
                ours, bare, bare > 0 ? ours / bare : 0.0);
    std::fflush(stdout);
}

QString insertText(QChar marker)
{
    QStringList tuples;
    for (int r = 0; r < InsertRows; ++r) {
        const QString n = QString::number(r);
        tuples << (marker == u'?' ? QStringLiteral("(?, ?, ?)")
                                  : QStringLiteral("(:ID%1, :NAME%1, :AMOUNT%1)").arg(n));
    }
    return QStringLiteral("insert into %1 (ID, NAME, AMOUNT) values ") + tuples.join(QStringLiteral(", "));
}

// One engine: `ours` is open on the database, `bare` a plain QtSql connection to the same one; `table` is how
// the bare connection names the table.
void run(const char *engine, TADOConnection &ours, QSqlDatabase bare, const QString &table, int count)
{
    ours.Execute(QStringLiteral("create table ZOLT.BENCH (ID integer, NAME varchar(40), AMOUNT numeric(16,2))"));
    ours.BeginTrans();
    for (int i = 1; i <= Rows; ++i)
        ours.Execute(QStringLiteral("insert into ZOLT.BENCH (ID, NAME, AMOUNT) values (:ID, :NAME, :AMOUNT)"),
                     ParamsOf({{QStringLiteral("ID"), i}, {QStringLiteral("NAME"), QStringLiteral("Абонент %1").arg(i)},
                               {QStringLiteral("AMOUNT"), i * 1.25}}));
    ours.CommitTrans();
    ours.Execute(ours.SqlDialect()->createIndex(QStringLiteral("BENCH_ID"), QStringLiteral("BENCH"), QStringLiteral("ID")));

    double checkOurs = 0, checkBare = 0;
    const double selectOurs = seconds([&] {
        TParams params = ParamsOf({{QStringLiteral("ID"), 0}});
        for (int i = 0; i < count; ++i) {
            params[0].SetValue(i % Rows + 1);
            QSqlQuery q = ours.OpenQuery(QStringLiteral("select NAME, AMOUNT from ZOLT.BENCH where ID = :ID"), params);
            if (q.next())
                checkOurs += q.value(1).toDouble() + q.value(0).toString().size();
        }
    });
    const double selectBare = seconds([&] {
        QSqlQuery q(bare);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("select NAME, AMOUNT from %1 where ID = ?").arg(table));
        for (int i = 0; i < count; ++i) {
            q.bindValue(0, i % Rows + 1);
            if (!q.exec()) {
                std::printf("%s\n", qPrintable(q.lastError().text()));
                return;
            }
            if (q.next())
                checkBare += q.value(1).toDouble() + q.value(0).toString().size();
        }
    });
    if (checkOurs != checkBare)
        std::printf("the two selects read different rows (%.2f, %.2f)\n", checkOurs, checkBare);
    report(engine, "one-row select", count, selectOurs, selectBare);

    const QString ourInsert = insertText(u':').arg(QStringLiteral("ZOLT.BENCH"));
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
                params[3 * r + 1].SetValue(QStringLiteral("Абонент %1").arg(r));
                params[3 * r + 2].SetValue(r * 0.5);
            }
            ours.Execute(ourInsert, params);
            if (i % Chunk == Chunk - 1 || i == count - 1)
                ours.CommitTrans();
        }
    });
    ours.Execute(QStringLiteral("delete from ZOLT.BENCH where ID > :ID"), ParamsOf({{QStringLiteral("ID"), Rows}}));
    const double insertBare = seconds([&] {
        QSqlQuery q(bare);
        q.prepare(insertText(u'?').arg(table));
        for (int i = 0; i < count; ++i) {
            if (i % Chunk == 0)
                bare.transaction();
            for (int r = 0; r < InsertRows; ++r) {
                q.bindValue(3 * r, Rows + r);
                q.bindValue(3 * r + 1, QStringLiteral("Абонент %1").arg(r));
                q.bindValue(3 * r + 2, r * 0.5);
            }
            if (!q.exec()) {
                std::printf("%s\n", qPrintable(q.lastError().text()));
                return;
            }
            if (i % Chunk == Chunk - 1 || i == count - 1)
                bare.commit();
        }
    });
    report(engine, "40-row insert", count, insertOurs, insertBare);
    std::printf("%-10s statements prepared through TADOConnection: %d\n", engine, ours.PreparedStatementCount());
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
            {
                QSqlDatabase bare = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench_bare"));
                bare.setDatabaseName(file);
                bare.open();
                QSqlQuery(bare).exec(QStringLiteral("PRAGMA busy_timeout=10000"));
                run("SQLite", ours, bare, QStringLiteral("BENCH"), count);
            }
            QSqlDatabase::removeDatabase(QStringLiteral("bench_bare"));
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
            {
                QSqlDatabase bare = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench_bare"));
                bare.setHostName(host);
                bare.setPort(port.toInt());
                bare.setUserName(user);
                bare.setDatabaseName(name);
                bare.open();
                run("PostgreSQL", ours, bare, QStringLiteral("zolt.BENCH"), count);
            }
            QSqlDatabase::removeDatabase(QStringLiteral("bench_bare"));
        }
        admin.Execute(QStringLiteral("drop database ") + name);
    } catch (const EDatabaseError &e) {
        std::printf("failed: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
