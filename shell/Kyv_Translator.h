#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

// Replaces the texts of a window by their translations from an interface dictionary, and serves run-time
// messages by key. A text's key is its object's name path (named objects from below the window down, joined by
// "."; the window's own name for the window), ".", and the property: `windowTitle`, `text`, `title`, `toolTip`,
// `statusTip` or `placeholderText`. Item lists (combo items, tab texts, header labels) have one line per item
// under "<path>.items", "<path>.tabs" and "<path>.headerLabels". A window is translated by text: the base
// dictionary tells under which key a design text stands, the target dictionary what that key reads in the
// chosen language.
class TKyv_Translator : public QObject
{
    Q_OBJECT
public:
    enum TOption { lofTrimSpaces = 0x1, lofConvertEscapes = 0x2 };
    using TOptions = unsigned;

    explicit TKyv_Translator(QObject *owner = nullptr);

    TOptions Options() const { return m_options; }
    void SetOptions(TOptions options) { m_options = options; }
    QString DictionaryFileName() const { return m_dictionaryFileName; }
    void SetDictionaryFileName(const QString &fileName) { m_dictionaryFileName = fileName; }
    // The owner's name, or "Translation" without an owner, unless set.
    QString formSection() const;
    void SetFormSection(const QString &section) { m_formSection = section; }
    // The owner's name, or "Translation.Strings" without an owner, unless set.
    QString StringsSection() const;
    void SetStringsSection(const QString &section) { m_stringsSection = section; }
    // Name paths whose objects keep their texts (and whose items are not collected).
    QStringList IgnoreList() const { return m_ignoreList; }
    void SetIgnoreList(const QStringList &paths);

    // Nothing unless both DictionaryFileName and the base file name are set.
    void TranslateForm(QObject *form, bool loadStrings, const QString &baseFileName);
    void TranslateFromFile(QObject *form, const QString &fileName);
    virtual void TranslateComponent(QObject *object);
    QString TranslateText(const QString &text) const;
    void LoadStrings();
    // The key's text in the strings section; the key itself when it is missing or empty there.
    QString GetString(const QString &key) const;
    // Writes every text of the window into the form section of the file (other sections kept); false when the
    // file cannot be written.
    bool CreateDictionary(QObject *form, const QString &fileName);
    virtual void CollectComponent(QObject *object);

    // The name path of an object of the window being translated or collected; empty for an unnamed one.
    QString NamePath(const QObject *object) const;

private:
    void forEachComponent(QObject *object, const std::function<void(QObject *)> &fn);
    bool ignored(const QObject *object) const;
    QString keyText(const QString &text) const;
    // A key repeated in a section (an item list) is told apart by its occurrence.
    static QString occurrenceKey(const QString &key, int occurrence);

    TOptions m_options = lofTrimSpaces | lofConvertEscapes;
    QString m_dictionaryFileName;
    QString m_formSection;
    QString m_stringsSection;
    QStringList m_ignoreList;
    QObject *m_form = nullptr;
    // Base text -> key, target key -> text, message key -> text.
    QHash<QString, QString> m_baseByText;
    bool m_baseLoaded = false;
    QHash<QString, QString> m_target;
    QHash<QString, QString> m_strings;
    QStringList m_collected;
};

// The dialog "Select User Interface Language": true on Ok with "ru" or "en" in `language`.
bool SelectUILanguage(QString &language);
