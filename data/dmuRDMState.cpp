#include "dmuRDM.h"

#include "DatabaseError.h"
#include "LogSink.h"
#include "SqliteFunctions.h"

#include <QCoreApplication>

namespace {

const QString kCustomer = QStringLiteral("P_CUSTOMER_ID");

// A date as either engine answers it (text on SQLite) or as a caller passes it; invalid for null.
QDateTime dateTimeOf(const QVariant &v)
{
    if (isNullValue(v))
        return {};
    if (v.metaType().id() == QMetaType::QString)
        return parseSqliteDate(v.toString());
    if (v.metaType().id() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}

// The zero date stands for "none" when dates are compared.
QDateTime orZeroDate(const QDateTime &d)
{
    return d.isValid() ? d : QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

bool isOpenEnd(const QVariant &dateTo)
{
    return dateTimeOf(dateTo).date() == TDMR::OpenEndDate();
}

QString dateText(const QVariant &v)
{
    return dateTimeOf(v).date().toString(QStringLiteral("dd.MM.yyyy"));
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

struct StateRow
{
    int state = 0;
    QString text;
    QString code;
};

} // namespace

// ---- Customer state ----

void TDMR::UpdateCustState(const QVariant &customerId, const QVariant &storedState, const QVariant &storedStateDescr,
                           const QVariant &storedCustProp, const QVariant &storedActivizDate)
{
    if (!m_connection->Connected())
        return;
    const TParams idParam{{kCustomer, customerId}};

    // For each service, its latest period(s); a customer without periods gives one row of missing values.
    QList<StateRow> rows;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral(
                "select H.SUBSCR_HIST_ID, H.DATE_FROM, H.DATE_TO, H.DISACT_SERV_ID, A.SERVTYPE_ID, A.SERV_DESCR, "
                "A.SERV_CODE, D.SERV_DESCR, D.SERV_CODE "
                "from ZOLT.CUSTOMER C left join ZOLT.SUBSCR_HIST H on H.CUSTOMER_ID = C.CUSTOMER_ID "
                "and H.DATE_TO = (select max(H2.DATE_TO) from ZOLT.SUBSCR_HIST H2 "
                "where H2.CUSTOMER_ID = H.CUSTOMER_ID and H2.SERV_ID = H.SERV_ID) "
                "left join ZOLT.SERV A on A.SERV_ID = H.ACT_SERV_ID "
                "left join ZOLT.SERV D on D.SERV_ID = H.DISACT_SERV_ID "
                "where C.CUSTOMER_ID = :P_CUSTOMER_ID"),
            idParam);
        while (q.next()) {
            StateRow row;
            if (isNullValue(q.value(0))) {
                row.state = 0;
                row.text = QStringLiteral("Не подключался");
                row.code = QStringLiteral("Нп");
            } else if (isOpenEnd(q.value(2))) {
                row.state = 1;
                row.text = (!isNullValue(q.value(4)) && q.value(4).toInt() == 2)
                               ? QStringLiteral("Подключен")
                               : q.value(5).toString() + QLatin1Char(' ') + dateText(q.value(1));
                row.code = q.value(6).toString();
            } else {
                row.state = isNullValue(q.value(3)) ? 0 : int(q.value(3).toDouble());
                row.text = q.value(7).toString() + QLatin1Char(' ') + dateText(q.value(2));
                row.code = q.value(8).toString();
            }
            rows.append(row);
        }
    }
    if (rows.isEmpty())
        return; // no such customer

    const QString newState = QString::number(rows.first().state);
    // The column holds 60 characters; a long service name must not make the whole update fail.
    const QString newDescr = rows.first().text.left(60);
    QString codes;
    for (const StateRow &row : rows)
        codes += QLatin1Char(' ') + row.code;
    codes = codes.trimmed().left(20).trimmed();

    const bool differs = !sameValue(storedState, newState) || isNullValue(storedStateDescr)
                         || storedStateDescr.toString() != newDescr || isNullValue(storedCustProp)
                         || storedCustProp.toString() != codes;

    auto updateCustomer = [&] {
        m_connection->Execute(
            QStringLiteral("update ZOLT.CUSTOMER set CUST_STATE = :P_CUST_STATE, CUST_STATE_DESCR = :P_CUST_STATE_DESCR, "
                           "CUST_PROP = :P_CUST_PROP, ACTIVIZ_DATE = (select min(DATE_FROM) from ZOLT.SUBSCR_HIST "
                           "where CUSTOMER_ID = :P_CUSTOMER_ID) where CUSTOMER_ID = :P_CUSTOMER_ID"),
            {{QStringLiteral("P_CUST_STATE"), rows.first().state},
             {QStringLiteral("P_CUST_STATE_DESCR"), newDescr},
             {QStringLiteral("P_CUST_PROP"), codes},
             {kCustomer, customerId}});
    };

    if (differs) {
        updateCustomer();
    } else {
        const QDateTime minDate = orZeroDate(dateTimeOf(
            selectValue(QStringLiteral("select min(DATE_FROM) as MIN_DATE from ZOLT.SUBSCR_HIST where CUSTOMER_ID = "
                                       ":P_CUSTOMER_ID"),
                        idParam)));
        if (minDate != orZeroDate(dateTimeOf(storedActivizDate))) {
            updateCustomer();
            // Balance rows before the contract month mean nothing; only this customer's are removed.
            const QDateTime contract = dateTimeOf(selectValue(
                QStringLiteral("select CONTRACT_DATE from ZOLT.CUSTOMER where CUSTOMER_ID = :P_CUSTOMER_ID"), idParam));
            if (contract.isValid()) {
                const QDate contractMonth(contract.date().year(), contract.date().month(), 1);
                runLogged(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID "
                                         "and REL_DATE < :P_CONTRACT_MONTH"),
                          {{kCustomer, customerId}, {QStringLiteral("P_CONTRACT_MONTH"), contractMonth}});
            }
        }
    }

    if (!codes.isEmpty())
        runLogged(QStringLiteral("update ZOLT.CUSTOMER set CUST_PROP_DESCR = (select CUST_PROP_DESCR from "
                                 "ZOLT.CUST_PROP where trim(CUST_PROP_ID) = :P_CUST_PROP LIMIT 1) "
                                 "where CUSTOMER_ID = :P_CUSTOMER_ID"),
                  {{QStringLiteral("P_CUST_PROP"), codes}, {kCustomer, customerId}});

    QList<QPair<QVariant, int>> subscriptionStates;
    {
        QSqlQuery q = m_connection->OpenQuery(
            QStringLiteral("select S.SUBSCR_SERV_ID, S.STATE_SGN, (select max(H.DATE_TO) from ZOLT.SUBSCR_HIST H "
                           "where H.CUSTOMER_ID = S.CUSTOMER_ID and H.SUBSCR_SERV_ID = S.SUBSCR_SERV_ID) as MAX_TO "
                           "from ZOLT.SUBSCR_SERV S where S.CUSTOMER_ID = :P_CUSTOMER_ID"),
            idParam);
        while (q.next()) {
            const int state = isOpenEnd(q.value(2)) ? 1 : 0;
            if (isNullValue(q.value(1)) || int(q.value(1).toDouble()) != state)
                subscriptionStates.append({q.value(0), state});
        }
    }
    for (const auto &[id, state] : subscriptionStates)
        runLogged(QStringLiteral("update ZOLT.SUBSCR_SERV set STATE_SGN = :P_STATE_SGN "
                                 "where SUBSCR_SERV_ID = :P_SUBSCR_SERV_ID"),
                  {{QStringLiteral("P_STATE_SGN"), state}, {QStringLiteral("P_SUBSCR_SERV_ID"), id}});

    QCoreApplication::processEvents();
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
        result.append({q.value(0), dateTimeOf(q.value(1)).date().addDays(1)});
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
    const QList<ProposedTarif> proposed = incompleteHistories(*m_connection);
    // Keys as the proposals number them: the greatest key + 1, plus the proposal's place (1, 2, ...).
    const QVariant maxId = selectValue(QStringLiteral("select max(TARIF_ID) from ZOLT.TARIF"));
    const qint64 base = (isNullValue(maxId) ? 0 : qint64(maxId.toDouble())) + 1;
    for (int i = 0; i < proposed.size(); ++i) {
        insertTarif(*m_connection, base + i + 1, proposed[i].servId, proposed[i].dateFrom, 0);
        CommitWork();
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
                const QDateTime from = dateTimeOf(q.value(1));
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
