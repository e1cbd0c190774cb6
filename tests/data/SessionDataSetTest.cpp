// The macro datasets: what their requests carry to the provider, the indexes they drop on close, the search
// fields' locate, and a round trip through a provider over the session's connection on both engines.
#include "Color.h"
#include "DataFixture.h"
#include "DataSetProvider.h"
#include "DatabaseError.h"
#include "Kyv_db.h"
#include "MemTable.h"

#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

// Records what the dataset asks of it and answers a fixed two-column packet.
class RecordingProvider : public TCustomProvider
{
public:
    TDataPacket GetRecords(const QString &commandText, const TParams &) override
    {
        texts << commandText;
        cursors << ScreenCursor();
        if (fail)
            throw EDatabaseError(QStringLiteral("no server"));
        TDataPacket p;
        TFieldDef id;
        id.Name = QStringLiteral("ID");
        id.DataType = ftInteger;
        TFieldDef name;
        name.Name = QStringLiteral("NAME");
        name.DataType = ftString;
        name.Size = 20;
        p.fields = {id, name};
        p.rows = {{3, QStringLiteral("Abc")}, {12, QStringLiteral("abcd")}, {12, QStringLiteral("xyz")}};
        return p;
    }
    TApplyResult ApplyUpdates(const QList<TFieldDef> &, const std::vector<TDeltaRecord> &, int) override { return {}; }
    bool FetchRow(const QList<TFieldDef> &, const std::vector<QVariant> &, std::vector<QVariant> &) override
    {
        return false;
    }
    void Execute(const QString &commandText, const TParams &) override { texts << commandText; }

    QStringList texts;
    QList<TCursor> cursors;
    bool fail = false;
};

TEST(SessionDataSet, RequestsCarryTheSubstitutedTextAndTheBaseKeepsIt)
{
    RecordingProvider provider;
    TKyv_ClientDataSet cds;
    cds.setObjectName(QStringLiteral("cdsCustomer"));
    cds.SqlSubstitutions().Add(QStringLiteral("where_str"));
    cds.SetDataProvider(&provider);
    cds.SetCommandText(QStringLiteral("select * from T where 1=1 &where_str\norder by &idx"));
    EXPECT_EQ(cds.CommandText(), QStringLiteral("select * from T where 1=1 &where_str\r\norder by &idx\r\n"));

    cds.SubstitutionByName(QStringLiteral("WHERE_STR"))->Value = QStringLiteral(" and ID = 12");
    cds.Open();
    cds.Close();
    cds.SubstitutionByName(QStringLiteral("where_str"))->Value.clear();
    cds.Open();
    cds.Execute();
    ASSERT_EQ(provider.texts.size(), 3);
    EXPECT_EQ(provider.texts[0], QStringLiteral("select * from T where 1=1  and ID = 12\norder by \n"));
    EXPECT_EQ(provider.texts[1], QStringLiteral("select * from T where 1=1 \norder by \n"));
    EXPECT_EQ(provider.texts[2], provider.texts[1]);
    EXPECT_EQ(cds.TClientDataSet::CommandText(), provider.texts[1]);

    // No text, or one NUL character, goes out as no text: the provider then uses its dataset's own.
    for (const QString &text : {QString(), QString(QChar(0))}) {
        cds.SetCommandText(text);
        cds.Execute();
        EXPECT_EQ(provider.texts.last(), QString());
    }

    try {
        cds.SubstitutionByName(QStringLiteral("idx"));
        FAIL() << "a missing macro must raise";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("cdsCustomer: idx SqlSubstitution Not Found"));
    }
}

TEST(SessionDataSet, HourglassWhileOpeningAndBackAfterAFailure)
{
    RecordingProvider provider;
    TKyv_ClientDataSet cds;
    cds.SetDataProvider(&provider);
    cds.SetCommandText(QStringLiteral("select 1"));
    cds.Open();
    EXPECT_EQ(ScreenCursor(), crDefault);
    cds.Close();
    provider.fail = true;
    EXPECT_THROW(cds.Open(), EDatabaseError);
    EXPECT_EQ(ScreenCursor(), crDefault);
    cds.SetWaitCursor(crDefault);
    provider.fail = false;
    cds.Open();
    EXPECT_EQ(provider.cursors, (QList<TCursor>{crHourGlass, crHourGlass, crDefault}));
}

TEST(SessionDataSet, ForgetsAProviderThatIsDestroyed)
{
    TKyv_ClientDataSet cds;
    {
        RecordingProvider provider;
        cds.SetDataProvider(&provider);
        EXPECT_EQ(cds.Provider(), &provider);
    }
    EXPECT_EQ(cds.DataProvider(), nullptr);
    EXPECT_EQ(cds.Provider(), nullptr);

    // A dataset that is not a provider is read through a provider of the client's own, made afresh at
    // each close.
    {
        TMemTable table;
        TField *f = CreateField(ftInteger, &table);
        f->SetFieldName(QStringLiteral("ID"));
        f->SetDataSet(&table);
        table.Open();
        for (int id : {1, 2, 3}) {
            table.Append();
            f->SetValue(id);
            table.Post();
        }
        cds.SetDataProvider(&table);
        cds.Open();
        EXPECT_EQ(cds.RecordCount(), 3);
        cds.Close();
        cds.Open();
        EXPECT_EQ(cds.RecordCount(), 3);
    }
    EXPECT_EQ(cds.DataProvider(), nullptr);
    EXPECT_EQ(cds.Provider(), nullptr);
}

TEST(SessionDataSet, ClosingDropsTheTitleSortIndexOnly)
{
    RecordingProvider provider;
    TKyv_ClientDataSet cds;
    cds.SetDataProvider(&provider);
    cds.Open();
    cds.AddIndex(QStringLiteral("TITLE_NAME"), QStringLiteral("NAME"), ixDescending);
    cds.SetIndexName(QStringLiteral("TITLE_NAME"));
    cds.Close();
    EXPECT_EQ(cds.IndexName(), QString());
    EXPECT_LT(cds.IndexDefs().IndexOf(QStringLiteral("TITLE_NAME")), 0);
    EXPECT_GE(cds.IndexDefs().IndexOf(QStringLiteral("DEFAULT_ORDER")), 0);
    // Closed: nothing to drop.
    cds.AddIndex(QStringLiteral("TITLE_ID"), QStringLiteral("ID"));
    cds.DeleteCustomIndexes();
    EXPECT_GE(cds.IndexDefs().IndexOf(QStringLiteral("TITLE_ID")), 0);
}

TEST(SessionDataSet, LocateByValuesConvertsEachPieceByItsField)
{
    RecordingProvider provider;
    TKyv_ClientDataSet cds;
    QLineEdit edit;
    edit.setText(QStringLiteral("12;ABC"));
    EXPECT_FALSE(cds.LocateByValues(QStringLiteral("12;abc"))); // closed
    cds.SetDataProvider(&provider);
    cds.Open();
    cds.AddIndex(QStringLiteral("BY_ID_NAME"), QStringLiteral("ID;NAME"));
    cds.SetIndexName(QStringLiteral("BY_ID_NAME"));

    const struct
    {
        const char *text;
        bool found;
        QString name;
    } cases[] = {{"12;abc", true, QStringLiteral("abcd")}, // integer 12, "abc" as a partial text ignoring case
                 {"x;abc", false, {}},                     // "x" goes in as text and matches no number
                 {"12", true, QStringLiteral("abcd")},     // a missing piece is empty text: every name
                 {"12;zz", false, {}}};
    for (const auto &c : cases) {
        cds.First();
        EXPECT_EQ(cds.LocateByValues(QString::fromLatin1(c.text)), c.found) << c.text;
        if (c.found) {
            EXPECT_EQ(cds.FieldByName(QStringLiteral("NAME"))->AsString(), c.name) << c.text;
        }
    }
    EXPECT_TRUE(cds.LocateByEdit(&edit));
    EXPECT_EQ(edit.palette().color(QPalette::Text), toQColor(clWindowText));
    edit.setText(QStringLiteral("99"));
    EXPECT_FALSE(cds.LocateByEdit(&edit));
    EXPECT_EQ(edit.palette().color(QPalette::Text), toQColor(clRed));
}

TEST(SessionDataSet, ExcludeCopyFieldsIsASortedSet)
{
    TKyv_ClientDataSet cds;
    cds.SetExcludeCopyFields(QStringLiteral(" NOTICE;CUSTOMER_ID;NOTICE ;;ACCOUNT_NO"));
    EXPECT_EQ(cds.ExcludeCopyFields(), QStringLiteral("ACCOUNT_NO;CUSTOMER_ID;NOTICE"));
}

class SessionDataSetDb : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        fixture = std::make_unique<DataFixture>(GetParam());
        ASSERT_TRUE(fixture->isValid()) << fixture->error().toStdString();
        dmr = fixture->makeReadyDmr();
    }
    std::unique_ptr<DataFixture> fixture;
    std::unique_ptr<TDMR> dmr;
};

// The chain every window uses: client dataset -> provider (command text allowed, key-only updates) -> server
// dataset with its key in UniqueFields -> the session's connection.
TEST_P(SessionDataSetDb, ReadsAndWritesThroughAProviderWithTheSubstitutedText)
{
    TKyv_ADODataSet ods;
    ods.SetConnection(dmr->dbConnection());
    ods.SetCommandText(QStringLiteral("select SERVTYPE_ID, DESCR from ZOLT.SERVTYPE"));
    ods.SetUniqueFields(QStringLiteral("  SERVTYPE_ID "));
    EXPECT_EQ(ods.PSGetKeyFields(), QStringLiteral("SERVTYPE_ID"));
    TDataSetProvider dsp;
    dsp.SetDataSet(&ods);
    dsp.SetOptions(poAllowCommandText | poAutoRefresh);
    dsp.SetUpdateMode(upWhereKeyOnly);
    dsp.OnGetTableName = [](TDataSetProvider *, TDataSet *) { return QStringLiteral("ZOLT.SERVTYPE"); };

    TKyv_ClientDataSet cds;
    cds.SetDataProvider(&dsp);
    cds.SqlSubstitutions().Add(QStringLiteral("where_str"), QStringLiteral(" and SERVTYPE_ID >= 4"));
    // A computed column comes with the rows but is neither written to the update table nor read back from it.
    cds.SetCommandText(QStringLiteral("select SERVTYPE_ID, DESCR, SERVTYPE_ID * 10 as TIMES_TEN from ZOLT.SERVTYPE\n"
                                      "where 1=1 &where_str\norder by SERVTYPE_ID"));
    cds.Open();
    EXPECT_EQ(cds.RecordCount(), 2);
    cds.Edit();
    cds.FieldByName(QStringLiteral("DESCR"))->SetAsString(QStringLiteral("Пакет"));
    cds.Post();
    EXPECT_EQ(cds.ApplyUpdates(-1), 0);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("TIMES_TEN"))->AsInteger(), 40);
    dmr->CommitWork();
    EXPECT_EQ(dmr->dbConnection()->SelectValue(QStringLiteral("select DESCR from ZOLT.SERVTYPE where SERVTYPE_ID = 4")),
              QStringLiteral("Пакет"));

    cds.Close();
    cds.SubstitutionByName(QStringLiteral("where_str"))->Value.clear();
    cds.Open();
    EXPECT_EQ(cds.RecordCount(), 6);

    // The server dataset's own search field.
    ods.Open();
    QLineEdit edit;
    edit.setText(QStringLiteral("паК"));
    EXPECT_TRUE(ods.LocateByEdit(QStringLiteral("DESCR"), &edit));
    EXPECT_EQ(ods.FieldByName(QStringLiteral("SERVTYPE_ID"))->AsInteger(), 4);
}

INSTANTIATE_TEST_SUITE_P(Session, SessionDataSetDb, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
