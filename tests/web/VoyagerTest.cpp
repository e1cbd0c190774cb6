#include "dmuVoyager.h"

#include "Exceptions.h"
#include "MainWindowScope.h"
#include "MonitorLines.h"
#include "ServiceFakes.h"
#include "frmuBugDebug.h"
#include "uLog.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

// One folder for the whole test program: unixODBC may keep what it read of odbc.ini, so the data source
// "voyager-mysql" always names the same file, which each test fills anew.
const QTemporaryDir &odbcFolder()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        QFile ini(dir.filePath(QStringLiteral("odbc.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[voyager-mysql]\nDriver=SQLite3\nDatabase=" + dir.filePath(QStringLiteral("voyager.db")).toUtf8()
                  + "\n");
        qputenv("ODBCINI", ini.fileName().toLocal8Bit());
        return true;
    }();
    Q_UNUSED(written);
    return dir;
}

// The Voyager database as the SQLite ODBC driver serves it under "voyager-mysql": accounts 1 (active),
// 2 (disabled 5), 3 (disabled -1) and 4 (whose updates are refused), reached through the schema "main".
class Voyager : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_file = odbcFolder().filePath(QStringLiteral("voyager.db"));
        QFile::remove(m_file);
        run({ "create table suser (ID integer primary key, DISABLED integer, NAME text)",
            "insert into suser values (1, 0, 'a'), (2, 5, 'b'), (3, -1, 'c'), (4, 0, 'd')",
            "create trigger refuse before update on suser when NEW.ID = 4 begin select raise(abort, 'refused'); end" });
        AppSettings().VoyagerSchema = QStringLiteral("main");
        AppSettings().VoyagerPassword = QStringLiteral("Sekr3t-pw");
        AppSettings().useVoyager = true;
    }

    void TearDown() override { m_voyager.dbVoyager()->Close(); }

    void run(std::initializer_list<const char *> statements)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("voyager_direct"));
            db.setDatabaseName(m_file);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const char *statement : statements)
                ASSERT_TRUE(q.exec(QString::fromLatin1(statement))) << s(q.lastError().text());
        }
        QSqlDatabase::removeDatabase(QStringLiteral("voyager_direct"));
    }

    int storedFlag(int id)
    {
        int value = -100;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("voyager_read"));
            db.setDatabaseName(m_file);
            db.open();
            QSqlQuery q(db);
            q.exec(QStringLiteral("select DISABLED from suser where ID = %1").arg(id));
            if (q.next())
                value = q.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("voyager_read"));
        return value;
    }

    // Connects through the main window's command; a missing driver fails the test here.
    void connectNow()
    {
        RunCommand(QStringLiteral("actConnectToVoyager"));
        ASSERT_TRUE(m_voyager.dbVoyager()->Connected())
            << "The Voyager data source does not open: ./test installs unixODBC and the SQLite ODBC driver "
               "(libsqliteodbc); status: "
            << s(m_window.status(1));
    }

    tarvik::test::MainWindowScope m_window;
    TdmVoyager m_voyager;
    QString m_file;
};

TEST_F(Voyager, AccountsAreFoundAndTheirFlagsRead)
{
    connectNow();
    EXPECT_EQ(s(m_window.status(1)), "Подключен к серверу Voyager");
    const struct
    {
        const char *id;
        bool exists;
        int disabled;
    } cases[] = { { "1", true, 0 }, { "2", true, 1 }, { "3", true, 1 }, { "99", false, 255 } };
    for (const auto &c : cases) {
        EXPECT_EQ(m_voyager.voyagerUserExists(QString::fromLatin1(c.id)), c.exists) << c.id;
        EXPECT_EQ(int(m_voyager.getVoyagerUserDisabled(QString::fromLatin1(c.id))), c.disabled) << c.id;
    }
    EXPECT_THROW(m_voyager.voyagerUserExists(QStringLiteral("1 or 1=1")), EConvertError);
    EXPECT_THROW(m_voyager.getVoyagerUserDisabled(QStringLiteral("x")), EConvertError);
}

TEST_F(Voyager, FlagsAreSetAndAFailedUpdateIsRolledBack)
{
    connectNow();
    EXPECT_TRUE(m_voyager.setVoyagerUserDisabled(QStringLiteral("1"), true));
    EXPECT_EQ(storedFlag(1), 1);
    EXPECT_TRUE(m_voyager.setVoyagerUserDisabled(QStringLiteral("2"), false));
    EXPECT_EQ(storedFlag(2), 0);
    // An account without a row: nothing changes, and that is no failure.
    EXPECT_TRUE(m_voyager.setVoyagerUserDisabled(QStringLiteral("99"), true));

    EXPECT_FALSE(m_voyager.setVoyagerUserDisabled(QStringLiteral("4"), true));
    EXPECT_FALSE(m_voyager.dbVoyager()->InTransaction());
    EXPECT_EQ(storedFlag(4), 0);
    EXPECT_FALSE(m_voyager.setVoyagerUserDisabled(QStringLiteral("abc"), true));
    EXPECT_FALSE(m_voyager.dbVoyager()->InTransaction());
    // The next update runs and commits on its own.
    EXPECT_TRUE(m_voyager.setVoyagerUserDisabled(QStringLiteral("1"), false));
    EXPECT_EQ(storedFlag(1), 0);
}

TEST_F(Voyager, TheConnectCommandFollowsItsSettings)
{
    // Off: nothing is done and the status stays.
    AppSettings().useVoyager = false;
    RunCommand(QStringLiteral("actConnectToVoyager"));
    EXPECT_FALSE(m_voyager.dbVoyager()->Connected());
    EXPECT_EQ(s(m_window.status(1)), "");

    AppSettings().useVoyager = true;
    const struct
    {
        QString odbc;
        QString schema;
        bool connected;
    } cases[] = {
        { QStringLiteral("voyager-mysql"), QStringLiteral("main"), true },
        { QStringLiteral("no-such-source"), QStringLiteral("main"), false },
        { QStringLiteral("Driver=SQLite3;Database=") + m_file, QStringLiteral("main"), true },
        // A schema name that is not a plain name refuses the connect.
        { QStringLiteral("voyager-mysql"), QStringLiteral("main.suser; drop table suser; --"), false },
        { QStringLiteral("voyager-mysql"), QString(), false },
    };
    for (const auto &c : cases) {
        AppSettings().VoyagerODBC = c.odbc;
        AppSettings().VoyagerSchema = c.schema;
        RunCommand(QStringLiteral("actConnectToVoyager"));
        EXPECT_EQ(m_voyager.dbVoyager()->Connected(), c.connected) << s(c.odbc) << " " << s(c.schema);
        EXPECT_EQ(s(m_window.status(1)), c.connected ? "Подключен к серверу Voyager"
                                                     : "Ошибка при подключении к серверу Voyager");
    }
    EXPECT_EQ(storedFlag(1), 0);
}

TEST_F(Voyager, NoTraceShowsThePassword)
{
    const bool debug = IsDebugMode(), monitor = IsSqlMonitorOn();
    SetDebugMode(true);
    SetSqlMonitor(true);
    TfrmBugDebug *events = ShowEventMonitor();
    AppSettings().VoyagerODBC = QStringLiteral("DSN=voyager-mysql;PWD=Other-pw9");
    connectNow();
    m_voyager.setVoyagerUserDisabled(QStringLiteral("1"), true);
    m_voyager.setVoyagerUserDisabled(QStringLiteral("4"), true);
    m_voyager.dbVoyager()->Close();
    QApplication::processEvents();
    const QString text = events->memoEvents->toPlainText();
    events->close();
    SetDebugMode(debug);
    SetSqlMonitor(monitor);
    EXPECT_TRUE(text.contains(QStringLiteral("Connect complete"))) << s(text);
    EXPECT_TRUE(text.contains(QStringLiteral("P_DISABLED = 1"))) << s(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Sekr3t-pw"))) << s(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Other-pw9"))) << s(text);

    // The connection's events in their order: the update that succeeds, the one that is refused, the close.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QString update = QStringLiteral("update main.suser set disabled = :P_DISABLED where ID = :P_ID ");
    const QString missing = missingInOrder(lines,
        { QStringLiteral("Connected"), QStringLiteral("Begin transaction "), QStringLiteral("WillExecute.. "), update,
            QStringLiteral("P_DISABLED = 1"), QStringLiteral("P_ID = 1"), QString(), QStringLiteral("Commit transaction "),
            QStringLiteral("Begin transaction "), QStringLiteral("WillExecute.. "), update,
            QStringLiteral("P_DISABLED = 1"), QStringLiteral("P_ID = 4"), QString(),
            QStringLiteral("Rollback transaction "), QStringLiteral("Disconnect "), QStringLiteral("DisConnected") });
    EXPECT_TRUE(missing.isEmpty()) << "missing or out of order: " << s(missing) << "\n" << s(text);
    EXPECT_FALSE(lines.filter(QRegularExpression(QStringLiteral("^Execute time: [0-9.,E-]+ s\\.$"))).isEmpty()) << s(text);
}

} // namespace
