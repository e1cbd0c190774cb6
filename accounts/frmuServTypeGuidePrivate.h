#pragma once

// What the two source files of the services editor share.
#include "DataSet.h"
#include "uLog.h"

namespace servtypeguide {

inline TField *field(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

inline bool editing(TDataSet *ds)
{
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

inline bool hasRows(TDataSet *ds)
{
    return ds->Active() && !ds->IsEmpty();
}

inline void reopen(TDataSet *ds)
{
    ds->Close();
    ds->Open();
}

inline void trace(const char *handler)
{
    LogDebug(QString::fromLatin1(handler) + QStringLiteral("()"));
}

} // namespace servtypeguide
