// The rules every customer row follows whatever window edits it, on both engines.
#include "CustomerFixture.h"
#include "uLog.h"
#include "uSettings.h"

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using CustomerModule = CustomerFixture;

TEST_P(CustomerModule, ProposesTheNextAccountNumberAndCountsEveryInsertOnly)
{
    AppSettings().AccountNo = 1;
    TKyv_ClientDataSet *c = customers();
    c->Open();
    c->Append();
    EXPECT_EQ(field(c, "ACCOUNT_NO")->AsString(), QStringLiteral("2"));
    field(c, "HOUSE_ID")->SetValue(HouseId);
    field(c, "ACCOUNT_NO")->SetValue(QStringLiteral("500"));
    c->Post();
    EXPECT_EQ(AppSettings().AccountNo, 2) << "the counter moves even when another number was typed";

    c->Append();
    EXPECT_EQ(field(c, "ACCOUNT_NO")->AsString(), QStringLiteral("3"));
    c->Cancel();
    EXPECT_EQ(AppSettings().AccountNo, 2) << "a cancelled insert hands out nothing";

    c->Edit();
    field(c, "NOTICE")->SetValue(QStringLiteral("edited"));
    c->Post();
    EXPECT_EQ(AppSettings().AccountNo, 2) << "an edit is no new customer";
}

TEST_P(CustomerModule, NewRowStartsWithTheModulesDefaults)
{
    m_dm->mdTempCFG()->Edit();
    field(m_dm->mdTempCFG(), "WORK_DATE")->SetValue(QDateTime(QDate(2024, 5, 6), QTime(13, 45)));
    TKyv_ClientDataSet *c = customers();
    c->Open();
    c->Append();
    EXPECT_EQ(field(c, "CONTRACT_DATE")->Value().toDateTime(), QDateTime(QDate(2024, 5, 6), QTime(13, 45)));
    EXPECT_TRUE(field(c, "VALID_TO")->IsNull());
    EXPECT_EQ(field(c, "CUST_STATE_DESCR")->AsString(), QStringLiteral("Не подключался"));
    EXPECT_EQ(field(c, "HOUSE_ID")->AsInteger(), 0);
    EXPECT_EQ(field(c, "DEBT_SUM")->AsFloat(), 0.0);
    EXPECT_GT(field(c, "CUSTOMER_ID")->AsInteger(), 0);
    c->Cancel();
}

struct NameCase
{
    const char *label;
    int isCompany;
    const char *surname, *firstName, *initials, *phone;
    const char *storedSurname, *storedFirstName, *storedInitials, *storedPhone;
};

TEST_P(CustomerModule, NormalisesNamesBeforeEveryPost)
{
    const NameCase cases[] = {
        { "person with a hyphen", 0, "иванова-петрова", "анна мария", "ап", "", "Иванова-петрова", "Анна Мария", "АП",
            " " },
        { "company keeps its name", 1, "ооо СВЕТ-плюс", "", "", "123", "ооо СВЕТ-плюс", " ", " ", "123" },
        { "person in capitals", 0, "СИДОРОВ", "ПЁТР", "п", "  ", "Сидоров", "Пётр", "П", "  " },
    };
    for (const NameCase &k : cases) {
        SCOPED_TRACE(k.label);
        TKyv_ClientDataSet *c = customers();
        if (!c->Active())
            c->Open();
        c->Append();
        field(c, "HOUSE_ID")->SetValue(HouseId);
        field(c, "IS_COMPANY")->SetValue(k.isCompany);
        field(c, "SURNAME")->SetValue(QString::fromUtf8(k.surname));
        field(c, "FIRSTNAME")->SetValue(QString::fromUtf8(k.firstName));
        field(c, "INITIALS")->SetValue(QString::fromUtf8(k.initials));
        field(c, "PHONE_NO")->SetValue(QString::fromUtf8(k.phone));
        c->Post();
        const QString id = field(c, "CUSTOMER_ID")->AsString();
        const auto stored = [&](const char *column) {
            return seen(QStringLiteral("select %1 from ZOLT.CUSTOMER where CUSTOMER_ID=%2")
                            .arg(QString::fromLatin1(column), id))
                .toString();
        };
        EXPECT_EQ(stored("SURNAME"), QString::fromUtf8(k.storedSurname));
        EXPECT_EQ(stored("FIRSTNAME"), QString::fromUtf8(k.storedFirstName));
        EXPECT_EQ(stored("MIDLENAME"), QStringLiteral(" ")) << "an empty name is one blank, never null";
        EXPECT_EQ(stored("INITIALS"), QString::fromUtf8(k.storedInitials));
        EXPECT_EQ(stored("PHONE_NO"), QString::fromUtf8(k.storedPhone));
    }
}

TEST_P(CustomerModule, StoresAnOpenEndedContractAndTheCustomerCode)
{
    addCustomer(QStringLiteral("Петров"), QStringLiteral("12"));
    TKyv_ClientDataSet *c = customers();
    const QString id = field(c, "CUSTOMER_ID")->AsString();
    EXPECT_EQ(seen(QStringLiteral("select VALID_TO from ZOLT.CUSTOMER where CUSTOMER_ID=") + id).toDateTime(),
        QDateTime(QDate(4712, 12, 31), QTime(0, 0)));
    const QString code = m_dm->GetCustCode(QString::number(HouseId), QStringLiteral("12"));
    EXPECT_FALSE(code.isEmpty());
    EXPECT_EQ(seen(QStringLiteral("select CUST_CODE from ZOLT.CUSTOMER where CUSTOMER_ID=") + id).toString(), code);
    EXPECT_EQ(field(c, "CUST_CODE")->AsString(), code);
    EXPECT_EQ(field(c, "COMPANY_ID")->AsInteger(), 1) << "the operator's company";

    // Reopened, the list pads the flat for its text order and names the street.
    c->Close();
    c->Open();
    ASSERT_TRUE(c->Locate(QStringLiteral("CUSTOMER_ID"), id.toDouble()));
    EXPECT_EQ(field(c, "RO_FLAT_NO")->AsString(), QStringLiteral("    12"));
    EXPECT_EQ(field(c, "RO_STREET_NAME")->AsString(), QStringLiteral("Лесная"));
    EXPECT_EQ(field(c, "PP_ACT_SGN")->AsFloat(), 0.0);
    EXPECT_EQ(field(c, "C_SKT_ACCOUNT_NO")->AsString(), QStringLiteral("SKT") + field(c, "ACCOUNT_NO")->AsString());
}

TEST_P(CustomerModule, ListsLiveContractsInTextOrderOfTheAccountNumber)
{
    for (const char *account : { "9", "10" }) {
        addCustomer(QStringLiteral("Клиент"));
        TKyv_ClientDataSet *c = customers();
        c->Edit();
        field(c, "ACCOUNT_NO")->SetValue(QString::fromLatin1(account));
        c->Post();
    }
    m_other->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, VALID_TO, IS_COMPANY, SEX, "
                       "COMPANY_ID) values (900, '1', 7, %1, 0, 0, 1)")
            .arg(QStringLiteral("'2001-01-01 00:00:00'")));
    TKyv_ClientDataSet *c = customers();
    c->Close();
    c->Open();
    QStringList accounts;
    for (c->First(); !c->Eof(); c->Next())
        accounts << field(c, "ACCOUNT_NO")->AsString();
    EXPECT_EQ(accounts, (QStringList { QStringLiteral("10"), QStringLiteral("9") }))
        << "an ended contract stays out of the list";
}

TEST_P(CustomerModule, HistoryRowKeepsAnOpenPeriodOpenWhenEdited)
{
    addCustomer(QStringLiteral("Орлов"));
    const int id = field(customers(), "CUSTOMER_ID")->AsInteger();
    m_dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                       "values (40, %1, -1, 1)")
            .arg(id));
    m_dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, "
                       "DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (41, %1, 40, -1, '2024-01-01 00:00:00', "
                       "'4712-12-31 00:00:00', 2, -1)")
            .arg(id));
    TKyv_ClientDataSet *serv = m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServ"));
    TKyv_ClientDataSet *hist = m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServHist"));
    serv->Open();
    ASSERT_EQ(serv->RecordCount(), 1);
    hist->Open();
    ASSERT_EQ(hist->RecordCount(), 1);
    EXPECT_TRUE(field(hist, "RO_DATE_TO")->IsNull());

    hist->Edit();
    field(hist, "DATE_TO")->SetValue(QDateTime(QDate(2024, 6, 30), QTime(0, 0)));
    hist->Post();
    EXPECT_EQ(seen(QStringLiteral("select DATE_TO from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID=41")).toDateTime(),
        QDateTime(QDate(4712, 12, 31), QTime(0, 0)));

    hist->Append();
    EXPECT_EQ(field(hist, "SUBSCR_SERV_ID")->AsInteger(), 40);
    EXPECT_EQ(field(hist, "ACT_SERV_ID")->AsInteger(), 2);
    field(hist, "DATE_FROM")->SetValue(QDateTime(QDate(2024, 7, 1), QTime(9, 30)));
    field(hist, "DATE_TO")->SetValue(QDateTime(QDate(2024, 8, 31), QTime(18, 0)));
    hist->Post();
    const QString newId = field(hist, "SUBSCR_HIST_ID")->AsString();
    EXPECT_EQ(seen(QStringLiteral("select DATE_TO from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID=") + newId).toDateTime(),
        QDateTime(QDate(2024, 8, 31), QTime(0, 0)))
        << "a new row keeps the typed end, cut to the day";
    EXPECT_EQ(seen(QStringLiteral("select DATE_FROM from ZOLT.SUBSCR_HIST where SUBSCR_HIST_ID=") + newId).toDateTime(),
        QDateTime(QDate(2024, 7, 1), QTime(0, 0)));
}

TEST_P(CustomerModule, EachSubscriptionShowsTheStartOfItsLatestHistoryRow)
{
    addCustomer(QStringLiteral("Соколов"));
    const int other = field(customers(), "CUSTOMER_ID")->AsInteger();
    addCustomer(QStringLiteral("Орлов"));
    const int id = field(customers(), "CUSTOMER_ID")->AsInteger();
    const auto subscription = [this](int serv, int customer) {
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.SUBSCR_SERV (SUBSCR_SERV_ID, CUSTOMER_ID, SERV_ID, STATE_SGN) "
                           "values (%1, %2, -1, 1)")
                .arg(serv)
                .arg(customer));
    };
    const auto history = [this](int hist, int serv, int customer, const char *from) {
        m_dmr->dbConnection()->Execute(
            QStringLiteral("insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, "
                           "DATE_FROM, DATE_TO, ACT_SERV_ID, DISACT_SERV_ID) values (%1, %2, %3, -1, '%4', "
                           "'4712-12-31 00:00:00', 2, -1)")
                .arg(hist)
                .arg(customer)
                .arg(serv)
                .arg(QLatin1String(from)));
    };
    // The latest start, not the latest row; a service without history; a later start of another customer.
    subscription(60, id);
    history(61, 60, id, "2023-01-01 00:00:00");
    history(62, 60, id, "2024-03-01 00:00:00");
    history(63, 60, id, "2022-06-01 00:00:00");
    subscription(70, id);
    subscription(80, id);
    history(81, 80, id, "2023-05-01 00:00:00");
    subscription(90, other);
    history(91, 90, other, "2025-01-01 00:00:00");

    TKyv_ClientDataSet *serv = m_cust->ClientDataSet(QStringLiteral("cdsCustSubscrServ"));
    serv->Open();
    QList<int> order;
    QMap<int, QVariant> starts;
    for (serv->First(); !serv->Eof(); serv->Next()) {
        const int s = field(serv, "SUBSCR_SERV_ID")->AsInteger();
        if (!field(serv, "DATE_FROM")->IsNull())
            order << s;
        starts[s] = field(serv, "DATE_FROM")->IsNull() ? QVariant() : field(serv, "DATE_FROM")->Value();
    }
    EXPECT_EQ(starts.keys(), (QList<int> { 60, 70, 80 }));
    EXPECT_EQ(starts.value(60).toDateTime(), QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
    EXPECT_FALSE(starts.value(70).isValid());
    EXPECT_EQ(starts.value(80).toDateTime(), QDateTime(QDate(2023, 5, 1), QTime(0, 0)));
    EXPECT_EQ(order, (QList<int> { 60, 80 })) << "the latest start first";
}

TEST_P(CustomerModule, CommitsEveryChangeForOtherConnections)
{
    addCustomer(QStringLiteral("Зайцев"));
    TKyv_ClientDataSet *c = customers();
    const QString id = field(c, "CUSTOMER_ID")->AsString();
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.CUSTOMER where CUSTOMER_ID=") + id).toInt(), 1);

    TKyv_ClientDataSet *docs = m_cust->ClientDataSet(QStringLiteral("cdsCustDoc"));
    docs->Open();
    docs->Append();
    field(docs, "DOC_NAME")->SetValue(QStringLiteral("Договор"));
    docs->Post();
    EXPECT_EQ(seen(QStringLiteral("select DOC_NAME from ZOLT.CUST_DOC where CUSTOMER_ID=") + id).toString(),
        QStringLiteral("Договор"));

    c->Delete();
    EXPECT_EQ(seen(QStringLiteral("select count(*) from ZOLT.CUSTOMER where CUSTOMER_ID=") + id).toInt(), 0);
}

TEST(CustomerSpelling, NamesAndTheCurrentDateAreSpelledAsTheModuleKeepsThem)
{
    EXPECT_EQ(ProperCaseName(QStringLiteral("иванова-петрова")), QStringLiteral("Иванова-петрова"));
    EXPECT_EQ(ProperCaseName(QStringLiteral("анна  МАРИЯ")), QStringLiteral("Анна  Мария"));
    EXPECT_EQ(ProperCaseName(QStringLiteral("a") + QChar(0) + QStringLiteral("b")),
        QStringLiteral("A") + QChar(0) + QStringLiteral("B"));
    EXPECT_EQ(SpellSysdate(
                  QStringLiteral("and (C.Valid_To > sysdate) and N='sysdate' and X=SYSDATE"), QStringLiteral("NOW()")),
        QStringLiteral("and (C.Valid_To > NOW()) and N='sysdate' and X=NOW()"));
    EXPECT_EQ(SpellSysdate(QStringLiteral("F='it''s sysdate' or sysdate_x=1"), QStringLiteral("N")),
        QStringLiteral("F='it''s sysdate' or sysdate_x=1"));
}

INSTANTIATE_TEST_SUITE_P(
    Customer, CustomerModule, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace

namespace {

TEST_P(CustomerModule, EveryDatasetOpensOnTheCurrentCustomer)
{
    addCustomer(QStringLiteral("Лебедев"));
    const int id = field(customers(), "CUSTOMER_ID")->AsInteger();
    for (const QString &sql :
        { QStringLiteral("insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) "
                         "values (1, 1, '17', '2024-03-05 00:00:00', 20)"),
            QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                           "values (1, 1, %1, -1, '2024-03-05 00:00:00', 12.5)")
                .arg(id) })
        m_dmr->dbConnection()->Execute(sql);
    const char *clients[] = { "cdsCustSingleServ", "cdsCustSubscrServ", "cdsCustSubscrServHist", "cdsCustDiscFactor",
        "cdsCustSingleService", "cdsCustDoc", "cdsCustLetter", "cdsCustSmartCards", "cdsSingleServLookUp",
        "cdsCustSingleServTarif", "cdsSubscrServLookUp", "cdsCustSubscrServHistActLookUp",
        "cdsCustSubscrServHistDisactLookUp", "cdsCustFiltStreetLookup", "cdsCustFiltHouseNoLookup",
        "cdsCustPaymentsSourceList" };
    for (const char *name : clients) {
        SCOPED_TRACE(name);
        TKyv_ClientDataSet *ds = m_cust->ClientDataSet(QString::fromLatin1(name));
        ASSERT_NE(ds, nullptr);
        EXPECT_NO_THROW(ds->Open());
        EXPECT_TRUE(ds->Active());
    }
    for (const char *name : { "odsCustCompany", "odsHouseLookup", "odsSingleServLookUp", "odsPlanTimeStartLookup",
             "odsPlanTimeEndLookup", "odsCustPayment", "odsCustTickets" }) {
        SCOPED_TRACE(name);
        TKyv_ADODataSet *ds = m_cust->ServerDataSet(QString::fromLatin1(name));
        ASSERT_NE(ds, nullptr);
        EXPECT_NO_THROW(ds->Open());
        EXPECT_TRUE(ds->Active());
    }
    TKyv_ADODataSet *payments = m_cust->ServerDataSet(QStringLiteral("odsCustPayment"));
    ASSERT_EQ(payments->RecordCount(), 1) << "the customer's own payments";
    EXPECT_EQ(field(payments, "L_PAY_DOC")->AsString(), QStringLiteral("№ 17 от 05/03/2024"));
    EXPECT_EQ(field(payments, "TOTAL_SUM")->AsFloat(), 12.5);
    addCustomer(QStringLiteral("Новиков"));
    EXPECT_EQ(payments->RecordCount(), 0) << "the list moved to a customer without payments";
    ASSERT_TRUE(customers()->Locate(QStringLiteral("CUSTOMER_ID"), id));
    EXPECT_EQ(payments->RecordCount(), 1);
    TKyv_ADODataSet *houses = m_cust->ServerDataSet(QStringLiteral("odsHouseLookup"));
    ASSERT_TRUE(houses->Locate(QStringLiteral("HOUSE_ID"), HouseId));
    EXPECT_EQ(field(houses, "FULL_STREET_NAME")->AsString(), QStringLiteral("Лесная 14  (Гродно)"));
    EXPECT_EQ(field(customers(), "L_COMPANY")->AsString().isEmpty(), false);
}

} // namespace

namespace {

TEST_P(CustomerModule, ANewRowWhoseDefaultsFailIsLoggedAndKeepsWhatWasFilled)
{
    QTemporaryDir logDir;
    SetLogFile(logDir.filePath(QStringLiteral("tarvik.log")));
    addCustomer(QStringLiteral("Соколов"));
    TKyv_ClientDataSet *services = m_cust->ClientDataSet(QStringLiteral("cdsCustSingleService"));
    services->Open();
    m_cust->ServerDataSet(QStringLiteral("odsSingleServLookUp"))
        ->SetCommandText(QStringLiteral("select SINGLE_SERVICE_TARIF_ID from ZOLT.NO_SUCH_TABLE"));
    EXPECT_NO_THROW(services->Append());
    EXPECT_EQ(services->State(), dsInsert);
    EXPECT_FALSE(field(services, "CUSTOMER_SERVICE_ID")->IsNull());
    EXPECT_EQ(field(services, "QUANTITY")->AsInteger(), 1);
    EXPECT_TRUE(field(services, "SINGLE_SERVICE_TARIF_ID")->IsNull());
    services->Cancel();
    SetLogFile({});
    QFile log(logDir.filePath(QStringLiteral("tarvik.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Ошибка инициализации данных записи в cdsCustSingleService")))
        << text.toStdString();
}

} // namespace
