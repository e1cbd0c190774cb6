#pragma once

// Appends many rows to one table by the engine's fastest plain path: on SQLite one prepared multi-row insert,
// reused for every full batch; on the server COPY from memory through the driver's own connection; on any other
// connection the batched statements. Values are taken as the statement layer binds them: null and empty text are
// null, dates are the engine's date text, Booleans 1 and 0.
#include "AdoConnection.h"

#include <QList>
#include <QStringList>
#include <QVariant>

class TBulkInsert
{
public:
    // Rows in one SQLite statement: its parameters are looked up one by one, so short statements are cheaper.
    static constexpr int SqliteBatchRows = 40;

    // Raises EDatabaseError with the engine's message; a failed write leaves the rows of the open transaction
    // to its rollback. `conflict` (such as "on conflict (...) do update ...") ends every statement; COPY takes
    // none, so on the server a write with one goes by batched statements.
    static void Insert(TADOConnection &connection, const QString &table, const QStringList &columns,
                       const QList<QVariantList> &rows, const QString &conflict = QString());
};
