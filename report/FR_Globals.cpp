#include "FR_Globals.h"

#include "FR_BarC.h"
#include "FR_ClassPrepared.h"
#include "FR_Export.h"
#include "FR_Intrp.h"
#include "FR_Locale.h"
#include "FR_Pars.h"
#include "FR_Progress.h"
#include "ReportFunctions.h"
#include "ReportValues.h"

#include <QColor>
#include <QGuiApplication>
#include <QWidget>

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

void fillConstants(TfrVariables &c)
{
    for (const TfrNamedColor &color : ColorTable)
        c.SetValue(QString::fromLatin1(color.Name), Variant(int(color.Value)));
    const struct
    {
        const char *name;
        int value;
    } numbers[] = {
        {"mrNone", 0}, {"mrOk", 1}, {"mrCancel", 2}, {"mrYes", 6}, {"mrNo", 7},
        {"fsBold", 2}, {"fsItalic", 1}, {"fsUnderline", 4}, {"fsStrikeOut", 8},
        {"frftNone", 0}, {"frftRight", 1}, {"frftBottom", 2}, {"frftLeft", 4}, {"frftTop", 8},
        {"frtaLeft", 0}, {"frtaRight", 1}, {"frtaCenter", 2}, {"frtaVertical", 4}, {"frtaMiddle", 8},
        {"frtaDown", 16},
        {"baNone", 0}, {"baLeft", 1}, {"baRight", 2}, {"baCenter", 3}, {"baWidth", 4}, {"baBottom", 5},
        {"baTop", 6}, {"baRest", 7},
        {"psSolid", 0}, {"psDash", 1}, {"psDot", 2}, {"psDashDot", 3}, {"psDashDotDot", 4}, {"psDouble", 5},
        {"mb_Ok", 0}, {"mb_OkCancel", 1}, {"mb_YesNo", 4}, {"mb_YesNoCancel", 3}, {"mb_IconError", 16},
        {"mb_IconQuestion", 32}, {"mb_IconInformation", 64}, {"mb_IconWarning", 48},
    };
    for (const auto &n : numbers)
        c.SetValue(QString::fromLatin1(n.name), Variant(n.value));
    c.SetValue(QStringLiteral("CRLF"), Variant(QStringLiteral("\r\n")));
    c.SetValue(QStringLiteral("Null"), Variant::Null());
}

// The canvas on which objects are measured and laid out: it keeps the drawing state that measuring needs and
// nothing else, so that drawing and measuring many objects does not pile up records that nobody reads.
class MeasuringCanvas final : public RecordingCanvas
{
public:
    void setPen(const QColor &color, int width, Qt::PenStyle style) override { ReportCanvas::setPen(color, width, style); }
    void setBrush(const QBrush &brush) override { ReportCanvas::setBrush(brush); }
    void setFont(const QFont &font, const QColor &color) override { ReportCanvas::setFont(font, color); }
    void setCharSpacing(int pixels) override { ReportCanvas::setCharSpacing(pixels); }
    void setTextAngle(int degrees) override { ReportCanvas::setTextAngle(degrees); }
    void save() override { ReportCanvas::save(); }
    void restore() override { ReportCanvas::restore(); }
    void fillRect(const QRect &) override {}
    void drawRect(const QRect &) override {}
    void drawLine(const QPoint &, const QPoint &) override {}
    void drawPolygon(const QPolygon &) override {}
    void drawText(int, int, const QString &, const QRect &, int, bool) override {}
    void drawImage(const QRect &, const QImage &) override {}
};

} // namespace

TfrGlobals::TfrGlobals()
    : m_installedFunctions(std::make_unique<TfrInstalledFunctions>())
    , m_parser(std::make_unique<TfrParser>())
    , m_interpreter(std::make_unique<TInterpretator>())
    , m_scratchCanvas(std::make_unique<MeasuringCanvas>())
    , m_printer(std::make_unique<TfrPrinter>())
    , m_progress(std::make_unique<TfrProgress>())
    , m_compressor(std::make_unique<TfrCompressor>())
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

    ScriptVariables.SetSorted(true);
    EngineConstants.SetSorted(true);
    fillConstants(EngineConstants);

    CheckerBitmap = QImage(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            CheckerBitmap.setPixel(x, y, (x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFFC0C0C0u);

    m_printer->AttachPrinter(nullptr);
    DefaultPaperSize = m_printer->PaperSize;
    PrinterReady = true;
}

TfrGlobals::~TfrGlobals() = default;

void TfrGlobals::Start()
{
    RegisterFunctionLibrary<TfrStdFunctionLibrary>();
    RegisterBarCodeObject();
}

void TfrGlobals::SetInterpreter(std::unique_ptr<TfrInterpretator> interpreter)
{
    m_interpreter = std::move(interpreter);
}

void TfrGlobals::SetProgress(std::unique_ptr<TfrProgress> progress)
{
    m_progress = progress ? std::move(progress) : std::make_unique<TfrProgress>();
}

QWidget &TfrGlobals::DialogForm()
{
    if (!m_dialogForm) {
        m_dialogForm = std::make_unique<QWidget>();
        m_dialogForm->setObjectName(QStringLiteral("DialogForm"));
        m_dialogForm->setGeometry(-100, -100, 10, 10);
    }
    return *m_dialogForm;
}

bool TfrGlobals::DialogFormHolds(const QString &name) const
{
    return m_dialogForm
           && (m_dialogForm->objectName() == name || m_dialogForm->findChild<QObject *>(name) != nullptr);
}

QString EngineRegistryKey()
{
    return QStringLiteral("Software\\ReportDesigner\\") + QGuiApplication::applicationDisplayName();
}

TfrGlobals &frEngine()
{
    if (!engineSlot()) {
        engineSlot() = std::make_unique<TfrGlobals>();
        engineSlot()->Start();
    }
    return *engineSlot();
}

void frResetEngine()
{
    engineSlot() = std::make_unique<TfrGlobals>();
    engineSlot()->Start();
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
    // One filter of a class: the save dialog offers each kind of file once.
    for (const TfrExportFilterInfo &f : filters)
        if (f.Filter == filter || f.Filter->ClassName() == filter->ClassName())
            return;
    appendBounded(filters, TfrExportFilterInfo{filter, desc, ext}, "export filters");
}

void UnregisterExportFilter(TfrExportFilter *filter)
{
    auto &filters = frEngine().ExportFilters;
    // By the filter itself: a second filter of a class, never registered, leaves the first one's entry alone,
    // and no entry outlives its filter.
    std::erase_if(filters, [filter](const TfrExportFilterInfo &f) { return f.Filter == filter; });
}
