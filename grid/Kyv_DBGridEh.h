#pragma once

// The program's own grid, placed on the customer, payment, guide and smart-card windows. It is the data grid
// with a few of its settings pinned: every kind of selection allowed, the default column values, SortLocal off
// and no handler after the totals' recalculation. Windows sort its client dataset by the title markers with
// SortByMarkers, from OnSortMarkingChanged and again after they reopen the dataset.

#include "DBGridEh.h"

class TKyv_DBGridEh : public TCustomDBGridEh
{
    Q_OBJECT
public:
    using TCustomDBGridEh::TCustomDBGridEh;

private:
    // Kept at the values the grid is made with; a window cannot reach them through this class.
    using TCustomDBGridEh::AllowedSelections;
    using TCustomDBGridEh::SetAllowedSelections;
    using TCustomDBGridEh::ColumnDefValues;
    using TCustomDBGridEh::OnSumListAfterRecalcAll;
    using TCustomDBGridEh::SortLocal;
};

// Sorts the grid's open TKyv_ClientDataSet by its sort markers through the index named after them (see
// Kyv_GridCDS.h), showing the hourglass meanwhile. True when an index was chosen or built, or no column carries
// a marker (the order stays). False, with nothing changed, for another dataset, a closed one, or an index that
// cannot be built ("Can not create index " + its name is shown).
bool SortByMarkers(TCustomDBGridEh *grid);
