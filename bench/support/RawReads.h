#pragma once

// Statements walked raw: the yardstick of what the program adds to reading. The engine's own library (sqlite3 or
// libpq) runs the text on the session's connection and every cell of every row is read as the library hands it
// over (numbers as numbers, texts as bytes), nothing made into a Qt value.
#include "AdoConnection.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <string_view>

// One row as the library hands it over: a cell's text (its bytes on SQLite, the server's text form on
// PostgreSQL) or its number.
class RawRow
{
public:
    virtual ~RawRow() = default;
    virtual std::string_view text(int column) const = 0;
    virtual double number(int column) const = 0;
};

// Runs `text` (markers "?", bound in order: whole numbers, doubles or texts; dates as 'YYYY-MM-DD HH:MM:SS') and
// reads every row; answers the rows read. Raises EDatabaseError with the engine's message.
qint64 RawWalk(TADOConnection &connection, const QString &text, const QVariantList &values = {});
// The same, handing every row to `onRow` instead of reading each cell.
qint64 RawWalk(TADOConnection &connection, const QString &text, const QVariantList &values,
               const std::function<void(const RawRow &)> &onRow);

// A date as both engines take it bound as text.
QString RawDate(const QDate &d);
