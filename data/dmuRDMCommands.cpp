#include "dmuRDM.h"

#include "DatabaseError.h"
#include "LogSink.h"
#include "WindowMessages.h"

#include <QCoreApplication>

namespace {

const QString kCustomer = QStringLiteral("P_CUSTOMER_ID");

QString trimmedText(const QVariant &v)
{
    return isNullValue(v) ? QString() : v.toString().trimmed();
}

// Ids read from the database arrive as numbers; their text is the integer.
QString idText(const QVariant &v)
{
    return QString::number(qint64(v.toDouble()));
}

} // namespace

int TDMR::nextId(const QString &keyField, const QString &table)
{
    return int(GetNextNo(keyField, table));
}

void TDMR::rollbackQuietly()
{
    if (!m_connection->InTransaction())
        return;
    try {
        m_connection->RollbackTrans();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
    }
}

// Earlier work is committed first, so that a refused command rolls back its own rows and nothing else.
bool TDMR::runOwnTransaction(const std::function<void()> &work)
{
    m_lastCommandError.clear();
    if (!m_connection->Connected() || !CommitWork())
        return false;
    try {
        m_connection->BeginTrans();
        work();
        if (CommitWork())
            return true;
    } catch (const Exception &e) {
        m_lastCommandError = e.message();
        platformLog(LogKind::Error, e.message());
    }
    rollbackQuietly();
    return false;
}

bool TDMR::runLogged(const QString &text, const TParams &params)
{
    try {
        m_connection->Execute(text, params);
        return true;
    } catch (const Exception &e) {
        rollbackQuietly();
        platformLog(LogKind::Error, e.message() + QLatin1Char('\r') + text);
        return false;
    }
}

// ---- Payments ----

int TDMR::insertPayDoc(int paySourceId, const QString &docNo, const QString &notice, double sum, const QDate &date)
{
    const int id = nextId(QStringLiteral("PAY_DOC_ID"), QStringLiteral("ZOLT.PAY_DOC"));
    m_connection->Execute(
        QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM, "
                       "NOTICE) values (:P_PAY_DOC_ID, :P_PAYSOURCE_ID, :P_PAY_DOC_NO, :P_PAY_DOC_DATE, "
                       ":P_PAY_DOC_SUM, :P_NOTICE)"),
        {{QStringLiteral("P_PAY_DOC_ID"), id},
         {QStringLiteral("P_PAYSOURCE_ID"), paySourceId},
         {QStringLiteral("P_PAY_DOC_NO"), docNo},
         {QStringLiteral("P_PAY_DOC_DATE"), date},
         {QStringLiteral("P_PAY_DOC_SUM"), sum},
         {QStringLiteral("P_NOTICE"), notice}});
    return id;
}

int TDMR::insertPayment(int docId, int customerId, const QString &notice, double sum, const QDate &date, int servId)
{
    const int id = nextId(QStringLiteral("PAYMENT_ID"), QStringLiteral("ZOLT.PAYMENT"));
    LastPaymentSum = sum;
    m_connection->Execute(
        QStringLiteral("insert into ZOLT.PAYMENT (PAY_DOC_ID, CUSTOMER_ID, PAYMENT_ID, SERV_ID, PAY_DATE, PAY_SUM, "
                       "NOTICE) values (:P_PAY_DOC_ID, :P_CUSTOMER_ID, :P_PAYMENT_ID, :P_SERV_ID, :P_PAY_DATE, "
                       ":P_PAY_SUM, :P_NOTICE)"),
        {{QStringLiteral("P_PAY_DOC_ID"), docId},
         {kCustomer, customerId},
         {QStringLiteral("P_PAYMENT_ID"), id},
         {QStringLiteral("P_SERV_ID"), servId},
         {QStringLiteral("P_PAY_DATE"), date},
         {QStringLiteral("P_PAY_SUM"), sum},
         {QStringLiteral("P_NOTICE"), notice}});
    return id;
}

bool TDMR::newPayDoc(int paySourceId, const QString &docNo, int &docId, const QString &notice, double sum,
                     const QDate &date)
{
    if (!m_connection->Connected())
        return false;
    try {
        const int id = insertPayDoc(paySourceId, docNo, notice, sum, date);
        if (!CommitWork())
            return false;
        docId = id;
        return true;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::newCustomerPayment(int docId, int customerId, int &paymentId, const QString &notice, double sum,
                              const QDate &date, int servId)
{
    if (!m_connection->Connected())
        return false;
    try {
        const int id = insertPayment(docId, customerId, notice, sum, date, servId);
        if (!CommitWork())
            return false;
        paymentId = id;
        return true;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::newSingleCustomerPayment(int customerId, int paySourceId, int &paymentId, const QString &notice, double sum,
    const QDate &date, const QString &docNo, int servId, const QDate &accDate)
{
    int id = 0;
    if (!runOwnTransaction([&] {
            const int docId = insertPayDoc(paySourceId, docNo, notice, sum, date);
            id = insertPayment(docId, customerId, notice, sum, date, servId);
            if (accDate.isValid())
                QueueInvalidCustDebt(customerId, date, accDate);
        }))
        return false;
    paymentId = id;
    return true;
}

// ---- Subscriptions ----

bool TDMR::ActivateSubscr(bool newSubscr, const QVariant &customerId, bool withCardAndContract, int smartCardId,
                          const QVariant &servId, const QVariant &actServId, const QDate &contractEnd,
                          const QDate &startDate)
{
    return runOwnTransaction([&] {
        QVariant subscrServId;
        if (newSubscr) {
            subscrServId = nextId(QStringLiteral("SUBSCR_SERV_ID"), QStringLiteral("ZOLT.SUBSCR_SERV"));
            m_connection->Execute(
                QStringLiteral("insert into ZOLT.SUBSCR_SERV (CUSTOMER_ID, SERV_ID, SUBSCR_SERV_ID, STATE_SGN) "
                               "values (:P_CUSTOMER_ID, :P_SERV_ID, :P_SUBSCR_SERV_ID, 1)"),
                {{kCustomer, customerId},
                 {QStringLiteral("P_SERV_ID"), servId},
                 {QStringLiteral("P_SUBSCR_SERV_ID"), subscrServId}});
        } else {
            subscrServId = FindSubscrServId(customerId, servId);
            // A reconnection needs the subscription it continues; a period pointing nowhere is refused.
            if (isNullValue(subscrServId))
                throw EDatabaseError(QStringLiteral("The customer %1 has no subscription of the service %2")
                                         .arg(customerId.toString(), servId.toString()));
        }
        const int histId = nextId(QStringLiteral("SUBSCR_HIST_ID"), QStringLiteral("ZOLT.SUBSCR_HIST"));
        m_connection->Execute(
            QStringLiteral("insert into ZOLT.SUBSCR_HIST (CUSTOMER_ID, DATE_FROM, DATE_TO, SERV_ID, SUBSCR_SERV_ID, "
                           "SUBSCR_HIST_ID, ACT_SERV_ID, DISACT_SERV_ID, CONTRACT_TILL, SMARTCARD_ID) values "
                           "(:P_CUSTOMER_ID, :P_DATE_FROM, :P_DATE_TO, :P_SERV_ID, :P_SUBSCR_SERV_ID, :P_SUBSCR_HIST_ID, "
                           ":P_ACT_SERV_ID, -1, :P_CONTRACT_TILL, :P_SMARTCARD_ID)"),
            {{kCustomer, customerId},
             {QStringLiteral("P_DATE_FROM"), startDate},
             {QStringLiteral("P_DATE_TO"), OpenEndDate()},
             {QStringLiteral("P_SERV_ID"), servId},
             {QStringLiteral("P_SUBSCR_SERV_ID"), subscrServId},
             {QStringLiteral("P_SUBSCR_HIST_ID"), histId},
             {QStringLiteral("P_ACT_SERV_ID"), actServId},
             {QStringLiteral("P_CONTRACT_TILL"), withCardAndContract ? contractEnd : OpenEndDate()},
             {QStringLiteral("P_SMARTCARD_ID"), withCardAndContract ? QVariant(smartCardId) : QVariant()}});
    });
}

QVariant TDMR::FindSubscrServId(const QVariant &customerId, const QVariant &servId)
{
    if (!m_connection->Connected())
        return QStringLiteral("0");
    try {
        return selectValue(QStringLiteral("select SUBSCR_SERV_ID from ZOLT.SUBSCR_SERV where CUSTOMER_ID = :P_CUSTOMER_ID "
                                          "and SERV_ID = :P_SERV_ID order by SUBSCR_SERV_ID"),
                           {{kCustomer, customerId}, {QStringLiteral("P_SERV_ID"), servId}});
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return QVariant();
    }
}

void TDMR::DeleteCustSubscr(const QVariant &customerId)
{
    m_connection->Execute(QStringLiteral("delete from ZOLT.SUBSCR_HIST where CUSTOMER_ID = :P_CUSTOMER_ID"),
                          {{kCustomer, customerId}});
    m_connection->Execute(QStringLiteral("delete from ZOLT.SUBSCR_SERV where CUSTOMER_ID = :P_CUSTOMER_ID"),
                          {{kCustomer, customerId}});
}

void TDMR::delCustPayAccount(const QVariant &customerId)
{
    m_connection->Execute(QStringLiteral("delete from ZOLT.PAY_ACCOUNT where CUSTOMER_ID = :P_CUSTOMER_ID"),
                          {{kCustomer, customerId}});
}

bool TDMR::DeleteCustomer(const QVariant &customerId)
{
    // The customer's own row goes last: its refusal must not leave a customer without the balance it had.
    return runOwnTransaction([&] {
        for (const char *table : {"PAY_ACCOUNT", "TMP_CUST_BALANCE", "CUSTOMER"})
            m_connection->Execute(QStringLiteral("delete from ZOLT.") + QLatin1String(table)
                                      + QStringLiteral(" where CUSTOMER_ID = :P_CUSTOMER_ID"),
                                  {{kCustomer, customerId}});
    });
}

bool TDMR::DeleteSubscrServ(const QVariant &subscrServId)
{
    return runOwnTransaction([&] {
        const TParams params{{QStringLiteral("P_SUBSCR_SERV_ID"), subscrServId}};
        m_connection->Execute(QStringLiteral("delete from ZOLT.SUBSCR_HIST where SUBSCR_SERV_ID = :P_SUBSCR_SERV_ID"),
                              params);
        m_connection->Execute(QStringLiteral("delete from ZOLT.SUBSCR_SERV where SUBSCR_SERV_ID = :P_SUBSCR_SERV_ID"),
                              params);
    });
}

void TDMR::cmdInsCustLetter(const QVariant &customerId, const QVariant &custLetterId, int letterTypeId,
                            const QDate &letterDate)
{
    m_connection->Execute(QStringLiteral("insert into ZOLT.CUSTLETTER (CUSTOMER_ID, CUSTLETTERID, LETTERTYPEID, "
                                         "CUSTLETTERDATE) values (:P_CUSTOMER_ID, :P_CUSTLETTERID, :P_LETTERTYPEID, "
                                         ":P_CUSTLETTERDATE)"),
                          {{kCustomer, customerId},
                           {QStringLiteral("P_CUSTLETTERID"), custLetterId},
                           {QStringLiteral("P_LETTERTYPEID"), letterTypeId},
                           {QStringLiteral("P_CUSTLETTERDATE"), letterDate}});
}

// ---- Smart cards ----

bool TDMR::SmartCardExists(const QString &cardNo)
{
    if (!m_connection->Connected())
        return false;
    try {
        const QVariant n = selectValue(QStringLiteral("select count(*) as QREC from ZOLT.SMARTCARD where SMARTCARD_NO = "
                                                      ":P_SMARTCARD_NO group by SMARTCARD_ID"),
                                       {{QStringLiteral("P_SMARTCARD_NO"), cardNo}});
        return !isNullValue(n) && n.toDouble() > 0;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::AddSmartCard(const QString &firstNo, int count)
{
    if (!m_connection->Connected())
        return false;
    bool ok = false;
    const qlonglong first = firstNo.trimmed().toLongLong(&ok);
    if (!ok)
        return false;
    // A batch of cards is added whole or not at all.
    return runOwnTransaction([&] {
        for (int i = 0; i < count; ++i) {
            const QString number = QString::number(first + i);
            if (SmartCardExists(number))
                continue;
            const int id = nextId(QStringLiteral("SMARTCARD_ID"), QStringLiteral("ZOLT.SMARTCARD"));
            m_connection->Execute(QStringLiteral("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) "
                                                 "values (:P_SMARTCARD_ID, :P_SMARTCARD_NO, 0)"),
                                  {{QStringLiteral("P_SMARTCARD_ID"), id}, {QStringLiteral("P_SMARTCARD_NO"), number}});
        }
    });
}

void TDMR::SetCustMainSmartCard(const QVariant &customerId, const QVariant &cardId)
{
    if (!m_connection->Connected())
        return;
    try {
        const TParams params{{kCustomer, customerId}, {QStringLiteral("P_SMARTCARD_ID"), cardId}};
        const QVariant n = selectValue(QStringLiteral("select count(*) as QREC from ZOLT.CUSTOMER_SMARTCARDS where "
                                                      "CUSTOMER_ID = :P_CUSTOMER_ID and SMARTCARD_ID = :P_SMARTCARD_ID"),
                                       params);
        CommitWork();
        if (!isNullValue(n) && n.toDouble() >= 1)
            return;
        // The link and the demotion of the customer's other cards go together.
        StartTransactionIfNone();
        m_connection->Execute(QStringLiteral("insert into ZOLT.CUSTOMER_SMARTCARDS (CUSTOMER_ID, SMARTCARD_ID, IS_MAIN) "
                                             "values (:P_CUSTOMER_ID, :P_SMARTCARD_ID, 1)"),
                              params);
        m_connection->Execute(QStringLiteral("update ZOLT.CUSTOMER_SMARTCARDS set IS_MAIN = 0 where CUSTOMER_ID = "
                                             ":P_CUSTOMER_ID and SMARTCARD_ID <> :P_SMARTCARD_ID"),
                              params);
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        rollbackQuietly();
    }
}

// ---- Service tickets ----

bool TDMR::newCustomerTicket(int customerId, int teamId, int &ticketId, const QString &planTimeEnd,
                             const QString &planTimeStart, const QString &notice, const QDate &planDate,
                             const QDate &ticketDate, int statusId)
{
    if (!m_connection->Connected())
        return false;
    try {
        ticketId = nextId(QStringLiteral("TICKET_ID"), QStringLiteral("ZOLT.TICKET"));
        m_connection->Execute(
            QStringLiteral("insert into ZOLT.TICKET (TICKET_ID, TICKET_NO, CUSTOMER_ID, TEAM_ID, TICKET_STATUS_ID, "
                           "TICKET_CAUSE_ID, TICKET_DATE, PLAN_DATE, PLAN_TIME_START, PLAN_TIME_END, NOTICE) values "
                           "(:P_TICKET_ID, :P_TICKET_ID, :P_CUSTOMER_ID, :P_TEAM_ID, :P_TICKET_STATUS_ID, 1, "
                           ":P_TICKET_DATE, :P_PLAN_DATE, :P_PLAN_TIME_START, :P_PLAN_TIME_END, :P_NOTICE)"),
            {{QStringLiteral("P_TICKET_ID"), ticketId},
             {kCustomer, customerId},
             {QStringLiteral("P_TEAM_ID"), teamId},
             {QStringLiteral("P_TICKET_STATUS_ID"), statusId},
             {QStringLiteral("P_TICKET_DATE"), ticketDate},
             {QStringLiteral("P_PLAN_DATE"), planDate},
             {QStringLiteral("P_PLAN_TIME_START"), planTimeStart},
             {QStringLiteral("P_PLAN_TIME_END"), planTimeEnd},
             {QStringLiteral("P_NOTICE"), notice}});
        return CommitWork();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::updateTicket(int ticketId, const QString &notice, int teamId, int statusId, const QString &planTimeEnd,
                        const QString &planTimeStart, const QDate &planDate, const QDate &ticketDate)
{
    if (!m_connection->Connected())
        return false;
    try {
        m_connection->Execute(
            QStringLiteral("update ZOLT.TICKET set TICKET_DATE = :P_TICKET_DATE, PLAN_DATE = :P_PLAN_DATE, "
                           "PLAN_TIME_START = :P_PLAN_TIME_START, PLAN_TIME_END = :P_PLAN_TIME_END, NOTICE = :P_NOTICE, "
                           "TICKET_STATUS_ID = :P_TICKET_STATUS_ID, TEAM_ID = :P_TEAM_ID where TICKET_ID = :P_TICKET_ID"),
            {{QStringLiteral("P_TICKET_DATE"), ticketDate},
             {QStringLiteral("P_PLAN_DATE"), planDate},
             {QStringLiteral("P_PLAN_TIME_START"), planTimeStart},
             {QStringLiteral("P_PLAN_TIME_END"), planTimeEnd},
             {QStringLiteral("P_NOTICE"), notice},
             {QStringLiteral("P_TICKET_STATUS_ID"), statusId},
             {QStringLiteral("P_TEAM_ID"), teamId},
             {QStringLiteral("P_TICKET_ID"), ticketId}});
        return CommitWork();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::TeamExists(int teamId)
{
    if (!m_connection->Connected())
        return false;
    try {
        const QVariant n = selectValue(QStringLiteral("select count(*) as QREC from ZOLT.TEAM where TEAM_ID = :P_TEAM_ID"),
                                       {{QStringLiteral("P_TEAM_ID"), teamId}});
        return !isNullValue(n) && n.toDouble() > 0;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

// ---- Customer code ----

QString TDMR::GetCustCode(const QVariant &houseId, const QString &flatNo)
{
    if (!m_connection->Connected())
        return QStringLiteral("0");
    try {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select S.STREET_CODE, H.HOUSE_NO from ZOLT.HOUSE H "
                                                             "left join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
                                                             "where H.HOUSE_ID = :P_HOUSE_ID"),
                                              {{QStringLiteral("P_HOUSE_ID"), houseId}});
        if (!q.next())
            return QStringLiteral("0");
        return trimmedText(q.value(0)) + QLatin1Char('.') + trimmedText(q.value(1)) + QLatin1Char('.')
               + flatNo.trimmed();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return QStringLiteral("0");
    }
}

void TDMR::RebuildStreetCustCodes(const QVariant &streetId)
{
    if (!m_connection->Connected())
        return;
    sendToMainWindow(AMShowAnimate);
    try {
        QList<QPair<QVariant, QString>> changes;
        {
            QSqlQuery q = m_connection->OpenQuery(
                QStringLiteral("select C.CUSTOMER_ID, C.CUST_CODE, S.STREET_CODE, H.HOUSE_NO, C.FLAT_NO "
                               "from ZOLT.CUSTOMER C join ZOLT.HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
                               "join ZOLT.STREET S on S.STREET_ID = H.STREET_ID where H.STREET_ID = :P_STREET_ID"),
                {{QStringLiteral("P_STREET_ID"), streetId}});
            while (q.next()) {
                const QString code = q.value(2).toString() + QLatin1Char('.') + q.value(3).toString()
                                     + QLatin1Char('.') + q.value(4).toString() + QLatin1Char('.');
                if (isNullValue(q.value(1)) || q.value(1).toString() != code)
                    changes.append({q.value(0), code});
            }
        }
        for (const auto &[id, code] : changes)
            m_connection->Execute(QStringLiteral("update ZOLT.CUSTOMER set CUST_CODE = :P_CUST_CODE "
                                                 "where CUSTOMER_ID = :P_CUSTOMER_ID"),
                                  {{QStringLiteral("P_CUST_CODE"), code}, {kCustomer, id}});
        CommitWork();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        rollbackQuietly();
    }
    sendToMainWindow(AMHideAnimate);
}

// ---- Lookups ----

int TDMR::GetFirstCustCodeWithDebt()
{
    if (!m_connection->Connected())
        return 0;
    try {
        const QVariant v = selectValue(QStringLiteral("select coalesce(min(CUSTOMER_ID), 0) as CUSTOMER_ID "
                                                      "from ZOLT.CUSTOMER where DEBT_SUM > 0"));
        return isNullValue(v) ? 0 : int(v.toDouble());
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return 0;
    }
}

double TDMR::GetFirstSubscrPaySum(const QDate &date)
{
    if (!m_connection->Connected())
        return 0;
    try {
        const QVariant v = selectValue(
            QStringLiteral("select max(T.TARIF_SUM) from ZOLT.TARIF T where T.DATE_FROM <= :P_DATE and T.DATE_TO >= :P_DATE "
                           "and T.SERV_ID = (select min(T2.SERV_ID) from ZOLT.TARIF T2 "
                           "where T2.DATE_FROM <= :P_DATE and T2.DATE_TO >= :P_DATE)"),
            {{QStringLiteral("P_DATE"), date}});
        return isNullValue(v) ? 0 : v.toDouble();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return 0;
    }
}

namespace {

QString houseIdList(TADOConnection &connection, const QString &condition, const TParams &params)
{
    QString list = QStringLiteral("0");
    QSqlQuery q = connection.OpenQuery(QStringLiteral("select HOUSE_ID from ZOLT.HOUSE where ") + condition, params);
    while (q.next())
        if (!isNullValue(q.value(0)))
            list += QLatin1Char(',') + idText(q.value(0));
    return list;
}

} // namespace

QString TDMR::GetStreetHouseIds(const QVariant &streetId)
{
    if (!m_connection->Connected())
        return QStringLiteral("0");
    try {
        return houseIdList(*m_connection, QStringLiteral("STREET_ID = :P_STREET_ID"),
                           {{QStringLiteral("P_STREET_ID"), streetId}});
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return QStringLiteral("0");
    }
}

QString TDMR::GetHouseIdsByNo(const QString &houseNo)
{
    if (!m_connection->Connected())
        return QStringLiteral("0");
    try {
        return houseIdList(*m_connection, QStringLiteral("HOUSE_NO = :P_HOUSE_NO"),
                           {{QStringLiteral("P_HOUSE_NO"), houseNo}});
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return QStringLiteral("0");
    }
}

QString TDMR::GetHouseId(const QVariant &streetId, const QString &houseNo)
{
    if (!m_connection->Connected())
        return QStringLiteral("0");
    try {
        const QVariant v = selectValue(QStringLiteral("select HOUSE_ID from ZOLT.HOUSE where STREET_ID = :P_STREET_ID "
                                                      "and HOUSE_NO = :P_HOUSE_NO"),
                                       {{QStringLiteral("P_STREET_ID"), streetId}, {QStringLiteral("P_HOUSE_NO"), houseNo}});
        return isNullValue(v) ? QStringLiteral("0") : idText(v);
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return QStringLiteral("0");
    }
}

int TDMR::GetClientInfo(const QString &accountNo, QString &info)
{
    int id = -1;
    if (!m_connection->Connected())
        return id;
    try {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select CUSTOMER_ID, SURNAME, INITIALS from ZOLT.CUSTOMER "
                                                             "where ACCOUNT_NO = :P_ACCOUNT_NO order by CUSTOMER_ID"),
                                              {{QStringLiteral("P_ACCOUNT_NO"), accountNo}});
        while (q.next()) {
            id = int(q.value(0).toDouble());
            info = q.value(1).toString() + QLatin1Char(' ') + q.value(2).toString();
        }
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        id = -1;
    }
    return id;
}

QString TDMR::GetServDescr(const QVariant &servId)
{
    if (!m_connection->Connected())
        return {};
    try {
        const QVariant v = selectValue(QStringLiteral("select SERV_DESCR from ZOLT.SERV where SERV_ID = :P_SERV_ID"),
                                       {{QStringLiteral("P_SERV_ID"), servId}});
        return isNullValue(v) ? QString() : v.toString();
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return {};
    }
}

bool TDMR::MoreThenOneServ()
{
    if (!m_connection->Connected())
        return false;
    try {
        const QVariant n = selectValue(QStringLiteral("select count(*) as QREC from ZOLT.SERV "
                                                      "where CHILDSERV_ID is null and SERV_ID <> -1"));
        return !isNullValue(n) && n.toDouble() > 1;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}

bool TDMR::GetCust_PropList(QStringList &list)
{
    list.clear();
    if (!m_connection->Connected())
        return false;
    try {
        QSqlQuery q = m_connection->OpenQuery(QStringLiteral("select distinct trim(CUST_PROP) as CUST_PROP from "
                                                             "ZOLT.CUSTOMER union select CUST_PROP_ID as CUST_PROP "
                                                             "from ZOLT.CUST_PROP"));
        while (q.next())
            list << q.value(0).toString();
        return true;
    } catch (const Exception &e) {
        platformLog(LogKind::Error, e.message());
        return false;
    }
}
