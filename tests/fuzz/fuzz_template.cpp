// Feeds arbitrary bytes to the report template reader, writes what was read and reads it back, then builds it
// over a counting source with a cap on the pages.
#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_DBSet.h"
#include "FR_Globals.h"

#include "ServiceFakes.h"
#include "Streams.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Dialog pages make windows: the build needs the widgets' application. It is never destroyed: at the
    // process's exit the libraries' own globals are gone first, and an application destroyed after them would
    // crash the end of every run.
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FakeMessageService messages;
    messages.requests.clear();
    frResetEngine();
    TfrReport report;
    TMemoryStream in(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    report.LoadReportStream(in);
    try {
        TMemoryStream out;
        report.SaveReportStream(out);
        out.SetPosition(0);
        TfrReport copy;
        copy.LoadReportStream(out);
    } catch (const Exception &) {
        // The writer refuses what it cannot store (texts over 65535 bytes, more than 256 pages).
    }
    // Bands without a source of their own walk three counted records; the build stops after 30 pages.
    TfrUserDataset records;
    records.RangeEnd = reCount;
    records.RangeEndCount = 3;
    report.Dataset = &records;
    report.ShowProgress = false;
    report.OnProgress = [&report](int n) {
        if (n > 30)
            report.StopRequested = true;
    };
    report.BuildReport();
    return 0;
}
