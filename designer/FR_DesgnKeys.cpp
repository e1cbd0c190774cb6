// The designer's keyboard: command keys, moving and sizing the selection step by step, walking from object to
// object, and the keys of the dialog page's window.
#include "FR_Desgn.h"

#include "FR_Insp.h"
#include "FR_PageF.h"

#include <QScrollArea>
#include <QScrollBar>

using namespace DesignGeometry;

namespace {

QRect Bounds(const TfrView *v)
{
    return QRect(v->Left, v->Top, v->Width, v->Height);
}

} // namespace

void TfrDesignerForm::InstallKeysAndStatus()
{
    // The window sees its keys before its controls do.
    new TfrKeyPreview(this, [this](int key, Qt::KeyboardModifiers shift) { return FormKeyDown(key, shift); });
    // A double click on the units panel steps pixels, millimetres, inches.
    StatusBar1->OnDblClick = [this](const QPoint &p) {
        if (p.x() < TfrStatusBar::PanelWidths[0])
            SetUnits((Units + 1) % 3);
    };
}

// ---- The dialog page's window ------------------------------------------------------------------------------------

void TfrDesignerForm::ConnectPageForm()
{
    PageForm->OnResize = [this] { PageFormMoved(); };
    PageForm->OnKeyDown = [this](int key, Qt::KeyboardModifiers shift) { return PageFormKeyDown(key, shift); };
}

void TfrDesignerForm::PageFormMoved()
{
    if (!PageForm || !Page || Page->Type != 1)
        return;
    PageView->PlacePage();
    // Placing the window at the page's bounds comes back here too and changes nothing.
    const QRect bounds = PageForm->geometry();
    if (bounds == QRect(Page->Left, Page->Top, Page->Width, Page->Height))
        return;
    Page->Left = bounds.x();
    Page->Top = bounds.y();
    Page->Width = bounds.width();
    Page->Height = bounds.height();
    SetModified(true);
    if (PageView->SelectedCount == 0)
        UpdateStatus();
}

bool TfrDesignerForm::PageFormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    // The dialog's window has no menu: its clipboard keys become the window's own.
    if (shift == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_C:
            key = Qt::Key_Insert;
            break;
        case Qt::Key_X:
            key = Qt::Key_Delete;
            shift = Qt::ShiftModifier;
            break;
        case Qt::Key_V:
            key = Qt::Key_Insert;
            shift = Qt::ShiftModifier;
            break;
        case Qt::Key_A:
            SelectAll();
            PageView->CalcSelectionBounds();
            SelectionChanged();
            PageView->Draw();
            break;
        default:
            break;
        }
    }
    return FormKeyDown(key, shift) || (key == Qt::Key_A && shift == Qt::ControlModifier);
}

// ---- The window's keys -------------------------------------------------------------------------------------------

bool TfrDesignerForm::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    if (!Page)
        return false;
    if (FormatKeyDown(key, shift))
        return true;
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    const bool withShift = shift.testFlag(Qt::ShiftModifier);
    const int selected = PageView->SelectedCount;
    switch (key) {
    case Qt::Key_Escape:
        if (PageView->Down)
            return false;
        PressTool(-1);
        PageView->GhostShown = false;
        PageView->SelectMode = true;
        PageView->StatusShowsRect = false;
        PageView->SetCursorKind(TfrDesignerPage::ckDefault);
        ResetSelection();
        PageView->Draw();
        return true;
    case Qt::Key_F11:
        if (InspForm)
            InspForm->ShowInspector();
        return true;
    case Qt::Key_Delete:
        // A toolbar box with the focus takes the key for its own text.
        if (selected == 0 || ToolbarBoxFocused())
            return false;
        if (withShift)
            CutToClipboard();
        else
            DeleteSelected();
        return true;
    case Qt::Key_Insert:
        if (ctrl && selected > 0) {
            CopyToClipboard();
            return true;
        }
        if (withShift && !DesignerClipboard.isEmpty()) {
            PasteFromClipboard();
            return true;
        }
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selected != 1)
            return false;
        if (ctrl)
            ShowMemoEditor(nullptr);
        else
            EditSelected();
        return true;
    case Qt::Key_G:
        if (!ctrl)
            return false;
        SetShowGrid(!ShowGrid);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        QScrollBar *bar = ScrollBox1->verticalScrollBar();
        bar->setValue(bar->value() + (key == Qt::Key_PageUp ? -200 : 200));
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int dx = key == Qt::Key_Left ? -1 : key == Qt::Key_Right ? 1 : 0;
        const int dy = key == Qt::Key_Up ? -1 : key == Qt::Key_Down ? 1 : 0;
        if ((ctrl || withShift) && selected > 0) {
            NudgeSelection(dx, dy, !ctrl);
            return true;
        }
        if (ctrl || withShift || selected != 1)
            return false;
        const TDirection direction = key == Qt::Key_Left ? dirLeft
            : key == Qt::Key_Right                       ? dirRight
            : key == Qt::Key_Up                          ? dirUp
                                                         : dirDown;
        WalkToNearest(direction, shift.testFlag(Qt::AltModifier));
        return true;
    }
    default:
        return false;
    }
}

void TfrDesignerForm::NudgeSelection(int dx, int dy, bool resize)
{
    RecordUndo(acEdit);
    const QRegion before = PageView->SelectionRegion();
    for (TfrView *v : SelectedObjects()) {
        if (resize && MayResize(v)) {
            // A size never goes below nothing: a hair line keeps its width 0.
            if (v->Width + dx >= 0)
                v->Width += dx;
            if (v->Height + dy >= 0)
                v->Height += dy;
        } else if (MayMove(v)) {
            v->Left += dx;
            v->Top += dy;
        }
    }
    PageView->CalcSelectionBounds();
    UpdateStatus();
    PageView->Draw(before + PageView->SelectionRegion());
}

void TfrDesignerForm::WalkToNearest(TDirection direction, bool placeAgainst)
{
    TfrView *s = TopSelected();
    std::vector<TfrView *> others;
    std::vector<QRect> rects;
    for (int i = 0; i < Page->ObjectCount(); ++i) {
        TfrView *c = Page->Object(i);
        if (c->IsSelected || c->TypeCode == 2)
            continue;
        others.push_back(c);
        rects.push_back(Bounds(c));
    }
    const int nearest = NearestObject(Bounds(s), rects, direction);
    if (nearest < 0)
        return;
    TfrView *c = others[size_t(nearest)];
    if (!placeAgainst) {
        Unselect();
        c->IsSelected = true;
        PageView->SelectedCount = 1;
        PageView->LastSelected = c;
        PageView->CalcSelectionBounds();
        PageView->Draw();
        SelectionChanged();
        return;
    }
    if (!MayMove(s))
        return;
    const QRegion before = PageView->SelectionRegion();
    const QRect sb = Bounds(s), cb = Bounds(c);
    QPoint to = sb.topLeft();
    if (direction == dirRight && sb.x() + sb.width() <= cb.x())
        to.setX(cb.x() - sb.width());
    else if (direction == dirDown && sb.y() + sb.height() < cb.y())
        to.setY(cb.y() - sb.height());
    else if (direction == dirLeft && cb.x() + cb.width() <= sb.x())
        to.setX(cb.x() + cb.width());
    else if (direction == dirUp && cb.y() + cb.height() <= sb.y())
        to.setY(cb.y() + cb.height());
    if (to == sb.topLeft())
        return;
    s->Left = to.x();
    s->Top = to.y();
    // No undo step is kept for placing an object against its neighbour, but the template has changed.
    SetModified(true);
    PageView->Draw(before + PageView->SelectionRegion());
    SelectionChanged();
}
