#pragma once

// The yardsticks of the operator's figures: the statements a window ran, written down as it ran them, and
// walked again straight through the engine's own library (sqlite3 or libpq) on the same connection, with no
// dataset, no value conversion beyond reading each cell, and no window.
#include "AdoConnection.h"
#include "DataSet.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <vector>

// A statement as a window ran it: its text and its parameters' values.
struct RecordedStatement
{
    QString text;
    QList<QPair<QString, QVariant>> params;
};

// Writes down every query the connection runs while it lives (other statements are not walked again).
class StatementRecorder
{
public:
    explicit StatementRecorder(TADOConnection &connection);
    ~StatementRecorder();
    const QList<RecordedStatement> &statements() const { return m_statements; }

private:
    TADOConnection &m_connection;
    std::function<void(TADOConnection &, const TExecuteInfo &)> m_previous;
    QList<RecordedStatement> m_statements;
};

// The rows of one statement as the engine's library hands them over: one QVariant a cell, row after row.
struct RawRows
{
    QStringList columns;
    std::vector<QVariant> cells;
    qint64 ownBytes = 0; // the values' own size: text bytes, 8 for a number or date, nothing for a null
    int rowCount() const { return columns.isEmpty() ? 0 : int(cells.size() / size_t(columns.size())); }
};

// Runs a statement through sqlite3 or libpq on the connection's own handle; raises EDatabaseError on failure.
RawRows WalkRaw(TADOConnection &connection, const RecordedStatement &statement);

// Every statement walked raw and every value formatted as a report prints it; answers the rows read.
qint64 WalkAndFormat(TADOConnection &connection, const QList<RecordedStatement> &statements, qint64 *textBytes);
