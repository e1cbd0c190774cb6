// Rules of totals, page footers, empty detail levels and repeated headers, each on a small build.
#include "BuildSupport.h"

#include <QRegularExpression>

using buildtest::Template;
using buildtest::dumpPages;

namespace {

class BuildRules : public buildtest::BuildFixture
{
protected:
    // Builds a list of amounts with a summary showing the expression; answers the summary's text.
    QString summaryOf(const QList<QVariant> &amounts, const QString &expression, bool dataVisible = true)
    {
        std::vector<std::vector<QVariant>> rows;
        for (const QVariant &a : amounts)
            rows.push_back({"Север", "Абонент", a});
        fillSales(std::move(rows));
        report.Pages().Clear();
        Template t(report);
        TfrBandView *data = t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
        data->Visible = dataVisible;
        t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
        t.memo(QStringLiteral("Result"), 40, 200, 300, 20, QLatin1Char('[') + expression + QLatin1Char(']'));
        buildtest::reload(report);
        messages.requests.clear();
        EXPECT_TRUE(report.BuildReport()) << expression.toStdString();
        EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
        const QString dump = dumpPages(report);
        const qsizetype at = dump.indexOf(QStringLiteral("Result ("));
        if (at < 0)
            return QStringLiteral("<none>");
        const qsizetype textAt = dump.indexOf(u')', at) + 2;
        return dump.mid(textAt, dump.indexOf(u'\n', textAt) - textAt);
    }

    std::vector<std::vector<QVariant>> numbered(int n)
    {
        std::vector<std::vector<QVariant>> rows;
        for (int i = 1; i <= n; ++i)
            rows.push_back({i <= n / 2 ? "Север" : "Юг", QStringLiteral("Абонент %1").arg(i), double(i)});
        return rows;
    }
};

TEST_F(BuildRules, Totals)
{
    struct Case
    {
        QList<QVariant> amounts;
        const char *expression;
        bool visible;
        const char *result;
    };
    const Case cases[] = {
        {{5.0, 3.0, 7.0}, "SUM([AMOUNT])", true, "15"},
        {{5.0, 3.0, 7.0}, "MIN([AMOUNT])", true, "3"},
        {{5.0, 3.0, 7.0}, "MAX([AMOUNT])", true, "7"},
        {{5.0, 3.0, 7.0}, "AVG([AMOUNT])", true, "5"},
        {{5.0, 3.0, 7.0}, "COUNT(MasterData1)", true, "3"},
        // Negative values: the largest of them, not the 0 a total starts from.
        {{-5.0, -3.0}, "MAX([AMOUNT])", true, "-3"},
        {{5.0, 3.0}, "MIN([AMOUNT])", true, "3"},
        // A Null value adds 0 and counts.
        {{5.0, QVariant()}, "SUM([AMOUNT])", true, "5"},
        {{4.0, QVariant()}, "AVG([AMOUNT])", true, "2"},
        // No record at all: every total reads 0, AVG too, and the build goes on.
        {{}, "AVG([AMOUNT])", true, "0"},
        {{}, "MIN([AMOUNT])", true, "0"},
        {{}, "MAX([AMOUNT])", true, "0"},
        // An invisible data band adds its records only to totals that ask for it.
        {{1.0, 2.0}, "COUNT(MasterData1)", false, "0"},
        {{1.0, 2.0}, "COUNT(MasterData1, 1)", false, "2"},
        {{1.0, 2.0}, "SUM([AMOUNT], MasterData1, 1)", false, "3"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(summaryOf(c.amounts, QString::fromUtf8(c.expression), c.visible), QString::fromUtf8(c.result))
            << c.expression << " over " << c.amounts.size() << " records";
}

TEST_F(BuildRules, PageFooterWithoutFirstOrLastPageFlags)
{
    fillSales(numbered(120));
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 300, 20, QStringLiteral("[NAME]"));
    t.band(btPageFooter, 1000, 20, QStringLiteral("PageFooter1"));
    t.memo(QStringLiteral("Foot"), 40, 1000, 300, 20, QStringLiteral("подвал [PAGE#]"));
    buildtest::reload(report);
    ASSERT_TRUE(report.BuildReport());
    ASSERT_EQ(report.EMFPages().GetCount(), 3);
    const QString dump = dumpPages(report);
    EXPECT_EQ(dump.count(QStringLiteral("подвал")), 1) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("подвал 2")));
}

TEST_F(BuildRules, HeaderOfAnEmptyDetailLevelIsNotPrinted)
{
    TMemTable empty;
    empty.LoadData({TFieldDef(QStringLiteral("ID"), ftInteger)}, {});
    TfrDBDataSet emptySource;
    emptySource.SetDataSet(&empty);
    ComponentRegistry::instance().registerComponent(&module, &emptySource, QStringLiteral("frEmpty"));
    fillSales(numbered(2));
    for (const bool printIfSubsetEmpty : {false, true}) {
        report.Pages().Clear();
        Template t(report);
        t.band(btMasterHeader, 40, 20, QStringLiteral("MasterHeader1"));
        t.memo(QStringLiteral("Head"), 40, 40, 300, 20, QStringLiteral("шапка"));
        t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"),
               printIfSubsetEmpty ? 0x04 : 0);
        t.memo(QStringLiteral("Name"), 40, 100, 300, 20, QStringLiteral("[NAME]"));
        t.band(btDetailData, 160, 20, QStringLiteral("DetailData1"), QStringLiteral("frEmpty"));
        t.memo(QStringLiteral("Detail"), 40, 160, 300, 20, QStringLiteral("деталь"));
        t.band(btMasterFooter, 220, 20, QStringLiteral("MasterFooter1"));
        t.memo(QStringLiteral("Foot"), 40, 220, 300, 20, QStringLiteral("итог"));
        buildtest::reload(report);
        ASSERT_TRUE(report.BuildReport());
        const QString dump = dumpPages(report);
        EXPECT_EQ(dump.contains(QStringLiteral("шапка")), printIfSubsetEmpty) << dump.toStdString();
        EXPECT_EQ(dump.count(QStringLiteral("Абонент")), printIfSubsetEmpty ? 2 : 0);
        EXPECT_EQ(dump.contains(QStringLiteral("итог")), printIfSubsetEmpty);
        EXPECT_FALSE(dump.contains(QStringLiteral("деталь")));
    }
}

TEST_F(BuildRules, GroupHeaderRepeatsOnANewPage)
{
    fillSales(numbered(120));
    Template t(report);
    t.band(btPageHeader, 20, 20, QStringLiteral("PageHeader1"));
    t.memo(QStringLiteral("PageHead"), 40, 20, 300, 20, QStringLiteral("лист [PAGE#]"));
    t.band(btGroupHeader, 60, 20, QStringLiteral("GroupHeader1"), QStringLiteral("[REGION]"), 0x40);
    t.memo(QStringLiteral("Region"), 40, 60, 300, 20, QStringLiteral("[REGION]"));
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 300, 20, QStringLiteral("[NAME]"));
    buildtest::reload(report);
    ASSERT_TRUE(report.BuildReport());
    ASSERT_GE(report.EMFPages().GetCount(), 3);
    const QString dump = dumpPages(report);
    const QStringList pages = dump.split(QStringLiteral("page "), Qt::SkipEmptyParts);
    // Page 2 starts with its page header (no header on the first page without OnFirstPage) and the group
    // header again, above the next record.
    const QStringList second = pages.value(1).split(u'\n');
    ASSERT_GE(second.size(), 4);
    EXPECT_TRUE(second[1].contains(QStringLiteral("лист 2"))) << second[1].toStdString();
    EXPECT_TRUE(second[2].contains(QStringLiteral("Region"))) << second[2].toStdString();
    EXPECT_TRUE(second[3].contains(QStringLiteral("Name"))) << second[3].toStdString();
}

} // namespace

namespace {

TEST_F(BuildRules, BandScriptHidesItsBand)
{
    fillSales(numbered(4));
    Template t(report);
    TfrBandView *data = t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    data->Script = QStringList{QStringLiteral("MasterData1.Visible := [AMOUNT] <> 2;")};
    t.memo(QStringLiteral("Name"), 40, 100, 300, 20, QStringLiteral("[NAME]"));
    t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
    t.memo(QStringLiteral("Count"), 40, 200, 300, 20, QStringLiteral("[COUNT(MasterData1)] [COUNT(MasterData1, 1)]"));
    buildtest::reload(report);
    ASSERT_TRUE(report.BuildReport());
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    const QString dump = dumpPages(report);
    EXPECT_FALSE(dump.contains(QStringLiteral("Абонент 2"))) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("Абонент 3")));
    EXPECT_TRUE(dump.contains(QStringLiteral("3 4"))) << dump.toStdString();
}

} // namespace

namespace {

TEST_F(BuildRules, PageProperties)
{
    TfrPage page(PaperA4, 0, 0, -1, 0);
    page.SetPropertyValue(QStringLiteral("Width"), Variant(744));
    EXPECT_EQ(page.PaperWidth, 2067);
    EXPECT_EQ(page.GetPropertyValue(QStringLiteral("width")).toInt(), 744);
    page.SetPropertyValue(QStringLiteral("StretchToPrintable"), Variant(true));
    EXPECT_FALSE(page.MarginsUsed);
    page.SetPropertyValue(QStringLiteral("LeftMargin"), Variant(36));
    EXPECT_EQ(page.GetPropertyValue(QStringLiteral("LeftMargin")).toInt(), 36);
    EXPECT_TRUE(page.GetPropertyValue(QStringLiteral("NoSuchProperty")).isNull());
    page.SetPropertyValue(QStringLiteral("NoSuchProperty"), Variant(1));
    page.SetPropertyValue(QStringLiteral("Type"), Variant(1));
    page.SetPropertyValue(QStringLiteral("Width"), Variant(500));
    EXPECT_EQ(page.Width, 500) << "a dialog page's width is its window's";
    EXPECT_EQ(page.PaperWidth, 2067);
    page.RegisterProperties();
    EXPECT_TRUE(page.FindPropRec(QStringLiteral("Caption")));
    EXPECT_FALSE(page.FindPropRec(QStringLiteral("Columns")));

    // A script reads the margins of the print area while the page is built.
    fillSales(numbered(1));
    Template t(report);
    t.page->LeftMargin = 0;
    t.band(btReportTitle, 100, 20, QStringLiteral("Title"));
    t.memo(QStringLiteral("Edge"), 40, 100, 300, 20, QStringLiteral("[Page1.LeftMargin] [Page1.Columns]"));
    const QString dump = build();
    EXPECT_TRUE(dump.contains(QStringLiteral(") %1 1").arg(report.Pages().GetPage(0)->PrnInfo.OffsetX)))
        << dump.toStdString();
}

} // namespace

namespace {

TEST_F(BuildRules, FitTest)
{
    TfrPage page(PaperA4, 0, 0, -1, 0);
    page.Prepared = true;
    for (int t = 0; t <= btNone; ++t)
        page.BandsByType[size_t(t)] = std::make_unique<TfrBand>(t, &page);
    page.BottomLimit = 100;
    TfrBand *data = page.Band(btMasterData);
    struct Case
    {
        int columnFooter, top, height;
        bool outside;
    };
    const Case cases[] = {
        {0, 80, 20, false}, // exactly as high as the room left
        {0, 81, 20, true},
        {10, 70, 20, false}, // the column footer's room is kept free
        {10, 71, 20, true},
    };
    TfrBandView footerView;
    for (const Case &c : cases) {
        TfrBand *footer = page.Band(btColumnFooter);
        footer->View = c.columnFooter ? &footerView : nullptr;
        footer->Height = c.columnFooter;
        EXPECT_EQ(data->EnsureRoom(c.top, c.height, true), c.outside) << c.top << "+" << c.height;
    }
    EXPECT_FALSE(page.Band(btColumnFooter)->EnsureRoom(1000, 1000, true)) << "a column footer always fits";
}

TEST_F(BuildRules, StretchedBandTakesItsTallestText)
{
    fillSales({{"Север", "Антонов", 1.0}});
    for (const int lines : {1, 4}) {
        report.Pages().Clear();
        Template t(report);
        t.band(btMasterData, 100, 40, QStringLiteral("MasterData1"), QStringLiteral("frSales"), 0x01);
        QStringList text;
        for (int i = 0; i < lines; ++i)
            text << QStringLiteral("строка");
        t.memo(QStringLiteral("Text"), 40, 110, 300, 18, text.join(u'\n'))->Flags = 0x01;
        t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
        t.memo(QStringLiteral("After"), 40, 200, 300, 20, QStringLiteral("после"));
        const QString dump = build();
        const QRegularExpression after(QStringLiteral("After \\(40,(\\d+) "));
        const int y = after.match(dump).captured(1).toInt();
        // The band starts at the print area's top (18); its text starts 10 below that.
        if (lines == 1)
            EXPECT_EQ(y, 18 + 40) << "never less than the design height";
        else
            EXPECT_GT(y, 18 + 10 + 4 * 14) << dump.toStdString();
    }
}

} // namespace

namespace {

TEST_F(BuildRules, SplitBandWithAnObjectTallerThanAPageEnds)
{
    fillSales(numbered(1));
    Template t(report);
    t.band(btReportTitle, 100, 2000, QStringLiteral("Title"), QString(), 0x08);
    auto *picture = new TfrPictureView;
    picture->Name = QStringLiteral("Tall");
    picture->PlaceAt(40, 100, 200, 2000);
    t.page->AddObject(picture);
    t.memo(QStringLiteral("Small"), 300, 100, 200, 20, QStringLiteral("рядом"));
    const QString dump = build();
    EXPECT_EQ(dump.count(QStringLiteral("Tall")), 1) << dump.toStdString();
    EXPECT_EQ(dump.count(QStringLiteral("рядом")), 1);
}

} // namespace

namespace {

TEST_F(BuildRules, SubreportThatNeverFitsEnds)
{
    // The subreport's records are taller than any page: each cycle would start another page for nothing.
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("Outer"), QStringLiteral("1"));
    t.subreport(QStringLiteral("Sub"), 40, 100, 200, 20, 1);
    t.addPage();
    t.band(btMasterData, 0, 5000, QStringLiteral("Inner"), QStringLiteral("3"));
    t.memo(QStringLiteral("Huge"), 0, 0, 200, 20, QStringLiteral("не помещается"));
    const QString dump = build();
    EXPECT_LE(report.EMFPages().GetCount(), 3) << dump.toStdString();
}

} // namespace
