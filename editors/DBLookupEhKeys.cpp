// The lookup combo box's typing, searching, keys and mouse.
#include "DBLookupEh.h"

#include "Exceptions.h"
#include "Guard.h"
#include "Variant.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace {

bool IsPaste(const QKeyEvent *e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    return (e->key() == Qt::Key_V && m == Qt::ControlModifier) || (e->key() == Qt::Key_Insert && m == Qt::ShiftModifier);
}

bool IsCut(const QKeyEvent *e)
{
    const Qt::KeyboardModifiers m = e->modifiers() & ~Qt::KeypadModifier;
    return (e->key() == Qt::Key_X && m == Qt::ControlModifier) || (e->key() == Qt::Key_Delete && m == Qt::ShiftModifier);
}

} // namespace

void TCustomDBLookupComboboxEh::userAction(const std::function<void()> &Fn)
{
    try {
        Fn();
    } catch (const std::exception &error) {
        ReportWriteBackFailure(exceptionMessage(error));
    }
}

// ---- Searching -----------------------------------------------------------------------------------------------

bool TCustomDBLookupComboboxEh::LocateDisplayText(const QString &Text, bool Partial)
{
    if (!m_listActive || !CanChangeKey(true))
        return false;
    TDataSet *ds = ListDataSet();
    bool found = false;
    try {
        found = ds->Locate(m_displayListField->FieldName(), Text,
                           loCaseInsensitive | (Partial ? loPartialKey : 0));
    } catch (...) {
        // The control is left as a miss would leave it, and the failure goes on to the user.
        if (m_style == csDropDownEh) {
            SetKeyValue(QVariant());
        } else {
            SetEditText(EditText());
            end(false);
        }
        throw;
    }
    if (!found) {
        if (m_style == csDropDownEh)
            SetKeyValue(QVariant());
        return false;
    }
    // The change is reported once, after the text and the selection are in place.
    auto saved = std::move(OnChange);
    bool changed = false;
    OnChange = [&changed](QObject *) { changed = true; };
    try {
        SetKeyValue(ds->FieldValues(ListKeyFieldNames()));
        SetEditText(m_displayListField->DisplayText());
        const int length = int(EditText().size());
        // The part after what was searched stays selected, the caret after the searched part.
        setSelection(length, int(Text.size()) - length);
    } catch (...) {
        OnChange = std::move(saved);
        throw;
    }
    OnChange = std::move(saved);
    if (changed && OnChange)
        OnChange(this);
    return true;
}

void TCustomDBLookupComboboxEh::TypeInText(const QString &Text)
{
    if (!IsLookupSearchField(m_displayListField) || !CanChangeKey(true))
        return;
    const int length = int(EditText().size());
    if (Text == QStringLiteral("\b")) {
        // The selection, anchored at the end, grows one character to the left.
        if (selectedText().size() == length)
            setSelection(length, -1);
        else
            setSelection(length, -std::min(length, int(selectedText().size()) + 1));
        return;
    }
    const int typed = hasSelectedText() ? selectionStart() : cursorPosition();
    LocateDisplayText(EditText().left(typed) + Text, true);
}

void TCustomDBLookupComboboxEh::StepKey(bool Previous)
{
    if (!CanChangeKey(true) || !m_listLink->Active())
        return;
    TDataSet *ds = ListDataSet();
    if (FindKeyRecord())
        ds->MoveBy(Previous ? -1 : 1);
    else
        ds->First();
    SetKeyValue(ds->FieldValues(ListKeyFieldNames()));
    if (hasFocus())
        SelectAllText();
}

bool TCustomDBLookupComboboxEh::requiredKey() const
{
    return std::any_of(m_keyDataFields.begin(), m_keyDataFields.end(), [](TField *f) { return f->Required(); });
}

// ---- Keys ----------------------------------------------------------------------------------------------------

bool TCustomDBLookupComboboxEh::WantsSpecialKey(int Key) const
{
    if (m_listVisible && (Key == Qt::Key_Return || Key == Qt::Key_Enter || Key == Qt::Key_Escape))
        return true;
    return TCustomDBEditEh::WantsSpecialKey(Key);
}

bool TCustomDBLookupComboboxEh::DropDownKey(QKeyEvent *Event)
{
    if (!m_listVisible || !m_dropDownGrid || IsButtonShortCut(Event))
        return false;
    const int key = Event->key();
    const Qt::KeyboardModifiers shift = Event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        Event->accept();
        CloseUp(key != Qt::Key_Escape);
        return true;
    }
    const bool ctrl = shift & Qt::ControlModifier;
    if (key == Qt::Key_Control || key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up
        || key == Qt::Key_Down || (ctrl && (key == Qt::Key_Home || key == Qt::Key_End))) {
        Event->accept();
        int k = key;
        m_dropDownGrid->KeyDown(k, shift);
        return true;
    }
    return false;
}

bool TCustomDBLookupComboboxEh::KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift)
{
    if (m_plainEditMode)
        return false;
    TSpecRowEh &specialRow = m_dropDownBox->SpecRow();
    if (m_listActive && specialRow.Visible() && !specialRow.ShortCut().isEmpty()
        && QKeySequence(Event->keyCombination()) == specialRow.ShortCut()) {
        SetKeyValue(specialRow.Value().toQVariant());
        SetEditText(specialRow.GetCellText(EffectiveListFieldIndex()));
        SelectAllText();
        return true;
    }
    if (m_listActive && (Key == Qt::Key_Up || Key == Qt::Key_Down) && Shift == Qt::NoModifier && !m_listVisible) {
        if (CanChangeKey(true))
            StepKey(Key == Qt::Key_Up);
        return true;
    }
    if (m_style != csDropDownListEh || Shift != Qt::NoModifier)
        return false;
    if (Key == Qt::Key_Backspace) {
        TypeInText(QStringLiteral("\b"));
        return true;
    }
    if (Key == Qt::Key_Delete && CanChangeKey(true)) {
        // A required key is cleared only when the user shows that all of it is meant.
        if (requiredKey() && selectedText().size() != EditText().size())
            return true;
        SetKeyValue(QVariant());
        SetEditText(QString());
        return true;
    }
    return false;
}

bool TCustomDBLookupComboboxEh::KeyPress(QKeyEvent *Event, QChar &Ch)
{
    Q_UNUSED(Event);
    if (m_plainEditMode)
        return false;
    if (Ch.unicode() == 8 && m_style == csDropDownListEh) {
        TypeInText(QStringLiteral("\b"));
        return true;
    }
    if (Ch.unicode() > 31 && Ch.unicode() != 127) {
        if (m_dropDownBox->AutoDrop && !m_listVisible && m_listActive)
            DropDown();
        if (m_style == csDropDownListEh) {
            TypeInText(QString(Ch));
            return true;
        }
    }
    return false;
}

bool TCustomDBLookupComboboxEh::csDropDownTyping(QKeyEvent *Event)
{
    const QString before = EditText();
    const int key = Event->key();
    const Qt::KeyboardModifiers shift = Event->modifiers() & ~Qt::KeypadModifier;
    const QString text = Event->text();
    const int caretBefore = cursorPosition();
    TCustomDBEditEh::keyPressEvent(Event);
    if (!m_listActive || ReadOnly() || m_listVisible)
        return true;
    auto searchWhole = [this](int caret) {
        if (LocateDisplayText(EditText(), false)) {
            const int length = int(EditText().size());
            setSelection(length, caret - length);
        }
    };
    if (key == Qt::Key_Delete && shift == Qt::NoModifier) {
        if (EditText() != before)
            searchWhole(std::min(caretBefore, int(EditText().size())));
        return true;
    }
    if (IsPaste(Event) || IsCut(Event)) {
        searchWhole(cursorPosition());
        return true;
    }
    if (shift & (Qt::ControlModifier | Qt::AltModifier) || text.size() != 1 || text.at(0).isNull())
        return true;
    const QChar ch = text.at(0);
    if (ch.unicode() == 127 || (ch.unicode() < 32 && ch.unicode() != 8) || EditText() == before)
        return true;
    if (cursorPosition() != EditText().size() || hasSelectedText() || ch.unicode() == 8) {
        searchWhole(cursorPosition());
    } else {
        // Typed at the end: completed from the first record that begins so.
        TypeInText(QString());
    }
    return true;
}

void TCustomDBLookupComboboxEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    userAction([&] {
        if (!m_plainEditMode && m_style == csDropDownEh && !m_listVisible) {
            csDropDownTyping(Event);
            return;
        }
        if (!m_plainEditMode && m_style == csDropDownListEh && IsPaste(Event)) {
            // A pasted text is typed, as if keyed in.
            Event->accept();
            if (!ReadOnly())
                TypeInText(QApplication::clipboard()->text());
            return;
        }
        TCustomDBEditEh::keyPressEvent(Event);
    });
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBLookupComboboxEh::keyReleaseEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    TCustomDBEditEh::keyReleaseEvent(Event);
    if (m_listVisible && m_dropDownGrid && Event->key() == Qt::Key_Control) {
        int key = Event->key();
        m_dropDownGrid->KeyUp(key, Event->modifiers());
    }
} catch (...) {
    endAtHandlerEdge();
}

bool TCustomDBLookupComboboxEh::StepByWheel(bool Up)
{
    if (m_listVisible || !m_listActive || ReadOnly() || !StartEditing())
        return false;
    userAction([&] { StepKey(Up); });
    return true;
}

void TCustomDBLookupComboboxEh::wheelEvent(QWheelEvent *Event)
try {
    const HandlerEdge edge;
    // While the list is open the wheel scrolls it first.
    if (m_listVisible && m_dropDownGrid) {
        QWidget *target = m_dropDownGrid->viewport();
        const QPointF global = Event->globalPosition();
        QWheelEvent forwarded(target->mapFromGlobal(global), global, Event->pixelDelta(), Event->angleDelta(),
                              Event->buttons(), Event->modifiers(), Event->phase(), Event->inverted());
        forwarded.setAccepted(false);
        QApplication::sendEvent(target, &forwarded);
        if (forwarded.isAccepted()) {
            Event->accept();
            return;
        }
    }
    TCustomDBEditEh::wheelEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

// ---- Mouse ---------------------------------------------------------------------------------------------------

void TCustomDBLookupComboboxEh::mousePressEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (m_plainEditMode || m_style == csDropDownEh) {
        TCustomDBEditEh::mousePressEvent(Event);
        return;
    }
    // The text of a chosen-only combo takes no mouse input: the caret stays, a press opens the list.
    Event->accept();
    if (Event->button() != Qt::LeftButton)
        return;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    m_droppedByClick = false;
    if (!m_listVisible && IsButtonEnabled()) {
        m_droppedByClick = true;
        userAction([&] { DropDown(); });
    }
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBLookupComboboxEh::mouseMoveEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (m_listVisible && m_dropDownGrid && (Event->buttons() & Qt::LeftButton)) {
        // Pressing on the combo and dragging into the list chooses in the list.
        QWidget *target = m_dropDownGrid->viewport();
        const QPointF global = Event->globalPosition();
        const QPointF local = target->mapFromGlobal(global);
        if (m_forwardingDrag || m_dropDownGrid->GetDataRect().contains(local.toPoint())) {
            QMouseEvent forwarded(m_forwardingDrag ? QEvent::MouseMove : QEvent::MouseButtonPress, local, global,
                                  m_forwardingDrag ? Qt::NoButton : Qt::LeftButton, Event->buttons(),
                                  Event->modifiers());
            m_forwardingDrag = true;
            QApplication::sendEvent(target, &forwarded);
            Event->accept();
            return;
        }
    }
    if (m_plainEditMode || m_style == csDropDownEh)
        TCustomDBEditEh::mouseMoveEvent(Event);
    else
        Event->accept();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBLookupComboboxEh::mouseReleaseEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (m_forwardingDrag && m_dropDownGrid) {
        m_forwardingDrag = false;
        m_droppedByClick = false;
        QWidget *target = m_dropDownGrid->viewport();
        const QPointF global = Event->globalPosition();
        QMouseEvent forwarded(QEvent::MouseButtonRelease, target->mapFromGlobal(global), global, Event->button(),
                              Event->buttons(), Event->modifiers());
        QApplication::sendEvent(target, &forwarded);
        Event->accept();
        return;
    }
    if (m_plainEditMode || m_style == csDropDownEh) {
        TCustomDBEditEh::mouseReleaseEvent(Event);
        return;
    }
    Event->accept();
    if (Event->button() == Qt::LeftButton && m_listVisible && !m_droppedByClick && IsButtonEnabled())
        userAction([&] { CloseUp(false); });
    m_droppedByClick = false;
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBLookupComboboxEh::mouseDoubleClickEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (m_plainEditMode || m_style == csDropDownEh) {
        TCustomDBEditEh::mouseDoubleClickEvent(Event);
        return;
    }
    Event->accept();
} catch (...) {
    endAtHandlerEdge();
}
