#include "GridInteraction.h"

#include <gtest/gtest.h>

using tarvik::test::InteractionGrid;

namespace {

// The names column current and read-only, so that typed letters search rather than edit.
struct SearchGrid : InteractionGrid
{
    SearchGrid()
    {
        grid->SetOptionsEh(grid->OptionsEh() | dghIncSearch);
        grid->Columns()[1]->SetReadOnly(true);
        grid->SetSelectedIndex(1);
    }
};

// Shortens the search's time-out for one test.
struct ShortTimeOut
{
    explicit ShortTimeOut(int ms) : saved(DBGridEhIncSearchTimeOut) { DBGridEhIncSearchTimeOut = ms; }
    ~ShortTimeOut() { DBGridEhIncSearchTimeOut = saved; }
    int saved;
};

} // namespace

TEST(GridSearch, TypedLettersMoveToTheMatchAndKeepTheirTextOnALetterThatMatchesNothing)
{
    SearchGrid g;
    g.type(QStringLiteral("iv"));
    EXPECT_EQ(g.name(), QStringLiteral("Ivanov"));
    EXPECT_EQ(g.grid->IncSearchText(), QStringLiteral("Iv")) << "the record's own letter case";
    g.type(QStringLiteral("z"));
    EXPECT_EQ(g.name(), QStringLiteral("Ivanov")) << "no match: the position stays";
    EXPECT_EQ(g.grid->IncSearchText(), QStringLiteral("Iv")) << "and the letter is dropped";
    g.type(QStringLiteral("as"));
    EXPECT_EQ(g.name(), QStringLiteral("Ivashov"));
    g.press(Qt::Key_Backspace);
    EXPECT_EQ(g.grid->IncSearchText(), QStringLiteral("Iva"));
    EXPECT_EQ(g.name(), QStringLiteral("Ivashov")) << "Backspace shortens the text without moving";
}

TEST(GridSearch, CtrlEnterFindsTheNextMatchAndCtrlShiftEnterThePreviousOne)
{
    SearchGrid g;
    g.type(QStringLiteral("i"));
    ASSERT_EQ(g.name(), QStringLiteral("Ivanov"));
    g.press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(g.name(), QStringLiteral("Ivashov"));
    g.press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(g.name(), QStringLiteral("Ivashov")) << "past the last match nothing moves";
    EXPECT_TRUE(g.grid->IncSearchText() == QStringLiteral("I"));
    g.press(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(g.name(), QStringLiteral("Ivanov"));
    g.press(Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(g.name(), QStringLiteral("Ivanov")) << "before the first match nothing moves";
}

TEST(GridSearch, TheSearchEndsAfterTheTimeOutAndOnEnterEscOrAMove)
{
    ShortTimeOut shortened(50);
    {
        SearchGrid g;
        g.type(QStringLiteral("s"));
        ASSERT_EQ(g.name(), QStringLiteral("Sidorov"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return g.grid->IncSearchText().isEmpty(); }, 5000))
            << "the pause ends the search";
        g.type(QStringLiteral("p"));
        EXPECT_EQ(g.name(), QStringLiteral("Petrov")) << "a new search starts from the first record";
    }
    const int keys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_F2, Qt::Key_Down};
    for (int key : keys) {
        ShortTimeOut longer(60000);
        SearchGrid g;
        g.type(QStringLiteral("k"));
        ASSERT_EQ(g.grid->IncSearchText(), QStringLiteral("K"));
        g.press(key);
        EXPECT_TRUE(g.grid->IncSearchText().isEmpty()) << "key " << key;
    }
}

TEST(GridSearch, CtrlFStartsASearchWithoutATimeOutAndTypingInAnEditableColumnEdits)
{
    ShortTimeOut shortened(20);
    SearchGrid g;
    g.press(Qt::Key_F, Qt::ControlModifier);
    g.type(QStringLiteral("si"));
    EXPECT_EQ(g.name(), QStringLiteral("Sidorov"));
    EXPECT_FALSE(QTest::qWaitFor([&] { return g.grid->IncSearchText().isEmpty(); }, 200))
        << "a search begun by Ctrl+F keeps going past the time-out";
    EXPECT_EQ(g.grid->IncSearchText(), QStringLiteral("Si"));
    g.press(Qt::Key_Escape);

    // An editable column takes typed letters into its editor unless the grid prefers searching.
    InteractionGrid e;
    e.grid->SetOptionsEh(e.grid->OptionsEh() | dghIncSearch);
    e.grid->SetSelectedIndex(1);
    e.type(QStringLiteral("s"));
    EXPECT_TRUE(e.grid->IncSearchText().isEmpty());
    EXPECT_EQ(e.ds.State(), dsEdit) << "the letter went into the editor";
    e.press(Qt::Key_Escape);
    e.press(Qt::Key_Escape);
    ASSERT_EQ(e.ds.State(), dsBrowse);
    e.grid->SetOptionsEh(e.grid->OptionsEh() | dghPreferIncSearch);
    e.type(QStringLiteral("s"));
    EXPECT_EQ(e.name(), QStringLiteral("Sidorov"));
    EXPECT_EQ(e.ds.State(), dsBrowse);
}

TEST(GridSearch, ALetterThatMatchesNothingLeavesTheWindowWhereItWas)
{
    QStringList names;
    for (int i = 1; i <= 60; ++i)
        names << QStringLiteral("N%1").arg(i, 2, 10, QLatin1Char('0'));
    InteractionGrid g(names);
    g.grid->resize(300, 200);
    QApplication::processEvents();
    g.grid->SetOptionsEh(g.grid->OptionsEh() | dghIncSearch);
    g.grid->Columns()[1]->SetReadOnly(true);
    g.grid->SetSelectedIndex(1);
    for (int i = 0; i < 30; ++i)
        g.press(Qt::Key_Down);
    g.press(Qt::Key_Up);
    g.press(Qt::Key_Up);
    const int top = g.grid->DataLink()->FirstRecord();
    const int row = g.grid->DataLink()->ActiveRecord();
    ASSERT_GT(row, 0);
    g.type(QStringLiteral("x"));
    EXPECT_EQ(g.id(), 29);
    EXPECT_EQ(g.grid->DataLink()->FirstRecord(), top) << "the same records on screen";
    EXPECT_EQ(g.grid->DataLink()->ActiveRecord(), row) << "and the current one on the same row";
}
