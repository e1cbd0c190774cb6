#include "ReportsFixture.h"

#include "MemTable.h"
#include "uReportTemplates.h"

#include <QCoreApplication>
#include <QDir>

namespace {

class ReportsModule : public ReportsFixture
{
protected:
    void SetUp() override
    {
        ReportsFixture::SetUp();
        if (HasFatalFailure())
            return;
        // Customer 123 in flat 5 of Лесная 14, and a payment of 1234.50 to it.
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, SURNAME, INITIALS, "
                            "FIRSTNAME, MIDLENAME, CONTRACT_NO, VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (31, "
                            "'123', 7, '5', 'Петров', 'П.С.', 'Петр', 'Сергеевич', 'Д-17', '4712-12-31 00:00:00', 0, "
                            "0, 1)"));
        exec(QStringLiteral("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR) values (1, 'Касса')"));
        exec(QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, "
                            "PAY_DOC_SUM) values (41, 1, '77', '2016-03-02 00:00:00', 1234.5)"));
        exec(QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, "
                            "PAY_SUM) values (51, 41, 31, -1, '2016-03-02 00:00:00', 1234.5)"));
    }

    void setLocale(int locale)
    {
        exec(QStringLiteral("update ZOLT.MAIN_CFG set REPORT_LOCALE = %1").arg(locale));
        m_dm->OpenMainCFG(true);
    }

    static void touch(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
};

TEST_P(ReportsModule, DocumentPathsTakeTheLocalisedVariantOnlyWithLocaleOneAndTheFilePresent)
{
    QTemporaryDir dir;
    m_reports->SetTemplateFolder(dir.path());
    const QString folder = dir.path() + QLatin1Char('/');
    touch(folder + QStringLiteral("uh/Contract.frf"));
    touch(folder + QStringLiteral("uh/PayKvit.frf"));
    struct Case
    {
        int locale;
        QString (TdmReports::*path)() const;
        const char *want;
    } cases[] = {
        { 1, &TdmReports::getContractPath, "uh/Contract.frf" },
        { 1, &TdmReports::getPayKvitPath, "uh/PayKvit.frf" },
        { 1, &TdmReports::getReceiptPath, "Receipt.frf" }, // no localised file
        { 1, &TdmReports::getRequestPath, "Request.frf" },
        { 1, &TdmReports::getPayDocKO1Path, "PayDocKO1.frf" },
        { 0, &TdmReports::getContractPath, "Contract.frf" },
        { 0, &TdmReports::getPayKvitPath, "PayKvit.frf" },
        { 2, &TdmReports::getContractPath, "Contract.frf" },
        { 2, &TdmReports::getPayKvitPath, "PayKvit.frf" },
    };
    for (const Case &c : cases) {
        setLocale(c.locale);
        EXPECT_EQ((m_reports.get()->*c.path)().toStdString(), (folder + QString::fromLatin1(c.want)).toStdString())
            << "locale " << c.locale;
    }

    // Without a folder of its own the module takes the installation's: "bin" becomes "fr_forms".
    m_reports->SetTemplateFolder(QString());
    QString installed = TProgramFolders::from(QCoreApplication::applicationDirPath()).reportsFolder;
    if (!installed.endsWith(QLatin1Char('/')))
        installed += QLatin1Char('/');
    EXPECT_EQ(m_reports->TemplateFolder(), installed);
    EXPECT_EQ(m_reports->TemplatePath(QStringLiteral("Tickets.frf")), installed + QStringLiteral("Tickets.frf"));
}

TEST_P(ReportsModule, CashOrderCarriesTheSumInWordsAndTheSktAccount)
{
    const struct
    {
        double sum;
        const char *words;
    } sums[] = {
        { 1234.50, "Одна тысяча двести тридцать четыре рубля" },
        { 1, "Один рубль" },
        { 21, "Двадцать один рубль" },
        { 11, "Одиннадцать рублей" },
        { 105, "Сто пять рублей" },
    };
    for (const auto &s : sums)
        EXPECT_EQ(PaymentSumInWords(s.sum).toStdString(), s.words) << s.sum;
    EXPECT_EQ(SktAccountText(QStringLiteral("123")), QStringLiteral("SKT123"));

    TKyv_ADODataSet *ko1 = m_reports->odsPayDocPaymentKO1();
    ko1->Params().ParamByName(QStringLiteral("P_PAYMENT_ID")).SetValue(51);
    ko1->Open();
    ASSERT_EQ(ko1->RecordCount(), 1);
    EXPECT_EQ(ko1->FieldByName(QStringLiteral("C_SUM_LINE"))->AsString(),
        QStringLiteral("Одна тысяча двести тридцать четыре рубля"));
    EXPECT_EQ(ko1->FieldByName(QStringLiteral("C_SKT_ACCOUNT_NO"))->AsString(), QStringLiteral("SKT123"));
    EXPECT_EQ(ko1->FieldByName(QStringLiteral("CUST_DESCR"))->AsString(), QStringLiteral("Петров П.С.  Л/С:123"));
    EXPECT_EQ(ko1->FieldByName(QStringLiteral("HOUSE_INFO"))->AsString(), QStringLiteral("Лесная  д.14 кв.5"));
    ko1->Close();

    // The shipped template prints them.
    m_reports->printPayDocKO1(51);
    ASSERT_EQ(shown.size(), 1u) << messages.lastText().toStdString();
    const QString text = shown[0].text.join(u'\n');
    EXPECT_TRUE(text.contains(QStringLiteral("SKT123"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Одна тысяча двести тридцать четыре рубля"))) << text.toStdString();
}

TEST_P(ReportsModule, EachPrintAndDesignLoadsItsTemplateWithItsOneParameter)
{
    const struct
    {
        void (TdmReports::*operation)(const QVariant &);
        int id;
        const char *report;
        const char *templateName;
        const char *param;
        bool designer;
    } cases[] = {
        { &TdmReports::printPayDocKO1, 51, "frReportPayDocKO1", "PayDocKO1.frf", "P_PAYMENT_ID=51", false },
        { &TdmReports::designPayDocKO1, 51, "frReportPayDocKO1", "PayDocKO1.frf", "P_PAYMENT_ID=51", true },
        { &TdmReports::printContract, 31, "frReportContract", "Contract.frf", "P_CUSTOMER_ID=31", false },
        { &TdmReports::designContract, 31, "frReportContract", "Contract.frf", "P_CUSTOMER_ID=31", true },
        { &TdmReports::printReceipt, 31, "frReportReceipt", "Receipt.frf", "P_CUSTOMER_ID=31", false },
        { &TdmReports::designReceipt, 31, "frReportReceipt", "Receipt.frf", "P_CUSTOMER_ID=31", true },
        { &TdmReports::printRequest, 31, "frReportContract", "Request.frf", "P_CUSTOMER_ID=31", false },
        { &TdmReports::designRequest, 31, "frReportContract", "Request.frf", "P_CUSTOMER_ID=31", true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.report) + " " + c.templateName + (c.designer ? " design" : " print"));
        shown.clear();
        (m_reports.get()->*c.operation)(c.id);
        ASSERT_EQ(shown.size(), 1u) << messages.lastText().toStdString();
        const ShownReport &r = shown[0];
        EXPECT_EQ(r.report, QString::fromLatin1(c.report));
        EXPECT_EQ(r.fileName, m_reports->TemplatePath(QString::fromUtf8(c.templateName)));
        EXPECT_EQ(r.params, QStringList { QString::fromLatin1(c.param) });
        EXPECT_EQ(r.designer, c.designer);
        EXPECT_EQ(r.mdi, !c.designer) << "print: MDI preview; design: not MDI";
        EXPECT_EQ(r.modal, c.designer) << "print: not modal; design: modal";
        if (!c.designer && c.id == 31) {
            EXPECT_TRUE(r.text.join(u'\n').contains(QStringLiteral("Лесная  д.14 кв.5")))
                << r.text.join(u'\n').toStdString();
        }
    }
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_P(ReportsModule, MissingDocumentTemplateIsReportedAndNeitherPreviewNorDesignerOpens)
{
    QTemporaryDir dir;
    m_reports->SetTemplateFolder(dir.path());
    m_reports->printContract(31);
    m_reports->designReceipt(31);
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(messages.requests.size(), 2);
    EXPECT_EQ(messages.requests[0].text,
        QStringLiteral("Не найден шаблон отчета ") + dir.path() + QStringLiteral("/Contract.frf"));
    EXPECT_EQ(messages.requests[0].type, mtError);
    EXPECT_EQ(messages.requests[1].text,
        QStringLiteral("Не найден шаблон отчета ") + dir.path() + QStringLiteral("/Receipt.frf"));
}

TEST_P(ReportsModule, UnreadableTemplateIsNotReplacedByTheOneHeldBefore)
{
    m_reports->printContract(31);
    ASSERT_EQ(shown.size(), 1u);
    QTemporaryDir dir;
    m_reports->SetTemplateFolder(dir.path());
    QFile broken(dir.filePath(QStringLiteral("Contract.frf")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a template");
    broken.close();
    shown.clear();
    m_reports->printContract(31);
    EXPECT_TRUE(shown.empty()) << "the contract template loaded before is not previewed instead";
    EXPECT_EQ(messages.requests.size(), 1) << "the engine says the file could not be read";
}

TEST_P(ReportsModule, BalanceGroupTakesTheRowsOfItsLongerSide)
{
    const double user = m_dmr->UserId();
    const struct
    {
        int group;
        const char *groupDescr;
        int sign; // 1 income, 0 charge
        const char *descr;
        double sum;
    } lines[] = {
        { 1, "Январь 2016 г.", 1, "Оплата 05.01", 100 },
        { 1, "Январь 2016 г.", 0, "Абонплата", -310 },
        { 1, "Январь 2016 г.", 1, "Оплата 10.01", 50 },
        { 1, "Январь 2016 г.", 1, "Оплата 20.01", 25.5 },
        { 2, "Февраль 2016 г.", 0, "Абонплата", -290 },
        { 2, "Февраль 2016 г.", 1, "Оплата 03.02", 200 },
        { 2, "Февраль 2016 г.", 0, "Подключение", -50 },
    };
    int id = 1;
    for (const auto &l : lines)
        exec(QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, USER_ID, GROUP_ID, "
                            "GROUP_DESCR, SUM_VAL, SUM_SGN, DESCR) values (%1, 31, %2, %3, '%4', %5, %6, '%7')")
                 .arg(id++)
                 .arg(user)
                 .arg(l.group)
                 .arg(QString::fromUtf8(l.groupDescr))
                 .arg(l.sum)
                 .arg(l.sign)
                 .arg(QString::fromUtf8(l.descr)));
    // Another user's statement is not laid out.
    exec(QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, USER_ID, GROUP_ID, "
                        "GROUP_DESCR, SUM_VAL, SUM_SGN, DESCR) values (99, 31, %1, 1, 'Чужое', 1, 1, 'Чужое')")
             .arg(user + 1));

    m_reports->prepareCustomerBalanceReport();
    TMemTable *out = m_dmr->mdsBalanceReport();
    QStringList rows;
    for (out->First(); !out->Eof(); out->Next())
        rows << QStringList { out->FieldByName(QStringLiteral("Group_Descr"))->AsString(),
            out->FieldByName(QStringLiteral("IN_DESCR"))->AsString(),
            QString::number(out->FieldByName(QStringLiteral("IN_SUM"))->AsFloat()),
            out->FieldByName(QStringLiteral("OUT_DESCR"))->AsString(),
            QString::number(out->FieldByName(QStringLiteral("OUT_SUM"))->AsFloat()) }
                    .join(u'|');
    EXPECT_EQ(rows.join(u'\n').toStdString(),
        QStringList({
                        "Январь 2016 г.|Оплата 05.01|100|Абонплата|-310",
                        "|Оплата 10.01|50||0",
                        "|Оплата 20.01|25.5||0",
                        "Февраль 2016 г.|Оплата 03.02|200|Абонплата|-290",
                        "||0|Подключение|-50",
                    })
            .join(u'\n')
            .toStdString());

    // The shipped template prints the laid-out rows with their totals.
    ASSERT_TRUE(m_reports->ShowReport(
        m_reports->frCustomerBalance(), QStringLiteral("CustomerBalance.frf"), TReportShow::MDIPreview));
    ASSERT_EQ(shown.size(), 1u);
    const QStringList &text = shown[0].text;
    ASSERT_GE(text.size(), 9);
    // The title, whose statement it is, the captions, then the rows.
    EXPECT_EQ(text[3].simplified(), QStringLiteral("Январь 2016 г. Оплата 05.01 100 Абонплата -310"));
    EXPECT_EQ(text.last().simplified(), QStringLiteral("375.5 -650"));
}

TEST_P(ReportsModule, PeriodTextsAreFilledOnlyInTheirNamedObjects)
{
    SelectionPeriodFrom = QDate(2016, 3, 5);
    SelectionPeriodTo = QDate(2016, 4, 20);
    const struct
    {
        const char *report;
        const char *object;
        const char *text; // null: left as it was
    } cases[] = {
        { "frRepMainState", "frmemoPeriodFrom", "Подключено на 05.03.2016" },
        { "frRepMainState", "frmemoPeriodTo", "Подключено на 20.04.2016" },
        { "frRepMainState", "frmemoPeriod", nullptr },
        { "frRepNewActivCustomers", "frmemoPeriod", "(с: 05.03.2016 по: 20.04.2016)" },
        { "frRepNewActivCustomers", "Memo1", nullptr },
        { "frDisactByPeriodCustomers", "frmemoPeriod", "(с: 01.03.2016 по: 30.04.2016)" },
        { "frReportPaymentsByServ", "frmemoPeriod", "(с: 05.03.2016 по: 20.04.2016)" },
    };
    for (const auto &c : cases) {
        TfrMemoView memo;
        memo.Name = QString::fromLatin1(c.object);
        memo.Memo = QStringList { QStringLiteral("как было") };
        QStringList lines = memo.Memo;
        m_reports->Report(QString::fromLatin1(c.report))->OnBeforePrint(lines, &memo);
        const QString want = c.text ? QString::fromUtf8(c.text) : QStringLiteral("как было");
        EXPECT_EQ(lines, QStringList { want }) << c.report << " " << c.object;
    }
}

TEST_P(ReportsModule, ShippedTemplatesAreWhatTheGeneratorWrites)
{
    QTemporaryDir dir;
    EXPECT_EQ(WritePlainTemplates(dir.path()), PlainTemplates().size());
    const QDir shipped(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms"));
    QStringList files = shipped.entryList({ QStringLiteral("*.frf") }, QDir::Files);
    QStringList names;
    for (const TPlainTemplate &t : PlainTemplates()) {
        names << t.fileName;
        QFile written(QDir(dir.path()).filePath(t.fileName)), kept(shipped.filePath(t.fileName));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly)) << t.fileName.toStdString() << ": run tarvik-templates";
        EXPECT_EQ(written.readAll(), kept.readAll()) << t.fileName.toStdString() << ": run tarvik-templates";
        // Each names its data band's source and the period texts the program fills.
        TfrReport report;
        ASSERT_TRUE(report.LoadReportFile(kept.fileName()));
        EXPECT_EQ(report.FindViewByName(QStringLiteral("MasterData1"))->FormatText, t.source);
        for (const QString &period : t.periodTexts)
            EXPECT_NE(report.FindViewByName(period), nullptr) << t.fileName.toStdString();
    }
    names.sort();
    files.sort();
    EXPECT_EQ(files, names) << "every shipped template comes from the generator";
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportsModule, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
