#include "uWindowActions.h"

#include "Guard.h"
#include "Services.h"
#include "WindowMessages.h"
#include "frmuMain.h"

#include <QAction>
#include <QStackedWidget>
#include <QWindowStateChangeEvent>
#include <QWidget>

QAction *AddWindowAction(
    QWidget *window, const char *name, const QString &caption, const QString &hint, std::function<void()> run)
{
    auto *action = new QAction(caption, window);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        action->setToolTip(hint);
    if (run)
        QObject::connect(action, &QAction::triggered, window, guarded([run = std::move(run)](bool) { run(); }));
    window->addAction(action);
    return action;
}

QAction *MakeWindowAction(
    QWidget *window, const char *name, const QString &caption, const QKeySequence &key, std::function<void()> run)
{
    QAction *action = AddWindowAction(window, name, caption, QString(), std::move(run));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    return action;
}

QStackedWidget *CreateListPages(QWidget *window, QWidget *&list, QWidget *&detail, const char *detailName)
{
    auto *pages = new QStackedWidget(window);
    pages->setObjectName(QStringLiteral("pcMain"));
    list = new QWidget(pages);
    list->setObjectName(QStringLiteral("tsList"));
    detail = new QWidget(pages);
    detail->setObjectName(QString::fromLatin1(detailName));
    pages->addWidget(list);
    pages->addWidget(detail);
    return pages;
}

void TellMainWindow(int message)
{
    if (frmMain)
        SendMessage(frmMain, message);
}

void MinimiseProgramWith(QWidget *dialog, QEvent *event)
{
    if (!frmMain || frmMain == dialog || !dialog->isWindow())
        return;
    auto restoreProgram = [] {
        if (frmMain->isMinimized())
            frmMain->setWindowState(frmMain->windowState() & ~Qt::WindowMinimized);
    };
    if (event->type() == QEvent::WindowStateChange) {
        if (dialog->isMinimized())
            frmMain->setWindowState(frmMain->windowState() | Qt::WindowMinimized);
        else if (static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized)
            restoreProgram();
    } else if (event->type() == QEvent::ActivationChange && dialog->isActiveWindow()) {
        restoreProgram();
    }
}

bool CloseWithUnsavedEdits(const std::function<bool()> &save, const std::function<void()> &discard)
{
    switch (Services::messages()->messageDlg(
        QStringLiteral("Данные изменены, записать?"), mtConfirmation, mbYesNoCancel, mbYes)) {
    case mrYes:
        return save();
    case mrNo:
        discard();
        return true;
    default:
        return false;
    }
}
