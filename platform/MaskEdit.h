#pragma once

#include "EditMask.h"

#include <QLineEdit>

// A one-line edit with an optional edit mask in the platform's syntax (EditMask.h). The mask is carried out by
// Qt's input mask (fixed literals, the caret skipping them, blanks at empty positions); this class adds what Qt
// lacks: the character classes of letters beyond ASCII, positional edit text, the text with or without the
// literals, validation on leaving, and the undo of all changes.
//
// EditText is the text as shown, blanks included; Text is the entered characters without the blanks, with the
// literals only when the mask keeps them. Without a mask both are the plain text.
class TCustomMaskEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TCustomMaskEdit(QWidget *parent = nullptr);

    QString EditMaskText() const { return m_mask.source(); }
    // Raises EMaskError for a mask Qt cannot carry; the old mask then stays. The text is kept as far as the new
    // mask holds it.
    void SetMaskText(const QString &mask);
    bool IsMasked() const { return !m_mask.isEmpty(); }
    const EditMask &Mask() const { return m_mask; }

    QString EditText() const;
    void SetEditText(const QString &text);
    QString Text() const;
    void SetMaskedText(const QString &text);

    // 0 means no limit. A mask limits the length by itself.
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int length);

    bool Modified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    // Raises EMaskError, with the caret on the first empty required position, when the text was changed and
    // the mask is not filled.
    virtual void ValidateEdit();

protected:
    // Asked before a key changes the text; false refuses the key.
    virtual bool EditCanModify() { return true; }
    // The undo of all changes since the text was last set (Esc).
    virtual void Reset();
    // Every change of the text, typed or set.
    virtual void Change();

    // Refuses (with a beep) a character that the mask position it would land on does not take.
    void keyPressEvent(QKeyEvent *event) override;
    // Whether the typed character may go in at the caret; unmasked edits take everything.
    bool MaskAcceptsTypedChar(QChar ch) const;
    // The caret may not rest on a literal after the text is set (the platform places it on the next input).
    void MoveCaretOffLiterals();

private:
    void TextChangedByQt();

    EditMask m_mask;
    QString m_savedEditText;
    int m_maxLength = 0;
    bool m_modified = false;
    bool m_settingText = false;
};
