// The client dataset's saved file with its change log: read, walked, saved and read back, its changes undone
// and merged.
#include "ClientDataSet.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

const QTemporaryDir &folder()
{
    static const QTemporaryDir dir;
    return dir;
}

void walk(TClientDataSet &ds)
{
    for (ds.First(); !ds.Eof(); ds.Next())
        for (TField *f : ds.Fields()) {
            f->AsString();
            f->OldValue();
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString in = folder().filePath(QStringLiteral("in.xml"));
    const QString out = folder().filePath(QStringLiteral("out.xml"));
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    TClientDataSet ds;
    try {
        ds.LoadFromFile(in);
    } catch (const Exception &) {
        return 0; // refused whole: the behaviour under test
    }
    try {
        walk(ds);
        ds.SaveToFile(out);
        TClientDataSet again;
        again.LoadFromFile(out);
        walk(again);
        again.CancelUpdates();
        walk(again);
        ds.MergeChangeLog();
        walk(ds);
    } catch (const Exception &) {
    }
    return 0;
}
