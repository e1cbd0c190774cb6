#include "ApplicationHint.h"

#include "Hook.h"

#include <QMutex>

namespace {

QMutex hintMutex;
QString currentHint;
Hook<ApplicationHintHandler> hintHandler;

} // namespace

QString ApplicationHint()
{
    QMutexLocker lock(&hintMutex);
    return currentHint;
}

void SetApplicationHint(const QString &text)
{
    {
        QMutexLocker lock(&hintMutex);
        if (currentHint == text)
            return;
        currentHint = text;
    }
    if (const ApplicationHintHandler handler = hintHandler.get())
        handler();
}

ApplicationHintHandler setApplicationHintHandler(ApplicationHintHandler handler)
{
    return hintHandler.exchange(std::move(handler));
}
