// The designer's keys: moving and sizing the selection, walking to the nearest object, the command keys, and the
// dialog page's window with its own keys and bounds.
#include "WindowFixture.h"

#include "FR_Insp.h"
#include "FR_Edit.h"
#include "FR_PageF.h"

#include "ModalAnswer.h"

#include <QScrollArea>
#include <QScrollBar>

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

namespace {

class WindowKeys : public WindowFixture
{
};

TEST_F(WindowKeys, CtrlArrowsMoveAndShiftArrowsSizeTheSelectionByAPixel)
{
    struct Case
    {
        const char *what;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        quint16 restrictions;
        QRect start, after;
    } cases[] = {
        { "Ctrl+Right moves", Qt::Key_Right, Qt::ControlModifier, 0, { 40, 40, 60, 20 }, { 41, 40, 60, 20 } },
        { "Ctrl+Up moves", Qt::Key_Up, Qt::ControlModifier, 0, { 40, 40, 60, 20 }, { 40, 39, 60, 20 } },
        { "Shift+Right widens", Qt::Key_Right, Qt::ShiftModifier, 0, { 40, 40, 60, 20 }, { 40, 40, 61, 20 } },
        { "Shift+Up lowers the height", Qt::Key_Up, Qt::ShiftModifier, 0, { 40, 40, 60, 20 }, { 40, 40, 60, 19 } },
        { "an object that may not be sized is moved instead", Qt::Key_Right, Qt::ShiftModifier, orNoResize,
            { 40, 40, 60, 20 }, { 41, 40, 60, 20 } },
        { "an object that may not move stays", Qt::Key_Left, Qt::ControlModifier, orNoMove, { 40, 40, 60, 20 },
            { 40, 40, 60, 20 } },
        { "a hair line keeps its width 0", Qt::Key_Left, Qt::ShiftModifier, 0, { 40, 40, 0, 20 }, { 40, 40, 0, 20 } },
    };
    TfrMemoView *m = memo(0, 0, 10, 10, "M");
    TfrDesignerForm &d = open();
    for (const Case &c : cases) {
        m->PlaceAt(c.start.x(), c.start.y(), c.start.width(), c.start.height());
        m->Restrictions = c.restrictions;
        select({ m });
        const int steps = d.UndoCount();
        key(c.key, c.mods);
        EXPECT_EQ(bounds(m), c.after) << c.what;
        EXPECT_EQ(d.UndoCount(), steps + 1) << c.what;
    }
    d.Undo();
    EXPECT_EQ(bounds(m), QRect(40, 40, 0, 20)) << "each step is undone";
}

TEST_F(WindowKeys, CtrlArrowsMoveEveryObjectOfTheGroupThatMayMove)
{
    TfrMemoView *a = memo(40, 40, 60, 20, "A");
    TfrMemoView *b = memo(140, 40, 60, 20, "B");
    b->Restrictions = orNoMove;
    DesignerRestrictions = 0;
    TfrDesignerForm &d = open();
    select({ a, b });
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(bounds(a), QRect(40, 41, 60, 20));
    EXPECT_EQ(bounds(b), QRect(140, 40, 60, 20));
    EXPECT_TRUE(report.Modified);
    DesignerRestrictions = drNoMove;
    key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(bounds(a), QRect(40, 41, 60, 20)) << "the host forbids moving";
    EXPECT_EQ(d.PageView->SelectedCount, 2);
}

TEST_F(WindowKeys, ArrowsWalkToTheNearestObjectAndAltPlacesAgainstIt)
{
    TfrMemoView *s = memo(100, 100, 40, 20, "S");
    TfrMemoView *right = memo(200, 110, 40, 20, "Right");
    TfrMemoView *below = memo(100, 150, 40, 20, "Below");
    band(btMasterData, 0, 400, "Band");
    TfrDesignerForm &d = open();

    select({ s });
    key(Qt::Key_Left);
    EXPECT_TRUE(s->IsSelected) << "nothing lies to the left but the band, which is never walked to";
    EXPECT_EQ(d.PageView->SelectedCount, 1);

    key(Qt::Key_Right);
    EXPECT_TRUE(right->IsSelected);
    EXPECT_FALSE(s->IsSelected);
    EXPECT_EQ(d.PageView->SelectedCount, 1);
    EXPECT_EQ(d.StatusBar1->PanelText(2), QStringLiteral("Right"));

    select({ s });
    const int steps = d.UndoCount();
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(bounds(s), QRect(100, 130, 40, 20)) << "its bottom touches the top of the object below";
    EXPECT_TRUE(s->IsSelected);
    EXPECT_EQ(d.UndoCount(), steps) << "placing against a neighbour keeps no undo step";
    EXPECT_TRUE(report.Modified) << "but the template has changed";
    EXPECT_EQ(bounds(below), QRect(100, 150, 40, 20));

    key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(bounds(s), QRect(160, 130, 40, 20));
    s->Restrictions = orNoMove;
    key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(bounds(s), QRect(160, 130, 40, 20)) << "an object that may not move stays";
}

TEST_F(WindowKeys, EscapeLeavesTheInsertToolAndTheSelection)
{
    TfrMemoView *m = memo(40, 40, 60, 20, "M");
    TfrDesignerForm &d = open();
    select({ m });
    d.PressTool(0);
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 300), QPointF(300, 300), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(d.PageView, &move);
    ASSERT_TRUE(d.PageView->GhostShown);
    key(Qt::Key_Escape);
    EXPECT_EQ(d.ToolTag(), -1);
    EXPECT_FALSE(d.PageView->GhostShown);
    EXPECT_TRUE(d.PageView->SelectMode);
    EXPECT_EQ(d.PageView->CursorKind(), TfrDesignerPage::ckDefault);
    EXPECT_EQ(d.PageView->SelectedCount, 0);
    EXPECT_FALSE(m->IsSelected);
}

TEST_F(WindowKeys, CommandKeys)
{
    TfrMemoView *a = memo(40, 40, 60, 20, "A");
    memo(140, 40, 60, 20, "B");
    TfrDesignerForm &d = open();

    key(Qt::Key_Delete);
    EXPECT_EQ(page->ObjectCount(), 2) << "Delete without a selection does nothing";
    select({ a });
    key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(DesignerClipboard.size(), 1) << "Ctrl+Insert copies";
    key(Qt::Key_Delete);
    EXPECT_EQ(page->ObjectCount(), 1);
    EXPECT_EQ(d.UndoCount(), 1);
    key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(page->ObjectCount(), 2) << "Shift+Insert pastes";
    EXPECT_NE(page->FindViewByName(QStringLiteral("A")), nullptr);
    select({ page->FindViewByName(QStringLiteral("B")) });
    key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(page->ObjectCount(), 1) << "Shift+Delete cuts";
    ASSERT_EQ(DesignerClipboard.size(), 1);

    const bool grid = d.ShowGrid;
    key(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(d.ShowGrid, !grid);
    EXPECT_EQ(d.GridAction->isChecked(), !grid);

    d.resize(700, 400);
    QScrollBar *bar = d.ScrollBox1->verticalScrollBar();
    ASSERT_TRUE(QTest::qWaitFor([bar] { return bar->maximum() > 400; }));
    key(Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), 200);
    key(Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), 0);

    key(Qt::Key_F11);
    EXPECT_TRUE(d.InspForm->isVisible());
}

TEST_F(WindowKeys, EnterOpensTheObjectsEditorAndCtrlEnterItsScript)
{
    TfrBandView *data = band(btMasterData, 40, 40, "MasterData1");
    TfrDesignerForm &d = open();
    select({ data });
    bool band = false, script = false;
    {
        ModalAnswer answer([] { return activeModal<QDialog>() != nullptr; },
            [&band] {
                band = activeModal<QDialog>()->objectName() == QLatin1String("frBandEditorForm");
                activeModal<QDialog>()->reject();
            });
        key(Qt::Key_Return);
        EXPECT_TRUE(answer.ran());
    }
    {
        ModalAnswer answer([] { return activeModal<TfrEditorForm>() != nullptr; },
            [&script] {
                script = true;
                activeModal<TfrEditorForm>()->reject();
            });
        key(Qt::Key_Return, Qt::ControlModifier);
        EXPECT_TRUE(answer.ran());
    }
    EXPECT_TRUE(band);
    EXPECT_TRUE(script);
    EXPECT_EQ(d.UndoCount(), 0) << "cancelled editors change nothing";
}

// ---- The dialog page's window ------------------------------------------------------------------------------------

class WindowDialogPage : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        report.Pages().Add();
        second = report.Pages().GetPage(1);
        dialog(page, "Параметры", QRect(300, 200, 380, 300));
        dialog(second, "Ещё", QRect(100, 80, 200, 150));
    }
    static void dialog(TfrPage *p, const char *caption, const QRect &bounds)
    {
        p->Type = 1;
        p->Caption = QString::fromUtf8(caption);
        p->Left = bounds.x();
        p->Top = bounds.y();
        p->Width = bounds.width();
        p->Height = bounds.height();
    }
    TfrPage *second = nullptr;
};

TEST_F(WindowDialogPage, MovingOrSizingTheWindowChangesThePageAndSwitchingPagesDoesNot)
{
    TfrDesignerForm &d = open();
    ASSERT_NE(d.PageForm, nullptr);
    TfrPageForm *form = d.PageForm;
    EXPECT_EQ(form->geometry(), QRect(300, 200, 380, 300));
    EXPECT_FALSE(report.Modified);

    // Dragged by its caption bar: the frame moves, and the dialog's client area with it.
    form->move(form->pos() + QPoint(20, 30));
    ASSERT_TRUE(QTest::qWaitFor([this] { return page->Left == 320; }));
    EXPECT_EQ(page->Top, 230);
    EXPECT_TRUE(report.Modified);
    form->resize(400, 310);
    ASSERT_TRUE(QTest::qWaitFor([this] { return page->Width == 400; }));
    EXPECT_EQ(page->Height, 310);
    EXPECT_EQ(d.PageView->size(), form->size()) << "the surface fills the window";

    d.SetModified(false);
    d.SetCurPage(1);
    EXPECT_EQ(d.PageForm, form) << "another dialog page keeps the window";
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ещё"));
    ASSERT_TRUE(QTest::qWaitFor([&d] { return d.PageView->size() == QSize(200, 150); }));
    EXPECT_EQ(form->geometry(), QRect(100, 80, 200, 150));
    EXPECT_EQ(second->Left, 100);
    EXPECT_EQ(page->Left, 320);
    EXPECT_FALSE(report.Modified) << "placing the window at the page's bounds changes nothing";

    form->close();
    EXPECT_TRUE(form->isVisible()) << "the user cannot close it";
}

TEST_F(WindowDialogPage, TheWindowsClipboardKeysAreTheDesignersOwn)
{
    TfrMemoView *a = memo(10, 10, 60, 20, "A");
    memo(10, 40, 60, 20, "B");
    TfrDesignerForm &d = open();
    select({ a });
    QWidget *form = d.PageForm;
    QTest::keyClick(form, Qt::Key_C, Qt::ControlModifier);
    ASSERT_EQ(DesignerClipboard.size(), 1) << "Ctrl+C copies the selected control";
    QTest::keyClick(form, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(page->ObjectCount(), 3) << "Ctrl+V pastes it";
    QTest::keyClick(form, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(d.PageView->SelectedCount, 3) << "Ctrl+A selects every control";
    QTest::keyClick(form, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(page->ObjectCount(), 0) << "Ctrl+X cuts";
    EXPECT_EQ(DesignerClipboard.size(), 3);
    select({});
    QTest::keyClick(d.PageView, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(page->ObjectCount(), 3) << "a key in the surface is the window's key";
    TfrView *pasted = page->FindViewByName(QStringLiteral("A"));
    const int left = pasted->Left;
    QTest::keyClick(form, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(pasted->Left, left + 1) << "and so are the moving keys";
}

} // namespace
