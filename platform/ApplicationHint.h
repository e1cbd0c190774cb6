#pragma once

#include <QString>

#include <functional>

// The application's current hint: what a long operation is doing now, or the help line of what the mouse is on.
// The lower layers set it; the main window installs the one handler that shows it in its status bar.
QString ApplicationHint();
// Sets the hint and, when it changed, calls the handler.
void SetApplicationHint(const QString &text);

using ApplicationHintHandler = std::function<void()>;
// Installs (or, with an empty function, removes) the handler and answers the previous one.
ApplicationHintHandler setApplicationHintHandler(ApplicationHintHandler handler);
