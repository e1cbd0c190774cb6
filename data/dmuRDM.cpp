#include "dmuRDM.h"

#include "DataFolder.h"
#include "DataSource.h"
#include "DatabaseError.h"
#include "DriverHandle.h"
#include "Formats.h"
#include "Kyv_db.h"
#include "LogSink.h"
#include "MemTable.h"
#include "Services.h"
#include "SqlScript.h"
#include "SqliteErrors.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>

#include <sqlite3.h>

TDMR *DMR = nullptr;

namespace {

void trace(const QString &line)
{
    platformLog(LogKind::Raw, line);
}

QString seconds(quint64 fromTick, quint64 toTick)
{
    return FloatToStr(double(toTick - fromTick) / 1000.0);
}

QString valueText(const QVariant &value)
{
    if (isNullValue(value))
        return QStringLiteral("Null");
    return value.toString();
}

// The page size a database file's header gives (the value 1 stands for 65536, which its two bytes cannot hold).
quint32 pageSizeOf(const QByteArray &databaseHeader)
{
    const auto *d = reinterpret_cast<const uchar *>(databaseHeader.constData());
    const quint32 stored = quint32(d[16]) << 8 | d[17];
    return stored == 1 ? 65536 : stored;
}

// Why the write-ahead log beside a database file does not belong to it, or nothing when it does (or there is
// none). The engine replays a log of the right page size onto whatever file it finds it beside, so a log left
// from another copy of the database would be written into this one; an empty log, or one cut before its first
// page, holds nothing to replay.
QString writeAheadLogFault(const QByteArray &databaseHeader, const QString &log)
{
    QFile f(log);
    if (!f.exists() || !f.open(QIODevice::ReadOnly))
        return {};
    static constexpr qsizetype LogHeaderSize = 32;
    const QByteArray h = f.read(LogHeaderSize);
    if (h.size() < LogHeaderSize)
        return {};
    const auto word = [](const QByteArray &bytes, int at, bool bigEndian) {
        const auto *b = reinterpret_cast<const uchar *>(bytes.constData()) + at;
        return bigEndian ? quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3]
                         : quint32(b[3]) << 24 | quint32(b[2]) << 16 | quint32(b[1]) << 8 | b[0];
    };
    const quint32 magic = word(h, 0, true);
    if (magic != 0x377f0682 && magic != 0x377f0683)
        return QStringLiteral("is not a write-ahead log");
    // The header's own checksum, over its first six words in the byte order its magic names.
    const bool bigEndian = magic & 1;
    quint32 s0 = 0, s1 = 0;
    for (int i = 0; i < 24; i += 8) {
        s0 += word(h, i, bigEndian) + s1;
        s1 += word(h, i + 4, bigEndian) + s0;
    }
    if (s0 != word(h, 24, true) || s1 != word(h, 28, true))
        return QStringLiteral("is damaged");
    const quint32 pageSize = pageSizeOf(databaseHeader);
    if (word(h, 8, true) != pageSize)
        return QStringLiteral("does not belong to it (pages of %1 bytes, the database's of %2)")
            .arg(word(h, 8, true))
            .arg(pageSize);
    return {};
}

// The size the file's header gives the database, or 0 when the header does not tell it for certain: the count is
// only kept up to date by writers that also stamp it valid, and a log or journal beside the file may still hold
// pages that are written back later.
qint64 countedSize(const QByteArray &header, const QString &file)
{
    const auto *d = reinterpret_cast<const uchar *>(header.constData());
    const auto word = [d](int at) {
        return quint32(d[at]) << 24 | quint32(d[at + 1]) << 16 | quint32(d[at + 2]) << 8 | d[at + 3];
    };
    if (word(24) != word(92))
        return 0;
    const QFileInfo log(file + QStringLiteral("-wal"));
    if ((log.exists() && log.size() > 32) || QFileInfo::exists(file + QStringLiteral("-journal")))
        return 0;
    return qint64(word(28)) * pageSizeOf(header);
}

// The first table or index of the data file whose top page the engine cannot read, with the engine's words, or
// nothing. Each is read for its first row only: the cost is the schema's, not the data's. A table is read by its
// own tree (a narrower index could answer "select 1" in its place) and an index by itself; an object that no
// such statement can name is left to the statements that meet it.
QString firstDamagedObject(sqlite3 *db)
{
    struct Object
    {
        QByteArray type, name, table;
    };
    QList<Object> objects;
    const auto quoted = [](const QByteArray &name) { return '"' + QByteArray(name).replace('"', "\"\"") + '"'; };
    const auto step = [&](const QByteArray &text, const std::function<void(sqlite3_stmt *)> &row) -> QString {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            const int code = sqlite3_errcode(db) & 0xff;
            return code == SQLITE_CORRUPT || code == SQLITE_NOTADB ? sqliteErrorText(db) : QString();
        }
        int rc = sqlite3_step(stmt);
        for (; rc == SQLITE_ROW && row; rc = sqlite3_step(stmt))
            row(stmt);
        QString error;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            const int code = rc & 0xff;
            if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB || code == SQLITE_IOERR)
                error = sqliteErrorText(db);
        }
        sqlite3_finalize(stmt);
        return error;
    };
    const auto text = [](sqlite3_stmt *stmt, int column) {
        return QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
            sqlite3_column_bytes(stmt, column));
    };
    QString error = step("select type, name, tbl_name from ZOLT.sqlite_master where type in ('table', 'index') "
                         "and rootpage > 0 order by type desc, name",
        [&](sqlite3_stmt *stmt) { objects.append({ text(stmt, 0), text(stmt, 1), text(stmt, 2) }); });
    if (!error.isEmpty())
        return error;
    for (const Object &o : objects) {
        const bool table = o.type == "table";
        error = step(table ? "select 1 from ZOLT." + quoted(o.name) + " not indexed limit 1"
                           : "select 1 from ZOLT." + quoted(o.table) + " indexed by " + quoted(o.name) + " limit 1",
            {});
        if (!error.isEmpty())
            return QStringLiteral("%1 %2: %3")
                .arg(table ? QStringLiteral("table") : QStringLiteral("index"), QString::fromUtf8(o.name), error);
    }
    return {};
}

} // namespace

TDMR::TDMR(QObject *parent)
    : QObject(parent)
    , m_connection(std::make_unique<TADOConnection>())
    , m_connectionsFolder(DefaultConnectionsFolder())
{
    installTrace();
    createBalanceReaders();
    m_odsLetterType = std::make_unique<TKyv_ADODataSet>();
    m_odsLetterType->setObjectName(QStringLiteral("odsLetterType"));
    m_odsLetterType->SetConnection(m_connection.get());
    m_odsLetterType->SetCommandText(
        QStringLiteral("select LETTERTYPEID, LETTERTYPEDESCR from ZOLT.LETTERTYPE order by LETTERTYPEID"));
}

TDMR::~TDMR()
{
    if (m_connection->Connected()) {
        if (m_connection->InTransaction()) {
            try {
                m_connection->CommitTrans();
            } catch (const EDatabaseError &e) {
                platformLog(LogKind::Error, e.message());
            }
        }
        m_connection->Close();
    }
    if (DMR == this)
        DMR = nullptr;
}

QString TDMR::DefaultConnectionsFolder()
{
    return QDir(UserDataFolder()).filePath(QStringLiteral("connections"));
}

void TDMR::SetUserName(const QString &name)
{
    const bool wasOpen = m_connection->Connected();
    if (wasOpen)
        m_connection->Close();
    m_userName = name.toUpper();
    m_connection->SetConnectionProperty(QStringLiteral("User ID"), m_userName);
    if (wasOpen)
        m_connection->Open();
}

void TDMR::SetPassword(const QString &password)
{
    const bool wasOpen = m_connection->Connected();
    if (wasOpen)
        m_connection->Close();
    m_password = password;
    m_connection->SetConnectionProperty(QStringLiteral("Password"), m_password);
    if (wasOpen)
        m_connection->Open();
}

void TDMR::installTrace()
{
    TADOConnection &c = *m_connection;
    c.BeforeConnect = [](TADOConnection &conn) {
        for (const auto &[name, value] : conn.Properties())
            trace(name + QStringLiteral("= ") + value);
    };
    c.OnConnectComplete = [this](TADOConnection &conn, const QString &error, TEventStatus status) {
        trace(status == TEventStatus::esOK ? QStringLiteral("Connect complete ") : error);
        for (const auto &[name, value] : conn.Properties())
            trace(name + QStringLiteral(": ") + value);
        if (status == TEventStatus::esOK) {
            m_dbmsName = conn.DbmsName();
            m_dbmsVersion = conn.DbmsVersion();
            const QString upper = m_dbmsName.toUpper();
            m_dbmsKind = upper.contains(QLatin1String("ORACLE")) ? (upper.contains(QLatin1String("LITE")) ? 2 : 1) : 0;
        }
    };
    c.AfterConnect = [](TADOConnection &) { trace(QStringLiteral("Connected")); };
    c.OnBeginTransComplete = [](TADOConnection &, const QString &error, TEventStatus) {
        trace(QStringLiteral("Begin transaction ") + error);
    };
    c.OnCommitTransComplete = [](TADOConnection &, const QString &error, TEventStatus status) {
        trace(status == TEventStatus::esOK ? QStringLiteral("Commit transaction ") : error);
    };
    c.OnRollbackTransComplete = [](TADOConnection &, const QString &error, TEventStatus) {
        trace(QStringLiteral("Rollback transaction ") + error);
    };
    c.OnDisconnect = [](TADOConnection &) { trace(QStringLiteral("Disconnect ")); };
    c.AfterDisconnect = [](TADOConnection &) { trace(QStringLiteral("DisConnected")); };
    // Statements and their parameters are only written out while someone reads the trace.
    c.OnWillExecute = [this](TADOConnection &, const TExecuteInfo &info) {
        if (!platformLogWanted(LogKind::Raw))
            return;
        m_executeStart = Services::clock()->tickCount();
        const bool secret = !m_secretStatement.isEmpty() && info.CommandText == m_secretStatement;
        trace(QStringLiteral("WillExecute.. ") + (secret ? m_secretShownAs : info.CommandText));
        if (info.Parameters && !secret) {
            int index = 0;
            for (const TParam &p : *info.Parameters) {
                if (info.Source == TExecuteSource::DataSet)
                    trace(QStringLiteral("P[%1] %2 = %3").arg(index).arg(p.Name(), valueText(p.Value())));
                else
                    trace(p.Name() + QStringLiteral(" = ") + valueText(p.Value()));
                ++index;
            }
        }
        trace(QString());
    };
    c.OnExecuteComplete = [this](TADOConnection &, double, const QString &, TEventStatus) {
        if (!platformLogWanted(LogKind::Raw))
            return;
        trace(QStringLiteral("Execute time: ") + seconds(m_executeStart, Services::clock()->tickCount())
              + QStringLiteral(" s."));
    };
}

void TDMR::buildConnection()
{
    const QString udl = QDir(m_connectionsFolder).absoluteFilePath(m_databaseName + QStringLiteral(".udl"));
    if (!QFileInfo::exists(udl))
        refuseLogon(TLogonFailure::Missing,
            QStringLiteral("The connection file %1 does not exist").arg(QDir::toNativeSeparators(udl)));
    m_connection->LoadFromFile(udl);
    // The typed login always wins over what the file says.
    m_connection->SetConnectionProperty(QStringLiteral("User ID"), m_userName);
    m_connection->SetConnectionProperty(QStringLiteral("Password"), m_password);
    if (m_connection->Provider() == TADOConnection::TProvider::SQLite) {
        // A data file named by a relative path lies in the user's data folder, so that no build holds it.
        const QString source = m_connection->ConnectionProperty(QStringLiteral("Data Source")).trimmed();
        if (!source.isEmpty())
            m_connection->SetConnectionProperty(QStringLiteral("Data Source"), ResolveUserDataPath(source));
    }
}

namespace {

// A server's refusal of a connect, told by its words (the server gives no code before a session exists).
TLogonFailure serverRefusal(const QString &message)
{
    const auto says
        = [&message](const char *text) { return message.contains(QLatin1String(text), Qt::CaseInsensitive); };
    if (says("password authentication failed") || says("no password supplied") || says("authentication failed")
        || (says("role \"") && says("does not exist")))
        return TLogonFailure::Credentials;
    if (says("database \"") && says("does not exist"))
        return TLogonFailure::Missing;
    if (says("connection refused") || says("could not translate host name") || says("timeout expired")
        || says("no route to host") || says("network is unreachable") || says("server closed the connection"))
        return TLogonFailure::Unreachable;
    return TLogonFailure::Other;
}

} // namespace

void TDMR::refuseLogon(TLogonFailure kind, const QString &message)
{
    m_lastLogonFailure = kind;
    throw EDatabaseError(message);
}

bool TDMR::DbLogON(const QString &userName, const QString &password, const QString &databaseName)
{
    bool result = false;
    m_lastLogonError.clear();
    m_lastLogonFailure = TLogonFailure::None;
    m_readOnly = false;
    const auto failed = [this](const Exception &e) {
        m_lastLogonError = e.message();
        if (m_lastLogonFailure == TLogonFailure::None)
            m_lastLogonFailure = m_connection->Provider() == TADOConnection::TProvider::SQLite
                ? TLogonFailure::Other
                : serverRefusal(e.message());
        platformLog(LogKind::Error, e.message());
    };
    try {
        m_connection->Close();
        m_userName = userName.toUpper();
        m_password = password;
        m_databaseName = databaseName;
        m_userId = -1;
        buildConnection();

        bool created = false;
        try {
            if (m_connection->Provider() == TADOConnection::TProvider::SQLite)
                created = openEmbeddedDatabase();
            else
                m_connection->Open();
        } catch (const Exception &e) {
            failed(e);
        }
        result = m_connection->Connected();
        if (!result)
            return false;
        if (created)
            trace(QStringLiteral("New database ") + m_connection->ConnectionProperty(QStringLiteral("Data Source")));
        m_readOnly = askReadOnly();
        // The session's date format: both engines take dates in one fixed form, so there is nothing to set.
        result = GetUserId();
    } catch (const Exception &e) {
        failed(e);
        result = false;
    }
    return result;
}

bool TDMR::askReadOnly()
{
    try {
        if (m_connection->Provider() == TADOConnection::TProvider::SQLite) {
            sqlite3 *db = sqliteHandleOf(m_connection->DriverHandle());
            return db && sqlite3_db_readonly(db, "ZOLT") == 1;
        }
        return m_connection->SelectValue(QStringLiteral("select current_setting('transaction_read_only')")).toString()
            == QLatin1String("on");
    } catch (const Exception &e) {
        // Not knowing is no reason to refuse the session: a write then fails with the engine's own words.
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::openEmbeddedDatabase()
{
    const QString file = m_connection->ConnectionProperty(QStringLiteral("Data Source"));
    const QString shown = QDir::toNativeSeparators(file);
    if (!QFileInfo::exists(file)) {
        // A mistyped path must not open a second, empty database: only a connection file that asks for it
        // makes one.
        if (m_connection->ConnectionProperty(QStringLiteral("Create If Missing")).trimmed().compare(
                QLatin1String("True"), Qt::CaseInsensitive)
            != 0)
            refuseLogon(TLogonFailure::Missing, QStringLiteral("The database file %1 does not exist").arg(shown));
        return createNewEmbeddedDatabase();
    }
    // The engine takes an empty or cut file for a new, empty database and would write into it: the header is
    // read before the engine sees the file, and so is the write-ahead log, which the engine would replay onto
    // it.
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            refuseLogon(TLogonFailure::Unreachable,
                QStringLiteral("The database file %1 cannot be opened: %2").arg(shown, f.errorString()));
        static constexpr qsizetype HeaderSize = 100;
        const QByteArray header = f.read(HeaderSize);
        if (header.isEmpty())
            refuseLogon(
                TLogonFailure::Damaged, QStringLiteral("The database file %1 is damaged: it is empty").arg(shown));
        if (header.size() < HeaderSize)
            refuseLogon(TLogonFailure::Damaged,
                QStringLiteral("The database file %1 is damaged: it is too short to hold a database (%2 bytes)")
                    .arg(shown)
                    .arg(header.size()));
        if (!header.startsWith(QByteArray("SQLite format 3", 16)))
            refuseLogon(TLogonFailure::Damaged,
                QStringLiteral("The database file %1 is damaged: file is not a database").arg(shown));
        const QString log = file + QStringLiteral("-wal");
        if (const QString fault = writeAheadLogFault(header, log); !fault.isEmpty())
            refuseLogon(TLogonFailure::Damaged,
                QStringLiteral("The database file %1 is damaged: its write-ahead log %2 %3")
                    .arg(shown, QDir::toNativeSeparators(log), fault));
        if (const qint64 counted = countedSize(header, file); counted > f.size())
            refuseLogon(TLogonFailure::Damaged,
                QStringLiteral("The database file %1 is damaged: it is cut short (%2 bytes of %3)")
                    .arg(shown)
                    .arg(f.size())
                    .arg(counted));
    }
    try {
        m_connection->Open();
    } catch (const EDatabaseError &e) {
        const bool damaged
            = e.message().contains(QLatin1String("malformed")) || e.message().contains(QLatin1String("not a database"));
        if (damaged)
            refuseLogon(
                TLogonFailure::Damaged, QStringLiteral("The database file %1 is damaged: %2").arg(shown, e.message()));
        refuseLogon(TLogonFailure::Unreachable,
            QStringLiteral("The database file %1 cannot be opened: %2").arg(shown, e.message()));
    }
    // Opening read the schema. A login costs the same on a file of any size, so every page is not read: the top
    // page of each table and index is, which finds a file overwritten or cut short; a page damaged deeper down
    // fails the statement that meets it, naming the file.
    sqlite3 *db = sqliteHandleOf(m_connection->DriverHandle());
    const QString check = db ? firstDamagedObject(db) : QString();
    if (!check.isEmpty()) {
        m_connection->Close();
        refuseLogon(TLogonFailure::Damaged, QStringLiteral("The database file %1 is damaged: %2").arg(shown, check));
    }
    return false;
}

bool TDMR::createNewEmbeddedDatabase()
{
    const QString file = m_connection->ConnectionProperty(QStringLiteral("Data Source"));
    QDir().mkpath(QFileInfo(file).absolutePath());
    m_connection->SetCreateIfMissing(true);
    m_connection->Open();
    m_connection->SetCreateIfMissing(false);
    try {
        CreateBaseSchema();
        if (!UpdateDbStructure())
            throw EDatabaseError(m_lastUpgradeError);
        m_connection->Execute(
            QStringLiteral("insert into ZOLT.APP_USER (USER_ID, STATUS_ID, LOGIN_NAME, CREATED, VALID_TO) "
                           "values (1, 1, :P_LOGIN, :P_CREATED, :P_VALID_TO)"),
            {{QStringLiteral("P_LOGIN"), QString::fromLatin1(DemoLogin)},
             {QStringLiteral("P_CREATED"), Services::clock()->now()},
             {QStringLiteral("P_VALID_TO"), QDateTime(QDate(4712, 12, 31), QTime(0, 0))}});
    } catch (...) {
        // A half-made database must not pass for a usable one at the next start.
        m_connection->Close();
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-wal"));
        QFile::remove(file + QStringLiteral("-shm"));
        throw;
    }
    return true;
}

bool TDMR::DbLogOut()
{
    CommitWork();
    m_connection->Close();
    QCoreApplication::processEvents();
    return !m_connection->Connected();
}

bool TDMR::Get_DatabaseConnectStatus() const
{
    return m_connection->Connected();
}

bool TDMR::GetUserId()
{
    bool found = false;
    if (m_connection->Connected()) {
        try {
            const QVariant id = selectValue(
                QStringLiteral("select USER_ID from ZOLT.APP_USER where LOGIN_NAME = :P_LOGIN_NAME "
                               "and VALID_TO = (select MAX(VALID_TO) from ZOLT.APP_USER where LOGIN_NAME = :P_LOGIN_NAME)"),
                {{QStringLiteral("P_LOGIN_NAME"), m_userName}});
            found = !isNullValue(id);
            m_userId = found ? id.toDouble() : -1;
        } catch (const Exception &e) {
            platformLog(LogKind::Error, e.message());
            m_userId = -1;
        }
    }
    CommitWork();
    return found;
}

bool TDMR::CommitWork()
{
    // Outside a transaction every statement has already committed itself.
    if (!m_connection->Connected() || !m_connection->InTransaction())
        return true;
    try {
        m_connection->CommitTrans();
        return true;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

void TDMR::StartTransactionIfNone()
{
    if (!m_connection->InTransaction())
        m_connection->BeginTrans();
}

void TDMR::executeTraced(const QString &statement)
{
    try {
        m_connection->Execute(statement);
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        throw;
    }
}

bool TDMR::ExecSqlScript(const QString &script)
{
    const quint64 start = Services::clock()->tickCount();
    bool ok = true;
    m_lastScriptError.clear();
    // The whole script is split before any of it runs: a ";" in a comment or a quoted text must not start a
    // statement the user never wrote, and a script read otherwise than the engine reads it runs nothing at all.
    const TSqlScript split = SplitSqlScript(script,
        m_connection->Provider() == TADOConnection::TProvider::PostgreSQL ? Dialect::Engine::PostgreSQL
                                                                          : Dialect::Engine::SQLite);
    if (!split.error.isEmpty()) {
        ok = false;
        m_lastScriptError = split.error;
        platformLog(LogKind::Error, split.error);
    }
    for (const QString &piece : split.statements) {
        // A script that ran nothing has not done its work: an upgrade step must not count as done.
        if (!m_connection->Connected()) {
            ok = false;
            m_lastScriptError = QStringLiteral("Нет соединения с базой данных");
            platformLog(LogKind::Error, QStringLiteral("Нет соединения с базой данных\r") + piece);
            break;
        }
        try {
            executeTraced(piece);
        } catch (const Exception &e) {
            ok = false;
            m_lastScriptError = e.message();
            if (m_connection->InTransaction()) {
                try {
                    m_connection->RollbackTrans();
                } catch (const Exception &re) {
                    platformLog(LogKind::Error, re.message());
                }
            }
            const QString shown = (!m_secretStatement.isEmpty() && piece == m_secretStatement) ? m_secretShownAs : piece;
            platformLog(LogKind::Error, e.message() + QLatin1Char('\r') + shown);
            break;
        }
        QCoreApplication::processEvents();
    }
    trace(QStringLiteral("time") + seconds(start, Services::clock()->tickCount()) + QStringLiteral(" с."));
    return ok;
}

QVariant TDMR::selectValue(const QString &text, const TParams &params)
{
    return m_connection->SelectValue(text, params);
}

bool TDMR::GetNextSeqValue(const QString &sequenceName, QVariant &value)
{
    try {
        value = m_connection->SqlDialect()->nextSequenceValue(*m_connection, sequenceName);
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        value = QVariant();
    }
    return !isNullValue(value);
}

// One aggregate over a table: `ifNone` when no row matches. A failed query is logged and raised: an answer
// made up here would become a key or a count the caller writes or acts on.
double TDMR::selectAggregate(const QString &aggregate, const QString &table, const QString &condition,
                             const TParams &params, double ifNone)
{
    try {
        const QVariant v = selectValue(QStringLiteral("select ") + aggregate + QStringLiteral(" from ") + table
                                           + QLatin1Char(' ') + condition,
                                       params);
        return isNullValue(v) ? ifNone : v.toDouble();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        throw;
    }
}

double TDMR::GetNextNo(const QString &keyField, const QString &table, const QString &condition,
                       const TParams &params)
{
    return selectAggregate(QStringLiteral("(MAX(") + keyField + QStringLiteral(")+1) as NEXT_NO"), table, condition,
                           params, 1);
}

double TDMR::GetMinId(const QString &field, const QString &table, const QString &condition, const TParams &params)
{
    return selectAggregate(QStringLiteral("MIN(") + field + QStringLiteral(") as MIN_ID"), table, condition, params, 0);
}

bool TDMR::GetRefCount(const QString &field, const QString &table, const QVariant &value)
{
    return selectAggregate(QStringLiteral("count(*) as Q_Rec"), QStringLiteral("ZOLT.") + table,
                           QStringLiteral("where ") + field + QStringLiteral(" = :P_VALUE"),
                           {{QStringLiteral("P_VALUE"), value}}, 0)
        > 0;
}

int TDMR::GetRecordsCount(const QString &table, const QString &condition, const TParams &params)
{
    return int(selectAggregate(QStringLiteral("count(*) as QRecords"), QStringLiteral("ZOLT.") + table, condition,
                               params, 0));
}

bool TDMR::ChangeDbPassword(const QString &newPassword)
{
    const Dialect *dialect = m_connection->SqlDialect();
    const QString statement = dialect ? dialect->changePasswordStatement(m_userName, newPassword) : QString();
    if (statement.isEmpty())
        return false;
    // The statement runs whole (a ";" in the password must not cut it) and never shows the password.
    m_secretStatement = statement;
    m_secretShownAs = dialect->changePasswordStatement(m_userName, QStringLiteral("***"));
    bool ok = true;
    try {
        executeTraced(statement);
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message() + QLatin1Char('\r') + m_secretShownAs);
        ok = false;
    }
    m_secretStatement.clear();
    m_secretShownAs.clear();
    CommitWork();
    if (ok)
        m_password = newPassword;
    return ok;
}

QVariant TDMR::GetCfgCompanyId()
{
    try {
        const QVariant v = selectValue(QStringLiteral("select COMPANY_ID from ZOLT.MAIN_CFG"));
        return isNullValue(v) ? QVariant(-1) : v;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return -1;
    }
}

void TDMR::sendToMainWindow(int message)
{
    if (m_mainWindow)
        SendMessage(m_mainWindow, message);
}
