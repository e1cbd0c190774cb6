// A close killed half-way leaves the database as it was: the month open and every balance unchanged.
#include "BalanceEngine.h"
#include "EngineFixture.h"
#include "dmuDebtCalc.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <cstdio>

namespace {

constexpr const char *ChildVariable = "TARVIK_CLOSE_CHILD_CONNECTIONS";

// The child: closes the open month in slices of 500 customers, says so once rows of the close are written, and
// waits to be killed.
void closeUntilKilled()
{
    const QString folder = qEnvironmentVariable(ChildVariable);
    TDMR dmr;
    dmr.SetConnectionsFolder(folder);
    ASSERT_TRUE(dmr.DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
    TdmDebtCalc calc(&dmr);
    calc.SetSliceSize(500);
    calc.OnProgress = [](int done, int) {
        if (done == 700) {
            std::printf("rows written\n");
            std::fflush(stdout);
            for (;;)
                QThread::sleep(1);
        }
    };
    calc.closeAccountingMonth(0, dmr.AccDate());
    FAIL() << "the close ended before it was killed";
}

class CloseUntilKilled : public testing::Test
{
    void TestBody() override { closeUntilKilled(); }
};

// Registered only in the child process, so that ordinary runs do not list it as a test that did not run.
[[maybe_unused]] const bool childRegistered =
    qEnvironmentVariableIsSet(ChildVariable)
    && (testing::RegisterTest("EngineCrashChild", "CloseUntilKilled", nullptr, nullptr, __FILE__, __LINE__,
                              []() -> testing::Test * { return new CloseUntilKilled; }),
        true);

class EngineCrash : public EngineDb
{
protected:
    // 2,000 customers with a subscription, a payment in the open month and one after it.
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
    }

    // Everything a close writes, in one text.
    QString state()
    {
        auto value = [this](const char *sql) {
            return dmr->dbConnection()->SelectValue(QString::fromLatin1(sql)).toString();
        };
        return QStringLiteral("acc %1; rows %2 sum %3; debts in %4 sum %5")
            .arg(dmr->AccDate().toString(Qt::ISODate), value("select count(*) from ZOLT.PAY_ACCOUNT"),
                 value("select round(sum(DEBT_SUM), 2) from ZOLT.PAY_ACCOUNT"),
                 value("select round(sum(DEBT_IN_SUM), 2) from ZOLT.CUSTOMER"),
                 value("select round(sum(DEBT_SUM), 2) from ZOLT.CUSTOMER"));
    }
};

TEST_P(EngineCrash, KilledCloseLeavesTheMonthOpenAndEveryBalanceAsBefore)
{
    makeLargeOperator();
    dmr->RemoveAllCalculation();
    TdmDebtCalc calc(dmr.get());
    ASSERT_TRUE(calc.closeAccountingMonth(0, dmr->AccDate()));
    const QString before = state();
    ASSERT_TRUE(before.startsWith(QStringLiteral("acc 2024-02-01; rows 4000"))) << before.toStdString();
    dmr->DbLogOut();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(ChildVariable), fixture->connectionsFolder());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=EngineCrashChild.CloseUntilKilled")});
    ASSERT_TRUE(child.waitForStarted());
    QByteArray output;
    while (!output.contains("rows written") && child.state() == QProcess::Running) {
        child.waitForReadyRead(30000);
        output += child.readAllStandardOutput();
    }
    ASSERT_TRUE(output.contains("rows written")) << output.toStdString();
    child.kill();
    ASSERT_TRUE(child.waitForFinished());

    dmr = fixture->makeReadyDmr();
    EXPECT_EQ(state(), before);
    // And the close runs to its end afterwards.
    TdmDebtCalc again(dmr.get());
    EXPECT_TRUE(again.closeAccountingMonth(0, dmr->AccDate()));
    EXPECT_TRUE(state().startsWith(QStringLiteral("acc 2024-03-01; rows 6000"))) << state().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineCrash, ::testing::Values(TestEngine::SQLite), engineName);

} // namespace
