#pragma once

// For targets whose reader takes a file: the input written to a file of the process's own folder.
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// The file's path; empty when it could not be written.
inline QString writeFuzzInput(const QString &name, const uint8_t *data, size_t size)
{
    static const QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || f.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        return QString();
    return path;
}
