// The payment documents window, the payment sources guide and the payments browser, on both engines.
#include "PaymentsFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Formats.h"
#include "Kyv_DBGridEh.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "frmuGuide.h"
#include "Screenshot.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuCustPayments.h"
#include "frmuMain.h"
#include "frmuPayDoc.h"
#include "frmuPeriod.h"
#include "uPayDocData.h"
#include "uPaymentWindows.h"
#include "uPaymentPrints.h"
#include "dmuReports.h"
#include "Periods.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QLabel>
#include <QStackedWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class PayDocWindow : public PaymentsFixture
{
protected:
    void SetUp() override
    {
        PaymentsFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_savedFrom = SelectionPeriodFrom;
        m_savedTo = SelectionPeriodTo;
        addCustomer(QStringLiteral("Первый"), QStringLiteral("1"));
        addCustomer(QStringLiteral("Второй"), QStringLiteral("2"));
        m_first = idOf(QStringLiteral("Первый"));
        m_second = idOf(QStringLiteral("Второй"));
        exec("update ZOLT.CUSTOMER set VALID_TO = TO_DATE('31/12/4712','DD/MM/YYYY'), CUST_CODE = ACCOUNT_NO");
        exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (4, 'Банк', 1.5, "
             "20)");
        exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (5, 'Касса', 0, 0)");
        exec(
            "insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM, NOTICE) values "
            "(1, 4, '11', TO_DATE('10/03/2020','DD/MM/YYYY'), 1000, 'банк за март')");
        exec("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) values "
             "(2, 5, '12', TO_DATE('31/03/2020','DD/MM/YYYY'), 50)");
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                           "values (1, 1, :P_C, -1, TO_DATE('10/03/2020','DD/MM/YYYY'), 1000)"),
            ParamsOf({ { QStringLiteral("P_C"), m_first } }));
        exec("delete from ZOLT.INVALIDCUSTDEBT");
        m_dm->cdsMainCFG()->Edit();
        m_dm->cdsMainCFG()
            ->FieldByName(QStringLiteral("ACC_DATE"))
            ->SetValue(QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
        m_dm->cdsMainCFG()->Post();
        SelectionPeriodFrom = QDate(2020, 3, 1);
        SelectionPeriodTo = QDate(2020, 3, 31);
    }

    void TearDown() override
    {
        m_form.reset();
        SelectionPeriodFrom = m_savedFrom;
        SelectionPeriodTo = m_savedTo;
        PaymentsFixture::TearDown();
    }

    TfrmPayDoc *open()
    {
        m_form = std::make_unique<TfrmPayDoc>();
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        SendMessage(m_form.get(), AMRunQuery);
        return m_form.get();
    }

    TKyv_ClientDataSet *docs() const { return m_form->Data()->cdsPayDoc(); }
    TKyv_ClientDataSet *payments() const { return m_form->Data()->cdsPayDocPayment(); }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2020, 3, 15), QTime(10, 0)) };
    std::unique_ptr<TfrmPayDoc> m_form;
    QDate m_savedFrom, m_savedTo;
    int m_first = 0, m_second = 0;
};

TEST_P(PayDocWindow, ListsThePeriodsDocumentsWithCommissionAndDifference)
{
    TfrmPayDoc *form = open();
    ASSERT_TRUE(docs()->Active());
    EXPECT_EQ(docs()->RecordCount(), 2);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Платежные документы") + form->PeriodText());
    EXPECT_EQ(form->lblPeriod->text(), form->PeriodText());
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 1));
    EXPECT_EQ(field(docs(), "L_PAYSOURCE")->AsString(), QStringLiteral("Банк"));
    EXPECT_DOUBLE_EQ(field(docs(), "C_SUM_LEAK_TAX")->AsFloat(), 15.0);
    EXPECT_DOUBLE_EQ(field(docs(), "C_SUM_TAX")->AsFloat(), 2.5);
    EXPECT_DOUBLE_EQ(field(docs(), "C_SUM_LEAK")->AsFloat(), 12.5);
    EXPECT_DOUBLE_EQ(field(docs(), "SUM_DIFFERENCE")->AsFloat(), 0) << "payments add up to the total";
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 2));
    EXPECT_DOUBLE_EQ(field(docs(), "C_SUM_LEAK_TAX")->AsFloat(), 0);
    EXPECT_DOUBLE_EQ(field(docs(), "SUM_DIFFERENCE")->AsFloat(), 50) << "no payments: the whole total";
    docs()->First();
    tarvik::test::SaveScreenshot(form, QStringLiteral("accounts-paydoc"), QSize(1000, 420));
}

TEST_P(PayDocWindow, TheChannelFilterShowsOneChannelsDocuments)
{
    TfrmPayDoc *form = open();
    form->lcbPaySource->SetKeyValue(5);
    form->actFilter->trigger();
    EXPECT_EQ(form->actFilter->text(), QStringLiteral("Отключить фильтр"));
    EXPECT_EQ(docs()->RecordCount(), 1);
    form->actFilter->trigger();
    EXPECT_EQ(form->actFilter->text(), QStringLiteral("Активизировать фильтр"));
    EXPECT_EQ(docs()->RecordCount(), 2);
}

TEST_P(PayDocWindow, ADocumentDatedOutsideThePeriodWidensItAndIsListed)
{
    TfrmPayDoc *form = open();
    form->actNewDoc->trigger();
    ASSERT_EQ(docs()->State(), dsInsert);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Добавление нового документа"));
    EXPECT_EQ(field(docs(), "PAY_DOC_ID")->AsInteger(), 3);
    EXPECT_EQ(field(docs(), "PAYSOURCE_ID")->AsInteger(), 0);
    EXPECT_EQ(field(docs(), "PAY_DOC_DATE")->AsDateTime(), QDateTime(QDate(2020, 3, 15), QTime(0, 0)));

    form->actSaveHeader->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введен № документа"));
    EXPECT_EQ(docs()->State(), dsInsert) << "nothing is posted";

    field(docs(), "PAY_DOC_NO")->SetValue(QStringLiteral("77"));
    field(docs(), "PAYSOURCE_ID")->SetValue(5);
    field(docs(), "PAY_DOC_DATE")->SetValue(QDateTime(QDate(2020, 4, 15), QTime(0, 0)));
    field(docs(), "PAY_DOC_SUM")->SetValue(20.0);
    form->actSaveHeader->trigger();
    EXPECT_EQ(SelectionPeriodTo, QDate(2020, 4, 15));
    EXPECT_EQ(SelectionPeriodFrom, QDate(2020, 3, 1));
    EXPECT_EQ(m_other->dbConnection()->SelectValue(
                  QStringLiteral("select PAY_DOC_NO from ZOLT.PAY_DOC where PAY_DOC_ID = 3")),
        QVariant(QStringLiteral("77")));
    EXPECT_EQ(form->pcPayments->currentWidget(), form->tsPayment) << "a saved header goes on to its first payment";
    EXPECT_EQ(payments()->State(), dsInsert);
    form->actDocList->trigger();
    EXPECT_EQ(form->pcPayments->currentWidget(), form->tsPaymentList) << "Esc leaves the payment first";
    form->actDocList->trigger();
    EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
    EXPECT_EQ(docs()->RecordCount(), 3);
    EXPECT_EQ(field(docs(), "PAY_DOC_ID")->AsInteger(), 3) << "the list returns to the document";
}

TEST_P(PayDocWindow, ADocumentWithPaymentsIsNotDeleted)
{
    TfrmPayDoc *form = open();
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 1));
    form->actDeleteDoc->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Данный документ удалить нельзя, т.к. он содержит платежи"));
    EXPECT_EQ(m_other->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.PAY_DOC")).toInt(), 2);

    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 2));
    m_messages.answer(mrYes);
    form->actDeleteDoc->trigger();
    EXPECT_EQ(m_messages.lastText(),
        QStringLiteral("Удалять запись? № 12 от ") + DateToStr(DateToDayCount(QDate(2020, 3, 31))));
    EXPECT_EQ(m_other->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.PAY_DOC")).toInt(), 1);
}

TEST_P(PayDocWindow, PaymentsAreCheckedDefaultedAndQueueTheirCustomers)
{
    TfrmPayDoc *form = open();
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 2));
    form->actOpenDoc->trigger();
    ASSERT_TRUE(payments()->Active());
    form->actNewPayment->trigger();
    ASSERT_EQ(payments()->State(), dsInsert);
    EXPECT_EQ(form->pcPayments->currentWidget(), form->tsPayment);
    EXPECT_EQ(field(payments(), "PAYMENT_ID")->AsInteger(), 2);
    EXPECT_EQ(field(payments(), "CUSTOMER_ID")->AsInteger(), 0);
    EXPECT_EQ(field(payments(), "SERV_ID")->AsInteger(), -1);

    form->actPaymentOk->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не выбран плательщик"));
    field(payments(), "CUSTOMER_ID")->SetValue(m_first);
    field(payments(), "PAY_SUM")->SetValue(0.0);
    form->actPaymentOk->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не введена сумма платежа"));
    EXPECT_EQ(payments()->State(), dsInsert);

    field(payments(), "PAY_SUM")->SetValue(-7.5);
    payments()->Post();
    EXPECT_EQ(queue(), QStringList { queued(m_first, "2020-03-01") })
        << "a negative sum passes, and the payer is queued from the payment's month";

    payments()->Append();
    EXPECT_EQ(field(payments(), "CUSTOMER_ID")->AsInteger(), m_first) << "the second payment starts as the first";
    EXPECT_EQ(field(payments(), "SERV_ID")->AsInteger(), -1);
    EXPECT_DOUBLE_EQ(field(payments(), "PAY_SUM")->AsFloat(), -7.5);
    payments()->Cancel();

    exec("delete from ZOLT.INVALIDCUSTDEBT");
    ASSERT_TRUE(payments()->Locate(QStringLiteral("PAYMENT_ID"), 2));
    payments()->Edit();
    field(payments(), "CUSTOMER_ID")->SetValue(m_second);
    field(payments(), "PAY_DATE")->SetValue(QDateTime(QDate(2020, 2, 20), QTime(0, 0)));
    payments()->Post();
    EXPECT_EQ(queue(), (QStringList { queued(m_first, "2020-02-01"), queued(m_second, "2020-02-01") }))
        << "an edit that moves a payment queues its old and its new customer";

    form->actPaymentOk->trigger();
    EXPECT_EQ(form->pcPayments->currentWidget(), form->tsPaymentList);
    EXPECT_TRUE(queue().isEmpty()) << "leaving the payment works off the queue";
    EXPECT_DOUBLE_EQ(field(docs(), "SUM_DIFFERENCE")->AsFloat(), 57.5);
}

TEST_P(PayDocWindow, DeletingAPaymentQueuesExactlyItsCustomer)
{
    TfrmPayDoc *form = open();
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 1));
    form->actOpenDoc->trigger();
    ASSERT_EQ(payments()->RecordCount(), 1);
    m_messages.answer(mrYes);
    // The queue is worked off only on leaving; a delete itself only queues.
    form->actDeletePayment->trigger();
    EXPECT_TRUE(m_messages.lastText().startsWith(QStringLiteral("Удалять запись? ")));
    EXPECT_TRUE(m_messages.lastText().endsWith(QStringLiteral(" Первый   1 000"))) << "the payer and the sum as shown";
    EXPECT_EQ(queue(), QStringList { queued(m_first, "2020-03-01") });
    EXPECT_EQ(payments()->RecordCount(), 0);
    EXPECT_DOUBLE_EQ(field(docs(), "SUM_DIFFERENCE")->AsFloat(), 1000);
}

TEST_P(PayDocWindow, PrintsAskTheReportsModuleForTheirTemplates)
{
    QTemporaryDir templates;
    TdmReports reports(m_dm.get(), m_dmr.get(), m_cust.get());
    reports.SetTemplateFolder(templates.path() + QLatin1Char('/'));
    TfrmPayDoc *form = open();
    form->actPrint->trigger();
    EXPECT_EQ(m_messages.lastText(),
        QStringLiteral("Не найден шаблон отчета ") + templates.path() + QStringLiteral("/PayDocuments.frf"));
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 1));
    form->actOpenDoc->trigger();
    form->actPrintPayments->trigger();
    EXPECT_EQ(m_messages.lastText(),
        QStringLiteral("Не найден шаблон отчета ") + templates.path() + QStringLiteral("/PayDocPayment.frf"));
    m_messages.requests.clear();
    form->actPrintCashOrder->trigger();
    ASSERT_FALSE(m_messages.requests.isEmpty());
    EXPECT_TRUE(m_messages.lastText().startsWith(QStringLiteral("Не найден шаблон отчета "))) << "the cash order";
}

TEST_P(PayDocWindow, ThePayerIsFoundByCodeAndTheChannelPickedInTheGuide)
{
    TfrmPayDoc *form = open();
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 2));
    form->actOpenDoc->trigger();
    form->actNewPayment->trigger();
    EXPECT_TRUE(form->edCustCode->isEnabled());
    const QString code
        = m_dmr->dbConnection()
              ->SelectValue(QStringLiteral("select CUST_CODE from ZOLT.CUSTOMER where CUSTOMER_ID = :P_C"),
                  ParamsOf({ { QStringLiteral("P_C"), m_second } }))
              .toString();
    form->edCustCode->setText(code);
    emit form->edCustCode->textEdited(code);
    EXPECT_EQ(field(payments(), "CUSTOMER_ID")->AsInteger(), m_second);
    QWidget *panel = form->findChild<QWidget *>(QStringLiteral("pnlPayerInfo"));
    ASSERT_NE(panel, nullptr);
    auto *shown = panel->findChild<TDBEditEh *>(QStringLiteral("CUST_DESCR"));
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->text().contains(QStringLiteral("Второй"))) << "the payer's particulars follow the payer";
    payments()->Cancel();
    form->actPaymentCancel->trigger();

    form->actEditDoc->trigger();
    ASSERT_EQ(docs()->State(), dsEdit);
    bool answered = false;
    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmGuide>() != nullptr; },
        [&] {
            TfrmGuide *g = tarvik::test::activeModal<TfrmGuide>();
            answered = g->L->Locate(QStringLiteral("PAYSOURCE_ID"), 4);
            g->actMrOk->trigger();
        });
    form->actPaySourceGuide->trigger();
    EXPECT_TRUE(answered);
    EXPECT_EQ(field(docs(), "PAYSOURCE_ID")->AsInteger(), 4);
    EXPECT_EQ(field(docs(), "L_PAYSOURCE")->AsString(), QStringLiteral("Банк"));
}

TEST_P(PayDocWindow, LeavingWithAnUnsavedPaymentAsksWhetherToStoreIt)
{
    TfrmPayDoc *form = open();
    ASSERT_TRUE(docs()->Locate(QStringLiteral("PAY_DOC_ID"), 2));
    form->actOpenDoc->trigger();
    form->actNewPayment->trigger();
    field(payments(), "CUSTOMER_ID")->SetValue(m_second);
    field(payments(), "PAY_SUM")->SetValue(12.0);
    m_messages.answer(mrYes);
    form->close();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Были изменения в платежке. Записать?"));
    EXPECT_EQ(m_other->dbConnection()
                  ->SelectValue(QStringLiteral("select PAY_SUM from ZOLT.PAYMENT where PAY_DOC_ID = 2"))
                  .toDouble(),
        12.0);
    EXPECT_TRUE(queue().isEmpty()) << "closing works off the queue";
    EXPECT_DOUBLE_EQ(m_other->dbConnection()
                         ->SelectValue(QStringLiteral("select DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = :P_C"),
                             ParamsOf({ { QStringLiteral("P_C"), m_second } }))
                         .toDouble(),
        -12.0)
        << "the payer's debt is brought up to date";
}

TEST_P(PayDocWindow, PaymentsOfTheChosenKindAreReadForTheirReport)
{
    exec("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (3, 'Абонплата', 0, -1)");
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME, LOCATION_ID) values (2, 'Юг', 3)");
    exec("update ZOLT.HOUSE set AREA_ID = 2");
    m_dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                       "values (5, 2, :P_C, 3, TO_DATE('31/03/2020','DD/MM/YYYY'), 50)"),
        ParamsOf({ { QStringLiteral("P_C"), m_second } }));
    QTemporaryDir templates;
    TdmReports reports(m_dm.get(), m_dmr.get(), m_cust.get());
    reports.SetTemplateFolder(templates.path() + QLatin1Char('/'));
    TfrmPayDoc *form = open();
    bool picked = false;
    tarvik::test::ModalAnswer answer(
        [] {
            return QApplication::activeModalWidget()
                && QApplication::activeModalWidget()->objectName() == QStringLiteral("frmGetServId");
        },
        [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            auto *combo = dialog->findChild<TDBLookupComboboxEh *>(QStringLiteral("lcbServ"));
            picked = combo != nullptr;
            if (combo)
                combo->SetKeyValue(3);
            static_cast<QDialog *>(dialog)->accept();
        });
    form->actPaymentsByServ->trigger();
    EXPECT_TRUE(picked);
    TKyv_ClientDataSet *rows = m_dm->cdsReportPaymentsByServ();
    ASSERT_TRUE(rows->Active());
    ASSERT_EQ(rows->RecordCount(), 1) << "the payment on the period's last day, of that kind only";
    const QString account
        = m_dmr->dbConnection()
              ->SelectValue(QStringLiteral("select ACCOUNT_NO from ZOLT.CUSTOMER where CUSTOMER_ID = :P_C"),
                  ParamsOf({ { QStringLiteral("P_C"), m_second } }))
              .toString();
    EXPECT_TRUE(FieldOf(rows, "CUST_DESCR")->AsString().startsWith(account + QStringLiteral(".2 Второй")))
        << "an account outside area 1 carries its area";
    EXPECT_EQ(m_messages.lastText(),
        QStringLiteral("Не найден шаблон отчета ") + templates.path() + QStringLiteral("/PaymentsByServ.frf"));
}

TEST_P(PayDocWindow, TheMainMenuOpensTheDocumentsAndTheBrowser)
{
    tarvik::test::MainWindowScope scope;
    // The main window starts the shared period at today.
    EXPECT_EQ(SelectionPeriodFrom, QDate(2020, 3, 15));
    SelectionPeriodFrom = QDate(2020, 3, 1);
    SelectionPeriodTo = QDate(2020, 3, 31);
    RegisterPayDocForms();
    RegisterCustPaymentsForms();
    scope.main()->UpdateMenu();
    scope.main()->actPayments->trigger();
    scope.main()->actCustPayments->trigger();
    TfrmPayDoc *documents = nullptr;
    TfrmCustPayments *browser = nullptr;
    for (QWidget *child : scope.main()->ChildForms()) {
        documents = documents ? documents : qobject_cast<TfrmPayDoc *>(child);
        browser = browser ? browser : qobject_cast<TfrmCustPayments *>(child);
    }
    ASSERT_NE(documents, nullptr);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(documents->Data()->cdsPayDoc()->RecordCount(), 2) << "loaded on opening";
    EXPECT_EQ(browser->cdsCustPayments()->RecordCount(), 1);
    for (QWidget *child : scope.main()->ChildForms())
        delete child;
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(PayDocPrints, ThePeriodTextNamesTheChannelOnlyWhileFiltered)
{
    const QDate from = SelectionPeriodFrom, to = SelectionPeriodTo;
    SelectionPeriodFrom = QDate(2020, 3, 1);
    SelectionPeriodTo = QDate(2020, 3, 31);
    const QString period = PeriodCaption(SelectionPeriodFrom, SelectionPeriodTo);
    EXPECT_EQ(PaymentsPeriodMemo(false, QStringLiteral("Банк")), period);
    EXPECT_EQ(PaymentsPeriodMemo(true, QStringLiteral("Банк")), period + QStringLiteral("  Банк"));
    SelectionPeriodFrom = from;
    SelectionPeriodTo = to;
}

using CustPaymentsBrowser = PayDocWindow;

TEST_P(CustPaymentsBrowser, APeriodChangeInTheDocumentsWindowIsSeenByIt)
{
    TfrmPayDoc *form = open();
    form->actPeriodToday->trigger();
    EXPECT_EQ(SelectionPeriodFrom, QDate(2020, 3, 15));
    EXPECT_EQ(docs()->RecordCount(), 0);
    TfrmCustPayments browser;
    browser.setAttribute(Qt::WA_DeleteOnClose, false);
    SendMessage(&browser, AMRunQuery);
    EXPECT_EQ(browser.cdsCustPayments()->RecordCount(), 0);
    form->actPeriodMonth->trigger();
    EXPECT_EQ(SelectionPeriodTo, QDate(2020, 3, 31));
    browser.Reopen();
    EXPECT_EQ(browser.cdsCustPayments()->RecordCount(), 1);
    EXPECT_EQ(browser.windowTitle(), QStringLiteral("Платежи ") + form->PeriodText());
    EXPECT_EQ(field(browser.cdsCustPayments(), "PAYSOURCE_DESCR")->AsString(), QStringLiteral("Банк"));
}

TEST_P(CustPaymentsBrowser, TheChannelFilterAndItsOwnPeriodDialog)
{
    m_dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                       "values (5, 2, :P_C, -1, :P_D, 50)"),
        ParamsOf({ { QStringLiteral("P_C"), m_second },
            { QStringLiteral("P_D"), QDateTime(QDate(2020, 3, 31), QTime(15, 0)) } }));
    TfrmCustPayments browser;
    browser.setAttribute(Qt::WA_DeleteOnClose, false);
    SendMessage(&browser, AMRunQuery);
    EXPECT_EQ(browser.cdsCustPayments()->RecordCount(), 2) << "the afternoon of the last day is in the period";
    TDataSet *temp = m_dm->mdTempCFG();
    if (temp->State() != dsEdit)
        temp->Edit();
    FieldOf(temp, "PAYSOURCE_ID")->Clear();
    browser.actFilter->trigger();
    EXPECT_EQ(browser.actFilter->text(), QStringLiteral("Отключить фильтр"));
    EXPECT_EQ(browser.cdsCustPayments()->RecordCount(), 2) << "no channel chosen: every channel";
    browser.lcbPaySource->SetKeyValue(5);
    EXPECT_EQ(FieldOf(m_dm->mdTempCFG(), "PAYSOURCE_ID")->AsInteger(), 5);
    EXPECT_EQ(browser.cdsCustPayments()->RecordCount(), 1);
    EXPECT_EQ(FieldOf(browser.cdsCustPayments(), "PAYSOURCE_DESCR")->AsString(), QStringLiteral("Касса"));

    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmPeriod>() != nullptr; },
        [] {
            TfrmPeriod *dialog = tarvik::test::activeModal<TfrmPeriod>();
            dialog->SetPeriod(QDate(2020, 4, 1), QDate(2020, 4, 30));
            dialog->btnOk->click();
        });
    browser.actPeriod->trigger();
    EXPECT_EQ(SelectionPeriodFrom, QDate(2020, 4, 1)) << "the shared period, seen by the documents window";
    EXPECT_EQ(browser.cdsCustPayments()->RecordCount(), 0);
    TfrmPayDoc *form = open();
    EXPECT_EQ(docs()->RecordCount(), 0);
    EXPECT_EQ(form->lblPeriod->text(), PeriodCaption(QDate(2020, 4, 1), QDate(2020, 4, 30)));
}

INSTANTIATE_TEST_SUITE_P(
    PayDoc, PayDocWindow, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
INSTANTIATE_TEST_SUITE_P(
    CustPayments, CustPaymentsBrowser, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
