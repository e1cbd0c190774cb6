// Faults found by review in the data module, each with the behaviour that replaced it: undoing the close in one
// transaction, scripts on a closed connection, and failed key look-ups.
#include "EngineFixture.h"
#include "ServiceFakes.h"
#include "dmuDM.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSqlQuery>

namespace {

// Makes every statement whose text holds `fragment` fail, as a refusing database would.
void failStatementsWith(TADOConnection &c, const QString &fragment)
{
    c.OnWillExecute = [previous = c.OnWillExecute, fragment](TADOConnection &conn, const TExecuteInfo &info) {
        if (previous)
            previous(conn, info);
        if (info.CommandText.contains(fragment, Qt::CaseInsensitive))
            throw EDatabaseError(QStringLiteral("refused by the test: ") + fragment);
    };
}

class HardeningData : public EngineDb
{
protected:
    // Every balance row, every customer's debts and the open month.
    QString state()
    {
        return QStringLiteral("acc %1\n").arg(accDate()) + payAccount().join(QLatin1Char('\n')) + QStringLiteral("\n")
               + debts(1) + QLatin1Char('|') + debts(2);
    }
    QString accDate() { return dmr->AccDate().toString(Qt::ISODate); }
};

TEST_P(HardeningData, AResetThatFailsMidwayChangesNothingAndSaysSo)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    const QString before = state();
    ASSERT_EQ(accDate(), QStringLiteral("2024-03-01"));
    FakeMessageService messages;
    // The last of its statements: every other one has run by then.
    failStatementsWith(*dmr->dbConnection(), QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = 0"));
    EXPECT_FALSE(dmr->RemoveAllCalculation());
    EXPECT_FALSE(dmr->dbConnection()->InTransaction());
    EXPECT_EQ(state(), before);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests[0].type, mtError);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Ошибка сброса расчетов."));

    // With nothing closed, the rollback resets: a failure there is not reported as "no closed periods".
    messages.requests.clear();
    exec(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = INIT_DATE"));
    const QString open = state();
    EXPECT_FALSE(dmr->ReturnAccPeriod(QDate(2024, 1, 1)));
    EXPECT_EQ(state(), open);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Ошибка сброса расчетов."));
}

TEST_P(HardeningData, ARollbackThatFailsMidwayChangesNothingAndSaysSo)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    const QString before = state();
    FakeMessageService messages;
    messages.answer(mrYes);
    failStatementsWith(*dmr->dbConnection(), QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE ="));
    EXPECT_FALSE(dmr->ReturnAccPeriod(QDate(2024, 1, 1)));
    EXPECT_FALSE(dmr->dbConnection()->InTransaction());
    EXPECT_EQ(state(), before);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Ошибка отката на предыдущий месяц."));
}

TEST_P(HardeningData, ChangingTheInitialisationDateWithAFailingResetDoesNotSayItWasReset)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    FakeClock clock;
    clock.setNow(QDateTime(QDate(2024, 3, 20), QTime(9, 0)));
    FakeMessageService messages;
    FakeShellService shell;
    TDM dm(dmr.get());
    int closeRequests = 0;
    const auto previous = setCloseApplicationHook([&] { ++closeRequests; });
    TKyv_ClientDataSet *cfg = dm.cdsMainCFG();
    cfg->Open();
    const QString before = payAccount().join(QLatin1Char('\n'));
    failStatementsWith(*dmr->dbConnection(), QStringLiteral("update ZOLT.CUSTOMER set DEBT_IN_SUM = 0"));
    cfg->Edit();
    cfg->FieldByName(QStringLiteral("INIT_DATE"))->SetValue(QDateTime(QDate(2024, 2, 1), QTime(0, 0)));
    cfg->Post();
    setCloseApplicationHook(previous);
    EXPECT_EQ(closeRequests, 0);
    EXPECT_EQ(payAccount().join(QLatin1Char('\n')), before);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Ошибка сброса расчетов."));
    for (const MessageRequest &r : messages.requests)
        EXPECT_FALSE(r.text.contains(QStringLiteral("сброшены"))) << r.text.toStdString();
}

TEST_P(HardeningData, AScriptOnAClosedConnectionFails)
{
    ASSERT_TRUE(dmr->DbLogOut());
    EXPECT_FALSE(dmr->ExecSqlScript(QStringLiteral("insert into ZOLT.TEAM (TEAM_ID, TEAM_NAME) values (9, 'X')")));
    EXPECT_FALSE(dmr->ExecSqlScript(QStringLiteral(" ; delete from ZOLT.TEAM")));
    EXPECT_TRUE(dmr->ExecSqlScript(QStringLiteral(" ; "))) << "nothing to run is not a failure";
}

TEST_P(HardeningData, AFailedKeyLookUpOrCountRaisesInsteadOfAnsweringZero)
{
    // GetNextNo and GetRecordsCount: with the identifiers' other cases in the session's tests.
    EXPECT_THROW(dmr->GetMinId(QStringLiteral("NO_COLUMN"), QStringLiteral("ZOLT.PAY_DOC")), EDatabaseError);
    EXPECT_THROW(dmr->GetRefCount(QStringLiteral("NO_COLUMN"), QStringLiteral("PAY_DOC"), 1), EDatabaseError);
}

// The three callers that wrote rows with key 0 now fail, and write nothing.
TEST_P(HardeningData, CallersOfAFailedKeyLookUpWriteNoRowWithKeyZero)
{
    makeOperator();
    dmr->RecalcAllCustomers(march(), 0);
    auto count = [this](const char *sql) {
        return dmr->dbConnection()->SelectValue(QString::fromLatin1(sql)).toInt();
    };

    failStatementsWith(*dmr->dbConnection(), QStringLiteral("MAX(TMP_CUST_BALANCE_ID)"));
    EXPECT_THROW(dmr->FillCustBalance(1, 0, march(), QDate()), EDatabaseError);
    EXPECT_EQ(count("select count(*) from ZOLT.TMP_CUST_BALANCE"), 0);

    FakeClock clock;
    clock.setNow(QDateTime(QDate(2024, 3, 20), QTime(9, 0)));
    FakeMessageService messages;
    FakeShellService shell;
    TDM dm(dmr.get());
    exec(QStringLiteral("delete from ZOLT.MAIN_CFG"));
    failStatementsWith(*dmr->dbConnection(), QStringLiteral("MAX(CFG_ID)"));
    EXPECT_THROW(dm.CreateDefaultMainCFG(), EDatabaseError);
    dmr->CommitWork();
    EXPECT_EQ(count("select count(*) from ZOLT.MAIN_CFG"), 0);

    failStatementsWith(*dmr->dbConnection(), QStringLiteral("MAX(USER_ID)"));
    TKyv_ClientDataSet *users = dm.cdsAppUser();
    users->Open();
    const int before = count("select count(*) from ZOLT.APP_USER");
    EXPECT_THROW(users->Append(), EDatabaseError);
    EXPECT_EQ(users->State(), dsBrowse);
    EXPECT_EQ(count("select count(*) from ZOLT.APP_USER"), before);
    EXPECT_EQ(dmr->UserId(), 1) << "the session's user stays";
}

// A register stored a second time (the user confirmed it) queues each customer as every other writer of the
// queue does: earlier queued months stay, the month the register starts and later ones are queued once.
TEST_P(HardeningData, StoringARegisterAgainQueuesEachCustomerOnceFromItsMonth)
{
    makeOperator();
    exec(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) values (1, '2024-01-01 00:00:00')"));
    exec(QStringLiteral("insert into ZOLT.INVALIDCUSTDEBT (CUSTOMER_ID, DATE_FROM) values (2, '2024-03-01 00:00:00')"));
    const QList<TDMR::TRegisterPayment> payments { { 1, 7, QDate(2024, 2, 10) }, { 2, 3, QDate(2024, 2, 15) },
        { 1, 2, QDate(2024, 3, 5) } };
    for (int store = 1; store <= 2; ++store) {
        SCOPED_TRACE(store);
        int docId = 0;
        ASSERT_TRUE(dmr->newPayDocWithPayments(
            0, QStringLiteral("5"), QStringLiteral("r"), 12, QDate(2024, 2, 20), payments, march(), docId))
            << dmr->LastCommandError().toStdString();
        QStringList queue;
        QSqlQuery q = dmr->dbConnection()->OpenQuery(
            QStringLiteral("select CUSTOMER_ID, DATE_FROM from ZOLT.INVALIDCUSTDEBT order by CUSTOMER_ID, DATE_FROM"));
        while (q.next())
            queue << QString::number(q.value(0).toInt()) + QLatin1Char(':')
                    + ColumnDate(q.value(1)).toString(Qt::ISODate);
        EXPECT_EQ(queue.join(QLatin1Char(' ')).toStdString(), "1:2024-01-01 1:2024-02-01 2:2024-02-01");
    }
}

// The company's location in the configuration row keeps its name when its type has no short name.
TEST_P(HardeningData, TheCompanysLocationShowsWithoutAShortTypeName)
{
    makeOperator();
    exec(QStringLiteral("insert into ZOLT.LOCATION_TYPE (LOCATION_TYPE_ID, LOCATION_TYPE_SHORT) values (9, null)"));
    exec(QStringLiteral(
        "insert into ZOLT.LOCATION (LOCATION_ID, LOCATION_NAME, LOCATION_TYPE_ID) values (5, 'Заречье', 9)"));
    exec(QStringLiteral("update ZOLT.COMPANY set LOCATION_ID = 5 where COMPANY_ID = 1"));
    FakeClock clock;
    clock.setNow(QDateTime(QDate(2024, 3, 20), QTime(9, 0)));
    FakeMessageService messages;
    FakeShellService shell;
    TDM dm(dmr.get());
    TKyv_ClientDataSet *cfg = dm.cdsMainCFG();
    cfg->Open();
    EXPECT_EQ(cfg->FieldByName(QStringLiteral("L_COMPANY_LOCATION"))->AsString().toStdString(), " Заречье");
}

// A data test whose database peer is missing fails and says to run ./test; it never passes as skipped.
TEST(HardeningDataTests, ADataTestWithoutItsDatabaseFailsNamingTheTestScript)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("TARVIK_PG_HOST"));
    env.remove(QStringLiteral("TARVIK_PG_PORT"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=Commands/CommandsTest.*/PostgreSQL")});
    ASSERT_TRUE(child.waitForFinished(300000));
    const QByteArray output = child.readAll();
    EXPECT_NE(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("./test")) << output.toStdString();
    EXPECT_FALSE(output.contains("SKIPPED")) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Hardening, HardeningData, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
