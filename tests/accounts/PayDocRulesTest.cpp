// The rules of payment documents apart from their window: commission, period, checks, deletes and the queue.
#include "PaymentsFixture.h"
#include "Money.h"
#include "uPayDoc.h"

#include <gtest/gtest.h>

namespace {

TEST(PayDocCommission, StepsRoundOnTheRoundedStepBefore)
{
    struct Case
    {
        double sum, leakPrc, taxPrc;
        int precision;
        double leakTax, tax, leak;
    };
    const Case cases[] = {
        { 1000, 1.5, 20, 2, 15.00, 2.50, 12.50 },
        { 1000, 0, 20, 2, 0, 0, 0 },
        { 1000, 0, 0, 2, 0, 0, 0 },
        { 333.33, 1.7, 20, 2, 5.67, 0.95, 4.72 },
        // With whole-ruble rounding the VAT is taken of the rounded commission, not of the exact one.
        { 1234, 2.5, 20, 0, 31, 5, 26 },
    };
    const int saved = MoneyRoundPrecision();
    for (const Case &c : cases) {
        SetMoneyRoundPrecision(c.precision);
        const TPayDocCommission r = PayDocCommission(c.sum, c.leakPrc, c.taxPrc);
        EXPECT_DOUBLE_EQ(r.leakTax, c.leakTax) << c.sum << " at " << c.leakPrc;
        EXPECT_DOUBLE_EQ(r.tax, c.tax) << c.sum << " at " << c.leakPrc;
        EXPECT_DOUBLE_EQ(r.leak, c.leak) << c.sum << " at " << c.leakPrc;
    }
    SetMoneyRoundPrecision(saved);
}

TEST(PayDocPeriod, ADocumentOutsideThePeriodWidensIt)
{
    QDate from(2020, 3, 1), to(2020, 3, 31);
    EXPECT_FALSE(WidenPeriodFor(QDate(2020, 3, 31), from, to));
    EXPECT_TRUE(WidenPeriodFor(QDate(2020, 2, 10), from, to));
    EXPECT_EQ(from, QDate(2020, 2, 10));
    EXPECT_TRUE(WidenPeriodFor(QDate(2020, 4, 2), from, to));
    EXPECT_EQ(to, QDate(2020, 4, 2));
    EXPECT_EQ(from, QDate(2020, 2, 10));
}

TEST(PayDocChecks, HeaderAndPaymentRefusalsComeInOrder)
{
    EXPECT_EQ(PayDocHeaderError(QStringLiteral("  ")), QStringLiteral("Не введен № документа"));
    EXPECT_TRUE(PayDocHeaderError(QStringLiteral(" 7 ")).isEmpty());
    struct Case
    {
        QVariant customer, sum, serv;
        TPaymentField field;
        const char *message;
    };
    const Case cases[] = {
        { QVariant(), 10.0, 1, TPaymentField::Payer, "Не выбран плательщик" },
        { 0, 10.0, 1, TPaymentField::Payer, "Не выбран плательщик" },
        { 5, QVariant(), 1, TPaymentField::Sum, "Не введена сумма платежа" },
        { 5, 0.0, QVariant(), TPaymentField::Sum, "Не введена сумма платежа" },
        { 5, 10.0, QVariant(), TPaymentField::Kind, "Не выбран вид платежа" },
        { 5, -10.0, -1, TPaymentField::None, "" },
        { 5, 0.01, 0, TPaymentField::None, "" },
    };
    for (const Case &c : cases) {
        QString message;
        EXPECT_EQ(CheckPaymentValues(c.customer, c.sum, c.serv, message), c.field) << c.message;
        EXPECT_EQ(message, QString::fromUtf8(c.message));
    }
}

TEST(PayDocDefaults, TheLastSumWinsOverTheDaysDefault)
{
    TPaymentDefaults d;
    d.defaultSum = 12;
    EXPECT_EQ(d.sum(), 12);
    d.lastSum = -3;
    EXPECT_EQ(d.sum(), -3);
    EXPECT_EQ(d.customerId.toInt(), 0);
    EXPECT_EQ(d.servId.toInt(), -1);
}

TEST(PayDocStatements, TheBrowsersStatementWithAndWithoutAChannel)
{
    const QString all = CustPaymentsStatement(QDate(2020, 3, 1), QDate(2020, 3, 31), false, 4);
    EXPECT_EQ(all,
        QStringLiteral("select VP.* from ZOLT.V_CUST_PAYMENTS VP where (VP.PAY_DATE >= "
                       "TO_DATE('01/03/2020','DD/MM/YYYY') and VP.PAY_DATE < "
                       "TO_DATE('01/04/2020','DD/MM/YYYY'))"));
    EXPECT_EQ(CustPaymentsStatement(QDate(2020, 3, 1), QDate(2020, 3, 31), true, 4),
        all + QStringLiteral(" and VP.PAYSOURCE_ID=4"));
    EXPECT_EQ(CustPaymentsStatement(QDate(2020, 3, 1), QDate(2020, 3, 31), true, QVariant()), all)
        << "with the filter on but no channel chosen every channel shows";
}

// ---- On the database

class PayDocDatabase : public PaymentsFixture
{
protected:
    void SetUp() override
    {
        PaymentsFixture::SetUp();
        if (HasFatalFailure())
            return;
        addCustomer(QStringLiteral("Первый"), QStringLiteral("1"));
        addCustomer(QStringLiteral("Второй"), QStringLiteral("2"));
        m_first = idOf(QStringLiteral("Первый"));
        m_second = idOf(QStringLiteral("Второй"));
        exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (4, 'Банк', 1.5, "
             "20)");
        exec("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) values "
             "(1, 4, '11', TO_DATE('10/03/2020','DD/MM/YYYY'), 100)");
        exec("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) values "
             "(2, 4, '12', TO_DATE('31/03/2020','DD/MM/YYYY'), 50)");
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                           "values (1, 1, :P_C, -1, TO_DATE('10/03/2020','DD/MM/YYYY'), 60.25)"),
            ParamsOf({ { QStringLiteral("P_C"), m_first } }));
        exec("delete from ZOLT.INVALIDCUSTDEBT");
    }

    void setAccDate(const QDate &d)
    {
        m_dm->cdsMainCFG()->Edit();
        m_dm->cdsMainCFG()->FieldByName(QStringLiteral("ACC_DATE"))->SetValue(QDateTime(d, QTime(0, 0)));
        m_dm->cdsMainCFG()->Post();
    }

    int m_first = 0, m_second = 0;
};

TEST_P(PayDocDatabase, DocumentsShowTheirDifferenceOverAHalfOpenPeriod)
{
    QSqlQuery q = m_dmr->dbConnection()->OpenQuery(PayDocStatement() + QStringLiteral(" order by M.PAY_DOC_ID"),
        ParamsOf({ { QStringLiteral("P_DATE_FROM"), QDateTime(QDate(2020, 3, 1), QTime(0, 0)) },
            { QStringLiteral("P_DATE_TO"), QDateTime(QDate(2020, 4, 1), QTime(0, 0)) } }));
    ASSERT_TRUE(q.next());
    EXPECT_DOUBLE_EQ(q.value(QStringLiteral("SUM_DIFFERENCE")).toDouble(), 39.75);
    ASSERT_TRUE(q.next()) << "a document on the period's last day is in it";
    EXPECT_DOUBLE_EQ(q.value(QStringLiteral("SUM_DIFFERENCE")).toDouble(), 50) << "no payments: the whole total";
    EXPECT_FALSE(q.next());
}

TEST_P(PayDocDatabase, ADocumentWithPaymentsIsNotDeletable)
{
    QString warning;
    EXPECT_FALSE(PayDocDeletable(m_dm.get(), 1, warning));
    EXPECT_EQ(warning, QStringLiteral("Данный документ удалить нельзя, т.к. он содержит платежи"));
    warning.clear();
    EXPECT_TRUE(PayDocDeletable(m_dm.get(), 2, warning));
    EXPECT_TRUE(warning.isEmpty());
}

TEST_P(PayDocDatabase, DeletingAPaymentQueuesExactlyItsCustomerFromItsDate)
{
    setAccDate(QDate(2020, 5, 1));
    QString error;
    ASSERT_TRUE(DeletePayment(m_dm.get(), 1, m_first, QDateTime(QDate(2020, 3, 10), QTime(0, 0)), error))
        << error.toStdString();
    EXPECT_EQ(queue(), QStringList { queued(m_first, "2020-03-01") });
    EXPECT_EQ(m_other->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.PAYMENT")).toInt(), 0);
}

TEST_P(PayDocDatabase, AnEditMovingAPaymentQueuesBothCustomersFromTheEarlierDate)
{
    setAccDate(QDate(2020, 5, 1));
    QueuePaymentChange(m_dm.get(), m_first, QDateTime(QDate(2020, 4, 20), QTime(0, 0)), m_second,
        QDateTime(QDate(2020, 2, 3), QTime(0, 0)));
    EXPECT_EQ(queue(), (QStringList { queued(m_first, "2020-02-01"), queued(m_second, "2020-02-01") }));

    exec("delete from ZOLT.INVALIDCUSTDEBT");
    QueuePaymentChange(m_dm.get(), m_first, QDateTime(QDate(2020, 3, 5), QTime(0, 0)), m_first,
        QDateTime(QDate(2020, 4, 5), QTime(0, 0)));
    EXPECT_EQ(queue(), QStringList { queued(m_first, "2020-03-01") }) << "the same customer is queued once";

    exec("delete from ZOLT.INVALIDCUSTDEBT");
    QueuePaymentChange(m_dm.get(), QVariant(), QVariant(), m_second, QDateTime(QDate(2020, 6, 5), QTime(0, 0)));
    EXPECT_EQ(queue(), QStringList { queued(m_second, "2020-05-01") }) << "a new payment: never after the open month";
}

TEST_P(PayDocDatabase, TheBrowsersStatementRunsWithAndWithoutAChannel)
{
    exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (5, 'Почта', 0, 0)");
    exec("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) values "
         "(3, 5, '13', TO_DATE('31/03/2020','DD/MM/YYYY'), 5)");
    // A payment taken in the afternoon of the period's last day belongs to the period.
    m_dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                       "values (2, 3, :P_C, -1, :P_D, 5)"),
        ParamsOf({ { QStringLiteral("P_C"), m_second },
            { QStringLiteral("P_D"), QDateTime(QDate(2020, 3, 31), QTime(15, 0)) } }));
    auto count = [this](bool filter, const QVariant &channel) {
        return m_dmr->dbConnection()
            ->SelectValue(QStringLiteral("select count(*) from (")
                + CustPaymentsStatement(QDate(2020, 3, 1), QDate(2020, 3, 31), filter, channel) + QStringLiteral(") X"))
            .toInt();
    };
    EXPECT_EQ(count(false, 5), 2);
    EXPECT_EQ(count(true, 5), 1);
    EXPECT_EQ(count(true, 4), 1);
    EXPECT_EQ(count(true, QVariant()), 2);
}

INSTANTIATE_TEST_SUITE_P(
    PayDoc, PayDocDatabase, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
