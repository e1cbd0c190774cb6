// The harness every later test relies on: the offscreen application, the SQLite file fixture and the
// PostgreSQL peer that ./test starts.
#include "ModalAnswer.h"
#include "Screenshot.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>

using namespace tarvik::test;

TEST(HarnessWidgets, OffscreenWidgetPaintsItsBackground)
{
    QLabel label;
    label.setAutoFillBackground(true);
    QPalette pal = label.palette();
    pal.setColor(QPalette::Window, QColor(10, 200, 30));
    label.setPalette(pal);
    label.resize(40, 20);
    const QImage img = label.grab().toImage();
    ASSERT_EQ(img.size(), QSize(40, 20) * img.devicePixelRatio());
    EXPECT_EQ(img.pixelColor(5, 5), QColor(10, 200, 30));
}

TEST(HarnessModalAnswer, AnswersTheDialogOnceAndNeverOneOpenedAfterItStopped)
{
    const auto dialogUp = [] { return activeModal<QDialog>() != nullptr; };
    int answered = 0;
    {
        ModalAnswer answer(dialogUp, [&answered] {
            ++answered;
            activeModal<QDialog>()->accept();
        });
        EXPECT_FALSE(answer.ran());
        QDialog first;
        EXPECT_EQ(first.exec(), QDialog::Accepted);
        EXPECT_TRUE(answer.ran());
        EXPECT_EQ(answered, 1);

        // It answered once: a second dialog is not its business.
        QDialog second;
        QTimer::singleShot(0, &second, [&second] { second.reject(); });
        EXPECT_EQ(second.exec(), QDialog::Rejected);
        EXPECT_EQ(answered, 1);
    }

    // An answer whose dialog never came stops with its scope and answers no later dialog.
    {
        ModalAnswer unused(dialogUp, [&answered] {
            ++answered;
            activeModal<QDialog>()->accept();
        });
        EXPECT_FALSE(unused.ran());
    }
    QDialog later;
    QTimer::singleShot(50, &later, [&later] { later.reject(); });
    EXPECT_EQ(later.exec(), QDialog::Rejected);
    EXPECT_EQ(answered, 1);
}

TEST(HarnessScreenshot, SavesOnlyUnderTheFolderItIsGivenAtTheSizeAsked)
{
    QLabel label(QStringLiteral("Июнь 2020 г."));
    const QByteArray previous = qgetenv("TARVIK_SCREENSHOT_DIR");
    qunsetenv("TARVIK_SCREENSHOT_DIR");
    EXPECT_TRUE(SaveScreenshot(&label, QStringLiteral("platform-label")).isEmpty());

    QTemporaryDir dir;
    qputenv("TARVIK_SCREENSHOT_DIR", dir.filePath(QStringLiteral("shots")).toLocal8Bit());
    const QFont font = QApplication::font();
    const QString file = SaveScreenshot(&label, QStringLiteral("platform-label"), QSize(120, 30));
    qputenv("TARVIK_SCREENSHOT_DIR", previous);
    if (previous.isEmpty())
        qunsetenv("TARVIK_SCREENSHOT_DIR");
    EXPECT_EQ(file, dir.filePath(QStringLiteral("shots/platform-label.png")));
    const QImage picture(file);
    EXPECT_EQ(picture.size(), QSize(120, 30) * picture.devicePixelRatio());
    // The fixed fonts are the picture's only: the application's own come back.
    EXPECT_EQ(QApplication::font(), font);
}

TEST(HarnessSqlite, TemporaryFileHoldsATableAndDisappears)
{
    QString path;
    {
        TempSqliteFile file;
        path = file.path();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("harness_sqlite"));
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("create table T (ID integer primary key, NAME varchar(20))")));
            ASSERT_TRUE(q.exec(QStringLiteral("insert into T values (1, 'Иванов')")));
            ASSERT_TRUE(q.exec(QStringLiteral("select NAME from T")));
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.value(0).toString(), QStringLiteral("Иванов"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("harness_sqlite"));
        EXPECT_TRUE(QFileInfo::exists(path));
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(HarnessPostgres, EachFixtureGetsAFreshDatabase)
{
    PgDatabase first;
    TARVIK_REQUIRE_PG(first);
    PgDatabase second;
    TARVIK_REQUIRE_PG(second);
    EXPECT_NE(first.name(), second.name());
    {
        QSqlDatabase db = first.connect(QStringLiteral("harness_pg"));
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("create table t (id integer primary key, name varchar(20))")));
        ASSERT_TRUE(q.exec(QStringLiteral("insert into t values (1, 'Петров')")));
        ASSERT_TRUE(q.exec(QStringLiteral("select name from t")));
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("Петров"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("harness_pg"));
    {
        QSqlDatabase db = second.connect(QStringLiteral("harness_pg2"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_FALSE(q.exec(QStringLiteral("select name from t"))) << "the second database must start empty";
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("harness_pg2"));
}
