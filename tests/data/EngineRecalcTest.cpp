// The recalculation of one customer and the queue, on both engines, against sums worked out by hand.
#include "EngineFixture.h"
#include "ApplicationHint.h"
#include "BalanceEngine.h"
#include "Money.h"

#include <ctime>

namespace {

TEST(EngineMoney, RoundMoneyByPrecision)
{
    struct Case
    {
        int precision;
        double x;
        double expected;
    } cases[] = {
        {2, 2.675, 2.67},  // follows the binary value
        {2, 2.275, 2.27},  // likewise
        {2, 1.8965, 1.9},  // half away from zero
        {2, -1.005, -1.0}, // binary value below the half
        {0, -2.5, -3},     {-1, 1234, 1230},   {-2, 12720, 12700}, {-2, 12725, 12750},
        {-2, 12775, 12800}, {-2, -130, -100},   {-3, 12249, 12000}, {-3, 12250, 12500},
        {-3, 12750, 13000}, {2, 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(RoundMoney(c.precision, c.x), c.expected) << c.precision << " " << c.x;
}

TEST(EngineMoney, OneChargeRulePerPeriod)
{
    // 11 days of a 29-day month at 12, factor 0.5: the charge is rounded to cents before the factor.
    const QDate feb(2024, 2, 1);
    EXPECT_DOUBLE_EQ(PeriodCharge({QDate(2024, 2, 10), QDate(2024, 2, 20), 12}, feb, 0.5), 2.27);
    // A period reaching past both ends covers the whole month.
    EXPECT_DOUBLE_EQ(PeriodCharge({QDate(2023, 1, 1), QDate(4712, 12, 31), 31}, feb, 1), 31);
    // A period outside the month charges nothing.
    EXPECT_DOUBLE_EQ(PeriodCharge({QDate(2024, 3, 1), QDate(2024, 3, 5), 31}, feb, 1), 0);
    // Each period is rounded on its own, then summed.
    EXPECT_DOUBLE_EQ(SubscriptionCharge({{QDate(2024, 2, 10), QDate(2024, 2, 20), 12},
                                         {QDate(2024, 2, 10), QDate(2024, 2, 20), 12}},
                                        feb, 0.5),
                     4.54);
    EXPECT_FALSE(MoneyDiffers(1.894999, 1.89));
    EXPECT_TRUE(MoneyDiffers(QVariant(), 0));
}

// A date is a calendar value whatever the machine's time zone: a day read as text, passed as a date or as a
// local or UTC moment is the same value, compares equal and falls on the same day and stamp.
TEST(EngineMoney, ColumnDatesAreCalendarValuesInEveryTimeZone)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "<+10>-10"); // ten hours east of UTC, needing no zone file
    tzset();
    const QDate day(2024, 2, 29);
    const QDateTime expected(day, QTime(0, 0), Qt::UTC);
    const QList<QVariant> forms{QVariant(day), QVariant(QDateTime(day, QTime(0, 0))), QVariant(expected),
                                QVariant(QStringLiteral("2024-02-29 00:00:00")), QVariant(QStringLiteral("2024-02-29"))};
    for (const QVariant &v : forms) {
        EXPECT_EQ(ColumnDateTime(v), expected) << v.toString().toStdString();
        EXPECT_EQ(ColumnDate(v), day) << v.toString().toStdString();
        EXPECT_EQ(StampOf(v), StampOf(day)) << v.toString().toStdString();
    }
    // A local moment late in the day keeps its digits.
    EXPECT_EQ(ColumnDateTime(QDateTime(day, QTime(23, 30))), QDateTime(day, QTime(23, 30), Qt::UTC));
    EXPECT_FALSE(ColumnDateTime(QVariant()).isValid());
    if (zone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

TEST_P(EngineDb, FullRecalculationByFact)
{
    makeOperator();
    for (int id : {1, 2})
        dmr->CheckFullCustDebt(id, march(), QVariant(), 0);
    // Customer 1: January 5 + 22 days of 31 + connection 5 = 32; February + 31 - 40 paid on its last day = 23;
    // March is open: nothing charged yet. Customer 2: the cent case in February, the May payment counts in March.
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "1 2024-03 23", "1 2024-04 23",
                                         "2 2024-01 0", "2 2024-03 2.27", "2 2024-04 1.27"}));
    EXPECT_EQ(debts(1), "23 23");
    EXPECT_EQ(debts(2), "2.27 1.27");

    // A second run changes nothing; the application hint says which month it checks and is cleared at the end.
    QStringList hints;
    const ApplicationHintHandler previous = setApplicationHintHandler([&hints] { hints << ApplicationHint(); });
    dmr->CheckFullCustDebt(1, march(), QVariant(), 0);
    setApplicationHintHandler(previous);
    EXPECT_EQ(debts(1), "23 23");
    EXPECT_EQ(hints.join(QLatin1Char('|')).toStdString(),
              "Проверка входящего долга от даты инициализации|Проверка долга на 01.01.2024|"
              "Проверка долга на 01.02.2024|Проверка долга на 01.03.2024|");
}

TEST_P(EngineDb, FullRecalculationWithPrepayment)
{
    makeOperator();
    for (int id : {1, 2})
        dmr->CheckFullCustDebt(id, march(), QVariant(), 1);
    // The running subscription's full next month goes into the debt only, never into the balance rows.
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "1 2024-03 23", "1 2024-04 23",
                                         "2 2024-01 0", "2 2024-03 2.27", "2 2024-04 1.27"}));
    EXPECT_EQ(debts(1), "23 54");
    EXPECT_EQ(debts(2), "2.27 1.27");
}

TEST_P(EngineDb, QueuedPaymentsAreWorkedFromTheEarliestMonth)
{
    makeOperator();
    for (int id : {1, 2})
        dmr->CheckFullCustDebt(id, march(), QVariant(), 0);

    // A payment in January queues the customer from January and recalculates every month.
    payment(10, 1, QStringLiteral("2024-01-15 00:00:00"), 2);
    dmr->MarkInvalidCustDebt(1, QDate(2024, 3, 20), march());
    dmr->MarkInvalidCustDebt(1, QDate(2024, 1, 15), march());
    // Queueing a later month after an earlier one keeps both; the earlier one decides.
    dmr->MarkInvalidCustDebt(1, QDate(2024, 4, 2), march());
    EXPECT_EQ(dmr->GetRecordsCount(QStringLiteral("INVALIDCUSTDEBT")), 2);

    // A payment in the open month only recalculates the open month.
    payment(11, 2, QStringLiteral("2024-03-03 00:00:00"), 1.27);
    dmr->MarkInvalidCustDebt(2, QDate(2024, 3, 3), march());

    dmr->CheckInvalidCustDebt(0, march());
    EXPECT_EQ(dmr->GetRecordsCount(QStringLiteral("INVALIDCUSTDEBT")), 0);
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 30", "1 2024-03 21", "1 2024-04 21",
                                         "2 2024-01 0", "2 2024-03 2.27", "2 2024-04 0"}));
    EXPECT_EQ(debts(1), "21 21");
    EXPECT_EQ(debts(2), "2.27 0");
}

TEST_P(EngineDb, AFailingRecalculationStopsTheQueueAndKeepsItsRows)
{
    makeOperator();
    dmr->MarkInvalidCustDebt(1, QDate(2024, 1, 5), march());
    dmr->MarkInvalidCustDebt(2, QDate(2024, 1, 5), march());
    // A tariff table that cannot be read makes the first recalculation fail.
    auto owner = fixture->makeDmr();
    owner->DbLogON(TDMR::SchemaOwner, TDMR::SchemaOwnerPassword, QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.TARIF rename to TARIF_AWAY"));
    dmr->CheckInvalidCustDebt(0, march());
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.TARIF_AWAY rename to TARIF"));
    EXPECT_EQ(dmr->GetRecordsCount(QStringLiteral("INVALIDCUSTDEBT")), 2);
}

TEST_P(EngineDb, StartingBalanceSubtractsEarlierPaymentsWhateverTheirSign)
{
    makeOperator();
    exec(QStringLiteral("update ZOLT.PAYMENT set PAY_SUM = -3 where PAYMENT_ID = 1"));
    dmr->CorrectInitBalance(1);
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 13"}));
    EXPECT_EQ(debts(1), "13 13");
    // AccDate before the initialisation month: no month is computed, the start is still corrected.
    dmr->CheckFullCustDebt(2, QDate(2023, 12, 1), QVariant(), 0);
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 13", "2 2024-01 0"}));
    EXPECT_EQ(debts(2), "0 0");
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineDb, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
