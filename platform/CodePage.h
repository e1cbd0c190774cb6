#pragma once

#include <QByteArray>
#include <QString>

// The single-byte code pages of the files and streams the system reads and writes: CP1251 (the ANSI page of
// templates, registers and exports) and CP866 (the OEM page of DBF files and OEM exports). Inside the program
// all text is QString; conversion happens only at these boundaries. A character the page cannot hold is
// written as "?", and a byte the page leaves undefined reads as "?".
enum class CodePage { CP1251, CP866 };

QByteArray encodeText(const QString &text, CodePage page);
QString decodeText(const QByteArray &bytes, CodePage page);

inline QByteArray QStringToCP1251(const QString &text)
{
    return encodeText(text, CodePage::CP1251);
}

inline QString CP1251ToQString(const QByteArray &bytes)
{
    return decodeText(bytes, CodePage::CP1251);
}

inline QByteArray QStringToCP866(const QString &text)
{
    return encodeText(text, CodePage::CP866);
}

inline QString CP866ToQString(const QByteArray &bytes)
{
    return decodeText(bytes, CodePage::CP866);
}
