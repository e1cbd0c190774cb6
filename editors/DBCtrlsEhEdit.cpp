// The data-aware edit base: loading and writing back, keys, focus and the hosting protocol.
#include "DBCtrlsEh.h"

#include "DatabaseError.h"
#include "Guard.h"
#include "Services.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QTimer>

TCustomDBEditEh::TCustomDBEditEh(QWidget *Parent)
    : TCustomDBEditEh(Parent, std::make_unique<TFieldDataLinkEh>())
{
}

TCustomDBEditEh::TCustomDBEditEh(QWidget *Parent, std::unique_ptr<TFieldDataLinkEh> Link)
    : TCustomMaskEdit(Parent)
    , m_dataLink(std::move(Link))
    , m_editButton(std::make_unique<TEditButtonEh>(static_cast<QWidget *>(this)))
    , m_editButtons(std::make_unique<TEditButtonsEh>(this, TEditButtonsEh::ItemClass<TVisibleEditButtonEh>()))
    , m_editImage(std::make_unique<TEditImageEh>(this))
    , m_mruList(std::make_unique<TMRUListEh>(this))
{
    m_dataLink->Control = this;
    m_dataLink->OnDataChange = [this](TFieldDataLinkEh *) {
        DataChanged();
        UpdateEditButtonsState();
    };
    m_dataLink->OnEditingChange = [this](TFieldDataLinkEh *) { EditingChanged(); };
    m_dataLink->OnUpdateData = [this](TFieldDataLinkEh *) { UpdateData(); };
    m_dataLink->OnActiveChange = [this](TFieldDataLinkEh *) { ActiveChanged(); };
    m_editButton->OnSettingsChanged = [this](TEditButtonEh *) { UpdateEditButtons(); };
    m_editButtons->OnItemChanged = [this](TEditButtonsEh *, TEditButtonEh *) { UpdateEditButtons(); };
    m_editImage->OnLayoutChanged = [this] {
        UpdateMargins();
        AdjustHeight();
    };
    m_mruList->OnDropDownRequest = [this](TMRUListEh *) { MRUListDropDown(); };
    m_mruList->OnCloseUpRequest = [this](TMRUListEh *, bool Accept) { MRUListCloseUp(Accept); };
    UpdateReadOnlyState();
    UpdateEditButtons();
    AdjustHeight();
}

TCustomDBEditEh::~TCustomDBEditEh()
{
    // The link must not call back into a half-destroyed editor.
    m_dataLink->OnDataChange = nullptr;
    m_dataLink->OnEditingChange = nullptr;
    m_dataLink->OnUpdateData = nullptr;
    m_dataLink->OnActiveChange = nullptr;
    m_dataLink->SetDataSource(nullptr);
    m_editButton->OnSettingsChanged = nullptr;
    m_editButtons->OnItemChanged = nullptr;
    m_editImage->OnLayoutChanged = nullptr;
    m_mruList->OnDropDownRequest = nullptr;
    m_mruList->OnCloseUpRequest = nullptr;
    delete m_mruListbox.data();
}

// ---- Binding ------------------------------------------------------------------------------------------------

void TCustomDBEditEh::SetDataSource(TDataSource *Value)
{
    m_dataLink->SetDataSource(Value);
    DataChanged();
    UpdateEditButtonsState();
}

void TCustomDBEditEh::SetDataField(const QString &Value)
{
    ResetMaxLength();
    m_dataLink->SetFieldName(Value);
    UpdateEditButtonsState();
    update();
}

void TCustomDBEditEh::ActiveChanged()
{
    ResetMaxLength();
    UpdateEditButtonsState();
}

void TCustomDBEditEh::ResetMaxLength()
{
    // A length taken from one field must not stick to the next.
    if (MaxLength() <= 0 || !DataSource() || !DataSource()->DataSet())
        return;
    TField *field = DataSource()->DataSet()->FindField(DataField());
    if (field && IsStringType(field->DataType()) && field->Size() == MaxLength())
        SetMaxLength(0);
}

Qt::Alignment TCustomDBEditEh::Alignment() const
{
    return m_alignmentAssigned ? m_alignment : DefaultAlignment();
}

void TCustomDBEditEh::SetAlignment(Qt::Alignment Value)
{
    m_alignment = Value;
    m_alignmentAssigned = true;
    UpdateDisplayAlignment();
}

Qt::Alignment TCustomDBEditEh::DefaultAlignment() const
{
    if (TField *field = Field()) {
        switch (field->Alignment()) {
        case taRightJustify:
            return Qt::AlignRight;
        case taCenter:
            return Qt::AlignHCenter;
        case taLeftJustify:
            break;
        }
    }
    return Qt::AlignLeft;
}

void TCustomDBEditEh::UpdateDisplayAlignment()
{
    // Focused, the text is edited left-aligned (unless the editor edits in its alignment); unfocused it shows in
    // the editor's alignment.
    const Qt::Alignment horizontal = m_focused && !EditsInAlignment() ? Qt::AlignLeft : Alignment();
    setAlignment(horizontal | Qt::AlignVCenter);
}

void TCustomDBEditEh::SetEditMask(const QString &Value)
{
    if (m_editMaskAssigned && Value == EditMaskText())
        return;
    SetMask(Value);
    m_editMaskAssigned = true;
    if (IsDataIndependent())
        StoreTextToField();
    else
        DataChanged();
}

void TCustomDBEditEh::SetMask(const QString &Mask)
{
    SetMaskText(Mask);
}

void TCustomDBEditEh::SetReadOnly(bool Value)
{
    if (Value == m_readOnly)
        return;
    m_readOnly = Value;
    EditingChanged();
}

void TCustomDBEditEh::SetColor(const QColor &Color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, Color);
    setPalette(p);
}

void TCustomDBEditEh::SetInplaceEditHolder(QWidget *Holder)
{
    if (Holder == m_holder)
        return;
    if (!Holder) {
        m_holder = nullptr;
        m_holderIntf = nullptr;
        return;
    }
    auto *intf = dynamic_cast<IInplaceEditHolderEh *>(Holder);
    if (!intf)
        throw Exception(QStringLiteral("InplaceEditHolder have to support IInplaceEditHolderEh interface"));
    m_holder = Holder;
    m_holderIntf = intf;
    UpdateReadOnlyState();
}

// ---- Loading and writing back -------------------------------------------------------------------------------

void TCustomDBEditEh::DataChanged()
{
    if (TField *field = Field()) {
        UpdateDisplayAlignment();
        if (!m_editMaskAssigned)
            SetMask(field->EditMask());
        if (IsStringType(field->DataType()) && MaxLength() == 0 && field->Size() > 0)
            SetMaxLength(field->Size());
        if (m_focused && m_dataLink->CanModify())
            PutText(field->DataType() == ftMemo ? field->AsString() : field->Text());
        else if (IsMasked())
            SetMaskedText(field->DataType() == ftMemo ? field->AsString() : field->DisplayText());
        else
            SetEditText(field->DataType() == ftMemo ? field->AsString() : field->DisplayText());
    } else {
        if (!m_editMaskAssigned)
            SetMask(QString());
        SetEditText(IsDataIndependent() ? VariantToText(m_dataLink->UnboundValue) : QString());
    }
    UpdateReadOnlyState();
    SetModified(false);
}

void TCustomDBEditEh::PutText(const QString &S)
{
    SetMaskedText(S);
}

void TCustomDBEditEh::PutValue(const QVariant &V)
{
    PutText(VariantToText(V));
}

void TCustomDBEditEh::UpdateData()
{
    if (m_focused)
        ValidateEdit();
    if (!DoUpdateData())
        StoreTextToField();
    SetModified(false);
    if (m_mruList->AutoAdd && m_mruList->Active() && isVisible())
        m_mruList->Add(Text());
}

bool CallUpdateDataHandler(const TUpdateDataEventEh &Handler, QObject *Sender, bool &InHandler)
{
    bool handled = false;
    if (Handler) {
        const QScopedValueRollback<bool> inside(InHandler, true);
        Handler(Sender, handled);
    }
    return handled;
}

bool TCustomDBEditEh::DoUpdateData()
{
    return CallUpdateDataHandler(OnUpdateData, this, m_inUpdateData);
}

void TCustomDBEditEh::StoreTextToField()
{
    m_dataLink->SetText(IsDataIndependent() ? EditText() : Text());
}

void TCustomDBEditEh::BeginSetterWrite()
{
    if (IsDataIndependent())
        return;
    m_dataLink->CheckWritable();
    DataSource()->DataSet()->Edit();
}

void TCustomDBEditEh::WriteBackFromSetter()
{
    if (m_inUpdateData)
        return;
    try {
        UpdateData();
    } catch (...) {
        m_dataLink->Reset();
        throw;
    }
}

void TCustomDBEditEh::SetText(const QString &S)
{
    BeginSetterWrite();
    PutText(S);
    WriteBackFromSetter();
}

void TCustomDBEditEh::WriteValue(const QVariant &V)
{
    BeginSetterWrite();
    PutValue(V);
    WriteBackFromSetter();
}

void TCustomDBEditEh::Change()
{
    m_dataLink->MarkModified();
    TCustomMaskEdit::Change();
    if (OnChange)
        OnChange(this);
    UpdateImageIndex();
}

bool TCustomDBEditEh::IsValidChar(QChar Ch) const
{
    TField *field = Field();
    return !field || field->IsValidChar(Ch);
}

bool TCustomDBEditEh::StartEditing()
{
    // Entering the dataset's edit mode reloads the record; the caret and selection the user has stay.
    const QString before = EditText();
    const int start = hasSelectedText() ? selectionStart() : -1;
    const int length = int(selectedText().size());
    const int cursor = cursorPosition();
    const bool editing = m_dataLink->Edit();
    if (EditText() == before) {
        if (start < 0)
            setCursorPosition(cursor);
        else if (cursor == start)
            setSelection(start + length, -length);
        else
            setSelection(start, length);
    }
    return editing;
}

bool TCustomDBEditEh::EditCanModify()
{
    return !m_readOnly && StartEditing();
}

void TCustomDBEditEh::Reset()
{
    m_dataLink->Reset();
    selectAll();
}

void TCustomDBEditEh::UpdateReadOnlyState()
{
    const bool holderRefuses = m_holderIntf && !m_holderIntf->HolderAllowsEdit(this);
    setReadOnly(m_readOnly || (!m_dataLink->Editing() && !OnUpdateData) || holderRefuses);
}

void TCustomDBEditEh::SetFocused(bool Value)
{
    if (Value == m_focused)
        return;
    m_focused = Value;
    UpdateDisplayAlignment();
    m_dataLink->Reset(); // edit text while focused, display text otherwise
}

// ---- Keys ---------------------------------------------------------------------------------------------------

bool TCustomDBEditEh::WantsSpecialKey(int Key) const
{
    const bool mruSelected = m_mruList->ListShown && m_mruListbox && m_mruListbox->currentRow() >= 0;
    if (Key == Qt::Key_Escape)
        return m_droppedDown || mruSelected || Modified();
    if (Key == Qt::Key_Return || Key == Qt::Key_Enter)
        return m_droppedDown || mruSelected;
    return false;
}

void TCustomDBEditEh::ForwardKey(QWidget *Target, QKeyEvent *Event)
{
    // The editor keeps the focus while its drop-down shows; navigation keys go on to the drop-down.
    QKeyEvent copy(Event->type(), Event->key(), Event->modifiers(), Event->text());
    QApplication::sendEvent(Target, &copy);
}

bool TCustomDBEditEh::DropDownKey(QKeyEvent *Event)
{
    Q_UNUSED(Event);
    return false;
}

bool TCustomDBEditEh::StepByWheel(bool Up)
{
    Q_UNUSED(Up);
    return false;
}

bool TCustomDBEditEh::event(QEvent *Event)
try {
    const HandlerEdge edge;
    if (m_holderIntf && m_holderIntf->PreviewEditorMessage(this, Event))
        return true;
    if (Event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(Event);
        if (WantsSpecialKey(key->key())) {
            key->accept();
            return true;
        }
    }
    return throughQt([&] { return TCustomMaskEdit::event(Event); });
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TCustomDBEditEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    int key = Event->key();
    const Qt::KeyboardModifiers shift = Event->modifiers() & ~Qt::KeypadModifier;
    Event->accept();

    if (m_mruList->ListShown && m_mruListbox) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            MRUListCloseUp(key != Qt::Key_Escape);
            return;
        }
        const bool listKey = (!(shift & Qt::AltModifier)
                                 && (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up
                                     || key == Qt::Key_Down))
                             || ((shift & Qt::ControlModifier) && (key == Qt::Key_Home || key == Qt::Key_End));
        if (listKey) {
            ForwardKey(m_mruListbox, Event);
            return;
        }
    }
    if (m_droppedDown && DropDownKey(Event))
        return;

    // The key-down part: the holder first, then the buttons' shortcuts, then the editor's own keys.
    if (m_holderIntf) {
        m_holderIntf->PreviewEditorKeyDown(this, key, shift);
        if (key == 0)
            return;
    }
    if (ApplyButtonShortCut(Event))
        return;
    if (KeyDown(Event, key, shift))
        return;
    if (key == Qt::Key_A && shift == Qt::ControlModifier) {
        selectAll();
        return;
    }
    const bool pasting = (key == Qt::Key_V && shift == Qt::ControlModifier)
                         || (key == Qt::Key_Insert && shift == Qt::ShiftModifier);
    const bool cutting = (key == Qt::Key_X && shift == Qt::ControlModifier)
                         || (key == Qt::Key_Delete && shift == Qt::ShiftModifier);
    if ((key == Qt::Key_Delete || pasting || cutting || key == Qt::Key_Backspace) && !m_readOnly)
        StartEditing();

    // The key-press part: the character the key types.
    const QString text = Event->text();
    QChar ch = text.size() == 1 && !(shift & (Qt::ControlModifier | Qt::AltModifier)) ? text.at(0) : QChar();
    if (key == Qt::Key_Escape)
        ch = QChar(27);
    if (!ch.isNull()) {
        if (m_holderIntf) {
            m_holderIntf->PreviewEditorKeyPress(this, ch);
            if (ch.isNull())
                return;
        }
        if (OnKeyPress) {
            OnKeyPress(this, ch);
            if (ch.isNull())
                return;
        }
        if (ch.unicode() == 27) {
            const bool wanted = Modified();
            Reset();
            if (!wanted)
                Event->ignore(); // the window's cancel button may take it
            return;
        }
        if (ch.unicode() >= 32 && ch.unicode() != 127) {
            if (!IsDataIndependent() && Field() && !IsValidChar(ch)) {
                Services::messages()->beep();
                return;
            }
            if (!m_readOnly)
                StartEditing();
        }
        if (KeyPress(Event, ch))
            return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab) {
        Event->ignore(); // never typed into the text
        return;
    }
    const QString before = EditText();
    if (!ch.isNull() && (text.isEmpty() || ch != text.at(0))) {
        // The character was changed on its way (a decimal separator for a full stop, say).
        QKeyEvent changed(Event->type(), key, Event->modifiers(), QString(ch), Event->isAutoRepeat());
        TCustomMaskEdit::keyPressEvent(&changed);
        Event->setAccepted(changed.isAccepted());
    } else {
        TCustomMaskEdit::keyPressEvent(Event);
    }
    if (EditText() != before)
        UpdateMRUList();
} catch (...) {
    endAtHandlerEdge();
}

bool TCustomDBEditEh::KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Event);
    Q_UNUSED(Key);
    Q_UNUSED(Shift);
    return false;
}

bool TCustomDBEditEh::KeyPress(QKeyEvent *Event, QChar &Ch)
{
    Q_UNUSED(Event);
    Q_UNUSED(Ch);
    return false;
}

void TCustomDBEditEh::keyReleaseEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    int key = Event->key();
    if (m_holderIntf) {
        m_holderIntf->PreviewEditorKeyUp(this, key, Event->modifiers());
        if (key == 0)
            return;
    }
    TCustomMaskEdit::keyReleaseEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::wheelEvent(QWheelEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->modifiers() == Qt::NoModifier && Event->angleDelta().y() != 0
        && StepByWheel(Event->angleDelta().y() > 0)) {
        Event->accept();
        return;
    }
    TCustomMaskEdit::wheelEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

// ---- Focus --------------------------------------------------------------------------------------------------

void TCustomDBEditEh::focusInEvent(QFocusEvent *Event)
try {
    const HandlerEdge edge;
    TCustomMaskEdit::focusInEvent(Event);
    SetFocused(true);
    if (m_autoSelect && !(QApplication::mouseButtons() & Qt::LeftButton))
        selectAll();
    UpdateBorderState();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::focusOutEvent(QFocusEvent *Event)
try {
    const HandlerEdge edge;
    TCustomMaskEdit::focusOutEvent(Event);
    if (Event->reason() == Qt::PopupFocusReason || m_takingFocusBack)
        return;
    MRUListCloseUp(false);
    if (m_droppedDown)
        CloseUp(false);
    try {
        if (IsMasked())
            ValidateEdit();
        if (OnExit)
            OnExit(this);
        m_dataLink->UpdateRecord();
    } catch (const std::exception &error) {
        ReportWriteBackFailure(exceptionMessage(error));
        return;
    }
    SetFocused(false);
    UpdateBorderState();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::ReportWriteBackFailure(const QString &Message)
{
    // The error may not cross the event loop; the user's text stays and the focus comes back to it.
    selectAll();
    m_takingFocusBack = true;
    QTimer::singleShot(0, this, [this, Message] {
        Services::messages()->error(Message);
        setFocus(Qt::OtherFocusReason);
        selectAll();
        m_takingFocusBack = false;
    });
}
