#include "DBGridEhImpExp.h"
#include "GridInteraction.h"

#include <QLineEdit>
#include <QMenu>

#include <gtest/gtest.h>

using tarvik::test::InteractionGrid;
using tarvik::test::ProbeGrid;

namespace {

// Titles are buttons and clicks on them set sort markers, several at once.
struct SortGrid : InteractionGrid
{
    SortGrid()
    {
        grid->ColumnDefValues().Title().TitleButton = true;
        grid->SetOptionsEh(grid->OptionsEh() | dghAutoSortMarking | dghMultiSortMarking);
        grid->OnSortMarkingChanged = [this](TCustomDBGridEh *sender) {
            ++raised;
            markersAtRaise = int(sender->SortColumnList().size());
        };
        grid->OnTitleBtnClick = [this](TCustomDBGridEh *, int, TColumnEh *) { ++buttonClicks; };
    }
    void clickTitle(int dataCol, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        // Above the strip at the bottom that selects columns.
        const QRect r = grid->CellRect(dataCol + grid->IndicatorCols(), 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, QPoint(r.center().x(), r.top() + 2));
    }
    int raised = 0;
    int markersAtRaise = -1;
    int buttonClicks = 0;
};

} // namespace

TEST(GridMouse, CtrlTitleClicksOnTwoColumnsSortOnceAtTheCtrlRelease)
{
    SortGrid g;
    g.clickTitle(0, Qt::ControlModifier);
    g.clickTitle(1, Qt::ControlModifier);
    EXPECT_EQ(g.raised, 0) << "nothing while Ctrl is held";
    EXPECT_EQ(g.buttonClicks, 2);
    EXPECT_TRUE(g.grid->SortMarkingPending());
    QTest::keyRelease(g.grid.get(), Qt::Key_Control);
    EXPECT_EQ(g.raised, 1);
    EXPECT_EQ(g.markersAtRaise, 2) << "both markers are set when the sorting runs";
    QTest::keyRelease(g.grid.get(), Qt::Key_Control);
    EXPECT_EQ(g.raised, 1) << "a second release raises nothing";

    // Without Ctrl the click sorts at once, by that column alone.
    g.clickTitle(2);
    EXPECT_EQ(g.raised, 2);
    EXPECT_EQ(g.markersAtRaise, 1);
    EXPECT_EQ(g.grid->Columns()[2]->Title().SortMarker(), smDownEh);
    g.clickTitle(2);
    EXPECT_EQ(g.grid->Columns()[2]->Title().SortMarker(), smUpEh) << "a second click turns the marker";
}

TEST(GridMouse, APendingCtrlClickSortsWhenTheFocusLeaves)
{
    SortGrid g;
    QLineEdit other;
    other.show();
    g.clickTitle(1, Qt::ControlModifier);
    ASSERT_EQ(g.raised, 0);
    QApplication::setActiveWindow(&other);
    other.setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.raised == 1; }, 2000));
    EXPECT_FALSE(g.grid->SortMarkingPending());
}

TEST(GridMouse, TitlesThatAreNoButtonsAndGridsWithoutAutoMarkingSetNoMarkers)
{
    SortGrid g;
    g.grid->OnCheckButton = [](TCustomDBGridEh *, int, TColumnEh *column, bool &enabled) {
        enabled = column->Index() != 1;
    };
    g.clickTitle(1);
    EXPECT_EQ(g.buttonClicks, 0) << "the handler took the button away";
    EXPECT_EQ(g.grid->Columns()[1]->Title().SortMarker(), smNoneEh);
    g.grid->SetOptionsEh(g.grid->OptionsEh() & ~dghAutoSortMarking);
    g.clickTitle(0);
    EXPECT_EQ(g.buttonClicks, 1);
    EXPECT_EQ(g.grid->Columns()[0]->Title().SortMarker(), smNoneEh);
    EXPECT_EQ(g.raised, 0);
}

TEST(GridMouse, TitleAndCellClicksReachTheirEvents)
{
    InteractionGrid g;
    TColumnEh *titleClicked = nullptr;
    TColumnEh *cellClicked = nullptr;
    g.grid->OnTitleClick = [&](TColumnEh *c) { titleClicked = c; };
    g.grid->OnCellClick = [&](TColumnEh *c) { cellClicked = c; };
    g.click(2, 0);
    EXPECT_EQ(titleClicked, g.grid->Columns()[1]);
    g.click(3, g.rowOf(3));
    EXPECT_EQ(cellClicked, g.grid->Columns()[2]);
    EXPECT_EQ(g.id(), 3) << "the press made the record current";
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
}

TEST(GridMouse, AutoScrollIntervalAndStepAreFunctionsOfTheDistance)
{
    struct Case
    {
        int distance;
        int columnInterval;
        int rowInterval;
        int records;
    };
    const Case cases[] = {
        {0, 200, 200, 0},   {1, 190, 185, 1},  {5, 150, 125, 1},  {6, 140, 110, 1},
        {12, 80, 20, 2},    {14, 60, 0, 2},    {20, 0, 0, 3},     {48, 0, 0, 8},
        {100, 0, 0, 8},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ColumnAutoScrollInterval(c.distance), c.columnInterval) << c.distance;
        EXPECT_EQ(RowAutoScrollInterval(c.distance), c.rowInterval) << c.distance;
        EXPECT_EQ(RowAutoScrollRecords(c.distance), c.records) << c.distance;
    }
}

TEST(GridMouse, DraggingBelowTheRowsSelectsOnwardsUntilTheMouseComesBack)
{
    InteractionGrid g(QStringList(40, QStringLiteral("x")), dgMultiSelect | dgRowSelect);
    g.grid->resize(300, 160);
    QApplication::processEvents();
    const int lastRow = g.grid->TopFixedRows() + g.grid->GetDataRowCount() - 1;
    const QPoint start = g.grid->CellRect(1, g.rowOf(2)).center();
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(g.grid->viewport(), QPoint(start.x(), g.grid->CellRect(1, lastRow).bottom() + 40));
    EXPECT_EQ(g.grid->TrackMode(), TCustomDBGridEh::tmRowEh);
    EXPECT_TRUE(QTest::qWaitFor([&] { return g.id() >= 20; }, 5000)) << "the records run on below the rows";
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(start.x(), g.grid->CellRect(1, lastRow).bottom() + 40));
    const int reached = g.id();
    EXPECT_EQ(g.grid->TrackMode(), TCustomDBGridEh::tmNoneEh);
    QApplication::processEvents();
    EXPECT_EQ(g.id(), reached) << "the release stops the scrolling";
    const QList<int> ids = g.selectedIds();
    ASSERT_FALSE(ids.isEmpty());
    EXPECT_EQ(ids.first(), 2);
    EXPECT_EQ(ids.last(), reached);
    EXPECT_EQ(ids.size(), reached - 1) << "every record passed is selected";
}

TEST(GridMouse, ACheckBoxCellStepsWhenReleasedWhereItWasPressed)
{
    InteractionGrid g;
    TColumnEh *flag = g.grid->Columns().Add();
    flag->SetFieldName(QStringLiteral("FLAG"));
    flag->SetCheckboxes(true);
    flag->KeyList() = QStringList{QStringLiteral("Y"), QStringLiteral("N")};
    QApplication::processEvents();
    const int col = 4;
    g.click(col, g.rowOf(1));
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("Y"));
    g.click(col, g.rowOf(1));
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("N"));
    // Pressed on one cell, released on another: nothing changes.
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.grid->CellRect(col, g.rowOf(1)).center());
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.grid->CellRect(1, g.rowOf(1)).center());
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("N"));
    // Space steps it too; a read-only grid does not.
    g.grid->SetSelectedIndex(3);
    g.press(Qt::Key_Space);
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("Y"));
    g.grid->SetReadOnly(true);
    g.press(Qt::Key_Space);
    g.click(col, g.rowOf(1));
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("Y"));
}

TEST(GridMouse, CursorsOverTheIndicatorAndTheBottomOfTitlesSelect)
{
    InteractionGrid g({QStringLiteral("a"), QStringLiteral("b")}, dgMultiSelect);
    EXPECT_FALSE(DownCursorEh().pixmap().isNull());
    EXPECT_FALSE(RightCursorEh().pixmap().isNull());
    EXPECT_FALSE(LeftCursorEh().pixmap().isNull());
    const QRect indicator = g.grid->CellRect(0, g.rowOf(1));
    EXPECT_EQ(g.grid->GridCursorAt(indicator.center().x(), indicator.center().y()), &RightCursorEh());
    const QRect title = g.grid->CellRect(2, 0);
    EXPECT_EQ(g.grid->GridCursorAt(title.center().x(), title.bottom() - 2), &DownCursorEh());
    EXPECT_EQ(g.grid->GridCursorAt(title.center().x(), title.top() + 1), nullptr);
    g.grid->SetAllowedSelections(gstRecordBookmarks);
    EXPECT_EQ(g.grid->GridCursorAt(title.center().x(), title.bottom() - 2), nullptr);
    g.grid->SetOptions(g.grid->Options() & ~dgMultiSelect);
    EXPECT_EQ(g.grid->GridCursorAt(indicator.center().x(), indicator.center().y()), nullptr);
}

TEST(GridMouse, TheBottomOfATitleSelectsColumnsAndTheCornerEverything)
{
    InteractionGrid g({QStringLiteral("a"), QStringLiteral("b")}, dgMultiSelect);
    const auto clickColumn = [&](int col, Qt::KeyboardModifiers m = Qt::NoModifier) {
        const QRect r = g.grid->CellRect(col, 0);
        QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, m, QPoint(r.center().x(), r.bottom() - 2));
    };
    clickColumn(1);
    clickColumn(3, Qt::ShiftModifier);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstColumns));
    EXPECT_EQ(g.grid->Selection().Columns().Count(), 3);
    clickColumn(2, Qt::ControlModifier);
    EXPECT_EQ(g.grid->Selection().Columns().Count(), 2);
    EXPECT_TRUE(g.grid->IsCellSelected(1, g.rowOf(1)));
    EXPECT_FALSE(g.grid->IsCellSelected(2, g.rowOf(1)));
    g.click(0, 0);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstAll));
    g.click(0, 0);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstNon));
}

TEST(GridMouse, ADoubleClickOnATitleBorderFitsTheColumnToItsWidestValueAndFooter)
{
    InteractionGrid g;
    g.grid->SetOptionsEh(g.grid->OptionsEh() | dghDblClickOptimizeColWidth);
    TColumnEh *name = g.grid->Columns()[1];
    name->SetWidth(30);
    QApplication::processEvents();
    const auto doubleClickBorder = [&] {
        const QRect title = g.grid->CellRect(2, 0);
        QTest::mouseDClick(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                           QPoint(title.right() + 1, title.center().y()));
    };
    doubleClickBorder();
    const IGridMetricsEh &metrics = g.grid->Metrics();
    const int widest = metrics.TextWidth(name->Font(), QStringLiteral("Kuznetsov")) + 4;
    EXPECT_EQ(name->Width(), std::max(widest, metrics.TextWidth(name->Title().Font(), QStringLiteral("NAME")) + 4));
    EXPECT_EQ(g.id(), 1) << "the current record stays";

    g.grid->SetFooterRowCount(1);
    name->Footer().SetValueType(fvtStaticText);
    name->Footer().SetValue(QStringLiteral("A footer much wider than any name"));
    name->SetWidth(30);
    QApplication::processEvents();
    doubleClickBorder();
    EXPECT_EQ(name->Width(),
              metrics.TextWidth(name->Footer().Font(), QStringLiteral("A footer much wider than any name")) + 5);
}

TEST(GridMouse, TracedSizingFollowsTheMouseAndTheFrozenBorderSizesTheLastFrozenColumn)
{
    InteractionGrid g;
    g.grid->SetOptionsEh(g.grid->OptionsEh() | dghTraceColSizing);
    TColumnEh *name = g.grid->Columns()[1];
    name->SetWidth(60);
    QApplication::processEvents();
    const QRect title = g.grid->CellRect(2, 0);
    const QPoint border(title.left() + 60, title.center().y());
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, border);
    QTest::mouseMove(g.grid->viewport(), border + QPoint(25, 0));
    EXPECT_EQ(name->Width(), 85) << "the width follows the mouse before the release";
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, border + QPoint(25, 0));
    EXPECT_EQ(name->Width(), 85);

    // The frozen column's border: a line follows the mouse, the width changes at the release.
    g.grid->SetOptionsEh(g.grid->OptionsEh() & ~dghTraceColSizing);
    g.grid->SetFrozenCols(1);
    QApplication::processEvents();
    ASSERT_EQ(g.grid->FixedCols(), 2);
    TColumnEh *id = g.grid->Columns()[0];
    const int before = id->Width();
    const QRect idTitle = g.grid->CellRect(1, 0);
    const QPoint frozen(idTitle.left() + g.grid->ColWidths(1), idTitle.center().y());
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, frozen);
    EXPECT_EQ(g.grid->TrackMode(), TCustomDBGridEh::tmFrozenEh);
    QTest::mouseMove(g.grid->viewport(), frozen + QPoint(30, 0));
    EXPECT_EQ(id->Width(), before);
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, frozen + QPoint(30, 0));
    EXPECT_EQ(id->Width(), before + 30);
    EXPECT_EQ(g.grid->TrackMode(), TCustomDBGridEh::tmNoneEh);

    // Esc abandons it.
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, frozen + QPoint(30, 0));
    QTest::mouseMove(g.grid->viewport(), frozen + QPoint(60, 0));
    g.press(Qt::Key_Escape);
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, frozen + QPoint(60, 0));
    EXPECT_EQ(id->Width(), before + 30);
}

TEST(GridMouse, OnlyAColumnsOwnBandOfAMultiLevelTitleIsItsButton)
{
    SortGrid g;
    g.grid->Columns()[1]->Title().SetCaption(QStringLiteral("Person|Name"));
    g.grid->Columns()[2]->Title().SetCaption(QStringLiteral("Person|Amount"));
    g.grid->SetUseMultiTitle(true);
    QApplication::processEvents();
    const QRect title = g.grid->CellRect(2, 0);
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(title.center().x(), title.top() + 2));
    EXPECT_EQ(g.buttonClicks, 0) << "the group band above is not the column's button";
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(title.center().x(), title.bottom() - 10));
    EXPECT_EQ(g.buttonClicks, 1);
    EXPECT_EQ(g.grid->Columns()[1]->Title().SortMarker(), smDownEh);
}

TEST(GridMouse, ARightPressOnATitleMovesTheColumnWithColumnResizing)
{
    InteractionGrid g;
    g.grid->SetOptions(g.grid->Options() | dgColumnResize);
    const auto titlePoint = [&](int dataCol) {
        const QRect r = g.grid->CellRect(dataCol + g.grid->IndicatorCols(), 0);
        return QPoint(r.center().x(), r.top() + 2);
    };
    QTest::mousePress(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, titlePoint(0));
    QTest::mouseMove(g.grid->viewport(), titlePoint(2));
    QTest::mouseRelease(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, titlePoint(2));
    EXPECT_EQ(g.grid->Columns()[2]->FieldName(), QStringLiteral("ID"));
    EXPECT_EQ(g.grid->Columns()[0]->FieldName(), QStringLiteral("NAME"));

    // Without column resizing a right press moves nothing.
    g.grid->SetOptions(g.grid->Options() & ~dgColumnResize);
    QTest::mousePress(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, titlePoint(0));
    QTest::mouseMove(g.grid->viewport(), titlePoint(2));
    QTest::mouseRelease(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, titlePoint(2));
    EXPECT_EQ(g.grid->Columns()[0]->FieldName(), QStringLiteral("NAME"));
}

TEST(GridMouse, ARightReleaseOverACellPopsUpItsColumnsMenuAtTheMouse)
{
    InteractionGrid g;
    QMenu menu;
    menu.addAction(QStringLiteral("One"));
    g.grid->Columns()[1]->PopupMenu = &menu;
    int shown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, &menu, [&] { ++shown; });

    // Over another column's cell and over the column's title nothing pops up.
    QTest::mouseClick(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, g.grid->CellRect(1, 1).center());
    QTest::mouseClick(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, g.grid->CellRect(2, 0).center());
    EXPECT_EQ(shown, 0);

    const QPoint at = g.grid->CellRect(2, 2).center();
    QTest::mouseClick(g.grid->viewport(), Qt::RightButton, Qt::NoModifier, at);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), g.grid->viewport()->mapToGlobal(at));
    EXPECT_EQ(g.grid->TrackMode(), TCustomDBGridEh::tmNoneEh);
    menu.close();
}

// Records 2 and 3 selected in a row-select grid whose selection may be dragged.
struct DragGrid : InteractionGrid
{
    DragGrid() : InteractionGrid({QStringLiteral("Petrov"), QStringLiteral("Ivanov"), QStringLiteral("Sidorov"),
                                     QStringLiteral("Ivashov")}, dgMultiSelect | dgRowSelect)
    {
        selectTwo();
        grid->SetDragMode(dmAutomatic);
    }
    void selectTwo()
    {
        grid->Selection().Clear();
        const TDragMode mode = grid->DragMode();
        grid->SetDragMode(dmManual);
        click(1, rowOf(2), Qt::ControlModifier);
        click(1, rowOf(3), Qt::ControlModifier);
        grid->SetDragMode(mode);
    }
    QPoint at(int wantedId) { return grid->CellRect(2, rowOf(wantedId)).center(); }
    int selected() { return grid->SelectedBookmarks().Count(); }
    ProbeGrid &probe() { return static_cast<ProbeGrid &>(*grid); }
};

TEST(GridMouse, APressOnTheSelectionWithAutomaticDragOnlyArmsADragThatTheReleaseSettles)
{
    DragGrid g;
    ASSERT_EQ(g.selected(), 2);
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(2));
    EXPECT_TRUE(g.grid->SelectionDragArmed());
    EXPECT_EQ(g.selected(), 2) << "the press leaves the selection alone";
    EXPECT_EQ(g.id(), 2);
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(2));
    EXPECT_FALSE(g.grid->SelectionDragArmed());
    EXPECT_EQ(g.selected(), 0) << "a release without a drag clears with dghClearSelection";
    EXPECT_EQ(g.probe().selectionDrags, 0);

    // With Ctrl the release toggles the current row off.
    g.selectTwo();
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::ControlModifier, g.at(3));
    EXPECT_EQ(g.selected(), 2);
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::ControlModifier, g.at(3));
    EXPECT_EQ(g.selected(), 1);
    EXPECT_FALSE(g.grid->SelectedBookmarks().CurrentRecordSelected());

    // Without dghClearSelection a plain release keeps the selection.
    g.selectTwo();
    g.grid->SetOptionsEh(g.grid->OptionsEh() & ~dghClearSelection);
    QTest::mouseClick(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(2));
    EXPECT_EQ(g.selected(), 2);
    g.grid->SetOptionsEh(g.grid->OptionsEh() | dghClearSelection);

    // Shift, an unselected row, or manual drag mode: the press selects as usual.
    g.selectTwo();
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(4));
    EXPECT_FALSE(g.grid->SelectionDragArmed());
    EXPECT_EQ(g.selected(), 1);
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(4));
    g.selectTwo();
    g.grid->SetDragMode(dmManual);
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(2));
    EXPECT_FALSE(g.grid->SelectionDragArmed());
    EXPECT_EQ(g.selected(), 1);
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, g.at(2));
}

TEST(GridMouse, AMoveBeyondTheStartDragDistanceDragsTheSelectionInTheClipboardFormats)
{
    DragGrid g;
    const QPoint start = g.at(2);
    QTest::mousePress(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(g.grid->viewport(), start + QPoint(1, 0));
    EXPECT_EQ(g.probe().selectionDrags, 0) << "a small move is still a press";
    QTest::mouseMove(g.grid->viewport(), start + QPoint(QApplication::startDragDistance() + 1, 0));
    EXPECT_EQ(g.probe().selectionDrags, 1);
    EXPECT_FALSE(g.grid->SelectionDragArmed());
    EXPECT_TRUE(g.probe().dragFormats.contains(QString::fromLatin1(ClipboardCsvFormat)));
    EXPECT_TRUE(g.probe().dragFormats.contains(QString::fromLatin1(ClipboardRtfFormat)));
    EXPECT_TRUE(g.probe().dragFormats.contains(QString::fromLatin1(ClipboardGridDataFormat)));
    EXPECT_TRUE(g.probe().dragText.contains(QStringLiteral("Ivanov")));
    EXPECT_TRUE(g.probe().dragText.contains(QStringLiteral("Sidorov")));
    EXPECT_FALSE(g.probe().dragText.contains(QStringLiteral("Petrov")));
    QTest::mouseRelease(g.grid->viewport(), Qt::LeftButton, Qt::NoModifier, start);
    EXPECT_EQ(g.selected(), 2) << "a started drag leaves the selection alone";
}
