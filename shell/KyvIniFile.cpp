#include "KyvIniFile.h"

#include <QFile>
#include <QSaveFile>

TKyvIniFile::TKyvIniFile(const QString &fileName)
    : m_fileName(fileName)
{
}

bool TKyvIniFile::Load()
{
    m_sections.clear();
    QFile file(m_fileName);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    Section *current = nullptr;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            const int i = indexOf(name);
            if (i < 0) {
                m_sections.append({ name, {} });
                current = &m_sections.last();
            } else {
                current = &m_sections[i];
            }
            continue;
        }
        // Lines before the first section belong to none and are dropped.
        if (current)
            current->lines << line;
    }
    return true;
}

bool TKyvIniFile::Save() const
{
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString text;
    for (const Section &s : m_sections) {
        text += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
        for (const QString &line : s.lines)
            text += line + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    file.write(text.toUtf8());
    return file.commit();
}

int TKyvIniFile::indexOf(const QString &section) const
{
    for (int i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].name.compare(section, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool TKyvIniFile::SectionExists(const QString &section) const
{
    return indexOf(section) >= 0;
}

QStringList TKyvIniFile::SectionLines(const QString &section) const
{
    const int i = indexOf(section);
    return i < 0 ? QStringList() : m_sections[i].lines;
}

void TKyvIniFile::SetSectionLines(const QString &section, const QStringList &lines)
{
    const int i = indexOf(section);
    if (i < 0)
        m_sections.append({ section, lines });
    else
        m_sections[i].lines = lines;
}

QStringList TKyvIniFile::Sections() const
{
    QStringList names;
    for (const Section &s : m_sections)
        names << s.name;
    return names;
}

QString TKyvIniFile::KeyOf(const QString &line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line : line.left(eq);
}

QString TKyvIniFile::ValueOf(const QString &line)
{
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.mid(eq + 1);
}
