#include "Kyv_DBGridEh.h"

#include "Kyv_GridCDS.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "Services.h"

bool SortByMarkers(TCustomDBGridEh *grid)
{
    TMarkerIndexEh index;
    {
        const TScreenCursorScope wait(crHourGlass);
        auto *dataSet = grid && grid->DataSource() ? qobject_cast<TKyv_ClientDataSet *>(grid->DataSource()->DataSet())
                                                   : nullptr;
        if (!dataSet || !dataSet->Active())
            return false;
        index = MarkerIndexOf(*grid);
        try {
            UseMarkerIndex(*dataSet, index);
            return true;
        } catch (const std::exception &) {
            // Reported below, once the hourglass is gone.
        }
    }
    Services::messages()->error(QStringLiteral("Can not create index ") + index.Name);
    return false;
}
