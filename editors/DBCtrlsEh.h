#pragma once

#include "CheckBoxState.h"
#include "DataSource.h"
#include "InplaceEditHolder.h"
#include "MaskEdit.h"
#include "ToolCtrlsEh.h"
#include "VCLHelpersEh.h"

#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class TPopupCalculatorEh;

// ---------------------------------------------------------------------------------------------------------
// Shared text routines
// ---------------------------------------------------------------------------------------------------------

// S repeated Count times (empty for 0 or less).
QString ReplicateString(const QString &S, int Count);
// The value's text; empty for Null, for a list and for a value that has no text.
QString VariantToText(const QVariant &V);

// ---------------------------------------------------------------------------------------------------------
// The field data link: one field, several, or none (the control then keeps its own value)
// ---------------------------------------------------------------------------------------------------------

class TFieldDataLinkEh : public TDataLink
{
public:
    using NotifyEvent = std::function<void(TFieldDataLinkEh *Sender)>;

    TFieldDataLinkEh();

    // Starts editing: unbound, the link's own editing state; bound, the dataset's edit mode. Answers Editing.
    bool Edit();
    bool Active() const;
    bool DataSetActive() const;
    bool CanModify() const;

    void SetDataSource(TDataSource *Value);
    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &Value);
    bool MultiFields() const { return m_multiFields; }
    void SetMultiFields(bool Value);

    TField *Field() const { return m_fields.isEmpty() ? nullptr : m_fields.first(); }
    int FieldsCount() const { return int(m_fields.size()); }
    TField *FieldsField(int Index) const { return m_fields.value(Index); }
    const TFieldsArrEh &Fields() const { return m_fields; }
    bool FieldFound(TField *Value) const { return m_fields.contains(Value); }

    // The link's own editing state, apart from the dataset's.
    bool Editing() const { return m_editing; }
    void SetEditing(bool Value);
    bool Modified() const { return m_modified; }
    void SetModified(bool Value) { m_modified = Value; }
    void MarkModified() { m_modified = true; }
    bool DataIndependent() const { return m_dataIndependent; }

    // The control reloads its text from the data.
    void Reset() { RecordChanged(nullptr); }
    // Writes a text or a value: unbound into UnboundValue; bound through the field(s). Bound to a field name
    // that no data source or dataset resolves, it is an error, so that the user's text is never dropped
    // silently.
    void SetText(const QString &Text);
    void SetValue(const QVariant &Value);

    QVariant UnboundValue;
    QPointer<QWidget> Control;
    NotifyEvent OnDataChange;
    NotifyEvent OnEditingChange;
    NotifyEvent OnUpdateData;
    NotifyEvent OnActiveChange;

    // Raises the clear error for a bound link with nothing to write to; does nothing otherwise.
    void CheckWritable() const;

    void RecordChanged(TField *Field) override;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField **Field) override;
    void LayoutChanged() override;
    void UpdateData() override;

private:
    void UpdateDataIndependent();
    void UpdateField();
    void SetFields(const TFieldsArrEh &List);

    TFieldsArrEh m_fields;
    QString m_fieldName;
    bool m_multiFields = false;
    bool m_dataIndependent = true;
    bool m_editing = false;
    bool m_modified = false;
};

// The small image an editor shows left of its text.
class TEditImageEh
{
public:
    explicit TEditImageEh(QWidget *EditControl);

    void Assign(const TEditImageEh &Source);

    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int Value);
    const TImageList *Images() const { return m_images; }
    void SetImages(const TImageList *Value);
    bool UseImageHeight() const { return m_useImageHeight; }
    void SetUseImageHeight(bool Value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool Value);
    int Width() const { return m_width; }
    void SetWidth(int Value);

    // The editor lays its image area out again.
    std::function<void()> OnLayoutChanged;

private:
    void Changed();

    QPointer<QWidget> m_editControl;
    int m_imageIndex = -1;
    const TImageList *m_images = nullptr;
    bool m_useImageHeight = true;
    bool m_visible = false;
    int m_width = 0;
};

// ---------------------------------------------------------------------------------------------------------
// The data-aware edit base
// ---------------------------------------------------------------------------------------------------------

class TCustomDBEditEh;

// What a grid sets on an editor it hosts in a cell.
class IHostedEditorEh
{
public:
    virtual ~IHostedEditorEh() = default;
    virtual QFont GetFont() const = 0;
    virtual void SetInplaceEditHolder(QWidget *Holder) = 0;
    virtual void SetBorderStyle(bool Single) = 0;
    virtual void SetFont(const QFont &Font) = 0;
    virtual void SetColor(const QColor &Color) = 0;
    virtual void SetOnKeyPress(std::function<void(QObject *Sender, QChar &Key)> Handler) = 0;
    virtual void SetOnExit(std::function<void(QObject *Sender)> Handler) = 0;
};

using TUpdateDataEventEh = std::function<void(QObject *Sender, bool &Handled)>;
// Runs a control's OnUpdateData with the control's "inside the handler" flag raised (so that the handler's own
// writes are not written back a second time), lowered again also when the handler throws; answers whether the
// handler stored the value itself.
bool CallUpdateDataHandler(const TUpdateDataEventEh &Handler, QObject *Sender, bool &InHandler);
using TGetImageIndexEventEh = std::function<void(QObject *Sender, int &ImageIndex)>;
using TCloseUpEventEh = std::function<void(QObject *Sender, bool Accept)>;

class TCustomDBEditEh : public TCustomMaskEdit, public IPopupOwnerEh, public IHostedEditorEh
{
    Q_OBJECT
public:
    explicit TCustomDBEditEh(QWidget *Parent = nullptr);
    ~TCustomDBEditEh() override;

    // Binding.
    TDataSource *DataSource() const { return m_dataLink->DataSource(); }
    void SetDataSource(TDataSource *Value);
    QString DataField() const { return m_dataLink->FieldName(); }
    void SetDataField(const QString &Value);
    TField *Field() const { return m_dataLink->Field(); }
    TFieldDataLinkEh *DataLink() const { return m_dataLink.get(); }
    bool IsDataIndependent() const { return m_dataLink->DataIndependent(); }

    // Value and text: setting them writes back at once (bound: through the dataset's edit mode).
    QVariant Value() const { return ReadValue(); }
    void SetValue(const QVariant &V) { WriteValue(V); }
    QString Text() const { return TCustomMaskEdit::Text(); }
    void SetText(const QString &S);

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool Value);
    Qt::Alignment Alignment() const;
    void SetAlignment(Qt::Alignment Value);
    QString EditMask() const { return EditMaskText(); }
    // An assigned mask wins over the field's.
    void SetEditMask(const QString &Value);
    bool Flat() const { return m_flat; }
    void SetFlat(bool Value);
    bool AlwaysShowBorder() const { return m_alwaysShowBorder; }
    void SetAlwaysShowBorder(bool Value);
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool Value);
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool Value) { m_autoSelect = Value; }

    TEditButtonEh *EditButton() const { return m_editButton.get(); }
    TEditButtonsEh *EditButtons() const { return m_editButtons.get(); }
    TEditImageEh *EditImage() const { return m_editImage.get(); }
    // Setting images also shows the image area.
    void SetImages(const TImageList *Value);
    TMRUListEh *MRUList() const { return m_mruList.get(); }
    TMRUListboxEh *GetMRUListbox();

    // Layout read by tests and by the grid.
    int ButtonsWidth() const { return m_buttonsWidth; }
    int ImageAreaWidth() const { return m_imageAreaWidth; }
    TEditButtonControlEh *ButtonControl(int Index) const;
    QWidget *ButtonSeparator(int Index) const;
    bool DroppedDown() const { return m_droppedDown; }
    bool BorderActive() const { return m_borderActive; }
    bool IsFocused() const { return m_focused; }

    // Drop-down protocol.
    virtual bool IsButtonEnabled() const;
    virtual void DropDown();
    void CloseUp(bool Accept) override;

    // Writing back (the link's OnUpdateData) and its parts.
    virtual void UpdateData();
    virtual void StoreTextToField();
    virtual void WriteValue(const QVariant &V);

    // The hosting protocol of the grid.
    QFont GetFont() const override { return font(); }
    void SetInplaceEditHolder(QWidget *Holder) override;
    void SetBorderStyle(bool Single) override { setFrame(Single); }
    void SetFont(const QFont &Font) override { setFont(Font); }
    void SetColor(const QColor &Color) override;
    void SetOnKeyPress(std::function<void(QObject *Sender, QChar &Key)> Handler) override { OnKeyPress = Handler; }
    void SetOnExit(std::function<void(QObject *Sender)> Handler) override { OnExit = Handler; }
    bool InplaceMode() const { return m_holder != nullptr; }
    bool GetVisible() const { return InplaceMode() ? isVisible() : !isHidden(); }

    TUpdateDataEventEh OnUpdateData;
    TButtonClickEventEh OnButtonClick;
    TButtonDownEventEh OnButtonDown;
    TGetImageIndexEventEh OnGetImageIndex;
    std::function<void(QObject *Sender)> OnChange;
    std::function<void(QObject *Sender, QChar &Key)> OnKeyPress;
    std::function<void(QObject *Sender)> OnExit;

protected:
    // For descendants whose field data link is a descendant of TFieldDataLinkEh.
    TCustomDBEditEh(QWidget *Parent, std::unique_ptr<TFieldDataLinkEh> Link);

    // Defaults that the descendants change.
    virtual Qt::Alignment DefaultAlignment() const;
    virtual int DefaultImageIndex() const { return -1; }
    virtual bool EditsInAlignment() const { return false; }
    // The text the recently used entries must begin with.
    virtual QString MRUFilterText() const { return Text(); }
    virtual QVariant ReadValue() const { return QVariant(Text()); }
    virtual bool IsValidChar(QChar Ch) const;

    // Link notifications.
    virtual void DataChanged();
    virtual void EditingChanged() { UpdateReadOnlyState(); }
    virtual void ActiveChanged();
    // Shows a text or value without writing it.
    virtual void PutText(const QString &S);
    virtual void PutValue(const QVariant &V);
    virtual void UpdateReadOnlyState();
    virtual void ResetMaxLength();
    virtual void UpdateImageIndex();
    virtual void SetFocused(bool Value);
    // The main button: a drop-down, or a step for an up-down button (Param: the lower half was pressed).
    virtual void DropDownFromButton(bool Param);
    virtual void EditButtonDown(TEditButtonControlEh *Sender, bool TopButton, bool &AutoRepeat, bool &Handled);
    virtual void EditButtonClick(TEditButtonControlEh *Sender);
    // Whether the editor claims Enter or Esc from the window's shortcuts.
    virtual bool WantsSpecialKey(int Key) const;
    // Handles a key while a drop-down is open; true when consumed.
    virtual bool DropDownKey(QKeyEvent *Event);
    // The editor's own keys, within the one keyPressEvent of the base: KeyDown after the holder's look at the key
    // and the buttons' shortcuts; KeyPress for the character typed, after the holder, OnKeyPress and the checks
    // of the base (it may change Ch, which is then typed instead). Each answers true when it consumed the key.
    virtual bool KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift);
    virtual bool KeyPress(QKeyEvent *Event, QChar &Ch);
    virtual bool StepByWheel(bool Up);

    void SetMask(const QString &Mask);
    void UpdateDisplayAlignment();
    // The link's Edit, keeping the caret and the selection over the reload it causes.
    bool StartEditing();
    bool EditCanModify() override;
    void Reset() override;
    void Change() override;

    bool event(QEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void keyReleaseEvent(QKeyEvent *Event) override;
    void focusInEvent(QFocusEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;
    void enterEvent(QEnterEvent *Event) override;
    void leaveEvent(QEvent *Event) override;

    // Shared by the descendants: dataset edit mode for a bound setter, with the clear error for a binding that
    // has nothing to write to.
    void BeginSetterWrite();
    // Runs UpdateData, reloading from the data when it raises (then raising again).
    void WriteBackFromSetter();
    // Runs OnUpdateData, if any; answers whether the handler did the writing itself.
    bool DoUpdateData();
    bool m_inUpdateData = false;
    bool m_buttonOpenedDropDown = false;
    bool m_droppedDown = false;
    QPointer<QWidget> m_holder;
    IInplaceEditHolderEh *m_holderIntf = nullptr;

    void UpdateEditButtons();
    void UpdateEditButtonsState();
    void UpdateBorderState();
    void UpdateMRUList();
    void MRUListDropDown();
    void MRUListCloseUp(bool Accept);
    bool ApplyButtonShortCut(QKeyEvent *Event);
    bool IsButtonShortCut(QKeyEvent *Event) const;
    static void ForwardKey(QWidget *Target, QKeyEvent *Event);
    // A write-back the data refused: reported once the event is done, the focus taken back, the text kept.
    void ReportWriteBackFailure(const QString &Message);

private:
    int ButtonIndexOf(const TEditButtonControlEh *Control) const;
    void PopUpButtonMenu(TEditButtonControlEh *Control, QMenu *Menu);
    QRect ImageRect() const;
    void UpdateMargins();
    void AdjustHeight();

    std::unique_ptr<TFieldDataLinkEh> m_dataLink;
    std::unique_ptr<TEditButtonEh> m_editButton;
    std::unique_ptr<TEditButtonsEh> m_editButtons;
    std::unique_ptr<TEditImageEh> m_editImage;
    std::unique_ptr<TMRUListEh> m_mruList;
    QPointer<TMRUListboxEh> m_mruListbox;
    std::vector<TEditButtonSlotEh> m_buttonSlots;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    bool m_alignmentAssigned = false;
    bool m_editMaskAssigned = false;
    bool m_readOnly = false;
    bool m_flat = false;
    bool m_alwaysShowBorder = false;
    bool m_autoSize = true;
    bool m_autoSelect = true;
    bool m_focused = false;
    bool m_mouseAbove = false;
    bool m_borderActive = false;
    bool m_autoMaxLength = false;
    bool m_takingFocusBack = false;
    int m_buttonsWidth = 0;
    int m_imageAreaWidth = 0;
    int m_menuClosedButton = -1;
};

class TDBEditEh : public TCustomDBEditEh
{
    Q_OBJECT
public:
    using TCustomDBEditEh::TCustomDBEditEh;
};

// ---------------------------------------------------------------------------------------------------------
// Date-time edit
// ---------------------------------------------------------------------------------------------------------

enum TDateTimeKindEh : std::uint8_t { dtkDateEh, dtkTimeEh, dtkDateTimeEh, dtkCustomEh };

struct TDateTimeElementEh
{
    int Pos = -1; // 1-based in the edit text
    int Len = -1;
    bool Present = false;
};

// Year, month, day, hour, minute, second.
enum TDateTimeElementIndexEh : std::uint8_t { dteYear, dteMonth, dteDay, dteHour, dteMin, dteSec };
using TDateTimeElementsEh = std::array<TDateTimeElementEh, 6>;
using TDateTimePartsEh = std::array<int, 6>; // -1: not given

// The layout grammar of the date editor, pure and shared by the editor's tests.
namespace DateTimeEditFormat {
// Two-digit years fall into the hundred years from the current year - 60 on.
int ExpandTwoDigitYear(int Y);
// Raises on a bad element length, a too long element or a repeated element.
void BuildMask(const QString &EditFormat, TDateTimeElementsEh &Elements, QString &Mask);
QString ToDisplayFormat(const QString &EditFormat);
QString ToTemplate(const QString &EditFormat);
QString DefaultDateEditFormat(bool FourDigitYear);
bool ParseText(const QString &Text, const TDateTimeElementsEh &Elements, TDateTimePartsEh &Parts);
// Merges the parts into V (Null or a date-time); false when they do not form one (V becomes Null).
bool MergeParts(TDateTimePartsEh Parts, const TDateTimeElementsEh &Elements, QVariant &V, bool Normalize);
// Steps the element of the template under Pos (1-based); Pos and Len receive the element.
void StepText(const QString &Text, const QString &Template, bool Up, QString &NewText, int &Len, int &Pos);
} // namespace DateTimeEditFormat

class TCustomDBDateTimeEditEh : public TCustomDBEditEh
{
    Q_OBJECT
public:
    explicit TCustomDBDateTimeEditEh(QWidget *Parent = nullptr);
    ~TCustomDBDateTimeEditEh() override;

    TDateTimeKindEh Kind() const { return m_kind; }
    void SetKind(TDateTimeKindEh Value);
    QString EditFormat() const { return m_editFormat; }
    void SetEditFormat(const QString &Value);
    QString DisplayFormat() const { return m_displayFormat; }
    const TDateTimeElementsEh &Elements() const { return m_elements; }
    bool CalendarDropped() const { return m_calendarDropped; }
    TPopupMonthCalendarEh *Calendar();

    void ValidateEdit() override;
    void DropDown() override;
    void CloseUp(bool Accept) override;
    void StoreTextToField() override;

    TCloseUpEventEh OnCloseUp;
    std::function<void(QObject *Sender)> OnDropDown;

protected:
    QString MRUFilterText() const override;
    QVariant ReadValue() const override { return m_value; }
    void DataChanged() override;
    void PutText(const QString &S) override;
    void PutValue(const QVariant &V) override;
    void Change() override;
    void DropDownFromButton(bool Param) override;
    bool DropDownKey(QKeyEvent *Event) override;
    bool StepByWheel(bool Up) override;
    bool KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift) override;
    bool KeyPress(QKeyEvent *Event, QChar &Ch) override;
    void focusInEvent(QFocusEvent *Event) override;

private:
    void UpdateFourDigitYear();
    void UpdateEditFormat();
    void TextToValue();
    void SetTextGuarded(const QString &S);
    void StepElement(bool Up);
    void JumpToNextElement(QChar Separator);

    TDateTimeKindEh m_kind = dtkDateEh;
    QString m_editFormat;
    QString m_displayFormat;
    TDateTimeElementsEh m_elements;
    bool m_fourDigitYear = true;
    bool m_fourDigitYearKnown = false;
    QVariant m_value;
    bool m_settingText = false;
    bool m_inValidate = false;
    bool m_calendarDropped = false;
    QPointer<TPopupMonthCalendarEh> m_calendar;
};

class TDBDateTimeEditEh : public TCustomDBDateTimeEditEh
{
    Q_OBJECT
public:
    using TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh;
};

// ---------------------------------------------------------------------------------------------------------
// Combo box
// ---------------------------------------------------------------------------------------------------------

struct TDropDownBoxEh
{
    TDropDownAlign Align = daLeft;
    bool AutoDrop = false;
    int Rows = 7;
    bool Sizable = false;
    int Width = 0; // -1 fits the widest item; 0 or less otherwise: the editor's width

    void Assign(const TDropDownBoxEh &Source);
};

using TNotInListEventEh = std::function<void(QObject *Sender, const QString &NewText, bool &RecheckInList)>;

class TCustomDBComboBoxEh : public TCustomDBEditEh
{
    Q_OBJECT
public:
    explicit TCustomDBComboBoxEh(QWidget *Parent = nullptr);
    ~TCustomDBComboBoxEh() override;

    const QStringList &Items() const { return m_items; }
    void SetItems(const QStringList &Value);
    const QStringList &KeyItems() const { return m_keyItems; }
    void SetKeyItems(const QStringList &Value);
    TDropDownBoxEh &DropDownBox() { return m_dropDownBox; }
    int ItemIndex() const { return m_itemIndex; }
    void SetItemIndex(int Index);
    int ItemsCount() const { return m_itemsCount; }
    bool KeyMode() const { return m_keyMode; }
    bool ListDropped() const { return m_listDropped; }
    TPopupListboxEh *ListBox();
    void Clear();

    void DropDown() override;
    void CloseUp(bool Accept) override;
    void StoreTextToField() override;
    void UpdateData() override;

    TNotInListEventEh OnNotInList;
    TCloseUpEventEh OnCloseUp;
    std::function<void(QObject *Sender)> OnDropDown;

protected:
    QVariant ReadValue() const override;
    bool IsValidChar(QChar Ch) const override;
    Qt::Alignment DefaultAlignment() const override;
    void DataChanged() override;
    void PutText(const QString &S) override;
    void PutValue(const QVariant &V) override;
    void UpdateReadOnlyState() override;
    void ResetMaxLength() override;
    void Change() override;
    void DropDownFromButton(bool Param) override;
    bool DropDownKey(QKeyEvent *Event) override;
    bool StepByWheel(bool Up) override;
    bool KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift) override;
    bool KeyPress(QKeyEvent *Event, QChar &Ch) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;

    bool LocateText(const QString &T, bool Partial);
    bool ProcessSearchText(const QString &S);

private:
    void UpdateKeyMode();
    void UpdateItemIndexFromText();
    void SelectItem(int Index);
    void StepItem(bool Up);
    bool MayModify();

    QStringList m_items;
    QStringList m_keyItems;
    TDropDownBoxEh m_dropDownBox;
    int m_itemIndex = -1;
    int m_itemsCount = 0;
    bool m_keyMode = false;
    QVariant m_keyValue;
    bool m_listDropped = false;
    QPointer<TPopupListboxEh> m_listBox;
};

class TDBComboBoxEh : public TCustomDBComboBoxEh
{
    Q_OBJECT
public:
    using TCustomDBComboBoxEh::TCustomDBComboBoxEh;
};

// ---------------------------------------------------------------------------------------------------------
// Number edit
// ---------------------------------------------------------------------------------------------------------

// The digits pattern of a display format's first section ("#", ",", ".", "0"), quoted text and exponent digits
// left out.
QString ExtractNumberEditFormat(const QString &Format);
// A thousand separator before every group of three integer digits (with UseSeparators), sign and fraction kept.
QString InsertThousandSeparators(const QString &S, bool UseSeparators);

class TCustomDBNumberEditEh : public TCustomDBEditEh
{
    Q_OBJECT
public:
    explicit TCustomDBNumberEditEh(QWidget *Parent = nullptr);
    ~TCustomDBNumberEditEh() override;

    QString DisplayFormat() const;
    void SetDisplayFormat(const QString &Value);
    bool Currency() const;
    void SetCurrency(bool Value);
    int DecimalPlaces() const { return m_decimalPlaces; }
    void SetDecimalPlaces(int Value);
    double Increment() const { return m_increment; }
    void SetIncrement(double Value) { m_increment = Value; }
    double MinValue() const;
    void SetMinValue(double Value);
    double MaxValue() const;
    void SetMaxValue(double Value);
    QString EditFormat() const { return m_editFormat; }
    bool CalcDropped() const { return m_calcDropped; }
    TPopupCalculatorEh *Calculator();

    // Clamps to the bounds and rounds halves to even at DecimalPlaces.
    double CheckValue(double X) const;
    QString DisplayText() const;

    void DropDown() override;
    void CloseUp(bool Accept) override;
    void StoreTextToField() override;

    TCloseUpEventEh OnCloseUp;
    std::function<void(QObject *Sender)> OnDropDown;

protected:
    QVariant ReadValue() const override { return m_value; }
    bool IsValidChar(QChar Key) const override;
    bool EditsInAlignment() const override { return true; } // a number is edited where it shows
    Qt::Alignment DefaultAlignment() const override;
    void DataChanged() override;
    void PutText(const QString &S) override;
    void PutValue(const QVariant &V) override;
    void Change() override;
    void DropDownFromButton(bool Param) override;
    bool DropDownKey(QKeyEvent *Event) override;
    bool StepByWheel(bool Up) override;
    bool KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift) override;
    bool KeyPress(QKeyEvent *Event, QChar &Ch) override;

private:
    QString NormalizeNumberText(const QString &S) const;
    QString FormatDisplayValue(double X) const;
    void ReformatText(const QString &S);
    void TextToValue();
    void SetTextGuarded(const QString &S);
    void StepValue(bool Up);
    void Paste();

    QString m_displayFormat;
    bool m_displayFormatAssigned = false;
    bool m_currency = false;
    bool m_currencyAssigned = false;
    double m_minValue = 0;
    bool m_minValueAssigned = false;
    double m_maxValue = 0;
    bool m_maxValueAssigned = false;
    int m_decimalPlaces = 2;
    double m_increment = 1;
    QString m_editFormat;
    QVariant m_value;
    bool m_settingText = false;
    bool m_calcDropped = false;
    QPointer<TPopupCalculatorEh> m_calculator;
};

class TDBNumberEditEh : public TCustomDBNumberEditEh
{
    Q_OBJECT
public:
    using TCustomDBNumberEditEh::TCustomDBNumberEditEh;
};

// ---------------------------------------------------------------------------------------------------------
// Check box
// ---------------------------------------------------------------------------------------------------------


class TCustomDBCheckBoxEh : public QWidget
{
    Q_OBJECT
public:
    explicit TCustomDBCheckBoxEh(QWidget *Parent = nullptr);
    ~TCustomDBCheckBoxEh() override;

    TDataSource *DataSource() const { return m_dataLink->DataSource(); }
    void SetDataSource(TDataSource *Value);
    QString DataField() const { return m_dataLink->FieldName(); }
    void SetDataField(const QString &Value);
    TField *Field() const { return m_dataLink->Field(); }
    TFieldDataLinkEh *DataLink() const { return m_dataLink.get(); }
    bool IsDataIndependent() const { return m_dataLink->DataIndependent(); }

    TCheckBoxState State() const { return m_state; }
    // Writes back at once; a bound box first puts the dataset into edit mode.
    void SetState(TCheckBoxState Value);
    bool Checked() const { return m_state == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    QString ValueChecked() const { return m_valueChecked; }
    void SetValueChecked(const QString &Value);
    QString ValueUnchecked() const { return m_valueUnchecked; }
    void SetValueUnchecked(const QString &Value);
    bool AllowGrayed() const { return m_allowGrayed; }
    void SetAllowGrayed(bool Value) { m_allowGrayed = Value; }
    bool ReadOnly() const { return m_dataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { m_dataLink->SetReadOnly(Value); }
    // Qt::AlignRight: the caption right of the box (the default); Qt::AlignLeft: left of it.
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment Value);
    bool Flat() const { return m_flat; }
    void SetFlat(bool Value);
    bool AlwaysShowBorder() const { return m_alwaysShowBorder; }
    void SetAlwaysShowBorder(bool Value);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &Value);
    bool StateModified() const { return m_stateModified; }

    // The state the data gives.
    TCheckBoxState GetFieldState() const;
    static bool ValueMatches(const QString &List, const QString &Text);
    void Toggle();
    void UpdateData();
    // Where the box and the caption are painted.
    QRect BoxRect() const;
    QRect CaptionRect() const;

    TUpdateDataEventEh OnUpdateData;
    std::function<void(QObject *Sender)> OnClick;

    QSize sizeHint() const override;

protected:
    bool event(QEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void keyReleaseEvent(QKeyEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;
    void enterEvent(QEnterEvent *Event) override;
    void leaveEvent(QEvent *Event) override;

private:
    void InternalSetState(TCheckBoxState Value);
    void WriteStateToField();
    void DataChange();
    bool BoxOnRight() const;

    std::unique_ptr<TFieldDataLinkEh> m_dataLink;
    TCheckBoxState m_state = cbUnchecked;
    QString m_valueChecked = QStringLiteral("True");
    QString m_valueUnchecked = QStringLiteral("False");
    QString m_caption;
    Qt::Alignment m_alignment = Qt::AlignRight;
    bool m_allowGrayed = false;
    bool m_flat = false;
    bool m_alwaysShowBorder = false;
    bool m_stateModified = false;
    bool m_inUpdateData = false;
    bool m_spacePressed = false;
    bool m_mousePressed = false;
    bool m_mouseInControl = false;
    int m_shortcutId = 0;
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh
{
    Q_OBJECT
public:
    using TCustomDBCheckBoxEh::TCustomDBCheckBoxEh;
};
