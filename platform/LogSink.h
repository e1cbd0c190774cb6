#pragma once

#include <QString>

#include <functional>

// Lower layers report errors and debug lines here; the shell's log service installs itself as the sink, so
// that the platform never depends on where lines end up (log file, event monitor).
enum class LogKind { Error, Debug, Raw };

using PlatformLogSink = std::function<void(LogKind, const QString &)>;
// Whether the sink takes lines of a kind at the moment.
using PlatformLogWants = std::function<bool(LogKind)>;

// Forwards to the installed sink; without one the line is dropped.
void platformLog(LogKind kind, const QString &text);
// Whether a line of the kind would reach anyone now, so that costly lines (the SQL trace with its parameters)
// are only built when they are read.
bool platformLogWanted(LogKind kind);

// Installs (or, with an empty function, removes) the sink and answers the previous one. A sink takes every
// kind unless `wants` says otherwise.
PlatformLogSink setPlatformLogSink(PlatformLogSink sink, PlatformLogWants wants = {});
