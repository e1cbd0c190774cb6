#include "GridSupport.h"

#include <gtest/gtest.h>

using tarvik::test::GridFixture;

namespace {

TColumnEh *addColumn(TDBGridEh &grid, const QString &fieldName)
{
    TColumnEh *column = grid.Columns().Add();
    column->SetFieldName(fieldName);
    return column;
}

} // namespace

TEST(GridColumns, AColumnWhoseFieldIsMissingStaysUnboundEmptyAndNeverEditable)
{
    GridFixture f;
    f.add(1, QStringLiteral("Ann"), 10.0);
    addColumn(*f.grid, QStringLiteral("NAME"));
    TColumnEh *lost = addColumn(*f.grid, QStringLiteral("NO_SUCH_FIELD"));
    f.show();

    EXPECT_EQ(lost->GetField(), nullptr);
    EXPECT_EQ(lost->FieldName(), QStringLiteral("NO_SUCH_FIELD"));
    EXPECT_FALSE(lost->CanModify(false));
    EXPECT_EQ(f.grid->DataLink()->GetMappedIndex(1), -1) << "a sparse map keeps -1 for the missing field";
    EXPECT_EQ(f.grid->CellDrawText(2, 1), QString());
    EXPECT_EQ(f.grid->CellDrawText(1, 1), QStringLiteral("Ann"));
    EXPECT_EQ(f.grid->CellDrawText(2, 0), QStringLiteral("NO_SUCH_FIELD")) << "the title keeps the name";
}

TEST(GridColumns, WidthStaysWithinMinimumAndMaximum)
{
    GridFixture f;
    TColumnEh *column = addColumn(*f.grid, QStringLiteral("NAME"));
    column->SetMaxWidth(200);
    column->SetWidth(500);
    EXPECT_EQ(column->Width(), 200);

    column->SetMaxWidth(0);
    column->SetWidth(500);
    EXPECT_EQ(column->Width(), 500) << "MaxWidth 0 means no limit";

    column->SetWidth(30);
    column->SetMinWidth(50);
    EXPECT_EQ(column->Width(), 50) << "a new minimum widens the column";
    column->SetWidth(10);
    EXPECT_EQ(column->Width(), 50);
}

TEST(GridColumns, MultiSortMarkingNumbersColumnsAndRenumbersWhenOneIsCleared)
{
    GridFixture f;
    f.grid->SetOptionsEh(f.grid->OptionsEh() | dghMultiSortMarking);
    TColumnEh *a = addColumn(*f.grid, QStringLiteral("ID"));
    TColumnEh *b = addColumn(*f.grid, QStringLiteral("NAME"));
    TColumnEh *c = addColumn(*f.grid, QStringLiteral("AMOUNT"));
    a->Title().SetSortMarker(smDownEh);
    b->Title().SetSortMarker(smUpEh);
    c->Title().SetSortMarker(smDownEh);
    EXPECT_EQ(a->Title().SortIndex(), 1);
    EXPECT_EQ(b->Title().SortIndex(), 2);
    EXPECT_EQ(c->Title().SortIndex(), 3);

    a->Title().SetSortMarker(smNoneEh);
    EXPECT_EQ(a->Title().SortIndex(), 0);
    EXPECT_EQ(b->Title().SortIndex(), 1);
    EXPECT_EQ(c->Title().SortIndex(), 2);
    EXPECT_EQ(f.grid->SortColumnList(), (TColumnsEhList{b, c}));

    // Exchanging indexes exchanges places in the sort list.
    c->Title().SetSortIndex(1);
    EXPECT_EQ(b->Title().SortIndex(), 2);
    EXPECT_EQ(f.grid->SortColumnList(), (TColumnsEhList{c, b}));

    // Without multi-sort marking a marker clears every other one.
    f.grid->SetOptionsEh(f.grid->OptionsEh() & ~dghMultiSortMarking);
    a->Title().SetSortMarker(smUpEh);
    EXPECT_EQ(b->Title().SortMarker(), smNoneEh);
    EXPECT_EQ(c->Title().SortMarker(), smNoneEh);
    EXPECT_EQ(f.grid->SortColumnList(), (TColumnsEhList{a}));
}

TEST(GridColumns, KeyListCheckBoxReadsAnyCaseAndWritesTheFirstKey)
{
    GridFixture f;
    TColumnEh *column = addColumn(*f.grid, QStringLiteral("FLAG"));
    column->SetCheckboxes(true);
    column->KeyList() = {QStringLiteral("Y;Yes"), QStringLiteral("N;No")};
    f.add(1, QStringLiteral("a"), 1.0, QStringLiteral("yes"));
    f.show();

    struct Case
    {
        QVariant value;
        TCheckBoxState state;
    };
    const Case cases[] = {
        {QStringLiteral("yes"), cbChecked}, {QStringLiteral("YES"), cbChecked}, {QStringLiteral("y"), cbChecked},
        {QStringLiteral("n"), cbUnchecked}, {QStringLiteral("No"), cbUnchecked}, {QStringLiteral("x"), cbGrayed},
        {QVariant(), cbGrayed},
    };
    for (const Case &c : cases) {
        f.ds.Edit();
        f.field("FLAG")->SetValue(c.value);
        EXPECT_EQ(column->GetCheckboxState(), c.state) << c.value.toString().toStdString();
        f.ds.Cancel();
        f.ds.Edit();
        f.field("FLAG")->SetValue(c.value);
        f.ds.Post();
    }
    // Setting the state writes the field, so the record must be in edit mode first.
    f.ds.Edit();
    column->SetCheckboxState(cbChecked);
    EXPECT_EQ(f.field("FLAG")->AsString(), QStringLiteral("Y"));
    column->StepColumnValue(1);
    EXPECT_EQ(f.field("FLAG")->AsString(), QStringLiteral("N"));
}

TEST(GridColumns, TitleAlignmentDefaultsToCentredOnlyWithMultiLevelTitles)
{
    GridFixture f;
    TColumnEh *column = addColumn(*f.grid, QStringLiteral("NAME"));
    EXPECT_EQ(column->Title().Alignment(), taLeftJustify);
    f.grid->SetUseMultiTitle(true);
    EXPECT_EQ(column->Title().Alignment(), taCenter);
    column->Title().SetAlignment(taRightJustify);
    EXPECT_EQ(column->Title().Alignment(), taRightJustify) << "an assigned alignment wins";
    f.grid->SetUseMultiTitle(false);
    EXPECT_EQ(column->Title().Alignment(), taRightJustify);
}

TEST(GridColumns, StepsGoForwardForAnyPositiveStepAndBackwardForAnyNegativeOne)
{
    GridFixture f;
    TColumnEh *pick = addColumn(*f.grid, QStringLiteral("NAME"));
    pick->PickList() = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    TColumnEh *number = addColumn(*f.grid, QStringLiteral("ID"));
    f.add(1, QStringLiteral("three"));
    f.show();

    pick->StepColumnValue(2);
    EXPECT_EQ(f.field("NAME")->AsString(), QStringLiteral("one")) << "forward from the last line wraps";
    pick->StepColumnValue(2);
    EXPECT_EQ(f.field("NAME")->AsString(), QStringLiteral("two"));
    pick->StepColumnValue(-2);
    EXPECT_EQ(f.field("NAME")->AsString(), QStringLiteral("one"));
    pick->StepColumnValue(-2);
    EXPECT_EQ(f.field("NAME")->AsString(), QStringLiteral("three")) << "backward from the first line wraps";

    f.field("ID")->Clear();
    number->StepColumnValue(1);
    EXPECT_EQ(f.field("ID")->AsInteger(), 0) << "a null number stepped by +1 becomes 0";
    number->StepColumnValue(2);
    number->StepColumnValue(-1);
    EXPECT_EQ(f.field("ID")->AsInteger(), 1);
    f.ds.Post();

    // A key-list column steps through its keys both ways.
    TColumnEh *keys = addColumn(*f.grid, QStringLiteral("FLAG"));
    keys->KeyList() = {QStringLiteral("A"), QStringLiteral("B")};
    keys->PickList() = {QStringLiteral("Alpha"), QStringLiteral("Beta")};
    keys->StepColumnValue(2);
    EXPECT_EQ(f.field("FLAG")->AsString(), QStringLiteral("A"));
    EXPECT_EQ(keys->GetColumnDisplayText(), QStringLiteral("Alpha"));
    keys->StepColumnValue(-2);
    EXPECT_EQ(f.field("FLAG")->AsString(), QStringLiteral("B"));
}

TEST(GridColumns, ReadOnlyGridOrColumnRefusesSteps)
{
    GridFixture f;
    TColumnEh *number = addColumn(*f.grid, QStringLiteral("ID"));
    f.add(5);
    f.show();
    f.grid->SetReadOnly(true);
    number->StepColumnValue(1);
    EXPECT_EQ(f.field("ID")->AsInteger(), 5);
    f.grid->SetReadOnly(false);
    number->SetReadOnly(true);
    number->StepColumnValue(1);
    EXPECT_EQ(f.field("ID")->AsInteger(), 5);
    EXPECT_EQ(f.ds.State(), dsBrowse);
}

TEST(GridColumns, DefaultColumnsWriteThroughToTheirFields)
{
    GridFixture f;
    f.add(1, QStringLiteral("Ann"));
    f.show();
    ASSERT_EQ(f.grid->Columns().Count(), 4);
    TColumnEh *name = f.grid->Columns()[1];
    EXPECT_TRUE(name->IsDefaultColumn());
    EXPECT_EQ(f.grid->Columns().State(), csDefault);
    name->Title().SetCaption(QStringLiteral("Имя"));
    EXPECT_EQ(f.field("NAME")->DisplayLabel(), QStringLiteral("Имя"));
    EXPECT_EQ(name->Title().Caption(), QStringLiteral("Имя"));
    name->SetAlignment(taRightJustify);
    EXPECT_EQ(f.field("NAME")->Alignment(), taRightJustify);
    EXPECT_FALSE(name->IsAssigned(cvAlignment));
}
