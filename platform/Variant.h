#pragma once

#include "Formats.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <memory>

// The engine's value type with the platform's conversion rules: Unassigned (never given a value) stays
// distinct from Null, Boolean True is -1 as a number, Null propagates through arithmetic, a string meets a
// number by being read as one (a text that is no number raises EVariantError), comparisons of numbers and
// numeric strings are numeric, and a Date is the platform's day count (Formats.h).
enum class VarType { Unassigned, Null, Boolean, Integer, Int64, Double, Date, String, Array, Error };

class Variant
{
public:
    Variant() = default; // Unassigned
    Variant(bool value);
    Variant(int value);
    Variant(qint64 value);
    Variant(long value); // sizes and counts (qsizetype) without a cast
    Variant(double value);
    Variant(const QString &value);
    Variant(const char *utf8);
    Variant(const QList<Variant> &elements); // a one-dimensional array, low bound 0

    static Variant Null();
    static Variant Date(TDateTime value);
    static Variant fromDateTime(const QDateTime &value);
    // An error value (the calculator's "not a number"); converting it to anything else raises.
    static Variant Error(quint32 code);

    VarType type() const { return m_type; }
    QString typeName() const;
    bool isUnassigned() const { return m_type == VarType::Unassigned; }
    bool isNull() const { return m_type == VarType::Null; }
    bool isUnassignedOrNull() const { return isUnassigned() || isNull(); }
    bool isNumeric() const
    {
        return m_type == VarType::Integer || m_type == VarType::Int64 || m_type == VarType::Double;
    }
    bool isString() const { return m_type == VarType::String; }
    bool isDate() const { return m_type == VarType::Date; }
    bool isArray() const { return m_type == VarType::Array; }
    bool isError() const { return m_type == VarType::Error; }

    // Conversions by the platform's rules; they raise EVariantError where the platform does (Null to a number,
    // a text that is no number, an array to a scalar). Unassigned reads as 0, False and "".
    bool toBool() const;
    int toInt() const; // doubles are rounded halves to even
    qint64 toInt64() const;
    double toDouble() const;
    TDateTime toDate() const;
    QDateTime toDateTime() const;
    // The text the platform shows: "" for Unassigned and Null, "True"/"False", FloatToStr, DateTimeToStr.
    QString toString() const;
    const QList<Variant> &elements() const; // raises unless an array
    quint32 errorCode() const { return m_type == VarType::Error ? quint32(m_int) : 0; }

    // Datasets carry QVariant: null is an invalid QVariant. Unassigned and Null both become QVariant(); a Date
    // becomes a QDateTime, an array a QVariantList. A QVariant that holds a Variant gives it back unchanged.
    QVariant toQVariant() const;
    static Variant fromQVariant(const QVariant &value);

    friend Variant operator+(const Variant &a, const Variant &b);
    friend Variant operator-(const Variant &a, const Variant &b);
    friend Variant operator*(const Variant &a, const Variant &b);
    friend Variant operator/(const Variant &a, const Variant &b); // always a Double (or Null)
    Variant operator-() const;
    // The platform's div and mod on integers; both raise on a zero divisor.
    static Variant intDiv(const Variant &a, const Variant &b);
    static Variant mod(const Variant &a, const Variant &b);
    // Logical on Booleans, bitwise on integers, Null when either is Null.
    static Variant logicalNot(const Variant &a);
    static Variant logicalAnd(const Variant &a, const Variant &b);
    static Variant logicalOr(const Variant &a, const Variant &b);
    static Variant logicalXor(const Variant &a, const Variant &b);

    // The platform's equality: Null equals only Null, Unassigned meets others as 0/""/False; raises on a failed
    // conversion. Ordering against Null is never true.
    friend bool operator==(const Variant &a, const Variant &b);
    friend bool operator!=(const Variant &a, const Variant &b) { return !(a == b); }
    friend bool operator<(const Variant &a, const Variant &b);
    friend bool operator>(const Variant &a, const Variant &b) { return b < a; }
    friend bool operator<=(const Variant &a, const Variant &b);
    friend bool operator>=(const Variant &a, const Variant &b) { return b <= a; }

private:
    VarType m_type = VarType::Unassigned;
    qint64 m_int = 0; // Boolean (0 or 1), Integer, Int64, Error code
    double m_double = 0; // Double, Date
    QString m_string;
    std::shared_ptr<const QList<Variant>> m_array;
};

Q_DECLARE_METATYPE(Variant)

enum class VarCompareResult { LessThan, Equal, GreaterThan, NotEqual };

// The platform's comparison: NotEqual whenever Null is involved (and both are not Null); raises EVariantError
// when a string is not a number where one is needed.
VarCompareResult VarCompareValue(const Variant &a, const Variant &b);

// Equality that never raises: arrays element by element over equal bounds, an array against a scalar false,
// Unassigned equal only to Unassigned, a failed conversion false.
bool SameVariantValues(const Variant &a, const Variant &b);
bool SameVariantValues(const QVariant &a, const QVariant &b);
