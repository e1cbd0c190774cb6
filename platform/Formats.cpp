#include "Formats.h"

#include "Exceptions.h"
#include "Services.h"

#include <QLocale>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

const QDate &dayZero()
{
    static const QDate zero(1899, 12, 30);
    return zero;
}

constexpr qint64 MSecsPerDay = 86400000;

// The split of a date-time number into a day and the milliseconds of that day, rounded to the millisecond.
struct DayAndTime
{
    qint64 day;
    qint64 msecs;
};

// The calendar's range: 1 January of year 1 to 31 December 9999, the last day whole.
constexpr double FirstDayCount = -693593.0;
constexpr double PastLastDayCount = 2958466.0;

[[noreturn]] void refuseDayCount(TDateTime value)
{
    throw EConvertError(QStringLiteral("Invalid date and time value %1").arg(value));
}

DayAndTime splitDayCount(TDateTime value)
{
    // Not a number, infinite or far outside the calendar: no date to show or store.
    if (!(value > FirstDayCount - 2.0 && value < PastLastDayCount + 1.0))
        refuseDayCount(value);
    const double whole = std::trunc(value);
    qint64 day = qint64(whole);
    qint64 msecs = qint64(std::llround(std::fabs(value - whole) * MSecsPerDay));
    if (msecs >= MSecsPerDay) {
        msecs -= MSecsPerDay;
        day += value < 0 ? -1 : 1;
    }
    // The calendar is checked on the value rounded to the millisecond, the one that is shown: a value a hair
    // inside its first or last day may round to the day beyond.
    if (day < qint64(FirstDayCount) || day >= qint64(PastLastDayCount))
        refuseDayCount(value);
    return { day, msecs };
}

TDateTime joinDayCount(qint64 day, qint64 msecs)
{
    const double fraction = double(msecs) / MSecsPerDay;
    return day < 0 ? double(day) - fraction : double(day) + fraction;
}

} // namespace

TDateTime DateToDayCount(const QDate &date)
{
    return date.isValid() ? double(dayZero().daysTo(date)) : 0.0;
}

TDateTime TimeToDayFraction(const QTime &time)
{
    return time.isValid() ? double(time.msecsSinceStartOfDay()) / MSecsPerDay : 0.0;
}

TDateTime DateTimeToDayCount(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return 0.0;
    return joinDayCount(dayZero().daysTo(dateTime.date()), dateTime.time().msecsSinceStartOfDay());
}

QDate DayCountToDate(TDateTime value)
{
    return dayZero().addDays(splitDayCount(value).day);
}

QDateTime DayCountToDateTime(TDateTime value)
{
    const DayAndTime split = splitDayCount(value);
    return QDateTime(dayZero().addDays(split.day), QTime::fromMSecsSinceStartOfDay(int(split.msecs)));
}

TDateTime EncodeDate(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (year < 1 || year > 9999 || !date.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    return DateToDayCount(date);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
        throw EConvertError(QStringLiteral("Invalid argument to time encode"));
    return double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / MSecsPerDay;
}

// ---- Decimal digits ------------------------------------------------------------------------------------------

namespace {

// A number as decimal digits: value = 0.d1d2d3... x 10^exponent. Zero has no digits. Rounding is half away from
// zero on at most 15 significant digits, so that binary noise (2.675 held as 2.67499999...) does not show.
struct Decimal
{
    bool negative = false;
    QByteArray digits;
    int exponent = 0;

    bool isZero() const { return digits.isEmpty(); }
};

constexpr int MaxDigits = 15;

// Rounds to at most `precision` significant digits and at most `decimals` digits after the point.
Decimal toDecimal(double value, int precision, int decimals = 9999)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0.0)
        return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", MaxDigits - 1, std::fabs(value));
    // "d.dddddddddddddde+XX"
    QByteArray digits;
    digits.append(buf[0]);
    digits.append(buf + 2, MaxDigits - 1);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1) + 1;

    int keep = std::min(std::clamp(precision, 1, MaxDigits), decimals >= 9999 ? MaxDigits : exponent + decimals);
    if (keep < 0)
        return d;
    d.exponent = exponent;
    bool roundUp = keep < digits.size() && digits[keep] >= '5';
    digits.truncate(keep);
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && digits[i] == '9') {
            digits[i] = '0';
            --i;
        }
        if (i < 0) {
            digits.prepend('1');
            digits.chop(1);
            if (digits.isEmpty())
                digits = "1";
            ++d.exponent;
        } else {
            digits[i] = char(digits[i] + 1);
        }
    }
    while (!digits.isEmpty() && digits.endsWith('0'))
        digits.chop(1);
    d.digits = digits;
    if (d.digits.isEmpty())
        d.exponent = 0;
    return d;
}

QString specialText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString exponentText(int exponent, bool alwaysSign, int minDigits)
{
    QString text;
    if (exponent < 0)
        text += QLatin1Char('-');
    else if (alwaysSign)
        text += QLatin1Char('+');
    QString digits = QString::number(std::abs(exponent));
    if (digits.size() < minDigits)
        digits.prepend(QString(minDigits - digits.size(), QLatin1Char('0')));
    return text + digits;
}

// Digits before the point: "0" for a number below one.
QString integerDigits(const Decimal &d)
{
    if (d.exponent <= 0)
        return QStringLiteral("0");
    QString text = QString::fromLatin1(d.digits.left(d.exponent));
    if (text.size() < d.exponent)
        text += QString(d.exponent - text.size(), QLatin1Char('0'));
    return text;
}

QString fractionDigits(const Decimal &d)
{
    if (d.exponent >= d.digits.size())
        return {};
    if (d.exponent >= 0)
        return QString::fromLatin1(d.digits.mid(d.exponent));
    return QString(-d.exponent, QLatin1Char('0')) + QString::fromLatin1(d.digits);
}

QString groupThousands(const QString &digits)
{
    const QChar sep = FormatSettings().ThousandSeparator;
    if (sep.isNull())
        return digits;
    QString text;
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += sep;
        text += digits[i];
    }
    return text;
}

QString generalText(const Decimal &d, int precision, int expDigits, QChar point)
{
    if (d.isZero())
        return QStringLiteral("0");
    QString text = d.negative ? QStringLiteral("-") : QString();
    if (d.exponent > precision || d.exponent < -3) {
        text += QLatin1Char(d.digits[0]);
        if (d.digits.size() > 1)
            text += point + QString::fromLatin1(d.digits.mid(1));
        return text + QLatin1Char('E') + exponentText(d.exponent - 1, false, expDigits);
    }
    text += integerDigits(d);
    const QString fraction = fractionDigits(d);
    if (!fraction.isEmpty())
        text += point + fraction;
    return text;
}

QString exponentFormText(const Decimal &d, int precision, int expDigits, QChar point)
{
    const int p = std::clamp(precision, 1, MaxDigits);
    QByteArray mantissa = d.digits.leftJustified(p, '0');
    QString text = d.negative && !d.isZero() ? QStringLiteral("-") : QString();
    text += QLatin1Char(mantissa[0]);
    if (p > 1)
        text += point + QString::fromLatin1(mantissa.mid(1));
    return text + QLatin1Char('E') + exponentText(d.isZero() ? 0 : d.exponent - 1, true, expDigits);
}

// Fixed digits with exactly `digits` decimals, optionally grouped; no sign.
QString fixedBody(const Decimal &d, int digits, bool grouped, QChar point)
{
    QString whole = integerDigits(d);
    if (grouped)
        whole = groupThousands(whole);
    if (digits <= 0)
        return whole;
    QString fraction = fractionDigits(d);
    fraction = fraction.leftJustified(digits, QLatin1Char('0'));
    return whole + point + fraction;
}

QString currencyText(const QString &body, bool negative)
{
    const TFormatSettings &fs = FormatSettings();
    const QString c = fs.CurrencyString;
    if (!negative) {
        switch (fs.CurrencyFormat) {
        case 0:
            return c + body;
        case 1:
            return body + c;
        case 2:
            return c + QLatin1Char(' ') + body;
        default:
            return body + QLatin1Char(' ') + c;
        }
    }
    switch (fs.NegCurrFormat) {
    case 0:
        return QLatin1Char('(') + c + body + QLatin1Char(')');
    case 1:
        return QLatin1Char('-') + c + body;
    case 2:
        return c + QLatin1Char('-') + body;
    case 3:
        return c + body + QLatin1Char('-');
    case 4:
        return QLatin1Char('(') + body + c + QLatin1Char(')');
    case 5:
        return QLatin1Char('-') + body + c;
    case 6:
        return body + QLatin1Char('-') + c;
    case 7:
        return body + c + QLatin1Char('-');
    case 9:
        return QLatin1Char('-') + c + QLatin1Char(' ') + body;
    case 10:
        return body + QLatin1Char(' ') + c + QLatin1Char('-');
    case 11:
        return c + QLatin1Char(' ') + body + QLatin1Char('-');
    case 12:
        return c + QLatin1Char(' ') + QLatin1Char('-') + body;
    case 13:
        return body + QLatin1Char('-') + QLatin1Char(' ') + c;
    case 14:
        return QLatin1Char('(') + c + QLatin1Char(' ') + body + QLatin1Char(')');
    case 15:
        return QLatin1Char('(') + body + QLatin1Char(' ') + c + QLatin1Char(')');
    default:
        return QLatin1Char('-') + body + QLatin1Char(' ') + c;
    }
}

// ---- FormatFloat ---------------------------------------------------------------------------------------------

bool isQuote(QChar c)
{
    return c == QLatin1Char('"') || c == QLatin1Char('\'');
}

QStringList splitSections(const QString &format)
{
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (isQuote(c)) {
            quote = c;
        } else if (c == QLatin1Char(';') && sections.size() < 2) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

// What one section asks for, found by a first pass over it.
struct SectionSpec
{
    int intPlaceholders = 0;
    int minIntDigits = 0;
    int decimals = 0;
    int minDecimals = 0;
    bool thousands = false;
    bool scientific = false;
};

SectionSpec analyseSection(const QString &s)
{
    SectionSpec spec;
    int firstIntZero = -1;
    bool afterPoint = false;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (isQuote(c)) {
            const int end = s.indexOf(c, i + 1);
            i = end < 0 ? s.size() : end;
            continue;
        }
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (afterPoint) {
                ++spec.decimals;
                if (c == QLatin1Char('0'))
                    spec.minDecimals = spec.decimals;
            } else {
                if (c == QLatin1Char('0') && firstIntZero < 0)
                    firstIntZero = spec.intPlaceholders;
                ++spec.intPlaceholders;
            }
        } else if (c == QLatin1Char('.')) {
            afterPoint = true;
        } else if (c == QLatin1Char(',')) {
            spec.thousands = true;
        } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < s.size()
            && (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-'))) {
            spec.scientific = true;
            break;
        }
    }
    if (firstIntZero >= 0)
        spec.minIntDigits = spec.intPlaceholders - firstIntZero;
    return spec;
}

QString renderSection(const QString &s, const SectionSpec &spec, const Decimal &d, bool showSign, QChar point)
{
    const TFormatSettings &fs = FormatSettings();
    QString intText;
    QString fracText;
    int shownExponent = 0;
    if (spec.scientific) {
        const int n = spec.intPlaceholders;
        intText = QString::fromLatin1(d.digits.left(n));
        if (!d.isZero())
            intText = intText.leftJustified(n, QLatin1Char('0'));
        fracText = QString::fromLatin1(d.digits.mid(n));
        shownExponent = d.isZero() ? 0 : d.exponent - n;
    } else {
        intText = d.exponent > 0 ? integerDigits(d) : QString();
        fracText = fractionDigits(d);
    }
    if (intText.size() < spec.minIntDigits)
        intText.prepend(QString(spec.minIntDigits - intText.size(), QLatin1Char('0')));
    if (fracText.size() < spec.minDecimals)
        fracText = fracText.leftJustified(spec.minDecimals, QLatin1Char('0'));

    QString out;
    bool signDone = !showSign;
    bool digitWritten = false;
    int placeholder = 0;
    int decimalIndex = 0;
    bool afterPoint = false;
    bool pointSeen = false;
    const int extra = int(intText.size()) - spec.intPlaceholders;

    auto writeIntDigit = [&](int index) {
        if (!signDone) {
            out += QLatin1Char('-');
            signDone = true;
        }
        out += intText[index];
        digitWritten = true;
        const int remaining = int(intText.size()) - 1 - index;
        if (spec.thousands && remaining > 0 && remaining % 3 == 0)
            out += fs.ThousandSeparator;
    };
    auto writeLiteral = [&](const QString &text) {
        // Blanks and other literals inside the integer digits wait for the first digit.
        const bool inIntegerDigits = placeholder > 0 && placeholder < spec.intPlaceholders && !afterPoint;
        if (!inIntegerDigits || digitWritten)
            out += text;
    };

    bool exponentDone = false;
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (exponentDone && !isQuote(c)) {
            out += c;
            continue;
        }
        if (isQuote(c)) {
            const int end = s.indexOf(c, i + 1);
            writeLiteral(s.mid(i + 1, (end < 0 ? s.size() : end) - i - 1));
            i = end < 0 ? s.size() : end;
            continue;
        }
        if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && !afterPoint) {
            const int last = placeholder + extra;
            const int first = placeholder == 0 ? 0 : last;
            for (int k = std::max(first, 0); k <= last; ++k)
                writeIntDigit(k);
            ++placeholder;
            continue;
        }
        if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && afterPoint) {
            if (decimalIndex < fracText.size())
                out += fracText[decimalIndex];
            ++decimalIndex;
            continue;
        }
        if (c == QLatin1Char('.') && !pointSeen) {
            pointSeen = true;
            afterPoint = true;
            if (!fracText.isEmpty()) {
                if (!signDone) {
                    out += QLatin1Char('-');
                    signDone = true;
                }
                out += point;
            }
            continue;
        }
        if (c == QLatin1Char(','))
            continue;
        if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && spec.scientific && i + 1 < s.size()
            && (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-'))) {
            const bool alwaysSign = s[i + 1] == QLatin1Char('+');
            int zeros = 0;
            int j = i + 2;
            while (j < s.size() && s[j] == QLatin1Char('0')) {
                ++zeros;
                ++j;
            }
            out += c + exponentText(shownExponent, alwaysSign, std::min(zeros, 4));
            i = j - 1;
            exponentDone = true;
            continue;
        }
        writeLiteral(QString(c));
    }
    if (!signDone && !d.isZero())
        out.prepend(QLatin1Char('-'));
    return out;
}

} // namespace

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
    return FloatToStrF(value, format, precision, digits, FormatSettings().DecimalSeparator);
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, QChar decimalSeparator)
{
    if (!std::isfinite(value))
        return specialText(value);
    precision = std::clamp(precision, 1, 18);
    switch (format) {
    case ffGeneral:
        return generalText(toDecimal(value, precision), precision, std::clamp(digits, 0, 4), decimalSeparator);
    case ffExponent:
        return exponentFormText(toDecimal(value, precision), precision, std::clamp(digits, 0, 4), decimalSeparator);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        digits = std::clamp(digits, 0, 18);
        if (toDecimal(value, precision).exponent > precision)
            return generalText(toDecimal(value, precision), precision, 0, decimalSeparator);
        const Decimal d = toDecimal(value, MaxDigits, digits);
        const bool negative = d.negative && !d.isZero();
        const QString body = fixedBody(d, digits, format != ffFixed, decimalSeparator);
        if (format == ffCurrency)
            return currencyText(body, negative);
        return negative ? QLatin1Char('-') + body : body;
    }
    }
    return {};
}

QString FloatToStr(double value)
{
    return FloatToStrF(value, ffGeneral, 15, 0);
}

QString FormatFloat(const QString &format, double value)
{
    return FormatFloat(format, value, FormatSettings().DecimalSeparator);
}

QString FormatFloat(const QString &format, double value, QChar decimalSeparator)
{
    if (format.isEmpty() || !std::isfinite(value))
        return FloatToStrF(value, ffGeneral, 15, 0, decimalSeparator);
    const QStringList sections = splitSections(format);
    int index = value < 0 && sections.size() >= 2 && !sections[1].isEmpty() ? 1 : 0;
    SectionSpec spec = analyseSection(sections[index]);
    if (!spec.scientific && std::fabs(value) >= 1e18)
        return FloatToStrF(value, ffGeneral, 15, 0, decimalSeparator);
    Decimal d = spec.scientific ? toDecimal(value, std::max(1, spec.intPlaceholders + spec.decimals))
                                : toDecimal(value, MaxDigits, spec.decimals);
    if (d.isZero()) {
        // A value that rounds to zero is shown by the zero section, or by the first one without a sign.
        index = sections.size() >= 3 && !sections[2].isEmpty() ? 2 : 0;
        spec = analyseSection(sections[index]);
    }
    return renderSection(sections[index], spec, d, index == 0 && d.negative && !d.isZero(), decimalSeparator);
}

namespace {

double toCurrency(double value)
{
    return roundHalfEven(value * 10000.0) / 10000.0;
}

} // namespace

QString FormatCurr(const QString &format, double value)
{
    return FormatFloat(format, toCurrency(value));
}

QString CurrToStrF(double value, TFloatFormat format, int digits)
{
    return FloatToStrF(toCurrency(value), format, 19, digits);
}

// ---- Dates and times -----------------------------------------------------------------------------------------

namespace {

struct DateParts
{
    int year, month, day, dayOfWeek; // dayOfWeek: 0 Sunday .. 6 Saturday
    int hour, minute, second, msec;
    bool hasTime;
};

DateParts decode(TDateTime value)
{
    const DayAndTime split = splitDayCount(value);
    const QDate date = dayZero().addDays(split.day);
    DateParts p;
    p.year = date.year();
    p.month = date.month();
    p.day = date.day();
    p.dayOfWeek = date.dayOfWeek() % 7;
    qint64 ms = split.msecs;
    p.hasTime = ms != 0;
    p.msec = int(ms % 1000);
    ms /= 1000;
    p.second = int(ms % 60);
    ms /= 60;
    p.minute = int(ms % 60);
    p.hour = int(ms / 60);
    return p;
}

QString padded(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

bool startsWithIgnoreCase(const QString &text, int pos, QLatin1StringView token)
{
    return text.mid(pos, token.size()).compare(token, Qt::CaseInsensitive) == 0;
}

bool usesTwelveHourClock(const QString &format)
{
    QChar quote;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (isQuote(c)) {
            quote = c;
        } else if (startsWithIgnoreCase(format, i, QLatin1StringView("am/pm"))
            || startsWithIgnoreCase(format, i, QLatin1StringView("a/p"))
            || startsWithIgnoreCase(format, i, QLatin1StringView("ampm"))) {
            return true;
        }
    }
    return false;
}

void appendDateTime(QString &out, const QString &format, const DateParts &p, int depth)
{
    const TFormatSettings &fs = FormatSettings();
    if (depth > 2)
        return;
    const bool twelve = usesTwelveHourClock(format);
    QChar lastToken;
    int i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        const QChar u = c.toUpper();
        int count = 1;
        while (i + count < format.size() && format[i + count].toUpper() == u)
            ++count;
        if (isQuote(c)) {
            const int end = format.indexOf(c, i + 1);
            out += format.mid(i + 1, (end < 0 ? format.size() : end) - i - 1);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        if (c == QLatin1Char('/')) {
            out += fs.DateSeparator;
            ++i;
            continue;
        }
        if (c == QLatin1Char(':')) {
            out += fs.TimeSeparator;
            ++i;
            continue;
        }
        const char token = u.toLatin1();
        switch (token) {
        case 'Y':
            out += count <= 2 ? padded(p.year % 100, 2) : padded(p.year, 4);
            break;
        case 'M':
            if (lastToken == QLatin1Char('H')) {
                count = std::min(count, 2);
                out += count == 1 ? QString::number(p.minute) : padded(p.minute, 2);
            } else if (count == 1) {
                out += QString::number(p.month);
            } else if (count == 2) {
                out += padded(p.month, 2);
            } else if (count == 3) {
                out += fs.ShortMonthNames.value(p.month - 1);
            } else {
                out += fs.LongMonthNames.value(p.month - 1);
            }
            break;
        case 'D':
            switch (count) {
            case 1:
                out += QString::number(p.day);
                break;
            case 2:
                out += padded(p.day, 2);
                break;
            case 3:
                out += fs.ShortDayNames.value(p.dayOfWeek);
                break;
            case 4:
                out += fs.LongDayNames.value(p.dayOfWeek);
                break;
            case 5:
                appendDateTime(out, fs.ShortDateFormat, p, depth + 1);
                break;
            default:
                appendDateTime(out, fs.LongDateFormat, p, depth + 1);
                break;
            }
            break;
        case 'H': {
            int hour = p.hour;
            if (twelve) {
                hour %= 12;
                if (hour == 0)
                    hour = 12;
            }
            count = std::min(count, 2);
            out += count == 1 ? QString::number(hour) : padded(hour, 2);
            break;
        }
        case 'N':
            count = std::min(count, 2);
            out += count == 1 ? QString::number(p.minute) : padded(p.minute, 2);
            break;
        case 'S':
            count = std::min(count, 2);
            out += count == 1 ? QString::number(p.second) : padded(p.second, 2);
            break;
        case 'Z':
            count = std::min(count, 3);
            out += count == 1 ? QString::number(p.msec) : padded(p.msec, 3);
            break;
        case 'T':
            count = std::min(count, 2);
            appendDateTime(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, depth + 1);
            break;
        case 'C':
            count = 1;
            appendDateTime(out, fs.ShortDateFormat, p, depth + 1);
            if (p.hasTime) {
                out += QLatin1Char(' ');
                appendDateTime(out, fs.LongTimeFormat, p, depth + 1);
            }
            break;
        case 'A':
            if (startsWithIgnoreCase(format, i, QLatin1StringView("am/pm"))) {
                out += p.hour < 12 ? format.mid(i, 2) : format.mid(i + 3, 2);
                count = 5;
            } else if (startsWithIgnoreCase(format, i, QLatin1StringView("a/p"))) {
                out += p.hour < 12 ? format.mid(i, 1) : format.mid(i + 2, 1);
                count = 3;
            } else if (startsWithIgnoreCase(format, i, QLatin1StringView("ampm"))) {
                out += p.hour < 12 ? fs.TimeAMString : fs.TimePMString;
                count = 4;
            } else {
                out += c;
                count = 1;
            }
            break;
        default:
            out += c;
            count = 1;
            ++i;
            continue;
        }
        lastToken = QChar::fromLatin1(token);
        i += count;
    }
}

} // namespace

QString FormatDateTime(const QString &format, TDateTime value)
{
    QString out;
    appendDateTime(out, format.isEmpty() ? QStringLiteral("c") : format, decode(value), 0);
    return out;
}

QString FormatDateTime(const QString &format, const QDateTime &value)
{
    return FormatDateTime(format, DateTimeToDayCount(value));
}

QString DateTimeToStr(TDateTime value)
{
    return FormatDateTime(QStringLiteral("c"), value);
}

QString DateToStr(TDateTime value)
{
    return FormatDateTime(QStringLiteral("ddddd"), value);
}

QString TimeToStr(TDateTime value)
{
    return FormatDateTime(QStringLiteral("tt"), value);
}

namespace {

// A cursor over the text being parsed; blanks between elements are skipped.
struct Scanner
{
    const QString &text;
    int pos = 0;

    void skipBlanks()
    {
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
    }
    bool atEnd()
    {
        skipBlanks();
        return pos >= text.size();
    }
    // Answers the number of digits read (0: none).
    int number(int &value, int maxDigits = 9)
    {
        skipBlanks();
        int n = 0;
        value = 0;
        while (pos < text.size() && n < maxDigits && text[pos] >= QLatin1Char('0') && text[pos] <= QLatin1Char('9')) {
            value = value * 10 + (text[pos].unicode() - '0');
            ++pos;
            ++n;
        }
        return n;
    }
    bool separator(const QString &accepted)
    {
        skipBlanks();
        if (pos < text.size() && accepted.contains(text[pos])) {
            ++pos;
            return true;
        }
        return false;
    }
    bool word(const QString &w)
    {
        skipBlanks();
        if (!w.isEmpty() && text.mid(pos, w.size()).compare(w, Qt::CaseInsensitive) == 0) {
            pos += w.size();
            return true;
        }
        return false;
    }
};

// The characters that may separate date numbers: the date separator and whatever the short date format itself
// puts between its numbers, so that "31.12.2020" reads when the format is "dd.MM.yyyy" and the separator "/".
QString dateSeparators()
{
    const TFormatSettings &fs = FormatSettings();
    QString accepted(fs.DateSeparator);
    for (QChar c : fs.ShortDateFormat) {
        if (!c.isLetterOrNumber() && !c.isSpace() && !isQuote(c) && !accepted.contains(c))
            accepted += c == QLatin1Char('/') ? fs.DateSeparator : c;
    }
    return accepted;
}

enum class DateOrder { DMY, MDY, YMD };

DateOrder dateOrder()
{
    for (QChar c : FormatSettings().ShortDateFormat) {
        const QChar u = c.toUpper();
        if (u == QLatin1Char('D'))
            return DateOrder::DMY;
        if (u == QLatin1Char('M'))
            return DateOrder::MDY;
        if (u == QLatin1Char('Y'))
            return DateOrder::YMD;
    }
    return DateOrder::DMY;
}

bool scanDate(Scanner &s, TDateTime &value)
{
    const QString seps = dateSeparators();
    int n1 = 0, n2 = 0, n3 = 0;
    const int l1 = s.number(n1);
    if (l1 == 0 || !s.separator(seps))
        return false;
    if (s.number(n2) == 0)
        return false;
    int l3 = 0;
    const int save = s.pos;
    if (s.separator(seps)) {
        l3 = s.number(n3);
        if (l3 == 0) {
            // A trailing separator ("31.12.") is allowed; anything else is not a date.
            if (s.pos < s.text.size() && !s.text[s.pos].isSpace())
                return false;
        }
    } else {
        s.pos = save;
    }
    const DateOrder order = dateOrder();
    const int currentYear = Services::clock()->today().year();
    int year, month, day, yearDigits;
    if (l3 == 0) {
        year = currentYear;
        yearDigits = 4;
        if (order == DateOrder::MDY || order == DateOrder::YMD) {
            month = n1;
            day = n2;
        } else {
            day = n1;
            month = n2;
        }
    } else {
        switch (order) {
        case DateOrder::DMY:
            day = n1;
            month = n2;
            year = n3;
            yearDigits = l3;
            break;
        case DateOrder::MDY:
            month = n1;
            day = n2;
            year = n3;
            yearDigits = l3;
            break;
        default:
            year = n1;
            month = n2;
            day = n3;
            yearDigits = l1;
            break;
        }
    }
    if (yearDigits <= 2) {
        const int window = FormatSettings().TwoDigitYearCenturyWindow;
        if (window > 0) {
            const int base = currentYear - window;
            year += base / 100 * 100;
            if (year < base)
                year += 100;
        } else {
            year += currentYear / 100 * 100;
        }
    }
    const QDate date(year, month, day);
    if (year < 1 || year > 9999 || !date.isValid())
        return false;
    value = DateToDayCount(date);
    return true;
}

bool scanTime(Scanner &s, TDateTime &value)
{
    const TFormatSettings &fs = FormatSettings();
    const QString am = fs.TimeAMString.isEmpty() ? QStringLiteral("AM") : fs.TimeAMString;
    const QString pm = fs.TimePMString.isEmpty() ? QStringLiteral("PM") : fs.TimePMString;
    int baseHour = -1;
    if (s.word(am))
        baseHour = 0;
    else if (s.word(pm))
        baseHour = 12;
    const QString seps
        = QString(fs.TimeSeparator) + (fs.TimeSeparator == QLatin1Char(':') ? QString() : QStringLiteral(":"));
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (s.number(hour) == 0)
        return false;
    bool hasMinutes = false;
    if (s.separator(seps)) {
        if (s.number(minute) == 0)
            return false;
        hasMinutes = true;
        if (s.separator(seps)) {
            if (s.number(second) == 0)
                return false;
            if (s.separator(QStringLiteral(".")) || s.separator(QString(fs.DecimalSeparator))) {
                const int start = s.pos;
                const int digits = s.number(msec, 3);
                if (digits == 0)
                    return false;
                for (int k = s.pos - start; k < 3; ++k)
                    msec *= 10;
            }
        }
    }
    if (baseHour < 0) {
        if (s.word(am))
            baseHour = 0;
        else if (s.word(pm))
            baseHour = 12;
    }
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        if (hour == 12)
            hour = 0;
        hour += baseHour;
    } else if (!hasMinutes) {
        return false;
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    value = double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / MSecsPerDay;
    return true;
}

[[noreturn]] void conversionError(const QString &text, const char *what)
{
    throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(text, QLatin1String(what)));
}

} // namespace

bool TryStrToDate(const QString &text, TDateTime &value)
{
    Scanner s { text };
    TDateTime date = 0;
    if (!scanDate(s, date) || !s.atEnd())
        return false;
    value = date;
    return true;
}

bool TryStrToTime(const QString &text, TDateTime &value)
{
    Scanner s { text };
    TDateTime time = 0;
    if (!scanTime(s, time) || !s.atEnd())
        return false;
    value = time;
    return true;
}

bool TryStrToDateTime(const QString &text, TDateTime &value)
{
    Scanner s { text };
    TDateTime date = 0;
    if (scanDate(s, date)) {
        TDateTime time = 0;
        if (s.atEnd() || (scanTime(s, time) && s.atEnd())) {
            value = date < 0 ? date - time : date + time;
            return true;
        }
        return false;
    }
    return TryStrToTime(text, value);
}

TDateTime StrToDate(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToDate(text, value))
        conversionError(text, "date");
    return value;
}

TDateTime StrToTime(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToTime(text, value))
        conversionError(text, "time");
    return value;
}

TDateTime StrToDateTime(const QString &text)
{
    TDateTime value = 0;
    if (!TryStrToDateTime(text, value))
        conversionError(text, "date and time");
    return value;
}

// ---- Numbers -------------------------------------------------------------------------------------------------

bool TryStrToFloat(const QString &text, double &value)
{
    const QString t = text.trimmed();
    const QChar point = FormatSettings().DecimalSeparator;
    QByteArray plain;
    int i = 0;
    auto digitsAt = [&]() {
        int n = 0;
        while (i < t.size() && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) {
            plain += char(t[i].unicode());
            ++i;
            ++n;
        }
        return n;
    };
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        plain += char(t[i++].unicode());
    int mantissaDigits = digitsAt();
    if (i < t.size() && t[i] == point) {
        plain += '.';
        ++i;
        mantissaDigits += digitsAt();
    }
    if (mantissaDigits == 0)
        return false;
    if (i < t.size() && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            plain += char(t[i++].unicode());
        if (digitsAt() == 0)
            return false;
    }
    if (i != t.size())
        return false;
    const double parsed = std::strtod(plain.constData(), nullptr);
    if (!std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

double StrToFloat(const QString &text)
{
    double value = 0;
    if (!TryStrToFloat(text, value))
        conversionError(text, "floating point value");
    return value;
}

bool TryStrToInt(const QString &text, int &value)
{
    bool ok = false;
    const int parsed = text.trimmed().toInt(&ok, 10);
    if (ok)
        value = parsed;
    return ok;
}

int StrToInt(const QString &text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        conversionError(text, "integer value");
    return value;
}

int DigitsAt(QStringView text, qsizetype at, int count)
{
    if (at < 0 || at + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const qint64 product = qint64(a) * qint64(b);
    qint64 quotient = product / c;
    const qint64 remainder = product % c;
    // Half away from zero: compare twice the remainder with the divisor.
    if (2 * std::abs(remainder) >= std::abs(qint64(c)))
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    if (quotient > std::numeric_limits<int>::max() || quotient < std::numeric_limits<int>::min())
        return -1;
    return int(quotient);
}

double roundHalfEven(double value)
{
    // nearbyint rounds in the current mode; the platform's rule is the default mode, halves to even. Setting the
    // mode costs more than the rounding: it is set only when something else changed it.
    const int saved = std::fegetround();
    if (saved == FE_TONEAREST)
        return std::nearbyint(value);
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return rounded;
}

qint64 Round(double value)
{
    const double rounded = roundHalfEven(value);
    if (!std::isfinite(rounded) || rounded >= 9223372036854775808.0 || rounded < -9223372036854775808.0)
        throw EConvertError(QStringLiteral("Invalid floating point operation"));
    return qint64(rounded);
}

// ---- Text ----------------------------------------------------------------------------------------------------

namespace {

const QLocale &russianLocale()
{
    static const QLocale locale(QLocale::Russian, QLocale::Russia);
    return locale;
}

// Where a lower-case character stands in the sort order; case and accents are resolved by the caller. Sorting
// calls this for every differing character, so the Russian alphabet is placed by arithmetic: а..е, then ё, then
// ж..я (U+0430..U+0435, U+0451, U+0436..U+044F).
uint primaryKey(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x0430 && u <= 0x0435)
        return 0x30000 + (u - 0x0430);
    if (u == 0x0451)
        return 0x30006;
    if (u >= 0x0436 && u <= 0x044F)
        return 0x30000 + (u - 0x0430) + 1;
    if (u < 0x80) {
        if (u >= '0' && u <= '9')
            return 0x10000 + (u - '0');
        if (u >= 'a' && u <= 'z')
            return 0x20000 + u;
        return u;
    }
    if (c.isDigit())
        return 0x10000 + uint(c.digitValue());
    if (c.isLetter()) {
        // Accented Latin letters sort with their base letter.
        const QString decomposed = c.decomposition();
        const QChar base = decomposed.isEmpty() ? c : decomposed[0].toLower();
        if (base.unicode() < 0x80)
            return 0x20000 + base.unicode();
        if (base.script() == QChar::Script_Cyrillic)
            return 0x30100 + base.unicode();
        return 0x40000 + base.unicode();
    }
    return u;
}

} // namespace

namespace {

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

// Names of fields and variables are mostly ASCII, and the locale's case mapping is slow for them.
QString TextToUpper(const QString &text)
{
    return isAscii(text) ? text.toUpper() : russianLocale().toUpper(text);
}

QString TextToLower(const QString &text)
{
    return isAscii(text) ? text.toLower() : russianLocale().toLower(text);
}

int RussianCollator::compare(const QString &a, const QString &b) const
{
    const int n = int(std::min(a.size(), b.size()));
    int caseTie = 0;
    int codeTie = 0;
    for (int i = 0; i < n; ++i) {
        const QChar ca = a[i];
        const QChar cb = b[i];
        if (ca == cb)
            continue;
        const QChar la = ca.toLower();
        const QChar lb = cb.toLower();
        const uint ka = primaryKey(la);
        const uint kb = primaryKey(lb);
        if (ka != kb)
            return ka < kb ? -1 : 1;
        if (caseTie == 0 && la == lb)
            caseTie = ca.isLower() ? -1 : 1;
        if (codeTie == 0 && la != lb)
            codeTie = la < lb ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    if (codeTie != 0)
        return codeTie;
    return m_cs == Qt::CaseSensitive ? caseTie : 0;
}

quint32 CollationWeight(QChar c)
{
    return primaryKey(c.toLower());
}

bool IsPlainText(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 || (u >= 0x0410 && u <= 0x044F) || u == 0x0401 || u == 0x0451;
}

bool AppendCollationWeights(const QString &text, std::vector<quint32> &out)
{
    bool plain = true;
    for (const QChar c : text) {
        plain = plain && IsPlainText(c);
        out.push_back(CollationWeight(c));
    }
    return plain;
}

namespace {

// One case of a plain character: the lower.
char16_t foldPlain(char16_t u)
{
    if (u >= 'A' && u <= 'Z')
        return char16_t(u + 0x20);
    if (u >= 0x0410 && u <= 0x042F)
        return char16_t(u + 0x20);
    return u == 0x0401 ? char16_t(0x0451) : u;
}

} // namespace

bool TextMatchesIgnoreCase(const QString &text, const QString &what, bool prefix)
{
    if (prefix ? what.size() <= text.size() : what.size() == text.size()) {
        bool plain = true;
        for (qsizetype i = 0; i < what.size() && plain; ++i) {
            const QChar a = text[i], b = what[i];
            if (!IsPlainText(a) || !IsPlainText(b))
                plain = false;
            else if (foldPlain(a.unicode()) != foldPlain(b.unicode()))
                return false;
        }
        if (plain)
            return true;
    } else if (std::all_of(text.begin(), text.end(), IsPlainText) && std::all_of(what.begin(), what.end(), IsPlainText)) {
        return false; // plain texts keep their lengths in upper case
    }
    const QString upper = TextToUpper(text), upperWhat = TextToUpper(what);
    return prefix ? upper.startsWith(upperWhat) : upper == upperWhat;
}

int CompareTextCaseSensitive(const QString &a, const QString &b)
{
    return RussianCollator(Qt::CaseSensitive).compare(a, b);
}

int CompareTextIgnoreCase(const QString &a, const QString &b)
{
    return RussianCollator(Qt::CaseInsensitive).compare(a, b);
}

int CompareText(const QString &a, const QString &b)
{
    return CompareTextIgnoreCase(a, b);
}
