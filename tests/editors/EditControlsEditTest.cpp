// The data-aware edit base: value and text, writing back, keys and focus.
#include "DBCtrlsEh.h"
#include "DatabaseError.h"
#include "EditControlsSupport.h"

#include <QLayout>
#include <QMouseEvent>
#include <QShortcut>

#include <gtest/gtest.h>

using tarvik::test::EditorTable;
using tarvik::test::EditorWindow;

namespace {

struct BoundEdit
{
    EditorTable data;
    EditorWindow w;
    TDBEditEh *edit = new TDBEditEh(&w.window);

    explicit BoundEdit(const char *field = "NAME")
    {
        w.window.layout()->addWidget(edit);
        edit->SetDataSource(&data.source);
        edit->SetDataField(QString::fromLatin1(field));
    }
};

} // namespace

TEST(EditControlsEdit, AnIndependentEditorKeepsItsOwnValueAsText)
{
    TDBEditEh edit;
    edit.SetValue(5);
    EXPECT_EQ(edit.EditText(), QStringLiteral("5"));
    EXPECT_EQ(edit.Value(), QVariant(QStringLiteral("5"))) << "the value reads back the text";
    EXPECT_EQ(edit.DataLink()->UnboundValue, QVariant(QStringLiteral("5")));
    edit.SetText(QStringLiteral("abc"));
    EXPECT_EQ(edit.DataLink()->UnboundValue, QVariant(QStringLiteral("abc")));
}

TEST(EditControlsEdit, SettingTheTextInsideTheWriteBackDoesNotWriteAgain)
{
    TDBEditEh edit;
    int calls = 0;
    edit.OnUpdateData = [&](QObject *, bool &handled) {
        ++calls;
        edit.SetText(QStringLiteral("inner"));
        handled = true;
    };
    edit.SetText(QStringLiteral("outer"));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(edit.EditText(), QStringLiteral("inner"));
    EXPECT_FALSE(edit.DataLink()->UnboundValue.isValid()) << "the handler took over the write";
}

TEST(EditControlsEdit, ABoundEditorIsReadOnlyUntilAKeyStartsEditing)
{
    BoundEdit f;
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("Иванов"));
    EXPECT_TRUE(f.edit->isReadOnly());
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->end(false);
    QTest::keyClick(f.edit, Qt::Key_A);
    EXPECT_EQ(f.data.table.State(), dsEdit);
    EXPECT_FALSE(f.edit->isReadOnly());
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("Ивановa"));
    ASSERT_TRUE(f.w.leave());
    EXPECT_EQ(f.data.field("NAME")->AsString(), QStringLiteral("Ивановa"));

    TDBEditEh handled;
    handled.SetDataSource(&f.data.source);
    handled.SetDataField(QStringLiteral("NAME"));
    handled.OnUpdateData = [](QObject *, bool &) {};
    handled.SetReadOnly(true);
    handled.SetReadOnly(false);
    EXPECT_FALSE(handled.isReadOnly()) << "a write-back handler makes it writable at once";
}

TEST(EditControlsEdit, EditingKeysTable)
{
    struct Case
    {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        bool starts;
    };
    const Case cases[] = {
        { Qt::Key_Backspace, Qt::NoModifier, true }, { Qt::Key_Delete, Qt::NoModifier, true },
        { Qt::Key_Insert, Qt::ShiftModifier, true }, { Qt::Key_V, Qt::ControlModifier, true },
        { Qt::Key_X, Qt::ControlModifier, true },    { Qt::Key_Left, Qt::NoModifier, false },
        { Qt::Key_A, Qt::ControlModifier, false },
    };
    for (const Case &c : cases) {
        BoundEdit f;
        ASSERT_TRUE(EditorWindow::focus(f.edit));
        QTest::keyClick(f.edit, c.key, c.mods);
        EXPECT_EQ(f.data.table.State() == dsEdit, c.starts) << int(c.key);
    }
}

TEST(EditControlsEdit, EscReloadsTheFieldAndSelectsIt)
{
    BoundEdit f;
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->end(false);
    QTest::keyClicks(f.edit, QStringLiteral("xyz"));
    EXPECT_TRUE(f.edit->Modified());
    QKeyEvent overrideEvent(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(f.edit, &overrideEvent);
    EXPECT_TRUE(overrideEvent.isAccepted()) << "Esc is the editor's while the text is changed";
    QTest::keyClick(f.edit, Qt::Key_Escape);
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("Иванов"));
    EXPECT_EQ(f.edit->selectedText(), QStringLiteral("Иванов"));
    QKeyEvent again(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(f.edit, &again);
    EXPECT_FALSE(again.isAccepted()) << "unchanged, Esc goes on to the window";
}

TEST(EditControlsEdit, ALetterInAnIntegerFieldIsDropped)
{
    BoundEdit f("ID");
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->end(false);
    QTest::keyClicks(f.edit, QStringLiteral("1x2"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("712"));
}

TEST(EditControlsEdit, MaxLengthFollowsTheStringField)
{
    BoundEdit f;
    EXPECT_EQ(f.edit->MaxLength(), 20);
    f.edit->SetDataField(QStringLiteral("NOTE"));
    EXPECT_EQ(f.edit->MaxLength(), 30) << "a length taken from one field does not stick to the next";
    f.edit->SetDataField(QStringLiteral("ID"));
    EXPECT_EQ(f.edit->MaxLength(), 0);
    f.edit->SetMaxLength(25);
    f.edit->SetDataField(QStringLiteral("KIND"));
    EXPECT_EQ(f.edit->MaxLength(), 25) << "an explicit length stays";
}

TEST(EditControlsEdit, CtrlASelectsAllAndAltADoesNot)
{
    BoundEdit f;
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->deselect();
    QTest::keyClick(f.edit, Qt::Key_A, Qt::AltModifier);
    EXPECT_FALSE(f.edit->hasSelectedText());
    QTest::keyClick(f.edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(f.edit->selectedText(), f.edit->EditText());
}

TEST(EditControlsEdit, AFailingWriteBackKeepsTheFocusAndTheText)
{
    // The field refuses the text, or the text does not fill the field's mask.
    struct Case
    {
        const char *field;
        const char *mask;
        const char *keys;
        const char *kept;
    };
    const Case cases[] = {
        { "NAME", "", "!", "Иванов!" },
        { "KIND", "00-00;1;_", "123", "12-3_" },
    };
    for (const Case &c : cases) {
        FakeMessageService messages;
        BoundEdit f(c.field);
        f.data.field("NAME")->OnValidate = [](TField *, const QVariant &v) {
            if (v.toString().contains(QLatin1Char('!')))
                throw Exception(QStringLiteral("Недопустимый знак"));
        };
        f.data.field("KIND")->SetEditMask(QString::fromLatin1(c.mask));
        f.edit->DataLink()->Reset();
        ASSERT_TRUE(EditorWindow::focus(f.edit));
        f.edit->end(false);
        if (f.edit->IsMasked())
            f.edit->setCursorPosition(0);
        QTest::keyClicks(f.edit, QString::fromLatin1(c.keys));
        f.w.other->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.requests.isEmpty() && f.edit->hasFocus(); })) << c.field;
        EXPECT_EQ(messages.requests.constLast().type, mtError);
        EXPECT_EQ(f.edit->EditText(), QString::fromUtf8(c.kept));
    }
}

TEST(EditControlsEdit, WritingWithoutADataSourceIsAClearErrorAndTheTextStays)
{
    TDBEditEh edit;
    edit.SetDataField(QStringLiteral("NAME"));
    edit.SetEditText(QStringLiteral("typed"));
    EXPECT_THROW(edit.SetText(QStringLiteral("x")), EDatabaseError);
    EXPECT_EQ(edit.EditText(), QStringLiteral("typed"));
}

TEST(EditControlsEdit, TheMaskComesFromTheFieldUnlessAssigned)
{
    BoundEdit f("KIND");
    f.data.field("KIND")->SetEditMask(QStringLiteral("00-00;1;_"));
    f.edit->DataLink()->Reset();
    EXPECT_EQ(f.edit->EditMask(), QStringLiteral("00-00;1;_"));
    f.edit->SetEditMask(QStringLiteral("000;0;_"));
    f.edit->DataLink()->Reset();
    EXPECT_EQ(f.edit->EditMask(), QStringLiteral("000;0;_"));
}

TEST(EditControlsEdit, EnterAndEscAreClaimedFromTheWindowOnlyWhileWanted)
{
    // The window's own Enter and Esc (its default and cancel buttons) stand for shortcuts here.
    struct Case
    {
        const char *state;
        Qt::Key key;
        bool windowGetsIt;
    };
    const Case cases[] = {
        { "unchanged", Qt::Key_Return, true },  { "unchanged", Qt::Key_Escape, true },
        { "typed", Qt::Key_Return, true },      { "typed", Qt::Key_Escape, false },
        { "list open", Qt::Key_Return, false }, { "list open", Qt::Key_Escape, false },
        { "recent texts", Qt::Key_Return, false }, { "recent texts", Qt::Key_Escape, false },
    };
    for (const Case &c : cases) {
        EditorWindow w;
        auto *combo = new TDBComboBoxEh(&w.window);
        w.window.layout()->addWidget(combo);
        combo->SetItems({ QStringLiteral("Москва"), QStringLiteral("Минск") });
        int fired = 0;
        QShortcut shortcut(QKeySequence(c.key), &w.window);
        QObject::connect(&shortcut, &QShortcut::activated, [&] { ++fired; });
        ASSERT_TRUE(EditorWindow::focus(combo));
        const std::string state = c.state;
        if (state == "typed") {
            QTest::keyClicks(combo, QStringLiteral("x"));
        } else if (state == "list open") {
            combo->DropDown();
        } else if (state == "recent texts") {
            combo->SetItems({});
            combo->MRUList()->SetItems({ QStringLiteral("Киев") });
            combo->MRUList()->SetActive(true);
            tarvik::test::typeText(combo, QStringLiteral("К"));
            ASSERT_TRUE(combo->MRUList()->ListShown);
            QTest::keyClick(combo, Qt::Key_Down);
        }
        QTest::keyClick(combo, c.key);
        EXPECT_EQ(fired == 1, c.windowGetsIt) << c.state << " " << int(c.key);
        EXPECT_FALSE(combo->ListDropped()) << "the key closed the list";
        EXPECT_FALSE(combo->MRUList()->ListShown);
    }
}

TEST(EditControlsEdit, ALetterInANumericFieldBeeps)
{
    FakeMessageService messages;
    BoundEdit f("AMOUNT");
    ASSERT_TRUE(EditorWindow::focus(f.edit));
    f.edit->selectAll();
    QTest::keyClicks(f.edit, QStringLiteral("1q5"));
    EXPECT_EQ(f.edit->EditText(), QStringLiteral("15"));
    EXPECT_EQ(messages.beeps, 1);
}

namespace {

// A control that hosts an editor in place, as a grid does: it sees every key first.
class FakeHolder : public QWidget, public IInplaceEditHolderEh
{
public:
    bool allowsEdit = true;
    int takesKey = 0;
    QChar takesChar;
    QList<int> keysSeen;
    int ownPressBefore = -1;
    QPoint lastPressPos;
    qint64 lastPressTime = 0;

    bool HolderAllowsEdit(QWidget *) override { return allowsEdit; }
    void GetLastMouseDown(QPoint &pos, qint64 &time) override
    {
        pos = lastPressPos;
        time = lastPressTime;
    }
    bool PreviewEditorMessage(QWidget *, QEvent *event) override
    {
        // Plays the holder's own press that came this long before a press on the editor.
        if (ownPressBefore >= 0 && event->type() == QEvent::MouseButtonPress) {
            auto *press = static_cast<QMouseEvent *>(event);
            lastPressPos = press->globalPosition().toPoint();
            lastPressTime = qint64(press->timestamp()) - ownPressBefore;
        }
        return false;
    }
    void PreviewEditorKeyDown(QWidget *, int &key, Qt::KeyboardModifiers) override
    {
        keysSeen << key;
        if (key == takesKey)
            key = 0;
    }
    void PreviewEditorKeyPress(QWidget *, QChar &key) override
    {
        if (key == takesChar)
            key = QChar();
    }
    void PreviewEditorKeyUp(QWidget *, int &, Qt::KeyboardModifiers) override {}
};

} // namespace

TEST(EditControlsEdit, AHostingHolderSeesEveryKeyFirst)
{
    // The editors' own keys (stepping, the separator jump) come after the holder's look at them.
    for (int kind = 0; kind < 3; ++kind) {
        EditorWindow w;
        auto *holder = new FakeHolder;
        w.window.layout()->addWidget(holder);
        holder->setMinimumSize(200, 30);
        TCustomDBEditEh *edit = nullptr;
        if (kind == 0)
            edit = new TDBNumberEditEh(holder);
        else if (kind == 1)
            edit = new TDBDateTimeEditEh(holder);
        else
            edit = new TDBComboBoxEh(holder);
        if (auto *combo = qobject_cast<TDBComboBoxEh *>(edit))
            combo->SetItems({ QStringLiteral("a"), QStringLiteral("b") });
        edit->SetInplaceEditHolder(holder);
        holder->takesKey = Qt::Key_Up;
        holder->takesChar = QLatin1Char('5');
        ASSERT_TRUE(EditorWindow::focus(edit));
        const QString before = edit->EditText();
        QTest::keyClick(edit, Qt::Key_Up);
        EXPECT_EQ(edit->EditText(), before) << kind;
        EXPECT_TRUE(holder->keysSeen.contains(Qt::Key_Up));
        QTest::keyClick(edit, Qt::Key_Down);
        EXPECT_NE(edit->EditText(), before) << kind << ": the holder lets Down through";
        if (kind == 0) {
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("152"));
            EXPECT_EQ(edit->EditText(), QStringLiteral("12"));
        }
    }
}

TEST(EditControlsEdit, AHolderThatRefusesEditingKeepsTheEditorReadOnly)
{
    EditorWindow w;
    auto *holder = new FakeHolder;
    holder->allowsEdit = false;
    w.window.layout()->addWidget(holder);
    auto *edit = new TDBEditEh(holder);
    edit->SetInplaceEditHolder(holder);
    ASSERT_TRUE(EditorWindow::focus(edit));
    QTest::keyClicks(edit, QStringLiteral("ab"));
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->EditText(), QString());

    QWidget plain;
    try {
        edit->SetInplaceEditHolder(&plain);
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("InplaceEditHolder have to support IInplaceEditHolderEh interface"));
    }
}

TEST(EditControlsEdit, APressRightAfterTheHoldersOwnIsADoubleClick)
{
    const std::pair<int, bool> cases[] = { { 50, true }, { QApplication::doubleClickInterval() + 50, false } };
    for (const auto &[before, doubleClick] : cases) {
        EditorWindow w;
        auto *holder = new FakeHolder;
        w.window.layout()->addWidget(holder);
        holder->setMinimumSize(200, 30);
        auto *edit = new TDBEditEh(holder);
        edit->resize(200, edit->height());
        edit->SetInplaceEditHolder(holder);
        edit->SetText(QStringLiteral("один два"));
        ASSERT_TRUE(EditorWindow::focus(edit));
        holder->ownPressBefore = before;
        edit->setCursorPosition(6);
        const QPoint inSecondWord = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        edit->deselect();
        QTest::mouseClick(edit, Qt::LeftButton, {}, inSecondWord);
        EXPECT_EQ(edit->selectedText(), doubleClick ? QStringLiteral("два") : QString()) << before;
    }
}
