// Connection files: the initialisation string read from the file's bytes, and its pairs.
#include "DatabaseError.h"
#include "UdlFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.udl"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        UdlFile::parse(UdlFile::readInitString(path));
    } catch (const EDatabaseError &) {
    }
    try {
        UdlFile::parse(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const EDatabaseError &) {
    }
    return 0;
}
