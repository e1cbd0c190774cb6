#include "FR_Globals.h"

#include "FR_Locale.h"

#include <QColor>

namespace {

std::unique_ptr<TfrGlobals> &engineSlot()
{
    static std::unique_ptr<TfrGlobals> slot;
    return slot;
}

QStringList localeRange(int first, int last)
{
    QStringList list;
    for (int id = first; id <= last; ++id)
        list << GetLocaleString(id);
    return list;
}

template<typename T>
void appendBounded(std::vector<T> &registry, T entry, const char *what)
{
    if (int(registry.size()) >= RegistryCapacity)
        throw std::length_error(std::string("The engine registry of ") + what + " is full");
    registry.push_back(std::move(entry));
}

} // namespace

TfrGlobals::TfrGlobals()
    : m_scratchCanvas(std::make_unique<RecordingCanvas>())
    , m_printer(std::make_unique<TfrPrinter>())
{
    bool ok = false;
    EngineCharset = GetLocaleString(55337).toInt(&ok);
    if (!ok)
        EngineCharset = 204;
    BandNames = localeRange(55077, 55099);
    BoolFormats = localeRange(55170, 55173);
    DateFormats = localeRange(55175, 55178);
    TimeFormats = localeRange(55179, 55182);
    SpecialNames = {QStringLiteral("PAGE#"), QString(), QStringLiteral("DATE"), QStringLiteral("TIME"),
                    QStringLiteral("LINE#"), QStringLiteral("LINETHROUGH#"), QStringLiteral("COLUMN#"),
                    QStringLiteral("CURRENT#"), QStringLiteral("TOTALPAGES")};

    CheckerBitmap = QImage(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            CheckerBitmap.setPixel(x, y, (x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFFC0C0C0u);

    m_printer->AttachPrinter(nullptr);
    DefaultPaperSize = m_printer->PaperSize;
    PrinterReady = true;
}

TfrGlobals::~TfrGlobals() = default;

TfrGlobals &frEngine()
{
    if (!engineSlot())
        engineSlot() = std::make_unique<TfrGlobals>();
    return *engineSlot();
}

void frResetEngine()
{
    engineSlot() = std::make_unique<TfrGlobals>();
}

void frAttachPlatformPrinters(std::unique_ptr<PlatformPrinters> printers)
{
    TfrGlobals &e = frEngine();
    e.PrinterReady = false;
    e.m_printer->AttachPrinter(printers.get());
    e.m_platformPrinters = std::move(printers);
    e.DefaultPaperSize = e.m_printer->PaperSize;
    e.PrinterReady = true;
}

TfrPrinter &EnginePrinter()
{
    return frEngine().Printer();
}

void RegisterAddInObject(const QString &className, std::function<TfrView *()> create, const QImage &buttonBmp,
                         const QString &hint)
{
    auto &addIns = frEngine().AddIns;
    for (const TfrAddInObjectInfo &a : addIns)
        if (a.ClassName == className)
            return;
    appendBounded(addIns, TfrAddInObjectInfo{className, std::move(create), buttonBmp, hint, 0}, "add-in objects");
}

void RegisterExportFilter(TfrExportFilter *filter, const QString &desc, const QString &ext)
{
    auto &filters = frEngine().ExportFilters;
    for (const TfrExportFilterInfo &f : filters)
        if (f.Filter == filter)
            return;
    appendBounded(filters, TfrExportFilterInfo{filter, desc, ext}, "export filters");
}

void UnregisterExportFilter(TfrExportFilter *filter)
{
    auto &filters = frEngine().ExportFilters;
    std::erase_if(filters, [filter](const TfrExportFilterInfo &f) { return f.Filter == filter; });
}

void RegisterFunctionLibrary(TfrFunctionLibrary *library)
{
    auto &libraries = frEngine().FunctionLibraries;
    for (const TfrFunctionLibraryInfo &l : libraries)
        if (l.Library == library)
            return;
    appendBounded(libraries, TfrFunctionLibraryInfo{library}, "function libraries");
}

void UnregisterFunctionLibrary(TfrFunctionLibrary *library)
{
    auto &libraries = frEngine().FunctionLibraries;
    std::erase_if(libraries, [library](const TfrFunctionLibraryInfo &l) { return l.Library == library; });
}
