// Lookup fields read their table through a hash of its keys once the same state of the table is searched a
// second time; the hash must answer exactly as a walk over the rows does.
#include "MemTable.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <memory>

namespace {

struct LookupCase
{
    const char *name;
    QList<TFieldType> keyTypes;     // of the looked-up table's key fields K1, K2
    QList<QVariantList> rows;       // key values, then the result R
    QList<TFieldType> refTypes;     // of the reading table's fields F1, F2
    QList<QVariantList> refs;       // one reading record each
    QStringList expected;           // the lookup field's text on each reading record
};

QDateTime day(int y, int m, int d, int h = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, 0));
}

const QVariant Null;

QList<LookupCase> lookupCases()
{
    return {
        { "duplicates, nulls and missing keys", { ftInteger },
            { { 1, "a" }, { 2, "b" }, { 2, "b twice" }, { Null, "null key" }, { 3, "c" } }, { ftInteger },
            { { 2 }, { 1 }, { 9 }, { Null }, { 3 }, { 2 }, { -1 } }, { "b", "a", "", "", "c", "b", "" } },
        { "floating keys read by integers", { ftFloat }, { { 1.0, "one" }, { 2.5, "two and a half" }, { -0.0, "zero" } },
            { ftInteger }, { { 1 }, { 0 }, { 2 }, { 3 } }, { "one", "zero", "", "" } },
        { "integer keys read by floats and texts", { ftInteger }, { { 5, "five" }, { 7, "seven" }, { 0, "zero" } },
            { ftString }, { { "5" }, { " 7" }, { "07" }, { "-0" }, { "8" } }, { "five", "seven", "seven", "zero", "" } },
        { "text keys read by integers", { ftString }, { { "01", "padded" }, { "1", "one" }, { "x", "ex" } },
            { ftInteger }, { { 1 }, { 10 } }, { "one", "" } },
        { "texts compared as written", { ftString }, { { "Abc", "capital" }, { "abc", "small" } },
            { ftString }, { { "abc" }, { "ABC" }, { "Abc" }, { "abc " } }, { "small", "", "capital", "" } },
        { "dates read by date-times", { ftDate }, { { day(2024, 1, 1), "january" }, { day(2024, 2, 1), "february" } },
            { ftDateTime }, { { day(2024, 2, 1) }, { day(2024, 2, 1, 10) }, { day(2024, 1, 3) } },
            { "february", "february", "" } },
        { "two text keys that run together", { ftString, ftString },
            { { "ab", "c", "ab|c" }, { "a", "bc", "a|bc" }, { "a", Null, "a|null" } }, { ftString, ftString },
            { { "a", "bc" }, { "ab", "c" }, { "a", Null }, { "abc", "" } }, { "a|bc", "ab|c", "", "" } },
        { "an integer and a float key", { ftInteger, ftFloat }, { { 1, 0.5, "1/0.5" }, { 1, 1.5, "1/1.5" } },
            { ftFloat, ftString }, { { 1.0, "1.5" }, { 1.0, "0.5" }, { 2.0, "0.5" } }, { "1/1.5", "1/0.5", "" } },
    };
}

// The looked-up table of a case, and a reading table whose lookup field L shows R.
struct Tables
{
    TMemTable list;
    TMemTable reader;
    TField *lookup = nullptr;
    QString keyNames;
    QString refNames;

    explicit Tables(const LookupCase &c)
    {
        QStringList keys, refs;
        for (int i = 0; i < c.keyTypes.size(); ++i) {
            keys << QStringLiteral("K%1").arg(i + 1);
            list.FieldDefs().Add(keys.last(), c.keyTypes[i], c.keyTypes[i] == ftString ? 20 : 0);
        }
        list.FieldDefs().Add(QStringLiteral("R"), ftString, 20);
        list.Open();
        for (const QVariantList &row : c.rows) {
            list.Append();
            for (int i = 0; i < row.size(); ++i)
                list.Fields()[i]->SetValue(row[i]);
            list.Post();
        }
        for (int i = 0; i < c.refTypes.size(); ++i) {
            refs << QStringLiteral("F%1").arg(i + 1);
            TField *f = CreateField(c.refTypes[i], &reader);
            f->SetFieldName(refs.last());
            f->SetDataSet(&reader);
        }
        keyNames = keys.join(u';');
        refNames = refs.join(u';');
        lookup = reader.AddField<TStringField>(QStringLiteral("L"), fkLookup);
        lookup->SetLookupDataSet(&list);
        lookup->SetKeyFields(refNames);
        lookup->SetLookupKeyFields(keyNames);
        lookup->SetLookupResultField(QStringLiteral("R"));
        reader.Open();
        for (const QVariantList &ref : c.refs) {
            reader.Append();
            for (int i = 0; i < ref.size(); ++i)
                reader.Fields()[i]->SetValue(ref[i]);
            reader.Post();
        }
    }

    QStringList texts()
    {
        QStringList out;
        for (reader.First(); !reader.Eof(); reader.Next())
            out << lookup->AsString();
        return out;
    }

    // What a walk over the looked-up rows finds for each reading record (no key, no row).
    QStringList scanned()
    {
        QStringList out;
        for (reader.First(); !reader.Eof(); reader.Next()) {
            const QVariant key = reader.FieldValues(refNames);
            bool anyNull = !key.isValid();
            for (const QVariant &k : key.typeId() == QMetaType::QVariantList ? key.toList() : QVariantList{key})
                anyNull = anyNull || !k.isValid();
            out << (!anyNull && list.Locate(keyNames, key) ? list.FieldByName(QStringLiteral("R"))->AsString()
                                                           : QString());
        }
        return out;
    }
};

TEST(SpeedLookup, TheHashOfKeysAnswersAsTheWalkOverTheRows)
{
    for (const LookupCase &c : lookupCases()) {
        SCOPED_TRACE(c.name);
        Tables t(c);
        EXPECT_EQ(t.texts(), c.expected) << "the first reading";
        EXPECT_EQ(t.texts(), c.expected) << "read again from the hash";
        EXPECT_EQ(t.scanned(), c.expected) << "the walk over the rows";
    }
}

TEST(SpeedLookup, TheHashFollowsEveryChangeOfTheLookedUpRows)
{
    LookupCase c = lookupCases().first();
    Tables t(c);
    EXPECT_EQ(t.texts(), c.expected);

    t.list.Locate(QStringLiteral("K1"), 9); // no such key yet
    t.list.Locate(QStringLiteral("K1"), 1);
    t.list.Edit();
    t.list.FieldByName(QStringLiteral("K1"))->SetValue(9);
    EXPECT_EQ(t.texts()[1], "") << "a row being edited is passed over, as the walk passes it";
    t.list.Post();
    EXPECT_EQ(t.texts(), QStringList({ "b", "", "a", "", "c", "b", "" })) << "a posted key";

    t.list.Locate(QStringLiteral("K1"), 2);
    t.list.Delete();
    EXPECT_EQ(t.texts()[0], "b twice") << "the next row of a deleted key answers";

    t.list.SetFilter(QStringLiteral("R <> 'c'"));
    t.list.SetFiltered(true);
    EXPECT_EQ(t.texts()[4], "") << "a filtered-out row";
    t.list.SetFiltered(false);
    EXPECT_EQ(t.texts()[4], "c");

    t.list.Close();
    EXPECT_EQ(t.texts(), QStringList(7, QString())) << "a closed table answers nothing";
}

// A NaN compares equal to every number, which no key text stands for: such searches keep to the walk.
TEST(SpeedLookup, NotANumberKeepsToTheWalk)
{
    LookupCase c { "nan", { ftFloat }, { { 1.0, "one" }, { std::nan(""), "nan" }, { 2.0, "two" } }, { ftFloat },
        { { 2.0 }, { 1.0 }, { 3.0 } }, {} };
    Tables t(c);
    const QStringList first = t.texts();
    EXPECT_EQ(t.texts(), first);
    EXPECT_EQ(t.scanned(), first);
}

} // namespace
