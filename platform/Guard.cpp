#include "Guard.h"

#include "Exceptions.h"
#include "Hook.h"
#include "LogSink.h"

#include <exception>
#include <utility>

namespace {

Hook<ExceptionHandler> &programHandler()
{
    static Hook<ExceptionHandler> hook;
    return hook;
}

void report(const QString &message)
{
    const ExceptionHandler handler = programHandler().get();
    if (!handler) {
        platformLog(LogKind::Error, message);
        return;
    }
    try {
        handler(message);
    } catch (const std::exception &e) {
        // A failing handler must not let the exception escape after all; the log still gets both.
        platformLog(LogKind::Error, message);
        platformLog(LogKind::Error, exceptionMessage(e));
    }
}

// How many handler edges of the program are on this thread's stack since Qt's own frames were last entered.
thread_local int t_edgeDepth = 0;

} // namespace

HandlerEdge::HandlerEdge() noexcept
{
    ++t_edgeDepth;
}

HandlerEdge::~HandlerEdge()
{
    --t_edgeDepth;
}

void endAtHandlerEdge()
{
    // The edge has closed by now, so the depth is the one its handler was entered at.
    if (t_edgeDepth > 0)
        throw;
    handleCurrentException();
}

QtFramesBelow::QtFramesBelow() noexcept
    : m_saved(std::exchange(t_edgeDepth, 0))
{
}

QtFramesBelow::~QtFramesBelow()
{
    t_edgeDepth = m_saved;
}

ExceptionHandler setExceptionHandler(ExceptionHandler handler)
{
    return programHandler().exchange(std::move(handler));
}

void handleCurrentException()
{
    try {
        throw;
    } catch (const std::exception &e) {
        report(exceptionMessage(e));
    } catch (...) {
        report(QStringLiteral("Unknown exception"));
    }
}

bool guard(const std::function<void()> &fn)
{
    try {
        const HandlerEdge edge;
        fn();
        return true;
    } catch (...) {
        handleCurrentException();
        return false;
    }
}

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    // Taken before delivery: the handler may free the receiver. A class name is static text.
    const QEvent::Type type = event->type();
    const char *className = receiver ? receiver->metaObject()->className() : "";
    try {
        const QtFramesBelow below;
        return QApplication::notify(receiver, event);
    } catch (...) {
        platformLog(LogKind::Error, QStringLiteral("An exception escaped the handler of event %1 of a %2")
                                        .arg(int(type))
                                        .arg(QString::fromLatin1(className)));
        handleCurrentException();
        return false;
    }
}
