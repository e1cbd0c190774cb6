#include "uDbfTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <shapefil.h>

#include <cstdio>
#include <memory>

namespace {

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

CodePage DbfCodePageOf(int languageDriver)
{
    // 0x26 and 0x65 are the Russian OEM pages; 0xC9 and 0x57 the ANSI ones; anything else is taken as ANSI.
    return (languageDriver == 0x26 || languageDriver == 0x65) ? CodePage::CP866 : CodePage::CP1251;
}

bool RefillDbfTable(const QString &fileName, const QList<TDbfRecord> &records, QString &error)
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
        const CodePage page = DbfCodePageOf(language);
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
