#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The data session as the main window's connect action sees it: the logon through the login dialog, the
// logout, the user's rights and the configuration row. It speaks to the database module TDMR (global DMR).

namespace Session {

// The database choices: every "*.udl" of the folder, each name cut before its first ".", without repeats.
QStringList ListOfConnections(const QString &folder);

// Shows the login dialog with the remembered user, password and database (AppSettings()) and logs on with
// what was confirmed, the connection files taken from `connectionsFolder`. True when the connection is
// open, also for a user without rights. Never raises: failures are logged.
bool Login(const QString &connectionsFolder);
void LogOut();
bool IsDatabaseConnected();
// The upper-cased login of the connection.
QString GetLoginName();
// False when the login has no row in APP_USER.
bool UserHasRights();

// The configuration row MAIN_CFG. Reading raises on a failing query.
struct TMainCfg
{
    bool exists = false;
    QDate accDate;
    int debtMode = 0;
};
TMainCfg ReadMainCfg();
// The first connect on an empty table writes one complete default row and commits it.
void InsertDefaultMainCfg(const QDate &today);

} // namespace Session
