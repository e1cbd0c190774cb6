#pragma once

#include <QString>

#include <vector>

class QWidget;

// The per-user settings file: an XML document with the root element "Configuration" in which a value
// lies under a path of elements written with "\" ("preferences\HTTPPort", "frmMain\Left"). A value is
// the element's text. Reading never fails: whatever the file does not hold, or holds in a form that
// cannot be read, gives the caller's default. Writing replaces the file only once the new one is
// complete, so an interrupted write leaves the old file as it was.
class TXmlSettingsStorage
{
public:
    explicit TXmlSettingsStorage(const QString &fileName = QString());

    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // Replaces the values in memory by the file's. A missing or empty file gives no values; a file that
    // is not well-formed keeps what could be read before the fault; a file nested deeper than any settings
    // path gives no values at all. Answers false only for a file that exists but could not be read whole.
    bool reload();
    // Writes every value to the file, creating its folder; throws Exception when that fails.
    void flush() const;
    void clear();

    bool valueExists(const QString &path) const;
    QString readString(const QString &path, const QString &defaultValue) const;
    int readInteger(const QString &path, int defaultValue) const;
    // "TRUE", "YES", "Y" and "FALSE", "NO", "N" in any case; anything else gives the default.
    bool readBoolean(const QString &path, bool defaultValue) const;

    void writeString(const QString &path, const QString &value);
    void writeInteger(const QString &path, int value);
    void writeBoolean(const QString &path, bool value);

    // The element name for a path segment: characters that a name may not hold become "_".
    static QString elementName(const QString &segment);

private:
    struct Node
    {
        QString name;
        QString text;
        std::vector<Node> children;
    };

    const Node *find(const QString &path) const;
    Node &findOrCreate(const QString &path);

    QString m_fileName;
    Node m_root;
};

// Window placement kept in the settings file under the window's own path ("frmBugDebug").
void StoreFormPlacement(TXmlSettingsStorage &storage, const QWidget &window, const QString &path);
// Leaves the window as it is when the file holds no placement for it.
void RestoreFormPlacement(const TXmlSettingsStorage &storage, QWidget &window, const QString &path);
