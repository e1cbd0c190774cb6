// SQL macros: the substitution rules that every client dataset's command text goes through.
#include "DatabaseError.h"
#include "Kyv_db.h"

#include <gtest/gtest.h>

namespace {

struct MacroCase
{
    const char *name;
    QString text;
    QString expected;
};

TSqlSubstitutions macros()
{
    TSqlSubstitutions s(QStringLiteral("cdsCustomer"));
    s.Add(QStringLiteral("idx1"), QString());
    s.Add(QStringLiteral("where_str"), QStringLiteral(" and C.CUST_STATE = 1"));
    s.Add(QStringLiteral("D_FROM_2"), QStringLiteral("TO_DATE('01/02/2024','DD/MM/YYYY')"));
    s.Add(QStringLiteral("MY NAME"), QStringLiteral("42"));
    s.Add(QStringLiteral("A"), QStringLiteral("x"));
    s.Add(QStringLiteral("a"), QStringLiteral("second"));
    return s;
}

class SessionMacro : public ::testing::TestWithParam<MacroCase>
{
};

TEST_P(SessionMacro, Substitutes)
{
    EXPECT_EQ(ApplySqlSubstitutions(GetParam().text, macros()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Session, SessionMacro,
    ::testing::Values(
        // The carriage return that closes an empty macro goes with it; the line feed stays.
        MacroCase{"EmptyMacroAtLineEnd", QStringLiteral("select &idx1\r\nfrom T"), QStringLiteral("select \nfrom T")},
        MacroCase{"QuotedTextIsNotSearched", QStringLiteral("select '&where_str' from T"),
                  QStringLiteral("select '&where_str' from T")},
        MacroCase{"QuotedNameWithBlankIgnoresCase", QStringLiteral("select &\"my name\" from T"),
                  QStringLiteral("select 42from T")},
        MacroCase{"DoubledCharGivesOne", QStringLiteral("select a&&b"), QStringLiteral("select a&b")},
        MacroCase{"MacroAtEnd", QStringLiteral("where 1=1 &where_str"), QStringLiteral("where 1=1  and C.CUST_STATE = 1")},
        MacroCase{"BlankThenParenthesis", QStringLiteral("cast ( &D_FROM_2  as date)"),
                  QStringLiteral("cast ( TO_DATE('01/02/2024','DD/MM/YYYY') as date)")},
        MacroCase{"CommaIsConsumed", QStringLiteral("f(&A, 1)"), QStringLiteral("f(x 1)")},
        MacroCase{"FirstOfTwoItemsWins", QStringLiteral("&a)"), QStringLiteral("x")},
        MacroCase{"UnknownMacroIsEmpty", QStringLiteral("select &nothing from T"), QStringLiteral("select from T")},
        MacroCase{"LoneCharAtEnd", QStringLiteral("select &"), QStringLiteral("select ")},
        MacroCase{"ValueIsNotSearchedAgain", QStringLiteral("&where_str"), QStringLiteral(" and C.CUST_STATE = 1")},
        MacroCase{"AnyQuoteClosesAQuote", QStringLiteral("'a\" &A"), QStringLiteral("'a\" x")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SessionMacroErrors, SubstitutionByNameNamesTheDatasetAndTheMacro)
{
    const TSqlSubstitutions s = macros();
    EXPECT_EQ(s.SubstitutionByName(QStringLiteral("WHERE_STR"))->Value, QStringLiteral(" and C.CUST_STATE = 1"));
    try {
        s.SubstitutionByName(QStringLiteral("missing"));
        FAIL() << "a missing macro must raise";
    } catch (const EDatabaseError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("cdsCustomer: missing SqlSubstitution Not Found"));
    }
}

} // namespace
