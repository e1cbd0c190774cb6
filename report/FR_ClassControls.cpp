// Dialog controls and dialog pages' windows.
#include "FR_ClassControls.h"

#include "FR_Globals.h"
#include "FR_Progress.h"
#include "ReportValues.h"

#include "Color.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace {

constexpr int NonVisualSize = 28;

// The icon of components without a window: a small box with a gear-like mark.
QImage nonVisualIcon()
{
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(Qt::black);
    p.setBrush(QColor(0xFF, 0xFF, 0xE0));
    p.drawRect(QRect(3, 3, 17, 17));
    p.setBrush(Qt::darkGray);
    p.drawEllipse(QRect(8, 8, 7, 7));
    return image;
}

} // namespace

// ---- TfrControl

TfrControl::TfrControl()
{
    TypeCode = 10;
    FillColor = clBtnFace;
    FrameTyp = 0;
}

TfrControl::~TfrControl()
{
    delete m_control.data();
}

void TfrControl::SetControl(QWidget *control)
{
    m_control = control;
}

void TfrControl::SetPropertyValue(const QString &name, const Variant &value)
{
    TfrView::SetPropertyValue(name, value);
    if (m_control && name.compare(QLatin1String("VISIBLE"), Qt::CaseInsensitive) == 0)
        m_control->setVisible(value.toBool());
}

void TfrControl::RegisterProperties()
{
    ClearPropList();
    RegisterProp(QStringLiteral("Name"), frdtString | frdtOneObject);
    for (const char *n : { "Left", "Top", "Width", "Height" })
        RegisterProp(QString::fromLatin1(n), frdtSize);
    RegisterProp(QStringLiteral("Visible"), frdtBoolean);
    RegisterProp(QStringLiteral("Restrictions"), frdtHasEditor, frEngine().RestrictionsEditorHook);
}

void TfrControl::PlaceOnForm(QWidget *form)
{
    if (!m_control)
        return;
    m_control->setParent(form);
    m_control->setGeometry(Left, Top, Width, Height);
}

void TfrControl::Draw(ReportCanvas &canvas)
{
    PrepareDraw(canvas);
    if (m_control)
        m_control->resize(Width, Height);
    ApplyScale();
    PaintControl(canvas);
    RestoreGeometry();
}

void TfrControl::PaintControl(ReportCanvas &canvas)
{
    QImage image(Width + 1, Height + 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(toQColor(clBtnFace));
    if (m_control) {
        if (!m_control->parentWidget())
            m_control->setParent(&frEngine().DialogForm());
        m_control->move(0, 0);
        // The host stays hidden: rendering needs no window on screen.
        m_control->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    canvas.drawImage(QRect(Left, Top, image.width(), image.height()), image);
}

// ---- TfrNonVisualControl

TfrNonVisualControl::TfrNonVisualControl()
    : Icon(nonVisualIcon())
{
    Width = Height = NonVisualSize;
}

TfrNonVisualControl::~TfrNonVisualControl()
{
    delete m_component.data();
}

void TfrNonVisualControl::SetComponent(QObject *component)
{
    m_component = component;
    if (m_component)
        m_component->setObjectName(Name);
}

void TfrNonVisualControl::SetPropertyValue(const QString &name, const Variant &value)
{
    TfrControl::SetPropertyValue(name, value);
    if (m_component && name.compare(QLatin1String("NAME"), Qt::CaseInsensitive) == 0)
        m_component->setObjectName(value.toString());
}

void TfrNonVisualControl::RegisterProperties()
{
    ClearPropList();
    RegisterProp(QStringLiteral("Name"), frdtString | frdtOneObject);
    RegisterProp(QStringLiteral("Restrictions"), frdtHasEditor, frEngine().RestrictionsEditorHook);
}

void TfrNonVisualControl::Draw(ReportCanvas &canvas)
{
    Width = Height = NonVisualSize;
    PrepareDraw(canvas);
    ApplyScale();
    FillColor = clBtnFace;
    DrawBackground();
    PaintControl(canvas);
    RestoreGeometry();
}

void TfrNonVisualControl::PaintControl(ReportCanvas &canvas)
{
    // A raised edge: light along the top and left, dark along the bottom and right.
    const QRect r = DrawRect;
    canvas.setPen(toQColor(clBtnHighlight));
    canvas.drawLine(r.topLeft(), QPoint(r.right(), r.top()));
    canvas.drawLine(r.topLeft(), QPoint(r.left(), r.bottom()));
    canvas.setPen(toQColor(clBtnShadow));
    canvas.drawLine(QPoint(r.left(), r.bottom()), QPoint(r.right() + 1, r.bottom()));
    canvas.drawLine(QPoint(r.right(), r.top()), QPoint(r.right(), r.bottom() + 1));
    canvas.drawImage(QRect(r.left() + 2, r.top() + 2, Icon.width(), Icon.height()), Icon);
}

// ---- dialog pages

bool ShowDialogPage(TfrPage &page, const std::function<void()> &runScript)
{
    TfrGlobals &e = frEngine();
    e.ActivePage = &page;
    delete page.Form.data();
    auto *form = new QDialog;
    form->setObjectName(page.Name);
    page.Form = form;
    bool visual = false;
    for (const auto &view : page.Objects) {
        auto *control = dynamic_cast<TfrControl *>(view.get());
        if (!control || dynamic_cast<TfrNonVisualControl *>(control))
            continue;
        control->PlaceOnForm(form);
        control->SetPropertyValue(QStringLiteral("Visible"), Variant(control->Visible));
        visual = true;
    }
    auto runFormScript = [&runScript] {
        try {
            if (runScript)
                runScript();
        } catch (const std::exception &error) {
            ReportExpressionError(error);
        }
    };
    if (!visual || !page.Visible) {
        runFormScript();
        return false;
    }

    TfrProgress &progress = e.Progress();
    const bool progressShown = progress.Visible();
    progress.SetVisible(false);
    form->setWindowTitle(page.Caption);
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, toQColor(page.Color));
    form->setPalette(palette);
    form->setAutoFillBackground(true);
    QRect bounds(page.Left, page.Top, page.Width, page.Height);
    if (page.Position == 4) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            bounds.moveCenter(screen->availableGeometry().center());
    }
    form->setGeometry(bounds);
    if (page.BorderStyle == 3)
        form->setFixedSize(bounds.size());
    form->setResult(0);
    runFormScript();
    bool cancelled;
    if (form->result() != 0) {
        cancelled = form->result() == 2;
    } else {
        // Closing the window any other way than through OK counts as Cancel.
        const int result = form->exec();
        cancelled = result == 2 || result == QDialog::Rejected;
    }
    progress.SetVisible(progressShown);
    return cancelled;
}

void FreeDialogPage(TfrPage &page)
{
    TfrGlobals &e = frEngine();
    if (e.ActivePage == &page)
        e.ActivePage = nullptr;
    page.ClearObjects();
    delete page.Form.data();
}
