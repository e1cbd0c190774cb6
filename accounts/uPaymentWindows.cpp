#include "uPaymentWindows.h"

#include "DBLookupEh.h"
#include "DataSet.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "WindowMessages.h"
#include "frmuMain.h"

#include <QAction>

TField *FieldOf(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

bool IsEditing(const TDataSet *ds)
{
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

TColumnEh *AddGridColumn(TKyv_DBGridEh *grid, const char *field, const QString &title, int width, bool sorts)
{
    TColumnEh *column = grid->Columns().Add();
    column->SetFieldName(QString::fromLatin1(field));
    column->Title().SetCaption(title);
    if (sorts)
        column->Title().SetTitleButton(true);
    if (width > 0)
        column->SetWidth(width);
    return column;
}

void AddGridColumns(TKyv_DBGridEh *grid, std::initializer_list<TGridColumnSpec> columns)
{
    // One layout for the whole set of columns rather than one for each column added.
    grid->BeginLayout();
    for (const TGridColumnSpec &spec : columns) {
        TColumnEh *column = AddGridColumn(grid, spec.field, QString::fromUtf8(spec.title), spec.width);
        if (spec.footer != fvtNon)
            column->Footer().SetValueType(spec.footer);
    }
    grid->EndLayout();
}

void SetLookupList(TDBLookupComboboxEh *combo, TDataSource *source, const char *key, const char *shown)
{
    combo->SetListSource(source);
    combo->SetKeyField(QString::fromLatin1(key));
    combo->SetListField(QString::fromLatin1(shown));
}
