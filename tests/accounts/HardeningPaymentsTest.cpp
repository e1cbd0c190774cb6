// Payments that must never be stored half: without a source the payment lists can name, or without the queue
// row that brings their customer's debts up to date; on both engines.
#include "PaymentsFixture.h"
#include "RefuseInserts.h"

#include "Guard.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "frmuCustomerPayment.h"
#include "frmuMain.h"
#include "frmuPayDoc.h"
#include "uPayDoc.h"
#include "uPayDocData.h"

#include <QAction>
#include <QPushButton>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

class HardeningPayments : public PaymentsFixture
{
protected:
    void SetUp() override
    {
        PaymentsFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_previousHandler = setExceptionHandler([this](const QString &message) { m_errors << message; });
        m_savedFrom = SelectionPeriodFrom;
        m_savedTo = SelectionPeriodTo;
        SelectionPeriodFrom = QDate(2024, 6, 1);
        SelectionPeriodTo = QDate(2024, 6, 30);
        addCustomer(QStringLiteral("Ковалёв"), QStringLiteral("5"));
        m_customer = idOf(QStringLiteral("Ковалёв"));
        exec("update ZOLT.CUSTOMER set VALID_TO = TO_DATE('31/12/4712','DD/MM/YYYY'), CUST_CODE = ACCOUNT_NO");
        exec("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR, LEAK_PRC, TAX_PRC) values (2, 'Касса', 0, 0)");
        exec("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) values "
             "(1, 2, '11', TO_DATE('10/06/2024','DD/MM/YYYY'), 100)");
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                           "values (1, 1, :P_C, -1, TO_DATE('10/06/2024','DD/MM/YYYY'), 60)"),
            ParamsOf({ { QStringLiteral("P_C"), m_customer } }));
        exec("delete from ZOLT.INVALIDCUSTDEBT");
        m_dm->SetWorkDate(QDate(2024, 6, 20));
    }

    void TearDown() override
    {
        m_form.reset();
        SelectionPeriodFrom = m_savedFrom;
        SelectionPeriodTo = m_savedTo;
        setExceptionHandler(m_previousHandler);
        PaymentsFixture::TearDown();
        EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
    }

    int count(const char *table) const
    {
        return m_other->dbConnection()
            ->SelectValue(QStringLiteral("select count(*) from ZOLT.") + QLatin1String(table))
            .toInt();
    }

    // The card's payment dialog for the customer, with `act` done on it once it is up.
    bool payFromTheCard(const std::function<void(TfrmCustomerPayment *)> &act)
    {
        ModalAnswer answer([] { return activeModal<TfrmCustomerPayment>() != nullptr; },
            [act] { act(activeModal<TfrmCustomerPayment>()); });
        const bool stored = executeCustomerPayment(m_customer);
        EXPECT_TRUE(answer.ran());
        return stored;
    }
    static void click(QWidget *dialog, const char *button)
    {
        auto *b = dialog->findChild<QPushButton *>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }

    TfrmPayDoc *openPayDocs()
    {
        m_form = std::make_unique<TfrmPayDoc>();
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        SendMessage(m_form.get(), AMRunQuery);
        return m_form.get();
    }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2024, 6, 20), QTime(10, 0)) };
    std::unique_ptr<TfrmPayDoc> m_form;
    ExceptionHandler m_previousHandler;
    QStringList m_errors;
    QDate m_savedFrom, m_savedTo;
    int m_customer = 0;
};

TEST_P(HardeningPayments, APaymentWithoutASourceOfTheGuideIsRefusedAndNothingIsStored)
{
    struct Case
    {
        const char *label;
        QVariant source;
    };
    const Case cases[] = { { "no source", QVariant() }, { "a source the guide does not hold", 99 } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        bool stayedOpen = false;
        QString shown;
        EXPECT_FALSE(payFromTheCard([&](TfrmCustomerPayment *dialog) {
            TMemTable *md = dialog->mdTempDataSet.get();
            md->FieldByName(QStringLiteral("PAYSOURCE_ID"))->SetValue(c.source);
            md->FieldByName(QStringLiteral("PAY_SUM"))->SetValue(25);
            click(dialog, "btnAdd");
            stayedOpen = dialog->isVisible();
            shown = m_messages.lastText();
            click(dialog, "btnCancel");
        }));
        EXPECT_TRUE(stayedOpen);
        EXPECT_EQ(shown, QStringLiteral("Не выбран источник платежа"));
    }
    EXPECT_EQ(count("PAY_DOC"), 1);
    EXPECT_EQ(count("PAYMENT"), 1);

    // A new document starts without a source; its header is refused until one of the guide is chosen.
    TfrmPayDoc *form = openPayDocs();
    TDataSet *docs = form->Data()->cdsPayDoc();
    form->actNewDoc->trigger();
    ASSERT_EQ(docs->State(), dsInsert);
    docs->FieldByName(QStringLiteral("PAY_DOC_NO"))->SetValue(QStringLiteral("77"));
    for (const Case &c : { Case { "the new document's source 0", 0 }, cases[1] }) {
        SCOPED_TRACE(c.label);
        docs->FieldByName(QStringLiteral("PAYSOURCE_ID"))->SetValue(c.source);
        m_messages.requests.clear();
        form->actSaveHeader->trigger();
        EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не выбран источник платежа"));
        EXPECT_EQ(docs->State(), dsInsert);
        EXPECT_ANY_THROW(docs->Post()) << "the document list itself refuses it";
        EXPECT_EQ(count("PAY_DOC"), 1);
    }
    docs->FieldByName(QStringLiteral("PAYSOURCE_ID"))->SetValue(2);
    form->actSaveHeader->trigger();
    EXPECT_EQ(count("PAY_DOC"), 2) << "with a source of the guide the document is stored";
}

TEST_P(HardeningPayments, APaymentAndItsQueueRowAreStoredTogetherOrNotAtAll)
{
    RefuseInserts(m_data, "INVALIDCUSTDEBT", "queue refused");
    if (HasFatalFailure())
        return;
    struct Path
    {
        const char *label;
        // Makes the change; answers whether it reported success and what it showed or answered.
        std::function<bool(QString &)> change;
    };
    const Path paths[] = {
        { "a payment from the card",
            [&](QString &shown) {
                bool stayedOpen = false;
                const bool stored = payFromTheCard([&](TfrmCustomerPayment *dialog) {
                    dialog->mdTempDataSet->FieldByName(QStringLiteral("PAY_SUM"))->SetValue(25);
                    click(dialog, "btnAdd");
                    stayedOpen = dialog->isVisible();
                    shown = m_messages.lastText();
                    click(dialog, "btnCancel");
                });
                EXPECT_TRUE(stayedOpen);
                return stored;
            } },
        { "a payment deleted in its document",
            [&](QString &shown) {
                return DeletePayment(m_dm.get(), 1, m_customer, QDateTime(QDate(2024, 6, 10), QTime(0, 0)), shown);
            } },
        { "a payment entered in its document",
            [&](QString &shown) {
                TfrmPayDoc *form = openPayDocs();
                TKyv_ClientDataSet *docs = form->Data()->cdsPayDoc();
                TKyv_ClientDataSet *payments = form->Data()->cdsPayDocPayment();
                EXPECT_TRUE(docs->Locate(QStringLiteral("PAY_DOC_ID"), 1));
                form->actOpenDoc->trigger();
                form->actNewPayment->trigger();
                payments->FieldByName(QStringLiteral("CUSTOMER_ID"))->SetValue(m_customer);
                payments->FieldByName(QStringLiteral("PAY_SUM"))->SetValue(15.0);
                payments->Post();
                shown = m_messages.lastText();
                const bool listed = payments->Locate(QStringLiteral("PAY_SUM"), 15.0);
                m_form.reset();
                return listed;
            } },
    };
    for (const Path &p : paths) {
        SCOPED_TRACE(p.label);
        m_messages.requests.clear();
        QString shown;
        EXPECT_FALSE(p.change(shown));
        EXPECT_TRUE(shown.contains(QStringLiteral("queue refused"))) << shown.toStdString();
        EXPECT_EQ(count("PAY_DOC"), 1);
        EXPECT_EQ(count("PAYMENT"), 1) << "the payment went back with its queue row";
        EXPECT_EQ(count("INVALIDCUSTDEBT"), 0);
        EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
    }
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningPayments, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
