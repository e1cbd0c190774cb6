#include "FilterExpression.h"

#include "DataSet.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

enum class Tok { End, Name, Text, Number, Op, LParen, RParen, Comma };

struct Token
{
    Tok kind = Tok::End;
    QString text;
};

// How deeply brackets, NOT and chains of AND and OR may nest: far beyond any filter a window builds, and
// shallow enough that parsing, evaluating and freeing the tree never exhaust the stack.
constexpr int MaxDepth = 256;

struct Node
{
    enum Kind { And, Or, Not, Compare, IsNull, Like, In } kind = Compare;
    std::unique_ptr<Node> left, right;
    TField *field = nullptr;
    QString op;
    QVariant value;
    QVariantList list;   // IN
    bool prefix = false; // "= 'ab*'"
    bool negate = false; // IS NOT NULL, NOT LIKE, NOT IN
    int depth = 1;       // of the tree under this node
};

// SQL's LIKE: "%" (or "*") stands for any run of characters, "_" for one; case counts, as with "=".
bool likeMatches(const QString &text, const QString &pattern)
{
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('%') || pattern[p] == QLatin1Char('*'))) {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == QLatin1Char('_') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && (pattern[p] == QLatin1Char('%') || pattern[p] == QLatin1Char('*')))
        ++p;
    return p == pattern.size();
}

class Parser
{
public:
    Parser(TDataSet *ds, const QString &text) : m_ds(ds), m_text(text) { advance(); }

    std::unique_ptr<Node> parse()
    {
        auto n = parseOr();
        if (m_tok.kind != Tok::End)
            error();
        return n;
    }

private:
    [[noreturn]] void error() const
    {
        throw EDatabaseError(QStringLiteral("Invalid filter expression: %1").arg(m_text));
    }

    bool keyword(const char *word) const
    {
        return m_tok.kind == Tok::Name && m_tok.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    void advance()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
        m_tok = Token();
        if (m_pos >= m_text.size())
            return;
        const QChar c = m_text[m_pos];
        if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            m_tok.kind = c == QLatin1Char('(') ? Tok::LParen : Tok::RParen;
            ++m_pos;
        } else if (c == QLatin1Char(',')) {
            m_tok.kind = Tok::Comma;
            ++m_pos;
        } else if (c == QLatin1Char('~')) {
            m_tok.kind = Tok::Op;
            m_tok.text = QStringLiteral("LIKE");
            ++m_pos;
        } else if (c == QLatin1Char('!')) {
            // "!=" is "<>"; "!~" and "!In" are the negated LIKE and IN of the grid's filter texts.
            ++m_pos;
            m_tok.kind = Tok::Op;
            if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('=')) {
                m_tok.text = QStringLiteral("<>");
                ++m_pos;
            } else if (m_pos < m_text.size() && m_text[m_pos] == QLatin1Char('~')) {
                m_tok.text = QStringLiteral("NOT LIKE");
                ++m_pos;
            } else {
                m_tok.text = QStringLiteral("!");
            }
        } else if (c == QLatin1Char('\'')) {
            m_tok.kind = Tok::Text;
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size())
                    error();
                if (m_text[m_pos] == QLatin1Char('\'')) {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == QLatin1Char('\'')) {
                        m_tok.text += QLatin1Char('\'');
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                m_tok.text += m_text[m_pos++];
            }
        } else if (c == QLatin1Char('[')) {
            const int end = int(m_text.indexOf(QLatin1Char(']'), m_pos));
            if (end < 0)
                error();
            m_tok.kind = Tok::Name;
            m_tok.text = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
        } else if (QStringLiteral("=<>").contains(c)) {
            m_tok.kind = Tok::Op;
            m_tok.text = c;
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == QLatin1Char('=') || (c == QLatin1Char('<') && m_text[m_pos] == QLatin1Char('>')))) {
                m_tok.text += m_text[m_pos];
                ++m_pos;
            }
        } else if (c.isDigit() || c == QLatin1Char('-') || c == QLatin1Char('.')) {
            m_tok.kind = Tok::Number;
            while (m_pos < m_text.size() && (m_text[m_pos].isDigit() || m_text[m_pos] == QLatin1Char('.')
                                            || (m_tok.text.isEmpty() && m_text[m_pos] == QLatin1Char('-'))))
                m_tok.text += m_text[m_pos++];
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            m_tok.kind = Tok::Name;
            while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == QLatin1Char('_')))
                m_tok.text += m_text[m_pos++];
        } else {
            error();
        }
    }

    [[noreturn]] void tooDeep() const
    {
        throw EDatabaseError(QStringLiteral("Filter expression nested too deeply: %1").arg(m_text.left(80)));
    }

    std::unique_ptr<Node> binary(Node::Kind kind, std::unique_ptr<Node> l, std::unique_ptr<Node> r)
    {
        const int depth = 1 + std::max(l->depth, r ? r->depth : 0);
        if (depth > MaxDepth)
            tooDeep();
        auto n = std::make_unique<Node>();
        n->depth = depth;
        n->kind = kind;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }

    std::unique_ptr<Node> parseOr()
    {
        auto n = parseAnd();
        while (keyword("OR")) {
            advance();
            n = binary(Node::Or, std::move(n), parseAnd());
        }
        return n;
    }

    std::unique_ptr<Node> parseAnd()
    {
        auto n = parseNot();
        while (keyword("AND")) {
            advance();
            n = binary(Node::And, std::move(n), parseNot());
        }
        return n;
    }

    std::unique_ptr<Node> parseNot()
    {
        if (++m_nesting > MaxDepth)
            tooDeep();
        auto n = parseNotNested();
        --m_nesting;
        return n;
    }

    std::unique_ptr<Node> parseNotNested()
    {
        if (keyword("NOT")) {
            advance();
            return binary(Node::Not, parseNot(), nullptr);
        }
        if (m_tok.kind == Tok::LParen) {
            advance();
            auto n = parseOr();
            if (m_tok.kind != Tok::RParen)
                error();
            advance();
            return n;
        }
        return parseComparison();
    }

    std::unique_ptr<Node> parseComparison()
    {
        if (m_tok.kind != Tok::Name)
            error();
        auto n = std::make_unique<Node>();
        n->field = m_ds->FieldByName(m_tok.text);
        advance();
        if (keyword("IS")) {
            advance();
            n->kind = Node::IsNull;
            if (keyword("NOT")) {
                n->negate = true;
                advance();
            }
            if (!keyword("NULL"))
                error();
            advance();
            return n;
        }
        // [NOT] LIKE and [NOT] IN, also written "~", "!~" and "!In".
        bool negate = false;
        if (keyword("NOT") || (m_tok.kind == Tok::Op && m_tok.text == QLatin1String("!"))) {
            negate = true;
            advance();
            if (!keyword("LIKE") && !keyword("IN"))
                error();
        }
        if (keyword("LIKE") || (m_tok.kind == Tok::Op && m_tok.text.endsWith(QLatin1String("LIKE")))) {
            n->kind = Node::Like;
            n->negate = negate || m_tok.text == QLatin1String("NOT LIKE");
            advance();
            if (m_tok.kind != Tok::Text && m_tok.kind != Tok::Number)
                error();
            n->value = m_tok.text;
            advance();
            return n;
        }
        if (keyword("IN")) {
            n->kind = Node::In;
            n->negate = negate;
            advance();
            if (m_tok.kind != Tok::LParen)
                error();
            do {
                advance();
                n->list << literal(n->field);
                advance();
            } while (m_tok.kind == Tok::Comma);
            if (m_tok.kind != Tok::RParen)
                error();
            advance();
            return n;
        }
        if (m_tok.kind != Tok::Op || m_tok.text == QLatin1String("!"))
            error();
        n->op = m_tok.text;
        advance();
        if (keyword("NULL")) {
            if (n->op != QLatin1String("=") && n->op != QLatin1String("<>"))
                error();
            n->kind = Node::IsNull;
            n->negate = n->op == QLatin1String("<>");
            advance();
            return n;
        }
        if (m_tok.kind == Tok::Text && n->op == QLatin1String("=") && m_tok.text.endsWith(QLatin1Char('*'))
            && IsStringType(n->field->DataType())) {
            n->prefix = true;
            m_tok.text.chop(1);
        }
        n->value = literal(n->field);
        advance();
        return n;
    }

    // The current text or number token as a value of the field's type. A text is converted as the field
    // converts typed text (a number in it with the user's decimal separator); a bare number is the filter
    // language's own, written with a point whatever the user's settings.
    QVariant literal(const TField *field)
    {
        if (m_tok.kind != Tok::Text && m_tok.kind != Tok::Number)
            error();
        if (IsStringType(field->DataType()))
            return m_tok.text;
        if (m_tok.kind == Tok::Number && IsNumericType(field->DataType()))
            return number(field);
        return field->Coerce(m_tok.text);
    }

    QVariant number(const TField *field)
    {
        bool whole = false;
        const qlonglong n = m_tok.text.toLongLong(&whole);
        if (whole)
            return field->Coerce(n);
        bool ok = false;
        const double d = m_tok.text.toDouble(&ok);
        if (!ok || !std::isfinite(d))
            error();
        // An integer field takes no fraction: refused as the field refuses a typed one, never rounded.
        if (IsIntegerType(field->DataType()) && d != std::trunc(d))
            return field->Coerce(m_tok.text);
        return field->Coerce(d);
    }

    TDataSet *m_ds;
    QString m_text;
    int m_pos = 0;
    int m_nesting = 0; // open brackets and NOTs
    Token m_tok;
};

int compare(TFieldType t, const QVariant &v, const QVariant &w)
{
    if (IsStringType(t))
        return QString::compare(v.toString(), w.toString());
    if (IsDateType(t))
        return v.toDateTime() < w.toDateTime() ? -1 : (v.toDateTime() > w.toDateTime() ? 1 : 0);
    return v.toDouble() < w.toDouble() ? -1 : (v.toDouble() > w.toDouble() ? 1 : 0);
}

bool evaluate(const Node &n)
{
    switch (n.kind) {
    case Node::And: return evaluate(*n.left) && evaluate(*n.right);
    case Node::Or: return evaluate(*n.left) || evaluate(*n.right);
    case Node::Not: return !evaluate(*n.left);
    case Node::IsNull: return n.field->IsNull() != n.negate;
    case Node::Compare: case Node::Like: case Node::In: break;
    }
    // A null value satisfies no comparison, negated or not, as in SQL.
    const QVariant v = n.field->Value();
    if (!v.isValid())
        return false;
    if (n.kind == Node::Like)
        return likeMatches(n.field->AsString(), n.value.toString()) != n.negate;
    const TFieldType t = n.field->DataType();
    if (n.kind == Node::In)
        return std::any_of(n.list.begin(), n.list.end(), [&](const QVariant &item) {
                   return item.isValid() && compare(t, v, item) == 0;
               }) != n.negate;
    if (!n.value.isValid())
        return false;
    if (n.prefix)
        return v.toString().startsWith(n.value.toString());
    const int c = compare(t, v, n.value);
    const QString &op = n.op;
    if (op == QLatin1String("=")) return c == 0;
    if (op == QLatin1String("<>")) return c != 0;
    if (op == QLatin1String("<")) return c < 0;
    if (op == QLatin1String(">")) return c > 0;
    if (op == QLatin1String("<=")) return c <= 0;
    return c >= 0;
}

} // namespace

std::function<bool(TDataSet *, int)> CompileFilter(TDataSet *dataSet, const QString &text)
{
    std::shared_ptr<Node> root = Parser(dataSet, text).parse();
    return [root](TDataSet *, int) { return evaluate(*root); };
}
