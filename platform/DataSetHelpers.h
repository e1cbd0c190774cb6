#pragma once

// Helpers shared by the dataset's translation units; each unit gets its own copies.

#include "DataSet.h"

#include <QDateTime>

#include <limits>
#include <utility>

// Lets go of the lookup indexes made over a dataset's rows (its rows are going, or the dataset is).
void DropLookupIndexes(const TDataSet *ds);

namespace {

inline QString tr(const char *text)
{
    return QString::fromUtf8(text);
}

[[noreturn]] inline void fail(const QString &message)
{
    throw EDatabaseError(message);
}

[[noreturn]] inline void failFor(const TDataSet *ds, const QString &message)
{
    DatabaseError(message, ds);
}

inline const QDateTime &zeroDate()
{
    static const QDateTime d(QDate(1899, 12, 30), QTime(0, 0));
    return d;
}

inline QByteArray encodeBookmark(int rowId)
{
    QByteArray b(4, Qt::Uninitialized);
    const quint32 v = quint32(rowId);
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xff);
    return b;
}

inline int decodeBookmark(const QByteArray &b)
{
    if (b.size() != 4)
        return -1;
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(quint8(b[i])) << (8 * i);
    return int(v);
}

// Key values of a Locate or Lookup as one list: a single value stands alone, a list is padded with nulls.
inline QVariantList keyList(const QVariant &values, int count)
{
    if (count == 1 && values.typeId() != QMetaType::QVariantList)
        return {values};
    QVariantList list = values.toList();
    while (list.size() < count)
        list << QVariant();
    return list;
}

// The values a field of an integer type holds.
inline std::pair<qlonglong, qlonglong> integerRange(TFieldType type)
{
    switch (type) {
    case ftSmallint: return {-32768, 32767};
    case ftWord: return {0, 65535};
    case ftLargeint: return {std::numeric_limits<qlonglong>::min(), std::numeric_limits<qlonglong>::max()};
    default: return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    }
}

} // namespace
