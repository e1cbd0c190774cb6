#pragma once

// The data grid: the records of one dataset as rows and its fields as columns, on the cell grid TCustomGrid.
// It never holds records itself; it shows the window of records its data link buffers (as many as fit) and
// moves the dataset's current record to follow the current row. Columns carry their field binding, title,
// footers and value lists; footers show totals kept by the summary engine (DBSumLst.h).
//
// Coordinates: grid column 0 is the indicator when dgIndicator is set; grid column IndicatorCols() + i shows
// Columns[i], visible or not (a hidden column takes no room). Row 0 is the title row with dgTitles, then the
// filter row when IsFilterRowVisible(); TopFixedRows() counts those. Then one row per buffered record; then,
// with footers, one spacer row (taking the height that is left) and the footer rows at the bottom edge.
//
// The source is split by area: DBGridEhColumns.cpp (columns, titles, defaults), DBGridEhFooters.cpp (footers
// and their texts), DBGridEhCore.cpp
// (the grid, its options, data link and brackets), DBGridEhLayout.cpp (field map, rows, title tree, auto-fit),
// DBGridEhDraw.cpp (cells, frames, colours, text routines), DBGridEhScroll.cpp (scroll bars, wheel, hints),
// DBGridEhKeys.cpp (keys), DBGridEhSearch.cpp (incremental search), DBGridEhEditing.cpp (the cell editor's
// questions, focus, typed characters, edit actions), DBGridEhMouse.cpp (presses, tracking, sort clicks,
// sizing, cursors) and DBGridEhSelection.cpp (records, columns, rectangles, everything).

#include "CheckBoxState.h"
#include "CustomGrid.h"
#include "DBGridEhFilter.h"
#include "DBSumLst.h"
#include "DataSource.h"
#include "ToolCtrlsEh.h"
#include "WidgetKit.h"

#include <QBasicTimer>
#include <QHash>
#include <QPointer>
#include <QScrollBar>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TCustomDBGridEh;
class TColumnEh;
class TDBGridColumnsEh;
class THeadTreeNode;
class TBookmarkListEh;
class TDBGridEhSelection;
class QCursor;
class QMenu;
class QMimeData;

// ---- Option sets ---------------------------------------------------------------------------------------------

enum TDBGridOption : unsigned {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;

enum TDBGridEhOption : unsigned {
    dghFixed3D = 1u << 0,
    dghFrozen3D = 1u << 1,
    dghFooter3D = 1u << 2,
    dghData3D = 1u << 3,
    dghResizeWholeRightPart = 1u << 4,
    dghHighlightFocus = 1u << 5,
    dghClearSelection = 1u << 6,
    dghFitRowHeightToText = 1u << 7,
    dghAutoSortMarking = 1u << 8,
    dghMultiSortMarking = 1u << 9,
    dghEnterAsTab = 1u << 10,
    dghTraceColSizing = 1u << 11,
    dghIncSearch = 1u << 12,
    dghPreferIncSearch = 1u << 13,
    dghRowHighlight = 1u << 14,
    dghDblClickOptimizeColWidth = 1u << 15,
    dghDialogFind = 1u << 16,
};
using TDBGridEhOptions = unsigned;

enum TDBGridEhAllowedOperation : unsigned { alopInsertEh = 1, alopUpdateEh = 2, alopDeleteEh = 4, alopAppendEh = 8 };
using TDBGridEhAllowedOperations = unsigned;
// The kinds of selection; the grid's one selection is of one kind, or none (gstNon).
enum TDBGridEhAllowedSelection : unsigned { gstNon = 0, gstRecordBookmarks = 1, gstRectangle = 2, gstColumns = 4,
                                            gstAll = 8 };
using TDBGridEhAllowedSelections = unsigned;
using TDBGridEhSelectionType = TDBGridEhAllowedSelection;
// The clipboard keys a grid answers.
enum TDBGridEhEditAction : unsigned { geaCutEh = 1, geaCopyEh = 2, geaPasteEh = 4, geaDeleteEh = 8, geaSelectAllEh = 16 };
using TDBGridEhEditActions = unsigned;

enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TTextOrientationEh { tohHorizontal, tohVertical };
enum TColumnsEhState { csDefault, csCustomized };
// Whether a press on the selection may begin dragging it (dmAutomatic) or only the program starts drags.
enum TDragMode { dmManual, dmAutomatic };
// What a data cell shows and how a click or a step changes it.
enum TColCellKindEh { ckPlainEh, ckCheckBoxEh, ckLookupEh, ckPickListEh, ckImageEh, ckKeyListEh };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };
// What a vertical scroll bar asks of the grid.
enum TScrollCodeEh { scLineUp, scLineDown, scPageUp, scPageDown, scThumbPosition, scThumbTrack, scTop, scBottom,
                     scEndScroll };

// The assigned values of a column and its title: one flag each; a value is used only after it was assigned,
// otherwise the default from the field, the grid or the column defaults.
enum TColumnEhValue : unsigned {
    cvColor = 1u << 0, cvWidth = 1u << 1, cvFont = 1u << 2, cvAlignment = 1u << 3, cvReadOnly = 1u << 4,
    cvTitleColor = 1u << 5, cvTitleCaption = 1u << 6, cvTitleAlignment = 1u << 7, cvTitleFont = 1u << 8,
    cvTitleButton = 1u << 9, cvTitleEndEllipsis = 1u << 10, cvTitleToolTips = 1u << 11,
    cvTitleOrientation = 1u << 12, cvImeMode = 1u << 13, cvImeName = 1u << 14, cvWordWrap = 1u << 15,
    cvLookupDisplayFields = 1u << 16, cvCheckboxes = 1u << 17, cvAlwaysShowEditButton = 1u << 18,
    cvEndEllipsis = 1u << 19, cvAutoDropDown = 1u << 20, cvDblClickNextVal = 1u << 21, cvToolTips = 1u << 22,
    cvDropDownSizing = 1u << 23, cvDropDownShowTitles = 1u << 24,
};
using TColumnEhValues = unsigned;

enum TColumnFooterValue : unsigned { cvFooterAlignment = 1, cvFooterFont = 2, cvFooterColor = 4, cvFooterToolTips = 8 };
using TColumnFooterValues = unsigned;

// Text formatted by a display format the way cells and footers format it: an empty format gives the field's
// display text, a null value empty text, numbers by FormatFloat, dates by FormatDateTime, other types nothing.
QString FormatFieldText(const TField *field, const QString &displayFormat);
// A footer's sum (in ten-thousandths) as text by the field's type: the footer's own format when given, else the
// field's DisplayFormat, else a whole number for integers and the general or currency form for the others.
QString FormatFooterTotal(const TField *field, qint64 total, const QString &ownFormat);

// ---- Text measuring ------------------------------------------------------------------------------------------

// What layout measures text with. The grid's default measures the real fonts; tests install invented metrics
// so that the arithmetic of row heights and title trees is checked apart from the fonts on the machine.
class IGridMetricsEh
{
public:
    virtual ~IGridMetricsEh() = default;
    virtual TTextMetric Metric(const TFont &font) const = 0;
    virtual int TextWidth(const TFont &font, const QString &text) const = 0;
    // Height of text broken into lines at word boundaries within width.
    virtual int WrappedTextHeight(const TFont &font, int width, const QString &text) const = 0;
};

class TFontGridMetricsEh : public IGridMetricsEh
{
public:
    TTextMetric Metric(const TFont &font) const override;
    int TextWidth(const TFont &font, const QString &text) const override;
    int WrappedTextHeight(const TFont &font, int width, const QString &text) const override;

private:
    // Every layout measures every title again, and a title click or a sort lays the grid out anew: the heights
    // already measured are kept, by font, width and text.
    struct WrappedKey
    {
        QFont font;
        int width;
        QString text;
        bool operator==(const WrappedKey &o) const { return width == o.width && text == o.text && font == o.font; }
    };
    friend size_t qHash(const WrappedKey &key, size_t seed) { return qHashMulti(seed, key.font, key.width, key.text); }
    mutable QHash<WrappedKey, int> m_wrappedHeights;
};

// ---- Titles, defaults, footers -------------------------------------------------------------------------------

class TColumnTitleEh
{
public:
    explicit TColumnTitleEh(TColumnEh *column);
    virtual ~TColumnTitleEh() = default;

    TColumnEh *Column() const { return m_column; }
    // Assigned, else the field's display name, else FieldName.
    QString Caption() const;
    virtual void SetCaption(const QString &value);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    TColor Color() const;
    void SetColor(TColor value);
    const TFont &Font() const;
    void SetFont(const TFont &value);
    bool TitleButton() const;
    void SetTitleButton(bool value);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool value);
    bool ToolTips() const;
    void SetToolTips(bool value);
    TTextOrientationEh Orientation() const;
    void SetOrientation(TTextOrientationEh value);
    QString Hint;
    int ImageIndex = -1;
    TSortMarkerEh SortMarker() const { return m_sortMarker; }
    void SetSortMarker(TSortMarkerEh value);
    int SortIndex() const { return m_sortIndex; }
    void SetSortIndex(int value);
    void ToggleSortMarker(bool multi);
    // The room drawing leaves for the sort marker.
    int SortMarkerWidth() const;
    virtual void ResetToDefaults();
    virtual void Assign(const TColumnTitleEh &source);

private:
    friend class TColumnEh;
    friend class TCustomDBGridEh;
    TColumnEh *m_column;
    QString m_caption;
    TAlignment m_alignment = taLeftJustify;
    TColor m_color = clBtnFace;
    mutable TFont m_font;
    bool m_titleButton = false;
    bool m_endEllipsis = false;
    bool m_toolTips = false;
    TTextOrientationEh m_orientation = tohHorizontal;
    TSortMarkerEh m_sortMarker = smNoneEh;
    int m_sortIndex = 0;
};

class TColumnTitleDefValuesEh
{
public:
    explicit TColumnTitleDefValuesEh(class TColumnDefValuesEh *owner) : m_owner(owner) {}
    // Assigned, else centred with multi-level titles and left-justified without.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    // Assigned, else the grid's FixedColor.
    TColor Color() const;
    void SetColor(TColor value);
    bool EndEllipsis = false;
    TTextOrientationEh Orientation = tohHorizontal;
    bool TitleButton = false;
    bool ToolTips = false;

private:
    TColumnDefValuesEh *m_owner;
    TAlignment m_alignment = taLeftJustify;
    bool m_alignmentAssigned = false;
    TColor m_color = clBtnFace;
    bool m_colorAssigned = false;
};

class TColumnFooterDefValuesEh
{
public:
    bool ToolTips = false;
};

// The grid-wide column defaults.
class TColumnDefValuesEh
{
public:
    explicit TColumnDefValuesEh(TCustomDBGridEh *grid);
    virtual ~TColumnDefValuesEh() = default;
    TCustomDBGridEh *Grid() const { return m_grid; }
    bool AlwaysShowEditButton = false;
    bool AutoDropDown = false;
    bool DblClickNextVal = false;
    bool DropDownShowTitles = false;
    bool DropDownSizing = false;
    bool EndEllipsis = false;
    bool ToolTips = false;
    TColumnTitleDefValuesEh &Title() { return m_title; }
    const TColumnTitleDefValuesEh &Title() const { return m_title; }
    TColumnFooterDefValuesEh &Footer() { return m_footer; }
    const TColumnFooterDefValuesEh &Footer() const { return m_footer; }

private:
    TCustomDBGridEh *m_grid;
    TColumnTitleDefValuesEh m_title;
    TColumnFooterDefValuesEh m_footer;
};

class TDBGridEhColumnDefValuesEh : public TColumnDefValuesEh
{
public:
    using TColumnDefValuesEh::TColumnDefValuesEh;
};

class TColumnFooterEh
{
public:
    explicit TColumnFooterEh(TColumnEh *column);
    virtual ~TColumnFooterEh();
    TColumnEh *Column() const { return m_column; }

    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    TColor Color() const;
    void SetColor(TColor value);
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString &value);
    bool EndEllipsis = false;
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &value);
    const TFont &Font() const;
    void SetFont(const TFont &value);
    bool ToolTips() const;
    void SetToolTips(bool value);
    QString Value() const { return m_value; }
    void SetValue(const QString &value);
    TFooterValueType ValueType() const { return m_valueType; }
    void SetValueType(TFooterValueType value);
    bool WordWrap = false;
    TColumnFooterValues AssignedValues() const { return m_assigned; }

    // Keeps the footer's sum item in step with its value type and field.
    void SyncFooterSum();
    TDBSum *SumItem() const { return m_sumItem; }
    virtual void ResetToDefaults();
    virtual void Assign(const TColumnFooterEh &source);

private:
    void changed();
    TColumnEh *m_column;
    TColumnFooterValues m_assigned = 0;
    TAlignment m_alignment = taLeftJustify;
    TColor m_color = clWindow;
    QString m_displayFormat;
    QString m_fieldName;
    mutable TFont m_font;
    bool m_toolTips = false;
    QString m_value;
    TFooterValueType m_valueType = fvtNon;
    TDBSum *m_sumItem = nullptr;
};

class TColumnFootersEh
{
public:
    explicit TColumnFootersEh(TColumnEh *column) : m_column(column) {}
    TColumnEh *Column() const { return m_column; }
    TColumnFooterEh *Add();
    int Count() const { return int(m_items.size()); }
    TColumnFooterEh *Items(int i) const { return m_items[size_t(i)].get(); }
    void Clear();
    void Assign(const TColumnFootersEh &source);

private:
    TColumnEh *m_column;
    std::vector<std::unique_ptr<TColumnFooterEh>> m_items;
};

// A column's drop-down settings; the drop-down grid itself comes with the in-place editor.
class TColumnDropDownBoxEh
{
public:
    explicit TColumnDropDownBoxEh(TColumnEh *owner) : m_owner(owner) {}
    virtual ~TColumnDropDownBoxEh() = default;
    TColumnEh *Owner() const { return m_owner; }
    bool AutoFitColWidths = true;
    bool UseMultiTitle = false;
    TDataSource *ListSource() const { return m_listSource; }
    void SetListSource(TDataSource *value) { m_listSource = value; }
    virtual void Assign(const TColumnDropDownBoxEh &source);

private:
    TColumnEh *m_owner;
    QPointer<TDataSource> m_listSource;
};

// Per-cell parameters handed to a column's OnGetCellParams.
struct TColCellParamsEh
{
    int Row = -1;
    int Col = -1;
    TGridDrawState State = 0;
    TFont Font;
    TColor Background = clWindow;
    TAlignment Alignment = taLeftJustify;
    int ImageIndex = -1;
    QString Text;
    TCheckBoxState CheckState = cbUnchecked;
    bool ReadOnly = false;
};

using TColumnsEhList = QList<TColumnEh *>;

// ---- Columns -------------------------------------------------------------------------------------------------

class TColumnEh : public QObject
{
    Q_OBJECT
public:
    explicit TColumnEh(TDBGridColumnsEh *collection);
    ~TColumnEh() override;

    TDBGridColumnsEh *Collection() const { return m_collection; }
    // The grid owning the column through its collection, else none.
    TCustomDBGridEh *GetGrid() const;
    int Index() const;
    // Moves the column; a default column of an active grid moves its field to the field shown at the target.
    virtual void SetIndex(int value);
    // The field name, else the collection item's default name.
    QString GetDisplayName() const;

    // ---- Field binding
    TField *GetField() const;
    virtual void SetField(TField *value);
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &value);
    // Made from a field by the grid, not set up by a window.
    virtual bool IsDefaultColumn() const { return m_defaultColumn; }
    void SetDefaultColumn(bool value) { m_defaultColumn = value; }
    TColumnEhValues AssignedValues() const { return m_assigned; }
    bool IsAssigned(TColumnEhValue v) const { return (m_assigned & v) != 0; }

    // ---- Appearance ("assigned, else the default")
    TAlignment Alignment() const;
    virtual void SetAlignment(TAlignment value);
    TColor Color() const;
    void SetColor(TColor value);
    const TFont &Font() const;
    void SetFont(const TFont &value);
    bool ReadOnly() const;
    virtual void SetReadOnly(bool value);
    int Width() const;
    virtual void SetWidth(int value);
    // The width the field asks for in the column font.
    int DefaultWidth() const;
    int MinWidth() const { return m_minWidth; }
    void SetMinWidth(int value);
    int MaxWidth() const { return m_maxWidth; }
    void SetMaxWidth(int value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    bool WordWrap() const;
    virtual void SetWordWrap(bool value);
    bool Checkboxes() const;
    void SetCheckboxes(bool value);
    bool EndEllipsis() const;
    void SetEndEllipsis(bool value);
    bool ToolTips() const;
    void SetToolTips(bool value);
    bool AlwaysShowEditButton() const;
    void SetAlwaysShowEditButton(bool value);
    bool AutoDropDown() const;
    void SetAutoDropDown(bool value);
    bool DblClickNextVal() const;
    void SetDblClickNextVal(bool value);
    bool DropDownShowTitles() const;
    void SetDropDownShowTitles(bool value);
    bool DropDownSizing() const;
    void SetDropDownSizing(bool value);
    QString LookupDisplayFields() const;
    virtual void SetLookupDisplayFields(const QString &value);
    bool AutoFitColWidth() const { return m_autoFitColWidth; }
    virtual void SetAutoFitColWidth(bool value);
    // The column's share of the client width while the grid fits its columns.
    int InitWidth() const { return m_initWidth; }
    void SetInitWidth(int value) { m_initWidth = value; }

    TColumnButtonStyleEh ButtonStyle = cbsAuto;
    QString DisplayFormat() const { return m_displayFormat; }
    void SetDisplayFormat(const QString &value);
    int DropDownRows = 7;
    int DropDownWidth = 0;
    QString EditMask;
    double Increment = 1.0;
    int NotInKeyListIndex() const { return m_notInKeyListIndex; }
    void SetNotInKeyListIndex(int value);
    bool ShowImageAndText = false;
    int Tag = 0;
    // Pops up at a right release over the column's data cells in place of the grid's menu.
    QPointer<QMenu> PopupMenu;
    const TImageList *ImageList() const { return m_imageList; }
    void SetImageList(const TImageList *value);

    // Value lists: created on first read.
    QStringList &PickList();
    const QStringList &PickList() const;
    QStringList &KeyList();
    const QStringList &KeyList() const;
    // Call after changing the lists: the grid repaints its cells.
    void ValueListsChanged();

    TColumnTitleEh &Title() { return *m_title; }
    const TColumnTitleEh &Title() const { return *m_title; }
    TColumnFooterEh &Footer() { return *m_footer; }
    const TColumnFooterEh &Footer() const { return *m_footer; }
    TColumnFootersEh &Footers() { return *m_footers; }
    const TColumnFootersEh &Footers() const { return *m_footers; }
    // The footer shown in footer row r.
    TColumnFooterEh &UsedFooter(int r);
    TEditButtonsEh &EditButtons() { return *m_editButtons; }
    TColumnDropDownBoxEh &DropDownBox() { return *m_dropDownBox; }
    // What the column's cell of the filter row holds (DBGridEhFilter.cpp).
    TSTColumnFilterEh &STFilter() { return *m_stFilter; }
    const TSTColumnFilterEh &STFilter() const { return *m_stFilter; }

    // ---- Cell contents
    TColCellKindEh GetCellKind() const;
    QString GetColumnDisplayText() const;
    int GetImageIndex() const;
    TCheckBoxState GetCheckboxState() const;
    void SetCheckboxState(TCheckBoxState value);
    // Whether the column may be changed; with enterEdit the data link is put into edit mode.
    bool CanModify(bool enterEdit);
    void UpdateColumnData(QString text, QVariant value, bool useText);
    // A step forward (any positive step) or backward (any negative one) through the cell's values.
    void StepColumnValue(double step);
    // The cell's font, colour, alignment, image, text and check state; beforeColumn (the grid's
    // OnGetCellParams, say) may change them before the column's own handler does.
    void FillCellParams(TColCellParamsEh &params,
                        const std::function<void(TColCellParamsEh &)> &beforeColumn = {}) const;
    TDataSet *GetLookupListDataSet() const;
    int EditButtonsWidth() const;
    // Whether the cell shows the default edit button (pick list, lookup, ellipsis and up-down columns).
    bool ShowsDefaultEditButton() const;
    virtual void ResetToDefaults();
    virtual void Assign(const TColumnEh &source);

    std::function<void(TColumnEh *sender, bool editMode, TColCellParamsEh &params)> OnGetCellParams;
    // The cell editor's default button: clicked, and pressed (a handled press neither drops down nor steps).
    std::function<void(TColumnEh *sender, bool &handled)> OnEditButtonClick;
    std::function<void(TColumnEh *sender, bool topButton, bool &handled)> OnEditButtonDown;
    // The texts last entered into the column's cells, offered by the cell editor while typing.
    TMRUListEh &MRUList();
    // The special first row of the column's lookup drop-down (hidden until made visible).
    TSpecRowEh &DropDownSpecRow();
    const TSpecRowEh *FindDropDownSpecRow() const { return m_dropDownSpecRow.get(); }
    std::function<void(TColumnEh *sender, QString &text, QVariant &value, bool &useText, bool &handled)>
        OnUpdateData;
    // A typed text that is not in the pick list (or lookup list); setting recheck looks it up once more.
    std::function<void(QObject *sender, const QString &newText, bool &recheck)> OnNotInList;

protected:
    // The factories of the column's parts. The constructor calls them, so they make this class's parts.
    virtual TColumnTitleEh *CreateColumnTitle();
    virtual TColumnFooterEh *CreateColumnFooter();
    virtual TColumnFootersEh *CreateColumnFooters();
    virtual void DoGetCellParams(TColCellParamsEh &params) const;
    // The collection's item reports a change (the grid lays out or repaints).
    void Changed(bool allItems = false);
    void RefreshCells();
    void Assigned(TColumnEhValue v) { m_assigned |= v; }

private:
    friend class TColumnTitleEh;
    friend class TDBGridColumnsEh;
    friend class TCustomDBGridEh;
    int applyWidthLimits(int value) const;
    bool stepList(const QStringList &list, bool forward, int &index) const;

    TDBGridColumnsEh *m_collection;
    mutable QPointer<TField> m_field;
    QString m_fieldName;
    bool m_defaultColumn = false;
    TColumnEhValues m_assigned = 0;
    TAlignment m_alignment = taLeftJustify;
    TColor m_color = clWindow;
    mutable TFont m_font;
    bool m_readOnly = false;
    int m_width = 0;
    int m_minWidth = 0;
    int m_maxWidth = 0;
    bool m_visible = true;
    bool m_wordWrap = false;
    bool m_checkboxes = false;
    bool m_endEllipsis = false;
    bool m_toolTips = false;
    bool m_alwaysShowEditButton = false;
    bool m_autoDropDown = false;
    bool m_dblClickNextVal = false;
    bool m_dropDownShowTitles = false;
    bool m_dropDownSizing = false;
    QString m_lookupDisplayFields;
    bool m_autoFitColWidth = true;
    int m_initWidth = 0;
    QString m_displayFormat;
    int m_notInKeyListIndex = -1;
    const TImageList *m_imageList = nullptr;
    mutable std::unique_ptr<QStringList> m_pickList;
    mutable std::unique_ptr<QStringList> m_keyList;
    std::unique_ptr<TColumnTitleEh> m_title;
    std::unique_ptr<TColumnFooterEh> m_footer;
    std::unique_ptr<TColumnFootersEh> m_footers;
    std::unique_ptr<TEditButtonsEh> m_editButtons;
    std::unique_ptr<TMRUListEh> m_mruList;
    std::unique_ptr<TSpecRowEh> m_dropDownSpecRow;
    std::unique_ptr<TColumnDropDownBoxEh> m_dropDownBox;
    std::unique_ptr<TSTColumnFilterEh> m_stFilter = std::make_unique<TSTColumnFilterEh>(this);
};

class TDBGridColumnEh : public TColumnEh
{
    Q_OBJECT
public:
    using TColumnEh::TColumnEh;
};

class TDBGridColumnsEh : public QObject
{
    Q_OBJECT
public:
    using ColumnFactory = std::function<TColumnEh *(TDBGridColumnsEh *)>;
    TDBGridColumnsEh(TCustomDBGridEh *grid, ColumnFactory columnClass);
    ~TDBGridColumnsEh() override;

    TCustomDBGridEh *Grid() const { return m_grid; }
    TColumnEh *Add();
    TColumnEh *AddDefaultColumn();
    int Count() const { return int(m_items.size()); }
    TColumnEh *GetColumn(int index) const { return m_items.at(size_t(index)); }
    TColumnEh *operator[](int index) const { return GetColumn(index); }
    int IndexOf(const TColumnEh *column) const;
    void Delete(int index);
    void Clear();
    void Move(int from, int to);
    // csCustomized when the first column is a stored one.
    TColumnsEhState State() const;
    // Frees every default column, keeping the stored ones.
    void RemoveDefaultColumns();

    void BeginUpdate() { ++m_updateCount; }
    void EndUpdate();
    int UpdateCount() const { return m_updateCount; }

    // A column (or, for none, the whole collection) changed.
    virtual void Update(TColumnEh *item);

private:
    friend class TColumnEh;
    void Changed(TColumnEh *item);

    TCustomDBGridEh *m_grid;
    ColumnFactory m_columnClass;
    std::vector<TColumnEh *> m_items;
    int m_updateCount = 0;
    bool m_pendingUpdate = false;
    TColumnEh *m_pendingItem = nullptr;
};

// ---- Data link -----------------------------------------------------------------------------------------------

class TGridDataLinkEh : public TDataLink
{
public:
    explicit TGridDataLinkEh(TCustomDBGridEh *grid);
    TCustomDBGridEh *Grid() const { return m_grid; }

    // The column-to-field map: field indexes, -1 for a column whose field is missing.
    int AddFieldMapping(const QString &fieldName);
    void ClearMapping();
    int MappedCount() const { return int(m_fieldMap.size()); }
    int GetMappedIndex(int column) const;
    // The field mapped for a column, or none.
    TField *Fields(int column) const;
    // Customized columns map by name, keeping -1 for missing fields (sparse); default columns map every
    // visible field.
    bool SparseMap() const { return m_sparseMap; }
    void SetSparseMap(bool value) { m_sparseMap = value; }
    // Only default fields are shown (the dataset uses default fields and every column is bound).
    bool DefaultFields() const;
    // The current cell was edited and not yet written.
    bool Modified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void FocusControl(TField **field) override;
    void LayoutChanged() override;
    void RecordChanged(TField *field) override;
    void UpdateData() override;

private:
    TCustomDBGridEh *m_grid;
    std::vector<int> m_fieldMap;
    bool m_sparseMap = false;
    bool m_modified = false;
    bool m_inUpdateData = false;
};

// ---- Title tree ----------------------------------------------------------------------------------------------

// One node of the multi-level title tree: leaves are columns, inner nodes the groups built from "|" in the
// captions. Siblings form a ring, the last pointing back to the first.
class THeadTreeNode
{
public:
    THeadTreeNode(const QString &text, int width, int height);
    ~THeadTreeNode();
    THeadTreeNode(const THeadTreeNode &) = delete;
    THeadTreeNode &operator=(const THeadTreeNode &) = delete;

    QString Text;
    TColumnEh *Column = nullptr;
    int Width = 0;
    int Height = 0;
    int WIndent = 0; // room for the sort marker of a leaf
    int LineWidth = 0;
    THeadTreeNode *Host = nullptr;
    THeadTreeNode *Child = nullptr;
    THeadTreeNode *Next = nullptr;
    bool Drawed = false;

    // Appends a leaf to this node's children.
    THeadTreeNode *Add(const QString &text, int width, int height, int lineWidth);
    // Replaces the run of siblings from..to with a new node of text over them.
    THeadTreeNode *Union(THeadTreeNode *from, THeadTreeNode *to, const QString &text, int height);
    bool Find(const THeadTreeNode *node) const;
    void Clear();
    // The children in ring order.
    QList<THeadTreeNode *> Children() const;
    int Level() const;
};

// ---- Scroll bars ---------------------------------------------------------------------------------------------

// What a vertical bar should show: range, page and position as the bar counts them (the maximum includes the
// page, so a bar of 100 records and 10 rows runs 1 .. 109).
struct TScrollInfoEh
{
    int Min = 0;
    int Max = 1;
    int Page = 2;
    int Pos = 0;
    bool operator==(const TScrollInfoEh &) const = default;
};

class TDBGridEhScrollBar
{
public:
    TDBGridEhScrollBar(TCustomDBGridEh *grid, Qt::Orientation kind);
    virtual ~TDBGridEhScrollBar();
    TCustomDBGridEh *Grid() const { return m_grid; }
    Qt::Orientation Kind() const { return m_kind; }
    bool Visible() const { return m_visibleMode != sbNeverShowEh; }
    void SetVisible(bool value);
    bool Tracking = false;
    QScrollBar *ExtScrollBar() const { return m_extScrollBar; }
    // Attaches an outside bar that takes over this bar's role; one bar serves one grid.
    void SetExtScrollBar(QScrollBar *value);
    bool IsShown() const;
    virtual void Assign(const TDBGridEhScrollBar &source);

protected:
    TScrollBarVisibleModeEh m_visibleMode = sbAutoShowEh;

private:
    void detach();
    TCustomDBGridEh *m_grid;
    Qt::Orientation m_kind;
    QPointer<QScrollBar> m_extScrollBar;
    QMetaObject::Connection m_extConnection;
    QMetaObject::Connection m_extDestroyed;
};

class TVertDBGridEhScrollBar : public TDBGridEhScrollBar
{
public:
    using TDBGridEhScrollBar::TDBGridEhScrollBar;
    TScrollBarVisibleModeEh VisibleMode() const { return m_visibleMode; }
    void SetVisibleMode(TScrollBarVisibleModeEh value);
};

// The grid's own summary engine: repaints the footers when the totals change.
class TDBGridEhSumList : public TDBSumListProducer
{
public:
    explicit TDBGridEhSumList(TCustomDBGridEh *grid);
    TCustomDBGridEh *Grid() const { return m_grid; }

protected:
    bool OwnerLoading() const override;

private:
    TCustomDBGridEh *m_grid;
};

// The program-wide drawing style: whether selections are lightened and focus rectangles drawn.
class TDBGridEhStyle
{
public:
    static TDBGridEhStyle &Instance();
    virtual ~TDBGridEhStyle() = default;
    bool LightenSelection = true;
    bool FocusRectEnabled = true;
    // More than 256 screen colours (the only case on our screens; tests may pretend otherwise).
    bool ManyColours = true;
    // Colours of a highlighted data cell.
    virtual void DataCellSelectionColors(bool gridFocused, bool currentHighlighted, TColor &background,
                                         TColor &fontColor) const;
};

// c1 = c + (t - c) / 2; c2 = c1 + (225 - c1) x 0.6; darkened c2 - (122 - c2) / 4; per channel, within 0..255.
TColor BlendTowards(TColor color, TColor towards, bool darken);
// The shared images: row indicator glyphs (current, edit, insert, multi-dot, multi-arrow, highlighted arrow,
// search arrow) and sort markers (down, up), drawn by our own code; and the small font of sort indexes.
const TImageList &IndicatorImagesEh();
const TImageList &SortMarkerImagesEh();
const TFont &SortIndexFontEh();

// Removes characters from the end and appends "..." until the text fits width.
QString ShortenWithEllipsis(const QString &text, const QFont &font, int width);

// What a hint over the grid would show: a title hint, or a cell tip over a cut cell.
struct TGridHintEh
{
    bool Show = false;
    bool TitleHint = false;   // the title's own Hint, shown as a plain tool tip
    QString Text;
    QRect CellRect;           // the hint area (viewport coordinates)
    QPoint TipPos;            // the tip window's top-left (viewport coordinates)
    TFont Font;
    TAlignment Alignment = taLeftJustify;
    bool WordWrap = false;
    int MaxWidth = 0;         // with word wrap, the tip's greatest width
    bool ShowAtOnce = false;  // no hint pause
};

// ---- The grid ------------------------------------------------------------------------------------------------

class TCustomDBGridEh : public TCustomGrid
{
    Q_OBJECT
public:
    explicit TCustomDBGridEh(QWidget *parent = nullptr);
    ~TCustomDBGridEh() override;

    // Ends the grid's set-up: what a window does after setting its properties (columns, sort indexes, the sum
    // list, the layout), in place of reading a form.
    void Loaded();
    bool IsLoading() const { return m_loading; }
    void BeginLoading() { m_loading = true; }

    // ---- Data
    TDataSource *DataSource() const { return m_dataLink->DataSource(); }
    void SetDataSource(TDataSource *value);
    TGridDataLinkEh *DataLink() const { return m_dataLink.get(); }
    // Columns and their defaults are made on first use through the factories below.
    TDBGridColumnsEh &Columns();
    const TDBGridColumnsEh &Columns() const;
    TColumnDefValuesEh &ColumnDefValues();
    const TColumnDefValuesEh &ColumnDefValues() const;
    TDBGridEhSumList &SumList() { return *m_sumList; }
    const TColumnsEhList &ShownColumns() const { return m_visibleColumns; }
    const TColumnsEhList &SortColumnList() const { return m_sortMarkedColumns; }
    TColumnsEhList &SortColumnListRef() { return m_sortMarkedColumns; }
    int SelectedIndex() const;
    void SetSelectedIndex(int value);
    TField *CurrentField() const;

    // ---- Options and looks
    TDBGridOptions Options() const { return m_dbOptions; }
    void SetOptions(TDBGridOptions value);
    TDBGridEhOptions OptionsEh() const { return m_optionsEh; }
    void SetOptionsEh(TDBGridEhOptions value);
    TDBGridEhAllowedOperations AllowedOperations = alopInsertEh | alopUpdateEh | alopDeleteEh | alopAppendEh;
    TDBGridEhEditActions EditActions = 0;
    bool AutoFitColWidths() const { return m_autoFitColWidths; }
    void SetAutoFitColWidths(bool value);
    bool DrawMemoText() const { return m_drawMemoText; }
    void SetDrawMemoText(bool value);
    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    TColor FooterColor() const { return m_footerColor; }
    void SetFooterColor(TColor value);
    TFont &FooterFont() { return m_footerFont; }
    const TFont &FooterFont() const { return m_footerFont; }
    int FooterRowCount() const { return m_footerRowCount; }
    void SetFooterRowCount(int value);
    int FrozenCols() const { return m_frozenCols; }
    void SetFrozenCols(int value);
    int MinAutoFitWidth() const { return m_minAutoFitWidth; }
    void SetMinAutoFitWidth(int value);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);
    int RowHeight() const { return m_rowHeight; }
    void SetRowHeight(int value);
    int RowLines() const { return m_rowLines; }
    void SetRowLines(int value);
    bool RowSizingAllowed() const { return m_rowSizingAllowed; }
    void SetRowSizingAllowed(bool value);
    bool SortLocal = false;
    TFont &TitleFont() { return m_titleFont; }
    const TFont &TitleFont() const { return m_titleFont; }
    int TitleHeight() const { return m_titleHeight; }
    void SetTitleHeight(int value);
    int TitleLines() const { return m_titleLines; }
    void SetTitleLines(int value);
    const TImageList *TitleImages() const { return m_titleImages; }
    void SetTitleImages(const TImageList *value);
    bool UseMultiTitle() const { return m_useMultiTitle; }
    void SetUseMultiTitle(bool value);
    int VTitleMargin() const { return m_vTitleMargin; }
    void SetVTitleMargin(int value);
    TDBGridEhScrollBar &HorzScrollBar() { return *m_horzScrollBar; }
    TVertDBGridEhScrollBar &VertScrollBar() { return *m_vertScrollBar; }

    // ---- Coordinates
    int IndicatorCols() const { return m_indicatorOffset; }
    virtual bool HasTitleRow() const { return (m_dbOptions & dgTitles) != 0; }
    // 1 when the filter row is shown; the grid counts this many rows between titles and data.
    virtual int IsFilterRowVisible() const { return m_stFilter->Visible() ? 1 : 0; }
    int TopFixedRows() const { return (HasTitleRow() ? 1 : 0) + IsFilterRowVisible(); }
    int GetFooterRowCount() const { return m_footerRowCount; }
    // Data rows on screen.
    int GetDataRowCount() const;
    // First data column, first data row, last column, last data row before the footers.
    TGridRect GetDataCellsRange() const;
    QRect GetBoxRect(int left, int top, int right, int bottom) const { return BoxRect(left, top, right, bottom); }
    int GridCurrentCol() const { return Col(); }
    // The row of the first footer, or -1 without footers.
    int FirstFooterRow() const;

    // ---- Brackets
    void BeginUpdate();
    void EndUpdate();
    int UpdateLock() const { return m_updateLock; }
    void BeginLayout();
    void EndLayout();
    // Begins a layout only when neither an update nor a layout is open; the caller then calls EndLayout.
    bool TryBeginLayout();
    // Queues one layout for the event loop unless one is queued already.
    void PostLayout();
    int LayoutsRun() const { return m_layoutsRun; }
    // Lays out now unless an update or layout is in progress (the lookup grid overrides it).
    virtual void LayoutChanged();
    bool InLayout() const { return m_layoutLock > 0; }

    // ---- Footers
    virtual QString GetFooterText(TColumnFooterEh &footer, TColumnEh &column) const;

    // ---- What a cell would draw: the display text of data cells, the caption of titles, the text of
    // footers (for tests and for the tips).
    QString CellDrawText(int col, int row);
    // Title captions of the multi-level tree, for the leaf of a column.
    THeadTreeNode *TitleTreeRoot() const { return m_headTree.get(); }
    THeadTreeNode *LeafFieldArr(int column) const;

    // Text measuring for layout (the real fonts unless a test installs other metrics).
    const IGridMetricsEh &Metrics() const { return *m_metrics; }
    void SetMetrics(std::unique_ptr<IGridMetricsEh> metrics);

    // The window of cell tips, once one was shown.
    TCellTipWindow *CellTipWindow() const;

    // The vertical bar as layout last set it.
    TScrollInfoEh VertScrollInfo() const { return m_vertScrollInfo; }

    // Refreshes the in-place editor's contents from the current cell.
    void InvalidateCellEditor() { InvalidateEditor(); }

    // ---- Events (reference parameters; a throwing handler is stopped at the grid)
    std::function<void(TCustomDBGridEh *, TColumnEh *column, TFont &font, TColor &background, TGridDrawState state)>
        OnGetCellParams;
    std::function<void(TCustomDBGridEh *, int dataCol, int row, TColumnEh *column, TFont &font, TColor &background,
                       TAlignment &alignment, TGridDrawState state, QString &text)>
        OnGetFooterParams;
    std::function<void(TCustomDBGridEh *, TColumnEh *column, TFont &font, TColor &background,
                       TSortMarkerEh &sortMarker, bool &isDown)>
        OnGetBtnParams;
    std::function<void(TCustomDBGridEh *, const QRect &rect, int dataCol, TColumnEh *column, TGridDrawState state)>
        OnDrawColumnCell;
    std::function<void(TCustomDBGridEh *, const QRect &rect, TField *field, TGridDrawState state)> OnDrawDataCell;
    std::function<void(TCustomDBGridEh *, int dataCol, int row, TColumnEh *column, const QRect &rect,
                       TGridDrawState state)>
        OnDrawFooterCell;
    std::function<void(TCustomDBGridEh *)> OnColWidthsChanged;
    std::function<void(TCustomDBGridEh *, int from, int to)> OnColumnMoved;
    std::function<void(TDBSumListProducer *)> OnSumListRecalcAll;
    std::function<void(TDBSumListProducer *)> OnSumListAfterRecalcAll;

    // ==== Filter row and exchange (DBGridEhFilter.cpp, DBGridEhImpExp.cpp, DBGridEhFindDlg.cpp)
    TSTDBGridEhFilter &STFilter() { return *m_stFilter; }
    const TSTDBGridEhFilter &STFilter() const { return *m_stFilter; }
    // Fires OnApplyFilter, else hands the filter to the dataset's features; then, even when that raised, the
    // left column is kept, the rows refreshed, the totals recalculated and the grid repainted.
    virtual void ApplyFilter();
    // A column's filter changed: the grid repaints and its filter editor follows.
    void FilterChanged();
    // The filter row was shown or hidden.
    void FilterRowVisibilityChanged();

    // ---- Filter row editing (DBGridEhFilterRow.cpp)
    // Whether the column's filter cell can be edited: it exists, is visible and its filter is shown.
    bool CanFilterColumn(int dataCol) const;
    void EnterFilterRow(int dataCol);
    void LeaveFilterRow();
    // Stores the editor's text, applies the filter and places the editor again; a failure restores the grid and
    // the editor, then passes the error on.
    void ApplyFilterRow();
    void PlaceFilterEditor(bool focus);
    int FilterCol() const { return m_filterCol; }
    bool FilterEditMode() const { return m_filterEditMode; }
    class TInplaceFilterEditEh *FilterEditor() const { return m_filterEdit; }
    std::function<void(TCustomDBGridEh *)> OnApplyFilter;

    // ==== Keyboard, mouse and selections (DBGridEhKeys.cpp, DBGridEhSearch.cpp, DBGridEhEditing.cpp,
    // DBGridEhMouse.cpp, DBGridEhSelection.cpp)

    // ---- Selection
    // The grid's one selection (the cell grid's own anchor-to-current range is not used by this grid).
    TDBGridEhSelection &Selection();
    const TDBGridEhSelection &Selection() const;
    TBookmarkListEh &SelectedBookmarks();
    TDBGridEhAllowedSelections AllowedSelections() const { return m_allowedSelections; }
    // A selection of a kind no longer allowed is cleared.
    void SetAllowedSelections(TDBGridEhAllowedSelections value);
    // dgMultiSelect, the kind allowed, and for rectangles and columns a grid without dgRowSelect.
    bool SelectionKindUsable(unsigned kind) const;
    virtual bool IsCellSelected(int col, int row);
    TDragMode DragMode() const { return m_dragMode; }
    void SetDragMode(TDragMode value) { m_dragMode = value; }
    bool SelectionDragArmed() const { return m_dragArmed; }
    // The selection in the grid's clipboard formats; the caller owns it.
    QMimeData *SelectionMimeData();
    // Drags the selection away (a press on it moved beyond the start-drag distance).
    virtual void StartSelectionDrag();
    // Repaints the selection's box (the whole grid under gstAll) and the current row.
    virtual void RepaintSelection();
    // Repaints a block of cells that a selection gained or lost.
    virtual void InvalidateSelectionCells(const TGridRect &cells);
    // Moves record by record, selecting the records passed (Shift with keys, Shift+press, row tracking).
    void MoveBySelecting(int distance, bool toEnd);
    // A move of the current cell with dghClearSelection drops the selection.
    void ClearSelectionOnMove();
    // Deletes the current record, or the selected ones, after the question of dgConfirmDelete; answers whether
    // anything was deleted.
    bool DeleteCurrentOrSelected();

    // ---- Incremental search
    // Adds text to the search and moves to the first match (direction 0), the next one (1) or the previous one
    // (2); timeout in ms, -1 for none.
    void IncrementalSearch(const QString &text, int timeout, int direction);
    QString IncSearchText() const { return m_incSearchText; }

    // ---- Editing and edit actions
    // Whether the editor may open a list or step a value: an active link, updating allowed (or inserting), and
    // a non-empty dataset unless records may be added.
    bool EditAllowedByOperations() const;
    bool EditActionAllowed(TDBGridEhEditAction action) const;
    // Runs the action when allowed; answers whether it ran.
    bool ExecuteEditAction(TDBGridEhEditAction action);
    // The main window's Edit menu reaches the focused grid through these, gated like the keys.
    Q_INVOKABLE void cut() { ExecuteEditAction(geaCutEh); }
    Q_INVOKABLE void copy() { ExecuteEditAction(geaCopyEh); }
    Q_INVOKABLE void paste() { ExecuteEditAction(geaPasteEh); }
    // Writes the editor's text into the current field: pick-list, key-list, lookup and text blob columns each
    // their own way.
    virtual void WriteEditorText();
    // The cell editor's text as the grid last handed it out or received it.
    QString EditorText() const { return m_editText; }
    // The key that goes with the editor's text in a lookup cell (invalid: looked up by the text on writing).
    QVariant EditKeyValue() const { return m_editKeyValue; }
    void SetEditKeyValue(const QVariant &value) { m_editKeyValue = value; }
    // Writes the text as the editor's and, in a lookup cell, the key that goes with it.
    void SetEditorTextAndKey(const QString &text, const QVariant &key);

    // ---- Focus
    virtual bool TakeFocus();
    virtual bool IsGridFocused() const;
    virtual bool AlwaysShowsEditor() const;
    virtual void ShowCellEditor();
    virtual bool IsFindDialogModal() const { return true; }

    // ---- Mouse
    enum TTrackModeEh { tmNoneEh = 0, tmRowEh = 1, tmColSelectEh = 2, tmRectEh = 3, tmCellEh = 4, tmFrozenEh = 6 };
    TTrackModeEh TrackMode() const { return m_trackMode; }
    // A Ctrl title click waits for the release of Ctrl (or the loss of the focus) before the sorting runs.
    bool SortMarkingPending() const { return m_sortMarkingPending; }
    // The cursor the mouse gets at a point of the viewport (none: the cell grid's own).
    const QCursor *GridCursorAt(int x, int y);

    // ---- Events of interaction (a throwing handler is stopped at the grid)
    std::function<void(TCustomDBGridEh *, int &key, Qt::KeyboardModifiers shift)> OnKeyDown;
    std::function<void(TCustomDBGridEh *)> OnSortMarkingChanged;
    std::function<void(TCustomDBGridEh *, int aCol, TColumnEh *column)> OnTitleBtnClick;
    std::function<void(TCustomDBGridEh *, int aCol, TColumnEh *column, bool &enabled)> OnCheckButton;
    std::function<void(TCustomDBGridEh *)> OnEditButtonClick;
    std::function<void(TColumnEh *column)> OnTitleClick;
    std::function<void(TColumnEh *column)> OnCellClick;
    std::function<void(TCustomDBGridEh *)> OnColEnter;
    std::function<void(TCustomDBGridEh *)> OnColExit;
    std::function<void(TCustomDBGridEh *)> OnDblClick;
    std::function<void(TCustomDBGridEh *, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>
        OnMouseDown;

protected:
    // ---- Interaction hooks
    virtual void SortMarkingChanged();
    // Hands the sort markers to the dataset's features.
    virtual void ApplySorting();
    virtual void TitleBtnClick(int aCol, TColumnEh *column);
    virtual bool CheckTitleButton(int aCol);
    virtual void TitleClick(TColumnEh *column);
    virtual void CellClick(TColumnEh *column);
    virtual void ColEnter();
    virtual void ColExit();
    // The clipboard operations on the selection (DBGridEhImport.cpp).
    virtual void CopySelectionToClipboard();
    virtual void CutSelectionToClipboard();
    virtual void PasteClipboardIntoSelection();
    virtual void ClearSelectionContents();
    virtual bool ClipboardHasGridData() const;
    // The find dialog (Ctrl+F with dghDialogFind; DBGridEhFindDlg.cpp).
    virtual void ShowFindDialog();
    // Copies the current column's value from the record above (Ctrl+').
    void CopyValueFromAbove();
    // Fits the widths of the clicked column (and of the selected ones) to their titles, values and footers.
    void FitColumnWidths(TColumnEh *clicked);

    bool HolderAllowsEdit(QWidget *editor) override;
    TInplaceEdit *CreateEditor() override;
    void PreviewEditorKeyPress(QWidget *editor, QChar &key) override;
    // Filter row hooks.
    virtual class TInplaceFilterEditEh *CreateFilterEditor();
    virtual bool FilterEditorAllowed() const;
    virtual void StoreFilterCellValue(int dataCol);
    virtual void SetupFilterEditor(int dataCol);
    // The filter editor's own keys; answers whether the key was consumed.
    bool FilterEditorKeyDown(int key, Qt::KeyboardModifiers shift);
    void KeyPress(QChar &key) override;
    void KeyUp(int &key, Qt::KeyboardModifiers shift) override;
    void DoExit() override;
    bool CanEditShow() override;
    bool CanEditModify() override;
    bool CanEditAcceptKey(QChar key) override;
    void SetEditText(int col, int row, const QString &value) override;
    QString GetEditMask(int col, int row) override;
    int GetEditLimit() override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void CancelMode() override;
    bool PreviewEditorMessage(QWidget *editor, QEvent *event) override;
    void PreviewEditorKeyUp(QWidget *editor, int &key, Qt::KeyboardModifiers shift) override;
    void PreviewEditorKeyDown(QWidget *editor, int &key, Qt::KeyboardModifiers shift) override;
    void keyPressEvent(QKeyEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

    // ---- Factories
    virtual TDBGridColumnsEh *CreateColumns();
    virtual TColumnDefValuesEh *CreateColumnDefValues();
    virtual TDBGridEhScrollBar *CreateScrollBar(Qt::Orientation kind);

    // ---- Virtuals the lookup grid overrides
    // Whether the current row shows the row focus rectangle.
    virtual bool ShowsRowFocusRect() const;
    // Whether a cell gets a 3D frame.
    virtual bool IsCell3D(int col, int row, const QRect &rect, TGridDrawState state) const;
    // Draws one cell of the rows between the titles and the data (the filter row).
    virtual void DrawTitleBackground(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state);
    // May set the colours of a data cell; answers whether it did.
    virtual bool GetDataCellSelectionColors(int dataCol, int dataRow, TFont &font, TColor &background,
                                            TGridDrawState state);
    virtual bool GetFixedCellSelectionColors(int col, int row, TFont &font, TColor &background,
                                             TGridDrawState state);
    // From the data link: row count, scroll bars, active record and editor brought up to date.
    virtual void DataChanged();
    // Builds the data link's column-to-field map.
    virtual void BuildFieldMap();
    // Adds the fields default columns are made from.
    virtual void CollectDatasetFields(QList<TField *> &list);
    // The data link became active or inactive: editor, sum list, layout, scroll bar.
    virtual void LinkActiveChanged(bool value);
    // The active record moved by distance.
    virtual void DataScrolled(int distance);
    // One step of the auto-scroll while the mouse tracks outside the data area.
    virtual void AutoScrollStep();
    // Brings the current row in line with the dataset's active record.
    virtual void UpdateActive();
    // Title rows, row heights and the number of records the link buffers, from the client height.
    virtual void UpdateRowCount();
    // Range, page and position of the vertical bar: record numbers when the sum list can tell them, else three
    // positions (first, elsewhere, last).
    virtual void UpdateVertScrollBar();
    // An outside horizontal bar follows the left column (0 .. 127).
    virtual void UpdateHorzScrollBar();
    // Paints the flat grid's sunken outer border around the widget.
    virtual void PaintFlatBorder(QPainter &painter);
    // Grid column widths from the columns (hidden ones take no room), the indicator 11 pixels wide.
    virtual void SetColumnAttributes();
    // The whole layout, run by the outermost EndLayout.
    virtual void RebuildLayout();
    // Scales the grid by m / d (a change of screen resolution): the grid's, title and footer fonts, the fonts
    // columns, titles and footers have of their own, and the column widths, in one layout.
    virtual void ChangeScale(int m, int d);
    // A field of the current record (none: the whole record) changed: its cells repaint, the editor follows.
    virtual void CellDataChanged(TField *field);
    // The dataset entered or left editing: the indicator of the current row repaints.
    virtual void EditingChanged();

    // ---- Helpers the lookup grid calls
    // Ends a mouse tracking mode: scroll timer stopped, capture released, gesture abandoned.
    void CancelMouseTracking();
    // Leaves incremental search: text cleared, the current row repainted.
    void StopIncrementalSearch();
    bool IncrementalSearching() const { return m_incSearching; }
    bool InternalAutoFit() const { return m_autoFitColWidths && !m_loading; }
    // Draws text into rect with the margins, alignment, wrap and ellipsis drawing uses.
    void DrawCellText(QPainter &painter, const QRect &rect, const QString &text, TAlignment alignment, int dx,
                      int dy, bool wordWrap, bool endEllipsis);
    // The same for a title turned upright: one line read bottom-up, placed across the cell by the alignment.
    void DrawCellTextVertical(QPainter &painter, const QRect &rect, const QString &text, TAlignment alignment,
                              int dx, int dy, bool endEllipsis);
    int TextMargin() const { return m_flat ? 2 : 4; }
    int EditButtonWidth() const { return m_editButtonWidth; }
    int EditButtonHeight() const { return m_editButtonHeight; }
    bool CanWrapText() const { return m_canWrapText; }
    // Runs a handler under the guard: an exception is reported, never passed through the event loop.
    void SafeCall(const std::function<void()> &fn) const;

    // ---- Keyboard
    // Moves between records and columns: arrows, pages, Home and End (Ctrl: the window's or the set's ends,
    // the first or last column), Tab and Shift+Tab with dgTabs running on over the record's end, Down past the
    // last record appending one, Up and Down dropping an untouched new record, Insert adding a record, Esc
    // resetting the edited record. Other keys go to the cell grid.
    void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
    // Makes dataCol current, skipping columns of width 0 in the direction of the move (+1 or -1; 0: no skip).
    virtual void SelectCol(int dataCol, int direction);
    // Whether keys may add a record (Insert; Down past the last record when appending is allowed).
    virtual bool CanAddByKey() const;
    virtual bool CanAppendByKey() const;
    // Esc: a record whose cell text the editor changed shows its stored value again; otherwise the dataset's
    // edit or insertion is cancelled.
    virtual void ResetEditedRecord();
    // A record entered by Insert or Append that nobody has typed into yet.
    bool UntouchedNewRecord() const;

    // ---- Vertical scroll actions (bar, keys of the bar, outside bars)
    virtual void VertScroll(TScrollCodeEh code, int pos);
    // What a hint at pos (viewport coordinates) shows.
    TGridHintEh CalcHint(const QPoint &pos);
    void showCellTip(const TGridHintEh &hint);

    // ---- TCustomGrid
    void Paint(QPainter &painter, const QRect &clip) override;
    void DrawCell(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state) override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    void ColumnMoved(int from, int to) override;
    void TopLeftChanged() override;
    void TimedScroll(TGridScrollDirection direction) override;
    void ScrollBarMoved(Qt::Orientation orientation, int value) override;
    void UpdateScrollRange() override;
    bool DoMouseWheelDown(Qt::KeyboardModifiers shift, const QPoint &pos) override;
    bool DoMouseWheelUp(Qt::KeyboardModifiers shift, const QPoint &pos) override;
    void FontChanged() override;
    QString GetEditText(int col, int row) override;
    bool SelectCell(int col, int row) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool viewportEvent(QEvent *event) override;

    // The record a data row shows is made active while fn runs.
    void WithRecordOfRow(int dataRow, const std::function<void()> &fn);
    // The record under the grid's cursor, also while a row's record is borrowed for drawing it.
    int CursorRecord() const { return m_borrowedFrom >= 0 ? m_borrowedFrom : m_dataLink->ActiveRecord(); }

    // Incremental search: on, and the text matched so far.
    bool m_incSearching = false;
    QString m_incSearchText;
    bool m_inDataLinkLayout = false;

private:
    // ---- Interaction state
    friend class TBookmarkListEh;
    friend class TDBGridEhSelectionCols;
    friend class TDBGridEhSelectionRect;
    friend class TDBGridEhSelection;
    // What the cell editor shows for a column's field in the current record.
    QString cellEditText(int dataCol);
    bool keyDownShortcuts(int &key, Qt::KeyboardModifiers shift);
    bool keyDownWithCtrl(int &key, Qt::KeyboardModifiers shift);
    bool matchesCopyFromAbove(int key, Qt::KeyboardModifiers shift) const;
    void extendByKeys(int distance, bool toEnd, Qt::KeyboardModifiers shift);
    void restartIncSearchTimer(int timeout);
    void autoScrollStepAt(const QPoint &p);
    void trackTo(int x, int y, Qt::KeyboardModifiers shift);
    bool titlePressHit(int x, int y) const;
    // Whether y lies in the band of a column's own title, below the group bands of multi-level titles.
    bool inLeafBand(int col, int y) const;
    // The column whose right border lies under x in the title rows when that border is the frozen columns' or
    // the client's right edge; -1 otherwise.
    int frozenBorderAt(int x, int y) const;
    void paintMouseOverlay(QPainter &painter);
    void endSortClick(TColumnEh *column, bool ctrl);
    std::unique_ptr<TDBGridEhSelection> m_selection;
    std::unique_ptr<TSTDBGridEhFilter> m_stFilter = std::make_unique<TSTDBGridEhFilter>(this);
    TDBGridEhAllowedSelections m_allowedSelections = gstRecordBookmarks | gstRectangle | gstColumns | gstAll;
    QBasicTimer m_incSearchTimer;
    QBasicTimer m_autoScrollTimer;
    QString m_editText;
    bool m_toggleMode = false;
    quint32 m_lastScanCode = 0;
    quint32 m_lastVirtualKey = 0;
    TTrackModeEh m_trackMode = tmNoneEh;
    bool m_titlePressed = false;
    int m_pressedCol = -1;
    bool m_pressedInside = false;
    QPoint m_pressPoint;
    bool m_sortMarkingPending = false;
    bool m_dragArmed = false;
    TDragMode m_dragMode = dmManual;
    TGridCoord m_checkPressCell{-1, -1};
    bool m_pressWasDouble = false;
    QPoint m_lastMousePoint;
    Qt::KeyboardModifiers m_lastMouseShift;
    QByteArray m_rowAnchor;
    bool m_rowToggleTarget = true;
    bool m_rowGesture = false;
    bool m_searchMoving = false;
    int m_incSearchTimeOut = 1500;
    // Sizing by the grid itself: the column, where it starts, the offset of the press from the border, the
    // position of the border line while the frozen border is dragged.
    int m_sizeIndex = -1;
    int m_sizeStart = 0;
    int m_sizeOfs = 0;
    int m_frozenLine = 0;
    Qt::KeyboardModifiers m_lastKeyShift;
    QVariant m_editKeyValue;
    class TInplaceFilterEditEh *m_filterEdit = nullptr;
    int m_filterCol = -1;
    bool m_filterEditMode = false;
    int nextFilterColumn(int from, int direction) const;
    QWidget *filterEditorWidget() const;
    friend class TDBGridInplaceEdit;
    friend class TInplaceFilterEditEh;

private:
    friend class TGridDataLinkEh;
    friend class TColumnEh;
    friend class TDBGridColumnsEh;
    friend class TDBGridEhScrollBar;
    friend class TVertDBGridEhScrollBar;

    void applyOptions();
    void buildTitleTree();
    void calcTitleTreeHeight(THeadTreeNode *ring);
    int titleNodeHeight(const THeadTreeNode *node) const;
    void autoFitColumns();
    void drawTitleCell(QPainter &painter, int col, const QRect &rect, TGridDrawState state);
    void drawTitleGroups(QPainter &painter, THeadTreeNode *leaf, const QRect &leafRect);
    void drawIndicatorCell(QPainter &painter, int row, const QRect &rect, TGridDrawState state);
    void drawDataCell(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state);
    void drawFooterCell(QPainter &painter, int dataCol, int footerRow, const QRect &rect, TGridDrawState state);
    void drawEditButtons(QPainter &painter, TColumnEh &column, QRect &rect, bool cell3D);
    void draw3DFrame(QPainter &painter, const QRect &rect, bool sunken, TColor background);
    void sumListChanged();
    // Tells the user once of each total that outgrew what a footer can hold, after the change that did it.
    void reportSumOverflows();
    void clampColumnWidths();
    void rebuildSortList();

    std::unique_ptr<TGridDataLinkEh> m_dataLink;
    mutable TDBGridColumnsEh *m_columns = nullptr;
    std::unique_ptr<TColumnDefValuesEh> m_columnDefValues;
    std::unique_ptr<TDBGridEhSumList> m_sumList;
    std::unique_ptr<TDBGridEhScrollBar> m_horzScrollBar;
    std::unique_ptr<TVertDBGridEhScrollBar> m_vertScrollBar;
    std::unique_ptr<THeadTreeNode> m_headTree;
    std::vector<THeadTreeNode *> m_leafFieldArr;
    std::unique_ptr<IGridMetricsEh> m_metrics;
    TDeferredCall *m_postedLayout = nullptr;
    TDeferredCall *m_overflowReport = nullptr;
    TCellTipWindow *m_tipWindow = nullptr;
    TColumnsEhList m_visibleColumns;
    TColumnsEhList m_sortMarkedColumns;
    TColCellParamsEh m_cellParams;

    TDBGridOptions m_dbOptions = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines
        | dgTabs | dgConfirmDelete | dgCancelOnExit;
    TDBGridEhOptions m_optionsEh = dghFixed3D | dghHighlightFocus | dghClearSelection | dghDialogFind;
    bool m_loading = false;
    bool m_autoFitColWidths = false;
    bool m_drawMemoText = false;
    bool m_flat = false;
    TColor m_footerColor = clWindow;
    TFont m_footerFont;
    TFont m_titleFont;
    int m_footerRowCount = 0;
    int m_frozenCols = 0;
    int m_minAutoFitWidth = 0;
    bool m_readOnly = false;
    int m_rowHeight = 0;
    int m_rowLines = 0;
    bool m_rowSizingAllowed = false;
    int m_titleHeight = 0;
    int m_titleLines = 0;
    const TImageList *m_titleImages = nullptr;
    bool m_useMultiTitle = false;
    int m_vTitleMargin = 10;

    int m_indicatorOffset = 1;
    int m_updateLock = 0;
    int m_borrowedFrom = -1;
    int m_layoutLock = 0;
    int m_layoutsRun = 0;
    bool m_inLayout = false;
    bool m_settingRows = false;
    int m_titleRowHeight = 0;
    bool m_canWrapText = false;
    int m_editButtonWidth = 0;
    int m_editButtonHeight = 0;
    int m_indicatorRow = -1;
    bool m_ignoreThumbRelease = false;
    bool m_applyingVertBar = false;
    TScrollInfoEh m_vertScrollInfo;
    QRect m_tipCell;
};

class TDBGridEh : public TCustomDBGridEh
{
    Q_OBJECT
public:
    using TCustomDBGridEh::TCustomDBGridEh;
};

// The selection classes and the settings of keys and mouse.
#include "DBGridEhInteraction.h"
