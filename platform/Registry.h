#pragma once

#include "Exceptions.h"

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

// The registry of the platform over an INI file. Key paths use "\" ("Software\ReportDesigner\Form\X"); a path
// starting with "\" is taken from the root, any other from the open key. Keys and value names ignore case as
// the registry does. Every value is stored as a string: integers as decimal text, booleans as "1" and "0".
class ERegistryException : public Exception
{
public:
    using Exception::Exception;
};

enum class TRootKey { CurrentUser, LocalMachine };

class TRegistry
{
public:
    TRegistry();
    virtual ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    TRootKey RootKey = TRootKey::CurrentUser;

    bool OpenKey(const QString &key, bool canCreate);
    bool OpenKeyReadOnly(const QString &key);
    void CloseKey();
    QString CurrentPath() const { return m_currentPath; }

    bool KeyExists(const QString &key) const;
    bool ValueExists(const QString &name) const;
    bool DeleteKey(const QString &key);
    bool DeleteValue(const QString &name);
    QStringList GetKeyNames() const;
    QStringList GetValueNames() const;

    // A missing value reads as "".
    QString ReadString(const QString &name) const;
    // A missing value or one that is no integer raises ERegistryException, as the platform does.
    int ReadInteger(const QString &name) const;
    bool ReadBool(const QString &name) const;
    void WriteString(const QString &name, const QString &value);
    void WriteInteger(const QString &name, int value);
    void WriteBool(const QString &name, bool value);

    // Where the registry file lives: by default "registry.ini" in the user's configuration folder.
    static void setStorageFile(const QString &path);
    static QString storageFile();
    // Test mode: a fresh file in a temporary folder of its own, removed at exit.
    static void useTemporaryStorage();

protected:
    // The settings group of a key path, with each segment matched to an existing one ignoring case.
    QString groupOf(const QString &key) const;
    QString valueKey(const QString &group, const QString &name) const;
    QSettings &settings() const { return *m_settings; }

private:
    std::unique_ptr<QSettings> m_settings;
    QString m_currentPath;
    bool m_readOnly = false;
};

// The INI-style view of a key: each section is a subkey, and reads fall back to the given default when the
// value is missing or cannot be read as the type asked for.
class TRegIniFile : public TRegistry
{
public:
    explicit TRegIniFile(const QString &fileName);

    QString ReadString(const QString &section, const QString &ident, const QString &defaultValue) const;
    int ReadInteger(const QString &section, const QString &ident, int defaultValue) const;
    // Any non-zero number is true.
    bool ReadBool(const QString &section, const QString &ident, bool defaultValue) const;
    void WriteString(const QString &section, const QString &ident, const QString &value);
    void WriteInteger(const QString &section, const QString &ident, int value);
    void WriteBool(const QString &section, const QString &ident, bool value);

    QStringList ReadSection(const QString &section) const;
    QStringList ReadSections() const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &ident) const;
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &ident);

private:
    QString sectionGroup(const QString &section) const;
    QString m_root;
};
