// The main window: the child-window protocol, the command line, the folders, the hourglass messages, the
// timers, the first showing with its login, and the program body's start-up and shut-down order.
#include "StartupFixture.h"

#include "DataFolder.h"
#include "FR_Class.h"
#include "FR_Globals.h"
#include "FR_View.h"
#include "FormClasses.h"
#include "Screenshot.h"
#include "uProgram.h"

#include <QMdiArea>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QStatusBar>

namespace {

// A child window that records the AMRunQuery messages it gets.
class TestChild : public QWidget
{
public:
    QList<qintptr> runQueries;
    std::function<void()> onClose;

    void closeEvent(QCloseEvent *e) override
    {
        if (onClose)
            onClose();
        QWidget::closeEvent(e);
    }

    bool event(QEvent *e) override
    {
        if (TMessageEvent *m = TMessageEvent::from(e); m && m->Msg == AMRunQuery) {
            runQueries << m->WParam;
            return true;
        }
        return QWidget::event(e);
    }
};

class StartupMainWindow : public StartupFixture
{
protected:
    void SetUp() override
    {
        StartupFixture::SetUp();
        RegisterFormClass(QStringLiteral("TfrmTestChild"), [] { return new TestChild; });
        RegisterFormClass(QStringLiteral("TfrmOtherChild"), [] { return new TestChild; });
    }
    void TearDown() override
    {
        UnRegisterFormClass(QStringLiteral("TfrmTestChild"));
        UnRegisterFormClass(QStringLiteral("TfrmOtherChild"));
        StartupFixture::TearDown();
    }
};

} // namespace

TEST_F(StartupMainWindow, RegisteredChildOpensOnceAndComesToTheFront)
{
    TfrmMain *m = makeMain();
    showMain();
    auto *first = static_cast<TestChild *>(m->CreateChildForm(QStringLiteral("TfrmTestChild"), 1));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->runQueries, QList<qintptr> { 1 });
    EXPECT_TRUE(m->WindowCloseAll->isEnabled());
    EXPECT_TRUE(m->mmiFileChildSeparator->isVisible());

    QWidget *other = m->CreateChildForm(QStringLiteral("TfrmOtherChild"), 1);
    EXPECT_EQ(m->mdiArea->activeSubWindow()->widget(), other);

    // The window message does what the call does: the open child comes to the front and loads again.
    const qintptr result = SendMessage(m, AMCreateChild, 0, 7, QStringLiteral("TfrmTestChild"));
    EXPECT_EQ(result, reinterpret_cast<qintptr>(first));
    EXPECT_EQ(m->ChildForms().size(), 2);
    EXPECT_EQ(m->mdiArea->activeSubWindow()->widget(), first);
    EXPECT_EQ(first->runQueries, (QList<qintptr> { 1, 7 }));

    // A query loads the open child without bringing it to the front.
    m->CreateChildForm(QStringLiteral("TfrmOtherChild"), 1);
    EXPECT_EQ(m->QueryChildForm(QStringLiteral("TfrmTestChild"), 2), first);
    EXPECT_EQ(first->runQueries, (QList<qintptr> { 1, 7, 2 }));
    EXPECT_EQ(m->mdiArea->activeSubWindow()->widget(), other);

    // Closing the children refreshes the menus once they are gone.
    first->parentWidget()->close();
    EXPECT_EQ(m->ChildForms().size(), 2 - 1);
    SendMessage(m, AMCloseAllChildForms);
    EXPECT_TRUE(m->ChildForms().isEmpty());
    ASSERT_TRUE(waitUntil([m] { return m->mdiArea->subWindowList().isEmpty(); }));
    EXPECT_FALSE(m->WindowCloseAll->isEnabled());
    EXPECT_FALSE(m->mmiFileChildSeparator->isVisible());
}

TEST_F(StartupMainWindow, UnregisteredChildOpensNothingAndLogsOneLine)
{
    TfrmMain *m = makeMain({ QStringLiteral("/monitore") });
    SetSqlMonitor(true);
    ShowEventMonitor();
    const int before = monitorLines().size();
    EXPECT_EQ(m->CreateChildForm(QStringLiteral("TfrmCustomer"), 1), nullptr);
    EXPECT_TRUE(m->ChildForms().isEmpty());
    const QStringList lines = monitorLines();
    ASSERT_EQ(lines.size(), before + 1);
    EXPECT_TRUE(lines.last().contains(QStringLiteral("TfrmCustomer"))) << lines.last().toStdString();

    // The menu action does the same.
    login();
    m->actShowCustList->trigger();
    EXPECT_TRUE(m->ChildForms().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(StartupMainWindow, CommandLineSwitchesDebugMode)
{
    struct Case
    {
        QStringList arguments;
        bool debug;
    };
    const Case cases[] = {
        { { QStringLiteral("/MONITORE") }, true },
        { { QStringLiteral("-monitore") }, true },
        { { QStringLiteral("/clean"), QStringLiteral("-clean") }, false },
        { { QStringLiteral("/unknown") }, false },
        { {}, false },
    };
    for (const Case &c : cases) {
        TfrmMain *m = makeMain(c.arguments);
        EXPECT_EQ(IsDebugMode(), c.debug) << c.arguments.join(' ').toStdString();
        for (QAction *a : { m->actDebugMode, m->actSqlMonitor, m->actTestSql, m->actTestCustomers })
            EXPECT_EQ(a->isVisible(), c.debug) << a->objectName().toStdString();
        m_main.reset();
    }
}

TEST(StartupFolders, TemplatesLieBesideTheProgramFolderAndConnectionsInTheUserDataFolder)
{
    qunsetenv("TARVIK_TEMPLATES");
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/home/u/.data");
    struct Case
    {
        QString program, reports;
    };
    const Case cases[] = {
        { "/opt/Tarvik/bin", "/opt/Tarvik/fr_forms/" },
        { "/home/u/Prog/", "/home/u/Prog/" },
        { "/srv/fr_forms/x/", "/srv/fr_forms/x/" },
        { "/opt/BIN/", "/opt/BIN/" },
    };
    for (const Case &c : cases) {
        const TProgramFolders f = TProgramFolders::from(c.program);
        EXPECT_EQ(f.reportsFolder, c.reports) << c.program.toStdString();
        EXPECT_EQ(f.connectionsFolder, QStringLiteral("/home/u/.data/tarvik/connections/")) << c.program.toStdString();
    }
    qputenv("TARVIK_TEMPLATES", "/data/templates/");
    const TProgramFolders f = TProgramFolders::from(QStringLiteral("/opt/t/bin/"));
    qunsetenv("TARVIK_TEMPLATES");
    EXPECT_EQ(f.reportsFolder, QStringLiteral("/data/templates/"));

    // Without a usable XDG_DATA_HOME the data folder is the one under the home folder.
    const QString fallback = QDir::home().filePath(QStringLiteral(".local/share/tarvik"));
    for (const char *value : { "", "relative/data" }) {
        qputenv("XDG_DATA_HOME", value);
        EXPECT_EQ(UserDataFolder(), fallback) << value;
    }
    qputenv("XDG_DATA_HOME", "/home/u/.data/");
    EXPECT_EQ(UserDataFolder(), QStringLiteral("/home/u/.data/tarvik"));
    EXPECT_EQ(ResolveUserDataPath(QStringLiteral("data/x.db")), QStringLiteral("/home/u/.data/tarvik/data/x.db"));
    EXPECT_EQ(ResolveUserDataPath(QStringLiteral("/srv/x.db")), QStringLiteral("/srv/x.db"));
    qputenv("XDG_DATA_HOME", dataHome);
}

TEST_F(StartupMainWindow, HourglassMessagesAndCloseApplication)
{
    TfrmMain *m = makeMain();
    m->SetStatusMsg(QStringLiteral("ready"));
    SendMessage(m, AMShowAnimate, 1);
    EXPECT_EQ(m->StatusText(0), QStringLiteral("ready"));
    SendMessage(m, AMShowAnimate, 0);
    EXPECT_EQ(m->StatusText(0), QStringLiteral(" .."));
    SendMessage(m, AMHideAnimate, 0);
    EXPECT_EQ(m->StatusText(0), QStringLiteral(" .."));

    showMain();
    int closed = 0;
    QObject::connect(m, &TfrmMain::closed, [&closed] { ++closed; });
    SendMessage(m, AMCloseApplication);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(m->isVisible());
}

TEST_F(StartupMainWindow, TimersRunTheLinkActions)
{
    TfrmMain *m = makeMain();
    EXPECT_EQ(m->Timer1->interval(), 300000);
    EXPECT_FALSE(m->Timer1->isSingleShot());
    EXPECT_TRUE(m->Timer1->isActive());
    EXPECT_EQ(m->Timer2->interval(), 15000);

    QStringList ran;
    for (const char *name :
        { "actConnectToVoyager", "actStartWebServer", "actConnectToCASServer", "actTestCASConnection" }) {
        const QString command = QString::fromLatin1(name);
        RegisterCommand(command, [&ran, command] { ran << command; });
    }
    AppSettings().useCAS = true;
    login();
    m->Timer2->setInterval(1);
    m->Timer2->start();
    ASSERT_TRUE(waitUntil([&ran] { return ran.size() >= 4; }));
    EXPECT_EQ(ran,
        (QStringList { "actConnectToVoyager", "actStartWebServer", "actConnectToCASServer", "actTestCASConnection" }));
    EXPECT_FALSE(m->Timer2->isActive());
    ran.clear();
    m->Timer1->setInterval(1);
    ASSERT_TRUE(waitUntil([&ran] { return ran.size() >= 3; }));
    m->Timer1->stop();
    EXPECT_EQ(ran.mid(0, 3), (QStringList { "actConnectToCASServer", "actTestCASConnection", "actStartWebServer" }));
    for (const char *name :
        { "actConnectToVoyager", "actStartWebServer", "actConnectToCASServer", "actTestCASConnection" })
        UnRegisterCommand(QString::fromLatin1(name));
}

TEST_F(StartupMainWindow, NewUserLogsInOnTheDemoConnectionWithOk)
{
    // The connection files as the start script installs them, with no settings file yet; the window looks for
    // them in the user's data folder by itself.
    QDir(dataFolder()).removeRecursively();
    ASSERT_TRUE(installConnections());
    EXPECT_EQ(QDir(connectionsFolder()).entryList(QDir::Files),
              (QStringList{QStringLiteral("DEMO.udl"), QStringLiteral("OFFICE.udl.sample")}));
    m_main = std::make_unique<TfrmMain>();
    TfrmMain *m = m_main.get();
    m->resize(1024, 700);
    QStringList offered;
    whenReady([] { return frmPasswordDlg && frmPasswordDlg->isVisible(); }, [&offered] {
        TfrmPasswordDlg *d = frmPasswordDlg;
        offered << d->edUserName->text() << d->edUserPassword->text() << d->cbxDatabase->currentText();
        QTest::keyClick(d->focusWidget(), Qt::Key_Return);
    });
    m->show();
    ASSERT_TRUE(waitUntil([m] { return !m->mmiPeriod->text().isEmpty(); }));
    EXPECT_TRUE(isConnected());
    EXPECT_EQ(m->mmiPeriod->text(), QStringLiteral("Июнь 2020 г."));
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik"));
    EXPECT_EQ(offered, (QStringList{"VMDEMO", "wisp", "DEMO"}));
    EXPECT_TRUE(QFile::exists(databaseFile()));

    // The picture of the main window after login, for the README.
    EXPECT_FALSE(m->grab().toImage().isNull());
    tarvik::test::SaveScreenshot(m, QStringLiteral("shell-main-window"), QSize(1024, 700));
}

TEST_F(StartupMainWindow, ShutDownClosesLinksChildrenAndSessionThenModulesThenWritesSettings)
{
    QStringList events;
    RegisterCommand(QStringLiteral("actStopWebServer"), [&events] { events << "stop web server"; });
    const auto module = [&events](const QString &name) {
        return TModuleFactory { name, [&events, name] {
                                   events << "make " + name;
                                   auto *o = new QObject;
                                   QObject::connect(
                                       o, &QObject::destroyed, [&events, name] { events << "free " + name; });
                                   return o;
                               } };
    };
    const QList<TModuleFactory> modules = {
        { QStringLiteral("DMR"),
            [&events] {
                events << "make DMR";
                auto *dmr = new TDMR;
                DMR = dmr;
                dmr->SetConnectionsFolder(QString());
                QObject::connect(dmr, &QObject::destroyed, [&events] { events << "free DMR"; });
                return dmr;
            } },
        { QStringLiteral("DM"),
            [&events] {
                events << "make DM";
                auto *dm = new TDM(DMR);
                QObject::connect(dm, &QObject::destroyed, [&events] { events << "free DM"; });
                return dm;
            } },
        module(QStringLiteral("dmWeb")),
    };
    m_debtCalc.reset();
    m_dm.reset();
    m_dmr.reset();

    // The first showing's login is cancelled; then the user logs in on the test's folder, opens a child and
    // closes the window.
    tarvik::test::ModalAnswer &cancel = answerLogin(QString(), QString(), false);
    whenReady([&cancel] { return frmMain && cancel.ran() && !frmPasswordDlg; },
        [&] {
            frmMain->SetFolders({ frmMain->Folders().programFolder, QString(), connectionsFolder() });
            login(frmMain);
            ASSERT_TRUE(isConnected());
            frmMain->OnCloseCASSocket = [&events] { events << "close CAS socket"; };
            auto *child = static_cast<TestChild *>(frmMain->CreateChildForm(QStringLiteral("TfrmTestChild"), 1));
            child->onClose = [&events] { events << "close child"; };
            QObject::connect(frmMain, &QObject::destroyed, [&events, this] {
                events << QStringLiteral("free main window, settings %1").arg(QFile::exists(settingsFile()));
            });
            QObject::connect(frmMain, &TfrmMain::closed,
                [&events] { events << QStringLiteral("closed, connected %1").arg(isConnected()); });
            frmMain->close();
        });
    const int code = RunProgram(*qApp, {}, modules);
    UnRegisterCommand(QStringLiteral("actStopWebServer"));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(events,
        (QStringList { "make DMR", "make DM", "make dmWeb", "stop web server", "close CAS socket", "close child",
            "closed, connected 0", "free dmWeb", "free DM", "free DMR", "free main window, settings 1" }));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("tarvik"));
    QApplication::setApplicationName(QStringLiteral("tarvik-tests"));

    TXmlSettingsStorage written(settingsFile());
    written.reload();
    EXPECT_EQ(written.readString(QStringLiteral("preferences\\logonUserName"), {}), QStringLiteral("vmdemo"));
}

TEST_F(StartupMainWindow, ResetOfAllCalculationAsksFirstAndThenEndsTheProgram)
{
    TfrmMain *m = makeMain();
    showMain();
    login();
    int closed = 0;
    QObject::connect(m, &TfrmMain::closed, [&closed] { ++closed; });

    m_messages.answer(mrNo);
    m->actRemoveAllCalculation->trigger();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(
        m_messages.lastText(), QStringLiteral("Удалить все расчетные данные? Нужно будет перезапустить тарификацию"));
    // A stray Enter keeps the data.
    EXPECT_EQ(m_messages.requests[0].defaultButton, mbNo);
    // A close would have been posted: let posted events run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(closed, 0);

    m_messages.answer(mrYes);
    m->actRemoveAllCalculation->trigger();
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Нет закрытых периодов, программа будет перезагружена"));
    ASSERT_TRUE(waitUntil([&closed] { return closed == 1; }));
    EXPECT_FALSE(isConnected());
}

TEST_F(StartupMainWindow, EditActionsReachTheFocusedControlOfTheActiveChild)
{
    RegisterFormClass(QStringLiteral("TfrmEditChild"), [] {
        auto *w = new QWidget;
        new QLineEdit(w);
        return w;
    });
    TfrmMain *m = makeMain();
    showMain();
    QWidget *child = m->CreateChildForm(QStringLiteral("TfrmEditChild"), 1);
    UnRegisterFormClass(QStringLiteral("TfrmEditChild"));
    auto *edit = child->findChild<QLineEdit *>();
    QApplication::setActiveWindow(m);
    edit->setFocus();
    ASSERT_TRUE(waitUntil([edit] { return edit->hasFocus(); }));
    QTest::keyClicks(edit, QStringLiteral("abc"));
    edit->selectAll();
    m->EditCut->trigger();
    EXPECT_TRUE(edit->text().isEmpty());
    m->EditUndo1->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
}

TEST_F(StartupMainWindow, HintOfTheMonthCloseShowsInTheFirstStatusPanel)
{
    TfrmMain *m = makeMain();
    showMain();
    login();
    ASSERT_TRUE(DMR->Get_DatabaseConnectStatus());
    QLabel *panel0 = m->statusBar()->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly).value(0);
    ASSERT_TRUE(panel0);
    QStringList shown;
    dmDebtCalc->OnHint = [&](const QString &text) {
        if (!text.isEmpty())
            shown << panel0->text();
    };
    const QDate month = DMR->AccDate().isValid() ? DMR->AccDate() : QDate::currentDate();
    dmDebtCalc->closeAccountingMonth(0, month);
    dmDebtCalc->OnHint = nullptr;
    EXPECT_TRUE(shown.contains(QStringLiteral("Выборка по списку клиентов"))) << shown.join('|').toStdString();
    EXPECT_TRUE(panel0->text().isEmpty()) << "the close clears its hint";
}

// The main window takes the program's report previews as sub-windows, and lets go of them when it closes.
TEST_F(StartupMainWindow, ReportPreviewOpensAsASubWindow)
{
    TfrmMain *m = makeMain();
    ASSERT_TRUE(frEngine().MDIPreviewHost);
    {
        TfrReport report;
        previewInMainWindow(report);
        ASSERT_EQ(m->mdiArea->subWindowList().size(), 1);
        auto *form = qobject_cast<TfrPreviewForm *>(m->mdiArea->subWindowList().first()->widget());
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->PageCount(), 1);
        form->close();
    }
    m_main.reset();
    EXPECT_FALSE(frEngine().MDIPreviewHost);
}
