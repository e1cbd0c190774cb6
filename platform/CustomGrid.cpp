#include "CustomGrid.h"
#include "CustomGridInternal.h"

#include "Guard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

using namespace customgrid;

// ---- TInplaceEdit --------------------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TCustomGrid *grid)
    : QLineEdit(grid->viewport())
    , m_grid(grid)
{
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textEdited, this, guarded([this](const QString &text) {
        if (!m_updating && m_grid->m_inplaceCol >= 0)
            m_grid->SetEditText(m_grid->m_inplaceCol, m_grid->m_inplaceRow, text);
    }));
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
try {
    const HandlerEdge edge;
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
    return throughQt([&] { return QLineEdit::event(event); });
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TInplaceEdit::keyPressEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
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
} catch (...) {
    endAtHandlerEdge();
}

void TInplaceEdit::keyReleaseEvent(QKeyEvent *event)
try {
    const HandlerEdge edge;
    int key = event->key();
    m_grid->PreviewEditorKeyUp(this, key, event->modifiers());
    if (key != 0)
        QLineEdit::keyReleaseEvent(event);
} catch (...) {
    endAtHandlerEdge();
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
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, guarded([this](int value) {
        if (!m_updatingScrollBars && (!horizontalScrollBar()->isSliderDown() || (m_options & goThumbTracking)))
            ScrollBarMoved(Qt::Horizontal, value);
    }));
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this,
            guarded([this] { ScrollBarMoved(Qt::Horizontal, horizontalScrollBar()->value()); }));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, guarded([this](int value) {
        if (!m_updatingScrollBars && (!verticalScrollBar()->isSliderDown() || (m_options & goThumbTracking)))
            ScrollBarMoved(Qt::Vertical, value);
    }));
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
            guarded([this] { ScrollBarMoved(Qt::Vertical, verticalScrollBar()->value()); }));
    m_focusConnection = connect(qApp, &QApplication::focusChanged, this,
                                guarded([this](QWidget *old, QWidget *now) { focusChanged(old, now); }));
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

// ---- Focus and size ------------------------------------------------------------------------------------------

void TCustomGrid::focusInEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    QAbstractScrollArea::focusInEvent(event);
    InvalidateRect(Selection());
    UpdateEdit();
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::focusOutEvent(QFocusEvent *event)
try {
    const HandlerEdge edge;
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateRect(Selection());
} catch (...) {
    endAtHandlerEdge();
}

void TCustomGrid::resizeEvent(QResizeEvent *event)
try {
    const HandlerEdge edge;
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    UpdateEdit();
} catch (...) {
    endAtHandlerEdge();
}
