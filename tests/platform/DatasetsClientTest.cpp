#include "ClientDataSet.h"
#include "DataSource.h"
#include "DatasetsSqlFixture.h"
#include "DatasetsSupport.h"

#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace {

// A local client dataset of (ID integer, NAME string, D date) rows; a null name where the text is null.
std::unique_ptr<TClientDataSet> makeClient(const QList<std::pair<int, QString>> &rows)
{
    auto cds = std::make_unique<TClientDataSet>();
    cds->setObjectName("cdsTest");
    cds->FieldDefs().Add("ID", ftInteger);
    cds->FieldDefs().Add("NAME", ftString, 40);
    cds->FieldDefs().Add("D", ftDateTime);
    cds->CreateDataSet();
    for (const auto &[id, name] : rows) {
        cds->Append();
        cds->FieldByName("ID")->SetValue(id);
        if (!name.isNull())
            cds->FieldByName("NAME")->SetValue(name);
        cds->Post();
    }
    cds->MergeChangeLog();
    cds->First();
    return cds;
}

QList<int> ids(TDataSet &ds, const char *field = "ID")
{
    QList<int> out;
    const QByteArray bm = ds.GetBookmark();
    for (ds.First(); !ds.Eof(); ds.Next())
        out << ds.FieldByName(field)->AsInteger();
    if (!bm.isEmpty())
        ds.GotoBookmark(bm);
    return out;
}

// Writes the text to the file and loads it; answers the error, or "loaded" when there was none.
QString loadError(TClientDataSet &cds, const QString &path, const QByteArray &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return "cannot write " + path;
    f.write(text);
    f.close();
    try {
        cds.LoadFromFile(path);
    } catch (const EDatabaseError &e) {
        return e.message();
    }
    return "loaded";
}

} // namespace

TEST(DatasetsIndex, SortingRules)
{
    auto cds = makeClient({{1, "ель"}, {2, "Ёж"}, {3, QString()}, {4, "ёлка"}, {5, "Ель"}, {6, "еж"},
                           {7, "ЕЛЬ"}, {8, "жук"}, {9, QString()}});
    // Case ignored: ель, Ель and ЕЛЬ tie and keep their arrival order; ё sorts after е; nulls first.
    cds->AddIndex("iName", "NAME", ixCaseInsensitive);
    cds->SetIndexName("iname");
    EXPECT_EQ(cds->IndexName(), "iName");
    EXPECT_EQ(ids(*cds), QList<int>({3, 9, 6, 1, 5, 7, 2, 4, 8}));

    cds->AddIndex("iNameDesc", "NAME;ID", ixCaseInsensitive, "NAME");
    cds->SetIndexName("iNameDesc");
    EXPECT_EQ(ids(*cds), QList<int>({8, 4, 2, 1, 5, 7, 6, 3, 9}));

    cds->SetIndexFieldNames("NAME");
    EXPECT_EQ(cds->IndexName(), "");
    const QList<int> caseSensitive = ids(*cds);
    EXPECT_EQ(caseSensitive.mid(0, 2), QList<int>({3, 9}));
    EXPECT_EQ(caseSensitive.last(), 8);
    EXPECT_EQ(cds->IndexFieldCount(), 1);
    EXPECT_EQ(cds->IndexFields(0)->FieldName(), "NAME");

    cds->SetIndexName("DEFAULT_ORDER");
    EXPECT_EQ(ids(*cds), QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(cds->IndexFieldCount(), 0);
}

TEST(DatasetsIndex, DefinitionsAndErrors)
{
    auto cds = makeClient({{1, "a"}});
    EXPECT_THROW(cds->AddIndex("iX", "NOPE"), EDatabaseError);
    cds->AddIndex("iX", "NAME");
    EXPECT_THROW(cds->AddIndex("ix", "ID"), EDatabaseError) << "names ignore case";
    EXPECT_THROW(cds->SetIndexName("missing"), EDatabaseError);
    EXPECT_NE(cds->IndexDefs().Find("IX"), nullptr);
    EXPECT_NE(cds->IndexDefs().Find("default_order"), nullptr);
    cds->SetIndexName("iX");
    cds->DeleteIndex("IX");
    EXPECT_EQ(cds->IndexName(), "") << "deleting the active index goes back to the default order";
    EXPECT_EQ(cds->IndexDefs().Find("iX"), nullptr);
    EXPECT_THROW(cds->DeleteIndex("DEFAULT_ORDER"), EDatabaseError);
}

TEST(DatasetsIndex, BookmarksPostsAndLocateFollowTheIndex)
{
    auto cds = makeClient({{1, "в"}, {2, "а"}, {3, "г"}, {4, "б"}});
    TDataSource ds;
    ds.SetDataSet(cds.get());
    tarvik::test::RecordingLink link;
    link.SetDataSource(&ds);
    link.SetBufferCount(3);
    cds->Locate("ID", 3);
    const QByteArray g = cds->GetBookmark();
    cds->First();
    const QByteArray v = cds->GetBookmark();
    EXPECT_LT(cds->CompareBookmarks(v, g), 0);
    const quint64 stamp = cds->OrderStamp();
    cds->Locate("ID", 3);
    cds->AddIndex("iName", "NAME", ixDescending);
    cds->SetIndexName("iName");
    EXPECT_GT(cds->OrderStamp(), stamp);
    EXPECT_EQ(cds->FieldByName("ID")->AsInteger(), 3) << "switching keeps the current record";
    EXPECT_EQ(cds->RecNo(), 1);
    EXPECT_GT(cds->CompareBookmarks(v, g), 0) << "г comes before в in descending order";

    // A posted record moves to its place under the index and the cursor follows it.
    cds->Append();
    cds->FieldByName("ID")->SetValue(5);
    cds->FieldByName("NAME")->SetValue("бб");
    cds->Post();
    EXPECT_EQ(cds->FieldByName("ID")->AsInteger(), 5);
    EXPECT_EQ(cds->RecNo(), 3);
    EXPECT_EQ(link.ActiveRecord(), cds->RecNo() - 1 - link.FirstRecord());
    EXPECT_EQ(ids(*cds), QList<int>({3, 1, 5, 4, 2}));
    cds->Edit();
    cds->FieldByName("NAME")->SetValue("я");
    cds->Post();
    EXPECT_EQ(cds->RecNo(), 1);

    // The indexed search answers as the plain one does.
    for (const char *name : {"а", "б", "бб", "нет"}) {
        cds->SetIndexName("iName");
        const bool indexed = cds->Locate("NAME", name);
        const int indexedId = cds->FieldByName("ID")->AsInteger();
        cds->SetIndexName(QString());
        EXPECT_EQ(cds->Locate("NAME", name), indexed) << name;
        if (indexed) {
            EXPECT_EQ(cds->FieldByName("ID")->AsInteger(), indexedId) << name;
        }
    }
}

// Going back to an index reuses the order it had only while the rows stand as they were: every kind of change
// made under another index shows when the index is taken up again.
TEST(DatasetsIndex, GoingBackToAnIndexFollowsChangesMadeMeanwhile)
{
    auto cds = makeClient({{1, "в"}, {2, "а"}, {3, "г"}, {4, "б"}});
    cds->AddIndex("iName", "NAME", ixCaseInsensitive);
    cds->AddIndex("iNameDesc", "NAME", ixCaseInsensitive, "NAME");
    auto byName = [&] {
        cds->SetIndexName("iName");
        return ids(*cds);
    };
    EXPECT_EQ(byName(), QList<int>({2, 4, 1, 3}));
    struct Change
    {
        const char *what;
        std::function<void()> make;
        QList<int> byName;
    };
    const Change changes[] = {
        {"nothing", [] {}, {2, 4, 1, 3}},
        {"edit", [&] {
             cds->Locate("ID", 3);
             cds->Edit();
             cds->FieldByName("NAME")->SetValue("а0");
             cds->Post();
         }, {2, 3, 4, 1}},
        {"append", [&] {
             cds->Append();
             cds->FieldByName("ID")->SetValue(5);
             cds->FieldByName("NAME")->SetValue("АА");
             cds->Post();
         }, {2, 3, 5, 4, 1}},
        {"delete", [&] {
             cds->Locate("ID", 2);
             cds->Delete();
         }, {3, 5, 4, 1}},
        {"cancelled insert", [&] {
             cds->Insert();
             cds->FieldByName("ID")->SetValue(6);
             cds->Cancel();
         }, {3, 5, 4, 1}},
        {"undone change", [&] {
             cds->CancelUpdates();
         }, {2, 4, 1, 3}},
        {"emptied and filled", [&] {
             cds->EmptyDataSet();
             for (int id : {7, 8}) {
                 cds->Append();
                 cds->FieldByName("ID")->SetValue(id);
                 cds->FieldByName("NAME")->SetValue(id == 7 ? "я" : "ю");
                 cds->Post();
             }
         }, {8, 7}},
    };
    for (const Change &c : changes) {
        cds->SetIndexName("iNameDesc");
        c.make();
        EXPECT_EQ(byName(), c.byName) << c.what;
    }
}

TEST(DatasetsChangeLog, StatusCancelAndMerge)
{
    auto cds = makeClient({{1, "a"}, {2, "b"}, {3, "c"}});
    EXPECT_EQ(cds->ChangeCount(), 0);
    cds->Edit();
    cds->FieldByName("NAME")->SetValue("A");
    cds->Post();
    cds->Edit();
    cds->FieldByName("NAME")->SetValue("AA");
    cds->Post();
    EXPECT_EQ(cds->UpdateStatus(), usModified);
    EXPECT_EQ(cds->FieldByName("NAME")->OldValue(), QVariant("a")) << "the value before the first change";
    cds->Next();
    cds->Delete();
    cds->Append();
    cds->FieldByName("ID")->SetValue(4);
    cds->Post();
    EXPECT_EQ(cds->UpdateStatus(), usInserted);
    EXPECT_EQ(cds->ChangeCount(), 3);
    cds->Append();
    cds->FieldByName("ID")->SetValue(5);
    cds->Post();
    cds->Delete();
    EXPECT_EQ(cds->ChangeCount(), 3) << "an insert deleted again leaves nothing to send";

    cds->CancelUpdates();
    EXPECT_EQ(cds->ChangeCount(), 0);
    EXPECT_EQ(ids(*cds), QList<int>({1, 2, 3}));
    cds->First();
    EXPECT_EQ(cds->FieldByName("NAME")->AsString(), "a");

    cds->Edit();
    cds->FieldByName("NAME")->SetValue("z");
    cds->Post();
    cds->MergeChangeLog();
    EXPECT_EQ(cds->ChangeCount(), 0);
    EXPECT_EQ(cds->UpdateStatus(), usUnmodified);
    EXPECT_EQ(cds->FieldByName("NAME")->OldValue(), QVariant("z"));
    cds->EmptyDataSet();
    EXPECT_EQ(cds->RecordCount(), 0);
}

TEST(DatasetsChangeLog, ChangeIndexShowsThePendingRowsInTheOrderOfChange)
{
    auto cds = makeClient({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}});
    auto setName = [&](int id, const QString &name) {
        cds->Locate("ID", id);
        cds->Edit();
        cds->FieldByName("NAME")->SetValue(name);
        cds->Post();
    };
    setName(3, "C");
    setName(1, "A");
    setName(3, "CC"); // a second change keeps the row's place
    cds->Append();
    cds->FieldByName("ID")->SetValue(6);
    cds->Post();
    cds->Locate("ID", 2);
    cds->Delete();
    ASSERT_NE(cds->IndexDefs().Find("changeindex"), nullptr);
    cds->SetIndexName("CHANGEINDEX");
    EXPECT_EQ(ids(*cds), QList<int>({3, 1, 6})) << "deleted rows are not shown";
    EXPECT_EQ(cds->RecordCount(), 3);
    EXPECT_EQ(cds->IndexFieldCount(), 0);

    cds->Locate("ID", 3);
    cds->RevertRecord();
    EXPECT_EQ(ids(*cds), QList<int>({1, 6}));
    cds->Append();
    cds->FieldByName("ID")->SetValue(7);
    cds->Post();
    EXPECT_EQ(ids(*cds), QList<int>({1, 6, 7}));
    EXPECT_THROW(cds->DeleteIndex("CHANGEINDEX"), EDatabaseError);
    EXPECT_THROW(cds->AddIndex("ChangeIndex", "ID"), EDatabaseError);

    cds->SetIndexName(QString());
    EXPECT_EQ(ids(*cds), QList<int>({1, 3, 4, 5, 6, 7}));
    cds->SetIndexName("CHANGEINDEX");
    cds->CancelUpdates();
    EXPECT_TRUE(cds->IsEmpty());
    cds->SetIndexName("DEFAULT_ORDER");
    EXPECT_EQ(ids(*cds), QList<int>({1, 2, 3, 4, 5}));
}

namespace {

struct ProviderFixture
{
    SqlFixtureDatabase db;
    SqlFixtureDataSet server{db.name()};
    TDataSetProvider provider;
    TClientDataSet cds;

    ProviderFixture()
    {
        db.exec("create table CUSTOMER (CUSTOMER_ID integer primary key, NAME varchar(40) not null, "
                "BALANCE real, STAMP varchar(20) default 'db')");
        db.exec("create table COMPANY (COMPANY_ID integer, TITLE varchar(40))");
        db.exec("insert into COMPANY values (1, 'Кабель')");
        db.exec("insert into CUSTOMER (CUSTOMER_ID, NAME, BALANCE) values (1, 'Иванов', 10.5), "
                "(2, 'Петров', null), (3, 'Сидоров', -4)");
        server.setObjectName("odsCustomer");
        server.PSSetCommandText("select C.CUSTOMER_ID, C.NAME, C.BALANCE, C.STAMP, K.TITLE from CUSTOMER C "
                                "left join COMPANY K on K.COMPANY_ID = 1 order by C.CUSTOMER_ID");
        server.TableName = "CUSTOMER";
        server.KeyFields = "CUSTOMER_ID";
        provider.setObjectName("dspCustomer");
        provider.SetDataSet(&server);
        provider.SetUpdateMode(upWhereKeyOnly);
        cds.setObjectName("cdsCustomer");
        cds.SetProvider(&provider);
    }
};

// Payments of the fixture's customers, read per customer by a detail client dataset.
struct PaymentsDetail
{
    SqlFixtureDataSet payments;
    TDataSetProvider dsp;
    TDataSource master;
    TClientDataSet detail;

    PaymentsDetail(ProviderFixture &f, const QString &rows) : payments(f.db.name())
    {
        f.db.exec("create table PAYMENT (PAYMENT_ID integer primary key, CUSTOMER_ID integer, SUM real)");
        f.db.exec("insert into PAYMENT values " + rows);
        payments.PSSetCommandText("select * from PAYMENT where CUSTOMER_ID = :CUSTOMER_ID order by PAYMENT_ID");
        payments.TableName = "PAYMENT";
        payments.KeyFields = "PAYMENT_ID";
        dsp.SetDataSet(&payments);
        dsp.SetUpdateMode(upWhereKeyOnly);
        master.SetDataSet(&f.cds);
        detail.SetProvider(&dsp);
        detail.SetPacketRecords(0);
        detail.SetMasterFields("CUSTOMER_ID");
        detail.SetMasterSource(&master);
    }
};

} // namespace

TEST(DatasetsProvider, OpensWithMetadataAndWritesOnlyTheTablesColumns)
{
    ProviderFixture f;
    f.cds.Open();
    ASSERT_EQ(f.cds.RecordCount(), 3);
    EXPECT_EQ(f.cds.PSGetKeyFields(), "CUSTOMER_ID");
    EXPECT_NE(f.cds.IndexDefs().Find("PRIMARY_KEY"), nullptr);
    EXPECT_EQ(f.cds.FieldByName("TITLE")->AsString(), "Кабель");

    f.cds.Edit();
    f.cds.FieldByName("NAME")->SetValue("Иванова");
    f.cds.FieldByName("TITLE")->SetValue("joined column");
    f.cds.Post();
    f.cds.Locate("CUSTOMER_ID", 2);
    f.cds.Delete();
    f.cds.Append();
    f.cds.FieldByName("CUSTOMER_ID")->SetValue(4);
    f.cds.FieldByName("NAME")->SetValue("O'Brien; drop table CUSTOMER");
    f.cds.Post();
    EXPECT_EQ(f.cds.ApplyUpdates(-1), 0);
    EXPECT_EQ(f.cds.ChangeCount(), 0);
    EXPECT_EQ(f.server.Statements,
              QStringList({"update CUSTOMER set NAME = ? where CUSTOMER_ID = ? | Иванова, 1",
                           "delete from CUSTOMER where CUSTOMER_ID = ? | 2",
                           "insert into CUSTOMER (CUSTOMER_ID, NAME) values (?, ?) | 4, O'Brien; drop table CUSTOMER"}));
    EXPECT_EQ(f.db.value("select count(*) from CUSTOMER").toInt(), 3);
    EXPECT_EQ(f.db.value("select NAME from CUSTOMER where CUSTOMER_ID = 4").toString(),
              "O'Brien; drop table CUSTOMER");
    EXPECT_EQ(f.db.value("select TITLE from COMPANY").toString(), "Кабель");
}

TEST(DatasetsProvider, WhereClausesAndModes)
{
    ProviderFixture f;
    f.cds.Open();
    QList<TFieldDef> fields = f.cds.FieldDefs().Items();
    TDeltaRecord rec;
    rec.kind = ukModify;
    rec.oldValues = {QVariant(), QVariant("a"), QVariant(1.5), QVariant(), QVariant()};
    rec.newValues = {QVariant(), QVariant("b"), QVariant(1.5), QVariant(), QVariant()};
    TParams params;
    EXPECT_EQ(f.provider.UpdateStatement(fields, rec, params), "update CUSTOMER set NAME = ? where CUSTOMER_ID is null");

    f.provider.SetUpdateMode(upWhereAll);
    params.Clear();
    EXPECT_EQ(f.provider.UpdateStatement(fields, rec, params),
              "update CUSTOMER set NAME = ? where CUSTOMER_ID is null and NAME = ? and BALANCE = ? and STAMP is null "
              "and TITLE is null");
    EXPECT_EQ(params.Count(), 3);

    rec.newValues = rec.oldValues;
    params.Clear();
    EXPECT_EQ(f.provider.UpdateStatement(fields, rec, params), "") << "nothing changed, nothing sent";

    f.server.KeyFields.clear();
    for (TFieldDef &d : fields)
        d.ProviderFlags &= ~pfInKey;
    f.provider.SetUpdateMode(upWhereKeyOnly);
    rec.kind = ukDelete;
    EXPECT_THROW(f.provider.UpdateStatement(fields, rec, params), EDatabaseError);

    TParams none;
    EXPECT_THROW(f.provider.GetRecords("select 1", none), EDatabaseError) << "command text is not allowed";
    f.provider.SetOptions(poAllowCommandText);
    EXPECT_EQ(f.provider.GetRecords("select NAME from CUSTOMER where CUSTOMER_ID = 3", none).rows.size(), 1u);
}

TEST(DatasetsProvider, ReconcileCancelRestoresTheRow)
{
    ProviderFixture f;
    f.cds.Open();
    QStringList seen;
    f.cds.OnReconcileError = [&](TClientDataSet *, const EReconcileError &e, TUpdateKind kind, TReconcileAction &action) {
        seen << QStringLiteral("%1 | %2").arg(kind).arg(e.Context());
        action = raCancel;
    };
    f.cds.Edit();
    f.cds.FieldByName("BALANCE")->SetValue(99.0);
    f.cds.Post();
    f.cds.Next();
    f.cds.Edit();
    f.cds.FieldByName("NAME")->Clear(); // NOT NULL in the table
    f.cds.Post();
    f.db.exec("delete from CUSTOMER where CUSTOMER_ID = 3");
    f.cds.Next();
    f.cds.Edit();
    f.cds.FieldByName("NAME")->SetValue("gone");
    f.cds.Post();

    EXPECT_EQ(f.cds.ApplyUpdates(-1), 2);
    EXPECT_EQ(seen, QStringList({"0 | update CUSTOMER set NAME = ? where CUSTOMER_ID = ?",
                                 "0 | update CUSTOMER set NAME = ? where CUSTOMER_ID = ?"}));
    EXPECT_EQ(f.cds.ChangeCount(), 0);
    f.cds.Locate("CUSTOMER_ID", 2);
    EXPECT_EQ(f.cds.FieldByName("NAME")->AsString(), "Петров") << "cancel puts the original values back";
    f.cds.Locate("CUSTOMER_ID", 3);
    EXPECT_EQ(f.cds.FieldByName("NAME")->AsString(), "Сидоров");
    EXPECT_EQ(f.db.value("select BALANCE from CUSTOMER where CUSTOMER_ID = 1").toDouble(), 99.0);

    // Without a handler the failed row stays in the log; with an error limit nothing is written.
    f.cds.OnReconcileError = nullptr;
    f.cds.Locate("CUSTOMER_ID", 1);
    f.cds.Edit();
    f.cds.FieldByName("BALANCE")->SetValue(1.0);
    f.cds.Post();
    f.cds.Locate("CUSTOMER_ID", 2);
    f.cds.Edit();
    f.cds.FieldByName("NAME")->Clear();
    f.cds.Post();
    EXPECT_EQ(f.cds.ApplyUpdates(0), 1);
    EXPECT_EQ(f.cds.ChangeCount(), 2);
    EXPECT_EQ(f.db.value("select BALANCE from CUSTOMER where CUSTOMER_ID = 1").toDouble(), 99.0);
}

TEST(DatasetsProvider, AutoRefreshRefreshRecordAndDetails)
{
    ProviderFixture f;
    f.provider.SetOptions(poAutoRefresh);
    f.cds.Open();
    f.cds.Append();
    f.cds.FieldByName("CUSTOMER_ID")->SetValue(7);
    f.cds.FieldByName("NAME")->SetValue("Новый");
    f.cds.Post();
    EXPECT_TRUE(f.cds.FieldByName("STAMP")->IsNull());
    EXPECT_EQ(f.cds.ApplyUpdates(-1), 0);
    EXPECT_EQ(f.cds.FieldByName("STAMP")->AsString(), "db") << "the row was read back";

    f.db.exec("update CUSTOMER set NAME = 'changed' where CUSTOMER_ID = 7");
    int refreshed = 0;
    f.cds.AfterRefresh.add([&](TDataSet *) { ++refreshed; });
    f.cds.RefreshRecord();
    EXPECT_EQ(f.cds.FieldByName("NAME")->AsString(), "changed");
    EXPECT_EQ(refreshed, 1);

    // A detail reads its rows each time the master moves, with the master's key as parameter.
    PaymentsDetail d(f, "(1, 1, 5), (2, 1, 6), (3, 7, 7)");
    TClientDataSet &detail = d.detail;
    f.cds.First();
    detail.Open();
    EXPECT_EQ(detail.RecordCount(), 2);
    f.cds.Locate("CUSTOMER_ID", 7);
    EXPECT_EQ(detail.RecordCount(), 1);
    EXPECT_EQ(detail.Params().ParamByName("CUSTOMER_ID").AsInteger(), 7);
    f.cds.Locate("CUSTOMER_ID", 2);
    EXPECT_TRUE(detail.IsEmpty());
}

namespace {

// A server dataset that runs its command text by writing it down.
class CommandDataSet : public TDataSet
{
public:
    QStringList executed;
    void PSExecute() override
    {
        executed << PSCommandText() + " | " + Params().ParamByName("P_ID").AsString();
    }
};

} // namespace

TEST(DatasetsProvider, ADatasetOpenedFilteredShowsTheRowsItsFilterAccepts)
{
    ProviderFixture f;
    f.cds.SetFilter("BALANCE > 0");
    f.cds.SetFiltered(true);
    f.cds.Open();
    EXPECT_EQ(f.cds.RecordCount(), 1);
    EXPECT_EQ(f.cds.FieldByName("NAME")->AsString(), QStringLiteral("Иванов"));
    f.cds.Close();
    f.cds.Open();
    EXPECT_EQ(f.cds.RecordCount(), 1) << "opened again under the same filter";
    f.cds.SetFiltered(false);
    EXPECT_EQ(f.cds.RecordCount(), 3);
}

TEST(DatasetsProvider, ExecuteSendsTheCommandTextAndParameters)
{
    CommandDataSet server;
    server.PSSetCommandText("update T set X = 1 where ID = :P_ID");
    TDataSetProvider dsp;
    dsp.SetDataSet(&server);
    TClientDataSet cds;
    EXPECT_THROW(cds.Execute(), EDatabaseError) << "no provider";
    cds.SetProvider(&dsp);
    cds.Params().CreateParam(ftInteger, "P_ID").SetValue(5);
    cds.Execute();
    cds.SetCommandText("delete from T where ID = :P_ID");
    EXPECT_THROW(cds.Execute(), EDatabaseError) << "the provider does not allow command texts";
    dsp.SetOptions(poAllowCommandText);
    cds.Params().ParamByName("P_ID").SetValue(6);
    cds.Execute();
    EXPECT_EQ(server.executed, QStringList({"update T set X = 1 where ID = :P_ID | 5",
                                            "delete from T where ID = :P_ID | 6"}));
}

TEST(DatasetsMasterDetail, DetailKeepsItsPendingChangesWhileTheMasterMoves)
{
    ProviderFixture f;
    PaymentsDetail d(f, "(1, 1, 5), (2, 1, 6), (3, 3, 7)");
    TClientDataSet &detail = d.detail;
    f.cds.Open();
    detail.Open();
    auto sums = [&] {
        QStringList out;
        const QByteArray bm = detail.GetBookmark();
        for (detail.First(); !detail.Eof(); detail.Next())
            out << detail.FieldByName("PAYMENT_ID")->AsString() + "=" + detail.FieldByName("SUM")->AsString();
        if (!bm.isEmpty())
            detail.GotoBookmark(bm);
        return out;
    };
    auto moveMaster = [&](int customer) { ASSERT_TRUE(f.cds.Locate("CUSTOMER_ID", customer)); };

    ASSERT_EQ(sums(), QStringList({"1=5", "2=6"}));
    detail.Edit();
    detail.FieldByName("SUM")->SetValue(50.0);
    detail.Post();
    detail.Append();
    detail.FieldByName("PAYMENT_ID")->SetValue(10);
    detail.FieldByName("SUM")->SetValue(1.0);
    detail.Post();
    detail.Locate("PAYMENT_ID", 2);
    detail.Edit();
    detail.FieldByName("SUM")->SetValue(60.0); // not posted: the move posts it

    moveMaster(3);
    EXPECT_EQ(sums(), QStringList({"3=7"})) << "the other master's changed rows are not shown";
    EXPECT_EQ(detail.ChangeCount(), 3);
    detail.Delete();
    moveMaster(2);
    EXPECT_TRUE(detail.IsEmpty());
    moveMaster(1);
    EXPECT_EQ(sums(), QStringList({"1=50", "2=60", "10=1"})) << "changed rows are not read back over";
    EXPECT_EQ(detail.FieldByName("CUSTOMER_ID")->AsInteger(), 1);
    EXPECT_EQ(detail.ChangeCount(), 4);

    EXPECT_EQ(detail.ApplyUpdates(-1), 0);
    EXPECT_EQ(f.db.value("select group_concat(PAYMENT_ID || '=' || SUM || '/' || CUSTOMER_ID, ' ') from "
                         "(select * from PAYMENT order by PAYMENT_ID)").toString(),
              "1=50.0/1 2=60.0/1 10=1.0/1");
    EXPECT_EQ(sums(), QStringList({"1=50", "2=60", "10=1"}));
    moveMaster(3);
    EXPECT_TRUE(detail.IsEmpty());
    moveMaster(1);
    EXPECT_EQ(sums(), QStringList({"1=50", "2=60", "10=1"}));

    // Without the master's field among its own the detail could not tell its changed rows apart: it refuses to
    // follow the master until they are applied, and keeps them.
    detail.Close();
    d.payments.PSSetCommandText("select PAYMENT_ID, SUM from PAYMENT where CUSTOMER_ID = :CUSTOMER_ID");
    detail.Open();
    detail.Edit();
    detail.FieldByName("SUM")->SetValue(51.0);
    detail.Post();
    EXPECT_THROW(f.cds.Locate("CUSTOMER_ID", 3), EDatabaseError);
    EXPECT_EQ(sums(), QStringList({"1=51", "2=60", "10=1"}));
    EXPECT_THROW(f.cds.Next(), EDatabaseError) << "still refused on the next move";
    EXPECT_EQ(detail.ApplyUpdates(-1), 0);
    moveMaster(3);
    EXPECT_TRUE(detail.IsEmpty()) << "following the master again (its payment was deleted above)";
}

TEST(DatasetsXmlPacket, RoundTripOfEveryKindOfValue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("packet.xml");
    TClientDataSet cds;
    cds.FieldDefs().Add("I", ftInteger);
    cds.FieldDefs().Add("S", ftString, 20);
    cds.FieldDefs().Add("F", ftFloat);
    cds.FieldDefs().Add("D", ftDate);
    cds.FieldDefs().Add("DT", ftDateTime);
    cds.FieldDefs().Add("B", ftBoolean);
    cds.FieldDefs().Add("M", ftMemo);
    cds.FieldDefs().Add("L", ftLargeint);
    cds.CreateDataSet();
    const QList<QVariantList> rows = {
        {1, "Ёлка \"<&>\" 'x'", 0.1, QDate(2024, 2, 29), QDateTime(QDate(2023, 12, 31), QTime(23, 59, 58, 123)), true,
         "строка\nвторая", Q_INT64_C(9000000000)},
        {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), false, QVariant(), QVariant()},
        {-2, "", -1e-300, QDate(1899, 12, 30), QDateTime(QDate(1, 1, 1), QTime(0, 0)), QVariant(), "", 0},
    };
    for (const QVariantList &r : rows) {
        cds.Append();
        for (int i = 0; i < r.size(); ++i)
            cds.Fields()[i]->SetValue(r[i]);
        cds.Post();
    }
    cds.SaveToFile(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>")) << text.left(60).constData();
    EXPECT_TRUE(text.contains("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"I\" fieldtype=\"i4\"/>"
                              "<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"20\"/>"));
    EXPECT_TRUE(text.contains("D=\"20240229\" DT=\"20231231T23:59:58123\" B=\"TRUE\""));

    TClientDataSet copy;
    copy.LoadFromFile(path);
    ASSERT_EQ(copy.RecordCount(), 3);
    for (int i = 0; i < copy.FieldCount(); ++i) {
        EXPECT_EQ(copy.Fields()[i]->FieldName(), cds.Fields()[i]->FieldName());
        EXPECT_EQ(copy.Fields()[i]->DataType(), cds.Fields()[i]->DataType());
    }
    int r = 0;
    for (copy.First(), cds.First(); !copy.Eof(); copy.Next(), cds.Next(), ++r)
        for (int i = 0; i < copy.FieldCount(); ++i)
            EXPECT_EQ(copy.Fields()[i]->Value(), cds.Fields()[i]->Value()) << "row " << r << " field " << i;
    EXPECT_EQ(copy.ChangeCount(), 3) << "rows appended and never merged are still pending inserts";
}

TEST(DatasetsXmlPacket, PendingChangesSurviveTheFileAndApplyAfterwards)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("pending.xml");
    {
        ProviderFixture f;
        f.cds.Open();
        f.cds.Append();
        f.cds.FieldByName("CUSTOMER_ID")->SetValue(4);
        f.cds.FieldByName("NAME")->SetValue("Новиков");
        f.cds.Post();
        f.cds.Locate("CUSTOMER_ID", 1);
        f.cds.Edit();
        f.cds.FieldByName("NAME")->SetValue("Иванова");
        f.cds.FieldByName("BALANCE")->Clear();
        f.cds.Post();
        f.cds.Locate("CUSTOMER_ID", 2);
        f.cds.Edit();
        f.cds.FieldByName("NAME")->SetValue("changed, then deleted");
        f.cds.Post();
        f.cds.Delete();
        f.cds.SaveToFile(path);
        EXPECT_EQ(f.cds.ChangeCount(), 3) << "saving applies nothing";
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<PARAMS CHANGE_LOG=\"4 1 2\"/>")) << text.constData();
    EXPECT_TRUE(text.contains("<ROW RowState=\"1\" CUSTOMER_ID=\"1\" NAME=\"Иванов\" BALANCE=\"10.5\" STAMP=\"db\" "
                              "TITLE=\"Кабель\"/><ROW RowState=\"8\" CUSTOMER_ID=\"1\" NAME=\"Иванова\" STAMP"))
        << text.constData();
    EXPECT_TRUE(text.contains("<ROW RowState=\"2\" CUSTOMER_ID=\"2\" NAME=\"Петров\""));
    EXPECT_TRUE(text.contains("<ROW RowState=\"4\" CUSTOMER_ID=\"4\""));

    // Another session reads the file and writes the changes, in the order they were made.
    ProviderFixture f;
    f.cds.LoadFromFile(path);
    EXPECT_EQ(f.cds.ChangeCount(), 3);
    EXPECT_EQ(ids(f.cds, "CUSTOMER_ID"), QList<int>({1, 3, 4}));
    f.cds.Locate("CUSTOMER_ID", 1);
    EXPECT_EQ(f.cds.UpdateStatus(), usModified);
    EXPECT_EQ(f.cds.FieldByName("NAME")->OldValue(), QVariant("Иванов"));
    EXPECT_EQ(f.cds.ApplyUpdates(-1), 0);
    EXPECT_EQ(f.server.Statements,
              QStringList({"insert into CUSTOMER (CUSTOMER_ID, NAME) values (?, ?) | 4, Новиков",
                           "update CUSTOMER set NAME = ?, BALANCE = ? where CUSTOMER_ID = ? | Иванова, null, 1",
                           "delete from CUSTOMER where CUSTOMER_ID = ? | 2"}));
    EXPECT_EQ(f.db.value("select count(*) from CUSTOMER").toInt(), 3);
    EXPECT_EQ(f.cds.ChangeCount(), 0);

    // A file whose change log does not hold together is refused, and the pending changes stay.
    f.cds.Edit();
    f.cds.FieldByName("NAME")->SetValue("pending");
    f.cds.Post();
    const QByteArray head = "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS>";
    struct { QByteArray text; const char *error; } cases[] = {
        {head + "</METADATA><ROWDATA><ROW RowState=\"8\" A=\"1\"/></ROWDATA></DATAPACKET>",
         "row 1: a modified row must follow its original values"},
        {head + "</METADATA><ROWDATA><ROW RowState=\"1\" A=\"1\"/><ROW A=\"2\"/></ROWDATA></DATAPACKET>",
         "row 1: a modified row must follow its original values"},
        {head + "</METADATA><ROWDATA><ROW RowState=\"1\" A=\"1\"/></ROWDATA></DATAPACKET>",
         "the last row's original values have no current values"},
        {head + "</METADATA><ROWDATA><ROW RowState=\"16\" A=\"1\"/></ROWDATA></DATAPACKET>",
         "row 1 has the unknown state '16'"},
        {head + "<PARAMS CHANGE_LOG=\"2\"/></METADATA><ROWDATA><ROW RowState=\"4\" A=\"1\"/><ROW A=\"2\"/>"
                "</ROWDATA></DATAPACKET>", "the change log names '2', which is not a changed row"},
        {head + "<PARAMS CHANGE_LOG=\"1\"/></METADATA><ROWDATA><ROW RowState=\"4\" A=\"1\"/>"
                "<ROW RowState=\"2\" A=\"2\"/></ROWDATA></DATAPACKET>", "the change log leaves out row 2"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(loadError(f.cds, dir.filePath("bad.xml"), c.text).contains(QString::fromUtf8(c.error))) << c.error;
    EXPECT_EQ(f.cds.ChangeCount(), 1);
    EXPECT_EQ(f.cds.FieldByName("NAME")->AsString(), "pending");
}

TEST(DatasetsXmlPacket, BadPacketsAreRefusedAndLoseNothing)
{
    QTemporaryDir dir;
    auto cds = makeClient({{1, "keep"}});
    const QString good = dir.filePath("good.xml");
    cds->SaveToFile(good);
    struct { const char *text; const char *error; } cases[] = {
        {"<x/>", "the root element is not DATAPACKET"},
        {"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"zz\"/></FIELDS></METADATA></DATAPACKET>",
         "field 'A' has the unknown type 'zz'"},
        {"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS></METADATA>"
         "<ROWDATA><ROW A=\"1\"/><ROW A=\"x\"/></ROWDATA></DATAPACKET>", "row 2, field 'A': 'x' is not a valid value"},
        {"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"i4\"/></FIELDS></METADATA>"
         "<ROWDATA><ROW B=\"1\"/></ROWDATA></DATAPACKET>", "row 1 has the unknown field 'B'"},
        {"<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"date\"/></FIELDS></METADATA>"
         "<ROWDATA><ROW A=\"20241399\"/></ROWDATA></DATAPACKET>", "'20241399' is not a valid value"},
        {"<DATAPACKET><METADATA><FIELDS>", "Invalid data packet"},
    };
    for (const auto &c : cases) {
        EXPECT_TRUE(loadError(*cds, dir.filePath("bad.xml"), c.text).contains(QString::fromUtf8(c.error))) << c.error;
        ASSERT_TRUE(cds->Active());
        EXPECT_EQ(cds->FieldByName("NAME")->AsString(), "keep");
    }
    EXPECT_THROW(cds->SaveToFile(dir.filePath("no/such/dir/x.xml")), EDatabaseError);
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("keep"));
}
