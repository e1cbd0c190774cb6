#pragma once

// A small operator for the subscription tests, on either engine, with the customer module, the database module
// as the program's own and a fake clock on 15 March 2024.
//
// Initialisation month January 2024, open month March 2024. Services in package 1 "Базовый":
//   10 "ТВ" periodic at 31 a month; 20 its first connection, 21 its reconnection, 40 its disconnection;
//   11 "Цифра" a DTV package at 12 a month with the CAS code 77; 22 its first connection (whose own code, 5,
//   is not the package's), 23 its reconnection, 41 its disconnection.
// Smart card 100 "1234567" of provider "A", active. Customers are added by the tests: contract on 10 January,
// open-ended, accounts "001", "002", ... so that the list's text order is their order.
#include "CustomerProgramFixture.h"
#include "FakeCasServer.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"
#include "dmuSMS.h"
#include "frmuSelectActService.h"
#include "uSettings.h"

#include <QPushButton>

#include <QSqlQuery>

#include <functional>
#include <map>
#include <memory>

class SubscrFixture : public CustomerProgramFixture
{
protected:
    void SetUp() override
    {
        CustomerProgramFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_saved = AppSettings();
        AppSettings().useCAS = false;
        AppSettings().useVoyager = false;
        AppSettings().CASResponseTimeOut = 400;
        for (const char *sql :
            {
                "update ZOLT.MAIN_CFG set INIT_DATE = '2024-01-01 00:00:00', ACC_DATE = '2024-03-01 00:00:00', "
                "DEBTMODE = 0",
                "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (1, 'Базовый')",
                "insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) values (1, 'Провайдер', 'A')",
                "insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE, DTV_PROVIDER_ID) "
                "values (100, '1234567', 1, 1)",
            })
            exec(QString::fromUtf8(sql));
        service(10, "ТВ", 0, -1, 0, 0, 31);
        service(11, "Цифра", 0, -1, 1, 77, 12);
        service(20, "Подключение ТВ", 2, 10, 0, 0, 5);
        service(21, "Переподключение ТВ", 3, 10, 0, 0, 5);
        service(22, "Подключение Цифры", 2, 11, 0, 5, 5);
        service(23, "Переподключение Цифры", 3, 11, 0, 5, 5);
        service(40, "Отключение ТВ", 4, 10, 0, 0, 0);
        service(41, "Отключение Цифры", 4, 11, 0, 0, 0);
        m_dm->OpenMainCFG(true);
    }

    void TearDown() override
    {
        CustomerProgramFixture::TearDown();
        AppSettings() = m_saved;
    }

    void exec(const QString &sql) { m_dmr->dbConnection()->Execute(sql); }
    QVariant value(const QString &sql) { return m_dmr->dbConnection()->SelectValue(sql); }

    void service(int id, const char *descr, int type, int child, int dtv, int code, double tariff)
    {
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, CHILDSERV_ID, IS_DTV_PACKAGE, "
                            "DTV_PACKAGE_CODE, SERV_PACKAGE_ID) values (%1, '%2', %3, %4, %5, %6, 1)")
                 .arg(id)
                 .arg(QString::fromUtf8(descr))
                 .arg(type)
                 .arg(child)
                 .arg(dtv)
                 .arg(code));
        exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                            "values (%1, %1, '2000-01-01 00:00:00', '4712-12-31 00:00:00', %2)")
                 .arg(id)
                 .arg(tariff));
    }

    // A customer of the house with the account "00n", the contract of 10 January and no debt.
    void customer(int id)
    {
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, ACCOUNT_NO, SURNAME, FLAT_NO, "
                            "CUST_STATE, START_DEBT_SUM, DEBT_SUM, DEBT_IN_SUM, CONTRACT_DATE, VALID_TO, COMPANY_ID) "
                            "values (%1, %2, '%3', 'Абонент%1', '%1', 0, 0, 0, 0, '2024-01-10 00:00:00', "
                            "'4712-12-31 00:00:00', 1)")
                 .arg(id)
                 .arg(HouseId)
                 .arg(id, 3, 10, QLatin1Char('0')));
    }

    // A subscription of the package with one period; `to` empty for an open one, `state` its STATE_SGN.
    void subscription(int id, int cust, int serv, int actServ, const QString &from, const QString &to, int state,
        const QString &card = QStringLiteral("null"))
    {
        exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                            "values (%1, %2, %3, %4)")
                 .arg(id)
                 .arg(cust)
                 .arg(serv)
                 .arg(state));
        exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, "
                            "DATE_FROM, DATE_TO, ACT_SERV_ID, DISACT_SERV_ID, SMARTCARD_ID) values (%1, %2, %1, %3, "
                            "'%4 00:00:00', '%5 00:00:00', %6, %7, %8)")
                 .arg(id)
                 .arg(cust)
                 .arg(serv)
                 .arg(from, to.isEmpty() ? QStringLiteral("4712-12-31") : to)
                 .arg(actServ)
                 .arg(to.isEmpty()    ? -1
                         : serv == 10 ? 40
                                      : 41)
                 .arg(card));
    }

    void linkCard(int cust)
    {
        exec(QStringLiteral("insert into ZOLT.CUSTOMER_SMARTCARDS (CUSTOMER_ID, SMARTCARD_ID, IS_MAIN) "
                            "values (%1, 100, 1)")
                 .arg(cust));
    }

    // Opens the list on the customer (and its services page's datasets).
    void openOn(int cust)
    {
        TKyv_ClientDataSet *c = customers();
        c->Close();
        c->Open();
        ASSERT_TRUE(c->Locate(QStringLiteral("CUSTOMER_ID"), cust));
        TKyv_ClientDataSet *serv = m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServ"));
        if (!serv->Active())
            serv->Open();
    }

    // The customer's month balances, "YYYY-MM-DD=sum" by date.
    std::map<QString, double> payAccount(int cust)
    {
        std::map<QString, double> rows;
        QSqlQuery q = m_dmr->dbConnection()->OpenQuery(
            QStringLiteral("select REL_DATE, DEBT_SUM from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = %1").arg(cust));
        while (q.next())
            rows[q.value(0).toDateTime().date().toString(Qt::ISODate)] = qRound64(q.value(1).toDouble() * 100) / 100.0;
        return rows;
    }
    // What a full recalculation from scratch writes for the customer (the debts included), leaving it so.
    std::map<QString, double> fullRecalc(int cust)
    {
        m_dmr->delCustPayAccount(cust);
        m_dmr->CheckFullCustDebt(cust, QDate(2024, 3, 1), QDate(2024, 1, 10), 0);
        m_dmr->CommitWork();
        return payAccount(cust);
    }

    // Answers the next modal dialog of class D with `act`, which gets the dialog; a dialog `act` left open is
    // cancelled, so that a test never hangs on it.
    template <class D> tarvik::test::ModalAnswer answer(std::function<void(D *)> act)
    {
        return tarvik::test::ModalAnswer([] { return tarvik::test::activeModal<D>() != nullptr; },
            [act] {
                D *dialog = tarvik::test::activeModal<D>();
                act(dialog);
                if (dialog->isVisible())
                    dialog->reject();
            });
    }

    // Answers the picker of "Подключить всех" with the activation service and the start date.
    tarvik::test::ModalAnswer pickActivation(int actServId, const QDate &from)
    {
        return answer<TfrmSelectActService>([actServId, from](TfrmSelectActService *d) {
            d->mdTempDataSet->FieldByName(QStringLiteral("ACT_SERV_ID"))->SetValue(actServId);
            d->mdTempDataSet->FieldByName(QStringLiteral("DATE_FROM"))->SetValue(from);
            d->btnOk->click();
        });
    }

    FakeClock m_clock { QDateTime(QDate(2024, 3, 15), QTime(10, 0)) };
    FakeMessageService m_messages;
    TAppSettings m_saved;
};

// The same with a fake CAS server on loopback and the CAS module talking to it.
class SubscrCasFixture : public SubscrFixture
{
protected:
    void TearDown() override
    {
        m_sms.reset();
        SubscrFixture::TearDown();
    }

    // The CAS module connected afresh to the fake server, with CAS switched on.
    void connectCas()
    {
        AppSettings().useCAS = true;
        m_sms.reset();
        m_sms = std::make_unique<TdmSMS>();
        ASSERT_TRUE(m_sms->connectCas(QStringLiteral("127.0.0.1"), m_server.portText()));
    }

    tarvik::test::FakeCasServer m_server;
    std::unique_ptr<TdmSMS> m_sms;
};
