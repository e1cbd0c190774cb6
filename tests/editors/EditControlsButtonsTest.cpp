// The edit base's buttons, drop-down protocol, image area, height and the list of recently used texts.
#include "DBCtrlsEh.h"
#include "EditControlsSupport.h"
#include "WidgetKit.h"

#include <QLayout>
#include <QMenu>

#include <gtest/gtest.h>

using tarvik::test::EditorWindow;

namespace {

// An editor whose drop-down is only a flag, to watch the protocol.
class DropEdit : public TDBEditEh
{
public:
    using TDBEditEh::TDBEditEh;
    int drops = 0;
    int closes = 0;
    void DropDown() override
    {
        TDBEditEh::DropDown();
        ++drops;
        m_droppedDown = true;
    }
    void CloseUp(bool Accept) override
    {
        TDBEditEh::CloseUp(Accept);
        ++closes;
        m_droppedDown = false;
    }
};

QPoint Centre(QWidget *w)
{
    return w->rect().center();
}

} // namespace

TEST(EditControlsButtons, MainThenExtrasEachAfterASeparatorOnAFlatEditor)
{
    TDBEditEh edit;
    edit.resize(200, 21);
    edit.SetFlat(true);
    edit.EditButton()->SetVisible(true);
    edit.EditButtons()->Add();
    edit.EditButtons()->Add()->SetWidth(20);
    const int flat = FlatButtonWidth();
    EXPECT_EQ(edit.ButtonsWidth(), flat + flat + 20 + 3);
    TEditButtonControlEh *main = edit.ButtonControl(0);
    TEditButtonControlEh *first = edit.ButtonControl(1);
    TEditButtonControlEh *second = edit.ButtonControl(2);
    ASSERT_TRUE(main && first && second);
    EXPECT_LT(main->x(), first->x());
    EXPECT_LT(first->x(), second->x());
    EXPECT_EQ(edit.ButtonSeparator(1)->x() + 1, first->x()) << "the separator stands before its button";
    EXPECT_EQ(edit.ButtonSeparator(0)->width(), 1);
    EXPECT_EQ(edit.textMargins().right(), edit.ButtonsWidth());

    edit.EditButton()->SetVisible(false);
    EXPECT_EQ(edit.ButtonsWidth(), flat + 20 + 2) << "a hidden main button takes no room and no separator";
    edit.SetFlat(false);
    EXPECT_EQ(edit.ButtonsWidth(), ScrollBarExtent() + 20);
}

TEST(EditControlsButtons, TheClickThatOpenedTheDropDownLeavesItOpenTheNextClosesIt)
{
    EditorWindow w;
    auto *edit = new DropEdit(&w.window);
    w.window.layout()->addWidget(edit);
    edit->EditButton()->SetVisible(true);
    ASSERT_TRUE(EditorWindow::focus(edit));
    TEditButtonControlEh *main = edit->ButtonControl(0);
    ASSERT_TRUE(main && main->isVisible());
    QTest::mouseClick(main, Qt::LeftButton, {}, Centre(main));
    EXPECT_EQ(edit->drops, 1);
    EXPECT_TRUE(edit->DroppedDown());
    EXPECT_TRUE(main->HeldDown());
    QTest::mouseClick(main, Qt::LeftButton, {}, Centre(main));
    EXPECT_EQ(edit->closes, 1);
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_FALSE(main->HeldDown());
    // The shortcut acts even while the button is hidden.
    edit->EditButton()->SetVisible(false);
    edit->EditButton()->SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(edit->drops, 2);
}

TEST(EditControlsButtons, AMenuButtonPopsItsMenuAndNeverDropsDown)
{
    EditorWindow w;
    auto *edit = new DropEdit(&w.window);
    w.window.layout()->addWidget(edit);
    QMenu menu;
    menu.addAction(QStringLiteral("Очистить"));
    edit->EditButton()->SetVisible(true);
    edit->EditButton()->SetDropdownMenu(&menu);
    ASSERT_TRUE(EditorWindow::focus(edit));
    QTest::mousePress(edit->ButtonControl(0), Qt::LeftButton, {}, Centre(edit->ButtonControl(0)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    EXPECT_EQ(edit->drops, 0);
    // A press on the button while its menu is open only closes the menu: the press that reaches the button
    // after the menu closed does not open it again.
    menu.hide();
    QTest::mousePress(edit->ButtonControl(0), Qt::LeftButton, {}, Centre(edit->ButtonControl(0)));
    EXPECT_FALSE(menu.isVisible());
    QTest::mouseRelease(edit->ButtonControl(0), Qt::LeftButton, {}, Centre(edit->ButtonControl(0)));
    QCoreApplication::processEvents();
    QTest::mousePress(edit->ButtonControl(0), Qt::LeftButton, {}, Centre(edit->ButtonControl(0)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); })) << "a later press opens it again";
    EXPECT_EQ(edit->drops, 0);
    menu.hide();
}

TEST(EditControlsButtons, ExtraButtonsFireTheirOwnHandlers)
{
    EditorWindow w;
    auto *edit = new DropEdit(&w.window);
    w.window.layout()->addWidget(edit);
    TEditButtonEh *extra = edit->EditButtons()->Add();
    int downs = 0;
    int clicks = 0;
    extra->OnDown = [&](QObject *, bool, bool &, bool &) { ++downs; };
    extra->OnClick = [&](QObject *, bool &) { ++clicks; };
    ASSERT_TRUE(EditorWindow::focus(edit));
    QTest::mouseClick(edit->ButtonControl(1), Qt::LeftButton, {}, Centre(edit->ButtonControl(1)));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(edit->drops, 0) << "extra buttons never open the editor's drop-down";
}

TEST(EditControlsButtons, TheImageAreaAndTheHeightFollowTheImages)
{
    TDBEditEh edit;
    TImageList images(16, 24);
    edit.SetImages(&images);
    EXPECT_EQ(edit.ImageAreaWidth(), 20);
    EXPECT_EQ(edit.textMargins().left(), 20);
    EXPECT_EQ(edit.height(), 24 + 8) << "the image is taller than the text";
    edit.EditImage()->SetUseImageHeight(false);
    EXPECT_EQ(edit.height(), TextHeight(edit.font()) + 8);
    edit.EditImage()->SetWidth(30);
    EXPECT_EQ(edit.ImageAreaWidth(), 34);
}

TEST(EditControlsButtons, TypingOpensTheRecentTextsThatMatch)
{
    EditorWindow w;
    auto *edit = new TDBEditEh(&w.window);
    w.window.layout()->addWidget(edit);
    edit->MRUList()->SetItems({ QStringLiteral("Москва"), QStringLiteral("Минск"), QStringLiteral("Киев") });
    edit->MRUList()->SetActive(true);
    ASSERT_TRUE(EditorWindow::focus(edit));
    tarvik::test::typeText(edit, QStringLiteral("м"));
    ASSERT_TRUE(edit->MRUList()->ListShown);
    EXPECT_EQ(edit->GetMRUListbox()->count(), 2);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(edit->MRUList()->ListShown) << "an empty text closes the list";
    tarvik::test::typeText(edit, QStringLiteral("Ки"));
    ASSERT_TRUE(edit->MRUList()->ListShown);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->MRUList()->ListShown);
    EXPECT_EQ(edit->EditText(), QStringLiteral("Ки")) << "Esc closes the list without a change";
    tarvik::test::typeText(edit, QStringLiteral("е"));
    ASSERT_TRUE(edit->MRUList()->ListShown);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->EditText(), QStringLiteral("Киев"));
}

TEST(EditControlsButtons, UnfocusedTheTextShowsInItsAlignmentFocusedItIsEditedFromTheLeft)
{
    EditorWindow w;
    auto *edit = new TDBEditEh(&w.window);
    w.window.layout()->addWidget(edit);
    edit->SetAlignment(Qt::AlignRight);
    EXPECT_TRUE(edit->alignment() & Qt::AlignRight);
    ASSERT_TRUE(EditorWindow::focus(edit));
    EXPECT_TRUE(edit->alignment() & Qt::AlignLeft);
    ASSERT_TRUE(w.leave());
    EXPECT_TRUE(edit->alignment() & Qt::AlignRight);
}

TEST(EditControlsButtons, AFlatBorderIsHotWithTheFocusOrWhenAlwaysShown)
{
    EditorWindow w;
    auto *edit = new TDBEditEh(&w.window);
    w.window.layout()->addWidget(edit);
    edit->SetFlat(true);
    edit->EditButton()->SetVisible(true);
    ASSERT_TRUE(EditorWindow::focus(w.other));
    EXPECT_FALSE(edit->BorderActive());
    const QImage cold = edit->grab().toImage();
    ASSERT_TRUE(EditorWindow::focus(edit));
    EXPECT_TRUE(edit->BorderActive());
    EXPECT_TRUE(edit->ButtonControl(0)->Active());
    ASSERT_TRUE(w.leave());
    EXPECT_FALSE(edit->BorderActive());
    edit->SetAlwaysShowBorder(true);
    EXPECT_TRUE(edit->BorderActive());
    EXPECT_NE(edit->grab().toImage(), cold) << "the hot border looks different";
}
