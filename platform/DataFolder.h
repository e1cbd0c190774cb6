#pragma once

#include <QString>

// The user's data folder: $XDG_DATA_HOME/tarvik/, or ~/.local/share/tarvik/ when the variable is unset, empty or
// not an absolute path. It holds the connection files, the embedded databases that connection files name by a
// relative path, and the log file, so that nothing the user keeps lies inside a build.
QString UserDataFolder(); // without a trailing "/"

// A path of a connection file: an absolute one as it stands, a relative one inside the user's data folder.
QString ResolveUserDataPath(const QString &path);
