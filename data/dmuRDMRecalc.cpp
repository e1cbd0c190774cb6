// The recalculation of customers' balances, month by month: one customer, the queue, and all of them.
#include "dmuRDM.h"

#include "ApplicationHint.h"
#include "BalanceEngine.h"
#include "Exceptions.h"
#include "Formats.h"
#include "LogSink.h"
#include "Money.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "ScreenCursor.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>

#include <algorithm>

namespace {

void trace(const QString &line)
{
    platformLog(LogKind::Raw, line);
}

void traceValue(const QString &caption, double value)
{
    trace(caption + FloatToStr(value));
    trace(QString());
}

QDateTime at(const QDate &d)
{
    return QDateTime(d, QTime(0, 0), Qt::UTC);
}

// What a customer's first month is when every month is to be recalculated, the start corrected first.
const QDate FromTheStart(1, 1, 1);

} // namespace

QDate TDMR::InitDate()
{
    return ColumnDate(selectValue(QStringLiteral("select INIT_DATE from ZOLT.MAIN_CFG")));
}

namespace {

// The start correction of one customer: its balance on the initialisation date is the starting debt less the
// payments before it, whatever their sign (as the close's reseed computes it).
void correctStart(TCustomerActivity &a, const QDate &init, TBalanceWriter &writer, bool traced)
{
    double before = 0;
    bool any = false;
    for (const TDatedSum &p : a.payments)
        if (p.when != NullStamp && p.when < StampOf(init)) {
            before += p.sum;
            any = true;
        }
    if (traced && any)
        trace(QStringLiteral("Были платежи до начального периода -> нужна корректировка "));
    const double start = ColumnMoney(a.startDebt);
    const double initBalance = RoundCents(start - before);
    if (traced)
        traceValue(QStringLiteral("сальдо начальное, на дату инициализации "), start);
    if (MoneyDiffers(a.debtIn, initBalance) || MoneyDiffers(a.debtSum, initBalance)) {
        if (traced)
            traceValue(QStringLiteral("Если сальдо не равно, то корректируем "), initBalance);
        writer.setDebts(a.id, initBalance, initBalance);
        a.debtIn = a.debtSum = initBalance;
    }
    const auto row = a.payAccount.constFind(init);
    if (row == a.payAccount.constEnd())
        writer.insertPayAccount(a.id, init, initBalance);
    else if (MoneyDiffers(*row, initBalance))
        writer.updatePayAccount(a.id, init, initBalance);
    a.payAccount.insert(init, initBalance);
    if (traced)
        traceValue(QStringLiteral("Начальное сальдо "), initBalance);
}

// One month of one customer: its debts, and the next month's balance row. Answers whether a stored balance row
// was changed.
bool checkMonth(TCustomerActivity &a, const TTariffBook &tariffs, const QDate &from, const QDate &accDate,
                int debtMode, TBalanceWriter &writer, bool traced)
{
    const bool openMonth = from == accDate;
    const TMonthFigures f = ComputeMonth(a, tariffs, ColumnMoney(a.payAccount.value(from)), from, openMonth, debtMode);
    if (traced) {
        traceValue(QStringLiteral("Входящий долг "), f.in);
        traceValue(QStringLiteral("Сумма за разовые услуги "), f.oneOff);
        traceValue(QStringLiteral("Сумма за услуги по факту"), f.byFact);
        traceValue(QStringLiteral("Сумма за услуги подключения "), f.activation);
        traceValue(QStringLiteral("Сумма за услуги отключения "), f.deactivation);
        traceValue(QStringLiteral("Коэффициент скидки "), f.factor);
        if (!openMonth) {
            traceValue(QStringLiteral("Сумма за абонентские услуги "), f.subscription);
        } else {
            trace(ColumnMoney(a.custState) > 0 ? QStringLiteral("customer connected")
                                               : QStringLiteral("customer disconnected"));
            if (debtMode != 0)
                traceValue(QStringLiteral("По предоплате, Сумма за абонентские услуги "), f.prepay);
        }
        traceValue(QStringLiteral("Сумма платежей "), f.payments);
    }
    if (MoneyDiffers(a.debtIn, f.in) || MoneyDiffers(a.debtSum, f.debt)) {
        if (traced)
            traceValue(QStringLiteral("Обновляем вх. долг "), f.in);
        writer.setDebts(a.id, f.in, f.debt);
        a.debtIn = RoundCents(f.in);
        a.debtSum = f.debt;
    }
    // The next month's incoming balance is this month's outgoing one, never with the prepayment in it.
    const QDate next = from.addMonths(1);
    bool changed = false;
    const auto row = a.payAccount.constFind(next);
    if (row != a.payAccount.constEnd()) {
        if (MoneyDiffers(*row, f.out)) {
            writer.updatePayAccount(a.id, next, f.out);
            a.payAccount.insert(next, f.out);
            changed = true;
        }
    } else if (f.out != 0) {
        writer.insertPayAccount(a.id, next, f.out);
        a.payAccount.insert(next, f.out);
    }
    if (traced)
        trace(QStringLiteral("*** ИТОГО: Сумма долга ") + FloatToStr(f.out));
    return changed;
}

// One customer, with its balance rows from rowsFrom on; none when it does not exist.
QList<TCustomerActivity> readCustomer(TADOConnection &connection, const TTariffBook &tariffs,
                                      const QVariant &customerId, const QDate &rowsFrom)
{
    const qint64 id = qint64(customerId.toDouble());
    return TActivityReader(connection, tariffs, QString(), rowsFrom).readRange(id, id);
}

void traceMonthHeader(const QDate &from, const QDate &to)
{
    trace(QString(51, QLatin1Char('*')));
    trace(QStringLiteral("*** CheckCustDebt ") + DateToStr(DateToDayCount(from)) + QStringLiteral(" - ")
          + DateToStr(DateToDayCount(to)));
}

void traceMonthFooter()
{
    trace(QString());
    trace(QString(51, QLatin1Char('*')));
}

// Every month of one customer from `first` up to `last`; from the initialisation month the start is corrected
// first.
void recalcFrom(TCustomerActivity &a, const TTariffBook &tariffs, const QDate &init, const QDate &first,
                const QDate &last, const QDate &accDate, int debtMode, TBalanceWriter &writer, bool traced)
{
    if (first <= init)
        correctStart(a, init, writer, traced);
    for (QDate m = std::max(first, init); m.isValid() && m <= last; m = m.addMonths(1)) {
        if (traced) {
            const QString hint = QStringLiteral("Проверка долга на ") + DateToStr(DateToDayCount(m));
            SetApplicationHint(hint);
            trace(hint);
            traceMonthHeader(m, EndOfMonth(m));
        }
        checkMonth(a, tariffs, m, accDate, debtMode, writer, traced);
        if (traced)
            traceMonthFooter();
    }
}

} // namespace

bool TDMR::CheckCustDebt(const QVariant &customerId, int debtMode, const QDate &from, const QDate &to,
                         const QDate &accDate)
{
    traceMonthHeader(from, to);
    FixTarifDates();
    if (!m_connection->Connected() || isNullValue(customerId))
        return true;
    CommitWork();
    TTariffBook tariffs;
    tariffs.load(*m_connection);
    QList<TCustomerActivity> found = readCustomer(*m_connection, tariffs, customerId, from);
    if (!found.isEmpty()) {
        TBalanceWriter writer(*m_connection);
        const bool changed = checkMonth(found.first(), tariffs, StartOfMonth(from), accDate, debtMode, writer, true);
        writer.flush();
        if (changed)
            CommitWork();
    }
    QCoreApplication::processEvents();
    traceMonthFooter();
    return true;
}

void TDMR::CorrectInitBalance(const QVariant &customerId)
{
    if (!m_connection->Connected())
        return;
    const QDate init = InitDate();
    // The start correction needs no tariff.
    TTariffBook tariffs;
    QList<TCustomerActivity> found = readCustomer(*m_connection, tariffs, customerId, init);
    if (found.isEmpty())
        return;
    TBalanceWriter writer(*m_connection);
    correctStart(found.first(), init, writer, true);
    writer.flush();
}

bool TDMR::CheckFullCustDebt(const QVariant &customerId, const QVariant &accDate, const QVariant &contractDate,
                             int debtMode)
{
    const QDate acc = ColumnDate(accDate);
    const QDate contract = ColumnDate(contractDate);
    trace(QStringLiteral("DMR.CheckFullCustDebt(custId=") + customerId.toString() + QLatin1Char(')'));
    trace(QStringLiteral("accDate = ") + (acc.isValid() ? DateToStr(DateToDayCount(acc)) : QStringLiteral("Null")));
    trace(QStringLiteral("contractDate = ")
          + (contract.isValid() ? DateToStr(DateToDayCount(contract)) : QStringLiteral("Null")));
    trace(QStringLiteral("aDebtMode=") + QString::number(debtMode) + QLatin1Char(')'));
    if (!m_connection->Connected() || isNullValue(customerId))
        return true;
    TScreenCursorScope wait(crHourGlass);
    // The hint goes away with the cursor, also when a query raises.
    struct HintScope
    {
        ~HintScope() { SetApplicationHint(QString()); }
    } hintScope;
    FixTarifDates();
    SetApplicationHint(QStringLiteral("Проверка входящего долга от даты инициализации"));
    trace(QStringLiteral("Проверка входящего долга от даты инициализации"));
    const QDate init = InitDate();
    if (!init.isValid())
        return true;
    CommitWork();
    TTariffBook tariffs;
    tariffs.load(*m_connection);
    QList<TCustomerActivity> found = readCustomer(*m_connection, tariffs, customerId, init);
    if (found.isEmpty())
        return true;
    TBalanceWriter writer(*m_connection);
    const QDate last = acc.isValid() ? acc : init.addDays(-1);
    recalcFrom(found.first(), tariffs, init, init, last, last, debtMode, writer, true);
    writer.flush();
    QCoreApplication::processEvents();
    return true;
}

void TDMR::recalcCustomers(const QString &condition, const QDate &lastMonth, const QDate &accDate, int debtMode,
                           const std::function<QDate(TCustomerActivity &)> &firstMonth,
                           const std::function<void(const QList<qint64> &)> &afterSlice,
                           const std::function<void(qint64, qint64)> &beforeSlice)
{
    FixTarifDates();
    const QDate init = InitDate();
    if (!init.isValid())
        return;
    CommitWork();
    TTariffBook tariffs;
    tariffs.load(*m_connection);
    TActivityReader reader(*m_connection, tariffs, condition, init);
    for (int slice = 0; slice < reader.sliceCount(); ++slice) {
        // The slice is read before its transaction begins, so that on the embedded engine other users can queue
        // customers meanwhile.
        QList<TCustomerActivity> customers = reader.readSlice(slice);
        StartTransactionIfNone();
        if (beforeSlice) {
            const auto [lo, hi] = reader.sliceRange(slice);
            beforeSlice(lo, hi);
        }
        TBalanceWriter writer(*m_connection);
        QList<qint64> done;
        for (TCustomerActivity &a : customers) {
            const QDate first = firstMonth(a);
            if (!first.isValid())
                continue;
            recalcFrom(a, tariffs, init, first, lastMonth.isValid() ? lastMonth : accDate, accDate, debtMode, writer,
                       false);
            done.append(a.id);
        }
        writer.flush();
        if (afterSlice)
            afterSlice(done);
        CommitWork();
        QCoreApplication::processEvents();
    }
}

void TDMR::MarkInvalidCustDebt(const QVariant &customerId, const QVariant &changeDate, const QDate &accDate)
{
    CommitWork();
    QueueInvalidCustDebt(customerId, changeDate, accDate);
    CommitWork();
}

void TDMR::QueueInvalidCustDebt(const QVariant &customerId, const QVariant &changeDate, const QDate &accDate)
{
    const QDate changed = ColumnDate(changeDate);
    const QDate from = (changed.isValid() && StartOfMonth(changed) < accDate) ? StartOfMonth(changed) : accDate;
    trace(QStringLiteral("Добавить информацию об абоненте в список непересчитанных долгов ") + customerId.toString()
          + QStringLiteral(" от ") + DateToStr(DateToDayCount(from)));
    const TParams row{{QStringLiteral("P_CUSTOMER_ID"), customerId}, {QStringLiteral("P_DATE_FROM"), at(from)}};
    m_connection->Execute(QStringLiteral("delete from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = :P_CUSTOMER_ID "
                                         "and DATE_FROM >= :P_DATE_FROM"),
                          row, TExecuteSource::Command);
    m_connection->Execute(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) "
                                         "values (:P_CUSTOMER_ID, :P_DATE_FROM)"),
                          row, TExecuteSource::Command);
}

void TDMR::CheckInvalidCustDebt(int debtMode, const QDate &accDate)
{
    try {
        // Customer by customer, each from its earliest queued month. The rows read are kept as read, so that only
        // they leave the queue: a row another user queues meanwhile is worked by the next run.
        struct Queued
        {
            QDate earliest;
            QVariantList months; // DATE_FROM of each row read, as the engine answered it
        };
        QHash<qint64, Queued> queued;
        {
            QSqlQuery q = m_connection->OpenQuery(
                QStringLiteral("select I.CUSTOMER_ID, I.DATE_FROM from ZOLT.INVALIDCUSTDEBT I "
                               "join ZOLT.CUSTOMER C on C.Customer_Id = I.Customer_Id + 0 "
                               "order by I.CUSTOMER_ID, I.DATE_FROM"));
            while (q.next()) {
                Queued &entry = queued[qint64(q.value(0).toDouble())];
                if (entry.months.isEmpty())
                    entry.earliest = ColumnDate(q.value(1));
                entry.months.append(q.value(1));
            }
        }
        if (queued.isEmpty())
            return;
        const QList<TValueKind> kinds{TValueKind::Number, TValueKind::Date};
        const auto dequeue = [&](const QList<qint64> &ids) {
            QList<QPair<qint64, QVariant>> rows;
            for (qint64 id : ids)
                for (const QVariant &month : queued.value(id).months)
                    rows.append({id, month});
            try {
                ExecuteInBatches(
                    *m_connection, rows.size(),
                    // The rows go in key order, so a batch's keys lie between its first and the slice's last:
                    // a range the queue's index finds, where the list of pairs alone would be matched against
                    // every row of the queue.
                    [&](qsizetype n) {
                        return QStringLiteral("delete from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID >= ? and "
                                              "CUSTOMER_ID <= ? and (CUSTOMER_ID, DATE_FROM) in (values ")
                               + ValuesRows(*m_connection, kinds, n) + QLatin1Char(')');
                    },
                    [&](TParams &params, qsizetype i) {
                        if (params.IsEmpty()) {
                            params.CreateParam(ftUnknown, QString()).SetValue(rows.at(i).first);
                            params.CreateParam(ftUnknown, QString()).SetValue(rows.constLast().first);
                        }
                        params.CreateParam(ftUnknown, QString()).SetValue(rows.at(i).first);
                        params.CreateParam(ftUnknown, QString()).SetValue(rows.at(i).second);
                    });
            } catch (const Exception &e) {
                // The slice stays queued and is worked again; what it wrote is undone with it.
                rollbackQuietly();
                platformLog(LogKind::Error, e.message());
            }
        };
        // A queued month at or after the open month recalculates the open month alone, an earlier one every
        // month; a customer queued only after the queue was read waits for the next run.
        recalcCustomers(QStringLiteral(" and C.CUSTOMER_ID in (select CUSTOMER_ID from ZOLT.INVALIDCUSTDEBT)"),
                        QDate(), accDate, debtMode, [&](TCustomerActivity &a) {
                            const auto it = queued.constFind(a.id);
                            if (it == queued.constEnd())
                                return QDate();
                            // The line is built only when someone reads the trace: the queue may hold thousands.
                            if (platformLogWanted(LogKind::Raw))
                                trace(QStringLiteral("Контроль сальдо ") + QString::number(a.id)
                                      + QStringLiteral(" от ") + DateToStr(DateToDayCount(accDate)));
                            return StartOfMonth(it->earliest) >= accDate ? accDate : FromTheStart;
                        },
                        dequeue);
    } catch (const std::exception &) {
        // The queue is worked again at the next refresh; what failed stays queued and nothing of it is kept.
        rollbackQuietly();
    }
}

void TDMR::RecalcAllCustomers(const QVariant &accDate, int debtMode)
{
    if (!m_connection->Connected())
        return;
    sendToMainWindow(AMShowAnimate);
    struct HideAnimate
    {
        TDMR *self;
        ~HideAnimate() { self->sendToMainWindow(AMHideAnimate); }
    } hide{this};
    // Each slice of customers is one transaction: their states, worked for the whole slice at once, then every
    // month of their balances.
    recalcCustomers(
        QString(), QDate(), ColumnDate(accDate), debtMode, [](TCustomerActivity &) { return FromTheStart; }, {},
        [this](qint64 lo, qint64 hi) { updateCustStates(lo, hi); });
}

void TDMR::RecalcPayersDebt(int debtMode, const QDate &accDate)
{
    if (!m_connection->Connected())
        return;
    // The initialisation month of every customer with payments, each customer once.
    const QDate init = InitDate();
    recalcCustomers(QStringLiteral(" and C.CUSTOMER_ID in (select P.CUSTOMER_ID from ZOLT.PAYMENT P)"), init, accDate,
                    debtMode, [](TCustomerActivity &) { return FromTheStart; });
}
