#pragma once

// The cell grid on which the data grid, the lookup grid and the object inspector are built: rows and columns of
// cells with fixed rows and columns at the top and left, whole-cell scrolling, a current cell, sizing and moving
// by mouse, and an editor hosted over the current cell. The grid holds no data; descendants draw the cells
// (DrawCell) and answer the editor's text (GetEditText, SetEditText).
//
// Coordinates are pixels of the viewport (the client area without scroll bars). A cell's rectangle excludes the
// grid line drawn after it on its right and bottom.

#include "Color.h"
#include "Exceptions.h"
#include "InplaceEditHolder.h"
#include "WidgetKit.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QLineEdit>
#include <QPointer>

#include <functional>
#include <vector>

class QPainter;
class TCustomGrid;

// Misuse of the grid's geometry (an index out of range, fixed rows not below the row count).
class EInvalidGridOperation : public Exception
{
public:
    using Exception::Exception;
};

enum TGridOption : unsigned {
    goFixedVertLine = 1u << 0,
    goFixedHorzLine = 1u << 1,
    goVertLine = 1u << 2,
    goHorzLine = 1u << 3,
    goRangeSelect = 1u << 4,
    goDrawFocusSelected = 1u << 5,
    goRowSizing = 1u << 6,
    goColSizing = 1u << 7,
    goColMoving = 1u << 8,
    goEditing = 1u << 9,
    goTabs = 1u << 10,
    goRowSelect = 1u << 11,
    goAlwaysShowEditor = 1u << 12,
    goThumbTracking = 1u << 13,
};
using TGridOptions = unsigned;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsColMoving };

enum TGridDrawStateFlag : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using TGridDrawState = unsigned;

enum TGridScrollDirectionFlag : unsigned { sdLeft = 1u << 0, sdRight = 1u << 1, sdUp = 1u << 2, sdDown = 1u << 3 };
using TGridScrollDirection = unsigned;

struct TGridCoord
{
    int X = 0; // column
    int Y = 0; // row
    bool operator==(const TGridCoord &) const = default;
};

// A block of cells, corners included.
struct TGridRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int col, int row) const { return col >= Left && col <= Right && row >= Top && row <= Bottom; }
    bool operator==(const TGridRect &) const = default;
};

// Where the cells of one axis lie on screen. Descendants that pin cells elsewhere (footer rows at the bottom)
// fill it themselves in CalcDrawInfo.
struct TGridAxisDrawInfo
{
    int EffectiveLineWidth = 0; // grid line width when lines are drawn on this axis, else 0
    int FixedBoundary = 0;      // end of the fixed cells and their lines
    int GridBoundary = 0;       // end of the last cell shown, at most GridExtent
    int GridExtent = 0;         // client size on this axis
    int LastFullVisibleCell = 0;
    int FullVisBoundary = 0;    // end of the last fully visible cell and its line
    int FixedCellCount = 0;
    int FirstGridCell = 0;      // the first scrollable cell shown (LeftCol or TopRow)
    int GridCellCount = 0;
    std::function<int(int)> GetExtent; // a cell's width or height
};

struct TGridDrawInfo
{
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

// The grid's own editor: a line edit over the current cell, sending navigation keys back to the grid.
class TInplaceEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TInplaceEdit(TCustomGrid *grid);

    TCustomGrid *Grid() const { return m_grid; }
    // Text, mask and length limit from the grid for its current cell; the whole text selected.
    virtual void UpdateContents();
    // Places the editor over rect (viewport coordinates) and shows it; an empty rect hides it.
    void Move(const QRect &rect);
    void Deselect();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

    // Keys as the grid's editor treats them; a key set to 0 is consumed.
    virtual void KeyDown(int &key, Qt::KeyboardModifiers shift);
    virtual void KeyPress(QChar &key);

private:
    TCustomGrid *m_grid;
    bool m_updating = false;
};

class TCustomGrid : public QAbstractScrollArea, public IInplaceEditHolderEh
{
    Q_OBJECT
public:
    explicit TCustomGrid(QWidget *parent = nullptr);
    ~TCustomGrid() override;

    // ---- Geometry
    int ColCount() const { return m_colCount; }
    void SetColCount(int value);
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int value);
    int FixedCols() const { return m_fixedCols; }
    void SetFixedCols(int value);
    int FixedRows() const { return m_fixedRows; }
    void SetFixedRows(int value);
    int DefaultColWidth() const { return m_defaultColWidth; }
    // Also resets every column to this width.
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return m_defaultRowHeight; }
    // Also resets every row to this height.
    void SetDefaultRowHeight(int value);
    // 0 (or -GridLineWidth) makes a column take no room.
    int ColWidths(int index) const;
    void SetColWidths(int index, int value);
    int RowHeights(int index) const;
    void SetRowHeights(int index, int value);
    int GridLineWidth() const { return m_gridLineWidth; }
    void SetGridLineWidth(int value);

    // ---- Scrolling and the current cell
    int LeftCol() const { return m_topLeft.X; }
    void SetLeftCol(int value);
    int TopRow() const { return m_topLeft.Y; }
    void SetTopRow(int value);
    int Col() const { return m_current.X; }
    void SetCol(int value);
    int Row() const { return m_current.Y; }
    void SetRow(int value);
    // Moves the current cell (when SelectCell allows it) and scrolls it into view; moveAnchor collapses the
    // selection onto it.
    void FocusCell(int col, int row, bool moveAnchor);
    TGridRect Selection() const;
    void SetSelection(const TGridRect &value);
    int VisibleColCount() const;
    int VisibleRowCount() const;

    // ---- Look and behaviour
    TGridOptions Options() const { return m_options; }
    void SetOptions(TGridOptions value);
    TGridState GridState() const { return m_gridState; }
    TColor Color() const { return m_color; }
    void SetColor(TColor value);
    TColor FixedColor() const { return m_fixedColor; }
    void SetFixedColor(TColor value);
    // The cells' font and text colour; a change reaches FontChanged.
    TFont &Font() { return m_font; }
    const TFont &Font() const { return m_font; }
    void SetFont(const TFont &value);
    // Whether fixed cells and frames look raised (3D) rather than flat; descendants draw accordingly.
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool value);
    // With default drawing the grid fills each cell and draws the focus rectangle around DrawCell.
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void SetDefaultDrawing(bool value);

    // ---- Cells on screen
    QRect CellRect(int col, int row) const;
    // The rectangle of a block of cells as far as it is on screen; empty when none of it is.
    QRect BoxRect(int left, int top, int right, int bottom) const;
    // The cell under a point; -1 on an axis where the point lies beyond the cells.
    TGridCoord MouseCoord(int x, int y) const;
    virtual void CalcDrawInfo(TGridDrawInfo &info) const;
    int ClientWidth() const;
    int ClientHeight() const;

    void InvalidateCell(int col, int row);
    void InvalidateRow(int row);
    void InvalidateCol(int col);
    void InvalidateRect(const TGridRect &rect);
    void InvalidateGrid();

    // ---- Editor
    TInplaceEdit *InplaceEditor() const { return m_inplaceEdit; }
    bool EditorMode() const { return m_editorMode; }
    void SetEditorMode(bool value);
    void ShowEditor();
    void HideEditor();
    // Reloads the editor's contents from the current cell.
    void InvalidateEditor();
    // Shows, moves or refreshes the editor to match the current cell and the editor mode.
    void UpdateEdit();

    // Abandons a mouse gesture in progress (sizing, moving, selecting) without applying it, as when another
    // window takes the mouse away.
    virtual void CancelMode();

    // Moves column from to position to (widths and the current column follow), then ColumnMoved.
    void MoveColumn(int from, int to);

    // ---- IInplaceEditHolderEh: the grid lets its editor edit when CanEditModify allows it; its key hooks
    // pass everything on. Descendants hosting richer editors override them.
    bool HolderAllowsEdit(QWidget *editor) override;
    void GetLastMouseDown(QPoint &screenPos, qint64 &time) override;
    bool PreviewEditorMessage(QWidget *editor, QEvent *event) override;
    void PreviewEditorKeyDown(QWidget *editor, int &key, Qt::KeyboardModifiers shift) override;
    void PreviewEditorKeyPress(QWidget *editor, QChar &key) override;
    void PreviewEditorKeyUp(QWidget *editor, int &key, Qt::KeyboardModifiers shift) override;

    // Keys and mouse as the grid handles them; the Qt event handlers call these, the editor passes navigation
    // keys to KeyDown. A key set to 0 is consumed.
    virtual void KeyDown(int &key, Qt::KeyboardModifiers shift);
    virtual void KeyPress(QChar &key);
    virtual void KeyUp(int &key, Qt::KeyboardModifiers shift);

    // Whether the grid or its editor has the keyboard focus.
    bool IsActiveControl() const;

    virtual bool CanEditAcceptKey(QChar key);
    virtual bool CanEditModify();

protected:
    // ---- Painting
    virtual void Paint(QPainter &painter, const QRect &clip);
    virtual void DrawCell(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state);
    // Grid lines of one region, from (startX, startY) to (stopX, stopY), beginning at cell (col, row): vertical
    // lines when vert, horizontal ones when horz, all in one call; switched-off lines are drawn in fill.
    void DrawLines(QPainter &painter, const TGridDrawInfo &info, int col, int row, int startX, int startY, int stopX,
                   int stopY, bool vert, bool horz, const QColor &lineColor, const QColor &fill);
    // The cells of one region that meet the clip, row by row, each left to right.
    void DrawCells(QPainter &painter, const QRect &clip, const TGridDrawInfo &info, int col, int row, int startX,
                   int startY, int stopX, int stopY, TColor color, TGridDrawState includeState);
    void CalcDrawInfoXY(TGridDrawInfo &info, int width, int height) const;
    // Fills FixedBoundary, FixedCellCount, EffectiveLineWidth, GridExtent and GetExtent of both axes.
    void CalcFixedInfo(TGridDrawInfo &info) const;
    static void CalcAxis(TGridAxisDrawInfo &axis);

    // ---- Notifications and hooks for descendants
    virtual bool SelectCell(int col, int row);
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void ColumnMoved(int from, int to);
    virtual void SizeChanged(int oldColCount, int oldRowCount);
    virtual void FontChanged();
    // Whether (x, y) lies on a border that can be dragged; fills the sizing state, the index of the cell before
    // the border, the border position and the offset of the point from it.
    virtual void CalcSizingState(int x, int y, TGridState &state, int &index, int &sizingPos, int &sizingOfs,
                                 const TGridDrawInfo &info);
    // One tick of scrolling while the mouse selects beyond the edges.
    virtual void TimedScroll(TGridScrollDirection direction);
    // The scroll bars moved by the user.
    virtual void ScrollBarMoved(Qt::Orientation orientation, int value);
    virtual void UpdateScrollRange();
    void UpdateScrollPos();

    // ---- Editor hooks
    virtual TInplaceEdit *CreateEditor();
    virtual bool CanEditShow();
    virtual QString GetEditText(int col, int row);
    virtual void SetEditText(int col, int row, const QString &value);
    virtual QString GetEditMask(int col, int row);
    // Longest text the editor takes; 0 for no limit.
    virtual int GetEditLimit();
    virtual void DoExit();

    // ---- Mouse
    virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseMove(Qt::KeyboardModifiers shift, int x, int y);
    virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    // After the second press of a double click, which MouseDown sees with InDoubleClick() true.
    virtual void DblClick();
    bool InDoubleClick() const { return m_inDoubleClick; }
    virtual bool DoMouseWheelDown(Qt::KeyboardModifiers shift, const QPoint &pos);
    virtual bool DoMouseWheelUp(Qt::KeyboardModifiers shift, const QPoint &pos);

    void MoveCurrent(int col, int row, bool moveAnchor, bool show);
    void MoveAnchor(const TGridCoord &anchor);
    void MoveTopLeft(int left, int top);
    // Scrolls so that the cell is fully visible.
    void ClampInView(const TGridCoord &coord);
    // The top-left cell that shows coord as the last fully visible cell.
    TGridCoord CalcMaxTopLeft(const TGridCoord &coord, const TGridDrawInfo &info) const;

    // Scroll timer used while selecting or moving beyond the edges.
    void StartScrollTimer(int intervalMs = 60);
    void StopScrollTimer();
    bool ScrollTimerActive() const { return m_scrollTimer.isActive(); }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TInplaceEdit;

    int axisCellStart(const TGridAxisDrawInfo &axis, int index) const;
    bool axisSpan(const TGridAxisDrawInfo &axis, int lo, int hi, int &start, int &end) const;
    int axisCellAt(const TGridAxisDrawInfo &axis, int pos) const;
    void changeSize(int newColCount, int newRowCount);
    void selectionMoved(const TGridRect &oldSelection);
    void topLeftMoved(const TGridCoord &oldTopLeft);
    void hideEdit();
    void updateText();
    void updateSizingCursor(int x, int y);
    void invalidateOverlay();
    QRect overlayRect() const;
    void focusChanged(QWidget *old, QWidget *now);

    int m_colCount = 5;
    int m_rowCount = 5;
    int m_fixedCols = 1;
    int m_fixedRows = 1;
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 24;
    int m_gridLineWidth = 1;
    // Empty while every column (row) has the default size, so that a million rows cost nothing.
    std::vector<int> m_colWidths;
    std::vector<int> m_rowHeights;

    TGridCoord m_topLeft{1, 1};
    TGridCoord m_current{1, 1};
    TGridCoord m_anchor{1, 1};
    TGridOptions m_options = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;
    TGridState m_gridState = gsNormal;
    TColor m_color = clWindow;
    TColor m_fixedColor = clBtnFace;
    TFont m_font;
    bool m_ctl3D = true;
    bool m_defaultDrawing = true;

    TInplaceEdit *m_inplaceEdit = nullptr;
    bool m_editorMode = false;
    int m_inplaceCol = -1;
    int m_inplaceRow = -1;

    // Sizing and moving in progress.
    int m_sizingIndex = -1;
    int m_sizingPos = 0;
    int m_sizingOfs = 0;
    int m_moveIndex = -1;
    int m_movePos = -1;
    QPoint m_lastMousePos;
    // The press that started the current mouse gesture, for GetLastMouseDown.
    QPoint m_lastMouseDownPos;
    qint64 m_lastMouseDownTime = 0;
    bool m_inDoubleClick = false;

    QBasicTimer m_scrollTimer;
    QMetaObject::Connection m_focusConnection;
    bool m_updatingScrollBars = false;
};
