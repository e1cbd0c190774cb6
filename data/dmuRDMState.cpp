#include "dmuRDM.h"

#include "ApplicationHint.h"
#include "BalanceEngine.h"
#include "DatabaseError.h"
#include "Exceptions.h"
#include "LogSink.h"
#include "MoneyRule.h"
#include "ScreenCursor.h"
#include "Services.h"

#include <QCoreApplication>

namespace {

const QString kCustomer = QStringLiteral("P_CUSTOMER_ID");

void trace(const QString &line)
{
    platformLog(LogKind::Raw, line);
}

// The zero date stands for "none" when dates are compared.
QDateTime orZeroDate(const QDateTime &d)
{
    return d.isValid() ? d : QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
}

bool isOpenEnd(const QVariant &dateTo)
{
    return ColumnDateTime(dateTo).date() == TDMR::OpenEndDate();
}

QString dateText(const QVariant &v)
{
    return ColumnDateTime(v).date().toString(QStringLiteral("dd.MM.yyyy"));
}

// Stored and derived values compare as values: the text "1" equals the number 1, null equals nothing.
bool sameValue(const QVariant &stored, const QString &derived)
{
    if (isNullValue(stored))
        return false;
    bool storedIsNumber = false;
    bool derivedIsNumber = false;
    const double a = stored.toString().toDouble(&storedIsNumber);
    const double b = derived.toDouble(&derivedIsNumber);
    if (storedIsNumber && derivedIsNumber)
        return a == b;
    return stored.toString() == derived;
}

// One connection period of a customer, with what its services say of it.
struct HistoryRow
{
    QVariant servId;
    QVariant subscrServId;
    QVariant dateFrom;
    QVariant dateTo;
    QVariant disactServId;
    QVariant actServType;
    QString actDescr;
    QString actCode;
    QString disactDescr;
    QString disactCode;
};

// Every period of the customers with keys lo..hi, by customer, in the order of their keys.
QHash<qint64, QList<HistoryRow>> readHistory(TADOConnection &connection, qint64 lo, qint64 hi)
{
    QHash<qint64, QList<HistoryRow>> result;
    QSqlQuery q = connection.OpenQuery(
        QStringLiteral("select H.CUSTOMER_ID, H.SERV_ID, H.SUBSCR_SERV_ID, H.DATE_FROM, H.DATE_TO, H.DISACT_SERV_ID, "
                       "A.SERVTYPE_ID, A.SERV_DESCR, A.SERV_CODE, D.SERV_DESCR, D.SERV_CODE from ZOLT.SUBSCR_HIST H "
                       "left join ZOLT.SERV A on A.SERV_ID = H.ACT_SERV_ID "
                       "left join ZOLT.SERV D on D.SERV_ID = H.DISACT_SERV_ID "
                       "where H.CUSTOMER_ID >= :P_LO and H.CUSTOMER_ID <= :P_HI order by H.CUSTOMER_ID, H.SUBSCR_HIST_ID"),
        {{QStringLiteral("P_LO"), lo}, {QStringLiteral("P_HI"), hi}});
    while (q.next())
        result[qint64(q.value(0).toDouble())].append({q.value(1), q.value(2), q.value(3), q.value(4), q.value(5),
                                                      q.value(6), q.value(7).toString(), q.value(8).toString(),
                                                      q.value(9).toString(), q.value(10).toString()});
    return result;
}

// A customer's state as its periods give it.
struct DerivedState
{
    int state = 0;
    QString descr;
    QString codes;
    QDateTime activizDate; // invalid when the customer has no period
    // Each subscription's state: 1 when its latest period is open.
    QHash<QString, int> subscriptions;
};

DerivedState deriveState(const QList<HistoryRow> &history)
{
    // For each service its latest period(s), in the order of the periods' keys; a customer without one is "never
    // connected". A period without a service or an end never decides, as its service has no latest end.
    QHash<QString, QDateTime> latestOfService;
    QHash<QString, QDateTime> latestOfSubscription;
    DerivedState d;
    for (const HistoryRow &h : history) {
        const QDateTime to = ColumnDateTime(h.dateTo);
        const QDateTime from = ColumnDateTime(h.dateFrom);
        if (from.isValid() && (!d.activizDate.isValid() || from < d.activizDate))
            d.activizDate = from;
        if (!isNullValue(h.subscrServId)) {
            QDateTime &latest = latestOfSubscription[h.subscrServId.toString()];
            if (to.isValid() && (!latest.isValid() || to > latest))
                latest = to;
        }
        if (isNullValue(h.servId) || !to.isValid())
            continue;
        QDateTime &latest = latestOfService[h.servId.toString()];
        if (!latest.isValid() || to > latest)
            latest = to;
    }
    bool first = true;
    for (const HistoryRow &h : history) {
        if (isNullValue(h.servId) || ColumnDateTime(h.dateTo) != latestOfService.value(h.servId.toString()))
            continue;
        int state;
        QString text;
        QString code;
        if (isOpenEnd(h.dateTo)) {
            state = 1;
            text = (!isNullValue(h.actServType) && h.actServType.toInt() == 2)
                       ? QStringLiteral("Подключен")
                       : h.actDescr + QLatin1Char(' ') + dateText(h.dateFrom);
            code = h.actCode;
        } else {
            state = isNullValue(h.disactServId) ? 0 : int(h.disactServId.toDouble());
            text = h.disactDescr + QLatin1Char(' ') + dateText(h.dateTo);
            code = h.disactCode;
        }
        if (first) {
            d.state = state;
            // The column holds 60 characters; a long service name must not make the whole update fail.
            d.descr = text.left(60);
            first = false;
        }
        d.codes += QLatin1Char(' ') + code;
    }
    if (first) {
        d.state = 0;
        d.descr = QStringLiteral("Не подключался");
        d.codes = QStringLiteral("Нп");
    }
    d.codes = d.codes.trimmed().left(20).trimmed();
    for (auto it = latestOfSubscription.constBegin(); it != latestOfSubscription.constEnd(); ++it)
        d.subscriptions.insert(it.key(), it->isValid() && it->date() == TDMR::OpenEndDate() ? 1 : 0);
    return d;
}

// Whether the stored state, text or codes differ from the derived ones.
bool stateDiffers(const DerivedState &d, const QVariant &storedState, const QVariant &storedDescr,
                  const QVariant &storedProp)
{
    return !sameValue(storedState, QString::number(d.state)) || isNullValue(storedDescr)
           || storedDescr.toString() != d.descr || isNullValue(storedProp) || storedProp.toString() != d.codes;
}

// A subscription's derived state: 0 for one without periods.
int subscriptionState(const DerivedState &d, const QVariant &subscrServId)
{
    return d.subscriptions.value(subscrServId.toString(), 0);
}

} // namespace

// ---- Customer state ----

void TDMR::UpdateCustState(const QVariant &customerId, const QVariant &storedState, const QVariant &storedStateDescr,
                           const QVariant &storedCustProp, const QVariant &storedActivizDate)
{
    if (!m_connection->Connected())
        return;
    const TParams idParam{{kCustomer, customerId}};
    QVariant contractDate;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select CONTRACT_DATE from ZOLT.CUSTOMER where CUSTOMER_ID = :P_CUSTOMER_ID"), idParam);
        if (!q.next())
            return; // no such customer
        contractDate = q.value(0);
    }
    const qint64 id = qint64(customerId.toDouble());
    const DerivedState d = deriveState(readHistory(*m_connection, id, id).value(id));

    auto updateCustomer = [&] {
        m_connection->Execute(
            QStringLiteral("update ZOLT.CUSTOMER set CUST_STATE = :P_CUST_STATE, CUST_STATE_DESCR = :P_CUST_STATE_DESCR, "
                           "CUST_PROP = :P_CUST_PROP, ACTIVIZ_DATE = (select min(DATE_FROM) from ZOLT.SUBSCR_HIST "
                           "where CUSTOMER_ID = :P_CUSTOMER_ID) where CUSTOMER_ID = :P_CUSTOMER_ID"),
            {{QStringLiteral("P_CUST_STATE"), d.state},
             {QStringLiteral("P_CUST_STATE_DESCR"), d.descr},
             {QStringLiteral("P_CUST_PROP"), d.codes},
             {kCustomer, customerId}});
    };

    if (stateDiffers(d, storedState, storedStateDescr, storedCustProp)) {
        updateCustomer();
    } else if (orZeroDate(d.activizDate) != orZeroDate(ColumnDateTime(storedActivizDate))) {
        updateCustomer();
        // Balance rows before the contract month mean nothing; only this customer's are removed.
        const QDateTime contract = ColumnDateTime(contractDate);
        if (contract.isValid()) {
            const QDate contractMonth(contract.date().year(), contract.date().month(), 1);
            runLogged(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID "
                                     "and REL_DATE < :P_CONTRACT_MONTH"),
                      {{kCustomer, customerId}, {QStringLiteral("P_CONTRACT_MONTH"), contractMonth}});
        }
    }

    if (!d.codes.isEmpty())
        runLogged(QStringLiteral("update ZOLT.CUSTOMER set CUST_PROP_DESCR = (select CUST_PROP_DESCR from "
                                 "ZOLT.CUST_PROP where trim(CUST_PROP_ID) = :P_CUST_PROP LIMIT 1) "
                                 "where CUSTOMER_ID = :P_CUSTOMER_ID"),
                  {{QStringLiteral("P_CUST_PROP"), d.codes}, {kCustomer, customerId}});

    QList<QPair<QVariant, int>> subscriptionStates;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select SUBSCR_SERV_ID, STATE_SGN from ZOLT.SUBSCR_SERV where CUSTOMER_ID = :P_CUSTOMER_ID"),
            idParam);
        while (q.next()) {
            const int state = subscriptionState(d, q.value(0));
            if (isNullValue(q.value(1)) || int(q.value(1).toDouble()) != state)
                subscriptionStates.append({q.value(0), state});
        }
    }
    for (const auto &[subscription, state] : subscriptionStates)
        runLogged(QStringLiteral("update ZOLT.SUBSCR_SERV set STATE_SGN = :P_STATE_SGN "
                                 "where SUBSCR_SERV_ID = :P_SUBSCR_SERV_ID"),
                  {{QStringLiteral("P_STATE_SGN"), state}, {QStringLiteral("P_SUBSCR_SERV_ID"), subscription}});

    QCoreApplication::processEvents();
}

void TDMR::updateCustStates(qint64 lo, qint64 hi)
{
    TADOConnection &c = *m_connection;
    const QHash<qint64, QList<HistoryRow>> history = readHistory(c, lo, hi);
    // The code list: the description of the first entry whose trimmed code is the customer's codes.
    QHash<QString, QVariant> propDescr;
    {
        QSqlQuery q = c.OpenQuery(QStringLiteral("select CUST_PROP_ID, CUST_PROP_DESCR from ZOLT.CUST_PROP"));
        while (q.next()) {
            const QString code = q.value(0).toString().trimmed();
            if (!propDescr.contains(code))
                propDescr.insert(code, q.value(1));
        }
    }
    const TParams range{{QStringLiteral("P_LO"), lo}, {QStringLiteral("P_HI"), hi}};
    struct Changed
    {
        qint64 id;
        DerivedState d;
        QVariant propDescr;
    };
    QList<Changed> changed;
    QList<QPair<qint64, QDate>> cleanUps;
    QHash<qint64, DerivedState> derived;
    {
        QSqlQuery q = c.OpenQuery(
            QStringLiteral("select CUSTOMER_ID, CUST_STATE, CUST_STATE_DESCR, CUST_PROP, ACTIVIZ_DATE, CUST_PROP_DESCR, "
                           "CONTRACT_DATE from ZOLT.CUSTOMER where CUSTOMER_ID >= :P_LO and CUSTOMER_ID <= :P_HI"),
            range);
        while (q.next()) {
            const qint64 id = qint64(q.value(0).toDouble());
            if (platformLogWanted(LogKind::Raw))
                trace(QString::number(id));
            const DerivedState d = deriveState(history.value(id));
            // The stored values compare as the one-customer routine compares them: a null state is 0.
            const QVariant storedState = isNullValue(q.value(1)) ? QVariant(0) : q.value(1);
            const QVariant descr = d.codes.isEmpty() ? q.value(5) : propDescr.value(d.codes);
            const bool stateChanged = stateDiffers(d, storedState, q.value(2), q.value(3));
            const bool dateChanged = orZeroDate(d.activizDate) != orZeroDate(ColumnDateTime(q.value(4)));
            if (!stateChanged && dateChanged) {
                const QDateTime contract = ColumnDateTime(q.value(6));
                if (contract.isValid())
                    cleanUps.append({id, QDate(contract.date().year(), contract.date().month(), 1)});
            }
            if (stateChanged || dateChanged || isNullValue(descr) != isNullValue(q.value(5))
                || descr.toString() != q.value(5).toString())
                changed.append({id, d, descr});
            derived.insert(id, d);
        }
    }
    ExecuteInBatches(
        c, changed.size(),
        [&](qsizetype n) {
            return QStringLiteral("update ZOLT.CUSTOMER set CUST_STATE = V.column2, CUST_STATE_DESCR = V.column3, "
                                  "CUST_PROP = V.column4, CUST_PROP_DESCR = V.column5, ACTIVIZ_DATE = V.column6 from (values ")
                   + ValuesRows(c,
                                {TValueKind::Number, TValueKind::Number, TValueKind::Text, TValueKind::Text,
                                 TValueKind::Text, TValueKind::Date},
                                n)
                   + QStringLiteral(") V where CUSTOMER.CUSTOMER_ID = V.column1");
        },
        [&](TParams &params, qsizetype i) {
            const Changed &ch = changed.at(i);
            for (const QVariant &v : {QVariant(ch.id), QVariant(ch.d.state), QVariant(ch.d.descr), QVariant(ch.d.codes),
                                      ch.propDescr.isNull() ? QVariant() : QVariant(ch.propDescr.toString()),
                                      ch.d.activizDate.isValid() ? QVariant(ch.d.activizDate) : QVariant()})
                params.CreateParam(ftUnknown, QString()).SetValue(v);
        });
    // Balance rows before the contract month mean nothing; only the customer's own are removed.
    for (const auto &[id, month] : cleanUps)
        runLogged(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID "
                                 "and REL_DATE < :P_CONTRACT_MONTH"),
                  {{kCustomer, id}, {QStringLiteral("P_CONTRACT_MONTH"), month}});

    QList<QPair<qint64, int>> subscriptions;
    {
        QSqlQuery q = c.OpenQuery(QStringLiteral("select CUSTOMER_ID, SUBSCR_SERV_ID, STATE_SGN from ZOLT.SUBSCR_SERV "
                                                 "where CUSTOMER_ID >= :P_LO and CUSTOMER_ID <= :P_HI"),
                                  range);
        while (q.next()) {
            const auto it = derived.constFind(qint64(q.value(0).toDouble()));
            if (it == derived.constEnd())
                continue;
            const int state = subscriptionState(*it, q.value(1));
            if (isNullValue(q.value(2)) || int(q.value(2).toDouble()) != state)
                subscriptions.append({qint64(q.value(1).toDouble()), state});
        }
    }
    ExecuteInBatches(
        c, subscriptions.size(),
        [&](qsizetype n) {
            return QStringLiteral("update ZOLT.SUBSCR_SERV set STATE_SGN = V.column2 from (values ")
                   + ValuesRows(c, {TValueKind::Number, TValueKind::Number}, n)
                   + QStringLiteral(") V where SUBSCR_SERV.SUBSCR_SERV_ID = V.column1");
        },
        [&](TParams &params, qsizetype i) {
            params.CreateParam(ftUnknown, QString()).SetValue(subscriptions.at(i).first);
            params.CreateParam(ftUnknown, QString()).SetValue(subscriptions.at(i).second);
        });
}

// ---- Tariff checks ----

namespace {

struct ProposedTarif
{
    QVariant servId;
    QDate dateFrom;
};

QList<ProposedTarif> incompleteHistories(TADOConnection &connection)
{
    QList<ProposedTarif> result;
    QSqlQuery q = connection.OpenQuery(QStringLiteral("select SERV_ID, max(DATE_TO) as MAX_TO from ZOLT.TARIF "
                                                      "group by SERV_ID having max(DATE_TO) < :P_OPEN_END "
                                                      "order by SERV_ID"),
                                       {{QStringLiteral("P_OPEN_END"), TDMR::OpenEndDate()}});
    while (q.next())
        result.append({q.value(0), ColumnDateTime(q.value(1)).date().addDays(1)});
    return result;
}

void insertTarif(TADOConnection &connection, const QVariant &id, const QVariant &servId, const QDate &dateFrom,
                 double sum)
{
    connection.Execute(QStringLiteral("insert into ZOLT.TARIF (SERV_ID, DATE_FROM, DATE_TO, TARIF_ID, TARIF_SUM) "
                                      "values (:P_SERV_ID, :P_DATE_FROM, :P_DATE_TO, :P_TARIF_ID, :P_TARIF_SUM)"),
                       {{QStringLiteral("P_SERV_ID"), servId},
                        {QStringLiteral("P_DATE_FROM"), dateFrom},
                        {QStringLiteral("P_DATE_TO"), TDMR::OpenEndDate()},
                        {QStringLiteral("P_TARIF_ID"), id},
                        {QStringLiteral("P_TARIF_SUM"), sum}});
}

} // namespace

bool TDMR::HasInvalidTarifs()
{
    if (!m_connection->Connected())
        return false;
    return !incompleteHistories(*m_connection).isEmpty();
}

void TDMR::AutoCorrectTarifs()
{
    if (!m_connection->Connected())
        return;
    // The hourglass and the hint go away on every path; a failure is shown to the user, who asked for the check.
    TScreenCursorScope wait(crHourGlass);
    struct HintScope
    {
        ~HintScope() { SetApplicationHint(QString()); }
    } hintScope;
    SetApplicationHint(QStringLiteral("Проверка тарифов"));
    try {
        const QList<ProposedTarif> proposed = incompleteHistories(*m_connection);
        // Keys as the proposals number them: the greatest key + 1, plus the proposal's place (1, 2, ...).
        const QVariant maxId = selectValue(QStringLiteral("select max(TARIF_ID) from ZOLT.TARIF"));
        const qint64 base = (isNullValue(maxId) ? 0 : qint64(maxId.toDouble())) + 1;
        for (int i = 0; i < proposed.size(); ++i) {
            insertTarif(*m_connection, base + i + 1, proposed[i].servId, proposed[i].dateFrom, 0);
            CommitWork();
        }
    } catch (const std::exception &e) {
        const QString message = exceptionMessage(e);
        platformLog(LogKind::Error, message);
        Services::messages()->error(message);
    }
}

bool TDMR::FixTarifDates()
{
    if (!m_connection->Connected())
        return false;
    try {
        QList<QPair<QVariant, QDate>> fixes;
        {
            QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select TARIF_ID, DATE_FROM from ZOLT.TARIF"));
            while (q.next()) {
                const QDateTime from = ColumnDateTime(q.value(1));
                if (from.isValid() && from.time() != QTime(0, 0))
                    fixes.append({q.value(0), from.date()});
            }
        }
        for (const auto &[id, day] : fixes)
            m_connection->Execute(QStringLiteral("update ZOLT.TARIF set DATE_FROM = :P_DATE_FROM where TARIF_ID = :P_TARIF_ID"),
                                  {{QStringLiteral("P_DATE_FROM"), day}, {QStringLiteral("P_TARIF_ID"), id}});
        CommitWork();
        return true;
    } catch (const Exception &e) {
        platformLog(LogKind::Debug, e.message());
        return false;
    }
}

bool TDMR::AddTarif(const QVariant &servId, const QVariant &previousTarifId, const QDate &dateFrom, double sum,
                    int &tarifId)
{
    if (!dateFrom.isValid())
        return false;
    int id = 0;
    if (!runOwnTransaction([&] {
            if (!isNullValue(previousTarifId))
                m_connection->Execute(
                    QStringLiteral("update ZOLT.TARIF set DATE_TO = :P_DATE_TO where TARIF_ID = :P_TARIF_ID"),
                    {{QStringLiteral("P_DATE_TO"), dateFrom.addDays(-1)},
                     {QStringLiteral("P_TARIF_ID"), previousTarifId}});
            id = nextId(QStringLiteral("TARIF_ID"), QStringLiteral("ZOLT.TARIF"));
            insertTarif(*m_connection, id, servId, dateFrom, sum);
        }))
        return false;
    tarifId = id;
    return true;
}
