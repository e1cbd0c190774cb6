#pragma once

// The balances of many customers at once. Customers are read in slices of their keys, with a handful of set
// queries per slice; every month is then computed in memory by the one money rule and the changed balances are
// written in batches. The recalculation of one customer, the bulk recalculation, the queue and the monthly close
// all compute through here, so they cannot disagree; memory holds the key list and one slice.
#include "AdoConnection.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QVariant>

#include <functional>
#include <limits>
#include <memory>

class TRowReader;

// A moment as seconds on the Julian day count: dates compare without any time-zone work, which matters when
// millions of them are compared. Null dates read as NullStamp, before every other.
using TStamp = qint64;
constexpr TStamp NullStamp = std::numeric_limits<qint64>::min();
TStamp StampOf(const QDate &d);
// A date column as either engine answers it (text on SQLite).
TStamp StampOf(const QVariant &column);
QDate StampDate(TStamp stamp);

struct TDatedSum
{
    TStamp when = NullStamp;
    double sum = 0;
};

struct TSubscriptionPeriod
{
    TStamp from = NullStamp;
    TStamp to = NullStamp;
    qint64 servId = 0;
    // The period belongs to a subscription of an existing service: only such periods are prepaid.
    bool subscribed = false;
};

struct TFactorRow
{
    TStamp from = NullStamp;
    TStamp to = NullStamp;
    QVariant value;
};

// What the accounting engine knows of one customer.
struct TCustomerActivity
{
    qint64 id = 0;
    QVariant startDebt;
    QVariant debtIn;
    QVariant debtSum;
    QVariant custState;
    QList<TDatedSum> payments;
    QList<TDatedSum> oneOff;      // single services priced by their service's tariff on their date
    QList<TDatedSum> byFact;      // services by fact with non-zero amounts, with or without a price-list entry
    QList<TDatedSum> activation;  // connection charges, dated at the period's start
    QList<TDatedSum> deactivation; // disconnection charges, dated at the period's end
    QList<TSubscriptionPeriod> periods;
    QList<TFactorRow> factors; // in the order the first covering row is taken
    QMap<QDate, QVariant> payAccount; // stored balance rows read (REL_DATE -> DEBT_SUM)
};

// Every tariff row, by service.
class TTariffBook
{
public:
    void load(TADOConnection &connection);
    // The sum of the service's tariff rows that cover `when` (0 when none does).
    double price(qint64 servId, TStamp when) const;
    // Each tariff row of the service that covers `when`.
    QList<double> pricesAt(qint64 servId, TStamp when) const;

private:
    struct Row
    {
        TStamp from;
        TStamp to;
        double sum = 0;
    };
    QHash<qint64, QList<Row>> m_rows;
};

// The components of one month of one customer.
struct TMonthFigures
{
    double in = 0;
    double oneOff = 0;
    double byFact = 0;
    double activation = 0;
    double deactivation = 0;
    double factor = 1;
    double subscription = 0; // closed months only
    double subscriptionBase = 0; // the same before the discount factor
    double prepay = 0;       // the open month in prepayment mode only
    double prepayBase = 0;   // the same before the discount factor
    double payments = 0;
    double out = 0;  // the month's outgoing balance: the next month's balance row
    double debt = 0; // out, plus the prepayment in prepayment mode
};

// One month (from = its first day) of one customer with incoming balance `in`. The open month has no upper
// bound: everything dated in it or later counts. Any debt mode other than 0 is the prepayment mode.
TMonthFigures ComputeMonth(const TCustomerActivity &activity, const TTariffBook &tariffs, double in,
                           const QDate &from, bool openMonth, int debtMode);

// Reads customers in slices of their sorted keys.
class TActivityReader
{
public:
    // `condition` (program text, may be empty) restricts the customers, with C as the customer table; balance
    // rows are read from `rowsFrom` on.
    TActivityReader(TADOConnection &connection, const TTariffBook &tariffs, const QString &condition,
                    const QDate &rowsFrom);
    ~TActivityReader();

    // The keys of the customers to read, ascending (read on first use).
    const QList<qint64> &keys();
    // Customers a slice holds: what memory holds beyond the key list.
    int SliceSize() const { return m_sliceSize; }
    void SetSliceSize(int size) { m_sliceSize = size > 0 ? size : 1; }
    int sliceCount();
    QList<TCustomerActivity> readSlice(int slice);
    // The first and last key of a slice.
    QPair<qint64, qint64> sliceRange(int slice);
    // Customers with keys lo..hi (none when there are none).
    QList<TCustomerActivity> readRange(qint64 lo, qint64 hi);
    // Payments, single services and services by fact dated before `since` are left unread: a caller that
    // computes only months from `since` on needs none of them.
    void SetActivitySince(const QDate &since) { m_activitySince = since; }
    // Balance rows dated from `before` on are left unread: a caller that needs only earlier ones saves reading them.
    void SetRowsBefore(const QDate &before) { m_rowsBefore = before; }

private:
    TADOConnection &m_connection;
    const TTariffBook &m_tariffs;
    QString m_condition;
    QDate m_rowsFrom;
    QDate m_activitySince;
    QDate m_rowsBefore;
    QList<qint64> m_keys;
    bool m_keysRead = false;
    int m_sliceSize = 2000;
    // Keeps the slices' statements prepared from one slice to the next.
    std::unique_ptr<TRowReader> m_rows;
};

// The kind of a value bound into a list of row values.
enum class TValueKind { Number, Date, Text };
// "(?,?,...),(?,?,...)" for `rows` rows of values of these kinds. The server takes the column types of a values
// list from its values, so there each marker is cast to its kind (a bound null or text would not compare with a
// number or a date).
QString ValuesRows(const TADOConnection &connection, const QList<TValueKind> &kinds, qsizetype rows);
// Runs one statement per batch of `total` rows (sizes by TBalanceWriter::BatchSizes): `text(n)` is the statement
// for n rows, `bind(params, i)` adds the values of row i.
void ExecuteInBatches(TADOConnection &connection, qsizetype total, const std::function<QString(qsizetype)> &text,
                      const std::function<void(TParams &, qsizetype)> &bind);

// Writes balances in batches: customer debts, new balance rows and changed ones. Each customer's debts and each
// balance row are written once per flush, with the last value given: a statement that named one target row twice
// would leave the engine free to apply either value.
class TBalanceWriter
{
public:
    explicit TBalanceWriter(TADOConnection &connection);
    void setDebts(qint64 customerId, double debtIn, double debt);
    // A balance row not stored yet.
    void insertPayAccount(qint64 customerId, const QDate &month, double sum);
    // A balance row that may be stored: written over.
    void updatePayAccount(qint64 customerId, const QDate &month, double sum);
    // Writes everything collected; a failing statement raises and what it held is dropped.
    void flush();
    bool isEmpty() const { return m_debts.isEmpty() && m_inserts.isEmpty() && m_updates.isEmpty(); }

    // Rows in one statement: SQLite looks its parameters up one by one, so it takes short statements; the server
    // takes long ones, each a round trip.
    static int BatchRows(const TADOConnection &connection);
    // The sizes a run of `total` rows is cut into: full batches, then the rest in falling powers of two, so that
    // a handful of statement texts serve every run and the engine can keep them prepared.
    static QList<qsizetype> BatchSizes(qsizetype total, int batch);
    // Inserts rows into a table by the engine's fast path (TBulkInsert).
    static void insertRows(TADOConnection &connection, const QString &table, const QStringList &columns,
                           const QList<QVariantList> &rows);

private:
    struct Row
    {
        qint64 id;
        QVariant a;
        double b;
    };
    void writeDebts(const QList<Row> &rows);
    void upsertPayAccount(const QList<Row> &rows);
    void upsertPayAccountInBatches(const QList<Row> &rows, const QString &conflict);
    // Balance rows by the engine's fast path, each statement ended by `conflict` when one is given.
    void bulkPayAccount(const QList<Row> &rows, const QString &conflict);
    // The month's date as a statement value, made once per month: the date text both engines read, so that
    // millions of rows need no date conversion.
    QVariant monthValue(const QDate &month);
    void setRow(QList<Row> &list, qint64 customerId, const QDate &month, double sum);

    TADOConnection &m_connection;
    QList<Row> m_debts;
    QHash<qint64, qsizetype> m_debtAt;
    QList<Row> m_inserts;
    QList<Row> m_updates;
    // Where a balance row already waits: (customer, month's day number) -> its list and place.
    QHash<QPair<qint64, qint64>, QPair<QList<Row> *, qsizetype>> m_rowAt;
    QHash<QDate, QVariant> m_months;
};
