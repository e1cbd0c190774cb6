#include "DBGridEhInplace.h"
#include "GridInteraction.h"
#include "Guard.h"

#include <QTest>

#include <gtest/gtest.h>

using tarvik::test::InteractionGrid;

namespace {

// The interaction grid with its filter row shown; ID and NAME can be filtered, AMOUNT cannot.
struct FilterRowGrid : InteractionGrid
{
    FilterRowGrid()
        : InteractionGrid({QStringLiteral("Petrov"), QStringLiteral("Ivanov"), QStringLiteral("Sidorov"),
                           QStringLiteral("Ivashov"), QStringLiteral("Kuznetsov")},
                          dgTabs)
    {
        grid->Columns()[2]->STFilter().Visible = false;
        grid->STFilter().SetVisible(true);
        QApplication::processEvents();
    }
    TInplaceFilterEditEh *editor() { return grid->FilterEditor(); }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(editor(), Qt::Key(k), modifiers);
    }
    // Filters the dataset on NAME by what the filter row holds.
    void filterByName()
    {
        grid->OnApplyFilter = [](TCustomDBGridEh *g) {
            TColumnEh *column = g->Columns()[1];
            TDataSet *ds = g->DataSource()->DataSet();
            const QString text = column->STFilter().GetFilterText();
            ds->SetFilter(text.isEmpty() ? QString()
                                         : column->STFilter().GetFilterDataField() + QLatin1Char(' ') + text);
            ds->SetFiltered(!text.isEmpty());
        };
    }
};

} // namespace

TEST(GridFilterRow, EnteringPlacesTheEditorOverTheFilterCell)
{
    FilterRowGrid g;
    g.grid->EnterFilterRow(2);
    EXPECT_FALSE(g.grid->FilterEditMode()) << "a column without a shown filter cannot be entered";
    g.grid->EnterFilterRow(1);
    ASSERT_NE(g.editor(), nullptr);
    EXPECT_TRUE(g.grid->FilterEditMode());
    EXPECT_EQ(g.grid->FilterCol(), 1);
    EXPECT_TRUE(g.editor()->isVisible());
    EXPECT_TRUE(g.editor()->hasFocus());
    EXPECT_EQ(g.editor()->geometry().top(), g.grid->CellRect(2, 1).top());
    EXPECT_EQ(g.grid->SelectedIndex(), 1);
}

TEST(GridFilterRow, TabWrapsAmongTheFilterableColumns)
{
    FilterRowGrid g;
    g.grid->EnterFilterRow(1);
    g.key(Qt::Key_Tab);
    EXPECT_EQ(g.grid->FilterCol(), 0) << "from the last filterable column to the first, AMOUNT skipped";
    g.key(Qt::Key_Tab);
    EXPECT_EQ(g.grid->FilterCol(), 1);
    g.key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g.grid->FilterCol(), 0);
    g.key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(g.grid->FilterCol(), 1) << "Shift+Tab wraps to the last filterable column";
}

TEST(GridFilterRow, ArrowsHomeAndEndMoveOnlyFromTheEdgesOfTheText)
{
    FilterRowGrid g;
    g.grid->EnterFilterRow(0);
    QTest::keyClicks(g.editor(), QStringLiteral("12"));
    g.key(Qt::Key_Left);
    EXPECT_EQ(g.grid->FilterCol(), 0) << "the caret is not at the start";
    g.key(Qt::Key_Right);
    EXPECT_EQ(g.grid->FilterCol(), 0) << "the caret was not at the end";
    g.key(Qt::Key_Right);
    EXPECT_EQ(g.grid->FilterCol(), 1);
    g.key(Qt::Key_Left);
    EXPECT_EQ(g.grid->FilterCol(), 0) << "an empty cell's caret stands at the start";
    EXPECT_EQ(g.grid->Columns()[0]->STFilter().FilterCellText(), QStringLiteral("12"))
        << "leaving a cell stores its text";
    g.key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(g.grid->FilterCol(), 1);
    g.key(Qt::Key_Up);
    EXPECT_TRUE(g.grid->FilterEditMode()) << "Up is swallowed";
}

TEST(GridFilterRow, DownGoesToTheFirstRecordInTheSameColumn)
{
    FilterRowGrid g;
    g.gotoId(3);
    g.grid->EnterFilterRow(1);
    g.key(Qt::Key_Down);
    EXPECT_FALSE(g.grid->FilterEditMode());
    EXPECT_FALSE(g.editor()->isVisible());
    EXPECT_EQ(g.id(), 1);
    EXPECT_EQ(g.grid->SelectedIndex(), 1);
    EXPECT_TRUE(g.grid->hasFocus() || (g.grid->InplaceEditor() && g.grid->InplaceEditor()->hasFocus()));
}

TEST(GridFilterRow, EnterFiltersTheDataset)
{
    FilterRowGrid g;
    g.filterByName();
    g.grid->EnterFilterRow(1);
    QTest::keyClicks(g.editor(), QStringLiteral("Iva*"));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.ds.RecordCount(), 2);
    EXPECT_TRUE(g.grid->FilterEditMode());
    EXPECT_TRUE(g.editor()->hasFocus()) << "the editor stays for the next change";
    EXPECT_EQ(g.editor()->text(), QStringLiteral("Iva*"));
}

TEST(GridFilterRow, AFailingApplyRestoresTheEditorAndShowsTheError)
{
    QStringList shown;
    const ExceptionHandler previous = setExceptionHandler([&](const QString &message) { shown << message; });
    FilterRowGrid g;
    g.grid->OnApplyFilter = [](TCustomDBGridEh *) { throw Exception(QStringLiteral("Фильтр не применён")); };
    g.grid->EnterFilterRow(1);
    QTest::keyClicks(g.editor(), QStringLiteral("Iva*"));
    g.key(Qt::Key_Return);
    setExceptionHandler(previous);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Фильтр не применён")));
    EXPECT_TRUE(g.editor()->hasFocus());
    EXPECT_TRUE(g.grid->FilterEditMode());
    EXPECT_TRUE(g.editor()->isVisible());
    EXPECT_EQ(g.editor()->text(), QStringLiteral("Iva*"));
    EXPECT_EQ(g.ds.RecordCount(), 5);
}

TEST(GridFilterRow, UpFromTheFirstRecordAndAClickOnAFilterCellEnterTheRow)
{
    FilterRowGrid g;
    g.gotoId(2);
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_Up);
    EXPECT_FALSE(g.grid->FilterEditMode()) << "the second record only moves up";
    g.press(Qt::Key_Up);
    EXPECT_TRUE(g.grid->FilterEditMode());
    EXPECT_EQ(g.grid->FilterCol(), 1);
    g.key(Qt::Key_Down);
    ASSERT_FALSE(g.grid->FilterEditMode());

    g.click(1, 1);
    EXPECT_TRUE(g.grid->FilterEditMode());
    EXPECT_EQ(g.grid->FilterCol(), 0);
    g.click(3, 1);
    EXPECT_EQ(g.grid->FilterCol(), 0) << "AMOUNT has no filter cell to edit";
}
