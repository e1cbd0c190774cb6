// The design surface's geometry: hit test, the grid, group scaling, handles, placement and the arrow keys' walk.
#include "FR_Desgn.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace DesignGeometry {

int RoundEven(double v)
{
    return frRound(v);
}

int HitTest(const std::vector<TfrView *> &objects, const QPoint &point)
{
    // The objects lie over the bands, as the surface draws them, wherever a band stands in the list.
    for (const bool bands : { false, true })
        for (int i = int(objects.size()) - 1; i >= 0; --i) {
            TfrView *v = objects[size_t(i)];
            if ((v->TypeCode == 2) != bands)
                continue;
            if (v->Width < 3 || v->Height < 3) {
                // A hair line would be out of reach of the mouse.
                const QRect r(QPoint(v->Left - 3, v->Top - 3), QPoint(v->Left + v->Width + 3, v->Top + v->Height + 3));
                if (r.contains(point))
                    return i;
            } else if (v->GetClipRegion(false).contains(point)) {
                return i;
            }
        }
    return -1;
}

std::optional<QPoint> GatedDelta(const QPoint &delta, int step, bool snap)
{
    if (!snap || step <= 1)
        return delta;
    if (std::abs(delta.x()) < step && std::abs(delta.y()) < step)
        return std::nullopt;
    return QPoint(delta.x() - delta.x() % step, delta.y() - delta.y() % step);
}

QPoint SnapToGrid(const QPoint &point, int step, bool align)
{
    if (!align || step <= 1)
        return point;
    return QPoint(point.x() - point.x() % step, point.y() - point.y() % step);
}

QPoint SnapLinePoint(const QPoint &point, const std::vector<TfrView *> &objects, int step)
{
    double best = step;
    std::optional<QPoint> corner;
    for (const TfrView *v : objects) {
        const int r = v->Left + v->Width, b = v->Top + v->Height;
        for (const QPoint c : { QPoint(v->Left, v->Top), QPoint(r, v->Top), QPoint(v->Left, b), QPoint(r, b) }) {
            const double d = std::hypot(double(c.x() - point.x()), double(c.y() - point.y()));
            if (d < best) {
                best = d;
                corner = c;
            }
        }
    }
    if (corner)
        return *corner;
    if (step <= 1)
        return point;
    return QPoint(RoundEven(double(point.x()) / step) * step, RoundEven(double(point.y()) / step) * step);
}

std::pair<int, int> ScaleSpan(int keptPos, int keptSize, int origin, double k)
{
    const double d = (keptPos - origin) * k;
    const double b = keptSize * k;
    return { origin + RoundEven(d), RoundEven(d + b) - RoundEven(d) };
}

namespace {

bool Near(int h, int v, int before, int after)
{
    return v >= h - before && v <= h + after;
}

bool OnHandle(const QPoint &h, const QPoint &p, int tolerance)
{
    return Near(h.x(), p.x(), tolerance, tolerance + 1) && Near(h.y(), p.y(), tolerance, tolerance + 1);
}

struct Handles
{
    QPoint topLeft, topRight, bottomLeft, bottomRight, top, bottom, left, right;
};

Handles HandlesOf(const QRect &r)
{
    const int x = r.x(), y = r.y(), dx = r.width(), dy = r.height();
    return { { x, y }, { x + dx, y }, { x, y + dy }, { x + dx, y + dy }, { x + dx / 2, y }, { x + dx / 2, y + dy },
        { x, y + dy / 2 }, { x + dx, y + dy / 2 } };
}

} // namespace

TSizeCursor HandleCursor(const QRect &object, const QPoint &point)
{
    const Handles h = HandlesOf(object);
    if (OnHandle(h.topLeft, point, 2) || OnHandle(h.bottomRight, point, 2))
        return scNWSE;
    if (OnHandle(h.topRight, point, 2) || OnHandle(h.bottomLeft, point, 2))
        return scNESW;
    if (OnHandle(h.top, point, 2) || OnHandle(h.bottom, point, 2))
        return scNS;
    if (OnHandle(h.left, point, 2) || OnHandle(h.right, point, 2))
        return scWE;
    return scNone;
}

TResizeState DecideResize(TSizeCursor cursor, const QRect &object, const QPoint &start)
{
    const Handles h = HandlesOf(object);
    switch (cursor) {
    case scNWSE:
        return OnHandle(h.topLeft, start, 3) ? rsTopLeft : rsBottomRight;
    case scNESW:
        return OnHandle(h.topRight, start, 3) ? rsTopRight : rsBottomLeft;
    case scWE:
        return OnHandle(h.left, start, 3) ? rsLeft : rsRight;
    case scNS:
        return OnHandle(h.top, start, 3) ? rsTop : rsBottom;
    default:
        return rsNone;
    }
}

QRect ApplyResize(const QRect &object, TResizeState &state, int d, int e)
{
    int x = object.x(), y = object.y(), dx = object.width(), dy = object.height();
    switch (state) {
    case rsTopLeft:
        x += d, dx -= d, y += e, dy -= e;
        break;
    case rsBottomRight:
        dx += d, dy += e;
        break;
    case rsTopRight:
        y += e, dx += d, dy -= e;
        break;
    case rsBottomLeft:
        x += d, dx -= d, dy += e;
        break;
    case rsLeft:
        x += d, dx -= d;
        break;
    case rsRight:
        dx += d;
        break;
    case rsTop:
        y += e, dy -= e;
        break;
    case rsBottom:
        dy += e;
        break;
    case rsNone:
        break;
    }
    bool flipped = false;
    if (dx < 0) {
        x += dx;
        dx = -dx;
        flipped = true;
    }
    if (dy < 0) {
        y += dy;
        dy = -dy;
        flipped = true;
    }
    if (flipped && state != rsNone) {
        // 1<->2, 3<->4, 5<->6, 7<->8.
        state = TResizeState(state % 2 == 1 ? state + 1 : state - 1);
    }
    return QRect(x, y, dx, dy);
}

int PageLeft(int clientWidth, int pageWidth, int pagePosition)
{
    if (clientWidth - 11 < pageWidth || pagePosition == 3)
        return 10;
    if (pagePosition == 5)
        return (clientWidth - pageWidth) / 2;
    return clientWidth - pageWidth - 11;
}

QSize DefaultSize(int gridStep, int fontSize)
{
    int height = 18;
    if (fontSize == 12 || fontSize == 13)
        height = 20;
    else if (fontSize >= 14 && fontSize <= 16)
        height = 24;
    return QSize(gridStep == 18 ? 108 : 96, height);
}

int PastePosition(int value, int smallest, int surfaceOffset, int step)
{
    if (surfaceOffset < 0 && step > 0)
        return value + step * (-surfaceOffset / step) - smallest;
    return value - smallest;
}

int NearestScore(const QRect &s, const QRect &c, TDirection direction)
{
    const int e = s.x(), f = s.y(), o = s.x() + s.width(), t = s.y() + s.height();
    const int cx = c.x(), cy = c.y(), cr = c.x() + c.width(), cb = c.y() + c.height();
    constexpr int Away = 10000;
    if (direction == dirLeft || direction == dirRight) {
        int v;
        if (cb <= f)
            v = f - cb;
        else if (cy >= t)
            v = cy - t;
        else if (cy <= f && cb >= t)
            v = 0;
        else
            v = cy - f;
        if (direction == dirRight)
            return cx > e ? v + (cx < o ? cx - e : cx - o) : Away;
        return cr < o ? v + (cr > e ? o - cr : e - cr) : Away;
    }
    int u;
    if (cr <= e)
        u = e - cr;
    else if (cx >= o)
        u = cx - o;
    else if (cx <= e && cr >= o)
        u = 0;
    else
        u = cx - e;
    if (direction == dirDown)
        return cy > f ? u + (cy < t ? cy - f : cy - t) : Away;
    return cb < t ? u + (cb > f ? t - cb : f - cb) : Away;
}

int NearestObject(const QRect &s, const std::vector<QRect> &candidates, TDirection direction)
{
    int best = -1, bestScore = 10000;
    for (int i = 0; i < int(candidates.size()); ++i) {
        const int score = NearestScore(s, candidates[size_t(i)], direction);
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

int SplitPartner(const std::vector<TfrView *> &selected, const TfrView *p)
{
    for (int i = 0; i < int(selected.size()); ++i) {
        const TfrView *w = selected[size_t(i)];
        if (w != p && w->TypeCode != 2 && w->Left + w->Width == p->Left)
            return i;
    }
    return -1;
}

} // namespace DesignGeometry

void SortBands(TfrPage &page)
{
    auto isBand = [](const std::unique_ptr<TfrView> &v) { return v->TypeCode == 2; };
    auto bandType
        = [](const std::unique_ptr<TfrView> &v) { return static_cast<TfrBandView *>(v.get())->GetBandType(); };
    std::vector<std::unique_ptr<TfrView>> overlay, bands, cross, others;
    for (auto &v : page.Objects) {
        if (!isBand(v))
            others.push_back(std::move(v));
        else if (bandType(v) >= btCrossHeader && bandType(v) <= btCrossFooter)
            cross.push_back(std::move(v));
        else if (bandType(v) == btOverlay && overlay.empty())
            overlay.push_back(std::move(v));
        else
            bands.push_back(std::move(v));
    }
    page.Objects.clear();
    for (auto *list : { &overlay, &bands, &cross, &others })
        for (auto &v : *list)
            page.Objects.push_back(std::move(v));
}

bool BandTypeExists(const TfrPage &page, int bandType)
{
    for (const auto &v : page.Objects)
        if (v->TypeCode == 2 && static_cast<const TfrBandView *>(v.get())->GetBandType() == bandType)
            return true;
    return false;
}
