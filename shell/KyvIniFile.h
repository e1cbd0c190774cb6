#pragma once

#include <QString>
#include <QStringList>

// The interface dictionaries' file format: "[section]" headers and "key=value" lines, read and written as they
// stand. Keys keep their letter case and order, may repeat, and values keep their commas and quotes; lines
// starting with ";" are comments. Section names match whatever their letter case.
class TKyvIniFile
{
public:
    explicit TKyvIniFile(const QString &fileName);

    // False when the file cannot be read (a missing file reads as empty).
    bool Load();
    // Written to a temporary file renamed over the old one; false when it cannot be written.
    bool Save() const;

    bool SectionExists(const QString &section) const;
    // The "key=value" lines of the section, in file order.
    QStringList SectionLines(const QString &section) const;
    // Replaces the section's lines (appending the section when it is new).
    void SetSectionLines(const QString &section, const QStringList &lines);
    QStringList Sections() const;

    // "key=value" split at the first "=" (a line without one is a key with an empty value).
    static QString KeyOf(const QString &line);
    static QString ValueOf(const QString &line);

private:
    int indexOf(const QString &section) const;

    QString m_fileName;
    struct Section
    {
        QString name;
        QStringList lines;
    };
    QList<Section> m_sections;
};
