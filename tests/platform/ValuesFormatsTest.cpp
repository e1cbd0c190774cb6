// Formatting and parsing by the platform's rules, with the process-wide settings of the settings table.
#include "Exceptions.h"
#include "FormatSettings.h"
#include "Formats.h"
#include "ServiceFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <climits>

namespace {

struct FloatCase
{
    const char *format;
    double value;
    const char *expected;
};

void PrintTo(const FloatCase &c, std::ostream *os)
{
    *os << '"' << c.format << "\" " << c.value;
}

class ValuesFormatFloat : public ::testing::TestWithParam<FloatCase>
{
};

TEST_P(ValuesFormatFloat, MatchesThePlatform)
{
    const FloatCase &c = GetParam();
    EXPECT_EQ(FormatFloat(QString::fromUtf8(c.format), c.value), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Values, ValuesFormatFloat,
    ::testing::Values(
        // The grid's display format: no blanks before the first digit.
        FloatCase { "### ### ### ##0.##", 1234567.5, "1 234 567.5" }, FloatCase { "### ### ### ##0.##", 0, "0" },
        FloatCase { "### ### ### ##0.##", -1500.25, "-1 500.25" }, FloatCase { "### ### ### ##0.##", 12.345, "12.35" },
        FloatCase { "# ##0", 1234567, "1234 567" }, FloatCase { "#,##0.00", 1234567.891, "1 234 567.89" },
        FloatCase { "#,##0.00", -0.5, "-0.50" }, FloatCase { "##0.", 12.6, "13" }, FloatCase { "##0.##", 2.5, "2.5" },
        // Halves round away from zero on the decimal digits, not on the binary value.
        FloatCase { "0.00", 2.675, "2.68" }, FloatCase { "0.00", 0.125, "0.13" }, FloatCase { "0", 2.5, "3" },
        FloatCase { "0", -2.5, "-3" }, FloatCase { "0", -0.4, "0" }, FloatCase { "00000", 42, "00042" },
        FloatCase { "#", 0, "" }, FloatCase { "#.##", 0.5, ".5" }, FloatCase { "#.##", -0.5, "-.5" },
        FloatCase { "0.00;(0.00);'ноль'", -5, "(5.00)" }, FloatCase { "0.00;(0.00);'ноль'", 0.001, "ноль" },
        FloatCase { "0.00;;'ноль'", -5, "-5.00" }, FloatCase { "\"Итого: \"0", -5, "Итого: -5" },
        FloatCase { "0 руб", 7, "7 руб" },
        // The first "." is the decimal point wherever it stands.
        FloatCase { "0 руб.", 7, "7 руб" }, FloatCase { "0.00E+00", 1234.5, "1.23E+03" },
        FloatCase { "0.###E-0", 0.00012, "1.2E-4" }, FloatCase { "0.0E+0", 0, "0.0E+0" },
        FloatCase { "0.00", 1e20, "1E20" }, FloatCase { "", 1.5, "1.5" }));

TEST(ValuesFormatFloatSeparators, FollowTheProcessSettings)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    FormatSettings().ThousandSeparator = QLatin1Char('.');
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5), QStringLiteral("1.234,50"));
    EXPECT_EQ(FloatToStr(0.25), QStringLiteral("0,25"));
}

TEST(ValuesFloatToStr, FifteenSignificantDigitsInTheShorterForm)
{
    const std::pair<double, const char *> cases[] = {
        { 0.1, "0.1" },
        { 1.0 / 3, "0.333333333333333" },
        { 123456789012345.0, "123456789012345" },
        { 1e15, "1E15" },
        { 1e20, "1E20" },
        { 0.0001, "0.0001" },
        { 0.00001, "1E-5" },
        { -1.5e-7, "-1.5E-7" },
        { 0.1 + 0.2, "0.3" },
        { 0, "0" },
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(FloatToStr(value), QString::fromLatin1(expected)) << value;
}

TEST(ValuesFloatToStrF, EachFormatKind)
{
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), QStringLiteral("1234.57"));
    EXPECT_EQ(FloatToStrF(1234.5, ffFixed, 15, 2), QStringLiteral("1234.50"));
    EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), QStringLiteral("0.00"));
    EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 2), QStringLiteral("1 234.57"));
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), QStringLiteral("1.235E+03"));
    EXPECT_EQ(FloatToStrF(12.345678, ffGeneral, 4, 2), QStringLiteral("12.35"));
    EXPECT_EQ(FloatToStrF(123456, ffGeneral, 4, 2), QStringLiteral("1.235E05"));
    // More integer digits than the precision: the general form.
    EXPECT_EQ(FloatToStrF(123456, ffFixed, 4, 2), QStringLiteral("1.235E5"));
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), QStringLiteral("1 234.50 р."));
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), QStringLiteral("-1 234.50 р."));
}

TEST(ValuesCurrency, HeldAtFourDecimalsHalvesToEven)
{
    EXPECT_EQ(CurrToStrF(1234.5, ffCurrency, 2), QStringLiteral("1 234.50 р."));
    EXPECT_EQ(CurrToStrF(0.00005, ffFixed, 4), QStringLiteral("0.0000"));
    EXPECT_EQ(CurrToStrF(1.23456, ffFixed, 4), QStringLiteral("1.2346"));
    EXPECT_EQ(FormatCurr(QStringLiteral("#,##0.00"), 98765.432), QStringLiteral("98 765.43"));
    FormatSettingsScope scope;
    FormatSettings().CurrencyFormat = 0;
    FormatSettings().NegCurrFormat = 0;
    FormatSettings().CurrencyString = QStringLiteral("$");
    EXPECT_EQ(CurrToStrF(5, ffCurrency, 2), QStringLiteral("$5.00"));
    EXPECT_EQ(CurrToStrF(-5, ffCurrency, 2), QStringLiteral("($5.00)"));
}

TEST(ValuesDayCount, CountsFromTheLastDaysOf1899)
{
    EXPECT_EQ(DateToDayCount(QDate(1899, 12, 30)), 0);
    EXPECT_EQ(DateToDayCount(QDate(2020, 3, 5)), 43895);
    EXPECT_EQ(DayCountToDate(43895.99), QDate(2020, 3, 5));
    EXPECT_EQ(DateTimeToDayCount(QDateTime(QDate(2020, 3, 5), QTime(18, 0))), 43895.75);
    // Before day zero the fraction still runs forward through the day.
    EXPECT_EQ(DayCountToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(DateTimeToDayCount(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(EncodeDate(2020, 2, 29), 43890);
    EXPECT_THROW(EncodeDate(2021, 2, 29), EConvertError);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST(ValuesFormatDateTime, Tokens)
{
    FormatSettingsScope scope;
    const TDateTime t = DateTimeToDayCount(QDateTime(QDate(2020, 3, 5), QTime(14, 7, 9, 45)));
    const std::pair<const char *, const char *> cases[] = {
        { "dd.mm.yyyy", "05.03.2020" },
        { "dd.MM.yyyy", "05.03.2020" },
        { "d/m/yy", "5/3/20" },
        { "hh:nn:ss.zzz", "14:07:09.045" },
        { "hh:mm", "14:07" },
        { "h:m", "14:7" },
        { "dddd, d mmmm yyyy 'г.'", "четверг, 5 Март 2020 г." },
        { "ddd mmm", "Чт мар" },
        { "ddddd", "05.03.2020" },
        { "c", "05.03.2020 14:07:09" },
        { "t", "14:07" },
        { "h:nn am/pm", "2:07 pm" },
        { "h:nn A/P", "2:07 P" },
        { "\"в\" hh \"ч.\"", "в 14 ч." },
        { "", "05.03.2020 14:07:09" },
    };
    for (const auto &[format, expected] : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(format), t), QString::fromUtf8(expected)) << format;

    FormatSettings().DateSeparator = QLatin1Char('-');
    FormatSettings().TimeSeparator = QLatin1Char('.');
    EXPECT_EQ(FormatDateTime(QStringLiteral("d/m/yyyy h:nn"), t), QStringLiteral("5-3-2020 14.07"));
}

TEST(ValuesFormatDateTime, DateTimeToStrLeavesOutMidnight)
{
    EXPECT_EQ(DateTimeToStr(43895), QStringLiteral("05.03.2020"));
    EXPECT_EQ(DateTimeToStr(43895.5), QStringLiteral("05.03.2020 12:00:00"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("hh AM/PM"), 43895.375), QStringLiteral("09 AM"));
    EXPECT_EQ(DateToStr(0), QStringLiteral("30.12.1899"));
}

TEST(ValuesStrToDate, ReadsTheShortDateOrder)
{
    FakeClock clock(QDateTime(QDate(2020, 6, 1), QTime(10, 0)));
    FormatSettingsScope scope;
    const std::pair<const char *, QDate> good[] = {
        // The format's own separator reads even though the date separator is "/".
        { "31.12.2019", QDate(2019, 12, 31) },
        { "31/12/2019", QDate(2019, 12, 31) },
        { " 1.2.2003 ", QDate(2003, 2, 1) },
        { "31.12", QDate(2020, 12, 31) },
        { "1.2.20", QDate(2020, 2, 1) },
        { "1.2.75", QDate(1975, 2, 1) },
        { "1.2.69", QDate(2069, 2, 1) },
    };
    for (const auto &[text, date] : good)
        EXPECT_EQ(DayCountToDate(StrToDate(QString::fromUtf8(text))), date) << text;

    for (const char *bad : { "31.02.2020", "abc", "", "12", "1.2.3.4", "1.13.2020", "5.5.2020x" }) {
        TDateTime v = 0;
        EXPECT_FALSE(TryStrToDate(QString::fromUtf8(bad), v)) << bad;
    }
    try {
        StrToDate(QStringLiteral("abc"));
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'abc' is not a valid date"));
    }

    FormatSettings().ShortDateFormat = QStringLiteral("MM/dd/yyyy");
    EXPECT_EQ(DayCountToDate(StrToDate(QStringLiteral("12/31/2019"))), QDate(2019, 12, 31));
    FormatSettings().ShortDateFormat = QStringLiteral("yyyy-MM-dd");
    EXPECT_EQ(DayCountToDate(StrToDate(QStringLiteral("2019-12-31"))), QDate(2019, 12, 31));
}

TEST(ValuesStrToTime, HoursMinutesSecondsAndHalfDays)
{
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("12:00")), 0.5);
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("18:00:00")), 0.75);
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("6:00 PM")), 0.75);
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("12:00 am")), 0.0);
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("0:00:00.5")), 500.0 / 86400000);
    for (const char *bad : { "25:00", "12:60", "14", "13:00 PM", "x" }) {
        TDateTime v = 0;
        EXPECT_FALSE(TryStrToTime(QString::fromLatin1(bad), v)) << bad;
    }
    EXPECT_THROW(StrToTime(QStringLiteral("x")), EConvertError);
}

TEST(ValuesStrToDateTime, DateTimeOrTimeAlone)
{
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("05.03.2020 18:00")), 43895.75);
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("05.03.2020")), 43895);
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("18:00")), 0.75);
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(43895.5)), 43895.5);
    EXPECT_THROW(StrToDateTime(QStringLiteral("05.03.2020 noon")), EConvertError);
}

TEST(ValuesStrToFloat, ThePlatformSyntaxOnly)
{
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral("1.5")), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral(" -1.5e3 ")), -1500);
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral(".5")), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral("+7.")), 7);
    for (const char *bad : { "", "1,5", "1 250", "abc", "1e", "-", "1e999", "nan", "inf" }) {
        double v = 0;
        EXPECT_FALSE(TryStrToFloat(QString::fromLatin1(bad), v)) << bad;
    }
    try {
        StrToFloat(QStringLiteral("12a"));
        FAIL();
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("'12a' is not a valid floating point value"));
    }
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_DOUBLE_EQ(StrToFloat(QStringLiteral("1,5")), 1.5);
    EXPECT_THROW(StrToFloat(QStringLiteral("1.5")), EConvertError);
    EXPECT_EQ(StrToInt(QStringLiteral(" -42 ")), -42);
    EXPECT_THROW(StrToInt(QStringLiteral("4.2")), EConvertError);
}

TEST(ValuesRounding, HalvesToEvenAndMulDiv)
{
    const std::pair<double, qint64> cases[] = { { 2.5, 2 }, { 3.5, 4 }, { -2.5, -2 }, { -3.5, -4 }, { 0.5, 0 },
        { 1.5, 2 }, { 2.4999, 2 }, { -0.6, -1 }, { 1e15 + 0.5, 1000000000000000 } };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(Round(value), expected) << value;
    EXPECT_THROW(Round(1e300), EConvertError);
    EXPECT_EQ(roundHalfEven(12750.5), 12750);
    // Halves go to even whatever rounding mode another part of the program left, and that mode is left as it was.
    for (const int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        EXPECT_EQ(roundHalfEven(2.5), 2) << mode;
        EXPECT_EQ(roundHalfEven(-3.5), -4) << mode;
        EXPECT_EQ(std::fegetround(), mode);
    }
    std::fesetround(FE_TONEAREST);

    EXPECT_EQ(MulDiv(10, 3, 4), 8);
    EXPECT_EQ(MulDiv(-10, 3, 4), -8);
    EXPECT_EQ(MulDiv(10, 3, -4), -8);
    EXPECT_EQ(MulDiv(5, 1, 3), 2);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
}

TEST(ValuesText, RussianCaseAndCollation)
{
    EXPECT_EQ(TextToUpper(QStringLiteral("ёжик Straße")), QStringLiteral("ЁЖИК STRASSE"));
    EXPECT_EQ(TextToLower(QStringLiteral("ЁЖИК")), QStringLiteral("ёжик"));
    EXPECT_EQ(CompareText(QStringLiteral("Иванов"), QStringLiteral("иВАНОВ")), 0);
    EXPECT_LT(CompareTextCaseSensitive(QStringLiteral("иванов"), QStringLiteral("Иванов")), 0);
    EXPECT_NE(CompareTextCaseSensitive(QStringLiteral("é"), QStringLiteral("e")), 0);
    EXPECT_LT(CompareText(QStringLiteral("ель"), QStringLiteral("ёж")), 0);

    QStringList names { QStringLiteral("ёж"), QStringLiteral("ель"), QStringLiteral("Ежа"), QStringLiteral("жук"),
        QStringLiteral("Ёлка"), QStringLiteral("елка"), QStringLiteral("Zed"), QStringLiteral("apple"),
        QStringLiteral("9"), QStringLiteral("10") };
    std::stable_sort(names.begin(), names.end(), RussianCollator(Qt::CaseInsensitive));
    EXPECT_EQ(names,
        (QStringList { QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("apple"), QStringLiteral("Zed"),
            QStringLiteral("Ежа"), QStringLiteral("елка"), QStringLiteral("ель"), QStringLiteral("ёж"),
            QStringLiteral("Ёлка"), QStringLiteral("жук") }));
}

} // namespace
