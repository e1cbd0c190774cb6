#pragma once

// A grid for the exchange tests: columns bound by name, exports into bytes and imports from bytes.
#include "GridSupport.h"

#include "CodePage.h"
#include "DBGridEhImpExp.h"

namespace tarvik::test {

struct ExchangeGrid : GridFixture
{
    // Columns for the named fields, in order.
    void columns(std::initializer_list<const char *> names)
    {
        grid->Columns().Clear();
        for (const char *name : names)
            grid->Columns().Add()->SetFieldName(QString::fromLatin1(name));
    }

    template <class T> QByteArray exported(bool all = true)
    {
        TMemoryStream stream;
        ExportGridToStream<T>(grid.get(), stream, all);
        return stream.Bytes();
    }

    template <class T> void imported(const QByteArray &bytes, bool all = false)
    {
        TMemoryStream stream(bytes);
        ImportGridFromStream<T>(grid.get(), stream, all);
    }

    QStringList names()
    {
        QStringList list;
        const QByteArray current = ds.GetBookmark();
        for (ds.First(); !ds.Eof(); ds.Next())
            list << (field("NAME")->IsNull() ? QStringLiteral("<null>") : field("NAME")->AsString());
        if (ds.BookmarkValid(current))
            ds.GotoBookmark(current);
        return list;
    }
};

inline QByteArray ansi(const char *utf8)
{
    return QStringToCP1251(QString::fromUtf8(utf8));
}

} // namespace tarvik::test
