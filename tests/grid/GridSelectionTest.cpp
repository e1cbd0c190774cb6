#include "GridInteraction.h"

#include <gtest/gtest.h>

using tarvik::test::InteractionGrid;

namespace {

// Records the blocks of cells a selection asks to repaint.
class RecordingGrid : public TDBGridEh
{
public:
    QList<TGridRect> repainted;

protected:
    void InvalidateSelectionCells(const TGridRect &cells) override
    {
        repainted << cells;
        TDBGridEh::InvalidateSelectionCells(cells);
    }
};

struct SelectGrid : InteractionGrid
{
    SelectGrid()
        : InteractionGrid({QStringLiteral("E"), QStringLiteral("B"), QStringLiteral("D"), QStringLiteral("A"),
                           QStringLiteral("C")},
                          dgMultiSelect)
    {
    }
    TDBGridEhSelection &selection() { return grid->Selection(); }
    unsigned kind() { return grid->Selection().SelectionType(); }
    TColumnEh *column(int i) { return grid->Columns()[i]; }
    QList<int> selectedColumns()
    {
        QList<int> result;
        for (TColumnEh *c : selection().Columns().Columns())
            result << c->Index();
        return result;
    }
};

} // namespace

TEST(GridSelection, CtrlClicksKeepTheRecordsInDatasetOrderAndTheLastOneOffLeavesNoSelection)
{
    SelectGrid g;
    for (int wanted : {3, 1, 2})
        g.click(0, g.rowOf(wanted), Qt::ControlModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{1, 2, 3}));
    g.gotoId(1);
    EXPECT_EQ(g.grid->SelectedBookmarks().Items(0), g.ds.GetBookmark()) << "the first item is record 1";
    EXPECT_EQ(g.kind(), unsigned(gstRecordBookmarks));
    for (int wanted : {2, 1, 3})
        g.click(0, g.rowOf(wanted), Qt::ControlModifier);
    EXPECT_EQ(g.grid->SelectedBookmarks().Count(), 0);
    EXPECT_EQ(g.kind(), unsigned(gstNon)) << "removing the last selected row ends the selection";
}

TEST(GridSelection, IndicatorPressShiftPressAndCtrlPress)
{
    SelectGrid g;
    g.click(0, g.rowOf(2));
    EXPECT_EQ(g.selectedIds(), (QList<int>{2}));
    EXPECT_EQ(g.id(), 2);
    g.click(0, g.rowOf(4), Qt::ShiftModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{2, 3, 4})) << "Shift selects from the anchor to the record pressed";
    EXPECT_EQ(g.id(), 4);
    g.click(0, g.rowOf(3), Qt::ShiftModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{2, 3})) << "back towards the anchor unselects";
    g.click(0, g.rowOf(5), Qt::ControlModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{2, 3, 5})) << "Ctrl toggles one record";
    g.click(0, g.rowOf(3), Qt::ControlModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{2, 5}));
    g.click(0, g.rowOf(1));
    EXPECT_EQ(g.selectedIds(), (QList<int>{1})) << "a plain press starts anew";

    // Without dgMultiSelect the indicator selects nothing.
    InteractionGrid single;
    single.click(0, single.rowOf(3));
    EXPECT_EQ(single.grid->SelectedBookmarks().Count(), 0);
    EXPECT_EQ(single.id(), 3);
}

TEST(GridSelection, TheRecordsFollowANewOrderOfTheDatasetAndAToggleFindsItsPlace)
{
    SelectGrid g;
    for (int wanted : {1, 4, 5})
        g.click(0, g.rowOf(wanted), Qt::ControlModifier);
    // A title click sorts by the names E B D A C: the records come 4, 2, 5, 3, 1.
    g.grid->ColumnDefValues().Title().TitleButton = true;
    g.grid->SetOptionsEh(g.grid->OptionsEh() | dghAutoSortMarking);
    g.grid->OnSortMarkingChanged = [&](TCustomDBGridEh *sender) {
        g.ds.SetIndexFieldNames(sender->SortColumnList().first()->FieldName());
    };
    const QRect title = g.grid->CellRect(2, 0);
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(title.center().x(), title.top() + 2));
    ASSERT_EQ(g.ds.IndexFieldNames(), QStringLiteral("NAME"));
    EXPECT_EQ(g.selectedIds(), (QList<int>{4, 5, 1}));
    g.click(0, g.rowOf(3), Qt::ControlModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{4, 5, 3, 1}));
    g.click(0, g.rowOf(5), Qt::ControlModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{4, 3, 1})) << "the toggle found the record it unselects";
    g.gotoId(1);
    EXPECT_TRUE(g.grid->SelectedBookmarks().CurrentRecordSelected());
    g.gotoId(2);
    EXPECT_FALSE(g.grid->SelectedBookmarks().CurrentRecordSelected());
}

TEST(GridSelection, DeletingSelectedRecordsPassesOverOnesAlreadyGone)
{
    SelectGrid g;
    for (int wanted : {2, 3, 5})
        g.click(0, g.rowOf(wanted), Qt::ControlModifier);
    g.gotoId(3);
    g.ds.Delete();
    ASSERT_EQ(g.grid->SelectedBookmarks().Count(), 3) << "the list still holds the bookmark of record 3";
    g.grid->SelectedBookmarks().DeleteSelectedRecords();
    QList<int> left;
    for (g.ds.First(); !g.ds.Eof(); g.ds.Next())
        left << g.id();
    EXPECT_EQ(left, (QList<int>{1, 4}));
    EXPECT_EQ(g.grid->SelectedBookmarks().Count(), 0);
    EXPECT_EQ(g.kind(), unsigned(gstNon));
}

TEST(GridSelection, ShiftGesturesOverColumnsGrowAndShrinkFromTheAnchor)
{
    SelectGrid g;
    g.grid->Columns().Add()->SetFieldName(QStringLiteral("FLAG"));
    TDBGridEhSelectionCols &cols = g.selection().Columns();
    cols.SelectColumn(g.column(1), false);
    cols.ExtendToColumn(g.column(3));
    EXPECT_EQ(g.selectedColumns(), (QList<int>{1, 2, 3}));
    cols.ExtendToColumn(g.column(2));
    EXPECT_EQ(g.selectedColumns(), (QList<int>{1, 2}));
    cols.ExtendToColumn(g.column(0));
    EXPECT_EQ(g.selectedColumns(), (QList<int>{0, 1})) << "past the anchor: C goes, A comes";
    EXPECT_EQ(g.kind(), unsigned(gstColumns));
    cols.ToggleColumn(g.column(1));
    cols.ToggleColumn(g.column(0));
    EXPECT_EQ(g.kind(), unsigned(gstNon));
    EXPECT_TRUE(g.grid->IsCellSelected(1, 0) == false);
}

TEST(GridSelection, ARectangleOfOneCellIsNoSelectionAndOnlyWhatChangedIsRepainted)
{
    SelectGrid g;
    auto *recording = new RecordingGrid;
    g.grid.reset(recording);
    g.grid->setFrameShape(QFrame::NoFrame);
    for (const char *name : {"ID", "NAME", "AMOUNT"})
        g.grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
    g.grid->SetOptions(g.grid->Options() | dgMultiSelect);
    g.show();
    const int top = g.grid->TopFixedRows();
    const auto bookmarkOf = [&](int wanted) {
        g.gotoId(wanted);
        return g.ds.GetBookmark();
    };
    const QByteArray b1 = bookmarkOf(1), b2 = bookmarkOf(2), b3 = bookmarkOf(3);
    TDBGridEhSelectionRect &rect = g.selection().Rect();
    rect.SelectCell(0, b1, false);
    EXPECT_EQ(g.kind(), unsigned(gstNon)) << "one cell is no selection";
    recording->repainted.clear();
    rect.SelectCell(1, b2, true);
    EXPECT_EQ(g.kind(), unsigned(gstRectangle));
    ASSERT_EQ(recording->repainted.size(), 1);
    EXPECT_EQ(recording->repainted[0], (TGridRect{1, top, 2, top + 1}));
    recording->repainted.clear();
    rect.SelectCell(1, b3, true);
    ASSERT_EQ(recording->repainted.size(), 1) << "growing by a row repaints that row only";
    EXPECT_EQ(recording->repainted[0], (TGridRect{1, top + 2, 2, top + 2}));
    recording->repainted.clear();
    rect.SelectCell(0, b3, true);
    ASSERT_EQ(recording->repainted.size(), 1) << "shrinking by a column repaints that column only";
    EXPECT_EQ(recording->repainted[0], (TGridRect{2, top, 2, top + 2}));
    g.gotoId(2);
    EXPECT_TRUE(g.grid->IsCellSelected(1, top + 1));
    EXPECT_FALSE(g.grid->IsCellSelected(2, top + 1));

    // Allowing only records clears the rectangle.
    g.grid->SetAllowedSelections(gstRecordBookmarks);
    EXPECT_EQ(g.kind(), unsigned(gstNon));
    EXPECT_TRUE(rect.Empty());
}

TEST(GridSelection, SubtractingRectanglesLeavesTheStripsOutside)
{
    struct Case
    {
        TGridRect a, b;
        QList<TGridRect> parts;
    };
    const Case cases[] = {
        {{1, 1, 3, 3}, {1, 1, 3, 3}, {}},
        {{1, 1, 3, 3}, {5, 5, 6, 6}, {{1, 1, 3, 3}}},
        {{1, 1, 3, 3}, {-1, -1, -1, -1}, {{1, 1, 3, 3}}},
        {{-1, -1, -1, -1}, {1, 1, 3, 3}, {}},
        {{1, 1, 3, 4}, {1, 1, 3, 3}, {{1, 4, 3, 4}}},
        {{1, 1, 4, 3}, {2, 2, 3, 2}, {{1, 1, 4, 1}, {1, 3, 4, 3}, {1, 2, 1, 2}, {4, 2, 4, 2}}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SubtractGridRect(c.a, c.b), c.parts);
}

TEST(GridSelection, ReadingTheCurrentRecordOfAClosedGridIsAnError)
{
    SelectGrid g;
    g.ds.Close();
    try {
        (void)g.grid->SelectedBookmarks().CurrentRecordSelected();
        FAIL() << "no error";
    } catch (const EInvalidGridOperation &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
}

TEST(GridSelection, SelectedRecordsAreDrawnHighlighted)
{
    SelectGrid g;
    g.click(0, g.rowOf(3), Qt::ControlModifier);
    g.gotoId(1);
    QApplication::processEvents();
    const QImage image = g.picture();
    const QRect selected = g.grid->CellRect(0, g.rowOf(3));
    const QRect other = g.grid->CellRect(0, g.rowOf(2));
    EXPECT_EQ(tarvik::test::pixelAt(image, selected.left() + 2, selected.center().y()), QColor(64, 64, 64));
    EXPECT_NE(tarvik::test::pixelAt(image, other.left() + 2, other.center().y()), QColor(64, 64, 64));
    const QRect cell = g.grid->CellRect(2, g.rowOf(3));
    const QRect plain = g.grid->CellRect(2, g.rowOf(2));
    EXPECT_NE(tarvik::test::pixelAt(image, cell.right() - 1, cell.bottom() - 1),
              tarvik::test::pixelAt(image, plain.right() - 1, plain.bottom() - 1));
}

TEST(GridSelection, AFreedColumnLeavesTheColumnSelection)
{
    SelectGrid g;
    TDBGridEhSelectionCols &cols = g.selection().Columns();
    cols.SelectColumn(g.column(1), false);
    cols.ExtendToColumn(g.column(2));
    g.grid->Columns().Delete(2);
    EXPECT_EQ(g.selectedColumns(), QList<int>{1});
    EXPECT_EQ(cols.ShiftCol(), nullptr);
    g.grid->Columns().Delete(1);
    EXPECT_EQ(cols.Count(), 0);
    EXPECT_EQ(g.kind(), unsigned(gstNon));
    EXPECT_EQ(cols.SelectionBox(), (TGridRect{-1, -1, -1, -1}));
}

TEST(GridSelection, PressesOnCellsMakeRectanglesOrRecordsWhereOnlyRecordsAreAllowed)
{
    SelectGrid g;
    g.click(2, g.rowOf(1));
    g.click(3, g.rowOf(3), Qt::ShiftModifier);
    ASSERT_EQ(g.kind(), unsigned(gstRectangle));
    EXPECT_EQ(g.selection().Rect().AnchorCol(), 1);
    EXPECT_EQ(g.selection().Rect().ShiftCol(), 2);
    EXPECT_TRUE(g.grid->IsCellSelected(2, g.rowOf(2)));
    EXPECT_FALSE(g.grid->IsCellSelected(1, g.rowOf(2)));
    EXPECT_FALSE(g.grid->IsCellSelected(2, g.rowOf(4)));
    g.click(1, g.rowOf(5));
    EXPECT_EQ(g.kind(), unsigned(gstNon)) << "a plain press clears the rectangle";

    g.grid->SetAllowedSelections(gstRecordBookmarks);
    g.click(2, g.rowOf(2));
    g.click(2, g.rowOf(4), Qt::ShiftModifier);
    EXPECT_EQ(g.selectedIds(), (QList<int>{2, 3, 4}));
    EXPECT_EQ(g.id(), 4);
}
