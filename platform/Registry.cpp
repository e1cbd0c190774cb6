#include "Registry.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Marks a key that exists without values, since an INI file only knows keys that hold something.
const QString KeyMarker = QStringLiteral(".key");

struct Storage
{
    QString path;
    std::unique_ptr<QTemporaryDir> temporary;
};

Storage &storage()
{
    static Storage s;
    return s;
}

QStringList segments(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString rootGroup(TRootKey root)
{
    return root == TRootKey::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE") : QStringLiteral("HKEY_CURRENT_USER");
}

QStringList childGroups(QSettings &s, const QString &group)
{
    s.beginGroup(group);
    const QStringList groups = s.childGroups();
    s.endGroup();
    return groups;
}

QStringList childKeys(QSettings &s, const QString &group)
{
    s.beginGroup(group);
    const QStringList keys = s.childKeys();
    s.endGroup();
    return keys;
}

QString matching(const QStringList &names, const QString &wanted)
{
    for (const QString &n : names) {
        if (n.compare(wanted, Qt::CaseInsensitive) == 0)
            return n;
    }
    return wanted;
}

bool groupExists(QSettings &s, const QString &group)
{
    s.beginGroup(group);
    const bool exists = !s.childKeys().isEmpty() || !s.childGroups().isEmpty();
    s.endGroup();
    return exists;
}

[[noreturn]] void dataError(const QString &name)
{
    throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
}

} // namespace

void TRegistry::setStorageFile(const QString &path)
{
    storage().path = path;
}

QString TRegistry::storageFile()
{
    if (storage().path.isEmpty()) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QDir().mkpath(dir);
        storage().path = dir + QStringLiteral("/registry.ini");
    }
    return storage().path;
}

void TRegistry::useTemporaryStorage()
{
    storage().temporary = std::make_unique<QTemporaryDir>();
    storage().path = storage().temporary->filePath(QStringLiteral("registry.ini"));
}

TRegistry::TRegistry()
    : m_settings(std::make_unique<QSettings>(storageFile(), QSettings::IniFormat))
{
}

TRegistry::~TRegistry() = default;

QString TRegistry::groupOf(const QString &key) const
{
    QStringList path = key.startsWith(QLatin1Char('\\')) ? QStringList() : segments(m_currentPath);
    path += segments(key);
    QString group = rootGroup(RootKey);
    for (const QString &segment : path)
        group += QLatin1Char('/') + matching(childGroups(*m_settings, group), segment);
    return group;
}

QString TRegistry::valueKey(const QString &group, const QString &name) const
{
    return group + QLatin1Char('/') + matching(childKeys(*m_settings, group), name);
}

bool TRegistry::OpenKey(const QString &key, bool canCreate)
{
    const QString group = groupOf(key);
    if (!groupExists(*m_settings, group)) {
        if (!canCreate)
            return false;
        m_settings->setValue(group + QLatin1Char('/') + KeyMarker, QString());
    }
    QStringList path = key.startsWith(QLatin1Char('\\')) ? QStringList() : segments(m_currentPath);
    path += segments(key);
    m_currentPath = path.join(QLatin1Char('\\'));
    m_readOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const QString &key)
{
    if (!OpenKey(key, false))
        return false;
    m_readOnly = true;
    return true;
}

void TRegistry::CloseKey()
{
    m_settings->sync();
    m_currentPath.clear();
    m_readOnly = false;
}

bool TRegistry::KeyExists(const QString &key) const
{
    return groupExists(*m_settings, groupOf(key));
}

bool TRegistry::ValueExists(const QString &name) const
{
    return m_settings->contains(valueKey(groupOf({}), name));
}

bool TRegistry::DeleteKey(const QString &key)
{
    const QString group = groupOf(key);
    if (!groupExists(*m_settings, group))
        return false;
    m_settings->remove(group);
    return true;
}

bool TRegistry::DeleteValue(const QString &name)
{
    const QString key = valueKey(groupOf({}), name);
    if (!m_settings->contains(key))
        return false;
    m_settings->remove(key);
    return true;
}

QStringList TRegistry::GetKeyNames() const
{
    return childGroups(*m_settings, groupOf({}));
}

QStringList TRegistry::GetValueNames() const
{
    QStringList names = childKeys(*m_settings, groupOf({}));
    names.removeAll(KeyMarker);
    return names;
}

QString TRegistry::ReadString(const QString &name) const
{
    return m_settings->value(valueKey(groupOf({}), name)).toString();
}

int TRegistry::ReadInteger(const QString &name) const
{
    const QString key = valueKey(groupOf({}), name);
    bool ok = false;
    const int value = m_settings->value(key).toString().trimmed().toInt(&ok);
    if (!m_settings->contains(key) || !ok)
        dataError(name);
    return value;
}

bool TRegistry::ReadBool(const QString &name) const
{
    return ReadInteger(name) != 0;
}

void TRegistry::WriteString(const QString &name, const QString &value)
{
    if (m_readOnly)
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    m_settings->setValue(valueKey(groupOf({}), name), value);
}

void TRegistry::WriteInteger(const QString &name, int value)
{
    WriteString(name, QString::number(value));
}

void TRegistry::WriteBool(const QString &name, bool value)
{
    WriteString(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

// ---- TRegIniFile ---------------------------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const QString &fileName)
    : m_root(QLatin1Char('\\') + segments(fileName).join(QLatin1Char('\\')))
{
}

QString TRegIniFile::sectionGroup(const QString &section) const
{
    return groupOf(m_root + QLatin1Char('\\') + section);
}

QString TRegIniFile::ReadString(const QString &section, const QString &ident, const QString &defaultValue) const
{
    const QString key = valueKey(sectionGroup(section), ident);
    return settings().contains(key) ? settings().value(key).toString() : defaultValue;
}

int TRegIniFile::ReadInteger(const QString &section, const QString &ident, int defaultValue) const
{
    bool ok = false;
    const int value = ReadString(section, ident, QString()).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

bool TRegIniFile::ReadBool(const QString &section, const QString &ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const QString &section, const QString &ident, const QString &value)
{
    const QString group = sectionGroup(section);
    settings().setValue(valueKey(group, ident), value);
}

void TRegIniFile::WriteInteger(const QString &section, const QString &ident, int value)
{
    WriteString(section, ident, QString::number(value));
}

void TRegIniFile::WriteBool(const QString &section, const QString &ident, bool value)
{
    WriteString(section, ident, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QStringList TRegIniFile::ReadSection(const QString &section) const
{
    QStringList names = childKeys(settings(), sectionGroup(section));
    names.removeAll(KeyMarker);
    return names;
}

QStringList TRegIniFile::ReadSections() const
{
    return childGroups(settings(), groupOf(m_root));
}

bool TRegIniFile::SectionExists(const QString &section) const
{
    return groupExists(settings(), sectionGroup(section));
}

bool TRegIniFile::ValueExists(const QString &section, const QString &ident) const
{
    return settings().contains(valueKey(sectionGroup(section), ident));
}

void TRegIniFile::EraseSection(const QString &section)
{
    settings().remove(sectionGroup(section));
}

void TRegIniFile::DeleteKey(const QString &section, const QString &ident)
{
    settings().remove(valueKey(sectionGroup(section), ident));
}
