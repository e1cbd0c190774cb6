#include "EditMask.h"

#include "FormatSettings.h"
#include "Formats.h"

namespace {

// The three parts of "mask;save;blank"; a backslash keeps a ";" inside the mask part.
struct MaskParts
{
    QString mask;
    QString save;
    QString blank;
    int fieldCount = 1;
};

MaskParts splitMask(const QString &text)
{
    MaskParts parts;
    QString *field = &parts.mask;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(';') && parts.fieldCount < 3) {
            ++parts.fieldCount;
            field = parts.fieldCount == 2 ? &parts.save : &parts.blank;
            continue;
        }
        field->append(c);
        if (c == QLatin1Char('\\') && parts.fieldCount == 1 && i + 1 < text.size())
            field->append(text.at(++i));
    }
    return parts;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Characters that a Qt input mask reads as something other than a separator.
bool isQtMaskSpecial(QChar c)
{
    static const QString special = QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{}");
    return special.contains(c);
}

} // namespace

EditMask::EditMask(const QString &text)
    : m_source(text)
{
    const MaskParts parts = splitMask(text);
    if (parts.fieldCount >= 2)
        m_saveLiterals = !parts.save.startsWith(QLatin1Char('0'));
    if (parts.fieldCount >= 3 && !parts.blank.isEmpty())
        m_blank = parts.blank.at(0);

    const QString &mask = parts.mask;
    Case letterCase = Case::Keep;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        const QChar next = i + 1 < mask.size() ? mask.at(i + 1) : QChar();
        Position p;
        p.letterCase = letterCase;
        switch (c.unicode()) {
        case '!':
            m_alignRight = true;
            continue;
        case '>':
            letterCase = next == QLatin1Char('<') ? Case::Keep : Case::Upper;
            i += next == QLatin1Char('<') ? 1 : 0;
            continue;
        case '<':
            letterCase = next == QLatin1Char('>') ? Case::Keep : Case::Lower;
            i += next == QLatin1Char('>') ? 1 : 0;
            continue;
        case '\\':
            p.literal = next.isNull() ? c : next;
            i += next.isNull() ? 0 : 1;
            break;
        case '0':
        case '9':
            p.kind = Kind::Digit;
            p.required = c == QLatin1Char('0');
            break;
        case '#':
            p.kind = Kind::DigitOrSign;
            break;
        case 'L':
        case 'l':
            p.kind = Kind::Letter;
            p.required = c == QLatin1Char('L');
            break;
        case 'A':
        case 'a':
            p.kind = Kind::LetterOrDigit;
            p.required = c == QLatin1Char('A');
            break;
        case 'C':
        case 'c':
            p.kind = Kind::AnyChar;
            p.required = c == QLatin1Char('C');
            break;
        case '/':
            p.literal = FormatSettings().DateSeparator;
            break;
        case ':':
            p.literal = FormatSettings().TimeSeparator;
            break;
        case '_':
            p.literal = QLatin1Char(' ');
            break;
        default:
            p.literal = c;
            break;
        }
        m_positions.append(p);
    }
}

bool EditMask::accepts(int pos, QChar ch) const
{
    if (pos < 0 || pos >= length())
        return false;
    switch (m_positions.at(pos).kind) {
    case Kind::Literal:
        return false;
    case Kind::Digit:
        return isAsciiDigit(ch);
    case Kind::DigitOrSign:
        return isAsciiDigit(ch) || ch == QLatin1Char('+') || ch == QLatin1Char('-');
    case Kind::Letter:
        return ch.isLetter();
    case Kind::LetterOrDigit:
        return ch.isLetterOrNumber();
    case Kind::AnyChar:
        return true;
    }
    return false;
}

QChar EditMask::converted(int pos, QChar ch) const
{
    if (pos < 0 || pos >= length())
        return ch;
    switch (m_positions.at(pos).letterCase) {
    case Case::Upper:
        return TextToUpper(QString(ch)).at(0);
    case Case::Lower:
        return TextToLower(QString(ch)).at(0);
    case Case::Keep:
        break;
    }
    return ch;
}

QString EditMask::formatText(const QString &value) const
{
    if (isEmpty())
        return value;
    const int n = length();
    QString result(n, QChar());
    auto put = [&](int pos, QChar ch) {
        const Position &p = m_positions.at(pos);
        if (p.kind == Kind::Literal)
            result[pos] = p.literal;
        else if (ch.isNull() || ch == QLatin1Char(' '))
            result[pos] = m_blank;
        else
            result[pos] = converted(pos, ch);
    };

    if (m_saveLiterals) {
        // The value already holds the literals: character i belongs to position i (shifted right with "!").
        const int shift = m_alignRight && value.size() < n ? n - int(value.size()) : 0;
        for (int pos = 0; pos < n; ++pos) {
            const int i = pos - shift;
            put(pos, i >= 0 && i < value.size() ? value.at(i) : QChar());
        }
        return value.size() > n ? result + value.mid(n) : result;
    }

    QList<int> inputs;
    for (int pos = 0; pos < n; ++pos) {
        if (m_positions.at(pos).kind == Kind::Literal)
            put(pos, QChar());
        else
            inputs.append(pos);
    }
    const int count = int(inputs.size());
    const int length = int(value.size());
    // With "!" the value's last character goes to the last input position; what does not fit stays in front.
    const int first = m_alignRight ? length - count : 0;
    for (int k = 0; k < count; ++k) {
        const int i = first + k;
        put(inputs.at(k), i >= 0 && i < length ? value.at(i) : QChar());
    }
    if (length <= count)
        return result;
    return m_alignRight ? value.left(length - count) + result : result + value.mid(count);
}

QString EditMask::editTextToText(const QString &editText) const
{
    if (isEmpty())
        return editText;
    QString text;
    for (int pos = 0; pos < editText.size(); ++pos) {
        const QChar ch = editText.at(pos);
        if (pos >= length())
            text.append(ch);
        else if (m_positions.at(pos).kind == Kind::Literal ? m_saveLiterals : ch != m_blank)
            text.append(ch);
    }
    return text;
}

QString EditMask::emptyEditText() const
{
    QString text;
    for (const Position &p : m_positions)
        text.append(p.kind == Kind::Literal ? p.literal : m_blank);
    return text;
}

int EditMask::firstMissing(const QString &editText) const
{
    for (int pos = 0; pos < length(); ++pos) {
        const Position &p = m_positions.at(pos);
        if (p.kind == Kind::Literal || !p.required)
            continue;
        if (pos >= editText.size() || editText.at(pos) == m_blank || editText.at(pos) == QLatin1Char(' '))
            return pos;
    }
    return -1;
}

QString EditMask::qtInputMask() const
{
    if (isEmpty())
        return QString();
    if (m_blank.isLetterOrNumber() || m_blank == QLatin1Char(';'))
        throw EMaskError(QStringLiteral("Edit mask \"%1\" has a blank character that can be typed").arg(m_source));

    QString mask;
    Case current = Case::Keep;
    for (const Position &p : m_positions) {
        if (p.kind == Kind::Literal) {
            if (p.literal == QLatin1Char(';'))
                throw EMaskError(QStringLiteral("Edit mask \"%1\" has a \";\" literal").arg(m_source));
            if (isQtMaskSpecial(p.literal))
                mask.append(QLatin1Char('\\'));
            mask.append(p.literal);
            continue;
        }
        if (p.kind == Kind::DigitOrSign
            && (m_blank == QLatin1Char('+') || m_blank == QLatin1Char('-')))
            throw EMaskError(QStringLiteral("Edit mask \"%1\" has a blank character that can be typed").arg(m_source));
        if (p.letterCase != current) {
            current = p.letterCase;
            mask.append(current == Case::Upper ? QLatin1Char('>') : current == Case::Lower ? QLatin1Char('<')
                                                                                             : QLatin1Char('!'));
        }
        switch (p.kind) {
        case Kind::Digit:
            // The platform's required digit is Qt's "9" and its optional digit Qt's "0".
            mask.append(p.required ? QLatin1Char('9') : QLatin1Char('0'));
            break;
        case Kind::DigitOrSign:
            mask.append(QLatin1Char('#'));
            break;
        default:
            // Qt's letter classes are ASCII only; the editor checks the class itself, so any character is let
            // through here.
            mask.append(p.required ? QLatin1Char('X') : QLatin1Char('x'));
            break;
        }
    }
    mask.append(QLatin1Char(';'));
    mask.append(m_blank);
    return mask;
}

QString FormatMaskText(const QString &editMask, const QString &value)
{
    return EditMask(editMask).formatText(value);
}
