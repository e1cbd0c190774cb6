#include "LogSink.h"

#include "Hook.h"

namespace {

Hook<PlatformLogSink> &sink()
{
    static Hook<PlatformLogSink> hook;
    return hook;
}

} // namespace

void platformLog(LogKind kind, const QString &text)
{
    if (const PlatformLogSink current = sink().get())
        current(kind, text);
}

PlatformLogSink setPlatformLogSink(PlatformLogSink newSink)
{
    return sink().exchange(std::move(newSink));
}
