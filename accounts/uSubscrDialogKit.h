#pragma once

#include "DataSet.h"
#include "uCustDialogs.h"

#include <QDialog>
#include <QString>

class QEvent;
class QKeyEvent;
class QLabel;
class QPushButton;
class TKyv_ClientDataSet;
class QWidget;
class TDataSource;
class TDBCheckBoxEh;
class TDBDateTimeEditEh;
class TDBLookupComboboxEh;
class TMemTable;

// What the subscription dialogs share: their one-record tables, their bound controls (the lookups are the card
// dialogs' boundLookup) and Enter as Tab.

// A field of a one-record table.
struct TRecordField
{
    const char *name;
    TFieldType type;
};
// An open in-memory table with the fields and one record being edited.
TMemTable *NewRecordTable(QObject *owner, const char *name, std::initializer_list<TRecordField> fields);

TDBDateTimeEditEh *NewDateEdit(QWidget *parent, const char *name, TDataSource *record, const char *field);
// A read-only check box showing '1' of the list's field as checked.
TDBCheckBoxEh *NewFlagBox(
    QWidget *parent, const char *name, const QString &caption, TDataSource *list, const char *field);

// With `enterToTab` on, Enter on a date field, a read-only field or a lookup whose list is closed moves the
// focus on and is swallowed: true when the key was taken.
bool EnterMovesFocus(QDialog *dialog, QKeyEvent *event);

// The value of a field of a one-record table, null for none.
QVariant RecordValue(TMemTable *record, const char *field);

// The frame of both subscription dialogs: the one-record table being edited with its source, the controls both
// show (the parent package's notice, its digital flag, the date and the smart card's label, made by each dialog
// in its own focus order) and Enter as Tab.
class TSubscrDialog : public QDialog
{
    Q_OBJECT
public:
    TMemTable *mdTempDataSet = nullptr;
    TDataSource *dsTempDataSet = nullptr;

    QLabel *lblParentNotice = nullptr;
    TDBCheckBoxEh *chkDTV = nullptr;
    TDBDateTimeEditEh *dtpDateFrom = nullptr;
    QLabel *lblSmartCard = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    TSubscrDialog(QWidget *parent, const char *name, const QString &title, std::initializer_list<TRecordField> fields);

    // The read-only list of the services to choose from, by the data module's provider, with its one parameter and
    // its source.
    TKyv_ClientDataSet *NewServiceList(const char *name, const char *provider, const QString &statement,
        TFieldType paramType, const char *param, TDataSource *&source);

    void keyPressEvent(QKeyEvent *event) override;
};
