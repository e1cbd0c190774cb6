// The session's database rules: the staff's group role on the server, and the SQL trace that is only written
// while someone reads it.
#include "DataFixture.h"
#include "DatabaseError.h"
#include "LogSink.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class DatabaseSession : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        fixture = std::make_unique<DataFixture>(GetParam());
        ASSERT_TRUE(fixture->isValid()) << fixture->error().toStdString();
    }
    std::unique_ptr<DataFixture> fixture;
};
INSTANTIATE_TEST_SUITE_P(Database, DatabaseSession, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace

TEST_P(DatabaseSession, TheTraceListsParametersOnlyWhileItIsRead)
{
    auto dmr = fixture->makeReadyDmr();
    bool on = false;
    QStringList lines;
    struct Sink
    {
        PlatformLogSink previous;
        ~Sink() { setPlatformLogSink(previous); }
    } sink{setPlatformLogSink([&](LogKind, const QString &text) { lines << text; }, [&](LogKind) { return on; })};
    const QString sql = QStringLiteral("update ZOLT.COMPANY set NOTICE = :P_NAME where COMPANY_ID = :P_ID");
    const TParams params = {{QStringLiteral("P_NAME"), QStringLiteral("Кабель-ТВ")}, {QStringLiteral("P_ID"), 1}};
    dmr->dbConnection()->Execute(sql, params, TExecuteSource::Command);
    EXPECT_TRUE(lines.isEmpty()) << lines.join(QLatin1Char('|')).toStdString();
    on = true;
    dmr->dbConnection()->Execute(sql, params, TExecuteSource::Command);
    ASSERT_GE(lines.size(), 3) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("WillExecute.. ") + sql);
    EXPECT_EQ(lines[1], QStringLiteral("P_NAME = Кабель-ТВ"));
    EXPECT_EQ(lines[2], QStringLiteral("P_ID = 1"));
}

// A role of the server that is not one of the staff reads and changes nothing, even where an earlier
// structure gave every role the tables; a member of the staff's group role works as before.
TEST(DatabaseStaffRole, OnlyTheStaffGroupReachesTheTables)
{
    DataFixture fixture(TestEngine::PostgreSQL);
    ASSERT_TRUE(fixture.isValid()) << fixture.error().toStdString();
    auto dmr = fixture.makeReadyDmr();
    const tarvik::test::PgServer &server = fixture.pg()->server();
    const QString base = QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;")
                             .arg(server.host)
                             .arg(server.port)
                             .arg(fixture.pg()->name());
    TADOConnection admin;
    admin.SetConnectionString(base + QStringLiteral("User ID=%1;Password=%2").arg(server.user, server.password));
    admin.Open();
    // Roles belong to the whole server, which other test programs share: this one has a name of its own.
    const QString outsider = QStringLiteral("OUTSIDER_%1").arg(QCoreApplication::applicationPid());
    admin.Execute(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(outsider));
    admin.Execute(QStringLiteral("CREATE ROLE \"%1\" LOGIN").arg(outsider));
    // What earlier versions of the structure update granted.
    admin.Execute(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA zolt TO PUBLIC"));
    admin.Execute(QStringLiteral("GRANT USAGE ON SCHEMA zolt TO PUBLIC"));
    ASSERT_TRUE(dmr->UpdateDbStructure()) << dmr->LastUpgradeError().toStdString();
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));

    TADOConnection stranger;
    stranger.SetConnectionString(base + QStringLiteral("User ID=%1").arg(outsider));
    stranger.Open();
    for (const char *sql : {"select count(*) from ZOLT.CUSTOMER", "update ZOLT.MAIN_CFG set ACC_DAY = 1",
                            "select count(*) from ZOLT.APP_USER"}) {
        SCOPED_TRACE(sql);
        try {
            stranger.Execute(QString::fromLatin1(sql));
            ADD_FAILURE() << "a role outside the staff reached the table";
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("permission denied"))) << e.message().toStdString();
        }
    }
    stranger.Close();
    EXPECT_EQ(dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.CUSTOMER")).toInt(), 0);
    EXPECT_EQ(dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.APP_USER")).toInt(), 1);
    EXPECT_EQ(admin.SelectValue(QStringLiteral("select count(*) from information_schema.role_table_grants "
                                               "where table_schema = 'zolt' and grantee = 'PUBLIC'"))
                  .toInt(),
              0);
    admin.Execute(QStringLiteral("DROP ROLE \"%1\"").arg(outsider));
}
