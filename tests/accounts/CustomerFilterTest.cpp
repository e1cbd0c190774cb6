// The customer filter: the record's settings against the conditions they build, each run on both engines
// for the customers it lists.
#include "CustomerFixture.h"
#include "MemTable.h"
#include "uCustFilter.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

class CustomerFilter : public CustomerFixture
{
protected:
    void SetUp() override
    {
        CustomerFixture::SetUp();
        if (HasFatalFailure())
            return;
        // 101 owes, is connected and has a notice and a payment; 102 lives in a flat holding a quote, was cut
        // off on request and got a letter; 103 in the other house owes nothing, has a short status and was cut off
        // for debt; 104's contract has ended.
        for (const char *sql : {
                 "insert into ZOLT.HOUSE (HOUSE_ID, LOCATION_ID, STREET_ID, AREA_ID, HOUSE_NO, Q_PORCH) "
                 "values (8, 3, 5, 2, '16', 1)",
                 "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, DEBT_SUM, CUST_STATE, NOTICE, "
                 "VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (101, '101', 7, '1', 10.5, 1, 'звонить', "
                 "'4712-12-31 00:00:00', 0, 0, 1)",
                 "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, DEBT_SUM, CUST_STATE, "
                 "VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (102, '102', 7, 'O''Neil', -5, 5, "
                 "'4712-12-31 00:00:00', 0, 0, 1)",
                 "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, DEBT_SUM, CUST_STATE, "
                 "CUST_PROP_DESCR, VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (103, '103', 8, '2', 0, 6, 'ВИП', "
                 "'4712-12-31 00:00:00', 0, 0, 1)",
                 "insert into ZOLT.CUSTOMER (CUSTOMER_ID, ACCOUNT_NO, HOUSE_ID, FLAT_NO, DEBT_SUM, CUST_STATE, "
                 "VALID_TO, IS_COMPANY, SEX, COMPANY_ID) values (104, '104', 7, '3', 100, 6, '2001-01-01 00:00:00', "
                 "0, 0, 1)",
                 "insert into ZOLT.PAY_DOC (PAY_DOC_ID, PAYSOURCE_ID, PAY_DOC_NO, PAY_DOC_DATE, PAY_DOC_SUM) "
                 "values (1, 1, '1', '2024-03-05 00:00:00', 20)",
                 "insert into ZOLT.PAYMENT (PAYMENT_ID, PAY_DOC_ID, CUSTOMER_ID, SERV_ID, PAY_DATE, PAY_SUM) "
                 "values (1, 1, 101, -1, '2024-03-05 00:00:00', 20)",
                 "insert into ZOLT.CUSTLETTER (CUSTOMER_ID, CUSTLETTERID, LETTERTYPEID, CUSTLETTERDATE) "
                 "values (102, 1, 2, '2024-02-01 00:00:00')",
                 "insert into ZOLT.SERV_PACKAGE (SERV_PACKAGE_ID, SERV_PACKAGE_DESCR) values (77, 'Базовый')",
                 "insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, CHILDSERV_ID, IS_DTV_PACKAGE, "
                 "DTV_PACKAGE_CODE, SERV_PACKAGE_ID) values (50, 'Отключение за долг', 5, 4, 0, 0, 77)",
                 "insert into ZOLT.SUBSCR_HIST (SUBSCR_HIST_ID, CUSTOMER_ID, SUBSCR_SERV_ID, SERV_ID, DATE_FROM, "
                 "DATE_TO, "
                 "ACT_SERV_ID, DISACT_SERV_ID) values (200, 103, 1, 4, '2024-01-01 00:00:00', '2024-05-01 00:00:00', "
                 "2, 50)",
             })
            m_dmr->dbConnection()->Execute(QString::fromUtf8(sql));
        TMemTable *r = m_dm->mdTempCFG();
        for (int i = 0; i < r->FieldCount(); ++i)
            m_startValues << r->Fields()[i]->Value();
    }

public:
    void set(const char *name, const QVariant &value)
    {
        record()->FieldByName(QString::fromLatin1(name))->SetValue(value);
    }

protected:
    TMemTable *record() const { return m_dm->mdTempCFG(); }

    // Every field of the record back to its start value, the record in edit state.
    void resetRecord()
    {
        TMemTable *r = record();
        if (r->State() != dsEdit && r->State() != dsInsert)
            r->Edit();
        for (int i = 0; i < r->FieldCount(); ++i)
            r->Fields()[i]->SetValue(m_startValues[i]);
    }

    QVariantList m_startValues;
};

struct FilterCase
{
    const char *label;
    bool filterOn;
    std::function<void(CustomerFilter &)> settings;
    const char *houseNo;
    const char *text;
    QList<int> customers;
};

TEST_P(CustomerFilter, BuildsEachSettingIntoItsConditionAndListsItsCustomers)
{
    const QList<FilterCase> cases = {
        { "switch off ignores every group", false, [](CustomerFilter &f) { f.set("CHECK_DEBT", 1); }, "",
            "and (C.Valid_To > sysdate)", { 101, 102, 103 } },
        { "switch on with no group", true, [](CustomerFilter &) {}, "", "and (C.Valid_To > sysdate)",
            { 101, 102, 103 } },
        { "states 5 and 6", true, [](CustomerFilter &f) { f.set("STATE_5", 1), f.set("STATE_6", 1); }, "",
            " and (C.Cust_State in (5,6))and (C.Valid_To > sysdate)", { 102, 103 } },
        { "state 1 alone", true, [](CustomerFilter &f) { f.set("STATE_1", 1); }, "",
            " and (C.Cust_State = 1)and (C.Valid_To > sysdate)", { 101 } },
        { "debt comparison out of range is >", true,
            [](CustomerFilter &f) { f.set("CHECK_DEBT", 1), f.set("DEBT_SIGN", 9), f.set("DEBT_SUM", 0.0); }, "",
            " and (C.Debt_Sum > 0)and (C.Valid_To > sysdate)", { 101 } },
        { "debt with decimals", true,
            [](CustomerFilter &f) { f.set("CHECK_DEBT", 1), f.set("DEBT_SIGN", 1), f.set("DEBT_SUM", 2.5); }, "",
            " and (C.Debt_Sum <= 2.5)and (C.Valid_To > sysdate)", { 102, 103 } },
        { "debt range", true,
            [](CustomerFilter &f) {
                f.set("CHECK_DEBT", 1), f.set("DebtMode", 1), f.set("DebtFrom", -10.0), f.set("DebtTo", 10.5);
            },
            "", " and (C.Debt_Sum between -10 and 10.5)and (C.Valid_To > sysdate)", { 101, 102, 103 } },
        { "flat holding a quote", true,
            [](CustomerFilter &f) { f.set("CHECK_ADRESS", 1), f.set("FLAT_NO", QStringLiteral("O'Neil")); }, "",
            " and (C.Flat_No = 'O''Neil')and (C.Valid_To > sysdate)", { 102 } },
        { "flat trying to end the literal", true,
            [](CustomerFilter &f) { f.set("CHECK_ADRESS", 1), f.set("FLAT_NO", QStringLiteral("1' or '1'='1")); }, "",
            " and (C.Flat_No = '1'' or ''1''=''1')and (C.Valid_To > sysdate)", {} },
        { "street and chosen house", true, [](CustomerFilter &f) { f.set("CHECK_ADRESS", 1), f.set("STREET_ID", 5); },
            "16",
            " and (C.House_Id in (select HOUSE_ID from ZOLT.HOUSE where STREET_ID=5 and HOUSE_NO='16'))"
            "and (C.Valid_To > sysdate)",
            { 103 } },
        { "locality, house in every street and district", true,
            [](CustomerFilter &f) { f.set("CHECK_ADRESS", 1), f.set("CITY_ID", 3), f.set("AREA_ID", 2); }, "16",
            " and (C.House_Id in (select HOUSE_ID from ZOLT.HOUSE where LOCATION_ID=3))"
            " and (C.House_Id in (select HOUSE_ID from ZOLT.HOUSE where HOUSE_NO='16'))"
            " and (C.House_Id in (select HOUSE_ID from ZOLT.HOUSE where AREA_ID=2))and (C.Valid_To > sysdate)",
            { 103 } },
        { "ended contracts", true, [](CustomerFilter &f) { f.set("VALID_TO_SGN", 1), f.set("VALID_TO_OFF", 1); }, "",
            " and (C.Valid_To <= sysdate)", { 104 } },
        { "live and ended contracts", true,
            [](CustomerFilter &f) { f.set("VALID_TO_SGN", 1), f.set("VALID_TO_ON", 1), f.set("VALID_TO_OFF", 1); }, "",
            "", { 101, 102, 103, 104 } },
        { "short status", true, [](CustomerFilter &f) { f.set("CUST_PROP_DESCR", QStringLiteral("ВИП")); }, "",
            " and (C.CUST_PROP_DESCR = 'ВИП')and (C.Valid_To > sysdate)", { 103 } },
        { "no short status", true, [](CustomerFilter &f) { f.set("CUST_PROP_DESCR", QString()); }, "",
            " and (C.CUST_PROP_DESCR is NULL)and (C.Valid_To > sysdate)", { 101, 102 } },
        { "notice filled", true, [](CustomerFilter &f) { f.set("NOTICE_SGN", 1); }, "",
            " and (C.Notice is not null)and (C.Valid_To > sysdate)", { 101 } },
        { "paid in the period", true,
            [](CustomerFilter &f) {
                f.set("PERIOD_SGN", 1), f.set("PAY_SGN", 1), f.set("DATE_FROM", QDate(2024, 1, 1)),
                    f.set("DATE_TO", QDate(2024, 12, 31));
            },
            "",
            " and (C.Customer_Id in (select P.Customer_Id from ZOLT.Payment P where  (P.Pay_Date between "
            "TO_DATE('01/01/2024','DD/MM/YYYY') and TO_DATE('31/12/2024','DD/MM/YYYY'))))and (C.Valid_To > sysdate)",
            { 101 } },
        { "period without an end", true,
            [](CustomerFilter &f) {
                f.set("PERIOD_SGN", 1), f.set("PAY_SGN", 1), f.set("DATE_FROM", QDate(2024, 1, 1)),
                    f.set("DATE_TO", QVariant());
            },
            "",
            " and (C.Customer_Id in (select P.Customer_Id from ZOLT.Payment P where  (0=0)))and (C.Valid_To > sysdate)",
            { 101 } },
        { "letters of any type", true,
            [](CustomerFilter &f) {
                f.set("PERIOD_SGN", 1), f.set("CUSTLETTER_SGN", 1), f.set("LetterTypeId1", 0),
                    f.set("DATE_FROM", QDate(2024, 1, 1)), f.set("DATE_TO", QDate(2024, 12, 31));
            },
            "",
            " and (C.Customer_Id  in (select CL.Customer_Id from ZOLT.CUSTLETTER CL where (CL.CustLetterDate between "
            "TO_DATE('01/01/2024','DD/MM/YYYY') and TO_DATE('31/12/2024','DD/MM/YYYY')) and CL.Customer_Id = "
            "C.Customer_Id))and (C.Valid_To > sysdate)",
            { 102 } },
        { "no letter of type 2 up to a day", true,
            [](CustomerFilter &f) {
                f.set("Period_Sgn2", 1), f.set("CustLetter_Sgn2", 1), f.set("CustLetterNotSgn2", 1),
                    f.set("LetterTypeId2", 2), f.set("DATE_FROM2", QVariant()), f.set("DATE_TO2", QDate(2024, 6, 1));
            },
            "",
            " and (C.Customer_Id not  in (select CL2.Customer_Id from ZOLT.CUSTLETTER CL2 where (CL2.CustLetterDate <= "
            "TO_DATE('01/06/2024','DD/MM/YYYY')) and CL2.Customer_Id = C.Customer_Id and CL2.LetterTypeId  = 2))"
            "and (C.Valid_To > sysdate)",
            { 101, 103 } },
        { "cut off on request or for debt", true,
            [](CustomerFilter &f) {
                f.set("PERIOD_SGN", 1), f.set("DIZACT_SGN", 1), f.set("DIZACT_N_SGN", 1), f.set("SERV_ID", 4),
                    f.set("DATE_TO", QVariant());
            },
            "",
            "and (C.Customer_Id in (select SH.Customer_Id from ZOLT.Subscr_Hist SH,ZOLT.Serv S where  (0=0) and "
            "S.Serv_Id "
            "= SH.DisAct_Serv_Id and ( S.ServType_Id=4 or S.ServType_Id=5)  and S.CHILDSERV_ID = 4))"
            "and (C.Valid_To > sysdate)",
            { 103 } },
    };
    for (const FilterCase &k : cases) {
        SCOPED_TRACE(k.label);
        resetRecord();
        k.settings(*this);
        const QString text = BuildCustFilter(record(), k.filterOn, QString::fromUtf8(k.houseNo));
        EXPECT_EQ(text.toStdString(), std::string(k.text));
        ApplyCustFilter(customers(), k.filterOn, text);
        ASSERT_TRUE(customers()->Active());
        EXPECT_EQ(listed(), k.customers);
    }
}

TEST_P(CustomerFilter, ReopensTheListOnlyWhenItsConditionsChange)
{
    resetRecord();
    set("NOTICE_SGN", 1);
    const QString text = BuildCustFilter(record(), true, {});
    EXPECT_TRUE(ApplyCustFilter(customers(), true, text));
    EXPECT_FALSE(ApplyCustFilter(customers(), true, text)) << "the same settings twice leave the list alone";
    EXPECT_EQ(customers()->SubstitutionByName(QStringLiteral("where_str"))->Value, text);
    EXPECT_TRUE(ApplyCustFilter(customers(), false, text)) << "switching off always reopens";
    EXPECT_EQ(customers()->SubstitutionByName(QStringLiteral("where_str"))->Value,
        QStringLiteral("and (C.Valid_To > sysdate)"));
    EXPECT_EQ(listed(), (QList<int> { 101, 102, 103 }));
}

TEST_P(CustomerFilter, TakesTheHouseNumberFromTheChosenRowOfTheStreetsHouseList)
{
    resetRecord();
    set("STREET_ID", 5);
    set("HOUSE_ID", 8);
    TKyv_ClientDataSet *houses = m_cust->ClientDataSet(QStringLiteral("cdsCustFiltHouseNoLookup"));
    houses->Open();
    EXPECT_EQ(houses->RecordCount(), 3) << "any house, 14 and 16";
    EXPECT_TRUE(ChosenHouseNo(houses, record()).isEmpty()) << "the list stands on another row";
    ASSERT_TRUE(houses->Locate(QStringLiteral("HOUSE_ID"), 8));
    EXPECT_EQ(ChosenHouseNo(houses, record()), QStringLiteral("16"));
}

INSTANTIATE_TEST_SUITE_P(
    Customer, CustomerFilter, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace
