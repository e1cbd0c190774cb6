#include "Guard.h"

#include "Exceptions.h"
#include "LogSink.h"

#include <QMutex>

#include <exception>

namespace {

QMutex &handlerMutex()
{
    static QMutex mutex;
    return mutex;
}

ExceptionHandler &currentHandler()
{
    static ExceptionHandler handler;
    return handler;
}

void report(const QString &message)
{
    ExceptionHandler handler;
    {
        QMutexLocker lock(&handlerMutex());
        handler = currentHandler();
    }
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

} // namespace

ExceptionHandler setExceptionHandler(ExceptionHandler handler)
{
    QMutexLocker lock(&handlerMutex());
    ExceptionHandler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
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
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleCurrentException();
        return false;
    }
}
