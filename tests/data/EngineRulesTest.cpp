// Rules the engine holds beyond the sums of one path: the start correction in the queue's one-month path, the
// close's prepayment, services by fact in every path, the queue's own rows, and the tariff check's feedback.
#include "EngineFixture.h"
#include "ApplicationHint.h"
#include "ScreenCursor.h"
#include "ServiceFakes.h"
#include "dmuDebtCalc.h"

#include <QRegularExpression>

namespace {

class EngineRules : public EngineDb
{
protected:
    std::unique_ptr<TDMR> owner()
    {
        auto o = fixture->makeDmr();
        o->DbLogON(TDMR::SchemaOwner, TDMR::SchemaOwnerPassword, QStringLiteral("TEST"));
        EXPECT_TRUE(o->Get_DatabaseConnectStatus());
        return o;
    }
    QStringList queue()
    {
        QStringList rows;
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select CUSTOMER_ID, DATE_FROM from ZOLT.INVALIDCUSTDEBT order by CUSTOMER_ID, DATE_FROM"));
        while (q.next())
            rows << QStringLiteral("%1 %2").arg(q.value(0).toInt()).arg(ColumnDate(q.value(1)).toString(QStringLiteral("yyyy-MM")));
        return rows;
    }
    void forgetBalances()
    {
        exec(QStringLiteral("delete from ZOLT.PAY_ACCOUNT"));
        exec(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = null, DEBT_SUM = null"));
    }
};

TEST_P(EngineRules, QueueInTheInitialisationMonthCorrectsTheStartAsTheFullPathDoes)
{
    makeOperator();
    const QDate january(2024, 1, 1);
    exec(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = INIT_DATE"));
    // Customer 1: starting debt 10 less 5 paid before; January open: connection 5, the February payment of 40.
    dmr->MarkInvalidCustDebt(1, QDate(2024, 1, 15), january);
    dmr->CheckInvalidCustDebt(0, january);
    const QStringList queued = payAccount();
    EXPECT_EQ(queued, QStringList({"1 2024-01 5", "1 2024-02 -30"}));
    EXPECT_EQ(debts(1), "5 -30");

    forgetBalances();
    dmr->CheckFullCustDebt(1, january, QVariant(), 0);
    EXPECT_EQ(payAccount(), queued);
    EXPECT_EQ(debts(1), "5 -30");
}

TEST_P(EngineRules, ClosePrepaysOnlyInDebtModeOneAsTheRecalculationPricesIt)
{
    makeOperator();
    // Service 10 costs 40 from April; customer 2 (factor 0.5) takes it from 10 March on.
    exec(QStringLiteral("update ZOLT.TARIF set DATE_TO = '2024-03-31 00:00:00' where TARIF_ID = 1"));
    exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                        "values (4, 10, '2024-04-01 00:00:00', '4712-12-31 00:00:00', 40)"));
    subscription(3, 2, 10, QStringLiteral("2024-03-10"), QStringLiteral("4712-12-31"), QStringLiteral("null"));
    dmr->RecalcAllCustomers(march(), 1);
    TdmDebtCalc calc(dmr.get());

    // Another prepayment mode: the close adds nothing. Customer 2: 2.27 in, 22 days of March at 31 x 0.5 = 11.
    ASSERT_TRUE(calc.closeAccountingMonth(2, march()));
    EXPECT_EQ(debts(1), "54 54");
    EXPECT_EQ(debts(2), "13.27 12.27");

    // Debt mode 1: one full April at April's tariff times April's factor: 40 for customer 1, 20 for customer 2.
    exec(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = '2024-03-01 00:00:00'"));
    ASSERT_TRUE(calc.closeAccountingMonth(1, march()));
    EXPECT_EQ(debts(1), "54 94");
    EXPECT_EQ(debts(2), "13.27 32.27");

    // The recalculation of the now open April prices the prepaid month the same.
    forgetBalances();
    for (int id : {1, 2})
        dmr->CheckFullCustDebt(id, QDate(2024, 4, 1), QVariant(), 1);
    EXPECT_EQ(debts(1), "54 94");
    EXPECT_EQ(debts(2), "13.27 32.27");
}

TEST_P(EngineRules, ServicesByFactCountWithOrWithoutTheirPriceListEntry)
{
    makeOperator();
    exec(QStringLiteral("insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, PRICE, SERVICE_NAME) "
                        "values (1000, 3, 'Вызов мастера')"));
    // A row whose price-list entry is gone, as an older database may hold.
    if (fixture->engine() == TestEngine::PostgreSQL)
        owner()->dbConnection()->Execute(
            QStringLiteral("alter table ZOLT.CUSTOMER_SERVICE drop constraint FK_CUSTOMER_SERVICE_TO_SS_TARIF"));
    else
        exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    auto byFact = [&](int id, int entry, double amount, const char *date) {
        dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.CUSTOMER_SERVICE (CUSTOMER_ID, CUSTOMER_SERVICE_ID, SINGLE_SERVICE_TARIF_ID, "
                           "PRICE, QUANTITY, AMOUNT, SERVICE_DATE, PUT_TIME) values (2, :I, :E, :A, 1, :A, :D, :D)"),
            {{QStringLiteral("I"), id},
             {QStringLiteral("E"), entry},
             {QStringLiteral("A"), amount},
             {QStringLiteral("D"), QDateTime(QDate::fromString(QLatin1String(date), QStringLiteral("yyyy-MM-dd")), QTime(0, 0))}});
    };
    byFact(1, 1000, 3, "2024-02-05");
    byFact(2, 999, 4, "2024-02-06");
    byFact(3, 1000, 0, "2024-02-07");
    if (fixture->engine() == TestEngine::SQLite)
        exec(QStringLiteral("PRAGMA foreign_keys=ON"));

    // Customer 2's February: 2.27 + 3 + 4; the zero row charges nothing. The May payment counts in March.
    const QStringList expected{"2 2024-01 0", "2 2024-03 9.27", "2 2024-04 8.27"};
    auto customer2 = [&] { return payAccount().filter(QRegularExpression(QStringLiteral("^2 "))); };
    dmr->CheckFullCustDebt(2, march(), QVariant(), 0);
    EXPECT_EQ(customer2(), expected);
    EXPECT_EQ(debts(2), "9.27 8.27");

    forgetBalances();
    dmr->RecalcAllCustomers(march(), 0);
    EXPECT_EQ(customer2(), expected);
    EXPECT_EQ(debts(2), "9.27 8.27");

    forgetBalances();
    dmr->MarkInvalidCustDebt(2, QDate(2024, 1, 1), march());
    dmr->CheckInvalidCustDebt(0, march());
    EXPECT_EQ(customer2(), expected);

    // The close of February carries both into March.
    exec(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = '2024-02-01 00:00:00'"));
    TdmDebtCalc calc(dmr.get());
    ASSERT_TRUE(calc.closeAccountingMonth(0, QDate(2024, 2, 1)));
    EXPECT_TRUE(customer2().contains("2 2024-03 9.27"));

    // The statement lists both.
    ASSERT_TRUE(dmr->FillCustBalance(2, 0, march(), QDate(2024, 1, 1)));
    QStringList lines;
    QSqlQuery q = dmr->dbConnection()->OpenQuery(
        QStringLiteral("select DESCR, SUM_VAL from ZOLT.TMP_CUST_BALANCE where DESCR like '%.02.2024)' order by DESCR"));
    while (q.next())
        lines << q.value(0).toString().trimmed() + QLatin1Char('=') + QString::number(q.value(1).toDouble());
    EXPECT_EQ(lines.size(), 2) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines.filter(QStringLiteral("=4")).size() == 1 && lines.filter(QStringLiteral("=3")).size() == 1)
        << lines.join(QLatin1Char('|')).toStdString();
}

TEST_P(EngineRules, AQueueRowAddedDuringARunSurvivesIt)
{
    makeOperator();
    for (int id : {1, 2})
        dmr->CheckFullCustDebt(id, march(), QVariant(), 0);
    exec(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = null, DEBT_SUM = null where CUSTOMER_ID = 1"));
    dmr->MarkInvalidCustDebt(1, QDate(2024, 1, 15), march());
    auto other = fixture->makeDmr();
    ASSERT_TRUE(other->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));

    // While the run reads its customers' payments, another user queues customer 1 again and customer 2.
    TADOConnection &c = *dmr->dbConnection();
    const auto previous = c.OnWillExecute;
    bool queuedMeanwhile = false;
    c.OnWillExecute = [&](TADOConnection &connection, const TExecuteInfo &info) {
        if (previous)
            previous(connection, info);
        if (!queuedMeanwhile && info.CommandText.contains(QLatin1String("PAY_DATE >="))) {
            queuedMeanwhile = true;
            other->MarkInvalidCustDebt(1, QDate(2024, 3, 3), march());
            other->MarkInvalidCustDebt(2, QDate(2024, 3, 3), march());
        }
    };
    dmr->CheckInvalidCustDebt(0, march());
    c.OnWillExecute = previous;
    ASSERT_TRUE(queuedMeanwhile);
    EXPECT_EQ(queue(), QStringList({"1 2024-03", "2 2024-03"}));
    EXPECT_EQ(debts(1), "23 23");

    dmr->CheckInvalidCustDebt(0, march());
    EXPECT_EQ(queue(), QStringList());
    EXPECT_EQ(debts(2), "2.27 1.27");
}

TEST_P(EngineRules, TariffCheckRestoresHintAndCursorAndShowsAFailure)
{
    makeOperator();
    exec(QStringLiteral("update ZOLT.TARIF set DATE_TO = '2024-06-30 00:00:00' where TARIF_ID = 2"));
    FakeMessageService messages;
    QStringList hints;
    const ApplicationHintHandler previousHint = setApplicationHintHandler([&hints] { hints << ApplicationHint(); });
    const TCursor cursor = ScreenCursor();

    dmr->AutoCorrectTarifs();
    EXPECT_FALSE(dmr->HasInvalidTarifs());
    EXPECT_EQ(hints, QStringList({QStringLiteral("Проверка тарифов"), QString()}));
    EXPECT_EQ(ScreenCursor(), cursor);
    EXPECT_TRUE(messages.requests.isEmpty());

    // A tariff table that cannot be read: the user is told, the caller goes on.
    hints.clear();
    auto o = owner();
    o->dbConnection()->Execute(QStringLiteral("alter table ZOLT.TARIF rename to TARIF_AWAY"));
    EXPECT_NO_THROW(dmr->AutoCorrectTarifs());
    o->dbConnection()->Execute(QStringLiteral("alter table ZOLT.TARIF_AWAY rename to TARIF"));
    setApplicationHintHandler(previousHint);
    EXPECT_EQ(hints, QStringList({QStringLiteral("Проверка тарифов"), QString()}));
    EXPECT_EQ(ScreenCursor(), cursor);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests.first().type, mtError);
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineRules, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
