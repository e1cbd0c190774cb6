#pragma once

#include "FR_Globals.h"
#include "ReportCanvas.h"

#include "Color.h"
#include "Variant.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TDataSet;
class TField;
class QDialog;
class QEventLoop;
class QHideEvent;
class QMenu;
class TStream;
class TfrDataDictionary;
class TfrDataset;
class TfrEMFPages;
class TfrExportFilter;
class TfrPage;
class TfrReport;
class TfrView;


// Property type flags of the designer and the inspector.
enum : int {
    frdtString = 0x1,
    frdtInteger = 0x2,
    frdtFloat = 0x4,
    frdtBoolean = 0x8,
    frdtColor = 0x10,
    frdtEnum = 0x20,
    frdtHasEditor = 0x40,
    frdtSize = 0x80,
    frdtOneObject = 0x100,
};

// One property of an object as the designer and the inspector read it.
struct TfrPropRec
{
    QString PropName;
    int PropType = 0;
    QStringList Enum;
    bool HasEnum = false;
    // The value of each text, or Null when the texts are the values.
    Variant EnumValues = Variant::Null();
    TfrEditorHook PEditor;
};

// The named-property interface shared by report objects and template pages.
class TfrObject
{
public:
    virtual ~TfrObject() = default;

    // The class name the designer shows beside an object's name.
    virtual QString ClassName() const = 0;

    virtual void SetPropertyValue(const QString &name, const Variant &value);
    virtual Variant GetPropertyValue(const QString &name);
    virtual Variant CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3);
    virtual void RegisterProperties() {}

    void RegisterProp(const QString &name, int typ, TfrEditorHook editor = {});
    // Texts separated by ";"; values Null (the texts are the values) or one value per text.
    void RegisterEnumProp(const QString &name, const QString &texts, const QList<Variant> &values);
    void ClearPropList() { PropRecs.clear(); }
    TfrPropRec *FindPropRec(const QString &name);

    std::vector<TfrPropRec> PropRecs;

protected:
    // The list methods of a string-list property; true when the method was one of them.
    bool CallListMethod(QStringList &list, const QString &methodName, Variant &result, const Variant &p1,
                        const Variant &p2, const Variant &p3, const QString &propName);
};

// The font of a text object as templates keep it.
struct TfrFont
{
    QString Name = QStringLiteral("Arial");
    int Size = 10;  // points
    int Style = 0;  // 1 italic, 2 bold, 4 underline, 8 strike-out
    TColor Color = clBlack;
    int Charset = 204;

    // The font at a pixel height (the engine works at 96 pixels per inch).
    QFont toQFont(int pixelHeight) const;
    int pixelHeight() const;
    bool operator==(const TfrFont &) const = default;
};

void SetFontValue(TfrFont &font, const QString &name, const Variant &value);
Variant GetFontValue(const TfrFont &font, const QString &name);

// The base of every report object. Geometry is in page pixels; between ApplyScale and RestoreGeometry it is
// the geometry of the current drawing pass.
class TfrView : public TfrObject
{
public:
    TfrView();
    ~TfrView() override;

    // The class name that type-10 records carry.
    QString ClassName() const override { return QStringLiteral("TfrView"); }

    void SetPropertyValue(const QString &name, const Variant &value) override;
    Variant GetPropertyValue(const QString &name) override;
    Variant CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3) override;
    void RegisterProperties() override;

    virtual void DrawBackground();
    virtual void DrawFrame();
    // Takes the content of the blob field the object is bound to.
    virtual void ReadBlobField(TField *) {}
    virtual void NotifyViewPrinting() {}
    virtual void AfterLoad() {}
    virtual void ApplyScale();
    virtual void RestoreGeometry();
    virtual void Draw(ReportCanvas &canvas) = 0;
    virtual void WritePrepared(TStream &stream);
    virtual void ExportData();
    virtual void LoadFromStream(TStream &stream);
    virtual void SaveToStream(TStream &stream);
    virtual void AfterDesignerEdit() {}
    virtual QRegion GetClipRegion(bool enlarged);
    virtual void ShowEditor() {}
    // Adds the object's own items to the designer's object popup; they act on the designer's selection.
    virtual void BuildPopupMenu(QMenu *menu);
    // Last step before WritePrepared writes the record: WorkText and Tag are the build's.
    virtual void CompletePreparedText() {}

    void PrepareDraw(ReportCanvas &canvas);
    void MakeUniqueName();
    void ExpandBrackets(QString &text);
    void PlaceAt(int left, int top, int width, int height);
    TfrView *BandUnder();
    bool IsStretched() const { return Flags & 1; }

    // Design geometry kept while a pass works at its zoom.
    int SavedLeft = 0, SavedTop = 0, SavedWidth = 0, SavedHeight = 0, SavedGapX = 0, SavedGapY = 0;
    double SavedFrameWidth = 0;
    QString NamePrefix = QStringLiteral("View");
    ReportCanvas *DrawCanvas = nullptr;
    QRect DrawRect;
    QStringList WorkText;
    // The data field the page build bound the object to; DoBeforePrint reads it when it is a blob.
    QPointer<TDataSet> BlobDataSet;
    QString BlobFieldName;
    int RecordMode = 0; // 0 template, 1 prepared
    QString Name;
    int TypeCode = 10;
    int RecordVersionMajor = 2, RecordVersionMinor = 0;
    int ObjectID = 0;
    bool IsSelected = false;
    QRect DesignRect;
    double ZoomX = 1, ZoomY = 1;
    int ShiftX = 0, ShiftY = 0;
    bool ForPrinter = false;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    quint16 Flags = 1;
    quint16 FrameTyp = 0;
    double FrameWidth = 1;
    TColor FrameColor = clBlack;
    quint16 FrameStyle = 0;
    TColor FillColor = clTransparent;
    qint32 FormatCode = 0;
    QString FormatText;
    bool Visible = true;
    int GapX = 2, GapY = 1;
    quint16 Restrictions = 0;
    QString Tag;
    QStringList Memo;
    QStringList Script;
    quint8 BandAlign = 0;
    TfrBand *Parent = nullptr;

protected:
    // The object record of the base class.
    void LoadBaseRecord(TStream &stream);
    void SaveBaseRecord(TStream &stream);
    // Draws one frame line with the frame's pen, style and width.
    void DrawFrameLine(int x1, int y1, int x2, int y2);
    bool Designing() const { return frEngine().DocumentMode == 0; }
};

// Objects that grow with their band: text and line objects.
class TfrStretcheable : public TfrView
{
public:
    Variant CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3) override;
    virtual int CalcHeight() = 0;
    virtual int MinHeight() = 0;
    virtual int RemainHeight() = 0;

    int DrawMode = 0; // 0 whole, 1 measured, 2 remaining part
};

// Horizontal alignment, turned text and vertical placement of a text object's Alignment word.
enum : int {
    frtaLeft = 0,
    frtaRight = 1,
    frtaCenter = 2,
    frtaJustify = 3,
    frtaVertical = 4,
    frtaMiddle = 8,
    frtaDown = 16,
};

// Ends a paragraph in a laid-out text.
constexpr QChar ParagraphEnd = QChar(1);

class TfrMemoView : public TfrStretcheable
{
public:
    TfrMemoView();
    QString ClassName() const override { return QStringLiteral("TfrMemoView"); }

    void SetPropertyValue(const QString &name, const Variant &value) override;
    Variant GetPropertyValue(const QString &name) override;
    Variant CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3) override;
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    void WritePrepared(TStream &stream) override;
    void ExportData() override;
    void ReadBlobField(TField *field) override;
    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) override;
    void ShowEditor() override;
    void BuildPopupMenu(QMenu *menu) override;
    int CalcHeight() override;
    int MinHeight() override;
    int RemainHeight() override;

    void FillWorkText();
    void LayoutText();
    void PaintText();
    void PaintUnderlines();
    int MeasureWidth(const QStringList &lines);
    void SelectDrawFont(ReportCanvas &canvas);

    TfrFont Font;
    QString LastValue;
    bool Prewrapped = false;
    bool ClipAtBottom = false;
    int LineStep = 0;
    int LineCounter = 0;
    bool Exporting = false;
    qint32 Alignment = 0;
    quint16 HighlightStyle = 2;
    TColor HighlightFontColor = clBlack;
    TColor HighlightFillColor = clWhite;
    QString HighlightCondition;
    qint32 LineSpacing = 2;
    qint32 CharSpacing = 0;

private:
    void BreakLine(const QString &s, int maxWidth);
    void Emit(const QString &line);
    // Applies the highlight when its condition holds; the returned function restores font and fill.
    std::function<void()> ApplyHighlight();

    int m_position = 0;     // running position of the layout
    int m_available = 0;    // available length of the layout
    int m_lineStepLayout = 0;
    ReportCanvas *m_layoutCanvas = nullptr;

    // The last layout with all it was made from: a page painted again lays a text out only when one of them changed.
    struct Layout
    {
        QStringList text;
        bool prewrapped = false;
        bool designing = false;
        quint16 flags = 0;
        TfrFont font;
        qint32 alignment = 0;
        qint32 lineSpacing = 0;
        qint32 charSpacing = 0;
        int width = 0;
        int height = 0;
        int gapX = 0;
        int gapY = 0;
        const TextMeasurer *measurer = nullptr;
        bool operator==(const Layout &) const = default;
    };
    std::optional<Layout> m_laidOutFrom;
    QStringList m_laidOutLines;
    int m_laidOutHeight = 0;
    int m_laidOutStep = 0;
};

// Hyphenation positions of a word by the Russian rules: after the i-th character (counted from 1).
std::vector<int> HyphenationPositions(const QString &word);

// Band types.
enum TfrBandType : int {
    btReportTitle, btReportSummary, btPageHeader, btPageFooter, btMasterHeader, btMasterData, btMasterFooter,
    btDetailHeader, btDetailData, btDetailFooter, btSubDetailHeader, btSubDetailData, btSubDetailFooter,
    btOverlay, btColumnHeader, btColumnFooter, btGroupHeader, btGroupFooter, btCrossHeader, btCrossData,
    btCrossFooter, btChild, btNone
};

class TfrBandView : public TfrView
{
public:
    TfrBandView();
    QString ClassName() const override { return QStringLiteral("TfrBandView"); }

    void SetPropertyValue(const QString &name, const Variant &value) override;
    Variant GetPropertyValue(const QString &name) override;
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) override;
    QRegion GetClipRegion(bool enlarged) override;
    void BuildPopupMenu(QMenu *menu) override;

    int GetBandType() const { return FrameTyp & 0xFF; }
    void SetBandType(int code) { FrameTyp = quint16(code & 0x7F); }
    bool IsCrossBand() const { return GetBandType() >= btCrossHeader && GetBandType() <= btCrossFooter; }
    int TitleWidth();

    QString ChildBand;
    QString Master;
    qint32 Columns = 1, ColumnWidth = 200, ColumnGap = 20, NewColumnAfter = 1;

private:
    // The band's place along the page's width (across its height for a cross band): drawn, a band stretches
    // over the whole page, which is how it is shown and not what the template holds, so the band is written
    // with the span it had before it was first stretched unless something else has moved it since.
    struct Span
    {
        bool cross;
        int start, length;
        bool operator==(const Span &) const = default;
    };
    Span CurrentSpan() const;
    void SetSpan(const Span &span);
    std::optional<Span> m_heldSpan, m_shownSpan;
};

class TfrSubReportView : public TfrView
{
public:
    TfrSubReportView();
    QString ClassName() const override { return QStringLiteral("TfrSubReportView"); }
    void Draw(ReportCanvas &canvas) override;
    // A subreport offers no items of its own.
    void BuildPopupMenu(QMenu *) override {}
    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) override;

    qint32 SubPageIndex = 0;
};

// The picture a picture object holds: the graphic's own file bytes and their kind, with the image when Qt
// can draw it. Metafiles keep their bytes for saving and draw as a placeholder.
class TfrPicture
{
public:
    enum Kind { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, Jpeg = 4 };

    bool IsEmpty() const { return m_kind == None; }
    Kind GetKind() const { return m_kind; }
    const QByteArray &Data() const { return m_data; }
    const QImage &Image() const { return m_image; }
    int Width() const;
    int Height() const;
    void Clear();
    // Takes the bytes of a graphic of the given kind; raises when an image kind does not load.
    void SetData(Kind kind, const QByteArray &data);
    // Loads a file, the kind following its contents; false when it is no picture.
    bool LoadFromFile(const QString &fileName);
    void SetImage(const QImage &image, Kind kind = Bitmap);

private:
    Kind m_kind = None;
    QByteArray m_data;
    QImage m_image;
    int m_metaWidth = 0, m_metaHeight = 0;
};

class TfrPictureView : public TfrView
{
public:
    TfrPictureView();
    QString ClassName() const override { return QStringLiteral("TfrPictureView"); }

    void SetPropertyValue(const QString &name, const Variant &value) override;
    Variant GetPropertyValue(const QString &name) override;
    Variant CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3) override;
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    void LoadFromStream(TStream &stream) override;
    void SaveToStream(TStream &stream) override;
    void ReadBlobField(TField *field) override;
    void ShowEditor() override;
    void BuildPopupMenu(QMenu *menu) override;

    TfrPicture Picture;
    quint8 BlobType = 0; // 0 bitmap, 1 JPEG, 2 icon, 3 metafile
};

class TfrLineView : public TfrStretcheable
{
public:
    TfrLineView();
    QString ClassName() const override { return QStringLiteral("TfrLineView"); }
    void RegisterProperties() override;
    void Draw(ReportCanvas &canvas) override;
    QRegion GetClipRegion(bool enlarged) override;
    int CalcHeight() override { return Height; }
    int MinHeight() override { return 1; }
    int RemainHeight() override { return 0; }
};

// Makes target a copy of source through the object record (designer undo and clipboard).
void CopyViewContents(TfrView &target, TfrView &source);
// The object record alone, for a view that is to take it back later: what CopyViewContents carries over, less
// the type and the selection, which the view keeps.
QByteArray SaveViewContents(TfrView &view);
void LoadViewContents(TfrView &view, const QByteArray &contents);

// Separates the fields of a totals key.
constexpr QChar TotalKeySeparator = QChar(1);
// Kinds of totals entries: the character in the key's kind field.
enum : int { tkSum = 11, tkMin = 12, tkMax = 13, tkAvg = 14, tkCount = 15 };

// Field n (from 1) of a totals key without its separator; empty when the key has fewer fields.
QString TotalKeyField(const QString &key, int n);

// A band of a template page while a report is built: its kind, place, data source, objects, links and the
// counters and totals of the build.
class TfrBand
{
public:
    TfrBand(int bandType, TfrPage *page);
    ~TfrBand();
    TfrBand(const TfrBand &) = delete;
    TfrBand &operator=(const TfrBand &) = delete;

    // Sets an entry of Totals, adding it when new.
    void SetTotal(const QString &key, const Variant &value);
    // The entry's value (Null when absent). AVG is the sum divided by TotalCount, 0 before any record; a MIN or
    // MAX entry that has taken no value yet (Unassigned) reads 0.
    void GetTotal(const QString &key, Variant &value) const;
    // The band lists an object that another band prints (cross cells).
    bool HasCrossCells() const;

    // Build: data source, printing and its steps.
    void AssignDataSource(const QString &text);
    void ReleaseDataSource();
    // A band that stands for a band object, or the band of the page's loose objects when it holds any.
    bool IsUsed() const;
    // True when the band did not fit where it was (a new column or page began) or its subreports overflowed.
    bool PrintBand();
    // True when a band of that height at that top does not fit; unless testing, a new column or page begins.
    bool EnsureRoom(int top, int height, bool testOnly);
    int MeasureHeight();
    int MeasureStretch();
    int TallestObject();
    void EmitBand();
    // True when a subreport ran (the cursor is then where the subreports left it).
    bool EmitObjects();
    void EmitObject(TfrView *view);
    void EmitSplit();
    void StartSubreports();
    void RunSubreports();
    void StretchObjects(int height);
    void RestoreObjectHeights();
    void ShiftObjectsBelow(TfrView *view, int dy);

    // Totals: the current record added to every entry; the entries of this footer started again.
    void AccumulateTotals();
    void ResetTotals();

    // Cross rows: this band is the row band.
    void EmitCrossRow();
    void EmitCrossCell(TfrBand *cross, int x);
    void CrossNextPage(int width, int &x);

    TfrPage *Page;
    TfrView *View = nullptr;
    quint16 Flags = 0;
    // The chain of bands of one type, ordered by top; a band owns the next one.
    std::unique_ptr<TfrBand> Next;
    TfrBand *Prev = nullptr;
    TfrBand *NextGroup = nullptr, *PrevGroup = nullptr;
    TfrBand *FirstGroup = nullptr, *LastGroup = nullptr;
    TfrBand *ChildBand = nullptr;
    // For a footer the data band holding its totals; for a cross data band the row band it prints.
    TfrBand *TotalsBand = nullptr;
    int FirstSubreport = 0;
    int SubreportsBottom = 0;
    bool SubreportsDone = false;
    std::array<bool, 32> SubreportDone{};
    int LineNo = 1;
    int LineThroughNo = 1;
    Variant GroupValue;
    TfrBand *HeaderBand = nullptr, *FooterBand = nullptr;
    TfrBand *DataBand = nullptr;
    TfrBand *LastInChain = nullptr;
    TfrVariables Totals;
    int TotalCount = 0;
    bool RepeatingHeader = false;
    int CalcHeight = -1;
    int ColumnNo = 1;
    int ColumnStartX = 0;
    bool KeepScriptY = false;
    int CrossColumns = 0;
    bool ScriptDone = false;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int PrintedHeight = 0;
    int BandType;
    QString Name;
    bool PrintIfSubsetEmpty = false, FormNewPage = false, Stretched = false, Breaked = false,
         PrintChildIfInvisible = false, Visible = true;
    std::vector<TfrView *> Objects;
    QStringList Memo, Script;
    TfrDataset *DataSource = nullptr;
    bool OwnsDataSource = false;
    TfrDataset *CrossDataSource = nullptr;
    bool OwnsCrossDataSource = false;
    QString Condition;
    int NewPageRequests = 0, NewColumnRequests = 0;

private:
    // Heights of the objects kept while the band is measured and stretched.
    std::vector<int> m_keptHeights;
    // The band is printing: a child or SHOWBAND naming it again is not followed.
    bool m_printing = false;
    // Objects of a split band written once the final height is known.
    std::vector<TfrView *> m_writeAtEnd;
};

// One page of a report template: paper, margins, columns, its objects, its script and, for a dialog page,
// its window's properties.
class TfrPage : public TfrObject
{
public:
    TfrPage(int size, int width, int height, int bin, int orientation);
    ~TfrPage() override;
    TfrPage(const TfrPage &) = delete;
    TfrPage &operator=(const TfrPage &) = delete;

    QString ClassName() const override { return QStringLiteral("TfrPage"); }
    void ApplyPaper(int size, int width, int height, int bin, int orientation);
    void SetPropertyValue(const QString &name, const Variant &value) override;
    Variant GetPropertyValue(const QString &name) override;
    void RegisterProperties() override;
    int PrintAreaLeft() const;
    int PrintAreaTop() const;
    int PrintAreaRight() const;
    int PrintAreaBottom() const;

    int ObjectCount() const { return int(Objects.size()); }
    TfrView *Object(int i) const { return Objects.at(size_t(i)).get(); }
    void AddObject(TfrView *view);
    void ClearObjects() { Objects.clear(); }
    void DeleteObject(int i);
    int IndexOfObjectID(int id) const;
    TfrView *FindViewByName(const QString &name) const;
    void MakeUniqueName();

    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream);
    // Edits the page script in the designer's text and script editor, which edits objects only: the script goes
    // there on a dialog control made for the purpose and comes back from it.
    void EditScript();

    // Build.
    void PrepareBuild();
    void FinishBuild();
    void BuildBandTree();
    void BuildPage();
    void ShowBand(TfrBand *band);
    void ShowBandByName(const QString &name);
    void StartNewPage();
    void StartNewColumn(TfrBand *band);
    void FinishPages();
    void ResetBandLines(TfrBand *band, int value);
    // Actions of the play list: print the band, its source to the first record, to the next record.
    enum PlayAction { paPrint = 0, paFirst = 1, paNext = 2 };
    void RecordPlay(TfrBand *band, int action);
    // True when a band overflowed: the replay continues from that band on the next page.
    bool ReplayRecords();
    void ClearPlayList();
    void PrepareTotals();
    void PrepareTotalsOfBand(TfrBand *band);
    void PrepareTotalsOfTypes(std::initializer_list<int> types);
    // The first band of a type (its chain follows Next); null when the page has none.
    TfrBand *Band(int type) const { return BandsByType[size_t(type)].get(); }
    bool BandUsed(int type) const { return Band(type) && Band(type)->IsUsed(); }

    int PaperSize = PaperA4;
    int PaperWidth = 0, PaperHeight = 0;
    int LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
    int Orientation = 0;
    int Bin = DefaultBin;
    bool PrintToPrevPage = false;
    bool MarginsUsed = true;
    TPrinterGeometry PrnInfo;
    int Columns = 1, ColumnWidth = 0, ColumnGap = 0;
    int Type = 0; // 0 report page, 1 dialog page
    std::vector<std::unique_ptr<TfrView>> Objects;
    QString Name;
    int BorderStyle = 3;
    QString Caption = QStringLiteral("Form");
    TColor Color = clBtnFace;
    int Left = 220, Top = 120, Width = 380, Height = 300;
    int Position = 4;
    QStringList Script;
    bool Visible = true;

    // Build state. One chain of bands per band type while a report page is built.
    std::array<std::unique_ptr<TfrBand>, btNone + 1> BandsByType;
    bool IsSubreportPage = false;
    bool Prepared = false;
    int ColumnIndex = 0;
    int ColumnTopY = 0;
    int ColumnOffsetX = 0;
    int Recording = 0;
    int ReplayPos = 0;
    TfrBand *PendingSubreportBand = nullptr;
    // The current cross column ("COLUMN#") and the records printed on this page ("CURRENT#"), both from 1.
    int CrossColumnNo = 1;
    int RecordNo = 1;
    TfrBand *LastPrintedBand = nullptr;
    bool SuppressRepeats = false;
    // Where the next band goes and the lowest y usable on the current prepared page.
    int CursorY = 0;
    int BottomLimit = 0;
    // The window of a dialog page while a report is built.
    QPointer<QDialog> Form;
    struct PlayEntry
    {
        TfrBand *Band;
        int Action;
    };
    std::vector<PlayEntry> PlayList;
    // Set while the page's bands print (a subreport showing it again is not followed) and while a new page is
    // set up (requests for another new page or column are not followed).
    bool Building = false;
    bool StartingPage = false;
    // The page's number among the template pages, from 1, noted when it is built.
    int PageNumber = 0;

private:
    void PrintLevel(int level);
    void QueueBand(TfrBand *band);
    void FlushQueue();
    void PrintLevelFooters(TfrBand *band);

    // Bands waiting to print until a deeper level shows that they have records below them.
    static constexpr int PendingCapacity = 100;
    std::array<TfrBand *, PendingCapacity> m_pending{};
    int m_pendingCount = 0;
    int m_maxLevel = 0;
};

// Runs a page script (compile errors are not reported).
void RunPageScript(TfrPage *page, const QStringList &lines);

class TfrPages
{
public:
    explicit TfrPages(TfrReport *parent) : m_parent(parent) {}

    int GetCount() const { return int(m_pages.size()); }
    TfrPage *GetPage(int i) const { return m_pages.at(size_t(i)).get(); }
    TfrPage *operator[](int i) const { return GetPage(i); }
    void Clear() { m_pages.clear(); }
    int Add();
    void Delete(int i);
    void Move(int from, int to);
    // Puts a page object in as the last page (the caller gives up ownership).
    void Append(std::unique_ptr<TfrPage> page) { m_pages.push_back(std::move(page)); }
    // Takes page i out of the list, its ownership to the caller.
    std::unique_ptr<TfrPage> Take(int i)
    {
        std::unique_ptr<TfrPage> page = std::move(m_pages.at(size_t(i)));
        m_pages.erase(m_pages.begin() + i);
        return page;
    }
    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream);
    void PrepareAlignedViews();

private:
    TfrReport *m_parent;
    std::vector<std::unique_ptr<TfrPage>> m_pages;
};

enum TfrReportType { rtSimple, rtMultiple };
enum TfrPreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };
enum TfrPreviewButton : unsigned {
    pbZoom = 0x1, pbLoad = 0x2, pbSave = 0x4, pbPrint = 0x8, pbFind = 0x10, pbHelp = 0x20, pbExit = 0x40,
    pbPageSetup = 0x80,
};

// The report component: one template, its prepared pages and its data dictionary. A template reload (after
// every build, and every load) recreates all objects: an object pointer handed to OnBeforePrint is valid for
// the call only.
class TfrReport : public QObject
{
    Q_OBJECT
public:
    explicit TfrReport(QObject *owner = nullptr);
    ~TfrReport() override;

    // Answers whether the file existed; a missing file changes nothing.
    bool LoadReportFile(const QString &fileName);
    // Writes the template; a failure leaves any existing file as it was and raises.
    void SaveReportFile(const QString &fileName);
    // Load failures are shown in message boxes (the template is then kept, or replaced by one empty page);
    // answers whether the stream was read.
    bool LoadReportStream(TStream &stream);
    void SaveReportStream(TStream &stream);
    void SaveTemplateFile(const QString &fileName, const QStringList &description, const QImage &picture);
    void LoadTemplateFile(const QString &fileName, QStringList &description, bool loadReport, QImage &picture);
    // The "ReportForm" property of a form.
    void WriteReportForm(TStream &stream);
    void ReadReportForm(TStream &stream);
    void Loaded();

    void ClearTemplate();
    TfrView *FindViewByName(const QString &name) const;

    // Builds the prepared pages; false when cancelled, when a dialog page was cancelled or when the build
    // failed (the failure is shown, no page is kept, the template is as it was).
    bool BuildReport();
    // One pass over the template.
    virtual void BuildPages();
    // Runs one or two passes, under the progress window or directly.
    bool RunBuild();
    // The progress window's job: one pass and what follows it.
    void BuildJob();
    void DoProgress(int n);
    void DoBeginColumn(TfrBand *band);
    void DoPrintColumn(int colNo, int &width);
    void PreviewReport();
    void ShowPreparedPages();
    int OpenDesigner();
    void SelectStoredPrinter(const QString &printerName);
    bool SelectPrinter(int oldIndex, int newIndex);
    void DoBeforePrint(QStringList &memo, TfrView *view);
    // Hand objects and text lines to the running export.
    void DoExportData(TfrView *view);
    void DoExportText(const QRect &rect, int x, int y, const QString &text, int frameTyp, TfrView *view);
    // Prepared report files. A file that is not one (compressed, cut short, inconsistent) is refused with a
    // message and the prepared pages stay as they were; answers whether the file was loaded. The file that a save
    // replaces is replaced only once the new one is complete.
    bool LoadPreparedFile(const QString &fileName);
    void SavePreparedFile(const QString &fileName);
    // The prepared pages into a file through an export filter; answers whether the file was written. Cancel or
    // a failure leaves an existing file as it was (a failure is shown, naming the file).
    bool ExportTo(TfrExportFilter *filter, const QString &fileName);
    // Prints the prepared pages: a page list ("1,3-5", empty for all), copies, collation and 0 all, 1 odd or
    // 2 even pages; under the progress window when it is shown.
    void PrintPreparedReport(const QString &pages, int copies, bool collate, int oddEven);
    virtual void PrintPreparedPages(const QString &pages, int copies, bool collate, int oddEven);
    // Opens prepared page i in the designer (when one is linked); the edits go back to the page on confirmation.
    void EditPreparedPage(int i);

    // The value chain of expressions (the build installs the first two as the engine parser's callbacks).
    // Names: OnGetValue first, then the dictionary, the report variables, script variables, object properties
    // and constants; anything else is evaluated as an expression, and a name that needs itself is undefined.
    void GetVariableValue(const QString &name, Variant &value);
    void GetSystemValue(const QString &name, Variant &value);
    // Functions: the registered libraries, then the report's procedures and OnUserFunction.
    void DoFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3, Variant &val);
    void DoBuiltinProcedure(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                            Variant &val);
    // The text of one bracketed expression of the current object, with an optional format suffix after " #";
    // during the totals preparation text is left as it was.
    void ExpandValue(const QString &expression, QString &text);
    // A value as text by a format code (category, sub-format, decimals, decimal separator) and format string; a
    // value that does not convert prints as it is.
    void FormatValue(const Variant &value, int format, QString &text, const QString &formatString);
    // The user's long date format of the system locale, day of the week included.
    static QString FormatLongDate(TDateTime value);

    TfrPages &Pages() { return *m_pages; }
    TfrDataDictionary &Dictionary() { return *m_dictionary; }
    TfrEMFPages &EMFPages() { return *m_emfPages; }
    // Puts other prepared pages in place (the preview borrows them) and answers those it held.
    std::unique_ptr<TfrEMFPages> ExchangeEMFPages(std::unique_ptr<TfrEMFPages> pages);

    // Published properties.
    QPointer<QObject> Dataset;
    int DefaultCopies = 1;
    bool DefaultCollate = true;
    bool GrayedButtons = false;
    TfrPreviewZoom InitialZoom = pzDefault;
    bool MDIPreview = false;
    bool ModalPreview = true;
    bool ModifyPrepared = true;
    QPointer<QObject> Preview;
    unsigned PreviewButtons = pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit;
    bool PrintIfEmpty = true;
    TfrReportType ReportType = rtSimple;
    bool ShowPrintDialog = true;
    bool ShowProgress = true;
    bool StoreInDFM = false;
    QString Title;

    std::function<void()> OnBeginDoc, OnEndDoc;
    std::function<void(int pgNo)> OnBeginPage, OnEndPage;
    std::function<void(TfrBand *band)> OnBeginBand, OnEndBand;
    std::function<void(int n)> OnProgress;
    std::function<void(TfrBand *band)> OnBeginColumn;
    std::function<void(int colNo, int &width)> OnPrintColumn;
    std::function<void(TfrPage *page)> OnManualBuild;
    // Receives the component of every non-visual control of a dialog page before the page is shown.
    std::function<void(QObject *component)> OnCustomizeObject;
    std::function<void(QStringList &memo, TfrView *view)> OnBeforePrint;
    // Answers a name before anything else does (leaving the value Unassigned passes it on).
    TGetPValueEvent OnGetValue;
    // Functions that neither a library nor the report knows.
    TFunctionEvent OnUserFunction;
    // The running export, filled by the export layer while it runs.
    std::function<void(int left, int top, TfrView *view)> ExportDataHook;
    std::function<void(const QRect &rect, int x, int y, const QString &text, int frameTyp, TfrView *view)>
        ExportTextHook;
    // A prepared object clicked in the preview, and the mouse over one (the handler may change the cursor).
    std::function<void(TfrView *view)> OnObjectClick;
    std::function<void(TfrView *view, Qt::CursorShape &cursor)> OnMouseOverObject;

    bool KeepDefaultPrinter = false;
    bool TwoPass = false;
    bool TwoPassRequested = false;
    bool FinalPass = false;
    bool StopRequested = false;
    bool BuiltFromTemplate = false;
    // The template was changed in the designer and not saved since; the second flag stays set once the designer
    // changed or replaced the template in template mode, a save notwithstanding.
    bool Modified = false;
    bool ChangedInDesigner = false;
    QString FileName;
    QString StoredPrinterName;
    // The template page being built.
    TfrPage *CurrentBuildPage = nullptr;

private:
    bool LoadPagesKeepingOld(TStream &stream);

    std::unique_ptr<TfrPages> m_pages;
    std::unique_ptr<TfrEMFPages> m_emfPages;
    std::unique_ptr<TfrDataDictionary> m_dictionary;
    std::unique_ptr<QByteArray> m_reportForm;
};

// A report made of member reports built one after another into its own prepared pages.
class TfrCompositeReport : public TfrReport
{
    Q_OBJECT
public:
    using TfrReport::TfrReport;
    void BuildPages() override;

    // Not owned.
    QList<QPointer<TfrReport>> Reports;
};

// The report designer as the engine sees it: a window opened for the whole template (template mode) or for one
// prepared page, and the operations that the engine and the object editors call on the open designer
// (CurrentDesigner).
class TfrReportDesigner : public QWidget
{
    Q_OBJECT
public:
    explicit TfrReportDesigner(bool templateMode, QWidget *parent = nullptr);
    ~TfrReportDesigner() override;

    // Whether the report was changed in the designer; the engine reads it after a prepared page was edited.
    virtual bool GetModified() = 0;
    virtual void SetModified(bool value) = 0;
    // An undo step for the selected objects, before an editor changes them; the redraw and the inspector after.
    virtual void BeginObjectChange() = 0;
    virtual void EndObjectChange() = 0;
    virtual void RepaintPage() = 0;
    // Selects the object of that name on Page, or switches to page n for "Page<n>".
    virtual void SelectObjectByName(const QString &name) = 0;
    // The designer's field and expression choosers: the text to insert, empty when cancelled.
    virtual QString PickDBField() = 0;
    virtual QString PickExpression() = 0;

    // Shows the window modally and answers its modal result: the one given to SetModalResult, or mrCancel (2)
    // when the window was closed without one.
    int ShowModal();
    int ModalResult() const { return m_modalResult; }
    // A result other than 0 closes a window shown modally; a close that the window refuses clears it again.
    void SetModalResult(int result);

    // The page shown and edited now; null while none is.
    TfrPage *Page = nullptr;
    const bool TemplateMode;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    int m_modalResult = 0;
    QEventLoop *m_loop = nullptr;
};
