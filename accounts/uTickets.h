#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// What the two ticket windows share without widgets: the states, the new ticket's defaults and the tickets
// list's query.

// The ticket states of TICKET_STATUS.
enum TTicketState { tsPlan = 1, tsInProgress = 2, tsDone = 3, tsCancelled = 4 };
// The team row that stands for "no team yet".
constexpr int NoTeamId = 1;

// A new ticket is taken on the work date and planned for the day after, in state "План", with no team. Without a
// work date today stands in for it.
struct TNewTicketDefaults
{
    QDate ticketDate;
    QDate planDate;
    int statusId = tsPlan;
    int teamId = NoTeamId;
};
TNewTicketDefaults NewTicketDefaults(const QVariant &workDate);

// What is wrong with a planned time as its edit gives it ("10:30", ":" when nothing was typed), for the edit
// captioned `caption`; empty when the time can be stored. A field team cannot come at a time that has no digits
// or lacks some.
QString PlanTimeError(const QString &caption, const QString &time);

// The ids of the ticked states in the order 1, 2, 3, 4 joined by "," ("1,3"); empty when none is ticked.
QString TicketStateList(bool plan, bool inProgress, bool done, bool cancelled);

// The tickets list of the period :P_DATE_FROM..:P_DATE_TO (ticket dates), with the condition on the states when
// the list is not empty and on the team when it is not 0 ("all"), in planned order. A ticket missing its state,
// customer, house, street, settlement or team row is not listed.
QString TicketsListCommandText(const QString &stateList, int teamId);

// The tickets planned on or after :P_PLAN_DATE, of any customer and state, with their address and settlement, in
// planned order: the busy slots shown while a new ticket is planned.
QString PlannedTicketsCommandText();

// The teams' filter of the tickets list: "Все" (0) first, then every team by name.
QString TeamFilterCommandText();

// The customer :P_CUSTOMER_ID as the new-ticket dialog shows them: account, names, flat, phone and address.
QString TicketCustomerCommandText();
