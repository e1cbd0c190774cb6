// The card's small dialogs: a service billed by fact, a document, a payment and the letter type, on both engines.
#include "CustomerFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "FormClasses.h"
#include "Guard.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"
#include "frmuCustomerDoc.h"
#include "frmuCustomerPayment.h"
#include "frmuCustomerService.h"
#include "frmuSelectLetterType.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

using tarvik::test::ModalAnswer;

class CustomerDialogs : public CustomerFixture
{
protected:
    void SetUp() override
    {
        CustomerFixture::SetUp();
        if (HasFatalFailure())
            return;
        DMR = m_dmr.get();
        // An error escaping a dialog's handler fails the test with its text.
        m_previousHandler = setExceptionHandler([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
        for (const char *sql : {
                 "delete from ZOLT.SINGLE_SERVICE_TARIF",
                 "insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, PRICE, SERVICE_NAME, MEASURE_ID) "
                 "values (4, 12.5, 'Выезд мастера', 1)",
                 "insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, PRICE, SERVICE_NAME, MEASURE_ID) "
                 "values (9, 30, 'Кабель', 1)",
                 "insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR) values (2, 'Касса')",
                 "insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR) values (5, 'Банк')",
             })
            m_dmr->dbConnection()->Execute(QString::fromUtf8(sql));
        addCustomer(QStringLiteral("Ковалёв"), QStringLiteral("5"));
        m_customer = field(customers(), "CUSTOMER_ID")->Value();
    }
    void TearDown() override
    {
        UnRegisterPicker(QStringLiteral("pickSingleServiceTarif"));
        UnRegisterPicker(QStringLiteral("pickPaySource"));
        setExceptionHandler(m_previousHandler);
        CustomerFixture::TearDown();
        DMR = nullptr;
    }

    TDataSet *services() const { return m_cust->ClientDataSet(QStringLiteral("cdsCustSingleService")); }
    TDataSet *documents() const { return m_cust->ClientDataSet(QStringLiteral("cdsCustDoc")); }
    static QVariant value(TDataSet *ds, const char *name)
    {
        return ds->FieldByName(QString::fromLatin1(name))->Value();
    }
    static void set(TDataSet *ds, const char *name, const QVariant &v)
    {
        ds->FieldByName(QString::fromLatin1(name))->SetValue(v);
    }
    int count(const char *table) const
    {
        return seen(QStringLiteral("select count(*) from ZOLT.") + QString::fromLatin1(table)).toInt();
    }

    void execAsOwner(const QString &sql)
    {
        auto owner = m_data.makeDmr();
        owner->DbLogON(QString::fromLatin1(TDMR::SchemaOwner), QString::fromLatin1(TDMR::SchemaOwnerPassword),
            QStringLiteral("TEST"));
        ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
        owner->dbConnection()->Execute(sql);
        owner->DbLogOut();
    }

    template <class T> static ModalAnswer on(std::function<void(T *)> act)
    {
        return ModalAnswer(
            [] { return tarvik::test::activeModal<T>() != nullptr; }, [act] { act(tarvik::test::activeModal<T>()); });
    }
    static void click(QWidget *dialog, const char *button)
    {
        auto *b = dialog->findChild<QPushButton *>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2024, 6, 20), QTime(10, 30)) };
    QVariant m_customer;
    ExceptionHandler m_previousHandler;
};

// ---- Service by fact

TEST_P(CustomerDialogs, CustomerServiceDialogStartsWithTheFirstServiceAndItsPriceAndFollowsQuantityAndPrice)
{
    QVariant tariff, price, quantity, amount;
    double amountAfterEdit = -1, amountWithoutQuantity = -1;
    ModalAnswer answer = on<TfrmCustomerService>([&](TfrmCustomerService *dialog) {
        TDataSet *ds = services();
        tariff = value(ds, "SINGLE_SERVICE_TARIF_ID");
        price = value(ds, "PRICE");
        quantity = value(ds, "QUANTITY");
        amount = value(ds, "AMOUNT");
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Услуги по факту"));
        EXPECT_EQ(dialog->cbService->text(), QStringLiteral("Выезд мастера"));
        set(ds, "QUANTITY", 3);
        set(ds, "PRICE", 2.5);
        amountAfterEdit = value(ds, "AMOUNT").toDouble();
        ds->FieldByName(QStringLiteral("QUANTITY"))->Clear();
        amountWithoutQuantity = value(ds, "AMOUNT").toDouble();
        set(ds, "QUANTITY", 2);
        click(dialog, "btnOk");
    });
    ASSERT_TRUE(executeNewCustomerService());
    EXPECT_EQ(tariff.toInt(), 4) << "the first service of the price list";
    EXPECT_DOUBLE_EQ(price.toDouble(), 12.5);
    EXPECT_EQ(quantity.toInt(), 1);
    EXPECT_DOUBLE_EQ(amount.toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(amountAfterEdit, 7.5);
    EXPECT_DOUBLE_EQ(amountWithoutQuantity, 0);
    EXPECT_EQ(seen(QStringLiteral("select AMOUNT from ZOLT.CUSTOMER_SERVICE")).toDouble(), 5.0)
        << "stored and committed for every connection";
}

TEST_P(CustomerDialogs, CustomerServiceDialogTakesThePriceOfAServicePickedInTheGuideUnlessItIsTheSame)
{
    QVariant offered;
    QVariant answerKey = 4;
    RegisterPicker(QStringLiteral("pickSingleServiceTarif"), [&](QVariant &key) {
        offered = key;
        key = answerKey;
        return true;
    });
    double priceAfterSamePick = -1, priceAfterOtherPick = -1, amountAfterOtherPick = -1;
    ModalAnswer answer = on<TfrmCustomerService>([&](TfrmCustomerService *dialog) {
        TDataSet *ds = services();
        set(ds, "PRICE", 11);
        click(dialog, "btnServiceGuide");
        priceAfterSamePick = value(ds, "PRICE").toDouble();
        answerKey = 9;
        click(dialog, "btnServiceGuide");
        priceAfterOtherPick = value(ds, "PRICE").toDouble();
        amountAfterOtherPick = value(ds, "AMOUNT").toDouble();
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeNewCustomerService());
    EXPECT_EQ(offered.toInt(), 4);
    EXPECT_DOUBLE_EQ(priceAfterSamePick, 11) << "the same service changes nothing";
    EXPECT_DOUBLE_EQ(priceAfterOtherPick, 30);
    EXPECT_DOUBLE_EQ(amountAfterOtherPick, 30);
    EXPECT_EQ(count("CUSTOMER_SERVICE"), 0) << "cancelled";
}

TEST_P(CustomerDialogs, CustomerServiceDialogRefusesAMissingServiceAndStaysOpen)
{
    bool stayedOpen = false;
    ModalAnswer answer = on<TfrmCustomerService>([&](TfrmCustomerService *dialog) {
        set(services(), "SINGLE_SERVICE_TARIF_ID", 0);
        click(dialog, "btnOk");
        stayedOpen = dialog->isVisible();
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeNewCustomerService());
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не выбрана услуга"));
    EXPECT_EQ(count("CUSTOMER_SERVICE"), 0);
}

TEST_P(CustomerDialogs, CustomerServiceDialogEditsTheCurrentRow)
{
    ModalAnswer first = on<TfrmCustomerService>([&](TfrmCustomerService *dialog) { click(dialog, "btnOk"); });
    ASSERT_TRUE(executeNewCustomerService());
    ModalAnswer second = on<TfrmCustomerService>([&](TfrmCustomerService *dialog) {
        EXPECT_EQ(services()->State(), dsEdit);
        set(services(), "NOTICE", QStringLiteral("по заявке"));
        click(dialog, "btnOk");
    });
    ASSERT_TRUE(executeEditCustomerService());
    EXPECT_EQ(seen(QStringLiteral("select NOTICE from ZOLT.CUSTOMER_SERVICE")).toString(), QStringLiteral("по заявке"));
}

// ---- Document

TEST_P(CustomerDialogs, CustomerDocDialogStoresOnReadyAndNothingOnCancel)
{
    ModalAnswer cancelled = on<TfrmCustomerDoc>([&](TfrmCustomerDoc *dialog) {
        set(documents(), "DOC_NAME", QStringLiteral("Договор"));
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeNewCustomerDoc());
    EXPECT_EQ(count("CUST_DOC"), 0);
    QVariant date;
    ModalAnswer stored = on<TfrmCustomerDoc>([&](TfrmCustomerDoc *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Документ"));
        date = value(documents(), "DOC_DATE");
        set(documents(), "DOC_NAME", QStringLiteral("Договор"));
        set(documents(), "DOC_URL", QStringLiteral("file:///docs/1.pdf"));
        click(dialog, "btnOk");
    });
    ASSERT_TRUE(executeNewCustomerDoc());
    EXPECT_EQ(date.toDateTime().date(), QDate(2024, 6, 20)) << "the work date";
    EXPECT_EQ(seen(QStringLiteral("select DOC_NAME from ZOLT.CUST_DOC")).toString(), QStringLiteral("Договор"));
}

TEST_P(CustomerDialogs, CustomerDocDialogAnswersFalseWhenTheDatabaseRefusesTheDocument)
{
    // The table wants a date; a document without one is refused and nothing is stored.
    ModalAnswer answer = on<TfrmCustomerDoc>([&](TfrmCustomerDoc *dialog) {
        set(documents(), "DOC_NAME", QStringLiteral("Без даты"));
        documents()->FieldByName(QStringLiteral("DOC_DATE"))->Clear();
        click(dialog, "btnOk");
    });
    EXPECT_FALSE(executeNewCustomerDoc());
    EXPECT_EQ(count("CUST_DOC"), 0);
}

// ---- Payment

TEST_P(CustomerDialogs, CustomerPaymentDialogStartsWithTheWorkDateTheFirstSourceAndTheLastSum)
{
    m_dm->SetWorkDate(QDate(2024, 5, 31));
    m_dmr->LastPaymentSum = 17.5;
    QVariant date, sum, source, serv;
    QString account, shownSource;
    ModalAnswer answer = on<TfrmCustomerPayment>([&](TfrmCustomerPayment *dialog) {
        TMemTable *md = dialog->mdTempDataSet.get();
        date = value(md, "DOC_DATE");
        sum = value(md, "PAY_SUM");
        source = value(md, "PAYSOURCE_ID");
        serv = value(md, "SERV_ID");
        account = dialog->lblAccountNo->text();
        shownSource = value(md, "L_PAYSOURCE").toString();
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeCustomerPayment(m_customer));
    EXPECT_EQ(date.toDateTime(), QDateTime(QDate(2024, 5, 31), QTime(0, 0)));
    EXPECT_DOUBLE_EQ(sum.toDouble(), 17.5);
    EXPECT_EQ(source.toInt(), 2);
    EXPECT_EQ(shownSource, QStringLiteral("Касса"));
    EXPECT_EQ(serv.toInt(), -1);
    EXPECT_EQ(account, field(customers(), "ACCOUNT_NO")->AsString());
    EXPECT_EQ(count("PAY_DOC"), 0);

    m_dm->mdTempCFG()->Edit();
    m_dm->mdTempCFG()->FieldByName(QStringLiteral("WORK_DATE"))->Clear();
    ModalAnswer undated = on<TfrmCustomerPayment>([&](TfrmCustomerPayment *dialog) {
        date = value(dialog->mdTempDataSet.get(), "DOC_DATE");
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeCustomerPayment(m_customer));
    EXPECT_EQ(date.toDateTime(), m_clock.now()) << "an empty work date dates the payment now";
}

TEST_P(CustomerDialogs, CustomerPaymentDialogRefusesZeroStoresACorrectionAndQueuesTheCustomer)
{
    m_dm->SetWorkDate(QDate(2024, 6, 3));
    bool stayedOpen = false;
    QString refusal;
    ModalAnswer answer = on<TfrmCustomerPayment>([&](TfrmCustomerPayment *dialog) {
        set(dialog->mdTempDataSet.get(), "PAY_SUM", 0);
        click(dialog, "btnAdd");
        stayedOpen = dialog->isVisible();
        refusal = m_messages.lastText();
        set(dialog->mdTempDataSet.get(), "PAY_SUM", -10);
        set(dialog->mdTempDataSet.get(), "NOTICE", QStringLiteral("сторно"));
        click(dialog, "btnAdd");
    });
    ASSERT_TRUE(executeCustomerPayment(m_customer));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(refusal, QStringLiteral("Не введена сумма платежа"));
    EXPECT_EQ(seen(QStringLiteral("select PAY_SUM from ZOLT.PAYMENT")).toDouble(), -10);
    EXPECT_EQ(seen(QStringLiteral("select PAY_DOC_NO from ZOLT.PAY_DOC")).toString(),
        field(customers(), "ACCOUNT_NO")->AsString());
    EXPECT_EQ(seen(QStringLiteral("select PAYSOURCE_ID from ZOLT.PAY_DOC")).toInt(), 2);
    EXPECT_EQ(
        seen(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT where CUSTOMER_ID = ") + m_customer.toString())
            .toInt(),
        1)
        << "queued for recalculation";

    QVariant proposed;
    ModalAnswer second = on<TfrmCustomerPayment>([&](TfrmCustomerPayment *dialog) {
        proposed = value(dialog->mdTempDataSet.get(), "PAY_SUM");
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeCustomerPayment(m_customer));
    EXPECT_DOUBLE_EQ(proposed.toDouble(), -10) << "the previous payment's amount";
}

TEST_P(CustomerDialogs, CustomerPaymentDialogShowsAFailedPaymentStaysOpenAndStoresNothing)
{
    execAsOwner(QStringLiteral("alter table ZOLT.PAYMENT rename to PAYMENT_GONE"));
    bool stayedOpen = false;
    QString shown;
    int docsAfterFailure = -1;
    ModalAnswer answer = on<TfrmCustomerPayment>([&](TfrmCustomerPayment *dialog) {
        set(dialog->mdTempDataSet.get(), "PAY_SUM", 25);
        click(dialog, "btnAdd");
        stayedOpen = dialog->isVisible();
        shown = m_messages.lastText();
        docsAfterFailure = count("PAY_DOC");
        // The table is back: the same record, still as typed, goes through.
        execAsOwner(QStringLiteral("alter table ZOLT.PAYMENT_GONE rename to PAYMENT"));
        click(dialog, "btnAdd");
    });
    ASSERT_TRUE(executeCustomerPayment(m_customer));
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Платеж не записан\r"))) << shown.toStdString();
    EXPECT_EQ(docsAfterFailure, 0) << "the document went back with its payment";
    EXPECT_EQ(seen(QStringLiteral("select PAY_SUM from ZOLT.PAYMENT")).toDouble(), 25);
    EXPECT_EQ(count("PAY_DOC"), 1);
}

TEST_P(CustomerDialogs, CustomerPaymentDialogTakesASourcePickedInTheGuideAndPrintsOnRequest)
{
    RegisterPicker(QStringLiteral("pickPaySource"), [](QVariant &key) {
        key = 5;
        return true;
    });
    int printed = -1;
    PrintCashOrderKO1 = [&printed](int paymentId) { printed = paymentId; };
    QString shownSource;
    ModalAnswer answer = on<TfrmCustomerPayment>([&](TfrmCustomerPayment *dialog) {
        EXPECT_EQ(dialog->btnAddAndPrint->toolTip(), QStringLiteral("Добавить и Печать кассового ордера КО-1"));
        click(dialog, "btnPaySourceGuide");
        shownSource = value(dialog->mdTempDataSet.get(), "L_PAYSOURCE").toString();
        set(dialog->mdTempDataSet.get(), "PAY_SUM", 40);
        click(dialog, "btnAddAndPrint");
    });
    const bool stored = executeCustomerPayment(m_customer);
    PrintCashOrderKO1 = nullptr;
    ASSERT_TRUE(stored);
    EXPECT_EQ(shownSource, QStringLiteral("Банк"));
    EXPECT_EQ(seen(QStringLiteral("select PAYSOURCE_ID from ZOLT.PAY_DOC")).toInt(), 5);
    EXPECT_EQ(printed, seen(QStringLiteral("select PAYMENT_ID from ZOLT.PAYMENT")).toInt());
}

// ---- Letter type

TEST_P(CustomerDialogs, CustomerLetterTypeDialogKeepsTheChoiceInTheFilterRecordEitherWay)
{
    TField *type = m_dm->mdTempCFG()->FieldByName(QStringLiteral("LetterTypeId3"));
    int shown = -1;
    ModalAnswer ready = on<TfrmSelectLetterType>([&](TfrmSelectLetterType *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Выбор типа письма"));
        ASSERT_EQ(dialog->cbLetterType->count(), 4);
        EXPECT_EQ(dialog->cbLetterType->itemText(0), QStringLiteral("Справка по задолженности"));
        shown = dialog->cbLetterType->currentIndex();
        dialog->cbLetterType->setCurrentIndex(3);
        click(dialog, "btnOk");
    });
    EXPECT_TRUE(executeSelectLetterType());
    EXPECT_EQ(shown, 1) << "the record's default";
    EXPECT_EQ(type->AsInteger(), 3);
    ModalAnswer cancel = on<TfrmSelectLetterType>([&](TfrmSelectLetterType *dialog) {
        dialog->cbLetterType->setCurrentIndex(0);
        click(dialog, "btnCancel");
    });
    EXPECT_FALSE(executeSelectLetterType());
    EXPECT_EQ(type->AsInteger(), 0);
}

TEST_P(CustomerDialogs, CustomerLettersShowTheirTypeByName)
{
    m_dmr->dbConnection()->Execute(
        QStringLiteral("update ZOLT.LETTERTYPE set LETTERTYPEDESCR = 'Вторичное' where LETTERTYPEID = 2"));
    m_dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.CUSTLETTER (CUSTOMER_ID, CUSTLETTERID, "
                       "LETTERTYPEID, CUSTLETTERDATE) values (%1, 1, 2, '2024-02-01 00:00:00')")
            .arg(m_customer.toString()));
    TKyv_ClientDataSet *letters = m_cust->ClientDataSet(QStringLiteral("cdsCustLetter"));
    letters->Open();
    ASSERT_EQ(letters->RecordCount(), 1);
    EXPECT_EQ(letters->FieldByName(QStringLiteral("L_LetterType"))->AsString(), QStringLiteral("Вторичное"));
}

INSTANTIATE_TEST_SUITE_P(
    Customer, CustomerDialogs, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
