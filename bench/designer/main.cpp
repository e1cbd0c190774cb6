// Figures for the designer window on a template of 2,000 objects (40 bands of 45 framed text objects, and lines)
// at 1920 x 1080: a full repaint of the page, Select all, one step of dragging 45 objects, Undo and Redo of that
// drag, and a frame width picked for every object from the Frame toolbar with its Undo, each beside a bare QPainter
// drawing the same rectangles, frames, fills and texts on an image of the page.
#include "FR_Desgn.h"

#include "FR_Class.h"
#include "FR_Combo.h"

#include "Registry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <functional>

namespace {

constexpr int Bands = 40, PerBand = 45, BandHeight = 26, LinesPerBand = 5;

void BuildTemplate(TfrPage *page)
{
    for (int b = 0; b < Bands; ++b) {
        const int top = 20 + b * BandHeight;
        auto *band = static_cast<TfrBandView *>(CreateViewOfType(2, {}));
        band->SetBandType(btMasterData);
        band->PlaceAt(0, top, 794, BandHeight - 2);
        band->Name = QStringLiteral("Band%1").arg(b + 1);
        page->AddObject(band);
        for (int i = 0; i < PerBand; ++i) {
            auto *m = static_cast<TfrMemoView *>(CreateViewOfType(0, {}));
            m->PlaceAt(10 + i * 17, top + 2, 16, 18);
            m->Name = QStringLiteral("Memo%1_%2").arg(b + 1).arg(i + 1);
            m->FrameTyp = 15;
            m->FillColor = i % 3 == 0 ? clYellow : clTransparent;
            m->Memo << QStringLiteral("T%1").arg(i);
            page->AddObject(m);
        }
        for (int l = 0; l < LinesPerBand; ++l) {
            auto *line = CreateViewOfType(4, {});
            line->PlaceAt(10 + l * 150, top + 21, 140, 0);
            line->Name = QStringLiteral("Line%1_%2").arg(b + 1).arg(l + 1);
            page->AddObject(line);
        }
    }
}

// The same shapes with QPainter alone.
void PaintBaseline(QImage &image, TfrPage *page)
{
    QPainter p(&image);
    p.fillRect(image.rect(), Qt::white);
    const QFont font = TfrFont().toQFont(TfrFont().pixelHeight());
    p.setFont(font);
    const QBrush checker(frEngine().CheckerBitmap.isNull() ? QBrush(Qt::lightGray, Qt::Dense4Pattern)
                                                           : QBrush(frEngine().CheckerBitmap));
    TfrFont small;
    small.Size = 8;
    const QFont bandFont = small.toQFont(small.pixelHeight());
    for (int i = 0; i < page->ObjectCount(); ++i) {
        const TfrView *v = page->Object(i);
        const QRect r(v->Left, v->Top, v->Width, v->Height);
        if (v->TypeCode == 2) {
            // A band: its hatched body, its outline and the tab above it with the band's name.
            p.fillRect(r, checker);
            p.setPen(Qt::lightGray);
            p.drawRect(r);
            const QString name = frEngine().BandNames.value(static_cast<const TfrBandView *>(v)->GetBandType());
            p.setFont(bandFont);
            const QRect tab(v->Left, v->Top - 18, std::max(100, p.fontMetrics().horizontalAdvance(name) + 8), 18);
            p.fillRect(tab, Qt::lightGray);
            p.setPen(Qt::black);
            p.drawText(tab.adjusted(4, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, name);
            p.setFont(font);
            continue;
        }
        if (v->TypeCode == 4) {
            p.setPen(Qt::black);
            p.drawLine(r.topLeft(), r.topRight());
            continue;
        }
        if (v->FillColor != clTransparent)
            p.fillRect(r, toQColor(v->FillColor));
        p.setPen(Qt::black);
        p.drawRect(r);
        p.save();
        p.setClipRect(r);
        p.drawText(r.adjusted(2, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, v->Memo.value(0));
        p.restore();
    }
}

double TimeMs(int runs, const std::function<void()> &f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        f();
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

void Report(const char *what, double ms, double baseline, double target)
{
    std::printf("%-44s %9.3f ms   %6.2fx baseline (target <= %.2fx)\n", what, ms, ms / baseline, target);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TRegistry::useTemporaryStorage();
    TfrDesigner options;
    TfrReport report;
    frEngine().CurrentReport = &report;
    report.Pages().Add();
    TfrPage *page = report.Pages().GetPage(0);
    BuildTemplate(page);

    TfrDesignerForm designer(true);
    frEngine().CurrentDesigner = &designer;
    designer.resize(1920, 1080);
    designer.show();
    designer.SetGridAlign(false);
    QApplication::processEvents();
    TfrDesignerPage *surface = designer.PageView;
    std::printf(
        "objects: %d, page %d x %d, window 1920 x 1080\n", page->ObjectCount(), surface->width(), surface->height());

    QImage image(surface->size(), QImage::Format_ARGB32_Premultiplied);
    const double baseline = TimeMs(20, [&] { PaintBaseline(image, page); });
    std::printf("%-44s %9.3f ms\n", "baseline: QPainter, the same shapes", baseline);

    const double repaint = TimeMs(20, [&] {
        QPainter painter(&image);
        surface->PaintPage(painter, image.rect());
    });
    Report("full repaint of the page", repaint, baseline, 3);

    // The command as the menu runs it, and the paint it asks for.
    const double selectAll = TimeMs(5, [&] {
        designer.Unselect();
        designer.SelectAllObjects();
        surface->repaint();
    });
    Report("Select all (marks, toolbars, inspector)", selectAll, baseline, 2);

    // One band's objects selected, the mouse down on the first of them.
    designer.Unselect();
    for (int i = 0; i < page->ObjectCount(); ++i) {
        TfrView *v = page->Object(i);
        if (v->TypeCode == 0 && v->Top == 20 + 2) {
            v->IsSelected = true;
            ++surface->SelectedCount;
        }
    }
    surface->CalcSelectionBounds();
    auto send = [surface](QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, p, surface->mapToGlobal(p), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(surface, &e);
    };
    QPoint at(15, 25);
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    const double dragStep = TimeMs(50, [&] {
        at += QPoint(0, (step++ % 2) ? -8 : 8);
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
    });
    send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    Report("one drag step of 45 objects", dragStep, baseline, 0.25);
    std::printf("%-44s %9d\n", "undo records made by the drag", designer.UndoCount());

    const double undo = TimeMs(1, [&] {
        designer.Undo();
        QApplication::processEvents();
    });
    Report("Undo of the drag", undo, baseline, 1);
    const double redo = TimeMs(1, [&] {
        designer.Redo();
        QApplication::processEvents();
    });
    Report("Redo of the drag", redo, baseline, 1);

    // Every object selected, then a frame width picked from the Frame toolbar's list: the undo copies, the change
    // and the repaint; then its Undo, which leaves nothing selected. The rounds alternate two widths, so that each
    // one changes every object.
    constexpr int WidthRounds = 5;
    double frameWidth = 0, undoWidth = 0;
    int widened = 0, framed = 0;
    for (int round = 0; round < WidthRounds; ++round) {
        designer.Unselect();
        designer.SelectAll();
        surface->CalcSelectionBounds();
        designer.SelectionChanged();
        QApplication::processEvents();
        const QString width = round % 2 ? QStringLiteral("3") : QStringLiteral("2");
        const int item = designer.C4->findText(width);
        frameWidth += TimeMs(1, [&] {
            designer.C4->setCurrentIndex(item);
            emit designer.C4->activated(item);
            surface->repaint();
        });
        widened = framed = 0;
        for (int i = 0; i < page->ObjectCount(); ++i) {
            const TfrView *v = page->Object(i);
            if (v->TypeCode != 2) {
                ++framed;
                widened += v->FrameWidth == width.toDouble();
            }
        }
        undoWidth += TimeMs(1, [&] {
            designer.Undo();
            surface->repaint();
        });
    }
    std::printf("%-44s %5d of %d\n", "objects given the frame width", widened, framed);
    Report("Select all, then frame width (Frame toolbar)", frameWidth / WidthRounds, baseline, 2);
    Report("Undo of the frame width", undoWidth / WidthRounds, baseline, 2);
    return 0;
}
