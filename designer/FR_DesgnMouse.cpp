// The design surface's mouse: selecting, moving, resizing, splitting, inserting and drawing lines.
#include "FR_Desgn.h"

#include "FR_ClassControls.h"
#include "FR_PageF.h"

#include "Services.h"

#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>

using namespace DesignGeometry;

namespace {

bool IsBand(const TfrView *v)
{
    return v->TypeCode == 2;
}

QRect Bounds(const TfrView *v)
{
    return QRect(v->Left, v->Top, v->Width, v->Height);
}

// Rectangles that meet, their edges touching included.
bool Meets(const QRect &a, const TfrView *v)
{
    return v->Left <= a.x() + a.width() && a.x() <= v->Left + v->Width && v->Top <= a.y() + a.height()
        && a.y() <= v->Top + v->Height;
}

TSizeCursor SizeCursorOf(TfrDesignerPage::TCursorKind kind)
{
    switch (kind) {
    case TfrDesignerPage::ckSizeNWSE:
        return scNWSE;
    case TfrDesignerPage::ckSizeNESW:
        return scNESW;
    case TfrDesignerPage::ckSizeWE:
        return scWE;
    case TfrDesignerPage::ckSizeNS:
        return scNS;
    default:
        return scNone;
    }
}

TfrDesignerPage::TCursorKind CursorOf(TSizeCursor cursor)
{
    switch (cursor) {
    case scNWSE:
        return TfrDesignerPage::ckSizeNWSE;
    case scNESW:
        return TfrDesignerPage::ckSizeNESW;
    case scWE:
        return TfrDesignerPage::ckSizeWE;
    case scNS:
        return TfrDesignerPage::ckSizeNS;
    default:
        return TfrDesignerPage::ckDefault;
    }
}

} // namespace

QString BandBaseName(int bandType)
{
    QString name = frEngine().BandNames.value(bandType);
    const int blank = name.indexOf(u' ');
    if (blank >= 0) {
        name.remove(blank, 1);
        if (blank < name.size())
            name[blank] = name.at(blank).toUpper();
    }
    return name;
}

void TfrDesignerPage::mousePressEvent(QMouseEvent *event)
{
    MDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TfrDesignerPage::mouseMoveEvent(QMouseEvent *event)
{
    MMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void TfrDesignerPage::mouseReleaseEvent(QMouseEvent *event)
{
    MUp(event->button(), event->modifiers(), event->position().toPoint());
}

void TfrDesignerPage::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The double click stands for the second press, which it lets through unless it opened something.
    DClick();
    MDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TfrDesignerPage::leaveEvent(QEvent *)
{
    if (!SelectMode && !Down) {
        GhostShown = false;
        ActionRect.translate(-10000, -10000);
        Draw();
    }
}

void TfrDesignerPage::MDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &p)
{
    TfrPage *page = Designer->Page;
    if (!page)
        return;
    CtrlAtDown = shift.testFlag(Qt::ControlModifier);
    if (SkipNextDown) {
        SkipNextDown = false;
        return;
    }
    RubberBand = false;
    Down = true;
    m_downPoint = p;
    const bool left = button == Qt::LeftButton;
    auto startRectangle = [this](const QPoint &q) {
        ActionRect = QRect(q.x(), q.y(), 0, 0);
        Designer->Unselect();
        RightBottom = -1;
        GroupBoundsValid = false;
        LastSelected = nullptr;
        Draw();
    };
    if (left && (CtrlAtDown || m_cursor == ckCross)) {
        RubberBand = true;
        QPoint q = p;
        if (m_cursor == ckCross) {
            GhostShown = false;
            q = SnapToGrid(p);
            ActionRectAtStart = ActionRect;
        }
        startRectangle(q);
        return;
    }
    if (left && m_cursor == ckPencil) {
        std::vector<TfrView *> objects;
        for (int i = 0; i < page->ObjectCount(); ++i)
            objects.push_back(page->Object(i));
        const QPoint q = Designer->GridAlign ? SnapLinePoint(p, objects, Designer->GridSizeX) : p;
        LinePreview = true;
        startRectangle(q);
        LastX = q.x();
        LastY = q.y();
        return;
    }
    if (m_cursor == ckDefault) {
        std::vector<TfrView *> objects;
        for (int i = 0; i < page->ObjectCount(); ++i)
            objects.push_back(page->Object(i));
        const int hit = HitTest(objects, p);
        if (hit >= 0) {
            TfrView *v = objects[size_t(hit)];
            if (shift.testFlag(Qt::ShiftModifier)) {
                v->IsSelected = !v->IsSelected;
                SelectedCount += v->IsSelected ? 1 : -1;
            } else if (!v->IsSelected) {
                Designer->Unselect();
                v->IsSelected = true;
                SelectedCount = 1;
            }
            if (SelectedCount == 0)
                LastSelected = nullptr;
            else if (SelectedCount == 1)
                LastSelected = Designer->TopSelected();
            else if (LastSelected && !LastSelected->IsSelected)
                LastSelected = nullptr;
        } else {
            Designer->Unselect();
            LastSelected = nullptr;
            if (left) {
                RubberBand = true;
                startRectangle(p);
                return;
            }
        }
    }
    CalcSelectionBounds();
    LastX = p.x();
    LastY = p.y();
    Moved = false;
    RegionPending = true;
    FirstMove = true;
    if (button == Qt::RightButton) {
        Down = false;
        Designer->SelectionChanged();
        Draw();
        Designer->Popup1->popup(mapToGlobal(p));
        return;
    }
    if (left && !Designer->ShowContents)
        FramesShown = true;
    Draw();
}

void TfrDesignerPage::MMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, const QPoint &p)
{
    TfrPage *page = Designer->Page;
    if (!page)
        return;
    Moved = true;
    const int step = Designer->GridSizeX;
    const bool snap = Designer->GridAlign != shift.testFlag(Qt::AltModifier);
    const bool down = Down && buttons.testFlag(Qt::LeftButton);
    const std::optional<QPoint> delta = GatedDelta(QPoint(p.x() - LastX, p.y() - LastY), step, snap);

    // A band dragged alone takes the objects lying on it along; they belong in the drag's undo step.
    if (down && FirstMove && delta && *delta != QPoint() && SelectedCount == 1 && m_cursor == ckDefault && SelectMode
        && !RubberBand && !shift.testFlag(Qt::AltModifier)) {
        TfrView *band = Designer->TopSelected();
        if (IsBand(band) && !(band->Restrictions & orNoMove)) {
            const QRect b = Bounds(band);
            for (int i = 0; i < page->ObjectCount(); ++i) {
                TfrView *v = page->Object(i);
                if (!IsBand(v) && !v->IsSelected && v->Left >= b.left() && v->Top >= b.top()
                    && v->Left + v->Width <= b.x() + b.width() && v->Top + v->Height <= b.y() + b.height()) {
                    v->IsSelected = true;
                    ++SelectedCount;
                }
            }
            Designer->SelectionChanged();
            CalcSelectionBounds();
        }
    }
    if (RegionPending && down && !RubberBand && delta && m_cursor != ckPencil) {
        OldRegion = SelectionRegion();
        RegionPending = false;
        Designer->RecordUndo(acEdit);
    }

    if (!Down) {
        MoveFeedback(p, snap);
        return;
    }
    if (down && m_cursor == ckSplit && GroupBoundsValid) {
        if (delta)
            SplitDrag(*delta);
    } else if (down && GroupBoundsValid && SelectMode && SelectedCount >= 2 && m_cursor == ckSizeNWSE) {
        if (delta)
            ScaleGroup(*delta);
    } else if (down && SelectMode && SelectedCount > 0 && m_cursor == ckDefault && !RubberBand) {
        if (delta)
            MoveSelection(*delta, shift);
    } else if (down && SelectMode && SelectedCount == 1 && SizeCursorOf(m_cursor) != scNone) {
        if (delta)
            ResizeOne(*delta);
    } else if (down && m_cursor == ckPencil && LinePreview) {
        if (delta) {
            ActionRect.setWidth(ActionRect.width() + delta->x());
            ActionRect.setHeight(ActionRect.height() + delta->y());
            LastX += delta->x();
            LastY += delta->y();
            Draw();
        }
    } else if (RubberBand) {
        const QPoint end = m_cursor == ckCross ? SnapToGrid(p) : p;
        ActionRect.setWidth(end.x() - ActionRect.x());
        ActionRect.setHeight(end.y() - ActionRect.y());
        StatusShowsRect = m_cursor == ckCross;
        Designer->PBox1->update();
        Draw();
    }
    if (buttons == Qt::LeftButton && shift == Qt::NoModifier && !RubberBand && m_cursor != ckPencil)
        AutoScroll(p);
}

void TfrDesignerPage::MoveFeedback(const QPoint &p, bool)
{
    TfrPage *page = Designer->Page;
    const int tool = Designer->ToolTag();
    if (tool == 4) {
        SelectMode = true;
        SetCursorKind(ckPencil);
    } else if (tool == -1) {
        SelectMode = true;
        SetCursorKind(ckDefault);
        if (SelectedCount == 0) {
            ActionRect = QRect(p.x(), p.y(), 0, 0);
            Designer->PBox1->update();
        }
    } else {
        SelectMode = false;
        const QPoint q = SnapToGrid(p);
        if (m_cursor != ckCross) {
            const QSize size = DefaultSize(Designer->GridSizeX, LastUsed.FontSize);
            ActionRect = QRect(q.x(), q.y(), tool == 2 ? width() : size.width(), size.height());
            SetCursorKind(ckCross);
        } else {
            ActionRect.moveTo(q);
        }
        GhostShown = page->Type == 0;
        StatusShowsRect = true;
        Designer->PBox1->update();
        Draw();
        return;
    }
    if (tool == 4)
        return;
    if (SelectedCount == 1) {
        SetCursorKind(CursorOf(HandleCursor(Bounds(Designer->TopSelected()), p)));
        return;
    }
    if (SelectedCount < 2)
        return;
    if (RightBottom >= 0 && RightBottom < page->ObjectCount()) {
        const TfrView *rb = page->Object(RightBottom);
        const QPoint corner(rb->Left + rb->Width, rb->Top + rb->Height);
        if (p.x() >= corner.x() - 2 && p.x() <= corner.x() + 3 && p.y() >= corner.y() - 2 && p.y() <= corner.y() + 3) {
            SetCursorKind(ckSizeNWSE);
            return;
        }
    }
    const std::vector<TfrView *> selected = Designer->SelectedObjects();
    for (TfrView *v : selected) {
        if (IsBand(v) || v->TypeCode == 4 || !Bounds(v).contains(p) || p.x() > v->Left + 2)
            continue;
        const int w = SplitPartner(selected, v);
        if (w < 0)
            continue;
        SplitX = v->Left;
        SplitRect = QLine(v->Left, v->Top, v->Left, v->Top + v->Height);
        SplitLeft = selected[size_t(w)];
        SplitRight = v;
        SetCursorKind(ckSplit);
        return;
    }
}

void TfrDesignerPage::SplitDrag(const QPoint &delta)
{
    SplitRect.translate(delta.x(), 0);
    LastX += delta.x();
    Draw();
}

void TfrDesignerPage::ScaleGroup(const QPoint &delta)
{
    if (ActionRect.width() + delta.x() >= 0)
        ActionRect.setWidth(ActionRect.width() + delta.x());
    if (ActionRect.height() + delta.y() >= 0)
        ActionRect.setHeight(ActionRect.height() + delta.y());
    const double kx = ActionRectAtStart.width() ? double(ActionRect.width()) / ActionRectAtStart.width() : 1;
    const double ky = ActionRectAtStart.height() ? double(ActionRect.height()) / ActionRectAtStart.height() : 1;
    const QRegion before = SelectionRegion();
    for (TfrView *v : Designer->SelectedObjects()) {
        if (!Designer->MayResize(v))
            continue;
        std::tie(v->Left, v->Width) = ScaleSpan(v->SavedLeft, v->SavedWidth, LeftTop.x(), kx);
        std::tie(v->Top, v->Height) = ScaleSpan(v->SavedTop, v->SavedHeight, LeftTop.y(), ky);
    }
    LastX += delta.x();
    LastY += delta.y();
    RepaintChanged(before);
    Designer->PBox1->update();
}

void TfrDesignerPage::MoveSelection(const QPoint &delta, Qt::KeyboardModifiers)
{
    FirstMove = false;
    const QRegion before = SelectionRegion();
    for (TfrView *v : Designer->SelectedObjects()) {
        if (!Designer->MayMove(v))
            continue;
        v->Left += delta.x();
        v->Top += delta.y();
    }
    LastX += delta.x();
    LastY += delta.y();
    RepaintChanged(before);
    Designer->PBox1->update();
}

void TfrDesignerPage::ResizeOne(const QPoint &delta)
{
    TfrView *v = Designer->TopSelected();
    if (!Designer->MayResize(v))
        return;
    if (ResizeState == rsNone)
        ResizeState = DecideResize(SizeCursorOf(m_cursor), Bounds(v), m_downPoint);
    const QRegion before = SelectionRegion();
    const QRect r = ApplyResize(Bounds(v), ResizeState, delta.x(), delta.y());
    v->Left = r.x();
    v->Top = r.y();
    v->Width = r.width();
    v->Height = r.height();
    LastX += delta.x();
    LastY += delta.y();
    RepaintChanged(before);
    Designer->PBox1->update();
}

void TfrDesignerPage::AutoScroll(const QPoint &p)
{
    if (Designer->PageForm)
        return;
    QScrollArea *box = Designer->ScrollBox1;
    if (box->viewport()->rect().contains(mapTo(box->viewport(), p)))
        return;
    const QPoint inContent = mapTo(box->widget(), p);
    box->ensureVisible(inContent.x(), inContent.y(), 0, 0);
    Draw();
}

void TfrDesignerPage::MUp(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &)
{
    if (button != Qt::LeftButton || !Designer->Page)
        return;
    Down = false;
    FramesShown = false;
    if (m_cursor == ckCross) {
        InsertObject(false);
        return;
    }
    if (m_cursor == ckPencil) {
        if (LinePreview)
            InsertLine();
        return;
    }
    if (RubberBand) {
        SelectByRubberBand();
        return;
    }
    EndDrag();
}

TfrView *TfrDesignerPage::AddNewView(int tag)
{
    TfrPage *page = Designer->Page;
    TfrReport *report = Designer->Report();
    TfrGlobals &e = frEngine();
    if (tag == 2) {
        if (!TfrDesignerForm::BandTypesDialog)
            return nullptr;
        bool subreportPage = false;
        for (int p = 0; p < report->Pages().GetCount(); ++p)
            for (int i = 0; i < report->Pages().GetPage(p)->ObjectCount(); ++i)
                if (auto *sub = dynamic_cast<TfrSubReportView *>(report->Pages().GetPage(p)->Object(i)))
                    subreportPage = subreportPage || sub->SubPageIndex == Designer->CurPage;
        const int type = TfrDesignerForm::BandTypesDialog(*Designer, subreportPage);
        if (type < 0)
            return nullptr;
        auto *band = static_cast<TfrBandView *>(CreateViewOfType(2, QString()));
        band->SetBandType(type);
        band->NamePrefix = BandBaseName(type);
        return band;
    }
    if (tag == 3) {
        auto *sub = static_cast<TfrSubReportView *>(CreateViewOfType(3, QString()));
        sub->SubPageIndex = report->Pages().GetCount();
        report->Pages().Add();
        return sub;
    }
    if (tag < 10)
        return CreateViewOfType(tag, QString());
    if (tag - 10 >= int(e.AddIns.size()))
        return nullptr;
    const QString className = e.AddIns[size_t(tag - 10)].ClassName;
    for (int i = 0; i < page->ObjectCount(); ++i)
        if (page->Object(i)->ClassName() == className && (page->Object(i)->Flags & ofOncePerPage)) {
            Services::messages()->show(
                { QStringLiteral("Нельзя помещать два или более объектов %1 на одну страницу.").arg(className), mtError,
                    mbOK, mbOK, QStringLiteral("Ошибка") });
            return nullptr;
        }
    return CreateViewOfType(10, className);
}

void TfrDesignerPage::InsertObject(bool fromField)
{
    TfrPage *page = Designer->Page;
    SelectMode = true;
    RubberBand = false;
    StatusShowsRect = false;
    const bool reportPage = page->Type == 0;
    QRect r = ActionRect;
    // A click inserts at the ghost, with the default size.
    if (reportPage && r.width() == 0 && r.height() == 0)
        r = ActionRectAtStart;
    r = r.normalized();
    GhostShown = false;
    TfrView *v = (DesignerRestrictions & drNoInsert) ? nullptr : AddNewView(Designer->ToolTag());
    if (v) {
        v->MakeUniqueName();
        if (v->TypeCode == 3)
            Designer->UpdatePageTabs();
        if (r.width() == 0 || r.height() == 0) {
            if (!reportPage)
                r.setSize(QSize(v->Width, v->Height));
            else if (v->TypeCode == 0)
                r.setSize(DefaultSize(Designer->GridSizeX, LastUsed.FontSize));
            else
                r.setSize(QSize(36, 36));
        }
        Designer->Unselect();
        v->Left = r.x();
        v->Top = r.y();
        if (v->Width == 0 && v->Height == 0) {
            v->Width = r.width();
            v->Height = r.height();
        }
        if (auto *band = dynamic_cast<TfrBandView *>(v); band && band->IsCrossBand() && v->Width > width() - 10)
            v->Width = 40;
        if (v->TypeCode != 10)
            v->FrameWidth = LastUsed.FrameWidth;
        v->FrameColor = LastUsed.FrameColor;
        v->FillColor = LastUsed.FillColor;
        if (auto *memo = dynamic_cast<TfrMemoView *>(v)) {
            memo->FrameTyp = quint16(LastUsed.FrameType);
            memo->Font.Name = LastUsed.FontName;
            memo->Font.Size = LastUsed.FontSize;
            memo->Font.Color = LastUsed.FontColor;
            memo->Font.Style = LastUsed.FontStyle;
            memo->Font.Charset = LastUsed.Charset;
            memo->Alignment = LastUsed.Alignment;
        }
        v->IsSelected = true;
        SelectedCount = 1;
        LastSelected = v;
        page->AddObject(v);
        if (IsBand(v))
            SortBands(*page);
        CalcSelectionBounds();
        Draw(v->GetClipRegion(true));
        Designer->SelectionChanged();
        Designer->RecordUndo(acInsert);
        if (Designer->EditAfterInsert && !fromField && !dynamic_cast<TfrControl *>(v))
            Designer->EditSelected();
    }
    if (RepeatTool) {
        GhostShown = reportPage;
        Draw();
    } else {
        Designer->PressTool(-1);
        SetCursorKind(ckDefault);
        Draw();
    }
}

void TfrDesignerPage::InsertLine()
{
    TfrPage *page = Designer->Page;
    LinePreview = false;
    const QRect r = ActionRect;
    Draw();
    if ((r.width() == 0 && r.height() == 0) || (DesignerRestrictions & drNoInsert))
        return;
    TfrView *v = CreateViewOfType(4, QString());
    v->MakeUniqueName();
    int x = r.x(), y = r.y(), w = r.width(), h = r.height();
    const bool horizontal = std::abs(h) < std::abs(w);
    if (w < 0) {
        w = -w;
        if (horizontal)
            x = r.x() - w;
    }
    if (h < 0) {
        h = -h;
        if (!horizontal)
            y = r.y() - h;
    }
    v->PlaceAt(x, y, w, h);
    Designer->Unselect();
    v->IsSelected = true;
    SelectedCount = 1;
    LastSelected = v;
    v->FrameWidth = LastUsed.LineWidth;
    v->FrameColor = LastUsed.FrameColor;
    page->AddObject(v);
    CalcSelectionBounds();
    Draw(v->GetClipRegion(true));
    Designer->SelectionChanged();
    Designer->RecordUndo(acInsert);
}

void TfrDesignerPage::SelectByRubberBand()
{
    TfrPage *page = Designer->Page;
    RubberBand = false;
    const QRect r = ActionRect.normalized();
    Designer->Unselect();
    for (int pass = 0; pass < 2 && SelectedCount == 0; ++pass)
        for (int i = 0; i < page->ObjectCount(); ++i) {
            TfrView *v = page->Object(i);
            // Objects first; bands only when the band met no object.
            if ((pass == 0 && IsBand(v)) || !Meets(r, v))
                continue;
            v->IsSelected = true;
            ++SelectedCount;
        }
    LastSelected = nullptr;
    CalcSelectionBounds();
    Designer->SelectionChanged();
    Draw();
}

void TfrDesignerPage::EndDrag()
{
    if (m_cursor == ckSplit && Moved && GroupBoundsValid) {
        const int d = SplitRect.x1() - SplitX;
        if (SplitLeft && SplitRight && Designer->MayResize(SplitLeft) && Designer->MayMove(SplitRight)
            && Designer->MayResize(SplitRight) && SplitLeft->Width + d > 0 && SplitRight->Width - d > 0) {
            SplitLeft->Width += d;
            SplitRight->Left += d;
            SplitRight->Width -= d;
        }
        CalcSelectionBounds();
        Draw();
    } else if (m_cursor != ckDefault && Moved && GroupBoundsValid) {
        Draw();
    } else if (!Moved) {
        Designer->SelectionChanged();
        Draw();
    } else if (SelectedCount == 1) {
        TfrView *v = Designer->TopSelected();
        if (SizeCursorOf(m_cursor) != scNone)
            v->AfterDesignerEdit();
        Draw(OldRegion + v->GetClipRegion(true));
        Designer->SelectionChanged();
    } else {
        CalcSelectionBounds();
        // The objects changed only where they were and where they are now, their marks coming back with them; a
        // selection of many objects is drawn again whole rather than gathered into a region.
        if (SelectedCount > 100 || OldRegion.isEmpty())
            Draw();
        else
            Draw(OldRegion + SelectionRegion());
        Designer->UpdateStatus();
    }
    Moved = false;
    ResizeState = rsNone;
}

void TfrDesignerPage::DClick()
{
    TfrPage *page = Designer->Page;
    if (!page)
        return;
    Down = false;
    if (SelectedCount == 0) {
        SkipNextDown = true;
        if (page->Type == 0)
            Designer->N25->trigger();
        else
            page->EditScript();
    } else if (SelectedCount == 1) {
        SkipNextDown = true;
        if (CtrlAtDown)
            Designer->ShowMemoEditor(nullptr);
        else
            Designer->EditSelected();
    }
}
