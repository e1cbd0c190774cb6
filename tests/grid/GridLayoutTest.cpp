#include "GridSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

using tarvik::test::GridFixture;

namespace {

// Invented text metrics: every font is 13 pixels high, without leadings, and 7 pixels a character.
class FixedMetrics : public IGridMetricsEh
{
public:
    TTextMetric Metric(const TFont &) const override
    {
        TTextMetric tm;
        tm.Height = 13;
        tm.Ascent = 10;
        tm.Descent = 3;
        tm.AveCharWidth = 7;
        return tm;
    }
    int TextWidth(const TFont &, const QString &text) const override { return 7 * int(text.size()); }
    int WrappedTextHeight(const TFont &, int width, const QString &text) const override
    {
        const int perLine = std::max(1, width / 7);
        return 13 * std::max<int>(1, int((text.size() + perLine - 1) / perLine));
    }
};

TColumnEh *addColumn(TDBGridEh &grid, const QString &fieldName, const QString &caption = QString())
{
    TColumnEh *column = grid.Columns().Add();
    column->SetFieldName(fieldName);
    if (!caption.isNull())
        column->Title().SetCaption(caption);
    return column;
}

QStringList texts(const QList<THeadTreeNode *> &nodes)
{
    QStringList list;
    for (const THeadTreeNode *n : nodes)
        list << n->Text;
    return list;
}

// A grid that shows one row of its own between the titles and the data, as the lookup grid's special row.
class ExtraRowGrid : public TDBGridEh
{
public:
    int extraRowCells = 0;
    int lastExtraRow = -1;

protected:
    int IsFilterRowVisible() const override { return 1; }
    void DrawTitleBackground(QPainter &painter, int col, int row, const QRect &rect, TGridDrawState) override
    {
        ++extraRowCells;
        lastExtraRow = row;
        painter.fillRect(rect, QColor(255, 0, 255));
        Q_UNUSED(col);
    }
};

} // namespace

TEST(GridLayout, CoordinatesAndRowsWithIndicatorTitlesAndFooters)
{
    GridFixture f;
    f.fill(100);
    f.grid->SetFooterRowCount(2);
    f.show(400, 300);
    auto *g = f.grid.get();
    const int line = g->GridLineWidth();
    const int rowHeight = g->DefaultRowHeight();
    const int titleHeight = g->RowHeights(0);

    EXPECT_EQ(g->IndicatorCols(), 1);
    EXPECT_EQ(g->TopFixedRows(), 1);
    EXPECT_EQ(g->FixedRows(), 1);
    EXPECT_EQ(g->ColCount(), 5);
    const int used = titleHeight + line + 2 * (rowHeight + line) + line;
    const int buffer = (g->ClientHeight() - used) / (rowHeight + line);
    EXPECT_EQ(g->DataLink()->BufferCount(), buffer) << "as many records as fit between titles and footers";
    EXPECT_EQ(g->GetDataRowCount(), buffer);
    EXPECT_EQ(g->RowCount(), 1 + buffer + 1 + 2);
    EXPECT_EQ(g->FirstFooterRow(), g->RowCount() - 2);
    EXPECT_EQ(g->GetDataCellsRange(), (TGridRect{1, 1, 4, buffer}));
    // The footers end at the bottom edge; the spacer takes what is left.
    const QRect lastFooter = g->CellRect(0, g->RowCount() - 1);
    EXPECT_EQ(lastFooter.bottom() + 1 + line, g->ClientHeight());

    g->SetOptions(g->Options() & ~(dgIndicator | dgTitles));
    EXPECT_EQ(g->IndicatorCols(), 0);
    EXPECT_EQ(g->TopFixedRows(), 0);
    EXPECT_EQ(g->ColCount(), 4);
    EXPECT_EQ(g->FixedCols(), 0);
}

TEST(GridLayout, FewRecordsLeaveTheFootersAtTheBottomEdge)
{
    GridFixture f;
    f.fill(3);
    f.grid->SetFooterRowCount(2);
    f.show(400, 300);
    auto *g = f.grid.get();
    EXPECT_EQ(g->RowCount(), 1 + 3 + 1 + 2);
    const int spacer = g->FirstFooterRow() - 1;
    EXPECT_GT(g->RowHeights(spacer), g->DefaultRowHeight());
    EXPECT_EQ(g->CellRect(0, g->RowCount() - 1).bottom() + 1 + g->GridLineWidth(), g->ClientHeight());
}

TEST(GridLayout, ThreeQueuedLayoutsRunOnce)
{
    GridFixture f;
    f.fill(5);
    f.show();
    const int before = f.grid->LayoutsRun();
    f.grid->PostLayout();
    f.grid->PostLayout();
    f.grid->PostLayout();
    QApplication::processEvents();
    EXPECT_EQ(f.grid->LayoutsRun(), before + 1);
}

TEST(GridLayout, TitleTreesFromBarSeparatedCaptions)
{
    {
        GridFixture f;
        f.grid->SetUseMultiTitle(true);
        addColumn(*f.grid, "ID", "A|B");
        addColumn(*f.grid, "NAME", "A|C");
        addColumn(*f.grid, "AMOUNT", "D");
        f.show();
        const THeadTreeNode *root = f.grid->TitleTreeRoot();
        const QList<THeadTreeNode *> top = root->Children();
        ASSERT_EQ(texts(top), (QStringList{"A", "D"}));
        EXPECT_EQ(texts(top[0]->Children()), (QStringList{"B", "C"}));
        EXPECT_EQ(top[1]->Child, nullptr);
        EXPECT_EQ(top[1]->Height, top[0]->Height + top[0]->Child->Height) << "D spans both levels";
        EXPECT_EQ(f.grid->CellDrawText(1, 0), QStringLiteral("B"));
        const int lines = f.grid->GridLineWidth();
        EXPECT_EQ(top[0]->Width, f.grid->ColWidths(1) + f.grid->ColWidths(2) + lines);
    }
    {
        GridFixture f;
        f.grid->SetUseMultiTitle(true);
        addColumn(*f.grid, "ID", "A|B");
        addColumn(*f.grid, "AMOUNT", "D");
        addColumn(*f.grid, "NAME", "A|C");
        f.show();
        const QList<THeadTreeNode *> top = f.grid->TitleTreeRoot()->Children();
        ASSERT_EQ(texts(top), (QStringList{"A", "D", "A"}));
        EXPECT_EQ(texts(top[0]->Children()), (QStringList{"B"}));
        EXPECT_EQ(texts(top[2]->Children()), (QStringList{"C"}));
    }
}

TEST(GridLayout, TreeMisuseRaisesItsErrors)
{
    THeadTreeNode root(QStringLiteral("Root"), 0, 10);
    THeadTreeNode *a = root.Add(QStringLiteral("a"), 10, 10, 1);
    THeadTreeNode *b = root.Add(QStringLiteral("b"), 10, 10, 1);
    THeadTreeNode stranger(QStringLiteral("x"), 1, 1);
    EXPECT_THROW(root.Union(a, &stranger, QStringLiteral("g"), 20), EInvalidGridOperation);
    THeadTreeNode *group = root.Union(a, a, QStringLiteral("g"), 20);
    EXPECT_THROW(root.Union(a, b, QStringLiteral("h"), 20), EInvalidGridOperation) << "a and b are on two levels";
    EXPECT_EQ(group->Width, 10);
}

TEST(GridLayout, RowsFitToWholeTextLines)
{
    // Invented metrics: base 3 (neither flat nor row lines), RowHeight 25, text 13: 22 = 13 + 9 and 9 > 6.
    GridFixture f;
    f.grid->SetOptions(f.grid->Options() & ~dgRowLines);
    f.grid->SetMetrics(std::make_unique<FixedMetrics>());
    f.grid->SetRowHeight(25);
    f.grid->SetOptionsEh(f.grid->OptionsEh() | dghFitRowHeightToText);
    f.fill(2);
    f.show();
    EXPECT_EQ(f.grid->DefaultRowHeight(), 3 + 2 * 13);
    EXPECT_EQ(f.grid->RowLines(), 2);
    EXPECT_EQ(f.grid->RowHeight(), 3);
}

TEST(GridLayout, RowsFitToWholeTextLinesOfTheRealFont)
{
    GridFixture probe;
    const int h = GetTextMetric(probe.grid->Font().qfont()).Height;
    ASSERT_GT(h, 4);
    struct Case
    {
        int rowHeight;
        int expected;
    };
    const Case cases[] = {
        {3 + h + h / 2 + 1, 3 + 2 * h}, // more than half a line left over: one line more
        {3 + h + h / 2, 3 + h},         // at most half a line: cut down
        {3 + 2 * h, 3 + 2 * h},
    };
    for (const Case &c : cases) {
        GridFixture f;
        f.grid->SetOptions(f.grid->Options() & ~dgRowLines);
        f.grid->SetRowHeight(c.rowHeight);
        f.grid->SetOptionsEh(f.grid->OptionsEh() | dghFitRowHeightToText);
        f.fill(2);
        f.show();
        EXPECT_EQ(f.grid->DefaultRowHeight(), c.expected) << "row height " << c.rowHeight << ", text " << h;
    }
}

TEST(GridLayout, AutoFitSharesTheWidthAndPinsAColumnAtItsMaximum)
{
    for (const bool limited : {false, true}) {
        GridFixture f;
        f.grid->SetMetrics(std::make_unique<FixedMetrics>());
        TColumnEh *a = addColumn(*f.grid, "ID");
        TColumnEh *b = addColumn(*f.grid, "NAME");
        TColumnEh *c = addColumn(*f.grid, "AMOUNT");
        a->SetWidth(100);
        b->SetWidth(100);
        c->SetWidth(200);
        f.grid->SetAutoFitColWidths(true);
        if (limited) {
            // A maximum below the column's share pins it there.
            a->SetMaxWidth(60);
            a->SetInitWidth(100);
            b->SetInitWidth(100); // the neighbour absorbed the change of a; back to even shares
        }
        f.fill(2);
        f.show(500, 200);
        const int free = f.grid->ClientWidth() - 11 - 3 - 1;
        const int sum = a->Width() + b->Width() + c->Width();
        EXPECT_EQ(sum, free) << (limited ? "limited" : "free");
        if (limited) {
            EXPECT_EQ(a->Width(), 60);
            EXPECT_EQ(b->Width(), MulDiv(100, free - 60, 300));
        } else {
            EXPECT_EQ(a->Width(), MulDiv(100, free, 400));
            EXPECT_EQ(c->Width(), free - a->Width() - b->Width());
        }
        EXPECT_EQ(f.grid->ColWidths(1), a->Width());
        EXPECT_EQ(a->InitWidth(), 100) << "the share stays";
    }
}

TEST(GridLayout, HiddenFrozenColumnKeepsThreeVisibleColumnsFrozen)
{
    GridFixture f;
    TColumnEh *a = addColumn(*f.grid, "ID");
    TColumnEh *b = addColumn(*f.grid, "NAME");
    addColumn(*f.grid, "AMOUNT");
    addColumn(*f.grid, "FLAG");
    addColumn(*f.grid, "ID");
    f.grid->SetFrozenCols(3);
    f.fill(2);
    f.show();
    EXPECT_EQ(f.grid->FixedCols(), 1 + 3);
    b->SetVisible(false);
    EXPECT_EQ(f.grid->FixedCols(), 1 + 3 + 1);
    EXPECT_EQ(f.grid->ShownColumns().size(), 4);
    Q_UNUSED(a);
}

TEST(GridLayout, ADerivedGridAddsARowAboveTheData)
{
    tarvik::test::GridFixture f;
    auto extra = std::make_unique<ExtraRowGrid>();
    extra->setFrameShape(QFrame::NoFrame);
    ExtraRowGrid *g = extra.get();
    f.grid = std::move(extra);
    f.fill(3);
    f.show();
    EXPECT_EQ(g->TopFixedRows(), 2);
    EXPECT_EQ(g->FixedRows(), 2);
    EXPECT_EQ(g->RowCount(), 2 + 3);
    EXPECT_EQ(g->CellDrawText(2, 2), QStringLiteral("Name 1")) << "the data starts below the extra row";
    const QImage image = f.picture();
    EXPECT_GT(g->extraRowCells, 0);
    EXPECT_EQ(g->lastExtraRow, 1);
    const QRect cell = g->CellRect(2, 1);
    EXPECT_EQ(tarvik::test::pixelAt(image, cell.center().x(), cell.center().y()), QColor(255, 0, 255));
}

TEST(GridLayout, ChangeScaleScalesTheRunningSumOfWidths)
{
    struct Case
    {
        int m, d;
        std::vector<int> widths, expected;
    };
    // Scaling each width alone would give 50 + 50 + 50 and 8 + 8 + 8: the right edges would drift.
    const Case cases[] = {
        {3, 2, {33, 33, 33}, {50, 49, 50}},
        {1, 2, {15, 15, 15}, {8, 7, 8}},
        {2, 1, {40, 1, 25}, {80, 2, 50}},
        {5, 5, {33, 33, 33}, {33, 33, 33}},
    };
    for (const Case &c : cases) {
        GridFixture f;
        const char *fields[] = {"ID", "NAME", "AMOUNT"};
        for (size_t i = 0; i < c.widths.size(); ++i)
            addColumn(*f.grid, QString::fromLatin1(fields[i]))->SetWidth(c.widths[i]);
        f.fill(3);
        f.show();
        const int layouts = f.grid->LayoutsRun();
        f.probe()->ChangeScale(c.m, c.d);
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(f.grid->Columns()[int(i)]->Width(), c.expected[i]) << c.m << "/" << c.d << " column " << i;
            EXPECT_EQ(f.grid->ColWidths(int(i) + 1), c.expected[i]) << c.m << "/" << c.d << " grid column " << i;
        }
        EXPECT_LE(f.grid->LayoutsRun() - layouts, 1) << c.m << "/" << c.d << ": one layout at most";
    }
}

TEST(GridLayout, ChangeScaleScalesEachFontFromItsOwnSize)
{
    GridFixture f;
    f.grid->Font().SetSize(10);
    f.grid->TitleFont().SetSize(12);
    f.grid->FooterFont().SetSize(8);
    TColumnEh *own = addColumn(*f.grid, QStringLiteral("ID"));
    TFont nine;
    nine.Assign(f.grid->Font());
    nine.SetSize(9);
    own->SetFont(nine);
    TFont fourteen;
    fourteen.Assign(f.grid->TitleFont());
    fourteen.SetSize(14);
    own->Title().SetFont(fourteen);
    own->Footer().SetFont(nine);
    own->Footers().Add()->SetFont(fourteen);
    TColumnEh *plain = addColumn(*f.grid, QStringLiteral("NAME"));
    f.grid->SetFooterRowCount(1);
    f.fill(3);
    f.show();
    const int rowHeight = f.grid->DefaultRowHeight();

    f.probe()->ChangeScale(3, 2);

    struct Expect
    {
        const char *what;
        const TFont &font;
        int size;
    };
    const Expect expected[] = {
        {"grid", f.grid->Font(), 15},
        {"titles", f.grid->TitleFont(), 18},
        {"footers", f.grid->FooterFont(), 12},
        {"column's own", own->Font(), 14},
        {"column's own title", own->Title().Font(), 21},
        {"column's own footer", own->Footer().Font(), 14},
        {"column's further footer", own->Footers().Items(0)->Font(), 21},
        {"column following the grid", plain->Font(), 15},
        {"title following the grid", plain->Title().Font(), 18},
        {"footer following the grid", plain->Footer().Font(), 12},
    };
    for (const Expect &e : expected)
        EXPECT_EQ(e.font.Size(), e.size) << e.what;
    EXPECT_GT(f.grid->DefaultRowHeight(), rowHeight) << "rows grow with the larger font";
}
