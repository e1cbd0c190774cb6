// Bulk recalculation, and undoing the close: reopening a month and the full reset, on both engines.
#include "EngineFixture.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"

#include <QEvent>

namespace {

// Records the window messages the module sends to the main window.
class MessageRecorder : public QObject
{
public:
    QList<int> messages;
    bool event(QEvent *e) override
    {
        if (TMessageEvent *m = TMessageEvent::from(e)) {
            messages << m->Msg;
            return true;
        }
        return QObject::event(e);
    }
};

QString accDate(TDMR &dmr)
{
    return dmr.AccDate().toString(QStringLiteral("yyyy-MM"));
}

TEST_P(EngineDb, RecalcAllCustomersGivesWhatEachCustomerGives)
{
    makeOperator();
    MessageRecorder window;
    dmr->SetMainWindow(&window);
    dmr->RecalcAllCustomers(march(), 0);
    EXPECT_EQ(window.messages, QList<int>({AMShowAnimate, AMHideAnimate}));
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "1 2024-03 23", "1 2024-04 23",
                                         "2 2024-01 0", "2 2024-03 2.27", "2 2024-04 1.27"}));
    EXPECT_EQ(debts(1), "23 23");
    EXPECT_EQ(debts(2), "2.27 1.27");
}

TEST_P(EngineDb, RecalcPayersDebtWorksOnlyTheInitialisationMonth)
{
    makeOperator();
    dmr->RecalcPayersDebt(0, march());
    // Customer 1: January's balance row and debts; customer 2 paid only after the open month: its initialisation
    // month has nothing to write beyond the start row.
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "2 2024-01 0"}));
    EXPECT_EQ(debts(1), "5 32");
    EXPECT_EQ(debts(2), "0 0");
}

TEST_P(EngineDb, ReturnAccPeriodReopensTheMonthBefore)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    FakeMessageService messages;

    messages.answer(mrNo);
    dmr->ReturnAccPeriod(QDate(2024, 1, 1));
    EXPECT_EQ(accDate(*dmr), "2024-03");
    EXPECT_EQ(payAccount().size(), 7);

    messages.answer(mrYes);
    dmr->ReturnAccPeriod(QDate(2024, 1, 1));
    EXPECT_EQ(messages.requests.constLast().text, QStringLiteral("Открыть период Март 2024 г."));
    EXPECT_EQ(accDate(*dmr), "2024-02");
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "2 2024-01 0"}));
    EXPECT_FALSE(dmr->dbConnection()->InTransaction());
    // The debts stay as they were until the next recalculation or close.
    EXPECT_EQ(debts(1), "23 23");
}

TEST_P(EngineDb, ReturnAccPeriodWithNothingClosedResetsEverything)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    exec(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = INIT_DATE"));
    FakeMessageService messages;
    dmr->ReturnAccPeriod(QDate(2024, 1, 1));
    EXPECT_EQ(messages.lastText(), QStringLiteral("Нет закрытых периодов"));
    // Starting debt 10 less 5 paid before January; no starting debt gives a null balance.
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "2 2024-01 null"}));
    EXPECT_EQ(debts(1), "0 0");
    EXPECT_EQ(debts(2), "0 0");
    EXPECT_EQ(accDate(*dmr), "2024-01");
}

TEST_P(EngineDb, RemoveAllCalculationReopensTheInitialisationMonth)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    dmr->RemoveAllCalculation();
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "2 2024-01 null"}));
    EXPECT_EQ(accDate(*dmr), "2024-01");
    EXPECT_EQ(debts(1), "0 0");
}

} // namespace
