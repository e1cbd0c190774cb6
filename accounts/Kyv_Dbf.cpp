#include "Kyv_Dbf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <shapefil.h>

#include <cstdio>
#include <memory>

namespace {

DBFHandle handle(void *h)
{
    return static_cast<DBFHandle>(h);
}

bool isOemPage(int languageDriver)
{
    return languageDriver == 0x26 || languageDriver == 0x65; // the Russian OEM pages
}

bool isWindowsPage(int languageDriver)
{
    return languageDriver == 0x57 || languageDriver == 0xC9; // the ANSI page, Russian Windows
}

struct DbfCloser
{
    void operator()(DBFInfo *h) const
    {
        if (h)
            DBFClose(h);
    }
};
using DbfPtr = std::unique_ptr<DBFInfo, DbfCloser>;

// The table's language byte: from the header, or from the "LDID/n" text shapelib keeps for it.
int languageDriverOf(DBFHandle h)
{
    if (h->iLanguageDriver > 0)
        return h->iLanguageDriver;
    const char *page = DBFGetCodePage(h);
    if (page && qstrncmp(page, "LDID/", 5) == 0)
        return QByteArray(page + 5).toInt();
    return 0;
}

bool writeRecord(DBFHandle h, int row, const TDbfRecord &record, CodePage page, const QString &fileName, QString &error)
{
    for (const auto &[name, value] : record) {
        const int field = DBFGetFieldIndex(h, name.toLatin1().constData());
        if (field < 0) {
            error = QStringLiteral("В файле ") + fileName + QStringLiteral(" нет поля ") + name;
            return false;
        }
        char fieldName[12] = {};
        int width = 0;
        int decimals = 0;
        const DBFFieldType type = DBFGetFieldInfo(h, field, fieldName, &width, &decimals);
        bool ok = false;
        if (type == FTString) {
            const QByteArray bytes = encodeText(value.toString(), page).left(width);
            ok = DBFWriteStringAttribute(h, row, field, bytes.constData());
        } else if (type == FTInteger) {
            ok = DBFWriteIntegerAttribute(h, row, field, value.toInt());
        } else {
            ok = DBFWriteDoubleAttribute(h, row, field, value.toDouble());
        }
        if (!ok) {
            error = QStringLiteral("Ошибка записи поля ") + name + QStringLiteral(" в файл ") + fileName;
            return false;
        }
    }
    return true;
}

} // namespace

CodePage TKyv_Dbf::ReadingCodePage(int languageDriver)
{
    return isWindowsPage(languageDriver) ? CodePage::CP1251 : CodePage::CP866;
}

CodePage TKyv_Dbf::WritingCodePage(int languageDriver)
{
    return isOemPage(languageDriver) ? CodePage::CP866 : CodePage::CP1251;
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
    m_codePage = ReadingCodePage(static_cast<unsigned char>(header.at(29)));
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
    // Both pages leave the ASCII half as it is: a field of ASCII only (accounts, sums, dates) needs no converter.
    const char *end = text;
    bool ascii = true;
    for (; *end; ++end)
        ascii = ascii && static_cast<unsigned char>(*end) < 0x80;
    if (end == text)
        return {};
    if (ascii)
        return QString::fromLatin1(text, end - text).trimmed();
    return decodeText(QByteArray(text, end - text), m_codePage).trimmed();
}

bool TKyv_Dbf::Refill(const QString &fileName, const QList<TDbfRecord> &records, QString &error)
{
    const QFileInfo target(fileName);
    // shapelib names a table it creates "<base>.dbf": the copy is made under a name of that form.
    const QString temp = target.absoluteDir().filePath(
        QStringLiteral("~") + target.completeBaseName() + QStringLiteral(".refill.dbf"));
    QFile::remove(temp);
    bool ok = false;
    {
        DbfPtr source(DBFOpen(QFile::encodeName(fileName).constData(), "rb"));
        if (!source) {
            error = QStringLiteral("Ошибка открытия файла ") + fileName;
            return false;
        }
        const int language = languageDriverOf(source.get());
        DbfPtr copy(DBFCloneEmpty(source.get(), QFile::encodeName(temp).constData()));
        if (!copy) {
            error = QStringLiteral("Ошибка создания файла ") + temp;
            return false;
        }
        copy->iLanguageDriver = language;
        const CodePage page = WritingCodePage(language);
        ok = true;
        for (int row = 0; ok && row < records.size(); ++row)
            ok = writeRecord(copy.get(), row, records[row], page, fileName, error);
    }
    if (ok && std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(fileName).constData()) != 0) {
        error = QStringLiteral("Ошибка записи файла ") + fileName;
        ok = false;
    }
    if (!ok)
        QFile::remove(temp);
    // A code-page file shapelib may leave beside the copy is not part of the partner's table.
    QFile::remove(
        target.absoluteDir().filePath(QStringLiteral("~") + target.completeBaseName() + QStringLiteral(".refill.cpg")));
    return ok;
}
