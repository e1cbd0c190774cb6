#pragma once

#include <QString>

#include <functional>

// Lower layers report errors and debug lines here; the shell's log service installs itself as the sink, so
// that the platform never depends on where lines end up (log file, event monitor).
enum class LogKind { Error, Debug, Raw };

using PlatformLogSink = std::function<void(LogKind, const QString &)>;

// Forwards to the installed sink; without one the line is dropped.
void platformLog(LogKind kind, const QString &text);

// Installs (or, with an empty function, removes) the sink and answers the previous one.
PlatformLogSink setPlatformLogSink(PlatformLogSink sink);
