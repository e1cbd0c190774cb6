#include "ToolCtrlsEh.h"

#include "Formats.h"
#include "Guard.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------------------
// Drawing helpers
// ---------------------------------------------------------------------------------------------------------

QRect AlignCheckBoxRect(const QRect &CellRect, Qt::Alignment Alignment, TTextLayout Layout)
{
    const QSize glyph = CheckBoxGlyphSize();
    const int cellWidth = CellRect.width();
    const int cellHeight = CellRect.height();
    const int w = std::min(glyph.width(), cellWidth);
    const int h = std::min(glyph.height(), cellHeight);
    int left = CellRect.left();
    int top = CellRect.top();
    if (cellWidth > w) {
        if (Alignment & Qt::AlignRight)
            left = CellRect.left() + cellWidth - w;
        else if (Alignment & Qt::AlignHCenter)
            left = CellRect.left() + cellWidth / 2 - w / 2;
    }
    if (cellHeight > h) {
        if (Layout == tlCenter)
            top = CellRect.top() + cellHeight / 2 - h / 2;
        else if (Layout == tlBottom)
            top = CellRect.top() + cellHeight - h;
    }
    return QRect(left, top, w, h);
}

QPoint RectSize(const QRect &Rect)
{
    return QPoint(Rect.width(), Rect.height());
}

bool IsWithinDoubleClick(const QPoint &OldPos, const QPoint &NewPos, int Interval)
{
    const int distance = QApplication::startDragDistance();
    return Interval <= QApplication::doubleClickInterval() && std::abs(NewPos.x() - OldPos.x()) <= distance
           && std::abs(NewPos.y() - OldPos.y()) <= distance;
}

void DrawDottedLine(QPainter &Canvas, QPoint Start, int Length, bool Horizontal, bool Phase)
{
    const bool oddStart = ((Start.x() ^ Start.y()) & 1) != 0;
    if (Phase != oddStart) {
        if (Horizontal)
            Start.rx() += 1;
        else
            Start.ry() += 1;
        --Length;
    }
    const int dots = (Length + 1) / 2;
    if (dots <= 0)
        return;
    QList<QPoint> points;
    points.reserve(dots);
    for (int i = 0; i < dots; ++i)
        points.append(Horizontal ? QPoint(Start.x() + 2 * i, Start.y()) : QPoint(Start.x(), Start.y() + 2 * i));
    Canvas.drawPoints(points.constData(), int(points.size()));
}

void DrawTreeElement(QPainter &Canvas, const QRect &Rect, int ElementKind, bool Phase)
{
    // Rect's right and bottom are exclusive here, as the grid's cell rectangles are.
    const int left = Rect.left(), top = Rect.top();
    const int right = Rect.left() + Rect.width(), bottom = Rect.top() + Rect.height();
    const int cx = (left + right) / 2;
    const int cy = (top + bottom) / 2;
    Canvas.save();
    Canvas.setPen(toQColor(clBtnShadow));
    const auto hLine = [&](int x1, int x2) { DrawDottedLine(Canvas, QPoint(x1, cy), x2 - x1, true, false); };
    const auto vLine = [&](int y1, int y2) { DrawDottedLine(Canvas, QPoint(cx, y1), y2 - y1, false, Phase); };
    if (ElementKind >= 0 && ElementKind <= 5) {
        const QRect box(cx - 4, cy - 4, 9, 9);
        Canvas.fillRect(box, toQColor(clWindow));
        Canvas.setPen(toQColor(clBtnShadow));
        Canvas.drawRect(box.adjusted(0, 0, -1, -1));
        Canvas.setPen(toQColor(clWindowText));
        Canvas.drawLine(box.left() + 2, cy, box.left() + box.width() - 3, cy);
        if (ElementKind >= 3)
            Canvas.drawLine(cx, box.top() + 2, cx, box.top() + box.height() - 3);
        Canvas.setPen(toQColor(clBtnShadow));
        hLine(box.left() + box.width() + 1, right);
        const int k = ElementKind % 3;
        if (k == 0 || k == 1)
            vLine(top, box.top());
        if (k == 0 || k == 2)
            vLine(box.top() + box.height() + 1, bottom);
    } else if (ElementKind >= 6 && ElementKind <= 9) {
        switch (ElementKind) {
        case 6:
            vLine(top, bottom);
            hLine(cx, right);
            break;
        case 7:
            vLine(top, cy);
            hLine(cx, right);
            break;
        case 8:
            hLine(cx, right);
            vLine(cy, bottom);
            break;
        default:
            vLine(top, bottom);
            break;
        }
    }
    Canvas.restore();
}

void DrawClippedImage(QPainter &Canvas, const QRect &Rect, const TImageList *Images, int ImageIndex, bool Selected)
{
    if (!Images || ImageIndex < 0 || ImageIndex >= Images->Count())
        return;
    const int right = Rect.left() + Rect.width(), bottom = Rect.top() + Rect.height();
    const QRect image((Rect.left() + right - Images->Width()) / 2, (Rect.top() + bottom - Images->Height()) / 2,
                      Images->Width(), Images->Height());
    Canvas.save();
    if (!Rect.contains(image))
        Canvas.setClipRect(Rect, Qt::IntersectClip);
    if (!Selected) {
        Images->Draw(Canvas, image.left(), image.top(), ImageIndex);
    } else {
        QPixmap blended(image.size());
        blended.fill(Qt::transparent);
        {
            QPainter p(&blended);
            Images->Draw(p, 0, 0, ImageIndex);
            p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            QColor highlight = toQColor(clHighlight);
            highlight.setAlpha(128);
            p.fillRect(blended.rect(), highlight);
        }
        Canvas.drawPixmap(image.topLeft(), blended);
    }
    Canvas.restore();
}

// ---------------------------------------------------------------------------------------------------------
// Edit-button settings and their collection
// ---------------------------------------------------------------------------------------------------------

TEditButtonEh::TEditButtonEh(TEditButtonsEh *Collection)
{
    Collection->BeginUpdate();
    Collection->Attach(this);
    Collection->EndUpdate();
}

TEditButtonEh::TEditButtonEh(QWidget *HostControl)
    : m_hostControl(HostControl)
{
}

TEditButtonEh::~TEditButtonEh()
{
    if (m_collection) {
        auto &items = m_collection->m_items;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
}

void TEditButtonEh::Assign(const QObject *Source)
{
    const auto *src = qobject_cast<const TEditButtonEh *>(Source);
    if (!src)
        throw std::invalid_argument("Cannot assign a " + std::string(Source ? Source->metaObject()->className() : "nil")
                                    + " to a TEditButtonEh");
    m_dropdownMenu = src->m_dropdownMenu;
    SetGlyph(src->m_glyph);
    SetHint(src->m_hint);
    SetNumGlyphs(src->m_numGlyphs);
    m_shortCut = src->m_shortCut;
    SetStyle(src->m_style);
    SetVisible(src->m_visible);
    SetWidth(src->m_width);
    OnClick = src->OnClick;
    OnDown = src->OnDown;
}

TEditButtonControlEh *TEditButtonEh::CreateEditButtonControl()
{
    auto *control = new TEditButtonControlEh(m_hostControl);
    control->resize(10, 17);
    control->setVisible(true);
    return control;
}

void TEditButtonEh::SetGlyph(const QPixmap &Glyph)
{
    m_glyph = Glyph;
    NotifyChanged();
}

void TEditButtonEh::SetHint(const QString &Hint)
{
    if (m_hint == Hint)
        return;
    m_hint = Hint;
    NotifyChanged();
}

void TEditButtonEh::SetNumGlyphs(int Value)
{
    Value = std::clamp(Value, 1, 4);
    if (m_numGlyphs == Value)
        return;
    m_numGlyphs = Value;
    NotifyChanged();
}

void TEditButtonEh::SetStyle(TEditButtonStyleEh Value)
{
    if (m_style == Value)
        return;
    m_style = Value;
    NotifyChanged();
}

void TEditButtonEh::SetVisible(bool Value)
{
    if (m_visible == Value)
        return;
    m_visible = Value;
    NotifyChanged();
}

void TEditButtonEh::SetWidth(int Value)
{
    if (m_width == Value)
        return;
    m_width = Value;
    NotifyChanged();
}

void TEditButtonEh::NotifyChanged()
{
    if (OnSettingsChanged)
        OnSettingsChanged(this);
    else if (m_collection)
        m_collection->Changed(this);
}

TDropDownEditButtonEh::TDropDownEditButtonEh(TEditButtonsEh *Collection)
    : TEditButtonEh(Collection)
{
    SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
}

TDropDownEditButtonEh::TDropDownEditButtonEh(QWidget *HostControl)
    : TEditButtonEh(HostControl)
{
    SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
}

TVisibleEditButtonEh::TVisibleEditButtonEh(TEditButtonsEh *Collection)
    : TEditButtonEh(Collection)
{
    SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    m_visible = true;
}

TVisibleEditButtonEh::TVisibleEditButtonEh(QWidget *HostControl)
    : TEditButtonEh(HostControl)
{
    SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    m_visible = true;
}

TEditButtonsEh::TEditButtonsEh(QObject *Owner, ItemFactory ItemClass)
    : m_owner(Owner)
    , m_itemClass(std::move(ItemClass))
{
}

TEditButtonsEh::~TEditButtonsEh()
{
    ++m_updateCount;
    while (!m_items.empty())
        delete m_items.back();
}

TEditButtonEh *TEditButtonsEh::Add()
{
    return m_itemClass(this);
}

void TEditButtonsEh::Delete(int Index)
{
    delete m_items.at(std::size_t(Index));
    Changed(nullptr);
}

void TEditButtonsEh::Clear()
{
    BeginUpdate();
    while (!m_items.empty())
        delete m_items.back();
    EndUpdate();
}

void TEditButtonsEh::Assign(const TEditButtonsEh &Source)
{
    BeginUpdate();
    while (!m_items.empty())
        delete m_items.back();
    for (const TEditButtonEh *item : Source.m_items)
        Add()->Assign(item);
    EndUpdate();
}

void TEditButtonsEh::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0)
        Changed(nullptr);
}

void TEditButtonsEh::Attach(TEditButtonEh *Item)
{
    Item->m_collection = this;
    Item->setParent(this);
    m_items.push_back(Item);
}

void TEditButtonsEh::Changed(TEditButtonEh *Item)
{
    if (m_updateCount == 0)
        Update(Item);
}

void TEditButtonsEh::Update(TEditButtonEh *Item)
{
    if (OnItemChanged)
        OnItemChanged(this, Item);
}

// ---------------------------------------------------------------------------------------------------------
// On-screen edit button
// ---------------------------------------------------------------------------------------------------------

namespace {

TButtonFaceKindEh FaceOfStyle(TEditButtonStyleEh Style)
{
    switch (Style) {
    case ebsEllipsisEh:
        return bfkEllipsisEh;
    case ebsUpDownEh:
        return bfkUpDownEh;
    case ebsPlusEh:
        return bfkPlusEh;
    case ebsMinusEh:
        return bfkMinusEh;
    default:
        return bfkDropDownEh;
    }
}

constexpr int FirstRepeatInterval = 400;
constexpr int NextRepeatInterval = 100;

} // namespace

TEditButtonControlEh::TEditButtonControlEh(QWidget *Parent)
    : QWidget(Parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TEditButtonControlEh::SetDown(bool Value)
{
    if (m_groupIndex == 0)
        Value = false;
    if (Value == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return;
    m_down = Value;
    if (Value) {
        if (m_state == bsUp)
            update();
        m_state = bsExclusive;
    } else {
        m_state = bsUp;
        update();
    }
}

void TEditButtonControlEh::SetFlat(bool Value)
{
    if (m_flat == Value)
        return;
    m_flat = Value;
    update();
}

void TEditButtonControlEh::SetCaption(const QString &Value)
{
    m_caption = Value;
    update();
}

void TEditButtonControlEh::SetGlyph(const QPixmap &Value)
{
    m_glyph = Value;
    update();
}

void TEditButtonControlEh::SetNumGlyphs(int Value)
{
    m_numGlyphs = std::clamp(Value, 1, 4);
    update();
}

void TEditButtonControlEh::SetCaptionColor(const QColor &Value)
{
    m_captionColor = Value;
    update();
}

void TEditButtonControlEh::SetActive(bool Value)
{
    if (m_active == Value)
        return;
    m_active = Value;
    update();
}

void TEditButtonControlEh::SetStyle(TEditButtonStyleEh Value)
{
    if (m_style == Value)
        return;
    m_style = Value;
    update();
}

void TEditButtonControlEh::SetHeldDown(bool Value)
{
    if (m_heldDown == Value)
        return;
    m_heldDown = Value;
    if (Value) {
        m_groupIndex = 1;
        SetDown(true);
        m_allowAllUp = false;
        m_pressedPart = 1;
    } else {
        m_allowAllUp = true;
        SetDown(false);
        m_groupIndex = 0;
        m_pressedPart = 0;
    }
    update();
}

void TEditButtonControlEh::DoButtonDown(bool TopButton, bool &AutoRepeat)
{
    if (!OnButtonDown)
        return;
    bool handled = false;
    OnButtonDown(this, TopButton, AutoRepeat, handled);
}

void TEditButtonControlEh::UpdatePressedPart(int Y)
{
    int part;
    if (m_state != bsDown && m_state != bsExclusive)
        part = 0;
    else if (m_style == ebsUpDownEh)
        part = Y < height() / 2 ? 1 : (Y >= height() - height() / 2 ? 2 : 0);
    else
        part = 1;
    if (part != m_pressedPart) {
        m_pressedPart = part;
        update();
    }
}

void TEditButtonControlEh::mousePressEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->button() != Qt::LeftButton || !isEnabled())
        return QWidget::mousePressEvent(Event);
    if (!m_down) {
        m_state = bsDown;
        repaint();
    }
    m_dragging = true;
    UpdatePressedPart(Event->position().toPoint().y());
    if (m_pressedPart > 0) {
        bool autoRepeat = m_style == ebsUpDownEh;
        DoButtonDown(m_pressedPart == 1, autoRepeat);
        if (autoRepeat)
            StartRepeatTimer(FirstRepeatInterval);
    }
} catch (...) {
    endAtHandlerEdge();
}

void TEditButtonControlEh::mouseMoveEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (!m_dragging)
        return QWidget::mouseMoveEvent(Event);
    const QPoint p = Event->position().toPoint();
    if (m_style == ebsUpDownEh && m_state == bsDown) {
        if ((m_pressedPart == 2 && p.y() < height() / 2) || (m_pressedPart == 1 && p.y() >= height() - height() / 2)) {
            m_state = bsUp;
            repaint();
        }
        return;
    }
    if (m_style == ebsUpDownEh)
        return;
    TButtonState state = m_down ? bsExclusive : bsUp;
    if (rect().contains(p) && !m_down)
        state = bsDown;
    if (state != m_state) {
        m_state = state;
        update();
    }
} catch (...) {
    endAtHandlerEdge();
}

void TEditButtonControlEh::mouseReleaseEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->button() != Qt::LeftButton || !m_dragging)
        return QWidget::mouseReleaseEvent(Event);
    const QPoint p = Event->position().toPoint();
    m_suppressClick = m_style == ebsUpDownEh && m_state != bsDown;
    m_dragging = false;
    const bool doClick = p.x() >= 0 && p.x() < width() && p.y() >= 0 && p.y() <= height();
    if (m_groupIndex == 0) {
        m_state = bsUp;
        update();
    } else if (doClick) {
        SetDown(!m_down);
    } else {
        if (m_down)
            m_state = bsExclusive;
        update();
    }
    if (doClick)
        Click();
    m_suppressClick = false;
    UpdatePressedPart(p.y());
    if (m_repeatTimer && m_repeatTimer->isActive())
        m_repeatTimer->stop();
} catch (...) {
    endAtHandlerEdge();
}

void TEditButtonControlEh::Click()
{
    if (m_suppressClick)
        return;
    if (OnClick)
        OnClick(this);
}

void TEditButtonControlEh::changeEvent(QEvent *Event)
try {
    const HandlerEdge edge;
    if (Event->type() == QEvent::EnabledChange) {
        m_state = isEnabled() ? (m_down ? bsExclusive : bsUp) : bsDisabled;
        update();
    }
    QWidget::changeEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

void TEditButtonControlEh::StartRepeatTimer(int Interval)
{
    if (!m_repeatTimer) {
        m_repeatTimer = new QTimer(this);
        connect(m_repeatTimer, &QTimer::timeout, this, [this] { guard([this] { RepeatTimerFired(); }); });
    }
    if (m_repeatTimer->isActive() && m_repeatTimer->interval() == Interval)
        return;
    m_repeatTimer->stop();
    m_repeatTimer->start(Interval);
}

void TEditButtonControlEh::RepeatTimerFired()
{
    if (m_state != bsDown)
        return;
    if (m_repeatTimer->interval() == FirstRepeatInterval)
        StartRepeatTimer(NextRepeatInterval);
    bool autoRepeat = m_style == ebsUpDownEh;
    DoButtonDown(m_pressedPart == 1, autoRepeat);
    if (!autoRepeat)
        m_repeatTimer->stop();
}

void TEditButtonControlEh::paintEvent(QPaintEvent *)
try {
    const HandlerEdge edge;
    QPainter painter(this);
    const QColor parentColor = parentWidget() ? parentWidget()->palette().color(QPalette::Window)
                                              : toQColor(clBtnFace);
    if (m_style != ebsGlyphEh) {
        const int pressed = (m_state == bsDown || m_state == bsExclusive) ? m_pressedPart : 0;
        DrawButtonControlFace(painter, rect(), parentColor, FaceOfStyle(m_style), pressed, m_flat, m_active,
                              isEnabled(), 0);
        return;
    }
    const bool down = m_state == bsDown || m_state == bsExclusive;
    if (m_flat) {
        painter.save();
        painter.setClipRect(rect().adjusted(1, 1, -1, -1));
        PaintGlyphFace(painter);
        painter.restore();
        if (m_active)
            DrawEdge(painter, rect(), down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        else
            FrameRect(painter, rect(), parentColor);
    } else {
        PaintGlyphFace(painter);
    }
} catch (...) {
    endAtHandlerEdge();
}

void TEditButtonControlEh::PaintGlyphFace(QPainter &Painter)
{
    const bool down = m_state == bsDown || m_state == bsExclusive;
    Painter.fillRect(rect(), toQColor(clBtnFace));
    if (!m_flat)
        DrawEdge(Painter, rect(), down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int shift = m_state == bsDown ? 1 : 0;
    QRect content = rect().translated(shift, shift);
    if (!m_glyph.isNull()) {
        // An image narrower than its glyph count holds fewer glyphs, each at least a pixel wide: draw those.
        const int count = std::min(m_numGlyphs, m_glyph.width());
        const int w = m_glyph.width() / count;
        int index = 0;
        if (m_state == bsDisabled && count > 1)
            index = 1;
        else if (m_state == bsDown && count > 2)
            index = 2;
        else if (m_state == bsExclusive && count > 3)
            index = 3;
        const QRect source(index * w, 0, w, m_glyph.height());
        QRect target(QPoint(0, 0), source.size());
        target.moveCenter(content.center());
        Painter.drawPixmap(target, m_glyph, source);
    }
    if (!m_caption.isEmpty()) {
        Painter.setFont(font());
        Painter.setPen(isEnabled() ? (m_captionColor.isValid() ? m_captionColor : toQColor(clBtnText))
                                   : toQColor(clGrayText));
        Painter.drawText(content, Qt::AlignCenter | Qt::TextShowMnemonic, m_caption);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Owner layout of edit buttons
// ---------------------------------------------------------------------------------------------------------

int LayoutEditButtons(QWidget *Host, std::vector<TEditButtonSlotEh> &Slots, const QRect &ClientRect, bool Flat,
                      bool RightToLeft, TEditButtonHeightRuleEh HeightRule)
{
    std::vector<int> widths;
    int height = ClientRect.height();
    for (TEditButtonSlotEh &slot : Slots) {
        if (!slot.Control) {
            slot.Control = slot.Settings->CreateEditButtonControl();
            slot.Control->setParent(Host);
        }
        if (!slot.Separator) {
            slot.Separator = new QWidget(Host);
            slot.Separator->setAutoFillBackground(true);
        }
        TEditButtonControlEh *control = slot.Control;
        const bool visible = slot.Settings->Visible();
        control->setVisible(visible);
        control->SetStyle(slot.Settings->Style());
        control->SetGlyph(slot.Settings->GetGlyph());
        control->SetNumGlyphs(slot.Settings->NumGlyphs());
        control->setToolTip(slot.Settings->Hint());
        control->SetFlat(Flat);
        int width = 0;
        if (visible) {
            width = slot.Settings->Width();
            if (width <= 0)
                width = Flat ? FlatButtonWidth() : ScrollBarExtent();
            if (roundHalfEven(width * 3.0 / 2.0) < height) {
                const int h = HeightRule == TEditButtonHeightRuleEh::Editor ? EditButtonHeightForWidth(width, Flat)
                                                                            : width;
                height = std::min(height, h);
            }
        }
        widths.push_back(width);
        slot.Separator->setVisible(visible && Flat);
    }
    int total = 0;
    int x = RightToLeft ? ClientRect.left() : ClientRect.left() + ClientRect.width();
    for (std::size_t i = Slots.size(); i-- > 0;) {
        TEditButtonControlEh *control = Slots[i].Control;
        QWidget *separator = Slots[i].Separator;
        const int sepWidth = separator->isVisibleTo(Host) ? 1 : 0;
        if (RightToLeft) {
            control->setGeometry(x, ClientRect.top(), widths[i], height);
            separator->setGeometry(x + widths[i], ClientRect.top(), sepWidth, height);
            x += widths[i] + sepWidth;
        } else {
            x -= widths[i];
            control->setGeometry(x, ClientRect.top(), widths[i], height);
            x -= sepWidth;
            separator->setGeometry(x, ClientRect.top(), sepWidth, height);
        }
        total += widths[i] + sepWidth;
    }
    return total;
}

void PopUpEditButtonMenu(TEditButtonControlEh *Control, QMenu *Menu, const std::function<void(bool Closing)> &OnClosed)
{
    const QPoint corner = Menu->layoutDirection() == Qt::RightToLeft ? Control->rect().bottomRight()
                                                                      : Control->rect().bottomLeft();
    QObject::connect(Menu, &QMenu::aboutToHide, Control, [Control, OnClosed] {
        guard([&] { OnClosed(true); });
        QTimer::singleShot(0, Control, [OnClosed] { guard([&] { OnClosed(false); }); });
    }, Qt::SingleShotConnection);
    Menu->popup(Control->mapToGlobal(corner + QPoint(0, 1)));
}
