#include "uDbgridColumns.h"

#include "Kyv_DBGridEh.h"

void AddGridColumns(TKyv_DBGridEh *grid, std::initializer_list<TGridColumnSpec> columns)
{
    for (const TGridColumnSpec &spec : columns) {
        TColumnEh *column = grid->Columns().Add();
        column->SetFieldName(QString::fromLatin1(spec.field));
        column->Title().SetCaption(QString::fromUtf8(spec.title));
        column->Title().SetTitleButton(true);
        column->SetWidth(spec.width);
        if (spec.footer != fvtNon)
            column->Footer().SetValueType(spec.footer);
    }
}
