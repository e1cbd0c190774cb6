#pragma once

// Where the exceptions raised while it lives end: the messages the program's handler is given, and the lines of
// the application object's last guard, which only an exception that unwound Qt's own frames reaches.
#include "Guard.h"
#include "LogSink.h"

#include <QStringList>

namespace tarvik::test {

struct ExceptionWatch
{
    QStringList reported;
    QStringList escaped;

    ExceptionWatch()
        : m_previousHandler(setExceptionHandler([this](const QString &message) { reported << message; }))
        , m_previousSink(setPlatformLogSink([this](LogKind kind, const QString &text) {
            if (kind == LogKind::Error && text.startsWith(QLatin1String("An exception escaped")))
                escaped << text;
        }))
    {
    }
    ~ExceptionWatch()
    {
        setPlatformLogSink(m_previousSink);
        setExceptionHandler(m_previousHandler);
    }
    ExceptionWatch(const ExceptionWatch &) = delete;
    ExceptionWatch &operator=(const ExceptionWatch &) = delete;

private:
    ExceptionHandler m_previousHandler;
    PlatformLogSink m_previousSink;
};

} // namespace tarvik::test
