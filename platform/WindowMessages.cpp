#include "WindowMessages.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QThread>

namespace {

struct MessageTypes
{
    QMutex mutex;
    QHash<int, QEvent::Type> types;

    QEvent::Type typeOf(int msg)
    {
        QMutexLocker lock(&mutex);
        auto it = types.constFind(msg);
        if (it != types.constEnd())
            return *it;
        // The preferred number keeps the message visible in event traces: QEvent::User + the message.
        const auto type = QEvent::Type(QEvent::registerEventType(QEvent::User + msg));
        types.insert(msg, type);
        return type;
    }
};

MessageTypes &messageTypes()
{
    static MessageTypes table;
    return table;
}

// The child-window protocol's numbers are taken before anything else can register event types.
const bool reserved = [] {
    for (int msg : { AMCreateChild, AMQueryChild, AMChildClose, AMRunQuery, AMCloseAllChildForms, AMShowAnimate,
             AMHideAnimate, AmAddDebugInfo, AMLargeIconsChanged, AMCloseApplication })
        messageTypes().typeOf(msg);
    return true;
}();

} // namespace

TMessageEvent::TMessageEvent(int msg, qintptr wParam, qintptr lParam, const QVariant &data)
    : QEvent(eventType(msg))
    , Msg(msg)
    , WParam(wParam)
    , LParam(lParam)
    , Data(data)
{
}

QEvent::Type TMessageEvent::eventType(int msg)
{
    return messageTypes().typeOf(msg);
}

TMessageEvent *TMessageEvent::from(QEvent *event)
{
    return event && event->type() >= QEvent::User ? dynamic_cast<TMessageEvent *>(event) : nullptr;
}

qintptr SendMessage(QObject *target, int msg, qintptr wParam, qintptr lParam, const QVariant &data)
{
    if (!target)
        return 0;
    TMessageEvent event(msg, wParam, lParam, data);
    if (target->thread() == QThread::currentThread()) {
        QCoreApplication::sendEvent(target, &event);
    } else {
        QMetaObject::invokeMethod(
            target, [target, &event] { QCoreApplication::sendEvent(target, &event); }, Qt::BlockingQueuedConnection);
    }
    return event.Result;
}

bool PostMessage(QObject *target, int msg, qintptr wParam, qintptr lParam, const QVariant &data)
{
    if (!target)
        return false;
    QCoreApplication::postEvent(target, new TMessageEvent(msg, wParam, lParam, data));
    return true;
}
