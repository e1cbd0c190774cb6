#pragma once

// A database on either engine with card "123" (id 7, no customer), provider "TV" (id 3, CAS code "A") and DTV
// package 12 (service 5), the CAS module pointed at a fake CAS server on loopback, fake message boxes,
// reachability and clock. CAS is on; nothing is connected yet.
#include "DataFixture.h"
#include "FakeCasServer.h"
#include "Kyv_db.h"
#include "ServiceFakes.h"
#include "dmuSMS.h"
#include "uSettings.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

class CasWindowFixture : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
        m_dmr = m_data.makeReadyDmr();
        DMR = m_dmr.get();
        for (const char *sql : {
                 "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (7, '123', 0)",
                 "insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) values (3, 'TV', 'A')",
                 "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, IS_DTV_PACKAGE, DTV_PACKAGE_CODE, SERV_PACKAGE_ID) "
                 "values (5, 'P', 1, 12, -1)",
             })
            exec(QString::fromLatin1(sql));
        m_dmr->CommitWork();
        AppSettings().useCAS = true;
        AppSettings().CASserverIP = QStringLiteral("127.0.0.1");
        AppSettings().CASserverPort = m_server.portText();
        AppSettings().CASResponseTimeOut = 400;
        m_reach.reachable << QStringLiteral("127.0.0.1");
        m_sms = std::make_unique<TdmSMS>();
    }

    void TearDown() override
    {
        m_sms.reset();
        m_dmr.reset();
        DMR = nullptr;
        AppSettings() = TAppSettings::defaults();
    }

    void exec(const QString &sql) { m_dmr->dbConnection()->Execute(sql); }

    // The registered card numbers, in number order.
    QStringList cardNumbers()
    {
        QStringList out;
        QSqlQuery q = m_dmr->dbConnection()->OpenQuery(
            QStringLiteral("select SMARTCARD_NO from ZOLT.SMARTCARD where SMARTCARD_ID <> 0 order by SMARTCARD_NO"));
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    DataFixture m_data { GetParam() };
    FakeMessageService m_messages;
    FakeReachability m_reach;
    FakeClock m_clock { QDateTime(QDate(2024, 2, 10), QTime(9, 30)) };
    tarvik::test::FakeCasServer m_server;
    std::unique_ptr<TDMR> m_dmr;
    std::unique_ptr<TdmSMS> m_sms;
};
