#include "ReportsFixture.h"

#include "DBLookupEh.h"
#include "MemTable.h"
#include "Periods.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "Screenshot.h"
#include "FR_View.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "frmuSelectRootServ.h"
#include "uAccounts.h"
#include "uStatReports.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

// Five customers of house 14 on Лесная with a history of connections, reconnections and disconnections around
// February and March 2016. Packages: 10 (310 a month) and 20 (290 a month). Connection services of package 10:
// 11 free, 12 at 50; of package 20: 21 at 30; reconnection 13 at 20; disconnections 14 (on request) and 15 (for
// non-payment) of package 10, 24 (on request) of package 20.
//   101 Абрамов   package 10  10.03.2016-19.03.2016  connected free (11), disconnected on request (14)
//   102 Борисов   package 10  01.03.2016-31.03.2016  connected at 50 (12), disconnected on request (14)
//   103 Васильев  package 20  15.02.2016-25.03.2016  connected at 30 (21), disconnected on request (24)
//   104 Григорьев package 10  01.06.2015-31.01.2016  connected at 50 (12), disconnected for non-payment (15)
//                             20.03.2016-open       reconnected at 20 (13)
//   105 Дмитриев  package 10  29.02.2016-05.03.2016  connected free (11), disconnected for non-payment (15)
class ReportsStat : public ReportsFixture
{
protected:
    void SetUp() override
    {
        ReportsFixture::SetUp();
        if (HasFatalFailure())
            return;
        RegisterAccountsForms();
        seed();
    }

    void TearDown() override
    {
        for (auto &a : m_answers) {
            a->stop();
            EXPECT_TRUE(a->ran()) << "a dialog the test answers never opened";
        }
        m_answers.clear();
        ReportsFixture::TearDown();
    }

    void seed()
    {
        const struct
        {
            int id;
            const char *descr;
            int type;
            int child; // 0: none
            int tarif;
        } services[] = {
            { 10, "Кабельное ТВ", 0, 0, 310 },
            { 20, "Цифровое ТВ", 0, 0, 290 },
            { 11, "Подключение льготное", 2, 10, 0 },
            { 12, "Подключение", 2, 10, 50 },
            { 21, "Подключение ЦТВ", 2, 20, 30 },
            { 13, "Повторное подключение", 3, 10, 20 },
            { 14, "Отключение", 4, 10, 0 },
            { 15, "Отключение за долг", 5, 10, 0 },
            { 24, "Отключение ЦТВ", 4, 20, 0 },
        };
        int tarifId = 1;
        for (const auto &s : services) {
            exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, CHILDSERV_ID, "
                                "SERV_PACKAGE_ID) values (%1, '%2', %3, %4, -1)")
                     .arg(s.id)
                     .arg(QString::fromUtf8(s.descr))
                     .arg(s.type)
                     .arg(s.child ? QString::number(s.child) : QStringLiteral("null")));
            exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) values "
                                "(%1, %2, '2015-01-01 00:00:00', '4712-12-31 00:00:00', %3)")
                     .arg(tarifId++)
                     .arg(s.id)
                     .arg(s.tarif));
        }
        const char *names[] = { "Абрамов", "Борисов", "Васильев", "Григорьев", "Дмитриев" };
        const char *initials[] = { "А.А.", "Б.Б.", "В.В.", "Г.Г.", "Д.Д." };
        for (int i = 0; i < 5; ++i)
            exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, SURNAME, "
                                "INITIALS, VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (%1, '%2', 7, '%3', '%4', "
                                "'%5', '4712-12-31 00:00:00', 0, 0, 1)")
                     .arg(i + 1)
                     .arg(101 + i)
                     .arg(i + 1)
                     .arg(QString::fromUtf8(names[i]), QString::fromUtf8(initials[i])));
        const struct
        {
            int id, customer, serv;
            const char *from, *to;
            int act, disact;
        } history[] = {
            { 1, 1, 10, "2016-03-10", "2016-03-19", 11, 14 },
            { 2, 2, 10, "2016-03-01", "2016-03-31", 12, 14 },
            { 3, 3, 20, "2016-02-15", "2016-03-25", 21, 24 },
            { 4, 4, 10, "2015-06-01", "2016-01-31", 12, 15 },
            { 5, 4, 10, "2016-03-20", "4712-12-31", 13, -1 },
            { 6, 5, 10, "2016-02-29", "2016-03-05", 11, 15 },
        };
        for (const auto &h : history) {
            if (h.id != 5)
                exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                                    "values (%1, %2, %3, 0)")
                         .arg(h.customer)
                         .arg(h.customer)
                         .arg(h.serv));
            exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, "
                                "DATE_FROM, DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (%1, %2, %2, %3, "
                                "'%4 00:00:00', '%5 00:00:00', %6, %7)")
                     .arg(h.id)
                     .arg(h.customer)
                     .arg(h.serv)
                     .arg(QLatin1String(h.from), QLatin1String(h.to))
                     .arg(h.act)
                     .arg(h.disact));
        }
    }

    // Answers the period dialog with the dates, or cancels it.
    void answerPeriod(const QDate &from, const QDate &to, bool ok = true)
    {
        m_answers.push_back(std::make_unique<ModalAnswer>([] { return activeModal<TfrmPeriod>() != nullptr; },
            [from, to, ok] {
                TfrmPeriod *d = activeModal<TfrmPeriod>();
                d->dtpFrom->setDate(from);
                d->dtpTo->setDate(to);
                (ok ? d->btnOk : d->btnCancel)->click();
            }));
    }

    void answerMonth(int month, int year, bool ok = true)
    {
        m_answers.push_back(std::make_unique<ModalAnswer>([] { return activeModal<TfrmSelectMonth>() != nullptr; },
            [month, year, ok] {
                TfrmSelectMonth *d = activeModal<TfrmSelectMonth>();
                d->cbMonth->setCurrentIndex(month - 1);
                d->seYear->setValue(year);
                (ok ? d->btnOk : d->btnCancel)->click();
            }));
    }

    // Answers the package picker with a package (-1 for "Все").
    void answerPackage(int package)
    {
        m_answers.push_back(std::make_unique<ModalAnswer>([] { return activeModal<TfrmSelectRootServ>() != nullptr; },
            [this, package] {
                TfrmSelectRootServ *d = activeModal<TfrmSelectRootServ>();
                m_packageOffered = d->lcbServ->ListSource()->DataSet()->RecordCount();
                m_packageDialog = d->windowTitle() + u'|' + d->btnOk->text();
                setPackage(package);
                d->btnOk->click();
            }));
    }

    void setPackage(int package)
    {
        TMemTable *temp = m_dm->mdTempCFG();
        if (temp->State() != dsEdit)
            temp->Edit();
        temp->FieldByName(QStringLiteral("SERV_ID"))->SetValue(package);
        temp->Post();
    }

    int package() const { return m_dm->mdTempCFG()->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(); }

    std::vector<std::unique_ptr<ModalAnswer>> m_answers;
    int m_packageOffered = -1;
    QString m_packageDialog; // the picker's title and button
};

// The export's lines with the empty cells of the layout left out; a quoted cell is read back unquoted.
QStringList csvRows(const ShownReport &r)
{
    QStringList rows;
    for (const QString &line : r.csv) {
        QStringList cells;
        QString cell;
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"')
                cell += c, ++i;
            else if (c == u'"')
                quoted = !quoted;
            else if (c == u';' && !quoted)
                cells << cell, cell.clear();
            else
                cell += c;
        }
        cells << cell;
        cells.removeAll(QString());
        rows << cells.join(u';');
    }
    return rows;
}

// The text export shows the same cells in the same lines, only laid out by blanks.
void expectTextMatchesCsv(const ShownReport &r)
{
    const QStringList rows = csvRows(r);
    ASSERT_EQ(r.text.size(), rows.size()) << r.text.join(u'\n').toStdString();
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(
            r.text[i].simplified().toStdString(), QString(rows[i]).replace(u';', u' ').simplified().toStdString());
}

const char *const ConnectionHeader = "Л/С;Ф.И.О.;Адрес;Подключен;Услуга;Тариф;Начислено";
const char *const DisconnectionHeader = "Л/С;Ф.И.О.;Адрес;Отключен;Вид отключения;Начислено";

struct StatCase
{
    const char *action;
    bool perMonth;
    QDate from, to; // the period typed, or the month chosen (its first day)
    int package;
    const char *templateName;
    std::vector<const char *> lines; // the export's lines, cells joined by ";"
};

TEST_P(ReportsStat, EachReportShowsTheHandComputedRowsInBothExports)
{
    const QDate mar1(2016, 3, 1), mar31(2016, 3, 31), feb1(2016, 2, 1);
    const std::vector<StatCase> cases = {
        { "actReportNewConnectCustALL", false, mar1, mar31, -1, "NewConnectUsers.frf",
            { "Вновь подключенные абоненты", "(за Март 2016 г.)", ConnectionHeader,
                "102;Борисов Б.Б.;Лесная  д.14 кв.2;01.03.2016;Подключение;50;310",
                "101;Абрамов А.А.;Лесная  д.14 кв.1;10.03.2016;Подключение льготное;0;100", "50;410", "Итого: 2" } },
        { "actReportNewConnectCustNotPayed", false, mar1, mar31, -1, "NewConnectUsers.frf",
            { "Вновь подключенные абоненты", "(за Март 2016 г.)", ConnectionHeader,
                "101;Абрамов А.А.;Лесная  д.14 кв.1;10.03.2016;Подключение льготное;0;100", "0;100", "Итого: 1" } },
        { "actReportNewConnectCustPayed", false, mar1, mar31, -1, "NewConnectUsers.frf",
            { "Вновь подключенные абоненты", "(за Март 2016 г.)", ConnectionHeader,
                "102;Борисов Б.Б.;Лесная  д.14 кв.2;01.03.2016;Подключение;50;310", "50;310", "Итого: 1" } },
        // A leap February: the connection on the 29th belongs to it; 1 day of 310 over 29 rounds to 11.
        { "actReportNewConnectCustALLPerMonth", true, feb1, {}, -1, "NewConnectUsersPerMonth.frf",
            { "Вновь подключенные абоненты за месяц", "(за Февраль 2016 г.)", ConnectionHeader,
                "103;Васильев В.В.;Лесная  д.14 кв.3;15.02.2016;Подключение ЦТВ;30;150",
                "105;Дмитриев Д.Д.;Лесная  д.14 кв.5;29.02.2016;Подключение льготное;0;11", "30;161", "Итого: 2" } },
        { "actReportNewConnectCustPayedPerMonth", true, feb1, {}, -1, "NewConnectUsersPerMonth.frf",
            { "Вновь подключенные абоненты за месяц", "(за Февраль 2016 г.)", ConnectionHeader,
                "103;Васильев В.В.;Лесная  д.14 кв.3;15.02.2016;Подключение ЦТВ;30;150", "30;150", "Итого: 1" } },
        { "actReportNewConnectCustNotPayedPerMonth", true, feb1, {}, -1, "NewConnectUsersPerMonth.frf",
            { "Вновь подключенные абоненты за месяц", "(за Февраль 2016 г.)", ConnectionHeader,
                "105;Дмитриев Д.Д.;Лесная  д.14 кв.5;29.02.2016;Подключение льготное;0;11", "0;11", "Итого: 1" } },
        { "actReportNewConnectCustALLPerMonth", true, feb1, {}, 10, "NewConnectUsersPerMonth.frf",
            { "Вновь подключенные абоненты за месяц", "(за Февраль 2016 г.)  \"Кабельное ТВ\" пакет услуг",
                ConnectionHeader, "105;Дмитриев Д.Д.;Лесная  д.14 кв.5;29.02.2016;Подключение льготное;0;11", "0;11",
                "Итого: 1" } },
        { "actReportNextTimeConnectedCust", false, mar1, mar31, -1, "NextTimeConnected.frf",
            { "Повторно подключенные абоненты", "(за Март 2016 г.)", ConnectionHeader,
                "104;Григорьев Г.Г.;Лесная  д.14 кв.4;20.03.2016;Повторное подключение;20;120", "20;120",
                "Итого: 1" } },
        { "actReportNextTimeConnectedCustPerMonth", true, mar1, {}, -1, "NextTimeConnectedPerMonth.frf",
            { "Повторно подключенные абоненты за месяц", "(за Март 2016 г.)", ConnectionHeader,
                "104;Григорьев Г.Г.;Лесная  д.14 кв.4;20.03.2016;Повторное подключение;20;120", "20;120",
                "Итого: 1" } },
        // From the 5th to the 25th: both ends included, the caption in whole months, and the charge divided by
        // the period's last day number (25).
        { "actReportDisactCustByPeriod", false, QDate(2016, 3, 5), QDate(2016, 3, 25), -1,
            "DisactByPeriodCustomers.frf",
            { "Отключавшиеся абоненты", "(за Март 2016 г.)", DisconnectionHeader,
                "101;Абрамов А.А.;Лесная  д.14 кв.1;19.03.2016;Отключение по заявлению;124",
                "103;Васильев В.В.;Лесная  д.14 кв.3;25.03.2016;Отключение по заявлению;244",
                "105;Дмитриев Д.Д.;Лесная  д.14 кв.5;05.03.2016;Отключение за неуплату;12", "380", "Итого: 3" } },
        { "actReportDisactCustByMonth", true, mar1, {}, -1, "DisactByMonthCustomers.frf",
            { "Отключавшиеся абоненты за месяц", "(за Март 2016 г.)", DisconnectionHeader,
                "101;Абрамов А.А.;Лесная  д.14 кв.1;19.03.2016;Отключение по заявлению;100",
                "102;Борисов Б.Б.;Лесная  д.14 кв.2;31.03.2016;Отключение по заявлению;310",
                "103;Васильев В.В.;Лесная  д.14 кв.3;25.03.2016;Отключение по заявлению;234",
                "105;Дмитриев Д.Д.;Лесная  д.14 кв.5;05.03.2016;Отключение за неуплату;50", "694", "Итого: 4" } },
        { "actReportDisactCustByMonth", true, mar1, {}, 20, "DisactByMonthCustomers.frf",
            { "Отключавшиеся абоненты за месяц", "(за Март 2016 г.)  \"Цифровое ТВ\" пакет услуг", DisconnectionHeader,
                "103;Васильев В.В.;Лесная  д.14 кв.3;25.03.2016;Отключение по заявлению;234", "234", "Итого: 1" } },
    };
    for (const StatCase &c : cases) {
        SCOPED_TRACE(std::string(c.action) + " " + c.from.toString(Qt::ISODate).toStdString() + " package "
            + std::to_string(c.package));
        shown.clear();
        if (c.perMonth)
            answerMonth(c.from.month(), c.from.year());
        else
            answerPeriod(c.from, c.to);
        answerPackage(c.package);
        EXPECT_TRUE(RunCommand(QString::fromLatin1(c.action)));
        ASSERT_EQ(shown.size(), 1u) << messages.lastText().toStdString();
        const ShownReport &r = shown[0];
        EXPECT_EQ(r.fileName, m_reports->TemplatePath(QString::fromUtf8(c.templateName)));
        EXPECT_FALSE(r.designer);
        EXPECT_TRUE(r.mdi);
        QStringList want;
        for (const char *line : c.lines)
            want << QString::fromUtf8(line);
        EXPECT_EQ(csvRows(r).join(u'\n').toStdString(), want.join(u'\n').toStdString());
        expectTextMatchesCsv(r);
        if (c.perMonth) {
            EXPECT_EQ(SelectionPeriodFrom, c.from);
            EXPECT_EQ(SelectionPeriodTo, EndOfMonth(c.from)) << "a month runs to its last day";
        }
    }
}

TEST_P(ReportsStat, PeriodChargeCountsTheDaysInsideTheReportPeriod)
{
    const struct
    {
        QDate from, to;
        std::map<int, double> sums; // customer: charge
    } cases[] = {
        // 101 inside (10 days of 310 over 31), 102 the same as the period, 103 and 105 across its start, 104's
        // reconnection across its end; 104's earlier period ended in January.
        { QDate(2016, 3, 1), QDate(2016, 3, 31), { { 1, 100 }, { 2, 310 }, { 3, 234 }, { 4, 120 }, { 5, 50 } } },
        // A period inside the history periods: divided by its last day's number (20), halves rounded up.
        { QDate(2016, 3, 10), QDate(2016, 3, 20), { { 1, 155 }, { 2, 171 }, { 3, 160 }, { 4, 16 } } },
    };
    TKyv_ClientDataSet *sum = m_reports->cdsRepCustSumLookup();
    for (const auto &c : cases) {
        SelectionPeriodFrom = c.from;
        SelectionPeriodTo = c.to;
        sum->Close();
        sum->Open();
        std::map<int, double> got;
        for (sum->First(); !sum->Eof(); sum->Next())
            got[sum->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsInteger()]
                = sum->FieldByName(QStringLiteral("C_SUM"))->AsFloat();
        EXPECT_EQ(got, c.sums) << c.from.toString(Qt::ISODate).toStdString();
    }
    // The lists that look it up close it with themselves.
    m_reports->cdsDisactByPeriodCustomers()->SetCommandText(
        DisactCustomersStatement(SelectionPeriodFrom, SelectionPeriodTo, -1));
    m_reports->cdsDisactByPeriodCustomers()->Open();
    EXPECT_TRUE(sum->Active());
    m_reports->cdsDisactByPeriodCustomers()->Close();
    EXPECT_FALSE(sum->Active());
}

TEST_P(ReportsStat, EveryReportsMenuActionAsksItsPeriodAndPackage)
{
    tarvik::test::MainWindowScope scope;
    // The main window installs the real preview; the recorder comes back.
    frEngine().ShowPreparedHook = [this](TfrReport &report) { shown.push_back(record(report, false)); };
    const struct
    {
        const char *action;
        bool perMonth;
        bool package;
        const char *templateName;
    } actions[] = {
        { "actReportNewConnectCustALL", false, true, "NewConnectUsers.frf" },
        { "actReportNewConnectCustNotPayed", false, true, "NewConnectUsers.frf" },
        { "actReportNewConnectCustPayed", false, true, "NewConnectUsers.frf" },
        { "actReportNextTimeConnectedCust", false, true, "NextTimeConnected.frf" },
        { "actReportDisactCustByPeriod", false, true, "DisactByPeriodCustomers.frf" },
        { "actReportNewConnectCustALLPerMonth", true, true, "NewConnectUsersPerMonth.frf" },
        { "actReportNewConnectCustPayedPerMonth", true, true, "NewConnectUsersPerMonth.frf" },
        { "actReportNewConnectCustNotPayedPerMonth", true, true, "NewConnectUsersPerMonth.frf" },
        { "actReportNextTimeConnectedCustPerMonth", true, true, "NextTimeConnectedPerMonth.frf" },
        { "actReportDisactCustByMonth", true, true, "DisactByMonthCustomers.frf" },
        { "actReportMainState", false, false, "СтатОтчетЗаПериод.frf" },
    };
    for (const auto &a : actions) {
        SCOPED_TRACE(a.action);
        auto *action = scope.main()->findChild<QAction *>(QString::fromLatin1(a.action));
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        shown.clear();
        m_packageOffered = -1;
        if (a.perMonth)
            answerMonth(3, 2016);
        else
            answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
        if (a.package)
            answerPackage(-1);
        action->trigger();
        EXPECT_EQ(m_packageOffered, a.package ? 3 : -1);
        ASSERT_EQ(shown.size(), 1u) << messages.lastText().toStdString();
        EXPECT_EQ(shown[0].fileName, m_reports->TemplatePath(QString::fromUtf8(a.templateName)));
        for (auto &answer : m_answers)
            EXPECT_TRUE(answer->ran());
        m_answers.clear();
    }
}

TEST_P(ReportsStat, ChargeOfAModuleMadeBeforeTheLogonCountsDaysTheEnginesWay)
{
    // At start the module is made before anyone logs on, so before the engine is known.
    std::unique_ptr<TDMR> dmr = m_data.makeDmr();
    TdmReports early(nullptr, dmr.get(), nullptr);
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
    SelectionPeriodFrom = QDate(2016, 3, 10);
    SelectionPeriodTo = QDate(2016, 3, 20);
    TKyv_ClientDataSet *sum = early.cdsRepCustSumLookup();
    sum->Open();
    std::map<int, double> got;
    for (sum->First(); !sum->Eof(); sum->Next())
        got[sum->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsInteger()]
            = sum->FieldByName(QStringLiteral("C_SUM"))->AsFloat();
    EXPECT_EQ(got, (std::map<int, double> { { 1, 155 }, { 2, 171 }, { 3, 160 }, { 4, 16 } }));
}

TEST_P(ReportsStat, LeapFebruaryMonthRunsToThe29th)
{
    answerMonth(2, 2016);
    answerPackage(-1);
    RunCommand(QStringLiteral("actReportDisactCustByMonth"));
    EXPECT_EQ(SelectionPeriodFrom, QDate(2016, 2, 1));
    EXPECT_EQ(SelectionPeriodTo, QDate(2016, 2, 29));
}

TEST_P(ReportsStat, CurrentStateCountsThePeriodsOpenAtTheStartAndTheEnd)
{
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    RunCommand(QStringLiteral("actReportMainState"));
    ASSERT_EQ(shown.size(), 1u) << messages.lastText().toStdString();
    EXPECT_EQ(shown[0].fileName, m_reports->TemplatePath(QStringLiteral("СтатОтчетЗаПериод.frf")));
    // Open on the 1st: 102, 103 and 105; on the 31st: 102 and the reconnected 104; their mean.
    EXPECT_EQ(csvRows(shown[0]),
        QStringList({ "Текущее состояние", "Подключено на 01.03.2016", "Подключено на 31.03.2016",
            "На начало;На конец;В среднем", "3;2;2.5" }));
    expectTextMatchesCsv(shown[0]);
    EXPECT_EQ(m_packageOffered, -1) << "the current state asks for no package";
}

TEST_P(ReportsStat, CancelledPeriodProcessesTheQueueAndShowsNothing)
{
    exec(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) values (2, '2016-03-01 00:00:00')"));
    SelectionPeriodFrom = QDate(2016, 1, 1);
    SelectionPeriodTo = QDate(2016, 1, 31);
    const QString before = m_reports->cdsRepNewActivCustomers()->CommandText();
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31), false);
    answerPackage(20); // the package is still asked for
    RunCommand(QStringLiteral("actReportNewConnectCustPayed"));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(
        m_dmr->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.INVALIDCUSTDEBT")).toInt(), 0)
        << "the debts were brought up to date first";
    EXPECT_EQ(SelectionPeriodFrom, QDate(2016, 1, 1));
    EXPECT_EQ(SelectionPeriodTo, QDate(2016, 1, 31));
    EXPECT_EQ(m_reports->cdsRepNewActivCustomers()->CommandText(), before);
    EXPECT_EQ(package(), 20) << "the package chosen stays for the next report";

    answerMonth(3, 2016, false);
    answerPackage(20);
    RunCommand(QStringLiteral("actReportDisactCustByMonth"));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(SelectionPeriodFrom, QDate(2016, 1, 1));

    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31), false);
    RunCommand(QStringLiteral("actReportMainState"));
    EXPECT_TRUE(shown.empty());
}

TEST_P(ReportsStat, PackagePickerAppearsOnlyWithMoreThanOnePackage)
{
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    answerPackage(20);
    RunCommand(QStringLiteral("actReportDisactCustByPeriod"));
    EXPECT_EQ(m_packageOffered, 3) << "\"Все\" and the two packages";
    EXPECT_EQ(m_packageDialog, QStringLiteral("В разрезе пакета услуг|Готово"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(csvRows(shown[0]).filter(QStringLiteral("Васильев")).size(), 1);
    EXPECT_EQ(csvRows(shown[0]).last(), QStringLiteral("Итого: 1"));

    // One package left at the top: no dialog, and the report keeps the package the filter record holds.
    exec(QStringLiteral("update ZOLT.SERV set CHILDSERV_ID = 10 where SERV_ID = 20"));
    setPackage(10);
    shown.clear();
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    RunCommand(QStringLiteral("actReportNewConnectCustALL"));
    QApplication::sendPostedEvents();
    EXPECT_EQ(activeModal<TfrmSelectRootServ>(), nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(csvRows(shown[0])[1].contains(QStringLiteral("\"Кабельное ТВ\" пакет услуг")));
    EXPECT_EQ(package(), 10);
}

TEST_P(ReportsStat, DebugModeOpensTheDesignerModallyInsteadOfThePreview)
{
    SetDebugMode(true);
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    answerPackage(-1);
    RunCommand(QStringLiteral("actReportNextTimeConnectedCust"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].designer);
    EXPECT_FALSE(shown[0].mdi);
    EXPECT_TRUE(shown[0].modal);
    EXPECT_EQ(shown[0].report, QStringLiteral("frRepNewActivCustomers"));
    EXPECT_EQ(shown[0].fileName, m_reports->TemplatePath(QStringLiteral("NextTimeConnected.frf")));
}

TEST_P(ReportsStat, DatasetErrorTravelsToTheCallerAndNothingIsShown)
{
    // The connection is lost after the period was asked for.
    m_answers.push_back(std::make_unique<ModalAnswer>([] { return activeModal<TfrmPeriod>() != nullptr; },
        [this] {
            m_dmr->DbLogOut();
            activeModal<TfrmPeriod>()->btnOk->click();
        }));
    EXPECT_THROW(RunCommand(QStringLiteral("actReportMainState")), std::exception);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(messages.requests.isEmpty()) << "the application's handler reports it, not the module";
}

TEST_P(ReportsStat, ConnectionsListInThePreviewForTheWindowsPicture)
{
    std::unique_ptr<TfrPreviewForm> form;
    frEngine().ShowPreparedHook = [&form](TfrReport &report) {
        form = std::make_unique<TfrPreviewForm>();
        form->AttachReport(&report);
        form->ApplyReportOptions();
        form->resize(900, 650);
        form->show();
    };
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    answerPackage(-1);
    RunCommand(QStringLiteral("actReportNewConnectCustALL"));
    ASSERT_TRUE(form);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->SetZoom(100);
    form->ResetView(true);
    const QImage image = form->PageBox->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 100;
    EXPECT_GT(dark, 500) << "the page shows its title and rows";
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form.get(), QStringLiteral("accounts-reports"), QSize(900, 650));
}

TEST_P(ReportsStat, MissingTemplateIsReportedAndNothingShown)
{
    QTemporaryDir empty;
    m_reports->SetTemplateFolder(empty.path());
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    RunCommand(QStringLiteral("actReportMainState"));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(messages.lastText(),
        QStringLiteral("Не найден шаблон отчета ") + empty.path() + QStringLiteral("/СтатОтчетЗаПериод.frf"));
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportsStat, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
