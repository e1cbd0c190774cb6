// The shared helper routines: money rounding, amounts in words, SQL date literals, period captions and
// lenient number parsing.
#include "Exceptions.h"
#include "FormatSettings.h"
#include "ServiceFakes.h"
#include "uCommon.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

struct RoundCase
{
    int precision;
    double x;
    double expected;
};

void PrintTo(const RoundCase &c, std::ostream *os)
{
    *os << "RoundMoney(" << c.precision << ", " << c.x << ")";
}

class ServicesRoundMoney : public ::testing::TestWithParam<RoundCase>
{
};

TEST_P(ServicesRoundMoney, RoundsByPrecision)
{
    const RoundCase c = GetParam();
    EXPECT_DOUBLE_EQ(RoundMoney(c.precision, c.x), c.expected) << "p=" << c.precision << " x=" << c.x;
}

INSTANTIATE_TEST_SUITE_P(
    Services, ServicesRoundMoney,
    ::testing::Values(
        // Decimals: half away from zero, by the sum's binary value (2.675 and 1.005 lie just below the half).
        RoundCase{2, 0, 0}, RoundCase{2, 12.344, 12.34}, RoundCase{2, 12.346, 12.35}, RoundCase{2, 2.675, 2.67},
        RoundCase{2, 1.005, 1.0}, RoundCase{2, 0.125, 0.13}, RoundCase{2, -0.125, -0.13}, RoundCase{4, 1.23456, 1.2346},
        RoundCase{0, 2.5, 3}, RoundCase{0, -2.5, -3}, RoundCase{0, 2.49, 2}, RoundCase{0, -0.4, 0},
        // Tens and other powers.
        RoundCase{-1, 1234, 1230}, RoundCase{-1, 1235, 1240}, RoundCase{-1, -1235, -1240},
        RoundCase{-4, 15000, 20000}, RoundCase{-4, 14999, 10000},
        // Fifties.
        RoundCase{-2, 12720, 12700}, RoundCase{-2, 12724.99, 12700}, RoundCase{-2, 12725, 12750},
        RoundCase{-2, 12774.99, 12750}, RoundCase{-2, 12775, 12800}, RoundCase{-2, 99, 100}, RoundCase{-2, 24, 0},
        // Five hundreds.
        RoundCase{-3, 12249, 12000}, RoundCase{-3, 12250, 12500}, RoundCase{-3, 12749, 12500},
        RoundCase{-3, 12750, 13000},
        // A negative sum has a negative remainder and is cut towards zero to its hundred or thousand.
        RoundCase{-2, -130, -100}, RoundCase{-2, -180, -100}, RoundCase{-3, -12900, -12000}));

struct WordsCase
{
    const char *digits;
    int gender;
    const char *expected;
};

void PrintTo(const WordsCase &c, std::ostream *os)
{
    *os << "\"" << c.digits << "\" gender " << c.gender;
}

class ServicesAmountToWords : public ::testing::TestWithParam<WordsCase>
{
};

TEST_P(ServicesAmountToWords, SpellsTheAmountWithTheRightForms)
{
    const WordsCase c = GetParam();
    const bool kopecks = c.gender == 3;
    const bool neuter = c.gender == 2;
    const QString text = kopecks  ? AmountToWords(QString::fromUtf8(c.digits), 3, QStringLiteral("копейка"),
                                                  QStringLiteral("копейки"), QStringLiteral("копеек"))
                         : neuter ? AmountToWords(QString::fromUtf8(c.digits), 2, QStringLiteral("место"),
                                                  QStringLiteral("места"), QStringLiteral("мест"))
                                  : AmountToWords(QString::fromUtf8(c.digits), 1, QStringLiteral("рубль"),
                                                  QStringLiteral("рубля"), QStringLiteral("рублей"));
    EXPECT_EQ(text, QString::fromUtf8(c.expected)) << c.digits;
}

INSTANTIATE_TEST_SUITE_P(
    Services, ServicesAmountToWords,
    ::testing::Values(
        WordsCase{"1", 1, "Один рубль"}, WordsCase{"2", 1, "Два рубля"}, WordsCase{"4", 1, "Четыре рубля"},
        WordsCase{"5", 1, "Пять рублей"}, WordsCase{"11", 1, "Одиннадцать рублей"},
        WordsCase{"12", 1, "Двенадцать рублей"}, WordsCase{"21", 1, "Двадцать один рубль"},
        WordsCase{"112", 1, "Сто двенадцать рублей"}, WordsCase{"1000", 1, "Одна тысяча рублей"},
        WordsCase{"1001", 1, "Одна тысяча один рубль"}, WordsCase{"3254", 1, "Три тысячи двести пятьдесят четыре рубля"},
        WordsCase{"11000", 1, "Одиннадцать тысяч рублей"}, WordsCase{"22000", 1, "Двадцать две тысячи рублей"},
        WordsCase{"1000000", 1, "Один миллион рублей"}, WordsCase{"2000000", 1, "Два миллиона рублей"},
        WordsCase{"5000011", 1, "Пять миллионов одиннадцать рублей"},
        WordsCase{"1234567891", 1,
                  "Один миллиард двести тридцать четыре миллиона пятьсот шестьдесят семь тысяч восемьсот девяносто "
                  "один рубль"},
        WordsCase{"2000000000000", 1, "Два триллиона рублей"}, WordsCase{"0001", 1, "Один рубль"},
        WordsCase{"0", 1, ""}, WordsCase{"000", 1, ""},
        WordsCase{"1", 3, "Одна копейка"}, WordsCase{"2", 3, "Две копейки"}, WordsCase{"05", 3, "Пять копеек"},
        WordsCase{"12", 3, "Двенадцать копеек"}, WordsCase{"21", 3, "Двадцать одна копейка"},
        WordsCase{"1", 2, "Одно место"}, WordsCase{"2", 2, "Два места"}));

TEST(ServicesAmountToWordsInput, RefusesWhatIsNotAWholeNumberOfUpToFifteenDigits)
{
    for (const QString &digits : {QString(), QStringLiteral("12.5"), QStringLiteral("-5"), QStringLiteral("1 000"),
                                  QStringLiteral("1000000000000000")})
        EXPECT_THROW(AmountToWords(digits, 1, QStringLiteral("рубль"), QStringLiteral("рубля"), QStringLiteral("рублей")),
                     EConvertError)
            << digits.toStdString();
    EXPECT_EQ(AmountToWords(TConvertData{QStringLiteral("999999999999999"), 1, QStringLiteral("рубль"),
                                         QStringLiteral("рубля"), QStringLiteral("рублей")})
                  .left(10),
              QStringLiteral("Девятьсот "));
}

TEST(ServicesDates, MonthBoundariesAndCaptions)
{
    EXPECT_EQ(StartOfMonth(QDate(2020, 2, 17)), QDate(2020, 2, 1));
    EXPECT_EQ(EndOfMonth(QDate(2020, 2, 17)), QDate(2020, 2, 29));
    EXPECT_EQ(EndOfMonth(QDate(2021, 2, 1)), QDate(2021, 2, 28));
    EXPECT_EQ(EndOfMonth(QDate(2021, 12, 5)), QDate(2021, 12, 31));
    EXPECT_EQ(MonthYearCaption(QDate(2020, 1, 15)), QStringLiteral("Январь 2020 г."));
    EXPECT_EQ(MonthYearCaption(QDate(1999, 12, 31)), QStringLiteral("Декабрь 1999 г."));
}

TEST(ServicesDates, SqlLiteralOfGivenAndMissingDates)
{
    const QString march5 = QStringLiteral("TO_DATE('05/03/2020','DD/MM/YYYY')");
    EXPECT_EQ(DateToSqlLiteral(QDate(2020, 3, 5)), march5);
    EXPECT_EQ(DateToSqlLiteral(QDateTime(QDate(2020, 3, 5), QTime(13, 45))), march5);
    EXPECT_EQ(DateToSqlLiteral(43895.75), march5); // the platform's day number
    {
        FormatSettingsScope scope;
        FormatSettings().DateSeparator = QLatin1Char('.');
        FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yyyy");
        EXPECT_EQ(DateToSqlLiteral(QStringLiteral("05.03.2020")), march5);
        EXPECT_THROW(DateToSqlLiteral(QStringLiteral("5 марта")), EConvertError);
    }
    for (const QVariant &missing : {QVariant(), QVariant(0), QVariant(0.0), QVariant(QDate()), QVariant(ZeroDate()),
                                    QVariant(QMetaType(QMetaType::QDate))})
        EXPECT_EQ(DateToSqlLiteral(missing), QStringLiteral("Null")) << missing.typeName();
}

TEST(ServicesDates, RangeConditionForEveryShapeOfPeriod)
{
    const QDate jan1(2020, 1, 1);
    const QDate jan31(2020, 1, 31);
    const QString lit1 = QStringLiteral("TO_DATE('01/01/2020','DD/MM/YYYY')");
    const QString lit31 = QStringLiteral("TO_DATE('31/01/2020','DD/MM/YYYY')");
    const QString field = QStringLiteral("PAY_DATE");
    EXPECT_EQ(BuildRangeCondition(field, jan31, jan31), QStringLiteral("(PAY_DATE=") + lit31 + ")");
    EXPECT_EQ(BuildRangeCondition(field, QVariant(), jan31), QStringLiteral("(PAY_DATE <= ") + lit31 + ")");
    EXPECT_EQ(BuildRangeCondition(field, 0, jan31), QStringLiteral("(PAY_DATE <= ") + lit31 + ")");
    EXPECT_EQ(BuildRangeCondition(field, jan1, QVariant()), QStringLiteral("(0=0)"));
    EXPECT_EQ(BuildRangeCondition(field, QVariant(), 0), QStringLiteral("(0=0)"));
    EXPECT_EQ(BuildRangeCondition(field, jan1, jan31),
              QStringLiteral("(PAY_DATE between ") + lit1 + " and " + lit31 + ")");
}

TEST(ServicesDates, PeriodCaptionForEveryShapeOfPeriod)
{
    FormatSettingsScope scope;
    FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    FormatSettings().DateSeparator = QLatin1Char('.');
    EXPECT_EQ(PeriodCaption(QDate(2020, 2, 1), QDate(2020, 2, 29)), QStringLiteral("(за Февраль 2020 г.)"));
    EXPECT_EQ(PeriodCaption(QDate(2020, 3, 5), QDate(2020, 3, 5)), QStringLiteral("(на 05.03.2020)"));
    EXPECT_EQ(PeriodCaption(QDate(2020, 3, 5), QVariant()), QString());
    EXPECT_EQ(PeriodCaption(QVariant(), QDate(2020, 1, 31)), QStringLiteral("(по 31.01.2020)"));
    EXPECT_EQ(PeriodCaption(ZeroDate(), QDate(2020, 1, 31)), QStringLiteral("(по 31.01.2020)"));
    EXPECT_EQ(PeriodCaption(QDate(2020, 2, 1), QDate(2020, 2, 28)), QStringLiteral("(с: 01.02.2020 по: 28.02.2020)"));
    EXPECT_EQ(PeriodCaption(QDate(2020, 1, 1), QDate(2020, 2, 29)), QStringLiteral("(с: 01.01.2020 по: 29.02.2020)"));
}

struct TextCase
{
    char decimalSeparator;
    QVariant text;
    double expected;
};

TEST(ServicesTextToFloat, ReadsEitherSeparatorAndDropsInnerBlanks)
{
    const TextCase cases[] = {
        {'.', QStringLiteral("1,5"), 1.5},         {'.', QStringLiteral(" 1.5 "), 1.5},
        {'.', QStringLiteral("1 250"), 1250},      {'.', QStringLiteral("1\u00A0250,75"), 1250.75},
        {'.', QStringLiteral(".5"), 0.5},          {'.', QStringLiteral("5."), 5},
        {'.', QStringLiteral(""), 0},              {'.', QStringLiteral("   "), 0},
        {'.', QVariant(), 0},                      {'.', QStringLiteral("-12.25"), -12.25},
        {',', QStringLiteral("1.5"), 1.5},         {',', QStringLiteral("2,25"), 2.25},
        {',', QStringLiteral(",5"), 0.5},          {',', 7, 7},
    };
    for (const TextCase &c : cases) {
        FormatSettingsScope scope;
        FormatSettings().DecimalSeparator = QLatin1Char(c.decimalSeparator);
        EXPECT_DOUBLE_EQ(TextToFloat(c.text), c.expected) << c.text.toString().toStdString();
    }
}

TEST(ServicesTextToFloat, NotANumberIsAConvertError)
{
    for (const QString &text : {QStringLiteral("abc"), QStringLiteral("1.2.3"), QStringLiteral("12р")})
        EXPECT_THROW(TextToFloat(text), EConvertError) << text.toStdString();
}

TEST(ServicesNumbers, DotTextAndNumberText)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_EQ(FloatToDotText(0), QStringLiteral("0"));
    EXPECT_EQ(FloatToDotText(1234.5), QStringLiteral("1234.5"));
    EXPECT_EQ(NumberToText(QVariant()), QStringLiteral("0"));
    EXPECT_EQ(NumberToText(2.5), QStringLiteral("2,5"));
}

TEST(ServicesPeriodPreset, PeriodButtonsFollowTheClock)
{
    FakeClock clock(QDateTime(QDate(2020, 3, 1), QTime(9, 30)));
    const struct
    {
        int kind;
        QDate from;
        QDate to;
    } cases[] = {{0, ZeroDate(), QDate(4712, 12, 31)},
                 {1, QDate(2020, 3, 1), QDate(2020, 3, 1)},
                 {2, QDate(2020, 2, 29), QDate(2020, 2, 29)},
                 {3, QDate(2020, 3, 1), QDate(2020, 3, 31)},
                 {4, QDate(2020, 1, 1), QDate(2020, 12, 31)},
                 {5, QDate(2001, 1, 1), QDate(2001, 1, 2)}};
    for (const auto &c : cases) {
        QDate from(2001, 1, 1);
        QDate to(2001, 1, 2);
        PeriodPreset(c.kind, from, to);
        EXPECT_EQ(from, c.from) << c.kind;
        EXPECT_EQ(to, c.to) << c.kind;
    }
    QDate from;
    QDate to;
    PeriodPreset(0, from, to);
    EXPECT_EQ(BuildRangeCondition(QStringLiteral("D"), from, to),
              QStringLiteral("(D <= TO_DATE('31/12/4712','DD/MM/YYYY'))"));
}

TEST(ServicesDialogs, ConfirmationsGoThroughTheMessageService)
{
    FakeMessageService messages;
    messages.answer(mrYes);
    messages.answer(mrNo);
    messages.answer(mrYes);
    EXPECT_TRUE(ConfirmSaveChanges());
    EXPECT_FALSE(ConfirmDeleteRecord(QStringLiteral("RU"), QStringLiteral("Иванов И.И.")));
    EXPECT_TRUE(ConfirmDeleteRecord(QStringLiteral("EN"), QStringLiteral("Ivanov")));
    EXPECT_TRUE(ShowInfoMessage(QStringLiteral("Готово")));
    ASSERT_EQ(messages.requests.size(), 4);
    EXPECT_EQ(messages.requests[0].text, QStringLiteral("Данные изменены, записать?"));
    EXPECT_EQ(messages.requests[1].text, QStringLiteral("Удалять запись? Иванов И.И."));
    EXPECT_EQ(messages.requests[2].text, QStringLiteral("Delete record? Ivanov"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(messages.requests[i].type, mtConfirmation);
        EXPECT_EQ(messages.requests[i].buttons, mbYesNo);
    }
    EXPECT_EQ(messages.requests[3].text, QStringLiteral("Готово"));
    EXPECT_EQ(messages.requests[3].buttons, TMsgDlgButtons(mbOK));
}

TEST(ServicesKeyboard, LanguageCodesPickTheirLayouts)
{
    FakeShellService shell;
    for (const char *code : {"ru", "RU", "GE", "EN", "fr", ""})
        SetKeyboardLanguage(QString::fromLatin1(code));
    EXPECT_EQ(shell.layouts, (QStringList{QStringLiteral("00000419"), QStringLiteral("00000419"),
                                          QStringLiteral("00000407"), QStringLiteral("00000409"),
                                          QStringLiteral("00000409"), QStringLiteral("00000409")}));
}

TEST(ServicesSystemInfo, MemoryBoxAndMachineTexts)
{
    FakeMessageService messages;
    ShowMemoryInfo();
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests[0].type, mtInformation);
    const QString text = messages.requests[0].text;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Загрузка памяти: \\d+\\.\\d\\d%\\rВсего физической: [1-9]\\d*\\r"
                                                  "Доступно физической: \\d+\\rВсего виртуальной: \\d+\\r"
                                                  "Доступно виртуальной: \\d+\\r\\r.+\\r\\r$"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();

    TMashineInfo info;
    EXPECT_TRUE(GetMachineInfo(info));
    EXPECT_FALSE(info.osText.isEmpty());
    EXPECT_TRUE(text.contains(info.osText));
}
