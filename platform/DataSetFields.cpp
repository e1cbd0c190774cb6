#include "DataSet.h"
#include "DataSetHelpers.h"

#include "DataSource.h"
#include "FilterExpression.h"
#include "Formats.h"
#include "LogSink.h"

#include <QDataStream>

#include <algorithm>
#include <cmath>
#include <limits>

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
    // A filter tests the rows while the dataset opens, before it counts as active: the row under test is read.
    if (!m_dataSet || (!m_dataSet->Active() && m_dataSet->m_readRow < 0))
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
