// The interface translator and the language choice.
#include "Kyv_Translator.h"

#include "KyvFrames.h"
#include "KyvIniFile.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const char *const TextProperties[] = { "windowTitle", "text", "title", "toolTip", "statusTip", "placeholderText" };

// The backslash escapes of the strings section: \\ \" \' \? \a \b \f \n \r \t \v, \xHH and octal \ooo.
QString convertEscapes(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c != QLatin1Char('\\') || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        const QChar e = s[++i];
        switch (e.unicode()) {
        case 'a':
            out += QChar(7);
            break;
        case 'b':
            out += QChar(8);
            break;
        case 'f':
            out += QChar(12);
            break;
        case 'n':
            out += QChar(10);
            break;
        case 'r':
            out += QChar(13);
            break;
        case 't':
            out += QChar(9);
            break;
        case 'v':
            out += QChar(11);
            break;
        case 'x': {
            int j = i + 1;
            while (j < s.size() && j < i + 3 && isxdigit(s[j].toLatin1()))
                ++j;
            if (j == i + 1) {
                out += QStringLiteral("\\x");
                break;
            }
            out += QChar(s.mid(i + 1, j - i - 1).toUShort(nullptr, 16));
            i = j - 1;
            break;
        }
        default:
            if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                int j = i;
                while (j < s.size() && j < i + 3 && s[j] >= QLatin1Char('0') && s[j] <= QLatin1Char('7'))
                    ++j;
                out += QChar(s.mid(i, j - i).toUShort(nullptr, 8));
                i = j - 1;
            } else {
                out += e; // \\ \" \' \? and any other character stand for themselves
            }
        }
    }
    return out;
}

// An item list of the object: its property name, its items, and the way to put them back.
struct ItemList
{
    QString property;
    QStringList items;
    std::function<void(int, const QString &)> set;
};

std::optional<ItemList> itemList(QObject *object)
{
    if (auto *combo = qobject_cast<QComboBox *>(object)) {
        ItemList l { QStringLiteral("items"), {}, [combo](int i, const QString &t) { combo->setItemText(i, t); } };
        for (int i = 0; i < combo->count(); ++i)
            l.items << combo->itemText(i);
        return l;
    }
    if (auto *tabs = qobject_cast<QTabWidget *>(object)) {
        ItemList l { QStringLiteral("tabs"), {}, [tabs](int i, const QString &t) { tabs->setTabText(i, t); } };
        for (int i = 0; i < tabs->count(); ++i)
            l.items << tabs->tabText(i);
        return l;
    }
    if (auto *tree = qobject_cast<QTreeWidget *>(object)) {
        QTreeWidgetItem *header = tree->headerItem();
        ItemList l { QStringLiteral("headerLabels"), {}, [header](int i, const QString &t) { header->setText(i, t); } };
        for (int i = 0; i < tree->columnCount(); ++i)
            l.items << header->text(i);
        return l;
    }
    if (auto *table = qobject_cast<QTableWidget *>(object)) {
        ItemList l { QStringLiteral("headerLabels"), {}, [table](int i, const QString &t) {
                        if (QTableWidgetItem *item = table->horizontalHeaderItem(i))
                            item->setText(t);
                    } };
        for (int i = 0; i < table->columnCount(); ++i) {
            const QTableWidgetItem *item = table->horizontalHeaderItem(i);
            l.items << (item ? item->text() : QString());
        }
        return l;
    }
    return std::nullopt;
}

// The text properties of the object that hold design texts. What a user types into an edit is data.
QList<QByteArray> textProperties(const QObject *object)
{
    QList<QByteArray> names;
    for (const char *name : TextProperties) {
        const int i = object->metaObject()->indexOfProperty(name);
        if (i < 0 || object->metaObject()->property(i).metaType().id() != QMetaType::QString)
            continue;
        if (qstrcmp(name, "text") == 0 && qobject_cast<const QLineEdit *>(object))
            continue;
        names << name;
    }
    return names;
}

bool isToolkitPart(const QObject *object)
{
    return object->objectName().startsWith(QLatin1String("qt_"));
}

} // namespace

TKyv_Translator::TKyv_Translator(QObject *owner)
    : QObject(owner)
{
    setObjectName(QStringLiteral("Translator"));
}

QString TKyv_Translator::formSection() const
{
    if (!m_formSection.isEmpty())
        return m_formSection;
    return parent() ? parent()->objectName() : QStringLiteral("Translation");
}

QString TKyv_Translator::StringsSection() const
{
    if (!m_stringsSection.isEmpty())
        return m_stringsSection;
    return parent() ? parent()->objectName() : QStringLiteral("Translation.Strings");
}

void TKyv_Translator::SetIgnoreList(const QStringList &paths)
{
    m_ignoreList = paths;
    m_ignoreList.sort();
}

QString TKyv_Translator::NamePath(const QObject *object) const
{
    if (object == m_form)
        return object->objectName();
    QStringList names;
    for (const QObject *o = object; o && o != m_form; o = o->parent()) {
        if (!o->objectName().isEmpty() && !isToolkitPart(o))
            names.prepend(o->objectName());
    }
    if (object->objectName().isEmpty() || isToolkitPart(object))
        return QString();
    return names.join(QLatin1Char('.'));
}

bool TKyv_Translator::ignored(const QObject *object) const
{
    const QString path = NamePath(object);
    return path.isEmpty() || std::binary_search(m_ignoreList.cbegin(), m_ignoreList.cend(), path);
}

void TKyv_Translator::forEachComponent(QObject *object, const std::function<void(QObject *)> &fn)
{
    // The toolkit's own parts (scroll-area viewports, tool-bar extension buttons) are no design, but they may
    // hold the window's own controls.
    if (!isToolkitPart(object))
        fn(object);
    for (QObject *child : object->children())
        forEachComponent(child, fn);
}

QString TKyv_Translator::occurrenceKey(const QString &key, int occurrence)
{
    return occurrence == 0 ? key : key + QChar(0x1F) + QString::number(occurrence);
}

namespace {

// Key -> text of a form section, repeated keys told apart by their occurrence.
QList<QPair<QString, QString>> readPairs(const QStringList &lines)
{
    QList<QPair<QString, QString>> pairs;
    QHash<QString, int> seen;
    for (const QString &line : lines) {
        const QString key = TKyvIniFile::KeyOf(line).trimmed();
        pairs << qMakePair(key + QChar(0x1F) + QString::number(seen[key]++), TKyvIniFile::ValueOf(line));
    }
    return pairs;
}

QString plainKey(const QString &key)
{
    return key.endsWith(QLatin1String("\x1F"
                                      "0"))
        ? key.chopped(2)
        : key;
}

} // namespace

void TKyv_Translator::TranslateForm(QObject *form, bool loadStrings, const QString &baseFileName)
{
    if (m_dictionaryFileName.isEmpty() || baseFileName.isEmpty())
        return;
    m_baseByText.clear();
    TKyvIniFile base(baseFileName);
    m_baseLoaded = base.Load() && base.SectionExists(formSection());
    if (m_baseLoaded) {
        for (const auto &[key, text] : readPairs(base.SectionLines(formSection()))) {
            const QString t = m_options & lofTrimSpaces ? text.trimmed() : text;
            // The first key under which a text stands is the one it is translated by.
            if (!m_baseByText.contains(t))
                m_baseByText.insert(t, plainKey(key));
        }
    }
    TranslateFromFile(form, m_dictionaryFileName);
    if (loadStrings)
        LoadStrings();
}

void TKyv_Translator::TranslateFromFile(QObject *form, const QString &fileName)
{
    m_target.clear();
    TKyvIniFile file(fileName);
    if (file.Load()) {
        for (const auto &[key, text] : readPairs(file.SectionLines(formSection())))
            m_target.insert(plainKey(key), text);
    }
    m_form = form;
    forEachComponent(form, [this](QObject *o) { TranslateComponent(o); });
    m_form = nullptr;
}

QString TKyv_Translator::keyText(const QString &text) const
{
    if (!m_baseLoaded)
        return text;
    return m_baseByText.value(text);
}

QString TKyv_Translator::TranslateText(const QString &text) const
{
    const QString t = m_options & lofTrimSpaces ? text.trimmed() : text;
    const QString key = keyText(t);
    if (key.isEmpty())
        return t;
    const auto it = m_target.constFind(key);
    return it == m_target.cend() ? t : it.value();
}

void TKyv_Translator::TranslateComponent(QObject *object)
{
    if (ignored(object))
        return;
    for (const QByteArray &name : textProperties(object)) {
        const QString value = object->property(name).toString();
        if (value.isEmpty())
            continue;
        const QString translated = TranslateText(value);
        if (translated != value)
            object->setProperty(name, translated);
    }
    if (std::optional<ItemList> list = itemList(object)) {
        for (int i = 0; i < list->items.size(); ++i) {
            const QString translated = TranslateText(list->items[i]);
            if (!list->items[i].isEmpty() && translated != list->items[i])
                list->set(i, translated);
        }
    }
}

void TKyv_Translator::LoadStrings()
{
    if (m_dictionaryFileName.isEmpty())
        return;
    m_strings.clear();
    TKyvIniFile file(m_dictionaryFileName);
    if (!file.Load())
        return;
    for (const QString &line : file.SectionLines(StringsSection())) {
        const QString key = TKyvIniFile::KeyOf(line).trimmed();
        const QString value = TKyvIniFile::ValueOf(line);
        if (!m_strings.contains(key))
            m_strings.insert(key, m_options & lofConvertEscapes ? convertEscapes(value) : value);
    }
}

QString TKyv_Translator::GetString(const QString &key) const
{
    const QString k = m_options & lofTrimSpaces ? key.trimmed() : key;
    const QString text = m_strings.value(k);
    return text.isEmpty() ? k : text;
}

bool TKyv_Translator::CreateDictionary(QObject *form, const QString &fileName)
{
    m_collected.clear();
    m_form = form;
    forEachComponent(form, [this](QObject *o) { CollectComponent(o); });
    m_form = nullptr;
    TKyvIniFile file(fileName);
    if (!file.Load())
        return false;
    file.SetSectionLines(formSection(), m_collected);
    m_collected.clear();
    return file.Save();
}

void TKyv_Translator::CollectComponent(QObject *object)
{
    if (ignored(object))
        return;
    const QString path = NamePath(object);
    for (const QByteArray &name : textProperties(object)) {
        const QString value = object->property(name).toString();
        if (!value.isEmpty())
            m_collected << path + QLatin1Char('.') + QString::fromLatin1(name) + QLatin1Char('=') + value;
    }
    if (std::optional<ItemList> list = itemList(object)) {
        for (const QString &item : list->items) {
            if (!item.isEmpty())
                m_collected << path + QLatin1Char('.') + list->property + QLatin1Char('=') + item;
        }
    }
}

bool SelectUILanguage(QString &language)
{
    TfrmKyvModal dialog;
    dialog.setObjectName(QStringLiteral("frmSelectUILanguage"));
    dialog.setWindowTitle(QStringLiteral("Select User Interface Language"));
    auto *group = new QGroupBox(QStringLiteral("Supported Languages"), &dialog);
    group->setObjectName(QStringLiteral("rgLanguages"));
    auto *english = new QRadioButton(QStringLiteral("English"), group);
    english->setObjectName(QStringLiteral("rbEnglish"));
    auto *russian = new QRadioButton(QStringLiteral("Russian"), group);
    russian->setObjectName(QStringLiteral("rbRussian"));
    (language == QLatin1String("ru") ? russian : english)->setChecked(true);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(english);
    groupLayout->addWidget(russian);
    auto *ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(group);
    layout->addLayout(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    language = russian->isChecked() ? QStringLiteral("ru") : QStringLiteral("en");
    return true;
}
