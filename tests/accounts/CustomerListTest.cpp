// The customer list window and the search by flat, on both engines.
#include "CustomerProgramFixture.h"
#include "DataSource.h"
#include "KyvFrames.h"
#include "Kyv_DBGridEh.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "Screenshot.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuRDM.h"
#include "frmuCustomer.h"
#include "frmuExtCustSearch.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Seed
{
    int id;
    const char *account, *code, *surname, *flat;
    int state;
    double debt;
};

// Four customers of the one house: each row below is what the list is checked against.
const Seed Seeds[] = {
    { 0, "101", "12.5.1", "Петров", "12", 1, 0 },
    { 0, "102", "12.5.2", "Иванова", "3", 1, 50 },
    { 0, "110", "1.2.3", "Сидоров", "112", 0, 20 },
    { 0, "99", "12.5.4", "Абрамов", "7", 0, 0 },
};

class CustomerList : public CustomerWindowsFixture
{
protected:
    void SetUp() override
    {
        CustomerWindowsFixture::SetUp();
        if (!HasFatalFailure())
            RegisterCustomerForms();
    }
    void TearDown() override
    {
        stopAnswers();
        deleteChildForms();
        CustomerWindowsFixture::TearDown();
    }

    void seed()
    {
        for (const Seed &s : Seeds)
            addCustomer(QString::fromUtf8(s.surname), QString::fromLatin1(s.flat));
        customers()->Close();
        int i = 0;
        for (const Seed &s : Seeds) {
            const QString id = QString::number(m_dmr->dbConnection()
                    ->SelectValue(QStringLiteral("select CUSTOMER_ID from ZOLT.CUSTOMER where SURNAME = '%1'")
                            .arg(QString::fromUtf8(s.surname)))
                    .toInt());
            m_ids[i++] = id.toInt();
            m_dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.CUSTOMER set ACCOUNT_NO = '%1', CUST_CODE = "
                                                          "'%2', CUST_STATE = %3, DEBT_SUM = %4 where CUSTOMER_ID = %5")
                    .arg(QString::fromLatin1(s.account), QString::fromLatin1(s.code))
                    .arg(s.state)
                    .arg(s.debt)
                    .arg(id));
        }
    }

    // The list as the main window's customers menu item opens it.
    TfrmCustomer *openFromMenu()
    {
        // The menu was last updated before the fixture logged on.
        m_scope.main()->UpdateMenu();
        m_scope.main()->actShowCustList->trigger();
        for (QWidget *child : m_scope.main()->ChildForms())
            if (auto *form = qobject_cast<TfrmCustomer *>(child))
                return form;
        return nullptr;
    }

    QString surname() const { return field(customers(), "SURNAME")->AsString(); }

    int m_ids[4] = {};
};

TEST_P(CustomerList, OpensFromTheMainMenuWithItsColumnsTitlesAndFooters)
{
    seed();
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Список клиентов(абонентов)"));
    ASSERT_TRUE(customers()->Active());
    EXPECT_EQ(customers()->RecordCount(), 4);

    const TDBGridColumnsEh &columns = form->dbgCustomer->Columns();
    EXPECT_EQ(columns[2]->Title().Caption(), QStringLiteral("Клиент|Фамилия"));
    EXPECT_EQ(columns[9]->Title().Caption(), QStringLiteral("Долг"));
    EXPECT_EQ(columns[0]->Footer().Value(), QStringLiteral("Итого"));
    EXPECT_EQ(columns[2]->Footer().ValueType(), fvtCount);
    EXPECT_EQ(columns[9]->Footer().ValueType(), fvtSum);
    EXPECT_FALSE(columns[14]->Title().TitleButton());
    EXPECT_FALSE(columns[15]->Visible());
    EXPECT_TRUE(form->dbgCustomer->UseMultiTitle());
    // The columns are laid out once, after all are made: each shown one still takes the width it was made with.
    EXPECT_EQ(columns[2]->Width(), 120);
    for (int i = 0; i < columns.Count(); ++i)
        if (columns[i]->Visible())
            EXPECT_EQ(form->dbgCustomer->ColWidths(form->dbgCustomer->IndicatorCols() + i), columns[i]->Width())
                << "column " << i;
    auto footer = [form](int column) {
        TColumnEh *c = form->dbgCustomer->Columns()[column];
        return form->dbgCustomer->GetFooterText(c->Footer(), *c);
    };
    EXPECT_EQ(footer(2), QStringLiteral("4"));
    EXPECT_EQ(footer(9), QStringLiteral("70")) << "the debts of the four";

    // The same item again brings the open list to the front rather than a second one.
    m_scope.main()->actShowCustList->trigger();
    EXPECT_EQ(m_scope.main()->ChildForms().size(), 1);

    // Closing empties the list's conditions and closes what the window opened.
    form->close();
    EXPECT_FALSE(customers()->Active());
    EXPECT_TRUE(customers()->SubstitutionByName(QStringLiteral("where_str"))->Value.isEmpty());
}

TEST(CustomerRowColor, FirstConditionThatHoldsWins)
{
    const QDateTime now(QDate(2024, 6, 20), QTime(10, 0));
    const QVariant live = QDateTime(QDate(2100, 1, 1), QTime(0, 0));
    const QVariant endedYesterday = QDateTime(QDate(2024, 6, 19), QTime(0, 0));
    struct Case
    {
        const char *label;
        QVariant validTo;
        double reconnected, debt;
        int state;
        TCustRowColor color;
    };
    const Case cases[] = {
        { "ended contract with a debt is gray", endedYesterday, 0, 500, 1, crcGray },
        { "ended contract reconnected is gray", endedYesterday, 1, 0, 1, crcGray },
        { "reconnected with a debt is blue", live, 1, 500, 1, crcBlue },
        { "connected over the allowed debt is red", live, 0, 100.01, 1, crcRed },
        { "connected at exactly the allowed debt is not red", live, 0, 100, 1, crcWindowText },
        { "debtor not connected is maroon", live, 0, 5, 0, crcMaroon },
        { "connected without debt", live, 0, 0, 1, crcWindowText },
        { "not connected without debt is teal", live, 0, 0, 2, crcTeal },
        { "no contract end is no ended contract", QVariant(), 0, 0, 1, crcWindowText },
        { "overpaid connected customer", live, 0, -30, 1, crcWindowText },
    };
    for (const Case &c : cases)
        EXPECT_EQ(CustRowColor(now, c.validTo, c.reconnected, c.debt, c.state, 100), c.color) << c.label;
}

TEST_P(CustomerList, RowsAreWrittenInTheMainWindowsColours)
{
    seed();
    m_dm->cdsMainCFG()->Edit();
    field(m_dm->cdsMainCFG(), "CUSTVALIDSUM")->SetValue(40);
    m_dm->cdsMainCFG()->Post();
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    auto colorOf = [&](const char *surname, TGridDrawState state = 0) {
        EXPECT_TRUE(customers()->Locate(QStringLiteral("SURNAME"), QString::fromUtf8(surname)));
        TFont font;
        TColor background = clWindow;
        form->dbgCustomer->OnGetCellParams(form->dbgCustomer, form->dbgCustomer->Columns()[2], font, background, state);
        return font.Color();
    };
    EXPECT_EQ(colorOf("Петров"), CustListFontColors[crcWindowText]);
    EXPECT_EQ(colorOf("Иванова"), CustListFontColors[crcRed]) << "50 owed, 40 allowed";
    EXPECT_EQ(colorOf("Сидоров"), CustListFontColors[crcMaroon]);
    EXPECT_EQ(colorOf("Абрамов"), CustListFontColors[crcTeal]);
    EXPECT_EQ(colorOf("Иванова", gdSelected), clHighlightText);
}

TEST(CustomerSearchText, IsPreparedByTheCurrentIndex)
{
    struct Case
    {
        const char *index, *typed, *searched;
    };
    const Case cases[] = {
        { "iRO_FLAT_NO", "12", "    12" },
        { "iRO_FLAT_NODesc", "12", "    12" },
        { "iRO_HOUSE_NO", "4a", "    4a" },
        { "iRO_ACCOUNT_NO", "105", "            105" },
        { "iRO_ACCOUNT_NODesc", "105", "            105" },
        { "iCUST_CODE", "1,2,3", "1.2.3" },
        { "iCUST_CODEDesc", "1,2", "1.2" },
        { "iSURNAME", "  пет,", "  пет," },
        { "", "1,2", "1,2" },
        { "iRO_FLAT_NO", "1234567", "1234567" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(CustSearchText(QString::fromLatin1(c.index), QString::fromUtf8(c.typed)), QString::fromUtf8(c.searched))
            << c.index << " " << c.typed;
}

TEST_P(CustomerList, SearchFindsByTheTitleSortOrder)
{
    seed();
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    struct Case
    {
        int column;
        TSortMarkerEh marker;
        const char *index, *typed, *found;
    };
    const Case cases[] = {
        { 8, smDownEh, "iRO_FLAT_NO", "12", "Петров" },
        { 8, smUpEh, "iRO_FLAT_NODesc", "112", "Сидоров" },
        { 1, smDownEh, "iCUST_CODE", "1,2,3", "Сидоров" },
        { 0, smDownEh, "iRO_ACCOUNT_NO", "99", "Абрамов" },
        { 0, smDownEh, "iRO_ACCOUNT_NO", "102", "Иванова" },
        { 2, smDownEh, "iSURNAME", "ива", "Иванова" },
        { 2, smUpEh, "iSURNAMEDesc", "АБР", "Абрамов" },
    };
    QLineEdit *edit = form->SearchFrame->edtSearch;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        TDBGridColumnsEh &columns = form->dbgCustomer->Columns();
        for (int i = 0; i < columns.Count(); ++i)
            columns[i]->Title().SetSortMarker(smNoneEh);
        columns[c.column]->Title().SetSortMarker(c.marker);
        ASSERT_TRUE(SortByMarkers(form->dbgCustomer));
        EXPECT_EQ(customers()->IndexName(), QString::fromLatin1(c.index));
        edit->clear();
        edit->setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(surname(), QString::fromUtf8(c.found));
        EXPECT_NE(edit->palette().color(QPalette::Text), QColor(Qt::red));
    }

    // A text nothing matches leaves the row where it was and only turns red.
    edit->setText(QStringLiteral("Ящ"));
    EXPECT_EQ(surname(), QStringLiteral("Абрамов"));
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::red));
}

TEST_P(CustomerList, EnteringTheSearchBoxWithoutOrderSortsByAccount)
{
    seed();
    FakeShellService shell;
    // A window of its own, so that it can take the focus.
    auto owned = std::make_unique<TfrmCustomer>();
    owned->setAttribute(Qt::WA_DeleteOnClose, false);
    TfrmCustomer *form = owned.get();
    SendMessage(form, AMRunQuery, 1, 0);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    EXPECT_EQ(customers()->IndexName(), QStringLiteral("iACCOUNT_NO")) << "the module's own order";
    form->actSearch->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->SearchFrame->edtSearch->hasFocus(); }));
    EXPECT_EQ(form->dbgCustomer->Columns()[0]->Title().SortMarker(), smNoneEh) << "an order in place stays";
    EXPECT_EQ(shell.layouts.value(shell.layouts.size() - 1), QStringLiteral("00000409")) << "English for an account";

    // Without any order, entering the box sorts by the account number's title.
    form->dbgCustomer->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->dbgCustomer->hasFocus(); }));
    customers()->SetIndexName(QString());
    form->actSearch->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->SearchFrame->edtSearch->hasFocus(); }));
    EXPECT_EQ(form->dbgCustomer->Columns()[0]->Title().SortMarker(), smDownEh);
    EXPECT_EQ(customers()->IndexName(), QStringLiteral("iRO_ACCOUNT_NO"));
    QTest::keyClicks(form->SearchFrame->edtSearch, QStringLiteral("110"));
    EXPECT_EQ(surname(), QStringLiteral("Сидоров"));
    QTest::keyClick(form->SearchFrame->edtSearch, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->dbgCustomer->hasFocus(); }));

    // Sorted by a name, the box asks for the Russian layout.
    form->dbgCustomer->Columns()[0]->Title().SetSortMarker(smNoneEh);
    form->dbgCustomer->Columns()[2]->Title().SetSortMarker(smDownEh);
    ASSERT_TRUE(SortByMarkers(form->dbgCustomer));
    form->actSearch->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->SearchFrame->edtSearch->hasFocus(); }));
    EXPECT_EQ(shell.layouts.value(shell.layouts.size() - 1), QStringLiteral("00000419"));
}

TEST_P(CustomerList, RefreshReturnsToTheRememberedCustomerAndKeepsTheOrder)
{
    seed();
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    form->dbgCustomer->Columns()[2]->Title().SetSortMarker(smUpEh);
    ASSERT_TRUE(SortByMarkers(form->dbgCustomer));
    ASSERT_TRUE(customers()->Locate(QStringLiteral("SURNAME"), QStringLiteral("Иванова")));
    m_other->dbConnection()->Execute(QStringLiteral("update ZOLT.CUSTOMER set DEBT_SUM = 75 where CUSTOMER_ID = %1")
                                         .arg(m_ids[1]));
    form->actRefreshCustomer->trigger();
    EXPECT_EQ(surname(), QStringLiteral("Иванова"));
    EXPECT_EQ(field(customers(), "DEBT_SUM")->AsFloat(), 75.0) << "another connection's change is read";
    EXPECT_EQ(customers()->IndexName(), QStringLiteral("iSURNAMEDesc"));
}

TEST_P(CustomerList, RefreshOfAnEmptyListStaysEmpty)
{
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(customers()->Active());
    EXPECT_TRUE(customers()->IsEmpty());
    form->actRefreshCustomer->trigger();
    EXPECT_TRUE(customers()->Active());
    EXPECT_TRUE(customers()->IsEmpty());
    EXPECT_TRUE(m_messages.requests.isEmpty());
}

TEST_P(CustomerList, CardPagesToggleWithF4AndCycle)
{
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->actPnlClientInfoStatus->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_FALSE(form->pcAddInfo->isVisibleTo(form));
    form->actPnlClientInfoStatus->trigger();
    EXPECT_TRUE(form->pcAddInfo->isVisibleTo(form));
    EXPECT_EQ(form->pcAddInfo->tabText(form->pcAddInfo->currentIndex()), QStringLiteral("Сведения"));
    const int last = form->pcAddInfo->addTab(new QWidget, QStringLiteral("second"));
    form->actPrevPage->trigger();
    EXPECT_EQ(form->pcAddInfo->currentIndex(), last) << "from the first to the last";
    form->actNextPageCopy->trigger();
    EXPECT_EQ(form->pcAddInfo->currentIndex(), 0) << "from the last to the first";
    form->actPnlClientInfoStatus->trigger();
    EXPECT_FALSE(form->pcAddInfo->isVisibleTo(form));
}

TEST_P(CustomerList, SearchByFlatFindsTheCustomer)
{
    seed();
    struct Case
    {
        const char *label;
        bool street;
        const char *house, *flat;
        int expected; // index into the seeds, -1 for none
    };
    const Case cases[] = {
        { "nothing chosen lists everyone, the first first", false, "", "", 0 },
        { "flat only", false, "", "112", 2 },
        { "street, house and flat", true, "14", "3", 1 },
        { "house number only", false, "14", "7", 3 },
        { "a flat holding a quote finds nobody and breaks nothing", true, "", "1' or '1'='1", -1 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        whenReady([] { return qobject_cast<TfrmExtCustSearch *>(QApplication::activeModalWidget()); },
            [&c] {
                auto *dialog = qobject_cast<TfrmExtCustSearch *>(QApplication::activeModalWidget());
                EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Поиск по квартире"));
                if (c.street)
                    dialog->cbStreet->setCurrentIndex(dialog->cbStreet->findText(QStringLiteral("Лесная")));
                if (*c.house)
                    dialog->cbHouseNo->setCurrentIndex(dialog->cbHouseNo->findText(QString::fromLatin1(c.house)));
                dialog->edFlat->setText(QString::fromLatin1(c.flat));
                dialog->OkCancelBtnsFrame->bbtnOk->click();
            });
        const QVariant found = executeExtCustSearch();
        if (c.expected < 0)
            EXPECT_TRUE(found.isNull());
        else
            EXPECT_EQ(found.toInt(), m_ids[c.expected]);
    }
    whenReady([] { return qobject_cast<TfrmExtCustSearch *>(QApplication::activeModalWidget()); },
        [] {
            qobject_cast<TfrmExtCustSearch *>(QApplication::activeModalWidget())->OkCancelBtnsFrame->bbtnCancel->click();
        });
    EXPECT_TRUE(executeExtCustSearch().isNull()) << "cancelled";
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.CUSTOMER")).toInt(), 4);
}

TEST_P(CustomerList, Screenshot)
{
    seed();
    TfrmCustomer *form = openFromMenu();
    ASSERT_NE(form, nullptr);
    form->setParent(nullptr);
    form->setWindowState(Qt::WindowNoState);
    // With the card's pages under the list, on the customer's details.
    form->actPnlClientInfoStatus->trigger();
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form, QStringLiteral("accounts-customers"), QSize(900, 560));
}

INSTANTIATE_TEST_SUITE_P(Customer, CustomerList, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
