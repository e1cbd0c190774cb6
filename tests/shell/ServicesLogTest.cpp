// The log service and the event monitor: lines reach the monitor only while it is open and both the
// debug mode and the SQL monitor are on.
#include "LogSink.h"
#include "ServiceFakes.h"
#include "frmuAbout.h"
#include "frmuBugDebug.h"
#include "uLog.h"
#include "uSettings.h"
#include "XmlSettingsStorage.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace {

class ServicesLog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_debug = IsDebugMode();
        m_sql = IsSqlMonitorOn();
        SettingsStorage().clear();
    }

    void TearDown() override
    {
        if (TfrmBugDebug *monitor = frmBugDebug())
            monitor->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetDebugMode(m_debug);
        SetSqlMonitor(m_sql);
        setPlatformLogSink({});
    }

    static QStringList lines()
    {
        const TfrmBugDebug *monitor = frmBugDebug();
        if (!monitor || monitor->memoEvents->toPlainText().isEmpty())
            return {};
        return monitor->memoEvents->toPlainText().split(QLatin1Char('\n'));
    }

private:
    bool m_debug = false;
    bool m_sql = true;
};

} // namespace

TEST_F(ServicesLog, MonitorReceivesLinesOnlyWithBothSwitchesOn)
{
    ShowEventMonitor();
    const struct
    {
        bool debug;
        bool sql;
        bool shown;
    } cases[] = {{false, false, false}, {false, true, false}, {true, false, false}, {true, true, true}};
    for (const auto &c : cases) {
        frmBugDebug()->memoEvents->clear();
        SetDebugMode(c.debug);
        SetSqlMonitor(c.sql);
        SendToEventMonitor(QStringLiteral("raw"));
        LogError(QStringLiteral("failed"));
        LogDebug(QStringLiteral("select 1"));
        const QStringList expected = c.shown ? QStringList{QStringLiteral("raw"), QStringLiteral("ERROR: failed"),
                                                          QStringLiteral("DEBUG: select 1")}
                                             : QStringList{};
        EXPECT_EQ(lines(), expected) << "debug " << c.debug << " sql " << c.sql;
    }

    SetSqlMonitor(false);
    LogDebug(QStringLiteral("hidden"));
    SetSqlMonitor(true);
    LogDebug(QStringLiteral("again"));
    EXPECT_EQ(lines().last(), QStringLiteral("DEBUG: again"));
    EXPECT_FALSE(lines().contains(QStringLiteral("DEBUG: hidden")));
}

TEST_F(ServicesLog, WithoutAnOpenMonitorEveryCallIsSilent)
{
    SetDebugMode(true);
    SetSqlMonitor(true);
    LogError(QStringLiteral("nobody listens"));
    ShowEventMonitor()->close();
    EXPECT_EQ(frmBugDebug(), nullptr);
    LogError(QStringLiteral("still nobody"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmBugDebug(), nullptr);

    ShowEventMonitor();
    EXPECT_TRUE(lines().isEmpty());
}

TEST_F(ServicesLog, LowerLayersLogThroughTheSameSwitches)
{
    InstallLogService();
    ShowEventMonitor();
    SetDebugMode(true);
    SetSqlMonitor(true);
    platformLog(LogKind::Error, QStringLiteral("connection lost"));
    platformLog(LogKind::Debug, QStringLiteral("select * from ZOLT.CUSTOMER"));
    platformLog(LogKind::Raw, QStringLiteral("trace"));
    SetSqlMonitor(false);
    platformLog(LogKind::Error, QStringLiteral("hidden"));
    EXPECT_EQ(lines(), (QStringList{QStringLiteral("ERROR: connection lost"),
                                    QStringLiteral("DEBUG: select * from ZOLT.CUSTOMER"), QStringLiteral("trace")}));
}

TEST_F(ServicesLog, LinesFromAnotherThreadArriveOnTheUserInterfaceThread)
{
    ShowEventMonitor();
    SetDebugMode(true);
    SetSqlMonitor(true);
    QThread *worker = QThread::create([] { LogDebug(QStringLiteral("from the server thread")); });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_TRUE(lines().isEmpty());
    QApplication::processEvents();
    EXPECT_EQ(lines(), QStringList{QStringLiteral("DEBUG: from the server thread")});
}

TEST_F(ServicesLog, OneMonitorWhosePlacementIsKept)
{
    TfrmBugDebug *first = ShowEventMonitor();
    EXPECT_EQ(ShowEventMonitor(), first);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Монитор событий"));
    EXPECT_FALSE(first->isModal());
    first->setGeometry(40, 50, 500, 300);
    first->close();
    EXPECT_EQ(SettingsStorage().readInteger(QStringLiteral("frmBugDebug\\Width"), 0), 500);
    EXPECT_EQ(SettingsStorage().readInteger(QStringLiteral("frmBugDebug\\Height"), 0), 300);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    TfrmBugDebug *second = ShowEventMonitor();
    EXPECT_EQ(second->size(), QSize(500, 300));
}

TEST(ServicesReconcile, MessageNamesDatasetKindAndServerError)
{
    EXPECT_EQ(ReconcileErrorMessage(QStringLiteral("cdsPayment"), ReconcileKind::Insert,
                                    QStringLiteral("unique constraint violated"), QStringLiteral("ZOLT.PAYMENT")),
              QStringLiteral("ERROR: Ошибка обновления - cdsPayment Добавление\runique constraint violated ZOLT.PAYMENT"));
    EXPECT_EQ(ReconcileErrorMessage(QStringLiteral("cdsCustomer"), ReconcileKind::Modify, QStringLiteral("m"),
                                    QStringLiteral("c")),
              QStringLiteral("ERROR: Ошибка обновления - cdsCustomer Изменение\rm c"));
    EXPECT_EQ(ReconcileErrorMessage(QStringLiteral("cdsHouse"), ReconcileKind::Delete, QStringLiteral("%1"),
                                    QStringLiteral("%2")),
              QStringLiteral("ERROR: Ошибка обновления - cdsHouse Удаление\r%1 %2"));
}

TEST_F(ServicesLog, ReconcileFailureIsLoggedTwiceMarkedAndShown)
{
    FakeMessageService messages;
    ShowEventMonitor();
    SetDebugMode(true);
    SetSqlMonitor(true);
    HandleReconcileError(QStringLiteral("cdsPayment"), ReconcileKind::Insert, QStringLiteral("duplicate key"),
                         QStringLiteral("PAYMENT_PK"));
    const QString message = QStringLiteral("ERROR: Ошибка обновления - cdsPayment Добавление\rduplicate key PAYMENT_PK");
    // The memo shows the carriage return as a line break.
    EXPECT_EQ(frmBugDebug()->memoEvents->toPlainText(), QString(QStringLiteral("ERROR: ") + message).replace('\r', '\n'));
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests[0].text, message);
    EXPECT_EQ(messages.requests[0].type, mtError);
    EXPECT_EQ(messages.requests[0].buttons, TMsgDlgButtons(mbOK));
}

TEST(ServicesProgramInfo, VersionAndHostName)
{
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+\\.0$"))
                    .match(GetProgramVersion())
                    .hasMatch())
        << GetProgramVersion().toStdString();
    const QString host = GetLocalHostName();
    EXPECT_FALSE(host.isEmpty());
    EXPECT_LE(host.size(), 128);
    EXPECT_EQ(host, host.trimmed());
}

TEST(ServicesAbout, ShowsVersionAndOpensLinksThroughTheShell)
{
    FakeShellService shell;
    TfrmAbout box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("О программе.."));
    EXPECT_EQ(box.lblVersion->text(), QStringLiteral("Версия: ") + GetProgramVersion());
    EXPECT_FALSE(box.lblOS->text().isEmpty());
    box.show();

    QLabel *link = nullptr;
    for (QLabel *label : box.findChildren<QLabel *>()) {
        if (label->property("link").toString().startsWith(QLatin1String("mailto:")))
            link = label;
    }
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(shell.opened, QStringList{link->property("link").toString()});
    EXPECT_TRUE(box.isVisible());

    QTest::mouseClick(box.findChild<QPlainTextEdit *>()->viewport(), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(ServicesLogFile, ErrorsGoToTheFileWhateverTheSwitchesAndTheFileIsRotated)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("nested/tarvik.log"));
    const FakeClock clock(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)));
    SetLogFile(file, 200);
    EXPECT_EQ(LogFileName(), file);
    const bool debug = IsDebugMode();
    SetDebugMode(false);
    LogDebug(QStringLiteral("not an error"));
    // Each line is 2021-03-04 05:06:07 ERROR: line NN (35 bytes with its line feed): five fit in 200 bytes.
    for (int i = 10; i < 22; ++i)
        LogError(QStringLiteral("line %1").arg(i));
    LogError(QStringLiteral("first\rsecond"));
    SetLogFile(QString());
    LogError(QStringLiteral("after the file was stopped"));
    SetDebugMode(debug);

    const auto read = [](const QString &name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    const QString current = read(file);
    const QString older = read(file + QStringLiteral(".1"));
    EXPECT_LE(current.toUtf8().size(), 200);
    EXPECT_LE(older.toUtf8().size(), 200);
    EXPECT_TRUE(current.endsWith(QStringLiteral("2021-03-04 05:06:07 ERROR: first\nsecond\n"))) << current.toStdString();
    // Lines 10 to 14 filled the first file and went with the second rotation; 15 to 19 are the older file.
    EXPECT_TRUE(current.startsWith(QStringLiteral("2021-03-04 05:06:07 ERROR: line 20\n"))) << current.toStdString();
    EXPECT_TRUE(older.startsWith(QStringLiteral("2021-03-04 05:06:07 ERROR: line 15\n"))) << older.toStdString();
    EXPECT_TRUE(older.endsWith(QStringLiteral("ERROR: line 19\n"))) << older.toStdString();
    EXPECT_FALSE((current + older).contains(QStringLiteral("not an error")));
    EXPECT_FALSE((current + older).contains(QStringLiteral("stopped")));
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".2")));
}
