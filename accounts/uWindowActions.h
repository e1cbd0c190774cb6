#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>

class QAction;
class QEvent;
class QStackedWidget;
class QWidget;

// An action of a child window: its object name, caption and hint, added to the window (so that its shortcuts
// work there) and run under the guard, so that an error is shown rather than lost. Without `run` it only shows.
QAction *AddWindowAction(
    QWidget *window, const char *name, const QString &caption, const QString &hint, std::function<void()> run);

// The same by its shortcut instead of a hint, active while the window or a control in it has the focus.
QAction *MakeWindowAction(
    QWidget *window, const char *name, const QString &caption, const QKeySequence &key, std::function<void()> run);

// The two pages of a list window, "pcMain" showing one at a time: the list ("tsList") and the page of one record
// (`detailName`), both made here.
QStackedWidget *CreateListPages(QWidget *window, QWidget *&list, QWidget *&detail, const char *detailName = "tsDetail");

// Tells the main window, when there is one, a message of the child-window protocol.
void TellMainWindow(int message);

// A dialog the customer waits on goes down and comes back with the program: minimising the dialog minimises the
// main window, and restoring or activating the dialog brings a minimised main window back in the state it had
// (maximised stays maximised). Called from the dialog's changeEvent; a dialog inside another window is left
// alone.
void MinimiseProgramWith(QWidget *dialog, QEvent *event);

// A window closed with edits not yet stored asks "Данные изменены, записать?" with Yes, No and Cancel: Yes runs
// `save` and lets the window close only when it stored the edits, No runs `discard` and lets it close, Cancel
// (or a box closed otherwise) keeps the window with what was typed. Answers whether the window may close.
bool CloseWithUnsavedEdits(const std::function<bool()> &save, const std::function<void()> &discard);
