#include "DatasetsSupport.h"

#include "Exceptions.h"

#include <gtest/gtest.h>

using tarvik::test::makeNumbered;
using tarvik::test::makeTable;

namespace {

QString name(TDataSet &t)
{
    return t.FieldByName(QStringLiteral("NAME"))->AsString();
}

} // namespace

TEST(DatasetsNavigation, NextPastTheLastRowKeepsItAndSetsEof)
{
    auto t = makeTable({"a", "b", "c"});
    EXPECT_TRUE(t->Bof());
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(t->MoveBy(5), 2);
    EXPECT_EQ(name(*t), "c");
    EXPECT_TRUE(t->Eof());
    t->Next();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(name(*t), "c");
    EXPECT_EQ(t->RecNo(), 3);
    t->Prior();
    EXPECT_FALSE(t->Eof());
    EXPECT_EQ(name(*t), "b");
    EXPECT_EQ(t->MoveBy(-10), -1);
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(t->RecNo(), 1);
    t->Last();
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(name(*t), "c");
    t->SetRecNo(2);
    EXPECT_EQ(name(*t), "b");
}

TEST(DatasetsNavigation, EmptyAndClosedDatasets)
{
    auto t = makeTable({});
    EXPECT_TRUE(t->IsEmpty());
    EXPECT_TRUE(t->Bof());
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(t->RecNo(), 0);
    EXPECT_TRUE(t->FieldByName("NAME")->IsNull());
    EXPECT_THROW(t->Delete(), EDatabaseError);
    t->Close();
    EXPECT_EQ(t->RecordCount(), 0);
    EXPECT_THROW(t->Next(), EDatabaseError);
    EXPECT_EQ(t->FindField("ID"), nullptr) << "fields made from the definitions go with the close";
}

TEST(DatasetsEditing, CheckBrowseModePostsChangesAndCancelsUntouchedInserts)
{
    auto t = makeTable({"a", "b"});
    t->Edit();
    t->FieldByName("NAME")->SetValue("A");
    t->Next();
    EXPECT_EQ(t->State(), dsBrowse);
    t->First();
    EXPECT_EQ(name(*t), "A");

    t->Insert();
    EXPECT_EQ(t->RecNo(), 0);
    t->Next();
    EXPECT_EQ(t->RecordCount(), 2) << "an untouched insert is cancelled";

    // Assigning a field in Browse is refused: no edit begins behind the caller's back.
    t->First();
    EXPECT_THROW(t->FieldByName("AMOUNT")->SetAsString("7.25"), EDatabaseError);
    EXPECT_EQ(t->State(), dsBrowse);
    EXPECT_DOUBLE_EQ(t->FieldByName("AMOUNT")->AsFloat(), 1.5);
}

TEST(DatasetsEditing, InsertAppendAndDeletePositions)
{
    auto t = makeTable({"a", "b", "c"});
    t->Next();
    t->Insert();
    t->FieldByName("NAME")->SetValue("x");
    t->Post();
    EXPECT_EQ(t->RecNo(), 2);
    t->Append();
    t->FieldByName("NAME")->SetValue("z");
    t->Post();
    QStringList order;
    for (t->First(); !t->Eof(); t->Next())
        order << name(*t);
    EXPECT_EQ(order, QStringList({"a", "x", "b", "c", "z"}));

    t->SetRecNo(2);
    t->Delete();
    EXPECT_EQ(name(*t), "b") << "the next record becomes current";
    t->Last();
    t->Delete();
    EXPECT_EQ(name(*t), "c") << "after deleting the last record the previous one is current";
    EXPECT_EQ(t->RecordCount(), 3);
}

TEST(DatasetsEditing, RulesOfFieldsAndDataset)
{
    auto t = makeTable({"a"});
    TField *id = t->FieldByName("ID");
    id->SetRequired(true);
    t->Edit();
    id->Clear();
    try {
        t->Post();
        FAIL() << "a required field must stop the post";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), "mdTest: Field 'ID' must have a value");
    }
    EXPECT_EQ(t->State(), dsEdit);
    t->Cancel();
    EXPECT_EQ(id->AsInteger(), 1);

    t->FieldByName("NAME")->SetReadOnly(true);
    EXPECT_THROW(t->FieldByName("NAME")->SetValue("b"), EDatabaseError);
    t->Cancel();
    EXPECT_THROW(t->FieldByName("AMOUNT")->SetAsString("abc"), EConvertError);
    t->Cancel();

    t->SetReadOnly(true);
    EXPECT_THROW(t->Edit(), EDatabaseError);
    EXPECT_THROW(t->Append(), EDatabaseError);
}

TEST(DatasetsEvents, OrderOfDatasetEvents)
{
    TMemTable t;
    t.AddField<TIntegerField>("ID");
    QStringList log;
    auto on = [&log](TDataSetNotifyEvent &ev, const char *name) {
        ev.add([&log, name](TDataSet *) { log << QString::fromLatin1(name); });
    };
    on(t.BeforeOpen, "BeforeOpen"); on(t.AfterOpen, "AfterOpen");
    on(t.BeforeClose, "BeforeClose"); on(t.AfterClose, "AfterClose");
    on(t.BeforeInsert, "BeforeInsert"); on(t.AfterInsert, "AfterInsert");
    on(t.BeforeEdit, "BeforeEdit"); on(t.AfterEdit, "AfterEdit");
    on(t.BeforePost, "BeforePost"); on(t.AfterPost, "AfterPost");
    on(t.BeforeCancel, "BeforeCancel"); on(t.AfterCancel, "AfterCancel");
    on(t.BeforeDelete, "BeforeDelete"); on(t.AfterDelete, "AfterDelete");
    on(t.BeforeScroll, "BeforeScroll"); on(t.AfterScroll, "AfterScroll");
    on(t.BeforeRefresh, "BeforeRefresh"); on(t.AfterRefresh, "AfterRefresh");
    t.OnNewRecord.add([&log](TDataSet *ds) {
        log << "OnNewRecord";
        ds->FieldByName("ID")->SetValue(42);
    });

    t.Open();
    t.Append();
    t.Post();
    t.Edit();
    t.FieldByName("ID")->SetValue(1);
    t.Cancel();
    t.Delete();
    t.Refresh();
    t.Append();
    t.FieldByName("ID")->SetValue(2);
    t.Close();
    EXPECT_EQ(log, QStringList({"BeforeOpen", "AfterOpen", "AfterScroll",
                                "BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll",
                                "BeforePost", "AfterPost",
                                "BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel",
                                "BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll",
                                "BeforeRefresh", "AfterRefresh",
                                "BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll",
                                "BeforePost", "AfterPost", "BeforeClose", "AfterClose"}));
}

TEST(DatasetsEvents, HandlersRunInOrderAndCanBeRemoved)
{
    auto t = makeTable({"a", "b"});
    QStringList log;
    t->AfterScroll.add([&](TDataSet *) { log << "second"; });
    const int id = t->AfterScroll.addFirst([&](TDataSet *) { log << "first"; });
    t->Next();
    t->AfterScroll.remove(id);
    t->Prior();
    EXPECT_EQ(log, QStringList({"first", "second", "second"}));
}
