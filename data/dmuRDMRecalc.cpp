// The recalculation of one customer's balances, month by month, and the queue of customers to recalculate.
#include "dmuRDM.h"

#include "Exceptions.h"
#include "Formats.h"
#include "LogSink.h"
#include "Money.h"
#include "MoneyRule.h"
#include "Periods.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <QDateTime>

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
    return QDateTime(d, QTime(0, 0));
}

QDate monthStart(const QDate &d)
{
    return QDate(d.year(), d.month(), 1);
}

// Month ranges are half-open: a payment at 15:00 on the last day belongs to its month. The open month has no
// upper bound (a payment dated in the future counts at once).
QString inRange(const char *column, bool bounded)
{
    const QString c = QString::fromLatin1(column);
    return c + QStringLiteral(" >= :P_FROM") + (bounded ? QStringLiteral(" and ") + c + QStringLiteral(" < :P_TO")
                                                        : QString());
}

} // namespace

double TDMR::sumOf(const QString &text, const TParams &params)
{
    return ColumnMoney(selectValue(text, params));
}

QDate TDMR::InitDate()
{
    return ColumnDate(selectValue(QStringLiteral("select INIT_DATE from ZOLT.MAIN_CFG")));
}

bool TDMR::CheckCustDebt(const QVariant &customerId, int debtMode, const QDate &from, const QDate &to,
                         const QDate &accDate)
{
    const QString stars(51, QLatin1Char('*'));
    trace(stars);
    trace(QStringLiteral("*** CheckCustDebt ") + DateToStr(DateToDayCount(from)) + QStringLiteral(" - ")
          + DateToStr(DateToDayCount(to)));
    if (!m_connection->Connected() || isNullValue(customerId))
        return true;

    const bool openMonth = from == accDate;
    const QDate next = from.addMonths(1);
    CommitWork();

    const QVariant id = customerId;
    const TParams byCustomer{{QStringLiteral("P_CUSTOMER_ID"), id}};
    const TParams inMonth{{QStringLiteral("P_CUSTOMER_ID"), id},
                              {QStringLiteral("P_FROM"), at(from)},
                              {QStringLiteral("P_TO"), at(next)}};

    QVariant storedIn, storedDebt;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select DEBT_IN_SUM, DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = :P_CUSTOMER_ID"),
            byCustomer);
        if (q.next()) {
            storedIn = q.value(0);
            storedDebt = q.value(1);
        }
    }

    const bool bounded = !openMonth;
    const double in = sumOf(QStringLiteral("select DEBT_SUM from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID "
                                           "and REL_DATE = :P_FROM"),
                            {{QStringLiteral("P_CUSTOMER_ID"), id}, {QStringLiteral("P_FROM"), at(from)}});
    const double oneOff = sumOf(
        QStringLiteral("select SUM(T.TARIF_SUM) from ZOLT.SINGLE_SERV S join ZOLT.TARIF T on T.SERV_ID = S.SERV_ID "
                       "and T.DATE_FROM <= S.SERV_DATE and T.DATE_TO >= S.SERV_DATE "
                       "where S.CUSTOMER_ID = :P_CUSTOMER_ID and ")
            + inRange("S.SERV_DATE", bounded),
        inMonth);
    const double byFact = sumOf(
        QStringLiteral("select SUM(CS.AMOUNT) from ZOLT.CUSTOMER_SERVICE CS join ZOLT.SINGLE_SERVICE_TARIF ST "
                       "on ST.SINGLE_SERVICE_TARIF_ID = CS.SINGLE_SERVICE_TARIF_ID "
                       "where CS.CUSTOMER_ID = :P_CUSTOMER_ID and CS.AMOUNT <> 0 and ")
            + inRange("CS.SERVICE_DATE", bounded),
        inMonth);
    const double activation = sumOf(
        QStringLiteral("select SUM(T.TARIF_SUM) from ZOLT.SUBSCR_HIST H join ZOLT.TARIF T on T.SERV_ID = H.ACT_SERV_ID "
                       "and T.DATE_FROM <= H.DATE_FROM and T.DATE_TO >= H.DATE_FROM "
                       "where H.CUSTOMER_ID = :P_CUSTOMER_ID and ")
            + inRange("H.DATE_FROM", bounded),
        inMonth);
    const double deactivation = sumOf(
        QStringLiteral("select SUM(T.TARIF_SUM) from ZOLT.SUBSCR_HIST H join ZOLT.TARIF T "
                       "on T.SERV_ID = H.DISACT_SERV_ID and T.DATE_FROM <= H.DATE_TO and T.DATE_TO >= H.DATE_TO "
                       "where H.CUSTOMER_ID = :P_CUSTOMER_ID and ")
            + inRange("H.DATE_TO", bounded),
        inMonth);
    double factor = 1;
    {
        // Of two rows covering the month's first day, the earlier one counts (the monthly close reads the same).
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select FACTOR_VALUE from ZOLT.DISCOUNT_FACTOR where CUSTOMER_ID = :P_CUSTOMER_ID "
                           "and DATE_FROM <= :P_FROM and DATE_TO >= :P_FROM order by DATE_FROM, DATE_TO"),
            {{QStringLiteral("P_CUSTOMER_ID"), id}, {QStringLiteral("P_FROM"), at(from)}});
        if (q.next() && !isNullValue(q.value(0)))
            factor = q.value(0).toDouble();
    }

    traceValue(QStringLiteral("Входящий долг "), in);
    traceValue(QStringLiteral("Сумма за разовые услуги "), oneOff);
    traceValue(QStringLiteral("Сумма за услуги по факту"), byFact);
    traceValue(QStringLiteral("Сумма за услуги подключения "), activation);
    traceValue(QStringLiteral("Сумма за услуги отключения "), deactivation);
    traceValue(QStringLiteral("Коэффициент скидки "), factor);

    double subscription = 0;
    double prepay = 0;
    if (!openMonth) {
        QList<TChargePeriod> periods;
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select H.DATE_FROM, H.DATE_TO, T.TARIF_SUM from ZOLT.SUBSCR_HIST H join ZOLT.TARIF T "
                           "on T.SERV_ID = H.SERV_ID and T.DATE_FROM <= :P_FROM and T.DATE_TO >= :P_FROM "
                           "where H.CUSTOMER_ID = :P_CUSTOMER_ID and H.DATE_FROM < :P_TO and H.DATE_TO >= :P_FROM"),
            inMonth);
        while (q.next())
            periods.append({ColumnDate(q.value(0)), ColumnDate(q.value(1)), ColumnMoney(q.value(2))});
        subscription = SubscriptionCharge(periods, from, factor);
        traceValue(QStringLiteral("Сумма за абонентские услуги "), subscription);
    } else {
        const double state = sumOf(
            QStringLiteral("select CUST_STATE from ZOLT.CUSTOMER where CUSTOMER_ID = :P_CUSTOMER_ID"), byCustomer);
        trace(state > 0 ? QStringLiteral("customer connected") : QStringLiteral("customer disconnected"));
        if (debtMode != 0) {
            const double full = sumOf(
                QStringLiteral("select SUM(T.TARIF_SUM) from ZOLT.SUBSCR_SERV SS "
                               "join ZOLT.SUBSCR_HIST H on H.SUBSCR_SERV_ID = SS.SUBSCR_SERV_ID "
                               "join ZOLT.SERV S on S.SERV_ID = SS.SERV_ID "
                               "join ZOLT.TARIF T on T.SERV_ID = H.SERV_ID and T.DATE_FROM <= :P_FROM "
                               "and T.DATE_TO >= :P_FROM "
                               "where SS.CUSTOMER_ID = :P_CUSTOMER_ID and H.DATE_FROM < :P_TO and H.DATE_TO >= :P_TO"),
                inMonth);
            prepay = RoundMoney(full * factor);
            traceValue(QStringLiteral("По предоплате, Сумма за абонентские услуги "), prepay);
        }
    }

    const double payments = sumOf(QStringLiteral("select SUM(PAY_SUM) from ZOLT.PAYMENT "
                                                 "where CUSTOMER_ID = :P_CUSTOMER_ID and ")
                                      + inRange("PAY_DATE", bounded),
                                  inMonth);
    traceValue(QStringLiteral("Сумма платежей "), payments);

    const double out = RoundCents(in + subscription + oneOff + byFact + activation + deactivation - payments);
    const double newDebt = RoundCents(debtMode != 0 ? out + prepay : out);

    if (MoneyDiffers(storedIn, in) || MoneyDiffers(storedDebt, newDebt)) {
        traceValue(QStringLiteral("Обновляем вх. долг "), in);
        m_connection->Execute(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = :P_DEBT_IN_SUM, "
                                             "DEBT_SUM = :P_DEBT_SUM where CUSTOMER_ID = :P_CUSTOMER_ID"),
                              {{QStringLiteral("P_DEBT_IN_SUM"), RoundCents(in)},
                               {QStringLiteral("P_DEBT_SUM"), newDebt},
                               {QStringLiteral("P_CUSTOMER_ID"), id}},
                              TExecuteSource::Command);
    }

    // The next month's incoming balance is this month's outgoing one, never with the prepayment in it.
    const TParams nextRow{{QStringLiteral("P_DEBT_SUM"), out},
                              {QStringLiteral("P_CUSTOMER_ID"), id},
                              {QStringLiteral("P_REL_DATE"), at(next)}};
    bool exists = false;
    QVariant stored;
    {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select DEBT_SUM from ZOLT.PAY_ACCOUNT "
                                                             "where CUSTOMER_ID = :P_CUSTOMER_ID and REL_DATE = :P_REL_DATE"),
                                              nextRow);
        exists = q.next();
        if (exists)
            stored = q.value(0);
    }
    if (exists && MoneyDiffers(stored, out)) {
        m_connection->Execute(QStringLiteral("update ZOLT.PAY_ACCOUNT set DEBT_SUM = :P_DEBT_SUM "
                                             "where CUSTOMER_ID = :P_CUSTOMER_ID and REL_DATE = :P_REL_DATE"),
                              nextRow, TExecuteSource::Command);
        CommitWork();
    } else if (!exists && out != 0) {
        m_connection->Execute(QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) "
                                             "values (:P_CUSTOMER_ID, :P_REL_DATE, :P_DEBT_SUM)"),
                              nextRow, TExecuteSource::Command);
    }

    QCoreApplication::processEvents();
    trace(QStringLiteral("*** ИТОГО: Сумма долга ") + FloatToStr(out));
    trace(QString());
    trace(stars);
    return true;
}

void TDMR::CorrectInitBalance(const QVariant &customerId)
{
    if (!m_connection->Connected())
        return;
    const QDate init = InitDate();
    const TParams byCustomer{{QStringLiteral("P_CUSTOMER_ID"), customerId}};
    // Payments before the initialisation date are subtracted whatever their sign, as the reseed of the close does.
    const double before = sumOf(QStringLiteral("select SUM(PAY_SUM) from ZOLT.PAYMENT "
                                               "where CUSTOMER_ID = :P_CUSTOMER_ID and PAY_DATE < :P_INIT"),
                                {{QStringLiteral("P_CUSTOMER_ID"), customerId}, {QStringLiteral("P_INIT"), at(init)}});
    if (before != 0)
        trace(QStringLiteral("Были платежи до начального периода -> нужна корректировка "));

    QVariant storedIn, storedDebt;
    double start = 0;
    {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select START_DEBT_SUM, DEBT_IN_SUM, DEBT_SUM "
                                                             "from ZOLT.CUSTOMER where CUSTOMER_ID = :P_CUSTOMER_ID"),
                                              byCustomer);
        if (q.next()) {
            start = ColumnMoney(q.value(0));
            storedIn = q.value(1);
            storedDebt = q.value(2);
        }
    }
    const double init2 = RoundCents(start - before);
    traceValue(QStringLiteral("сальдо начальное, на дату инициализации "), start);
    if (MoneyDiffers(storedIn, init2) || MoneyDiffers(storedDebt, init2)) {
        traceValue(QStringLiteral("Если сальдо не равно, то корректируем "), init2);
        m_connection->Execute(QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = :P_DEBT_IN_SUM, "
                                             "DEBT_SUM = :P_DEBT_SUM where CUSTOMER_ID = :P_CUSTOMER_ID"),
                              {{QStringLiteral("P_DEBT_IN_SUM"), init2},
                               {QStringLiteral("P_DEBT_SUM"), init2},
                               {QStringLiteral("P_CUSTOMER_ID"), customerId}},
                              TExecuteSource::Command);
    }
    const TParams row{{QStringLiteral("P_DEBT_SUM"), init2},
                          {QStringLiteral("P_CUSTOMER_ID"), customerId},
                          {QStringLiteral("P_REL_DATE"), at(init)}};
    QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select DEBT_SUM from ZOLT.PAY_ACCOUNT "
                                                         "where CUSTOMER_ID = :P_CUSTOMER_ID and REL_DATE = :P_REL_DATE"),
                                          row);
    const bool exists = q.next();
    const QVariant stored = exists ? q.value(0) : QVariant();
    q.finish();
    if (exists && MoneyDiffers(stored, init2))
        m_connection->Execute(QStringLiteral("update ZOLT.PAY_ACCOUNT set DEBT_SUM = :P_DEBT_SUM "
                                             "where CUSTOMER_ID = :P_CUSTOMER_ID and REL_DATE = :P_REL_DATE"),
                              row, TExecuteSource::Command);
    else if (!exists)
        m_connection->Execute(QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) "
                                             "values (:P_CUSTOMER_ID, :P_REL_DATE, :P_DEBT_SUM)"),
                              row, TExecuteSource::Command);
    traceValue(QStringLiteral("Начальное сальдо "), init2);
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
    trace(QStringLiteral("Проверка входящего долга от даты инициализации"));
    CorrectInitBalance(customerId);
    const QDate init = InitDate();
    if (!init.isValid() || !acc.isValid())
        return true;
    for (QDate m = init; m <= acc; m = m.addMonths(1)) {
        trace(QStringLiteral("Проверка долга на ") + DateToStr(DateToDayCount(m)));
        CheckCustDebt(customerId, debtMode, m, QDate(m.year(), m.month(), m.daysInMonth()), acc);
    }
    return true;
}

void TDMR::MarkInvalidCustDebt(const QVariant &customerId, const QVariant &changeDate, const QDate &accDate)
{
    CommitWork();
    const QDate changed = ColumnDate(changeDate);
    const QDate from = (changed.isValid() && monthStart(changed) < accDate) ? monthStart(changed) : accDate;
    trace(QStringLiteral("Добавить информацию об абоненте в список непересчитанных долгов ") + customerId.toString()
          + QStringLiteral(" от ") + DateToStr(DateToDayCount(from)));
    const TParams row{{QStringLiteral("P_CUSTOMER_ID"), customerId}, {QStringLiteral("P_DATE_FROM"), at(from)}};
    m_connection->Execute(QStringLiteral("delete from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = :P_CUSTOMER_ID "
                                         "and DATE_FROM >= :P_DATE_FROM"),
                          row, TExecuteSource::Command);
    m_connection->Execute(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) "
                                         "values (:P_CUSTOMER_ID, :P_DATE_FROM)"),
                          row, TExecuteSource::Command);
    CommitWork();
}

void TDMR::CheckInvalidCustDebt(int debtMode, const QDate &accDate)
{
    try {
        struct Queued
        {
            QVariant id;
            QDate from;
            QVariant contractDate;
        };
        // Customer by customer, each from its earliest queued month. The rows are read before any is worked, so
        // the recalculation's commits never meet an open cursor.
        QList<Queued> queue;
        {
            QSqlQuery q = m_connection->OpenQuery(
                QStringLiteral("select I.CUSTOMER_ID, I.DATE_FROM, C.CONTRACT_DATE from ZOLT.INVALIDCUSTDEBT I "
                               "join ZOLT.CUSTOMER C on C.CUSTOMER_ID = I.CUSTOMER_ID + 0 "
                               "order by I.CUSTOMER_ID, I.DATE_FROM"));
            QVariant lastId;
            while (q.next()) {
                const QVariant id = q.value(0);
                if (!queue.isEmpty() && id.toDouble() == lastId.toDouble())
                    continue;
                lastId = id;
                queue.append({id, ColumnDate(q.value(1)), q.value(2)});
            }
        }
        for (const Queued &item : queue) {
            trace(QStringLiteral("Контроль сальдо ") + item.id.toString() + QStringLiteral(" от ")
                  + DateToStr(DateToDayCount(accDate)));
            if (item.from >= accDate) {
                const QDate m = monthStart(item.from);
                CheckCustDebt(item.id, debtMode, m, QDate(m.year(), m.month(), m.daysInMonth()), accDate);
            } else {
                CheckFullCustDebt(item.id, at(accDate), item.contractDate, debtMode);
            }
            ExecSqlScript(QStringLiteral("delete from ZOLT.InvalidCustDebt where Customer_Id=")
                          + QString::number(qint64(item.id.toDouble())));
        }
    } catch (const std::exception &) {
        // The queue is worked again at the next refresh; what failed stays queued.
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

    struct Stored
    {
        QVariant id, state, stateDescr, custProp, activizDate;
    };
    QList<Stored> customers;
    {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral(
            "select CUSTOMER_ID, CUST_STATE, CUST_STATE_DESCR, CUST_PROP, ACTIVIZ_DATE from ZOLT.CUSTOMER"));
        while (q.next())
            customers.append({q.value(0), q.value(1), q.value(2), q.value(3), q.value(4)});
    }
    const int step = int(customers.size() / 100);
    StartTransactionIfNone();
    int count = 0;
    for (const Stored &c : customers) {
        trace(c.id.toString());
        UpdateCustState(c.id, isNullValue(c.state) ? QVariant(0) : c.state, c.stateDescr, c.custProp,
                        isNullValue(c.activizDate) ? QVariant(QDateTime(ZeroDate(), QTime(0, 0)))
                                                   : c.activizDate);
        CheckFullCustDebt(c.id, accDate, accDate, debtMode);
        if (++count == step) {
            count = 0;
            CommitWork();
            StartTransactionIfNone();
        }
    }
    CommitWork();
}

void TDMR::RecalcPayersDebt(int debtMode, const QDate &accDate)
{
    if (!m_connection->Connected())
        return;
    const QDate init = InitDate();
    QList<QVariant> ids;
    {
        // One row per payment: a customer with several payments is worked once.
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral(
            "select C.CUSTOMER_ID from ZOLT.CUSTOMER C, ZOLT.PAYMENT P where  P.CUSTOMER_ID=C.CUSTOMER_ID "
            "order by C.CUSTOMER_ID"));
        while (q.next())
            if (ids.isEmpty() || ids.constLast().toDouble() != q.value(0).toDouble())
                ids.append(q.value(0));
    }
    for (const QVariant &id : ids) {
        CorrectInitBalance(id);
        CheckCustDebt(id, debtMode, init, EndOfMonth(init), accDate);
        CommitWork();
    }
}
