#include "SqliteFunctions.h"

#include "Formats.h"
#include "LocalTime.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString argText(sqlite3_value *v)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    return QString::fromUtf8(p, sqlite3_value_bytes(v));
}

void resultText(sqlite3_context *ctx, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void resultError(sqlite3_context *ctx, const QString &message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

bool anyNull(int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

// The date-format tokens the system's statements use; anything else in a format is copied as it stands.
enum class Token { Year, Month, Day, Hour, Minute, Second, Literal };

struct FormatItem
{
    Token token;
    QChar literal;
};

QList<FormatItem> tokenize(const QString &format)
{
    static const QList<QPair<QString, Token>> names = {
        {QStringLiteral("YYYY"), Token::Year}, {QStringLiteral("HH24"), Token::Hour},
        {QStringLiteral("MM"), Token::Month},  {QStringLiteral("DD"), Token::Day},
        {QStringLiteral("MI"), Token::Minute}, {QStringLiteral("SS"), Token::Second},
    };
    const QString upper = format.toUpper();
    QList<FormatItem> items;
    qsizetype i = 0;
    while (i < upper.size()) {
        bool matched = false;
        for (const auto &[name, token] : names) {
            if (upper.mid(i, name.size()) == name) {
                items.append({token, QChar()});
                i += name.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            items.append({Token::Literal, upper.at(i++)});
    }
    return items;
}

int tokenWidth(Token t)
{
    return t == Token::Year ? 4 : 2;
}

bool parseWithFormat(const QString &text, const QString &format, QDateTime *out)
{
    int part[6] = {1, 1, 1, 0, 0, 0};
    const QString trimmed = text.trimmed();
    qsizetype pos = 0;
    for (const FormatItem &item : tokenize(format)) {
        if (item.token == Token::Literal) {
            if (pos >= trimmed.size() || trimmed.at(pos) != item.literal)
                return false;
            ++pos;
            continue;
        }
        // Day and month may be written with one digit ("1/2/2024"), as the server accepts.
        qsizetype end = pos;
        while (end < trimmed.size() && end - pos < tokenWidth(item.token) && trimmed.at(end).isDigit())
            ++end;
        if (end == pos)
            return false;
        part[int(item.token)] = trimmed.mid(pos, end - pos).toInt();
        pos = end;
    }
    if (pos != trimmed.size())
        return false;
    const QDate date(part[0], part[1], part[2]);
    const QTime time(part[3], part[4], part[5]);
    if (!date.isValid() || !time.isValid())
        return false;
    // A calendar value: built in UTC, so that no zone shifts or voids a wall-clock time its clocks skip.
    *out = QDateTime(date, time, Qt::UTC);
    return true;
}

QString formatDate(const QDateTime &value, const QString &format)
{
    QString out;
    for (const FormatItem &item : tokenize(format)) {
        switch (item.token) {
        case Token::Year: out += QStringLiteral("%1").arg(value.date().year(), 4, 10, QLatin1Char('0')); break;
        case Token::Month: out += QStringLiteral("%1").arg(value.date().month(), 2, 10, QLatin1Char('0')); break;
        case Token::Day: out += QStringLiteral("%1").arg(value.date().day(), 2, 10, QLatin1Char('0')); break;
        case Token::Hour: out += QStringLiteral("%1").arg(value.time().hour(), 2, 10, QLatin1Char('0')); break;
        case Token::Minute: out += QStringLiteral("%1").arg(value.time().minute(), 2, 10, QLatin1Char('0')); break;
        case Token::Second: out += QStringLiteral("%1").arg(value.time().second(), 2, 10, QLatin1Char('0')); break;
        case Token::Literal: out += item.literal; break;
        }
    }
    return out;
}

// The value rounded half away from zero to `scale` decimals, as fixed text without a sign. The rounding works
// on the shortest decimal form of the double, so 2.675 rounds to 2.68 as the servers' numbers do.
QString fixedDecimal(double value, int scale)
{
    const QString sci = QString::number(std::abs(value), 'e', 14); // d.dddddddddddddde±XX
    QString digits = sci.left(1) + sci.mid(2, 14);
    int pointAt = sci.mid(sci.indexOf(QLatin1Char('e')) + 1).toInt() + 1; // digits before the point
    if (pointAt < 1) {
        digits.prepend(QString(1 - pointAt, QLatin1Char('0')));
        pointAt = 1;
    }
    const int keep = pointAt + scale;
    if (digits.size() < keep)
        digits.append(QString(keep - digits.size(), QLatin1Char('0')));
    const bool up = digits.size() > keep && digits.at(keep) >= QLatin1Char('5');
    digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (digits.at(i) == QLatin1Char('9')) {
                digits[i] = QLatin1Char('0');
            } else {
                digits[i] = QChar(digits.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0) {
            digits.prepend(QLatin1Char('1'));
            ++pointAt;
        }
    }
    QString intPart = digits.left(pointAt);
    while (intPart.size() > 1 && intPart.startsWith(QLatin1Char('0')))
        intPart.remove(0, 1);
    return scale > 0 ? intPart + QLatin1Char('.') + digits.mid(pointAt) : intPart;
}

bool isNumberFormat(const QString &format)
{
    if (format.isEmpty())
        return false;
    for (QChar c : format)
        if (c != QLatin1Char('9') && c != QLatin1Char('0') && c != QLatin1Char('.'))
            return false;
    return format.count(QLatin1Char('.')) <= 1;
}

// The number form: one position for the sign before the digits, blanks in front, "#" for each digit when the
// number does not fit.
QString formatNumber(double value, const QString &format)
{
    const qsizetype point = format.indexOf(QLatin1Char('.'));
    const QString intFormat = point < 0 ? format : format.left(point);
    const int scale = point < 0 ? 0 : int(format.size() - point - 1);
    QString text = fixedDecimal(value, scale);
    const qsizetype firstZero = intFormat.indexOf(QLatin1Char('0'));
    const qsizetype minDigits = firstZero < 0 ? 0 : intFormat.size() - firstZero;
    qsizetype intDigits = scale > 0 ? text.indexOf(QLatin1Char('.')) : text.size();
    if (intDigits == 1 && text.startsWith(QLatin1Char('0')) && minDigits == 0) {
        text.remove(0, 1);
        intDigits = 0;
    }
    if (intDigits > intFormat.size()) {
        QString overflow = QStringLiteral(" ") + format;
        for (QChar &c : overflow)
            if (c == QLatin1Char('9') || c == QLatin1Char('0'))
                c = QLatin1Char('#');
        return overflow;
    }
    if (intDigits < minDigits)
        text.prepend(QString(minDigits - intDigits, QLatin1Char('0')));
    const bool negative = value < 0 && std::any_of(text.begin(), text.end(), [](QChar c) {
                              return c >= QLatin1Char('1') && c <= QLatin1Char('9');
                          });
    text.prepend(negative ? QLatin1Char('-') : QLatin1Char(' '));
    return text.rightJustified(format.size() + 1, QLatin1Char(' '));
}

void toDate(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const QString text = argText(argv[0]);
    const QString format = argc > 1 ? argText(argv[1]) : QStringLiteral("YYYY-MM-DD HH24:MI:SS");
    QDateTime value;
    if (!parseWithFormat(text, format, &value))
        return resultError(ctx, QStringLiteral("TO_DATE: \"%1\" is not a date in the format \"%2\"").arg(text, format));
    // A date, as PostgreSQL's to_date answers: the time of day is read but not kept.
    resultText(ctx, sqliteDateText(value.date()));
}

void toChar(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    if (argc == 1)
        return resultText(ctx, argText(argv[0]));
    const QString format = argText(argv[1]);
    if (isNumberFormat(format)) {
        const int type = sqlite3_value_numeric_type(argv[0]);
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
            return resultError(ctx, QStringLiteral("TO_CHAR: \"%1\" is not a number").arg(argText(argv[0])));
        return resultText(ctx, formatNumber(sqlite3_value_double(argv[0]), format));
    }
    const QDateTime value = parseSqliteDate(argText(argv[0]));
    if (!value.isValid())
        return resultError(ctx, QStringLiteral("TO_CHAR: \"%1\" is not a date").arg(argText(argv[0])));
    resultText(ctx, formatDate(value, format));
}

void concat(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    QString out;
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) != SQLITE_NULL)
            out += argText(argv[i]);
    resultText(ctx, out);
}

void addMonths(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const QDateTime value = parseSqliteDate(argText(argv[0]));
    if (!value.isValid())
        return resultError(ctx, QStringLiteral("ADD_MONTHS: \"%1\" is not a date").arg(argText(argv[0])));
    const QDate from = value.date();
    const QDate shifted = QDate(from.year(), from.month(), 1).addMonths(int(sqlite3_value_int64(argv[1])));
    // The last day of a month goes to the last day of the target month, and a day the target month lacks
    // becomes its last day.
    const int day = from.day() == from.daysInMonth() ? shifted.daysInMonth() : qMin(from.day(), shifted.daysInMonth());
    resultText(ctx, sqliteDateText(QDateTime(QDate(shifted.year(), shifted.month(), day), value.time(), Qt::UTC)));
}

void lpad(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    const QString text = argText(argv[0]);
    const qint64 length = qMax<qint64>(0, sqlite3_value_int64(argv[1]));
    const QString pad = argc > 2 ? argText(argv[2]) : QStringLiteral(" ");
    if (text.size() >= length || pad.isEmpty())
        return resultText(ctx, text.left(length));
    QString fill;
    while (fill.size() < length - text.size())
        fill += pad;
    resultText(ctx, fill.left(length - text.size()) + text);
}

void sysdate(sqlite3_context *ctx, int, sqlite3_value **)
{
    resultText(ctx, sqliteDateText(CurrentLocalDateTime()));
}

} // namespace

namespace {

void putDigits(QChar *&out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out += width;
}

// Built digit by digit: a date here is a calendar value, and no time-zone work is wanted on the way.
QString dateText(const QDate &date, const QTime &time)
{
    if (!date.isValid())
        return {};
    if (date.year() < 1 || date.year() > 9999)
        return QDateTime(date, time, Qt::UTC).toString(kDateFormat);
    QString text(19, Qt::Uninitialized);
    QChar *p = text.data();
    putDigits(p, date.year(), 4);
    *p++ = u'-';
    putDigits(p, date.month(), 2);
    *p++ = u'-';
    putDigits(p, date.day(), 2);
    *p++ = u' ';
    putDigits(p, time.hour(), 2);
    *p++ = u':';
    putDigits(p, time.minute(), 2);
    *p++ = u':';
    putDigits(p, time.second(), 2);
    return text;
}

} // namespace

QString sqliteDateText(const QDateTime &value)
{
    return value.isValid() ? dateText(value.date(), value.time()) : QString();
}

QString sqliteDateText(const QDate &value)
{
    return dateText(value, QTime(0, 0));
}

QDateTime parseSqliteDate(const QString &text)
{
    QStringView t = QStringView(text).trimmed();
    if (t.size() > 19 && t[19] == u'.')
        t = t.left(19);
    if ((t.size() != 10 && t.size() != 19) || t[4] != u'-' || t[7] != u'-')
        return {};
    const int year = DigitsAt(t, 0, 4);
    if (year < 0)
        return {};
    const QDate date(year, DigitsAt(t, 5, 2), DigitsAt(t, 8, 2));
    QTime time(0, 0);
    if (t.size() == 19) {
        if ((t[10] != u' ' && t[10] != u'T') || t[13] != u':' || t[16] != u':')
            return {};
        time = QTime(DigitsAt(t, 11, 2), DigitsAt(t, 14, 2), DigitsAt(t, 17, 2));
    }
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

double roundDecimal(double value, int scale)
{
    const double magnitude = fixedDecimal(value, scale).toDouble();
    return value < 0 ? -magnitude : magnitude;
}

int registerSqliteFunctions(sqlite3 *db)
{
    struct Function
    {
        const char *name;
        int argc;
        void (*fn)(sqlite3_context *, int, sqlite3_value **);
        bool deterministic;
    };
    static const Function functions[] = {
        {"TO_DATE", 1, toDate, true},      {"TO_DATE", 2, toDate, true},    {"TO_CHAR", 1, toChar, true},
        {"TO_CHAR", 2, toChar, true},      {"CONCAT", -1, concat, true},    {"ADD_MONTHS", 2, addMonths, true},
        {"LPAD", 2, lpad, true},           {"LPAD", 3, lpad, true},         {"SYSDATE", 0, sysdate, false},
    };
    for (const Function &f : functions) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        const int rc = sqlite3_create_function_v2(db, f.name, f.argc, flags, nullptr, f.fn, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}
