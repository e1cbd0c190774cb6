#include "Periods.h"

#include "Formats.h"

#include <QDateTime>

namespace {

QString shortDateText(const QDate &d)
{
    return DateToStr(DateToDayCount(d));
}

const char16_t *const monthNames[] = {u"Январь", u"Февраль", u"Март",     u"Апрель",  u"Май",    u"Июнь",
                                      u"Июль",   u"Август",  u"Сентябрь", u"Октябрь", u"Ноябрь", u"Декабрь"};

} // namespace

QDate StartOfMonth(const QDate &d)
{
    return QDate(d.year(), d.month(), 1);
}

QDate EndOfMonth(const QDate &d)
{
    return QDate(d.year(), d.month(), d.daysInMonth());
}

QDate ZeroDate()
{
    return QDate(1899, 12, 30);
}

std::optional<QDate> GivenDate(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    QDate d;
    switch (value.typeId()) {
    case QMetaType::QDate:
        d = value.toDate();
        break;
    case QMetaType::QDateTime:
        d = value.toDateTime().date();
        break;
    case QMetaType::QString:
        d = DayCountToDate(StrToDate(value.toString()));
        break;
    default:
        d = value.toDouble() == 0 ? ZeroDate() : DayCountToDate(value.toDouble());
    }
    if (!d.isValid() || d == ZeroDate())
        return std::nullopt;
    return d;
}

QString MonthYearCaption(const QDate &d)
{
    return QStringLiteral("%1 %2 г.").arg(QString::fromUtf16(monthNames[d.month() - 1])).arg(d.year(), 4, 10,
                                                                                                QLatin1Char('0'));
}

QString PeriodCaption(const QVariant &fromValue, const QVariant &toValue)
{
    const std::optional<QDate> from = GivenDate(fromValue);
    const std::optional<QDate> to = GivenDate(toValue);
    if (from && to && *from == *to)
        return QStringLiteral("(на %1)").arg(shortDateText(*to));
    if (!to)
        return QString();
    if (!from)
        return QStringLiteral("(по %1)").arg(shortDateText(*to));
    if (*from == StartOfMonth(*from) && *to == EndOfMonth(*from))
        return QStringLiteral("(за %1)").arg(MonthYearCaption(*from));
    return QStringLiteral("(с: %1 по: %2)").arg(shortDateText(*from), shortDateText(*to));
}

QString NumberToText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("0");
    return FloatToStr(value.toDouble());
}
