#include "FR_Intrp.h"

#include <gtest/gtest.h>

namespace {

// An interpreter over script variables and one fake object "Memo1" with a property "Text", which records
// every assignment and function call it sees.
class FakeInterpretator : public TfrInterpretator
{
public:
    TfrVariables vars;
    QString memoText;
    QStringList log;

    void GetValue(const QString &name, Variant &value) override
    {
        if (name == "MEMO1.TEXT")
            value = memoText;
        else if (vars.IndexOf(name) >= 0)
            value = vars.GetValue(name);
    }
    void SetValue(const QString &name, const Variant &value) override
    {
        log << name + "=" + value.toString();
        if (name.compare("Memo1.Text", Qt::CaseInsensitive) == 0)
            memoText = value.toString();
        else
            vars.SetValue(name, value);
    }
    void DoFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                    Variant &val) override
    {
        log << name + "(" + p1.toString() + "|" + p2.toString() + "|" + p3.toString() + ")";
        val = 0;
    }

    QStringList Compile(const QString &source)
    {
        QStringList errors;
        CompileScript(source.split('\n'), m_compiled, errors);
        return errors;
    }
    void Run() { RunScript(m_compiled); }
    const QStringList &Compiled() const { return m_compiled; }

private:
    QStringList m_compiled;
};

QString jump(int kind, int target)
{
    return QString(QChar(kind)) + QChar(target & 0xFF) + QChar(target >> 8);
}

TEST(ExprScript, EmptySourceGivesNothing)
{
    FakeInterpretator in;
    for (const char *source : {"", " \n\t", "{ only a comment }", "// only a comment"}) {
        EXPECT_TRUE(in.Compile(source).isEmpty()) << source;
        EXPECT_TRUE(in.Compiled().isEmpty()) << source;
    }
}

TEST(ExprScript, CompiledLines)
{
    FakeInterpretator in;
    ASSERT_TRUE(in.Compile("begin a := 1; b := a + 1 end").isEmpty());
    EXPECT_EQ(in.Compiled(), QStringList({"a 1 ", "b a 1 +"}));
    in.Run();
    EXPECT_EQ(in.vars.GetValue("b").toDouble(), 2.0);

    ASSERT_TRUE(in.Compile("if x > 0 then y := 1 else y := 2").isEmpty());
    ASSERT_EQ(in.Compiled().size(), 4);
    EXPECT_EQ(in.Compiled()[0], jump(1, 3) + "x 0 >");
    EXPECT_EQ(in.Compiled()[2], jump(2, 4));

    // Semicolons and brackets inside quotes, and quotes inside brackets, belong to their expression.
    ASSERT_TRUE(in.Compile("begin x := 'a;b''c'; y := [d + '];' + '[']; z := 1 end").isEmpty());
    ASSERT_EQ(in.Compiled().size(), 3) << in.Compiled().join(" | ").toStdString();
    EXPECT_EQ(in.Compiled()[2], "z 1 ");

    ASSERT_TRUE(in.Compile("a[2] := 5").isEmpty());
    EXPECT_EQ(in.Compiled(), QStringList({QString(QChar(3)) + "SETARRAY(a, 2, 5)"}));
    in.Run();
    EXPECT_EQ(in.log.last(), "SETARRAY(a| 2| 5)");
}

struct RunCase {
    const char *script;
    const char *name;
    double expected;
};

class ExprScriptRuns : public testing::TestWithParam<RunCase>
{
};

TEST_P(ExprScriptRuns, LeavesTheVariable)
{
    FakeInterpretator in;
    in.vars.SetValue("I", 0);
    in.vars.SetValue("S", 0);
    in.vars.SetValue("X", 5);
    in.vars.SetValue("Y", 0);
    in.vars.SetValue("T", 0);
    const QStringList errors = in.Compile(GetParam().script);
    ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    in.Run();
    EXPECT_EQ(in.vars.GetValue(GetParam().name).toDouble(), GetParam().expected) << GetParam().script;
}

INSTANTIATE_TEST_SUITE_P(Expr, ExprScriptRuns, testing::Values(
    RunCase{"if x > 0 then y := 1 else y := 2", "y", 1}, RunCase{"if x > 9 then y := 1 else y := 2", "y", 2},
    RunCase{"if x > 9 then y := 1", "y", 0},
    RunCase{"while i < 3 do i := i + 1", "i", 3},
    RunCase{"begin for i := 1 to 3 do s := s + i; t := i end", "s", 6},
    RunCase{"begin for i := 1 to 3 do s := s + i; t := i end", "t", 4},
    RunCase{"repeat i := i + 1 until i >= 5", "i", 5},
    RunCase{"repeat i := i + 1; s := s + 2 until i >= 0", "s", 2},
    RunCase{"begin i := 1; goto 10; i := 2; 10: s := i end", "s", 1},
    RunCase{"begin i := 1; exit; i := 2 end", "i", 1},
    RunCase{"begin\n  s:=x*2;{comment}\n  // line comment\n  i := s mod 4\nend", "i", 2},
    RunCase{"begin if (x > 1) and not (x > 7) then begin s := 1; i := 2 end else s := 3 end", "i", 2},
    RunCase{"begin i := x - -1 end", "i", 6}));

TEST(ExprScript, PropertiesOfObjectsAndFunctions)
{
    FakeInterpretator in;
    ASSERT_TRUE(in.Compile("begin Memo1.Text := 'Итого: ' + Str(2 * 3); ShowMessage(Memo1.Text, 1) end").isEmpty());
    in.Run();
    EXPECT_EQ(in.memoText, "Итого: 6");
    EXPECT_EQ(in.log, QStringList({"Memo1.Text=Итого: 6", "SHOWMESSAGE(Memo1.Text| 1|)"}));
}

TEST(ExprScript, UndefinedLabelEndsTheRunThere)
{
    FakeInterpretator in;
    ASSERT_TRUE(in.Compile("begin i := 1; goto 77; i := 2 end").isEmpty());
    EXPECT_EQ(in.Compiled()[1], QString(QChar(2)) + "77");
    in.Run();
    EXPECT_EQ(in.vars.GetValue("i").toInt(), 1);
}

TEST(ExprScript, ErrorTexts)
{
    struct {
        const char *script;
        const char *error;
    } cases[] = {
        {"begin\n  a := 1\n  b := 2\nend", "Line 3/3: Need \";\" or \"end\" here"},
        {"begin\n  a := 1", "Line 3/0: Need \";\" or \"end\" here"},
        {"if a > 1 b := 2", "Line 1/10: Need \"then\" here"},
        {"repeat a := 1 b", "Line 1/15: Need \";\" or \"until\" here"},
        {"while a < 3 a := 1", "Line 1/13: Need \"do\" here"},
        {"for i := 1 upto 3 do a := 1", "Line 1/12: Need \"to\" here"},
        {"for i := 1 to 3 a := 1", "Line 1/17: Need \"do\" here"},
        {"goto abc", "Line 1/6: \"goto\" label must be a number"},
        {"a b", "Line 1/3: Need \":=\" here"},
        {"a := (1 + 2", "Line 2/0: Need \")\" here"},
        {"a := [b", "Line 1/6: Need \"]\" here"},
        {"a := f(1 2)", "Line 1/10: Need \",\" or \")\" here"},
        {"begin a := 1;; b := 2 end", "Line 1/14: Need an expression here"},
        {"a := * 2", "Line 1/6: Need an expression here"},
        {"{ a comment }  // and one more\nbegin {x}  a := 1 {y} b := 2 end", "Line 2/23: Need \";\" or \"end\" here"},
    };
    for (const auto &c : cases) {
        FakeInterpretator in;
        EXPECT_EQ(in.Compile(QString::fromUtf8(c.script)), QStringList({c.error})) << c.script;
    }
}

TEST(ExprScript, SplitsAggregatesOfCompiledLines)
{
    FakeInterpretator in;
    ASSERT_TRUE(in.Compile("begin if sum([a]) > 1 then x := max([b]); goto 1; Proc(min([c])) end").isEmpty());
    QStringList found;
    in.SplitScriptExpressions(in.Compiled(), {"SUM", "MAX", "MIN"}, nullptr, found);
    EXPECT_EQ(found, QStringList({"sum([a])", "max([b])", "min([c])"}));
}

TEST(ExprScript, LimitsAreRefusedWithAnError)
{
    FakeInterpretator in;
    EXPECT_EQ(in.Compile(QString(33000, ' ') + "a := 1"), QStringList({"Script is too long"}));
    QString labels = "begin ";
    for (int i = 0; i < 120; ++i)
        labels += QString::number(i) + ": a := 1; ";
    EXPECT_EQ(in.Compile(labels + "end").value(0).section(": ", 1), "Too many labels");
}

} // namespace
