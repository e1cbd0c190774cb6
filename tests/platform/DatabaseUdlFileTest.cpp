#include "DatabaseError.h"
#include "UdlFile.h"

#include "TestSupport.h"

#include <QFile>
#include <QStringEncoder>

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

TEST(DatabaseUdlFile, ReadsUtf16AndUtf8Files)
{
    tarvik::test::TempSqliteFile dir;
    const QString text = QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n"
                                        "Provider=PostgreSQL;Data Source=localhost:5432;Initial Catalog=тарвик\r\n");
    QByteArray utf16("\xFF\xFE");
    utf16 += QStringEncoder(QStringConverter::Utf16LE).encode(text);
    for (const QByteArray &bytes : {utf16, QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text.toUtf8()}) {
        const QString path = writeFile(dir.dir() + QStringLiteral("/DEMO.udl"), bytes);
        EXPECT_EQ(UdlFile::readInitString(path),
                  QStringLiteral("Provider=PostgreSQL;Data Source=localhost:5432;Initial Catalog=тарвик"));
    }
}

TEST(DatabaseUdlFile, ParsesPairsAndQuotedValues)
{
    const TConnectionProperties p =
        UdlFile::parse(QStringLiteral("Provider=SQLite; Data Source = \"my;data.db\" ;Password='it''s';User ID=;"));
    ASSERT_EQ(p.size(), 4);
    EXPECT_EQ(p[0], TConnectionProperty(QStringLiteral("Provider"), QStringLiteral("SQLite")));
    EXPECT_EQ(p[1], TConnectionProperty(QStringLiteral("Data Source"), QStringLiteral("my;data.db")));
    EXPECT_EQ(p[2], TConnectionProperty(QStringLiteral("Password"), QStringLiteral("it's")));
    EXPECT_EQ(p[3], TConnectionProperty(QStringLiteral("User ID"), QString()));
    const TConnectionProperties odbc = UdlFile::parse(QStringLiteral("ODBC;DSN=voyager-mysql"));
    ASSERT_EQ(odbc.size(), 2);
    EXPECT_EQ(odbc[0].second, QStringLiteral("ODBC"));
    EXPECT_EQ(odbc[1], TConnectionProperty(QStringLiteral("DSN"), QStringLiteral("voyager-mysql")));
}

TEST(DatabaseUdlFile, BadFilesAreRefusedWithAMessage)
{
    tarvik::test::TempSqliteFile dir;
    const QString base = dir.dir() + QStringLiteral("/");
    const QList<QString> paths = {
        base + QStringLiteral("missing.udl"),
        writeFile(base + QStringLiteral("empty.udl"), QByteArray("[oledb]\r\n; comment only\r\n")),
        writeFile(base + QStringLiteral("binary.udl"), QByteArray("Provider=SQLite;Data Source=\xC0\xC1\xFF")),
        writeFile(base + QStringLiteral("twolines.udl"), QByteArray("Provider=SQLite\r\nData Source=x\r\n")),
        writeFile(base + QStringLiteral("nopair.udl"), QByteArray("Provider=SQLite;garbage")),
    };
    for (const QString &path : paths) {
        try {
            UdlFile::readInitString(path);
            ADD_FAILURE() << "accepted " << path.toStdString();
        } catch (const EDatabaseError &e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
}
