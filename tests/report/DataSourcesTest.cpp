#include "DataSupport.h"

#include "DataSource.h"
#include "DatabaseError.h"
#include "FR_Intrp.h"
#include "FR_Locale.h"

#include "Streams.h"

#include <QTemporaryDir>

namespace {

class DataSources : public DataFixture
{
protected:
    // The IDs a walk of the range sees, then the ID current after the range has closed.
    QList<int> walk(TfrDataset &ds, int limit = 10)
    {
        QList<int> ids;
        ds.OpenRange();
        ds.MoveFirst();
        while (!ds.AtEnd() && ids.size() < limit) {
            ids << customers.FieldByName("ID")->AsInteger();
            ds.MoveNext();
        }
        ds.CloseRange();
        ids << customers.FieldByName("ID")->AsInteger();
        return ids;
    }
};

TEST_F(DataSources, RangesWalkTheirRecordsAndReturnToTheStart)
{
    struct Case
    {
        TRangeBegin begin;
        TRangeEnd end;
        int count;
        QList<int> seen; // the IDs walked, then the ID current after closing
    } cases[] = {
        {rbFirst, reLast, 0, {1, 2, 3, 3}},
        {rbCurrent, reLast, 0, {2, 3, 2}},
        {rbCurrent, reCurrent, 0, {2, 2}},
        {rbFirst, reCurrent, 0, {1, 2, 2}}, // from the first record up to the current one, never standing still
        {rbFirst, reCount, 0, {1}},         // at its end at once
        {rbFirst, reCount, 2, {1, 2, 3}},
    };
    for (const Case &c : cases) {
        customers.First();
        customers.Next(); // record 2 is current when the range opens
        source.RangeBegin = c.begin;
        source.RangeEnd = c.end;
        source.RangeEndCount = c.count;
        EXPECT_EQ(walk(source), c.seen) << c.begin << " " << c.end << " " << c.count;
    }
}

TEST_F(DataSources, OpeningAndClosingFollowTheSettings)
{
    customers.Close();
    QStringList events;
    source.OnOpen = [&](TfrDBDataSet *) { events << QStringLiteral("open"); };
    source.OnClose = [&](TfrDBDataSet *) { events << QStringLiteral("close"); };
    source.CloseDataSource = true;
    source.OpenRange();
    EXPECT_TRUE(customers.Active());
    source.CloseRange();
    EXPECT_FALSE(customers.Active());
    EXPECT_EQ(events, QStringList({"open", "close"}));

    source.OpenDataSource = false;
    source.OpenRange();
    EXPECT_FALSE(customers.Active()) << "opening is left to the program";
    EXPECT_THROW(source.MoveFirst(), std::exception);
}

TEST_F(DataSources, UserDatasetCountsAndAsksItsEvents)
{
    TfrUserDataset user;
    user.RangeEnd = reCount;
    user.RangeEndCount = 2;
    int firsts = 0, nexts = 0;
    user.OnFirst = [&](TfrDataset *) { ++firsts; };
    user.OnNext = [&](TfrDataset *) { ++nexts; };
    user.MoveFirst();
    int records = 0;
    while (!user.AtEnd() && records < 10) {
        ++records;
        user.MoveNext();
    }
    EXPECT_EQ(records, 2);
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(nexts, 1) << "no move is asked past the last counted record";

    user.OnCheckEOF = [](TfrDataset *ds, bool &eof) { eof = ds->RecordNo() >= 1; };
    user.MoveFirst();
    user.MoveNext();
    EXPECT_TRUE(user.AtEnd());
    user.MovePrior();
    EXPECT_EQ(user.RecordNo(), 0);
    EXPECT_FALSE(user.AtEnd());
}

TEST_F(DataSources, DataSetAndDataSourceClearEachOther)
{
    TMemTable other;
    other.LoadData({TFieldDef(QStringLiteral("X"), ftInteger)}, {{1}});
    TDataSource ds;
    ds.SetDataSet(&other);

    source.SetDataSource(&ds);
    EXPECT_EQ(source.DataSet(), nullptr);
    EXPECT_EQ(source.GetSourceDataSet(), &other);
    source.SetDataSource(nullptr);
    source.SetDataSet(&customers);
    source.SetDataSource(nullptr);
    EXPECT_EQ(source.DataSet(), &customers) << "clearing the data source leaves the dataset";
    source.SetDataSource(&ds);
    source.SetDataSet(&customers);
    EXPECT_EQ(source.DataSource(), nullptr) << "setting the dataset always clears the data source";

    {
        TMemTable gone;
        source.SetDataSet(&gone);
    }
    EXPECT_EQ(source.DataSet(), nullptr) << "a destroyed dataset clears the property";
    try {
        source.GetSourceDataSet();
        FAIL() << "no dataset";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to open dataset frCustomers"));
    }
}

TEST_F(DataSources, BandSourcesByNameOrNumber)
{
    TfrDataset *ds = nullptr;
    bool created = false;
    ResolveBandDataSource(QStringLiteral("3"), ds, created);
    ASSERT_NE(ds, nullptr);
    EXPECT_TRUE(created);
    std::unique_ptr<TfrDataset> owned(ds);
    int records = 0;
    for (ds->MoveFirst(); !ds->AtEnd() && records < 10; ds->MoveNext())
        ++records;
    EXPECT_EQ(records, 3);

    customers.Close();
    ResolveBandDataSource(QStringLiteral("frCustomers"), ds, created);
    EXPECT_EQ(ds, &source);
    EXPECT_FALSE(created);
    EXPECT_TRUE(customers.Active()) << "a source found is opened";

    ResolveBandDataSource(QStringLiteral("Missing"), ds, created);
    EXPECT_EQ(ds, nullptr);
    try {
        ResolveBandDataSource(QStringLiteral("Customers"), ds, created);
        FAIL() << "a dataset is no report data source";
    } catch (const std::exception &e) {
        EXPECT_TRUE(exceptionMessage(e).contains(QStringLiteral("Customers")));
    }
}

// ---- the data dictionary

class DataDictionary : public DataFixture
{
protected:
    TfrDataDictionary &dict() { return report.Dictionary(); }
};

TEST_F(DataDictionary, FieldReferencesUnderRealNamesAndAliases)
{
    report.Dataset = &source;
    customers.First();
    dict().FieldAliases.SetValue(QStringLiteral("Customers"), Variant(QStringLiteral("Абоненты")));
    dict().FieldAliases.SetValue(QStringLiteral("Customers.NAME"), Variant(QStringLiteral("Фамилия")));
    struct Case
    {
        const char *name;
        bool known;
        const char *value;
    } cases[] = {
        {"Customers.NAME", true, "Иванов"},
        {"Абоненты.Фамилия", true, "Иванов"},
        {"абоненты.\"Фамилия\"", true, "Иванов"},
        {"DM.Customers.ID", true, "1"},
        {"NAME", true, "Иванов"}, // a field of the current dataset
        {"Customers.MISSING", false, ""},
        {"Nothing", false, ""},
    };
    for (const Case &c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(dict().IsVariable(name), c.known) << c.name;
        if (c.known) {
            EXPECT_EQ(dict().GetValue(name).toString(), QString::fromUtf8(c.value)) << c.name;
        }
    }
}

TEST_F(DataDictionary, ReferencesAreResolvedOncePerPass)
{
    customers.First();
    dict().Variables.SetValue(QStringLiteral(" Абонент"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral("Клиент"), Variant(QStringLiteral("Customers.NAME")));
    ASSERT_TRUE(dict().IsVariable(QStringLiteral("Клиент")));
    EXPECT_EQ(dict().GetValue(QStringLiteral("Клиент")).toString(), QStringLiteral("Иванов"));

    dict().Variables.SetValue(QStringLiteral("Клиент"), Variant(QStringLiteral("Customers.ID")));
    customers.Next();
    EXPECT_EQ(dict().GetValue(QStringLiteral("КЛИЕНТ")).toString(), QStringLiteral("Петров"))
        << "the field resolved first is read";
    dict().ClearCache();
    ASSERT_TRUE(dict().IsVariable(QStringLiteral("Клиент")));
    EXPECT_EQ(dict().GetValue(QStringLiteral("Клиент")).toInt(), 2);
}

TEST_F(DataDictionary, VariablesAreExpressionsAndScriptVariablesWin)
{
    dict().Variables.SetValue(QStringLiteral(" Итоги"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral("Налог"), Variant(QStringLiteral("100 * 0.2")));
    dict().Variables.SetValue(QStringLiteral("Пусто"), Variant(QString()));
    EXPECT_TRUE(dict().IsVariable(QStringLiteral("Налог")));
    EXPECT_DOUBLE_EQ(value(QStringLiteral("Налог")).toDouble(), 20.0);
    EXPECT_EQ(value(QStringLiteral("Пусто")).toString(), QString());

    // An assignment replaces the dictionary's value; a text assigned is an expression again.
    frEngine().Interpreter().SetValue(QStringLiteral("Налог"), Variant(QStringLiteral("2 + 3")));
    EXPECT_EQ(value(QStringLiteral("Налог")).toInt(), 5);
    frEngine().Interpreter().SetValue(QStringLiteral("Налог"), Variant(7));
    EXPECT_EQ(value(QStringLiteral("Налог")).toInt(), 7);

    frEngine().ScriptVariables.SetValue(QStringLiteral("Налог"), Variant(42));
    EXPECT_EQ(value(QStringLiteral("Налог")).toInt(), 42) << "the script variable wins when read";
    frEngine().Interpreter().SetValue(QStringLiteral("Налог"), Variant(43));
    EXPECT_EQ(frEngine().ScriptVariables.GetValue(QStringLiteral("Налог")).toInt(), 43);
    EXPECT_EQ(dict().Variables.GetValue(QStringLiteral("Налог")).toInt(), 7) << "and takes the assignment";

    report.Dataset = &source;
    const int count = dict().Variables.GetCount();
    frEngine().Interpreter().SetValue(QStringLiteral("NAME"), Variant(5));
    EXPECT_EQ(dict().Variables.GetCount(), count) << "a field reference never becomes a dictionary variable";
}

TEST_F(DataDictionary, VariablesThatNeedEachOtherAreUndefined)
{
    dict().Variables.SetValue(QStringLiteral("A"), Variant(QStringLiteral("B + 1")));
    dict().Variables.SetValue(QStringLiteral("B"), Variant(QStringLiteral("A")));
    dict().Variables.SetValue(QStringLiteral("C"), Variant(QStringLiteral("C * 2")));
    for (const char *name : {"A", "C"}) {
        try {
            value(QString::fromLatin1(name));
            FAIL() << name;
        } catch (const EParserError &e) {
            EXPECT_TRUE(e.message().startsWith(GetLocaleString(55439) + QStringLiteral(" \""))) << e.message().toStdString();
        }
    }
    dict().Variables.SetValue(QStringLiteral("B"), Variant(QStringLiteral("5")));
    EXPECT_EQ(value(QStringLiteral("A")).toInt(), 6) << "nothing is left marked after the error";
}

TEST_F(DataDictionary, HiddenDatasetsAndLists)
{
    TMemTable custOld, orders;
    ComponentRegistry::instance().registerComponent(&module, &custOld, QStringLiteral("CustOld"));
    ComponentRegistry::instance().registerComponent(&module, &orders, QStringLiteral("Orders"));
    struct Case
    {
        QStringList disabled;
        QStringList shown;
    } cases[] = {
        {{}, {"CustOld", "Customers", "Orders"}},
        {{"Cus*"}, {"Orders"}},
        {{"cus*"}, {"CustOld", "Customers", "Orders"}}, // the prefix is compared in its case
        {{"orders"}, {"CustOld", "Customers"}},         // a whole name in any case
    };
    for (const Case &c : cases) {
        dict().DisabledDatasets = c.disabled;
        QStringList list;
        dict().GetDataSetList(list);
        EXPECT_EQ(list, c.shown) << c.disabled.join(u',').toStdString();
    }
    dict().DisabledDatasets.clear();
    dict().FieldAliases.SetValue(QStringLiteral("Customers"), Variant(QStringLiteral("Абоненты")));
    dict().FieldAliases.SetValue(QStringLiteral("Orders"), Variant(QString()));
    dict().FieldAliases.SetValue(QStringLiteral("Customers.ID"), Variant(QString()));
    dict().FieldAliases.SetValue(QStringLiteral("Customers.NAME"), Variant(QStringLiteral("Фамилия")));
    QStringList list;
    dict().GetDataSetList(list);
    EXPECT_EQ(list, QStringList({"Orders", "Абоненты"})) << "only aliased datasets, under their aliases";
    dict().GetFieldList(QStringLiteral("Абоненты"), list);
    EXPECT_EQ(list, QStringList({"Фамилия", "AMOUNT"})) << "an empty alias hides a field";
    dict().GetBandDataSourceList(list);
    EXPECT_EQ(list, QStringList{"frCustomers"});
    dict().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QStringLiteral("Абоненты отчета")));
    dict().GetBandDataSourceList(list);
    EXPECT_EQ(list, QStringList{"Абоненты отчета"});
    EXPECT_EQ(dict().GetRealDataSourceName(QStringLiteral("абоненты отчета")), QStringLiteral("frCustomers"));
    EXPECT_EQ(dict().GetRealFieldName(QStringLiteral("Фамилия")), QStringLiteral("NAME"));
    EXPECT_EQ(dict().GetAliasName(QStringLiteral("frCustomers")), QStringLiteral("Абоненты отчета"));
    EXPECT_EQ(dict().GetAliasName(QStringLiteral("Other")), QStringLiteral("Other"));

    dict().Variables.SetValue(QStringLiteral(" Суммы"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral("Итого"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral("Налог"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral(" Даты"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral("Период"), Variant(QString()));
    dict().GetCategoryList(list);
    EXPECT_EQ(list, QStringList({"Суммы", "Даты"}));
    dict().GetVariableList(QStringLiteral("суммы"), list);
    EXPECT_EQ(list, QStringList({"Итого", "Налог"}));
    dict().GetVariableList(QStringLiteral("Даты"), list);
    EXPECT_EQ(list, QStringList{"Период"});
}

TEST_F(DataDictionary, CurrentDatasetFollowsTheBandType)
{
    TMemTable orders;
    orders.LoadData({TFieldDef(QStringLiteral("ORDER_ID"), ftInteger)}, {{77}});
    TfrDBDataSet frOrders;
    frOrders.SetDataSet(&orders);
    report.Dataset = &source;
    TfrBand *master = addBand(btMasterData, QStringLiteral("MasterData1"), &frOrders);
    TfrBand *footer = addBand(btGroupFooter, QStringLiteral("GroupFooter1"));
    TfrBand *detailHeader = addBand(btDetailHeader, QStringLiteral("DetailHeader1"));
    struct Case
    {
        TfrBand *band;
        TDataSet *dataset;
    } cases[] = {{nullptr, &customers}, {master, &orders}, {footer, &orders}, {detailHeader, &customers}};
    for (const Case &c : cases) {
        frEngine().CurrentBand = c.band;
        EXPECT_EQ(CurrentDataSet(), c.dataset) << (c.band ? c.band->Name.toStdString() : "none");
    }
    frEngine().CurrentBand = master;
    dict().ClearCache();
    EXPECT_TRUE(dict().IsVariable(QStringLiteral("ORDER_ID")));
    EXPECT_EQ(dict().GetValue(QStringLiteral("ORDER_ID")).toInt(), 77);
}

TEST_F(DataDictionary, DictionaryFilesKeepEverything)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("vars.frd"));
    dict().Variables.SetValue(QStringLiteral(" Суммы"), Variant(QString()));
    dict().Variables.SetValue(QStringLiteral("Итого"), Variant(QStringLiteral("Customers.AMOUNT")));
    dict().FieldAliases.SetValue(QStringLiteral("Customers"), Variant(QStringLiteral("Абоненты")));
    dict().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QStringLiteral("Список")));
    dict().SaveDictionaryFile(file);

    TfrDataDictionary loaded;
    loaded.LoadDictionaryFile(file);
    QStringList list;
    loaded.GetCategoryList(list);
    EXPECT_EQ(list, QStringList{"Суммы"});
    EXPECT_EQ(loaded.Variables.GetValue(QStringLiteral("Итого")).toString(), QStringLiteral("Customers.AMOUNT"));
    EXPECT_EQ(loaded.GetAliasName(QStringLiteral("Customers")), QStringLiteral("Абоненты"));
    EXPECT_EQ(loaded.GetAliasName(QStringLiteral("frCustomers")), QStringLiteral("Список"));

}

TEST_F(DataDictionary, OlderRecordsDropEmptyAliasesOfMissingFields)
{
    dict().FieldAliases.SetValue(QStringLiteral("Customers.NAME"), Variant(QString()));
    dict().FieldAliases.SetValue(QStringLiteral("Customers.GONE"), Variant(QString()));
    dict().FieldAliases.SetValue(QStringLiteral("Customers.ID"), Variant(QStringLiteral("Код")));
    dict().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QString()));
    dict().BandDatasources.SetValue(QStringLiteral("frOther"), Variant(QStringLiteral("Другой")));
    TMemoryStream stream;
    dict().SaveToStream(stream);
    QByteArray bytes = stream.Bytes();
    bytes[0] = char(0xFF); // the signature of the older record, -1
    bytes[1] = char(0xFF);
    TMemoryStream older(bytes);
    TfrDataDictionary loaded;
    loaded.LoadFromStream(older);
    ASSERT_EQ(loaded.FieldAliases.GetCount(), 2);
    EXPECT_EQ(loaded.FieldAliases.GetName(0), QStringLiteral("Customers.NAME")) << "a hidden field that exists";
    EXPECT_EQ(loaded.FieldAliases.GetName(1), QStringLiteral("Customers.ID"));
    ASSERT_EQ(loaded.BandDatasources.GetCount(), 1);
    EXPECT_EQ(loaded.BandDatasources.GetName(0), QStringLiteral("frOther"));
}

} // namespace
