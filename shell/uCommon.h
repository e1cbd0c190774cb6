#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// Free routines shared by the whole program: money rounding, month boundaries, SQL date literals and
// range conditions, period captions, amounts in Russian words, lenient number parsing, the standard
// confirmations and the keyboard layout switch. None of them holds state.

// Money and numbers

// RoundMoney lives below the data layer, so that the accounting engine rounds by the same rule.
#include "Money.h"

// "0" for 0, otherwise the shortest float text with a "." whatever the decimal separator is.
QString FloatToDotText(double x);

// Reads a typed or imported amount leniently: either separator is taken for the decimal point, blanks
// inside the number are dropped, "" and ".5" and "5." are read as 0, 0.5 and 5. A null gives 0.
// Throws EConvertError when what is left is not a number.
double TextToFloat(const QVariant &value);

// Dates. A date "not given" is a null variant, an invalid date or the zero date (30.12.1899). Month bounds,
// captions and NumberToText live below the data layer, so that the accounting engine names months alike.
#include "Periods.h"

QDate StartOfCurrentMonth();
QDate EndOfCurrentMonth();
QDate StartOfCurrentYear();
QDate EndOfCurrentYear();

// "Null", or "TO_DATE('dd/mm/yyyy','DD/MM/YYYY')".
QString DateToSqlLiteral(const QVariant &value);

// A where-condition on a date column for the period from..to; either end may be open.
QString BuildRangeCondition(const QString &fieldName, const QVariant &fromValue, const QVariant &toValue);

// The statement the SQL window starts with, for the user to change.
QString TestSqlStartText();

// The period buttons: 0 all time, 1 today, 2 yesterday, 3 this month, 4 this year; other kinds leave
// both dates as they are. "All time" starts at the zero date.
void PeriodPreset(int kind, QDate &from, QDate &to);

// Words

struct TConvertData
{
    QString digits;
    quint8 gender = 1; // 1 masculine, 2 neuter, 3 feminine
    QString form1;     // after 1
    QString form2to4;  // after 2 to 4
    QString form5plus; // after 5 or more, and after 11 to 19
};

// "1001", gender 1, "рубль", "рубля", "рублей" gives "Одна тысяча один рубль". Digits that are all
// zeros give an empty text. Throws EConvertError for anything but up to fifteen decimal digits.
QString AmountToWords(const QString &digits, int gender, const QString &form1, const QString &form2to4,
                      const QString &form5plus);
QString AmountToWords(const TConvertData &data);

// Dialogs, through the message service

bool ConfirmSaveChanges();
bool ShowInfoMessage(const QString &text);
bool ConfirmDeleteRecord(const QString &language, const QString &detail);

// System information

struct TMashineInfo
{
    QString osText;
    QString biosVersion;
    QString biosDate;
    QString videoBiosVersion;
    QString videoBiosDate;
};

// The operating system, as the about box and the system information show it.
QString OperatingSystemText();
// The firmware texts are empty where the machine does not tell them.
bool GetMachineInfo(TMashineInfo &info);
// The main window's "Информация о системе": memory load, physical and virtual memory, the system.
void ShowMemoryInfo();

// Keyboard

// The layout name: eight hexadecimal digits of (subLanguage << 10) | primaryLanguage.
QString KeyboardLayoutName(int primaryLanguage, int subLanguage);
void SetKeyboardLayout(int primaryLanguage, int subLanguage);
// "RU", "GE" or anything else (English).
void SetKeyboardLanguage(const QString &code);
