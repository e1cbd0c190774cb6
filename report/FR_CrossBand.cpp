// Cross rows: a row band prints the cells of the cross header, one copy of the cross data cells per record of
// the cross source, and the cross footer, continuing on the following prepared pages when the width runs out.
#include "FR_BuildOutput.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_Intrp.h"
#include "ReportValues.h"

#include "Exceptions.h"

#include <algorithm>

namespace {

void runScript(TfrBand *band)
{
    if (band->Script.isEmpty())
        return;
    try {
        frEngine().Interpreter().RunScript(band->Script);
    } catch (const Exception &error) {
        ReportExpressionError(error);
    }
}

// The prepared page on which the row being written started.
int rowStartPage = 0;

} // namespace

void TfrBand::EmitCrossRow()
{
    if (BandType == btPageFooter)
        return;
    TfrGlobals &e = frEngine();
    TfrReport *report = e.CurrentReport;
    e.CrossOffsetX = 0;
    Page->CrossColumnNo = 1;
    int x = 0;
    const int keptPage = e.PageNo;
    rowStartPage = e.PageNo;
    e.CrossRunning = true;
    if (report)
        report->DoBeginColumn(this);

    TfrBand *header = Page->Band(btCrossHeader);
    TfrBand *data = Page->Band(btCrossData);
    TfrBand *footer = Page->Band(btCrossFooter);
    if (header && header->IsUsed()) {
        e.CurrentView = header->View;
        runScript(header);
        EmitCrossCell(header, header->Left);
        x = header->Left + header->Width;
    }
    if (data && data->IsUsed()) {
        if (x == 0)
            x = data->Left;
        TfrDataset *source = data->DataSource ? data->DataSource : CrossDataSource;
        if (source)
            source->MoveFirst();
        // A master footer whose own cross source is empty still gets a cell for every column seen.
        std::unique_ptr<TfrDataset> counter;
        if (BandType == btMasterFooter && (!source || source->AtEnd())) {
            counter = std::make_unique<TfrUserDataset>();
            counter->RangeEnd = reCount;
            counter->RangeEndCount = data->CrossColumns;
            counter->OpenRange();
            counter->MoveFirst();
            source = counter.get();
        }
        int records = 0;
        while (source && !source->AtEnd() && !BuildStopped()) {
            e.CurrentView = data->View;
            if (report)
                report->DoPrintColumn(Page->CrossColumnNo, data->Width);
            runScript(data);
            CrossNextPage(data->Width, x);
            EmitCrossCell(data, x);
            data->AccumulateTotals();
            if (BandType == btMasterData || BandType == btDetailData || BandType == btSubDetailData)
                AccumulateTotals();
            x += data->Width;
            ++Page->CrossColumnNo;
            ++records;
            source->MoveNext();
        }
        if (!counter)
            data->CrossColumns = std::max(data->CrossColumns, records);
    }
    if (footer && footer->IsUsed()) {
        if (x == 0)
            x = footer->Left;
        e.CurrentView = footer->View;
        runScript(footer);
        CrossNextPage(footer->Width, x);
        EmitCrossCell(footer, x);
        footer->ResetTotals();
    }
    e.PageNo = keptPage;
    e.CrossOffsetX = 0;
    e.CrossRunning = false;
    e.CurrentBand = this;
}

void TfrBand::CrossNextPage(int width, int &x)
{
    TfrGlobals &e = frEngine();
    if (x + width <= Page->PrintAreaRight())
        return;
    e.CrossOffsetX += x - Page->PrintAreaLeft();
    x = Page->PrintAreaLeft();
    ++e.PageNo;
    if (e.PageNo >= PreparedPageCount()) {
        AddPreparedPage(Page);
        const int y = Page->CursorY;
        Page->ShowBand(Page->Band(btOverlay));
        Page->CursorY = Page->PrintAreaTop();
        TfrBand *pageHeader = Page->Band(btPageHeader);
        if (pageHeader && (rowStartPage > 0 || (pageHeader->Flags & bfOnFirstPage)))
            Page->ShowBand(pageHeader);
        Page->CursorY = y;
        if (e.CurrentReport)
            e.CurrentReport->DoProgress(e.PageNo + 1);
    }
    TfrBand *header = Page->Band(btCrossHeader);
    if (header && header->IsUsed() && (header->Flags & bfRepeatHeader)) {
        EmitCrossCell(header, Page->PrintAreaLeft());
        x += header->Width;
    }
}

void TfrBand::EmitCrossCell(TfrBand *cross, int x)
{
    TfrGlobals &e = frEngine();
    e.CurrentBand = cross;
    cross->LineNo = LineNo;
    cross->LineThroughNo = LineThroughNo;
    if (cross->BandType == btCrossData)
        cross->TotalsBand = this;
    for (TfrView *v : cross->Objects) {
        if (std::find(Objects.begin(), Objects.end(), v) == Objects.end())
            continue;
        e.CurrentView = v;
        try {
            if (e.FirstOfTwoPasses) {
                if (!v->Script.isEmpty())
                    e.Interpreter().RunScript(v->Script);
                continue;
            }
            const int left = v->Left, top = v->Top;
            v->Left += x;
            v->Top += Top;
            auto *m = dynamic_cast<TfrMemoView *>(v);
            const bool whole = !m || m->DrawMode < 2;
            try {
                v->WritePrepared(PreparedPageStream());
            } catch (...) {
                v->Left = left;
                v->Top = top;
                throw;
            }
            v->Left = left;
            v->Top = top;
            v->Parent = cross;
            if (m && whole) {
                const std::vector<TfrView *> list = e.NotificationList;
                for (TfrView *n : list)
                    n->NotifyViewPrinting();
            }
        } catch (const Exception &error) {
            ReportExpressionError(error);
            return;
        }
    }
}
