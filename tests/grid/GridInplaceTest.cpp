#include "DBGridEhInplace.h"
#include "DBLookupGridsEh.h"
#include "GridInteraction.h"
#include "Guard.h"
#include "ToolCtrlsEh.h"

#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using tarvik::test::GridFixture;
using tarvik::test::InteractionGrid;

namespace {

TDBGridInplaceEdit *editorOf(TCustomDBGridEh *grid)
{
    return dynamic_cast<TDBGridInplaceEdit *>(grid->InplaceEditor());
}

// The cell editor opened on a column of the shown grid.
TDBGridInplaceEdit *openEditor(TCustomDBGridEh *grid, int dataCol)
{
    grid->SetSelectedIndex(dataCol);
    grid->ShowEditor();
    QApplication::processEvents();
    return editorOf(grid);
}

void typeInto(QWidget *w, const QString &text)
{
    for (QChar c : text)
        QTest::keyClick(w, c.toLatin1());
}

// A list of three names and records that keep its key in REF, shown through the lookup field L_NAME.
struct LookupGrid
{
    TClientDataSet list;
    TClientDataSet card;
    TDataSource source;
    std::unique_ptr<TDBGridEh> grid = std::make_unique<TDBGridEh>();

    LookupGrid()
    {
        list.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
        list.FieldDefs().Add(QStringLiteral("NAME"), ftString, 20);
        list.CreateDataSet();
        int id = 1;
        for (const char *name : {"Apple", "Apricot", "Banana"}) {
            list.Append();
            list.FieldByName(QStringLiteral("ID"))->SetValue(id++);
            list.FieldByName(QStringLiteral("NAME"))->SetValue(QString::fromLatin1(name));
            list.Post();
        }
        list.First();
        card.AddField<TIntegerField>(QStringLiteral("REF"));
        TField *lookup = card.AddField<TStringField>(QStringLiteral("L_NAME"), fkLookup);
        lookup->SetLookupDataSet(&list);
        lookup->SetKeyFields(QStringLiteral("REF"));
        lookup->SetLookupKeyFields(QStringLiteral("ID"));
        lookup->SetLookupResultField(QStringLiteral("NAME"));
        card.CreateDataSet();
        card.Append();
        card.FieldByName(QStringLiteral("REF"))->SetValue(1);
        card.Post();
        source.SetDataSet(&card);
        grid->Columns().Add()->SetFieldName(QStringLiteral("L_NAME"));
        grid->Columns().Add()->SetFieldName(QStringLiteral("REF"));
        grid->SetDataSource(&source);
        grid->resize(400, 300);
        grid->show();
        QApplication::setActiveWindow(grid.get());
        grid->setFocus();
        QApplication::processEvents();
    }
    QVariant ref() { return card.FieldByName(QStringLiteral("REF"))->Value(); }
};

} // namespace

TEST(GridInplaceEditor, PickListCompletesTypedTextToTheFirstLine)
{
    InteractionGrid g;
    g.grid->Columns()[1]->PickList() = QStringList{QStringLiteral("A"), QStringLiteral("AB"), QStringLiteral("B")};
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esPickList);

    typeInto(editor, QStringLiteral("a"));
    EXPECT_EQ(editor->text(), QStringLiteral("A"));
    EXPECT_FALSE(editor->hasSelectedText()) << "a whole line typed leaves nothing to select";
    typeInto(editor, QStringLiteral("b"));
    EXPECT_EQ(editor->text(), QStringLiteral("AB"));

    // A plain pick list takes what matches no line as typed.
    typeInto(editor, QStringLiteral("z"));
    EXPECT_EQ(editor->text(), QStringLiteral("ABz"));

    // Typing over the whole text completes with the rest of the line selected.
    editor->selectAll();
    typeInto(editor, QStringLiteral("b"));
    EXPECT_EQ(editor->text(), QStringLiteral("B"));
    g.ds.Post();
    EXPECT_EQ(g.name(), QStringLiteral("B"));
}

TEST(GridInplaceEditor, KeyListDropsACharacterThatMatchesNoLine)
{
    InteractionGrid g;
    TColumnEh *column = g.grid->Columns()[1];
    column->PickList() = QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")};
    column->KeyList() = QStringList{QStringLiteral("Petrov"), QStringLiteral("Ivanov")};
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("Alpha"));
    typeInto(editor, QStringLiteral("b"));
    EXPECT_EQ(editor->text(), QStringLiteral("Beta"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("eta"));
    typeInto(editor, QStringLiteral("x"));
    EXPECT_EQ(editor->text(), QStringLiteral("Beta")) << "a key list keeps to its lines";
}

TEST(GridInplaceEditor, CalendarOpensOnTodayForAnEmptyDateAndWritesTheChosenDay)
{
    FakeClock clock(QDateTime(QDate(2024, 3, 17), QTime(9, 0)));
    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("ID"), ftInteger);
    ds.FieldDefs().Add(QStringLiteral("DT"), ftDate);
    ds.CreateDataSet();
    ds.Append();
    ds.FieldByName(QStringLiteral("ID"))->SetValue(1);
    ds.Post();
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGridEh grid;
    grid.SetDataSource(&source);
    grid.resize(300, 200);
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    QApplication::processEvents();

    TDBGridInplaceEdit *editor = openEditor(&grid, 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esDateCalendar);
    QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->DroppedDown());
    EXPECT_EQ(editor->Calendar()->Date(), QDate(2024, 3, 17));
    EXPECT_TRUE(editor->hasFocus()) << "the editor keeps the focus while the calendar is open";

    editor->Calendar()->SetDate(QDate(2024, 3, 20));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->DroppedDown());
    ds.Post();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("DT"))->AsDateTime().date(), QDate(2024, 3, 20));
}

TEST(GridInplaceEditor, LookupCellDropsOnlyItsRowsAndKeepsTheUsersSize)
{
    LookupGrid g;
    TColumnEh *column = g.grid->Columns()[0];
    column->DropDownRows = 7;
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 0);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esDataList);
    EXPECT_EQ(editor->text(), QStringLiteral("Apple"));

    editor->DropDown();
    ASSERT_TRUE(editor->DroppedDown());
    TPopupDataGridEh *list = editor->DataList();
    EXPECT_EQ(list->RowCount(), 3) << "three records drop three rows, not DropDownRows";
    EXPECT_GE(list->width(), editor->width());
    EXPECT_EQ(list->KeyValue().toInt(), 1);

    // The user widens and heightens the list, then takes the next record.
    const int rowHeight = list->GetDataRect().height() / 3;
    list->resize(list->width() + 40, list->height() + 2 * rowHeight);
    const int rows = list->RowCount();
    const int width = list->width();
    EXPECT_GT(rows, 3);
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(editor->text(), QStringLiteral("Apricot"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->DroppedDown());
    EXPECT_EQ(column->DropDownRows, rows);
    EXPECT_EQ(column->DropDownWidth, width);
    g.card.Post();
    EXPECT_EQ(g.ref().toInt(), 2);
}

TEST(GridInplaceEditor, LookupCompletionCarriesTheKeyAndDropsANonMatchingCharacter)
{
    LookupGrid g;
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 0);
    ASSERT_NE(editor, nullptr);
    typeInto(editor, QStringLiteral("apr"));
    EXPECT_EQ(editor->text(), QStringLiteral("Apricot"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("icot"));
    typeInto(editor, QStringLiteral("x"));
    EXPECT_EQ(editor->text(), QStringLiteral("Apricot")) << "a character matching nothing is dropped";
    g.card.Post();
    EXPECT_EQ(g.ref().toInt(), 2);
}

TEST(GridInplaceEditor, DeleteClearsALookupKeyOnlyWithTheWholeTextSelected)
{
    LookupGrid g;
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 0);
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(editor->text(), QStringLiteral("Apple"));

    editor->setSelection(0, 2);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), QStringLiteral("Apple")) << "half the text without OnNotInList: nothing happens";

    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), QString());
    g.card.Post();
    EXPECT_TRUE(g.card.FieldByName(QStringLiteral("REF"))->IsNull());
}

TEST(GridInplaceEditor, UpDownStepsByTheIncrementBothWays)
{
    InteractionGrid g;
    TColumnEh *amount = g.grid->Columns()[2];
    amount->ButtonStyle = cbsUpDown;
    amount->Increment = 2;
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 2);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->EditStyle(), esUpDown);
    EXPECT_GT(editor->ButtonsWidth(), 0) << "the up-down button takes room from the text";

    editor->ButtonDown(true);
    EXPECT_DOUBLE_EQ(g.field("AMOUNT")->AsFloat(), 12.0);
    EXPECT_EQ(editor->text(), g.field("AMOUNT")->Text());
    editor->ButtonDown(false);
    editor->ButtonDown(false);
    EXPECT_DOUBLE_EQ(g.field("AMOUNT")->AsFloat(), 8.0);

    // A typed value is written first and stepped from.
    editor->setText(QStringLiteral("100"));
    editor->StepEditValue(true);
    EXPECT_DOUBLE_EQ(g.field("AMOUNT")->AsFloat(), 102.0);
}

TEST(GridInplaceEditor, PickListDropDownAcceptsTheChosenLineAndEscKeepsTheText)
{
    InteractionGrid g;
    TColumnEh *column = g.grid->Columns()[1];
    column->PickList() = QStringList{QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")};
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->DroppedDown());
    EXPECT_EQ(editor->PickList()->count(), 3);
    QTest::keyClick(editor, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->DroppedDown());
    EXPECT_EQ(editor->text(), QStringLiteral("Petrov"));

    QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(editor->DroppedDown());
    QTest::keyClick(editor, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(editor->text(), QStringLiteral("One"));
}

TEST(GridInplaceEditor, AValueTheFieldRefusesIsReportedAndTheTypedTextStays)
{
    QStringList shown;
    const ExceptionHandler previous = setExceptionHandler([&](const QString &message) { shown << message; });
    InteractionGrid g;
    g.field("AMOUNT")->OnValidate = [](TField *, const QVariant &value) {
        if (value.toDouble() > 1000)
            throw Exception(QStringLiteral("Сумма слишком велика"));
    };
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 2);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    typeInto(editor, QStringLiteral("5000"));
    g.press(Qt::Key_Down);
    setExceptionHandler(previous);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Сумма слишком велика")));
    EXPECT_EQ(g.id(), 1) << "the record is not left";
    EXPECT_EQ(editor->text(), QStringLiteral("5000"));
    EXPECT_TRUE(editor->hasFocus() || g.grid->hasFocus());
}

TEST(GridInplaceEditor, RecentTextsBeginningWithTheTypedTextAreOfferedAndTaken)
{
    InteractionGrid g;
    TMRUListEh &mru = g.grid->Columns()[1]->MRUList();
    mru.SetItems({QStringLiteral("Petrova"), QStringLiteral("Ivanova"), QStringLiteral("Petrenko")});
    mru.SetActive(true);
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    typeInto(editor, QStringLiteral("pe"));
    ASSERT_NE(editor->MRUListBox(), nullptr);
    ASSERT_TRUE(editor->MRUListBox()->isVisible());
    QStringList offered;
    for (int i = 0; i < editor->MRUListBox()->count(); ++i)
        offered << editor->MRUListBox()->item(i)->text();
    EXPECT_EQ(offered, (QStringList{QStringLiteral("Petrenko"), QStringLiteral("Petrova")}));

    typeInto(editor, QStringLiteral("x"));
    EXPECT_FALSE(editor->MRUListBox()->isVisible()) << "nothing begins with the text";
    QTest::keyClick(editor, Qt::Key_Backspace);
    ASSERT_TRUE(editor->MRUListBox()->isVisible());
    QTest::keyClick(editor, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_Down);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->MRUListBox()->isVisible());
    EXPECT_EQ(editor->text(), QStringLiteral("Petrova"));
}

TEST(GridInplaceEditor, ACellShowsItsButtonExactlyWhenItsEditorHasOne)
{
    InteractionGrid g;
    TColumnEh *name = g.grid->Columns()[1];
    EXPECT_FALSE(name->ShowsDefaultEditButton()) << "a plain text cell";
    name->PickList() = QStringList{QStringLiteral("A")};
    EXPECT_TRUE(name->ShowsDefaultEditButton());
    name->SetReadOnly(true);
    EXPECT_FALSE(name->ShowsDefaultEditButton()) << "a read-only pick list has nothing to drop";
    name->ButtonStyle = cbsEllipsis;
    EXPECT_TRUE(name->ShowsDefaultEditButton());
    name->SetReadOnly(false);
    name->ButtonStyle = cbsNone;
    EXPECT_FALSE(name->ShowsDefaultEditButton());
    const int plainWidth = name->EditButtonsWidth();
    name->ButtonStyle = cbsUpDown;
    EXPECT_GT(name->EditButtonsWidth(), plainWidth);

    TClientDataSet ds;
    ds.FieldDefs().Add(QStringLiteral("DT"), ftDate);
    ds.CreateDataSet();
    TDataSource source;
    source.SetDataSet(&ds);
    TDBGridEh dates;
    dates.SetDataSource(&source);
    ASSERT_EQ(dates.Columns().Count(), 1);
    EXPECT_TRUE(dates.Columns()[0]->ShowsDefaultEditButton()) << "a date cell shows its calendar button";
    dates.Columns()[0]->SetReadOnly(true);
    EXPECT_FALSE(dates.Columns()[0]->ShowsDefaultEditButton());

    LookupGrid lookup;
    EXPECT_TRUE(lookup.grid->Columns()[0]->ShowsDefaultEditButton());
    lookup.grid->SetReadOnly(true);
    EXPECT_FALSE(lookup.grid->Columns()[0]->ShowsDefaultEditButton()) << "a read-only grid edits no lookup";
}

TEST(GridInplaceEditor, TextsWrittenFromTheEditorJoinTheRecentList)
{
    InteractionGrid g;
    TColumnEh *name = g.grid->Columns()[1];
    TMRUListEh &mru = name->MRUList();
    mru.SetActive(true);
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    typeInto(editor, QStringLiteral("Orlov"));
    g.press(Qt::Key_Down);
    EXPECT_EQ(mru.Items(), QStringList{QStringLiteral("Orlov")});

    // Without automatic adding, or written by the program with no editor shown, nothing joins.
    mru.AutoAdd = false;
    editor = openEditor(g.grid.get(), 1);
    editor->selectAll();
    typeInto(editor, QStringLiteral("Popov"));
    g.press(Qt::Key_Down);
    mru.AutoAdd = true;
    g.grid->HideEditor();
    g.ds.Edit();
    name->UpdateColumnData(QStringLiteral("Sokolov"), QVariant(), true);
    g.ds.Post();
    EXPECT_EQ(mru.Items(), QStringList{QStringLiteral("Orlov")});
}

TEST(GridInplaceEditor, TheLookupSpecialRowIsShownDroppedAndChosenByItsShortcut)
{
    LookupGrid g;
    TColumnEh *column = g.grid->Columns()[0];
    TSpecRowEh &special = column->DropDownSpecRow();
    special.SetCellsText(QStringLiteral("(нет)"));
    special.SetVisible(true);

    // A key the list lacks shows the row's text; a key it has shows its own.
    g.card.Edit();
    g.card.FieldByName(QStringLiteral("REF"))->SetValue(99);
    g.card.Post();
    EXPECT_EQ(column->GetColumnDisplayText(), QStringLiteral("(нет)"));
    special.SetShowIfNotInKeyList(false);
    EXPECT_EQ(column->GetColumnDisplayText(), QString());
    g.card.Edit();
    g.card.FieldByName(QStringLiteral("REF"))->SetValue(3);
    g.card.Post();
    EXPECT_EQ(column->GetColumnDisplayText(), QStringLiteral("Banana"));

    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 0);
    ASSERT_NE(editor, nullptr);
    editor->DropDown();
    ASSERT_TRUE(editor->DroppedDown());
    EXPECT_TRUE(editor->DataList()->SpecRow().Visible()) << "the drop-down carries the column's special row";
    editor->CloseUp(false);

    QTest::keyClick(editor, Qt::Key_Delete, Qt::AltModifier);
    EXPECT_EQ(editor->text(), QStringLiteral("(нет)"));
    EXPECT_EQ(editor->selectedText(), QStringLiteral("(нет)"));
    g.card.Post();
    EXPECT_TRUE(g.ref().isNull() || !g.ref().isValid()) << "the special row's value, Null, is written";
    EXPECT_EQ(column->GetColumnDisplayText(), QStringLiteral("(нет)"));
}

TEST(GridInplaceEditor, ColumnButtonsAnswerTheirShortcutsAndPopTheirMenus)
{
    InteractionGrid g;
    TColumnEh *name = g.grid->Columns()[1];
    int clicks = 0;
    int hiddenClicks = 0;
    TEditButtonEh *button = name->EditButtons().Add();
    button->SetVisible(true);
    button->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_K));
    button->OnClick = [&](QObject *, bool &) { ++clicks; };
    TEditButtonEh *hidden = name->EditButtons().Add();
    hidden->SetShortCut(QKeySequence(Qt::CTRL | Qt::Key_J));
    hidden->OnClick = [&](QObject *, bool &) { ++hiddenClicks; };
    QMenu menu;
    menu.addAction(QStringLiteral("Очистить"));
    button->SetDropdownMenu(&menu);

    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    const QString before = editor->text();
    QTest::keyClick(editor, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); })) << "the shortcut presses the button";
    menu.hide();
    QTest::keyClick(editor, Qt::Key_J, Qt::ControlModifier);
    EXPECT_EQ(hiddenClicks, 1) << "a hidden button's shortcut still acts";
    EXPECT_EQ(editor->text(), before) << "shortcuts type nothing";
    QCoreApplication::processEvents();

    // A press on the button pops the menu; the press that closes it does not open it again.
    TEditButtonControlEh *control = editor->ButtonControl(0);
    ASSERT_NE(control, nullptr);
    QTest::mousePress(control, Qt::LeftButton, {}, control->rect().center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }));
    QTest::mouseRelease(control, Qt::LeftButton, {}, control->rect().center());
    menu.hide();
    QTest::mousePress(control, Qt::LeftButton, {}, control->rect().center());
    EXPECT_FALSE(menu.isVisible());
    QTest::mouseRelease(control, Qt::LeftButton, {}, control->rect().center());
}

TEST(GridInplaceEditor, APressOnTheButtonDraggedIntoTheListChoosesThere)
{
    LookupGrid g;
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 0);
    ASSERT_NE(editor, nullptr);
    TEditButtonControlEh *button = editor->ButtonControl(0);
    ASSERT_NE(button, nullptr);
    const auto send = [&](QEvent::Type type, const QPoint &global, Qt::MouseButtons held) {
        const QPointF local = button->mapFromGlobal(global);
        QMouseEvent event(type, local, QPointF(global), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          held, Qt::NoModifier);
        QApplication::sendEvent(button, &event);
    };
    const QPoint onButton = button->mapToGlobal(button->rect().center());
    send(QEvent::MouseButtonPress, onButton, Qt::LeftButton);
    ASSERT_TRUE(editor->DroppedDown());
    TPopupDataGridEh *list = editor->DataList();
    const QRect rows = list->GetDataRect();
    const QPoint onApricot = list->viewport()->mapToGlobal(
        QPoint(rows.center().x(), rows.top() + rows.height() * 3 / 6)); // the middle of three rows
    send(QEvent::MouseMove, onButton + QPoint(0, 1), Qt::LeftButton);
    EXPECT_TRUE(editor->DroppedDown()) << "moving on the button changes nothing";
    send(QEvent::MouseMove, onApricot, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, onApricot, Qt::NoButton);
    EXPECT_FALSE(editor->DroppedDown());
    EXPECT_EQ(editor->text(), QStringLiteral("Apricot"));
    g.card.Post();
    EXPECT_EQ(g.ref().toInt(), 2);
}

TEST(GridInplaceEditor, TheColumnImageSitsBesideTheTextAndFollowsTheChosenLine)
{
    InteractionGrid g;
    TColumnEh *name = g.grid->Columns()[1];
    name->PickList() = QStringList{QStringLiteral("Petrov"), QStringLiteral("Ivanov")};
    TImageList images(12, 12);
    QPixmap strip(24, 12);
    strip.fill(Qt::red);
    images.Add(strip);
    name->SetImageList(&images);

    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->textMargins().left(), 0) << "without ShowImageAndText the image is not the editor's";
    g.grid->HideEditor();
    name->ShowImageAndText = true;
    editor = openEditor(g.grid.get(), 1);
    EXPECT_EQ(editor->textMargins().left(), 12 + 5);
    EXPECT_EQ(editor->ImageIndex(), 0);

    QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->DroppedDown());
    EXPECT_EQ(editor->PickList()->currentRow(), 0) << "the line of the text is the current one";
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(editor->text(), QStringLiteral("Ivanov"));
    editor->PickList()->setCurrentRow(1);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(editor->text(), QStringLiteral("Ivanov"));
    EXPECT_EQ(editor->ImageIndex(), 1);
    const QImage shot = editor->grab().toImage();
    EXPECT_EQ(shot.pixelColor(2 + 6, shot.height() / 2), QColor(Qt::red)) << "the image is drawn left of the text";
}

TEST(GridInplaceEditor, AWrappingCellIsEditedOnSeveralLinesAndLeavesThemOnlyAtItsEdges)
{
    InteractionGrid g({QStringLiteral("Petrov"), QStringLiteral("Ivanov"), QStringLiteral("Sidorov")},
                      dgAlwaysShowEditor);
    TColumnEh *name = g.grid->Columns()[1];
    name->SetWordWrap(true);
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->WordWrap()) << "a row of one line keeps the one-line editor";

    g.grid->HideEditor();
    g.grid->SetRowLines(3);
    editor = openEditor(g.grid.get(), 1);
    ASSERT_TRUE(editor->WordWrap());
    QPlainTextEdit *box = editor->MultiLineEditor();
    ASSERT_TRUE(box && box->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->hasFocus(); }));
    EXPECT_EQ(box->toPlainText(), QStringLiteral("Petrov"));

    // Ctrl+Enter breaks the line; the text reaches the record with its break.
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(box, 'x');
    EXPECT_EQ(editor->text(), QStringLiteral("Petrov\nx"));

    // Up inside the text moves the caret; on the first line it moves the grid.
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->textCursor().blockNumber(), 0);
    EXPECT_EQ(g.id(), 1) << "the caret was not yet on the first line";
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(g.id(), 2) << "Down on the last line leaves the cell";
    g.ds.First();
    EXPECT_EQ(g.name(), QStringLiteral("Petrov\nx")) << "leaving the row posts the lines";

    // A grid that shows its editor only on demand keeps Up and Down inside the text.
    g.grid->SetOptions(g.grid->Options() & ~dgAlwaysShowEditor);
    editor = openEditor(g.grid.get(), 1);
    ASSERT_TRUE(editor->WordWrap());
    QTest::keyClick(editor->MultiLineEditor(), Qt::Key_Down);
    QTest::keyClick(editor->MultiLineEditor(), Qt::Key_Down);
    EXPECT_EQ(g.id(), 1);
}

TEST(GridInplaceEditor, AWrappingPickCellCompletesStepsAndClosesItsListLikeAOneLineCell)
{
    InteractionGrid g({QStringLiteral("Petrov"), QStringLiteral("Ivanov"), QStringLiteral("Sidorov")},
                      dgAlwaysShowEditor);
    TColumnEh *name = g.grid->Columns()[1];
    name->SetWordWrap(true);
    name->PickList() = QStringList{QStringLiteral("Ivanov"), QStringLiteral("Petrov"), QStringLiteral("Sidorov")};
    g.grid->SetRowLines(3);
    TDBGridInplaceEdit *editor = openEditor(g.grid.get(), 1);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->WordWrap()) << "a pick list wraps like any other cell";
    QPlainTextEdit *box = editor->MultiLineEditor();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box->hasFocus(); }));

    // Typing over the whole text completes to the first line and shows the guessed tail selected.
    box->selectAll();
    QTest::keyClick(box, 's');
    EXPECT_EQ(editor->text(), QStringLiteral("Sidorov"));
    EXPECT_EQ(box->toPlainText(), QStringLiteral("Sidorov"));
    EXPECT_EQ(box->textCursor().selectedText(), QStringLiteral("idorov"));
    QTest::keyClick(box, 'i');
    EXPECT_EQ(box->textCursor().selectedText(), QStringLiteral("dorov")) << "the next letter keeps completing";

    // A double-click steps to the next line of the list when the column asks for it; Shift steps back.
    name->SetDblClickNextVal(true);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(box->toPlainText(), QStringLiteral("Ivanov")) << "the last line steps round to the first";
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 5));
    EXPECT_EQ(box->toPlainText(), QStringLiteral("Sidorov"));

    // An open list swallows the wheel and is closed, not accepted, when the focus goes elsewhere.
    QTest::keyClick(box, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(editor->DroppedDown());
    editor->PickList()->setCurrentRow(1);
    QWheelEvent wheel(QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box->viewport(), &wheel);
    EXPECT_TRUE(wheel.isAccepted());
    EXPECT_TRUE(editor->DroppedDown());
    QLineEdit elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    elsewhere.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !editor->DroppedDown(); }));
    EXPECT_EQ(editor->text(), QStringLiteral("Sidorov")) << "losing the focus chose nothing";
}
