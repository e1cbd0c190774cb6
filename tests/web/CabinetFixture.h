#pragma once

// What the cabinet's tests share.
#include "dmuWeb.h"

#include "CodePage.h"
#include "DataFixture.h"
#include "MainWindowScope.h"
#include "ServiceFakes.h"
#include "uCabinetText.h"
#include "uSettings.h"

#include <QRegularExpression>
#include <QTcpServer>

#include <httplib.h>

inline std::string s(const QString &text)
{
    return text.toStdString();
}

inline QString digest(const char *plain)
{
    return WebPasswordDigest(QString::fromUtf8(plain));
}

// The cabinet's server on a free loopback port over a database on either engine, with three customers:
// 1 (account "1001", a quote and a backslash in the surname, contract 5 March 2019, two services, two
// documents), 2 (account "1002", contract 1 January 2020, nothing else) and 3 (no contract date).
class CabinetServer : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << s(m_data.error());
        m_dmr = m_data.makeReadyDmr();
        DMR = m_dmr.get();
        TADOConnection *db = m_dmr->dbConnection();
        const auto exec = [db](const QString &sql, const TParams &params = {}) { db->Execute(sql, params); };
        const QString customer = QStringLiteral(
            "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, INITIALS, CONTRACT_DATE, DEBT_SUM) "
            "values (:P_ID, :P_ACC, :P_SURNAME, :P_INITIALS, :P_DATE, :P_DEBT)");
        const auto addCustomer = [&](int id, const char *account, const QString &surname, const QVariant &date,
                                     double debt) {
            exec(customer, ParamsOf({ { QStringLiteral("P_ID"), id }, { QStringLiteral("P_ACC"), QString::fromLatin1(account) },
                               { QStringLiteral("P_SURNAME"), surname }, { QStringLiteral("P_INITIALS"), QStringLiteral("А.Б.") },
                               { QStringLiteral("P_DATE"), date }, { QStringLiteral("P_DEBT"), debt } }));
        };
        addCustomer(1, "1001", QStringLiteral("Пе\"тр\\ов"), QDateTime(QDate(2019, 3, 5), QTime(0, 0)), -123.5);
        addCustomer(2, "1002", QStringLiteral("Иванов"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)), 0);
        addCustomer(3, "1003", QStringLiteral("Без договора"), QVariant(), 0);
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERV_PACKAGE_ID) values (901, 'Кабельное ТВ', -1)"));
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERV_PACKAGE_ID) values (902, 'Интернет', -1)"));
        exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                            "values (1, 1, 901, 1)"));
        exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                            "values (2, 1, 902, 0)"));
        const QString doc = QStringLiteral("insert into ZOLT.CUST_DOC (CUST_DOC_ID, CUSTOMER_ID, DOC_URL, DOC_NAME, "
                                           "DOC_DATE) values (:P_ID, 1, :P_URL, :P_NAME, :P_DATE)");
        exec(doc, ParamsOf({ { QStringLiteral("P_ID"), 11 }, { QStringLiteral("P_URL"), QStringLiteral("http://x/11") },
                      { QStringLiteral("P_NAME"), QStringLiteral("Договор") },
                      { QStringLiteral("P_DATE"), QDateTime(QDate(2019, 3, 5), QTime(0, 0)) } }));
        exec(doc, ParamsOf({ { QStringLiteral("P_ID"), 12 }, { QStringLiteral("P_URL"), QStringLiteral("http://x/12") },
                      { QStringLiteral("P_NAME"), QStringLiteral("Счёт") },
                      { QStringLiteral("P_DATE"), QDateTime(QDate(2024, 2, 1), QTime(0, 0)) } }));
        ASSERT_TRUE(m_dmr->CommitWork());

        m_web = std::make_unique<TdmWeb>(m_dmr.get());
        AppSettings().useHTTP = true;
        AppSettings().HTTPPort = freePort();
    }

    void TearDown() override
    {
        m_web.reset();
        m_dmr.reset();
        DMR = nullptr;
    }

    static int freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    void startServer()
    {
        RunCommand(QStringLiteral("actStartWebServer"));
        ASSERT_TRUE(m_web->Active()) << s(m_messages.lastText());
    }

    httplib::Client client() const { return httplib::Client("127.0.0.1", m_web->Port()); }

    static QString body(const httplib::Result &r) { return r ? CP1251ToQString(QByteArray::fromStdString(r->body)) : QStringLiteral("<no reply>"); }

    QString signIn(const char *account, const char *password)
    {
        httplib::Params form { { "username", account }, { "password", password }, { "rememberMe", "true" } };
        return body(client().Post("/rest/cabinet/api/v1/signin", form));
    }

    static QString tokenOf(const QString &reply)
    {
        static const QRegularExpression key(QStringLiteral("\"apiKey\": \"([^\"]*)\""));
        return key.match(reply).captured(1);
    }

    QString accountInfo(const QString &token)
    {
        return body(client().Get("/rest/cabinet/api/v1/account-info?cabinetApiKey=" + token.toStdString()));
    }

    int tokenRows() { return m_dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.CUSTOMER_TOKEN")).toInt(); }

    static QString expectedSignIn(const QString &token, const QString &account, const QString &name)
    {
        const int expiry = int(QDate(1899, 12, 30).daysTo(QDate(2024, 3, 10))) + 30;
        return QStringLiteral("{\"token\": {\"apiKey\": \"%1\",\"expiresAfter\": %2,\"activeSign\": 1},\"accNo\": \"%3\","
                              "\"clientName\": \"%4\",\"authorities\": []}")
            .arg(token)
            .arg(expiry)
            .arg(account, name);
    }

    static QString sampleSignIn(const QString &account)
    {
        return QStringLiteral("{\"token\": {\"apiKey\": \"mock_auth_07\",\"expiresAfter\": -1,\"activeSign\": 1},"
                              "\"accNo\": \"%1\",\"clientName\": \"Sample Company\",\"authorities\": []}")
            .arg(account);
    }

    DataFixture m_data { GetParam() };
    tarvik::test::MainWindowScope m_window;
    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2024, 3, 10), QTime(12, 0)) };
    std::unique_ptr<TDMR> m_dmr;
    std::unique_ptr<TdmWeb> m_web;
};
