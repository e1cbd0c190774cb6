// Feeds arbitrary bytes to the prepared report reader. What it takes is drawn, exported and hit-tested page by
// page, then written, and the written file must read back and write again byte for byte.
#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Globals.h"

#include "ServiceFakes.h"
#include "Streams.h"

#include <QApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Never destroyed: at the process's exit the libraries' own globals are gone first, and an application
    // destroyed after them would crash the end of every run.
    new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FakeMessageService messages;
    messages.requests.clear();
    frResetEngine();
    setDefaultTextMeasurer(std::make_shared<FixedWidthMeasurer>(7));
    TfrReport report;
    frEngine().CurrentReport = &report;
    TMemoryStream in(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    TfrEMFPages &pages = report.EMFPages();
    try {
        pages.LoadFromStream(&in);
    } catch (const EBadPreparedFile &) {
        return 0;
    }
    report.ExportDataHook = [](int, int, TfrView *) {};
    report.OnObjectClick = [](TfrView *) {};
    for (int i = 0; i < pages.GetCount(); ++i) {
        TfrPreparedPage &p = *pages[i];
        p.Visible = true;
        RecordingCanvas canvas;
        try {
            // A code text its symbology refuses raises to the drawing caller, as it does in the preview.
            pages.Draw(i, canvas, QRect(0, 0, 210, 297));
        } catch (const Exception &) {
        }
        Qt::CursorShape cursor = Qt::ArrowCursor;
        pages.DoClick(i, QPoint(50, 50), cursor, true);
        pages.ExportPage(i);
        p.Visible = false;
        pages.Draw(i, canvas, QRect(0, 0, 210, 297));
    }
    TMemoryStream first;
    pages.SaveToStream(first);
    first.SetPosition(0);
    TfrReport copy;
    copy.EMFPages().LoadFromStream(&first);
    TMemoryStream second;
    copy.EMFPages().SaveToStream(second);
    if (second.Bytes() != first.Bytes())
        std::abort();
    setDefaultTextMeasurer(nullptr);
    return 0;
}
