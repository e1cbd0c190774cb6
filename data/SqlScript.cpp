#include "SqlScript.h"

namespace {

class TScriptReader
{
public:
    TScriptReader(const QString &script, Dialect::Engine engine)
        : m_s(script)
        , m_n(script.size())
        , m_server(engine == Dialect::Engine::PostgreSQL)
    {
    }

    TSqlScript split()
    {
        TSqlScript out;
        qsizetype start = 0;
        bool code = false;
        qsizetype i = 0;
        while (i < m_n) {
            const QChar c = m_s.at(i);
            if (c == u';') {
                if (code)
                    out.statements << m_s.mid(start, i - start).trimmed();
                code = false;
                start = ++i;
            } else if (c.isSpace()) {
                ++i;
            } else if (at(i, "--")) {
                const qsizetype eol = m_s.indexOf(u'\n', i);
                i = eol < 0 ? m_n : eol + 1;
            } else if (at(i, "/*")) {
                const qsizetype open = i;
                i = blockCommentEnd(i);
                if (i < 0)
                    return failed(out, QStringLiteral("не закрыт комментарий /*"), open);
            } else {
                code = true;
                QString opened;
                const qsizetype open = i;
                i = tokenEnd(i, opened);
                if (i < 0)
                    return failed(out, opened, open);
            }
        }
        if (code)
            out.statements << m_s.mid(start).trimmed();
        return out;
    }

private:
    bool at(qsizetype i, const char *two) const
    {
        return i + 1 < m_n && m_s.at(i) == QLatin1Char(two[0]) && m_s.at(i + 1) == QLatin1Char(two[1]);
    }

    static bool isNameStart(QChar c) { return c.isLetter() || c == u'_'; }
    bool isNameChar(QChar c) const { return c.isLetterOrNumber() || c == u'_' || (m_server && c == u'$'); }

    // The end of the comment opened at `i`, past its "*/"; -1 when it stays open. The server nests them.
    qsizetype blockCommentEnd(qsizetype i) const
    {
        if (!m_server) {
            const qsizetype close = m_s.indexOf(QLatin1String("*/"), i + 2);
            return close < 0 ? -1 : close + 2;
        }
        int depth = 0;
        while (i < m_n) {
            if (at(i, "/*")) {
                ++depth;
                i += 2;
            } else if (at(i, "*/")) {
                i += 2;
                if (--depth == 0)
                    return i;
            } else {
                ++i;
            }
        }
        return -1;
    }

    // The end of the quoted text or name opened at `i` and closed by `close`, where a doubled closing character
    // stands for itself; with `backslash` a backslash takes the next character as it stands. -1 when it stays
    // open.
    qsizetype quotedEnd(qsizetype i, QChar close, bool backslash) const
    {
        for (qsizetype k = i + 1; k < m_n; ++k) {
            const QChar c = m_s.at(k);
            if (backslash && c == u'\\') {
                ++k;
            } else if (c == close) {
                if (k + 1 < m_n && m_s.at(k + 1) == close)
                    ++k;
                else
                    return k + 1;
            }
        }
        return -1;
    }

    // The end of the token that starts at `i` (not a blank, a comment or a ";"). A quote left open answers -1 and
    // names itself in `opened`.
    qsizetype tokenEnd(qsizetype i, QString &opened) const
    {
        const QChar c = m_s.at(i);
        const auto quoted = [&](qsizetype from, QChar close, bool backslash, const QString &what) {
            const qsizetype end = quotedEnd(from, close, backslash);
            if (end < 0)
                opened = what;
            return end;
        };
        if (c == u'\'')
            return quoted(i, c, false, QStringLiteral("не закрыт текст в кавычках '"));
        if (c == u'"')
            return quoted(i, c, false, QStringLiteral("не закрыто имя в кавычках \""));
        if (!m_server && c == u'`')
            return quoted(i, c, false, QStringLiteral("не закрыто имя в кавычках `"));
        if (!m_server && c == u'[') {
            const qsizetype close = m_s.indexOf(u']', i + 1);
            if (close < 0)
                opened = QStringLiteral("не закрыто имя в кавычках [");
            return close < 0 ? -1 : close + 1;
        }
        if (isNameStart(c)) {
            qsizetype end = i + 1;
            while (end < m_n && isNameChar(m_s.at(end)))
                ++end;
            // E'...' on the server: a text in which a backslash escapes the quote.
            if (m_server && end == i + 1 && (c == u'E' || c == u'e') && end < m_n && m_s.at(end) == u'\'')
                return quoted(end, u'\'', true, QStringLiteral("не закрыт текст в кавычках ") + c + u'\'');
            return end;
        }
        if (m_server && c == u'$') {
            // $$ or $tag$ opens a body that only the same tag closes; "$1" is a parameter.
            qsizetype end = i + 1;
            if (end < m_n && isNameStart(m_s.at(end))) {
                while (end < m_n && (m_s.at(end).isLetterOrNumber() || m_s.at(end) == u'_'))
                    ++end;
            }
            if (end >= m_n || m_s.at(end) != u'$') {
                while (end < m_n && m_s.at(end).isDigit())
                    ++end;
                return end;
            }
            const QString tag = m_s.mid(i, end - i + 1);
            const qsizetype close = m_s.indexOf(tag, end + 1);
            if (close < 0)
                opened = QStringLiteral("не закрыт текст в кавычках ") + tag;
            return close < 0 ? -1 : close + tag.size();
        }
        return i + 1;
    }

    int lineOf(qsizetype i) const { return int(QStringView(m_s).left(i).count(u'\n')) + 1; }

    TSqlScript failed(TSqlScript &out, const QString &what, qsizetype open) const
    {
        out.statements.clear();
        out.error = QStringLiteral("Скрипт не выполнен: %1 (строка %2).").arg(what).arg(lineOf(open));
        return out;
    }

    const QString &m_s;
    const qsizetype m_n;
    const bool m_server;
};

} // namespace

TSqlScript SplitSqlScript(const QString &script, Dialect::Engine engine)
{
    return TScriptReader(script, engine).split();
}
