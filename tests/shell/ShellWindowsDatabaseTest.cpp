// The SQL console and the configuration window on both engines.
#include "DataFixture.h"
#include "ClientDataSet.h"
#include "Exceptions.h"
#include "DBLookupEh.h"
#include "Kyv_db.h"
#include "MainWindowScope.h"
#include "ModalAnswer.h"
#include "Screenshot.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "dmuDM.h"
#include "frmuBugDebug.h"
#include "FormClasses.h"
#include "frmuCFG.h"
#include "frmuSettingsDialogs.h"
#include "frmuTestSql.h"
#include "uLog.h"
#include "uSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QStatusBar>
#include <QTest>

namespace {

class ShellWindowsDatabase : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_data.isValid()) << m_data.error().toStdString();
        m_dmr = m_data.makeReadyDmr();
        DMR = m_dmr.get();
        m_dm = std::make_unique<TDM>(DMR);
        ASSERT_TRUE(DM->IsDatabaseConnected());
        DM->CreateDefaultMainCFG();
    }
    void TearDown() override
    {
        for (auto &answer : m_answers) {
            answer->stop();
            EXPECT_TRUE(answer->ran()) << "a dialog the test answers never opened";
        }
        m_dm.reset();
        m_dmr.reset();
        DMR = nullptr;
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void whenReady(std::function<bool()> ready, std::function<void()> act)
    {
        m_answers.push_back(std::make_unique<tarvik::test::ModalAnswer>(std::move(ready), std::move(act)));
    }

    int count(const QString &table)
    {
        return DMR->dbConnection()->SelectValue("select count(*) from " + table).toInt();
    }

    template <class T> std::unique_ptr<T> open()
    {
        auto form = std::make_unique<T>(m_scope.main());
        form->setWindowFlag(Qt::Window);
        SendMessage(form.get(), AMRunQuery, 1, 0);
        return form;
    }

    DataFixture m_data { GetParam() };
    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2020, 6, 20), QTime(10, 0)) };
    tarvik::test::MainWindowScope m_scope;
    std::unique_ptr<TDMR> m_dmr;
    std::unique_ptr<TDM> m_dm;
    std::vector<std::unique_ptr<tarvik::test::ModalAnswer>> m_answers;
};

const QRegularExpression SelectedStatus(QStringLiteral("^Selected (\\d+)rec\\. Time: [0-9.]+ sec$"));

} // namespace

TEST_P(ShellWindowsDatabase, theConsoleOpensASelectWithItsStatusAndOpenAgainClosesIt)
{
    auto form = open<TfrmTestSql>();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Запрос SQL"));
    EXPECT_EQ(form->actOpenQry->shortcut(), QKeySequence(Qt::Key_F8));
    DMR->dbConnection()->Execute(
        QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_NAME) values (1, 'Ленина')"));
    DMR->dbConnection()->Execute(QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_NAME) values (2, 'Мира')"));
    const int streets = count(QStringLiteral("ZOLT.STREET"));
    form->memoSql->setPlainText(QStringLiteral("select STREET_ID, STREET_NAME from ZOLT.STREET order by STREET_ID"));
    m_clock.advance(0);
    form->actOpenQry->trigger();
    const QString status = form->StatusBar1->currentMessage();
    const auto match = SelectedStatus.match(status);
    ASSERT_TRUE(match.hasMatch()) << status.toStdString();
    EXPECT_EQ(match.captured(1).toInt(), streets);
    EXPECT_EQ(form->actOpenQry->text(), QStringLiteral("Close"));
    EXPECT_EQ(form->actOpenQry->property("ImageIndex").toInt(), 28);
    EXPECT_TRUE(form->odsQuery->Active());
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form.get(), QStringLiteral("shell-testsql"), QSize(600, 400));

    form->actOpenQry->trigger();
    EXPECT_FALSE(form->odsQuery->Active());
    EXPECT_EQ(form->actOpenQry->text(), QStringLiteral("Open"));
    EXPECT_EQ(form->actOpenQry->property("ImageIndex").toInt(), 122);
    EXPECT_EQ(form->StatusBar1->currentMessage(), QString());
}

TEST_P(ShellWindowsDatabase, theConsoleRunsAScriptAndTellsItsTime)
{
    auto form = open<TfrmTestSql>();
    const int streets = count(QStringLiteral("ZOLT.STREET"));
    form->memoSql->setPlainText(
        QStringLiteral("insert into ZOLT.STREET (STREET_ID, STREET_NAME) values (5, 'Садовая');\n"
                       "insert into ZOLT.STREET (STREET_ID, STREET_NAME) values (6, 'Речная');"));
    form->actExecuteQry->trigger();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Execute time: [0-9.]+ sec$"))
                    .match(form->StatusBar1->currentMessage())
                    .hasMatch())
        << form->StatusBar1->currentMessage().toStdString();
    EXPECT_EQ(count(QStringLiteral("ZOLT.STREET")), streets + 2);
}

TEST_P(ShellWindowsDatabase, aBadStatementLeavesTheConsoleUsableWithTheErrorInItsStatusBar)
{
    const QString logFile = m_data.connectionsFolder() + QStringLiteral("/../console.log");
    SetLogFile(logFile);
    auto form = open<TfrmTestSql>();
    form->memoSql->setPlainText(QStringLiteral("select * from ZOLT.NO_SUCH_TABLE"));
    form->actOpenQry->trigger();
    const QString selectError = form->StatusBar1->currentMessage();
    EXPECT_FALSE(selectError.isEmpty());
    EXPECT_NE(selectError, QStringLiteral("Selecting..."));
    EXPECT_FALSE(form->odsQuery->Active());
    EXPECT_EQ(form->actOpenQry->text(), QStringLiteral("Open"));

    form->memoSql->setPlainText(QStringLiteral("insert into ZOLT.NO_SUCH_TABLE values (1)"));
    form->actExecuteQry->trigger();
    const QString scriptError = form->StatusBar1->currentMessage();
    EXPECT_FALSE(scriptError.isEmpty());
    EXPECT_FALSE(scriptError.startsWith(QLatin1String("Execute time"))) << scriptError.toStdString();
    EXPECT_NE(scriptError, QStringLiteral("Executing..."));
    SetLogFile(QString());
    QFile log(logFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("ERROR: ") + selectError));
    EXPECT_TRUE(m_messages.requests.isEmpty()) << "the console shows no box";

    form->memoSql->setPlainText(QStringLiteral("select count(*) as N from ZOLT.STREET"));
    form->actOpenQry->trigger();
    EXPECT_TRUE(SelectedStatus.match(form->StatusBar1->currentMessage()).hasMatch());
}

TEST_P(ShellWindowsDatabase, anEmptyConfigurationTableGetsItsRowWhenTheWindowLoads)
{
    DM->cdsMainCFG()->Close();
    DMR->dbConnection()->Execute(QStringLiteral("delete from ZOLT.MAIN_CFG"));
    ASSERT_TRUE(DMR->CommitWork());
    ASSERT_EQ(count(QStringLiteral("ZOLT.MAIN_CFG")), 0);
    auto form = open<TfrmCFG>();
    EXPECT_EQ(count(QStringLiteral("ZOLT.MAIN_CFG")), 1);
    EXPECT_EQ(DM->cdsMainCFG()->RecordCount(), 1);
    EXPECT_FALSE(form->btnCompany->isEnabled()) << "the company is chosen only while the row is edited";
    const QVariant company = DM->cdsMainCFG()->FieldByName(QStringLiteral("COMPANY_ID"))->Value();
    EXPECT_EQ(form->cbCompany->KeyValue().toInt(), company.toInt());
    EXPECT_EQ(form->cbCompany->text(),
        DMR->dbConnection()
            ->SelectValue(QStringLiteral("select COMPANY_NAME from ZOLT.COMPANY where COMPANY_ID = :P_ID"),
                { { QStringLiteral("P_ID"), company } })
            .toString());
    form->show();
    if (GetParam() == TestEngine::SQLite)
        tarvik::test::SaveScreenshot(form.get(), QStringLiteral("shell-cfg"), QSize(560, 640));
}

TEST_P(ShellWindowsDatabase, textsThatAreNoIntegersTakeTheirFallbacksWhenTheWindowCloses)
{
    struct Case
    {
        const char *typed;
        std::array<int, 5> stored; // AccountNo, RoundPrecision, Erip202DocNo, CASResponseTimeOut, HTTPPort
    };
    const Case cases[] = {
        { "abc", { 1, 2, 1, 1000, 8089 } },
        { "", { 1, 2, 1, 1000, 8089 } },
        { "12.5", { 1, 2, 1, 1000, 8089 } },
        { "99999999999", { 1, 2, 1, 1000, 8089 } },
        { " 7 ", { 7, 7, 7, 7, 7 } },
        { "-3", { -3, -3, -3, -3, -3 } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        auto form = open<TfrmCFG>();
        for (QLineEdit *edit : { form->edAccountNo, form->edRoundPrecision, form->edErip202DocNo,
                 form->edCASResponseTimeOut, form->edHTTPPort })
            edit->setText(QString::fromUtf8(c.typed));
        form->close();
        const TAppSettings &s = AppSettings();
        EXPECT_EQ(
            (std::array<int, 5> { s.AccountNo, s.RoundPrecision, s.Erip202DocNo, s.CASResponseTimeOut, s.HTTPPort }),
            c.stored);
    }
}

TEST_P(ShellWindowsDatabase, checkBoxesActAtOnceAndTheTextsAtTheClose)
{
    auto form = open<TfrmCFG>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->pcMain->setCurrentIndex(3);
    ASSERT_FALSE(AppSettings().useHTTP);
    form->cbUseHTTP->click();
    EXPECT_TRUE(AppSettings().useHTTP);
    form->pcMain->setCurrentIndex(0);
    form->rbToolBarTop->click();
    EXPECT_FALSE(AppSettings().useLeftToolBar);
    form->edVoyagerUser->setText(QStringLiteral("operator"));
    EXPECT_EQ(AppSettings().VoyagerUser, QStringLiteral("root"));
    form->close();
    EXPECT_EQ(AppSettings().VoyagerUser, QStringLiteral("operator"));
}

TEST_P(ShellWindowsDatabase, theCabinetsListenAddressIsEditedBesideItsPort)
{
    auto form = open<TfrmCFG>();
    EXPECT_EQ(form->edHTTPAddress->text(), QStringLiteral("0.0.0.0"));
    form->edHTTPAddress->setText(QStringLiteral(" 127.0.0.2 "));
    form->close();
    EXPECT_EQ(AppSettings().HTTPAddress, QStringLiteral("127.0.0.2"));

    form = open<TfrmCFG>();
    EXPECT_EQ(form->edHTTPAddress->text(), QStringLiteral("127.0.0.2"));
    form->edHTTPAddress->clear();
    form->close();
    EXPECT_EQ(AppSettings().HTTPAddress, QStringLiteral("0.0.0.0"));
}

TEST_P(ShellWindowsDatabase, aRefusedPostOfTheConfigurationRowIsLoggedAndNotShown)
{
    const QString logFile = m_data.connectionsFolder() + QStringLiteral("/../cfg.log");
    SetLogFile(logFile);
    auto form = open<TfrmCFG>();
    TKyv_ClientDataSet *cds = DM->cdsMainCFG();
    const int id = cds->BeforePost.add([](TDataSet *) { throw Exception(QStringLiteral("Запись отклонена")); });
    cds->Edit();
    cds->FieldByName(QStringLiteral("ACC_DAY"))->SetAsInteger(15);
    EXPECT_TRUE(form->btnCompany->isEnabled());
    form->close();
    cds->BeforePost.remove(id);
    SetLogFile(QString());
    EXPECT_TRUE(m_messages.requests.isEmpty());
    QFile log(logFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(logged.contains(QStringLiteral("ERROR: Запись отклонена"))) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QStringLiteral("Ошибка записи изменений cdsMainCFG"))) << logged.toStdString();
    cds->Cancel();
}

TEST_P(ShellWindowsDatabase, theCasDialogsAnswerSurvivesTheClose)
{
    auto form = open<TfrmCFG>();
    whenReady([] { return tarvik::test::activeModal<TfrmCasServerParams>() != nullptr; },
        [] {
            TfrmCasServerParams *dialog = tarvik::test::activeModal<TfrmCasServerParams>();
            dialog->edServerIP->setText(QStringLiteral("10.1.2.3"));
            dialog->edPort->setText(QStringLiteral("7100"));
            dialog->accept();
        });
    form->btnCASServer->click();
    EXPECT_EQ(form->edCASserverIP->text(), QStringLiteral("10.1.2.3"));
    form->close();
    EXPECT_EQ(AppSettings().CASserverIP, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(AppSettings().CASserverPort, QStringLiteral("7100"));
}

TEST_P(ShellWindowsDatabase, theCompanyPickerWritesAnotherKeyIntoTheEditedRow)
{
    auto form = open<TfrmCFG>();
    TKyv_ClientDataSet *cds = DM->cdsMainCFG();
    cds->Edit();
    form->btnCompany->click(); // nobody registered a picker: one log line, nothing changes
    RegisterPicker(QStringLiteral("pickCompany"), [](QVariant &key) {
        key = 42;
        return true;
    });
    form->btnCompany->click();
    UnRegisterPicker(QStringLiteral("pickCompany"));
    EXPECT_EQ(cds->FieldByName(QStringLiteral("COMPANY_ID"))->AsInteger(), 42);
    cds->Cancel();
    form->close();
}

namespace {

// The window messages a window receives, by number.
class MessageRecorder : public QObject
{
public:
    explicit MessageRecorder(QObject *target) { target->installEventFilter(this); }
    QList<int> messages;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (TMessageEvent *m = TMessageEvent::from(event))
            messages << m->Msg;
        return false;
    }
};

} // namespace

TEST_P(ShellWindowsDatabase, theConsoleTheConfigurationAndTheMonitorTellTheMainWindowOfLoadingAndClosing)
{
    MessageRecorder recorder(m_scope.main());
    {
        auto console = open<TfrmTestSql>();
        EXPECT_EQ(recorder.messages, (QList<int> { 1033, 1034 }));
        recorder.messages.clear();
        console->close();
        EXPECT_EQ(recorder.messages, (QList<int> { 1027, 1034 }));
    }
    recorder.messages.clear();
    {
        auto cfg = open<TfrmCFG>();
        EXPECT_EQ(recorder.messages, (QList<int> { 1033, 1034 }));
        recorder.messages.clear();
        cfg->close();
        EXPECT_EQ(recorder.messages, (QList<int> { 1034, 1027 }));
    }
    recorder.messages.clear();
    TfrmBugDebug *monitor = ShowEventMonitor();
    SendMessage(monitor, AMRunQuery, 1, 0);
    EXPECT_EQ(recorder.messages, (QList<int> { 1033, 1034 }));
    recorder.messages.clear();
    monitor->close();
    EXPECT_EQ(recorder.messages, QList<int> { 1034 });
    EXPECT_EQ(frmBugDebug(), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

INSTANTIATE_TEST_SUITE_P(
    ShellWindows, ShellWindowsDatabase, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);
