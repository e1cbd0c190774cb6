#include "GridSupport.h"

#include "DBSumLst.h"
#include "DatabaseError.h"

#include <gtest/gtest.h>

using tarvik::test::GridFixture;

namespace {

// A grid with one footer row: a sum of AMOUNT, an average of ID, a count and a sum on the text field NAME.
struct TotalsFixture : GridFixture
{
    TotalsFixture()
    {
        id = grid->Columns().Add();
        id->SetFieldName(QStringLiteral("ID"));
        name = grid->Columns().Add();
        name->SetFieldName(QStringLiteral("NAME"));
        amount = grid->Columns().Add();
        amount->SetFieldName(QStringLiteral("AMOUNT"));
        flag = grid->Columns().Add();
        flag->SetFieldName(QStringLiteral("FLAG"));
        grid->SetFooterRowCount(1);
        amount->Footer().SetValueType(fvtSum);
        id->Footer().SetValueType(fvtAvg);
        flag->Footer().SetValueType(fvtCount);
        name->Footer().SetValueType(fvtSum);
        grid->SumList().SetActive(true);
    }

    QString footer(TColumnEh *column) { return grid->GetFooterText(column->Footer(), *column); }

    TColumnEh *id;
    TColumnEh *name;
    TColumnEh *amount;
    TColumnEh *flag;
};

} // namespace

TEST(GridTotals, TenThousandthsRoundHalvesToEven)
{
    EXPECT_EQ(ToTenThousandths(0.1), 1000);
    EXPECT_EQ(ToTenThousandths(QVariant()), 0);
    EXPECT_EQ(ToTenThousandths(-2.5), -25000);
    // 1/32 and 3/32 are exact halves of a ten-thousandth: they go to the even neighbour.
    EXPECT_EQ(ToTenThousandths(0.03125), 312);
    EXPECT_EQ(ToTenThousandths(0.09375), 938);
    EXPECT_EQ(DivideHalfEven(5, 2), 2);
    EXPECT_EQ(DivideHalfEven(7, 2), 4);
    EXPECT_EQ(DivideHalfEven(-5, 2), -2);
    EXPECT_EQ(DivideHalfEven(10, 3), 3);
    EXPECT_EQ(DivideHalfEven(1, 0), 0);
}

TEST(GridTotals, PointOneAddedThreeTimesSumsToExactlyPointThree)
{
    TotalsFixture f;
    f.show();
    for (int i = 1; i <= 3; ++i)
        f.add(i, QStringLiteral("n"), 0.1);
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("0.3"));
    EXPECT_EQ(f.footer(f.flag), QStringLiteral("3"));
    EXPECT_EQ(f.footer(f.name), QStringLiteral("0")) << "a sum over a text field shows 0";
    const int footerRow = f.grid->FirstFooterRow();
    EXPECT_EQ(f.grid->CellDrawText(3, footerRow), QStringLiteral("0.3")) << "the footer draws the same text";
}

TEST(GridTotals, EditThenPostMovesTheTotalsAndCancelLeavesThem)
{
    TotalsFixture f;
    f.add(5, QStringLiteral("a"), 5.0);
    f.add(7, QStringLiteral("b"), 10.0);
    f.show();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("15"));
    EXPECT_EQ(f.footer(f.id), QStringLiteral("6"));

    f.ds.First();
    f.ds.Edit();
    f.field("AMOUNT")->SetValue(7.0);
    f.field("ID")->SetValue(9);
    f.ds.Post();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("17"));
    EXPECT_EQ(f.footer(f.id), QStringLiteral("8"));

    f.ds.Edit();
    f.field("AMOUNT")->SetValue(100.0);
    f.ds.Cancel();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("17"));
}

TEST(GridTotals, ANullUnderAnAverageLowersItsCountAndAllNullShowsZero)
{
    TotalsFixture f;
    f.add(2, QStringLiteral("a"));
    f.add(4, QStringLiteral("b"));
    f.show();
    EXPECT_EQ(f.footer(f.id), QStringLiteral("3"));
    f.ds.First();
    f.ds.Edit();
    f.field("ID")->Clear();
    f.ds.Post();
    EXPECT_EQ(f.footer(f.id), QStringLiteral("4")) << "the average of the one value left";
    f.ds.Last();
    f.ds.Edit();
    f.field("ID")->Clear();
    f.ds.Post();
    EXPECT_EQ(f.footer(f.id), QStringLiteral("0"));
}

TEST(GridTotals, AnIntegerAverageIsShownRoundedHalfToEven)
{
    struct Case
    {
        int a, b;
        const char *shown;
    };
    const Case cases[] = {{2, 3, "2"}, {3, 4, "4"}, {-2, -3, "-2"}, {1, 2, "2"}};
    for (const Case &c : cases) {
        TotalsFixture f;
        f.add(c.a);
        f.add(c.b);
        f.show();
        EXPECT_EQ(f.footer(f.id), QString::fromLatin1(c.shown)) << c.a << " and " << c.b;
    }
}

TEST(GridTotals, DeleteSubtractsTheRecordButARefusedDeleteChangesNothing)
{
    TotalsFixture f;
    f.add(1, QStringLiteral("a"), 1.25);
    f.add(2, QStringLiteral("b"), 2.5);
    f.add(3, QStringLiteral("c"));
    f.show();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("3.75"));
    EXPECT_EQ(f.footer(f.flag), QStringLiteral("3"));

    f.ds.Last();
    f.ds.Delete();
    EXPECT_EQ(f.footer(f.flag), QStringLiteral("2")) << "a count drops whatever the record holds";
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("3.75"));

    const int refuse = f.ds.BeforeDelete.add([](TDataSet *) { throw EDatabaseError(QStringLiteral("refused")); });
    f.ds.First();
    EXPECT_THROW(f.ds.Delete(), EDatabaseError);
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("3.75"));
    EXPECT_EQ(f.footer(f.flag), QStringLiteral("2"));
    f.ds.BeforeDelete.remove(refuse);

    f.ds.Delete();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("2.5"));
    EXPECT_EQ(f.footer(f.flag), QStringLiteral("1"));
}

TEST(GridTotals, RefreshAndFilterChangesRecalculateEverything)
{
    TotalsFixture f;
    f.add(1, QStringLiteral("a"), 1.0);
    f.add(2, QStringLiteral("b"), 2.0);
    f.show();
    int recalcs = 0;
    f.grid->OnSumListRecalcAll = [&recalcs](TDBSumListProducer *) { ++recalcs; };
    // A change the engine cannot see (the log merged away below it) is picked up by a refresh.
    f.grid->SumList().SumCollection().FindSumItem(goSum, QStringLiteral("AMOUNT"))->SumValue = 0;
    f.ds.Last();
    f.ds.Refresh();
    EXPECT_EQ(recalcs, 1);
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("3"));
    EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 2) << "a refresh keeps the current record";

    f.ds.OnFilterRecord.add([](TDataSet *ds, bool &accept) { accept = ds->FieldByName("ID")->AsInteger() == 2; });
    f.ds.SetFiltered(true);
    f.ds.First();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("2"));
    EXPECT_EQ(f.ds.RecNo(), 1) << "after a full recalculation the dataset stands on its first record";
}

TEST(GridTotals, ExternalRecalcLeavesExactlyWhatTheHandlerSets)
{
    TotalsFixture f;
    f.add(1, QStringLiteral("a"), 1.0);
    f.show();
    f.grid->OnSumListRecalcAll = [](TDBSumListProducer *engine) {
        engine->SumCollection().FindSumItem(goSum, QStringLiteral("AMOUNT"))->SumValue = 420000;
    };
    f.grid->SumList().SetExternalRecalc(true);
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("42"));
}

TEST(GridTotals, StaticTextFieldValueAndFormattedFooters)
{
    TotalsFixture f;
    f.amount->Footer().SetDisplayFormat(QStringLiteral("### ### ### ### ##0.##"));
    f.name->Footer().SetValueType(fvtStaticText);
    f.name->Footer().SetValue(QStringLiteral("Итого"));
    f.flag->Footer().SetValueType(fvtFieldValue);
    f.flag->Footer().SetFieldName(QStringLiteral("NAME"));
    f.add(1, QStringLiteral("first"), 1234567.25);
    f.add(2, QStringLiteral("second"), 0.25);
    f.show();
    f.ds.First();
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("1 234 567.5"));
    EXPECT_EQ(f.footer(f.name), QStringLiteral("Итого"));
    EXPECT_EQ(f.footer(f.flag), QStringLiteral("first"));
}
