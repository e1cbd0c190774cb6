// The lookup combo box's typing, keys and mouse: prefix search, Backspace, completion, stepping, the special
// row's shortcut, Delete, the open list's keys and the mouse.
#include "DBLookupEh.h"
#include "EditControlsSupport.h"
#include "LookupControlsSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLayout>
#include <QTest>

#include <gtest/gtest.h>

using tarvik::test::EditorWindow;
using tarvik::test::LookupCard;
using tarvik::test::LookupList;

namespace {

struct TypingFixture
{
    LookupList list;
    EditorWindow w;
    TDBLookupComboboxEh *combo = new TDBLookupComboboxEh(&w.window);

    explicit TypingFixture(TDBLookupComboboxEhStyle style)
    {
        w.window.layout()->addWidget(combo);
        combo->SetStyle(style);
        combo->SetListSource(&list.source);
        combo->SetKeyField(QStringLiteral("ID"));
        combo->SetListField(QStringLiteral("NAME"));
    }

    void specRow()
    {
        combo->DropDownBox().SpecRow().SetCellsText(QStringLiteral("(none)"));
        combo->DropDownBox().SpecRow().SetVisible(true);
    }
};

} // namespace

TEST(LookupComboTyping, AChosenOnlyComboFindsThePrefixTypedAndSelectsTheRest)
{
    TypingFixture f(csDropDownListEh);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    const struct
    {
        Qt::Key key;
        const char *text;
        const char *selected;
        int id;
    } steps[] = {
        {Qt::Key_A, "Apple", "pple", 1},
        {Qt::Key_P, "Apple", "ple", 1},
        {Qt::Key_R, "Apricot", "icot", 2},
        {Qt::Key_Backspace, "Apricot", "ricot", 2},
        {Qt::Key_X, "Apricot", "ricot", 2}, // leads to no record: dropped
        {Qt::Key_R, "Apricot", "icot", 2},
    };
    for (const auto &s : steps) {
        QTest::keyClick(f.combo, s.key);
        EXPECT_EQ(f.combo->EditText(), QString::fromLatin1(s.text)) << s.key;
        EXPECT_EQ(f.combo->selectedText(), QString::fromLatin1(s.selected)) << s.key;
        EXPECT_EQ(f.combo->KeyValue(), QVariant(s.id)) << s.key;
    }
    EXPECT_EQ(f.combo->cursorPosition(), 3) << "the caret follows the searched part";

    QApplication::clipboard()->setText(QStringLiteral("ban"));
    f.combo->setCursorPosition(0);
    QTest::keyClick(f.combo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana")) << "a paste is typed";
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));
}

TEST(LookupComboTyping, AFreeTextComboCompletesAndGivesNoKeyForTextNotInTheList)
{
    TypingFixture f(csDropDownEh);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClicks(f.combo, QStringLiteral("ban"));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
    EXPECT_EQ(f.combo->selectedText(), QStringLiteral("ana"));
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));

    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("Cherry"));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Cherry")) << "a text that names nothing stays";
    EXPECT_TRUE(f.combo->KeyValue().isNull());

    // Mending the text inside finds the whole text again.
    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("Aple"));
    EXPECT_TRUE(f.combo->KeyValue().isNull());
    f.combo->setCursorPosition(1);
    QTest::keyClick(f.combo, Qt::Key_P);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apple"));
    EXPECT_EQ(f.combo->KeyValue(), QVariant(1));
}

TEST(LookupComboTyping, UpAndDownStepAndAKeyNotInTheListStartsAtTheFirstRecord)
{
    TypingFixture f(csDropDownListEh);
    f.combo->SetKeyValue(99);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_Up);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(1));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apple"));
    QTest::keyClick(f.combo, Qt::Key_Down);
    QTest::keyClick(f.combo, Qt::Key_Down);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));
    QTest::keyClick(f.combo, Qt::Key_Down);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3)) << "the last record stays";
    QTest::keyClick(f.combo, Qt::Key_Up);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apricot"));
}

TEST(LookupComboTyping, TheSpecialRowShortcutWorksWithTheListClosed)
{
    TypingFixture f(csDropDownListEh);
    f.specRow();
    f.combo->DropDownBox().SpecRow().SetValue(Variant(0));
    f.combo->SetKeyValue(2);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_FALSE(f.combo->ListVisible());
    EXPECT_EQ(f.combo->KeyValue(), QVariant(0));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("(none)"));
    EXPECT_EQ(f.combo->selectedText(), QStringLiteral("(none)"));
}

TEST(LookupComboTyping, DeleteClearsARequiredKeyOnlyWithTheWholeTextSelected)
{
    TypingFixture f(csDropDownListEh);
    LookupCard card(&f.list.table, 2);
    card.ref->SetRequired(true);
    f.combo->SetDataSource(&card.source);
    f.combo->SetDataField(QStringLiteral("REF"));
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    f.combo->setCursorPosition(2);
    QTest::keyClick(f.combo, Qt::Key_Delete);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apricot"));
    EXPECT_EQ(f.combo->KeyValue(), QVariant(2));
    f.combo->selectAll();
    QTest::keyClick(f.combo, Qt::Key_Delete);
    EXPECT_EQ(f.combo->EditText(), QString());
    EXPECT_TRUE(f.combo->KeyValue().isNull());

    TypingFixture g(csDropDownListEh);
    g.combo->SetKeyValue(2);
    ASSERT_TRUE(EditorWindow::focus(g.combo));
    g.combo->setCursorPosition(2);
    QTest::keyClick(g.combo, Qt::Key_Delete);
    EXPECT_TRUE(g.combo->KeyValue().isNull()) << "a key that is not required clears at once";
}

TEST(LookupComboTyping, WithTheListOpenEnterKeepsAndEscapeDiscardsTheGridsKey)
{
    for (const bool enter : {true, false}) {
        TypingFixture f(csDropDownListEh);
        f.combo->SetKeyValue(1);
        ASSERT_TRUE(EditorWindow::focus(f.combo));
        QTest::keyClick(f.combo, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(f.combo->ListVisible());
        EXPECT_EQ(f.combo->DropDownGrid()->KeyValue(), QVariant(1));
        QTest::keyClick(f.combo, Qt::Key_Down);
        QTest::keyClick(f.combo, Qt::Key_Down);
        EXPECT_EQ(f.combo->DropDownGrid()->KeyValue(), QVariant(3)) << "the open list takes the arrows";
        EXPECT_EQ(f.combo->KeyValue(), QVariant(1));
        QTest::keyClick(f.combo, enter ? Qt::Key_Return : Qt::Key_Escape);
        EXPECT_FALSE(f.combo->ListVisible());
        EXPECT_EQ(f.combo->KeyValue(), QVariant(enter ? 3 : 1)) << enter;
        EXPECT_EQ(f.combo->EditText(), enter ? QStringLiteral("Banana") : QStringLiteral("Apple"));
        EXPECT_TRUE(f.combo->hasFocus());
    }
}

TEST(LookupComboTyping, AClickOpensAndClosesTheListAndDraggingIntoItChooses)
{
    TypingFixture f(csDropDownListEh);
    f.combo->SetKeyValue(1);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    const QPoint inText(5, f.combo->height() / 2);
    f.combo->setCursorPosition(2);
    QTest::mouseClick(f.combo, Qt::LeftButton, Qt::NoModifier, inText);
    ASSERT_TRUE(f.combo->ListVisible()) << "a click into the text opens the list";
    QTest::mouseClick(f.combo, Qt::LeftButton, Qt::NoModifier, inText);
    EXPECT_FALSE(f.combo->ListVisible()) << "a second click closes it";
    EXPECT_EQ(f.combo->KeyValue(), QVariant(1));

    // Press on the combo, drag onto the third record of the list and let go there.
    QTest::mousePress(f.combo, Qt::LeftButton, Qt::NoModifier, inText);
    ASSERT_TRUE(f.combo->ListVisible());
    TPopupDataGridEh *grid = f.combo->DropDownGrid();
    const QPoint third = grid->CellRect(0, grid->TopFixedRows() + 2).center();
    const QPoint onCombo = f.combo->mapFromGlobal(grid->viewport()->mapToGlobal(third));
    QMouseEvent move(QEvent::MouseMove, QPointF(onCombo), QPointF(f.combo->mapToGlobal(onCombo)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.combo, &move);
    QTest::mouseRelease(f.combo, Qt::LeftButton, Qt::NoModifier, onCombo);
    EXPECT_FALSE(f.combo->ListVisible());
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
}

TEST(LookupComboTyping, TheWheelStepsThroughTheList)
{
    TypingFixture f(csDropDownListEh);
    f.combo->SetKeyValue(2);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    const QPoint at(5, f.combo->height() / 2);
    QWheelEvent down(QPointF(at), QPointF(f.combo->mapToGlobal(at)), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.combo, &down);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));
    f.combo->SetReadOnly(true);
    QWheelEvent up(QPointF(at), QPointF(f.combo->mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.combo, &up);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3)) << "a read-only combo does not step";

    f.combo->SetReadOnly(false);
    f.combo->DropDown();
    ASSERT_TRUE(f.combo->ListVisible());
    QWheelEvent again(QPointF(at), QPointF(f.combo->mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.combo, &again);
    EXPECT_TRUE(again.isAccepted()) << "the open list takes the wheel";
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3)) << "and the combo does not step";
    EXPECT_EQ(f.combo->DropDownGrid()->KeyValue(), QVariant(3));
}

TEST(LookupComboTyping, TheOpenListFollowsTheMouseAndAClickOnTheSpecialRowChoosesIt)
{
    TypingFixture f(csDropDownListEh);
    f.specRow();
    f.combo->SetKeyValue(2);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.combo->ListVisible());
    TPopupDataGridEh *grid = f.combo->DropDownGrid();
    ASSERT_GE(grid->SpecRowGridRow(), 0);

    const QPoint third = grid->CellRect(0, grid->TopFixedRows() + 2).center();
    QMouseEvent hover(QEvent::MouseMove, QPointF(third), QPointF(grid->viewport()->mapToGlobal(third)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &hover);
    EXPECT_EQ(grid->KeyValue(), QVariant(3)) << "the row under the pointer is selected";
    EXPECT_EQ(f.combo->KeyValue(), QVariant(2)) << "the combo waits for the choice";

    const QPoint specialRow = grid->CellRect(0, grid->SpecRowGridRow()).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, specialRow);
    EXPECT_FALSE(f.combo->ListVisible());
    EXPECT_TRUE(f.combo->KeyValue().isNull());
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("(none)"));
    EXPECT_TRUE(f.combo->hasFocus());
}
