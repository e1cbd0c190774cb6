// Connection files: the initialisation string read from the file's bytes, and its pairs.
#include "DatabaseError.h"
#include "UdlFile.h"

#include "FuzzInput.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = writeFuzzInput(QStringLiteral("x.udl"), data, size);
    if (path.isEmpty())
        return 0;
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
