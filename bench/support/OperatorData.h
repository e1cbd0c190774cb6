#pragma once

// An operator of N customers with two years of history, the same on every run: three periodic services whose
// tariffs change after a year, connection and disconnection services, a single service and a service by fact.
// Every customer lives at an address of one town, subscribes in the first months; one in five had an earlier
// period that ended with a disconnection; one in ten has a discount; one in twenty a single service and one a
// service by fact; everyone pays every month.
#include "dmuRDM.h"

#include <QDate>

namespace OperatorData {

inline const QDate InitMonth(2023, 1, 1);
inline const QDate AccMonth(2025, 1, 1); // two years after the initialisation month

// Fills an empty schema; answers the number of payments written.
qint64 Generate(TDMR &dmr, int customers);

} // namespace OperatorData
