#include "LogSink.h"

#include "Hook.h"

namespace {

struct Sink
{
    PlatformLogSink sink;
    PlatformLogWants wants;
};

Hook<Sink> &sink()
{
    static Hook<Sink> hook;
    return hook;
}

} // namespace

void platformLog(LogKind kind, const QString &text)
{
    if (const Sink current = sink().get(); current.sink)
        current.sink(kind, text);
}

bool platformLogWanted(LogKind kind)
{
    const Sink current = sink().get();
    return current.sink && (!current.wants || current.wants(kind));
}

PlatformLogSink setPlatformLogSink(PlatformLogSink newSink, PlatformLogWants wants)
{
    return sink().exchange(Sink{std::move(newSink), std::move(wants)}).sink;
}
