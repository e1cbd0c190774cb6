// Printing one band during a build: script and requests, the fit test, stretching, band columns, split bands,
// child bands and subreports.
#include "FR_BuildOutput.h"
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "FR_Intrp.h"
#include "ReportValues.h"

#include "Exceptions.h"

#include <algorithm>

namespace {

bool isDataBand(int type)
{
    return type == btMasterData || type == btDetailData || type == btSubDetailData;
}

// Bands printed at their design position rather than at the cursor.
bool atFixedPosition(int type)
{
    return type == btPageFooter || type == btOverlay || type == btNone;
}

TfrStretcheable *stretcheable(TfrView *view)
{
    return dynamic_cast<TfrStretcheable *>(view);
}

TfrMemoView *memo(TfrView *view)
{
    return dynamic_cast<TfrMemoView *>(view);
}

void notifyPrinting()
{
    // A copy: an object's notification may not change the list under the loop.
    const std::vector<TfrView *> list = frEngine().NotificationList;
    for (TfrView *v : list)
        v->NotifyViewPrinting();
}

} // namespace

void TfrBand::AssignDataSource(const QString &text)
{
    if (BandType == btGroupHeader) {
        Condition = frEngine().Parser().ToPostfix(text);
        return;
    }
    if (!text.contains(u';') && !text.trimmed().isEmpty()) {
        TfrDataset *source = nullptr;
        bool created = false;
        ResolveBandDataSource(text.trimmed(), source, created);
        DataSource = source;
        OwnsDataSource = created;
    }
    if (BandType == btMasterData && !DataSource) {
        const TfrReport *report = frEngine().CurrentReport;
        if (report && report->ReportType == rtSimple)
            DataSource = qobject_cast<TfrDataset *>(report->Dataset.data());
    }
}

void TfrBand::ReleaseDataSource()
{
    if (DataSource)
        DataSource->CloseRange();
    if (CrossDataSource)
        CrossDataSource->CloseRange();
    if (OwnsDataSource)
        delete DataSource;
    if (OwnsCrossDataSource)
        delete CrossDataSource;
    DataSource = CrossDataSource = nullptr;
    OwnsDataSource = OwnsCrossDataSource = false;
}

bool TfrBand::IsUsed() const
{
    return View || (BandType == btNone && !Objects.empty());
}

bool TfrBand::PrintBand()
{
    // A band already printing (its own child, a SHOWBAND of itself) is not printed again inside itself.
    if (m_printing)
        return false;
    struct Guard
    {
        bool &flag;
        ~Guard() { flag = false; }
    } guard{m_printing};
    m_printing = true;

    TfrGlobals &e = frEngine();
    TfrReport *report = e.CurrentReport;
    e.CurrentView = View;
    e.CurrentBand = this;
    CalcHeight = -1;
    NewPageRequests = 0;
    NewColumnRequests = 0;
    if (report && report->OnBeginBand)
        report->OnBeginBand(this);

    // A row of band columns that is still open ends: the next band goes below it.
    TfrBand *last = Page->LastPrintedBand;
    if (last && last != this && last->IsUsed() && last->ColumnNo > 1) {
        Page->ColumnOffsetX = last->ColumnStartX;
        Page->CursorY += last->Height;
        last->ColumnNo = 1;
    }

    KeepScriptY = false;
    if (!ScriptDone && !Script.isEmpty()) {
        try {
            e.Interpreter().RunScript(Script);
        } catch (const Exception &error) {
            ReportExpressionError(error);
        }
    }
    ScriptDone = false;
    // A script may hide or show the band through its object.
    if (View)
        Visible = View->Visible;
    const int scriptY = Page->CursorY;
    if (report && report->StopRequested)
        return false;

    if (!Page->StartingPage) {
        for (int i = 0; i < NewPageRequests; ++i) {
            Page->ColumnIndex = Page->Columns - 1;
            Page->StartNewColumn(this);
        }
        for (int i = 0; i < NewColumnRequests; ++i)
            Page->StartNewColumn(this);
        if (KeepScriptY && NewPageRequests + NewColumnRequests > 0)
            Page->CursorY = scriptY;
    }

    bool result = false;
    if (Visible) {
        if (BandType == btColumnHeader)
            Page->ColumnTopY = Page->CursorY;
        if (BandType == btPageFooter)
            Top = Page->BottomLimit;
        if (IsUsed()) {
            CalcHeight = Height;
            if (!atFixedPosition(BandType) && BandType != btColumnFooter) {
                CalcHeight = MeasureHeight();
                if (Page->CursorY + CalcHeight > Page->BottomLimit && !Breaked) {
                    result = true;
                    if (Page->IsSubreportPage)
                        return true;
                    EnsureRoom(0, 10000, false);
                }
            }
        }
        SubreportsDone = true;
        if (isDataBand(BandType) && Next && !Next->DataSource && DataSource) {
            for (TfrBand *b = this; b; b = b->Next.get()) {
                if (b != this && b->DataSource)
                    break;
                b->EmitBand();
            }
        } else {
            EmitBand();
            if (ChildBand && ChildBand != this)
                ChildBand->PrintBand();
            if (!isDataBand(BandType) && BandType != btGroupHeader && FormNewPage && Visible)
                Page->StartNewPage();
        }
        if (!SubreportsDone)
            result = true;
    } else {
        if (ChildBand && PrintChildIfInvisible && ChildBand != this)
            ChildBand->PrintBand();
        if (isDataBand(BandType))
            AccumulateTotals();
    }

    if (!RepeatingHeader) {
        if (BandType != btPageFooter || e.PageNo >= PreparedPageCount() - 1)
            ResetTotals();
    }
    e.CurrentBand = this;
    if (report && report->OnEndBand)
        report->OnEndBand(this);
    return result;
}

bool TfrBand::EnsureRoom(int top, int height, bool testOnly)
{
    if (BandType == btColumnFooter)
        return false;
    const TfrBand *footer = Page->Band(btColumnFooter);
    const int footerHeight = footer && footer->IsUsed() ? footer->Height : 0;
    if (top + height + footerHeight <= Page->BottomLimit)
        return false;
    // While a new page is being set up, a band that does not fit on it cannot ask for yet another one.
    if (!testOnly && !Page->StartingPage)
        Page->StartNewColumn(this);
    return true;
}

int TfrBand::MeasureHeight()
{
    if (isDataBand(BandType) && Next && !Next->DataSource && DataSource) {
        int sum = 0;
        for (TfrBand *b = this; b; b = b->Next.get()) {
            if (b != this && b->DataSource)
                break;
            b->CalcHeight = b->Height;
            sum += b->MeasureStretch();
        }
        return sum;
    }
    CalcHeight = Height;
    return Stretched ? MeasureStretch() : Height;
}

int TfrBand::MeasureStretch()
{
    TfrGlobals &e = frEngine();
    int result = 0;
    if (HasCrossCells() && BandType != btPageFooter) {
        TfrBand *crossData = Page->Band(btCrossData);
        Page->CrossColumnNo = 1;
        if (TfrReport *report = e.CurrentReport)
            report->DoBeginColumn(this);
        result = Height;
        if (crossData && crossData->IsUsed()) {
            TfrDataset *source = crossData->DataSource ? crossData->DataSource : CrossDataSource;
            if (source) {
                source->MoveFirst();
                while (!source->AtEnd() && !BuildStopped()) {
                    int width = crossData->Width;
                    if (TfrReport *report = e.CurrentReport)
                        report->DoPrintColumn(Page->CrossColumnNo, width);
                    for (TfrView *v : Objects)
                        if (TfrStretcheable *s = stretcheable(v))
                            s->DrawMode = 0;
                    result = std::max(result, TallestObject());
                    ++Page->CrossColumnNo;
                    source->MoveNext();
                }
            }
        }
        if (result == Height)
            result = std::max(result, TallestObject());
    } else {
        result = TallestObject();
    }
    CalcHeight = result;
    return result;
}

int TfrBand::TallestObject()
{
    TfrGlobals &e = frEngine();
    int result = Height;
    m_keptHeights.resize(Objects.size());
    for (size_t i = 0; i < Objects.size(); ++i) {
        TfrView *v = Objects[i];
        m_keptHeights[i] = v->Height;
        TfrStretcheable *s = stretcheable(v);
        if (!s || (v->Parent != this && !(v->Parent && v->Parent->BandType >= btCrossHeader
                                          && v->Parent->BandType <= btCrossFooter)))
            continue;
        e.CurrentView = v;
        e.CurrentBand = this;
        try {
            result = std::max(result, v->Top + s->CalcHeight());
        } catch (const Exception &error) {
            ReportExpressionError(error);
        }
    }
    e.CurrentBand = this;
    return result;
}

void TfrBand::StretchObjects(int height)
{
    m_keptHeights.resize(Objects.size());
    for (size_t i = 0; i < Objects.size(); ++i) {
        TfrView *v = Objects[i];
        m_keptHeights[i] = v->Height;
        if (v->IsStretched() && v->Height > 0)
            v->Height = height - v->Top;
    }
}

void TfrBand::RestoreObjectHeights()
{
    for (size_t i = 0; i < Objects.size() && i < m_keptHeights.size(); ++i)
        Objects[i]->Height = m_keptHeights[i];
}

void TfrBand::EmitBand()
{
    if (!IsUsed())
        return;
    const int designTop = Top;
    if (!atFixedPosition(BandType))
        Top = Page->CursorY;
    if (CalcHeight < 0)
        CalcHeight = Height;
    if (Stretched && !atFixedPosition(BandType)) {
        StretchObjects(CalcHeight);
        PrintedHeight = CalcHeight;
        if (!Breaked)
            EnsureRoom(Top, CalcHeight, false);
        Top = Page->CursorY;
        bool moved = false;
        if (Breaked) {
            EmitSplit();
            moved = true;
        } else {
            moved = EmitObjects();
            if (HasCrossCells())
                EmitCrossRow();
        }
        RestoreObjectHeights();
        if (!moved)
            Page->CursorY += CalcHeight;
    } else {
        if (!atFixedPosition(BandType)) {
            if (!Breaked)
                EnsureRoom(Top, Height, false);
            Top = Page->CursorY;
        }
        if (Breaked) {
            PrintedHeight = CalcHeight;
            EmitSplit();
        } else {
            const bool moved = EmitObjects();
            if (HasCrossCells())
                EmitCrossRow();
            if (!atFixedPosition(BandType) && !moved)
                Page->CursorY += Height;
        }
    }

    // Band columns: the next record prints beside this one until the row is full.
    if (Page->LastPrintedBand != this)
        ColumnNo = 1;
    Page->LastPrintedBand = this;
    const auto *bandView = dynamic_cast<const TfrBandView *>(View);
    if (bandView && bandView->Columns > 1 && bandView->NewColumnAfter == 1) {
        if (ColumnNo == 1)
            ColumnStartX = Page->ColumnOffsetX;
        ++ColumnNo;
        if (ColumnNo > bandView->Columns) {
            Page->ColumnOffsetX = ColumnStartX;
            ColumnNo = 1;
        } else {
            Page->ColumnOffsetX = ColumnStartX + (bandView->ColumnWidth + bandView->ColumnGap) * (ColumnNo - 1);
            Page->CursorY -= CalcHeight;
        }
    }
    Top = designTop;
    if (isDataBand(BandType))
        AccumulateTotals();
}

bool TfrBand::EmitObjects()
{
    TfrGlobals &e = frEngine();
    for (size_t i = 0; i < Objects.size(); ++i) {
        if (BuildStopped())
            break;
        TfrView *v = Objects[i];
        if (v->TypeCode == 3 && v->Visible && v->Parent == this) {
            FirstSubreport = int(i);
            const int notedY = Page->CursorY + Height;
            const int notedPage = e.PageNo;
            StartSubreports();
            RunSubreports();
            if (e.PageNo == notedPage && Page->CursorY < notedY)
                Page->CursorY = notedY;
            e.ActivePage = Page;
            return true;
        }
        EmitObject(v);
    }
    return false;
}

void TfrBand::EmitObject(TfrView *view)
{
    TfrGlobals &e = frEngine();
    e.ActivePage = Page;
    e.CurrentBand = this;
    if (view->Parent != this)
        return;
    try {
        if (Breaked || !e.FirstOfTwoPasses) {
            const int left = view->Left, top = view->Top;
            view->Left += Page->ColumnOffsetX - Page->PrintAreaLeft();
            view->Top += Top;
            e.CurrentView = view;
            TfrMemoView *m = memo(view);
            const bool whole = !m || m->DrawMode < 2;
            struct Restore
            {
                TfrView *v;
                int left, top;
                ~Restore()
                {
                    v->Left = left;
                    v->Top = top;
                }
            } restore{view, left, top};
            view->WritePrepared(PreparedPageStream());
            if (m && whole)
                notifyPrinting();
        } else {
            e.CurrentView = view;
            TfrMemoView *m = memo(view);
            if ((!m || m->DrawMode == 0) && !view->Script.isEmpty())
                e.Interpreter().RunScript(view->Script);
        }
    } catch (const Exception &error) {
        ReportExpressionError(error);
    }
}

void TfrBand::ShiftObjectsBelow(TfrView *view, int dy)
{
    const int bottom = view->Top + view->Height;
    for (TfrView *v : Objects)
        if (v != view && v->Top >= bottom && v->Left >= view->Left && v->Left <= view->Left + view->Width)
            v->Top += dy;
}

void TfrBand::EmitSplit()
{
    TfrGlobals &e = frEngine();
    m_writeAtEnd.clear();
    for (TfrView *v : Objects) {
        v->IsSelected = true;
        v->DesignRect = QRect(v->Left, v->Top, v->Width, v->Height);
        if (v->BandAlign == 5) // bottom of the band
            v->Top = CalcHeight - v->Height;
    }
    auto anyPending = [this] {
        return std::any_of(Objects.begin(), Objects.end(), [](const TfrView *v) { return v->IsSelected; });
    };
    auto write = [this](TfrView *v) {
        v->IsSelected = false;
        EmitObject(v);
    };

    if (!EnsureRoom(Top, PrintedHeight, true)) {
        for (TfrView *v : Objects)
            v->IsSelected = false;
        EmitObjects();
    } else {
        const TfrBand *footer = Page->Band(btColumnFooter);
        const int footerHeight = footer && footer->IsUsed() ? footer->Height : 0;
        int reached = 0;
        while (anyPending() && !BuildStopped()) {
            const int room = Page->BottomLimit - footerHeight - Top - 2;
            reached = 0;
            // A part that writes nothing while nothing lies further down would repeat itself on every page.
            bool progressed = false;
            for (const TfrView *v : Objects)
                if (v->IsSelected && v->Top >= room && room > 0)
                    progressed = true;
            for (TfrView *v : Objects) {
                if (!v->IsSelected || v->Top < 0 || v->Top >= room)
                    continue;
                TfrStretcheable *s = stretcheable(v);
                if (v->Top + v->Height < room) {
                    write(v);
                    progressed = true;
                    reached = std::max(reached, v->Top + v->Height);
                } else if (s) {
                    const int height = v->Height;
                    v->Height = room - v->Top + 1;
                    const int remain = s->RemainHeight();
                    const int minimal = s->MinHeight();
                    if (minimal < v->Height) {
                        s->DrawMode = 2;
                        EmitObject(v);
                        progressed = true;
                    }
                    v->Height = height;
                    ShiftObjectsBelow(v, remain);
                    v->Height += remain;
                } else {
                    v->Top = room;
                }
            }
            for (TfrView *v : Objects) {
                TfrStretcheable *s = stretcheable(v);
                if (!v->IsSelected || !s || v->Top >= 0 || v->Top + v->Height < 0)
                    continue;
                const int bottom = v->Top + v->Height;
                if (bottom < room) {
                    v->Height = bottom;
                    v->Top = 0;
                    s->DrawMode = 2;
                    v->IsSelected = false;
                    progressed = true;
                    reached = std::max(reached, v->Height);
                    if (v->IsStretched())
                        m_writeAtEnd.push_back(v);
                    else
                        EmitObject(v);
                } else {
                    const int top = v->Top, height = v->Height;
                    v->Top = 0;
                    v->Height = room;
                    s->DrawMode = 2;
                    const int remain = s->RemainHeight();
                    EmitObject(v);
                    progressed = true;
                    v->Top = top;
                    v->Height = height;
                    ShiftObjectsBelow(v, remain);
                    v->Height += remain;
                }
            }
            if (!progressed) {
                // What is left cannot be cut into this room: it is written as it is.
                for (TfrView *v : Objects)
                    if (v->IsSelected) {
                        v->Top = std::max(v->Top, 0);
                        write(v);
                        reached = std::max(reached, v->Top + v->Height);
                    }
                break;
            }
            bool pending = false;
            for (TfrView *v : Objects)
                if (v->IsSelected) {
                    v->Top -= room;
                    pending = true;
                }
            if (pending) {
                EnsureRoom(Top, 10000, false);
                Top = Page->CursorY;
            }
        }
        PrintedHeight = reached;
    }
    for (TfrView *v : m_writeAtEnd) {
        v->Height = PrintedHeight;
        EmitObject(v);
    }
    m_writeAtEnd.clear();
    for (TfrView *v : Objects) {
        v->IsSelected = false;
        v->Left = v->DesignRect.left();
        v->Top = v->DesignRect.top();
        v->Width = v->DesignRect.width();
        v->Height = v->DesignRect.height();
        if (TfrStretcheable *s = stretcheable(v))
            s->DrawMode = 0;
    }
    Page->CursorY += PrintedHeight;
    (void)e;
}

// ---- subreports

namespace {

// The template page a subreport object shows; none for a page that does not exist, for the band's own page
// and for a page already being built (a subreport never shows itself).
TfrPage *subreportPage(const TfrView *view, const TfrPage *own)
{
    const auto *sub = dynamic_cast<const TfrSubReportView *>(view);
    TfrReport *report = frEngine().CurrentReport;
    if (!sub || !report || sub->SubPageIndex < 0 || sub->SubPageIndex >= report->Pages().GetCount())
        return nullptr;
    TfrPage *page = report->Pages().GetPage(sub->SubPageIndex);
    if (page == own || page->Building || page->Type != 0 || !page->Prepared)
        return nullptr;
    return page;
}

} // namespace

template<class F>
static void forEachSubreport(TfrBand &band, const std::vector<TfrView *> &objects, F f)
{
    int k = 0;
    for (size_t i = size_t(std::max(0, band.FirstSubreport)); i < objects.size() && k < int(band.SubreportDone.size());
         ++i) {
        TfrView *v = objects[i];
        if (v->TypeCode != 3 || !v->Visible || v->Parent != &band)
            continue;
        f(k++, v);
    }
}

void TfrBand::StartSubreports()
{
    forEachSubreport(*this, Objects, [this](int k, TfrView *v) {
        TfrPage *p = subreportPage(v, Page);
        SubreportDone[size_t(k)] = true;
        if (!p)
            return;
        p->ClearPlayList();
        p->Recording = 1;
        p->BuildPage();
        p->CursorY = v->Top + Top;
        p->BottomLimit = Page->BottomLimit;
        p->ColumnOffsetX = Page->ColumnOffsetX + v->Left;
        p->LeftMargin = Page->LeftMargin;
        p->TopMargin = Page->TopMargin;
        p->RightMargin = Page->RightMargin;
        p->BottomMargin = Page->BottomMargin;
        p->MarginsUsed = Page->MarginsUsed;
        p->Columns = 1;
        p->ColumnIndex = 0;
        p->ReplayPos = 0;
        SubreportDone[size_t(k)] = false;
    });
    Page->PendingSubreportBand = nullptr;
}

void TfrBand::RunSubreports()
{
    TfrGlobals &e = frEngine();
    bool firstCycle = Page->PendingSubreportBand != this;
    // Cycles that moved no subreport on: two in a row mean that not even a fresh page takes the next band.
    int stalls = 0;
    auto replayed = [this] {
        int sum = 0;
        forEachSubreport(*this, Objects, [this, &sum](int, TfrView *v) {
            if (const TfrPage *p = subreportPage(v, Page))
                sum += p->ReplayPos;
        });
        return sum;
    };
    do {
        if (!firstCycle)
            forEachSubreport(*this, Objects, [this](int, TfrView *v) {
                if (TfrPage *p = subreportPage(v, Page)) {
                    p->CursorY = Page->CursorY;
                    p->BottomLimit = Page->BottomLimit;
                }
            });
        firstCycle = false;
        SubreportsDone = true;
        SubreportsBottom = Page->CursorY;
        const int before = replayed();
        forEachSubreport(*this, Objects, [this](int k, TfrView *v) {
            if (SubreportDone[size_t(k)])
                return;
            TfrPage *p = subreportPage(v, Page);
            if (!p) {
                SubreportDone[size_t(k)] = true;
                return;
            }
            if (p->ReplayRecords()) {
                SubreportsDone = false;
            } else {
                SubreportDone[size_t(k)] = true;
                SubreportsBottom = std::max(SubreportsBottom, p->CursorY);
            }
        });
        if (!SubreportsDone) {
            if (Page->IsSubreportPage) {
                Page->PendingSubreportBand = this;
                return;
            }
            stalls = replayed() == before ? stalls + 1 : 0;
            const int pages = PreparedPageCount();
            if (stalls < 2) {
                if (e.CurrentBand)
                    e.CurrentBand->ScriptDone = true;
                Page->StartNewPage();
            }
            // Without a new page (one is being set up) or without progress the rest of the subreports is given
            // up rather than tried without end.
            if (stalls >= 2 || PreparedPageCount() == pages)
                SubreportsDone = true;
        }
    } while (!SubreportsDone && !BuildStopped());
    forEachSubreport(*this, Objects, [this](int, TfrView *v) {
        if (TfrPage *p = subreportPage(v, Page)) {
            p->ClearPlayList();
            p->Recording = 0;
        }
    });
    Page->CursorY = SubreportsBottom;
    Page->PendingSubreportBand = nullptr;
}
