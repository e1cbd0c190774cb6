#pragma once

#include "FR_Class.h"

#include <QByteArray>
#include <QDialog>
#include <QLine>
#include <QPixmap>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QScrollArea;
class QTabBar;
class TfrDesignerForm;
class TfrDesignerPage;
class TfrDock;
class TfrEditorForm;
class TfrInspForm;
class TfrPageForm;
class TfrTBButton;
class TfrToolBar;
class TColorSelector;
class TfrComboBox;
class TfrFontComboBox;
class TfrInsFieldsForm;
class TfrSpeedButton;
struct TfrInsertFieldsChoice;

// The base of the designer's object editors (data sources, picture, text and script): a dialog that edits one
// object and answers its modal result.
class TfrObjEditorForm : public QDialog
{
    Q_OBJECT
public:
    explicit TfrObjEditorForm(QWidget *parent = nullptr);

    // Edits the object; the base shows nothing and answers OK (1).
    virtual int ShowEditor(TfrView *view);
};

// ---- What a host may forbid, and what objects forbid themselves -----------------------------------------------

// Bits of DesignerRestrictions: each switches a group of commands off.
enum : quint16 {
    drNoEdit = 0x1,
    drNoAttributes = 0x2,
    drNoResize = 0x4,
    drNoMove = 0x8,
    drNoDelete = 0x10,
    drNoInsert = 0x20,
    drNoDeletePage = 0x40,
    drNoAddPage = 0x80,
    drNoPageOptions = 0x100,
    drNoNew = 0x200,
    drNoOpen = 0x400,
    drNoSave = 0x800,
    drNoPreview = 0x1000,
    drNoDictionary = 0x2000,
    drNoReportOptions = 0x4000,
};

// Bits of an object's own Restrictions.
enum : quint16 {
    orNoText = 0x1,
    orNoScript = 0x2,
    orNoContents = 0x4,
    orNoModify = 0x8,
    orNoResize = 0x10,
    orNoMove = 0x20,
    orNoDelete = 0x40,
};

// Bits of an object's Flags that the designer reads.
enum : quint16 {
    ofOncePerPage = 0x2000,
    ofNoUndo = 0x4000,
};

// The attributes a new object takes; every formatting command updates them.
struct TfrLastUsedAttributes
{
    QString FontName = QStringLiteral("Arial");
    int FontSize = 10;
    int FontStyle = 0;
    int Charset = 204;
    TColor FontColor = clBlack;
    int Alignment = 0;
    int FrameType = 0;
    double FrameWidth = 1.0;
    double LineWidth = 2.0;
    TColor FrameColor = clBlack;
    TColor FillColor = clTransparent;
};

class TfrDesigner;

// The designer's process-wide state: set by a host (restrictions), shared by every designer window (the last-used
// attributes, the clipboard of object streams, which outlives the windows) and the options component.
extern quint16 DesignerRestrictions;
extern TfrLastUsedAttributes LastUsed;
extern QList<QByteArray> DesignerClipboard;
extern TfrDesigner *DesignerComponent;

// Links the designer to the engine and starts its process-wide state afresh.
void frInstallDesigner();

// A picked expression as a text object takes it: in brackets unless it is one bracketed expression already.
QString WrapExpression(const QString &expression);

using TLoadReportEvent = std::function<void(TfrReport *report, QString &reportName, bool &opened)>;
using TSaveReportEvent = std::function<void(TfrReport *report, QString &reportName, bool saveAs, bool &saved)>;

// The designer's options; at most one exists. Creating it links the designer in.
class TfrDesigner : public QObject
{
    Q_OBJECT
public:
    explicit TfrDesigner(QObject *owner = nullptr);
    ~TfrDesigner() override;

    bool CloseQuery = true;
    bool HideDisabledButtons = true;
    QString TemplateDir;
    QString OpenDir;
    QString SaveDir;
    TLoadReportEvent OnLoadReport;
    TSaveReportEvent OnSaveReport;
    // Called with the window each time it has been set up.
    std::function<void(QWidget *designer)> OnShow;
};

// ---- Geometry of the design surface, without widgets --------------------------------------------------------

namespace DesignGeometry {

// Rounding of designer coordinates: halves to the even one.
int RoundEven(double v);

// The object hit at a point, searched from the top of the z-order down; -1 when none. An object narrower or lower
// than 3 pixels is hit within 3 pixels of its rectangle.
int HitTest(const std::vector<TfrView *> &objects, const QPoint &point);

// A mouse delta as a drag takes it: with snapping, nothing until it reaches a whole step on either axis, then each
// component cut to whole steps towards zero. nullopt while the gate holds.
std::optional<QPoint> GatedDelta(const QPoint &delta, int step, bool snap);

// A point snapped down to the grid (towards zero) when aligning is on.
QPoint SnapToGrid(const QPoint &point, int step, bool align);

// The line tool's start point: the nearest object corner closer than one step, else the nearest grid point.
QPoint SnapLinePoint(const QPoint &point, const std::vector<TfrView *> &objects, int step);

// The group's scaled span on one axis: where an object kept at keptPos with keptSize lands when the group that
// starts at origin grows by k. Answers (position, size); both edges are rounded so that neighbours stay joined.
std::pair<int, int> ScaleSpan(int keptPos, int keptSize, int origin, double k);

// Resize handles. The state names the handle being dragged.
enum TResizeState : int {
    rsNone,
    rsTopLeft,
    rsBottomRight,
    rsTopRight,
    rsBottomLeft,
    rsLeft,
    rsRight,
    rsTop,
    rsBottom
};
// The cursors that select a resize: the diagonals, and the horizontal and vertical edges.
enum TSizeCursor : int { scNone, scNWSE, scNESW, scWE, scNS };

// The size cursor a point over one selected object's handles shows (tolerance: within [h - 2, h + 3]).
TSizeCursor HandleCursor(const QRect &object, const QPoint &point);
// The handle a resize drags, decided once from the point where the drag began (tolerance 3).
TResizeState DecideResize(TSizeCursor cursor, const QRect &object, const QPoint &start);
// One step of a resize: the rectangle moved by (d, e) on the dragged handle. A negative width or height is made
// positive and the state flips to the opposite handle, so that a drag across the opposite edge goes on smoothly.
QRect ApplyResize(const QRect &object, TResizeState &state, int d, int e);

// The left of a report page in the scroll box: 3 left, 4 right, 5 centre.
int PageLeft(int clientWidth, int pageWidth, int pagePosition);

// The default size of an inserted object for a grid step and the last-used font size.
QSize DefaultSize(int gridStep, int fontSize);

// Where a pasted coordinate lands: relative to the clipboard's smallest coordinate, at the visible top-left of a
// scrolled page in whole grid steps.
int PastePosition(int value, int smallest, int surfaceOffset, int step);

// The arrow keys' walk: the score of a candidate C for the object S in a direction, 10000 and above meaning that C
// does not lie that way.
enum TDirection : int { dirLeft, dirRight, dirUp, dirDown };
int NearestScore(const QRect &s, const QRect &c, TDirection direction);
// The candidate with the lowest score below 10000, the first on ties; -1 when none lies that way.
int NearestObject(const QRect &s, const std::vector<QRect> &candidates, TDirection direction);

// Pairs of the vertical split: the index of the object left of P whose right edge is P's left edge, -1 when none.
int SplitPartner(const std::vector<TfrView *> &selected, const TfrView *p);

} // namespace DesignGeometry

// Bands first in their order, the first overlay band at the head, cross bands at the end of the band block.
void SortBands(TfrPage &page);
// The page holds a band of that type.
bool BandTypeExists(const TfrPage &page, int bandType);
// The base of a new band's name: the band type's name made one word, its first blank gone and the letter after it
// upper-cased.
QString BandBaseName(int bandType);

// ---- Undo ----------------------------------------------------------------------------------------------------

enum TfrUndoAction : quint8 { acInsert = 0, acDelete = 1, acEdit = 2, acZOrder = 3 };

// One object of an undo record: its ID and index; for a delete a copy of the object as it was, for an edit its
// record as it was, which the object on the page takes back.
struct TfrUndoObj
{
    int ObjID = 0;
    std::unique_ptr<TfrView> ObjPtr;
    QByteArray Contents;
    int Index = 0;
};

struct TfrUndoRec
{
    TfrUndoAction Action = acEdit;
    int PageIndex = 0;
    std::vector<TfrUndoObj> Objects;
};

// The object IDs of every page's objects by index, kept across a rebuild of the template.
using TfrObjectIDs = std::vector<std::vector<int>>;

// ---- The window --------------------------------------------------------------------------------------------------

// The bottom line of the window: the units, the paint box over the second panel and the object's name.
class TfrStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit TfrStatusBar(QWidget *parent = nullptr);

    QString PanelText(int i) const { return m_texts.value(i); }
    void SetPanelText(int i, const QString &text);
    // The x where each panel ends.
    static constexpr int PanelWidths[3] = { 75, 230, 50 };

    std::function<void(const QPoint &)> OnDblClick;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QStringList m_texts = { {}, {}, {} };
};

// The window in which the template of CurrentReport is edited: its frame, the page tabs, the options and the
// designer's side of the engine.
class TfrDesignerForm : public TfrReportDesigner
{
    Q_OBJECT
public:
    explicit TfrDesignerForm(bool templateMode);
    ~TfrDesignerForm() override;

    bool GetModified() override;
    void SetModified(bool value) override;
    void BeginObjectChange() override;
    void EndObjectChange() override;
    void RepaintPage() override;
    void SelectObjectByName(const QString &name) override;
    QString PickDBField() override;
    QString PickExpression() override;

    void SetCurPage(int index);
    void SetFileName(const QString &name);
    void SetGridSize(int n);
    void SetShowGrid(bool value);
    void SetGridAlign(bool value);
    void SetUnits(int units);
    void SetGrayButtons(bool value);
    double PixelsToUnits(double x) const;
    double UnitsToPixels(double x) const;
    void UpdatePageTabs();
    void InstallEditorHooks();
    void LoadOptions();
    void SaveOptions();

    // The selection's state in the toolbars, the status bar and the inspector.
    void SelectionChanged();
    void EnableControls();
    void UpdateStatus();
    void ShowObjectInfo();
    void FillInspector();
    // 0 none, 1 a band, 2 a text object, 4 another object, 8 several; +16 with a full clipboard.
    int SelectionType() const;

    // The selection.
    void Unselect();
    void SelectAll();
    // Unselects, then toolbars and status follow.
    void ResetSelection();
    int TopSelectedIndex() const;
    TfrView *TopSelected() const;
    std::vector<TfrView *> SelectedObjects() const;
    // The designer and the object allow it.
    bool MayMove(const TfrView *view) const;
    bool MayResize(const TfrView *view) const;
    bool MayDelete(const TfrView *view) const;
    // Editing an object's contents: restriction 1 is off and the top selected object allows it.
    bool EditingAllowed() const;
    // The editor of the top selected object, and its text and script editor (null: the top selected object).
    void EditSelected();
    void ShowMemoEditor(TfrView *view);
    // The band types dialog: answers the chosen band type, or -1 when cancelled. It is told whether the page is
    // a subreport's target. Unset, no band can be inserted.
    static std::function<int(TfrDesignerForm &designer, bool subreportPage)> BandTypesDialog;

    // Undo, redo and the designer's clipboard.
    void RecordUndo(TfrUndoAction action);
    void AddUndoRecord(
        std::vector<TfrUndoRec> &buffer, TfrUndoAction action, const std::vector<std::pair<TfrView *, int>> &list);
    void UndoFrom(std::vector<TfrUndoRec> &buffer);
    void Undo() { UndoFrom(UndoBuffer); }
    void Redo() { UndoFrom(RedoBuffer); }
    void ClearUndo();
    void ClearRedo();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // Deletes the selection with an undo step.
    void DeleteSelected();
    // Bands that name oldName as their child band name newName instead.
    void RenameBandLinks(const QString &oldName, const QString &newName);
    // A rebuild of the template (a preview) makes every object anew: the IDs go back to the objects at the same page
    // and index, so that the undo steps find them.
    TfrObjectIDs KeepObjectIDs() const;
    void RestoreObjectIDs(const TfrObjectIDs &ids);

    // The page being edited and where the window stands.
    TfrReport *Report() const { return frEngine().CurrentReport; }

    // Components, by the names the commands and the tests use.
    QMenuBar *MainMenu1 = nullptr;
    QMenu *FileMenu = nullptr, *EditMenu = nullptr, *ToolMenu = nullptr, *HelpMenu = nullptr, *MastMenu = nullptr,
          *ToolbarsMenu = nullptr, *Popup1 = nullptr, *Popup2 = nullptr;
    // Menu items: File.
    QAction *N23 = nullptr, *N19 = nullptr, *N20 = nullptr, *N17 = nullptr, *N42 = nullptr, *N8 = nullptr,
            *N25 = nullptr, *N39 = nullptr, *N10 = nullptr;
    // Edit.
    QAction *N46 = nullptr, *N48 = nullptr, *N11 = nullptr, *N12 = nullptr, *N13 = nullptr, *N27 = nullptr,
            *N28 = nullptr, *N36 = nullptr, *N29 = nullptr, *N15 = nullptr, *N30 = nullptr, *N32 = nullptr,
            *N33 = nullptr;
    // Tools, the toolbar submenu and help.
    QAction *N37 = nullptr, *N14 = nullptr, *Pan1 = nullptr, *Pan2 = nullptr, *Pan3 = nullptr, *Pan4 = nullptr,
            *Pan5 = nullptr, *Pan6 = nullptr, *Pan7 = nullptr, *Pan8 = nullptr, *N22 = nullptr, *N35 = nullptr,
            *N34 = nullptr;
    // The object popup and the page-tab popup.
    QAction *N2 = nullptr, *N1 = nullptr, *N3 = nullptr, *N5 = nullptr, *N16 = nullptr, *N6 = nullptr, *N41 = nullptr,
            *N45 = nullptr, *N43 = nullptr, *N44 = nullptr;
    // Commands that only a button of the Standard toolbar gives: New, the grid toggles and fit to grid.
    QAction *NewAction = nullptr, *GridAction = nullptr, *GridAlignAction = nullptr, *FitGridAction = nullptr;

    TfrDock *frDock1 = nullptr, *frDock2 = nullptr, *frDock3 = nullptr, *frDock4 = nullptr;
    TfrToolBar *Panel2 = nullptr, *Panel4 = nullptr;
    TfrTBButton *FileBtn1 = nullptr, *FileBtn2 = nullptr, *FileBtn3 = nullptr, *FileBtn4 = nullptr, *CutB = nullptr,
                *CopyB = nullptr, *PstB = nullptr, *UndoB = nullptr, *RedoB = nullptr, *ZB1 = nullptr, *ZB2 = nullptr,
                *SelAllB = nullptr, *PgB1 = nullptr, *PgB4 = nullptr, *PgB2 = nullptr, *PgB3 = nullptr, *GB1 = nullptr,
                *GB2 = nullptr, *GB3 = nullptr, *HelpBtn = nullptr, *ExitB = nullptr;
    // The Objects toolbar: select, text, band, picture, subreport, line, then a button per registered add-in.
    TfrTBButton *OB1 = nullptr, *OB2 = nullptr, *OB3 = nullptr, *OB4 = nullptr, *OB5 = nullptr, *OB6 = nullptr;
    QWidget *Body = nullptr;
    QTabBar *Tab1 = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    TfrStatusBar *StatusBar1 = nullptr;
    QWidget *Panel7 = nullptr, *PBox1 = nullptr;

    TfrPageForm *PageForm = nullptr;
    TfrDesignerPage *PageView = nullptr;
    TfrInspForm *InspForm = nullptr;
    TfrEditorForm *EditorForm = nullptr;
    int CurPage = 0;
    int GridSizeX = 4, GridSizeY = 4;
    bool ShowGrid = true;
    bool GridAlign = true;
    int Units = 0; // 0 pixels, 1 millimetres, 2 inches
    bool GrayButtons = false;
    std::vector<TfrUndoRec> UndoBuffer, RedoBuffer;
    int UndoCount() const { return int(UndoBuffer.size()); }
    int RedoCount() const { return int(RedoBuffer.size()); }
    bool FirstShow = true;
    bool EditAfterInsert = true;
    QString FileName;
    QString CaptionBase;
    int ShowContents = 1; // draw objects while they move
    int PagePosition = 5; // 3 left, 4 right, 5 centre
    int PageType = 0;
    bool UnlimitedHeight = false;
    // While set, the formatting handlers ignore the clicks that the window causes itself.
    bool UpdatingControls = false;
    // Set by Save and Save as when the template was saved; the close question reads it.
    bool SaveDone = false;

    // The tag of the pressed tool of the Objects toolbar: -1 select, 0 text, 1 picture, 2 band, 3 subreport,
    // 4 line, 10 + i the i-th registered add-in.
    int ToolTag() const;
    void PressTool(int tag);

    static constexpr int UndoDepth = 100;

    // ---- Object editors, the inspector's side, keys and the status box ----------------------------------------
    // The font dialog for the selected text objects: only the attributes changed in it reach them.
    void ShowFontDialog();
    // The highlight of the selected text objects.
    void ShowHighlightDialog();
    // The inspector's row `index` was edited: its value goes to the selected objects, or to the page.
    void ApplyInspectorChange(int index);
    // Moves (or, with resize, sizes) the selected objects by a step, as far as each may be.
    void NudgeSelection(int dx, int dy, bool resize);
    // The window's keys, before its controls see them; answers whether the key was used.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // What the status box shows: the position at x 20, the size at x 110, the scale at x 170.
    struct TStatusFigures
    {
        QString Position, Size, Scale;
    };
    TStatusFigures StatusFigures() const;
    // The inspector's row texts as last filled, one per row.
    QStringList PropValues;

    // ---- Commands: files, preview, options, pages, toolbars, help and the object popup -------------------------
    // Asks whether to save the changes: Yes saves, and answers whether the command may go on.
    bool SaveChangesQuestion();
    void NewReport();
    void NewFromTemplate();
    void OpenReport();
    void SaveReport();
    void SaveReportAs();
    void PreviewReport();
    void EditReportOptions();
    void EditDictionary();
    void EditDesignerOptions();
    // The options of the page being edited; answers whether they were confirmed and stored.
    bool EditPageOptions();
    void AddPage();
    void AddDialogPage();
    // Asks, then removes the current page.
    void DeletePage();
    void RemovePage(int index);
    // Moves the current page to another place; it stays current at its new index.
    void MovePage(int to);
    void SelectAllObjects();
    // The help tool takes the next click on the window.
    void StartHelpTool();
    bool HelpToolActive() const { return m_helpTool; }
    // The help context of the control the help tool was last clicked on, 0 when none.
    int LastHelpContext = 0;
    // The object popup's items of the selected objects, after its own seven.
    void BuildObjectPopup();
    void UpdateToolbarsMenu();
    void ToggleToolbar(QAction *item);
    // The toolbar or window a toolbar submenu item shows by its tag; null when there is none.
    QWidget *ToolbarOfTag(int tag) const;
    // Set by the page options when they were confirmed; Add page reads it.
    bool PageOptionsDone = false;

    // ---- The Text and Frame toolbars, the alignment palette, the extra tools and the DB-fields window ----------
    TfrToolBar *Panel1 = nullptr, *Panel3 = nullptr, *Panel5 = nullptr, *Panel6 = nullptr;
    // Text: font name and size, style, colour, highlight, horizontal and vertical alignment, turned text.
    TfrFontComboBox *C2 = nullptr;
    TfrComboBox *C3 = nullptr;
    TfrTBButton *FnB1 = nullptr, *FnB2 = nullptr, *FnB3 = nullptr, *ClB2 = nullptr, *HlB1 = nullptr, *AlB1 = nullptr,
                *AlB2 = nullptr, *AlB3 = nullptr, *AlB8 = nullptr, *AlB6 = nullptr, *AlB5 = nullptr, *AlB7 = nullptr,
                *AlB4 = nullptr;
    // Frame: the four lines, all and none, fill and frame colour, line style and width.
    TfrTBButton *FrB1 = nullptr, *FrB2 = nullptr, *FrB3 = nullptr, *FrB4 = nullptr, *FrB5 = nullptr, *FrB6 = nullptr,
                *ClB1 = nullptr, *ClB3 = nullptr, *StB1 = nullptr;
    TfrComboBox *C4 = nullptr;
    // The frame styles' panel (buttons tagged 25..30) and the colour picker under the colour buttons.
    QWidget *LinePanel = nullptr;
    TColorSelector *ColorSelector = nullptr;
    // The alignment palette: left, horizontal centres, centre on the page, space evenly, right; then the same
    // vertically.
    TfrTBButton *Align1 = nullptr, *Align2 = nullptr, *Align3 = nullptr, *Align4 = nullptr, *Align5 = nullptr,
                *Align6 = nullptr, *Align7 = nullptr, *Align8 = nullptr, *Align9 = nullptr, *Align10 = nullptr;

    // A formatting control's tag applied to the selected objects (ignored while UpdatingControls).
    void ApplyAttribute(int tag);
    // The palette's command 1..10 (Align1..Align10).
    void AlignCommand(int command);
    void FitToGrid();
    void BringToFront();
    void SendToBack();
    // An item of the extra-tools menu and a button of their toolbar.
    void AddExtraTool(const QString &caption, const QPixmap &glyph, const std::function<void()> &onClick);
    // Lays the chosen fields of a dataset out as text objects, with headers and bands when asked.
    void InsertDBFields();
    // The DB-fields window, one per process: shown (created when missing) or freed.
    void ShowFieldsWindow(bool show);
    TfrInsFieldsForm *FieldsWindow() const;
    // The DB-fields window and the inspector share the scroll box's height when they lie one over the other.
    void AlignFieldsWindow();
    // A field of the DB-fields window dropped on the surface at a point of it.
    void DropField(const QPoint &at, const QString &field);
    // The insert-fields dialog; answers true on OK with the choice. Tests replace it.
    static std::function<bool(TfrInsertFieldsChoice &choice)> InsertFieldsDialog;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Localize();
    void CreateActions();
    void CreateMenus();
    void CreateStandardToolbar();
    void CreateObjectsToolbar();
    void AddObjectButton(const QImage &glyph, const QString &hint, bool hidden, int tag);
    // A toolbar button that runs an action and follows its state.
    TfrTBButton *AddButton(TfrToolBar *bar, const char *name, int tag, QAction *action);
    void ApplyAvailability();
    void FormShow();
    void FormResize();
    bool FormCloseQuery();
    void FormDestroy();
    void PlaceClient();
    void ToggleObjectButtons();
    void EnterDialogPage();
    void LeaveDialogPage();
    // The commands an object popup and page-tab popup take over from the main menu.
    void LinkPopupItem(QAction *item, QAction *command);
    std::vector<std::pair<TfrView *, int>> CollectUndoObjects(TfrUndoAction action) const;
    // Deletes the selected objects that may be deleted; the caller records the undo step.
    void RemoveSelected();

    std::vector<TfrTBButton *> m_objectButtons;
    bool m_destroying = false;
    bool m_placing = false;
    // A No to the close question lets the close that it sets off through.
    bool m_closeApproved = false;
    // The inspector was shown when the window closed.
    bool m_inspectorShown = true;

    // Commands.
    void ConnectCommands();
    // Writes a file through `save`; a failure is shown naming the file and answers false.
    bool SaveFileChecked(const QString &fileName, const std::function<void()> &save);
    // A different template is in the window: no undo step may act on it.
    void TemplateReplaced(const QString &fileName);
    bool TabBarEvent(QEvent *event);
    bool HelpToolEvent(QObject *watched, QEvent *event);
    bool m_tabDragArmed = false;
    bool m_tabDragging = false;
    bool m_helpTool = false;
    QObject *m_helpHook = nullptr;
    QObject *m_tabHook = nullptr;

    // Keys, the dialog page's window, the status box and the object editors.
    void InstallKeysAndStatus();
    void ConnectPageForm();
    void PageFormMoved();
    bool PageFormKeyDown(int key, Qt::KeyboardModifiers shift);
    void WalkToNearest(DesignGeometry::TDirection direction, bool placeAgainst);
    void PaintStatusBox();
    void ClearActiveControl();
    // Runs an object editor dialog on the object (null: the top selected one) and redraws the object after it.
    void RunObjectEditor(TfrObjEditorForm &form, TfrView *view);
    void EditRestrictions(TfrView *view);
    void EditDataField();
    void EditTag(TfrView *view);
    void EditFormat(TfrView *view);
    void EditGroupCondition(TfrView *view);
    void ApplyPageProperty(const QString &name, Variant value);
    void ApplyObjectProperty(const QString &name, const Variant &value);
    // A page property is being applied: the page is set up again without refilling the inspector meanwhile.
    bool m_applyingPageProperty = false;

    // The formatting toolbars, the palette and the extra tools.
    void CreateFormatToolbars();
    void CreateAlignmentPalette();
    void CreateExtraTools();
    void ConnectToolbarItems();
    void MirrorSelection();
    void EnableFormatControls(int selectionType);
    // The formatting and DB-field keys; answers whether the key was used.
    bool FormatKeyDown(int key, Qt::KeyboardModifiers shift);
    bool ToolbarBoxFocused() const;
    void ColorButtonClick(TfrTBButton *button);
    void FrameStyleClick();
    void InstallFieldDrops();
    // The toolbars' placement and the DB-fields window's registry value.
    void LoadToolOptions();
    void SaveToolOptions();
    TfrTBButton *m_colorButton = nullptr;
};

// The surface on which the current page is drawn and edited with the mouse.
class TfrDesignerPage : public QWidget
{
    Q_OBJECT
public:
    TfrDesignerPage(TfrDesignerForm *designer, QWidget *parent);

    // The cursor carries the surface's sub-state.
    enum TCursorKind { ckDefault, ckCross, ckPencil, ckSizeNWSE, ckSizeNESW, ckSizeWE, ckSizeNS, ckSplit };

    // Repaints within the region (the whole surface when empty); painting works from the surface's state.
    void Draw(const QRegion &region = QRegion());
    // Repaints the selection's marks when only the selection has changed: the objects beneath them are taken as
    // they were last painted.
    void DrawMarks();
    void PlacePage();
    QPoint SnapToGrid(const QPoint &point) const;
    void CalcSelectionBounds();
    void ResetMouseState();
    void SetCursorKind(TCursorKind kind);
    TCursorKind CursorKind() const { return m_cursor; }
    // The union of the enlarged regions of the selected objects.
    QRegion SelectionRegion() const;
    // Paints the page as it stands into a painter clipped to rect (the bench and the tests use it directly).
    void PaintPage(QPainter &painter, const QRect &rect);

    bool Down = false;
    bool Moved = false;
    bool SkipNextDown = false;
    bool RubberBand = false;
    bool SelectMode = true;
    DesignGeometry::TResizeState ResizeState = DesignGeometry::rsNone;
    int LastX = 0, LastY = 0;
    QLine SplitRect;
    int SplitX = 0;
    TfrView *SplitLeft = nullptr, *SplitRight = nullptr;
    int RightBottom = -1;
    QPoint LeftTop = QPoint(10000, 10000);
    bool FirstMove = false;
    bool CtrlAtDown = false;
    TfrDesignerForm *Designer;
    bool NoPaint = false;

    // The state of the current mouse action and of the selection. Action rectangles keep the extents as the mouse
    // made them, x + width being the far edge; a drag up or left gives a negative extent until normalised.
    int SelectedCount = 0;
    TfrView *LastSelected = nullptr;
    QRect GroupBounds;
    bool GroupBoundsValid = false;
    QRect ActionRect, ActionRectAtStart;
    QRegion OldRegion;
    bool RegionPending = false;
    bool SelectionHidden = false;
    bool StatusShowsRect = false;
    bool RepeatTool = false;
    // The insert tool's ghost is shown at ActionRect.
    bool GhostShown = false;
    // The line tool's preview runs from ActionRect's top-left to its bottom-right.
    bool LinePreview = false;
    // Moving objects are shown as frames only (contents off).
    bool FramesShown = false;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void MDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &p);
    void MMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, const QPoint &p);
    void MUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &p);
    void DClick();
    void MoveFeedback(const QPoint &p, bool snap);
    void SplitDrag(const QPoint &delta);
    void ScaleGroup(const QPoint &delta);
    void MoveSelection(const QPoint &delta, Qt::KeyboardModifiers shift);
    void ResizeOne(const QPoint &delta);
    void AutoScroll(const QPoint &p);
    void InsertObject(bool fromField);
    void InsertLine();
    void SelectByRubberBand();
    void EndDrag();
    TfrView *AddNewView(int tag);
    void PaintObjects(QPainter &painter, const QRect &rect);
    void PaintOverlay(QPainter &painter, const QRect &rect);
    void PaintBackground(QPainter &painter, const QRect &rect);
    void PaintMarks(QPainter &painter);
    void PaintActionShapes(QPainter &painter);
    void RepaintChanged(const QRegion &before);

    TCursorKind m_cursor = ckDefault;
    QPoint m_downPoint;
    // The background and the objects as last painted, without marks or action shapes, and where that picture
    // still shows the objects as they are: a part drawn again through Draw is stale until painted.
    QImage m_layer;
    QRegion m_layerFresh;
    bool m_marksOnly = false;

    // A dropped DB field is inserted as the text tool inserts.
    friend class TfrDesignerForm;
};
