#include "DataSet.h"

#include "DataSource.h"
#include "FilterExpression.h"
#include "Formats.h"
#include "LogSink.h"

#include <QDataStream>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QString tr(const char *text)
{
    return QString::fromUtf8(text);
}

[[noreturn]] void fail(const QString &message)
{
    throw EDatabaseError(message);
}

[[noreturn]] void failFor(const TDataSet *ds, const QString &message)
{
    DatabaseError(message, ds);
}

const QDateTime &zeroDate()
{
    static const QDateTime d(QDate(1899, 12, 30), QTime(0, 0));
    return d;
}

QByteArray encodeBookmark(int rowId)
{
    QByteArray b(4, Qt::Uninitialized);
    const quint32 v = quint32(rowId);
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

int decodeBookmark(const QByteArray &b)
{
    if (b.size() != 4)
        return -1;
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(quint8(b[i])) << (8 * i);
    return int(v);
}

// Key values of a Locate or Lookup as one list: a single value stands alone, a list is padded with nulls.
QVariantList keyList(const QVariant &values, int count)
{
    if (count == 1 && values.typeId() != QMetaType::QVariantList)
        return {values};
    QVariantList list = values.toList();
    while (list.size() < count)
        list << QVariant();
    return list;
}

// The values a field of an integer type holds.
std::pair<qlonglong, qlonglong> integerRange(TFieldType type)
{
    switch (type) {
    case ftSmallint: return {-32768, 32767};
    case ftWord: return {0, 65535};
    case ftLargeint: return {std::numeric_limits<qlonglong>::min(), std::numeric_limits<qlonglong>::max()};
    default: return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    }
}

} // namespace

// --------------------------------------------------------------------------------------------------------------

bool IsStringType(TFieldType t)
{
    return t == ftString || t == ftWideString || t == ftFixedChar || t == ftMemo || t == ftFmtMemo
        || t == ftOraClob || t == ftGuid;
}

bool IsIntegerType(TFieldType t)
{
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

bool IsFloatType(TFieldType t)
{
    return t == ftFloat || t == ftCurrency || t == ftBCD;
}

bool IsNumericType(TFieldType t)
{
    return IsIntegerType(t) || IsFloatType(t);
}

bool IsDateType(TFieldType t)
{
    return t == ftDate || t == ftTime || t == ftDateTime;
}

bool IsBlobType(TFieldType t)
{
    return t == ftBlob || t == ftMemo || t == ftGraphic || t == ftFmtMemo || t == ftParadoxOle || t == ftDBaseOle
        || t == ftTypedBinary || t == ftOraBlob || t == ftOraClob;
}

QString FieldTypeName(TFieldType t)
{
    static const char *names[] = {"Unknown", "String", "SmallInt", "Integer", "Word", "Boolean", "Float", "Currency",
                                  "BCD", "Date", "Time", "DateTime", "Bytes", "VarBytes", "AutoInc", "Blob", "Memo",
                                  "Graphic", "FmtMemo", "ParadoxOle", "DBaseOle", "TypedBinary", "FixedChar",
                                  "WideString", "Largeint", "OraBlob", "OraClob", "Guid"};
    return QString::fromLatin1(names[t]);
}

QStringList SplitFieldNames(const QString &names)
{
    QStringList out;
    for (const QString &piece : names.split(QLatin1Char(';'))) {
        const QString n = piece.trimmed();
        if (!n.isEmpty())
            out << n;
    }
    return out;
}

// --------------------------------------------------------------------------------------------------------------

TFieldDef &TFieldDefs::Add(const QString &name, TFieldType type, int size, bool required)
{
    if (IndexOf(name) >= 0)
        fail(tr("Duplicate field name '%1'").arg(name));
    m_items.append(TFieldDef(name, type, size, required));
    return m_items.last();
}

int TFieldDefs::IndexOf(const QString &name) const
{
    return IndexOfName(m_items, name);
}

const TFieldDef *TFieldDefs::Find(const QString &name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &m_items[i];
}

// --------------------------------------------------------------------------------------------------------------

TField *TFields::FindField(const QString &name) const
{
    for (TField *f : m_items)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

TField *TFields::FieldByName(const QString &name) const
{
    if (TField *f = FindField(name))
        return f;
    failFor(m_dataSet, tr("Field '%1' not found").arg(name));
}

// --------------------------------------------------------------------------------------------------------------

void TParam::SetValue(const QVariant &v)
{
    m_value = v;
    if (m_dataType != ftUnknown || !v.isValid())
        return;
    switch (v.typeId()) {
    case QMetaType::Int: m_dataType = ftInteger; break;
    case QMetaType::LongLong: m_dataType = ftLargeint; break;
    case QMetaType::Double: m_dataType = ftFloat; break;
    case QMetaType::Bool: m_dataType = ftBoolean; break;
    case QMetaType::QDate: m_dataType = ftDate; break;
    case QMetaType::QDateTime: m_dataType = ftDateTime; break;
    case QMetaType::QByteArray: m_dataType = ftBlob; break;
    default: m_dataType = ftString; break;
    }
}

TParams::TParams(std::initializer_list<QPair<QString, QVariant>> values)
{
    for (const auto &[name, value] : values)
        CreateParam(ftUnknown, name).SetValue(value);
}

TParam &TParams::CreateParam(TFieldType type, const QString &name, TParamType kind)
{
    m_items.append(TParam(name, type, kind));
    return m_items.last();
}

TParam &TParams::AddParam(const TParam &p)
{
    m_items.append(p);
    return m_items.last();
}

TParam *TParams::FindParam(const QString &name)
{
    for (TParam &p : m_items)
        if (p.Name().compare(name, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

const TParam *TParams::FindParam(const QString &name) const
{
    return const_cast<TParams *>(this)->FindParam(name);
}

TParam &TParams::ParamByName(const QString &name)
{
    if (TParam *p = FindParam(name))
        return *p;
    fail(tr("Parameter '%1' not found").arg(name));
}

const TParam &TParams::ParamByName(const QString &name) const
{
    return const_cast<TParams *>(this)->ParamByName(name);
}

QVariant TParams::ParamValues(const QString &names) const
{
    const QStringList list = SplitFieldNames(names);
    if (list.size() == 1)
        return ParamByName(list.first()).Value();
    QVariantList out;
    for (const QString &n : list)
        out << ParamByName(n).Value();
    return out;
}

void TParams::SetParamValues(const QString &names, const QVariant &values)
{
    const QStringList list = SplitFieldNames(names);
    if (list.size() == 1) {
        ParamByName(list.first()).SetValue(values);
        return;
    }
    const QVariantList vals = values.toList();
    for (int i = 0; i < list.size(); ++i)
        ParamByName(list[i]).SetValue(i < vals.size() ? vals[i] : QVariant());
}

void TParams::AssignValues(const TParams &other)
{
    for (const TParam &src : other.m_items) {
        if (TParam *p = FindParam(src.Name()))
            *p = src;
        else
            m_items.append(src);
    }
}

// --------------------------------------------------------------------------------------------------------------

TField::TField(TFieldType type, QObject *owner)
    : QObject(owner)
    , m_dataType(type)
    , m_alignment(IsNumericType(type) ? taRightJustify : taLeftJustify)
{
    if (type == ftString || type == ftWideString || type == ftFixedChar)
        m_size = 20;
}

TField::~TField()
{
    // A destructor cannot refuse, and must not throw: a field freed while its dataset is open closes the dataset
    // first (an open dataset must not keep a field that is gone), and the refusal is logged.
    if (!m_dataSet)
        return;
    if (m_dataSet->Active()) {
        platformLog(LogKind::Error, tr("Cannot perform this operation on an open dataset") + QStringLiteral(": ")
                                        + m_dataSet->objectName() + QLatin1Char('.') + m_fieldName);
        try {
            m_dataSet->Close();
        } catch (const std::exception &e) {
            platformLog(LogKind::Error, QString::fromUtf8(e.what()));
        }
    }
    m_dataSet->m_fields.m_items.removeOne(this);
    try {
        m_dataSet->DataEvent(deFieldListChange);
    } catch (const std::exception &e) {
        platformLog(LogKind::Error, QString::fromUtf8(e.what()));
    }
}

TField *CreateField(TFieldType type, QObject *owner)
{
    switch (type) {
    case ftString: case ftFixedChar: case ftGuid: return new TStringField(owner);
    case ftWideString: return new TWideStringField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime: return new TDateTimeField(owner);
    case ftMemo: case ftFmtMemo: case ftOraClob: return new TMemoField(owner);
    case ftBytes: case ftVarBytes: return new TBytesField(owner);
    default: return new TBlobField(owner);
    }
}

void TField::SetDataSet(TDataSet *ds)
{
    if (ds == m_dataSet)
        return;
    // Every check before the move: a refused move leaves the field where it was.
    if (m_dataSet)
        m_dataSet->CheckInactive();
    if (ds) {
        ds->CheckInactive();
        if (!m_fieldName.isEmpty() && ds->FindField(m_fieldName))
            failFor(ds, tr("Duplicate field name '%1'").arg(m_fieldName));
    }
    if (m_dataSet) {
        m_dataSet->m_fields.m_items.removeOne(this);
        m_dataSet->DataEvent(deFieldListChange);
    }
    m_dataSet = ds;
    if (ds) {
        ds->m_fields.m_items.append(this);
        ds->DataEvent(deFieldListChange);
    }
}

void TField::SetFieldName(const QString &name)
{
    if (m_dataSet)
        m_dataSet->CheckInactive();
    m_fieldName = name;
}

void TField::SetFieldKind(TFieldKind kind)
{
    if (m_dataSet)
        m_dataSet->CheckInactive();
    m_fieldKind = kind;
}

int TField::Index() const
{
    return m_dataSet ? m_dataSet->m_fields.IndexOf(this) : -1;
}

void TField::SetIndex(int i)
{
    if (!m_dataSet)
        return;
    auto &items = m_dataSet->m_fields.m_items;
    const int from = int(items.indexOf(this));
    i = std::clamp(i, 0, int(items.size()) - 1);
    if (from == i)
        return;
    items.move(from, i);
    m_dataSet->DataEvent(deLayoutChange);
}

void TField::LayoutChanged()
{
    if (m_dataSet)
        m_dataSet->DataEvent(deLayoutChange);
}

void TField::SetDisplayLabel(const QString &s)
{
    m_displayLabel = s;
    LayoutChanged();
}

int TField::DisplayWidth() const
{
    if (m_displayWidth >= 0)
        return m_displayWidth;
    switch (m_dataType) {
    case ftString: case ftWideString: case ftFixedChar: case ftGuid: return m_size;
    case ftInteger: case ftAutoInc: return 11;
    case ftSmallint: return 6;
    case ftWord: return 5;
    case ftLargeint: return 15;
    case ftFloat: case ftCurrency: case ftBCD: return 10;
    case ftDate: return FormatSettings().ShortDateFormat.size();
    case ftDateTime: return 18;
    case ftTime: return 10;
    case ftBoolean: return 5;
    default: return 10;
    }
}

void TField::SetDisplayWidth(int w)
{
    m_displayWidth = w;
    LayoutChanged();
}

void TField::SetAlignment(TAlignment a)
{
    m_alignment = a;
    LayoutChanged();
}

void TField::SetVisible(bool v)
{
    m_visible = v;
    LayoutChanged();
}

void TField::SetDisplayFormat(const QString &f)
{
    m_displayFormat = f;
    LayoutChanged();
}

void TField::SetEditFormat(const QString &f)
{
    m_editFormat = f;
    LayoutChanged();
}

bool TField::CanModify() const
{
    if (m_readOnly || !m_dataSet || !m_dataSet->CanModify())
        return false;
    return m_fieldKind == fkData || m_fieldKind == fkLookup;
}

bool TField::IsValidChar(QChar c) const
{
    if (IsNumericType(m_dataType)) {
        if (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-'))
            return true;
        if (IsFloatType(m_dataType))
            return c == FormatSettings().DecimalSeparator || c == QLatin1Char('e') || c == QLatin1Char('E');
        return false;
    }
    return true;
}

QVariant TField::Value() const
{
    if (!m_dataSet || !m_dataSet->Active())
        return QVariant();
    return m_dataSet->ReadValue(this);
}

void TField::SetValue(const QVariant &v)
{
    if (!m_dataSet)
        fail(tr("Field '%1' has no dataset").arg(m_fieldName));
    m_dataSet->WriteValue(this, v);
}

QVariant TField::OldValue() const
{
    if (!m_dataSet || !m_dataSet->Active() || m_dataIndex < 0)
        return Value();
    const int id = m_dataSet->m_editRowId >= 0 ? m_dataSet->m_editRowId : m_dataSet->ReadRowId();
    if (id < 0 || id >= int(m_dataSet->m_rows.size()))
        return QVariant();
    const TRecordData &r = m_dataSet->m_rows[id];
    if (r.original)
        return (*r.original)[m_dataIndex];
    if (m_dataSet->State() == dsInsert && id == m_dataSet->m_editRowId)
        return QVariant();
    return r.values[m_dataIndex];
}

QString TField::AsString() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return QString();
    switch (m_dataType) {
    case ftBoolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case ftFloat: case ftCurrency: case ftBCD: return FloatToStr(v.toDouble());
    case ftDate: return DateToStr(DateTimeToDayCount(v.toDateTime()));
    case ftTime: return TimeToStr(DateTimeToDayCount(v.toDateTime()));
    case ftDateTime: return DateTimeToStr(DateTimeToDayCount(v.toDateTime()));
    case ftBlob: case ftBytes: case ftVarBytes: case ftGraphic: case ftTypedBinary: case ftOraBlob:
        return QString::fromLatin1(v.toByteArray());
    default: return v.toString();
    }
}

void TField::SetAsString(const QString &s)
{
    SetValue(ParseText(s));
}

int TField::AsInteger() const
{
    return int(AsLargeInt());
}

qlonglong TField::AsLargeInt() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return 0;
    if (IsFloatType(m_dataType))
        return Round(v.toDouble());
    return Coerce(v).toLongLong();
}

double TField::AsFloat() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return 0;
    if (IsDateType(m_dataType))
        return DateTimeToDayCount(v.toDateTime());
    if (IsStringType(m_dataType))
        return StrToFloat(v.toString());
    return v.toDouble();
}

QDateTime TField::AsDateTime() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return zeroDate();
    if (IsDateType(m_dataType))
        return v.toDateTime();
    if (IsStringType(m_dataType))
        return DayCountToDateTime(StrToDateTime(v.toString()));
    if (IsNumericType(m_dataType))
        return DayCountToDateTime(v.toDouble());
    fail(tr("Invalid type conversion to DateTime in field '%1'").arg(DisplayName()));
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    if (!v.isValid())
        return false;
    if (IsStringType(m_dataType))
        return v.toString().trimmed().compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0;
    return v.toBool();
}

void TField::SetText(const QString &s)
{
    if (OnSetText)
        OnSetText(this, s);
    else
        SetValue(ParseText(s));
}

void TField::FocusControl()
{
    if (!m_dataSet)
        return;
    TField *f = this;
    for (TDataLink *link : m_dataSet->AllLinks()) {
        link->FocusControl(&f);
        if (!f)
            break;
    }
}

QString TField::GetText(bool displayText) const
{
    QString text = FormatValue(Value(), displayText);
    if (OnGetText)
        OnGetText(const_cast<TField *>(this), text, displayText);
    return text;
}

QString TField::FormatValue(const QVariant &v, bool displayText) const
{
    switch (m_dataType) {
    case ftMemo: case ftFmtMemo: case ftOraClob:
        if (!displayText)
            return v.toString();
        return v.isValid() && !v.toString().isEmpty() ? QStringLiteral("(MEMO)") : QStringLiteral("(memo)");
    case ftBlob: case ftGraphic: case ftTypedBinary: case ftOraBlob: case ftParadoxOle: case ftDBaseOle:
        return v.isValid() && !v.toByteArray().isEmpty() ? QStringLiteral("(BLOB)") : QStringLiteral("(blob)");
    default: break;
    }
    if (!v.isValid())
        return QString();
    const QString &fmt = displayText || m_editFormat.isEmpty() ? m_displayFormat : m_editFormat;
    if (IsFloatType(m_dataType)) {
        // The edit text ignores DisplayFormat: it must read back as the same number.
        if (!displayText && m_editFormat.isEmpty())
            return FloatToStrF(v.toDouble(), ffGeneral, m_precision, 0);
        if (!fmt.isEmpty())
            return FormatFloat(fmt, v.toDouble());
        if (m_currency)
            return FloatToStrF(v.toDouble(), displayText ? ffCurrency : ffFixed, m_precision,
                               FormatSettings().CurrencyDecimals);
        return FloatToStrF(v.toDouble(), ffGeneral, m_precision, 0);
    }
    if (IsIntegerType(m_dataType)) {
        if (!fmt.isEmpty() && (displayText || !m_editFormat.isEmpty()))
            return FormatFloat(fmt, double(v.toLongLong()));
        return QString::number(v.toLongLong());
    }
    if (IsDateType(m_dataType)) {
        const QDateTime dt = v.toDateTime();
        if (!fmt.isEmpty() && (displayText || !m_editFormat.isEmpty()))
            return FormatDateTime(fmt, dt);
        return AsString();
    }
    return AsString();
}

QVariant TField::ParseText(const QString &s) const
{
    if (s.trimmed().isEmpty() && !IsStringType(m_dataType))
        return QVariant();
    if (IsStringType(m_dataType))
        return s.isEmpty() ? QVariant() : QVariant(s);
    return Coerce(s);
}

QVariant TField::Coerce(const QVariant &v) const
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    const int vt = v.typeId();
    const bool isText = vt == QMetaType::QString || vt == QMetaType::QByteArray || vt == QMetaType::QChar;
    auto invalid = [&](const char *kind) -> QVariant {
        throw EConvertError(tr("'%1' is not a valid %2 value for field '%3'").arg(v.toString(), QString::fromLatin1(kind), DisplayName()));
    };
    switch (m_dataType) {
    case ftString: case ftWideString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftOraClob: case ftGuid:
        if (vt == QMetaType::Double)
            return FloatToStr(v.toDouble());
        if (vt == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return v.toString();
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: {
        // A number the field cannot hold is refused, never wrapped or turned to 0.
        const auto [low, high] = integerRange(m_dataType);
        // Doubles at or beyond 2^63 do not convert to a 64-bit integer.
        auto checked = [&](double d) {
            if (!std::isfinite(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
                invalid("integer");
            return d;
        };
        qlonglong n = 0;
        if (isText) {
            bool ok = false;
            n = v.toString().trimmed().toLongLong(&ok);
            if (!ok) {
                double d = 0;
                if (!TryStrToFloat(v.toString(), d) || d != std::floor(d))
                    return invalid("integer");
                n = qlonglong(checked(d));
            }
        } else if (vt == QMetaType::Double || vt == QMetaType::Float) {
            n = Round(checked(v.toDouble()));
        } else if (vt == QMetaType::QDateTime || vt == QMetaType::QDate) {
            return invalid("integer");
        } else if (vt == QMetaType::ULongLong) {
            if (v.toULongLong() > quint64(high))
                return invalid("integer");
            n = qlonglong(v.toULongLong());
        } else {
            bool ok = false;
            n = v.toLongLong(&ok);
            if (!ok)
                return invalid("integer");
        }
        if (n < low || n > high)
            return invalid("integer");
        if (m_dataType == ftLargeint)
            return n;
        return int(n);
    }
    case ftFloat: case ftCurrency: case ftBCD: {
        if (isText) {
            double d = 0;
            if (!TryStrToFloat(v.toString(), d))
                return invalid("floating point");
            return d;
        }
        if (vt == QMetaType::QDateTime)
            return DateTimeToDayCount(v.toDateTime());
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            return invalid("floating point");
        return d;
    }
    case ftBoolean:
        if (isText) {
            const QString t = v.toString().trimmed();
            if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"))
                return true;
            if (t.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
                return false;
            return invalid("boolean");
        }
        return v.toBool();
    case ftDate: case ftTime: case ftDateTime: {
        QDateTime dt;
        if (vt == QMetaType::QDateTime) {
            dt = v.toDateTime();
        } else if (vt == QMetaType::QDate) {
            dt = QDateTime(v.toDate(), QTime(0, 0));
        } else if (vt == QMetaType::QTime) {
            dt = QDateTime(zeroDate().date(), v.toTime());
        } else if (isText) {
            const QString t = v.toString().trimmed();
            // Stored text dates ('YYYY-MM-DD HH:MM:SS') come first; typed text follows the short date format.
            dt = QDateTime::fromString(t, Qt::ISODate);
            if (!dt.isValid()) {
                const QDate d = QDate::fromString(t, Qt::ISODate);
                if (d.isValid())
                    dt = QDateTime(d, QTime(0, 0));
            }
            if (!dt.isValid()) {
                TDateTime n = 0;
                if (!TryStrToDateTime(t, n))
                    return invalid("date and time");
                dt = DayCountToDateTime(n);
            }
        } else {
            bool ok = false;
            const double n = v.toDouble(&ok);
            if (!ok)
                return invalid("date and time");
            dt = DayCountToDateTime(n);
        }
        if (!dt.isValid())
            return invalid("date and time");
        if (m_dataType == ftDate)
            return QDateTime(dt.date(), QTime(0, 0));
        if (m_dataType == ftTime)
            return QDateTime(zeroDate().date(), dt.time());
        return dt;
    }
    default:
        if (vt == QMetaType::QString)
            return v.toString().toUtf8();
        return v.toByteArray();
    }
}

// --------------------------------------------------------------------------------------------------------------

// Follows the master's current record for a detail dataset.
class TMasterDataLink : public TDataLink
{
public:
    explicit TMasterDataLink(TDataSet *detail) : m_detail(detail) {}

protected:
    void ActiveChanged() override { Check(); }
    void DataSetChanged() override { Check(); }
    void DataSetScrolled(int) override { Check(); }
    void RecordChanged(TField *field) override
    {
        // Typing into the master's key does not refetch the details until the master record is posted.
        if (field == nullptr && DataSet() && DataSet()->State() == dsBrowse)
            Check();
    }

private:
    void Check()
    {
        if (!m_detail->Active())
            return;
        const QVariantList values = m_detail->CurrentMasterValues();
        if (values == m_detail->m_masterValues && m_seen)
            return;
        m_seen = true;
        // A detail that refuses to follow (it cannot keep its pending changes) stays on the rows it shows.
        QVariantList previous = values;
        m_detail->m_masterValues.swap(previous);
        try {
            m_detail->MasterChanged();
        } catch (...) {
            m_detail->m_masterValues.swap(previous);
            throw;
        }
    }

    TDataSet *m_detail;
    bool m_seen = false;

    friend class TDataSet;
};

// --------------------------------------------------------------------------------------------------------------

TDataSet::TDataSet(QObject *owner)
    : QObject(owner)
{
    m_fields.m_dataSet = this;
}

TDataSet::~TDataSet()
{
    m_masterLink.reset();
    for (TDataSource *ds : m_dataSources)
        ds->m_dataSet = nullptr;
    for (TField *f : m_fields.m_items)
        f->m_dataSet = nullptr;
}

void TDataSet::CheckActive() const
{
    if (!Active())
        failFor(this, tr("Cannot perform this operation on a closed dataset"));
}

void TDataSet::CheckInactive() const
{
    if (Active())
        failFor(this, tr("Cannot perform this operation on an open dataset"));
}

void TDataSet::SetActive(bool a)
{
    if (a)
        Open();
    else
        Close();
}

void TDataSet::Open()
{
    if (Active())
        return;
    BeforeOpen(this);
    OpenCursor();
    m_cursor = m_order.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_order.empty();
    SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterOpen(this);
    AfterScroll(this);
}

void TDataSet::OpenCursor()
{
    ClearRows();
    m_fetching = true;
    try {
        if (m_pendingRows) {
            auto rows = std::move(m_pendingRows);
            ReserveRows(int(rows->size()));
            for (auto &r : *rows)
                AppendFetchedRow(std::move(r));
        } else {
            InternalOpen();
        }
        // A table declared only by its fields takes its columns from them.
        if (m_fieldDefs.Count() == 0)
            for (TField *f : m_fields.m_items)
                if (f->m_fieldKind == fkData) {
                    TFieldDef &def = m_fieldDefs.Add(f->m_fieldName, f->m_dataType, f->m_size, f->m_required);
                    def.ProviderFlags = f->m_providerFlags;
                }
        if (m_fields.m_items.isEmpty())
            CreateDefaultFields();
        BindFields();
    } catch (...) {
        m_fetching = false;
        ClearRows();
        if (m_defaultFields)
            qDeleteAll(m_fields.m_items), m_fields.m_items.clear();
        throw;
    }
    m_fetching = false;
    if (m_masterLink && m_masterLink->Active())
        m_masterValues = CurrentMasterValues();
    m_filterPredicate = nullptr;
    if (!m_filter.trimmed().isEmpty())
        m_filterPredicate = CompileFilter(this, m_filter);
    RebuildOrder(false);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    CheckBrowseMode();
    BeforeClose(this);
    CloseCursor();
    SetState(dsInactive);
    AfterClose(this);
}

void TDataSet::CloseCursor()
{
    InternalClose();
    ClearRows();
    m_cursor = -1;
    m_bof = m_eof = true;
    m_drawPosition = -1;
    m_filterPredicate = nullptr;
    if (m_defaultFields) {
        const auto fields = m_fields.m_items;
        m_fields.m_items.clear();
        for (TField *f : fields) {
            f->m_dataSet = nullptr;
            delete f;
        }
        m_defaultFields = false;
    }
}

void TDataSet::ClearRows()
{
    RowsChanged();
    m_rows.clear();
    m_sequence.clear();
    m_order.clear();
    m_positions.clear();
    m_positionsValid = false;
    m_editBuffer.clear();
    m_editRowId = -1;
    InvalidateCalcCache();
}

void TDataSet::CreateDefaultFields()
{
    for (const TFieldDef &def : m_fieldDefs.Items()) {
        TField *f = ::CreateField(def.DataType, this);
        f->m_fieldName = def.Name;
        f->m_size = def.Size;
        if (def.Precision > 0)
            f->m_precision = def.Precision;
        f->m_required = def.Required;
        f->m_readOnly = def.ReadOnly;
        f->m_providerFlags = def.ProviderFlags;
        f->m_defaultField = true;
        f->m_dataSet = this;
        m_fields.m_items.append(f);
    }
    m_defaultFields = true;
}

void TDataSet::BindFields()
{
    int calc = 0;
    for (TField *f : m_fields.m_items) {
        f->m_dataIndex = -1;
        f->m_calcIndex = -1;
        if (f->m_fieldKind == fkData) {
            const int i = m_fieldDefs.IndexOf(f->m_fieldName);
            if (i < 0)
                failFor(this, tr("Field '%1' not found").arg(f->m_fieldName));
            f->m_dataIndex = i;
            // The declared type wins over what the engine reported (dates arrive as text on SQLite).
            TFieldDef &def = m_fieldDefs[i];
            if (def.DataType != f->m_dataType) {
                def.DataType = f->m_dataType;
                ++m_rowsStamp;
                for (size_t r = 0; r < m_rows.size(); ++r) {
                    QVariant &v = m_rows[r].values[size_t(i)];
                    try {
                        v = f->Coerce(v);
                        if (m_rows[r].original) // a pending change read from a file
                            (*m_rows[r].original)[size_t(i)] = f->Coerce((*m_rows[r].original)[size_t(i)]);
                    } catch (const Exception &e) {
                        failFor(this, tr("Row %1: %2").arg(r + 1).arg(e.message()));
                    }
                }
            }
        } else {
            f->m_calcIndex = calc++;
        }
    }
    m_calcCount = calc;
    // A declared field may leave columns of the definitions without a field object; rows still hold them.
}

void TDataSet::AppendFetchedRow(std::vector<QVariant> values)
{
    values.resize(size_t(m_fieldDefs.Count()));
    TRecordData r;
    r.values = std::move(values);
    m_sequence.push_back(int(m_rows.size()));
    m_rows.push_back(std::move(r));
    ++m_rowsStamp;
}

void TDataSet::LoadData(const QList<TFieldDef> &defs, std::vector<std::vector<QVariant>> rows)
{
    Close();
    m_fieldDefs.Clear();
    for (const TFieldDef &d : defs) {
        TFieldDef &def = m_fieldDefs.Add(d.Name, d.DataType, d.Size, d.Required);
        def = d;
    }
    m_pendingRows = std::make_unique<std::vector<std::vector<QVariant>>>(std::move(rows));
    Open();
}

std::vector<std::vector<QVariant>> TDataSet::ExtractRows(bool take)
{
    std::vector<std::vector<QVariant>> out;
    out.reserve(m_order.size());
    if (take)
        ++m_rowsStamp;
    for (int id : m_order) {
        if (take)
            out.push_back(std::move(m_rows[id].values));
        else
            out.push_back(m_rows[id].values);
    }
    return out;
}

void TDataSet::InternalRefresh()
{
    ClearRows();
    m_fetching = true;
    try {
        InternalOpen();
        BindFields();
    } catch (...) {
        m_fetching = false;
        throw;
    }
    m_fetching = false;
}

void TDataSet::Refresh()
{
    CheckActive();
    CheckBrowseMode();
    BeforeRefresh(this);
    // The current record is found again by its key when the dataset names one, else by its position.
    const QStringList keys = SplitFieldNames(PSGetKeyFields());
    QVariantList keyValues;
    for (const QString &k : keys)
        if (TField *f = FindField(k))
            keyValues << f->Value();
    const int oldCursor = m_cursor;
    InternalRefresh();
    RebuildOrder(false);
    m_cursor = m_order.empty() ? -1 : std::clamp(oldCursor, 0, int(m_order.size()) - 1);
    if (!keyValues.isEmpty() && keyValues.size() == keys.size()) {
        const int pos = FindRow(GetFieldList(keys.join(QLatin1Char(';'))), keyValues, 0);
        if (pos >= 0)
            m_cursor = pos;
    }
    m_bof = m_eof = m_order.empty();
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterRefresh(this);
}

bool TDataSet::IsEmpty() const
{
    return !Active() || m_order.empty();
}

// ---- Order

std::vector<int> TDataSet::BaseOrder() const
{
    std::vector<int> order;
    order.reserve(m_sequence.size());
    for (int id : m_sequence)
        if (m_rows[id].live)
            order.push_back(id);
    return order;
}

int TDataSet::PlaceInBaseOrder(const std::vector<int> &, int) const
{
    return -1;
}

bool TDataSet::RowPassesFilter(int rowId)
{
    if (!MasterRangeAccepts(rowId))
        return false;
    if (!m_filtered)
        return true;
    const int saved = m_readRow;
    m_readRow = rowId;
    InvalidateCalcCache();
    bool accept = true;
    try {
        if (m_filterPredicate)
            accept = m_filterPredicate(this, rowId);
        if (accept && OnFilterRecord.assigned())
            OnFilterRecord(this, accept);
    } catch (...) {
        m_readRow = saved;
        InvalidateCalcCache();
        throw;
    }
    m_readRow = saved;
    InvalidateCalcCache();
    return accept;
}

void TDataSet::RebuildOrder(bool keepCurrent)
{
    const int current = keepCurrent ? CurrentRowId() : -1;
    std::vector<int> base = BaseOrder();
    if (m_filtered || !m_masterValues.isEmpty()) {
        std::vector<int> shown;
        shown.reserve(base.size());
        for (int id : base)
            if (RowPassesFilter(id))
                shown.push_back(id);
        base.swap(shown);
    }
    m_order.swap(base);
    m_positionsValid = false;
    ++m_orderStamp;
    ++m_dataStamp; // the rows themselves are as they were
    InvalidateCalcCache();
    int pos = current >= 0 ? PositionOf(current) : -1;
    if (pos < 0)
        pos = m_order.empty() ? -1 : 0;
    m_cursor = pos;
    m_bof = m_eof = m_order.empty();
}

void TDataSet::RebuildPositions() const
{
    m_positions.assign(m_rows.size(), -1);
    for (int i = 0; i < int(m_order.size()); ++i)
        m_positions[m_order[i]] = i;
    m_positionsValid = true;
}

int TDataSet::PositionOf(int rowId) const
{
    if (rowId < 0 || rowId >= int(m_rows.size()))
        return -1;
    if (!m_positionsValid || m_positions.size() != m_rows.size())
        RebuildPositions();
    return m_positions[rowId];
}

int TDataSet::CurrentRowId() const
{
    return m_cursor >= 0 && m_cursor < int(m_order.size()) ? m_order[m_cursor] : -1;
}

int TDataSet::ReadRowId() const
{
    if (m_readRow >= 0)
        return m_readRow;
    if (m_drawPosition >= 0 && m_drawPosition < int(m_order.size()))
        return m_order[m_drawPosition];
    return CurrentRowId();
}

// ---- Values

QVariant TDataSet::RowValue(int rowId, const TField *f) const
{
    if (f->m_dataIndex >= 0) {
        if (rowId < 0)
            return QVariant();
        if (IsEditing() && rowId == m_editRowId)
            return m_editBuffer[f->m_dataIndex];
        return m_rows[rowId].values[f->m_dataIndex];
    }
    if (f->m_calcIndex < 0 || rowId < 0)
        return QVariant();
    return CalcBufferFor(rowId)[f->m_calcIndex];
}

QVariant TDataSet::ReadValue(const TField *f) const
{
    if (m_inCalc) {
        if (f->m_dataIndex >= 0)
            return (*m_calcSource)[f->m_dataIndex];
        return f->m_calcIndex >= 0 ? (*m_calcWork)[f->m_calcIndex] : QVariant();
    }
    return RowValue(ReadRowId(), f);
}

const std::vector<QVariant> &TDataSet::CalcBufferFor(int rowId) const
{
    const int key = IsEditing() && rowId == m_editRowId ? -1 : rowId;
    if (key != m_calcRowId) {
        const std::vector<QVariant> &source = key == -1 ? m_editBuffer : m_rows[rowId].values;
        std::vector<QVariant> buffer;
        const_cast<TDataSet *>(this)->CalculateFields(source, buffer);
        m_calcBuffer.swap(buffer);
        m_calcRowId = key;
    }
    return m_calcBuffer;
}

void TDataSet::CalculateFields(const std::vector<QVariant> &source, std::vector<QVariant> &buffer)
{
    buffer.assign(size_t(m_calcCount), QVariant());
    if (m_calcCount == 0 || m_inCalc)
        return;
    const bool savedCalc = m_inCalc;
    const std::vector<QVariant> *savedSource = m_calcSource;
    std::vector<QVariant> *savedWork = m_calcWork;
    const TDataSetState savedState = m_state;
    m_inCalc = true;
    m_calcSource = &source;
    m_calcWork = &buffer;
    auto restore = [&] {
        m_inCalc = savedCalc;
        m_calcSource = savedSource;
        m_calcWork = savedWork;
        m_state = savedState;
    };
    try {
        for (TField *f : m_fields.m_items) {
            if (f->m_fieldKind != fkLookup || !f->m_lookupDataSet || !f->m_lookupDataSet->Active())
                continue;
            const QVariant key = FieldValues(f->m_keyFields);
            bool anyNull = !key.isValid();
            if (key.typeId() == QMetaType::QVariantList)
                for (const QVariant &k : key.toList())
                    anyNull = anyNull || !k.isValid();
            if (!anyNull)
                buffer[f->m_calcIndex] = f->Coerce(LookupValue(f, key));
        }
        if (OnCalcFields.assigned()) {
            m_state = dsCalcFields;
            OnCalcFields(this);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

bool TDataSet::IsEditing() const
{
    return m_state == dsEdit || m_state == dsInsert;
}

void TDataSet::WriteValue(TField *f, const QVariant &v)
{
    if (m_inCalc) {
        if (f->m_calcIndex < 0)
            failFor(this, tr("Field '%1' cannot be modified").arg(f->DisplayName()));
        (*m_calcWork)[f->m_calcIndex] = f->Coerce(v);
        return;
    }
    CheckActive();
    if (f->m_fieldKind != fkData)
        failFor(this, tr("Field '%1' cannot be modified").arg(f->DisplayName()));
    // A write while browsing is refused: an edit begun behind the caller's back would be left pending.
    if (!IsEditing())
        failFor(this, tr("Dataset not in edit or insert mode"));
    if (f->m_readOnly && !m_fetching)
        failFor(this, tr("Field '%1' cannot be modified").arg(f->DisplayName()));
    CheckDrawing();
    QVariant value = f->Coerce(v);
    if (value.isValid() && IsNumericType(f->m_dataType)) {
        const double d = value.toDouble();
        if ((f->m_minValue.isValid() && d < f->m_minValue.toDouble())
            || (f->m_maxValue.isValid() && d > f->m_maxValue.toDouble()))
            failFor(this, tr("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                              .arg(FloatToStr(d), f->DisplayName(), FloatToStr(f->m_minValue.toDouble()),
                                   FloatToStr(f->m_maxValue.toDouble())));
    }
    if (f->OnValidate)
        f->OnValidate(f, value);
    m_editBuffer[f->m_dataIndex] = value;
    m_modified = true;
    InvalidateCalcCache();
    if (f->OnChange)
        f->OnChange(f);
    DataEvent(deFieldChange, f);
}

// The text a lookup list files a key under: the values as the lookup dataset compares them (texts as they
// are, other types coerced to the key field's type), each tagged so that no two keys share a text.
static QString lookupKeyText(const QList<TField *> &fields, const QVariantList &values)
{
    QString out;
    for (int i = 0; i < fields.size(); ++i) {
        const QVariant &raw = i < values.size() ? values[i] : QVariant();
        const TField *f = fields[i];
        const QVariant v = !raw.isValid() ? QVariant() : (IsStringType(f->DataType()) ? QVariant(raw.toString())
                                                                                       : f->Coerce(raw));
        if (!v.isValid())
            out += QLatin1String("\x01");
        else if (IsDateType(f->DataType()))
            out += QLatin1Char('d') + QString::number(v.toDateTime().toMSecsSinceEpoch());
        else if (IsFloatType(f->DataType()))
            out += QLatin1Char('f') + QString::number(v.toDouble(), 'g', 17);
        else
            out += QLatin1Char('v') + v.toString();
        out += QChar(0x1f);
    }
    return out;
}

QVariant TDataSet::LookupValue(TField *f, const QVariant &key)
{
    TDataSet *ds = f->m_lookupDataSet;
    if (!f->m_lookupCache)
        return ds->Lookup(f->m_lookupKeyFields, key, f->m_lookupResultField);
    const QList<TField *> keyFields = ds->GetFieldList(f->m_lookupKeyFields);
    if (f->m_lookupListStamp != ds->m_dataStamp)
        f->RefreshLookupList();
    return f->m_lookupList.value(lookupKeyText(keyFields, keyList(key, int(keyFields.size()))));
}

void TField::SetLookupCache(bool on)
{
    m_lookupCache = on;
    m_lookupList.clear();
    m_lookupListStamp = 0;
    if (m_dataSet)
        m_dataSet->InvalidateCalcCache();
}

void TField::RefreshLookupList()
{
    m_lookupList.clear();
    m_lookupListStamp = 0;
    TDataSet *ds = m_lookupDataSet;
    if (!ds || !ds->Active())
        return;
    const QList<TField *> keyFields = ds->GetFieldList(m_lookupKeyFields);
    TField *result = ds->FieldByName(m_lookupResultField);
    // From the stored values: a row being edited files under its stored key, so that the list still holds it
    // when the edit is cancelled; a new row not yet posted has no stored key.
    const auto stored = [ds](int id, const TField *f) {
        return f->m_dataIndex >= 0 ? ds->m_rows[id].values[f->m_dataIndex] : ds->RowValue(id, f);
    };
    for (int id : ds->m_order) {
        if (!ds->m_rows[id].live)
            continue;
        QVariantList values;
        for (const TField *k : keyFields)
            values << stored(id, k);
        const QString text = lookupKeyText(keyFields, values);
        if (!m_lookupList.contains(text)) // the first row of a key answers, as Lookup does
            m_lookupList.insert(text, stored(id, result));
    }
    m_lookupListStamp = ds->m_dataStamp;
    if (m_dataSet)
        m_dataSet->InvalidateCalcCache();
}

QVariantList TDataSet::CurrentMasterValues() const
{
    TDataSet *master = m_masterLink ? m_masterLink->DataSet() : nullptr;
    if (!master || !master->Active() || m_masterFields.isEmpty())
        return QVariantList();
    QVariantList out;
    for (TField *f : master->GetFieldList(m_masterFields))
        out << f->Value();
    return out;
}

// ---- Navigation

void TDataSet::First()
{
    CheckBrowseMode();
    BeforeScroll(this);
    m_cursor = m_order.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_order.empty();
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    BeforeScroll(this);
    m_cursor = int(m_order.size()) - 1;
    m_eof = true;
    m_bof = m_order.empty();
    DataEvent(deDataSetChange, nullptr, wmLast);
    AfterScroll(this);
}

void TDataSet::Next()
{
    MoveBy(1);
}

void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && m_eof) || (distance < 0 && m_bof))
        return 0;
    BeforeScroll(this);
    const int n = int(m_order.size());
    const int from = m_cursor;
    int to = from + distance;
    if (distance > 0) {
        m_bof = false;
        if (to > n - 1) {
            to = n - 1;
            m_eof = true;
        }
    } else {
        m_eof = false;
        if (to < 0) {
            to = 0;
            m_bof = true;
        }
    }
    m_cursor = to;
    DataEvent(deDataSetScroll, nullptr, wmScroll);
    AfterScroll(this);
    return to - from;
}

int TDataSet::RecordCount() const
{
    if (!Active())
        return 0;
    return int(m_order.size()) - (m_state == dsInsert ? 1 : 0);
}

int TDataSet::RecNo() const
{
    if (!Active() || m_state == dsInsert || m_cursor < 0)
        return 0;
    return m_cursor + 1;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    if (m_order.empty())
        return;
    const int pos = std::clamp(recNo - 1, 0, int(m_order.size()) - 1);
    if (pos == m_cursor)
        return;
    BeforeScroll(this);
    m_cursor = pos;
    m_bof = m_eof = false;
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterScroll(this);
}

// ---- Editing

void TDataSet::CheckDrawing() const
{
    if (m_drawPosition >= 0 && m_drawPosition != m_cursor)
        failFor(this, tr("Cannot change a record that is not the current record"));
}

void TDataSet::CheckCanModify() const
{
    if (!CanModify())
        failFor(this, tr("Cannot modify a read-only dataset"));
}

void TDataSet::Edit()
{
    if (IsEditing())
        return;
    CheckActive();
    if (m_order.empty()) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    CheckDrawing();
    BeforeEdit(this);
    m_editRowId = CurrentRowId();
    m_editBuffer = m_rows[m_editRowId].values;
    m_modified = false;
    InvalidateCalcCache();
    SetState(dsEdit);
    DataEvent(deRecordChange);
    AfterEdit(this);
}

void TDataSet::Insert()
{
    BeginInsert(false);
}

void TDataSet::Append()
{
    BeginInsert(true);
}

void TDataSet::BeginInsert(bool append)
{
    CheckActive();
    CheckBrowseMode();
    CheckCanModify();
    CheckDrawing();
    BeforeInsert(this);
    BeforeScroll(this);
    TRecordData r;
    r.values.resize(size_t(m_fieldDefs.Count()));
    r.live = false;
    r.status = usInserted;
    m_rows.push_back(std::move(r));
    ++m_rowsStamp;
    const int id = int(m_rows.size()) - 1;
    const int pos = append || m_cursor < 0 ? int(m_order.size()) : m_cursor;
    const auto before = pos < int(m_order.size()) ? std::find(m_sequence.begin(), m_sequence.end(), m_order[pos])
                                                   : m_sequence.end();
    m_sequence.insert(before, id);
    m_order.insert(m_order.begin() + pos, id);
    m_positionsValid = false;
    m_cursor = pos;
    m_bof = m_eof = false;
    m_editRowId = id;
    m_editBuffer.assign(size_t(m_fieldDefs.Count()), QVariant());
    InvalidateCalcCache();
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        DropPendingInsert();
        SetState(dsBrowse);
        DataEvent(deDataSetChange, nullptr, wmStructural);
        throw;
    }
    m_modified = false;
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterInsert(this);
    AfterScroll(this);
}

void TDataSet::DoOnNewRecord()
{
    // A new detail record belongs to the master's current record.
    if (!m_masterValues.isEmpty()) {
        const QList<TField *> fields = GetFieldList(m_detailFields.isEmpty() ? m_masterFields : m_detailFields);
        for (int i = 0; i < fields.size() && i < m_masterValues.size(); ++i)
            if (fields[i]->m_dataIndex >= 0)
                m_editBuffer[fields[i]->m_dataIndex] = fields[i]->Coerce(m_masterValues[i]);
    }
    OnNewRecord(this);
}

void TDataSet::DropPendingInsert()
{
    const int pos = PositionOf(m_editRowId);
    if (pos >= 0)
        m_order.erase(m_order.begin() + pos);
    const auto seq = std::find(m_sequence.begin(), m_sequence.end(), m_editRowId);
    if (seq != m_sequence.end())
        m_sequence.erase(seq);
    if (m_editRowId == int(m_rows.size()) - 1)
        m_rows.pop_back();
    ++m_rowsStamp;
    m_positionsValid = false;
    m_editRowId = -1;
    m_editBuffer.clear();
    m_modified = false;
    InvalidateCalcCache();
    const int n = int(m_order.size());
    if (n == 0) {
        m_cursor = -1;
        m_bof = m_eof = true;
    } else {
        m_cursor = std::min(m_cursor, n - 1);
    }
}

void TDataSet::UpdateRecord()
{
    if (!IsEditing())
        failFor(this, tr("Dataset not in edit or insert mode"));
    DataEvent(deUpdateRecord);
}

void TDataSet::CheckRequiredFields()
{
    for (TField *f : m_fields.m_items)
        if (f->m_required && !f->m_readOnly && f->m_fieldKind == fkData && !m_editBuffer[f->m_dataIndex].isValid()) {
            f->FocusControl();
            failFor(this, tr("Field '%1' must have a value").arg(f->DisplayName()));
        }
}

void TDataSet::InternalPost(int, bool, std::vector<QVariant> &)
{
}

void TDataSet::InternalDelete(int rowId)
{
    ++m_rowsStamp;
    m_rows[rowId].live = false;
    m_rows[rowId].values.clear();
    m_rows[rowId].values.shrink_to_fit();
}

void TDataSet::Post()
{
    CheckActive();
    UpdateRecord();
    CheckDrawing();
    DataEvent(deCheckBrowseMode);
    BeforePost(this);
    CheckRequiredFields();
    const bool inserted = m_state == dsInsert;
    const int id = m_editRowId;
    TRecordData &row = m_rows[id];
    std::vector<QVariant> previous = std::move(row.values);
    row.values = std::move(m_editBuffer);
    row.live = true;
    if (inserted)
        row.status = usUnmodified;
    try {
        InternalPost(id, inserted, previous);
    } catch (...) {
        m_editBuffer = std::move(m_rows[id].values);
        m_rows[id].values = std::move(previous);
        m_rows[id].live = !inserted;
        throw;
    }
    m_editBuffer.clear();
    m_editRowId = -1;
    m_modified = false;
    InvalidateCalcCache();
    RowsChanged();
    // Under an index the posted record moves to its place, and the cursor follows it.
    const int pos = PositionOf(id);
    const int place = PlaceInBaseOrder(m_order, id);
    if (place >= 0 && place != pos && pos >= 0) {
        m_order.erase(m_order.begin() + pos);
        m_order.insert(m_order.begin() + std::min(place, int(m_order.size())), id);
        m_positionsValid = false;
        m_cursor = PositionOf(id);
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterPost(this);
}

void TDataSet::Cancel()
{
    if (!IsEditing())
        return;
    DataEvent(deCheckBrowseMode);
    BeforeCancel(this);
    const bool inserted = m_state == dsInsert;
    if (inserted) {
        BeforeScroll(this);
        DropPendingInsert();
    } else {
        m_editBuffer.clear();
        m_editRowId = -1;
        m_modified = false;
        InvalidateCalcCache();
    }
    SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterCancel(this);
    if (inserted)
        AfterScroll(this);
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_order.empty())
        failFor(this, tr("Cannot perform this operation on an empty dataset"));
    CheckCanModify();
    CheckDrawing();
    DataEvent(deCheckBrowseMode);
    BeforeDelete(this);
    BeforeScroll(this);
    const int id = CurrentRowId();
    InternalDelete(id);
    if (m_state == dsEdit) {
        m_editBuffer.clear();
        m_editRowId = -1;
        m_modified = false;
    }
    m_order.erase(m_order.begin() + m_cursor);
    m_positionsValid = false;
    InvalidateCalcCache();
    RowsChanged();
    const int n = int(m_order.size());
    if (n == 0) {
        m_cursor = -1;
        m_bof = m_eof = true;
    } else {
        m_cursor = std::min(m_cursor, n - 1);
        m_bof = m_eof = false;
    }
    if (m_state != dsBrowse)
        SetState(dsBrowse);
    DataEvent(deDataSetChange, nullptr, wmStructural);
    AfterDelete(this);
    AfterScroll(this);
}

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    DataEvent(deCheckBrowseMode);
    if (IsEditing()) {
        UpdateRecord();
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void TDataSet::ClearFields()
{
    if (!IsEditing())
        failFor(this, tr("Dataset not in edit or insert mode"));
    std::fill(m_editBuffer.begin(), m_editBuffer.end(), QVariant());
    m_modified = true;
    InvalidateCalcCache();
    DataEvent(deRecordChange);
}

void TDataSet::SetState(TDataSetState s)
{
    if (m_state == s)
        return;
    m_state = s;
    DataEvent(deUpdateState);
}

// ---- Fields

TField *TDataSet::FieldByName(const QString &name) const
{
    return m_fields.FieldByName(name);
}

QList<TField *> TDataSet::GetFieldList(const QString &names) const
{
    QList<TField *> out;
    for (const QString &n : SplitFieldNames(names))
        out << FieldByName(n);
    return out;
}

QVariant TDataSet::FieldValues(const QString &names) const
{
    const QList<TField *> fields = GetFieldList(names);
    if (fields.size() == 1)
        return fields.first()->Value();
    QVariantList out;
    for (TField *f : fields)
        out << f->Value();
    return out;
}

void TDataSet::SetFieldValues(const QString &names, const QVariant &values)
{
    const QList<TField *> fields = GetFieldList(names);
    if (fields.size() == 1) {
        fields.first()->SetValue(values);
        return;
    }
    const QVariantList list = values.toList();
    for (int i = 0; i < fields.size(); ++i)
        fields[i]->SetValue(i < list.size() ? list[i] : QVariant());
}

// ---- Search


bool TDataSet::RowMatches(int rowId, const QList<TField *> &fields, const QVariantList &key,
                          TLocateOptions options) const
{
    for (int i = 0; i < fields.size(); ++i) {
        const TField *f = fields[i];
        const QVariant v = RowValue(rowId, f);
        const QVariant &k = key[i];
        if (!k.isValid() || !v.isValid()) {
            if (k.isValid() != v.isValid())
                return false;
            continue;
        }
        if (IsStringType(f->m_dataType)) {
            QString s = v.toString();
            QString t = k.toString();
            if (options & loCaseInsensitive) {
                s = TextToUpper(s);
                t = TextToUpper(t);
            }
            if (options & loPartialKey ? !s.startsWith(t) : s != t)
                return false;
        } else if (CompareValues(f->m_dataType, v, k, false) != 0) {
            return false;
        }
    }
    return true;
}

int TDataSet::CompareValues(TFieldType type, const QVariant &a, const QVariant &b, bool caseInsensitive)
{
    // Nulls sort lowest.
    if (!a.isValid() || !b.isValid())
        return a.isValid() ? 1 : (b.isValid() ? -1 : 0);
    if (IsStringType(type)) {
        // Texts are compared where they lie; toString() would copy both on every comparison of a sort.
        const bool direct = a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString;
        const QString x = direct ? QString() : a.toString(), y = direct ? QString() : b.toString();
        const QString &s = direct ? *static_cast<const QString *>(a.constData()) : x;
        const QString &t = direct ? *static_cast<const QString *>(b.constData()) : y;
        return caseInsensitive ? CompareTextIgnoreCase(s, t) : CompareTextCaseSensitive(s, t);
    }
    if (IsIntegerType(type)) {
        const qlonglong x = a.toLongLong(), y = b.toLongLong();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (IsFloatType(type)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (IsDateType(type)) {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (type == ftBoolean)
        return int(a.toBool()) - int(b.toBool());
    const QByteArray x = a.toByteArray(), y = b.toByteArray();
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool TDataSet::CanUseIndexForLocate(const QList<TField *> &, TLocateOptions) const
{
    return false;
}

int TDataSet::FindInIndex(const QList<TField *> &, const QVariantList &, TLocateOptions) const
{
    return -1;
}

int TDataSet::FindRow(const QList<TField *> &fields, const QVariantList &values, TLocateOptions options) const
{
    QVariantList key;
    for (int i = 0; i < fields.size(); ++i) {
        const TField *f = fields[i];
        // Partial and case-insensitive matching is for text; other keys take the field's type.
        key << (IsStringType(f->m_dataType) ? (values[i].isValid() ? QVariant(values[i].toString()) : QVariant())
                                            : f->Coerce(values[i]));
    }
    if (CanUseIndexForLocate(fields, options))
        return FindInIndex(fields, key, options);
    for (int pos = 0; pos < int(m_order.size()); ++pos) {
        const int id = m_order[pos];
        if (IsEditing() && id == m_editRowId)
            continue;
        if (RowMatches(id, fields, key, options))
            return pos;
    }
    return -1;
}

bool TDataSet::Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    const QList<TField *> fields = GetFieldList(keyFields);
    const int pos = FindRow(fields, keyList(keyValues, int(fields.size())), options);
    if (pos < 0)
        return false;
    BeforeScroll(this);
    m_cursor = pos;
    m_bof = m_eof = false;
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterScroll(this);
    return true;
}

QVariant TDataSet::Lookup(const QString &keyFields, const QVariant &keyValues, const QString &resultFields)
{
    CheckActive();
    const QList<TField *> fields = GetFieldList(keyFields);
    const int pos = FindRow(fields, keyList(keyValues, int(fields.size())), 0);
    if (pos < 0)
        return QVariant();
    const QList<TField *> results = GetFieldList(resultFields);
    const int id = m_order[pos];
    if (results.size() == 1)
        return RowValue(id, results.first());
    QVariantList out;
    for (TField *f : results)
        out << RowValue(id, f);
    return out;
}

// ---- Bookmarks

QByteArray TDataSet::GetBookmark() const
{
    const int id = CurrentRowId();
    if (!Active() || id < 0 || (m_state == dsInsert && id == m_editRowId))
        return QByteArray();
    return encodeBookmark(id);
}

QByteArray TDataSet::ReadBookmark() const
{
    if (m_drawPosition < 0 || m_drawPosition >= int(m_order.size()))
        return GetBookmark();
    return encodeBookmark(m_order[m_drawPosition]);
}

bool TDataSet::BookmarkValid(const QByteArray &bookmark) const
{
    if (!Active())
        return false;
    const int id = decodeBookmark(bookmark);
    return id >= 0 && id < int(m_rows.size()) && m_rows[id].live && PositionOf(id) >= 0;
}

void TDataSet::GotoBookmark(const QByteArray &bookmark)
{
    CheckBrowseMode();
    if (!BookmarkValid(bookmark))
        failFor(this, tr("Record not found"));
    BeforeScroll(this);
    m_cursor = PositionOf(decodeBookmark(bookmark));
    m_bof = m_eof = false;
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterScroll(this);
}

int TDataSet::CompareBookmarks(const QByteArray &a, const QByteArray &b) const
{
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() ? (b.isEmpty() ? 0 : -1) : 1;
    const int pa = PositionOf(decodeBookmark(a));
    const int pb = PositionOf(decodeBookmark(b));
    return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

// ---- Filters

void TDataSet::SetFilter(const QString &text)
{
    if (text == m_filter)
        return;
    std::function<bool(TDataSet *, int)> predicate;
    if (Active() && !text.trimmed().isEmpty())
        predicate = CompileFilter(this, text);
    m_filter = text;
    if (!Active())
        return;
    m_filterPredicate = std::move(predicate);
    if (m_filtered)
        OrderChanged();
}

void TDataSet::SetFiltered(bool f)
{
    if (f == m_filtered)
        return;
    m_filtered = f;
    if (Active())
        OrderChanged();
}

void TDataSet::OrderChanged()
{
    CheckBrowseMode();
    RebuildOrder(true);
    DataEvent(deDataSetChange, nullptr, wmCentre);
    AfterScroll(this);
}

// ---- Master-detail

TDataSource *TDataSet::MasterSource() const
{
    return m_masterLink ? m_masterLink->DataSource() : nullptr;
}

void TDataSet::SetMasterSource(TDataSource *source)
{
    if (source && source->IsLinkedTo(this))
        failFor(this, tr("Circular datalinks are not allowed"));
    if (!source) {
        m_masterLink.reset();
    } else {
        if (!m_masterLink)
            m_masterLink = std::make_unique<TMasterDataLink>(this);
        m_masterLink->SetDataSource(source);
    }
    if (Active())
        MasterChanged();
}

void TDataSet::SetMasterFields(const QString &names)
{
    m_masterFields = names;
    if (Active() && m_masterLink)
        MasterChanged();
}

void TDataSet::SetDetailFields(const QString &names)
{
    m_detailFields = names;
    if (Active() && m_masterLink)
        MasterChanged();
}

bool TDataSet::MasterRangeAccepts(int rowId) const
{
    if (m_masterValues.isEmpty() || !UsesMasterRange())
        return true;
    const QList<TField *> fields = GetFieldList(m_detailFields.isEmpty() ? m_masterFields : m_detailFields);
    for (int i = 0; i < fields.size() && i < m_masterValues.size(); ++i) {
        const TField *f = fields[i];
        QVariant key;
        try {
            key = f->Coerce(m_masterValues[i]);
        } catch (const EConvertError &) {
            return false;
        }
        const QVariant v = RowValue(rowId, f);
        if (!key.isValid() || !v.isValid() || CompareValues(f->m_dataType, v, key, false) != 0)
            return false;
    }
    return true;
}

void TDataSet::MasterChanged()
{
    m_masterValues = CurrentMasterValues();
    if (!Active())
        return;
    CheckBrowseMode();
    RebuildOrder(false);
    DataEvent(deDataSetChange, nullptr, wmFirst);
    AfterScroll(this);
}

// ---- Providers

QString TDataSet::PSGetKeyFields() const
{
    QStringList keys;
    for (TField *f : m_fields.m_items)
        if (f->m_providerFlags & pfInKey)
            keys << f->m_fieldName;
    return keys.join(QLatin1Char(';'));
}

void TDataSet::PSExecute()
{
    failFor(this, tr("Cannot execute a command on this dataset"));
}

int TDataSet::PSExecuteStatement(const QString &, const TParams &, TDataSet *)
{
    failFor(this, tr("Cannot execute a command on this dataset"));
}

// ---- Observers

void TDataSet::DisableControls()
{
    if (m_disableCount++ == 0) {
        m_disabledLayout = false;
    }
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    const bool layout = m_disabledLayout;
    m_disabledLayout = false;
    for (TDataSource *source : m_dataSources) {
        if (!source->m_enabled)
            continue;
        source->m_lastState = m_state;
        for (TDataLink *link : source->m_links)
            link->Resume(layout);
        if (source->OnDataChange)
            source->OnDataChange(source, nullptr);
    }
}

bool TDataSet::IsLinkedTo(TDataSource *source) const
{
    for (const TDataSet *ds = source ? source->DataSet() : nullptr; ds;) {
        if (ds == this)
            return true;
        TDataSource *master = ds->MasterSource();
        ds = master ? master->DataSet() : nullptr;
    }
    return false;
}

QList<TDataLink *> TDataSet::AllLinks() const
{
    QList<TDataLink *> out;
    for (TDataSource *s : m_dataSources)
        out += s->m_links;
    return out;
}

void TDataSet::DataEvent(int event, TField *field, int windowMode)
{
    if (event == deFieldListChange || event == deLayoutChange) {
        if (m_disableCount > 0) {
            m_disabledLayout = true;
            return;
        }
        event = deLayoutChange;
        if (!Active())
            return;
    }
    const bool quiet = m_disableCount > 0;
    const auto sources = m_dataSources;
    for (TDataSource *source : sources)
        source->NotifyLinks(event, field, windowMode, quiet || !source->m_enabled);
}
