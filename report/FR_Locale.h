#pragma once

#include <QString>

#include <functional>

// One entry of the engine's compiled-in string table.
struct LocaleEntry
{
    int id;
    const char16_t *text;
};

// The source of the engine's texts. Only the program's own string table exists here; the hook lets a caller
// replace single texts (an empty answer keeps the table's text).
class TfrLocale
{
public:
    using LocalizeHook = std::function<void(int ident, QString &text)>;

    QString GetString(int id) const;

    LocalizeHook OnLocalize;
    // The designer's inspector shows the translated property names (the designer's option).
    bool LocalizedPropNames = false;
};

TfrLocale &CurrentLocale();

// The engine text of that id; the empty text for an id the table lacks.
QString GetLocaleString(int id);
