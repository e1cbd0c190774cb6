// The settings file: read, its values read back, written and read again.
#include "XmlSettingsStorage.h"

#include "Exceptions.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.xml"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
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
