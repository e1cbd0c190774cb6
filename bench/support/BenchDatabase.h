#pragma once

// The database of a benchmark, on SQLite and on PostgreSQL (when TARVIK_PG_HOST/TARVIK_PG_PORT name a server,
// as scripts/pg-peer sets them), logged on as the schema owner on a current schema.
#include "dmuRDM.h"

#include <QDateTime>
#include <QString>

#include <functional>

// Midnight of a day as a calendar value, with no time-zone work on the way.
inline QDateTime at(const QDate &d)
{
    return QDateTime(d, QTime(0, 0), Qt::UTC);
}

// Runs `work` on a fresh SQLite database and then on a fresh PostgreSQL one, each dropped afterwards; `only`
// ("sqlite" or "pg") keeps one of them. An engine that cannot be reached is reported and skipped.
void ForEachBenchDatabase(const QString &only, const std::function<void(const char *engine, TDMR &dmr)> &work);

// The most memory the process has held at once so far, in MB.
long PeakMemoryMb();
