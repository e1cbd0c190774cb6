#include "MemTable.h"

void TMemTable::EmptyTable()
{
    CheckActive();
    CheckBrowseMode();
    ClearRows();
    RebuildOrder(false);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}
