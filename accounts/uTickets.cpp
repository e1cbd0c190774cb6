#include "uTickets.h"

#include "Services.h"

#include <QRegularExpression>
#include <QStringList>

TNewTicketDefaults NewTicketDefaults(const QVariant &workDate)
{
    const QDateTime when = workDate.isValid() && !workDate.isNull() && workDate.toDateTime().isValid()
        ? workDate.toDateTime()
        : Services::clock()->now();
    TNewTicketDefaults d;
    d.ticketDate = when.date();
    d.planDate = d.ticketDate.addDays(1);
    return d;
}

QString PlanTimeError(const QString &caption, const QString &time)
{
    static const QRegularExpression complete(QStringLiteral("^\\d{1,2}:\\d{2}$"));
    static const QRegularExpression digit(QStringLiteral("\\d"));
    const QString shown = time.trimmed();
    if (shown.contains(complete))
        return {};
    const QString quoted = QLatin1Char('"') + caption + QLatin1Char('"');
    if (!shown.contains(digit))
        return QStringLiteral("Не введено время ") + quoted;
    return QStringLiteral("Неверное время ") + quoted + QStringLiteral(": ") + shown;
}

QString TicketStateList(bool plan, bool inProgress, bool done, bool cancelled)
{
    QStringList ids;
    const bool ticked[] = { plan, inProgress, done, cancelled };
    for (int i = 0; i < 4; ++i)
        if (ticked[i])
            ids << QString::number(i + 1);
    return ids.join(QLatin1Char(','));
}

QString TicketsListCommandText(const QString &stateList, int teamId)
{
    QString text = QStringLiteral(
        "select T.TICKET_ID, T.TICKET_NO, T.CUSTOMER_ID, T.TICKET_CAUSE_ID, T.TICKET_DATE, T.PLAN_DATE, "
        "T.PLAN_TIME_START, T.PLAN_TIME_END, T.NOTICE, T.TICKET_STATUS_ID, T.TEAM_ID, TM.TEAM_NAME as RO_TEAM_NAME, "
        "CONCAT(S.STREET_NAME, ' д.', H.HOUSE_NO, ' кв.', C.FLAT_NO) as RO_ADDRESS, "
        "L.LOCATION_NAME as RO_LOCATION_NAME, C.ACCOUNT_NO, CONCAT(C.SURNAME, ' ', C.INITIALS) as FIO, C.PHONE_NO, "
        "TS.TICKET_STATUS from ZOLT.TICKET T "
        "join ZOLT.TICKET_STATUS TS on TS.TICKET_STATUS_ID = T.TICKET_STATUS_ID "
        "join ZOLT.CUSTOMER C on C.CUSTOMER_ID = T.CUSTOMER_ID "
        "join ZOLT.HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
        "join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
        "join ZOLT.LOCATION L on L.LOCATION_ID = H.LOCATION_ID "
        "join ZOLT.TEAM TM on TM.TEAM_ID = T.TEAM_ID "
        "where T.TICKET_DATE between :P_DATE_FROM and :P_DATE_TO");
    if (!stateList.isEmpty())
        text += QStringLiteral(" and TS.TICKET_STATUS_ID in (") + stateList + QStringLiteral(") ");
    if (teamId != 0)
        text += QStringLiteral(" and T.TEAM_ID = ") + QString::number(teamId);
    return text + QStringLiteral(" order by T.PLAN_DATE, T.PLAN_TIME_START");
}

QString PlannedTicketsCommandText()
{
    return QStringLiteral(
        "select T.TICKET_ID, T.PLAN_DATE, T.PLAN_TIME_START, T.PLAN_TIME_END, T.NOTICE, "
        "CONCAT(S.STREET_NAME, ' д.', H.HOUSE_NO, ' кв.', C.FLAT_NO) as RO_ADDRESS, "
        "L.LOCATION_NAME as RO_LOCATION_NAME from ZOLT.TICKET T "
        "join ZOLT.CUSTOMER C on C.CUSTOMER_ID = T.CUSTOMER_ID "
        "left join ZOLT.HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
        "left join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
        "left join ZOLT.LOCATION L on L.LOCATION_ID = H.LOCATION_ID "
        "where T.PLAN_DATE >= :P_PLAN_DATE order by T.PLAN_DATE, T.PLAN_TIME_START, T.PLAN_TIME_END");
}

QString TeamFilterCommandText()
{
    return QStringLiteral("select 0 as TEAM_ID, 'Все' as TEAM_NAME, 0 as SORT_NO union all "
                          "select TEAM_ID, TEAM_NAME, 1 as SORT_NO from ZOLT.TEAM order by SORT_NO, TEAM_NAME");
}

QString TicketCustomerCommandText()
{
    return QStringLiteral(
        "select C.CUSTOMER_ID, C.ACCOUNT_NO, C.SURNAME, C.FIRSTNAME, C.MIDLENAME, C.FLAT_NO, C.PHONE_NO, "
        "S.STREET_NAME, H.HOUSE_NO from ZOLT.CUSTOMER C left join ZOLT.HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
        "left join ZOLT.STREET S on S.STREET_ID = H.STREET_ID where C.CUSTOMER_ID = :P_CUSTOMER_ID");
}
