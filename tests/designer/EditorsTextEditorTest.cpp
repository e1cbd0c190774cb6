// The editor of an object's text and script: compile before OK, the object change, panes, insertion and the
// registry.
#include "FR_Edit.h"

#include "FR_Class.h"
#include "FR_ClassControls.h"
#include "FR_Ctrls.h"
#include "FR_Globals.h"
#include "FR_Intrp.h"
#include "FR_SynMemo.h"

#include "FakeReportDesigner.h"
#include "ModalAnswer.h"
#include "Registry.h"
#include "Screenshot.h"
#include "WidgetKit.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using tarvik::test::FakeReportDesigner;
using tarvik::test::ModalAnswer;

const QString Section = QStringLiteral("Form\\TfrReportDesigner");

// An interpreter whose compiler answers a fixed error line, or fails outright.
class ScriptedCompiler : public TfrInterpretator
{
public:
    explicit ScriptedCompiler(QString error, bool fails = false)
        : m_error(std::move(error))
        , m_fails(fails)
    {
    }
    void CompileScript(const QStringList &, QStringList &compiled, QStringList &errors) override
    {
        compiled.clear();
        if (m_fails)
            throw Exception(m_error);
        errors = QStringList { m_error };
    }

private:
    QString m_error;
    bool m_fails;
};

class EditorsTextEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        TRegistry::useTemporaryStorage();
        frEngine().CurrentDesigner = &designer;
    }
    void TearDown() override { frResetEngine(); }

    template <class T> T *child(const char *name) const
    {
        T *found = form.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPlainTextEdit *m1() const { return child<QPlainTextEdit>("M1"); }
    TSyntaxMemo *script() const { return child<TSyntaxMemo>("ScriptMemo"); }
    void click(const char *button) const
    {
        QTest::mouseClick(child<TfrSpeedButton>(button), Qt::LeftButton, {}, QPoint(12, 12));
    }

    // Shows the editor on the view and runs whileShown once it is up; a dialog still open after it is cancelled.
    int edit(TfrView &view, const std::function<void()> &whileShown)
    {
        ModalAnswer answer([this] { return QApplication::activeModalWidget() == &form && form.isActiveWindow(); },
            [this, whileShown] {
                whileShown();
                if (form.isVisible())
                    form.reject();
            });
        const int result = form.ShowEditor(&view);
        EXPECT_TRUE(answer.ran());
        return result;
    }

    static void write(const QString &name, const QString &value)
    {
        TRegIniFile(EngineRegistryKey()).WriteString(Section, name, value);
    }

    FakeReportDesigner designer { true };
    TfrEditorForm form;
};

TEST_F(EditorsTextEditor, ACompileErrorKeepsTheDialogOpenWithTheCursorOnIt)
{
    TfrMemoView view;
    view.Memo = QStringList { QStringLiteral("Итого") };
    view.Script = QStringList { QStringLiteral("begin"), QStringLiteral("  { за месяц }"),
        QStringLiteral("  if Sum > 0 y := 'итого'"), QStringLiteral("end") };
    const QStringList stored = view.Script;
    bool refusedOpen = false;
    const int result = edit(view, [&] {
        script()->SetCursor(1, 4);
        click("OkBtn");
        refusedOpen = form.isVisible();
        EXPECT_EQ(script()->ErrorText(), QStringLiteral("Line 3/14: Need \"then\" here"));
        EXPECT_EQ(script()->Model().Cursor(), (TSynPos { 14, 3 }));
        EXPECT_TRUE(script()->hasFocus());
        tarvik::test::SaveScreenshot(&form, QStringLiteral("designer-editor"), QSize(520, 380));
        EXPECT_TRUE(designer.Calls.isEmpty()) << "nothing changes before the script compiles";

        QTest::keyClicks(script(), QStringLiteral("then "));
        EXPECT_TRUE(script()->ErrorText().isEmpty()) << "typing moves the cursor, which clears the bar";
        QTest::keyClick(script(), Qt::Key_Return, Qt::ControlModifier);
    });
    EXPECT_TRUE(refusedOpen);
    EXPECT_EQ(result, mrOk);
    EXPECT_NE(view.Script, stored);
    EXPECT_EQ(view.Script.at(2), QStringLiteral("  if Sum > 0 then y := 'итого'"));
    EXPECT_EQ(designer.Calls, QStringList { QStringLiteral("BeginObjectChange") });
}

TEST_F(EditorsTextEditor, AnErrorWithoutAReadablePlacePointsAtTheFirstLine)
{
    struct
    {
        const char *name;
        std::unique_ptr<TfrInterpretator> compiler;
        QStringList script;
        QString shown;
    } cases[] = {
        { "too long for the compiler", nullptr,
            { QStringLiteral("begin"), QStringLiteral("  a := '%1';").arg(QString(33000, u'x')),
                QStringLiteral("end") },
            QStringLiteral("Script is too long") },
        { "a place that is no number", std::make_unique<ScriptedCompiler>(QStringLiteral("Line x/y: odd")),
            { QStringLiteral("begin"), QString(), QStringLiteral("end") }, QStringLiteral("Line x/y: odd") },
        { "a compiler that fails", std::make_unique<ScriptedCompiler>(QStringLiteral("broken"), true),
            { QStringLiteral("begin"), QString(), QStringLiteral("end") }, QStringLiteral("broken") },
    };
    for (auto &c : cases) {
        if (c.compiler)
            frEngine().SetInterpreter(std::move(c.compiler));
        TfrMemoView view;
        view.Script = c.script;
        bool open = false;
        TSynPos cursor;
        QString shown;
        const int result = edit(view, [&] {
            script()->SetCursor(3, 3);
            click("OkBtn");
            open = form.isVisible();
            cursor = script()->Model().Cursor();
            shown = script()->ErrorText();
        });
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(open) << "refused";
        EXPECT_EQ(cursor, (TSynPos { 1, 1 }));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(result, mrCancel);
        EXPECT_EQ(view.Script, c.script);
        EXPECT_TRUE(designer.Calls.isEmpty());
    }
}

TEST_F(EditorsTextEditor, OkBeginsOneObjectChangeAndCancelNone)
{
    const struct
    {
        const char *name;
        std::function<void()> close;
        int result;
    } cases[] = {
        { "OK button", [this] { click("OkBtn"); }, mrOk },
        { "Ctrl+Enter in the text", [this] { QTest::keyClick(m1(), Qt::Key_Return, Qt::ControlModifier); }, mrOk },
        { "Cancel button", [this] { click("CancelBtn"); }, mrCancel },
        { "Esc in the text", [this] { QTest::keyClick(m1(), Qt::Key_Escape); }, mrCancel },
        { "Esc in the script", [this] { QTest::keyClick(script(), Qt::Key_Escape); }, mrCancel },
    };
    for (const auto &c : cases) {
        designer.Calls.clear();
        TfrMemoView view;
        view.Memo = QStringList { QStringLiteral("a") };
        const QString longLine = QString(300, u'w');
        const int result = edit(view, [&] {
            if (!child<TfrSpeedButton>("WordWrapBtn")->Down())
                click("WordWrapBtn");
            EXPECT_EQ(m1()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
            m1()->moveCursor(QTextCursor::End);
            QTest::keyClicks(m1(), longLine);
            c.close();
        });
        SCOPED_TRACE(c.name);
        EXPECT_EQ(result, c.result);
        if (c.result == mrOk) {
            EXPECT_EQ(designer.Calls, QStringList { QStringLiteral("BeginObjectChange") });
            EXPECT_EQ(view.Memo, QStringList { QStringLiteral("a") + longLine }) << "wrapped on screen, stored whole";
        } else {
            EXPECT_TRUE(designer.Calls.isEmpty());
            EXPECT_EQ(view.Memo, QStringList { QStringLiteral("a") });
        }
    }
}

TEST_F(EditorsTextEditor, AScriptOfOnlyBeginAndEndIsStoredEmpty)
{
    const struct
    {
        QStringList script;
        QStringList typed;
        QStringList stored;
    } cases[] = {
        { {}, {}, {} },
        { { "BEGIN", "", "   End " }, {}, {} },
        { { "begin", "end" }, { "begin", "  x := 1", "end" }, { "begin", "  x := 1", "end" } },
    };
    for (const auto &c : cases) {
        TfrMemoView view;
        view.Script = c.script;
        QStringList opened;
        edit(view, [&] {
            opened = script()->Lines();
            if (!c.typed.isEmpty())
                script()->SetLines(c.typed);
            click("OkBtn");
        });
        if (c.script.isEmpty())
            EXPECT_EQ(opened, (QStringList { "begin", "", "end" })) << "an empty script opens as a block";
        EXPECT_EQ(view.Script, c.stored) << c.script.join(u'|').toStdString();
    }
}

TEST_F(EditorsTextEditor, PanesFollowTheObjectKindAndTheScriptButton)
{
    TfrMemoView text;
    text.Restrictions = 0x01;
    edit(text, [&] {
        EXPECT_TRUE(child<QWidget>("MemoPanel")->isVisible());
        EXPECT_TRUE(child<QWidget>("ScriptPanel")->isVisible());
        EXPECT_TRUE(m1()->isReadOnly()) << "don't edit the text";
        EXPECT_FALSE(script()->ReadOnly());
        click("ScriptBtn");
        EXPECT_FALSE(child<QWidget>("ScriptPanel")->isVisible());
        EXPECT_FALSE(child<QWidget>("Splitter")->isVisible());
        EXPECT_EQ(child<QWidget>("MemoPanel")->geometry().bottom(), form.height() - 1);
    });
    TfrMemoView next;
    edit(next, [&] {
        EXPECT_FALSE(child<QWidget>("ScriptPanel")->isVisible()) << "hidden for the next text object too";
        EXPECT_FALSE(child<TfrSpeedButton>("ScriptBtn")->Down());
    });

    TfrBandView band;
    TfrControl control;
    for (TfrView *view : { static_cast<TfrView *>(&band), static_cast<TfrView *>(&control) }) {
        view->Restrictions = 0x02;
        edit(*view, [&] {
            EXPECT_FALSE(child<QWidget>("MemoPanel")->isVisible());
            EXPECT_TRUE(child<QWidget>("ScriptPanel")->isVisible());
            EXPECT_EQ(child<QWidget>("ScriptPanel")->geometry().top(), 33);
            EXPECT_TRUE(script()->ReadOnly()) << "don't edit the script";
            EXPECT_TRUE(script()->hasFocus());
            click("ScriptBtn");
            EXPECT_TRUE(child<TfrSpeedButton>("ScriptBtn")->Down()) << "it cannot be released";
            EXPECT_TRUE(child<QWidget>("ScriptPanel")->isVisible());
        });
    }
    edit(next, [&] { EXPECT_FALSE(child<QWidget>("ScriptPanel")->isVisible()) << "a script alone changes nothing"; });
}

TEST_F(EditorsTextEditor, AnErrorInAHiddenScriptShowsTheScriptPane)
{
    TfrMemoView view;
    view.Script = QStringList { QStringLiteral("begin if x y := 1 end") };
    bool shown = false;
    QString error;
    edit(view, [&] {
        click("ScriptBtn");
        ASSERT_FALSE(child<QWidget>("ScriptPanel")->isVisible());
        click("OkBtn");
        shown = child<QWidget>("ScriptPanel")->isVisible() && child<TfrSpeedButton>("ScriptBtn")->Down();
        error = script()->ErrorText();
    });
    EXPECT_TRUE(shown) << "a refusal the user cannot see looks like an OK that does nothing";
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(EditorsTextEditor, ExpressionsAndFieldsComeFromTheDesignerIntoTheEditorLastEntered)
{
    designer.Expression = QStringLiteral("[Sum]");
    designer.DBField = QStringLiteral("[Name]");
    TfrMemoView view;
    view.Memo = QStringList { QStringLiteral("=") };
    view.Script = QStringList { QStringLiteral("begin"), QStringLiteral("  a := "), QStringLiteral("end") };
    edit(view, [&] {
        m1()->moveCursor(QTextCursor::End);
        click("InsExprBtn");
        QTest::keyClick(m1(), Qt::Key_Insert);
        const QPoint cell(2 + 7 * script()->CharWidth() + 1, 2 + script()->LineHeight() + 1);
        QTest::mouseClick(script(), Qt::LeftButton, {}, cell);
        ASSERT_EQ(script()->Model().Cursor(), (TSynPos { 8, 2 }));
        QTest::keyClick(script(), Qt::Key_Insert);
        designer.DBField.clear();
        QTest::keyClick(script(), Qt::Key_Insert);
        click("OkBtn");
    });
    EXPECT_EQ(view.Memo, QStringList { QStringLiteral("=[Sum][Name]") });
    EXPECT_EQ(view.Script.at(1), QStringLiteral("  a := [Name]")) << "a cancelled choice inserts nothing";
    EXPECT_EQ(designer.Calls,
        (QStringList { "PickExpression", "PickDBField", "PickDBField", "PickDBField", "BeginObjectChange" }));
}

TEST_F(EditorsTextEditor, FontsAndTheSplitterComeFromTheDesignersRegistrySection)
{
    const struct
    {
        const char *name;
        QList<QPair<QString, QString>> stored;
        QString textFont;
        int textSize;
        QString scriptFont;
        int scriptSize;
        int splitter;
    } cases[] = {
        { "nothing stored", {}, "Liberation Serif", 10, "Courier New", 10, 100 },
        { "stored values",
            { { "TextFontName", "Times New Roman" }, { "TextFontSize", "14" }, { "ScriptFontName", "Arial" },
                { "ScriptFontSize", "12" }, { "SplitterPos", "150" }, { "UseDefaultFont", "0" } },
            "Times New Roman", 14, "Arial", 12, 150 },
        { "ill-typed values",
            { { "TextFontSize", "big" }, { "ScriptFontSize", "-3" }, { "SplitterPos", "x" },
                { "UseDefaultFont", "yes" }, { "ScriptFontName", "" } },
            "Liberation Serif", 10, "Courier New", 10, 100 },
    };
    for (const auto &c : cases) {
        TRegIniFile(EngineRegistryKey()).EraseSection(Section);
        for (const auto &[name, value] : c.stored)
            write(name, value);
        TfrMemoView view;
        view.Font.Name = QStringLiteral("Liberation Serif");
        view.Font.Size = 20;
        QFont text, scriptFont;
        int splitterTop = 0;
        edit(view, [&] {
            text = m1()->font();
            scriptFont = script()->font();
            splitterTop = child<QWidget>("Splitter")->y();
        });
        SCOPED_TRACE(c.name);
        EXPECT_EQ(text.family(), c.textFont);
        EXPECT_EQ(text.pointSize(), c.textSize);
        EXPECT_EQ(scriptFont.family(), c.scriptFont);
        EXPECT_EQ(scriptFont.pointSize(), c.scriptSize);
        EXPECT_EQ(splitterTop, c.splitter);
        EXPECT_EQ(TRegIniFile(EngineRegistryKey()).ReadString(Section, "SplitterPos", {}), QString::number(c.splitter))
            << "written back after every use";
    }

    int before = 0, after = 0;
    TfrMemoView view;
    edit(view, [&] {
        QWidget *splitter = child<QWidget>("Splitter");
        before = child<QWidget>("ScriptPanel")->height();
        QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(10, 1));
        QTest::mouseMove(splitter, QPoint(10, -29));
        QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(10, -29));
        after = child<QWidget>("ScriptPanel")->height();
    });
    EXPECT_EQ(after, before + 30);
    EXPECT_EQ(TRegIniFile(EngineRegistryKey()).ReadInteger(Section, "SplitterPos", 0), 70);
}

TEST_F(EditorsTextEditor, APageScriptIsEditedThroughItsInspectorEditor)
{
    frEngine().MemoEditorHook = [this](TfrView *view) { form.ShowEditor(view); };
    TfrPage page(9, 0, 0, DefaultBin, 0);
    page.RegisterProperties();
    TfrPropRec *rec = page.FindPropRec(QStringLiteral("OnBeforePrint"));
    ASSERT_NE(rec, nullptr);
    bool scriptOnly = false;
    ModalAnswer answer([this] { return QApplication::activeModalWidget() == &form; },
        [&] {
            scriptOnly = !child<QWidget>("MemoPanel")->isVisible();
            script()->SetCursor(3, 2);
            QTest::keyClicks(script(), QStringLiteral("PROGRESS := 1"));
            click("OkBtn");
        });
    rec->PEditor(nullptr);
    EXPECT_TRUE(answer.ran());
    EXPECT_TRUE(scriptOnly);
    EXPECT_EQ(page.Script, (QStringList { "begin", "  PROGRESS := 1", "end" }));
}

} // namespace
