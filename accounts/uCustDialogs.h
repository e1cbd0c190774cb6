#pragma once

#include "KyvFrames.h"

#include <QObject>
#include <QString>
#include <QVariant>

class QWidget;
class QEvent;
class QLayout;
class QPushButton;
class TDataSet;
class TKyv_ClientDataSet;
class TDataSource;
class TDBEditEh;
class TDBDateTimeEditEh;
class TDBNumberEditEh;
class TDBLookupComboboxEh;

// Controls of the card's small dialogs, bound to a field of `source` and named for the tests and the user's
// settings.
TDBEditEh *boundEdit(QWidget *parent, const char *name, TDataSource *source, const char *field);
TDBNumberEditEh *boundNumber(QWidget *parent, const char *name, TDataSource *source, const char *field);
TDBDateTimeEditEh *boundDate(QWidget *parent, const char *name, TDataSource *source, const char *field,
    const QString &format = QStringLiteral("dd.MM.yyyy"));
TDBLookupComboboxEh *boundLookup(QWidget *parent, const char *name, TDataSource *source, const char *field,
    TDataSource *list, const char *keyField, const char *listField);

// Enter in one of the watched inputs moves the focus to the next input while the setting enterToTab is on.
class TEnterToTab : public QObject
{
public:
    explicit TEnterToTab(QObject *parent)
        : QObject(parent)
    {
    }
    void watch(QWidget *input);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Whether the dataset holds a row being edited or inserted.
bool isEditing(const TDataSet *ds);

// Whether the table (without its owner) holds the row of that key: an insert the database refused leaves none,
// and its dialog then answers that nothing was stored.
bool rowStored(const QString &table, const QString &keyField, const QVariant &key);

// A dialog of the card on the current row of one of custDM's detail datasets: "Готово" checks the row and posts
// it (the module stores it at once), "Отмена" and closing drop the edit. A new row the database refused was
// shown to the user and is gone, and the dialog then answers that nothing was stored.
class TfrmCustRowDialog : public TfrmKyvModal
{
    Q_OBJECT
public:
    // `dataSet` names the module's dataset; `table` and `keyField` find a new row in the database.
    TfrmCustRowDialog(const QString &dataSet, const QString &table, const QString &keyField, QWidget *parent = nullptr);

    TKyv_ClientDataSet *rowDataSet() const { return m_dataSet; }
    // Opens the dataset and appends a row or edits the current one; false when there is none to edit.
    bool startRow(bool insert);
    virtual bool validateInput() { return true; }

    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    // The dialog's fields above "Готово" and "Отмена".
    void setFields(QLayout *fields);
    void btnOkClick();
    void reject() override;

private:
    TKyv_ClientDataSet *m_dataSet;
    QString m_table, m_keyField;
};
