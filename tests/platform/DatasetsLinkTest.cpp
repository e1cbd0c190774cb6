#include "DatasetsSupport.h"

#include <gtest/gtest.h>

using tarvik::test::makeNumbered;
using tarvik::test::makeTable;
using tarvik::test::RecordingLink;

namespace {

struct Window
{
    std::unique_ptr<TMemTable> table = makeNumbered(100);
    TDataSource source;
    RecordingLink link;

    Window()
    {
        source.SetDataSet(table.get());
        link.SetDataSource(&source);
        link.SetBufferCount(10);
        link.clear();
    }
    int id() const { return table->FieldByName("ID")->AsInteger(); }
};

} // namespace

// The window rules with N = 100 records and B = 10 buffers.
TEST(DatasetsWindow, PinnedTable)
{
    Window w;
    w.table->First();
    EXPECT_EQ(w.link.FirstRecord(), 0);
    EXPECT_EQ(w.link.ActiveRecord(), 0);
    w.link.clear();
    w.table->MoveBy(9);
    EXPECT_EQ(w.link.calls, QStringList({"scrolled(0)"}));
    EXPECT_EQ(w.link.ActiveRecord(), 9);
    w.link.clear();
    w.table->Next();
    EXPECT_EQ(w.link.calls, QStringList({"scrolled(1)"}));
    EXPECT_EQ(w.link.FirstRecord(), 1);
    EXPECT_EQ(w.link.ActiveRecord(), 9);

    w.table->Last();
    EXPECT_EQ(w.link.FirstRecord(), 90);
    EXPECT_EQ(w.link.ActiveRecord(), 9);

    // Records count from 0; record r has ID r + 1.
    struct { int record, first, active; } jumps[] = {{50, 46, 4}, {2, 0, 2}, {98, 90, 8}};
    for (const auto &j : jumps) {
        w.link.clear();
        ASSERT_TRUE(w.table->Locate("ID", j.record + 1));
        EXPECT_EQ(w.link.calls, QStringList({"changed"}));
        EXPECT_EQ(w.link.FirstRecord(), j.first) << j.record;
        EXPECT_EQ(w.link.ActiveRecord(), j.active) << j.record;
    }

    w.table->Last();
    w.table->Delete();
    EXPECT_EQ(w.table->RecNo(), 99);
    EXPECT_EQ(w.link.FirstRecord(), 89);
    EXPECT_EQ(w.link.ActiveRecord(), 9);
    EXPECT_EQ(w.link.RecordCount(), 10);
}

TEST(DatasetsWindow, StructuralChangesKeepTheRowOfTheWindow)
{
    Window w;
    ASSERT_TRUE(w.table->Locate("ID", 51)); // record 50: F 46, A 4
    w.table->Insert();
    EXPECT_EQ(w.link.FirstRecord(), 46);
    EXPECT_EQ(w.link.ActiveRecord(), 4);
    w.table->Cancel();
    EXPECT_EQ(w.link.ActiveRecord(), 4);
    EXPECT_EQ(w.id(), 51);

    w.link.SetBufferCount(3);
    EXPECT_EQ(w.link.FirstRecord(), 48);
    EXPECT_EQ(w.link.ActiveRecord(), 2);
    w.link.SetBufferCount(200);
    EXPECT_EQ(w.link.FirstRecord(), 0);
    EXPECT_EQ(w.link.RecordCount(), 100);
}

TEST(DatasetsWindow, ActiveRecordRedirectsReadsOnly)
{
    Window w;
    w.table->First();
    QList<int> drawn;
    for (int k = 0; k < w.link.RecordCount(); ++k) {
        w.link.SetActiveRecord(k);
        drawn << w.id();
    }
    EXPECT_EQ(drawn.first(), 1);
    EXPECT_EQ(drawn.last(), 10);
    EXPECT_EQ(w.table->RecNo(), 1) << "drawing does not move the cursor";
    EXPECT_THROW(w.table->Edit(), EDatabaseError) << "editing while another record is drawn";
    w.link.SetActiveRecord(0);
    EXPECT_EQ(w.id(), 1);
    EXPECT_NO_THROW(w.table->Edit());
}

TEST(DatasetsWindow, CallbacksOfEditing)
{
    Window w;
    w.table->First();
    w.link.withCheckBrowseMode = true;
    w.link.clear();
    w.table->Edit();
    w.table->FieldByName("NAME")->SetValue("x");
    w.table->Post();
    EXPECT_EQ(w.link.calls, QStringList({"checkBrowseMode", "editing", "record()", "record(NAME)", "updateData",
                                         "checkBrowseMode", "editing", "changed"}));
    w.link.clear();
    w.table->Close();
    EXPECT_EQ(w.link.calls, QStringList({"checkBrowseMode", "active"}));
    EXPECT_FALSE(w.link.Active());
    EXPECT_EQ(w.link.RecordCount(), 0);
}

TEST(DatasetsControls, DisabledControlsHearNothingUntilTheLastEnable)
{
    Window w;
    int scrolls = 0;
    w.table->AfterScroll.add([&](TDataSet *) { ++scrolls; });
    w.table->DisableControls();
    w.table->DisableControls();
    w.table->First();
    w.table->MoveBy(30);
    w.table->Edit();
    EXPECT_EQ(scrolls, 2) << "dataset events still fire";
    w.table->EnableControls();
    EXPECT_TRUE(w.link.calls.isEmpty());
    EXPECT_TRUE(w.table->ControlsDisabled());
    w.table->EnableControls();
    EXPECT_EQ(w.link.calls, QStringList({"editing", "changed"}));
    EXPECT_EQ(w.link.FirstRecord(), 21) << "the window followed the moves";
    EXPECT_EQ(w.link.ActiveRecord(), 9);
    w.table->Cancel();

    w.link.clear();
    w.table->DisableControls();
    w.table->Close();
    w.table->Open();
    w.table->FieldByName("NAME")->SetDisplayLabel("Имя");
    w.table->EnableControls();
    EXPECT_EQ(w.link.calls, QStringList({"layout", "changed"}));

    w.link.clear();
    w.table->DisableControls();
    w.table->Close();
    w.table->EnableControls();
    EXPECT_EQ(w.link.calls, QStringList({"active"}));
}

TEST(DatasetsDataSource, AutoEditStateAndDataEvents)
{
    auto t = makeTable({"a", "b"});
    TDataSource ds;
    QStringList log;
    ds.OnStateChange = [&](TDataSource *s) { log << QStringLiteral("state %1").arg(s->State()); };
    ds.OnDataChange = [&](TDataSource *, TField *f) { log << QStringLiteral("data %1").arg(f ? f->FieldName() : "-"); };
    ds.SetDataSet(t.get());
    log.clear();
    ds.Edit();
    t->FieldByName("NAME")->SetValue("x");
    t->Cancel();
    EXPECT_EQ(log, QStringList({"state 2", "data -", "data NAME", "state 1", "data -"}));

    ds.SetAutoEdit(false);
    ds.Edit();
    EXPECT_EQ(t->State(), dsBrowse);
    ds.SetEnabled(false);
    EXPECT_EQ(ds.State(), dsInactive);
    EXPECT_THROW(t->SetMasterSource(&ds), EDatabaseError) << "a dataset cannot be its own master";
}

TEST(DatasetsMasterDetail, DetailFollowsTheMastersRecord)
{
    auto master = makeTable({"a", "b"});
    TDataSource ms;
    ms.SetDataSet(master.get());
    TMemTable detail;
    detail.AddField<TIntegerField>("MASTER_ID");
    detail.AddField<TStringField>("TEXT");
    detail.Open();
    for (int m : {1, 2, 2, 1, 2}) {
        detail.Append();
        detail.FieldByName("MASTER_ID")->SetValue(m);
        detail.Post();
    }
    detail.SetDetailFields("MASTER_ID");
    detail.SetMasterFields("ID");
    detail.SetMasterSource(&ms);
    EXPECT_EQ(detail.RecordCount(), 2);
    master->Next();
    EXPECT_EQ(detail.RecordCount(), 3);
    detail.Append();
    EXPECT_EQ(detail.FieldByName("MASTER_ID")->AsInteger(), 2) << "a new detail belongs to the master";
    detail.FieldByName("TEXT")->SetValue("new");
    detail.Post();
    EXPECT_EQ(detail.RecordCount(), 4);
    master->First();
    EXPECT_EQ(detail.RecordCount(), 2);
}

TEST(DatasetsMasterDetail, CircularLinksAreRefused)
{
    auto a = makeTable({"a"});
    auto b = makeTable({"b"});
    TDataSource sa, sb;
    sa.SetDataSet(a.get());
    sb.SetDataSet(b.get());
    b->SetMasterFields("ID");
    b->SetDetailFields("ID");
    b->SetMasterSource(&sa);
    EXPECT_TRUE(a->IsLinkedTo(&sb)) << "sb's dataset hangs on a";
    EXPECT_FALSE(b->IsLinkedTo(&sa));
    EXPECT_TRUE(a->IsLinkedTo(&sa));
    EXPECT_THROW(a->SetMasterSource(&sb), EDatabaseError);
    EXPECT_THROW(a->SetMasterSource(&sa), EDatabaseError);
    EXPECT_EQ(a->MasterSource(), nullptr);
}

namespace {

// Takes the focus request for one field name and passes the others on.
class FocusLink : public TDataLink
{
public:
    QString accepts;
    QStringList asked;

protected:
    void FocusControl(TField **field) override
    {
        asked << (*field)->FieldName();
        if ((*field)->FieldName() == accepts)
            *field = nullptr;
    }
};

} // namespace

TEST(DatasetsDataSource, FocusGoesToTheFirstLinkThatTakesIt)
{
    auto t = makeTable({"a"});
    TDataSource source;
    source.SetDataSet(t.get());
    FocusLink first, second, third;
    first.accepts = "AMOUNT";
    second.accepts = "NAME";
    for (FocusLink *l : {&first, &second, &third})
        l->SetDataSource(&source);
    t->FieldByName("NAME")->SetRequired(true);
    t->Append();
    EXPECT_THROW(t->Post(), EDatabaseError) << "a required field without a value";
    EXPECT_EQ(first.asked, QStringList({"NAME"}));
    EXPECT_EQ(second.asked, QStringList({"NAME"}));
    EXPECT_TRUE(third.asked.isEmpty()) << "the second link took it";
    EXPECT_EQ(t->State(), dsInsert) << "the record stays for the user to complete";
}
