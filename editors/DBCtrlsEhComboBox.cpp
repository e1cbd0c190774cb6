// The combo box: free text completed from its items, or a pick list of items and keys; its list drop-down.
#include "DBCtrlsEh.h"

#include "Formats.h"
#include "Guard.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace {

// The platform's string lists find texts ignoring case.
int IndexOfText(const QStringList &list, const QString &text)
{
    for (int i = 0; i < list.size(); ++i)
        if (CompareTextIgnoreCase(list.at(i), text) == 0)
            return i;
    return -1;
}

} // namespace

void TDropDownBoxEh::Assign(const TDropDownBoxEh &Source)
{
    Align = Source.Align;
    Rows = Source.Rows;
    Width = Source.Width;
    Sizable = Source.Sizable;
}

TCustomDBComboBoxEh::TCustomDBComboBoxEh(QWidget *Parent)
    : TCustomDBEditEh(Parent)
{
    EditButton()->SetVisible(true);
    EditButton()->SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    UpdateKeyMode();
}

TCustomDBComboBoxEh::~TCustomDBComboBoxEh() = default;

// ---- Items and modes ----------------------------------------------------------------------------------------

void TCustomDBComboBoxEh::SetItems(const QStringList &Value)
{
    m_items = Value;
    UpdateKeyMode();
    UpdateItemIndexFromText();
    ResetMaxLength();
}

void TCustomDBComboBoxEh::SetKeyItems(const QStringList &Value)
{
    m_keyItems = Value;
    UpdateKeyMode();
    UpdateItemIndexFromText();
    ResetMaxLength();
    DataLink()->Reset();
}

void TCustomDBComboBoxEh::UpdateKeyMode()
{
    m_itemsCount = int(m_items.size());
    m_keyMode = !m_keyItems.isEmpty();
    if (m_keyMode) {
        m_itemsCount = int(std::min(m_items.size(), m_keyItems.size()));
        SetEditText(QString());
    }
    UpdateReadOnlyState();
}

void TCustomDBComboBoxEh::UpdateReadOnlyState()
{
    // In key mode the editor changes its text itself.
    setReadOnly(!DataLink()->Editing() || ReadOnly() || m_keyMode);
}

void TCustomDBComboBoxEh::UpdateItemIndexFromText()
{
    m_itemIndex = IndexOfText(m_items, EditText());
    if (m_listDropped && m_listBox)
        m_listBox->setCurrentRow(m_itemIndex);
    UpdateImageIndex();
}

void TCustomDBComboBoxEh::SelectItem(int Index)
{
    if (Index == m_itemIndex)
        return;
    if (Index < 0 || Index >= m_itemsCount) {
        m_itemIndex = -1;
        m_keyValue = QVariant();
    } else {
        m_itemIndex = Index;
        if (m_keyMode)
            m_keyValue = m_keyItems.at(Index);
    }
    UpdateImageIndex();
    if (m_listDropped && m_listBox)
        m_listBox->setCurrentRow(m_itemIndex);
    const int selected = m_itemIndex;
    if (selected >= 0)
        SetEditText(m_items.at(selected));
    else
        TCustomDBEditEh::PutText(QString());
    m_itemIndex = selected;
}

bool TCustomDBComboBoxEh::MayModify()
{
    // A read-only combo box never puts its dataset into edit mode, by key or by button.
    return !ReadOnly() && StartEditing();
}

void TCustomDBComboBoxEh::StepItem(bool Up)
{
    if (!MayModify() || m_itemsCount == 0)
        return;
    int index = m_itemIndex;
    if (Up)
        index = index < 0 ? m_itemsCount - 1 : std::max(0, index - 1);
    else
        index = std::min(m_itemsCount - 1, index + 1);
    if (index == m_itemIndex)
        return;
    SelectItem(index);
    selectAll();
}

// ---- Value and text -----------------------------------------------------------------------------------------

QVariant TCustomDBComboBoxEh::ReadValue() const
{
    return m_keyMode ? m_keyValue : TCustomDBEditEh::ReadValue();
}

bool TCustomDBComboBoxEh::IsValidChar(QChar Ch) const
{
    return m_keyMode || TCustomDBEditEh::IsValidChar(Ch);
}

Qt::Alignment TCustomDBComboBoxEh::DefaultAlignment() const
{
    return m_keyMode ? Qt::AlignLeft : TCustomDBEditEh::DefaultAlignment();
}

void TCustomDBComboBoxEh::ResetMaxLength()
{
    if (MaxLength() > 0 && m_keyMode)
        SetMaxLength(0);
    else
        TCustomDBEditEh::ResetMaxLength();
}

void TCustomDBComboBoxEh::PutText(const QString &S)
{
    if (!m_keyMode) {
        TCustomDBEditEh::PutText(S);
        UpdateItemIndexFromText();
        return;
    }
    const int i = IndexOfText(m_items, S);
    if (i < 0 || i >= m_itemsCount)
        return; // a text that is no item changes nothing
    m_keyValue = m_keyItems.at(i);
    SetEditText(m_items.at(i));
    m_itemIndex = i;
    if (m_listDropped && m_listBox)
        m_listBox->setCurrentRow(i);
    UpdateImageIndex();
}

void TCustomDBComboBoxEh::PutValue(const QVariant &V)
{
    if (!m_keyMode) {
        TCustomDBEditEh::PutValue(V);
        UpdateItemIndexFromText();
        return;
    }
    m_keyValue = V;
    int index = -1;
    if (V.isValid() && !V.isNull()) {
        index = IndexOfText(m_keyItems, VariantToText(V));
        if (index >= m_itemsCount)
            index = -1;
    }
    SetEditText(index >= 0 ? m_items.at(index) : QString());
    m_itemIndex = index;
    if (m_listDropped && m_listBox)
        m_listBox->setCurrentRow(index);
    UpdateImageIndex();
}

void TCustomDBComboBoxEh::DataChanged()
{
    if (TField *field = Field()) {
        UpdateDisplayAlignment();
        if (!m_keyMode && IsStringType(field->DataType()) && MaxLength() == 0 && field->Size() > 0)
            SetMaxLength(field->Size());
        if ((IsFocused() && DataLink()->CanModify()) || m_keyMode)
            PutValue(field->IsNull() ? QVariant() : QVariant(field->Text()));
        else
            SetEditText(field->DisplayText());
    } else if (IsDataIndependent()) {
        if (m_keyMode)
            PutValue(DataLink()->UnboundValue);
        else
            SetEditText(VariantToText(DataLink()->UnboundValue));
    } else {
        SetEditText(QString());
    }
    if (!m_keyMode)
        UpdateItemIndexFromText();
    UpdateReadOnlyState();
    SetModified(false);
}

void TCustomDBComboBoxEh::StoreTextToField()
{
    if (!IsDataIndependent() || m_keyMode)
        DataLink()->SetText(VariantToText(Value()));
    else
        DataLink()->SetText(EditText());
}

void TCustomDBComboBoxEh::UpdateData()
{
    if (OnNotInList && m_itemIndex == -1) {
        bool recheck = false;
        OnNotInList(this, EditText(), recheck);
    }
    TCustomDBEditEh::UpdateData();
}

void TCustomDBComboBoxEh::SetItemIndex(int Index)
{
    BeginSetterWrite();
    SelectItem(Index);
    WriteBackFromSetter();
}

void TCustomDBComboBoxEh::Clear()
{
    if (m_keyMode)
        SetValue(QVariant());
    else
        clear();
}

void TCustomDBComboBoxEh::Change()
{
    TCustomDBEditEh::Change();
    if (!m_keyMode)
        UpdateItemIndexFromText();
}

// ---- Searching and completion -------------------------------------------------------------------------------

bool TCustomDBComboBoxEh::LocateText(const QString &T, bool Partial)
{
    if (!MayModify())
        return false;
    const int old = m_itemIndex;
    int found = -1;
    for (int i = 0; i < m_itemsCount; ++i) {
        const QString item = Partial ? m_items.at(i).left(T.size()) : m_items.at(i);
        if (CompareTextIgnoreCase(item, T) == 0) {
            found = i;
            break;
        }
    }
    if (found >= 0) {
        SelectItem(found);
        // The completed tail after what was typed stays selected, the caret after the typed part.
        const int length = int(EditText().size());
        setSelection(length, int(T.size()) - length);
    } else if (!m_keyMode) {
        m_itemIndex = -1; // free text that is no item stays as typed
    }
    return m_itemIndex != old;
}

bool TCustomDBComboBoxEh::ProcessSearchText(const QString &S)
{
    if ((!IsDataIndependent() && !Field()) || !MayModify())
        return false;
    if (S == QStringLiteral("\b")) {
        // Backspace shortens the typed prefix: the selected tail runs back one character further.
        const int length = int(EditText().size());
        const int typed = hasSelectedText() ? selectionStart() : cursorPosition();
        if (selectedText().size() == length)
            setSelection(length, -1);
        else
            setSelection(length, -std::min(length, length - typed + 1));
        return false;
    }
    return LocateText(EditText().left(hasSelectedText() ? selectionStart() : cursorPosition()) + S, true);
}

bool TCustomDBComboBoxEh::KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Event);
    if ((Key == Qt::Key_Up || Key == Qt::Key_Down) && Shift == Qt::NoModifier) {
        StepItem(Key == Qt::Key_Up);
        return true;
    }
    if (!m_keyMode)
        return false;
    if (Key == Qt::Key_Backspace && Shift == Qt::NoModifier) {
        if (!ReadOnly())
            ProcessSearchText(QStringLiteral("\b"));
        return true;
    }
    if (Key == Qt::Key_Delete && Shift == Qt::NoModifier) {
        const bool required = !IsDataIndependent() && (!Field() || Field()->Required());
        if (!required && MayModify())
            PutValue(QVariant());
        return true;
    }
    if ((Key == Qt::Key_V && Shift == Qt::ControlModifier) || (Key == Qt::Key_Insert && Shift == Qt::ShiftModifier)) {
        // A pasted text searches the items as if typed.
        const QString pasted = QApplication::clipboard()->text();
        if (!pasted.isEmpty() && !ReadOnly())
            ProcessSearchText(pasted);
        return true;
    }
    return false;
}

bool TCustomDBComboBoxEh::KeyPress(QKeyEvent *Event, QChar &Ch)
{
    Q_UNUSED(Event);
    if (Ch.unicode() < 32 || Ch.unicode() == 127)
        return false;
    if (m_dropDownBox.AutoDrop && !m_listDropped && !ReadOnly())
        DropDown();
    if (!m_keyMode)
        return false;
    // A pick list searches its items with what is typed; the text itself is never typed into.
    if (!ReadOnly())
        ProcessSearchText(QString(Ch));
    return true;
}

void TCustomDBComboBoxEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    const QString before = EditText();
    const QString text = Event->text();
    TCustomDBEditEh::keyPressEvent(Event);
    const bool typed = !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && text.size() == 1
                       && text.at(0).unicode() >= 32 && text.at(0).unicode() != 127;
    // Free text is completed from the items once the character is in; a full stop is not completed.
    if (m_keyMode || !typed || EditText() == before || text.at(0) == QLatin1Char('.'))
        return;
    if (cursorPosition() == EditText().size() && !hasSelectedText()) {
        ProcessSearchText(QString());
    } else {
        const int caret = cursorPosition();
        if (LocateText(EditText(), false))
            setSelection(int(EditText().size()), caret - int(EditText().size()));
    }
} catch (...) {
    endAtHandlerEdge();
}

bool TCustomDBComboBoxEh::StepByWheel(bool Up)
{
    if (ReadOnly())
        return false;
    StepItem(Up);
    return true;
}

void TCustomDBComboBoxEh::DropDownFromButton(bool Param)
{
    if (EditButton()->Style() == ebsUpDownEh) {
        StepItem(!Param);
        return;
    }
    TCustomDBEditEh::DropDownFromButton(Param);
}

void TCustomDBComboBoxEh::mousePressEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (!m_keyMode) {
        TCustomDBEditEh::mousePressEvent(Event);
        return;
    }
    // A pick list opens its list on a press into the text; the edit itself takes no mouse input.
    Event->accept();
    if (Event->button() != Qt::LeftButton)
        return;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (m_droppedDown) {
        CloseUp(false);
    } else if (IsButtonEnabled()) {
        DropDown();
        m_buttonOpenedDropDown = true;
    }
} catch (...) {
    endAtHandlerEdge();
}

// ---- The list drop-down -------------------------------------------------------------------------------------

TPopupListboxEh *TCustomDBComboBoxEh::ListBox()
{
    if (!m_listBox) {
        m_listBox = new TPopupListboxEh(this);
        m_listBox->hide();
        connect(m_listBox, &QListWidget::itemClicked, this, [this] { guard([this] { CloseUp(true); }); });
    }
    return m_listBox;
}

void TCustomDBComboBoxEh::DropDown()
{
    TCustomDBEditEh::DropDown();
    if (m_listDropped)
        return;
    if (OnDropDown)
        OnDropDown(this);
    TPopupListboxEh *list = ListBox();
    list->setFont(font());
    list->clear();
    list->addItems(m_items.mid(0, m_itemsCount));
    list->setCurrentRow(m_itemIndex);
    int width = m_dropDownBox.Width;
    if (width == -1) {
        int widest = 0;
        for (const QString &item : m_items)
            widest = std::max(widest, TextWidth(font(), item));
        width = widest + 5 + 2 * list->frameWidth();
    } else if (width < 1) {
        width = this->width();
    }
    width = std::max(width, this->width());
    list->SetRowCount(std::max(1, std::min(m_dropDownBox.Rows, m_itemsCount)));
    list->resize(width, list->height());
    list->SizeGrip()->ShowGrip(m_dropDownBox.Sizable);
    list->move(PlaceDropDownForControl(this, list, m_dropDownBox.Align));
    list->show();
    m_listDropped = true;
    m_droppedDown = true;
}

void TCustomDBComboBoxEh::CloseUp(bool Accept)
{
    if (!m_listDropped)
        return;
    m_listBox->hide();
    if (m_listBox->Resized()) {
        m_dropDownBox.Rows = m_listBox->RowCount();
        m_dropDownBox.Width = m_listBox->width();
    }
    m_listDropped = false;
    TCustomDBEditEh::CloseUp(Accept);
    m_droppedDown = false;
    if (Accept && !ReadOnly() && StartEditing()) {
        SelectItem(m_listBox->currentRow());
        if (IsFocused())
            selectAll();
    }
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

bool TCustomDBComboBoxEh::DropDownKey(QKeyEvent *Event)
{
    // A button's shortcut acts as a press of the button even while the list is open.
    if (!m_listDropped || IsButtonShortCut(Event))
        return false;
    const int key = Event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        CloseUp(key != Qt::Key_Escape);
        Event->accept();
        return true;
    }
    const bool ctrl = Event->modifiers() & Qt::ControlModifier;
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up || key == Qt::Key_Down
        || (ctrl && (key == Qt::Key_Home || key == Qt::Key_End))) {
        ForwardKey(m_listBox, Event);
        Event->accept();
        return true;
    }
    return false;
}
