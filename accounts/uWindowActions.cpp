#include "uWindowActions.h"

#include "Guard.h"
#include "WindowMessages.h"
#include "frmuMain.h"

#include <QAction>
#include <QWidget>

QAction *AddWindowAction(
    QWidget *window, const char *name, const QString &caption, const QString &hint, std::function<void()> run)
{
    auto *action = new QAction(caption, window);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        action->setToolTip(hint);
    QObject::connect(action, &QAction::triggered, window, guarded([run = std::move(run)](bool) { run(); }));
    window->addAction(action);
    return action;
}

void TellMainWindow(int message)
{
    if (frmMain)
        SendMessage(frmMain, message);
}
