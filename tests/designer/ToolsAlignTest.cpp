// The alignment palette, the row layout of a band, fitting to the grid and the z-order commands, each one undo step.
#include "WindowFixture.h"

#include "FR_Dock.h"

#include <QAction>

namespace {

class ToolsAlign : public WindowFixture
{
protected:
    void click(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        QWidget *surface = designer->PageView;
        for (auto [type, button, buttons] : { std::tuple { QEvent::MouseMove, Qt::NoButton, Qt::MouseButtons() },
                 std::tuple { QEvent::MouseButtonPress, Qt::LeftButton, Qt::MouseButtons(Qt::LeftButton) },
                 std::tuple { QEvent::MouseButtonRelease, Qt::LeftButton, Qt::MouseButtons() } }) {
            QMouseEvent e(type, p, surface->mapToGlobal(p), button, buttons, mods);
            QApplication::sendEvent(surface, &e);
        }
    }
    static QPoint centre(const TfrView *v) { return QPoint(v->Left + v->Width / 2, v->Top + v->Height / 2); }
    void palette(int command)
    {
        TfrTBButton *b = designer->findChild<TfrTBButton *>(QStringLiteral("Align%1").arg(command));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(11, 11));
    }
    std::vector<QString> order() const
    {
        std::vector<QString> names;
        for (int i = 0; i < page->ObjectCount(); ++i)
            names.push_back(page->Object(i)->Name);
        return names;
    }
};

TEST_F(ToolsAlign, EachCommandLinesTheSelectionUpAgainstTheObjectClickedFirst)
{
    TfrMemoView *a = memo(50, 10, 40, 20, "A");
    TfrMemoView *b = memo(120, 60, 60, 30, "B");
    TfrMemoView *c = memo(200, 100, 20, 10, "C");
    TfrDesignerForm &d = open();
    const int w = d.PageView->width(), h = d.PageView->height();
    struct Case
    {
        int command;
        QRect a, b, c;
    } cases[] = {
        { 1, { 50, 10, 40, 20 }, { 50, 60, 60, 30 }, { 50, 100, 20, 10 } },
        { 5, { 50, 10, 40, 20 }, { 30, 60, 60, 30 }, { 70, 100, 20, 10 } },
        { 6, { 50, 10, 40, 20 }, { 120, 10, 60, 30 }, { 200, 10, 20, 10 } },
        { 10, { 50, 10, 40, 20 }, { 120, 0, 60, 30 }, { 200, 20, 20, 10 } },
        { 2, { 50, 10, 40, 20 }, { 40, 60, 60, 30 }, { 60, 100, 20, 10 } },
        { 7, { 50, 10, 40, 20 }, { 120, 5, 60, 30 }, { 200, 15, 20, 10 } },
        // The selection spans 50..220 and 10..110; it moves as one onto the middle of the page.
        { 3, { 50 - (50 + (170 - w) / 2), 10, 40, 20 }, { 120 - (50 + (170 - w) / 2), 60, 60, 30 },
            { 200 - (50 + (170 - w) / 2), 100, 20, 10 } },
        { 8, { 50, 10 - (10 + (100 - h) / 2), 40, 20 }, { 120, 60 - (10 + (100 - h) / 2), 60, 30 },
            { 200, 100 - (10 + (100 - h) / 2), 20, 10 } },
        { 4, { 50, 10, 40, 20 }, { 125, 60, 60, 30 }, { 200, 100, 20, 10 } },
        { 9, { 50, 10, 40, 20 }, { 120, 55, 60, 30 }, { 200, 100, 20, 10 } },
    };
    for (const Case &k : cases) {
        click(centre(a));
        click(centre(b), Qt::ShiftModifier);
        click(centre(c), Qt::ShiftModifier);
        ASSERT_EQ(d.PageView->SelectedCount, 3);
        const int steps = d.UndoCount();
        palette(k.command);
        EXPECT_EQ(bounds(a), k.a) << "command " << k.command;
        EXPECT_EQ(bounds(b), k.b) << "command " << k.command;
        EXPECT_EQ(bounds(c), k.c) << "command " << k.command;
        EXPECT_EQ(d.UndoCount(), steps + 1);
        d.Undo();
        EXPECT_EQ(bounds(b), QRect(120, 60, 60, 30)) << "command " << k.command << " undone";
    }
}

TEST_F(ToolsAlign, UnmovableObjectsAndTooSmallSelectionsStay)
{
    TfrMemoView *a = memo(50, 10, 40, 20, "A");
    TfrMemoView *b = memo(120, 60, 60, 30, "B");
    TfrMemoView *c = memo(200, 100, 20, 10, "C");
    c->Restrictions = orNoMove;
    TfrDesignerForm &d = open();
    select({ a, b, c });
    palette(6);
    EXPECT_EQ(b->Top, a->Top);
    EXPECT_EQ(c->Top, 100) << "an object that may not move keeps its place";

    select({ a, b });
    const int steps = d.UndoCount();
    palette(4);
    EXPECT_EQ(d.UndoCount(), steps) << "two objects are not spaced";
    select({ a });
    palette(1);
    EXPECT_EQ(d.UndoCount(), steps) << "one object is aligned with nothing";
    DesignerRestrictions = drNoMove;
    select({ a, b });
    palette(5);
    EXPECT_EQ(d.UndoCount(), steps) << "the host forbids moving";
}

TEST_F(ToolsAlign, SpaceEvenlyOrdersByTheEdgeAsANumber)
{
    struct Case
    {
        const char *what;
        std::vector<int> xs, expected;
    } cases[] = {
        { "plain", { 10, 20, 100 }, { 10, 55, 100 } },
        { "beyond 9999 and left of the page", { 10000, -20, 100 }, { 10000, -20, 4990 } },
        { "equal edges keep the list order", { 300, 100, 100, 20 }, { 300, 113, 206, 20 } },
    };
    for (const Case &k : cases) {
        page->ClearObjects();
        std::vector<TfrView *> views;
        for (size_t i = 0; i < k.xs.size(); ++i)
            views.push_back(memo(k.xs[i], 20 + int(i) * 30, 40, 20, QStringLiteral("M%1").arg(i).toLatin1().data()));
        if (!designer)
            open();
        designer->SetCurPage(0);
        select(views);
        palette(4);
        for (size_t i = 0; i < views.size(); ++i)
            EXPECT_EQ(views[i]->Left, k.expected[i]) << k.what << ", object " << i;
    }
}

TEST_F(ToolsAlign, ABandSelectedLaysItsObjectsOutInARowFromEitherSide)
{
    TfrBandView *data = band(btMasterData, 100, 40, "Data");
    TfrMemoView *m1 = memo(300, 110, 50, 20, "M1");
    TfrMemoView *m2 = memo(100, 105, 60, 20, "M2");
    TfrMemoView *m3 = memo(200, 115, 40, 20, "M3");
    TfrMemoView *outside = memo(150, 200, 40, 20, "Outside");
    m3->Restrictions = orNoMove;
    TfrDesignerForm &d = open();
    const int left = page->PrintAreaLeft(), right = page->PrintAreaRight();
    select({ data });
    palette(1);
    EXPECT_EQ(bounds(m2), QRect(left, data->Top, 60, 20));
    EXPECT_EQ(bounds(m3), QRect(200, 115, 40, 20)) << "kept, but its width is used up";
    EXPECT_EQ(bounds(m1), QRect(left + 100, data->Top, 50, 20));
    EXPECT_EQ(bounds(outside), QRect(150, 200, 40, 20));
    d.Undo();
    EXPECT_EQ(bounds(m2), QRect(100, 105, 60, 20)) << "the row's unselected objects are undone too";
    EXPECT_EQ(bounds(m1), QRect(300, 110, 50, 20));

    // From the right, the objects are taken from the rightmost down.
    select({ data, m1 });
    palette(5);
    EXPECT_EQ(bounds(m1), QRect(right - 50, data->Top, 50, 20));
    EXPECT_EQ(bounds(m2), QRect(right - 150, data->Top, 60, 20));
    EXPECT_EQ(bounds(m3), QRect(200, 115, 40, 20));
}

TEST_F(ToolsAlign, FitToGridRoundsHalvesToTheEvenStepWhateverTheRestrictions)
{
    struct Case
    {
        QRect before, after;
    } cases[] = {
        { { 13, 13, 3, 20 }, { 16, 16, 8, 16 } },
        { { 12, 20, 44, 36 }, { 16, 16, 48, 32 } },
        { { 20, 4, 52, 12 }, { 16, 0, 48, 16 } },
    };
    std::vector<TfrView *> views;
    for (const Case &k : cases)
        views.push_back(memo(k.before.x(), k.before.y(), k.before.width(), k.before.height(), "M"));
    views.back()->Restrictions = orNoMove | orNoResize;
    TfrDesignerForm &d = open();
    d.SetGridSize(8);
    select(views);
    const int steps = d.UndoCount();
    d.FitGridAction->trigger();
    for (size_t i = 0; i < views.size(); ++i)
        EXPECT_EQ(bounds(views[i]), cases[i].after) << i;
    EXPECT_EQ(d.UndoCount(), steps + 1);
    d.Undo();
    EXPECT_EQ(bounds(views[0]), cases[0].before);
}

TEST_F(ToolsAlign, ZOrderMovesTheSelectionAndKeepsBandsFirst)
{
    TfrMemoView *a = memo(10, 10, 20, 20, "A");
    TfrMemoView *b = memo(20, 10, 20, 20, "B");
    TfrBandView *title = band(btReportTitle, 0, 60, "Title");
    TfrMemoView *c = memo(30, 10, 20, 20, "C");
    TfrMemoView *dd = memo(40, 10, 20, 20, "D");
    TfrMemoView *fixed = memo(50, 10, 20, 20, "Fixed");
    fixed->Restrictions = orNoMove;
    TfrDesignerForm &d = open();
    using Names = std::vector<QString>;
    // Shown, the page keeps its stored order; the first z-order step puts the bands first.
    ASSERT_EQ(order(), (Names { "A", "B", "Title", "C", "D", "Fixed" }));
    select({ b, dd, fixed, title });
    d.N32->trigger();
    EXPECT_EQ(order(), (Names { "Title", "A", "C", "Fixed", "B", "D" }));
    d.N33->trigger();
    EXPECT_EQ(order(), (Names { "Title", "B", "D", "A", "C", "Fixed" }));
    d.Undo();
    EXPECT_EQ(order(), (Names { "Title", "A", "C", "Fixed", "B", "D" })) << "one step each";
    d.Undo();
    EXPECT_EQ(order(), (Names { "A", "B", "Title", "C", "D", "Fixed" }));
    (void)a;
    (void)c;
}

} // namespace
