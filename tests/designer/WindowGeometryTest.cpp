// The design surface's geometry without widgets: hit test, the grid gate, group scaling, the handles and their
// flip, placement, band order, paste placement and the arrow keys' nearest object.
#include "FR_Desgn.h"

#include "FR_Class.h"

#include <gtest/gtest.h>

using namespace DesignGeometry;

namespace {

std::unique_ptr<TfrView> Memo(int x, int y, int w, int h)
{
    auto v = std::make_unique<TfrMemoView>();
    v->PlaceAt(x, y, w, h);
    return v;
}

TEST(WindowGeometry, HitTestTakesTheTopObjectAndReachesHairLines)
{
    auto under = Memo(10, 10, 100, 50);
    auto over = Memo(50, 20, 100, 50);
    auto line = Memo(200, 100, 80, 2);
    const std::vector<TfrView *> objects { under.get(), over.get(), line.get() };
    struct Case
    {
        QPoint point;
        int hit;
    } cases[] = {
        { { 60, 30 }, 1 }, // both: the upper one
        { { 20, 30 }, 0 }, // the lower one alone
        { { 200, 97 }, 2 }, // 3 pixels above a 2-pixel line
        { { 200, 96 }, -1 }, // 4 pixels above it
        { { 283, 105 }, 2 }, // 3 pixels beyond its end and below it
        { { 5, 5 }, -1 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(HitTest(objects, c.point), c.hit) << c.point.x() << "," << c.point.y();
}

TEST(WindowGeometry, DragsGoInWholeGridStepsUnlessSnappingIsOff)
{
    struct Case
    {
        QPoint delta;
        int step;
        bool snap;
        std::optional<QPoint> moved;
    } cases[] = {
        { { 7, 0 }, 8, true, std::nullopt },
        { { 9, 0 }, 8, true, QPoint(8, 0) },
        { { 9, 0 }, 8, false, QPoint(9, 0) },
        { { -17, 3 }, 8, true, QPoint(-16, 0) },
        { { 3, -4 }, 4, true, QPoint(0, -4) },
        { { 0, 0 }, 8, false, QPoint(0, 0) },
    };
    for (const Case &c : cases)
        EXPECT_EQ(GatedDelta(c.delta, c.step, c.snap), c.moved) << c.delta.x() << "," << c.delta.y();
    EXPECT_EQ(SnapToGrid({ 13, 27 }, 8, true), QPoint(8, 24));
    EXPECT_EQ(SnapToGrid({ 13, 27 }, 8, false), QPoint(13, 27));
}

TEST(WindowGeometry, TheLineToolStartsOnANearCornerOrTheNearestGridPoint)
{
    auto a = Memo(100, 100, 40, 20);
    auto b = Memo(143, 100, 40, 20);
    const std::vector<TfrView *> objects { a.get(), b.get() };
    EXPECT_EQ(SnapLinePoint({ 141, 101 }, objects, 8), QPoint(140, 100)) << "the nearer of two corners";
    EXPECT_EQ(SnapLinePoint({ 50, 13 }, objects, 8), QPoint(48, 16)) << "rounded, not cut";
    EXPECT_EQ(SnapLinePoint({ 52, 12 }, objects, 8), QPoint(48, 16)) << "a half rounds to the even step";
}

TEST(WindowGeometry, GroupScalingRoundsBothEdgesSoNeighboursStayJoined)
{
    struct Case
    {
        int pos, size, origin;
        double k;
        std::pair<int, int> expected;
    } cases[] = {
        { 100, 50, 100, 1.5, { 100, 75 } }, { 150, 50, 100, 1.5, { 175, 75 } }, // starts where the first ends
        { 100, 25, 100, 1.1, { 100, 28 } }, // 27.5 rounds to the even 28
        { 125, 25, 100, 1.1, { 128, 27 } }, // 27.5 .. 55: the edge at 28 is shared
        { 100, 10, 100, 0.25, { 100, 2 } }, // 2.5 rounds to 2
    };
    for (const Case &c : cases)
        EXPECT_EQ(ScaleSpan(c.pos, c.size, c.origin, c.k), c.expected) << c.pos << " x" << c.k;
}

TEST(WindowGeometry, HandlesShowTheirCursorsAndADragAcrossTheOppositeEdgeFlips)
{
    const QRect r(100, 100, 50, 20);
    struct Cursor
    {
        QPoint point;
        TSizeCursor cursor;
    } cursors[] = {
        { { 98, 98 }, scNWSE },
        { { 153, 123 }, scNWSE },
        { { 150, 100 }, scNESW },
        { { 100, 120 }, scNESW },
        { { 125, 101 }, scNS },
        { { 125, 120 }, scNS },
        { { 100, 110 }, scWE },
        { { 150, 110 }, scWE },
        { { 97, 100 }, scNone },
        { { 125, 110 }, scNone },
    };
    for (const Cursor &c : cursors)
        EXPECT_EQ(HandleCursor(r, c.point), c.cursor) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(DecideResize(scNWSE, r, { 101, 102 }), rsTopLeft);
    EXPECT_EQ(DecideResize(scNWSE, r, { 150, 120 }), rsBottomRight);
    EXPECT_EQ(DecideResize(scNESW, r, { 100, 120 }), rsBottomLeft);
    EXPECT_EQ(DecideResize(scWE, r, { 150, 110 }), rsRight);

    // The top-left handle of a 50 x 20 object dragged 70 to the right.
    TResizeState state = rsTopLeft;
    EXPECT_EQ(ApplyResize(r, state, 70, 0), QRect(150, 100, 20, 20));
    EXPECT_EQ(state, rsBottomRight);
    EXPECT_EQ(ApplyResize(QRect(150, 100, 20, 20), state, 10, 0), QRect(150, 100, 30, 20)) << "goes on at the right";
    TResizeState top = rsTop;
    EXPECT_EQ(ApplyResize(r, top, 0, 30), QRect(100, 120, 50, 10));
    EXPECT_EQ(top, rsBottom);
}

TEST(WindowGeometry, PagePlacementAndDefaultSizes)
{
    struct Case
    {
        int client, page, position, left;
    } cases[] = {
        { 1000, 794, 3, 10 },
        { 1000, 794, 5, 103 },
        { 1000, 794, 4, 195 },
        { 800, 794, 5, 10 },
        { 804, 794, 4, 10 },
    };
    for (const Case &c : cases)
        EXPECT_EQ(PageLeft(c.client, c.page, c.position), c.left) << c.client << " " << c.position;
    EXPECT_EQ(DefaultSize(8, 10), QSize(96, 18));
    EXPECT_EQ(DefaultSize(18, 12), QSize(108, 20));
    EXPECT_EQ(DefaultSize(4, 16), QSize(96, 24));
}

TEST(WindowGeometry, PastedObjectsLandAtTheVisibleTopLeftInWholeSteps)
{
    EXPECT_EQ(PastePosition(100, 100, 10, 8), 0);
    EXPECT_EQ(PastePosition(300, 100, 10, 8), 200);
    // Scrolled by 205: the objects start at the first whole step that is visible, 200.
    EXPECT_EQ(PastePosition(100, 100, -205, 8), 200);
    EXPECT_EQ(PastePosition(140, 100, -205, 8), 240);
}

TEST(WindowGeometry, NearestObjectScores)
{
    const QRect s(100, 100, 50, 20); // e 100, f 100, o 150, t 120
    struct Case
    {
        QRect c;
        TDirection direction;
        int score;
    } cases[] = {
        { { 200, 100, 30, 20 }, dirRight, 50 }, // level: C.x - o
        { { 120, 100, 30, 20 }, dirRight, 20 }, // overlapping: C.x - e
        { { 200, 60, 30, 20 }, dirRight, 70 }, // wholly above: f - C.bottom + 50
        { { 200, 130, 30, 20 }, dirRight, 60 }, // wholly below: C.y - t + 50
        { { 200, 110, 30, 20 }, dirRight, 60 }, // partly: C.y - f + 50
        { { 90, 100, 30, 20 }, dirRight, 10000 }, // not right of e
        { { 20, 100, 30, 20 }, dirLeft, 50 }, // e - C.right
        { { 90, 100, 30, 20 }, dirLeft, 30 }, // C.right beyond e: o - C.right
        { { 100, 200, 50, 20 }, dirDown, 80 }, // C.y - t
        { { 100, 40, 50, 20 }, dirUp, 40 }, // f - C.bottom
        { { 100, 110, 50, 20 }, dirUp, 10000 }, // bottom not above t
        { { 30, 200, 50, 20 }, dirDown, 100 }, // wholly left: e - C.right + 80
    };
    for (const Case &c : cases)
        EXPECT_EQ(NearestScore(s, c.c, c.direction), c.score) << c.c.x() << "," << c.c.y() << " dir " << c.direction;
    // The lowest score wins, the first one on a tie; nothing lies to the left here.
    const std::vector<QRect> right { { 300, 100, 10, 10 }, { 200, 100, 10, 10 }, { 200, 100, 20, 10 } };
    EXPECT_EQ(NearestObject(s, right, dirRight), 1);
    EXPECT_EQ(NearestObject(s, right, dirLeft), -1);
}

TEST(WindowGeometry, SortBandsPutsBandsFirstOverlayAtTheHeadAndCrossBandsLast)
{
    TfrPage page(PaperA4, 0, 0, DefaultBin, 0);
    auto band = [&page](int type, const char *name) {
        auto *b = new TfrBandView;
        b->SetBandType(type);
        b->Name = QLatin1String(name);
        page.AddObject(b);
    };
    auto memo = [&page](const char *name) {
        auto *m = new TfrMemoView;
        m->Name = QLatin1String(name);
        page.AddObject(m);
    };
    memo("Memo1");
    band(btCrossData, "Cross1");
    band(btMasterData, "Data1");
    memo("Memo2");
    band(btOverlay, "Overlay1");
    band(btPageHeader, "Header1");
    band(btOverlay, "Overlay2");
    band(btCrossHeader, "Cross2");
    SortBands(page);
    QStringList order;
    for (int i = 0; i < page.ObjectCount(); ++i)
        order << page.Object(i)->Name;
    EXPECT_EQ(order, QStringList({ "Overlay1", "Data1", "Header1", "Overlay2", "Cross1", "Cross2", "Memo1", "Memo2" }));
    EXPECT_TRUE(BandTypeExists(page, btPageHeader));
    EXPECT_FALSE(BandTypeExists(page, btReportTitle));
}

TEST(WindowGeometry, PickedExpressionsAreBracketedUnlessTheyAreOneBracketedExpression)
{
    const std::pair<const char *, const char *> cases[] = {
        { "", "" },
        { "Sum(x)", "[Sum(x)]" },
        { "[Name]", "[Name]" },
        { "[Name", "[[Name]" },
        { "[a] + [b]", "[[a] + [b]]" },
        { "x]", "[x]]" },
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(WrapExpression(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
}

} // namespace
