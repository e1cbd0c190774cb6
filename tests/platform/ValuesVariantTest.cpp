// The engine's value type: the platform's conversions, arithmetic, comparisons and the bridge to QVariant.
#include "Exceptions.h"
#include "Variant.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(ValuesVariantConversion, ThePlatformRules)
{
    EXPECT_DOUBLE_EQ(Variant("12.5").toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(Variant(" 7 ").toDouble(), 7);
    EXPECT_DOUBLE_EQ(Variant(true).toDouble(), -1);
    EXPECT_EQ(Variant(true).toInt(), -1);
    EXPECT_EQ(Variant(2.5).toInt(), 2);
    EXPECT_EQ(Variant(3.5).toInt(), 4);
    EXPECT_EQ(Variant("3.5").toInt64(), 4);
    EXPECT_DOUBLE_EQ(Variant().toDouble(), 0);
    EXPECT_TRUE(Variant("True").toBool());
    EXPECT_FALSE(Variant("0").toBool());
    EXPECT_TRUE(Variant(0.1).toBool());
    EXPECT_THROW(Variant("abc").toDouble(), EVariantError);
    EXPECT_THROW(Variant("abc").toBool(), EVariantError);
    EXPECT_THROW(Variant::Null().toDouble(), EVariantError);
    EXPECT_THROW(Variant(1e12).toInt(), EVariantError);
    EXPECT_THROW(Variant(QList<Variant> { 1, 2 }).toString(), EVariantError);
    EXPECT_THROW(Variant::Error(7).toDouble(), EVariantError);
    try {
        Variant("x").toDouble();
    } catch (const EVariantError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Could not convert variant of type (String) into type (Double)"));
    }

    EXPECT_EQ(Variant().toString(), QString());
    EXPECT_EQ(Variant::Null().toString(), QString());
    EXPECT_EQ(Variant(true).toString(), QStringLiteral("True"));
    EXPECT_EQ(Variant(1.5).toString(), QStringLiteral("1.5"));
    EXPECT_EQ(Variant(qint64(1) << 40).toString(), QStringLiteral("1099511627776"));
    EXPECT_EQ(Variant::Date(43895.5).toString(), QStringLiteral("05.03.2020 12:00:00"));
    EXPECT_DOUBLE_EQ(Variant("05.03.2020").toDate(), 43895);
    EXPECT_DOUBLE_EQ(Variant("43895.25").toDate(), 43895.25);
    EXPECT_EQ(Variant::Date(43895.75).toDateTime(), QDateTime(QDate(2020, 3, 5), QTime(18, 0)));
    EXPECT_THROW(Variant("soon").toDate(), EVariantError);
}

TEST(ValuesVariantArithmetic, TypesOfResults)
{
    const Variant concat = Variant("1") + Variant("2");
    EXPECT_EQ(concat.type(), VarType::String);
    EXPECT_EQ(concat.toString(), QStringLiteral("12"));

    const Variant mixed = Variant("1") + Variant(2);
    EXPECT_EQ(mixed.type(), VarType::Double);
    EXPECT_DOUBLE_EQ(mixed.toDouble(), 3);
    EXPECT_THROW(Variant("a") + Variant(2), EVariantError);

    EXPECT_TRUE((Variant::Null() + Variant(1)).isNull());
    EXPECT_TRUE((Variant(1) * Variant::Null()).isNull());
    EXPECT_TRUE((-Variant::Null()).isNull());
    EXPECT_EQ((Variant(true) + Variant(1)).toInt(), 0);
    EXPECT_EQ((Variant() + Variant(5)).toInt(), 5);
    EXPECT_EQ((Variant() + Variant("x")).toString(), QStringLiteral("x"));

    const Variant wide = Variant(INT_MAX) + Variant(1);
    EXPECT_EQ(wide.type(), VarType::Int64);
    EXPECT_EQ(wide.toInt64(), qint64(INT_MAX) + 1);
    EXPECT_EQ((Variant(LLONG_MAX) + Variant(1)).type(), VarType::Double);
    EXPECT_EQ((Variant(2) * Variant(3)).type(), VarType::Integer);
    EXPECT_EQ(Variant(QStringList{QStringLiteral("a")}.size()).toInt(), 1);

    EXPECT_DOUBLE_EQ((Variant(7) / Variant(2)).toDouble(), 3.5);
    EXPECT_EQ(Variant::intDiv(Variant(7), Variant(2)).toInt(), 3);
    EXPECT_EQ(Variant::intDiv(Variant(-7), Variant(2)).toInt(), -3);
    EXPECT_EQ(Variant::mod(Variant(-7), Variant(2)).toInt(), -1);
    EXPECT_THROW(Variant(1) / Variant(0), EVariantError);
    EXPECT_THROW(Variant::intDiv(Variant(1), Variant(0)), EVariantError);
    EXPECT_THROW(Variant::mod(Variant(1), Variant(0.4)), EVariantError);

    const Variant later = Variant::Date(43895.5) + Variant(1);
    EXPECT_EQ(later.type(), VarType::Date);
    EXPECT_DOUBLE_EQ(later.toDouble(), 43896.5);
    const Variant span = Variant::Date(43896) - Variant::Date(43895.5);
    EXPECT_EQ(span.type(), VarType::Double);
    EXPECT_DOUBLE_EQ(span.toDouble(), 0.5);
}

TEST(ValuesVariantLogic, BooleansLogicalIntegersBitwise)
{
    EXPECT_FALSE(Variant::logicalNot(Variant(true)).toBool());
    EXPECT_EQ(Variant::logicalNot(Variant(0)).toInt(), -1);
    EXPECT_TRUE(Variant::logicalNot(Variant::Null()).isNull());
    EXPECT_TRUE(Variant::logicalAnd(Variant(true), Variant("True")).toBool());
    EXPECT_FALSE(Variant::logicalAnd(Variant(true), Variant(false)).toBool());
    EXPECT_EQ(Variant::logicalAnd(Variant(6), Variant(3)).toInt(), 2);
    EXPECT_EQ(Variant::logicalOr(Variant(6), Variant(3)).toInt(), 7);
    EXPECT_EQ(Variant::logicalXor(Variant(6), Variant(3)).toInt(), 5);
    EXPECT_TRUE(Variant::logicalOr(Variant(true), Variant::Null()).isNull());
}

TEST(ValuesVariantCompare, NumbersAgainstNumericStringsAreNumeric)
{
    EXPECT_TRUE(Variant(5) == Variant("5.0"));
    EXPECT_TRUE(Variant(9) < Variant("10"));
    EXPECT_TRUE(Variant("10") < Variant("9")); // two strings compare as text
    EXPECT_TRUE(Variant(2.5) > Variant(2));
    EXPECT_TRUE(Variant(qint64(1) << 62) > Variant((qint64(1) << 62) - 1));
    EXPECT_TRUE(Variant("Иванов") < Variant("Петров"));
    EXPECT_TRUE(Variant(true) < Variant(false)); // True is -1
    EXPECT_TRUE(Variant::Date(43895) < Variant("06.03.2020"));
    EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantError);

    EXPECT_TRUE(Variant::Null() == Variant::Null());
    EXPECT_FALSE(Variant::Null() == Variant(0));
    EXPECT_FALSE(Variant::Null() < Variant(1));
    EXPECT_FALSE(Variant::Null() >= Variant(1));
    EXPECT_EQ(VarCompareValue(Variant::Null(), Variant(1)), VarCompareResult::NotEqual);
    EXPECT_TRUE(Variant() == Variant(0));
    EXPECT_TRUE(Variant() == Variant(""));
}

TEST(ValuesSameVariantValues, NeverRaises)
{
    const Variant a12 = QList<Variant> { 1, 2 };
    const struct
    {
        Variant a, b;
        bool same;
    } cases[] = {
        { Variant(), Variant(), true },
        { Variant(), Variant::Null(), false },
        { Variant(), Variant(0), false },
        { Variant::Null(), Variant::Null(), true },
        { a12, Variant(1), false },
        { a12, QList<Variant> { 1, 2 }, true },
        { a12, QList<Variant> { 1, 3 }, false },
        { a12, QList<Variant> { 1, 2, 3 }, false },
        { a12, QList<Variant> { 1, "2" }, true },
        { Variant("abc"), Variant(1), false },
        { Variant(1), Variant("1"), true },
        { Variant(1), Variant(1.0), true },
        { Variant("a"), Variant("A"), false },
        { Variant::Error(1), Variant::Error(1), true },
        { Variant::Error(1), Variant(1), false },
    };
    for (const auto &c : cases)
        EXPECT_EQ(SameVariantValues(c.a, c.b), c.same)
            << c.a.typeName().toStdString() << " " << c.b.typeName().toStdString();

    EXPECT_TRUE(SameVariantValues(QVariant(), QVariant()));
    EXPECT_FALSE(SameVariantValues(QVariant(), QVariant(0)));
    EXPECT_TRUE(SameVariantValues(QVariant(1), QVariant(1.0)));
    EXPECT_TRUE(SameVariantValues(
        QVariant(QVariantList { 1, QStringLiteral("x") }), QVariant(QVariantList { 1, QStringLiteral("x") })));
    EXPECT_FALSE(SameVariantValues(QVariant(QVariantList { 1 }), QVariant(1)));
}

TEST(ValuesVariantQVariant, RoundTrips)
{
    EXPECT_TRUE(Variant::fromQVariant(QVariant()).isNull());
    EXPECT_FALSE(Variant::Null().toQVariant().isValid());
    EXPECT_FALSE(Variant().toQVariant().isValid());

    const QDateTime when(QDate(2020, 3, 5), QTime(14, 7, 9, 45));
    const Variant date = Variant::fromQVariant(when);
    EXPECT_EQ(date.type(), VarType::Date);
    EXPECT_EQ(date.toQVariant().toDateTime(), when);
    EXPECT_DOUBLE_EQ(Variant::fromQVariant(QDate(2020, 3, 5)).toDouble(), 43895);
    EXPECT_DOUBLE_EQ(Variant::fromQVariant(QTime(6, 0)).toDouble(), 0.25);

    EXPECT_EQ(Variant::fromQVariant(QVariant(qlonglong(5))).type(), VarType::Int64);
    EXPECT_EQ(Variant::fromQVariant(QVariant(5)).type(), VarType::Integer);
    EXPECT_EQ(Variant::fromQVariant(QVariant(true)).type(), VarType::Boolean);
    EXPECT_EQ(Variant::fromQVariant(QVariant(QStringLiteral("ё"))).toString(), QStringLiteral("ё"));
    EXPECT_EQ(Variant::fromQVariant(QVariant(QStringList { QStringLiteral("a") })).elements().size(), 1);

    const QVariant list = Variant(QList<Variant> { 1, "x", Variant::Null() }).toQVariant();
    ASSERT_EQ(list.typeId(), QMetaType::QVariantList);
    EXPECT_EQ(list.toList().value(1).toString(), QStringLiteral("x"));
    EXPECT_FALSE(list.toList().value(2).isValid());

    // Unassigned survives a trip through a QVariant only when wrapped on purpose.
    EXPECT_TRUE(Variant::fromQVariant(QVariant::fromValue(Variant())).isUnassigned());
    EXPECT_EQ(Variant::fromQVariant(Variant::Error(9).toQVariant()).errorCode(), 9u);
}

} // namespace
