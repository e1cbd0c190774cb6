#include "GridSupport.h"

#include "Exceptions.h"
#include "Guard.h"

#include <QLineEdit>
#include <QWheelEvent>

#include <gtest/gtest.h>

using tarvik::test::GridFixture;
using tarvik::test::pixelAt;

namespace {

// A dataset that cannot tell record numbers.
class UnsequencedDataSet : public TClientDataSet
{
public:
    bool IsSequenced() const override { return false; }
};

// The pixel on the vertical line right of a cell, halfway down.
QColor lineRightOf(GridFixture &f, int col, int row)
{
    const QRect cell = f.grid->CellRect(col, row);
    return pixelAt(f.picture(), cell.right() + 1, cell.center().y());
}

// A pixel inside a cell, away from its text.
QColor insideCell(GridFixture &f, int col, int row)
{
    const QRect cell = f.grid->CellRect(col, row);
    return pixelAt(f.picture(), cell.right() - 2, cell.bottom() - 1);
}

// The ink of a cell's text: the box around its dark pixels (a few pixels in from the frame) and how many of them
// lie in the box's lower half.
struct TextInk
{
    QRect Box;
    int Lower = 0;
    int Total = 0;
};

TextInk inkIn(const QImage &image, const QRect &cell)
{
    TextInk ink;
    const QRect inner = cell.adjusted(3, 3, -3, -3);
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            if (QColor(image.pixel(x, y)).lightness() < 90)
                ink.Box |= QRect(x, y, 1, 1);
    for (int y = ink.Box.top(); y <= ink.Box.bottom(); ++y)
        for (int x = ink.Box.left(); x <= ink.Box.right(); ++x)
            if (QColor(image.pixel(x, y)).lightness() < 90) {
                ++ink.Total;
                if (y > ink.Box.center().y())
                    ++ink.Lower;
            }
    return ink;
}

} // namespace

TEST(GridDrawing, LineColoursOfFlatRaisedAndSilverGrids)
{
    struct Case
    {
        bool flat;
        TColor color;
        QColor titleLine;
        QColor dataLine;
    };
    const Case cases[] = {
        {false, clWindow, QColor(0, 0, 0), QColor(192, 192, 192)},
        {true, clWindow, QColor(128, 128, 128), QColor(192, 192, 192)},
        {false, clSilver, QColor(0, 0, 0), QColor(128, 128, 128)},
    };
    for (const Case &c : cases) {
        GridFixture f;
        f.fill(3);
        f.grid->SetFlat(c.flat);
        f.grid->SetColor(c.color);
        f.show();
        EXPECT_EQ(lineRightOf(f, 1, 0), c.titleLine) << "flat " << c.flat;
        EXPECT_EQ(lineRightOf(f, 1, 2), c.dataLine) << "flat " << c.flat;
    }
}

TEST(GridDrawing, SelectionColoursWithAndWithoutFocus)
{
    GridFixture f;
    f.fill(5);
    f.grid->SetOptions(f.grid->Options() | dgAlwaysShowSelection);
    QLineEdit other;
    f.show();
    f.grid->SetSelectedIndex(1);
    const int row = f.grid->Row();
    EXPECT_EQ(insideCell(f, 2, row), toQColor(clHighlight)) << "the focused current cell";
    EXPECT_EQ(insideCell(f, 2, row + 1), toQColor(clWindow));

    other.show();
    QApplication::setActiveWindow(&other);
    other.setFocus();
    QApplication::processEvents();
    ASSERT_FALSE(f.grid->IsActiveControl());
    EXPECT_EQ(insideCell(f, 2, row), toQColor(clBtnShadow)) << "kept visible without focus";

    f.grid->SetOptions(f.grid->Options() & ~dgAlwaysShowSelection);
    EXPECT_EQ(insideCell(f, 2, row), toQColor(clWindow));

    // A row-select grid without focus shows its whole current row.
    f.grid->SetOptions(f.grid->Options() | dgRowSelect | dgAlwaysShowSelection);
    EXPECT_FALSE(f.grid->Options() & dgEditing) << "row select drops editing";
    EXPECT_EQ(insideCell(f, 3, row), toQColor(clBtnShadow));
}

TEST(GridDrawing, BlendTowardsFollowsItsFormula)
{
    // White towards highlight (0, 120, 215): red 255 -> 127.5 -> 186 -> 202 darkened.
    const TColor blended = BlendTowards(clWindow, clHighlight, true);
    EXPECT_EQ(blended & 0xFF, 202);
    const TColor light = BlendTowards(clWhite, clBtnShadow, false);
    EXPECT_EQ(light & 0xFF, 212); // 255 -> 191.5 -> 211.6
}

TEST(GridDrawing, FooterBandSitsAtTheBottomInTheFooterColour)
{
    GridFixture f;
    f.fill(3);
    f.grid->SetFooterRowCount(1);
    f.grid->SetFooterColor(clAqua);
    f.grid->SetOptionsEh(f.grid->OptionsEh() & ~dghFooter3D);
    f.show(400, 300);
    const QImage image = f.picture();
    const int x = f.grid->CellRect(2, 1).center().x();
    EXPECT_EQ(pixelAt(image, x, f.grid->ClientHeight() - 3), toQColor(clAqua));
    EXPECT_EQ(pixelAt(image, x, f.grid->ClientHeight() / 2), toQColor(clWindow)) << "the spacer in the grid colour";
}

TEST(GridDrawing, ShortenWithEllipsisCutsUntilItFits)
{
    const QFont font = QApplication::font();
    EXPECT_EQ(ShortenWithEllipsis(QStringLiteral("abc"), font, 1000), QStringLiteral("abc"));
    const QString cut = ShortenWithEllipsis(QStringLiteral("a rather long caption"), font, 60);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("...")));
    EXPECT_LE(TextWidth(font, cut), 60);
}

TEST(GridScrolling, SequencedBarRunsByRecordNumbers)
{
    GridFixture f;
    f.fill(100);
    f.show(400, 300);
    // Ten data rows exactly.
    const int line = f.grid->GridLineWidth();
    const int height = f.grid->RowHeights(0) + line + 10 * (f.grid->DefaultRowHeight() + line);
    f.grid->resize(400, height);
    QApplication::processEvents();
    ASSERT_EQ(f.grid->GetDataRowCount(), 10);
    EXPECT_EQ(f.grid->VertScrollInfo(), (TScrollInfoEh{1, 109, 10, 1}));
    QScrollBar *bar = f.grid->verticalScrollBar();
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->pageStep(), 10);
    f.ds.SetRecNo(50);
    EXPECT_EQ(f.grid->VertScrollInfo().Pos, 50);
    EXPECT_EQ(bar->value(), 50);

    f.probe()->VertScroll(scPageDown, 0);
    EXPECT_EQ(f.ds.RecNo(), 60);
    f.probe()->VertScroll(scThumbPosition, 75);
    EXPECT_EQ(f.ds.RecNo(), 75);
    f.probe()->VertScroll(scBottom, 0);
    EXPECT_EQ(f.ds.RecNo(), 100);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(f.ds.RecNo(), 1);
}

TEST(GridScrolling, UnsequencedBarHasThreePositions)
{
    GridFixture f;
    UnsequencedDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds.CreateDataSet();
    for (int i = 1; i <= 30; ++i) {
        ds.Append();
        ds.FieldByName(QStringLiteral("ID"))->SetValue(i);
        ds.Post();
    }
    ds.First();
    f.source.SetDataSet(&ds);
    f.show(300, 200);
    EXPECT_EQ(f.grid->VertScrollInfo(), (TScrollInfoEh{0, 4, 0, 0}));
    ds.MoveBy(10);
    EXPECT_EQ(f.grid->VertScrollInfo().Pos, 2);
    ds.Last();
    ds.Next();
    EXPECT_EQ(f.grid->VertScrollInfo().Pos, 4);
    f.probe()->VertScroll(scThumbPosition, 0);
    EXPECT_EQ(ds.RecNo(), 1);
    f.source.SetDataSet(&f.ds);
}

TEST(GridScrolling, TheWheelMovesOneRecordPerNotch)
{
    GridFixture f;
    f.fill(50);
    f.show();
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(50, 50), f.grid->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.grid->viewport(), &event);
    };
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(f.ds.RecNo(), 3);
    wheel(120);
    EXPECT_EQ(f.ds.RecNo(), 2);
    EXPECT_EQ(f.grid->Row(), f.grid->TopFixedRows() + f.grid->DataLink()->ActiveRecord());
}

TEST(GridScrolling, CellTipsOnlyOverCutCellsAndWhereTheTextSits)
{
    GridFixture f;
    TColumnEh *name = f.grid->Columns().Add();
    name->SetFieldName(QStringLiteral("NAME"));
    name->SetWidth(60);
    name->SetToolTips(true);
    TColumnEh *amount = f.grid->Columns().Add();
    amount->SetFieldName(QStringLiteral("AMOUNT"));
    amount->SetWidth(40);
    amount->SetToolTips(true);
    name->Title().Hint = QStringLiteral("Имя абонента|Полное имя");
    f.add(1, QStringLiteral("Al"), 1.0);
    f.add(2, QStringLiteral("A very long name indeed"), 123456789.25);
    f.show();
    auto *g = f.probe();

    const QRect shortCell = g->CellRect(1, 1);
    EXPECT_FALSE(g->CalcHint(shortCell.center()).Show) << "a text that fits gets no tip";

    const QRect longCell = g->CellRect(1, 2);
    const TGridHintEh tip = g->CalcHint(longCell.center());
    ASSERT_TRUE(tip.Show);
    EXPECT_FALSE(tip.TitleHint);
    EXPECT_EQ(tip.Text, QStringLiteral("A very long name indeed"));
    EXPECT_EQ(tip.TipPos, QPoint(longCell.left() - 1, longCell.top() - 1));
    EXPECT_EQ(tip.Font.qfont(), name->Font().qfont()) << "the tip has the cell's font";
    EXPECT_TRUE(tip.ShowAtOnce);

    const QRect numberCell = g->CellRect(2, 2);
    const TGridHintEh right = g->CalcHint(numberCell.center());
    ASSERT_TRUE(right.Show);
    const int textWidth = TextWidth(amount->Font().qfont(), right.Text);
    EXPECT_EQ(right.TipPos.x(), numberCell.left() + g->ColWidths(2) - 1 - textWidth - 6)
        << "right-aligned text: the tip ends where the text ends";

    const TGridHintEh title = g->CalcHint(g->CellRect(1, 0).center());
    ASSERT_TRUE(title.Show);
    EXPECT_TRUE(title.TitleHint);
    EXPECT_EQ(title.Text, QStringLiteral("Имя абонента"));

    amount->SetToolTips(false);
    EXPECT_FALSE(g->CalcHint(numberCell.center()).Show) << "no tips without ToolTips";
}

TEST(GridScrolling, AnOutsideBarServesOneGridOnly)
{
    GridFixture first;
    GridFixture second;
    QScrollBar bar(Qt::Vertical);
    bar.setObjectName(QStringLiteral("sbOutside"));
    first.fill(30);
    first.show();
    first.grid->VertScrollBar().SetExtScrollBar(&bar);
    EXPECT_EQ(bar.maximum(), 30) << "the outside bar takes over the range";
    try {
        second.grid->VertScrollBar().SetExtScrollBar(&bar);
        FAIL() << "attaching the bar twice must raise";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Possible sbOutside already attached to the other control."));
    }
    first.grid->VertScrollBar().SetExtScrollBar(nullptr);
    EXPECT_NO_THROW(second.grid->VertScrollBar().SetExtScrollBar(&bar));
    second.grid->VertScrollBar().SetExtScrollBar(nullptr);
}

TEST(GridDrawing, AThrowingHandlerIsReportedAndDrawingGoesOn)
{
    GridFixture f;
    f.fill(3);
    QStringList reported;
    const ExceptionHandler previous = setExceptionHandler([&reported](const QString &m) { reported << m; });
    f.grid->OnGetCellParams = [](TCustomDBGridEh *, TColumnEh *, TFont &, TColor &background, TGridDrawState) {
        background = clAqua;
        throw Exception(QStringLiteral("cell params failed"));
    };
    f.show();
    const QImage image = f.picture();
    setExceptionHandler(previous);
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_TRUE(reported.first().contains(QStringLiteral("cell params failed")));
    EXPECT_EQ(pixelAt(image, f.grid->CellRect(2, 2).right() - 2, f.grid->CellRect(2, 2).bottom() - 1),
              toQColor(clAqua))
        << "the cell is drawn with what the handler set before it failed";
}

TEST(GridScrolling, MovingOverACutCellShowsItsTipAtOnceInTheCellFont)
{
    GridFixture f;
    TColumnEh *name = f.grid->Columns().Add();
    name->SetFieldName(QStringLiteral("NAME"));
    name->SetWidth(50);
    name->SetToolTips(true);
    TFont font;
    font.Assign(f.grid->Font());
    font.SetStyle(fsBold);
    name->SetFont(font);
    f.add(1, QStringLiteral("A name far too long for the cell"));
    f.show();
    auto move = [&](const QPoint &pos) {
        QMouseEvent event(QEvent::MouseMove, QPointF(pos), f.grid->viewport()->mapToGlobal(QPointF(pos)),
                          Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(f.grid->viewport(), &event);
    };
    const QRect cell = f.grid->CellRect(1, 1);
    move(cell.center());
    TCellTipWindow *tip = f.grid->CellTipWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->IsActive());
    EXPECT_EQ(tip->text(), QStringLiteral("A name far too long for the cell"));
    EXPECT_TRUE(tip->font().bold());
    EXPECT_EQ(tip->pos(), f.grid->viewport()->mapToGlobal(QPoint(cell.left() - 1, cell.top() - 1)));
    move(f.grid->CellRect(0, 1).center());
    EXPECT_FALSE(tip->IsActive()) << "leaving the cell hides the tip";
}

TEST(GridDrawing, AnUprightTitleIsDrawnBottomUpAndTipsMeasureItAlongTheCell)
{
    GridFixture f;
    TColumnEh *upright = f.grid->Columns().Add();
    upright->SetFieldName(QStringLiteral("NAME"));
    upright->SetWidth(30);
    upright->Title().SetCaption(QStringLiteral("MMMM...."));
    upright->Title().SetOrientation(tohVertical);
    upright->Title().SetToolTips(true);
    TColumnEh *flat = f.grid->Columns().Add();
    flat->SetFieldName(QStringLiteral("ID"));
    flat->SetWidth(120);
    flat->Title().SetCaption(QStringLiteral("MMMM...."));
    f.grid->SetUseMultiTitle(true);
    f.add(1, QStringLiteral("Al"));
    f.show();
    auto *g = f.probe();

    const QImage image = f.picture();
    const QRect uprightCell = g->CellRect(1, 0);
    const TextInk up = inkIn(image, uprightCell);
    ASSERT_FALSE(up.Box.isEmpty()) << "the upright title is drawn";
    EXPECT_GT(up.Box.height(), 2 * up.Box.width()) << "its text runs along the cell's height";
    EXPECT_GT(up.Lower, up.Total - up.Lower) << "read bottom-up: the heavy letters come first, at the bottom";
    EXPECT_GE(up.Box.bottom(), uprightCell.bottom() - 6) << "it starts at the cell's bottom";
    const TextInk across = inkIn(image, g->CellRect(2, 0));
    ASSERT_FALSE(across.Box.isEmpty());
    EXPECT_GT(across.Box.width(), 2 * across.Box.height()) << "a horizontal title stays horizontal";

    // The title row is fitted to the upright text, so its narrow cell holds it whole: no tip.
    EXPECT_FALSE(g->CalcHint(uprightCell.center()).Show);
    // A low title row cuts it: a tip with the whole caption, on one line.
    f.grid->SetUseMultiTitle(false);
    f.grid->SetTitleHeight(4);
    QApplication::processEvents();
    const TGridHintEh tip = g->CalcHint(g->CellRect(1, 0).center());
    ASSERT_TRUE(tip.Show);
    EXPECT_EQ(tip.Text, QStringLiteral("MMMM...."));
    EXPECT_FALSE(tip.WordWrap);
}

TEST(GridDrawing, AGroupCaptionSpansAllItsColumnsOnceAndTheLeavesFitUnderIt)
{
    GridFixture f;
    f.grid->SetUseMultiTitle(true);
    // Widths set after the columns join the grid, title buttons on, as a window builds its list.
    const auto addColumn = [&](const char *field, const QString &caption, int width) {
        TColumnEh *column = f.grid->Columns().Add();
        column->SetFieldName(QString::fromLatin1(field));
        column->Title().SetCaption(caption);
        column->Title().SetTitleButton(true);
        column->SetWidth(width);
    };
    addColumn("NAME", QStringLiteral("Address line|Street"), 90);
    addColumn("ID", QStringLiteral("Address line|House"), 40);
    addColumn("FLAG", QStringLiteral("Address line|No. fl."), 40);
    f.add(1, QStringLiteral("Al"));
    f.show();
    auto *g = f.probe();

    const QImage image = f.picture();
    const QRect first = g->CellRect(1, 0);
    const QRect second = g->CellRect(2, 0);
    const QRect third = g->CellRect(3, 0);
    THeadTreeNode *group = g->LeafFieldArr(0)->Host;
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Width, third.right() + 1 - first.left()) << "the band is as wide as its columns";
    // The caption, centred over the three columns, reaches over the second one.
    const QRect overSecond(second.left() + 1, second.top() + 2, second.width() - 2, group->Height - 4);
    int ink = 0;
    for (int y = overSecond.top(); y <= overSecond.bottom(); ++y)
        for (int x = overSecond.left(); x <= overSecond.right(); ++x)
            if (pixelAt(image, x, y).lightness() < 90)
                ++ink;
    EXPECT_GT(ink, 0) << "the group caption's text continues over the second column";
    // No column line cuts the band between its columns; it still parts the leaves below.
    const int bandMiddle = second.top() + group->Height / 2;
    EXPECT_EQ(pixelAt(image, second.right() + 1, bandMiddle), toQColor(f.grid->FixedColor()));
    EXPECT_NE(pixelAt(image, second.right() + 1, second.bottom() - 2), toQColor(f.grid->FixedColor()));

    // A narrow leaf under a group gets the lines its caption wraps to: the title row holds them all.
    const TextInk leafInk = inkIn(image, QRect(third.left(), third.top() + group->Height, third.width(),
                                               third.height() - group->Height + 3));
    ASSERT_FALSE(leafInk.Box.isEmpty());
    EXPECT_LT(leafInk.Box.bottom(), third.bottom() - 1) << "the wrapped leaf caption is not cut at the bottom";
}

TEST(GridDrawing, DataCellsOutsideTheCurrentRowHaveTheGridColour)
{
    GridFixture f;
    f.grid->SetOptionsEh(f.grid->OptionsEh() | dghRowHighlight);
    f.grid->SetColor(clWindow);
    f.grid->OnGetCellParams = [](TCustomDBGridEh *, TColumnEh *, TFont &font, TColor &, TGridDrawState) {
        font.SetColor(clRed);
    };
    f.fill(3);
    f.show();
    const QImage image = f.picture();
    const int current = f.grid->Row();
    for (int row = current + 1; row <= current + 2; ++row)
        EXPECT_EQ(insideCell(f, 1, row), toQColor(clWindow)) << "row " << row;
    EXPECT_NE(insideCell(f, 1, current), toQColor(clWindow)) << "the current row keeps its highlight";
}
