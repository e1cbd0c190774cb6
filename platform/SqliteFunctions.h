#pragma once

#include <QDateTime>
#include <QString>

struct sqlite3;

// Dates on SQLite are fixed 19-character text, so that text order is time order.
QString sqliteDateText(const QDateTime &value);
QString sqliteDateText(const QDate &value);
// Reads 'YYYY-MM-DD HH:MM:SS' (also without the time, or with "T" between) as a UTC date and time, so that no
// time-zone work is done; invalid on anything else.
QDateTime parseSqliteDate(const QString &text);

// The value rounded half away from zero to `scale` decimals, as the servers' numeric columns round. It works on
// the shortest decimal form of the double, so 2.675 gives 2.68.
double roundDecimal(double value, int scale);

// Registers the functions the shared SQL relies on and SQLite lacks: TO_DATE (a date, without the time),
// TO_CHAR (dates and the fixed
// number form), a CONCAT that skips NULLs, ADD_MONTHS with the end-of-month rule, LPAD and SYSDATE.
// Each behaves as its PostgreSQL namesake does, so that one statement answers alike on both engines.
// Answers the SQLite error code (SQLITE_OK on success).
int registerSqliteFunctions(sqlite3 *db);
