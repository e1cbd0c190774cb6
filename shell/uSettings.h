#pragma once

#include <QLocale>
#include <QString>

class TXmlSettingsStorage;

// The per-user settings: process-wide values read from the settings file when the main window is created
// and written back when it is destroyed. The separators and the date formats of the same file are not
// held here: they are the process-wide FormatSettings() themselves.
struct TAppSettings
{
    QString logonUserName = QStringLiteral("VMDEMO");
    QString logonDataBase = QStringLiteral("DEMO");
    // Typed at login, or "wisp" for the demonstration user; never written to the file.
    QString sessionPassword;
    bool enterToTab = true;
    bool useLargeIcons = true;
    bool showCustFilter = false;
    bool useToolBar = true;
    bool useLeftToolBar = true;
    bool filterSignPlan = true;
    bool filterSignProgress = true;
    bool filterSignDone = true;
    bool filterSignCancel = true;
    bool useCAS = false;
    QString CASserverIP = QStringLiteral("192.168.0.10");
    QString CASserverPort = QStringLiteral("7000");
    int CASResponseTimeOut = 30000;
    bool useHTTP = false;
    int HTTPPort = 8088;
    // The address the cabinet's server listens on; every interface unless narrowed.
    QString HTTPAddress = QStringLiteral("0.0.0.0");
    bool showLocation = true;
    bool useVoyager = false;
    QString VoyagerODBC = QStringLiteral("voyager-mysql");
    QString VoyagerUser = QStringLiteral("root");
    QString VoyagerSchema = QStringLiteral("voyager2016");
    // Held in plain text, stored enciphered.
    QString VoyagerPassword;
    int AccountNo = 1;
    int RoundPrecision = 2;
    int teamFilterId = 0;
    int importPaymentsMode = 0;
    int exportMode = 0;
    QString UILanguage;
    // Held and stored enciphered; kept for the file's sake, nothing reads them.
    QString gDbUserName;
    QString gDbPassword;
    int Erip202DocNo = 1;
    QString Erip202DocPath = QStringLiteral("C:\\");
    QString Erip210DocPath = QStringLiteral("C:\\");
    QString BankDbfFilePath = QStringLiteral("C:\\b7003SKIT.dbf");

    // The values a fresh installation starts with (the file's defaults).
    static TAppSettings defaults();
};

// The one process-wide instance.
TAppSettings &AppSettings();

// Reads every key from "<section>\<key>" into AppSettings() and FormatSettings(); a missing or
// unreadable key gives its default.
void readPreferencesFromStorage(const TXmlSettingsStorage &storage, const QString &section);
// Writes every key to "<section>\<key>".
void persistPreferencesToStorage(TXmlSettingsStorage &storage, const QString &section);

// "ru" for a Russian-speaking user (any country), otherwise "en".
QString DefaultUILanguage(const QLocale &locale = QLocale::system());

// The reversible enciphering of the stored passwords. Deciphering answers false for a text that no
// enciphering gives.
QString EncipherText(const QString &plain);
bool DecipherText(const QString &enciphered, QString &plain);

// <user configuration folder>/Velmora/tarvik/settings.xml
QString SettingsFilePath();
// The settings file of this run, also used by the windows that keep their placement in it.
TXmlSettingsStorage &SettingsStorage();
// Start and exit of the main window: the file into the settings, and back. A file that cannot be read whole
// is kept beside it as "<file>.bad" before the exit writes over it, and the user is told.
void LoadSettings();
void SaveSettings();

// The section of the preferences in the settings file.
inline const QString PreferencesSection = QStringLiteral("preferences");
