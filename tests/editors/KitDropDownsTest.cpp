#include "CalculatorEh.h"
#include "ToolCtrlsEh.h"

#include "ServiceFakes.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

// An edit field that opens a drop-down from its edit button, forwards its keys to it and keeps the focus, as
// the editors do.
class DropDownOwner : public QLineEdit, public IPopupOwnerEh
{
public:
    DropDownOwner()
        : m_button(this)
    {
        m_button.SetDropdownMenu(nullptr);
        m_button.SetVisible(true);
        m_slots.resize(1);
        m_slots[0].Settings = &m_button;
        resize(120, 21);
        LayoutEditButtons(this, m_slots, rect(), true, false, TEditButtonHeightRuleEh::Editor);
        m_slots[0].Control->OnButtonDown = [this](QObject *, bool, bool &, bool &) { DropDown(); };
    }

    void CloseUp(bool Accept) override
    {
        accepted = Accept;
        dropDown->hide();
        m_slots[0].Control->SetHeldDown(false);
    }

    void DropDown()
    {
        dropDown->move(PlaceDropDownForControl(this, dropDown, daLeft));
        dropDown->show();
        m_slots[0].Control->SetHeldDown(true);
    }

    TEditButtonControlEh *Button() const { return m_slots[0].Control; }

    QWidget *dropDown = nullptr;
    std::function<bool(QKeyEvent *)> forward;
    std::optional<bool> accepted;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (dropDown && dropDown->isVisible() && forward && forward(event))
            return;
        QLineEdit::keyPressEvent(event);
    }

private:
    TDropDownEditButtonEh m_button;
    std::vector<TEditButtonSlotEh> m_slots;
};

struct Window
{
    QWidget top;
    DropDownOwner *owner;
    QLineEdit *other;

    Window()
    {
        top.resize(300, 200);
        owner = new DropDownOwner;
        owner->setParent(&top);
        owner->move(10, 10);
        other = new QLineEdit(&top);
        other->setGeometry(10, 150, 100, 21);
        top.show();
        owner->setFocus();
    }
};

} // namespace

TEST(KitDropDownPlacement, PlacementTable)
{
    const QRect work(0, 0, 800, 600);
    struct Case
    {
        const char *what;
        QRect anchor;
        QSize size;
        TDropDownAlign align;
        QPoint at;
        QSize placed;
        TDropDownSideEh vertical, horizontal;
    } cases[] = {
        {"below", QRect(100, 100, 120, 21), QSize(150, 200), daLeft, QPoint(100, 121), QSize(150, 200),
         ddsGripBottom, ddsGripRight},
        {"above when no room below", QRect(100, 500, 120, 21), QSize(150, 200), daLeft, QPoint(100, 300),
         QSize(150, 200), ddsGripTop, ddsGripRight},
        {"above, trimmed to the room above", QRect(100, 400, 120, 21), QSize(150, 500), daLeft, QPoint(100, 0),
         QSize(150, 400), ddsGripTop, ddsGripRight},
        {"below, trimmed, more room below", QRect(100, 200, 120, 21), QSize(150, 500), daLeft, QPoint(100, 221),
         QSize(150, 379), ddsGripBottom, ddsGripRight},
        {"right-aligned wider than the anchor", QRect(300, 100, 120, 21), QSize(200, 100), daRight,
         QPoint(220, 121), QSize(200, 100), ddsGripBottom, ddsGripLeft},
        {"centred", QRect(300, 100, 120, 21), QSize(200, 100), daCenter, QPoint(260, 121), QSize(200, 100),
         ddsGripBottom, ddsGripRight},
        {"pushed back from the right edge", QRect(700, 100, 90, 21), QSize(200, 100), daLeft, QPoint(600, 121),
         QSize(200, 100), ddsGripBottom, ddsGripLeft},
        {"pushed in at the left edge", QRect(10, 100, 90, 21), QSize(200, 100), daRight, QPoint(0, 121),
         QSize(200, 100), ddsGripBottom, ddsGripRight},
        {"wider than the work area", QRect(100, 100, 90, 21), QSize(1000, 100), daLeft, QPoint(0, 121),
         QSize(800, 100), ddsGripBottom, ddsGripLeft},
    };
    for (const Case &c : cases) {
        QSize size = c.size;
        TDropDownSideEh sides[2];
        EXPECT_EQ(PlaceDropDownInWorkArea(c.anchor, work, size, c.align, sides), c.at) << c.what;
        EXPECT_EQ(size, c.placed) << c.what;
        EXPECT_EQ(sides[0], c.vertical) << c.what;
        EXPECT_EQ(sides[1], c.horizontal) << c.what;
    }
}

TEST(KitDropDownPlacement, AListOpenedAboveMovesItsGripToTheTop)
{
    QWidget owner;
    TPopupListboxEh list(&owner);
    list.resize(150, 120);
    const QRect work = DropDownWorkArea(QRect(0, 0, 1, 1));
    const QRect anchor(work.left() + 300, work.bottom() - 30, 100, 21);
    const QPoint at = PlaceDropDownWindow(anchor, &list, daRight);
    EXPECT_EQ(at.y(), anchor.top() - 120);
    EXPECT_EQ(list.SizeGrip()->Position(), sgpTopLeft) << "above, and extending to the left of the anchor";
    list.move(at);
    list.show();
    EXPECT_EQ(list.SizeGrip()->geometry().topLeft(), list.contentsRect().topLeft());
}

TEST(KitDropDownListbox, HeightsInWholeRowsAndIncrementalSearch)
{
    QWidget owner;
    TPopupListboxEh list(&owner);
    list.addItems({QStringLiteral("apple"), QStringLiteral("abacus"), QStringLiteral("abc"),
                   QStringLiteral("cherry")});
    const int row = list.ItemHeight();
    list.SetBoundsInRows(0, 0, 100, list.BorderHeight() + row * 5 / 2);
    EXPECT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.height(), list.BorderHeight() + 2 * row);
    list.SetBoundsInRows(0, 0, 100, list.BorderHeight() + row / 2);
    EXPECT_EQ(list.RowCount(), 1);
    list.SetRowCount(0);
    EXPECT_EQ(list.height(), list.BorderHeight() + row);

    FakeClock clock;
    EXPECT_TRUE(list.HandleKeyPress(QStringLiteral("a"), Qt::Key_A));
    clock.advance(500);
    EXPECT_TRUE(list.HandleKeyPress(QStringLiteral("b"), Qt::Key_B));
    EXPECT_EQ(list.currentRow(), 1) << "the first item beginning with 'ab'";
    clock.advance(2001);
    list.HandleKeyPress(QStringLiteral("c"), Qt::Key_C);
    EXPECT_EQ(list.SearchText(), QStringLiteral("c"));
    EXPECT_EQ(list.currentRow(), 3);

    for (int i = 0; i < 40; ++i)
        list.HandleKeyPress(QStringLiteral("z"), Qt::Key_Z);
    EXPECT_EQ(list.SearchText().size(), 32);
    EXPECT_FALSE(list.HandleKeyPress(QString(), Qt::Key_Backspace));
    EXPECT_TRUE(list.SearchText().isEmpty());
    EXPECT_FALSE(list.HandleKeyPress(QString(), Qt::Key_Down)) << "other keys pass on";
}

TEST(KitDropDownOwner, ListOpenedFromTheEditButtonClosesWithTheRightAcceptFlag)
{
    Window w;
    TPopupListboxEh list(w.owner);
    list.addItems({QStringLiteral("one"), QStringLiteral("two")});
    list.SetRowCount(2);
    w.owner->dropDown = &list;
    w.owner->forward = [&list](QKeyEvent *e) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Escape) {
            list.Behavior()->CloseUp(e->key() == Qt::Key_Return);
            return true;
        }
        return list.HandleKeyPress(e->text(), e->key());
    };

    QTest::mouseClick(w.owner->Button(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(list.isVisible());
    EXPECT_TRUE(w.owner->Button()->HeldDown());
    EXPECT_TRUE(list.isWindow());
    EXPECT_FALSE(list.focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(list.geometry().top(), w.owner->mapToGlobal(QPoint(0, w.owner->height())).y());

    QTest::keyClick(w.owner, Qt::Key_Return);
    EXPECT_EQ(w.owner->accepted, std::optional<bool>(true));
    EXPECT_FALSE(list.isVisible());
    EXPECT_FALSE(w.owner->Button()->HeldDown());

    w.owner->DropDown();
    QTest::keyClick(w.owner, Qt::Key_Escape);
    EXPECT_EQ(w.owner->accepted, std::optional<bool>(false));

    w.owner->accepted.reset();
    w.owner->DropDown();
    QTest::mouseClick(w.owner, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(list.isVisible()) << "a click on the owner is the owner's to handle";
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(list.isVisible());
    QTest::mouseClick(w.other, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(w.owner->accepted, std::optional<bool>(false)) << "a click outside closes without accepting";
    EXPECT_FALSE(list.isVisible());
}

TEST(KitDropDownOwner, CalendarClosesOnADayButNotOnTheMonthArrow)
{
    Window w;
    TPopupMonthCalendarEh calendar(w.owner);
    calendar.SetDate(QDate(2026, 3, 10));
    w.owner->dropDown = &calendar;
    w.owner->forward = [&calendar](QKeyEvent *e) { return calendar.HandleKey(e); };
    w.owner->DropDown();
    ASSERT_TRUE(calendar.isVisible());

    QTest::keyClick(w.owner, Qt::Key_Right);
    EXPECT_EQ(calendar.Date(), QDate(2026, 3, 11)) << "keys move the day although the edit keeps the focus";

    auto *next = calendar.findChild<QWidget *>(QStringLiteral("qt_calendar_nextmonth"));
    ASSERT_NE(next, nullptr);
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_TRUE(calendar.isVisible());
    EXPECT_FALSE(w.owner->accepted.has_value());
    QTest::keyClick(w.owner, Qt::Key_Escape);
    EXPECT_EQ(w.owner->accepted, std::optional<bool>(false));

    w.owner->DropDown();
    auto *view = calendar.findChild<QAbstractItemView *>();
    ASSERT_NE(view, nullptr);
    const QModelIndex day = view->model()->index(3, 3);
    const QRect cell = view->visualRect(day);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(w.owner->accepted, std::optional<bool>(true));

    w.owner->DropDown();
    QWheelEvent wheel(QPointF(5, 5), calendar.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    const QDate before = calendar.Date();
    QApplication::sendEvent(view->viewport(), &wheel);
    EXPECT_EQ(calendar.Date(), before.addDays(1));
}

TEST(KitDropDownListbox, ImagesAreDrawnCentredAndClipped)
{
    TImageList images(8, 8);
    QPixmap red(8, 8);
    red.fill(Qt::red);
    images.Add(red);

    QImage canvas(20, 20, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        DrawClippedImage(p, QRect(0, 0, 20, 20), &images, 0, false);
        DrawClippedImage(p, QRect(0, 0, 4, 4), &images, 0, false);
        DrawClippedImage(p, QRect(0, 0, 4, 4), &images, 5, false);
    }
    EXPECT_EQ(canvas.pixelColor(6, 6), QColor(Qt::red)) << "(20 - 8) / 2";
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::red)) << "clipped into the small rectangle";
    EXPECT_EQ(canvas.pixelColor(4, 0), QColor(Qt::white));

    QWidget owner;
    TPopupListboxEh list(&owner);
    list.addItems({QStringLiteral("one"), QStringLiteral("two")});
    int asked = 0;
    list.OnGetImageIndex = [&](QObject *sender, int, int &index) {
        EXPECT_EQ(sender, &owner);
        ++asked;
        index = 0;
    };
    list.SetImages(&images);
    list.setCurrentRow(1);
    list.resize(100, 60);
    list.show();
    const QImage shot = list.viewport()->grab().toImage();
    EXPECT_GE(asked, 2);
    const QRect second = list.visualItemRect(list.item(1));
    EXPECT_EQ(shot.pixelColor(60, second.center().y()).rgb(), toQColor(clHighlight).rgb());
    EXPECT_NE(shot.pixelColor(6, second.center().y()).rgb(), QColor(Qt::red).rgb()) << "a selected image is blended";
}
