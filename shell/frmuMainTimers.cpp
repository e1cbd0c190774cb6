// The main window's first showing, closing and resizing, and the two timers that keep the outside links alive.
#include "frmuMain.h"

#include "WindowMessages.h"
#include "dmuDM.h"
#include "frmuBugDebug.h"
#include "uLog.h"
#include "uSession.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // The login dialog runs once the window is on the screen, not inside its showing.
        QMetaObject::invokeMethod(
            this, [this] { guard([this] { FormShow(); }); }, Qt::QueuedConnection);
    }
}

void TfrmMain::FormShow()
{
    if (DM && !DM->InitDM()) {
        close();
        return;
    }
    actChangeUILanguage->trigger();
    if (IsDebugMode())
        ShowEventMonitor();
    actFileDatabaseConnect->trigger();
    UpdateMenu();
    setDefaultCursor();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    guard([this] {
        actStopWebServer->trigger();
        if (OnCloseCASSocket)
            OnCloseCASSocket();
        Session::LogOut(sessionHooks());
    });
    event->accept();
    emit closed();
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const int w = width();
    m_panels[0]->setMinimumWidth(int(w * 0.5) - 8);
    m_panels[1]->setMinimumWidth(int(w * 0.4) - 8);
}

void TfrmMain::Timer1Timer()
{
    actConnectToCASServer->trigger();
    actTestCASConnection->trigger();
    actStartWebServer->trigger();
}

void TfrmMain::Timer2Timer()
{
    actConnectToVoyager->trigger();
    actStartWebServer->trigger();
    actConnectToCASServer->trigger();
    actTestCASConnection->trigger();
    Timer2->stop();
}
