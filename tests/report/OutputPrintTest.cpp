#include "OutputSupport.h"


using namespace outputtest;

namespace {

class OutputPrint : public PreparedFixture
{
protected:
    void SetUp() override
    {
        PreparedFixture::SetUp();
        auto owned = std::make_unique<PdfPrinters>(dir.path());
        printers = owned.get();
        frAttachPlatformPrinters(std::move(owned));
        addPages(5);
    }

    // Pages per job file, in job order.
    std::vector<int> jobs() const
    {
        std::vector<int> pages;
        for (int j = 1; j <= printers->jobs; ++j)
            pages.push_back(pdfPages(dir.filePath(QStringLiteral("job-%1.pdf").arg(j))));
        return pages;
    }

    PdfPrinters *printers = nullptr;
};

TEST_F(OutputPrint, PageListsAndOddOrEvenPages)
{
    struct Case
    {
        const char *list;
        int oddEven;
        int pages;
    };
    const Case cases[] = {
        {"", 0, 5}, {"1,3-5", 0, 4}, {"4-", 0, 2}, {"5-3,2", 0, 1}, {"", 1, 3}, {"", 2, 2}, {"2-5", 1, 2}, {"1,9", 0, 1},
    };
    for (const Case &c : cases) {
        const int before = printers->jobs;
        report.PrintPreparedReport(QString::fromUtf8(c.list), 1, true, c.oddEven);
        ASSERT_EQ(printers->jobs, before + 1) << c.list;
        EXPECT_EQ(jobs().back(), c.pages) << c.list << " " << c.oddEven;
    }
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_F(OutputPrint, ABadListOrANamedPageThatDoesNotExistPrintsNothing)
{
    report.PrintPreparedReport("1-x", 1, true, 0);
    EXPECT_EQ(printers->jobs, 0);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Неверный список страниц: 1-x"));
    report.PrintPreparedReport("9", 1, true, 0);
    EXPECT_EQ(printers->jobs, 0);
}

TEST_F(OutputPrint, CopiesAndCollation)
{
    report.PrintPreparedReport("1-2", 2, true, 0);
    EXPECT_EQ(jobs(), std::vector<int>{4}) << "collated: the pages twice over";
    EXPECT_EQ(printers->device().copyCount(), 1);
    EXPECT_TRUE(printers->device().collateCopies());

    report.PrintPreparedReport("1-2", 3, false, 0);
    EXPECT_EQ(jobs().back(), 2) << "uncollated: each page once, the printer makes the copies";
    EXPECT_EQ(printers->device().copyCount(), 3);
    EXPECT_FALSE(printers->device().collateCopies());

    report.PrintPreparedReport("1", 0, false, 0);
    EXPECT_EQ(printers->device().copyCount(), 1) << "no copies is one copy";
}

TEST_F(OutputPrint, APaperChangeStartsAnotherJob)
{
    TfrPreparedPage &third = *report.EMFPages().GetPage(2);
    third.Orientation = 1;
    std::swap(third.PaperWidth, third.PaperHeight);
    report.PrintPreparedReport("", 1, true, 0);
    EXPECT_EQ(jobs(), (std::vector<int>{2, 1, 2}));

    report.PrintPreparedReport("3-5", 1, true, 0);
    EXPECT_EQ(printers->jobs, 5) << "no empty job for pages the list leaves out";
    EXPECT_EQ(jobs()[3], 1);
    EXPECT_EQ(jobs()[4], 2);
}

TEST_F(OutputPrint, CancelInTheProgressWindowStopsAfterThePage)
{
    auto owned = std::make_unique<TfrRecordingProgress>();
    TfrRecordingProgress *progress = owned.get();
    progress->CancelAfterLabels = 3;
    frEngine().SetProgress(std::move(owned));
    report.ShowProgress = true;
    report.PrintPreparedReport("", 1, true, 0);
    EXPECT_EQ(progress->Prefixes, QStringList{"Печатается страница:"});
    EXPECT_EQ(progress->Label1s.value(1), QStringLiteral("Печатается страница:  1"));
    EXPECT_EQ(progress->Label1s.size(), 3);
    EXPECT_TRUE(report.StopRequested);
}

TEST(OutputPrintNoPrinter, TheVirtualPrinterRefusesWithAMessage)
{
    frResetEngine();
    FakeMessageService messages;
    TfrReport report;
    report.ShowProgress = false;
    report.Pages().Add();
    report.EMFPages().Add(report.Pages().GetPage(0));
    report.PrintPreparedReport("", 1, true, 0);
    EXPECT_EQ(messages.requests.size(), 1);
    frResetEngine();
}

} // namespace
