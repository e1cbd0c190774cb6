#include "AdoConnection.h"

#include "AdoStatements.h"
#include "DatabaseError.h"
#include "DriverHandle.h"
#include "SqliteFunctions.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>

#include <cmath>

namespace {

bool isNullParam(const TParam &p)
{
    const QVariant &v = p.Value();
    return !v.isValid() || v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

TFieldType typeOf(const TParam &p)
{
    if (p.DataType() != ftUnknown)
        return p.DataType();
    switch (p.Value().typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Short: return ftInteger;
    case QMetaType::LongLong: case QMetaType::Long: return ftLargeint;
    case QMetaType::Double: case QMetaType::Float: return ftFloat;
    case QMetaType::Bool: return ftBoolean;
    case QMetaType::QDate: case QMetaType::QDateTime: return ftDateTime;
    default: return ftUnknown;
    }
}

BoundValue::Kind kindOf(TFieldType type)
{
    if (IsDateType(type))
        return BoundValue::Date;
    if (type == ftBoolean || IsIntegerType(type))
        return BoundValue::Integer;
    if (IsFloatType(type))
        return BoundValue::Float;
    if (IsBlobType(type) && type != ftMemo)
        return BoundValue::Bytes;
    if (IsStringType(type) || type == ftMemo)
        return BoundValue::Text;
    return BoundValue::Null;
}

// The value as it goes to the engine. Dates travel as calendar text built from their parts, never through the
// local time zone.
BoundValue boundValue(const TParam &p)
{
    BoundValue out;
    const TFieldType type = typeOf(p);
    if (isNullParam(p)) {
        out.declared = kindOf(type);
        return out;
    }
    const QVariant &v = p.Value();
    if (IsDateType(type)) {
        const QString text = v.typeId() == QMetaType::QDate ? sqliteDateText(v.toDate()) : sqliteDateText(v.toDateTime());
        if (text.isEmpty())
            throw EDatabaseError(QStringLiteral("The parameter %1 is not a date: \"%2\"").arg(p.Name(), v.toString()));
        out.kind = BoundValue::Date;
        out.value = text;
    } else if (type == ftBoolean) {
        out.kind = BoundValue::Integer;
        out.value = qlonglong(v.toBool() ? 1 : 0);
    } else if (IsFloatType(type)) {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            throw EDatabaseError(QStringLiteral("The parameter %1 is not a number: \"%2\"").arg(p.Name(), v.toString()));
        out.kind = BoundValue::Float;
        out.value = p.NumericScale() >= 0 ? roundDecimal(d, p.NumericScale()) : d;
    } else if (IsIntegerType(type)) {
        bool ok = false;
        const qlonglong i = v.toLongLong(&ok);
        if (!ok)
            throw EDatabaseError(
                QStringLiteral("The parameter %1 is not a whole number: \"%2\"").arg(p.Name(), v.toString()));
        out.kind = BoundValue::Integer;
        out.value = i;
    } else if (v.typeId() == QMetaType::QByteArray && !IsStringType(type)) {
        // Bytes arrive byte for byte.
        out.kind = BoundValue::Bytes;
        out.value = v;
    } else {
        out.kind = BoundValue::Text;
        out.value = v.toString();
    }
    return out;
}

QString errorText(const QSqlError &e)
{
    const QString db = e.databaseText().trimmed();
    return db.isEmpty() ? e.text().trimmed() : db;
}

QAtomicInt connectionCounter;

// The main database is an empty in-memory one: a table made there unqualified would vanish with the
// connection, so making objects anywhere but in ZOLT (or as temporary ones) is refused.
int refuseObjectsInMain(void *, int action, const char *, const char *, const char *database, const char *)
{
    switch (action) {
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TRIGGER:
        return database && qstrcmp(database, "main") == 0 ? SQLITE_DENY : SQLITE_OK;
    default:
        return SQLITE_OK;
    }
}

// Counting the engine's memory use takes one process-wide lock around every allocation of every connection,
// so threads reading through connections of their own would queue on it; nothing here reads the counts. It can
// only be switched off before the engine's first use in the process, which the first SQLite open normally is.
void stopSqliteMemoryCounting()
{
    static const bool once = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(once);
}

} // namespace

void ParseSQLParams(TParams &params, const QString &commandText)
{
    TParams result;
    for (const QString &name : splitParameters(commandText).names) {
        if (name.isEmpty() || result.FindParam(name))
            continue;
        const TParam *old = params.FindParam(name);
        result.AddParam(old ? *old : TParam(name));
    }
    params = result;
}

TParams ParamsOf(std::initializer_list<QPair<QString, QVariant>> values)
{
    return TParams(values);
}

TADOConnection::TADOConnection(QObject *parent)
    : QObject(parent)
    , m_connectionName(QStringLiteral("tarvik_ado_%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

TADOConnection::~TADOConnection()
{
    Close();
}

void TADOConnection::SetConnectionString(const QString &initString)
{
    if (m_connected)
        throw EDatabaseError(QStringLiteral("Cannot change the connection string of an open connection"));
    TConnectionProperties properties = UdlFile::parse(initString);
    const auto provider = [&]() -> QString {
        for (const auto &[name, value] : properties)
            if (name.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0)
                return value.trimmed();
        return {};
    }();
    if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        m_provider = TProvider::SQLite;
    else if (provider.compare(QLatin1String("PostgreSQL"), Qt::CaseInsensitive) == 0)
        m_provider = TProvider::PostgreSQL;
    else if (provider.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) == 0
             || provider.startsWith(QLatin1String("MSDASQL"), Qt::CaseInsensitive))
        m_provider = TProvider::ODBC;
    else
        throw EDatabaseError(provider.isEmpty()
                                 ? QStringLiteral("The connection string names no provider")
                                 : QStringLiteral("Provider cannot be found: %1").arg(provider));
    m_connectionString = initString;
    m_properties = properties;
    if (m_provider == TProvider::ODBC)
        m_dialect.reset();
    else
        m_dialect = Dialect::create(m_provider == TProvider::SQLite ? Dialect::Engine::SQLite
                                                                    : Dialect::Engine::PostgreSQL);
}

QString TADOConnection::ConnectionProperty(const QString &name) const
{
    for (const auto &[n, v] : m_properties)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

void TADOConnection::SetConnectionProperty(const QString &name, const QString &value)
{
    for (auto &[n, v] : m_properties)
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            v = value;
            return;
        }
    m_properties.append({name, value});
}

TConnectionProperties TADOConnection::Properties() const
{
    TConnectionProperties out;
    for (const auto &[name, value] : m_properties) {
        const bool secret = name.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0
                            || name.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0;
        out.append({name, secret ? QStringLiteral("***") : value});
    }
    out.append({QStringLiteral("Connect Timeout"), QString::number(ConnectionTimeout)});
    out.append({QStringLiteral("Isolation Level"), QStringLiteral("Read Committed")});
    if (m_connected) {
        out.append({QStringLiteral("DBMS Name"), m_dbmsName});
        out.append({QStringLiteral("DBMS Version"), m_dbmsVersion});
    }
    return out;
}

void TADOConnection::Open()
{
    if (m_connected)
        return;
    if (m_connectionString.isEmpty())
        throw EDatabaseError(QStringLiteral("The connection has no connection string"));
    if (BeforeConnect)
        BeforeConnect(*this);
    m_thread = QThread::currentThread();
    try {
        switch (m_provider) {
        case TProvider::SQLite: openSqlite(); break;
        case TProvider::PostgreSQL: openPostgres(); break;
        case TProvider::ODBC: openOdbc(); break;
        }
        if (m_provider == TProvider::SQLite)
            m_statements = StatementCache::forSqlite(m_db.driver(), m_prepareCount);
        else if (m_provider == TProvider::PostgreSQL)
            m_statements = StatementCache::forPostgres(m_db.driver(), m_prepareCount);
        m_connected = true;
        if (m_dialect)
            for (const QString &statement : m_dialect->sessionInit())
                runSetup(statement);
    } catch (const EDatabaseError &e) {
        m_connected = false;
        dropDatabase();
        if (OnConnectComplete)
            OnConnectComplete(*this, e.message(), TEventStatus::esErrorsOccured);
        throw;
    }
    if (OnConnectComplete)
        OnConnectComplete(*this, QString(), TEventStatus::esOK);
    if (AfterConnect)
        AfterConnect(*this);
}

void TADOConnection::runSetup(const QString &text)
{
    QSqlQuery q(m_db);
    if (!q.exec(text))
        throw EDatabaseError(errorText(q.lastError()));
}

void TADOConnection::openSqlite()
{
    const QString source = ConnectionProperty(QStringLiteral("Data Source"));
    if (source.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("The connection string names no database file"));
    const QString path = QFileInfo(source).absoluteFilePath();
    // Attaching a missing file would create an empty database in its place.
    if (!m_createIfMissing && !QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("unable to open database file: %1").arg(QDir::toNativeSeparators(path)));

    // A file without write permission is attached read-only (even for a user the system lets write anyway), so
    // that every write fails with the engine's error instead of changing a file marked read-only.
    const QFileInfo info(path);
    const bool readOnly = info.exists()
                          && (!info.isWritable()
                              || !(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)));

    stopSqliteMemoryCounting();
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(QStringLiteral(":memory:"));
    if (readOnly)
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
    if (!m_db.open())
        throw EDatabaseError(errorText(m_db.lastError()));
    sqlite3 *db = sqliteHandleOf(m_db.driver()->handle());
    if (!db)
        throw EDatabaseError(QStringLiteral("The SQLite driver gives no handle"));
    if (registerSqliteFunctions(db) != SQLITE_OK)
        throw EDatabaseError(QString::fromUtf8(sqlite3_errmsg(db)));

    QSqlQuery attach(m_db);
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS ZOLT"));
    attach.addBindValue(readOnly ? QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro")
                                 : path);
    if (!attach.exec())
        throw EDatabaseError(errorText(attach.lastError()));
    // Reading the schema is what tells a database from any other file.
    runSetup(QStringLiteral("select count(*) from ZOLT.sqlite_master"));
    if (!readOnly)
        runSetup(QStringLiteral("PRAGMA ZOLT.journal_mode=WAL"));
    runSetup(QStringLiteral("PRAGMA foreign_keys=ON"));
    runSetup(QStringLiteral("PRAGMA busy_timeout=10000"));
    sqlite3_set_authorizer(db, refuseObjectsInMain, nullptr);
    m_dbmsName = QStringLiteral("SQLite");
    m_dbmsVersion = QString::fromLatin1(sqlite3_libversion());
}

void TADOConnection::openPostgres()
{
    const QString source = ConnectionProperty(QStringLiteral("Data Source")).trimmed();
    QString host = source.isEmpty() ? QStringLiteral("localhost") : source;
    int port = 5432;
    if (const qsizetype colon = source.lastIndexOf(QLatin1Char(':')); colon > 0) {
        bool ok = false;
        port = source.mid(colon + 1).toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            throw EDatabaseError(QStringLiteral("Invalid server port in \"%1\"").arg(source));
        host = source.left(colon);
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
    m_db.setHostName(host);
    m_db.setPort(port);
    m_db.setDatabaseName(ConnectionProperty(QStringLiteral("Initial Catalog")));
    m_db.setUserName(ConnectionProperty(QStringLiteral("User ID")));
    m_db.setPassword(ConnectionProperty(QStringLiteral("Password")));
    m_db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(ConnectionTimeout));
    if (!m_db.open())
        throw EDatabaseError(errorText(m_db.lastError()));
    m_dbmsName = QStringLiteral("PostgreSQL");
    QSqlQuery q(m_db);
    if (q.exec(QStringLiteral("show server_version")) && q.next())
        m_dbmsVersion = q.value(0).toString();
}

void TADOConnection::openOdbc()
{
    QStringList pairs;
    QString dsn;
    bool driverNamed = false;
    for (const auto &[name, value] : m_properties) {
        if (name.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("User ID"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0)
            continue;
        if (name.compare(QLatin1String("DSN"), Qt::CaseInsensitive) == 0)
            dsn = value;
        else
            pairs << name + QLatin1Char('=') + value;
        driverNamed = driverNamed || name.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0
                      || name.compare(QLatin1String("Server"), Qt::CaseInsensitive) == 0;
    }
    // The driver prefixes "DSN=" itself unless the string names a driver or a server.
    if (!dsn.isEmpty())
        pairs.prepend(driverNamed ? QStringLiteral("DSN=") + dsn : dsn);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
    m_db.setDatabaseName(pairs.join(QLatin1Char(';')));
    m_db.setUserName(ConnectionProperty(QStringLiteral("User ID")));
    m_db.setPassword(ConnectionProperty(QStringLiteral("Password")));
    m_db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(ConnectionTimeout));
    if (!m_db.open())
        throw EDatabaseError(errorText(m_db.lastError()));
    m_dbmsName = QStringLiteral("ODBC");
}

void TADOConnection::dropDatabase()
{
    // Prepared statements go before the engine's connection they belong to.
    m_statements.reset();
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
    m_dbmsName.clear();
    m_dbmsVersion.clear();
}

void TADOConnection::Close()
{
    if (!m_connected)
        return;
    if (OnDisconnect)
        OnDisconnect(*this);
    m_connected = false;
    m_inTransaction = false;
    dropDatabase();
    if (AfterDisconnect)
        AfterDisconnect(*this);
}

void TADOConnection::checkUsable() const
{
    if (!m_connected)
        throw EDatabaseError(QStringLiteral("The connection is not open"));
    if (QThread::currentThread() != m_thread)
        throw EDatabaseError(QStringLiteral("A connection can only be used by the thread that opened it"));
}

void TADOConnection::transactionStep(bool (QSqlDatabase::*step)(), const char *what,
                                     const std::function<void(TADOConnection &, const QString &, TEventStatus)> &event,
                                     bool needsTransaction)
{
    checkUsable();
    QString error;
    if (m_inTransaction != needsTransaction)
        error = needsTransaction ? QStringLiteral("No transaction is open")
                                 : QStringLiteral("A transaction is already open");
    else if (!(m_db.*step)())
        error = errorText(m_db.lastError());
    if (error.isEmpty())
        m_inTransaction = !needsTransaction;
    if (event)
        event(*this, error, error.isEmpty() ? TEventStatus::esOK : TEventStatus::esErrorsOccured);
    if (!error.isEmpty())
        throw EDatabaseError(QStringLiteral("%1: %2").arg(QLatin1String(what), error));
}

void TADOConnection::BeginTrans()
{
    transactionStep(&QSqlDatabase::transaction, "Begin transaction", OnBeginTransComplete, false);
}

void TADOConnection::CommitTrans()
{
    transactionStep(&QSqlDatabase::commit, "Commit", OnCommitTransComplete, true);
}

void TADOConnection::RollbackTrans()
{
    transactionStep(&QSqlDatabase::rollback, "Rollback", OnRollbackTransComplete, true);
}

QSqlQuery TADOConnection::run(const QString &text, const TParams &params, TExecuteSource source, bool forwardOnly)
{
    checkUsable();
    std::shared_ptr<const StatementCache::Text> cached;
    if (m_statements)
        cached = m_statements->text(text);
    const SplitStatement odbcSplit = m_statements ? SplitStatement() : splitParameters(text);
    const QStringList &slotNames = cached ? cached->slotNames : odbcSplit.names;
    QList<BoundValue> values;
    values.reserve(slotNames.size());
    int positional = 0;
    // Parameter lists made from the text hold the names in the order the text first uses them: each is
    // looked for where it should stand before the list is searched.
    int next = 0;
    for (const QString &name : slotNames) {
        const TParam *p = nullptr;
        if (name.isEmpty())
            p = positional < params.Count() ? &params[positional++] : nullptr;
        else if (next < params.Count() && params[next].Name().compare(name, Qt::CaseInsensitive) == 0)
            p = &params[next++];
        else
            p = params.FindParam(name);
        if (!p)
            throw EDatabaseError(name.isEmpty() ? QStringLiteral("No value for the parameter %1").arg(positional + 1)
                                                : QStringLiteral("No value for the parameter :%1").arg(name));
        values << boundValue(*p);
    }

    if (OnWillExecute)
        OnWillExecute(*this, TExecuteInfo{text, &params, source});
    QElapsedTimer timer;
    if (OnExecuteComplete)
        timer.start();

    QString error;
    RowsResult *rows = nullptr;
    if (m_statements) {
        try {
            rows = m_statements->run(text, *cached, values);
        } catch (const EDatabaseError &e) {
            error = e.message();
        }
    }
    QSqlQuery q = rows ? QSqlQuery(rows) : QSqlQuery(m_db);
    if (!m_statements) {
        // Outside databases get the values through the driver's own binding.
        q.setForwardOnly(forwardOnly);
        q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        bool ok = q.prepare(odbcSplit.pieces.join(QLatin1Char('?')));
        for (const BoundValue &v : values)
            q.addBindValue(v.value);
        if (!ok || !q.exec())
            error = errorText(q.lastError());
    }
    const bool ok = m_statements ? rows != nullptr : error.isEmpty();
    if (OnExecuteComplete)
        OnExecuteComplete(*this, timer.elapsed() / 1000.0, error,
                          ok ? TEventStatus::esOK : TEventStatus::esErrorsOccured);
    if (!ok)
        throw EDatabaseError(error);
    return q;
}

int TADOConnection::Execute(const QString &text, const TParams &params, TExecuteSource source)
{
    return run(text, params, source, true).numRowsAffected();
}

QSqlQuery TADOConnection::OpenQuery(const QString &text, const TParams &params, TExecuteSource source)
{
    return run(text, params, source, true);
}

QVariant TADOConnection::DriverHandle() const
{
    return m_connected && m_db.driver() ? m_db.driver()->handle() : QVariant();
}

QVariant TADOConnection::SelectValue(const QString &text, const TParams &params)
{
    QSqlQuery q = run(text, params, TExecuteSource::Connection, true);
    return q.next() ? q.value(0) : QVariant();
}

std::unique_ptr<TADOConnection> TADOConnection::CloneForThread() const
{
    auto clone = std::make_unique<TADOConnection>();
    clone->SetConnectionString(m_connectionString);
    clone->m_properties = m_properties;
    if (m_connected)
        clone->Open();
    return clone;
}
