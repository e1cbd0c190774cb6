// Edit masks in the platform's syntax: reading, formatting a value, the text of an edit text and the Qt mask.
#include "EditMask.h"
#include "FormatSettings.h"
#include "Formats.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase
{
    const char *mask;
    const char *value;
    const char *expected;
};

void PrintTo(const FormatCase &c, std::ostream *os)
{
    *os << '"' << c.mask << "\" \"" << c.value << '"';
}

class ValuesFormatMaskText : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(ValuesFormatMaskText, PlacesTheValueInTheMask)
{
    const FormatCase &c = GetParam();
    EXPECT_EQ(FormatMaskText(QString::fromUtf8(c.mask), QString::fromUtf8(c.value)), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Values, ValuesFormatMaskText,
    ::testing::Values(
        // Literals not kept: the value's characters fill the input positions in order.
        FormatCase { "000-00;0; ", "12345", "123-45" }, FormatCase { "000-00;0; ", "12", "12 -  " },
        FormatCase { "000-00;0;*", "12", "12*-**" }, FormatCase { "(999) 000-00-00;0; ", "4951234567", "(495) 123-45-67" },
        // Characters beyond the mask are kept, not lost.
        FormatCase { "00-00;0; ", "123456", "12-3456" },
        // "!" aligns a short value right; what does not fit stays in front.
        FormatCase { "!000-00;0; ", "123", "  1-23" }, FormatCase { "!00-00;0; ", "123456", "1234-56" },
        // Literals kept: the value already holds them; a space becomes the blank.
        FormatCase { "00-00;1;_", "12-3", "12-3_" }, FormatCase { "00-00;1;_", "1 -34", "1_-34" },
        FormatCase { "00-00", "12-34", "12-34" },
        // Escapes, the date separator, a blank literal, case conversion.
        FormatCase { "\\0\\9-00;0; ", "12", "09-12" }, FormatCase { "00/00;0; ", "3112", "31/12" },
        FormatCase { "00_00;0; ", "1234", "12 34" }, FormatCase { ">LL<ll;0; ", "abCD", "ABcd" },
        FormatCase { ">L<>l;0; ", "ab", "Ab" }, FormatCase { ">LLL;0; ", "где", "ГДЕ" },
        FormatCase { "", "abc", "abc" }, FormatCase { "000;0; ", "", "   " }));

TEST(ValuesEditMask, SeparatorsComeFromTheSettingsInForceWhenRead)
{
    FormatSettingsScope scope;
    FormatSettings().DateSeparator = QLatin1Char('.');
    FormatSettings().TimeSeparator = QLatin1Char('-');
    const EditMask mask(QStringLiteral("!99/99/9999 99:99;1; "));
    EXPECT_EQ(mask.emptyEditText(), QStringLiteral("  .  .    ") + QStringLiteral("   -  "));
    EXPECT_TRUE(mask.alignRight());
    EXPECT_TRUE(mask.saveLiterals());
    EXPECT_EQ(mask.blank(), QLatin1Char(' '));
}

TEST(ValuesEditMask, DefaultsAreSavedLiteralsAndUnderscoreBlank)
{
    const EditMask mask(QStringLiteral("00-00"));
    EXPECT_TRUE(mask.saveLiterals());
    EXPECT_EQ(mask.blank(), QLatin1Char('_'));
    EXPECT_EQ(mask.emptyEditText(), QStringLiteral("__-__"));
    EXPECT_TRUE(EditMask().isEmpty());
    EXPECT_TRUE(EditMask(QStringLiteral(";0;_")).isEmpty());
}

TEST(ValuesEditMask, AnEscapedSemicolonStaysInTheMask)
{
    const EditMask mask(QStringLiteral("0\\;0;0; "));
    EXPECT_FALSE(mask.saveLiterals());
    EXPECT_EQ(mask.formatText(QStringLiteral("12")), QStringLiteral("1;2"));
}

TEST(ValuesEditMask, TextOfAnEditTextDropsTheBlanks)
{
    struct Case
    {
        const char *mask;
        const char *editText;
        const char *text;
    };
    const Case cases[] = {
        { "00-00;1;_", "12-3_", "12-3" },
        { "00-00;0;_", "12-3_", "123" },
        { "00-00;0;_", "1_-3_", "13" },
        { "!00-00;0;_", "__-12", "12" },
        { "CCC;0;_", "a b", "a b" },
        { "!99/99/9999;1; ", "31/12/    ", "31/12/" },
        { "", "  x ", "  x " },
    };
    for (const Case &c : cases) {
        const EditMask mask(QString::fromUtf8(c.mask));
        EXPECT_EQ(mask.editTextToText(QString::fromUtf8(c.editText)), QString::fromUtf8(c.text))
            << c.mask << " " << c.editText;
    }
}

TEST(ValuesEditMask, FirstMissingIsTheFirstBlankRequiredPosition)
{
    const EditMask mask(QStringLiteral("00-99-00;1;_"));
    EXPECT_EQ(mask.firstMissing(QStringLiteral("12-__-34")), -1);
    EXPECT_EQ(mask.firstMissing(QStringLiteral("1_-__-34")), 1);
    EXPECT_EQ(mask.firstMissing(QStringLiteral("12-__-3_")), 7);
    EXPECT_EQ(mask.firstMissing(QStringLiteral("12")), 6);
    EXPECT_EQ(EditMask(QStringLiteral("99/99;1; ")).firstMissing(QStringLiteral("  /  ")), -1);
}

TEST(ValuesEditMask, PositionsAcceptTheirClass)
{
    const EditMask mask(QStringLiteral("0#LAC-"));
    EXPECT_TRUE(mask.accepts(0, QLatin1Char('5')));
    EXPECT_FALSE(mask.accepts(0, QLatin1Char('a')));
    EXPECT_TRUE(mask.accepts(1, QLatin1Char('-')));
    EXPECT_FALSE(mask.accepts(1, QLatin1Char('x')));
    EXPECT_TRUE(mask.accepts(2, QChar(0x0416))); // a Cyrillic letter
    EXPECT_FALSE(mask.accepts(2, QLatin1Char('1')));
    EXPECT_TRUE(mask.accepts(3, QLatin1Char('1')));
    EXPECT_FALSE(mask.accepts(3, QLatin1Char('%')));
    EXPECT_TRUE(mask.accepts(4, QLatin1Char('%')));
    EXPECT_FALSE(mask.accepts(5, QLatin1Char('-')));
    EXPECT_FALSE(mask.accepts(6, QLatin1Char('1')));
}

TEST(ValuesEditMask, TranslatesToTheQtInputMask)
{
    struct Case
    {
        const char *mask;
        const char *qt;
    };
    const Case cases[] = {
        // Required and optional digits swap their letters; the blank follows the ";".
        { "!99/99/9999;1; ", "00/00/0000; " },
        { "000-99;0;_", "999-00;_" },
        // Literals that are Qt mask letters or reserved are escaped.
        { "\\A\\9 0[0]{x}", "\\A\\9 9\\[9\\]\\{\\x\\}" },
        { ">LL<l<>c#", ">XX<x!x#;_" },
    };
    for (const Case &c : cases) {
        QString expected = QString::fromUtf8(c.qt);
        if (!expected.contains(QLatin1Char(';')))
            expected += QStringLiteral(";_");
        EXPECT_EQ(EditMask(QString::fromUtf8(c.mask)).qtInputMask(), expected) << c.mask;
    }
    EXPECT_EQ(EditMask().qtInputMask(), QString());
}

TEST(ValuesEditMask, AMaskThatCannotBeEditedRaises)
{
    // A blank that could be typed would swallow what was typed; Qt masks cannot hold a ";" literal.
    for (const char *text : { "000;1;0", "LLL;1;x", "###;1;-", "0\\;0" })
        EXPECT_THROW(EditMask(QString::fromUtf8(text)).qtInputMask(), EMaskError) << text;
    // Formatting a value with such a mask still works.
    EXPECT_EQ(FormatMaskText(QStringLiteral("0\\;0;0; "), QStringLiteral("12")), QStringLiteral("1;2"));
}

} // namespace
