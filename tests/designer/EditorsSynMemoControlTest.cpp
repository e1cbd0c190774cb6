// The code editor as the user drives it: keys, mouse, clipboard, scroll bar and the error bar.
#include "FR_SynMemo.h"

#include "Color.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class EditorsSynMemoControl : public ::testing::Test
{
protected:
    EditorsSynMemoControl()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(memo);
        layout->addWidget(other);
        window.resize(320, 240);
    }

    bool focusMemo()
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        QApplication::setActiveWindow(&window);
        memo->setFocus(Qt::OtherFocusReason);
        return QTest::qWaitFor([this] { return memo->hasFocus(); });
    }

    // The middle of a character cell.
    QPoint cell(int column, int line) const
    {
        const int cw = memo->CharWidth(), lh = memo->LineHeight();
        return { 2 + (column - 1) * cw + cw / 2, 2 + (line - 1) * lh + lh / 2 };
    }

    QWidget window;
    TSyntaxMemo *memo = new TSyntaxMemo;
    QLineEdit *other = new QLineEdit;
};

TEST_F(EditorsSynMemoControl, ShiftWithArrowsAndADragOfTheMouseSelect)
{
    memo->SetLines({ QStringLiteral("abcde"), QStringLiteral("fghij") });
    ASSERT_TRUE(focusMemo());
    QTest::keyClick(memo, Qt::Key_Right);
    QTest::keyClick(memo, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(memo, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(memo->SelText(), QStringLiteral("bcde\r\nfg"));
    QTest::keyClick(memo, Qt::Key_Left);
    EXPECT_TRUE(memo->SelText().isEmpty()) << "a move without Shift drops the selection";

    QTest::mousePress(memo, Qt::LeftButton, {}, cell(4, 2));
    EXPECT_EQ(memo->Model().Cursor(), (TSynPos { 4, 2 }));
    QTest::mouseMove(memo, cell(2, 1));
    QTest::mouseRelease(memo, Qt::LeftButton, {}, cell(2, 1));
    EXPECT_EQ(memo->SelText(), QStringLiteral("bcde\r\nfgh")) << "dragged upwards from the press";
    QTest::mouseMove(memo, cell(5, 2));
    EXPECT_EQ(memo->SelText(), QStringLiteral("bcde\r\nfgh")) << "a move after the release selects nothing";

    // The selection runs on past the end of line 1, so the rest of that line shows in the selection colour.
    const QImage shot = memo->grab().toImage();
    const QPoint pastTheEnd = cell(12, 1);
    EXPECT_EQ(shot.pixelColor(pastTheEnd).rgb(), toQColor(clHighlight).rgb());
    EXPECT_EQ(shot.pixelColor(cell(12, 2)).rgb(), toQColor(clWindow).rgb());
}

TEST_F(EditorsSynMemoControl, TheErrorBarShowsUntilTheCursorMoves)
{
    memo->SetLines({ QStringLiteral("begin"), QStringLiteral("  x :="), QStringLiteral("end") });
    ASSERT_TRUE(focusMemo());
    const auto barPixel = [this] {
        const QImage shot = memo->grab().toImage();
        return shot.pixelColor(4, shot.height() - 4).rgb();
    };
    EXPECT_EQ(barPixel(), toQColor(clWindow).rgb());
    memo->SetErrorText(QStringLiteral("Line 3/1: Need \";\" or \"end\" here"));
    EXPECT_EQ(barPixel(), QColor(Qt::red).rgb());
    QTest::keyClick(memo, Qt::Key_Down);
    EXPECT_TRUE(memo->ErrorText().isEmpty());
    EXPECT_EQ(barPixel(), toQColor(clWindow).rgb());
}

TEST_F(EditorsSynMemoControl, TabAndTypingStayInTheTextAndCtrlZTakesThemBackAtOnce)
{
    memo->SetLines({ QStringLiteral("if x then"), QString() });
    memo->SetCursor(1, 2);
    ASSERT_TRUE(focusMemo());
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_TRUE(memo->hasFocus()) << "Tab indents instead of leaving";
    QTest::keyClicks(memo, QStringLiteral("y := 1"));
    QTest::sendKeyEvent(QTest::Click, memo, Qt::Key_unknown, QStringLiteral("я"), Qt::NoModifier);
    EXPECT_EQ(memo->Lines().at(1), QStringLiteral("   y := 1я"));
    QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(memo->Lines(), (QStringList { QStringLiteral("if x then"), QString() }));
    EXPECT_EQ(memo->Model().Cursor(), (TSynPos { 1, 2 })) << "back to before the Tab";
    EXPECT_EQ(memo->Model().UndoCount(), 0);
}

TEST_F(EditorsSynMemoControl, ClipboardKeysCopyCutAndPasteButNeverCutReadOnlyText)
{
    memo->SetLines({ QStringLiteral("alpha beta") });
    ASSERT_TRUE(focusMemo());
    memo->Model().SetSelection({ 1, 1 }, { 6, 1 });
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("alpha"));

    memo->SetReadOnly(true);
    Clipboard::SetText(QStringLiteral("other"));
    QTest::keyClick(memo, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo->Lines(), QStringList { QStringLiteral("alpha beta") });
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("other"));

    memo->SetReadOnly(false);
    QTest::keyClick(memo, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(memo->Lines(), QStringList { QStringLiteral(" beta") });
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("alpha"));
    QTest::keyClick(memo, Qt::Key_End);
    QTest::keyClick(memo, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(memo->Lines(), QStringList { QStringLiteral(" betaalpha") });
}

TEST_F(EditorsSynMemoControl, TheScrollBarShowsOnlyWhenTheTextIsTallerThanTheMemo)
{
    ASSERT_TRUE(focusMemo());
    QStringList many;
    for (int i = 1; i <= 60; ++i)
        many << QString::number(i);
    memo->SetLines(many);
    QScrollBar *bar = memo->ScrollBar();
    ASSERT_TRUE(bar->isVisible());
    const int visible = memo->Model().VisibleLines();
    ASSERT_GT(visible, 0);
    EXPECT_EQ(bar->pageStep(), visible);
    EXPECT_EQ(bar->maximum(), 60 - visible + 1);
    bar->setValue(20);
    EXPECT_EQ(memo->Model().TopLine(), 20);
    memo->SetCursor(1, 60);
    EXPECT_EQ(bar->value(), 60 - visible) << "the bar follows the view";
    EXPECT_LE(bar->geometry().right(), memo->width() - 3) << "inside the memo's edge";

    memo->SetLines({ QStringLiteral("one") });
    EXPECT_FALSE(bar->isVisible());
}

} // namespace
