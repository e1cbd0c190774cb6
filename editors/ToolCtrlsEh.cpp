#include "ToolCtrlsEh.h"

#include "Formats.h"
#include "Services.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QStyledItemDelegate>
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
{
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
}

void TEditButtonControlEh::mouseMoveEvent(QMouseEvent *Event)
{
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
}

void TEditButtonControlEh::mouseReleaseEvent(QMouseEvent *Event)
{
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
}

void TEditButtonControlEh::Click()
{
    if (m_suppressClick)
        return;
    if (OnClick)
        OnClick(this);
}

void TEditButtonControlEh::changeEvent(QEvent *Event)
{
    if (Event->type() == QEvent::EnabledChange) {
        m_state = isEnabled() ? (m_down ? bsExclusive : bsUp) : bsDisabled;
        update();
    }
    QWidget::changeEvent(Event);
}

void TEditButtonControlEh::StartRepeatTimer(int Interval)
{
    if (!m_repeatTimer) {
        m_repeatTimer = new QTimer(this);
        connect(m_repeatTimer, &QTimer::timeout, this, &TEditButtonControlEh::RepeatTimerFired);
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
{
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

// ---------------------------------------------------------------------------------------------------------
// MRU list
// ---------------------------------------------------------------------------------------------------------

namespace {

PendingKeyProbeEh &pendingKeyProbe()
{
    static PendingKeyProbeEh probe;
    return probe;
}

bool IsBlankOrControl(QChar c)
{
    return c.unicode() <= 32;
}

} // namespace

void SetPendingKeyProbe(PendingKeyProbeEh Probe)
{
    pendingKeyProbe() = std::move(Probe);
}

TMRUListEh::TMRUListEh(QObject *Owner)
    : m_owner(Owner)
{
}

void TMRUListEh::Assign(const TMRUListEh &Source)
{
    SetActive(Source.m_active);
    m_items = Source.m_items;
    m_limit = Source.m_limit;
    m_rows = Source.m_rows;
    CaseSensitive = Source.CaseSensitive;
}

void TMRUListEh::CloseUp(bool Accept)
{
    if (OnCloseUpRequest)
        OnCloseUpRequest(this, Accept);
}

void TMRUListEh::DropDown()
{
    if (OnDropDownRequest)
        OnDropDownRequest(this);
}

void TMRUListEh::SetActive(bool Value)
{
    if (m_active == Value)
        return;
    m_active = Value;
    if (OnActiveToggled)
        OnActiveToggled(this);
}

void TMRUListEh::SetItems(const QStringList &Value)
{
    m_items = Value;
}

void TMRUListEh::SetLimit(int Value)
{
    m_limit = Value;
    ApplyLimit();
}

void TMRUListEh::ApplyLimit()
{
    while (m_items.size() > std::max(m_limit, 0))
        m_items.removeFirst();
}

void TMRUListEh::Add(const QString &Text)
{
    const auto blank = std::all_of(Text.begin(), Text.end(), IsBlankOrControl);
    if (blank)
        return;
    int found = -1;
    for (int i = 0; i < m_items.size() && found < 0; ++i) {
        const bool same = CaseSensitive ? m_items[i] == Text : CompareTextIgnoreCase(m_items[i], Text) == 0;
        if (same)
            found = i;
    }
    if (found >= 0)
        m_items.move(found, m_items.size() - 1);
    else
        m_items.append(Text);
    ApplyLimit();
}

bool TMRUListEh::FilterItems(QStringList &Dest, const QString &Text)
{
    Dest.clear();
    const PendingKeyProbeEh &probe = pendingKeyProbe();
    for (int i = 0; i < m_items.size(); ++i) {
        if (i % 100 == 0 && StopOnPendingKey && probe && probe())
            return false;
        const QString head = m_items[i].left(Text.size());
        bool accept = CaseSensitive ? CompareTextCaseSensitive(head, Text) == 0
                                    : CompareTextIgnoreCase(head, Text) == 0;
        if (OnAcceptItem)
            OnAcceptItem(this, m_items[i], accept);
        if (accept)
            Dest.append(m_items[i]);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Drop-down placement
// ---------------------------------------------------------------------------------------------------------

QPoint PlaceDropDownInWorkArea(const QRect &AnchorRect, const QRect &WorkArea, QSize &Size, TDropDownAlign Align,
                               TDropDownSideEh Sides[2])
{
    // Rectangles are taken with exclusive right and bottom edges, as the windows' bounds are.
    const int anchorBottom = AnchorRect.top() + AnchorRect.height();
    const int anchorRight = AnchorRect.left() + AnchorRect.width();
    const int workBottom = WorkArea.top() + WorkArea.height();
    const int workRight = WorkArea.left() + WorkArea.width();
    int h = Size.height();
    int w = Size.width();
    const bool fitsBelow = anchorBottom + h <= workBottom;
    const bool fitsAbove = AnchorRect.top() - h >= WorkArea.top();
    const int roomBelow = workBottom - anchorBottom;
    const int roomAbove = AnchorRect.top() - WorkArea.top();
    int y;
    if ((!fitsBelow && fitsAbove) || (!fitsBelow && !fitsAbove && roomBelow < roomAbove)) {
        if (!fitsAbove)
            h = roomAbove;
        y = AnchorRect.top() - h;
        Sides[0] = ddsGripTop;
    } else {
        if (!fitsBelow)
            h = roomBelow;
        y = anchorBottom;
        Sides[0] = ddsGripBottom;
    }

    int x = AnchorRect.left();
    if (Align == daRight)
        x = anchorRight - w;
    else if (Align == daCenter)
        x = AnchorRect.left() - (w - AnchorRect.width()) / 2;
    if (WorkArea.width() < w)
        w = WorkArea.width();
    if (x + w > workRight) {
        x = workRight - w;
        Sides[1] = ddsGripLeft;
    } else if (x < WorkArea.left()) {
        x = WorkArea.left();
        Sides[1] = ddsGripRight;
    } else {
        Sides[1] = Align == daRight ? ddsGripLeft : ddsGripRight;
    }
    Size = QSize(w, h);
    return QPoint(x, y);
}

QRect DropDownWorkArea(const QRect &AnchorRect)
{
    return ScreenWorkArea(AnchorRect.center());
}

QPoint PlaceDropDownWindow(const QRect &AnchorRect, QWidget *DropDown, TDropDownAlign Align)
{
    QSize size = DropDown->size();
    TDropDownSideEh sides[2];
    const QPoint at = PlaceDropDownInWorkArea(AnchorRect, DropDownWorkArea(AnchorRect), size, Align, sides);
    if (size != DropDown->size())
        DropDown->resize(size);
    if (auto *follower = dynamic_cast<IDropDownSideEh *>(DropDown)) {
        follower->DropDownSideChanged(sides[0]);
        follower->DropDownSideChanged(sides[1]);
    }
    return at;
}

QPoint PlaceDropDownForControl(QWidget *EditControl, QWidget *DropDown, TDropDownAlign Align)
{
    const QRect bounds = EditControl->geometry();
    const QPoint topLeft = EditControl->parentWidget() ? EditControl->parentWidget()->mapToGlobal(bounds.topLeft())
                                                       : bounds.topLeft();
    return PlaceDropDownWindow(QRect(topLeft, bounds.size()), DropDown, Align);
}

// ---------------------------------------------------------------------------------------------------------
// Drop-down window behaviour
// ---------------------------------------------------------------------------------------------------------

TDropDownBehaviorEh::TDropDownBehaviorEh(QWidget *DropDown, QObject *Owner)
    : QObject(DropDown)
    , m_dropDown(DropDown)
    , m_owner(Owner)
{
    MakeDropDownWindow(DropDown);
    qApp->installEventFilter(this);
}

void TDropDownBehaviorEh::MakeDropDownWindow(QWidget *DropDown)
{
    DropDown->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                             | Qt::WindowStaysOnTopHint);
    DropDown->setAttribute(Qt::WA_ShowWithoutActivating);
    DropDown->setFocusPolicy(Qt::NoFocus);
}

IPopupOwnerEh *TDropDownBehaviorEh::PopupOwner() const
{
    return dynamic_cast<IPopupOwnerEh *>(m_owner.data());
}

bool TDropDownBehaviorEh::CloseUp(bool Accept)
{
    IPopupOwnerEh *owner = PopupOwner();
    if (!owner)
        return false;
    owner->CloseUp(Accept);
    return true;
}

void TDropDownBehaviorEh::PostDeferredCloseUp()
{
    QMetaObject::invokeMethod(this, [this] { CloseUp(false); }, Qt::QueuedConnection);
}

bool TDropDownBehaviorEh::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() != QEvent::MouseButtonPress || !m_dropDown->isVisible())
        return false;
    auto *target = qobject_cast<QWidget *>(Watched);
    if (!target)
        return false;
    const auto inside = [target](QObject *o) {
        auto *w = qobject_cast<QWidget *>(o);
        return w && (w == target || w->isAncestorOf(target));
    };
    // The owner's own clicks (its drop-down button among them) are the owner's to handle.
    if (inside(m_dropDown) || inside(m_owner))
        return false;
    CloseUp(false);
    return false;
}

// ---------------------------------------------------------------------------------------------------------
// Size grip
// ---------------------------------------------------------------------------------------------------------

namespace {

QRect ClientRectOf(const QWidget *W)
{
    if (const auto *frame = qobject_cast<const QFrame *>(W))
        return frame->contentsRect();
    return W->rect();
}

QColor SysColor(TColor C)
{
    return toQColor(C);
}

} // namespace

TSizeGripEh::TSizeGripEh(QWidget *Parent)
    : QWidget(Parent)
{
    const int extent = ScrollBarExtent();
    resize(extent, extent);
    setAutoFillBackground(false);
    UpdateWindowRegion();
}

void TSizeGripEh::SetPosition(TSizeGripPosition Value)
{
    if (m_position == Value)
        return;
    m_position = Value;
    UpdateWindowRegion();
}

void TSizeGripEh::SetTriangleWindow(bool Value)
{
    if (m_triangleWindow == Value)
        return;
    m_triangleWindow = Value;
    UpdateWindowRegion();
}

void TSizeGripEh::ChangeGripSide(int Side)
{
    TSizeGripPosition p = m_position;
    switch (Side) {
    case ddsGripLeft:
        p = p == sgpTopRight ? sgpTopLeft : (p == sgpBottomRight ? sgpBottomLeft : p);
        break;
    case ddsGripRight:
        p = p == sgpTopLeft ? sgpTopRight : (p == sgpBottomLeft ? sgpBottomRight : p);
        break;
    case ddsGripTop:
        p = p == sgpBottomRight ? sgpTopRight : (p == sgpBottomLeft ? sgpTopLeft : p);
        break;
    case ddsGripBottom:
        p = p == sgpTopRight ? sgpBottomRight : (p == sgpTopLeft ? sgpBottomLeft : p);
        break;
    default:
        break;
    }
    SetPosition(p);
}

void TSizeGripEh::UpdateGripPosition()
{
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    const QRect client = ClientRectOf(parent);
    QPoint at = client.topLeft();
    switch (m_position) {
    case sgpTopRight:
        at.rx() += client.width() - width();
        break;
    case sgpBottomRight:
        at += QPoint(client.width() - width(), client.height() - height());
        break;
    case sgpBottomLeft:
        at.ry() += client.height() - height();
        break;
    default:
        break;
    }
    m_repositioning = true;
    move(at);
    m_repositioning = false;
}

void TSizeGripEh::UpdateWindowRegion()
{
    const int w = width(), h = height();
    if (m_triangleWindow) {
        QPolygon triangle;
        switch (m_position) {
        case sgpBottomRight:
            triangle << QPoint(0, h) << QPoint(w, h) << QPoint(w, 0);
            break;
        case sgpBottomLeft:
            triangle << QPoint(w, h) << QPoint(0, h) << QPoint(0, 0);
            break;
        case sgpTopLeft:
            triangle << QPoint(w - 1, 0) << QPoint(0, 0) << QPoint(0, h - 1);
            break;
        case sgpTopRight:
            triangle << QPoint(w, h - 1) << QPoint(w, 0) << QPoint(1, 0);
            break;
        }
        setMask(QRegion(triangle, Qt::WindingFill));
    } else {
        clearMask();
    }
    UpdateGripPosition();
    setCursor(m_position == sgpTopLeft || m_position == sgpBottomRight ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    update();
}

void TSizeGripEh::ParentResized()
{
    if (OnParentResized)
        OnParentResized(this);
}

void TSizeGripEh::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), SysColor(clBtnFace));
    const int w = width(), h = height();
    const QColor colours[4] = {SysColor(clBtnHighlight), SysColor(clBtnShadow), SysColor(clBtnShadow),
                               SysColor(clBtnFace)};
    // Lines run parallel to the diagonal that faces the grip's corner, one group of four every 4 pixels.
    for (int start = 1; start < std::max(w, h); start += 4) {
        for (int k = 0; k < 4; ++k) {
            const int d = start + k;
            p.setPen(colours[k]);
            switch (m_position) {
            case sgpBottomRight:
                p.drawLine(w - d, h - 1, w - 1, h - d);
                break;
            case sgpBottomLeft:
                p.drawLine(d - 1, h - 1, 0, h - d);
                break;
            case sgpTopLeft:
                p.drawLine(d - 1, 0, 0, d - 1);
                break;
            case sgpTopRight:
                p.drawLine(w - d, 0, w - 1, d - 1);
                break;
            }
        }
    }
}

void TSizeGripEh::mousePressEvent(QMouseEvent *Event)
{
    QWidget::mousePressEvent(Event);
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    m_startPos = Event->globalPosition().toPoint();
    m_lastPos = m_startPos;
    m_parentSize = parent->size();
    m_parentClientSize = ClientRectOf(parent).size();
}

void TSizeGripEh::mouseMoveEvent(QMouseEvent *Event)
{
    QWidget *parent = parentWidget();
    if (!parent || !(Event->buttons() & Qt::LeftButton) || m_repositioning)
        return;
    const QPoint pos = Event->globalPosition().toPoint();
    if (pos == m_lastPos)
        return;
    const QRect work = ScreenWorkArea(QGuiApplication::primaryScreen()->geometry().center());
    const QSize oldClient = ClientRectOf(parent).size();
    const QSize frame = m_parentSize - m_parentClientSize;
    QRect bounds = parent->geometry();
    if (parent->isWindow())
        bounds = QRect(parent->pos(), parent->size());
    const int workRight = work.left() + work.width(), workBottom = work.top() + work.height();

    if (m_position == sgpTopRight || m_position == sgpBottomRight) {
        int clientWidth = m_parentClientSize.width() + pos.x() - m_startPos.x();
        const int right = bounds.left() + clientWidth + frame.width();
        if (right > workRight)
            clientWidth -= right - workRight;
        bounds.setWidth(clientWidth + frame.width());
    } else {
        int newWidth = m_parentSize.width() + m_startPos.x() - pos.x();
        const int right = bounds.left() + bounds.width();
        if (right - newWidth < work.left())
            newWidth = right - work.left();
        bounds.setLeft(right - newWidth);
    }
    if (m_position == sgpBottomLeft || m_position == sgpBottomRight) {
        int clientHeight = m_parentClientSize.height() + pos.y() - m_startPos.y();
        const int bottom = bounds.top() + clientHeight + frame.height();
        if (bottom > workBottom)
            clientHeight -= bottom - workBottom;
        bounds.setHeight(clientHeight + frame.height());
    } else {
        int newHeight = m_parentSize.height() + m_startPos.y() - pos.y();
        const int bottom = bounds.top() + bounds.height();
        if (bottom - newHeight < work.top())
            newHeight = bottom - work.top();
        bounds.setTop(bottom - newHeight);
    }
    parent->setGeometry(bounds);
    m_lastPos = pos;
    if (ClientRectOf(parent).size() != oldClient)
        ParentResized();
    UpdateGripPosition();
}

void TSizeGripEh::moveEvent(QMoveEvent *Event)
{
    QWidget::moveEvent(Event);
    if (!m_repositioning)
        UpdateGripPosition();
}

// ---------------------------------------------------------------------------------------------------------
// Month calendar
// ---------------------------------------------------------------------------------------------------------

TPopupMonthCalendarEh::TPopupMonthCalendarEh(QObject *Owner)
    : QCalendarWidget(qobject_cast<QWidget *>(Owner))
    , m_behavior(new TDropDownBehaviorEh(this, Owner))
{
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setContentsMargins(m_frameWidth, m_frameWidth, m_frameWidth, m_frameWidth);
    // A click on a day accepts it; clicks on the month arrows and the title only browse.
    connect(this, &QCalendarWidget::clicked, this, [this] { m_behavior->CloseUp(true); });
    for (QWidget *child : findChildren<QWidget *>()) {
        child->setFocusPolicy(Qt::NoFocus);
        child->installEventFilter(this);
    }
    adjustSize();
}

bool TPopupMonthCalendarEh::HandleKey(QKeyEvent *Event)
{
    const int key = Event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        m_behavior->CloseUp(key != Qt::Key_Escape);
        return true;
    }
    auto *view = findChild<QAbstractItemView *>();
    if (!view || m_forwardingKey)
        return false;
    QKeyEvent copy(Event->type(), key, Event->modifiers(), Event->text());
    m_forwardingKey = true;
    QCoreApplication::sendEvent(view, &copy);
    m_forwardingKey = false;
    return copy.isAccepted();
}

bool TPopupMonthCalendarEh::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent *>(Event));
        return true;
    }
    if (Event->type() == QEvent::KeyPress && !m_forwardingKey)
        return HandleKey(static_cast<QKeyEvent *>(Event));
    return QCalendarWidget::eventFilter(Watched, Event);
}

void TPopupMonthCalendarEh::wheelEvent(QWheelEvent *Event)
{
    const int delta = Event->angleDelta().y();
    if (delta < 0)
        setSelectedDate(selectedDate().addDays(1));
    else if (delta > 0)
        setSelectedDate(selectedDate().addDays(-1));
    Event->accept();
}

// ---------------------------------------------------------------------------------------------------------
// Drop-down list boxes
// ---------------------------------------------------------------------------------------------------------

namespace {

constexpr int SearchTextLimit = 32;
constexpr qint64 SearchPauseMs = 2000;

// Rows of a list with images: the image cell, then the text, in the highlight colours when selected.
class ImageRowDelegate : public QStyledItemDelegate
{
public:
    explicit ImageRowDelegate(TPopupListboxEh *List)
        : QStyledItemDelegate(List)
        , m_list(List)
    {
    }

    void paint(QPainter *Painter, const QStyleOptionViewItem &Option, const QModelIndex &Index) const override
    {
        const TImageList *images = m_list->Images();
        const bool selected = Option.state & QStyle::State_Selected;
        const QRect r = Option.rect;
        Painter->save();
        Painter->fillRect(r, toQColor(selected ? clHighlight : clWindow));
        int imageIndex = Index.row();
        if (m_list->OnGetImageIndex)
            m_list->OnGetImageIndex(m_list->parent(), Index.row(), imageIndex);
        const bool rtl = m_list->layoutDirection() == Qt::RightToLeft;
        const int cell = images->Width() + 4;
        const QRect imageCell = rtl ? QRect(r.right() + 1 - cell, r.top(), cell, r.height())
                                    : QRect(r.left(), r.top(), cell, r.height());
        DrawClippedImage(*Painter, imageCell, images, imageIndex, selected);
        Painter->setFont(Option.font);
        Painter->setPen(toQColor(selected ? clHighlightText : clWindowText));
        const QString text = Index.data(Qt::DisplayRole).toString();
        const QRect textRect = rtl ? QRect(r.left(), r.top(), r.width() - cell - 2, r.height())
                                   : QRect(r.left() + images->Width() + 5, r.top(), r.width(), r.height());
        Painter->drawText(textRect, Qt::AlignTop | (rtl ? Qt::AlignRight : Qt::AlignLeft), text);
        Painter->restore();
    }

private:
    TPopupListboxEh *m_list;
};

} // namespace

void TPopupListboxEh::SetImages(const TImageList *Images)
{
    m_images = Images;
    QAbstractItemDelegate *old = itemDelegate();
    if (Images)
        setItemDelegate(new ImageRowDelegate(this));
    else
        setItemDelegate(new QStyledItemDelegate(this));
    if (old && old->parent() == this)
        old->deleteLater();
    viewport()->update();
}

TPopupListboxEh::TPopupListboxEh(QObject *Owner)
    : QListWidget(qobject_cast<QWidget *>(Owner))
    , m_sizeGrip(new TSizeGripEh(this))
    , m_behavior(new TDropDownBehaviorEh(this, Owner))
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setMouseTracking(true);
    viewport()->setFocusPolicy(Qt::NoFocus);
    m_sizeGrip->raise();
}

int TPopupListboxEh::GetTextHeight() const
{
    return QFontMetrics(font()).height();
}

int TPopupListboxEh::ItemHeight() const
{
    const int h = count() > 0 ? sizeHintForRow(0) : 0;
    return h > 0 ? h : GetTextHeight();
}

int TPopupListboxEh::BorderHeight() const
{
    return 2 * frameWidth();
}

void TPopupListboxEh::SetRowCount(int Rows)
{
    m_rowCount = std::max(Rows, 1);
    resize(width(), m_rowCount * ItemHeight() + BorderHeight());
}

void TPopupListboxEh::SetBoundsInRows(int Left, int Top, int Width, int Height)
{
    const int rows = std::max((Height - BorderHeight()) / ItemHeight(), 1);
    m_rowCount = rows;
    const int minWidth = ScrollBarExtent();
    setGeometry(Left, Top, std::max(Width, minWidth), std::max(BorderHeight() + rows * ItemHeight(), minWidth));
}

void TPopupListboxEh::DropDownSideChanged(TDropDownSideEh Side)
{
    m_sizeGrip->ChangeGripSide(Side);
}

void TPopupListboxEh::resizeEvent(QResizeEvent *Event)
{
    QListWidget::resizeEvent(Event);
    m_sizeGrip->UpdateGripPosition();
    m_resized = true;
}

void TPopupListboxEh::mouseMoveEvent(QMouseEvent *Event)
{
    const QPoint pos = Event->position().toPoint();
    if (Event->buttons() == Qt::NoButton && pos != m_lastMousePos) {
        m_lastMousePos = pos;
        const QModelIndex index = indexAt(pos);
        if (index.isValid())
            setCurrentRow(index.row());
        return;
    }
    QListWidget::mouseMoveEvent(Event);
}

void TPopupListboxEh::wheelEvent(QWheelEvent *Event)
{
    const int delta = Event->angleDelta().y();
    if (delta != 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + (delta < 0 ? 1 : -1));
    Event->accept();
}

bool TPopupListboxEh::HandleKeyPress(const QString &Text, int Key)
{
    if (Key == Qt::Key_Backspace || Key == Qt::Key_Escape) {
        m_searchText.clear();
        return false;
    }
    if (Text.size() != 1 || Text[0].unicode() < 32 || Text[0] == QChar(127))
        return false;
    const qint64 now = qint64(Services::clock()->tickCount());
    if (now - m_lastSearchTick > SearchPauseMs)
        m_searchText.clear();
    m_lastSearchTick = now;
    if (m_searchText.size() < SearchTextLimit)
        m_searchText += Text;
    for (int i = 0; i < count(); ++i) {
        if (CompareTextIgnoreCase(item(i)->text().left(m_searchText.size()), m_searchText) == 0) {
            setCurrentRow(i);
            break;
        }
    }
    return true;
}

void TPopupListboxEh::keyPressEvent(QKeyEvent *Event)
{
    if (HandleKeyPress(Event->text(), Event->key()))
        Event->accept();
    else
        QListWidget::keyPressEvent(Event);
}

TMRUListboxEh::TMRUListboxEh(QObject *Owner)
    : TPopupListboxEh(Owner)
    , m_scrollBar(new QScrollBar(Qt::Vertical, this))
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->resize(ScrollBarExtent(), height());
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int v) {
        if (!m_updating)
            verticalScrollBar()->setValue(v);
    });
    UpdateScrollBar();
}

void TMRUListboxEh::PlaceScrollBar()
{
    const QRect client = contentsRect();
    const int barWidth = m_scrollBar->width();
    int top = client.top();
    int bottom = client.top() + client.height();
    if (m_sizeGrip->Position() == sgpBottomRight)
        bottom -= m_sizeGrip->height();
    else if (m_sizeGrip->Position() == sgpTopRight)
        top += m_sizeGrip->height();
    m_scrollBar->setGeometry(client.left() + client.width() - barWidth, top, barWidth, bottom - top);
}

void TMRUListboxEh::UpdateScrollBar()
{
    m_updating = true;
    PlaceScrollBar();
    const int visibleRows = contentsRect().height() / std::max(ItemHeight(), 1);
    if (count() > 0 && count() > visibleRows) {
        m_scrollBar->setRange(0, count() - visibleRows);
        m_scrollBar->setPageStep(visibleRows);
        m_scrollBar->setValue(verticalScrollBar()->value());
        m_scrollBar->show();
        setViewportMargins(0, 0, m_scrollBar->width(), 0);
        const TSizeGripPosition p = m_sizeGrip->Position();
        m_sizeGrip->SetTriangleWindow(p != sgpTopRight && p != sgpBottomRight);
    } else {
        m_scrollBar->hide();
        setViewportMargins(0, 0, 0, 0);
        m_sizeGrip->SetTriangleWindow(true);
    }
    m_sizeGrip->raise();
    m_updating = false;
}

void TMRUListboxEh::DropDownSideChanged(TDropDownSideEh Side)
{
    TPopupListboxEh::DropDownSideChanged(Side);
    UpdateScrollBar();
}

void TMRUListboxEh::resizeEvent(QResizeEvent *Event)
{
    TPopupListboxEh::resizeEvent(Event);
    UpdateScrollBar();
}

void TMRUListboxEh::rowsInserted(const QModelIndex &Parent, int Start, int End)
{
    TPopupListboxEh::rowsInserted(Parent, Start, End);
    UpdateScrollBar();
}

void TMRUListboxEh::scrollContentsBy(int Dx, int Dy)
{
    TPopupListboxEh::scrollContentsBy(Dx, Dy);
    UpdateScrollBar();
}

// ---------------------------------------------------------------------------------------------------------
// Special row
// ---------------------------------------------------------------------------------------------------------

namespace {

bool IsControlChar(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 31;
}

// "A;B" gives two columns; a field in double quotes may hold semicolons, a doubled quote standing for one.
QStringList ParseCellsText(const QString &Text)
{
    QStringList cells;
    const int n = int(Text.size());
    int i = 0;
    while (i < n && IsControlChar(Text[i]))
        ++i;
    while (i < n) {
        QString field;
        if (Text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (Text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && Text[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += Text[i++];
            }
        } else {
            while (i < n && Text[i].unicode() >= 32 && Text[i] != QLatin1Char(';'))
                field += Text[i++];
        }
        cells.append(field);
        while (i < n && IsControlChar(Text[i]))
            ++i;
        if (i < n && Text[i] == QLatin1Char(';')) {
            ++i;
            while (i < n && IsControlChar(Text[i]))
                ++i;
        }
    }
    return cells;
}

} // namespace

TSpecRowEh::TSpecRowEh(QWidget *Owner)
    : m_owner(Owner)
    , m_shortCut(QKeySequence(Qt::ALT | Qt::Key_Delete))
    , m_value(Variant::Null())
{
    if (Owner)
        m_font.SetQFont(Owner->font());
    m_font.OnChange = [this] { FontChanged(); };
}

void TSpecRowEh::Assign(const TSpecRowEh &Source)
{
    BeginUpdate();
    SetCellsText(Source.m_cellsText);
    SetColor(Source.Color());
    if (Source.m_fontSet)
        SetFont(Source.m_font);
    m_shortCut = Source.m_shortCut;
    SetShowIfNotInKeyList(Source.m_showIfNotInKeyList);
    SetValue(Source.m_value);
    SetVisible(Source.m_visible);
    EndUpdate();
}

void TSpecRowEh::SetCellsText(const QString &Value)
{
    if (m_cellsText == Value)
        return;
    m_cellsText = Value;
    m_cellTexts = ParseCellsText(Value);
    Changed();
}

QString TSpecRowEh::GetCellText(int Index) const
{
    return Index >= 0 && Index < m_cellTexts.size() ? m_cellTexts[Index] : QString();
}

TColor TSpecRowEh::Color() const
{
    if (!m_colorSet && m_owner)
        return fromQColor(m_owner->palette().color(QPalette::Base));
    return m_color;
}

void TSpecRowEh::SetColor(TColor Value)
{
    if (Color() == Value && m_colorSet)
        return;
    m_color = Value;
    m_colorSet = true;
    Changed();
}

const TFont &TSpecRowEh::Font()
{
    if (!m_fontSet && m_owner && m_font.qfont() != m_owner->font()) {
        auto onChange = std::move(m_font.OnChange);
        m_font.OnChange = nullptr;
        m_font.SetQFont(m_owner->font());
        m_font.OnChange = std::move(onChange);
    }
    return m_font;
}

void TSpecRowEh::SetFont(const TFont &Value)
{
    m_font.Assign(Value);
}

void TSpecRowEh::FontChanged()
{
    Changed();
    m_fontSet = true;
}

void TSpecRowEh::SetShowIfNotInKeyList(bool Value)
{
    if (m_showIfNotInKeyList == Value)
        return;
    m_showIfNotInKeyList = Value;
    Changed();
}

void TSpecRowEh::SetValue(const Variant &Value)
{
    if (SameVariantValues(m_value, Value))
        return;
    m_value = Value;
    Changed();
}

void TSpecRowEh::SetVisible(bool Value)
{
    if (m_visible == Value)
        return;
    m_visible = Value;
    Changed();
}

bool TSpecRowEh::MatchesValue(const Variant &KeyValue) const
{
    return m_visible && SameVariantValues(m_value, KeyValue);
}

void TSpecRowEh::EndUpdate()
{
    if (m_changeLock > 0)
        --m_changeLock;
    Changed();
}

void TSpecRowEh::Changed()
{
    if (m_changeLock == 0 && OnRowChanged)
        OnRowChanged(this);
}
