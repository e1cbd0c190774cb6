#pragma once

#include <QWidget>

class QPlainTextEdit;

// The event monitor of debug mode: an ordinary top-level window with one memo that collects the log's
// lines. At most one exists; its placement is kept in the settings file under "frmBugDebug".
class TfrmBugDebug : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmBugDebug(QWidget *parent = nullptr);
    ~TfrmBugDebug() override;

    // Appends one line; the AmAddDebugInfo message with the text as its data does the same.
    void AddDebugInfo(const QString &text);

    QPlainTextEdit *memoEvents = nullptr;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void showPopupMenu(const QPoint &pos);
};

// The open monitor, or null.
TfrmBugDebug *frmBugDebug();

// The main window's "Монитор событий": brings the open monitor to the front, otherwise creates and
// shows one.
TfrmBugDebug *ShowEventMonitor();
