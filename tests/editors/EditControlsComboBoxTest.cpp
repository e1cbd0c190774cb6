// The combo box: key mode, completion, stepping, Delete, read-only and the list drop-down.
#include "DBCtrlsEh.h"
#include "EditControlsSupport.h"
#include "WidgetKit.h"

#include <QLayout>

#include <gtest/gtest.h>

using tarvik::test::EditorTable;
using tarvik::test::EditorWindow;

namespace {

struct ComboFixture
{
    EditorTable data;
    EditorWindow w;
    TDBComboBoxEh *combo = new TDBComboBoxEh(&w.window);

    ComboFixture() { w.window.layout()->addWidget(combo); }

    // Cash and Bank stored as 0 and 1 in KIND.
    void keyed(const char *kind)
    {
        data.table.Edit();
        data.field("KIND")->SetValue(QString::fromLatin1(kind));
        data.table.Post();
        combo->SetItems({ QStringLiteral("Cash"), QStringLiteral("Bank") });
        combo->SetKeyItems({ QStringLiteral("0"), QStringLiteral("1") });
        combo->SetDataSource(&data.source);
        combo->SetDataField(QStringLiteral("KIND"));
    }
};

} // namespace

TEST(EditControlsComboBox, KeyModeShowsTheItemAndWritesTheKey)
{
    ComboFixture f;
    f.keyed("1");
    EXPECT_TRUE(f.combo->KeyMode());
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Bank"));
    EXPECT_EQ(f.combo->ItemIndex(), 1);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_C);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Cash"));
    EXPECT_EQ(f.combo->selectedText(), QStringLiteral("ash"));
    EXPECT_EQ(f.combo->Value(), QVariant(QStringLiteral("0")));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.data.field("KIND")->AsString(), QStringLiteral("0"));
}

TEST(EditControlsComboBox, OnlyAsManyKeysAsItemsAreUsable)
{
    ComboFixture f;
    f.keyed("1");
    f.combo->SetKeyItems({ QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2") });
    EXPECT_EQ(f.combo->ItemsCount(), 2);
    f.data.table.Edit();
    f.data.field("KIND")->SetValue(QStringLiteral("2"));
    EXPECT_EQ(f.combo->EditText(), QString());
    EXPECT_EQ(f.combo->ItemIndex(), -1);
    EXPECT_EQ(f.combo->Value(), QVariant(QStringLiteral("2"))) << "the value is kept though it shows nothing";
    f.data.field("KIND")->SetValue(QStringLiteral("9"));
    EXPECT_EQ(f.combo->EditText(), QString());
    EXPECT_EQ(f.combo->Value(), QVariant(QStringLiteral("9")));
}

TEST(EditControlsComboBox, FreeTextIsCompletedFromTheItems)
{
    ComboFixture f;
    f.combo->SetItems({ QStringLiteral("Apple"), QStringLiteral("Apricot") });
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClicks(f.combo, QStringLiteral("apr"));
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Apricot"));
    EXPECT_EQ(f.combo->selectedText(), QStringLiteral("icot"));
    EXPECT_EQ(f.combo->ItemIndex(), 1);

    ComboFixture g;
    g.combo->SetItems({ QStringLiteral("1.5"), QStringLiteral("Apple") });
    ASSERT_TRUE(EditorWindow::focus(g.combo));
    QTest::keyClicks(g.combo, QStringLiteral("1"));
    EXPECT_EQ(g.combo->EditText(), QStringLiteral("1.5"));
    QTest::keyClicks(g.combo, QStringLiteral("."));
    EXPECT_EQ(g.combo->EditText(), QStringLiteral("1.")) << "a full stop is not completed";
    g.combo->clear();
    QTest::keyClicks(g.combo, QStringLiteral("x"));
    EXPECT_EQ(g.combo->EditText(), QStringLiteral("x")) << "text that is no item stays as typed";
    EXPECT_EQ(g.combo->ItemIndex(), -1);
}

TEST(EditControlsComboBox, SteppingStopsAtTheEnds)
{
    struct Case
    {
        int from;
        Qt::Key key;
        int to;
    };
    const Case cases[] = {
        { 0, Qt::Key_Up, 0 }, { -1, Qt::Key_Up, 2 }, { 2, Qt::Key_Down, 2 }, { -1, Qt::Key_Down, 0 },
        { 1, Qt::Key_Down, 2 },
    };
    for (const Case &c : cases) {
        ComboFixture f;
        f.combo->SetItems({ QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") });
        if (c.from >= 0)
            f.combo->SetItemIndex(c.from);
        ASSERT_TRUE(EditorWindow::focus(f.combo));
        QTest::keyClick(f.combo, c.key);
        EXPECT_EQ(f.combo->ItemIndex(), c.to) << c.from;
    }
}

TEST(EditControlsComboBox, DeleteEmptiesOnlyANonRequiredField)
{
    for (bool required : { true, false }) {
        ComboFixture f;
        f.keyed("1");
        f.data.field("KIND")->SetRequired(required);
        ASSERT_TRUE(EditorWindow::focus(f.combo));
        QTest::keyClick(f.combo, Qt::Key_Delete);
        EXPECT_EQ(f.combo->EditText().isEmpty(), !required);
        EXPECT_EQ(f.combo->Value().isValid(), required);
    }
}

TEST(EditControlsComboBox, AReadOnlyComboNeverEntersEditMode)
{
    ComboFixture f;
    f.keyed("1");
    f.combo->SetReadOnly(true);
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_Up);
    QTest::keyClick(f.combo, Qt::Key_C);
    QTest::keyClick(f.combo, Qt::Key_Delete);
    f.combo->EditButton()->SetStyle(ebsUpDownEh);
    TEditButtonControlEh *button = f.combo->ButtonControl(0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, 2));
    EXPECT_EQ(f.data.table.State(), dsBrowse);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Bank"));

    // The list opens, but choosing from it changes nothing.
    f.combo->EditButton()->SetStyle(ebsDropDownEh);
    QTest::keyClick(f.combo, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.combo->ListDropped());
    QTest::keyClick(f.combo, Qt::Key_Up);
    QTest::keyClick(f.combo, Qt::Key_Return);
    EXPECT_FALSE(f.combo->ListDropped());
    EXPECT_EQ(f.data.table.State(), dsBrowse);
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("Bank"));
}

TEST(EditControlsComboBox, TheButtonsShortcutClosesAnOpenList)
{
    ComboFixture f;
    f.combo->SetItems({ QStringLiteral("a"), QStringLiteral("b") });
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    QTest::keyClick(f.combo, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(f.combo->ListDropped());
    QTest::keyClick(f.combo, Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(f.combo->ListDropped()) << "Alt+Down is the button's, not a move in the list";
    EXPECT_EQ(f.combo->EditText(), QString());
}

TEST(EditControlsComboBox, TheListFitsTheWidestItemButNeverNarrowerThanTheEditor)
{
    ComboFixture f;
    const QString wide = QStringLiteral("Очень длинное название пункта списка");
    f.combo->SetItems({ QStringLiteral("a"), wide });
    f.combo->resize(80, f.combo->height());
    f.combo->DropDownBox().Width = -1;
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    f.combo->DropDown();
    ASSERT_TRUE(f.combo->ListDropped());
    EXPECT_GE(f.combo->ListBox()->width(), TextWidth(f.combo->font(), wide) + 5);
    f.combo->CloseUp(false);
    f.combo->SetItems({ QStringLiteral("a") });
    f.combo->resize(300, f.combo->height());
    f.combo->DropDown();
    EXPECT_EQ(f.combo->ListBox()->width(), 300);
    QTest::keyClick(f.combo, Qt::Key_Down);
    QTest::keyClick(f.combo, Qt::Key_Return);
    EXPECT_FALSE(f.combo->ListDropped());
    EXPECT_EQ(f.combo->EditText(), QStringLiteral("a"));
}

TEST(EditControlsComboBox, ATextThatIsNoItemIsReportedOnWriteBack)
{
    ComboFixture f;
    f.combo->SetItems({ QStringLiteral("Apple") });
    f.combo->SetDataSource(&f.data.source);
    f.combo->SetDataField(QStringLiteral("NAME"));
    QStringList reported;
    f.combo->OnNotInList = [&](QObject *, const QString &text, bool &) { reported << text; };
    ASSERT_TRUE(EditorWindow::focus(f.combo));
    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("Pear"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(reported, QStringList { QStringLiteral("Pear") });
    EXPECT_EQ(f.data.field("NAME")->AsString(), QStringLiteral("Pear"));

    ASSERT_TRUE(EditorWindow::focus(f.combo));
    f.combo->selectAll();
    QTest::keyClicks(f.combo, QStringLiteral("Apple"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(reported.size(), 1) << "an item is not reported";
}
