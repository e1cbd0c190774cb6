#pragma once

// The grid's selection (records, a rectangle of cells, columns, or everything) and the settings its keys and
// mouse share. Part of the grid's interface: DBGridEh.h includes it.
#include "DBGridEh.h"

#include <QCursor>
#include <QKeyCombination>

// ---- Selections ----------------------------------------------------------------------------------------------

// The selected records: their bookmarks in dataset order, so that a selection survives scrolling and refreshes
// that keep bookmarks. When the dataset's order changes (an index, a filter), the list is put in the new order
// before it is next read.
class TBookmarkListEh
{
public:
    explicit TBookmarkListEh(TCustomDBGridEh *grid);
    int Count() const;
    QByteArray Items(int index) const;
    QList<QByteArray> Bookmarks() const;
    int BookmarkIndex(const QByteArray &bookmark) const;
    // Whether the bookmark is listed; index is its place, or where it would go.
    bool SearchBookmark(const QByteArray &bookmark, int &index) const;
    // Reading needs an active link ("Cannot perform this operation on a closed dataset").
    bool CurrentRecordSelected() const;
    void SetCurrentRecordSelected(bool value);
    // Lists or unlists a record by its bookmark (the current row is repainted).
    void SetSelected(const QByteArray &bookmark, bool value);
    void Clear();
    // Deletes the listed records from the last to the first; a bookmark whose record is gone is passed over.
    void DeleteSelectedRecords();
    // The visible rows that are selected, as grid rows; (-1, -1, -1, -1) when none is.
    TGridRect SelectionBox() const;
    void SetLinkActive(bool value);
    bool LinkActive() const { return m_linkActive; }

private:
    QByteArray currentBookmark() const;
    void keepOrder() const;
    void changed();
    TCustomDBGridEh *m_grid;
    mutable QList<QByteArray> m_items;
    mutable quint64 m_orderStamp = 0;
    // The last bookmark looked up, its place and whether it was found.
    mutable QByteArray m_cacheBookmark;
    mutable int m_cacheIndex = -1;
    mutable bool m_cacheFound = false;
    mutable bool m_cacheValid = false;
    bool m_linkActive = false;
};

// The selected columns, in column order, with the column where a gesture began (anchor) and where the last
// Shift gesture ended.
class TDBGridEhSelectionCols
{
public:
    explicit TDBGridEhSelectionCols(TCustomDBGridEh *grid) : m_grid(grid) {}
    const TColumnsEhList &Columns() const { return m_items; }
    int Count() const { return int(m_items.size()); }
    bool Contains(TColumnEh *column) const { return m_items.contains(column); }
    TColumnEh *Anchor() const { return m_anchor; }
    TColumnEh *ShiftCol() const { return m_shiftCol; }
    void InsertInOrder(TColumnEh *column);
    void SelectColumn(TColumnEh *column, bool add);
    void ToggleColumn(TColumnEh *column);
    void ExtendToColumn(TColumnEh *column);
    void Clear();
    void DropMissingColumns();
    // A column is being freed: the selection lets go of it.
    void Forget(TColumnEh *column);
    TGridRect SelectionBox() const;

private:
    void repaint(TColumnEh *column);
    void finish(TColumnEh *shiftCol);
    TCustomDBGridEh *m_grid;
    TColumnsEhList m_items;
    TColumnsEhList m_shiftAdded;
    TColumnEh *m_anchor = nullptr;
    TColumnEh *m_shiftCol = nullptr;
};

// A rectangle of cells between an anchor cell and a shift cell, each a data column and a record's bookmark.
class TDBGridEhSelectionRect
{
public:
    explicit TDBGridEhSelectionRect(TCustomDBGridEh *grid) : m_grid(grid) {}
    void SelectCell(int dataCol, const QByteArray &bookmark, bool extend);
    bool CellSelected(int dataCol, const QByteArray &bookmark) const;
    void Clear();
    // Grid columns and the rows of the records in the link's window; (-1, -1, -1, -1) when none is visible.
    TGridRect SelectionBox() const;
    int AnchorCol() const { return m_anchorCol; }
    int ShiftCol() const { return m_shiftCol; }
    QByteArray AnchorBookmark() const { return m_anchorBookmark; }
    QByteArray ShiftBookmark() const { return m_shiftBookmark; }
    bool Empty() const { return m_anchorCol < 0; }

private:
    // The rectangle on screen, records outside the window taken at its top or bottom edge; empty as Right < Left.
    TGridRect screenBox() const;
    TCustomDBGridEh *m_grid;
    int m_anchorCol = -1;
    int m_shiftCol = -1;
    QByteArray m_anchorBookmark;
    QByteArray m_shiftBookmark;
};

// The grid's one selection: records, a rectangle, columns or everything.
class TDBGridEhSelection
{
public:
    explicit TDBGridEhSelection(TCustomDBGridEh *grid);
    unsigned SelectionType() const { return m_kind; }
    TBookmarkListEh &Rows() { return m_rows; }
    const TBookmarkListEh &Rows() const { return m_rows; }
    TDBGridEhSelectionCols &Columns() { return m_columns; }
    const TDBGridEhSelectionCols &Columns() const { return m_columns; }
    TDBGridEhSelectionRect &Rect() { return m_rect; }
    const TDBGridEhSelectionRect &Rect() const { return m_rect; }
    void Clear();
    void SelectEverything();
    bool IsCellSelected(int dataCol, const QByteArray &bookmark) const;
    void ChangeKind(unsigned kind);
    void DropEmptyKind();
    void LinkStateChanged(bool active);
    TGridRect SelectionBox() const;

private:
    TCustomDBGridEh *m_grid;
    unsigned m_kind = gstNon;
    TBookmarkListEh m_rows;
    TDBGridEhSelectionCols m_columns;
    TDBGridEhSelectionRect m_rect;
};

// The parts of a that b does not cover (at most four rectangles).
QList<TGridRect> SubtractGridRect(const TGridRect &a, const TGridRect &b);

// ---- Interaction settings shared by every grid ----------------------------------------------------------------

// How long typed letters keep adding to an incremental search, in milliseconds.
inline int DBGridEhIncSearchTimeOut = 1500;
// The keys of incremental search, the search for the next and the previous match, copying the value of the
// record above and the find dialog.
inline QKeyCombination DBGridEhIncSearchShortCut(Qt::ControlModifier, Qt::Key_F);
inline QKeyCombination DBGridEhSearchNextShortCut(Qt::ControlModifier, Qt::Key_Return);
inline QKeyCombination DBGridEhSearchPriorShortCut(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Return);
inline QKeyCombination DBGridEhCopyFromAboveShortCut(Qt::ControlModifier, Qt::Key_Apostrophe);
inline QKeyCombination DBGridEhFindDialogShortCut(Qt::ControlModifier, Qt::Key_F);

// Auto-scroll while a selection is dragged beyond the data area: the pause before the next step, and how many
// records one step moves, each from the distance in pixels beyond the edge.
int ColumnAutoScrollInterval(int distance);
int RowAutoScrollInterval(int distance);
int RowAutoScrollRecords(int distance);

// The cursors of the selection gestures: over a title (select a column), over the indicator (select a record;
// mirrored for right-to-left grids).
const QCursor &DownCursorEh();
const QCursor &RightCursorEh();
const QCursor &LeftCursorEh();
