#include "XmlSettingsStorage.h"

#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QWidget>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>


namespace {

const QString rootName = QStringLiteral("Configuration");
// Deeper than any path the program writes; a deeper file is not one of its settings files, and the tree it would
// make could exhaust the stack when it is written back or freed.
constexpr size_t MaxDepth = 64;

QStringList segments(const QString &path)
{
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = TXmlSettingsStorage::elementName(part);
    return parts;
}

bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.');
}

} // namespace

TXmlSettingsStorage::TXmlSettingsStorage(const QString &fileName)
    : m_fileName(fileName)
{
    m_root.name = rootName;
}

QString TXmlSettingsStorage::elementName(const QString &segment)
{
    QString name = segment;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (i == 0 ? !isNameStart(name[i]) : !isNameChar(name[i]))
            name[i] = QLatin1Char('_');
    }
    return name.isEmpty() ? QStringLiteral("_") : name;
}

void TXmlSettingsStorage::clear()
{
    m_root = Node{rootName, QString(), {}};
}

bool TXmlSettingsStorage::reload()
{
    clear();
    QFile file(m_fileName);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() == 0)
        return true;

    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != rootName)
        return false;
    std::vector<Node *> open{&m_root};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (open.size() >= MaxDepth) {
                clear();
                return false;
            }
            Node &parent = *open.back();
            parent.children.push_back(Node{xml.name().toString(), QString(), {}});
            open.push_back(&parent.children.back());
        } else if (xml.isCharacters()) {
            open.back()->text += xml.text();
        } else if (xml.isEndElement()) {
            open.pop_back();
            if (open.empty())
                break;
        }
    }
    return !xml.hasError();
}

void TXmlSettingsStorage::flush() const
{
    const QFileInfo info(m_fileName);
    if (!QDir().mkpath(info.absolutePath()))
        throw Exception(QStringLiteral("Не удалось создать папку %1").arg(info.absolutePath()));
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Не удалось записать %1: %2").arg(m_fileName, file.errorString()));

    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    const auto write = [&xml](const auto &self, const Node &node) -> void {
        xml.writeStartElement(node.name);
        if (node.children.empty()) {
            xml.writeCharacters(node.text);
        } else {
            for (const Node &child : node.children)
                self(self, child);
        }
        xml.writeEndElement();
    };
    write(write, m_root);
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit())
        throw Exception(QStringLiteral("Не удалось записать %1: %2").arg(m_fileName, file.errorString()));
}

const TXmlSettingsStorage::Node *TXmlSettingsStorage::find(const QString &path) const
{
    const Node *node = &m_root;
    for (const QString &name : segments(path)) {
        const auto it = std::find_if(node->children.begin(), node->children.end(),
                                     [&name](const Node &child) { return child.name == name; });
        if (it == node->children.end())
            return nullptr;
        node = &*it;
    }
    return node;
}

TXmlSettingsStorage::Node &TXmlSettingsStorage::findOrCreate(const QString &path)
{
    Node *node = &m_root;
    for (const QString &name : segments(path)) {
        auto it = std::find_if(node->children.begin(), node->children.end(),
                               [&name](const Node &child) { return child.name == name; });
        if (it == node->children.end()) {
            node->children.push_back(Node{name, QString(), {}});
            it = node->children.end() - 1;
        }
        node = &*it;
    }
    return *node;
}

bool TXmlSettingsStorage::valueExists(const QString &path) const
{
    const Node *node = find(path);
    return node && node != &m_root && node->children.empty();
}

QString TXmlSettingsStorage::readString(const QString &path, const QString &defaultValue) const
{
    return valueExists(path) ? find(path)->text : defaultValue;
}

int TXmlSettingsStorage::readInteger(const QString &path, int defaultValue) const
{
    if (!valueExists(path))
        return defaultValue;
    bool ok = false;
    const int value = find(path)->text.trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

bool TXmlSettingsStorage::readBoolean(const QString &path, bool defaultValue) const
{
    if (!valueExists(path))
        return defaultValue;
    const QString text = find(path)->text.trimmed().toUpper();
    if (text == QLatin1String("TRUE") || text == QLatin1String("YES") || text == QLatin1String("Y"))
        return true;
    if (text == QLatin1String("FALSE") || text == QLatin1String("NO") || text == QLatin1String("N"))
        return false;
    return defaultValue;
}

void TXmlSettingsStorage::writeString(const QString &path, const QString &value)
{
    Node &node = findOrCreate(path);
    node.children.clear();
    node.text = value;
}

void TXmlSettingsStorage::writeInteger(const QString &path, int value)
{
    writeString(path, QString::number(value));
}

void TXmlSettingsStorage::writeBoolean(const QString &path, bool value)
{
    writeString(path, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

void StoreFormPlacement(TXmlSettingsStorage &storage, const QWidget &window, const QString &path)
{
    const QRect r = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    storage.writeInteger(path + QStringLiteral("\\Left"), r.left());
    storage.writeInteger(path + QStringLiteral("\\Top"), r.top());
    storage.writeInteger(path + QStringLiteral("\\Width"), r.width());
    storage.writeInteger(path + QStringLiteral("\\Height"), r.height());
    storage.writeBoolean(path + QStringLiteral("\\Maximized"), window.isMaximized());
}

void RestoreFormPlacement(const TXmlSettingsStorage &storage, QWidget &window, const QString &path)
{
    const int width = storage.readInteger(path + QStringLiteral("\\Width"), 0);
    const int height = storage.readInteger(path + QStringLiteral("\\Height"), 0);
    if (width <= 0 || height <= 0)
        return;
    window.setGeometry(storage.readInteger(path + QStringLiteral("\\Left"), window.x()),
                       storage.readInteger(path + QStringLiteral("\\Top"), window.y()), width, height);
    if (storage.readBoolean(path + QStringLiteral("\\Maximized"), false))
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}
