#pragma once

// The engine's own connection inside the handle a Qt driver gives (QSqlDriver::handle(), or a connection's
// DriverHandle()), for the code that talks to the engine's library directly.
#include <QVariant>

struct sqlite3;
struct pg_conn;

// The embedded engine's connection, or null when the handle is another engine's, or none.
inline sqlite3 *sqliteHandleOf(const QVariant &handle)
{
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3 *const *>(handle.data())
               : nullptr;
}

// The server's connection (libpq's PGconn), or null when the handle is another engine's, or none. The driver
// names its handle by libpq's structure, "pg_conn*", rather than by the typedef.
inline pg_conn *postgresHandleOf(const QVariant &handle)
{
    return handle.isValid()
                   && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0)
               ? *static_cast<pg_conn *const *>(handle.data())
               : nullptr;
}
