#include "TestSupport.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

namespace tarvik::test {

TempSqliteFile::TempSqliteFile(const QString &fileName)
    : m_path(m_dir.filePath(fileName))
{
}

std::optional<PgServer> PgServer::fromEnvironment()
{
    const QString host = qEnvironmentVariable("TARVIK_PG_HOST");
    const int port = qEnvironmentVariableIntValue("TARVIK_PG_PORT");
    if (host.isEmpty() || port <= 0)
        return std::nullopt;
    PgServer s;
    s.host = host;
    s.port = port;
    s.user = qEnvironmentVariable("TARVIK_PG_USER", QStringLiteral("postgres"));
    s.password = qEnvironmentVariable("TARVIK_PG_PASSWORD");
    return s;
}

namespace {

QSqlDatabase adminConnection(const PgServer &s, const QString &connName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connName);
    db.setHostName(s.host);
    db.setPort(s.port);
    db.setUserName(s.user);
    db.setPassword(s.password);
    db.setDatabaseName(QStringLiteral("postgres"));
    return db;
}

} // namespace

PgDatabase::PgDatabase()
{
    const auto server = PgServer::fromEnvironment();
    if (!server) {
        m_error = QStringLiteral("No PostgreSQL test server: TARVIK_PG_HOST and TARVIK_PG_PORT are not set. "
                                 "Run the tests through ./test, which starts one.");
        return;
    }
    m_server = *server;
    m_name = QStringLiteral("tarvik_t_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QRandomGenerator::global()->generate() % 1000000);
    const QString connName = QStringLiteral("pg_admin_create_") + m_name;
    {
        QSqlDatabase admin = adminConnection(m_server, connName);
        if (!admin.open()) {
            m_error = QStringLiteral("Cannot reach the PostgreSQL test server at %1:%2 (%3). Run the tests through ./test.")
                          .arg(m_server.host)
                          .arg(m_server.port)
                          .arg(admin.lastError().text());
        } else {
            QSqlQuery q(admin);
            if (!q.exec(QStringLiteral("CREATE DATABASE ") + m_name))
                m_error = QStringLiteral("CREATE DATABASE failed: ") + q.lastError().text();
            else
                m_valid = true;
        }
    }
    QSqlDatabase::removeDatabase(connName);
}

PgDatabase::~PgDatabase()
{
    if (!m_valid)
        return;
    // Connections to the database must be gone before it can be dropped.
    for (const QString &c : QSqlDatabase::connectionNames()) {
        QSqlDatabase db = QSqlDatabase::database(c, false);
        if (db.driverName() == QLatin1String("QPSQL") && db.databaseName() == m_name) {
            db.close();
        }
    }
    const QString connName = QStringLiteral("pg_admin_drop_") + m_name;
    {
        QSqlDatabase admin = adminConnection(m_server, connName);
        if (admin.open()) {
            QSqlQuery q(admin);
            q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + m_name + QStringLiteral(" WITH (FORCE)"));
        }
    }
    QSqlDatabase::removeDatabase(connName);
}

QSqlDatabase PgDatabase::connect(const QString &connectionName) const
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(m_server.host);
    db.setPort(m_server.port);
    db.setUserName(m_server.user);
    db.setPassword(m_server.password);
    db.setDatabaseName(m_name);
    return db;
}

} // namespace tarvik::test
