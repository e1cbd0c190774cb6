// The settings file: read, its values read back, written and read again.
#include "XmlSettingsStorage.h"

#include "Exceptions.h"

#include "FuzzInput.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = writeFuzzInput(QStringLiteral("settings.xml"), data, size);
    if (path.isEmpty())
        return 0;
    TXmlSettingsStorage storage(path);
    storage.reload();
    for (const char *key : {"preferences\\HTTPPort", "preferences\\UseCAS", "frmMain\\Left", "a\\b\\c"}) {
        const QString name = QString::fromLatin1(key);
        storage.readString(name, QString());
        storage.readInteger(name, 0);
        storage.readBoolean(name, false);
    }
    storage.writeString(QStringLiteral("preferences\\Note"), QStringLiteral("<&\"'>"));
    try {
        storage.flush();
    } catch (const Exception &) {
        return 0;
    }
    TXmlSettingsStorage again(path);
    again.reload();
    return 0;
}
