#include "ReportsFixture.h"

#include "DBLookupEh.h"
#include "MemTable.h"
#include "ModalAnswer.h"
#include "frmuPeriod.h"
#include "frmuSelectMonth.h"
#include "frmuSelectRootServ.h"
#include "uAccounts.h"
#include "uStatReports.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QSpinBox>

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
            {10, "Кабельное ТВ", 0, 0, 310},      {20, "Цифровое ТВ", 0, 0, 290},
            {11, "Подключение льготное", 2, 10, 0}, {12, "Подключение", 2, 10, 50},
            {21, "Подключение ЦТВ", 2, 20, 30},    {13, "Повторное подключение", 3, 10, 20},
            {14, "Отключение", 4, 10, 0},          {15, "Отключение за долг", 5, 10, 0},
            {24, "Отключение ЦТВ", 4, 20, 0},
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
        const char *names[] = {"Абрамов", "Борисов", "Васильев", "Григорьев", "Дмитриев"};
        const char *initials[] = {"А.А.", "Б.Б.", "В.В.", "Г.Г.", "Д.Д."};
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
            {1, 1, 10, "2016-03-10", "2016-03-19", 11, 14}, {2, 2, 10, "2016-03-01", "2016-03-31", 12, 14},
            {3, 3, 20, "2016-02-15", "2016-03-25", 21, 24}, {4, 4, 10, "2015-06-01", "2016-01-31", 12, 15},
            {5, 4, 10, "2016-03-20", "4712-12-31", 13, -1}, {6, 5, 10, "2016-02-29", "2016-03-05", 11, 15},
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
        m_answers.push_back(std::make_unique<ModalAnswer>(
            [] { return activeModal<TfrmSelectRootServ>() != nullptr; },
            [this, package] {
                TfrmSelectRootServ *d = activeModal<TfrmSelectRootServ>();
                m_packageOffered = d->lcbServ->ListSource()->DataSet()->RecordCount();
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
};

TEST_P(ReportsStat, Probe)
{
    answerPeriod(QDate(2016, 3, 1), QDate(2016, 3, 31));
    answerPackage(-1);
    RunCommand(QStringLiteral("actReportNewConnectCustALL"));
    ASSERT_EQ(shown.size(), 1u);
    for (const QString &l : shown[0].text)
        std::printf("T|%s\n", qPrintable(l));
    for (const QString &l : shown[0].csv)
        std::printf("C|%s\n", qPrintable(l));
    std::printf("%s\n", qPrintable(messages.lastText()));
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Reports, ReportsStat, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);
