// Dialog controls on the engine's hidden host, their painting, and dialog pages' windows.
#include "FR_BarC.h"
#include "FR_ClassControls.h"
#include "FR_Globals.h"
#include "FR_Intrp.h"
#include "FR_Progress.h"

#include "Color.h"
#include "ServiceFakes.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A visual control whose widget fills itself with one colour.
class ColourControl : public TfrControl
{
public:
    explicit ColourControl(const QColor &colour = Qt::red)
    {
        auto *widget = new QWidget;
        widget->setAutoFillBackground(true);
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, colour);
        widget->setPalette(palette);
        SetControl(widget);
    }
    QString ClassName() const override { return QStringLiteral("TfrColourControl"); }
};

class ComponentControl : public TfrNonVisualControl
{
public:
    ComponentControl() { SetComponent(new QObject); }
    QString ClassName() const override { return QStringLiteral("TfrComponentControl"); }
};

const CanvasRecord *firstOf(const RecordingCanvas &canvas, CanvasRecord::Kind kind)
{
    for (const CanvasRecord &r : canvas.records())
        if (r.kind == kind)
            return &r;
    return nullptr;
}

QStringList propertyNames(TfrObject &object)
{
    object.RegisterProperties();
    QStringList names;
    for (const TfrPropRec &p : object.PropRecs)
        names << QStringLiteral("%1 %2").arg(p.PropName).arg(p.PropType, 0, 16);
    return names;
}

class BuildDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        frEngine().DocumentMode = 1;
    }

    // A dialog page holding the given objects.
    static std::unique_ptr<TfrPage> dialogPage(std::initializer_list<TfrView *> objects)
    {
        auto page = std::make_unique<TfrPage>(PaperA4, 0, 0, DefaultBin, 0);
        page->Type = 1;
        page->Name = QStringLiteral("Dialog1");
        page->Caption = QStringLiteral("Параметры");
        for (TfrView *v : objects)
            page->AddObject(v);
        return page;
    }

    FakeMessageService messages;
};

TEST_F(BuildDialog, AControlIsPaintedFromItsWidgetOnTheHiddenHost)
{
    ColourControl control;
    control.PlaceAt(10, 20, 40, 30);
    RecordingCanvas canvas;
    control.Draw(canvas);
    const CanvasRecord *image = firstOf(canvas, CanvasRecord::Image);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->rect, QRect(10, 20, 41, 31));
    EXPECT_EQ(QColor(image->image.pixel(5, 5)), QColor(Qt::red));
    // Outside the widget the picture keeps the button face.
    EXPECT_EQ(QColor(image->image.pixel(40, 30)), toQColor(clBtnFace));

    QWidget &host = frEngine().DialogForm();
    EXPECT_EQ(control.Control()->parentWidget(), &host);
    EXPECT_EQ(host.objectName(), QStringLiteral("DialogForm"));
    EXPECT_EQ(host.geometry(), QRect(-100, -100, 10, 10));
    EXPECT_FALSE(host.isVisible());

    // On a real picture at twice the size: the picture grows, the widget keeps its own size.
    QImage page(200, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        QPainterCanvas target(&painter);
        control.ZoomX = control.ZoomY = 2;
        control.Draw(target);
    }
    EXPECT_EQ(QColor(page.pixel(25, 45)), QColor(Qt::red));
    EXPECT_EQ(QColor(page.pixel(59, 69)), QColor(Qt::red));
    EXPECT_EQ(QColor(page.pixel(95, 95)), toQColor(clBtnFace));
    EXPECT_EQ(QColor(page.pixel(5, 5)), QColor(Qt::white));
    EXPECT_EQ(control.Width, 40) << "the geometry is the design one again after drawing";
}

TEST_F(BuildDialog, VisibleHidesTheWidgetWithTheObject)
{
    ColourControl control;
    control.SetPropertyValue(QStringLiteral("Visible"), Variant(false));
    EXPECT_FALSE(control.Visible);
    EXPECT_TRUE(control.Control()->isHidden());
    control.SetPropertyValue(QStringLiteral("visible"), Variant(true));
    EXPECT_TRUE(control.Visible);
    EXPECT_FALSE(control.Control()->isHidden());
    EXPECT_EQ(control.TypeCode, 10);
    EXPECT_EQ(control.FillColor, clBtnFace);
    EXPECT_EQ(propertyNames(control),
        QStringList({ "Name 101", "Left 80", "Top 80", "Width 80", "Height 80", "Visible 8", "Restrictions 40" }));
}

TEST_F(BuildDialog, ANonVisualControlIsAlwaysA28PixelIcon)
{
    ComponentControl control;
    control.PlaceAt(30, 40, 100, 60);
    control.FillColor = clRed;
    RecordingCanvas canvas;
    control.Draw(canvas);
    EXPECT_EQ(control.Width, 28);
    EXPECT_EQ(control.Height, 28);
    EXPECT_EQ(control.FillColor, clBtnFace);
    const CanvasRecord *icon = firstOf(canvas, CanvasRecord::Image);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->rect.topLeft(), QPoint(32, 42));
    const CanvasRecord *fill = firstOf(canvas, CanvasRecord::FillRect);
    ASSERT_NE(fill, nullptr);
    EXPECT_EQ(fill->rect, QRect(30, 40, 28, 28));

    control.SetPropertyValue(QStringLiteral("Name"), Variant(QStringLiteral("Query1")));
    EXPECT_EQ(control.Component()->objectName(), QStringLiteral("Query1"));
    EXPECT_EQ(propertyNames(control), QStringList({ "Name 101", "Restrictions 40" }));
}

TEST_F(BuildDialog, NewNamesAvoidTheComponentsOfTheDialogHost)
{
    auto *taken = new QWidget(&frEngine().DialogForm());
    taken->setObjectName(QStringLiteral("Bar1"));
    TfrBarCodeView view;
    view.MakeUniqueName();
    EXPECT_EQ(view.Name, QStringLiteral("Bar2"));
}

// Answers the dialog page's window with a key once it is shown; records whether it was.
struct WindowAnswer
{
    explicit WindowAnswer(std::function<void(QDialog *)> act)
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this, act] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            timer.stop();
            shown = dialog;
            caption = dialog->windowTitle();
            progressHidden = !frEngine().Progress().Visible();
            act(dialog);
        });
        timer.start();
    }
    QTimer timer;
    QPointer<QDialog> shown;
    QString caption;
    bool progressHidden = false;
};

TEST_F(BuildDialog, ADialogPageClosedWithEscapeIsCancelled)
{
    auto *control = new ColourControl;
    control->PlaceAt(8, 8, 60, 20);
    auto page = dialogPage({ control });
    frEngine().Progress().SetVisible(true);
    int scriptRuns = 0;
    WindowAnswer answer([](QDialog *d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_TRUE(ShowDialogPage(*page, [&scriptRuns] { ++scriptRuns; }));
    EXPECT_TRUE(answer.shown);
    EXPECT_EQ(answer.caption, QStringLiteral("Параметры"));
    EXPECT_TRUE(answer.progressHidden);
    EXPECT_TRUE(frEngine().Progress().Visible());
    EXPECT_EQ(scriptRuns, 1);
    EXPECT_EQ(control->Control()->parentWidget(), page->Form.data());
    EXPECT_EQ(control->Control()->geometry(), QRect(8, 8, 60, 20));

    FreeDialogPage(*page);
    EXPECT_EQ(page->ObjectCount(), 0);
    EXPECT_TRUE(page->Form.isNull());
}

TEST_F(BuildDialog, ADialogPageAcceptedGoesOn)
{
    auto page = dialogPage({ new ColourControl });
    WindowAnswer answer([](QDialog *d) { d->accept(); });
    EXPECT_FALSE(ShowDialogPage(*page, {}));
    EXPECT_TRUE(answer.shown);
    FreeDialogPage(*page);
}

TEST_F(BuildDialog, APageScriptSettingTheResultClosesTheWindowUnshown)
{
    TfrGlobals &e = frEngine();
    const struct
    {
        int result;
        bool cancelled;
    } cases[] = { { 1, false }, { 2, true }, { 7, false } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.result);
        auto page = dialogPage({ new ColourControl });
        WindowAnswer answer([](QDialog *d) { d->reject(); });
        EXPECT_EQ(ShowDialogPage(
                      *page, [&e, &c] { e.Interpreter().SetValue(QStringLiteral("MODALRESULT"), Variant(c.result)); }),
            c.cancelled);
        EXPECT_FALSE(answer.shown);
        FreeDialogPage(*page);
    }
}

TEST_F(BuildDialog, WithoutVisualControlsOrWhenInvisibleOnlyTheScriptRuns)
{
    for (bool visiblePage : { true, false }) {
        SCOPED_TRACE(visiblePage);
        auto page = visiblePage ? dialogPage({ new ComponentControl }) : dialogPage({ new ColourControl });
        page->Visible = visiblePage;
        int scriptRuns = 0;
        WindowAnswer answer([](QDialog *d) { d->reject(); });
        EXPECT_FALSE(ShowDialogPage(*page, [&scriptRuns] { ++scriptRuns; }));
        EXPECT_EQ(scriptRuns, 1);
        EXPECT_FALSE(answer.shown);
        FreeDialogPage(*page);
    }
}

TEST_F(BuildDialog, AFailingPageScriptIsRecordedAsABuildError)
{
    auto page = dialogPage({ new ColourControl });
    WindowAnswer answer([](QDialog *d) { d->accept(); });
    EXPECT_FALSE(ShowDialogPage(*page, [] { throw Exception(QStringLiteral("сбой сценария")); }));
    EXPECT_TRUE(frEngine().ErrorFlag);
    EXPECT_TRUE(frEngine().ErrorMessage.contains(QStringLiteral("сбой сценария")));
    FreeDialogPage(*page);
}

} // namespace
