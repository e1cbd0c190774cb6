// The platform's masked line edit: the mask on a real widget, typed with the keyboard.
#include "EditControlsSupport.h"
#include "MaskEdit.h"

#include <gtest/gtest.h>

using tarvik::test::EditorWindow;

namespace {

struct MaskFixture
{
    EditorWindow w;
    TCustomMaskEdit *edit = new TCustomMaskEdit(&w.window);

    MaskFixture() { w.window.layout()->addWidget(edit); }
};

} // namespace

TEST(EditControlsMaskEdit, TypingFillsThePositionsAndSkipsLiterals)
{
    MaskFixture f;
    f.edit->SetMaskText(QStringLiteral("!99/99/9999;1; "));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("  /  /    "));
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->setCursorPosition(0);
    QTest::keyClicks(f.edit, QStringLiteral("3112"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("31/12/    "));
    EXPECT_EQ(f.edit->cursorPosition(), 6) << "the caret steps over the separator";
    QTest::keyClicks(f.edit, QStringLiteral("x2025"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("31/12/2025")) << "a letter is refused in a digit position";
    EXPECT_EQ(f.edit->Text(), QStringLiteral("31/12/2025"));
    EXPECT_TRUE(f.edit->Modified());
}

TEST(EditControlsMaskEdit, LetterPositionsTakeAnyAlphabet)
{
    MaskFixture f;
    f.edit->SetMaskText(QStringLiteral(">LL-00;0;_"));
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->setCursorPosition(0);
    tarvik::test::typeText(f.edit, QStringLiteral("1жф7"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("ЖФ-7_"));
    EXPECT_EQ(f.edit->Text(), QStringLiteral("ЖФ7")) << "literals are not kept with ;0";
}

TEST(EditControlsMaskEdit, SetTextPlacesCharactersByPosition)
{
    MaskFixture f;
    f.edit->SetMaskText(QStringLiteral("999-00;1;_"));
    f.edit->SetEditText(QStringLiteral("1_3-_4"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("1_3-_4")) << "blanks inside the text stay where they are";
    f.edit->SetMaskedText(QStringLiteral("12 -3"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("12_-3_"));
    f.edit->SetMaskText(QStringLiteral("999-00;0;_"));
    f.edit->SetMaskedText(QStringLiteral("12345"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("123-45"));
}

TEST(EditControlsMaskEdit, ValidationNamesTheFirstEmptyRequiredPosition)
{
    MaskFixture f;
    f.edit->SetMaskText(QStringLiteral("00-00;1;_"));
    f.edit->ValidateEdit(); // unchanged text is not checked
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->setCursorPosition(0);
    QTest::keyClicks(f.edit, QStringLiteral("123"));
    EXPECT_THROW(f.edit->ValidateEdit(), EMaskError);
    EXPECT_EQ(f.edit->cursorPosition(), 4);
    QTest::keyClicks(f.edit, QStringLiteral("4"));
    EXPECT_NO_THROW(f.edit->ValidateEdit());
}

TEST(EditControlsMaskEdit, AMaskThatCannotBeCarriedRaisesAndTheOldOneStays)
{
    MaskFixture f;
    f.edit->SetMaskText(QStringLiteral("00;1;_"));
    EXPECT_THROW(f.edit->SetMaskText(QStringLiteral("00;1;5")), EMaskError);
    EXPECT_EQ(f.edit->EditMaskText(), QStringLiteral("00;1;_"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("__"));
    f.edit->SetMaskText(QString());
    EXPECT_FALSE(f.edit->IsMasked());
    f.edit->SetMaxLength(3);
    f.edit->SetEditText(QStringLiteral("abcdef"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("abc"));
}
