// Layout of the data grid: the column-to-field map, columns to grid columns, row heights, the multi-level title
// tree, the record window and auto-fit; and the reactions to data changes and sizing.
#include "DBGridEh.h"

#include "Formats.h"

#include <QFontMetrics>

#include <algorithm>

namespace {
constexpr int kIndicatorWidth = 11;
constexpr int kGroupHeight = 20;
} // namespace

// ---- Metrics -------------------------------------------------------------------------------------------------

TTextMetric TFontGridMetricsEh::Metric(const TFont &font) const
{
    return GetTextMetric(font.qfont());
}

int TFontGridMetricsEh::TextWidth(const TFont &font, const QString &text) const
{
    return ::TextWidth(font.qfont(), text);
}

int TFontGridMetricsEh::WrappedTextHeight(const TFont &font, int width, const QString &text) const
{
    WrappedKey key{font.qfont(), std::max(1, width), text};
    if (const auto it = m_wrappedHeights.constFind(key); it != m_wrappedHeights.cend())
        return *it;
    const QFontMetrics fm(key.font);
    const int height = fm.boundingRect(QRect(0, 0, key.width, 100000), Qt::TextWordWrap | Qt::AlignLeft, text).height();
    constexpr qsizetype kKeptHeights = 1024; // many grids' titles at many widths; beyond that, start again
    if (m_wrappedHeights.size() >= kKeptHeights)
        m_wrappedHeights.clear();
    m_wrappedHeights.insert(std::move(key), height);
    return height;
}

// ---- Title tree ----------------------------------------------------------------------------------------------

THeadTreeNode::THeadTreeNode(const QString &text, int width, int height)
    : Text(text)
    , Width(width)
    , Height(height)
{
}

THeadTreeNode::~THeadTreeNode()
{
    Clear();
}

QList<THeadTreeNode *> THeadTreeNode::Children() const
{
    QList<THeadTreeNode *> list;
    if (!Child)
        return list;
    THeadTreeNode *p = Child;
    do {
        list.append(p);
        p = p->Next;
    } while (p && p != Child);
    return list;
}

void THeadTreeNode::Clear()
{
    for (THeadTreeNode *c : Children())
        delete c;
    Child = nullptr;
}

int THeadTreeNode::Level() const
{
    int level = 0;
    for (const THeadTreeNode *p = Host; p; p = p->Host)
        ++level;
    return level;
}

bool THeadTreeNode::Find(const THeadTreeNode *node) const
{
    for (THeadTreeNode *c : Children())
        if (c == node || c->Find(node))
            return true;
    return false;
}

THeadTreeNode *THeadTreeNode::Add(const QString &text, int width, int height, int lineWidth)
{
    auto *node = new THeadTreeNode(text, width, height);
    node->LineWidth = lineWidth;
    node->Host = this;
    if (!Child) {
        Child = node;
        node->Next = node;
    } else {
        THeadTreeNode *last = Child;
        while (last->Next != Child)
            last = last->Next;
        last->Next = node;
        node->Next = Child;
    }
    return node;
}

THeadTreeNode *THeadTreeNode::Union(THeadTreeNode *from, THeadTreeNode *to, const QString &text, int height)
{
    if (!Find(from) || !Find(to))
        throw EInvalidGridOperation(QStringLiteral("Node not in Tree"));
    THeadTreeNode *host = from->Host;
    if (to->Host != host)
        throw EInvalidGridOperation(QStringLiteral("ATo not in level"));
    QList<THeadTreeNode *> run;
    for (THeadTreeNode *p = from;; p = p->Next) {
        run.append(p);
        if (p == to)
            break;
        if (p->Next == host->Child)
            throw EInvalidGridOperation(QStringLiteral("ATo not in level"));
    }
    auto *group = new THeadTreeNode(text, 0, height);
    group->Host = host;
    group->LineWidth = from->LineWidth;
    THeadTreeNode *after = to->Next;
    if (after == from) {
        group->Next = group;
        host->Child = group;
    } else {
        THeadTreeNode *prev = from;
        while (prev->Next != from)
            prev = prev->Next;
        prev->Next = group;
        group->Next = after;
        if (run.contains(host->Child))
            host->Child = group;
    }
    to->Next = from;
    group->Child = from;
    int width = 0;
    for (THeadTreeNode *p : run) {
        p->Host = group;
        p->Height -= kGroupHeight;
        width += p->Width + p->LineWidth;
    }
    if (group->LineWidth > 0)
        width -= group->LineWidth;
    group->Width = width;
    return group;
}

THeadTreeNode *TCustomDBGridEh::LeafFieldArr(int column) const
{
    return column >= 0 && column < int(m_leafFieldArr.size()) ? m_leafFieldArr[size_t(column)] : nullptr;
}

namespace {

// The first "|"-separated part of a caption and where its second part starts (-1 when there is none).
QString firstPart(const QString &text, int &secondStart)
{
    int i = 0;
    while (i < text.size() && text[i] == QLatin1Char('|'))
        ++i;
    const int start = i;
    while (i < text.size() && text[i] != QLatin1Char('|'))
        ++i;
    const QString part = text.mid(start, i - start);
    while (i < text.size() && text[i] == QLatin1Char('|'))
        ++i;
    secondStart = i < text.size() && i > start + part.size() ? i : -1;
    return part;
}

} // namespace

void TCustomDBGridEh::buildTitleTree()
{
    m_headTree->Clear();
    const int count = Columns().Count();
    m_leafFieldArr.assign(size_t(count), nullptr);
    const int lineWidth = (m_dbOptions & dgColLines) ? GridLineWidth() : 0;
    for (int i = 0; i < count; ++i) {
        TColumnEh *column = Columns()[i];
        const int width = column->Visible() ? ColWidths(i + m_indicatorOffset) : (lineWidth > 0 ? -1 : 0);
        THeadTreeNode *leaf = m_headTree->Add(column->Title().Caption(), width, RowHeights(0), lineWidth);
        leaf->Column = column;
        leaf->WIndent = column->Title().SortMarker() != smNoneEh ? 16 : 0;
        m_leafFieldArr[size_t(i)] = leaf;
    }
    for (bool changed = true; changed;) {
        changed = false;
        for (int i = 0; i < count && !changed; ++i) {
            THeadTreeNode *leaf = m_leafFieldArr[size_t(i)];
            int second = -1;
            const QString part = firstPart(leaf->Text, second);
            if (second < 0)
                continue;
            int last = i;
            while (last + 1 < count) {
                int ignored = -1;
                if (firstPart(m_leafFieldArr[size_t(last + 1)]->Text, ignored) != part)
                    break;
                ++last;
            }
            for (int k = i; k <= last; ++k)
                m_leafFieldArr[size_t(k)]->Text.remove(0, second);
            // The run's group sits at the level of the run's outermost nodes.
            auto top = [&](THeadTreeNode *node) {
                const int level = leaf->Level();
                while (node->Level() > level)
                    node = node->Host;
                return node;
            };
            THeadTreeNode *from = leaf;
            THeadTreeNode *to = top(m_leafFieldArr[size_t(last)]);
            if (from->Level() == to->Level())
                m_headTree->Union(from, to, part, kGroupHeight);
            changed = true;
        }
    }
}

int TCustomDBGridEh::titleNodeHeight(const THeadTreeNode *node) const
{
    const TFont &font = node->Column ? node->Column->Title().Font() : m_titleFont;
    const QString text = node->Text.isEmpty() ? QStringLiteral(" ") : node->Text;
    int height = 0;
    if (node->Column && node->Column->Title().Orientation() == tohVertical)
        height = m_metrics->TextWidth(font, text) + 6;
    else if (node->Width > 0) {
        // Measured in the room the caption is drawn in: a leaf keeps the cell's text margins, a group band 2 pixels.
        const int sides = node->Column ? 2 * (TextMargin() / 2 + 1) : 4;
        height = m_metrics->WrappedTextHeight(font, node->Width - node->WIndent - sides, text);
    }
    return std::max(0, height) + m_vTitleMargin;
}

void TCustomDBGridEh::calcTitleTreeHeight(THeadTreeNode *parent)
{
    // Every sibling of a ring gets the ring's largest total; a group keeps what its children leave over.
    struct Entry
    {
        THeadTreeNode *node;
        int sub;
    };
    std::vector<Entry> entries;
    int largest = 0;
    for (THeadTreeNode *child : parent->Children()) {
        int sub = 0;
        if (child->Child) {
            calcTitleTreeHeight(child);
            sub = child->Height;
        }
        entries.push_back({child, sub});
        largest = std::max(largest, titleNodeHeight(child) + sub);
    }
    for (const Entry &e : entries) {
        if (e.node->Child) {
            // A group keeps as its own band what its subtree leaves of the ring's total.
            e.node->Height = largest - e.sub;
        } else {
            e.node->Height = largest;
        }
    }
    parent->Height = largest;
}

// ---- Field map and rebuild -----------------------------------------------------------------------------------

void TCustomDBGridEh::CollectDatasetFields(QList<TField *> &list)
{
    TDataSet *ds = m_dataLink->DataSet();
    if (!ds)
        return;
    for (TField *field : ds->Fields())
        if (field->Visible())
            list.append(field);
}

void TCustomDBGridEh::BuildFieldMap()
{
    m_dataLink->ClearMapping();
    if (Columns().State() == csCustomized) {
        m_dataLink->SetSparseMap(true);
        for (int i = 0; i < Columns().Count(); ++i)
            m_dataLink->AddFieldMapping(Columns()[i]->FieldName());
    } else {
        m_dataLink->SetSparseMap(false);
        QList<TField *> fields;
        CollectDatasetFields(fields);
        for (TField *field : fields)
            m_dataLink->AddFieldMapping(field->FieldName());
    }
}

void TCustomDBGridEh::RebuildLayout()
{
    if (m_loading)
        return;
    ++m_layoutsRun;
    m_postedLayout->Cancel();
    // Painting waits while the layout runs, also when it fails half-way.
    struct InLayout
    {
        bool &flag;
        explicit InLayout(bool &f) : flag(f) { flag = true; }
        ~InLayout() { flag = false; }
    } inLayout(m_inLayout);
    TDBGridColumnsEh &columns = Columns();

    // 1. A stored column after a default one: the default columns go.
    bool seenDefault = false;
    for (int i = 0; i < columns.Count(); ++i) {
        if (columns[i]->IsDefaultColumn())
            seenDefault = true;
        else if (seenDefault) {
            columns.RemoveDefaultColumns();
            break;
        }
    }

    // 2. Indicator and field map.
    m_indicatorOffset = (m_dbOptions & dgIndicator) ? 1 : 0;
    m_dataLink->ClearMapping();
    if (m_dataLink->Active())
        BuildFieldMap();

    // 3. Columns to fields.
    if (columns.State() == csCustomized) {
        for (int i = 0; i < columns.Count(); ++i)
            columns[i]->m_field = nullptr; // bound again by name on the next read
    } else if (!m_dataLink->Active() && m_dataLink->DefaultFields()) {
        columns.Clear();
    } else {
        std::vector<TField *> mapped;
        for (int i = 0; i < m_dataLink->MappedCount(); ++i)
            mapped.push_back(m_dataLink->Fields(i));
        for (int i = columns.Count() - 1; i >= 0; --i) {
            TField *field = columns[i]->m_field;
            if (!field || std::find(mapped.begin(), mapped.end(), field) == mapped.end())
                columns.Delete(i);
        }
        for (int i = 0; i < int(mapped.size()); ++i) {
            int found = -1;
            for (int j = i; j < columns.Count() && found < 0; ++j)
                if (columns[j]->m_field == mapped[size_t(i)])
                    found = j;
            if (found < 0) {
                TColumnEh *column = columns.AddDefaultColumn();
                column->SetField(mapped[size_t(i)]);
                found = columns.Count() - 1;
            }
            columns.Move(found, i);
        }
    }

    // Columns may have come and gone: the column selection keeps the ones still here, in their new order.
    m_selection->Columns().DropMissingColumns();

    // 4. Shown columns; hidden columns among and right after the frozen ones stay fixed too.
    m_visibleColumns.clear();
    for (int i = 0; i < columns.Count(); ++i)
        if (columns[i]->Visible())
            m_visibleColumns.append(columns[i]);
    int extraFixed = 0;
    int frozen = 0;
    if (m_frozenCols > 0) {
        int i = 0;
        for (; i < columns.Count() && frozen < m_frozenCols; ++i) {
            if (columns[i]->Visible())
                ++frozen;
            else
                ++extraFixed;
        }
        for (; i < columns.Count() && !columns[i]->Visible(); ++i)
            ++extraFixed;
    }

    // 5. Grid columns.
    SetColCount(std::max(1, columns.Count() + m_indicatorOffset));
    int fixedCols = m_indicatorOffset + extraFixed;
    if (m_dataLink->Active() || columns.State() == csCustomized)
        fixedCols += frozen;
    if (m_visibleColumns.isEmpty())
        fixedCols -= 1;
    SetFixedCols(std::clamp(fixedCols, 0, ColCount() - 1));

    // 7. Row metrics.
    const TTextMetric tm = m_metrics->Metric(Font());
    const int lineHeight = std::max(1, tm.Height);
    const int rowLine = (m_dbOptions & dgRowLines) ? GridLineWidth() : 0;
    const int base = (m_flat ? 1 : 3) + rowLine;
    int rowHeight = (m_rowHeight > 0 || m_rowLines > 0) ? m_rowHeight + m_rowLines * (lineHeight + tm.ExternalLeading)
                                                        : base + lineHeight;
    if (m_optionsEh & dghFitRowHeightToText) {
        const int n = (rowHeight - base) / lineHeight;
        const int r = (rowHeight - base) % lineHeight;
        rowHeight = (r <= lineHeight / 2 && n > 0) ? base + n * lineHeight : base + (n + 1) * lineHeight;
        m_rowLines = (rowHeight - base) / lineHeight;
        m_rowHeight = base;
    }
    SetDefaultRowHeight(rowHeight);

    // 8, 9. Edit buttons and word wrap.
    m_editButtonWidth = m_flat ? FlatButtonWidth() : ScrollBarExtent();
    m_editButtonHeight = Round(1.5 * m_editButtonWidth) >= rowHeight
        ? rowHeight
        : EditButtonHeightForWidth(m_editButtonWidth, m_flat);
    m_canWrapText = rowHeight > tm.Height + tm.ExternalLeading + tm.InternalLeading + TextMargin();

    // 10. Title row.
    m_titleRowHeight = 0;
    if (HasTitleRow()) {
        if (columns.Count() == 0)
            m_titleRowHeight = m_metrics->Metric(m_titleFont).Height + TextMargin();
        for (int i = 0; i < columns.Count(); ++i)
            m_titleRowHeight = std::max(m_titleRowHeight,
                                        m_metrics->Metric(columns[i]->Title().Font()).Height + TextMargin());
    }

    // 11. The horizontal bar is the platform grid's, unless auto-fit or an outside bar serve instead.
    const bool horzWanted = !m_autoFitColWidths && m_horzScrollBar->Visible() && !m_horzScrollBar->ExtScrollBar();
    setHorizontalScrollBarPolicy(horzWanted ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);

    // 12, 13. Widths, then auto-fit.
    SetColumnAttributes();
    autoFitColumns();

    // 14. Explicit title height.
    if (HasTitleRow() && (m_titleHeight > 0 || m_titleLines > 0)) {
        TTextMetric tallest = m_metrics->Metric(m_titleFont);
        for (int i = 0; i < columns.Count(); ++i) {
            const TTextMetric t = m_metrics->Metric(columns[i]->Title().Font());
            if (t.Height > tallest.Height)
                tallest = t;
        }
        m_titleRowHeight = m_titleLines * tallest.Height + tallest.ExternalLeading + m_titleHeight + 2 + rowLine;
    }

    // 15. Multi-level titles.
    if (HasTitleRow() && m_useMultiTitle) {
        if (RowCount() > 0)
            SetRowHeights(0, m_titleRowHeight);
        buildTitleTree();
        calcTitleTreeHeight(m_headTree.get());
        m_titleRowHeight = m_headTree->Height - ((m_optionsEh & dghFixed3D) ? 1 : 3);
    } else {
        m_headTree->Clear();
        m_leafFieldArr.clear();
    }

    // 16.
    SetColumnAttributes();
    UpdateRowCount();
    UpdateActive();
    InvalidateGrid();
}

void TCustomDBGridEh::SetColumnAttributes()
{
    const bool colLines = m_dbOptions & dgColLines;
    for (int i = 0; i < Columns().Count() && i + m_indicatorOffset < ColCount(); ++i) {
        TColumnEh *column = Columns()[i];
        SetColWidths(i + m_indicatorOffset, column->Visible() ? column->Width() : (colLines ? -1 : 0));
    }
    if (m_indicatorOffset > 0)
        SetColWidths(0, kIndicatorWidth);
}

void TCustomDBGridEh::autoFitColumns()
{
    if (!m_autoFitColWidths || m_loading)
        return;
    struct Fit
    {
        TColumnEh *column;
        int share;
        int width;
        bool pinned;
    };
    std::vector<Fit> fits;
    int visible = 0;
    for (int i = 0; i < Columns().Count(); ++i) {
        TColumnEh *column = Columns()[i];
        if (!column->Visible())
            continue;
        ++visible;
        if (column->AutoFitColWidth())
            fits.push_back({column, column->InitWidth() > 0 ? column->InitWidth() : column->Width(), 0, false});
    }
    if (fits.empty())
        return;
    int free = 0;
    for (int pass = 0; pass < visible; ++pass) {
        UpdateVertScrollBar();
        free = std::max(m_minAutoFitWidth, ClientWidth());
        for (int i = 0; i < Columns().Count(); ++i) {
            TColumnEh *column = Columns()[i];
            if (!column->Visible())
                continue;
            auto fit = std::find_if(fits.begin(), fits.end(), [column](const Fit &f) { return f.column == column; });
            if (fit == fits.end())
                free -= column->Width();
            else if (fit->pinned)
                free -= fit->width;
        }
        free = std::max(0, free);
        if (m_dbOptions & dgIndicator)
            free -= kIndicatorWidth;
        if (m_dbOptions & dgColLines)
            free -= visible;
        if ((m_dbOptions & dgIndicator) && (m_dbOptions & dgColLines))
            free -= 1;
        free = std::max(0, free);
        int shares = 0;
        for (const Fit &f : fits)
            if (!f.pinned)
                shares += f.share;
        bool pinnedMore = false;
        for (Fit &f : fits) {
            if (f.pinned)
                continue;
            const int wanted = shares > 0 ? MulDiv(f.share, free, shares) : 0;
            const int limited = f.column->applyWidthLimits(wanted);
            f.width = limited;
            if (limited != wanted) {
                f.pinned = true;
                pinnedMore = true;
            }
        }
        if (!pinnedMore)
            break;
    }
    // The last unpinned column takes what rounding left over.
    int used = 0;
    Fit *last = nullptr;
    for (Fit &f : fits)
        if (!f.pinned) {
            used += f.width;
            last = &f;
        }
    if (last && used != free)
        last->width = std::max(0, last->width + free - used);
    for (const Fit &f : fits) {
        f.column->m_width = f.width;
        f.column->m_assigned |= cvWidth;
    }
    SetColumnAttributes();
}

// ---- Rows ----------------------------------------------------------------------------------------------------

void TCustomDBGridEh::UpdateRowCount()
{
    const int topFixed = TopFixedRows();
    const int line = (m_dbOptions & dgRowLines) ? GridLineWidth() : 0;
    const int rowHeight = DefaultRowHeight();
    int used = 0;
    if (HasTitleRow())
        used += m_titleRowHeight + line;
    used += IsFilterRowVisible() * (rowHeight + line);
    if (m_footerRowCount > 0)
        used += m_footerRowCount * (rowHeight + line) + line;

    int rows = topFixed + 1;
    TDataSet *ds = m_dataLink->DataSet();
    if (m_dataLink->Active() && ds && !ds->IsEmpty()) {
        m_dataLink->SetBufferCount(std::max(1, (ClientHeight() - used) / (rowHeight + line)));
        rows = m_dataLink->RecordCount() + topFixed;
    }
    const int total = rows + (m_footerRowCount > 0 ? m_footerRowCount + 1 : 0);
    m_settingRows = true;
    if (RowCount() != total)
        SetRowCount(total);
    SetFixedRows(std::min(topFixed, RowCount() - 1));
    SetDefaultRowHeight(rowHeight); // all rows back to the default
    if (HasTitleRow())
        SetRowHeights(0, std::max(0, m_titleRowHeight));
    if (m_footerRowCount > 0) {
        const int dataRows = rows - topFixed;
        SetRowHeights(rows, std::max(0, ClientHeight() - used - dataRows * (rowHeight + line)));
    }
    m_settingRows = false;
    SetTopRow(topFixed);
    UpdateActive();
}

void TCustomDBGridEh::UpdateActive()
{
    // A move made by the search itself keeps it going; any other move ends it.
    if (m_incSearching && !m_searchMoving)
        StopIncrementalSearch();
    if (!m_dataLink->Active() || m_loading)
        return;
    const int row = m_dataLink->ActiveRecord() + TopFixedRows();
    if (row != Row() && row < RowCount()) {
        if (!(m_dbOptions & dgAlwaysShowEditor))
            HideEditor();
        MoveCurrent(std::max(Col(), FixedCols() < ColCount() ? FixedCols() : Col()), row, true, false);
        InvalidateEditor();
    }
}

void TCustomDBGridEh::DataChanged()
{
    const bool barShown = verticalScrollBar()->isVisible();
    UpdateRowCount();
    UpdateVertScrollBar();
    if (m_autoFitColWidths && barShown != verticalScrollBar()->isVisible())
        PostLayout();
    UpdateActive();
    if (EditorMode())
        InvalidateEditor();
    InvalidateGrid();
}

void TCustomDBGridEh::DataScrolled(int distance)
{
    const int oldRow = Row();
    if (m_dataLink->ActiveRecord() + TopFixedRows() >= RowCount() - (m_footerRowCount > 0 ? m_footerRowCount + 1 : 0))
        UpdateRowCount();
    const bool barShown = verticalScrollBar()->isVisible();
    UpdateVertScrollBar();
    if (m_autoFitColWidths && barShown != verticalScrollBar()->isVisible())
        PostLayout();
    UpdateActive();
    if (distance == 0) {
        InvalidateRow(oldRow);
        InvalidateRow(Row());
        return;
    }
    if (!(m_dbOptions & dgAlwaysShowEditor))
        HideEditor();
    const int dataRows = GetDataRowCount();
    if (std::abs(distance) >= dataRows) {
        InvalidateGrid();
    } else {
        // The rows that stay on screen are moved; only the uncovered rows and the indicator cells repaint.
        const int line = (m_dbOptions & dgRowLines) ? GridLineWidth() : 0;
        const QRect first = CellRect(0, TopFixedRows());
        const QRect last = CellRect(0, TopFixedRows() + dataRows - 1);
        const QRect area(0, first.top(), ClientWidth(), last.bottom() + line - first.top() + 1);
        viewport()->scroll(0, -distance * (DefaultRowHeight() + line), area);
        if (m_indicatorOffset > 0) {
            // The indicator drawn last, now moved with the pixels, and the one of the current record.
            InvalidateCell(0, m_indicatorRow - distance);
            InvalidateCell(0, m_indicatorRow);
            InvalidateCell(0, Row());
        }
    }
    if (m_dbOptions & dgAlwaysShowEditor)
        ShowEditor();
    UpdateHorzScrollBar();
}

// ---- Sizing --------------------------------------------------------------------------------------------------

void TCustomDBGridEh::clampColumnWidths()
{
    for (int i = 0; i < Columns().Count() && i + m_indicatorOffset < ColCount(); ++i) {
        TColumnEh *column = Columns()[i];
        const int width = ColWidths(i + m_indicatorOffset);
        if (column->Visible() && width > 0 && column->applyWidthLimits(width) != width)
            SetColWidths(i + m_indicatorOffset, column->applyWidthLimits(width));
    }
}

void TCustomDBGridEh::ChangeScale(int m, int d)
{
    if (m == d || m <= 0 || d <= 0)
        return;
    const auto scale = [m, d](TFont &font) { font.SetSize(std::max(1, MulDiv(font.Size(), m, d))); };
    const auto scaled = [&scale](const TFont &font) {
        TFont copy;
        copy.Assign(font);
        scale(copy);
        return copy;
    };
    BeginLayout();
    try {
        TDBGridColumnsEh &columns = Columns();
        // Widths are read before the fonts change: a column without a width of its own derives it from its font.
        std::vector<int> widths;
        widths.reserve(size_t(columns.Count()));
        for (int i = 0; i < columns.Count(); ++i)
            widths.push_back(columns[i]->Width());
        // Each font keeps its own size relative to the others; a title font larger than the cells' stays larger.
        scale(Font());
        scale(m_titleFont);
        scale(m_footerFont);
        for (int i = 0; i < columns.Count(); ++i) {
            TColumnEh *column = columns[i];
            if (column->IsAssigned(cvFont))
                column->SetFont(scaled(column->Font()));
            if (column->IsAssigned(cvTitleFont))
                column->Title().SetFont(scaled(column->Title().Font()));
            if (column->Footer().AssignedValues() & cvFooterFont)
                column->Footer().SetFont(scaled(column->Footer().Font()));
            for (int f = 0; f < column->Footers().Count(); ++f) {
                TColumnFooterEh *footer = column->Footers().Items(f);
                if (footer->AssignedValues() & cvFooterFont)
                    footer->SetFont(scaled(footer->Font()));
            }
        }
        // Scaling the running sum keeps the columns' right edges where the scaled total puts them: no rounding
        // error piles up from column to column.
        int sum = 0;
        int previous = 0;
        for (int i = 0; i < columns.Count(); ++i) {
            sum += widths[size_t(i)];
            const int edge = MulDiv(sum, m, d);
            columns[i]->SetWidth(edge - previous);
            previous = edge;
        }
    } catch (...) {
        EndLayout();
        throw;
    }
    EndLayout();
}

void TCustomDBGridEh::ColWidthsChanged()
{
    TCustomGrid::ColWidthsChanged();
    if (!(m_dataLink->Active() || Columns().State() == csCustomized) || !TryBeginLayout())
        return;
    try {
        clampColumnWidths();
        for (int i = 0; i < Columns().Count() && i + m_indicatorOffset < ColCount(); ++i) {
            TColumnEh *column = Columns()[i];
            const int screen = ColWidths(i + m_indicatorOffset);
            const int old = column->Width();
            if (!column->Visible() || screen == old)
                continue;
            if (!m_autoFitColWidths || !column->AutoFitColWidth()) {
                column->SetWidth(screen);
            } else if (m_optionsEh & dghResizeWholeRightPart) {
                column->SetInitWidth(old > 0 ? MulDiv(column->InitWidth(), screen, old) : screen);
                int rightSum = 0;
                for (int k = i + 1; k < Columns().Count(); ++k)
                    if (Columns()[k]->Visible() && Columns()[k]->AutoFitColWidth())
                        rightSum += Columns()[k]->Width();
                for (int k = i + 1; k < Columns().Count() && rightSum > 0; ++k) {
                    TColumnEh *right = Columns()[k];
                    if (right->Visible() && right->AutoFitColWidth())
                        right->SetInitWidth(std::max(1, MulDiv(right->InitWidth(), rightSum + old - screen, rightSum)));
                }
            } else {
                const int before = column->InitWidth();
                column->SetInitWidth(old > 0 ? MulDiv(before, screen, old) : screen);
                for (int k = i + 1; k < Columns().Count(); ++k)
                    if (Columns()[k]->Visible()) {
                        Columns()[k]->SetInitWidth(
                            std::max(0, Columns()[k]->InitWidth() - (column->InitWidth() - before)));
                        break;
                    }
            }
        }
    } catch (...) {
        EndLayout();
        throw;
    }
    EndLayout();
    InvalidateEditor();
    if (OnColWidthsChanged)
        SafeCall([&] { OnColWidthsChanged(this); });
    UpdateHorzScrollBar();
}

void TCustomDBGridEh::ColumnMoved(int from, int to)
{
    const int a = from - m_indicatorOffset;
    const int b = to - m_indicatorOffset;
    if (a >= 0 && b >= 0 && a < Columns().Count() && b < Columns().Count()) {
        Columns()[a]->SetIndex(b);
        if (OnColumnMoved)
            SafeCall([&] { OnColumnMoved(this, a, b); });
    }
}

void TCustomDBGridEh::RowHeightsChanged()
{
    TCustomGrid::RowHeightsChanged();
    if (m_inLayout || m_settingRows || m_layoutLock > 0 || !m_rowSizingAllowed)
        return;
    for (int r = TopFixedRows(); r < TopFixedRows() + GetDataRowCount(); ++r)
        if (RowHeights(r) != DefaultRowHeight()) {
            m_rowHeight = RowHeights(r);
            m_rowLines = 0;
            LayoutChanged();
            break;
        }
    UpdateVertScrollBar();
}
