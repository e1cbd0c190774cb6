#include "OutputSupport.h"

#include "FR_Dock.h"
#include "FR_E_RTF.h"
#include "FR_E_TXT.h"
#include "FR_ExportForms.h"
#include "FR_Prntr.h"
#include "FR_View.h"

#include "FakeReportDesigner.h"
#include "Formats.h"
#include "ModalAnswer.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace outputtest;
using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

namespace {

// Texts page i draws.
QStringList pageTexts(TfrEMFPages &pages, int i)
{
    RecordingCanvas canvas;
    TfrPreparedPage &p = *pages.GetPage(i);
    p.Visible = true;
    pages.Draw(i, canvas, QRect(0, 0, p.PrnInfo.PaperWidthUnits, p.PrnInfo.PaperHeightUnits));
    p.Visible = false;
    QStringList texts;
    for (const CanvasRecord &r : canvas.records())
        if (r.kind == CanvasRecord::Text)
            texts << r.text;
    return texts;
}

class OutputCommands : public PreparedFixture
{
protected:
    void SetUp() override
    {
        PreparedFixture::SetUp();
        addPages(3);
        templateBefore = templateBytes();
    }
    QByteArray templateBytes()
    {
        TMemoryStream s;
        report.SaveReportStream(s);
        return s.Bytes();
    }
    void designerRenames(const QString &text)
    {
        designers.emplace([this, text](tarvik::test::FakeReportDesigner &d) {
            d.WhileShown = [this, text](tarvik::test::FakeReportDesigner &shown) {
                ++designerRuns;
                EXPECT_EQ(report.Pages().GetCount(), 1) << "the prepared page is the only template page";
                if (auto *m = dynamic_cast<TfrMemoView *>(report.FindViewByName("T2"))) {
                    m->Memo = QStringList { text };
                    shown.Modified = true;
                }
            };
        });
    }
    QByteArray templateBefore;
    int designerRuns = 0;
    std::optional<tarvik::test::FakeDesignerFactory> designers;
};

TEST_F(OutputCommands, EditPreparedPageLendsThePageAndAsksBeforeKeepingChanges)
{
    designerRenames("Изменено");
    messages.answer(mrNo);
    report.EditPreparedPage(1);
    EXPECT_EQ(designerRuns, 1);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(pageTexts(report.EMFPages(), 1), QStringList{"Страница 2"});
    EXPECT_EQ(templateBytes(), templateBefore) << "the template comes back as it was";

    messages.answer(mrYes);
    report.EditPreparedPage(1);
    EXPECT_EQ(pageTexts(report.EMFPages(), 1), QStringList{"Изменено"});
    EXPECT_EQ(templateBytes(), templateBefore);

    designerRenames("Изменено");
    report.EditPreparedPage(1);
    EXPECT_EQ(messages.requests.size(), 2) << "nothing changed, nothing asked";

    designers.reset();
    frEngine().DesignerFormClass = [](bool) -> TfrReportDesigner * { throw Exception("designer failed"); };
    EXPECT_THROW(report.EditPreparedPage(0), Exception);
    EXPECT_EQ(templateBytes(), templateBefore) << "the template is restored when the designer fails";
    EXPECT_EQ(pageTexts(report.EMFPages(), 0), QStringList{"Страница 1"});

    frEngine().DesignerFormClass = nullptr;
    report.EditPreparedPage(0);
    EXPECT_EQ(designerRuns, 3);
}

TEST_F(OutputCommands, ThePreviewEditsTheCurrentPageWithCtrlE)
{
    designerRenames("Из окна");
    messages.answer(mrYes);
    TfrPreviewForm form;
    form.AttachReport(&report);
    form.ApplyReportOptions();
    form.resize(800, 600);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.ResetView(true);
    form.HandleKey(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(form.HandleKey(Qt::Key_E, Qt::ControlModifier));
    EXPECT_EQ(designerRuns, 1);
    EXPECT_EQ(form.PageCount(), 3);
    EXPECT_EQ(pageTexts(*form.ShownPages, 1), QStringList{"Из окна"});
    EXPECT_EQ(report.EMFPages().GetCount(), 0);

    report.ModifyPrepared = false;
    form.ApplyReportOptions();
    form.HandleKey(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(designerRuns, 1) << "a report whose pages may not change offers no editing";
}

// One printer whose page setup the test answers.
class OnePrinter : public PlatformPrinters
{
public:
    QStringList printerNames() const override { return {"Office"}; }
    int defaultPrinterIndex() const override { return 0; }
    bool readSettings(int, PlatformPrinterSettings &s) override
    {
        s.paperSize = 9;
        s.paperWidth = 2100;
        s.paperHeight = 2970;
        s.paperSizes = {9};
        s.paperNames = {"A4"};
        s.physicalWidth = 4960;
        s.physicalHeight = 7016;
        s.printableWidth = 4960;
        s.printableHeight = 7016;
        return true;
    }
    bool applySettings(int, int, int, int, int, int) override { return true; }
    bool showProperties(int) override { return false; }
};

TEST_F(OutputCommands, PageSetupSetsTheMarginsAndBuildsAgain)
{
    frAttachPlatformPrinters(std::make_unique<OnePrinter>());
    report.EMFPages().GetPage(0)->Margins = {36, 72, 18, 0};
    report.PreviewButtons |= pbPageSetup;
    QMarginsF offered;
    TfrPreviewForm::PageSetupDialog = [&](TfrPreviewForm &, QMarginsF &m) {
        offered = m;
        m = QMarginsF(1000, 2000, 500, 0);
        return true;
    };
    TfrPreviewForm form;
    form.AttachReport(&report);
    form.ApplyReportOptions();
    ASSERT_TRUE(form.PageSetupBtn->isEnabled());
    form.PageSetupBtnClick();
    TfrPreviewForm::PageSetupDialog = nullptr;
    EXPECT_EQ(offered, QMarginsF(1000, 2000, 500, 0));
    TfrPage *page = report.Pages().GetPage(0);
    EXPECT_EQ(page->LeftMargin, 36);
    EXPECT_EQ(page->TopMargin, 72);
    EXPECT_EQ(page->RightMargin, 18);
    EXPECT_EQ(form.PageCount(), 1) << "built again from the template";
}

TEST_F(OutputCommands, PrintFromThePreviewWithTheReportsDefaults)
{
    auto owned = std::make_unique<PdfPrinters>(dir.path());
    PdfPrinters *printers = owned.get();
    frAttachPlatformPrinters(std::move(owned));
    report.ShowPrintDialog = false;
    report.DefaultCopies = 2;
    report.DefaultCollate = true;
    TfrPreviewForm form;
    form.AttachReport(&report);
    form.ApplyReportOptions();
    form.ResetView(true);
    ASSERT_TRUE(form.PrintBtn->isEnabled());
    EXPECT_TRUE(form.HandleKey(Qt::Key_P, Qt::ControlModifier));
    ASSERT_EQ(printers->jobs, 1);
    EXPECT_EQ(pdfPages(dir.filePath("job-1.pdf")), 6);
    EXPECT_EQ(form.PageCount(), 3) << "the window has its pages again";
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
}

TEST_F(OutputCommands, TheDefaultFilterIsOfferedFirst)
{
    TfrTextExport txt;
    TfrCSVExport csv;
    csv.Default = true;
    FakeDialogService dialogs;
    TfrPreviewForm form;
    form.AttachReport(&report);
    form.SaveBtnClick();
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].filterIndex, 3);
    EXPECT_TRUE(dialogs.fileRequests[0].filter.endsWith("|Файл CSV (*.csv)|*.csv"));
    EXPECT_EQ(entries(), QStringList()) << "a cancelled save writes nothing";
}

TEST_F(OutputCommands, HelpModeEndsAtTheNextPress)
{
    TfrPreviewForm form;
    form.AttachReport(&report);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.HelpBtnClick();
    EXPECT_EQ(form.cursor().shape(), Qt::WhatsThisCursor);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), form.mapToGlobal(QPointF(50, 50)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &press);
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(form.HelpBtn->Down());
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST(OutputDialogs, CsvAndRtfOptionsComeBackFromTheirDialogs)
{
    frResetEngine();
    TfrCSVExport csv;
    ModalAnswer csvAnswer([] { return activeModal<TfrCSVExportForm>() != nullptr; },
                          [] {
                              auto *f = activeModal<TfrCSVExportForm>();
                              EXPECT_EQ(f->windowTitle(), QStringLiteral("Экспорт в CSV"));
                              EXPECT_EQ(f->E3->text(), QStringLiteral(";"));
                              f->E3->setText("\t|");
                              f->CB2->setChecked(true);
                              f->E1->setText("0");
                              f->Button1->click();
                          });
    EXPECT_EQ(csv.ShowModal(), 1);
    EXPECT_EQ(csv.Delimiter, QChar(u'\t'));
    EXPECT_TRUE(csv.ConvertToOEM);
    EXPECT_EQ(csv.ScaleX, 1.0) << "a scale that is no positive number is 1";

    TfrRTFExport rtf;
    ModalAnswer rtfAnswer([] { return activeModal<TfrRTFExportForm>() != nullptr; },
                          [] {
                              auto *f = activeModal<TfrRTFExportForm>();
                              EXPECT_EQ(f->windowTitle(), QStringLiteral("Экспорт в RTF"));
                              EXPECT_EQ(f->E1->text(), FloatToStr(1.3));
                              f->CB2->setChecked(true);
                              f->CB3->setChecked(true);
                              f->CB5->setChecked(false);
                              f->Button2->click();
                          });
    EXPECT_EQ(rtf.ShowModal(), 2);
    EXPECT_TRUE(rtf.ExportBitmaps);
    EXPECT_TRUE(rtf.ConvertToTable);
    EXPECT_FALSE(rtf.PageBreaks);
    frResetEngine();
}

} // namespace
