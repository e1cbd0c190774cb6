#include "dmuSMS.h"

#include "ApplicationHint.h"
#include "FakeCasServer.h"
#include "MainWindowScope.h"
#include "ServiceFakes.h"
#include "uCasPacket.h"
#include "uSettings.h"

#include <QApplication>
#include <QTcpServer>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using tarvik::test::FakeCasServer;

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

// The CAS module with the main window's status bar, a fake CAS server on loopback and fake message boxes
// and reachability. CAS is switched on and points at the fake server.
class CasClient : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window = std::make_unique<tarvik::test::MainWindowScope>();
        m_main = m_window->main();
        AppSettings().useCAS = true;
        AppSettings().CASserverIP = QStringLiteral("127.0.0.1");
        AppSettings().CASserverPort = m_server.portText();
        AppSettings().CASResponseTimeOut = 400;
        CASFailureCount = 0;
        m_reach.reachable << QStringLiteral("127.0.0.1");
        m_sms = std::make_unique<TdmSMS>();
    }

    void TearDown() override
    {
        m_sms.reset();
        m_window.reset();
        CASFailureCount = 0;
    }

    void connectNow()
    {
        RunCommand(QStringLiteral("actConnectToCASServer"));
        ASSERT_TRUE(m_sms->IsOpen()) << s(m_main->StatusText(1));
    }

    QString endpoint() const { return QStringLiteral("127.0.0.1:") + m_server.portText(); }
    QString status() const { return m_main->StatusText(1); }
    QString send(const QString &request) { return m_sms->sendCasRequest(request); }
    static QString testRequest() { return buildCasTestRequest(CasPacketLead, CasPacketSender, CasTestCode); }

    FakeMessageService m_messages;
    FakeReachability m_reach;
    FakeCasServer m_server;
    std::unique_ptr<tarvik::test::MainWindowScope> m_window;
    TfrmMain *m_main = nullptr;
    std::unique_ptr<TdmSMS> m_sms;
};

TEST_F(CasClient, TheServerReceivesTheExactBytesOfEveryRequest)
{
    connectNow();
    EXPECT_EQ(s(ApplicationHint()), "Соединение с CAS сервером");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Соединен с CAS: "))) << s(status());
    const QString requests[] = {
        testRequest(),
        buildCardActivateRequest(CasPacketLead, CasPacketSender, CasCardActivateCode, QStringLiteral("123"),
            QStringLiteral("A"), QStringLiteral(" TV ")),
        buildCardBlockRequest(CasPacketLead, CasPacketSender, CasCardBlockCode, QStringLiteral("123"),
            QStringLiteral("A")),
        buildPackageAuthorizeRequest(CasPacketLead, CasPacketSender, CasPackageAuthorizeCode, QStringLiteral("123"),
            QStringLiteral("A"), QStringLiteral("12"), QStringLiteral("20240301"), QStringLiteral("20240331")),
        buildPackageBlockRequest(CasPacketLead, CasPacketSender, CasPackageBlockCode, QStringLiteral("123"),
            QStringLiteral("A"), QStringLiteral("12")),
    };
    for (const QString &request : requests)
        EXPECT_EQ(getReplyCode(send(request)), CasSuccessCode);
    const QList<QByteArray> received = m_server.requests();
    ASSERT_EQ(received.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(received[i], requests[i].toLatin1());
    EXPECT_EQ(received[1], QByteArray("0015003900010201" "0000000123" "A") + QByteArray(28, ' ') + "TV");
    EXPECT_EQ(received[2], QByteArray("0015001B00010203" "0000000123" "A"));
    EXPECT_EQ(m_server.connections(), 1);
}

TEST_F(CasClient, AnOversizeRequestLeavesWhole)
{
    connectNow();
    m_server.silence();
    const QString request = buildCardActivateRequest(CasPacketLead, CasPacketSender, CasCardActivateCode,
        QStringLiteral("123"), QStringLiteral("A"), QString(40, QLatin1Char('N')));
    AppSettings().CASResponseTimeOut = 50;
    send(request);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.received().size() >= request.size(); }, 5000));
    EXPECT_EQ(m_server.received(), request.toLatin1());
}

TEST_F(CasClient, EveryScriptedCodeIsDescribed)
{
    connectNow();
    const struct
    {
        const char *code;
        const char *text;
    } cases[] = {
        { "S000", "S000 - Success" },
        { "E100", "E100 - Invalid request" },
        { "E101", "E101 - Invalid SMS ID" },
        { "E102", "E102 - Error in request packet’s length" },
        { "E201", "E201 - Invalid smartcard number" },
        { "E999", "E999 - Other errors such as database error" },
        { "Q777", "unknown response code:00150010Q7770000" },
    };
    for (const auto &c : cases) {
        m_server.reply(FakeCasServer::replyWith(c.code));
        EXPECT_EQ(s(describeReply(send(testRequest()))), c.text) << c.code;
    }
}

TEST_F(CasClient, RepliesAreCutAtTheirLimitAndAtNul)
{
    connectNow();
    QByteArray long300 = FakeCasServer::replyWith("S000");
    long300 += QByteArray(300 - long300.size(), 'x');
    m_server.reply(long300);
    EXPECT_EQ(send(testRequest()).toLatin1(), long300.left(255));
    // The 45 characters left over are thrown away, not taken as the next reply.
    m_server.reply(FakeCasServer::replyWith("E201"));
    EXPECT_EQ(getReplyCode(send(testRequest())), QStringLiteral("E201"));

    m_server.reply(QByteArray("00150010S000ab\0cd", 17));
    EXPECT_EQ(s(send(testRequest())), "00150010S000ab");
    // A NUL before the code has come ends the reply too, and nothing is waited for after it.
    m_server.reply(QByteArray("0015\0" "0010S000", 13));
    AppSettings().CASResponseTimeOut = 30000;
    EXPECT_EQ(s(send(testRequest())), "0015");
}

TEST_F(CasClient, ASplitReplyIsReadWhole)
{
    connectNow();
    AppSettings().CASResponseTimeOut = 5000;
    m_server.splitReply(FakeCasServer::replyWith("E201"), 6);
    EXPECT_EQ(s(send(testRequest())), "00150010E2010000");
    m_server.splitReply(FakeCasServer::replyWith("S000"), 10);
    EXPECT_EQ(getReplyCode(send(testRequest())), CasSuccessCode);
}

TEST_F(CasClient, ATimedOutRequestGetsNothingAndItsLateReplyIsNotTheNextAnswer)
{
    connectNow();
    m_server.silence();
    EXPECT_EQ(s(send(testRequest())), "");
    EXPECT_EQ(s(describeReply(QString())), "unknown response code:");
    m_server.sendNow(FakeCasServer::replyWith("S000"));
    m_server.reply(FakeCasServer::replyWith("E999"));
    EXPECT_EQ(getReplyCode(send(testRequest())), QStringLiteral("E999"));
    EXPECT_TRUE(m_sms->IsOpen());
}

TEST_F(CasClient, AClosedConnectionGivesAnEmptyReplyAndOnlyAStatusText)
{
    connectNow();
    m_server.closeOnRequest();
    AppSettings().CASResponseTimeOut = 5000;
    EXPECT_EQ(s(send(testRequest())), "");
    EXPECT_FALSE(m_sms->IsOpen());
    EXPECT_EQ(s(status()), s(QStringLiteral("Нет соединения с CAS: ") + endpoint()));
    // A closed socket answers nothing and sends nothing.
    EXPECT_EQ(s(send(testRequest())), "");
    EXPECT_EQ(m_server.requests().size(), 1);
    // The next connect opens it again.
    connectNow();
    EXPECT_EQ(getReplyCode(send(testRequest())), CasSuccessCode);
}

// Every text the CAS status panel shows while it lives: the panel's setter lets pending events run, so a
// zero timer sees each text before the next one replaces it.
class StatusHistory
{
public:
    explicit StatusHistory(TfrmMain *main)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, main] {
            const QString text = main->StatusText(1);
            if (texts.isEmpty() || texts.last() != text)
                texts << text;
        });
        m_timer.start(0);
    }

    QStringList texts;

private:
    QTimer m_timer;
};

TEST_F(CasClient, EverySocketEventShowsItsStatusText)
{
    StatusHistory history(m_main);
    connectNow();
    m_server.closeOnRequest();
    AppSettings().CASResponseTimeOut = 5000;
    send(testRequest());
    QApplication::processEvents();
    const QStringList expected { QStringLiteral("Подключение к CAS: ") + endpoint(),
        QStringLiteral("Соединен с CAS: localhost"), QStringLiteral("Нет соединения с CAS: ") + endpoint() };
    // The peer's name comes by reverse look-up; a machine without a name for 127.0.0.1 shows none.
    QStringList seen = history.texts;
    if (seen.size() > 1 && seen[1] == QStringLiteral("Соединен с CAS: "))
        seen[1] = expected[1];
    EXPECT_EQ(s(seen.join(QLatin1Char('|'))), s(expected.join(QLatin1Char('|'))));

    // A connect nobody answers.
    quint16 freePort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        freePort = probe.serverPort();
    }
    AppSettings().CASserverPort = QString::number(freePort);
    history.texts.clear();
    RunCommand(QStringLiteral("actConnectToCASServer"));
    EXPECT_EQ(s(history.texts.join(QLatin1Char('|'))),
        s(QStringLiteral("Подключение к CAS: 127.0.0.1:%1|Ошибка подключения к CAS: 127.0.0.1:%1").arg(freePort)));
}

TEST_F(CasClient, ARefusedConnectOnlyChangesTheStatus)
{
    quint16 freePort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        freePort = probe.serverPort();
    }
    AppSettings().CASserverPort = QString::number(freePort);
    RunCommand(QStringLiteral("actConnectToCASServer"));
    EXPECT_FALSE(m_sms->IsOpen());
    EXPECT_EQ(s(status()), s(QStringLiteral("Ошибка подключения к CAS: 127.0.0.1:") + QString::number(freePort)));
    EXPECT_EQ(CASFailureCount, 0);
    EXPECT_TRUE(m_messages.requests.isEmpty());
}

TEST_F(CasClient, TheTestCommandShowsAFailedReplyOnly)
{
    connectNow();
    const QString connected = status();
    RunCommand(QStringLiteral("actTestCASConnection"));
    EXPECT_EQ(s(status()), s(connected));
    m_server.reply(FakeCasServer::replyWith("E101"));
    RunCommand(QStringLiteral("actTestCASConnection"));
    EXPECT_EQ(s(status()), "E101 - Invalid SMS ID");
    ASSERT_EQ(m_server.requests().size(), 2);
    EXPECT_EQ(m_server.requests()[1], QByteArray("0015001000010100"));
}

TEST_F(CasClient, AnUnreachableServerIsNotCountedAsAFailure)
{
    AppSettings().CASserverIP = QStringLiteral("cas.invalid");
    RunCommand(QStringLiteral("actConnectToCASServer"));
    EXPECT_EQ(s(ApplicationHint()), "CAS server cas.invalid not reachable!");
    EXPECT_EQ(CASFailureCount, 0);
    RunCommand(QStringLiteral("actReConnectToCASServer"));
    EXPECT_EQ(s(ApplicationHint()), "CAS server cas.invalid not reachable!");
    EXPECT_FALSE(m_sms->IsOpen());
    EXPECT_EQ(m_server.connections(), 0);
}

TEST_F(CasClient, TheSixthFailedConnectAsksWhetherToSwitchCasOff)
{
    const QString question
        = QStringLiteral("Количество неудачных попыток подключения к CAS превысило 5.\rОтключить работу с CAS ?");
    AppSettings().CASserverPort = QStringLiteral("seven");
    for (int i = 1; i <= 5; ++i)
        RunCommand(QStringLiteral("actConnectToCASServer"));
    EXPECT_EQ(CASFailureCount, 5);
    EXPECT_TRUE(m_messages.requests.isEmpty());

    // No: the count starts again and CAS stays on.
    m_messages.answer(mrNo);
    RunCommand(QStringLiteral("actConnectToCASServer"));
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(s(m_messages.lastText()), s(question));
    EXPECT_EQ(m_messages.requests[0].type, mtConfirmation);
    EXPECT_EQ(CASFailureCount, 0);
    EXPECT_TRUE(AppSettings().useCAS);

    // Yes: CAS is switched off, and the actions then do nothing.
    for (int i = 1; i <= 5; ++i)
        RunCommand(QStringLiteral("actConnectToCASServer"));
    m_messages.answer(mrYes);
    RunCommand(QStringLiteral("actConnectToCASServer"));
    EXPECT_EQ(m_messages.requests.size(), 2);
    EXPECT_FALSE(AppSettings().useCAS);
    m_reach.pinged.clear();
    RunCommand(QStringLiteral("actConnectToCASServer"));
    EXPECT_TRUE(m_reach.pinged.isEmpty());
}

TEST_F(CasClient, WithCasOffNoActionTouchesTheSocket)
{
    AppSettings().useCAS = false;
    for (const char *command : { "actConnectToCASServer", "actReConnectToCASServer", "actTestCASConnection" })
        RunCommand(QString::fromLatin1(command));
    m_main->actConnectToCASServer->trigger();
    m_main->actTestCASConnection->trigger();
    EXPECT_TRUE(m_reach.pinged.isEmpty());
    EXPECT_FALSE(m_sms->IsOpen());
    EXPECT_EQ(m_server.connections(), 0);
    EXPECT_EQ(s(status()), "");
}

TEST_F(CasClient, ReconnectOpensANewConnectionAndShutDownClosesIt)
{
    connectNow();
    RunCommand(QStringLiteral("actReConnectToCASServer"));
    EXPECT_EQ(s(ApplicationHint()), "Переподключение к CAS серверу");
    EXPECT_TRUE(m_sms->IsOpen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_server.connections() == 2; }, 5000));
    ASSERT_TRUE(bool(m_main->OnCloseCASSocket));
    m_main->OnCloseCASSocket();
    EXPECT_FALSE(m_sms->IsOpen());
}

} // namespace
