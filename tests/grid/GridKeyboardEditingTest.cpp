#include "GridInteraction.h"

#include <QClipboard>
#include <QKeyEvent>

#include <gtest/gtest.h>

using tarvik::test::InteractionGrid;

namespace {

struct MultiGrid : InteractionGrid
{
    MultiGrid() : InteractionGrid({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")},
                                  dgMultiSelect) {}
    // Ctrl+presses on the indicators of the records given.
    void selectIds(std::initializer_list<int> ids)
    {
        for (int wanted : ids)
            click(0, rowOf(wanted), Qt::ControlModifier);
    }
};

} // namespace

TEST(GridKeyboardDelete, CtrlDeleteAsksTheOneRecordOrTheAllSelectedQuestion)
{
    struct Case
    {
        const char *what;
        std::vector<int> selected;
        TModalResult answer;
        const char *question;
        int countAfter;
    };
    const Case cases[] = {
        {"no selection, OK: the current record goes", {}, mrOk, "Delete record?", 3},
        {"no selection, Cancel", {}, mrCancel, "Delete record?", 4},
        {"one selected record, OK", {3}, mrOk, "Delete record?", 3},
        {"two selected records, OK", {2, 4}, mrOk, "Delete all selected records?", 2},
        {"two selected records, Cancel", {2, 4}, mrCancel, "Delete all selected records?", 4},
    };
    for (const Case &c : cases) {
        FakeMessageService messages;
        messages.answer(c.answer);
        MultiGrid g;
        for (int wanted : c.selected)
            g.selectIds({wanted});
        const QList<int> before = g.selectedIds();
        g.press(Qt::Key_Delete, Qt::ControlModifier);
        ASSERT_EQ(messages.requests.size(), 1) << c.what;
        EXPECT_EQ(messages.lastText(), QString::fromLatin1(c.question)) << c.what;
        EXPECT_EQ(messages.requests[0].buttons, mbOKCancel) << c.what;
        EXPECT_EQ(g.ds.RecordCount(), c.countAfter) << c.what;
        if (c.answer == mrCancel)
            EXPECT_EQ(g.selectedIds(), before) << c.what << ": a refused delete keeps the selection";
        else
            EXPECT_EQ(g.grid->SelectedBookmarks().Count(), 0) << c.what;
    }
}

TEST(GridKeyboardDelete, TheDeletedRecordsAreTheSelectedOnesNotTheCurrentOne)
{
    FakeMessageService messages;
    messages.defaultAnswer = mrOk;
    MultiGrid g;
    g.selectIds({2, 4});
    g.gotoId(1);
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    QStringList left;
    for (g.ds.First(); !g.ds.Eof(); g.ds.Next())
        left << g.name();
    EXPECT_EQ(left, (QStringList{QStringLiteral("A"), QStringLiteral("C")}));
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstNon));
}

TEST(GridKeyboardDelete, NothingIsAskedWhereDeletingIsNotAllowed)
{
    struct Case
    {
        const char *what;
        std::function<void(MultiGrid &)> setUp;
    };
    const Case cases[] = {
        {"read-only grid", [](MultiGrid &g) { g.grid->SetReadOnly(true); }},
        {"deleting not allowed", [](MultiGrid &g) { g.grid->AllowedOperations &= ~alopDeleteEh; }},
        {"read-only dataset", [](MultiGrid &g) { g.ds.SetReadOnly(true); }},
    };
    for (const Case &c : cases) {
        FakeMessageService messages;
        MultiGrid g;
        c.setUp(g);
        g.press(Qt::Key_Delete, Qt::ControlModifier);
        EXPECT_TRUE(messages.requests.isEmpty()) << c.what;
        EXPECT_EQ(g.ds.RecordCount(), 4) << c.what;
    }
    // Without dgConfirmDelete nothing is asked and the record goes.
    FakeMessageService messages;
    MultiGrid g;
    g.grid->SetOptions(g.grid->Options() & ~dgConfirmDelete);
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(messages.requests.isEmpty());
    EXPECT_EQ(g.ds.RecordCount(), 3);
}

// A grid whose clipboard operations only count their calls.
class CountingGrid : public TDBGridEh
{
public:
    int copies = 0, cuts = 0, pastes = 0, clears = 0;

protected:
    void CopySelectionToClipboard() override { ++copies; }
    void CutSelectionToClipboard() override { ++cuts; }
    void PasteClipboardIntoSelection() override { ++pastes; }
    void ClearSelectionContents() override { ++clears; }
};

TEST(GridKeyboardEditActions, ShiftDeleteAndShiftInsertActOnlyWhenEditActionsAllowThem)
{
    FakeMessageService messages;
    messages.defaultAnswer = mrOk;
    MultiGrid g;
    auto *counting = new CountingGrid;
    g.grid.reset(counting);
    g.grid->setFrameShape(QFrame::NoFrame);
    for (const char *name : {"ID", "NAME", "AMOUNT"})
        g.grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
    g.grid->SetOptions(g.grid->Options() | dgMultiSelect);
    g.show();
    QApplication::clipboard()->setText(QStringLiteral("x"));

    // With EditActions empty Ctrl+A selects nothing; the indicator corner selects everything all the same.
    ASSERT_EQ(g.grid->EditActions, 0u);
    g.press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstNon));
    g.click(0, 0);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstAll));

    g.press(Qt::Key_Delete, Qt::ShiftModifier);
    g.press(Qt::Key_Insert, Qt::ShiftModifier);
    g.press(Qt::Key_X, Qt::ControlModifier);
    g.press(Qt::Key_C, Qt::ControlModifier);
    g.press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(g.ds.RecordCount(), 4) << "with no edit action allowed nothing is deleted";
    EXPECT_EQ(counting->cuts + counting->copies + counting->pastes + counting->clears, 0);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstAll)) << "and the selection stays";
    EXPECT_TRUE(messages.requests.isEmpty());

    g.grid->Selection().Clear();
    g.grid->EditActions = geaSelectAllEh;
    g.press(Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstAll)) << "Ctrl+A with its member";
    g.grid->EditActions = geaSelectAllEh | geaCutEh | geaCopyEh | geaPasteEh | geaDeleteEh;
    g.press(Qt::Key_Delete, Qt::ShiftModifier);
    g.press(Qt::Key_Insert, Qt::ShiftModifier);
    g.press(Qt::Key_Insert, Qt::ControlModifier);
    g.press(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(counting->cuts, 1);
    EXPECT_EQ(counting->pastes, 1);
    EXPECT_EQ(counting->copies, 1);
    EXPECT_EQ(counting->clears, 1) << "Ctrl+Delete with a selection clears its contents";
    EXPECT_EQ(g.ds.RecordCount(), 4);

    // The main window's Edit menu calls the focused control by name.
    for (const char *command : {"cut", "copy", "paste"})
        QMetaObject::invokeMethod(g.grid.get(), command);
    EXPECT_EQ(counting->cuts, 2);
    EXPECT_EQ(counting->copies, 2);
    EXPECT_EQ(counting->pastes, 2);

    // Pasting also needs updating allowed, deleting the contents of a selection of everything deleting.
    g.grid->AllowedOperations = alopInsertEh | alopAppendEh;
    EXPECT_FALSE(g.grid->EditActionAllowed(geaPasteEh));
    EXPECT_FALSE(g.grid->EditActionAllowed(geaDeleteEh));
    EXPECT_FALSE(g.grid->EditActionAllowed(geaCutEh));
    EXPECT_TRUE(g.grid->EditActionAllowed(geaCopyEh));
    g.grid->Selection().Clear();
    EXPECT_FALSE(g.grid->EditActionAllowed(geaCopyEh)) << "copy needs a selection";
}

TEST(GridKeyboardCopyFromAbove, CtrlApostropheCopiesTheValueAboveAlsoByTheKeysPlace)
{
    InteractionGrid g;
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(g.ds.State(), dsBrowse) << "the first record has nothing above it";

    g.press(Qt::Key_Down);
    g.press(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(g.ds.State(), dsEdit);
    EXPECT_EQ(g.name(), QStringLiteral("Petrov"));
    ASSERT_TRUE(g.grid->InplaceEditor() && g.grid->InplaceEditor()->isVisible());
    EXPECT_EQ(g.grid->InplaceEditor()->selectedText(), QStringLiteral("Petrov"));
    g.press(Qt::Key_Escape);
    g.press(Qt::Key_Escape);
    ASSERT_EQ(g.name(), QStringLiteral("Ivanov"));

    // The Russian layout gives another letter on the same key; its place on the keyboard still matches.
    g.press(Qt::Key_Down);
    QWidget *target = g.grid->InplaceEditor() && g.grid->InplaceEditor()->hasFocus()
        ? static_cast<QWidget *>(g.grid->InplaceEditor())
        : static_cast<QWidget *>(g.grid.get());
#ifdef Q_OS_WIN
    const quint32 scanCode = 0x28;
#else
    const quint32 scanCode = 48;
#endif
    QKeyEvent russian(QEvent::KeyPress, 0x42d, Qt::ControlModifier, scanCode, 0, 0, QString(QChar(0x42d)));
    QApplication::sendEvent(target, &russian);
    EXPECT_EQ(g.name(), QStringLiteral("Ivanov")) << "the record above the third";

    g.grid->SetReadOnly(true);
    g.press(Qt::Key_Escape);
    g.press(Qt::Key_Down);
    g.press(Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(g.name(), QStringLiteral("Ivashov")) << "a column that cannot be changed is not copied into";
}

TEST(GridKeyboardSelection, ShiftWithArrowsStretchesARectangleOrTheRecordsOfARowSelectGrid)
{
    MultiGrid g;
    g.press(Qt::Key_Down, Qt::ShiftModifier);
    g.press(Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstRectangle));
    const TDBGridEhSelectionRect &rect = g.grid->Selection().Rect();
    EXPECT_EQ(rect.AnchorCol(), 0);
    EXPECT_EQ(rect.ShiftCol(), 1);
    g.press(Qt::Key_Down);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstNon)) << "a plain move clears it";

    MultiGrid r;
    r.grid->SetOptions(r.grid->Options() | dgRowSelect);
    r.press(Qt::Key_Down, Qt::ShiftModifier);
    r.press(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(r.selectedIds(), (QList<int>{1, 2, 3}));
    r.press(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(r.selectedIds(), (QList<int>{1, 2})) << "going back towards the anchor unselects";
    r.press(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(r.selectedIds(), (QList<int>{1, 2, 3, 4}));
}

TEST(GridKeyboardCopyFromAbove, CtrlApostropheWorksInTheOpenEditorToo)
{
    InteractionGrid g;
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_Down);
    g.press(Qt::Key_F2);
    ASSERT_TRUE(g.grid->InplaceEditor() && g.grid->InplaceEditor()->hasFocus());
    QTest::keyClick(g.grid->InplaceEditor(), Qt::Key_Apostrophe, Qt::ControlModifier);
    EXPECT_EQ(g.name(), QStringLiteral("Petrov"));
    EXPECT_EQ(g.grid->InplaceEditor()->text(), QStringLiteral("Petrov"));
}

TEST(GridKeyboardEnterAsTab, EnterMovesOnLikeTabAlsoFromTheEditorAndWritesWhatWasTyped)
{
    InteractionGrid g;
    g.grid->SetOptionsEh(g.grid->OptionsEh() | dghEnterAsTab);
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_Return);
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
    g.press(Qt::Key_Return);
    EXPECT_EQ(g.id(), 2) << "past the last column: the next record";
    EXPECT_EQ(g.grid->SelectedIndex(), 0);
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_F2);
    ASSERT_TRUE(g.grid->InplaceEditor()->hasFocus());
    g.grid->InplaceEditor()->selectAll();
    QTest::keyClicks(g.grid->InplaceEditor(), QStringLiteral("Orlov"));
    QTest::keyClick(g.grid->InplaceEditor(), Qt::Key_Return);
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
    EXPECT_EQ(g.name(), QStringLiteral("Orlov"));
}

TEST(GridKeyboardColumns, LeavingAndEnteringAColumnAreReportedAndAHandlerMayRedirect)
{
    InteractionGrid g;
    QStringList events;
    g.grid->OnColExit = [&](TCustomDBGridEh *sender) { events << QStringLiteral("exit %1").arg(sender->SelectedIndex()); };
    g.grid->OnColEnter = [&](TCustomDBGridEh *sender) { events << QStringLiteral("enter %1").arg(sender->SelectedIndex()); };
    g.press(Qt::Key_Right);
    g.grid->SetSelectedIndex(2);
    EXPECT_EQ(events, (QStringList{QStringLiteral("exit 0"), QStringLiteral("enter 1"), QStringLiteral("exit 1"),
                                   QStringLiteral("enter 2")}));
    // A handler that moves the current column itself has the last word.
    events.clear();
    g.grid->OnColExit = [&](TCustomDBGridEh *sender) {
        g.grid->OnColExit = nullptr;
        sender->SetSelectedIndex(0);
    };
    g.press(Qt::Key_Left);
    EXPECT_EQ(g.grid->SelectedIndex(), 0);
    EXPECT_EQ(events, (QStringList{QStringLiteral("enter 0")}));
}
