// The embedded database's login checks what it can in constant time: a file of any size opens as fast, a damaged
// top page or a foreign write-ahead log is still refused, and a page damaged deeper down fails the statement that
// meets it, naming the file.
#include "DataFixture.h"
#include "DatabaseError.h"
#include "BulkInsert.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 bigEndian(const QByteArray &bytes, qsizetype at)
{
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData()) + at;
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
}

// A database with enough customers for their table to span pages under its top one; answers the number of a
// page below the top (the last child the top page points at) and the page size.
struct Layout
{
    qint64 pageSize = 0;
    qint64 leaf = 0;
};

Layout makeCustomers(TDMR &dmr, const QString &file)
{
    TADOConnection &c = *dmr.dbConnection();
    QList<QVariantList> rows;
    for (int id = 1; id <= 3000; ++id)
        rows.append({ id, QString::number(100000 + id), QStringLiteral("Абонент %1").arg(id), 1 });
    c.BeginTrans();
    TBulkInsert::Insert(c, QStringLiteral("ZOLT.CUSTOMER"), { "CUSTOMER_ID", "ACCOUNT_NO", "SURNAME", "CUST_STATE" },
        rows);
    c.CommitTrans();
    Layout layout;
    layout.pageSize = c.SelectValue(QStringLiteral("PRAGMA ZOLT.page_size")).toLongLong();
    const qint64 root
        = c.SelectValue(QStringLiteral("select rootpage from ZOLT.sqlite_master where name = 'CUSTOMER'")).toLongLong();
    dmr.DbLogOut(); // the log is written back into the file
    const QByteArray bytes = fileBytes(file);
    const QByteArray top = bytes.mid((root - 1) * layout.pageSize, layout.pageSize);
    EXPECT_EQ(top.at(0), char(5)) << "the customers' top page points at further pages";
    layout.leaf = bigEndian(top, 8);
    return layout;
}

} // namespace

TEST(SpeedLogon, APageDamagedBelowTheTopFailsTheStatementThatMeetsItNamingTheFile)
{
    DataFixture fixture(TestEngine::SQLite);
    ASSERT_TRUE(fixture.isValid()) << fixture.error().toStdString();
    const QString file = fixture.sqliteFile();
    Layout layout;
    {
        auto dmr = fixture.makeReadyDmr();
        layout = makeCustomers(*dmr, file);
    }
    ASSERT_GT(layout.leaf, 1);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek((layout.leaf - 1) * layout.pageSize);
        f.write(QByteArray(int(layout.pageSize), '\xA5'));
    }

    auto dmr = fixture.makeDmr();
    ASSERT_TRUE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")))
        << dmr->LastLogonError().toStdString();
    TADOConnection &c = *dmr->dbConnection();
    try {
        c.Execute(QStringLiteral("update ZOLT.CUSTOMER set DEBT_SUM = 1"));
        ADD_FAILURE() << "a statement over the damaged page succeeded";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(file))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QLatin1String("malformed"))) << e.message().toStdString();
    }
    // The whole check is the console's: it reports the damage, as rows or as the engine's error.
    try {
        QSqlQuery check = c.OpenQuery(QStringLiteral("PRAGMA ZOLT.integrity_check"));
        ASSERT_TRUE(check.next());
        EXPECT_NE(check.value(0).toString(), QStringLiteral("ok"));
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("malformed"))) << e.message().toStdString();
    }
}

TEST(SpeedLogon, AFileCutShortIsRefusedWithoutReadingItWhole)
{
    DataFixture fixture(TestEngine::SQLite);
    ASSERT_TRUE(fixture.isValid()) << fixture.error().toStdString();
    const QString file = fixture.sqliteFile();
    {
        auto dmr = fixture.makeReadyDmr();
        makeCustomers(*dmr, file);
    }
    QByteArray bytes = fileBytes(file);
    bytes.resize(bytes.size() / 2);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    auto dmr = fixture.makeDmr();
    EXPECT_FALSE(dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST")));
    EXPECT_EQ(dmr->LastLogonFailure(), TLogonFailure::Damaged);
    EXPECT_TRUE(dmr->LastLogonError().contains(QStringLiteral("cut short (%1 bytes").arg(bytes.size())))
        << dmr->LastLogonError().toStdString();
    EXPECT_EQ(fileBytes(file), bytes);
}

TEST(SpeedLogon, AWriteAheadLogThatIsNotTheDatabasesIsRefusedAndNothingIsWritten)
{
    DataFixture fixture(TestEngine::SQLite);
    ASSERT_TRUE(fixture.isValid()) << fixture.error().toStdString();
    const QString file = fixture.sqliteFile();
    fixture.makeReadyDmr()->DbLogOut();
    const QByteArray sound = fileBytes(file);
    const QString log = file + QStringLiteral("-wal");

    // A valid log header (magic, version, page size, salts, checksum) for pages of `pageSize` bytes.
    const auto header = [](quint32 pageSize) {
        QByteArray h(32, '\0');
        const auto put = [&](int at, quint32 v) {
            for (int i = 0; i < 4; ++i)
                h[at + i] = char(v >> (24 - 8 * i));
        };
        put(0, 0x377f0683);
        put(4, 3007000);
        put(8, pageSize);
        put(16, 0x12345678);
        put(20, 0x9abcdef0);
        quint32 s0 = 0, s1 = 0;
        for (int i = 0; i < 24; i += 8) {
            s0 += bigEndian(h, i) + s1;
            s1 += bigEndian(h, i + 4) + s0;
        }
        put(24, s0);
        put(28, s1);
        return h;
    };
    const quint32 pageSize = bigEndian(sound, 16) >> 16;
    QByteArray wrongChecksum = header(pageSize);
    wrongChecksum[31] = char(wrongChecksum.at(31) ^ 1);
    struct Case
    {
        const char *name;
        QByteArray log;
        const char *reason; // empty: the login goes through
    };
    const Case cases[] = {
        { "not a log at all", QByteArray(4096, 'x'), "is not a write-ahead log" },
        { "a log of other pages", header(pageSize * 2) + QByteArray(4096, '\0'), "does not belong to it" },
        { "a log whose header is damaged", wrongChecksum + QByteArray(4096, '\0'), "is damaged" },
        { "a log cut before its first page", header(pageSize).left(20), "" },
        { "an empty log of this database", header(pageSize), "" },
    };
    for (const Case &c : cases) {
        {
            QFile f(log);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.log);
        }
        auto dmr = fixture.makeDmr();
        const bool in = dmr->DbLogON(QStringLiteral("vmdemo"), QStringLiteral("wisp"), QStringLiteral("TEST"));
        if (*c.reason == '\0') {
            EXPECT_TRUE(in) << c.name << ": " << dmr->LastLogonError().toStdString();
            dmr->DbLogOut();
            continue;
        }
        EXPECT_FALSE(in) << c.name;
        EXPECT_EQ(dmr->LastLogonFailure(), TLogonFailure::Damaged) << c.name;
        const QString error = dmr->LastLogonError();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(log)) && error.contains(QLatin1String(c.reason)))
            << c.name << ": " << error.toStdString();
        EXPECT_EQ(fileBytes(file), sound) << c.name;
        EXPECT_EQ(fileBytes(log), c.log) << c.name;
    }
}
