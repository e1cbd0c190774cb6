#pragma once

// A database for the data module's tests, on either engine: a connections folder with one connection file
// "TEST.udl". On SQLite the data file does not exist yet (the first logon makes it, as the file asks); on PostgreSQL the
// database is fresh and owned by the schema owner's role, as an operator would set it up.
#include "TestSupport.h"
#include "dmuRDM.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

enum class TestEngine { SQLite, PostgreSQL };

inline std::string engineName(const ::testing::TestParamInfo<TestEngine> &info)
{
    return info.param == TestEngine::SQLite ? "SQLite" : "PostgreSQL";
}

class DataFixture
{
public:
    explicit DataFixture(TestEngine engine)
        : m_engine(engine)
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("connections"));
        if (engine == TestEngine::SQLite) {
            writeUdl(QStringLiteral("Provider=SQLite;Data Source=%1;Create If Missing=True;").arg(sqliteFile()));
            return;
        }
        m_pg = std::make_unique<tarvik::test::PgDatabase>();
        if (!m_pg->isValid()) {
            m_error = m_pg->error();
            return;
        }
        prepareServer();
        writeUdl(QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;")
                     .arg(m_pg->server().host)
                     .arg(m_pg->server().port)
                     .arg(m_pg->name()));
    }

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    TestEngine engine() const { return m_engine; }
    QString connectionsFolder() const { return m_dir.filePath(QStringLiteral("connections")); }
    QString sqliteFile() const { return m_dir.filePath(QStringLiteral("data/tarvik.db")); }
    // The PostgreSQL database, null on SQLite.
    const tarvik::test::PgDatabase *pg() const { return m_pg.get(); }

    std::unique_ptr<TDMR> makeDmr() const
    {
        auto dmr = std::make_unique<TDMR>();
        dmr->SetConnectionsFolder(connectionsFolder());
        return dmr;
    }

    // A logged-on module on a current schema, with the demo user's row in place.
    std::unique_ptr<TDMR> makeReadyDmr() const
    {
        auto dmr = makeDmr();
        if (m_engine == TestEngine::SQLite) {
            EXPECT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
            return dmr;
        }
        dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST"));
        EXPECT_TRUE(dmr->Get_DatabaseConnectStatus());
        EXPECT_TRUE(dmr->UpdateDbStructure()) << dmr->LastUpgradeError().toStdString();
        dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.APP_USER (USER_ID, LOGIN_NAME, VALID_TO) values (1, 'VMDEMO', :P_TO)"),
            {{QStringLiteral("P_TO"), QDateTime(QDate(4712, 12, 31), QTime(0, 0))}});
        EXPECT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
        return dmr;
    }

private:
    void writeUdl(const QString &initString)
    {
        QFile f(QDir(connectionsFolder()).filePath(QStringLiteral("TEST.udl")));
        f.open(QIODevice::WriteOnly);
        f.write(("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" + initString + "\r\n").toUtf8());
    }

    // The roles an office sets up once: the schema owner and the demo user (names in capitals, because the
    // logon upper-cases them). The test server trusts local connections, so passwords are not checked.
    void prepareServer()
    {
        const QString conn = QStringLiteral("data_fixture_admin_") + m_pg->name();
        {
            QSqlDatabase admin = m_pg->connect(conn);
            if (!admin.open()) {
                m_error = admin.lastError().text();
            } else {
                QSqlQuery q(admin);
                for (const char *role : {"ZOLT", "VMDEMO", "IVANOV"}) {
                    // Several test programs may race to create a role: whoever loses finds it there.
                    q.exec(QStringLiteral("DO $$ BEGIN CREATE ROLE \"%1\" LOGIN; EXCEPTION WHEN OTHERS THEN NULL; END $$")
                               .arg(QLatin1String(role)));
                }
                // The members of staff belong to the staff's group role (the structure update makes it too).
                q.exec(QStringLiteral("DO $$ BEGIN CREATE ROLE \"%1\" NOLOGIN; EXCEPTION WHEN OTHERS THEN NULL; END $$")
                           .arg(QLatin1String(TDMR::StaffRole)));
                // Two programs granting at once collide in the server's catalogue; the loser finds it granted.
                if (!q.exec(QStringLiteral("DO $$ BEGIN GRANT \"%1\" TO \"VMDEMO\", \"IVANOV\"; "
                                           "EXCEPTION WHEN unique_violation THEN NULL; END $$")
                                .arg(QLatin1String(TDMR::StaffRole))))
                    m_error = q.lastError().text();
                if (m_error.isEmpty() && !q.exec(QStringLiteral("ALTER DATABASE %1 OWNER TO \"ZOLT\"").arg(m_pg->name())))
                    m_error = q.lastError().text();
            }
        }
        QSqlDatabase::removeDatabase(conn);
    }

    TestEngine m_engine;
    QTemporaryDir m_dir;
    std::unique_ptr<tarvik::test::PgDatabase> m_pg;
    QString m_error;
};
