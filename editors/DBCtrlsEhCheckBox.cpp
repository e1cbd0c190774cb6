// The three-state check box: its value mapping, the grey cycle, keys and mouse, writing back and painting.
#include "DBCtrlsEh.h"

#include "Color.h"
#include "Formats.h"
#include "Guard.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QKeyEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QTimer>

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(QWidget *Parent)
    : QWidget(Parent)
    , m_dataLink(std::make_unique<TFieldDataLinkEh>())
{
    resize(97, 17);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    m_dataLink->Control = this;
    m_dataLink->UnboundValue = false;
    m_dataLink->OnDataChange = [this](TFieldDataLinkEh *) { DataChange(); };
    m_dataLink->OnUpdateData = [this](TFieldDataLinkEh *) { UpdateData(); };
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh()
{
    m_dataLink->OnDataChange = nullptr;
    m_dataLink->OnUpdateData = nullptr;
    m_dataLink->SetDataSource(nullptr);
}

void TCustomDBCheckBoxEh::SetDataSource(TDataSource *Value)
{
    m_dataLink->SetDataSource(Value);
    DataChange();
}

void TCustomDBCheckBoxEh::SetDataField(const QString &Value)
{
    m_dataLink->SetFieldName(Value);
}

void TCustomDBCheckBoxEh::SetValueChecked(const QString &Value)
{
    m_valueChecked = Value;
    DataChange();
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const QString &Value)
{
    m_valueUnchecked = Value;
    DataChange();
}

void TCustomDBCheckBoxEh::SetAlignment(Qt::Alignment Value)
{
    m_alignment = Value;
    update();
}

void TCustomDBCheckBoxEh::SetFlat(bool Value)
{
    m_flat = Value;
    update();
}

void TCustomDBCheckBoxEh::SetAlwaysShowBorder(bool Value)
{
    m_alwaysShowBorder = Value;
    update();
}

void TCustomDBCheckBoxEh::SetCaption(const QString &Value)
{
    m_caption = Value;
    if (m_shortcutId)
        releaseShortcut(m_shortcutId);
    const QKeySequence mnemonic = QKeySequence::mnemonic(Value);
    m_shortcutId = mnemonic.isEmpty() ? 0 : grabShortcut(mnemonic);
    update();
}

// ---- State --------------------------------------------------------------------------------------------------

bool TCustomDBCheckBoxEh::ValueMatches(const QString &List, const QString &Text)
{
    for (const QString &entry : SplitFieldNames(List))
        if (CompareTextIgnoreCase(entry, Text) == 0)
            return true;
    return false;
}

TCheckBoxState TCustomDBCheckBoxEh::GetFieldState() const
{
    if (IsDataIndependent()) {
        const QVariant &v = m_dataLink->UnboundValue;
        if (SameVariantValues(v, QVariant(true)))
            return cbChecked;
        if (SameVariantValues(v, QVariant(false)))
            return cbUnchecked;
        return cbGrayed;
    }
    TField *field = Field();
    if (!field)
        return cbUnchecked;
    if (field->IsNull())
        return cbGrayed;
    if (field->DataType() == ftBoolean)
        return field->AsBoolean() ? cbChecked : cbUnchecked;
    const QString text = field->Text();
    if (ValueMatches(m_valueChecked, text))
        return cbChecked;
    if (ValueMatches(m_valueUnchecked, text))
        return cbUnchecked;
    return cbGrayed;
}

void TCustomDBCheckBoxEh::DataChange()
{
    InternalSetState(GetFieldState());
    m_stateModified = false;
}

void TCustomDBCheckBoxEh::InternalSetState(TCheckBoxState Value)
{
    if (Value == m_state)
        return;
    m_state = Value;
    if (OnClick)
        OnClick(this);
    update();
    m_stateModified = true;
}

void TCustomDBCheckBoxEh::Toggle()
{
    if (!m_dataLink->Edit())
        return;
    switch (m_state) {
    case cbUnchecked:
        InternalSetState(m_allowGrayed ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        InternalSetState(cbUnchecked);
        break;
    case cbGrayed:
        InternalSetState(cbChecked);
        break;
    }
    m_dataLink->MarkModified();
    update();
}

void TCustomDBCheckBoxEh::SetState(TCheckBoxState Value)
{
    if (!IsDataIndependent()) {
        m_dataLink->CheckWritable();
        DataSource()->DataSet()->Edit();
    }
    InternalSetState(Value);
    if (m_inUpdateData)
        return;
    try {
        UpdateData();
    } catch (...) {
        m_dataLink->Reset();
        throw;
    }
}

// ---- Writing back -------------------------------------------------------------------------------------------

void TCustomDBCheckBoxEh::UpdateData()
{
    if (!CallUpdateDataHandler(OnUpdateData, this, m_inUpdateData))
        WriteStateToField();
}

void TCustomDBCheckBoxEh::WriteStateToField()
{
    if (IsDataIndependent()) {
        m_dataLink->SetValue(m_state == cbGrayed ? QVariant() : QVariant(m_state == cbChecked));
        return;
    }
    // A box bound to nothing it can write to says so instead of dropping the state.
    m_dataLink->CheckWritable();
    TField *field = Field();
    if (m_state == cbGrayed)
        field->Clear();
    else if (field->DataType() == ftBoolean)
        field->SetAsBoolean(m_state == cbChecked);
    else
        field->SetText(SplitFieldNames(m_state == cbChecked ? m_valueChecked : m_valueUnchecked).value(0));
}

// ---- Keys, mouse and focus ----------------------------------------------------------------------------------

bool TCustomDBCheckBoxEh::event(QEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(Event);
        if (key->key() == Qt::Key_Escape && m_stateModified) {
            key->accept();
            return true;
        }
    }
    if (Event->type() == QEvent::Shortcut && static_cast<QShortcutEvent *>(Event)->shortcutId() == m_shortcutId) {
        // The caption's accelerator focuses the box and toggles it.
        if (isEnabled() && focusPolicy() != Qt::NoFocus) {
            setFocus(Qt::ShortcutFocusReason);
            if (hasFocus())
                Toggle();
        }
        return true;
    }
    return throughQt([&] { return QWidget::event(Event); });
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TCustomDBCheckBoxEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    const int key = Event->key();
    if (key == Qt::Key_Space && !Event->isAutoRepeat()) {
        m_spacePressed = true;
        m_dataLink->Edit();
        update();
        return;
    }
    if (key == Qt::Key_Backspace) {
        m_dataLink->Edit();
        return;
    }
    if (key == Qt::Key_Escape) {
        const bool wanted = m_stateModified;
        m_dataLink->Reset();
        if (!wanted)
            Event->ignore();
        return;
    }
    QWidget::keyPressEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBCheckBoxEh::keyReleaseEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->key() == Qt::Key_Space && !Event->isAutoRepeat() && m_spacePressed) {
        m_spacePressed = false;
        Toggle();
        return;
    }
    QWidget::keyReleaseEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBCheckBoxEh::mousePressEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(Event);
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    m_mousePressed = hasFocus();
    update();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBCheckBoxEh::mouseReleaseEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->button() != Qt::LeftButton || !m_mousePressed)
        return QWidget::mouseReleaseEvent(Event);
    m_mousePressed = false;
    if (rect().contains(Event->position().toPoint()))
        Toggle();
    update();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBCheckBoxEh::focusOutEvent(QFocusEvent *Event)
try {
    const HandlerEdge edge;
    QWidget::focusOutEvent(Event);
    if (Event->reason() == Qt::PopupFocusReason)
        return;
    try {
        m_dataLink->UpdateRecord();
    } catch (const std::exception &error) {
        // The error may not cross the event loop; the box keeps its state and takes the focus back.
        const QString message = exceptionMessage(error);
        QTimer::singleShot(0, this, [this, message] {
            Services::messages()->error(message);
            setFocus(Qt::OtherFocusReason);
        });
    }
    update();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBCheckBoxEh::enterEvent(QEnterEvent *Event)
try {
    const HandlerEdge edge;
    m_mouseInControl = true;
    update();
    QWidget::enterEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBCheckBoxEh::leaveEvent(QEvent *Event)
try {
    const HandlerEdge edge;
    m_mouseInControl = false;
    update();
    QWidget::leaveEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

// ---- Painting -----------------------------------------------------------------------------------------------

bool TCustomDBCheckBoxEh::BoxOnRight() const
{
    const bool captionLeft = m_alignment & Qt::AlignLeft;
    return layoutDirection() == Qt::RightToLeft ? !captionLeft : captionLeft;
}

QRect TCustomDBCheckBoxEh::BoxRect() const
{
    return AlignCheckBoxRect(rect(), BoxOnRight() ? Qt::AlignRight : Qt::AlignLeft, tlCenter);
}

QRect TCustomDBCheckBoxEh::CaptionRect() const
{
    const QRect box = BoxRect();
    if (BoxOnRight())
        return QRect(0, 0, std::max(0, box.left() - 5), height());
    return QRect(box.right() + 1 + 5, 0, std::max(0, width() - box.right() - 6), height());
}

QSize TCustomDBCheckBoxEh::sizeHint() const
{
    return QSize(std::max(97, CheckBoxGlyphWidth() + 5 + fontMetrics().horizontalAdvance(m_caption) + 4),
                 std::max(17, fontMetrics().height() + 4));
}

void TCustomDBCheckBoxEh::paintEvent(QPaintEvent *Event)
try {
    const HandlerEdge edge;
    Q_UNUSED(Event);
    QPainter painter(this);
    const QColor color = palette().color(QPalette::Window);
    painter.fillRect(rect(), color);

    // The caption, with its accelerator underlined.
    const QRect captionArea = CaptionRect();
    const int flags = Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::AlignVCenter | Qt::AlignLeft;
    const QRect textRect = painter.boundingRect(captionArea, flags, m_caption);
    painter.setFont(font());
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(captionArea, flags, m_caption);
    } else {
        painter.setPen(toQColor(clHighlightText));
        painter.drawText(captionArea.translated(1, 1), flags, m_caption);
        painter.setPen(toQColor(clGrayText));
        painter.drawText(captionArea, flags, m_caption);
    }
    if (hasFocus() && !m_caption.isEmpty())
        DrawFocusRect(painter, textRect.adjusted(-1, -1, 1, 2).intersected(rect()));

    const bool hot = m_mouseInControl;
    const bool pressed = (m_mouseInControl && m_mousePressed) || m_spacePressed;
    DrawButtonControlFace(painter, BoxRect(), color, bfkCheckBoxEh, pressed ? 1 : 0, m_flat,
                          hot || hasFocus() || m_alwaysShowBorder, isEnabled(), int(m_state));
} catch (...) {
    endAtHandlerEdge();
}
