#include "uPaymentWindows.h"

#include "DBLookupEh.h"
#include "DataSet.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "WindowMessages.h"
#include "frmuMain.h"

#include <QAction>

void NotifyMainWindow(int message)
{
    if (frmMain)
        SendMessage(frmMain, message);
}

TField *FieldOf(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

bool IsEditing(const TDataSet *ds)
{
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

QAction *MakeWindowAction(
    QWidget *window, const char *name, const QString &caption, const QKeySequence &key, std::function<void()> run)
{
    auto *action = new QAction(caption, window);
    action->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    QObject::connect(action, &QAction::triggered, window, guarded([run](bool) { run(); }));
    window->addAction(action);
    return action;
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
