#include "GridInteraction.h"

#include "DatabaseError.h"
#include "Guard.h"
#include "MemTable.h"

#include <gtest/gtest.h>

using tarvik::test::InteractionGrid;

namespace {

// The FLAG column shows the pick-list item of its key ("1" One, "2" Two).
struct KeyListGrid : InteractionGrid
{
    KeyListGrid()
    {
        flag = grid->Columns().Add();
        flag->SetFieldName(QStringLiteral("FLAG"));
        flag->PickList() = QStringList{QStringLiteral("One"), QStringLiteral("Two")};
        flag->KeyList() = QStringList{QStringLiteral("1"), QStringLiteral("2")};
        flag->ValueListsChanged();
        ds.Edit();
        field("FLAG")->SetAsString(QStringLiteral("2"));
        ds.Post();
        grid->SetSelectedIndex(3);
    }
    QLineEdit *editor() { return grid->InplaceEditor(); }
    // Opens the editor and types text over the cell's whole text.
    void typeOver(const QString &text)
    {
        press(Qt::Key_F2);
        ASSERT_TRUE(editor() && editor()->isVisible());
        editor()->selectAll();
        QTest::keyClicks(editor(), text);
    }
    TColumnEh *flag = nullptr;
};

} // namespace

TEST(GridEditing, AKeyListColumnEditsThePickListTextAndWritesTheKey)
{
    KeyListGrid g;
    g.press(Qt::Key_F2);
    ASSERT_TRUE(g.editor()->isVisible());
    EXPECT_EQ(g.editor()->text(), QStringLiteral("Two"));
    EXPECT_EQ(g.ds.State(), dsBrowse) << "showing the editor changes nothing yet";
    EXPECT_EQ(g.editor()->maxLength(), 32767) << "no length limit with a key list";
    g.editor()->selectAll();
    QTest::keyClicks(g.editor(), QStringLiteral("one"));
    EXPECT_EQ(g.ds.State(), dsEdit);
    EXPECT_EQ(g.editor()->text(), QStringLiteral("One")) << "typing completes to the list's line";
    EXPECT_TRUE(g.grid->DataLink()->Modified());
    g.press(Qt::Key_Down);
    g.gotoId(1);
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("1")) << "the key of the item typed, in any case";

    // A text that is not in the list asks the column once; its handler may add the text.
    int asked = 0;
    g.flag->OnNotInList = [&](QObject *, const QString &text, bool &recheck) {
        ++asked;
        g.flag->PickList() << text;
        g.flag->KeyList() << QStringLiteral("3");
        recheck = true;
    };
    g.typeOver(QStringLiteral("Three"));
    g.press(Qt::Key_Down);
    g.gotoId(1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("3"));

    g.flag->OnNotInList = [&](QObject *, const QString &, bool &) { ++asked; };
    g.typeOver(QStringLiteral("Nine"));
    g.press(Qt::Key_Down);
    g.gotoId(1);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(g.field("FLAG")->IsNull()) << "an unknown text has no key";
}

TEST(GridEditing, APickListColumnWritesTheTextAndReportsOneNotInTheList)
{
    InteractionGrid g;
    TColumnEh *name = g.grid->Columns()[1];
    name->PickList() = QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")};
    QStringList reported;
    name->OnNotInList = [&](QObject *, const QString &text, bool &) { reported << text; };
    g.grid->SetSelectedIndex(1);
    // A typed line is completed to the list's own spelling; a text the list lacks is written as typed.
    const std::pair<QString, QString> cases[] = {{QStringLiteral("beta"), QStringLiteral("Beta")},
                                                 {QStringLiteral("Gamma"), QStringLiteral("Gamma")}};
    for (const auto &[typed, written] : cases) {
        g.press(Qt::Key_F2);
        g.grid->InplaceEditor()->selectAll();
        QTest::keyClicks(g.grid->InplaceEditor(), typed);
        g.press(Qt::Key_Down);
        g.press(Qt::Key_Up);
        EXPECT_EQ(g.name(), written);
    }
    EXPECT_EQ(reported, QStringList{QStringLiteral("Gamma")});
}

TEST(GridEditing, MaskAndLengthLimitComeFromTheColumnOrTheField)
{
    InteractionGrid g;
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_F2);
    EXPECT_EQ(g.grid->InplaceEditor()->maxLength(), 20) << "the size of a string field";
    g.press(Qt::Key_Escape);
    g.grid->Columns()[0]->EditMask = QStringLiteral("000");
    g.grid->SetSelectedIndex(0);
    g.press(Qt::Key_F2);
    EXPECT_TRUE(g.grid->InplaceEditor()->inputMask().startsWith(QStringLiteral("000")));
    EXPECT_EQ(g.grid->InplaceEditor()->maxLength(), 3);
}

TEST(GridEditing, TheEditorStaysAwayFromCheckBoxesSearchesAndReadOnlyCells)
{
    KeyListGrid g;
    g.flag->SetCheckboxes(true);
    g.press(Qt::Key_F2);
    EXPECT_FALSE(g.editor() && g.editor()->isVisible()) << "a check-box cell has no editor";

    // A number column refuses letters; a read-only grid refuses typing altogether.
    g.grid->SetSelectedIndex(0);
    g.press(Qt::Key_F2);
    ASSERT_TRUE(g.editor()->isVisible());
    g.editor()->selectAll();
    QTest::keyClicks(g.editor(), QStringLiteral("x"));
    EXPECT_EQ(g.ds.State(), dsBrowse);
    g.press(Qt::Key_Escape);
    g.grid->SetReadOnly(true);
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_F2);
    QTest::keyClicks(g.editor(), QStringLiteral("y"));
    EXPECT_EQ(g.ds.State(), dsBrowse);
    EXPECT_EQ(g.name(), QStringLiteral("Petrov"));
}

TEST(GridEditing, EditsAllowedByTheOperations)
{
    struct Case
    {
        TDBGridEhAllowedOperations allowed;
        bool empty;
        bool inserting;
        bool expected;
    };
    const Case cases[] = {
        {alopUpdateEh, false, false, true},
        {alopInsertEh | alopAppendEh | alopDeleteEh, false, false, false},
        {alopInsertEh, false, true, true},
        {alopUpdateEh, true, false, false},
        {alopUpdateEh | alopAppendEh, true, false, true},
    };
    for (const Case &c : cases) {
        InteractionGrid g(c.empty ? QStringList() : QStringList{QStringLiteral("a")});
        g.grid->AllowedOperations = c.allowed;
        if (c.inserting)
            g.ds.Insert();
        EXPECT_EQ(g.grid->EditAllowedByOperations(), c.expected) << c.allowed << " " << c.empty;
    }
    InteractionGrid closed;
    closed.ds.Close();
    EXPECT_FALSE(closed.grid->EditAllowedByOperations());
}

TEST(GridEditing, LeavingTheGridDropsAnUntouchedNewRecordAndWritesATypedValue)
{
    QLineEdit other;
    other.show();
    {
        InteractionGrid g;
        g.press(Qt::Key_End, Qt::ControlModifier);
        g.press(Qt::Key_Down);
        ASSERT_EQ(g.ds.State(), dsInsert);
        QApplication::setActiveWindow(&other);
        other.setFocus();
        QApplication::processEvents();
        EXPECT_EQ(g.ds.State(), dsBrowse) << "dgCancelOnExit drops the untouched record";
        EXPECT_EQ(g.ds.RecordCount(), 5);
    }
    InteractionGrid g;
    g.grid->SetSelectedIndex(1);
    g.press(Qt::Key_F2);
    g.grid->InplaceEditor()->selectAll();
    QTest::keyClicks(g.grid->InplaceEditor(), QStringLiteral("Orlov"));
    QApplication::setActiveWindow(&other);
    other.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(g.name(), QStringLiteral("Orlov")) << "the typed text reached the field";
}

TEST(GridEditing, ALookupColumnWritesTheKeyOfTheTextTyped)
{
    TMemTable cities;
    cities.AddField<TIntegerField>(QStringLiteral("CODE"));
    cities.AddField<TStringField>(QStringLiteral("TITLE"))->SetSize(20);
    cities.Open();
    for (const auto &[code, title] : {std::pair{1, "Minsk"}, std::pair{2, "Grodno"}}) {
        cities.Append();
        cities.FieldByName(QStringLiteral("CODE"))->SetValue(code);
        cities.FieldByName(QStringLiteral("TITLE"))->SetValue(QString::fromLatin1(title));
        cities.Post();
    }
    TMemTable people;
    auto *cityId = people.AddField<TIntegerField>(QStringLiteral("CITY_ID"));
    auto *city = people.AddField<TStringField>(QStringLiteral("CITY"), fkLookup);
    city->SetSize(20);
    city->SetLookupDataSet(&cities);
    city->SetKeyFields(QStringLiteral("CITY_ID"));
    city->SetLookupKeyFields(QStringLiteral("CODE"));
    city->SetLookupResultField(QStringLiteral("TITLE"));
    people.Open();
    people.Append();
    cityId->SetValue(1);
    people.Post();
    TDataSource source;
    source.SetDataSet(&people);
    TDBGridEh grid;
    grid.Columns().Add()->SetFieldName(QStringLiteral("CITY"));
    grid.SetDataSource(&source);
    grid.resize(300, 200);
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    QApplication::processEvents();
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_TRUE(grid.InplaceEditor() && grid.InplaceEditor()->isVisible());
    EXPECT_EQ(grid.InplaceEditor()->text(), QStringLiteral("Minsk"));
    grid.InplaceEditor()->selectAll();
    QTest::keyClicks(grid.InplaceEditor(), QStringLiteral("grodno"));
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Return);
    people.CheckBrowseMode();
    EXPECT_EQ(cityId->AsInteger(), 2);
    EXPECT_EQ(city->AsString(), QStringLiteral("Grodno"));
}

TEST(GridEditing, AValueThatCannotBeWrittenKeepsTheFocusInTheGrid)
{
    QStringList reported;
    const ExceptionHandler previous = setExceptionHandler([&](const QString &message) { reported << message; });
    {
        InteractionGrid g;
        // Another control of the same window.
        QLineEdit other(g.grid.get());
        other.show();
        g.field("NAME")->OnValidate = [](TField *, const QVariant &value) {
            if (value.toString() == QStringLiteral("bad"))
                throw EDatabaseError(QStringLiteral("Not a name"));
        };
        g.grid->SetSelectedIndex(1);
        g.press(Qt::Key_F2);
        g.grid->InplaceEditor()->selectAll();
        QTest::keyClicks(g.grid->InplaceEditor(), QStringLiteral("bad"));
        other.setFocus();
        QApplication::processEvents();
        EXPECT_EQ(reported, QStringList{QStringLiteral("Not a name")});
        EXPECT_TRUE(g.grid->IsGridFocused()) << "the grid took the focus back";
        EXPECT_EQ(g.name(), QStringLiteral("Petrov"));
    }
    setExceptionHandler(previous);
}

TEST(GridEditing, AnAlwaysShownEditorGivesWayToASelectionAndComesBackAfterIt)
{
    InteractionGrid g({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")},
                      dgMultiSelect | dgAlwaysShowEditor);
    QApplication::processEvents();
    ASSERT_TRUE(g.grid->InplaceEditor() && g.grid->InplaceEditor()->isVisible());
    QTest::keyClick(g.grid->InplaceEditor(), Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstRectangle));
    EXPECT_FALSE(g.grid->InplaceEditor()->isVisible());
    g.press(Qt::Key_Down);
    EXPECT_EQ(g.grid->Selection().SelectionType(), unsigned(gstNon));
    EXPECT_TRUE(g.grid->InplaceEditor()->isVisible());
    EXPECT_EQ(g.id(), 3);
}
