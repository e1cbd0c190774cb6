#include "CabinetFixture.h"

#include "ApplicationHint.h"
#include "MonitorLines.h"
#include "frmuBugDebug.h"
#include "uLog.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTest>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

TEST_P(CabinetServer, InitialPasswordsAreContractDatesAndSignInGivesAToken)
{
    ASSERT_TRUE(bool(m_dmr->InitEmptyWebPasswords));
    m_dmr->InitEmptyWebPasswords();
    TADOConnection *db = m_dmr->dbConnection();
    EXPECT_EQ(db->SelectValue(QStringLiteral("select PASSW from ZOLT.CUSTOMER where CUSTOMER_ID = 1")).toString(),
        digest("20190305"));
    EXPECT_TRUE(isNullValue(db->SelectValue(QStringLiteral("select PASSW from ZOLT.CUSTOMER where CUSTOMER_ID = 3"))));

    startServer();
    EXPECT_EQ(s(ApplicationHint()), s(QStringLiteral("HTTP Server started. Port:%1").arg(m_web->Port())));
    const QString reply = signIn("1001", "20190305");
    const QString token = tokenOf(reply);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(token).hasMatch()) << s(reply);
    EXPECT_EQ(s(reply), s(expectedSignIn(token, QStringLiteral("1001"), QStringLiteral("Пе\\\"тр\\\\ов А.Б."))));
    EXPECT_EQ(db->SelectValue(QStringLiteral("select CUSTOMER_ID from ZOLT.CUSTOMER_TOKEN where TOKEN_ID = :P_T"),
                    ParamsOf({ { QStringLiteral("P_T"), token } }))
                  .toInt(),
        1);

    // Two sign-ins at the same moment get two tokens.
    const QString again = tokenOf(signIn("1001", "20190305"));
    EXPECT_NE(s(again), s(token));
    EXPECT_EQ(tokenRows(), 2);

    // Account numbers and passwords that do not match get the sample reply and no token.
    EXPECT_EQ(s(signIn("1001", "20190306")), s(sampleSignIn(QStringLiteral("1001"))));
    EXPECT_EQ(s(signIn("1001' or '1'='1", "x")), s(sampleSignIn(QStringLiteral("1001' or '1'='1"))));
    EXPECT_EQ(s(signIn("9999", "20190305")), s(sampleSignIn(QStringLiteral("9999"))));
    EXPECT_EQ(tokenRows(), 2);
}

TEST_P(CabinetServer, AccountInformationListsServicesAndDocumentsUntilTheTokenExpires)
{
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("пароль"), 1));
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("p2"), 2));
    startServer();
    const QString token = tokenOf(signIn("1001", QStringToCP1251(QStringLiteral("пароль")).constData()));
    ASSERT_FALSE(token.isEmpty());
    EXPECT_EQ(s(accountInfo(token)),
        "{\"accountNo\": \"1001\",\"clientName\": \"Пе\\\"тр\\\\ов А.Б.\",\"balance\": -123.5,\"services\": ["
        "{\"subscrServiceId\": 901,\"serviceName\": \"Кабельное ТВ\",\"state\": true},"
        "{\"subscrServiceId\": 902,\"serviceName\": \"Интернет\",\"state\": false}],\"documents\": ["
        "{\"docId\": 12,\"docName\": \"Счёт\",\"docUrl\": \"http://x/12\",\"docDate\": \"2024-02-01\"},"
        "{\"docId\": 11,\"docName\": \"Договор\",\"docUrl\": \"http://x/11\",\"docDate\": \"2019-03-05\"}]}");

    const QString second = tokenOf(signIn("1002", "p2"));
    EXPECT_EQ(s(accountInfo(second)),
        "{\"accountNo\": \"1002\",\"clientName\": \"Иванов А.Б.\",\"balance\": 0,\"services\": [],\"documents\": []}");

    // Unknown and missing keys get an empty body with status 200.
    const httplib::Result unknown = client().Get("/rest/cabinet/api/v1/account-info?cabinetApiKey=nope");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 200);
    EXPECT_EQ(unknown->body, "");
    EXPECT_EQ(s(accountInfo(QString())), "");
    EXPECT_EQ(body(client().Get("/rest/cabinet/api/v1/account-info")).toStdString(), "");

    // Thirty days on the token still holds; a moment later it does not.
    m_clock.setNow(QDateTime(QDate(2024, 4, 9), QTime(0, 0)));
    EXPECT_FALSE(accountInfo(token).isEmpty());
    m_clock.setNow(QDateTime(QDate(2024, 4, 9), QTime(0, 0, 1)));
    EXPECT_EQ(s(accountInfo(token)), "");
}

TEST_P(CabinetServer, ACustomerWithoutInitialsIsNamedByTheSurname)
{
    m_dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.CUSTOMER set INITIALS = null where CUSTOMER_ID = 3"));
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("p3"), 3));
    startServer();
    const QString reply = signIn("1003", "p3");
    const QString token = tokenOf(reply);
    ASSERT_FALSE(token.isEmpty()) << s(reply);
    EXPECT_EQ(s(reply), s(expectedSignIn(token, QStringLiteral("1003"), QStringLiteral("Без договора "))));
    EXPECT_EQ(s(accountInfo(token)),
        "{\"accountNo\": \"1003\",\"clientName\": \"Без договора \",\"balance\": 0,\"services\": [],"
        "\"documents\": []}");
}

TEST_P(CabinetServer, RepliesCarryTheirHeadersAndUnknownPathsAnError)
{
    startServer();
    httplib::Client c = client();
    const httplib::Result root = c.Get("/");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->status, 200);
    EXPECT_EQ(QByteArray::fromStdString(root->body), QStringToCP1251(QStringLiteral("HTTP сервер v 1.0")));
    const std::pair<const char *, const char *> headers[] = {
        { "Content-Encoding", "windows-1251" },
        { "Content-Language", "ru" },
        { "Content-Type", "application/json; charset=windows-1251" },
        { "Cache-Control", "no-cache" },
        { "Access-Control-Allow-Origin", "*" },
    };
    for (const auto &[name, value] : headers)
        EXPECT_EQ(root->get_header_value(name), value) << name;

    for (const char *path : { "/favicon.ico", "/rest/cabinet/api/v1", "/rest/cabinet/api/v1/signin/x" })
        EXPECT_EQ(s(body(c.Get(path))), "Error") << path;
    const httplib::Result head = c.Head("/rest/cabinet/api/v1/signin");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->body, "");
    EXPECT_EQ(head->get_header_value("Content-Language"), "ru");
    // Other methods get the server library's own reply, and the server carries on.
    const httplib::Result put = c.Put("/", "x", "text/plain");
    ASSERT_TRUE(put);
    EXPECT_NE(put->status, 200);
    EXPECT_EQ(s(body(c.Get("/x"))), "Error");
}

TEST_P(CabinetServer, ParametersAreDecodedAsUtf8OrCp1251)
{
    startServer();
    httplib::Client c = client();
    c.set_url_encode(false);
    // "И" in UTF-8, then in CP1251; a malformed escape stays as it came.
    EXPECT_EQ(s(body(c.Get("/rest/cabinet/api/v1/signin?username=%D0%98&password=x"))), s(sampleSignIn(QStringLiteral("И"))));
    EXPECT_EQ(s(body(c.Get("/rest/cabinet/api/v1/signin?username=%C8&password=x"))), s(sampleSignIn(QStringLiteral("И"))));
    EXPECT_EQ(s(body(c.Get("/rest/cabinet/api/v1/signin?username=a%2x+b%22&password=x"))),
        s(sampleSignIn(QStringLiteral("a%2x b\\\""))));

    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("Ёж"), 2));
    // The password's digest is of its CP1251 bytes whichever way the form sent it.
    EXPECT_EQ(tokenOf(body(c.Get("/rest/cabinet/api/v1/signin?username=1002&password=%D0%81%D0%B6"))).size(), 32);
    EXPECT_EQ(tokenOf(body(c.Get("/rest/cabinet/api/v1/signin?username=1002&password=%A8%E6"))).size(), 32);
}

TEST_P(CabinetServer, PasswordsNeverReachTheEventMonitor)
{
    const bool debug = IsDebugMode(), monitor = IsSqlMonitorOn();
    SetDebugMode(true);
    SetSqlMonitor(true);
    TfrmBugDebug *events = ShowEventMonitor();
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("Zx-secret"), 2));
    startServer();
    signIn("1002", "Zx-secret");
    signIn("1002", "wrong-secret");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return events->memoEvents->toPlainText().count(QStringLiteral("Response ")) >= 2; }, 5000));
    const QString text = events->memoEvents->toPlainText();
    events->close();
    SetDebugMode(debug);
    SetSqlMonitor(monitor);
    EXPECT_TRUE(text.contains(QStringLiteral("custId: 2 passw: ***"))) << s(text);
    EXPECT_TRUE(text.contains(QStringLiteral("param password=***"))) << s(text);
    EXPECT_TRUE(text.contains(QStringLiteral("param username=1002"))) << s(text);
    EXPECT_TRUE(text.contains(QStringLiteral("Found customerId 2"))) << s(text);
    EXPECT_FALSE(text.contains(QStringLiteral("secret"))) << s(text);
    EXPECT_FALSE(text.contains(digest("Zx-secret"))) << s(text);
}

TEST_P(CabinetServer, EveryServerEventAndRequestReachesTheEventMonitorInOrder)
{
    const bool debug = IsDebugMode(), monitor = IsSqlMonitorOn();
    SetDebugMode(true);
    SetSqlMonitor(true);
    TfrmBugDebug *events = ShowEventMonitor();
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("p2"), 2));
    startServer();
    const QString port = QString::number(m_web->Port());
    {
        httplib::Client c = client();
        c.set_url_encode(false);
        const httplib::Headers headers { { "Cookie", "a=1; b=2" }, { "From", "abonent@example.org" } };
        ASSERT_TRUE(c.Post("/rest/cabinet/api/v1/signin", headers, "username=1002&password=p2&rememberMe=true",
            "application/x-www-form-urlencoded"));
        ASSERT_TRUE(c.Get("/nowhere?x=%D0%98"));
        ASSERT_TRUE(c.Delete("/"));
    }
    RunCommand(QStringLiteral("actStopWebServer"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return events->memoEvents->toPlainText().contains(QLatin1String("HTTP Server Disconnect")); }, 5000));
    const QString text = events->memoEvents->toPlainText();
    events->close();
    SetDebugMode(debug);
    SetSqlMonitor(monitor);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString signInReply = lines.filter(QStringLiteral("Response {\"token\"")).value(0);
    EXPECT_TRUE(signInReply.contains(QLatin1String("\"accNo\": \"1002\""))) << s(text);
    const QString missing = missingInOrder(lines,
        { QStringLiteral("custId: 2 passw: ***"), QStringLiteral("HTTP Server AfterBind"),
            QStringLiteral("HTTP ServerBeforeListenerRun"), QStringLiteral("HTTP Server BeforeConnect"), QStringLiteral("HTTP Server Connect"),
            QStringLiteral("HTTP Server CreatePostStream"),
            QStringLiteral("HTTP ServerCommandGet: ") + port + QStringLiteral("/rest/cabinet/api/v1/signin"),
            QStringLiteral("param username=1002"), QStringLiteral("param password=***"),
            QStringLiteral("param rememberMe=true"), QStringLiteral("Cookie a=1"), QStringLiteral("Cookie b=2"),
            QStringLiteral("Host 127.0.0.1:") + port, QStringLiteral("From abonent@example.org"),
            QStringLiteral("Found customerId 2"), signInReply,
            QStringLiteral("HTTP ServerCommandGet: ") + port + QStringLiteral("/nowhere"), QStringLiteral("param x=И"),
            QStringLiteral("Host 127.0.0.1:") + port, QStringLiteral("From "), QStringLiteral("Response Error"),
            QStringLiteral("HTTP Server CommandOther"), QStringLiteral("HTTP Server Disconnect") });
    EXPECT_TRUE(missing.isEmpty()) << "missing or out of order: " << s(missing) << "\n" << s(text);
    EXPECT_TRUE(lines.contains(QStringLiteral("HTTP Server started. Port:") + port)) << s(text);
    // A GET has no body to take in, and the refused method is not served as a command.
    EXPECT_EQ(lines.count(QStringLiteral("HTTP Server CreatePostStream")), 1) << s(text);
    EXPECT_EQ(lines.filter(QStringLiteral("HTTP ServerCommandGet: ")).size(), 2) << s(text);
}

TEST_P(CabinetServer, NoRequestStopsTheServer)
{
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("p1"), 1));
    startServer();
    const QString token = tokenOf(signIn("1001", "p1"));
    ASSERT_FALSE(token.isEmpty());

    // Bytes that are no request, a request cut short and a header past every limit, each on a connection of
    // its own.
    const QByteArray junk[] = { QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11),
        QByteArray("GET /rest/cabinet/api/v1/signin?username=1001"),
        QByteArray("GET / HTTP/1.1\r\nHost: x\r\nX-Long: ") + QByteArray(200000, 'a') + "\r\n\r\n",
        QByteArray("POST /rest/cabinet/api/v1/signin HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\nx") };
    for (const QByteArray &bytes : junk) {
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, quint16(m_web->Port()));
        ASSERT_TRUE(raw.waitForConnected(5000));
        raw.write(bytes);
        raw.waitForBytesWritten(5000);
        raw.disconnectFromHost();
        EXPECT_EQ(s(body(client().Get("/"))), "HTTP сервер v 1.0") << bytes.left(40).toStdString();
    }

    // A database error inside a handler gets the server library's error reply; the next request is served.
    if (const tarvik::test::PgDatabase *pg = m_data.pg()) {
        // Only the table's owner may drop it.
        {
            QSqlDatabase admin = pg->connect(QStringLiteral("cabinet_admin"));
            ASSERT_TRUE(admin.open());
            QSqlQuery q(admin);
            ASSERT_TRUE(q.exec(QStringLiteral("drop table ZOLT.CUST_DOC"))) << s(q.lastError().text());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("cabinet_admin"));
    } else {
        m_dmr->dbConnection()->Execute(QStringLiteral("drop table ZOLT.CUST_DOC"));
    }
    const httplib::Result failed = client().Get("/rest/cabinet/api/v1/account-info?cabinetApiKey=" + token.toStdString());
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->status, 500);
    EXPECT_EQ(s(body(client().Get("/"))), "HTTP сервер v 1.0");
    EXPECT_EQ(tokenOf(signIn("1001", "p1")).size(), 32);
    EXPECT_TRUE(m_web->Active());
}

TEST_P(CabinetServer, ConcurrentRequestsRunBesideAWriteOfTheInterfaceThread)
{
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("p1"), 1));
    startServer();
    const QString token = tokenOf(signIn("1001", "p1"));
    const QString expected = accountInfo(token);
    ASSERT_TRUE(expected.startsWith(QLatin1String("{\"accountNo\": \"1001\""))) << s(expected);

    std::atomic<int> wrong { 0 }, done { 0 };
    std::mutex firstWrongMutex;
    QString firstWrong;
    std::vector<std::thread> clients;
    for (int i = 0; i < 8; ++i)
        clients.emplace_back([&, i] {
            httplib::Client c = client();
            for (int k = 0; k < 15; ++k) {
                const httplib::Result r = (i % 2)
                    ? c.Get("/rest/cabinet/api/v1/account-info?cabinetApiKey=" + token.toStdString())
                    : c.Post("/rest/cabinet/api/v1/signin", httplib::Params { { "username", "1001" }, { "password", "p1" } });
                const QString text = r ? CP1251ToQString(QByteArray::fromStdString(r->body)) : QString();
                if (!r || r->status != 200 || ((i % 2) ? text != expected : !text.contains(QLatin1String("\"accNo\": \"1001\""))))
                {
                    ++wrong;
                    std::lock_guard lock(firstWrongMutex);
                    if (firstWrong.isEmpty())
                        firstWrong = QStringLiteral("%1 %2").arg(r ? r->status : -1).arg(text);
                }
            }
            ++done;
        });
    // Meanwhile the interface thread writes on the main connection.
    int writes = 0;
    for (int k = 0; k < 30; ++k) {
        if (m_web->SetCustomerWebPassword(QStringLiteral("w%1").arg(writes), 2))
            ++writes;
        QApplication::processEvents();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return done == 8; }, 60000));
    for (std::thread &t : clients)
        t.join();
    EXPECT_EQ(wrong, 0) << s(firstWrong);
    EXPECT_EQ(writes, 30);
    EXPECT_EQ(tokenRows(), 1 + 4 * 15);
    EXPECT_EQ(m_dmr->dbConnection()->SelectValue(QStringLiteral("select PASSW from ZOLT.CUSTOMER where CUSTOMER_ID = 2")).toString(),
        WebPasswordDigest(QStringLiteral("w%1").arg(writes - 1)));
}

TEST_P(CabinetServer, CurlSignsIn)
{
    ASSERT_TRUE(m_web->SetCustomerWebPassword(QStringLiteral("curl-pw"), 2));
    startServer();
    QProcess curl;
    curl.start(QStringLiteral("curl"), { QStringLiteral("-s"), QStringLiteral("-i"),
        QStringLiteral("http://127.0.0.1:%1/rest/cabinet/api/v1/signin").arg(m_web->Port()),
        QStringLiteral("-d"), QStringLiteral("username=1002"), QStringLiteral("-d"), QStringLiteral("password=curl-pw") });
    ASSERT_TRUE(curl.waitForStarted(10000)) << "curl is missing: ./test installs it";
    // The server answers on its own threads; the event loop stays free meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return curl.state() == QProcess::NotRunning; }, 20000));
    const QString out = CP1251ToQString(curl.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith(QLatin1String("HTTP/1.1 200"))) << s(out);
    EXPECT_TRUE(out.contains(QLatin1String("Content-Type: application/json; charset=windows-1251"))) << s(out);
    EXPECT_TRUE(out.contains(QLatin1String("Access-Control-Allow-Origin: *"))) << s(out);
    EXPECT_TRUE(out.contains(QStringLiteral("\"accNo\": \"1002\",\"clientName\": \"Иванов А.Б.\""))) << s(out);
    EXPECT_EQ(tokenRows(), 1);
}

TEST_P(CabinetServer, TheStartCommandFollowsItsSettings)
{
    AppSettings().useHTTP = false;
    RunCommand(QStringLiteral("actStartWebServer"));
    EXPECT_FALSE(m_web->Active());

    // A port someone else holds: the start fails with its box.
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
    AppSettings().useHTTP = true;
    AppSettings().HTTPPort = holder.serverPort();
    RunCommand(QStringLiteral("actStartWebServer"));
    EXPECT_FALSE(m_web->Active());
    EXPECT_EQ(s(m_messages.lastText()), s(QStringLiteral("Ошибка запуска HTTP сервера, Port: %1").arg(holder.serverPort())));
    EXPECT_EQ(m_messages.requests.last().type, mtError);

    // A changed port moves the running server.
    AppSettings().HTTPPort = freePort();
    startServer();
    const int first = m_web->Port();
    AppSettings().HTTPPort = freePort();
    RunCommand(QStringLiteral("actStartWebServer"));
    EXPECT_TRUE(m_web->Active());
    EXPECT_NE(m_web->Port(), first);
    EXPECT_EQ(s(body(client().Get("/"))), "HTTP сервер v 1.0");
    RunCommand(QStringLiteral("actStopWebServer"));
    EXPECT_FALSE(m_web->Active());
    EXPECT_FALSE(client().Get("/"));
}

INSTANTIATE_TEST_SUITE_P(Cabinet, CabinetServer, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
