// The grid's search: the order cells are visited in, the match modes, raw values, a search that finds nothing,
// and the window's keys.
#include "GridExchange.h"

#include "DBCtrlsEh.h"
#include "DBGridEhFindDlg.h"
#include "ServiceFakes.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarvik::test;

namespace {

struct FindGrid : ExchangeGrid
{
    FindGrid() { search.Grid = grid.get(); }

    void searchAll()
    {
        search.Columns.clear();
        for (int i = 0; i < grid->Columns().Count(); ++i)
            search.Columns << grid->Columns()[i];
        search.MarkRestart();
    }

    // The found cell as "ID:FIELD".
    QString at()
    {
        return QStringLiteral("%1:%2")
            .arg(field("ID")->AsInteger())
            .arg(grid->Columns()[grid->SelectedIndex()]->FieldName());
    }

    TDBGridEhFindSearch search;
    FakeMessageService messages;
};

} // namespace

TEST(GridExchangeFind, AllColumnsAreSearchedRecordByRecordFromTheFirst)
{
    FindGrid g;
    g.add(1, QStringLiteral("a"), QVariant(), QStringLiteral("zz"));
    g.add(2, QStringLiteral("zz"), QVariant(), QStringLiteral("b"));
    g.show();
    g.columns({ "ID", "NAME", "FLAG" });
    g.searchAll();
    g.search.Pattern = QStringLiteral("zz");
    ASSERT_TRUE(g.search.FindNext());
    EXPECT_EQ(g.at(), QStringLiteral("1:FLAG"));
    ASSERT_TRUE(g.search.FindNext());
    EXPECT_EQ(g.at(), QStringLiteral("2:NAME"));
    EXPECT_TRUE(g.messages.requests.isEmpty());
    // Nothing further: the message, and the grid stays on the last match.
    EXPECT_FALSE(g.search.FindNext());
    EXPECT_EQ(g.messages.lastText(), QStringLiteral("Строка \"zz\" не найдена."));
    EXPECT_EQ(g.at(), QStringLiteral("2:NAME"));
}

TEST(GridExchangeFind, MatchModesCompareIgnoringCaseUnlessAsked)
{
    FindGrid g;
    g.add(1, QStringLiteral("xABCD"));
    g.add(2, QStringLiteral("ABCD"));
    g.add(3, QStringLiteral("Abc"));
    g.show();
    g.columns({ "NAME" });
    g.searchAll();
    g.search.Pattern = QStringLiteral("abc");
    const struct
    {
        TFindMatchingEh matching;
        bool caseSensitive;
        int found;
    } cases[] = {
        { fmAnyPartEh, false, 1 },
        { fmFromStartEh, false, 2 },
        { fmWholeFieldEh, false, 3 },
        { fmAnyPartEh, true, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(int(c.matching));
        g.search.Matching = c.matching;
        g.search.CaseSensitive = c.caseSensitive;
        g.search.MarkRestart();
        EXPECT_EQ(g.search.FindNext(), c.found != 0);
        if (c.found) {
            EXPECT_EQ(g.field("ID")->AsInteger(), c.found);
        }
    }
}

TEST(GridExchangeFind, WithoutTheFormatTheRawValueIsSearched)
{
    FindGrid g;
    g.add(1, QStringLiteral("a"), 1234.5);
    g.add(2, QStringLiteral("b"), 99.0);
    g.show();
    g.columns({ "AMOUNT" });
    g.field("AMOUNT")->SetDisplayFormat(QStringLiteral("#,##0.00"));
    g.searchAll();
    g.search.Pattern = QStringLiteral("1234.5");
    g.search.UseFormat = true;
    EXPECT_FALSE(g.search.FindNext());
    g.search.UseFormat = false;
    g.search.MarkRestart();
    EXPECT_TRUE(g.search.FindNext());
    EXPECT_EQ(g.field("ID")->AsInteger(), 1);
    g.search.Pattern = QStringLiteral("1 234.50");
    g.search.UseFormat = true;
    g.search.MarkRestart();
    EXPECT_TRUE(g.search.FindNext());
}

TEST(GridExchangeFind, ASearchFindingNothingLeavesTheRowsShown)
{
    FindGrid g;
    g.fill(60);
    g.show(300, 200);
    g.columns({ "ID", "NAME" });
    g.ds.Locate(QStringLiteral("ID"), 40);
    const int row = g.grid->Row();
    const int first = g.grid->DataLink()->FirstRecord();
    g.searchAll();
    g.search.Direction = fdDownEh;
    g.search.Pattern = QStringLiteral("nothing");
    EXPECT_FALSE(g.search.FindNext());
    EXPECT_EQ(g.messages.lastText(), QStringLiteral("Строка \"nothing\" не найдена."));
    EXPECT_EQ(g.field("ID")->AsInteger(), 40);
    EXPECT_EQ(g.grid->Row(), row);
    EXPECT_EQ(g.grid->DataLink()->FirstRecord(), first);
}

TEST(GridExchangeFind, TheWindowsEnterFindsNextAndCtrlEnterTurnsBackOnce)
{
    FindGrid g;
    g.fill(5);
    g.show();
    g.columns({ "ID", "NAME" });
    g.ds.Locate(QStringLiteral("ID"), 3);
    g.grid->SetSelectedIndex(1);
    ShowGridFindDialog(g.grid.get(), QStringLiteral("name"), false);
    TDBGridEhFindDlg *dialog = GridFindDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog->cbText->Text(), QStringLiteral("name"));
    EXPECT_EQ(dialog->cbFindIn->Items(),
        (QStringList { QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("<All>") }));
    EXPECT_EQ(dialog->cbFindIn->ItemIndex(), 1) << "the grid's current column";
    dialog->cbFindDirection->SetItemIndex(1); // "Вниз"

    QWidget *focus = dialog->cbText;
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(g.field("ID")->AsInteger(), 3) << "a restart searches from the current record";
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(g.field("ID")->AsInteger(), 4);
    QTest::keyClick(focus, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(g.field("ID")->AsInteger(), 3) << "Ctrl+Enter searched upward";
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(g.field("ID")->AsInteger(), 4) << "only once";
    EXPECT_TRUE(dialog->cbText->Items().contains(QStringLiteral("name")));

    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}
