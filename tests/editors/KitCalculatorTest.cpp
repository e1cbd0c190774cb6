#include "CalculatorEh.h"

#include "FormatSettings.h"
#include "WidgetKit.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

// Feeds the keys of a text one by one; "\r" is Enter, "\b" Backspace, "\x1b" Escape.
QString Feed(TCalculatorEh &calc, const QString &keys)
{
    for (QChar k : keys)
        calc.CalcKey(k);
    return calc.DisplayText();
}

class Owner : public QWidget, public IPopupOwnerEh
{
public:
    void CloseUp(bool Accept) override { closes.push_back(Accept); }
    std::vector<bool> closes;
};

} // namespace

TEST(KitCalculator, KeyTable)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char('.');
    struct Case
    {
        const char *keys;
        const char *display;
    } cases[] = {
        {"2+3=", "5"},
        {"2+3==", "5"},
        {"200+10%", "220"},
        {"50*10%", "5"},
        {"7-10=", "-3"},
        {"9/4=", "2.25"},
        {"1/0=", "Error"},
        {"1/0=55", "Error"},
        {"1/0=5C7", "7"},
        {"1/0=\x1b", "Error"},
        {"5I\b", "0"},
        {"12\b", "1"},
        {"1234567890123456", "123456789012345"},
        {"5I12345678901234567", "-512345678901234"},
        {"1.5.2", "1.52"},
        {"1,5", "1.5"},
        {"4S", "2"},
        {"4IS", "Error"},
        {"4R", "0.25"},
        {"0R", "Error"},
        {"3+4*", "7"},
        {"3x", "3"},
        {"0007", "7"},
        {"12+3\x1b", "0"},
    };
    for (const Case &c : cases) {
        TCalculatorEh calc;
        EXPECT_EQ(Feed(calc, QString::fromLatin1(c.keys)), QString::fromLatin1(c.display)) << c.keys;
    }
}

TEST(KitCalculator, EqualCaptionAndButtons)
{
    TCalculatorEh calc;
    ASSERT_EQ(calc.Buttons().size(), 22u);
    EXPECT_EQ(calc.EqualButton()->Caption(), QStringLiteral("Ok"));
    Feed(calc, QStringLiteral("2+3"));
    EXPECT_EQ(calc.EqualButton()->Caption(), QStringLiteral("="));
    Feed(calc, QStringLiteral("="));
    EXPECT_EQ(calc.EqualButton()->Caption(), QStringLiteral("Ok"));

    calc.Clear();
    for (const char *name : {"SpeedButton7", "SpeedButton13", "SpeedButton5", "spEqual"})
        QTest::mouseClick(calc.Button(QString::fromLatin1(name)), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("4"));

    QTest::keyClick(&calc, Qt::Key_9);
    QTest::keyClick(&calc, Qt::Key_Backspace);
    QTest::keyClick(&calc, Qt::Key_8);
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("8"));
    QTest::keyClick(&calc, Qt::Key_Escape);
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("0"));
}

TEST(KitCalculator, ClipboardAndWheel)
{
    TCalculatorEh calc;
    Feed(calc, QStringLiteral("42"));
    QTest::keyClick(&calc, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("42"));

    Clipboard::SetText(QStringLiteral(" 17.5 "));
    QTest::keyClick(&calc, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("17.5"));

    Clipboard::SetText(QStringLiteral("seventeen"));
    QTest::keyClick(&calc, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("Error")) << "a pasted non-number shows the error state";
    Feed(calc, QStringLiteral("C"));

    Feed(calc, QStringLiteral("5"));
    QWheelEvent up(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(&calc, &up);
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("6"));
}

TEST(KitCalculator, DropDownClosesOnlyWhenTheResultIsReady)
{
    Owner owner;
    TPopupCalculatorEh calc(&owner);
    EXPECT_TRUE(calc.isWindow());
    EXPECT_EQ(calc.focusPolicy(), Qt::NoFocus);
    calc.SetValue(Variant(2.0));
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("2"));

    QTest::keyClick(&calc, Qt::Key_Plus);
    QTest::keyClick(&calc, Qt::Key_3);
    EXPECT_FALSE(calc.ResultReady());
    QTest::keyClick(&calc, Qt::Key_Return);
    EXPECT_TRUE(owner.closes.empty()) << "Enter with a pending + computes the sum";
    EXPECT_EQ(calc.DisplayText(), QStringLiteral("5"));
    QTest::keyClick(&calc, Qt::Key_Return);
    EXPECT_EQ(owner.closes, std::vector<bool>{true});
    EXPECT_EQ(calc.GetValue().toDouble(), 5.0);

    QTest::keyClick(&calc, Qt::Key_Escape);
    EXPECT_EQ(owner.closes, (std::vector<bool>{true, false}));

    Feed(calc, QStringLiteral("1/0="));
    EXPECT_TRUE(calc.GetValue().isError());

    calc.SetFlat(false);
    EXPECT_FALSE(calc.Buttons().front()->Flat());
    calc.SetFlat(true);
    EXPECT_TRUE(calc.Buttons().front()->Flat());
}
