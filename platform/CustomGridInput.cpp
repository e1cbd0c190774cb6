#include "CustomGrid.h"
#include "CustomGridInternal.h"

#include "Guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <algorithm>

using namespace customgrid;

namespace {

// Sizing zone around a border: at least this many pixels wide, centred on the line.
constexpr int kSizingRange = 7;

} // namespace

// ---- Column moving -------------------------------------------------------------------------------------------

void TCustomGrid::MoveColumn(int from, int to)
{
    if (from == to)
        return;
    if (from < 0 || to < 0 || from >= m_colCount || to >= m_colCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    HideEditor();
    if (!m_colWidths.empty()) {
        const int width = m_colWidths[size_t(from)];
        m_colWidths.erase(m_colWidths.begin() + from);
        m_colWidths.insert(m_colWidths.begin() + to, width);
    }
    auto follow = [from, to](int &c) {
        if (c == from)
            c = to;
        else if (from < to && c > from && c <= to)
            --c;
        else if (from > to && c >= to && c < from)
            ++c;
    };
    follow(m_current.X);
    follow(m_anchor.X);
    ColumnMoved(from, to);
    InvalidateGrid();
}

// ---- Keyboard ------------------------------------------------------------------------------------------------

void TCustomGrid::keyPressEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    int key = event->key() == Qt::Key_Backtab ? int(Qt::Key_Tab) : event->key();
    Qt::KeyboardModifiers shift = event->modifiers();
    if (event->key() == Qt::Key_Backtab)
        shift |= Qt::ShiftModifier;
    KeyDown(key, shift);
    if (key == 0)
        return;
    const QString text = event->text();
    if (text.isEmpty())
        return;
    QChar ch = key == Qt::Key_Return || key == Qt::Key_Enter ? QChar('\r') : text.at(0);
    KeyPress(ch);
    if (ch.isNull())
        return;
    // A typed character opens the editor and goes into it.
    if ((m_options & goEditing) && (ch.unicode() >= 32 || ch.unicode() == 8)) {
        ShowEditor();
        if (m_inplaceEdit && m_inplaceEdit->isVisible()) {
            QKeyEvent forwarded(QEvent::KeyPress, event->key(), event->modifiers(), QString(ch));
            QCoreApplication::sendEvent(m_inplaceEdit, &forwarded);
        }
    }
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::keyReleaseEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    int key = event->key();
    KeyUp(key, event->modifiers());
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::KeyUp(int &, Qt::KeyboardModifiers)
{
}

void TCustomGrid::KeyPress(QChar &key)
{
    if (!(m_options & goAlwaysShowEditor) && key == QChar('\r')) {
        if (m_editorMode)
            HideEditor();
        else
            ShowEditor();
        key = QChar();
    }
}

void TCustomGrid::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    const bool ctrl = shift & Qt::ControlModifier;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - m_topLeft.Y + 1);
    TGridCoord cur = m_current;
    TGridCoord topLeft = m_topLeft;
    bool moved = true;
    const bool rowSelect = m_options & goRowSelect;

    switch (key) {
    case Qt::Key_Up:
        --cur.Y;
        break;
    case Qt::Key_Down:
        ++cur.Y;
        break;
    case Qt::Key_Left:
        if (rowSelect)
            --topLeft.X;
        else
            --cur.X;
        break;
    case Qt::Key_Right:
        if (rowSelect)
            ++topLeft.X;
        else
            ++cur.X;
        break;
    case Qt::Key_PageUp:
        cur.Y -= pageHeight;
        topLeft.Y -= pageHeight;
        break;
    case Qt::Key_PageDown:
        cur.Y += pageHeight;
        topLeft.Y += pageHeight;
        break;
    case Qt::Key_Home:
        if (ctrl)
            cur.Y = m_fixedRows;
        if (rowSelect)
            topLeft.X = m_fixedCols;
        else
            cur.X = m_fixedCols;
        break;
    case Qt::Key_End:
        if (ctrl)
            cur.Y = m_rowCount - 1;
        if (rowSelect)
            topLeft.X = m_colCount - 1;
        else
            cur.X = m_colCount - 1;
        break;
    case Qt::Key_Tab:
        if (!(m_options & goTabs) || (shift & Qt::AltModifier)) {
            moved = false;
            break;
        }
        if (shift & Qt::ShiftModifier) {
            if (cur.X > m_fixedCols) {
                --cur.X;
            } else if (cur.Y > m_fixedRows) {
                --cur.Y;
                cur.X = m_colCount - 1;
            }
        } else if (cur.X < m_colCount - 1) {
            ++cur.X;
        } else if (cur.Y < m_rowCount - 1) {
            ++cur.Y;
            cur.X = m_fixedCols;
        }
        key = 0;
        shift &= ~Qt::ShiftModifier;
        break;
    case Qt::Key_F2:
        if (m_options & goEditing) {
            ShowEditor();
            if (m_inplaceEdit)
                m_inplaceEdit->Deselect();
        }
        moved = false;
        break;
    default:
        moved = false;
        break;
    }
    if (!moved)
        return;
    key = 0;
    cur.X = std::clamp(cur.X, std::min(m_fixedCols, m_colCount - 1), m_colCount - 1);
    cur.Y = std::clamp(cur.Y, std::min(m_fixedRows, m_rowCount - 1), m_rowCount - 1);
    if (!(topLeft == m_topLeft))
        MoveTopLeft(topLeft.X, topLeft.Y);
    if (!(cur == m_current)) {
        // Shift keeps the anchor, so that the selection stretches from it to the new current cell.
        MoveCurrent(cur.X, cur.Y, !(shift & Qt::ShiftModifier), true);
        UpdateEdit();
    }
}

// ---- Mouse ---------------------------------------------------------------------------------------------------

bool TCustomGrid::viewportEvent(QEvent *event)
try {
    const HandlerEdge edge;
    // The cursor follows the borders that can be dragged.
    if (event->type() == QEvent::MouseMove && m_gridState == gsNormal) {
        const auto *me = static_cast<QMouseEvent *>(event);
        if (me->buttons() == Qt::NoButton)
            updateSizingCursor(me->position().toPoint().x(), me->position().toPoint().y());
    }
    return throughQt([&] { return QAbstractScrollArea::viewportEvent(event); });
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TCustomGrid::updateSizingCursor(int x, int y)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridState state = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(x, y, state, index, pos, ofs, info);
    if (state == gsColSizing)
        viewport()->setCursor(Qt::SplitHCursor);
    else if (state == gsRowSizing)
        viewport()->setCursor(Qt::SplitVCursor);
    else
        viewport()->unsetCursor();
}

void TCustomGrid::CalcSizingState(int x, int y, TGridState &state, int &index, int &sizingPos, int &sizingOfs,
                                  const TGridDrawInfo &info)
{
    state = gsNormal;
    index = -1;
    auto axisState = [&](const TGridAxisDrawInfo &axis, int pos, TGridState newState) {
        int range = axis.EffectiveLineWidth;
        int back = 0;
        if (range < kSizingRange) {
            range = kSizingRange;
            back = (range - axis.EffectiveLineWidth) / 2;
        }
        int line = 0;
        auto hit = [&](int i) {
            line += axis.GetExtent(i);
            if (line > axis.GridBoundary)
                return false;
            if (pos >= line - back && pos <= line - back + range) {
                state = newState;
                sizingPos = line;
                sizingOfs = line - pos;
                index = i;
                return true;
            }
            line += axis.EffectiveLineWidth;
            return false;
        };
        for (int i = 0; i < axis.FixedCellCount; ++i) {
            if (hit(i))
                return;
        }
        for (int i = axis.FirstGridCell; i < axis.GridCellCount && line <= axis.GridBoundary; ++i) {
            if (hit(i))
                return;
        }
    };
    if ((m_options & goColSizing) && x > info.Horz.FixedBoundary) {
        if (y < info.Vert.FixedBoundary)
            axisState(info.Horz, x, gsColSizing);
    } else if ((m_options & goRowSizing) && y > info.Vert.FixedBoundary) {
        if (x < info.Horz.FixedBoundary)
            axisState(info.Vert, y, gsRowSizing);
    }
}

void TCustomGrid::mousePressEvent(QMouseEvent *event)
try {
    const HandlerEdge edge;
    const QPoint p = event->position().toPoint();
    m_lastMouseDownPos = event->globalPosition().toPoint();
    m_lastMouseDownTime = qint64(event->timestamp());
    MouseDown(event->button(), event->modifiers(), p.x(), p.y());
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent *event)
try {
    const HandlerEdge edge;
    {
        // Cleared again also when the press fails, or every later press would count as a double click's.
        const QScopedValueRollback inDoubleClick(m_inDoubleClick, true);
        mousePressEvent(event);
    }
    if (event->button() == Qt::LeftButton)
        DblClick();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::DblClick()
{
}

void TCustomGrid::mouseMoveEvent(QMouseEvent *event)
try {
    const HandlerEdge edge;
    const QPoint p = event->position().toPoint();
    MouseMove(event->modifiers(), p.x(), p.y());
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent *event)
try {
    const HandlerEdge edge;
    const QPoint p = event->position().toPoint();
    MouseUp(event->button(), event->modifiers(), p.x(), p.y());
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (!hasFocus() && !(m_inplaceEdit && m_inplaceEdit->hasFocus()))
        setFocus(Qt::MouseFocusReason);
    if (button != Qt::LeftButton)
        return;
    m_lastMousePos = {x, y};
    TGridDrawInfo info;
    CalcDrawInfo(info);
    CalcSizingState(x, y, m_gridState, m_sizingIndex, m_sizingPos, m_sizingOfs, info);
    if (m_gridState != gsNormal) {
        HideEditor();
        invalidateOverlay();
        return;
    }
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0)
        return;
    if ((m_options & goColMoving) && y < info.Vert.FixedBoundary && x >= info.Horz.FixedBoundary
        && cell.X >= m_fixedCols) {
        m_gridState = gsColMoving;
        m_moveIndex = cell.X;
        m_movePos = cell.X;
        StartScrollTimer();
        return;
    }
    if (cell.X < m_fixedCols || cell.Y < m_fixedRows)
        return;
    if ((m_options & goEditing) && cell == m_current && !(shift & Qt::ShiftModifier)) {
        ShowEditor();
        // The click that opened the editor also places its caret.
        if (m_inplaceEdit && m_inplaceEdit->isVisible()) {
            const QPoint at = m_inplaceEdit->mapFrom(viewport(), QPoint(x, y));
            m_inplaceEdit->setCursorPosition(m_inplaceEdit->cursorPositionAt(at));
        }
        return;
    }
    m_gridState = gsSelecting;
    StartScrollTimer();
    if ((shift & Qt::ShiftModifier) && (m_options & goRangeSelect))
        MoveAnchor(cell);
    else
        MoveCurrent(cell.X, cell.Y, true, true);
}

void TCustomGrid::MouseMove(Qt::KeyboardModifiers, int x, int y)
{
    m_lastMousePos = {x, y};
    switch (m_gridState) {
    case gsSelecting: {
        const TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= m_fixedCols && cell.Y >= m_fixedRows && !(cell == m_anchor)
            && !(!(m_options & goRangeSelect) && cell == m_current))
            MoveAnchor(cell);
        break;
    }
    case gsColSizing:
    case gsRowSizing:
        invalidateOverlay();
        m_sizingPos = (m_gridState == gsColSizing ? x : y) + m_sizingOfs;
        invalidateOverlay();
        break;
    case gsColMoving: {
        const TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= m_fixedCols && cell.X != m_movePos) {
            invalidateOverlay();
            m_movePos = cell.X;
            invalidateOverlay();
        }
        break;
    }
    default:
        break;
    }
}

void TCustomGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (button != Qt::LeftButton)
        return;
    const TGridState state = m_gridState;
    if (state == gsNormal)
        return;
    MouseMove(shift, x, y);
    invalidateOverlay();
    StopScrollTimer();
    m_gridState = gsNormal;
    switch (state) {
    case gsColSizing:
    case gsRowSizing: {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        const TGridAxisDrawInfo &axis = state == gsColSizing ? info.Horz : info.Vert;
        const int start = axisCellStart(axis, m_sizingIndex);
        const int size = m_sizingPos - std::max(0, start);
        if (start >= 0 && size > 1) {
            if (state == gsColSizing)
                SetColWidths(m_sizingIndex, size);
            else
                SetRowHeights(m_sizingIndex, size);
        }
        break;
    }
    case gsColMoving:
        if (m_movePos >= 0 && m_movePos != m_moveIndex)
            MoveColumn(m_moveIndex, m_movePos);
        m_moveIndex = -1;
        m_movePos = -1;
        break;
    default:
        break;
    }
    m_sizingIndex = -1;
}

void TCustomGrid::CancelMode()
{
    if (m_gridState == gsNormal)
        return;
    invalidateOverlay();
    StopScrollTimer();
    m_gridState = gsNormal;
    m_sizingIndex = -1;
    m_moveIndex = -1;
    m_movePos = -1;
}

bool TCustomGrid::DoMouseWheelDown(Qt::KeyboardModifiers, const QPoint &)
{
    if (m_current.Y < m_rowCount - 1)
        FocusCell(m_current.X, m_current.Y + 1, true);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(Qt::KeyboardModifiers, const QPoint &)
{
    if (m_current.Y > m_fixedRows)
        FocusCell(m_current.X, m_current.Y - 1, true);
    return true;
}

void TCustomGrid::wheelEvent(QWheelEvent *event)
try {
    const HandlerEdge edge;
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const bool handled = delta < 0 ? DoMouseWheelDown(event->modifiers(), pos)
                                   : DoMouseWheelUp(event->modifiers(), pos);
    event->setAccepted(handled);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::StartScrollTimer(int intervalMs)
{
    m_scrollTimer.start(intervalMs, this);
}

void TCustomGrid::StopScrollTimer()
{
    m_scrollTimer.stop();
}

void TCustomGrid::timerEvent(QTimerEvent *event)
try {
    const HandlerEdge edge;
    if (event->timerId() != m_scrollTimer.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    if (m_gridState != gsSelecting && m_gridState != gsColMoving)
        return;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridScrollDirection direction = 0;
    const QPoint p = m_lastMousePos;
    if (p.x() < info.Horz.FixedBoundary)
        direction |= sdLeft;
    else if (p.x() > info.Horz.FullVisBoundary)
        direction |= sdRight;
    if (m_gridState == gsSelecting) {
        if (p.y() < info.Vert.FixedBoundary)
            direction |= sdUp;
        else if (p.y() > info.Vert.FullVisBoundary)
            direction |= sdDown;
    }
    if (direction)
        TimedScroll(direction);
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::TimedScroll(TGridScrollDirection direction)
{
    if (m_gridState == gsColMoving) {
        // Moving a column past the edge scrolls the columns under it.
        int left = m_topLeft.X;
        if ((direction & sdLeft) && left > m_fixedCols)
            --left;
        if (direction & sdRight)
            ++left;
        invalidateOverlay();
        MoveTopLeft(left, m_topLeft.Y);
        TGridDrawInfo info;
        CalcDrawInfo(info);
        m_movePos = (direction & sdLeft) ? m_topLeft.X : info.Horz.LastFullVisibleCell;
        invalidateOverlay();
        return;
    }
    TGridCoord anchor = (m_options & goRangeSelect) ? m_anchor : m_current;
    if ((direction & sdLeft) && anchor.X > m_fixedCols)
        --anchor.X;
    if ((direction & sdRight) && anchor.X < m_colCount - 1)
        ++anchor.X;
    if ((direction & sdUp) && anchor.Y > m_fixedRows)
        --anchor.Y;
    if ((direction & sdDown) && anchor.Y < m_rowCount - 1)
        ++anchor.Y;
    MoveAnchor(anchor);
}
