#include "BenchDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

void writeUdl(const QString &folder, const QString &initString)
{
    QFile f(QDir(folder).filePath(QStringLiteral("BENCH.udl")));
    f.open(QIODevice::WriteOnly);
    f.write(("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" + initString + "\r\n").toUtf8());
}

// A fresh PostgreSQL database owned by the schema owner's role, or an empty name when there is no server.
QString createPgDatabase(QString &initString)
{
    const QString host = qEnvironmentVariable("TARVIK_PG_HOST");
    const QString port = qEnvironmentVariable("TARVIK_PG_PORT");
    if (host.isEmpty() || port.isEmpty())
        return {};
    const QString name = QStringLiteral("tarvik_bench_%1").arg(QCoreApplication::applicationPid());
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench_admin"));
        admin.setHostName(host);
        admin.setPort(port.toInt());
        admin.setUserName(qEnvironmentVariable("TARVIK_PG_USER", QStringLiteral("postgres")));
        admin.setDatabaseName(QStringLiteral("postgres"));
        if (!admin.open()) {
            std::printf("PostgreSQL: %s\n", qPrintable(admin.lastError().text()));
            return {};
        }
        QSqlQuery q(admin);
        for (const char *role : {"ZOLT", "VMDEMO"})
            q.exec(QStringLiteral("DO $$ BEGIN CREATE ROLE \"%1\" LOGIN; EXCEPTION WHEN OTHERS THEN NULL; END $$")
                       .arg(QLatin1String(role)));
        // The staff logs on through the staff's group role, which the structure update grants the tables to.
        q.exec(QStringLiteral("DO $$ BEGIN CREATE ROLE \"%1\" NOLOGIN; EXCEPTION WHEN OTHERS THEN NULL; END $$")
                   .arg(QLatin1String(TDMR::StaffRole)));
        // Two benches granting at once collide in the server's catalogue; the loser finds it granted.
        if (!q.exec(QStringLiteral("DO $$ BEGIN GRANT \"%1\" TO \"VMDEMO\"; "
                                   "EXCEPTION WHEN unique_violation THEN NULL; END $$")
                        .arg(QLatin1String(TDMR::StaffRole)))) {
            std::printf("PostgreSQL: %s\n", qPrintable(q.lastError().text()));
            return {};
        }
        q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
        if (!q.exec(QStringLiteral("CREATE DATABASE %1 OWNER \"ZOLT\"").arg(name))) {
            std::printf("PostgreSQL: %s\n", qPrintable(q.lastError().text()));
            return {};
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench_admin"));
    initString = QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;").arg(host, port, name);
    return name;
}

void dropPgDatabase(const QString &name)
{
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench_admin"));
        admin.setHostName(qEnvironmentVariable("TARVIK_PG_HOST"));
        admin.setPort(qEnvironmentVariable("TARVIK_PG_PORT").toInt());
        admin.setUserName(qEnvironmentVariable("TARVIK_PG_USER", QStringLiteral("postgres")));
        admin.setDatabaseName(QStringLiteral("postgres"));
        if (admin.open())
            QSqlQuery(admin).exec(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench_admin"));
}

std::unique_ptr<TDMR> logOn(const QString &folder, bool postgres)
{
    auto dmr = std::make_unique<TDMR>();
    dmr->SetConnectionsFolder(folder);
    dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("BENCH"));
    if (postgres) {
        if (!dmr->Get_DatabaseConnectStatus() || !dmr->UpdateDbStructure())
            return nullptr;
        dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.APP_USER (USER_ID, LOGIN_NAME, VALID_TO) values (1, 'VMDEMO', :P_TO)"),
            {{QStringLiteral("P_TO"), at(QDate(4712, 12, 31))}});
    }
    // The bench works as the schema owner: it makes a scratch table for its yardstick and refreshes the planner's
    // statistics after loading.
    dmr->DbLogON(QString::fromLatin1(TDMR::SchemaOwner), QString::fromLatin1(TDMR::SchemaOwnerPassword),
                 QStringLiteral("BENCH"));
    return dmr->Get_DatabaseConnectStatus() ? std::move(dmr) : nullptr;
}

} // namespace

void ForEachBenchDatabase(const QString &only, const std::function<void(const char *engine, TDMR &dmr)> &work)
{
    if (!only.isEmpty() && only != QLatin1String("sqlite") && only != QLatin1String("pg")) {
        std::printf("Unknown engine \"%s\": give sqlite or pg, or nothing for both\n", qPrintable(only));
        return;
    }
    if (only.isEmpty() || only == QLatin1String("sqlite")) {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("connections"));
        QDir().mkpath(folder);
        writeUdl(folder, QStringLiteral("Provider=SQLite;Data Source=%1;Create If Missing=True;")
                             .arg(dir.filePath(QStringLiteral("data/bench.db"))));
        if (auto dmr = logOn(folder, false))
            work("SQLite", *dmr);
        else
            std::printf("SQLite: cannot log on\n");
    }
    if (only.isEmpty() || only == QLatin1String("pg")) {
        QString initString;
        const QString name = createPgDatabase(initString);
        if (name.isEmpty()) {
            std::printf("PostgreSQL: no server (start one with scripts/pg-peer and load its env)\n");
        } else {
            QTemporaryDir dir;
            const QString folder = dir.filePath(QStringLiteral("connections"));
            QDir().mkpath(folder);
            writeUdl(folder, initString);
            if (auto dmr = logOn(folder, true)) {
                work("PostgreSQL", *dmr);
                dmr->DbLogOut();
            } else {
                std::printf("PostgreSQL: cannot log on\n");
            }
            dropPgDatabase(name);
        }
    }
}

long PeakMemoryMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}
