#include "DatasetsSupport.h"

#include <gtest/gtest.h>

using tarvik::test::makeTable;

TEST(DatasetsLocate, KeysOptionsAndMisses)
{
    auto t = makeTable({"Иванов", "иваненко", "Петров", QString(), "Ёлкин"});
    struct Case
    {
        const char *fields;
        QVariant key;
        TLocateOptions options;
        int found; // ID, 0 for not found
    } cases[] = {
        {"NAME", "Петров", 0, 3},
        {"NAME", "петров", 0, 0},
        {"NAME", "петров", loCaseInsensitive, 3},
        {"NAME", "Иван", 0, 0},
        {"NAME", "Иван", loPartialKey, 1},
        {"NAME", "иван", loPartialKey, 2},
        {"NAME", "ИВАН", loPartialKey | loCaseInsensitive, 1},
        {"NAME", "ёл", loPartialKey | loCaseInsensitive, 5},
        {"NAME", QVariant(), 0, 4},
        {"ID;NAME", QVariantList{3, "Петров"}, 0, 3},
        {"ID;NAME", QVariantList{2, "Петров"}, 0, 0},
        {"id", "2", loPartialKey, 2},          // a number is matched by value, never partially
        {"AMOUNT", 4.5, 0, 3},
        {"AMOUNT", "4", loPartialKey, 0},
    };
    for (const Case &c : cases) {
        t->Last();
        const bool found = t->Locate(c.fields, c.key, c.options);
        EXPECT_EQ(found, c.found != 0) << c.fields << " " << c.key.toString().toStdString();
        if (c.found)
            EXPECT_EQ(t->FieldByName("ID")->AsInteger(), c.found) << c.key.toString().toStdString();
        else
            EXPECT_EQ(t->RecNo(), 5) << "a miss does not move";
    }
}

TEST(DatasetsLocate, LookupAnswersWithoutMoving)
{
    auto t = makeTable({"a", "b", "c"});
    EXPECT_EQ(t->Lookup("ID", 2, "NAME"), QVariant("b"));
    EXPECT_EQ(t->Lookup("NAME", "c", "ID;AMOUNT"), QVariant(QVariantList{3, 4.5}));
    EXPECT_FALSE(t->Lookup("ID", 7, "NAME").isValid());
    EXPECT_EQ(t->RecNo(), 1);
    EXPECT_THROW(t->Lookup("NOPE", 1, "NAME"), EDatabaseError);
}

TEST(DatasetsBookmarks, StableRowIdsComparedByPosition)
{
    auto t = makeTable({"a", "b", "c", "d"});
    t->SetRecNo(3);
    const QByteArray c = t->GetBookmark();
    t->First();
    const QByteArray a = t->GetBookmark();
    t->Next();
    t->Insert();
    t->FieldByName("NAME")->SetValue("x");
    t->Post();
    const QByteArray x = t->GetBookmark();
    EXPECT_LT(t->CompareBookmarks(a, c), 0);
    EXPECT_LT(t->CompareBookmarks(x, c), 0) << "the inserted row is before c in the current order";
    EXPECT_GT(t->CompareBookmarks(c, a), 0);
    EXPECT_EQ(t->CompareBookmarks(c, c), 0);
    t->GotoBookmark(c);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "c");
    t->Delete();
    EXPECT_FALSE(t->BookmarkValid(c));
    EXPECT_THROW(t->GotoBookmark(c), EDatabaseError);
    EXPECT_TRUE(t->BookmarkValid(a));
    EXPECT_FALSE(t->BookmarkValid(QByteArray("junk")));
}

TEST(DatasetsBookmarks, ForEachRecordReadsEveryRecordWhereTheCursorStands)
{
    auto t = makeTable({"a", "b", "c", "d"});
    t->SetRecNo(2);
    t->Insert();
    t->FieldByName("NAME")->SetValue("x");
    int scrolls = 0;
    t->AfterScroll.add([&scrolls](TDataSet *) { ++scrolls; });

    QStringList names;
    QList<QByteArray> bookmarks;
    t->ForEachRecord([&](const QByteArray &bookmark) {
        names << t->FieldByName("NAME")->AsString();
        bookmarks << bookmark;
    });
    EXPECT_EQ(names, QStringList({"a", "x", "b", "c", "d"})) << "the record being inserted, as typed, in its place";
    EXPECT_TRUE(bookmarks[1].isEmpty()) << "a record being inserted has no bookmark yet";
    EXPECT_EQ(t->State(), dsInsert);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "x");
    EXPECT_EQ(scrolls, 0);

    EXPECT_THROW(t->ForEachRecord([](const QByteArray &) { throw EDatabaseError("stop"); }), EDatabaseError);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "x") << "a reader that fails leaves the fields on the cursor";
    t->Post();
    t->GotoBookmark(bookmarks[3]);
    EXPECT_EQ(t->FieldByName("NAME")->AsString(), "c");
}

TEST(DatasetsFilter, FilterTextAndHandler)
{
    auto t = makeTable({"Анна", "Борис", "Анатолий", QString(), "Вера"});
    t->SetRecNo(3);
    const QByteArray anatoly = t->GetBookmark();
    const quint64 stamp = t->OrderStamp();
    struct { const char *filter; int count; } cases[] = {
        {"NAME = 'Ан*'", 2},
        {"ID > 2 AND NOT (NAME = 'Вера')", 2},
        {"NAME IS NULL OR ID = 1", 2},
        {"AMOUNT >= 4.5", 3},
        {"[NAME] <> 'Анна'", 3},
        {"NAME = NULL", 1},
        {"NAME LIKE '%на%'", 2},
        {"NAME LIKE 'А_а%'", 1},
        {"NAME like 'ан%'", 0},
        {"NAME NOT LIKE 'Ан%'", 2},
        {"NAME ~ '*ра'", 1},
        {"NAME !~ '*ра'", 3},
        {"ID IN (1, 3, 5)", 3},
        {"ID in (2)", 1},
        {"ID NOT IN (1,2)", 3},
        {"ID !In (1,2) AND NAME IS NOT NULL", 2},
        {"NAME IN ('Вера', 'Анна')", 2},
        {"NAME NOT IN ('Вера')", 3},
        {"AMOUNT IN (1.5, 7.5) OR ID != 2", 4},
    };
    t->SetFiltered(true);
    for (const auto &c : cases) {
        t->SetFilter(c.filter);
        EXPECT_EQ(t->RecordCount(), c.count) << c.filter;
    }
    EXPECT_GT(t->OrderStamp(), stamp);
    EXPECT_THROW(t->SetFilter("NAME = "), EDatabaseError);
    EXPECT_THROW(t->SetFilter("NOPE = 1"), EDatabaseError);
    for (const char *bad :
         {"ID IN (1, 2", "ID IN ()", "ID IN 1", "NAME NOT = 'a'", "NAME LIKE", "ID ! 2", "ID IN ('x')"})
        EXPECT_THROW(t->SetFilter(bad), Exception) << bad;

    t->SetFilter("NAME = 'Ан*'");
    ASSERT_TRUE(t->BookmarkValid(anatoly));
    t->GotoBookmark(anatoly);
    t->OnFilterRecord.add([](TDataSet *ds, bool &accept) { accept = ds->FieldByName("ID")->AsInteger() != 3; });
    t->SetFiltered(false);
    t->SetFiltered(true);
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_FALSE(t->BookmarkValid(anatoly)) << "a filtered-out row";
    t->SetFilter(QString());
    EXPECT_EQ(t->RecordCount(), 4);
    t->SetFiltered(false);
    EXPECT_EQ(t->RecordCount(), 5);
}
