// The customer card inside the customer list window, on both engines.
#include "CustomerProgramFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "DbSchema.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_DBNavigator.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "Screenshot.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuCustomer.h"
#include "frmuGuide.h"
#include "frmuSmartCards.h"
#include "uSettings.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class CustomerCard : public CustomerWindowsFixture
{
protected:
    void TearDown() override
    {
        m_form.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CustomerWindowsFixture::TearDown();
    }

    // A customer written straight into the table: its id.
    int seedCustomer(const QString &surname, const QString &flat, double debt = 0, const char *account = "")
    {
        const int id = m_dmr->dbConnection()
                           ->SelectValue(QStringLiteral("select coalesce(max(CUSTOMER_ID), 0) + 1 from ZOLT.CUSTOMER"))
                           .toInt();
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, FIRSTNAME, MIDLENAME, "
                            "INITIALS, HOUSE_ID, FLAT_NO, DEBT_SUM, IS_COMPANY, CUST_STATE, COMPANY_ID, VALID_TO) "
                            "values (%1, '%2', '%3', ' ', ' ', ' ', %4, '%5', %6, 0, 0, 1, %7)")
                 .arg(id)
                 .arg(QString::fromLatin1(account), surname)
                 .arg(HouseId)
                 .arg(flat)
                 .arg(debt)
                 .arg(date(4712, 12, 31)));
        return id;
    }
    void exec(const QString &sql) { m_dmr->dbConnection()->Execute(sql); }
    QString date(int y, int m, int d) const
    {
        return DbSchema::dateLiteral(y, m, d);
    }
    int count(const QString &sql) const { return seen(sql).toInt(); }

    TfrmCustomer *open()
    {
        m_form = std::make_unique<TfrmCustomer>();
        m_form->setAttribute(Qt::WA_DeleteOnClose, false);
        SendMessage(m_form.get(), AMRunQuery, 1, 0);
        return m_form.get();
    }
    bool at(int id) const { return customers()->Locate(QStringLiteral("CUSTOMER_ID"), id); }
    QString lastText() const { return m_messages.lastText(); }
    TMsgDlgType lastType() const
    {
        return m_messages.requests.isEmpty() ? mtCustom : m_messages.requests.constLast().type;
    }

    std::unique_ptr<TfrmCustomer> m_form;
};

TEST(CustomerCardInitials, AreTheFirstLettersOfTheTrimmedNames)
{
    const struct
    {
        const char *first, *middle, *initials;
    } cases[] = {
        { "иван", "петрович", "И.П." },
        { "  иван ", "", "И." },
        { "", "петрович", "П." },
        { " ", " ", "" },
        { "Ёжик", "ярослав", "Ё.Я." },
    };
    for (const auto &c : cases)
        EXPECT_EQ(CustomerInitials(QString::fromUtf8(c.first), QString::fromUtf8(c.middle)), QString::fromUtf8(c.initials))
            << c.first << "|" << c.middle;
}

TEST_P(CustomerCard, ValidationStopsAtTheFirstFailureInOrder)
{
    seedCustomer(QStringLiteral("Петров"), QStringLiteral("12"));
    TfrmCustomer *form = open();
    const int before = count(QStringLiteral("select count(*) from ZOLT.CUSTOMER"));
    struct Case
    {
        const char *label;
        int company;
        const char *surname;
        int house;
        const char *flat;
        const char *message; // empty: saved without a box
        TMsgDlgType type;
    };
    const Case cases[] = {
        { "no surname comes before no street", 0, " ", 0, "", "Не введена фамилия", mtError },
        { "a company names its name", 1, "", HouseId, "1", "Не введено наименование", mtError },
        { "no street", 0, "Сидоров", 0, "3", "Не выбрана улица", mtError },
        { "a person needs a flat", 0, "Сидоров", HouseId, " ", "Не введена квартира", mtError },
        { "a new card at an address that has one", 0, "Сидоров", HouseId, "12",
            "По выбранному адресу уже есть запись в картотеке", mtWarning },
        { "a company without a flat passes", 1, "ООО Ромашка", HouseId, "", "", mtCustom },
        { "a flat holding a quote is only a flat", 0, "Кузнецов", HouseId, "4'", "", mtCustom },
    };
    int saved = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        m_messages.requests.clear();
        form->actNewCustomer->trigger();
        ASSERT_EQ(customers()->State(), dsInsert);
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);
        field(customers(), "IS_COMPANY")->SetValue(c.company);
        field(customers(), "SURNAME")->SetValue(QString::fromUtf8(c.surname));
        field(customers(), "HOUSE_ID")->SetValue(c.house);
        if (*c.flat)
            field(customers(), "FLAT_NO")->SetValue(QString::fromUtf8(c.flat));
        const auto connecting = cancelConnecting();
        form->actApply->trigger();
        if (*c.message) {
            ASSERT_EQ(m_messages.requests.size(), 1);
            EXPECT_EQ(lastText(), QString::fromUtf8(c.message));
            EXPECT_EQ(lastType(), c.type);
            EXPECT_EQ(customers()->State(), dsInsert) << "the card stays open";
            EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);
            form->actCancel->trigger();
        } else {
            // The save starts the connection, which has no service to offer in this fixture and says so.
            ASSERT_EQ(m_messages.requests.size(), 1);
            EXPECT_EQ(lastText(), QStringLiteral("Нет доступных услуг для подключения выбранного клиента"));
            EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
            ++saved;
        }
        EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER")), before + saved);
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER where FLAT_NO = '4'''")), 1);
}

TEST_P(CustomerCard, EditingASharedAddressIsRefusedAndALoneOnePasses)
{
    const int shared = seedCustomer(QStringLiteral("Петров"), QStringLiteral("5"));
    seedCustomer(QStringLiteral("Петрова"), QStringLiteral("5"));
    const int alone = seedCustomer(QStringLiteral("Иванов"), QStringLiteral("6"));
    TfrmCustomer *form = open();

    ASSERT_TRUE(at(shared));
    form->actEditCustomer->trigger();
    field(customers(), "PHONE_NO")->SetValue(QStringLiteral("555"));
    form->actApply->trigger();
    EXPECT_EQ(lastText(), QStringLiteral("По выбранному адресу уже есть запись в картотеке"));
    form->actCancel->trigger();
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER where PHONE_NO = '555'")), 0);

    m_messages.requests.clear();
    ASSERT_TRUE(at(alone));
    form->actEditCustomer->trigger();
    field(customers(), "PHONE_NO")->SetValue(QStringLiteral("777"));
    form->actApply->trigger();
    EXPECT_TRUE(m_messages.requests.isEmpty()) << lastText().toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER where PHONE_NO = '777'")), 1);
    EXPECT_EQ(field(customers(), "CUSTOMER_ID")->AsInteger(), alone) << "the refresh returns to the saved card";
}

TEST_P(CustomerCard, AnExistingAccountNumberOnlyWarnsAndNamesRebuildTheInitials)
{
    seedCustomer(QStringLiteral("Петров"), QStringLiteral("12"), 0, "101");
    TfrmCustomer *form = open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->actNewCustomer->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->edAccountNo->hasFocus(); }));
    form->edAccountNo->selectAll();
    QTest::keyClicks(form->edAccountNo, QStringLiteral("101"));
    form->edFirstName->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_messages.requests.isEmpty(); }));
    EXPECT_EQ(lastText(), QStringLiteral("Лицевой счет 101 уже есть в картотеке"));
    EXPECT_EQ(lastType(), mtWarning);
    EXPECT_EQ(customers()->State(), dsInsert) << "the card stays editable";

    QTest::keyClicks(form->edFirstName, QStringLiteral("ivan"));
    form->edMidleName->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->edMidleName->hasFocus(); }));
    QTest::keyClicks(form->edMidleName, QStringLiteral("sergeevich"));
    form->edPhone->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->edPhone->hasFocus(); }));
    EXPECT_EQ(field(customers(), "INITIALS")->AsString(), QStringLiteral("I.S."));

    // Enter moves on from a tagged field; on the account number it goes to the surname of a person.
    AppSettings().enterToTab = true;
    form->edAccountNo->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->edAccountNo->hasFocus(); }));
    QTest::keyClick(form->edAccountNo, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->edSurname->hasFocus(); }));

    // Ticking "Юр. лицо" shows the company's page and fills the person's empty names with a blank.
    field(customers(), "FIRSTNAME")->Clear();
    form->cbIsCompany->SetChecked(true);
    EXPECT_EQ(form->pcPersonCompany->currentWidget(), form->tsCompany);
    EXPECT_EQ(field(customers(), "FIRSTNAME")->AsString(), QStringLiteral(" "));
    form->actCancel->trigger();
}

// Rows that refuse a delete or do not, each against the customer in turn.
TEST_P(CustomerCard, DeletionRefusalsComeInTheirOrder)
{
    exec(QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAY_DOC_NO) values (1, '1')"));
    exec(QStringLiteral("insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, SERVICE_NAME) values (901, 'Вызов')"));
    struct Case
    {
        const char *label;
        std::vector<const char *> rows; // %1 is the customer id
        const char *refusal; // empty: the card asks to confirm
    };
    const Case cases[] = {
        { "payments come before discounts",
            { "insert into ZOLT.DISCOUNT_FACTOR (CUSTOMER_ID, DATE_FROM, DATE_TO, FACTOR_VALUE) values (%1, %2, %2, 1)",
                "insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, PAY_SUM) values (%1, 1, %1, 5)" },
            "Запись о клиенте удалить нельзя, т.к. были платежи" },
        { "connections come before subscriptions",
            { "insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, STATE_SGN) values (%1, %1, 0)",
                "insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID) values (%1, %1, %1)" },
            "Запись о клиенте удалить нельзя, т.к. были подключения на абонентские услуги" },
        { "subscriptions", { "insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, STATE_SGN) values (%1, %1, 0)" },
            "Запись о клиенте удалить нельзя, т.к. были абонентские услуги" },
        { "one-off services",
            { "insert into ZOLT.SINGLE_SERV (SINGLESERV_ID, CUSTOMER_ID, SERV_DATE) values (%1, %1, %2)" },
            "Запись о клиенте удалить нельзя, т.к. были разовые услуги" },
        { "a discount factor alone",
            { "insert into ZOLT.DISCOUNT_FACTOR (CUSTOMER_ID, DATE_FROM, DATE_TO, FACTOR_VALUE) values (%1, %2, %2, 1)" },
            "Запись о клиенте удалить нельзя, т.к. были скидки" },
        { "services by fact, documents and letters are the database's to judge",
            { "insert into ZOLT.CUSTOMER_SERVICE (CUSTOMER_ID, CUSTOMER_SERVICE_ID, SINGLE_SERVICE_TARIF_ID, AMOUNT, "
              "SERVICE_DATE, PUT_TIME) values (%1, 1, 901, 10, %2, %2)",
                "insert into ZOLT.CUST_DOC (CUST_DOC_ID, CUSTOMER_ID, DOC_DATE) values (%1, %1, %2)",
                "insert into ZOLT.CUSTLETTER (CUSTOMER_ID, CUSTLETTERID, LETTERTYPEID) values (%1, 1, 0)" },
            "" },
    };
    int flat = 1;
    std::vector<int> ids;
    for (const Case &c : cases) {
        const int id = seedCustomer(QString::fromUtf8(c.label).left(30), QString::number(flat++));
        ids.push_back(id);
        for (const char *row : c.rows)
            exec(QString::fromUtf8(row).replace(QStringLiteral("%1"), QString::number(id)).replace(QStringLiteral("%2"), date(2024, 5, 1)));
    }
    TfrmCustomer *form = open();
    const int before = count(QStringLiteral("select count(*) from ZOLT.CUSTOMER"));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].label);
        m_messages.requests.clear();
        m_messages.answer(mrNo);
        ASSERT_TRUE(at(ids[i]));
        form->actDelCustomer->trigger();
        ASSERT_EQ(m_messages.requests.size(), 1);
        if (*cases[i].refusal) {
            EXPECT_EQ(lastText(), QString::fromUtf8(cases[i].refusal));
            EXPECT_EQ(lastType(), mtWarning);
        } else {
            EXPECT_EQ(lastType(), mtConfirmation) << lastText().toStdString();
        }
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER")), before);
}

TEST_P(CustomerCard, ADeleteTheDatabaseRefusesPartWayLeavesEveryRow)
{
    exec(QStringLiteral("insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, SERVICE_NAME) values (901, 'Вызов')"));
    const int kept = seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"), 40);
    const int gone = seedCustomer(QStringLiteral("Сидоров"), QStringLiteral("2"), 15);
    for (int id : { kept, gone }) {
        for (int month : { 4, 5 })
            exec(QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) values (%1, %2, 20)")
                     .arg(id)
                     .arg(date(2024, month, 1)));
        exec(QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, GROUP_ID) "
                            "values (%1, %1, 1)")
                 .arg(id));
    }
    // The service by fact is the customer's row the database will not orphan: the customer's own delete, the
    // last statement, fails after the balance rows went.
    exec(QStringLiteral("insert into ZOLT.CUSTOMER_SERVICE (CUSTOMER_ID, CUSTOMER_SERVICE_ID, SINGLE_SERVICE_TARIF_ID, "
                        "AMOUNT, SERVICE_DATE, PUT_TIME) values (%1, 1, 901, 10, %2, %2)")
             .arg(kept)
             .arg(date(2024, 5, 1)));
    // The embedded engine keeps no foreign keys added after its tables were made: a trigger refuses there.
    if (GetParam() == TestEngine::SQLite)
        exec(QStringLiteral("create trigger ZOLT.TR_CUSTOMER_SERVICE_KEEPS_CUSTOMER before delete on CUSTOMER "
                            "when exists (select 1 from CUSTOMER_SERVICE S where S.CUSTOMER_ID = old.CUSTOMER_ID) "
                            "begin select raise(abort, 'FK_CUSTOMER_SERVICE_TO_CUSTOMER'); end"));
    TfrmCustomer *form = open();
    auto rows = [this](const char *table, int id) {
        return count(QStringLiteral("select count(*) from ZOLT.%1 where CUSTOMER_ID = %2")
                         .arg(QString::fromLatin1(table))
                         .arg(id));
    };

    ASSERT_TRUE(at(kept));
    m_messages.answer(mrYes);
    form->actDelCustomer->trigger();
    ASSERT_EQ(m_messages.requests.size(), 2);
    EXPECT_EQ(lastType(), mtError);
    EXPECT_TRUE(lastText().contains(QStringLiteral("Ошибка обновления - cdsCustomer"))) << lastText().toStdString();
    EXPECT_EQ(rows("CUSTOMER", kept), 1);
    EXPECT_EQ(rows("PAY_ACCOUNT", kept), 2);
    EXPECT_EQ(rows("TMP_CUST_BALANCE", kept), 1);
    EXPECT_TRUE(at(kept)) << "the list keeps the customer";
    EXPECT_EQ(field(customers(), "DEBT_SUM")->AsFloat(), 40.0);

    // A delete nothing refuses takes the customer and its balance rows together.
    m_messages.requests.clear();
    ASSERT_TRUE(at(gone));
    m_messages.answer(mrYes);
    form->actDelCustomer->trigger();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(lastType(), mtConfirmation);
    EXPECT_EQ(rows("CUSTOMER", gone), 0);
    EXPECT_EQ(rows("PAY_ACCOUNT", gone), 0);
    EXPECT_EQ(rows("TMP_CUST_BALANCE", gone), 0);
    EXPECT_FALSE(at(gone));
    EXPECT_EQ(rows("PAY_ACCOUNT", kept), 2) << "nobody else's rows";
}

TEST_P(CustomerCard, ServicesByFactMoveTheDebtAtOnceAndQueueTheCustomer)
{
    exec(QStringLiteral("delete from ZOLT.SINGLE_SERVICE_TARIF"));
    exec(QStringLiteral("insert into ZOLT.SINGLE_SERVICE_TARIF (SINGLE_SERVICE_TARIF_ID, SERVICE_NAME, PRICE) "
                        "values (901, 'Вызов', 30)"));
    const int id = seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"), 100);
    TfrmCustomer *form = open();
    ASSERT_TRUE(at(id));
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsSingleService);
    TDataSet *services = m_cust->ClientDataSet(QStringLiteral("cdsCustSingleService"));
    ASSERT_TRUE(services->Active()) << "the page opens its rows";

    // What the customer row holds when it is posted, and whether the customer then stands in the queue.
    QList<double> posted;
    customers()->AfterPost.add([&](TDataSet *ds) { posted << ds->FieldByName(QStringLiteral("DEBT_SUM"))->AsFloat(); });

    // The navigator's insert opens the dialog; stored with "Готово", its 30 are charged before any recalculation.
    m_dm->SetWorkDate(QDate(2024, 6, 3));
    tarvik::test::ModalAnswer dialog([] { return QApplication::activeModalWidget() != nullptr; }, [] {
        auto *b = QApplication::activeModalWidget()->findChild<QPushButton *>(QStringLiteral("btnOk"));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    });
    form->navSingleService->BtnClick(nbInsert);
    ASSERT_TRUE(dialog.ran());
    ASSERT_EQ(count(QStringLiteral("select sum(AMOUNT) from ZOLT.CUSTOMER_SERVICE where CUSTOMER_ID = %1").arg(id)), 30);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted[0], 130.0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")), 0)
        << "the refresh recalculated the queued customer";
    const double recalculated = seen(QStringLiteral("select DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id))
                                    .toDouble();
    EXPECT_EQ(recalculated, 30.0) << "the queued month was recalculated: the service is the whole debt";
    EXPECT_TRUE(services->Active());
    EXPECT_EQ(services->RecordCount(), 1);

    // Deleting it takes its amount back at once, after the navigator's confirmation.
    posted.clear();
    m_messages.answer(mrOk);
    form->navSingleService->BtnClick(nbDelete);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted[0], recalculated - 30);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER_SERVICE")), 0);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")), 0);

    // A cancelled confirmation changes nothing.
    posted.clear();
    m_messages.answer(mrCancel);
    form->navSingleService->BtnClick(nbDelete);
    EXPECT_TRUE(posted.isEmpty());
}

TEST_P(CustomerCard, ButtonsAndPagesFollowTheRowsAndTheSettings)
{
    TfrmCustomer *form = open();
    ASSERT_TRUE(customers()->Active());
    ASSERT_TRUE(customers()->IsEmpty());
    auto pageEnabled = [form](QWidget *page) { return form->pcAddInfo->isTabEnabled(form->pcAddInfo->indexOf(page)); };
    for (QAction *action : { form->actEditCustomer, form->actDelCustomer, form->actShowCustomerBalance,
             form->actPrintLetter, form->actPrintCustomersReport, form->actRecalcDebt, form->actAppendSmartCard })
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    for (QWidget *page : { form->tsSubscrServ, form->tsSingleService, form->tsSingleServ, form->tsDiscFactor,
             form->tsPayments, form->tsCalc, form->tsLetters })
        EXPECT_FALSE(pageEnabled(page)) << page->objectName().toStdString();
    EXPECT_TRUE(pageEnabled(form->tsDocs));
    EXPECT_FALSE(form->pcAddInfo->isTabVisible(form->pcAddInfo->indexOf(form->tsSmartCards))) << "useCAS is off";

    // A customer comes: everything opens up.
    form->actNewCustomer->trigger();
    field(customers(), "SURNAME")->SetValue(QStringLiteral("Петров"));
    field(customers(), "HOUSE_ID")->SetValue(HouseId);
    field(customers(), "FLAT_NO")->SetValue(QStringLiteral("1"));
    {
        const auto connecting = cancelConnecting();
        form->actApply->trigger();
    }
    ASSERT_FALSE(customers()->IsEmpty());
    for (QAction *action : { form->actNewCustomer, form->actEditCustomer, form->actDelCustomer,
             form->actShowCustomerBalance, form->actPrintLetter, form->actPrintCustomersReport, form->actRecalcDebt })
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_TRUE(pageEnabled(form->tsPayments));
    EXPECT_EQ(form->actNewCustomer->toolTip(), QStringLiteral("Добавить нового абонента"));

    // Each page opens its rows only while it is shown; the cash order needs a payment.
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsDiscFactor);
    TDataSet *discounts = m_cust->ClientDataSet(QStringLiteral("cdsCustDiscFactor"));
    TDataSet *payments = m_cust->ServerDataSet(QStringLiteral("odsCustPayment"));
    EXPECT_TRUE(discounts->Active());
    EXPECT_FALSE(payments->Active());
    form->pcAddInfo->setCurrentWidget(form->tsPayments);
    EXPECT_FALSE(discounts->Active());
    EXPECT_TRUE(payments->Active());
    EXPECT_FALSE(form->actPrintPaymentKO1->isEnabled()) << "no payments";
    form->pcAddInfo->setCurrentWidget(form->tsInfo);
    EXPECT_FALSE(payments->Active());

    // Cycling the pages steps over the smart-card page while it is hidden.
    form->pcAddInfo->setCurrentWidget(form->tsDocs);
    form->actNextPageCopy->trigger();
    EXPECT_EQ(form->pcAddInfo->currentWidget(), form->tsVoyager);
    form->pcAddInfo->setCurrentWidget(form->tsInfo);

    // The smart-card page exists with the CAS setting only.
    AppSettings().useCAS = true;
    form->CheckBtns();
    EXPECT_TRUE(form->pcAddInfo->isTabVisible(form->pcAddInfo->indexOf(form->tsSmartCards)));
    AppSettings().useCAS = false;
    form->CheckBtns();
    EXPECT_FALSE(form->pcAddInfo->isTabVisible(form->pcAddInfo->indexOf(form->tsSmartCards)));

    // The web password wants three characters.
    form->edWebPassword->setText(QStringLiteral("ab"));
    EXPECT_FALSE(form->actSetWebPassword->isEnabled());
    form->edWebPassword->setText(QStringLiteral("abc"));
    EXPECT_TRUE(form->actSetWebPassword->isEnabled());
}

TEST_P(CustomerCard, TheLettersPageNamesTheTypesAndItsClosingClosesThem)
{
    const int id = seedCustomer(QStringLiteral("Петров"), QStringLiteral("3"));
    exec(QStringLiteral("insert into ZOLT.CUSTLETTER (CUSTOMER_ID, CUSTLETTERID, LETTERTYPEID, CUSTLETTERDATE) "
                        "values (%1, 1, 3, %2)")
             .arg(id)
             .arg(date(2024, 2, 1)));
    TfrmCustomer *form = open();
    ASSERT_TRUE(at(id));
    TDataSet *types = m_dmr->odsLetterType();
    TDataSet *letters = m_cust->ClientDataSet(QStringLiteral("cdsCustLetter"));
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsLetters);
    ASSERT_TRUE(letters->Active());
    EXPECT_TRUE(types->Active());
    ASSERT_EQ(letters->RecordCount(), 1);
    EXPECT_EQ(field(letters, "L_LetterType")->AsString(), QStringLiteral("Исковое заявление"));
    auto *grid = form->findChild<TKyv_DBGridEh *>(QStringLiteral("dbgLetters"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->Columns()[1]->Title().Caption(), QStringLiteral("Тип"));
    EXPECT_EQ(grid->Columns()[1]->GetColumnDisplayText(), QStringLiteral("Исковое заявление")) << "the name, not the id";

    // Leaving the page closes its letters and the types with them; coming back reads both again.
    form->pcAddInfo->setCurrentWidget(form->tsInfo);
    EXPECT_FALSE(letters->Active());
    EXPECT_FALSE(types->Active());
    form->pcAddInfo->setCurrentWidget(form->tsLetters);
    ASSERT_TRUE(types->Active());
    EXPECT_EQ(field(letters, "L_LetterType")->AsString(), QStringLiteral("Исковое заявление"));

    // Closing the list while the page is shown closes them as well.
    form->close();
    EXPECT_FALSE(letters->Active());
    EXPECT_FALSE(types->Active());
}

TEST_P(CustomerCard, ActionsThatNeedACustomerOrASettingSayWhy)
{
    TfrmCustomer *form = open();
    ASSERT_TRUE(customers()->IsEmpty());
    for (QAction *action : { form->actCustomerPayment, form->actNewTicket }) {
        m_messages.requests.clear();
        action->trigger();
        ASSERT_EQ(m_messages.requests.size(), 1) << action->objectName().toStdString();
        EXPECT_EQ(lastText(), QStringLiteral("Не выбран клиент"));
        EXPECT_EQ(m_messages.requests[0].buttons, TMsgDlgButtons(mbYes));
    }

    seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"));
    form->actRefreshCustomer->trigger();
    ASSERT_FALSE(customers()->IsEmpty()) << "the refresh of the empty list reads the new customer";
    m_messages.requests.clear();
    form->actAppendSmartCard->trigger();
    EXPECT_EQ(lastText(), QStringLiteral("Для работы с CAS требуется настроить параметры CAS сервера\rСм. меню "
                                         "\"Сервис->Настройка Конфигурации->CAS\""));
    EXPECT_EQ(lastType(), mtInformation);

    m_messages.requests.clear();
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsVoyager);
    EXPECT_EQ(lastText(), QStringLiteral("Система спутникового мониторинга отключена"));
    EXPECT_EQ(form->lblVoyagerStatus->text(), QStringLiteral("Не найден"));
}

TEST_P(CustomerCard, ASmartCardPickedInTheGuideBecomesTheCustomersMainCard)
{
    exec(QStringLiteral("insert into ZOLT.DTV_PROVIDER (DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE) values (3, 'TV', 'A')"));
    exec(QStringLiteral("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE, DTV_PROVIDER_ID) "
                        "values (7, '123', 0, 3)"));
    const int id = seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"));
    AppSettings().useCAS = true;
    RegisterSmartCardGuides();
    TfrmCustomer *form = open();
    ASSERT_TRUE(at(id));
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsSmartCards);
    TDataSet *cards = m_cust->ClientDataSet(QStringLiteral("cdsCustSmartCards"));
    ASSERT_TRUE(cards->Active());
    ASSERT_TRUE(cards->IsEmpty());

    tarvik::test::ModalAnswer guide([] { return tarvik::test::activeModal<TfrmGuide>() != nullptr; }, [] {
        TfrmGuide *g = tarvik::test::activeModal<TfrmGuide>();
        EXPECT_TRUE(g->L->Locate(QStringLiteral("SMARTCARD_ID"), 7));
        g->actMrOk->trigger();
        if (g->isVisible())
            g->reject();
    });
    form->navSmartCards->BtnClick(nbInsert);
    ASSERT_TRUE(guide.ran());
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER_SMARTCARDS where CUSTOMER_ID = %1 and "
                                   "SMARTCARD_ID = 7 and IS_MAIN = 1")
                        .arg(id)),
        1);
    ASSERT_TRUE(cards->Active());
    EXPECT_EQ(cards->RecordCount(), 1) << "the page reads the card";
}

TEST_P(CustomerCard, TheHouseIsPickedInTheHousesGuideWhileEditing)
{
    exec(QStringLiteral("insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, SUBAREA_ID, HOUSE_NO, Q_PORCH) "
                        "values (8, 3, 5, 0, '16', 1)"));
    const int id = seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"));
    TfrmCustomer *form = open();
    ASSERT_TRUE(at(id));
    auto pick = [](int house) {
        return tarvik::test::ModalAnswer([] { return tarvik::test::activeModal<TfrmGuide>() != nullptr; }, [house] {
            TfrmGuide *g = tarvik::test::activeModal<TfrmGuide>();
            EXPECT_TRUE(g->L->Locate(QStringLiteral("HOUSE_ID"), house));
            g->actMrOk->trigger();
            if (g->isVisible())
                g->reject();
        });
    };
    {
        auto answer = pick(8);
        form->actSelectHouse->trigger();
        EXPECT_FALSE(answer.ran()) << "only while the card is edited";
    }
    form->actEditCustomer->trigger();
    auto answer = pick(8);
    form->actSelectHouse->trigger();
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(field(customers(), "HOUSE_ID")->AsInteger(), 8);
    form->actApply->trigger();
    EXPECT_EQ(count(QStringLiteral("select HOUSE_ID from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id)), 8);
}

TEST_P(CustomerCard, DocumentsAreAddedThroughTheirDialogAndDeletedAfterTheQuestion)
{
    const int id = seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"));
    TfrmCustomer *form = open();
    ASSERT_TRUE(at(id));
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsDocs);
    TDataSet *docs = m_cust->ClientDataSet(QStringLiteral("cdsCustDoc"));
    ASSERT_TRUE(docs->Active());
    tarvik::test::ModalAnswer dialog([] { return QApplication::activeModalWidget() != nullptr; }, [docs] {
        docs->FieldByName(QStringLiteral("DOC_NAME"))->SetValue(QStringLiteral("Договор"));
        auto *b = QApplication::activeModalWidget()->findChild<QPushButton *>(QStringLiteral("btnOk"));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton);
    });
    form->navDocs->BtnClick(nbInsert);
    ASSERT_TRUE(dialog.ran());
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUST_DOC where CUSTOMER_ID = %1").arg(id)), 1);
    ASSERT_TRUE(docs->Active()) << "reopened";
    EXPECT_EQ(docs->RecordCount(), 1);
    EXPECT_EQ(field(customers(), "CUSTOMER_ID")->AsInteger(), id);

    m_messages.answer(mrCancel);
    form->navDocs->BtnClick(nbDelete);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUST_DOC")), 1) << "the question was answered No";
    m_messages.answer(mrOk);
    form->navDocs->BtnClick(nbDelete);
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUST_DOC")), 0);
    EXPECT_TRUE(docs->Active());
}

TEST_P(CustomerCard, ANewCustomerStartsConnectingOnlyWithoutTheCasSetting)
{
    TfrmCustomer *form = open();
    for (const bool cas : { true, false }) {
        SCOPED_TRACE(cas ? "useCAS on" : "useCAS off");
        AppSettings().useCAS = cas;
        m_messages.requests.clear();
        form->actNewCustomer->trigger();
        field(customers(), "SURNAME")->SetValue(QStringLiteral("Петров"));
        field(customers(), "HOUSE_ID")->SetValue(HouseId);
        field(customers(), "FLAT_NO")->SetValue(cas ? QStringLiteral("1") : QStringLiteral("2"));
        const auto connecting = cancelConnecting();
        form->actApply->trigger();
        EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
        // Connecting has nothing to offer in this fixture and says so: that it speaks is that it started.
        EXPECT_EQ(m_messages.requests.size(), cas ? 0 : 1) << lastText().toStdString();
    }
    EXPECT_EQ(count(QStringLiteral("select count(*) from ZOLT.CUSTOMER")), 2);
}

TEST_P(CustomerCard, EnterMovesOnFromTheTaggedFieldsOnlyWithTheSetting)
{
    seedCustomer(QStringLiteral("Петров"), QStringLiteral("1"));
    TfrmCustomer *form = open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->actEditCustomer->trigger();
    struct Case
    {
        const char *label;
        QWidget *from;
        bool enterToTab, moves;
    };
    const Case cases[] = {
        { "a phone (9) moves on", form->edPhone, true, true },
        { "a flat (12) moves on", form->edFlatNo, true, true },
        { "a first name (4) moves on", form->edFirstName, true, true },
        { "a notice (13) keeps the key", form->edNotice, true, false },
        { "without the setting nothing moves", form->edPhone, false, false },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        AppSettings().enterToTab = c.enterToTab;
        c.from->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.from->hasFocus(); }));
        QTest::keyClick(c.from, Qt::Key_Return);
        if (c.moves)
            EXPECT_TRUE(QTest::qWaitFor([&] { return !c.from->hasFocus(); }));
        else
            EXPECT_TRUE(c.from->hasFocus());
    }

    // A comma typed into the account number or the external code is a point.
    for (TDBEditEh *edit : { form->edAccountNo, form->edRefNo }) {
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("1,5"));
        EXPECT_EQ(edit->text(), QStringLiteral("1.5")) << edit->objectName().toStdString();
    }
    form->actCancel->trigger();
}

TEST_P(CustomerCard, Screenshot)
{
    seedCustomer(QStringLiteral("Петров"), QStringLiteral("12"), 35.5, "101");
    TfrmCustomer *form = open();
    form->actEditCustomer->trigger();
    field(customers(), "PHONE_NO")->SetValue(QStringLiteral("8 0152 44-12-12"));
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form, QStringLiteral("accounts-customers-card"), QSize(900, 560));
    // The picture: the card of the customer being edited, with the phone typed and the address chosen.
    EXPECT_EQ(form->pcMain->currentWidget(), form->tsDetail);
    const QStringList shown = { form->edAccountNo->Text(), form->edSurname->Text(), form->cbStreet->Text(),
        form->cbHouseNo->Text(), form->edFlatNo->Text(), form->edPhone->Text(), form->edDebt->Text() };
    EXPECT_EQ(
        shown.join(QLatin1Char('|')), QStringLiteral("101|Петров|Лесная 14  (Гродно)|14|12|8 0152 44-12-12|35.5"));
    form->actCancel->trigger();
}

INSTANTIATE_TEST_SUITE_P(Customer, CustomerCard, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
