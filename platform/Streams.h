#pragma once

#include "Exceptions.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// Byte streams as the engine and the file formats use them: a cursor over memory or a file, with the
// little-endian integers, floats, 16-bit booleans and length-prefixed strings of the engine's stream format.

class EStreamError : public Exception
{
public:
    using Exception::Exception;
};

// Fewer bytes than asked for were left to read ("Stream read error").
class EReadError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

class EWriteError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

class EFCreateError : public EStreamError
{
public:
    using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream
{
public:
    virtual ~TStream() = default;

    // Answer the number of bytes moved, which may be fewer than asked for.
    virtual qint64 Read(void *buffer, qint64 count) = 0;
    virtual qint64 Write(const void *buffer, qint64 count) = 0;
    // Answers the new position.
    virtual qint64 Seek(qint64 offset, TSeekOrigin origin) = 0;
    virtual qint64 Size() const = 0;
    virtual void SetSize(qint64 size) = 0;

    qint64 Position() const { return const_cast<TStream *>(this)->Seek(0, soCurrent); }
    void SetPosition(qint64 position) { Seek(position, soBeginning); }

    // Exactly `count` bytes, or EReadError / EWriteError.
    void ReadBuffer(void *buffer, qint64 count);
    void WriteBuffer(const void *buffer, qint64 count);
    // Copies `count` bytes from the source's position; with 0, the whole source from its start. Answers the count.
    qint64 CopyFrom(TStream &source, qint64 count);

    quint8 ReadByte();
    qint16 ReadInt16();
    quint16 ReadUInt16();
    qint32 ReadInt32();
    quint32 ReadUInt32();
    qint64 ReadInt64();
    float ReadSingle();
    double ReadDouble();
    // 0 is false, anything else true.
    bool ReadBool16();
    // uint16 length, that many CP1251 bytes, one 0 byte.
    QString ReadStreamString();
    // `count` bytes, checked against what is left before anything is allocated.
    QByteArray ReadBytes(qint64 count);
    // `length` CP1251 bytes as text, checked the same way.
    QString ReadCodePageText(quint16 length);

    void WriteByte(quint8 value);
    void WriteInt16(qint16 value);
    void WriteUInt16(quint16 value);
    void WriteInt32(qint32 value);
    void WriteUInt32(quint32 value);
    void WriteInt64(qint64 value);
    void WriteSingle(float value);
    void WriteDouble(double value);
    // True is written as -1 (0xFFFF).
    void WriteBool16(bool value);
    // Raises EWriteError when the CP1251 text is longer than 65535 bytes, before writing anything.
    void WriteStreamString(const QString &text);
    void WriteBytes(const QByteArray &bytes);
    // uint16 length, the CP1251 bytes and the closing byte, in one write; false, writing nothing, when the bytes
    // are more than 65535.
    bool WriteCodePageRecord(const QString &text, quint8 closing);
};

class TMemoryStream : public TStream
{
public:
    TMemoryStream() = default;
    explicit TMemoryStream(const QByteArray &bytes)
        : m_data(bytes)
    {
    }

    qint64 Read(void *buffer, qint64 count) override;
    qint64 Write(const void *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() const override { return m_data.size(); }
    void SetSize(qint64 size) override;

    void Clear();
    const QByteArray &Bytes() const { return m_data; }
    void LoadFromStream(TStream &source);
    void SaveToStream(TStream &target) const;
    // Raises EFOpenError.
    void LoadFromFile(const QString &fileName);
    // Written to a temporary file that replaces the target only when complete; raises EFCreateError.
    void SaveToFile(const QString &fileName) const;

private:
    QByteArray m_data;
    qint64 m_position = 0;
};

// The platform's open modes; the sharing flags it also had mean nothing here.
enum : quint16 { fmOpenRead = 0x0000, fmOpenWrite = 0x0001, fmOpenReadWrite = 0x0002, fmCreate = 0xFF00 };

class TFileStream : public TStream
{
public:
    // fmCreate creates or empties the file (EFCreateError); the others open an existing one (EFOpenError).
    TFileStream(const QString &fileName, quint16 mode);

    qint64 Read(void *buffer, qint64 count) override;
    qint64 Write(const void *buffer, qint64 count) override;
    qint64 Seek(qint64 offset, TSeekOrigin origin) override;
    qint64 Size() const override { return m_file.size(); }
    void SetSize(qint64 size) override;

    QString FileName() const { return m_file.fileName(); }

private:
    QFile m_file;
};
