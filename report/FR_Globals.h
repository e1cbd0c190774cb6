#pragma once

#include "FR_Pars.h"
#include "FR_Prntr.h"
#include "ReportCanvas.h"

#include "Color.h"
#include "Exceptions.h"
#include "Formats.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class TfrBand;
class TfrCompressor;
class TfrInterpretator;
class TfrParser;
class TfrPage;
class TfrProgress;
class TfrReport;
class TfrReportDesigner;
class TfrView;
class TfrExportFilter;
class TfrFunctionLibrary;
class TfrInstalledFunctions;
class QWidget;

// The registry key under which the engine's and the designer's windows keep their placement and options:
// "Software\ReportDesigner\" and the program's title.
QString EngineRegistryKey();

// The colours that colour properties show by name, in the order the designer lists them: the sixteen plain
// colours, transparent, and the system colours.
struct TfrNamedColor
{
    TColor Value;
    const char *Name;
};

inline constexpr std::array<TfrNamedColor, 42> ColorTable { {
    { clWhite, "clWhite" },
    { clBlack, "clBlack" },
    { clMaroon, "clMaroon" },
    { clGreen, "clGreen" },
    { clOlive, "clOlive" },
    { clNavy, "clNavy" },
    { clPurple, "clPurple" },
    { clTeal, "clTeal" },
    { clGray, "clGray" },
    { clSilver, "clSilver" },
    { clRed, "clRed" },
    { clLime, "clLime" },
    { clYellow, "clYellow" },
    { clBlue, "clBlue" },
    { clFuchsia, "clFuchsia" },
    { clAqua, "clAqua" },
    { clTransparent, "clTransparent" },
    { clScrollBar, "clScrollBar" },
    { clBackground, "clBackground" },
    { clActiveCaption, "clActiveCaption" },
    { clInactiveCaption, "clInactiveCaption" },
    { clMenu, "clMenu" },
    { clWindow, "clWindow" },
    { clWindowFrame, "clWindowFrame" },
    { clMenuText, "clMenuText" },
    { clWindowText, "clWindowText" },
    { clCaptionText, "clCaptionText" },
    { clActiveBorder, "clActiveBorder" },
    { clInactiveBorder, "clInactiveBorder" },
    { clAppWorkSpace, "clAppWorkSpace" },
    { clHighlight, "clHighlight" },
    { clHighlightText, "clHighlightText" },
    { clBtnFace, "clBtnFace" },
    { clBtnShadow, "clBtnShadow" },
    { clGrayText, "clGrayText" },
    { clBtnText, "clBtnText" },
    { clInactiveCaptionText, "clInactiveCaptionText" },
    { clBtnHighlight, "clBtnHighlight" },
    { cl3DDkShadow, "cl3DDkShadow" },
    { cl3DLight, "cl3DLight" },
    { clInfoText, "clInfoText" },
    { clInfoBk, "clInfoBk" },
} };

// The platform's rounding (halves to the even one) for the engine's pixel arithmetic.
inline int frRound(double v)
{
    return int(Round(v));
}

// A class that the template names but the program does not link.
class EClassNotFound : public Exception
{
public:
    using Exception::Exception;
};

// The engine's registries hold at most this many entries each.
constexpr int RegistryCapacity = 32;

struct TfrAddInObjectInfo
{
    QString ClassName;
    std::function<TfrView *()> Create;
    QImage ButtonBmp;
    QString ButtonHint;
    int Reserved = 0;
};

struct TfrExportFilterInfo
{
    TfrExportFilter *Filter = nullptr;
    QString FilterDesc;
    QString FilterExt;
};

struct TfrToolInfo
{
    QString Caption;
    QImage ButtonBmp;
    std::function<void()> OnClick;
};

// Opens an editor of the designer for an object (null: the designer's selection).
using TfrEditorHook = std::function<void(TfrView *)>;

// The engine's process-wide state: what the designer, the build and the objects share. One instance, used on
// the user-interface thread only; tests start from a clean one with frResetEngine().
class TfrGlobals
{
public:
    TfrGlobals();
    ~TfrGlobals();
    TfrGlobals(const TfrGlobals &) = delete;
    TfrGlobals &operator=(const TfrGlobals &) = delete;

    // Report, page, band and object being read, built, shown or designed.
    TfrReport *CurrentReport = nullptr;
    TfrReport *OutputReport = nullptr;
    TfrPage *ActivePage = nullptr;
    TfrBand *CurrentBand = nullptr;
    TfrView *CurrentView = nullptr;
    // The designer that is open, while it is shown.
    TfrReportDesigner *CurrentDesigner = nullptr;

    // 0 design, 1 print.
    int DocumentMode = 0;
    int StreamVersion = 24;
    bool ErrorFlag = false;
    QString ErrorMessage;
    int NextObjectID = 0;
    bool FirstOfTwoPasses = false;
    int PageNo = 0;
    int TotalPages = 0;
    // Height of the last text layout, gaps included.
    int WrapHeight = 0;
    // The designer's band-titles setting.
    bool BandTitles = true;

    int EngineCharset = 204;
    QStringList BandNames, DateFormats, TimeFormats, BoolFormats, SpecialNames;

    // Variables that scripts set, and the named constants that expressions see ("clRed", "mb_YesNo", ...).
    TfrVariables ScriptVariables, EngineConstants;

    // The value chain: the value of the last bracketed expression ("VALUE") and the name being computed, which
    // guards against an expression that needs itself.
    Variant CurrentValue;
    QString CurrentExpression;
    // The date and the time at which the build started ("DATE", "TIME").
    TDateTime ReportDate = 0, ReportTime = 0;
    // The build: the next template page continues on the current prepared page, and so does the next member
    // of a composite report; a dialog page was cancelled.
    bool AppendPage = false;
    bool AppendNextReport = false;
    bool DialogCancelled = false;
    // Where the last prepared page of one template page ended, for a page that continues on it.
    int SavedCursorY = 0, SavedBottomLimit = 0;
    bool FooterOnSavedPage = false;
    // A cross row is being written, and the distance it carries to the following pages.
    bool CrossRunning = false;
    int CrossOffsetX = 0;
    // The totals preparation runs, and the data band that receives the aggregate entries.
    bool TotalsPreparation = false;
    TfrBand *TotalsDataBand = nullptr;

    // Measuring and preparing objects without painting.
    RecordingCanvas &ScratchCanvas() { return *m_scratchCanvas; }
    QStringList ScratchList;
    QImage CheckerBitmap;
    std::vector<TfrView *> NotificationList;

    std::vector<TfrAddInObjectInfo> AddIns;
    std::vector<TfrExportFilterInfo> ExportFilters;
    // In registration order; the descriptions of their functions are in InstalledFunctions.
    std::vector<std::unique_ptr<TfrFunctionLibrary>> FunctionLibraries;
    TfrInstalledFunctions &InstalledFunctions() { return *m_installedFunctions; }
    std::vector<TfrToolInfo> Tools;

    // Editor hooks the designer fills while it is shown.
    TfrEditorHook MemoEditorHook, PictureEditorHook, TagEditorHook, RestrictionsEditorHook, HighlightEditorHook,
        DataFieldEditorHook, BandDataSourceEditorHook, CrossDataSourceEditorHook, GroupEditorHook, FontEditorHook;
    // The designer's display-format dialog for the selected text objects.
    TfrEditorHook FormatEditorHook;

    // Later layers fill these: the preview of prepared pages, and the designer's window, made for the whole
    // template or for one prepared page (unset means that no designer is linked; the engine frees what it makes).
    std::function<void(TfrReport &)> ShowPreparedHook;
    // Takes a preview window as a sub-window of the program's main window (MDIPreview); unset without one.
    std::function<void(QWidget *)> MDIPreviewHost;
    std::function<TfrReportDesigner *(bool templateMode)> DesignerFormClass;
    // Takes SHOWBAND in place of the page build when set (tests watch the calls through it); the progress window
    // shows a script's text in its second line (the variable PROGRESS).
    std::function<void(TfrPage &, const QString &bandName)> ShowBandHook;
    std::function<void(const QString &text)> ProgressTextHook;

    // The one expression parser and script interpreter of the engine (the build sets their callbacks).
    TfrParser &Parser() { return *m_parser; }
    TfrInterpretator &Interpreter() { return *m_interpreter; }
    void SetInterpreter(std::unique_ptr<TfrInterpretator> interpreter);

    TfrPrinter &Printer() { return *m_printer; }
    int DefaultPaperSize = PaperA4;
    bool PrinterReady = false;

    // The progress window of builds, prints and exports; null puts back the one that runs jobs directly.
    TfrProgress &Progress() { return *m_progress; }
    void SetProgress(std::unique_ptr<TfrProgress> progress);
    // Packs the object streams of prepared files (the engine's own packs nothing).
    TfrCompressor &Compressor() { return *m_compressor; }
    // The hidden window that dialog controls live on while they are not on a dialog page's window; made on
    // first use.
    QWidget &DialogForm();
    // A component of that name lives on the dialog host (dialog controls take other names).
    bool DialogFormHolds(const QString &name) const;

private:
    // Registers the standard function library, which describes itself to the globals, and the barcode object,
    // once they exist.
    void Start();
    friend TfrGlobals &frEngine();
    friend void frResetEngine();

    std::unique_ptr<TfrInstalledFunctions> m_installedFunctions;
    std::unique_ptr<TfrParser> m_parser;
    std::unique_ptr<TfrInterpretator> m_interpreter;
    std::unique_ptr<RecordingCanvas> m_scratchCanvas;
    std::unique_ptr<TfrPrinter> m_printer;
    std::unique_ptr<TfrProgress> m_progress;
    std::unique_ptr<TfrCompressor> m_compressor;
    std::unique_ptr<QWidget> m_dialogForm;
    std::unique_ptr<PlatformPrinters> m_platformPrinters;
    friend void frAttachPlatformPrinters(std::unique_ptr<PlatformPrinters>);
};

TfrGlobals &frEngine();

// Starts the engine afresh: all state, registries and hooks cleared, the virtual printer only. For tests.
void frResetEngine();

// Gives the engine's printer the platform's printers (the program does this at start-up).
void frAttachPlatformPrinters(std::unique_ptr<PlatformPrinters> printers);

TfrView *CreateViewOfType(int typ, const QString &className);
// Registers an add-in object class; a registry already holding 32 entries refuses with an error.
void RegisterAddInObject(const QString &className, std::function<TfrView *()> create, const QImage &buttonBmp,
                         const QString &hint);
void RegisterExportFilter(TfrExportFilter *filter, const QString &desc, const QString &ext);
void UnregisterExportFilter(TfrExportFilter *filter);
