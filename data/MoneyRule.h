#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QVariant>

// The one money rule of the accounting engine. The per-customer recalculation, the monthly close, the balance
// rows and the services-for-the-month view all charge subscriptions through these functions, so a full
// recalculation after a close never moves a closed month by a cent.

// One subscription period of a month, priced by the tariff that covers the month's first day.
struct TChargePeriod
{
    QDate dateFrom;
    QDate dateTo;
    double tariff = 0;
};

// The period's charge in the month of monthStart: the days it covers in that month times the tariff over the
// month's length, rounded to cents, then times the discount factor and rounded by the operator's precision.
double PeriodCharge(const TChargePeriod &period, const QDate &monthStart, double factor);

// The sum of the periods' charges.
double SubscriptionCharge(const QList<TChargePeriod> &periods, const QDate &monthStart, double factor);

// Whether a stored balance must be rewritten with a computed one: sums are compared in cents, and a stored
// null always differs.
bool MoneyDiffers(const QVariant &stored, double computed);

// A date read from a column (a QDate, a QDateTime or SQLite's text), as a calendar value in UTC terms (a
// local time keeps its digits); invalid for null.
QDateTime ColumnDateTime(const QVariant &value);
// The same without its time.
QDate ColumnDate(const QVariant &value);
// A money column: null reads as 0.
double ColumnMoney(const QVariant &value);
