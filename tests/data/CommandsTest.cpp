#include "DataFixture.h"

#include "SqliteFunctions.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <gtest/gtest.h>

namespace {

class CommandsTest : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        m_fixture = std::make_unique<DataFixture>(GetParam());
        // A missing database peer is a failure that names ./test, never a skip.
        ASSERT_TRUE(m_fixture->isValid()) << m_fixture->error().toStdString();
        m_dmr = m_fixture->makeReadyDmr();
        ASSERT_TRUE(m_dmr->Get_DatabaseConnectStatus());
    }

    void exec(const QString &sql, const TParams &params = {}) { m_dmr->dbConnection()->Execute(sql, params); }

    // Structure changes need the schema owner: how a failing statement is brought about.
    void execAsOwner(const QString &sql)
    {
        auto owner = m_fixture->makeDmr();
        owner->DbLogON(QString::fromLatin1(TDMR::SchemaOwner), QString::fromLatin1(TDMR::SchemaOwnerPassword),
                       QStringLiteral("TEST"));
        ASSERT_TRUE(owner->Get_DatabaseConnectStatus());
        owner->dbConnection()->Execute(sql);
        owner->DbLogOut();
    }

    QVariant value(const QString &sql, const TParams &params = {})
    {
        return m_dmr->dbConnection()->SelectValue(sql, params);
    }

    int count(const QString &table, const QString &condition = {})
    {
        return m_dmr->GetRecordsCount(table, condition);
    }

    // Rows as text, one per row, columns joined by "|"; dates as dd.MM.yyyy (hh:mm when not midnight).
    QStringList rows(const QString &sql)
    {
        QStringList out;
        QSqlQuery q = m_dmr->dbConnection()->OpenQuery(sql);
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.record().count(); ++i)
                cols << text(q.value(i));
            out << cols.join(QLatin1Char('|'));
        }
        return out;
    }

    static QString text(const QVariant &v)
    {
        if (!v.isValid() || v.isNull())
            return QStringLiteral("null");
        QDateTime d;
        if (v.metaType().id() == QMetaType::QDateTime)
            d = v.toDateTime();
        else if (v.metaType().id() == QMetaType::QString)
            d = parseSqliteDate(v.toString());
        if (d.isValid())
            return d.time() == QTime(0, 0) ? d.toString(QStringLiteral("dd.MM.yyyy"))
                                           : d.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
        if (v.metaType().id() == QMetaType::Double)
            return QString::number(v.toDouble(), 'g', 15);
        return v.toString();
    }

    void addCustomer(int id, const QVariant &houseId = {}, const QString &flat = {})
    {
        exec(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, HOUSE_ID, FLAT_NO, ACCOUNT_NO, SURNAME, INITIALS) "
                            "values (:ID, :H, :F, :A, :S, 'И.И.')"),
             {{QStringLiteral("ID"), id},
              {QStringLiteral("H"), houseId},
              {QStringLiteral("F"), flat},
              {QStringLiteral("A"), QStringLiteral("A%1").arg(id)},
              {QStringLiteral("S"), QStringLiteral("Фамилия%1").arg(id)}});
    }

    void addServ(int id, int type, const QString &descr, const QString &code)
    {
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_CODE, SERV_PACKAGE_ID) "
                            "values (:I, :D, :T, :C, -1)"),
             {{QStringLiteral("I"), id},
              {QStringLiteral("D"), descr},
              {QStringLiteral("T"), type},
              {QStringLiteral("C"), code}});
    }

    std::unique_ptr<DataFixture> m_fixture;
    std::unique_ptr<TDMR> m_dmr;
};

// ---- Payments ----

TEST_P(CommandsTest, PaymentDocumentAndPaymentTakeTheNextNumbers)
{
    addCustomer(7);
    int docId = -1;
    ASSERT_TRUE(m_dmr->newPayDoc(1, QStringLiteral("Д-1"), docId, QStringLiteral("note"), 25.5, QDate(2021, 3, 15)));
    EXPECT_EQ(docId, 1); // the first document of an empty table
    int paymentId = -1;
    ASSERT_TRUE(m_dmr->newCustomerPayment(docId, 7, paymentId, QString(), 12.25,
                                          QDate(2021, 3, 16), -1));
    EXPECT_EQ(paymentId, 1);
    EXPECT_EQ(m_dmr->LastPaymentSum, 12.25);
    int second = -1;
    ASSERT_TRUE(m_dmr->newSingleCustomerPayment(7, 1, second, QString(), 10, QDate(2021, 3, 31), QStringLiteral("Д-2"), -1));
    EXPECT_EQ(second, 2);
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());

    EXPECT_EQ(rows(QStringLiteral("select PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM, NOTICE "
                                  "from ZOLT.PAY_DOC order by PAY_DOC_ID")),
              QStringList({QStringLiteral("1|1|Д-1|15.03.2021|25.5|note"), QStringLiteral("2|1|Д-2|31.03.2021|10|null")}));
    EXPECT_EQ(rows(QStringLiteral("select PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM "
                                  "from ZOLT.PAYMENT order by PAYMENT_ID")),
              QStringList({QStringLiteral("1|1|7|-1|16.03.2021|12.25"), QStringLiteral("2|2|7|-1|31.03.2021|10")}));
}

TEST_P(CommandsTest, RefusedPaymentTakesItsDocumentWithIt)
{
    execAsOwner(QStringLiteral("alter table ZOLT.PAYMENT rename to PAYMENT_GONE"));
    int paymentId = -1;
    EXPECT_FALSE(m_dmr->newSingleCustomerPayment(7, 1, paymentId, QString(), 10, QDate(2021, 3, 1), QStringLiteral("1"), -1));
    EXPECT_EQ(paymentId, -1);
    EXPECT_EQ(count(QStringLiteral("PAY_DOC")), 0);
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
}

TEST_P(CommandsTest, CommandsAnswerNeutrallyWhenDisconnected)
{
    m_dmr->DbLogOut();
    int id = -1;
    EXPECT_FALSE(m_dmr->newPayDoc(1, QStringLiteral("1"), id, QString(), 1, QDate(2021, 1, 1)));
    EXPECT_FALSE(m_dmr->ActivateSubscr(true, 1, false, 0, 1, 2, QDate(), QDate(2021, 1, 1)));
    EXPECT_EQ(m_dmr->FindSubscrServId(1, 1), QVariant(QStringLiteral("0")));
    EXPECT_EQ(m_dmr->GetCustCode(1, QStringLiteral("1")), QStringLiteral("0"));
    EXPECT_EQ(m_dmr->GetStreetHouseIds(1), QStringLiteral("0"));
    QString info;
    EXPECT_EQ(m_dmr->GetClientInfo(QStringLiteral("A1"), info), -1);
    EXPECT_FALSE(m_dmr->FixTarifDates());
    EXPECT_FALSE(m_dmr->HasInvalidTarifs());
}

// ---- Subscriptions ----

TEST_P(CommandsTest, ActivationWritesTheSubscriptionWithItsPeriod)
{
    addCustomer(3);
    addServ(10, 0, QStringLiteral("Пакет"), QStringLiteral("П"));
    addServ(20, 2, QStringLiteral("Подключение"), QStringLiteral("Пд"));
    ASSERT_TRUE(m_dmr->ActivateSubscr(true, 3, false, 55, 10, 20, QDate(2022, 1, 1), QDate(2021, 2, 3)));
    EXPECT_EQ(rows(QStringLiteral("select SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN from ZOLT.SUBSCR_SERV")),
              QStringList{QStringLiteral("1|3|10|1")});
    EXPECT_EQ(rows(QStringLiteral("select SUBSCR_HIST_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, DATE_TO, ACT_SERV_ID, "
                                  "DISACT_SERV_ID, CONTRACT_TILL, SMARTCARD_ID from ZOLT.SUBSCR_HIST")),
              QStringList{QStringLiteral("1|1|10|03.02.2021|31.12.4712|20|-1|31.12.4712|null")});
    EXPECT_EQ(m_dmr->FindSubscrServId(3, 10).toInt(), 1);
    EXPECT_TRUE(m_dmr->FindSubscrServId(3, 99).isNull());

    // A reconnection with card and contract continues the same subscription.
    addServ(30, 3, QStringLiteral("Повторное"), QStringLiteral("Пв"));
    ASSERT_TRUE(m_dmr->ActivateSubscr(false, 3, true, 55, 10, 30, QDate(2022, 6, 30), QDate(2021, 5, 1)));
    EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV")), 1);
    EXPECT_EQ(rows(QStringLiteral("select SUBSCR_HIST_ID, SUBSCR_SERV_ID, DATE_FROM, ACT_SERV_ID, CONTRACT_TILL, "
                                  "SMARTCARD_ID from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID = 2")),
              QStringList{QStringLiteral("2|1|01.05.2021|30|30.06.2022|55")});

    m_dmr->DeleteCustSubscr(3);
    EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV")), 0);
    EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST")), 0);
}

TEST_P(CommandsTest, FailedActivationWritesNothing)
{
    addCustomer(3);
    // A reconnection without a subscription to continue is refused.
    EXPECT_FALSE(m_dmr->ActivateSubscr(false, 3, false, 0, 10, 30, QDate(), QDate(2021, 5, 1)));
    EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST")), 0);

    // A period that cannot be written takes its new subscription with it.
    execAsOwner(QStringLiteral("alter table ZOLT.SUBSCR_HIST rename to SUBSCR_HIST_GONE"));
    EXPECT_FALSE(m_dmr->ActivateSubscr(true, 3, false, 0, 10, 20, QDate(), QDate(2021, 5, 1)));
    EXPECT_EQ(count(QStringLiteral("SUBSCR_SERV")), 0);
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
}

TEST_P(CommandsTest, SubscriptionDeleteTakesItsPeriodsOrNothing)
{
    addCustomer(3);
    addServ(10, 0, QStringLiteral("Пакет"), QStringLiteral("П"));
    addServ(20, 2, QStringLiteral("Подключение"), QStringLiteral("Пд"));
    addServ(11, 0, QStringLiteral("Второй"), QStringLiteral("В"));
    ASSERT_TRUE(m_dmr->ActivateSubscr(true, 3, false, 0, 10, 20, QDate(), QDate(2021, 2, 3)));
    ASSERT_TRUE(m_dmr->ActivateSubscr(true, 3, false, 0, 11, 20, QDate(), QDate(2021, 2, 3)));

    ASSERT_TRUE(m_dmr->DeleteSubscrServ(1));
    EXPECT_EQ(rows(QStringLiteral("select SUBSCR_SERV_ID from ZOLT.SUBSCR_SERV")), QStringList{QStringLiteral("2")});
    EXPECT_EQ(rows(QStringLiteral("select SUBSCR_SERV_ID from ZOLT.SUBSCR_HIST")), QStringList{QStringLiteral("2")});

    // The periods went first; the subscription's own refusal brings them back.
    execAsOwner(QStringLiteral("alter table ZOLT.SUBSCR_SERV rename to SUBSCR_SERV_GONE"));
    EXPECT_FALSE(m_dmr->DeleteSubscrServ(2));
    EXPECT_FALSE(m_dmr->LastCommandError().isEmpty());
    EXPECT_EQ(count(QStringLiteral("SUBSCR_HIST")), 1);
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
}

// ---- Customers ----

TEST_P(CommandsTest, CustomerDeleteTakesItsBalancesOrNothing)
{
    auto seed = [this](int id) {
        addCustomer(id);
        for (int month : {4, 5})
            exec(QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) values (:C, :D, 20)"),
                 {{QStringLiteral("C"), id}, {QStringLiteral("D"), QDate(2024, month, 1)}});
        exec(QStringLiteral("insert into ZOLT.TMP_CUST_BALANCE (TMP_CUST_BALANCE_ID, CUSTOMER_ID, GROUP_ID) "
                            "values (:C, :C, 1)"),
             {{QStringLiteral("C"), id}});
    };
    auto left = [this](int id) {
        QStringList n;
        for (const char *table : {"CUSTOMER", "PAY_ACCOUNT", "TMP_CUST_BALANCE"})
            n << QString::number(count(QString::fromLatin1(table), QStringLiteral("where CUSTOMER_ID = %1").arg(id)));
        return n.join(QLatin1Char(','));
    };
    seed(7);
    seed(8);

    ASSERT_TRUE(m_dmr->DeleteCustomer(7)) << m_dmr->LastCommandError().toStdString();
    EXPECT_EQ(left(7), QStringLiteral("0,0,0"));
    EXPECT_EQ(left(8), QStringLiteral("1,2,1")) << "nobody else's rows";

    // The balances went before the customer's own row was refused: all of them come back.
    execAsOwner(QStringLiteral("alter table ZOLT.CUSTOMER rename to CUSTOMER_GONE"));
    EXPECT_FALSE(m_dmr->DeleteCustomer(8));
    EXPECT_FALSE(m_dmr->LastCommandError().isEmpty());
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
    EXPECT_EQ(count(QStringLiteral("PAY_ACCOUNT"), QStringLiteral("where CUSTOMER_ID = 8")), 2);
    EXPECT_EQ(count(QStringLiteral("TMP_CUST_BALANCE"), QStringLiteral("where CUSTOMER_ID = 8")), 1);
}

// ---- Smart cards ----

TEST_P(CommandsTest, SmartCardsAreAddedOnceAndLinkedAsMain)
{
    exec(QStringLiteral("insert into ZOLT.SMARTCARD (SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE) values (5, '1001', 1)"));
    ASSERT_TRUE(m_dmr->AddSmartCard(QStringLiteral("1000"), 3));
    m_dmr->CommitWork();
    EXPECT_EQ(rows(QStringLiteral("select SMARTCARD_ID, SMARTCARD_NO, IS_ACTIVE from ZOLT.SMARTCARD order by SMARTCARD_ID")),
              QStringList({QStringLiteral("5|1001|1"), QStringLiteral("6|1000|0"), QStringLiteral("7|1002|0")}));
    EXPECT_TRUE(m_dmr->SmartCardExists(QStringLiteral("1002")));
    EXPECT_FALSE(m_dmr->SmartCardExists(QStringLiteral("1003")));
    EXPECT_FALSE(m_dmr->AddSmartCard(QStringLiteral("12ab"), 2));
    EXPECT_EQ(count(QStringLiteral("SMARTCARD")), 3);

    // A card that cannot be written leaves none of its batch behind.
    if (GetParam() == TestEngine::SQLite) {
        execAsOwner(QStringLiteral("create trigger ZOLT.FAIL_CARD before insert on SMARTCARD when new.SMARTCARD_NO = '2002' "
                                   "begin select raise(abort, 'injected failure'); end"));
    } else {
        execAsOwner(QStringLiteral("create function ZOLT.FAIL_CARD() returns trigger language plpgsql as $$ begin "
                                   "if new.SMARTCARD_NO = '2002' then raise exception 'injected failure'; end if; "
                                   "return new; end $$"));
        execAsOwner(QStringLiteral("create trigger FAIL_CARD before insert on ZOLT.SMARTCARD "
                                   "for each row execute function ZOLT.FAIL_CARD()"));
    }
    EXPECT_FALSE(m_dmr->AddSmartCard(QStringLiteral("2000"), 3));
    EXPECT_EQ(count(QStringLiteral("SMARTCARD")), 3);

    addCustomer(1);
    m_dmr->SetCustMainSmartCard(1, 5);
    m_dmr->SetCustMainSmartCard(1, 6);
    m_dmr->CommitWork();
    EXPECT_EQ(rows(QStringLiteral("select SMARTCARD_ID, IS_MAIN from ZOLT.CUSTOMER_SMARTCARDS order by SMARTCARD_ID")),
              QStringList({QStringLiteral("5|0"), QStringLiteral("6|1")}));
    // A card linked already keeps its mark.
    m_dmr->SetCustMainSmartCard(1, 5);
    m_dmr->CommitWork();
    EXPECT_EQ(rows(QStringLiteral("select SMARTCARD_ID, IS_MAIN from ZOLT.CUSTOMER_SMARTCARDS order by SMARTCARD_ID")),
              QStringList({QStringLiteral("5|0"), QStringLiteral("6|1")}));
}

// ---- Tickets ----

TEST_P(CommandsTest, TicketNumberIsItsIdAndUpdatesKeepIt)
{
    addCustomer(4);
    int ticketId = -1;
    ASSERT_TRUE(m_dmr->newCustomerTicket(4, 1, ticketId, QStringLiteral("10:30"), QStringLiteral("10:00"),
                                         QStringLiteral("Нет сигнала"), QDate(2021, 4, 2), QDate(2021, 4, 1), 1));
    EXPECT_EQ(ticketId, 1);
    ASSERT_TRUE(m_dmr->updateTicket(ticketId, QStringLiteral("Готово"), 1, 3, QStringLiteral("12:00"),
                                    QStringLiteral("11:30"), QDate(2021, 4, 3), QDate(2021, 4, 1)));
    EXPECT_EQ(rows(QStringLiteral("select TICKET_ID, TICKET_NO, CUSTOMER_ID, TICKET_CAUSE_ID, TICKET_STATUS_ID, "
                                  "TICKET_DATE, PLAN_DATE, PLAN_TIME_START, PLAN_TIME_END, NOTICE from ZOLT.TICKET")),
              QStringList{QStringLiteral("1|1|4|1|3|01.04.2021|03.04.2021|11:30|12:00|Готово")});
    EXPECT_TRUE(m_dmr->TeamExists(1));
    EXPECT_FALSE(m_dmr->TeamExists(2));
}

// ---- Customer code and lookups ----

TEST_P(CommandsTest, CustomerCodesAndHouseLookups)
{
    exec(QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (2, '12 ', 'Лесная')"));
    exec(QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (3, '13', 'Пустая')"));
    exec(QStringLiteral("insert into ZOLT.HOUSE (HOUSE_ID, STREET_ID, HOUSE_NO) values (5, 2, '4')"));
    exec(QStringLiteral("insert into ZOLT.HOUSE (HOUSE_ID, STREET_ID, HOUSE_NO) values (6, 2, '4''А')"));
    addCustomer(1, 5, QStringLiteral("7"));
    addCustomer(2, 6, QStringLiteral("8"));
    exec(QStringLiteral("update ZOLT.CUSTOMER set CUST_CODE = '12 .4.7.' where CUSTOMER_ID = 1"));

    EXPECT_EQ(m_dmr->GetCustCode(5, QStringLiteral(" 7 ")), QStringLiteral("12.4.7"));
    EXPECT_EQ(m_dmr->GetCustCode(99, QStringLiteral("7")), QStringLiteral("0"));
    EXPECT_EQ(m_dmr->GetStreetHouseIds(2), QStringLiteral("0,5,6"));
    EXPECT_EQ(m_dmr->GetStreetHouseIds(3), QStringLiteral("0"));
    // House numbers are bound: a quote in one is just a character.
    EXPECT_EQ(m_dmr->GetHouseIdsByNo(QStringLiteral("4'А")), QStringLiteral("0,6"));
    EXPECT_EQ(m_dmr->GetHouseId(2, QStringLiteral("4'А")), QStringLiteral("6"));
    EXPECT_EQ(m_dmr->GetHouseId(3, QStringLiteral("4")), QStringLiteral("0"));

    m_dmr->RebuildStreetCustCodes(2);
    EXPECT_EQ(rows(QStringLiteral("select CUST_CODE from ZOLT.CUSTOMER order by CUSTOMER_ID")),
              QStringList({QStringLiteral("12 .4.7."), QStringLiteral("12 .4'А.8.")}));

    QString info;
    EXPECT_EQ(m_dmr->GetClientInfo(QStringLiteral("A2"), info), 2);
    EXPECT_EQ(info, QStringLiteral("Фамилия2 И.И."));
    EXPECT_EQ(m_dmr->GetClientInfo(QStringLiteral("' or 1=1 --"), info), -1);

    EXPECT_EQ(m_dmr->GetFirstCustCodeWithDebt(), 0);
    exec(QStringLiteral("update ZOLT.CUSTOMER set DEBT_SUM = 5"));
    EXPECT_EQ(m_dmr->GetFirstCustCodeWithDebt(), 1);

    EXPECT_FALSE(m_dmr->MoreThenOneServ());
    addServ(10, 0, QStringLiteral("Пакет"), QStringLiteral("П"));
    addServ(11, 0, QStringLiteral("Пакет 2"), QStringLiteral("П2"));
    EXPECT_TRUE(m_dmr->MoreThenOneServ());
    EXPECT_EQ(m_dmr->GetServDescr(11), QStringLiteral("Пакет 2"));
    EXPECT_EQ(m_dmr->GetServDescr(99), QString());

    exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                        "values (1, 11, '2020-01-01 00:00:00', '4712-12-31 00:00:00', 9)"));
    exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                        "values (2, 10, '2021-01-01 00:00:00', '4712-12-31 00:00:00', 7)"));
    EXPECT_EQ(m_dmr->GetFirstSubscrPaySum(QDate(2020, 6, 1)), 9);
    EXPECT_EQ(m_dmr->GetFirstSubscrPaySum(QDate(2021, 6, 1)), 7);
}

// ---- Customer state ----

struct StateCase
{
    const char *name;
    // Periods: serv, act serv, disact serv, from, to (empty = open).
    QList<std::tuple<int, int, int, QDate, QDate>> periods;
    int state;
    const char *descr;
    const char *codes;
};

TEST_P(CommandsTest, CustomerStateFollowsTheLatestPeriods)
{
    addServ(10, 0, QStringLiteral("Пакет"), QStringLiteral("П"));
    addServ(11, 0, QStringLiteral("Пакет 2"), QStringLiteral("П2"));
    addServ(20, 2, QStringLiteral("Подключение"), QStringLiteral("Пд"));
    addServ(21, 3, QStringLiteral("Повторное подключение"), QStringLiteral("Пв"));
    addServ(17, 4, QStringLiteral("Отключение по заявлению"), QStringLiteral("От"));
    addServ(18, 5, QStringLiteral("Отключение за неуплату"), QStringLiteral("Дл"));
    const QDate open;
    const QList<StateCase> cases{
        {"never connected", {}, 0, "Не подключался", "Нп"},
        {"connected", {{10, 20, -1, QDate(2011, 1, 1), open}}, 1, "Подключен", "Пд"},
        {"disconnected on request",
         {{10, 20, 17, QDate(2011, 1, 1), QDate(2011, 3, 5)}},
         17,
         "Отключение по заявлению 05.03.2011",
         "От"},
        {"disconnected for debt",
         {{10, 20, 18, QDate(2011, 1, 1), QDate(2011, 3, 5)}},
         18,
         "Отключение за неуплату 05.03.2011",
         "Дл"},
        {"reconnected",
         {{10, 20, 18, QDate(2011, 1, 1), QDate(2011, 3, 5)}, {10, 21, -1, QDate(2011, 4, 2), open}},
         1,
         "Повторное подключение 02.04.2011",
         "Пв"},
    };
    int customer = 100;
    for (const StateCase &c : cases) {
        SCOPED_TRACE(c.name);
        ++customer;
        addCustomer(customer);
        exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                            "values (:I, :C, 10, :S)"),
             {{QStringLiteral("I"), customer}, {QStringLiteral("C"), customer}, {QStringLiteral("S"), c.periods.isEmpty() ? 1 : 0}});
        int hist = customer * 10;
        for (const auto &[serv, act, disact, from, to] : c.periods)
            exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, "
                                "DATE_FROM, DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (:H, :C, :C, :S, :F, :T, :A, :D)"),
                 {{QStringLiteral("H"), ++hist},
                  {QStringLiteral("C"), customer},
                  {QStringLiteral("S"), serv},
                  {QStringLiteral("F"), from},
                  {QStringLiteral("T"), to.isValid() ? to : TDMR::OpenEndDate()},
                  {QStringLiteral("A"), act},
                  {QStringLiteral("D"), disact}});
        m_dmr->UpdateCustState(customer, {}, {}, {}, {});
        const bool open = !c.periods.isEmpty() && !std::get<4>(c.periods.last()).isValid();
        EXPECT_EQ(rows(QStringLiteral("select CUST_STATE, CUST_STATE_DESCR, CUST_PROP, ACTIVIZ_DATE from ZOLT.CUSTOMER "
                                      "where CUSTOMER_ID = %1").arg(customer)),
                  QStringList{QStringLiteral("%1|%2|%3|%4")
                                  .arg(c.state)
                                  .arg(QString::fromUtf8(c.descr), QString::fromUtf8(c.codes),
                                       c.periods.isEmpty() ? QStringLiteral("null")
                                                           : std::get<3>(c.periods.first()).toString("dd.MM.yyyy"))});
        EXPECT_EQ(value(QStringLiteral("select STATE_SGN from ZOLT.SUBSCR_SERV where SUBSCR_SERV_ID = %1").arg(customer))
                      .toInt(),
                  open ? 1 : 0);
    }
}

TEST_P(CommandsTest, CustomerStateWritesOnlyWhatChanged)
{
    addServ(10, 0, QStringLiteral("Пакет"), QStringLiteral("П"));
    addServ(11, 0, QStringLiteral("Пакет 2"), QStringLiteral("П2"));
    addServ(20, 2, QStringLiteral("Подключение"), QStringLiteral("Пд"));
    addServ(17, 4, QStringLiteral("Отключение"), QStringLiteral("От"));
    exec(QStringLiteral("insert into ZOLT.CUST_PROP (CUST_PROP_ID, CUST_PROP_DESCR) values ('Пд От', 'Част')"));
    addCustomer(1);
    addCustomer(2);
    exec(QStringLiteral("update ZOLT.CUSTOMER set CONTRACT_DATE = '2011-02-10 00:00:00'"));
    auto period = [&](int hist, int serv, int disact, const QDate &from, const QDate &to) {
        exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, "
                            "DATE_FROM, DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (:H, 1, :S, :S, :F, :T, 20, :D)"),
             {{QStringLiteral("H"), hist},
              {QStringLiteral("S"), serv},
              {QStringLiteral("F"), from},
              {QStringLiteral("T"), to},
              {QStringLiteral("D"), disact}});
    };
    period(1, 10, -1, QDate(2011, 2, 1), TDMR::OpenEndDate());
    period(2, 11, 17, QDate(2011, 1, 1), QDate(2011, 3, 5));
    for (int customer : {1, 2})
        for (const char *month : {"2011-01-01 00:00:00", "2011-02-01 00:00:00"})
            exec(QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) values (:C, :M, 0)"),
                 {{QStringLiteral("C"), customer}, {QStringLiteral("M"), QString::fromLatin1(month)}});

    // Stored values equal to the derived ones and an unchanged earliest date: no rewrite, no clean-up, but the
    // code's description is still looked up.
    m_dmr->UpdateCustState(1, {}, {}, {}, {});
    const QStringList first = rows(QStringLiteral("select CUST_STATE, CUST_STATE_DESCR, CUST_PROP, CUST_PROP_DESCR "
                                                  "from ZOLT.CUSTOMER where CUSTOMER_ID = 1"));
    ASSERT_EQ(first.size(), 1);
    const QStringList parts = first.first().split(QLatin1Char('|'));
    // Two services: the codes of both, the state of whichever row came first.
    EXPECT_TRUE(parts[2] == QStringLiteral("Пд От") || parts[2] == QStringLiteral("От Пд")) << parts[2].toStdString();
    exec(QStringLiteral("update ZOLT.CUSTOMER set CUST_STATE_DESCR = 'marker', CUST_PROP_DESCR = null where CUSTOMER_ID = 1"));
    m_dmr->UpdateCustState(1, parts[0].toInt(), parts[1], parts[2], QDate(2011, 1, 1));
    EXPECT_EQ(value(QStringLiteral("select CUST_STATE_DESCR from ZOLT.CUSTOMER where CUSTOMER_ID = 1")).toString(),
              QStringLiteral("marker"));
    EXPECT_EQ(count(QStringLiteral("PAY_ACCOUNT")), 4);
    if (parts[2] == QStringLiteral("Пд От")) {
        EXPECT_EQ(value(QStringLiteral("select CUST_PROP_DESCR from ZOLT.CUSTOMER where CUSTOMER_ID = 1")).toString(),
                  QStringLiteral("Част"));
    }

    // Only the earliest date changed: the row is rewritten and only this customer's rows before the contract
    // month go.
    m_dmr->UpdateCustState(1, parts[0].toInt(), parts[1], parts[2], QDate(2011, 2, 1));
    EXPECT_EQ(value(QStringLiteral("select CUST_STATE_DESCR from ZOLT.CUSTOMER where CUSTOMER_ID = 1")).toString(),
              parts[1]);
    EXPECT_EQ(rows(QStringLiteral("select CUSTOMER_ID, REL_DATE from ZOLT.PAY_ACCOUNT order by CUSTOMER_ID, REL_DATE")),
              QStringList({QStringLiteral("1|01.02.2011"), QStringLiteral("2|01.01.2011"), QStringLiteral("2|01.02.2011")}));
}

TEST_P(CommandsTest, SubscriptionSignFollowsItsLatestPeriod)
{
    addServ(10, 0, QStringLiteral("Пакет"), QStringLiteral("П"));
    addServ(20, 2, QStringLiteral("Подключение"), QStringLiteral("Пд"));
    addCustomer(1);
    exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) values (1, 1, 10, 1)"));
    exec(QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) values (2, 1, 10, 0)"));
    exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, "
                        "DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (1, 1, 1, 10, '2011-01-01 00:00:00', "
                        "'2011-02-01 00:00:00', 20, 20)"));
    exec(QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, "
                        "DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (2, 1, 2, 10, '2011-03-01 00:00:00', "
                        "'4712-12-31 00:00:00', 20, -1)"));
    m_dmr->UpdateCustState(1, {}, {}, {}, {});
    EXPECT_EQ(rows(QStringLiteral("select SUBSCR_SERV_ID, STATE_SGN from ZOLT.SUBSCR_SERV order by SUBSCR_SERV_ID")),
              QStringList({QStringLiteral("1|0"), QStringLiteral("2|1")}));
}

// ---- Tariff checks ----

TEST_P(CommandsTest, IncompleteTariffHistoriesAreCompletedAtZero)
{
    auto tarif = [&](int id, int serv, const char *from, const char *to) {
        exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) values "
                            "(:I, :S, :F, :T, 5)"),
             {{QStringLiteral("I"), id},
              {QStringLiteral("S"), serv},
              {QStringLiteral("F"), QString::fromLatin1(from)},
              {QStringLiteral("T"), QString::fromLatin1(to)}});
    };
    tarif(1, 10, "2020-01-01 00:00:00", "4712-12-31 00:00:00");
    EXPECT_FALSE(m_dmr->HasInvalidTarifs());
    tarif(2, 11, "2020-01-01 00:00:00", "2021-01-31 00:00:00");
    tarif(40, 12, "2020-01-01 00:00:00", "2021-02-28 00:00:00");
    EXPECT_TRUE(m_dmr->HasInvalidTarifs());
    m_dmr->AutoCorrectTarifs();
    EXPECT_FALSE(m_dmr->HasInvalidTarifs());
    EXPECT_EQ(rows(QStringLiteral("select TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM from ZOLT.TARIF "
                                  "where TARIF_ID > 40 order by TARIF_ID")),
              QStringList({QStringLiteral("42|11|01.02.2021|31.12.4712|0"), QStringLiteral("43|12|01.03.2021|31.12.4712|0")}));
}

TEST_P(CommandsTest, TariffStartsLoseTheirTimeOfDay)
{
    exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) values "
                        "(1, 10, :F, '4712-12-31 00:00:00', 5)"),
         {{QStringLiteral("F"), QDateTime(QDate(2021, 3, 1), QTime(12, 30))}});
    ASSERT_TRUE(m_dmr->FixTarifDates());
    EXPECT_EQ(rows(QStringLiteral("select DATE_FROM from ZOLT.TARIF")), QStringList{QStringLiteral("01.03.2021")});
}

TEST_P(CommandsTest, NewTariffEndsThePreviousOneOrChangesNothing)
{
    exec(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) values "
                        "(1, 10, '2020-01-01 00:00:00', '4712-12-31 00:00:00', 5)"));
    int id = -1;
    ASSERT_TRUE(m_dmr->AddTarif(10, 1, QDate(2021, 3, 1), 7.5, id));
    EXPECT_EQ(id, 2);
    EXPECT_EQ(rows(QStringLiteral("select TARIF_ID, DATE_FROM, DATE_TO, TARIF_SUM from ZOLT.TARIF order by TARIF_ID")),
              QStringList({QStringLiteral("1|01.01.2020|28.02.2021|5"), QStringLiteral("2|01.03.2021|31.12.4712|7.5")}));

    // A refused tariff leaves the previous one as it was.
    id = -1;
    EXPECT_FALSE(m_dmr->AddTarif(10, 2, QDate(2021, 6, 1), std::numeric_limits<double>::quiet_NaN(), id));
    EXPECT_EQ(id, -1);
    EXPECT_EQ(rows(QStringLiteral("select TARIF_ID, DATE_TO from ZOLT.TARIF order by TARIF_ID")),
              QStringList({QStringLiteral("1|28.02.2021"), QStringLiteral("2|31.12.4712")}));
    EXPECT_FALSE(m_dmr->dbConnection()->InTransaction());
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandsTest, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
