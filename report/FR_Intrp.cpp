#include "FR_Intrp.h"

namespace {

enum : char16_t { lnCondJump = 1, lnJump = 2, lnCall = 3 };

const int BufferSize = 32000;
const int MaxLabels = 101;
const int MaxLabelName = 16;
// Far below the 16-bit jump targets: an unresolved label keeps its digits where a resolved one keeps its
// target, and no target of a script this size reads as two digits.
const int MaxLines = 12000;

// The label table is one for the whole process, as the compiled form and the engine expect.
struct Label {
    QString name;
    int line;
};
QList<Label> labels;

struct CompileError {
    QString text;
};

QString lineNumber(int line)
{
    return QString(QChar(line & 0xFF)) + QChar((line >> 8) & 0xFF);
}

int targetOf(const QString &line)
{
    if (line.size() < 3)
        return -1;
    return line[1].unicode() + 256 * line[2].unicode();
}

bool isNameStart(QChar c)
{
    return c.isLetter();
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == '.' || c == '_';
}

bool isDigit(QChar c)
{
    return c >= '0' && c <= '9';
}

class Compiler
{
public:
    Compiler(const QStringList &source, QStringList &compiled)
        : m_source(source)
        , m_out(compiled)
    {
        for (const QString &line : source) {
            QString copy = line;
            copy.replace('\t', ' ');
            m_buf += copy + '\r';
        }
    }

    bool TooLong() const { return m_buf.size() > BufferSize; }

    void Compile()
    {
        int pos = 0;
        if (!m_buf.trimmed().isEmpty())
            Statement(pos);
    }

    QString ErrorText(const QString &text) const
    {
        int begin = m_lastToken;
        while (begin < m_buf.size() && m_buf[begin].unicode() <= 32)
            ++begin;
        // Comments were removed left to right, so each recorded position is one of the buffer as it is now.
        int offset = begin + 1;
        for (const auto &[at, length] : m_comments)
            if (at <= begin)
                offset += length;
        for (int i = 0; i < m_source.size(); ++i) {
            const int span = int(m_source[i].size()) + 1;
            if (offset <= span)
                return QStringLiteral("Line %1/%2: %3").arg(i + 1).arg(offset).arg(text);
            offset -= span;
        }
        return QStringLiteral("Line %1/0: %2").arg(m_source.size() + 1).arg(text);
    }

private:
    QChar At(int pos) const { return pos >= 0 && pos < m_buf.size() ? m_buf[pos] : QChar(0); }

    // Removes the comment starting at pos, if any, and records it for error positions.
    bool RemoveComment(int pos)
    {
        int end;
        if (At(pos) == '{') {
            end = m_buf.indexOf('}', pos);
            end = end < 0 ? int(m_buf.size()) : end + 1;
        } else if (At(pos) == '/' && At(pos + 1) == '/') {
            end = m_buf.indexOf('\r', pos);
            end = end < 0 ? int(m_buf.size()) : end + 1;
        } else {
            return false;
        }
        m_comments.append({pos, end - pos});
        m_buf.remove(pos, end - pos);
        return true;
    }

    void SkipBlanks(int &pos)
    {
        for (;;) {
            while (pos < m_buf.size() && m_buf[pos].unicode() <= 32)
                ++pos;
            if (!RemoveComment(pos))
                return;
        }
    }

    // Reads one token (upper-cased; one blank at the end of the text) and leaves pos after it; start gets
    // the position of its first character.
    QString Token(int &pos, int *start = nullptr)
    {
        m_lastToken = pos;
        SkipBlanks(pos);
        const int begin = pos;
        while (pos < m_buf.size() && m_buf[pos].unicode() > 32) {
            if (m_buf[begin] != '\'' && RemoveComment(pos))
                continue;
            ++pos;
        }
        if (start)
            *start = begin;
        const QString token = m_buf.mid(begin, pos - begin).toUpper();
        return token.isEmpty() ? QStringLiteral(" ") : token;
    }

    QString Peek(int pos, int *start = nullptr)
    {
        return Token(pos, start);
    }

    [[noreturn]] void Fail(const QString &text) { throw CompileError{text}; }

    int Emit(const QString &line)
    {
        if (m_out.size() >= MaxLines)
            Fail(QStringLiteral("Script is too long"));
        m_out.append(line);
        return int(m_out.size()) - 1;
    }

    void Patch(int index, int target)
    {
        QString &line = m_out[index];
        line.replace(1, 2, lineNumber(target));
    }

    static bool IsEnd(const QString &token) { return token == QLatin1String("END") || token == QLatin1String("END;"); }

    void Statement(int &pos)
    {
        int start;
        const int before = pos;
        const QString token = Token(pos, &start);
        if (token == QLatin1String("BEGIN"))
            Block(pos);
        else if (token == QLatin1String("IF"))
            If(pos);
        else if (token == QLatin1String("REPEAT"))
            Repeat(pos);
        else if (token == QLatin1String("WHILE"))
            While(pos);
        else if (token == QLatin1String("FOR"))
            For(pos);
        else if (token == QLatin1String("GOTO"))
            Goto(pos);
        else if (IsEnd(token) || token == QLatin1String("UNTIL") || token == QLatin1String(" "))
            pos = before;
        else if (isDigit(At(start)) && LabelAt(start, pos))
            Statement(pos);
        else if (isNameStart(At(start)))
            NameStatement(start, pos);
        else
            ExpressionStatement(start, pos);
    }

    // Digits directly followed by ":" (not ":=") define a label for the next line.
    bool LabelAt(int start, int &pos)
    {
        int p = start;
        while (isDigit(At(p)))
            ++p;
        if (At(p) != ':' || At(p + 1) == '=')
            return false;
        const QString name = m_buf.mid(start, p - start + 1);
        if (name.size() > MaxLabelName)
            Fail(QStringLiteral("Label is too long"));
        bool known = false;
        for (const Label &label : labels)
            known = known || label.name == name;
        if (!known) {
            if (labels.size() >= MaxLabels)
                Fail(QStringLiteral("Too many labels"));
            labels.append({name, int(m_out.size())});
        }
        pos = p + 1;
        return true;
    }

    void Block(int &pos)
    {
        for (;;) {
            Statement(pos);
            int start;
            const QString token = Peek(pos, &start);
            if (token.startsWith(';')) {
                pos = start + 1;
            } else if (IsEnd(token)) {
                pos = start + 3;
                return;
            } else {
                Token(pos);
                Fail(QStringLiteral("Need \";\" or \"end\" here"));
            }
        }
    }

    void If(int &pos)
    {
        const QString condition = ExpressionText(pos);
        if (Token(pos) != QLatin1String("THEN"))
            Fail(QStringLiteral("Need \"then\" here"));
        const int jump = Emit(QString(QChar(lnCondJump)) + lineNumber(0) + condition);
        Statement(pos);
        int start;
        if (Peek(pos, &start) == QLatin1String("ELSE")) {
            pos = start + 4;
            const int skip = Emit(QString(QChar(lnJump)) + lineNumber(0));
            Patch(jump, int(m_out.size()));
            Statement(pos);
            Patch(skip, int(m_out.size()));
        } else {
            Patch(jump, int(m_out.size()));
        }
    }

    void Repeat(int &pos)
    {
        const int first = int(m_out.size());
        for (;;) {
            Statement(pos);
            int start;
            const QString token = Peek(pos, &start);
            if (token.startsWith(';')) {
                pos = start + 1;
            } else if (token == QLatin1String("UNTIL")) {
                pos = start + 5;
                break;
            } else {
                Token(pos);
                Fail(QStringLiteral("Need \";\" or \"until\" here"));
            }
        }
        Emit(QString(QChar(lnCondJump)) + lineNumber(first) + ExpressionText(pos));
    }

    void While(int &pos)
    {
        const QString condition = ExpressionText(pos);
        if (Token(pos) != QLatin1String("DO"))
            Fail(QStringLiteral("Need \"do\" here"));
        const int test = Emit(QString(QChar(lnCondJump)) + lineNumber(0) + condition);
        Statement(pos);
        Emit(QString(QChar(lnJump)) + lineNumber(test));
        Patch(test, int(m_out.size()));
    }

    void For(int &pos)
    {
        int start;
        Token(pos, &start);
        pos = start;
        const QString name = ReadName(pos);
        if (name.isEmpty() || !Peek(pos, &start).startsWith(QLatin1String(":=")))
            Fail(QStringLiteral("Need \":=\" here"));
        pos = start + 2;
        Emit(name + ' ' + ExpressionText(pos));
        if (Token(pos) != QLatin1String("TO"))
            Fail(QStringLiteral("Need \"to\" here"));
        const QString limit = ExpressionText(pos);
        if (Token(pos) != QLatin1String("DO"))
            Fail(QStringLiteral("Need \"do\" here"));
        const int test = Emit(QString(QChar(lnCondJump)) + lineNumber(0) + name + QStringLiteral("<=") + limit);
        Statement(pos);
        Emit(name + ' ' + name + QStringLiteral("+1"));
        Emit(QString(QChar(lnJump)) + lineNumber(test));
        Patch(test, int(m_out.size()));
    }

    void Goto(int &pos)
    {
        int start;
        Token(pos, &start);
        pos = start;
        while (isDigit(At(pos)))
            ++pos;
        const QString digits = m_buf.mid(start, pos - start);
        Emit(QString(QChar(lnJump)) + digits);
        if (digits.isEmpty())
            Fail(QStringLiteral("\"goto\" label must be a number"));
    }

    QString ReadName(int &pos)
    {
        const int start = pos;
        if (!isNameStart(At(pos)))
            return QString();
        while (isNameChar(At(pos)))
            ++pos;
        return m_buf.mid(start, pos - start);
    }

    void NameStatement(int start, int &pos)
    {
        pos = start;
        const QString name = ReadName(pos);
        QString index;
        bool indexed = false;
        if (At(pos) == '[') {
            const int open = pos;
            Bracket(pos);
            index = m_buf.mid(open + 1, pos - open - 2);
            indexed = true;
        }
        int next;
        const QString token = Peek(pos, &next);
        if (token.startsWith(QLatin1String(":="))) {
            pos = next + 2;
            const QString value = ExpressionText(pos);
            if (indexed)
                Emit(QString(QChar(lnCall)) + QStringLiteral("SETARRAY(") + name + QStringLiteral(", ") + index
                     + QStringLiteral(", ") + value + ')');
            else
                Emit(name + ' ' + value);
        } else if (!indexed && (token == QLatin1String(";") || token.startsWith(';') || IsEnd(token)
                                || token == QLatin1String("ELSE") || token == QLatin1String(" "))) {
            Emit(QString(QChar(lnCall)) + name + QStringLiteral("(0)"));
        } else if (!indexed && At(next) == '(' ) {
            ExpressionStatement(start, pos);
        } else {
            Token(pos);
            Fail(QStringLiteral("Need \":=\" here"));
        }
    }

    void ExpressionStatement(int start, int &pos)
    {
        pos = start;
        Emit(QString(QChar(lnCall)) + ExpressionText(pos));
    }

    // ---- expression recogniser: checks and measures, the text in between is what is emitted ----

    QString ExpressionText(int &pos)
    {
        SkipBlanks(pos);
        const int start = pos;
        Expression(pos);
        return m_buf.mid(start, pos - start).trimmed();
    }

    // Positions pos on the next non-blank character, taking it as the last token read.
    QChar Next(int &pos)
    {
        m_lastToken = pos;
        SkipBlanks(pos);
        return At(pos);
    }

    bool WordAt(int pos, const char *word) const
    {
        const QLatin1String w(word);
        return m_buf.mid(pos, w.size()).compare(w, Qt::CaseInsensitive) == 0;
    }

    void Expression(int &pos)
    {
        SimpleExpression(pos);
        const QChar c = Next(pos);
        if ((c == '>' && At(pos + 1) == '=') || (c == '<' && (At(pos + 1) == '=' || At(pos + 1) == '>')))
            pos += 2;
        else if (c == '<' || c == '=' || c == '>')
            pos += 1;
        else
            return;
        SimpleExpression(pos);
    }

    void SimpleExpression(int &pos)
    {
        Term(pos);
        for (;;) {
            const QChar c = Next(pos);
            if (c == '+' || c == '-')
                pos += 1;
            else if (WordAt(pos, "OR"))
                pos += 2;
            else
                return;
            Term(pos);
        }
    }

    void Term(int &pos)
    {
        Factor(pos);
        for (;;) {
            const QChar c = Next(pos);
            if (c == '*' || c == '/')
                pos += 1;
            else if (WordAt(pos, "AND") || WordAt(pos, "MOD"))
                pos += 3;
            else
                return;
            Factor(pos);
        }
    }

    void Factor(int &pos)
    {
        const QChar c = Next(pos);
        if (c == '(') {
            ++pos;
            Expression(pos);
            if (Next(pos) != ')')
                Fail(QStringLiteral("Need \")\" here"));
            ++pos;
        } else if (c == '[') {
            Bracket(pos);
        } else if (c == '+' || c == '-') {
            ++pos;
            Expression(pos);
        } else if (WordAt(pos, "NOT") && !isNameChar(At(pos + 3))) {
            pos += 3;
            Expression(pos);
        } else if (isNameStart(c)) {
            ReadName(pos);
            if (At(pos) == '[')
                Bracket(pos);
            if (Next(pos) == '(')
                Arguments(pos);
        } else if (isDigit(c)) {
            while (isDigit(At(pos)))
                ++pos;
            if (At(pos) == '.' && isDigit(At(pos + 1))) {
                ++pos;
                while (isDigit(At(pos)))
                    ++pos;
            }
        } else if (c == '\'') {
            int next = pos + 1;
            TfrParser().ReadQuoted(m_buf, next);
            pos = next - 1;
        } else {
            // Reported rather than ending the compilation quietly: the owner would run a truncated script.
            Fail(QStringLiteral("Need an expression here"));
        }
    }

    void Arguments(int &pos)
    {
        ++pos;
        if (Next(pos) == ')') {
            ++pos;
            return;
        }
        for (;;) {
            Expression(pos);
            const QChar c = Next(pos);
            ++pos;
            if (c == ')')
                return;
            if (c != ',')
                Fail(QStringLiteral("Need \",\" or \")\" here"));
        }
    }

    // From an opening "[" to after its matching "]", nesting and quotes skipped.
    void Bracket(int &pos)
    {
        // The expression reader counts from 1: its position of the closing "]" is ours of the character after.
        int start = pos + 1, closing = pos + 1;
        ReadBracketed(m_buf, start, closing);
        pos = closing;
        if (closing > m_buf.size())
            Fail(QStringLiteral("Need \"]\" here"));
    }

    const QStringList &m_source;
    QStringList &m_out;
    QString m_buf;
    QList<QPair<int, int>> m_comments; // buffer position and length of each removed comment
    int m_lastToken = 0;
};

} // namespace

QString CopyToEnd(const QString &s, int from)
{
    return from <= 1 ? s : s.mid(from - 1);
}

QString ReadWord(const QString &s, int &pos)
{
    while (pos <= s.size() && s[pos - 1].unicode() <= 32)
        ++pos;
    const int start = pos;
    while (pos <= s.size() && s[pos - 1].unicode() > 32)
        ++pos;
    return s.mid(start - 1, pos - start);
}

TfrInterpretator::TfrInterpretator()
{
    m_parser.OnGetValue = [this](const QString &name, Variant &value) { GetValue(name, value); };
    m_parser.OnFunction = [this](const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                                 Variant &val) { DoFunction(name, p1, p2, p3, val); };
}

void TfrInterpretator::GetValue(const QString &, Variant &)
{
}

void TfrInterpretator::SetValue(const QString &, const Variant &)
{
}

void TfrInterpretator::DoFunction(const QString &, const Variant &, const Variant &, const Variant &, Variant &)
{
}

void TfrInterpretator::CompileScript(const QStringList &source, QStringList &compiled, QStringList &errors)
{
    compiled.clear();
    errors.clear();
    labels.clear();
    Compiler compiler(source, compiled);
    if (compiler.TooLong()) {
        errors.append(QStringLiteral("Script is too long"));
        return;
    }
    try {
        compiler.Compile();
    } catch (const CompileError &e) {
        errors.append(compiler.ErrorText(e.text));
    }

    for (QString &line : compiled) {
        try {
            switch (line.isEmpty() ? 0 : line[0].unicode()) {
            case lnJump: {
                const QString name = line.mid(1) + ':';
                for (const Label &label : labels)
                    if (label.name == name) {
                        line = line.left(1) + lineNumber(label.line);
                        break;
                    }
                break;
            }
            case lnCondJump:
                line = line.left(3) + m_parser.ToPostfix(line.mid(3));
                break;
            case lnCall:
                line = line.left(1) + m_parser.ToPostfix(line.mid(1));
                break;
            default: {
                int pos = 1;
                const QString name = ReadWord(line, pos);
                line = name + ' ' + m_parser.ToPostfix(CopyToEnd(line, pos));
                break;
            }
            }
        } catch (const Exception &e) {
            errors.append(e.message().isEmpty() ? QStringLiteral("Need \")\" here") : e.message());
        }
    }
}

void TfrInterpretator::RunScript(const QStringList &compiled)
{
    const int count = int(compiled.size());
    int i = 0;
    while (i >= 0 && i < count) {
        const QString &line = compiled[i];
        const char16_t kind = line.isEmpty() ? 0 : line[0].unicode();
        if (kind == lnCondJump) {
            const Variant value = m_parser.EvaluatePostfix(CopyToEnd(line, 4));
            i = value == Variant(0) ? targetOf(line) : i + 1;
        } else if (kind == lnJump) {
            // A jump whose label was never defined still holds the label's digits: it ends the run.
            i = line.size() == 3 ? targetOf(line) : count;
        } else if (kind == lnCall) {
            const QString text = CopyToEnd(line, 2);
            if (text.toUpper() == QLatin1String("EXIT(0)"))
                return;
            m_parser.EvaluatePostfix(text);
            ++i;
        } else {
            int pos = 1;
            const QString name = ReadWord(line, pos);
            SetValue(name, m_parser.EvaluatePostfix(CopyToEnd(line, pos)));
            ++i;
        }
    }
}

void TfrInterpretator::SplitScriptExpressions(const QStringList &compiled, const QStringList &matchFuncs,
                                              const TfrVariables *variables, QStringList &splitTo)
{
    TfrFunctionSplitter splitter(&matchFuncs, &splitTo, variables);
    for (const QString &line : compiled) {
        const char16_t kind = line.isEmpty() ? 0 : line[0].unicode();
        if (kind == lnCondJump) {
            splitter.Split(CopyToEnd(line, 4));
        } else if (kind == lnCall) {
            splitter.Split(CopyToEnd(line, 2));
        } else if (kind != lnJump) {
            int pos = 1;
            ReadWord(line, pos);
            splitter.Split(CopyToEnd(line, pos));
        }
    }
}
