#pragma once

#include <QApplication>
#include <QString>

#include <functional>
#include <utility>

// Exceptions never cross the Qt event loop. Whatever escapes an event handler, a slot or a timer is handed to
// the program's handler instead: by default it is logged as an error through platformLog; the shell installs
// its own, which writes the message to the log and shows it to the user in an error box.
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

// The application object of the program and of the test programs: every event is delivered under the guard.
class GuardedApplication : public QApplication
{
public:
    GuardedApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
