#include "CustomGrid.h"

#include "Guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

// ---- Painting ------------------------------------------------------------------------------------------------

void TCustomGrid::paintEvent(QPaintEvent *event)
try {
    const HandlerEdge edge;
    QPainter painter(viewport());
    painter.setFont(m_font.qfont());
    painter.setPen(m_font.qcolor());
    Paint(painter, event->rect());
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::DrawLines(QPainter &painter, const TGridDrawInfo &info, int col, int row, int startX, int startY,
                            int stopX, int stopY, bool vert, bool horz, const QColor &lineColor, const QColor &fill)
{
    const int vw = info.Horz.EffectiveLineWidth;
    const int hw = info.Vert.EffectiveLineWidth;
    QList<QRect> lines;
    QList<QRect> blanks;
    if (vw > 0) {
        int x = startX;
        for (int c = col; c < info.Horz.GridCellCount && x < stopX; ++c) {
            x += info.Horz.GetExtent(c);
            (vert ? lines : blanks).append(QRect(x, startY, vw, stopY - startY));
            x += vw;
        }
    }
    if (hw > 0) {
        int y = startY;
        for (int r = row; r < info.Vert.GridCellCount && y < stopY; ++r) {
            y += info.Vert.GetExtent(r);
            (horz ? lines : blanks).append(QRect(startX, y, stopX - startX, hw));
            y += hw;
        }
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    if (!blanks.isEmpty()) {
        painter.setBrush(fill);
        painter.drawRects(blanks.constData(), int(blanks.size()));
    }
    if (!lines.isEmpty()) {
        painter.setBrush(lineColor);
        painter.drawRects(lines.constData(), int(lines.size()));
    }
    painter.restore();
}

void TCustomGrid::DrawCells(QPainter &painter, const QRect &clip, const TGridDrawInfo &info, int col, int row,
                            int startX, int startY, int stopX, int stopY, TColor color,
                            TGridDrawState includeState)
{
    const bool focused = IsActiveControl();
    const bool editorShown = m_inplaceEdit && m_inplaceEdit->isVisible();
    const TGridRect selection = Selection();
    int y = startY;
    for (int r = row; r < info.Vert.GridCellCount && y < stopY; ++r) {
        const int h = info.Vert.GetExtent(r);
        if (y > clip.bottom())
            break;
        if (h > 0 && y + h > clip.top()) {
            int x = startX;
            for (int c = col; c < info.Horz.GridCellCount && x < stopX; ++c) {
                const int w = info.Horz.GetExtent(c);
                if (x > clip.right())
                    break;
                const QRect where(x, y, w, h);
                if (w > 0 && where.intersects(clip)) {
                    TGridDrawState state = includeState;
                    const bool isCurrent = r == m_current.Y && c == m_current.X;
                    if (!(includeState & gdFixed)) {
                        if (focused && isCurrent)
                            state |= gdFocused;
                        if (selection.Contains(c, r))
                            state |= gdSelected;
                    }
                    if (!(isCurrent && editorShown && !(includeState & gdFixed))) {
                        if (m_defaultDrawing) {
                            const bool highlight = (state & gdSelected)
                                && (!(state & gdFocused) || (m_options & (goDrawFocusSelected | goRowSelect)));
                            painter.fillRect(where, toQColor(highlight ? clHighlight : color));
                        }
                        DrawCell(painter, c, r, where, state);
                        if (m_defaultDrawing && (state & gdFocused)
                            && (m_options & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor)
                            && !(m_options & goRowSelect))
                            DrawFocusRect(painter, where);
                    }
                }
                x += w + info.Horz.EffectiveLineWidth;
            }
        }
        y += h + info.Vert.EffectiveLineWidth;
    }
}

void TCustomGrid::DrawCell(QPainter &, int, int, const QRect &, TGridDrawState)
{
}

void TCustomGrid::Paint(QPainter &painter, const QRect &clip)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int fixedX = info.Horz.FixedBoundary;
    const int fixedY = info.Vert.FixedBoundary;
    const int gridX = info.Horz.GridBoundary;
    const int gridY = info.Vert.GridBoundary;
    const QColor fixedLine = toQColor(clBlack);
    const QColor dataLine = toQColor(m_color == clSilver ? clGray : clSilver);
    const QColor fixedFill = toQColor(m_fixedColor);
    const QColor dataFill = toQColor(m_color);
    const bool fixedVert = m_options & goFixedVertLine;
    const bool fixedHorz = m_options & goFixedHorzLine;
    const bool vert = m_options & goVertLine;
    const bool horz = m_options & goHorzLine;

    // Fixed corner, fixed rows, fixed columns, then the scrollable cells.
    DrawLines(painter, info, 0, 0, 0, 0, fixedX, fixedY, fixedVert, fixedHorz, fixedLine, fixedFill);
    DrawLines(painter, info, m_topLeft.X, 0, fixedX, 0, gridX, fixedY, fixedVert, fixedHorz, fixedLine, fixedFill);
    DrawLines(painter, info, 0, m_topLeft.Y, 0, fixedY, fixedX, gridY, fixedVert, fixedHorz, fixedLine, fixedFill);
    DrawLines(painter, info, m_topLeft.X, m_topLeft.Y, fixedX, fixedY, gridX, gridY, vert, horz, dataLine, dataFill);

    DrawCells(painter, clip, info, 0, 0, 0, 0, fixedX, fixedY, m_fixedColor, gdFixed);
    DrawCells(painter, clip, info, m_topLeft.X, 0, fixedX, 0, gridX, fixedY, m_fixedColor, gdFixed);
    DrawCells(painter, clip, info, 0, m_topLeft.Y, 0, fixedY, fixedX, gridY, m_fixedColor, gdFixed);
    DrawCells(painter, clip, info, m_topLeft.X, m_topLeft.Y, fixedX, fixedY, gridX, gridY, m_color, 0);

    if (m_defaultDrawing && (m_options & goRowSelect) && IsActiveControl()) {
        const QRect row = BoxRect(m_fixedCols, m_current.Y, m_colCount - 1, m_current.Y);
        if (!row.isEmpty())
            DrawFocusRect(painter, row);
    }

    // Beyond the last column and below the last row.
    if (gridX < ClientWidth())
        painter.fillRect(QRect(gridX, 0, ClientWidth() - gridX, ClientHeight()), dataFill);
    if (gridY < ClientHeight())
        painter.fillRect(QRect(0, gridY, gridX, ClientHeight() - gridY), dataFill);

    // The border being dragged, or where a moved column would land.
    const QRect overlay = overlayRect();
    if (!overlay.isEmpty()) {
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(overlay, Qt::white);
        painter.restore();
    }
}

QRect TCustomGrid::overlayRect() const
{
    switch (m_gridState) {
    case gsColSizing:
        return QRect(m_sizingPos, 0, 1, ClientHeight());
    case gsRowSizing:
        return QRect(0, m_sizingPos, ClientWidth(), 1);
    case gsColMoving: {
        if (m_movePos < 0 || m_movePos == m_moveIndex)
            return QRect();
        const QRect cell = CellRect(m_movePos, 0);
        if (cell.isEmpty())
            return QRect();
        const int x = m_movePos > m_moveIndex ? cell.left() + cell.width() - 1 : cell.left() - 1;
        return QRect(std::max(0, x), 0, 2, ClientHeight());
    }
    default:
        return QRect();
    }
}

void TCustomGrid::invalidateOverlay()
{
    const QRect r = overlayRect();
    if (!r.isEmpty())
        viewport()->update(r);
}
