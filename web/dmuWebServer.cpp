#include "dmuWebServer.h"

#include "AdoConnection.h"
#include "CodePage.h"
#include "Formats.h"
#include "Services.h"
#include "uCommon.h"
#include "uLog.h"

#include <QDeadlineTimer>
#include <QThread>

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

// Keep-alive connections stay open for this many requests.
constexpr size_t KeepAliveRequests = 100;

// How much of the embedded database file the server's threads map into memory.
constexpr qint64 SqliteMapBytes = qint64(1) << 30;

// The company name of the sign-in reply that finds nobody.
const QString SampleClientName = QStringLiteral("Sample Company");

// The database connection of the current pool thread, and the settings it is made from.
thread_local std::unique_ptr<TADOConnection> *t_connection = nullptr;
thread_local const TADOConnection *t_settings = nullptr;

// The threads that serve the connections. Each keeps its database connection for as long as it lives and
// closes it itself, since a connection belongs to the thread that opened it.
class ConnectionThreads final : public httplib::TaskQueue
{
public:
    ConnectionThreads(const TADOConnection &settings, int count)
    {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this, &settings] { work(settings); });
    }

    // Each job serves one accepted connection, for as many requests as it keeps alive.
    void enqueue(std::function<void()> fn) override
    {
        SendToEventMonitor(QStringLiteral("HTTP Server BeforeConnect"));
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(fn));
        }
        m_wake.notify_one();
    }

    void shutdown() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread &t : m_threads)
            t.join();
    }

private:
    void work(const TADOConnection &settings)
    {
        std::unique_ptr<TADOConnection> own;
        t_connection = &own;
        t_settings = &settings;
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
                if (m_jobs.empty())
                    break;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            SendToEventMonitor(QStringLiteral("HTTP Server Connect"));
            job();
            SendToEventMonitor(QStringLiteral("HTTP Server Disconnect"));
        }
        own.reset();
        t_connection = nullptr;
        t_settings = nullptr;
    }

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_stopping = false;
};

QByteArray headerBytes(const httplib::Request &req, const char *name)
{
    return QByteArray::fromStdString(req.get_header_value(name));
}

QString number(const QVariant &value)
{
    return FloatToStr(value.isNull() ? 0.0 : value.toDouble());
}

QString quoted(const QVariant &value)
{
    return QLatin1Char('"') + JsonEscape(value.toString()) + QLatin1Char('"');
}

} // namespace

TdmWeb::Server::Server(const TADOConnection &mainConnection)
    : m_settings(std::make_unique<TADOConnection>())
    , m_http(std::make_unique<httplib::Server>())
{
    // The settings are copied once, on the interface thread that owns the main connection.
    m_settings->SetConnectionString(mainConnection.ConnectionString());
    for (const auto &[name, shown] : mainConnection.Properties()) {
        const QString value = mainConnection.ConnectionProperty(name);
        if (!value.isEmpty())
            m_settings->SetConnectionProperty(name, value);
    }

    const TADOConnection &settings = *m_settings;
    const int threads = qMax(16, QThread::idealThreadCount());
    m_http->new_task_queue = [&settings, threads] { return new ConnectionThreads(settings, threads); };
    m_http->set_keep_alive_max_count(KeepAliveRequests);
    // A reply leaves in two writes, head and body; without this the body of a kept-alive connection would
    // wait for the client's delayed acknowledgement of the head.
    m_http->set_tcp_nodelay(true);

    const auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        const QString path = QString::fromStdString(req.path);
        const qsizetype mark = qsizetype(req.target.find('?'));
        TRequestParams params;
        if (mark >= 0)
            params = DecodeRequestParams(QByteArray::fromStdString(req.target.substr(size_t(mark) + 1)));
        if (req.method == "POST" && !req.body.empty()) {
            SendToEventMonitor(QStringLiteral("HTTP Server CreatePostStream"));
            if (headerBytes(req, "Content-Type").startsWith("application/x-www-form-urlencoded"))
                params += DecodeRequestParams(QByteArray::fromStdString(req.body));
        }

        // The monitor's lines are only built while someone can see them: a request would otherwise pay for
        // decoding its headers and copying its reply for nothing.
        const bool monitored = IsDebugMode() && IsSqlMonitorOn();
        if (monitored) {
            SendToEventMonitor(QStringLiteral("HTTP ServerCommandGet: ") + QString::number(m_port) + path);
            for (const auto &[name, value] : params)
                SendToEventMonitor(QStringLiteral("param ") + ParamLogText(name, value));
            for (const QByteArray &cookie : headerBytes(req, "Cookie").split(';'))
                if (!cookie.trimmed().isEmpty())
                    SendToEventMonitor(QStringLiteral("Cookie ") + DecodeParamBytes(cookie.trimmed()));
            SendToEventMonitor(QStringLiteral("Host ") + DecodeParamBytes(headerBytes(req, "Host")));
            SendToEventMonitor(QStringLiteral("From ") + DecodeParamBytes(headerBytes(req, "From")));
        }

        const QString body = reply(path, params);
        if (monitored)
            SendToEventMonitor(QStringLiteral("Response ") + body);
        res.status = 200;
        res.set_header("Content-Encoding", "windows-1251");
        res.set_header("Content-Language", "ru");
        res.set_header("Cache-Control", "no-cache");
        res.set_header("Access-Control-Allow-Origin", "*");
        res.set_content(QStringToCP1251(body).toStdString(), "application/json; charset=windows-1251");
    };
    m_http->Get(".*", handler);
    m_http->Post(".*", handler);
    m_http->set_logger([](const httplib::Request &req, const httplib::Response &) {
        if (req.method != "GET" && req.method != "HEAD" && req.method != "POST")
            SendToEventMonitor(QStringLiteral("HTTP Server CommandOther"));
    });
    m_http->set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr error) {
        QString message;
        try {
            std::rethrow_exception(error);
        } catch (const std::exception &e) {
            message = exceptionMessage(e);
        } catch (...) {
        }
        SendToEventMonitor(QStringLiteral("HTTP Server Exception"));
        LogError(message);
        res.status = 500;
    });
}

TdmWeb::Server::~Server()
{
    m_stopping = true;
    m_http->stop();
    if (m_listener.joinable())
        m_listener.join();
}

bool TdmWeb::Server::start(int port)
{
    m_port = port;
    if (!m_http->bind_to_port("0.0.0.0", port))
        return false;
    SendToEventMonitor(QStringLiteral("HTTP Server AfterBind"));
    m_listener = std::thread([this] {
        SendToEventMonitor(QStringLiteral("HTTP ServerBeforeListenerRun"));
        if (!m_http->listen_after_bind() && !m_stopping)
            SendToEventMonitor(QStringLiteral("HTTP Server ListenException"));
    });
    // Listening starts at once; until then the server would not count as running.
    const QDeadlineTimer deadline(5000);
    while (!m_http->is_running() && !deadline.hasExpired())
        std::this_thread::yield();
    return m_http->is_running();
}

bool TdmWeb::Server::running() const
{
    return m_http->is_running();
}

TADOConnection &TdmWeb::Server::threadConnection()
{
    std::unique_ptr<TADOConnection> &own = *t_connection;
    if (!own)
        own = t_settings->CloneForThread();
    if (!own->Connected()) {
        own->Open();
        // The server's threads read the embedded database file through a memory map they share, not each
        // through its own small page cache: the customers a cabinet asks for are all over the file.
        if (own->Provider() == TADOConnection::TProvider::SQLite)
            own->Execute(QStringLiteral("PRAGMA ZOLT.mmap_size=%1").arg(SqliteMapBytes));
    }
    return *own;
}

QString TdmWeb::Server::reply(const QString &path, const TRequestParams &params)
{
    if (path == QLatin1String("/"))
        return QStringLiteral("HTTP сервер v 1.0");
    if (path == QLatin1String("/rest/cabinet/api/v1/signin"))
        return signIn(params);
    if (path == QLatin1String("/rest/cabinet/api/v1/account-info"))
        return accountInfo(params);
    return QStringLiteral("Error");
}

QString TdmWeb::Server::signIn(const TRequestParams &params)
{
    const QString accountNo = ParamValue(params, QStringLiteral("username"));
    const QString password = ParamValue(params, QStringLiteral("password"));
    TADOConnection &db = threadConnection();
    QSqlQuery found = db.OpenQuery(
        QStringLiteral("select C.CUSTOMER_ID, CONCAT(C.SURNAME, ' ', C.INITIALS) as CLIENT_NAME from ZOLT.CUSTOMER C "
                       "where C.ACCOUNT_NO = :P_ACCOUNT_NO and C.PASSW = :P_PASSW"),
        ParamsOf({ { QStringLiteral("P_ACCOUNT_NO"), accountNo },
            { QStringLiteral("P_PASSW"), WebPasswordDigest(password) } }),
        TExecuteSource::DataSet);
    const QString tail = QStringLiteral(",\"activeSign\": 1},\"accNo\": ") + quoted(accountNo)
                         + QStringLiteral(",\"clientName\": ");
    if (!found.next())
        return QStringLiteral("{\"token\": {\"apiKey\": \"mock_auth_07\",\"expiresAfter\": -1") + tail
               + quoted(SampleClientName) + QStringLiteral(",\"authorities\": []}");
    const QVariant customerId = found.value(0);
    const QVariant clientName = found.value(1);
    found.finish();
    SendToEventMonitor(QStringLiteral("Found customerId ") + customerId.toString());

    const QString token = MakeToken();
    const QDate expiry = Services::clock()->today().addDays(30);
    db.Execute(QStringLiteral("insert into ZOLT.CUSTOMER_TOKEN (CUSTOMER_ID, TOKEN_ID, EXPITES_AFTER) "
                              "values (:CUSTOMER_ID, :TOKEN_ID, :EXPITES_AFTER)"),
        ParamsOf({ { QStringLiteral("CUSTOMER_ID"), customerId }, { QStringLiteral("TOKEN_ID"), token },
            { QStringLiteral("EXPITES_AFTER"), QDateTime(expiry, QTime(0, 0)) } }),
        TExecuteSource::Command);
    const double dayNumber = double(QDate(1899, 12, 30).daysTo(expiry));
    return QStringLiteral("{\"token\": {\"apiKey\": \"") + token + QStringLiteral("\",\"expiresAfter\": ")
           + FloatToStr(dayNumber) + tail + quoted(clientName) + QStringLiteral(",\"authorities\": []}");
}

QString TdmWeb::Server::accountInfo(const TRequestParams &params)
{
    const QString key = ParamValue(params, QStringLiteral("cabinetApiKey"));
    SendToEventMonitor(QStringLiteral("apiKey ") + key);
    TADOConnection &db = threadConnection();
    // The account, its services and its documents come in one statement, one round trip to a database
    // server: the account's row first, then the services in the order they were subscribed, then the
    // documents, newest first. No row at all: the token is unknown or has expired.
    QSqlQuery rows = db.OpenQuery(
        QStringLiteral(
            "with TOK as (select CUSTOMER_ID from ZOLT.CUSTOMER_TOKEN where TOKEN_ID = :P_TOKEN and EXPITES_AFTER >= :P_NOW) "
            "select 0 as KIND, C.CUSTOMER_ID as ID, C.ACCOUNT_NO as TEXT1, CONCAT(C.SURNAME, ' ', C.INITIALS) as TEXT2, "
            "cast(null as varchar(10)) as TEXT3, C.DEBT_SUM as AMOUNT, 0 as ORD "
            "from TOK, ZOLT.CUSTOMER C where C.CUSTOMER_ID = TOK.CUSTOMER_ID "
            "union all "
            "select 1, SS.SERV_ID, S.SERV_DESCR, (case when SS.STATE_SGN = 1 THEN 'true' ELSE 'false' end), null, null, "
            "SS.SUBSCR_SERV_ID from TOK, ZOLT.SUBSCR_SERV SS, ZOLT.SERV S "
            "where SS.CUSTOMER_ID = TOK.CUSTOMER_ID and SS.SERV_ID = S.SERV_ID "
            "union all "
            "select 2, D.CUST_DOC_ID, D.DOC_NAME, D.DOC_URL, TO_CHAR(D.DOC_DATE, 'YYYY-MM-DD'), null, D.CUST_DOC_ID "
            "from TOK, ZOLT.CUST_DOC D where D.CUSTOMER_ID = TOK.CUSTOMER_ID "
            "order by 1, 5 desc, 7"),
        ParamsOf({ { QStringLiteral("P_TOKEN"), key }, { QStringLiteral("P_NOW"), Services::clock()->now() } }),
        TExecuteSource::DataSet);
    enum { Kind, Id, Text1, Text2, Text3, Amount };
    if (!rows.next() || rows.value(Kind).toInt() != 0)
        return {};
    QString body = QStringLiteral("{\"accountNo\": ") + quoted(rows.value(Text1)) + QStringLiteral(",\"clientName\": ")
                   + quoted(rows.value(Text2)) + QStringLiteral(",\"balance\": ")
                   + FloatToDotText(rows.value(Amount).isNull() ? 0.0 : rows.value(Amount).toDouble());
    QStringList services, documents;
    while (rows.next()) {
        if (rows.value(Kind).toInt() == 1)
            services << QStringLiteral("{\"subscrServiceId\": ") + number(rows.value(Id))
                            + QStringLiteral(",\"serviceName\": ") + quoted(rows.value(Text1))
                            + QStringLiteral(",\"state\": ") + rows.value(Text2).toString() + QLatin1Char('}');
        else
            documents << QStringLiteral("{\"docId\": ") + number(rows.value(Id)) + QStringLiteral(",\"docName\": ")
                             + quoted(rows.value(Text1)) + QStringLiteral(",\"docUrl\": ") + quoted(rows.value(Text2))
                             + QStringLiteral(",\"docDate\": ") + quoted(rows.value(Text3)) + QLatin1Char('}');
    }
    return body + QStringLiteral(",\"services\": [") + services.join(QLatin1Char(','))
           + QStringLiteral("],\"documents\": [") + documents.join(QLatin1Char(',')) + QStringLiteral("]}");
}
