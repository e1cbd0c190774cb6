#include "DataSupport.h"

#include "FR_Intrp.h"
#include "FR_Locale.h"
#include "ReportFunctions.h"

#include "ServiceFakes.h"

namespace {

class DataFunctions : public DataFixture
{
};

TEST_F(DataFunctions, StandardFunctionsInAnyCase)
{
    frEngine().ScriptVariables.SetValue(QStringLiteral("D"), Variant::Date(EncodeDate(2021, 3, 5)));
    struct Case
    {
        const char *expression;
        const char *text;
    } cases[] = {
        {"DAYOF(D)", "5"},
        {"monthof(D)", "3"},
        {"YearOf(D)", "2021"},
        {"FORMATDATETIME('yyyy-mm-dd', D)", "2021-03-05"},
        {"FORMATFLOAT('0.00', 2.5)", "2.50"},
        {"LENGTH('абвг')", "4"},
        {"LOWERCASE('АБВ Q')", "абв q"},
        {"uppercase('абв')", "АБВ"},
        {"NAMECASE('пЕТРОВ иВАН')", "Петров иван"},
        {"NAMECASE('')", ""},
        {"TRIM('  x y  ')", "x y"},
        {"POS('в', 'абв')", "3"},
        {"POS('г', 'абв')", "0"},
        {"MAXNUM(2, 10)", "10"},
        {"MinNum(2, 10)", "2"},
        {"MAXNUM(-1, -3)", "-1"},
        {"FORMATTEXT('000-00', '12345')", "123-45"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(value(QString::fromUtf8(c.expression)).toString(), QString::fromUtf8(c.text)) << c.expression;
    EXPECT_THROW(value(QStringLiteral("DAYOF('понедельник')")), std::exception) << "a failing argument raises";
}

TEST_F(DataFunctions, InputAndMessageBoxAskTheUser)
{
    FakeDialogService dialogs;
    dialogs.answerInput(QStringLiteral("Ответ"));
    dialogs.answerInput(std::nullopt);
    EXPECT_EQ(value(QStringLiteral("INPUT('Введите' + ' сумму', 'пред')")).toString(), QStringLiteral("Ответ"));
    EXPECT_EQ(value(QStringLiteral("INPUT('Еще')")).toString(), QString()) << "cancelled: the preset text";
    ASSERT_EQ(dialogs.inputRequests.size(), 2);
    EXPECT_EQ(dialogs.inputRequests[0].caption, QString());
    EXPECT_EQ(dialogs.inputRequests[0].prompt, QStringLiteral("Введите сумму"));
    EXPECT_EQ(dialogs.inputRequests[0].preset, QStringLiteral("пред"));

    FakeMessageService messages;
    struct Case
    {
        const char *flags;
        TMsgDlgButtons buttons;
        TMsgDlgType type;
        TModalResult answer;
    } cases[] = {
        {"mb_Ok", mbOK, mtCustom, mrOk},
        {"mb_YesNo + mb_IconQuestion", mbYesNo, mtConfirmation, mrNo},
        {"MB_OKCANCEL + MB_ICONWARNING", mbOKCancel, mtWarning, mrCancel},
        {"mb_YesNoCancel + mb_IconError", mbYesNoCancel, mtError, mrYes},
        {"mb_IconInformation", mbOK, mtInformation, mrOk},
    };
    for (const Case &c : cases) {
        messages.answer(c.answer);
        const QString call = QStringLiteral("MESSAGEBOX('Текст', 'Заголовок', %1)").arg(QString::fromLatin1(c.flags));
        EXPECT_EQ(value(call).toInt(), int(c.answer)) << c.flags;
        EXPECT_EQ(messages.requests.last().buttons, c.buttons) << c.flags;
        EXPECT_EQ(messages.requests.last().type, c.type) << c.flags;
        EXPECT_EQ(messages.requests.last().caption, QStringLiteral("Заголовок"));
        EXPECT_EQ(messages.requests.last().text, QStringLiteral("Текст"));
    }
}

TEST_F(DataFunctions, DescriptionsByCategory)
{
    TfrInstalledFunctions &installed = frEngine().InstalledFunctions();
    EXPECT_EQ(installed.Items().size(), 57u);
    QStringList list;
    installed.GetCategoryList(list);
    EXPECT_EQ(list, QStringList({"Агрегатные", "Арифметические", "Дата и время", "Интерпретатор", "Логические",
                                 "Прочие", "Строковые"}));
    installed.GetFunctionList(QStringLiteral("агрегатные"), list);
    EXPECT_EQ(list, QStringList({"AVG", "COUNT", "MAX", "MIN", "SUM"}));
    installed.GetFunctionList(GetLocaleString(55348), list);
    EXPECT_EQ(list.size(), 57);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end())) << list.join(u' ').toStdString();
    EXPECT_EQ(installed.GetFunctionDescription(QStringLiteral("sum")), GetLocaleString(55374));
    EXPECT_TRUE(GetLocaleString(55374).startsWith(QStringLiteral("SUM(<Выражение> [,ИмяБэнда [,1]])/")));
    EXPECT_EQ(installed.GetFunctionDescription(QStringLiteral("NOSUCH")), QString());

    installed.Add(nullptr, QStringLiteral("NEW"), QString(), QStringLiteral("x"));
    installed.Add(nullptr, QStringLiteral("SUM"), QStringLiteral("Прочие"), QStringLiteral("другое"));
    EXPECT_EQ(installed.Items().size(), 57u) << "no category, or a name described already";
}

class TwiceLibrary : public TfrFunctionLibrary
{
public:
    TwiceLibrary()
    {
        List = QStringList{"TWICE"};
        AddFunctionDesc(QStringLiteral("TWICE"), QStringLiteral("Мои"), QStringLiteral("TWICE(<Число>)/Удваивает"));
    }
    static QString StaticClassName() { return QStringLiteral("TwiceLibrary"); }
    QString ClassName() const override { return StaticClassName(); }
    void DoFunction(int, const Variant &p1, const Variant &, const Variant &, Variant &val) override
    {
        val = frEngine().Parser().Evaluate(p1.toString()) * Variant(2);
    }
};

TEST_F(DataFunctions, LibrariesAreRegisteredOncePerClass)
{
    RegisterFunctionLibrary<TwiceLibrary>();
    RegisterFunctionLibrary<TwiceLibrary>();
    EXPECT_EQ(frEngine().FunctionLibraries.size(), 2u);
    EXPECT_EQ(value(QStringLiteral("twice(21)")).toInt(), 42);
    UnregisterFunctionLibrary(TwiceLibrary::StaticClassName());
    EXPECT_EQ(frEngine().FunctionLibraries.size(), 1u);
    EXPECT_EQ(frEngine().InstalledFunctions().GetFunctionDescription(QStringLiteral("TWICE")), QString());
    EXPECT_EQ(value(QStringLiteral("TWICE(21)")).toString(), QStringLiteral("0")) << "no library knows it now";
}

// ---- aggregates

class DataAggregates : public DataFixture
{
protected:
    void SetUp() override
    {
        DataFixture::SetUp();
        master = addBand(btMasterData, QStringLiteral("MasterData1"), &source);
        footer = addBand(btMasterFooter, QStringLiteral("MasterFooter1"));
        header = addBand(btPageHeader, QStringLiteral("PageHeader1"));
    }
    void prepare(TfrBand *band, const QString &expression)
    {
        TfrGlobals &e = frEngine();
        e.TotalsPreparation = true;
        e.TotalsDataBand = master;
        e.CurrentBand = band;
        EXPECT_EQ(value(expression).toString(), QStringLiteral("0")) << expression.toStdString();
        e.TotalsPreparation = false;
    }
    static QString key(const char *text)
    {
        QString k = QString::fromUtf8(text);
        k.replace(u'|', QChar(1));
        return k;
    }

    TfrBand *master = nullptr, *footer = nullptr, *header = nullptr;
};

TEST_F(DataAggregates, KeysAreBuiltByteByByte)
{
    EXPECT_EQ(AggregateKey(QStringLiteral("F"), tkSum, QStringLiteral("[X]"), QString()),
              QString::fromUtf16(u"F\x01\x0B\x01[X]\x01\x01"));
    EXPECT_EQ(AggregateKey(QStringLiteral("F"), tkCount, QStringLiteral("D"), QStringLiteral("1")),
              QString::fromUtf16(u"F\x01\x0F\x01" u"D\x01" u"1\x01"));
    const QString k = key("2|F|x|[A]| 1|");
    const char *fields[] = {"2", "F", "x", "[A]", " 1", ""};
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(TotalKeyField(k, n), QString::fromLatin1(fields[n - 1])) << n;
    EXPECT_EQ(TotalKeyField(QStringLiteral("no separator"), 1), QString());
}

TEST_F(DataAggregates, RegistrationFromFootersAndPageHeaders)
{
    prepare(footer, QStringLiteral("SUM([AMOUNT])"));
    prepare(footer, QStringLiteral("min([AMOUNT], MasterData1, 1)"));
    prepare(footer, QStringLiteral("COUNT(MasterData1)"));
    prepare(footer, QStringLiteral("MAX([AMOUNT], OtherData)"));
    prepare(header, QStringLiteral("SUM([AMOUNT])"));
    EXPECT_EQ(header->TotalsBand, nullptr) << "a page header without a band name registers nothing";
    prepare(header, QStringLiteral("AVG([AMOUNT], masterdata1)"));

    const TfrVariables &totals = master->Totals;
    ASSERT_EQ(totals.GetCount(), 4);
    EXPECT_EQ(totals.GetName(0), key("MasterFooter1|\x0B|[AMOUNT]||"));
    EXPECT_EQ(totals.GetName(1), key("MasterFooter1|\x0C|[AMOUNT]| 1|"));
    EXPECT_EQ(totals.GetName(2), key("MasterFooter1|\x0F|MasterData1||"));
    EXPECT_EQ(totals.GetName(3), key("PageHeader1|\x0E|[AMOUNT]||"));
    EXPECT_EQ(totals.GetValueAt(0).toInt(), 0);
    EXPECT_TRUE(totals.GetValueAt(1).isUnassigned()) << "a MIN has seen no value yet";
    EXPECT_EQ(footer->TotalsBand, master);
    EXPECT_EQ(header->TotalsBand, master);

    // A footer that holds cross cells registers the template of its column entries.
    TfrMemoView cell;
    cell.Parent = master;
    footer->Objects.push_back(&cell);
    prepare(footer, QStringLiteral("SUM([ID])"));
    EXPECT_EQ(totals.GetName(4), key("0|MasterFooter1|\x0B|[ID]||"));
}

TEST_F(DataAggregates, ValuesAreReadBackFromTheDataBand)
{
    for (const char *call : {"SUM([AMOUNT])", "AVG([AMOUNT])", "MIN([AMOUNT])", "MAX([AMOUNT])", "COUNT(MasterData1)"})
        prepare(footer, QString::fromLatin1(call));
    master->SetTotal(key("MasterFooter1|\x0B|[AMOUNT]||"), Variant(17.5));
    master->SetTotal(key("MasterFooter1|\x0E|[AMOUNT]||"), Variant(30));
    master->SetTotal(key("MasterFooter1|\x0F|MasterData1||"), Variant(3));
    master->SetTotal(key("MasterFooter1|\x0D|[AMOUNT]||"), Variant(-3));

    frEngine().CurrentBand = footer;
    struct Case
    {
        int totalCount;
        const char *expression;
        double result;
    } cases[] = {
        {3, "SUM([AMOUNT])", 17.5}, {3, "sum([AMOUNT])", 17.5}, {3, "AVG([AMOUNT])", 10},
        {0, "AVG([AMOUNT])", 0}, // no record yet: 0, not a division by zero
        {3, "MIN([AMOUNT])", 0}, // no value seen
        {3, "MAX([AMOUNT])", -3}, {3, "COUNT(MasterData1)", 3},
    };
    for (const Case &c : cases) {
        master->TotalCount = c.totalCount;
        EXPECT_DOUBLE_EQ(value(QString::fromUtf8(c.expression)).toDouble(), c.result) << c.expression;
    }
    frEngine().CurrentBand = header;
    EXPECT_EQ(value(QStringLiteral("SUM([AMOUNT])")).toString(), QStringLiteral("0")) << "nothing registered";

    Variant v;
    master->GetTotal(QStringLiteral("absent"), v);
    EXPECT_TRUE(v.isNull());
    master->SetTotal(key("2|MasterFooter1|\x0E|[AMOUNT]||"), Variant(9));
    master->TotalCount = 3;
    master->GetTotal(key("2|MasterFooter1|\x0E|[AMOUNT]||"), v);
    EXPECT_DOUBLE_EQ(v.toDouble(), 3.0) << "a cross entry's kind follows its column field";

    // A cross cell reads the entry of the column being printed through the row band it prints.
    TfrBand *cross = addBand(btCrossData, QStringLiteral("CrossData1"));
    cross->TotalsBand = footer;
    footer->TotalsBand = master;
    page->CrossColumnNo = 2;
    master->SetTotal(key("2|MasterFooter1|\x0B|[AMOUNT]||"), Variant(5));
    frEngine().CurrentBand = cross;
    EXPECT_EQ(value(QStringLiteral("SUM([AMOUNT])")).toInt(), 5);
}

TEST_F(DataAggregates, SplitterFindsTheCallsOfTextsAndScripts)
{
    report.Dictionary().Variables.SetValue(QStringLiteral("Итого"), Variant(QStringLiteral("SUM([AMOUNT]) * 2")));
    QStringList found;
    TAggregateFunctionsSplitter splitter(&found);
    splitter.SplitMemo({QStringLiteral("Всего: [COUNT(MasterData1)] на [MAX([AMOUNT], MasterData1)] [1+2]"),
                        QStringLiteral("[Итого] [unclosed SUM(1)")});
    EXPECT_EQ(found, QStringList({"COUNT(MasterData1)", "MAX([AMOUNT], MasterData1)", "SUM([AMOUNT])", "SUM(1)"}));

    QStringList compiled, errors;
    frEngine().Interpreter().CompileScript({QStringLiteral("if AVG([AMOUNT]) > 0 then x := MIN([ID]);")},
                                           compiled, errors);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u' ').toStdString();
    found.clear();
    splitter.SplitScript(compiled);
    EXPECT_EQ(found, QStringList({"AVG([AMOUNT])", "MIN([ID])"}));
}

} // namespace
