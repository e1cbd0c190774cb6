// The client dataset's saved file with its change log: read, walked, saved and read back, its changes undone
// and merged.
#include "ClientDataSet.h"

#include "FuzzInput.h"

#include <QDir>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>

namespace {

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
    const QString in = writeFuzzInput(QStringLiteral("in.xml"), data, size);
    if (in.isEmpty())
        return 0;
    const QString out = QFileInfo(in).dir().filePath(QStringLiteral("out.xml"));
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
