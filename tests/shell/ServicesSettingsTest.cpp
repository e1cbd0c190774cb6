// The settings file: every key survives a round trip, and a file that is missing, empty, broken or holds
// values of the wrong type gives the defaults for what cannot be read.
#include "Exceptions.h"
#include "FormatSettings.h"
#include "XmlSettingsStorage.h"
#include "uSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ServicesSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = AppSettings();
        AppSettings() = TAppSettings::defaults();
    }
    void TearDown() override { AppSettings() = m_saved; }

    QString path() const { return m_dir.filePath(QStringLiteral("Velmora/tarvik/settings.xml")); }

    void writeFile(const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray fileText() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Reads the file as the main window does at start.
    bool load() const
    {
        TXmlSettingsStorage storage(path());
        const bool whole = storage.reload();
        readPreferencesFromStorage(storage, PreferencesSection);
        return whole;
    }

    void save() const
    {
        TXmlSettingsStorage storage(path());
        storage.reload();
        persistPreferencesToStorage(storage, PreferencesSection);
        storage.flush();
    }

    static QByteArray preferences(const QByteArray &body)
    {
        return "<?xml version=\"1.0\"?>\n<Configuration><preferences>" + body + "</preferences></Configuration>\n";
    }

    FormatSettingsScope m_formats;
    TAppSettings m_saved;
    QTemporaryDir m_dir;
};

void expectSame(const TAppSettings &a, const TAppSettings &b)
{
#define SAME(key) EXPECT_EQ(a.key, b.key) << #key
    SAME(logonUserName); SAME(logonDataBase); SAME(enterToTab); SAME(useLargeIcons); SAME(showCustFilter);
    SAME(useToolBar); SAME(useLeftToolBar); SAME(filterSignPlan); SAME(filterSignProgress); SAME(filterSignDone);
    SAME(filterSignCancel); SAME(useCAS); SAME(CASserverIP); SAME(CASserverPort); SAME(CASResponseTimeOut);
    SAME(useHTTP); SAME(HTTPPort); SAME(showLocation); SAME(useVoyager); SAME(VoyagerODBC); SAME(VoyagerUser);
    SAME(VoyagerSchema); SAME(VoyagerPassword); SAME(AccountNo); SAME(RoundPrecision); SAME(teamFilterId);
    SAME(importPaymentsMode); SAME(exportMode); SAME(UILanguage); SAME(gDbUserName); SAME(gDbPassword);
    SAME(Erip202DocNo); SAME(Erip202DocPath); SAME(Erip210DocPath); SAME(BankDbfFilePath);
#undef SAME
}

} // namespace

TEST_F(ServicesSettings, RoundTripKeepsEveryKeyAndEscapesMarkup)
{
    TAppSettings &s = AppSettings();
    s.logonUserName = QStringLiteral("OPERATOR");
    s.logonDataBase = QStringLiteral("PROD");
    s.sessionPassword = QStringLiteral("secret");
    s.enterToTab = false;
    s.useLargeIcons = false;
    s.showCustFilter = true;
    s.useToolBar = false;
    s.useLeftToolBar = false;
    s.filterSignPlan = false;
    s.filterSignProgress = false;
    s.filterSignDone = false;
    s.filterSignCancel = false;
    s.useCAS = true;
    s.CASserverIP = QStringLiteral("10.1.2.3");
    s.CASserverPort = QStringLiteral("7100");
    s.CASResponseTimeOut = 5000;
    s.useHTTP = true;
    s.HTTPPort = 9090;
    s.showLocation = false;
    s.useVoyager = true;
    s.VoyagerODBC = QStringLiteral("fleet & <trucks>");
    s.VoyagerUser = QStringLiteral("Иванов");
    s.VoyagerSchema = QStringLiteral("v2020");
    s.VoyagerPassword = QStringLiteral("p<&>ss");
    s.AccountNo = 12345;
    s.RoundPrecision = -2;
    s.teamFilterId = 7;
    s.importPaymentsMode = 63;
    s.exportMode = 3;
    s.UILanguage = QStringLiteral("en");
    s.gDbUserName = EncipherText(QStringLiteral("user"));
    s.gDbPassword = EncipherText(QStringLiteral("pass"));
    s.Erip202DocNo = 42;
    s.Erip202DocPath = QStringLiteral("/srv/erip/202");
    s.Erip210DocPath = QStringLiteral("/srv/erip/210");
    s.BankDbfFilePath = QStringLiteral("/srv/bank/b7003.dbf");
    FormatSettings().DateSeparator = QLatin1Char('.');
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    FormatSettings().ThousandSeparator = QChar(0x00A0);
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yy");
    FormatSettings().LongDateFormat = QStringLiteral("dd mmmm yyyy");
    const TAppSettings written = s;
    save();

    const QByteArray text = fileText();
    EXPECT_TRUE(text.contains("<Configuration>"));
    EXPECT_TRUE(text.contains("<VoyagerODBC>fleet &amp; &lt;trucks&gt;</VoyagerODBC>")) << text.toStdString();
    EXPECT_TRUE(text.contains("<useCAS>TRUE</useCAS>"));
    EXPECT_TRUE(text.contains("<enterToTab>FALSE</enterToTab>"));
    EXPECT_TRUE(text.contains("<decimalSeparator>44</decimalSeparator>"));
    EXPECT_FALSE(text.contains("p<&>ss")) << "the Voyager password is stored enciphered";
    EXPECT_FALSE(text.contains("secret")) << "the session password is never written";

    AppSettings() = TAppSettings::defaults();
    FormatSettings() = TFormatSettings();
    EXPECT_TRUE(load());
    expectSame(AppSettings(), written);
    EXPECT_EQ(FormatSettings().DateSeparator, QLatin1Char('.'));
    EXPECT_EQ(FormatSettings().DecimalSeparator, QLatin1Char(','));
    EXPECT_EQ(FormatSettings().ThousandSeparator, QChar(0x00A0));
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("dd/mm/yy"));
    EXPECT_EQ(FormatSettings().LongDateFormat, QStringLiteral("dd mmmm yyyy"));
}

TEST_F(ServicesSettings, UnreadableFilesGiveTheDefaults)
{
    const struct
    {
        const char *what;
        QByteArray content;
        bool whole;
    } files[] = {
        {"empty", QByteArray(), true},
        {"not XML", "this is not a settings file", false},
        {"another root", "<?xml version=\"1.0\"?><Settings><preferences><HTTPPort>1</HTTPPort></preferences></Settings>",
         false},
        {"binary", QByteArray("\x00\x01\xff\xfe<", 5), false},
    };
    for (const auto &f : files) {
        AppSettings().HTTPPort = 1;
        FormatSettings().DecimalSeparator = QLatin1Char('#');
        writeFile(f.content);
        EXPECT_EQ(load(), f.whole) << f.what;
        expectSame(AppSettings(), TAppSettings::defaults());
        EXPECT_EQ(FormatSettings().DecimalSeparator, QLatin1Char('.')) << f.what;
    }

    QFile::remove(path());
    AppSettings().HTTPPort = 1;
    EXPECT_TRUE(load());
    expectSame(AppSettings(), TAppSettings::defaults());
}

TEST_F(ServicesSettings, EachKeyFallsBackOnItsOwn)
{
    writeFile(preferences("<HTTPPort>abc</HTTPPort><AccountNo>77</AccountNo>"
                          "<enterToTab>maybe</enterToTab><useCAS>yes</useCAS><useHTTP>Y</useHTTP>"
                          "<useLargeIcons>no</useLargeIcons><showLocation>n</showLocation>"
                          "<dateSeparator>slash</dateSeparator><decimalSeparator>44</decimalSeparator>"
                          "<thousandSeparator>-5</thousandSeparator><RoundPrecision> 0 </RoundPrecision>"
                          "<VoyagerPassword>not enciphered</VoyagerPassword><CASserverIP/>"));
    EXPECT_TRUE(load());
    const TAppSettings &s = AppSettings();
    const TAppSettings d = TAppSettings::defaults();
    EXPECT_EQ(s.HTTPPort, 8088);
    EXPECT_EQ(s.AccountNo, 77);
    EXPECT_TRUE(s.enterToTab);
    EXPECT_TRUE(s.useCAS);
    EXPECT_TRUE(s.useHTTP);
    EXPECT_FALSE(s.useLargeIcons);
    EXPECT_FALSE(s.showLocation);
    EXPECT_EQ(s.RoundPrecision, 0);
    EXPECT_EQ(s.VoyagerPassword, d.VoyagerPassword);
    EXPECT_EQ(s.CASserverIP, QString());
    EXPECT_EQ(s.CASResponseTimeOut, 30000);
    EXPECT_EQ(FormatSettings().DateSeparator, QLatin1Char('/'));
    EXPECT_EQ(FormatSettings().DecimalSeparator, QLatin1Char(','));
    EXPECT_EQ(FormatSettings().ThousandSeparator, QLatin1Char(' '));
}

TEST_F(ServicesSettings, BrokenFileKeepsWhatWasReadBeforeTheFault)
{
    writeFile("<Configuration><preferences><HTTPPort>9000</HTTPPort><useCAS>TRUE</useCAS><Account");
    EXPECT_FALSE(load());
    EXPECT_EQ(AppSettings().HTTPPort, 9000);
    EXPECT_TRUE(AppSettings().useCAS);
    EXPECT_EQ(AppSettings().AccountNo, 1);
}

TEST_F(ServicesSettings, DemonstrationUserAndLongDateFormat)
{
    writeFile(preferences("<logonUserName>VMDEMO</logonUserName>"));
    load();
    EXPECT_EQ(AppSettings().logonDataBase, QStringLiteral("DEMO"));
    EXPECT_EQ(AppSettings().sessionPassword, QStringLiteral("wisp"));

    AppSettings().sessionPassword.clear();
    writeFile(preferences("<logonUserName>VMDEMO</logonUserName><logonDataBase>PROD</logonDataBase>"));
    load();
    EXPECT_EQ(AppSettings().logonDataBase, QStringLiteral("PROD"));
    EXPECT_EQ(AppSettings().sessionPassword, QStringLiteral("wisp"));

    AppSettings().sessionPassword = QStringLiteral("typed");
    writeFile(preferences("<logonUserName>IVANOV</logonUserName><longDateFormat>d MMMM yyyy 'г.'</longDateFormat>"));
    load();
    EXPECT_EQ(AppSettings().logonDataBase, QStringLiteral("DEMO"));
    EXPECT_EQ(AppSettings().sessionPassword, QStringLiteral("typed"));
    EXPECT_EQ(FormatSettings().LongDateFormat, QStringLiteral("dd.MM.yyyy"));
}

TEST_F(ServicesSettings, WritingKeepsOtherWindowsPlacementsAndFailsWhole)
{
    writeFile("<Configuration><frmMain><Left>10</Left></frmMain><preferences><HTTPPort>1</HTTPPort></preferences>"
              "</Configuration>");
    AppSettings().HTTPPort = 8100;
    save();
    TXmlSettingsStorage storage(path());
    ASSERT_TRUE(storage.reload());
    EXPECT_EQ(storage.readInteger(QStringLiteral("frmMain\\Left"), 0), 10);
    EXPECT_EQ(storage.readInteger(QStringLiteral("preferences\\HTTPPort"), 0), 8100);

    const QByteArray before = fileText();
    TXmlSettingsStorage blocked(path() + QStringLiteral("/settings.xml"));
    blocked.writeInteger(QStringLiteral("preferences\\HTTPPort"), 1);
    EXPECT_THROW(blocked.flush(), Exception);
    EXPECT_EQ(fileText(), before);
}

TEST(ServicesSettingsStorage, PathSegmentsBecomeElementNames)
{
    const struct
    {
        const char *segment;
        const char *name;
    } cases[] = {{"frmMain", "frmMain"}, {"frm Main", "frm_Main"}, {"1st", "_st"}, {"a/b<c>", "a_b_c_"},
                 {"Окно", "Окно"},       {"x.y-z_1", "x.y-z_1"}};
    for (const auto &c : cases)
        EXPECT_EQ(TXmlSettingsStorage::elementName(QString::fromUtf8(c.segment)), QString::fromUtf8(c.name));

    QTemporaryDir dir;
    TXmlSettingsStorage storage(dir.filePath(QStringLiteral("s.xml")));
    storage.writeString(QStringLiteral("frm Guide\\Left"), QStringLiteral("5"));
    storage.flush();
    TXmlSettingsStorage again(storage.fileName());
    ASSERT_TRUE(again.reload());
    EXPECT_EQ(again.readInteger(QStringLiteral("frm Guide\\Left"), 0), 5);
    EXPECT_EQ(again.readInteger(QStringLiteral("frm_Guide\\Left"), 0), 5);
}

TEST(ServicesSettingsValues, InterfaceLanguageAndEnciphering)
{
    for (const char *name : {"ru_RU", "ru_UA", "ru_BY", "ru_KZ"})
        EXPECT_EQ(DefaultUILanguage(QLocale(QString::fromLatin1(name))), QStringLiteral("ru")) << name;
    for (const char *name : {"en_US", "uk_UA", "be_BY", "de_DE"})
        EXPECT_EQ(DefaultUILanguage(QLocale(QString::fromLatin1(name))), QStringLiteral("en")) << name;

    for (const QString &plain : {QString(), QStringLiteral("quillcove"), QStringLiteral("пароль & <x>")}) {
        const QString enciphered = EncipherText(plain);
        EXPECT_TRUE(plain.isEmpty() || enciphered != plain);
        QString back;
        ASSERT_TRUE(DecipherText(enciphered, back));
        EXPECT_EQ(back, plain);
    }
    QString untouched = QStringLiteral("kept");
    for (const QString &bad : {QStringLiteral("abc"), QStringLiteral("zz"), QStringLiteral("plain text")}) {
        EXPECT_FALSE(DecipherText(bad, untouched));
        EXPECT_EQ(untouched, QStringLiteral("kept"));
    }
}
