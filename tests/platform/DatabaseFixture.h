#pragma once

#include "AdoConnection.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The database tests run on both engines: a temporary SQLite file and a fresh PostgreSQL database of the
// test peer, each with the schema ZOLT and its helper functions made.
enum class DatabaseEngine { SQLite, PostgreSQL };

class DatabaseTest : public ::testing::TestWithParam<DatabaseEngine>
{
protected:
    void SetUp() override;

    bool isSqlite() const { return GetParam() == DatabaseEngine::SQLite; }
    // An open connection to the test database (raises on failure).
    std::unique_ptr<TADOConnection> connect() const;
    QString initString() const { return m_initString; }

    std::unique_ptr<tarvik::test::TempSqliteFile> m_file;
    std::unique_ptr<tarvik::test::PgDatabase> m_pg;
    QString m_initString;
    std::unique_ptr<TADOConnection> db;
};

// The message of the EDatabaseError the function raises; empty when it raises none.
QString failureOf(const std::function<void()> &fn);

std::string databaseEngineName(const ::testing::TestParamInfo<DatabaseEngine> &info);

#define TARVIK_DATABASE_SUITE(Suite)                                                                               \
    INSTANTIATE_TEST_SUITE_P(Database, Suite,                                                                      \
                             ::testing::Values(DatabaseEngine::SQLite, DatabaseEngine::PostgreSQL),               \
                             databaseEngineName)
