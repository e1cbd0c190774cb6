#include "LogSink.h"

#include <QMutex>

namespace {

QMutex &sinkMutex()
{
    static QMutex mutex;
    return mutex;
}

PlatformLogSink &currentSink()
{
    static PlatformLogSink sink;
    return sink;
}

} // namespace

void platformLog(LogKind kind, const QString &text)
{
    PlatformLogSink sink;
    {
        QMutexLocker lock(&sinkMutex());
        sink = currentSink();
    }
    // Called outside the lock: a sink may log again or take its own locks.
    if (sink)
        sink(kind, text);
}

PlatformLogSink setPlatformLogSink(PlatformLogSink sink)
{
    QMutexLocker lock(&sinkMutex());
    PlatformLogSink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}
