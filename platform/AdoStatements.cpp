#include "AdoStatements.h"

#include "DatabaseError.h"

#include <QHash>

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The first word of a statement, in lower case, past blanks, comments and opening brackets.
QString firstWord(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c.isSpace() || c == u'(') {
            ++i;
        } else if (c == u'-' && i + 1 < n && text.at(i + 1) == u'-') {
            const qsizetype eol = text.indexOf(u'\n', i);
            i = eol < 0 ? n : eol + 1;
        } else if (c == u'/' && i + 1 < n && text.at(i + 1) == u'*') {
            const qsizetype close = text.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
        } else {
            break;
        }
    }
    qsizetype end = i;
    while (end < n && text.at(end).isLetter())
        ++end;
    return text.mid(i, end - i).toLower();
}

} // namespace

SplitStatement splitParameters(const QString &text)
{
    SplitStatement out;
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    auto at2 = [&](qsizetype i, char a, char b) { return i + 1 < n && s[i] == QLatin1Char(a) && s[i + 1] == QLatin1Char(b); };
    qsizetype pieceStart = 0;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c == u'\'' || c == u'"') {
            const qsizetype close = text.indexOf(c, i + 1);
            i = close < 0 ? n : close + 1;
        } else if (at2(i, '-', '-')) {
            const qsizetype eol = text.indexOf(u'\n', i);
            i = eol < 0 ? n : eol;
        } else if (at2(i, '/', '*')) {
            const qsizetype close = text.indexOf(QLatin1String("*/"), i + 2);
            i = close < 0 ? n : close + 2;
        } else if (at2(i, '$', '$')) {
            const qsizetype close = text.indexOf(QLatin1String("$$"), i + 2);
            i = close < 0 ? n : close + 2;
        } else if (at2(i, ':', ':')) {
            i += 2;
        } else if (c == u'?') {
            out.pieces << text.mid(pieceStart, i - pieceStart);
            out.names << QString();
            pieceStart = ++i;
        } else if (c == u':' && i + 1 < n && isNameStart(s[i + 1])) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(s[end]))
                ++end;
            out.pieces << text.mid(pieceStart, i - pieceStart);
            out.names << text.mid(i + 1, end - i - 1);
            pieceStart = i = end;
        } else {
            ++i;
        }
    }
    out.pieces << text.mid(pieceStart);
    return out;
}

RowsResult::RowsResult(const QSqlDriver *driver, QSqlRecord record, ResultRows rows, int rowsAffected)
    : QSqlResult(driver)
    , m_record(std::move(record))
    , m_rows(std::move(rows))
    , m_columns(m_record.count())
    , m_rowsAffected(rowsAffected)
{
    setForwardOnly(true);
    setSelect(m_columns > 0);
    setActive(true);
    setAt(QSql::BeforeFirstRow);
}

ResultRows RowsResult::takeRows()
{
    ResultRows rows;
    rows.swap(m_rows);
    setAt(QSql::AfterLastRow);
    return rows;
}

QVariant RowsResult::data(int i)
{
    if (at() < 0 || size_t(at()) >= m_rows.size() || i < 0 || i >= m_columns)
        return {};
    return m_rows[size_t(at())][size_t(i)];
}

bool RowsResult::isNull(int i)
{
    return data(i).isNull();
}

bool RowsResult::fetch(int i)
{
    if (i < 0 || size_t(i) >= m_rows.size())
        return false;
    setAt(i);
    return true;
}

StatementCache::StatementCache(const QSqlDriver *driver, int &prepareCount, QChar marker)
    : m_driver(driver)
    , m_prepareCount(prepareCount)
    , m_marker(marker)
{
}

StatementCache::Entry &StatementCache::entry(const QString &commandText)
{
    if (auto it = m_entries.find(commandText); it != m_entries.end()) {
        m_recency.splice(m_recency.begin(), m_recency, it->second.recency);
        return it->second;
    }

    auto text = std::make_shared<Text>();
    const SplitStatement split = splitParameters(commandText);
    // A name used twice is one value; a "?" is always a value of its own.
    QHash<QString, int> slotOfName;
    text->engineText = split.pieces.first();
    for (qsizetype i = 0; i < split.names.size(); ++i) {
        const QString &name = split.names.at(i);
        int slot = int(text->slotNames.size());
        if (name.isEmpty()) {
            text->slotNames << QString();
        } else if (const auto found = slotOfName.constFind(name.toUpper()); found != slotOfName.cend()) {
            slot = found.value();
        } else {
            slotOfName.insert(name.toUpper(), slot);
            text->slotNames << name;
        }
        text->engineText += m_marker + QString::number(slot + 1) + split.pieces.at(i + 1);
    }
    static const QStringList cached = {QStringLiteral("select"), QStringLiteral("insert"), QStringLiteral("update"),
                                       QStringLiteral("delete"), QStringLiteral("with"), QStringLiteral("values")};
    static const QStringList schema = {QStringLiteral("create"), QStringLiteral("alter"),  QStringLiteral("drop"),
                                       QStringLiteral("truncate"), QStringLiteral("grant"), QStringLiteral("revoke"),
                                       QStringLiteral("comment"), QStringLiteral("attach"), QStringLiteral("detach"),
                                       QStringLiteral("reindex")};
    const QString word = firstWord(commandText);
    text->cacheable = cached.contains(word);
    text->changesSchema = schema.contains(word);

    m_recency.push_front(commandText);
    Entry &added = m_entries[commandText];
    added.text = std::move(text);
    added.recency = m_recency.begin();

    std::vector<std::unique_ptr<Prepared>> evicted;
    while (m_entries.size() > size_t(Capacity)) {
        const auto oldest = m_entries.find(m_recency.back());
        if (oldest->second.prepared)
            evicted.push_back(std::move(oldest->second.prepared));
        m_entries.erase(oldest);
        m_recency.pop_back();
    }
    if (!evicted.empty())
        release(std::move(evicted));
    return added;
}

std::shared_ptr<const StatementCache::Text> StatementCache::text(const QString &commandText)
{
    return entry(commandText).text;
}

RowsResult *StatementCache::run(const QString &commandText, const Text &text, const QList<BoundValue> &values)
{
    if (text.cacheable)
        return execute(text, entry(commandText).prepared, true, values);
    std::unique_ptr<Prepared> once;
    try {
        RowsResult *result = execute(text, once, false, values);
        if (text.changesSchema)
            clear();
        return result;
    } catch (const EDatabaseError &) {
        if (text.changesSchema)
            clear();
        throw;
    }
}

void StatementCache::clear()
{
    std::vector<std::unique_ptr<Prepared>> all;
    for (auto &[text, e] : m_entries)
        if (e.prepared)
            all.push_back(std::move(e.prepared));
    m_entries.clear();
    m_recency.clear();
    if (!all.empty())
        release(std::move(all));
}
