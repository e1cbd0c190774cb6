// The service tickets: the new-ticket dialog of the card and the tickets window, on both engines.
#include "CodePage.h"
#include "CustomerProgramFixture.h"
#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "FR_Class.h"
#include "Guard.h"
#include "FR_DBSet.h"
#include "FR_E_TXT.h"
#include "Kyv_DBGridEh.h"
#include "MainWindowScope.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "Screenshot.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuReports.h"
#include "frmuCustomerTicket.h"
#include "frmuGuide.h"
#include "frmuTickets.h"
#include "uTickets.h"

#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

TEST(TicketDefaults, FollowTheWorkDate)
{
    FakeClock clock(QDateTime(QDate(2022, 1, 31), QTime(9, 0)));
    struct Case
    {
        const char *label;
        QVariant workDate;
        QDate ticket, plan;
    };
    const Case cases[] = {
        { "the work date's day, its time cut", QDateTime(QDate(2021, 3, 15), QTime(17, 45)), QDate(2021, 3, 15),
            QDate(2021, 3, 16) },
        { "the last day of a month plans into the next", day(2021, 2, 28), QDate(2021, 2, 28), QDate(2021, 3, 1) },
        { "no work date: today", QVariant(), QDate(2022, 1, 31), QDate(2022, 2, 1) },
    };
    for (const Case &c : cases) {
        const TNewTicketDefaults d = NewTicketDefaults(c.workDate);
        EXPECT_EQ(d.ticketDate, c.ticket) << c.label;
        EXPECT_EQ(d.planDate, c.plan) << c.label;
        EXPECT_EQ(d.statusId, tsPlan) << c.label;
        EXPECT_EQ(d.teamId, NoTeamId) << c.label;
    }
}

TEST(TicketFilters, StatesAndTeamBecomeTheListsConditions)
{
    struct Case
    {
        bool plan, progress, done, cancelled;
        int team;
        const char *states;
        const char *stateCondition; // null: none
        const char *teamCondition;  // null: none
    };
    const Case cases[] = {
        { false, false, false, false, 0, "", nullptr, nullptr },
        { true, false, true, false, 0, "1,3", " and TS.TICKET_STATUS_ID in (1,3) ", nullptr },
        { true, true, true, true, 5, "1,2,3,4", " and TS.TICKET_STATUS_ID in (1,2,3,4) ", " and T.TEAM_ID = 5" },
        { false, false, false, true, 2, "4", " and TS.TICKET_STATUS_ID in (4) ", " and T.TEAM_ID = 2" },
    };
    for (const Case &c : cases) {
        const QString states = TicketStateList(c.plan, c.progress, c.done, c.cancelled);
        EXPECT_EQ(states, QString::fromLatin1(c.states));
        const QString text = TicketsListCommandText(states, c.team);
        EXPECT_EQ(text.contains(QStringLiteral("TICKET_STATUS_ID in")), c.stateCondition != nullptr) << c.states;
        if (c.stateCondition) {
            EXPECT_TRUE(text.contains(QString::fromLatin1(c.stateCondition))) << text.toStdString();
        }
        EXPECT_EQ(text.contains(QStringLiteral("and T.TEAM_ID =")), c.teamCondition != nullptr) << c.team;
        if (c.teamCondition) {
            EXPECT_TRUE(text.contains(QString::fromLatin1(c.teamCondition))) << text.toStdString();
        }
        EXPECT_TRUE(text.endsWith(QStringLiteral(" order by T.PLAN_DATE, T.PLAN_TIME_START")));
    }
}

class TicketWindow : public CustomerWindowsFixture
{
protected:
    TicketWindow()
        : CustomerWindowsFixture(QDateTime(QDate(2021, 3, 20), QTime(10, 0)))
    {
    }

    void SetUp() override
    {
        CustomerWindowsFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_previousHandler = setExceptionHandler([this](const QString &message) { m_errors << message; });
        for (const char *sql : { "insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (2, 'Бригада Север')",
                 "insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (3, 'Бригада Юг')" })
            m_dmr->dbConnection()->Execute(QString::fromUtf8(sql));
        addCustomer(QStringLiteral("Петров"), QStringLiteral("12"));
        addCustomer(QStringLiteral("Сидорова"), QStringLiteral("3"));
        customers()->Close();
        m_petrov = customerId("Петров");
        m_sidorova = customerId("Сидорова");
        SelectionPeriodFrom = QDate(2021, 3, 1);
        SelectionPeriodTo = QDate(2021, 3, 31);
    }
    void TearDown() override
    {
        stopAnswers();
        delete m_form;
        setExceptionHandler(m_previousHandler);
        EXPECT_TRUE(m_errors.isEmpty()) << m_errors.join(QLatin1Char('\n')).toStdString();
        CustomerWindowsFixture::TearDown();
    }

    int customerId(const char *surname) const
    {
        return m_dmr->dbConnection()
            ->SelectValue(QStringLiteral("select CUSTOMER_ID from ZOLT.CUSTOMER where SURNAME = '%1'")
                    .arg(QString::fromUtf8(surname)))
            .toInt();
    }

    int addTicket(int customer, int team, int state, const QDate &taken, const QString &notice,
        const QString &start = QStringLiteral("10:00"))
    {
        int id = 0;
        EXPECT_TRUE(m_dmr->newCustomerTicket(customer, team, id, QStringLiteral("10:30"), start, notice,
            taken.addDays(1), taken, state));
        return id;
    }

    QVariant ticketValue(int id, const char *column) const
    {
        return seen(QStringLiteral("select %1 from ZOLT.TICKET where TICKET_ID = %2")
                        .arg(QString::fromLatin1(column))
                        .arg(id));
    }

    TfrmTickets *openWindow()
    {
        m_form = new TfrmTickets;
        m_form->resize(1000, 480);
        m_form->show();
        SendMessage(m_form, AMRunQuery);
        return m_form;
    }

    QStringList listedNotices() const
    {
        QStringList out;
        TDataSet *list = m_form->odsTickets;
        for (list->First(); !list->Eof(); list->Next())
            out << list->FieldByName(QStringLiteral("NOTICE"))->AsString();
        return out;
    }

    QPointer<TfrmTickets> m_form;
    ExceptionHandler m_previousHandler;
    QStringList m_errors;
    int m_petrov = 0, m_sidorova = 0;
};

TEST_P(TicketWindow, NewTicketStartsFromTheWorkDateAndIsStored)
{
    m_dm->SetWorkDate(QDate(2021, 3, 15));
    addTicket(m_sidorova, 2, tsPlan, QDate(2021, 3, 10), QStringLiteral("раньше"));
    addTicket(m_sidorova, 2, tsPlan, QDate(2021, 3, 17), QStringLiteral("позже"));
    QString ticketDateShown, teamShown, fioShown;
    bool planTicked = false;
    int plannedListed = -1;
    whenReady([] { return activeModal<TfrmCustomerTicket>() != nullptr; }, [&] {
        auto *dialog = activeModal<TfrmCustomerTicket>();
        ticketDateShown = dialog->dtpTicketDate->text();
        teamShown = dialog->lcbTeam->text();
        planTicked = dialog->rbPlan->isChecked();
        fioShown = dialog->lblFIO->text();
        plannedListed = dialog->odsPlanedTickets->RecordCount();
        QTest::keyClicks(dialog->cbTimeStart, QStringLiteral("1100"));
        QTest::keyClicks(dialog->cbTimeEnd, QStringLiteral("1130"));
        dialog->memNotice->setPlainText(QStringLiteral("нет сигнала"));
        dialog->rbInWork->click();
        QTest::mouseClick(dialog->btnApply, Qt::LeftButton);
    });
    ASSERT_TRUE(executeCustomerTicket(m_petrov));
    EXPECT_EQ(ticketDateShown, QStringLiteral("15.03.2021"));
    EXPECT_EQ(teamShown, QStringLiteral("-"));
    EXPECT_TRUE(planTicked);
    EXPECT_EQ(fioShown, QStringLiteral("Петров"));
    EXPECT_EQ(plannedListed, 1) << "only the ticket planned on or after 16/03";

    const int id = seen(QStringLiteral("select max(TICKET_ID) from ZOLT.TICKET")).toInt();
    EXPECT_EQ(ticketValue(id, "CUSTOMER_ID").toInt(), m_petrov);
    EXPECT_EQ(ticketValue(id, "TICKET_DATE").toDateTime(), day(2021, 3, 15));
    EXPECT_EQ(ticketValue(id, "PLAN_DATE").toDateTime(), day(2021, 3, 16));
    EXPECT_EQ(ticketValue(id, "PLAN_TIME_START").toString(), QStringLiteral("11:00"));
    EXPECT_EQ(ticketValue(id, "PLAN_TIME_END").toString(), QStringLiteral("11:30"));
    EXPECT_EQ(ticketValue(id, "NOTICE").toString(), QStringLiteral("нет сигнала"));
    EXPECT_EQ(ticketValue(id, "TICKET_STATUS_ID").toInt(), tsInProgress);
    EXPECT_EQ(ticketValue(id, "TEAM_ID").toInt(), NoTeamId);
}

TEST_P(TicketWindow, ListFollowsTheStateAndTeamFilters)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("план север"), QStringLiteral("09:00"));
    addTicket(m_petrov, 3, tsInProgress, QDate(2021, 3, 3), QStringLiteral("в работе юг"));
    addTicket(m_sidorova, 2, tsDone, QDate(2021, 3, 4), QStringLiteral("выполнена север"));
    addTicket(m_sidorova, 3, tsCancelled, QDate(2021, 3, 5), QStringLiteral("отмена юг"));
    addTicket(m_sidorova, 2, tsPlan, QDate(2021, 4, 5), QStringLiteral("в апреле"));
    TfrmTickets *form = openWindow();
    ASSERT_TRUE(form->odsTickets->Active());
    EXPECT_EQ(listedNotices(), QStringList({ "план север", "в работе юг", "выполнена север", "отмена юг" }));
    EXPECT_EQ(form->lblPeriod->text(), form->PeriodCaption());
    EXPECT_TRUE(form->windowTitle().startsWith(QStringLiteral("Заявки ")));
    EXPECT_TRUE(form->actTicketsEdit->isEnabled());

    // Only "План" and "Выполнена" ticked.
    QTest::mouseClick(form->cbFilterSignProgress, Qt::LeftButton);
    QTest::mouseClick(form->cbFilterSignCancel, Qt::LeftButton);
    EXPECT_FALSE(AppSettings().filterSignProgress);
    EXPECT_FALSE(AppSettings().filterSignCancel);
    EXPECT_EQ(listedNotices(), QStringList({ "план север", "выполнена север" }));

    // All four cleared: no state condition, every state is listed.
    QTest::mouseClick(form->cbFilterSignPlan, Qt::LeftButton);
    QTest::mouseClick(form->cbFilterSignDone, Qt::LeftButton);
    EXPECT_EQ(form->odsTickets->RecordCount(), 4);

    // A team chosen: only its tickets; "Все" (0) again: all of them.
    TField *teamFilter = m_dm->mdTempCFG()->FieldByName(QStringLiteral("TEAM_ID"));
    teamFilter->SetValue(3);
    EXPECT_EQ(AppSettings().teamFilterId, 3);
    EXPECT_EQ(listedNotices(), QStringList({ "в работе юг", "отмена юг" }));
    teamFilter->SetValue(0);
    EXPECT_EQ(AppSettings().teamFilterId, 0);
    EXPECT_EQ(form->odsTickets->RecordCount(), 4);

    // A period preset reloads; "Год" of the clock's 2021 takes the April ticket in.
    form->actPeriodYear->trigger();
    EXPECT_EQ(form->odsTickets->RecordCount(), 5);
}

TEST_P(TicketWindow, TicketWithoutItsTeamRowIsNotListed)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("с бригадой"));
    // A team row gone from under its ticket, as an older database may hold it.
    if (GetParam() == TestEngine::SQLite) {
        QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ticket_raw"));
        raw.setDatabaseName(m_data.sqliteFile());
        ASSERT_TRUE(raw.open());
        QSqlQuery q(raw);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA foreign_keys=OFF")));
        ASSERT_TRUE(q.exec(QStringLiteral("insert into TICKET (TICKET_ID, TICKET_NO, CUSTOMER_ID, TEAM_ID, "
                                          "TICKET_STATUS_ID, TICKET_CAUSE_ID, TICKET_DATE, NOTICE) values (50, 50, %1, "
                                          "99, 1, 1, '2021-03-03 00:00:00', 'без бригады')")
                               .arg(m_sidorova)))
            << q.lastError().text().toStdString();
        q.finish();
        raw.close();
    } else {
        {
            QSqlDatabase admin = m_data.pg()->connect(QStringLiteral("ticket_admin"));
            ASSERT_TRUE(admin.open());
            QSqlQuery q(admin);
            ASSERT_TRUE(q.exec(QStringLiteral("alter table zolt.ticket drop constraint fk_ticket_to_team")))
                << q.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("ticket_admin"));
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.TICKET (TICKET_ID, TICKET_NO, CUSTOMER_ID, TEAM_ID, TICKET_STATUS_ID, "
                           "TICKET_CAUSE_ID, TICKET_DATE, NOTICE) values (50, 50, :P_C, 99, 1, 1, :P_D, 'без бригады')"),
            { { QStringLiteral("P_C"), m_sidorova }, { QStringLiteral("P_D"), day(2021, 3, 3) } });
    }
    QSqlDatabase::removeDatabase(QStringLiteral("ticket_raw"));
    ASSERT_EQ(seen(QStringLiteral("select count(*) from ZOLT.TICKET")).toInt(), 2);
    openWindow();
    EXPECT_EQ(listedNotices(), QStringList({ "с бригадой" }));
}

TEST_P(TicketWindow, EditPageSavesTheTicketAndReturnsToTheList)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("первая"));
    const int id = addTicket(m_sidorova, 2, tsPlan, QDate(2021, 3, 3), QStringLiteral("вторая"));
    TfrmTickets *form = openWindow();
    ASSERT_TRUE(form->odsTickets->Locate(QStringLiteral("TICKET_ID"), id));
    form->actTicketsEdit->trigger();
    ASSERT_EQ(form->pcMain->currentWidget(), form->tsEdit);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Заявка №") + QString::number(id));
    EXPECT_EQ(form->memNotice->toPlainText(), QStringLiteral("вторая"));
    EXPECT_EQ(form->cbTimeStart->text(), QStringLiteral("10:00"));
    EXPECT_TRUE(form->rbPlan->isChecked());
    EXPECT_EQ(form->lblFIO->text().trimmed(), QStringLiteral("Сидорова"));
    EXPECT_EQ(form->cbTimeStart->Items().size(), 12) << "the planning slots";

    form->memNotice->setPlainText(QStringLiteral("вторая, исправлено"));
    form->cbTimeStart->selectAll();
    QTest::keyClicks(form->cbTimeStart, QStringLiteral("1430"));
    form->rbDone->click();
    form->mdTempDataSet->FieldByName(QStringLiteral("TEAM_ID"))->SetValue(3);
    QTest::mouseClick(form->btnSave, Qt::LeftButton);

    EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    EXPECT_EQ(ticketValue(id, "NOTICE").toString(), QStringLiteral("вторая, исправлено"));
    EXPECT_EQ(ticketValue(id, "PLAN_TIME_START").toString(), QStringLiteral("14:30"));
    EXPECT_EQ(ticketValue(id, "TICKET_STATUS_ID").toInt(), tsDone);
    EXPECT_EQ(ticketValue(id, "TEAM_ID").toInt(), 3);
    ASSERT_TRUE(form->odsTickets->Locate(QStringLiteral("TICKET_ID"), id));
    EXPECT_EQ(form->odsTickets->FieldByName(QStringLiteral("RO_TEAM_NAME"))->AsString(), QStringLiteral("Бригада Юг"))
        << "the list is read again";
}

TEST_P(TicketWindow, FailedUpdateIsShownAndTheEditPageStays)
{
    const int id = addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("заявка"));
    TfrmTickets *form = openWindow();
    form->actTicketsEdit->trigger();
    form->memNotice->setPlainText(QStringLiteral("не дойдёт"));
    // A ticket without the date it was taken on is refused by the database.
    form->mdTempDataSet->FieldByName(QStringLiteral("TICKET_DATE"))->Clear();
    QTest::mouseClick(form->btnSave, Qt::LeftButton);

    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].type, mtWarning);
    EXPECT_TRUE(m_messages.lastText().startsWith(QStringLiteral("Заявка №") + QString::number(id)));
    EXPECT_EQ(form->pcMain->currentWidget(), form->tsEdit);
    EXPECT_EQ(form->memNotice->toPlainText(), QStringLiteral("не дойдёт"));
    EXPECT_EQ(ticketValue(id, "NOTICE").toString(), QStringLiteral("заявка"));

    // "Отмена" drops what was typed and shows the stored ticket again.
    QTest::mouseClick(form->btnCancel, Qt::LeftButton);
    EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
    EXPECT_EQ(listedNotices(), QStringList({ "заявка" }));
}

TEST_P(TicketWindow, TeamIsPickedThroughTheTeamsGuide)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("заявка"));
    TfrmTickets *form = openWindow();
    form->actTicketsEdit->trigger();
    int offered = 0;
    whenReady([] { return activeModal<TfrmGuide>() != nullptr; }, [&] {
        TfrmGuide *guide = activeModal<TfrmGuide>();
        offered = guide->keyField()->AsInteger();
        guide->L->Locate(QStringLiteral("TEAM_ID"), 3);
        guide->actMrOk->trigger();
    });
    form->actSelectTeam->trigger();
    EXPECT_EQ(offered, 2) << "the guide opens on the ticket's team";
    EXPECT_EQ(form->mdTempDataSet->FieldByName(QStringLiteral("TEAM_ID"))->AsInteger(), 3);
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    EXPECT_EQ(form->odsTickets->FieldByName(QStringLiteral("RO_TEAM_NAME"))->AsString(), QStringLiteral("Бригада Юг"));
}

TEST_P(TicketWindow, ReturnMovesOnFromTheTaggedEditsOnly)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("заявка"));
    TfrmTickets *form = openWindow();
    form->activateWindow();
    form->actTicketsEdit->trigger();
    form->dtpPlanDate->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([form] { return form->dtpPlanDate->hasFocus(); }));
    QTest::keyClick(form->dtpPlanDate, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([form] { return !form->dtpPlanDate->hasFocus(); })) << "tag 1 moves on";

    // With the setting off Return stays where it is.
    AppSettings().enterToTab = false;
    form->dtpPlanDate->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([form] { return form->dtpPlanDate->hasFocus(); }));
    QTest::keyClick(form->dtpPlanDate, Qt::Key_Return);
    QApplication::sendPostedEvents();
    QApplication::processEvents();
    EXPECT_TRUE(form->dtpPlanDate->hasFocus());
}

TEST_P(TicketWindow, EmptyPeriodKeepsTheEditActionAndSavesNothing)
{
    const int id = addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("мартовская"));
    TfrmTickets *form = openWindow();
    EXPECT_TRUE(form->actTicketsEdit->isEnabled());
    form->actPeriodToday->trigger(); // 20/03/2021: no ticket
    EXPECT_EQ(form->odsTickets->RecordCount(), 0);
    EXPECT_TRUE(form->actTicketsEdit->isEnabled()) << "an open empty list leaves the action as it was";
    form->dbgTickets->OnDblClick(form->dbgTickets);
    ASSERT_EQ(form->pcMain->currentWidget(), form->tsEdit);
    EXPECT_TRUE(form->memNotice->toPlainText().isEmpty());
    QTest::mouseClick(form->btnSave, Qt::LeftButton);
    EXPECT_EQ(form->pcMain->currentWidget(), form->tsList);
    EXPECT_EQ(ticketValue(id, "NOTICE").toString(), QStringLiteral("мартовская"));
    EXPECT_TRUE(m_messages.requests.isEmpty());
}

TEST_P(TicketWindow, ListIsPrintedFromItsTemplateAndExportedToText)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("обрыв кабеля"));
    addTicket(m_sidorova, 3, tsDone, QDate(2021, 3, 3), QStringLiteral("нет сигнала"));
    TdmReports reports(m_dm.get(), m_dmr.get(), m_cust.get());
    QTemporaryDir folder;
    reports.SetTemplateFolder(folder.path());
    TfrmTickets *form = openWindow();

    // Without its template the print says which file it looked for and shows nothing.
    form->actReportTickets->trigger();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Не найден шаблон отчета ") + folder.filePath(QStringLiteral("Tickets.frf")));
    m_errors.clear();

    // A list template naming the window's report dataset, as the template folder holds it.
    {
        TfrReport layout;
        TfrPage *page = layout.Pages().GetPage(layout.Pages().Add());
        auto band = [page](int type, const char *name, int top, const QString &source) {
            auto *b = new TfrBandView;
            b->SetBandType(type);
            b->Name = QString::fromLatin1(name);
            b->Top = top;
            b->Width = 700;
            b->Height = 20;
            b->FormatText = source;
            page->AddObject(b);
        };
        auto memo = [page](const char *name, int left, int top, const QString &text) {
            auto *m = new TfrMemoView;
            m->Name = QString::fromLatin1(name);
            m->Left = left;
            m->Top = top;
            m->Width = 250;
            m->Height = 20;
            m->Memo = QStringList { text };
            page->AddObject(m);
        };
        band(btReportTitle, "ReportTitle1", 20, QString());
        band(btMasterData, "MasterData1", 60, QStringLiteral("frDBDataSetodsTickets"));
        memo("frmemoPeriod", 20, 20, QStringLiteral("период"));
        memo("Fio", 20, 60, QStringLiteral("[FIO]"));
        memo("Notice", 300, 60, QStringLiteral("[NOTICE]"));
        layout.SaveReportFile(folder.filePath(QStringLiteral("Tickets.frf")));
    }
    TfrReport *report = form->frTickets;
    ASSERT_TRUE(report->LoadReportFile(folder.filePath(QStringLiteral("Tickets.frf"))));
    ASSERT_TRUE(report->BuildReport());
    TfrTextExport text;
    text.ShowDialog = false;
    const QString target = folder.filePath(QStringLiteral("tickets.txt"));
    ASSERT_TRUE(report->ExportTo(&text, target));
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString written = CP1251ToQString(file.readAll());
    EXPECT_TRUE(written.contains(form->PeriodCaption())) << "the period memo: " << written.toStdString();
    EXPECT_FALSE(written.contains(QStringLiteral("период")));
    EXPECT_TRUE(written.contains(QStringLiteral("Петров"))) << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("Сидорова")));
    EXPECT_LT(written.indexOf(QStringLiteral("обрыв кабеля")), written.indexOf(QStringLiteral("нет сигнала")));
}

TEST_P(TicketWindow, Screenshot)
{
    addTicket(m_petrov, 2, tsPlan, QDate(2021, 3, 2), QStringLiteral("обрыв кабеля"), QStringLiteral("09:00"));
    addTicket(m_sidorova, 3, tsInProgress, QDate(2021, 3, 3), QStringLiteral("нет сигнала на 5 канале"));
    addTicket(m_petrov, 3, tsDone, QDate(2021, 3, 4), QStringLiteral("замена разветвителя"), QStringLiteral("14:00"));
    TfrmTickets *form = openWindow();
    ASSERT_EQ(form->odsTickets->RecordCount(), 3);
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form, QStringLiteral("accounts-tickets"), QSize(1100, 400));
}

INSTANTIATE_TEST_SUITE_P(Ticket, TicketWindow, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
    engineName);

} // namespace
