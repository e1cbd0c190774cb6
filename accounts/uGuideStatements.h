#pragma once

#include <QString>

// The statements of the guide windows, without widgets: each window's list, the choices of its drop-downs and,
// for the guides that store rows by their own statements, those statements. Values always come as parameters.

// ---- Addresses

// The districts, the quarters and the streets, without their placeholder row 0.
QString AreaListStatement();
QString SubAreaListStatement();
QString StreetListStatement();
// The other streets of the same name (:P_STREET_NAME) than the street :P_STREET_ID, by code.
QString StreetDuplicatesStatement();
// The houses with their street, quarter and settlement names and their customer counts: all customers, those
// connected, those not connected, and the connected ones as a percent of the flats (0 for a house without flats).
QString HouseListStatement();
// The drop-downs' choices by name: streets, districts, quarters (placeholder rows included).
QString StreetLookupStatement();
QString AreaLookupStatement();
QString SubAreaLookupStatement();
QString LocationListStatement();
QString LocationTypeLookupStatement();
// The settlements with their type's short name before the name ("г. Гродно"), as L_LOCATION_FULL.
QString LocationFullNamesStatement();

// ---- Organisations and payments

// The organisations without the placeholder row 0.
QString CompanyListStatement();
// Every organisation's code, for the next one.
QString CompanyCodesStatement();
QString PaySourceListStatement();

// ---- Services

QString ServicePackageListStatement();
QString SingleServiceTarifListStatement();
// The packages by id, for the services editor's package list.
QString ServicePackageIdsStatement();
// The services of the package :P_SERV_PACKAGE_ID with their type, package and parent's names ("Нет" without a
// parent, whose CHILDSERV_ID then reads -1), by type and id.
QString ServicesOfPackageStatement();
// The tariffs of the service :P_SERV_ID by start.
QString ServiceTarifsStatement();
// The services whose parent is :P_SERV_ID, by name.
QString LinkedServicesStatement();
QString ServTypeLookupStatement();
// The periodic services a service may have as its parent, after the choice "Нет" (-1).
QString ParentServiceLookupStatement();
// The packages by name, for a service's package drop-down.
QString ServicePackageLookupStatement();
// The package of the service :P_SERV_ID.
QString ServicePackageOfServiceStatement();

// ---- Field teams and staff

// The teams but the row that stands for "no team yet", by name.
QString TeamListStatement();
// Every team by name, that row included.
QString TeamLookupStatement();
// A new team (:P_TEAM_ID, :P_TEAM_NAME), a renamed one, a deleted one (:P_TEAM_ID).
QString TeamInsertStatement();
QString TeamUpdateStatement();
QString TeamDeleteStatement();
// The staff with their team's name, by name.
QString EmployeeListStatement();
// A new member of staff (:P_EMPLOYEE_ID, :P_TEAM_ID, :P_FULLNAME; active, of the first profession), a changed
// one, a deleted one (:P_EMPLOYEE_ID).
QString EmployeeInsertStatement();
QString EmployeeUpdateStatement();
QString EmployeeDeleteStatement();

// ---- Smart cards

// The cards but the placeholder row 0, with the provider and the owning customer, by the number right-aligned
// (RO_SMARTCARD_NO), so that shorter numbers come first.
QString SmartCardListStatement();
QString ProviderLookupStatement();
