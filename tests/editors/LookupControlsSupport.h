#pragma once

#include "DataSource.h"
#include "MemTable.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace tarvik::test {

// The list the lookup controls choose from: ID integer, NAME string 20, CODE string 10; Apple, Apricot, Banana
// unless other names are given.
struct LookupList
{
    TMemTable table;
    TDataSource source;

    explicit LookupList(const QStringList &names = {QStringLiteral("Apple"), QStringLiteral("Apricot"),
                                                    QStringLiteral("Banana")})
    {
        table.setObjectName(QStringLiteral("mdList"));
        table.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        table.FieldDefs().Add(QStringLiteral("NAME"), ftString, 20);
        table.FieldDefs().Add(QStringLiteral("CODE"), ftString, 10);
        table.Open();
        int id = 1;
        for (const QString &name : names) {
            table.Append();
            table.FieldByName(QStringLiteral("ID"))->SetValue(id++);
            table.FieldByName(QStringLiteral("NAME"))->SetValue(name);
            table.FieldByName(QStringLiteral("CODE"))->SetValue(name.left(2).toUpper());
            table.Post();
        }
        table.First();
        source.SetDataSet(&table);
    }

    int currentId() const { return table.FieldByName(QStringLiteral("ID"))->AsInteger(); }
};

// The records that keep a key: REF integer (the key of the list), plus a lookup field L_NAME showing the
// list's NAME for REF.
struct LookupCard
{
    TMemTable table;
    TDataSource source;
    TField *ref = nullptr;
    TField *lookupName = nullptr;

    LookupCard(TDataSet *list, const QVariant &refValue)
    {
        table.setObjectName(QStringLiteral("mdCard"));
        ref = table.AddField<TIntegerField>(QStringLiteral("REF"));
        lookupName = table.AddField<TStringField>(QStringLiteral("L_NAME"), fkLookup);
        lookupName->SetLookupDataSet(list);
        lookupName->SetKeyFields(QStringLiteral("REF"));
        lookupName->SetLookupKeyFields(QStringLiteral("ID"));
        lookupName->SetLookupResultField(QStringLiteral("NAME"));
        table.Open();
        table.Append();
        ref->SetValue(refValue);
        table.Post();
        source.SetDataSet(&table);
    }
};

} // namespace tarvik::test
