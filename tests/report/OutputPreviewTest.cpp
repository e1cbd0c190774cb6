#include "OutputSupport.h"

#include "FR_Ctrls.h"
#include "FR_DBSet.h"
#include "FR_Dock.h"
#include "FR_E_TXT.h"
#include "FR_Locale.h"
#include "FR_ProgressForm.h"
#include "FR_View.h"

#include "ClientDataSet.h"
#include "ComponentRegistry.h"
#include "FakeReportDesigner.h"
#include "ModalAnswer.h"
#include "Screenshot.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace outputtest;
using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

namespace {

// The page box takes the window's size less the toolbar (33), the bottom panel (18) and the right panel (16).
constexpr int BoxW = 1000, BoxH = 700;

class OutputPreview : public PreparedFixture
{
protected:
    void SetUp() override
    {
        PreparedFixture::SetUp();
        TfrPreviewForm::LastScale = 1.0;
        TfrPreviewForm::LastZoomMode = 0;
        form = std::make_unique<TfrPreviewForm>();
    }
    void TearDown() override
    {
        form.reset();
        PreparedFixture::TearDown();
    }

    // Shows the window on the report's pages with the page box at BoxW x BoxH.
    void open(int pages)
    {
        addPages(pages);
        showPages();
    }
    void showPages()
    {
        form->AttachReport(&report);
        form->ApplyReportOptions();
        form->resize(BoxW + 16, BoxH + 33 + 18);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->ResetView(true);
        ASSERT_EQ(form->PageBox->size(), QSize(BoxW, BoxH));
    }
    int pageW() const { return form->ShownPages->GetPage(0)->PrnInfo.PaperWidthUnits; }
    int pageH() const { return form->ShownPages->GetPage(0)->PrnInfo.PaperHeightUnits; }
    int unpacked() const
    {
        int n = 0;
        for (int i = 0; i < form->PageCount(); ++i)
            n += form->ShownPages->GetPage(i)->Page != nullptr;
        return n;
    }
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, form->PageBox->mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(form->PageBox, &event);
    }

    std::unique_ptr<TfrPreviewForm> form;
};

TEST_F(OutputPreview, ScaleAndPlacementPerZoomMode)
{
    open(12);
    const int w = pageW(), h = pageH();
    ASSERT_GT(w, 500);
    EXPECT_EQ(form->PageRect(0), QRect((BoxW - w) / 2, 10, w, h)) << "one page a row, centred";
    EXPECT_FALSE(form->HScrollBar->isEnabled());
    EXPECT_EQ(form->ZoomBtn->Caption(), QStringLiteral("100%"));
    EXPECT_EQ(form->PageRect(1).top(), 10 + h + 10);

    form->SetZoom(1);
    EXPECT_DOUBLE_EQ(form->Scale, (BoxW - 20) / double(w));
    EXPECT_TRUE(form->N1->isChecked());
    EXPECT_EQ(form->PageRect(0).left(), 10);

    form->SetZoom(2);
    EXPECT_DOUBLE_EQ(form->Scale, (BoxH - 20) / double(h));
    EXPECT_EQ(form->PageRect(1).top(), form->PageRect(0).bottom() + 1 + 10) << "whole page: one a row";

    form->SetZoom(3);
    EXPECT_DOUBLE_EQ(form->Scale, (BoxW - 30) / (2.0 * w));
    EXPECT_EQ(form->ZoomBtn->Caption(), QString::number(frRound((BoxW - 30) / (2.0 * w) * 100)) + u'%');
    EXPECT_EQ(form->PageRect(1).top(), form->PageRect(0).top()) << "two pages a row";
    EXPECT_EQ(form->PageRect(2).left(), 10);

    form->SetZoom(10);
    const int small = frRound(w * 0.1);
    const int perRow = (BoxW - 10) / (small + 10);
    EXPECT_EQ(form->PageRect(perRow).top(), form->PageRect(0).bottom() + 1 + 10);
    EXPECT_EQ(form->PageRect(perRow - 1).top(), 10);
    EXPECT_TRUE(form->N101->isChecked());
    EXPECT_EQ(TfrPreviewForm::LastScale, 0.1) << "the next preview starts with this zoom";

    // The next window starts at the last zoom unless its report names one.
    TfrPreviewForm next;
    report.InitialZoom = pzOnePage;
    next.AttachReport(&report);
    next.ApplyReportOptions();
    next.ResetView(true);
    EXPECT_EQ(next.ZoomMode, 2);
    next.DetachReport();
    form->DetachReport();
    form->AttachReport(&report);
}

TEST_F(OutputPreview, PageLabelAndPageChangedWhileScrolling)
{
    auto *preview = new TfrPreview;
    QWidget host;
    host.resize(600, 500);
    auto *layout = new QVBoxLayout(&host);
    layout->addWidget(preview);
    report.Preview = preview;
    std::vector<int> changes;
    preview->OnPageChanged = [&](TfrPreview *sender, int page) {
        EXPECT_EQ(sender, preview);
        changes.push_back(page);
    };
    addPages(12);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    preview->ShowPrepared(&report);
    EXPECT_EQ(report.EMFPages().GetCount(), 0) << "the panel holds the pages";
    TfrPreviewForm &w = *preview->Window();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Стр. 1/12"));
    changes.clear();
    w.VScrollBar->setValue(w.PageRect(4).top() - 22);
    EXPECT_EQ(w.CurrentPage, 4);
    w.VScrollBar->setValue(w.PageRect(4).top() - 10);
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Стр. 5/12"));
    EXPECT_EQ(changes.back(), 5);
    EXPECT_EQ(preview->GetPageNo(), 5);

    // Printing or exporting borrows the pages back and returns them.
    TfrTextExport txt;
    txt.ShowDialog = false;
    ASSERT_TRUE(report.ExportTo(&txt, dir.filePath("panel.txt")));
    EXPECT_EQ(readFile(dir.filePath("panel.txt")).count('\x0C'), 12);
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
    EXPECT_EQ(w.PageCount(), 12);
    preview->ReleasePages();
    EXPECT_EQ(report.EMFPages().GetCount(), 12);
}

TEST_F(OutputPreview, KeyTable)
{
    open(12);
    auto key = [&](int k, Qt::KeyboardModifiers m = Qt::NoModifier) { return form->HandleKey(k, m); };
    EXPECT_TRUE(key(Qt::Key_Down));
    EXPECT_EQ(form->VScrollBar->value(), 10);
    EXPECT_TRUE(key(Qt::Key_PageDown));
    EXPECT_EQ(form->VScrollBar->value(), 210);
    EXPECT_TRUE(key(Qt::Key_Up));
    EXPECT_EQ(form->VScrollBar->value(), 200);
    EXPECT_TRUE(key(Qt::Key_PageDown, Qt::ControlModifier));
    EXPECT_EQ(form->CurrentPage, 2);
    EXPECT_EQ(form->VScrollBar->value(), form->PageRect(1).top() - 10);
    EXPECT_TRUE(key(Qt::Key_PageUp, Qt::ControlModifier));
    EXPECT_EQ(form->CurrentPage, 1);
    EXPECT_FALSE(key(Qt::Key_Home));
    EXPECT_FALSE(key(Qt::Key_End));
    EXPECT_FALSE(key(Qt::Key_O));
    EXPECT_TRUE(key(Qt::Key_End, Qt::ControlModifier));
    EXPECT_EQ(form->CurrentPage, 12);
    EXPECT_EQ(form->Label1->text(), QStringLiteral("Стр. 12/12"));
    EXPECT_TRUE(key(Qt::Key_Home, Qt::ControlModifier));
    EXPECT_EQ(form->VScrollBar->value(), 0);
    EXPECT_EQ(form->CurrentPage, 1);
    EXPECT_TRUE(key(Qt::Key_X, Qt::ControlModifier)) << "any other key with Ctrl is consumed";
    EXPECT_TRUE(key(Qt::Key_F3)) << "consumed without a search text";
    form->SetZoom(200);
    EXPECT_TRUE(key(Qt::Key_Right));
    EXPECT_EQ(form->HScrollBar->value(), 10);
    EXPECT_TRUE(key(Qt::Key_Left));
    EXPECT_EQ(form->HScrollBar->value(), 0);
    QTest::keyClick(form->PageBox, Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible()) << "Escape closes";
}

TEST_F(OutputPreview, DragScrollingClickAndHover)
{
    open(3);
    form->SetZoom(200);
    const QRect page = form->PageRect(0);
    QList<QString> clicked;
    report.OnObjectClick = [&](TfrView *v) { clicked << v->Name; };
    // The text "Страница 1" stands at (40, 40) of the page, 300 x 20.
    const QPoint onText = page.topLeft() + QPoint(100, 100);
    mouse(QEvent::MouseButtonPress, onText, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, onText, Qt::NoButton);
    EXPECT_EQ(clicked, QList<QString>{"T1"});
    EXPECT_FALSE(form->PageBox->Dragging) << "a click on an object starts no drag";

    const QPoint blank = page.topLeft() + QPoint(600, 900);
    mouse(QEvent::MouseButtonPress, blank, Qt::LeftButton);
    EXPECT_TRUE(form->PageBox->Dragging);
    mouse(QEvent::MouseMove, blank - QPoint(30, 50), Qt::LeftButton);
    EXPECT_EQ(form->HScrollBar->value(), 30);
    EXPECT_EQ(form->VScrollBar->value(), 50);
    mouse(QEvent::MouseButtonRelease, blank - QPoint(30, 50), Qt::NoButton);
    EXPECT_FALSE(form->PageBox->Dragging);
    EXPECT_EQ(clicked.size(), 1);

    report.OnMouseOverObject = [](TfrView *, Qt::CursorShape &cursor) { cursor = Qt::PointingHandCursor; };
    mouse(QEvent::MouseMove, page.topLeft() + QPoint(100, 100) - QPoint(30, 50), Qt::NoButton);
    EXPECT_EQ(form->PageBox->cursor().shape(), Qt::PointingHandCursor);
    mouse(QEvent::MouseMove, page.topLeft() + QPoint(700, 1200) - QPoint(30, 50), Qt::NoButton);
    EXPECT_EQ(form->PageBox->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(OutputPreview, RemovePageAsksFirst)
{
    tarvik::test::FakeDesignerFactory designers;
    open(2);
    EXPECT_TRUE(form->N7->isVisible());
    form->CurrentPage = 2;
    messages.answer(mrNo);
    form->RemovePageClick();
    EXPECT_EQ(form->PageCount(), 2);
    messages.answer(mrYes);
    form->RemovePageClick();
    ASSERT_EQ(messages.requests.size(), 2);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Удалить страницу?"));
    EXPECT_EQ(messages.requests.last().caption, QStringLiteral("Подтверждение"));
    EXPECT_EQ(messages.requests.last().buttons, mbYesNo);
    EXPECT_EQ(form->PageCount(), 1);
    EXPECT_EQ(form->CurrentPage, 1);
    EXPECT_FALSE(form->N7->isEnabled());
    form->RemovePageClick();
    EXPECT_EQ(messages.requests.size(), 2) << "the last page is not offered for removal";

    form->AddPageClick();
    EXPECT_EQ(form->PageCount(), 2);
    EXPECT_TRUE(form->N7->isEnabled());
}

TEST_F(OutputPreview, SaveWithTheTextFilterWritesTxt)
{
    TfrTextExport txt;
    txt.ShowDialog = false;
    open(3);
    FakeDialogService dialogs;
    dialogs.answerSave(dir.filePath("out.frp"), 2);
    form->SaveBtnClick();
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests[0].filter, QStringLiteral("Файл отчета (*.frp)|*.frp|Текстовый файл (*.txt)|*.txt"));
    EXPECT_EQ(entries(), QStringList{"out.txt"});
    EXPECT_EQ(form->PageCount(), 3) << "the window has its pages again";
    EXPECT_EQ(report.EMFPages().GetCount(), 0);

    dialogs.answerSave(dir.filePath("keep.txt"), 1);
    form->SaveBtnClick();
    EXPECT_EQ(entries(), QStringList({"keep.frp", "out.txt"}));
    form->DetachReport();
    ASSERT_TRUE(report.LoadPreparedFile(dir.filePath("keep.frp")));
    EXPECT_EQ(report.EMFPages().GetCount(), 3);
}

TEST_F(OutputPreview, GrabShowsPagesOnGrey)
{
    open(2);
    form->SetZoom(50);
    const QImage image = form->PageBox->grab().toImage();
    const QRect page = form->PageRect(0);
    EXPECT_EQ(image.pixelColor(3, 3), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(image.pixelColor(page.left(), page.top() + 20), QColor(Qt::black)) << "the page's frame";
    EXPECT_EQ(image.pixelColor(page.left() + 5, page.bottom() - 5), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(page.right() + 1, page.top() + 20), QColor(Qt::black)) << "the shadow";
    EXPECT_EQ(image.pixelColor(page.right() + 3, page.top() + 20), QColor(0x80, 0x80, 0x80));
}

// A one-page list of charges as the program prints it: a title, a framed header row, a row per subscriber and
// the total, placed in code on the prepared page.
struct ListCell
{
    int left, width;
    int alignment;
};
const ListCell ListColumns[] = {
    {60, 40, frtaCenter}, {100, 250, frtaLeft}, {350, 250, frtaLeft}, {600, 130, frtaRight}};

struct Charge
{
    const char16_t *account, *name, *address, *amount;
};
const Charge Charges[] = {
    {u"1001", u"Иванов Сергей Петрович", u"ул. Ленина, 12, кв. 4", u"350,00"},
    {u"1002", u"Петрова Анна Николаевна", u"ул. Ленина, 12, кв. 17", u"420,50"},
    {u"1007", u"Сидоров Олег Иванович", u"ул. Садовая, 3, кв. 21", u"350,00"},
    {u"1012", u"Кузнецова Мария Викторовна", u"ул. Садовая, 5, кв. 2", u"280,00"},
    {u"1015", u"Смирнов Алексей Юрьевич", u"пр. Мира, 40, кв. 56", u"510,00"},
    {u"1021", u"Волкова Елена Сергеевна", u"пр. Мира, 42, кв. 9", u"350,00"},
    {u"1024", u"Морозов Дмитрий Андреевич", u"ул. Школьная, 7, кв. 33", u"199,90"},
    {u"1030", u"Новикова Ольга Павловна", u"ул. Школьная, 9, кв. 1", u"420,50"},
};

class OutputPreviewList : public OutputPreview
{
protected:
    TfrMemoView &cell(int page, const ListCell &c, int top, const QString &text, bool bold = false)
    {
        cells.push_back(std::make_unique<TfrMemoView>());
        TfrMemoView &m = *cells.back();
        m.Name = QStringLiteral("Cell%1").arg(cells.size());
        m.Left = c.left;
        m.Top = top;
        m.Width = c.width;
        m.Height = RowH;
        m.Memo = QStringList{text};
        m.WorkText = m.Memo;
        m.Alignment = c.alignment | frtaMiddle;
        m.FrameTyp = 0xF;
        m.Font.Size = 10;
        m.Font.Style = bold ? 2 : 0;
        pending.push_back({page, &m});
        return m;
    }
    void addListPage()
    {
        const int p = addPage();
        const QString heading = QStringLiteral("Начисления абонентам за ноябрь 2026 г.");
        TfrMemoView &title = cell(p, {60, 670, frtaCenter}, 40, heading, true);
        title.FrameTyp = 0;
        title.Font.Size = 14;
        title.Height = 30;
        const QString heads[] = {QStringLiteral("№"), QStringLiteral("Абонент"), QStringLiteral("Адрес"),
                                 QStringLiteral("Сумма, руб.")};
        int top = 90;
        for (int i = 0; i < 4; ++i)
            cell(p, {ListColumns[i].left, ListColumns[i].width, frtaCenter}, top, heads[i], true).FillColor = clSilver;
        for (const Charge &c : Charges) {
            top += RowH;
            const QString texts[] = {QString::fromUtf16(c.account), QString::fromUtf16(c.name),
                                     QString::fromUtf16(c.address), QString::fromUtf16(c.amount)};
            for (int i = 0; i < 4; ++i)
                cell(p, ListColumns[i], top, texts[i]);
        }
        top += RowH;
        cell(p, {60, 540, frtaRight}, top, QStringLiteral("Итого:"), true);
        cell(p, ListColumns[3], top, QStringLiteral("2 880,90"), true);
        for (const auto &[page, view] : pending)
            report.EMFPages().AddObject(page, view);
    }
    static constexpr int RowH = 22;
    std::vector<std::unique_ptr<TfrMemoView>> cells;
    std::vector<std::pair<int, TfrMemoView *>> pending;
};

TEST_F(OutputPreviewList, AListReportPageForTheWindowsPicture)
{
    addListPage();
    showPages();
    form->SetZoom(100);
    const QImage image = form->PageBox->grab().toImage();
    const QRect page = form->PageRect(0);
    // The header row's grey fill inside its frame, and the white page below the list.
    EXPECT_EQ(image.pixelColor(page.left() + 62, page.top() + 92), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(image.pixelColor(page.left() + 62, page.top() + 90 + 11 * RowH), QColor(Qt::white));
    int dark = 0;
    for (int x = page.left() + 100; x < page.left() + 350; ++x)
        dark += qGray(image.pixel(x, page.top() + 90 + RowH + RowH / 2)) < 128;
    EXPECT_GT(dark, 20) << "the first subscriber's name is written";
    tarvik::test::SaveScreenshot(form.get(), QStringLiteral("report-preview"), QSize(900, 650));
}

// The toolbar shows pictures, greyed on a disabled button, and keeps its hints.
TEST_F(OutputPreview, ToolbarButtonsShowPicturesAndHints)
{
    open(1);
    const std::pair<TfrTBButton *, int> buttons[] = {{form->LoadBtn, 53025}, {form->SaveBtn, 53026},
                                                     {form->PrintBtn, 53027}, {form->PageSetupBtn, 0},
                                                     {form->FindBtn, 53028},  {form->HelpBtn, 53032},
                                                     {form->ExitBtn, 53023}};
    for (const auto &[b, hint] : buttons) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_TRUE(b->Caption().isEmpty());
        ASSERT_EQ(b->Glyph().size(), QSize(16, 16));
        // The page setup button has no hint of its own.
        EXPECT_EQ(b->toolTip(), hint ? GetLocaleString(hint) : QString());
        const QImage up = b->GlyphImage(TfrSpeedButton::bsUp), off = b->GlyphImage(TfrSpeedButton::bsDisabled);
        bool coloured = false, drawn = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = off.pixelColor(x, y);
                drawn |= c.alpha() != 0;
                EXPECT_TRUE(c.alpha() == 0 || (c.red() == c.green() && c.green() == c.blue())) << x << "," << y;
                const QColor u = up.pixelColor(x, y);
                coloured |= u.alpha() != 0 && !(u.red() == u.green() && u.green() == u.blue());
            }
        EXPECT_TRUE(drawn) << "the disabled picture keeps the shape";
        EXPECT_TRUE(coloured);
    }
}

TEST_F(OutputPreview, ALongReportKeepsOnlyTheVisiblePagesUnpacked)
{
    open(60);
    form->PageBox->repaint();
    EXPECT_LE(unpacked(), 2);
    for (int i = 0; i < 40; ++i) {
        form->HandleKey(Qt::Key_PageDown, Qt::ControlModifier);
        form->PageBox->repaint();
        EXPECT_LE(unpacked(), 2) << "after page " << form->CurrentPage;
    }
    form->SearchText = "НЕТ ТАКОГО";
    form->SearchPage = 0;
    form->SearchRecord = 0;
    form->ContinueSearch();
    EXPECT_FALSE(form->SearchFound);
    EXPECT_LE(unpacked(), 2);
    EXPECT_EQ(form->SearchPage, 60);
}

// Answers the search dialog with a text, case sensitivity and "from current".
ModalAnswer answerSearch(const QString &text, bool caseSensitive, bool fromCurrent)
{
    return ModalAnswer([] { return activeModal<TfrPreviewSearchForm>() != nullptr; },
                       [=] {
                           auto *d = activeModal<TfrPreviewSearchForm>();
                           EXPECT_EQ(d->windowTitle(), QStringLiteral("Поиск"));
                           d->Edit1->setText(text);
                           d->CB1->setChecked(caseSensitive);
                           (fromCurrent ? d->RB2 : d->RB1)->setChecked(true);
                           d->Button1->click();
                       });
}

TEST_F(OutputPreview, SearchWithF3CaseAndFromCurrent)
{
    addPages(5);
    addText(2, "Second", 40, 200, 300, 20, "Итого за месяц");
    open(0);
    {
        auto answer = answerSearch("итого", false, false);
        form->FindBtnClick();
        EXPECT_TRUE(answer.ran());
    }
    ASSERT_TRUE(form->SearchFound);
    EXPECT_EQ(form->CurrentPage, 3);
    const int first = form->FoundRect.top();
    EXPECT_TRUE(first >= 100 && first < 120) << "the first match on page 3: ИТОГО, at " << first;
    EXPECT_FALSE(form->FoundMark().isNull());
    QTest::keyClick(form->PageBox, Qt::Key_F3);
    EXPECT_EQ(form->CurrentPage, 3);
    EXPECT_TRUE(form->FoundRect.top() >= 200 && form->FoundRect.top() < 220) << "F3: the second match on the same page";
    QTest::keyClick(form->PageBox, Qt::Key_F3);
    EXPECT_FALSE(form->SearchFound) << "no further match";
    EXPECT_EQ(form->CurrentPage, 3);

    {
        auto answer = answerSearch("итого", true, false);
        form->FindBtnClick();
    }
    EXPECT_FALSE(form->SearchFound) << "case-sensitive: ИТОГО and Итого are no match";

    form->HandleKey(Qt::Key_End, Qt::ControlModifier);
    {
        auto answer = answerSearch("Страница", true, true);
        form->FindBtnClick();
    }
    EXPECT_TRUE(form->SearchFound);
    EXPECT_EQ(form->CurrentPage, 5) << "from current starts on the current page";
    {
        auto answer = answerSearch("", false, false);
        form->FindBtnClick();
    }
    EXPECT_FALSE(form->SearchFound) << "an empty text never matches";
}

TEST_F(OutputPreview, AMatchBelowTheBoxIsScrolledToItsBottomEdge)
{
    addPages(3);
    addText(1, "Low", 40, 1000, 300, 20, "Внизу");
    open(0);
    {
        auto answer = answerSearch("внизу", false, false);
        form->FindBtnClick();
    }
    ASSERT_TRUE(form->SearchFound);
    const QRect found = form->FoundRect, page = form->PageRect(1);
    const int e = found.bottom() + 1 - found.top(), f = found.top() + 10;
    ASSERT_LT(BoxH - e, f);
    EXPECT_EQ(form->VScrollBar->value(), page.top() + f + e - BoxH - 10);
    EXPECT_EQ(form->FoundMark().top(), BoxH - e);
    EXPECT_EQ(form->FoundMark().height(), e + 1);
    EXPECT_EQ(form->FoundMark().left(), page.left() + found.left());
}

TEST_F(OutputPreview, CancelInTheProgressWindowStopsTheJob)
{
    addPages(1);
    TfrProgressForm progress;
    int rounds = 0;
    progress.WorkProc = [&] {
        while (!report.StopRequested && rounds < 100000) {
            ++rounds;
            if (rounds == 5) {
                EXPECT_TRUE(progress.isVisible());
                progress.Button1->click();
            }
            progress.ProcessMessages();
        }
        progress.SetModalResult(report.StopRequested ? 2 : 1);
    };
    EXPECT_EQ(progress.RunModal(report), 2);
    EXPECT_EQ(rounds, 5);
    EXPECT_EQ(progress.Button1->text(), QStringLiteral("Отмена"));
    EXPECT_FALSE(progress.isVisible());
}

// ---- the program's path: a data source over a client dataset, a template file, the preview

class OutputEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        frInstallPreview();
        TfrPreviewForm::LastScale = 1.0;
        TfrPreviewForm::LastZoomMode = 0;
        module.setObjectName("DM");
        ComponentRegistry::instance().registerOwner(&module, "DM");
        cds.FieldDefs().Add("NAME", ftString, 40);
        cds.CreateDataSet();
        for (const char *name : {"Иванов", "Петров", "Сидоров"}) {
            cds.Append();
            cds.FieldByName("NAME")->SetValue(QString::fromUtf8(name));
            cds.Post();
        }
        cds.MergeChangeLog();
        ComponentRegistry::instance().registerComponent(&module, &cds, "cdsNames");
        source.setObjectName("frNames");
        source.SetDataSet(&cds);
        ComponentRegistry::instance().registerComponent(&module, &source, "frNames");

        TfrReport designer(&module);
        TfrPage *page = designer.Pages().GetPage(designer.Pages().Add());
        auto *band = new TfrBandView;
        band->SetBandType(5); // master data
        band->Name = "Band1";
        band->Top = 40;
        band->Width = 700;
        band->Height = 20;
        band->FormatText = "frNames";
        page->AddObject(band);
        auto *memo = new TfrMemoView;
        memo->Name = "Memo1";
        memo->Left = 40;
        memo->Top = 40;
        memo->Width = 300;
        memo->Height = 20;
        memo->Memo = QStringList{"[cdsNames.\"NAME\"]"};
        page->AddObject(memo);
        templateFile = dir.filePath("names.frf");
        designer.SaveReportFile(templateFile);
        report.ShowProgress = false;
    }
    void TearDown() override
    {
        frResetEngine();
        ComponentRegistry::instance().unregister(&module);
    }

    FakeMessageService messages;
    QTemporaryDir dir;
    QObject module;
    TClientDataSet cds;
    TfrDBDataSet source;
    TfrReport report{&module};
    QString templateFile;
};

TEST_F(OutputEndToEnd, PreviewAsAnMdiSubWindowReturnsAtOnce)
{
    QMdiArea area;
    area.resize(900, 700);
    area.show();
    frEngine().MDIPreviewHost = [&](QWidget *w) { area.addSubWindow(w)->show(); };
    ASSERT_TRUE(report.LoadReportFile(templateFile));
    report.MDIPreview = true;
    report.ModalPreview = false;
    report.PreviewReport();
    ASSERT_EQ(area.subWindowList().size(), 1);
    auto *form = qobject_cast<TfrPreviewForm *>(area.subWindowList().first()->widget());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Предварительный просмотр"));
    EXPECT_EQ(form->PageCount(), 1);
    RecordingCanvas canvas;
    TfrPreparedPage &p = *form->ShownPages->GetPage(0);
    p.Visible = true;
    form->ShownPages->Draw(0, canvas, QRect(0, 0, p.PrnInfo.PaperWidthUnits, p.PrnInfo.PaperHeightUnits));
    const QString texts = canvas.texts().join(u'|');
    EXPECT_TRUE(texts.contains("'Иванов'|") && texts.contains("'Петров'|") && texts.endsWith("'Сидоров'"))
        << texts.toStdString();
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
}

TEST_F(OutputEndToEnd, ModalPreviewReturnsWhenTheWindowCloses)
{
    ASSERT_TRUE(report.LoadReportFile(templateFile));
    report.Title = "Список";
    QString caption;
    ModalAnswer close([] { return activeModal<TfrPreviewForm>() != nullptr; },
                      [&] {
                          auto *form = activeModal<TfrPreviewForm>();
                          caption = form->windowTitle();
                          EXPECT_EQ(form->PageCount(), 1);
                          form->ExitBtn->Click();
                      });
    report.PreviewReport();
    EXPECT_TRUE(close.ran());
    EXPECT_EQ(caption, QStringLiteral("Предварительный просмотр - Список"));
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
}

} // namespace

#include "BuildSupport.h"

namespace {

class OutputBuildCancel : public buildtest::BuildFixture
{
};

TEST_F(OutputBuildCancel, CancelInTheProgressWindowStopsABuild)
{
    std::vector<std::vector<QVariant>> rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back({"Север", QStringLiteral("Клиент %1").arg(i), i});
    fillSales(std::move(rows));
    buildtest::Template t(report);
    t.band(5, 40, 100, "Data", "frSales");
    t.memo("Name", 40, 40, 300, 20, "[Sales.\"NAME\"]");
    buildtest::reload(report);
    auto owned = std::make_unique<TfrProgressForm>();
    TfrProgressForm *progress = owned.get();
    frEngine().SetProgress(std::move(owned));
    report.ShowProgress = true;
    int pages = 0;
    report.OnEndPage = [&](int) {
        if (++pages == 2) {
            EXPECT_TRUE(progress->isVisible());
            EXPECT_EQ(progress->windowTitle(), QStringLiteral("Подготовка отчета"));
            progress->Button1->click();
        }
    };
    EXPECT_FALSE(report.BuildReport());
    EXPECT_TRUE(report.StopRequested);
    EXPECT_GE(report.EMFPages().GetCount(), 2);
    EXPECT_LT(report.EMFPages().GetCount(), 10) << "the build stopped soon after Cancel";
    EXPECT_FALSE(progress->isVisible());
}

} // namespace
