// The monthly close against sums worked out by hand, its agreement with the recalculation, and its failures.
#include "EngineFixture.h"
#include "Kyv_db.h"
#include "Periods.h"
#include "ServiceFakes.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"
#include "frmuDebtCalc.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

class EngineClose : public EngineDb
{
protected:
    void SetUp() override
    {
        EngineDb::SetUp();
        calc = std::make_unique<TdmDebtCalc>(dmr.get());
    }

    bool close(int debtMode = 0) { return calc->closeAccountingMonth(debtMode, dmr->AccDate()); }
    QString accMonth() { return dmr->AccDate().toString(QStringLiteral("yyyy-MM")); }
    // The balance rows up to the open month that hold money: what every path must agree on.
    QStringList heldRows()
    {
        QStringList rows;
        const QString open = accMonth();
        for (const QString &r : payAccount()) {
            const QStringList parts = r.split(QLatin1Char(' '));
            if (parts[1] <= open && parts[2] != QStringLiteral("0") && parts[2] != QStringLiteral("null"))
                rows << r;
        }
        return rows;
    }

    std::unique_ptr<TdmDebtCalc> calc;
};

TEST_P(EngineClose, CloseAndSecondClose)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    ASSERT_TRUE(close());
    // Customer 1: 23 in, March's 31 -> 54. Customer 2: 2.27 in, nothing in March; its May payment lowers only the
    // debt.
    EXPECT_EQ(accMonth(), "2024-04");
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "1 2024-03 23", "1 2024-04 54",
                                         "2 2024-01 0", "2 2024-03 2.27", "2 2024-04 2.27"}));
    EXPECT_EQ(debts(1), "54 54");
    EXPECT_EQ(debts(2), "2.27 1.27");
    EXPECT_FALSE(dmr->dbConnection()->InTransaction());

    ASSERT_TRUE(close());
    EXPECT_EQ(accMonth(), "2024-05");
    EXPECT_EQ(payAccount().mid(4, 1), QStringList({"1 2024-05 85"}));
    EXPECT_EQ(debts(1), "85 85");
    EXPECT_EQ(debts(2), "2.27 1.27");

    // Reopening April and closing it again gives the same balances: the repeated close starts clean.
    const QStringList closed = payAccount();
    FakeMessageService messages;
    messages.answer(mrYes);
    dmr->ReturnAccPeriod(QDate(2024, 1, 1));
    EXPECT_EQ(accMonth(), "2024-04");
    EXPECT_FALSE(payAccount().contains("1 2024-05 85"));
    ASSERT_TRUE(close());
    EXPECT_EQ(payAccount(), closed);
    EXPECT_EQ(debts(1), "85 85");
}

// Rows from the month after the closed one that an earlier run left: a stale row of that month is written over,
// a later month's row and the rows of a customer no longer on the books go, and older rows stay as they were.
TEST_P(EngineClose, CloseRewritesTheNextMonthAndDropsWhatLiesBeyondIt)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    exec(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where REL_DATE >= '2024-04-01 00:00:00'"));
    for (const char *row : {"(1, '2024-04-01 00:00:00', 999)", "(1, '2024-06-01 00:00:00', 7)",
                            "(2, '2024-04-01 00:00:00', 0)", "(9, '2024-03-01 00:00:00', 3)",
                            "(9, '2024-04-01 00:00:00', 4)", "(9, '2024-05-01 00:00:00', 5)"})
        exec(QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) values ")
             + QLatin1String(row));
    ASSERT_TRUE(close());
    EXPECT_EQ(payAccount(), QStringList({"1 2024-01 5", "1 2024-02 32", "1 2024-03 23", "1 2024-04 54",
                                         "2 2024-01 0", "2 2024-03 2.27", "2 2024-04 2.27", "9 2024-03 3"}));
    EXPECT_EQ(debts(1), "54 54");
    EXPECT_EQ(debts(2), "2.27 1.27");
}

TEST_P(EngineClose, PrepaymentAddsTheNextFullMonthToTheDebtOnly)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 1);
    ASSERT_TRUE(close(1));
    EXPECT_EQ(payAccount().mid(3, 1), QStringList({"1 2024-04 54"}));
    EXPECT_EQ(debts(1), "54 85");
}

TEST_P(EngineClose, ResetThenClosesGiveWhatTheRecalculationGives)
{
    makeOperator();
    // A customer without anything at all gets a zero row from every close.
    customer(3, QStringLiteral("null"));
    dmr->RemoveAllCalculation();
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(close()) << i;
    EXPECT_EQ(accMonth(), "2024-05");
    // February: the payment at 15:00 on its last day counts in February; customer 2's cent case 2.27.
    const QStringList closed = heldRows();
    EXPECT_EQ(closed, QStringList({"1 2024-01 5", "1 2024-02 32", "1 2024-03 23", "1 2024-04 54", "1 2024-05 85",
                                   "2 2024-03 2.27", "2 2024-04 2.27", "2 2024-05 2.27"}));
    EXPECT_TRUE(payAccount().contains("3 2024-05 0"));
    const QStringList closedDebts{debts(1), debts(2), debts(3)};

    // The queue recalculates the same from the start: not a cent moves.
    for (int id : {1, 2, 3})
        dmr->MarkInvalidCustDebt(id, QDate(2024, 1, 1), dmr->AccDate());
    dmr->CheckInvalidCustDebt(0, dmr->AccDate());
    EXPECT_EQ(heldRows(), closed);
    EXPECT_EQ(QStringList({debts(1), debts(2), debts(3)}), closedDebts);
}

TEST_P(EngineClose, AnAbortedCloseLeavesEverythingAsItWas)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    const QStringList before = payAccount();
    calc->OnProgress = [this](int done, int) {
        if (done == 1)
            calc->Abort();
    };
    EXPECT_FALSE(close());
    EXPECT_EQ(accMonth(), "2024-03");
    EXPECT_EQ(payAccount(), before);
    EXPECT_EQ(debts(1), "23 23");
    EXPECT_FALSE(dmr->dbConnection()->InTransaction());
}

TEST_P(EngineClose, AFailingStatementRollsTheWholeCloseBack)
{
    makeOperator();
    dmr->RemoveAllCalculation();
    ASSERT_TRUE(close());
    const QStringList before = payAccount();
    const QString debtsBefore = debts(1);

    // The balance row of customer 2 cannot be written.
    auto owner = fixture->makeDmr();
    owner->DbLogON(TDMR::SchemaOwner, TDMR::SchemaOwnerPassword, QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    if (fixture->engine() == TestEngine::SQLite) {
        owner->dbConnection()->Execute(QStringLiteral(
            "create trigger ZOLT.FAIL_CLOSE before insert on PAY_ACCOUNT when new.CUSTOMER_ID = 2 "
            "begin select raise(abort, 'injected failure'); end"));
    } else {
        owner->dbConnection()->Execute(QStringLiteral(
            "create function ZOLT.FAIL_CLOSE() returns trigger language plpgsql as $$ begin "
            "if new.CUSTOMER_ID = 2 then raise exception 'injected failure'; end if; return new; end $$"));
        owner->dbConnection()->Execute(QStringLiteral("create trigger FAIL_CLOSE before insert on ZOLT.PAY_ACCOUNT "
                                                      "for each row execute function ZOLT.FAIL_CLOSE()"));
    }
    FakeMessageService messages;
    EXPECT_FALSE(close());
    EXPECT_TRUE(messages.lastText().contains(QStringLiteral("injected failure"))) << messages.lastText().toStdString();
    EXPECT_EQ(accMonth(), "2024-02");
    EXPECT_EQ(payAccount(), before);
    EXPECT_EQ(debts(1), debtsBefore);
    EXPECT_FALSE(dmr->dbConnection()->InTransaction());
}

TEST_P(EngineClose, DialogClosesEveryMonthUpToTheCurrentOne)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    TDMR *savedDmr = std::exchange(DMR, dmr.get());
    TdmDebtCalc *savedCalc = std::exchange(dmDebtCalc, calc.get());
    FakeClock clock(QDateTime(QDate(2024, 5, 20), QTime(9, 0)));
    FakeShellService shell;
    // The dialog reads the open month and the debt mode from the configuration row of the data module.
    TDM dm(dmr.get());
    TDM *savedDm = std::exchange(DM, &dm);
    {
        TfrmDebtCalc dialog;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Закрыть месяц Март 2024 г. Перевод остатков на Апрель 2024 г."));
        dialog.cbxAll->setChecked(true);
        dialog.actStartExecute();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Закрыть месяц Апрель 2024 г. Перевод остатков на Май 2024 г."));
        EXPECT_EQ(dialog.actAbort->text(), QStringLiteral("Выход"));
    }
    EXPECT_EQ(accMonth(), "2024-05");
    EXPECT_EQ(debts(1), "85 85");
    DMR = savedDmr;
    DM = savedDm;
    dmDebtCalc = savedCalc;
}

TEST_P(EngineClose, CustomerListShowsWhatTheCloseWrites)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    // "customer: in factor subscription charged payments out" of the list, and the row the close wrote next month.
    const auto list = [&](const QDate &month) {
        calc->openCustDebtState(month);
        TDataSet *ds = calc->odsCustDebtState();
        QStringList rows;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            QStringList values;
            for (const char *name : {"P_DEBT_IN_SUM", "FACTOR_VALUE", "C_SUM", "C_TO_PAY_SUM", "C_PAY_SUM", "DEBT_OUT_SUM"})
                values << QString::number(ds->FieldByName(QString::fromLatin1(name))->AsFloat());
            rows << ds->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsString() + QStringLiteral(": ") + values.join(' ');
        }
        EXPECT_EQ(ds->FieldByName(QStringLiteral("P_DATE_TO"))->AsDateTime().date(), EndOfMonth(month));
        return rows;
    };
    const auto written = [&](const QDate &next) {
        QStringList rows;
        for (const QString &r : payAccount())
            if (r.section(' ', 1, 1) == next.toString(QStringLiteral("yyyy-MM")))
                rows << r.section(' ', 2);
        return rows;
    };
    const auto outs = [](const QStringList &rows) {
        QStringList out;
        for (const QString &r : rows)
            out << r.section(' ', -1);
        return out;
    };

    // February: customer 2's cent case, the factor applied per period before rounding as the close does.
    const QStringList february = list(QDate(2024, 2, 1));
    EXPECT_EQ(february.join(QStringLiteral("; ")).toStdString(), "1: 32 1 31 63 40 23; 2: 0 0.5 4.55 2.27 0 2.27");
    EXPECT_EQ(outs(february), written(march()));

    // The open month, then its close.
    const QStringList open = list(march());
    ASSERT_TRUE(close());
    EXPECT_EQ(outs(open), written(QDate(2024, 4, 1)));
    calc->odsCustDebtState()->Close();
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineClose, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
