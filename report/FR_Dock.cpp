#include "FR_Dock.h"

#include "FR_Globals.h"

#include "Registry.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QChildEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

const char AlignProperty[] = "frAlign";
constexpr int DragBoxSize = 11;
// Room between a toolbar's edge and its items.
constexpr int ToolBarInset = 2;
constexpr int FloatDistance = 20;

std::vector<QWidget *> VisibleChildWidgets(const QWidget *Parent)
{
    std::vector<QWidget *> out;
    for (QObject *o : Parent->children())
        if (auto *w = qobject_cast<QWidget *>(o); w && !w->isWindow() && !w->isHidden())
            out.push_back(w);
    return out;
}

int Right(const QWidget *W)
{
    return W->x() + W->width();
}

int Bottom(const QWidget *W)
{
    return W->y() + W->height();
}

// The alignment an item takes on a toolbar: along the toolbar's dock.
void AlignToToolBar(QWidget *Item)
{
    auto *toolBar = qobject_cast<TfrToolBar *>(Item->parentWidget());
    if (!toolBar)
        return;
    const TAlign parentAlign = toolBar->parentWidget() ? GetControlAlign(toolBar->parentWidget()) : alNone;
    SetControlAlign(Item, parentAlign == alLeft || parentAlign == alRight ? alTop : alLeft);
}

} // namespace

TAlign GetControlAlign(const QWidget *Control)
{
    const QVariant v = Control->property(AlignProperty);
    return v.isValid() ? TAlign(v.toInt()) : alNone;
}

void SetControlAlign(QWidget *Control, TAlign Align)
{
    if (GetControlAlign(Control) == Align && Control->property(AlignProperty).isValid())
        return;
    Control->setProperty(AlignProperty, int(Align));
    if (auto *toolBar = qobject_cast<TfrToolBar *>(Control->parentWidget()))
        toolBar->RealignItems();
}

QRect RealignDocks(QWidget *Form)
{
    QRect client = Form->rect();
    std::vector<TfrDock *> docks;
    for (QObject *o : Form->children())
        if (auto *dock = qobject_cast<TfrDock *>(o); dock && !dock->isHidden())
            docks.push_back(dock);
    for (TAlign pass : {alTop, alBottom, alLeft, alRight}) {
        for (TfrDock *dock : docks) {
            if (dock->Align() != pass)
                continue;
            const int depth = dock->Depth();
            switch (pass) {
            case alTop:
                dock->setGeometry(client.left(), client.top(), client.width(), depth);
                client.setTop(client.top() + depth);
                break;
            case alBottom:
                dock->setGeometry(client.left(), client.bottom() + 1 - depth, client.width(), depth);
                client.setBottom(client.bottom() - depth);
                break;
            case alLeft:
                dock->setGeometry(client.left(), client.top(), depth, client.height());
                client.setLeft(client.left() + depth);
                break;
            default:
                dock->setGeometry(client.right() + 1 - depth, client.top(), depth, client.height());
                client.setRight(client.right() - depth);
                break;
            }
        }
    }
    return client;
}

// ---------------------------------------------------------------------------------------------------------
// TfrDock
// ---------------------------------------------------------------------------------------------------------

TfrDock::TfrDock(QWidget *Form, TAlign Align)
    : QWidget(Form)
{
    SetControlAlign(this, Align);
    if (IsHorizontal())
        resize(Form ? Form->width() : 100, 1);
    else
        resize(1, Form ? Form->height() : 100);
    if (Form)
        Form->installEventFilter(this);
    setAutoFillBackground(false);
}

bool TfrDock::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == parent() && Event->type() == QEvent::Resize)
        RealignDocks(parentWidget());
    return QWidget::eventFilter(Watched, Event);
}

void TfrDock::SetDepth(int Value)
{
    if (IsHorizontal())
        resize(width(), Value);
    else
        resize(Value, height());
    if (parentWidget())
        RealignDocks(parentWidget());
}

void TfrDock::AdjustBounds()
{
    const std::vector<QWidget *> controls = VisibleChildWidgets(this);
    bool hasChildren = false;
    for (QObject *o : children())
        hasChildren = hasChildren || qobject_cast<QWidget *>(o);
    if (!hasChildren) {
        SetDepth(1);
        return;
    }
    const TAlign align = Align();
    const bool fromStart = align == alTop || align == alLeft;
    const bool horizontal = IsHorizontal();
    const int depth = Depth();
    const auto nearEdge = [&](QWidget *w) {
        switch (align) {
        case alTop:
            return w->y();
        case alBottom:
            return Bottom(w);
        case alLeft:
            return w->x();
        default:
            return Right(w);
        }
    };
    const auto startOf = [&](QWidget *w) { return horizontal ? w->y() : w->x(); };
    const auto endOf = [&](QWidget *w) { return horizontal ? Bottom(w) : Right(w); };

    int n = depth / m_rowSize;
    int c = n * m_rowSize + 1;
    for (int i = 0; i < n;) {
        const int line = fromStart ? i * m_rowSize : depth - i * m_rowSize;
        bool touched = false;
        for (QWidget *w : controls)
            touched = touched || nearEdge(w) == line || (startOf(w) < line && line < endOf(w));
        if (touched) {
            ++i;
            continue;
        }
        for (QWidget *w : controls) {
            const bool beyond = fromStart ? startOf(w) > line : endOf(w) > line;
            if (beyond)
                w->move(horizontal ? QPoint(w->x(), w->y() - m_rowSize) : QPoint(w->x() - m_rowSize, w->y()));
        }
        --n;
        c -= m_rowSize;
        if (!fromStart)
            ++i;
    }
    if (!fromStart) {
        for (QWidget *w : controls) {
            if (startOf(w) < 0) {
                const int shift = 1 - startOf(w);
                for (QWidget *v : controls)
                    v->move(horizontal ? QPoint(v->x(), v->y() + shift) : QPoint(v->x() + shift, v->y()));
                c += shift;
                break;
            }
        }
        for (QWidget *w : controls)
            c = std::max(c, endOf(w));
    } else {
        for (QWidget *w : controls) {
            if (endOf(w) > c) {
                c = endOf(w) + 1;
                break;
            }
        }
    }
    SetDepth(c);
}

void TfrDock::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(clBtnFace));
}

// ---------------------------------------------------------------------------------------------------------
// TfrDragBox
// ---------------------------------------------------------------------------------------------------------

TfrDragBox::TfrDragBox(TfrToolBar *ToolBar)
    : QWidget(ToolBar)
    , m_toolBar(ToolBar)
{
    setGeometry(0, 0, DragBoxSize, DragBoxSize);
    setCursor(Qt::SizeAllCursor);
}

void TfrDragBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(clBtnFace));
    const int kind = m_toolBar->DockKind();
    if (kind == 1) {
        DrawEdge(p, QRect(2, 0, 3, height()), BDR_RAISEDINNER, BF_RECT);
        DrawEdge(p, QRect(5, 0, 3, height()), BDR_RAISEDINNER, BF_RECT);
    } else if (kind == 3) {
        DrawEdge(p, QRect(0, 2, width(), 3), BDR_RAISEDINNER, BF_RECT);
        DrawEdge(p, QRect(0, 5, width(), 3), BDR_RAISEDINNER, BF_RECT);
    }
}

void TfrDragBox::mousePressEvent(QMouseEvent *Event)
{
    if (Event->button() == Qt::LeftButton)
        m_toolBar->DragStart(Event->globalPosition().toPoint());
}

void TfrDragBox::mouseMoveEvent(QMouseEvent *Event)
{
    m_toolBar->DragMove(Event->globalPosition().toPoint());
}

void TfrDragBox::mouseReleaseEvent(QMouseEvent *)
{
    m_toolBar->DragEnd();
}

// ---------------------------------------------------------------------------------------------------------
// TfrFloatWindow
// ---------------------------------------------------------------------------------------------------------

TfrFloatWindow::TfrFloatWindow(QWidget *OwnerForm, TfrToolBar *ToolBar)
    : QWidget(OwnerForm, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_toolBar(ToolBar)
    , m_ownerForm(OwnerForm)
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
}

TfrFloatWindow::~TfrFloatWindow()
{
    if (m_toolBar && m_toolBar->m_floatWindow == this)
        m_toolBar->m_floatWindow = nullptr;
    delete m_frame;
}

void TfrFloatWindow::ShowFrame(bool Show)
{
    if (!m_frame)
        m_frame = new QRubberBand(QRubberBand::Rectangle);
    m_frame->setGeometry(m_moveFrame);
    m_frame->setVisible(Show);
}

void TfrFloatWindow::StartMoving()
{
    grabMouse();
    m_grabOffset = QPoint(0, 0);
    m_moveFrame = QRect(QCursor::pos(), frameGeometry().size());
    ShowFrame(true);
    m_moving = true;
}

void TfrFloatWindow::mousePressEvent(QMouseEvent *Event)
{
    if (Event->button() != Qt::LeftButton)
        return;
    m_moveFrame = QRect(Event->globalPosition().toPoint(), frameGeometry().size());
    ShowFrame(true);
    m_moving = true;
}

void TfrFloatWindow::MoveFrame(const QPoint &GlobalPos)
{
    if (!m_moving)
        return;
    ShowFrame(false);
    m_moveFrame.moveTopLeft(GlobalPos);
    if (m_ownerForm && m_toolBar->TryDockAt(m_ownerForm, m_ownerForm->mapFromGlobal(GlobalPos)))
        return;
    ShowFrame(true);
}

void TfrFloatWindow::EndMoving()
{
    if (!m_moving)
        return;
    ShowFrame(false);
    move(m_moveFrame.topLeft());
    show();
    m_moving = false;
    releaseMouse();
}

void TfrFloatWindow::mouseMoveEvent(QMouseEvent *Event)
{
    // Docking re-parents the toolbar and deletes this window later; nothing of it is touched afterwards.
    MoveFrame(Event->globalPosition().toPoint());
}

void TfrFloatWindow::mouseReleaseEvent(QMouseEvent *)
{
    EndMoving();
}

// ---------------------------------------------------------------------------------------------------------
// TfrToolBar
// ---------------------------------------------------------------------------------------------------------

TfrToolBar::TfrToolBar(QWidget *Parent)
    : QWidget(Parent)
    , m_dragBox(new TfrDragBox(this))
{
    resize(100, 26);
    SetControlAlign(m_dragBox, alLeft);
}

TfrToolBar::~TfrToolBar()
{
    m_destroying = true;
    if (m_floatWindow) {
        TfrFloatWindow *window = m_floatWindow;
        m_floatWindow = nullptr;
        setParent(nullptr);
        window->m_toolBar = nullptr;
        window->hide();
        window->deleteLater();
    }
}

int TfrToolBar::DockKind() const
{
    const QWidget *parent = parentWidget();
    if (!parent)
        return 0;
    const TAlign align = GetControlAlign(parent);
    if (align == alTop || align == alBottom)
        return 1;
    if (align == alLeft || align == alRight)
        return 3;
    return int(align);
}

QWidget *TfrToolBar::OwnerForm() const
{
    if (m_floatWindow)
        return m_floatWindow->OwnerForm();
    return parentWidget() ? parentWidget()->window() : nullptr;
}

bool TfrToolBar::IsVisible() const
{
    return m_isFloat && m_floatWindow ? m_floatWindow->isVisible() : !isHidden();
}

void TfrToolBar::SetVisible(bool Flag)
{
    if (m_isFloat && m_floatWindow)
        m_floatWindow->setVisible(Flag);
    else
        setVisible(Flag);
}

void TfrToolBar::RealignItems()
{
    const QRect area = rect().adjusted(ToolBarInset, ToolBarInset, -ToolBarInset, -ToolBarInset);
    std::vector<QWidget *> items = VisibleChildWidgets(this);
    const auto byX = [](QWidget *a, QWidget *b) { return a->x() < b->x(); };
    const auto byY = [](QWidget *a, QWidget *b) { return a->y() < b->y(); };
    std::stable_sort(items.begin(), items.end(), [&](QWidget *a, QWidget *b) {
        const TAlign aa = GetControlAlign(a);
        return (aa == alTop || aa == alBottom) ? byY(a, b) : byX(a, b);
    });
    int left = area.left(), right = area.left() + area.width();
    int top = area.top(), bottom = area.top() + area.height();
    for (QWidget *w : items) {
        switch (GetControlAlign(w)) {
        case alLeft:
            w->setGeometry(left, area.top(), w->width(), area.height());
            left += w->width();
            break;
        case alTop:
            w->setGeometry(area.left(), top, area.width(), w->height());
            top += w->height();
            break;
        default:
            break;
        }
    }
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        QWidget *w = *it;
        switch (GetControlAlign(w)) {
        case alRight:
            right -= w->width();
            w->setGeometry(right, area.top(), w->width(), area.height());
            break;
        case alBottom:
            bottom -= w->height();
            w->setGeometry(area.left(), bottom, area.width(), w->height());
            break;
        default:
            break;
        }
    }
}

void TfrToolBar::ArrangeControls()
{
    const int kind = DockKind();
    const bool vertical = kind == 3;
    std::vector<QWidget *> items;
    for (QObject *o : children())
        if (auto *w = qobject_cast<QWidget *>(o); w && !w->isWindow() && items.size() < 101)
            items.push_back(w);
    const std::size_t count = items.size();
    for (std::size_t pass = 0; pass < count; ++pass) {
        for (std::size_t i = 0; i + 1 < count; ++i) {
            QWidget *a = items[i];
            QWidget *b = items[i + 1];
            if (a->isHidden())
                continue;
            bool swap;
            if (!vertical) {
                swap = b->x() < a->x();
            } else {
                const TAlign aa = GetControlAlign(a), ba = GetControlAlign(b);
                swap = (aa == alTop || aa == alBottom) && (ba == alTop || ba == alBottom) && b->y() < a->y();
            }
            if (swap)
                std::swap(items[i], items[i + 1]);
        }
    }
    if (!vertical) {
        if (width() < height())
            resize(height(), width());
        for (QWidget *w : items) {
            if (w->isHidden())
                continue;
            const TAlign align = GetControlAlign(w);
            if (align == alLeft || align == alRight)
                continue;
            if (align == alBottom) {
                w->setProperty(AlignProperty, int(alRight));
            } else {
                w->move(w->y(), w->y());
                w->setProperty(AlignProperty, int(alLeft));
            }
        }
    } else {
        if (height() < width())
            resize(height(), width());
        for (QWidget *w : items) {
            if (w->isHidden())
                continue;
            const TAlign align = GetControlAlign(w);
            if (align == alTop || align == alBottom)
                continue;
            if (align == alRight) {
                w->setProperty(AlignProperty, int(alBottom));
            } else {
                w->move(w->x(), w->x());
                w->setProperty(AlignProperty, int(alTop));
            }
        }
    }
    RealignItems();
}

void TfrToolBar::AdjustSize()
{
    ArrangeControls();
    const bool vertical = DockKind() == 3;
    int length = 0;
    for (QWidget *w : VisibleChildWidgets(this))
        length += vertical ? w->height() : w->width();
    length += 2 * ToolBarInset;
    if (vertical)
        resize(width(), length);
    else
        resize(length, height());
}

void TfrToolBar::DockTo(TfrDock *Dock, int X, int Y)
{
    hide();
    if (m_floatWindow) {
        TfrFloatWindow *window = m_floatWindow;
        m_floatWindow = nullptr;
        window->hide();
        window->m_toolBar = nullptr;
        window->releaseMouse();
        window->deleteLater();
    }
    TfrDock *oldDock = this->Dock();
    setParent(Dock);
    if (oldDock)
        oldDock->AdjustBounds();
    m_isFloat = false;
    m_dragBox->show();
    ArrangeControls();
    move(X, Y);
    show();
    Dock->AdjustBounds();
}

void TfrToolBar::AddToDock(TfrDock *Dock)
{
    int x = 0, y = 0;
    switch (Dock->Align()) {
    case alTop:
        y = Dock->height() - 1;
        break;
    case alBottom:
        y = 1 - height();
        break;
    case alLeft:
        x = Dock->width() - 1;
        break;
    default:
        x = 1 - width();
        break;
    }
    DockTo(Dock, x, y);
}

bool TfrToolBar::TryDockAt(QWidget *Form, const QPoint &Point)
{
    TfrDock *target = nullptr;
    for (QObject *o : Form->children()) {
        auto *dock = qobject_cast<TfrDock *>(o);
        if (!dock)
            continue;
        const QRect g = dock->geometry();
        if (Point.x() >= g.left() && Point.x() <= g.left() + g.width() && Point.y() >= g.top()
            && Point.y() <= g.top() + g.height()) {
            target = dock;
            break;
        }
    }
    if (!target)
        return false;
    const TAlign align = target->Align();
    const bool vertical = align == alLeft || align == alRight;
    if ((Orientation == toHorzOnly && vertical) || (Orientation == toVertOnly && !vertical))
        return false;
    int x, y;
    if (vertical) {
        x = align == alRight ? 1 - height() : target->width() - 1;
        y = std::max(std::min(Point.y() - target->y(), target->height() - height()), 0);
    } else {
        x = std::max(std::min(Point.x() - target->x(), target->width() - width()), 0);
        y = align == alBottom ? 1 - height() : target->height() - 1;
    }
    DockTo(target, x, y);
    grabMouse();
    DragStart(QCursor::pos());
    return true;
}

void TfrToolBar::Float(int X, int Y)
{
    m_isFloat = true;
    if (m_floatWindow) {
        m_floatWindow->move(X, Y);
        return;
    }
    TfrDock *oldDock = Dock();
    QWidget *form = OwnerForm();
    hide();
    m_dragBox->hide();
    m_floatWindow = new TfrFloatWindow(form, this);
    m_floatWindow->move(X, Y);
    m_floatWindow->setWindowTitle(windowTitle());
    setParent(m_floatWindow);
    ArrangeControls();
    if (oldDock)
        oldDock->AdjustBounds();
    // Without its grip the toolbar's items need that much less room.
    m_floatWindow->resize(width() - DragBoxSize, height());
    move(0, 0);
    RealignItems();
    show();
}

void TfrToolBar::FloatAtCursor()
{
    m_isFloat = true;
    const QPoint at = QCursor::pos();
    Float(at.x(), at.y());
    m_dragging = false;
    releaseMouse();
    m_floatWindow->StartMoving();
}

bool TfrToolBar::MoveTo(int X, int Y)
{
    if (m_isFloat)
        return true;
    TfrDock *dock = Dock();
    if (!dock)
        return false;
    const bool horizontal = dock->IsHorizontal();
    bool toFloat = false;
    int corrections[4] = {0, 0, 0, 0};
    for (int pass = 0; pass < 4; ++pass) {
        int &count = corrections[pass];
        if (horizontal) {
            if (X < -FloatDistance && CanFloat)
                toFloat = true;
            if (X < 0) {
                X = 0;
                ++count;
            }
            if (X + width() > dock->width()) {
                X = dock->width() - width();
                ++count;
            }
        } else {
            if (Y < -FloatDistance && CanFloat)
                toFloat = true;
            if (Y < 0) {
                Y = 0;
                ++count;
            }
            if (Y + height() > dock->height()) {
                Y = dock->height() - height();
                ++count;
            }
        }
        if (!toFloat) {
            for (QWidget *other : VisibleChildWidgets(dock)) {
                if (other == this || !qobject_cast<TfrToolBar *>(other))
                    continue;
                if (horizontal) {
                    const bool overlap = (Y >= other->y() && Y < Bottom(other))
                                         || (other->y() >= Y && other->y() < Y + height());
                    if (!overlap)
                        continue;
                    if (X >= other->x() && X < Right(other)) {
                        X = Right(other);
                        ++count;
                    } else if (other->x() > X && other->x() < X + width()) {
                        X = other->x() - width();
                        ++count;
                    }
                } else {
                    const bool overlap = (X >= other->x() && X < Right(other))
                                         || (other->x() >= X && other->x() < X + width());
                    if (!overlap)
                        continue;
                    if (Y >= other->y() && Y < Bottom(other)) {
                        Y = Bottom(other);
                        ++count;
                    } else if (other->y() > Y && other->y() < Y + height()) {
                        Y = other->y() - height();
                        ++count;
                    }
                }
            }
        }
        if (count == 0 || toFloat)
            break;
    }
    if (toFloat) {
        FloatAtCursor();
        return true;
    }
    if (corrections[0] > 0 && corrections[1] > 0)
        return false;
    const bool sticksOut = horizontal ? (Y < 0 || Y + height() > dock->height())
                                      : (X < 0 || X + width() > dock->width());
    const int depth = dock->Depth();
    move(X, Y);
    dock->AdjustBounds();
    if (sticksOut && CanFloat && dock->Depth() == depth)
        FloatAtCursor();
    return true;
}

void TfrToolBar::DragStart(const QPoint &GlobalPos)
{
    m_lastPos = GlobalPos;
    m_dragging = true;
}

void TfrToolBar::DragMove(const QPoint &GlobalPos)
{
    if (m_isFloat) {
        unsetCursor();
        m_dragging = false;
        if (m_floatWindow && m_floatWindow->Moving())
            m_floatWindow->MoveFrame(GlobalPos);
        return;
    }
    if (!m_dragging || !Dock())
        return;
    const bool horizontal = Dock()->IsHorizontal();
    const int stepX = horizontal ? 1 : Dock()->RowSize();
    const int stepY = horizontal ? Dock()->RowSize() : 1;
    const int dx = stepX * ((GlobalPos.x() - m_lastPos.x()) / stepX);
    const int dy = stepY * ((GlobalPos.y() - m_lastPos.y()) / stepY);
    if (dx == 0 && dy == 0)
        return;
    if (MoveTo(x() + dx, y() + dy)) {
        if (dx != 0)
            m_lastPos.setX(GlobalPos.x());
        if (dy != 0)
            m_lastPos.setY(GlobalPos.y());
    }
}

void TfrToolBar::DragEnd()
{
    m_dragging = false;
    releaseMouse();
    if (m_floatWindow && m_floatWindow->Moving())
        m_floatWindow->EndMoving();
}

void TfrToolBar::mousePressEvent(QMouseEvent *Event)
{
    if (Event->button() != Qt::LeftButton)
        return;
    // A floating toolbar fills its window, so a press on it moves the window as a press on a title would.
    if (m_isFloat && m_floatWindow) {
        m_floatWindow->StartMoving();
        return;
    }
    DragStart(Event->globalPosition().toPoint());
}

void TfrToolBar::mouseMoveEvent(QMouseEvent *Event)
{
    DragMove(Event->globalPosition().toPoint());
}

void TfrToolBar::mouseReleaseEvent(QMouseEvent *)
{
    DragEnd();
}

void TfrToolBar::resizeEvent(QResizeEvent *Event)
{
    QWidget::resizeEvent(Event);
    if (m_destroying)
        return;
    m_dragBox->resize(DragBoxSize, DragBoxSize);
    SetControlAlign(m_dragBox, DockKind() == 3 ? alTop : alLeft);
    RealignItems();
}

void TfrToolBar::childEvent(QChildEvent *Event)
{
    QWidget::childEvent(Event);
    if (Event->type() == QEvent::ChildAdded || Event->type() == QEvent::ChildRemoved)
        QTimer::singleShot(0, this, [this] { RealignItems(); });
}

void TfrToolBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(clBtnFace));
    if (!m_isFloat)
        DrawEdge(p, rect(), BDR_RAISEDINNER, BF_RECT);
}

// ---------------------------------------------------------------------------------------------------------
// Toolbar items
// ---------------------------------------------------------------------------------------------------------

TfrTBButton::TfrTBButton(QWidget *Parent)
    : TfrSpeedButton(Parent)
{
    SetFlat(true);
    AlignToToolBar(this);
}

bool TfrTBButton::event(QEvent *Event)
{
    if (Event->type() == QEvent::ParentChange)
        AlignToToolBar(this);
    return TfrSpeedButton::event(Event);
}

void TfrTBSeparator::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(clBtnFace));
    if (!DrawBevel)
        return;
    const int w = width(), h = height();
    const TAlign align = GetControlAlign(this);
    if (align == alTop || align == alBottom) {
        p.setPen(toQColor(clBtnShadow));
        p.drawLine(2, h / 2 - 1, w - 2, h / 2 - 1);
        p.setPen(toQColor(clBtnHighlight));
        p.drawLine(2, h / 2, w - 2, h / 2);
    } else {
        p.setPen(toQColor(clBtnShadow));
        p.drawLine(w / 2 - 1, 2, w / 2 - 1, h - 2);
        p.setPen(toQColor(clBtnHighlight));
        p.drawLine(w / 2, 2, w / 2, h - 2);
    }
}

TfrTBPanel::TfrTBPanel(QWidget *Parent)
    : QWidget(Parent)
{
    resize(8, 8);
    AlignToToolBar(this);
}

bool TfrTBPanel::event(QEvent *Event)
{
    if (Event->type() == QEvent::ParentChange)
        AlignToToolBar(this);
    return QWidget::event(Event);
}

void TfrTBPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(clBtnFace));
}

// ---------------------------------------------------------------------------------------------------------
// Placement in the registry
// ---------------------------------------------------------------------------------------------------------

namespace {

// One section of the engine's key: missing values and values of the wrong type read as their defaults.
class PlacementKey
{
public:
    explicit PlacementKey(const QString &Section)
        : m_ini(EngineRegistryKey())
        , m_section(Section)
    {
    }

    int ReadInteger(const QString &Name, int Default) const { return m_ini.ReadInteger(m_section, Name, Default); }
    bool ReadBool(const QString &Name, bool Default) const { return m_ini.ReadBool(m_section, Name, Default); }
    QString ReadString(const QString &Name, const QString &Default) const
    {
        return m_ini.ReadString(m_section, Name, Default);
    }
    void WriteInteger(const QString &Name, int Value) { m_ini.WriteInteger(m_section, Name, Value); }
    void WriteBool(const QString &Name, bool Value) { m_ini.WriteBool(m_section, Name, Value); }
    void WriteString(const QString &Name, const QString &Value) { m_ini.WriteString(m_section, Name, Value); }

private:
    TRegIniFile m_ini;
    QString m_section;
};

QString FormKey(const QWidget *Form)
{
    return QStringLiteral("Form\\") + QString::fromLatin1(Form->metaObject()->className());
}

QString ToolBarKey(const TfrToolBar *ToolBar)
{
    return QStringLiteral("ToolBar\\") + ToolBar->objectName();
}

} // namespace

void WriteFormPlacement(QWidget *Form)
{
    PlacementKey key(FormKey(Form));
    const QRect bounds = Form->isMaximized() ? Form->normalGeometry() : Form->geometry();
    key.WriteInteger(QStringLiteral("XPosition"), bounds.x());
    key.WriteInteger(QStringLiteral("YPosition"), bounds.y());
    key.WriteInteger(QStringLiteral("Width"), bounds.width());
    key.WriteInteger(QStringLiteral("Height"), bounds.height());
    key.WriteBool(QStringLiteral("Maximized"), Form->isMaximized());
}

void ReadFormPlacement(QWidget *Form)
{
    const PlacementKey key(FormKey(Form));
    if (!key.ReadBool(QStringLiteral("Maximized"), true))
        Form->setWindowState(Form->windowState() & ~Qt::WindowMaximized);
    const QRect g = Form->geometry();
    Form->setGeometry(key.ReadInteger(QStringLiteral("XPosition"), g.x()),
                      key.ReadInteger(QStringLiteral("YPosition"), g.y()),
                      key.ReadInteger(QStringLiteral("Width"), g.width()),
                      key.ReadInteger(QStringLiteral("Height"), g.height()));
}

void WriteToolbarPlacement(TfrToolBar *ToolBar)
{
    PlacementKey key(ToolBarKey(ToolBar));
    key.WriteBool(QStringLiteral("isFloat"), ToolBar->IsFloat());
    key.WriteBool(QStringLiteral("isVisible"), ToolBar->IsVisible());
    const QPoint at = ToolBar->IsFloat() && ToolBar->FloatWindow() ? ToolBar->FloatWindow()->pos() : ToolBar->pos();
    key.WriteInteger(QStringLiteral("XPosition"), at.x());
    key.WriteInteger(QStringLiteral("YPosition"), at.y());
    key.WriteInteger(QStringLiteral("Width"), ToolBar->width());
    key.WriteInteger(QStringLiteral("Height"), ToolBar->height());
    if (ToolBar->Dock())
        key.WriteString(QStringLiteral("DockName"), ToolBar->Dock()->objectName());
}

void ReadToolbarPlacement(TfrToolBar *ToolBar)
{
    const PlacementKey key(ToolBarKey(ToolBar));
    ToolBar->SetVisible(false);
    const int x = key.ReadInteger(QStringLiteral("XPosition"), ToolBar->x());
    const int y = key.ReadInteger(QStringLiteral("YPosition"), ToolBar->y());
    ToolBar->resize(key.ReadInteger(QStringLiteral("Width"), ToolBar->width()),
                    key.ReadInteger(QStringLiteral("Height"), ToolBar->height()));
    if (key.ReadBool(QStringLiteral("isFloat"), false)) {
        ToolBar->Float(x, y);
    } else {
        ToolBar->move(x, y);
        const QString current = ToolBar->parentWidget() ? ToolBar->parentWidget()->objectName() : QString();
        const QString dockName = key.ReadString(QStringLiteral("DockName"), current);
        // The toolbars and docks of a form are its children; a name that names no dock leaves the toolbar where
        // it is.
        QWidget *form = ToolBar->OwnerForm();
        auto *dock = form && !dockName.isEmpty() ? form->findChild<TfrDock *>(dockName) : nullptr;
        if (dock && dock != ToolBar->parentWidget())
            ToolBar->DockTo(dock, x, y);
        ToolBar->AdjustSize();
    }
    ToolBar->SetVisible(key.ReadBool(QStringLiteral("isVisible"), true));
}
