#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The data session as the main window's connect action sees it: the logon through the login dialog, the
// logout, the user's rights, the configuration row and the work date, on the provider module (global DM).

namespace Session {

// Shows the login dialog with the remembered user, password and database (AppSettings(), which keep what
// was confirmed) and logs on, the connection files taken from `connectionsFolder`. True when the connection
// is open, also for a user without rights. Never raises: failures are logged.
bool Login(const QString &connectionsFolder);
// Why the last Login did not connect, in the engine's words; empty after a cancelled dialog.
QString LastLoginError();
void LogOut();
bool IsDatabaseConnected();
// The upper-cased login of the connection.
QString GetLoginName();
// False when the login has no row in APP_USER.
bool UserHasRights();

// The configuration row MAIN_CFG (cdsMainCFG), opened when closed or, with `reopen`, read afresh. Reading
// raises on a failing query.
struct TMainCfg
{
    bool exists = false;
    QDate accDate;
    int debtMode = 0;
};
TMainCfg ReadMainCfg(bool reopen = false);
void CloseMainCfg();
// The first connect on an empty table writes one complete default row; the update rule commits it.
void InsertDefaultMainCfg(const QDate &today);
// The work date of the filter record becomes today.
void StartWorkDate(const QDate &today);

} // namespace Session
