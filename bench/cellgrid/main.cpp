// Prints how long the cell grid takes to repaint a full-HD window of a million rows, and to page and wheel
// through it. Runs offscreen: QT_QPA_PLATFORM=offscreen build/bench/cellgrid/bench_cellgrid
#include "BareGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    BareTextGrid grid;
    grid.setFrameShape(QFrame::NoFrame);
    grid.SetColCount(30);
    grid.SetRowCount(1000000);
    grid.SetDefaultRowHeight(18);
    grid.resize(1920, 1080);
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    QApplication::processEvents();

    const int repaints = 50;
    grid.cellsDrawn = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < repaints; ++i)
        grid.viewport()->repaint();
    const double fullMs = timer.nsecsElapsed() / 1e6 / repaints;
    std::printf("full repaint of %dx%d (%d x %d cells visible): %.2f ms, %lld cells per repaint\n",
                grid.viewport()->width(), grid.viewport()->height(), grid.VisibleColCount() + 1,
                grid.VisibleRowCount() + 1, fullMs, grid.cellsDrawn / repaints);

    auto steps = [&](const char *what, const std::function<void()> &step) {
        grid.SetTopRow(1);
        grid.SetRow(1);
        QApplication::processEvents();
        grid.cellsDrawn = 0;
        timer.restart();
        for (int i = 0; i < 1000; ++i) {
            step();
            QApplication::processEvents();
        }
        const double ms = timer.nsecsElapsed() / 1e6;
        std::printf("1000 %s steps: %.1f ms (%.3f ms a step), %lld cells drawn, top row now %d\n", what, ms,
                    ms / 1000, grid.cellsDrawn, grid.TopRow());
    };
    steps("page-down", [&] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&grid, &key);
    });
    steps("wheel", [&] {
        QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid.viewport(), &wheel);
    });
    return 0;
}
