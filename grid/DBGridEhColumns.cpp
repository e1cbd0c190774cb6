// Columns, titles, column defaults and footers of the data grid.
#include "DBGridEh.h"
#include "DBGridEhInplace.h"

#include "DatabaseError.h"
#include "Formats.h"

#include <algorithm>
#include <limits>

namespace {

const QStringList &emptyList()
{
    static const QStringList empty;
    return empty;
}

// The index of text in a value list, compared as the lists compare: ignoring case.
int indexOfText(const QStringList &list, const QString &text)
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool isStepNumeric(TFieldType t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftCurrency || t == ftBCD;
}

} // namespace

QString FormatFieldText(const TField *field, const QString &displayFormat)
{
    if (!field)
        return QString();
    if (displayFormat.isEmpty())
        return field->DisplayText();
    if (field->IsNull())
        return QString();
    if (IsNumericType(field->DataType()))
        return FormatFloat(displayFormat, field->AsFloat());
    if (IsDateType(field->DataType()))
        return FormatDateTime(displayFormat, field->AsDateTime());
    return QString();
}

// ---- Title ---------------------------------------------------------------------------------------------------

TColumnTitleEh::TColumnTitleEh(TColumnEh *column)
    : m_column(column)
{
}

QString TColumnTitleEh::Caption() const
{
    if (m_column->IsAssigned(cvTitleCaption))
        return m_caption;
    if (TField *f = m_column->GetField())
        return f->DisplayName();
    return m_column->FieldName();
}

void TColumnTitleEh::SetCaption(const QString &value)
{
    TCustomDBGridEh *grid = m_column->GetGrid();
    TField *field = m_column->GetField();
    if (m_column->IsDefaultColumn() && grid && grid->DataLink()->Active() && field) {
        field->SetDisplayLabel(value);
        return;
    }
    if (m_column->IsAssigned(cvTitleCaption) && m_caption == value)
        return;
    m_caption = value;
    m_column->Assigned(cvTitleCaption);
    m_column->Changed();
}

TAlignment TColumnTitleEh::Alignment() const
{
    if (m_column->IsAssigned(cvTitleAlignment))
        return m_alignment;
    if (TCustomDBGridEh *grid = m_column->GetGrid())
        return grid->ColumnDefValues().Title().Alignment();
    return taLeftJustify;
}

void TColumnTitleEh::SetAlignment(TAlignment value)
{
    m_alignment = value;
    m_column->Assigned(cvTitleAlignment);
    m_column->Changed();
}

TColor TColumnTitleEh::Color() const
{
    if (m_column->IsAssigned(cvTitleColor))
        return m_color;
    if (TCustomDBGridEh *grid = m_column->GetGrid())
        return grid->ColumnDefValues().Title().Color();
    return clBtnFace;
}

void TColumnTitleEh::SetColor(TColor value)
{
    m_color = value;
    m_column->Assigned(cvTitleColor);
    m_column->RefreshCells();
}

const TFont &TColumnTitleEh::Font() const
{
    if (!m_column->IsAssigned(cvTitleFont)) {
        TCustomDBGridEh *grid = m_column->GetGrid();
        const TFont &source = grid ? grid->TitleFont() : m_column->Font();
        if (!(m_font == source))
            m_font.Assign(source);
    }
    return m_font;
}

void TColumnTitleEh::SetFont(const TFont &value)
{
    m_font.Assign(value);
    m_column->Assigned(cvTitleFont);
    m_column->Changed();
}

#define TITLE_FLAG(Getter, Setter, member, flag, defaultExpr)                                                  \
    bool TColumnTitleEh::Getter() const                                                                        \
    {                                                                                                          \
        if (m_column->IsAssigned(flag))                                                                        \
            return member;                                                                                     \
        TCustomDBGridEh *grid = m_column->GetGrid();                                                           \
        return grid ? grid->ColumnDefValues().Title().defaultExpr : false;                                     \
    }                                                                                                          \
    void TColumnTitleEh::Setter(bool value)                                                                    \
    {                                                                                                          \
        member = value;                                                                                        \
        m_column->Assigned(flag);                                                                              \
        m_column->RefreshCells();                                                                              \
    }

TITLE_FLAG(TitleButton, SetTitleButton, m_titleButton, cvTitleButton, TitleButton)
TITLE_FLAG(EndEllipsis, SetEndEllipsis, m_endEllipsis, cvTitleEndEllipsis, EndEllipsis)
TITLE_FLAG(ToolTips, SetToolTips, m_toolTips, cvTitleToolTips, ToolTips)
#undef TITLE_FLAG

TTextOrientationEh TColumnTitleEh::Orientation() const
{
    if (m_column->IsAssigned(cvTitleOrientation))
        return m_orientation;
    TCustomDBGridEh *grid = m_column->GetGrid();
    return grid ? grid->ColumnDefValues().Title().Orientation : tohHorizontal;
}

void TColumnTitleEh::SetOrientation(TTextOrientationEh value)
{
    m_orientation = value;
    m_column->Assigned(cvTitleOrientation);
    m_column->Changed();
}

void TColumnTitleEh::SetSortMarker(TSortMarkerEh value)
{
    m_sortMarker = value;
    TCustomDBGridEh *grid = m_column->GetGrid();
    if (!grid || m_column->Collection()->UpdateCount() > 0)
        return;
    TColumnsEhList &list = grid->SortColumnListRef();
    const TDBGridColumnsEh &columns = *m_column->Collection();
    if (grid->OptionsEh() & dghMultiSortMarking) {
        if (value != smNoneEh && m_sortIndex == 0) {
            int marked = 0;
            for (int i = 0; i < columns.Count(); ++i)
                marked += columns[i]->Title().m_sortIndex != 0;
            m_sortIndex = marked + 1;
            list.append(m_column);
        } else if (value == smNoneEh && m_sortIndex != 0) {
            for (int i = 0; i < columns.Count(); ++i)
                if (columns[i]->Title().m_sortIndex > m_sortIndex)
                    --columns[i]->Title().m_sortIndex;
            list.removeAll(m_column);
            m_sortIndex = 0;
        }
    } else if (value != smNoneEh) {
        for (int i = 0; i < columns.Count(); ++i)
            if (columns[i] != m_column) {
                columns[i]->Title().m_sortMarker = smNoneEh;
                columns[i]->Title().m_sortIndex = 0;
            }
        m_sortIndex = 1;
        list = {m_column};
    } else {
        m_sortIndex = 0;
        list.clear();
    }
    m_column->Changed();
}

void TColumnTitleEh::SetSortIndex(int value)
{
    value = std::max(0, value);
    TCustomDBGridEh *grid = m_column->GetGrid();
    if (!grid || m_column->Collection()->UpdateCount() > 0) {
        m_sortIndex = value;
        return;
    }
    if (m_sortMarker == smNoneEh || value == m_sortIndex)
        return;
    const TDBGridColumnsEh &columns = *m_column->Collection();
    for (int i = 0; i < columns.Count(); ++i) {
        TColumnEh *other = columns[i];
        if (other == m_column || other->Title().m_sortIndex != value)
            continue;
        other->Title().m_sortIndex = m_sortIndex;
        m_sortIndex = value;
        TColumnsEhList &list = grid->SortColumnListRef();
        const int a = int(list.indexOf(m_column));
        const int b = int(list.indexOf(other));
        if (a >= 0 && b >= 0)
            list.swapItemsAt(a, b);
        m_column->Changed();
        return;
    }
}

void TColumnTitleEh::ToggleSortMarker(bool multi)
{
    if (!multi)
        for (int i = 0; i < m_column->Collection()->Count(); ++i) {
            TColumnEh *other = m_column->Collection()->GetColumn(i);
            if (other != m_column && other->Title().SortMarker() != smNoneEh)
                other->Title().SetSortMarker(smNoneEh);
        }
    switch (m_sortMarker) {
    case smNoneEh:
        SetSortMarker(smDownEh);
        break;
    case smDownEh:
        SetSortMarker(smUpEh);
        break;
    case smUpEh:
        SetSortMarker(multi ? smNoneEh : smDownEh);
        break;
    }
}

int TColumnTitleEh::SortMarkerWidth() const
{
    if (m_sortIndex == 0)
        return 0;
    TCustomDBGridEh *grid = m_column->GetGrid();
    int width = 16;
    if (grid && grid->SortColumnList().size() >= 2)
        width += TextWidth(SortIndexFontEh().qfont(), QString::number(m_sortIndex));
    const int room = m_column->Width() - 4;
    if (room < width) {
        width -= 14;
        if (room < width)
            width = 0;
    }
    return width;
}

void TColumnTitleEh::ResetToDefaults()
{
    m_column->m_assigned &= ~(cvTitleColor | cvTitleCaption | cvTitleAlignment | cvTitleFont | cvTitleButton
                              | cvTitleEndEllipsis | cvTitleToolTips | cvTitleOrientation);
    m_caption.clear();
    Font();
}

void TColumnTitleEh::Assign(const TColumnTitleEh &source)
{
    const TColumnEhValues flags = source.m_column->AssignedValues();
    if (flags & cvTitleCaption)
        SetCaption(source.m_caption);
    if (flags & cvTitleAlignment)
        SetAlignment(source.m_alignment);
    if (flags & cvTitleColor)
        SetColor(source.m_color);
    if (flags & cvTitleFont)
        SetFont(source.m_font);
    if (flags & cvTitleButton)
        SetTitleButton(source.m_titleButton);
    if (flags & cvTitleEndEllipsis)
        SetEndEllipsis(source.m_endEllipsis);
    if (flags & cvTitleToolTips)
        SetToolTips(source.m_toolTips);
    if (flags & cvTitleOrientation)
        SetOrientation(source.m_orientation);
    Hint = source.Hint;
    ImageIndex = source.ImageIndex;
    m_sortMarker = source.m_sortMarker;
    m_sortIndex = source.m_sortIndex;
}

// ---- Column defaults -----------------------------------------------------------------------------------------

TAlignment TColumnTitleDefValuesEh::Alignment() const
{
    if (m_alignmentAssigned)
        return m_alignment;
    TCustomDBGridEh *grid = m_owner->Grid();
    return grid && grid->UseMultiTitle() ? taCenter : taLeftJustify;
}

void TColumnTitleDefValuesEh::SetAlignment(TAlignment value)
{
    m_alignment = value;
    m_alignmentAssigned = true;
    if (TCustomDBGridEh *grid = m_owner->Grid())
        grid->LayoutChanged();
}

TColor TColumnTitleDefValuesEh::Color() const
{
    if (m_colorAssigned)
        return m_color;
    TCustomDBGridEh *grid = m_owner->Grid();
    return grid ? grid->FixedColor() : clBtnFace;
}

void TColumnTitleDefValuesEh::SetColor(TColor value)
{
    m_color = value;
    m_colorAssigned = true;
    if (TCustomDBGridEh *grid = m_owner->Grid())
        grid->InvalidateGrid();
}

TColumnDefValuesEh::TColumnDefValuesEh(TCustomDBGridEh *grid)
    : m_grid(grid)
    , m_title(this)
{
}

// ---- Column --------------------------------------------------------------------------------------------------

TColumnEh::TColumnEh(TDBGridColumnsEh *collection)
    : m_collection(collection)
{
    m_title.reset(CreateColumnTitle());
    m_footer.reset(CreateColumnFooter());
    m_footers.reset(CreateColumnFooters());
    m_editButtons = std::make_unique<TEditButtonsEh>(this, TEditButtonsEh::ItemClass<TVisibleEditButtonEh>());
    m_editButtons->OnItemChanged = [this](TEditButtonsEh *, TEditButtonEh *) { Changed(); };
    m_dropDownBox = std::make_unique<TColumnDropDownBoxEh>(this);
}

TColumnEh::~TColumnEh()
{
    if (TCustomDBGridEh *grid = GetGrid()) {
        grid->SortColumnListRef().removeAll(this);
        grid->Selection().Columns().Forget(this);
    }
    // Footers give their sum items back while the column can still name its grid.
    m_footers.reset();
    m_footer.reset();
}

TColumnTitleEh *TColumnEh::CreateColumnTitle()
{
    return new TColumnTitleEh(this);
}

TColumnFooterEh *TColumnEh::CreateColumnFooter()
{
    return new TColumnFooterEh(this);
}

TColumnFootersEh *TColumnEh::CreateColumnFooters()
{
    return new TColumnFootersEh(this);
}

TCustomDBGridEh *TColumnEh::GetGrid() const
{
    return m_collection ? m_collection->Grid() : nullptr;
}

int TColumnEh::Index() const
{
    return m_collection ? m_collection->IndexOf(this) : -1;
}

void TColumnEh::SetIndex(int value)
{
    if (!m_collection)
        return;
    TCustomDBGridEh *grid = GetGrid();
    const int old = Index();
    if (IsDefaultColumn() && grid && grid->DataLink()->Active() && value >= 0 && value < m_collection->Count()
        && value != old) {
        TField *own = GetField();
        TField *target = m_collection->GetColumn(value)->GetField();
        if (own && target) {
            own->SetIndex(target->Index());
            return; // the dataset's layout change rebuilds the default columns in the new order
        }
    }
    m_collection->Move(old, value);
}

QString TColumnEh::GetDisplayName() const
{
    return m_fieldName.isEmpty() ? QStringLiteral("TColumnEh") : m_fieldName;
}

TField *TColumnEh::GetField() const
{
    if (!m_field && !m_fieldName.isEmpty()) {
        TCustomDBGridEh *grid = GetGrid();
        TDataSet *ds = grid ? grid->DataLink()->DataSet() : nullptr;
        if (ds && (ds->Active() || !ds->DefaultFields())) {
            if (TField *f = ds->FindField(m_fieldName)) {
                m_field = f;
                const_cast<TColumnEh *>(this)->m_fieldName = f->FieldName();
                const_cast<TColumnEh *>(this)->Footer().SyncFooterSum();
                for (int i = 0; i < m_footers->Count(); ++i)
                    m_footers->Items(i)->SyncFooterSum();
            }
        }
    }
    return m_field;
}

void TColumnEh::SetField(TField *value)
{
    if (m_field == value && (value || !m_fieldName.isEmpty()))
        return;
    m_field = value;
    if (value)
        m_fieldName = value->FieldName();
    if (IsDefaultColumn()) {
        ResetToDefaults();
        if (!value)
            m_fieldName.clear();
        m_initWidth = Width();
    }
}

void TColumnEh::SetFieldName(const QString &value)
{
    TField *field = nullptr;
    TCustomDBGridEh *grid = GetGrid();
    if (!value.isEmpty() && grid && !grid->IsLoading() && grid->DataLink()->DataSet())
        field = grid->DataLink()->DataSet()->FindField(value);
    m_fieldName = value;
    m_field = nullptr;
    SetField(field);
    m_fieldName = field ? field->FieldName() : value;
    m_initWidth = Width();
    Changed();
}

TAlignment TColumnEh::Alignment() const
{
    if (IsAssigned(cvAlignment))
        return m_alignment;
    if (TField *f = GetField())
        return f->Alignment();
    return taLeftJustify;
}

void TColumnEh::SetAlignment(TAlignment value)
{
    TCustomDBGridEh *grid = GetGrid();
    TField *field = GetField();
    if (IsDefaultColumn() && grid && grid->DataLink()->Active() && field) {
        field->SetAlignment(value);
        return;
    }
    m_alignment = value;
    Assigned(cvAlignment);
    Changed();
}

TColor TColumnEh::Color() const
{
    if (IsAssigned(cvColor))
        return m_color;
    TCustomDBGridEh *grid = GetGrid();
    return grid ? grid->Color() : clWindow;
}

void TColumnEh::SetColor(TColor value)
{
    m_color = value;
    Assigned(cvColor);
    RefreshCells();
}

const TFont &TColumnEh::Font() const
{
    if (!IsAssigned(cvFont))
        if (TCustomDBGridEh *grid = GetGrid(); grid && !(m_font == grid->Font()))
            m_font.Assign(grid->Font());
    return m_font;
}

void TColumnEh::SetFont(const TFont &value)
{
    m_font.Assign(value);
    Assigned(cvFont);
    Changed();
}

bool TColumnEh::ReadOnly() const
{
    if (IsAssigned(cvReadOnly))
        return m_readOnly;
    TCustomDBGridEh *grid = GetGrid();
    TField *field = GetField();
    return (grid && grid->ReadOnly()) || (field && field->ReadOnly());
}

void TColumnEh::SetReadOnly(bool value)
{
    TCustomDBGridEh *grid = GetGrid();
    TField *field = GetField();
    if (IsDefaultColumn() && grid && grid->DataLink()->Active() && field) {
        field->SetReadOnly(value);
        return;
    }
    m_readOnly = value;
    Assigned(cvReadOnly);
    Changed();
}

int TColumnEh::DefaultWidth() const
{
    TCustomDBGridEh *grid = GetGrid();
    if (!grid)
        return 64;
    TField *field = GetField();
    if (!field)
        return grid->DefaultColWidth();
    const TTextMetric tm = grid->Metrics().Metric(Font());
    return (grid->Metrics().TextWidth(Font(), QStringLiteral("0")) - tm.Overhang) * field->DisplayWidth()
        + tm.Overhang + 4;
}

int TColumnEh::Width() const
{
    return IsAssigned(cvWidth) ? m_width : DefaultWidth();
}

int TColumnEh::applyWidthLimits(int value) const
{
    if (m_maxWidth > 0 && value > m_maxWidth)
        value = m_maxWidth;
    if (m_minWidth > 0 && value < m_minWidth)
        value = m_minWidth;
    return value;
}

void TColumnEh::SetWidth(int value)
{
    if (value == -1)
        return;
    value = applyWidthLimits(value);
    TCustomDBGridEh *grid = GetGrid();
    TField *field = GetField();
    if (IsDefaultColumn() && grid && field && grid->DataLink()->Active() && !IsAssigned(cvWidth)) {
        if (grid->m_inDataLinkLayout)
            return;
        // A default column keeps no width of its own: the field's display width in characters follows it.
        const TTextMetric tm = grid->Metrics().Metric(Font());
        const int zero = grid->Metrics().TextWidth(Font(), QStringLiteral("0"));
        if (zero > 0)
            field->SetDisplayWidth(std::max(1, (value + tm.AveCharWidth / 2 - tm.Overhang - 3) / zero));
        Changed();
        return;
    }
    if (IsAssigned(cvWidth) || value != DefaultWidth()) {
        m_width = value;
        Assigned(cvWidth);
    }
    Changed();
}

void TColumnEh::SetMinWidth(int value)
{
    m_minWidth = std::max(0, value);
    if (m_minWidth > 0 && Width() < m_minWidth)
        SetWidth(m_minWidth);
}

void TColumnEh::SetMaxWidth(int value)
{
    m_maxWidth = std::max(0, value);
    if (m_maxWidth > 0 && Width() > m_maxWidth)
        SetWidth(m_maxWidth);
}

void TColumnEh::SetVisible(bool value)
{
    if (m_visible == value)
        return;
    m_visible = value;
    Changed(true);
}

bool TColumnEh::WordWrap() const
{
    if (IsAssigned(cvWordWrap))
        return m_wordWrap;
    TField *field = GetField();
    if (!field || !GetGrid())
        return false;
    const TFieldType t = field->DataType();
    return t == ftString || t == ftMemo || t == ftFmtMemo || t == ftWideString;
}

void TColumnEh::SetWordWrap(bool value)
{
    m_wordWrap = value;
    Assigned(cvWordWrap);
    RefreshCells();
}

bool TColumnEh::Checkboxes() const
{
    if (IsAssigned(cvCheckboxes))
        return m_checkboxes;
    TField *field = GetField();
    return field && field->DataType() == ftBoolean;
}

void TColumnEh::SetCheckboxes(bool value)
{
    m_checkboxes = value;
    Assigned(cvCheckboxes);
    Changed();
}

#define COLUMN_DEF_FLAG(Getter, Setter, member, flag)                                                          \
    bool TColumnEh::Getter() const                                                                             \
    {                                                                                                          \
        if (IsAssigned(flag))                                                                                  \
            return member;                                                                                     \
        TCustomDBGridEh *grid = GetGrid();                                                                     \
        return grid ? grid->ColumnDefValues().Getter : false;                                                  \
    }                                                                                                          \
    void TColumnEh::Setter(bool value)                                                                         \
    {                                                                                                          \
        member = value;                                                                                        \
        Assigned(flag);                                                                                        \
        RefreshCells();                                                                                        \
    }

COLUMN_DEF_FLAG(EndEllipsis, SetEndEllipsis, m_endEllipsis, cvEndEllipsis)
COLUMN_DEF_FLAG(ToolTips, SetToolTips, m_toolTips, cvToolTips)
COLUMN_DEF_FLAG(AlwaysShowEditButton, SetAlwaysShowEditButton, m_alwaysShowEditButton, cvAlwaysShowEditButton)
COLUMN_DEF_FLAG(AutoDropDown, SetAutoDropDown, m_autoDropDown, cvAutoDropDown)
COLUMN_DEF_FLAG(DblClickNextVal, SetDblClickNextVal, m_dblClickNextVal, cvDblClickNextVal)
COLUMN_DEF_FLAG(DropDownShowTitles, SetDropDownShowTitles, m_dropDownShowTitles, cvDropDownShowTitles)
COLUMN_DEF_FLAG(DropDownSizing, SetDropDownSizing, m_dropDownSizing, cvDropDownSizing)
#undef COLUMN_DEF_FLAG

QString TColumnEh::LookupDisplayFields() const
{
    if (IsAssigned(cvLookupDisplayFields))
        return m_lookupDisplayFields;
    TField *field = GetField();
    return field ? field->LookupResultField() : QString();
}

void TColumnEh::SetLookupDisplayFields(const QString &value)
{
    m_lookupDisplayFields = value;
    Assigned(cvLookupDisplayFields);
    Changed();
}

void TColumnEh::SetAutoFitColWidth(bool value)
{
    m_autoFitColWidth = value;
    TCustomDBGridEh *grid = GetGrid();
    if (grid && grid->AutoFitColWidths() && !grid->IsLoading())
        SetWidth(m_initWidth);
    Changed();
}

void TColumnEh::SetDisplayFormat(const QString &value)
{
    m_displayFormat = value;
    RefreshCells();
}

void TColumnEh::SetNotInKeyListIndex(int value)
{
    m_notInKeyListIndex = value;
    RefreshCells();
}

void TColumnEh::SetImageList(const TImageList *value)
{
    m_imageList = value;
    RefreshCells();
}

QStringList &TColumnEh::PickList()
{
    if (!m_pickList)
        m_pickList = std::make_unique<QStringList>();
    return *m_pickList;
}

const QStringList &TColumnEh::PickList() const
{
    return m_pickList ? *m_pickList : emptyList();
}

QStringList &TColumnEh::KeyList()
{
    if (!m_keyList)
        m_keyList = std::make_unique<QStringList>();
    return *m_keyList;
}

const QStringList &TColumnEh::KeyList() const
{
    return m_keyList ? *m_keyList : emptyList();
}

void TColumnEh::ValueListsChanged()
{
    RefreshCells();
}

TColumnFooterEh &TColumnEh::UsedFooter(int r)
{
    return r >= 0 && r < m_footers->Count() ? *m_footers->Items(r) : *m_footer;
}

void TColumnEh::Changed(bool allItems)
{
    if (m_collection)
        m_collection->Changed(allItems ? nullptr : this);
}

void TColumnEh::RefreshCells()
{
    if (TCustomDBGridEh *grid = GetGrid(); grid && Index() >= 0)
        grid->InvalidateCol(Index() + grid->IndicatorCols());
}

// ---- Cell contents -------------------------------------------------------------------------------------------

TColCellKindEh TColumnEh::GetCellKind() const
{
    if (Checkboxes())
        return ckCheckBoxEh;
    TField *field = GetField();
    if (field && field->Lookup())
        return ckLookupEh;
    if (!PickList().isEmpty() && KeyList().isEmpty())
        return ckPickListEh;
    if (m_imageList && !ShowImageAndText)
        return ckImageEh;
    if (!KeyList().isEmpty() && !PickList().isEmpty())
        return ckKeyListEh;
    return ckPlainEh;
}

QString TColumnEh::GetColumnDisplayText() const
{
    TField *field = GetField();
    if (!field || GetCellKind() == ckImageEh)
        return QString();
    if (!KeyList().isEmpty()) {
        const QStringList &picks = PickList();
        int i = indexOfText(KeyList(), field->Text());
        if (i < 0 || i >= picks.size())
            i = m_notInKeyListIndex;
        return i >= 0 && i < picks.size() ? picks[i] : QString();
    }
    TCustomDBGridEh *grid = GetGrid();
    if (field->DataType() == ftMemo && grid && grid->DrawMemoText())
        return field->AsString();
    if (std::optional<QString> special = SpecRowTextOf(*this))
        return *special;
    return FormatFieldText(field, m_displayFormat);
}

int TColumnEh::GetImageIndex() const
{
    TField *field = GetField();
    if (!field)
        return -1;
    int result = -1;
    if (!KeyList().isEmpty())
        result = indexOfText(KeyList(), field->Text());
    else if (!PickList().isEmpty())
        result = indexOfText(PickList(), field->Text());
    else if (isStepNumeric(field->DataType()) && !field->IsNull()) {
        // An amount beyond any image index shows no image; reading it as one failed at every paint.
        const double value = field->AsFloat();
        if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
            result = field->AsInteger();
    }
    return result == -1 ? m_notInKeyListIndex : result;
}

TCheckBoxState TColumnEh::GetCheckboxState() const
{
    TField *field = GetField();
    if (!field)
        return cbUnchecked;
    if (field->IsNull())
        return cbGrayed;
    if (field->DataType() == ftBoolean)
        return field->AsBoolean() ? cbChecked : cbUnchecked;
    const QStringList &keys = KeyList();
    if (keys.size() < 2)
        return cbGrayed;
    const QString text = field->Text();
    auto matches = [&text](const QString &line) {
        for (const QString &item : line.split(QLatin1Char(';')))
            if (item.compare(text, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    if (matches(keys[0]))
        return cbChecked;
    if (matches(keys[1]))
        return cbUnchecked;
    return cbGrayed;
}

void TColumnEh::SetCheckboxState(TCheckBoxState value)
{
    TField *field = GetField();
    if (!field)
        return;
    if (value == cbGrayed) {
        field->Clear();
        return;
    }
    if (field->DataType() == ftBoolean) {
        field->SetAsBoolean(value == cbChecked);
        return;
    }
    const int line = value == cbChecked ? 0 : 1;
    const QStringList &keys = KeyList();
    field->SetText(line < keys.size() ? keys[line].section(QLatin1Char(';'), 0, 0) : QString());
}

bool TColumnEh::CanModify(bool enterEdit)
{
    TCustomDBGridEh *grid = GetGrid();
    if (grid && (grid->ReadOnly() || !grid->DataLink()->Active() || grid->DataLink()->ReadOnly()))
        return false;
    if (ReadOnly())
        return false;
    TField *field = GetField();
    if (!field)
        return false;
    TField *checked = field;
    if (field->Lookup()) {
        const QStringList keys = SplitFieldNames(field->KeyFields());
        if (keys.isEmpty() || !field->DataSet())
            return false;
        for (const QString &name : keys) {
            TField *key = field->DataSet()->FindField(name);
            if (!key || !key->CanModify())
                return false;
        }
        checked = field->DataSet()->FindField(keys.first());
    }
    if (!checked->CanModify())
        return false;
    if (checked->IsBlob() && !checked->OnSetText
        && !(checked->DataType() == ftMemo && grid && grid->DrawMemoText()))
        return false;
    if (grid) {
        TDataSet *ds = grid->DataLink()->DataSet();
        if (!ds)
            return false;
        if (!(grid->AllowedOperations & alopUpdateEh) && ds->State() != dsInsert)
            return false;
        if (ds->IsEmpty() && !(grid->AllowedOperations & (alopInsertEh | alopAppendEh)))
            return false;
        if (enterEdit) {
            grid->DataLink()->Edit();
            return grid->DataLink()->Editing();
        }
    }
    return true;
}

void TColumnEh::UpdateColumnData(QString text, QVariant value, bool useText)
{
    TCustomDBGridEh *grid = GetGrid();
    if (!grid)
        return;
    bool handled = false;
    if (OnUpdateData)
        OnUpdateData(this, text, value, useText, handled);
    TField *field = GetField();
    if (handled || !field)
        return;
    if (useText) {
        if (field->DataType() == ftMemo && grid->DrawMemoText())
            field->SetAsString(text);
        else
            field->SetText(text);
    } else if (field->Lookup() && !field->KeyFields().isEmpty()) {
        field->DataSet()->SetFieldValues(field->KeyFields(), value);
    } else {
        field->SetValue(value);
    }
    // Only texts the user wrote through the cell editor are worth offering again; a refused write never gets here.
    if (m_mruList && m_mruList->Active() && m_mruList->AutoAdd && grid->InplaceEditor()
        && grid->InplaceEditor()->isVisible())
        m_mruList->Add(text);
}

bool TColumnEh::stepList(const QStringList &list, bool forward, int &index) const
{
    if (list.isEmpty())
        return false;
    if (forward)
        index = (index < 0 || index >= list.size() - 1) ? 0 : index + 1;
    else
        index = index <= 0 ? int(list.size()) - 1 : index - 1;
    return true;
}

void TColumnEh::StepColumnValue(double step)
{
    if (step == 0 || !CanModify(true))
        return;
    TField *field = GetField();
    // Forward for any positive step, backward for any negative one (the up-down button steps by Increment).
    const bool forward = step > 0;
    switch (GetCellKind()) {
    case ckCheckBoxEh:
        SetCheckboxState(GetCheckboxState() == cbChecked ? cbUnchecked : cbChecked);
        return;
    case ckPickListEh: {
        const QStringList &picks = PickList();
        const int old = indexOfText(picks, field->Text());
        int index = old;
        if (!stepList(picks, forward, index))
            return;
        const bool wraps = forward ? (old < 0 || old >= picks.size() - 1) : old <= 0;
        if (wraps)
            field->SetText(picks[index]);
        else
            UpdateColumnData(picks[index], QVariant(), true);
        return;
    }
    case ckKeyListEh:
    case ckImageEh: {
        const QStringList &keys = KeyList();
        int index = indexOfText(keys, field->Text());
        if (!stepList(keys, forward, index))
            return; // an image column without a key list keeps its value
        UpdateColumnData(QString(), keys[index], false);
        return;
    }
    default:
        break;
    }
    if (field->Lookup()) {
        if (TDataSet *list = GetLookupListDataSet(); list && list->Active() && !list->IsEmpty()) {
            const QVariant key = field->DataSet()->FieldValues(field->KeyFields());
            const bool found = key.isValid() && list->Locate(field->LookupKeyFields(), key);
            if (!found) {
                list->First();
            } else if (forward) {
                list->Next();
                if (list->Eof())
                    list->First();
            } else {
                if (list->RecNo() <= 1)
                    list->Last();
                else
                    list->Prior();
            }
            UpdateColumnData(QString(), list->FieldValues(field->LookupKeyFields()), false);
            return;
        }
    }
    const TFieldType t = field->Lookup() ? ftUnknown : field->DataType();
    TField *target = field;
    if (field->Lookup()) {
        const QStringList keys = SplitFieldNames(field->KeyFields());
        target = keys.isEmpty() ? nullptr : field->DataSet()->FindField(keys.first());
    }
    if (!target || !isStepNumeric(field->Lookup() ? target->DataType() : t))
        return;
    try {
        const double current = target->IsNull() ? -step : target->AsFloat();
        target->SetValue(current + step);
    } catch (const EDatabaseError &) {
        // A value the field refuses leaves the cell as it was.
    }
}

void TColumnEh::FillCellParams(TColCellParamsEh &params,
                               const std::function<void(TColCellParamsEh &)> &beforeColumn) const
{
    params.Row = -1;
    params.Col = -1;
    params.State = 0;
    params.Font.Assign(Font());
    params.Background = Color();
    params.Alignment = Alignment();
    params.ImageIndex = GetImageIndex();
    params.Text = GetColumnDisplayText();
    params.CheckState = GetCheckboxState();
    params.ReadOnly = ReadOnly();
    if (beforeColumn)
        beforeColumn(params);
    DoGetCellParams(params);
}

void TColumnEh::DoGetCellParams(TColCellParamsEh &params) const
{
    if (OnGetCellParams)
        OnGetCellParams(const_cast<TColumnEh *>(this), false, params);
}

TDataSet *TColumnEh::GetLookupListDataSet() const
{
    if (TDataSource *source = m_dropDownBox->ListSource(); source && source->DataSet())
        return source->DataSet();
    TField *field = GetField();
    return field ? field->LookupDataSet() : nullptr;
}

bool TColumnEh::ShowsDefaultEditButton() const
{
    // The cell shows its button exactly when the cell editor would give it one, so the grid's drawing and the
    // editor's button row agree.
    return TDBGridInplaceEdit::EditStyleOf(const_cast<TColumnEh *>(this)) != esSimple;
}

int TColumnEh::EditButtonsWidth() const
{
    TCustomDBGridEh *grid = GetGrid();
    const bool flat = grid && grid->Flat();
    const int buttonWidth = flat ? FlatButtonWidth() : ScrollBarExtent();
    int width = ShowsDefaultEditButton() ? buttonWidth + (flat ? 1 : 0) : 0;
    for (int i = 0; i < m_editButtons->Count(); ++i) {
        const TEditButtonEh *button = m_editButtons->GetItem(i);
        if (button->Visible())
            width += (button->Width() > 0 ? button->Width() : buttonWidth) + (flat ? 1 : 0);
    }
    return width;
}

void TColumnEh::ResetToDefaults()
{
    m_title->ResetToDefaults();
    m_assigned = 0;
    Font();
    m_pickList.reset();
    m_keyList.reset();
    ButtonStyle = cbsAuto;
}

void TColumnEh::Assign(const TColumnEh &source)
{
    if (m_collection)
        m_collection->BeginUpdate();
    m_fieldName = source.m_fieldName;
    m_field = nullptr;
    const TColumnEhValues flags = source.m_assigned;
    m_assigned |= flags & (cvColor | cvWidth | cvFont | cvImeMode | cvImeName | cvAlignment | cvReadOnly
                           | cvWordWrap | cvLookupDisplayFields | cvCheckboxes | cvEndEllipsis | cvToolTips
                           | cvAlwaysShowEditButton | cvAutoDropDown | cvDblClickNextVal | cvDropDownSizing
                           | cvDropDownShowTitles);
    m_color = source.m_color;
    m_width = source.m_width;
    m_font.Assign(source.m_font);
    m_alignment = source.m_alignment;
    m_readOnly = source.m_readOnly;
    m_wordWrap = source.m_wordWrap;
    m_lookupDisplayFields = source.m_lookupDisplayFields;
    m_checkboxes = source.m_checkboxes;
    m_endEllipsis = source.m_endEllipsis;
    m_toolTips = source.m_toolTips;
    m_alwaysShowEditButton = source.m_alwaysShowEditButton;
    m_autoDropDown = source.m_autoDropDown;
    m_dblClickNextVal = source.m_dblClickNextVal;
    m_dropDownShowTitles = source.m_dropDownShowTitles;
    m_dropDownSizing = source.m_dropDownSizing;
    m_autoFitColWidth = source.m_autoFitColWidth;
    m_minWidth = source.m_minWidth;
    m_maxWidth = source.m_maxWidth;
    m_visible = source.m_visible;
    ButtonStyle = source.ButtonStyle;
    m_displayFormat = source.m_displayFormat;
    DropDownRows = source.DropDownRows;
    DropDownWidth = source.DropDownWidth;
    EditMask = source.EditMask;
    Increment = source.Increment;
    m_notInKeyListIndex = source.m_notInKeyListIndex;
    ShowImageAndText = source.ShowImageAndText;
    Tag = source.Tag;
    m_imageList = source.m_imageList;
    if (source.m_pickList)
        PickList() = *source.m_pickList;
    if (source.m_keyList)
        KeyList() = *source.m_keyList;
    m_title->Assign(*source.m_title);
    m_footer->Assign(*source.m_footer);
    m_footers->Assign(*source.m_footers);
    m_editButtons->Assign(*source.m_editButtons);
    m_dropDownBox->Assign(*source.m_dropDownBox);
    OnGetCellParams = source.OnGetCellParams;
    OnUpdateData = source.OnUpdateData;
    Changed(true);
    if (m_collection)
        m_collection->EndUpdate();
}

// ---- Collection ----------------------------------------------------------------------------------------------

TDBGridColumnsEh::TDBGridColumnsEh(TCustomDBGridEh *grid, ColumnFactory columnClass)
    : QObject(grid)
    , m_grid(grid)
    , m_columnClass(std::move(columnClass))
{
}

TDBGridColumnsEh::~TDBGridColumnsEh()
{
    m_updateCount = 1; // no layout while the columns go
    for (TColumnEh *column : m_items)
        delete column;
    m_items.clear();
}

TColumnEh *TDBGridColumnsEh::Add()
{
    TColumnEh *column = m_columnClass(this);
    m_items.push_back(column);
    Changed(nullptr);
    return column;
}

TColumnEh *TDBGridColumnsEh::AddDefaultColumn()
{
    BeginUpdate();
    TColumnEh *column = Add();
    column->SetDefaultColumn(true);
    EndUpdate();
    return column;
}

int TDBGridColumnsEh::IndexOf(const TColumnEh *column) const
{
    auto it = std::find(m_items.begin(), m_items.end(), column);
    return it == m_items.end() ? -1 : int(it - m_items.begin());
}

void TDBGridColumnsEh::Delete(int index)
{
    TColumnEh *column = m_items.at(size_t(index));
    m_items.erase(m_items.begin() + index);
    if (m_pendingItem == column)
        m_pendingItem = nullptr;
    delete column;
    Changed(nullptr);
}

void TDBGridColumnsEh::Clear()
{
    if (m_items.empty())
        return;
    BeginUpdate();
    while (!m_items.empty())
        Delete(Count() - 1);
    EndUpdate();
}

void TDBGridColumnsEh::Move(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= Count() || to >= Count())
        return;
    TColumnEh *column = m_items[size_t(from)];
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, column);
    Changed(nullptr);
}

TColumnsEhState TDBGridColumnsEh::State() const
{
    return !m_items.empty() && !m_items.front()->IsDefaultColumn() ? csCustomized : csDefault;
}

void TDBGridColumnsEh::RemoveDefaultColumns()
{
    BeginUpdate();
    for (int i = Count() - 1; i >= 0; --i)
        if (m_items[size_t(i)]->IsDefaultColumn())
            Delete(i);
    EndUpdate();
}

void TDBGridColumnsEh::EndUpdate()
{
    if (m_updateCount > 0 && --m_updateCount == 0 && m_pendingUpdate) {
        m_pendingUpdate = false;
        TColumnEh *item = m_pendingItem;
        m_pendingItem = nullptr;
        Update(item);
    }
}

void TDBGridColumnsEh::Changed(TColumnEh *item)
{
    if (m_updateCount > 0) {
        // Several changed items inside one update count as a change of the whole collection.
        m_pendingItem = (m_pendingUpdate && m_pendingItem != item) ? nullptr : item;
        m_pendingUpdate = true;
        return;
    }
    Update(item);
}

void TDBGridColumnsEh::Update(TColumnEh *item)
{
    TCustomDBGridEh *grid = m_grid;
    if (!grid || grid->IsLoading())
        return;
    if (!item) {
        grid->LayoutChanged();
    } else {
        const int index = IndexOf(item);
        if (index < 0)
            return;
        const int gridCol = index + grid->IndicatorCols();
        if (gridCol >= grid->ColCount()) {
            grid->LayoutChanged();
            return;
        }
        grid->InvalidateCol(gridCol);
        if (!grid->AutoFitColWidths()) {
            const int wanted = item->Visible() ? item->Width() : ((grid->Options() & dgColLines) ? -1 : 0);
            if (grid->ColWidths(gridCol) != wanted && grid->TryBeginLayout()) {
                grid->SetColWidths(gridCol, wanted);
                grid->EndLayout();
            }
            // Group bands and the fitted title height follow the widths of the columns under them.
            if (grid->UseMultiTitle())
                grid->LayoutChanged();
        } else {
            const int gridWidth = grid->ColWidths(gridCol);
            if (gridWidth > 0 && item->Width() != gridWidth) {
                const int old = item->InitWidth();
                item->SetInitWidth(MulDiv(old, item->Width(), gridWidth));
                if (index + 1 < Count()) {
                    TColumnEh *next = m_items[size_t(index + 1)];
                    next->SetInitWidth(std::max(0, next->InitWidth() - (item->InitWidth() - old)));
                }
            }
            grid->LayoutChanged();
        }
    }
    // The current cell never stays on a hidden column.
    const int selected = grid->SelectedIndex();
    if (selected >= 0 && selected < Count() && !m_items[size_t(selected)]->Visible())
        for (int i = 0; i < Count(); ++i)
            if (m_items[size_t(i)]->Visible()) {
                grid->SetSelectedIndex(i);
                break;
            }
}
