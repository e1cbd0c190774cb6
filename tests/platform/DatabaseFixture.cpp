#include "DatabaseFixture.h"

#include "DatabaseError.h"

using namespace tarvik::test;

void DatabaseTest::SetUp()
{
    if (isSqlite()) {
        m_file = std::make_unique<TempSqliteFile>();
        m_initString = QStringLiteral("Provider=SQLite;Data Source=%1;").arg(m_file->path());
        TADOConnection creator;
        creator.SetConnectionString(m_initString);
        creator.SetCreateIfMissing(true);
        ASSERT_NO_THROW(creator.Open());
    } else {
        m_pg = std::make_unique<PgDatabase>();
        TARVIK_REQUIRE_PG(*m_pg);
        const PgServer &s = m_pg->server();
        m_initString = QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;User ID=%4;Password=%5;")
                           .arg(s.host)
                           .arg(s.port)
                           .arg(m_pg->name(), s.user, s.password);
    }
    try {
        db = connect();
        for (const QString &statement : db->SqlDialect()->createSchemaStatements())
            db->Execute(statement);
    } catch (const EDatabaseError &e) {
        FAIL() << e.message().toStdString();
    }
}

std::unique_ptr<TADOConnection> DatabaseTest::connect() const
{
    auto c = std::make_unique<TADOConnection>();
    c->SetConnectionString(m_initString);
    c->Open();
    return c;
}

std::string databaseEngineName(const ::testing::TestParamInfo<DatabaseEngine> &info)
{
    return info.param == DatabaseEngine::SQLite ? "SQLite" : "PostgreSQL";
}

QString failureOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const EDatabaseError &e) {
        return e.message().isEmpty() ? QStringLiteral("(empty message)") : e.message();
    }
    return {};
}
