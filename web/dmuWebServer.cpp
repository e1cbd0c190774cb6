#include "dmuWebServer.h"

#include "AdoConnection.h"
#include "CodePage.h"
#include "Formats.h"
#include "Services.h"
#include "uCommon.h"
#include "uHttpServer.h"
#include "uLog.h"

#include <QThread>

namespace {

// How much of the embedded database file the server's threads map into memory.
constexpr qint64 SqliteMapBytes = qint64(1) << 30;

// The company name of the sign-in reply that finds nobody.
const QString SampleClientName = QStringLiteral("Sample Company");

// The database connection of the current worker. A connection belongs to the thread that opened it, which
// closes it when it ends with the server.
thread_local std::unique_ptr<TADOConnection> t_connection;

QString number(const QVariant &value)
{
    return FloatToStr(value.isNull() ? 0.0 : value.toDouble());
}

QString quoted(const QVariant &value)
{
    return QLatin1Char('"') + JsonEscape(value.toString()) + QLatin1Char('"');
}

// The refusal of a request whose parameters hold a NUL: a database server may cut a bound text there, and
// "1002<NUL>abc" would then be taken for the account "1002". Empty when there is none.
QString nulRefusal(const TRequestParams &params)
{
    for (const auto &[name, value] : params)
        if (name.contains(QChar(0)) || value.contains(QChar(0)))
            return QStringLiteral("Параметр %1 содержит символ NUL").arg(QString(name).remove(QChar(0)));
    return {};
}

} // namespace

TdmWeb::Server::Server(const TADOConnection &mainConnection)
    : m_settings(std::make_unique<TADOConnection>())
{
    // The settings are copied once, on the interface thread that owns the main connection.
    m_settings->SetConnectionString(mainConnection.ConnectionString());
    for (const auto &[name, shown] : mainConnection.Properties()) {
        const QString value = mainConnection.ConnectionProperty(name);
        if (!value.isEmpty())
            m_settings->SetConnectionProperty(name, value);
    }
    m_http = std::make_unique<THttpServer>(
        [this](const THttpRequest &request, THttpReply &response) { serve(request, response); },
        qMax(16, QThread::idealThreadCount()));
}

TdmWeb::Server::~Server()
{
    // The workers end, and close their connections, while the settings they were made from still exist.
    m_http.reset();
}

bool TdmWeb::Server::start(const QString &address, int port)
{
    m_port = port;
    return m_http->listen(address, port);
}

bool TdmWeb::Server::running() const
{
    return m_http->running();
}

void TdmWeb::Server::serve(const THttpRequest &request, THttpReply &response)
{
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
        SendToEventMonitor(QStringLiteral("HTTP Server CommandOther"));
        response.status = 405;
        response.headers.append({ QByteArrayLiteral("Allow"), QByteArrayLiteral("GET, HEAD, POST") });
        return;
    }
    const qsizetype mark = request.target.indexOf('?');
    const QString path
        = QString::fromUtf8(QByteArray::fromPercentEncoding(mark < 0 ? request.target : request.target.left(mark)));
    TRequestParams params;
    if (mark >= 0)
        params = DecodeRequestParams(request.target.mid(mark + 1));
    if (request.method == "POST" && !request.body.isEmpty()) {
        SendToEventMonitor(QStringLiteral("HTTP Server CreatePostStream"));
        if (request.header("Content-Type").startsWith("application/x-www-form-urlencoded"))
            params += DecodeRequestParams(request.body);
    }

    // The monitor's lines are only built while someone can see them: a request would otherwise pay for
    // decoding its headers and copying its reply for nothing.
    const bool monitored = IsDebugMode() && IsSqlMonitorOn();
    if (monitored) {
        SendToEventMonitor(QStringLiteral("HTTP ServerCommandGet: ") + QString::number(m_port) + path);
        for (const auto &[name, value] : params)
            SendToEventMonitor(QStringLiteral("param ") + ParamLogText(name, value));
        for (const QByteArray &cookie : request.header("Cookie").split(';'))
            if (!cookie.trimmed().isEmpty())
                SendToEventMonitor(QStringLiteral("Cookie ") + DecodeParamBytes(cookie.trimmed()));
        SendToEventMonitor(QStringLiteral("Host ") + DecodeParamBytes(request.header("Host")));
        SendToEventMonitor(QStringLiteral("From ") + DecodeParamBytes(request.header("From")));
    }

    const QString refusal = nulRefusal(params);
    const QString body = refusal.isEmpty() ? reply(path, params) : refusal;
    if (monitored)
        SendToEventMonitor(QStringLiteral("Response ") + body);
    response.status = refusal.isEmpty() ? 200 : 400;
    response.headers = { { "Content-Encoding", "windows-1251" }, { "Content-Language", "ru" },
        { "Content-Type",
            refusal.isEmpty() ? "application/json; charset=windows-1251" : "text/plain; charset=windows-1251" },
        { "Cache-Control", "no-cache" }, { "Access-Control-Allow-Origin", "*" } };
    response.body = QStringToCP1251(body);
}

TADOConnection &TdmWeb::Server::threadConnection()
{
    std::unique_ptr<TADOConnection> &own = t_connection;
    if (!own)
        own = m_settings->CloneForThread();
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

QString AccountInfoStatement()
{
    return QStringLiteral(
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
        "order by 1, 5 desc, 7");
}

QString TdmWeb::Server::accountInfo(const TRequestParams &params)
{
    const QString key = ParamValue(params, QStringLiteral("cabinetApiKey"));
    SendToEventMonitor(QStringLiteral("apiKey ") + key);
    TADOConnection &db = threadConnection();
    // The account, its services and its documents come in one statement, one round trip to a database
    // server: the account's row first, then the services in the order they were subscribed, then the
    // documents, newest first. No row at all: the token is unknown or has expired.
    QSqlQuery rows = db.OpenQuery(AccountInfoStatement(),
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
