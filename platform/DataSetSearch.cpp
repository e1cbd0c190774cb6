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

void TDataSet::ForEachRecord(const std::function<void(const QByteArray &bookmark)> &fn)
{
    if (!Active())
        return;
    const int saved = m_readRow;
    const auto restore = [&] {
        m_readRow = saved;
        InvalidateCalcCache();
    };
    // The walk goes over a copy of the order, so that a reader changing the rows cannot send it past the end.
    const std::vector<int> order = m_order;
    try {
        for (int id : order) {
            m_readRow = id;
            InvalidateCalcCache();
            fn(m_state == dsInsert && id == m_editRowId ? QByteArray() : encodeBookmark(id));
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
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
