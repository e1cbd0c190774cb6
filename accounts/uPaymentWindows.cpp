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

void SetLookupList(TDBLookupComboboxEh *combo, TDataSource *source, const char *key, const char *shown)
{
    combo->SetListSource(source);
    combo->SetKeyField(QString::fromLatin1(key));
    combo->SetListField(QString::fromLatin1(shown));
}
