#pragma once

// A small operator for the accounting engine's tests, with sums worked out by hand in the tests.
//
// Initialisation month January 2024, open month March 2024 (2024 is a leap year: February has 29 days).
// Service 10 is periodic at 31 a month, service 11 periodic at 12, service 20 the connection at 5.
// Customer 1: starting debt 10, paid 5 before the initialisation date, subscribed to 10 from 10 January on
//   with the connection service, paid 40 on 29 February at 15:00 (the last day of a closed month).
// Customer 2: no starting debt, factor 0.5 for 2024, subscribed to 11 from 10 to 20 February, paid 1 on
//   5 May (after the open month). Its February charge is the cent case: 11 x 12 / 29 = 4.5517 -> 4.55 x 0.5 =
//   2.275 -> 2.27 (the unrounded product would give 2.28).
#include "DataFixture.h"
#include "MoneyRule.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

class EngineDb : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        fixture = std::make_unique<DataFixture>(GetParam());
        ASSERT_TRUE(fixture->isValid()) << fixture->error().toStdString();
        dmr = fixture->makeReadyDmr();
        ASSERT_TRUE(dmr->Get_DatabaseConnectStatus());
    }

    void exec(const QString &sql) { dmr->dbConnection()->Execute(sql); }

    void makeOperator()
    {
        exec(QStringLiteral("delete from ZOLT.MAIN_CFG"));
        exec(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, DEBTMODE) "
                            "values (1, 1, '2024-01-01 00:00:00', '2024-03-01 00:00:00', 0)"));
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (10, 'ТВ', 0, -1)"));
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (11, 'Радио', 0, -1)"));
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (20, 'Подкл.', 2, -1)"));
        tariff(1, 10, 31);
        tariff(2, 11, 12);
        tariff(3, 20, 5);
        customer(1, QStringLiteral("10"));
        customer(2, QStringLiteral("null"));
        subscription(1, 1, 10, QStringLiteral("2024-01-10"), QStringLiteral("4712-12-31"), QStringLiteral("20"));
        subscription(2, 2, 11, QStringLiteral("2024-02-10"), QStringLiteral("2024-02-20"), QStringLiteral("null"));
        exec(QStringLiteral("insert into ZOLT.DISCOUNT_FACTOR (CUSTOMER_ID, DATE_FROM, DATE_TO, FACTOR_VALUE) "
                            "values (2, '2024-01-01 00:00:00', '2024-12-31 00:00:00', 0.5)"));
        payment(1, 1, QStringLiteral("2023-12-20 00:00:00"), 5);
        payment(2, 1, QStringLiteral("2024-02-29 15:00:00"), 40);
        payment(3, 2, QStringLiteral("2024-05-05 00:00:00"), 1);
    }

    void tariff(int id, int serv, double sum)
    {
        exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                            "values (%1, %2, '2000-01-01 00:00:00', '4712-12-31 00:00:00', %3)")
                 .arg(id)
                 .arg(serv)
                 .arg(sum));
    }
    void customer(int id, const QString &startDebt)
    {
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, CUST_STATE, START_DEBT_SUM) "
                            "values (%1, '%1', 'Абонент%1', 1, %2)")
                 .arg(id)
                 .arg(startDebt));
    }
    void subscription(int id, int cust, int serv, const QString &from, const QString &to, const QString &actServ)
    {
        exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                            "values (%1, %2, %3, 1)")
                 .arg(id)
                 .arg(cust)
                 .arg(serv));
        exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, "
                            "DATE_FROM, DATE_TO, ACT_SERV_ID) values (%1, %2, %1, %3, '%4 00:00:00', '%5 00:00:00', %6)")
                 .arg(id)
                 .arg(cust)
                 .arg(serv)
                 .arg(from, to, actServ));
    }
    void payment(int id, int cust, const QString &when, double sum)
    {
        exec(QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                            "values (%1, 1, %2, 10, '%3', %4)")
                 .arg(id)
                 .arg(cust)
                 .arg(when)
                 .arg(sum));
    }

    // "customer month sum" per PAY_ACCOUNT row, in order.
    QStringList payAccount()
    {
        QStringList rows;
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select CUSTOMER_ID, REL_DATE, DEBT_SUM from ZOLT.PAY_ACCOUNT order by CUSTOMER_ID, REL_DATE"));
        while (q.next())
            rows << QStringLiteral("%1 %2 %3")
                        .arg(q.value(0).toInt())
                        .arg(ColumnDate(q.value(1)).toString(QStringLiteral("yyyy-MM")))
                        .arg(q.value(2).isNull() ? QStringLiteral("null") : QString::number(q.value(2).toDouble()));
        return rows;
    }
    // "DEBT_IN_SUM DEBT_SUM" of a customer.
    QString debts(int id)
    {
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select DEBT_IN_SUM, DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id));
        if (!q.next())
            return QStringLiteral("none");
        auto text = [](const QVariant &v) { return v.isNull() ? QStringLiteral("null") : QString::number(v.toDouble()); };
        return text(q.value(0)) + QLatin1Char(' ') + text(q.value(1));
    }

    static QDate march() { return QDate(2024, 3, 1); }

    std::unique_ptr<DataFixture> fixture;
    std::unique_ptr<TDMR> dmr;
};
