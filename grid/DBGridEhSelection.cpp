// The grid's selection: selected records (bookmarks in dataset order), a rectangle of cells, whole columns, or
// everything; and the gestures that grow and shrink them.
#include "DBGridEh.h"
#include "DBGridEhImpExp.h"

#include "Services.h"

#include <QDrag>
#include <QMimeData>

#include <algorithm>

namespace {

const QString kClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
const QString kRectCellSelected = QStringLiteral("Error in function TDBGridEhSelectionRect.CellSelected");

const TGridRect kNoBox{-1, -1, -1, -1};

bool emptyBox(const TGridRect &r)
{
    return r.Left < 0 || r.Top < 0 || r.Right < r.Left || r.Bottom < r.Top;
}

} // namespace

QList<TGridRect> SubtractGridRect(const TGridRect &a, const TGridRect &b)
{
    if (emptyBox(a))
        return {};
    const bool overlap = !emptyBox(b) && a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom
        && b.Top <= a.Bottom;
    if (!overlap)
        return {a};
    QList<TGridRect> parts;
    const int top = std::max(a.Top, b.Top);
    const int bottom = std::min(a.Bottom, b.Bottom);
    if (a.Top < b.Top)
        parts.append({a.Left, a.Top, a.Right, b.Top - 1});
    if (a.Bottom > b.Bottom)
        parts.append({a.Left, b.Bottom + 1, a.Right, a.Bottom});
    if (a.Left < b.Left)
        parts.append({a.Left, top, b.Left - 1, bottom});
    if (a.Right > b.Right)
        parts.append({b.Right + 1, top, a.Right, bottom});
    return parts;
}

// ---- Records -------------------------------------------------------------------------------------------------

TBookmarkListEh::TBookmarkListEh(TCustomDBGridEh *grid)
    : m_grid(grid)
{
}

void TBookmarkListEh::keepOrder() const
{
    TDataSet *ds = m_grid->DataLink()->DataSet();
    if (!ds || !ds->Active() || ds->OrderStamp() == m_orderStamp)
        return;
    // The dataset was sorted or filtered since the list was ordered: bookmarks keep their records, so the list
    // only needs the new order.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [ds](const QByteArray &a, const QByteArray &b) { return ds->CompareBookmarks(a, b) < 0; });
    m_orderStamp = ds->OrderStamp();
    m_cacheValid = false;
}

void TBookmarkListEh::changed()
{
    m_cacheValid = false;
}

int TBookmarkListEh::Count() const
{
    return int(m_items.size());
}

QByteArray TBookmarkListEh::Items(int index) const
{
    keepOrder();
    return m_items.at(index);
}

QList<QByteArray> TBookmarkListEh::Bookmarks() const
{
    keepOrder();
    return m_items;
}

bool TBookmarkListEh::SearchBookmark(const QByteArray &bookmark, int &index) const
{
    keepOrder();
    if (m_cacheValid && m_cacheBookmark == bookmark) {
        index = m_cacheIndex;
        return m_cacheFound;
    }
    TDataSet *ds = m_grid->DataLink()->DataSet();
    bool found = false;
    int lo = 0;
    int hi = int(m_items.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = ds ? ds->CompareBookmarks(m_items[mid], bookmark) : m_items[mid].compare(bookmark);
        if (c < 0) {
            lo = mid + 1;
        } else if (c > 0) {
            hi = mid - 1;
        } else {
            // Records that are gone share one place in the order: only the very bookmark counts as found.
            lo = mid;
            if (m_items[mid] != bookmark) {
                int k = mid;
                while (k > 0 && ds && ds->CompareBookmarks(m_items[k - 1], bookmark) == 0)
                    --k;
                lo = k;
                for (; k < int(m_items.size()) && ds && ds->CompareBookmarks(m_items[k], bookmark) == 0; ++k)
                    if (m_items[k] == bookmark) {
                        lo = k;
                        found = true;
                        break;
                    }
            } else {
                found = true;
            }
            break;
        }
    }
    index = lo;
    m_cacheBookmark = bookmark;
    m_cacheIndex = index;
    m_cacheFound = found;
    m_cacheValid = true;
    return found;
}

int TBookmarkListEh::BookmarkIndex(const QByteArray &bookmark) const
{
    int index = -1;
    return SearchBookmark(bookmark, index) ? index : -1;
}

QByteArray TBookmarkListEh::currentBookmark() const
{
    if (!m_grid->DataLink()->Active())
        throw EInvalidGridOperation(kClosedDataset);
    return m_grid->DataLink()->DataSet()->GetBookmark();
}

bool TBookmarkListEh::CurrentRecordSelected() const
{
    const QByteArray bookmark = currentBookmark();
    return !bookmark.isEmpty() && BookmarkIndex(bookmark) >= 0;
}

void TBookmarkListEh::SetCurrentRecordSelected(bool value)
{
    SetSelected(currentBookmark(), value);
}

void TBookmarkListEh::SetSelected(const QByteArray &bookmark, bool value)
{
    if (bookmark.isEmpty())
        return;
    int index = -1;
    const bool found = SearchBookmark(bookmark, index);
    if (value && !found) {
        m_items.insert(index, bookmark);
        changed();
    } else if (!value && found) {
        m_items.removeAt(index);
        changed();
    }
    TDataSet *ds = m_grid->DataLink()->DataSet();
    if (ds && ds->GetBookmark() == bookmark)
        m_grid->InvalidateRow(m_grid->Row());
    else
        m_grid->InvalidateGrid(); // a record left behind by a gesture, somewhere in the window
    TDBGridEhSelection &selection = m_grid->Selection();
    if (!m_items.isEmpty() && selection.SelectionType() != gstRecordBookmarks) {
        if (selection.SelectionType() != gstNon) {
            // Clearing another kind must not drop the records just listed.
            const QList<QByteArray> kept = m_items;
            selection.Clear();
            m_items = kept;
            changed();
        }
        selection.ChangeKind(gstRecordBookmarks);
    }
    selection.DropEmptyKind();
}

void TBookmarkListEh::Clear()
{
    if (m_items.isEmpty())
        return;
    m_items.clear();
    changed();
    m_grid->Selection().DropEmptyKind();
    m_grid->InvalidateGrid();
}

void TBookmarkListEh::DeleteSelectedRecords()
{
    TDataSet *ds = m_grid->DataLink()->DataSet();
    if (!ds || !ds->Active())
        return;
    keepOrder();
    ds->DisableControls();
    try {
        for (int i = int(m_items.size()) - 1; i >= 0; --i) {
            const QByteArray bookmark = m_items[i];
            // A record deleted by other means since it was selected is passed over.
            if (ds->BookmarkValid(bookmark)) {
                ds->GotoBookmark(bookmark);
                ds->Delete();
            }
            m_items.removeAt(i);
            changed();
        }
    } catch (...) {
        ds->EnableControls();
        m_grid->Selection().DropEmptyKind();
        throw;
    }
    ds->EnableControls();
    m_grid->Selection().DropEmptyKind();
}

TGridRect TBookmarkListEh::SelectionBox() const
{
    TGridDataLinkEh *link = m_grid->DataLink();
    if (!link->Active() || m_items.isEmpty())
        return kNoBox;
    TDataSet *ds = link->DataSet();
    int first = -1;
    int last = -1;
    for (int r = 0; r < link->RecordCount(); ++r) {
        bool listed = false;
        m_grid->WithRecordOfRow(r, [&] { listed = BookmarkIndex(ds->ReadBookmark()) >= 0; });
        if (listed) {
            if (first < 0)
                first = r;
            last = r;
        }
    }
    if (first < 0)
        return kNoBox;
    const int top = m_grid->TopFixedRows();
    return {0, first + top, m_grid->ColCount() - 1, last + top};
}

void TBookmarkListEh::SetLinkActive(bool value)
{
    m_linkActive = value;
    m_items.clear();
    changed();
    m_orderStamp = 0;
}

// ---- Columns -------------------------------------------------------------------------------------------------

void TDBGridEhSelectionCols::repaint(TColumnEh *column)
{
    if (column && column->Index() >= 0)
        m_grid->InvalidateCol(column->Index() + m_grid->IndicatorCols());
}

void TDBGridEhSelectionCols::InsertInOrder(TColumnEh *column)
{
    if (m_items.contains(column))
        return;
    int at = 0;
    while (at < m_items.size() && m_items[at]->Index() < column->Index())
        ++at;
    m_items.insert(at, column);
}

void TDBGridEhSelectionCols::finish(TColumnEh *shiftCol)
{
    m_shiftCol = shiftCol;
    m_grid->Selection().ChangeKind(m_items.isEmpty() ? gstNon : gstColumns);
}

void TDBGridEhSelectionCols::SelectColumn(TColumnEh *column, bool add)
{
    TDBGridEhSelection &selection = m_grid->Selection();
    if (selection.SelectionType() != gstColumns && selection.SelectionType() != gstNon)
        selection.Clear();
    if (!add)
        Clear();
    InsertInOrder(column);
    repaint(column);
    m_anchor = column;
    m_shiftAdded.clear();
    finish(column);
}

void TDBGridEhSelectionCols::ToggleColumn(TColumnEh *column)
{
    TDBGridEhSelection &selection = m_grid->Selection();
    if (selection.SelectionType() != gstColumns && selection.SelectionType() != gstNon)
        selection.Clear();
    if (m_items.contains(column))
        m_items.removeAll(column);
    else
        InsertInOrder(column);
    repaint(column);
    m_anchor = column;
    m_shiftAdded.clear();
    finish(column);
}

void TDBGridEhSelectionCols::ExtendToColumn(TColumnEh *column)
{
    if (!m_anchor || m_anchor->Index() < 0) {
        SelectColumn(column, true);
        return;
    }
    TDBGridEhSelection &selection = m_grid->Selection();
    if (selection.SelectionType() != gstColumns && selection.SelectionType() != gstNon)
        selection.Clear();
    const TDBGridColumnsEh &columns = m_grid->Columns();
    const int anchor = m_anchor->Index();
    const int target = column->Index();
    int at = m_shiftCol && m_shiftCol->Index() >= 0 ? m_shiftCol->Index() : anchor;
    const bool anchorListed = m_items.contains(m_anchor);
    while (at != target) {
        const int next = at + (target > at ? 1 : -1);
        if (std::abs(next - anchor) > std::abs(at - anchor)) {
            // Moving away from the anchor: the column reached joins (or, with the anchor unlisted, leaves).
            TColumnEh *reached = columns[next];
            if (anchorListed && reached->Visible() && !m_items.contains(reached)) {
                InsertInOrder(reached);
                m_shiftAdded.append(reached);
                repaint(reached);
            } else if (!anchorListed && m_items.contains(reached)) {
                m_items.removeAll(reached);
                m_shiftAdded.append(reached);
                repaint(reached);
            }
        } else {
            // Coming back: the column left is given back to what it was before the Shift gestures.
            TColumnEh *left = columns[at];
            if (m_shiftAdded.contains(left)) {
                m_shiftAdded.removeAll(left);
                if (anchorListed)
                    m_items.removeAll(left);
                else
                    InsertInOrder(left);
                repaint(left);
            }
        }
        at = next;
    }
    finish(column);
}

void TDBGridEhSelectionCols::Clear()
{
    for (TColumnEh *column : std::as_const(m_items))
        repaint(column);
    m_items.clear();
    m_shiftAdded.clear();
    m_anchor = nullptr;
    m_shiftCol = nullptr;
}

void TDBGridEhSelectionCols::DropMissingColumns()
{
    const TDBGridColumnsEh &columns = m_grid->Columns();
    auto gone = [&columns](TColumnEh *c) { return columns.IndexOf(c) < 0; };
    m_items.removeIf(gone);
    m_shiftAdded.removeIf(gone);
    if (m_anchor && gone(m_anchor))
        m_anchor = nullptr;
    if (m_shiftCol && gone(m_shiftCol))
        m_shiftCol = nullptr;
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](TColumnEh *a, TColumnEh *b) { return a->Index() < b->Index(); });
}

void TDBGridEhSelectionCols::Forget(TColumnEh *column)
{
    m_items.removeAll(column);
    m_shiftAdded.removeAll(column);
    if (m_anchor == column)
        m_anchor = nullptr;
    if (m_shiftCol == column)
        m_shiftCol = nullptr;
    if (!m_grid->IsLoading())
        m_grid->Selection().DropEmptyKind();
}

TGridRect TDBGridEhSelectionCols::SelectionBox() const
{
    if (m_items.isEmpty())
        return kNoBox;
    const int offset = m_grid->IndicatorCols();
    return {m_items.first()->Index() + offset, 0, m_items.last()->Index() + offset, m_grid->RowCount() - 1};
}

// ---- Rectangle -----------------------------------------------------------------------------------------------

TGridRect TDBGridEhSelectionRect::screenBox() const
{
    TGridDataLinkEh *link = m_grid->DataLink();
    if (m_anchorCol < 0 || !link->Active())
        return kNoBox;
    TDataSet *ds = link->DataSet();
    const bool ordered = ds->CompareBookmarks(m_anchorBookmark, m_shiftBookmark) <= 0;
    const QByteArray &lo = ordered ? m_anchorBookmark : m_shiftBookmark;
    const QByteArray &hi = ordered ? m_shiftBookmark : m_anchorBookmark;
    int first = -1;
    int last = -1;
    for (int r = 0; r < link->RecordCount(); ++r) {
        QByteArray bookmark;
        m_grid->WithRecordOfRow(r, [&] { bookmark = ds->ReadBookmark(); });
        if (ds->CompareBookmarks(bookmark, lo) >= 0 && ds->CompareBookmarks(bookmark, hi) <= 0) {
            if (first < 0)
                first = r;
            last = r;
        }
    }
    if (first < 0)
        return kNoBox;
    const int offset = m_grid->IndicatorCols();
    const int top = m_grid->TopFixedRows();
    return {std::min(m_anchorCol, m_shiftCol) + offset, first + top, std::max(m_anchorCol, m_shiftCol) + offset,
            last + top};
}

void TDBGridEhSelectionRect::SelectCell(int dataCol, const QByteArray &bookmark, bool extend)
{
    TDBGridEhSelection &selection = m_grid->Selection();
    if (selection.SelectionType() != gstRectangle && selection.SelectionType() != gstNon)
        selection.Clear();
    const TGridRect before = selection.SelectionType() == gstRectangle ? screenBox() : kNoBox;
    if (!extend || m_anchorCol < 0) {
        m_anchorCol = dataCol;
        m_anchorBookmark = bookmark;
    }
    m_shiftCol = dataCol;
    m_shiftBookmark = bookmark;
    const bool single = m_anchorCol == m_shiftCol && m_anchorBookmark == m_shiftBookmark;
    selection.ChangeKind(single ? gstNon : gstRectangle);
    const TGridRect after = single ? kNoBox : screenBox();
    // Only what the rectangle gained or lost is painted again.
    for (const TGridRect &part : SubtractGridRect(before, after))
        m_grid->InvalidateSelectionCells(part);
    for (const TGridRect &part : SubtractGridRect(after, before))
        m_grid->InvalidateSelectionCells(part);
}

bool TDBGridEhSelectionRect::CellSelected(int dataCol, const QByteArray &bookmark) const
{
    TGridDataLinkEh *link = m_grid->DataLink();
    if (!link->Active() || !link->DataSet())
        throw EInvalidGridOperation(kRectCellSelected);
    if (m_anchorCol < 0)
        return false;
    if (dataCol < std::min(m_anchorCol, m_shiftCol) || dataCol > std::max(m_anchorCol, m_shiftCol))
        return false;
    TDataSet *ds = link->DataSet();
    const bool ordered = ds->CompareBookmarks(m_anchorBookmark, m_shiftBookmark) <= 0;
    const QByteArray &lo = ordered ? m_anchorBookmark : m_shiftBookmark;
    const QByteArray &hi = ordered ? m_shiftBookmark : m_anchorBookmark;
    return ds->CompareBookmarks(bookmark, lo) >= 0 && ds->CompareBookmarks(bookmark, hi) <= 0;
}

void TDBGridEhSelectionRect::Clear()
{
    const TGridRect box = screenBox();
    m_anchorCol = -1;
    m_shiftCol = -1;
    m_anchorBookmark.clear();
    m_shiftBookmark.clear();
    if (!emptyBox(box))
        m_grid->InvalidateSelectionCells(box);
}

TGridRect TDBGridEhSelectionRect::SelectionBox() const
{
    return screenBox();
}

// ---- Selection -----------------------------------------------------------------------------------------------

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh *grid)
    : m_grid(grid)
    , m_rows(grid)
    , m_columns(grid)
    , m_rect(grid)
{
}

void TDBGridEhSelection::Clear()
{
    switch (m_kind) {
    case gstRecordBookmarks:
        m_rows.Clear();
        break;
    case gstRectangle:
        m_rect.Clear();
        break;
    case gstColumns:
        m_columns.Clear();
        break;
    case gstAll:
        m_grid->InvalidateGrid();
        break;
    default:
        break;
    }
    m_kind = gstNon;
    m_grid->m_rowGesture = false;
    if (m_grid->AlwaysShowsEditor() && m_grid->DataLink()->Active() && !m_grid->IsLoading())
        m_grid->ShowEditor();
}

void TDBGridEhSelection::SelectEverything()
{
    if (m_kind == gstAll)
        return;
    Clear();
    ChangeKind(gstAll);
    m_grid->InvalidateGrid();
}

bool TDBGridEhSelection::IsCellSelected(int dataCol, const QByteArray &bookmark) const
{
    switch (m_kind) {
    case gstRecordBookmarks:
        return m_rows.BookmarkIndex(bookmark) >= 0;
    case gstRectangle:
        return dataCol >= 0 && m_rect.CellSelected(dataCol, bookmark);
    case gstColumns:
        return dataCol >= 0 && dataCol < m_grid->Columns().Count()
            && m_columns.Contains(m_grid->Columns()[dataCol]);
    case gstAll:
        return true;
    default:
        return false;
    }
}

void TDBGridEhSelection::ChangeKind(unsigned kind)
{
    if (kind == m_kind)
        return;
    m_kind = kind;
    // The editor gives way to a selection and comes back without one.
    if (!m_grid->CanEditShow())
        m_grid->HideEditor();
    else if (m_grid->EditorMode())
        m_grid->UpdateEdit();
}

void TDBGridEhSelection::DropEmptyKind()
{
    if ((m_kind == gstRecordBookmarks && m_rows.Count() == 0) || (m_kind == gstColumns && m_columns.Count() == 0)) {
        m_kind = gstNon;
        m_grid->InvalidateGrid();
    }
}

void TDBGridEhSelection::LinkStateChanged(bool active)
{
    m_rows.SetLinkActive(active);
    if (m_kind == gstRecordBookmarks)
        m_kind = gstNon;
    Clear();
}

TGridRect TDBGridEhSelection::SelectionBox() const
{
    switch (m_kind) {
    case gstRecordBookmarks:
        return m_rows.SelectionBox();
    case gstRectangle:
        return m_rect.SelectionBox();
    case gstColumns:
        return m_columns.SelectionBox();
    case gstAll:
        return {0, 0, m_grid->ColCount() - 1, m_grid->RowCount() - 1};
    default:
        return kNoBox;
    }
}

// ---- The grid's side -----------------------------------------------------------------------------------------

TDBGridEhSelection &TCustomDBGridEh::Selection()
{
    return *m_selection;
}

const TDBGridEhSelection &TCustomDBGridEh::Selection() const
{
    return *m_selection;
}

TBookmarkListEh &TCustomDBGridEh::SelectedBookmarks()
{
    return m_selection->Rows();
}

void TCustomDBGridEh::SetAllowedSelections(TDBGridEhAllowedSelections value)
{
    m_allowedSelections = value;
    const unsigned kind = m_selection->SelectionType();
    if (kind != gstNon && !(value & kind))
        m_selection->Clear();
}

bool TCustomDBGridEh::SelectionKindUsable(unsigned kind) const
{
    if (!(m_dbOptions & dgMultiSelect) || !(m_allowedSelections & kind))
        return false;
    return !((kind == gstRectangle || kind == gstColumns) && (m_dbOptions & dgRowSelect));
}

bool TCustomDBGridEh::IsCellSelected(int col, int row)
{
    const unsigned kind = m_selection->SelectionType();
    if (kind == gstNon)
        return false;
    if (kind == gstAll)
        return true;
    const int dataCol = col - m_indicatorOffset;
    const int dataRow = row - TopFixedRows();
    const bool footer = FirstFooterRow() > 0 && row >= FirstFooterRow();
    if (row < TopFixedRows() || footer)
        return kind == gstColumns && dataCol >= 0 && m_selection->IsCellSelected(dataCol, QByteArray());
    if (!m_dataLink->Active() || dataRow < 0 || dataRow >= m_dataLink->RecordCount())
        return false;
    bool selected = false;
    WithRecordOfRow(dataRow, [&] {
        const QByteArray bookmark = m_dataLink->DataSet()->ReadBookmark();
        if (dataCol < 0)
            selected = kind == gstRecordBookmarks && m_selection->Rows().BookmarkIndex(bookmark) >= 0;
        else
            selected = m_selection->IsCellSelected(dataCol, bookmark);
    });
    return selected;
}

void TCustomDBGridEh::InvalidateSelectionCells(const TGridRect &cells)
{
    InvalidateRect(cells);
}

void TCustomDBGridEh::RepaintSelection()
{
    if (m_selection->SelectionType() == gstAll) {
        InvalidateGrid();
        return;
    }
    const TGridRect box = m_selection->SelectionBox();
    if (!emptyBox(box))
        InvalidateSelectionCells(box);
    InvalidateRow(Row());
}

void TCustomDBGridEh::ClearSelectionOnMove()
{
    m_rowGesture = false;
    if (!(m_optionsEh & dghClearSelection))
        return;
    if ((m_dbOptions & dgMultiSelect))
        m_selection->Rows().Clear();
    if (m_selection->SelectionType() != gstNon) {
        m_selection->Clear();
        InvalidateGrid();
        InvalidateEditor();
    }
}

void TCustomDBGridEh::MoveBySelecting(int distance, bool toEnd)
{
    TDataSet *ds = m_dataLink->DataSet();
    if (!m_dataLink->Active() || !ds || distance == 0)
        return;
    const int step = distance > 0 ? 1 : -1;
    const int steps = toEnd ? std::numeric_limits<int>::max() : std::abs(distance);
    if (!SelectionKindUsable(gstRecordBookmarks)) {
        m_selection->Clear();
        m_dataLink->MoveBy(toEnd ? (step > 0 ? ds->RecordCount() : -ds->RecordCount()) : distance);
        return;
    }
    TBookmarkListEh &rows = m_selection->Rows();
    if (!m_rowGesture) {
        m_rowGesture = true;
        m_rowAnchor = ds->GetBookmark();
        m_rowToggleTarget = !rows.CurrentRecordSelected();
        rows.SetCurrentRecordSelected(m_toggleMode ? m_rowToggleTarget : true);
    }
    for (int i = 0; i < steps; ++i) {
        const QByteArray before = ds->GetBookmark();
        const int side = ds->CompareBookmarks(before, m_rowAnchor);
        const bool backwards = (step > 0 && side < 0) || (step < 0 && side > 0);
        if (m_dataLink->MoveBy(step) == 0)
            break;
        if (backwards)
            rows.SetSelected(before, m_toggleMode ? m_rowToggleTarget : false);
        else
            rows.SetCurrentRecordSelected(m_toggleMode ? m_rowToggleTarget : true);
    }
}

bool TCustomDBGridEh::DeleteCurrentOrSelected()
{
    TDataSet *ds = m_dataLink->DataSet();
    if (!m_dataLink->Active() || !ds || m_readOnly || ds->IsEmpty() || !ds->CanModify()
        || !(AllowedOperations & alopDeleteEh))
        return false;
    const bool rows = m_selection->SelectionType() == gstRecordBookmarks && m_selection->Rows().Count() > 0;
    const int selected = rows ? m_selection->Rows().Count() : 0;
    if (m_dbOptions & dgConfirmDelete) {
        const QString question = selected < 2 ? QStringLiteral("Delete record?")
                                              : QStringLiteral("Delete all selected records?");
        if (Services::messages()->show({question, mtConfirmation, mbOKCancel, mbOK, {}}) != mrOk)
            return false;
    }
    if (rows)
        m_selection->Rows().DeleteSelectedRecords();
    else
        ds->Delete();
    return true;
}

// ---- Dragging the selection ----------------------------------------------------------------------------------

QMimeData *TCustomDBGridEh::SelectionMimeData()
{
    QString text;
    QList<QPair<QString, QByteArray>> formats;
    if (!GridSelectionFormats(this, false, text, formats))
        return nullptr;
    auto *data = new QMimeData;
    data->setText(text);
    for (const auto &[format, bytes] : formats)
        data->setData(format, bytes);
    return data;
}

void TCustomDBGridEh::StartSelectionDrag()
{
    QMimeData *data = SelectionMimeData();
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}
