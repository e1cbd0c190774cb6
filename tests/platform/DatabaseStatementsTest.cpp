// Statements on both engines: every value bound (bytes byte for byte, texts with quotes and backslashes, dates
// as calendar values), each text prepared once and kept per connection, and the kept statements staying out of
// the way of results still being read, of schema changes and of transactions.
#include "AdoDataSet.h"
#include "DatabaseError.h"
#include "DatabaseFixture.h"

#include <QSqlRecord>

using namespace tarvik::test;

namespace {

QByteArray everyByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    return bytes;
}

} // namespace

class DatabaseStatements : public DatabaseTest
{
protected:
    void makeTable()
    {
        const Dialect &d = *db->SqlDialect();
        db->Execute(QStringLiteral("CREATE TABLE ZOLT.V (ID INTEGER, NAME %1, B %2, D %3, AMOUNT %4)")
                        .arg(d.columnType(QStringLiteral("VARCHAR2(200)")),
                             isSqlite() ? QStringLiteral("BLOB") : QStringLiteral("bytea"),
                             d.columnType(QStringLiteral("DATE")), d.columnType(QStringLiteral("NUMBER(16,2)"))));
    }
};
TARVIK_DATABASE_SUITE(DatabaseStatements);

TEST_P(DatabaseStatements, BoundValuesComeBackUnchanged)
{
    makeTable();
    const QString text = QStringLiteral("O'Brien \"q\" \\ back\\\\slash \\' -- ; /* :P_NOT */ ? Иванов Ёжиков $1 $$");
    const QByteArray bytes = everyByte();
    TParams params;
    params.CreateParam(ftInteger, QStringLiteral("ID"));
    params.CreateParam(ftString, QStringLiteral("NAME"));
    params.CreateParam(ftBlob, QStringLiteral("B"));
    params.CreateParam(ftDateTime, QStringLiteral("D"));
    params.CreateParam(ftFloat, QStringLiteral("AMOUNT")).SetNumericScale(2);
    struct Row
    {
        int id;
        QVariant name, bytes, date, amount;
    };
    const QList<Row> rows = {
        {1, text, bytes, QDateTime(QDate(2024, 2, 29), QTime(13, 5, 9)), 1234567.89},
        {2, QVariant(), QVariant(), QVariant(), QVariant()},
        {3, QStringLiteral("x"), QByteArray(), QDate(4712, 12, 31), -0.01},
    };
    const QString insert = QStringLiteral("insert into ZOLT.V (ID, NAME, B, D, AMOUNT) values (:ID, :NAME, :B, :D, :AMOUNT)");
    for (const Row &r : rows) {
        params.ParamByName(QStringLiteral("ID")).SetValue(r.id);
        params.ParamByName(QStringLiteral("NAME")).SetValue(r.name);
        params.ParamByName(QStringLiteral("B")).SetValue(r.bytes);
        params.ParamByName(QStringLiteral("D")).SetValue(r.date);
        params.ParamByName(QStringLiteral("AMOUNT")).SetValue(r.amount);
        EXPECT_EQ(db->Execute(insert, params), 1);
    }

    QSqlQuery q = db->OpenQuery(QStringLiteral("select NAME, B, D, AMOUNT from ZOLT.V order by ID"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), text);
    EXPECT_EQ(q.value(1).toByteArray(), bytes);
    EXPECT_EQ(q.value(1).typeId(), QMetaType::QByteArray);
    if (isSqlite()) {
        EXPECT_EQ(q.value(2).toString(), QStringLiteral("2024-02-29 13:05:09"));
    } else {
        EXPECT_EQ(q.value(2).toDateTime().date(), QDate(2024, 2, 29));
        EXPECT_EQ(q.value(2).toDateTime().time(), QTime(13, 5, 9));
        EXPECT_EQ(q.value(2).toDateTime().timeSpec(), Qt::UTC) << "a calendar value, not a local time";
    }
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), 1234567.89);
    ASSERT_TRUE(q.next());
    for (int c = 0; c < 4; ++c)
        EXPECT_TRUE(q.value(c).isNull()) << "column " << c;
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toByteArray(), QByteArray()) << "no bytes stay no bytes";
    EXPECT_FALSE(q.value(1).isNull()) << "an empty byte string is not a null";
    EXPECT_DOUBLE_EQ(q.value(3).toDouble(), -0.01);
    EXPECT_FALSE(q.next());

    // The values find their rows when bound for comparison too, byte for byte.
    EXPECT_EQ(db->SelectValue(QStringLiteral("select ID from ZOLT.V where NAME = :N and B = :B"),
                              ParamsOf({{QStringLiteral("N"), text}, {QStringLiteral("B"), bytes}}))
                  .toInt(),
              1);
    EXPECT_EQ(db->SelectValue(QStringLiteral("select count(*) from ZOLT.V where D >= :FROM and D < :TILL"),
                              ParamsOf({{QStringLiteral("FROM"), QDate(2024, 2, 29)}, {QStringLiteral("TILL"), QDate(2024, 3, 1)}}))
                  .toInt(),
              1);

    // A dataset reads the same values typed by the columns.
    TADODataSet ds;
    ds.SetConnection(db.get());
    ds.SetCommandText(QStringLiteral("select NAME, B, D, AMOUNT from ZOLT.V where ID = :ID"));
    ds.Params().ParamByName(QStringLiteral("ID")).SetValue(1);
    ds.Open();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("NAME"))->AsString(), text);
    EXPECT_EQ(ds.FieldByName(QStringLiteral("B"))->Value().toByteArray(), bytes);
    const QDateTime d = ds.FieldByName(QStringLiteral("D"))->Value().toDateTime();
    EXPECT_EQ(d.date(), QDate(2024, 2, 29));
    EXPECT_EQ(d.time(), QTime(13, 5, 9));
    EXPECT_DOUBLE_EQ(ds.FieldByName(QStringLiteral("AMOUNT"))->AsFloat(), 1234567.89);
}

TEST_P(DatabaseStatements, NoValueEntersTheStatementText)
{
    const QString secret = QStringLiteral("it's a secret");
    EXPECT_EQ(db->SelectValue(QStringLiteral("select CONCAT(:P_SECRET, '')"), ParamsOf({{QStringLiteral("P_SECRET"), secret}}))
                  .toString(),
              secret);
    if (isSqlite())
        return; // SQLite keeps no list of statements to look in; it is given the values by its binding calls.
    QStringList statements;
    QSqlQuery q = db->OpenQuery(QStringLiteral("select statement from pg_prepared_statements"));
    while (q.next())
        statements << q.value(0).toString();
    const QString all = statements.join(QLatin1Char('\n'));
    EXPECT_TRUE(all.contains(QStringLiteral("CONCAT($1, '')"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QStringLiteral("secret"))) << all.toStdString();
}

TEST_P(DatabaseStatements, ATextRunAgainIsPreparedOnce)
{
    makeTable();
    const QString select = QStringLiteral("select count(*) from ZOLT.V where ID = :ID or ID = :ID + 1");
    const int start = db->PreparedStatementCount();
    for (int i = 0; i < 3; ++i)
        db->SelectValue(select, ParamsOf({{QStringLiteral("ID"), i}}));
    EXPECT_EQ(db->PreparedStatementCount(), start + 1) << "three runs, one text";

    TADOCommand insert(db.get());
    insert.SetCommandText(QStringLiteral("insert into ZOLT.V (ID, NAME) values (:ID, :NAME)"));
    for (int i = 0; i < 3; ++i) {
        insert.Parameters.ParamByName(QStringLiteral("ID")).SetValue(i);
        insert.Parameters.ParamByName(QStringLiteral("NAME")).SetValue(QStringLiteral("n%1").arg(i));
        insert.Execute();
    }
    EXPECT_EQ(db->PreparedStatementCount(), start + 2);
    EXPECT_EQ(db->SelectValue(select, ParamsOf({{QStringLiteral("ID"), 1}})).toInt(), 2);
    EXPECT_EQ(db->PreparedStatementCount(), start + 2);

    // A change of the schema lets every kept statement go; so does a disconnect.
    db->Execute(db->SqlDialect()->createIndex(QStringLiteral("V_ID"), QStringLiteral("V"), QStringLiteral("ID")));
    const int afterIndex = db->PreparedStatementCount();
    db->SelectValue(select, ParamsOf({{QStringLiteral("ID"), 1}}));
    EXPECT_EQ(db->PreparedStatementCount(), afterIndex + 1);
    db->Close();
    db->Open();
    const int reopened = db->PreparedStatementCount();
    db->SelectValue(select, ParamsOf({{QStringLiteral("ID"), 1}}));
    db->SelectValue(select, ParamsOf({{QStringLiteral("ID"), 2}}));
    EXPECT_EQ(db->PreparedStatementCount(), reopened + 1);
}

TEST_P(DatabaseStatements, KeptStatementsLeaveEarlierResultsAlone)
{
    makeTable();
    for (int i = 1; i <= 3; ++i)
        db->Execute(QStringLiteral("insert into ZOLT.V (ID, NAME) values (:ID, :NAME)"),
                    ParamsOf({{QStringLiteral("ID"), i}, {QStringLiteral("NAME"), QStringLiteral("n%1").arg(i)}}));
    const QString text = QStringLiteral("select ID, NAME from ZOLT.V where ID >= :FROM order by ID");
    QSqlQuery outer = db->OpenQuery(text, ParamsOf({{QStringLiteral("FROM"), 1}}));
    QStringList seen;
    while (outer.next()) {
        seen << outer.value(1).toString();
        // The same text again while the first result is being read.
        QSqlQuery inner = db->OpenQuery(text, ParamsOf({{QStringLiteral("FROM"), 3}}));
        ASSERT_TRUE(inner.next());
        EXPECT_EQ(inner.value(0).toInt(), 3);
        EXPECT_FALSE(inner.next());
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("n1"), QStringLiteral("n2"), QStringLiteral("n3")}));
}

TEST_P(DatabaseStatements, AKeptStatementFollowsATableAnotherSessionChanged)
{
    makeTable();
    db->Execute(QStringLiteral("insert into ZOLT.V (ID) values (1)"));
    const QString text = QStringLiteral("select * from ZOLT.V where ID = :ID");
    EXPECT_EQ(db->OpenQuery(text, ParamsOf({{QStringLiteral("ID"), 1}})).record().count(), 5);
    auto other = connect();
    other->Execute(QStringLiteral("ALTER TABLE ZOLT.V ADD EXTRA INTEGER"));
    QSqlQuery q = db->OpenQuery(text, ParamsOf({{QStringLiteral("ID"), 1}}));
    EXPECT_EQ(q.record().count(), 6);
    EXPECT_TRUE(q.next());
}

TEST_P(DatabaseStatements, ParametersWhoseTypeTheTextDoesNotTellKeepTheTransaction)
{
    makeTable();
    db->BeginTrans();
    db->Execute(QStringLiteral("insert into ZOLT.V (ID) values (1)"));
    const TParams params = ParamsOf({{QStringLiteral("A"), QStringLiteral("a")}, {QStringLiteral("B"), QVariant()}});
    EXPECT_EQ(db->SelectValue(QStringLiteral("select CONCAT(:A, :B, CASE WHEN :B IS NULL THEN 'null' END)"), params)
                  .toString(),
              QStringLiteral("anull"));
    EXPECT_EQ(db->SelectValue(QStringLiteral("select :A"), params).toString(), QStringLiteral("a"));
    db->CommitTrans();
    EXPECT_EQ(db->SelectValue(QStringLiteral("select count(*) from ZOLT.V")).toInt(), 1);
}

TEST_P(DatabaseStatements, OneStatementAtATime)
{
    makeTable();
    const QString message =
        failureOf([&] { db->Execute(QStringLiteral("insert into ZOLT.V (ID) values (1); delete from ZOLT.V")); });
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(db->SelectValue(QStringLiteral("select count(*) from ZOLT.V")).toInt(), 0);
    EXPECT_EQ(db->Execute(QStringLiteral("insert into ZOLT.V (ID) values (1);  ")), 1);
}
