#include "uCustDialogs.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Kyv_db.h"
#include "Guard.h"
#include "dmuCust.h"
#include "dmuRDM.h"
#include "uDialogButtons.h"
#include "uSettings.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
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
            // The next control the Tab key would reach: the parts of a compound editor take no part.
            QWidget *next = w->nextInFocusChain();
            while (next != w
                && (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() || !next->isEnabled()
                    || next->focusProxy()))
                next = next->nextInFocusChain();
            next->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
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

TfrmCustRowDialog::TfrmCustRowDialog(
    const QString &dataSet, const QString &table, const QString &keyField, QWidget *parent)
    : TfrmKyvModal(parent)
    , m_dataSet(custDM ? custDM->ClientDataSet(dataSet) : nullptr)
    , m_table(table)
    , m_keyField(keyField)
{
}

void TfrmCustRowDialog::setFields(QLayout *fields)
{
    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, guarded([this](bool) { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

bool TfrmCustRowDialog::startRow(bool insert)
{
    if (!m_dataSet)
        return false;
    if (!m_dataSet->Active())
        m_dataSet->Open();
    if (insert) {
        m_dataSet->Append();
        return true;
    }
    if (m_dataSet->IsEmpty())
        return false;
    m_dataSet->Edit();
    return true;
}

void TfrmCustRowDialog::btnOkClick()
{
    if (!m_dataSet || !validateInput())
        return;
    if (!isEditing(m_dataSet)) {
        accept();
        return;
    }
    const bool inserting = m_dataSet->State() == dsInsert;
    const QVariant key = m_dataSet->FieldByName(m_keyField)->Value();
    m_dataSet->Post();
    if (inserting && !rowStored(m_table, m_keyField, key))
        TfrmKyvModal::reject();
    else
        accept();
}

void TfrmCustRowDialog::reject()
{
    guard([this] {
        if (isEditing(m_dataSet))
            m_dataSet->Cancel();
    });
    TfrmKyvModal::reject();
}
