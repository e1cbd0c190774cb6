// The connect action and what the session's state shows in the main window: the action's image, caption and
// hint, the menus and the title; the structure update and the password change, which end the session.
#include "frmuMain.h"

#include "Services.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuChangePassword.h"
#include "frmuPasswordDlg.h"
#include "uSession.h"
#include "uSettings.h"

#include <QAction>
#include <QApplication>

Session::TConnectHooks TfrmMain::sessionHooks()
{
    Session::TConnectHooks hooks;
    hooks.loginDialog = ExecuteLoginDialog;
    hooks.closeAllChildren = [this] { SendMessage(this, AMCloseAllChildForms); };
    hooks.openConfiguration = [this] { actServisConfigExecute(); };
    return hooks;
}

void TfrmMain::actFileDatabaseConnectExecute()
{
    if (DMR)
        DMR->SetMainWindow(this);
    m_mainCfg = Session::Connect(sessionHooks(), m_folders.connectionsFolder).mainCfg;
    showConnectionState();
}

void TfrmMain::showConnectionState()
{
    if (DM && DM->IsDatabaseConnected()) {
        actFileDatabaseConnect->setProperty("ImageIndex", 132);
        actFileDatabaseConnect->setText(GetString(QStringLiteral("disconnectCaption")));
        actFileDatabaseConnect->setToolTip(GetString(QStringLiteral("disconnectHint")) + QStringLiteral(" (")
            + DM->GetLoginName() + QLatin1Char('@') + AppSettings().logonDataBase + QLatin1Char(')'));
    } else {
        m_mainCfg = {};
        actFileDatabaseConnect->setProperty("ImageIndex", 131);
        actFileDatabaseConnect->setText(GetString(QStringLiteral("connectCaption")));
        actFileDatabaseConnect->setToolTip(GetString(QStringLiteral("connectHint")));
        SendMessage(this, AMCloseAllChildForms);
    }

    UpdateMenu();
    setDefaultCursor();
    QApplication::processEvents();
}

void TfrmMain::ReloadMainCfg()
{
    m_mainCfg = DM ? DM->OpenMainCFG(true) : TDM::TMainCfg();
}

void TfrmMain::actCorrectDataExecute()
{
    if (!DMR)
        return;
    Session::UpdateStructure(sessionHooks());
    showConnectionState();
}

void TfrmMain::actChangePasswordExecute()
{
    QString newPassword;
    if (!ExecuteChangePassword(AppSettings().sessionPassword, newPassword))
        return;
    if (DMR && DMR->ChangeDbPassword(newPassword)) {
        AppSettings().sessionPassword = newPassword;
        DMR->CommitWork();
        Services::messages()->information(QStringLiteral("Пароль заменен. Требуется перезагрузка программы"));
        actFileExit->trigger();
    } else {
        Services::messages()->error(QStringLiteral("Ошибка изменения пароля пользователя"));
    }
}
