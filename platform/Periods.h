#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

#include <optional>

// Month boundaries and period captions, below the data layer so that the accounting engine and the windows
// name months alike. A date "not given" is a null variant, an invalid date or the zero date (30.12.1899).

QDate StartOfMonth(const QDate &d);
QDate EndOfMonth(const QDate &d);

// The zero date of the platform's date numbers (day 0): an open end of a period.
QDate ZeroDate();

// The date of a "given" value (a date, a date-time, a short-date text or a day number), or nothing.
std::optional<QDate> GivenDate(const QVariant &value);

// "Январь 2020 г."
QString MonthYearCaption(const QDate &d);

// The period as report captions show it: "(за Февраль 2020 г.)", "(с: ... по: ...)", ...
QString PeriodCaption(const QVariant &fromValue, const QVariant &toValue);

// "0" for a null, otherwise the float text of the value.
QString NumberToText(const QVariant &value);
