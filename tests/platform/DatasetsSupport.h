#pragma once

#include "DataSource.h"
#include "MemTable.h"

#include <QStringList>

#include <memory>

namespace tarvik::test {

// A table of ID (integer), NAME (string 30), AMOUNT (float) and D (date), opened and filled with the given
// names; ID counts from 1 and AMOUNT is ID * 1.5.
inline std::unique_ptr<TMemTable> makeTable(const QStringList &names)
{
    auto t = std::make_unique<TMemTable>();
    t->setObjectName(QStringLiteral("mdTest"));
    t->FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    t->FieldDefs().Add(QStringLiteral("NAME"), ftString, 30);
    t->FieldDefs().Add(QStringLiteral("AMOUNT"), ftFloat);
    t->FieldDefs().Add(QStringLiteral("D"), ftDate);
    t->Open();
    int id = 0;
    for (const QString &n : names) {
        ++id;
        t->Append();
        t->FieldByName(QStringLiteral("ID"))->SetValue(id);
        if (!n.isNull())
            t->FieldByName(QStringLiteral("NAME"))->SetValue(n);
        t->FieldByName(QStringLiteral("AMOUNT"))->SetValue(id * 1.5);
        t->Post();
    }
    t->First();
    return t;
}

inline std::unique_ptr<TMemTable> makeNumbered(int n)
{
    QStringList names;
    for (int i = 1; i <= n; ++i)
        names << QStringLiteral("row %1").arg(i);
    return makeTable(names);
}

// A link that writes down every callback it receives.
class RecordingLink : public TDataLink
{
public:
    QStringList calls;
    bool withCheckBrowseMode = false; // sent before every move; most tests leave it out

    void clear() { calls.clear(); }

protected:
    void ActiveChanged() override { calls << QStringLiteral("active"); }
    void CheckBrowseMode() override
    {
        if (withCheckBrowseMode)
            calls << QStringLiteral("checkBrowseMode");
    }
    void DataSetChanged() override { calls << QStringLiteral("changed"); }
    void DataSetScrolled(int distance) override { calls << QStringLiteral("scrolled(%1)").arg(distance); }
    void EditingChanged() override { calls << QStringLiteral("editing"); }
    void LayoutChanged() override { calls << QStringLiteral("layout"); }
    void RecordChanged(TField *field) override
    {
        calls << QStringLiteral("record(%1)").arg(field ? field->FieldName() : QString());
    }
    void UpdateData() override { calls << QStringLiteral("updateData"); }
};

} // namespace tarvik::test
