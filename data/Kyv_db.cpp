#include "Kyv_db.h"

#include "DatabaseError.h"

TSqlSubstitution *TSqlSubstitutions::Add()
{
    m_items.append(std::make_shared<TSqlSubstitution>());
    return m_items.last().get();
}

TSqlSubstitution *TSqlSubstitutions::Add(const QString &name, const QString &value)
{
    TSqlSubstitution *item = Add();
    item->Name = name;
    item->Value = value;
    return item;
}

TSqlSubstitution *TSqlSubstitutions::FindSubstitution(const QString &name) const
{
    for (const auto &item : m_items)
        if (item->Name.compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

TSqlSubstitution *TSqlSubstitutions::SubstitutionByName(const QString &name) const
{
    if (TSqlSubstitution *item = FindSubstitution(name))
        return item;
    const QString message = QStringLiteral("%1 SqlSubstitution Not Found").arg(name);
    throw EDatabaseError(m_ownerName.isEmpty() ? message : m_ownerName + QStringLiteral(": ") + message);
}

namespace {

bool isQuote(QChar c)
{
    return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`');
}

bool isNameEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ') || c == QLatin1Char(')')
           || c == QLatin1Char(',') || c == QLatin1Char(';');
}

} // namespace

QString ApplySqlSubstitutions(const QString &text, const TSqlSubstitutions &substitutions, QChar substituteChar)
{
    QString out;
    out.reserve(text.size());
    bool inQuotes = false;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        // A surrogate pair is copied whole, so that neither half can open a macro or a quote.
        if (c.isHighSurrogate() && i + 1 < n) {
            out += c;
            out += text.at(i + 1);
            i += 2;
            continue;
        }
        if (!inQuotes && c == substituteChar) {
            if (i + 1 < n && text.at(i + 1) == substituteChar) {
                out += substituteChar;
                i += 2;
                continue;
            }
            // A macro: its name runs to the first end character met outside quotes.
            qsizetype j = i + 1;
            const bool quotedName = j < n && isQuote(text.at(j));
            QString name;
            while (j < n) {
                const QChar d = text.at(j);
                if (isQuote(d))
                    inQuotes = !inQuotes;
                else if (!inQuotes && isNameEnd(d))
                    break;
                name += d;
                ++j;
            }
            if (quotedName && !name.isEmpty()) {
                name.remove(0, 1);
                if (!name.isEmpty() && isQuote(name.back()))
                    name.chop(1);
            }
            if (!name.isEmpty())
                if (const TSqlSubstitution *item = substitutions.FindSubstitution(name))
                    out += item->Value;
            // The end character goes with the macro.
            i = j < n ? j + 1 : j;
            continue;
        }
        if (isQuote(c))
            inQuotes = !inQuotes;
        out += c;
        ++i;
    }
    return out;
}
