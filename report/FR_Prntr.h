#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
#include <vector>

// Page geometry of one printer and paper, in device pixels and in page units (18600/203 units per inch).
struct TPrinterGeometry
{
    qint32 DevPaperWidth = 0, DevPaperHeight = 0;
    qint32 PaperWidthUnits = 0, PaperHeightUnits = 0;
    qint32 DevOffsetX = 0, DevOffsetY = 0;
    qint32 OffsetX = 0, OffsetY = 0;
    qint32 DevPrintWidth = 0, DevPrintHeight = 0;
    qint32 PrintWidth = 0, PrintHeight = 0;

    bool operator==(const TPrinterGeometry &) const = default;
};

// A paper of the built-in table: code, name, size in tenths of a millimetre.
struct TPaperInfo
{
    int Typ;
    QString Name;
    int X, Y;
};

constexpr int PaperCustom = 256;
constexpr int PaperA4 = 9;
constexpr int DefaultBin = 0xFFFF;
constexpr int PaperTableSize = 67;

// The built-in paper table (names loaded from the engine texts).
const std::vector<TPaperInfo> &PaperTable();

// What the engine asks of a real printer. The Qt implementation reads QPrinterInfo and QPrinter; tests run
// with no printer at all.
struct PlatformPrinterSettings
{
    int paperSize = PaperA4;           // paper code
    int paperWidth = 0, paperHeight = 0; // tenths of a millimetre, as the paper is turned
    int orientation = 0;               // 0 portrait, 1 landscape
    int bin = DefaultBin;
    std::vector<int> paperSizes;
    QStringList paperNames;
    std::vector<int> bins;             // without the default entry
    QStringList binNames;
    // Geometry in device pixels.
    int dpiX = 600, dpiY = 600;
    int physicalWidth = 0, physicalHeight = 0;
    int offsetX = 0, offsetY = 0;
    int printableWidth = 0, printableHeight = 0;
};

class PlatformPrinters
{
public:
    virtual ~PlatformPrinters() = default;
    virtual QStringList printerNames() const = 0;
    virtual int defaultPrinterIndex() const = 0;
    // False when the printer gives no settings.
    virtual bool readSettings(int index, PlatformPrinterSettings &settings) = 0;
    // Asks the printer for paper, orientation and bin; false when it refuses.
    virtual bool applySettings(int index, int paperSize, int paperWidth, int paperHeight, int orientation,
                               int bin) = 0;
    // The platform's document properties dialog; true when confirmed.
    virtual bool showProperties(int index) = 0;
    virtual bool isPrinting() const { return false; }
    // The printer's device for a print job about to begin, with the settings applied last; null when the
    // printer cannot print. Each call may start a new output (a printer writing files names a new file).
    virtual QPrinter *printer(int index)
    {
        Q_UNUSED(index);
        return nullptr;
    }
};

// The printers of the system through QPrinterInfo.
std::unique_ptr<PlatformPrinters> createQtPlatformPrinters();

// The engine's printer: the printer list with the virtual printer at its end, the current printer's papers
// and bins, the paper of the page at hand and its geometry.
class TfrPrinter
{
public:
    TfrPrinter();

    void LoadPaperNames();
    // Takes the platform's printers (none when null). The platform object must outlive the printer.
    void AttachPrinter(PlatformPrinters *platform);
    void SetPrinterIndex(int i);
    void GetSettings();
    void SetSettings();
    bool IsEqual(int size, int width, int height, int orientation, int bin) const;
    void SetPrinterInfo(int size, int width, int height, int bin, int orientation, bool force);
    void FillPrnInfo(TPrinterGeometry &info) const;
    void ShowPrinterProperties();
    int IndexOfPaperSize(int code) const;
    int IndexOfBin(int code) const;
    void Refresh() { GetSettings(); }
    bool IsVirtual() const { return PrinterIndex == VirtualPrinterIndex; }

    PlatformPrinters *Printer = nullptr;
    QStringList PaperNames, BinNames, Printers;
    int PrinterIndex = 0;
    int VirtualPrinterIndex = 0;
    int Orientation = 0;
    int PaperSize = PaperA4;
    int PaperWidth = 0, PaperHeight = 0;
    int Bin = DefaultBin;
    std::vector<int> PaperSizes;
    int PaperSizesNum = 0;
    std::vector<int> Bins;
    int BinsNum = 0;

private:
    PlatformPrinterSettings m_device; // the last settings read from the real printer
};

// The engine's one printer; created with the engine context.
TfrPrinter &EnginePrinter();
