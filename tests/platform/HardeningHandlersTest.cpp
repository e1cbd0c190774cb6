// Where a handler's edge catches: only where Qt called the handler. A derived class's handler that calls its
// base's handler directly gets what the base raised, and a handler reached again through a nested event loop
// catches at its own edge.
#include "CustomGrid.h"
#include "ExceptionWatch.h"
#include "Exceptions.h"
#include "Guard.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <functional>

#include <gtest/gtest.h>

using tarvik::test::ExceptionWatch;

namespace {

const QString Refused = QStringLiteral("Действие запрещено");

// A control built in two layers, as the program's controls are: the base's key handler runs what the program
// asks of it, and the derived control's handlers each have their own edge too.
class BaseBox : public QWidget
{
public:
    std::function<void()> onKey;

protected:
    void keyPressEvent(QKeyEvent *) override
    try {
        const HandlerEdge edge;
        if (onKey)
            onKey();
    } catch (...) {
        endAtHandlerEdge();
    }
};

class DerivedBox : public BaseBox
{
public:
    QStringList trace;

protected:
    bool event(QEvent *event) override
    try {
        const HandlerEdge edge;
        const bool handled = throughQt([&] { return BaseBox::event(event); });
        if (event->type() == QEvent::KeyPress)
            trace << QStringLiteral("the event handler went on");
        return handled;
    } catch (...) {
        endAtHandlerEdge();
        return true;
    }

    void keyPressEvent(QKeyEvent *event) override
    try {
        const HandlerEdge edge;
        try {
            BaseBox::keyPressEvent(event);
        } catch (const std::exception &e) {
            trace << QStringLiteral("seen: ") + exceptionMessage(e);
            throw;
        }
        trace << QStringLiteral("the key handler went on");
    } catch (...) {
        endAtHandlerEdge();
    }
};

// A grid whose press fails when it is the second half of a double click.
class RefusingGrid : public TCustomGrid
{
public:
    QList<bool> presses; // whether each press was a double click's

protected:
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override
    {
        presses << InDoubleClick();
        if (InDoubleClick())
            throw Exception(Refused);
        TCustomGrid::MouseDown(button, shift, x, y);
    }
};

void pressKey(QWidget &w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b"));
    QCoreApplication::sendEvent(&w, &press);
}

TEST(HardeningHandlers, WhatABaseHandlerRaisesGoesOnToTheDerivedHandlerThatCalledIt)
{
    const QString keyWentOn = QStringLiteral("the key handler went on");
    const QString eventWentOn = QStringLiteral("the event handler went on");
    const struct
    {
        const char *what;
        std::function<void()> onKey;
        QStringList trace;
        QStringList reported;
    } cases[] = {
        // The derived key handler sees the failure and stops; its edge, entered from Qt's dispatch inside
        // event(), reports it once, so the event handler that handed the event to Qt goes on.
        { "the base's handler raises", [] { throw Exception(Refused); },
            { QStringLiteral("seen: ") + Refused, eventWentOn }, { Refused } },
        { "nothing is raised", {}, { keyWentOn, eventWentOn }, {} },
        { "a guard inside the base's handler catches it", [] { guard([] { throw Exception(Refused); }); },
            { keyWentOn, eventWentOn }, { Refused } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DerivedBox box;
        box.onKey = c.onKey;
        ExceptionWatch watch;
        pressKey(box);
        EXPECT_EQ(box.trace, c.trace);
        EXPECT_EQ(watch.reported, c.reported);
        EXPECT_EQ(watch.escaped, QStringList());
    }
}

TEST(HardeningHandlers, AHandlerReachedThroughANestedLoopCatchesAtItsOwnEdge)
{
    BaseBox inner;
    inner.onKey = [] { throw Exception(Refused); };
    DerivedBox outer;
    bool loopEnded = false;
    outer.onKey = [&] {
        // A handler that waits in a loop of its own, as a modal window does, while another handler fails.
        QEventLoop loop;
        QCoreApplication::postEvent(
            &inner, new QKeyEvent(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, QStringLiteral("b")));
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
        loopEnded = true;
    };
    ExceptionWatch watch;
    pressKey(outer);
    EXPECT_TRUE(loopEnded);
    EXPECT_EQ(outer.trace,
        (QStringList { QStringLiteral("the key handler went on"), QStringLiteral("the event handler went on") }));
    EXPECT_EQ(watch.reported, QStringList { Refused });
    EXPECT_EQ(watch.escaped, QStringList());
}

TEST(HardeningHandlers, APressThatFailsInADoubleClickLeavesLaterPressesSingle)
{
    RefusingGrid grid;
    grid.resize(200, 100);
    grid.show();
    ExceptionWatch watch;
    const auto send = [&](QEvent::Type type) {
        const QPointF at(10, 10);
        QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(grid.viewport(), &event);
    };
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    send(QEvent::MouseButtonPress);
    EXPECT_EQ(grid.presses, (QList<bool> { true, false }));
    EXPECT_EQ(watch.reported, QStringList { Refused });
    EXPECT_EQ(watch.escaped, QStringList());
}

} // namespace
