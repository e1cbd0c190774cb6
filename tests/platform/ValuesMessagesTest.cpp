// Window messages between objects and threads, and the guard that keeps exceptions out of the event loop.
#include "Exceptions.h"
#include "Guard.h"
#include "LogSink.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Answers AMRunQuery with wParam * 10 + lParam and records what it saw and on which thread.
class Receiver : public QObject
{
public:
    std::atomic<int> received { 0 };
    QThread *handledOn = nullptr;
    QString lastData;
    int lastMsg = 0;

protected:
    bool event(QEvent *e) override
    {
        if (TMessageEvent *m = TMessageEvent::from(e)) {
            handledOn = QThread::currentThread();
            lastMsg = m->Msg;
            lastData = m->Data.toString();
            if (m->Msg == AMRunQuery)
                m->Result = m->WParam * 10 + m->LParam;
            if (m->Msg == AMCloseApplication)
                throw Exception(QStringLiteral("сбой обработчика"));
            ++received;
            return true;
        }
        return QObject::event(e);
    }
};

bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(ValuesWindowMessages, TheProtocolNumbersHaveEventTypesOfTheirOwn)
{
    EXPECT_EQ(AMRunQuery, 1028);
    EXPECT_EQ(AMCloseApplication, 1037);
    EXPECT_NE(TMessageEvent::eventType(AMRunQuery), TMessageEvent::eventType(AMChildClose));
    EXPECT_EQ(TMessageEvent::eventType(AMRunQuery), TMessageEvent::eventType(AMRunQuery));
    EXPECT_EQ(TMessageEvent::eventType(WM_USER + 100), TMessageEvent::eventType(WM_USER + 100));
    QEvent plain(QEvent::User);
    EXPECT_EQ(TMessageEvent::from(&plain), nullptr);
}

TEST(ValuesWindowMessages, SendAnswersAtOncePostWaitsForTheLoop)
{
    Receiver r;
    EXPECT_EQ(SendMessage(&r, AMRunQuery, 4, 2), 42);
    EXPECT_EQ(r.received, 1);
    EXPECT_EQ(SendMessage(nullptr, AMRunQuery), 0);

    EXPECT_TRUE(PostMessage(&r, AmAddDebugInfo, 0, 0, QStringLiteral("строка монитора")));
    EXPECT_FALSE(PostMessage(nullptr, AMShowAnimate));
    EXPECT_EQ(r.received, 1) << "a posted message waits for the event loop";
    ASSERT_TRUE(waitFor([&] { return r.received == 2; }));
    EXPECT_EQ(r.lastMsg, AmAddDebugInfo);
    EXPECT_EQ(r.lastData, QStringLiteral("строка монитора"));
}

TEST(ValuesWindowMessages, RoundTripBetweenThreads)
{
    QThread worker;
    auto *remote = new Receiver;
    remote->moveToThread(&worker);
    QObject::connect(&worker, &QThread::finished, remote, &QObject::deleteLater);
    worker.start();

    // Sent to an object of another thread: handled there, the caller waits for the result.
    EXPECT_EQ(SendMessage(remote, AMRunQuery, 7, 3), 73);
    EXPECT_EQ(remote->handledOn, &worker);

    // Posted from the worker thread back to an object of this one, many times over.
    Receiver local;
    constexpr int Count = 200;
    QMetaObject::invokeMethod(remote, [&local] {
        for (int i = 0; i < Count; ++i)
            PostMessage(&local, AMHideAnimate, i);
    });
    ASSERT_TRUE(waitFor([&] { return local.received == Count; }));
    EXPECT_EQ(local.handledOn, QThread::currentThread());

    worker.quit();
    worker.wait();
}

TEST(ValuesGuard, ExceptionsGoToTheProgramsHandler)
{
    QStringList handled;
    const ExceptionHandler previous = setExceptionHandler([&](const QString &m) { handled << m; });

    EXPECT_TRUE(guard([] {}));
    EXPECT_FALSE(guard([] { throw EConvertError(QStringLiteral("'x' is not a valid date")); }));
    EXPECT_FALSE(guard([] { throw std::runtime_error("plain"); }));
    EXPECT_FALSE(guard([] { throw 42; }));

    int seen = 0;
    auto slot = guarded([&](int v) {
        seen = v;
        throw Exception(QStringLiteral("из слота"));
    });
    slot(5);
    EXPECT_EQ(seen, 5);

    // An event handler that throws: the application object catches it and the loop goes on.
    Receiver r;
    SendMessage(&r, AMCloseApplication);
    PostMessage(&r, AMCloseApplication);
    QTimer::singleShot(0, &r, [] { throw Exception(QStringLiteral("из таймера")); });
    ASSERT_TRUE(waitFor([&] { return handled.size() == 7; }));

    setExceptionHandler(previous);
    EXPECT_EQ(handled,
        (QStringList { QStringLiteral("'x' is not a valid date"), QStringLiteral("plain"),
            QStringLiteral("Unknown exception"), QStringLiteral("из слота"), QStringLiteral("сбой обработчика"),
            QStringLiteral("сбой обработчика"), QStringLiteral("из таймера") }));
}

TEST(ValuesGuard, WithoutAHandlerTheErrorIsLogged)
{
    QStringList errors;
    const PlatformLogSink previousSink = setPlatformLogSink([&](LogKind kind, const QString &text) {
        if (kind == LogKind::Error)
            errors << text;
    });
    const ExceptionHandler previous = setExceptionHandler({});
    guard([] { throw Exception(QStringLiteral("нет соединения")); });
    // A handler that fails itself does not let anything escape either.
    setExceptionHandler([](const QString &) { throw std::runtime_error("handler broke"); });
    guard([] { throw Exception(QStringLiteral("второй")); });
    setExceptionHandler(previous);
    setPlatformLogSink(previousSink);
    EXPECT_EQ(errors,
        (QStringList { QStringLiteral("нет соединения"), QStringLiteral("второй"), QStringLiteral("handler broke") }));
}

} // namespace
