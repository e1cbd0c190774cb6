#pragma once

#include <QEvent>
#include <QVariant>

class QObject;

// The program's window messages (WM_USER + n) as Qt events. Each number gets an event type of its own; the
// numbers of the main window's child-window protocol are reserved when the program starts, so that nothing
// else registers them.
constexpr int WM_USER = 0x0400;

constexpr int AMCreateChild = WM_USER + 1;
constexpr int AMQueryChild = WM_USER + 2;
constexpr int AMChildClose = WM_USER + 3;
constexpr int AMRunQuery = WM_USER + 4;
constexpr int AMCloseAllChildForms = WM_USER + 8;
constexpr int AMShowAnimate = WM_USER + 9;
constexpr int AMHideAnimate = WM_USER + 10;
constexpr int AmAddDebugInfo = WM_USER + 11;
constexpr int AMLargeIconsChanged = WM_USER + 12;
constexpr int AMCloseApplication = WM_USER + 13;

class TMessageEvent : public QEvent
{
public:
    // Data carries what the platform passed as a pointer (a class name, a text): a copy, so that a posted
    // message owns it.
    TMessageEvent(int msg, qintptr wParam, qintptr lParam, const QVariant &data = {});

    int Msg;
    qintptr WParam;
    qintptr LParam;
    QVariant Data;
    qintptr Result = 0;

    // The event type of message `msg` (registered on first use).
    static QEvent::Type eventType(int msg);
    // The window message an event carries, or null.
    static TMessageEvent *from(QEvent *event);
};

// Delivers the message now and answers its Result. A target in another thread handles it there while the
// caller waits, as the platform's SendMessage does.
qintptr SendMessage(QObject *target, int msg, qintptr wParam = 0, qintptr lParam = 0, const QVariant &data = {});
// Queues the message for the target's thread; safe from any thread. False when there is no target.
bool PostMessage(QObject *target, int msg, qintptr wParam = 0, qintptr lParam = 0, const QVariant &data = {});
