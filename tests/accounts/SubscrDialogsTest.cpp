// The subscription dialogs: which services are offered, what an activation checks before it talks to the CAS
// server, what it sends, and that rows are written only after the server said yes; the disconnection's date
// check, the history's deletes and the picker of one service for a selection. On both engines, with a fake CAS
// server on loopback.
#include "FakeCasServer.h"
#include "MainWindowScope.h"
#include "Screenshot.h"
#include "SubscrFixture.h"
#include "dmuSMS.h"
#include "frmuActSubscr.h"
#include "frmuDisactSubscr.h"
#include "frmuSelectActService.h"
#include "frmuSmartCards.h"
#include "frmuSubscrHistory.h"
#include "uCasPacket.h"
#include "uSubscr.h"
#include "uSubscrDialogKit.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "MemTable.h"

#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

using tarvik::test::FakeCasServer;

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

class SubscrDialogs : public SubscrCasFixture
{
protected:
    std::set<int> offered(const QString &statement, int cust)
    {
        std::set<int> ids;
        QSqlQuery q = m_dmr->dbConnection()->OpenQuery(statement, { { QStringLiteral("CUSTOMER_ID"), cust } });
        while (q.next())
            ids.insert(q.value(0).toInt());
        return ids;
    }

    int count(const QString &table, int cust)
    {
        return value(QStringLiteral("select count(*) from ZOLT.%1 where CUSTOMER_ID = %2").arg(table).arg(cust))
            .toInt();
    }

    // Sets the activation record and presses "Готово"; answers whether the dialog stayed open.
    static bool applyActivation(TfrmActSubscr *d, const std::function<void(TMemTable *)> &fill)
    {
        fill(d->mdTempDataSet);
        d->btnOk->click();
        return d->isVisible();
    }

    static void set(TMemTable *record, const char *field, const QVariant &v)
    {
        record->FieldByName(QString::fromLatin1(field))->SetValue(v);
    }
};

struct OfferCase
{
    const char *label;
    int tv, digital; // STATE_SGN of the customer's subscription of the package; -1 for none
    std::set<int> expected;
};

TEST_P(SubscrDialogs, OffersFirstConnectionsOfNewPackagesReconnectionsOfDisconnectedOnesAndNothingConnected)
{
    const OfferCase cases[] = {
        { "never connected", -1, -1, { 20, 22 } },
        { "tv connected", 1, -1, { 22 } },
        { "tv disconnected", 0, -1, { 21, 22 } },
        { "tv disconnected, digital connected", 0, 1, { 21 } },
        { "tv connected, digital disconnected", 1, 0, { 23 } },
        { "both connected", 1, 1, {} },
    };
    int cust = 0;
    for (const OfferCase &c : cases) {
        ++cust;
        customer(cust);
        if (c.tv >= 0)
            subscription(cust * 10, cust, 10, 20, QStringLiteral("2024-01-10"),
                c.tv ? QString() : QStringLiteral("2024-02-01"), c.tv);
        if (c.digital >= 0)
            subscription(cust * 10 + 1, cust, 11, 22, QStringLiteral("2024-01-10"),
                c.digital ? QString() : QStringLiteral("2024-02-01"), c.digital);
        EXPECT_EQ(offered(CustActLookUpStatement(false), cust), c.expected) << c.label;
        EXPECT_EQ(offered(CustActLookUpStatement(true), cust), c.expected) << c.label << " (the selection's picker)";
    }
}

TEST_P(SubscrDialogs, ACustomerConnectedToEveryPackageIsWarnedAndSeesNoDialog)
{
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    subscription(11, 1, 11, 22, QStringLiteral("2024-01-10"), {}, 1);
    openOn(1);
    auto shown = answer<TfrmActSubscr>([](TfrmActSubscr *) {});
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_FALSE(shown.ran());
    EXPECT_EQ(s(m_messages.lastText()), "Нет доступных услуг для подключения выбранного клиента");
}

TEST_P(SubscrDialogs, WithoutCasNoDigitalPackageIsOfferedNoCardControlIsShownAndNothingIsSent)
{
    m_sms = std::make_unique<TdmSMS>();
    ASSERT_TRUE(m_sms->connectCas(QStringLiteral("127.0.0.1"), m_server.portText()));
    AppSettings().useCAS = false;
    customer(1);
    linkCard(1);
    openOn(1);
    std::set<int> listed;
    bool cardControlsHidden = false;
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        for (d->cdsCustActLookUp->First(); !d->cdsCustActLookUp->Eof(); d->cdsCustActLookUp->Next())
            listed.insert(d->cdsCustActLookUp->FieldByName(QStringLiteral("SERV_ID"))->AsInteger());
        cardControlsHidden = d->chkDTV->isHidden() && d->dblcSmartCard->isHidden() && d->dtpContractTill->isHidden()
            && d->btnAppendSmartcart->isHidden();
        d->btnOk->click();
    });
    QDate date;
    EXPECT_TRUE(executeActivateSubscr(1, date));
    EXPECT_EQ(listed, std::set<int>({ 20 }));
    EXPECT_TRUE(cardControlsHidden);
    EXPECT_EQ(date, QDate(2024, 3, 15));
    EXPECT_EQ(value(QStringLiteral("select ACT_SERV_ID from ZOLT.SUBSCR_HIST where CUSTOMER_ID = 1")).toInt(), 20);
    EXPECT_TRUE(m_server.received().isEmpty());
}

struct DateCase
{
    QDate date;
    bool accepted;
};

TEST_P(SubscrDialogs, AStartDateBefore1980IsRefusedAndTheFirstOf1980Accepted)
{
    const DateCase cases[] = { { QDate(1979, 12, 31), false }, { QDate(1980, 1, 1), true } };
    int cust = 0;
    for (const DateCase &c : cases) {
        customer(++cust);
        openOn(cust);
        m_messages.requests.clear();
        bool stayedOpen = false;
        auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
            stayedOpen = applyActivation(d, [&](TMemTable *r) { set(r, "DATE_FROM", c.date); });
        });
        QDate date;
        EXPECT_EQ(executeActivateSubscr(cust, date), c.accepted) << s(c.date.toString());
        EXPECT_EQ(stayedOpen, !c.accepted);
        EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST"), cust), c.accepted ? 1 : 0);
        EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV"), cust), c.accepted ? 1 : 0);
        if (c.accepted)
            EXPECT_EQ(date, c.date);
        else
            EXPECT_EQ(s(m_messages.lastText()), "Не верная дата: 31.12.1979");
    }
}

struct RefusalCase
{
    const char *label;
    QVariant dateFrom, contractTill, card;
    const char *message;
};

TEST_P(SubscrDialogs, ADigitalActivationWithoutDatesOrCardIsRefusedBeforeAnyCasRequest)
{
    connectCas();
    customer(1);
    linkCard(1);
    openOn(1);
    const QVariant till = QDateTime(QDate(2024, 4, 30), QTime(0, 0));
    const RefusalCase cases[] = {
        { "no end date", QDate(2024, 3, 15), QVariant(), 100, "Не выбрана конечная дата" },
        { "no card", QDate(2024, 3, 15), till, 0, "Не выбрана смарткарта" },
        { "no start date", QVariant(), till, 100, "Не выбрана начальная дата" },
    };
    for (const RefusalCase &c : cases) {
        m_messages.requests.clear();
        bool stayedOpen = false;
        auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
            stayedOpen = applyActivation(d, [&](TMemTable *r) {
                set(r, "ACT_SERV_ID", 22);
                set(r, "DATE_FROM", c.dateFrom);
                set(r, "CONTRACT_TILL", c.contractTill);
                set(r, "SMARTCARD_ID", c.card);
            });
        });
        QDate date;
        EXPECT_FALSE(executeActivateSubscr(1, date)) << c.label;
        EXPECT_TRUE(stayedOpen) << c.label;
        EXPECT_EQ(s(m_messages.lastText()), c.message) << c.label;
    }
    EXPECT_TRUE(m_server.received().isEmpty());
    EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST"), 1), 0);
}

TEST_P(SubscrDialogs, ADigitalActivationSendsThePackagesOwnCodeAndWritesItsRowsAfterTheServerAgreed)
{
    connectCas();
    customer(1);
    linkCard(1);
    openOn(1);
    m_server.reply(FakeCasServer::replyWith("S000"));
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        applyActivation(d, [&](TMemTable *r) {
            set(r, "ACT_SERV_ID", 22);
            set(r, "CONTRACT_TILL", QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
        });
    });
    QDate date;
    ASSERT_TRUE(executeActivateSubscr(1, date));
    ASSERT_EQ(m_server.requests().size(), 1);
    EXPECT_EQ(m_server.requests().first().toStdString(),
        "0015003100010301"
        "0001234567"
        "A"
        "000077"
        "20240315"
        "20240430");
    QSqlQuery q = m_dmr->dbConnection()->OpenQuery(QStringLiteral(
        "select SH.SERV_ID, SH.ACT_SERV_ID, SH.SMARTCARD_ID, SH.CONTRACT_TILL, SH.DATE_FROM, SS.STATE_SGN "
        "from ZOLT.SUBSCR_HIST SH join ZOLT.SUBSCR_SERV SS on SS.SUBSCR_SERV_ID = SH.SUBSCR_SERV_ID "
        "where SH.CUSTOMER_ID = 1"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), 11);
    EXPECT_EQ(q.value(1).toInt(), 22);
    EXPECT_EQ(q.value(2).toInt(), 100);
    EXPECT_EQ(q.value(3).toDateTime().date(), QDate(2024, 4, 30));
    EXPECT_EQ(q.value(4).toDateTime().date(), QDate(2024, 3, 15));
    EXPECT_EQ(q.value(5).toInt(), 1);
    EXPECT_FALSE(q.next());
}

struct ExchangeCase
{
    const char *label;
    std::function<void(FakeCasServer &)> script;
    const char *message;
};

TEST_P(SubscrDialogs, ARefusalATimeOutAClosedSocketOrNoConnectionWriteNothingAndKeepTheDialogOpen)
{
    const ExchangeCase cases[] = {
        { "refusal", [](FakeCasServer &f) { f.reply(FakeCasServer::replyWith("E201")); },
            "Ошибка активации карты\rE201 - Invalid smartcard number" },
        { "time-out", [](FakeCasServer &f) { f.silence(); }, "Ошибка активации карты\runknown response code:" },
        { "closed socket", [](FakeCasServer &f) { f.closeOnRequest(); },
            "Ошибка активации карты\runknown response code:" },
    };
    customer(1);
    linkCard(1);
    openOn(1);
    for (const ExchangeCase &c : cases) {
        connectCas();
        c.script(m_server);
        m_messages.requests.clear();
        bool stayedOpen = false;
        auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
            stayedOpen = applyActivation(d, [&](TMemTable *r) {
                set(r, "ACT_SERV_ID", 22);
                set(r, "CONTRACT_TILL", QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
            });
        });
        QDate date;
        EXPECT_FALSE(executeActivateSubscr(1, date)) << c.label;
        EXPECT_TRUE(stayedOpen) << c.label;
        EXPECT_EQ(s(m_messages.lastText()), c.message) << c.label;
        EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST"), 1), 0) << c.label;
        EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV"), 1), 0) << c.label;
    }

    const int before = m_server.requests().size();
    m_sms->closeCas();
    m_messages.requests.clear();
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        applyActivation(d, [&](TMemTable *r) {
            set(r, "ACT_SERV_ID", 22);
            set(r, "CONTRACT_TILL", QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
        });
    });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_EQ(s(m_messages.lastText()), "CAS connection error");
    EXPECT_EQ(m_server.requests().size(), before);
    EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST"), 1), 0);
}

TEST_P(SubscrDialogs, CancellingTheActivationWritesNothing)
{
    customer(1);
    openOn(1);
    auto dialog = answer<TfrmActSubscr>([](TfrmActSubscr *d) { d->btnCancel->click(); });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_TRUE(dialog.ran());
    EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV"), 1), 0);
}

TEST_P(SubscrDialogs, ADisconnectionBeforeThePeriodBeganIsRefusedAndAnotherDateClosesThePeriod)
{
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-02-10"), {}, 1);
    openOn(1);
    const QString stored = QStringLiteral("select DATE_TO from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID = 10");
    bool stayedOpen = false;
    auto refused = answer<TfrmDisactSubscr>([&](TfrmDisactSubscr *d) {
        set(d->mdTempDataSet, "DATE_FROM", QDate(2024, 2, 9));
        d->btnOk->click();
        stayedOpen = d->isVisible();
    });
    QDate date;
    EXPECT_FALSE(executeDisactivateSubscr(date));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(s(m_messages.lastText()), "Не верная дата: 09.02.2024");
    EXPECT_EQ(value(stored).toDateTime().date(), QDate(4712, 12, 31));

    auto accepted = answer<TfrmDisactSubscr>([&](TfrmDisactSubscr *d) {
        set(d->mdTempDataSet, "DATE_FROM", QDate(2024, 2, 10));
        d->btnOk->click();
    });
    EXPECT_TRUE(executeDisactivateSubscr(date));
    EXPECT_EQ(date, QDate(2024, 2, 10));
    EXPECT_EQ(m_other->dbConnection()->SelectValue(stored).toDateTime().date(), QDate(2024, 2, 10));
    EXPECT_EQ(
        value(QStringLiteral("select DISACT_SERV_ID from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID = 10")).toInt(), 40);
}

TEST_P(SubscrDialogs, DeletingASubscriptionsHistoryRemovesThatSubscriptionOnlyAndOnlyOnYes)
{
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    subscription(11, 1, 11, 22, QStringLiteral("2024-01-10"), {}, 1);
    openOn(1);
    TKyv_ClientDataSet *serv = m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServ"));
    bool changedAfterNo = true;
    auto window = answer<TfrmSubscrHistory>([&](TfrmSubscrHistory *w) {
        ASSERT_TRUE(serv->Locate(QStringLiteral("SUBSCR_SERV_ID"), 10));
        m_messages.answer(mrNo);
        w->actDeleteServExecute();
        changedAfterNo = w->Changed();
        ASSERT_TRUE(serv->Locate(QStringLiteral("SUBSCR_SERV_ID"), 10));
        m_messages.answer(mrYes);
        w->actDeleteServExecute();
        w->btnOk->click();
    });
    EXPECT_TRUE(executeSubscrHistory());
    EXPECT_FALSE(changedAfterNo);
    EXPECT_EQ(s(m_messages.requests.first().text), "Удалить всю информацию по истории подключений услуги \"ТВ\" ?");
    EXPECT_EQ(m_other->dbConnection()
                  ->SelectValue(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST where SUBSCR_SERV_ID = 10"))
                  .toInt(),
        0);
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.SUBSCR_SERV where SUBSCR_SERV_ID = 10")).toInt(), 0);
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST where SUBSCR_SERV_ID = 11")).toInt(), 1);
}

TEST_P(SubscrDialogs, DeletingOnePeriodAsksWithItsConnectionAndRemovesThatPeriodOnly)
{
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), QStringLiteral("2024-02-01"), 0);
    exec(
        QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, "
                       "DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (12, 1, 10, 10, '2024-02-10 00:00:00', "
                       "'4712-12-31 00:00:00', 21, -1)"));
    openOn(1);
    TKyv_ClientDataSet *hist = m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServHist"));
    auto window = answer<TfrmSubscrHistory>([&](TfrmSubscrHistory *w) {
        ASSERT_TRUE(hist->Locate(QStringLiteral("SUBSCR_HIST_ID"), 12));
        m_messages.answer(mrYes);
        w->actDeleteHistExecute();
        w->btnOk->click();
    });
    EXPECT_TRUE(executeSubscrHistory());
    EXPECT_EQ(s(m_messages.lastText()), "Удалить запись по истории подключения услуги \"Переподключение ТВ\" ?");
    EXPECT_EQ(m_other->dbConnection()
                  ->SelectValue(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST where SUBSCR_SERV_ID = 10"))
                  .toInt(),
        1);
    EXPECT_EQ(value(QStringLiteral("select SUBSCR_HIST_ID from ZOLT.SUBSCR_HIST")).toInt(), 10);
}

TEST_P(SubscrDialogs, ThePickerForASelectionAnswersTheServiceItsPackageTheDateAndTheKind)
{
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), QStringLiteral("2024-02-01"), 0);
    auto dialog = answer<TfrmSelectActService>([](TfrmSelectActService *d) {
        set(d->mdTempDataSet, "ACT_SERV_ID", 21);
        set(d->mdTempDataSet, "DATE_FROM", QDate(2024, 3, 5));
        d->btnOk->click();
    });
    QVariant actServ, serv;
    QDate date;
    bool first = true;
    ASSERT_TRUE(executeSelectActService(1, actServ, serv, date, first));
    EXPECT_EQ(actServ.toInt(), 21);
    EXPECT_EQ(serv.toInt(), 10);
    EXPECT_EQ(date, QDate(2024, 3, 5));
    EXPECT_FALSE(first);
}

TEST_P(SubscrDialogs, WithEnterAsTabEnterOnTheServiceListMovesOnWithoutClosing)
{
    AppSettings().enterToTab = true;
    customer(1);
    openOn(1);
    QWidget *focusAfter = nullptr;
    bool stayedOpen = false;
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        d->activateWindow();
        d->dblcActServ->setFocus();
        QTest::keyClick(d->dblcActServ, Qt::Key_Return);
        focusAfter = d->focusWidget();
        stayedOpen = d->isVisible();
    });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_TRUE(stayedOpen);
    EXPECT_NE(focusAfter, nullptr);
    EXPECT_NE(focusAfter, static_cast<QWidget *>(frmActSubscr ? frmActSubscr->dblcActServ : nullptr));
    EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV"), 1), 0);
}

TEST_P(SubscrDialogs, AnActivationTheDatabaseRefusesLeavesNoSubscriptionWithoutItsPeriodAndTheDialogOpen)
{
    customer(1);
    customers()->Open();
    ASSERT_TRUE(customers()->Locate(QStringLiteral("CUSTOMER_ID"), 1));
    auto owner = m_data.makeDmr();
    owner->DbLogON(TDMR::SchemaOwner, TDMR::SchemaOwnerPassword, QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.SUBSCR_HIST rename to SUBSCR_AWAY"));
    bool stayedOpen = false;
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        d->btnOk->click();
        stayedOpen = d->isVisible();
    });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.SUBSCR_AWAY rename to SUBSCR_HIST"));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(s(m_messages.lastText()), "Подключение не записано: база данных отказала в записи.");
    EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV"), 1), 0);
}

TEST_P(SubscrDialogs, TheCardButtonLinksAFreeCardFromTheGuideAsTheCustomersMainCard)
{
    connectCas();
    exec(QStringLiteral("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE, DTV_PROVIDER_ID) "
                        "values (101, '7654321', 1, 1)"));
    customer(1);
    linkCard(1);
    openOn(1);
    auto guide = answer<TfrmSmartCards>([](TfrmSmartCards *g) {
        ASSERT_TRUE(g->cdsSmartCard->Locate(QStringLiteral("SMARTCARD_ID"), 101));
        g->actMrOkExecute();
    });
    QVariant chosen;
    QString shown;
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        set(d->mdTempDataSet, "ACT_SERV_ID", 22);
        d->actAppendSmartcart->trigger();
        chosen = RecordValue(d->mdTempDataSet, "SMARTCARD_ID");
        shown = d->dblcSmartCard->Text();
    });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_TRUE(guide.ran());
    EXPECT_EQ(chosen.toInt(), 101);
    EXPECT_EQ(s(shown), "7654321");
    EXPECT_EQ(value(QStringLiteral("select IS_MAIN from ZOLT.CUSTOMER_SMARTCARDS where CUSTOMER_ID = 1 "
                                   "and SMARTCARD_ID = 101"))
                  .toInt(),
        1);
    EXPECT_EQ(value(QStringLiteral("select IS_MAIN from ZOLT.CUSTOMER_SMARTCARDS where CUSTOMER_ID = 1 "
                                   "and SMARTCARD_ID = 100"))
                  .toInt(),
        0);
}

TEST_P(SubscrDialogs, MinimisingThePickerTakesTheProgramDownAndActivatingItBringsItBack)
{
    customer(1);
    tarvik::test::MainWindowScope scope;
    scope.main()->show();
    bool mainDown = false, mainBack = false;
    auto dialog = answer<TfrmSelectActService>([&](TfrmSelectActService *d) {
        d->setWindowState(Qt::WindowMinimized);
        mainDown = scope.main()->windowState().testFlag(Qt::WindowMinimized);
        d->setWindowState(Qt::WindowNoState);
        d->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(d, &activation);
        mainBack = !scope.main()->windowState().testFlag(Qt::WindowMinimized);
    });
    QVariant actServ, serv;
    QDate date;
    bool first = false;
    EXPECT_FALSE(executeSelectActService(1, actServ, serv, date, first));
    EXPECT_TRUE(mainDown);
    EXPECT_TRUE(mainBack);
}

TEST_P(SubscrDialogs, TheCardControlsAreEnabledOnlyForADigitalPackage)
{
    connectCas();
    customer(1);
    linkCard(1);
    openOn(1);
    std::map<int, bool> enabled;
    auto dialog = answer<TfrmActSubscr>([&](TfrmActSubscr *d) {
        for (const int service : { 20, 22, 20 }) {
            set(d->mdTempDataSet, "ACT_SERV_ID", service);
            enabled[service] = d->dblcSmartCard->isEnabled() && d->dtpContractTill->isEnabled()
                && d->actAppendSmartcart->isEnabled();
            EXPECT_EQ(d->chkDTV->Checked(), service == 22) << service;
        }
    });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_EQ(enabled, (std::map<int, bool> { { 20, false }, { 22, true } }));
}

TEST_P(SubscrDialogs, Screenshot)
{
    connectCas();
    customer(1);
    linkCard(1);
    openOn(1);
    auto dialog = answer<TfrmActSubscr>([this](TfrmActSubscr *d) {
        set(d->mdTempDataSet, "ACT_SERV_ID", 22);
        set(d->mdTempDataSet, "CONTRACT_TILL", QDateTime(QDate(2024, 4, 30), QTime(0, 0)));
        if (GetParam() == TestEngine::SQLite)
            tarvik::test::SaveScreenshot(d, QStringLiteral("accounts-activate-subscr"), QSize(460, 300));
    });
    QDate date;
    EXPECT_FALSE(executeActivateSubscr(1, date));
    EXPECT_TRUE(dialog.ran());
}

INSTANTIATE_TEST_SUITE_P(
    Subscr, SubscrDialogs, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
