// The bank, ERIP and post exports, byte for byte, on both engines.
#include "PaymentsFixture.h"
#include "ServiceFakes.h"
#include "uPaymentsExport.h"
#include "frmuMain.h"
#include "uSettings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <shapefil.h>

namespace {

class PaymentsExport : public PaymentsFixture
{
protected:
    void SetUp() override
    {
        PaymentsFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(m_dir.isValid());
        m_saved = AppSettings();
        exec("update ZOLT.COMPANY set LOCATION_ID = 3, ERIP = '4441', UNN = '190000001', BANK_CODE = '153', "
             "TAX_CODE = '101' where COMPANY_ID = 1");
        exec("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME, LOCATION_ID, ERIP, UNN) values (3, 'Юг', 3, "
             "'4443', '190000003')");
        // Live, owing; live with a credit; ended yesterday; live in company 3 with a 12-character account.
        addCustomer(1, "1002", "Петров", "Иван", "Ильич", "И.И.", "3", "2020-12-31", 15.5, 1, "П");
        addCustomer(2, "1001", "Сидорова", "Анна", nullptr, "А.", "12", "4712-12-31", -40, 1, "A");
        addCustomer(3, "1003", "Кузнецов", "Олег", "Петрович", "О.П.", "5", "2020-01-14", 99, 1, "");
        addCustomer(4, "123456789012", "Орлов", "Юрий", "Юрьевич", "Ю.Ю.", "7", "4712-12-31", 7.125, 3, "");
    }

    void TearDown() override
    {
        AppSettings() = m_saved;
        PaymentsFixture::TearDown();
    }

    void addCustomer(int id, const char *account, const char *surname, const char *first, const char *mid,
        const char *initials, const char *flat, const char *validTo, double debt, int company, const char *prop)
    {
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, FIRSTNAME, MIDLENAME, "
                           "INITIALS, HOUSE_ID, FLAT_NO, VALID_TO, DEBT_SUM, COMPANY_ID, CUST_PROP) values (:P_ID, "
                           ":P_ACC, :P_SUR, :P_FIRST, :P_MID, :P_INI, 7, :P_FLAT, :P_TO, :P_DEBT, :P_COMP, :P_PROP)"),
            ParamsOf({ { QStringLiteral("P_ID"), id }, { QStringLiteral("P_ACC"), QString::fromUtf8(account) },
                { QStringLiteral("P_SUR"), QString::fromUtf8(surname) },
                { QStringLiteral("P_FIRST"), QString::fromUtf8(first) },
                { QStringLiteral("P_MID"), mid ? QVariant(QString::fromUtf8(mid)) : QVariant() },
                { QStringLiteral("P_INI"), QString::fromUtf8(initials) },
                { QStringLiteral("P_FLAT"), QString::fromUtf8(flat) },
                { QStringLiteral("P_TO"),
                    QDateTime(QDate::fromString(QString::fromLatin1(validTo), Qt::ISODate), QTime(0, 0)) },
                { QStringLiteral("P_DEBT"), debt }, { QStringLiteral("P_COMP"), company },
                { QStringLiteral("P_PROP"), QString::fromUtf8(prop) } }));
    }

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static QByteArray bytes(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static QByteArray cp1251(const char *utf8) { return QStringToCP1251(QString::fromUtf8(utf8)); }

    // A table of the partner's structure, with one old record in it.
    void makeDbf(
        const QString &file, const char *codePage, const QList<std::tuple<const char *, DBFFieldType, int>> &fields)
    {
        DBFHandle h = DBFCreateEx(QFile::encodeName(file).constData(), codePage);
        ASSERT_NE(h, nullptr);
        for (const auto &[name, type, width] : fields)
            DBFAddField(h, name, type, width, type == FTDouble ? 2 : 0);
        DBFWriteStringAttribute(h, 0, 0, "OLD");
        DBFClose(h);
    }

    struct DbfRead
    {
        int language = 0;
        QList<QStringList> rows;
    };
    static DbfRead readDbf(const QString &file, CodePage page)
    {
        DbfRead out;
        DBFHandle h = DBFOpen(QFile::encodeName(file).constData(), "rb");
        if (!h)
            return out;
        out.language = h->iLanguageDriver;
        for (int r = 0; r < DBFGetRecordCount(h); ++r) {
            QStringList row;
            for (int f = 0; f < DBFGetFieldCount(h); ++f)
                row << decodeText(QByteArray(DBFReadStringAttribute(h, r, f)), page).trimmed();
            out.rows << row;
        }
        DBFClose(h);
        return out;
    }

    QTemporaryDir m_dir;
    TAppSettings m_saved;
    FakeClock m_clock { QDateTime(QDate(2020, 1, 15), QTime(9, 5, 7)) };
    FakeDialogService m_dialogs;
    FakeMessageService m_messages;
};

TEST_P(PaymentsExport, TextLinesHoldLiveCustomersByAccountWithCreditsAsZero)
{
    struct Case
    {
        int mode;
        const char *expected;
    };
    const Case cases[] = {
        { 0,
            "Сидорова Анна ;Гродно,Лесная,14,12;1001;0.00;A\r\n"
            "Петров Иван Ильич;Гродно,Лесная,14,3;1002;15.50;П\r\n"
            "Орлов Юрий Юрьевич;Гродно,Лесная,14,7;123456789012;7.13;\r\n" },
        { 1,
            "1001;Сидорова Анна ;Гродно,Лесная,14,12;0.00;A\r\n"
            "1002;Петров Иван Ильич;Гродно,Лесная,14,3;15.50;П\r\n"
            "123456789012;Орлов Юрий Юрьевич;Гродно,Лесная,14,7;7.13;\r\n" },
    };
    for (const Case &c : cases) {
        AppSettings().exportMode = c.mode;
        const QString file = path("tv2.txt");
        m_dialogs.answerSave(file);
        actExportPaymentsExecute();
        EXPECT_EQ(bytes(file), cp1251(c.expected)) << "mode " << c.mode;
        EXPECT_EQ(m_dialogs.fileRequests.last().fileName, QStringLiteral("tv2.txt"));
    }
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
}

TEST_P(PaymentsExport, EripFilesAreNumberedByTheCounterPerCompany)
{
    AppSettings().exportMode = 2;
    AppSettings().Erip202DocNo = 7;
    AppSettings().Erip202DocPath = m_dir.path();
    // Company 0 is skipped, company 1 and company 3 are written where the dialog proposes.
    m_dialogs.answerSave(QString());
    m_dialogs.answerSave(path("8001.202"));
    m_dialogs.answerSave(path("8003.202"));
    actExportPaymentsExecute();
    EXPECT_EQ(AppSettings().Erip202DocNo, 8);
    ASSERT_EQ(m_dialogs.fileRequests.size(), 3);
    EXPECT_EQ(m_dialogs.fileRequests[2].fileName, m_dir.path() + QStringLiteral("/8003.202"));
    EXPECT_EQ(m_dialogs.fileRequests[2].defaultExt, QStringLiteral("202"));
    EXPECT_EQ(bytes(path("8001.202")),
        cp1251("2^4441^8001^20200115090507^2^190000001^153^101^^974\r\n"
               "1^1001^Сидорова Анна ^Лесная ,14 ,12^^0.00^^^^^^^\r\n"
               "2^1002^Петров Иван Ильич^Лесная ,14 ,3^^15.50^^^^^^^\r\n"));
    EXPECT_EQ(bytes(path("8003.202")),
        cp1251("2^4443^8003^20200115090507^1^190000003^^^^974\r\n"
               "1^123456789012^Орлов Юрий Юрьевич^Лесная ,14 ,7^^7.13^^^^^^^\r\n"));
    EXPECT_EQ(AppSettings().Erip202DocPath, m_dir.path() + QLatin1Char('/'));
}

TEST_P(PaymentsExport, EripFileOfACompanyWithoutCustomersHoldsOnlyItsHeader)
{
    AppSettings().exportMode = 2;
    AppSettings().Erip202DocNo = 0;
    m_dialogs.answerSave(path("1000.202"));
    actExportPaymentsExecute();
    EXPECT_EQ(bytes(path("1000.202")), cp1251("2^^1000^20200115090507^0^^^^^974\r\n"));
    EXPECT_EQ(AppSettings().Erip202DocNo, 1) << "the counter moves even when every other dialog is cancelled";
}

TEST_P(PaymentsExport, BankTableIsRefilledWithCutAccountsOnEveryRun)
{
    AppSettings().exportMode = 3;
    const QString file = path("b7003.dbf");
    makeDbf(file, "LDID/38", { { "LS", FTString, 10 }, { "ADRES", FTString, 60 }, { "NACH", FTDouble, 12 } });
    for (int run = 0; run < 2; ++run) {
        if (run == 1)
            exec("update ZOLT.CUSTOMER set DEBT_SUM = 20 where CUSTOMER_ID = 1");
        m_dialogs.answerSave(file);
        actExportPaymentsExecute();
    }
    const DbfRead table = readDbf(file, CodePage::CP866);
    EXPECT_EQ(table.language, 0x26) << "the table keeps its code page";
    ASSERT_EQ(table.rows.size(), 3) << "only the second run's records are left";
    EXPECT_EQ(table.rows[0],
        (QStringList { QStringLiteral("1001"), QStringLiteral("Лесная ,14 ,12"), QStringLiteral("0.00") }));
    EXPECT_EQ(table.rows[1],
        (QStringList { QStringLiteral("1002"), QStringLiteral("Лесная ,14 ,3"), QStringLiteral("20.00") }));
    EXPECT_EQ(table.rows[2][0], QStringLiteral("1234567890"));
    EXPECT_EQ(AppSettings().BankDbfFilePath, file);
    EXPECT_EQ(
        m_messages.lastText(), QStringLiteral("Файл ") + file + QStringLiteral(" для выгрузки в банк подготовлен"));
    EXPECT_FALSE(QFileInfo::exists(path("~b7003.refill.dbf")));
}

TEST_P(PaymentsExport, BankTableOfImportLayout65AndAMissingTable)
{
    AppSettings().exportMode = 3;
    AppSettings().importPaymentsMode = 65;
    const QString file = path("nab.dbf");
    makeDbf(file, "LDID/201",
        { { "NAB", FTString, 9 }, { "PIB", FTString, 25 }, { "ADR", FTString, 45 }, { "NARAH", FTDouble, 12 } });
    m_dialogs.answerSave(file);
    actExportPaymentsExecute();
    const DbfRead table = readDbf(file, CodePage::CP1251);
    ASSERT_EQ(table.rows.size(), 3);
    EXPECT_EQ(table.rows[2],
        (QStringList { QStringLiteral("123456789"), QStringLiteral("Орлов Юрий Юрьевич"),
            QStringLiteral("Лесная ,14 ,7"), QStringLiteral("7.13") }));

    m_dialogs.answerSave(path("none.dbf"));
    actExportPaymentsExecute();
    EXPECT_EQ(m_messages.lastText(),
        QStringLiteral("Ошибка! DBF файл для выгрузки ") + path("none.dbf") + QStringLiteral(" Не найден"));
    EXPECT_FALSE(QFileInfo::exists(path("none.dbf")));
}

TEST_P(PaymentsExport, PostTablesHoldEachCompanysCustomersWithWholeAccounts)
{
    const QString file = path("post3.dbf");
    makeDbf(file, "LDID/38",
        { { "LICH", FTString, 13 }, { "SUMMA", FTDouble, 12 }, { "MES", FTInteger, 2 }, { "YEAR", FTInteger, 4 },
            { "FIO", FTString, 35 }, { "STREET", FTString, 35 }, { "NOM_DOM", FTString, 6 }, { "NOM_KV", FTString, 4 },
            { "NOM_KORP", FTString, 2 } });
    exec("update ZOLT.COMPANY set POST_PATH_OUT = 'post3.dbf' where COMPANY_ID = 3");
    m_dialogs.answerSave(QString());
    m_dialogs.answerSave(path("missing.dbf"));
    m_dialogs.answerSave(file);
    actExportPaymentsPostExecute();
    ASSERT_EQ(m_dialogs.fileRequests.size(), 3);
    EXPECT_EQ(m_dialogs.fileRequests[2].fileName, QStringLiteral("post3.dbf"));
    ASSERT_EQ(m_messages.requests.size(), 2);
    EXPECT_EQ(m_messages.requests[0].text,
        QStringLiteral("Ошибка DBF файл для выгрузки ") + path("missing.dbf") + QStringLiteral(" Не найден"));
    EXPECT_EQ(m_messages.requests[1].text,
        QStringLiteral("Файл ") + file + QStringLiteral(" для выгрузки в RADIUS подготовлен"));
    const DbfRead table = readDbf(file, CodePage::CP866);
    ASSERT_EQ(table.rows.size(), 1);
    EXPECT_EQ(table.rows[0],
        (QStringList { QStringLiteral("123456789012"), QStringLiteral("7.13"), QStringLiteral("1"),
            QStringLiteral("2020"), QStringLiteral("Орлов Ю.Ю."), QStringLiteral("Лесная"), QStringLiteral("14"),
            QStringLiteral("7"), QString() }));
}

// A file device whose writes fail once some bytes went through: a full disk in the middle of an export.
class FailingSaveFile : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        if (m_written > 20)
            return -1;
        m_written += len;
        return QSaveFile::writeData(data, len);
    }

private:
    qint64 m_written = 0;
};

TEST_P(PaymentsExport, AFailedWriteLeavesThePreviousFileAndNamesIt)
{
    const QString file = path("tv2.txt");
    {
        QFile old(file);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous export\r\n");
    }
    const TExportFileFactory previous
        = SetExportFileFactory([](const QString &name) { return std::make_unique<FailingSaveFile>(name); });
    AppSettings().exportMode = 0;
    m_dialogs.answerSave(file);
    actExportPaymentsExecute();
    SetExportFileFactory(previous);
    EXPECT_EQ(bytes(file), QByteArray("previous export\r\n"));
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Ошибка создания файла ") + file);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("tv2.txt") })
        << "no temporary file is left behind";
}

TEST_P(PaymentsExport, ATableWithoutAFieldToFillIsLeftAsItWas)
{
    AppSettings().exportMode = 3;
    const QString file = path("bank.dbf");
    makeDbf(file, "LDID/38", { { "LS", FTString, 10 }, { "ADRES", FTString, 60 } });
    const QByteArray before = bytes(file);
    m_dialogs.answerSave(file);
    actExportPaymentsExecute();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("В файле ") + file + QStringLiteral(" нет поля NACH"));
    EXPECT_EQ(bytes(file), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("bank.dbf") });
}

TEST_P(PaymentsExport, TheMainMenuRunsBothCommandsByTheirActionNames)
{
    RegisterPaymentsExportCommands();
    AppSettings().exportMode = 9;
    EXPECT_TRUE(RunCommand(QStringLiteral("actExportPayments"), false));
    EXPECT_TRUE(m_dialogs.fileRequests.isEmpty()) << "an unknown mode does nothing";
    EXPECT_TRUE(RunCommand(QStringLiteral("actExportPaymentsPost"), false));
    EXPECT_EQ(m_dialogs.fileRequests.size(), 3) << "one dialog per company";
}

INSTANTIATE_TEST_SUITE_P(
    PaymentsExport, PaymentsExport, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
