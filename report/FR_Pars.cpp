#include "FR_Pars.h"

#include "Formats.h"
#include "FormatSettings.h"

#include <cmath>

namespace {

// Operator codes of the postfix text; the one-character operators stand for themselves.
enum : char16_t {
    opGreaterEq = 1,
    opLessEq = 2,
    opNotEqual = 3,
    opOr = 4,
    opAnd = 5,
    opInt = 6,
    opFrac = 7,
    opNegate = 9,
    opPlus = 10,
    opStr = 11,
    opNot = 12,
    opMod = 13,
    opRound = 14,
};

// Deep enough for any expression a template holds; bounds the recursion through bracketed indexes, IF,
// COPY and the callbacks that evaluate their arguments.
const int MaxDepth = 64;
const int MaxOperators = 256;
const int StackSlots = 32;

QChar at(const QString &s, int pos)
{
    return pos >= 1 && pos <= s.size() ? s[pos - 1] : QChar(0);
}

int rank(QChar op)
{
    switch (op.unicode()) {
    case opGreaterEq: case opLessEq: case opNotEqual: case '<': case '=': case '>': return 3;
    case opOr: case opAnd: case opNot: case opMod: case '*': case '/': return 1;
    case opInt: case opFrac: case opStr: case opRound: return 0;
    case opNegate: case opPlus: case '+': case '-': return 2;
    case '(': return 5;
    default: return 4;
    }
}

bool isPrefixOperator(QChar op)
{
    switch (op.unicode()) {
    case opInt: case opFrac: case opNegate: case opPlus: case opStr: case opNot: case opRound: return true;
    default: return false;
    }
}

bool isBinaryOperator(QChar op)
{
    switch (op.unicode()) {
    case opGreaterEq: case opLessEq: case opNotEqual: case opOr: case opAnd: case opMod:
    case '*': case '+': case '-': case '/': case '<': case '=': case '>': return true;
    default: return false;
    }
}

bool startsNumber(QChar c)
{
    return (c >= '0' && c <= '9') || c == ',' || c == '.';
}

char16_t keywordCode(const QString &word)
{
    static const struct {
        const char *name;
        char16_t code;
    } keywords[] = {{"INT", opInt}, {"FRAC", opFrac}, {"ROUND", opRound}, {"OR", opOr},
                    {"AND", opAnd}, {"NOT", opNot},   {"STR", opStr},     {"MOD", opMod}};
    for (const auto &k : keywords)
        if (word.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            return k.code;
    return 0;
}

QString unquote(const QString &literal)
{
    QString inner = literal.mid(1, literal.size() - (literal.size() > 1 && literal.endsWith('\'') ? 2 : 1));
    return inner.replace(QLatin1String("''"), QLatin1String("'"));
}

// Within 1e-10 of a whole number the value is taken as that number, so that sums of decimal fractions
// that land a hair below an integer do not lose a unit under INT.
double snapped(double v)
{
    const double nearest = roundHalfEven(v);
    return std::fabs(v - nearest) < 1e-10 ? nearest : v;
}

Variant comparison(bool result)
{
    return Variant(result ? 1 : 0);
}

// Two strings compare by their character codes, case-sensitive; anything else by the Variant's rules.
int compareValues(const Variant &a, const Variant &b)
{
    if (a.isString() && b.isString())
        return qBound(-1, a.toString().compare(b.toString()), 1);
    switch (VarCompareValue(a, b)) {
    case VarCompareResult::LessThan: return -1;
    case VarCompareResult::Equal: return 0;
    case VarCompareResult::GreaterThan: return 1;
    case VarCompareResult::NotEqual: break;
    }
    return 2; // unordered: only "<>" holds
}

Variant binary(QChar op, const Variant &a, const Variant &b)
{
    switch (op.unicode()) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': case opAnd: return a * b;
    case opOr: return Variant::logicalOr(a, b);
    case opMod: return Variant::mod(a, b);
    case '/':
        if (b == Variant(0))
            return Variant(0);
        return a / b;
    }
    const int order = compareValues(a, b);
    switch (op.unicode()) {
    case '<': return comparison(order == -1);
    case '>': return comparison(order == 1);
    case '=': return comparison(order == 0);
    case opGreaterEq: return comparison(order == 0 || order == 1);
    case opLessEq: return comparison(order == 0 || order == -1);
    case opNotEqual: return comparison(order != 0);
    }
    return Variant();
}

Variant unary(QChar op, const Variant &a)
{
    switch (op.unicode()) {
    case opNegate: return -a;
    case opNot: return Variant(a == Variant(0) ? 1 : 0);
    case opStr: return a.isNull() ? Variant(QString()) : Variant(a.toString());
    case opRound: {
        const qint64 rounded = Round(a.toDouble());
        return rounded == qint64(int(rounded)) ? Variant(int(rounded)) : Variant(rounded);
    }
    case opInt: return Variant(std::trunc(snapped(a.toDouble())));
    case opFrac: {
        const double v = snapped(a.toDouble());
        return Variant(v - std::trunc(v));
    }
    }
    return a;
}

// The templates' COPY: positions count from 1, a start before the text counts from 1, a count of 0 or less
// gives an empty text.
QString copyText(const QString &s, int start, int count)
{
    if (start < 1)
        start = 1;
    if (count <= 0 || start > s.size())
        return QString();
    return s.mid(start - 1, count);
}

class DepthGuard
{
public:
    explicit DepthGuard(int &depth)
        : m_depth(depth)
    {
        if (++m_depth > MaxDepth) {
            --m_depth;
            throw EParserError(QStringLiteral("Expression is too complex"));
        }
    }
    ~DepthGuard() { --m_depth; }

private:
    int &m_depth;
};

} // namespace

// ---- TfrVariables -------------------------------------------------------------------------------------------

void TfrVariables::Assign(const TfrVariables &other)
{
    Clear();
    for (const Item &item : other.m_items)
        SetValue(item.name, item.value);
}

void TfrVariables::Clear()
{
    m_items.clear();
}

int TfrVariables::SortedPosition(const QString &name) const
{
    int lo = 0, hi = int(m_items.size());
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (CompareText(m_items[mid].name, name) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int TfrVariables::IndexOf(const QString &name) const
{
    if (m_sorted) {
        const int i = SortedPosition(name);
        return i < m_items.size() && CompareText(m_items[i].name, name) == 0 ? i : -1;
    }
    for (int i = 0; i < m_items.size(); ++i)
        if (CompareText(m_items[i].name, name) == 0)
            return i;
    return -1;
}

void TfrVariables::SetValue(const QString &name, const Variant &value)
{
    const int i = IndexOf(name);
    if (i >= 0)
        m_items[i].value = value;
    else if (m_sorted)
        m_items.insert(SortedPosition(name), Item{name, value});
    else
        m_items.append(Item{name, value});
}

Variant TfrVariables::GetValue(const QString &name) const
{
    const int i = IndexOf(name);
    return i >= 0 ? m_items[i].value : Variant::Null();
}

void TfrVariables::Insert(int i, const QString &name)
{
    SetValue(name, Variant(0));
    // A sorted list decides positions itself.
    if (m_sorted || i < 0 || i >= m_items.size())
        return;
    m_items.move(IndexOf(name), i);
}

QString TfrVariables::GetName(int i) const
{
    return i >= 0 && i < m_items.size() ? m_items[i].name : QString();
}

void TfrVariables::SetName(int i, const QString &name)
{
    if (i < 0 || i >= m_items.size())
        return;
    if (!m_sorted) {
        m_items[i].name = name;
        return;
    }
    Item item = m_items.takeAt(i);
    item.name = name;
    m_items.insert(SortedPosition(name), item);
}

Variant TfrVariables::GetValueAt(int i) const
{
    return i >= 0 && i < m_items.size() ? m_items[i].value : Variant(0);
}

void TfrVariables::SetValueAt(int i, const Variant &value)
{
    if (i >= 0 && i < m_items.size())
        m_items[i].value = value;
}

void TfrVariables::Delete(int i)
{
    if (i >= 0 && i < m_items.size())
        m_items.removeAt(i);
}

void TfrVariables::SetSorted(bool flag)
{
    if (flag == m_sorted)
        return;
    m_sorted = flag;
    if (!flag)
        return;
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const Item &a, const Item &b) { return CompareText(a.name, b.name) < 0; });
    // A sorted list holds every name once.
    for (int i = int(m_items.size()) - 1; i > 0; --i)
        if (CompareText(m_items[i].name, m_items[i - 1].name) == 0)
            m_items.removeAt(i);
}

// ---- Readers ------------------------------------------------------------------------------------------------

QString TfrParser::ReadIdentifier(const QString &s, int &pos) const
{
    while (pos <= s.size() && at(s, pos).unicode() <= 32)
        ++pos;
    const int start = pos;
    bool quoted = false;
    for (; pos <= s.size(); ++pos) {
        const QChar c = at(s, pos);
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == '\r' || c == ' ' || c == '(' || c == ')' || c == '*' || c == '+' || c == '-' || c == '/'
            || c == '<' || c == '=' || c == '>' || c == '[')
            break;
    }
    return s.mid(start - 1, pos - start);
}

QString TfrParser::ReadQuoted(const QString &s, int &pos) const
{
    const int start = pos;
    int i = pos + 1;
    while (i <= s.size()) {
        if (at(s, i) == '\'') {
            if (at(s, i + 1) == '\'') {
                i += 2;
                continue;
            }
            ++i;
            break;
        }
        ++i;
    }
    pos = i;
    return s.mid(start - 1, i - start);
}

void TfrParser::ReadArguments(const QString &s, int &pos, QString &a1, QString &a2, QString &a3) const
{
    a1.clear();
    a2.clear();
    a3.clear();
    int depth = 1, argument = 1;
    bool quoted = false;
    int argStart = pos + 1;
    for (int i = pos + 1;; ++i) {
        if (i > s.size())
            throw Exception(QString());
        const QChar c = at(s, i);
        if (c == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (--depth == 0) {
                const QString text = s.mid(argStart - 1, i - argStart);
                if (argument == 1)
                    a1 = text;
                else if (argument == 2)
                    a2 = text;
                else if (argument == 3)
                    a3 = text;
                pos = i + 1;
                return;
            }
        } else if (c == ',' && depth == 1) {
            (argument == 1 ? a1 : a2) = s.mid(argStart - 1, i - argStart);
            ++argument;
            argStart = i + 1;
        }
    }
}

QString ReadBracketed(const QString &s, int &start, int &pos)
{
    if (at(s, pos) != '[')
        return QString();
    int depth = 0;
    bool singleQuoted = false, doubleQuoted = false;
    int i = pos;
    for (; i <= s.size(); ++i) {
        const QChar c = at(s, i);
        if (c == '"' && !singleQuoted)
            doubleQuoted = !doubleQuoted;
        else if (c == '\'' && !doubleQuoted)
            singleQuoted = !singleQuoted;
        else if (!singleQuoted && !doubleQuoted) {
            if (c == '[') {
                if (depth++ == 0)
                    start = i;
            } else if (c == ']' && --depth == 0) {
                break;
            }
        }
    }
    pos = i;
    return s.mid(start, pos - start - 1);
}

// ---- Conversion to postfix ----------------------------------------------------------------------------------

QString TfrParser::ToPostfix(const QString &s)
{
    QString out;
    QString stack; // the top is the first character
    bool operandLast = false;

    auto pushOperator = [&](QChar op) {
        // A prefix operator has no left operand to finish, so it never closes pending operators: this is
        // what makes "2 * -3" and "x and not y" work.
        if (!isPrefixOperator(op)) {
            while (!stack.isEmpty() && rank(op) >= rank(stack[0])) {
                out += stack[0];
                stack.remove(0, 1);
            }
        }
        if (stack.size() >= MaxOperators)
            throw EParserError(QStringLiteral("Expression is too complex"));
        stack.prepend(op);
    };

    int i = 1;
    while (i <= s.size()) {
        const QChar c = at(s, i);
        if (c.unicode() <= 32) {
            ++i;
        } else if (c == '(') {
            if (stack.size() >= MaxOperators)
                throw EParserError(QStringLiteral("Expression is too complex"));
            stack.prepend(c);
            operandLast = false;
            ++i;
        } else if (c == ')') {
            const int open = stack.indexOf('(');
            if (open >= 0) {
                out += stack.left(open);
                stack.remove(0, open + 1);
            }
            ++i;
        } else if (c == ';') {
            break;
        } else if (c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '=' || c == '>') {
            QChar op = c;
            const QChar next = at(s, i + 1);
            if (c == '<' && next == '>')
                op = QChar(opNotEqual), ++i;
            else if (c == '>' && next == '=')
                op = QChar(opGreaterEq), ++i;
            else if (c == '<' && next == '=')
                op = QChar(opLessEq), ++i;
            else if (!operandLast && c == '-')
                op = QChar(opNegate);
            else if (!operandLast && c == '+')
                op = QChar(opPlus);
            operandLast = false;
            pushOperator(op);
            ++i;
        } else {
            const int start = i;
            int pos = i;
            if (c == '%')
                pos = qMin(pos + 2, int(s.size()) + 1);
            const QChar first = at(s, pos);
            QString word;
            bool isWord = false;
            if (first == '\'') {
                ReadQuoted(s, pos);
            } else if (first == '[') {
                int bracketStart = pos;
                ReadBracketed(s, bracketStart, pos);
                pos = qMin(pos + 1, int(s.size()) + 1);
            } else {
                word = ReadIdentifier(s, pos);
                isWord = true;
                if (at(s, pos) == '[') {
                    int bracketStart = pos;
                    ReadBracketed(s, bracketStart, pos);
                    pos = qMin(pos + 1, int(s.size()) + 1);
                    isWord = false;
                }
            }
            if (pos <= start)
                pos = start + 1;
            const QString operand = s.mid(start - 1, pos - start);
            if (startsNumber(c)) {
                out += operand + ' ';
                operandLast = true;
            } else if (const char16_t code = isWord && operand == word ? keywordCode(operand) : 0) {
                operandLast = false;
                pushOperator(QChar(code));
            } else if (isWord && at(s, pos) == '(') {
                QString a1, a2, a3;
                ReadArguments(s, pos, a1, a2, a3);
                out += s.mid(start - 1, pos - start);
                operandLast = true;
            } else {
                out += operand + ' ';
                operandLast = true;
            }
            i = pos;
        }
    }
    out += stack;
    return out;
}

// ---- Evaluation ---------------------------------------------------------------------------------------------

Variant TfrParser::Evaluate(const QString &expr)
{
    return EvaluatePostfix(ToPostfix(expr));
}

Variant TfrParser::EvaluatePostfix(const QString &p)
{
    DepthGuard guard(m_depth);
    Variant stack[StackSlots + 1];
    stack[1] = Variant(0);
    int count = 0;

    auto push = [&]() -> Variant & {
        if (count >= StackSlots)
            throw EParserError(QStringLiteral("Expression is too complex"));
        stack[++count] = Variant();
        return stack[count];
    };
    auto missingOperand = []() { return EParserError(QStringLiteral("Missing operand in expression")); };

    int i = 1;
    while (i <= p.size()) {
        const QChar c = at(p, i);
        if (c == ' ' || c == QChar(opPlus) || c == '(' || c == ')') {
            ++i;
        } else if (isBinaryOperator(c)) {
            if (count < 2)
                throw missingOperand();
            stack[count - 1] = binary(c, stack[count - 1], stack[count]);
            --count;
            ++i;
        } else if (isPrefixOperator(c)) {
            if (count < 1)
                throw missingOperand();
            stack[count] = unary(c, stack[count]);
            ++i;
        } else if (c == '[') {
            int start = i, pos = i;
            const QString inner = ReadBracketed(p, start, pos);
            Variant &slot = push();
            if (OnGetValue)
                OnGetValue(inner, slot);
            else
                slot = Variant::Null();
            i = pos + 1;
        } else if (c == '\'') {
            int pos = i;
            const QString literal = ReadQuoted(p, pos);
            push() = Variant(unquote(literal));
            i = pos;
        } else {
            int pos = i;
            const QString word = ReadIdentifier(p, pos);
            if (word.isEmpty()) {
                i = pos + 1;
                continue;
            }
            if (startsNumber(word[0])) {
                QString number = word;
                for (QChar &ch : number)
                    if (ch == ',' || ch == '.')
                        ch = FormatSettings().DecimalSeparator;
                push() = Variant(StrToFloat(number));
            } else if (word.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0) {
                push() = Variant(true);
            } else if (word.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0) {
                push() = Variant(false);
            } else if (at(p, pos) == '[') {
                int start = pos;
                const QString index = ReadBracketed(p, start, pos);
                pos = qMin(pos + 1, int(p.size()) + 1);
                const Variant value = Evaluate(QStringLiteral("GETARRAY(") + word + QStringLiteral(", ") + index + ')');
                push() = value;
            } else if (at(p, pos) == '(') {
                QString a1, a2, a3;
                ReadArguments(p, pos, a1, a2, a3);
                const Variant value = CallFunction(TextToUpper(word), a1, a2, a3);
                push() = value;
            } else {
                Variant &slot = push();
                if (OnGetValue)
                    OnGetValue(TextToUpper(word), slot);
                else
                    slot = Variant::Null();
            }
            i = pos;
        }
    }
    return stack[1];
}

Variant TfrParser::CallFunction(const QString &name, const QString &a1, const QString &a2, const QString &a3)
{
    if (name == QLatin1String("COPY")) {
        const QString text = Evaluate(a1).toString();
        const int start = StrToInt(Evaluate(a2).toString());
        const int count = StrToInt(Evaluate(a3).toString());
        return Variant(copyText(text, start, count));
    }
    if (name == QLatin1String("IF")) {
        const Variant condition = Evaluate(a1);
        // A Boolean condition (a field, TRUE) chooses directly; anything else is read as a number.
        const bool chosen = condition.type() == VarType::Boolean ? condition.toBool()
                                                  : std::trunc(StrToFloat(condition.toString())) != 0;
        return Evaluate(chosen ? a2 : a3);
    }
    if (name == QLatin1String("STRTODATE"))
        return Variant::Date(StrToDate(Evaluate(a1).toString()));
    if (name == QLatin1String("STRTOTIME"))
        return Variant::Date(StrToTime(Evaluate(a1).toString()));
    Variant value;
    if (OnFunction)
        OnFunction(name, Variant(a1), Variant(a2), Variant(a3), value);
    else
        value = Variant::Null();
    return value;
}

// ---- Function splitter --------------------------------------------------------------------------------------

TfrFunctionSplitter::TfrFunctionSplitter(const QStringList *matchFuncs, QStringList *splitTo,
                                         const TfrVariables *variables)
    : m_matchFuncs(matchFuncs)
    , m_splitTo(splitTo)
    , m_variables(variables)
{
}

void TfrFunctionSplitter::SplitVariable(const QString &name)
{
    // A variable whose value names itself, directly or through others, is searched once.
    const QString key = name.toUpper();
    if (m_expanding.contains(key))
        return;
    m_expanding.insert(key);
    Split(m_variables->GetValue(name).toString());
    m_expanding.remove(key);
}

void TfrFunctionSplitter::Split(const QString &expr)
{
    const QString s = expr.trimmed();
    if (s.isEmpty() || s[0] == '\'' || m_depth >= MaxDepth)
        return;
    ++m_depth;
    struct Leave {
        int &depth;
        ~Leave() { --depth; }
    } leave{m_depth};

    int i = 1;
    while (i <= s.size()) {
        int k = i;
        if (at(s, k) == '[') {
            int start = k;
            const QString inner = ReadBracketed(s, start, k);
            if (m_variables && m_variables->IndexOf(inner) >= 0)
                SplitVariable(inner);
            else
                Split(inner);
            ++k;
        } else {
            const QString word = m_parser.ReadIdentifier(s, k);
            const int wordStart = k - int(word.size());
            if (at(s, k) == '(') {
                QString a1, a2, a3;
                m_parser.ReadArguments(s, k, a1, a2, a3);
                Split(a3);
                Split(a2);
                Split(a1);
                if (m_matchFuncs && m_matchFuncs->contains(word, Qt::CaseInsensitive))
                    m_splitTo->append(s.mid(wordStart - 1, k - wordStart));
            } else if (m_variables && !word.isEmpty() && m_variables->IndexOf(word) >= 0) {
                SplitVariable(word);
            } else {
                const QChar c = at(s, k);
                if (c == '\r' || c == ' ' || c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '='
                    || c == '>')
                    ++k;
                else if (word.isEmpty())
                    break;
            }
        }
        i = k;
    }
}
