#pragma once

#include "DataSet.h"
#include "Dialect.h"
#include "UdlFile.h"

#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <functional>
#include <initializer_list>
#include <memory>

class QThread;
class StatementCache;

// Statements name their parameters ":P_X" (or mark them "?", taken in order); a name used twice is one value.
// Every value is bound to the engine, never written into the text. A parameter binds by its DataType: dates go
// as 'YYYY-MM-DD HH:MM:SS' calendar values (text on SQLite, timestamps on PostgreSQL), Booleans as 1 and 0, a
// float with a NumericScale is rounded to it first, a QByteArray byte for byte, and an empty text is bound as
// null, because the stored statements test "is null" where the text was left empty. Dates are read back as
// their calendar values too: a UTC QDateTime with the stored day and time (text on SQLite, as stored).

// Makes the list hold the parameters a command text names, in order of first use; a parameter that stays
// keeps its value and type.
void ParseSQLParams(TParams &params, const QString &commandText);
// A parameter list in place, for short statements: ParamsOf({{"P_ID", 5}}).
TParams ParamsOf(std::initializer_list<QPair<QString, QVariant>> values);

// Who sends a statement; the trace lists parameters differently for datasets and commands.
enum class TExecuteSource { Connection, Command, DataSet };

struct TExecuteInfo
{
    QString CommandText;
    const TParams *Parameters = nullptr;
    TExecuteSource Source = TExecuteSource::Connection;
};

enum class TEventStatus { esOK, esErrorsOccured };

// The database connection, opened from an initialisation string: "Provider=SQLite;Data Source=<file>",
// "Provider=PostgreSQL;Data Source=host[:port];Initial Catalog=<db>" or "ODBC;DSN=<dsn>" for outside
// databases. "User ID" and "Password" set on the connection override those of the string.
//
// Transactions are tracked here; outside one, every statement commits on its own. A connection belongs to
// the thread that opened it: another thread gets its own through CloneForThread().
class TADOConnection : public QObject
{
public:
    enum class TProvider { SQLite, PostgreSQL, ODBC };

    explicit TADOConnection(QObject *parent = nullptr);
    ~TADOConnection() override;

    // Raises EDatabaseError on a malformed string or an unknown provider; the connection must be closed.
    void SetConnectionString(const QString &initString);
    QString ConnectionString() const { return m_connectionString; }
    void LoadFromFile(const QString &udlPath) { SetConnectionString(UdlFile::readInitString(udlPath)); }
    // A property of the initialisation string by name (ignoring case); setting one adds it when missing.
    QString ConnectionProperty(const QString &name) const;
    void SetConnectionProperty(const QString &name, const QString &value);
    // Every property for the trace, the password masked, with the connection's own settings and, once
    // connected, "DBMS Name" and "DBMS Version".
    TConnectionProperties Properties() const;
    // Seconds a server may take to answer a connect before the logon gives up.
    static constexpr int ConnectionTimeout = 10;

    // On SQLite, whether Open() may create a missing data file (first start of the embedded database).
    void SetCreateIfMissing(bool create) { m_createIfMissing = create; }

    // Raises EDatabaseError with the engine's message; a failed open leaves nothing created or changed.
    void Open();
    void Close();
    bool Connected() const { return m_connected; }
    TProvider Provider() const { return m_provider; }
    QString DbmsName() const { return m_dbmsName; }
    QString DbmsVersion() const { return m_dbmsVersion; }
    int DbmsKind() const { return 0; }
    // Null on ODBC connections, which only reach outside databases.
    const Dialect *SqlDialect() const { return m_dialect.get(); }

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return m_inTransaction; }

    // Runs a statement and answers the rows it affected.
    int Execute(const QString &text, const TParams &params = {},
                TExecuteSource source = TExecuteSource::Connection);
    // Runs a query and answers it positioned before its first row; numbers arrive as double.
    QSqlQuery OpenQuery(const QString &text, const TParams &params = {},
                        TExecuteSource source = TExecuteSource::Connection);
    // The first column of the first row; invalid when there is no row.
    QVariant SelectValue(const QString &text, const TParams &params = {});
    // How many statements the engine has prepared for this connection. Queries and row changes are kept
    // prepared by their text (a few dozen, the least recently used let go first; all of them on disconnect and
    // on a change of the schema), so a text run again is not prepared again.
    int PreparedStatementCount() const { return m_prepareCount; }
    // The driver's own handle of the open connection (sqlite3*, or libpq's connection), for a writer that takes
    // the engine's native bulk path; invalid when not connected.
    QVariant DriverHandle() const;

    // A closed connection with the same settings, or an open one when this one is open, for the calling thread.
    std::unique_ptr<TADOConnection> CloneForThread() const;

    // Events, each with the connection; errors come with their message and esErrorsOccured.
    std::function<void(TADOConnection &)> BeforeConnect;
    std::function<void(TADOConnection &, const QString &error, TEventStatus)> OnConnectComplete;
    std::function<void(TADOConnection &)> AfterConnect;
    std::function<void(TADOConnection &, const QString &error, TEventStatus)> OnBeginTransComplete;
    std::function<void(TADOConnection &, const QString &error, TEventStatus)> OnCommitTransComplete;
    std::function<void(TADOConnection &, const QString &error, TEventStatus)> OnRollbackTransComplete;
    std::function<void(TADOConnection &)> OnDisconnect;
    std::function<void(TADOConnection &)> AfterDisconnect;
    std::function<void(TADOConnection &, const TExecuteInfo &)> OnWillExecute;
    std::function<void(TADOConnection &, double seconds, const QString &error, TEventStatus)> OnExecuteComplete;

private:
    void openSqlite();
    void openPostgres();
    void openOdbc();
    void runSetup(const QString &text);
    QSqlQuery run(const QString &text, const TParams &params, TExecuteSource source, bool forwardOnly);
    void checkUsable() const;
    void dropDatabase();
    void transactionStep(bool (QSqlDatabase::*step)(), const char *what,
                         const std::function<void(TADOConnection &, const QString &, TEventStatus)> &event,
                         bool needsTransaction);

    QString m_connectionString;
    TConnectionProperties m_properties;
    TProvider m_provider = TProvider::SQLite;
    std::unique_ptr<Dialect> m_dialect;
    QString m_connectionName;
    QSqlDatabase m_db;
    QThread *m_thread = nullptr;
    QString m_dbmsName;
    QString m_dbmsVersion;
    bool m_connected = false;
    bool m_inTransaction = false;
    bool m_createIfMissing = false;
    std::unique_ptr<StatementCache> m_statements;
    int m_prepareCount = 0;
};
