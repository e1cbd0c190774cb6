#include "uSubscrDialogKit.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "dmuDM.h"
#include "uSettings.h"

#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>

TMemTable *NewRecordTable(QObject *owner, const char *name, std::initializer_list<TRecordField> fields)
{
    auto *table = new TMemTable(owner);
    table->setObjectName(QString::fromLatin1(name));
    for (const TRecordField &spec : fields) {
        TField *f = CreateField(spec.type, table);
        f->SetFieldName(QString::fromLatin1(spec.name));
        f->SetDataSet(table);
    }
    return table;
}

TDBDateTimeEditEh *NewDateEdit(QWidget *parent, const char *name, TDataSource *record, const char *field)
{
    auto *edit = new TDBDateTimeEditEh(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetEditFormat(QStringLiteral("dd.MM.yyyy"));
    edit->SetDataSource(record);
    edit->SetDataField(QString::fromLatin1(field));
    return edit;
}

TDBCheckBoxEh *NewFlagBox(
    QWidget *parent, const char *name, const QString &caption, TDataSource *list, const char *field)
{
    auto *box = new TDBCheckBoxEh(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->SetCaption(caption);
    box->SetValueChecked(QStringLiteral("1"));
    box->SetDataSource(list);
    box->SetDataField(QString::fromLatin1(field));
    box->SetReadOnly(true);
    return box;
}

bool EnterMovesFocus(QDialog *dialog, QKeyEvent *event)
{
    if (!AppSettings().enterToTab || (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter))
        return false;
    QWidget *focused = dialog->focusWidget();
    bool moves = false;
    if (auto *lookup = qobject_cast<TDBLookupComboboxEh *>(focused))
        moves = !lookup->ListVisible();
    else if (qobject_cast<TDBDateTimeEditEh *>(focused))
        moves = true;
    else if (auto *edit = qobject_cast<TCustomDBEditEh *>(focused))
        moves = edit->ReadOnly();
    if (!moves)
        return false;
    for (QWidget *next = focused->nextInFocusChain(); next && next != focused; next = next->nextInFocusChain()) {
        if (next->isVisibleTo(dialog) && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus)) {
            next->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    event->accept();
    QCoreApplication::processEvents();
    return true;
}

QVariant RecordValue(TMemTable *record, const char *field)
{
    if (!record->Active() || (record->IsEmpty() && record->State() != dsInsert && record->State() != dsEdit))
        return {};
    return record->FieldByName(QString::fromLatin1(field))->Value();
}

TSubscrDialog::TSubscrDialog(
    QWidget *parent, const char *name, const QString &title, std::initializer_list<TRecordField> fields)
    : QDialog(parent)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(title);
    mdTempDataSet = NewRecordTable(this, "mdTempDataSet", fields);
    dsTempDataSet = new TDataSource(this);
    dsTempDataSet->setObjectName(QStringLiteral("dsTempDataSet"));
    dsTempDataSet->SetDataSet(mdTempDataSet);
}

TKyv_ClientDataSet *TSubscrDialog::NewServiceList(const char *name, const char *provider, const QString &statement,
    TFieldType paramType, const char *param, TDataSource *&source)
{
    auto *list = new TKyv_ClientDataSet(this);
    list->setObjectName(QString::fromLatin1(name));
    list->SetDataProvider(DM ? DM->Provider(QString::fromLatin1(provider)) : nullptr);
    list->SetCommandText(statement);
    list->Params().CreateParam(paramType, QString::fromLatin1(param), ptInput);
    list->SetReadOnly(true);
    source = new TDataSource(this);
    source->setObjectName(QStringLiteral("ds") + QString::fromLatin1(name).mid(3));
    source->SetDataSet(list);
    return list;
}

void TSubscrDialog::keyPressEvent(QKeyEvent *event)
{
    if (!EnterMovesFocus(this, event))
        QDialog::keyPressEvent(event);
}
