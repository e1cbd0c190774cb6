#pragma once

#include <QString>

struct sqlite3;

// The engine's message for the last failure on `db`. A damaged database file is named in it: the user who reads
// "malformed" must learn which file to restore, and the engine's own words do not say.
QString sqliteErrorText(sqlite3 *db);
