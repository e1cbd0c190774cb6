#pragma once

#include "Exceptions.h"

#include <QList>
#include <QString>

// A mask that cannot be used for editing (its blank character could also be typed at an input position), and
// an edited text that leaves a required position empty.
class EMaskError : public Exception
{
public:
    using Exception::Exception;
};

// An edit mask in the platform's syntax: "mask;save;blank".
//
// The mask part is a row of positions. "0" a required digit, "9" an optional digit, "#" an optional digit or
// sign; "L"/"l" a letter, "A"/"a" a letter or digit, "C"/"c" any character (upper case required, lower case
// optional); "/" and ":" the date and time separators of the settings in force when the mask is read; "_" a
// blank literal; "\" makes the next character a literal; any other character is a literal. ">" turns what
// follows to upper case, "<" to lower case, "<>" ends the conversion; "!" puts the optional positions first, so
// a short value is aligned right. None of these directives takes a position.
//
// The save part "0" keeps the literals out of the text (anything else, or no save part, keeps them); the blank
// part's first character stands in the edit text for an empty position ("_" when there is none).
class EditMask
{
public:
    enum class Kind
    {
        Literal,
        Digit, // 0 and 9
        DigitOrSign, // #
        Letter, // L and l
        LetterOrDigit, // A and a
        AnyChar, // C and c
    };
    enum class Case
    {
        Keep,
        Upper,
        Lower,
    };
    struct Position
    {
        Kind kind = Kind::Literal;
        bool required = false;
        Case letterCase = Case::Keep;
        QChar literal; // the character a literal position shows
    };

    // An empty text gives an empty mask: no positions, unmasked editing.
    EditMask() = default;
    explicit EditMask(const QString &text);

    bool isEmpty() const { return m_positions.isEmpty(); }
    const QString &source() const { return m_source; }
    const QList<Position> &positions() const { return m_positions; }
    int length() const { return int(m_positions.size()); }
    bool saveLiterals() const { return m_saveLiterals; }
    QChar blank() const { return m_blank; }
    bool alignRight() const { return m_alignRight; }

    // Whether ch may stand at position pos (never at a literal).
    bool accepts(int pos, QChar ch) const;
    // ch with the position's case conversion applied.
    QChar converted(int pos, QChar ch) const;

    // The edit text of a value given as the text: literals at their places, the value's characters in the input
    // positions (a space there becomes the blank), the rest blank. Without saved literals the value holds only
    // the input characters, which fill the positions in order (from the right with "!"); characters beyond the
    // mask are kept at the end.
    QString formatText(const QString &value) const;
    // The text of an edit text: the entered characters without the blanks, literals only when saved.
    QString editTextToText(const QString &editText) const;
    // The edit text with no input: literals and blanks.
    QString emptyEditText() const;
    // The first required position that editText leaves blank, or -1 when every required position is filled.
    int firstMissing(const QString &editText) const;

    // The input mask of a Qt line edit with the same positions and blank. Raises EMaskError for a mask whose
    // blank could also be typed at one of its input positions: typed text would vanish into blanks there.
    QString qtInputMask() const;

private:
    QString m_source;
    QList<Position> m_positions;
    bool m_saveLiterals = true;
    QChar m_blank = QLatin1Char('_');
    bool m_alignRight = false;
};
