#include "uSettings.h"

#include "FormatSettings.h"
#include "Money.h"
#include "Services.h"
#include "XmlSettingsStorage.h"
#include "uLog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

const QByteArray cipherKey = QByteArrayLiteral("Velmora-tarvik");

QString voyagerPasswordDefault()
{
    return QStringLiteral("voyager");
}

// A character code key ("dateSeparator"): a key that is missing, not a number or not a character keeps
// the default.
QChar readCharacter(const TXmlSettingsStorage &storage, const QString &path, QChar defaultValue)
{
    const int code = storage.readInteger(path, defaultValue.unicode());
    return code > 0 && code <= 0xFFFF ? QChar(code) : defaultValue;
}

} // namespace

TAppSettings TAppSettings::defaults()
{
    TAppSettings s;
    s.VoyagerPassword = voyagerPasswordDefault();
    s.UILanguage = DefaultUILanguage();
    s.gDbUserName = EncipherText(QStringLiteral("ZOLT"));
    s.gDbPassword = EncipherText(QStringLiteral("zolt"));
    return s;
}

TAppSettings &AppSettings()
{
    static TAppSettings settings = TAppSettings::defaults();
    return settings;
}

QString DefaultUILanguage(const QLocale &locale)
{
    return locale.language() == QLocale::Russian ? QStringLiteral("ru") : QStringLiteral("en");
}

QString EncipherText(const QString &plain)
{
    QByteArray bytes = plain.toUtf8();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ cipherKey[i % cipherKey.size()] ^ char(i * 31));
    return QString::fromLatin1(bytes.toHex().toUpper());
}

bool DecipherText(const QString &enciphered, QString &plain)
{
    if (enciphered.size() % 2 != 0)
        return false;
    for (const QChar c : enciphered) {
        if (!(c.isDigit() || (c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'))) || c.unicode() > 0x7F)
            return false;
    }
    QByteArray bytes = QByteArray::fromHex(enciphered.toLatin1());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ cipherKey[i % cipherKey.size()] ^ char(i * 31));
    const QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        return false;
    plain = text;
    return true;
}

void readPreferencesFromStorage(const TXmlSettingsStorage &storage, const QString &section)
{
    const TAppSettings d = TAppSettings::defaults();
    const TFormatSettings formatDefaults;
    TAppSettings &s = AppSettings();
    TFormatSettings &f = FormatSettings();
    const auto key = [&section](const char *name) { return section + QLatin1Char('\\') + QLatin1String(name); };
    const auto text = [&](const char *name, const QString &def) { return storage.readString(key(name), def); };
    const auto integer = [&](const char *name, int def) { return storage.readInteger(key(name), def); };
    const auto boolean = [&](const char *name, bool def) { return storage.readBoolean(key(name), def); };

    f.ShortDateFormat = text("shortDateFormat", formatDefaults.ShortDateFormat);
    f.LongDateFormat = text("longDateFormat", formatDefaults.LongDateFormat);
    if (f.LongDateFormat == QStringLiteral("d MMMM yyyy 'г.'"))
        f.LongDateFormat = QStringLiteral("dd.MM.yyyy");
    f.DateSeparator = readCharacter(storage, key("dateSeparator"), formatDefaults.DateSeparator);
    f.DecimalSeparator = readCharacter(storage, key("decimalSeparator"), formatDefaults.DecimalSeparator);
    f.ThousandSeparator = readCharacter(storage, key("thousandSeparator"), formatDefaults.ThousandSeparator);

    s.logonUserName = text("logonUserName", d.logonUserName);
    if (s.logonUserName == QStringLiteral("VMDEMO")) {
        s.logonDataBase = QStringLiteral("DEMO");
        s.sessionPassword = QStringLiteral("wisp");
    }
    s.logonDataBase = text("logonDataBase", d.logonDataBase);
    s.enterToTab = boolean("enterToTab", d.enterToTab);
    s.useLargeIcons = boolean("useLargeIcons", d.useLargeIcons);
    s.showCustFilter = boolean("showCustFilter", d.showCustFilter);
    s.useToolBar = boolean("useToolBar", d.useToolBar);
    s.useLeftToolBar = boolean("useLeftToolBar", d.useLeftToolBar);
    s.filterSignPlan = boolean("filterSignPlan", d.filterSignPlan);
    s.filterSignProgress = boolean("filterSignProgress", d.filterSignProgress);
    s.filterSignDone = boolean("filterSignDone", d.filterSignDone);
    s.filterSignCancel = boolean("filterSignCancel", d.filterSignCancel);
    s.useCAS = boolean("useCAS", d.useCAS);
    s.CASserverIP = text("CASserverIP", d.CASserverIP);
    s.CASserverPort = text("CASserverPort", d.CASserverPort);
    s.CASResponseTimeOut = integer("CASResponseTimeOut", d.CASResponseTimeOut);
    s.useHTTP = boolean("useHTTP", d.useHTTP);
    s.HTTPPort = integer("HTTPPort", d.HTTPPort);
    s.HTTPAddress = text("HTTPAddress", d.HTTPAddress);
    s.showLocation = boolean("showLocation", d.showLocation);
    s.useVoyager = boolean("useVoyager", d.useVoyager);
    s.VoyagerODBC = text("VoyagerODBC", d.VoyagerODBC);
    s.VoyagerUser = text("VoyagerUser", d.VoyagerUser);
    s.VoyagerSchema = text("VoyagerSchema", d.VoyagerSchema);
    if (!DecipherText(text("VoyagerPassword", EncipherText(d.VoyagerPassword)), s.VoyagerPassword))
        s.VoyagerPassword = d.VoyagerPassword;
    s.AccountNo = integer("AccountNo", d.AccountNo);
    s.RoundPrecision = integer("RoundPrecision", d.RoundPrecision);
    // The accounting engine below the shell rounds by the same setting.
    SetMoneyRoundPrecision(s.RoundPrecision);
    s.teamFilterId = integer("teamFilterId", d.teamFilterId);
    s.importPaymentsMode = integer("importPaymentsMode", d.importPaymentsMode);
    s.exportMode = integer("exportMode", d.exportMode);
    s.UILanguage = text("UILanguage", d.UILanguage);
    s.gDbUserName = text("gDbUserName", d.gDbUserName);
    s.gDbPassword = text("gDbPassword", d.gDbPassword);
    s.Erip202DocNo = integer("Erip202DocNo", d.Erip202DocNo);
    s.Erip202DocPath = text("Erip202DocPath", d.Erip202DocPath);
    s.Erip210DocPath = text("Erip210DocPath", d.Erip210DocPath);
    s.BankDbfFilePath = text("BankDbfFilePath", d.BankDbfFilePath);
}

void persistPreferencesToStorage(TXmlSettingsStorage &storage, const QString &section)
{
    const TAppSettings &s = AppSettings();
    const TFormatSettings &f = FormatSettings();
    const auto key = [&section](const char *name) { return section + QLatin1Char('\\') + QLatin1String(name); };
    const auto text = [&](const char *name, const QString &value) { storage.writeString(key(name), value); };
    const auto integer = [&](const char *name, int value) { storage.writeInteger(key(name), value); };
    const auto boolean = [&](const char *name, bool value) { storage.writeBoolean(key(name), value); };

    integer("dateSeparator", f.DateSeparator.unicode());
    integer("decimalSeparator", f.DecimalSeparator.unicode());
    integer("thousandSeparator", f.ThousandSeparator.unicode());
    text("shortDateFormat", f.ShortDateFormat);
    text("longDateFormat", f.LongDateFormat);
    text("logonUserName", s.logonUserName);
    text("logonDataBase", s.logonDataBase);
    boolean("enterToTab", s.enterToTab);
    boolean("useLargeIcons", s.useLargeIcons);
    boolean("filterSignPlan", s.filterSignPlan);
    boolean("filterSignProgress", s.filterSignProgress);
    boolean("filterSignDone", s.filterSignDone);
    boolean("filterSignCancel", s.filterSignCancel);
    boolean("useCAS", s.useCAS);
    boolean("useHTTP", s.useHTTP);
    boolean("useToolBar", s.useToolBar);
    boolean("useLeftToolBar", s.useLeftToolBar);
    text("CASserverIP", s.CASserverIP);
    text("CASserverPort", s.CASserverPort);
    integer("CASResponseTimeOut", s.CASResponseTimeOut);
    integer("HTTPPort", s.HTTPPort);
    text("HTTPAddress", s.HTTPAddress);
    boolean("showLocation", s.showLocation);
    boolean("showCustFilter", s.showCustFilter);
    boolean("useVoyager", s.useVoyager);
    text("VoyagerODBC", s.VoyagerODBC);
    text("VoyagerUser", s.VoyagerUser);
    text("VoyagerSchema", s.VoyagerSchema);
    text("VoyagerPassword", EncipherText(s.VoyagerPassword));
    text("UILanguage", s.UILanguage);
    integer("AccountNo", s.AccountNo);
    integer("RoundPrecision", s.RoundPrecision);
    integer("importPaymentsMode", s.importPaymentsMode);
    integer("exportMode", s.exportMode);
    integer("teamFilterId", s.teamFilterId);
    text("gDbUserName", s.gDbUserName);
    text("gDbPassword", s.gDbPassword);
    integer("Erip202DocNo", s.Erip202DocNo);
    text("Erip210DocPath", s.Erip210DocPath);
    text("Erip202DocPath", s.Erip202DocPath);
    text("BankDbfFilePath", s.BankDbfFilePath);
}

QString SettingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Velmora/tarvik/settings.xml");
}

TXmlSettingsStorage &SettingsStorage()
{
    static TXmlSettingsStorage storage(SettingsFilePath());
    return storage;
}

void LoadSettings()
{
    TXmlSettingsStorage &storage = SettingsStorage();
    if (!storage.reload()) {
        // The exit writes back only what could be read: the whole file is kept beside it first, so that the
        // sections after the fault can still be mended by hand.
        const QString file = QDir::toNativeSeparators(storage.fileName());
        LogError(QStringLiteral("Файл настроек %1 прочитан не полностью").arg(file));
        const QString copy = storage.fileName() + QStringLiteral(".bad");
        QFile::remove(copy);
        QString text = QStringLiteral("Файл настроек %1 поврежден: прочитана только его часть, остальные настройки "
                                      "взяты по умолчанию.\r")
                           .arg(file);
        if (QFile::copy(storage.fileName(), copy))
            text += QStringLiteral("Его копия сохранена как %1").arg(QDir::toNativeSeparators(copy));
        else
            text += QStringLiteral("Сохранить копию файла не удалось: при выходе из программы он будет перезаписан");
        Services::messages()->warning(text);
    }
    readPreferencesFromStorage(storage, PreferencesSection);
}

void SaveSettings()
{
    TXmlSettingsStorage &storage = SettingsStorage();
    persistPreferencesToStorage(storage, PreferencesSection);
    storage.flush();
}
