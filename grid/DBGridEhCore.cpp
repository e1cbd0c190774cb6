// The data grid: construction, options, coordinates, the data link and the update and layout brackets.
#include "DBGridEh.h"

#include "Guard.h"

#include <QKeyEvent>

#include <algorithm>

#include <QPainter>
#include <QResizeEvent>

namespace {
constexpr int kMaxMapSize = 268435455;
}

// ---- Data link -----------------------------------------------------------------------------------------------

TGridDataLinkEh::TGridDataLinkEh(TCustomDBGridEh *grid)
    : m_grid(grid)
{
    SetVisualControl(true);
}

int TGridDataLinkEh::AddFieldMapping(const QString &fieldName)
{
    if (int(m_fieldMap.size()) >= kMaxMapSize - 1)
        throw EInvalidGridOperation(QStringLiteral("Grid requested to display more than 256 columns"));
    TDataSet *ds = DataSet();
    int index = -1;
    if (ds) {
        TField *field = m_sparseMap ? ds->FindField(fieldName) : ds->FieldByName(fieldName);
        index = field ? field->Index() : -1;
    }
    if (m_fieldMap.capacity() == m_fieldMap.size())
        m_fieldMap.reserve(std::max<size_t>(8, m_fieldMap.size() * 2));
    m_fieldMap.push_back(index);
    return index;
}

void TGridDataLinkEh::ClearMapping()
{
    m_fieldMap.clear();
}

int TGridDataLinkEh::GetMappedIndex(int column) const
{
    return column >= 0 && column < int(m_fieldMap.size()) ? m_fieldMap[size_t(column)] : -1;
}

TField *TGridDataLinkEh::Fields(int column) const
{
    const int index = GetMappedIndex(column);
    TDataSet *ds = DataSet();
    return ds && index >= 0 && index < ds->FieldCount() ? ds->Fields()[index] : nullptr;
}

bool TGridDataLinkEh::DefaultFields() const
{
    TDataSet *ds = DataSet();
    if (!ds || !ds->DefaultFields())
        return false;
    return std::none_of(m_fieldMap.begin(), m_fieldMap.end(), [](int i) { return i < 0; });
}

void TGridDataLinkEh::ActiveChanged()
{
    m_grid->LinkActiveChanged(Active());
}

void TGridDataLinkEh::DataSetChanged()
{
    m_grid->DataChanged();
    m_modified = false;
}

void TGridDataLinkEh::DataSetScrolled(int distance)
{
    m_grid->DataScrolled(distance);
}

void TGridDataLinkEh::EditingChanged()
{
    m_grid->EditingChanged();
}

void TGridDataLinkEh::FocusControl(TField **field)
{
    if (!field || !*field)
        return;
    for (int i = 0; i < m_grid->Columns().Count(); ++i)
        if (m_grid->Columns()[i]->GetField() == *field && m_grid->Columns()[i]->Visible()) {
            m_grid->SetSelectedIndex(i);
            if (m_grid->CurrentField() == *field) {
                *field = nullptr;
                m_grid->setFocus();
                m_grid->ShowEditor();
            }
            return;
        }
}

void TGridDataLinkEh::LayoutChanged()
{
    const bool was = m_grid->m_inDataLinkLayout;
    m_grid->m_inDataLinkLayout = true;
    try {
        m_grid->LayoutChanged();
    } catch (...) {
        m_grid->m_inDataLinkLayout = was;
        throw;
    }
    m_grid->m_inDataLinkLayout = was;
}

void TGridDataLinkEh::RecordChanged(TField *field)
{
    m_grid->CellDataChanged(field);
    m_modified = false;
}

void TGridDataLinkEh::UpdateData()
{
    if (!m_modified || m_inUpdateData)
        return;
    m_inUpdateData = true;
    try {
        m_grid->WriteEditorText();
    } catch (...) {
        m_inUpdateData = false;
        throw;
    }
    m_inUpdateData = false;
    m_modified = false;
}

// ---- Sum list ------------------------------------------------------------------------------------------------

TDBGridEhSumList::TDBGridEhSumList(TCustomDBGridEh *grid)
    : m_grid(grid)
{
    Deactivate(false);
}

bool TDBGridEhSumList::OwnerLoading() const
{
    return m_grid->IsLoading();
}

// ---- Style ---------------------------------------------------------------------------------------------------

TDBGridEhStyle &TDBGridEhStyle::Instance()
{
    static TDBGridEhStyle style;
    return style;
}

// ---- Grid ----------------------------------------------------------------------------------------------------

TCustomDBGridEh::TCustomDBGridEh(QWidget *parent)
    : TCustomGrid(parent)
    , m_dataLink(std::make_unique<TGridDataLinkEh>(this))
    , m_horzScrollBar(std::make_unique<TDBGridEhScrollBar>(this, Qt::Horizontal))
    , m_vertScrollBar(std::make_unique<TVertDBGridEhScrollBar>(this, Qt::Vertical))
    , m_headTree(std::make_unique<THeadTreeNode>(QStringLiteral("Root"), 0, 10))
    , m_metrics(std::make_unique<TFontGridMetricsEh>())
{
    // The sum list asks the grid whether it is loading as it is made: it comes once every member has its value.
    m_sumList = std::make_unique<TDBGridEhSumList>(this);
    m_selection = std::make_unique<TDBGridEhSelection>(this);
    m_titleFont.Assign(Font());
    m_footerFont.Assign(Font());
    m_titleFont.OnChange = [this] { LayoutChanged(); };
    m_footerFont.OnChange = [this] { LayoutChanged(); };
    m_sumList->SumListChanged = [this](TDBSumListProducer *) { sumListChanged(); };
    m_sumList->OnRecalcAll = [this](TDBSumListProducer *sender) {
        if (OnSumListRecalcAll)
            OnSumListRecalcAll(sender);
    };
    m_sumList->OnAfterRecalcAll = [this](TDBSumListProducer *sender) {
        if (OnSumListAfterRecalcAll)
            OnSumListAfterRecalcAll(sender);
    };
    m_postedLayout = new TDeferredCall(
        [this] {
            if (TryBeginLayout())
                EndLayout();
            else
                PostLayout();
        },
        this);
    m_overflowReport = new TDeferredCall([this] { reportSumOverflows(); }, this);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
        guard([&] {
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                VertScroll(scLineDown, 0);
                break;
            case QAbstractSlider::SliderSingleStepSub:
                VertScroll(scLineUp, 0);
                break;
            case QAbstractSlider::SliderPageStepAdd:
                VertScroll(scPageDown, 0);
                break;
            case QAbstractSlider::SliderPageStepSub:
                VertScroll(scPageUp, 0);
                break;
            case QAbstractSlider::SliderToMinimum:
                VertScroll(scTop, 0);
                break;
            case QAbstractSlider::SliderToMaximum:
                VertScroll(scBottom, 0);
                break;
            case QAbstractSlider::SliderMove:
                VertScroll(scThumbTrack, verticalScrollBar()->sliderPosition());
                break;
            default:
                break;
            }
        });
    });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
            [this] { guard([&] { VertScroll(scThumbPosition, verticalScrollBar()->sliderPosition()); }); });
    SetDefaultDrawing(true);
    SetColCount(2);
    SetRowCount(2);
    SetFixedCols(1);
    SetFixedRows(1);
    applyOptions();
}

TCustomDBGridEh::~TCustomDBGridEh()
{
    // Columns first, while the sum list can still take their footers' items back; nothing lays out or
    // recalculates meanwhile.
    m_loading = true;
    m_postedLayout->Cancel();
    m_overflowReport->Cancel();
    // The filter editor asks this grid about its events: it goes while the grid is still whole.
    delete static_cast<QObject *>(filterEditorWidget());
    m_filterEdit = nullptr;
    delete m_columns;
    m_columns = nullptr;
    m_sumList->SetDataSet(nullptr);
    m_dataLink->SetDataSource(nullptr);
    m_headTree->Clear();
}

TDBGridColumnsEh &TCustomDBGridEh::Columns()
{
    // Made on first use, after construction, so that a derived grid's factory is the one used.
    if (!m_columns)
        m_columns = CreateColumns();
    return *m_columns;
}

const TDBGridColumnsEh &TCustomDBGridEh::Columns() const
{
    return const_cast<TCustomDBGridEh *>(this)->Columns();
}

TColumnDefValuesEh &TCustomDBGridEh::ColumnDefValues()
{
    if (!m_columnDefValues)
        m_columnDefValues.reset(CreateColumnDefValues());
    return *m_columnDefValues;
}

const TColumnDefValuesEh &TCustomDBGridEh::ColumnDefValues() const
{
    return const_cast<TCustomDBGridEh *>(this)->ColumnDefValues();
}

TDBGridColumnsEh *TCustomDBGridEh::CreateColumns()
{
    return new TDBGridColumnsEh(this, [](TDBGridColumnsEh *c) -> TColumnEh * { return new TDBGridColumnEh(c); });
}

TColumnDefValuesEh *TCustomDBGridEh::CreateColumnDefValues()
{
    return new TDBGridEhColumnDefValuesEh(this);
}

TDBGridEhScrollBar *TCustomDBGridEh::CreateScrollBar(Qt::Orientation kind)
{
    if (kind == Qt::Vertical)
        return new TVertDBGridEhScrollBar(this, kind);
    return new TDBGridEhScrollBar(this, kind);
}

void TCustomDBGridEh::SafeCall(const std::function<void()> &fn) const
{
    guard(fn);
}

void TCustomDBGridEh::Loaded()
{
    m_loading = false;
    if (m_autoFitColWidths)
        for (int i = 0; i < Columns().Count(); ++i)
            Columns()[i]->SetInitWidth(Columns()[i]->Width());
    rebuildSortList();
    if (DataSource())
        m_sumList->SetDataSet(DataSource()->DataSet());
    for (int i = 0; i < Columns().Count(); ++i) {
        Columns()[i]->Footer().SyncFooterSum();
        for (int k = 0; k < Columns()[i]->Footers().Count(); ++k)
            Columns()[i]->Footers().Items(k)->SyncFooterSum();
    }
    if (m_sumList->Active())
        m_sumList->Activate(true);
    LayoutChanged();
    PostLayout();
}

void TCustomDBGridEh::rebuildSortList()
{
    // A column with sort index k takes position k of the sort-marked list.
    std::vector<std::pair<int, TColumnEh *>> marked;
    for (int i = 0; i < Columns().Count(); ++i)
        if (Columns()[i]->Title().SortIndex() > 0)
            marked.emplace_back(Columns()[i]->Title().SortIndex(), Columns()[i]);
    std::stable_sort(marked.begin(), marked.end(), [](auto &a, auto &b) { return a.first < b.first; });
    m_sortMarkedColumns.clear();
    for (auto &m : marked)
        m_sortMarkedColumns.append(m.second);
}

// ---- Data ----------------------------------------------------------------------------------------------------

void TCustomDBGridEh::SetDataSource(TDataSource *value)
{
    if (value == DataSource())
        return;
    const bool wasActive = m_dataLink->Active();
    m_dataLink->SetDataSource(value);
    // A change of activity reached LinkActiveChanged through the link already.
    if (wasActive == m_dataLink->Active())
        LinkActiveChanged(m_dataLink->Active());
    m_sumList->SetDataSet(value ? value->DataSet() : nullptr);
}

int TCustomDBGridEh::SelectedIndex() const
{
    return Col() - m_indicatorOffset;
}

void TCustomDBGridEh::SetSelectedIndex(int value)
{
    if (value < 0 || value >= Columns().Count())
        return;
    SelectCol(value, 0);
}

TField *TCustomDBGridEh::CurrentField() const
{
    const int i = SelectedIndex();
    return i >= 0 && i < Columns().Count() ? Columns()[i]->GetField() : nullptr;
}

void TCustomDBGridEh::LinkActiveChanged(bool value)
{
    if (!value)
        HideEditor();
    m_selection->LinkStateChanged(value);
    m_sumList->SetDataSet(DataSource() ? DataSource()->DataSet() : nullptr);
    if (value)
        m_sumList->RefreshActivation();
    LayoutChanged();
    if ((m_dbOptions & dgAlwaysShowEditor) && value)
        ShowEditor();
    UpdateVertScrollBar();
}

void TCustomDBGridEh::EditingChanged()
{
    if ((m_dbOptions & dgIndicator) && m_dataLink->Active())
        InvalidateCell(0, m_dataLink->ActiveRecord() + TopFixedRows());
}

void TCustomDBGridEh::CellDataChanged(TField *field)
{
    if (!field) {
        InvalidateGrid();
    } else {
        const int row = m_dataLink->ActiveRecord() + TopFixedRows();
        for (int i = 0; i < Columns().Count(); ++i)
            if (Columns()[i]->GetField() == field)
                InvalidateCell(i + m_indicatorOffset, row);
    }
    if (EditorMode() && InplaceEditor()) {
        TField *current = CurrentField();
        // Only a value that changed under the editor replaces its text (a key list shows another text).
        if (current && cellEditText(SelectedIndex()) != InplaceEditor()->text()) {
            InvalidateEditor();
            InplaceEditor()->Deselect();
        }
    }
}

bool TCustomDBGridEh::SelectCell(int col, int row)
{
    Q_UNUSED(row);
    const int i = col - m_indicatorOffset;
    return i < 0 || i >= Columns().Count() || Columns()[i]->Visible();
}

// ---- Options -------------------------------------------------------------------------------------------------

void TCustomDBGridEh::applyOptions()
{
    TGridOptions o = 0;
    if (m_dbOptions & dgColLines)
        o |= goFixedVertLine | goVertLine;
    if (m_dbOptions & dgRowLines)
        o |= goFixedHorzLine | goHorzLine;
    if (m_dbOptions & dgColumnResize)
        o |= goColSizing | goColMoving;
    if (m_dbOptions & dgTabs)
        o |= goTabs;
    if (m_dbOptions & dgEditing)
        o |= goEditing;
    if (m_dbOptions & dgAlwaysShowEditor)
        o |= goAlwaysShowEditor;
    if (m_dbOptions & dgRowSelect)
        o |= goRowSelect;
    if (m_rowSizingAllowed)
        o |= goRowSizing;
    TCustomGrid::SetOptions(o);
}

void TCustomDBGridEh::SetOptions(TDBGridOptions value)
{
    // A row-select grid selects whole records: it never edits a cell.
    if (value & dgRowSelect)
        value &= ~(dgEditing | dgAlwaysShowEditor);
    const TDBGridOptions layoutOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator | dgColLines
        | dgRowLines | dgRowSelect | dgAlwaysShowSelection;
    const TDBGridOptions changed = value ^ m_dbOptions;
    if (!changed)
        return;
    m_dbOptions = value;
    applyOptions();
    if (changed & layoutOptions)
        LayoutChanged();
    if (EditorMode())
        InvalidateEditor();
}

void TCustomDBGridEh::SetOptionsEh(TDBGridEhOptions value)
{
    if (value == m_optionsEh)
        return;
    const bool dropMulti = (m_optionsEh & dghMultiSortMarking) && !(value & dghMultiSortMarking);
    m_optionsEh = value;
    if (dropMulti && m_sortMarkedColumns.size() > 1) {
        TColumnEh *first = m_sortMarkedColumns.first();
        for (int i = 0; i < Columns().Count(); ++i) {
            TColumnTitleEh &title = Columns()[i]->Title();
            if (Columns()[i] == first) {
                title.m_sortIndex = 1;
            } else {
                title.m_sortMarker = smNoneEh;
                title.m_sortIndex = 0;
            }
        }
        m_sortMarkedColumns = {first};
    }
    LayoutChanged();
}

void TCustomDBGridEh::SetAutoFitColWidths(bool value)
{
    if (value == m_autoFitColWidths)
        return;
    m_autoFitColWidths = value;
    if (!m_loading) {
        Columns().BeginUpdate();
        for (int i = 0; i < Columns().Count(); ++i) {
            TColumnEh *column = Columns()[i];
            if (value)
                column->SetInitWidth(column->Width());
            else
                column->SetWidth(column->InitWidth());
        }
        Columns().EndUpdate();
    }
    LayoutChanged();
}

void TCustomDBGridEh::SetDrawMemoText(bool value)
{
    m_drawMemoText = value;
    InvalidateGrid();
}

void TCustomDBGridEh::SetFlat(bool value)
{
    if (value == m_flat)
        return;
    m_flat = value;
    LayoutChanged();
}

void TCustomDBGridEh::SetFooterColor(TColor value)
{
    m_footerColor = value;
    InvalidateGrid();
}

void TCustomDBGridEh::SetFooterRowCount(int value)
{
    if (value < 0 || value == m_footerRowCount)
        return;
    m_footerRowCount = value;
    LayoutChanged();
}

void TCustomDBGridEh::SetFrozenCols(int value)
{
    if (value < 0 || value == m_frozenCols)
        return;
    m_frozenCols = value;
    LayoutChanged();
}

void TCustomDBGridEh::SetMinAutoFitWidth(int value)
{
    m_minAutoFitWidth = std::max(0, value);
    LayoutChanged();
}

void TCustomDBGridEh::SetReadOnly(bool value)
{
    m_readOnly = value;
    LayoutChanged();
}

void TCustomDBGridEh::SetRowHeight(int value)
{
    m_rowHeight = std::max(0, value);
    LayoutChanged();
}

void TCustomDBGridEh::SetRowLines(int value)
{
    m_rowLines = std::max(0, value);
    LayoutChanged();
}

void TCustomDBGridEh::SetRowSizingAllowed(bool value)
{
    m_rowSizingAllowed = value;
    applyOptions();
}

void TCustomDBGridEh::SetTitleHeight(int value)
{
    m_titleHeight = std::max(0, value);
    LayoutChanged();
}

void TCustomDBGridEh::SetTitleLines(int value)
{
    m_titleLines = std::max(0, value);
    LayoutChanged();
}

void TCustomDBGridEh::SetTitleImages(const TImageList *value)
{
    m_titleImages = value;
    LayoutChanged();
}

void TCustomDBGridEh::SetUseMultiTitle(bool value)
{
    if (value == m_useMultiTitle)
        return;
    m_useMultiTitle = value;
    LayoutChanged();
}

void TCustomDBGridEh::SetVTitleMargin(int value)
{
    m_vTitleMargin = value;
    LayoutChanged();
}

void TCustomDBGridEh::FontChanged()
{
    TCustomGrid::FontChanged();
    // Columns without a font of their own follow the grid's on their next read.
    LayoutChanged();
}

void TCustomDBGridEh::SetMetrics(std::unique_ptr<IGridMetricsEh> metrics)
{
    m_metrics = std::move(metrics);
    LayoutChanged();
}

// ---- Coordinates ---------------------------------------------------------------------------------------------

int TCustomDBGridEh::GetDataRowCount() const
{
    int rows = RowCount() - TopFixedRows();
    if (m_footerRowCount > 0)
        rows -= m_footerRowCount + 1;
    return std::max(0, rows);
}

int TCustomDBGridEh::FirstFooterRow() const
{
    return m_footerRowCount > 0 ? RowCount() - m_footerRowCount : -1;
}

TGridRect TCustomDBGridEh::GetDataCellsRange() const
{
    return {m_indicatorOffset, TopFixedRows(), ColCount() - 1, TopFixedRows() + GetDataRowCount() - 1};
}

void TCustomDBGridEh::WithRecordOfRow(int dataRow, const std::function<void()> &fn)
{
    const int old = m_dataLink->ActiveRecord();
    const int outerBorrow = m_borrowedFrom;
    if (m_borrowedFrom < 0)
        m_borrowedFrom = old;
    m_dataLink->SetActiveRecord(dataRow);
    try {
        fn();
    } catch (...) {
        m_dataLink->SetActiveRecord(old);
        m_borrowedFrom = outerBorrow;
        throw;
    }
    m_dataLink->SetActiveRecord(old);
    m_borrowedFrom = outerBorrow;
}

// ---- Brackets ------------------------------------------------------------------------------------------------

void TCustomDBGridEh::BeginUpdate()
{
    ++m_updateLock;
}

void TCustomDBGridEh::EndUpdate()
{
    if (m_updateLock > 0)
        --m_updateLock;
}

void TCustomDBGridEh::BeginLayout()
{
    BeginUpdate();
    if (m_layoutLock == 0)
        Columns().BeginUpdate();
    ++m_layoutLock;
}

void TCustomDBGridEh::EndLayout()
{
    if (m_layoutLock == 0)
        return;
    try {
        if (m_layoutLock == 1)
            RebuildLayout();
    } catch (...) {
        if (m_layoutLock == 1)
            Columns().EndUpdate();
        --m_layoutLock;
        EndUpdate();
        throw;
    }
    if (m_layoutLock == 1)
        Columns().EndUpdate();
    --m_layoutLock;
    EndUpdate();
}

bool TCustomDBGridEh::TryBeginLayout()
{
    if (m_updateLock > 0 || m_layoutLock > 0)
        return false;
    BeginLayout();
    return true;
}

void TCustomDBGridEh::LayoutChanged()
{
    if (TryBeginLayout())
        EndLayout();
}

void TCustomDBGridEh::PostLayout()
{
    m_postedLayout->Post();
}

void TCustomDBGridEh::resizeEvent(QResizeEvent *event)
try {
    const HandlerEdge edge;
    TCustomGrid::resizeEvent(event);
    if (InternalAutoFit()) {
        LayoutChanged();
    } else {
        UpdateRowCount();
        UpdateVertScrollBar();
    }
} catch (...) {
    endAtHandlerEdge();
}

bool TCustomDBGridEh::event(QEvent *event)
try {
    const HandlerEdge edge;
    // With dgTabs, Tab moves between cells instead of moving the focus to the next control.
    if (event->type() == QEvent::KeyPress && (m_dbOptions & dgTabs)) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if ((ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab)
            && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(ke);
            return true;
        }
    }
    const bool handled = throughQt([&] { return TCustomGrid::event(event); });
    if (event->type() == QEvent::Paint && frameShape() != QFrame::NoFrame) {
        QPainter painter(this);
        PaintFlatBorder(painter);
    }
    return handled;
} catch (...) {
    endAtHandlerEdge();
    return true;
}

void TCustomDBGridEh::showEvent(QShowEvent *event)
try {
    const HandlerEdge edge;
    TCustomGrid::showEvent(event);
    LayoutChanged();
} catch (...) {
    endAtHandlerEdge();
}
