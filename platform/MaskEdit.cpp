#include "MaskEdit.h"

#include "Guard.h"
#include "Services.h"

#include <QKeyEvent>

namespace {

constexpr int QtNoLimit = 32767;

} // namespace

TCustomMaskEdit::TCustomMaskEdit(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, guarded([this](const QString &) { TextChangedByQt(); }));
}

void TCustomMaskEdit::SetMaskText(const QString &mask)
{
    if (mask == m_mask.source())
        return;
    EditMask parsed(mask);
    const QString qtMask = parsed.qtInputMask(); // raises before anything changes
    const QString text = Text();
    m_mask = parsed;
    m_settingText = true;
    setInputMask(qtMask);
    m_settingText = false;
    if (qtMask.isEmpty())
        QLineEdit::setMaxLength(m_maxLength > 0 ? m_maxLength : QtNoLimit);
    SetMaskedText(text);
}

QString TCustomMaskEdit::EditText() const
{
    return IsMasked() ? displayText() : QLineEdit::text();
}

void TCustomMaskEdit::SetEditText(const QString &text)
{
    const QString before = EditText();
    m_settingText = true;
    if (!IsMasked()) {
        setText(text);
    } else {
        // Qt fits a whole text into the mask by squeezing blanks out; placing each character at its own
        // position keeps the layout the text gives.
        setText(QString());
        for (int pos = 0; pos < text.size() && pos < m_mask.length(); ++pos) {
            const QChar ch = text.at(pos);
            if (ch == m_mask.blank() || m_mask.positions().at(pos).kind == EditMask::Kind::Literal)
                continue;
            setCursorPosition(pos);
            insert(QString(ch));
        }
        setCursorPosition(0);
    }
    m_settingText = false;
    m_savedEditText = EditText();
    if (EditText() != before)
        Change();
    m_modified = false; // only the user modifies
}

QString TCustomMaskEdit::Text() const
{
    return IsMasked() ? m_mask.editTextToText(displayText()) : QLineEdit::text();
}

void TCustomMaskEdit::SetMaskedText(const QString &text)
{
    SetEditText(IsMasked() ? m_mask.formatText(text) : text);
}

void TCustomMaskEdit::SetMaxLength(int length)
{
    m_maxLength = std::max(0, length);
    if (!IsMasked())
        QLineEdit::setMaxLength(m_maxLength > 0 ? m_maxLength : QtNoLimit);
}

void TCustomMaskEdit::ValidateEdit()
{
    if (!IsMasked() || !m_modified)
        return;
    const int missing = m_mask.firstMissing(displayText());
    if (missing < 0)
        return;
    setCursorPosition(missing);
    throw EMaskError(QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
}

void TCustomMaskEdit::Reset()
{
    if (!m_modified)
        return;
    SetEditText(m_savedEditText);
    m_modified = false;
}

void TCustomMaskEdit::Change()
{
    m_modified = true;
}

void TCustomMaskEdit::TextChangedByQt()
{
    if (!m_settingText)
        Change();
}

bool TCustomMaskEdit::MaskAcceptsTypedChar(QChar ch) const
{
    if (!IsMasked())
        return true;
    int pos = hasSelectedText() ? selectionStart() : cursorPosition();
    const auto &positions = m_mask.positions();
    if (pos < positions.size() && positions.at(pos).kind == EditMask::Kind::Literal && positions.at(pos).literal == ch)
        return true; // typing the literal steps over it
    while (pos < positions.size() && positions.at(pos).kind == EditMask::Kind::Literal)
        ++pos;
    return pos < positions.size() && m_mask.accepts(pos, ch);
}

void TCustomMaskEdit::MoveCaretOffLiterals()
{
    int pos = cursorPosition();
    const auto &positions = m_mask.positions();
    while (pos < positions.size() && positions.at(pos).kind == EditMask::Kind::Literal)
        ++pos;
    setCursorPosition(pos);
}

void TCustomMaskEdit::keyPressEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    const QString typed = event->text();
    const bool printable = typed.size() == 1 && typed.at(0).unicode() >= 32 && typed.at(0).unicode() != 127
                           && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    const bool deleting = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    if (IsMasked() && (printable || deleting) && !EditCanModify()) {
        event->accept();
        return;
    }
    if (printable && IsMasked() && !MaskAcceptsTypedChar(typed.at(0))) {
        Services::messages()->beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
} catch (...) {
    endAtHandlerEdge();
}
