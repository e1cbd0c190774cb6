#include "GridSupport.h"

#include "DBSumLst.h"
#include "DatabaseError.h"

#include <gtest/gtest.h>

#include <limits>

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
    // Whole numbers of any width; what a total cannot hold stops at its limit instead of changing sign.
    EXPECT_EQ(ToTenThousandths(qlonglong(900000000000000)), qint64(9000000000000000000));
    EXPECT_EQ(ToTenThousandths(qulonglong(3)), 30000);
    EXPECT_EQ(ToTenThousandths(qlonglong(1) << 62), std::numeric_limits<qint64>::max());
    EXPECT_EQ(ToTenThousandths(-1e300), std::numeric_limits<qint64>::min());
    EXPECT_EQ(ToTenThousandths(std::numeric_limits<double>::quiet_NaN()), 0);
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

namespace {

// One field V of the given type in three columns: its sum, its average and the record count.
struct TypedTotals
{
    explicit TypedTotals(TFieldType type)
    {
        ds.FieldDefs().Add(QStringLiteral("V"), type);
        ds.CreateDataSet();
        source.SetDataSet(&ds);
        for (TFooterValueType kind : {fvtSum, fvtAvg, fvtCount}) {
            TColumnEh *column = grid.Columns().Add();
            column->SetFieldName(QStringLiteral("V"));
            column->Footer().SetValueType(kind);
            columns.push_back(column);
        }
        grid.SetFooterRowCount(1);
        grid.SumList().SetActive(true);
        grid.SetDataSource(&source);
    }

    QString footer(int i) { return grid.GetFooterText(columns[size_t(i)]->Footer(), *columns[size_t(i)]); }

    TClientDataSet ds;
    TDataSource source;
    TDBGridEh grid;
    std::vector<TColumnEh *> columns;
};

// Columns ID (average) and AMOUNT (no footer yet) with a count beside them, over the rows 1.0 and 2.0.
struct PendingFixture : GridFixture
{
    PendingFixture()
    {
        id = grid->Columns().Add();
        id->SetFieldName(QStringLiteral("ID"));
        amount = grid->Columns().Add();
        amount->SetFieldName(QStringLiteral("AMOUNT"));
        count = grid->Columns().Add();
        count->SetFieldName(QStringLiteral("NAME"));
        grid->SetFooterRowCount(1);
        id->Footer().SetValueType(fvtAvg);
        count->Footer().SetValueType(fvtCount);
        grid->SumList().SetActive(true);
        add(1, QStringLiteral("a"), 1.0);
        add(2, QStringLiteral("b"), 2.0);
        show();
    }

    QString footer(TColumnEh *column) { return grid->GetFooterText(column->Footer(), *column); }

    TColumnEh *id;
    TColumnEh *amount;
    TColumnEh *count;
};

} // namespace

TEST(GridTotals, EveryNumericFieldTypeSumsAveragesAndCounts)
{
    struct Case
    {
        TFieldType type;
        QVariant a, b;
        const char *sum, *avg;
    };
    // Whole-number fields show whole totals (an average rounded halves to even); the others their fractions.
    const Case cases[] = {
        {ftSmallint, 2, 3, "5", "2"},
        {ftInteger, 4, 7, "11", "6"},
        {ftWord, 65535, 1, "65536", "32768"},
        {ftLargeint, qlonglong(5000000000), qlonglong(3000000001), "8000000001", "4000000000"},
        {ftLargeint, qlonglong(-12), qlonglong(2), "-10", "-5"},
        {ftFloat, 1.25, 2.5, "3.75", "1.875"},
        {ftBCD, 1.25, 2.5, "3.75", "1.875"},
        {ftCurrency, 1.25, 2.5, "3.75", "1.875"},
        {ftAutoInc, 2, 3, "5", "2"},
    };
    for (const Case &c : cases) {
        TypedTotals f(c.type);
        for (const QVariant &v : {c.a, c.b, QVariant()}) {
            f.ds.Append();
            f.ds.FieldByName(QStringLiteral("V"))->SetValue(v);
            f.ds.Post();
        }
        const QString type = FieldTypeName(c.type);
        EXPECT_EQ(f.footer(0), QString::fromLatin1(c.sum)) << qPrintable(type);
        EXPECT_EQ(f.footer(1), QString::fromLatin1(c.avg)) << qPrintable(type) << ": the null is not averaged";
        EXPECT_EQ(f.footer(2), QStringLiteral("3")) << qPrintable(type) << ": a count counts every record";

        // The totals kept record by record agree with a full recount.
        f.ds.First();
        f.ds.Edit();
        f.ds.FieldByName(QStringLiteral("V"))->SetValue(c.b);
        f.ds.Post();
        const QString edited = f.footer(0);
        f.grid.SumList().RecalcAllSums();
        EXPECT_EQ(f.footer(0), edited) << qPrintable(type);
    }
}

TEST(GridTotals, BindingATotalWhileARecordIsTypedLeavesItBeingTyped)
{
    enum Binding { bindFooter, switchListOn };
    struct Case
    {
        TDataSetState state;
        Binding binding;
        bool post;
        const char *sum, *avg, *count, *currentName;
    };
    // Inserted: ID 4, AMOUNT 4.5, NAME "typed"; edited: the first row to ID 7, AMOUNT 10, NAME "typed".
    const Case cases[] = {
        {dsInsert, bindFooter, true, "7.5", "2", "3", "typed"},
        {dsInsert, bindFooter, false, "3", "2", "2", "b"},
        {dsInsert, switchListOn, true, "7.5", "2", "3", "typed"},
        {dsInsert, switchListOn, false, "3", "2", "2", "b"},
        {dsEdit, bindFooter, true, "12", "4", "2", "typed"},
        {dsEdit, bindFooter, false, "3", "2", "2", "a"},
        {dsEdit, switchListOn, true, "12", "4", "2", "typed"},
    };
    for (const Case &c : cases) {
        PendingFixture f;
        const std::string what = std::string(c.state == dsInsert ? "insert" : "edit")
            + (c.binding == bindFooter ? ", footer bound" : ", list switched on") + (c.post ? ", posted" : ", cancelled");
        if (c.binding == switchListOn) {
            f.grid->SumList().SetActive(false);
            f.amount->Footer().SetValueType(fvtSum);
        }
        int posts = 0;
        f.ds.AfterPost.add([&posts](TDataSet *) { ++posts; });
        if (c.state == dsInsert) {
            f.ds.Append();
            f.field("ID")->SetValue(4);
            f.field("AMOUNT")->SetValue(4.5);
        } else {
            f.ds.First();
            f.ds.Edit();
            f.field("ID")->SetValue(7);
            f.field("AMOUNT")->SetValue(10.0);
        }
        f.field("NAME")->SetValue(QStringLiteral("typed"));

        if (c.binding == bindFooter)
            f.amount->Footer().SetValueType(fvtSum);
        else
            f.grid->SumList().SetActive(true);
        EXPECT_EQ(f.ds.State(), c.state) << what;
        EXPECT_EQ(posts, 0) << what << ": the record being typed is not posted";
        EXPECT_EQ(f.field("AMOUNT")->AsFloat(), c.state == dsInsert ? 4.5 : 10.0) << what;
        EXPECT_EQ(f.field("NAME")->AsString(), QStringLiteral("typed")) << what;

        // Typing goes on after the binding.
        f.field("FLAG")->SetValue(QStringLiteral("x"));
        if (c.post)
            f.ds.Post();
        else
            f.ds.Cancel();
        EXPECT_EQ(f.ds.State(), dsBrowse) << what;
        EXPECT_EQ(f.footer(f.amount), QString::fromLatin1(c.sum)) << what;
        EXPECT_EQ(f.footer(f.id), QString::fromLatin1(c.avg)) << what;
        EXPECT_EQ(f.footer(f.count), QString::fromLatin1(c.count)) << what;
        EXPECT_EQ(f.field("NAME")->AsString(), QString::fromLatin1(c.currentName))
            << what << ": the record stays current";

        // Later changes keep the recounted totals in step.
        f.ds.Last();
        f.ds.Edit();
        f.field("AMOUNT")->SetValue(f.field("AMOUNT")->AsFloat() + 1.0);
        f.ds.Post();
        const QString afterEdit = f.footer(f.amount);
        f.grid->SumList().RecalcAllSums();
        EXPECT_EQ(afterEdit, f.footer(f.amount)) << what;
    }
}

TEST(GridTotals, ACountOfAFieldCountsItsValuesThroughInsertsEditsAndDeletes)
{
    TotalsFixture f;
    TDBSum *named = f.grid->SumList().SumCollection().Add();
    named->GroupOperation = goCount;
    named->FieldName = QStringLiteral("NAME");
    f.grid->SumList().RecalcAllSums();
    f.add(1, QStringLiteral("a"));
    f.add(2);
    f.show();
    EXPECT_EQ(named->SumValue, 10000);

    // A new record whose NAME starts filled in counts once it is posted.
    const int defaults = f.ds.OnNewRecord.add([](TDataSet *ds) { ds->FieldByName("NAME")->SetValue("new"); });
    f.ds.Append();
    f.ds.Post();
    EXPECT_EQ(named->SumValue, 20000);
    f.ds.Append();
    f.field("NAME")->Clear();
    f.ds.Post();
    EXPECT_EQ(named->SumValue, 20000) << "a new record emptied before its post adds nothing";
    f.ds.OnNewRecord.remove(defaults);

    f.ds.Last();
    f.ds.Edit();
    f.field("NAME")->SetValue(QStringLiteral("set"));
    f.ds.Post();
    EXPECT_EQ(named->SumValue, 30000);
    f.ds.Delete();
    EXPECT_EQ(named->SumValue, 20000);
    const qint64 kept = named->SumValue;
    f.grid->SumList().RecalcAllSums();
    EXPECT_EQ(named->SumValue, kept) << "the totals kept record by record agree with a recount";
}

TEST(GridTotals, ARecountLeavesTheGridOnItsRowsAndRecord)
{
    TotalsFixture f;
    f.amount->Footer().SetValueType(fvtNon);
    f.fill(60);
    f.show(400, 200);
    ASSERT_LT(f.grid->VisibleRowCount(), 30) << "the rows must not all fit";
    // The current record on the last row shown, below records scrolled away.
    f.ds.MoveBy(12 + f.grid->VisibleRowCount());
    f.ds.Insert();
    f.field("ID")->SetValue(100);
    f.field("AMOUNT")->SetValue(0.5);
    f.amount->Footer().SetValueType(fvtSum);
    const int top = f.grid->TopRow();
    const int row = f.grid->Row();
    int changes = 0, scrolls = 0;
    f.source.OnDataChange = [&changes](TDataSource *, TField *) { ++changes; };
    f.ds.AfterScroll.add([&scrolls](TDataSet *) { ++scrolls; });
    f.ds.Post();
    EXPECT_EQ(f.field("ID")->AsInteger(), 100);
    EXPECT_EQ(f.grid->TopRow(), top);
    EXPECT_EQ(f.grid->Row(), row);
    EXPECT_EQ(f.grid->CellDrawText(f.grid->IndicatorCols(), f.grid->Row()), QStringLiteral("100"));
    EXPECT_EQ(changes, 1) << "only the post itself reaches the controls";
    EXPECT_EQ(scrolls, 0) << "the recount reads the records without scrolling to them";
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("2745.5"));

    // A full recount asked for by its owner reads the records in place as well.
    f.grid->SumList().RecalcAllSums();
    EXPECT_EQ(f.field("ID")->AsInteger(), 100);
    EXPECT_EQ(f.grid->TopRow(), top);
    EXPECT_EQ(f.grid->Row(), row);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(f.footer(f.amount), QStringLiteral("2745.5"));
}
