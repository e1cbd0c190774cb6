// The card's actions on a subscriber's accounting: which recalculation a connection or a disconnection runs for
// its date, with the balances a full recalculation would write; the whole list recalculated from the current
// row and committed; a list connected at once, sparing who has the package; the CAS block of a disconnection.
// On both engines.
#include "FakeCasServer.h"
#include "SubscrFixture.h"
#include "dmuSMS.h"
#include "frmuActSubscr.h"
#include "frmuDisactSubscr.h"
#include "frmuSelectActService.h"
#include "frmuSubscrHistory.h"
#include "uSubscrActions.h"

#include "MemTable.h"
#include "ScreenCursor.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

using tarvik::test::FakeCasServer;

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

class CardActions : public SubscrFixture
{
protected:
    // Customer 1 has had the TV package since 10 January and is calculated up to the open month; the balance of
    // 1 February is then spoiled, so that a run that rewrites it shows.
    void calculatedCustomer()
    {
        customer(1);
        subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
        fullRecalc(1);
        spoilFebruary();
    }
    void spoilFebruary()
    {
        exec(QStringLiteral(
            "update ZOLT.PAY_ACCOUNT set DEBT_SUM = 999 where CUSTOMER_ID = 1 and REL_DATE = '2024-02-01 00:00:00'"));
    }
    double february() { return payAccount(1).at(QStringLiteral("2024-02-01")); }

    static void set(TMemTable *record, const char *field, const QVariant &v)
    {
        record->FieldByName(QString::fromLatin1(field))->SetValue(v);
    }
};

struct RecalcCase
{
    const char *label;
    QDate date;
    bool fromTheStart; // the whole accounting written again (the spoiled February row among it)
};

TEST_P(CardActions, AConnectionRecalculatesTheOpenMonthForDatesInItAndEverythingForEarlierOnes)
{
    const RecalcCase cases[] = {
        { "empty date", QDate(), false },
        { "open month's first day", QDate(2024, 3, 1), false },
        { "middle of the open month", QDate(2024, 3, 15), false },
        { "earlier month", QDate(2024, 2, 10), true },
        { "earlier year", QDate(2023, 12, 20), true },
    };
    calculatedCustomer();
    for (const RecalcCase &c : cases) {
        exec(QStringLiteral("delete from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID = 11"));
        exec(QStringLiteral("delete from ZOLT.SUBSCR_SERV where SUBSCR_SERV_ID = 11"));
        fullRecalc(1);
        spoilFebruary();
        ASSERT_TRUE(
            m_dmr->ActivateSubscr(true, 1, false, 0, 11, 22, QDate(), c.date.isValid() ? c.date : QDate(2024, 3, 1)));
        openOn(1);
        RecalcAfterActivation(c.date);
        m_dm->CommitWork();
        const auto after = payAccount(1);
        const auto full = fullRecalc(1);
        for (const auto &[date, sum] : full) {
            if (date == QStringLiteral("2024-02-01") && !c.fromTheStart)
                EXPECT_EQ(after.at(date), 999) << c.label << ": a closed month is left alone";
            else
                EXPECT_DOUBLE_EQ(after.at(date), sum) << c.label << " " << s(date);
        }
        EXPECT_EQ(after.size(), full.size()) << c.label;
    }
}

TEST_P(CardActions, ADisconnectionRecalculatesOneMonthOnlyWhenItEndsOnTheOpenMonthsFirstDay)
{
    const RecalcCase cases[] = {
        { "open month's first day", QDate(2024, 3, 1), false },
        { "middle of the open month", QDate(2024, 3, 15), true },
        { "earlier month", QDate(2024, 2, 10), true },
    };
    for (const RecalcCase &c : cases) {
        exec(QStringLiteral("delete from ZOLT.SUBSCR_HIST"));
        exec(QStringLiteral("delete from ZOLT.SUBSCR_SERV"));
        exec(QStringLiteral("delete from ZOLT.PAY_ACCOUNT"));
        exec(QStringLiteral("delete from ZOLT.CUSTOMER"));
        calculatedCustomer();
        exec(QStringLiteral("update ZOLT.SUBSCR_HIST set DATE_TO = '%1 00:00:00', DISACT_SERV_ID = 40")
                 .arg(c.date.toString(Qt::ISODate)));
        openOn(1);
        RecalcAfterDisactivation(c.date);
        m_dm->CommitWork();
        const auto after = payAccount(1);
        const auto full = fullRecalc(1);
        for (const auto &[date, sum] : full) {
            if (date == QStringLiteral("2024-02-01") && !c.fromTheStart)
                EXPECT_EQ(after.at(date), 999) << c.label;
            else
                EXPECT_DOUBLE_EQ(after.at(date), sum) << c.label << " " << s(date);
        }
    }
}

TEST_P(CardActions, ConnectingThroughTheCardWritesTheBalancesAFullRecalculationWould)
{
    customer(1);
    openOn(1);
    auto dialog = answer<TfrmActSubscr>([](TfrmActSubscr *d) {
        set(d->mdTempDataSet, "DATE_FROM", QDate(2024, 3, 10));
        d->btnOk->click();
    });
    ASSERT_TRUE(ConnectCustomerService());
    const auto after = payAccount(1);
    const QVariant debt = m_other->dbConnection()->SelectValue(
        QStringLiteral("select DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = 1"));
    EXPECT_EQ(after, fullRecalc(1));
    EXPECT_DOUBLE_EQ(
        debt.toDouble(), value(QStringLiteral("select DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = 1")).toDouble());
    EXPECT_GT(debt.toDouble(), 0) << "22 days of March at 31 and the connection are owed";
    EXPECT_EQ(customers()->FieldByName(QStringLiteral("CUST_STATE"))->AsInteger(), 1)
        << "the card shows the customer connected";
}

TEST_P(CardActions, DisconnectingAServiceNotConnectedOnlySaysSo)
{
    customer(1);
    subscription(10, 1, 10, 20, QStringLiteral("2024-01-10"), QStringLiteral("2024-02-01"), 0);
    openOn(1);
    auto dialog = answer<TfrmDisactSubscr>([](TfrmDisactSubscr *) {});
    EXPECT_FALSE(DisconnectCustomerService());
    EXPECT_FALSE(dialog.ran());
    EXPECT_EQ(s(m_messages.lastText()), "Уже отключен");
}

struct BlockCase
{
    const char *label;
    bool connected;
    const char *reply; // null: no request expected
    const char *message; // null: no box
};

TEST_P(CardActions, DisconnectingADigitalPackageSendsTheBlockAndKeepsTheDisconnectionWhateverTheServerSays)
{
    const BlockCase cases[] = {
        { "accepted", true, "S000", nullptr },
        { "refused", true, "E999", "Ошибка деактивации карты\rE999 - Other errors such as database error" },
        { "no connection", false, nullptr, "CAS connection error" },
    };
    AppSettings().useCAS = true;
    customer(1);
    linkCard(1);
    int hist = 10;
    for (const BlockCase &c : cases) {
        FakeCasServer server;
        TdmSMS sms;
        ASSERT_TRUE(sms.connectCas(QStringLiteral("127.0.0.1"), server.portText()));
        if (!c.connected)
            sms.closeCas();
        ++hist;
        subscription(hist, 1, 11, 22, QStringLiteral("2024-01-10"), {}, 1, QStringLiteral("100"));
        openOn(1);
        ASSERT_TRUE(
            m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServ"))->Locate(QStringLiteral("SUBSCR_SERV_ID"), hist));
        if (c.reply)
            server.reply(FakeCasServer::replyWith(c.reply));
        m_messages.requests.clear();
        auto dialog = answer<TfrmDisactSubscr>([](TfrmDisactSubscr *d) {
            set(d->mdTempDataSet, "DATE_FROM", QDate(2024, 3, 1));
            d->btnOk->click();
        });
        EXPECT_TRUE(DisconnectCustomerService()) << c.label;
        if (c.reply) {
            ASSERT_EQ(server.requests().size(), 1) << c.label;
            EXPECT_EQ(server.requests().first().toStdString(),
                "0015002100010302"
                "0001234567"
                "A"
                "000077");
        } else {
            EXPECT_TRUE(server.received().isEmpty()) << c.label;
        }
        const bool boxed = std::any_of(m_messages.requests.begin(), m_messages.requests.end(),
            [&](const MessageRequest &r) { return c.message && s(r.text) == c.message; });
        EXPECT_EQ(boxed, c.message != nullptr) << c.label;
        EXPECT_EQ(m_other->dbConnection()
                      ->SelectValue(
                          QStringLiteral("select DATE_TO from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID = %1").arg(hist))
                      .toDateTime()
                      .date(),
            QDate(2024, 3, 1))
            << c.label;
        exec(QStringLiteral("delete from ZOLT.SUBSCR_HIST"));
        exec(QStringLiteral("delete from ZOLT.SUBSCR_SERV"));
    }
}

TEST_P(CardActions, RecalculatingAllFromTheTenthRowCommitsTheTenthToTheLastForOthersToSee)
{
    for (int id = 1; id <= 12; ++id) {
        customer(id);
        subscription(100 + id, id, 10, 20, QStringLiteral("2024-01-10"), {}, 0);
    }
    exec(QStringLiteral("update ZOLT.CUSTOMER set DEBT_SUM = 999, CUST_STATE = 0"));
    TKyv_ClientDataSet *c = customers();
    c->Open();
    c->SetRecNo(10);
    ASSERT_EQ(c->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsInteger(), 10);
    RecalcListedCustomers(true);
    for (int id = 1; id <= 12; ++id) {
        const QVariant debt = m_other->dbConnection()->SelectValue(
            QStringLiteral("select DEBT_SUM from ZOLT.CUSTOMER where CUSTOMER_ID = %1").arg(id));
        const QVariant state = m_other->dbConnection()->SelectValue(
            QStringLiteral("select STATE_SGN from ZOLT.SUBSCR_SERV where CUSTOMER_ID = %1").arg(id));
        if (id < 10) {
            EXPECT_DOUBLE_EQ(debt.toDouble(), 999) << id;
            EXPECT_EQ(state.toInt(), 0) << id;
        } else {
            EXPECT_NE(debt.toDouble(), 999) << id;
            EXPECT_EQ(state.toInt(), 1) << id;
        }
    }
}

TEST_P(CardActions, ConnectingTheWholeListSparesTheCustomerWhoHasThePackageAndContinuesADisconnectedOne)
{
    for (int id = 1; id <= 4; ++id)
        customer(id);
    subscription(20, 2, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    subscription(40, 4, 10, 20, QStringLiteral("2024-01-10"), QStringLiteral("2024-02-01"), 0);
    customers()->Open();
    auto dialog = pickActivation(20, QDate(2024, 3, 1));
    ConnectListedCustomers();
    EXPECT_TRUE(dialog.ran());
    const auto periods = [this](int id) {
        return m_other->dbConnection()
            ->SelectValue(
                QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST where CUSTOMER_ID = %1 and SERV_ID = 10").arg(id))
            .toInt();
    };
    for (int id = 1; id <= 4; ++id) {
        EXPECT_EQ(periods(id), id == 4 ? 2 : 1) << id;
        EXPECT_EQ(
            value(QStringLiteral("select count(*) from ZOLT.SUBSCR_SERV where CUSTOMER_ID = %1").arg(id)).toInt(), 1)
            << id << ": one subscription a package";
    }
    EXPECT_EQ(value(QStringLiteral("select DATE_FROM from ZOLT.SUBSCR_HIST where CUSTOMER_ID = 2")).toDateTime().date(),
        QDate(2024, 1, 10));
    EXPECT_EQ(value(QStringLiteral("select DATE_FROM from ZOLT.SUBSCR_HIST where CUSTOMER_ID = 3")).toDateTime().date(),
        QDate(2024, 3, 1));
    EXPECT_EQ(value(QStringLiteral("select STATE_SGN from ZOLT.SUBSCR_SERV where CUSTOMER_ID = 4")).toInt(), 1);
    EXPECT_EQ(payAccount(3), fullRecalc(3)) << "each connected customer is recalculated";
}

TEST_P(CardActions, ClearingTheListsHistoryAsksTwiceAndRemovesEverySubscription)
{
    for (int id = 1; id <= 2; ++id) {
        customer(id);
        subscription(10 + id, id, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    }
    customers()->Open();
    m_messages.answer(mrYes);
    m_messages.answer(mrNo);
    ClearListedHistory();
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST")).toInt(), 2);
    m_messages.answer(mrYes);
    m_messages.answer(mrYes);
    ClearListedHistory();
    EXPECT_EQ(m_other->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.SUBSCR_HIST")).toInt(), 0);
    EXPECT_EQ(m_other->dbConnection()->SelectValue(QStringLiteral("select count(*) from ZOLT.SUBSCR_SERV")).toInt(), 0);
}

struct StartCase
{
    const char *label;
    QVariant contract, activiz;
    QDate expected;
};

TEST_P(CardActions, OneCustomersRecalculationStartsAtTheEarlierOfContractAndFirstConnection)
{
    const QVariant none;
    const StartCase cases[] = {
        { "never connected", QDate(2024, 1, 10), none, QDate(2024, 1, 10) },
        { "contract first", QDate(2024, 1, 10), QDate(2024, 1, 20), QDate(2024, 1, 10) },
        { "connected first", QDate(2024, 2, 1), QDate(2024, 1, 20), QDate(2024, 1, 20) },
        { "same day", QDate(2024, 1, 20), QDate(2024, 1, 20), QDate(2024, 1, 20) },
        { "no contract date", none, QDate(2024, 1, 20), QDate(2024, 3, 1) },
    };
    for (const StartCase &c : cases)
        EXPECT_EQ(RecalcStartDate(c.contract, c.activiz, QDate(2024, 3, 1)), c.expected) << c.label;
}

TEST_P(CardActions, RecalculatingOneCustomerRewritesItsBalancesAndStateAndMentionsALateContract)
{
    calculatedCustomer();
    exec(QStringLiteral("update ZOLT.CUSTOMER set CONTRACT_DATE = '2024-02-01 00:00:00', "
                        "ACTIVIZ_DATE = '2024-01-10 00:00:00', CUST_STATE = 0, DEBT_SUM = 999"));
    openOn(1);
    RecalcCustomerDebt();
    EXPECT_EQ(s(m_messages.lastText()), "Дата договора > даты первичного подключения.");
    EXPECT_NE(february(), 999);
    const auto after = payAccount(1);
    EXPECT_EQ(after, fullRecalc(1));
    EXPECT_EQ(m_other->dbConnection()
                  ->SelectValue(QStringLiteral("select CUST_STATE from ZOLT.CUSTOMER where CUSTOMER_ID = 1"))
                  .toInt(),
        1);
    EXPECT_NE(customers()->FieldByName(QStringLiteral("DEBT_SUM"))->AsFloat(), 999) << "the list is read again";
}

TEST_P(CardActions, AnActionThatFailsGivesTheCursorAndTheListBackAndLetsTheErrorTravelOn)
{
    for (int id = 1; id <= 2; ++id) {
        customer(id);
        subscription(10 + id, id, 10, 20, QStringLiteral("2024-01-10"), {}, 1);
    }
    customers()->Open();
    auto owner = m_data.makeDmr();
    owner->DbLogON(TDMR::SchemaOwner, TDMR::SchemaOwnerPassword, QStringLiteral("TEST"));
    ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.SUBSCR_HIST rename to SUBSCR_AWAY"));
    m_messages.answer(mrYes);
    m_messages.answer(mrYes);
    EXPECT_ANY_THROW(ClearListedHistory());
    owner->dbConnection()->Execute(QStringLiteral("alter table ZOLT.SUBSCR_AWAY rename to SUBSCR_HIST"));
    EXPECT_FALSE(customers()->ControlsDisabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_P(CardActions, TheHistoryWindowIsFollowedByTheCustomersFullRecalculation)
{
    calculatedCustomer();
    exec(QStringLiteral("update ZOLT.CUSTOMER set CUST_STATE = 0"));
    openOn(1);
    auto window = answer<TfrmSubscrHistory>([](TfrmSubscrHistory *w) { w->btnOk->click(); });
    EditCustomerHistory();
    EXPECT_TRUE(window.ran());
    EXPECT_NE(february(), 999) << "the spoiled month is written again";
    EXPECT_EQ(payAccount(1), fullRecalc(1));
    EXPECT_EQ(customers()->FieldByName(QStringLiteral("CUST_STATE"))->AsInteger(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    CardActions, CardActions, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
