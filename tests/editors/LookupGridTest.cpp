// The lookup grid: rows, list fields, the key and the special row, keys, search and its drop-down form.
#include "DBLookupGridsEh.h"
#include "DatabaseError.h"
#include "EditControlsSupport.h"
#include "LookupControlsSupport.h"
#include "ServiceFakes.h"

#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using tarvik::test::EditorWindow;
using tarvik::test::LookupList;

namespace {

struct GridFixture
{
    LookupList list;
    EditorWindow w;
    TDBLookupGridEh *grid = new TDBLookupGridEh(&w.window);

    GridFixture()
    {
        w.window.layout()->addWidget(grid);
        grid->SetListSource(&list.source);
        grid->SetKeyField(QStringLiteral("ID"));
        grid->SetListField(QStringLiteral("NAME"));
    }

    void showSpecRow(bool showIfNotInKeyList = true)
    {
        grid->SpecRow().SetCellsText(QStringLiteral("(none)"));
        grid->SpecRow().SetShowIfNotInKeyList(showIfNotInKeyList);
        grid->SpecRow().SetVisible(true);
    }

    void key(Qt::Key k)
    {
        int code = k;
        grid->KeyDown(code, Qt::NoModifier);
    }
};

} // namespace

TEST(LookupGrid, RowsAreClampedAndTheHeightIsWholeRows)
{
    GridFixture f;
    const struct
    {
        int asked;
        int rows;
    } cases[] = {{0, 1}, {-3, 1}, {5, 5}, {100, 100}, {500, 100}};
    for (const auto &c : cases) {
        f.grid->SetRowCount(c.asked);
        EXPECT_EQ(f.grid->RowCount(), c.rows) << c.asked;
    }
    f.grid->SetRowCount(3);
    const int height = f.grid->height();
    // A height between whole rows is cut down to them.
    f.grid->SetBounds(0, 0, 200, height + f.grid->DefaultRowHeight() / 2);
    EXPECT_EQ(f.grid->RowCount(), 3);
    EXPECT_EQ(f.grid->height(), height);
    f.showSpecRow();
    f.grid->SetRowCount(3);
    EXPECT_EQ(f.grid->height(), height + f.grid->SpecRowHeight()) << "the special row adds its own height";
    f.grid->SetShowTitles(true);
    EXPECT_EQ(f.grid->RowCount(), 3) << "titles keep the rows";
    EXPECT_EQ(f.grid->height(), height + f.grid->SpecRowHeight() + f.grid->RowHeights(0));
}

TEST(LookupGrid, AKeyNotInTheListMakesTheSpecialRowCurrentOrMovesTheListToItsStart)
{
    {
        GridFixture f;
        f.showSpecRow();
        f.grid->SetKeyValue(2);
        EXPECT_FALSE(f.grid->SpecRow().IsCurrent);
        EXPECT_EQ(f.grid->KeyDisplayText(), QStringLiteral("Apricot"));
        f.grid->SetKeyValue(99);
        EXPECT_TRUE(f.grid->SpecRow().IsCurrent);
        EXPECT_EQ(f.grid->KeyDisplayText(), QStringLiteral("(none)"));
    }
    {
        GridFixture f;
        f.grid->SetKeyValue(3);
        EXPECT_EQ(f.list.currentId(), 3);
        f.grid->SetKeyValue(99);
        EXPECT_FALSE(f.grid->SpecRow().IsCurrent) << "a hidden special row is never current";
        EXPECT_EQ(f.list.currentId(), 1);
    }
}

TEST(LookupGrid, UpAndDownCrossTheSpecialRow)
{
    GridFixture f;
    f.showSpecRow();
    f.grid->SpecRow().SetValue(Variant(0));
    f.grid->SetKeyValue(1);
    f.key(Qt::Key_Up);
    EXPECT_TRUE(f.grid->SpecRow().IsCurrent);
    EXPECT_EQ(f.grid->KeyValue(), QVariant(0));
    f.key(Qt::Key_Up);
    EXPECT_TRUE(f.grid->SpecRow().IsCurrent) << "nothing above the special row";
    f.key(Qt::Key_Down);
    EXPECT_FALSE(f.grid->SpecRow().IsCurrent);
    EXPECT_EQ(f.grid->KeyValue(), QVariant(1));
    f.key(Qt::Key_Down);
    EXPECT_EQ(f.grid->KeyValue(), QVariant(2));
    f.key(Qt::Key_End);
    EXPECT_EQ(f.grid->KeyValue(), QVariant(3));
    f.key(Qt::Key_Home);
    EXPECT_TRUE(f.grid->SpecRow().IsCurrent) << "Home goes to the top, which is the special row";
}

TEST(LookupGrid, ReadOnlyGridPassesItsKeysOn)
{
    GridFixture f;
    f.grid->SetKeyValue(1);
    f.grid->SetReadOnly(true);
    f.key(Qt::Key_Down);
    EXPECT_EQ(f.grid->KeyValue(), QVariant(1));
}

TEST(LookupGrid, IncrementalSearchRestartsAfterAPause)
{
    FakeClock clock;
    GridFixture f;
    f.grid->SetKeyValue(3);
    auto type = [&](char c) {
        QChar ch = QLatin1Char(c);
        f.grid->KeyPress(ch);
    };
    type('a');
    EXPECT_EQ(f.grid->KeyValue(), QVariant(1));
    clock.advance(1500);
    type('p');
    clock.advance(1500);
    type('R');
    EXPECT_EQ(f.grid->KeyValue(), QVariant(2)) << "'apr' within the pause, case ignored";
    EXPECT_EQ(f.grid->KeySearchText(), QStringLiteral("apR"));
    type('b');
    EXPECT_EQ(f.grid->KeyValue(), QVariant(2)) << "'aprb' names nothing: the key stays";
    EXPECT_EQ(f.grid->KeySearchText(), QStringLiteral("apR"));
    clock.advance(3000);
    type('b');
    EXPECT_EQ(f.grid->KeyValue(), QVariant(3)) << "after the pause a new search starts";
    EXPECT_EQ(f.grid->KeySearchText(), QStringLiteral("b"));
    QChar backspace(8);
    f.grid->KeyPress(backspace);
    EXPECT_TRUE(f.grid->KeySearchText().isEmpty());
}

TEST(LookupGrid, ListFieldsResolveWithTheirErrors)
{
    GridFixture f;
    f.grid->SetListField(QStringLiteral("NAME;CODE"));
    f.grid->SetListFieldIndex(5);
    f.grid->SetListField(QStringLiteral("CODE;NAME"));
    ASSERT_TRUE(f.grid->ListActive());
    EXPECT_EQ(f.grid->DisplayListField()->FieldName(), QStringLiteral("CODE")) << "an index beyond falls back";
    try {
        f.grid->SetListField(QStringLiteral("NAME;NOPE"));
        FAIL() << "an unknown list field is an error";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("NOPE"))) << e.what();
    }
    EXPECT_FALSE(f.grid->ListActive());
    f.grid->SetListField(QString());
    ASSERT_TRUE(f.grid->ListActive());
    EXPECT_EQ(f.grid->DisplayListField()->FieldName(), QStringLiteral("ID")) << "no list field: the key shows";
}

TEST(LookupGrid, MovingAColumnRewritesTheListFields)
{
    GridFixture f;
    f.grid->SetListField(QStringLiteral("NAME;CODE"));
    f.grid->SetListFieldIndex(0);
    f.grid->SetListField(QStringLiteral("NAME;CODE;ID"));
    f.showSpecRow();
    f.grid->SpecRow().SetCellsText(QStringLiteral("-;(none);0"));
    ASSERT_EQ(f.grid->Columns().Count(), 3);
    f.grid->Columns()[0]->SetIndex(2);
    EXPECT_EQ(f.grid->ListField(), QStringLiteral("CODE;ID;NAME"));
    EXPECT_EQ(f.grid->ListFieldIndex(), 2) << "the shown field stays the same";
    EXPECT_EQ(f.grid->DisplayListField()->FieldName(), QStringLiteral("NAME"));
    EXPECT_EQ(f.grid->SpecRow().CellsText(), QStringLiteral("(none);0;-"));
    EXPECT_EQ(f.list.table.Fields().Field(0)->FieldName(), QStringLiteral("ID")) << "the list's own fields stay";
}

TEST(LookupGrid, LookupOptionsMapToTheGridLines)
{
    GridFixture f;
    EXPECT_EQ(f.grid->LookupOptions(), TDBLookupGridEhOptions(dlgColLinesEh));
    f.grid->SetLookupOptions(dlgRowLinesEh);
    EXPECT_TRUE(f.grid->Options() & dgRowLines);
    EXPECT_FALSE(f.grid->Options() & dgColLines);
    EXPECT_TRUE(f.grid->Options() & dgRowSelect) << "other options stay";
    const TGridOptions lines = static_cast<TCustomGrid *>(f.grid)->Options();
    EXPECT_TRUE(lines & goHorzLine);
    EXPECT_FALSE(lines & goVertLine);
}

TEST(LookupGrid, TheKeyRowIsHighlighted)
{
    GridFixture f;
    f.grid->SetRowCount(3);
    f.w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w.window));
    f.grid->SetKeyValue(2);
    EXPECT_TRUE(f.grid->KeyRowShown());
    const QImage image = f.grid->viewport()->grab().toImage();
    const QRect keyRow = f.grid->CellRect(0, f.grid->TopFixedRows() + 1);
    const QRect otherRow = f.grid->CellRect(0, f.grid->TopFixedRows());
    ASSERT_FALSE(keyRow.isEmpty());
    EXPECT_EQ(image.pixelColor(keyRow.right() - 2, keyRow.center().y()), toQColor(clHighlight));
    EXPECT_NE(image.pixelColor(otherRow.right() - 2, otherRow.center().y()), toQColor(clHighlight));
}

TEST(LookupGrid, PopupReportsAcceptOnACellAndCancelOutside)
{
    LookupList list;
    EditorWindow w;
    auto *popup = new TPopupDataGridEh(&w.window);
    popup->SetListSource(&list.source);
    popup->SetKeyField(QStringLiteral("ID"));
    popup->SetListField(QStringLiteral("NAME"));
    popup->SetRowCount(3);
    popup->resize(200, popup->height());
    std::vector<bool> reports;
    popup->OnMouseCloseUp = [&](TPopupDataGridEh *, bool accept) { reports.push_back(accept); };
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    popup->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    EXPECT_FALSE(popup->hasFocus());

    const QPoint second = popup->CellRect(0, popup->TopFixedRows() + 1).center();
    QTest::mousePress(popup->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseRelease(popup->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports.back());
    EXPECT_EQ(popup->KeyValue(), QVariant(2));
    EXPECT_FALSE(popup->hasFocus()) << "the drop-down never takes the focus";

    QTest::mousePress(popup->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseRelease(popup->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(-20, -20));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports.back());
}

TEST(LookupGridScrolling, TheScrollBarAndTheWheelMoveTheListButNotTheKey)
{
    QStringList names;
    for (int i = 1; i <= 10; ++i)
        names.append(QStringLiteral("Item %1").arg(i, 2, 10, QLatin1Char('0')));
    LookupList list(names);
    EditorWindow w;
    auto *grid = new TDBLookupGridEh(&w.window); // placed by itself: its height is its own, in rows
    grid->SetListSource(&list.source);
    grid->SetKeyField(QStringLiteral("ID"));
    grid->SetListField(QStringLiteral("NAME"));
    grid->move(0, 60);
    grid->SetRowCount(3);
    w.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.window));
    grid->SetKeyValue(1);
    ASSERT_TRUE(grid->KeyRowShown());
    grid->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(list.currentId(), 4) << "a line down shows the record below the window";
    EXPECT_EQ(grid->KeyValue(), QVariant(1));
    EXPECT_FALSE(grid->KeyRowShown()) << "the key's row left the window";
    QWheelEvent up(QPointF(5, 5), QPointF(grid->viewport()->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, 120),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &up);
    EXPECT_EQ(grid->KeyValue(), QVariant(1));
    EXPECT_LT(list.currentId(), 4) << "the wheel moves like the bar's line up";
    int key = Qt::Key_Down;
    grid->KeyDown(key, Qt::NoModifier);
    EXPECT_EQ(grid->KeyValue(), QVariant(2)) << "keys step from the key's row, wherever the window is";
}
