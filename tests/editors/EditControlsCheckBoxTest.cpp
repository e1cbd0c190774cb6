// The three-state check box: mapping, the grey cycle, keys, Esc and the caption's side.
#include "DBCtrlsEh.h"
#include "DatabaseError.h"
#include "EditControlsSupport.h"

#include <QLayout>

#include <gtest/gtest.h>

using tarvik::test::EditorTable;
using tarvik::test::EditorWindow;

namespace {

struct CheckFixture
{
    EditorTable data;
    EditorWindow w;
    TDBCheckBoxEh *box = new TDBCheckBoxEh(&w.window);

    CheckFixture() { w.window.layout()->addWidget(box); }

    void bind(const char *field, const QVariant &value)
    {
        data.table.Edit();
        data.field(field)->SetValue(value);
        data.table.Post();
        box->SetDataSource(&data.source);
        box->SetDataField(QString::fromLatin1(field));
    }
    void click() { QTest::mouseClick(box, Qt::LeftButton, {}, box->BoxRect().center()); }
};

} // namespace

TEST(EditControlsCheckBox, ValuesMapToStates)
{
    struct Case
    {
        const char *field;
        QVariant value;
        TCheckBoxState state;
    };
    const Case cases[] = {
        { "NOTE", QStringLiteral("yes"), cbChecked }, { "NOTE", QStringLiteral("n"), cbUnchecked },
        { "NOTE", QStringLiteral("maybe"), cbGrayed }, { "NOTE", QVariant(), cbGrayed },
        { "FLAG", true, cbChecked },                  { "FLAG", false, cbUnchecked },
        { "FLAG", QVariant(), cbGrayed },
    };
    for (const Case &c : cases) {
        CheckFixture f;
        f.box->SetValueChecked(QStringLiteral("Yes;Y;1"));
        f.box->SetValueUnchecked(QStringLiteral("No;N;0"));
        f.bind(c.field, c.value);
        EXPECT_EQ(f.box->State(), c.state) << c.field << " " << c.value.toString().toStdString();
    }
    TDBCheckBoxEh unbound;
    EXPECT_EQ(unbound.State(), cbUnchecked);
    for (auto [value, state] : { std::pair { QVariant(true), cbChecked }, std::pair { QVariant(), cbGrayed } }) {
        unbound.DataLink()->SetValue(value);
        EXPECT_EQ(unbound.State(), state);
    }
}

TEST(EditControlsCheckBox, CheckingWritesTheFirstEntry)
{
    CheckFixture f;
    f.box->SetValueChecked(QStringLiteral("Yes;Y;1"));
    f.bind("NOTE", QStringLiteral("no"));
    f.box->SetChecked(true);
    EXPECT_EQ(f.data.field("NOTE")->AsString(), QStringLiteral("Yes"));

    TDBCheckBoxEh unbound;
    unbound.SetState(cbChecked);
    EXPECT_EQ(unbound.DataLink()->UnboundValue, QVariant(true));
    unbound.SetState(cbGrayed);
    EXPECT_FALSE(unbound.DataLink()->UnboundValue.isValid());
    unbound.SetState(cbUnchecked);
    EXPECT_EQ(unbound.DataLink()->UnboundValue, QVariant(false));
}

TEST(EditControlsCheckBox, ClicksCycleThroughTheStates)
{
    CheckFixture f;
    f.bind("FLAG", QVariant());
    ASSERT_TRUE(EditorWindow::focus(f.box));
    f.click();
    EXPECT_EQ(f.box->State(), cbChecked) << "grey goes to checked";

    CheckFixture g;
    g.box->SetAllowGrayed(true);
    g.bind("FLAG", false);
    ASSERT_TRUE(EditorWindow::focus(g.box));
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        g.click();
        seen.push_back(g.box->State());
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState> { cbGrayed, cbChecked, cbUnchecked }));
    ASSERT_TRUE(g.w.leave());
    EXPECT_FALSE(g.data.field("FLAG")->AsBoolean());
}

TEST(EditControlsCheckBox, SpaceTogglesWhenReleased)
{
    CheckFixture f;
    f.bind("FLAG", false);
    ASSERT_TRUE(EditorWindow::focus(f.box));
    QTest::keyPress(f.box, Qt::Key_Space);
    EXPECT_EQ(f.box->State(), cbUnchecked);
    QTest::keyRelease(f.box, Qt::Key_Space);
    EXPECT_EQ(f.box->State(), cbChecked);
}

TEST(EditControlsCheckBox, EscRestoresTheFieldsStateAndIsWantedOnlyUntilThen)
{
    CheckFixture f;
    f.bind("FLAG", true);
    ASSERT_TRUE(EditorWindow::focus(f.box));
    f.click();
    ASSERT_EQ(f.box->State(), cbUnchecked);
    QKeyEvent wanted(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(f.box, &wanted);
    EXPECT_TRUE(wanted.isAccepted());
    QTest::keyClick(f.box, Qt::Key_Escape);
    EXPECT_EQ(f.box->State(), cbChecked);
    QKeyEvent passed(QEvent::ShortcutOverride, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(f.box, &passed);
    EXPECT_FALSE(passed.isAccepted());
}

TEST(EditControlsCheckBox, TheCaptionSitsByAlignmentAndReadingOrder)
{
    TDBCheckBoxEh box;
    box.resize(120, 17);
    box.SetCaption(QStringLiteral("Активен"));
    EXPECT_LT(box.BoxRect().right(), box.CaptionRect().left()) << "by default the caption is right of the box";
    box.SetAlignment(Qt::AlignLeft);
    EXPECT_GT(box.BoxRect().left(), box.CaptionRect().right());
    box.setLayoutDirection(Qt::RightToLeft);
    EXPECT_LT(box.BoxRect().right(), box.CaptionRect().left()) << "right-to-left swaps the sides";
}

TEST(EditControlsCheckBox, TheCaptionsAcceleratorFocusesAndToggles)
{
    CheckFixture f;
    f.box->SetCaption(QStringLiteral("&Active"));
    f.bind("FLAG", false);
    ASSERT_TRUE(EditorWindow::focus(f.w.other));
    QTest::keyClick(&f.w.window, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.box->hasFocus(); }));
    EXPECT_EQ(f.box->State(), cbChecked);
}

TEST(EditControlsCheckBox, WritingWithNothingBoundIsAClearError)
{
    TDBCheckBoxEh orphan;
    orphan.SetDataField(QStringLiteral("FLAG"));
    EXPECT_THROW(orphan.SetChecked(true), EDatabaseError) << "a field name without a data source";
    EXPECT_EQ(orphan.State(), cbUnchecked);

    CheckFixture f;
    f.box->SetDataSource(&f.data.source);
    EXPECT_THROW(f.box->SetDataField(QStringLiteral("MISSING")), EDatabaseError) << "a field the dataset lacks";
}

TEST(EditControlsCheckBox, AFailingWriteBackOnExitKeepsTheFocusAndTheState)
{
    FakeMessageService messages;
    CheckFixture f;
    f.bind("FLAG", false);
    f.data.field("FLAG")->OnValidate = [](TField *, const QVariant &v) {
        if (v.toBool())
            throw Exception(QStringLiteral("Флаг нельзя ставить"));
    };
    ASSERT_TRUE(EditorWindow::focus(f.box));
    f.click();
    ASSERT_EQ(f.box->State(), cbChecked);
    f.w.other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.requests.isEmpty() && f.box->hasFocus(); }));
    EXPECT_EQ(messages.lastText(), QStringLiteral("Флаг нельзя ставить"));
    EXPECT_EQ(f.box->State(), cbChecked);
}

TEST(EditControlsCheckBox, EachStateHasItsOwnFace)
{
    TDBCheckBoxEh box;
    box.resize(120, 20);
    box.SetCaption(QStringLiteral("Активен"));
    QList<QImage> faces;
    for (TCheckBoxState state : { cbUnchecked, cbChecked, cbGrayed }) {
        box.SetState(state);
        faces << box.grab().toImage();
    }
    EXPECT_NE(faces[0], faces[1]);
    EXPECT_NE(faces[1], faces[2]);
    EXPECT_NE(faces[0], faces[2]);
}
