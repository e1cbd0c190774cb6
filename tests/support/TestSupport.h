#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tarvik::test {

// A fresh SQLite file path in a folder of its own that disappears with the fixture.
class TempSqliteFile
{
public:
    explicit TempSqliteFile(const QString &fileName = QStringLiteral("tarvik.db"));
    QString path() const { return m_path; }
    QString dir() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Where the PostgreSQL test peer started by ./test listens (TARVIK_PG_HOST, TARVIK_PG_PORT, TARVIK_PG_USER).
struct PgServer
{
    QString host;
    int port = 0;
    QString user;
    QString password;

    // Empty when no server was announced.
    static std::optional<PgServer> fromEnvironment();
};

// A database of its own on the test server, created on construction and dropped on destruction.
// A test that asks for one where no server was started fails with a message that names ./test.
class PgDatabase
{
public:
    PgDatabase();
    ~PgDatabase();
    PgDatabase(const PgDatabase &) = delete;
    PgDatabase &operator=(const PgDatabase &) = delete;

    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }
    const PgServer &server() const { return m_server; }
    QString name() const { return m_name; }

    // A QPSQL connection to this database under the given connection name.
    QSqlDatabase connect(const QString &connectionName) const;

private:
    PgServer m_server;
    QString m_name;
    QString m_error;
    bool m_valid = false;
};

// Fails the current test (with the reason) when the PostgreSQL peer is missing.
#define TARVIK_REQUIRE_PG(db)                                                                  \
    do {                                                                                       \
        ASSERT_TRUE((db).isValid()) << (db).error().toStdString();                             \
    } while (0)

} // namespace tarvik::test
