#include "Kyv_Dbf.h"

#include <QFile>

#include <shapefil.h>

namespace {

DBFHandle handle(void *h)
{
    return static_cast<DBFHandle>(h);
}

} // namespace

CodePage TKyv_Dbf::CodePageOfByte(unsigned char languageDriver)
{
    switch (languageDriver) {
    case 0x57: // the ANSI page
    case 0xC9: // Russian Windows
        return CodePage::CP1251;
    default: // 0x26 and 0x65 are Russian OEM; a table that names no page was written by a DOS program
        return CodePage::CP866;
    }
}

TKyv_Dbf::TKyv_Dbf(const QString &fileName)
    : m_fileName(fileName)
{
    const QString notATable = QStringLiteral("Файл \"%1\" не является таблицей dBase").arg(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EDbfError(QStringLiteral("Не удается открыть файл \"%1\": %2").arg(fileName, file.errorString()));
    const QByteArray header = file.read(32);
    if (header.size() < 32)
        throw EDbfError(notATable);
    auto u8 = [&header](int i) { return quint32(static_cast<unsigned char>(header.at(i))); };
    const quint32 records = u8(4) | u8(5) << 8 | u8(6) << 16 | u8(7) << 24;
    const quint32 headerLength = u8(8) | u8(9) << 8;
    const quint32 recordLength = u8(10) | u8(11) << 8;
    // A header that promises more rows than the file holds is damaged; reading it would walk past the end.
    if (recordLength == 0 || headerLength < 33
        || quint64(headerLength) + quint64(records) * recordLength > quint64(file.size()) + 1)
        throw EDbfError(notATable);
    m_codePage = CodePageOfByte(static_cast<unsigned char>(header.at(29)));
    file.close();
    m_handle = DBFOpen(QFile::encodeName(fileName).constData(), "rb");
    if (!m_handle)
        throw EDbfError(notATable);
    m_recordCount = DBFGetRecordCount(handle(m_handle));
}

TKyv_Dbf::~TKyv_Dbf()
{
    if (m_handle)
        DBFClose(handle(m_handle));
}

int TKyv_Dbf::FieldCount() const
{
    return DBFGetFieldCount(handle(m_handle));
}

int TKyv_Dbf::FieldIndex(const QString &name) const
{
    return DBFGetFieldIndex(handle(m_handle), name.toLatin1().constData());
}

int TKyv_Dbf::RequiredField(const QString &name) const
{
    const int i = FieldIndex(name);
    if (i < 0)
        throw EDbfError(QStringLiteral("В таблице \"%1\" нет поля %2").arg(m_fileName, name));
    return i;
}

bool TKyv_Dbf::IsDeleted(int record) const
{
    return DBFIsRecordDeleted(handle(m_handle), record) != 0;
}

QString TKyv_Dbf::AsString(int record, int field) const
{
    const char *text = DBFReadStringAttribute(handle(m_handle), record, field);
    if (!text)
        throw EDbfError(
            QStringLiteral("Не удается прочитать запись %1 таблицы \"%2\"").arg(record + 1).arg(m_fileName));
    return decodeText(QByteArray(text), m_codePage).trimmed();
}
