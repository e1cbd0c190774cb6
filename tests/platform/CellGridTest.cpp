#include "CustomGrid.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <map>
#include <utility>

namespace {

// A grid that keeps a text per cell and records what the base grid tells it.
class TestGrid : public TCustomGrid
{
public:
    using TCustomGrid::ScrollTimerActive;
    TestGrid()
    {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setFrameShape(QFrame::NoFrame);
    }

    using TCustomGrid::CalcMaxTopLeft;
    using TCustomGrid::TimedScroll;

    int drawn = 0;
    int topLeftChanges = 0;
    int widthChanges = 0;
    int fontChanges = 0;
    int doublePresses = 0;
    int doubleClicks = 0;
    std::vector<std::pair<int, int>> moves;
    std::map<std::pair<int, int>, QString> texts;
    int vetoCol = -1;
    std::vector<int> editorKeys;
    bool swallowEditorKeys = false;

protected:
    void DrawCell(QPainter &, int, int, const QRect &, TGridDrawState) override { ++drawn; }
    bool SelectCell(int col, int) override { return col != vetoCol; }
    void TopLeftChanged() override
    {
        ++topLeftChanges;
        TCustomGrid::TopLeftChanged();
    }
    void ColWidthsChanged() override
    {
        ++widthChanges;
        TCustomGrid::ColWidthsChanged();
    }
    void ColumnMoved(int from, int to) override { moves.emplace_back(from, to); }
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override
    {
        doublePresses += InDoubleClick();
        TCustomGrid::MouseDown(button, shift, x, y);
    }
    void DblClick() override { ++doubleClicks; }
    void FontChanged() override
    {
        ++fontChanges;
        TCustomGrid::FontChanged();
    }
    QString GetEditText(int col, int row) override { return texts[{col, row}]; }
    void SetEditText(int col, int row, const QString &value) override { texts[{col, row}] = value; }
    void PreviewEditorKeyDown(QWidget *, int &key, Qt::KeyboardModifiers) override
    {
        editorKeys.push_back(key);
        if (swallowEditorKeys)
            key = 0;
    }
};

// Shown, active and focused, with a viewport of exactly width x height.
void showGrid(TestGrid &grid, int width = 300, int height = 200)
{
    grid.resize(width, height);
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    QApplication::processEvents();
}

QColor pixel(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

TEST(CellGrid, CellRectAndMouseCoordWithFixedCellsAndScrolling)
{
    TestGrid grid;
    grid.SetColCount(10);
    grid.SetRowCount(20);
    grid.SetFixedCols(1);
    grid.SetFixedRows(2);
    grid.SetColWidths(0, 11);
    grid.SetColWidths(3, 0);
    showGrid(grid);
    ASSERT_EQ(grid.ClientWidth(), 300);

    // Default sizes 64 x 24 with lines of one pixel after each cell.
    EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 11, 24));
    EXPECT_EQ(grid.CellRect(0, 1), QRect(0, 25, 11, 24));
    EXPECT_EQ(grid.CellRect(1, 2), QRect(12, 50, 64, 24));
    EXPECT_EQ(grid.CellRect(2, 2), QRect(77, 50, 64, 24));
    EXPECT_TRUE(grid.CellRect(3, 2).isEmpty()) << "a column of width 0 takes no room";
    EXPECT_EQ(grid.CellRect(4, 2), QRect(143, 50, 64, 24));
    EXPECT_EQ(grid.CellRect(5, 2), QRect(208, 50, 64, 24));
    EXPECT_EQ(grid.CellRect(6, 2), QRect(273, 50, 27, 24)) << "cut at the client edge";
    EXPECT_TRUE(grid.CellRect(7, 2).isEmpty());
    EXPECT_EQ(grid.VisibleColCount(), 5);

    struct Case
    {
        int x, y;
        TGridCoord cell;
    };
    const Case cases[] = {
        {0, 0, {0, 0}},    {10, 24, {0, 0}},  {11, 25, {0, 1}},  {12, 50, {1, 2}},
        {76, 74, {1, 2}},  {77, 75, {2, 3}},  {143, 50, {4, 2}}, {142, 50, {3, 2}}, {299, 199, {6, 7}},
        {305, 50, {-1, -1}}, {-1, 10, {-1, -1}},
    };
    for (const Case &c : cases) {
        const TGridCoord got = grid.MouseCoord(c.x, c.y);
        EXPECT_EQ(got, c.cell) << c.x << "," << c.y << " gave " << got.X << "," << got.Y;
    }

    // Scrolled: the fixed cells stay, the scrolled-out cells are gone, the next ones move in.
    grid.SetLeftCol(4);
    grid.SetTopRow(5);
    EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 11, 24));
    EXPECT_TRUE(grid.CellRect(2, 2).isEmpty());
    EXPECT_EQ(grid.CellRect(4, 5), QRect(12, 50, 64, 24));
    EXPECT_EQ(grid.CellRect(0, 5), QRect(0, 50, 11, 24));
    EXPECT_EQ(grid.CellRect(4, 0), QRect(12, 0, 64, 24));
    EXPECT_EQ(grid.MouseCoord(80, 80), (TGridCoord{5, 6}));
    EXPECT_EQ(grid.BoxRect(0, 0, 9, 1), QRect(0, 0, 300, 49)) << "a box is cut at the client edge";
    EXPECT_EQ(grid.BoxRect(2, 5, 5, 5), QRect(12, 50, 129, 24)) << "the scrolled-out part is left off";
}

TEST(CellGrid, ColumnScrollingStopsAtTheLastPossibleLeftColumn)
{
    TestGrid grid;
    grid.SetColCount(10);
    grid.SetRowCount(4);
    showGrid(grid);
    // 300 pixels: the fixed column (65) leaves 235, room for three columns of 65.
    grid.SetLeftCol(50);
    EXPECT_EQ(grid.LeftCol(), 7);
    EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 6);
    EXPECT_EQ(grid.horizontalScrollBar()->value(), 6);
    EXPECT_EQ(grid.CellRect(9, 1), QRect(65 + 2 * 65, 25, 64, 24));
    grid.SetLeftCol(0);
    EXPECT_EQ(grid.LeftCol(), 1) << "never under the fixed columns";

    // The scroll bar scrolls whole columns; the current cell pulls its column into view.
    const int before = grid.topLeftChanges;
    grid.horizontalScrollBar()->setValue(3);
    EXPECT_EQ(grid.LeftCol(), 4);
    EXPECT_EQ(grid.topLeftChanges, before + 1);
    grid.SetCol(2);
    EXPECT_EQ(grid.LeftCol(), 2);
    grid.SetCol(6);
    EXPECT_EQ(grid.LeftCol(), 4) << "column 6 becomes the last fully visible one";
    EXPECT_EQ(grid.CalcMaxTopLeft({9, 3}, [&] {
        TGridDrawInfo info;
        grid.CalcDrawInfo(info);
        return info;
    }()).X, 7);
}

TEST(CellGrid, KeysMoveTheCurrentCellAndSelectCellCanVeto)
{
    TestGrid grid;
    grid.SetColCount(6);
    grid.SetRowCount(100);
    grid.SetOptions(grid.Options() | goTabs);
    showGrid(grid);
    const int page = grid.VisibleRowCount();
    ASSERT_EQ(page, 7);

    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    QTest::keyClick(&grid, Qt::Key_PageDown);
    EXPECT_EQ(grid.Row(), 2 + page);
    EXPECT_EQ(grid.TopRow(), 1 + page);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 99);
    EXPECT_EQ(grid.Col(), 5);
    EXPECT_EQ(grid.TopRow(), 100 - page);
    QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
    QTest::keyClick(&grid, Qt::Key_Tab);
    EXPECT_EQ(grid.Col(), 2);

    grid.vetoCol = 3;
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 2) << "SelectCell refused the move";

    // Shift extends a range selection from the current cell.
    grid.vetoCol = -1;
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), (TGridRect{2, 1, 3, 2}));
    EXPECT_THROW(grid.SetFixedRows(100), EInvalidGridOperation);
    EXPECT_THROW(grid.FocusCell(6, 1, true), EInvalidGridOperation);
}

TEST(CellGrid, DraggingAColumnBorderSizesTheColumn)
{
    TestGrid grid;
    grid.SetOptions(grid.Options() | goColSizing);
    showGrid(grid);
    const int changes = grid.widthChanges;
    QWidget *vp = grid.viewport();
    // The border after column 1 lies at 65 + 64 = 129, inside the fixed row.
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(130, 10));
    EXPECT_EQ(grid.GridState(), gsColSizing);
    QTest::mouseMove(vp, QPoint(160, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(160, 10));
    EXPECT_EQ(grid.GridState(), gsNormal);
    EXPECT_EQ(grid.ColWidths(1), 94);
    EXPECT_EQ(grid.widthChanges, changes + 1);
    EXPECT_EQ(grid.CellRect(2, 1).left(), 65 + 95);

    // A double click is a press that knows it is one, then DblClick.
    QTest::mouseDClick(vp, Qt::LeftButton, {}, QPoint(100, 40));
    EXPECT_EQ(grid.doublePresses, 1);
    EXPECT_EQ(grid.doubleClicks, 1);

    // A press in the data rows or far from a border does not size.
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(159, 40));
    EXPECT_NE(grid.GridState(), gsColSizing);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(159, 40));
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(grid.GridState(), gsNormal);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 10));

    // A gesture cancelled half-way changes nothing.
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(159, 10));
    ASSERT_EQ(grid.GridState(), gsColSizing);
    QTest::mouseMove(vp, QPoint(200, 10));
    grid.CancelMode();
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(grid.ColWidths(1), 94);
    EXPECT_EQ(grid.GridState(), gsNormal);

    // Rows are sized over the fixed column: the border after row 1 lies at 25 + 24 = 49.
    grid.SetOptions(grid.Options() | goRowSizing);
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(10, 50));
    EXPECT_EQ(grid.GridState(), gsRowSizing);
    QTest::mouseMove(vp, QPoint(10, 70));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(10, 70));
    EXPECT_EQ(grid.RowHeights(1), 44);
    EXPECT_EQ(grid.CellRect(1, 2).top(), 25 + 45);
}

TEST(CellGridMoving, DraggingATitleMovesTheColumn)
{
    TestGrid grid;
    grid.SetOptions(grid.Options() | goColMoving);
    grid.SetColWidths(1, 40);
    showGrid(grid, 400, 200);
    QWidget *vp = grid.viewport();
    // Column 1 spans 65..104, column 3 starts at 65 + 41 + 65 = 171.
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(80, 10));
    EXPECT_EQ(grid.GridState(), gsColMoving);
    QTest::mouseMove(vp, QPoint(190, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(190, 10));
    ASSERT_EQ(grid.moves.size(), 1u);
    EXPECT_EQ(grid.moves[0], (std::pair<int, int>{1, 3}));
    EXPECT_EQ(grid.ColWidths(3), 40) << "the width moves with the column";
    EXPECT_EQ(grid.ColWidths(1), 64);
    EXPECT_EQ(grid.Col(), 3) << "the current column follows";

    // Released over its own title: nothing moves.
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(80, 10));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(85, 10));
    EXPECT_EQ(grid.moves.size(), 1u);
}

TEST(CellGrid, EditorOpensOverTheCurrentCellWithTheHoldersHooks)
{
    TestGrid grid;
    grid.SetOptions(grid.Options() | goEditing);
    grid.texts[std::pair(1, 1)] = QStringLiteral("abc");
    showGrid(grid);

    QTest::keyClick(&grid, Qt::Key_F2);
    TInplaceEdit *editor = grid.InplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(grid.EditorMode());
    EXPECT_EQ(editor->geometry(), grid.CellRect(1, 1));
    EXPECT_EQ(editor->text(), QStringLiteral("abc"));

    QTest::keyClicks(editor, QStringLiteral("de"));
    EXPECT_EQ(grid.texts[std::pair(1, 1)], QStringLiteral("abcde"));
    EXPECT_EQ(grid.editorKeys.size(), 2u) << "the holder sees every key first";

    // Navigation keys go back to the grid, which carries the editor along.
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_FALSE(editor->isVisible()) << "moving closes the editor unless it is always shown";
    EXPECT_FALSE(grid.EditorMode());

    // A typed character opens the editor with that character replacing the text.
    grid.texts[std::pair(1, 2)] = QStringLiteral("old");
    QTest::keyClick(&grid, Qt::Key_X);
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->geometry(), grid.CellRect(1, 2));
    EXPECT_EQ(editor->text(), QStringLiteral("x"));

    // A key the holder swallows never reaches the editor.
    grid.swallowEditorKeys = true;
    QTest::keyClick(editor, Qt::Key_Y);
    EXPECT_EQ(editor->text(), QStringLiteral("x"));
    grid.swallowEditorKeys = false;

    // Enter closes the editor, keeping the text.
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(grid.hasFocus()) << "the focus returns to the grid";
    EXPECT_EQ(grid.texts[std::pair(1, 2)], QStringLiteral("x"));

    // A click on the current cell opens the editor with the caret where the click was.
    grid.texts[std::pair(1, 2)] = QStringLiteral("wide text");
    const QRect cell = grid.CellRect(1, 2);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(1, 5));
    ASSERT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->hasSelectedText());
    EXPECT_EQ(editor->cursorPosition(), 0);
}

TEST(CellGrid, FontChangesReachTheGrid)
{
    TestGrid grid;
    grid.Font().SetStyle(fsBold);
    grid.Font().SetColor(clBlue);
    EXPECT_EQ(grid.fontChanges, 2);
    EXPECT_TRUE(grid.font().bold());
    TFont other;
    grid.SetFont(other);
    EXPECT_FALSE(grid.font().bold());
    EXPECT_EQ(grid.Font().Color(), clWindowText);
}

TEST(CellGrid, AlwaysShownEditorFollowsTheCurrentCell)
{
    TestGrid grid;
    grid.SetOptions(grid.Options() | goEditing | goAlwaysShowEditor);
    showGrid(grid);
    TInplaceEdit *editor = grid.InplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    grid.SetRow(3);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->geometry(), grid.CellRect(1, 3));
}

TEST(CellGrid, PaintsLinesAndFillsInTheSystemColours)
{
    TestGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    showGrid(grid, 200, 100);
    grid.clearFocus();
    grid.SetSelection({1, 1, 2, 1});
    const QImage image = grid.viewport()->grab().toImage();

    struct Case
    {
        int x, y;
        TColor color;
        const char *what;
    };
    const Case cases[] = {
        {10, 10, clBtnFace, "fixed corner fill"},
        {64, 10, clBlack, "fixed vertical line"},
        {10, 24, clBlack, "fixed horizontal line"},
        {100, 24, clBlack, "line under the fixed row"},
        {100, 40, clHighlight, "selected cell"},
        {129, 40, clSilver, "data vertical line"},
        {100, 74, clSilver, "data horizontal line"},
        {100, 60, clWindow, "data cell fill"},
        {196, 10, clWindow, "beyond the last column"},
        {10, 90, clWindow, "below the last row"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(pixel(image, c.x, c.y), toQColor(c.color)) << c.what;

    // Switched-off data lines are drawn in the cell colour; a silver grid draws its lines grey.
    grid.SetOptions(grid.Options() & ~unsigned(goVertLine));
    grid.SetColor(clSilver);
    const QImage plain = grid.viewport()->grab().toImage();
    EXPECT_EQ(pixel(plain, 129, 60), toQColor(clSilver));
    EXPECT_EQ(pixel(plain, 100, 74), toQColor(clGray));
    EXPECT_EQ(pixel(plain, 64, 10), toQColor(clBlack));
}

TEST(CellGrid, FocusedCurrentCellGetsTheFocusRectangle)
{
    TestGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    showGrid(grid, 200, 100);
    ASSERT_TRUE(grid.IsActiveControl());
    const QImage image = grid.viewport()->grab().toImage();
    // The current cell (1, 1) at (65, 25): not highlighted while focused, dotted frame inside it.
    EXPECT_EQ(pixel(image, 100, 40), toQColor(clWindow));
    EXPECT_EQ(pixel(image, 65, 25), QColor(0, 0, 0));
    EXPECT_EQ(pixel(image, 66, 25), toQColor(clWindow));
}

TEST(CellGrid, ScrollingAMillionRowsRepaintsOnlyWhatComesIntoView)
{
    TestGrid grid;
    grid.SetColCount(8);
    grid.SetRowCount(1000000);
    showGrid(grid, 400, 300);
    QApplication::processEvents();
    const int cols = grid.VisibleColCount() + 2;
    const int rows = grid.VisibleRowCount() + 2;

    grid.drawn = 0;
    QTest::keyClick(&grid, Qt::Key_PageDown);
    QApplication::processEvents();
    EXPECT_GT(grid.drawn, 0);
    EXPECT_LE(grid.drawn, cols * rows) << "a page repaints at most the visible cells";

    // One row down at the bottom edge: the picture moves, only the new row and the two current cells repaint.
    for (int i = grid.Row(); i < grid.TopRow() + grid.VisibleRowCount() - 1; ++i)
        QTest::keyClick(&grid, Qt::Key_Down);
    QApplication::processEvents();
    grid.drawn = 0;
    const int top = grid.TopRow();
    QWheelEvent wheel(QPointF(100, 100), grid.viewport()->mapToGlobal(QPointF(100, 100)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid.viewport(), &wheel);
    QApplication::processEvents();
    EXPECT_EQ(grid.TopRow(), top + 1);
    EXPECT_LE(grid.drawn, 3 * cols);

    grid.SetTopRow(999990);
    EXPECT_EQ(grid.TopRow(), 1000000 - grid.VisibleRowCount());
}

TEST(CellGrid, SelectingBeyondTheBottomScrollsOnTheTimer)
{
    TestGrid grid;
    grid.SetRowCount(50);
    showGrid(grid);
    QWidget *vp = grid.viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(100, 165));
    EXPECT_EQ(grid.GridState(), gsSelecting);
    EXPECT_EQ(grid.Row(), 6);
    QTest::mouseMove(vp, QPoint(100, 230));
    const int top = grid.TopRow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid.TopRow() > top + 1; }, 30000));
    const TGridRect selection = grid.Selection();
    EXPECT_EQ(selection.Top, 6);
    EXPECT_GT(selection.Bottom, 7) << "each tick stretches the selection by a row";
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 230));
    EXPECT_EQ(grid.GridState(), gsNormal);
    EXPECT_FALSE(grid.ScrollTimerActive()) << "the timer stops with the release";
}
