// The object inspector: its rows' conversions, editing, value list, editor button and window behaviour.
#include "FR_Insp.h"

#include "FR_Locale.h"
#include "FR_PopupLB.h"

#include "Exceptions.h"
#include "Guard.h"
#include "Screenshot.h"
#include "ServiceFakes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QStringList StyleNames { "psSolid", "psDash", "psDot" };

Variant codes(std::initializer_list<int> values)
{
    QList<Variant> list;
    for (int v : values)
        list << Variant(v);
    return Variant(list);
}

TEST(EditorsInspectorRows, ShowValuesAsTextByTheRowType)
{
    const struct
    {
        int flags;
        Variant codes;
        QStringList names;
        Variant value;
        QString text;
    } cases[] = {
        { frdtColor, Variant::Null(), {}, Variant(0x0000FF), "clRed" },
        { frdtColor, Variant::Null(), {}, Variant(0x123456), "$123456" },
        { frdtColor, Variant::Null(), {}, Variant(0x0000AB), "$0000AB" },
        { frdtColor, Variant::Null(), {}, Variant(int(clBtnFace)), "clBtnFace" },
        { frdtColor, Variant::Null(), {}, Variant(int(clTransparent)), "clTransparent" },
        { frdtBoolean, Variant::Null(), {}, Variant(true), "True" },
        { frdtBoolean, Variant::Null(), {}, Variant(-1), "True" },
        { frdtBoolean, Variant::Null(), {}, Variant(0), "False" },
        { frdtBoolean, Variant::Null(), {}, Variant("false"), "False" },
        { frdtBoolean, Variant::Null(), {}, Variant("maybe"), "maybe" },
        { frdtFloat, Variant::Null(), {}, Variant(3.14159), "3.14" },
        { frdtFloat | frdtSize, Variant::Null(), {}, Variant(2), "2.00" },
        { frdtEnum, codes({ 0, 1, 2 }), StyleNames, Variant(1), "psDash" },
        { frdtEnum, codes({ 0, 1, 2 }), StyleNames, Variant(7), "7" },
        { frdtEnum, codes({ 0, 1, 1 }), StyleNames, Variant(1), "psDot" },
        { frdtEnum, Variant::Null(), StyleNames, Variant("psDot"), "psDot" },
        { frdtString, Variant::Null(), {}, Variant("[Sum]"), "[Sum]" },
        { frdtInteger, Variant::Null(), {}, Variant(12), "12" },
        { frdtInteger | frdtColor, Variant::Null(), {}, Variant(), "" },
    };
    for (const auto &c : cases) {
        TProp prop(c.flags, {}, c.codes, c.names);
        prop.SetValue(c.value);
        EXPECT_EQ(prop.Text, c.text) << c.flags << " " << c.value.toString().toStdString();
    }
}

TEST(EditorsInspectorRows, ReadTextsBackAsValuesAndRaiseOnTextsThatAreNone)
{
    const struct
    {
        int flags;
        Variant codes;
        QStringList names;
        QString text;
        Variant value;
    } cases[] = {
        { frdtColor, Variant::Null(), {}, "clred", Variant(0x0000FF) },
        { frdtColor, Variant::Null(), {}, "$123456", Variant(0x123456) },
        { frdtColor, Variant::Null(), {}, "255", Variant(255) },
        { frdtColor, Variant::Null(), {}, "clInfoBk", Variant(int(clInfoBk)) },
        { frdtBoolean, Variant::Null(), {}, "TRUE", Variant(true) },
        { frdtBoolean, Variant::Null(), {}, "yes", Variant(true) },
        { frdtBoolean, Variant::Null(), {}, "false", Variant(false) },
        { frdtBoolean, Variant::Null(), {}, "0", Variant(false) },
        { frdtBoolean, Variant::Null(), {}, "", Variant(false) },
        { frdtFloat, Variant::Null(), {}, "1,5", Variant(1.5) },
        { frdtFloat, Variant::Null(), {}, "1.5", Variant(1.5) },
        { frdtInteger, Variant::Null(), {}, " 42", Variant(42) },
        { frdtEnum, codes({ 0, 1, 2 }), StyleNames, "psdash", Variant(1) },
        { frdtEnum, codes({ 0, 1, 2 }), StyleNames, "7", Variant(7) },
        { frdtEnum, codes({ 0, 1, 1 }), StyleNames, "psDash", Variant(1) },
        { frdtEnum, Variant::Null(), StyleNames, "anything", Variant("anything") },
        { frdtString | frdtInteger, Variant::Null(), {}, "abc", Variant("abc") },
        { frdtHasEditor, Variant::Null(), {}, "(Memo)", Variant::Null() },
    };
    for (const auto &c : cases) {
        TProp prop(c.flags, {}, c.codes, c.names);
        prop.Text = c.text;
        const Variant value = prop.GetValue();
        EXPECT_EQ(value.type(), c.value.type()) << c.text.toStdString();
        EXPECT_TRUE(SameVariantValues(value, c.value))
            << c.text.toStdString() << " gave " << value.toString().toStdString();
    }

    const struct
    {
        int flags;
        Variant codes;
        QString text;
    } bad[] = {
        { frdtInteger, Variant::Null(), "12a" },
        { frdtFloat, Variant::Null(), "x" },
        { frdtColor, Variant::Null(), "clPink" },
        { frdtColor, Variant::Null(), "$" },
        { frdtEnum, codes({ 0, 1, 2 }), "psWavy" },
    };
    for (const auto &b : bad) {
        TProp prop(b.flags, {}, b.codes, StyleNames);
        prop.Text = b.text;
        EXPECT_THROW(prop.GetValue(), Exception) << b.text.toStdString();
    }
}

class EditorsInspector : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        form.move(100, 100);
        form.resize(240, 300);
        form.OnModify = [this](int index) { modified << index; };
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    // The rows of a text object, as the designer lists them.
    void fillRows()
    {
        form.ClearProperties();
        form.AddProperty("FillColor", Variant(int(clTransparent)), {}, Variant::Null(), {}, frdtColor);
        form.AddProperty("FrameStyle", Variant(1), {}, codes({ 0, 1, 2 }), StyleNames, frdtEnum);
        form.AddProperty("Left", Variant(40), {}, Variant::Null(), {}, frdtInteger);
        form.AddProperty(
            "Memo", Variant("(Memo)"), [this](TfrView *v) { edited << v; }, Variant::Null(), {}, frdtHasEditor);
        form.AddProperty("Name", Variant("Memo1"), {}, Variant::Null(), {}, frdtString);
        form.AddProperty("Visible", Variant(true), {}, Variant::Null(), {}, frdtBoolean);
        form.ItemsChanged();
    }

    int row(const char *name) const
    {
        for (int i = 0; i < form.RowCount(); ++i)
            if (form.RowName(i) == QLatin1String(name))
                return i;
        return -1;
    }

    void key(int k) { QTest::keyClick(form.Edit1, Qt::Key(k)); }
    QPoint rowPoint(int index, int x) const { return QPoint(x, index * form.RowHeight() + form.RowHeight() / 2); }

    FakeClock clock;
    FakeDialogService dialogs;
    FakeMessageService messages;
    TfrInspForm form;
    QList<int> modified;
    QList<TfrView *> edited;
};

TEST_F(EditorsInspector, TypingIsCommittedOnLeavingTheRowOrOnEnterAndEscapeTakesItBack)
{
    fillRows();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Инспектор"));
    form.SelectRow(row("Left"));
    ASSERT_TRUE(form.Edit1->isVisible());
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("40"));
    EXPECT_EQ(form.Edit1->geometry().left(), form.SplitPos + 2);

    QTest::keyClicks(form.Edit1, "55");
    key(Qt::Key_Escape);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("40"));
    key(Qt::Key_Down);
    EXPECT_TRUE(modified.isEmpty()) << "nothing typed, nothing committed";
    EXPECT_EQ(form.ItemIndex(), row("Memo"));

    key(Qt::Key_Up);
    form.Edit1->selectAll();
    QTest::keyClicks(form.Edit1, "64");
    key(Qt::Key_Down);
    EXPECT_EQ(modified, QList<int> { row("Left") }) << "leaving the row commits it";
    EXPECT_EQ(form.RowText(row("Left")), QStringLiteral("64"));
    EXPECT_EQ(form.ItemIndex(), row("Memo"));

    key(Qt::Key_Down);
    form.Edit1->selectAll();
    QTest::keyClicks(form.Edit1, "Title");
    key(Qt::Key_Return);
    EXPECT_EQ(modified.size(), 2);
    EXPECT_EQ(form.RowValue(row("Name")).toString(), QStringLiteral("Title"));
    EXPECT_FALSE(form.Edit1->isModified());

    // Leaving the window keeps a typed value; a value picked from a list or an editor is committed there.
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&form);
    form.SelectRow(row("Left"));
    form.Edit1->selectAll();
    QTest::keyClicks(form.Edit1, "70");
    QApplication::setActiveWindow(&elsewhere);
    EXPECT_EQ(modified.size(), 3);
    EXPECT_EQ(form.RowText(row("Left")), QStringLiteral("70"));
    QApplication::setActiveWindow(&form);
    form.SelectRow(row("Visible"));
    form.Edit1->selectAll();
    QTest::keyClicks(form.Edit1, "False");
    QApplication::setActiveWindow(&elsewhere);
    EXPECT_EQ(modified.size(), 3);
    QApplication::setActiveWindow(&form);
    key(Qt::Key_Escape);

    for (int i = 0; i < 10; ++i)
        key(Qt::Key_Down);
    EXPECT_EQ(form.ItemIndex(), form.RowCount() - 1) << "not past the last row";
    for (int i = 0; i < 10; ++i)
        key(Qt::Key_Up);
    EXPECT_EQ(form.ItemIndex(), 0);
}

TEST_F(EditorsInspector, ARowThatRaisesInItsCommitIsSelectedAgainAndTheFormStaysUsable)
{
    fillRows();
    form.SelectRow(row("Left"));
    form.OnModify = [this](int index) {
        (void)form.RowValue(index); // the designer reads the value, and "4x" is no number
    };
    EXPECT_THROW(form.CommitText("4x"), Exception);
    EXPECT_EQ(form.ItemIndex(), row("Left"));
    form.SelectRow(row("Name"));
    EXPECT_EQ(form.ItemIndex(), row("Name")) << "the commit is over: rows can be selected again";

    // The designer refills with fewer rows during the commit: the first row is selected then.
    form.OnModify = [this](int) {
        form.ClearProperties();
        form.AddProperty("Left", Variant(1), {}, Variant::Null(), {}, frdtInteger);
        form.ItemsChanged();
        throw Exception("refused");
    };
    EXPECT_THROW(form.CommitText("Other"), Exception);
    EXPECT_EQ(form.ItemIndex(), 0);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("1"));

    // From a key the failure goes to the program's handler, not through the event loop.
    QStringList handled;
    const ExceptionHandler saved = setExceptionHandler([&handled](const QString &m) { handled << m; });
    form.Edit1->selectAll();
    QTest::keyClicks(form.Edit1, "9");
    key(Qt::Key_Return);
    setExceptionHandler(saved);
    EXPECT_EQ(handled, QStringList { "refused" });
    EXPECT_EQ(form.ItemIndex(), 0);
}

TEST_F(EditorsInspector, TheValueListOpensBelowTheRowAndCommitsTheChosenValue)
{
    fillRows();
    const int paintLeft = form.PaintBox1->mapToGlobal(QPoint(0, 0)).x();
    const int paintWidth = form.PaintBox1->width();
    QListWidget *list = form.PopupListBox->ListBox1;

    form.SelectRow(row("Visible"));
    ASSERT_TRUE(form.ComboPanel->isVisible());
    EXPECT_FALSE(form.EditPanel->isVisible());
    EXPECT_EQ(form.Edit1->geometry().right(), paintWidth - 16) << "the edit box leaves room for the button";
    QTest::mouseClick(form.ComboBtn, Qt::LeftButton);
    ASSERT_TRUE(form.PopupListBox->isVisible());
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("True"));
    // Narrower than the name column: the list spans the value column.
    EXPECT_EQ(form.PopupListBox->x() - paintLeft, form.SplitPos + 1);
    EXPECT_EQ(form.PopupListBox->geometry().right() - paintLeft, paintWidth - 1);
    EXPECT_EQ(form.PopupListBox->y(), form.Edit1->mapToGlobal(QPoint(0, form.Edit1->height())).y());
    EXPECT_EQ(form.PopupListBox->height(), 2 * (TfrPopupListBox::ItemHeight + 1) + 2);
    QTest::mouseClick(form.ComboBtn, Qt::LeftButton);
    EXPECT_FALSE(form.PopupListBox->isVisible()) << "a second click closes the list";

    form.SelectRow(row("FillColor"));
    QTest::mouseClick(form.ComboBtn, Qt::LeftButton);
    ASSERT_EQ(list->count(), 42);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("clTransparent"));
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (const TfrNamedColor &c : ColorTable)
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromLatin1(c.Name)));
    const int width = widest + 8 + 16;
    ASSERT_GE(width, form.SplitPos);
    EXPECT_EQ(form.PopupListBox->width(), width) << "eight rows and a scroll bar";
    EXPECT_EQ(form.PopupListBox->height(), 8 * (TfrPopupListBox::ItemHeight + 1) + 2);
    EXPECT_EQ(form.PopupListBox->x() - paintLeft, paintWidth - width + 2) << "kept to the rows' right edge";

    QListWidgetItem *blue = list->findItems("clBlue", Qt::MatchExactly).value(0);
    ASSERT_NE(blue, nullptr);
    list->scrollToItem(blue);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(blue).center());
    EXPECT_FALSE(form.PopupListBox->isVisible());
    EXPECT_EQ(modified, QList<int> { row("FillColor") });
    EXPECT_EQ(form.RowValue(row("FillColor")).toInt(), int(clBlue));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("clBlue"));

    form.SelectRow(row("FrameStyle"));
    QTest::mouseClick(form.ComboBtn, Qt::LeftButton);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("psDash"));
    form.SelectRow(row("Left"));
    EXPECT_FALSE(form.PopupListBox->isVisible()) << "another row closes the list";
    EXPECT_FALSE(form.ComboPanel->isVisible());
}

TEST_F(EditorsInspector, DoubleClickCyclesTheValueAndCommitsIt)
{
    fillRows();
    form.SelectRow(row("Visible"));
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(form.RowText(row("Visible")), QStringLiteral("False"));
    EXPECT_EQ(modified, QList<int> { row("Visible") });

    form.SelectRow(row("FrameStyle"));
    for (const char *expected : { "psDot", "psSolid", "psDash" }) {
        QTest::mouseDClick(form.Edit1, Qt::LeftButton);
        EXPECT_EQ(form.RowText(row("FrameStyle")), QLatin1String(expected));
    }

    form.AddProperty("Align", Variant("alNone"), {}, Variant::Null(), { "alNone", "alTop", "alBottom" }, frdtEnum);
    form.ItemsChanged();
    form.SelectRow(row("Align"));
    form.Edit1->setText("alBottom");
    form.CommitText("alBottom");
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(form.RowText(row("Align")), QStringLiteral("alNone")) << "the first name follows the last";

    dialogs.answerColor(QColor(0x12, 0x34, 0x56));
    dialogs.answerColor(std::nullopt);
    form.SelectRow(row("FillColor"));
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(form.RowText(row("FillColor")), QStringLiteral("$563412"));
    const int commits = int(modified.size());
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(form.RowText(row("FillColor")), QStringLiteral("$563412")) << "a cancelled colour dialog";
    EXPECT_EQ(modified.size(), commits);

    form.SelectRow(row("Left"));
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(modified.size(), commits) << "a number is not cycled";

    // A click on the row followed at once by a press in the edit box counts as a double-click, once.
    form.SelectRow(row("Visible"));
    const QString before = form.RowText(row("Visible"));
    clock.advance(5000);
    QTest::mouseClick(form.PaintBox1, Qt::LeftButton, {}, rowPoint(row("Visible"), 10));
    clock.advance(100);
    QTest::mouseClick(form.Edit1, Qt::LeftButton);
    EXPECT_NE(form.RowText(row("Visible")), before);
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_NE(form.RowText(row("Visible")), before) << "the double-click that press began is not counted again";
    clock.advance(5000);
    QTest::mouseClick(form.Edit1, Qt::LeftButton);
    EXPECT_NE(form.RowText(row("Visible")), before) << "a press long after the row click is a plain click";
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(form.RowText(row("Visible")), before);
}

TEST_F(EditorsInspector, TheEditorButtonRunsTheRowsEditorOnTheObject)
{
    fillRows();
    TfrMemoView memo;
    form.CurrentObject = &memo;
    form.SelectRow(row("Memo"));
    ASSERT_TRUE(form.EditPanel->isVisible());
    EXPECT_FALSE(form.ComboPanel->isVisible());
    EXPECT_TRUE(form.Edit1->isReadOnly()) << "an editor property without text is not typed into";
    EXPECT_EQ(form.EditPanel->geometry().right(), form.PaintBox1->width() - 1);
    QTest::mouseClick(form.EditBtn, Qt::LeftButton);
    key(Qt::Key_Return);
    QTest::mouseDClick(form.Edit1, Qt::LeftButton);
    EXPECT_EQ(edited, (QList<TfrView *> { &memo, &memo, &memo }));
    EXPECT_TRUE(modified.isEmpty());

    form.CurrentObject = nullptr;
    QTest::mouseClick(form.EditBtn, Qt::LeftButton);
    EXPECT_EQ(edited.last(), nullptr) << "several objects: the editor works on the designer's selection";

    form.SelectRow(row("Name"));
    EXPECT_FALSE(form.EditPanel->isVisible());
    EXPECT_FALSE(form.Edit1->isReadOnly());
}

TEST_F(EditorsInspector, APageScriptIsEditedThroughItsInspectorEditor)
{
    TfrPage page(9, 0, 0, DefaultBin, 0);
    page.Script = QStringList { "begin", "end" };
    page.RegisterProperties();
    const TfrPropRec *rec = page.FindPropRec("OnBeforePrint");
    ASSERT_NE(rec, nullptr);
    TfrMemoView selected;
    frEngine().MemoEditorHook = [&selected](TfrView *view) {
        ASSERT_NE(view, &selected);
        view->Script = QStringList { "PROGRESS := 'Ready';" };
    };
    form.ClearProperties();
    form.AddProperty(
        rec->PropName, Variant("(OnBeforePrint)"), rec->PEditor, rec->EnumValues, rec->Enum, rec->PropType);
    form.CurrentObject = &page;
    form.ObjectName = "Page1";
    form.ItemsChanged();
    QTest::mouseClick(form.EditBtn, Qt::LeftButton);
    EXPECT_EQ(page.Script, QStringList { "PROGRESS := 'Ready';" });
}

TEST_F(EditorsInspector, ARefillKeepsTheSamePropertySelectedAndTheObjectComboFollows)
{
    QStringList asked;
    form.OnGetObjects = [&asked](QStringList &items) {
        asked << "list";
        items << "Memo2"
              << "Memo1"
              << "Page1";
    };
    QStringList chosen;
    form.OnSelectionChanged = [&chosen](const QString &name) { chosen << name; };
    TfrMemoView memo;
    form.CurrentObject = &memo;
    form.ObjectName = "Memo1";
    fillRows();
    form.SelectRow(row("Name"));
    EXPECT_EQ(form.CB1->currentText(), QStringLiteral("Memo1"));
    EXPECT_EQ(form.CB1->itemText(0), QStringLiteral("Memo1")) << "sorted";

    form.ObjectName = "Memo2";
    fillRows();
    EXPECT_EQ(form.RowName(form.ItemIndex()), QStringLiteral("Name"));
    EXPECT_EQ(form.CB1->currentText(), QStringLiteral("Memo2"));
    EXPECT_EQ(asked.size(), 2);
    fillRows();
    EXPECT_EQ(asked.size(), 2) << "the combo already shows the object";
    // As many objects as before, one of them renamed.
    form.OnGetObjects = [](QStringList &items) {
        items << "Memo3"
              << "Memo1"
              << "Page1";
    };
    form.ObjectName = "Memo3";
    fillRows();
    EXPECT_EQ(form.CB1->currentText(), QStringLiteral("Memo3"));
    EXPECT_EQ(form.CB1->findText("Memo2"), -1) << "the old name is gone from the list";

    form.ClearProperties();
    form.AddProperty("Type", Variant(0), {}, codes({ 0, 1 }), { "ptReport", "ptDialog" }, frdtEnum);
    form.ItemsChanged();
    EXPECT_EQ(form.ItemIndex(), 0) << "a name the rows lack selects the first row";

    form.CB1->activated(form.CB1->findText("Page1"));
    EXPECT_EQ(chosen, QStringList { "Page1" });
    EXPECT_TRUE(form.Edit1->hasFocus() || !form.isActiveWindow());

    form.Disabled = true;
    form.ItemsChanged();
    EXPECT_FALSE(form.Edit1->isVisible());
    EXPECT_FALSE(form.ComboPanel->isVisible());
    EXPECT_EQ(form.CB1->currentIndex(), -1);
    form.CommitText("ptDialog");
    EXPECT_TRUE(modified.isEmpty()) << "nothing is edited while disabled";
    form.Disabled = false;
    form.ItemsChanged();
    EXPECT_TRUE(form.Edit1->isVisible());
}

TEST_F(EditorsInspector, TheSplitterFollowsTheMouseAndTheSelectedRowScrollsIntoView)
{
    fillRows();
    form.SelectRow(0);
    const int y = form.RowHeight() * 3 + 2;
    QTest::mouseMove(form.PaintBox1, QPoint(form.SplitPos + 1, y));
    EXPECT_EQ(form.PaintBox1->cursor().shape(), Qt::SplitHCursor);
    QTest::mousePress(form.PaintBox1, Qt::LeftButton, {}, QPoint(form.SplitPos + 1, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(120, y), form.PaintBox1->mapToGlobal(QPointF(120, y)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.PaintBox1, &move);
    QTest::mouseRelease(form.PaintBox1, Qt::LeftButton, {}, QPoint(120, y));
    EXPECT_EQ(form.SplitPos, 120);
    EXPECT_EQ(form.Edit1->x(), 122);
    EXPECT_EQ(form.ItemIndex(), 0) << "dragging the splitter selects no row";

    QTest::mouseClick(form.PaintBox1, Qt::LeftButton, {}, rowPoint(row("Left"), 20));
    EXPECT_EQ(form.ItemIndex(), row("Left"));

    form.ClearProperties();
    for (int i = 0; i < 60; ++i)
        form.AddProperty(
            QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), Variant(i), {}, Variant::Null(), {}, frdtInteger);
    form.ItemsChanged();
    QScrollBar *bar = form.Box->verticalScrollBar();
    form.SelectRow(59);
    EXPECT_EQ(bar->value() + form.Box->viewport()->height(), 60 * form.RowHeight()) << "the last row at the bottom";
    form.SelectRow(3);
    EXPECT_EQ(bar->value(), 3 * form.RowHeight());
    EXPECT_EQ(bar->singleStep(), form.RowHeight());
}

TEST_F(EditorsInspector, ACaptionDoubleClickRollsTheWindowUpAndShowingItUnrollsIt)
{
    fillRows();
    int heightChanges = 0;
    form.OnHeightChanged = [&heightChanges](QObject *) { ++heightChanges; };
    const int created = 320;
    auto captionDoubleClick = [this] {
        QMouseEvent e(QEvent::NonClientAreaMouseButtonDblClick, QPointF(10, -5), QPointF(110, 95), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &e);
    };
    captionDoubleClick();
    EXPECT_EQ(form.height(), 0);
    EXPECT_FALSE(form.CB1->isVisible());
    captionDoubleClick();
    EXPECT_EQ(form.height(), created) << "the height the window had when it was made";
    EXPECT_TRUE(form.CB1->isVisible());
    EXPECT_EQ(heightChanges, 2);

    captionDoubleClick();
    form.ShowInspector();
    EXPECT_EQ(form.height(), created);
    EXPECT_TRUE(form.CB1->isVisible());
    EXPECT_EQ(heightChanges, 4);
    form.ShowInspector();
    EXPECT_EQ(heightChanges, 4) << "an unrolled window is only shown";
}

TEST_F(EditorsInspector, TranslatedNamesShowWhenSwitchedOn)
{
    TfrLocale &locale = CurrentLocale();
    locale.OnLocalize = [](int id, QString &text) {
        const char *entries[] = { "Left=Слева", "Memo=", "NoEquals", "Name=Имя=объекта" };
        if (id >= 58001 && id < 58001 + 4)
            text = QString::fromUtf8(entries[id - 58001]);
        if (id == 58006)
            text = "Visible=Видимый"; // after the first empty entry: never read
    };
    TfrInspForm translated;
    locale.OnLocalize = nullptr;
    translated.AddProperty("Left", Variant(1), {}, Variant::Null(), {}, frdtInteger);
    translated.AddProperty("Memo", Variant(""), {}, Variant::Null(), {}, frdtString);
    translated.AddProperty("Name", Variant(""), {}, Variant::Null(), {}, frdtString);
    translated.AddProperty("Visible", Variant(true), {}, Variant::Null(), {}, frdtBoolean);
    EXPECT_EQ(translated.RowCaption(0), QStringLiteral("Left")) << "untranslated while switched off";
    locale.LocalizedPropNames = true;
    const QStringList captions { translated.RowCaption(0), translated.RowCaption(1), translated.RowCaption(2),
        translated.RowCaption(3) };
    locale.LocalizedPropNames = false;
    EXPECT_EQ(captions, (QStringList { "Слева", "Memo", "Имя=объекта", "Visible" }));
}

TEST_F(EditorsInspector, Screenshot)
{
    TfrMemoView memo;
    form.CurrentObject = &memo;
    form.ObjectName = "Memo1";
    form.OnGetObjects = [](QStringList &items) {
        items << "Memo1"
              << "Page1";
    };
    fillRows();
    form.SelectRow(row("Left"));
    tarvik::test::SaveScreenshot(&form, "designer-inspector", QSize(240, 300));
}

} // namespace
