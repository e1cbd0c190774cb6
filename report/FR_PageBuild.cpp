// The build of one template page: its band tree, the walk over its data level by level with groups, new pages
// and columns, headers and footers, and the recording of a page shown by a subreport.
#include "FR_BuildOutput.h"
#include "FR_Class.h"
#include "FR_ClassControls.h"
#include "FR_DBSet.h"
#include "FR_Intrp.h"
#include "ReportValues.h"

#include "Exceptions.h"

#include <QDialog>

#include <algorithm>

namespace {

bool finalOfTwoPasses()
{
    const TfrReport *r = frEngine().CurrentReport;
    return r && r->TwoPass && r->FinalPass;
}

void raiseEndPage(int pageNo)
{
    TfrGlobals &e = frEngine();
    if (e.CurrentReport && e.CurrentReport->OnEndPage)
        e.CurrentReport->OnEndPage(pageNo);
    if (e.OutputReport && e.OutputReport != e.CurrentReport && e.OutputReport->OnEndPage)
        e.OutputReport->OnEndPage(pageNo);
}

void compileInPlace(QStringList &script)
{
    if (script.isEmpty())
        return;
    const QStringList source = script;
    QStringList errors;
    frEngine().Interpreter().CompileScript(source, script, errors);
}

void keepInRange(int &value, int limit)
{
    value = std::clamp(value, -limit, limit);
}

int dataBandType(int level)
{
    return level == 1 ? btMasterData : level == 2 ? btDetailData : btSubDetailData;
}

struct FlagGuard
{
    bool &flag;
    bool saved;
    explicit FlagGuard(bool &f) : flag(f), saved(f) { flag = true; }
    ~FlagGuard() { flag = saved; }
};

} // namespace

void RunPageScript(TfrPage *page, const QStringList &lines)
{
    Q_UNUSED(page);
    if (lines.isEmpty())
        return;
    TfrGlobals &e = frEngine();
    e.CurrentView = nullptr;
    QStringList compiled, errors;
    e.Interpreter().CompileScript(lines, compiled, errors);
    try {
        e.Interpreter().RunScript(compiled);
    } catch (const Exception &error) {
        ReportExpressionError(error);
    }
}

void KeepGeometryInRange(TfrPage &page)
{
    constexpr int Length = 100000, Small = 1000;
    for (int *v : {&page.LeftMargin, &page.TopMargin, &page.RightMargin, &page.BottomMargin, &page.ColumnGap})
        keepInRange(*v, Length);
    page.Columns = std::clamp(page.Columns, 0, Small);
    for (const auto &owned : page.Objects) {
        TfrView *view = owned.get();
        for (int *v : {&view->Left, &view->Top, &view->Width, &view->Height})
            keepInRange(*v, Length);
        keepInRange(view->GapX, Small);
        keepInRange(view->GapY, Small);
        view->FrameWidth = std::clamp(view->FrameWidth, 0.0, double(Small));
        if (auto *m = dynamic_cast<TfrMemoView *>(view)) {
            keepInRange(m->LineSpacing, Small);
            keepInRange(m->CharSpacing, Small);
            keepInRange(m->Font.Size, Small);
        }
        if (auto *b = dynamic_cast<TfrBandView *>(view)) {
            b->Columns = std::clamp(b->Columns, 0, Small);
            keepInRange(b->ColumnWidth, Length);
            keepInRange(b->ColumnGap, Length);
        }
    }
}

// ---- preparation

void TfrPage::PrepareBuild()
{
    TfrGlobals &e = frEngine();
    if (finalOfTwoPasses()) {
        if (Type == 0) {
            for (const auto &band : BandsByType)
                if (band && band->DataSource)
                    band->DataSource->MoveFirst();
            // The record counter starts again, as it does in a build of one pass.
            RecordNo = 1;
            CrossColumnNo = 1;
        }
        return;
    }
    if (Type == 1) {
        e.ActivePage = this;
        TfrReport *report = e.CurrentReport;
        for (const auto &view : Objects) {
            auto *control = dynamic_cast<TfrNonVisualControl *>(view.get());
            if (control && report && report->OnCustomizeObject)
                report->OnCustomizeObject(control->Component());
        }
        e.DialogCancelled = ShowDialogPage(*this, [this] { RunPageScript(this, Script); });
    } else {
        for (int t = 0; t <= btNone; ++t)
            BandsByType[size_t(t)] = std::make_unique<TfrBand>(t, this);
        BuildBandTree();
        RecordNo = 1;
        CrossColumnNo = 1;
    }
    Prepared = true;
}

void TfrPage::FinishBuild()
{
    TfrGlobals &e = frEngine();
    if (e.FirstOfTwoPasses)
        return;
    if (Prepared) {
        if (Type == 1) {
            FreeDialogPage(*this);
        } else {
            for (auto &first : BandsByType)
                for (TfrBand *b = first.get(); b; b = b->Next.get())
                    b->ReleaseDataSource();
            for (auto &first : BandsByType)
                first.reset();
            ClearPlayList();
            LastPrintedBand = nullptr;
            PendingSubreportBand = nullptr;
        }
    }
    Prepared = false;
}

void TfrPage::BuildBandTree()
{
    TfrGlobals &e = frEngine();
    TfrReport *report = e.CurrentReport;
    e.ActivePage = this;
    std::vector<TfrView *> all;
    std::vector<bool> unassigned;
    for (const auto &owned : Objects) {
        TfrView *v = owned.get();
        all.push_back(v);
        v->RecordMode = 1;
        if (auto *m = dynamic_cast<TfrMemoView *>(v); m && !m->HighlightCondition.isEmpty())
            m->HighlightCondition = e.Parser().ToPostfix(m->HighlightCondition);
        if (v->Flags & 0x8000)
            e.NotificationList.push_back(v);
        unassigned.push_back(v->TypeCode != 2);
        v->Parent = nullptr;
        compileInPlace(v->Script);
        if (auto *sub = dynamic_cast<TfrSubReportView *>(v); sub && report && sub->SubPageIndex >= 0
                                                              && sub->SubPageIndex < report->Pages().GetCount()) {
            TfrPage *shown = report->Pages().GetPage(sub->SubPageIndex);
            if (shown != this)
                shown->IsSubreportPage = true;
        }
    }
    auto bandType = [](TfrView *v) { return v->TypeCode == 2 ? static_cast<TfrBandView *>(v)->GetBandType() : -1; };
    auto takeBandObject = [](TfrBand *b, TfrView *v) {
        b->Memo = v->Memo;
        b->Script = v->Script;
        b->View = v;
        b->Flags = v->Flags;
        b->Visible = v->Visible;
        b->Name = v->Name;
        v->Parent = b;
    };

    // Cross bands first: what lies inside their strip belongs to them.
    for (int t = btCrossHeader; t <= btCrossFooter; ++t) {
        TfrView *object = nullptr;
        for (TfrView *v : all)
            if (bandType(v) == t) {
                object = v;
                break;
            }
        if (!object)
            continue;
        TfrBand *b = Band(t);
        takeBandObject(b, object);
        b->Left = object->Left;
        b->Width = object->Width;
        b->AssignDataSource(object->FormatText);
        for (size_t i = 0; i < all.size(); ++i) {
            TfrView *v = all[i];
            if (!unassigned[i] || v->Left < b->Left || v->Left + v->Width > b->Left + b->Width)
                continue;
            unassigned[i] = false;
            v->Parent = b;
            v->Left -= b->Left;
            b->Objects.push_back(v);
        }
    }

    std::vector<bool> listedCell(all.size(), false);
    auto within = [](const TfrBand *b, const TfrView *v) { return v->Top >= b->Top && v->Top < b->Top + b->Height; };
    for (int t = 0; t <= btChild; ++t) {
        if (t >= btCrossHeader && t <= btCrossFooter)
            continue;
        TfrBand *last = nullptr;
        for (TfrView *object : all) {
            if (bandType(object) != t)
                continue;
            TfrBand *b = Band(t);
            if (last) {
                last->Next = std::make_unique<TfrBand>(t, this);
                b = last->Next.get();
            }
            last = b;
            takeBandObject(b, object);
            b->Top = object->Top;
            b->Height = object->Height;
            b->Stretched = b->Flags & 0x01;
            b->PrintIfSubsetEmpty = b->Flags & 0x04;
            b->PrintChildIfInvisible = b->Flags & 0x80;
            b->FormNewPage = !IsSubreportPage && (b->Flags & 0x02);
            b->Breaked = !IsSubreportPage && (b->Flags & 0x08);
            b->ColumnNo = 1;
            b->AssignDataSource(object->FormatText);
            for (int sweep = 0; sweep < 3; ++sweep)
                for (size_t i = 0; i < all.size(); ++i) {
                    TfrView *v = all[i];
                    const bool subreport = v->TypeCode == 3;
                    const bool crossCell = !unassigned[i] && v->Parent && v->Parent->BandType >= btCrossHeader
                                           && v->Parent->BandType <= btCrossFooter && v->TypeCode != 2;
                    const bool take = sweep == 0 ? unassigned[i] && !subreport
                                      : sweep == 1 ? crossCell
                                                   : unassigned[i] && subreport;
                    if (!take || !within(b, v))
                        continue;
                    // A cross cell keeps its cross band; the row lists it with a top relative to the row.
                    if (sweep == 1) {
                        if (listedCell[i])
                            continue;
                        listedCell[i] = true;
                        v->Top -= b->Top;
                        b->Objects.push_back(v);
                        continue;
                    }
                    unassigned[i] = false;
                    v->Parent = b;
                    v->Top -= b->Top;
                    b->Objects.push_back(v);
                }
        }
        // The chain in order of the bands' tops.
        std::vector<std::unique_ptr<TfrBand>> chain;
        if (Band(t) && Band(t)->View) {
            std::unique_ptr<TfrBand> head = std::move(BandsByType[size_t(t)]);
            while (head) {
                std::unique_ptr<TfrBand> next = std::move(head->Next);
                chain.push_back(std::move(head));
                head = std::move(next);
            }
            std::stable_sort(chain.begin(), chain.end(), [](const auto &a, const auto &b) { return a->Top < b->Top; });
            for (size_t i = chain.size(); i-- > 1;) {
                chain[i]->Prev = chain[i - 1].get();
                chain[i - 1]->Next = std::move(chain[i]);
            }
            chain[0]->Prev = nullptr;
            BandsByType[size_t(t)] = std::move(chain[0]);
            TfrBand *lastBand = Band(t);
            while (lastBand->Next)
                lastBand = lastBand->Next.get();
            Band(t)->LastInChain = lastBand;
        }
    }

    TfrBand *loose = Band(btNone);
    loose->Top = 0;
    for (size_t i = 0; i < all.size(); ++i)
        if (unassigned[i]) {
            all[i]->Parent = loose;
            loose->Objects.push_back(all[i]);
        }

    // Headers and footers of the three data levels.
    const int levels[3][3] = {{btMasterHeader, btMasterData, btMasterFooter},
                              {btDetailHeader, btDetailData, btDetailFooter},
                              {btSubDetailHeader, btSubDetailData, btSubDetailFooter}};
    for (const auto &level : levels) {
        for (TfrBand *h = Band(level[0]); h && h->View; h = h->Next.get())
            for (TfrBand *d = Band(level[1]); d && d->View; d = d->Next.get())
                if (h->Top + h->Height < d->Top && !d->HeaderBand) {
                    d->HeaderBand = h;
                    h->DataBand = d;
                    break;
                }
        for (TfrBand *f = Band(level[2]); f && f->View; f = f->Next.get()) {
            TfrBand *found = nullptr;
            for (TfrBand *d = Band(level[1]); d && d->View; d = d->Next.get())
                if (d->Top + d->Height <= f->Top && !d->FooterBand)
                    found = d;
            if (found) {
                found->FooterBand = f;
                f->DataBand = found;
            }
        }
    }

    // Group footers pair with group headers from the inside out.
    std::vector<TfrBand *> headers, footers;
    for (TfrBand *b = Band(btGroupHeader); b && b->View; b = b->Next.get())
        headers.push_back(b);
    for (TfrBand *b = Band(btGroupFooter); b && b->View; b = b->Next.get())
        footers.push_back(b);
    for (size_t i = 0; i < headers.size() && i < footers.size(); ++i)
        headers[headers.size() - 1 - i]->FooterBand = footers[i];

    // Row bands named in a cross data band's list take their own cross source.
    TfrBand *crossData = Band(btCrossData);
    if (crossData->View && crossData->View->FormatText.contains(u';')) {
        const QString text = crossData->View->FormatText;
        qsizetype pos = 0;
        while (pos < text.size()) {
            qsizetype end = text.indexOf(u';', pos);
            if (end < 0)
                end = text.size();
            const QString pair = text.mid(pos, end - pos);
            pos = end + 1;
            const qsizetype eq = pair.indexOf(u'=');
            if (eq < 0)
                continue;
            const QString name = pair.left(eq).trimmed(), sourceText = pair.mid(eq + 1).trimmed();
            for (int t = btMasterHeader; t <= btChild; ++t)
                for (TfrBand *b = Band(t); b; b = b->Next.get())
                    if (b->View && b->Name.compare(name, Qt::CaseInsensitive) == 0 && !b->CrossDataSource) {
                        TfrDataset *source = nullptr;
                        bool created = false;
                        ResolveBandDataSource(sourceText, source, created);
                        b->CrossDataSource = source;
                        b->OwnsCrossDataSource = created;
                    }
        }
    }

    // Child bands named by their parents.
    for (int t = 0; t <= btChild; ++t)
        for (TfrBand *b = Band(t); b; b = b->Next.get()) {
            const auto *bv = dynamic_cast<const TfrBandView *>(b->View);
            if (!bv || bv->ChildBand.isEmpty())
                continue;
            TfrView *childView = FindViewByName(bv->ChildBand);
            for (TfrBand *c = Band(btChild); c && childView; c = c->Next.get())
                if (c->View == childView && c != b)
                    b->ChildBand = c;
        }

    // Groups attach to the data band their "Master" names, else to the master data band.
    if (BandUsed(btMasterData)) {
        for (TfrBand *g = Band(btGroupHeader); g && g->View; g = g->Next.get()) {
            const auto *gv = static_cast<const TfrBandView *>(g->View);
            TfrBand *data = nullptr;
            if (gv->Master.trimmed().isEmpty()) {
                data = Band(btMasterData);
            } else {
                for (int t : {btMasterData, btDetailData, btSubDetailData})
                    for (TfrBand *d = Band(t); d && !data; d = d->Next.get())
                        if (d->View && d->Name.compare(gv->Master.trimmed(), Qt::CaseInsensitive) == 0)
                            data = d;
            }
            if (!data)
                continue;
            g->PrevGroup = data->LastGroup;
            if (data->LastGroup)
                data->LastGroup->NextGroup = g;
            else
                data->FirstGroup = g;
            data->LastGroup = g;
        }
    }

    if (Columns <= 0)
        Columns = 1;
    ColumnWidth = (PrintAreaRight() - PrintAreaLeft() - (Columns - 1) * ColumnGap) / Columns;
}

// ---- the build of a page

void TfrPage::BuildPage()
{
    TfrGlobals &e = frEngine();
    TfrReport *report = e.CurrentReport;
    TfrBand *master = Band(btMasterData);
    if (!report)
        return;
    if (!report->PrintIfEmpty) {
        bool empty = true;
        if (master && master->DataSource) {
            try {
                master->DataSource->MoveFirst();
                empty = master->DataSource->AtEnd();
            } catch (const Exception &) {
                empty = true;
            }
        }
        if (empty) {
            if (e.AppendPage)
                ++e.PageNo;
            return;
        }
    }
    FlagGuard building(Building);
    const bool manual = bool(report->OnManualBuild);
    SuppressRepeats = false;
    if (Recording == 0) {
        RunPageScript(this, Script);
        if (e.AppendPage && e.SavedCursorY == e.SavedBottomLimit) {
            e.AppendPage = false;
            e.FooterOnSavedPage = false;
            e.PageNo = PreparedPageCount();
        }
        BottomLimit = e.AppendPage && e.FooterOnSavedPage ? e.SavedBottomLimit : PrintAreaBottom();
        ColumnIndex = 0;
        ColumnOffsetX = PrintAreaLeft();
        if (!e.AppendPage) {
            FlagGuard starting(StartingPage);
            AddPreparedPage(this);
            CursorY = PrintAreaTop();
            ShowBand(Band(btOverlay));
            ShowBand(Band(btNone));
        } else {
            CursorY = e.SavedCursorY;
        }
        if (!manual) {
            const int pageNo = e.PageNo;
            ShowBand(Band(btReportTitle));
            if (e.PageNo == pageNo) {
                if (BandUsed(btPageHeader) && (Band(btPageHeader)->Flags & bfOnFirstPage))
                    ShowBand(Band(btPageHeader));
                ShowBand(Band(btColumnHeader));
            }
        }
    }
    if (!manual) {
        m_maxLevel = 0;
        for (int level = 1; level <= 3; ++level)
            if (BandUsed(dataBandType(level)))
                m_maxLevel = level;
        m_pendingCount = 0;
        if (m_maxLevel > 0)
            PrintLevel(1);
    }
    if (Recording == 0) {
        if (manual) {
            report->OnManualBuild(this);
        } else {
            SuppressRepeats = true;
            ShowBand(Band(btColumnFooter));
            TfrBand *columnFooter = Band(btColumnFooter);
            const int footerHeight = columnFooter->Height;
            columnFooter->Height = 0;
            ShowBand(Band(btReportSummary));
            columnFooter->Height = footerHeight;
            SuppressRepeats = false;
        }
        e.SavedCursorY = ColumnIndex > 0 ? PrintAreaBottom() : CursorY;
        e.SavedBottomLimit = BottomLimit;
        ColumnIndex = 0;
        ColumnOffsetX = PrintAreaLeft();
        const int p = e.PageNo;
        e.FooterOnSavedPage = false;
        TfrBand *footer = Band(btPageFooter);
        if (!manual && ((e.PageNo == 0 && (footer->Flags & bfOnFirstPage)) || (footer->Flags & bfOnLastPage))) {
            const quint16 flags = footer->Flags;
            footer->Flags |= bfOnFirstPage;
            e.FooterOnSavedPage = footer->IsUsed();
            if (footer->IsUsed())
                FinishPages();
            footer->Flags = flags;
        }
        raiseEndPage(e.PageNo);
        e.PageNo = p + 1;
    }
    LastPrintedBand = nullptr;
}

void TfrPage::QueueBand(TfrBand *band)
{
    if (band && m_pendingCount < PendingCapacity)
        m_pending[size_t(m_pendingCount++)] = band;
}

void TfrPage::FlushQueue()
{
    const std::array<TfrBand *, PendingCapacity> queued = m_pending;
    const int count = m_pendingCount;
    m_pendingCount = 0;
    for (int i = 0; i < count; ++i)
        if (queued[size_t(i)]->IsUsed())
            ShowBand(queued[size_t(i)]);
}

void TfrPage::PrintLevel(int level)
{
    TfrGlobals &e = frEngine();
    for (TfrBand *band = Band(dataBandType(level)); band; band = band->Next.get()) {
        TfrDataset *source = band->DataSource;
        if (!source)
            continue;
        source->MoveFirst();
        if (Recording) {
            RecordPlay(band, paFirst);
        } else {
            ResetBandLines(band, 1);
            band->LineThroughNo = 1;
        }
        for (TfrBand *g = band->FirstGroup; g; g = g->NextGroup) {
            ResetBandLines(g, 0);
            g->LineThroughNo = 0;
        }
        if (source->AtEnd())
            continue;
        for (TfrBand *g = band->FirstGroup; g; g = g->NextGroup) {
            ++g->LineNo;
            ++g->LineThroughNo;
            QueueBand(g);
        }
        QueueBand(band->HeaderBand);
        if (band->FooterBand)
            band->FooterBand->ResetTotals();
        while (!source->AtEnd() && !BuildStopped()) {
            QueueBand(band);
            if (band->PrintIfSubsetEmpty)
                FlushQueue();
            bool printed = true;
            if (level < m_maxLevel) {
                PrintLevel(level + 1);
                if (m_pendingCount > 0) {
                    if (band->PrintIfSubsetEmpty) {
                        FlushQueue();
                    } else {
                        --m_pendingCount;
                        printed = false;
                    }
                }
            } else {
                FlushQueue();
            }
            source->MoveNext();

            TfrBand *changed = nullptr;
            const bool atEnd = source->AtEnd();
            if (atEnd) {
                changed = band->FirstGroup;
            } else {
                try {
                    for (TfrBand *g = band->FirstGroup; g && !changed; g = g->NextGroup)
                        if (g->GroupValue.isUnassigned() || g->GroupValue != e.Parser().EvaluatePostfix(g->Condition))
                            changed = g;
                } catch (const Exception &error) {
                    ReportExpressionError(error);
                }
            }
            if (changed) {
                bool steppedBack = false;
                if (!atEnd) {
                    try {
                        source->MovePrior();
                        steppedBack = true;
                    } catch (const Exception &) {
                    }
                }
                for (TfrBand *g = band->LastGroup; g && g != changed; g = g->PrevGroup) {
                    QueueBand(g->FooterBand);
                    ResetBandLines(g, 0);
                    if (g->FooterBand)
                        ResetBandLines(g->FooterBand, 0);
                }
                QueueBand(changed->FooterBand);
                FlushQueue();
                if (!atEnd) {
                    if (steppedBack)
                        source->MoveNext();
                    if (changed->FormNewPage && changed->Visible)
                        StartNewPage();
                    for (TfrBand *g = changed; g; g = g->NextGroup) {
                        ++g->LineNo;
                        ++g->LineThroughNo;
                        QueueBand(g);
                    }
                    ResetBandLines(band, 0);
                }
            }
            if (Recording) {
                RecordPlay(band, paNext);
            } else if (printed) {
                ++RecordNo;
                ++band->LineThroughNo;
                ++band->LineNo;
                if (band->FormNewPage && band->Visible && !source->AtEnd())
                    StartNewPage();
            }
        }
        if (m_pendingCount == 0)
            ShowBand(band->FooterBand);
        else
            --m_pendingCount;
    }
}

void TfrPage::ShowBand(TfrBand *band)
{
    // The page keeps a band of every type; one that stands for nothing on the page prints nothing.
    if (!band || !band->IsUsed())
        return;
    if (Recording)
        RecordPlay(band, paPrint);
    else
        band->PrintBand();
}

void TfrPage::ShowBandByName(const QString &name)
{
    for (int t = 0; t <= btNone; ++t)
        for (TfrBand *b = Band(t); b; b = b->Next.get())
            if (b->View && b->View->Name.compare(name, Qt::CaseInsensitive) == 0) {
                b->PrintBand();
                return;
            }
}

void TfrPage::StartNewPage()
{
    TfrGlobals &e = frEngine();
    // A page shown by a subreport has no pages of its own, and a page being set up does not start another.
    if (IsSubreportPage || StartingPage || !Prepared)
        return;
    if (e.CurrentReport)
        e.CurrentReport->DoProgress(e.PageNo + 1);
    FlagGuard starting(StartingPage);
    if (!SuppressRepeats)
        ShowBand(Band(btColumnFooter));
    FinishPages();
    BottomLimit = PrintAreaBottom();
    AddPreparedPage(this);
    e.AppendPage = false;
    ShowBand(Band(btOverlay));
    CursorY = PrintAreaTop();
    ShowBand(Band(btPageHeader));
    ShowBand(Band(btColumnHeader));
}

void TfrPage::StartNewColumn(TfrBand *band)
{
    if (!Prepared || IsSubreportPage)
        return;
    if (ColumnIndex < Columns - 1) {
        ShowBand(Band(btColumnFooter));
        ++ColumnIndex;
        ColumnOffsetX += ColumnWidth + ColumnGap;
        CursorY = ColumnTopY;
        ShowBand(Band(btColumnHeader));
    } else {
        StartNewPage();
    }
    if (!band || SuppressRepeats)
        return;
    auto repeat = [this](TfrBand *b) {
        if (!b || !(b->Flags & bfRepeatHeader))
            return;
        b->RepeatingHeader = true;
        ShowBand(b);
        b->RepeatingHeader = false;
    };
    TfrBand *first = band->FirstGroup;
    if (band->BandType == btGroupHeader) {
        first = band;
        while (first->PrevGroup)
            first = first->PrevGroup;
    }
    for (TfrBand *g = first; g && g != band; g = g->NextGroup)
        repeat(g);
    if (band->BandType == btMasterData || band->BandType == btDetailData || band->BandType == btSubDetailData)
        repeat(band->HeaderBand);
}

void TfrPage::FinishPages()
{
    TfrGlobals &e = frEngine();
    ColumnIndex = 0;
    ColumnOffsetX = PrintAreaLeft();
    TfrBand *footer = Band(btPageFooter);
    if (footer && (e.PageNo > 0 || (footer->Flags & bfOnFirstPage))) {
        for (; e.PageNo < PreparedPageCount(); ++e.PageNo) {
            if (e.AppendPage && e.FooterOnSavedPage)
                continue;
            raiseEndPage(e.PageNo);
            ShowBand(footer);
        }
    }
    e.PageNo = PreparedPageCount();
}

void TfrPage::ResetBandLines(TfrBand *band, int value)
{
    if (!band)
        return;
    band->LineNo = value;
    for (TfrView *v : band->Objects)
        if (auto *m = dynamic_cast<TfrMemoView *>(v))
            m->LastValue.clear();
}

// ---- recording for subreports

void TfrPage::RecordPlay(TfrBand *band, int action)
{
    PlayList.push_back({band, action});
}

bool TfrPage::ReplayRecords()
{
    FlagGuard building(Building);
    while (ReplayPos < int(PlayList.size())) {
        const PlayEntry entry = PlayList[size_t(ReplayPos)];
        TfrBand *band = entry.Band;
        switch (entry.Action) {
        case paPrint:
            if (PendingSubreportBand) {
                PendingSubreportBand->RunSubreports();
                if (PendingSubreportBand)
                    return true;
            } else if (band->PrintBand()) {
                return true;
            }
            break;
        case paFirst:
            if (band->DataSource)
                band->DataSource->MoveFirst();
            ResetBandLines(band, 1);
            break;
        default:
            if (band->DataSource)
                band->DataSource->MoveNext();
            ++RecordNo;
            ++band->LineThroughNo;
            ++band->LineNo;
            break;
        }
        ++ReplayPos;
    }
    return false;
}

void TfrPage::ClearPlayList()
{
    PlayList.clear();
    ReplayPos = 0;
}
