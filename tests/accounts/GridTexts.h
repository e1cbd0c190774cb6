#pragma once

// What a grid shows, for the tests of the pictures: each row's texts of the visible columns joined by "|", in the
// order the grid lists them. The grid's dataset is walked and left on the row it was on.
#include "DBGridEh.h"
#include "Kyv_DBGridEh.h"
#include "DataSet.h"
#include "DataSource.h"

#include <QStringList>

inline QStringList ShownGridRows(TCustomDBGridEh *grid)
{
    QStringList rows;
    TDataSet *ds = grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active())
        return rows;
    const QByteArray current = ds->GetBookmark();
    for (ds->First(); !ds->Eof(); ds->Next()) {
        QStringList cells;
        for (int i = 0; i < grid->Columns().Count(); ++i)
            if (TColumnEh *column = grid->Columns()[i]; column->Visible())
                cells << column->GetColumnDisplayText();
        rows << cells.join(QLatin1Char('|'));
    }
    ds->GotoBookmark(current);
    return rows;
}

// The footer row's texts of the visible columns, joined by "|": the grid's own text, then what the window makes
// of it.
inline QString ShownGridFooter(TCustomDBGridEh *grid)
{
    QStringList cells;
    for (int i = 0; i < grid->Columns().Count(); ++i) {
        TColumnEh *column = grid->Columns()[i];
        if (!column->Visible())
            continue;
        QString text = grid->GetFooterText(column->Footer(), *column);
        if (grid->OnGetFooterParams) {
            TFont font;
            TColor background = column->Footer().Color();
            TAlignment alignment = column->Footer().Alignment();
            grid->OnGetFooterParams(grid, i, grid->FirstFooterRow(), column, font, background, alignment, {}, text);
        }
        cells << text;
    }
    return cells.join(QLatin1Char('|'));
}
