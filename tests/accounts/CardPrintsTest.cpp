// The card's printouts: the customer's balance built from a small accounting and exported to text by the
// report engine, and the debt letters with their two questions, their preview and their record. On both
// engines, with templates written by the tests and the engine's preview and designer replaced by recorders.
#include "SubscrFixture.h"
#include "dmuReports.h"
#include "frmuPeriod.h"
#include "frmuSelectLetterType.h"
#include "uCardActions.h"
#include "uCardPrints.h"

#include "CodePage.h"
#include "DbSchema.h"
#include "FR_Class.h"
#include "FR_E_TXT.h"
#include "FR_Globals.h"
#include "FakeReportDesigner.h"
#include "MemTable.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

class CardPrints : public SubscrFixture
{
protected:
    void SetUp() override
    {
        SubscrFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_reports = std::make_unique<TdmReports>(m_dm.get(), m_dmr.get(), m_cust.get());
        m_reports->SetTemplateFolder(m_templates.path() + QLatin1Char('/'));
        m_savedPreview = frEngine().ShowPreparedHook;
        // The preview's pages go to a text file through the engine's exporter, and its lines are kept.
        frEngine().ShowPreparedHook = [this](TfrReport &report) {
            TfrTextExport txt;
            txt.ShowDialog = false;
            txt.PageBreaks = false;
            const QString file = m_templates.filePath(QStringLiteral("preview.txt"));
            ASSERT_TRUE(report.ExportTo(&txt, file));
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            QStringList lines;
            for (const QString &line : CP1251ToQString(f.readAll()).split(QStringLiteral("\r\n")))
                if (!line.trimmed().isEmpty())
                    lines << line.trimmed();
            m_previews << report.objectName();
            m_previewLines = lines;
        };
        m_designers.emplace([this](tarvik::test::FakeReportDesigner &designer) {
            designer.Result = mrCancel;
            designer.WhileShown
                = [this](tarvik::test::FakeReportDesigner &) { m_designed << frEngine().CurrentReport->objectName(); };
        });
    }

    void TearDown() override
    {
        frEngine().ShowPreparedHook = m_savedPreview;
        m_designers.reset();
        m_reports.reset();
        SubscrFixture::TearDown();
    }

    // A template of one data band over the report dataset `source`, printing `line` once a row.
    void writeTemplate(const QString &name, const QString &source, const QString &line)
    {
        TfrReport r;
        TfrPage *page = r.Pages().GetPage(r.Pages().Add());
        page->Name = QStringLiteral("Page1");
        auto *band = new TfrBandView;
        band->SetBandType(btMasterData);
        band->Name = QStringLiteral("MasterData1");
        band->Left = 0;
        band->Top = 100;
        band->Width = 700;
        band->Height = 20;
        band->FormatText = source;
        page->AddObject(band);
        auto *memo = new TfrMemoView;
        memo->Name = QStringLiteral("Line");
        memo->Left = 0;
        memo->Top = 100;
        memo->Width = 700;
        memo->Height = 20;
        memo->Flags = 0;
        memo->Memo = QStringList { line };
        page->AddObject(memo);
        r.SaveReportFile(m_templates.filePath(name));
    }

    void payment(int id, int cust, const QString &date, double sum)
    {
        exec(
            QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) "
                           "values (%1, 1, '%1', '%2 00:00:00', %3)")
                .arg(id)
                .arg(date)
                .arg(sum));
        exec(
            QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                           "values (%1, %1, %2, 10, '%3 00:00:00', %4)")
                .arg(id)
                .arg(cust)
                .arg(date)
                .arg(sum));
    }

    QTemporaryDir m_templates;
    std::unique_ptr<TdmReports> m_reports;
    std::function<void(TfrReport &)> m_savedPreview;
    std::optional<tarvik::test::FakeDesignerFactory> m_designers;
    QStringList m_previews, m_designed, m_previewLines;
};

TEST_P(CardPrints, TheBalanceStartsAtTheContractElseTheFirstConnectionElseTheOpenMonth)
{
    const QDate acc(2024, 3, 1);
    const QVariant none;
    EXPECT_EQ(BalanceStartDate(QDate(2024, 1, 10), QDate(2024, 1, 5), acc), QDate(2024, 1, 10));
    EXPECT_EQ(BalanceStartDate(none, QDate(2024, 1, 5), acc), QDate(2024, 1, 5));
    EXPECT_EQ(BalanceStartDate(none, none, acc), acc);
}

TEST_P(CardPrints, TheBalanceReportShowsTheStatementGroupByGroupIncomeBesideCharges)
{
    writeTemplate(QStringLiteral("CustomerBalance.frf"), QStringLiteral("frDBDataSetmdsBalanceReport"),
        QStringLiteral("[Group_Descr]|[IN_DESCR]|[IN_SUM]|[OUT_DESCR]|[OUT_SUM]"));
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    payment(1, 1, QStringLiteral("2024-02-29"), 40);
    payment(2, 1, QStringLiteral("2024-03-05"), 7);
    // The payment of March waits in the queue: the balance works the queue off first.
    fullRecalc(1);
    exec(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) values (1, '2024-03-01 00:00:00')"));
    openOn(1);
    ShowCustomerBalance(false);
    EXPECT_EQ(m_previews, QStringList { QStringLiteral("frCustomerBalance") });
    // January: nothing owed coming in, 22 days of 31 at 31 and the connection at 5. February: 27 owed coming in,
    // 31 charged, 40 paid. March, the open month, is not charged before its close: 18 owed coming in, 7 paid.
    // A side that has run out shows an empty text and 0.
    EXPECT_EQ(s(m_previewLines.join(QLatin1Char('\n'))),
        s(QStringList {
            QStringLiteral("Январь 2024 г.  Вх. долг = 0||0|ТВ (с: 10.01.2024 по: 31.01.2024)|22"),
            QStringLiteral("||0|За услуги подключения|5"),
            QStringLiteral("Февраль 2024 г.  Вх. долг = 27|ТВ 29.02.2024|40|ТВ (за Февраль 2024 г.)|31"),
            QStringLiteral("Март 2024 г.  Вх. долг = 18|ТВ 05.03.2024|7||0"),
        }
                .join(QLatin1Char('\n'))));
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")).toInt(), 0);
    EXPECT_FALSE(m_dmr->mdsBalanceReport()->Active()) << "the statement's datasets are closed afterwards";

    ShowCustomerBalance(true);
    EXPECT_EQ(m_designed, QStringList { QStringLiteral("frCustomerBalance") });
}

struct LetterCase
{
    const char *label;
    bool periodChosen, typeChosen;
    int type;
    TModalResult record;
    bool printed;
    int recorded;
};

TEST_P(CardPrints, LettersArePrintedWhenBothQuestionsAreAnsweredAndRecordedOnlyOnYesForARealLetter)
{
    for (int type = 0; type <= 2; ++type)
        writeTemplate(LetterTemplateName(type), QStringLiteral("frDBDataSetcdsCustomer"), QStringLiteral("[SURNAME]"));
    for (int id = 1; id <= 3; ++id)
        customer(id);
    openOn(2);
    const LetterCase cases[] = {
        { "debt statement", true, true, 0, mrYes, true, 0 },
        { "not to be recorded", true, true, 2, mrNo, true, 0 },
        { "period cancelled", false, true, 2, mrYes, false, 0 },
        { "type cancelled", true, false, 2, mrYes, false, 0 },
        { "recorded", true, true, 1, mrYes, true, 3 },
    };
    for (const LetterCase &c : cases) {
        exec(QStringLiteral("delete from ZOLT.CUSTLETTER"));
        m_previews.clear();
        m_previewLines.clear();
        m_messages.requests.clear();
        m_messages.answer(c.record);
        bool typeAsked = false;
        auto period = answer<TfrmPeriod>([&](TfrmPeriod *d) {
            d->SetPeriod(QDate(2024, 3, 1), QDate(2024, 3, 31));
            (c.periodChosen ? d->btnOk : d->btnCancel)->click();
        });
        PrintCustomerLetters(false, [&] {
            typeAsked = true;
            m_dm->mdTempCFG()->Edit();
            m_dm->mdTempCFG()->FieldByName(QStringLiteral("LetterTypeId3"))->SetValue(c.type);
            return c.typeChosen;
        });
        EXPECT_TRUE(period.ran() && typeAsked) << c.label << ": both questions are put";
        EXPECT_EQ(!m_previews.isEmpty(), c.printed) << c.label;
        if (c.printed) {
            EXPECT_EQ(m_previewLines,
                QStringList({ QStringLiteral("Абонент1"), QStringLiteral("Абонент2"), QStringLiteral("Абонент3") }))
                << c.label;
            EXPECT_EQ(s(m_messages.requests.value(0).text), "Занести информацию по письмам в базу данных ?");
        } else {
            EXPECT_TRUE(m_messages.requests.isEmpty()) << c.label;
        }
        EXPECT_EQ(m_other->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.CUSTLETTER")).toInt(),
            c.recorded)
            << c.label;
    }
    EXPECT_EQ(m_dm->mdTempCFG()->FieldByName(QStringLiteral("PeriodFrom"))->Value().toDate(), QDate(2024, 3, 1));
    EXPECT_EQ(m_dm->mdTempCFG()->FieldByName(QStringLiteral("PeriodTo"))->Value().toDate(), QDate(2024, 3, 31));

    // The recorded letters: one a customer, the type, the period's start, keys handed out by the sequence.
    QSqlQuery q = m_dmr->dbConnection()->OpenQuery(QStringLiteral(
        "select CUSTOMER_ID, CUSTLETTERID, LETTERTYPEID, CUSTLETTERDATE from ZOLT.CUSTLETTER order by CUSTOMER_ID"));
    QList<qint64> ids;
    for (int cust = 1; cust <= 3; ++cust) {
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toInt(), cust);
        ids << q.value(1).toLongLong();
        EXPECT_EQ(q.value(2).toInt(), 1);
        EXPECT_EQ(q.value(3).toDateTime().date(), QDate(2024, 3, 1));
    }
    QVariant next;
    ASSERT_TRUE(m_dmr->GetNextSeqValue(DbSchema::LetterSequence, next));
    EXPECT_EQ(ids, QList<qint64>({ next.toLongLong() - 3, next.toLongLong() - 2, next.toLongLong() - 1 }));
}

TEST_P(CardPrints, TheLettersDesignerAsksTheSameQuestionsAndRecordsNothing)
{
    writeTemplate(LetterTemplateName(2), QStringLiteral("frDBDataSetcdsCustomer"), QStringLiteral("[SURNAME]"));
    customer(1);
    openOn(1);
    auto period = answer<TfrmPeriod>([](TfrmPeriod *d) { d->btnOk->click(); });
    PrintCustomerLetters(true, [this] {
        m_dm->mdTempCFG()->Edit();
        m_dm->mdTempCFG()->FieldByName(QStringLiteral("LetterTypeId3"))->SetValue(2);
        return true;
    });
    EXPECT_EQ(m_designed, QStringList { QStringLiteral("frRepCusLetters") });
    EXPECT_TRUE(m_previews.isEmpty());
    EXPECT_TRUE(m_messages.requests.isEmpty());
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.CUSTLETTER")).toInt(), 0);
}

TEST_P(CardPrints, ALetterWithoutItsTemplateIsReportedAndNeitherShownNorRecorded)
{
    customer(1);
    openOn(1);
    m_messages.answer(mrYes);
    auto period = answer<TfrmPeriod>([](TfrmPeriod *d) { d->btnOk->click(); });
    PrintCustomerLetters(false, [this] {
        m_dm->mdTempCFG()->Edit();
        m_dm->mdTempCFG()->FieldByName(QStringLiteral("LetterTypeId3"))->SetValue(3);
        return true;
    });
    EXPECT_TRUE(m_previews.isEmpty());
    EXPECT_EQ(s(m_messages.lastText()),
        s(QStringLiteral("Не найден шаблон отчета ") + m_templates.filePath(QStringLiteral("CustLetters3.frf"))));
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.CUSTLETTER")).toInt(), 0);
}

TEST_P(CardPrints, TheCardAsksTheLetterTypeInItsDialogAndPrintsNothingWhenItIsCancelled)
{
    writeTemplate(LetterTemplateName(2), QStringLiteral("frDBDataSetcdsCustomer"), QStringLiteral("[SURNAME]"));
    customer(1);
    openOn(1);
    for (const bool chosen : { false, true }) {
        m_previews.clear();
        m_messages.answer(mrNo);
        auto period = answer<TfrmPeriod>([](TfrmPeriod *d) { d->btnOk->click(); });
        auto type = answer<TfrmSelectLetterType>([chosen](TfrmSelectLetterType *d) {
            d->cbLetterType->setCurrentIndex(2);
            (chosen ? d->btnOk : d->btnCancel)->click();
        });
        CardPrintLetter(nullptr, false);
        EXPECT_TRUE(type.ran());
        EXPECT_EQ(m_previews.isEmpty(), !chosen);
    }
}

struct DocumentCase
{
    const char *label;
    std::function<void(bool)> print;
    const char *file, *source, *line;
    const char *report;
    QStringList lines;
};

TEST_P(CardPrints, TheCustomersDocumentsArePreviewedOrDesignedWithTheirTemplateAndData)
{
    customer(1);
    customer(2);
    payment(1, 2, QStringLiteral("2024-03-05"), 12.5);
    openOn(2);
    TKyv_ADODataSet *payments = m_cust->ServerDataSet(QStringLiteral("odsCustPayment"));
    payments->Open();
    const DocumentCase cases[] = {
        { "contract", PrintCustomerContract, "Contract.frf", "frDBDataSetodsContract", "[SURNAME]", "frReportContract",
            { QStringLiteral("Абонент2") } },
        { "order", PrintCustomerRequest, "Request.frf", "frDBDataSetodsContract", "[SURNAME]", "frReportContract",
            { QStringLiteral("Абонент2") } },
        { "receipt", [](bool design) { PrintCustomerKvit(design); }, "PayKvit.frf", "frDBDataSetcdsCustomer",
            "[SURNAME]", "frReportCustPayKvit", { QStringLiteral("Абонент1"), QStringLiteral("Абонент2") } },
        { "cash order", PrintCustomerPaymentKO1, "PayDocKO1.frf", "frDBDataSetodsPayDocPaymentKO1",
            "[PAY_DOC_NO] [PAY_SUM]", "frReportPayDocKO1", { QStringLiteral("1 12.5") } },
        { "selection", [](bool design) { PrintCustomersReport(design); }, "ВыборкаПоКлиентам.frf",
            "frDBDataSetcdsCustomer", "[SURNAME]", "frRepCustomers",
            { QStringLiteral("Абонент1"), QStringLiteral("Абонент2") } },
    };
    for (const DocumentCase &c : cases) {
        writeTemplate(QString::fromUtf8(c.file), QString::fromLatin1(c.source), QString::fromLatin1(c.line));
        m_previews.clear();
        m_designed.clear();
        c.print(false);
        EXPECT_EQ(m_previews, QStringList { QString::fromLatin1(c.report) }) << c.label;
        EXPECT_EQ(m_previewLines, c.lines) << c.label;
        c.print(true);
        EXPECT_EQ(m_designed, QStringList { QString::fromLatin1(c.report) }) << c.label;
    }

    // Without a payment there is no cash order.
    exec(QStringLiteral("delete from ZOLT.PAYMENT"));
    payments->Close();
    payments->Open();
    m_previews.clear();
    PrintCustomerPaymentKO1(false);
    EXPECT_TRUE(m_previews.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    CardPrints, CardPrints, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
