#include "Streams.h"

#include "CodePage.h"

#include <QSaveFile>
#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void readError()
{
    throw EReadError(QStringLiteral("Stream read error"));
}

template <class T> T readLittleEndian(TStream &stream)
{
    uchar bytes[sizeof(T)];
    stream.ReadBuffer(bytes, sizeof(T));
    return qFromLittleEndian<T>(bytes);
}

template <class T> void writeLittleEndian(TStream &stream, T value)
{
    uchar bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    stream.WriteBuffer(bytes, sizeof(T));
}

} // namespace

void TStream::ReadBuffer(void *buffer, qint64 count)
{
    if (count < 0 || (count > 0 && Read(buffer, count) != count))
        readError();
}

void TStream::WriteBuffer(const void *buffer, qint64 count)
{
    if (count < 0 || (count > 0 && Write(buffer, count) != count))
        throw EWriteError(QStringLiteral("Stream write error"));
}

qint64 TStream::CopyFrom(TStream &source, qint64 count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buffer[65536];
    qint64 left = count;
    while (left > 0) {
        const qint64 n = std::min<qint64>(left, sizeof buffer);
        source.ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        left -= n;
    }
    return count;
}

quint8 TStream::ReadByte()
{
    return readLittleEndian<quint8>(*this);
}
qint16 TStream::ReadInt16()
{
    return readLittleEndian<qint16>(*this);
}
quint16 TStream::ReadUInt16()
{
    return readLittleEndian<quint16>(*this);
}
qint32 TStream::ReadInt32()
{
    return readLittleEndian<qint32>(*this);
}
quint32 TStream::ReadUInt32()
{
    return readLittleEndian<quint32>(*this);
}
qint64 TStream::ReadInt64()
{
    return readLittleEndian<qint64>(*this);
}
float TStream::ReadSingle()
{
    return readLittleEndian<float>(*this);
}
double TStream::ReadDouble()
{
    return readLittleEndian<double>(*this);
}
bool TStream::ReadBool16()
{
    return readLittleEndian<quint16>(*this) != 0;
}

QByteArray TStream::ReadBytes(qint64 count)
{
    // A length read from a damaged stream must not make us allocate what is not there.
    if (count < 0 || count > Size() - Position())
        readError();
    QByteArray bytes(count, Qt::Uninitialized);
    ReadBuffer(bytes.data(), count);
    return bytes;
}

QString TStream::ReadCodePageText(quint16 length)
{
    if (length > Size() - Position())
        readError();
    // Most strings of a record are short: they are read on the stack, not into a buffer of their own.
    QVarLengthArray<char, 256> bytes(length);
    ReadBuffer(bytes.data(), length);
    return CP1251ToQString(QByteArray::fromRawData(bytes.constData(), length));
}

QString TStream::ReadStreamString()
{
    const QString text = ReadCodePageText(ReadUInt16());
    ReadByte();
    return text;
}

void TStream::WriteByte(quint8 value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteInt16(qint16 value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteUInt16(quint16 value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteInt32(qint32 value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteUInt32(quint32 value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteInt64(qint64 value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteSingle(float value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteDouble(double value)
{
    writeLittleEndian(*this, value);
}
void TStream::WriteBool16(bool value)
{
    writeLittleEndian<quint16>(*this, value ? 0xFFFF : 0);
}

void TStream::WriteBytes(const QByteArray &bytes)
{
    WriteBuffer(bytes.constData(), bytes.size());
}

void TStream::WriteStreamString(const QString &text)
{
    if (!WriteCodePageRecord(text, 0))
        throw EWriteError(QStringLiteral("Текст длиннее 65535 байт не может быть записан в поток"));
}

bool TStream::WriteCodePageRecord(const QString &text, quint8 closing)
{
    // Put together on the stack when short. ASCII is the same in the code page: it goes in as it is, without a
    // converted copy.
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QByteArray converted = ascii ? QByteArray() : QStringToCP1251(text);
    const qsizetype size = ascii ? text.size() : converted.size();
    if (size > 0xFFFF)
        return false;
    QVarLengthArray<char, 256> record(size + 3);
    record[0] = char(size & 0xFF);
    record[1] = char(size >> 8);
    if (ascii)
        std::transform(text.begin(), text.end(), record.begin() + 2, [](QChar c) { return char(c.unicode()); });
    else
        std::memcpy(record.data() + 2, converted.constData(), size_t(size));
    record[size + 2] = char(closing);
    WriteBuffer(record.constData(), record.size());
    return true;
}

// ---- TMemoryStream -------------------------------------------------------------------------------------------

qint64 TMemoryStream::Read(void *buffer, qint64 count)
{
    const qint64 n = std::clamp<qint64>(m_data.size() - m_position, 0, std::max<qint64>(count, 0));
    if (n > 0)
        std::memcpy(buffer, m_data.constData() + m_position, size_t(n));
    m_position += n;
    return n;
}

qint64 TMemoryStream::Write(const void *buffer, qint64 count)
{
    if (count <= 0)
        return 0;
    if (m_position + count > m_data.size()) {
        // Records are written a few bytes at a time: room is made in doubling steps, not for each write.
        if (m_position + count > m_data.capacity())
            m_data.reserve(std::max<qint64>({m_position + count, 2 * m_data.capacity(), 256}));
        // A write after a seek past the end leaves zeros in the gap.
        const qint64 old = m_data.size();
        m_data.resize(m_position + count);
        if (m_position > old)
            std::memset(m_data.data() + old, 0, size_t(m_position - old));
    }
    std::memcpy(m_data.data() + m_position, buffer, size_t(count));
    m_position += count;
    return count;
}

qint64 TMemoryStream::Seek(qint64 offset, TSeekOrigin origin)
{
    const qint64 base = origin == soBeginning ? 0 : origin == soCurrent ? m_position : m_data.size();
    // Past the end is allowed (a later write fills the gap with zeros), before the start is not.
    m_position = std::max<qint64>(0, base + offset);
    return m_position;
}

void TMemoryStream::SetSize(qint64 size)
{
    const qint64 old = m_data.size();
    m_data.resize(std::max<qint64>(0, size));
    if (m_data.size() > old)
        std::memset(m_data.data() + old, 0, size_t(m_data.size() - old));
    m_position = std::min(m_position, qint64(m_data.size()));
}

void TMemoryStream::Clear()
{
    m_data.clear();
    m_position = 0;
}

void TMemoryStream::LoadFromStream(TStream &source)
{
    source.SetPosition(0);
    m_data = source.ReadBytes(source.Size());
    m_position = 0;
}

void TMemoryStream::SaveToStream(TStream &target) const
{
    target.WriteBytes(m_data);
}

void TMemoryStream::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    m_data = file.readAll();
    m_position = 0;
}

void TMemoryStream::SaveToFile(const QString &fileName) const
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_data) != m_data.size() || !file.commit())
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
}

// ---- TFileStream ---------------------------------------------------------------------------------------------

TFileStream::TFileStream(const QString &fileName, quint16 mode)
    : m_file(fileName)
{
    if (mode == fmCreate) {
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate))
            throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, m_file.errorString()));
        return;
    }
    QIODevice::OpenMode openMode = QIODevice::ReadOnly;
    if ((mode & 0x3) == fmOpenWrite)
        openMode = QIODevice::WriteOnly | QIODevice::ExistingOnly;
    else if ((mode & 0x3) == fmOpenReadWrite)
        openMode = QIODevice::ReadWrite | QIODevice::ExistingOnly;
    if (!m_file.open(openMode))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, m_file.errorString()));
}

qint64 TFileStream::Read(void *buffer, qint64 count)
{
    const qint64 n = m_file.read(static_cast<char *>(buffer), count);
    return std::max<qint64>(n, 0);
}

qint64 TFileStream::Write(const void *buffer, qint64 count)
{
    const qint64 n = m_file.write(static_cast<const char *>(buffer), count);
    return std::max<qint64>(n, 0);
}

qint64 TFileStream::Seek(qint64 offset, TSeekOrigin origin)
{
    const qint64 base = origin == soBeginning ? 0 : origin == soCurrent ? m_file.pos() : m_file.size();
    if (!m_file.seek(std::max<qint64>(0, base + offset)))
        throw EStreamError(QStringLiteral("Stream seek error"));
    return m_file.pos();
}

void TFileStream::SetSize(qint64 size)
{
    if (!m_file.resize(size))
        throw EWriteError(QStringLiteral("Stream write error"));
    if (m_file.pos() > size)
        m_file.seek(size);
}
