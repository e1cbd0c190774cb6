#include "FR_Prntr.h"

#include "FR_Globals.h"
#include "FR_Locale.h"

#include "Exceptions.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace {

struct PaperRow
{
    int code, x, y;
};

// Paper codes of the device-mode paper sizes with their standard sizes in tenths of a millimetre.
const PaperRow paperRows[PaperTableSize] = {
    {1, 2159, 2794},  {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},   {5, 2159, 3556},  {6, 1397, 2159},
    {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},  {11, 1480, 2100}, {12, 2500, 3540},
    {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750}, {16, 2540, 3556},  {17, 2794, 4318}, {18, 2159, 2794},
    {19, 984, 2254},  {20, 1048, 2413}, {21, 1143, 2635}, {22, 1207, 2794},  {23, 1270, 2921}, {24, 4318, 5588},
    {25, 5588, 8636}, {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620}, {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500},  {35, 1760, 1250}, {36, 1100, 2300},
    {37, 984, 1905},  {38, 921, 1651},  {39, 3778, 2794}, {40, 2159, 3048},  {41, 2159, 3302}, {42, 2500, 3530},
    {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794}, {46, 3810, 2794},  {47, 2200, 2200}, {50, 2356, 3048},
    {51, 2356, 3810}, {52, 2969, 4572}, {53, 2355, 3223}, {54, 2102, 2794},  {55, 2100, 2970}, {56, 2356, 3048},
    {57, 2270, 3560}, {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300},  {61, 1480, 2100}, {62, 1820, 2570},
    {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940},  {67, 2970, 4200}, {68, 3220, 4450},
    {256, 0, 0},
};

// Page units per inch of the printer geometry.
constexpr double UnitsPerInch = 18600.0 / 203.0;

const TPaperInfo *findPaper(int code)
{
    for (const TPaperInfo &p : PaperTable())
        if (p.Typ == code)
            return &p;
    return nullptr;
}

// QPrinterInfo and QPrinter behind the engine's printer.
class QtPlatformPrinters : public PlatformPrinters
{
public:
    QtPlatformPrinters() : m_printers(QPrinterInfo::availablePrinters()) {}

    QStringList printerNames() const override
    {
        QStringList names;
        for (const QPrinterInfo &p : m_printers)
            names << p.printerName();
        return names;
    }

    int defaultPrinterIndex() const override
    {
        const QString def = QPrinterInfo::defaultPrinterName();
        const int i = printerNames().indexOf(def);
        return i < 0 ? 0 : i;
    }

    bool readSettings(int index, PlatformPrinterSettings &s) override
    {
        QPrinter *printer = printerAt(index);
        if (!printer)
            return false;
        const QPrinterInfo &info = m_printers.at(index);
        s.paperSizes.clear();
        s.paperNames.clear();
        for (const QPageSize &size : info.supportedPageSizes()) {
            if (s.paperSizes.size() >= 256)
                break;
            const int code = size.windowsId() > 0 ? size.windowsId() : PaperCustom;
            s.paperSizes.push_back(code);
            s.paperNames << size.name().left(64);
        }
        const QPageLayout layout = printer->pageLayout();
        const QPageSize page = layout.pageSize();
        s.paperSize = page.windowsId() > 0 ? page.windowsId() : PaperCustom;
        s.orientation = layout.orientation() == QPageLayout::Landscape ? 1 : 0;
        s.bins.clear();
        s.binNames.clear();
        s.dpiX = s.dpiY = printer->resolution();
        const QRect full = layout.fullRectPixels(printer->resolution());
        const QRect paint = layout.paintRectPixels(printer->resolution());
        s.physicalWidth = full.width();
        s.physicalHeight = full.height();
        s.offsetX = paint.x();
        s.offsetY = paint.y();
        s.printableWidth = paint.width();
        s.printableHeight = paint.height();
        s.paperWidth = int(std::lround(double(full.width()) / s.dpiX * 254));
        s.paperHeight = int(std::lround(double(full.height()) / s.dpiY * 254));
        return true;
    }

    bool applySettings(int index, int paperSize, int paperWidth, int paperHeight, int orientation, int) override
    {
        QPrinter *printer = printerAt(index);
        if (!printer)
            return false;
        QPageSize size = paperSize == PaperCustom
                             ? QPageSize(QSizeF(paperWidth / 10.0, paperHeight / 10.0), QPageSize::Millimeter)
                             : QPageSize(QPageSize::id(paperSize));
        if (!size.isValid())
            return false;
        return printer->setPageSize(size)
               && printer->setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    }

    bool showProperties(int index) override
    {
        QPrinter *printer = printerAt(index);
        if (!printer)
            return false;
        QPrintDialog dialog(printer);
        return dialog.exec() == QDialog::Accepted;
    }

    QPrinter *printer(int index) override { return printerAt(index); }

private:
    QPrinter *printerAt(int index)
    {
        if (index < 0 || index >= m_printers.size())
            return nullptr;
        if (m_printer && m_printerIndex == index)
            return m_printer.get();
        m_printer = std::make_unique<QPrinter>(m_printers.at(index), QPrinter::HighResolution);
        m_printerIndex = index;
        return m_printer.get();
    }

    QList<QPrinterInfo> m_printers;
    std::unique_ptr<QPrinter> m_printer;
    int m_printerIndex = -1;
};

} // namespace

const std::vector<TPaperInfo> &PaperTable()
{
    static std::vector<TPaperInfo> table = [] {
        std::vector<TPaperInfo> t;
        for (int i = 0; i < PaperTableSize; ++i)
            t.push_back({paperRows[i].code, GetLocaleString(55008 + i), paperRows[i].x, paperRows[i].y});
        return t;
    }();
    return table;
}

std::unique_ptr<PlatformPrinters> createQtPlatformPrinters()
{
    return std::make_unique<QtPlatformPrinters>();
}

TfrPrinter::TfrPrinter()
{
    LoadPaperNames();
}

void TfrPrinter::LoadPaperNames()
{
    PaperNames.clear();
    for (const TPaperInfo &p : PaperTable())
        PaperNames << p.Name;
    if (!Printers.isEmpty())
        Printers.last() = GetLocaleString(55007);
}

void TfrPrinter::AttachPrinter(PlatformPrinters *platform)
{
    Printer = platform;
    Printers = platform ? platform->printerNames() : QStringList();
    const bool hasReal = !Printers.isEmpty();
    PrinterIndex = hasReal ? platform->defaultPrinterIndex() : 0;
    Printers << GetLocaleString(55007);
    VirtualPrinterIndex = int(Printers.size()) - 1;
    if (!hasReal)
        PrinterIndex = VirtualPrinterIndex;
    if (hasReal)
        GetSettings();
    else
        SetSettings();
}

void TfrPrinter::SetPrinterIndex(int i)
{
    if (i == PrinterIndex || i < 0 || i >= Printers.size())
        return;
    PrinterIndex = i;
    if (IsVirtual())
        SetSettings();
    else if (Printer)
        GetSettings();
}

void TfrPrinter::GetSettings()
{
    if (IsVirtual() || !Printer) {
        PrinterIndex = VirtualPrinterIndex;
        SetSettings();
        return;
    }
    PlatformPrinterSettings s;
    bool ok = false;
    try {
        ok = Printer->readSettings(PrinterIndex, s);
    } catch (const std::exception &) {
        ok = false;
    }
    if (!ok) {
        // A printer that tells nothing about itself is replaced by the virtual one.
        PrinterIndex = VirtualPrinterIndex;
        SetSettings();
        return;
    }
    m_device = s;
    PaperSize = s.paperSize;
    PaperWidth = s.paperWidth;
    PaperHeight = s.paperHeight;
    PaperSizes.assign(s.paperSizes.begin(), s.paperSizes.begin() + std::min<size_t>(s.paperSizes.size(), 256));
    PaperSizesNum = int(PaperSizes.size());
    PaperNames = s.paperNames.mid(0, PaperSizesNum);
    Bin = s.bin;
    Bins = {DefaultBin};
    BinNames = {GetLocaleString(55435)};
    for (size_t i = 0; i < s.bins.size() && Bins.size() < 64; ++i) {
        Bins.push_back(s.bins[i]);
        BinNames << s.binNames.value(int(i)).left(24);
    }
    BinsNum = int(Bins.size());
    Orientation = s.orientation;
}

void TfrPrinter::SetSettings()
{
    if (IsVirtual() || !Printer) {
        PaperNames.clear();
        PaperSizes.clear();
        for (const TPaperInfo &p : PaperTable()) {
            PaperNames << p.Name;
            PaperSizes.push_back(p.Typ);
        }
        PaperSizesNum = PaperTableSize;
        Bins = {DefaultBin};
        BinNames = {GetLocaleString(55435)};
        BinsNum = 1;
        if (PaperSize != PaperCustom && PaperSize != -1) {
            const TPaperInfo *p = findPaper(PaperSize);
            if (!p)
                throw Exception(QStringLiteral("Неизвестный размер бумаги %1").arg(PaperSize));
            PaperWidth = Orientation == 1 ? p->Y : p->X;
            PaperHeight = Orientation == 1 ? p->X : p->Y;
        }
        return;
    }
    bool ok = false;
    try {
        ok = Printer->applySettings(PrinterIndex, PaperSize, PaperWidth, PaperHeight, Orientation, Bin);
    } catch (const std::exception &) {
        ok = false;
    }
    Q_UNUSED(ok);
    GetSettings();
}

bool TfrPrinter::IsEqual(int size, int width, int height, int orientation, int bin) const
{
    if (size == PaperCustom && size == PaperSize)
        return std::abs(width - PaperWidth) <= 1 && std::abs(height - PaperHeight) <= 1 && orientation == Orientation;
    return size == PaperSize && orientation == Orientation && (bin == Bin || (bin & 0xFFFF) == 0xFFFF);
}

void TfrPrinter::SetPrinterInfo(int size, int width, int height, int bin, int orientation, bool force)
{
    if (Printer && !IsVirtual() && Printer->isPrinting())
        return;
    if (!force && IsEqual(size, width, height, orientation, bin))
        return;
    PaperSize = size;
    PaperWidth = width;
    PaperHeight = height;
    Bin = bin;
    Orientation = orientation;
    SetSettings();
}

void TfrPrinter::FillPrnInfo(TPrinterGeometry &info) const
{
    if (IsVirtual() || !Printer) {
        info.PaperWidthUnits = frRound(PaperWidth * UnitsPerInch / 254);
        info.PaperHeightUnits = frRound(PaperHeight * UnitsPerInch / 254);
        info.OffsetX = info.OffsetY = frRound(50 * UnitsPerInch / 254);
        info.PrintWidth = info.PaperWidthUnits - 2 * info.OffsetX;
        info.PrintHeight = info.PaperHeightUnits - 2 * info.OffsetY;
        return;
    }
    const PlatformPrinterSettings &s = m_device;
    const double kx = UnitsPerInch / s.dpiX, ky = UnitsPerInch / s.dpiY;
    info.DevPaperWidth = s.physicalWidth;
    info.DevPaperHeight = s.physicalHeight;
    info.DevOffsetX = s.offsetX;
    info.DevOffsetY = s.offsetY;
    info.DevPrintWidth = s.printableWidth;
    info.DevPrintHeight = s.printableHeight;
    info.PaperWidthUnits = frRound(s.physicalWidth * kx);
    info.PaperHeightUnits = frRound(s.physicalHeight * ky);
    info.OffsetX = frRound(s.offsetX * kx);
    info.OffsetY = frRound(s.offsetY * ky);
    info.PrintWidth = frRound(s.printableWidth * kx);
    info.PrintHeight = frRound(s.printableHeight * ky);
}

void TfrPrinter::ShowPrinterProperties()
{
    if (Printer && !IsVirtual() && Printer->showProperties(PrinterIndex))
        GetSettings();
}

int TfrPrinter::IndexOfPaperSize(int code) const
{
    for (int i = 0; i < PaperSizesNum; ++i)
        if (PaperSizes[i] == code)
            return i;
    return PaperSizesNum - 1;
}

int TfrPrinter::IndexOfBin(int code) const
{
    for (int i = 0; i < BinsNum; ++i)
        if (Bins[i] == code)
            return i;
    return 0;
}
