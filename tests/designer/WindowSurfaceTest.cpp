// The design surface driven by the mouse: insertion with its ghost, the tools, moving in grid steps, a band with
// its objects, group scaling, the split line, the rubber band, placement and what the surface paints.
#include "WindowFixture.h"

#include "FR_Class.h"
#include "FR_Dock.h"
#include "FR_pgopt.h"

#include "ModalAnswer.h"
#include "Registry.h"
#include "ServiceFakes.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class WindowSurface : public WindowFixture
{
protected:
    TfrDesignerForm &open()
    {
        WindowFixture::open();
        designer->EditAfterInsert = false;
        designer->SetGridAlign(false);
        return *designer;
    }
    TfrMemoView *memo(int x, int y, int w, int h)
    {
        auto *v = static_cast<TfrMemoView *>(CreateViewOfType(0, {}));
        v->PlaceAt(x, y, w, h);
        v->MakeUniqueName();
        page->AddObject(v);
        return v;
    }
    TfrBandView *band(int type, int top, int height)
    {
        auto *b = static_cast<TfrBandView *>(CreateViewOfType(2, {}));
        b->SetBandType(type);
        b->PlaceAt(0, top, 700, height);
        b->MakeUniqueName();
        page->AddObject(b);
        return b;
    }
    QWidget *surface() const { return designer->PageView; }
    void send(
        QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = {})
    {
        QMouseEvent e(type, p, surface()->mapToGlobal(p), button, buttons, mods);
        QApplication::sendEvent(surface(), &e);
    }
    void press(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton, mods);
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, mods);
    }
    void drag(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton, mods);
    }
    void release(QPoint p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void hover(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton); }
    void click(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        press(p, mods);
        release(p);
    }
    void pressTool(const char *name, Qt::KeyboardModifiers mods = {})
    {
        auto *b = designer->findChild<TfrTBButton *>(QLatin1String(name));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton, mods, QPoint(11, 11));
    }
};

TEST_F(WindowSurface, AClickInsertsAtTheGhostWithTheLastUsedAttributes)
{
    TfrDesignerForm &d = open();
    d.SetGridAlign(true);
    d.SetGridSize(8);
    LastUsed.FontName = QStringLiteral("Times New Roman");
    LastUsed.FontSize = 12;
    LastUsed.FrameType = 15;
    LastUsed.FrameWidth = 2;
    LastUsed.FillColor = clYellow;
    pressTool("OB2");
    hover({ 45, 61 });
    EXPECT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckCross);
    EXPECT_TRUE(d.PageView->GhostShown);
    EXPECT_EQ(d.PageView->ActionRect, QRect(40, 56, 96, 20)) << "snapped, of the default size for 12 points";
    click({ 45, 61 });
    ASSERT_EQ(page->ObjectCount(), 1);
    auto *text = dynamic_cast<TfrMemoView *>(page->Object(0));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(bounds(text), QRect(40, 56, 96, 20));
    EXPECT_EQ(text->Font.Name, QStringLiteral("Times New Roman"));
    EXPECT_EQ(text->Font.Size, 12);
    EXPECT_EQ(text->FrameTyp, 15);
    EXPECT_EQ(text->FrameWidth, 2.0);
    EXPECT_EQ(text->FillColor, clYellow);
    EXPECT_TRUE(text->IsSelected);
    EXPECT_EQ(d.ToolTag(), -1) << "the select tool is back";
    ASSERT_EQ(d.UndoCount(), 1);
    EXPECT_EQ(d.UndoBuffer.back().Action, acInsert);
    EXPECT_TRUE(report.Modified);

    // A rectangle drawn with the tool gives the object its size.
    pressTool("OB4");
    hover({ 200, 200 });
    press({ 200, 200 });
    drag({ 260, 250 });
    release({ 260, 250 });
    ASSERT_EQ(page->ObjectCount(), 2);
    EXPECT_EQ(bounds(page->Object(1)), QRect(200, 200, 56, 48));
}

TEST_F(WindowSurface, ShiftOnAToolKeepsItForTheNextInsertion)
{
    TfrDesignerForm &d = open();
    pressTool("OB2", Qt::ShiftModifier);
    EXPECT_TRUE(d.PageView->RepeatTool);
    hover({ 100, 100 });
    click({ 100, 100 });
    EXPECT_EQ(d.ToolTag(), 0);
    hover({ 100, 200 });
    click({ 100, 200 });
    EXPECT_EQ(page->ObjectCount(), 2);
    pressTool("OB1");
    EXPECT_FALSE(d.PageView->RepeatTool);
}

TEST_F(WindowSurface, DragsMoveInGridStepsAndAltLiftsTheGrid)
{
    TfrView *v = memo(96, 96, 40, 16);
    TfrDesignerForm &d = open();
    d.SetGridAlign(true);
    d.SetGridSize(8);
    press({ 100, 100 });
    drag({ 107, 100 });
    EXPECT_EQ(v->Left, 96) << "7 pixels are less than a step";
    EXPECT_EQ(d.UndoCount(), 0) << "no undo step before the first effective move";
    drag({ 109, 100 });
    EXPECT_EQ(v->Left, 104);
    drag({ 118, 100 });
    EXPECT_EQ(v->Left, 112) << "the pixel left over counts towards the next step";
    release({ 118, 100 });
    EXPECT_EQ(d.UndoCount(), 1) << "one undo step for the whole drag";
    press({ 120, 100 });
    drag({ 129, 100 }, Qt::AltModifier);
    release({ 129, 100 });
    EXPECT_EQ(v->Left, 121);
}

TEST_F(WindowSurface, ABandDraggedAloneTakesTheObjectsLyingOnIt)
{
    TfrBandView *header = band(btPageHeader, 40, 60);
    TfrView *inside = memo(20, 50, 40, 16);
    TfrView *outside = memo(20, 200, 40, 16);
    TfrView *across = memo(20, 90, 40, 16);
    TfrDesignerForm &d = open();
    click({ 400, 45 });
    ASSERT_TRUE(header->IsSelected);
    press({ 400, 45 });
    drag({ 400, 61 });
    release({ 400, 61 });
    EXPECT_EQ(header->Top, 56);
    EXPECT_EQ(inside->Top, 66);
    EXPECT_EQ(outside->Top, 200);
    EXPECT_EQ(across->Top, 90) << "only what lies wholly on the band";
    d.Undo();
    EXPECT_EQ(header->Top, 40);
    EXPECT_EQ(page->Object(page->IndexOfObjectID(inside->ObjectID))->Top, 50) << "the objects go back with the band";

    d.Unselect();
    TfrView *band2 = page->Object(0);
    click({ 400, 45 });
    press({ 400, 45 });
    drag({ 400, 61 }, Qt::AltModifier);
    release({ 400, 61 });
    EXPECT_EQ(band2->Top, 56);
    EXPECT_EQ(page->Object(page->IndexOfObjectID(inside->ObjectID))->Top, 50) << "with Alt the band moves alone";
}

TEST_F(WindowSurface, AGroupScalesFromItsBottomRightCornerRoundingToEven)
{
    TfrView *a = memo(100, 100, 50, 20);
    TfrView *b = memo(150, 100, 50, 20);
    TfrView *fixed = memo(100, 130, 25, 10);
    fixed->Restrictions = orNoResize;
    TfrDesignerForm &d = open();
    click({ 110, 110 });
    click({ 160, 110 }, Qt::ShiftModifier);
    click({ 110, 135 }, Qt::ShiftModifier);
    ASSERT_EQ(d.PageView->SelectedCount, 3);
    ASSERT_EQ(d.PageView->RightBottom, 1);
    hover({ 200, 120 });
    EXPECT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckSizeNWSE);
    // The group's bounds end at the corner of its right-bottom object: 100 x 20 becomes 150 x 30.
    press({ 200, 120 });
    drag({ 250, 130 });
    release({ 250, 130 });
    EXPECT_EQ(bounds(a), QRect(100, 100, 75, 30));
    EXPECT_EQ(bounds(b), QRect(175, 100, 75, 30));
    EXPECT_EQ(bounds(fixed), QRect(100, 130, 25, 10)) << "an object that may not be resized keeps its size";

    d.Undo();
    d.SelectAll();
    d.PageView->SelectedCount = 3;
    d.PageView->CalcSelectionBounds();
    hover({ 200, 120 });
    press({ 200, 120 });
    drag({ 205, 120 }); // 100 becomes 105: 52.5 rounds to the even 52
    release({ 205, 120 });
    EXPECT_EQ(bounds(page->Object(0)).width(), 52);
    EXPECT_EQ(page->Object(1)->Left, 152);
    EXPECT_EQ(page->Object(1)->Left + page->Object(1)->Width, 205);
}

TEST_F(WindowSurface, TheSplitLineMovesTheSharedEdgeOfTwoObjects)
{
    TfrView *left = memo(100, 100, 50, 20);
    TfrView *right = memo(150, 100, 50, 20);
    TfrDesignerForm &d = open();
    d.SelectAll();
    d.PageView->SelectedCount = 2;
    d.PageView->CalcSelectionBounds();
    hover({ 149, 110 });
    EXPECT_NE(d.PageView->CursorKind(), TfrDesignerPage::ckSplit) << "the zone lies inside the right object";
    hover({ 153, 110 });
    EXPECT_NE(d.PageView->CursorKind(), TfrDesignerPage::ckSplit) << "within 2 pixels of the edge only";
    hover({ 151, 110 });
    ASSERT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckSplit);
    press({ 151, 110 });
    drag({ 159, 110 });
    release({ 159, 110 });
    EXPECT_EQ(bounds(left), QRect(100, 100, 58, 20));
    EXPECT_EQ(bounds(right), QRect(158, 100, 42, 20));
    // A split that would leave no width changes nothing.
    hover({ 159, 110 });
    ASSERT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckSplit);
    press({ 159, 110 });
    drag({ 220, 110 });
    release({ 220, 110 });
    EXPECT_EQ(bounds(left), QRect(100, 100, 58, 20));
    EXPECT_EQ(bounds(right), QRect(158, 100, 42, 20));
}

TEST_F(WindowSurface, ResizingByTheTopLeftHandleFlipsAcrossTheRightEdge)
{
    TfrView *v = memo(100, 100, 50, 20);
    TfrDesignerForm &d = open();
    click({ 110, 110 });
    hover({ 100, 100 });
    ASSERT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckSizeNWSE);
    press({ 100, 100 });
    drag({ 170, 100 });
    EXPECT_EQ(bounds(v), QRect(150, 100, 20, 20));
    drag({ 180, 100 });
    release({ 180, 100 });
    EXPECT_EQ(bounds(v), QRect(150, 100, 30, 20)) << "the drag goes on at the right edge";
}

TEST_F(WindowSurface, TheRubberBandSelectsObjectsBeforeBands)
{
    band(btMasterData, 300, 100);
    TfrView *a = memo(100, 320, 40, 20);
    TfrView *b = memo(200, 320, 40, 20);
    TfrDesignerForm &d = open();
    press({ 90, 500 });
    drag({ 140, 340 }); // the rectangle touches a's right edge
    release({ 140, 340 });
    EXPECT_TRUE(a->IsSelected);
    EXPECT_FALSE(b->IsSelected);
    EXPECT_FALSE(page->Object(0)->IsSelected) << "bands only when no object is met";
    EXPECT_EQ(d.PageView->SelectedCount, 1);
    press({ 300, 500 });
    drag({ 320, 390 });
    release({ 320, 390 });
    EXPECT_TRUE(page->Object(0)->IsSelected);
    EXPECT_EQ(d.PageView->SelectedCount, 1);
}

TEST_F(WindowSurface, TheLineToolInsertsNothingForAPointAndDrawsLinesEitherWay)
{
    TfrDesignerForm &d = open();
    LastUsed.LineWidth = 3;
    pressTool("OB6");
    hover({ 100, 100 });
    EXPECT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckPencil);
    click({ 100, 100 });
    EXPECT_EQ(page->ObjectCount(), 0);
    press({ 200, 100 });
    drag({ 120, 104 });
    release({ 120, 104 });
    ASSERT_EQ(page->ObjectCount(), 1);
    EXPECT_EQ(bounds(page->Object(0)), QRect(120, 100, 80, 4)) << "drawn leftwards, it starts at its left end";
    EXPECT_EQ(page->Object(0)->TypeCode, 4);
    EXPECT_EQ(page->Object(0)->FrameWidth, 3.0);
    EXPECT_EQ(d.UndoBuffer.back().Action, acInsert);
}

TEST_F(WindowSurface, ASecondOncePerPageAddInIsRefusedWithAMessage)
{
    FakeMessageService messages;
    struct OnceView : TfrMemoView
    {
        OnceView() { Flags |= ofOncePerPage; }
        QString ClassName() const override { return QStringLiteral("TOnceView"); }
    };
    RegisterAddInObject(
        QStringLiteral("TOnceView"), [] { return new OnceView; }, QImage(16, 16, QImage::Format_RGB32),
        QStringLiteral("Once"));
    const int index = int(frEngine().AddIns.size()) - 1;
    TfrView *first = CreateViewOfType(10, QStringLiteral("TOnceView"));
    page->AddObject(first);
    TfrDesignerForm &d = open();
    QTest::mouseClick(
        d.findChild<TfrTBButton *>(QStringLiteral("AddIn%1").arg(index)), Qt::LeftButton, {}, QPoint(11, 11));
    hover({ 300, 300 });
    click({ 300, 300 });
    EXPECT_EQ(page->ObjectCount(), 1);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(
        messages.lastText(), QStringLiteral("Нельзя помещать два или более объектов TOnceView на одну страницу."));
    EXPECT_EQ(messages.requests.first().caption, QStringLiteral("Ошибка"));
}

TEST_F(WindowSurface, ThePageIsPlacedLeftCentredOrRightAndUnlimitedHeightTriples)
{
    TfrDesignerForm &d = open();
    const int client = d.ScrollBox1->viewport()->width();
    const int pageWidth = page->PrnInfo.PaperWidthUnits;
    ASSERT_GT(client - 11, pageWidth);
    struct Case
    {
        int position, left;
    } cases[] = { { 3, 10 }, { 5, (client - pageWidth) / 2 }, { 4, client - pageWidth - 11 } };
    for (const Case &c : cases) {
        d.PagePosition = c.position;
        d.PageView->PlacePage();
        EXPECT_EQ(d.PageView->x(), c.left) << c.position;
        EXPECT_EQ(d.PageView->y(), 10);
    }
    EXPECT_EQ(d.PageView->height(), page->PrnInfo.PaperHeightUnits);
    d.UnlimitedHeight = true;
    d.PageView->PlacePage();
    EXPECT_EQ(d.PageView->height(), 3 * page->PrnInfo.PaperHeightUnits);
    EXPECT_EQ(d.ScrollBox1->widget()->height(), 10 + 3 * page->PrnInfo.PaperHeightUnits + 10);
}

TEST_F(WindowSurface, GridDotsAndSelectionHandlesArePainted)
{
    page->MarginsUsed = false;
    TfrView *a = memo(100, 100, 40, 20);
    TfrView *b = memo(300, 100, 40, 20);
    TfrDesignerForm &d = open();
    auto pixel = [&d](int x, int y) { return d.PageView->grab().toImage().pixelColor(x, y); };
    d.SetGridSize(8);
    EXPECT_EQ(pixel(16, 16), QColor(Qt::black));
    EXPECT_EQ(pixel(17, 16), QColor(Qt::white));
    EXPECT_EQ(pixel(20, 16), QColor(Qt::white));
    d.SetGridSize(4);
    EXPECT_EQ(pixel(20, 16), QColor(Qt::black));
    d.SetGridSize(18);
    EXPECT_EQ(pixel(36, 18), QColor(Qt::black));
    EXPECT_EQ(pixel(16, 16), QColor(Qt::white));
    d.SetShowGrid(false);
    EXPECT_EQ(pixel(36, 18), QColor(Qt::white));

    click({ 110, 110 });
    ASSERT_TRUE(a->IsSelected);
    EXPECT_EQ(pixel(98, 98), QColor(Qt::black)) << "a handle is white drawn in XOR on the page";
    EXPECT_EQ(pixel(120, 98), QColor(Qt::black)) << "one object has middle handles";
    EXPECT_EQ(pixel(142, 122), QColor(Qt::black));
    click({ 310, 110 }, Qt::ShiftModifier);
    ASSERT_EQ(d.PageView->RightBottom, 1);
    EXPECT_EQ(pixel(342, 122), QColor(255, 127, 127)) << "the group's corner handle is teal in XOR";
    EXPECT_EQ(pixel(120, 98), QColor(Qt::white)) << "no middle handles for a group";
    EXPECT_EQ(pixel(142, 122), QColor(Qt::black));
    (void)b;
}

// Select all repaints only its marks, over the objects as last painted: what shows is what a whole new painting
// of the page shows, also where an object was moved since.
TEST_F(WindowSurface, SelectAllShowsItsMarksOverTheObjectsAsTheyStand)
{
    band(btMasterData, 40, 60);
    TfrView *a = memo(100, 50, 40, 20);
    memo(300, 50, 40, 20);
    TfrDesignerForm &d = open();
    (void)d.PageView->grab();
    select({ a });
    d.NudgeSelection(30, 8, false);
    d.SelectAllObjects();
    const QImage shown = d.PageView->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage fresh(shown.size(), QImage::Format_RGB32);
    QPainter painter(&fresh);
    d.PageView->PaintPage(painter, fresh.rect());
    painter.end();
    EXPECT_EQ(d.PageView->SelectedCount, 3);
    EXPECT_TRUE(shown == fresh);
}

TEST_F(WindowSurface, ADoubleClickOnABandWithoutEditorDoesNotSwallowTheNextClick)
{
    band(btPageHeader, 40, 60);
    TfrView *v = memo(100, 200, 40, 20);
    TfrDesignerForm &d = open();
    QSignalSpy pageOptions(d.N25, &QAction::triggered);
    click({ 400, 45 });
    send(QEvent::MouseButtonDblClick, { 400, 45 }, Qt::LeftButton, Qt::LeftButton);
    release({ 400, 45 });
    EXPECT_FALSE(d.PageView->SkipNextDown);
    click({ 110, 210 });
    EXPECT_TRUE(v->IsSelected);
    // On the empty page a double click opens the page options.
    tarvik::test::ModalAnswer cancel([] { return tarvik::test::activeModal<TfrPgoptForm>() != nullptr; },
        [] { tarvik::test::activeModal<TfrPgoptForm>()->Button2->click(); });
    click({ 500, 600 });
    send(QEvent::MouseButtonDblClick, { 500, 600 }, Qt::LeftButton, Qt::LeftButton);
    release({ 500, 600 });
    EXPECT_EQ(pageOptions.count(), 1);
    EXPECT_TRUE(cancel.ran());
}

} // namespace
