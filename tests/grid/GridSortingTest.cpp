// Title sorting of client datasets: the index the markers name, both ways of reaching it (the features of the
// client datasets behind a grid's SortLocal, and the program grid's SortByMarkers), the features registry and
// the data service.
#include "DBGridEh.h"
#include "DataSetProvider.h"
#include "DataSource.h"
#include "DbUtilsEh.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_GridCDS.h"
#include "Kyv_db.h"
#include "ScreenCursor.h"
#include "ServiceFakes.h"

#include <gtest/gtest.h>

#include <memory>

// Readable failures for the texts compared below.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[' << list.join(QLatin1String(", ")).toStdString() << ']';
}

namespace {

// Datasets of their own classes, for the registry's ancestor walk.
class SourceDataSet : public TClientDataSet
{
    Q_OBJECT
public:
    using TClientDataSet::TClientDataSet;
};

// Only the registry's test registers features for these.
class RegistryBase : public TClientDataSet
{
    Q_OBJECT
public:
    using TClientDataSet::TClientDataSet;
};

class RegistryNear : public RegistryBase
{
    Q_OBJECT
public:
    using RegistryBase::RegistryBase;
};

class RegistryFar : public RegistryNear
{
    Q_OBJECT
public:
    using RegistryNear::RegistryNear;
};

// Features that only note what they were asked.
struct RecordingFeatures : TDatasetFeaturesEh
{
    static inline int sortings = 0;
    static inline TDataSet *lastDataSet = nullptr;
    static inline bool lastReopen = true;
    void ApplySorting(QObject *, TDataSet *dataSet, bool isReopen) override
    {
        ++sortings;
        lastDataSet = dataSet;
        lastReopen = isReopen;
    }
};
struct OtherRecordingFeatures : RecordingFeatures
{
};

constexpr const char *kLongA = "CUSTOMER_LAST_NAME";
constexpr const char *kLongB = "CUSTOMER_FIRST_NAME";

// A customer list: every text column sorts differently from the others.
struct Rows
{
    const char *custCode, *accountNo, *addr1, *addr, *last, *first;
    double debt;
};
const Rows kRows[] = {
    {"c3", "A2", "b", "z", "Petrov", "Ivan", 5},
    {"C1", "A3", "c", "y", "Ivanov", "Oleg", 1},
    {"c2", "A1", "a", "x", "Sidorov", "Anna", 9},
    {"c2", "A4", "d", "w", "Ivanov", "Boris", 3},
};

// One way of sorting a grid's dataset by its markers; answers the routine's result.
using SortPath = bool (*)(TCustomDBGridEh *grid);

bool ByFeatures(TCustomDBGridEh *grid)
{
    grid->SortLocal = true;
    DBGridEhDataService().ApplySorting(grid);
    return true;
}

bool ByProgramGrid(TCustomDBGridEh *grid)
{
    return SortByMarkers(grid);
}

struct SortFixture
{
    SortFixture()
    {
        ds = new TKyv_ClientDataSet(&owner);
        for (const char *name : {"CUST_CODE", "ACCOUNT_NO", "ADDR1", "ADDR", kLongA, kLongB})
            ds->FieldDefs().Add(QString::fromLatin1(name), ftString, 20);
        ds->FieldDefs().Add(QStringLiteral("DEBT"), ftFloat);
        ds->CreateDataSet();
        for (const Rows &r : kRows) {
            ds->Append();
            int i = 0;
            for (const char *v : {r.custCode, r.accountNo, r.addr1, r.addr, r.last, r.first})
                ds->Fields()[i++]->SetValue(QString::fromLatin1(v));
            ds->FieldByName(QStringLiteral("DEBT"))->SetValue(r.debt);
            ds->Post();
        }
        ds->First();
        source.SetDataSet(ds);
        grid.SetOptionsEh(grid.OptionsEh() | dghMultiSortMarking);
        for (const char *name : {"CUST_CODE", "ACCOUNT_NO", "ADDR1", "ADDR", kLongA, kLongB, "DEBT", "NOPE"})
            grid.Columns().Add()->SetFieldName(QString::fromLatin1(name));
        grid.SetDataSource(&source);
    }

    TColumnEh *column(const char *name)
    {
        for (int i = 0; i < grid.Columns().Count(); ++i)
            if (grid.Columns()[i]->FieldName() == QLatin1String(name))
                return grid.Columns()[i];
        return nullptr;
    }
    // Clears every marker, then sets these in order.
    void mark(std::initializer_list<std::pair<const char *, TSortMarkerEh>> markers)
    {
        for (int i = 0; i < grid.Columns().Count(); ++i)
            grid.Columns()[i]->Title().SetSortMarker(smNoneEh);
        for (const auto &[name, marker] : markers)
            column(name)->Title().SetSortMarker(marker);
    }
    // The values of a field in the dataset's order.
    QStringList order(const char *field)
    {
        QStringList values;
        const QByteArray here = ds->GetBookmark();
        for (ds->First(); !ds->Eof(); ds->Next())
            values << ds->FieldByName(QString::fromLatin1(field))->AsString();
        ds->GotoBookmark(here);
        return values;
    }
    // The title indexes, in the order they were made.
    QStringList indexNames()
    {
        QStringList names;
        for (const TIndexDef &def : ds->IndexDefs())
            if (def.Name.startsWith(QLatin1Char('i')))
                names << def.Name;
        return names;
    }
    const TIndexDef *def(const QString &name) { return ds->IndexDefs().Find(name); }

    QObject owner;
    TKyv_ClientDataSet *ds;
    TDataSource source;
    TDBGridEh grid;
    FakeMessageService messages;
};

} // namespace

// ---- The index the markers name ----------------------------------------------------------------------------

TEST(GridSortIndex, NameAndFieldListsFollowTheMarkers)
{
    struct Case
    {
        std::initializer_list<std::pair<const char *, TSortMarkerEh>> markers;
        const char *name, *fields, *descFields;
        bool cut;
    };
    const Case cases[] = {
        // smDownEh sorts ascending, smUpEh descending.
        {{{"CUST_CODE", smDownEh}, {"ACCOUNT_NO", smUpEh}}, "iCUST_CODE_ACCOUNT_NODesc", "CUST_CODE;ACCOUNT_NO",
         "ACCOUNT_NO", false},
        {{{"ACCOUNT_NO", smUpEh}, {"CUST_CODE", smDownEh}}, "iACCOUNT_NODesc_CUST_CODE", "ACCOUNT_NO;CUST_CODE",
         "ACCOUNT_NO", false},
        {{{"DEBT", smUpEh}}, "iDEBTDesc", "DEBT", "DEBT", false},
        // The "1" leaves the name only: the field list still names the field.
        {{{"ADDR1", smDownEh}}, "iADDR", "ADDR1", "", false},
        {{{"ADDR1", smUpEh}, {"ADDR", smUpEh}}, "iADDRDesc_ADDRDesc", "ADDR1;ADDR", "ADDR1;ADDR", false},
        {{{kLongA, smDownEh}, {kLongB, smUpEh}}, "iCUSTOMER_LAST_NAME_CUSTOMER_F", "CUSTOMER_LAST_NAME;CUSTOMER_FIRST_NAME",
         "CUSTOMER_FIRST_NAME", true},
        {{}, "", "", "", false},
    };
    SortFixture f;
    for (const Case &c : cases) {
        f.mark(c.markers);
        const TMarkerIndexEh index = MarkerIndexOf(f.grid);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(index.Name, QLatin1String(c.name));
        EXPECT_EQ(index.Fields, QLatin1String(c.fields));
        EXPECT_EQ(index.DescFields, QLatin1String(c.descFields));
        EXPECT_EQ(index.Cut, c.cut);
        EXPECT_LE(index.Name.size(), 30);
    }
}

// ---- Both sorting paths ----------------------------------------------------------------------------------------

class GridSortPaths : public ::testing::TestWithParam<SortPath>
{
protected:
    bool sort() { return GetParam()(&f.grid); }
    SortFixture f;
};

INSTANTIATE_TEST_SUITE_P(GridSort, GridSortPaths, ::testing::Values(&ByFeatures, &ByProgramGrid),
                         [](const auto &info) {
                             return std::string(info.param == &ByFeatures ? "Features" : "ProgramGrid");
                         });

TEST_P(GridSortPaths, MarkersSortAscendingDownAndDescendingUp)
{
    f.mark({{"CUST_CODE", smDownEh}, {"ACCOUNT_NO", smUpEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iCUST_CODE_ACCOUNT_NODesc"));
    // Case-insensitive on CUST_CODE ("C1" before "c2"), then ACCOUNT_NO descending among the two "c2".
    EXPECT_EQ(f.order("ACCOUNT_NO"), QStringList({"A3", "A4", "A1", "A2"}));
    const TIndexDef *def = f.def(QStringLiteral("iCUST_CODE_ACCOUNT_NODesc"));
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->Fields, QStringLiteral("CUST_CODE;ACCOUNT_NO"));
    EXPECT_EQ(def->DescFields, QStringLiteral("ACCOUNT_NO"));
    EXPECT_EQ(def->Options, ixCaseInsensitive);
}

TEST_P(GridSortPaths, AFieldNameHoldingOneSorts)
{
    f.mark({{"ADDR1", smDownEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iADDR"));
    EXPECT_EQ(f.order("ADDR1"), QStringList({"a", "b", "c", "d"}));
    EXPECT_TRUE(f.messages.requests.isEmpty());
}

TEST_P(GridSortPaths, TwoMarkerSetsCleaningUpToOneNameEachSortByTheirOwnField)
{
    f.mark({{"ADDR1", smDownEh}});
    ASSERT_TRUE(sort());
    ASSERT_EQ(f.order("ADDR1"), QStringList({"a", "b", "c", "d"}));
    // ADDR names the same index as ADDR1; the index found by that name is of another field, so it is rebuilt.
    f.mark({{"ADDR", smDownEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iADDR"));
    EXPECT_EQ(f.def(QStringLiteral("iADDR"))->Fields, QStringLiteral("ADDR"));
    EXPECT_EQ(f.order("ADDR"), QStringList({"w", "x", "y", "z"}));
    EXPECT_EQ(f.indexNames().count(QStringLiteral("iADDR")), 1);
    // And back: the name is the same, the fields are not.
    f.mark({{"ADDR1", smDownEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.order("ADDR1"), QStringList({"a", "b", "c", "d"}));
}

TEST_P(GridSortPaths, AnIndexFoundWithOtherDescendingFieldsIsRebuilt)
{
    f.ds->AddIndex(QStringLiteral("iDEBTDesc"), QStringLiteral("DEBT"), ixCaseInsensitive);
    f.mark({{"DEBT", smUpEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.def(QStringLiteral("iDEBTDesc"))->DescFields, QStringLiteral("DEBT"));
    EXPECT_EQ(f.order("DEBT"), QStringList({"9", "5", "3", "1"}));
}

TEST_P(GridSortPaths, AnIndexOfTheSameFieldsIsReusedWithoutANewDefinition)
{
    f.mark({{"CUST_CODE", smDownEh}});
    ASSERT_TRUE(sort());
    f.mark({{"ACCOUNT_NO", smDownEh}});
    ASSERT_TRUE(sort());
    const QStringList before = f.indexNames();
    ASSERT_EQ(before, QStringList({"iCUST_CODE", "iACCOUNT_NO"}));
    f.mark({{"CUST_CODE", smDownEh}});
    EXPECT_TRUE(sort());
    // A rebuilt index would now stand last.
    EXPECT_EQ(f.indexNames(), before);
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iCUST_CODE"));
    EXPECT_EQ(f.order("CUST_CODE"), QStringList({"C1", "c2", "c2", "c3"}));
}

TEST_P(GridSortPaths, NamesAndFieldsOfAnIndexCompareIgnoringCase)
{
    f.ds->AddIndex(QStringLiteral("ICUST_CODE"), QStringLiteral("cust_code"), ixCaseInsensitive);
    f.mark({{"CUST_CODE", smDownEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("ICUST_CODE"));
    EXPECT_EQ(f.indexNames(), QStringList());
}

TEST_P(GridSortPaths, ACutNameIsBuiltAgainOnEveryCall)
{
    f.mark({{kLongA, smDownEh}, {kLongB, smUpEh}});
    ASSERT_TRUE(sort());
    const QString cut = QStringLiteral("iCUSTOMER_LAST_NAME_CUSTOMER_F");
    EXPECT_EQ(f.ds->IndexName(), cut);
    f.mark({{"DEBT", smDownEh}});
    ASSERT_TRUE(sort());
    ASSERT_EQ(f.indexNames(), QStringList({cut, "iDEBT"}));
    f.mark({{kLongA, smDownEh}, {kLongB, smUpEh}});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.indexNames(), QStringList({"iDEBT", cut}));
    EXPECT_EQ(f.ds->IndexName(), cut);
    EXPECT_EQ(f.order(kLongB), QStringList({"Oleg", "Boris", "Ivan", "Anna"}));
}

TEST_P(GridSortPaths, NoMarkersKeepTheLastOrder)
{
    f.mark({{"ACCOUNT_NO", smUpEh}});
    ASSERT_TRUE(sort());
    const QStringList sorted = f.order("ACCOUNT_NO");
    f.mark({});
    EXPECT_TRUE(sort());
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iACCOUNT_NODesc"));
    EXPECT_EQ(f.order("ACCOUNT_NO"), sorted);
}

TEST_P(GridSortPaths, AClosedDatasetIsLeftAlone)
{
    f.ds->Close();
    const QStringList before = f.indexNames();
    f.mark({{"CUST_CODE", smDownEh}});
    EXPECT_EQ(sort(), GetParam() == &ByFeatures); // the features answer nothing
    EXPECT_EQ(f.indexNames(), before);
    EXPECT_TRUE(f.ds->IndexName().isEmpty());
    EXPECT_FALSE(f.ds->Active());
}

TEST_P(GridSortPaths, AnIndexThatCannotBeBuiltKeepsTheOrderAndTheIndexThere)
{
    // A stale index under the name the markers ask for, current: the rebuild drops it, fails, and puts it back.
    f.ds->AddIndex(QStringLiteral("iNOPE"), QStringLiteral("ACCOUNT_NO"), ixCaseInsensitive);
    f.ds->SetIndexName(QStringLiteral("iNOPE"));
    f.mark({{"NOPE", smDownEh}});
    const bool program = GetParam() == &ByProgramGrid;
    EXPECT_EQ(sort(), !program);
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iNOPE"));
    EXPECT_EQ(f.def(QStringLiteral("iNOPE"))->Fields, QStringLiteral("ACCOUNT_NO"));
    EXPECT_EQ(f.order("ACCOUNT_NO"), QStringList({"A1", "A2", "A3", "A4"}));
    EXPECT_EQ(ScreenCursor(), crDefault);
    if (program) {
        ASSERT_EQ(f.messages.requests.size(), 1);
        EXPECT_EQ(f.messages.lastText(), QStringLiteral("Can not create index iNOPE"));
        EXPECT_EQ(f.messages.requests[0].type, mtError);
        EXPECT_EQ(f.messages.requests[0].buttons, TMsgDlgButtons(mbOK));
    } else {
        EXPECT_TRUE(f.messages.requests.isEmpty());
    }
}

// ---- The program grid ------------------------------------------------------------------------------------------

TEST(GridSortProgram, OnlyAnOpenProgramClientDatasetIsSorted)
{
    SortFixture f;
    f.mark({{"CUST_CODE", smDownEh}});
    // A client dataset that is not the program's own.
    TClientDataSet plain;
    plain.FieldDefs().Add(QStringLiteral("CUST_CODE"), ftString, 10);
    plain.CreateDataSet();
    f.source.SetDataSet(&plain);
    const int indexes = plain.IndexDefs().Count();
    EXPECT_FALSE(SortByMarkers(&f.grid));
    EXPECT_TRUE(plain.IndexName().isEmpty());
    EXPECT_EQ(plain.IndexDefs().Count(), indexes);
    f.grid.SetDataSource(nullptr);
    EXPECT_FALSE(SortByMarkers(&f.grid));
    EXPECT_FALSE(SortByMarkers(nullptr));
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST(GridSortProgram, TheHourglassShowsWhileTheIndexIsBuilt)
{
    SortFixture f;
    f.mark({{"CUST_CODE", smDownEh}});
    TCursor during = crDefault;
    f.ds->AfterScroll.add([&](TDataSet *) { during = ScreenCursor(); });
    EXPECT_TRUE(SortByMarkers(&f.grid));
    EXPECT_EQ(during, crHourGlass);
    EXPECT_EQ(ScreenCursor(), crDefault);
}

// Whether a window's code can reach a setting through the grid's class.
template <class G>
concept ReachesSortLocal = requires { &G::SortLocal; };
template <class G>
concept ReachesAllowedSelections = requires { &G::AllowedSelections; };
template <class G>
concept ReachesSetAllowedSelections = requires(G &g) { g.SetAllowedSelections(0u); };
template <class G>
concept ReachesColumnDefValues = requires(G &g) { g.ColumnDefValues(); };
template <class G>
concept ReachesAfterRecalcAll = requires { &G::OnSumListAfterRecalcAll; };

template <class G>
TDBGridEhAllowedSelections AllowedSelectionsOf(const G &grid)
{
    if constexpr (requires { grid.AllowedSelections(); })
        return grid.AllowedSelections();
    else
        return grid.AllowedSelections;
}

TEST(GridSortProgram, TheProgramGridPinsItsSettings)
{
    static_assert(ReachesSortLocal<TDBGridEh> && !ReachesSortLocal<TKyv_DBGridEh>);
    static_assert(ReachesAllowedSelections<TDBGridEh> && !ReachesAllowedSelections<TKyv_DBGridEh>);
    static_assert(!ReachesSetAllowedSelections<TKyv_DBGridEh>);
    static_assert(ReachesColumnDefValues<TDBGridEh> && !ReachesColumnDefValues<TKyv_DBGridEh>);
    static_assert(ReachesAfterRecalcAll<TDBGridEh> && !ReachesAfterRecalcAll<TKyv_DBGridEh>);
    TKyv_DBGridEh grid;
    const TCustomDBGridEh &base = grid;
    EXPECT_FALSE(base.SortLocal);
    EXPECT_EQ(AllowedSelectionsOf(base), TDBGridEhAllowedSelections(gstRecordBookmarks | gstRectangle | gstColumns | gstAll));
    EXPECT_NE(qobject_cast<TDBGridColumnEh *>(grid.Columns().Add()), nullptr);
}

// A program grid left to the title click sorts like any grid: its SortLocal is off, so the client dataset is
// neither sorted in memory nor reopened.
TEST(GridSortProgram, SortLocalOffLeavesTheOrderAndDoesNotReopen)
{
    QObject owner;
    auto *sourceData = new SourceDataSet(&owner);
    sourceData->FieldDefs().Add(QStringLiteral("NAME"), ftString, 10);
    sourceData->CreateDataSet();
    for (const char *name : {"b", "c", "a"}) {
        sourceData->Append();
        sourceData->Fields()[0]->SetValue(QString::fromLatin1(name));
        sourceData->Post();
    }
    auto *provider = new TDataSetProvider(&owner);
    provider->setObjectName(QStringLiteral("dspNames"));
    provider->SetDataSet(sourceData);
    auto *names = new TKyv_ClientDataSet(&owner);
    names->SetProviderName(QStringLiteral("DSPNAMES"));
    names->SetDataProvider(provider);
    int opens = 0;
    names->AfterOpen.add([&](TDataSet *) { ++opens; });
    names->Open();
    ASSERT_EQ(opens, 1);

    TDataSource source;
    source.SetDataSet(names);
    TKyv_DBGridEh grid;
    grid.Columns().Add()->SetFieldName(QStringLiteral("NAME"));
    grid.SetDataSource(&source);
    grid.Columns()[0]->Title().SetSortMarker(smDownEh);

    RegisterDatasetFeaturesClass<RecordingFeatures>(SourceDataSet::staticMetaObject);
    RecordingFeatures::sortings = 0;
    DBGridEhDataService().ApplySorting(&grid);
    // The provider's dataset is asked, without a reopen; this dataset stays as it was.
    EXPECT_EQ(RecordingFeatures::sortings, 1);
    EXPECT_EQ(RecordingFeatures::lastDataSet, sourceData);
    EXPECT_FALSE(RecordingFeatures::lastReopen);
    EXPECT_EQ(opens, 1);
    EXPECT_TRUE(names->Active());
    EXPECT_TRUE(names->IndexName().isEmpty());
    QStringList order;
    for (names->First(); !names->Eof(); names->Next())
        order << names->Fields()[0]->AsString();
    EXPECT_EQ(order, QStringList({"b", "c", "a"}));
}

// ---- Features, registry and data service ------------------------------------------------------------------

TEST(GridSortFeatures, TheNearestRegisteredAncestorWins)
{
    TClientDataSet plain;
    RegistryNear near;
    RegistryFar far;
    TDatasetFeaturesEh *clientFeatures = FindDatasetFeatures(&plain);
    ASSERT_NE(dynamic_cast<TCDSDatasetFeaturesEh *>(clientFeatures), nullptr);
    EXPECT_EQ(clientFeatures->DataSetClass(), &TClientDataSet::staticMetaObject);
    // Any descendant of the client dataset finds its features.
    EXPECT_EQ(FindDatasetFeatures(&far), clientFeatures);
    EXPECT_EQ(FindDatasetFeatures(static_cast<TDataSet *>(nullptr)), nullptr);
    TDataSource notADataSet;
    EXPECT_EQ(FindDatasetFeatures(notADataSet.metaObject()), nullptr);

    // A closer ancestor registered later wins for its descendants, not for its own ancestors.
    RegisterDatasetFeaturesClass<RecordingFeatures>(RegistryBase::staticMetaObject);
    TDatasetFeaturesEh *sourceFeatures = FindDatasetFeatures(&far);
    EXPECT_NE(sourceFeatures, clientFeatures);
    EXPECT_EQ(sourceFeatures->DataSetClass(), &RegistryBase::staticMetaObject);
    EXPECT_EQ(FindDatasetFeatures(&plain), clientFeatures);
    RegisterDatasetFeaturesClass<OtherRecordingFeatures>(RegistryNear::staticMetaObject);
    EXPECT_EQ(FindDatasetFeatures(&near)->DataSetClass(), &RegistryNear::staticMetaObject);
    EXPECT_EQ(FindDatasetFeatures(&far)->DataSetClass(), &RegistryNear::staticMetaObject);

    // A second registration for a class replaces the instance held for it.
    RegisterDatasetFeaturesClass<OtherRecordingFeatures>(RegistryBase::staticMetaObject);
    TDatasetFeaturesEh *replaced = FindDatasetFeatures(&RegistryBase::staticMetaObject);
    EXPECT_NE(dynamic_cast<OtherRecordingFeatures *>(replaced), nullptr);
    EXPECT_EQ(FindDatasetFeatures(&plain), clientFeatures);
}

TEST(GridSortFeatures, TheProviderDataSetIsTheOwnersProviderOfThatName)
{
    QObject owner;
    TClientDataSet serverRows;
    auto *provider = new TDataSetProvider(&owner);
    provider->setObjectName(QStringLiteral("dspRows"));
    provider->SetDataSet(&serverRows);
    auto *notAProvider = new TDataSource(&owner);
    notAProvider->setObjectName(QStringLiteral("dsRows"));
    auto *client = new TClientDataSet(&owner);
    TClientDataSet orphan;
    orphan.SetProviderName(QStringLiteral("dspRows"));

    TCDSDatasetFeaturesEh features;
    EXPECT_EQ(features.GetProviderDataSet(client), nullptr); // no provider name
    client->SetProviderName(QStringLiteral("DSPROWS"));
    EXPECT_EQ(features.GetProviderDataSet(client), &serverRows);
    client->SetProviderName(QStringLiteral("dsRows"));
    EXPECT_EQ(features.GetProviderDataSet(client), nullptr);
    client->SetProviderName(QStringLiteral("dspOther"));
    EXPECT_EQ(features.GetProviderDataSet(client), nullptr);
    EXPECT_EQ(features.GetProviderDataSet(&orphan), nullptr); // no owner
    EXPECT_EQ(features.GetProviderDataSet(&serverRows), nullptr);
}

TEST(GridSortFeatures, TheDataServiceHooksReplaceTheDefaults)
{
    SortFixture f;
    f.mark({{"ACCOUNT_NO", smUpEh}});
    f.grid.SortLocal = true;
    TCustomDBGridEh *hooked = nullptr;
    DBGridEhDataService().ApplySortingHook = [&](TCustomDBGridEh *grid) { hooked = grid; };
    DBGridEhDataService().ApplySorting(&f.grid);
    EXPECT_EQ(hooked, &f.grid);
    EXPECT_TRUE(f.ds->IndexName().isEmpty());
    DBGridEhDataService().ApplySortingHook = nullptr;
    DBGridEhDataService().ApplySorting(&f.grid);
    EXPECT_EQ(f.ds->IndexName(), QStringLiteral("iACCOUNT_NODesc"));

    TCustomDBGridEh *filtered = nullptr;
    DBGridEhDataService().ApplyFilterHook = [&](TCustomDBGridEh *grid) { filtered = grid; };
    DBGridEhDataService().ApplyFilter(&f.grid);
    EXPECT_EQ(filtered, &f.grid);
    DBGridEhDataService().ApplyFilterHook = nullptr;
    DBGridEhDataService().ApplyFilter(&f.grid); // the client features filter nothing
    EXPECT_EQ(f.order("ACCOUNT_NO"), QStringList({"A4", "A3", "A2", "A1"}));
}

TEST(GridSortFeatures, OnlyAGridSenderSorts)
{
    SortFixture f;
    f.mark({{"ACCOUNT_NO", smUpEh}});
    TCDSDatasetFeaturesEh features;
    QObject notAGrid;
    features.ApplySorting(&notAGrid, f.ds, true);
    features.ApplySorting(nullptr, f.ds, true);
    EXPECT_TRUE(f.ds->IndexName().isEmpty());
}

#include "GridSortingTest.moc"
