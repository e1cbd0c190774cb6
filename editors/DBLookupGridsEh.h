#pragma once

// The lookup grid: the data grid turned into a chooser of one key value from a list dataset. It shows the
// records of its ListSource, keeps the key of the chosen record in KeyValue and may show a special first row
// (standing for one value, typically "none") in the place of the grid's filter row. TPopupDataGridEh is its
// drop-down form, which the lookup combo box and the grid's lookup cells open below themselves.

#include "DBGridEh.h"
#include "ToolCtrlsEh.h"
#include "VCLHelpersEh.h"

#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>

class TDBLookupGridEh;
class TDBLookupGridColumnEh;

// One key field and a single value, or several and a list of exactly as many values.
bool KeyValueFitsKeyFields(const TFieldsArrEh &keyFields, const QVariant &value);
// A field typed text is searched in: a data or lookup field of a string type.
bool IsLookupSearchField(const TField *field);

// The special-row cell of one column: the special row's text, colour and font until assigned here.
class TGridColumnSpecCellEh
{
public:
    explicit TGridColumnSpecCellEh(TDBLookupGridColumnEh *column) : m_column(column) {}

    QString Text() const;
    void SetText(const QString &value);
    TColor Color() const;
    void SetColor(TColor value);
    const TFont &Font() const;
    void SetFont(const TFont &value);
    bool TextSet() const { return m_textSet; }
    bool ColorSet() const { return m_colorSet; }
    bool FontSet() const { return m_fontSet; }
    void Assign(const TGridColumnSpecCellEh &source);

private:
    TSpecRowEh *specRow() const;
    TDBLookupGridColumnEh *m_column;
    QString m_text;
    TColor m_color = clWindow;
    mutable TFont m_font;
    bool m_textSet = false;
    bool m_colorSet = false;
    bool m_fontSet = false;
};

class TDBLookupGridColumnEh : public TColumnEh
{
    Q_OBJECT
public:
    explicit TDBLookupGridColumnEh(TDBGridColumnsEh *collection);

    TGridColumnSpecCellEh &SpecCell() { return m_specCell; }
    const TGridColumnSpecCellEh &SpecCell() const { return m_specCell; }
    void SetSpecCell(const TGridColumnSpecCellEh &value) { m_specCell.Assign(value); }
    TDBLookupGridEh *LookupGrid() const;

    // Moving a column made from a list field reorders the list fields (and the special row's texts) with it.
    void SetIndex(int value) override;
    // A list field's column keeps the field's display width as it is.
    void SetWidth(int value) override;

private:
    TGridColumnSpecCellEh m_specCell;
};

class TDBLookupGridColumnDefValuesEh : public TColumnDefValuesEh
{
public:
    using TColumnDefValuesEh::TColumnDefValuesEh;
};

// A second link of the lookup grid; it is never connected, it carries the grid's read-only switch.
class TLookupGridDataLinkEh : public TDataLink
{
public:
    explicit TLookupGridDataLinkEh(TDBLookupGridEh *grid) : OwnerGrid(grid) {}
    TDBLookupGridEh *OwnerGrid;
};

enum TDBLookupGridEhOption : unsigned {
    dlgColumnResizeEh = 1u << 0,
    dlgColLinesEh = 1u << 1,
    dlgRowLinesEh = 1u << 2,
    dlgAutoSortMarkingEh = 1u << 3,
    dlgMultiSortMarkingEh = 1u << 4,
};
using TDBLookupGridEhOptions = unsigned;

class TDBLookupGridEh : public TCustomDBGridEh
{
    Q_OBJECT
public:
    // The longest pause between two typed characters of one search.
    static constexpr int SearchPauseMs = 2000;
    static constexpr int SearchTextLimit = 32;

    explicit TDBLookupGridEh(QWidget *parent = nullptr);
    ~TDBLookupGridEh() override;

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);
    TDataSource *ListSource() const { return DataSource(); }
    void SetListSource(TDataSource *value) { SetDataSource(value); }
    QString KeyField() const { return m_keyField; }
    void SetKeyField(const QString &value);
    QVariant KeyValue() const { return m_keyValue; }
    void SetKeyValue(const QVariant &value);
    QString ListField() const { return m_listField; }
    void SetListField(const QString &value);
    int ListFieldIndex() const { return m_listFieldIndex; }
    void SetListFieldIndex(int value) { m_listFieldIndex = value; }
    TSpecRowEh &SpecRow() { return *m_specRow; }
    void SetSpecRow(const TSpecRowEh &value) { m_specRow->Assign(value); }

    // Visible data rows, 1 to 100; the height follows in whole rows.
    int RowCount() const { return m_rowCount; }
    void SetRowCount(int rows);
    bool ShowTitles() const { return (Options() & dgTitles) != 0; }
    void SetShowTitles(bool value);
    void SetUseMultiTitle(bool value);
    bool AutoFitColWidths() const { return m_autoFitColWidths; }
    void SetAutoFitColWidths(bool value);
    TDBLookupGridEhOptions LookupOptions() const { return m_lookupOptions; }
    void SetLookupOptions(TDBLookupGridEhOptions value);

    bool ListActive() const { return m_listActive; }
    QString KeyDisplayText() const { return m_keyDisplayText; }
    TField *DisplayListField() const { return m_displayListField; }
    const QList<TField *> &ListFields() const { return m_listFields; }
    const TFieldsArrEh &ListKeyFields() const { return m_listKeyFields; }
    bool KeyRowShown() const { return m_keyRowShown; }
    QString KeySearchText() const { return m_keySearchText; }
    int SpecRowHeight() const { return m_specRowHeight; }
    TLookupGridDataLinkEh *LookupLink() const { return m_lookupLink.get(); }

    // The width all columns take: owners size a drop-down of width -1 by it.
    int GetColumnsWidth();
    // The data cells, the special row's band included when shown (viewport coordinates).
    QRect GetDataRect() const;
    // Sets the geometry with the height taken in whole rows.
    void SetBounds(int left, int top, int width, int height);
    // The grid row of the special row, -1 when hidden.
    int SpecRowGridRow() const;

    std::function<void(TDBLookupGridEh *)> OnClick;
    std::function<void(TDBLookupGridEh *)> OnDblClick;
    std::function<void(TDBLookupGridEh *, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseDown;
    std::function<void(TDBLookupGridEh *, Qt::KeyboardModifiers, int x, int y)> OnMouseMove;
    std::function<void(TDBLookupGridEh *, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> OnMouseUp;

    // Keys and typed characters as the grid handles them (owners pass their keys on here).
    void KeyDown(int &key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar &key) override;

protected:
    virtual bool CanChangeKey() const;
    virtual bool IsKeyValueCompatible(const TFieldsArrEh &keyFields, const QVariant &value) const;
    virtual int GetBorderHeight() const;
    virtual int GetSpecRowHeight() const;
    virtual int GetDataRowHeight() const;
    virtual void KeyValueUpdated();
    virtual void ListWindowChanged();
    virtual void SearchKeyPress(QChar key);
    virtual void ChooseKeyValue(const QVariant &value);
    virtual void SpecRowChanged();
    virtual void UpdateColumnWidths();
    virtual void ResolveListFields();
    virtual bool FindKeyRecord();

    void SelectCurrentRecord();
    void SelectSpecRow();
    void SelectRowAt(int x, int y);
    int TitleBandHeight() const;
    int EffectiveListFieldIndex() const;
    bool RowHasKey() const;

    // ---- The data grid's hooks
    TDBGridColumnsEh *CreateColumns() override;
    TColumnDefValuesEh *CreateColumnDefValues() override;
    bool ShowsRowFocusRect() const override { return m_keyRowShown; }
    bool IsCell3D(int col, int row, const QRect &rect, TGridDrawState state) const override;
    int IsFilterRowVisible() const override;
    bool GetDataCellSelectionColors(int dataCol, int dataRow, TFont &font, TColor &background,
                                    TGridDrawState state) override;
    void DataChanged() override;
    void BuildFieldMap() override;
    void DrawTitleBackground(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState state) override;
    void CollectDatasetFields(QList<TField *> &list) override;
    void LayoutChanged() override;
    void LinkActiveChanged(bool value) override;
    void DataScrolled(int distance) override;
    void AutoScrollStep() override;
    void UpdateActive() override;
    void UpdateRowCount() override;
    void VertScroll(TScrollCodeEh code, int pos) override;
    void ColWidthsChanged() override;
    bool DoMouseWheelDown(Qt::KeyboardModifiers shift, const QPoint &pos) override;
    bool DoMouseWheelUp(Qt::KeyboardModifiers shift, const QPoint &pos) override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void DblClick() override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

    bool m_noFocusOnClick = false;
    bool m_tracking = false;

private:
    friend class TDBLookupGridColumnEh;
    // Runs fn with the key of a buffer row read (the link's active record restored afterwards).
    bool bufferRowHasKey(int bufferRow);
    void moveList(int distance);
    void setListField(const QString &value, bool resolve);

    std::unique_ptr<TSpecRowEh> m_specRow;
    std::unique_ptr<TLookupGridDataLinkEh> m_lookupLink;
    bool m_readOnly = false;
    QString m_keyField;
    QVariant m_keyValue;
    QString m_listField;
    int m_listFieldIndex = 0;
    int m_rowCount = 7;
    bool m_autoFitColWidths = false;
    TDBLookupGridEhOptions m_lookupOptions = dlgColLinesEh;
    bool m_listActive = false;
    QString m_keyDisplayText;
    TFieldsArrEh m_listKeyFields;
    QList<TField *> m_listFields;
    TField *m_displayListField = nullptr;
    bool m_selecting = false;
    bool m_hasFocus = false;
    bool m_keyRowShown = false;
    int m_windowActiveRecord = 0;
    int m_windowRecordCount = 0;
    QString m_keySearchText;
    int m_specRowHeight = 0;
    int m_lastMouseY = 0;
    bool m_sizing = false;
    bool m_updatingRowCount = false;
    bool m_updatingWidths = false;
    bool m_settingBounds = false;
};

// The drop-down form of the lookup grid: a window of its own that never takes the focus and reports a mouse
// release on a record or the special row (accept) or outside (cancel) to its owner.
class TPopupDataGridEh : public TDBLookupGridEh, public IDropDownSideEh
{
    Q_OBJECT
public:
    explicit TPopupDataGridEh(QWidget *owner);
    // The combo passes the release of Ctrl on to its open list.
    using TDBLookupGridEh::KeyUp;

    TSizeGripEh *SizeGrip() const { return m_sizeGrip; }
    TDropDownBehaviorEh *Behavior() const { return m_behavior; }
    bool Resized() const { return m_resized; }
    void ClearResized() { m_resized = false; }
    bool UserAction() const { return m_userAction; }
    void DropDownSideChanged(TDropDownSideEh side) override;

    std::function<void(TPopupDataGridEh *, bool accept)> OnMouseCloseUp;
    std::function<void(TPopupDataGridEh *)> OnUserKeyValueChange;

    void KeyDown(int &key, Qt::KeyboardModifiers shift) override;

protected:
    void KeyValueUpdated() override;
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseMove(Qt::KeyboardModifiers shift, int x, int y) override;
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    template<class F> void asUser(F &&fn);
    TSizeGripEh *m_sizeGrip;
    TDropDownBehaviorEh *m_behavior;
    bool m_resized = false;
    bool m_userAction = false;
    QPoint m_lastHover{-1, -1};
};
