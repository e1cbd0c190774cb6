// Page and band columns, split bands, child and invisible bands, subreports, cross-tabs and pages printed on the
// previous one: golden dumps checked by hand.
#include "BuildSupport.h"

using buildtest::Template;
using buildtest::dumpPages;
using buildtest::expectGolden;

namespace {

class BuildLayout : public buildtest::BuildFixture
{
protected:
    void SetUp() override
    {
        BuildFixture::SetUp();
        std::vector<std::vector<QVariant>> rows;
        const char *regions[] = {"Север", "Юг", "Запад"};
        for (int i = 1; i <= 7; ++i)
            rows.push_back({regions[(i - 1) / 3], QStringLiteral("Абонент %1").arg(i), double(i)});
        fillSales(std::move(rows));
    }

};

TEST_F(BuildLayout, PageColumnsRestartAtTheColumnHeader)
{
    Template t(report);
    t.page->Columns = 2;
    t.page->ColumnGap = 20;
    t.page->TopMargin = 700;
    t.band(btColumnHeader, 720, 20, QStringLiteral("ColumnHeader1"));
    t.memo(QStringLiteral("ColHead"), 40, 720, 200, 20, QStringLiteral("Абоненты"));
    t.band(btMasterData, 760, 60, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 760, 200, 60, QStringLiteral("[NAME]"));
    t.band(btColumnFooter, 840, 20, QStringLiteral("ColumnFooter1"));
    t.memo(QStringLiteral("ColFoot"), 40, 840, 200, 20, QStringLiteral("колонка"));
    expectGolden(build(), QStringLiteral("build-page-columns"), lastTemplate);
}

TEST_F(BuildLayout, BandColumnsPrintRecordsSideBySide)
{
    Template t(report);
    TfrBandView *data = t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    data->Columns = 3;
    data->ColumnWidth = 150;
    data->ColumnGap = 10;
    t.memo(QStringLiteral("Name"), 40, 100, 140, 20, QStringLiteral("[NAME]"));
    t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
    t.memo(QStringLiteral("Total"), 40, 200, 200, 20, QStringLiteral("Всего [COUNT(MasterData1)]"));
    expectGolden(build(), QStringLiteral("build-band-columns"), lastTemplate);
}

TEST_F(BuildLayout, SplitBandContinuesOnTheNextPage)
{
    Template t(report);
    t.page->TopMargin = 900;
    t.band(btReportTitle, 900, 40, QStringLiteral("Title"), QString(), 0x01 | 0x08);
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
        lines << QStringLiteral("Строка %1").arg(i);
    TfrMemoView *text = t.memo(QStringLiteral("Long"), 40, 900, 300, 20, lines.join(u'\n'));
    text->Flags = 0x01;
    t.memo(QStringLiteral("Beside"), 360, 920, 200, 20, QStringLiteral("рядом"));
    expectGolden(build(), QStringLiteral("build-split"), lastTemplate);
}

TEST_F(BuildLayout, ChildBandsAndAnInvisibleBand)
{
    Template t(report);
    TfrBandView *data = t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    data->ChildBand = QStringLiteral("Child1");
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME]"));
    t.band(btChild, 140, 20, QStringLiteral("Child1"));
    t.memo(QStringLiteral("Note"), 60, 140, 200, 20, QStringLiteral("примечание [LINE#]"));
    TfrBandView *hidden = t.band(btDetailData, 180, 20, QStringLiteral("DetailData1"), QStringLiteral("2"), 0x80);
    hidden->Visible = false;
    hidden->ChildBand = QStringLiteral("Child2");
    t.memo(QStringLiteral("Hidden"), 40, 180, 200, 20, QStringLiteral("не видно"));
    t.band(btChild, 220, 20, QStringLiteral("Child2"));
    t.memo(QStringLiteral("Shown"), 80, 220, 200, 20, QStringLiteral("за невидимой"));
    t.band(btReportSummary, 300, 20, QStringLiteral("Summary"));
    t.memo(QStringLiteral("Count"), 40, 300, 300, 20, QStringLiteral("записей [COUNT(MasterData1)]"));
    expectGolden(build(), QStringLiteral("build-child"), lastTemplate);
}

TEST_F(BuildLayout, SubreportPrintsItsPageInsideTheBand)
{
    Template t(report);
    t.band(btMasterData, 100, 40, QStringLiteral("Outer"), QStringLiteral("2"));
    t.memo(QStringLiteral("OuterText"), 40, 100, 200, 20, QStringLiteral("внешняя [LINE#]"));
    t.subreport(QStringLiteral("SubReport1"), 300, 100, 300, 20, 1);
    t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
    t.memo(QStringLiteral("End"), 40, 200, 200, 20, QStringLiteral("конец"));
    t.addPage();
    t.band(btMasterData, 0, 20, QStringLiteral("Inner"), QStringLiteral("3"));
    t.memo(QStringLiteral("InnerText"), 0, 0, 200, 20, QStringLiteral("вложенная [LINE#]"));
    expectGolden(build(), QStringLiteral("build-subreport"), lastTemplate);
}

TEST_F(BuildLayout, CrossTabContinuesOnTheFollowingPages)
{
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME]"));
    t.band(btMasterFooter, 160, 20, QStringLiteral("MasterFooter1"));
    t.memo(QStringLiteral("Total"), 40, 160, 200, 20, QStringLiteral("итого"));
    TfrBandView *cross = t.band(btCrossData, 0, 1000, QStringLiteral("CrossData1"), QStringLiteral("8"));
    cross->Left = 300;
    cross->Width = 100;
    t.memo(QStringLiteral("Cell"), 300, 100, 100, 20, QStringLiteral("[NAME] [COLUMN#]"));
    t.memo(QStringLiteral("CellTotal"), 300, 160, 100, 20, QStringLiteral("[COLUMN#]: [SUM([AMOUNT])]"));
    int widths = 0;
    report.OnPrintColumn = [&widths](int, int &) { ++widths; };
    expectGolden(build(), QStringLiteral("build-cross"), lastTemplate);
    EXPECT_GT(widths, 0);
}

TEST_F(BuildLayout, PageContinuesOnThePreviousOne)
{
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[NAME] [PAGE#]"));
    t.addPage();
    t.page->PrintToPrevPage = true;
    t.band(btReportTitle, 100, 20, QStringLiteral("Title2"));
    t.memo(QStringLiteral("Second"), 40, 100, 300, 20, QStringLiteral("вторая часть, лист [PAGE#]"));
    expectGolden(build(), QStringLiteral("build-prev-page"), lastTemplate);
}

} // namespace

namespace {

TEST_F(BuildLayout, NestedGroupsCloseInnerFootersFirst)
{
    Template t(report);
    t.band(btGroupHeader, 40, 20, QStringLiteral("Outer"), QStringLiteral("[REGION]"));
    t.memo(QStringLiteral("OuterHead"), 20, 40, 300, 20, QStringLiteral("[REGION]"));
    t.band(btGroupHeader, 70, 20, QStringLiteral("Inner"), QStringLiteral("[AMOUNT] > 1"));
    t.memo(QStringLiteral("InnerHead"), 40, 70, 300, 20, QStringLiteral("[IF([AMOUNT] > 1, 'больше 1', 'до 1')]"));
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 60, 100, 300, 20, QStringLiteral("[LINE#] [NAME]"));
    t.band(btGroupFooter, 130, 20, QStringLiteral("InnerFooter"));
    t.memo(QStringLiteral("InnerFoot"), 40, 130, 300, 20, QStringLiteral("внутренний итог [SUM([AMOUNT])]"));
    t.band(btGroupFooter, 160, 20, QStringLiteral("OuterFooter"));
    t.memo(QStringLiteral("OuterFoot"), 20, 160, 300, 20, QStringLiteral("итог района [SUM([AMOUNT])]"));
    expectGolden(build(), QStringLiteral("build-nested-groups"), lastTemplate);
}

TEST_F(BuildLayout, CrossRowsWithTheirOwnSources)
{
    // Each master row takes its columns from the sales; the master footer, with no source of its own, still
    // gets a cell for every column seen. The handler narrows column 2 to nothing, and the width stays so.
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("2"));
    t.memo(QStringLiteral("Row"), 20, 100, 100, 20, QStringLiteral("строка [LINE#]"));
    t.band(btMasterFooter, 160, 20, QStringLiteral("MasterFooter1"));
    t.memo(QStringLiteral("Foot"), 20, 160, 100, 20, QStringLiteral("итого"));
    TfrBandView *cross = t.band(btCrossData, 0, 1000, QStringLiteral("CrossData1"),
                                QStringLiteral("MasterData1=frSales;"));
    cross->Left = 200;
    cross->Width = 50;
    t.memo(QStringLiteral("Cell"), 200, 100, 50, 20, QStringLiteral("[COLUMN#]"));
    t.memo(QStringLiteral("FootCell"), 200, 160, 50, 20, QStringLiteral("к[COLUMN#]"));
    QList<int> widths;
    report.OnPrintColumn = [&widths](int colNo, int &width) {
        widths << width;
        if (colNo == 4)
            width = 0;
    };
    expectGolden(build(), QStringLiteral("build-cross-row-sources"), lastTemplate);
    EXPECT_EQ(widths.mid(0, 5), QList<int>({50, 50, 50, 50, 0}));
}

} // namespace
