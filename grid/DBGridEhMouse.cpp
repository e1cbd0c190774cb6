// The mouse over the data grid: presses, moves and releases over titles, indicator, data cells and footers;
// title buttons and sort marking; selection gestures with their auto-scroll; fitting column widths; cursors.
#include "DBGridEh.h"
#include "DbUtilsEh.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

// ---- Cursors -------------------------------------------------------------------------------------------------

namespace {

class EOutOfResources : public Exception
{
public:
    using Exception::Exception;
};

QCursor loadGridCursor(const char *name, int hotX, int hotY)
{
    const QPixmap pixmap(QStringLiteral(":/grid/%1.xpm").arg(QLatin1String(name)));
    if (pixmap.isNull())
        throw EOutOfResources(QStringLiteral("Cannot load cursor resource"));
    return QCursor(pixmap, hotX, hotY);
}

} // namespace

static void initGridCursorResources()
{
    Q_INIT_RESOURCE(GridCursors);
}

namespace {

struct GridCursors
{
    GridCursors()
    {
        initGridCursorResources();
        down = loadGridCursor("DOWNCUREH", 8, 14);
        right = loadGridCursor("RIGHTCUREH", 14, 8);
        left = loadGridCursor("LEFTCUREH", 1, 8);
    }
    QCursor down, right, left;
};

const GridCursors &gridCursors()
{
    static const GridCursors cursors;
    return cursors;
}

// The lowest pixels of a title that select its column.
constexpr int kColumnSelectZone = 7;

} // namespace

const QCursor &DownCursorEh()
{
    return gridCursors().down;
}

const QCursor &RightCursorEh()
{
    return gridCursors().right;
}

const QCursor &LeftCursorEh()
{
    return gridCursors().left;
}

// ---- Auto-scroll ---------------------------------------------------------------------------------------------

int ColumnAutoScrollInterval(int distance)
{
    return std::max(0, 200 - 10 * distance);
}

int RowAutoScrollInterval(int distance)
{
    return std::max(0, 200 - 15 * distance);
}

int RowAutoScrollRecords(int distance)
{
    // Just past the edge still moves: one record at least, eight at most.
    if (distance <= 0)
        return 0;
    return std::clamp(distance / 6, 1, 8);
}

const QCursor *TCustomDBGridEh::GridCursorAt(int x, int y)
{
    static const QCursor split(Qt::SplitHCursor);
    if ((m_dbOptions & dgColumnResize) && frozenBorderAt(x, y) >= 0)
        return &split;
    if (!m_dataLink->Active() || !(m_dbOptions & dgMultiSelect))
        return nullptr;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridState state = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(x, y, state, index, pos, ofs, info);
    if (state != gsNormal)
        return nullptr;
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X < 0 || cell.Y < 0)
        return nullptr;
    const int dataRow = cell.Y - TopFixedRows();
    if (cell.X < m_indicatorOffset && dataRow >= 0 && dataRow < m_dataLink->RecordCount()
        && !m_dataLink->DataSet()->IsEmpty() && (m_allowedSelections & gstRecordBookmarks)
        && (FirstFooterRow() < 0 || cell.Y < FirstFooterRow() - 1))
        return layoutDirection() == Qt::RightToLeft ? &LeftCursorEh() : &RightCursorEh();
    const int dataCol = cell.X - m_indicatorOffset;
    if (HasTitleRow() && cell.Y == 0 && dataCol >= 0 && dataCol < Columns().Count() && !(m_dbOptions & dgRowSelect)
        && (m_allowedSelections & gstColumns)) {
        const QRect rect = CellRect(cell.X, 0);
        if (rect.height() <= kColumnSelectZone || y > rect.bottom() - kColumnSelectZone)
            return &DownCursorEh();
    }
    return nullptr;
}

// ---- Events --------------------------------------------------------------------------------------------------

void TCustomDBGridEh::SortMarkingChanged()
{
    if (!(m_optionsEh & dghAutoSortMarking))
        return;
    if (OnSortMarkingChanged)
        OnSortMarkingChanged(this);
    else
        ApplySorting();
}

void TCustomDBGridEh::ApplySorting()
{
    // The grid never reorders data itself; the dataset's features do, once they are registered for it.
    DBGridEhDataService().ApplySorting(this);
}

void TCustomDBGridEh::TitleBtnClick(int aCol, TColumnEh *column)
{
    if (OnTitleBtnClick)
        SafeCall([&] { OnTitleBtnClick(this, aCol, column); });
}

bool TCustomDBGridEh::CheckTitleButton(int aCol)
{
    const int dataCol = aCol - m_indicatorOffset;
    if (dataCol < 0 || dataCol >= Columns().Count())
        return false;
    TColumnEh *column = Columns()[dataCol];
    bool enabled = column->Title().TitleButton();
    if (OnCheckButton)
        SafeCall([&] { OnCheckButton(this, aCol, column, enabled); });
    return enabled;
}

void TCustomDBGridEh::TitleClick(TColumnEh *column)
{
    if (OnTitleClick)
        SafeCall([&] { OnTitleClick(column); });
}

void TCustomDBGridEh::CellClick(TColumnEh *column)
{
    if (OnCellClick)
        SafeCall([&] { OnCellClick(column); });
}

void TCustomDBGridEh::ColEnter()
{
    if (OnColEnter)
        SafeCall([&] { OnColEnter(this); });
}

void TCustomDBGridEh::ColExit()
{
    if (OnColExit)
        SafeCall([&] { OnColExit(this); });
}

// ---- Press ---------------------------------------------------------------------------------------------------

bool TCustomDBGridEh::inLeafBand(int col, int y) const
{
    const int dataCol = col - m_indicatorOffset;
    const THeadTreeNode *leaf = m_useMultiTitle && dataCol >= 0 ? LeafFieldArr(dataCol) : nullptr;
    return !leaf || y >= CellRect(col, 0).bottom() - leaf->Height + 3;
}

bool TCustomDBGridEh::titlePressHit(int x, int y) const
{
    const TGridCoord cell = MouseCoord(x, y);
    return HasTitleRow() && cell.Y == 0 && cell.X == m_pressedCol && inLeafBand(cell.X, y);
}

int TCustomDBGridEh::frozenBorderAt(int x, int y) const
{
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int lineWidth = info.Horz.EffectiveLineWidth;
    if (y < 0 || y >= info.Vert.FixedBoundary || lineWidth > 6)
        return -1;
    const int zone = (7 - lineWidth) / 2;
    if (FixedCols() > m_indicatorOffset) {
        const int last = FixedCols() - 1;
        const int border = CellRect(last, 0).left() + ColWidths(last);
        if (std::abs(x - border) <= zone)
            return last;
    }
    // A column running past the right edge is sized by dragging that edge.
    const int edge = ClientWidth() - 1;
    if (std::abs(x - edge) <= zone) {
        const TGridCoord cell = MouseCoord(edge, y);
        if (cell.X >= m_indicatorOffset && CellRect(cell.X, 0).left() + ColWidths(cell.X) > ClientWidth())
            return cell.X;
    }
    return -1;
}

void TCustomDBGridEh::paintMouseOverlay(QPainter &painter)
{
    if (m_trackMode != tmFrozenEh || (m_optionsEh & dghTraceColSizing))
        return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
    painter.drawLine(m_frozenLine, 0, m_frozenLine, ClientHeight());
    painter.restore();
}

void TCustomDBGridEh::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    if (!TakeFocus())
        return;
    m_lastMousePoint = {x, y};
    m_lastMouseShift = shift;
    m_pressPoint = {x, y};
    m_pressWasDouble = InDoubleClick();
    m_checkPressCell = {-1, -1};
    const bool left = button == Qt::LeftButton;
    const bool withShift = shift & Qt::ShiftModifier;
    const bool ctrl = shift & Qt::ControlModifier;
    const auto mouseDownEvent = [&] {
        if (OnMouseDown)
            SafeCall([&] { OnMouseDown(this, button, shift, x, y); });
    };
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TGridCoord cell = MouseCoord(x, y);
    const int dataCol = cell.X - m_indicatorOffset;
    const bool dataColumn = cell.X >= m_indicatorOffset && dataCol < Columns().Count();
    const bool titleRows = cell.Y >= 0 && cell.Y < TopFixedRows();
    TGridState sizing = gsNormal;
    int sizingIndex = -1, sizingPos = 0, sizingOfs = 0;
    CalcSizingState(x, y, sizing, sizingIndex, sizingPos, sizingOfs, info);

    const int frozenBorder = (m_dbOptions & dgColumnResize) ? frozenBorderAt(x, y) : -1;
    // 1. Double click: fit a column at its title border, or step a check box or image cell.
    if (left && InDoubleClick()) {
        bool fitted = false;
        if ((sizing == gsColSizing || frozenBorder >= 0) && (m_optionsEh & dghDblClickOptimizeColWidth)) {
            const int fitCol = (frozenBorder >= 0 ? frozenBorder : sizingIndex) - m_indicatorOffset;
            if (fitCol >= 0 && fitCol < Columns().Count()) {
                FitColumnWidths(Columns()[fitCol]);
                fitted = true;
            }
        } else if (dataColumn && !titleRows && m_dataLink->Active()) {
            TColumnEh *column = Columns()[dataCol];
            const TColCellKindEh kind = column->GetCellKind();
            if ((kind == ckCheckBoxEh || kind == ckImageEh) && column->DblClickNextVal())
                column->StepColumnValue(withShift ? -1 : 1);
        }
        if (!fitted && OnDblClick)
            SafeCall([&] { OnDblClick(this); });
        mouseDownEvent();
        return;
    }
    // A press on a filter cell edits it.
    if ((left || button == Qt::RightButton) && dataColumn && sizing == gsNormal && frozenBorder < 0
        && IsFilterRowVisible() && cell.Y == (HasTitleRow() ? 1 : 0)) {
        EnterFilterRow(dataCol);
        mouseDownEvent();
        return;
    }
    // 2. The border of the frozen columns (which the cell grid does not size) or the client's right edge.
    if (left && frozenBorder >= 0) {
        if (m_dataLink->Active() && m_dataLink->Modified())
            m_dataLink->UpdateRecord();
        m_trackMode = tmFrozenEh;
        m_sizeIndex = frozenBorder;
        m_sizeStart = CellRect(frozenBorder, 0).left();
        m_frozenLine = x;
        viewport()->update();
        return;
    }
    // 3. Borders that size columns or rows belong to the cell grid; traced sizing follows the mouse live.
    if (sizing != gsNormal) {
        if (m_dataLink->Active() && m_dataLink->Modified())
            m_dataLink->UpdateRecord();
        if (left && sizing == gsColSizing && (m_optionsEh & dghTraceColSizing)) {
            m_sizeIndex = sizingIndex;
            m_sizeStart = sizingPos - ColWidths(sizingIndex);
            m_sizeOfs = sizingOfs;
        }
        TCustomGrid::MouseDown(button, shift, x, y);
        mouseDownEvent();
        return;
    }
    // 4. The lowest strip of a title selects its column.
    if (left && dataColumn && titleRows && GridCursorAt(x, y) == &DownCursorEh()) {
        TColumnEh *column = Columns()[dataCol];
        TDBGridEhSelectionCols &columns = m_selection->Columns();
        if (withShift)
            columns.ExtendToColumn(column);
        else if (ctrl)
            columns.ToggleColumn(column);
        else
            columns.SelectColumn(column, false);
        m_trackMode = tmColSelectEh;
        m_autoScrollTimer.start(60, this);
        return;
    }
    // 5. With column resizing a right press on a title moves the column as a left press would.
    if (button == Qt::RightButton && (m_dbOptions & dgColumnResize) && dataColumn && titleRows
        && inLeafBand(cell.X, y)) {
        if (m_dataLink->Active() && m_dataLink->Modified())
            m_dataLink->UpdateRecord();
        TCustomGrid::MouseDown(Qt::LeftButton, shift, x, y);
        return;
    }
    // A title that is a button is pressed.
    if (dataColumn && HasTitleRow() && cell.Y == 0 && left && inLeafBand(cell.X, y) && CheckTitleButton(cell.X)) {
        m_titlePressed = true;
        m_pressedCol = cell.X;
        m_pressedInside = true;
        m_pressPoint = {x, y};
        InvalidateCell(cell.X, 0);
        return;
    }
    // 6. The indicator corner selects everything; other title presses move columns.
    if (titleRows) {
        if (left && cell.X < m_indicatorOffset && (m_dbOptions & dgMultiSelect) && m_dataLink->Active()
            && (m_allowedSelections & gstAll)) {
            if (m_selection->SelectionType() == gstAll)
                m_selection->Clear();
            else
                m_selection->SelectEverything();
        }
        if (m_dataLink->Active() && m_dataLink->Modified())
            m_dataLink->UpdateRecord();
        TCustomGrid::MouseDown(button, shift, x, y);
        mouseDownEvent();
        return;
    }
    // 7. Data rows.
    const int firstFooter = FirstFooterRow();
    const int dataRow = cell.Y - TopFixedRows();
    TDataSet *ds = m_dataLink->DataSet();
    const bool inData = m_dataLink->Active() && ds && cell.Y >= TopFixedRows() && cell.X >= 0
        && (firstFooter < 0 || cell.Y < firstFooter - 1) && dataRow < std::max(1, m_dataLink->RecordCount());
    if (!inData) {
        mouseDownEvent();
        return;
    }
    const bool onIndicator = cell.X < m_indicatorOffset;
    const bool rowSelect = m_dbOptions & dgRowSelect;
    const bool multi = m_dbOptions & dgMultiSelect;
    const TGridCoord oldCell{Col(), Row()};
    const QByteArray oldBookmark = ds->GetBookmark();
    const int oldDataCol = SelectedIndex();
    const bool sameCell = oldCell == cell;
    const bool rowsUsable = SelectionKindUsable(gstRecordBookmarks);
    const bool rectUsable = SelectionKindUsable(gstRectangle) && !ds->IsEmpty();
    const bool rowGesture = rowsUsable && (rowSelect || onIndicator || !rectUsable);
    // A press on the selection may be the start of dragging it: it leaves the selection as it is for now.
    const bool armDrag = left && !withShift && multi && m_dragMode == dmAutomatic && IsCellSelected(cell.X, cell.Y);
    BeginUpdate();
    try {
        if (m_dataLink->Modified())
            m_dataLink->UpdateRecord();
        if (!sameCell && !AlwaysShowsEditor())
            HideEditor();
        // A Shift gesture over records moves record by record itself, selecting on the way.
        const bool shiftRowGesture = withShift && multi && rowGesture;
        if (dataRow != m_dataLink->ActiveRecord() && !shiftRowGesture)
            m_dataLink->MoveBy(dataRow - m_dataLink->ActiveRecord());
        if (dataColumn)
            SelectCol(dataCol, 0);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();

    m_toggleMode = ctrl || !(m_optionsEh & dghClearSelection);
    TBookmarkListEh &rows = m_selection->Rows();
    m_dragArmed = armDrag;
    if (armDrag) {
        // The release, or a move that starts the drag, decides.
    } else if (rowGesture) {
        if (withShift && dataRow != m_dataLink->ActiveRecord()) {
            // From the record where the gesture began to the one pressed.
            MoveBySelecting(dataRow - m_dataLink->ActiveRecord(), false);
        } else if (left && m_toggleMode) {
            rows.SetCurrentRecordSelected(!rows.CurrentRecordSelected());
            m_rowGesture = false;
        } else if (left) {
            if (m_optionsEh & dghClearSelection)
                m_selection->Clear();
            rows.SetCurrentRecordSelected(true);
        }
        if (left) {
            if (!m_rowGesture) {
                m_rowAnchor = ds->GetBookmark();
                m_rowToggleTarget = rows.CurrentRecordSelected();
                m_rowGesture = true;
            }
            m_trackMode = tmRowEh;
        }
    } else if (!rowSelect && !onIndicator) {
        m_trackMode = tmCellEh;
        if (!ctrl && !withShift && (m_optionsEh & dghClearSelection)
            && (left || !IsCellSelected(cell.X, cell.Y)))
            ClearSelectionOnMove();
        if (left && dataColumn && rectUsable) {
            TDBGridEhSelectionRect &rect = m_selection->Rect();
            if (withShift) {
                if (rect.Empty() || m_selection->SelectionType() != gstRectangle)
                    rect.SelectCell(std::max(0, oldDataCol), oldBookmark, false);
                rect.SelectCell(dataCol, ds->GetBookmark(), true);
            } else {
                rect.SelectCell(dataCol, ds->GetBookmark(), false);
            }
            m_trackMode = tmRectEh;
        }
    }
    if (left && dataColumn) {
        const TColCellKindEh kind = Columns()[dataCol]->GetCellKind();
        if (kind == ckCheckBoxEh || kind == ckImageEh)
            m_checkPressCell = cell;
        else if ((sameCell || AlwaysShowsEditor()) && !withShift && !ctrl)
            ShowEditor();
        else
            InvalidateEditor();
    }
    mouseDownEvent();
}

// ---- Move ----------------------------------------------------------------------------------------------------

void TCustomDBGridEh::trackTo(int x, int y, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift);
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int top = info.Vert.FixedBoundary;
    const int bottom = std::max(top, info.Vert.FullVisBoundary - 1);
    const int cx = std::clamp(x, info.Horz.FixedBoundary, std::max(info.Horz.FixedBoundary, info.Horz.GridBoundary - 1));
    const int cy = std::clamp(y, top, bottom);
    const TGridCoord cell = MouseCoord(cx, cy);
    TDataSet *ds = m_dataLink->DataSet();
    if (cell.Y >= TopFixedRows() && m_dataLink->Active() && ds) {
        const int dataRow = std::min(cell.Y - TopFixedRows(), m_dataLink->RecordCount() - 1);
        const int distance = dataRow - m_dataLink->ActiveRecord();
        if (distance != 0) {
            if (m_trackMode == tmRowEh)
                MoveBySelecting(distance, false);
            else
                m_dataLink->MoveBy(distance);
        }
    }
    const int dataCol = cell.X - m_indicatorOffset;
    if ((m_trackMode == tmCellEh || m_trackMode == tmRectEh) && dataCol >= 0 && dataCol < Columns().Count()
        && dataCol != SelectedIndex())
        SelectCol(dataCol, 0);
    if (m_trackMode == tmRectEh && ds)
        m_selection->Rect().SelectCell(SelectedIndex(), ds->GetBookmark(), true);
    const bool outside = y < top || y > bottom || x < info.Horz.FixedBoundary || x >= info.Horz.GridBoundary;
    if (outside) {
        if (!m_autoScrollTimer.isActive())
            m_autoScrollTimer.start(0, this);
    } else {
        m_autoScrollTimer.stop();
    }
}

void TCustomDBGridEh::MouseMove(Qt::KeyboardModifiers shift, int x, int y)
{
    m_lastMousePoint = {x, y};
    m_lastMouseShift = shift;
    if (m_dragArmed) {
        if ((QPoint(x, y) - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragArmed = false;
            StartSelectionDrag();
        }
        return;
    }
    if (m_titlePressed) {
        const bool inside = titlePressHit(x, y);
        if (inside != m_pressedInside) {
            m_pressedInside = inside;
            InvalidateCell(m_pressedCol, 0);
        }
        // Dragged sideways: the press becomes the moving of the column.
        if ((m_dbOptions & dgColumnResize) && std::abs(x - m_pressPoint.x()) > 3) {
            m_titlePressed = false;
            InvalidateCell(m_pressedCol, 0);
            TCustomGrid::MouseDown(Qt::LeftButton, shift, m_pressPoint.x(), m_pressPoint.y());
            TCustomGrid::MouseMove(shift, x, y);
        }
        return;
    }
    switch (m_trackMode) {
    case tmRowEh:
    case tmCellEh:
    case tmRectEh:
        trackTo(x, y, shift);
        return;
    case tmFrozenEh:
        m_frozenLine = std::max(x, m_sizeStart + 1);
        if (m_optionsEh & dghTraceColSizing)
            Columns()[m_sizeIndex - m_indicatorOffset]->SetWidth(m_frozenLine - m_sizeStart);
        else
            viewport()->update();
        return;
    case tmColSelectEh: {
        const TGridCoord cell = MouseCoord(x, y);
        const int dataCol = cell.X - m_indicatorOffset;
        TGridDrawInfo info;
        CalcDrawInfo(info);
        if (x >= info.Horz.FixedBoundary && x < info.Horz.GridBoundary && dataCol >= 0
            && dataCol < Columns().Count()) {
            m_selection->Columns().ExtendToColumn(Columns()[dataCol]);
            m_autoScrollTimer.stop();
        } else if (!m_autoScrollTimer.isActive()) {
            m_autoScrollTimer.start(0, this);
        }
        return;
    }
    default:
        break;
    }
    TCustomGrid::MouseMove(shift, x, y);
    if (GridState() == gsColSizing && m_sizeIndex >= m_indicatorOffset && (m_optionsEh & dghTraceColSizing)) {
        int width = std::max(1, x + m_sizeOfs - m_sizeStart);
        // With auto-fit the column may not grow past the grid's right edge.
        if (m_autoFitColWidths)
            width = std::min(width, std::max(1, ClientWidth() - m_sizeStart));
        Columns()[m_sizeIndex - m_indicatorOffset]->SetWidth(width);
    }
    if (GridState() == gsNormal) {
        if (const QCursor *cursor = GridCursorAt(x, y))
            viewport()->setCursor(*cursor);
    }
}

void TCustomDBGridEh::AutoScrollStep()
{
    const QPoint p = m_lastMousePoint;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int leftEdge = info.Horz.FixedBoundary;
    const int rightEdge = info.Horz.GridBoundary;
    const int dx = p.x() < leftEdge ? p.x() - leftEdge : (p.x() >= rightEdge ? p.x() - rightEdge + 1 : 0);
    if (m_trackMode == tmColSelectEh) {
        if (dx == 0) {
            m_autoScrollTimer.stop();
            return;
        }
        if (dx > 0) {
            SetLeftCol(std::min(LeftCol() + 1, ColCount() - 1));
            CalcDrawInfo(info);
            const int next = std::min(info.Horz.LastFullVisibleCell + 1, ColCount() - 1) - m_indicatorOffset;
            if (next >= 0 && next < Columns().Count())
                m_selection->Columns().ExtendToColumn(Columns()[next]);
        } else {
            SetLeftCol(std::max(LeftCol() - 1, FixedCols()));
            const int first = LeftCol() - m_indicatorOffset;
            if (first >= 0 && first < Columns().Count())
                m_selection->Columns().ExtendToColumn(Columns()[first]);
        }
        m_autoScrollTimer.start(ColumnAutoScrollInterval(std::abs(dx)), this);
        return;
    }
    if (m_trackMode != tmRowEh && m_trackMode != tmCellEh && m_trackMode != tmRectEh) {
        m_autoScrollTimer.stop();
        return;
    }
    const int top = info.Vert.FixedBoundary;
    const int bottom = info.Vert.FullVisBoundary;
    const int dy = p.y() < top ? p.y() - top : (p.y() >= bottom ? p.y() - bottom + 1 : 0);
    if (dx == 0 && dy == 0) {
        m_autoScrollTimer.stop();
        return;
    }
    TDataSet *ds = m_dataLink->DataSet();
    if (dy != 0 && ds) {
        const int records = RowAutoScrollRecords(std::abs(dy)) * (dy > 0 ? 1 : -1);
        if (m_trackMode == tmRowEh)
            MoveBySelecting(records, false);
        else
            m_dataLink->MoveBy(records);
    }
    if (dx != 0 && m_trackMode != tmRowEh)
        SelectCol(SelectedIndex() + (dx > 0 ? 1 : -1), dx > 0 ? 1 : -1);
    if (m_trackMode == tmRectEh && ds)
        m_selection->Rect().SelectCell(SelectedIndex(), ds->GetBookmark(), true);
    m_autoScrollTimer.start(RowAutoScrollInterval(std::max(std::abs(dx), std::abs(dy))), this);
}

// ---- Release -------------------------------------------------------------------------------------------------

void TCustomDBGridEh::endSortClick(TColumnEh *column, bool ctrl)
{
    TitleBtnClick(column->Index() + m_indicatorOffset, column);
    if (!(m_optionsEh & dghAutoSortMarking))
        return;
    // Ctrl keeps the markers of the other columns and waits with the sorting until it is let go.
    column->Title().ToggleSortMarker(ctrl && (m_optionsEh & dghMultiSortMarking));
    if (ctrl) {
        m_sortMarkingPending = true;
    } else {
        m_sortMarkingPending = false;
        SafeCall([&] { SortMarkingChanged(); });
    }
}

void TCustomDBGridEh::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    m_autoScrollTimer.stop();
    const bool left = button == Qt::LeftButton;
    const TGridCoord cell = MouseCoord(x, y);
    const int dataCol = cell.X - m_indicatorOffset;
    const bool dataColumn = cell.X >= m_indicatorOffset && dataCol < Columns().Count();
    const bool dataRows = cell.Y >= TopFixedRows() && (FirstFooterRow() <= 0 || cell.Y < FirstFooterRow() - 1);
    if (button == Qt::RightButton && dataColumn && dataRows && Columns()[dataCol]->PopupMenu) {
        QMenu *menu = Columns()[dataCol]->PopupMenu;
        CancelMode();
        menu->popup(viewport()->mapToGlobal(QPoint(x, y)));
        return;
    }
    if (m_titlePressed) {
        m_titlePressed = false;
        InvalidateCell(m_pressedCol, 0);
        m_trackMode = tmNoneEh;
        if (left && titlePressHit(x, y) && dataColumn) {
            TColumnEh *column = Columns()[dataCol];
            endSortClick(column, shift & Qt::ControlModifier);
            TitleClick(column);
        }
        return;
    }
    // The right press that began moving a column ends it as a left release would.
    if (button == Qt::RightButton && GridState() == gsColMoving) {
        TCustomGrid::MouseUp(Qt::LeftButton, shift, x, y);
        return;
    }
    // A press on the selection that was not dragged after all acts on the selection now.
    if (m_dragArmed) {
        m_dragArmed = false;
        if ((m_dbOptions & dgRowSelect) && (shift & Qt::ControlModifier))
            m_selection->Rows().SetCurrentRecordSelected(!m_selection->Rows().CurrentRecordSelected());
        else if (m_optionsEh & dghClearSelection)
            m_selection->Clear();
    }
    const TTrackModeEh mode = m_trackMode;
    m_trackMode = tmNoneEh;
    if (mode == tmFrozenEh) {
        const int width = m_frozenLine - m_sizeStart;
        if (width > 1 && m_sizeIndex >= m_indicatorOffset && m_sizeIndex - m_indicatorOffset < Columns().Count())
            Columns()[m_sizeIndex - m_indicatorOffset]->SetWidth(width);
        m_sizeIndex = -1;
        viewport()->update();
        return;
    }
    m_sizeIndex = -1;
    const TGridState state = GridState();
    TCustomGrid::MouseUp(button, shift, x, y);
    // A title pressed and let go where it was pressed was clicked, not moved.
    const bool moved = state == gsColMoving ? MouseCoord(m_pressPoint.x(), m_pressPoint.y()).X != cell.X
                                            : state != gsNormal;
    if (moved || mode == tmColSelectEh || !left || !dataColumn || cell.Y < 0)
        return;
    if (InplaceEditor() && InplaceEditor()->isVisible() && InplaceEditor()->geometry().contains(x, y))
        return;
    TColumnEh *column = Columns()[dataCol];
    if (HasTitleRow() && cell.Y == 0) {
        TitleClick(column);
        return;
    }
    if (cell.Y < TopFixedRows() || (FirstFooterRow() > 0 && cell.Y >= FirstFooterRow() - 1))
        return;
    CellClick(column);
    const TColCellKindEh kind = column->GetCellKind();
    if ((kind == ckCheckBoxEh || kind == ckImageEh) && cell == m_checkPressCell && !column->DblClickNextVal()
        && !m_pressWasDouble)
        column->StepColumnValue((shift & Qt::ShiftModifier) ? -1 : 1);
    m_checkPressCell = {-1, -1};
}

void TCustomDBGridEh::CancelMode()
{
    m_dragArmed = false;
    m_autoScrollTimer.stop();
    if (m_trackMode == tmFrozenEh)
        viewport()->update();
    m_trackMode = tmNoneEh;
    m_sizeIndex = -1;
    if (m_titlePressed) {
        m_titlePressed = false;
        InvalidateCell(m_pressedCol, 0);
    }
    TCustomGrid::CancelMode();
}

// ---- Fitting widths ------------------------------------------------------------------------------------------

void TCustomDBGridEh::FitColumnWidths(TColumnEh *clicked)
{
    TColumnsEhList fitted;
    if (m_selection->SelectionType() == gstColumns)
        fitted = m_selection->Columns().Columns();
    else if (m_selection->SelectionType() == gstAll)
        for (int i = 0; i < Columns().Count(); ++i)
            fitted.append(Columns()[i]);
    if (clicked && !fitted.contains(clicked))
        fitted.append(clicked);
    if (fitted.isEmpty())
        return;
    std::vector<int> need(size_t(fitted.size()), 0);
    for (int i = 0; i < fitted.size(); ++i) {
        TColumnTitleEh &title = fitted[i]->Title();
        const int markerRoom = title.SortMarkerWidth();
        need[size_t(i)] = Metrics().TextWidth(title.Font(), title.Caption()) + (markerRoom >= 3 ? markerRoom + 2 : 4);
    }
    TDataSet *ds = m_dataLink->DataSet();
    if (m_dataLink->Active() && ds) {
        ds->DisableControls();
        const QByteArray saved = ds->GetBookmark();
        try {
            for (ds->First(); !ds->Eof(); ds->Next()) {
                for (int i = 0; i < fitted.size(); ++i) {
                    TColumnEh *column = fitted[i];
                    int width = 0;
                    switch (column->GetCellKind()) {
                    case ckCheckBoxEh:
                        width = 16;
                        break;
                    case ckImageEh:
                        width = column->ImageList() ? column->ImageList()->Width() : 0;
                        break;
                    default:
                        width = Metrics().TextWidth(column->Font(), column->GetColumnDisplayText());
                        break;
                    }
                    width += column->EditButtonsWidth() + 4;
                    need[size_t(i)] = std::max(need[size_t(i)], width);
                }
                if (ds->RecordCount() == 1)
                    break;
            }
            if (!saved.isEmpty() && ds->BookmarkValid(saved))
                ds->GotoBookmark(saved);
        } catch (...) {
            ds->EnableControls();
            throw;
        }
        ds->EnableControls();
    }
    for (int i = 0; i < fitted.size(); ++i) {
        TColumnEh *column = fitted[i];
        for (int r = 0; r < m_footerRowCount; ++r) {
            const QString text = GetFooterText(column->UsedFooter(r), *column);
            need[size_t(i)] = std::max(need[size_t(i)], Metrics().TextWidth(column->UsedFooter(r).Font(), text) + 5);
        }
    }
    const bool layout = !m_autoFitColWidths;
    if (layout)
        BeginLayout();
    for (int i = 0; i < fitted.size(); ++i)
        fitted[i]->SetWidth(need[size_t(i)]);
    if (layout)
        EndLayout();
}
