// The services-for-the-month view over the engine's small operator: what it shows against what the monthly close
// then writes, the month picker, the export and the balance.
#include "EngineFixture.h"

#include "DBGridEh.h"
#include "DbUtilsEh.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "MainWindowScope.h"
#include "Money.h"
#include "ModalAnswer.h"
#include "Periods.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"
#include "dmuReports.h"
#include "frmuCustDebt.h"
#include "frmuSelectMonth.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

class CustDebtView : public EngineDb
{
protected:
    void SetUp() override
    {
        EngineDb::SetUp();
        if (HasFatalFailure())
            return;
        makeOperator();
        dmr->RecalcAllCustomers(march(), 0);
        m_dm = std::make_unique<TDM>(dmr.get());
        m_dm->OpenMainCFG();
        m_calc = std::make_unique<TdmDebtCalc>(dmr.get());
        m_reports = std::make_unique<TdmReports>(m_dm.get(), dmr.get(), nullptr);
        m_reports->SetTemplateFolder(m_templates.path() + QLatin1Char('/'));
        DMR = dmr.get();
        DM = m_dm.get();
        dmDebtCalc = m_calc.get();
        m_savedFrom = SelectionPeriodFrom;
        m_savedTo = SelectionPeriodTo;
        SelectionPeriodFrom = march();
        SelectionPeriodTo = EndOfMonth(march());
        RegisterCustDebtForms();
    }
    void TearDown() override
    {
        for (QWidget *child : m_scope.main()->ChildForms())
            delete child;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SelectionPeriodFrom = m_savedFrom;
        SelectionPeriodTo = m_savedTo;
        dmDebtCalc = nullptr;
        DM = nullptr;
        DMR = nullptr;
        m_reports.reset();
        m_calc.reset();
        m_dm.reset();
    }

    TfrmCustDebt *open()
    {
        // The menu was last updated before the fixture logged on.
        m_scope.main()->UpdateMenu();
        QAction *action = m_scope.main()->findChild<QAction *>(QStringLiteral("actCustDebt"));
        EXPECT_TRUE(action && action->isEnabled());
        if (!action)
            return nullptr;
        action->trigger();
        return frmCustDebt;
    }

    // "customer: to pay, paid, outgoing" of every row the view shows.
    QMap<int, QList<double>> shown() const
    {
        QMap<int, QList<double>> rows;
        TDataSet *ds = m_calc->odsCustDebtState();
        for (ds->First(); !ds->Eof(); ds->Next()) {
            QList<double> values;
            for (const char *name : { "C_TO_PAY_SUM", "C_PAY_SUM", "DEBT_OUT_SUM" })
                values << ds->FieldByName(QString::fromLatin1(name))->AsFloat();
            rows[ds->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsInteger()] = values;
        }
        return rows;
    }
    // The balance rows of a month as the close wrote them, by customer.
    QMap<int, double> written(const QDate &month)
    {
        QMap<int, double> rows;
        for (const QString &r : payAccount())
            if (r.section(' ', 1, 1) == month.toString(QStringLiteral("yyyy-MM")))
                rows[r.section(' ', 0, 0).toInt()] = r.section(' ', 2, 2).toDouble();
        return rows;
    }

    tarvik::test::MainWindowScope m_scope;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TdmDebtCalc> m_calc;
    QTemporaryDir m_templates;
    std::unique_ptr<TdmReports> m_reports;
    QDate m_savedFrom, m_savedTo;
    FakeMessageService m_messages;
    FakeDialogService m_dialogs;
};

TEST_P(CustDebtView, TotalAndOutgoingBalanceOfEveryCustomerAreWhatTheCloseWrites)
{
    TfrmCustDebt *form = open();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->periodLabel->text(), PeriodCaption(march(), EndOfMonth(march())));
    const QMap<int, QList<double>> view = shown();
    ASSERT_EQ(view.size(), 2);
    // The grid shows the month's figures under their titles, with the totals in the footer.
    TDBGridColumnsEh &columns = form->dbgCustDebtState->Columns();
    EXPECT_EQ(columns[7]->Title().Caption(), QStringLiteral("Всего"));
    EXPECT_EQ(columns[9]->Title().Caption(), QStringLiteral("Исх. баланс"));
    EXPECT_EQ(columns[9]->Title().Hint, QStringLiteral("Баланс на конец месяца"));
    EXPECT_EQ(columns[0]->Footer().ValueType(), fvtCount);
    EXPECT_EQ(columns[5]->Footer().FieldName(), QStringLiteral("ACT_SERV_SUM"));

    ASSERT_TRUE(m_calc->closeAccountingMonth(0, march()));
    const QMap<int, double> april = written(march().addMonths(1));
    for (auto it = view.cbegin(); it != view.cend(); ++it) {
        SCOPED_TRACE(it.key());
        const double toPay = it.value()[0], paid = it.value()[1], out = it.value()[2];
        ASSERT_TRUE(april.contains(it.key()));
        EXPECT_EQ(RoundCents(out), RoundCents(april.value(it.key()))) << "Исх. баланс is the next month's balance row";
        EXPECT_EQ(RoundCents(toPay - paid), RoundCents(april.value(it.key()))) << "Всего less the payments";
        EXPECT_EQ(dmr->dbConnection()
                      ->SelectValue(
                          QStringLiteral("select DEBT_IN_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(it.key()))
                      .toDouble(),
            RoundCents(out));
    }
    // Customer 1: 23 in, March's 31, nothing paid.
    EXPECT_EQ(view.value(1), QList<double>({ 54, 0, 54 }));
}

TEST_P(CustDebtView, AnotherMonthIsPickedAndShownAsTheCloseWroteIt)
{
    TfrmCustDebt *form = open();
    ASSERT_NE(form, nullptr);
    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrmSelectMonth>() != nullptr; },
        [] {
            auto *dialog = tarvik::test::activeModal<TfrmSelectMonth>();
            dialog->cbMonth->setCurrentIndex(1);
            dialog->seYear->setValue(2024);
            dialog->btnOk->click();
        });
    form->actPeriod->trigger();
    EXPECT_TRUE(answer.ran());
    EXPECT_EQ(SelectionPeriodFrom, QDate(2024, 2, 1));
    EXPECT_EQ(SelectionPeriodTo, QDate(2024, 2, 29));
    EXPECT_EQ(form->periodLabel->text(), PeriodCaption(QDate(2024, 2, 1), QDate(2024, 2, 29)));
    const QMap<int, QList<double>> february = shown();
    const QMap<int, double> march = written(EngineDb::march());
    ASSERT_EQ(february.size(), 2);
    for (auto it = february.cbegin(); it != february.cend(); ++it)
        EXPECT_EQ(RoundCents(it.value()[2]), RoundCents(march.value(it.key()))) << it.key();
    EXPECT_DOUBLE_EQ(RoundCents(february.value(2)[2]), 2.27) << "the cent case";
}

TEST_P(CustDebtView, TheExportProposesTheMonthsNameAndAddsTheExtensionOnlyWhenMissing)
{
    EXPECT_EQ(CustDebtProposedFileName(QDate(2024, 3, 1)), QStringLiteral("УслугиЗаМесяц202403"));
    EXPECT_EQ(CustDebtProposedFileName(QDate(2025, 11, 1)), QStringLiteral("УслугиЗаМесяц202511"));
    const QPair<QString, QString> names[] = {
        { "/d/list", "/d/list.csv" },
        { "/d/list.CSV", "/d/list.CSV" },
        { "/d/list.csv", "/d/list.csv" },
        { "/d/list.txt", "/d/list.txt.csv" },
        { "/d/csv", "/d/csv.csv" },
    };
    for (const auto &[chosen, written] : names)
        EXPECT_EQ(CustDebtExportFileName(chosen), written) << chosen.toStdString();

    TfrmCustDebt *form = open();
    ASSERT_NE(form, nullptr);
    QTemporaryDir dir;
    m_dialogs.answerSave(dir.filePath(QStringLiteral("march")));
    form->actSaveAs->trigger();
    ASSERT_EQ(m_dialogs.fileRequests.size(), 1);
    EXPECT_EQ(m_dialogs.fileRequests[0].fileName, QStringLiteral("УслугиЗаМесяц202403"));
    EXPECT_EQ(m_dialogs.fileRequests[0].defaultExt, QStringLiteral("csv"));
    EXPECT_EQ(m_dialogs.fileRequests[0].filter,
        QStringLiteral("Универсальный (*.csv) (Можно открыть в Microsoft Excel)|*.csv"));
    QFile csv(dir.filePath(QStringLiteral("march.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << "the name typed without extension gets \".csv\"";
    const QByteArray bytes = csv.readAll();
    EXPECT_FALSE(bytes.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("march")))) << "nothing under the bare name";
}

TEST_P(CustDebtView, TheBalanceWorksOffTheQueueAndFillsTheCustomersStatement)
{
    TfrmCustDebt *form = open();
    ASSERT_NE(form, nullptr);
    dmr->MarkInvalidCustDebt(1, QDate(2024, 3, 5), march());
    ASSERT_EQ(dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")).toInt(), 1);
    form->actShowCustomerBalance->trigger();
    EXPECT_EQ(dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")).toInt(), 0);
    EXPECT_GT(
        dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.TMP_CUST_BALANCE")).toInt(), 0);
    // The balance report is asked of the reports module; this folder holds no template, which it reports.
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("CustomerBalance.frf")))
        << m_messages.lastText().toStdString();
    EXPECT_FALSE(dmr->mdsBalanceReport()->Active());
}

// The ordering fixture: beside the operator's two customers, "Борисов А.А." twice (a tie on the name) under the
// account numbers "10" and "9" (read right-aligned: 9 before 10), one connected this month and paying for it, one
// with nothing at all; and "Гусев", added after the month's figures were read, whose amounts are therefore
// null ("Всего" reads 0 for it). Read order: accounts 1, 2, 3, 9, 10, that is customers 1, 2, 5, 4, 3.
//
//  customer  account  ФИО           Вх. баланс  Скидка  Абон.  Подкл.  Всего  Платежи  Исх. баланс
//  1         1        Абонент1      23          1       31     0       54     0        54
//  2         2        Абонент2      2.27        0.5     0      0       2.27   0        2.27
//  3         10       Борисов А.А.  0           1       31     5       36     31       5
//  4         9        Борисов А.А.  0           1       0      0       0      0        0
//  5         3        Гусев         null        null    null   null    0      null     null
class CustDebtViewOrder : public CustDebtView
{
protected:
    void SetUp() override
    {
        CustDebtView::SetUp();
        if (HasFatalFailure())
            return;
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, INITIALS, CUST_STATE) "
                            "values (3, '10', 'Борисов', 'А.А.', 1)"));
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, INITIALS, CUST_STATE) "
                            "values (4, '9', 'Борисов', 'А.А.', 1)"));
        subscription(3, 3, 10, QStringLiteral("2024-03-01"), QStringLiteral("4712-12-31"), QStringLiteral("20"));
        payment(4, 3, QStringLiteral("2024-03-15 00:00:00"), 31);
        form = open();
        ASSERT_NE(form, nullptr);
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, SURNAME, CUST_STATE) "
                            "values (5, '3', 'Гусев', 1)"));
        list()->Refresh();
        ASSERT_EQ(order(), QStringLiteral("1 2 5 4 3"));
    }

    TCustDebtStateDataSet *list() const { return m_calc->odsCustDebtState(); }
    QString current() const { return list()->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsString(); }
    // The customers in the list's order, the current record kept.
    QString order() const
    {
        QStringList ids;
        const QByteArray here = list()->GetBookmark();
        for (list()->First(); !list()->Eof(); list()->Next())
            ids << current();
        list()->GotoBookmark(here);
        return ids.join(QLatin1Char(' '));
    }
    void clearMarkers()
    {
        TDBGridColumnsEh &columns = form->dbgCustDebtState->Columns();
        for (int i = 0; i < columns.Count(); ++i)
            columns[i]->Title().SetSortMarker(smNoneEh);
    }

    TfrmCustDebt *form = nullptr;
};

TEST_P(CustDebtViewOrder, EveryColumnSortsInMemoryByItsMarkersKeepingTheCurrentCustomer)
{
    TDBGridColumnsEh &columns = form->dbgCustDebtState->Columns();
    for (int i = 0; i < columns.Count(); ++i)
        EXPECT_TRUE(columns[i]->Title().TitleButton()) << columns[i]->FieldName().toStdString();
    EXPECT_EQ(form->dbgCustDebtState->DataSource()->DataSet()->FieldByName(QStringLiteral("CUSTOMER_NAME"))->AsString(),
              QStringLiteral("Абонент1 "))
        << "a customer without initials keeps the surname";

    // Columns: 0 "Лиц. счет", 1 "ФИО", 2 "Вх. баланс", 3 "Скидка", 4 "Абон. услуги", 5 "Подкл.", 6 "По факту",
    // 7 "Всего", 8 "Платежи", 9 "Исх. баланс". A down marker ascends, an up marker descends.
    struct Marker
    {
        int column;
        TSortMarkerEh marker;
    };
    struct Case
    {
        const char *what;
        std::vector<Marker> markers;
        const char *order;
    };
    const Case cases[] = {
        { "no marker: the order read", {}, "1 2 5 4 3" },
        { "accounts right-aligned", { { 0, smDownEh } }, "1 2 5 4 3" },
        { "accounts descending", { { 0, smUpEh } }, "3 4 5 2 1" },
        { "names, the tie in the order read", { { 1, smDownEh } }, "1 2 4 3 5" },
        { "names descending, the tie still in the order read", { { 1, smUpEh } }, "5 4 3 2 1" },
        { "incoming balance: null first, then the zeros as read", { { 2, smDownEh } }, "5 4 3 2 1" },
        { "outgoing balance descending: null last", { { 9, smUpEh } }, "1 3 2 4 5" },
        { "subscriptions, then names descending", { { 4, smDownEh }, { 1, smUpEh } }, "5 4 2 3 1" },
        { "discount descending, then accounts descending", { { 3, smUpEh }, { 0, smUpEh } }, "3 4 1 2 5" },
        { "total: no figures reads 0, tied with a customer's 0", { { 7, smDownEh } }, "5 4 2 3 1" },
        { "payments descending", { { 8, smUpEh } }, "3 1 2 4 5" },
        { "connections, then by fact (all zero)", { { 5, smDownEh }, { 6, smUpEh } }, "5 1 2 4 3" },
        { "the first marker set leads", { { 6, smDownEh }, { 4, smUpEh }, { 0, smUpEh } }, "5 3 1 4 2" },
    };
    ASSERT_TRUE(list()->Locate(QStringLiteral("CUSTOMER_ID"), 4));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        clearMarkers();
        for (const Marker &m : c.markers)
            columns[m.column]->Title().SetSortMarker(m.marker);
        DBGridEhDataService().ApplySorting(form->dbgCustDebtState);
        EXPECT_EQ(order(), QString::fromLatin1(c.order));
        EXPECT_EQ(current(), QStringLiteral("4")) << "the current customer stays current";
    }
}

TEST_P(CustDebtViewOrder, CtrlClickedTitlesSortTogetherAndTheMonthReadAgainKeepsTheirOrder)
{
    // A window of its own on the screen (showing the main window would start its logon); it reads the month
    // again, so Гусев now has figures, all of them zero.
    auto owned = std::make_unique<TfrmCustDebt>();
    owned->setAttribute(Qt::WA_DeleteOnClose, false);
    SendMessage(owned.get(), AMRunQuery);
    ASSERT_EQ(order(), QStringLiteral("1 2 5 4 3"));
    owned->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owned.get()));
    TKyv_DBGridEh *grid = owned->dbgCustDebtState;
    const auto clickTitle = [grid](int column) {
        // Above the strip at the bottom of the title that selects the column.
        const QRect r = grid->CellRect(column + grid->IndicatorCols(), 0);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(r.center().x(), r.top() + 2));
    };
    clickTitle(4);
    clickTitle(1);
    clickTitle(1);
    QTest::keyRelease(grid, Qt::Key_Control);
    ASSERT_EQ(grid->Columns()[4]->Title().SortMarker(), smDownEh);
    ASSERT_EQ(grid->Columns()[1]->Title().SortMarker(), smUpEh);
    EXPECT_EQ(order(), QStringLiteral("5 4 2 3 1")) << "subscriptions, then names descending";

    SendMessage(owned.get(), AMRunQuery);
    EXPECT_EQ(order(), QStringLiteral("5 4 2 3 1")) << "the list opens in the markers' order, not as read";
}

INSTANTIATE_TEST_SUITE_P(
    CustDebtView, CustDebtView, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
INSTANTIATE_TEST_SUITE_P(
    CustDebtView, CustDebtViewOrder, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
