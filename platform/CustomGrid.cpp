#include "CustomGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace {

const QString kIndexOutOfRange = QStringLiteral("Grid index out of range");
const QString kFixedColTooBig = QStringLiteral("Fixed column count must be less than column count");
const QString kFixedRowTooBig = QStringLiteral("Fixed row count must be less than row count");

// Sizing zone around a border: at least this many pixels wide, centred on the line.
constexpr int kSizingRange = 7;

TGridRect gridRectFrom(const TGridCoord &a, const TGridCoord &b)
{
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

} // namespace

// ---- TInplaceEdit --------------------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TCustomGrid *grid)
    : QLineEdit(grid->viewport())
    , m_grid(grid)
{
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (!m_updating && m_grid->m_inplaceCol >= 0)
            m_grid->SetEditText(m_grid->m_inplaceCol, m_grid->m_inplaceRow, text);
    });
}

void TInplaceEdit::UpdateContents()
{
    m_updating = true;
    const int col = m_grid->Col();
    const int row = m_grid->Row();
    setInputMask(m_grid->GetEditMask(col, row));
    const int limit = m_grid->GetEditLimit();
    setMaxLength(limit > 0 ? limit : 32767);
    setText(m_grid->GetEditText(col, row));
    setReadOnly(!m_grid->HolderAllowsEdit(this));
    selectAll();
    m_updating = false;
}

void TInplaceEdit::Move(const QRect &rect)
{
    if (rect.isEmpty()) {
        hide();
        return;
    }
    setGeometry(rect);
    if (!isVisible())
        show();
    if (m_grid->IsActiveControl() && !hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void TInplaceEdit::Deselect()
{
    setSelection(text().size(), 0);
    setCursorPosition(text().size());
}

bool TInplaceEdit::event(QEvent *event)
{
    if (m_grid->PreviewEditorMessage(this, event))
        return true;
    // Tab must reach the grid rather than move the focus.
    if (event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
            keyPressEvent(ke);
            return true;
        }
    }
    return QLineEdit::event(event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent *event)
{
    int key = event->key() == Qt::Key_Backtab ? int(Qt::Key_Tab) : event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    m_grid->PreviewEditorKeyDown(this, key, shift);
    if (key != 0)
        KeyDown(key, shift);
    if (key == 0)
        return;

    const QString text = event->text();
    if (!text.isEmpty()) {
        QChar ch = key == Qt::Key_Return || key == Qt::Key_Enter ? QChar('\r') : text.at(0);
        m_grid->PreviewEditorKeyPress(this, ch);
        if (!ch.isNull())
            KeyPress(ch);
        if (ch.isNull())
            return;
    }
    QLineEdit::keyPressEvent(event);
}

void TInplaceEdit::keyReleaseEvent(QKeyEvent *event)
{
    int key = event->key();
    m_grid->PreviewEditorKeyUp(this, key, event->modifiers());
    if (key != 0)
        QLineEdit::keyReleaseEvent(event);
}

void TInplaceEdit::KeyDown(int &key, Qt::KeyboardModifiers shift)
{
    const bool forwardMovement = m_grid->Options() & goAlwaysShowEditor;
    const bool ctrl = shift & Qt::ControlModifier;
    const bool allSelected = selectedText().size() == text().size();
    const bool leftSide = cursorPosition() == 0 && (!hasSelectedText() || allSelected);
    const bool rightSide = cursorPosition() == text().size() && (!hasSelectedText() || allSelected);
    bool toGrid = false;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
        toGrid = true;
        break;
    case Qt::Key_Left:
    case Qt::Key_Home:
        toGrid = forwardMovement && (ctrl || leftSide);
        break;
    case Qt::Key_Right:
    case Qt::Key_End:
        toGrid = forwardMovement && (ctrl || rightSide);
        break;
    case Qt::Key_Tab:
        toGrid = !(shift & Qt::AltModifier);
        break;
    case Qt::Key_Delete:
        if (ctrl)
            toGrid = true;
        else if (!m_grid->CanEditModify())
            key = 0;
        break;
    default:
        break;
    }
    if (toGrid) {
        m_grid->KeyDown(key, shift);
        key = 0;
    }
}

void TInplaceEdit::KeyPress(QChar &key)
{
    m_grid->KeyPress(key);
    if (key.isNull())
        return;
    if (key.unicode() >= 32 && !m_grid->CanEditAcceptKey(key)) {
        key = QChar();
        QApplication::beep();
        return;
    }
    switch (key.unicode()) {
    case '\t':
    case 27:
        key = QChar();
        break;
    case '\r':
        if (hasSelectedText() && selectedText().size() == text().size())
            Deselect();
        else
            selectAll();
        key = QChar();
        break;
    default:
        if ((key.unicode() >= 32 || key.unicode() == 8) && !m_grid->CanEditModify())
            key = QChar();
        break;
    }
}

// ---- TCustomGrid: construction and geometry ------------------------------------------------------------------

TCustomGrid::TCustomGrid(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_updatingScrollBars && (!horizontalScrollBar()->isSliderDown() || (m_options & goThumbTracking)))
            ScrollBarMoved(Qt::Horizontal, value);
    });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this,
            [this] { ScrollBarMoved(Qt::Horizontal, horizontalScrollBar()->value()); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_updatingScrollBars && (!verticalScrollBar()->isSliderDown() || (m_options & goThumbTracking)))
            ScrollBarMoved(Qt::Vertical, value);
    });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
            [this] { ScrollBarMoved(Qt::Vertical, verticalScrollBar()->value()); });
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this, &TCustomGrid::focusChanged);
    m_font.OnChange = [this] {
        setFont(m_font.qfont());
        FontChanged();
    };
    UpdateScrollRange();
}

TCustomGrid::~TCustomGrid()
{
    // The widget's own destruction moves the focus and deactivates children; by then neither this grid nor its
    // editor, which calls back into it, may take part.
    disconnect(m_focusConnection);
    delete m_inplaceEdit;
    m_inplaceEdit = nullptr;
}

void TCustomGrid::SetColCount(int value)
{
    if (value < 1)
        value = 1;
    if (value == m_colCount)
        return;
    if (value <= m_fixedCols)
        m_fixedCols = value - 1;
    changeSize(value, m_rowCount);
}

void TCustomGrid::SetRowCount(int value)
{
    if (value < 1)
        value = 1;
    if (value == m_rowCount)
        return;
    if (value <= m_fixedRows)
        m_fixedRows = value - 1;
    changeSize(m_colCount, value);
}

void TCustomGrid::changeSize(int newColCount, int newRowCount)
{
    const int oldCols = m_colCount;
    const int oldRows = m_rowCount;
    m_colCount = newColCount;
    m_rowCount = newRowCount;
    if (!m_colWidths.empty())
        m_colWidths.resize(size_t(newColCount), m_defaultColWidth);
    if (!m_rowHeights.empty())
        m_rowHeights.resize(size_t(newRowCount), m_defaultRowHeight);

    auto clamp = [this](TGridCoord &c) {
        c.X = std::clamp(c.X, std::min(m_fixedCols, m_colCount - 1), m_colCount - 1);
        c.Y = std::clamp(c.Y, std::min(m_fixedRows, m_rowCount - 1), m_rowCount - 1);
    };
    const TGridCoord oldTopLeft = m_topLeft;
    clamp(m_topLeft);
    clamp(m_current);
    clamp(m_anchor);
    if ((m_options & goRowSelect) && m_colCount > m_fixedCols)
        m_anchor.X = m_colCount - 1;
    SizeChanged(oldCols, oldRows);
    UpdateScrollRange();
    if (!(m_topLeft == oldTopLeft))
        TopLeftChanged();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::SizeChanged(int, int)
{
}

void TCustomGrid::SetFixedCols(int value)
{
    if (value < 0)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (value >= m_colCount)
        throw EInvalidGridOperation(kFixedColTooBig);
    m_fixedCols = value;
    m_topLeft.X = std::max(m_topLeft.X, value);
    m_current.X = std::max(m_current.X, value);
    m_anchor.X = std::max(m_anchor.X, value);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int value)
{
    if (value < 0)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (value >= m_rowCount)
        throw EInvalidGridOperation(kFixedRowTooBig);
    m_fixedRows = value;
    m_topLeft.Y = std::max(m_topLeft.Y, value);
    m_current.Y = std::max(m_current.Y, value);
    m_anchor.Y = std::max(m_anchor.Y, value);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int value)
{
    m_defaultColWidth = value;
    m_colWidths.clear();
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value)
{
    m_defaultRowHeight = value;
    m_rowHeights.clear();
    RowHeightsChanged();
}

int TCustomGrid::ColWidths(int index) const
{
    if (index < 0 || index >= m_colCount)
        return m_defaultColWidth;
    return m_colWidths.empty() ? m_defaultColWidth : m_colWidths[size_t(index)];
}

void TCustomGrid::SetColWidths(int index, int value)
{
    if (index < 0 || index >= m_colCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (ColWidths(index) == value)
        return;
    if (m_colWidths.empty())
        m_colWidths.assign(size_t(m_colCount), m_defaultColWidth);
    m_colWidths[size_t(index)] = value;
    ColWidthsChanged();
}

int TCustomGrid::RowHeights(int index) const
{
    if (index < 0 || index >= m_rowCount)
        return m_defaultRowHeight;
    return m_rowHeights.empty() ? m_defaultRowHeight : m_rowHeights[size_t(index)];
}

void TCustomGrid::SetRowHeights(int index, int value)
{
    if (index < 0 || index >= m_rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (RowHeights(index) == value)
        return;
    if (m_rowHeights.empty())
        m_rowHeights.assign(size_t(m_rowCount), m_defaultRowHeight);
    m_rowHeights[size_t(index)] = value;
    RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int value)
{
    if (value < 0 || value == m_gridLineWidth)
        return;
    m_gridLineWidth = value;
    UpdateScrollRange();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::ColWidthsChanged()
{
    UpdateScrollRange();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::RowHeightsChanged()
{
    UpdateScrollRange();
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::ColumnMoved(int, int)
{
}

void TCustomGrid::TopLeftChanged()
{
    if (m_editorMode && m_inplaceEdit)
        m_inplaceEdit->Move(CellRect(Col(), Row()));
}

bool TCustomGrid::SelectCell(int, int)
{
    return true;
}

void TCustomGrid::SetOptions(TGridOptions value)
{
    if (value & goRowSelect)
        value &= ~unsigned(goAlwaysShowEditor);
    if (value == m_options)
        return;
    m_options = value;
    if (!m_editorMode) {
        if (value & goAlwaysShowEditor)
            ShowEditor();
        else
            HideEditor();
    }
    if (value & goRowSelect)
        MoveCurrent(Col(), Row(), true, false);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetColor(TColor value)
{
    if (value == m_color)
        return;
    m_color = value;
    InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor value)
{
    if (value == m_fixedColor)
        return;
    m_fixedColor = value;
    InvalidateGrid();
}

void TCustomGrid::SetCtl3D(bool value)
{
    if (value == m_ctl3D)
        return;
    m_ctl3D = value;
    InvalidateGrid();
}

void TCustomGrid::SetFont(const TFont &value)
{
    m_font.Assign(value);
}

void TCustomGrid::FontChanged()
{
    InvalidateGrid();
    UpdateEdit();
}

void TCustomGrid::SetDefaultDrawing(bool value)
{
    if (value == m_defaultDrawing)
        return;
    m_defaultDrawing = value;
    InvalidateGrid();
}

int TCustomGrid::ClientWidth() const
{
    return viewport()->width();
}

int TCustomGrid::ClientHeight() const
{
    return viewport()->height();
}

// ---- Draw info and cell positions ----------------------------------------------------------------------------

void TCustomGrid::CalcFixedInfo(TGridDrawInfo &info) const
{
    auto fixedAxis = [](TGridAxisDrawInfo &axis, int lineWidth, int fixedCount, int cellCount, int extent,
                        std::function<int(int)> size) {
        axis.EffectiveLineWidth = lineWidth;
        axis.FixedCellCount = fixedCount;
        axis.GridCellCount = cellCount;
        axis.GridExtent = extent;
        axis.GetExtent = std::move(size);
        int boundary = 0;
        for (int i = 0; i < fixedCount; ++i)
            boundary += axis.GetExtent(i) + lineWidth;
        axis.FixedBoundary = boundary;
    };
    const bool vertLines = m_options & (goFixedVertLine | goVertLine);
    const bool horzLines = m_options & (goFixedHorzLine | goHorzLine);
    fixedAxis(info.Horz, vertLines ? m_gridLineWidth : 0, m_fixedCols, m_colCount, ClientWidth(),
              [this](int i) { return ColWidths(i); });
    fixedAxis(info.Vert, horzLines ? m_gridLineWidth : 0, m_fixedRows, m_rowCount, ClientHeight(),
              [this](int i) { return RowHeights(i); });
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo &axis)
{
    axis.GridBoundary = axis.FixedBoundary;
    axis.FullVisBoundary = axis.FixedBoundary;
    axis.LastFullVisibleCell = axis.FirstGridCell;
    for (int i = axis.FirstGridCell; i < axis.GridCellCount; ++i) {
        axis.GridBoundary += axis.GetExtent(i) + axis.EffectiveLineWidth;
        if (axis.GridBoundary > axis.GridExtent + axis.EffectiveLineWidth) {
            axis.GridBoundary = axis.GridExtent;
            break;
        }
        axis.LastFullVisibleCell = i;
        axis.FullVisBoundary = axis.GridBoundary;
    }
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo &info, int width, int height) const
{
    CalcFixedInfo(info);
    info.Horz.GridExtent = width;
    info.Vert.GridExtent = height;
    info.Horz.FirstGridCell = m_topLeft.X;
    info.Vert.FirstGridCell = m_topLeft.Y;
    CalcAxis(info.Horz);
    CalcAxis(info.Vert);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo &info) const
{
    CalcDrawInfoXY(info, ClientWidth(), ClientHeight());
}

int TCustomGrid::axisCellStart(const TGridAxisDrawInfo &axis, int index) const
{
    if (index < axis.FixedCellCount) {
        int start = 0;
        for (int i = 0; i < index; ++i)
            start += axis.GetExtent(i) + axis.EffectiveLineWidth;
        return start;
    }
    if (index < axis.FirstGridCell)
        return -1;
    int start = axis.FixedBoundary;
    for (int i = axis.FirstGridCell; i < index; ++i) {
        start += axis.GetExtent(i) + axis.EffectiveLineWidth;
        if (start >= axis.GridExtent)
            return -1;
    }
    return start < axis.GridExtent ? start : -1;
}

bool TCustomGrid::axisSpan(const TGridAxisDrawInfo &axis, int lo, int hi, int &start, int &end) const
{
    if (lo > hi)
        std::swap(lo, hi);
    if (lo < 0 || hi >= axis.GridCellCount)
        return false;
    if (lo >= axis.FixedCellCount && lo < axis.FirstGridCell) {
        if (hi < axis.FirstGridCell)
            return false;
        lo = axis.FirstGridCell;
    }
    if (hi >= axis.FixedCellCount && hi < axis.FirstGridCell)
        hi = axis.FixedCellCount - 1;
    start = axisCellStart(axis, lo);
    if (start < 0)
        return false;
    const int last = axisCellStart(axis, hi);
    end = last < 0 ? axis.GridExtent : std::min(axis.GridExtent, last + axis.GetExtent(hi));
    return end > start;
}

QRect TCustomGrid::BoxRect(int left, int top, int right, int bottom) const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!axisSpan(info.Horz, left, right, x0, x1) || !axisSpan(info.Vert, top, bottom, y0, y1))
        return QRect();
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

QRect TCustomGrid::CellRect(int col, int row) const
{
    return BoxRect(col, row, col, row);
}

int TCustomGrid::axisCellAt(const TGridAxisDrawInfo &axis, int pos) const
{
    if (pos < 0 || pos >= axis.GridExtent)
        return -1;
    int start = 0;
    if (pos < axis.FixedBoundary) {
        for (int i = 0; i < axis.FixedCellCount; ++i) {
            start += axis.GetExtent(i) + axis.EffectiveLineWidth;
            if (pos < start)
                return i;
        }
        return -1;
    }
    start = axis.FixedBoundary;
    for (int i = axis.FirstGridCell; i < axis.GridCellCount && start < axis.GridExtent; ++i) {
        start += axis.GetExtent(i) + axis.EffectiveLineWidth;
        if (pos < start)
            return i;
    }
    return -1;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridCoord c{axisCellAt(info.Horz, x), axisCellAt(info.Vert, y)};
    if (c.X < 0 || c.Y < 0)
        return {-1, -1};
    return c;
}

int TCustomGrid::VisibleColCount() const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Horz.LastFullVisibleCell - m_topLeft.X + 1;
}

int TCustomGrid::VisibleRowCount() const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Vert.LastFullVisibleCell - m_topLeft.Y + 1;
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord &coord, const TGridDrawInfo &info) const
{
    auto maxStart = [](const TGridAxisDrawInfo &axis, int end) {
        int start = std::max(end, axis.FixedCellCount);
        int used = axis.GetExtent(start) + axis.EffectiveLineWidth;
        const int room = axis.GridExtent - axis.FixedBoundary;
        while (start > axis.FixedCellCount) {
            const int more = axis.GetExtent(start - 1) + axis.EffectiveLineWidth;
            if (used + more > room)
                break;
            used += more;
            --start;
        }
        return start;
    };
    return {maxStart(info.Horz, coord.X), maxStart(info.Vert, coord.Y)};
}

// ---- Scrolling -----------------------------------------------------------------------------------------------

void TCustomGrid::UpdateScrollRange()
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
    const TGridCoord oldTopLeft = m_topLeft;
    if (m_colCount > m_fixedCols)
        m_topLeft.X = std::clamp(m_topLeft.X, m_fixedCols, std::max(m_fixedCols, maxTopLeft.X));
    if (m_rowCount > m_fixedRows)
        m_topLeft.Y = std::clamp(m_topLeft.Y, m_fixedRows, std::max(m_fixedRows, maxTopLeft.Y));

    m_updatingScrollBars = true;
    horizontalScrollBar()->setRange(0, std::max(0, maxTopLeft.X - m_fixedCols));
    horizontalScrollBar()->setPageStep(std::max(1, info.Horz.LastFullVisibleCell - m_topLeft.X + 1));
    verticalScrollBar()->setRange(0, std::max(0, maxTopLeft.Y - m_fixedRows));
    verticalScrollBar()->setPageStep(std::max(1, info.Vert.LastFullVisibleCell - m_topLeft.Y + 1));
    m_updatingScrollBars = false;
    UpdateScrollPos();
    if (!(m_topLeft == oldTopLeft)) {
        InvalidateGrid();
        TopLeftChanged();
    }
}

void TCustomGrid::UpdateScrollPos()
{
    m_updatingScrollBars = true;
    horizontalScrollBar()->setValue(m_topLeft.X - m_fixedCols);
    verticalScrollBar()->setValue(m_topLeft.Y - m_fixedRows);
    m_updatingScrollBars = false;
}

void TCustomGrid::scrollContentsBy(int, int)
{
    // The scroll bars count whole cells; topLeftMoved moves the picture.
}

void TCustomGrid::ScrollBarMoved(Qt::Orientation orientation, int value)
{
    if (orientation == Qt::Horizontal)
        SetLeftCol(value + m_fixedCols);
    else
        SetTopRow(value + m_fixedRows);
}

void TCustomGrid::SetLeftCol(int value)
{
    MoveTopLeft(value, m_topLeft.Y);
}

void TCustomGrid::SetTopRow(int value)
{
    MoveTopLeft(m_topLeft.X, value);
}

void TCustomGrid::MoveTopLeft(int left, int top)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord maxTopLeft = CalcMaxTopLeft({m_colCount - 1, m_rowCount - 1}, info);
    left = std::clamp(left, std::min(m_fixedCols, m_colCount - 1), std::max(m_fixedCols, maxTopLeft.X));
    top = std::clamp(top, std::min(m_fixedRows, m_rowCount - 1), std::max(m_fixedRows, maxTopLeft.Y));
    if (left == m_topLeft.X && top == m_topLeft.Y)
        return;
    const TGridCoord old = m_topLeft;
    m_topLeft = {left, top};
    topLeftMoved(old);
}

void TCustomGrid::topLeftMoved(const TGridCoord &oldTopLeft)
{
    UpdateScrollPos();
    // Pixels that stay on screen are moved rather than redrawn: a scroll by less than a page repaints only the
    // cells that come into view.
    TGridDrawInfo info;
    CalcDrawInfo(info);
    auto distance = [](const TGridAxisDrawInfo &axis, int from, int to) {
        const int lo = std::min(from, to);
        const int hi = std::max(from, to);
        const int room = axis.GridExtent - axis.FixedBoundary;
        int pixels = 0;
        for (int i = lo; i < hi; ++i) {
            pixels += axis.GetExtent(i) + axis.EffectiveLineWidth;
            if (pixels >= room)
                return -1;
        }
        return from < to ? pixels : -pixels;
    };
    const int dx = oldTopLeft.X == m_topLeft.X ? 0 : distance(info.Horz, oldTopLeft.X, m_topLeft.X);
    const int dy = oldTopLeft.Y == m_topLeft.Y ? 0 : distance(info.Vert, oldTopLeft.Y, m_topLeft.Y);
    const bool overlay = m_gridState == gsColSizing || m_gridState == gsRowSizing || m_gridState == gsColMoving;
    if (dx == -1 || dy == -1 || (dx != 0 && dy != 0) || overlay) {
        InvalidateGrid();
    } else if (dx != 0) {
        viewport()->scroll(-dx, 0,
                           QRect(info.Horz.FixedBoundary, 0, ClientWidth() - info.Horz.FixedBoundary, ClientHeight()));
    } else if (dy != 0) {
        viewport()->scroll(0, -dy,
                           QRect(0, info.Vert.FixedBoundary, ClientWidth(), ClientHeight() - info.Vert.FixedBoundary));
    }
    TopLeftChanged();
}

void TCustomGrid::ClampInView(const TGridCoord &coord)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord maxTopLeft = CalcMaxTopLeft(coord, info);
    int left = m_topLeft.X;
    int top = m_topLeft.Y;
    if (coord.X >= m_fixedCols) {
        if (coord.X < left)
            left = coord.X;
        else if (coord.X > info.Horz.LastFullVisibleCell)
            left = maxTopLeft.X;
    }
    if (coord.Y >= m_fixedRows) {
        if (coord.Y < top)
            top = coord.Y;
        else if (coord.Y > info.Vert.LastFullVisibleCell)
            top = maxTopLeft.Y;
    }
    MoveTopLeft(left, top);
}

// ---- Current cell and selection ------------------------------------------------------------------------------

void TCustomGrid::SetCol(int value)
{
    if (value != m_current.X)
        FocusCell(value, m_current.Y, true);
}

void TCustomGrid::SetRow(int value)
{
    if (value != m_current.Y)
        FocusCell(m_current.X, value, true);
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor)
{
    MoveCurrent(col, row, moveAnchor, true);
    UpdateEdit();
}

void TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show)
{
    if (col < 0 || row < 0 || col >= m_colCount || row >= m_rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (!SelectCell(col, row))
        return;
    const TGridRect oldSelection = Selection();
    const TGridCoord oldCurrent = m_current;
    m_current = {col, row};
    if (!(m_options & goAlwaysShowEditor))
        HideEditor();
    if (moveAnchor || !(m_options & goRangeSelect)) {
        m_anchor = m_current;
        if (m_options & goRowSelect)
            m_anchor.X = m_colCount - 1;
    }
    if (m_options & goRowSelect)
        m_current.X = m_fixedCols;
    if (show)
        ClampInView(m_current);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    selectionMoved(oldSelection);
}

void TCustomGrid::MoveAnchor(const TGridCoord &anchor)
{
    if (!(m_options & goRangeSelect)) {
        MoveCurrent(anchor.X, anchor.Y, true, true);
        return;
    }
    const TGridRect oldSelection = Selection();
    m_anchor = anchor;
    if (m_options & goRowSelect)
        m_anchor.X = m_colCount - 1;
    ClampInView(anchor);
    selectionMoved(oldSelection);
}

TGridRect TCustomGrid::Selection() const
{
    return gridRectFrom(m_current, m_anchor);
}

void TCustomGrid::SetSelection(const TGridRect &value)
{
    const TGridRect oldSelection = Selection();
    m_current = {value.Left, value.Top};
    m_anchor = {value.Right, value.Bottom};
    if (m_options & goRowSelect)
        m_anchor.X = m_colCount - 1;
    selectionMoved(oldSelection);
}

void TCustomGrid::selectionMoved(const TGridRect &oldSelection)
{
    const TGridRect now = Selection();
    if (now == oldSelection) {
        InvalidateCell(m_current.X, m_current.Y);
        return;
    }
    InvalidateRect(oldSelection);
    InvalidateRect(now);
}

// ---- Invalidation --------------------------------------------------------------------------------------------

void TCustomGrid::InvalidateRect(const TGridRect &rect)
{
    const QRect r = BoxRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
    if (!r.isEmpty())
        viewport()->update(r.adjusted(0, 0, m_gridLineWidth, m_gridLineWidth));
}

void TCustomGrid::InvalidateCell(int col, int row)
{
    InvalidateRect({col, row, col, row});
}

void TCustomGrid::InvalidateRow(int row)
{
    InvalidateRect({0, row, m_colCount - 1, row});
}

void TCustomGrid::InvalidateCol(int col)
{
    InvalidateRect({col, 0, col, m_rowCount - 1});
}

void TCustomGrid::InvalidateGrid()
{
    viewport()->update();
}

// ---- Painting ------------------------------------------------------------------------------------------------

void TCustomGrid::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setFont(m_font.qfont());
    painter.setPen(m_font.qcolor());
    Paint(painter, event->rect());
}

void TCustomGrid::DrawLines(QPainter &painter, const TGridDrawInfo &info, int col, int row, int startX, int startY,
                            int stopX, int stopY, bool vert, bool horz, const QColor &lineColor, const QColor &fill)
{
    const int vw = info.Horz.EffectiveLineWidth;
    const int hw = info.Vert.EffectiveLineWidth;
    QList<QRect> lines;
    QList<QRect> blanks;
    if (vw > 0) {
        int x = startX;
        for (int c = col; c < info.Horz.GridCellCount && x < stopX; ++c) {
            x += info.Horz.GetExtent(c);
            (vert ? lines : blanks).append(QRect(x, startY, vw, stopY - startY));
            x += vw;
        }
    }
    if (hw > 0) {
        int y = startY;
        for (int r = row; r < info.Vert.GridCellCount && y < stopY; ++r) {
            y += info.Vert.GetExtent(r);
            (horz ? lines : blanks).append(QRect(startX, y, stopX - startX, hw));
            y += hw;
        }
    }
    painter.save();
    painter.setPen(Qt::NoPen);
    if (!blanks.isEmpty()) {
        painter.setBrush(fill);
        painter.drawRects(blanks.constData(), int(blanks.size()));
    }
    if (!lines.isEmpty()) {
        painter.setBrush(lineColor);
        painter.drawRects(lines.constData(), int(lines.size()));
    }
    painter.restore();
}

void TCustomGrid::DrawCells(QPainter &painter, const QRect &clip, const TGridDrawInfo &info, int col, int row,
                            int startX, int startY, int stopX, int stopY, TColor color,
                            TGridDrawState includeState)
{
    const bool focused = IsActiveControl();
    const bool editorShown = m_inplaceEdit && m_inplaceEdit->isVisible();
    const TGridRect selection = Selection();
    int y = startY;
    for (int r = row; r < info.Vert.GridCellCount && y < stopY; ++r) {
        const int h = info.Vert.GetExtent(r);
        if (y > clip.bottom())
            break;
        if (h > 0 && y + h > clip.top()) {
            int x = startX;
            for (int c = col; c < info.Horz.GridCellCount && x < stopX; ++c) {
                const int w = info.Horz.GetExtent(c);
                if (x > clip.right())
                    break;
                const QRect where(x, y, w, h);
                if (w > 0 && where.intersects(clip)) {
                    TGridDrawState state = includeState;
                    const bool isCurrent = r == m_current.Y && c == m_current.X;
                    if (!(includeState & gdFixed)) {
                        if (focused && isCurrent)
                            state |= gdFocused;
                        if (selection.Contains(c, r))
                            state |= gdSelected;
                    }
                    if (!(isCurrent && editorShown && !(includeState & gdFixed))) {
                        if (m_defaultDrawing) {
                            const bool highlight = (state & gdSelected)
                                && (!(state & gdFocused) || (m_options & (goDrawFocusSelected | goRowSelect)));
                            painter.fillRect(where, toQColor(highlight ? clHighlight : color));
                        }
                        DrawCell(painter, c, r, where, state);
                        if (m_defaultDrawing && (state & gdFocused)
                            && (m_options & (goEditing | goAlwaysShowEditor)) != (goEditing | goAlwaysShowEditor)
                            && !(m_options & goRowSelect))
                            DrawFocusRect(painter, where);
                    }
                }
                x += w + info.Horz.EffectiveLineWidth;
            }
        }
        y += h + info.Vert.EffectiveLineWidth;
    }
}

void TCustomGrid::DrawCell(QPainter &, int, int, const QRect &, TGridDrawState)
{
}

void TCustomGrid::Paint(QPainter &painter, const QRect &clip)
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int fixedX = info.Horz.FixedBoundary;
    const int fixedY = info.Vert.FixedBoundary;
    const int gridX = info.Horz.GridBoundary;
    const int gridY = info.Vert.GridBoundary;
    const QColor fixedLine = toQColor(clBlack);
    const QColor dataLine = toQColor(m_color == clSilver ? clGray : clSilver);
    const QColor fixedFill = toQColor(m_fixedColor);
    const QColor dataFill = toQColor(m_color);
    const bool fixedVert = m_options & goFixedVertLine;
    const bool fixedHorz = m_options & goFixedHorzLine;
    const bool vert = m_options & goVertLine;
    const bool horz = m_options & goHorzLine;

    // Fixed corner, fixed rows, fixed columns, then the scrollable cells.
    DrawLines(painter, info, 0, 0, 0, 0, fixedX, fixedY, fixedVert, fixedHorz, fixedLine, fixedFill);
    DrawLines(painter, info, m_topLeft.X, 0, fixedX, 0, gridX, fixedY, fixedVert, fixedHorz, fixedLine, fixedFill);
    DrawLines(painter, info, 0, m_topLeft.Y, 0, fixedY, fixedX, gridY, fixedVert, fixedHorz, fixedLine, fixedFill);
    DrawLines(painter, info, m_topLeft.X, m_topLeft.Y, fixedX, fixedY, gridX, gridY, vert, horz, dataLine, dataFill);

    DrawCells(painter, clip, info, 0, 0, 0, 0, fixedX, fixedY, m_fixedColor, gdFixed);
    DrawCells(painter, clip, info, m_topLeft.X, 0, fixedX, 0, gridX, fixedY, m_fixedColor, gdFixed);
    DrawCells(painter, clip, info, 0, m_topLeft.Y, 0, fixedY, fixedX, gridY, m_fixedColor, gdFixed);
    DrawCells(painter, clip, info, m_topLeft.X, m_topLeft.Y, fixedX, fixedY, gridX, gridY, m_color, 0);

    if (m_defaultDrawing && (m_options & goRowSelect) && IsActiveControl()) {
        const QRect row = BoxRect(m_fixedCols, m_current.Y, m_colCount - 1, m_current.Y);
        if (!row.isEmpty())
            DrawFocusRect(painter, row);
    }

    // Beyond the last column and below the last row.
    if (gridX < ClientWidth())
        painter.fillRect(QRect(gridX, 0, ClientWidth() - gridX, ClientHeight()), dataFill);
    if (gridY < ClientHeight())
        painter.fillRect(QRect(0, gridY, gridX, ClientHeight() - gridY), dataFill);

    // The border being dragged, or where a moved column would land.
    const QRect overlay = overlayRect();
    if (!overlay.isEmpty()) {
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.fillRect(overlay, Qt::white);
        painter.restore();
    }
}

QRect TCustomGrid::overlayRect() const
{
    switch (m_gridState) {
    case gsColSizing:
        return QRect(m_sizingPos, 0, 1, ClientHeight());
    case gsRowSizing:
        return QRect(0, m_sizingPos, ClientWidth(), 1);
    case gsColMoving: {
        if (m_movePos < 0 || m_movePos == m_moveIndex)
            return QRect();
        const QRect cell = CellRect(m_movePos, 0);
        if (cell.isEmpty())
            return QRect();
        const int x = m_movePos > m_moveIndex ? cell.left() + cell.width() - 1 : cell.left() - 1;
        return QRect(std::max(0, x), 0, 2, ClientHeight());
    }
    default:
        return QRect();
    }
}

void TCustomGrid::invalidateOverlay()
{
    const QRect r = overlayRect();
    if (!r.isEmpty())
        viewport()->update(r);
}

// ---- Editor --------------------------------------------------------------------------------------------------

TInplaceEdit *TCustomGrid::CreateEditor()
{
    return new TInplaceEdit(this);
}

bool TCustomGrid::CanEditShow()
{
    return (m_options & (goRowSelect | goEditing)) == goEditing && m_editorMode
        && ((m_options & goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGrid::CanEditAcceptKey(QChar)
{
    return true;
}

bool TCustomGrid::CanEditModify()
{
    return true;
}

QString TCustomGrid::GetEditText(int, int)
{
    return QString();
}

void TCustomGrid::SetEditText(int, int, const QString &)
{
}

QString TCustomGrid::GetEditMask(int, int)
{
    return QString();
}

int TCustomGrid::GetEditLimit()
{
    return 0;
}

void TCustomGrid::SetEditorMode(bool value)
{
    if (value)
        ShowEditor();
    else if (!(m_options & goAlwaysShowEditor))
        HideEditor();
}

void TCustomGrid::ShowEditor()
{
    m_editorMode = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor()
{
    m_editorMode = false;
    hideEdit();
}

void TCustomGrid::hideEdit()
{
    if (!m_inplaceEdit)
        return;
    const bool hadFocus = m_inplaceEdit->hasFocus();
    updateText();
    m_inplaceCol = -1;
    m_inplaceRow = -1;
    if (m_inplaceEdit->isVisible()) {
        m_inplaceEdit->hide();
        InvalidateCell(Col(), Row());
    }
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
}

void TCustomGrid::updateText()
{
    if (m_inplaceCol != -1 && m_inplaceRow != -1)
        SetEditText(m_inplaceCol, m_inplaceRow, m_inplaceEdit->text());
}

void TCustomGrid::UpdateEdit()
{
    if (!CanEditShow())
        return;
    if (!m_inplaceEdit)
        m_inplaceEdit = CreateEditor();
    if (Col() != m_inplaceCol || Row() != m_inplaceRow) {
        if (m_inplaceCol != -1)
            hideEdit();
        m_inplaceCol = Col();
        m_inplaceRow = Row();
        m_inplaceEdit->UpdateContents();
    }
    if (CanEditShow())
        m_inplaceEdit->Move(CellRect(Col(), Row()));
}

void TCustomGrid::InvalidateEditor()
{
    m_inplaceCol = -1;
    m_inplaceRow = -1;
    UpdateEdit();
}

void TCustomGrid::DoExit()
{
    if (!(m_options & goAlwaysShowEditor))
        HideEditor();
}

bool TCustomGrid::IsActiveControl() const
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == this || focus == viewport() || (m_inplaceEdit && focus == m_inplaceEdit));
}

void TCustomGrid::focusChanged(QWidget *old, QWidget *now)
{
    auto ours = [this](QWidget *w) { return w && (w == this || w == viewport() || w == m_inplaceEdit); };
    if (ours(old) && !ours(now)) {
        CancelMode();
        DoExit();
    }
}

bool TCustomGrid::HolderAllowsEdit(QWidget *)
{
    return CanEditModify();
}

void TCustomGrid::GetLastMouseDown(QPoint &screenPos, qint64 &time)
{
    screenPos = m_lastMouseDownPos;
    time = m_lastMouseDownTime;
}

bool TCustomGrid::PreviewEditorMessage(QWidget *, QEvent *)
{
    return false;
}

void TCustomGrid::PreviewEditorKeyDown(QWidget *, int &, Qt::KeyboardModifiers)
{
}

void TCustomGrid::PreviewEditorKeyPress(QWidget *, QChar &)
{
}

void TCustomGrid::PreviewEditorKeyUp(QWidget *, int &, Qt::KeyboardModifiers)
{
}

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
{
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
}

void TCustomGrid::keyReleaseEvent(QKeyEvent *event)
{
    int key = event->key();
    KeyUp(key, event->modifiers());
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
{
    // The cursor follows the borders that can be dragged.
    if (event->type() == QEvent::MouseMove && m_gridState == gsNormal) {
        const auto *me = static_cast<QMouseEvent *>(event);
        if (me->buttons() == Qt::NoButton)
            updateSizingCursor(me->position().toPoint().x(), me->position().toPoint().y());
    }
    return QAbstractScrollArea::viewportEvent(event);
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
{
    const QPoint p = event->position().toPoint();
    m_lastMouseDownPos = event->globalPosition().toPoint();
    m_lastMouseDownTime = qint64(event->timestamp());
    MouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_inDoubleClick = true;
    mousePressEvent(event);
    m_inDoubleClick = false;
    if (event->button() == Qt::LeftButton)
        DblClick();
}

void TCustomGrid::DblClick()
{
}

void TCustomGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    MouseMove(event->modifiers(), p.x(), p.y());
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    MouseUp(event->button(), event->modifiers(), p.x(), p.y());
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
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const bool handled = delta < 0 ? DoMouseWheelDown(event->modifiers(), pos)
                                   : DoMouseWheelUp(event->modifiers(), pos);
    event->setAccepted(handled);
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
{
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

// ---- Focus and size ------------------------------------------------------------------------------------------

void TCustomGrid::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    InvalidateRect(Selection());
    UpdateEdit();
}

void TCustomGrid::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateRect(Selection());
}

void TCustomGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    UpdateEdit();
}
