#include "DataSupport.h"

#include "FR_Intrp.h"
#include "FR_Locale.h"

#include "ServiceFakes.h"

#include <QDialog>
#include <QLocale>

namespace {

class DataValues : public DataFixture
{
protected:
    void SetUp() override
    {
        DataFixture::SetUp();
        report.Pages().Add();
        memo = new TfrMemoView;
        memo->Name = QStringLiteral("Memo1");
        memo->PlaceAt(10, 20, 120, 18);
        report.Pages().GetPage(0)->AddObject(memo);
        frEngine().CurrentView = memo;
    }

    QString expand(const QString &expression)
    {
        QString text = QStringLiteral("untouched");
        report.ExpandValue(expression, text);
        return text;
    }
    QString format(const Variant &v, int category, int sub, int decimals = 0, char separator = 0,
                   const QString &formatString = QString())
    {
        QString text;
        report.FormatValue(v, (category << 24) | (sub << 16) | (decimals << 8) | separator, text, formatString);
        return text;
    }

    TfrMemoView *memo = nullptr;
};

TEST_F(DataValues, OnGetValueAnswersFirst)
{
    report.Dictionary().Variables.SetValue(QStringLiteral("X"), Variant(QStringLiteral("1")));
    frEngine().PageNo = 4;
    EXPECT_EQ(value(QStringLiteral("PAGE#")).toInt(), 5);
    EXPECT_EQ(value(QStringLiteral("X")).toInt(), 1);
    QStringList asked;
    report.OnGetValue = [&](const QString &name, Variant &v) {
        asked << name;
        if (name != QLatin1String("Y"))
            v = Variant(99);
    };
    EXPECT_EQ(value(QStringLiteral("PAGE#")).toInt(), 99);
    EXPECT_EQ(value(QStringLiteral("X")).toInt(), 99);
    frEngine().ScriptVariables.SetValue(QStringLiteral("Y"), Variant(7));
    EXPECT_EQ(value(QStringLiteral("Y")).toInt(), 7) << "a value left unassigned goes on down the chain";
    EXPECT_EQ(asked, QStringList({"PAGE#", "X", "Y"}));
}

TEST_F(DataValues, ReportVariables)
{
    FakeClock clock(QDateTime(QDate(2021, 3, 5), QTime(13, 5, 9)));
    TakeReportStartTime();
    TfrGlobals &e = frEngine();
    TfrBand *first = addBand(btMasterData, QStringLiteral("MasterData1"), &source);
    TfrBand *second = addBand(btMasterData, QStringLiteral("MasterData2"));
    first->LineNo = 3;
    first->LineThroughNo = 8;
    second->LineNo = 1;
    e.CurrentBand = second;
    e.CurrentValue = Variant(QStringLiteral("значение"));
    e.TotalPages = 12;
    page->CrossColumnNo = 4;
    page->RecordNo = 6;
    page->CursorY = 100;
    page->BottomLimit = 1000;
    report.FinalPass = true;
    report.Dictionary().Variables.SetValue(QStringLiteral("PAGEWIDTH"), Variant(QStringLiteral("1"))); // not a clash
    struct Case
    {
        const char *name;
        Variant expected;
    } cases[] = {
        {"VALUE", Variant(QStringLiteral("значение"))},
        {"DATE", Variant::Date(EncodeDate(2021, 3, 5))},
        {"TIME", Variant::Date(EncodeTime(13, 5, 9, 0))},
        {"LINE#", Variant(3)}, // a band without a data source counts with the first of its chain
        {"LINETHROUGH#", Variant(8)},
        {"COLUMN#", Variant(4)},
        {"CURRENT#", Variant(6)},
        {"TOTALPAGES", Variant(12)},
        {"CURY", Variant(100)},
        {"FREESPACE", Variant(900)},
        {"PAGEHEIGHT", Variant(1000)},
        {"FINALPASS", Variant(true)},
        {"MEMO1.LEFT", Variant(10)},
        {"LEFT", Variant(10)}, // a property of the current object
        {"CLRED", Variant(0xFF)},
        {"MB_YESNO", Variant(4)},
    };
    for (const Case &c : cases) {
        const Variant v = value(QString::fromLatin1(c.name));
        EXPECT_EQ(v.type(), c.expected.type()) << c.name;
        EXPECT_EQ(v.toString(), c.expected.toString()) << c.name;
    }
    EXPECT_EQ(value(QStringLiteral("PAGEWIDTH")).toInt(), 1) << "the dictionary comes before the report variables";

    e.CurrentView = nullptr;
    EXPECT_EQ(value(QStringLiteral("CALCWIDTH")).toInt(), 0);
    TfrLineView line;
    line.Width = 33;
    e.CurrentView = &line;
    EXPECT_EQ(value(QStringLiteral("CALCWIDTH")).toInt(), 33);
    e.CurrentView = memo;
    memo->Memo = {QStringLiteral("[VALUE]")};
    EXPECT_GT(value(QStringLiteral("CALCWIDTH")).toInt(), 0) << "the measured text";
}

TEST_F(DataValues, NamesNothingKnowsAreEvaluatedOrUndefined)
{
    EXPECT_EQ(expand(QStringLiteral("2*3")), QStringLiteral("6"));
    EXPECT_EQ(expand(QStringLiteral("'а' + 'б'")), QStringLiteral("аб"));
    try {
        expand(QStringLiteral("Nobody"));
        FAIL() << "undefined";
    } catch (const EParserError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Переменная не определена: \"NOBODY\""));
    }
    frEngine().TotalsPreparation = true;
    EXPECT_EQ(expand(QStringLiteral("Nobody")), QStringLiteral("untouched")) << "quietly 0, the text left as it was";
    EXPECT_EQ(frEngine().CurrentValue.toInt(), 0);
}

TEST_F(DataValues, ProceduresAndAssignments)
{
    TfrGlobals &e = frEngine();
    TfrInterpretator &script = e.Interpreter();
    QStringList compiled, errors;
    script.CompileScript({QStringLiteral("begin i := 1; INC(i); INC(i); DEC(i);"),
                          QStringLiteral("SETARRAY(A, 1, 'один'); SETARRAY(A, 'k', 5);"),
                          QStringLiteral("Memo1.Visible := False; MODALRESULT := 1 end")},
                         compiled, errors);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u' ').toStdString();
    script.RunScript(compiled);
    EXPECT_EQ(e.ScriptVariables.GetValue(QStringLiteral("i")).toInt(), 2);
    EXPECT_EQ(expand(QStringLiteral("A[1]")), QStringLiteral("один"));
    EXPECT_EQ(e.ScriptVariables.GetValue(QStringLiteral("Arr_A_k")).toInt(), 5);
    EXPECT_EQ(expand(QStringLiteral("GETARRAY(A, 2)")), QString()) << "a cell never set is Null";
    EXPECT_FALSE(memo->Visible);
    EXPECT_LT(e.ScriptVariables.IndexOf(QStringLiteral("MODALRESULT")), 0) << "on a report page it changes nothing";
    EXPECT_THROW(value(QStringLiteral("INC(nothing)")), EParserError);

    // The lines of an object's list property.
    memo->Memo = {QStringLiteral("a"), QStringLiteral("b")};
    value(QStringLiteral("SETARRAY(Memo1.Memo, 1, 'в')"));
    EXPECT_EQ(memo->Memo, QStringList({"a", "в"}));
    EXPECT_EQ(value(QStringLiteral("GETARRAY(Memo1.Memo, 0)")).toString(), QStringLiteral("a"));

    // A dialog page's window takes the result and closes.
    page->Type = 1;
    QDialog form;
    page->Form = &form;
    script.SetValue(QStringLiteral("ModalResult"), Variant(2));
    EXPECT_EQ(form.result(), 2);

    TfrBand *band = addBand(btMasterData, QStringLiteral("MasterData1"));
    e.CurrentBand = band;
    QStringList shown, user;
    e.ShowBandHook = [&](TfrPage &, const QString &name) { shown << name; };
    report.OnUserFunction = [&](const QString &name, const Variant &, const Variant &, const Variant &, Variant &val) {
        user << name;
        val = Variant(QStringLiteral("свое"));
    };
    value(QStringLiteral("NEWPAGE(0)"));
    value(QStringLiteral("NEWCOLUMN(0)"));
    value(QStringLiteral("SHOWBAND(Band2)"));
    EXPECT_EQ(band->NewPageRequests, 1);
    EXPECT_EQ(band->NewColumnRequests, 1);
    EXPECT_EQ(shown, QStringList{"Band2"});
    script.SetValue(QStringLiteral("CURY"), Variant(250));
    EXPECT_EQ(page->CursorY, 250);
    EXPECT_TRUE(band->KeepScriptY) << "the script placed the cursor while asking for a new page";
    EXPECT_EQ(value(QStringLiteral("MYFUNC(1)")).toString(), QStringLiteral("свое"));
    EXPECT_EQ(user.last(), QStringLiteral("MYFUNC"));
    value(QStringLiteral("STOPREPORT(0)"));
    EXPECT_TRUE(report.StopRequested);
}

TEST_F(DataValues, FormatCodes)
{
    const Variant number(1234.567);
    const Variant date = Variant::Date(EncodeDate(2021, 3, 5) + EncodeTime(13, 5, 9, 0));
    struct Case
    {
        Variant value;
        int category, sub, decimals;
        char separator;
        const char *formatString;
        QString text;
    } cases[] = {
        {number, 0, 0, 0, 0, "", "1234.567"},
        {number, 1, 0, 2, '.', "", "1234.57"},
        {number, 1, 0, 2, ',', "", "1234,57"},
        {Variant(1234.5), 1, 1, 2, ',', "", "1234,50"},
        {number, 1, 2, 2, '.', "", "1 234.57"},
        {number, 1, 3, 1, '-', "", "1 234-6"},
        {number, 1, 4, 0, '.', "0.000", "1234.567"},
        {number, 1, 5, 0, '.', "", ""},
        {Variant(2.5), 1, 1, 2, 0, "", "2.50"}, // no separator in the code: the usual one
        {number, 7, 0, 0, 0, "", ""},
        {date, 2, 0, 0, 0, "", "05.03.21"},
        {date, 2, 1, 0, 0, "", "05.03.2021"},
        {date, 2, 2, 0, 0, "", FormatDateTime(QStringLiteral("d mmm yyyy"), date.toDate())},
        {date, 2, 3, 0, 0, "", QLocale::system().toString(QDate(2021, 3, 5), QLocale::LongFormat)},
        {date, 2, 4, 0, 0, "yyyy", "2021"},
        {date, 3, 0, 0, 0, "", "13:05:09"},
        {date, 3, 1, 0, 0, "", "13:05:09"},
        {date, 3, 2, 0, 0, "", "13:05"},
        {date, 3, 3, 0, 0, "", "13:05"},
        {date, 3, 4, 0, 0, "h-nn", "13-05"},
        {Variant(1), 4, 0, 0, 0, "", "1"},
        {Variant(0), 4, 1, 0, 0, "", "Нет"},
        {Variant(true), 4, 1, 0, 0, "", "Да"},
        {Variant(1), 4, 2, 0, 0, "", "x"},
        {Variant(false), 4, 3, 0, 0, "", "False"},
        {Variant(5), 4, 4, 0, 0, "нет;есть", "есть"},
        // Values that do not convert print as text.
        {Variant(QStringLiteral("abc")), 1, 1, 2, '.', "", "abc"},
        {Variant(QStringLiteral("abc")), 4, 1, 0, 0, "", "abc"},
        {Variant(1e20), 2, 1, 0, 0, "", "1E20"},
        {Variant(-1e300), 3, 0, 0, 0, "", "-1E300"},
        {Variant(QStringLiteral("текст")), 2, 4, 0, 0, "yyyy", "текст"},
        {Variant::Null(), 1, 1, 2, '.', "", ""},
        {Variant(QStringLiteral("   ")), 0, 0, 0, 0, "", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(format(c.value, c.category, c.sub, c.decimals, c.separator, QString::fromUtf8(c.formatString)),
                  c.text)
            << c.category << "/" << c.sub << " " << c.value.toString().toStdString();
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, QLatin1Char('.')) << "the separator is never set process-wide";
}

TEST_F(DataValues, FormatSuffixesAndHiddenZeros)
{
    frEngine().ScriptVariables.SetValue(QStringLiteral("D"), Variant::Date(EncodeDate(2021, 3, 5)));
    frEngine().ScriptVariables.SetValue(QStringLiteral("S"), Variant(QStringLiteral("abc")));
    struct Case
    {
        const char *expression;
        const char *text;
    } cases[] = {
        {"1234.5 #N9.2", "1234.50"},
        {"1234.5 #9.2", "1234.50"},
        {"1234.5 #2,2", "1234,50"},
        {"1234.5 #N#,##0.00", "1 234.50"},
        {"1234.5 #n9.1", "1234.5"},
        {"S #N9.2", "abc"},
        {"D #Ddd/mm/yyyy", "05/03/2021"},
        {"D #tyyyy", "2021"},
        {"1 #BНет;Да", "Да"},
        {"0 #bНет;Да", "Нет"},
        {"1234.5", "1234.5"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(expand(QString::fromUtf8(c.expression)), QString::fromUtf8(c.text)) << c.expression;

    // Any other suffix replaces the object's format string only.
    memo->FormatCode = (1 << 24) | (4 << 16) | '.';
    memo->FormatText = QStringLiteral("0.0");
    EXPECT_EQ(expand(QStringLiteral("2.25")), QStringLiteral("2.3"));
    EXPECT_EQ(expand(QStringLiteral("2.25 #X0.000")), QStringLiteral("X2.250"));

    memo->FormatCode = 0;
    memo->Flags |= 0x40;
    EXPECT_EQ(expand(QStringLiteral("0")), QString());
    EXPECT_EQ(expand(QStringLiteral("0.0")), QString());
    EXPECT_EQ(expand(QStringLiteral("'0'")), QStringLiteral("0")) << "a text is never hidden";
    EXPECT_EQ(expand(QStringLiteral("2")), QStringLiteral("2"));
}

TEST_F(DataValues, ExpressionErrorsAreComposedAndStopTheBuild)
{
    memo->Memo = {QStringLiteral("Сумма: [X]"), QStringLiteral("итог")};
    ReportExpressionError(EParserError(QStringLiteral("Переменная не определена: \"X\"")));
    TfrGlobals &e = frEngine();
    EXPECT_TRUE(e.ErrorFlag);
    EXPECT_TRUE(report.StopRequested);
    EXPECT_EQ(e.ErrorMessage, QStringLiteral("Возникла ошибка при обработке выражения\rСумма: [X]\rитог\r\r"
                                             "Документ: Report1\rОбъект: Memo1\r\rПеременная не определена: \"X\""));
    e.CurrentView = nullptr;
    ReportExpressionError(std::runtime_error("boom"));
    EXPECT_EQ(e.ErrorMessage, QStringLiteral("Возникла ошибка при обработке выражения\r\rДокумент: Report1\r\rboom"));
}

} // namespace
