#include "FR_Locale.h"

#include <algorithm>

namespace frLocaleTable {
extern const LocaleEntry entries[];
extern const int entryCount;
} // namespace frLocaleTable

QString TfrLocale::GetString(int id) const
{
    if (OnLocalize) {
        QString text;
        OnLocalize(id, text);
        if (!text.isEmpty())
            return text;
    }
    const LocaleEntry *begin = frLocaleTable::entries;
    const LocaleEntry *end = begin + frLocaleTable::entryCount;
    const LocaleEntry *it = std::lower_bound(begin, end, id, [](const LocaleEntry &e, int v) { return e.id < v; });
    if (it == end || it->id != id)
        return QString();
    // A string resource holds at most 1023 characters.
    return QString::fromUtf16(it->text).left(1023);
}

TfrLocale &CurrentLocale()
{
    static TfrLocale locale;
    return locale;
}

QString GetLocaleString(int id)
{
    return CurrentLocale().GetString(id);
}
