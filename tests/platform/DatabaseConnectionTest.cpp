// The connection on both engines: opening and refusing, parameters of every type, transactions, autocommit,
// the trace events and a clone used from another thread.
#include "AdoDataSet.h"
#include "DatabaseError.h"
#include "DatabaseFixture.h"
#include "SqliteFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlRecord>

#include <thread>

using namespace tarvik::test;

namespace {

// A date read back: SQLite gives the 19-character text, PostgreSQL a timestamp; both are calendar values,
// compared here by their day and time.
QDateTime asDateTime(const QVariant &v)
{
    const QDateTime read = v.metaType().id() == QMetaType::QString ? parseSqliteDate(v.toString()) : v.toDateTime();
    return read.isValid() ? QDateTime(read.date(), read.time()) : read;
}

} // namespace

class DatabaseConnection : public DatabaseTest
{
protected:
    void makeTable()
    {
        db->Execute(QStringLiteral("CREATE TABLE ZOLT.T (ID INTEGER, NAME %1, AMOUNT %2, D %3, F %4)")
                        .arg(db->SqlDialect()->columnType(QStringLiteral("VARCHAR2(40)")),
                             db->SqlDialect()->columnType(QStringLiteral("NUMBER(16,2)")),
                             db->SqlDialect()->columnType(QStringLiteral("DATE")), db->SqlDialect()->doubleType()));
    }
};
TARVIK_DATABASE_SUITE(DatabaseConnection);

TEST_P(DatabaseConnection, ReportsTheEngineAndMasksThePassword)
{
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(db->DbmsName(), isSqlite() ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"));
    EXPECT_FALSE(db->DbmsVersion().isEmpty());
    EXPECT_EQ(db->DbmsKind(), 0);

    TADOConnection c;
    c.SetConnectionString(initString());
    c.SetConnectionProperty(QStringLiteral("Password"), QStringLiteral("secret"));
    c.Open();
    QStringList lines;
    for (const auto &[name, value] : c.Properties())
        lines << name + QStringLiteral("=") + value;
    EXPECT_TRUE(lines.contains(QStringLiteral("Password=***"))) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(lines.join(QLatin1Char('|')).contains(QStringLiteral("secret")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Connect Timeout=10")));
    EXPECT_TRUE(lines.contains(QStringLiteral("DBMS Name=") + c.DbmsName()));
}

TEST_P(DatabaseConnection, RefusedOpenFailsWithTheEnginesMessageAndCreatesNothing)
{
    struct Case
    {
        QString initString;
        QString expected; // a piece of the message
    };
    QList<Case> cases;
    TempSqliteFile other(QStringLiteral("other.db"));
    QFile notADatabase(other.dir() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notADatabase.open(QIODevice::WriteOnly));
    notADatabase.write(QByteArray(4096, 'x'));
    notADatabase.close();
    if (isSqlite()) {
        cases << Case{QStringLiteral("Provider=SQLite;Data Source=%1").arg(other.path()), QStringLiteral("unable to open")}
              << Case{QStringLiteral("Provider=SQLite;Data Source=%1").arg(notADatabase.fileName()),
                      QStringLiteral("not a database")}
              << Case{QStringLiteral("Provider=SQLite"), QStringLiteral("no database file")};
    } else {
        const PgServer &s = m_pg->server();
        const QString base = QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;").arg(s.host).arg(s.port);
        cases << Case{base + QStringLiteral("Initial Catalog=%1;User ID=NO_SUCH_ROLE").arg(m_pg->name()),
                      QStringLiteral("NO_SUCH_ROLE")}
              << Case{base + QStringLiteral("Initial Catalog=no_such_db;User ID=%1").arg(s.user),
                      QStringLiteral("no_such_db")}
              << Case{QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1:1;Initial Catalog=x"),
                      QStringLiteral("127.0.0.1")};
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.initString.toStdString());
        TADOConnection conn;
        QStringList events;
        conn.OnConnectComplete = [&](TADOConnection &, const QString &error, TEventStatus status) {
            events << (status == TEventStatus::esOK ? QStringLiteral("ok") : error);
        };
        conn.SetConnectionString(c.initString);
        const QString message = failureOf([&] { conn.Open(); });
        EXPECT_TRUE(message.contains(c.expected, Qt::CaseInsensitive)) << message.toStdString();
        EXPECT_FALSE(conn.Connected());
        ASSERT_EQ(events.size(), 1);
        EXPECT_EQ(events.first(), message);
    }
    EXPECT_FALSE(QFileInfo::exists(other.path()));
    QFile check(notADatabase.fileName());
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray(4096, 'x'));
}

TEST(DatabaseConnectionString, MalformedOrUnknownProviderIsRefusedBeforeAnyOpen)
{
    for (const char *text : {"Provider=Oracle;Data Source=x", "Data Source=x;Initial Catalog=y", "Provider=SQLite;junk",
                             "Provider=SQLite;Data Source=\"unclosed"}) {
        TADOConnection c;
        EXPECT_FALSE(failureOf([&] { c.SetConnectionString(QString::fromUtf8(text)); }).isEmpty()) << text;
        EXPECT_TRUE(c.ConnectionString().isEmpty());
    }
}

TEST_P(DatabaseConnection, TablesAreMadeInTheSchemaAndFoundUnqualified)
{
    db->Execute(QStringLiteral("create table ZOLT.KEPT (A integer)"));
    db->Execute(QStringLiteral("insert into KEPT (A) values (1)"));
    // SQLite would make an unqualified table in the in-memory main database, lost at disconnect: refused.
    const QString unqualified = failureOf([&] { db->Execute(QStringLiteral("create table LOST (A integer)")); });
    EXPECT_EQ(unqualified.isEmpty(), !isSqlite()) << unqualified.toStdString();
    db->Close();
    db->Open();
    EXPECT_EQ(db->SelectValue(QStringLiteral("select count(*) from KEPT")).toInt(), 1);
    EXPECT_EQ(db->SqlDialect()->tableExists(*db, QStringLiteral("LOST")), !isSqlite());
}

TEST_P(DatabaseConnection, ParametersOfEveryTypeRoundTrip)
{
    makeTable();
    TADOCommand insert(db.get());
    insert.SetCommandText(QStringLiteral("insert into ZOLT.T (ID, NAME, AMOUNT, D, F) values (:ID, :NAME, :AMOUNT, :D, :F)"));
    ASSERT_EQ(insert.Parameters.Count(), 5);
    struct Row
    {
        QVariant id, name, amount, date, f;
    };
    const QDateTime when(QDate(2024, 2, 29), QTime(13, 5, 9));
    const QList<Row> rows = {
        {1, QStringLiteral("O'Brien; -- \\ Иванов"), 1234567.89, when, -0.125},
        {2, QString(), QVariant(), QVariant(QMetaType(QMetaType::QDate)), QVariant()},
        {3, QStringLiteral(""), 0.0, QDate(4712, 12, 31), 1e-7},
        {-4, QStringLiteral("x"), -2.5, when.addSecs(-13 * 3600 - 5 * 60 - 9), 3.0},
    };
    for (const Row &r : rows) {
        insert.Parameters.ParamByName(QStringLiteral("ID")).SetValue(r.id);
        insert.Parameters.ParamByName(QStringLiteral("name")).SetValue(r.name);
        insert.Parameters.ParamByName(QStringLiteral("AMOUNT")).SetValue(r.amount);
        insert.Parameters.ParamByName(QStringLiteral("D")).SetValue(r.date);
        insert.Parameters.ParamByName(QStringLiteral("F")).SetValue(r.f);
        EXPECT_EQ(insert.Execute(), 1);
    }
    QSqlQuery q = db->OpenQuery(QStringLiteral("select ID, NAME, AMOUNT, D, F from ZOLT.T order by ID"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toInt(), -4);
    EXPECT_EQ(asDateTime(q.value(3)), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("O'Brien; -- \\ Иванов"));
    EXPECT_DOUBLE_EQ(q.value(2).toDouble(), 1234567.89);
    EXPECT_EQ(asDateTime(q.value(3)), when);
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), -0.125);
    ASSERT_TRUE(q.next());
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(q.value(i).isNull()) << "column " << i << " of the row of nulls";
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.value(1).isNull()) << "an empty text is written as null";
    EXPECT_EQ(asDateTime(q.value(3)), QDateTime(QDate(4712, 12, 31), QTime(0, 0)));
    EXPECT_DOUBLE_EQ(q.value(4).toDouble(), 1e-7);
    if (isSqlite()) {
        const QVariant text = db->SelectValue(QStringLiteral("select D from ZOLT.T where ID = 3"));
        EXPECT_EQ(text.toString(), QStringLiteral("4712-12-31 00:00:00"));
    }
}

TEST_P(DatabaseConnection, ParameterTextsAreNotParsedInsideQuotesAndRepeatsBindTheSameValue)
{
    const TParams params = ParamsOf({{QStringLiteral("P_X"), 7}, {QStringLiteral("P_NONE"), QVariant()}});
    EXPECT_EQ(db->SelectValue(QStringLiteral("select CONCAT(':P_X', ' :P_Y ', CASE WHEN :P_NONE IS NULL THEN "
                                             ":P_X + :P_X ELSE 0 END) /* :P_Z */"),
                              params)
                  .toString(),
              QStringLiteral(":P_X :P_Y 14"));
    EXPECT_TRUE(failureOf([&] { db->SelectValue(QStringLiteral("select :P_MISSING"), params); })
                    .contains(QStringLiteral("P_MISSING")));
}

TEST_P(DatabaseConnection, OrderByADateColumnIsChronological)
{
    makeTable();
    TADOCommand insert(db.get());
    insert.SetCommandText(QStringLiteral("insert into ZOLT.T (ID, D) values (:ID, :D)"));
    const QList<QDateTime> dates = {QDateTime(QDate(2024, 2, 9), QTime(0, 0)), QDateTime(QDate(2024, 10, 1), QTime(9, 0)),
                                    QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)),
                                    QDateTime(QDate(2024, 2, 9), QTime(8, 0))};
    for (int i = 0; i < dates.size(); ++i) {
        insert.Parameters.ParamByName(QStringLiteral("ID")).SetValue(i);
        insert.Parameters.ParamByName(QStringLiteral("D")).SetValue(i % 2 ? QVariant(dates[i]) : QVariant(dates[i].date()));
        insert.Execute();
    }
    QSqlQuery q = db->OpenQuery(QStringLiteral("select ID from ZOLT.T where D >= :FROM and D < :TILL order by D"),
                                ParamsOf({{QStringLiteral("FROM"), QDate(2024, 2, 1)}, {QStringLiteral("TILL"), QDate(2024, 11, 1)}}));
    QList<int> order;
    while (q.next())
        order << q.value(0).toInt();
    EXPECT_EQ(order, (QList<int>{0, 3, 1}));
}

TEST_P(DatabaseConnection, RollbackUndoesAndCommitKeeps)
{
    makeTable();
    auto count = [&] { return db->SelectValue(QStringLiteral("select count(*) from ZOLT.T")).toInt(); };
    EXPECT_FALSE(db->InTransaction());
    db->BeginTrans();
    EXPECT_TRUE(db->InTransaction());
    EXPECT_FALSE(failureOf([&] { db->BeginTrans(); }).isEmpty());
    db->Execute(QStringLiteral("insert into ZOLT.T (ID) values (1)"));
    db->RollbackTrans();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(failureOf([&] { db->CommitTrans(); }).isEmpty());

    db->BeginTrans();
    db->Execute(QStringLiteral("insert into ZOLT.T (ID) values (2)"));
    db->CommitTrans();
    EXPECT_EQ(count(), 1);
}

TEST_P(DatabaseConnection, OutsideATransactionEachStatementCommitsOnItsOwn)
{
    makeTable();
    auto second = connect();
    auto seen = [&] { return second->SelectValue(QStringLiteral("select count(*) from ZOLT.T")).toInt(); };
    db->Execute(QStringLiteral("insert into ZOLT.T (ID) values (1)"));
    EXPECT_EQ(seen(), 1);
    db->BeginTrans();
    db->Execute(QStringLiteral("insert into ZOLT.T (ID) values (2)"));
    EXPECT_EQ(seen(), 1) << "read committed: an open transaction is not seen";
    db->CommitTrans();
    EXPECT_EQ(seen(), 2);
    EXPECT_FALSE(failureOf([&] { db->Execute(QStringLiteral("insert into ZOLT.NO_SUCH (ID) values (1)")); }).isEmpty());
    EXPECT_EQ(seen(), 2);
}

TEST_P(DatabaseConnection, TraceEventsCarryStatementsParametersAndOutcomes)
{
    makeTable();
    QStringList lines;
    TADOConnection c;
    c.SetConnectionString(initString());
    auto status = [](const QString &error, TEventStatus s) {
        return s == TEventStatus::esOK ? QStringLiteral("ok") : QStringLiteral("error ") + error;
    };
    c.BeforeConnect = [&](TADOConnection &) { lines << QStringLiteral("before connect"); };
    c.OnConnectComplete = [&](TADOConnection &, const QString &e, TEventStatus s) { lines << "connect " + status(e, s); };
    c.AfterConnect = [&](TADOConnection &) { lines << QStringLiteral("after connect"); };
    c.OnBeginTransComplete = [&](TADOConnection &, const QString &e, TEventStatus s) { lines << "begin " + status(e, s); };
    c.OnCommitTransComplete = [&](TADOConnection &, const QString &e, TEventStatus s) { lines << "commit " + status(e, s); };
    c.OnRollbackTransComplete = [&](TADOConnection &, const QString &e, TEventStatus s) {
        lines << "rollback " + status(e, s);
    };
    c.OnDisconnect = [&](TADOConnection &) { lines << QStringLiteral("disconnect"); };
    c.AfterDisconnect = [&](TADOConnection &) { lines << QStringLiteral("after disconnect"); };
    c.OnWillExecute = [&](TADOConnection &, const TExecuteInfo &info) {
        QString line = QStringLiteral("will %1 %2").arg(int(info.Source)).arg(info.CommandText);
        for (const TParam &p : *info.Parameters)
            line += QStringLiteral(" %1=%2").arg(p.Name(), p.IsNull() ? QStringLiteral("Null") : p.Value().toString());
        lines << line;
    };
    c.OnExecuteComplete = [&](TADOConnection &, double seconds, const QString &e, TEventStatus s) {
        EXPECT_GE(seconds, 0.0);
        lines << "complete " + status(e, s).left(5);
    };
    c.Open();
    TADOCommand cmd(&c);
    cmd.SetCommandText(QStringLiteral("insert into ZOLT.T (ID, NAME) values (:ID, :NAME)"));
    cmd.Parameters.ParamByName(QStringLiteral("ID")).SetValue(5);
    c.BeginTrans();
    cmd.Execute();
    c.CommitTrans();
    c.BeginTrans();
    EXPECT_THROW(c.Execute(QStringLiteral("select * from ZOLT.NO_SUCH")), EDatabaseError);
    c.RollbackTrans();
    c.Close();
    const QStringList expected = {
        QStringLiteral("before connect"),
        QStringLiteral("connect ok"),
        QStringLiteral("after connect"),
        QStringLiteral("begin ok"),
        QStringLiteral("will 1 insert into ZOLT.T (ID, NAME) values (:ID, :NAME) ID=5 NAME=Null"),
        QStringLiteral("complete ok"),
        QStringLiteral("commit ok"),
        QStringLiteral("begin ok"),
        QStringLiteral("will 0 select * from ZOLT.NO_SUCH"),
        QStringLiteral("complete error"),
        QStringLiteral("rollback ok"),
        QStringLiteral("disconnect"),
        QStringLiteral("after disconnect"),
    };
    EXPECT_EQ(lines, expected) << lines.join(QLatin1Char('\n')).toStdString();
}

TEST_P(DatabaseConnection, ACloneServesAnotherThread)
{
    makeTable();
    QString workerError;
    QString misuse;
    std::thread worker([&] {
        try {
            misuse = failureOf([&] { db->Execute(QStringLiteral("insert into ZOLT.T (ID) values (0)")); });
            auto own = db->CloneForThread();
            EXPECT_TRUE(own->Connected());
            own->BeginTrans();
            for (int i = 1; i <= 3; ++i)
                own->Execute(QStringLiteral("insert into ZOLT.T (ID) values (:ID)"), ParamsOf({{QStringLiteral("ID"), i}}));
            own->CommitTrans();
        } catch (const EDatabaseError &e) {
            workerError = e.message();
        }
    });
    worker.join();
    EXPECT_TRUE(workerError.isEmpty()) << workerError.toStdString();
    EXPECT_TRUE(misuse.contains(QStringLiteral("thread"))) << misuse.toStdString();
    EXPECT_EQ(db->SelectValue(QStringLiteral("select sum(ID) from ZOLT.T")).toInt(), 6);
}

TEST_P(DatabaseConnection, CommandAnswersRowsAffectedAndFollowsItsText)
{
    makeTable();
    for (int i = 1; i <= 3; ++i)
        db->Execute(QStringLiteral("insert into ZOLT.T (ID, NAME) values (:ID, 'a')"), ParamsOf({{QStringLiteral("ID"), i}}));
    TADOCommand cmd(db.get());
    cmd.SetCommandText(QStringLiteral("update ZOLT.T set NAME = :NAME where ID >= :FROM"));
    cmd.Parameters.ParamByName(QStringLiteral("NAME")).SetValue(QStringLiteral("b"));
    cmd.Parameters.ParamByName(QStringLiteral("FROM")).SetValue(2);
    EXPECT_EQ(cmd.Execute(), 2);
    cmd.SetCommandText(QStringLiteral("update ZOLT.T set NAME = :NAME where ID < :TILL"));
    ASSERT_EQ(cmd.Parameters.Count(), 2);
    EXPECT_EQ(cmd.Parameters[0].Value().toString(), QStringLiteral("b")) << "a parameter that stays keeps its value";
    EXPECT_TRUE(cmd.Parameters[1].IsNull());
    EXPECT_EQ(cmd.Execute(), 0) << "ID < NULL selects nothing";
    EXPECT_THROW(cmd.Parameters.ParamByName(QStringLiteral("FROM")), EDatabaseError);
}

// Outside databases are reached through ODBC; the test defines its DSN over the SQLite ODBC driver.
TEST(DatabaseOdbc, ConnectsThroughADataSourceName)
{
    TempSqliteFile file;
    {
        TADOConnection creator;
        creator.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(file.path()));
        creator.SetCreateIfMissing(true);
        creator.Open();
        creator.Execute(QStringLiteral("create table ZOLT.SUBSCRIBER (ID integer, NAME varchar(20))"));
        creator.Execute(QStringLiteral("insert into ZOLT.SUBSCRIBER values (7, 'Петров')"));
    }
    const QString ini = file.dir() + QStringLiteral("/odbc.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[tarvik-test]\nDriver=SQLite3\nDatabase=%1\n").arg(file.path()).toUtf8());
    f.close();
    const QByteArray previous = qgetenv("ODBCINI");
    qputenv("ODBCINI", ini.toLocal8Bit());

    TADOConnection c;
    c.SetConnectionString(QStringLiteral("ODBC;DSN=tarvik-test"));
    EXPECT_EQ(c.Provider(), TADOConnection::TProvider::ODBC);
    EXPECT_EQ(c.SqlDialect(), nullptr);
    c.Open();
    EXPECT_EQ(c.SelectValue(QStringLiteral("select NAME from SUBSCRIBER where ID = :ID"), ParamsOf({{QStringLiteral("ID"), 7}}))
                  .toString(),
              QStringLiteral("Петров"));
    c.Close();

    TADOConnection missing;
    missing.SetConnectionString(QStringLiteral("ODBC;DSN=no-such-dsn"));
    EXPECT_THROW(missing.Open(), EDatabaseError);
    if (previous.isNull())
        qunsetenv("ODBCINI");
    else
        qputenv("ODBCINI", previous);
}

TEST_P(DatabaseConnection, MoneyParametersAreRoundedToTheirScaleBeforeBinding)
{
    TParams params;
    TParam &sum = params.CreateParam(ftFloat, QStringLiteral("P_SUM"));
    sum.SetNumericScale(2);
    const QString sql = QStringLiteral("select CAST(:P_SUM AS %1)").arg(db->SqlDialect()->doubleType());
    for (const auto &[value, expected] : {std::pair{2.675, 2.68}, {-2.675, -2.68}, {1.005, 1.01}, {0.994999, 0.99}}) {
        sum.SetValue(value);
        EXPECT_DOUBLE_EQ(db->SelectValue(sql, params).toDouble(), expected) << value;
    }
    sum.SetNumericScale(-1);
    sum.SetValue(2.675);
    EXPECT_DOUBLE_EQ(db->SelectValue(sql, params).toDouble(), 2.675);
}
