#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

class QWidget;
class TDataSet;
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

// Asks the guide registered as `pickerName` for a row, starting at `current`; true with a different, non-null
// key in `chosen`. While no guide is registered under that name the request is logged and nothing changes.
bool pickDifferentKey(const QString &pickerName, const QVariant &current, QVariant &chosen);

// Whether the dataset holds a row being edited or inserted.
bool isEditing(const TDataSet *ds);

// Whether the table (without its owner) holds the row of that key: an insert the database refused leaves none,
// and its dialog then answers that nothing was stored.
bool rowStored(const QString &table, const QString &keyField, const QVariant &key);
