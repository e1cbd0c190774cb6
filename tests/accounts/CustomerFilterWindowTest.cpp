// The customer filter window and the list's filter actions, driven as a user drives them, on both engines.
#include "CustomerFixture.h"
#include "DBLookupEh.h"
#include "Guard.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuCustFilterOptions.h"
#include "frmuCustomer.h"
#include "uSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {

using tarvik::test::ModalAnswer;

// 101 owes and is connected; 102 was cut off on request and owes nothing; 104 was cut off for debt and got no
// letter; 105 was cut off for debt but got a letter in February; 106's contract has ended.
class CustomerFilterWindow : public CustomerFixture
{
protected:
    void SetUp() override
    {
        CustomerFixture::SetUp();
        if (HasFatalFailure())
            return;
        DMR = m_dmr.get();
        m_previousHandler = setExceptionHandler([](const QString &message) { ADD_FAILURE() << message.toStdString(); });
        const char *insert
            = "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, DEBT_SUM, "
              "CUST_STATE, VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (%1, '%1', 7, '%2', %3, %4, '%5', "
              "0, 0, 1)";
        const struct
        {
            int id;
            const char *flat;
            const char *debt;
            int state;
            const char *validTo;
        } rows[] = {
            { 101, "1", "10.5", 1, "4712-12-31 00:00:00" },
            { 102, "2", "0", 5, "4712-12-31 00:00:00" },
            { 104, "4", "100", 6, "4712-12-31 00:00:00" },
            { 105, "5", "20", 6, "4712-12-31 00:00:00" },
            { 106, "6", "50", 6, "2001-01-01 00:00:00" },
        };
        for (const auto &r : rows)
            m_dmr->dbConnection()->Execute(QString::fromLatin1(insert)
                                               .arg(r.id)
                                               .arg(QString::fromLatin1(r.flat), QString::fromLatin1(r.debt))
                                               .arg(r.state)
                                               .arg(QString::fromLatin1(r.validTo)));
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.CUSTLETTER (CUSTOMER_ID, CUSTLETTERID, "
                           "LETTERTYPEID, CUSTLETTERDATE) values (105, 1, 1, '2024-02-01 00:00:00')"));
        m_dmr->CommitWork();
        m_form = std::make_unique<TfrmCustomer>();
        SendMessage(m_form.get(), AMRunQuery);
    }
    void TearDown() override
    {
        m_form.reset();
        AppSettings() = TAppSettings::defaults();
        setExceptionHandler(m_previousHandler);
        CustomerFixture::TearDown();
        DMR = nullptr;
    }

    QList<int> listed()
    {
        QList<int> ids;
        TKyv_ClientDataSet *c = customers();
        for (c->First(); !c->Eof(); c->Next())
            ids << field(c, "CUSTOMER_ID")->AsInteger();
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    QString whereStr() const { return customers()->SubstitutionByName(QStringLiteral("where_str"))->Value; }
    QVariant setting(const char *name) const
    {
        return m_dm->mdTempCFG()->FieldByName(QString::fromLatin1(name))->Value();
    }

    static ModalAnswer onFilter(std::function<void(TfrmCustFilterOptions *)> act)
    {
        return ModalAnswer([] { return tarvik::test::activeModal<TfrmCustFilterOptions>() != nullptr; },
            [act] { act(tarvik::test::activeModal<TfrmCustFilterOptions>()); });
    }
    static void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }
    static void click(QCheckBox *box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2024, 6, 20), QTime(10, 0)) };
    std::unique_ptr<TfrmCustomer> m_form;
    ExceptionHandler m_previousHandler;
};

TEST_P(CustomerFilterWindow, SettingsChosenInTheWindowSelectTheListsCustomers)
{
    ASSERT_EQ(listed(), (QList<int> { 101, 102, 104, 105 })) << "live contracts only before any filter";
    QString caption;
    ModalAnswer answer = onFilter([&](TfrmCustFilterOptions *dialog) {
        caption = dialog->windowTitle();
        EXPECT_EQ(dialog->cbDebtSign->currentText(), QStringLiteral(">")) << "the record's default comparison";
        EXPECT_FALSE(dialog->cbDoubleAddress->isEnabled());
        click(dialog->cbCheckDebt);
        click(dialog->cbState6);
        click(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")));
    });
    m_form->actFilter->trigger();
    EXPECT_TRUE(answer.ran());
    EXPECT_EQ(caption, QStringLiteral("Параметры фильтра клиентов"));
    EXPECT_TRUE(m_form->actFilterStatus->isChecked());
    EXPECT_EQ(setting("CHECK_DEBT").toInt(), 1);
    EXPECT_EQ(setting("STATE_6").toInt(), 1);
    EXPECT_EQ(whereStr(), QStringLiteral(" and (C.Debt_Sum > 0) and (C.Cust_State = 6)and (C.Valid_To > sysdate)"));
    EXPECT_EQ(listed(), (QList<int> { 104, 105 }));
    EXPECT_FALSE(m_cust->ClientDataSet(QStringLiteral("cdsCustFiltStreetLookup"))->Active())
        << "closed with the window";
    EXPECT_TRUE(m_cust->ClientDataSet(QStringLiteral("cdsCustFiltHouseNoLookup"))->Active()) << "kept for the builder";

    // The switch off lists every live contract again; on again, the same settings apply.
    m_form->actFilterStatus->trigger();
    EXPECT_FALSE(m_form->actFilterStatus->isChecked());
    EXPECT_EQ(whereStr(), QStringLiteral("and (C.Valid_To > sysdate)"));
    EXPECT_EQ(listed(), (QList<int> { 101, 102, 104, 105 }));
    m_form->actFilterStatus->trigger();
    EXPECT_EQ(listed(), (QList<int> { 104, 105 }));
}

TEST_P(CustomerFilterWindow, CancelTurnsTheSwitchOffAndKeepsWhatWasEdited)
{
    ModalAnswer answer = onFilter([&](TfrmCustFilterOptions *dialog) {
        click(dialog->cbCheckDebt);
        click(dialog->findChild<QPushButton *>(QStringLiteral("btnCancel")));
    });
    m_form->actFilter->trigger();
    EXPECT_FALSE(m_form->actFilterStatus->isChecked());
    EXPECT_EQ(setting("CHECK_DEBT").toInt(), 1) << "the record keeps the edit";
    EXPECT_EQ(whereStr(), QStringLiteral("and (C.Valid_To > sysdate)"));
    EXPECT_EQ(listed(), (QList<int> { 101, 102, 104, 105 }));
}

TEST_P(CustomerFilterWindow, DebtorsWithoutLettersPresetStartsFromDefaults)
{
    // Settings left from an earlier filter are dropped by the preset.
    TMemTable *record = m_dm->mdTempCFG();
    record->Edit();
    record->FieldByName(QStringLiteral("NOTICE_SGN"))->SetValue(1);
    record->FieldByName(QStringLiteral("FLAT_NO"))->SetValue(QStringLiteral("9"));
    record->Post();
    QVariant dateTo, dateFrom, notice;
    ModalAnswer answer = onFilter([&](TfrmCustFilterOptions *dialog) {
        EXPECT_TRUE(dialog->cbCheckDebt->isChecked());
        EXPECT_TRUE(dialog->cbState6->isChecked());
        EXPECT_TRUE(dialog->cbPeriod2->isChecked());
        EXPECT_TRUE(dialog->cbCustLetter2->isChecked());
        EXPECT_TRUE(dialog->cbCustLetterNot2->isChecked());
        EXPECT_FALSE(dialog->cbNotice->isChecked());
        click(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")));
    });
    m_form->actFilterNotSend->trigger();
    EXPECT_TRUE(answer.ran());
    EXPECT_EQ(setting("DATE_TO2").toDate(), QDate(2024, 6, 20));
    EXPECT_TRUE(isNullValue(setting("DATE_FROM2")));
    EXPECT_TRUE(setting("FLAT_NO").toString().isEmpty());
    EXPECT_EQ(setting("LetterTypeId2").toInt(), 0);
    EXPECT_EQ(listed(), (QList<int> { 104 })) << "owes, cut off for debt, no letter up to today";
}

TEST_P(CustomerFilterWindow, LeavingATickedStateClearsTheOppositeOnes)
{
    ModalAnswer answer = onFilter([&](TfrmCustFilterOptions *dialog) {
        dialog->activateWindow();
        QApplication::setActiveWindow(dialog);
        click(dialog->cbState5);
        click(dialog->cbState6);
        dialog->cbState1->setFocus();
        click(dialog->cbState1);
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return dialog->cbState1->hasFocus(); }));
        dialog->cbNotice->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return dialog->cbNotice->hasFocus(); }));
        EXPECT_FALSE(dialog->cbState5->isChecked());
        EXPECT_FALSE(dialog->cbState6->isChecked());
        dialog->cbState6->setFocus();
        click(dialog->cbState6);
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return dialog->cbState6->hasFocus(); }));
        dialog->cbNotice->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([dialog] { return dialog->cbNotice->hasFocus(); }));
        EXPECT_FALSE(dialog->cbState1->isChecked());
        click(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")));
    });
    m_form->actFilter->trigger();
    EXPECT_EQ(setting("STATE_1").toInt(), 0);
    EXPECT_EQ(setting("STATE_5").toInt(), 0);
    EXPECT_EQ(setting("STATE_6").toInt(), 1);
}

TEST_P(CustomerFilterWindow, TheListAsksForTheFilterBeforeItFirstOpensWhenTheUserWantsIt)
{
    m_form.reset();
    customers()->Close();
    AppSettings().showCustFilter = true;
    ModalAnswer answer = onFilter([&](TfrmCustFilterOptions *dialog) {
        click(dialog->cbCheckDebt);
        click(dialog->findChild<QPushButton *>(QStringLiteral("btnOk")));
    });
    m_form = std::make_unique<TfrmCustomer>();
    SendMessage(m_form.get(), AMRunQuery);
    EXPECT_TRUE(answer.ran());
    EXPECT_EQ(listed(), (QList<int> { 101, 104, 105 }));
}

INSTANTIATE_TEST_SUITE_P(
    Customer, CustomerFilterWindow, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
