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
#include <mutex>
#include <unordered_map>

// The text a key is filed under in a lookup list or index: two texts are equal exactly when the search
// (RowMatches) finds the values equal, each value converted as that comparison converts it for the field's type:
// texts as they are, numbers as integers or doubles (0 and -0 alike), dates by their instant, other values by
// their bytes. Texts carry their length so that no two keys of several fields share a text.
static QString lookupKeyText(const QList<TField *> &fields, const QVariantList &values)
{
    QString out;
    for (int i = 0; i < fields.size(); ++i) {
        const QVariant &v = i < values.size() ? values[i] : QVariant();
        const TFieldType type = fields[i]->DataType();
        if (!v.isValid()) {
            out += QLatin1Char('n');
        } else if (IsStringType(type)) {
            const QString text = v.toString();
            out += QLatin1Char('s') + QString::number(text.size()) + QLatin1Char(':') + text;
        } else if (IsIntegerType(type)) {
            out += QLatin1Char('i') + QString::number(v.toLongLong());
        } else if (IsFloatType(type)) {
            const double d = v.toDouble();
            out += QLatin1Char('f') + QString::number(d == 0 ? 0.0 : d, 'g', 17);
        } else if (IsDateType(type)) {
            const QDateTime t = v.toDateTime();
            out += t.isValid() ? QLatin1Char('d') + QString::number(t.toMSecsSinceEpoch()) : QStringLiteral("d!");
        } else if (type == ftBoolean) {
            out += v.toBool() ? QStringLiteral("b1") : QStringLiteral("b0");
        } else {
            out += QLatin1Char('x') + QString::fromLatin1(v.toByteArray().toHex());
        }
        out += QChar(0x1f);
    }
    return out;
}

// A floating-point NaN compares equal to every value in the search, which no text of a key can stand for.
static bool hasNaN(const QList<TField *> &fields, const QVariantList &values)
{
    for (int i = 0; i < fields.size() && i < values.size(); ++i)
        if (IsFloatType(fields[i]->DataType()) && values[i].isValid() && std::isnan(values[i].toDouble()))
            return true;
    return false;
}

// The values of a search as the key fields compare them: partial and case-insensitive matching is for text;
// other keys take the field's type.
static QVariantList searchKey(const QList<TField *> &fields, const QVariantList &values)
{
    QVariantList key;
    for (int i = 0; i < fields.size(); ++i) {
        const TField *f = fields[i];
        key << (IsStringType(f->DataType()) ? (values[i].isValid() ? QVariant(values[i].toString()) : QVariant())
                                            : f->Coerce(values[i]));
    }
    return key;
}

namespace {

// The rows of each set of key fields a lookup searched, filed by the text of their key.
struct LookupIndex
{
    quint64 stamp = 0; // the rows' state when the index was made or first asked for
    bool built = false;
    bool unusable = false;
    std::unordered_map<QString, int> rows;
};

// Every dataset's indexes, kept beside the datasets and dropped when their rows go. Recursive: filing the rows
// may read a lookup field of the looked-up table itself. Node-based maps, so that an index stays where it is
// while another is added.
struct LookupIndexes
{
    std::recursive_mutex lock;
    std::unordered_map<const TDataSet *, std::unordered_map<QString, LookupIndex>> of;
};

LookupIndexes &lookupIndexes()
{
    static LookupIndexes all;
    return all;
}

} // namespace

void DropLookupIndexes(const TDataSet *ds)
{
    LookupIndexes &all = lookupIndexes();
    const std::lock_guard<std::recursive_mutex> guard(all.lock);
    all.of.erase(ds);
}

QVariant TDataSet::LookupValue(TField *f, const QVariant &key)
{
    TDataSet *ds = f->m_lookupDataSet;
    if (!f->m_lookupCache)
        return ds->Lookup(f->m_lookupKeyFields, key, f->m_lookupResultField);
    const QList<TField *> keyFields = ds->GetFieldList(f->m_lookupKeyFields);
    if (f->m_lookupListStamp != ds->m_dataStamp + ds->m_rowsStamp)
        f->RefreshLookupList();
    const QVariantList values = searchKey(keyFields, keyList(key, int(keyFields.size())));
    return f->m_lookupList.value(lookupKeyText(keyFields, values));
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
    m_lookupListStamp = ds->m_dataStamp + ds->m_rowsStamp;
    if (m_dataSet)
        m_dataSet->InvalidateCalcCache();
}

// ---- Search

bool TDataSet::RowMatches(int rowId, const QList<TField *> &fields, const QVariantList &key,
                          TLocateOptions options) const
{
    for (int i = 0; i < fields.size(); ++i) {
        const TField *f = fields[i];
        // A stored value is read where it lies: a search over many rows copies none of them.
        const bool stored = f->m_dataIndex >= 0 && rowId >= 0 && !(IsEditing() && rowId == m_editRowId);
        const QVariant computed = stored ? QVariant() : RowValue(rowId, f);
        const QVariant &v = stored ? m_rows[rowId].values[f->m_dataIndex] : computed;
        const QVariant &k = key[i];
        if (!k.isValid() || !v.isValid()) {
            if (k.isValid() != v.isValid())
                return false;
            continue;
        }
        if (IsStringType(f->m_dataType)) {
            const auto text = [](const QVariant &x, QString &converted) -> const QString & {
                if (x.typeId() == QMetaType::QString)
                    return *static_cast<const QString *>(x.constData());
                converted = x.toString();
                return converted;
            };
            QString sc, tc;
            const QString &s = text(v, sc), &t = text(k, tc);
            const bool partial = options & loPartialKey;
            if (options & loCaseInsensitive ? !TextMatchesIgnoreCase(s, t, partial)
                                            : (partial ? !s.startsWith(t) : s != t))
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
    const QVariantList key = searchKey(fields, values);
    if (CanUseIndexForLocate(fields, options))
        return FindInIndex(fields, key, options);
    return ScanForRow(fields, key, options);
}

int TDataSet::ScanForRow(const QList<TField *> &fields, const QVariantList &key, TLocateOptions options) const
{
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
    const QVariantList values = keyList(keyValues, int(fields.size()));
    // A lookup field asks once for every record it shows or a report prints: after the second search at the
    // same state of the rows, their keys are filed once in a hash, so that N records reading a table of M rows
    // cost N + M and not N x M. The hash answers as the walk does (the first row in the current order with
    // equal values); the walk stays for a row being edited, which it passes over, for an index that already
    // finds the key, and for keys that no text stands for.
    int id = -1;
    bool answered = false;
    if (!IsEditing() && !CanUseIndexForLocate(fields, 0)) {
        const QVariantList key = searchKey(fields, values);
        if (!hasNaN(fields, key)) {
            QString name;
            for (const TField *f : fields)
                name += f->FieldName() + QLatin1Char(';');
            LookupIndexes &all = lookupIndexes();
            const std::lock_guard<std::recursive_mutex> guard(all.lock);
            LookupIndex &index = all.of[this][name];
            const quint64 stamp = m_dataStamp + m_rowsStamp;
            if (index.stamp != stamp) {
                index = LookupIndex();
                index.stamp = stamp; // the first search at this state walks: a single search costs no hash
            } else if (!index.built && !index.unusable) {
                index.rows.reserve(m_order.size());
                QVariantList rowValues;
                for (int row : m_order) {
                    rowValues.clear();
                    for (const TField *f : fields)
                        rowValues << RowValue(row, f);
                    if (hasNaN(fields, rowValues)) {
                        index.rows.clear();
                        index.unusable = true;
                        break;
                    }
                    index.rows.emplace(lookupKeyText(fields, rowValues), row); // the first row of a key stays
                }
                index.built = !index.unusable;
            }
            if (index.built) {
                answered = true;
                const auto it = index.rows.find(lookupKeyText(fields, key));
                id = it == index.rows.end() ? -1 : it->second;
            }
        }
    }
    if (!answered) {
        const int pos = FindRow(fields, values, 0);
        id = pos < 0 ? -1 : m_order[pos];
    }
    if (id < 0)
        return QVariant();
    const QList<TField *> results = GetFieldList(resultFields);
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

void TDataSet::ForEachRecord(const std::function<void(const QByteArray &bookmark)> &fn, bool withBookmarks)
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
    const QByteArray none;
    try {
        for (int id : order) {
            m_readRow = id;
            InvalidateCalcCache();
            fn(!withBookmarks || (m_state == dsInsert && id == m_editRowId) ? none : encodeBookmark(id));
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
