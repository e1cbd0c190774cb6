#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>

QString UserDataFolder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QFileInfo(base).isRelative())
        base = QDir::home().filePath(QStringLiteral(".local/share"));
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("tarvik")));
}

QString ResolveUserDataPath(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isRelative())
        return path;
    return QDir::cleanPath(QDir(UserDataFolder()).filePath(path));
}
