// The filter row's expressions: what typed texts parse into, their errors, and the filter text a dataset
// compiles from them.
#include "GridSupport.h"

#include "DbUtilsEh.h"
#include "Exceptions.h"
#include "FilterExpression.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

using namespace tarvik::test;

namespace {

struct ParseCase
{
    const char *text;
    TSTOperandTypeEh type;
    TSTFilterOperatorEh op1;
    QVariant operand1;
    TSTFilterOperatorEh relation;
    TSTFilterOperatorEh op2;
    QVariant operand2;
};

TSTFilterExpressionEh parse(const QString &text, TSTOperandTypeEh type, bool *second = nullptr)
{
    TSTFilterExpressionEh e;
    e.ExpressionType = type;
    const bool two = ParseFilterExpression(text, e);
    if (second)
        *second = two;
    return e;
}

QVariantList floats(std::initializer_list<double> values)
{
    QVariantList list;
    for (double v : values)
        list << v;
    return list;
}

} // namespace

TEST(GridExchangeFilter, TypedTextsParseIntoConditions)
{
    const ParseCase cases[] = {
        { "5", botNumber, foEqual, 5.0, foNon, foNon, {} },
        { "abc", botString, foLike, QStringLiteral("abc"), foNon, foNon, {} },
        { ">= 100", botNumber, foGreaterOrEqual, 100.0, foNon, foNon, {} },
        { "!= 3", botNumber, foNotEqual, 3.0, foNon, foNon, {} },
        { "In (1, 2, 3)", botNumber, foIn, floats({ 1, 2, 3 }), foNon, foNon, {} },
        { "1,2", botNumber, foIn, floats({ 1, 2 }), foNon, foNon, {} },
        { "in ('a b', c)", botString, foIn, QVariantList { QStringLiteral("a b"), QStringLiteral("c") }, foNon, foNon,
            {} },
        { "NOT In (7)", botNumber, foNotIn, floats({ 7 }), foNon, foNon, {} },
        { "<> Null", botNumber, foNotNull, {}, foNon, foNon, {} },
        { "= null", botString, foNull, {}, foNon, foNon, {} },
        { "not null", botString, foNotNull, {}, foNon, foNon, {} },
        { "'ab AND cd'", botString, foLike, QStringLiteral("ab AND cd"), foNon, foNon, {} },
        { "Иванов Иван", botString, foLike, QStringLiteral("Иванов Иван"), foNon, foNon, {} },
        { ">= 10 AND <= 20", botNumber, foGreaterOrEqual, 10.0, foAND, foLessOrEqual, 20.0 },
        { "ab* AND NOT LIKE abc", botString, foLike, QStringLiteral("ab*"), foAND, foNotLike, QStringLiteral("abc") },
        { "1 | 2", botNumber, foEqual, 1.0, foOR, foEqual, 2.0 },
        { "  ", botNumber, foNon, {}, foNon, foNon, {} },
    };
    for (const ParseCase &c : cases) {
        SCOPED_TRACE(c.text);
        bool second = false;
        const TSTFilterExpressionEh e = parse(QString::fromUtf8(c.text), c.type, &second);
        EXPECT_EQ(e.ExpressionType, c.type);
        EXPECT_EQ(e.Operator1, c.op1);
        EXPECT_EQ(e.Operand1, c.operand1);
        EXPECT_EQ(e.Relation, c.relation);
        EXPECT_EQ(e.Operator2, c.op2);
        EXPECT_EQ(e.Operand2, c.operand2);
        EXPECT_EQ(second, c.relation != foNon);
    }
}

TEST(GridExchangeFilter, ACommaDecimalSeparatorKeepsANumberColumnsCommasInItsNumbers)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_EQ(parse(QStringLiteral("1,5"), botNumber).Operand1, QVariant(1.5));
    const TSTFilterExpressionEh in = parse(QStringLiteral("In (2,5)"), botNumber);
    EXPECT_EQ(in.Operator1, foIn);
    EXPECT_EQ(in.Operand1, QVariant(floats({ 2.5 })));
    // A text column still separates its list at commas.
    EXPECT_EQ(parse(QStringLiteral("a,b"), botString).Operand1,
        QVariant(QVariantList { QStringLiteral("a"), QStringLiteral("b") }));
}

TEST(GridExchangeFilter, EachErrorNamesItselfAndTheWholeText)
{
    const struct
    {
        const char *text;
        TSTOperandTypeEh type;
        const char *message;
    } cases[] = {
        { ") 5", botNumber, "Error in expression: " },
        { "> Null", botNumber, "Unexpected expression before Null: " },
        { ">=", botNumber, "Unexpected expression after operator: " },
        { "> AND 5", botNumber, "Unexpected expression after operator: " },
        { "In (1, 2", botNumber, "')' expected: " },
        { "In 1, 2", botNumber, "'(' expected: " },
        { ">= 10 XOR 20", botNumber, "Unexpected AND or OR: " },
        { "1 AND 2 3", botNumber, "Incorrect expression: " },
        { "'ab", botString, "Quote is absent: " },
        { "NOT 5", botNumber, "Error in expression: " },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        TSTFilterExpressionEh e;
        e.ExpressionType = c.type;
        e.Operator1 = foEqual;
        e.Operand1 = 9.0;
        try {
            ParseFilterExpression(QString::fromLatin1(c.text), e);
            ADD_FAILURE() << "no error";
        } catch (const Exception &error) {
            EXPECT_EQ(error.message(), QString::fromLatin1(c.message) + QString::fromLatin1(c.text));
        }
        // The previous expression is gone.
        EXPECT_EQ(e.Operator1, foNon);
        EXPECT_EQ(e.ExpressionType, c.type);
    }
}

TEST(GridExchangeFilter, FilterTextsAreWhatTheDatasetsCompile)
{
    const struct
    {
        const char *typed;
        TSTOperandTypeEh type;
        const char *text;
    } cases[] = {
        { ">= 1.5 AND <= 20", botNumber, ">= 1.5 AND <= 20" },
        { "In (1,2)", botNumber, "In (1,2)" },
        { "!In (a, b)", botString, "!In ('a','b')" },
        { "ab*", botString, "~ 'ab*'" },
        { "= Null", botString, "=Null" },
        { "<> Null | 4", botNumber, "<>Null OR = 4" },
        { "O'Brien", botString, "~ 'O''Brien'" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(STFilterExpressionText(parse(QString::fromUtf8(c.typed), c.type), false), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(STFilterExpressionText(parse(QStringLiteral("5"), botNon), false), QString());
}

TEST(GridExchangeFilter, ANumberWithACommaSeparatorIsWrittenInQuotesAsTheFieldReadsIt)
{
    FormatSettingsScope scope;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    EXPECT_EQ(STFilterExpressionText(parse(QStringLiteral("> 2,5"), botNumber), false), QStringLiteral("> '2,5'"));
    EXPECT_EQ(STFilterExpressionText(parse(QStringLiteral("> 2"), botNumber), false), QStringLiteral("> 2"));
}

TEST(GridExchangeFilter, ATypedNameWithAQuoteFiltersTheRightRecord)
{
    GridFixture f;
    f.add(1, QStringLiteral("O'Brien"));
    f.add(2, QStringLiteral("OBrien"));
    f.add(3, QStringLiteral("O'Neil"));
    f.show();
    TColumnEh *name = f.grid->Columns()[1];
    ASSERT_EQ(name->FieldName(), QStringLiteral("NAME"));
    name->STFilter().SetFilterText(QStringLiteral("O'Brien"));
    EXPECT_EQ(name->STFilter().FilterCellText(), QStringLiteral("O'Brien"));

    int applied = 0;
    f.grid->OnApplyFilter = [&](TCustomDBGridEh *grid) {
        ++applied;
        TColumnEh *column = grid->Columns()[1];
        grid->DataSource()->DataSet()->SetFilter(
            column->STFilter().GetFilterDataField() + QLatin1Char(' ') + column->STFilter().GetFilterText());
        grid->DataSource()->DataSet()->SetFiltered(true);
    };
    f.grid->ApplyFilter();
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(f.ds.RecordCount(), 1);
    f.ds.First();
    EXPECT_EQ(f.field("ID")->AsInteger(), 1);
}

TEST(GridExchangeFilter, ApplyFilterReachesTheDataServiceAndRepaintsEvenWhenAHandlerFails)
{
    GridFixture f;
    f.fill(3);
    f.show();
    TCustomDBGridEh *seen = nullptr;
    DBGridEhDataService().ApplyFilterHook = [&](TCustomDBGridEh *grid) { seen = grid; };
    f.grid->ApplyFilter();
    DBGridEhDataService().ApplyFilterHook = nullptr;
    EXPECT_EQ(seen, f.grid.get());

    f.grid->OnApplyFilter = [](TCustomDBGridEh *) { throw Exception(QStringLiteral("refused")); };
    EXPECT_THROW(f.grid->ApplyFilter(), Exception);
}

TEST(GridExchangeFilter, ColumnFilterValuesComeFromKeysOrOperands)
{
    GridFixture f;
    f.fill(2);
    f.show();
    TSTColumnFilterEh &filter = f.grid->Columns()[0]->STFilter();
    filter.SetFilterText(QStringLiteral(">1 OR <0"));
    EXPECT_EQ(filter.GetFilterValue(), QVariant(1.0));
    EXPECT_EQ(filter.GetSecondFilterValue(), QVariant(0.0));
    EXPECT_EQ(filter.GetFilterDataField(), QStringLiteral("ID"));

    filter.KeyField = QStringLiteral("ID");
    filter.SetFilterKeyValue(QStringLiteral("Name 1"), QVariantList { 1 });
    EXPECT_EQ(filter.Expression().Operator1, foIn);
    EXPECT_EQ(filter.GetFilterValue(), QVariant(QVariantList { 1 }));
    filter.SetFilterKeyValue(QStringLiteral(""), QVariant());
    EXPECT_FALSE(filter.GetFilterValue().isValid());
}

TEST(GridExchangeFilter, AListSourceFillsTheListsAndFiltersByItsValues)
{
    GridFixture f;
    f.fill(1);
    f.show();
    GridFixture list;
    list.add(10, QStringLiteral("ten"));
    list.add(20, QStringLiteral("twenty"));
    TSTColumnFilterEh &filter = f.grid->Columns()[1]->STFilter();
    filter.KeyField = QStringLiteral("ID");
    filter.ListField = QStringLiteral("NAME");
    filter.DataField = QStringLiteral("NAME");
    list.ds.Next();
    filter.SetListSource(&list.source);
    EXPECT_EQ(filter.ListValues(), (QStringList { QStringLiteral("ten"), QStringLiteral("twenty") }));
    EXPECT_EQ(filter.KeyValueTexts(), (QStringList { QStringLiteral("10"), QStringLiteral("20") }));
    EXPECT_TRUE(list.ds.Bof());

    filter.SetFilterKeyValue(QStringLiteral("ten"), QVariantList { 10 });
    EXPECT_EQ(filter.GetFilterText(), QStringLiteral("In ('ten')"));
    // The text compiles against the list's field.
    EXPECT_NO_THROW(CompileFilter(&f.ds, QStringLiteral("NAME ") + filter.GetFilterText()));
}

TEST(GridExchangeFilter, ShowingTheFilterRowAddsAFixedRow)
{
    GridFixture f;
    f.fill(2);
    f.show();
    const int fixed = f.grid->TopFixedRows();
    f.grid->STFilter().SetVisible(true);
    EXPECT_EQ(f.grid->TopFixedRows(), fixed + 1);
    f.grid->STFilter().SetVisible(false);
    EXPECT_EQ(f.grid->TopFixedRows(), fixed);
}
