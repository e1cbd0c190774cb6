#pragma once

#include "FR_Ctrls.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>

class QRubberBand;

// How a control sits in its parent: the docks along the form's edges, the items along their toolbar.
enum TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

TAlign GetControlAlign(const QWidget *Control);
void SetControlAlign(QWidget *Control, TAlign Align);

// Places the docks of a form along its edges (top and bottom ones first, then left and right ones between them)
// and answers the rectangle that remains for the form's own content.
QRect RealignDocks(QWidget *Form);

// A panel along one edge of a form that lays its toolbars out in rows of RowSize, growing by a row when a
// toolbar is dropped beyond its last row and shrinking when a row empties.
class TfrDock : public QWidget
{
    Q_OBJECT
public:
    TfrDock(QWidget *Form, TAlign Align);

    TAlign Align() const { return GetControlAlign(this); }
    int RowSize() const { return m_rowSize; }
    void SetRowSize(int Value) { m_rowSize = Value; }
    bool IsHorizontal() const { return Align() == alTop || Align() == alBottom; }
    // Height of a top or bottom dock, width of a left or right one.
    int Depth() const { return IsHorizontal() ? height() : width(); }

    void AdjustBounds();

protected:
    void paintEvent(QPaintEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    void SetDepth(int Value);

    int m_rowSize = 26;
};

enum TfrOrientation : std::uint8_t { toAny, toVertOnly, toHorzOnly };

class TfrToolBar;

// The grip at the start of a docked toolbar by which the user drags it.
class TfrDragBox : public QWidget
{
    Q_OBJECT
public:
    explicit TfrDragBox(TfrToolBar *ToolBar);

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;

private:
    TfrToolBar *m_toolBar;
};

// The small tool window a toolbar floats in; it stays above the form that owns it.
class TfrFloatWindow : public QWidget
{
    Q_OBJECT
public:
    TfrFloatWindow(QWidget *OwnerForm, TfrToolBar *ToolBar);
    ~TfrFloatWindow() override;

    TfrToolBar *ToolBar() const { return m_toolBar; }
    bool Moving() const { return m_moving; }
    QWidget *OwnerForm() const { return m_ownerForm; }

    // Follows the mouse from now on, as if the user had pressed on the window (after a drag out of a dock).
    void StartMoving();
    void MoveFrame(const QPoint &GlobalPos);
    void EndMoving();

protected:
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;

private:
    friend class TfrToolBar;
    void ShowFrame(bool Show);

    TfrToolBar *m_toolBar;
    QPointer<QWidget> m_ownerForm;
    QRect m_moveFrame;
    QPoint m_grabOffset;
    bool m_moving = false;
    QRubberBand *m_frame = nullptr;
};

class TfrToolBar : public QWidget
{
    Q_OBJECT
public:
    explicit TfrToolBar(QWidget *Parent);
    ~TfrToolBar() override;

    bool CanFloat = true;
    TfrOrientation Orientation = toAny;

    bool IsFloat() const { return m_isFloat; }
    bool Dragging() const { return m_dragging; }
    TfrFloatWindow *FloatWindow() const { return m_floatWindow; }
    TfrDragBox *DragBox() const { return m_dragBox; }
    // 1 in a top or bottom dock, 3 in a left or right one, else the parent's alignment (0 when floating).
    int DockKind() const;
    TfrDock *Dock() const { return qobject_cast<TfrDock *>(parentWidget()); }
    // The form the toolbar belongs to, docked or floating.
    QWidget *OwnerForm() const;

    bool IsVisible() const;
    void SetVisible(bool Flag);
    void DockTo(TfrDock *Dock, int X, int Y);
    void AddToDock(TfrDock *Dock);
    bool TryDockAt(QWidget *Form, const QPoint &Point);
    void ArrangeControls();
    void AdjustSize();
    void Float(int X, int Y);
    void FloatAtCursor();
    bool MoveTo(int X, int Y);
    // Lays the items out along the toolbar by their alignment.
    void RealignItems();

    // The drag of the toolbar (its own surface and its grip), in screen coordinates.
    void DragStart(const QPoint &GlobalPos);
    void DragMove(const QPoint &GlobalPos);
    void DragEnd();

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void childEvent(QChildEvent *Event) override;

private:
    friend class TfrFloatWindow;

    TfrDragBox *m_dragBox;
    TfrFloatWindow *m_floatWindow = nullptr;
    bool m_isFloat = false;
    bool m_dragging = false;
    bool m_destroying = false;
    QPoint m_lastPos;
};

// Toolbar items: they align themselves to the toolbar they are put on.
class TfrTBButton : public TfrSpeedButton
{
    Q_OBJECT
public:
    explicit TfrTBButton(QWidget *Parent = nullptr);

protected:
    bool event(QEvent *Event) override;
};

class TfrTBPanel : public QWidget
{
    Q_OBJECT
public:
    explicit TfrTBPanel(QWidget *Parent = nullptr);

protected:
    bool event(QEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;
};

// A panel with a bevelled line across the toolbar's run.
class TfrTBSeparator : public TfrTBPanel
{
    Q_OBJECT
public:
    using TfrTBPanel::TfrTBPanel;

    bool DrawBevel = true;

protected:
    void paintEvent(QPaintEvent *Event) override;
};

// Window and toolbar placement under EngineRegistryKey: "Form\<class name>" and "ToolBar\<component name>".
void WriteFormPlacement(QWidget *Form);
void ReadFormPlacement(QWidget *Form);
void WriteToolbarPlacement(TfrToolBar *ToolBar);
void ReadToolbarPlacement(TfrToolBar *ToolBar);
