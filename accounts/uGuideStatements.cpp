#include "uGuideStatements.h"

// ---- Addresses

QString AreaListStatement()
{
    return QStringLiteral("select * from ZOLT.AREA where AREA_ID <> 0");
}

QString SubAreaListStatement()
{
    return QStringLiteral("select * from ZOLT.SUBAREA where SUBAREA_ID <> 0");
}

QString StreetListStatement()
{
    return QStringLiteral("select * from ZOLT.STREET where STREET_ID <> 0");
}

QString StreetDuplicatesStatement()
{
    return QStringLiteral("select STREET_ID, STREET_CODE, STREET_NAME from ZOLT.STREET where "
                          "STREET_NAME = :P_STREET_NAME and STREET_ID <> :P_STREET_ID order by STREET_CODE");
}

// The counts come with the rows, so that the statistics columns need no lookup of their own; the percent divides
// as a fraction, not as whole numbers.
QString HouseListStatement()
{
    return QStringLiteral(
        "select H.HOUSE_ID, H.LOCATION_ID, H.STREET_ID, H.AREA_ID, H.SUBAREA_ID, H.HOUSE_NO, "
        "LPAD(H.HOUSE_NO, 6, ' ') as RO_HOUSE_NO, H.Q_FLAT, S.STREET_NAME as RO_SREET_NAME, "
        "SA.SUBAREA_NAME as RO_SUBAREA_NAME, L.LOCATION_NAME as RO_LOCATION_NAME, "
        "(select count(*) from ZOLT.CUSTOMER C where C.HOUSE_ID = H.HOUSE_ID) as L_Q_CUST, "
        "(select count(*) from ZOLT.CUSTOMER C where C.HOUSE_ID = H.HOUSE_ID and C.CUST_STATE = 1) as L_Q_ACT_CUST, "
        "(select count(*) from ZOLT.CUSTOMER C where C.HOUSE_ID = H.HOUSE_ID and (C.CUST_STATE is null or "
        "C.CUST_STATE <> 1)) as C_Q_INACTIVE_CUST, "
        "case when coalesce(H.Q_FLAT, 0) = 0 then cast(0 as double precision) else cast((select count(*) from "
        "ZOLT.CUSTOMER C where C.HOUSE_ID = H.HOUSE_ID and C.CUST_STATE = 1) as double precision) * 100 / H.Q_FLAT "
        "end as C_PERCENT "
        "from ZOLT.HOUSE H join ZOLT.STREET S on S.STREET_ID = H.STREET_ID "
        "join ZOLT.SUBAREA SA on SA.SUBAREA_ID = H.SUBAREA_ID join ZOLT.LOCATION L on L.LOCATION_ID = H.LOCATION_ID");
}

QString StreetLookupStatement()
{
    return QStringLiteral("select STREET_ID, STREET_NAME from ZOLT.STREET order by STREET_NAME");
}

QString AreaLookupStatement()
{
    return QStringLiteral("select AREA_ID, AREA_NAME from ZOLT.AREA order by AREA_NAME");
}

QString SubAreaLookupStatement()
{
    return QStringLiteral("select SUBAREA_ID, SUBAREA_NAME from ZOLT.SUBAREA order by SUBAREA_NAME");
}

QString LocationListStatement()
{
    return QStringLiteral("select * from ZOLT.LOCATION");
}

QString LocationTypeLookupStatement()
{
    return QStringLiteral("select LOCATION_TYPE_ID, LOCATION_TYPE_NAME from ZOLT.LOCATION_TYPE order by LOCATION_TYPE_NAME");
}

QString LocationFullNamesStatement()
{
    return QStringLiteral("select L.LOCATION_ID, coalesce(trim(LT.LOCATION_TYPE_SHORT) || ' ', '') || L.LOCATION_NAME "
                          "as L_LOCATION_FULL from ZOLT.LOCATION L left join ZOLT.LOCATION_TYPE LT on "
                          "LT.LOCATION_TYPE_ID = L.LOCATION_TYPE_ID order by L.LOCATION_NAME");
}

// ---- Organisations and payments

QString CompanyListStatement()
{
    return QStringLiteral("select * from ZOLT.COMPANY where COMPANY_ID <> 0");
}

QString CompanyCodesStatement()
{
    return QStringLiteral("select CODE from ZOLT.COMPANY");
}

QString PaySourceListStatement()
{
    return QStringLiteral("select * from ZOLT.PAYSOURCE");
}

// ---- Services

QString ServicePackageListStatement()
{
    return QStringLiteral("select * from ZOLT.SERV_PACKAGE where SERV_PACKAGE_ID >= 0");
}

QString SingleServiceTarifListStatement()
{
    return QStringLiteral("select * from ZOLT.SINGLE_SERVICE_TARIF");
}

QString ServicePackageIdsStatement()
{
    return QStringLiteral("select SERV_PACKAGE_ID, SERV_PACKAGE_DESCR from ZOLT.SERV_PACKAGE order by SERV_PACKAGE_ID");
}

QString ServicesOfPackageStatement()
{
    return QStringLiteral(
        "select S.SERV_ID, S.SERV_DESCR, S.SERVTYPE_ID, COALESCE(S.CHILDSERV_ID, -1) as CHILDSERV_ID, S.SERV_CODE, "
        "ST.DESCR as RO_SERV_TYPE, S.NOTICE, S.IS_DTV_PACKAGE, S.DTV_PACKAGE_CODE, S.SERV_PACKAGE_ID, S.USE_VOYAGER, "
        "P.SERV_PACKAGE_DESCR, COALESCE(CS.SERV_DESCR, 'Нет') as L_CHILDSERV from ZOLT.SERV S "
        "join ZOLT.SERVTYPE ST on ST.SERVTYPE_ID = S.SERVTYPE_ID "
        "join ZOLT.SERV_PACKAGE P on P.SERV_PACKAGE_ID = S.SERV_PACKAGE_ID "
        "left join ZOLT.SERV CS on CS.SERV_ID = S.CHILDSERV_ID "
        "where S.SERV_ID >= 0 and S.SERV_PACKAGE_ID = :P_SERV_PACKAGE_ID order by S.SERVTYPE_ID, S.SERV_ID");
}

QString ServiceTarifsStatement()
{
    return QStringLiteral("select TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM from ZOLT.TARIF "
                          "where SERV_ID = :P_SERV_ID order by DATE_FROM");
}

QString LinkedServicesStatement()
{
    return QStringLiteral("select SERV_ID, SERV_DESCR from ZOLT.SERV where CHILDSERV_ID = :P_SERV_ID order by SERV_DESCR");
}

QString ServTypeLookupStatement()
{
    return QStringLiteral("select SERVTYPE_ID, DESCR from ZOLT.SERVTYPE where SERVTYPE_ID >= 0 order by SERVTYPE_ID");
}

QString ParentServiceLookupStatement()
{
    return QStringLiteral("select -1 as SERV_ID, 'Нет' as SERV_DESCR, 0 as SORT_NO union all "
                          "select SERV_ID, SERV_DESCR, 1 as SORT_NO from ZOLT.SERV where SERVTYPE_ID = 0 "
                          "order by SORT_NO, SERV_DESCR");
}

QString ServicePackageLookupStatement()
{
    return QStringLiteral("select SERV_PACKAGE_ID, SERV_PACKAGE_DESCR from ZOLT.SERV_PACKAGE order by SERV_PACKAGE_DESCR");
}

QString ServicePackageOfServiceStatement()
{
    return QStringLiteral("select SERV_PACKAGE_ID from ZOLT.SERV where SERV_ID = :P_SERV_ID");
}

// ---- Field teams and staff

QString TeamListStatement()
{
    return QStringLiteral("select TEAM_ID, TEAM_NAME from ZOLT.TEAM where TEAM_ID <> 1 order by TEAM_NAME");
}

QString TeamLookupStatement()
{
    return QStringLiteral("select TEAM_ID, TEAM_NAME from ZOLT.TEAM order by TEAM_NAME");
}

QString TeamInsertStatement()
{
    return QStringLiteral("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (:P_TEAM_ID, :P_TEAM_NAME)");
}

QString TeamUpdateStatement()
{
    return QStringLiteral("update ZOLT.TEAM set TEAM_NAME = :P_TEAM_NAME where TEAM_ID = :P_TEAM_ID");
}

QString TeamDeleteStatement()
{
    return QStringLiteral("delete from ZOLT.TEAM where TEAM_ID = :P_TEAM_ID");
}

QString EmployeeListStatement()
{
    return QStringLiteral("select E.EMPLOYEE_ID, E.FULLNAME, E.TEAM_ID, T.TEAM_NAME as RO_TEAM_NAME "
                          "from ZOLT.EMPLOYEE E join ZOLT.TEAM T on T.TEAM_ID = E.TEAM_ID order by E.FULLNAME");
}

QString EmployeeInsertStatement()
{
    return QStringLiteral("insert into ZOLT.EMPLOYEE (EMPLOYEE_ID, TEAM_ID, PROFESSION_ID, FULLNAME, IS_ACTIVE) "
                          "values (:P_EMPLOYEE_ID, :P_TEAM_ID, 1, :P_FULLNAME, 1)");
}

QString EmployeeUpdateStatement()
{
    return QStringLiteral("update ZOLT.EMPLOYEE set FULLNAME = :P_FULLNAME, TEAM_ID = :P_TEAM_ID "
                          "where EMPLOYEE_ID = :P_EMPLOYEE_ID");
}

QString EmployeeDeleteStatement()
{
    return QStringLiteral("delete from ZOLT.EMPLOYEE where EMPLOYEE_ID = :P_EMPLOYEE_ID");
}

// ---- Smart cards

QString SmartCardListStatement()
{
    return QStringLiteral(
        "select m.* from (select LPAD(S.SMARTCARD_NO, 10, ' ') as RO_SMARTCARD_NO, S.SMARTCARD_ID, S.SMARTCARD_NO, "
        "S.IS_ACTIVE, S.DTV_PROVIDER_ID, P.PROVIDER_NAME as RO_PROVIDER_NAME, "
        "CONCAT(C.SURNAME, ' ', C.INITIALS) as RO_CUSTOMER, C.ACCOUNT_NO as RO_CUSTOMER_ACCOUNT_NO, "
        "C.CUSTOMER_ID as RO_CUSTOMER_ID from ZOLT.SMARTCARD S "
        "left join ZOLT.CUSTOMER_SMARTCARDS CS on CS.SMARTCARD_ID = S.SMARTCARD_ID "
        "left join ZOLT.CUSTOMER C on C.CUSTOMER_ID = CS.CUSTOMER_ID "
        "left join ZOLT.DTV_PROVIDER P on P.DTV_PROVIDER_ID = S.DTV_PROVIDER_ID "
        "where S.SMARTCARD_ID <> 0) m order by RO_SMARTCARD_NO");
}

QString ProviderLookupStatement()
{
    return QStringLiteral("select DTV_PROVIDER_ID, PROVIDER_NAME, CAS_CODE from ZOLT.DTV_PROVIDER order by PROVIDER_NAME");
}
