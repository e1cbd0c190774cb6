#pragma once

#include <QString>
#include <QVariant>

class TDataSet;
class TKyv_ClientDataSet;

// The customer list's filter: the conditions set in the filter dialog live in the filter record (DM.mdTempCFG);
// the builder turns them into the extra conditions of the list's query, each beginning with "and". Numbers are
// written with "." whatever the user's decimal separator; texts the user typed (flat, house number, short
// status) are quoted with their quotes doubled, so no typed text can end the literal.

// The house number the address group filters on: that of the house-number list's current row when it is the
// house chosen in the record (HOUSE_ID), else empty.
QString ChosenHouseNo(const TDataSet *houseNoList, const TDataSet *filterRecord);

// The conditions of the record; with the master switch `filterOn` off only live contracts are listed.
QString BuildCustFilter(const TDataSet *filterRecord, bool filterOn, const QString &chosenHouseNo);

// Puts `conditions` into the list's where_str macro by the apply rule and reopens the list when its conditions
// changed (always when the switch is off); answers whether it reopened. The hourglass shows meanwhile.
bool ApplyCustFilter(TKyv_ClientDataSet *customers, bool filterOn, QString conditions);

// The conditions of the search by flat over ZOLT.CUSTOMER, joined with " and "; the flat is the parameter
// :FLAT_NO (set by the caller), so a typed text never becomes SQL.
QString ExtCustSearchConditions(const QVariant &streetId, const QString &houseNo, const QString &flat);
// The customers meeting the search's conditions (every customer without any), by id.
QString ExtCustSearchStatement(const QString &conditions);
