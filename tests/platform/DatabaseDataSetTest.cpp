// The server dataset on both engines: fetching and typing, declared fields, key fields and what a provider
// asks of it.
#include "AdoDataSet.h"
#include "ClientDataSet.h"
#include "DataSetProvider.h"
#include "DatabaseError.h"
#include "DatabaseFixture.h"
#include "MemTable.h"

class DatabaseDataSet : public DatabaseTest
{
protected:
    void SetUp() override
    {
        DatabaseTest::SetUp();
        if (HasFatalFailure())
            return;
        const Dialect &d = *db->SqlDialect();
        db->Execute(QStringLiteral("CREATE TABLE ZOLT.PAYMENT (PAYMENT_ID INTEGER NOT NULL PRIMARY KEY, NOTICE %1, "
                                   "PAY_SUM %2, PAY_DATE %3)")
                        .arg(d.columnType(QStringLiteral("VARCHAR2(40)")), d.columnType(QStringLiteral("NUMBER(16,2)")),
                             d.columnType(QStringLiteral("DATE"))));
        TADOCommand insert(db.get());
        insert.SetCommandText(QStringLiteral("insert into ZOLT.PAYMENT values (:ID, :NOTICE, :SUM, :DATE)"));
        const QList<QVariantList> rows = {
            {1, QStringLiteral("первый"), 10.5, QDateTime(QDate(2024, 1, 31), QTime(15, 0))},
            {2, QVariant(), QVariant(), QVariant()},
            {3, QStringLiteral("третий"), 1234567.89, QDate(2024, 2, 1)},
        };
        for (const QVariantList &r : rows) {
            for (int i = 0; i < 4; ++i)
                insert.Parameters[i].SetValue(r[i]);
            insert.Execute();
        }
    }

    std::unique_ptr<TADODataSet> query(const QString &sql)
    {
        auto ds = std::make_unique<TADODataSet>();
        ds->SetConnection(db.get());
        ds->SetCommandText(sql);
        return ds;
    }
};
TARVIK_DATABASE_SUITE(DatabaseDataSet);

TEST_P(DatabaseDataSet, OpenFetchesEveryRowWithTheSameTypesOnBothEngines)
{
    auto ds = query(QStringLiteral("select PAYMENT_ID, NOTICE, PAY_SUM, PAY_DATE, CONCAT(NOTICE, '!') as LABEL, "
                                   "(select count(*) from ZOLT.PAYMENT) as Q from ZOLT.PAYMENT "
                                   "where PAY_DATE < :P_TILL or PAY_DATE is null order by PAYMENT_ID"));
    ASSERT_EQ(ds->Params().Count(), 1);
    ds->Params().ParamByName(QStringLiteral("P_TILL")).SetAsDate(QDate(2024, 2, 1));
    TExecuteSource source = TExecuteSource::Connection;
    db->OnWillExecute = [&](TADOConnection &, const TExecuteInfo &info) { source = info.Source; };
    ds->Open();
    EXPECT_EQ(source, TExecuteSource::DataSet);
    EXPECT_EQ(ds->RecordCount(), 2);
    const QList<QPair<const char *, TFieldType>> expected = {{"PAYMENT_ID", ftInteger}, {"NOTICE", ftString},
                                                             {"PAY_SUM", ftFloat},     {"PAY_DATE", ftDateTime},
                                                             {"LABEL", ftString},      {"Q", ftLargeint}};
    for (const auto &[name, type] : expected)
        EXPECT_EQ(ds->FieldByName(QString::fromLatin1(name))->DataType(), type) << name;
    EXPECT_EQ(ds->FieldByName(QStringLiteral("NOTICE"))->AsString(), QStringLiteral("первый"));
    EXPECT_DOUBLE_EQ(ds->FieldByName(QStringLiteral("PAY_SUM"))->AsFloat(), 10.5);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("PAY_DATE"))->AsDateTime(), QDateTime(QDate(2024, 1, 31), QTime(15, 0)));
    EXPECT_EQ(ds->FieldByName(QStringLiteral("Q"))->AsInteger(), 3);
    ds->Next();
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("NOTICE"))->IsNull());
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("PAY_DATE"))->IsNull());
    EXPECT_EQ(ds->FieldByName(QStringLiteral("LABEL"))->AsString(), QStringLiteral("!"));
    EXPECT_TRUE(ds->Locate(QStringLiteral("NOTICE"), QStringLiteral("ПЕР"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(ds->RecNo(), 1);
}

// The rows are kept as the engine read them, made the field's type where they stand: every stored value has its
// field's type, and a null none.
TEST_P(DatabaseDataSet, StoredValuesHaveTheTypesOfTheirFields)
{
    auto ds = query(QStringLiteral("select PAYMENT_ID, NOTICE, PAY_SUM, PAY_DATE, (select count(*) from ZOLT.PAYMENT) as Q "
                                   "from ZOLT.PAYMENT order by PAYMENT_ID"));
    ds->AddField<TFloatField>(QStringLiteral("PAYMENT_ID"));
    ds->AddField<TStringField>(QStringLiteral("NOTICE"));
    ds->AddField<TFloatField>(QStringLiteral("PAY_SUM"));
    ds->AddField<TDateTimeField>(QStringLiteral("PAY_DATE"));
    ds->AddField<TLargeintField>(QStringLiteral("Q"));
    ds->Open();
    struct Case
    {
        int recNo;
        const char *field;
        QMetaType::Type type; // UnknownType: a null
    };
    const Case cases[] = {
        {1, "PAYMENT_ID", QMetaType::Double}, {1, "NOTICE", QMetaType::QString}, {1, "PAY_SUM", QMetaType::Double},
        {1, "PAY_DATE", QMetaType::QDateTime}, {1, "Q", QMetaType::LongLong},   {2, "NOTICE", QMetaType::UnknownType},
        {2, "PAY_SUM", QMetaType::UnknownType}, {2, "PAY_DATE", QMetaType::UnknownType},
        {3, "PAY_DATE", QMetaType::QDateTime},
    };
    for (const Case &c : cases) {
        ds->SetRecNo(c.recNo);
        const QVariant v = ds->FieldByName(QString::fromLatin1(c.field))->Value();
        EXPECT_EQ(v.typeId(), int(c.type)) << c.field << " of record " << c.recNo;
        EXPECT_EQ(v.isValid(), c.type != QMetaType::UnknownType) << c.field << " of record " << c.recNo;
    }
    ds->SetRecNo(3);
    EXPECT_DOUBLE_EQ(ds->FieldByName(QStringLiteral("PAY_SUM"))->AsFloat(), 1234567.89);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("PAY_DATE"))->AsDateTime(), QDateTime(QDate(2024, 2, 1), QTime(0, 0)));
}

TEST_P(DatabaseDataSet, DeclaredFieldsFixTheTypesAndMustBeSelected)
{
    auto ds = query(QStringLiteral("select PAYMENT_ID, TO_CHAR(PAY_DATE, 'YYYY-MM-DD HH24:MI:SS') as D from ZOLT.PAYMENT "
                                   "where PAYMENT_ID = 3"));
    ds->AddField<TFloatField>(QStringLiteral("PAYMENT_ID"));
    ds->AddField<TDateTimeField>(QStringLiteral("D"));
    ds->Open();
    EXPECT_EQ(ds->FieldByName(QStringLiteral("PAYMENT_ID"))->Value().typeId(), QMetaType::Double);
    EXPECT_EQ(ds->FieldByName(QStringLiteral("D"))->AsDateTime(), QDateTime(QDate(2024, 2, 1), QTime(0, 0)));
    ds->Close();

    auto missing = query(QStringLiteral("select PAYMENT_ID from ZOLT.PAYMENT"));
    missing->AddField<TStringField>(QStringLiteral("NO_SUCH"));
    EXPECT_THROW(missing->Open(), EDatabaseError);
    EXPECT_FALSE(missing->Active());
    auto bad = query(QStringLiteral("select * from ZOLT.NO_SUCH"));
    EXPECT_THROW(bad->Open(), EDatabaseError);
    EXPECT_FALSE(bad->Active());
}

TEST_P(DatabaseDataSet, RefreshSeesRowsWrittenMeanwhile)
{
    auto ds = query(QStringLiteral("select PAYMENT_ID from ZOLT.PAYMENT"));
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 3);
    auto other = connect();
    other->Execute(QStringLiteral("insert into ZOLT.PAYMENT (PAYMENT_ID) values (4)"));
    ds->Refresh();
    EXPECT_EQ(ds->RecordCount(), 4);
}

TEST_P(DatabaseDataSet, KeyFieldsForTheProvider)
{
    auto ds = query(QStringLiteral("select PAYMENT_ID, NOTICE from ZOLT.PAYMENT"));
    EXPECT_EQ(ds->PSGetKeyFields(), QString());
    ds->SetUniqueFields(QStringLiteral(" PAYMENT_ID ; NOTICE "));
    EXPECT_EQ(ds->PSGetKeyFields(), QStringLiteral("PAYMENT_ID;NOTICE"));
    ds->AddField<TIntegerField>(QStringLiteral("PAYMENT_ID"))->SetProviderFlags(pfInUpdate | pfInWhere | pfInKey);
    EXPECT_EQ(ds->PSGetKeyFields(), QStringLiteral("PAYMENT_ID")) << "the fields' own answer comes first";
}

TEST_P(DatabaseDataSet, ProviderStatementsAndTransactions)
{
    auto ds = query(QStringLiteral("select PAYMENT_ID from ZOLT.PAYMENT"));
    TParams params;
    params.CreateParam(ftString, QStringLiteral("NOTICE")).SetValue(QStringLiteral("новый"));
    params.CreateParam(ftInteger, QStringLiteral("ID")).SetValue(2);

    ds->PSStartTransaction();
    EXPECT_TRUE(ds->PSInTransaction());
    EXPECT_EQ(ds->PSExecuteStatement(QStringLiteral("update ZOLT.PAYMENT set NOTICE = ? where PAYMENT_ID = ?"), params), 1);
    ds->PSEndTransaction(false);
    EXPECT_FALSE(db->InTransaction());

    TMemTable reread;
    TParams key;
    key.CreateParam(ftInteger, QStringLiteral("ID")).SetValue(2);
    EXPECT_EQ(ds->PSExecuteStatement(QStringLiteral("select NOTICE from ZOLT.PAYMENT where PAYMENT_ID = ?"), key, &reread), 1);
    EXPECT_TRUE(reread.FieldByName(QStringLiteral("NOTICE"))->IsNull()) << "the rolled back update is gone";

    // A transaction the session holds stays the session's.
    db->BeginTrans();
    ds->PSStartTransaction();
    ds->PSExecuteStatement(QStringLiteral("update ZOLT.PAYMENT set NOTICE = ? where PAYMENT_ID = ?"), params);
    ds->PSEndTransaction(true);
    EXPECT_TRUE(db->InTransaction());
    db->CommitTrans();
    EXPECT_EQ(ds->PSExecuteStatement(QStringLiteral("select NOTICE from ZOLT.PAYMENT where PAYMENT_ID = ?"), key, &reread), 1);
    EXPECT_EQ(reread.FieldByName(QStringLiteral("NOTICE"))->AsString(), QStringLiteral("новый"));
}

TEST_P(DatabaseDataSet, AClientDataSetWritesItsChangesBackThroughAProvider)
{
    TADODataSet server;
    server.SetConnection(db.get());
    server.SetUniqueFields(QStringLiteral("PAYMENT_ID"));
    TDataSetProvider provider;
    provider.SetDataSet(&server);
    provider.SetUpdateMode(upWhereKeyOnly);
    provider.SetOptions(poAllowCommandText | poAutoRefresh);
    provider.OnGetTableName = [](TDataSetProvider *, TDataSet *) { return QStringLiteral("ZOLT.PAYMENT"); };
    TClientDataSet client;
    client.SetProvider(&provider);
    client.SetCommandText(QStringLiteral("select PAYMENT_ID, NOTICE, PAY_SUM, PAY_DATE from ZOLT.PAYMENT order by PAYMENT_ID"));
    client.Open();
    ASSERT_EQ(client.RecordCount(), 3);

    client.First();
    client.Edit();
    client.FieldByName(QStringLiteral("NOTICE"))->SetAsString(QStringLiteral("исправлен"));
    client.FieldByName(QStringLiteral("PAY_DATE"))->SetAsDateTime(QDateTime(QDate(2024, 3, 1), QTime(9, 30)));
    client.Post();
    client.Next();
    client.Delete();
    client.Append();
    client.FieldByName(QStringLiteral("PAYMENT_ID"))->SetAsInteger(9);
    client.FieldByName(QStringLiteral("PAY_SUM"))->SetAsFloat(-5.25);
    client.Post();
    EXPECT_EQ(client.ApplyUpdates(0), 0);
    EXPECT_EQ(client.ChangeCount(), 0);

    auto check = query(QStringLiteral("select PAYMENT_ID, NOTICE, PAY_SUM, PAY_DATE from ZOLT.PAYMENT order by PAYMENT_ID"));
    check->Open();
    ASSERT_EQ(check->RecordCount(), 3);
    EXPECT_EQ(check->FieldByName(QStringLiteral("NOTICE"))->AsString(), QStringLiteral("исправлен"));
    EXPECT_EQ(check->FieldByName(QStringLiteral("PAY_DATE"))->AsDateTime(), QDateTime(QDate(2024, 3, 1), QTime(9, 30)));
    check->Last();
    EXPECT_EQ(check->FieldByName(QStringLiteral("PAYMENT_ID"))->AsInteger(), 9);
    EXPECT_DOUBLE_EQ(check->FieldByName(QStringLiteral("PAY_SUM"))->AsFloat(), -5.25);
    EXPECT_TRUE(check->FieldByName(QStringLiteral("NOTICE"))->IsNull());
}
