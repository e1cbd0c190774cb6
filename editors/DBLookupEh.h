#pragma once

// The lookup combo box: an edit field that chooses a key from a list dataset and shows a list field's text for
// it. DataSource and DataField bind it to the field(s) holding the key, ListSource supplies the records,
// KeyField names the list's key field(s), ListField the fields its drop-down grid shows and ListFieldIndex the
// one whose text the field shows. A DataField that is a lookup field brings list, key and text field itself
// (lookup mode). Without any of these the control is a plain edit.
//
// The source is split by topic: DBLookupEh.cpp (binding, key value, drop-down), DBLookupEhKeys.cpp (typing,
// searching, keys and mouse).

#include "DBCtrlsEh.h"
#include "DBLookupGridsEh.h"

#include <QPointer>

class TCustomDBLookupComboboxEh;

enum TDBLookupComboboxEhStyle : std::uint8_t { csDropDownEh, csDropDownListEh };

// What the drop-down settings reach in the grid their owner drops down.
class IDropDownBoxOwnerEh
{
public:
    virtual ~IDropDownBoxOwnerEh() = default;
    virtual void DropDownBoxListSourceChanged(TDataSource *Source) = 0;
    virtual TDBLookupGridEh *GetDropDownBoxGrid() const = 0;
    virtual TDBLookupGridEhOptions GetDropDownBoxOptions() const = 0;
    virtual void SetDropDownBoxOptions(TDBLookupGridEhOptions Value) = 0;
};

// The combo's field data link: several fields at once; it may hold a free text while unbound.
class TDataSourceLinkEh : public TFieldDataLinkEh
{
public:
    explicit TDataSourceLinkEh(TCustomDBLookupComboboxEh *Combo);
    TCustomDBLookupComboboxEh *OwnerCombo;
    // The unbound value is a text typed that names no record.
    bool HoldsText = false;

protected:
    void LayoutChanged() override;
};

// The link to the list's data source.
class TListSourceLinkEh : public TDataLink
{
public:
    explicit TListSourceLinkEh(TCustomDBLookupComboboxEh *Combo);
    TCustomDBLookupComboboxEh *OwnerCombo;

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;
};

// The drop-down settings; Rows and Width remember the user's resizing of the open list.
class TLookupComboboxDropDownBoxEh : public TColumnDropDownBoxEh
{
public:
    explicit TLookupComboboxDropDownBoxEh(IDropDownBoxOwnerEh *Owner);

    TDropDownAlign Align = daLeft;
    bool AutoDrop = false;
    int Rows = 7;
    bool ShowTitles = false;
    bool Sizable = false;
    // -1: the columns' width; 0 or less: the combo's width; else pixels. Never narrower than the combo.
    int Width = 0;
    TSpecRowEh &SpecRow() { return *m_specRow; }
    void SetSpecRow(const TSpecRowEh &Value) { m_specRow->Assign(Value); }
    void SetListSource(TDataSource *Value);
    // The drop-down grid's own columns and options.
    TDBGridColumnsEh *Columns() const;
    TDBLookupGridEhOptions Options() const;
    void SetOptions(TDBLookupGridEhOptions Value);
    void Assign(const TLookupComboboxDropDownBoxEh &Source);

private:
    IDropDownBoxOwnerEh *m_owner;
    std::unique_ptr<TSpecRowEh> m_specRow;
};

class TCustomDBLookupComboboxEh : public TCustomDBEditEh, public IDropDownBoxOwnerEh
{
    Q_OBJECT
public:
    explicit TCustomDBLookupComboboxEh(QWidget *Parent = nullptr);
    ~TCustomDBLookupComboboxEh() override;

    // ---- Binding
    void SetDataSource(TDataSource *Value);
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &Value);
    // Empty in lookup mode, where the lookup field names the key.
    QString KeyField() const { return m_lookupMode ? QString() : m_keyField; }
    void SetKeyField(const QString &Value);
    QString ListField() const { return m_listField; }
    void SetListField(const QString &Value);
    int ListFieldIndex() const { return m_listFieldIndex; }
    void SetListFieldIndex(int Value);
    // Nil in lookup mode.
    TDataSource *ListSource() const { return m_lookupMode ? nullptr : m_listSource.data(); }
    void SetListSource(TDataSource *Value);
    TDBLookupComboboxEhStyle Style() const { return m_style; }
    void SetStyle(TDBLookupComboboxEhStyle Value);
    TLookupComboboxDropDownBoxEh &DropDownBox() { return *m_dropDownBox; }

    // ---- Key and state
    QVariant KeyValue() const { return m_keyValue; }
    void SetKeyValue(const QVariant &Value);
    bool PlainEditMode() const { return m_plainEditMode; }
    bool ListActive() const { return m_listActive; }
    bool ListVisible() const { return m_listVisible; }
    bool LookupMode() const { return m_lookupMode; }
    TField *DisplayListField() const { return m_displayListField; }
    const QList<TField *> &ListFields() const { return m_listFields; }
    const TFieldsArrEh &KeyDataFields() const { return m_keyDataFields; }
    TPopupDataGridEh *DropDownGrid() const { return m_dropDownGrid; }
    TDataSourceLinkEh *SourceLink() const { return m_sourceLink; }
    TListSourceLinkEh *ListLink() const { return m_listLink.get(); }

    // ---- Drop-down
    bool IsButtonEnabled() const override;
    void DropDown() override;
    void CloseUp(bool Accept) override;
    void UpdateData() override;
    void StoreTextToField() override;

    // IDropDownBoxOwnerEh
    void DropDownBoxListSourceChanged(TDataSource *Source) override;
    TDBLookupGridEh *GetDropDownBoxGrid() const override;
    TDBLookupGridEhOptions GetDropDownBoxOptions() const override;
    void SetDropDownBoxOptions(TDBLookupGridEhOptions Value) override;

    TCloseUpEventEh OnCloseUp;
    std::function<void(QObject *Sender)> OnDropDown;
    std::function<void(QObject *Sender)> OnKeyValueChanged;
    TNotInListEventEh OnNotInList;

    // Run by the links.
    virtual void ResolveDataFields();
    virtual void ResolveListFields();
    virtual void ListDataChanged() {}

protected:
    virtual bool CanChangeKey(bool Edit);
    virtual bool IsKeyValueCompatible(const TFieldsArrEh &KeyFields, const QVariant &Value) const;
    virtual int GetListFieldsWidth() const;
    virtual bool LocateDisplayText(const QString &Text, bool Partial);
    virtual bool FindKeyInSource(TDataSource *Source);
    virtual bool UsesDropDownBoxSource() const;
    virtual void KeyValueUpdated();
    virtual void TypeInText(const QString &Text);
    virtual void ChooseKeyValue(const QVariant &Value);
    virtual void SpecRowChanged();
    virtual void UpdateListSource();
    virtual bool FindKeyRecord();
    virtual void SelectAllText();

    // ---- The edit base's hooks
    Qt::Alignment DefaultAlignment() const override;
    QVariant ReadValue() const override;
    bool IsValidChar(QChar Ch) const override;
    void ActiveChanged() override;
    void DataChanged() override;
    void PutText(const QString &S) override;
    void PutValue(const QVariant &V) override;
    void UpdateReadOnlyState() override;
    void SetFocused(bool Value) override;
    void DropDownFromButton(bool Param) override;
    bool WantsSpecialKey(int Key) const override;
    bool DropDownKey(QKeyEvent *Event) override;
    bool KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift) override;
    bool KeyPress(QKeyEvent *Event, QChar &Ch) override;
    bool StepByWheel(bool Up) override;
    void keyPressEvent(QKeyEvent *Event) override;
    void keyReleaseEvent(QKeyEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void wheelEvent(QWheelEvent *Event) override;

    void StepKey(bool Previous);
    // The key field(s) of the list: the combo's KeyField, or the lookup field's key in lookup mode.
    QString ListKeyFieldNames() const;
    TDataSet *ListDataSet() const;
    int EffectiveListFieldIndex() const;
    // Sets the text as the key shows it (the special row's, the list's or none), the modified state kept.
    void ShowKeyText();
    void SetTextKeepingModified(const QString &S);

    bool m_droppedByClick = false;
    bool m_changeDuringSearch = false;

private:
    friend class TDataSourceLinkEh;
    void updatePlainEditMode();
    void checkCircularLink() const;
    bool requiredKey() const;
    bool csDropDownTyping(QKeyEvent *Event);
    // Runs a user action; a write-back the data refuses is reported and the focus stays.
    void userAction(const std::function<void()> &Fn);

    TDataSourceLinkEh *m_sourceLink;
    std::unique_ptr<TListSourceLinkEh> m_listLink;
    std::unique_ptr<TLookupComboboxDropDownBoxEh> m_dropDownBox;
    TDataSource m_lookupSource;
    QPointer<TDataSource> m_listSource;
    QPointer<TPopupDataGridEh> m_dropDownGrid;
    QString m_dataField;
    QString m_keyField;
    QString m_listField;
    int m_listFieldIndex = 0;
    TDBLookupComboboxEhStyle m_style = csDropDownEh;
    QVariant m_keyValue;
    TFieldsArrEh m_dataFields;
    TFieldsArrEh m_keyDataFields;
    QString m_keyDataFieldNames;
    TFieldsArrEh m_listKeyFields;
    QList<TField *> m_listFields;
    TField *m_displayListField = nullptr;
    TField *m_lookupField = nullptr;
    bool m_resolvingData = false;
    bool m_plainEditMode = true;
    bool m_listActive = false;
    bool m_listVisible = false;
    bool m_lookupMode = false;
    bool m_gridLayoutChanged = false;
    bool m_forwardingDrag = false;
};

class TDBLookupComboboxEh : public TCustomDBLookupComboboxEh
{
    Q_OBJECT
public:
    using TCustomDBLookupComboboxEh::TCustomDBLookupComboboxEh;
};
