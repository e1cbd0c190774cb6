#pragma once

#include "DBGridEh.h"

#include <initializer_list>

class TKyv_DBGridEh;

// One column of a list window's grid: field, title, width and footer.
struct TGridColumnSpec
{
    const char *field;
    const char *title;
    int width;
    TFooterValueType footer;
};

// Adds the columns with their titles as title buttons (local sorting by title).
void AddGridColumns(TKyv_DBGridEh *grid, std::initializer_list<TGridColumnSpec> columns);
