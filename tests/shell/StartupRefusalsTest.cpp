// Start-up as a new user meets it: damaged, read-only and missing database files, a server that does not
// answer, the structure update that fails, errors of menu handlers, the start script's connection files and the
// built-in calculator.
#include "StartupFixture.h"

#include "CalculatorEh.h"
#include "Exceptions.h"
#include "uSession.h"

#include <QTcpServer>

namespace {

const QString MissingDatabase = QStringLiteral("База данных не найдена");
const QString DamagedDatabase = QStringLiteral("База данных повреждена");
const QString UnreachableDatabase = QStringLiteral("База данных недоступна");

class StartupRefusals : public StartupFixture
{
protected:
    // The one box the login showed: the error of its kind with the engine's words after it.
    QString refusal(const QString &kind)
    {
        EXPECT_FALSE(isConnected());
        EXPECT_EQ(m_messages.requests.size(), 1);
        const QString text = m_messages.lastText();
        EXPECT_TRUE(text.startsWith(kind + QLatin1Char('\r'))) << text.toStdString();
        return text;
    }
};

} // namespace

TEST_F(StartupRefusals, DamagedOrForeignDatabaseFileIsRefusedNamingIt)
{
    makeMain();
    makeDatabase();
    // A table page of the data file, found while the file is sound.
    const qint64 pageSize = valueInFile(QStringLiteral("PRAGMA ZOLT.page_size")).toLongLong();
    const qint64 page
        = valueInFile(QStringLiteral("select rootpage from ZOLT.sqlite_master where name = 'TEAM'")).toLongLong();
    ASSERT_GT(page, 1);

    struct Case
    {
        const char *name;
        std::function<void(QFile &)> spoil;
        QString reason;
    };
    const Case cases[] = {
        { "a page overwritten",
            [&](QFile &f) {
                f.seek((page - 1) * pageSize);
                f.write(QByteArray(int(pageSize), '\xA5'));
            },
            QStringLiteral("is damaged") },
        { "not a database at all",
            [](QFile &f) {
                f.resize(0);
                f.write(QByteArray(8192, 'x'));
            },
            QStringLiteral("file is not a database") },
    };
    for (const Case &c : cases) {
        {
            QFile f(databaseFile());
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            c.spoil(f);
        }
        m_messages.requests.clear();
        login();
        const QString text = refusal(DamagedDatabase);
        EXPECT_TRUE(text.contains(databaseFile())) << c.name << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(c.reason)) << c.name << ": " << text.toStdString();
        EXPECT_FALSE(m_main->actShowCustList->isEnabled()) << c.name;
    }
}

TEST_F(StartupRefusals, ReadOnlyDatabaseOpensAndAWriteShowsItsError)
{
    makeMain();
    makeDatabase();
    {
        // A tariff history with a gap, which the login offers to correct.
        TADOConnection c;
        c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(databaseFile()));
        c.Open();
        c.Execute(QStringLiteral("insert into ZOLT.SERV (SERV_ID, SERV_DESCR, SERVTYPE_ID) values (1, 'Пакет', 0)"));
        c.Execute(QStringLiteral("insert into ZOLT.TARIF (TARIF_ID, SERV_ID, DATE_FROM, DATE_TO, TARIF_SUM) "
                                 "values (1, 1, :P_FROM, :P_TO, 10)"),
            { { QStringLiteral("P_FROM"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)) },
                { QStringLiteral("P_TO"), QDateTime(QDate(2020, 3, 31), QTime(0, 0)) } });
    }
    setReadOnly(true);
    m_messages.answer(mrOk); // the notice that the database takes no changes
    m_messages.answer(mrYes);
    login();
    ASSERT_TRUE(isConnected()) << m_messages.lastText().toStdString();
    // The login says the database takes no changes; the correction cannot be written: its error is shown and
    // the session is ready all the same.
    ASSERT_EQ(m_messages.requests.size(), 3) << m_messages.lastText().toStdString();
    EXPECT_EQ(m_messages.requests[0].text, Session::ReadOnlyNotice);
    EXPECT_EQ(m_messages.requests[1].type, mtConfirmation);
    EXPECT_EQ(m_messages.requests[2].type, mtError);
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("readonly"))) << m_messages.lastText().toStdString();
    EXPECT_TRUE(m_main->actShowCustList->isEnabled());
    EXPECT_EQ(valueInFile(QStringLiteral("select count(*) from ZOLT.TARIF")).toInt(), 1);

    // The configuration row is changed as its window changes it: the update rule applies and fails.
    m_messages.requests.clear();
    TKyv_ClientDataSet *cfg = DM->cdsMainCFG();
    cfg->Edit();
    cfg->FieldByName(QStringLiteral("ACC_DAY"))->SetValue(20);
    cfg->Post();
    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].type, mtError);
    EXPECT_TRUE(m_messages.lastText().contains(QStringLiteral("readonly"))) << m_messages.lastText().toStdString();
    EXPECT_EQ(cfg->FieldByName(QStringLiteral("ACC_DAY"))->Value().toInt(), 10);
    m_main->actFileDatabaseConnect->trigger();
    EXPECT_EQ(valueInFile(QStringLiteral("select ACC_DAY + 0 from ZOLT.MAIN_CFG")).toInt(), 10);
    setReadOnly(false);
}

TEST_F(StartupRefusals, MissingDatabaseFileIsMadeOnlyWhenTheConnectionFileAsksForIt)
{
    makeMain();
    const QString file = m_dir.filePath(QStringLiteral("elsewhere/new.db"));
    for (const bool create : { false, true }) {
        writeUdl(QStringLiteral("TEST"),
            QStringLiteral("Provider=SQLite;Data Source=%1;%2").arg(file, create ? "Create If Missing=True;" : ""));
        m_messages.requests.clear();
        login();
        if (!create) {
            const QString text = refusal(MissingDatabase);
            EXPECT_TRUE(text.contains(file + QStringLiteral(" does not exist"))) << text.toStdString();
            EXPECT_FALSE(QFileInfo::exists(file));
            EXPECT_FALSE(QFileInfo::exists(QFileInfo(file).absolutePath()));
        } else {
            EXPECT_TRUE(isConnected()) << m_messages.lastText().toStdString();
            EXPECT_TRUE(QFileInfo::exists(file));
        }
    }
}

TEST_F(StartupRefusals, ServerThatNeverAnswersIsGivenUpWithinTenSeconds)
{
    // The port takes the connection and then says nothing.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    writeUdl(QStringLiteral("TEST"),
        QStringLiteral("Provider=PostgreSQL;Data Source=127.0.0.1:%1;Initial Catalog=tarvik;").arg(silent.serverPort()));
    makeMain();
    QElapsedTimer clock;
    clock.start();
    login();
    const qint64 elapsed = clock.elapsed();
    const QString text = refusal(UnreachableDatabase);
    EXPECT_TRUE(text.contains(QStringLiteral("timeout"))) << text.toStdString();
    EXPECT_LT(elapsed, 15000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(StartupRefusals, StructureUpdateThatFailsEndsTheSession)
{
    makeMain();
    makeDatabase();
    {
        TADOConnection c;
        c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(databaseFile()));
        c.Open();
        c.Execute(QStringLiteral("update ZOLT.DB_VERSION set DB_VERSION = 1"));
    }
    // The file can be read but not changed, so the update's first step fails.
    setReadOnly(true);
    m_messages.answer(mrOk); // the notice that the database takes no changes
    m_messages.answer(mrYes);
    login();
    setReadOnly(false);
    ASSERT_EQ(m_messages.requests.size(), 3) << m_messages.lastText().toStdString();
    EXPECT_EQ(m_messages.requests[0].text, Session::ReadOnlyNotice);
    EXPECT_EQ(m_messages.requests[1].type, mtConfirmation);
    EXPECT_EQ(m_messages.requests[2].type, mtError);
    EXPECT_FALSE(isConnected());
    EXPECT_FALSE(m_main->actShowCustList->isEnabled());
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("Tarvik[ Нет соединения с БД ]"));
}

TEST_F(StartupRefusals, ExceptionOfAMenuHandlerIsShownAndWrittenToTheLogFile)
{
    const QString logFile = m_dir.filePath(QStringLiteral("log/tarvik.log"));
    SetLogFile(logFile);
    RegisterCommand(QStringLiteral("actReportNewConnectCustALL"), [] { throw Exception(QStringLiteral("Нет словаря")); });
    TfrmMain *m = makeMain();
    ASSERT_TRUE(m->actReportNewConnectCustALL->isEnabled());
    m->actReportNewConnectCustALL->trigger();
    UnRegisterCommand(QStringLiteral("actReportNewConnectCustALL"));
    SetLogFile(QString());

    ASSERT_EQ(m_messages.requests.size(), 1);
    EXPECT_EQ(m_messages.requests[0].type, mtError);
    EXPECT_EQ(m_messages.lastText(), QStringLiteral("Нет словаря"));
    QFile f(logFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(f.readAll()).endsWith(QStringLiteral(" ERROR: Нет словаря\n")));
}

TEST_F(StartupRefusals, StartScriptInstallsConnectionFilesOnlyWhereMissing)
{
    QDir(dataFolder()).removeRecursively();
    ASSERT_TRUE(installConnections());
    const QString demo = QDir(connectionsFolder()).filePath(QStringLiteral("DEMO.udl"));
    QFile shipped(QStringLiteral(TARVIK_SOURCE_DIR "/connections/DEMO.udl"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QFile installed(demo);
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), shipped.readAll());
    installed.close();

    // The user's edit survives the next start.
    ASSERT_TRUE(installed.open(QIODevice::Append));
    installed.write("; my own note\r\n");
    installed.close();
    ASSERT_TRUE(installConnections());
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(installed.readAll().endsWith("; my own note\r\n"));

    // Without XDG_DATA_HOME the files go under the home folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    environment.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
    ASSERT_TRUE(installConnections(environment));
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(QStringLiteral("home/.local/share/tarvik/connections/DEMO.udl"))));
}

TEST_F(StartupRefusals, CalculatorTakesTypedKeysAndOkClosesItWithTheValue)
{
    m_shell.succeed = false;
    TfrmMain *m = makeMain();
    QStringList shown;
    const auto typeInto = [this, &shown](const QString &keys) {
        whenReady([] { return tarvik::test::activeModal<QDialog>() != nullptr; },
            [&shown, keys] {
                auto *dialog = tarvik::test::activeModal<QDialog>();
                auto *calculator = dialog->findChild<TCalculatorEh *>();
                // The calculator is the dialog's focused control: what the user types reaches it.
                EXPECT_EQ(dialog->focusWidget(), calculator);
                if (!calculator || dialog->focusWidget() != calculator) {
                    dialog->reject();
                    return;
                }
                shown << calculator->DisplayText();
                QTest::keyClicks(calculator, keys);
                shown << calculator->DisplayText();
                // Ok computes nothing more and closes the window.
                QTest::keyClick(calculator, Qt::Key_Return);
                EXPECT_EQ(dialog->result(), QDialog::Accepted);
                if (dialog->isVisible())
                    dialog->reject();
            });
    };
    typeInto(QStringLiteral("12+3="));
    m->actCalculator->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The next opening starts with that value, and typing replaces it.
    typeInto(QStringLiteral("7"));
    m->actCalculator->trigger();
    EXPECT_EQ(shown, (QStringList{ "0", "15", "15", "7" }));
}
