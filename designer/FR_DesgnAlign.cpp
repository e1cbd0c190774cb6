// The alignment palette: the selection lined up against its reference object, centred on the page, spaced
// evenly, or a band's objects laid out in a row; fitting to the grid; and the z-order commands.
#include "FR_Desgn.h"

#include "FR_Dock.h"
#include "FR_Locale.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int ButtonSize = 22;

bool IsBand(const TfrView *v)
{
    return v->TypeCode == 2;
}

// Ordered by the left (or top) edge as a number; equal edges keep their list order.
std::vector<TfrView *> OrderedBy(std::vector<TfrView *> views, bool vertical)
{
    std::stable_sort(views.begin(), views.end(), [vertical](const TfrView *a, const TfrView *b) {
        return vertical ? a->Top < b->Top : a->Left < b->Left;
    });
    return views;
}

// The palette's glyphs: two bars against a line (edges), through a line (centres), within a frame (centre on
// the page) or three bars with equal gaps.
QPixmap PaletteGlyph(int command)
{
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    const bool vertical = command > 5;
    if (vertical)
        p.setTransform(QTransform(0, 1, 1, 0, 0, 0));
    const QColor bar(0, 0, 128);
    const int kind = command > 5 ? command - 5 : command;
    if (kind == 3) {
        p.setPen(Qt::gray);
        p.drawRect(0, 0, 15, 15);
        p.fillRect(4, 5, 8, 6, bar);
    } else if (kind == 4) {
        for (int x : { 1, 6, 11 })
            p.fillRect(x, 3, 3, 10, bar);
    } else {
        // Left edges, centres, right edges: the line and where the long and the short bar start and end.
        struct Bars
        {
            int line, longX, longWidth, shortX, shortWidth;
        };
        static constexpr Bars bars[] = { { 1, 3, 10, 3, 6 }, { 7, 2, 12, 4, 8 }, { 14, 3, 10, 7, 6 } };
        const Bars &b = bars[kind == 1 ? 0 : kind == 2 ? 1 : 2];
        p.setPen(Qt::black);
        p.drawLine(b.line, 0, b.line, 15);
        p.fillRect(b.longX, 3, b.longWidth, 3, bar);
        p.fillRect(b.shortX, 9, b.shortWidth, 3, bar);
    }
    return glyph;
}

} // namespace

void TfrDesignerForm::CreateAlignmentPalette()
{
    Panel5 = new TfrToolBar(frDock4);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setWindowTitle(GetLocaleString(53085));
    TfrTBButton **buttons[] = { &Align1, &Align2, &Align3, &Align4, &Align5, &Align6, &Align7, &Align8, &Align9,
        &Align10 };
    for (int i = 0; i < 10; ++i) {
        if (i == 5) {
            auto *s = new TfrTBSeparator(Panel5);
            s->resize(ButtonSize, 8);
        }
        TfrTBButton *b = AddButton(Panel5, "", 60, nullptr);
        b->setObjectName(QStringLiteral("Align%1").arg(i + 1));
        b->SetGlyph(PaletteGlyph(i + 1));
        b->setToolTip(GetLocaleString(53138 + i));
        b->OnClick = [this, i](QObject *) { AlignCommand(i + 1); };
        *buttons[i] = b;
    }
    Panel5->AddToDock(frDock4);
}

void TfrDesignerForm::AlignCommand(int command)
{
    if (!Page || (DesignerRestrictions & drNoMove))
        return;
    const std::vector<TfrView *> selected = SelectedObjects();
    const int count = int(selected.size());
    const bool fromLeft = command == 1, fromRight = command == 5;

    // With a band selected, left and right lay the band's objects out in a row across the printable width.
    auto band = std::find_if(selected.begin(), selected.end(), IsBand);
    if ((fromLeft || fromRight) && band != selected.end()) {
        const TfrView *b = *band;
        std::vector<TfrView *> row;
        for (int i = 0; i < Page->ObjectCount(); ++i) {
            TfrView *v = Page->Object(i);
            if (!IsBand(v) && v->Top >= b->Top && v->Top + v->Height <= b->Top + b->Height)
                row.push_back(v);
        }
        row = OrderedBy(row, false);
        // The row's height is that of the selected object at its start: the leftmost one, or the one reaching
        // furthest right; the top selected object wins a tie.
        const TfrView *top = TopSelected();
        const TfrView *first = nullptr;
        for (const TfrView *v : selected) {
            const int edge = fromLeft ? v->Left : v->Left + v->Width;
            const int best = first ? (fromLeft ? first->Left : first->Left + first->Width) : 0;
            if (!first || (fromLeft ? edge < best : edge > best) || (edge == best && v == top))
                first = v;
        }
        const int y = first->Top;
        // The objects of the row move too, selected or not: the undo step holds them all.
        std::vector<std::pair<TfrView *, int>> undo;
        for (int i = 0; i < Page->ObjectCount(); ++i) {
            TfrView *v = Page->Object(i);
            if (v->IsSelected || std::find(row.begin(), row.end(), v) != row.end())
                undo.emplace_back(v, i);
        }
        ClearRedo();
        AddUndoRecord(UndoBuffer, acEdit, undo);
        if (fromLeft) {
            int x = Page->PrintAreaLeft();
            for (TfrView *v : row) {
                if (MayMove(v)) {
                    v->Left = x;
                    v->Top = y;
                }
                x += v->Width;
            }
        } else {
            int x = Page->PrintAreaRight();
            for (auto it = row.rbegin(); it != row.rend(); ++it) {
                TfrView *v = *it;
                if (MayMove(v)) {
                    v->Left = x - v->Width;
                    v->Top = y;
                }
                x -= v->Width;
            }
        }
        PageView->CalcSelectionBounds();
        RepaintPage();
        return;
    }

    const int needed = command == 3 || command == 8 ? 1 : command == 4 || command == 9 ? 3 : 2;
    if (count < needed)
        return;
    BeginObjectChange();
    TfrView *r = PageView->LastSelected && PageView->LastSelected->IsSelected ? PageView->LastSelected : TopSelected();
    if (command == 4 || command == 9) {
        const bool vertical = command == 9;
        const std::vector<TfrView *> order = OrderedBy(selected, vertical);
        auto pos = [vertical](TfrView *v) -> int & { return vertical ? v->Top : v->Left; };
        const int step = (pos(order.back()) - pos(order.front())) / (count - 1);
        for (int i = 1; i + 1 < count; ++i)
            if (MayMove(order[size_t(i)]))
                pos(order[size_t(i)]) = pos(order[size_t(i - 1)]) + step;
    } else if (command == 3 || command == 8) {
        const bool vertical = command == 8;
        int low = 1 << 30, high = -(1 << 30);
        for (const TfrView *v : selected) {
            low = std::min(low, vertical ? v->Top : v->Left);
            high = std::max(high, vertical ? v->Top + v->Height : v->Left + v->Width);
        }
        const int extent = vertical ? PageView->height() : PageView->width();
        const int shift = low + (high - low - extent) / 2;
        for (TfrView *v : selected)
            if (MayMove(v))
                (vertical ? v->Top : v->Left) -= shift;
    } else {
        for (TfrView *v : selected) {
            if (!MayMove(v))
                continue;
            switch (command) {
            case 1:
                v->Left = r->Left;
                break;
            case 5:
                v->Left = r->Left + r->Width - v->Width;
                break;
            case 6:
                v->Top = r->Top;
                break;
            case 10:
                v->Top = r->Top + r->Height - v->Height;
                break;
            case 2:
                v->Left = r->Left + r->Width / 2 - v->Width / 2;
                break;
            case 7:
                v->Top = r->Top + r->Height / 2 - v->Height / 2;
                break;
            default:
                break;
            }
        }
    }
    PageView->CalcSelectionBounds();
    UpdateStatus();
    RepaintPage();
}

void TfrDesignerForm::FitToGrid()
{
    if (!Page || PageView->SelectedCount == 0)
        return;
    RecordUndo(acEdit);
    // Whole steps, halves to the even one; a size never becomes nothing.
    auto fit = [](int &value, int step, bool size) {
        value = DesignGeometry::RoundEven(double(value) / step) * step;
        if (size && value == 0)
            value = step;
    };
    for (TfrView *v : SelectedObjects()) {
        fit(v->Left, GridSizeX, false);
        fit(v->Width, GridSizeX, true);
        fit(v->Top, GridSizeY, false);
        fit(v->Height, GridSizeY, true);
    }
    RepaintPage();
    UpdateStatus();
    PageView->CalcSelectionBounds();
}

namespace {

// The selected objects that may change their place in the z-order go to one end, in their order; the others keep
// theirs.
void MoveInZOrder(TfrPage &page, bool toFront)
{
    auto stays = [](const std::unique_ptr<TfrView> &v) {
        return !v->IsSelected || (DesignerRestrictions & drNoMove) || (v->Restrictions & orNoMove);
    };
    if (toFront)
        std::stable_partition(page.Objects.begin(), page.Objects.end(), stays);
    else
        std::stable_partition(
            page.Objects.begin(), page.Objects.end(), [&](const std::unique_ptr<TfrView> &v) { return !stays(v); });
    // Bands stay ahead of every other object.
    SortBands(page);
}

} // namespace

void TfrDesignerForm::BringToFront()
{
    if (!Page || PageView->SelectedCount == 0)
        return;
    RecordUndo(acZOrder);
    MoveInZOrder(*Page, true);
    RepaintPage();
}

void TfrDesignerForm::SendToBack()
{
    if (!Page || PageView->SelectedCount == 0)
        return;
    RecordUndo(acZOrder);
    MoveInZOrder(*Page, false);
    RepaintPage();
}
