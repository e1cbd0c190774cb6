#pragma once

// The program's start-up objects on a temporary SQLite database: a connections folder with "TEST.udl", the
// settings file in a temporary folder, the database module and the main window, with fake message boxes,
// clock and shell.
#include "FR_Class.h"
#include "ModalAnswer.h"
#include "ServiceFakes.h"
#include "WindowMessages.h"
#include "XmlSettingsStorage.h"
#include "dmuDM.h"
#include "dmuDebtCalc.h"
#include "dmuRDM.h"
#include "frmuBugDebug.h"
#include "frmuMain.h"
#include "frmuPasswordDlg.h"
#include "uLog.h"
#include "uSettings.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

class StartupFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_debug = IsDebugMode();
        m_sql = IsSqlMonitorOn();
        // The test's folder is the user's data folder: the connection files lie in its "connections", and the
        // relative data file of TEST.udl in its "data".
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
        QDir().mkpath(connectionsFolder());
        writeUdl(QStringLiteral("TEST"), QStringLiteral("Provider=SQLite;Data Source=data/tarvik.db;Create If Missing=True;"));
        m_oldSettingsFile = SettingsStorage().fileName();
        SettingsStorage().setFileName(settingsFile());
        SettingsStorage().clear();
        AppSettings() = TAppSettings::defaults();
        m_dmr = std::make_unique<TDMR>();
        DMR = m_dmr.get();
        m_dm = std::make_unique<TDM>(DMR);
        m_debtCalc = std::make_unique<TdmDebtCalc>(DMR);
        dmDebtCalc = m_debtCalc.get();
    }

    void TearDown() override
    {
        for (const auto &answer : m_answers) {
            answer->stop();
            EXPECT_TRUE(answer->ran()) << "a dialog the test answers never opened";
        }
        m_answers.clear();
        if (TfrmBugDebug *monitor = frmBugDebug())
            monitor->close();
        m_main.reset();
        m_debtCalc.reset();
        m_dm.reset();
        m_dmr.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SettingsStorage().clear();
        SettingsStorage().setFileName(m_oldSettingsFile);
        AppSettings() = TAppSettings::defaults();
        SetDebugMode(m_debug);
        SetSqlMonitor(m_sql);
        qputenv("XDG_DATA_HOME", m_oldDataHome);
    }

    QString dataFolder() const { return m_dir.filePath(QStringLiteral("tarvik")); }
    QString connectionsFolder() const { return QDir(dataFolder()).filePath(QStringLiteral("connections")); }
    QString databaseFile() const { return QDir(dataFolder()).filePath(QStringLiteral("data/tarvik.db")); }
    QString programFolder() const { return m_dir.filePath(QStringLiteral("bin")) + QLatin1Char('/'); }
    QString settingsFile() const { return m_dir.filePath(QStringLiteral("settings.xml")); }

    void writeUdl(const QString &name, const QString &initString)
    {
        QFile f(QDir(connectionsFolder()).filePath(name + QStringLiteral(".udl")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[oledb]\r\n" + initString + "\r\n").toUtf8());
    }

    TfrmMain *makeMain(const QStringList &arguments = {})
    {
        m_main = std::make_unique<TfrmMain>(arguments);
        TProgramFolders folders = m_main->Folders();
        folders.connectionsFolder = connectionsFolder();
        // The interface dictionaries lie beside the program: each test has its own.
        folders.programFolder = programFolder();
        QDir().mkpath(programFolder());
        m_main->SetFolders(folders);
        m_main->resize(1024, 700);
        return m_main.get();
    }

    // Shows the main window; the login of its first showing is cancelled, which shows nothing.
    void showMain()
    {
        tarvik::test::ModalAnswer &cancel = answerLogin(QString(), QString(), false);
        m_main->show();
        ASSERT_TRUE(waitUntil([&cancel] { return cancel.ran(); }));
        EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    }

    // Once `ready` holds (a dialog is up), runs `act` once, from the event loop of whatever waits. The answer
    // stops with the test, which fails when the dialog never came.
    tarvik::test::ModalAnswer &whenReady(std::function<bool()> ready, std::function<void()> act)
    {
        m_answers.push_back(std::make_unique<tarvik::test::ModalAnswer>(std::move(ready), std::move(act)));
        return *m_answers.back();
    }

    // Answers the next login dialog by typing into it as a user would, then pressing Ok or Cancel.
    tarvik::test::ModalAnswer &answerLogin(const QString &user, const QString &password, bool ok = true)
    {
        return whenReady([] { return frmPasswordDlg && frmPasswordDlg->isVisible(); },
            [=] {
                TfrmPasswordDlg *dialog = frmPasswordDlg;
                dialog->edUserName->clear();
                QTest::keyClicks(dialog->edUserName, user);
                dialog->edUserPassword->clear();
                QTest::keyClicks(dialog->edUserPassword, password);
                QTest::mouseClick(ok ? dialog->btnOk : dialog->btnCancel, Qt::LeftButton);
            });
    }

    // The connect action with the login dialog answered.
    void login(const QString &user = QStringLiteral("vmdemo"), const QString &password = QStringLiteral("wisp"))
    {
        login(m_main.get(), user, password);
    }
    void login(
        TfrmMain *m, const QString &user = QStringLiteral("vmdemo"), const QString &password = QStringLiteral("wisp"))
    {
        answerLogin(user, password);
        m->actFileDatabaseConnect->trigger();
    }

    // Runs the event loop until the condition holds; false when it still does not after `ms`, a bound far
    // beyond what a loaded machine needs, so that only a fault reaches it.
    static bool waitUntil(const std::function<bool()> &condition, int ms = 30000)
    {
        return QTest::qWaitFor(condition, ms);
    }

    static QStringList monitorLines()
    {
        const TfrmBugDebug *monitor = frmBugDebug();
        if (!monitor || monitor->memoEvents->toPlainText().isEmpty())
            return {};
        return monitor->memoEvents->toPlainText().split(QLatin1Char('\n'));
    }

    static bool isConnected() { return DM && DM->IsDatabaseConnected(); }

    // A report of one page with one line, shown as the program shows its documents: a preview that is a
    // sub-window of the main window.
    static void previewInMainWindow(TfrReport &report)
    {
        report.Pages().Add();
        auto *memo = new TfrMemoView;
        memo->Name = QStringLiteral("Memo1");
        memo->Left = 40;
        memo->Top = 40;
        memo->Width = 300;
        memo->Height = 20;
        memo->Memo = QStringList { QStringLiteral("Квитанция") };
        report.Pages()[0]->AddObject(memo);
        report.ShowProgress = false;
        report.MDIPreview = true;
        report.ModalPreview = false;
        report.PreviewReport();
    }

    // A first login made the demo database with its configuration row; the session is closed again.
    void makeDatabase()
    {
        login();
        ASSERT_TRUE(isConnected()) << m_messages.lastText().toStdString();
        m_main->actFileDatabaseConnect->trigger();
        ASSERT_FALSE(isConnected());
        m_messages.requests.clear();
    }

    void setReadOnly(bool readOnly)
    {
        const QFile::Permissions read = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        ASSERT_TRUE(QFile::setPermissions(databaseFile(), readOnly ? read : read | QFile::WriteOwner));
    }

    QVariant selectValue(const QString &sql) { return DMR->dbConnection()->SelectValue(sql); }

    // The start script's installation of the shipped connection files into the test's data folder.
    bool installConnections(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess script;
        script.setProcessEnvironment(environment);
        script.start(QStringLiteral(TARVIK_SOURCE_DIR "/scripts/install-connections"), QStringList());
        return script.waitForFinished(30000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    }

    // A value read from the embedded database file on a connection of its own (the session may be closed).
    QVariant valueInFile(const QString &sql)
    {
        TADOConnection c;
        c.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=%1").arg(databaseFile()));
        c.Open();
        return c.SelectValue(sql);
    }

    FakeMessageService m_messages;
    FakeClock m_clock { QDateTime(QDate(2020, 6, 20), QTime(10, 0)) };
    FakeShellService m_shell;
    QTemporaryDir m_dir;
    std::unique_ptr<TDMR> m_dmr;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TdmDebtCalc> m_debtCalc;
    std::unique_ptr<TfrmMain> m_main;

private:
    std::vector<std::unique_ptr<tarvik::test::ModalAnswer>> m_answers;
    QString m_oldSettingsFile;
    QByteArray m_oldDataHome;
    bool m_debug = false;
    bool m_sql = true;
};
