// Figures of the accounting engine on an operator of N customers (default 100,000; the first argument) with two
// years of subscriptions, tariff changes, discounts, single services and monthly payments (the operator the
// operator bench opens its windows on), on SQLite and on PostgreSQL (when TARVIK_PG_HOST/TARVIK_PG_PORT name a
// server, as scripts/pg-peer sets them): the bulk recalculation, a queue of 10 % of the customers and one monthly
// close, with the time per customer and the peak memory. Each is set beside a yardstick of the same run: the
// engine's physical write time for the rows it writes, and for the queue and the close also the time their rows
// take to read raw (the same tables, restricted alike, walked by the engine's own library on the same table
// state).
#include "BalanceEngine.h"
#include "BulkInsert.h"
#include "BenchDatabase.h"
#include "OperatorData.h"
#include "RawReads.h"
#include "dmuDebtCalc.h"
#include "dmuRDM.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using OperatorData::AccMonth;
using OperatorData::InitMonth;

void exec(TDMR &dmr, const QString &sql)
{
    dmr.dbConnection()->Execute(sql);
}

// The engine's physical write rate, the yardstick of every figure: `count` balance-like rows made in memory
// beforehand and written into a scratch table in one transaction by the engine's fastest plain path (SQLite: a
// prepared 40-row insert reused; PostgreSQL: COPY from memory through libpq).
double physicalInsertSeconds(TDMR &dmr, qint64 count)
{
    TADOConnection &c = *dmr.dbConnection();
    exec(dmr, QStringLiteral("create table ZOLT.BENCH_ROWS (CUSTOMER_ID NUMERIC(10), REL_DATE ")
                  + (c.Provider() == TADOConnection::TProvider::PostgreSQL ? QStringLiteral("TIMESTAMP")
                                                                          : QStringLiteral("DATE"))
                  + QStringLiteral(", DEBT_SUM NUMERIC, primary key (CUSTOMER_ID, REL_DATE))"));
    // Rows are made a chunk at a time, outside the timing, so that the yardstick does not set the peak memory.
    constexpr qint64 Chunk = 100000;
    QElapsedTimer timer;
    qint64 nanoseconds = 0;
    c.BeginTrans();
    for (qint64 first = 0; first < count; first += Chunk) {
        QList<QVariantList> rows;
        rows.reserve(std::min(Chunk, count - first));
        for (qint64 i = first; i < std::min(first + Chunk, count); ++i)
            rows.append({i, at(AccMonth), double(i % 1000) / 4});
        timer.start();
        TBulkInsert::Insert(c, QStringLiteral("ZOLT.BENCH_ROWS"), {"CUSTOMER_ID", "REL_DATE", "DEBT_SUM"}, rows);
        nanoseconds += timer.nsecsElapsed();
    }
    timer.start();
    c.CommitTrans();
    nanoseconds += timer.nsecsElapsed();
    const double seconds = nanoseconds / 1e9;
    exec(dmr, QStringLiteral("drop table ZOLT.BENCH_ROWS"));
    return seconds;
}

// Where an operation's time goes, by statement (with BENCH_DETAIL set): the engine's statements grouped by their
// text's start, each group's time and count, printed when the operation ends. What no statement takes is the
// engine's own work and its commits.
class StatementCosts
{
public:
    explicit StatementCosts(TADOConnection &c)
        : m_c(c)
    {
        if (!qEnvironmentVariableIsSet("BENCH_DETAIL"))
            return;
        m_on = true;
        m_will = c.OnWillExecute;
        m_complete = c.OnExecuteComplete;
        c.OnWillExecute = [this](TADOConnection &conn, const TExecuteInfo &info) {
            if (m_will)
                m_will(conn, info);
            m_current = info.CommandText.simplified().left(90);
            m_timer.start();
        };
        c.OnExecuteComplete = [this](TADOConnection &conn, double seconds, const QString &error, TEventStatus status) {
            Cost &cost = m_costs[m_current];
            cost.seconds += m_timer.nsecsElapsed() / 1e9;
            ++cost.count;
            if (m_complete)
                m_complete(conn, seconds, error, status);
        };
    }
    ~StatementCosts()
    {
        if (!m_on)
            return;
        m_c.OnWillExecute = m_will;
        m_c.OnExecuteComplete = m_complete;
        QList<QPair<double, QString>> sorted;
        for (auto it = m_costs.cbegin(); it != m_costs.cend(); ++it)
            sorted.append({it->seconds, QStringLiteral("%1 x %2").arg(it->count, 5).arg(it.key())});
        std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
        for (qsizetype i = 0; i < std::min<qsizetype>(8, sorted.size()); ++i)
            std::printf("      %7.3f s  %s\n", sorted.at(i).first, qPrintable(sorted.at(i).second));
    }

private:
    struct Cost
    {
        double seconds = 0;
        int count = 0;
    };
    TADOConnection &m_c;
    bool m_on = false;
    std::function<void(TADOConnection &, const TExecuteInfo &)> m_will;
    std::function<void(TADOConnection &, double, const QString &, TEventStatus)> m_complete;
    QString m_current;
    QElapsedTimer m_timer;
    QHash<QString, Cost> m_costs;
};

qint64 count(TDMR &dmr, const QString &sql)
{
    return qint64(dmr.dbConnection()->SelectValue(sql).toDouble());
}

void report(const char *what, double seconds, qint64 rows, double writes, qint64 customers, double reads = 0,
            qint64 readRows = 0)
{
    const double baseline = writes + reads;
    std::printf("  %-22s %8.2f s  rows %9lld  physical %6.2f s", what, seconds, static_cast<long long>(rows), writes);
    if (readRows > 0)
        std::printf(" + raw reads %6.2f s (%lld rows)", reads, static_cast<long long>(readRows));
    std::printf("  ratio %5.1f  %7.1f us/customer\n", baseline > 0 ? seconds / baseline : 0.0,
                customers > 0 ? seconds * 1e6 / double(customers) : 0.0);
    std::fflush(stdout);
}

// The rows a recalculation reads, walked raw: every table the engine reads, for the customers `condition` keeps
// (a restriction on the customer key column named %1), their dated rows from `since` on, the balance rows from
// `rowsFrom` on (up to `rowsBefore` when it is valid). The customers go in slices of 2000 keys, and each dated
// table is sought by key range and date, as the engine's own statements seek them: the same rows by the same
// plans, with nothing made of them.
struct RawReadFigure
{
    double seconds = 0;
    qint64 rows = 0;
};

RawReadFigure rawReads(TDMR &dmr, const QString &condition, const QDate &since, const QDate &rowsFrom,
                       const QDate &rowsBefore)
{
    TADOConnection &c = *dmr.dbConnection();
    const auto restricted = [&](const char *column) {
        return condition.isEmpty() ? QString() : condition.arg(QLatin1String(column));
    };
    const auto dated = [&](const char *columns, const char *table, const char *date) {
        return QStringLiteral("select %1 from ZOLT.CUSTOMER C cross join ZOLT.%2 where T.CUSTOMER_ID = C.CUSTOMER_ID "
                              "and %3 and C.CUSTOMER_ID >= ? and C.CUSTOMER_ID <= ? and T.CUSTOMER_ID >= ? and "
                              "T.CUSTOMER_ID <= ?")
                   .arg(QLatin1String(columns), QLatin1String(table), QLatin1String(date))
               + restricted("C.CUSTOMER_ID");
    };
    QElapsedTimer timer;
    timer.start();
    RawReadFigure f;
    std::vector<qint64> keys;
    f.rows += RawWalk(c, QStringLiteral("select C.CUSTOMER_ID from ZOLT.CUSTOMER C where 1 = 1")
                             + restricted("C.CUSTOMER_ID") + QStringLiteral(" order by C.CUSTOMER_ID"),
                      {}, [&](const RawRow &r) { keys.push_back(qint64(r.number(0))); });
    f.rows += RawWalk(c, QStringLiteral("select SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM from ZOLT.TARIF"));
    for (size_t first = 0; first < keys.size(); first += 2000) {
        const qint64 lo = keys[first], hi = keys[std::min(keys.size(), first + 2000) - 1];
        const QVariantList range{lo, hi}, twice{lo, hi, lo, hi};
        f.rows += RawWalk(c, QStringLiteral("select C.CUSTOMER_ID, C.START_DEBT_SUM, C.DEBT_IN_SUM, C.DEBT_SUM, "
                                            "C.CUST_STATE from ZOLT.CUSTOMER C where C.CUSTOMER_ID >= ? and "
                                            "C.CUSTOMER_ID <= ?") + restricted("C.CUSTOMER_ID"),
                          range);
        f.rows += RawWalk(c, dated("T.CUSTOMER_ID, T.PAY_DATE, T.PAY_SUM", "PAYMENT T", "T.PAY_DATE >= ?"),
                          QVariantList{RawDate(since)} + twice);
        f.rows += RawWalk(c, dated("T.CUSTOMER_ID, T.SERV_ID, T.SERV_DATE", "SINGLE_SERV T", "T.SERV_DATE >= ?"),
                          QVariantList{RawDate(since)} + twice);
        f.rows += RawWalk(c, dated("T.CUSTOMER_ID, T.SERVICE_DATE, T.AMOUNT", "CUSTOMER_SERVICE T",
                                   "T.AMOUNT <> 0 and T.SERVICE_DATE >= ?"),
                          QVariantList{RawDate(since)} + twice);
        f.rows += RawWalk(c, QStringLiteral("select H.CUSTOMER_ID, H.SERV_ID, H.DATE_FROM, H.DATE_TO, H.ACT_SERV_ID, "
                                            "H.DISACT_SERV_ID, SS.SERV_ID from ZOLT.SUBSCR_HIST H left join "
                                            "ZOLT.SUBSCR_SERV SS on SS.SUBSCR_SERV_ID = H.SUBSCR_SERV_ID and "
                                            "SS.CUSTOMER_ID = H.CUSTOMER_ID where H.CUSTOMER_ID >= ? and "
                                            "H.CUSTOMER_ID <= ?") + restricted("H.CUSTOMER_ID"),
                          range);
        f.rows += RawWalk(c, QStringLiteral("select CUSTOMER_ID, DATE_FROM, DATE_TO, FACTOR_VALUE from "
                                            "ZOLT.DISCOUNT_FACTOR where CUSTOMER_ID >= ? and CUSTOMER_ID <= ?")
                                 + restricted("CUSTOMER_ID"),
                          range);
        f.rows += rowsBefore.isValid()
                      ? RawWalk(c, dated("T.CUSTOMER_ID, T.REL_DATE, T.DEBT_SUM", "PAY_ACCOUNT T",
                                         "T.REL_DATE >= ? and T.REL_DATE < ?"),
                                QVariantList{RawDate(rowsFrom), RawDate(rowsBefore)} + twice)
                      : RawWalk(c, dated("T.CUSTOMER_ID, T.REL_DATE, T.DEBT_SUM", "PAY_ACCOUNT T", "T.REL_DATE >= ?"),
                                QVariantList{RawDate(rowsFrom)} + twice);
    }
    f.seconds = timer.nsecsElapsed() / 1e9;
    return f;
}

void run(const char *engine, TDMR &dmr, int customers)
{
    std::printf("%s, %d customers\n", engine, customers);
    QElapsedTimer timer;
    timer.start();
    OperatorData::Generate(dmr, customers);
    std::printf("  %-34s %9.2f s  (%lld payments)\n", "generating the operator", timer.elapsed() / 1000.0,
                static_cast<long long>(count(dmr, QStringLiteral("select count(*) from ZOLT.PAYMENT"))));
    std::fflush(stdout);

    // Bulk recalculation: every month of every customer, from no balances at all.
    timer.start();
    dmr.RecalcAllCustomers(at(AccMonth), 0);
    const double bulk = timer.elapsed() / 1000.0;
    const qint64 bulkRows = count(dmr, QStringLiteral("select count(*) from ZOLT.PAY_ACCOUNT")) + customers;
    report("bulk recalculation", bulk, bulkRows, physicalInsertSeconds(dmr, bulkRows), customers);

    // The queue: one customer in ten paid again six months ago.
    const QDate changed = AccMonth.addMonths(-6).addDays(4);
    QList<QVariantList> extra;
    for (int id = 10; id <= customers; id += 10)
        extra.append({10000000 + id, 1, id, 10, at(changed), 7.5});
    TBalanceWriter::insertRows(*dmr.dbConnection(), QStringLiteral("ZOLT.PAYMENT"),
                               {"PAYMENT_ID", "PAY_DOC_ID", "CUSTOMER_ID", "SERV_ID", "PAY_DATE", "PAY_SUM"}, extra);
    for (const QVariantList &p : extra)
        dmr.MarkInvalidCustDebt(p.at(2), at(changed), AccMonth);
    // The queue's rows read raw on the table state the queue starts from: itself, and each queued customer's
    // whole history.
    RawReadFigure queueReads =
        rawReads(dmr, QStringLiteral(" and %1 in (select CUSTOMER_ID from ZOLT.INVALIDCUSTDEBT)"), QDate(1, 1, 1),
                 InitMonth, QDate());
    {
        QElapsedTimer t;
        t.start();
        queueReads.rows += RawWalk(*dmr.dbConnection(),
                                   QStringLiteral("select CUSTOMER_ID, DATE_FROM from ZOLT.INVALIDCUSTDEBT "
                                                  "order by CUSTOMER_ID, DATE_FROM"));
        queueReads.seconds += t.nsecsElapsed() / 1e9;
    }
    timer.start();
    double queue = 0;
    {
        StatementCosts costs(*dmr.dbConnection());
        dmr.CheckInvalidCustDebt(0, AccMonth);
        queue = timer.elapsed() / 1000.0;
    }
    // Every balance row of a queued customer after the payment's month changed, its debts and its queue row.
    const qint64 queueRows =
        count(dmr, QStringLiteral("select count(*) from ZOLT.PAY_ACCOUNT where REL_DATE > '%1' and CUSTOMER_ID in "
                                  "(select CUSTOMER_ID from ZOLT.PAYMENT where PAYMENT_ID > 10000000)")
                       .arg(changed.toString(QStringLiteral("yyyy-MM-dd 00:00:00"))))
        + 2 * extra.size();
    report("queue of 10 %", queue, queueRows, physicalInsertSeconds(dmr, queueRows), extra.size(), queueReads.seconds,
           queueReads.rows);
    if (count(dmr, QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")) != 0)
        std::printf("  the queue was not worked off!\n");

    // One monthly close: a balance row and the debts of every customer, from what is dated in the open month on.
    const RawReadFigure closeReads = rawReads(dmr, QString(), AccMonth, AccMonth, AccMonth.addMonths(1));
    TdmDebtCalc calc(&dmr);
    timer.start();
    bool closed = false;
    double close = 0;
    {
        StatementCosts costs(*dmr.dbConnection());
        closed = calc.closeAccountingMonth(0, AccMonth);
        close = timer.elapsed() / 1000.0;
    }
    report(closed ? "monthly close" : "monthly close FAILED", close, 2LL * customers,
           physicalInsertSeconds(dmr, 2LL * customers), customers, closeReads.seconds, closeReads.rows);
    std::printf("  peak memory so far %ld MB\n", PeakMemoryMb());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int customers = argc > 1 ? std::atoi(argv[1]) : 100000;
    const QString only = argc > 2 ? QString::fromLatin1(argv[2]) : QString();

    ForEachBenchDatabase(only, [customers](const char *engine, TDMR &dmr) { run(engine, dmr, customers); });
    std::printf("peak memory %ld MB\n", PeakMemoryMb());
    return 0;
}
