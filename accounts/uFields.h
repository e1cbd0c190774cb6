#pragma once

#include "DataSet.h"

#include <QStringList>

// A persistent field of `ds` made in code: the data modules declare their datasets' fields this way, so that lookup
// and calculated fields can stand beside the query's columns.
TField *AddDataSetField(TDataSet *ds, const QString &name, TFieldType type, int size = 0, TFieldKind kind = fkData);

// The columns of a schema table as persistent fields, so that lookup and calculated fields can stand beside a
// "select C.*" of it; only the columns named in `only` when it is not empty.
void AddTableFields(TDataSet *ds, const QString &table, const QStringList &only = {});
