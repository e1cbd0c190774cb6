#pragma once

// The bare cell grid the grid benchmarks measure against: what a data grid draws at the least, a short text per
// cell.
#include "CustomGrid.h"

#include <QPainter>

class BareTextGrid : public TCustomGrid
{
public:
    long long cellsDrawn = 0;

protected:
    void DrawCell(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState) override
    {
        ++cellsDrawn;
        painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         QString::number(row * 100 + col));
    }
};
