#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// The process-wide separators, date and time formats and names that every formatting and parsing routine
// reads. The shell sets them from the settings file at start; tests set them and restore them with
// FormatSettingsScope. Read and changed on the user-interface thread; other threads only read.
struct TFormatSettings
{
    QChar DecimalSeparator = QLatin1Char('.');
    QChar ThousandSeparator = QLatin1Char(' ');
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QString ShortDateFormat = QStringLiteral("dd.MM.yyyy");
    QString LongDateFormat = QStringLiteral("dd.MM.yyyy");
    QString ShortTimeFormat = QStringLiteral("h:mm");
    QString LongTimeFormat = QStringLiteral("h:mm:ss");
    QString TimeAMString;
    QString TimePMString;
    QString CurrencyString = QStringLiteral("р.");
    int CurrencyFormat = 3; // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int NegCurrFormat = 8; // 0..15, the platform's table; 8 is "-1 $"
    int CurrencyDecimals = 2;
    // A two-digit year is taken within this many years before the current year (0: the current century).
    int TwoDigitYearCenturyWindow = 50;
    QStringList ShortMonthNames; // 12 entries, January first
    QStringList LongMonthNames;
    QStringList ShortDayNames; // 7 entries, Sunday first
    QStringList LongDayNames;

    TFormatSettings();
};

// The one process-wide instance.
TFormatSettings &FormatSettings();

// Restores the process-wide settings on destruction; tests change FormatSettings() freely inside one.
class FormatSettingsScope
{
public:
    FormatSettingsScope();
    ~FormatSettingsScope();
    FormatSettingsScope(const FormatSettingsScope &) = delete;
    FormatSettingsScope &operator=(const FormatSettingsScope &) = delete;

private:
    TFormatSettings m_saved;
};
