#include "SqliteErrors.h"

#include <QDir>

#include <sqlite3.h>

QString sqliteErrorText(sqlite3 *db)
{
    QString text = QString::fromUtf8(sqlite3_errmsg(db));
    const int code = sqlite3_errcode(db) & 0xff;
    if (code != SQLITE_CORRUPT && code != SQLITE_NOTADB)
        return text;
    // The data lives in the attached ZOLT; the main database is an empty one in memory.
    const char *file = sqlite3_db_filename(db, "ZOLT");
    if (file && *file)
        text += QStringLiteral(" (the database file %1)").arg(QDir::toNativeSeparators(QString::fromUtf8(file)));
    return text;
}
