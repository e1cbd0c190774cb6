#pragma once

#include "dmuDM.h"

#include <QString>
#include <QStringList>

#include <functional>

// The connect and login flow of a session: the logon through the login dialog with the remembered user,
// password and database (AppSettings()), then what makes a session ready (the structure version, the user's
// rights, the configuration row, the tariffs, the recalculation queue, the work date) or ends it. It builds no
// window: its questions and errors go through MessageService, and what concerns windows goes through the hooks
// its caller gives. It works on the data modules of the run (DM, DMR).

namespace Session {

// The login dialog: shows the choices with the values it is given; when the user confirms, the three strings
// hold what was entered and the answer is true.
using TLoginDialog
    = std::function<bool(QString &userName, QString &password, QString &database, const QStringList &choices)>;

// What the flow asks of the windows around it. An empty hook does nothing; without a login dialog no login
// succeeds.
struct TConnectHooks
{
    TLoginDialog loginDialog;
    // Closes every child window; runs before every logout.
    std::function<void()> closeAllChildren;
    // Opens the configuration window once the default row of a first connect is written.
    std::function<void()> openConfiguration;
};

// What the login says of a database that takes no changes.
inline const QString ReadOnlyNotice
    = QStringLiteral("База данных открыта только для чтения: изменения в ней не сохраняются");

// The session after the flow.
struct TConnectResult
{
    bool connected = false;
    // The configuration row as the flow last read it; empty when not connected.
    TDM::TMainCfg mainCfg;
};

// The connect action's work: when connected, the children close and the session ends; otherwise the login, and
// on success the checks in this order: an old structure offers the structure update (which ends the session
// either way), a user without an APP_USER row is refused before anything is written, an empty configuration
// table gets its default row and the configuration window, incomplete tariffs offer the auto-correction, the
// recalculation queue is worked off, the user row opens and the work date becomes today. A failed login shows
// its kind's error with the engine's words; a cancelled one shows nothing. A database that takes no changes
// says so once.
TConnectResult Connect(const TConnectHooks &hooks, const QString &connectionsFolder);

// The structure update as the schema's owner, its failure shown; the session ends afterwards either way, and
// the user connects again on the new structure.
void UpdateStructure(const TConnectHooks &hooks);

// Ends the session: the children close, then the logout.
void LogOut(const TConnectHooks &hooks);

} // namespace Session
