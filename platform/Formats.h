#pragma once

#include "FormatSettings.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <vector>

// The platform's date-time number: days since 30/12/1899, the time of day as the fraction. A negative value
// counts days backwards while its fraction still moves forward in the day (-1.25 is 29/12/1899 06:00).
using TDateTime = double;

TDateTime DateToDayCount(const QDate &date);
TDateTime DateTimeToDayCount(const QDateTime &dateTime);
TDateTime TimeToDayFraction(const QTime &time);
QDate DayCountToDate(TDateTime value);
QDateTime DayCountToDateTime(TDateTime value);
// Raises EConvertError for a day, month or time outside its range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// "0" and "#" digit placeholders, "." the decimal point, "," thousands, "E+"/"E-" scientific, ";" between the
// positive, negative and zero sections, quoted text copied, any other character a literal. Literals between
// integer placeholders are dropped until the first digit is written, so "### ##0" gives "5", not "    5".
QString FormatFloat(const QString &format, double value);
// General format with 15 significant digits.
QString FloatToStr(double value);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// The same with a decimal separator of the caller's instead of FormatSettings()'s (a report's number format
// carries its own).
QString FormatFloat(const QString &format, double value, QChar decimalSeparator);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, QChar decimalSeparator);
// As FormatFloat and FloatToStrF, on the value first held as the platform's fixed-point currency (4 decimals).
QString FormatCurr(const QString &format, double value);
QString CurrToStrF(double value, TFloatFormat format, int digits);

// The platform's tokens (d dd ddd dddd ddddd dddddd, m mm mmm mmmm, yy yyyy, h hh, n nn, s ss, z zzz, t tt, c,
// am/pm a/p ampm), case-insensitive; "m" right after an hour token means minutes; "/" and ":" become the date and
// time separators; quoted text is copied. An empty format means "c".
QString FormatDateTime(const QString &format, TDateTime value);
QString FormatDateTime(const QString &format, const QDateTime &value);
// Short date and long time; the time is left out at midnight.
QString DateTimeToStr(TDateTime value);
QString DateToStr(TDateTime value);
QString TimeToStr(TDateTime value);

// Parsing by FormatSettings(); the Str* forms raise EConvertError ("'x' is not a valid date"), the Try* forms
// answer false. A date of two numbers takes the current year; a two-digit year falls in the century window.
TDateTime StrToDate(const QString &text);
TDateTime StrToTime(const QString &text);
TDateTime StrToDateTime(const QString &text);
bool TryStrToDate(const QString &text, TDateTime &value);
bool TryStrToTime(const QString &text, TDateTime &value);
bool TryStrToDateTime(const QString &text, TDateTime &value);

// Blanks around the number are allowed; the decimal separator is FormatSettings().DecimalSeparator.
double StrToFloat(const QString &text);
bool TryStrToFloat(const QString &text, double &value);
int StrToInt(const QString &text);
bool TryStrToInt(const QString &text, int &value);

// The number written in `count` ASCII digits from `at`; -1 when the text ends before them or one is no digit.
// For fixed-layout dates read by the thousand, where a locale-aware parser would cost more than the rest.
int DigitsAt(QStringView text, qsizetype at, int count);

// a * b / c with a 64-bit intermediate, rounded half away from zero; -1 when c is 0 or the result overflows.
int MulDiv(int a, int b, int c);
// The platform's rounding to an integer: halves go to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Raises EConvertError when the value does not fit in 64 bits.
qint64 Round(double value);
// The one rounding helper for "halves to even".
double roundHalfEven(double value);

// The edit text that the edit mask (see EditMask.h) makes of value: ("000-00;0; ", "12345") gives
// "123-45". An empty mask gives the value unchanged.
QString FormatMaskText(const QString &editMask, const QString &value);

// Upper and lower case by the Russian locale's rules.
QString TextToUpper(const QString &text);
QString TextToLower(const QString &text);
// Locale-aware comparisons answering <0, 0 or >0 (the Russian collation, ё after е).
int CompareTextCaseSensitive(const QString &a, const QString &b);
int CompareTextIgnoreCase(const QString &a, const QString &b);
int CompareText(const QString &a, const QString &b);

// The collation's weight of a character, case aside: comparing texts by the weights of their characters, as
// arrays, orders them as the comparisons above do, but for the ties those break between different characters of
// equal weight (an accented letter and its base letter, digits of other scripts). Plain characters (ASCII and
// the Russian alphabet in either case) have no such ties, and their case maps one to one: between plain texts,
// equal weights mean texts equal but for case, as TextToUpper makes them equal.
quint32 CollationWeight(QChar c);
bool IsPlainText(QChar c);
// Appends the weights of text's characters to out and answers whether text is plain.
bool AppendCollationWeights(const QString &text, std::vector<quint32> &out);
// Whether text begins with what (or equals it, when prefix is false) once both are upper-cased by TextToUpper;
// plain texts are compared where they lie, without copies.
bool TextMatchesIgnoreCase(const QString &text, const QString &what, bool prefix);

// Sorting in the Russian alphabet: digits, then Latin, then Cyrillic letters in their alphabet order with ё a
// letter of its own after е. Case only breaks ties (lower case first) unless case is ignored.
class RussianCollator
{
public:
    explicit RussianCollator(Qt::CaseSensitivity cs = Qt::CaseSensitive)
        : m_cs(cs)
    {
    }
    int compare(const QString &a, const QString &b) const;
    bool operator()(const QString &a, const QString &b) const { return compare(a, b) < 0; }

private:
    Qt::CaseSensitivity m_cs;
};
