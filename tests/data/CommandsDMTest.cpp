// The provider data module: the configuration row's rules, the login, the filter record, the filters' lists and
// the update rule of every editable client dataset.
#include "DataFixture.h"
#include "LogSink.h"
#include "ServiceFakes.h"
#include "dmuDM.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

TEST(CommandsDM, OffersEachConnectionFileUpToItsFirstDot)
{
    QTemporaryDir dir;
    for (const char *name : {"a.udl", "b.test.udl", "notes.txt"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkpath(QStringLiteral("c.udl"));
    EXPECT_EQ(TDM::DatabaseChoices(dir.path()), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(TDM::DatabaseChoices(dir.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST(CommandsDM, FilterRecordStartsWithItsStartValues)
{
    FakeClock clock;
    clock.setNow(QDateTime(QDate(2024, 3, 15), QTime(10, 0)));
    FakeShellService shell;
    TDM dm(nullptr);
    TMemTable *t = dm.mdTempCFG();
    ASSERT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("DEBT_SIGN"))->AsInteger(), 4);
    EXPECT_EQ(t->FieldByName(QStringLiteral("SERV_ID"))->AsInteger(), -1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("PAYSOURCE_ID"))->AsInteger(), 1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("LetterTypeId3"))->AsInteger(), 1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("CUST_PROP_DESCR"))->AsString(), QStringLiteral("Все"));
    EXPECT_EQ(t->FieldByName(QStringLiteral("DATE_TO2"))->Value().toDate(), QDate(2024, 3, 15));
    EXPECT_TRUE(t->FieldByName(QStringLiteral("STREET_ID"))->IsNull());
    EXPECT_TRUE(t->FieldByName(QStringLiteral("WORK_DATE"))->IsNull());
    EXPECT_EQ(shell.layouts, QStringList{QStringLiteral("00000409")});
    EXPECT_EQ(dm.GetKindDM(), 1);
    EXPECT_EQ(TDM(nullptr, nullptr, {QStringLiteral("tarvik"), QStringLiteral("RemoteServer")}).GetKindDM(), 0);
}

// Refuses every change, as a database refusing a row would.
class RefusingProvider : public TCustomProvider
{
public:
    TDataPacket GetRecords(const QString &, const TParams &) override
    {
        TDataPacket p;
        TFieldDef id;
        id.Name = QStringLiteral("ID");
        id.DataType = ftInteger;
        p.fields = {id};
        p.rows = {{1}};
        return p;
    }
    TApplyResult ApplyUpdates(const QList<TFieldDef> &, const std::vector<TDeltaRecord> &delta, int) override
    {
        TApplyResult r;
        r.processed = int(delta.size());
        r.errorCount = 1;
        r.errors << TUpdateErrorInfo{0, QStringLiteral("unique constraint violated"), QStringLiteral("update T")};
        return r;
    }
    bool FetchRow(const QList<TFieldDef> &, const std::vector<QVariant> &, std::vector<QVariant> &) override
    {
        return false;
    }
    void Execute(const QString &, const TParams &) override {}
};

TEST(CommandsDM, ARefusedRowGoesToTheSharedHandlerAndIsCancelled)
{
    FakeShellService shell;
    TDMR dmr; // not connected: the commit after the refused row does nothing
    TDM dm(&dmr);
    RefusingProvider provider;
    TKyv_ClientDataSet cds;
    cds.SetDataProvider(&provider);
    dm.InstallUpdateRule(&cds, QStringLiteral("TfrmStreets.cdsStreet"));
    QStringList failures;
    const auto previous = setReconcileErrorSink(
        [&](const QString &name, TUpdateKind kind, const QString &message, const QString &context) {
            failures << QStringLiteral("%1 %2 %3 %4").arg(name).arg(int(kind)).arg(message, context);
        });
    cds.Open();
    cds.Edit();
    cds.FieldByName(QStringLiteral("ID"))->SetValue(2);
    cds.Post();
    setReconcileErrorSink(previous);
    EXPECT_EQ(failures, QStringList{QStringLiteral("TfrmStreets.cdsStreet 0 unique constraint violated update T")});
    EXPECT_EQ(cds.FieldByName(QStringLiteral("ID"))->AsInteger(), 1);
    EXPECT_EQ(cds.ChangeCount(), 0);
}

class CommandsDMDb : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        fixture = std::make_unique<DataFixture>(GetParam());
        ASSERT_TRUE(fixture->isValid()) << fixture->error().toStdString();
        dmr = fixture->makeReadyDmr();
        clock.setNow(QDateTime(QDate(2024, 6, 20), QTime(9, 0)));
        dm = std::make_unique<TDM>(dmr.get());
    }
    QVariant value(const QString &sql) { return dmr->dbConnection()->SelectValue(sql); }
    QDate stored(const char *column)
    {
        return value(QStringLiteral("select %1 from ZOLT.MAIN_CFG").arg(QLatin1String(column))).toDateTime().date();
    }

    FakeClock clock;
    FakeShellService shell;
    FakeMessageService messages;
    std::unique_ptr<DataFixture> fixture;
    std::unique_ptr<TDMR> dmr;
    std::unique_ptr<TDM> dm;
};

TEST_P(CommandsDMDb, ConfigurationRowRules)
{
    int closeRequests = 0;
    const auto previous = setCloseApplicationHook([&] { ++closeRequests; });
    TKyv_ClientDataSet *cfg = dm->cdsMainCFG();
    QStringList failures;
    const auto previousSink = setReconcileErrorSink(
        [&](const QString &name, TUpdateKind, const QString &message, const QString &context) {
            failures << name + QLatin1Char(' ') + message + QLatin1Char(' ') + context;
        });
    cfg->Open();
    ASSERT_EQ(cfg->RecordCount(), 0);

    // A new row: its defaults, and an initialisation date moved to the first of its month, which also opens the
    // accounting month there. The first date of a new row is no change: nothing is reset.
    cfg->Append();
    EXPECT_EQ(cfg->FieldByName(QStringLiteral("CFG_ID"))->AsInteger(), 1);
    EXPECT_EQ(cfg->FieldByName(QStringLiteral("ACC_DAY"))->AsInteger(), 10);
    cfg->FieldByName(QStringLiteral("COMPANY_ID"))->SetValue(1);
    cfg->FieldByName(QStringLiteral("INIT_DATE"))->SetValue(day(2024, 3, 15));
    cfg->Post();
    EXPECT_EQ(cfg->ChangeCount(), 0);
    EXPECT_EQ(stored("INIT_DATE"), QDate(2024, 3, 1));
    EXPECT_EQ(stored("ACC_DATE"), QDate(2024, 3, 1));
    EXPECT_EQ(dm->InitDate(), QDate(2024, 3, 1)) << cfg->FieldByName(QStringLiteral("INIT_DATE"))->Value().toString().toStdString() << " state " << cfg->State();
    EXPECT_EQ(closeRequests, 0);

    // Reopened: the row with its company, the month after the open one and the lookups.
    cfg->Close();
    cfg->Open();
    EXPECT_EQ(cfg->FieldByName(QStringLiteral("WORK_PERIOD"))->Value().toDateTime().date(), QDate(2024, 4, 1));
    EXPECT_EQ(cfg->FieldByName(QStringLiteral("COMPANY_NAME"))->AsString(),
              cfg->FieldByName(QStringLiteral("L_COMPANY_NAME"))->AsString());

    // An unchanged initialisation date and an empty accounting month: the month opens at the initialisation date.
    dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.MAIN_CFG set ACC_DATE = :P_D"),
                                 {{QStringLiteral("P_D"), day(2024, 5, 1)}});
    dmr->CommitWork();
    cfg->Close();
    cfg->Open();
    cfg->Edit();
    cfg->FieldByName(QStringLiteral("ACC_DATE"))->SetValue(QVariant());
    cfg->Post();
    EXPECT_EQ(stored("ACC_DATE"), QDate(2024, 3, 1));
    EXPECT_EQ(closeRequests, 0);

    // A new initialisation date throws every calculation away, says so and ends the program.
    dmr->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.PAY_ACCOUNT (CUSTOMER_ID, REL_DATE, DEBT_SUM) values (1, :P_D, 5)"),
        {{QStringLiteral("P_D"), day(2024, 4, 1)}});
    dmr->CommitWork();
    cfg->Edit();
    cfg->FieldByName(QStringLiteral("INIT_DATE"))->SetValue(day(2024, 1, 20));
    cfg->Post();
    EXPECT_EQ(stored("INIT_DATE"), QDate(2024, 1, 1));
    EXPECT_EQ(stored("ACC_DATE"), QDate(2024, 1, 1));
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.PAY_ACCOUNT where DEBT_SUM = 5")).toInt(), 0);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Изменена дата инициализации, расчетные данные сброшены.\rДля "
                                                  "корректного расчета необходимо перевести остатки с новой даты "
                                                  "инициализации."));
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(dm->InitDate(), QDate(2024, 1, 1));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    setCloseApplicationHook(previous);
    setReconcileErrorSink(previousSink);
}

TEST_P(CommandsDMDb, FirstConnectWritesOneCompleteConfigurationRow)
{
    int closeRequests = 0;
    const auto previous = setCloseApplicationHook([&] { ++closeRequests; });
    EXPECT_TRUE(dm->CreateDefaultMainCFG());
    EXPECT_TRUE(dm->CreateDefaultMainCFG());
    setCloseApplicationHook(previous);
    EXPECT_EQ(value(QStringLiteral("select count(*) from ZOLT.MAIN_CFG")).toInt(), 1);
    EXPECT_EQ(value(QStringLiteral("select COMPANY_ID + ACC_DAY + DEBTMODE + CUSTVALIDSUM from ZOLT.MAIN_CFG")).toInt(),
              1 + 10 + 0 + 1000);
    EXPECT_EQ(stored("INIT_DATE"), QDate(2024, 6, 1));
    EXPECT_EQ(stored("ACC_DATE"), QDate(2024, 6, 1));
    EXPECT_EQ(dm->AccDate(), QDate(2024, 6, 1));
    EXPECT_EQ(closeRequests, 0); // a first initialisation date resets nothing

    // The identifier queries say how long they took.
    QStringList lines;
    const auto previousSink = setPlatformLogSink([&](LogKind kind, const QString &text) {
        if (kind == LogKind::Raw)
            lines << text;
    });
    EXPECT_EQ(dm->GetNextNo(QStringLiteral("CFG_ID"), QStringLiteral("ZOLT.MAIN_CFG")), 2);
    setPlatformLogSink(previousSink);
    EXPECT_TRUE(lines.contains(QStringLiteral("Выбрано за 0 с."))) << lines.join(QLatin1Char('\n')).toStdString();
}

TEST_P(CommandsDMDb, LoginAnswersWhetherConnectedWithTheUsersId)
{
    dmr->DbLogOut();
    QStringList offered;
    dm->LoginDialog = [&](QString &user, QString &password, QString &database, const QStringList &choices) {
        offered = choices;
        user = QStringLiteral("vmdemo");
        password = QStringLiteral("wisp");
        database = QStringLiteral("TEST");
        return true;
    };
    EXPECT_TRUE(dm->Login());
    EXPECT_EQ(offered, QStringList{QStringLiteral("TEST")});
    EXPECT_EQ(dm->UserId(), 1);
    EXPECT_EQ(dm->GetLoginName(), QStringLiteral("VMDEMO"));
    EXPECT_EQ(dm->RememberedDatabase, QStringLiteral("TEST"));
    dm->cdsAppUser()->Open();
    EXPECT_EQ(dm->cdsAppUser()->FieldByName(QStringLiteral("LOGIN_NAME"))->AsString(), QStringLiteral("VMDEMO"));

    dm->LogOut();
    EXPECT_FALSE(dm->cdsAppUser()->Active());
    EXPECT_FALSE(dm->IsDatabaseConnected());

    // A database account without a user row is connected, with no user id; the caller refuses it.
    dm->LoginDialog = [](QString &user, QString &, QString &database, const QStringList &) {
        user = QStringLiteral("ivanov");
        database = QStringLiteral("TEST");
        return true;
    };
    EXPECT_TRUE(dm->Login());
    EXPECT_EQ(dm->UserId(), -1);
    dm->LogOut();

    dm->LoginDialog = [](QString &, QString &, QString &, const QStringList &) { return false; };
    EXPECT_FALSE(dm->Login());
    dm->LoginDialog = nullptr;
    EXPECT_FALSE(dm->Login());
}

TEST_P(CommandsDMDb, DistrictAndSubAreaListsFillTheFiltersDropDownsByNameWithTheAnyRowFirst)
{
    const auto exec = [&](const char *sql) { dmr->dbConnection()->Execute(QString::fromUtf8(sql)); };
    exec("delete from ZOLT.AREA");
    exec("insert into ZOLT.AREA (AREA_ID) values (0)");
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (1, 'Центральный')");
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (2, 'Заречный')");
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (5, 'Восточный')");
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (4, 'Заречный')");
    exec("insert into ZOLT.SUBAREA (SUBAREA_ID, SUBAREA_NAME) values (3, 'Участок 2')");
    exec("insert into ZOLT.SUBAREA (SUBAREA_ID, SUBAREA_NAME) values (4, 'Участок 1')");
    dmr->CommitWork();
    // "id name" of every row, in the list's order.
    const auto rows = [](TDataSet *list, const char *key, const char *name) {
        QStringList out;
        for (list->First(); !list->Eof(); list->Next())
            out << list->FieldByName(QString::fromLatin1(key))->AsString() + QLatin1Char(' ')
                       + list->FieldByName(QString::fromLatin1(name))->AsString();
        return out.join(QStringLiteral("; "));
    };
    struct Case
    {
        TKyv_ClientDataSet *list;
        const char *key, *name, *rows;
    };
    const Case cases[] = {
        // The unnamed row 0 first on both engines (SQLite would put a null name first, PostgreSQL last); two
        // districts of one name by their ids.
        {dm->cdsAreaList(), "AREA_ID", "AREA_NAME", "0 ; 5 Восточный; 2 Заречный; 4 Заречный; 1 Центральный"},
        {dm->cdsSubAreaList(), "SUBAREA_ID", "SUBAREA_NAME", "0 -; 4 Участок 1; 3 Участок 2"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_NO_THROW(c.list->Open());
        EXPECT_EQ(rows(c.list, c.key, c.name), QString::fromUtf8(c.rows));
        // What a drop-down shows for the key its field holds.
        EXPECT_EQ(c.list->Lookup(QString::fromLatin1(c.key), 4, QString::fromLatin1(c.name)).toString(),
                  QString::fromUtf8(c.key[0] == 'A' ? "Заречный" : "Участок 1"));
        EXPECT_FALSE(c.list->CanModify()) << "a list to choose from, not to edit";
    }
    // A row added since is there once the drop-down reads its list again; logging out closes the lists.
    exec("insert into ZOLT.AREA (AREA_ID, AREA_NAME) values (6, 'Аэропорт')");
    dmr->CommitWork();
    dm->cdsAreaList()->Close();
    dm->cdsAreaList()->Open();
    EXPECT_EQ(rows(dm->cdsAreaList(), "AREA_ID", "AREA_NAME"),
              QStringLiteral("0 ; 6 Аэропорт; 5 Восточный; 2 Заречный; 4 Заречный; 1 Центральный"));
    dm->LogOut();
    EXPECT_FALSE(dm->cdsAreaList()->Active());
    EXPECT_FALSE(dm->cdsSubAreaList()->Active());
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandsDMDb, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL),
                         engineName);

} // namespace
