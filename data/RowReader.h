#pragma once

// The engine's set reads: a slice of customers brings tens of thousands of dated rows, and making every cell a
// Qt value on the way (and parsing every date from it again) cost more than the engine's reading them. A reader
// runs a statement on the connection's own library handle and hands each row over as it is read, its cells read
// as the keys, sums and moments they are. A connection without such a handle goes the general way.
#include "AdoConnection.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <limits>
#include <memory>

// A moment as seconds on the Julian day count (see BalanceEngine.h); null reads as the smallest value.
using TRowStamp = qint64;
constexpr TRowStamp NullRowStamp = std::numeric_limits<qint64>::min();

class TRowReader
{
public:
    class Row
    {
    public:
        virtual ~Row() = default;
        virtual bool isNull(int column) const = 0;
        // A whole number (a key), truncated as the engine's keys are read; 0 for null.
        virtual qint64 key(int column) const = 0;
        // A number; 0 for null.
        virtual double number(int column) const = 0;
        // A date or date and time; NullRowStamp for null or for what is no date.
        virtual TRowStamp stamp(int column) const = 0;
        // The cell as the connection's queries answer it (a number as a double, a null as an invalid value).
        virtual QVariant value(int column) const = 0;
    };

    explicit TRowReader(TADOConnection &connection);
    ~TRowReader();
    TRowReader(const TRowReader &) = delete;
    TRowReader &operator=(const TRowReader &) = delete;

    // Runs a query (":P_X" parameters from `params`) and hands every row to `onRow` in the order read. A failure
    // raises EDatabaseError with the engine's message; the trace sees the statement as any other.
    void run(const QString &text, const TParams &params, const std::function<void(const Row &)> &onRow);

    // Reads a date text ('YYYY-MM-DD', 'YYYY-MM-DD HH:MM:SS', with fractions of a second ignored) without any
    // time-zone work; NullRowStamp for anything else.
    static TRowStamp ParseStamp(const char *text, qsizetype length);

private:
    struct Engine;
    TADOConnection &m_connection;
    std::unique_ptr<Engine> m_engine;
};
