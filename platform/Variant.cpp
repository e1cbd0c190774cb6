#include "Variant.h"

#include "Exceptions.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <limits>

Variant::Variant(bool value)
    : m_type(VarType::Boolean)
    , m_int(value ? 1 : 0)
{
}

Variant::Variant(int value)
    : m_type(VarType::Integer)
    , m_int(value)
{
}

Variant::Variant(qint64 value)
    : m_type(VarType::Int64)
    , m_int(value)
{
}

Variant::Variant(long value)
    : Variant(qint64(value))
{
}

Variant::Variant(double value)
    : m_type(VarType::Double)
    , m_double(value)
{
}

Variant::Variant(const QString &value)
    : m_type(VarType::String)
    , m_string(value)
{
}

Variant::Variant(const char *utf8)
    : Variant(QString::fromUtf8(utf8))
{
}

Variant::Variant(const QList<Variant> &elements)
    : m_type(VarType::Array)
    , m_array(std::make_shared<const QList<Variant>>(elements))
{
}

Variant Variant::Null()
{
    Variant v;
    v.m_type = VarType::Null;
    return v;
}

Variant Variant::Date(TDateTime value)
{
    Variant v;
    v.m_type = VarType::Date;
    v.m_double = value;
    return v;
}

Variant Variant::fromDateTime(const QDateTime &value)
{
    return value.isValid() ? Date(DateTimeToDayCount(value)) : Null();
}

Variant Variant::Error(quint32 code)
{
    Variant v;
    v.m_type = VarType::Error;
    v.m_int = code;
    return v;
}

QString Variant::typeName() const
{
    switch (m_type) {
    case VarType::Unassigned:
        return QStringLiteral("Empty");
    case VarType::Null:
        return QStringLiteral("Null");
    case VarType::Boolean:
        return QStringLiteral("Boolean");
    case VarType::Integer:
        return QStringLiteral("Integer");
    case VarType::Int64:
        return QStringLiteral("Int64");
    case VarType::Double:
        return QStringLiteral("Double");
    case VarType::Date:
        return QStringLiteral("Date");
    case VarType::String:
        return QStringLiteral("String");
    case VarType::Array:
        return QStringLiteral("Array Variant");
    case VarType::Error:
        return QStringLiteral("Error");
    }
    return {};
}

namespace {

[[noreturn]] void castError(const Variant &v, const char *target)
{
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(v.typeName(), QLatin1String(target)));
}

[[noreturn]] void invalidOperation()
{
    throw EVariantError(QStringLiteral("Invalid variant operation"));
}

// A string read as a number: the platform's float syntax, or the words True and False.
bool stringToDouble(const QString &text, double &value)
{
    if (TryStrToFloat(text, value))
        return true;
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        value = -1;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        value = 0;
        return true;
    }
    return false;
}

} // namespace

double Variant::toDouble() const
{
    switch (m_type) {
    case VarType::Unassigned:
        return 0;
    case VarType::Boolean:
        return m_int ? -1 : 0;
    case VarType::Integer:
    case VarType::Int64:
        return double(m_int);
    case VarType::Double:
    case VarType::Date:
        return m_double;
    case VarType::String: {
        double value = 0;
        if (!stringToDouble(m_string, value))
            castError(*this, "Double");
        return value;
    }
    default:
        castError(*this, "Double");
    }
}

qint64 Variant::toInt64() const
{
    switch (m_type) {
    case VarType::Integer:
    case VarType::Int64:
        return m_int;
    case VarType::Boolean:
        return m_int ? -1 : 0;
    default: {
        const double d = roundHalfEven(toDouble());
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
            throw EVariantError(QStringLiteral("Arithmetic overflow"));
        return qint64(d);
    }
    }
}

int Variant::toInt() const
{
    const qint64 v = toInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        throw EVariantError(QStringLiteral("Arithmetic overflow"));
    return int(v);
}

bool Variant::toBool() const
{
    switch (m_type) {
    case VarType::Boolean:
        return m_int != 0;
    case VarType::String: {
        double value = 0;
        if (!stringToDouble(m_string, value))
            castError(*this, "Boolean");
        return value != 0;
    }
    default:
        return toDouble() != 0;
    }
}

TDateTime Variant::toDate() const
{
    switch (m_type) {
    case VarType::String: {
        TDateTime value = 0;
        if (TryStrToDateTime(m_string, value) || TryStrToFloat(m_string, value))
            return value;
        castError(*this, "Date");
    }
    case VarType::Boolean:
        castError(*this, "Date");
    default:
        return toDouble();
    }
}

QDateTime Variant::toDateTime() const
{
    return DayCountToDateTime(toDate());
}

QString Variant::toString() const
{
    switch (m_type) {
    case VarType::Unassigned:
    case VarType::Null:
        return {};
    case VarType::Boolean:
        return m_int ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Integer:
    case VarType::Int64:
        return QString::number(m_int);
    case VarType::Double:
        return FloatToStr(m_double);
    case VarType::Date:
        return DateTimeToStr(m_double);
    case VarType::String:
        return m_string;
    default:
        castError(*this, "String");
    }
}

const QList<Variant> &Variant::elements() const
{
    if (m_type != VarType::Array)
        castError(*this, "Array Variant");
    return *m_array;
}

QVariant Variant::toQVariant() const
{
    switch (m_type) {
    case VarType::Unassigned:
    case VarType::Null:
        return QVariant();
    case VarType::Boolean:
        return QVariant(m_int != 0);
    case VarType::Integer:
        return QVariant(int(m_int));
    case VarType::Int64:
        return QVariant(qlonglong(m_int));
    case VarType::Double:
        return QVariant(m_double);
    case VarType::Date:
        return QVariant(DayCountToDateTime(m_double));
    case VarType::String:
        return QVariant(m_string);
    case VarType::Array: {
        QVariantList list;
        for (const Variant &e : *m_array)
            list << e.toQVariant();
        return list;
    }
    case VarType::Error:
        return QVariant::fromValue(*this);
    }
    return {};
}

Variant Variant::fromQVariant(const QVariant &value)
{
    if (!value.isValid())
        return Null();
    const int typeId = value.typeId();
    if (typeId == qMetaTypeId<Variant>())
        return value.value<Variant>();
    switch (typeId) {
    case QMetaType::Bool:
        return Variant(value.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return Variant(value.toInt());
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return Variant(qint64(value.toLongLong()));
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            return Variant(double(u));
        return Variant(qint64(u));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return Variant(value.toDouble());
    case QMetaType::QDate:
        return value.toDate().isValid() ? Date(DateToDayCount(value.toDate())) : Null();
    case QMetaType::QTime:
        return value.toTime().isValid() ? Date(TimeToDayFraction(value.toTime())) : Null();
    case QMetaType::QDateTime:
        return fromDateTime(value.toDateTime());
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QList<Variant> elements;
        for (const QVariant &e : value.toList())
            elements << fromQVariant(e);
        return Variant(elements);
    }
    default:
        return Variant(value.toString());
    }
}

// ---- Arithmetic ----------------------------------------------------------------------------------------------

namespace {

// The rank of a numeric operand, after strings and Booleans have been read as numbers.
enum class NumKind { Integer, Int64, Double, Date };

NumKind kindOf(const Variant &v)
{
    switch (v.type()) {
    case VarType::Unassigned:
    case VarType::Boolean:
    case VarType::Integer:
        return NumKind::Integer;
    case VarType::Int64:
        return NumKind::Int64;
    case VarType::Date:
        return NumKind::Date;
    case VarType::Double:
    case VarType::String:
        return NumKind::Double;
    default:
        invalidOperation();
    }
}

Variant fromInt64(qint64 v, NumKind kind)
{
    if (kind == NumKind::Integer && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
        return Variant(int(v));
    return Variant(v);
}

enum class ArithOp { Add, Sub, Mul };

Variant arithmetic(const Variant &a, const Variant &b, ArithOp op)
{
    if (a.isNull() || b.isNull())
        return Variant::Null();
    if (op == ArithOp::Add && (a.isString() || a.isUnassigned()) && (b.isString() || b.isUnassigned())
        && (a.isString() || b.isString()))
        return Variant(a.toString() + b.toString());
    const NumKind ka = kindOf(a);
    const NumKind kb = kindOf(b);
    if (ka == NumKind::Date || kb == NumKind::Date) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        switch (op) {
        case ArithOp::Add:
            return Variant::Date(x + y);
        case ArithOp::Sub:
            return ka == NumKind::Date && kb == NumKind::Date ? Variant(x - y) : Variant::Date(x - y);
        case ArithOp::Mul:
            return Variant(x * y);
        }
    }
    if (ka == NumKind::Double || kb == NumKind::Double) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        switch (op) {
        case ArithOp::Add:
            return Variant(x + y);
        case ArithOp::Sub:
            return Variant(x - y);
        case ArithOp::Mul:
            return Variant(x * y);
        }
    }
    const qint64 x = a.toInt64();
    const qint64 y = b.toInt64();
    qint64 r = 0;
    bool overflow = false;
    switch (op) {
    case ArithOp::Add:
        overflow = __builtin_add_overflow(x, y, &r);
        break;
    case ArithOp::Sub:
        overflow = __builtin_sub_overflow(x, y, &r);
        break;
    case ArithOp::Mul:
        overflow = __builtin_mul_overflow(x, y, &r);
        break;
    }
    if (overflow) {
        // Past 64 bits the result goes on as a Double rather than wrapping round.
        const double dx = double(x);
        const double dy = double(y);
        return Variant(op == ArithOp::Add ? dx + dy : op == ArithOp::Sub ? dx - dy : dx * dy);
    }
    return fromInt64(r, ka == NumKind::Int64 || kb == NumKind::Int64 ? NumKind::Int64 : NumKind::Integer);
}

[[noreturn]] void divisionByZero()
{
    throw EVariantError(QStringLiteral("Division by zero"));
}

} // namespace

Variant operator+(const Variant &a, const Variant &b)
{
    return arithmetic(a, b, ArithOp::Add);
}

Variant operator-(const Variant &a, const Variant &b)
{
    return arithmetic(a, b, ArithOp::Sub);
}

Variant operator*(const Variant &a, const Variant &b)
{
    return arithmetic(a, b, ArithOp::Mul);
}

Variant operator/(const Variant &a, const Variant &b)
{
    if (a.isNull() || b.isNull())
        return Variant::Null();
    kindOf(a);
    kindOf(b);
    const double y = b.toDouble();
    if (y == 0)
        divisionByZero();
    return Variant(a.toDouble() / y);
}

Variant Variant::operator-() const
{
    switch (m_type) {
    case VarType::Null:
        return Null();
    case VarType::Date:
        return Date(-m_double);
    default:
        return Variant(0) - *this;
    }
}

namespace {

// The platform's div and mod: both operands as integers, truncating towards zero.
Variant integerDivision(const Variant &a, const Variant &b, bool remainder)
{
    if (a.isNull() || b.isNull())
        return Variant::Null();
    const NumKind kind
        = kindOf(a) == NumKind::Integer && kindOf(b) == NumKind::Integer ? NumKind::Integer : NumKind::Int64;
    const qint64 y = b.toInt64();
    if (y == 0)
        divisionByZero();
    const qint64 x = a.toInt64();
    if (y == -1) {
        // The one quotient that overflows is the lowest value divided by -1.
        if (remainder)
            return fromInt64(0, kind);
        return x == std::numeric_limits<qint64>::min() ? Variant(-double(x)) : fromInt64(-x, kind);
    }
    return fromInt64(remainder ? x % y : x / y, kind);
}

} // namespace

Variant Variant::intDiv(const Variant &a, const Variant &b)
{
    return integerDivision(a, b, false);
}

Variant Variant::mod(const Variant &a, const Variant &b)
{
    return integerDivision(a, b, true);
}

Variant Variant::logicalNot(const Variant &a)
{
    if (a.isNull())
        return Null();
    if (a.m_type == VarType::Boolean || a.isString())
        return Variant(!a.toBool());
    kindOf(a);
    return fromInt64(~a.toInt64(), kindOf(a) == NumKind::Integer ? NumKind::Integer : NumKind::Int64);
}

namespace {

enum class LogicOp { And, Or, Xor };

Variant logical(const Variant &a, const Variant &b, LogicOp op)
{
    if (a.isNull() || b.isNull())
        return Variant::Null();
    const bool boolA = a.type() == VarType::Boolean || a.isString();
    const bool boolB = b.type() == VarType::Boolean || b.isString();
    if (boolA && boolB) {
        const bool x = a.toBool();
        const bool y = b.toBool();
        return Variant(op == LogicOp::And ? x && y : op == LogicOp::Or ? x || y : x != y);
    }
    const qint64 x = a.toInt64();
    const qint64 y = b.toInt64();
    const qint64 r = op == LogicOp::And ? x & y : op == LogicOp::Or ? x | y : x ^ y;
    return fromInt64(r, kindOf(a) == NumKind::Int64 || kindOf(b) == NumKind::Int64 ? NumKind::Int64 : NumKind::Integer);
}

int sign(double d)
{
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

VarCompareResult fromSign(int s)
{
    return s < 0 ? VarCompareResult::LessThan : s > 0 ? VarCompareResult::GreaterThan : VarCompareResult::Equal;
}

} // namespace

Variant Variant::logicalAnd(const Variant &a, const Variant &b)
{
    return logical(a, b, LogicOp::And);
}

Variant Variant::logicalOr(const Variant &a, const Variant &b)
{
    return logical(a, b, LogicOp::Or);
}

Variant Variant::logicalXor(const Variant &a, const Variant &b)
{
    return logical(a, b, LogicOp::Xor);
}

// ---- Comparison ----------------------------------------------------------------------------------------------

VarCompareResult VarCompareValue(const Variant &a, const Variant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull() ? VarCompareResult::Equal : VarCompareResult::NotEqual;
    if (a.isArray() || b.isArray() || a.isError() || b.isError())
        invalidOperation();
    if (a.isUnassigned() && b.isUnassigned())
        return VarCompareResult::Equal;
    const bool textA = a.isString() || a.isUnassigned();
    const bool textB = b.isString() || b.isUnassigned();
    if (textA && textB)
        return fromSign(CompareTextCaseSensitive(a.toString(), b.toString()));
    if (a.isDate() || b.isDate())
        return fromSign(sign(a.toDate() - b.toDate()));
    if ((a.type() == VarType::Integer || a.type() == VarType::Int64)
        && (b.type() == VarType::Integer || b.type() == VarType::Int64)) {
        return fromSign(a.toInt64() < b.toInt64() ? -1 : a.toInt64() > b.toInt64() ? 1 : 0);
    }
    return fromSign(sign(a.toDouble() - b.toDouble()));
}

bool operator==(const Variant &a, const Variant &b)
{
    return VarCompareValue(a, b) == VarCompareResult::Equal;
}

bool operator<(const Variant &a, const Variant &b)
{
    return VarCompareValue(a, b) == VarCompareResult::LessThan;
}

bool operator<=(const Variant &a, const Variant &b)
{
    const VarCompareResult r = VarCompareValue(a, b);
    return r == VarCompareResult::LessThan || r == VarCompareResult::Equal;
}

bool SameVariantValues(const Variant &a, const Variant &b)
{
    if (a.isArray() != b.isArray())
        return false;
    try {
        if (a.isArray()) {
            const QList<Variant> &x = a.elements();
            const QList<Variant> &y = b.elements();
            if (x.size() != y.size())
                return false;
            for (qsizetype i = 0; i < x.size(); ++i) {
                if (!(x[i] == y[i]))
                    return false;
            }
            return true;
        }
        if (a.isUnassigned() || b.isUnassigned())
            return a.isUnassigned() && b.isUnassigned();
        if (a.isError() || b.isError())
            return a.isError() && b.isError() && a.errorCode() == b.errorCode();
        return a == b;
    } catch (const Exception &) {
        // A value that cannot be read as the other's type is simply a different value.
        return false;
    }
}

bool SameVariantValues(const QVariant &a, const QVariant &b)
{
    return SameVariantValues(Variant::fromQVariant(a), Variant::fromQVariant(b));
}
