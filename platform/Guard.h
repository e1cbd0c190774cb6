#pragma once

#include <QApplication>
#include <QString>

#include <functional>
#include <utility>

// Exceptions never cross Qt's own frames. Every event handler, slot, timer and deferred call of the program
// catches at its own edge and hands what it caught to the program's handler: by default it is logged as an
// error through platformLog; the shell installs its own, which writes the message to the log and shows it to
// the user in an error box.
using ExceptionHandler = std::function<void(const QString &message)>;

// Installs the handler (an empty one restores the default) and answers the previous one.
ExceptionHandler setExceptionHandler(ExceptionHandler handler);

// Call inside a catch block: hands the exception being handled to the program's handler.
void handleCurrentException();

// Runs fn; an exception goes to the program's handler and the answer is false.
bool guard(const std::function<void()> &fn);

// A callable for connect() that runs `fn` under guard().
template <class F> auto guarded(F fn)
{
    return [fn = std::move(fn)](auto &&...args) { guard([&] { fn(std::forward<decltype(args)>(args)...); }); };
}

// The application object of the program and of the test programs. Its guard round every event is the last
// resort: an exception that reaches it has already unwound Qt's frames, so besides going to the program's
// handler it is logged with the event and the receiver's class, naming the handler that lacks its own catch.
class GuardedApplication : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
