// The lookup combo box: plain edit mode, binding and lookup mode, the key between list, control and field, the
// drop-down's sizes and its closing, writing back.
#include "DBLookupEh.h"
#include "DatabaseError.h"
#include "EditControlsSupport.h"
#include "LookupControlsSupport.h"
#include "ServiceFakes.h"

#include <QLayout>
#include <QTest>

#include <gtest/gtest.h>

using tarvik::test::EditorWindow;
using tarvik::test::LookupCard;
using tarvik::test::LookupList;

namespace {

struct ComboFixture
{
    LookupList list;
    EditorWindow w;
    TDBLookupComboboxEh *combo = new TDBLookupComboboxEh(&w.window);

    explicit ComboFixture(const QStringList &names = {QStringLiteral("Apple"), QStringLiteral("Apricot"),
                                                      QStringLiteral("Banana")})
        : list(names)
    {
        w.window.layout()->addWidget(combo);
    }

    void listed()
    {
        combo->SetListSource(&list.source);
        combo->SetKeyField(QStringLiteral("ID"));
        combo->SetListField(QStringLiteral("NAME"));
    }

    bool open()
    {
        if (!EditorWindow::focus(combo))
            return false;
        combo->DropDown();
        return combo->ListVisible() && combo->DropDownGrid()->isVisible();
    }
};

} // namespace

TEST(LookupCombo, WithoutBindingOrListItIsAPlainEditThatKeepsTypedText)
{
    ComboFixture f;
    EXPECT_TRUE(f.combo->PlainEditMode());
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClicks(f.combo, QStringLiteral("hello"));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("hello"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("hello"));
    EXPECT_EQ(f.combo->DataLink()->UnboundValue, QVariant(QStringLiteral("hello"))) << "the typed text is kept";
    f.listed();
    EXPECT_FALSE(f.combo->PlainEditMode());
}

TEST(LookupCombo, BoundKeyShowsTheListTextAndASpecialRowForKeysNotInTheList)
{
    ComboFixture f;
    LookupCard card(&f.list.table, 2);
    f.listed();
    f.combo->SetDataSource(&card.source);
    f.combo->SetDataField(QStringLiteral("REF"));
    EXPECT_EQ(f.combo->KeyValue(), QVariant(2));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apricot"));

    card.table.Edit();
    card.ref->SetValue(99);
    EXPECT_EQ(f.combo->EditText(), QString()) << "no special row: a key not in the list shows nothing";
    f.combo->DropDownBox().SpecRow().SetCellsText(QStringLiteral("(none)"));
    f.combo->DropDownBox().SpecRow().SetVisible(true);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("(none)"));
    f.combo->DropDownBox().SpecRow().SetShowIfNotInKeyList(false);
    EXPECT_EQ(f.combo->EditText(), QString());
    card.ref->SetValue(3);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
}

TEST(LookupCombo, ALookupFieldDefinesListAndKeyItself)
{
    ComboFixture f;
    LookupCard card(&f.list.table, 3);
    f.combo->SetDataSource(&card.source);
    f.combo->SetDataField(QStringLiteral("L_NAME"));
    EXPECT_TRUE(f.combo->LookupMode());
    EXPECT_TRUE(f.combo->ListActive());
    EXPECT_EQ(f.combo->KeyField(), QString());
    EXPECT_EQ(f.combo->ListSource(), nullptr);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
    for (auto set : {std::function<void()>([&] { f.combo->SetKeyField(QStringLiteral("ID")); }),
                     std::function<void()>([&] { f.combo->SetListSource(&f.list.source); })}) {
        try {
            set();
            FAIL() << "lookup mode refuses the setting";
        } catch (const EDatabaseError &e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Property already defined by lookup field"));
        }
    }
    EXPECT_TRUE(f.combo->ListActive());

    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_Up);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apricot"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(card.ref->AsInteger(), 2) << "the choice goes to the lookup field's key field";
    EXPECT_EQ(card.lookupName->AsString(), QStringLiteral("Apricot"));
}

TEST(LookupCombo, BadListsAreRefusedByName)
{
    {
        ComboFixture f;
        f.listed();
        try {
            f.combo->SetListField(QStringLiteral("NAME;NOPE"));
            FAIL() << "an unknown list field is an error";
        } catch (const EDatabaseError &e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("NOPE"))) << e.what();
        }
        EXPECT_FALSE(f.combo->ListActive());
        f.combo->SetListField(QStringLiteral("NAME;CODE"));
        f.combo->SetListFieldIndex(7);
        ASSERT_TRUE(f.combo->ListActive());
        EXPECT_EQ(f.combo->DisplayListField()->FieldName(), QStringLiteral("NAME")) << "an index beyond: the first";
    }
    {
        // The list is the very dataset the key is kept in.
        ComboFixture f;
        f.combo->SetDataSource(&f.list.source);
        f.combo->SetDataField(QStringLiteral("ID"));
        f.combo->SetKeyField(QStringLiteral("ID"));
        f.combo->SetListField(QStringLiteral("NAME"));
        try {
            f.combo->SetListSource(&f.list.source);
            FAIL() << "a list linked back to the control's own source is refused";
        } catch (const EDatabaseError &e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QStringLiteral("Circular datalinks are not allowed"));
        }
        EXPECT_FALSE(f.combo->ListActive());
    }
}

TEST(LookupCombo, TheDropDownTakesTheListsRowsAndNeverIsNarrowerThanTheCombo)
{
    {
        ComboFixture f;
        f.listed();
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.combo->DropDownGrid()->RowCount(), 3) << "a list shorter than Rows drops down its rows";
        EXPECT_GE(f.combo->DropDownGrid()->width(), f.combo->width());
    }
    {
        ComboFixture f(QStringList{});
        f.listed();
        ASSERT_TRUE(f.open());
        EXPECT_EQ(f.combo->DropDownGrid()->RowCount(), 7) << "an empty list drops down the full count";
    }
    {
        ComboFixture f;
        f.listed();
        f.combo->setMinimumWidth(280);
        f.combo->DropDownBox().Width = -1;
        ASSERT_TRUE(f.open());
        EXPECT_GE(f.combo->DropDownGrid()->width(), f.combo->width()) << "width -1 never narrower than the combo";
        f.combo->CloseUp(false);
        f.combo->setMinimumWidth(0);
        f.combo->setFixedWidth(40);
        f.combo->DropDown();
        ASSERT_TRUE(f.combo->ListVisible());
        EXPECT_GE(f.combo->DropDownGrid()->width(), f.combo->DropDownGrid()->GetColumnsWidth())
            << "width -1 takes the columns' width";
    }
}

TEST(LookupCombo, AResizedListIsRememberedAndACancelledCloseUpChangesNothing)
{
    ComboFixture f;
    LookupCard card(&f.list.table, 1);
    f.listed();
    f.combo->SetDataSource(&card.source);
    f.combo->SetDataField(QStringLiteral("REF"));
    f.combo->DropDownBox().Sizable = true;
    ASSERT_TRUE(f.open());
    TPopupDataGridEh *grid = f.combo->DropDownGrid();
    EXPECT_FALSE(grid->Resized());
    grid->resize(grid->width() + 40, grid->height() - grid->DefaultRowHeight());
    const int rows = grid->RowCount();
    const int width = grid->width();
    EXPECT_EQ(rows, 2);
    grid->SetKeyValue(3);
    f.combo->CloseUp(false);
    EXPECT_FALSE(f.combo->ListVisible());
    EXPECT_EQ(f.combo->DropDownBox().Rows, rows);
    EXPECT_EQ(f.combo->DropDownBox().Width, width);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(1)) << "a cancelled close-up keeps the key";
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apple"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(card.ref->AsInteger(), 1) << "and the field";

    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.combo->DropDownGrid()->RowCount(), rows) << "the user's size comes back";
    f.combo->DropDownGrid()->SetKeyValue(3);
    f.combo->CloseUp(true);
    EXPECT_EQ(f.combo->KeyValue(), QVariant(3));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(card.ref->AsInteger(), 3);
}

TEST(LookupCombo, AMovedColumnOrderIsKeptForTheNextOpening)
{
    ComboFixture f;
    f.listed();
    f.combo->SetListField(QStringLiteral("NAME;CODE"));
    ASSERT_TRUE(f.open());
    TPopupDataGridEh *grid = f.combo->DropDownGrid();
    ASSERT_EQ(grid->Columns().Count(), 2);
    grid->MoveColumn(grid->IndicatorCols(), grid->IndicatorCols() + 1);
    f.combo->CloseUp(false);
    EXPECT_EQ(f.combo->ListField(), QStringLiteral("CODE;NAME"));
    EXPECT_EQ(f.combo->DisplayListField()->FieldName(), QStringLiteral("NAME"));
}

TEST(LookupCombo, UnboundFreeTextIsWrittenBackAsTextAndShownAgain)
{
    ComboFixture f;
    f.listed();
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClicks(f.combo, QStringLiteral("Cherry"));
    EXPECT_TRUE(f.combo->KeyValue().isNull());
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.combo->DataLink()->UnboundValue, QVariant(QStringLiteral("Cherry")));
    f.combo->DataLink()->Reset();
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Cherry"));

    ASSERT_TRUE(EditorWindow::focus(f.combo));
    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("banana"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.combo->DataLink()->UnboundValue, QVariant(3)) << "a text in the list writes its key";
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
}

TEST(LookupCombo, NotInListMayAddTheTextAndTheKeyIsTakenOnRecheck)
{
    ComboFixture f;
    f.listed();
    QStringList asked;
    f.combo->OnNotInList = [&](QObject *, const QString &text, bool &recheck) {
        asked.append(text);
        f.list.table.Append();
        f.list.table.FieldByName(QStringLiteral("ID"))->SetValue(4);
        f.list.table.FieldByName(QStringLiteral("NAME"))->SetValue(text);
        f.list.table.Post();
        recheck = true;
    };
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClicks(f.combo, QStringLiteral("Cherry"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(asked, QStringList{QStringLiteral("Cherry")});
    EXPECT_EQ(f.combo->KeyValue(), QVariant(4));
    EXPECT_EQ(f.combo->DataLink()->UnboundValue, QVariant(4));
}

TEST(LookupCombo, AWriteBackTheFieldRefusesIsReportedAndKeepsTheFocus)
{
    FakeMessageService messages;
    ComboFixture f;
    LookupCard card(&f.list.table, 1);
    card.ref->OnValidate = [](TField *, const QVariant &v) {
        if (v.toInt() == 3)
            throw Exception(QStringLiteral("Банан не выдаётся"));
    };
    f.listed();
    f.combo->SetStyle(csDropDownListEh);
    f.combo->SetDataSource(&card.source);
    f.combo->SetDataField(QStringLiteral("REF"));
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_B);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana"));
    f.w.other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.requests.isEmpty() && f.combo->hasFocus(); }));
    EXPECT_EQ(messages.requests.constLast().type, mtError);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Banana")) << "the choice stays for the user to mend";
    EXPECT_EQ(card.ref->AsInteger(), 1);
}
