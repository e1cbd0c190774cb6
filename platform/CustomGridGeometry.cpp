#include "CustomGrid.h"
#include "CustomGridInternal.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

using namespace customgrid;

namespace {

TGridRect gridRectFrom(const TGridCoord &a, const TGridCoord &b)
{
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

} // namespace

// ---- Draw info and cell positions ----------------------------------------------------------------------------

void TCustomGrid::CalcFixedInfo(TGridDrawInfo &info) const
{
    auto fixedAxis = [](TGridAxisDrawInfo &axis, int lineWidth, int fixedCount, int cellCount, int extent,
                        std::function<int(int)> size) {
        axis.EffectiveLineWidth = lineWidth;
        axis.FixedCellCount = fixedCount;
        axis.GridCellCount = cellCount;
        axis.GridExtent = extent;
        axis.GetExtent = std::move(size);
        int boundary = 0;
        for (int i = 0; i < fixedCount; ++i)
            boundary += axis.GetExtent(i) + lineWidth;
        axis.FixedBoundary = boundary;
    };
    const bool vertLines = m_options & (goFixedVertLine | goVertLine);
    const bool horzLines = m_options & (goFixedHorzLine | goHorzLine);
    fixedAxis(info.Horz, vertLines ? m_gridLineWidth : 0, m_fixedCols, m_colCount, ClientWidth(),
              [this](int i) { return ColWidths(i); });
    fixedAxis(info.Vert, horzLines ? m_gridLineWidth : 0, m_fixedRows, m_rowCount, ClientHeight(),
              [this](int i) { return RowHeights(i); });
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo &axis)
{
    axis.GridBoundary = axis.FixedBoundary;
    axis.FullVisBoundary = axis.FixedBoundary;
    axis.LastFullVisibleCell = axis.FirstGridCell;
    for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
        axis.GridBoundary += axis.GetExtent(i) + axis.EffectiveLineWidth;
        if (axis.GridBoundary > axis.GridExtent + axis.EffectiveLineWidth) {
            axis.GridBoundary = axis.GridExtent;
            break;
        }
        axis.LastFullVisibleCell = i;
        axis.FullVisBoundary = axis.GridBoundary;
    }
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo &info, int width, int height) const
{
    CalcFixedInfo(info);
    info.Horz.GridExtent = width;
    info.Vert.GridExtent = height;
    info.Horz.FirstGridCell = m_topLeft.X;
    info.Vert.FirstGridCell = m_topLeft.Y;
    CalcAxis(info.Horz);
    CalcAxis(info.Vert);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo &info) const
{
    CalcDrawInfoXY(info, ClientWidth(), ClientHeight());
}

int TCustomGrid::axisCellStart(const TGridAxisDrawInfo &axis, int index) const
{
    if (index < axis.FixedCellCount) {
        int start = 0;
        for (int i = 0; i < index; ++i)
            start += axis.GetExtent(i) + axis.EffectiveLineWidth;
        return start;
    }
    if (index < axis.FirstGridCell)
        return -1;
    int start = axis.FixedBoundary;
    for (int i = axis.FirstGridCell; i < index; ++i) {
        start += axis.GetExtent(i) + axis.EffectiveLineWidth;
        if (start >= axis.GridExtent)
            return -1;
    }
    return start < axis.GridExtent ? start : -1;
}

bool TCustomGrid::axisSpan(const TGridAxisDrawInfo &axis, int lo, int hi, int &start, int &end) const
{
    if (lo > hi)
        std::swap(lo, hi);
    if (lo < 0 || hi >= axis.GridCellCount)
        return false;
    if (lo >= axis.FixedCellCount && lo < axis.FirstGridCell) {
        if (hi < axis.FirstGridCell)
            return false;
        lo = axis.FirstGridCell;
    }
    if (hi >= axis.FixedCellCount && hi < axis.FirstGridCell)
        hi = axis.FixedCellCount - 1;
    start = axisCellStart(axis, lo);
    if (start < 0)
        return false;
    const int last = axisCellStart(axis, hi);
    end = last < 0 ? axis.GridExtent : std::min(axis.GridExtent, last + axis.GetExtent(hi));
    return end > start;
}

QRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!axisSpan(info.Horz, left, right, x0, x1) || !axisSpan(info.Vert, top, bottom, y0, y1))
        return QRect();
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QRect TCustomGrid::CellRect(int col, int row) const
{
    return BoxRect(col, row, col, row);
}

int TCustomGrid::axisCellAt(const TGridAxisDrawInfo &axis, int pos) const
{
    if (pos < 0 || pos >= axis.GridExtent)
        return -1;
    int start = 0;
    if (pos < axis.FixedBoundary) {
        for (int i = 0; i < axis.FixedCellCount; ++i) {
            start += axis.GetExtent(i) + axis.EffectiveLineWidth;
            if (pos < start)
                return i;
        }
        return -1;
    }
    start = axis.FixedBoundary;
    for (int i = axis.FirstGridCell; i < axis.GridCellCount && start < axis.GridExtent; ++i) {
        start += axis.GetExtent(i) + axis.EffectiveLineWidth;
        if (pos < start)
            return i;
    }
    return -1;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridCoord c{axisCellAt(info.Horz, x), axisCellAt(info.Vert, y)};
    if (c.X < 0 || c.Y < 0)
        return {-1, -1};
    return c;
}

int TCustomGrid::VisibleColCount() const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Horz.LastFullVisibleCell - m_topLeft.X + 1;
}

int TCustomGrid::VisibleRowCount() const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Vert.LastFullVisibleCell - m_topLeft.Y + 1;
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord &coord, const TGridDrawInfo &info) const
{
    auto maxStart = [](const TGridAxisDrawInfo &axis, int end) {
        int start = std::max(end, axis.FixedCellCount);
        int used = axis.GetExtent(start) + axis.EffectiveLineWidth;
        const int room = axis.GridExtent - axis.FixedBoundary;
        while (start > axis.FixedCellCount) {
            const int more = axis.GetExtent(start - 1) + axis.EffectiveLineWidth;
            if (used + more > room)
                break;
            used += more;
            --start;
        }
        return start;
    };
    return {maxStart(info.Horz, coord.X), maxStart(info.Vert, coord.Y)};
}

// ---- Scrolling -----------------------------------------------------------------------------------------------

void TCustomGrid::UpdateScrollRange()
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
    const TGridCoord oldTopLeft = m_topLeft;
    if (m_colCount > m_fixedCols)
        m_topLeft.X = std::clamp(m_topLeft.X, m_fixedCols, std::max(m_fixedCols, maxTopLeft.X));
    if (m_rowCount > m_fixedRows)
        m_topLeft.Y = std::clamp(m_topLeft.Y, m_fixedRows, std::max(m_fixedRows, maxTopLeft.Y));

    m_updatingScrollBars = true;
    horizontalScrollBar()->setRange(0, std::max(0, maxTopLeft.X - m_fixedCols));
    horizontalScrollBar()->setPageStep(std::max(1, info.Horz.LastFullVisibleCell - m_topLeft.X + 1));
    verticalScrollBar()->setRange(0, std::max(0, maxTopLeft.Y - m_fixedRows));
    verticalScrollBar()->setPageStep(std::max(1, info.Vert.LastFullVisibleCell - m_topLeft.Y + 1));
    m_updatingScrollBars = false;
    UpdateScrollPos();
    if (!(m_topLeft == oldTopLeft)) {
        InvalidateGrid();
        TopLeftChanged();
    }
}

void TCustomGrid::UpdateScrollPos()
{
    m_updatingScrollBars = true;
    horizontalScrollBar()->setValue(m_topLeft.X - m_fixedCols);
    verticalScrollBar()->setValue(m_topLeft.Y - m_fixedRows);
    m_updatingScrollBars = false;
}

void TCustomGrid::scrollContentsBy(int, int)
{
    // The scroll bars count whole cells; topLeftMoved moves the picture.
}

void TCustomGrid::ScrollBarMoved(Qt::Orientation orientation, int value)
{
    if (orientation == Qt::Horizontal)
        SetLeftCol(value + m_fixedCols);
    else
        SetTopRow(value + m_fixedRows);
}

void TCustomGrid::SetLeftCol(int value)
{
    MoveTopLeft(value, m_topLeft.Y);
}

void TCustomGrid::SetTopRow(int value)
{
    MoveTopLeft(m_topLeft.X, value);
}

void TCustomGrid::MoveTopLeft(int left, int top)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
    left = std::clamp(left, std::min(m_fixedCols, m_colCount - 1), std::max(m_fixedCols, maxTopLeft.X));
    top = std::clamp(top, std::min(m_fixedRows, m_rowCount - 1), std::max(m_fixedRows, maxTopLeft.Y));
    if (left == m_topLeft.X && top == m_topLeft.Y)
        return;
    const TGridCoord old = m_topLeft;
    m_topLeft = {left, top};
    topLeftMoved(old);
}

void TCustomGrid::topLeftMoved(const TGridCoord &oldTopLeft)
{
    UpdateScrollPos();
    // Pixels that stay on screen are moved rather than redrawn: a scroll by less than a page repaints only the
    // cells that come into view.
    TGridDrawInfo info;
    CalcDrawInfo(info);
    auto distance = [](const TGridAxisDrawInfo &axis, int from, int to) {
        const int lo = std::min(from, to);
        const int hi = std::max(from, to);
        const int room = axis.GridExtent - axis.FixedBoundary;
        int pixels = 0;
        for (int i = lo; i < hi; ++i) {
            pixels += axis.GetExtent(i) + axis.EffectiveLineWidth;
            if (pixels >= room)
                return -1;
        }
        return from < to ? pixels : -pixels;
    };
    const int dx = oldTopLeft.X == m_topLeft.X ? 0 : distance(info.Horz, oldTopLeft.X, m_topLeft.X);
    const int dy = oldTopLeft.Y == m_topLeft.Y ? 0 : distance(info.Vert, oldTopLeft.Y, m_topLeft.Y);
    const bool overlay = m_gridState == gsColSizing || m_gridState == gsRowSizing || m_gridState == gsColMoving;
    if (dx == -1 || dy == -1 || (dx != 0 && dy != 0) || overlay) {
        InvalidateGrid();
    } else if (dx != 0) {
        viewport()->scroll(-dx, 0,
                           QRect(info.Horz.FixedBoundary, 0, ClientWidth() - info.Horz.FixedBoundary, ClientHeight()));
    } else if (dy != 0) {
        viewport()->scroll(0, -dy,
                           QRect(0, info.Vert.FixedBoundary, ClientWidth(), ClientHeight() - info.Vert.FixedBoundary));
    }
    TopLeftChanged();
}

void TCustomGrid::ClampInView(const TGridCoord &coord)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord maxTopLeft = CalcMaxTopLeft(coord, info);
    int left = m_topLeft.X;
    int top = m_topLeft.Y;
    if (coord.X >= m_fixedCols) {
        if (coord.X < left)
            left = coord.X;
        else if (coord.X > info.Horz.LastFullVisibleCell)
            left = maxTopLeft.X;
    }
    if (coord.Y >= m_fixedRows) {
        if (coord.Y < top)
            top = coord.Y;
        else if (coord.Y > info.Vert.LastFullVisibleCell)
            top = maxTopLeft.Y;
    }
    MoveTopLeft(left, top);
}

// ---- Current cell and selection ------------------------------------------------------------------------------

void TCustomGrid::SetCol(int value)
{
    if (value != m_current.X)
        FocusCell(value, m_current.Y, true);
}

void TCustomGrid::SetRow(int value)
{
    if (value != m_current.Y)
        FocusCell(m_current.X, value, true);
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor)
{
    MoveCurrent(col, row, moveAnchor, true);
    UpdateEdit();
}

void TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show)
{
    if (col < 0 || row < 0 || col >= m_colCount || row >= m_rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (!SelectCell(col, row))
        return;
    const TGridRect oldSelection = Selection();
    const TGridCoord oldCurrent = m_current;
    m_current = {col, row};
    if (!(m_options & goAlwaysShowEditor))
        HideEditor();
    if (moveAnchor || !(m_options & goRangeSelect)) {
        m_anchor = m_current;
        if (m_options & goRowSelect)
            m_anchor.X = m_colCount - 1;
    }
    if (m_options & goRowSelect)
        m_current.X = m_fixedCols;
    if (show)
        ClampInView(m_current);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    selectionMoved(oldSelection);
}

void TCustomGrid::MoveAnchor(const TGridCoord &anchor)
{
    if (!(m_options & goRangeSelect)) {
        MoveCurrent(anchor.X, anchor.Y, true, true);
        return;
    }
    const TGridRect oldSelection = Selection();
    m_anchor = anchor;
    if (m_options & goRowSelect)
        m_anchor.X = m_colCount - 1;
    ClampInView(anchor);
    selectionMoved(oldSelection);
}

TGridRect TCustomGrid::Selection() const
{
    return gridRectFrom(m_current, m_anchor);
}

void TCustomGrid::SetSelection(const TGridRect &value)
{
    const TGridRect oldSelection = Selection();
    m_current = {value.Left, value.Top};
    m_anchor = {value.Right, value.Bottom};
    if (m_options & goRowSelect)
        m_anchor.X = m_colCount - 1;
    selectionMoved(oldSelection);
}

void TCustomGrid::selectionMoved(const TGridRect &oldSelection)
{
    const TGridRect now = Selection();
    if (now == oldSelection) {
        InvalidateCell(m_current.X, m_current.Y);
        return;
    }
    InvalidateRect(oldSelection);
    InvalidateRect(now);
}

// ---- Invalidation --------------------------------------------------------------------------------------------

void TCustomGrid::InvalidateRect(const TGridRect &rect)
{
    const QRect r = BoxRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (!r.isEmpty())
        viewport()->update(r.adjusted(0, 0, m_gridLineWidth, m_gridLineWidth));
}

void TCustomGrid::InvalidateCell(int col, int row)
{
    InvalidateRect({col, row, col, row});
}

void TCustomGrid::InvalidateRow(int row)
{
    InvalidateRect({0, row, m_colCount - 1, row});
}

void TCustomGrid::InvalidateCol(int col)
{
    InvalidateRect({col, 0, col, m_rowCount - 1});
}

void TCustomGrid::InvalidateGrid()
{
    viewport()->update();
}
