#include "FR_View.h"

#include "FR_Class.h"
#include "FR_Dock.h"
#include "FR_Export.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_PrDlg.h"
#include "FR_ProgressForm.h"

#include "Guard.h"
#include "Registry.h"
#include "Services.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QVBoxLayout>

double TfrPreviewForm::LastScale = 1.0;
int TfrPreviewForm::LastZoomMode = 0;
std::function<bool(TfrPreviewForm &, QMarginsF &)> TfrPreviewForm::PageSetupDialog;

namespace {

int pageWidth(const TfrPreparedPage &p)
{
    return p.PrnInfo.PaperWidthUnits;
}

int pageHeight(const TfrPreparedPage &p)
{
    return p.PrnInfo.PaperHeightUnits;
}

// The file name with its extension (".frp") in place of the one it had.
QString withExtension(const QString &fileName, const QString &extension)
{
    QString name = fileName;
    const int dot = int(name.lastIndexOf(u'.'));
    if (dot > name.lastIndexOf(u'/'))
        name.truncate(dot);
    return name + extension;
}

} // namespace

// The resource registration must be called outside any namespace.
static void initPreviewResources()
{
    Q_INIT_RESOURCE(PreviewGlyphs);
}

std::unique_ptr<TfrEMFPages> TfrReport::ExchangeEMFPages(std::unique_ptr<TfrEMFPages> pages)
{
    return std::exchange(m_emfPages, std::move(pages));
}

// ---- the page box

TfrPBox::TfrPBox(TfrPreviewForm *form, QWidget *parent)
    : QWidget(parent)
    , m_form(form)
{
    setObjectName(QStringLiteral("PageBox"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setProperty("Tag", 207);
}

void TfrPBox::paintEvent(QPaintEvent *event)
{
    TfrPreviewForm &f = *m_form;
    if (!f.Ready)
        return;
    QPainter painter(this);
    if (f.PageCount() == 0) {
        painter.fillRect(rect(), palette().button());
        return;
    }
    const int n = f.PageCount();
    QRegion grey = event->region();
    std::vector<bool> visible(static_cast<size_t>(n), false);
    for (int i = 0; i < n; ++i) {
        const QRect r = f.PageRect(i).translated(f.OffsetX, f.OffsetY);
        visible[size_t(i)] = !(r.top() > 2000 || r.bottom() < 0) && event->region().intersects(r);
        if (visible[size_t(i)])
            grey -= r.adjusted(1, 1, -1, -1);
    }
    painter.setClipRegion(grey);
    painter.fillRect(rect(), QColor(0x80, 0x80, 0x80));
    painter.setClipping(false);
    for (int i = 0; i < n; ++i) {
        if (!visible[size_t(i)])
            continue;
        const QRect r = f.PageRect(i).translated(f.OffsetX, f.OffsetY);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.drawPolyline(QPolygon({QPoint(r.left() + 1, r.bottom() + 1), QPoint(r.right() + 1, r.bottom() + 1),
                                       QPoint(r.right() + 1, r.top() + 1)}));
    }
    QPainterCanvas canvas(&painter);
    for (int i = 0; i < n; ++i) {
        TfrPreparedPage &p = *f.ShownPages->GetPage(i);
        p.Visible = visible[size_t(i)];
        if (!p.Visible) {
            f.ShownPages->Draw(i, canvas, QRect());
            continue;
        }
        const QRect r = f.PageRect(i).translated(f.OffsetX, f.OffsetY);
        QRect target = r;
        if (!p.MarginsUsed) {
            const TPrinterGeometry &g = p.PrnInfo;
            const int left = r.left() + frRound((g.OffsetX + p.Margins.Left) * f.Scale);
            const int top = r.top() + frRound((g.OffsetY + p.Margins.Top) * f.Scale);
            target = QRect(QPoint(left, top),
                           QPoint(left + frRound((g.PrintWidth - p.Margins.Left - p.Margins.Right) * f.Scale),
                                  top + frRound((g.PrintHeight - p.Margins.Top - p.Margins.Bottom) * f.Scale)));
        }
        painter.save();
        painter.setClipRect(r.adjusted(1, 1, -1, -1));
        f.ShownPages->Draw(i, canvas, target, event->rect());
        painter.restore();
    }
    if (!f.m_mark.isNull()) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1));
        for (int y = f.m_mark.top(); y <= f.m_mark.bottom(); ++y)
            painter.drawLine(f.m_mark.left(), y, f.m_mark.right(), y);
    }
}

int TfrPBox::PageAt(const QPoint &point) const
{
    const QPoint p = point - QPoint(m_form->OffsetX, m_form->OffsetY);
    int hit = 0;
    for (int i = 0; i < m_form->PageCount(); ++i)
        if (m_form->PageRect(i).contains(p))
            hit = i + 1;
    return hit;
}

QPoint TfrPBox::PagePoint(int page, const QPoint &point) const
{
    const QRect r = m_form->PageRect(page - 1);
    const QPoint p = point - QPoint(m_form->OffsetX, m_form->OffsetY);
    return QPoint(frRound((p.x() - r.left()) / m_form->Scale), frRound((p.y() - r.top()) / m_form->Scale));
}

void TfrPBox::mousePressEvent(QMouseEvent *event)
{
    TfrPreviewForm &f = *m_form;
    if (f.PageCount() == 0)
        return;
    if (event->button() == Qt::RightButton) {
        f.ShowMenu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (DoubleClicked) {
        DoubleClicked = false;
        return;
    }
    const QPoint pos = event->position().toPoint();
    const QPoint shifted = pos - QPoint(f.OffsetX, f.OffsetY);
    ClickedPage = 0;
    for (int i = 0; i < f.PageCount(); ++i) {
        if (!f.PageRect(i).contains(shifted))
            continue;
        ClickedPage = i + 1;
        Qt::CursorShape cursor = Qt::ArrowCursor;
        if (f.ShownPages->DoClick(i, PagePoint(i + 1, pos), cursor, true))
            return;
    }
    Dragging = true;
    DragX = pos.x();
    DragY = pos.y();
    if (ClickedPage != 0)
        f.CurrentPage = ClickedPage;
    f.UpdatePageLabel();
}

void TfrPBox::mouseMoveEvent(QMouseEvent *event)
{
    TfrPreviewForm &f = *m_form;
    const QPoint pos = event->position().toPoint();
    if (Dragging) {
        f.HScrollBar->setValue(f.HScrollBar->value() + DragX - pos.x());
        f.VScrollBar->setValue(f.VScrollBar->value() + DragY - pos.y());
        DragX = pos.x();
        DragY = pos.y();
        return;
    }
    if (f.PageCount() == 0 || !f.Report || !f.Report->OnMouseOverObject)
        return;
    const int page = PageAt(pos);
    if (page == 0)
        return;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    if (f.ShownPages->DoClick(page - 1, PagePoint(page, pos), cursor, false))
        setCursor(cursor);
    else
        setCursor(Qt::ArrowCursor);
}

void TfrPBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Dragging = false;
}

void TfrPBox::mouseDoubleClickEvent(QMouseEvent *)
{
    TfrPreviewForm &f = *m_form;
    Dragging = false;
    DoubleClicked = true;
    if (f.PageCount() == 0 || ClickedPage == 0)
        return;
    f.CurrentPage = ClickedPage;
    if (f.N5->isVisible())
        f.EditPageClick();
}

void TfrPBox::wheelEvent(QWheelEvent *event)
{
    if (event->angleDelta().y() > 0)
        m_form->WheelUp();
    else if (event->angleDelta().y() < 0)
        m_form->WheelDown();
}

void TfrPBox::keyPressEvent(QKeyEvent *event)
{
    if (!m_form->HandleKey(event->key(), event->modifiers()))
        QWidget::keyPressEvent(event);
}

// ---- the window

TfrPreviewForm::TfrPreviewForm(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frPreviewForm"));
    setWindowTitle(QStringLiteral("Print preview"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolbarPanel = new QWidget(this);
    ToolbarPanel->setFixedHeight(33);
    Panel1 = new QWidget(ToolbarPanel);
    Panel1->setGeometry(4, 6, 273, 24);
    auto *tools = new QHBoxLayout(Panel1);
    tools->setContentsMargins(0, 0, 0, 0);
    tools->setSpacing(0);
    auto button = [&](const char *name, int width, int tag) {
        auto *b = new TfrTBButton(Panel1);
        b->setObjectName(QLatin1String(name));
        b->setFixedSize(width, 24);
        b->SetFlat(true);
        b->setProperty("Tag", tag);
        tools->addWidget(b);
        return b;
    };
    auto separator = [&](const char *name) {
        auto *s = new TfrTBSeparator(Panel1);
        s->setObjectName(QLatin1String(name));
        s->setFixedSize(8, 24);
        s->DrawBevel = false;
        tools->addWidget(s);
        return s;
    };
    ZoomBtn = button("ZoomBtn", 53, 200);
    ZoomBtn->SetCaption(QStringLiteral("200%"));
    ZoomBtn->SetMargin(3);
    frTBSeparator1 = separator("frTBSeparator1");
    LoadBtn = button("LoadBtn", 24, 201);
    SaveBtn = button("SaveBtn", 24, 202);
    PrintBtn = button("PrintBtn", 24, 203);
    PageSetupBtn = button("PageSetupBtn", 24, 203);
    frTBSeparator2 = separator("frTBSeparator2");
    FindBtn = button("FindBtn", 24, 204);
    HelpBtn = button("HelpBtn", 24, 0);
    frTBSeparator3 = separator("frTBSeparator3");
    ExitBtn = button("ExitBtn", 24, 205);
    tools->addStretch();
    // One 16 x 16 picture each; the button greys it itself when disabled.
    initPreviewResources();
    const std::pair<TfrTBButton *, const char *> glyphs[] = {
        {LoadBtn, "OPEN"}, {SaveBtn, "SAVE"}, {PrintBtn, "PRINT"}, {PageSetupBtn, "PAGESETUP"},
        {FindBtn, "FIND"}, {HelpBtn, "HELP"}, {ExitBtn, "CLOSE"}};
    for (const auto &[b, name] : glyphs)
        b->SetGlyph(QPixmap(QStringLiteral(":/preview/") + QLatin1String(name)));
    layout->addWidget(ToolbarPanel);

    PreviewPanel = new QWidget(this);
    auto *grid = new QGridLayout(PreviewPanel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    PageBox = new TfrPBox(this, PreviewPanel);
    QPalette pal = PageBox->palette();
    pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    PageBox->setPalette(pal);
    grid->addWidget(PageBox, 0, 0);
    RPanel = new QWidget(PreviewPanel);
    RPanel->setFixedWidth(16);
    VScrollBar = new QScrollBar(Qt::Vertical, RPanel);
    VScrollBar->setSingleStep(10);
    VScrollBar->setPageStep(200);
    VScrollBar->setMaximum(32000);
    VScrollBar->setFocusPolicy(Qt::NoFocus);
    PgUp = new TfrSpeedButton(RPanel);
    PgDown = new TfrSpeedButton(RPanel);
    PgUp->setObjectName(QStringLiteral("PgUp"));
    PgDown->setObjectName(QStringLiteral("PgDown"));
    PgUp->SetCaption(QStringLiteral("▲"));
    PgDown->SetCaption(QStringLiteral("▼"));
    PgUp->setFixedSize(16, 16);
    PgDown->setFixedSize(16, 16);
    grid->addWidget(RPanel, 0, 1);
    BPanel = new QWidget(PreviewPanel);
    BPanel->setFixedHeight(18);
    Bevel1 = new QFrame(BPanel);
    Bevel1->setFrameShape(QFrame::Panel);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 77, 17);
    Bevel1->setProperty("Tag", 206);
    Label1 = new QLabel(Bevel1);
    Label1->setGeometry(2, 1, 73, 15);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setProperty("Tag", 206);
    HScrollBar = new QScrollBar(Qt::Horizontal, BPanel);
    HScrollBar->setGeometry(80, 0, 100, 17);
    HScrollBar->setSingleStep(10);
    HScrollBar->setPageStep(200);
    HScrollBar->setMaximum(32000);
    HScrollBar->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(BPanel, 1, 0, 1, 2);
    layout->addWidget(PreviewPanel, 1);

    ProcMenu = new QMenu(this);
    m_zoomGroup = new QActionGroup(this);
    auto item = [&](const QString &caption, int tag) {
        QAction *a = ProcMenu->addAction(caption);
        a->setCheckable(true);
        a->setData(tag);
        m_zoomGroup->addAction(a);
        connect(a, &QAction::triggered, this, guarded([this, tag](bool) { SetZoom(tag); }));
        return a;
    };
    N2001 = item(QStringLiteral("200%"), 200);
    N1501 = item(QStringLiteral("150%"), 150);
    N1001 = item(QStringLiteral("100%"), 100);
    N751 = item(QStringLiteral("75%"), 75);
    N501 = item(QStringLiteral("50%"), 50);
    N251 = item(QStringLiteral("25%"), 25);
    N101 = item(QStringLiteral("10%"), 10);
    N1 = item(QStringLiteral("Page width"), 1);
    N2 = item(QStringLiteral("Whole page"), 2);
    N3 = item(QStringLiteral("Two pages"), 3);
    N1001->setChecked(true);
    N4 = ProcMenu->addSeparator();
    N5 = ProcMenu->addAction(QStringLiteral("Edit page..."));
    N6 = ProcMenu->addAction(QStringLiteral("Add page"));
    N7 = ProcMenu->addAction(QStringLiteral("Remove page"));
    connect(N5, &QAction::triggered, this, guarded([this](bool) { EditPageClick(); }));
    connect(N6, &QAction::triggered, this, guarded([this](bool) { AddPageClick(); }));
    connect(N7, &QAction::triggered, this, guarded([this](bool) { RemovePageClick(); }));

    auto click = [](TfrSpeedButton *b, std::function<void()> fn) {
        b->OnClick = [fn = std::move(fn)](QObject *) { guard(fn); };
    };
    click(ZoomBtn, [this] { ZoomBtnClick(); });
    click(LoadBtn, [this] { LoadBtnClick(); });
    click(SaveBtn, [this] { SaveBtnClick(); });
    click(PrintBtn, [this] { PrintBtnClick(); });
    click(PageSetupBtn, [this] { PageSetupBtnClick(); });
    click(FindBtn, [this] { FindBtnClick(); });
    click(HelpBtn, [this] { HelpBtnClick(); });
    click(ExitBtn, [this] { ExitBtnClick(); });
    click(PgUp, [this] { PageUp(); });
    click(PgDown, [this] { PageDown(); });
    connect(HScrollBar, &QScrollBar::valueChanged, this, guarded([this](int v) { HScrollChanged(v); }));
    connect(VScrollBar, &QScrollBar::valueChanged, this, guarded([this](int v) { VScrollChanged(v); }));
    installEventFilter(this);
    Scale = LastScale;
    ZoomMode = LastZoomMode;
    resize(800, 600);
}

TfrPreviewForm::~TfrPreviewForm()
{
    // A report whose pages this window still shows gets them back, so that it never keeps a borrowed list.
    if (Report && ShownPages && m_embedded)
        DetachReport();
    ShownPages.reset();
}

void TfrPreviewForm::Localize()
{
    N1->setText(GetLocaleString(53020));
    N2->setText(GetLocaleString(53021));
    N3->setText(GetLocaleString(53022));
    N5->setText(GetLocaleString(53029));
    N6->setText(GetLocaleString(53030));
    N7->setText(GetLocaleString(53031));
    ZoomBtn->setToolTip(GetLocaleString(53024));
    LoadBtn->setToolTip(GetLocaleString(53025));
    SaveBtn->setToolTip(GetLocaleString(53026));
    PrintBtn->setToolTip(GetLocaleString(53027));
    FindBtn->setToolTip(GetLocaleString(53028));
    HelpBtn->setToolTip(GetLocaleString(53032));
    ExitBtn->setToolTip(GetLocaleString(53023));
}

void TfrPreviewForm::AttachReport(TfrReport *report)
{
    Report = report;
    ShownPages = report->ExchangeEMFPages(std::make_unique<TfrEMFPages>(report));
}

void TfrPreviewForm::DetachReport()
{
    if (!Report || !ShownPages)
        return;
    Report->ExchangeEMFPages(std::move(ShownPages));
}

void TfrPreviewForm::ApplyReportOptions()
{
    TfrGlobals &e = frEngine();
    const unsigned b = Report->PreviewButtons;
    const bool own = ToolbarPanel->parentWidget() == this;
    ZoomBtn->setVisible(b & pbZoom);
    LoadBtn->setVisible(b & pbLoad);
    SaveBtn->setVisible(b & pbSave);
    PrintBtn->setVisible(b & pbPrint);
    FindBtn->setVisible(b & pbFind);
    PageSetupBtn->setVisible(b & pbPageSetup);
    HelpBtn->setVisible((b & pbHelp) && own);
    ExitBtn->setVisible((b & pbExit) && own);
    frTBSeparator1->setVisible(b & pbZoom);
    frTBSeparator3->setVisible(FindBtn->isVisibleTo(Panel1) || HelpBtn->isVisibleTo(Panel1));
    const bool printers = !EnginePrinter().IsVirtual() && EnginePrinter().Printer;
    PrintBtn->setEnabled(printers);
    PageSetupBtn->setEnabled(printers);
    const bool editable = bool(e.DesignerFormClass) && Report->ModifyPrepared;
    for (QAction *a : {N4, N5, N6, N7})
        a->setVisible(editable);
    switch (Report->InitialZoom) {
    case pzPageWidth: LastZoomMode = 1; break;
    case pzOnePage: LastZoomMode = 2; break;
    case pzTwoPages: LastZoomMode = 3; break;
    default: break;
    }
    bool gray = Report->GrayedButtons;
    if (e.DesignerFormClass) {
        TRegIniFile ini(EngineRegistryKey());
        gray = ini.ReadBool(QStringLiteral("Form\\TfrDesignerForm"), QStringLiteral("GrayButtons"), gray);
    }
    SetGrayButtons(gray);
}

void TfrPreviewForm::ShowPrepared(TfrReport *report)
{
    // A window that outlives its report closes with it.
    connect(report, &QObject::destroyed, this, [this] {
        Report = nullptr;
        ShownPages.reset();
        close();
    });
    AttachReport(report);
    ApplyReportOptions();
    ResetView(true);
    Localize();
    if (report->ModalPreview) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setWindowModality(Qt::ApplicationModal);
        if (!frEngine().MDIPreviewHost || !report->MDIPreview)
            ReadFormPlacement(this);
        show();
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
        return;
    }
    setAttribute(Qt::WA_DeleteOnClose, true);
    if (report->MDIPreview && frEngine().MDIPreviewHost) {
        frEngine().MDIPreviewHost(this);
        return;
    }
    ReadFormPlacement(this);
    show();
}

void TfrPreviewForm::ResetView(bool resetPosition)
{
    Scale = LastScale;
    ZoomMode = LastZoomMode;
    for (QAction *a : m_zoomGroup->actions())
        a->setChecked(ZoomMode ? a->data().toInt() == ZoomMode : a->data().toInt() == frRound(Scale * 100));
    if (resetPosition) {
        CurrentPage = 1;
        OffsetX = OffsetY = LastHPos = LastVPos = 0;
        const QSignalBlocker h(HScrollBar), v(VScrollBar);
        HScrollBar->setValue(0);
        VScrollBar->setValue(0);
    }
    m_mark = QRect();
    UpdatePageLabel();
    FormResize();
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    QPainterCanvas canvas(&painter);
    for (int i = 0; i < PageCount(); ++i) {
        ShownPages->GetPage(i)->Visible = false;
        ShownPages->Draw(i, canvas, QRect());
    }
    N7->setEnabled(PageCount() > 1);
    PageBox->update();
}

void TfrPreviewForm::SetGrayButtons(bool gray)
{
    for (TfrTBButton *b : Panel1->findChildren<TfrTBButton *>())
        b->SetGrayedInactive(gray);
}

void TfrPreviewForm::UpdatePageLabel()
{
    if (PageCount() == 0) {
        Label1->clear();
        return;
    }
    if (PageChangedHook)
        PageChangedHook();
    Label1->setText(GetLocaleString(55004) + u' ' + QString::number(CurrentPage) + u'/' + QString::number(PageCount()));
}

void TfrPreviewForm::ScrollToCurrentPage()
{
    if (CurrentPage < 1 || CurrentPage > PageCount())
        return;
    VScrollBar->setValue(PageRect(CurrentPage - 1).top() - 10);
}

void TfrPreviewForm::FormResize()
{
    const int n = PageCount();
    if (n == 0)
        return;
    Ready = false;
    const int W = PageBox->width(), H = PageBox->height();
    const TfrPreparedPage &c = *ShownPages->GetPage(std::clamp(CurrentPage, 1, n) - 1);
    const double cw = std::max(pageWidth(c), 1), ch = std::max(pageHeight(c), 1);
    QAction *checked = nullptr;
    switch (ZoomMode) {
    case 1: Scale = (W - 20) / cw; checked = N1; break;
    case 2: Scale = (H - 20) / ch; checked = N2; break;
    case 3: Scale = (W - 30) / (2 * cw); checked = N3; break;
    default: break;
    }
    if (Scale <= 0)
        Scale = 0.01;
    if (checked)
        checked->setChecked(true);
    else
        for (QAction *a : m_zoomGroup->actions())
            if (a->data().toInt() == frRound(Scale * 100))
                a->setChecked(true);
    ZoomBtn->SetCaption(QString::number(frRound(Scale * 100)) + u'%');

    int perRow = 0, x = 10, k = 0;
    for (int p = 0; p < n; ++p) {
        const int g = frRound(pageWidth(*ShownPages->GetPage(p)) * Scale) + x + 10;
        if (W < g) {
            perRow = std::max(perRow, k);
            x = 10;
            k = 0;
        } else {
            x = g;
            ++k;
            if (p == n - 1)
                perRow = std::max(perRow, k);
        }
    }
    if (perRow == 0)
        perRow = 1;
    if (ZoomMode == 2)
        perRow = 1;
    if (ZoomMode == 3)
        perRow = 2;

    int y = 10, R = 0, B = 0;
    for (int row = 0; row < n; row += perRow) {
        int rowX = 10, tallest = 0;
        for (int p = row; p < std::min(n, row + perRow); ++p) {
            TfrPreparedPage &page = *ShownPages->GetPage(p);
            const int w = frRound(pageWidth(page) * Scale), h = frRound(pageHeight(page) * Scale);
            const int left = perRow == 1 && w < W ? (W - w) / 2 : rowX;
            page.PreviewRect = QRect(left, y, w, h);
            rowX += w + 10;
            tallest = std::max(tallest, h);
            R = std::max(R, left + w);
            B = std::max(B, y + h);
        }
        y += tallest + 10;
    }
    PgDown->move(0, RPanel->height() - 16);
    PgUp->move(0, PgDown->y() - 16);
    VScrollBar->setGeometry(0, 0, 16, std::max(0, PgUp->y() - 1));
    HScrollBar->resize(std::max(0, BPanel->width() - HScrollBar->x() - (RPanel->isVisible() ? VScrollBar->width() : 0)),
                       HScrollBar->height());
    auto maximum = [](int v) { return v < 0 ? 0 : v > 0 ? v + 10 : 0; };
    HScrollBar->setMaximum(maximum(R - W));
    VScrollBar->setMaximum(maximum(B - H));
    HScrollBar->setEnabled(HScrollBar->maximum() != 0);
    VScrollBar->setEnabled(VScrollBar->maximum() != 0);
    OffsetX = -HScrollBar->value();
    if (isVisible())
        PageBox->setFocus();
    ScrollToCurrentPage();
    OffsetY = -VScrollBar->value();
    Ready = true;
    PageBox->update();
}

void TfrPreviewForm::SetZoom(int tag)
{
    if (PageCount() == 0)
        return;
    OffsetX = 0;
    if (tag >= 1 && tag <= 3) {
        ZoomMode = tag;
    } else {
        ZoomMode = 0;
        Scale = tag / 100.0;
    }
    for (QAction *a : m_zoomGroup->actions())
        if (a->data().toInt() == tag)
            a->setChecked(true);
    HScrollBar->setValue(0);
    m_mark = QRect();
    FormResize();
    LastScale = Scale;
    LastZoomMode = ZoomMode;
    PageBox->update();
}

void TfrPreviewForm::HScrollChanged(int value)
{
    const int dx = LastHPos - value;
    LastHPos = value;
    OffsetX = -value;
    m_mark = QRect();
    if (Ready)
        PageBox->scroll(dx, 0);
}

void TfrPreviewForm::VScrollChanged(int value)
{
    const int dy = LastVPos - value;
    LastVPos = value;
    OffsetY = -value;
    m_mark = QRect();
    if (Ready)
        PageBox->scroll(0, dy);
    for (int i = 0; i < PageCount(); ++i) {
        const QRect r = PageRect(i);
        if (r.top() < value + 11 && r.top() + r.height() > value + 11) {
            if (CurrentPage != i + 1) {
                CurrentPage = i + 1;
            }
            break;
        }
    }
    UpdatePageLabel();
}

void TfrPreviewForm::WheelUp()
{
    VScrollBar->setValue(VScrollBar->value() - VScrollBar->singleStep() * WheelFactor);
}

void TfrPreviewForm::WheelDown()
{
    VScrollBar->setValue(VScrollBar->value() + VScrollBar->singleStep() * WheelFactor);
}

void TfrPreviewForm::PageUp()
{
    if (PageCount() == 0)
        return;
    if (CurrentPage > 1)
        --CurrentPage;
    UpdatePageLabel();
    ScrollToCurrentPage();
}

void TfrPreviewForm::PageDown()
{
    if (PageCount() == 0)
        return;
    if (CurrentPage < PageCount())
        ++CurrentPage;
    UpdatePageLabel();
    ScrollToCurrentPage();
}

bool TfrPreviewForm::HandleKey(int key, Qt::KeyboardModifiers modifiers)
{
    if (PageCount() == 0)
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Up: VScrollBar->setValue(VScrollBar->value() - VScrollBar->singleStep()); return true;
    case Qt::Key_Down: VScrollBar->setValue(VScrollBar->value() + VScrollBar->singleStep()); return true;
    case Qt::Key_Left: HScrollBar->setValue(HScrollBar->value() - HScrollBar->singleStep()); return true;
    case Qt::Key_Right: HScrollBar->setValue(HScrollBar->value() + HScrollBar->singleStep()); return true;
    case Qt::Key_PageUp:
        if (ctrl)
            PageUp();
        else
            VScrollBar->setValue(VScrollBar->value() - VScrollBar->pageStep());
        return true;
    case Qt::Key_PageDown:
        if (ctrl)
            PageDown();
        else
            VScrollBar->setValue(VScrollBar->value() + VScrollBar->pageStep());
        return true;
    case Qt::Key_Home:
        if (!ctrl)
            return false;
        VScrollBar->setValue(0);
        return true;
    case Qt::Key_End:
        if (!ctrl)
            return false;
        CurrentPage = PageCount();
        UpdatePageLabel();
        ScrollToCurrentPage();
        return true;
    case Qt::Key_Space: ZoomBtnClick(); return true;
    case Qt::Key_Escape: ExitBtnClick(); return true;
    case Qt::Key_F3:
        if (!ctrl && !SearchText.isEmpty()) {
            if (CurrentPage != SearchPage + 1) {
                SearchPage = CurrentPage - 1;
                SearchRecord = 0;
            }
            ContinueSearch();
        }
        return true;
    default: break;
    }
    if (!ctrl)
        return false;
    switch (key) {
    case Qt::Key_O: LoadBtnClick(); break;
    case Qt::Key_S: SaveBtnClick(); break;
    case Qt::Key_P:
        if (PrintBtn->isEnabled())
            PrintBtnClick();
        break;
    case Qt::Key_F: FindBtnClick(); break;
    case Qt::Key_E:
        if (N5->isVisible())
            EditPageClick();
        break;
    default: break;
    }
    return true;
}

void TfrPreviewForm::keyPressEvent(QKeyEvent *event)
{
    if (!guard([&] {
            if (!HandleKey(event->key(), event->modifiers()))
                event->ignore();
        }))
        event->accept();
}

bool TfrPreviewForm::eventFilter(QObject *watched, QEvent *event)
{
    if (m_helpMode && event->type() == QEvent::MouseButtonPress) {
        m_helpMode = false;
        releaseMouse();
        HelpBtn->SetDown(false);
        unsetCursor();
        // Context help needs a help viewer, which this system has not: the request ends here.
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrPreviewForm::closeEvent(QCloseEvent *event)
{
    if (!frEngine().MDIPreviewHost || !Report || !Report->MDIPreview)
        WriteFormPlacement(this);
    if (m_loop)
        m_loop->quit();
    QWidget::closeEvent(event);
}

void TfrPreviewForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    guard([this] { FormResize(); });
}

void TfrPreviewForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Localize();
    guard([this] { FormResize(); });
}

void TfrPreviewForm::ShowMenu(const QPoint &globalPos)
{
    const bool editable = bool(frEngine().DesignerFormClass) && Report && Report->ModifyPrepared;
    for (QAction *a : {N4, N5, N6, N7})
        a->setVisible(editable);
    auto *preview = qobject_cast<TfrPreview *>(PreviewPanel->parentWidget());
    QMenu *menu = preview && preview->PopupMenu ? preview->PopupMenu : ProcMenu;
    menu->popup(globalPos);
}

void TfrPreviewForm::ZoomBtnClick()
{
    for (QAction *a : {N4, N5, N6, N7})
        a->setVisible(false);
    ProcMenu->popup(ZoomBtn->mapToGlobal(QPoint(0, ZoomBtn->height())));
}

void TfrPreviewForm::WithPagesLent(const std::function<void()> &command, bool resetPosition)
{
    DetachReport();
    try {
        command();
    } catch (...) {
        AttachReport(Report);
        ResetView(resetPosition);
        throw;
    }
    AttachReport(Report);
    ResetView(resetPosition);
}

void TfrPreviewForm::LoadBtnClick()
{
    if (PageCount() == 0)
        return;
    FileDialogRequest request;
    request.filter = GetLocaleString(55211) + QStringLiteral(" (*.frp)|*.frp");
    if (Services::dialogs()->openFile(request))
        LoadPrepared(request.fileName);
}

void TfrPreviewForm::LoadPrepared(const QString &fileName)
{
    DetachReport();
    const bool loaded = Report->LoadPreparedFile(fileName);
    AttachReport(Report);
    if (loaded)
        CurrentPage = 1;
    FormResize();
    UpdatePageLabel();
    ScrollToCurrentPage();
    PageBox->update();
}

void TfrPreviewForm::SavePrepared(const QString &fileName)
{
    const QString name = withExtension(fileName, QStringLiteral(".frp"));
    DetachReport();
    try {
        Report->SavePreparedFile(name);
    } catch (...) {
        AttachReport(Report);
        throw;
    }
    AttachReport(Report);
}

void TfrPreviewForm::SaveBtnClick()
{
    if (PageCount() == 0)
        return;
    const auto &filters = frEngine().ExportFilters;
    FileDialogRequest request;
    request.filter = GetLocaleString(55211) + QStringLiteral(" (*.frp)|*.frp");
    request.filterIndex = 1;
    for (size_t i = 0; i < filters.size(); ++i) {
        request.filter += u'|' + filters[i].FilterDesc + u'|' + filters[i].FilterExt;
        if (request.filterIndex == 1 && filters[i].Filter->Default)
            request.filterIndex = int(i) + 2;
    }
    if (!Services::dialogs()->saveFile(request))
        return;
    if (request.filterIndex <= 1 || request.filterIndex - 2 >= int(filters.size())) {
        SavePrepared(request.fileName);
        return;
    }
    const TfrExportFilterInfo info = filters[size_t(request.filterIndex - 2)];
    const QString name = withExtension(request.fileName, info.FilterExt.mid(1));
    WithPagesLent([&] { Report->ExportTo(info.Filter, name); }, false);
}

void TfrPreviewForm::PrintBtnClick()
{
    if (PageCount() == 0 || !PrintBtn->isEnabled())
        return;
    TfrPrintForm dialog(this);
    dialog.SetCopies(Report->DefaultCopies);
    dialog.SetCollate(Report->DefaultCollate);
    if (Report->ShowPrintDialog && dialog.exec() != QDialog::Accepted)
        return;
    const QString pages = dialog.PageList(CurrentPage);
    const int copies = dialog.Copies(), oddEven = dialog.PagesToPrint();
    const bool collate = dialog.Collate();
    WithPagesLent([&] { Report->PrintPreparedReport(pages, copies, collate, oddEven); }, false);
}

void TfrPreviewForm::PageSetupBtnClick()
{
    if (PageCount() == 0 || !PageSetupBtn->isEnabled())
        return;
    const TfrPreparedPage &first = *ShownPages->GetPage(0);
    QMarginsF margins(first.Margins.Left * 500 / 18, first.Margins.Top * 500 / 18, first.Margins.Right * 500 / 18,
                      first.Margins.Bottom * 500 / 18);
    auto dialog = PageSetupDialog ? PageSetupDialog : [](TfrPreviewForm &form, QMarginsF &m) {
        TfrPrinter &printer = EnginePrinter();
        QPrinter *device = printer.Printer ? printer.Printer->printer(printer.PrinterIndex) : nullptr;
        if (!device)
            return false;
        device->setPageMargins(QMarginsF(m.left() / 100, m.top() / 100, m.right() / 100, m.bottom() / 100),
                               QPageLayout::Millimeter);
        QPageSetupDialog d(device, &form);
        if (d.exec() != QDialog::Accepted)
            return false;
        const QMarginsF chosen = device->pageLayout().margins(QPageLayout::Millimeter);
        m = QMarginsF(chosen.left() * 100, chosen.top() * 100, chosen.right() * 100, chosen.bottom() * 100);
        printer.Refresh();
        return true;
    };
    if (!dialog(*this, margins))
        return;
    TfrPrinter &printer = EnginePrinter();
    for (int i = 0; i < Report->Pages().GetCount(); ++i) {
        TfrPage *p = Report->Pages().GetPage(i);
        if (p->Type != 0)
            continue;
        p->LeftMargin = int(margins.left()) * 18 / 500;
        p->TopMargin = int(margins.top()) * 18 / 500;
        p->RightMargin = int(margins.right()) * 18 / 500;
        p->BottomMargin = int(margins.bottom()) * 18 / 500;
        p->ApplyPaper(printer.PaperSize, printer.PaperWidth, printer.PaperHeight, printer.Bin, printer.Orientation);
    }
    ShownPages.reset();
    Report->BuildReport();
    AttachReport(Report);
    ResetView(true);
}

void TfrPreviewForm::ExitBtnClick()
{
    close();
}

void TfrPreviewForm::HelpBtnClick()
{
    m_helpMode = true;
    setCursor(Qt::WhatsThisCursor);
    grabMouse();
    HelpBtn->update();
}

void TfrPreviewForm::EditPageClick()
{
    if (PageCount() == 0 || !Report->ModifyPrepared || !frEngine().DesignerFormClass)
        return;
    const int page = CurrentPage - 1;
    WithPagesLent([&] { Report->EditPreparedPage(page); }, false);
}

void TfrPreviewForm::AddPageClick()
{
    if (PageCount() == 0 || Report->Pages().GetCount() == 0)
        return;
    ShownPages->Insert(CurrentPage - 1, Report->Pages().GetPage(0));
    ResetView(false);
}

void TfrPreviewForm::RemovePageClick()
{
    if (PageCount() < 2)
        return;
    const TModalResult answer = Services::messages()->show(
        {GetLocaleString(55005), mtConfirmation, mbYesNo, mbYes, GetLocaleString(55006)});
    if (answer != mrYes)
        return;
    ShownPages->Delete(CurrentPage - 1);
    ResetView(true);
}

// ---- the panel

TfrPreview::TfrPreview(QWidget *parent)
    : QFrame(parent)
    , m_window(std::make_unique<TfrPreviewForm>())
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    m_window->m_embedded = true;
    m_window->WheelFactor = 3;
    m_window->PageChangedHook = [this] { DoPageChanged(); };
    m_window->Localize();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
}

TfrPreview::~TfrPreview()
{
    // The panel's widgets go back to the window, which frees them with itself.
    if (m_window) {
        m_window->layout()->addWidget(m_window->ToolbarPanel);
        m_window->layout()->addWidget(m_window->PreviewPanel);
    }
}

void TfrPreview::ShowPrepared(TfrReport *report)
{
    TfrPreviewForm &w = *m_window;
    if (m_showToolbar)
        layout()->addWidget(w.ToolbarPanel);
    layout()->addWidget(w.PreviewPanel);
    w.PreviewPanel->show();
    // The panel forgets a report that goes away while it shows its pages.
    disconnect(report, &QObject::destroyed, this, nullptr);
    connect(report, &QObject::destroyed, this, [this] {
        m_window->Report = nullptr;
        m_window->ShownPages.reset();
        m_window->ResetView(true);
    });
    w.AttachReport(report);
    w.ApplyReportOptions();
    w.ResetView(true);
    m_hasPages = true;
}

void TfrPreview::ReleasePages()
{
    m_window->DetachReport();
}

int TfrPreview::GetPageNo() const
{
    return m_window->CurrentPage;
}

void TfrPreview::DoPageChanged()
{
    if (OnPageChanged)
        OnPageChanged(this, m_window->CurrentPage);
}

void TfrPreview::SetScrollBars(Qt::ScrollBarPolicy horizontal, Qt::ScrollBarPolicy vertical)
{
    m_window->BPanel->setVisible(horizontal != Qt::ScrollBarAlwaysOff);
    m_window->RPanel->setVisible(vertical != Qt::ScrollBarAlwaysOff);
}

void TfrPreview::SetShowToolbar(bool show)
{
    m_showToolbar = show;
    if (show)
        static_cast<QVBoxLayout *>(layout())->insertWidget(0, m_window->ToolbarPanel);
    else
        static_cast<QVBoxLayout *>(m_window->layout())->insertWidget(0, m_window->ToolbarPanel);
}

void TfrPreview::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    guard([this] { m_window->FormResize(); });
}

// ---- pages lent by a preview panel

PreviewPagesLent::PreviewPagesLent(TfrReport &report)
    : m_report(report)
{
    auto *preview = qobject_cast<TfrPreview *>(report.Preview.data());
    if (preview && report.EMFPages().GetCount() == 0 && preview->Window()->ShownPages) {
        preview->ReleasePages();
        m_preview = preview;
    }
}

PreviewPagesLent::~PreviewPagesLent()
{
    if (auto *preview = qobject_cast<TfrPreview *>(m_preview))
        preview->ShowPrepared(&m_report);
}

// ---- the engine's preview

void frInstallPreview()
{
    TfrGlobals &e = frEngine();
    e.SetProgress(std::make_unique<TfrProgressForm>());
    e.ShowPreparedHook = [](TfrReport &report) {
        if (report.EMFPages().GetCount() == 0)
            return;
        if (auto *preview = qobject_cast<TfrPreview *>(report.Preview.data())) {
            preview->ShowPrepared(&report);
            return;
        }
        auto *form = new TfrPreviewForm;
        QString caption = GetLocaleString(55207);
        if (!report.Title.isEmpty())
            caption += QStringLiteral(" - ") + report.Title;
        form->setWindowTitle(caption);
        if (report.ModalPreview) {
            form->ShowPrepared(&report);
            delete form;
        } else {
            form->ShowPrepared(&report);
        }
        QCoreApplication::processEvents();
    };
}
