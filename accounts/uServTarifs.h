#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

class TDM;
class TDMR;

// The rules of a service's tariffs, without widgets: a service's tariffs are consecutive periods, the last one
// open-ended, and every change of the chain is one transaction.

// The service's last tariff (the latest start); null when it has none.
QVariant LastTarifId(TDMR *dmr, const QVariant &servId);

// Adds the service's tariff from `dateFrom` after `previousTarifId` (null for the first), ending the previous one
// on the day before. A start on or before the previous tariff's start is refused with "Не верная дата: " and the
// date; a refusal by the database changes nothing either and names the database's reason. False with the reason
// in `error`.
bool AddServiceTarif(TDMR *dmr, const QVariant &servId, const QVariant &previousTarifId, const QDate &dateFrom,
    double sum, int &tarifId, QString &error);

// Deletes the service's last tariff and reopens the one before it to the open end, both or neither. False with the
// reason in `error`; true with nothing done when the service has no tariff.
bool DeleteLastTarif(TDMR *dmr, const QVariant &servId, QString &error);

// What a new service starts with: its key, the code "*", not a DTV package, the next CAS package code (the largest
// stored plus 1), the chosen package (or the first one), the first service type and no parent service.
struct TNewServiceDefaults
{
    int servId = 0;
    QString servCode = QStringLiteral("*");
    int isDtvPackage = 0;
    int dtvPackageCode = 0;
    int servPackageId = 0;
    int servTypeId = 0;
    int childServId = -1;
};
TNewServiceDefaults NewServiceDefaults(TDM *dm, const QVariant &selectedPackageId);

// Periodic and one-off services (types 0 and 1) are nobody's child.
bool ServTypeHasParent(int servTypeId);
