// The designer window's frame: its layout, showing, closing and destroying.
#include "FR_Desgn.h"

#include "FR_Dock.h"
#include "FR_Edit.h"
#include "FR_Insp.h"
#include "FR_Locale.h"
#include "FR_PageF.h"

#include "Services.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <QWheelEvent>

TfrStatusBar::TfrStatusBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(21);
}

void TfrStatusBar::SetPanelText(int i, const QString &text)
{
    if (m_texts.value(i) == text)
        return;
    m_texts[i] = text;
    update();
}

void TfrStatusBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        const int w = i < 2 ? PanelWidths[i] : std::max(PanelWidths[2], width() - x);
        const QRect panel(x + 1, 2, w - 2, height() - 3);
        p.setPen(palette().dark().color());
        p.drawLine(panel.topLeft(), panel.topRight());
        p.drawLine(panel.topLeft(), panel.bottomLeft());
        p.setPen(palette().light().color());
        p.drawLine(panel.bottomLeft(), panel.bottomRight());
        p.drawLine(panel.topRight(), panel.bottomRight());
        p.setPen(palette().windowText().color());
        p.drawText(panel.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, m_texts.value(i));
        x += w;
    }
}

void TfrStatusBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (OnDblClick)
        OnDblClick(event->position().toPoint());
}

TfrDesignerForm::TfrDesignerForm(bool templateMode)
    : TfrReportDesigner(templateMode)
{
    setObjectName(QStringLiteral("frDesignerForm"));
    resize(800, 600);
    CreateActions();
    CreateMenus();

    Body = new QWidget(this);
    Body->setObjectName(QStringLiteral("Body"));
    frDock1 = new TfrDock(Body, alTop);
    frDock1->setObjectName(QStringLiteral("frDock1"));
    frDock2 = new TfrDock(Body, alLeft);
    frDock2->setObjectName(QStringLiteral("frDock2"));
    frDock3 = new TfrDock(Body, alBottom);
    frDock3->setObjectName(QStringLiteral("frDock3"));
    frDock4 = new TfrDock(Body, alRight);
    frDock4->setObjectName(QStringLiteral("frDock4"));
    Tab1 = new QTabBar(Body);
    Tab1->setObjectName(QStringLiteral("Tab1"));
    Tab1->setExpanding(false);
    Tab1->setDrawBase(true);
    ScrollBox1 = new QScrollArea(Body);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("ScrollContent"));
    content->setAutoFillBackground(true);
    QPalette grey = content->palette();
    grey.setColor(QPalette::Window, toQColor(clGray));
    content->setPalette(grey);
    ScrollBox1->setWidget(content);
    ScrollBox1->viewport()->installEventFilter(this);

    StatusBar1 = new TfrStatusBar(this);
    Panel7 = new QWidget(StatusBar1);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->setGeometry(TfrStatusBar::PanelWidths[0] + 2, 3, 226, 15);
    PBox1 = new QWidget(Panel7);
    PBox1->setObjectName(QStringLiteral("PBox1"));
    PBox1->setGeometry(0, 0, 226, 15);
    PBox1->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Body, 1);
    layout->addWidget(StatusBar1);

    CreateStandardToolbar();
    Localize();
    UpdatingControls = true;
    FirstShow = true;
    PageView = new TfrDesignerPage(this, content);
    PageView->setToolTip(QString());
    CreateObjectsToolbar();
    CreateFormatToolbars();
    CreateExtraTools();
    CreateAlignmentPalette();
    ConnectToolbarItems();
    EditorForm = new TfrEditorForm(this);
    for (QWidget *w : std::initializer_list<QWidget *> { Body, frDock1, frDock2, frDock3, frDock4 })
        w->installEventFilter(this);
    InstallKeysAndStatus();
    ConnectCommands();
    connect(Tab1, &QTabBar::currentChanged, this, [this](int index) {
        if (index >= 0 && index != CurPage && !m_placing)
            SetCurPage(index);
    });
}

TfrDesignerForm::~TfrDesignerForm()
{
    FormDestroy();
    // The hooks call this window's members: they go before the child widgets they watch are torn down, when this
    // window is no longer whole.
    delete m_tabHook;
    if (m_helpHook)
        qApp->removeEventFilter(m_helpHook);
    delete m_helpHook;
}

void TfrDesignerForm::Localize()
{
    CaptionBase = GetLocaleString(53080);
    Panel2->setWindowTitle(GetLocaleString(53082));
    setWindowTitle(CaptionBase);
}

void TfrDesignerForm::showEvent(QShowEvent *event)
{
    TfrReportDesigner::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrDesignerForm::FormShow()
{
    Panel7->hide();
    m_closeApproved = false;
    ApplyAvailability();

    delete InspForm;
    InspForm = new TfrInspForm(this);
    InspForm->ClearProperties();
    InspForm->AddProperty(QString(), Variant(0), {}, Variant::Null(), {}, frdtString);
    InspForm->OnModify = [this](int index) { ApplyInspectorChange(index); };
    InspForm->OnSelectionChanged = [this](const QString &name) { SelectObjectByName(name); };
    InspForm->OnGetObjects = [this](QStringList &items) {
        items.clear();
        if (Page)
            for (int i = 0; i < Page->ObjectCount(); ++i)
                items << Page->Object(i)->Name;
        if (Report())
            for (int i = 0; i < Report()->Pages().GetCount(); ++i)
                items << QStringLiteral("Page%1").arg(i + 1);
    };

    ClearUndo();
    ClearRedo();
    SetModified(false);
    if (Report())
        Report()->ChangedInDesigner = false;
    UpdatingControls = true;
    PageView->SelectionHidden = false;
    // New text objects start in Arial, which this platform draws with its metric twin.
    LastUsed.FontName = QStringLiteral("Arial");
    LastUsed.FontSize = 10;

    SetCurPage(0);
    if (TemplateMode && Report())
        SetFileName(Report()->FileName);
    else
        SetFileName(GetLocaleString(55209));

    Unselect();
    PageView->ResetMouseState();
    EnableControls();
    PressTool(-1);
    UpdateStatus();
    LoadOptions();
    m_inspectorShown = InspForm->isVisible();
    FormResize();
    InstallEditorHooks();
    if (DesignerComponent && DesignerComponent->OnShow)
        DesignerComponent->OnShow(this);
    FirstShow = false;
}

void TfrDesignerForm::resizeEvent(QResizeEvent *event)
{
    TfrReportDesigner::resizeEvent(event);
    if (!FirstShow)
        FormResize();
}

void TfrDesignerForm::FormResize()
{
    if (m_destroying)
        return;
    PlaceClient();
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    PageView->PlacePage();
    Panel7->move(TfrStatusBar::PanelWidths[0] + 2, 3);
    Panel7->show();
}

void TfrDesignerForm::PlaceClient()
{
    if (m_placing)
        return;
    m_placing = true;
    const QRect client = RealignDocks(Body);
    const int tabHeight = Tab1->sizeHint().height();
    Tab1->setGeometry(client.x(), client.y(), client.width(), tabHeight);
    ScrollBox1->setGeometry(client.x(), client.y() + tabHeight, client.width(), client.height() - tabHeight);
    m_placing = false;
}

bool TfrDesignerForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
        // The wheel scrolls the page by 8 pixels a notch.
        auto *wheel = static_cast<QWheelEvent *>(event);
        QScrollBar *bar = ScrollBox1->verticalScrollBar();
        bar->setValue(bar->value() + (wheel->angleDelta().y() > 0 ? -8 : 8));
        return true;
    }
    if (watched == PBox1 && event->type() == QEvent::Paint) {
        PaintStatusBox();
        return true;
    }
    if (event->type() == QEvent::Resize && (watched == Body || qobject_cast<TfrDock *>(watched))) {
        PlaceClient();
        if (watched == Body && !FirstShow)
            PageView->PlacePage();
    }
    return TfrReportDesigner::eventFilter(watched, event);
}

void TfrDesignerForm::closeEvent(QCloseEvent *event)
{
    if (m_closeApproved || FormCloseQuery()) {
        // The tool windows hide with the window; what the user left shown is kept for the next time.
        m_inspectorShown = InspForm && InspForm->isVisible();
        event->accept();
        TfrReportDesigner::closeEvent(event);
    } else {
        event->ignore();
    }
}

bool TfrDesignerForm::FormCloseQuery()
{
    if (!Report() || !GetModified() || !TemplateMode || (DesignerRestrictions & drNoSave))
        return true;
    if (DesignerComponent && !DesignerComponent->CloseQuery)
        return true;
    const QString text = GetLocaleString(55306) + u' ' + GetLocaleString(55336) + u' '
        + QFileInfo(QString(FileName).replace(u'\\', u'/')).fileName() + u'?';
    switch (Services::messages()->show({ text, mtConfirmation, mbYesNoCancel, mbYes, GetLocaleString(55006) })) {
    case mrNo:
        // The template is left as it is: the window closes with Cancel.
        m_closeApproved = true;
        SetModalResult(mrCancel);
        return true;
    case mrYes:
        SaveDone = false;
        SaveReport();
        return SaveDone;
    default:
        return false;
    }
}

void TfrDesignerForm::FormDestroy()
{
    m_destroying = true;
    ClearUndo();
    ClearRedo();
    SaveOptions();
    if (TemplateMode) {
        ShowFieldsWindow(false);
        if (Report())
            Report()->FileName = FileName;
    }
    delete InspForm;
    InspForm = nullptr;
    if (PageForm) {
        PageForm->hide();
        PageView->setParent(ScrollBox1->widget());
        delete PageForm;
        PageForm = nullptr;
    }
    // The hooks call into this window; none may outlive it.
    TfrGlobals &e = frEngine();
    for (TfrEditorHook *hook : { &e.MemoEditorHook, &e.PictureEditorHook, &e.TagEditorHook, &e.RestrictionsEditorHook,
             &e.HighlightEditorHook, &e.DataFieldEditorHook, &e.BandDataSourceEditorHook, &e.CrossDataSourceEditorHook,
             &e.GroupEditorHook, &e.FontEditorHook, &e.FormatEditorHook })
        *hook = {};
}
