#include "ToolCtrlsEh.h"

#include "Formats.h"
#include "WidgetKit.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

QPoint At(int x, int y)
{
    return QPoint(x, y);
}

struct Presses
{
    int count = 0;
    std::vector<bool> top;
    bool keepRepeating = true;

    TButtonDownEventEh handler()
    {
        return [this](QObject *, bool topButton, bool &autoRepeat, bool &) {
            ++count;
            top.push_back(topButton);
            if (!keepRepeating)
                autoRepeat = false;
        };
    }
};

// A seventeen-pixel up-down button whose presses are recorded.
struct UpDownButton
{
    QWidget host;
    TEditButtonControlEh button{&host};
    Presses presses;

    UpDownButton()
    {
        button.SetStyle(ebsUpDownEh);
        button.resize(15, 17);
        button.OnButtonDown = presses.handler();
    }
};

} // namespace

TEST(KitEditButtonSettings, NumGlyphsIsClampedAndChangesReachTheOwner)
{
    TEditButtonsEh buttons(nullptr, TEditButtonsEh::ItemClass<TVisibleEditButtonEh>());
    std::vector<TEditButtonEh *> changed;
    buttons.OnItemChanged = [&](TEditButtonsEh *, TEditButtonEh *item) { changed.push_back(item); };

    TEditButtonEh *b = buttons.Add();
    ASSERT_EQ(buttons.Count(), 1);
    EXPECT_EQ(changed, std::vector<TEditButtonEh *>{nullptr}) << "adding an item is a change of the collection";
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(b->ShortCut(), QKeySequence(Qt::ALT | Qt::Key_Down));

    changed.clear();
    b->SetNumGlyphs(0);
    EXPECT_EQ(b->NumGlyphs(), 1);
    EXPECT_TRUE(changed.empty()) << "clamped to the value it had";
    b->SetNumGlyphs(7);
    EXPECT_EQ(b->NumGlyphs(), 4);
    b->SetVisible(false);
    EXPECT_EQ(changed, (std::vector<TEditButtonEh *>{b, b}));

    int own = 0;
    b->OnSettingsChanged = [&](TEditButtonEh *) { ++own; };
    b->SetStyle(ebsEllipsisEh);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(changed.size(), 2u) << "an owner's own notification replaces the collection's";

    QWidget host;
    TDropDownEditButtonEh main(&host);
    EXPECT_FALSE(main.Visible());
    main.Assign(b);
    EXPECT_EQ(main.Style(), ebsEllipsisEh);
    EXPECT_EQ(main.NumGlyphs(), 4);
    EXPECT_THROW(main.Assign(&host), std::invalid_argument);
}

TEST(KitEditButtonWidth, FlatWidthAndHeightRules)
{
    const int flat = FlatButtonWidth();
    EXPECT_TRUE(flat % 2 == 1 || flat == ScrollBarExtent()) << flat;
    EXPECT_LE(flat, ScrollBarExtent());

    struct Case
    {
        int width;
        bool flat;
        int height;
    } cases[] = {{15, true, 22}, {13, true, 20}, {15, false, 15}, {13, false, 13}, {17, true, 26}};
    for (const Case &c : cases)
        EXPECT_EQ(EditButtonHeightForWidth(c.width, c.flat), c.height) << c.width << " " << c.flat;
}

TEST(KitEditButtonLayout, ButtonsStandRightToLeftWithSeparatorsOfAFlatOwner)
{
    QWidget host;
    host.resize(200, 40);
    TDropDownEditButtonEh main(&host);
    main.SetVisible(true);
    TEditButtonsEh extra(&host, TEditButtonsEh::ItemClass<TVisibleEditButtonEh>());
    extra.Add()->SetWidth(12);
    extra.Add()->SetVisible(false);

    std::vector<TEditButtonSlotEh> buttonSlots(3);
    buttonSlots[0].Settings = &main;
    buttonSlots[1].Settings = extra.GetItem(0);
    buttonSlots[2].Settings = extra.GetItem(1);
    const QRect client(0, 0, 200, 40);

    const int flat = FlatButtonWidth();
    int used = LayoutEditButtons(&host, buttonSlots, client, true, false, TEditButtonHeightRuleEh::Editor);
    EXPECT_EQ(used, flat + 1 + 12 + 1);
    EXPECT_EQ(buttonSlots[2].Control->width(), 0);
    const int height = std::min(EditButtonHeightForWidth(flat, true), EditButtonHeightForWidth(12, true));
    EXPECT_EQ(buttonSlots[1].Control->geometry(), QRect(200 - 12, 0, 12, height));
    EXPECT_EQ(buttonSlots[1].Separator->geometry().left(), 200 - 13);
    EXPECT_EQ(buttonSlots[0].Control->geometry().right(), 200 - 14);
    EXPECT_EQ(buttonSlots[0].Control->height(), buttonSlots[1].Control->height()) << "one height for all, the smallest";

    used = LayoutEditButtons(&host, buttonSlots, QRect(0, 0, 200, 16), false, true, TEditButtonHeightRuleEh::Editor);
    EXPECT_EQ(used, ScrollBarExtent() + 12) << "no separators for a 3D owner";
    EXPECT_EQ(buttonSlots[1].Control->geometry(), QRect(0, 0, 12, 16)) << "right to left: the last item at the left";
    EXPECT_EQ(buttonSlots[0].Control->geometry().left(), 12);

    LayoutEditButtons(&host, buttonSlots, QRect(0, 0, 200, 40), true, false, TEditButtonHeightRuleEh::InplaceEditor);
    EXPECT_EQ(buttonSlots[1].Control->height(), std::min(flat, 12)) << "the in-place editor's are as high as wide";
}

TEST(KitEditButtonControl, UpDownHalvesOfASeventeenPixelButton)
{
    UpDownButton fixture;
    TEditButtonControlEh &button = fixture.button;
    Presses &presses = fixture.presses;

    struct Case
    {
        int y;
        int part;
    } cases[] = {{0, 1}, {7, 1}, {8, 0}, {9, 2}, {16, 2}};
    for (const Case &c : cases) {
        QTest::mousePress(&button, Qt::LeftButton, {}, At(5, c.y));
        EXPECT_EQ(button.PressedPart(), c.part) << c.y;
        QTest::mouseRelease(&button, Qt::LeftButton, {}, At(5, c.y));
        EXPECT_EQ(button.PressedPart(), 0);
    }
    EXPECT_EQ(presses.top, (std::vector<bool>{true, true, false, false}));
}

TEST(KitEditButtonControl, AutoRepeatAndDraggingIntoTheOtherHalf)
{
    UpDownButton fixture;
    TEditButtonControlEh &button = fixture.button;
    Presses &presses = fixture.presses;
    int clicks = 0;
    button.OnClick = [&](TEditButtonControlEh *) { ++clicks; };

    QTest::mousePress(&button, Qt::LeftButton, {}, At(5, 12));
    ASSERT_NE(button.RepeatTimer(), nullptr);
    EXPECT_TRUE(button.RepeatTimer()->isActive());
    EXPECT_EQ(button.RepeatTimer()->interval(), 400);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button.RepeatTimer()->interval() == 100; }, 30000))
        << "after the first repeat the pace quickens";
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses.count >= 3; }, 30000));
    for (bool top : presses.top)
        EXPECT_FALSE(top);

    QTest::mouseMove(&button, At(5, 3));
    EXPECT_EQ(button.State(), TEditButtonControlEh::bsUp) << "leaving the pressed half puts the button up";
    const int before = presses.count;
    QTest::mouseRelease(&button, Qt::LeftButton, {}, At(5, 3));
    EXPECT_EQ(clicks, 0) << "a release after leaving the pressed half is no click";
    EXPECT_FALSE(button.RepeatTimer()->isActive());
    EXPECT_EQ(presses.count, before);

    presses.keepRepeating = false;
    QTest::mousePress(&button, Qt::LeftButton, {}, At(5, 3));
    EXPECT_FALSE(button.RepeatTimer()->isActive()) << "a handler that declines repeating stops it at once";
    QTest::mouseRelease(&button, Qt::LeftButton, {}, At(5, 3));
    EXPECT_EQ(clicks, 1);
}

TEST(KitEditButtonControl, HeldDownKeepsTheButtonPressed)
{
    QWidget host;
    TEditButtonControlEh button(&host);
    button.resize(15, 17);
    button.SetHeldDown(true);
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(button.GroupIndex(), 1);
    EXPECT_FALSE(button.AllowAllUp());
    EXPECT_EQ(button.PressedPart(), 1);
    button.SetHeldDown(true);
    EXPECT_TRUE(button.Down());

    QTest::mouseClick(&button, Qt::LeftButton, {}, At(5, 5));
    EXPECT_TRUE(button.Down()) << "a click does not release a held-down button";

    button.SetHeldDown(false);
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(button.GroupIndex(), 0);
    EXPECT_EQ(button.PressedPart(), 0);
}
