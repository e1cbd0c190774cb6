// The lookup grid: list and key fields, the key value, the special row, sizes and the data grid's hooks.
// Keys, search, mouse and the drop-down form are in DBLookupGridsEhInput.cpp.
#include "DBLookupGridsEh.h"

#include "DatabaseError.h"
#include "Guard.h"
#include "Variant.h"

#include <QPainter>
#include <QResizeEvent>

// ---- Special-row cells ---------------------------------------------------------------------------------------

TSpecRowEh *TGridColumnSpecCellEh::specRow() const
{
    TDBLookupGridEh *grid = m_column->LookupGrid();
    return grid ? &grid->SpecRow() : nullptr;
}

QString TGridColumnSpecCellEh::Text() const
{
    if (m_textSet)
        return m_text;
    TSpecRowEh *row = specRow();
    return row ? row->GetCellText(m_column->Index()) : QString();
}

void TGridColumnSpecCellEh::SetText(const QString &value)
{
    if (value == Text())
        return;
    m_text = value;
    m_textSet = true;
}

TColor TGridColumnSpecCellEh::Color() const
{
    if (m_colorSet)
        return m_color;
    TSpecRowEh *row = specRow();
    return row ? row->Color() : m_color;
}

void TGridColumnSpecCellEh::SetColor(TColor value)
{
    if (value == Color())
        return;
    m_color = value;
    m_colorSet = true;
}

const TFont &TGridColumnSpecCellEh::Font() const
{
    if (!m_fontSet) {
        if (TSpecRowEh *row = specRow()) {
            auto change = std::move(m_font.OnChange);
            m_font.Assign(row->Font());
            m_font.OnChange = std::move(change);
        }
    }
    return m_font;
}

void TGridColumnSpecCellEh::SetFont(const TFont &value)
{
    m_font.Assign(value);
    m_fontSet = true;
}

void TGridColumnSpecCellEh::Assign(const TGridColumnSpecCellEh &source)
{
    SetText(source.Text());
    SetColor(source.Color());
    if (source.m_fontSet)
        SetFont(source.m_font);
}

// ---- Columns -------------------------------------------------------------------------------------------------

TDBLookupGridColumnEh::TDBLookupGridColumnEh(TDBGridColumnsEh *collection)
    : TColumnEh(collection)
    , m_specCell(this)
{
}

TDBLookupGridEh *TDBLookupGridColumnEh::LookupGrid() const
{
    return qobject_cast<TDBLookupGridEh *>(GetGrid());
}

void TDBLookupGridColumnEh::SetIndex(int value)
{
    TDBLookupGridEh *grid = LookupGrid();
    const int old = Index();
    if (!grid || value == old || value < 0 || value >= Collection()->Count()) {
        TColumnEh::SetIndex(value);
        return;
    }
    if (grid->ListActive()) {
        // The special row's texts follow their columns.
        QStringList texts = grid->SpecRow().CellTexts();
        if (old < texts.size()) {
            while (texts.size() <= value)
                texts.append(QString());
            texts.move(old, value);
            grid->SpecRow().SetCellsText(texts.join(QLatin1Char(';')));
        }
    }
    if (!IsDefaultColumn() || !grid->ListActive()) {
        TColumnEh::SetIndex(value);
        return;
    }
    // The column moves without moving its field in the list dataset; the list fields take the new order.
    TField *display = grid->DisplayListField();
    grid->BeginUpdate();
    try {
        SetDefaultColumn(false);
        TColumnEh::SetIndex(value);
        SetDefaultColumn(true);
        QStringList names;
        for (int i = 0; i < Collection()->Count(); ++i)
            names.append(Collection()->GetColumn(i)->FieldName());
        grid->setListField(names.join(QLatin1Char(';')), true);
        const int index = grid->m_listFields.indexOf(display);
        if (index >= 0) {
            grid->m_listFieldIndex = index;
            grid->m_displayListField = display;
        }
    } catch (...) {
        SetDefaultColumn(true);
        grid->EndUpdate();
        throw;
    }
    grid->EndUpdate();
    grid->LayoutChanged();
}

void TDBLookupGridColumnEh::SetWidth(int value)
{
    if (!IsDefaultColumn()) {
        TColumnEh::SetWidth(value);
        return;
    }
    SetDefaultColumn(false);
    TColumnEh::SetWidth(value);
    SetDefaultColumn(true);
}

// ---- The grid ------------------------------------------------------------------------------------------------

TDBLookupGridEh::TDBLookupGridEh(QWidget *parent)
    : TCustomDBGridEh(parent)
    , m_specRow(std::make_unique<TSpecRowEh>(this))
    , m_lookupLink(std::make_unique<TLookupGridDataLinkEh>(this))
{
    m_specRow->OnRowChanged = [this](TSpecRowEh *) { SpecRowChanged(); };
    SetOptions(dgColLines | dgRowSelect);
    SetOptionsEh(OptionsEh() | dghTraceColSizing);
    HorzScrollBar().Tracking = true;
    VertScrollBar().Tracking = true;
    SetFlat(true);
    SetDrawMemoText(true);
    setFocusPolicy(Qt::ClickFocus);
    SetVTitleMargin(5);
}

TDBLookupGridEh::~TDBLookupGridEh()
{
    m_specRow->OnRowChanged = nullptr;
    m_lookupLink->OwnerGrid = nullptr;
    m_lookupLink->SetDataSource(nullptr);
}

TDBGridColumnsEh *TDBLookupGridEh::CreateColumns()
{
    return new TDBGridColumnsEh(this,
                                [](TDBGridColumnsEh *c) -> TColumnEh * { return new TDBLookupGridColumnEh(c); });
}

TColumnDefValuesEh *TDBLookupGridEh::CreateColumnDefValues()
{
    return new TDBLookupGridColumnDefValuesEh(this);
}

void TDBLookupGridEh::SetReadOnly(bool value)
{
    m_readOnly = value;
    m_lookupLink->SetReadOnly(value);
}

bool TDBLookupGridEh::CanChangeKey() const
{
    return m_listActive && !m_readOnly;
}

bool KeyValueFitsKeyFields(const TFieldsArrEh &keyFields, const QVariant &value)
{
    const bool isArray = value.typeId() == QMetaType::QVariantList;
    if (keyFields.size() == 1)
        return !isArray;
    return keyFields.size() > 1 && isArray && value.toList().size() == keyFields.size();
}

bool IsLookupSearchField(const TField *field)
{
    return field && (field->FieldKind() == fkData || field->FieldKind() == fkLookup)
           && IsStringType(field->DataType());
}

bool TDBLookupGridEh::IsKeyValueCompatible(const TFieldsArrEh &keyFields, const QVariant &value) const
{
    return KeyValueFitsKeyFields(keyFields, value);
}

// ---- Fields and key ------------------------------------------------------------------------------------------

void TDBLookupGridEh::SetKeyField(const QString &value)
{
    if (value == m_keyField)
        return;
    m_keyField = value;
    ResolveListFields();
    UpdateColumnWidths();
}

void TDBLookupGridEh::SetListField(const QString &value)
{
    if (value == m_listField)
        return;
    setListField(value, true);
    UpdateColumnWidths();
}

void TDBLookupGridEh::setListField(const QString &value, bool resolve)
{
    m_listField = value;
    if (resolve)
        ResolveListFields();
}

int TDBLookupGridEh::EffectiveListFieldIndex() const
{
    return m_listFieldIndex >= 0 && m_listFieldIndex < m_listFields.size() ? m_listFieldIndex : 0;
}

void TDBLookupGridEh::ResolveListFields()
{
    m_listActive = false;
    m_displayListField = nullptr;
    m_listFields.clear();
    m_listKeyFields.clear();
    auto finish = [this] {
        if (m_listActive)
            KeyValueUpdated();
        else
            ListWindowChanged();
    };
    try {
        TDataSet *ds = DataLink()->DataSet();
        if (DataLink()->Active() && ds && !m_keyField.isEmpty()) {
            FieldsArrayFromNames(ds, this, m_keyField, m_listKeyFields);
            FindFieldsList(&m_listFields, ds, this, m_listField);
            if (m_listFields.isEmpty())
                m_listFields = m_listKeyFields;
            // An index beyond the list fields shows the first of them.
            m_displayListField = m_listFields.value(EffectiveListFieldIndex());
            m_listActive = m_displayListField != nullptr;
        }
    } catch (...) {
        m_listFields.clear();
        finish();
        throw;
    }
    finish();
}

void TDBLookupGridEh::SetKeyValue(const QVariant &value)
{
    if (SameVariantValues(value, m_keyValue))
        return;
    m_keyValue = value;
    KeyValueUpdated();
}

bool TDBLookupGridEh::FindKeyRecord()
{
    TDataSet *ds = DataLink()->DataSet();
    if (m_keyValue.isNull() || !m_keyValue.isValid() || !ds || !ds->Active()
        || !IsKeyValueCompatible(m_listKeyFields, m_keyValue))
        return false;
    // Only a key the list lacks is a miss; a list that cannot be searched is an error the user must see.
    return ds->Locate(m_keyField, m_keyValue, 0);
}

void TDBLookupGridEh::KeyValueUpdated()
{
    if (m_specRow->Visible()) {
        m_specRow->IsCurrent = SameVariantValues(m_keyValue, m_specRow->Value().toQVariant());
        if (!m_selecting && !m_specRow->IsCurrent && m_specRow->ShowIfNotInKeyList()) {
            if (FindKeyRecord())
                ListWindowChanged();
            else
                m_specRow->IsCurrent = true; // it stands for a key the list lacks
        }
    } else {
        m_specRow->IsCurrent = false;
    }
    if (m_listActive && !m_selecting) {
        if (FindKeyRecord() || m_specRow->IsCurrent)
            ListWindowChanged();
        else if (TDataSet *ds = DataLink()->DataSet())
            ds->First();
    }
    if (!m_displayListField)
        m_keyDisplayText.clear();
    else if (m_specRow->Visible() && m_specRow->IsCurrent)
        m_keyDisplayText = m_specRow->GetCellText(EffectiveListFieldIndex());
    else
        m_keyDisplayText = m_displayListField->DisplayText();
    UpdateActive();
    viewport()->update();
}

void TDBLookupGridEh::ListWindowChanged()
{
    if (m_listActive) {
        m_windowActiveRecord = DataLink()->ActiveRecord();
        m_windowRecordCount = DataLink()->RecordCount();
    } else {
        m_windowActiveRecord = 0;
        m_windowRecordCount = 0;
    }
    UpdateVertScrollBar();
    LayoutChanged();
}

void TDBLookupGridEh::SpecRowChanged()
{
    const int height = m_specRow->Visible() ? GetSpecRowHeight() : 0;
    if (height != m_specRowHeight) {
        m_specRowHeight = height;
        LayoutChanged();
        SetRowCount(m_rowCount);
    }
    if (m_listActive)
        KeyValueUpdated();
    viewport()->update();
}

// ---- Selecting -----------------------------------------------------------------------------------------------

void TDBLookupGridEh::ChooseKeyValue(const QVariant &value)
{
    SetKeyValue(value);
    UpdateActive();
    viewport()->update();
    if (OnClick)
        SafeCall([&] { OnClick(this); });
}

void TDBLookupGridEh::SelectCurrentRecord()
{
    TDataSet *ds = DataLink()->DataSet();
    if (!ds || !m_listActive)
        return;
    const bool was = m_selecting;
    m_selecting = true;
    try {
        const QVariant key = ds->FieldValues(m_keyField);
        if (!SameVariantValues(key, m_keyValue))
            ChooseKeyValue(key);
        else if (m_specRow->IsCurrent) {
            // The record's key happens to be the special row's value: the record is what was chosen.
            m_specRow->IsCurrent = false;
            UpdateActive();
            viewport()->update();
        }
    } catch (...) {
        m_selecting = was;
        throw;
    }
    m_selecting = was;
}

void TDBLookupGridEh::SelectSpecRow()
{
    const bool was = m_selecting;
    m_selecting = true;
    try {
        const QVariant value = m_specRow->Value().toQVariant();
        if (!SameVariantValues(value, m_keyValue))
            ChooseKeyValue(value);
    } catch (...) {
        m_selecting = was;
        throw;
    }
    m_selecting = was;
    m_specRow->IsCurrent = true;
    m_keyDisplayText = m_specRow->GetCellText(EffectiveListFieldIndex());
    UpdateActive();
    viewport()->update();
}

int TDBLookupGridEh::SpecRowGridRow() const
{
    return m_specRow->Visible() ? TopFixedRows() - 1 : -1;
}

void TDBLookupGridEh::SelectRowAt(int x, int y)
{
    const int clientHeight = ClientHeight();
    const TGridCoord at = MouseCoord(std::clamp(x, 0, std::max(0, ClientWidth() - 1)),
                                     std::clamp(y, 0, std::max(0, clientHeight - 1)));
    if (m_specRow->Visible() && at.Y == SpecRowGridRow()) {
        SelectSpecRow();
        return;
    }
    const int dataRow = at.Y - TopFixedRows();
    if (at.Y < 0 || dataRow < 0 || dataRow >= DataLink()->RecordCount())
        return;
    DataLink()->MoveBy(dataRow - DataLink()->ActiveRecord());
    SelectCurrentRecord();
}

// ---- Sizes ---------------------------------------------------------------------------------------------------

int TDBLookupGridEh::GetBorderHeight() const
{
    int border = 2 * frameWidth();
    if (horizontalScrollBar()->isVisibleTo(this))
        border += horizontalScrollBar()->sizeHint().height();
    return border;
}

int TDBLookupGridEh::GetDataRowHeight() const
{
    return DefaultRowHeight() + ((Options() & dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridEh::GetSpecRowHeight() const
{
    return GetDataRowHeight();
}

int TDBLookupGridEh::TitleBandHeight() const
{
    if (!ShowTitles() || TCustomGrid::RowCount() == 0)
        return 0;
    return RowHeights(0) + ((Options() & dgRowLines) ? GridLineWidth() : 0);
}

void TDBLookupGridEh::SetRowCount(int rows)
{
    rows = std::clamp(rows, 1, 100);
    m_rowCount = rows;
    m_specRowHeight = m_specRow->Visible() ? GetSpecRowHeight() : 0;
    const int height = TitleBandHeight() + rows * GetDataRowHeight() + GetBorderHeight() + m_specRowHeight;
    SetBounds(x(), y(), width(), height);
}

void TDBLookupGridEh::SetBounds(int left, int top, int width, int height)
{
    m_specRowHeight = m_specRow->Visible() ? GetSpecRowHeight() : 0;
    const int fixed = TitleBandHeight() + GetBorderHeight() + m_specRowHeight;
    const int rows = std::clamp((height - fixed) / std::max(1, GetDataRowHeight()), 1, 100);
    m_rowCount = rows;
    const bool was = m_settingBounds;
    m_settingBounds = true;
    setGeometry(left, top, width, fixed + rows * GetDataRowHeight());
    m_settingBounds = was;
}

void TDBLookupGridEh::resizeEvent(QResizeEvent *event)
try {
    const HandlerEdge edge;
    TCustomDBGridEh::resizeEvent(event);
    if (m_settingBounds || m_sizing)
        return;
    // A height set from outside (the size grip) is taken in whole rows.
    m_sizing = true;
    const QRect g = geometry();
    SetBounds(g.x(), g.y(), g.width(), g.height());
    m_sizing = false;
} catch (...) {
    endAtHandlerEdge();
}

void TDBLookupGridEh::SetShowTitles(bool value)
{
    if (value == ShowTitles())
        return;
    SetOptions(value ? Options() | dgTitles : Options() & ~dgTitles);
    SetRowCount(m_rowCount);
}

void TDBLookupGridEh::SetUseMultiTitle(bool value)
{
    TCustomDBGridEh::SetUseMultiTitle(value);
    SetRowCount(m_rowCount);
}

void TDBLookupGridEh::SetAutoFitColWidths(bool value)
{
    if (value == m_autoFitColWidths)
        return;
    m_autoFitColWidths = value;
    HorzScrollBar().SetVisible(!value);
    SetRowCount(m_rowCount);
    UpdateVertScrollBar();
    UpdateColumnWidths();
}

void TDBLookupGridEh::UpdateColumnWidths()
{
    if (m_updatingWidths)
        return;
    m_updatingWidths = true;
    try {
        TCustomDBGridEh::SetAutoFitColWidths(m_autoFitColWidths);
        LayoutChanged();
        SetRowCount(m_rowCount);
    } catch (...) {
        m_updatingWidths = false;
        throw;
    }
    m_updatingWidths = false;
}

void TDBLookupGridEh::ColWidthsChanged()
{
    TCustomDBGridEh::ColWidthsChanged();
    if (m_autoFitColWidths && GridState() == gsColSizing && !m_updatingWidths) {
        // A border dragged while fitting: the window takes the columns' new widths.
        int total = 0;
        for (int i = 0; i < Columns().Count(); ++i)
            if (Columns()[i]->Visible())
                total += Columns()[i]->Width() + ((Options() & dgColLines) ? GridLineWidth() : 0);
        resize(width() - ClientWidth() + total, height());
    }
}

int TDBLookupGridEh::GetColumnsWidth()
{
    int width = 0;
    const bool colLines = Options() & dgColLines;
    for (int i = 0; i < Columns().Count(); ++i) {
        TColumnEh *column = Columns()[i];
        if (column->Visible())
            width += m_autoFitColWidths && column->InitWidth() > 0 ? column->InitWidth() : column->Width();
        if (colLines)
            width += GridLineWidth();
    }
    return width;
}

QRect TDBLookupGridEh::GetDataRect() const
{
    const int top = m_specRow->Visible() ? SpecRowGridRow() : TopFixedRows();
    int bottom = TopFixedRows() + m_rowCount - 1;
    if (GetFooterRowCount() > 0)
        bottom -= GetFooterRowCount() + 1;
    return GetBoxRect(FixedCols(), top, ColCount() - 1, std::min(bottom, TCustomGrid::RowCount() - 1));
}

void TDBLookupGridEh::SetLookupOptions(TDBLookupGridEhOptions value)
{
    m_lookupOptions = value;
    TDBGridOptions options = Options() & ~(dgColumnResize | dgColLines | dgRowLines);
    if (value & dlgColumnResizeEh)
        options |= dgColumnResize;
    if (value & dlgColLinesEh)
        options |= dgColLines;
    if (value & dlgRowLinesEh)
        options |= dgRowLines;
    SetOptions(options);
    TDBGridEhOptions optionsEh = OptionsEh() & ~(dghAutoSortMarking | dghMultiSortMarking);
    if (value & dlgAutoSortMarkingEh)
        optionsEh |= dghAutoSortMarking;
    if (value & dlgMultiSortMarkingEh)
        optionsEh |= dghMultiSortMarking;
    SetOptionsEh(optionsEh);
    SetRowCount(m_rowCount);
}

// ---- The data grid's hooks -----------------------------------------------------------------------------------

int TDBLookupGridEh::IsFilterRowVisible() const
{
    return TCustomDBGridEh::IsFilterRowVisible() + (m_specRow->Visible() ? 1 : 0);
}

bool TDBLookupGridEh::IsCell3D(int col, int row, const QRect &rect, TGridDrawState state) const
{
    if (m_specRow->Visible() && row == SpecRowGridRow())
        return false;
    return TCustomDBGridEh::IsCell3D(col, row, rect, state);
}

bool TDBLookupGridEh::RowHasKey() const
{
    TDataSet *ds = DataLink()->DataSet();
    if (!m_listActive || !ds || m_keyValue.isNull() || !m_keyValue.isValid())
        return false;
    try {
        return SameVariantValues(ds->FieldValues(m_keyField), m_keyValue);
    } catch (...) {
        return false;
    }
}

bool TDBLookupGridEh::GetDataCellSelectionColors(int, int, TFont &font, TColor &background, TGridDrawState)
{
    // Drawing runs with the row's record active, so the key read is the row's.
    if (UpdateLock() > 0 || !RowHasKey())
        return false;
    background = clHighlight;
    font.SetColor(clHighlightText);
    return true;
}

bool TDBLookupGridEh::bufferRowHasKey(int bufferRow)
{
    bool found = false;
    WithRecordOfRow(bufferRow, [&] { found = RowHasKey(); });
    return found;
}

void TDBLookupGridEh::UpdateActive()
{
    if (!IncrementalSearching())
        StopIncrementalSearch();
    m_keyRowShown = false;
    if (!m_listActive || IsLoading())
        return;
    for (int r = 0; r < DataLink()->RecordCount(); ++r) {
        if (!bufferRowHasKey(r))
            continue;
        const int row = r + TopFixedRows();
        if (row != Row() && row < TCustomGrid::RowCount()) {
            if (!(Options() & dgAlwaysShowEditor))
                HideEditor();
            MoveCurrent(std::max(Col(), FixedCols() < ColCount() ? FixedCols() : Col()), row, true, false);
            InvalidateCellEditor();
        }
        m_keyRowShown = true;
        break;
    }
}

void TDBLookupGridEh::DataChanged()
{
    TCustomDBGridEh::DataChanged();
    ListWindowChanged();
}

void TDBLookupGridEh::DataScrolled(int distance)
{
    BeginUpdate();
    try {
        TCustomDBGridEh::DataScrolled(distance);
        ListWindowChanged();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TDBLookupGridEh::UpdateRowCount()
{
    TCustomDBGridEh::UpdateRowCount();
    if (m_updatingRowCount)
        return;
    m_updatingRowCount = true;
    try {
        ListWindowChanged();
    } catch (...) {
        m_updatingRowCount = false;
        throw;
    }
    m_updatingRowCount = false;
}

void TDBLookupGridEh::LayoutChanged()
{
    TCustomDBGridEh::LayoutChanged();
}

void TDBLookupGridEh::LinkActiveChanged(bool value)
{
    try {
        ResolveListFields();
    } catch (...) {
        TCustomDBGridEh::LinkActiveChanged(value);
        throw;
    }
    TCustomDBGridEh::LinkActiveChanged(value);
    UpdateColumnWidths();
}

void TDBLookupGridEh::BuildFieldMap()
{
    DataLink()->ClearMapping();
    if (Columns().State() == csCustomized) {
        DataLink()->SetSparseMap(true);
        for (int i = 0; i < Columns().Count(); ++i)
            DataLink()->AddFieldMapping(Columns()[i]->FieldName());
    } else {
        DataLink()->SetSparseMap(false);
        for (TField *field : m_listFields)
            DataLink()->AddFieldMapping(field->FieldName());
    }
}

void TDBLookupGridEh::CollectDatasetFields(QList<TField *> &list)
{
    list.append(m_listFields);
}

void TDBLookupGridEh::DrawTitleBackground(QPainter &painter, int col, int row, const QRect &rect,
                                          TGridDrawState state)
{
    if (!m_specRow->Visible() || row != SpecRowGridRow()) {
        TCustomDBGridEh::DrawTitleBackground(painter, col, row, rect, state);
        return;
    }
    const int dataCol = col - IndicatorCols();
    auto *column = dataCol >= 0 && dataCol < Columns().Count()
        ? static_cast<TDBLookupGridColumnEh *>(Columns()[dataCol])
        : nullptr;
    TFont font;
    font.Assign(m_specRow->Font());
    TColor background = m_specRow->Color();
    QString text;
    TAlignment alignment = taLeftJustify;
    if (column) {
        font.Assign(column->SpecCell().Font());
        background = column->SpecCell().Color();
        text = column->SpecCell().Text();
        alignment = column->Alignment();
        if (layoutDirection() == Qt::RightToLeft && alignment != taCenter)
            alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    }
    if (m_specRow->IsCurrent) {
        font.SetColor(clHighlightText);
        background = clHighlight;
    }
    painter.fillRect(rect, toQColor(background));
    painter.setFont(font.qfont());
    painter.setPen(font.qcolor());
    DrawCellText(painter, rect, text, alignment, TextMargin() / 2 + 1, TextMargin() / 2, false, false);
    if (m_specRow->IsCurrent && col == ColCount() - 1) {
        const QRect box = GetBoxRect(FixedCols(), row, ColCount() - 1, row);
        if (!box.isEmpty())
            DrawFocusRect(painter, box);
    }
}
