#include "uCustDialogs.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "FormClasses.h"
#include "Kyv_db.h"
#include "dmuRDM.h"
#include "uLog.h"
#include "uSettings.h"

#include <QKeyEvent>
#include <QWidget>

namespace {

template <class T> T *bound(QWidget *parent, const char *name, TDataSource *source, const char *field)
{
    auto *edit = new T(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetDataSource(source);
    edit->SetDataField(QString::fromLatin1(field));
    return edit;
}

} // namespace

TDBEditEh *boundEdit(QWidget *parent, const char *name, TDataSource *source, const char *field)
{
    return bound<TDBEditEh>(parent, name, source, field);
}

TDBNumberEditEh *boundNumber(QWidget *parent, const char *name, TDataSource *source, const char *field)
{
    return bound<TDBNumberEditEh>(parent, name, source, field);
}

TDBDateTimeEditEh *boundDate(
    QWidget *parent, const char *name, TDataSource *source, const char *field, const QString &format)
{
    TDBDateTimeEditEh *edit = bound<TDBDateTimeEditEh>(parent, name, source, field);
    edit->SetEditFormat(format);
    return edit;
}

TDBLookupComboboxEh *boundLookup(QWidget *parent, const char *name, TDataSource *source, const char *field,
    TDataSource *list, const char *keyField, const char *listField)
{
    auto *combo = new TDBLookupComboboxEh(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->SetListSource(list);
    combo->SetKeyField(QString::fromLatin1(keyField));
    combo->SetListField(QString::fromLatin1(listField));
    combo->SetDataSource(source);
    combo->SetDataField(QString::fromLatin1(field));
    return combo;
}

void TEnterToTab::watch(QWidget *input)
{
    input->installEventFilter(this);
}

bool TEnterToTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && AppSettings().enterToTab) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            if (QWidget *next = w->nextInFocusChain())
                next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool pickDifferentKey(const QString &pickerName, const QVariant &current, QVariant &chosen)
{
    const TPicker pick = FindPicker(pickerName);
    if (!pick) {
        LogDebug(QStringLiteral("Справочник не подключен: ") + pickerName);
        return false;
    }
    QVariant key = isNullValue(current) ? QVariant(0) : current;
    if (!pick(key) || isNullValue(key) || key == current || key.toString() == current.toString())
        return false;
    chosen = key;
    return true;
}

bool isEditing(const TDataSet *ds)
{
    return ds && (ds->State() == dsEdit || ds->State() == dsInsert);
}

bool rowStored(const QString &table, const QString &keyField, const QVariant &key)
{
    return DMR && !isNullValue(key)
        && DMR->GetRecordsCount(table, QStringLiteral("where ") + keyField + QStringLiteral(" = :KEY_VALUE"),
               { { QStringLiteral("KEY_VALUE"), key } })
        > 0;
}
