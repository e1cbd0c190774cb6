#include "FR_BuildOutput.h"

#include "FR_Class.h"
#include "FR_Utils.h"

#include "Streams.h"

#include <map>
#include <vector>

namespace {

struct PreparedPage
{
    int PaperSize = 0, Orientation = 0;
    std::unique_ptr<TMemoryStream> Stream;
};

std::map<const TfrReport *, std::vector<PreparedPage>> &store()
{
    static std::map<const TfrReport *, std::vector<PreparedPage>> pages;
    return pages;
}

std::vector<PreparedPage> &outputPages()
{
    return store()[frEngine().OutputReport];
}

std::unique_ptr<TfrProgress> &progressSlot()
{
    static std::unique_ptr<TfrProgress> progress = std::make_unique<TfrProgress>();
    return progress;
}

} // namespace

TStream &PreparedPageStream()
{
    auto &pages = outputPages();
    const int i = std::clamp(frEngine().PageNo, 0, int(pages.size()) - 1);
    TMemoryStream &s = *pages.at(size_t(i)).Stream;
    s.Seek(0, soEnd);
    return s;
}

void AddPreparedPage(TfrPage *page)
{
    TfrGlobals &e = frEngine();
    PreparedPage p;
    p.PaperSize = page->PaperSize;
    p.Orientation = page->Orientation;
    p.Stream = std::make_unique<TMemoryStream>();
    WriteStreamByte(*p.Stream, 24);
    outputPages().push_back(std::move(p));
    if (e.CurrentReport && e.CurrentReport->OnBeginPage)
        e.CurrentReport->OnBeginPage(e.PageNo);
    if (e.OutputReport && e.OutputReport != e.CurrentReport && e.OutputReport->OnBeginPage)
        e.OutputReport->OnBeginPage(e.PageNo);
}

int PreparedPageCount()
{
    return int(outputPages().size());
}

void ClearPreparedPages()
{
    outputPages().clear();
}

void PreparedPagePaper(int i, int &size, int &orientation)
{
    auto &pages = outputPages();
    if (i < 0 || i >= int(pages.size()))
        return;
    size = pages[size_t(i)].PaperSize;
    orientation = pages[size_t(i)].Orientation;
}

QByteArray PreparedPageBytes(const TfrReport *report, int i)
{
    auto &pages = store()[report];
    return i >= 0 && i < int(pages.size()) ? pages[size_t(i)].Stream->Bytes() : QByteArray();
}

int PreparedPageCountOf(const TfrReport *report)
{
    return int(store()[report].size());
}

TfrProgress &EngineProgress()
{
    return *progressSlot();
}

void SetEngineProgress(std::unique_ptr<TfrProgress> progress)
{
    progressSlot() = progress ? std::move(progress) : std::make_unique<TfrProgress>();
}
