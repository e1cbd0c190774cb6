#pragma once

#include "FR_Class.h"
#include "FR_Globals.h"

#include "Streams.h"

#include <QByteArray>
#include <QStringList>
#include <QtEndian>

#include <initializer_list>

namespace modeltest {

// Little-endian bytes written by hand, independent of the engine's writers. Texts are ASCII unless given as
// raw CP1251 bytes.
class Bytes
{
public:
    Bytes &u8(int v)
    {
        m_b.append(char(v & 0xFF));
        return *this;
    }
    Bytes &u16(int v)
    {
        return u8(v).u8(v >> 8);
    }
    Bytes &i32(qint64 v)
    {
        const quint32 u = quint32(v);
        return u16(int(u & 0xFFFF)).u16(int(u >> 16));
    }
    Bytes &raw(const QByteArray &b)
    {
        m_b.append(b);
        return *this;
    }
    // Stream string: length, bytes, 0.
    Bytes &str(const QByteArray &s)
    {
        return u16(int(s.size())).raw(s).u8(0);
    }
    // Stream string list.
    Bytes &strs(std::initializer_list<QByteArray> lines)
    {
        u16(int(lines.size()));
        int i = 0;
        for (const QByteArray &l : lines) {
            u16(int(l.size())).raw(l);
            if (++i < int(lines.size()))
                u8(13);
        }
        return u8(0);
    }
    // Zero-ended old forms.
    Bytes &zstr(const QByteArray &s) { return raw(s).u8(0); }
    Bytes &zstrs(std::initializer_list<QByteArray> lines)
    {
        int i = 0;
        for (const QByteArray &l : lines) {
            raw(l);
            if (++i < int(lines.size()))
                u8(13);
        }
        return u8(0);
    }
    int size() const { return int(m_b.size()); }
    void patch32(int at, qint64 v) { qToLittleEndian(qint32(v), m_b.data() + at); }
    const QByteArray &bytes() const { return m_b; }

private:
    QByteArray m_b;
};

inline QByteArray save(TfrReport &report)
{
    TMemoryStream s;
    report.SaveReportStream(s);
    return s.Bytes();
}

inline void load(TfrReport &report, const QByteArray &bytes)
{
    TMemoryStream s(bytes);
    report.LoadReportStream(s);
}

} // namespace modeltest
