// The lookup combo box: binding, list resolution, the key value between list, control and field, writing back
// and the drop-down grid.
#include "DBLookupEh.h"

#include "DatabaseError.h"
#include "Variant.h"

#include <QFontMetrics>

namespace {

const QString kLookupDefined = QStringLiteral("Property already defined by lookup field");
const QString kCircular = QStringLiteral("Circular datalinks are not allowed");

// Keys compare by value; an error in comparing makes them different.
bool SameKeyValue(const QVariant &a, const QVariant &b)
{
    const bool aList = a.typeId() == QMetaType::QVariantList;
    const bool bList = b.typeId() == QMetaType::QVariantList;
    if (aList || bList)
        return SameVariantValues(a, b);
    const bool aNull = a.isNull() || !a.isValid();
    const bool bNull = b.isNull() || !b.isValid();
    if (aNull || bNull)
        return aNull == bNull;
    try {
        return Variant::fromQVariant(a) == Variant::fromQVariant(b);
    } catch (...) {
        return false;
    }
}

} // namespace

// ---- Links ---------------------------------------------------------------------------------------------------

TDataSourceLinkEh::TDataSourceLinkEh(TCustomDBLookupComboboxEh *Combo)
    : OwnerCombo(Combo)
{
    SetMultiFields(true);
}

void TDataSourceLinkEh::LayoutChanged()
{
    TFieldDataLinkEh::LayoutChanged();
    if (OwnerCombo)
        OwnerCombo->ResolveDataFields();
}

TListSourceLinkEh::TListSourceLinkEh(TCustomDBLookupComboboxEh *Combo)
    : OwnerCombo(Combo)
{
    SetVisualControl(true);
}

void TListSourceLinkEh::ActiveChanged()
{
    if (OwnerCombo)
        OwnerCombo->ResolveListFields();
}

void TListSourceLinkEh::LayoutChanged()
{
    if (OwnerCombo)
        OwnerCombo->ResolveListFields();
}

void TListSourceLinkEh::DataSetChanged()
{
    if (OwnerCombo)
        OwnerCombo->ListDataChanged();
}

// ---- Drop-down settings --------------------------------------------------------------------------------------

TLookupComboboxDropDownBoxEh::TLookupComboboxDropDownBoxEh(IDropDownBoxOwnerEh *Owner)
    : TColumnDropDownBoxEh(nullptr)
    , m_owner(Owner)
    , m_specRow(std::make_unique<TSpecRowEh>(dynamic_cast<QWidget *>(Owner)))
{
}

void TLookupComboboxDropDownBoxEh::SetListSource(TDataSource *Value)
{
    TColumnDropDownBoxEh::SetListSource(Value);
    if (m_owner)
        m_owner->DropDownBoxListSourceChanged(Value);
}

TDBGridColumnsEh *TLookupComboboxDropDownBoxEh::Columns() const
{
    TDBLookupGridEh *grid = m_owner ? m_owner->GetDropDownBoxGrid() : nullptr;
    return grid ? &grid->Columns() : nullptr;
}

TDBLookupGridEhOptions TLookupComboboxDropDownBoxEh::Options() const
{
    return m_owner ? m_owner->GetDropDownBoxOptions() : 0;
}

void TLookupComboboxDropDownBoxEh::SetOptions(TDBLookupGridEhOptions Value)
{
    if (m_owner)
        m_owner->SetDropDownBoxOptions(Value);
}

void TLookupComboboxDropDownBoxEh::Assign(const TLookupComboboxDropDownBoxEh &Source)
{
    TColumnDropDownBoxEh::Assign(Source);
    Align = Source.Align;
    AutoDrop = Source.AutoDrop;
    Rows = Source.Rows;
    ShowTitles = Source.ShowTitles;
    Sizable = Source.Sizable;
    Width = Source.Width;
    m_specRow->Assign(*Source.m_specRow);
}

// ---- The combo -----------------------------------------------------------------------------------------------

TCustomDBLookupComboboxEh::TCustomDBLookupComboboxEh(QWidget *Parent)
    : TCustomDBEditEh(Parent, std::make_unique<TDataSourceLinkEh>(nullptr))
    , m_listLink(std::make_unique<TListSourceLinkEh>(this))
{
    m_sourceLink = static_cast<TDataSourceLinkEh *>(DataLink());
    m_sourceLink->OwnerCombo = this;
    m_dropDownBox = std::make_unique<TLookupComboboxDropDownBoxEh>(this);
    m_dropDownBox->SpecRow().OnRowChanged = [this](TSpecRowEh *) { SpecRowChanged(); };
    m_dropDownGrid = new TPopupDataGridEh(this);
    m_dropDownGrid->setObjectName(QStringLiteral("DropDownGrid"));
    m_dropDownGrid->hide();
    m_dropDownGrid->SetCtl3D(true);
    m_dropDownGrid->OnMouseCloseUp = [this](TPopupDataGridEh *, bool Accept) {
        userAction([&] { CloseUp(Accept); });
    };
    m_dropDownGrid->OnUserKeyValueChange = [](TPopupDataGridEh *) {};
    EditButton()->SetVisible(true);
    EditButton()->SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    updatePlainEditMode();
    UpdateReadOnlyState();
}

TCustomDBLookupComboboxEh::~TCustomDBLookupComboboxEh()
{
    m_listLink->OwnerCombo = nullptr;
    m_listLink->SetDataSource(nullptr);
    m_sourceLink->OwnerCombo = nullptr;
    m_dropDownBox->SpecRow().OnRowChanged = nullptr;
    if (m_dropDownGrid) {
        m_dropDownGrid->OnMouseCloseUp = nullptr;
        m_dropDownGrid->SetListSource(nullptr);
    }
}

// ---- Binding -------------------------------------------------------------------------------------------------

void TCustomDBLookupComboboxEh::SetDataSource(TDataSource *Value)
{
    TCustomDBEditEh::SetDataSource(Value);
    ResolveDataFields();
}

void TCustomDBLookupComboboxEh::SetDataField(const QString &Value)
{
    if (Value == m_dataField)
        return;
    m_dataField = Value;
    ResolveDataFields();
}

void TCustomDBLookupComboboxEh::SetKeyField(const QString &Value)
{
    if (m_lookupMode)
        throw EDatabaseError(kLookupDefined);
    if (Value == m_keyField)
        return;
    m_keyField = Value;
    ResolveListFields();
}

void TCustomDBLookupComboboxEh::SetListField(const QString &Value)
{
    if (Value == m_listField)
        return;
    m_listField = Value;
    ResolveListFields();
}

void TCustomDBLookupComboboxEh::SetListFieldIndex(int Value)
{
    if (Value == m_listFieldIndex)
        return;
    m_listFieldIndex = Value;
    ResolveListFields();
}

void TCustomDBLookupComboboxEh::SetListSource(TDataSource *Value)
{
    if (m_lookupMode)
        throw EDatabaseError(kLookupDefined);
    m_listSource = Value;
    UpdateListSource();
}

void TCustomDBLookupComboboxEh::SetStyle(TDBLookupComboboxEhStyle Value)
{
    m_style = Value;
    UpdateReadOnlyState();
}

QString TCustomDBLookupComboboxEh::ListKeyFieldNames() const
{
    return m_lookupMode && m_lookupField ? m_lookupField->LookupKeyFields() : m_keyField;
}

TDataSet *TCustomDBLookupComboboxEh::ListDataSet() const
{
    return m_listLink->DataSet();
}

int TCustomDBLookupComboboxEh::EffectiveListFieldIndex() const
{
    const int index = m_listFields.indexOf(m_displayListField);
    return index >= 0 ? index : 0;
}

void TCustomDBLookupComboboxEh::checkCircularLink() const
{
    // A list dataset fed by the control's own source would move under the control while it chooses.
    TDataSource *list = m_listLink->DataSource();
    TDataSet *bound = DataSource() ? DataSource()->DataSet() : nullptr;
    if (list && bound && list->IsLinkedTo(bound))
        throw EDatabaseError(kCircular);
}

void TCustomDBLookupComboboxEh::updatePlainEditMode()
{
    m_plainEditMode = !DataSource() && m_dataField.isEmpty() && !m_listSource && m_listField.isEmpty()
                      && m_keyField.isEmpty();
}

void TCustomDBLookupComboboxEh::ResolveDataFields()
{
    if (m_resolvingData)
        return;
    m_resolvingData = true;
    auto finish = [this] {
        const QString names = m_keyDataFieldNames.isEmpty() ? m_dataField : m_keyDataFieldNames;
        if (DataLink()->FieldName() != names)
            DataLink()->SetFieldName(names);
        updatePlainEditMode();
        UpdateReadOnlyState();
        UpdateEditButtonsState();
        m_resolvingData = false;
        if (!m_plainEditMode)
            DataLink()->Reset();
    };
    try {
        m_dataFields.clear();
        m_keyDataFields.clear();
        m_keyDataFieldNames.clear();
        TDataSet *ds = DataSource() ? DataSource()->DataSet() : nullptr;
        TField *lookup = nullptr;
        if (ds && ds->Active() && !m_dataField.isEmpty()) {
            checkCircularLink();
            FieldsArrayFromNames(ds, this, m_dataField, m_dataFields);
            if (m_dataFields.size() == 1 && m_dataFields.first()->FieldKind() == fkLookup)
                lookup = m_dataFields.first();
            if (lookup)
                FieldsArrayFromNames(ds, this, lookup->KeyFields(), m_keyDataFields);
            else
                m_keyDataFields = m_dataFields;
            QStringList names;
            for (TField *field : m_keyDataFields)
                names.append(field->FieldName());
            m_keyDataFieldNames = names.join(QLatin1Char(';'));
        }
        const bool lookupChanged = (lookup != nullptr) != m_lookupMode || lookup != m_lookupField;
        m_lookupMode = lookup != nullptr;
        m_lookupField = lookup;
        m_lookupSource.SetDataSet(lookup ? lookup->LookupDataSet() : nullptr);
        if (lookupChanged)
            UpdateListSource();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomDBLookupComboboxEh::UpdateListSource()
{
    TDataSource *source = nullptr;
    if (IsFocused() && m_dropDownBox->ListSource())
        source = m_dropDownBox->ListSource();
    else if (m_lookupMode)
        source = &m_lookupSource;
    else
        source = m_listSource;
    if (m_listLink->DataSource() != source)
        m_listLink->SetDataSource(source);
    ResolveListFields();
}

void TCustomDBLookupComboboxEh::ResolveListFields()
{
    if (m_listVisible)
        return;
    m_listActive = false;
    m_displayListField = nullptr;
    m_listFields.clear();
    m_listKeyFields.clear();
    auto finish = [this] {
        updatePlainEditMode();
        UpdateReadOnlyState();
        UpdateEditButtonsState();
        ShowKeyText();
    };
    try {
        TDataSet *ds = ListDataSet();
        const QString keyField = ListKeyFieldNames();
        if (m_listLink->Active() && ds && !keyField.isEmpty()) {
            checkCircularLink();
            FieldsArrayFromNames(ds, this, keyField, m_listKeyFields);
            FindFieldsList(&m_listFields, ds, this, m_listField);
            if (m_lookupMode) {
                const QString result = m_lookupField->LookupResultField();
                TField *display = ds->FindField(result);
                if (!display)
                    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(result));
                if (!m_listFields.contains(display))
                    m_listFields.prepend(display);
                m_displayListField = display;
            } else {
                if (m_listFields.isEmpty())
                    m_listFields = m_listKeyFields;
                // An index beyond the list fields shows the first of them.
                m_displayListField = m_listFields.value(
                    m_listFieldIndex >= 0 && m_listFieldIndex < m_listFields.size() ? m_listFieldIndex : 0);
            }
            m_listActive = m_displayListField != nullptr;
        }
    } catch (...) {
        m_listActive = false;
        m_displayListField = nullptr;
        m_listFields.clear();
        finish();
        throw;
    }
    finish();
}

void TCustomDBLookupComboboxEh::SetTextKeepingModified(const QString &S)
{
    const bool modified = Modified();
    const bool linkModified = DataLink()->Modified();
    SetEditText(S);
    SetModified(modified);
    DataLink()->SetModified(linkModified);
}

void TCustomDBLookupComboboxEh::ShowKeyText()
{
    if (m_plainEditMode)
        return;
    TSpecRowEh &specialRow = m_dropDownBox->SpecRow();
    const Variant key = Variant::fromQVariant(m_keyValue);
    QString text;
    if (m_listActive && IsFocused() && UsesDropDownBoxSource()
        && FindKeyInSource(m_lookupMode ? &m_lookupSource : m_listSource.data())) {
        TDataSource *source = m_lookupMode ? &m_lookupSource : m_listSource.data();
        if (TField *field = source->DataSet()->FindField(m_displayListField->FieldName()))
            text = field->DisplayText();
    } else if (m_listActive && specialRow.Visible()
               && (specialRow.MatchesValue(key) || (specialRow.ShowIfNotInKeyList() && !FindKeyRecord()))) {
        text = specialRow.GetCellText(EffectiveListFieldIndex());
    } else if (m_listActive && FindKeyRecord()) {
        text = m_displayListField->DisplayText();
    }
    SetTextKeepingModified(text);
    update();
}

// ---- Key -----------------------------------------------------------------------------------------------------

bool TCustomDBLookupComboboxEh::CanChangeKey(bool Edit)
{
    bool can = (m_plainEditMode || m_listActive) && !ReadOnly();
    if (can && DataSource()) {
        can = !m_keyDataFields.isEmpty()
              && std::all_of(m_keyDataFields.begin(), m_keyDataFields.end(),
                             [](TField *f) { return f->CanModify(); });
    }
    if (Edit && can && !m_keyDataFields.isEmpty())
        can = StartEditing();
    return can;
}

bool TCustomDBLookupComboboxEh::IsKeyValueCompatible(const TFieldsArrEh &KeyFields, const QVariant &Value) const
{
    return KeyValueFitsKeyFields(KeyFields, Value);
}

bool TCustomDBLookupComboboxEh::FindKeyRecord()
{
    TDataSet *ds = ListDataSet();
    if (m_keyValue.isNull() || !m_keyValue.isValid() || !ds || !ds->Active()
        || !IsKeyValueCompatible(m_listKeyFields, m_keyValue))
        return false;
    // Only a key the list lacks is a miss: a list that cannot be searched is an error the user must see, not a
    // key to show as absent (and so to write back as such).
    return ds->Locate(ListKeyFieldNames(), m_keyValue, 0);
}

bool TCustomDBLookupComboboxEh::FindKeyInSource(TDataSource *Source)
{
    TDataSet *ds = Source ? Source->DataSet() : nullptr;
    if (!ds || m_keyValue.isNull() || !m_keyValue.isValid() || !ds->Active()
        || !IsKeyValueCompatible(m_listKeyFields, m_keyValue))
        return false;
    return ds->Locate(ListKeyFieldNames(), m_keyValue, 0);
}

bool TCustomDBLookupComboboxEh::UsesDropDownBoxSource() const
{
    return m_listLink->DataSource() && m_listLink->DataSource() == m_dropDownBox->ListSource();
}

void TCustomDBLookupComboboxEh::SetKeyValue(const QVariant &Value)
{
    if (SameKeyValue(Value, m_keyValue))
        return;
    m_keyValue = Value;
    KeyValueUpdated();
}

void TCustomDBLookupComboboxEh::KeyValueUpdated()
{
    DataLink()->MarkModified();
    SetModified(true);
    if (IsDataIndependent() && !m_plainEditMode && !m_sourceLink->HoldsText) {
        // Unbound, the link keeps the control's value: a reload (the focus coming) must find the key chosen.
        DataLink()->UnboundValue = m_keyValue;
    }
    if (!m_plainEditMode && m_listActive && FindKeyRecord()
        && !m_dropDownBox->SpecRow().MatchesValue(Variant::fromQVariant(m_keyValue)))
        SetEditText(m_displayListField->DisplayText());
    if (m_listVisible && m_dropDownGrid)
        m_dropDownGrid->SetKeyValue(m_keyValue);
    if (m_style == csDropDownListEh)
        SelectAllText();
    if (OnKeyValueChanged)
        OnKeyValueChanged(this);
}

void TCustomDBLookupComboboxEh::ChooseKeyValue(const QVariant &Value)
{
    if (m_keyDataFields.isEmpty()) {
        SetKeyValue(Value);
        if (!m_inUpdateData) {
            try {
                UpdateData();
            } catch (...) {
                DataLink()->Reset();
                throw;
            }
        }
    } else if (DataLink()->Edit()) {
        SetDataSetFieldValues(DataSource()->DataSet(), m_keyDataFieldNames, Value);
    }
    if (m_listActive && !FindKeyRecord() && !m_dropDownBox->SpecRow().MatchesValue(Variant::fromQVariant(m_keyValue)))
        SetEditText(QString());
}

void TCustomDBLookupComboboxEh::SelectAllText()
{
    // All selected, the caret at the start.
    const int length = int(EditText().size());
    setSelection(length, -length);
}

void TCustomDBLookupComboboxEh::SpecRowChanged()
{
    DataChanged();
    ResolveListFields();
    if (m_dropDownGrid)
        m_dropDownGrid->SpecRow().Assign(m_dropDownBox->SpecRow());
}

// ---- Value and text ------------------------------------------------------------------------------------------

QVariant TCustomDBLookupComboboxEh::ReadValue() const
{
    // A plain edit has no list to take a key from: its value is its text.
    if (m_plainEditMode)
        return EditText().isEmpty() ? QVariant() : QVariant(EditText());
    return m_keyValue;
}

Qt::Alignment TCustomDBLookupComboboxEh::DefaultAlignment() const
{
    return m_plainEditMode ? TCustomDBEditEh::DefaultAlignment() : Qt::AlignLeft;
}

bool TCustomDBLookupComboboxEh::IsValidChar(QChar Ch) const
{
    if (m_listActive && m_displayListField)
        return m_displayListField->IsValidChar(Ch);
    return TCustomDBEditEh::IsValidChar(Ch);
}

void TCustomDBLookupComboboxEh::ActiveChanged()
{
    TCustomDBEditEh::ActiveChanged();
    ResolveDataFields();
}

void TCustomDBLookupComboboxEh::SetFocused(bool Value)
{
    TCustomDBEditEh::SetFocused(Value);
    UpdateListSource();
}

void TCustomDBLookupComboboxEh::UpdateReadOnlyState()
{
    if (m_plainEditMode) {
        TCustomDBEditEh::UpdateReadOnlyState();
        return;
    }
    // Only a free-text combo that is editing takes typing into its window; the other changes come by choice.
    setReadOnly(ReadOnly() || m_style != csDropDownEh || !DataLink()->Editing());
}

void TCustomDBLookupComboboxEh::PutText(const QString &S)
{
    if (m_plainEditMode || !m_listActive) {
        TCustomDBEditEh::PutText(S);
        return;
    }
    if (!LocateDisplayText(S, false) && m_style == csDropDownEh)
        TCustomDBEditEh::PutText(S);
}

void TCustomDBLookupComboboxEh::PutValue(const QVariant &V)
{
    if (m_plainEditMode) {
        TCustomDBEditEh::PutText(VariantToText(V));
        return;
    }
    SetKeyValue(V);
    ShowKeyText();
}

void TCustomDBLookupComboboxEh::DataChanged()
{
    if (m_plainEditMode) {
        TCustomDBEditEh::DataChanged();
        m_keyValue = QVariant();
        return;
    }
    if (IsDataIndependent() && m_sourceLink->HoldsText) {
        const QString text = VariantToText(DataLink()->UnboundValue);
        TCustomDBEditEh::PutText(text);
        LocateDisplayText(text, false);
        SetModified(false);
        return;
    }
    TDataSet *ds = DataSource() ? DataSource()->DataSet() : nullptr;
    QVariant key;
    if (ds && ds->Active() && !m_keyDataFields.isEmpty())
        key = ds->FieldValues(m_keyDataFieldNames);
    else if (IsDataIndependent())
        key = DataLink()->UnboundValue;
    SetKeyValue(key);
    if (m_listActive)
        ShowKeyText();
    else
        SetEditText(QString());
    UpdateReadOnlyState();
    SetModified(false);
}

void TCustomDBLookupComboboxEh::StoreTextToField()
{
    DataLink()->SetValue(ReadValue());
}

void TCustomDBLookupComboboxEh::UpdateData()
{
    TDataSet *ds = ListDataSet();
    if (m_listActive && OnNotInList && ds) {
        if (!ds->Locate(m_displayListField->FieldName(), EditText(), loCaseInsensitive)) {
            bool recheck = false;
            OnNotInList(this, EditText(), recheck);
            if (recheck && ds->Locate(m_displayListField->FieldName(), EditText(), loCaseInsensitive))
                SetKeyValue(ds->FieldValues(ListKeyFieldNames()));
        }
    }
    if (IsFocused())
        ValidateEdit();
    if (DoUpdateData()) {
        SetModified(false);
        return;
    }
    const bool keyInList = m_listActive && FindKeyRecord();
    const bool freeText = m_listActive && !keyInList && !EditText().isEmpty() && m_style == csDropDownEh
                          && !m_dropDownBox->SpecRow().Visible();
    if (IsDataIndependent() && (freeText || m_plainEditMode)) {
        m_sourceLink->HoldsText = true;
        DataLink()->SetValue(EditText().isEmpty() ? QVariant() : QVariant(EditText()));
    } else {
        m_sourceLink->HoldsText = false;
        DataLink()->SetValue(m_keyValue);
    }
    SetModified(false);
}

// ---- IDropDownBoxOwnerEh -------------------------------------------------------------------------------------

void TCustomDBLookupComboboxEh::DropDownBoxListSourceChanged(TDataSource *Source)
{
    Q_UNUSED(Source);
    UpdateListSource();
}

TDBLookupGridEh *TCustomDBLookupComboboxEh::GetDropDownBoxGrid() const
{
    return m_dropDownGrid;
}

TDBLookupGridEhOptions TCustomDBLookupComboboxEh::GetDropDownBoxOptions() const
{
    return m_dropDownGrid ? m_dropDownGrid->LookupOptions() : 0;
}

void TCustomDBLookupComboboxEh::SetDropDownBoxOptions(TDBLookupGridEhOptions Value)
{
    if (m_dropDownGrid)
        m_dropDownGrid->SetLookupOptions(Value);
}

// ---- Drop-down -----------------------------------------------------------------------------------------------

bool TCustomDBLookupComboboxEh::IsButtonEnabled() const
{
    return TCustomDBEditEh::IsButtonEnabled() && (m_listActive || OnButtonClick || OnButtonDown);
}

int TCustomDBLookupComboboxEh::GetListFieldsWidth() const
{
    const QFontMetrics fm(font());
    const int digit = fm.horizontalAdvance(QLatin1Char('0'));
    int width = 0;
    for (TField *field : m_listFields)
        width += field->DisplayWidth() * digit + 4;
    return width;
}

void TCustomDBLookupComboboxEh::DropDown()
{
    if (m_listVisible || !m_listActive || !m_dropDownGrid)
        return;
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
    if (OnDropDown)
        OnDropDown(this);
    TPopupDataGridEh *grid = m_dropDownGrid;
    grid->SetKeyValue(QVariant());
    grid->SpecRow().Assign(m_dropDownBox->SpecRow());
    grid->SetColor(fromQColor(palette().color(QPalette::Base)));
    grid->Font().SetQFont(font());
    grid->SetShowTitles(m_dropDownBox->ShowTitles);
    grid->SetUseMultiTitle(m_dropDownBox->UseMultiTitle);
    grid->SetReadOnly(!CanChangeKey(false));

    TDataSet *ds = ListDataSet();
    int rows = m_dropDownBox->Rows;
    if (ds && ds->IsSequenced() && ds->RecordCount() > 0)
        rows = std::min(ds->RecordCount(), m_dropDownBox->Rows);
    grid->SetRowCount(rows);

    grid->SetKeyField(ListKeyFieldNames());
    QString names;
    for (TField *field : m_listFields)
        names += field->FieldName() + QLatin1Char(';');
    grid->SetListField(names);
    grid->SetListFieldIndex(EffectiveListFieldIndex());
    grid->SetAutoFitColWidths(false);
    grid->SetListSource(m_listLink->DataSource());

    int width = m_dropDownBox->Width;
    if (width == -1)
        width = grid->GetColumnsWidth() + 2 * grid->frameWidth()
                + (ds && ds->RecordCount() > grid->RowCount() ? ScrollBarExtent() : 0);
    else if (width <= 0)
        width = this->width();
    grid->resize(std::max(width, this->width()), grid->height());
    grid->SetAutoFitColWidths(m_dropDownBox->AutoFitColWidths);
    grid->SetKeyValue(m_keyValue);
    grid->SetReadOnly(!CanChangeKey(false));

    m_gridLayoutChanged = false;
    grid->OnColumnMoved = [this](TCustomDBGridEh *, int, int) { m_gridLayoutChanged = true; };

    TDropDownAlign align = m_dropDownBox->Align;
    if (layoutDirection() == Qt::RightToLeft && align != daCenter)
        align = align == daLeft ? daRight : daLeft;
    grid->move(PlaceDropDownForControl(this, grid, align));
    grid->show();
    grid->SizeGrip()->ShowGrip(m_dropDownBox->Sizable);
    grid->SetRowCount(grid->RowCount());

    m_listVisible = true;
    update();
    grid->ClearResized();
    TCustomDBEditEh::DropDown();
    m_droppedDown = true;
}

void TCustomDBLookupComboboxEh::CloseUp(bool Accept)
{
    if (!m_listVisible || !m_dropDownGrid)
        return;
    TPopupDataGridEh *grid = m_dropDownGrid;
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const QVariant gridKey = grid->KeyValue();
    grid->hide();
    m_listVisible = false;
    if (grid->Resized()) {
        m_dropDownBox->Rows = grid->RowCount();
        m_dropDownBox->Width = grid->width();
    }
    grid->OnColumnMoved = nullptr;
    const QString gridListField = grid->ListField();
    const int gridListFieldIndex = grid->ListFieldIndex();
    grid->SetAutoFitColWidths(false);
    grid->SetListSource(nullptr);
    if (m_gridLayoutChanged) {
        // The user's column order is kept for the next opening.
        if (grid->Columns().State() == csDefault) {
            m_listFieldIndex = gridListFieldIndex;
            SetListField(gridListField);
        }
        m_dropDownBox->SpecRow().SetCellsText(grid->SpecRow().CellsText());
    }
    update();
    TCustomDBEditEh::CloseUp(Accept);
    m_droppedDown = false;
    if (Accept && CanChangeKey(true)) {
        SetKeyValue(gridKey);
        TSpecRowEh &specialRow = m_dropDownBox->SpecRow();
        if ((specialRow.Visible() && specialRow.MatchesValue(Variant::fromQVariant(m_keyValue)))
            || (specialRow.Visible() && specialRow.ShowIfNotInKeyList() && !FindKeyRecord()))
            SetEditText(specialRow.GetCellText(EffectiveListFieldIndex()));
        SelectAllText();
    }
    if (m_style == csDropDownEh)
        selectAll();
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

void TCustomDBLookupComboboxEh::DropDownFromButton(bool Param)
{
    if (EditButton()->Style() == ebsUpDownEh) {
        if (!ReadOnly())
            StepKey(!Param);
        return;
    }
    if (m_listVisible) {
        CloseUp(false);
        return;
    }
    TCustomDBEditEh::DropDownFromButton(Param);
}
