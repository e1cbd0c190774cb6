#include "frmuBugDebug.h"

#include "ScreenCursor.h"
#include "WindowMessages.h"
#include "XmlSettingsStorage.h"
#include "frmuMain.h"
#include "uSettings.h"

#include <QCloseEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace {

QPointer<TfrmBugDebug> &instance()
{
    static QPointer<TfrmBugDebug> monitor;
    return monitor;
}

const QString placementPath = QStringLiteral("frmBugDebug");

} // namespace

TfrmBugDebug::TfrmBugDebug(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmBugDebug"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Монитор событий"));
    setProperty("HelpContext", 6300);
    resize(600, 400);

    memoEvents = new QPlainTextEdit(this);
    memoEvents->setObjectName(QStringLiteral("memoEvents"));
    memoEvents->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(memoEvents, &QWidget::customContextMenuRequested, this, &TfrmBugDebug::showPopupMenu);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(memoEvents);

    RestoreFormPlacement(SettingsStorage(), *this, placementPath);
    instance() = this;
}

TfrmBugDebug::~TfrmBugDebug()
{
    if (instance() == this)
        instance() = nullptr;
}

void TfrmBugDebug::AddDebugInfo(const QString &text)
{
    memoEvents->appendPlainText(text);
}

bool TfrmBugDebug::event(QEvent *event)
{
    if (TMessageEvent *message = TMessageEvent::from(event); message && message->Msg == AmAddDebugInfo) {
        AddDebugInfo(message->Data.toString());
        return true;
    } else if (message && message->Msg == AMRunQuery) {
        // Nothing to load: the hourglass and the main window's animation only show that the request came.
        SetScreenCursor(crHourGlass);
        if (frmMain)
            SendMessage(frmMain, AMShowAnimate);
        SetScreenCursor(crDefault);
        if (frmMain)
            SendMessage(frmMain, AMHideAnimate);
        return true;
    }
    return QWidget::event(event);
}

void TfrmBugDebug::closeEvent(QCloseEvent *event)
{
    StoreFormPlacement(SettingsStorage(), *this, placementPath);
    instance() = nullptr;
    QWidget::closeEvent(event);
    if (frmMain)
        SendMessage(frmMain, AMHideAnimate);
}

void TfrmBugDebug::showPopupMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Clear All"), memoEvents, &QPlainTextEdit::clear);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Copy"), memoEvents, &QPlainTextEdit::copy);
    menu.addAction(QStringLiteral("Cut"), memoEvents, &QPlainTextEdit::cut);
    menu.addAction(QStringLiteral("Paste"), memoEvents, &QPlainTextEdit::paste);
    menu.addAction(QStringLiteral("Select All"), memoEvents, &QPlainTextEdit::selectAll);
    menu.addAction(QStringLiteral("Undo"), memoEvents, &QPlainTextEdit::undo);
    menu.exec(memoEvents->mapToGlobal(pos));
}

TfrmBugDebug *frmBugDebug()
{
    return instance();
}

TfrmBugDebug *ShowEventMonitor()
{
    TfrmBugDebug *monitor = instance();
    if (!monitor)
        monitor = new TfrmBugDebug;
    monitor->show();
    monitor->raise();
    monitor->activateWindow();
    return monitor;
}
