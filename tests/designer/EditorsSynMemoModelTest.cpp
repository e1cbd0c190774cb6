// The code editor's text without its window: colouring, snapshots, indentation, Tab, Delete, block shifts,
// selection and the view that follows the cursor.
#include "FR_SynMemo.h"

#include <gtest/gtest.h>

namespace {

QString classesOf(const TSyntaxMemoModel &m, int line)
{
    QString out;
    for (int col = 1; col <= m.Line(line).size(); ++col)
        out += QChar(u'0' + int(m.ClassAt(col, line)));
    return out;
}

std::string show(const QStringList &lines)
{
    return ("[" + lines.join(QStringLiteral("|")) + "]").toStdString();
}

TEST(EditorsSynMemoModel, ColoursKeywordsCommentsAndStringsByMode)
{
    const struct
    {
        int mode;
        QString text;
        QStringList classes;
    } cases[] = {
        { 0, QStringLiteral("(*c*)begin"), { QStringLiteral("2222233333") } },
        { 0, QStringLiteral("{a}x := 'b' // c"), { QStringLiteral("2220000044402222") } },
        { 0, QStringLiteral("{ two\nlines }x"), { QStringLiteral("22222"), QStringLiteral("22222220") } },
        { 0, QStringLiteral("(* open"), { QStringLiteral("2222222") } },
        { 0, QStringLiteral("a -- b"), { QStringLiteral("000000") } },
        { 0, QStringLiteral("a/b(x)"), { QStringLiteral("000000") } },
        { 0, QStringLiteral("'open\nend"), { QStringLiteral("44444"), QStringLiteral("333") } },
        { 0, QStringLiteral("'it''s' \"q\""), { QStringLiteral("44444440000") } },
        { 0, QStringLiteral("END end1 1end _end"), { QStringLiteral("333000000033300000") } },
        { 0, QStringLiteral("endЯ Яend конец"), { QStringLiteral("000000000000000") } },
        { 1, QStringLiteral("select -- c"), { QStringLiteral("33333302222") } },
        { 1, QStringLiteral("/*x*/from"), { QStringLiteral("222223333") } },
        { 1, QStringLiteral("\"a\" 'b\""), { QStringLiteral("4440444") } },
        { 1, QStringLiteral("begin (* x *) {y} // z"), { QStringLiteral("3333300000000000000000") } },
        { 2, QStringLiteral("begin 'x' \"y\" // z"), { QStringLiteral("000000444000000000") } },
    };
    for (const auto &c : cases) {
        TSyntaxMemoModel m;
        m.SetHighlightMode(c.mode);
        m.SetLines(c.text.split(u'\n'));
        for (int i = 0; i < c.classes.size(); ++i)
            EXPECT_EQ(classesOf(m, i + 1), c.classes[i]) << c.mode << " " << c.text.toStdString() << " line " << i + 1;
    }

    TSyntaxMemoModel m;
    m.SetLines({ QStringLiteral("select begin") });
    EXPECT_EQ(classesOf(m, 1), QStringLiteral("000000033333"));
    m.SetHighlightMode(1);
    EXPECT_EQ(classesOf(m, 1), QStringLiteral("333333033333")) << "a new mode colours the text anew";
}

TEST(EditorsSynMemoModel, TypingIsUndoneInOneStepAndTheUndoListKeeps32Snapshots)
{
    TSyntaxMemoModel m;
    for (const char *c : { "a", "b", "c" })
        m.KeyPress(QString::fromLatin1(c));
    EXPECT_EQ(m.Lines(), QStringList { QStringLiteral("abc") });
    EXPECT_EQ(m.UndoCount(), 1);
    m.KeyDown(Qt::Key_Left, {});
    m.KeyPress(QStringLiteral("X"));
    EXPECT_EQ(m.Lines(), QStringList { QStringLiteral("abXc") });
    m.Undo();
    EXPECT_EQ(m.Lines(), QStringList { QStringLiteral("abc") }) << "a cursor move starts a new step";
    EXPECT_EQ(m.Cursor(), (TSynPos { 3, 1 }));
    m.Undo();
    EXPECT_EQ(m.Lines(), QStringList { QString() });
    EXPECT_EQ(m.Cursor(), (TSynPos { 1, 1 }));
    m.Undo();
    EXPECT_EQ(m.Lines(), QStringList { QString() }) << "nothing left to undo";

    // Inserting from outside keeps taking snapshots; the 33rd drops the oldest.
    TSyntaxMemoModel n;
    for (int i = 0; i < 33; ++i)
        n.InsertText(QString::number(i % 10));
    EXPECT_EQ(n.UndoCount(), 32);
    while (n.UndoCount() > 0)
        n.Undo();
    EXPECT_EQ(n.Lines(), QStringList { QStringLiteral("0") }) << "the state before the first insertion is gone";

    TSyntaxMemoModel e;
    e.SetLines({ QStringLiteral("abc") });
    e.SetCursor(2, 1);
    e.KeyDown(Qt::Key_Return, {});
    e.KeyDown(Qt::Key_Backspace, {});
    EXPECT_EQ(e.UndoCount(), 1) << "Enter takes the snapshot, the Backspace after it none";
    e.Undo();
    EXPECT_EQ(e.Lines(), QStringList { QStringLiteral("abc") });
    EXPECT_EQ(e.Cursor(), (TSynPos { 2, 1 }));
}

TEST(EditorsSynMemoModel, EnterIndentsAndBackspaceReturnsToTheIndentationAbove)
{
    const struct
    {
        const char *name;
        QStringList lines;
        TSynPos cursor;
        int key;
        QStringList result;
        TSynPos after;
    } cases[] = {
        { "Enter after an indented line", { "    abc" }, { 8, 1 }, Qt::Key_Return, { "    abc", "" }, { 5, 2 } },
        { "Enter inside the text", { "  ab cd" }, { 5, 1 }, Qt::Key_Return, { "  ab", "   cd" }, { 3, 2 } },
        { "Enter in the indentation", { "    abc" }, { 3, 1 }, Qt::Key_Return, { "", "    abc" }, { 3, 2 } },
        { "Enter beyond the end", { "ab" }, { 6, 1 }, Qt::Key_Return, { "ab", "" }, { 1, 2 } },
        { "Backspace on a blank line", { "begin", "  if x then", "    y;", "" }, { 5, 4 }, Qt::Key_Backspace,
            { "begin", "  if x then", "    y;", "" }, { 3, 4 } },
        { "Backspace at the first character", { "  a", "      b" }, { 7, 2 }, Qt::Key_Backspace, { "  a", "  b" },
            { 3, 2 } },
        { "Backspace with nothing less indented above", { "  a", "  b" }, { 3, 2 }, Qt::Key_Backspace, { "  a", "b" },
            { 1, 2 } },
        { "Backspace on the first line's indentation", { "    x" }, { 5, 1 }, Qt::Key_Backspace, { "   x" }, { 4, 1 } },
        { "Backspace in a word", { "  abc" }, { 5, 1 }, Qt::Key_Backspace, { "  ac" }, { 4, 1 } },
        { "Backspace beyond a line's end", { "ab" }, { 5, 1 }, Qt::Key_Backspace, { "ab" }, { 4, 1 } },
        { "Backspace at column 1 joins", { "abc", "  def" }, { 1, 2 }, Qt::Key_Backspace, { "abc  def" }, { 4, 1 } },
        { "Backspace at the very start", { "abc" }, { 1, 1 }, Qt::Key_Backspace, { "abc" }, { 1, 1 } },
    };
    for (const auto &c : cases) {
        TSyntaxMemoModel m;
        m.SetLines(c.lines);
        m.SetCursor(c.cursor.Col, c.cursor.Line);
        m.KeyDown(c.key, {});
        EXPECT_EQ(m.Lines(), c.result) << c.name << " " << show(m.Lines());
        EXPECT_EQ(m.Cursor(), c.after) << c.name << " at " << m.Cursor().Col << "," << m.Cursor().Line;
    }

    TSyntaxMemoModel m;
    m.SetLines({ QStringLiteral("ab") });
    m.SetCursor(2, 1);
    for (auto modifier : { Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier })
        EXPECT_TRUE(m.KeyDown(Qt::Key_Return, modifier));
    EXPECT_EQ(m.Lines(), QStringList { QStringLiteral("ab") }) << "Enter with a modifier is swallowed";
}

TEST(EditorsSynMemoModel, TabGoesToTheNextWordOfTheLineAbove)
{
    const struct
    {
        QStringList lines;
        TSynPos cursor;
        TSynPos after;
    } cases[] = {
        { { "if x then", "" }, { 1, 2 }, { 4, 2 } }, // past the word and its blanks
        { { "  begin", "" }, { 1, 2 }, { 3, 2 } }, // a blank: to the next non-blank
        { { "  end", "" }, { 3, 2 }, { 6, 2 } }, // the last word: to the line's end
        { { "abcdef ghi", "ab", "" }, { 4, 3 }, { 8, 3 } }, // a line too short is passed over
        { { "ab", "" }, { 5, 2 }, { 5, 2 } }, // no line reaches the cursor
        { { "", "" }, { 1, 1 }, { 1, 1 } }, // the first line has none above
    };
    for (const auto &c : cases) {
        TSyntaxMemoModel m;
        m.SetLines(c.lines);
        m.SetCursor(c.cursor.Col, c.cursor.Line);
        m.KeyDown(Qt::Key_Tab, {});
        EXPECT_EQ(m.Cursor(), c.after) << show(c.lines) << " from " << c.cursor.Col;
    }

    TSyntaxMemoModel m;
    m.SetLines({ QStringLiteral("if x"), QStringLiteral("abc") });
    m.SetSelection({ 1, 2 }, { 3, 2 });
    m.SetCursor(1, 2);
    m.KeyDown(Qt::Key_Tab, {});
    EXPECT_EQ(m.Lines().at(1), QStringLiteral("   c")) << "the blanks replace the selection";
}

TEST(EditorsSynMemoModel, DeleteJoinsTheNextLineAtTheCursorColumn)
{
    const struct
    {
        QStringList lines;
        TSynPos cursor;
        QStringList result;
    } cases[] = {
        { { "begin", "  x := 1" }, { 6, 1 }, { "begin  x := 1" } },
        { { "ab", "cd" }, { 5, 1 }, { "ab  cd" } },
        { { "ab" }, { 5, 1 }, { "ab" } },
        { { "abc", "d" }, { 2, 1 }, { "ac", "d" } },
        { { "abc", "d" }, { 3, 1 }, { "ab", "d" } },
    };
    for (const auto &c : cases) {
        TSyntaxMemoModel m;
        m.SetLines(c.lines);
        m.SetCursor(c.cursor.Col, c.cursor.Line);
        m.SetErrorText(QStringLiteral("Line 1/1: x"));
        m.KeyDown(Qt::Key_Delete, {});
        EXPECT_EQ(m.Lines(), c.result) << show(c.lines) << " at " << c.cursor.Col;
        EXPECT_EQ(m.Cursor(), c.cursor);
        EXPECT_TRUE(m.ErrorText().isEmpty());
    }
}

TEST(EditorsSynMemoModel, BlockShiftsMoveTheSelectedLinesByUpToTwoBlanks)
{
    const struct
    {
        const char *name;
        QStringList lines;
        TSynPos start, end;
        bool indent;
        QStringList result;
    } cases[] = {
        { "indent, ending at column 1", { "a", "", "c" }, { 1, 1 }, { 1, 3 }, true, { "  a", "", "c" } },
        { "indent, ending inside a line", { "a", "b" }, { 1, 1 }, { 2, 2 }, true, { "  a", "  b" } },
        { "made upwards, its end at column 1", { "a", "b", "c" }, { 2, 3 }, { 1, 1 }, true, { "  a", "  b", "  c" } },
        { "made upwards from column 1", { "a", "b", "c" }, { 1, 3 }, { 1, 1 }, true, { "  a", "  b", "c" } },
        { "unindent by the least indentation", { " a", "   b", "", " c" }, { 1, 1 }, { 2, 4 }, false,
            { "a", "  b", "", "c" } },
        { "unindent by two at most", { "    a", "   b" }, { 1, 1 }, { 2, 2 }, false, { "  a", " b" } },
        { "unindent of unindented text", { "a", "  b" }, { 1, 1 }, { 2, 2 }, false, { "a", "  b" } },
    };
    for (const auto &c : cases) {
        TSyntaxMemoModel m;
        m.SetLines(c.lines);
        m.SetSelection(c.start, c.end);
        m.KeyDown(c.indent ? Qt::Key_I : Qt::Key_U, Qt::ControlModifier);
        EXPECT_EQ(m.Lines(), c.result) << c.name << " " << show(m.Lines());
    }

    TSyntaxMemoModel m;
    m.SetLines({ QStringLiteral("a") });
    m.KeyDown(Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(m.Lines(), QStringList { QStringLiteral("a") }) << "without a selection nothing moves";
}

TEST(EditorsSynMemoModel, SelectionTextAndReplacementReachIntoVirtualSpace)
{
    TSyntaxMemoModel m;
    m.SetLines({ QStringLiteral("ab"), QStringLiteral("cd") });
    m.SetSelection({ 5, 1 }, { 2, 2 });
    EXPECT_EQ(m.SelText(), QStringLiteral("c")) << "a start beyond the line's end begins on the next line";
    m.SetSelection({ 2, 2 }, { 2, 1 });
    EXPECT_EQ(m.SelText(), QStringLiteral("b\r\nc")) << "the ends in either order";
    m.SetSelection({ 2, 1 }, { 9, 2 });
    EXPECT_EQ(m.SelText(), QStringLiteral("b\r\ncd"));
    EXPECT_TRUE(m.IsSelected(3, 1)) << "the rest of line 1 lies in it";
    EXPECT_FALSE(m.IsSelected(9, 2));
    m.InsertText(QStringLiteral("X"));
    EXPECT_EQ(m.Lines(), QStringList { QStringLiteral("aX") });
    EXPECT_EQ(m.Cursor(), (TSynPos { 3, 1 }));
    EXPECT_FALSE(m.HasSelection());

    m.SetCursor(6, 1);
    m.InsertText(QStringLiteral("y\nz"));
    EXPECT_EQ(m.Lines(), (QStringList { QStringLiteral("aX   y"), QStringLiteral("z") }));
    EXPECT_EQ(m.Cursor(), (TSynPos { 2, 2 }));

    m.SetReadOnly(true);
    m.InsertText(QStringLiteral("q"));
    m.KeyDown(Qt::Key_Return, {});
    m.KeyDown(Qt::Key_Backspace, {});
    m.KeyPress(QStringLiteral("w"));
    EXPECT_EQ(m.Lines(), (QStringList { QStringLiteral("aX   y"), QStringLiteral("z") })) << "read-only";
    m.KeyDown(Qt::Key_Up, {});
    EXPECT_EQ(m.Cursor(), (TSynPos { 2, 1 })) << "the cursor still moves";
}

TEST(EditorsSynMemoModel, ShiftWithCursorKeysExtendsTheSelectionFromWhereItStarted)
{
    TSyntaxMemoModel m;
    m.SetLines({ QStringLiteral("abc"), QStringLiteral("def") });
    m.KeyDown(Qt::Key_Right, Qt::ShiftModifier);
    m.KeyDown(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(m.SelText(), QStringLiteral("abc\r\nd"));
    m.KeyDown(Qt::Key_Up, Qt::ShiftModifier);
    m.KeyDown(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_FALSE(m.HasSelection()) << "back at the start nothing is selected";
    m.KeyDown(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(m.SelText(), QStringLiteral("abc"));
    m.KeyDown(Qt::Key_Home, {});
    EXPECT_FALSE(m.HasSelection());
    m.KeyDown(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(m.SelText(), QStringLiteral("abc\r\ndef"));
    EXPECT_EQ(m.Cursor(), (TSynPos { 4, 2 }));
}

TEST(EditorsSynMemoModel, TheViewFollowsTheCursor)
{
    QStringList hundred;
    for (int i = 1; i <= 100; ++i)
        hundred << QString::number(i);
    const struct
    {
        const char *name;
        TSynPos from;
        std::function<void(TSyntaxMemoModel &)> act;
        TSynPos cursor;
        int top, left;
    } cases[] = {
        { "down the text", { 1, 1 }, [](auto &m) { m.SetCursor(1, 50); }, { 1, 50 }, 45, 0 },
        { "right along a line", { 1, 1 }, [](auto &m) { m.SetCursor(15, 1); }, { 15, 1 }, 0, 5 },
        { "right and down at once", { 1, 1 }, [](auto &m) { m.SetCursor(30, 60); }, { 30, 60 }, 55, 20 },
        { "Ctrl+Home from far right and down", { 30, 60 },
            [](auto &m) { m.KeyDown(Qt::Key_Home, Qt::ControlModifier); }, { 1, 1 }, 0, 0 },
        { "clamped", { 1, 1 }, [](auto &m) { m.SetCursor(5000, 500); }, { 1024, 100 }, 95, 1014 },
        { "clamped below", { 1, 1 }, [](auto &m) { m.SetCursor(-3, 0); }, { 1, 1 }, 0, 0 },
        { "Page Down", { 1, 1 }, [](auto &m) { m.KeyDown(Qt::Key_PageDown, {}); }, { 1, 5 }, 4, 0 },
        { "Page Down near the end", { 1, 97 }, [](auto &m) { m.KeyDown(Qt::Key_PageDown, {}); }, { 1, 100 }, 95, 0 },
        { "Page Up far down", { 1, 50 }, [](auto &m) { m.KeyDown(Qt::Key_PageUp, {}); }, { 1, 46 }, 41, 0 },
        { "Page Up near the top", { 1, 8 }, [](auto &m) { m.KeyDown(Qt::Key_PageUp, {}); }, { 1, 5 }, 0, 0 },
        { "Page Up at the top", { 1, 3 }, [](auto &m) { m.KeyDown(Qt::Key_PageUp, {}); }, { 1, 1 }, 0, 0 },
    };
    for (const auto &c : cases) {
        TSyntaxMemoModel m;
        m.SetLines(hundred);
        m.SetVisibleArea(10, 5);
        m.SetCursor(c.from.Col, c.from.Line);
        m.SetErrorText(QStringLiteral("error"));
        c.act(m);
        EXPECT_EQ(m.Cursor(), c.cursor) << c.name << ": " << m.Cursor().Col << "," << m.Cursor().Line;
        EXPECT_EQ(m.TopLine(), c.top) << c.name;
        EXPECT_EQ(m.LeftCol(), c.left) << c.name;
        EXPECT_TRUE(m.ErrorText().isEmpty()) << c.name << ": a cursor move clears the error";
    }
}

TEST(EditorsSynMemoModel, NewLinesFromOutsideStartTheEditorAfresh)
{
    TSyntaxMemoModel m;
    int changes = 0;
    m.OnChange = [&] { ++changes; };
    m.SetLines({ QStringLiteral("one  "), QStringLiteral("two"), QStringLiteral("three") });
    EXPECT_EQ(m.Lines().at(0), QStringLiteral("one")) << "lines are read without trailing blanks";
    m.SetVisibleArea(3, 1);
    m.SetCursor(5, 3);
    m.KeyPress(QStringLiteral("x"));
    m.SetSelection({ 1, 1 }, { 2, 2 });
    ASSERT_GT(m.TopLine(), 0);
    ASSERT_GT(m.LeftCol(), 0);
    ASSERT_FALSE(m.SnapshotAllowed());

    changes = 0;
    m.SetLines({});
    EXPECT_EQ(m.Lines(), QStringList { QString() }) << "an emptied text keeps one line";
    EXPECT_EQ(m.Cursor(), (TSynPos { 1, 1 }));
    EXPECT_EQ(m.TopLine(), 0);
    EXPECT_EQ(m.LeftCol(), 0);
    EXPECT_FALSE(m.HasSelection());
    EXPECT_EQ(m.UndoCount(), 0);
    EXPECT_TRUE(m.SnapshotAllowed());
    EXPECT_GT(changes, 0) << "the control repaints";
}

} // namespace
