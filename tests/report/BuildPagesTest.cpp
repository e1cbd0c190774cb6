// Templates assembled in code, reloaded through the stream and built; the prepared pages are compared with
// golden dumps checked by hand.
#include "BuildSupport.h"

using buildtest::Template;
using buildtest::dumpPages;
using buildtest::expectGolden;

namespace {

class BuildPages : public buildtest::BuildFixture
{
protected:
    void salesOfThreeRegions()
    {
        fillSales({{"Север", "Антонов", 10.5},
                   {"Север", "Борисов", QVariant()},
                   {"Север", "Волков", 7.0},
                   {"Юг", "Григорьев", 3.0},
                   {"Юг", "Дмитриев", 5.0},
                   {"Запад", "Егоров", -2.0}});
    }

    // Builds the reloaded template; the build must succeed without a message.
};

TEST_F(BuildPages, TotalsInASummary)
{
    salesOfThreeRegions();
    Template t(report);
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 200, 20, QStringLiteral("[LINE#]. [NAME]"));
    t.memo(QStringLiteral("Amount"), 240, 100, 100, 20, QStringLiteral("[AMOUNT]"));
    t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
    t.memo(QStringLiteral("Totals"), 40, 200, 600, 20,
           QStringLiteral("[SUM([AMOUNT])] [COUNT(MasterData1)] [AVG([AMOUNT])] [MIN([AMOUNT])] [MAX([AMOUNT])]"));
    expectGolden(build(), QStringLiteral("build-summary"), lastTemplate);
}

TEST_F(BuildPages, GroupsWithFootersAndAGrandTotal)
{
    salesOfThreeRegions();
    Template t(report);
    auto *header = t.band(btGroupHeader, 60, 20, QStringLiteral("GroupHeader1"), QStringLiteral("[REGION]"));
    Q_UNUSED(header);
    t.memo(QStringLiteral("Region"), 40, 60, 200, 20, QStringLiteral("Регион [REGION]"));
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 60, 100, 200, 20, QStringLiteral("[LINE#] [NAME] [AMOUNT]"));
    t.band(btGroupFooter, 140, 20, QStringLiteral("GroupFooter1"));
    t.memo(QStringLiteral("GroupTotal"), 60, 140, 300, 20,
           QStringLiteral("Итого [SUM([AMOUNT])] из [COUNT(MasterData1)]"));
    t.band(btReportSummary, 200, 20, QStringLiteral("Summary"));
    t.memo(QStringLiteral("GrandTotal"), 40, 200, 300, 20, QStringLiteral("Всего [SUM([AMOUNT])]"));
    expectGolden(build(), QStringLiteral("build-groups"), lastTemplate);
}

TEST_F(BuildPages, OverflowWithPageHeaderFooterAndPageNumbers)
{
    std::vector<std::vector<QVariant>> rows;
    for (int i = 1; i <= 120; ++i)
        rows.push_back({"Север", QStringLiteral("Абонент %1").arg(i), double(i)});
    fillSales(std::move(rows));
    Template t(report);
    t.band(btPageHeader, 20, 20, QStringLiteral("PageHeader1"), QString(), 0x10);
    t.memo(QStringLiteral("Head"), 40, 20, 300, 20, QStringLiteral("Лист [PAGE#]"));
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 300, 20, QStringLiteral("[NAME]"));
    t.band(btPageFooter, 1000, 20, QStringLiteral("PageFooter1"), QString(), 0x30);
    t.memo(QStringLiteral("Foot"), 40, 1000, 300, 20, QStringLiteral("- [PAGE#] -"));
    const QString dump = build();
    expectGolden(dump, QStringLiteral("build-overflow"), lastTemplate);
}

TEST_F(BuildPages, TwoPassesKnowTheTotalPages)
{
    std::vector<std::vector<QVariant>> rows;
    for (int i = 1; i <= 60; ++i)
        rows.push_back({"Юг", QStringLiteral("Абонент %1").arg(i), double(i)});
    fillSales(std::move(rows));
    Template t(report);
    report.TwoPass = true;
    t.band(btMasterData, 100, 20, QStringLiteral("MasterData1"), QStringLiteral("frSales"));
    t.memo(QStringLiteral("Name"), 40, 100, 300, 20, QStringLiteral("[CURRENT#]. [NAME]"));
    t.band(btPageFooter, 1000, 20, QStringLiteral("PageFooter1"), QString(), 0x30);
    t.memo(QStringLiteral("Foot"), 40, 1000, 300, 20, QStringLiteral("[PAGE#] из [TOTALPAGES] [FINALPASS]"));
    expectGolden(build(), QStringLiteral("build-two-passes"), lastTemplate);
    EXPECT_TRUE(report.TwoPass) << "two passes stay requested";
    EXPECT_FALSE(report.FinalPass);
}

} // namespace
