#pragma once

#include "Variant.h"
#include "WidgetKit.h"

#include <QCalendarWidget>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

// ---------------------------------------------------------------------------------------------------------
// Small drawing helpers shared by the editors, the drop-downs and the grid
// ---------------------------------------------------------------------------------------------------------

enum TTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };

// The check-box glyph placed in a cell by its alignment; a cell smaller than the glyph cuts it.
QRect AlignCheckBoxRect(const QRect &CellRect, Qt::Alignment Alignment, TTextLayout Layout);

QPoint RectSize(const QRect &Rect);

// True when the second click counts as a double click of the first one.
bool IsWithinDoubleClick(const QPoint &OldPos, const QPoint &NewPos, int Interval);

// One-pixel dots on every second pixel in the painter's pen; Phase chooses which pixels.
void DrawDottedLine(QPainter &Canvas, QPoint Start, int Length, bool Horizontal, bool Phase);

// Expand boxes (0..5) and tree connector lines (6..9) of a tree cell.
void DrawTreeElement(QPainter &Canvas, const QRect &Rect, int ElementKind, bool Phase);

// One image of a list centred in Rect and clipped to it; a selected image is blended with the highlight colour.
void DrawClippedImage(QPainter &Canvas, const QRect &Rect, const TImageList *Images, int ImageIndex, bool Selected);

// ---------------------------------------------------------------------------------------------------------
// Edit buttons: the settings (TEditButtonEh and its collection) and the on-screen buttons
// ---------------------------------------------------------------------------------------------------------

enum TEditButtonStyleEh : std::uint8_t { ebsDropDownEh, ebsEllipsisEh, ebsGlyphEh, ebsUpDownEh, ebsPlusEh, ebsMinusEh };

using TButtonClickEventEh = std::function<void(QObject *Sender, bool &Handled)>;
using TButtonDownEventEh = std::function<void(QObject *Sender, bool TopButton, bool &AutoRepeat, bool &Handled)>;

class TEditButtonsEh;
class TEditButtonControlEh;

class TEditButtonEh : public QObject
{
    Q_OBJECT
public:
    // Create: a collection item, added inside one update of the collection.
    explicit TEditButtonEh(TEditButtonsEh *Collection);
    // CreateForEditControl: the main button of an edit control; belongs to no collection.
    explicit TEditButtonEh(QWidget *HostControl);
    ~TEditButtonEh() override;

    virtual void Assign(const QObject *Source);
    virtual TEditButtonControlEh *CreateEditButtonControl();

    QMenu *DropdownMenu() const { return m_dropdownMenu; }
    void SetDropdownMenu(QMenu *Menu) { m_dropdownMenu = Menu; }
    const QPixmap &GetGlyph() const { return m_glyph; }
    void SetGlyph(const QPixmap &Glyph);
    QString Hint() const { return m_hint; }
    void SetHint(const QString &Hint);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int Value);
    QKeySequence ShortCut() const { return m_shortCut; }
    void SetShortCut(const QKeySequence &Value) { m_shortCut = Value; }
    TEditButtonStyleEh Style() const { return m_style; }
    void SetStyle(TEditButtonStyleEh Value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool Value);
    int Width() const { return m_width; }
    void SetWidth(int Value);

    TButtonClickEventEh OnClick;
    TButtonDownEventEh OnDown;
    std::function<void(TEditButtonEh *Sender)> OnSettingsChanged;

    QWidget *HostControl() const { return m_hostControl; }
    TEditButtonsEh *Collection() const { return m_collection; }

protected:
    void NotifyChanged();

    bool m_visible = false;

private:
    QPointer<QMenu> m_dropdownMenu;
    QPixmap m_glyph;
    QString m_hint;
    int m_numGlyphs = 1;
    QKeySequence m_shortCut;
    TEditButtonStyleEh m_style = ebsDropDownEh;
    int m_width = 0;
    QPointer<QWidget> m_hostControl;
    TEditButtonsEh *m_collection = nullptr;

    friend class TEditButtonsEh;
};

// Main button of editors that drop something down (Alt+Down opens it).
class TDropDownEditButtonEh : public TEditButtonEh
{
    Q_OBJECT
public:
    explicit TDropDownEditButtonEh(TEditButtonsEh *Collection);
    explicit TDropDownEditButtonEh(QWidget *HostControl);
};

// Item of the editors' extra buttons: visible unless switched off.
class TVisibleEditButtonEh : public TEditButtonEh
{
    Q_OBJECT
public:
    explicit TVisibleEditButtonEh(TEditButtonsEh *Collection);
    explicit TVisibleEditButtonEh(QWidget *HostControl);
};

class TEditButtonsEh : public QObject
{
    Q_OBJECT
public:
    using ItemFactory = std::function<TEditButtonEh *(TEditButtonsEh *)>;

    template<class T> static ItemFactory ItemClass()
    {
        return [](TEditButtonsEh *c) -> TEditButtonEh * { return new T(c); };
    }

    TEditButtonsEh(QObject *Owner, ItemFactory ItemClass);
    ~TEditButtonsEh() override;

    QObject *GetOwner() const { return m_owner; }
    int Count() const { return int(m_items.size()); }
    TEditButtonEh *GetItem(int Index) const { return m_items.at(std::size_t(Index)); }
    TEditButtonEh *Add();
    void Delete(int Index);
    void Clear();
    void Assign(const TEditButtonsEh &Source);

    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();

    // Fired with the changed item, or nullptr when the collection as a whole changed.
    std::function<void(TEditButtonsEh *Sender, TEditButtonEh *Item)> OnItemChanged;

protected:
    virtual void Update(TEditButtonEh *Item);

private:
    void Changed(TEditButtonEh *Item);
    void Attach(TEditButtonEh *Item);

    QObject *m_owner;
    ItemFactory m_itemClass;
    std::vector<TEditButtonEh *> m_items;
    int m_updateCount = 0;

    friend class TEditButtonEh;
};

// The on-screen button: a speed button that paints an edit-button face and reports its presses, with the
// upper and lower halves of an up-down button and auto-repeat while held.
class TEditButtonControlEh : public QWidget
{
    Q_OBJECT
public:
    enum TButtonState : std::uint8_t { bsUp, bsDisabled, bsDown, bsExclusive };

    explicit TEditButtonControlEh(QWidget *Parent = nullptr);

    // Speed-button part.
    bool Down() const { return m_down; }
    void SetDown(bool Value);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int Value) { m_groupIndex = Value; }
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool Value) { m_allowAllUp = Value; }
    bool Flat() const { return m_flat; }
    void SetFlat(bool Value);
    TButtonState State() const { return m_state; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &Value);
    const QPixmap &Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap &Value);
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int Value);
    // Colour of the caption of a glyph-style button.
    void SetCaptionColor(const QColor &Value);

    bool Active() const { return m_active; }
    void SetActive(bool Value);
    TEditButtonStyleEh Style() const { return m_style; }
    void SetStyle(TEditButtonStyleEh Value);
    bool HeldDown() const { return m_heldDown; }
    void SetHeldDown(bool Value);
    int PressedPart() const { return m_pressedPart; }

    void DoButtonDown(bool TopButton, bool &AutoRepeat);

    TButtonDownEventEh OnButtonDown;
    std::function<void(TEditButtonControlEh *Sender)> OnClick;

    QTimer *RepeatTimer() const { return m_repeatTimer; }

protected:
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void changeEvent(QEvent *Event) override;
    virtual void Click();

private:
    void UpdatePressedPart(int Y);
    void StartRepeatTimer(int Interval);
    void RepeatTimerFired();
    void PaintGlyphFace(QPainter &Painter);

    bool m_down = false;
    int m_groupIndex = 0;
    bool m_allowAllUp = false;
    bool m_flat = false;
    bool m_dragging = false;
    TButtonState m_state = bsUp;
    QString m_caption;
    QColor m_captionColor;
    QPixmap m_glyph;
    int m_numGlyphs = 1;

    bool m_active = false;
    bool m_heldDown = false;
    int m_pressedPart = 0;
    bool m_suppressClick = false;
    TEditButtonStyleEh m_style = ebsDropDownEh;
    QTimer *m_repeatTimer = nullptr;
};

class TSpeedButtonEh : public TEditButtonControlEh
{
    Q_OBJECT
public:
    using TEditButtonControlEh::TEditButtonControlEh;
};

// What an owner does to lay its edit buttons out: one control and one separator per settings object, the main
// button first, placed from the right edge leftwards (from the left under right-to-left alignment).
struct TEditButtonSlotEh
{
    TEditButtonEh *Settings = nullptr;
    QPointer<TEditButtonControlEh> Control;
    QPointer<QWidget> Separator;
};

enum class TEditButtonHeightRuleEh { Editor, InplaceEditor };

// Creates the missing controls, copies the settings into them and places them inside ClientRect; answers the
// width they take from the text area.
int LayoutEditButtons(QWidget *Host, std::vector<TEditButtonSlotEh> &Slots, const QRect &ClientRect, bool Flat,
                      bool RightToLeft, TEditButtonHeightRuleEh HeightRule);

// Pops a button's drop-down menu up under the button (under its right end for a right-to-left menu).
// OnClosed runs when the menu hides and its closing press is still being delivered: a host uses it to let that
// press, which lands on the button again, only close the menu.
void PopUpEditButtonMenu(TEditButtonControlEh *Control, QMenu *Menu, const std::function<void(bool Closing)> &OnClosed);

// ---------------------------------------------------------------------------------------------------------
// Most recently used texts and the special row of drop-down lists
// ---------------------------------------------------------------------------------------------------------

// Asked during MRU filtering whether the user already typed on; the platform has no peekable input queue, so
// the editors install a probe that knows.
using PendingKeyProbeEh = std::function<bool()>;
void SetPendingKeyProbe(PendingKeyProbeEh Probe);

class TMRUListEh : public QObject
{
    Q_OBJECT
public:
    explicit TMRUListEh(QObject *Owner);

    virtual void Assign(const TMRUListEh &Source);
    virtual void CloseUp(bool Accept);
    virtual void DropDown();

    void Add(const QString &Text);
    bool FilterItems(QStringList &Dest, const QString &Text);

    bool AutoAdd = true;
    bool CaseSensitive = false;
    bool StopOnPendingKey = true;
    bool ListShown = false;

    bool Active() const { return m_active; }
    void SetActive(bool Value);
    const QStringList &Items() const { return m_items; }
    void SetItems(const QStringList &Value);
    int Limit() const { return m_limit; }
    void SetLimit(int Value);
    int Rows() const { return m_rows; }
    void SetRows(int Value) { m_rows = Value; }
    QObject *Owner() const { return m_owner; }

    std::function<void(TMRUListEh *Sender)> OnActiveToggled;
    std::function<void(TMRUListEh *Sender, const QString &Item, bool &Accept)> OnAcceptItem;
    std::function<void(TMRUListEh *Sender)> OnDropDownRequest;
    std::function<void(TMRUListEh *Sender, bool Accept)> OnCloseUpRequest;

private:
    void ApplyLimit();

    QObject *m_owner;
    bool m_active = false;
    QStringList m_items;
    int m_limit = 100;
    int m_rows = 7;
};

// ---------------------------------------------------------------------------------------------------------
// Drop-down windows
// ---------------------------------------------------------------------------------------------------------

// Implemented by whoever opens a drop-down; the drop-down asks it to close, keeping the choice or not.
class IPopupOwnerEh
{
public:
    virtual ~IPopupOwnerEh() = default;
    virtual void CloseUp(bool Accept) = 0;
};

// The side of its anchor a drop-down opened on, which tells it where its size grip belongs.
enum TDropDownSideEh : std::uint8_t {
    ddsGripLeft = 0,   // it extends to the left of its anchor
    ddsGripRight = 1,
    ddsGripTop = 2,    // it opened above the field
    ddsGripBottom = 3, // it opened below
};

// Drop-downs that follow their side implement this (the list boxes pass it to their grip).
class IDropDownSideEh
{
public:
    virtual ~IDropDownSideEh() = default;
    virtual void DropDownSideChanged(TDropDownSideEh Side) = 0;
};

enum TDropDownAlign : std::uint8_t { daLeft, daRight, daCenter };

// Where a window of Size opens at an anchor inside WorkArea; Size is trimmed to fit, Sides receives the
// vertical and then the horizontal side.
QPoint PlaceDropDownInWorkArea(const QRect &AnchorRect, const QRect &WorkArea, QSize &Size, TDropDownAlign Align,
                               TDropDownSideEh Sides[2]);

// The work area of the screen nearest to a rectangle of global coordinates.
QRect DropDownWorkArea(const QRect &AnchorRect);

// Places DropDown at a screen rectangle: may change its size, tells it its sides, answers the top-left point.
QPoint PlaceDropDownWindow(const QRect &AnchorRect, QWidget *DropDown, TDropDownAlign Align);
QPoint PlaceDropDownForControl(QWidget *EditControl, QWidget *DropDown, TDropDownAlign Align);

// Makes a widget a drop-down window: a top-level tool window that never takes the focus nor activates, and
// that asks its owner to close (not accepting) when the user presses a mouse button outside it and its owner.
class TDropDownBehaviorEh : public QObject
{
    Q_OBJECT
public:
    TDropDownBehaviorEh(QWidget *DropDown, QObject *Owner);

    IPopupOwnerEh *PopupOwner() const;
    QObject *Owner() const { return m_owner; }
    // Asks the owner to close; false when the owner does not implement IPopupOwnerEh.
    bool CloseUp(bool Accept);
    // Closes without accepting once the current event is done.
    void PostDeferredCloseUp();

    static void MakeDropDownWindow(QWidget *DropDown);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    QWidget *m_dropDown;
    QPointer<QObject> m_owner;
};

enum TSizeGripPosition : std::uint8_t { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };

// A grip in one corner of a drop-down with which the user resizes it within the work area.
class TSizeGripEh : public QWidget
{
    Q_OBJECT
public:
    explicit TSizeGripEh(QWidget *Parent);

    TSizeGripPosition Position() const { return m_position; }
    void SetPosition(TSizeGripPosition Value);
    bool TriangleWindow() const { return m_triangleWindow; }
    void SetTriangleWindow(bool Value);

    void ShowGrip(bool Show) { setVisible(Show); }
    void ChangeGripSide(int Side);
    void UpdateGripPosition();

    std::function<void(TSizeGripEh *Sender)> OnParentResized;

protected:
    virtual void ParentResized();
    void paintEvent(QPaintEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void moveEvent(QMoveEvent *Event) override;

private:
    void UpdateWindowRegion();

    TSizeGripPosition m_position = sgpBottomRight;
    bool m_triangleWindow = true;
    QPoint m_startPos;
    QSize m_parentSize;
    QSize m_parentClientSize;
    QPoint m_lastPos;
    bool m_repositioning = false;
};

// The month calendar a date editor drops down.
class TPopupMonthCalendarEh : public QCalendarWidget
{
    Q_OBJECT
public:
    explicit TPopupMonthCalendarEh(QObject *Owner);

    QDate Date() const { return selectedDate(); }
    void SetDate(const QDate &Value) { setSelectedDate(Value); }
    int FrameWidth() const { return m_frameWidth; }
    TDropDownBehaviorEh *Behavior() const { return m_behavior; }

    // Keys reach the calendar from its owner's edit field, which keeps the focus.
    bool HandleKey(QKeyEvent *Event);

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;

private:
    TDropDownBehaviorEh *m_behavior;
    int m_frameWidth = 2;
    bool m_forwardingKey = false;
};

using TListGetImageIndexEventEh = std::function<void(QObject *Sender, int ItemIndex, int &ImageIndex)>;

// The list box a pick list drops down: rows of equal height, hot tracking, incremental search.
class TPopupListboxEh : public QListWidget, public IDropDownSideEh
{
    Q_OBJECT
public:
    explicit TPopupListboxEh(QObject *Owner);

    TSizeGripEh *SizeGrip() const { return m_sizeGrip; }
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int Rows);
    int ItemHeight() const;
    int GetTextHeight() const;
    int BorderHeight() const;
    // Heights become whole rows.
    void SetBoundsInRows(int Left, int Top, int Width, int Height);
    QString SearchText() const { return m_searchText; }
    bool Resized() const { return m_resized; }
    TDropDownBehaviorEh *Behavior() const { return m_behavior; }

    void DropDownSideChanged(TDropDownSideEh Side) override;
    // Keys reach the list from its owner's edit field, which keeps the focus; true when consumed.
    bool HandleKeyPress(const QString &Text, int Key);

    // With images the list draws each row itself: the image, then the text. The list is not owned.
    void SetImages(const TImageList *Images);
    const TImageList *Images() const { return m_images; }

    TListGetImageIndexEventEh OnGetImageIndex;

protected:
    void resizeEvent(QResizeEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;

    TSizeGripEh *m_sizeGrip;

private:
    TDropDownBehaviorEh *m_behavior;
    const TImageList *m_images = nullptr;
    int m_rowCount = 1;
    QString m_searchText;
    qint64 m_lastSearchTick = 0;
    QPoint m_lastMousePos{-1, -1};
    bool m_resized = false;
};

// The list of recently used texts: its own scroll bar beside the grip.
class TMRUListboxEh : public TPopupListboxEh
{
    Q_OBJECT
public:
    explicit TMRUListboxEh(QObject *Owner);

    QScrollBar *ScrollBar() const { return m_scrollBar; }
    void UpdateScrollBar();
    void DropDownSideChanged(TDropDownSideEh Side) override;

protected:
    void resizeEvent(QResizeEvent *Event) override;
    void rowsInserted(const QModelIndex &Parent, int Start, int End) override;
    void scrollContentsBy(int Dx, int Dy) override;

private:
    void PlaceScrollBar();

    QScrollBar *m_scrollBar;
    bool m_updating = false;
};

// The special first row of a drop-down list or lookup grid, standing for one value (typically Null).
class TSpecRowEh : public QObject
{
    Q_OBJECT
public:
    // The row takes its font and colour from Owner until they are assigned.
    explicit TSpecRowEh(QWidget *Owner);

    virtual void Assign(const TSpecRowEh &Source);

    QString CellsText() const { return m_cellsText; }
    void SetCellsText(const QString &Value);
    const QStringList &CellTexts() const { return m_cellTexts; }
    QString GetCellText(int Index) const;

    TColor Color() const;
    void SetColor(TColor Value);
    bool ColorSet() const { return m_colorSet; }
    const TFont &Font();
    void SetFont(const TFont &Value);
    bool FontSet() const { return m_fontSet; }
    QKeySequence ShortCut() const { return m_shortCut; }
    void SetShortCut(const QKeySequence &Value) { m_shortCut = Value; }
    bool ShowIfNotInKeyList() const { return m_showIfNotInKeyList; }
    void SetShowIfNotInKeyList(bool Value);
    const Variant &Value() const { return m_value; }
    void SetValue(const Variant &Value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool Value);

    bool MatchesValue(const Variant &KeyValue) const;
    void BeginUpdate() { ++m_changeLock; }
    void EndUpdate();

    QWidget *Owner() const { return m_owner; }
    // The row stands for the current key value (kept by the lookup grid).
    bool IsCurrent = false;
    std::function<void(TSpecRowEh *Sender)> OnRowChanged;

protected:
    void Changed();

private:
    void FontChanged();

    QPointer<QWidget> m_owner;
    QString m_cellsText;
    QStringList m_cellTexts;
    TColor m_color = clWindow;
    bool m_colorSet = false;
    TFont m_font;
    bool m_fontSet = false;
    QKeySequence m_shortCut;
    bool m_showIfNotInKeyList = true;
    Variant m_value;
    bool m_visible = false;
    int m_changeLock = 0;
};
