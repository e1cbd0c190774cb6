#include "FR_BuildOutput.h"

#include "FR_Class.h"
#include "FR_ClassPrepared.h"

#include <algorithm>

namespace {

TfrEMFPages &outputPages()
{
    TfrGlobals &e = frEngine();
    return (e.OutputReport ? e.OutputReport : e.CurrentReport)->EMFPages();
}

} // namespace

TStream &PreparedPageStream()
{
    TfrEMFPages &pages = outputPages();
    // Output always has a page to go to, even from a template whose bands print before any page began.
    if (pages.GetCount() == 0)
        pages.Add(frEngine().ActivePage);
    const int i = std::clamp(frEngine().PageNo, 0, pages.GetCount() - 1);
    TMemoryStream &stream = pages.GetPage(i)->Stream;
    stream.Seek(0, soEnd);
    return stream;
}

void AddPreparedPage(TfrPage *page)
{
    TfrGlobals &e = frEngine();
    outputPages().Add(page);
    if (e.CurrentReport && e.CurrentReport->OnBeginPage)
        e.CurrentReport->OnBeginPage(e.PageNo);
    if (e.OutputReport && e.OutputReport != e.CurrentReport && e.OutputReport->OnBeginPage)
        e.OutputReport->OnBeginPage(e.PageNo);
}

int PreparedPageCount()
{
    return outputPages().GetCount();
}

void ClearPreparedPages()
{
    outputPages().Clear();
}

void PreparedPagePaper(int i, int &size, int &orientation)
{
    TfrEMFPages &pages = outputPages();
    if (i < 0 || i >= pages.GetCount())
        return;
    size = pages.GetPage(i)->PaperSize;
    orientation = pages.GetPage(i)->Orientation;
}

bool BuildStopped()
{
    const TfrReport *r = frEngine().OutputReport;
    return r && r->StopRequested;
}
