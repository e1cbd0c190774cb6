// The field data link, the edit image settings and the text routines the editors share.
#include "DBCtrlsEh.h"

#include "DatabaseError.h"
#include "Variant.h"

QString ReplicateString(const QString &S, int Count)
{
    return Count > 0 ? S.repeated(Count) : QString();
}

QString VariantToText(const QVariant &V)
{
    if (!V.isValid() || V.isNull() || V.typeId() == QMetaType::QVariantList)
        return QString();
    try {
        return Variant::fromQVariant(V).toString();
    } catch (const Exception &) {
        return QString(); // a value without a text shows as empty
    }
}

// ---------------------------------------------------------------------------------------------------------
// TFieldDataLinkEh
// ---------------------------------------------------------------------------------------------------------

TFieldDataLinkEh::TFieldDataLinkEh()
{
    SetVisualControl(true);
}

bool TFieldDataLinkEh::Edit()
{
    if (m_dataIndependent) {
        if (!m_editing && !ReadOnly()) {
            m_editing = true;
            m_modified = false;
            if (OnEditingChange)
                OnEditingChange(this);
        }
    } else if (CanModify()) {
        TDataLink::Edit();
    }
    return m_editing;
}

bool TFieldDataLinkEh::Active() const
{
    return m_dataIndependent || (TDataLink::Active() && Field());
}

bool TFieldDataLinkEh::DataSetActive() const
{
    return DataSource() && DataSource()->DataSet() && DataSource()->DataSet()->Active();
}

bool TFieldDataLinkEh::CanModify() const
{
    if (TField *field = Field())
        return field->CanModify() && !ReadOnly();
    return m_dataIndependent;
}

void TFieldDataLinkEh::SetDataSource(TDataSource *Value)
{
    if (Value == DataSource())
        return;
    TDataLink::SetDataSource(Value);
    UpdateDataIndependent();
}

void TFieldDataLinkEh::SetFieldName(const QString &Value)
{
    if (Value == m_fieldName)
        return;
    m_fieldName = Value;
    UpdateField();
    UpdateDataIndependent();
}

void TFieldDataLinkEh::SetMultiFields(bool Value)
{
    if (Value == m_multiFields)
        return;
    m_multiFields = Value;
    UpdateField();
}

void TFieldDataLinkEh::SetEditing(bool Value)
{
    if (Value == m_editing)
        return;
    m_editing = Value;
    m_modified = false;
    if (OnEditingChange)
        OnEditingChange(this);
}

void TFieldDataLinkEh::CheckWritable() const
{
    if (m_dataIndependent)
        return;
    const QObject *component = Control.data();
    if (!DataSource() || !DataSource()->DataSet())
        DatabaseError(QStringLiteral("No data source to write field '%1' to").arg(m_fieldName), component);
    if (m_fields.isEmpty())
        DatabaseError(QStringLiteral("Field '%1' not found").arg(m_fieldName), component);
}

void TFieldDataLinkEh::SetText(const QString &Text)
{
    if (m_dataIndependent) {
        UnboundValue = Text;
        RecordChanged(nullptr);
        return;
    }
    CheckWritable();
    TField *field = Field();
    if (field->DataType() == ftMemo)
        field->SetAsString(Text);
    else
        field->SetText(Text);
}

void TFieldDataLinkEh::SetValue(const QVariant &Value)
{
    if (m_dataIndependent) {
        UnboundValue = Value;
        RecordChanged(nullptr);
        return;
    }
    CheckWritable();
    if (m_fields.size() == 1) {
        Field()->SetValue(Value);
        return;
    }
    if (SameVariantValues(Value, QVariant())) {
        for (TField *field : m_fields)
            field->SetValue(QVariant());
        return;
    }
    if (Value.typeId() != QMetaType::QVariantList)
        throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (Array)")
                                .arg(QString::fromLatin1(Value.typeName())));
    const QVariantList values = Value.toList();
    for (int i = 0; i < m_fields.size(); ++i)
        m_fields.at(i)->SetValue(values.value(i));
}

void TFieldDataLinkEh::UpdateDataIndependent()
{
    const bool independent = !DataSource() && m_fieldName.isEmpty();
    if (independent == m_dataIndependent)
        return;
    m_dataIndependent = independent;
    UnboundValue = QVariant();
    LayoutChanged();
    if (independent)
        RecordChanged(nullptr);
}

void TFieldDataLinkEh::UpdateField()
{
    TFieldsArrEh list;
    if (TDataLink::Active() && !m_fieldName.isEmpty()) {
        TDataSet *dataSet = DataSet();
        if (m_multiFields)
            FindFieldsList(&list, dataSet, Control.data(), m_fieldName);
        else if (TField *field = dataSet->FindField(m_fieldName))
            list.append(field);
        else
            DatabaseError(QStringLiteral("Field '%1' not found").arg(m_fieldName), Control.data());
    }
    SetFields(list);
}

void TFieldDataLinkEh::SetFields(const TFieldsArrEh &List)
{
    m_fields = List;
    EditingChanged();
    RecordChanged(nullptr);
}

void TFieldDataLinkEh::ActiveChanged()
{
    UpdateField();
    if (OnActiveChange)
        OnActiveChange(this);
}

void TFieldDataLinkEh::EditingChanged()
{
    if (!m_dataIndependent)
        SetEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLinkEh::FocusControl(TField **Field)
{
    if (*Field && FieldFound(*Field) && Control && Control->focusPolicy() != Qt::NoFocus && Control->isEnabled()) {
        *Field = nullptr;
        Control->setFocus();
    }
}

void TFieldDataLinkEh::LayoutChanged()
{
    UpdateField();
}

void TFieldDataLinkEh::RecordChanged(TField *Field)
{
    if (Field && !FieldFound(Field))
        return;
    if (OnDataChange)
        OnDataChange(this);
    m_modified = false;
}

void TFieldDataLinkEh::UpdateData()
{
    if (m_dataIndependent) {
        if (m_modified && OnUpdateData)
            OnUpdateData(this);
        m_editing = false;
    } else if (m_modified) {
        // A bound link with nothing to write to would drop the user's change without a word.
        CheckWritable();
        if (OnUpdateData)
            OnUpdateData(this);
    }
    m_modified = false;
}

// ---------------------------------------------------------------------------------------------------------
// TEditImageEh
// ---------------------------------------------------------------------------------------------------------

TEditImageEh::TEditImageEh(QWidget *EditControl)
    : m_editControl(EditControl)
{
}

void TEditImageEh::Assign(const TEditImageEh &Source)
{
    SetImages(Source.m_images);
    SetImageIndex(Source.m_imageIndex);
    SetVisible(Source.m_visible);
    SetWidth(Source.m_width);
}

void TEditImageEh::SetImageIndex(int Value)
{
    if (Value == m_imageIndex)
        return;
    m_imageIndex = Value;
    if (m_editControl)
        m_editControl->update();
}

void TEditImageEh::SetImages(const TImageList *Value)
{
    if (Value == m_images)
        return;
    m_images = Value;
    Changed();
}

void TEditImageEh::SetUseImageHeight(bool Value)
{
    if (Value == m_useImageHeight)
        return;
    m_useImageHeight = Value;
    Changed();
}

void TEditImageEh::SetVisible(bool Value)
{
    if (Value == m_visible)
        return;
    m_visible = Value;
    Changed();
}

void TEditImageEh::SetWidth(int Value)
{
    if (Value == m_width)
        return;
    m_width = Value;
    Changed();
}

void TEditImageEh::Changed()
{
    if (m_editControl && OnLayoutChanged)
        OnLayoutChanged();
}
