#pragma once

#include <QApplication>
#include <QString>

#include <functional>
#include <utility>

// Exceptions never cross Qt's own frames. Every event handler, slot, timer and deferred call of the program
// catches at its own edge and hands what it caught to the program's handler: by default it is logged as an
// error through platformLog; the shell installs its own, which writes the message to the log and shows it to
// the user in an error box.
using ExceptionHandler = std::function<void(const QString &message)>;

// Installs the handler (an empty one restores the default) and answers the previous one.
ExceptionHandler setExceptionHandler(ExceptionHandler handler);

// Call inside a catch block: hands the exception being handled to the program's handler.
void handleCurrentException();

// The edge of an event handler, an event filter or a timer handler of the program: its first statement, in a
// function-try-block whose catch calls endAtHandlerEdge(). A handler catches only where Qt called it. A derived
// class's handler that calls its base's handler directly is program code calling program code: what the base
// raises goes on to the derived handler, which may act on it and whose own edge reports it once.
class HandlerEdge
{
public:
    HandlerEdge() noexcept;
    ~HandlerEdge();
    HandlerEdge(const HandlerEdge &) = delete;
    HandlerEdge &operator=(const HandlerEdge &) = delete;
};

// Call inside the catch block of a handler with a HandlerEdge: when Qt called the handler, the exception goes to
// the program's handler; when the program's own code did, it is thrown on to that caller.
void endAtHandlerEdge();

// While it lives, Qt's own frames are below: a handler Qt calls from here is entered from Qt and catches at its
// own edge, though a handler of the program is further down the stack. Delivering an event opens one; so does
// a handler handing its event to the Qt class it derives from, which dispatches it to the handlers again.
class QtFramesBelow
{
public:
    QtFramesBelow() noexcept;
    ~QtFramesBelow();
    QtFramesBelow(const QtFramesBelow &) = delete;
    QtFramesBelow &operator=(const QtFramesBelow &) = delete;

private:
    int m_saved;
};

// Runs fn, a call into a Qt class's own dispatch (event(), viewportEvent()), under QtFramesBelow.
template <class F> decltype(auto) throughQt(F &&fn)
{
    const QtFramesBelow below;
    return std::forward<F>(fn)();
}

// Runs fn; an exception goes to the program's handler and the answer is false. Handlers fn calls directly
// leave what they raise to it.
bool guard(const std::function<void()> &fn);

// A callable for connect() that runs `fn` under guard(): a slot is entered from Qt's signal frames.
template <class F> auto guarded(F fn)
{
    return [fn = std::move(fn)](auto &&...args) { guard([&] { fn(std::forward<decltype(args)>(args)...); }); };
}

// The application object of the program and of the test programs. Every event is delivered under
// QtFramesBelow, so a handler reached again through a nested event loop catches at its own edge instead of
// unwinding the loop. Its guard round every event is the last resort: an exception that reaches it has
// already unwound Qt's frames, so besides going to the program's handler it is logged with the event and the
// receiver's class, naming the handler that lacks its own catch.
class GuardedApplication : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
