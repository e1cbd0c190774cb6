#pragma once

#include <QList>
#include <QString>

#include <memory>

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

    void SetOwnerName(const QString &name) { m_ownerName = name; }
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
    QList<std::shared_ptr<TSqlSubstitution>> m_items;
};

// The command text with every macro opened by `substituteChar` replaced by its item's value. A macro without an
// item becomes empty text; quoted text is never searched; a doubled macro character gives one; the end
// character that closes a name (line feed, carriage return, blank, ")", ",", ";") is consumed with it.
QString ApplySqlSubstitutions(const QString &text, const TSqlSubstitutions &substitutions,
                              QChar substituteChar = QLatin1Char('&'));
