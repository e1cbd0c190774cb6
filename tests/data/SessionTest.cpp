// The database session on both engines: logon, scripts, identifiers, tracing, the schema and its upgrade.
#include "DataFixture.h"
#include "DbSchema.h"
#include "LogSink.h"

#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// Collects what the module sends to the event monitor.
class LogCapture
{
public:
    LogCapture()
    {
        m_previous = setPlatformLogSink([this](LogKind kind, const QString &text) {
            lines << (kind == LogKind::Error ? QStringLiteral("ERROR: ") : QString()) + text;
        });
    }
    ~LogCapture() { setPlatformLogSink(m_previous); }
    QStringList lines;

private:
    PlatformLogSink m_previous;
};

class SessionDb : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        fixture = std::make_unique<DataFixture>(GetParam());
        ASSERT_TRUE(fixture->isValid()) << fixture->error().toStdString();
    }
    std::unique_ptr<DataFixture> fixture;
};

QVariant value(TDMR &dmr, const QString &sql)
{
    return dmr.dbConnection()->SelectValue(sql);
}

TEST_P(SessionDb, FirstLogonMakesACurrentDatabaseAndFindsTheUpperCasedUser)
{
    auto dmr = fixture->makeReadyDmr();
    EXPECT_EQ(dmr->UserName(), QStringLiteral("VMDEMO"));
    EXPECT_EQ(dmr->UserId(), 1);
    EXPECT_TRUE(dmr->IsDbVersionCurrent());
    EXPECT_EQ(dmr->DbmsKind(), 0);
    if (GetParam() == TestEngine::SQLite) {
        EXPECT_TRUE(QFileInfo::exists(fixture->sqliteFile()));
    }
    // The rows the windows and the engine rely on.
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from ZOLT.SERVTYPE")).toInt(), 6);
    EXPECT_EQ(value(*dmr, QStringLiteral("select SERVTYPE_ID from ZOLT.SERV where SERV_ID = -1")).toInt(), -1);
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from ZOLT.COMPANY where COMPANY_ID in (0, 1)")).toInt(), 2);
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from ZOLT.PLAN_TIME")).toInt(), 12);
    EXPECT_EQ(value(*dmr, QStringLiteral("select LETTERTYPEDESCR from ZOLT.LETTERTYPE where LETTERTYPEID = 1")).toString(),
              QStringLiteral("Первичное уведомление"));
    EXPECT_EQ(value(*dmr, QStringLiteral("select DB_VERSION from ZOLT.DB_VERSION where MODULE_ID = 1")).toString(),
              DbSchema::CurrentVersion);
    // An open period whose deactivation service is "none" drops out of the view.
    dmr->dbConnection()->Execute(QStringLiteral(
        "insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, DISACT_SERV_ID) values (1, 1, -1)"));
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from V_SUBSCR_HIST")).toInt(), 0);
}

TEST_P(SessionDb, TheLoginsLatestRowGivesTheUserIdAndAMissingRowIsRefused)
{
    auto dmr = fixture->makeReadyDmr();
    TADOConnection &c = *dmr->dbConnection();
    c.Execute(QStringLiteral("insert into ZOLT.APP_USER (USER_ID, LOGIN_NAME, VALID_TO) values (5, 'IVANOV', :D)"),
              {{QStringLiteral("D"), QDateTime(QDate(2020, 1, 31), QTime(0, 0))}});
    c.Execute(QStringLiteral("insert into ZOLT.APP_USER (USER_ID, LOGIN_NAME, VALID_TO) values (7, 'IVANOV', :D)"),
              {{QStringLiteral("D"), QDateTime(QDate(4712, 12, 31), QTime(0, 0))}});
    c.Execute(QStringLiteral("insert into ZOLT.APP_USER (USER_ID, LOGIN_NAME, VALID_TO) values (6, 'IVANOV', :D)"),
              {{QStringLiteral("D"), QDateTime(QDate(2021, 5, 1), QTime(0, 0))}});
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("Ivanov"), QString(), QStringLiteral("TEST")));
    EXPECT_EQ(dmr->UserId(), 7);

    c.Execute(QStringLiteral("delete from ZOLT.APP_USER where LOGIN_NAME = 'IVANOV'"));
    EXPECT_FALSE(dmr->DbLogON(QStringLiteral("ivanov"), QString(), QStringLiteral("TEST")));
    EXPECT_EQ(dmr->UserId(), -1);
    EXPECT_TRUE(dmr->Get_DatabaseConnectStatus()) << "the caller decides what to do with a user without rights";
    EXPECT_TRUE(dmr->DbLogOut());
    EXPECT_FALSE(dmr->Get_DatabaseConnectStatus());
}

TEST_P(SessionDb, ABadConnectionFileOrServerAnswersFalseAndLogsTheReason)
{
    auto dmr = fixture->makeDmr();
    LogCapture log;
    EXPECT_FALSE(dmr->DbLogON(QStringLiteral("vmdemo"), QString(), QStringLiteral("MISSING")));
    EXPECT_FALSE(dmr->Get_DatabaseConnectStatus());
    ASSERT_FALSE(log.lines.isEmpty());
    EXPECT_TRUE(log.lines.last().startsWith(QStringLiteral("ERROR: ")));

    QFile f(QDir(fixture->connectionsFolder()).filePath(QStringLiteral("BAD.udl")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // On the embedded engine: a data file whose folder cannot exist (it would lie inside a file).
    f.write(GetParam() == TestEngine::SQLite ? "Provider=SQLite;Data Source=connections/BAD.udl/y.db;"
                                             : "Provider=PostgreSQL;Data Source=127.0.0.1:1;Initial Catalog=x;");
    f.close();
    log.lines.clear();
    EXPECT_FALSE(dmr->DbLogON(QStringLiteral("vmdemo"), QString(), QStringLiteral("BAD")));
    EXPECT_FALSE(dmr->Get_DatabaseConnectStatus());
    EXPECT_TRUE(log.lines.join(QLatin1Char('\n')).contains(QStringLiteral("ERROR: ")));
}

TEST_P(SessionDb, ScriptsAreCutAtSemicolonsAndStopAtTheFirstFailure)
{
    auto dmr = fixture->makeReadyDmr();
    TADOConnection &c = *dmr->dbConnection();
    ASSERT_TRUE(dmr->ExecSqlScript(QStringLiteral(
        "insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (2, 'A');\n insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (3, 'B');\n")));
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from ZOLT.TEAM")).toInt(), 3);

    // Without a transaction the first statement's change stays.
    LogCapture log;
    EXPECT_FALSE(dmr->ExecSqlScript(QStringLiteral("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (4, 'C'); "
                                                   "insert into ZOLT.NO_SUCH_TABLE values (1); "
                                                   "insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (5, 'D')")));
    const QStringList errors = log.lines.filter(QStringLiteral("ERROR: "));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[1].endsWith(QStringLiteral("\rinsert into ZOLT.NO_SUCH_TABLE values (1)")));
    EXPECT_TRUE(log.lines.last().startsWith(QStringLiteral("time"))) << log.lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(log.lines.last().endsWith(QStringLiteral(" с.")));
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from ZOLT.TEAM")).toInt(), 4);

    // Inside a transaction the failure rolls back what came before it.
    dmr->StartTransactionIfNone();
    EXPECT_FALSE(dmr->ExecSqlScript(QStringLiteral("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (6, 'E');"
                                                   "insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (6, 'E')")));
    EXPECT_FALSE(c.InTransaction());
    EXPECT_EQ(value(*dmr, QStringLiteral("select count(*) from ZOLT.TEAM")).toInt(), 4);
}

TEST_P(SessionDb, IdentifiersAndCounts)
{
    auto dmr = fixture->makeReadyDmr();
    EXPECT_EQ(dmr->GetNextNo(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC")), 1);
    dmr->dbConnection()->Execute(QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID) values (41, 2)"));
    EXPECT_EQ(dmr->GetNextNo(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC")), 42);
    EXPECT_EQ(dmr->GetNextNo(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC"),
                             QStringLiteral("where PAYSOURCE_ID = :P_SRC"), {{QStringLiteral("P_SRC"), 3}}),
              1);
    EXPECT_THROW(dmr->GetNextNo(QStringLiteral("NO_COLUMN"), QStringLiteral("ZOLT.PAY_DOC")), EDatabaseError);
    EXPECT_EQ(dmr->GetMinId(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC")), 41);
    EXPECT_TRUE(dmr->GetRefCount(QStringLiteral("PAYSOURCE_ID"), QStringLiteral("PAY_DOC"), 2));
    EXPECT_FALSE(dmr->GetRefCount(QStringLiteral("PAYSOURCE_ID"), QStringLiteral("PAY_DOC"), 9));
    EXPECT_EQ(dmr->GetRecordsCount(QStringLiteral("SERVTYPE")), 6);
    EXPECT_THROW(dmr->GetRecordsCount(QStringLiteral("NO_TABLE")), EDatabaseError);

    QVariant first, second;
    ASSERT_TRUE(dmr->GetNextSeqValue(DbSchema::LetterSequence, first));
    ASSERT_TRUE(dmr->GetNextSeqValue(DbSchema::LetterSequence, second));
    EXPECT_EQ(second.toInt(), first.toInt() + 1);
    QVariant none;
    EXPECT_FALSE(dmr->GetNextSeqValue(QStringLiteral("NoSuch_Seq"), none));
}

TEST_P(SessionDb, TraceLinesOfALogonAndOfAStatement)
{
    auto dmr = fixture->makeReadyDmr();
    LogCapture log;
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("Connect complete ")));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("Connected")));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("User ID= VMDEMO")));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("User ID: VMDEMO")));
    EXPECT_FALSE(log.lines.join(QLatin1Char('\n')).contains(QStringLiteral("wisp"))) << "passwords never reach the log";

    log.lines.clear();
    dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.COMPANY set NOTICE = :P_NAME where COMPANY_ID = :P_ID"),
                                 {{QStringLiteral("P_NAME"), QVariant()}, {QStringLiteral("P_ID"), 1}},
                                 TExecuteSource::Command);
    ASSERT_EQ(log.lines.size(), 5) << log.lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(log.lines[0], QStringLiteral("WillExecute.. update ZOLT.COMPANY set NOTICE = :P_NAME where COMPANY_ID = :P_ID"));
    EXPECT_EQ(log.lines[1], QStringLiteral("P_NAME = Null"));
    EXPECT_EQ(log.lines[2], QStringLiteral("P_ID = 1"));
    EXPECT_EQ(log.lines[3], QString());
    EXPECT_TRUE(log.lines[4].startsWith(QStringLiteral("Execute time: ")));
    EXPECT_TRUE(log.lines[4].endsWith(QStringLiteral(" s.")));
}

TEST_P(SessionDb, PasswordChangeNeverShowsThePassword)
{
    auto dmr = fixture->makeReadyDmr();
    LogCapture log;
    const bool changed = dmr->ChangeDbPassword(QStringLiteral("s3cr'et;x"));
    EXPECT_EQ(changed, GetParam() == TestEngine::PostgreSQL) << "the embedded engine has no accounts";
    EXPECT_FALSE(log.lines.join(QLatin1Char('\n')).contains(QStringLiteral("s3cr")));
}

// What a schema holds: its tables with their columns, and the rows of each table.
QStringList snapshot(TDMR &dmr, bool withTypes = true)
{
    TADOConnection &c = *dmr.dbConnection();
    const bool sqlite = c.SqlDialect()->engine() == Dialect::Engine::SQLite;
    QStringList tables;
    QSqlQuery q = c.OpenQuery(sqlite ? QStringLiteral("select upper(name) from ZOLT.sqlite_master where type = 'table' "
                                                      "and name <> 'SEQUENCES' order by 1")
                                     : QStringLiteral("select upper(table_name) from information_schema.tables "
                                                      "where table_schema = 'zolt' and table_type = 'BASE TABLE' order by 1"));
    while (q.next())
        tables << q.value(0).toString();
    QStringList out;
    for (const QString &t : tables) {
        QSqlQuery cols = c.OpenQuery(
            sqlite ? QStringLiteral("select upper(name), type from pragma_table_info(:T, 'ZOLT') order by 1")
                   : QStringLiteral("select upper(column_name), data_type || coalesce(character_maximum_length::text, '') "
                                    "|| coalesce(numeric_precision::text, '') from information_schema.columns "
                                    "where table_schema = 'zolt' and table_name = lower(:T) order by 1"),
            {{QStringLiteral("T"), t}});
        while (cols.next())
            out << t + QLatin1Char('.') + cols.value(0).toString()
                       + (withTypes ? QLatin1Char(' ') + cols.value(1).toString() : QString());
        out << t + QStringLiteral(" rows=") + c.SelectValue(QStringLiteral("select count(*) from ZOLT.") + t).toString();
    }
    return out;
}

// An empty database, logged on to as the schema owner but holding nothing.
std::unique_ptr<TDMR> emptyDatabase(const DataFixture &fixture)
{
    if (fixture.engine() == TestEngine::SQLite) {
        // A database file with no table in it (an empty file is refused as a damaged one).
        QDir().mkpath(QFileInfo(fixture.sqliteFile()).absolutePath());
        TADOConnection c;
        c.SetCreateIfMissing(true);
        c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(fixture.sqliteFile()));
        c.Open();
        c.Execute(QStringLiteral("create table ZOLT.T (X integer)"));
        c.Execute(QStringLiteral("drop table ZOLT.T"));
    }
    auto dmr = fixture.makeDmr();
    dmr->DbLogON(QString::fromLatin1(TDMR::SchemaOwner), QString(), QStringLiteral("TEST"));
    EXPECT_TRUE(dmr->Get_DatabaseConnectStatus());
    return dmr;
}

TEST_P(SessionDb, AnOldDatabaseIsBroughtUpStepByStepAndARerunChangesNothing)
{
    auto dmr = emptyDatabase(*fixture);
    dmr->CreateBaseSchema();
    ASSERT_TRUE(dmr->RunUpgradeSteps(20));
    const Dialect &d = *dmr->dbConnection()->SqlDialect();
    EXPECT_FALSE(dmr->IsDbVersionCurrent());
    EXPECT_TRUE(d.columnExists(*dmr->dbConnection(), QStringLiteral("CUSTOMER"), QStringLiteral("NOTICE2")));
    EXPECT_FALSE(d.columnExists(*dmr->dbConnection(), QStringLiteral("CUSTOMER"), QStringLiteral("REF_NO")));
    // Data of the old structure survives the upgrade.
    dmr->dbConnection()->Execute(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO) "
                                                "values (1, '1001', 1, '12')"));
    dmr->dbConnection()->Execute(QStringLiteral("insert into ZOLT.HOUSE (HOUSE_ID, STREET_ID, HOUSE_NO) values (1, 2, '7А')"));
    dmr->dbConnection()->Execute(QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_CODE) values (2, '015')"));
    // A database from before the indexes by customer gets them.
    const QString paymentIndex =
        GetParam() == TestEngine::PostgreSQL
            ? QStringLiteral("select count(*) from pg_indexes where schemaname = 'zolt' and indexname = 'xif1payment'")
            : QStringLiteral("select count(*) from ZOLT.sqlite_master where type = 'index' and name = 'XIF1PAYMENT'");
    dmr->dbConnection()->Execute(QStringLiteral("drop index ZOLT.XIF1PAYMENT"));
    ASSERT_EQ(value(*dmr, paymentIndex).toInt(), 0);

    ASSERT_TRUE(dmr->UpdateDbStructure()) << dmr->LastUpgradeError().toStdString();
    EXPECT_EQ(value(*dmr, paymentIndex).toInt(), 1);
    EXPECT_TRUE(dmr->IsDbVersionCurrent());
    EXPECT_EQ(value(*dmr, QStringLiteral("select CUST_CODE from ZOLT.CUSTOMER")).toString(), QStringLiteral("015.7А.12."));
    EXPECT_EQ(value(*dmr, QStringLiteral("select COMPANY_ID from ZOLT.CUSTOMER")).toInt(), 1);
    EXPECT_EQ(d.columnWidth(*dmr->dbConnection(), QStringLiteral("CUSTOMER"), QStringLiteral("PHONE_NO")),
              GetParam() == TestEngine::PostgreSQL ? 50 : 20);
    const QStringList before = snapshot(*dmr);
    ASSERT_TRUE(dmr->UpdateDbStructure());
    EXPECT_EQ(snapshot(*dmr), before);
}

TEST_P(SessionDb, AFailingStepStopsTheUpgradeAndLeavesTheVersionUnstamped)
{
    auto dmr = emptyDatabase(*fixture);
    dmr->CreateBaseSchema();
    // A periodic service keyed -1 collides with the package row "-" that step 16 adds.
    dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.SERV set SERVTYPE_ID = 0 where SERV_ID = -1"));
    LogCapture log;
    EXPECT_FALSE(dmr->UpdateDbStructure());
    EXPECT_FALSE(dmr->LastUpgradeError().isEmpty());
    EXPECT_FALSE(log.lines.filter(QStringLiteral("ERROR: ")).isEmpty());
    const Dialect &d = *dmr->dbConnection()->SqlDialect();
    TADOConnection &c = *dmr->dbConnection();
    EXPECT_TRUE(d.tableExists(c, QStringLiteral("TMP_CUST_BALANCE"))) << "the steps before the failure stay";
    EXPECT_FALSE(d.tableExists(c, QStringLiteral("SERV_PACKAGE"))) << "the failed step is rolled back whole";
    EXPECT_FALSE(d.columnExists(c, QStringLiteral("CUSTOMER"), QStringLiteral("PASP_NO"))) << "later steps do not run";
    EXPECT_FALSE(dmr->IsDbVersionCurrent());
}

INSTANTIATE_TEST_SUITE_P(Session, SessionDb, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

TEST(SessionSchema, AFreshSchemaIsTheSameOnBothEngines)
{
    DataFixture lite(TestEngine::SQLite);
    DataFixture pg(TestEngine::PostgreSQL);
    ASSERT_TRUE(pg.isValid()) << pg.error().toStdString();
    auto a = lite.makeReadyDmr();
    auto b = pg.makeReadyDmr();
    const QStringList sa = snapshot(*a, false);
    const QStringList sb = snapshot(*b, false);
    EXPECT_EQ(sa, sb);
    EXPECT_GT(sa.size(), 300);
}

} // namespace
