#include "BalanceEngine.h"

#include "BulkInsert.h"
#include "Money.h"
#include "MoneyRule.h"
#include "RowReader.h"

#include <QSqlQuery>

#include "Exceptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <utility>

namespace {

QDateTime midnight(const QDate &d)
{
    return QDateTime(d, QTime(0, 0), Qt::UTC);
}

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

qint64 keyOf(const QVariant &v)
{
    return qint64(v.toDouble());
}

void addPositional(TParams &params, const QVariant &value)
{
    params.CreateParam(ftUnknown, QString()).SetValue(value);
}

// The sum of the amounts dated from `lo` on, and before `hi` unless the range is open.
double sumIn(const QList<TDatedSum> &items, TStamp lo, TStamp hi, bool open)
{
    double s = 0;
    for (const TDatedSum &i : items)
        if (i.when >= lo && (open || i.when < hi))
            s += i.sum;
    return s;
}

int digits(const QChar *p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        const int d = p[i].unicode() - '0';
        if (d < 0 || d > 9)
            return -1;
        v = v * 10 + d;
    }
    return v;
}

bool onServer(const TADOConnection &connection)
{
    return connection.Provider() == TADOConnection::TProvider::PostgreSQL;
}

// A column of values as one array parameter for the server: '{v1,v2,...}', numbers in the shortest text that
// reads back as the same double (as a single bound number travels), other values quoted. One statement with three
// arrays replaces hundreds of statements of hundreds of typed markers each, which the server parses and binds one
// by one.
template <typename Each>
QString arrayText(qsizetype count, Each &&each)
{
    QByteArray out;
    out.reserve(count * 12 + 2);
    out += '{';
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            out += ',';
        each(out, i);
    }
    out += '}';
    return QString::fromLatin1(out);
}

void appendNumber(QByteArray &out, double value)
{
    if (!std::isfinite(value))
        throw EDatabaseError(QStringLiteral("Not a number: %1").arg(value));
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    out.append(text, written.ptr - text);
}

void appendNumber(QByteArray &out, qint64 value)
{
    out += QByteArray::number(value);
}

} // namespace

TStamp StampOf(const QDate &d)
{
    return d.isValid() ? d.toJulianDay() * 86400 : NullStamp;
}

TStamp StampOf(const QVariant &column)
{
    if (isNull(column))
        return NullStamp;
    if (column.typeId() == QMetaType::QString) {
        // SQLite's 'YYYY-MM-DD HH:MM:SS' read field by field; anything else through the general reader.
        const QString text = column.toString();
        const QChar *c = text.constData();
        if ((text.size() == 10 || text.size() == 19) && c[4] == u'-' && c[7] == u'-') {
            const QDate d(digits(c, 4), digits(c + 5, 2), digits(c + 8, 2));
            if (text.size() == 10)
                return StampOf(d);
            const int h = digits(c + 11, 2), m = digits(c + 14, 2), sec = digits(c + 17, 2);
            if (d.isValid() && h >= 0 && m >= 0 && sec >= 0)
                return StampOf(d) + h * 3600 + m * 60 + sec;
        }
    }
    const QDateTime dt = ColumnDateTime(column);
    return dt.isValid() ? StampOf(dt.date()) + dt.time().msecsSinceStartOfDay() / 1000 : NullStamp;
}

QDate StampDate(TStamp stamp)
{
    if (stamp == NullStamp)
        return {};
    return QDate::fromJulianDay(stamp >= 0 ? stamp / 86400 : -((-stamp + 86399) / 86400));
}

// ---- Tariffs ----

void TTariffBook::load(TADOConnection &connection)
{
    m_rows.clear();
    QSqlQuery q = connection.OpenQuery(QStringLiteral("select SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM from ZOLT.TARIF"));
    while (q.next()) {
        if (isNull(q.value(0)))
            continue;
        m_rows[keyOf(q.value(0))].append({StampOf(q.value(1)), StampOf(q.value(2)), ColumnMoney(q.value(3))});
    }
}

double TTariffBook::price(qint64 servId, TStamp when) const
{
    double s = 0;
    for (double p : pricesAt(servId, when))
        s += p;
    return s;
}

QList<double> TTariffBook::pricesAt(qint64 servId, TStamp when) const
{
    QList<double> result;
    const auto it = m_rows.constFind(servId);
    if (it == m_rows.constEnd() || when == NullStamp)
        return result;
    for (const Row &r : *it)
        if (r.from != NullStamp && r.to != NullStamp && r.from <= when && r.to >= when)
            result.append(r.sum);
    return result;
}

// ---- One month ----

TMonthFigures ComputeMonth(const TCustomerActivity &a, const TTariffBook &tariffs, double in, const QDate &from,
                           bool openMonth, int debtMode)
{
    TMonthFigures f;
    const TStamp lo = StampOf(from);
    const TStamp hi = StampOf(from.addMonths(1));
    f.in = in;
    f.oneOff = sumIn(a.oneOff, lo, hi, openMonth);
    f.byFact = sumIn(a.byFact, lo, hi, openMonth);
    f.activation = sumIn(a.activation, lo, hi, openMonth);
    f.deactivation = sumIn(a.deactivation, lo, hi, openMonth);
    for (const TFactorRow &r : a.factors) {
        if (r.from <= lo && r.to >= lo) {
            if (!r.value.isNull() && r.value.isValid())
                f.factor = r.value.toDouble();
            break;
        }
    }
    if (!openMonth) {
        QList<TChargePeriod> periods;
        for (const TSubscriptionPeriod &p : a.periods) {
            if (!(p.from < hi && p.to >= lo))
                continue;
            for (double tariff : tariffs.pricesAt(p.servId, lo))
                periods.append({StampDate(p.from), StampDate(p.to), tariff});
        }
        f.subscription = SubscriptionCharge(periods, from, f.factor);
        f.subscriptionBase = SubscriptionCharge(periods, from, 1);
    } else if (debtMode != 0) {
        // One full month of every subscription running past the open month's end.
        double full = 0;
        for (const TSubscriptionPeriod &p : a.periods)
            if (p.subscribed && p.from < hi && p.to >= hi)
                full += tariffs.price(p.servId, lo);
        f.prepayBase = full;
        f.prepay = RoundMoney(full * f.factor);
    }
    f.payments = sumIn(a.payments, lo, hi, openMonth);
    f.out = RoundCents(f.in + f.subscription + f.oneOff + f.byFact + f.activation + f.deactivation - f.payments);
    f.debt = RoundCents(debtMode != 0 ? f.out + f.prepay : f.out);
    return f;
}

// ---- Reading customers ----

TActivityReader::TActivityReader(TADOConnection &connection, const TTariffBook &tariffs, const QString &condition,
                                 const QDate &rowsFrom)
    : m_connection(connection)
    , m_tariffs(tariffs)
    , m_condition(condition)
    , m_rowsFrom(rowsFrom)
    , m_rows(std::make_unique<TRowReader>(connection))
{
}

TActivityReader::~TActivityReader() = default;

const QList<qint64> &TActivityReader::keys()
{
    if (!m_keysRead) {
        m_rows->run(QStringLiteral("select C.CUSTOMER_ID from ZOLT.CUSTOMER C where 1 = 1") + m_condition
                        + QStringLiteral(" order by C.CUSTOMER_ID"),
                    {}, [this](const TRowReader::Row &r) { m_keys.append(r.key(0)); });
        m_keysRead = true;
    }
    return m_keys;
}

int TActivityReader::sliceCount()
{
    return int((keys().size() + m_sliceSize - 1) / m_sliceSize);
}

QPair<qint64, qint64> TActivityReader::sliceRange(int slice)
{
    const qsizetype first = qsizetype(slice) * m_sliceSize;
    const qsizetype last = std::min<qsizetype>(first + m_sliceSize, keys().size()) - 1;
    if (first > last)
        return {1, 0};
    return {m_keys.at(first), m_keys.at(last)};
}

QList<TCustomerActivity> TActivityReader::readSlice(int slice)
{
    const auto [lo, hi] = sliceRange(slice);
    return lo > hi ? QList<TCustomerActivity>() : readRange(lo, hi);
}

QList<TCustomerActivity> TActivityReader::readRange(qint64 lo, qint64 hi)
{
    QList<TCustomerActivity> customers;
    QHash<qint64, qsizetype> at;
    const TParams range{{QStringLiteral("P_LO"), lo}, {QStringLiteral("P_HI"), hi}};
    // Every query of a slice: the customers' key range, and the caller's restriction on the customers.
    auto customerRange = [this](const char *column) {
        const QString c = QString::fromLatin1(column);
        return QStringLiteral(" %1 >= :P_LO and %1 <= :P_HI").arg(c)
               + (m_condition.isEmpty() ? QString()
                                        : QStringLiteral(" and %1 in (select C.CUSTOMER_ID from ZOLT.CUSTOMER C "
                                                         "where 1 = 1%2)")
                                              .arg(c, m_condition));
    };
    // A dated table read by way of the slice's customers, each customer's rows sought by its key and date, so
    // that a late date (the close's month) skips every customer's older rows instead of reading them all. SQLite
    // takes a cross join's left table as its outer loop; the server plans it as any join and is told the key range
    // of both tables, which it does not carry over from one to the other.
    auto datedByCustomer = [this](const char *columns, const char *table, const char *dated) {
        return QStringLiteral("select %1 from ZOLT.CUSTOMER C cross join ZOLT.%2 where T.CUSTOMER_ID = C.CUSTOMER_ID "
                              "and %3 and C.CUSTOMER_ID >= :P_LO and C.CUSTOMER_ID <= :P_HI and T.CUSTOMER_ID >= :P_LO "
                              "and T.CUSTOMER_ID <= :P_HI")
                   .arg(QLatin1String(columns), QLatin1String(table), QLatin1String(dated))
               + m_condition;
    };
    using Row = TRowReader::Row;
    auto each = [&](const QString &text, const TParams &params, auto &&onRow) {
        m_rows->run(text, params, [&](const Row &r) {
            const auto it = at.constFind(r.key(0));
            if (it != at.constEnd())
                onRow(customers[*it], r);
        });
    };

    m_rows->run(QStringLiteral("select C.CUSTOMER_ID, C.START_DEBT_SUM, C.DEBT_IN_SUM, C.DEBT_SUM, C.CUST_STATE "
                               "from ZOLT.CUSTOMER C where 1 = 1 and")
                    + customerRange("C.CUSTOMER_ID") + QStringLiteral(" order by C.CUSTOMER_ID"),
                range, [&](const Row &r) {
                    TCustomerActivity a;
                    a.id = r.key(0);
                    a.startDebt = r.value(1);
                    a.debtIn = r.value(2);
                    a.debtSum = r.value(3);
                    a.custState = r.value(4);
                    at.insert(a.id, customers.size());
                    customers.append(std::move(a));
                });
    if (customers.isEmpty())
        return customers;

    TParams dated = range;
    dated.CreateParam(ftDateTime, QStringLiteral("P_ACT_SINCE"))
        .SetValue(midnight(m_activitySince.isValid() ? m_activitySince : QDate(1, 1, 1)));
    each(datedByCustomer("T.CUSTOMER_ID, T.PAY_DATE, T.PAY_SUM", "PAYMENT T", "T.PAY_DATE >= :P_ACT_SINCE"), dated, [](TCustomerActivity &a, const Row &r) {
             a.payments.append({r.stamp(1), r.number(2)});
         });
    each(datedByCustomer("T.CUSTOMER_ID, T.SERV_ID, T.SERV_DATE", "SINGLE_SERV T", "T.SERV_DATE >= :P_ACT_SINCE"), dated, [this](TCustomerActivity &a, const Row &r) {
             const TStamp when = r.stamp(2);
             const QList<double> prices = m_tariffs.pricesAt(r.key(1), when);
             for (double p : prices)
                 a.oneOff.append({when, p});
         });
    // A service by fact charges its amount whether or not its price-list entry still exists.
    each(datedByCustomer("T.CUSTOMER_ID, T.SERVICE_DATE, T.AMOUNT", "CUSTOMER_SERVICE T",
                         "T.AMOUNT <> 0 and T.SERVICE_DATE >= :P_ACT_SINCE"),
         dated, [](TCustomerActivity &a, const Row &r) {
             a.byFact.append({r.stamp(1), r.number(2)});
         });
    each(QStringLiteral("select H.CUSTOMER_ID, H.SERV_ID, H.DATE_FROM, H.DATE_TO, H.ACT_SERV_ID, H.DISACT_SERV_ID, "
                        "S.SERV_ID from ZOLT.SUBSCR_HIST H left join ZOLT.SUBSCR_SERV SS "
                        "on SS.SUBSCR_SERV_ID = H.SUBSCR_SERV_ID and SS.CUSTOMER_ID = H.CUSTOMER_ID "
                        "and SS.CUSTOMER_ID >= :P_LO and SS.CUSTOMER_ID <= :P_HI "
                        "left join ZOLT.SERV S on S.SERV_ID = SS.SERV_ID where")
             + customerRange("H.CUSTOMER_ID"),
         range, [this](TCustomerActivity &a, const Row &r) {
             TSubscriptionPeriod p;
             p.servId = r.key(1);
             p.from = r.stamp(2);
             p.to = r.stamp(3);
             p.subscribed = !r.isNull(6);
             if (!r.isNull(4))
                 for (double price : m_tariffs.pricesAt(r.key(4), p.from))
                     a.activation.append({p.from, price});
             if (!r.isNull(5))
                 for (double price : m_tariffs.pricesAt(r.key(5), p.to))
                     a.deactivation.append({p.to, price});
             if (p.from != NullStamp && p.to != NullStamp)
                 a.periods.append(p);
         });
    // Of two rows covering a month's first day, the earlier one counts.
    each(QStringLiteral("select CUSTOMER_ID, DATE_FROM, DATE_TO, FACTOR_VALUE from ZOLT.DISCOUNT_FACTOR where")
             + customerRange("CUSTOMER_ID") + QStringLiteral(" order by CUSTOMER_ID, DATE_FROM, DATE_TO"),
         range, [](TCustomerActivity &a, const Row &r) {
             a.factors.append({r.stamp(1), r.stamp(2), r.value(3)});
         });
    TParams rows = range;
    rows.CreateParam(ftDateTime, QStringLiteral("P_SINCE")).SetValue(midnight(m_rowsFrom));
    if (m_rowsBefore.isValid())
        rows.CreateParam(ftDateTime, QStringLiteral("P_BEFORE")).SetValue(midnight(m_rowsBefore));
    each(datedByCustomer("T.CUSTOMER_ID, T.REL_DATE, T.DEBT_SUM", "PAY_ACCOUNT T",
                         m_rowsBefore.isValid() ? "T.REL_DATE >= :P_SINCE and T.REL_DATE < :P_BEFORE"
                                                : "T.REL_DATE >= :P_SINCE"),
         rows, [](TCustomerActivity &a, const Row &r) { a.payAccount.insert(StampDate(r.stamp(1)), r.value(2)); });
    return customers;
}

// ---- Writing balances ----

QString ValuesRows(const TADOConnection &connection, const QList<TValueKind> &kinds, qsizetype rows)
{
    const bool server = connection.Provider() == TADOConnection::TProvider::PostgreSQL;
    QStringList markers;
    for (TValueKind k : kinds) {
        if (!server)
            markers << QStringLiteral("?");
        else if (k == TValueKind::Number)
            markers << QStringLiteral("cast(? as numeric)");
        else if (k == TValueKind::Date)
            markers << QStringLiteral("cast(? as timestamp)");
        else
            markers << QStringLiteral("cast(? as varchar)");
    }
    const QString row = QLatin1Char('(') + markers.join(QLatin1Char(',')) + QLatin1Char(')');
    return QStringList(rows, row).join(QLatin1Char(','));
}

void ExecuteInBatches(TADOConnection &connection, qsizetype total, const std::function<QString(qsizetype)> &text,
                      const std::function<void(TParams &, qsizetype)> &bind)
{
    qsizetype first = 0;
    for (qsizetype n : TBalanceWriter::BatchSizes(total, TBalanceWriter::BatchRows(connection))) {
        TParams params;
        for (qsizetype i = first; i < first + n; ++i)
            bind(params, i);
        connection.Execute(text(n), params, TExecuteSource::Command);
        first += n;
    }
}

TBalanceWriter::TBalanceWriter(TADOConnection &connection)
    : m_connection(connection)
{
}

void TBalanceWriter::setDebts(qint64 customerId, double debtIn, double debt)
{
    const auto it = m_debtAt.constFind(customerId);
    if (it != m_debtAt.constEnd()) {
        m_debts[*it] = {customerId, debtIn, debt};
        return;
    }
    m_debtAt.insert(customerId, m_debts.size());
    m_debts.append({customerId, debtIn, debt});
}

QVariant TBalanceWriter::monthValue(const QDate &month)
{
    auto it = m_months.find(month);
    if (it == m_months.end())
        it = m_months.insert(month, month.toString(QStringLiteral("yyyy-MM-dd 00:00:00")));
    return *it;
}

void TBalanceWriter::setRow(QList<Row> &list, qint64 customerId, const QDate &month, double sum)
{
    const QPair<qint64, qint64> key{customerId, month.toJulianDay()};
    const auto it = m_rowAt.constFind(key);
    if (it != m_rowAt.constEnd()) {
        // A row given twice keeps its first list: one that was new is still new.
        (*it->first)[it->second].b = sum;
        return;
    }
    m_rowAt.insert(key, {&list, list.size()});
    list.append({customerId, monthValue(month), sum});
}

void TBalanceWriter::insertPayAccount(qint64 customerId, const QDate &month, double sum)
{
    setRow(m_inserts, customerId, month, sum);
}

void TBalanceWriter::updatePayAccount(qint64 customerId, const QDate &month, double sum)
{
    setRow(m_updates, customerId, month, sum);
}

int TBalanceWriter::BatchRows(const TADOConnection &connection)
{
    return connection.Provider() == TADOConnection::TProvider::SQLite ? 40 : 300;
}

QList<qsizetype> TBalanceWriter::BatchSizes(qsizetype total, int batch)
{
    QList<qsizetype> sizes;
    for (; total >= batch; total -= batch)
        sizes.append(batch);
    for (qsizetype n = qsizetype(1) << 30; total > 0; n >>= 1)
        if (total >= n) {
            sizes.append(n);
            total -= n;
        }
    return sizes;
}

void TBalanceWriter::flush()
{
    const QList<Row> debts = std::exchange(m_debts, {});
    const QList<Row> inserts = std::exchange(m_inserts, {});
    const QList<Row> updates = std::exchange(m_updates, {});
    m_debtAt.clear();
    m_rowAt.clear();
    upsertPayAccount(updates);
    bulkPayAccount(inserts, QString());
    writeDebts(debts);
}

void TBalanceWriter::bulkPayAccount(const QList<Row> &rows, const QString &conflict)
{
    QList<QVariantList> values;
    values.reserve(rows.size());
    for (const Row &r : rows)
        values.append({r.id, r.a, RoundCents(r.b)});
    TBulkInsert::Insert(m_connection, QStringLiteral("ZOLT.PAY_ACCOUNT"),
                        {QStringLiteral("CUSTOMER_ID"), QStringLiteral("REL_DATE"), QStringLiteral("DEBT_SUM")}, values,
                        conflict);
}

void TBalanceWriter::insertRows(TADOConnection &connection, const QString &table, const QStringList &columns,
                                const QList<QVariantList> &rows)
{
    TBulkInsert::Insert(connection, table, columns, rows);
}

void TBalanceWriter::upsertPayAccount(const QList<Row> &rows)
{
    // Both engines take the key's conflict clause, and neither lets one statement name a row twice. SQLite
    // takes the rows by its prepared multi-row insert; the server as three arrays in one statement.
    const QString conflict = QStringLiteral("on conflict (CUSTOMER_ID, REL_DATE) do update set DEBT_SUM = excluded.DEBT_SUM");
    if (m_connection.Provider() == TADOConnection::TProvider::SQLite) {
        bulkPayAccount(rows, conflict);
        return;
    }
    if (!onServer(m_connection)) {
        upsertPayAccountInBatches(rows, conflict);
        return;
    }
    if (rows.isEmpty())
        return;
    m_connection.Execute(
        QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) select * from "
                       "unnest(cast(? as numeric[]), cast(? as timestamp[]), cast(? as numeric[])) ")
            + conflict,
        {{QString(), arrayText(rows.size(), [&](QByteArray &out, qsizetype i) { appendNumber(out, rows.at(i).id); })},
         {QString(), arrayText(rows.size(),
                               [&](QByteArray &out, qsizetype i) {
                                   out += '"';
                                   out += rows.at(i).a.toString().toLatin1();
                                   out += '"';
                               })},
         {QString(), arrayText(rows.size(),
                               [&](QByteArray &out, qsizetype i) { appendNumber(out, RoundCents(rows.at(i).b)); })}},
        TExecuteSource::Command);
}

void TBalanceWriter::upsertPayAccountInBatches(const QList<Row> &rows, const QString &conflict)
{
    const QList<TValueKind> kinds{TValueKind::Number, TValueKind::Date, TValueKind::Number};
    ExecuteInBatches(
        m_connection, rows.size(),
        [&](qsizetype n) {
            return QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) values ")
                   + ValuesRows(m_connection, kinds, n)
                   + QLatin1Char(' ') + conflict;
        },
        [&](TParams &params, qsizetype i) {
            addPositional(params, rows.at(i).id);
            addPositional(params, rows.at(i).a);
            addPositional(params, RoundCents(rows.at(i).b));
        });
}

void TBalanceWriter::writeDebts(const QList<Row> &rows)
{
    // One statement sets the debts of a whole batch of customers, each named once: on the server the flush's
    // customers as three arrays; elsewhere a values list, whose columns both engines name column1, column2, ...
    if (onServer(m_connection)) {
        if (rows.isEmpty())
            return;
        const auto column = [&](auto value) {
            return arrayText(rows.size(), [&](QByteArray &out, qsizetype i) { appendNumber(out, value(rows.at(i))); });
        };
        m_connection.Execute(
            QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = V.column2, DEBT_SUM = V.column3 from "
                           "unnest(cast(? as numeric[]), cast(? as numeric[]), cast(? as numeric[])) "
                           "as V(column1, column2, column3) where CUSTOMER.CUSTOMER_ID = V.column1"),
            {{QString(), column([](const Row &r) { return r.id; })},
             {QString(), column([](const Row &r) { return RoundCents(r.a.toDouble()); })},
             {QString(), column([](const Row &r) { return RoundCents(r.b); })}},
            TExecuteSource::Command);
        return;
    }
    const QList<TValueKind> kinds{TValueKind::Number, TValueKind::Number, TValueKind::Number};
    ExecuteInBatches(
        m_connection, rows.size(),
        [&](qsizetype n) {
            return QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = V.column2, DEBT_SUM = V.column3 from (values ")
                   + ValuesRows(m_connection, kinds, n) + QStringLiteral(") V where CUSTOMER.CUSTOMER_ID = V.column1");
        },
        [&](TParams &params, qsizetype i) {
            addPositional(params, rows.at(i).id);
            addPositional(params, RoundCents(rows.at(i).a.toDouble()));
            addPositional(params, RoundCents(rows.at(i).b));
        });
}
