// A new user's first customer, from the main menu to a payment, driven by keys and clicks on both engines.
#include "CustomerProgramFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "MainWindowScope.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "dmuRDM.h"
#include "frmuCustomer.h"
#include "frmuCustomerPayment.h"
#include "frmuExtCustSearch.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using tarvik::test::ModalAnswer;

class CustomerCardScenario : public CustomerWindowsFixture
{
protected:
    void SetUp() override
    {
        CustomerWindowsFixture::SetUp();
        if (HasFatalFailure())
            return;
        RegisterCustomerForms();
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.PAYSOURCE (PAYSOURCE_ID, PAYSOURCE_DESCR) values (2, 'Касса')"));
        // Two neighbours are there already, so that every search has to find the right one.
        addCustomer(QStringLiteral("Абрамов"), QStringLiteral("20"));
        addCustomer(QStringLiteral("Яковлев"), QStringLiteral("22"));
        customers()->Close();
    }
    void TearDown() override
    {
        deleteChildForms();
        CustomerWindowsFixture::TearDown();
    }

    // Typed as the keyboard types it, whatever the alphabet.
    static void type(QWidget *w, const QString &text)
    {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_A, QString(ch), Qt::NoModifier);
    }
    static void focus(QWidget *w)
    {
        w->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([w] { return w->hasFocus(); }));
    }
    QString surname() const { return field(customers(), "SURNAME")->AsString(); }
    void searchBy(TfrmCustomer *form, int column, const QString &text)
    {
        TDBGridColumnsEh &columns = form->dbgCustomer->Columns();
        for (int i = 0; i < columns.Count(); ++i)
            columns[i]->Title().SetSortMarker(smNoneEh);
        columns[column]->Title().SetSortMarker(smDownEh);
        ASSERT_TRUE(SortByMarkers(form->dbgCustomer));
        customers()->First();
        form->SearchFrame->edtSearch->clear();
        type(form->SearchFrame->edtSearch, text);
    }
    QString footer(TfrmCustomer *form, int column) const
    {
        TColumnEh *c = form->dbgCustomer->Columns()[column];
        return form->dbgCustomer->GetFooterText(c->Footer(), *c);
    }
};

TEST_P(CustomerCardScenario, ANewUserCreatesFindsAndPaysForACustomer)
{
    // The list from the main menu.
    m_scope.main()->UpdateMenu();
    m_scope.main()->actShowCustList->trigger();
    TfrmCustomer *form = nullptr;
    for (QWidget *child : m_scope.main()->ChildForms())
        form = form ? form : qobject_cast<TfrmCustomer *>(child);
    ASSERT_NE(form, nullptr);
    form->setParent(nullptr);
    form->setWindowState(Qt::WindowNoState);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    ASSERT_EQ(customers()->RecordCount(), 2);

    // A new customer on the seeded street and house, typed into the card.
    form->actNewCustomer->trigger();
    ASSERT_EQ(form->pcMain->currentWidget(), form->tsDetail);
    focus(form->edAccountNo);
    form->edAccountNo->selectAll();
    type(form->edAccountNo, QStringLiteral("5001"));
    focus(form->edSurname);
    type(form->edSurname, QStringLiteral("орлова"));
    focus(form->edFirstName);
    type(form->edFirstName, QStringLiteral("анна"));
    focus(form->edMidleName);
    type(form->edMidleName, QStringLiteral("петровна"));
    focus(form->edFlatNo);
    EXPECT_EQ(field(customers(), "INITIALS")->AsString(), QStringLiteral("А.П."));
    form->cbStreet->SetKeyValue(HouseId);
    type(form->edFlatNo, QStringLiteral("21"));
    focus(form->edPhone);
    {
        const auto connecting = cancelConnecting();
        QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("btnApply")), Qt::LeftButton);
    }
    ASSERT_EQ(form->pcMain->currentWidget(), form->tsList) << m_messages.lastText().toStdString();
    // The save starts the connection, which has no service to offer in this fixture and says so.
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Нет доступных услуг для подключения выбранного клиента"));
    m_messages.requests.clear();
    ASSERT_EQ(customers()->RecordCount(), 3);
    const int id = seen(QStringLiteral("select CUSTOMER_ID from ZOLT.CUSTOMER where ACCOUNT_NO = '5001'")).toInt();
    ASSERT_GT(id, 0) << "committed: the second connection sees it";
    EXPECT_EQ(seen(QStringLiteral("select SURNAME from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id)).toString(),
        QStringLiteral("Орлова"));
    EXPECT_EQ(seen(QStringLiteral("select HOUSE_ID from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id)).toInt(), HouseId);

    // Found by account number, by name and by flat.
    searchBy(form, 0, QStringLiteral("5001"));
    EXPECT_EQ(surname(), QStringLiteral("Орлова"));
    searchBy(form, 2, QStringLiteral("Абр"));
    EXPECT_EQ(surname(), QStringLiteral("Абрамов"));
    searchBy(form, 2, QStringLiteral("орл"));
    EXPECT_EQ(surname(), QStringLiteral("Орлова"));
    customers()->First();
    ModalAnswer byFlat([] { return tarvik::test::activeModal<TfrmExtCustSearch>() != nullptr; }, [] {
        auto *dialog = tarvik::test::activeModal<TfrmExtCustSearch>();
        dialog->cbStreet->setCurrentIndex(dialog->cbStreet->findText(QStringLiteral("Лесная")));
        dialog->cbHouseNo->setCurrentIndex(dialog->cbHouseNo->findText(QStringLiteral("14")));
        dialog->edFlat->setText(QStringLiteral("21"));
        dialog->OkCancelBtnsFrame->bbtnOk->click();
    });
    const QVariant found = executeExtCustSearch(form);
    ASSERT_EQ(found.toInt(), id);
    ASSERT_TRUE(customers()->Active()) << "the search by flat leaves the list as it was";
    EXPECT_EQ(customers()->RecordCount(), 3);
    ASSERT_TRUE(customers()->Locate(QStringLiteral("CUSTOMER_ID"), found));

    // Its card shows its debt.
    form->actPnlClientInfoStatus->trigger();
    form->pcAddInfo->setCurrentWidget(form->tsInfo);
    auto *shownDebt = form->tsInfo->findChild<TDBEditEh *>(QStringLiteral("edDEBT_SUM"));
    ASSERT_NE(shownDebt, nullptr);
    EXPECT_EQ(shownDebt->text().trimmed(), QStringLiteral("0"));
    EXPECT_EQ(footer(form, 9), QStringLiteral("0"));

    // A payment of 25 through the payment dialog, from the payments page.
    form->pcAddInfo->setCurrentWidget(form->tsPayments);
    ModalAnswer payment([] { return tarvik::test::activeModal<TfrmCustomerPayment>() != nullptr; }, [] {
        auto *dialog = tarvik::test::activeModal<TfrmCustomerPayment>();
        dialog->mdTempDataSet->FieldByName(QStringLiteral("PAY_SUM"))->SetValue(25);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnAdd")), Qt::LeftButton);
    });
    QTest::mouseClick(form->tsPayments->findChild<QWidget *>(QStringLiteral("btnCustomerPayment")), Qt::LeftButton);
    ASSERT_TRUE(payment.ran());
    EXPECT_EQ(field(customers(), "CUSTOMER_ID")->AsInteger(), id) << "the list stays on the customer";
    EXPECT_EQ(field(customers(), "DEBT_SUM")->AsFloat(), -25.0);
    EXPECT_EQ(footer(form, 9), QStringLiteral("-25"));
    TDataSet *payments = m_cust->ServerDataSet(QStringLiteral("odsCustPayment"));
    ASSERT_TRUE(payments->Active());
    EXPECT_EQ(payments->RecordCount(), 1);
    EXPECT_TRUE(form->actPrintPaymentKO1->isEnabled()) << "a payment to print";
    EXPECT_EQ(seen(QStringLiteral("select sum(PAY_SUM) from ZOLT.PAYMENT where CUSTOMER_ID = %1").arg(id)).toDouble(), 25);
    EXPECT_EQ(seen(QStringLiteral("select DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id)).toDouble(), -25);
    form->pcAddInfo->setCurrentWidget(form->tsInfo);
    EXPECT_EQ(shownDebt->text().trimmed(), QStringLiteral("-25"));
}

INSTANTIATE_TEST_SUITE_P(Customer, CustomerCardScenario,
    ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
