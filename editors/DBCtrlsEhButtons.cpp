// The edit base around its text: buttons and the drop-down protocol, the image area, height, the flat border
// and the list of recently used texts.
#include "DBCtrlsEh.h"

#include "Color.h"
#include "Formats.h"
#include "Guard.h"
#include "WidgetKit.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

// ---- Buttons ------------------------------------------------------------------------------------------------

TEditButtonControlEh *TCustomDBEditEh::ButtonControl(int Index) const
{
    return Index >= 0 && Index < int(m_buttonSlots.size()) ? m_buttonSlots[std::size_t(Index)].Control.data()
                                                            : nullptr;
}

QWidget *TCustomDBEditEh::ButtonSeparator(int Index) const
{
    return Index >= 0 && Index < int(m_buttonSlots.size()) ? m_buttonSlots[std::size_t(Index)].Separator.data()
                                                            : nullptr;
}

void TCustomDBEditEh::UpdateEditButtons()
{
    const std::size_t count = std::size_t(m_editButtons->Count()) + 1;
    while (m_buttonSlots.size() > count) {
        delete m_buttonSlots.back().Control.data();
        delete m_buttonSlots.back().Separator.data();
        m_buttonSlots.pop_back();
    }
    m_buttonSlots.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        m_buttonSlots[i].Settings = i == 0 ? m_editButton.get() : m_editButtons->GetItem(int(i) - 1);

    const QRect client = hasFrame() ? rect().adjusted(1, 1, -1, -1) : rect();
    m_buttonsWidth = LayoutEditButtons(this, m_buttonSlots, client, m_flat, layoutDirection() == Qt::RightToLeft,
                                       TEditButtonHeightRuleEh::Editor);
    for (std::size_t i = 0; i < count; ++i) {
        TEditButtonControlEh *control = m_buttonSlots[i].Control;
        control->setCursor(Qt::ArrowCursor);
        control->OnButtonDown = [this, control](QObject *, bool TopButton, bool &AutoRepeat, bool &Handled) {
            EditButtonDown(control, TopButton, AutoRepeat, Handled);
        };
        control->OnClick = [this](TEditButtonControlEh *Sender) { EditButtonClick(Sender); };
    }
    UpdateEditButtonsState();
    UpdateMargins();
}

void TCustomDBEditEh::UpdateEditButtonsState()
{
    const bool enabled = IsButtonEnabled();
    const QColor separatorColor = toQColor(m_borderActive ? clBtnFace : TColor(clWindow));
    for (TEditButtonSlotEh &slot : m_buttonSlots) {
        if (slot.Control) {
            slot.Control->setEnabled(enabled);
            slot.Control->SetActive(m_borderActive);
        }
        if (slot.Separator) {
            QPalette p = slot.Separator->palette();
            p.setColor(QPalette::Window, separatorColor);
            slot.Separator->setPalette(p);
        }
    }
}

bool TCustomDBEditEh::IsButtonEnabled() const
{
    return isEnabled() && m_dataLink->Active();
}

int TCustomDBEditEh::ButtonIndexOf(const TEditButtonControlEh *Control) const
{
    for (std::size_t i = 0; i < m_buttonSlots.size(); ++i)
        if (m_buttonSlots[i].Control == Control)
            return int(i);
    return -1;
}

bool TCustomDBEditEh::IsButtonShortCut(QKeyEvent *Event) const
{
    const QKeySequence pressed(Event->keyCombination());
    return std::any_of(m_buttonSlots.begin(), m_buttonSlots.end(), [&](const TEditButtonSlotEh &slot) {
        return !slot.Settings->ShortCut().isEmpty() && slot.Settings->ShortCut() == pressed;
    });
}

bool TCustomDBEditEh::ApplyButtonShortCut(QKeyEvent *Event)
{
    const QKeySequence pressed(Event->keyCombination());
    for (std::size_t i = 0; i < m_buttonSlots.size(); ++i) {
        TEditButtonEh *settings = m_buttonSlots[i].Settings;
        if (settings->ShortCut().isEmpty() || settings->ShortCut() != pressed)
            continue;
        // A hidden button's shortcut still acts; the main button's only while it is enabled.
        if (i == 0 && !IsButtonEnabled())
            return false;
        TEditButtonControlEh *control = m_buttonSlots[i].Control;
        bool autoRepeat = false;
        control->DoButtonDown(false, autoRepeat);
        EditButtonClick(control);
        return true;
    }
    return false;
}

void TCustomDBEditEh::PopUpButtonMenu(TEditButtonControlEh *Control, QMenu *Menu)
{
    const int index = ButtonIndexOf(Control);
    // A press on the button while its menu is open only closes the menu: the press Qt passes on to the button
    // after closing it must not open the menu again.
    PopUpEditButtonMenu(Control, Menu, [this, index](bool closing) { m_menuClosedButton = closing ? index : -1; });
}

void TCustomDBEditEh::EditButtonDown(TEditButtonControlEh *Sender, bool TopButton, bool &AutoRepeat, bool &Handled)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    Handled = false;
    const int index = ButtonIndexOf(Sender);
    if (index >= 0 && index == m_menuClosedButton) {
        m_menuClosedButton = -1;
        return;
    }
    if (index == 0) {
        if (OnButtonDown)
            OnButtonDown(Sender, TopButton, AutoRepeat, Handled);
        if (Handled)
            return;
        if (QMenu *menu = m_editButton->DropdownMenu())
            PopUpButtonMenu(Sender, menu);
        else
            DropDownFromButton(!TopButton);
        return;
    }
    if (index < 0)
        return;
    TEditButtonEh *settings = m_buttonSlots[std::size_t(index)].Settings;
    if (settings->OnDown)
        settings->OnDown(Sender, TopButton, AutoRepeat, Handled);
    if (!Handled && settings->DropdownMenu())
        PopUpButtonMenu(Sender, settings->DropdownMenu());
}

void TCustomDBEditEh::EditButtonClick(TEditButtonControlEh *Sender)
{
    bool handled = false;
    const int index = ButtonIndexOf(Sender);
    if (index == 0) {
        if (OnButtonClick)
            OnButtonClick(Sender, handled);
    } else if (index > 0) {
        TEditButtonEh *settings = m_buttonSlots[std::size_t(index)].Settings;
        if (settings->OnClick)
            settings->OnClick(Sender, handled);
    }
    // The click that ends the press which opened the drop-down leaves it open; a later one closes it.
    if (!handled && m_droppedDown && !m_buttonOpenedDropDown && index == 0)
        CloseUp(false);
    m_buttonOpenedDropDown = false;
}

void TCustomDBEditEh::DropDownFromButton(bool Param)
{
    Q_UNUSED(Param);
    if (m_editButton->Style() == ebsUpDownEh || m_droppedDown)
        return;
    DropDown();
    m_buttonOpenedDropDown = true;
}

void TCustomDBEditEh::DropDown()
{
    if (TEditButtonControlEh *main = ButtonControl(0))
        main->SetHeldDown(true);
    MRUListCloseUp(false);
}

void TCustomDBEditEh::CloseUp(bool Accept)
{
    Q_UNUSED(Accept);
    if (TEditButtonControlEh *main = ButtonControl(0))
        main->SetHeldDown(false);
}

// ---- Image area, margins and height -------------------------------------------------------------------------

void TCustomDBEditEh::SetImages(const TImageList *Value)
{
    m_editImage->SetImages(Value);
    m_editImage->SetVisible(true);
}

void TCustomDBEditEh::UpdateMargins()
{
    const TImageList *images = m_editImage->Images();
    m_imageAreaWidth = 0;
    if (m_editImage->Visible() && images)
        m_imageAreaWidth = (m_editImage->Width() > 0 ? m_editImage->Width() : images->Width()) + 4;
    if (layoutDirection() == Qt::RightToLeft)
        setTextMargins(m_buttonsWidth, 0, m_imageAreaWidth, 0);
    else
        setTextMargins(m_imageAreaWidth, 0, m_buttonsWidth, 0);
    UpdateImageIndex();
    update();
}

void TCustomDBEditEh::UpdateImageIndex()
{
    if (!m_editImage->Visible() || !m_editImage->Images())
        return;
    int index = DefaultImageIndex();
    const QVariant value = Value();
    bool numeric = false;
    const double number = value.toDouble(&numeric);
    if (numeric && value.typeId() != QMetaType::QString)
        index = int(Round(number));
    if (OnGetImageIndex)
        OnGetImageIndex(this, index);
    m_editImage->SetImageIndex(index);
}

QRect TCustomDBEditEh::ImageRect() const
{
    const QRect client = hasFrame() ? rect().adjusted(1, 1, -1, -1) : rect();
    if (layoutDirection() == Qt::RightToLeft)
        return QRect(client.right() + 1 - m_imageAreaWidth, client.top(), m_imageAreaWidth, client.height());
    return QRect(client.left(), client.top(), m_imageAreaWidth, client.height());
}

void TCustomDBEditEh::SetAutoSize(bool Value)
{
    if (Value == m_autoSize)
        return;
    m_autoSize = Value;
    AdjustHeight();
}

void TCustomDBEditEh::AdjustHeight()
{
    if (!m_autoSize || !hasFrame()) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        return;
    }
    // A border of eight pixels around the text, two less for a flat editor.
    const int extra = m_flat ? 6 : 8;
    int content = TextHeight(font());
    const TImageList *images = m_editImage->Images();
    if (images && m_editImage->UseImageHeight() && images->Height() > content)
        content = images->Height();
    setFixedHeight(extra + content);
}

void TCustomDBEditEh::SetFlat(bool Value)
{
    if (Value == m_flat)
        return;
    m_flat = Value;
    UpdateEditButtons();
    AdjustHeight();
    update();
}

void TCustomDBEditEh::SetAlwaysShowBorder(bool Value)
{
    if (Value == m_alwaysShowBorder)
        return;
    m_alwaysShowBorder = Value;
    UpdateBorderState();
}

void TCustomDBEditEh::UpdateBorderState()
{
    const bool active = hasFocus() || m_mouseAbove || m_alwaysShowBorder;
    if (active == m_borderActive)
        return;
    m_borderActive = active;
    UpdateEditButtonsState();
    if (m_flat)
        update();
}

void TCustomDBEditEh::enterEvent(QEnterEvent *Event)
try {
    const HandlerEdge edge;
    TCustomMaskEdit::enterEvent(Event);
    m_mouseAbove = true;
    UpdateBorderState();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::leaveEvent(QEvent *Event)
try {
    const HandlerEdge edge;
    TCustomMaskEdit::leaveEvent(Event);
    m_mouseAbove = false;
    UpdateBorderState();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::resizeEvent(QResizeEvent *Event)
try {
    const HandlerEdge edge;
    TCustomMaskEdit::resizeEvent(Event);
    UpdateEditButtons();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::mousePressEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    // Clicks on the image area do not reach the text.
    if (m_imageAreaWidth > 0 && ImageRect().contains(Event->position().toPoint())) {
        Event->accept();
        return;
    }
    if (m_holderIntf && Event->button() == Qt::LeftButton) {
        // The holder's press opened the editor; a second press close to it in time and place is the second half
        // of a double click.
        QPoint holderPos;
        qint64 holderTime = 0;
        m_holderIntf->GetLastMouseDown(holderPos, holderTime);
        const bool holderPressed = holderTime != 0 || !holderPos.isNull();
        if (holderPressed
            && IsWithinDoubleClick(holderPos, Event->globalPosition().toPoint(),
                                   int(qint64(Event->timestamp()) - holderTime))) {
            QMouseEvent doubleClick(QEvent::MouseButtonDblClick, Event->position(), Event->scenePosition(),
                                    Event->globalPosition(), Event->button(), Event->buttons(), Event->modifiers());
            TCustomMaskEdit::mouseDoubleClickEvent(&doubleClick);
            Event->accept();
            return;
        }
    }
    TCustomMaskEdit::mousePressEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomDBEditEh::paintEvent(QPaintEvent *Event)
try {
    const HandlerEdge edge;
    TCustomMaskEdit::paintEvent(Event);
    QPainter painter(this);
    const TImageList *images = m_editImage->Images();
    if (m_editImage->Visible() && images && m_editImage->ImageIndex() >= 0)
        DrawClippedImage(painter, ImageRect().adjusted(2, 1, -2, -1), images, m_editImage->ImageIndex(), false);
    if (m_flat && hasFrame()) {
        // The flat editor's border: sunken while hot, the button face otherwise.
        const QRect r = rect();
        if (m_borderActive)
            DrawEdge(painter, r, BDR_SUNKENOUTER, BF_RECT);
        else
            FrameRect(painter, r, toQColor(clBtnFace));
        FrameRect(painter, r.adjusted(1, 1, -1, -1), toQColor(clBtnFace));
    }
} catch (...) {
    endAtHandlerEdge();
}

// ---- Recently used texts ------------------------------------------------------------------------------------

TMRUListboxEh *TCustomDBEditEh::GetMRUListbox()
{
    if (!m_mruListbox) {
        m_mruListbox = new TMRUListboxEh(this);
        m_mruListbox->setSortingEnabled(true);
        m_mruListbox->hide();
        connect(m_mruListbox, &QListWidget::itemClicked, this, [this] { guard([this] { MRUListCloseUp(true); }); });
    }
    return m_mruListbox;
}

void TCustomDBEditEh::UpdateMRUList()
{
    const QString empty = IsMasked() ? Mask().editTextToText(Mask().emptyEditText()) : QString();
    if (m_mruList->ListShown && Text() == empty) {
        MRUListCloseUp(false);
        return;
    }
    if (m_mruList->Active() && isVisible() && !m_droppedDown && Text() != empty)
        m_mruList->DropDown();
}

void TCustomDBEditEh::MRUListDropDown()
{
    TMRUListboxEh *list = GetMRUListbox();
    QStringList items;
    if (!m_mruList->FilterItems(items, MRUFilterText()) && m_mruList->ListShown)
        MRUListCloseUp(false);
    if (items.isEmpty()) {
        MRUListCloseUp(false);
        return;
    }
    list->clear();
    list->addItems(items);
    list->setCurrentRow(-1);
    const int rows = std::min(int(items.size()), m_mruList->Rows());
    const QRect area(mapToGlobal(QPoint(0, 0)), QSize(width() - m_buttonsWidth, height()));
    if (!m_mruList->ListShown) {
        list->setFont(font());
        list->SetRowCount(rows);
        list->resize(area.width(), list->height());
    }
    const QPoint at = PlaceDropDownWindow(area, list, daLeft);
    list->move(at);
    if (!m_mruList->ListShown) {
        list->show();
        list->SizeGrip()->ShowGrip(true);
        list->UpdateScrollBar();
        m_mruList->ListShown = true;
    }
}

void TCustomDBEditEh::MRUListCloseUp(bool Accept)
{
    if (!m_mruList->ListShown || !m_mruListbox)
        return;
    m_mruListbox->hide();
    m_mruList->ListShown = false;
    if (Accept && !m_readOnly && StartEditing()) {
        if (QListWidgetItem *item = m_mruListbox->currentItem())
            PutText(item->text());
        if (m_focused)
            selectAll();
    }
}
