// A title sort compares texts by their collation weights worked out once, and a typed prefix is found in such an
// order by halving: both must answer exactly as the comparison of the texts and the scan over the rows do.
#include "ClientDataSet.h"
#include "Formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// Plain texts (ASCII and the Russian alphabet): mixed case, ё beside е, duplicates, prefixes of each other, an
// empty text and nulls.
const QStringList PlainNames = {
    "Иванов", "иванов", "ИВАНОВ", "Иванова", "Ив", QString(), "Ёлкин", "Елкин", "елкин", "ёлка", "Кузнецов",
    "кузнецова", "Кузнецов", "ivanov", "Ivanov", "IVANOVA", "10", "9", "", "Яковлев", QString(), "Кузнец", "а", "Strasse",
};
// Texts the weights alone cannot order: accented letters, other Cyrillic alphabets, digits of other scripts.
const QStringList OtherNames = {
    "Éclair", "eclair", "Eclair", "éclair", "Їжак", "їжак", "Іван", "Иван", "٣", "3", "Straße", "STRASSE",
};

// A local dataset of ID and NAME in the order given, IDs counting from 1.
std::unique_ptr<TClientDataSet> makeNames(const QStringList &names)
{
    auto cds = std::make_unique<TClientDataSet>();
    cds->FieldDefs().Add("ID", ftInteger);
    cds->FieldDefs().Add("NAME", ftString, 40);
    cds->CreateDataSet();
    for (int i = 0; i < names.size(); ++i) {
        cds->Append();
        cds->FieldByName("ID")->SetValue(i + 1);
        if (!names[i].isNull())
            cds->FieldByName("NAME")->SetValue(names[i]);
        cds->Post();
    }
    cds->MergeChangeLog();
    return cds;
}

QList<int> shownIds(TDataSet &ds)
{
    QList<int> out;
    for (ds.First(); !ds.Eof(); ds.Next())
        out << ds.FieldByName("ID")->AsInteger();
    return out;
}

struct IndexCase
{
    const char *name;
    TIndexOptions options;
    const char *descFields;
};

const IndexCase Indexes[] = {
    { "ignoring case", ixCaseInsensitive, "" },
    { "case kept", TIndexOptions(), "" },
    { "ignoring case, descending", ixCaseInsensitive, "NAME" },
    { "case kept, descending", TIndexOptions(), "NAME" },
};

TEST(SpeedSortSearch, TheSortByWeightsOrdersAsTheTextComparisonAndKeepsArrivalAmongEquals)
{
    for (const QStringList &names : { PlainNames, OtherNames, PlainNames + OtherNames }) {
        for (const IndexCase &index : Indexes) {
            SCOPED_TRACE(index.name);
            auto cds = makeNames(names);
            cds->AddIndex("iName", "NAME", index.options, index.descFields);
            cds->SetIndexName("iName");
            const bool ignoreCase = index.options & ixCaseInsensitive;
            const bool descending = *index.descFields;
            QList<int> expected;
            for (int i = 1; i <= names.size(); ++i)
                expected << i;
            // Nulls lowest, then the collation of the texts.
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                const QString &x = names[a - 1], &y = names[b - 1];
                const int c = x.isNull() || y.isNull() ? int(y.isNull()) - int(x.isNull())
                    : (ignoreCase ? CompareTextIgnoreCase(x, y) : CompareTextCaseSensitive(x, y));
                return (descending ? -c : c) < 0;
            });
            EXPECT_EQ(shownIds(*cds), expected);
        }
    }
}

// The row the scan over the order finds first: the text beginning with the prefix once both are upper-cased.
int scannedId(TDataSet &ds, const QString &prefix, bool ignoreCase)
{
    for (ds.First(); !ds.Eof(); ds.Next()) {
        TField *name = ds.FieldByName("NAME");
        if (name->IsNull())
            continue;
        if (ignoreCase ? TextToUpper(name->AsString()).startsWith(TextToUpper(prefix))
                       : name->AsString().startsWith(prefix))
            return ds.FieldByName("ID")->AsInteger();
    }
    return -1;
}

int locatedId(TDataSet &ds, const QString &prefix, TLocateOptions options)
{
    ds.First();
    return ds.Locate("NAME", prefix, options) ? ds.FieldByName("ID")->AsInteger() : -1;
}

TEST(SpeedSortSearch, APrefixFoundInTheOrderIsTheRowTheScanFindsFirst)
{
    const QStringList prefixes = { "", "и", "ИВ", "иванов", "ИВАНОВА", "ивановы", "Ё", "е", "ёлк", "Е", "кузнец",
        "Кузнецова", "iv", "IVANOVA", "1", "9", "zzz", "а", "я", "Яковлевич", "Ї", "é", "E", "strass", "straß", "٣" };
    for (const QStringList &names : { PlainNames, PlainNames + OtherNames }) {
        for (const IndexCase &index : Indexes) {
            SCOPED_TRACE(index.name);
            auto cds = makeNames(names);
            cds->AddIndex("iName", "NAME", index.options, index.descFields);
            cds->SetIndexName("iName");
            for (const QString &prefix : prefixes) {
                SCOPED_TRACE(prefix.toStdString());
                EXPECT_EQ(locatedId(*cds, prefix, loCaseInsensitive | loPartialKey), scannedId(*cds, prefix, true));
                EXPECT_EQ(locatedId(*cds, prefix, loPartialKey), scannedId(*cds, prefix, false));
            }
        }
    }
}

TEST(SpeedSortSearch, APrefixIsFoundAfterTheRowsChangeUnderTheOrder)
{
    QStringList names = PlainNames;
    names.removeAll("Strasse");
    auto cds = makeNames(names);
    cds->AddIndex("iName", "NAME", ixCaseInsensitive);
    cds->SetIndexName("iName");
    ASSERT_EQ(locatedId(*cds, "strass", loCaseInsensitive | loPartialKey), -1);

    // A text no longer plain: upper-cased, "ß" becomes "SS", which its weight does not follow, so only the scan
    // finds "Straße" for "strass".
    ASSERT_TRUE(cds->Locate("NAME", "ivanov", TLocateOptions()));
    cds->Edit();
    cds->FieldByName("NAME")->SetValue("Straße");
    cds->Post();
    for (const char *prefix : { "strass", "STRASSE", "straß", "s", "iv", "И" })
        EXPECT_EQ(locatedId(*cds, prefix, loCaseInsensitive | loPartialKey), scannedId(*cds, prefix, true)) << prefix;
    EXPECT_EQ(locatedId(*cds, "strass", loCaseInsensitive | loPartialKey), 14);

    // Rows inserted and deleted under the order.
    cds->Append();
    cds->FieldByName("ID")->SetValue(100);
    cds->FieldByName("NAME")->SetValue("Ивакин");
    cds->Post();
    ASSERT_TRUE(cds->Locate("NAME", "Straße", TLocateOptions()));
    cds->Delete();
    for (const char *prefix : { "ива", "Ивак", "strass", "s" })
        EXPECT_EQ(locatedId(*cds, prefix, loCaseInsensitive | loPartialKey), scannedId(*cds, prefix, true)) << prefix;
    EXPECT_EQ(locatedId(*cds, "ивак", loCaseInsensitive | loPartialKey), 100);
}

TEST(SpeedSortSearch, MatchingIgnoringCaseAnswersAsUpperCasedCopies)
{
    const QStringList texts = { "", "Иванов", "иВАНОВ", "ИВАН", "ёж", "ЁЖ", "еж", "abc", "ABC", "Éclair", "ÉCLAIR",
        "straße", "STRASSE", "Їжак", "ЇЖАК", "ﬁle", "FILE", "\u212A" /* the Kelvin sign */, "k" };
    for (const QString &text : texts)
        for (const QString &what : texts + QStringList{ "иван", "ИВ", "ё", "stras", "fi", "ab" })
            for (bool prefix : { true, false }) {
                const QString upper = TextToUpper(text), upperWhat = TextToUpper(what);
                EXPECT_EQ(TextMatchesIgnoreCase(text, what, prefix),
                          prefix ? upper.startsWith(upperWhat) : upper == upperWhat)
                    << text.toStdString() << " / " << what.toStdString() << (prefix ? " (prefix)" : "");
            }
}

} // namespace
