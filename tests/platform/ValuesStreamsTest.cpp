// The code pages at the file boundary and the byte layouts of the engine's streams.
#include "CodePage.h"
#include "Streams.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(ValuesCodePage, RussianTextBothWays)
{
    const QString text = QStringLiteral("Ёлка ёж Щ №1 «х»");
    const QByteArray cp1251 = QStringToCP1251(text);
    EXPECT_EQ(cp1251,
        QByteArray("\xA8\xEB\xEA\xE0 \xB8\xE6 \xD9 \xB9"
                   "1 \xAB\xF5\xBB"));
    EXPECT_EQ(CP1251ToQString(cp1251), text);

    const QByteArray cp866 = QStringToCP866(QStringLiteral("Ёлка ж"));
    EXPECT_EQ(cp866, QByteArray("\xF0\xAB\xAA\xA0 \xA6"));
    EXPECT_EQ(CP866ToQString(cp866), QStringLiteral("Ёлка ж"));

    // Every byte of CP866 is a character, and NUL bytes are kept.
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    EXPECT_EQ(QStringToCP866(CP866ToQString(all)), all);

    // ASCII is read as it is, and the first byte above it is a letter again.
    EXPECT_EQ(CP1251ToQString(QByteArray("a\0\x7F", 3)), QString::fromLatin1("a\0\x7F", 3));
    EXPECT_EQ(CP1251ToQString(QByteArray("\x7F\x80")), QStringLiteral("\x7F\u0402"));
    EXPECT_EQ(CP866ToQString(QByteArray("\x7F\x80")), QStringLiteral("\x7F\u0410"));
}

TEST(ValuesCodePage, UnrepresentableCharactersBecomeQuestionMarks)
{
    // One "?" per character, a surrogate pair included.
    EXPECT_EQ(QStringToCP1251(QStringLiteral("a€b漢c😀d")),
        QByteArray("a\x88"
                   "b?c?d"));
    EXPECT_EQ(QStringToCP866(QStringLiteral("№€")), QByteArray("\xFC?"));
    // 0x98 is the one byte CP1251 leaves undefined.
    EXPECT_EQ(CP1251ToQString(QByteArray("a\x98"
                                         "b")),
        QStringLiteral("a?b"));
    EXPECT_TRUE(QStringToCP1251(QString()).isEmpty());
    EXPECT_TRUE(CP1251ToQString(QByteArray()).isEmpty());
}

TEST(ValuesStreams, LittleEndianValuesAndEngineStrings)
{
    TMemoryStream s;
    s.WriteByte(0xAB);
    s.WriteInt16(-2);
    s.WriteUInt16(0x1234);
    s.WriteInt32(-100000);
    s.WriteInt64(0x0102030405060708);
    s.WriteSingle(1.5f);
    s.WriteDouble(-2.25);
    s.WriteBool16(true);
    s.WriteBool16(false);
    s.WriteStreamString(QStringLiteral("Ия"));
    s.WriteStreamString(QString());

    const QByteArray expected = QByteArray("\xAB"
                                           "\xFE\xFF"
                                           "\x34\x12"
                                           "\x60\x79\xFE\xFF"
                                           "\x08\x07\x06\x05\x04\x03\x02\x01"
                                           "\x00\x00\xC0\x3F",
                                    21)
        + QByteArray("\x00\x00\x00\x00\x00\x00\x02\xC0", 8) + QByteArray("\xFF\xFF\x00\x00", 4)
        + QByteArray("\x02\x00\xC8\xFF\x00", 5) + QByteArray("\x00\x00\x00", 3);
    EXPECT_EQ(s.Bytes().toHex(' '), expected.toHex(' '));

    s.SetPosition(0);
    EXPECT_EQ(s.ReadByte(), 0xAB);
    EXPECT_EQ(s.ReadInt16(), -2);
    EXPECT_EQ(s.ReadUInt16(), 0x1234);
    EXPECT_EQ(s.ReadInt32(), -100000);
    EXPECT_EQ(s.ReadInt64(), 0x0102030405060708);
    EXPECT_EQ(s.ReadSingle(), 1.5f);
    EXPECT_EQ(s.ReadDouble(), -2.25);
    EXPECT_TRUE(s.ReadBool16());
    EXPECT_FALSE(s.ReadBool16());
    EXPECT_EQ(s.ReadStreamString(), QStringLiteral("Ия"));
    EXPECT_EQ(s.ReadStreamString(), QString());
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_THROW(s.ReadByte(), EReadError);

    // Any non-zero 16-bit value reads as true.
    TMemoryStream one(QByteArray("\x01\x00", 2));
    EXPECT_TRUE(one.ReadBool16());
}

TEST(ValuesStreams, DamagedLengthsAndOversizedStrings)
{
    // A length far past the end raises before anything is allocated.
    TMemoryStream damaged(QByteArray("\xFF\xFF"
                                     "ab",
        4));
    EXPECT_THROW(damaged.ReadStreamString(), EReadError);

    TMemoryStream s;
    s.WriteByte(1);
    EXPECT_THROW(s.WriteStreamString(QString(70000, QLatin1Char('x'))), EWriteError);
    EXPECT_EQ(s.Size(), 1) << "nothing of the refused string is written";
    s.WriteStreamString(QString(65535, QLatin1Char('x')));
    EXPECT_EQ(s.Size(), 1 + 2 + 65535 + 1);
}

TEST(ValuesStreams, SeekSizeAndCopy)
{
    TMemoryStream s(QByteArray("0123456789"));
    EXPECT_EQ(s.Seek(-3, soEnd), 7);
    EXPECT_EQ(s.ReadByte(), '7');
    EXPECT_EQ(s.Seek(-2, soCurrent), 6);
    EXPECT_EQ(s.Seek(-20, soCurrent), 0);
    s.Seek(12, soBeginning);
    s.WriteByte('x');
    EXPECT_EQ(s.Bytes(), QByteArray("0123456789\0\0x", 13));
    s.SetSize(4);
    EXPECT_EQ(s.Position(), 4);
    EXPECT_EQ(s.Bytes(), QByteArray("0123"));

    TMemoryStream target;
    target.WriteByte('>');
    s.SetPosition(1);
    EXPECT_EQ(target.CopyFrom(s, 2), 2);
    EXPECT_EQ(target.Bytes(), QByteArray(">12"));
    EXPECT_EQ(target.CopyFrom(s, 0), 4);
    EXPECT_EQ(target.Bytes(), QByteArray(">120123"));
    s.SetPosition(3);
    EXPECT_THROW(target.CopyFrom(s, 5), EReadError);
}

TEST(ValuesStreams, FilesAndTheirErrors)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.bin"));
    {
        TFileStream f(path, fmCreate);
        f.WriteInt32(42);
        f.WriteStreamString(QStringLiteral("Тест"));
        EXPECT_EQ(f.Size(), 4 + 2 + 4 + 1);
    }
    {
        TFileStream f(path, fmOpenRead);
        EXPECT_EQ(f.ReadInt32(), 42);
        EXPECT_EQ(f.ReadStreamString(), QStringLiteral("Тест"));
        EXPECT_THROW(f.WriteByte(1), EWriteError);
    }
    {
        TFileStream f(path, fmOpenReadWrite);
        f.Seek(0, soEnd);
        f.WriteByte(7);
        f.SetSize(5);
        EXPECT_EQ(f.Size(), 5);
    }
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("missing.bin")), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("no/such/dir.bin")), fmCreate), EFCreateError);

    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(m.Size(), 5);
    const QString copy = dir.filePath(QStringLiteral("copy.bin"));
    m.SaveToFile(copy);
    QFile check(copy);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), m.Bytes());
    EXPECT_THROW(m.SaveToFile(dir.filePath(QStringLiteral("no/such/dir.bin"))), EFCreateError);
    EXPECT_THROW(m.LoadFromFile(dir.filePath(QStringLiteral("missing.bin"))), EFOpenError);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "a failed save leaves no stray file";
}

} // namespace
