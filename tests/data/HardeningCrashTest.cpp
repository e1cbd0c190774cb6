// Work on the balances killed half-way leaves the database as it was (or, killed after its commit, as the work
// left it): the close, the reset of all calculation and the rollback of a month, on both engines, killed at
// several points: between statements, inside a batch of rows, just before and just after the commit. Every
// balance row, every customer's debts and the open month are compared.
#include "BalanceEngine.h"
#include "EngineFixture.h"
#include "ServiceFakes.h"
#include "dmuDebtCalc.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <cstdio>

namespace {

constexpr const char *ChildVariable = "TARVIK_CRASH_CHILD_CONNECTIONS";
constexpr const char *WorkVariable = "TARVIK_CRASH_WORK";
constexpr const char *PointVariable = "TARVIK_CRASH_POINT";

// Every balance row, every customer's debts and the open month, as one text.
QString snapshot(TADOConnection &c)
{
    auto number = [](const QVariant &v) { return v.isNull() ? QStringLiteral("null") : QString::number(v.toDouble()); };
    QString out = QStringLiteral("acc ") + ColumnDate(c.SelectValue(QStringLiteral("select ACC_DATE from ZOLT.MAIN_CFG")))
                                               .toString(Qt::ISODate);
    QSqlQuery rows = c.OpenQuery(QStringLiteral(
        "select CUSTOMER_ID, REL_DATE, DEBT_SUM from ZOLT.PAY_ACCOUNT order by CUSTOMER_ID, REL_DATE"));
    while (rows.next())
        out += QStringLiteral("\nrow %1 %2 %3")
                   .arg(rows.value(0).toLongLong())
                   .arg(ColumnDate(rows.value(1)).toString(Qt::ISODate), number(rows.value(2)));
    QSqlQuery debts = c.OpenQuery(
        QStringLiteral("select CUSTOMER_ID, DEBT_IN_SUM, DEBT_SUM from ZOLT.CUSTOMER order by CUSTOMER_ID"));
    while (debts.next())
        out += QStringLiteral("\ndebt %1 %2 %3")
                   .arg(debts.value(0).toLongLong())
                   .arg(number(debts.value(1)), number(debts.value(2)));
    return out;
}

QByteArray digest(const QString &text)
{
    return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex();
}

// The child stops for good and says so; after a commit it also says what the database then holds.
[[noreturn]] void stopHere(const QByteArray &line)
{
    std::printf("stopped %s\n", line.constData());
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

// The child: runs the work named by the environment and stops at the point it names:
//   "progress:N"            when the close has worked N customers;
//   "statement:TEXT:N"      before the N-th statement holding TEXT;
//   "commit:TEXT"           right after the first commit that follows a statement holding TEXT.
void runUntilKilled()
{
    TDMR dmr;
    dmr.SetConnectionsFolder(qEnvironmentVariable(ChildVariable));
    ASSERT_TRUE(dmr.DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
    FakeMessageService messages;
    messages.defaultAnswer = mrYes;
    TADOConnection &c = *dmr.dbConnection();

    const QStringList point = qEnvironmentVariable(PointVariable).split(QLatin1Char(':'));
    const QString kind = point.value(0);
    const QString text = point.value(1);
    int seen = 0;
    bool written = false;
    c.OnWillExecute = [&, previous = c.OnWillExecute](TADOConnection &conn, const TExecuteInfo &info) {
        if (previous)
            previous(conn, info);
        if (!info.CommandText.contains(text, Qt::CaseInsensitive))
            return;
        written = true;
        if (kind == QLatin1String("statement") && ++seen == point.value(2).toInt())
            stopHere(QByteArray());
    };
    c.OnCommitTransComplete = [&, previous = c.OnCommitTransComplete](TADOConnection &conn, const QString &error,
                                                                      TEventStatus status) {
        if (previous)
            previous(conn, error, status);
        if (kind == QLatin1String("commit") && written) {
            c.OnWillExecute = nullptr;
            stopHere(digest(snapshot(c)));
        }
    };

    const QString work = qEnvironmentVariable(WorkVariable);
    if (work == QLatin1String("close")) {
        TdmDebtCalc calc(&dmr);
        calc.SetSliceSize(500);
        calc.OnProgress = [&](int done, int) {
            if (kind == QLatin1String("progress") && done == text.toInt())
                stopHere(QByteArray());
        };
        calc.closeAccountingMonth(0, dmr.AccDate());
    } else if (work == QLatin1String("reset")) {
        dmr.RemoveAllCalculation();
    } else {
        dmr.ReturnAccPeriod(dmr.InitDate());
    }
    FAIL() << "the work ended before it was killed";
}

class RunUntilKilled : public testing::Test
{
    void TestBody() override { runUntilKilled(); }
};

// Registered only in the child process, so that ordinary runs do not list it as a test that did not run.
[[maybe_unused]] const bool childRegistered =
    qEnvironmentVariableIsSet(ChildVariable)
    && (testing::RegisterTest("HardeningCrashChild", "RunUntilKilled", nullptr, nullptr, __FILE__, __LINE__,
                              []() -> testing::Test * { return new RunUntilKilled; }),
        true);

class HardeningCrash : public EngineDb
{
protected:
    // 2,000 customers with a subscription, a payment in the open month and one after it; January closed, so
    // that February is open and every customer has two balance rows.
    void makeLargeOperator()
    {
        exec(QStringLiteral("delete from ZOLT.MAIN_CFG"));
        exec(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, DEBTMODE) "
                            "values (1, 1, '2024-01-01 00:00:00', '2024-01-01 00:00:00', 0)"));
        exec(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID, SERV_PACKAGE_ID) values (10, 'ТВ', 0, -1)"));
        tariff(1, 10, 31);
        QList<QVariantList> customers, services, periods, payments;
        const QDateTime jan(QDate(2024, 1, 1), QTime(0, 0));
        for (int id = 1; id <= 2000; ++id) {
            customers.append({id, QString::number(id), QStringLiteral("Абонент"), 1, id % 7});
            services.append({id, id, 10, 1});
            periods.append({id, id, id, 10, jan.addDays(id % 20), QDateTime(QDate(4712, 12, 31), QTime(0, 0))});
            payments.append({2 * id, 1, id, 10, jan.addDays(id % 28), 10 + id % 5});
            payments.append({2 * id + 1, 1, id, 10, jan.addMonths(1).addDays(id % 20), 3});
        }
        TADOConnection &c = *dmr->dbConnection();
        c.BeginTrans();
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.CUSTOMER"),
                                   {"CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "CUST_STATE", "START_DEBT_SUM"}, customers);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SUBSCR_SERV"),
                                   {"SUBSCR_SERV_ID", "CUSTOMER_ID", "SERV_ID", "STATE_SGN"}, services);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.SUBSCR_HIST"),
                                   {"SUBSCR_HIST_ID", "CUSTOMER_ID", "SUBSCR_SERV_ID", "SERV_ID", "DATE_FROM", "DATE_TO"},
                                   periods);
        TBalanceWriter::insertRows(c, QStringLiteral("ZOLT.PAYMENT"),
                                   {"PAYMENT_ID", "PAY_DOC_ID", "CUSTOMER_ID", "SERV_ID", "PAY_DATE", "PAY_SUM"}, payments);
        c.CommitTrans();
        ASSERT_TRUE(dmr->RemoveAllCalculation());
        TdmDebtCalc calc(dmr.get());
        ASSERT_TRUE(calc.closeAccountingMonth(0, dmr->AccDate()));
        ASSERT_TRUE(state().startsWith(QStringLiteral("acc 2024-02-01"))) << state().left(40).toStdString();
        dmr->DbLogOut();
    }

    QString state()
    {
        if (!dmr->Get_DatabaseConnectStatus()) {
            EXPECT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
        }
        return snapshot(*dmr->dbConnection());
    }

    // Runs the work in a child process stopped at `point`, kills it there and answers what the child said it
    // left (empty unless it stopped after a commit).
    QByteArray killAt(const char *work, const QString &point)
    {
        if (dmr->Get_DatabaseConnectStatus())
            dmr->DbLogOut();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildVariable), fixture->connectionsFolder());
        env.insert(QString::fromLatin1(WorkVariable), QString::fromLatin1(work));
        env.insert(QString::fromLatin1(PointVariable), point);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=HardeningCrashChild.RunUntilKilled")});
        EXPECT_TRUE(child.waitForStarted());
        QByteArray output;
        auto stopped = [&output] {
            const qsizetype at = output.indexOf("stopped ");
            return at >= 0 && output.indexOf('\n', at) > at;
        };
        while (!stopped() && child.state() == QProcess::Running) {
            child.waitForReadyRead(1000);
            output += child.readAllStandardOutput();
        }
        output += child.readAllStandardOutput();
        EXPECT_TRUE(stopped()) << point.toStdString() << "\n" << output.toStdString();
        child.kill();
        EXPECT_TRUE(child.waitForFinished());
        const qsizetype at = output.indexOf("stopped ") + 8;
        return output.mid(at, output.indexOf('\n', at) - at).trimmed();
    }

    // Kills the work at each point before its commit, expecting the state as before, then just after its
    // commit, expecting what the child saw committed; answers that last state.
    QString expectAtomic(const char *work, const QStringList &beforeCommit, const QString &commitPoint)
    {
        const QString before = state();
        for (const QString &point : beforeCommit) {
            killAt(work, point);
            const QString after = state();
            EXPECT_EQ(digest(after), digest(before)) << work << " killed at " << point.toStdString() << ": "
                                                     << after.left(200).toStdString();
        }
        const QByteArray committed = killAt(work, commitPoint);
        const QString after = state();
        EXPECT_NE(digest(after), digest(before)) << work << ": the commit changed nothing";
        EXPECT_EQ(digest(after), committed) << work << " killed after its commit";
        return after;
    }
};

TEST_P(HardeningCrash, AKilledCloseLeavesEveryBalanceAsBefore)
{
    makeLargeOperator();
    // The server takes new balance rows by COPY, SQLite by a prepared insert.
    const QString secondInsert = fixture->engine() == TestEngine::PostgreSQL
                                     ? QStringLiteral("statement:COPY ZOLT.PAY_ACCOUNT:2")
                                     : QStringLiteral("statement:insert into ZOLT.PAY_ACCOUNT:2");
    const QString after = expectAtomic("close",
                                       {QStringLiteral("progress:700"), secondInsert,
                                        QStringLiteral("statement:update ZOLT.CUSTOMER set DEBT_IN_SUM = V.column2:2"),
                                        QStringLiteral("statement:update ZOLT.MAIN_CFG set ACC_DATE:1")},
                                       QStringLiteral("commit:update ZOLT.MAIN_CFG set ACC_DATE"));
    EXPECT_TRUE(after.startsWith(QStringLiteral("acc 2024-03-01"))) << after.left(40).toStdString();
    EXPECT_EQ(after.count(QStringLiteral("\nrow ")), 6000);
}

TEST_P(HardeningCrash, AKilledResetLeavesEveryBalanceAsBefore)
{
    makeLargeOperator();
    const QString after = expectAtomic("reset",
                                       {QStringLiteral("statement:update ZOLT.MAIN_CFG set ACC_DATE:1"),
                                        QStringLiteral("statement:insert into ZOLT.PAY_ACCOUNT:1"),
                                        QStringLiteral("statement:update ZOLT.CUSTOMER set DEBT_IN_SUM = 0:1")},
                                       QStringLiteral("commit:update ZOLT.CUSTOMER set DEBT_IN_SUM = 0"));
    EXPECT_TRUE(after.startsWith(QStringLiteral("acc 2024-01-01"))) << after.left(40).toStdString();
    EXPECT_EQ(after.count(QStringLiteral("\nrow ")), 2000);
}

TEST_P(HardeningCrash, AKilledRollbackLeavesEveryBalanceAsBefore)
{
    makeLargeOperator();
    const QString after = expectAtomic("rollback", {QStringLiteral("statement:update ZOLT.MAIN_CFG set ACC_DATE:1")},
                                       QStringLiteral("commit:update ZOLT.MAIN_CFG set ACC_DATE"));
    EXPECT_TRUE(after.startsWith(QStringLiteral("acc 2024-01-01"))) << after.left(40).toStdString();
    EXPECT_EQ(after.count(QStringLiteral("\nrow ")), 2000);
}

INSTANTIATE_TEST_SUITE_P(Hardening, HardeningCrash, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
