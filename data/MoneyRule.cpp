#include "MoneyRule.h"

#include "Money.h"
#include "SqliteFunctions.h"

#include <QDateTime>

#include <algorithm>

double PeriodCharge(const TChargePeriod &period, const QDate &monthStart, double factor)
{
    const QDate first(monthStart.year(), monthStart.month(), 1);
    const QDate last(first.year(), first.month(), first.daysInMonth());
    const QDate from = std::max(period.dateFrom, first);
    const QDate to = std::min(period.dateTo, last);
    if (!from.isValid() || !to.isValid() || to < from)
        return 0;
    const double charge = RoundCents(double(from.daysTo(to) + 1) * period.tariff / double(first.daysInMonth()));
    return RoundMoney(charge * factor);
}

double SubscriptionCharge(const QList<TChargePeriod> &periods, const QDate &monthStart, double factor)
{
    double sum = 0;
    for (const TChargePeriod &p : periods)
        sum += PeriodCharge(p, monthStart, factor);
    return sum;
}

bool MoneyDiffers(const QVariant &stored, double computed)
{
    if (!stored.isValid() || stored.isNull())
        return true;
    return RoundCents(stored.toDouble()) != RoundCents(computed);
}

QDateTime ColumnDateTime(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    // A date is a calendar value: kept in UTC terms, so that no time-zone work is done on the way (which costs a
    // look at the zone's file for every value) and two dates compare by their digits.
    switch (value.typeId()) {
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.timeSpec() == Qt::UTC || !dt.isValid() ? dt : QDateTime(dt.date(), dt.time(), Qt::UTC);
    }
    default:
        return parseSqliteDate(value.toString());
    }
}

QDate ColumnDate(const QVariant &value)
{
    return ColumnDateTime(value).date();
}

double ColumnMoney(const QVariant &value)
{
    return (!value.isValid() || value.isNull()) ? 0 : value.toDouble();
}
