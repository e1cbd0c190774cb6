#pragma once

#include <QDateTime>

// The machine's date and time now, as its wall clock shows it (the moment with its offset from UTC). The C
// library reads the time-zone file again for every local time it is asked for; this asks it once a minute
// (and again when the TZ variable changes), which is as often as a zone can change its offset.
QDateTime CurrentLocalDateTime();
