// Faults of the logon found by hostile input: files that the engine would take for a new database, and
// databases that take no changes.
#include "DataFixture.h"
#include "DatabaseError.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HardeningLogon : public ::testing::TestWithParam<TestEngine>
{
protected:
    void SetUp() override
    {
        fixture = std::make_unique<DataFixture>(GetParam());
        ASSERT_TRUE(fixture->isValid()) << fixture->error().toStdString();
    }

    // The database refuses every change from the next logon on.
    void makeReadOnly(bool readOnly)
    {
        if (GetParam() == TestEngine::SQLite) {
            const QFile::Permissions read = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
            ASSERT_TRUE(QFile::setPermissions(fixture->sqliteFile(), readOnly ? read : read | QFile::WriteOwner));
            return;
        }
        const QString name = QStringLiteral("hardening_logon_admin_") + fixture->pg()->name();
        {
            QSqlDatabase admin = fixture->pg()->connect(name);
            ASSERT_TRUE(admin.open());
            QSqlQuery q(admin);
            // A session on a read-only database starts read-only itself, the one that lifts it too.
            ASSERT_TRUE(q.exec(QStringLiteral("SET default_transaction_read_only = off")));
            ASSERT_TRUE(q.exec(QStringLiteral("ALTER DATABASE %1 SET default_transaction_read_only = %2")
                                   .arg(fixture->pg()->name(), readOnly ? "on" : "off")))
                << q.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase(name);
    }

    std::unique_ptr<DataFixture> fixture;
};
INSTANTIATE_TEST_SUITE_P(
    Hardening, HardeningLogon, ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL), engineName);

} // namespace

TEST_P(HardeningLogon, ADatabaseThatTakesNoChangesIsKnownAtLogon)
{
    auto dmr = fixture->makeReadyDmr();
    EXPECT_FALSE(dmr->IsReadOnly());

    makeReadOnly(true);
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")))
        << dmr->LastLogonError().toStdString();
    EXPECT_TRUE(dmr->IsReadOnly());
    EXPECT_THROW(dmr->dbConnection()->Execute(QStringLiteral("update ZOLT.COMPANY set NOTICE = 'x'")), EDatabaseError);
    dmr->DbLogOut();
    EXPECT_FALSE(dmr->IsReadOnly()) << "a closed session says nothing of the database";

    makeReadOnly(false);
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
    EXPECT_FALSE(dmr->IsReadOnly());
}

// The engine takes an empty or cut file for a new, empty database: the logon would write a whole schema into
// it, whether or not the connection file asks for a missing database to be made. Such a file is a damaged
// database, named, and stays as it was.
TEST(HardeningLogonFile, AnEmptyOrCutFileIsADamagedDatabaseAndIsNotWritten)
{
    QByteArray header;
    {
        DataFixture sound(TestEngine::SQLite);
        sound.makeReadyDmr();
        header = fileBytes(sound.sqliteFile()).left(60);
        ASSERT_EQ(header.size(), 60);
    }
    struct Case
    {
        const char *name;
        QByteArray content;
        QString reason;
    };
    const Case cases[] = {
        { "empty", QByteArray(), QStringLiteral("it is empty") },
        { "the start of a database", header, QStringLiteral("too short to hold a database (60 bytes)") },
        { "a page of zeros", QByteArray(4096, '\0'), QStringLiteral("file is not a database") },
    };
    for (const bool create : { false, true }) {
        for (const Case &c : cases) {
            const QString what = QStringLiteral("%1, %2").arg(QLatin1String(c.name), create ? "create" : "no create");
            QTemporaryDir dir;
            const QString file = dir.filePath(QStringLiteral("tarvik.db"));
            {
                QFile f(file);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(c.content);
            }
            QDir().mkpath(dir.filePath(QStringLiteral("connections")));
            QFile udl(dir.filePath(QStringLiteral("connections/TEST.udl")));
            ASSERT_TRUE(udl.open(QIODevice::WriteOnly));
            udl.write(QStringLiteral("[oledb]\r\nProvider=SQLite;Data Source=%1;%2\r\n")
                          .arg(file, create ? "Create If Missing=True;" : "")
                          .toUtf8());
            udl.close();

            TDMR dmr;
            dmr.SetConnectionsFolder(dir.filePath(QStringLiteral("connections")));
            EXPECT_FALSE(dmr.DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")))
                << what.toStdString();
            EXPECT_FALSE(dmr.Get_DatabaseConnectStatus()) << what.toStdString();
            EXPECT_EQ(dmr.LastLogonFailure(), TLogonFailure::Damaged) << what.toStdString();
            const QString error = dmr.LastLogonError();
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(file)) && error.contains(c.reason))
                << what.toStdString() << ": " << error.toStdString();
            EXPECT_EQ(fileBytes(file), c.content) << what.toStdString();
            EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral("-wal"))) << what.toStdString();
            EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral("-shm"))) << what.toStdString();
        }
    }
}
