#include "DbSchema.h"

#include "DatabaseError.h"
#include "Dialect.h"

namespace DbSchema {

namespace {

Column col(const char *name, const char *type, int step = 0)
{
    return {QString::fromLatin1(name), QString::fromLatin1(type), {}, false, step};
}

Column req(const char *name, const char *type, const char *defaultValue = nullptr, int step = 0)
{
    return {QString::fromLatin1(name), QString::fromLatin1(type),
            defaultValue ? QString::fromUtf8(defaultValue) : QString(), true, step};
}

Column opt(const char *name, const char *type, const char *defaultValue, int step = 0)
{
    return {QString::fromLatin1(name), QString::fromLatin1(type), QString::fromUtf8(defaultValue), false, step};
}

Table tbl(const char *name, int step, QList<Column> columns, const char *pkName, const char *pk)
{
    Table t;
    t.name = QString::fromLatin1(name);
    t.step = step;
    t.columns = std::move(columns);
    t.primaryKeyName = QString::fromLatin1(pkName);
    if (pk && *pk)
        t.primaryKey = QString::fromLatin1(pk).split(QLatin1Char(','));
    return t;
}

// Keys of the tables that predate the upgrade history are named after their table, as the later ones are.
const char *const N10 = "NUMBER(10)";
const char *const TXT = "VARCHAR2(20)"; // a text column whose width the data model leaves open

QList<Table> makeTables()
{
    return {
        // ---- Tables that predate the upgrade history (step 0) ----
        tbl("MAIN_CFG", 0,
            {req("CFG_ID", N10), col("COMPANY_ID", N10), col("INIT_DATE", "DATE"), col("ACC_DATE", "DATE"),
             opt("ACC_DAY", N10, "10"), col("CUSTVALIDSUM", "NUMBER"), col("DEBTMODE", "NUMBER(1)"),
             col("VERSION_NO", N10), req("REPORT_LOCALE", N10, "0", 26), req("DTV_PROVIDER_ID", N10, "0", 10)},
            "XPKMAIN_CFG", "CFG_ID"),
        tbl("COMPANY", 0,
            {req("COMPANY_ID", N10), col("CODE", TXT), col("COMPANY_NAME", "VARCHAR2(120)"), col("UNN", TXT),
             col("OKPO", TXT), col("LICENSETYPE", "VARCHAR2(40)"), col("LICENSE_NO", "VARCHAR2(60)"),
             col("ADRESSCOUNTRY", "VARCHAR2(40)"), col("ADRESS", "VARCHAR2(60)"), col("ADRESSSTREET", "VARCHAR2(60)"),
             col("ADRESSHOUSE", TXT), col("BELARUS_SGN", "NUMBER(1)"), col("BANK_NAME", "VARCHAR2(120)"),
             col("BANK_CODE", "VARCHAR2(3)"), col("CONTACT_INFO", "VARCHAR2(80)"), col("PHONE", TXT),
             col("FAX", TXT), col("NOTICE", "VARCHAR2(120)"), col("DIRECT_PROF", TXT),
             col("DIRECT_FIO", "VARCHAR2(60)"), col("DIRECT_PHONE", TXT), col("BUH_PROF", TXT),
             col("BUH_FIO", "VARCHAR2(60)"), col("BUH_PHONE", TXT), col("TAX_CODE", TXT),
             req("LOCATION_ID", N10, "0", 32), col("ERIP", "VARCHAR2(40)", 44),
             col("POST_PATH_IN", "VARCHAR2(255)", 45), col("POST_PATH_OUT", "VARCHAR2(255)", 46)},
            "XPKCOMPANY", "COMPANY_ID"),
        tbl("APP_USER", 0,
            {req("USER_ID", N10), col("STATUS_ID", N10), col("LOGIN_NAME", "VARCHAR2(40)"), col("CREATED", "DATE"),
             col("VALID_TO", "DATE"), col("NOTICE", "VARCHAR2(80)")},
            "XPKAPP_USER", "USER_ID"),
        tbl("LOCATION", 0,
            {req("LOCATION_ID", N10), col("LOCATION_NAME", "VARCHAR2(30)"), req("LOCATION_TYPE_ID", N10, "0", 22)},
            "XPKLOCATION", "LOCATION_ID"),
        tbl("AREA", 0, {req("AREA_ID", N10), col("AREA_NAME", "VARCHAR2(30)"), req("LOCATION_ID", N10, "0", 41)},
            "XPKAREA", "AREA_ID"),
        tbl("SUBAREA", 0,
            {req("SUBAREA_ID", N10), col("SUBAREA_NAME", "VARCHAR2(30)"), req("LOCATION_ID", N10, "0", 41)},
            "XPKSUBAREA", "SUBAREA_ID"),
        tbl("STREET", 0,
            {req("STREET_ID", N10), col("STREET_CODE", "VARCHAR2(3)"), col("STREET_NAME", "VARCHAR2(40)"),
             req("STREET_TYPE_ID", N10, "1", 24), req("LOCATION_ID", N10, "0", 42)},
            "XPKSTREET", "STREET_ID"),
        tbl("HOUSE", 0,
            {req("HOUSE_ID", N10), col("LOCATION_ID", N10), col("STREET_ID", N10), col("AREA_ID", N10),
             col("SUBAREA_ID", N10), col("HOUSE_NO", "VARCHAR2(10)"), col("Q_FLAT", N10),
             req("Q_PORCH", N10, "1", 25), col("CHAIRMAN_NAME", "VARCHAR2(64)", 25),
             col("CHAIRMAN_PHONE", "VARCHAR2(20)", 25), col("NOTICE", "VARCHAR2(255)", 25)},
            "XPKHOUSE", "HOUSE_ID"),
        // The customer code holds a street code, a house number and a flat with three dots: 30 characters
        // leave room for the longest of them, so recomputing the codes never fails on a long house number.
        tbl("CUSTOMER", 0,
            {req("CUSTOMER_ID", N10), col("ACCOUNT_NO", "VARCHAR2(15)"), col("CUST_CODE", "VARCHAR2(30)"),
             col("HOUSE_ID", N10), col("FLAT_NO", "VARCHAR2(6)"), col("SURNAME", "VARCHAR2(30)"),
             col("INITIALS", "VARCHAR2(4)"), col("CONTRACT_DATE", "DATE"), col("ACTIVIZ_DATE", "DATE"),
             col("VALID_TO", "DATE"), col("PHONE_NO", TXT), col("NOTICE", "VARCHAR2(255)"),
             col("CUST_STATE", "NUMBER(2)"), col("CUST_STATE_DESCR", "VARCHAR2(60)"), col("CUST_PROP", TXT),
             col("CUST_PROP_DESCR", "VARCHAR2(6)"), col("START_DEBT_SUM", "NUMBER"), col("DEBT_IN_SUM", "NUMBER"),
             col("DEBT_SUM", "NUMBER"),
             col("FIRSTNAME", "VARCHAR2(30)", 11), col("MIDLENAME", "VARCHAR2(30)", 12),
             col("TAX_NO", "VARCHAR2(20)", 13), req("IS_COMPANY", "NUMBER(1)", "0", 14),
             col("PASP_NO", "VARCHAR2(30)", 17), col("PASP_DATE", "DATE", 17), col("PASP_ORG", "VARCHAR2(240)", 17),
             col("CONTRACT_NO", "VARCHAR2(20)", 18), col("NOTICE2", "VARCHAR2(255)", 20),
             col("REF_NO", "VARCHAR2(20)", 37), col("BIRTHDAY", "DATE", 39), req("SEX", "NUMBER(1)", "0", 39),
             req("COMPANY_ID", N10, "1", 43), col("PASSW", "VARCHAR2(64)", 54)},
            "XPKCUSTOMER", "CUSTOMER_ID"),
        tbl("CUST_PROP", 0, {req("CUST_PROP_ID", TXT), col("CUST_PROP_DESCR", "VARCHAR2(6)")}, "XPKCUST_PROP",
            "CUST_PROP_ID"),
        tbl("PAY_ACCOUNT", 0, {req("CUSTOMER_ID", N10), req("REL_DATE", "DATE"), col("DEBT_SUM", "NUMBER")},
            "XPKPAY_ACCOUNT", "CUSTOMER_ID,REL_DATE"),
        // A customer may stand in the queue more than once; the earliest month wins when it is worked.
        tbl("INVALIDCUSTDEBT", 0, {req("CUSTOMER_ID", N10), col("DATE_FROM", "DATE")}, "", ""),
        tbl("SERVTYPE", 0, {req("SERVTYPE_ID", N10), col("DESCR", "VARCHAR2(60)")}, "XPKSERVTYPE", "SERVTYPE_ID"),
        tbl("SERV", 0,
            {req("SERV_ID", N10), col("SERV_DESCR", "VARCHAR2(80)"), col("SERVTYPE_ID", N10),
             col("CHILDSERV_ID", N10), col("SERV_CODE", "VARCHAR2(8)"), col("NOTICE", "VARCHAR2(255)", 4),
             req("IS_DTV_PACKAGE", "NUMBER(1)", "0", 4), req("DTV_PACKAGE_CODE", N10, "0", 4),
             req("SERV_PACKAGE_ID", N10, "0", 16), req("USE_VOYAGER", "NUMBER(1)", "0", 38)},
            "XPKSERV", "SERV_ID"),
        tbl("TARIF", 0,
            {req("TARIF_ID", N10), col("SERV_ID", N10), col("DATE_FROM", "DATE"), col("DATE_TO", "DATE"),
             col("TARIF_SUM", "NUMBER")},
            "XPKTARIF", "TARIF_ID"),
        tbl("SINGLE_SERV", 0,
            {req("SINGLESERV_ID", N10), col("CUSTOMER_ID", N10), col("SERV_ID", N10), col("SERV_DATE", "DATE"),
             col("NOTICE", "VARCHAR2(255)", 31)},
            "XPKSINGLE_SERV", "SINGLESERV_ID"),
        tbl("DISCOUNT_FACTOR", 0,
            {req("CUSTOMER_ID", N10), req("DATE_FROM", "DATE"), req("DATE_TO", "DATE"), col("FACTOR_VALUE", "NUMBER")},
            "XPKDISCOUNT_FACTOR", "DATE_FROM,CUSTOMER_ID,DATE_TO"),
        tbl("SUBSCR_SERV", 0,
            {req("SUBSCR_SERV_ID", N10), col("CUSTOMER_ID", N10), col("SERV_ID", N10), col("STATE_SGN", "NUMBER(1)"),
             col("NOTICE", "VARCHAR2(255)", 29)},
            "XPKSUBSCR_SERV", "SUBSCR_SERV_ID"),
        tbl("SUBSCR_HIST", 0,
            {req("SUBSCR_HIST_ID", N10), col("CUSTOMER_ID", N10), col("SUBSCR_SERV_ID", N10), col("SERV_ID", N10),
             col("DATE_FROM", "DATE"), col("DATE_TO", "DATE"), col("ACT_SERV_ID", N10), col("DISACT_SERV_ID", N10),
             req("CONTRACT_TILL", "DATE", "'4712-12-31 00:00:00'", 2), col("SMARTCARD_ID", "NUMBER", 3)},
            "XPKSUBSCR_HIST", "SUBSCR_HIST_ID"),
        tbl("PAYSOURCE", 0,
            {req("PAYSOURCE_ID", N10), col("PAYSOURCE_DESCR", TXT), col("LEAK_PRC", "NUMBER"), col("TAX_PRC", "NUMBER")},
            "XPKPAYSOURCE", "PAYSOURCE_ID"),
        tbl("PAY_DOC", 0,
            {req("PAY_DOC_ID", N10), col("PAYSOURCE_ID", N10), col("PAY_DOC_NO", "VARCHAR2(15)"),
             col("PAY_DOC_DATE", "DATE"), col("PAY_DOC_SUM", "NUMBER"), col("NOTICE", "VARCHAR2(255)")},
            "XPKPAY_DOC", "PAY_DOC_ID"),
        tbl("PAYMENT", 0,
            {req("PAYMENT_ID", N10), col("PAY_DOC_ID", N10), col("CUSTOMER_ID", N10), col("SERV_ID", N10),
             col("PAY_DATE", "DATE"), col("PAY_SUM", "NUMBER"), col("NOTICE", "VARCHAR2(255)", 19)},
            "XPKPAYMENT", "PAYMENT_ID"),
        // The letter type names are longer than the usual 20 characters ("Первичное уведомление").
        tbl("LETTERTYPE", 0, {req("LETTERTYPEID", N10), col("LETTERTYPEDESCR", "VARCHAR2(60)")}, "XPKLETTERTYPE",
            "LETTERTYPEID"),
        tbl("CUSTLETTER", 0,
            {req("CUSTOMER_ID", N10), req("CUSTLETTERID", N10), col("LETTERTYPEID", N10),
             col("CUSTLETTERDATE", "DATE")},
            "XPKCUSTLETTER", "CUSTOMER_ID,CUSTLETTERID"),

        // ---- Tables the upgrade creates ----
        tbl("TMP_CUST_BALANCE", 1,
            {req("TMP_CUST_BALANCE_ID", N10), col("CUSTOMER_ID", N10), opt("USER_ID", N10, "0"),
             req("GROUP_ID", N10), col("GROUP_DESCR", "VARCHAR2(80)"), req("SUM_VAL", "NUMBER(16,2)", "0"),
             req("SUM_SGN", "NUMBER(1)", "0"), col("DESCR", "VARCHAR2(80)")},
            "XPKTMP_CUST_BALANCE", "TMP_CUST_BALANCE_ID"),
        tbl("SMARTCARD", 5,
            {req("SMARTCARD_ID", "NUMBER"), req("SMARTCARD_NO", "VARCHAR2(10)"), req("IS_ACTIVE", "NUMBER(1)", "1"),
             req("DTV_PROVIDER_ID", N10, "0", 9)},
            "XPKSMARTCARD", "SMARTCARD_ID"),
        tbl("CUSTOMER_SMARTCARDS", 6,
            {req("CUSTOMER_ID", N10), req("SMARTCARD_ID", "NUMBER"), req("IS_MAIN", "NUMBER(1)", "1")},
            "XPKCUSTOMER_SMARTCARDS", "CUSTOMER_ID,SMARTCARD_ID"),
        tbl("DTV_PROVIDER", 7,
            {req("DTV_PROVIDER_ID", N10), col("PROVIDER_NAME", "VARCHAR2(80)"), req("CAS_CODE", "CHAR(1)")},
            "XPKDTV_PROVIDER", "DTV_PROVIDER_ID"),
        tbl("DB_VERSION", 15, {req("MODULE_ID", "INTEGER", "1"), req("DB_VERSION", "VARCHAR2(12)")}, "XPKDB_VERSION",
            "MODULE_ID,DB_VERSION"),
        tbl("SERV_PACKAGE", 16, {req("SERV_PACKAGE_ID", N10), req("SERV_PACKAGE_DESCR", "VARCHAR2(80)")},
            "XPKSERV_PACKAGE", "SERV_PACKAGE_ID"),
        tbl("LOCATION_TYPE", 21,
            {req("LOCATION_TYPE_ID", N10), col("LOCATION_TYPE_SHORT", "VARCHAR2(5)"),
             col("LOCATION_TYPE_NAME", "VARCHAR2(20)")},
            "XPKLOCATION_TYPE", "LOCATION_TYPE_ID"),
        tbl("STREET_TYPE", 23,
            {req("STREET_TYPE_ID", N10), col("STREET_TYPE_SHORT", "VARCHAR2(5)"),
             col("STREET_TYPE_NAME", "VARCHAR2(20)")},
            "XPKSTREET_TYPE", "STREET_TYPE_ID"),
        // The full name comes with a default, so that it can be added to a table that already has rows.
        tbl("EMPLOYEE", 28,
            {req("EMPLOYEE_ID", N10), col("FIRSTNAME", "VARCHAR2(30)"), col("SURNAME", "VARCHAR2(30)"),
             col("MIDLENAME", "VARCHAR2(30)"), col("PHONE_NO", "VARCHAR2(30)"), col("NOTICE", "VARCHAR2(255)"),
             col("USER_LOGIN", "VARCHAR2(30)"), req("IS_ACTIVE", "NUMBER(1)", "1"),
             req("PROFESSION_ID", N10, "1", 61), req("TEAM_ID", N10, "1", 62),
             req("FULLNAME", "VARCHAR2(130)", "'-'", 63)},
            "XPKEMPLOYEE", "EMPLOYEE_ID"),
        tbl("SINGLE_SERVICE_TARIF", 48,
            {req("SINGLE_SERVICE_TARIF_ID", N10), req("PRICE", "NUMBER(16,2)", "0"),
             col("SERVICE_CODE", "VARCHAR2(10)"), req("SERVICE_NAME", "VARCHAR2(100)"),
             req("MEASURE_ID", N10, "1")},
            "XPKSINGLE_SERVICE_TARIF", "SINGLE_SERVICE_TARIF_ID"),
        tbl("CUSTOMER_SERVICE", 49,
            {req("CUSTOMER_ID", N10), req("CUSTOMER_SERVICE_ID", N10), req("SINGLE_SERVICE_TARIF_ID", N10),
             req("PRICE", "NUMBER(16,2)", "0"), req("QUANTITY", "NUMBER(16,2)", "1"),
             req("AMOUNT", "NUMBER(16,2)", "0"), req("SERVICE_DATE", "DATE"), req("PUT_TIME", "DATE"),
             col("SERV_ID", N10), col("NOTICE", "VARCHAR2(80)")},
            "XPKCUSTOMER_SERVICE", "CUSTOMER_ID,CUSTOMER_SERVICE_ID"),
        tbl("REQUEST_TYPE", 50, {req("REQUEST_TYPE_ID", N10), req("REQUEST_NAME", "VARCHAR2(100)")},
            "XPKSUPPORT_REQUEST_TYPE", "REQUEST_TYPE_ID"),
        tbl("FIX_TYPE", 51, {req("FIX_TYPE_ID", N10), req("FIX_TYPE_NAME", "VARCHAR2(100)")}, "XPKFIX_TYPE",
            "FIX_TYPE_ID"),
        tbl("SUPPORT_REQUEST", 52,
            {req("CUSTOMER_ID", N10), req("SUPPORT_REQUEST_ID", N10), req("REQUEST_TYPE_ID", N10),
             req("FIX_TYPE_ID", N10), col("REQUECT_DATE", "DATE"), col("REQUECT_TIME_FROM", "DATE"),
             col("REQUECT_TIME_TILL", "DATE"), req("PUT_TIME", "DATE"), col("FIX_DATE", "DATE"),
             req("EMPLOYEE_ID", N10, "0"), col("NOTICE", "VARCHAR2(255)")},
            "XPKSUPPORT_REQUEST", "CUSTOMER_ID,SUPPORT_REQUEST_ID"),
        tbl("CUSTOMER_TOKEN", 55,
            {req("CUSTOMER_ID", N10), req("TOKEN_ID", "VARCHAR2(36)"), req("EXPITES_AFTER", "DATE")},
            "XPKCUSTOMER_TOKEN", "TOKEN_ID"),
        tbl("CUST_DOC", 56,
            {req("CUST_DOC_ID", N10), req("CUSTOMER_ID", N10), col("DOC_URL", "VARCHAR2(255)"),
             col("DOC_NAME", "VARCHAR2(255)"), req("DOC_DATE", "DATE")},
            "XPKCUST_DOC", "CUST_DOC_ID"),
        tbl("TEAM", 57, {req("TEAM_ID", N10), req("TEAM_NAME", "VARCHAR2(120)")}, "XPKTEAM", "TEAM_ID"),
        tbl("TICKET_STATUS", 58, {req("TICKET_STATUS_ID", N10), col("TICKET_STATUS", "VARCHAR2(20)")},
            "XPKTICKET_STATUS", "TICKET_STATUS_ID"),
        tbl("TICKET_CAUSE", 58, {req("TICKET_CAUSE_ID", N10), col("DESCRIPTION", "VARCHAR2(255)")},
            "XPKTICKET_CAUSE", "TICKET_CAUSE_ID"),
        tbl("TICKET", 58,
            {req("TICKET_ID", N10), req("TICKET_NO", N10), req("CUSTOMER_ID", N10), req("TEAM_ID", N10, "1"),
             req("TICKET_STATUS_ID", N10, "1"), req("TICKET_CAUSE_ID", N10, "1"), req("TICKET_DATE", "DATE"),
             col("PLAN_DATE", "DATE"), col("PLAN_TIME_START", "VARCHAR2(5)"), col("PLAN_TIME_END", "VARCHAR2(5)"),
             col("NOTICE", "VARCHAR2(255)")},
            "XPKTICKET", "TICKET_ID"),
        tbl("PLAN_TIME", 59, {req("START_TIME", "VARCHAR2(5)"), req("END_TIME", "VARCHAR2(5)")}, "", ""),
        tbl("PROFESSION", 60, {req("PROFESSION_ID", N10), req("PROFESSION_NAME", "VARCHAR2(120)")}, "XPKPROFESSION",
            "PROFESSION_ID"),
    };
}

QList<Index> makeIndexes()
{
    auto ix = [](const char *name, const char *table, const char *columns) {
        return Index{QString::fromLatin1(name), QString::fromLatin1(table), QString::fromLatin1(columns)};
    };
    return {
        ix("XIE1LOCATION_TYPE", "LOCATION_TYPE", "LOCATION_TYPE_SHORT"),
        ix("XIE2LOCATION_TYPE", "LOCATION_TYPE", "LOCATION_TYPE_NAME"),
        ix("XIF119LOCATION", "LOCATION", "LOCATION_TYPE_ID"),
        ix("XIE1STREET_TYPE", "STREET_TYPE", "STREET_TYPE_SHORT"),
        ix("XIE2STREET_TYPE", "STREET_TYPE", "STREET_TYPE_NAME"),
        ix("XIF118STREET", "STREET", "STREET_TYPE_ID"),
        ix("XIF120COMPANY", "COMPANY", "LOCATION_ID"),
        ix("XIF121AREA", "AREA", "LOCATION_ID"),
        ix("XIF122SUBAREA", "SUBAREA", "LOCATION_ID"),
        ix("XIF123STREET", "STREET", "LOCATION_ID"),
        ix("XIF123CUSTOMER", "CUSTOMER", "COMPANY_ID"),
        ix("XIE1CUSTOMER_ACCOUNT_NO", "CUSTOMER", "ACCOUNT_NO"),
        ix("XIF1_CUSTOMER_SERVICE", "CUSTOMER_SERVICE", "CUSTOMER_ID,SERVICE_DATE"),
        ix("XIF2_CUSTOMER_SERVICE", "CUSTOMER_SERVICE", "SERVICE_DATE"),
        ix("XIF3_CUSTOMER_SERVICE", "CUSTOMER_SERVICE", "SINGLE_SERVICE_TARIF_ID"),
        ix("XIF1_SUPPORT_REQUEST", "SUPPORT_REQUEST", "CUSTOMER_ID,REQUECT_DATE"),
        ix("XIF2_SUPPORT_REQUEST", "SUPPORT_REQUEST", "REQUEST_TYPE_ID"),
        ix("XIF3_SUPPORT_REQUEST", "SUPPORT_REQUEST", "FIX_TYPE_ID"),
        ix("XIF4_SUPPORT_REQUEST", "SUPPORT_REQUEST", "REQUECT_DATE"),
        ix("XIF1CUSTOMER_TOKEN", "CUSTOMER_TOKEN", "CUSTOMER_ID"),
        ix("XIF1CUST_DOC_CUSTOMER_ID", "CUST_DOC", "CUSTOMER_ID"),
        ix("XIF1PAYMENT", "PAYMENT", "CUSTOMER_ID,PAY_DATE"),
        ix("XIF1SUBSCR_HIST", "SUBSCR_HIST", "CUSTOMER_ID"),
        ix("XIF1SUBSCR_SERV", "SUBSCR_SERV", "CUSTOMER_ID"),
        ix("XIF1SINGLE_SERV", "SINGLE_SERV", "CUSTOMER_ID"),
        ix("XIF1DISCOUNT_FACTOR", "DISCOUNT_FACTOR", "CUSTOMER_ID"),
        ix("XIF1INVALIDCUSTDEBT", "INVALIDCUSTDEBT", "CUSTOMER_ID,DATE_FROM"),
    };
}


QList<ForeignKey> makeForeignKeys()
{
    auto fk = [](const char *name, const char *table, const char *columns, const char *refTable,
                 const char *refColumns) {
        return ForeignKey{QString::fromLatin1(name), QString::fromLatin1(table), QString::fromLatin1(columns),
                          QString::fromLatin1(refTable), QString::fromLatin1(refColumns)};
    };
    return {
        fk("FK_SMARTCARD_REF_CUSTOMERSMART", "CUSTOMER_SMARTCARDS", "SMARTCARD_ID", "SMARTCARD", "SMARTCARD_ID"),
        fk("FK_CUSTOMER_REF_CUSTSMARTCARD", "CUSTOMER_SMARTCARDS", "CUSTOMER_ID", "CUSTOMER", "CUSTOMER_ID"),
        fk("FK_DTVPROVIDER_REF_SMARTCARD", "SMARTCARD", "DTV_PROVIDER_ID", "DTV_PROVIDER", "DTV_PROVIDER_ID"),
        fk("FK_DTVPROVIDER_REF_MAINCFG", "MAIN_CFG", "DTV_PROVIDER_ID", "DTV_PROVIDER", "DTV_PROVIDER_ID"),
        fk("FK_SERV_SERVPACKAGE", "SERV", "SERV_PACKAGE_ID", "SERV_PACKAGE", "SERV_PACKAGE_ID"),
        fk("FK_LOCATION_LOCATIONTYPE", "LOCATION", "LOCATION_TYPE_ID", "LOCATION_TYPE", "LOCATION_TYPE_ID"),
        fk("FK_STREET_STREETTYPE", "STREET", "STREET_TYPE_ID", "STREET_TYPE", "STREET_TYPE_ID"),
        fk("FK_LOCATION_TO_COMPANY", "COMPANY", "LOCATION_ID", "LOCATION", "LOCATION_ID"),
        fk("FK_LOCATION_TO_AREA", "AREA", "LOCATION_ID", "LOCATION", "LOCATION_ID"),
        fk("FK_LOCATION_TO_SUBAREA", "SUBAREA", "LOCATION_ID", "LOCATION", "LOCATION_ID"),
        fk("FK_LOCATION_TO_STREET", "STREET", "LOCATION_ID", "LOCATION", "LOCATION_ID"),
        fk("FK_COMPANY_TO_CUSTOMER", "CUSTOMER", "COMPANY_ID", "COMPANY", "COMPANY_ID"),
        fk("FK_CUSTOMER_SERVICE_TO_CUSTOMER", "CUSTOMER_SERVICE", "CUSTOMER_ID", "CUSTOMER", "CUSTOMER_ID"),
        fk("FK_CUSTOMER_SERVICE_TO_SS_TARIF", "CUSTOMER_SERVICE", "SINGLE_SERVICE_TARIF_ID", "SINGLE_SERVICE_TARIF",
           "SINGLE_SERVICE_TARIF_ID"),
        fk("FK_SUPPORT_REQUEST_TO_CUSTOMER", "SUPPORT_REQUEST", "CUSTOMER_ID", "CUSTOMER", "CUSTOMER_ID"),
        fk("FK_SUPPORT_REQUEST_TO_REQUEST_TYPE", "SUPPORT_REQUEST", "REQUEST_TYPE_ID", "REQUEST_TYPE",
           "REQUEST_TYPE_ID"),
        fk("FK_SUPPORT_REQUEST_TO_FIX_TYPE", "SUPPORT_REQUEST", "FIX_TYPE_ID", "FIX_TYPE", "FIX_TYPE_ID"),
        fk("FK_CUSTOMER_REF_CUSTTOKEN", "CUSTOMER_TOKEN", "CUSTOMER_ID", "CUSTOMER", "CUSTOMER_ID"),
        fk("FK_TICKET_TO_TEAM", "TICKET", "TEAM_ID", "TEAM", "TEAM_ID"),
        fk("FK_TICKET_TO_TICKET_CAUSE", "TICKET", "TICKET_CAUSE_ID", "TICKET_CAUSE", "TICKET_CAUSE_ID"),
        fk("FK_EMPLOYEE_TO_PROFESSION", "EMPLOYEE", "PROFESSION_ID", "PROFESSION", "PROFESSION_ID"),
        fk("FK_EMPLOYEE_TO_TEAM", "EMPLOYEE", "TEAM_ID", "TEAM", "TEAM_ID"),
    };
}

// The customer's full name and address as the lists show them; CONCAT keeps a missing part from blanking all.
const char *const Fio = "CONCAT(C.SURNAME, ' ', C.INITIALS)";

QList<View> makeViews()
{
    return {
        {QStringLiteral("V_HOUSE"),
         QStringLiteral("select H.*, L.LOCATION_NAME, A.AREA_NAME, S.STREET_NAME from HOUSE H "
                        "left join LOCATION L on L.LOCATION_ID = H.LOCATION_ID "
                        "left join AREA A on A.AREA_ID = H.AREA_ID "
                        "left join STREET S on S.STREET_ID = H.STREET_ID")},
        {QStringLiteral("V_SUBSCR_HIST"),
         QStringLiteral("select SH.*, ST.DESCR as DISACT_SERV_DESCR from SUBSCR_HIST SH "
                        "join SERV S on S.SERV_ID = SH.DISACT_SERV_ID "
                        "join SERVTYPE ST on ST.SERVTYPE_ID = S.SERVTYPE_ID")},
        {QStringLiteral("V_CUST_SUBSCR_HIST"),
         QStringLiteral("select C.*, %1 as FIO, "
                        "CONCAT(S.STREET_NAME, '  д.', H.HOUSE_NO, ' кв.', C.FLAT_NO) as ADRESS, "
                        "H.LOCATION_ID, H.AREA_ID, H.STREET_ID, H.HOUSE_NO, H.Q_FLAT, S.STREET_NAME, "
                        "SH.DATE_FROM, SH.DATE_TO, SH.SUBSCR_HIST_ID, SH.SUBSCR_SERV_ID, "
                        "SV.SERVTYPE_ID, SV.SERV_DESCR, T.TARIF_SUM "
                        "from CUSTOMER C join SUBSCR_HIST SH on SH.CUSTOMER_ID = C.CUSTOMER_ID "
                        "left join HOUSE H on H.HOUSE_ID = C.HOUSE_ID "
                        "left join STREET S on S.STREET_ID = H.STREET_ID "
                        "left join SERV SV on SV.SERV_ID = SH.ACT_SERV_ID "
                        "left join TARIF T on T.SERV_ID = SH.ACT_SERV_ID "
                        "and T.DATE_FROM <= SH.DATE_FROM and T.DATE_TO >= SH.DATE_FROM")
             .arg(QLatin1String(Fio))},
        {QStringLiteral("V_CUST_PAYMENTS"),
         QStringLiteral("select C.CUSTOMER_ID, C.ACCOUNT_NO, %1 as FIO, P.PAY_DOC_ID, P.PAYMENT_ID, P.PAY_SUM, "
                        "P.PAY_DATE, D.PAY_DOC_NO, D.PAY_DOC_DATE, D.PAYSOURCE_ID, PS.PAYSOURCE_DESCR, S.SERV_DESCR "
                        "from CUSTOMER C join PAYMENT P on P.CUSTOMER_ID = C.CUSTOMER_ID "
                        "join PAY_DOC D on D.PAY_DOC_ID = P.PAY_DOC_ID "
                        "join SERV S on S.SERV_ID = P.SERV_ID "
                        "join PAYSOURCE PS on PS.PAYSOURCE_ID = D.PAYSOURCE_ID")
             .arg(QLatin1String(Fio))},
    };
}

} // namespace

const Column *Table::column(const QString &columnName) const
{
    for (const Column &c : columns)
        if (c.name.compare(columnName, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const QList<Table> &tables()
{
    static const QList<Table> all = makeTables();
    return all;
}

const Table &table(const QString &name)
{
    for (const Table &t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    throw EDatabaseError(QStringLiteral("Unknown table %1").arg(name));
}

const QStringList &baseIndexNames()
{
    static const QStringList names{QStringLiteral("XIF1PAYMENT"), QStringLiteral("XIF1SUBSCR_HIST"),
                                   QStringLiteral("XIF1SUBSCR_SERV"), QStringLiteral("XIF1SINGLE_SERV"),
                                   QStringLiteral("XIF1DISCOUNT_FACTOR"), QStringLiteral("XIF1INVALIDCUSTDEBT"),
                                   QStringLiteral("XIE1CUSTOMER_ACCOUNT_NO")};
    return names;
}

const QList<Index> &indexes()
{
    static const QList<Index> all = makeIndexes();
    return all;
}

const QList<ForeignKey> &foreignKeys()
{
    static const QList<ForeignKey> all = makeForeignKeys();
    return all;
}

const QList<View> &views()
{
    static const QList<View> all = makeViews();
    return all;
}

QString columnDefinition(const Dialect &dialect, const Column &column)
{
    QString def = column.name + QLatin1Char(' ') + dialect.columnType(column.type);
    if (!column.defaultValue.isEmpty())
        def += QStringLiteral(" DEFAULT ") + column.defaultValue;
    if (column.notNull)
        def += QStringLiteral(" NOT NULL");
    return def;
}

QString createTableStatement(const Dialect &dialect, const Table &table)
{
    QStringList parts;
    for (const Column &c : table.columns)
        if (c.step == 0 || c.step == table.step)
            parts << columnDefinition(dialect, c);
    if (!table.primaryKey.isEmpty())
        parts << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)")
                     .arg(table.primaryKeyName, table.primaryKey.join(QStringLiteral(", ")));
    return QStringLiteral("CREATE TABLE ZOLT.%1 (%2)").arg(table.name, parts.join(QStringLiteral(", ")));
}

QString addColumnStatement(const Dialect &dialect, const QString &tableName, const QString &columnName)
{
    const Column *c = table(tableName).column(columnName);
    if (!c)
        throw EDatabaseError(QStringLiteral("Unknown column %1.%2").arg(tableName, columnName));
    return dialect.addColumn(tableName, c->name, columnDefinition(dialect, *c).mid(c->name.size() + 1));
}

QString createIndexStatement(const Dialect &dialect, const QString &name)
{
    for (const Index &i : indexes())
        if (i.name == name)
            return dialect.createIndex(i.name, i.table, i.columns);
    throw EDatabaseError(QStringLiteral("Unknown index %1").arg(name));
}

QString addForeignKeyStatement(const Dialect &dialect, const QString &name)
{
    for (const ForeignKey &f : foreignKeys())
        if (f.name == name)
            return dialect.addForeignKey(f.table, f.name, f.columns, f.refTable, f.refColumns);
    throw EDatabaseError(QStringLiteral("Unknown foreign key %1").arg(name));
}

QString dateLiteral(int year, int month, int day)
{
    return QStringLiteral("'%1-%2-%3 00:00:00'")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

QStringList baseSeedStatements()
{
    return {
        // Companies: 0 stands for none, 1 is the operator itself until the configuration names another.
        QStringLiteral("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME) values (0, '-')"),
        QStringLiteral("insert into ZOLT.COMPANY (COMPANY_ID, COMPANY_NAME) values (1, 'Оператор')"),
        QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_CODE, STREET_NAME) values (0, null, '-')"),
        QStringLiteral("insert into ZOLT.SUBAREA (SUBAREA_ID, SUBAREA_NAME) values (0, '-')"),
        QStringLiteral("insert into ZOLT.SERVTYPE (SERVTYPE_ID, DESCR) values (0, 'Периодическая услуга')"),
        QStringLiteral("insert into ZOLT.SERVTYPE (SERVTYPE_ID, DESCR) values (1, 'Разовая услуга')"),
        QStringLiteral("insert into ZOLT.SERVTYPE (SERVTYPE_ID, DESCR) values (2, 'Первичное подключение')"),
        QStringLiteral("insert into ZOLT.SERVTYPE (SERVTYPE_ID, DESCR) values (3, 'Повторное подключение')"),
        QStringLiteral("insert into ZOLT.SERVTYPE (SERVTYPE_ID, DESCR) values (4, 'Отключение по заявлению')"),
        QStringLiteral("insert into ZOLT.SERVTYPE (SERVTYPE_ID, DESCR) values (5, 'Отключение за неуплату')"),
        // Payments not bound to a service point at this row.
        QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID) values (-1, null, -1)"),
    };
}

} // namespace DbSchema
