// Faults of the login found by a first-day run: every failure spoke of a name or a password, a cancel was an
// error, a database that takes no changes said nothing, a failed structure update did not say why.
#include "StartupFixture.h"

#include "TestSupport.h"
#include "uSession.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>

namespace {

const QString PasswordHint = QStringLiteral("Возможно имя или пароль введены неверно");

class HardeningLogin : public StartupFixture
{
};

} // namespace

TEST_F(HardeningLogin, EachFailureStartsWithItsOwnTextAndACancelSaysNothing)
{
    tarvik::test::PgDatabase db;
    TARVIK_REQUIRE_PG(db);
    const tarvik::test::PgServer *pg = &db.server();
    {
        // The demo user exists on the server, so that only the database can be missing.
        QSqlDatabase admin = db.connect(QStringLiteral("hardening_login_admin"));
        ASSERT_TRUE(admin.open()) << admin.lastError().text().toStdString();
        QSqlQuery(admin).exec(
            QStringLiteral("DO $$ BEGIN CREATE ROLE \"VMDEMO\" LOGIN; EXCEPTION WHEN OTHERS THEN NULL; END $$"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("hardening_login_admin"));
    const QString server = QStringLiteral("Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;");
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = closed.serverPort();
    closed.close();
    const QString emptyFile = QDir(dataFolder()).filePath(QStringLiteral("data/empty.db"));

    struct Case
    {
        const char *name;
        QString connection;
        QString user;
        QString head; // empty: no box at all
        QString reason;
        bool cancel = false;
    };
    const Case cases[] = {
        { "cancelled", QStringLiteral("Provider=SQLite;Data Source=data/tarvik.db;Create If Missing=True;"),
            QStringLiteral("vmdemo"), QString(), QString(), true },
        { "a missing data file", QStringLiteral("Provider=SQLite;Data Source=data/none.db;"), QStringLiteral("vmdemo"),
            QStringLiteral("База данных не найдена"), QDir(dataFolder()).filePath(QStringLiteral("data/none.db")) },
        // Taken for a new database, it was given the whole schema after questions of a version and of rights.
        { "an empty data file", QStringLiteral("Provider=SQLite;Data Source=%1;Create If Missing=True;").arg(emptyFile),
            QStringLiteral("vmdemo"), QStringLiteral("База данных повреждена"), emptyFile },
        { "a server that is not there", server.arg(pg->host).arg(closedPort).arg(db.name()), QStringLiteral("vmdemo"),
            QStringLiteral("База данных недоступна"), QStringLiteral("refused") },
        { "a database the server has not", server.arg(pg->host).arg(pg->port).arg(QStringLiteral("tarvik_none")),
            QStringLiteral("vmdemo"), QStringLiteral("База данных не найдена"), QStringLiteral("tarvik_none") },
        { "a user the server does not know", server.arg(pg->host).arg(pg->port).arg(db.name()),
            QStringLiteral("nobody_here"), QStringLiteral("Ошибка соединения с базой данных\r") + PasswordHint,
            QStringLiteral("NOBODY_HERE") },
    };
    QDir().mkpath(QFileInfo(emptyFile).absolutePath());
    ASSERT_TRUE(QFile(emptyFile).open(QIODevice::WriteOnly));
    TfrmMain *m = makeMain();
    for (const Case &c : cases) {
        writeUdl(QStringLiteral("TEST"), c.connection);
        m_messages.requests.clear();
        answerLogin(c.user, QStringLiteral("wisp"), !c.cancel);
        m->actFileDatabaseConnect->trigger();
        EXPECT_FALSE(isConnected()) << c.name;
        if (c.head.isEmpty()) {
            EXPECT_TRUE(m_messages.requests.isEmpty()) << c.name << ": " << m_messages.lastText().toStdString();
            continue;
        }
        ASSERT_EQ(m_messages.requests.size(), 1) << c.name << ": " << m_messages.lastText().toStdString();
        const QString text = m_messages.lastText();
        EXPECT_EQ(m_messages.requests[0].type, mtError) << c.name;
        EXPECT_TRUE(text.startsWith(c.head + QLatin1Char('\r'))) << c.name << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(c.reason)) << c.name << ": " << text.toStdString();
        if (!c.head.endsWith(PasswordHint)) {
            EXPECT_FALSE(text.contains(PasswordHint)) << c.name << ": " << text.toStdString();
        }
    }
    EXPECT_EQ(QFileInfo(emptyFile).size(), 0) << "nothing is written into a damaged file";
}

TEST_F(HardeningLogin, ADatabaseThatTakesNoChangesSaysSoOnceAndInTheTitle)
{
    TfrmMain *m = makeMain();
    makeDatabase();
    setReadOnly(true);
    login();
    ASSERT_TRUE(isConnected()) << m_messages.lastText().toStdString();
    ASSERT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    EXPECT_EQ(m_messages.requests[0].type, mtInformation);
    EXPECT_EQ(m_messages.lastText(), Session::ReadOnlyNotice);
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik[ Только чтение ]"));
    // The menus refreshed by the session's windows keep saying it, and the box is not shown again.
    m->UpdateMenu();
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik[ Только чтение ]"));
    EXPECT_EQ(m_messages.requests.size(), 1);

    m->actFileDatabaseConnect->trigger();
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik[ Нет соединения с БД ]"));
    setReadOnly(false);
    m_messages.requests.clear();
    login();
    ASSERT_TRUE(isConnected());
    EXPECT_TRUE(m_messages.requests.isEmpty()) << m_messages.lastText().toStdString();
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tarvik"));
}

TEST_F(HardeningLogin, AStructureUpdateWhoseOwnerCannotLogOnSaysWhy)
{
    TfrmMain *m = makeMain();
    login();
    ASSERT_TRUE(isConnected()) << m_messages.lastText().toStdString();
    m_messages.requests.clear();
    // The owner's logon opens the file anew and no longer finds it.
    ASSERT_TRUE(QFile::rename(databaseFile(), databaseFile() + QStringLiteral(".moved")));
    m->actCorrectData->trigger();
    ASSERT_EQ(m_messages.requests.size(), 1) << m_messages.lastText().toStdString();
    const QString text = m_messages.lastText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Нет подключения к БД владельцем схемы\r"))) << text.toStdString();
    EXPECT_TRUE(text.contains(databaseFile())) << text.toStdString();
    EXPECT_FALSE(isConnected());
}
