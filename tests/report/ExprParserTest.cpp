#include "FR_Pars.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

namespace {

// A parser over a few named values that records every name and function it is asked for.
struct Fixture {
    TfrParser parser;
    TfrVariables values;
    QStringList asked;
    QStringList calls;

    Fixture()
    {
        values.SetValue("A", 5);
        values.SetValue("B", 1);
        values.SetValue("S", QString("abc"));
        values.SetValue("N", Variant::Null());
        parser.OnGetValue = [this](const QString &name, Variant &value) {
            asked << name;
            value = values.IndexOf(name) >= 0 ? values.GetValue(name) : Variant(QString("<" + name + ">"));
        };
        parser.OnFunction = [this](const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                                   Variant &val) {
            calls << name + "|" + p1.toString() + "|" + p2.toString() + "|" + p3.toString();
            val = 42;
        };
    }
};

struct Case {
    const char *expr;
    Variant expected;
};

void PrintTo(const Case &c, std::ostream *os)
{
    *os << c.expr;
}

class ExprParserValues : public testing::TestWithParam<Case>
{
};

TEST_P(ExprParserValues, EvaluatesWithTypeAndValue)
{
    Fixture f;
    const Variant result = f.parser.Evaluate(QString::fromUtf8(GetParam().expr));
    EXPECT_EQ(result.type(), GetParam().expected.type()) << result.toString().toStdString();
    EXPECT_TRUE(SameVariantValues(result, GetParam().expected)) << result.toString().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Expr, ExprParserValues, testing::Values(
    // ranks
    Case{"2+3*4", 14.0}, Case{"(2+3)*4", 20.0}, Case{"7 mod 3", qint64(1)}, Case{"-5+2", -3.0}, Case{"10 - 4 - 3", 3.0},
    Case{"2 * 3 mod 4", qint64(2)}, Case{"12 / 2 / 3", 2.0},
    // numbers read with either separator, division
    Case{"1,5 + 1", 2.5}, Case{"1.5 + 1", 2.5}, Case{"10/0", 0}, Case{"7/2", 3.5},
    // comparisons give integers; AND/OR bind like * and +
    Case{"3 > 2", 1}, Case{"3 < 2", 0}, Case{"2 >= 2", 1}, Case{"2 <= 1", 0}, Case{"2 <> 1", 1},
    Case{"not 0", 1}, Case{"not 5", 0}, Case{"(3 > 2) and (1 < 2)", 1}, Case{"(3 > 2) or (1 > 2)", 1},
    Case{"a > 1 and b < 2", 1}, // a > (1 and b) < 2: (5 > 1) < 2
    // prefix operators after binary ones
    Case{"2 * -3", -6.0}, Case{"2 - -3", 5.0}, Case{"(1 > 2) or not (1 > 2)", 1}, Case{"not not 3", 1},
    Case{"a * +2", 10.0}, Case{"- -4", 4.0},
    // unary functions
    Case{"int(2.9999999999999)", 3.0}, Case{"int(-2.5)", -2.0}, Case{"frac(1.25)", 0.25}, Case{"round(2.5)", 2},
    Case{"round(3.5)", 4}, Case{"INT 7.5 * 2", 14.0}, Case{"str(12) + 'x'", QString("12x")},
    Case{"str(n)", QString()},
    // strings
    Case{"'ab' + 'cd'", QString("abcd")}, Case{"'it''s'", QString("it's")}, Case{"'a''''b'", QString("a''b")},
    Case{"'abc' < 'abd'", 1}, Case{"'B' < 'a'", 1}, Case{"s = 'abc'", 1}, Case{"'a;b'", QString("a;b")},
    // built-in functions
    Case{"copy('abcdef', 2, 3)", QString("bcd")}, Case{"copy('abc', 0, 2)", QString("ab")},
    Case{"if(1, 'yes', 'no')", QString("yes")}, Case{"if(a > 9, 'yes', 'no')", QString("no")},
    Case{"if(true, 1, 2)", 1.0}, Case{"strtodate('31.12.2024')", Variant::Date(EncodeDate(2024, 12, 31))},
    Case{"strtotime('12:00')", Variant::Date(0.5)},
    // Null, booleans, empty text
    Case{"n", Variant::Null()}, Case{"n + 1", Variant::Null()}, Case{"true", true}, Case{"FALSE", false},
    Case{"", 0}, Case{"1 ; 2", 1.0}));

TEST(ExprParser, NamesReachTheCallbackUpperCasedAndBracketsAsWritten)
{
    Fixture f;
    f.parser.Evaluate("[Data.\"Field name\"] + total + [x]");
    EXPECT_EQ(f.asked, QStringList({"Data.\"Field name\"", "TOTAL", "x"}));
}

TEST(ExprParser, IfEvaluatesOnlyTheChosenBranch)
{
    Fixture f;
    EXPECT_EQ(f.parser.Evaluate("if(0, never, 7)").toDouble(), 7.0);
    EXPECT_FALSE(f.asked.contains("NEVER"));
}

TEST(ExprParser, UnknownFunctionsAndIndexesGoToOnFunction)
{
    Fixture f;
    EXPECT_EQ(f.parser.Evaluate("Sum([Qty], 'a,b', (1,2))").toInt(), 42);
    EXPECT_EQ(f.parser.Evaluate("arr[2 + i]").toInt(), 42);
    EXPECT_EQ(f.calls, QStringList({"SUM|[Qty]| 'a,b'| (1,2)", "GETARRAY|arr| 2 + i|"}));
}

TEST(ExprParser, ArgumentsBeyondTheThirdAreDropped)
{
    TfrParser parser;
    QString a1, a2, a3;
    int pos = 2;
    parser.ReadArguments("f(a,b,c,d)", pos, a1, a2, a3);
    EXPECT_EQ(QStringList({a1, a2, a3}), QStringList({"a", "c", ""}));
    EXPECT_EQ(pos, 11);
}

TEST(ExprParser, PostfixForm)
{
    TfrParser parser;
    EXPECT_EQ(parser.ToPostfix("2+3*4"), "2 3 4 *+");
    EXPECT_EQ(parser.ToPostfix("a >= 1"), QString("a 1 ") + QChar(1));
    EXPECT_EQ(parser.ToPostfix("f(x, y) + 1"), "f(x, y)1 +");
    EXPECT_EQ(parser.ToPostfix("f (x)"), "f x ");
    EXPECT_EQ(parser.ToPostfix("2 * -3"), QString("2 3 ") + QChar(9) + "*");
    EXPECT_EQ(parser.ToPostfix("x ) + 1"), "x 1 +");
}

TEST(ExprParser, DecimalSeparatorOfTheLocaleDoesNotMatter)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = ',';
    TfrParser parser;
    EXPECT_EQ(parser.Evaluate("1.5 + 1,25").toDouble(), 2.75);
}

TEST(ExprParser, MalformedExpressionsFailCleanly)
{
    Fixture f;
    // Too many operands pending at once, operators without operands, unclosed calls.
    QString deep;
    for (int i = 0; i < 40; ++i)
        deep += "1+(";
    deep += "1";
    EXPECT_THROW(f.parser.Evaluate(deep), EParserError);
    EXPECT_THROW(f.parser.Evaluate("2 *"), EParserError);
    EXPECT_THROW(f.parser.Evaluate("* 2"), EParserError);
    EXPECT_THROW(f.parser.Evaluate("f(1, 2"), Exception);
    EXPECT_THROW(f.parser.Evaluate("1.2.3"), EConvertError);
    EXPECT_THROW(f.parser.Evaluate(QString(300, '(') + "1"), EParserError);
    QString nested = "1";
    for (int i = 0; i < 200; ++i)
        nested = "if(1, " + nested + ", 0)";
    EXPECT_THROW(f.parser.Evaluate(nested), EParserError);
    // An unbalanced "(" is ignored by the evaluation.
    EXPECT_EQ(f.parser.Evaluate("(1 + 2").toDouble(), 3.0);
}

TEST(ExprVariables, ListOperations)
{
    TfrVariables v;
    v.SetValue("Beta", 2);
    v.SetValue("alpha", 1);
    v.SetValue("BETA", 3);
    EXPECT_EQ(v.GetCount(), 2);
    EXPECT_EQ(v.GetName(0), "Beta");
    EXPECT_EQ(v.GetValue("beta").toInt(), 3);
    EXPECT_TRUE(v.GetValue("gamma").isNull());
    EXPECT_EQ(v.GetValueAt(-1).toInt(), 0);
    EXPECT_EQ(v.GetName(5), "");
    v.Insert(0, "gamma");
    EXPECT_EQ(v.GetName(0), "gamma");
    EXPECT_EQ(v.GetValueAt(0).toInt(), 0);
    v.SetSorted(true);
    EXPECT_EQ(v.GetName(0), "alpha");
    EXPECT_EQ(v.GetName(2), "gamma");
    v.SetValue("Aardvark", 9);
    EXPECT_EQ(v.GetName(0), "Aardvark");
    EXPECT_EQ(v.IndexOf("GAMMA"), 3);
    v.SetName(0, "zeta");
    EXPECT_EQ(v.GetName(3), "zeta");
    v.Delete(3);
    v.Delete(7);
    TfrVariables copy;
    copy.SetValue("old", 1);
    copy.Assign(v);
    EXPECT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(copy.IndexOf("old"), -1);
}

TEST(ExprFunctionSplitter, CollectsAggregatesInnerFirst)
{
    const QStringList match = {"AVG", "COUNT", "MAX", "MIN", "SUM"};
    TfrVariables vars;
    vars.SetValue("Total", QString("SUM([Price])"));
    vars.SetValue("Loop", QString("[Loop2] + MIN([q])"));
    vars.SetValue("Loop2", QString("[Loop]"));
    struct Split {
        const char *expr;
        QStringList found;
    } cases[] = {
        {"SUM([Qty]) + MAX([Qty])", {"SUM([Qty])", "MAX([Qty])"}},
        {"[x] + SUM([y])", {"SUM([y])"}},
        {"'SUM(1)'", {}},
        {"max(sum([a]), 1)", {"sum([a])", "max(sum([a]), 1)"}},
        {"[Total] * 2", {"SUM([Price])"}},
        {"[Loop]", {"MIN([q])"}},
    };
    for (const Split &c : cases) {
        QStringList to;
        TfrFunctionSplitter splitter(&match, &to, &vars);
        splitter.Split(c.expr);
        EXPECT_EQ(to, c.found) << c.expr;
    }
}

TEST(ExprParser, ReadBracketedRespectsNestingAndQuotes)
{
    int start = 0, pos = 3;
    EXPECT_EQ(ReadBracketed("ab[x[1] + ']' + \"[\"]cd", start, pos), "x[1] + ']' + \"[\"");
    EXPECT_EQ(start, 3);
    EXPECT_EQ(pos, 20);
    pos = 1;
    EXPECT_EQ(ReadBracketed("abc", start, pos), "");
    EXPECT_EQ(pos, 1);
}

} // namespace
