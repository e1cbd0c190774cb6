#include "ToolCtrlsEh.h"

#include "Formats.h"
#include "Guard.h"
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
    QMetaObject::invokeMethod(this, [this] { guard([this] { CloseUp(false); }); }, Qt::QueuedConnection);
}

bool TDropDownBehaviorEh::eventFilter(QObject *Watched, QEvent *Event)
try {
    const HandlerEdge edge;
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
} catch (...) {
    endAtHandlerEdge();
    return true;
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
try {
    const HandlerEdge edge;
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
} catch (...) {
    endAtHandlerEdge();
}

void TSizeGripEh::mousePressEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
    QWidget::mousePressEvent(Event);
    QWidget *parent = parentWidget();
    if (!parent)
        return;
    m_startPos = Event->globalPosition().toPoint();
    m_lastPos = m_startPos;
    m_parentSize = parent->size();
    m_parentClientSize = ClientRectOf(parent).size();
} catch (...) {
    endAtHandlerEdge();
}

void TSizeGripEh::mouseMoveEvent(QMouseEvent *Event)
try {
    const HandlerEdge edge;
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
} catch (...) {
    endAtHandlerEdge();
}

void TSizeGripEh::moveEvent(QMoveEvent *Event)
try {
    const HandlerEdge edge;
    QWidget::moveEvent(Event);
    if (!m_repositioning)
        UpdateGripPosition();
} catch (...) {
    endAtHandlerEdge();
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
    connect(this, &QCalendarWidget::clicked, this, [this] { guard([this] { m_behavior->CloseUp(true); }); });
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
try {
    const HandlerEdge edge;
    if (Event->type() == QEvent::Wheel) {
        wheelEvent(static_cast<QWheelEvent *>(Event));
        return true;
    }
    if (Event->type() == QEvent::KeyPress && !m_forwardingKey)
        return HandleKey(static_cast<QKeyEvent *>(Event));
    return QCalendarWidget::eventFilter(Watched, Event);
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TPopupMonthCalendarEh::wheelEvent(QWheelEvent *Event)
try {
    const HandlerEdge edge;
    const int delta = Event->angleDelta().y();
    if (delta < 0)
        setSelectedDate(selectedDate().addDays(1));
    else if (delta > 0)
        setSelectedDate(selectedDate().addDays(-1));
    Event->accept();
} catch (...) {
    endAtHandlerEdge();
}
