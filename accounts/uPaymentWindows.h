#pragma once

#include "DBGridEh.h"
#include "uWindowActions.h"

#include <QKeySequence>
#include <QString>

#include <functional>
#include <initializer_list>

class QAction;
class QWidget;
class TDBLookupComboboxEh;
class TDataSet;
class TDataSource;
class TField;
class TKyv_DBGridEh;

// What the payment windows build alike: their actions, grid columns and data-aware controls; the grid columns of
// the other list windows too.

TField *FieldOf(TDataSet *ds, const char *name);
bool IsEditing(const TDataSet *ds);

// One column of a list window's grid: field, title, width and footer.
struct TGridColumnSpec
{
    const char *field;
    const char *title;
    int width;
    TFooterValueType footer;
};

// A column of a grid on the field: its title ('|' between the lines of a multi-line title), its width (0 keeps the
// grid's own) and, with `sorts`, the title as a button that sorts the list.
TColumnEh *AddGridColumn(TKyv_DBGridEh *grid, const char *field, const QString &title, int width, bool sorts = true);

// Adds the columns with their titles as title buttons (local sorting by title).
void AddGridColumns(TKyv_DBGridEh *grid, std::initializer_list<TGridColumnSpec> columns);

// A data-aware control named `name` on the source's field.
template <class T> T *BindToField(T *control, const char *name, TDataSource *source, const char *field)
{
    control->setObjectName(QString::fromLatin1(name));
    control->SetDataSource(source);
    control->SetDataField(QString::fromLatin1(field));
    return control;
}

// A drop-down's list: the source, the key field and the field shown.
void SetLookupList(TDBLookupComboboxEh *combo, TDataSource *source, const char *key, const char *shown);
