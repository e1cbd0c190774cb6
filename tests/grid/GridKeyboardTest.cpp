#include "GridSupport.h"

#include <QTest>

#include <gtest/gtest.h>

using tarvik::test::GridFixture;

namespace {

// Three columns over five records, shown, with the first record and the first column current.
struct KeyGrid : GridFixture
{
    KeyGrid()
    {
        for (const char *name : {"ID", "NAME", "AMOUNT"})
            grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
        fill(5);
        show();
    }
    int id() { return field("ID")->AsInteger(); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(grid.get(), key, modifiers);
    }
};

} // namespace

TEST(GridKeyboard, ArrowsPagesHomeAndEndMoveRecordsAndColumns)
{
    struct Step
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int id;     // the current record afterwards
        int column; // the current column afterwards
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 2, 0},
        {Qt::Key_Right, Qt::NoModifier, 2, 1},
        {Qt::Key_Right, Qt::NoModifier, 2, 2},
        {Qt::Key_Right, Qt::NoModifier, 2, 2},   // the last column stays
        {Qt::Key_Home, Qt::NoModifier, 2, 0},
        {Qt::Key_End, Qt::NoModifier, 2, 2},
        {Qt::Key_Left, Qt::NoModifier, 2, 1},
        {Qt::Key_Up, Qt::NoModifier, 1, 1},
        {Qt::Key_Up, Qt::NoModifier, 1, 1},      // the first record stays
        {Qt::Key_End, Qt::ControlModifier, 5, 1},
        {Qt::Key_Home, Qt::ControlModifier, 1, 1},
        {Qt::Key_PageDown, Qt::NoModifier, 5, 1}, // more rows on screen than records
        {Qt::Key_PageUp, Qt::NoModifier, 1, 1},
        {Qt::Key_Right, Qt::ControlModifier, 1, 2},
        {Qt::Key_Left, Qt::ControlModifier, 1, 0},
    };
    KeyGrid g;
    int i = 0;
    for (const Step &s : steps) {
        g.press(s.key, s.modifiers);
        EXPECT_EQ(g.id(), s.id) << "step " << i;
        EXPECT_EQ(g.grid->SelectedIndex(), s.column) << "step " << i;
        ++i;
    }
    EXPECT_EQ(g.ds.State(), dsBrowse) << "moving alone appends nothing";
}

TEST(GridKeyboard, ArrowsSkipColumnsOfNoWidth)
{
    KeyGrid g;
    g.grid->Columns()[1]->SetVisible(false);
    QApplication::processEvents();
    g.press(Qt::Key_Right);
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
    g.press(Qt::Key_Left);
    EXPECT_EQ(g.grid->SelectedIndex(), 0);
}

TEST(GridKeyboard, TabRunsOverTheRecordsEndsOnlyWithTabsOn)
{
    KeyGrid g;
    g.press(Qt::Key_Tab);
    g.press(Qt::Key_Tab);
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
    g.press(Qt::Key_Tab);
    EXPECT_EQ(g.id(), 2) << "past the last column: the next record";
    EXPECT_EQ(g.grid->SelectedIndex(), 0);
    g.press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(g.id(), 1) << "before the first column: the previous record";
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
    g.press(Qt::Key_Tab, Qt::ShiftModifier);
    g.press(Qt::Key_Tab, Qt::ShiftModifier);
    g.press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(g.id(), 1) << "nothing before the first record";
    EXPECT_EQ(g.grid->SelectedIndex(), 0);

    g.grid->SetOptions(g.grid->Options() & ~dgTabs);
    g.press(Qt::Key_Tab);
    EXPECT_EQ(g.grid->SelectedIndex(), 0) << "without dgTabs Tab does not move between cells";
}

TEST(GridKeyboard, DownPastTheLastRecordAppendsAndUpDropsTheUntouchedRecord)
{
    KeyGrid g;
    g.press(Qt::Key_End, Qt::ControlModifier);
    g.press(Qt::Key_Down);
    ASSERT_EQ(g.ds.State(), dsInsert) << "Down on the last record appends one";
    EXPECT_TRUE(g.field("ID")->IsNull());
    g.press(Qt::Key_Down);
    EXPECT_EQ(g.ds.State(), dsInsert) << "Down on the untouched new record appends no second one";
    EXPECT_EQ(g.ds.RecordCount(), 5);
    g.press(Qt::Key_Up);
    EXPECT_EQ(g.ds.State(), dsBrowse) << "Up drops the untouched new record";
    EXPECT_EQ(g.ds.RecordCount(), 5);
    EXPECT_EQ(g.id(), 5);

    // A new record with something typed in it is kept: Up writes it and moves on.
    g.press(Qt::Key_Down);
    ASSERT_EQ(g.ds.State(), dsInsert);
    g.field("ID")->SetValue(6);
    g.press(Qt::Key_Up);
    EXPECT_EQ(g.ds.State(), dsBrowse);
    EXPECT_EQ(g.ds.RecordCount(), 6);

    // An untouched record inserted among the others is dropped by Down as well.
    g.press(Qt::Key_Home, Qt::ControlModifier);
    g.press(Qt::Key_Down);
    g.ds.Insert();
    g.press(Qt::Key_Down);
    EXPECT_EQ(g.ds.State(), dsBrowse);
    EXPECT_EQ(g.ds.RecordCount(), 6);
}

TEST(GridKeyboard, DownAppendsNothingWhereAppendingIsNotAllowed)
{
    struct Case
    {
        const char *what;
        std::function<void(KeyGrid &)> setUp;
    };
    const Case cases[] = {
        {"read-only grid", [](KeyGrid &g) { g.grid->SetReadOnly(true); }},
        {"no editing", [](KeyGrid &g) { g.grid->SetOptions(g.grid->Options() & ~dgEditing); }},
        {"appending not allowed", [](KeyGrid &g) { g.grid->AllowedOperations &= ~alopAppendEh; }},
        {"read-only dataset", [](KeyGrid &g) { g.ds.SetReadOnly(true); }},
    };
    for (const Case &c : cases) {
        KeyGrid g;
        c.setUp(g);
        g.press(Qt::Key_End, Qt::ControlModifier);
        g.press(Qt::Key_Down);
        EXPECT_EQ(g.ds.State(), dsBrowse) << c.what;
        EXPECT_EQ(g.id(), 5) << c.what;
    }
}

TEST(GridKeyboard, InsertAddsARecordWhereAllowedAndEscDropsIt)
{
    struct Case
    {
        const char *what;
        TDBGridEhAllowedOperations allowed;
        bool readOnly;
        TDataSetState state; // after Insert
        int position;        // of the current record afterwards (0-based)
        int idAfterEsc;      // an appended record dropped leaves the last record current
    };
    const Case cases[] = {
        {"inserting allowed: before the current record", alopInsertEh | alopAppendEh, false, dsInsert, 1, 2},
        {"only appending allowed: at the end", alopAppendEh, false, dsInsert, 5, 5},
        {"neither allowed", alopUpdateEh, false, dsBrowse, 1, 2},
        {"read-only grid", alopInsertEh | alopAppendEh, true, dsBrowse, 1, 2},
    };
    for (const Case &c : cases) {
        KeyGrid g;
        g.grid->AllowedOperations = c.allowed;
        g.grid->SetReadOnly(c.readOnly);
        g.press(Qt::Key_Down);
        g.press(Qt::Key_Insert);
        EXPECT_EQ(g.ds.State(), c.state) << c.what;
        EXPECT_EQ(g.ds.CurrentPosition(), c.position) << c.what;
        g.press(Qt::Key_Escape);
        EXPECT_EQ(g.ds.State(), dsBrowse) << c.what;
        EXPECT_EQ(g.ds.RecordCount(), 5) << c.what << ": Esc leaves no new record behind";
        EXPECT_EQ(g.id(), c.idAfterEsc) << c.what;
    }
}

TEST(GridKeyboard, EscCancelsAnEditOfTheRecord)
{
    KeyGrid g;
    g.ds.Edit();
    g.field("NAME")->SetValue(QStringLiteral("Changed"));
    g.press(Qt::Key_Escape);
    EXPECT_EQ(g.ds.State(), dsBrowse);
    EXPECT_EQ(g.field("NAME")->AsString(), QStringLiteral("Name 1"));
}
