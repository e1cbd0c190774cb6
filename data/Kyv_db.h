#pragma once

#include "AdoDataSet.h"
#include "ClientDataSet.h"
#include "ScreenCursor.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QLineEdit;
class TDataSetProvider;

// One SQL macro of a dataset: "&name" in its command text is replaced by Value before the text is sent.
class TSqlSubstitution
{
public:
    QString Name;
    QString Value;
};

// The macros of one dataset. Names ignore case; when two items share a name the first one wins.
class TSqlSubstitutions
{
public:
    // `ownerName` is the owning dataset's component name, used in the error of SubstitutionByName.
    explicit TSqlSubstitutions(QString ownerName = {})
        : m_ownerName(std::move(ownerName))
    {
    }
    // Owned by a dataset: its component name (objectName) as it is when the error is raised.
    explicit TSqlSubstitutions(const QObject *owner)
        : m_owner(owner)
    {
    }

    void SetOwnerName(const QString &name) { m_ownerName = name; }
    QString OwnerName() const { return m_owner ? m_owner->objectName() : m_ownerName; }
    TSqlSubstitution *Add();
    // Adds an item with a name and value (the form resources' way of declaring a dataset's macros).
    TSqlSubstitution *Add(const QString &name, const QString &value = {});
    int Count() const { return int(m_items.size()); }
    TSqlSubstitution *Items(int index) { return m_items.at(index).get(); }
    const TSqlSubstitution *Items(int index) const { return m_items.at(index).get(); }
    void Clear() { m_items.clear(); }

    TSqlSubstitution *FindSubstitution(const QString &name) const;
    // Raises EDatabaseError "<owner>: <name> SqlSubstitution Not Found" when there is none.
    TSqlSubstitution *SubstitutionByName(const QString &name) const;

private:
    QString m_ownerName;
    QPointer<const QObject> m_owner;
    QList<std::shared_ptr<TSqlSubstitution>> m_items;
};

// The command text with every macro opened by `substituteChar` replaced by its item's value. A macro without an
// item becomes empty text; quoted text is never searched; a doubled macro character gives one; the end
// character that closes a name (line feed, carriage return, blank, ")", ",", ";") is consumed with it.
QString ApplySqlSubstitutions(const QString &text, const TSqlSubstitutions &substitutions,
                              QChar substituteChar = QLatin1Char('&'));

// The client dataset of the windows and data modules: reaches the database through the provider named by
// DataProvider, with the macros of its command text replaced just before every request.
class TKyv_ClientDataSet : public TClientDataSet
{
    Q_OBJECT
public:
    explicit TKyv_ClientDataSet(QObject *owner = nullptr);
    ~TKyv_ClientDataSet() override;

    // A provider is used directly; a dataset gets a provider of its own over it. Not owned: when the component
    // is destroyed the dataset forgets it.
    QObject *DataProvider() const { return m_dataProvider; }
    void SetDataProvider(QObject *component);

    // The text with its macros, as lines: reading joins them, each ended by "\r\n".
    QString CommandText() const;
    void SetCommandText(const QString &text);
    // The command text with its macros replaced; also left as the text of the base class.
    QString RealCommandText();

    QChar SubstituteChar() const { return m_substituteChar; }
    void SetSubstituteChar(QChar c) { m_substituteChar = c; }
    TSqlSubstitutions &SqlSubstitutions() { return m_substitutions; }
    const TSqlSubstitutions &SqlSubstitutions() const { return m_substitutions; }
    TSqlSubstitution *SubstitutionByName(const QString &name) const { return m_substitutions.SubstitutionByName(name); }
    QString ApplySqlSubstitutions(const QString &text) const;
    bool SqlSubstitutionsCheck() const { return m_substitutionsCheck; }
    void SetSqlSubstitutionsCheck(bool on) { m_substitutionsCheck = on; }

    TCursor WaitCursor() const { return m_waitCursor; }
    void SetWaitCursor(TCursor cursor) { m_waitCursor = cursor; }

    // ";"-separated field names, kept sorted and without repeats.
    QString ExcludeCopyFields() const { return m_excludeCopyFields.join(QLatin1Char(';')); }
    void SetExcludeCopyFields(const QString &names);

    // Drops the indexes a grid's title sorting added (all but DEFAULT_ORDER, CHANGEINDEX and PRIMARY_KEY).
    void DeleteCustomIndexes();
    // Locates the ";"-separated values in the current index's fields, ignoring case, as a partial key. Never
    // raises: false on a closed dataset or any failure.
    bool LocateByValues(const QString &values);
    // LocateByValues of the edit's text; the edit's text turns red when nothing is found.
    bool LocateByEdit(QLineEdit *edit);

protected:
    void InternalOpen() override;
    void InternalClose() override;
    QString RequestCommandText() override;

private:
    void Relink();

    QPointer<QObject> m_dataProvider;
    std::unique_ptr<TDataSetProvider> m_ownProvider;
    QMetaObject::Connection m_providerGone;
    QStringList m_lines;
    QChar m_substituteChar = QLatin1Char('&');
    TSqlSubstitutions m_substitutions{static_cast<const QObject *>(this)};
    bool m_substitutionsCheck = false;
    TCursor m_waitCursor = crHourGlass;
    QStringList m_excludeCopyFields;
};

// The server dataset on the data module's connection. Its macro properties are kept with the form but never
// applied: the command text goes to the connection unchanged.
class TKyv_ADODataSet : public TADODataSet
{
    Q_OBJECT
public:
    explicit TKyv_ADODataSet(QObject *owner = nullptr);

    TCursor WaitCursor() const { return m_waitCursor; }
    void SetWaitCursor(TCursor cursor) { m_waitCursor = cursor; }
    QChar SubstituteChar() const { return m_substituteChar; }
    void SetSubstituteChar(QChar c) { m_substituteChar = c; }
    TSqlSubstitutions &SqlSubstitutions() { return m_substitutions; }
    bool SqlSubstitutionsCheck() const { return m_substitutionsCheck; }
    void SetSqlSubstitutionsCheck(bool on) { m_substitutionsCheck = on; }
    // Numbers arrive as floating point whatever this says; kept for the forms that set it.
    bool EnableBCD() const { return m_enableBCD; }
    void SetEnableBCD(bool on) { m_enableBCD = on; }

    // From the first row, locates the edit's text in the key fields, ignoring case, as a partial key; the
    // edit's text turns red when nothing is found. Never raises.
    bool LocateByEdit(const QString &keyFields, QLineEdit *edit);

    // The columns of the provider's update table, so that a joined or computed column of the query is never
    // written to it nor read back from it.
    QStringList PSGetTableColumns(const QString &tableName) override;

protected:
    void InternalOpen() override;

private:
    QMap<QString, QStringList> m_tableColumns; // by upper-cased table name, read once
    TCursor m_waitCursor = crHourGlass;
    QChar m_substituteChar = QLatin1Char('&');
    TSqlSubstitutions m_substitutions{static_cast<const QObject *>(this)};
    bool m_substitutionsCheck = true;
    bool m_enableBCD = false;
};
