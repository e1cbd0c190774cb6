// The number editor: formats, keystroke checks, bounds and rounding, stepping and paste.
#include "CalculatorEh.h"
#include "DBCtrlsEh.h"
#include "EditControlsSupport.h"
#include "FormatSettings.h"

#include <QClipboard>
#include <QLayout>

#include <gtest/gtest.h>

using tarvik::test::EditorTable;
using tarvik::test::EditorWindow;

namespace {

struct NumberFixture
{
    EditorWindow w;
    TDBNumberEditEh *edit = new TDBNumberEditEh(&w.window);

    NumberFixture() { w.window.layout()->addWidget(edit); }

    bool typeAt(int pos, const QString &keys)
    {
        if (!EditorWindow::focus(edit))
            return false;
        edit->deselect();
        edit->setCursorPosition(pos);
        QTest::keyClicks(edit, keys);
        return true;
    }
};

} // namespace

TEST(EditControlsNumber, TheEditFormatIsTheDigitsOfTheFirstSection)
{
    const std::pair<const char *, const char *> cases[] = {
        { "#,##0.00' руб'", "#,##0.00" }, { "#,##0.00;(#,##0.00)", "#,##0.00" }, { "0.00E+00", "0.00" },
        { "0.00E-00", "0.0000" }, { "'a;b'0.0", "0.0" }, { "\"x\"0", "0" }, { "### ### ##0.##", "########0.##" },
    };
    for (const auto &[format, expected] : cases)
        EXPECT_EQ(ExtractNumberEditFormat(QString::fromUtf8(format)), QString::fromUtf8(expected)) << format;
    EXPECT_EQ(InsertThousandSeparators(QStringLiteral("-1234567.5"), true), QStringLiteral("-1 234 567.5"));
    EXPECT_EQ(InsertThousandSeparators(QStringLiteral("1234E1234"), true), QStringLiteral("1 234E1234"));
    EXPECT_EQ(InsertThousandSeparators(QStringLiteral("123"), true), QStringLiteral("123"));
}

TEST(EditControlsNumber, DisplayTextAgainstEditText)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    FormatSettings().ThousandSeparator = QLatin1Char(' ');
    NumberFixture f;
    f.edit->SetDisplayFormat(QStringLiteral("#,##0.00"));
    f.edit->SetValue(1234567.5);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("1 234 567,50"));
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->selectAll();
    QTest::keyClicks(f.edit, QStringLiteral("12345"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("12 345")) << "separators follow the typing";
    QTest::keyClicks(f.edit, QStringLiteral(".5"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("12 345,5")) << "a full stop types the decimal separator";
    EXPECT_DOUBLE_EQ(f.edit->Value().toDouble(), 12345.5);

    NumberFixture currency;
    currency.edit->SetCurrency(true);
    EXPECT_EQ(currency.edit->EditFormat(), QStringLiteral(",#.00"));
    currency.edit->SetValue(1500);
    EXPECT_EQ(currency.edit->EditText(), CurrToStrF(1500, ffCurrency, 2));
}

TEST(EditControlsNumber, TypedCharactersKeepTheTextANumber)
{
    FakeMessageService messages;
    NumberFixture f;
    ASSERT_TRUE(f.typeAt(0, QStringLiteral("1a2.345")));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("12.34")) << "a letter and a third decimal are refused";
    EXPECT_EQ(messages.beeps, 2);
    ASSERT_TRUE(f.typeAt(5, QStringLiteral("E5")));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("12.34E5"));
    ASSERT_TRUE(f.typeAt(5, QStringLiteral("9")));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("12.34E5")) << "the decimals before an exponent count too";

    NumberFixture bounded;
    bounded.edit->SetMinValue(0);
    bounded.edit->SetMaxValue(100);
    ASSERT_TRUE(bounded.typeAt(0, QStringLiteral("-5")));
    EXPECT_EQ(bounded.edit->EditText(), QStringLiteral("-")) << "the minus is taken, the 5 refused";
}

TEST(EditControlsNumber, CheckValueClampsAndRoundsHalvesToEven)
{
    struct Case
    {
        double min, max;
        int places;
        double in, out;
    };
    const Case cases[] = {
        { 0, 100, 2, 150, 100 }, { 0, 100, 2, -3, 0 },  { 10, 0, 2, 5, 10 },   { 10, 0, 2, 500, 500 },
        { 0, 50, 2, 70, 50 },    { 5, 5, 2, 70, 70 },   { 0, 0, 0, 2.5, 2 },   { 0, 0, 0, 3.5, 4 },
        { 0, 0, 2, 1.234, 1.23 }, { 0, 0, 40, 1.23456, 1.23456 }, { 0, 0, 2, 1e300, 1e300 },
    };
    for (const Case &c : cases) {
        TDBNumberEditEh edit;
        edit.SetMinValue(c.min);
        edit.SetMaxValue(c.max);
        edit.SetDecimalPlaces(c.places);
        EXPECT_DOUBLE_EQ(edit.CheckValue(c.in), c.out) << c.min << ".." << c.max << " " << c.in;
    }
}

TEST(EditControlsNumber, SteppingAnEmptyEditorGivesTheIncrement)
{
    for (Qt::Key key : { Qt::Key_Up, Qt::Key_Down }) {
        NumberFixture f;
        ASSERT_TRUE(EditorWindow::focus(f.edit));
        QTest::keyClick(f.edit, key);
        EXPECT_DOUBLE_EQ(f.edit->Value().toDouble(), 1.0);
        EXPECT_EQ(f.edit->EditText(), QStringLiteral("1"));
    }
    NumberFixture f;
    f.edit->SetValue(5);
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    QTest::keyClick(f.edit, Qt::Key_Down);
    EXPECT_DOUBLE_EQ(f.edit->Value().toDouble(), 4.0);
}

TEST(EditControlsNumber, BackspaceAfterASeparatorOnlyMovesOverIt)
{
    NumberFixture f;
    f.edit->SetDisplayFormat(QStringLiteral("#,##0"));
    ASSERT_TRUE(f.typeAt(0, QStringLiteral("1234")));
    ASSERT_EQ(f.edit->EditText(), QStringLiteral("1 234"));
    f.edit->setCursorPosition(2);
    QTest::keyClick(f.edit, Qt::Key_Backspace);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("1 234"));
    EXPECT_EQ(f.edit->cursorPosition(), 1);
}

TEST(EditControlsNumber, APasteThatIsNoNumberIsUndone)
{
    NumberFixture f;
    ASSERT_TRUE(f.typeAt(0, QStringLiteral("42")));
    QApplication::clipboard()->setText(QStringLiteral("abc"));
    QTest::keyClick(f.edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("42"));
    EXPECT_DOUBLE_EQ(f.edit->Value().toDouble(), 42.0);
}

TEST(EditControlsNumber, ABoundEditorWritesTheClampedValue)
{
    EditorTable data;
    NumberFixture f;
    f.edit->SetDataSource(&data.source);
    f.edit->SetDataField(QStringLiteral("AMOUNT"));
    f.edit->SetMinValue(0);
    f.edit->SetMaxValue(100);
    ASSERT_TRUE(f.typeAt(0, QStringLiteral("150")));
    ASSERT_TRUE(f.w.leave());
    EXPECT_DOUBLE_EQ(data.field("AMOUNT")->AsFloat(), 100.0);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("100"));
}

TEST(EditControlsNumber, TheCalculatorStartsFromTheValueAndPutsItsResult)
{
    NumberFixture f;
    f.edit->SetValue(12);
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.edit->CalcDropped()) << "the shortcut opens it though the button is hidden";
    EXPECT_DOUBLE_EQ(f.edit->Calculator()->GetValue().toDouble(), 12.0);
    QTest::keyClicks(f.edit, QStringLiteral("*2="));
    QTest::keyClick(f.edit, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.edit->CalcDropped(); }));
    EXPECT_DOUBLE_EQ(f.edit->Value().toDouble(), 24.0);

    QTest::keyClick(f.edit, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.edit->CalcDropped());
    QTest::keyClicks(f.edit, QStringLiteral("+1="));
    QTest::keyClick(f.edit, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.edit->CalcDropped(); }));
    EXPECT_DOUBLE_EQ(f.edit->Value().toDouble(), 24.0) << "Esc drops the result";
}

TEST(EditControlsNumber, ANumberIsEditedWhereItShows)
{
    NumberFixture f;
    EXPECT_TRUE(f.edit->alignment() & Qt::AlignRight);
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    EXPECT_TRUE(f.edit->alignment() & Qt::AlignRight);
}
