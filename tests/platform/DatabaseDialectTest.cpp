// Every spelling of the dialect and every function registered on SQLite, run on both engines with the same
// statements and the same expectations.
#include "DatabaseError.h"
#include "DatabaseFixture.h"
#include "Services.h"
#include "SqliteFunctions.h"

#include <QCoreApplication>

class DatabaseDialect : public DatabaseTest
{
protected:
    const Dialect &d() const { return *db->SqlDialect(); }
    QVariant value(const QString &sql) { return db->SelectValue(QStringLiteral("select ") + sql); }
    QString text(const QString &sql) { return value(sql).toString(); }
    void run(const QStringList &statements)
    {
        for (const QString &s : statements)
            if (!s.isEmpty())
                db->Execute(s);
    }
};
TARVIK_DATABASE_SUITE(DatabaseDialect);

TEST_P(DatabaseDialect, RegisteredDateFunctions)
{
    struct Case
    {
        const char *expression;
        const char *expected;
    };
    const Case cases[] = {
        {"TO_CHAR(TO_DATE('31/12/4712','DD/MM/YYYY'), 'YYYY-MM-DD HH24:MI:SS')", "4712-12-31 00:00:00"},
        {"TO_CHAR(TO_DATE('1/2/2024','DD/MM/YYYY'), 'DD.MM.YYYY')", "01.02.2024"},
        {"TO_CHAR(TO_DATE('05.03.2024 14:07:09','DD.MM.YYYY HH24:MI:SS'), 'YYYY.MM HH24:MI:SS')", "2024.03 00:00:00"},
        {"TO_CHAR(:P_TIME, 'DD HH24:MI:SS')", "05 14:07:09"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('31/01/2024','DD/MM/YYYY'), 1), 'YYYY-MM-DD')", "2024-02-29"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('29/02/2024','DD/MM/YYYY'), 1), 'YYYY-MM-DD')", "2024-03-31"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('31/01/2023','DD/MM/YYYY'), 1), 'YYYY-MM-DD')", "2023-02-28"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('30/01/2024','DD/MM/YYYY'), 1), 'YYYY-MM-DD')", "2024-02-29"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('31/03/2024','DD/MM/YYYY'), -1), 'YYYY-MM-DD')", "2024-02-29"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('28/02/2023','DD/MM/YYYY'), 12), 'YYYY-MM-DD')", "2024-02-29"},
        {"TO_CHAR(ADD_MONTHS(TO_DATE('15/01/2024','DD/MM/YYYY'), -13), 'YYYY-MM-DD')", "2022-12-15"},
        {"TO_CHAR(ADD_MONTHS(:P_TIME, 1), 'YYYY-MM-DD HH24:MI:SS')", "2024-04-05 14:07:09"},
    };
    const TParams time = ParamsOf({{QStringLiteral("P_TIME"), QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))}});
    for (const Case &c : cases)
        EXPECT_EQ(db->SelectValue(QStringLiteral("select ") + QString::fromLatin1(c.expression), time).toString(),
                  QString::fromLatin1(c.expected))
            << c.expression;
    EXPECT_TRUE(value(QStringLiteral("TO_DATE(NULL, 'DD/MM/YYYY')")).isNull());
    EXPECT_TRUE(value(QStringLiteral("ADD_MONTHS(NULL, 1)")).isNull());
    EXPECT_THROW(value(QStringLiteral("TO_DATE('31/02/2024','DD/MM/YYYY')")), EDatabaseError);
    // A date condition written with TO_DATE selects by time order on both engines.
    EXPECT_EQ(value(QStringLiteral("CASE WHEN TO_DATE('09/02/2024','DD/MM/YYYY') < TO_DATE('10/01/2024','DD/MM/YYYY') "
                                   "THEN 1 ELSE 0 END"))
                  .toInt(),
              0);
}

TEST_P(DatabaseDialect, RegisteredTextAndNumberFunctions)
{
    struct Case
    {
        const char *expression;
        const char *expected;
    };
    const Case cases[] = {
        {"TO_CHAR(12.5, '9999999999999990.99')", "               12.50"},
        {"TO_CHAR(0.005, '990.99')", "   0.01"},
        {"TO_CHAR(2.675, '990.99')", "   2.68"},
        {"TO_CHAR(-3.456, '990.99')", "  -3.46"},
        {"TO_CHAR(-0.001, '990.99')", "   0.00"},
        {"TO_CHAR(0.5, '999.99')", "    .50"},
        {"TO_CHAR(12345, '990.99')", " ###.##"},
        {"TO_CHAR(7, '999')", "   7"},
        {"CONCAT('a', NULL, 'b')", "ab"},
        {"CONCAT(NULL, NULL)", ""},
        {"CONCAT('Иванов', ' ', 'И.')", "Иванов И."},
        {"LPAD('7', 3)", "  7"},
        {"LPAD('7', 3, '0')", "007"},
        {"LPAD('abcd', 2)", "ab"},
        {"LPAD('x', 5, 'ab')", "ababx"},
        {"LPAD('дом', 4)", " дом"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(text(QString::fromUtf8(c.expression)), QString::fromUtf8(c.expected)) << c.expression;
    EXPECT_TRUE(value(QStringLiteral("LPAD(NULL, 3)")).isNull());
    EXPECT_TRUE(value(QStringLiteral("TO_CHAR(CAST(NULL AS INTEGER), '990.99')")).isNull());
}

TEST_P(DatabaseDialect, DateArithmeticAndTheCurrentTime)
{
    // The current time is a calendar value too: compared by the wall clock.
    auto wallClock = [](int seconds) {
        const QDateTime local = QDateTime::currentDateTime().addSecs(seconds);
        return QDateTime(local.date(), local.time(), Qt::UTC);
    };
    const QString sysdate = QStringLiteral("TO_CHAR(%1, 'YYYY-MM-DD HH24:MI:SS')").arg(d().sysdate());
    const QDateTime before = wallClock(-2);
    const QDateTime now = parseSqliteDate(text(sysdate));
    EXPECT_GE(now, before);
    EXPECT_LE(now, wallClock(2));
    if (isSqlite()) {
        // The embedded engine and the program's clock tell the machine's zone, as it stands when asked: east and
        // west of UTC, with summer time, and back.
        const QByteArray zone = qgetenv("TZ");
        for (const char *tz : {"<+10>-10", "<-0330>3:30", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
            qputenv("TZ", tz);
            const QDateTime from = wallClock(-2);
            const QDateTime local = parseSqliteDate(text(sysdate));
            const QDateTime clock = Services::clock()->now();
            EXPECT_TRUE(local >= from && local <= wallClock(2)) << tz << ": " << local.toString().toStdString();
            EXPECT_LE(qAbs(clock.secsTo(QDateTime::currentDateTime())), 2) << tz;
            EXPECT_LE(qAbs(QDateTime(clock.date(), clock.time(), Qt::UTC).secsTo(wallClock(0))), 2) << tz;
            // Date arithmetic does not pass through the zone: a month later is the same wall-clock time even
            // where that hour is skipped when the clocks go forward.
            EXPECT_EQ(text(QStringLiteral("ADD_MONTHS('2024-02-29 02:30:00', 1)")), QStringLiteral("2024-03-31 02:30:00"))
                << tz;
        }
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        EXPECT_LE(qAbs(parseSqliteDate(text(sysdate)).secsTo(wallClock(0))), 2);
    }

    const QString jan31 = QStringLiteral(":P_JAN31");
    const TParams p = ParamsOf({{QStringLiteral("P_JAN31"), QDateTime(QDate(2024, 1, 31), QTime(18, 30))}});
    const QString mar1 = QStringLiteral("TO_DATE('01/03/2024','DD/MM/YYYY')");
    EXPECT_EQ(value(QStringLiteral("CAST(%1 AS INTEGER)").arg(d().daysBetween(mar1, QStringLiteral("TO_DATE('31/01/2024','DD/MM/YYYY')"))))
                  .toInt(),
              30);
    EXPECT_EQ(db->SelectValue(QStringLiteral("select TO_CHAR(%1, 'YYYY-MM-DD HH24:MI:SS')")
                                  .arg(d().addDays(jan31, QStringLiteral("1"))), p)
                  .toString(),
              QStringLiteral("2024-02-01 18:30:00"));
    EXPECT_EQ(db->SelectValue(QStringLiteral("select TO_CHAR(%1, 'YYYY-MM-DD HH24:MI:SS')").arg(d().truncDate(jan31)), p)
                  .toString(),
              QStringLiteral("2024-01-31 00:00:00"));
}

TEST_P(DatabaseDialect, DoubleTypeKeepsCentsAndTheHintIsDropped)
{
    EXPECT_DOUBLE_EQ(value(QStringLiteral("CAST(1234567.89 AS %1)").arg(d().doubleType())).toDouble(), 1234567.89);
    EXPECT_TRUE(d().optimizerHint(QStringLiteral("/*+ USE_HASH(PS) */")).isEmpty());
}

TEST_P(DatabaseDialect, CatalogueQuestionsAndDdlForms)
{
    run({QStringLiteral("CREATE TABLE ZOLT.CUSTOMER (CUSTOMER_ID %1 NOT NULL, PHONE_NO %2, CUST_STATE %3, "
                        "CONSTRAINT XPKCUSTOMER PRIMARY KEY (CUSTOMER_ID))")
             .arg(d().columnType(QStringLiteral("NUMBER(10)")), d().columnType(QStringLiteral("VARCHAR2(20)")),
                  d().columnType(QStringLiteral("NUMBER(2)"))),
         QStringLiteral("CREATE TABLE ZOLT.HOUSE (HOUSE_ID %1 NOT NULL PRIMARY KEY)").arg(d().columnType(QStringLiteral("NUMBER(10)")))});
    EXPECT_TRUE(d().tableExists(*db, QStringLiteral("CUSTOMER")));
    EXPECT_TRUE(d().tableExists(*db, QStringLiteral("customer")));
    EXPECT_FALSE(d().tableExists(*db, QStringLiteral("NO_SUCH")));
    EXPECT_FALSE(d().tableExists(*db, QStringLiteral("CUSTOMER' or '1'='1")));
    EXPECT_TRUE(d().columnExists(*db, QStringLiteral("CUSTOMER"), QStringLiteral("PHONE_NO")));
    EXPECT_FALSE(d().columnExists(*db, QStringLiteral("CUSTOMER"), QStringLiteral("NO_SUCH")));
    EXPECT_EQ(d().columnWidth(*db, QStringLiteral("CUSTOMER"), QStringLiteral("PHONE_NO")), 20);
    EXPECT_EQ(d().columnWidth(*db, QStringLiteral("CUSTOMER"), QStringLiteral("CUST_STATE")), 2);
    EXPECT_EQ(d().columnWidth(*db, QStringLiteral("CUSTOMER"), QStringLiteral("NO_SUCH")), -1);
    EXPECT_EQ(d().constraintExists(*db, QStringLiteral("CUSTOMER"), QStringLiteral("XPKCUSTOMER")), !isSqlite());
    EXPECT_FALSE(d().constraintExists(*db, QStringLiteral("CUSTOMER"), QStringLiteral("FK_NONE")));

    const QString modify =
        d().modifyColumn(QStringLiteral("CUSTOMER"), QStringLiteral("PHONE_NO"), QStringLiteral("VARCHAR2(50)"));
    EXPECT_EQ(modify.isEmpty(), isSqlite());
    run({modify,
         d().addColumn(QStringLiteral("CUSTOMER"), QStringLiteral("HOUSE_ID"),
                       d().columnType(QStringLiteral("NUMBER(10)")) + QStringLiteral(" DEFAULT 0 NOT NULL")),
         d().addForeignKey(QStringLiteral("CUSTOMER"), QStringLiteral("FK_HOUSE_TO_CUSTOMER"), QStringLiteral("HOUSE_ID"),
                           QStringLiteral("HOUSE"), QStringLiteral("HOUSE_ID")),
         d().createIndex(QStringLiteral("XIF1CUSTOMER"), QStringLiteral("CUSTOMER"), QStringLiteral("HOUSE_ID, CUST_STATE"))});
    EXPECT_EQ(d().columnWidth(*db, QStringLiteral("CUSTOMER"), QStringLiteral("PHONE_NO")), isSqlite() ? 20 : 50);
    EXPECT_EQ(d().constraintExists(*db, QStringLiteral("CUSTOMER"), QStringLiteral("FK_HOUSE_TO_CUSTOMER")), !isSqlite());
    db->Execute(QStringLiteral("insert into ZOLT.HOUSE (HOUSE_ID) values (0)"));
    db->Execute(QStringLiteral("insert into ZOLT.CUSTOMER (CUSTOMER_ID) values (1)"));
    EXPECT_EQ(db->SelectValue(QStringLiteral("select HOUSE_ID from ZOLT.CUSTOMER")).toInt(), 0);

    // The view body is written unqualified, so that the SQLite file stays readable on its own.
    for (const QString &body : {QStringLiteral("select CUSTOMER_ID from CUSTOMER"),
                                QStringLiteral("select CUSTOMER_ID, HOUSE_ID from CUSTOMER")})
        run(d().createOrReplaceView(QStringLiteral("V_CUST"), body));
    EXPECT_EQ(db->SelectValue(QStringLiteral("select HOUSE_ID from ZOLT.V_CUST") + d().limit1()).toInt(), 0);

    for (const QString &bad : {QStringLiteral("CUSTOMER; drop table HOUSE"), QStringLiteral(""), QStringLiteral("1X")})
        EXPECT_THROW(d().createIndex(QStringLiteral("X"), bad, QStringLiteral("C")), EDatabaseError) << bad.toStdString();
    EXPECT_THROW(d().createIndex(QStringLiteral("X"), QStringLiteral("T"), QStringLiteral("A, B)--")), EDatabaseError);
}

TEST_P(DatabaseDialect, SequencesHandOutIncreasingValues)
{
    run(d().createSequenceStatements(QStringLiteral("CustLetterId_Seq")));
    EXPECT_EQ(d().nextSequenceValue(*db, QStringLiteral("CustLetterId_Seq")).toLongLong(), 1);
    db->BeginTrans();
    EXPECT_EQ(d().nextSequenceValue(*db, QStringLiteral("CUSTLETTERID_SEQ")).toLongLong(), 2);
    EXPECT_TRUE(db->InTransaction()) << "a sequence read joins the open transaction";
    db->CommitTrans();
    EXPECT_EQ(d().nextSequenceValue(*db, QStringLiteral("custletterid_seq")).toLongLong(), 3);
    EXPECT_FALSE(d().nextSequenceValue(*db, QStringLiteral("No_Such_Seq")).isValid());
}

TEST_P(DatabaseDialect, PasswordChange)
{
    // Roles belong to the whole server, which other test programs share: this one has a name of its own.
    const QString role = QStringLiteral("PWTEST_%1").arg(QCoreApplication::applicationPid());
    const QString statement = d().changePasswordStatement(role, QStringLiteral("it's \"new\";"));
    if (isSqlite()) {
        EXPECT_TRUE(statement.isEmpty()) << "SQLite has no accounts";
        return;
    }
    db->Execute(QStringLiteral("CREATE ROLE \"%1\" LOGIN").arg(role));
    db->Execute(statement);
    EXPECT_EQ(db->SelectValue(QStringLiteral("select count(*) from pg_roles where rolname = '%1'").arg(role)).toInt(), 1);
    db->Execute(QStringLiteral("DROP ROLE \"%1\"").arg(role));
}
