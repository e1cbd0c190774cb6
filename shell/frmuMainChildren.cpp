// The child-window protocol: children are opened by registered class name, told to load their data, closed
// together, and report their closing; the window messages of the protocol; the edit commands of the active child.
#include "frmuMain.h"

#include "FormClasses.h"
#include "WindowMessages.h"
#include "uLog.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

// The frame's system menu claims keys of its own ("Close" takes Ctrl+W on most desktops). A key the child gives
// one of its actions stays the child's alone: claimed twice it would run neither.
void leaveChildKeysToChild(QMdiSubWindow *frame, QWidget *child)
{
    QList<QKeySequence> childKeys;
    for (const QAction *action : child->findChildren<QAction *>())
        childKeys << action->shortcuts();
    for (QAction *action : frame->actions()) {
        QList<QKeySequence> keys = action->shortcuts();
        const qsizetype before = keys.size();
        for (const QKeySequence &key : childKeys)
            keys.removeAll(key);
        if (keys.size() != before)
            action->setShortcuts(keys);
    }
}

} // namespace

QList<QWidget *> TfrmMain::ChildForms() const
{
    QList<QWidget *> forms;
    for (QMdiSubWindow *window : mdiArea->subWindowList()) {
        // A closed child is hidden at once and destroyed later.
        if (!window->isHidden() && window->widget())
            forms << window->widget();
    }
    return forms;
}

QMdiSubWindow *TfrmMain::findChildWindow(const QString &className) const
{
    for (QMdiSubWindow *window : mdiArea->subWindowList()) {
        if (!window->isHidden() && FormClassName(window->widget()) == className)
            return window;
    }
    return nullptr;
}

QWidget *TfrmMain::CreateChildForm(const QString &className, qintptr wParam)
{
    if (QMdiSubWindow *window = findChildWindow(className)) {
        if (window->isMinimized())
            window->showNormal();
        mdiArea->setActiveSubWindow(window);
        window->raise();
        SendMessage(window->widget(), AMRunQuery, wParam, 0);
        return window->widget();
    }
    const TFormFactory factory = FindFormClass(className);
    if (!factory) {
        LogError(QStringLiteral("Окно ") + className + QStringLiteral(" не зарегистрировано"));
        return nullptr;
    }
    QWidget *form = factory();
    SetFormClassName(form, className);
    form->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *window = mdiArea->addSubWindow(form);
    window->setAttribute(Qt::WA_DeleteOnClose);
    leaveChildKeysToChild(window, form);
    // Whether or not the child says so itself, its closing refreshes the menus.
    connect(form, &QObject::destroyed, this, [this] { PostMessage(this, AMChildClose); });
    window->show();
    SendMessage(form, AMRunQuery, wParam, 0);
    UpdateMenu();
    return form;
}

QWidget *TfrmMain::QueryChildForm(const QString &className, qintptr wParam)
{
    if (QMdiSubWindow *window = findChildWindow(className)) {
        SendMessage(window->widget(), AMRunQuery, wParam, 0);
        return window->widget();
    }
    return CreateChildForm(className, wParam);
}

bool TfrmMain::closeAllChildForms()
{
    const QList<QMdiSubWindow *> windows = mdiArea->subWindowList();
    bool allClosed = true;
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if ((*it)->isHidden())
            continue;
        // A window with unsaved edits may ask and be kept open by the user's Cancel.
        if (!(*it)->close())
            allClosed = false;
        QApplication::processEvents();
    }
    UpdateMenu();
    return allClosed;
}

bool TfrmMain::event(QEvent *event)
{
    TMessageEvent *m = TMessageEvent::from(event);
    if (!m)
        return QMainWindow::event(event);
    switch (m->Msg) {
    case AMCreateChild:
        m->Result = reinterpret_cast<qintptr>(CreateChildForm(m->Data.toString(), m->LParam));
        break;
    case AMQueryChild:
        m->Result = reinterpret_cast<qintptr>(QueryChildForm(m->Data.toString(), m->LParam));
        break;
    case AMChildClose:
        QApplication::processEvents();
        UpdateMenu();
        setDefaultCursor();
        break;
    case AMCloseAllChildForms:
        m->Result = closeAllChildForms() ? 1 : 0;
        break;
    case AMShowAnimate:
        if (m->WParam == 0)
            SetStatusMsg(QStringLiteral(" .."));
        break;
    case AMHideAnimate:
        break;
    case AMCloseApplication:
        close();
        break;
    default:
        return QMainWindow::event(event);
    }
    return true;
}

void TfrmMain::sendEditCommand(const char *slot)
{
    QMdiSubWindow *active = mdiArea->activeSubWindow();
    QWidget *focused = QApplication::focusWidget();
    if (active && focused && active->isAncestorOf(focused))
        QMetaObject::invokeMethod(focused, slot);
}
