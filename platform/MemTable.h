#pragma once

#include "DataSet.h"

// An in-memory table for the program's work tables and single records: its fields are declared in code (or
// by FieldDefs), opening it gives an empty table, closing it drops the rows.
class TMemTable : public TDataSet
{
    Q_OBJECT
public:
    explicit TMemTable(QObject *owner = nullptr) : TDataSet(owner) {}

    // Drops every row of an open table.
    void EmptyTable();

protected:
    // The rows are the table's own: there is nothing to read again.
    void InternalRefresh() override {}
};
