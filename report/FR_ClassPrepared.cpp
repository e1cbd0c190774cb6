// Prepared pages: their object streams, drawing, export, hit-testing and the prepared report file.
#include "FR_ClassPrepared.h"

#include "FR_Class.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "Services.h"

#include <cmath>

namespace {

// Object stream versions a prepared page may carry: those of the template reader.
constexpr int OldestObjectVersion = 21;

// Fields of a page record ahead of its objects: end offset, paper size, width, height, orientation, margins
// used, and from version 24 on the bin and the four margins.
constexpr qint64 OldPageHeaderSize = 4 + 2 + 4 + 4 + 1 + 1;
constexpr qint64 PageHeaderSize = OldPageHeaderSize + 4 + 16;

// The object flag that makes a text object as wide as its text.
constexpr quint16 AutoWidthFlag = 0x8;

[[noreturn]] void refuse(const char *why)
{
    throw EBadPreparedFile(QString::fromLatin1(why));
}

// Creates the next object of a prepared object stream with its prepared record read; null at the stream's
// end. Raises on a record that cannot be read.
std::unique_ptr<TfrView> readPreparedObject(TStream &stream)
{
    if (stream.Position() >= stream.Size())
        return nullptr;
    const int typ = ReadStreamByte(stream);
    const QString className = typ == 10 ? ReadStoredString(stream) : QString();
    std::unique_ptr<TfrView> view(CreateViewOfType(typ, className));
    if (!view)
        refuse("unknown object type");
    view->RecordMode = 1;
    view->LoadFromStream(stream);
    view->RecordMode = 0;
    return view;
}

// Positions the stream behind the version byte of a prepared object stream and makes that version the
// engine's stream version.
void startObjectStream(TStream &stream)
{
    stream.SetPosition(0);
    const int v = ReadStreamByte(stream);
    if (v < OldestObjectVersion || v > TfrEMFPages::StreamVersionByte)
        refuse("bad object stream version");
    frEngine().StreamVersion = v;
}

// No paper is millions of page pixels long, and drawing adds to and scales these numbers: places beyond this
// are no page's. Paper sizes are in tenths of a millimetre, of which 50 make 18 page pixels.
constexpr int PlaceLimit = 1 << 22;
constexpr int PaperLimit = PlaceLimit / 18 * 50;

bool onSomePage(const TfrView &view)
{
    std::vector<int> lengths { view.Left, view.Top, view.Width, view.Height, view.GapX, view.GapY };
    if (const auto *memo = dynamic_cast<const TfrMemoView *>(&view))
        lengths.insert(lengths.end(), { memo->LineSpacing, memo->CharSpacing, memo->Font.Size });
    for (int v : lengths)
        if (v < -PlaceLimit || v > PlaceLimit)
            return false;
    return true;
}

// Reads every object of a page stream once, so that a page that cannot be read is refused when the file is
// loaded rather than when it is drawn. Leaves the engine's error state as it found it.
void checkObjectStream(TStream &stream)
{
    TfrGlobals &e = frEngine();
    const bool errorFlag = e.ErrorFlag;
    const QString errorMessage = e.ErrorMessage;
    const int version = e.StreamVersion;
    TfrPage *activePage = e.ActivePage;
    auto restore = [&] {
        e.ErrorFlag = errorFlag;
        e.ErrorMessage = errorMessage;
        e.StreamVersion = version;
        e.ActivePage = activePage;
    };
    try {
        e.ActivePage = nullptr;
        startObjectStream(stream);
        while (std::unique_ptr<TfrView> view = readPreparedObject(stream)) {
            if (!onSomePage(*view))
                refuse("object outside any page");
        }
    } catch (const EBadPreparedFile &) {
        restore();
        throw;
    } catch (const std::exception &) {
        restore();
        refuse("unreadable object");
    }
    restore();
    stream.SetPosition(stream.Size());
}

void applyPaperGeometry(TfrPreparedPage &page)
{
    TfrPrinter &printer = EnginePrinter();
    try {
        printer.SetPrinterInfo(
            page.PaperSize, page.PaperWidth, page.PaperHeight, page.PaperBin, page.Orientation, false);
    } catch (const std::exception &) {
        printer.SetPrinterInfo(PaperCustom, page.PaperWidth, page.PaperHeight, DefaultBin, page.Orientation, false);
    }
    printer.FillPrnInfo(page.PrnInfo);
}

void writeObject(TStream &stream, TfrView &view)
{
    const int mode = view.RecordMode;
    view.RecordMode = 1;
    WriteStreamByte(stream, quint8(view.TypeCode));
    if (view.TypeCode == 10)
        WriteStreamString(stream, view.ClassName());
    view.SaveToStream(stream);
    view.RecordMode = mode;
}

// A page of the oldest layout before the printer has given its geometry: its metafile waits to become a
// picture object sized to the page.
struct ParsedPage
{
    std::unique_ptr<TfrPreparedPage> page;
    QByteArray metafile;
    bool oldest = false;
};

struct ParsedFile
{
    bool hasPrinter = false;
    QString printer;
    std::vector<ParsedPage> pages;
};

qint32 readPageCount(TStream &stream, qint64 recordSize)
{
    const qint32 count = ReadStreamInt(stream);
    const qint64 left = stream.Size() - stream.Position();
    if (count < 0 || count > left / recordSize)
        refuse("impossible page count");
    return count;
}

qint64 readEndOffset(TStream &stream, qint64 recordStart)
{
    const qint64 end = qint64(ReadStreamInt(stream)) & 0xFFFFFFFFLL;
    if (end <= recordStart || end > stream.Size())
        refuse("page end offset outside the file");
    return end;
}

// Reads one page record's fields ahead of its contents and answers those contents: the bytes up to the
// record's end offset.
QByteArray readPageRecord(TStream &stream, TfrPreparedPage &p, bool withBin)
{
    const qint64 recordStart = stream.Position();
    const qint64 end = readEndOffset(stream, recordStart);
    p.PaperSize = ReadStreamWord(stream);
    p.PaperWidth = ReadStreamInt(stream);
    p.PaperHeight = ReadStreamInt(stream);
    if (p.PaperWidth < 0 || p.PaperWidth > PaperLimit || p.PaperHeight < 0 || p.PaperHeight > PaperLimit)
        refuse("paper larger than any");
    p.Orientation = ReadStreamByte(stream);
    p.PaperBin = withBin ? ReadStreamInt(stream) : -1;
    p.MarginsUsed = ReadStreamByte(stream) != 0;
    if (withBin) {
        p.Margins.Left = ReadStreamInt(stream);
        p.Margins.Top = ReadStreamInt(stream);
        p.Margins.Right = ReadStreamInt(stream);
        p.Margins.Bottom = ReadStreamInt(stream);
        for (const int m : { p.Margins.Left, p.Margins.Top, p.Margins.Right, p.Margins.Bottom })
            if (m < -PlaceLimit || m > PlaceLimit)
                refuse("margins beyond any paper");
    }
    if (end < stream.Position())
        refuse("page end offset inside its own header");
    return stream.ReadBytes(end - stream.Position());
}

ParsedFile parseCurrentLayout(TStream &stream, int v, int compressed)
{
    ParsedFile file;
    if (compressed != 0 && !frEngine().Compressor().Enabled)
        refuse("compressed file");
    file.hasPrinter = true;
    file.printer = ReadStreamString(stream);
    const bool withBin = v > 23;
    const qint32 count = readPageCount(stream, withBin ? PageHeaderSize : OldPageHeaderSize);
    for (qint32 i = 0; i < count; ++i) {
        ParsedPage parsed;
        parsed.page = std::make_unique<TfrPreparedPage>();
        TfrPreparedPage &p = *parsed.page;
        const QByteArray objects = readPageRecord(stream, p, withBin);
        if (compressed != 0) {
            TMemoryStream packed(objects);
            frEngine().Compressor().DeCompress(packed, p.Stream);
        } else {
            p.Stream.WriteBytes(objects);
        }
        checkObjectStream(p.Stream);
        file.pages.push_back(std::move(parsed));
    }
    return file;
}

// The oldest layout: a zero-ended printer line, then pages whose contents are a metafile of the whole page.
ParsedFile parseOldestLayout(TStream &stream)
{
    ParsedFile file;
    stream.SetPosition(0);
    QStringList lines;
    ReadZeroStrings(stream, lines);
    file.hasPrinter = !lines.isEmpty();
    file.printer = lines.value(0);
    const qint32 count = readPageCount(stream, OldPageHeaderSize);
    for (qint32 i = 0; i < count; ++i) {
        ParsedPage parsed;
        parsed.oldest = true;
        parsed.page = std::make_unique<TfrPreparedPage>();
        parsed.metafile = readPageRecord(stream, *parsed.page, false);
        file.pages.push_back(std::move(parsed));
    }
    return file;
}

ParsedFile parsePreparedFile(TStream &stream)
{
    try {
        stream.SetPosition(0);
        int v = ReadStreamByte(stream);
        if (v < 24 || v > 31) {
            v = 0;
            stream.SetPosition(0);
        }
        const int compressed = ReadStreamByte(stream);
        if (compressed == 0 || compressed == 1 || compressed == 255)
            return parseCurrentLayout(stream, v, compressed);
        return parseOldestLayout(stream);
    } catch (const EBadPreparedFile &) {
        throw;
    } catch (const std::exception &) {
        refuse("file cut short");
    }
}

// The object stream of a page of the oldest layout: one picture object covering the page, showing its
// metafile.
void writeMetafilePage(TfrPreparedPage &page, const QByteArray &metafile)
{
    TfrPictureView picture;
    picture.Width = page.PrnInfo.PaperWidthUnits;
    picture.Height = page.PrnInfo.PaperHeightUnits;
    picture.Picture.SetData(TfrPicture::Metafile, metafile);
    page.Stream.Clear();
    WriteStreamByte(page.Stream, TfrEMFPages::StreamVersionByte);
    writeObject(page.Stream, picture);
}

} // namespace

// ---- TfrPreparedPage, TfrCompressor

TfrPreparedPage::TfrPreparedPage() = default;
TfrPreparedPage::~TfrPreparedPage() = default;

void TfrCompressor::Compress(TStream &, TStream &) { }
void TfrCompressor::DeCompress(TStream &, TStream &) { }

// ---- TfrEMFPages

TfrEMFPages::TfrEMFPages(TfrReport *parent)
    : m_parent(parent)
{
}

TfrEMFPages::~TfrEMFPages()
{
    Clear();
}

void TfrEMFPages::Clear()
{
    while (!m_pages.empty())
        Delete(0);
}

void TfrEMFPages::Delete(int i)
{
    if (i < 0 || i >= GetCount())
        return;
    TfrGlobals &e = frEngine();
    if (e.ActivePage && e.ActivePage == m_pages[size_t(i)]->Page.get())
        e.ActivePage = nullptr;
    m_pages.erase(m_pages.begin() + i);
}

void TfrEMFPages::Insert(int i, TfrPage *page)
{
    auto p = std::make_unique<TfrPreparedPage>();
    WriteStreamByte(p->Stream, StreamVersionByte);
    frEngine().StreamVersion = StreamVersionByte;
    if (page) {
        p->PaperSize = page->PaperSize;
        p->PaperWidth = page->PaperWidth;
        p->PaperHeight = page->PaperHeight;
        p->Orientation = page->Orientation;
        p->PaperBin = page->Bin;
        p->MarginsUsed = page->MarginsUsed;
        p->Margins = { page->LeftMargin, page->TopMargin, page->RightMargin, page->BottomMargin };
        p->PrnInfo = page->PrnInfo;
    }
    if (i < 0)
        i = 0;
    if (i >= GetCount())
        m_pages.push_back(std::move(p));
    else
        m_pages.insert(m_pages.begin() + i, std::move(p));
}

void TfrEMFPages::Add(TfrPage *page)
{
    Insert(GetCount(), page);
}

void TfrEMFPages::AddObject(int i, TfrView *view)
{
    TfrPreparedPage &p = *GetPage(i);
    p.Stream.Seek(0, soEnd);
    writeObject(p.Stream, *view);
}

void TfrEMFPages::ObjectsToPage(int i)
{
    TfrGlobals &e = frEngine();
    TfrPreparedPage &p = *GetPage(i);
    if (p.Page && e.ActivePage == p.Page.get())
        e.ActivePage = nullptr;
    p.Page.reset();
    auto page = std::make_unique<TfrPage>(p.PaperSize, p.PaperWidth, p.PaperHeight, p.PaperBin, p.Orientation);
    page->LeftMargin = p.Margins.Left;
    page->TopMargin = p.Margins.Top;
    page->RightMargin = p.Margins.Right;
    page->BottomMargin = p.Margins.Bottom;
    page->MarginsUsed = p.MarginsUsed;
    e.ActivePage = page.get();
    startObjectStream(p.Stream);
    while (std::unique_ptr<TfrView> view = readPreparedObject(p.Stream)) {
        if (view->TypeCode == 0 && (view->Flags & AutoWidthFlag))
            view->Draw(e.ScratchCanvas());
        page->AddObject(view.release());
    }
    p.Page = std::move(page);
}

void TfrEMFPages::PageToObjects(int i)
{
    TfrPreparedPage &p = *GetPage(i);
    if (!p.Page)
        return;
    p.Stream.Clear();
    WriteStreamByte(p.Stream, StreamVersionByte);
    frEngine().StreamVersion = StreamVersionByte;
    for (const auto &view : p.Page->Objects) {
        view->WorkText = view->Memo;
        writeObject(p.Stream, *view);
    }
}

void TfrEMFPages::Draw(int i, ReportCanvas &canvas, const QRect &rect, const QRect &visible)
{
    TfrGlobals &e = frEngine();
    e.DocumentMode = 1;
    TfrPreparedPage &p = *GetPage(i);
    if (!p.Visible) {
        if (p.Page && e.ActivePage == p.Page.get())
            e.ActivePage = nullptr;
        p.Page.reset();
        return;
    }
    if (!p.Page)
        ObjectsToPage(i);
    e.ActivePage = p.Page.get();
    const double pageWidth = p.PrnInfo.PaperWidthUnits > 0 ? p.PrnInfo.PaperWidthUnits : 1;
    const double pageHeight = p.PrnInfo.PaperHeightUnits > 0 ? p.PrnInfo.PaperHeightUnits : 1;
    const double kx = rect.width() / pageWidth, ky = rect.height() / pageHeight;
    const bool forPrinter = canvas.isPrinter();
    for (const auto &view : p.Page->Objects) {
        if (!forPrinter && !visible.isNull()) {
            const QRect scaled(
                QPoint(frRound(view->Left * kx) + rect.left() - 10, frRound(view->Top * ky) + rect.top() - 10),
                QPoint(frRound((view->Left + view->Width) * kx) + rect.left() + 10,
                    frRound((view->Top + view->Height) * ky) + rect.top() + 10));
            if (!scaled.intersects(visible))
                continue;
        }
        view->ZoomX = kx;
        view->ZoomY = ky;
        view->ShiftX = rect.left();
        view->ShiftY = rect.top();
        view->ForPrinter = forPrinter;
        view->Draw(canvas);
    }
}

void TfrEMFPages::ExportPage(int i)
{
    TfrPreparedPage &p = *GetPage(i);
    startObjectStream(p.Stream);
    while (std::unique_ptr<TfrView> view = readPreparedObject(p.Stream)) {
        view->RecordMode = 1;
        view->ExportData();
    }
}

bool TfrEMFPages::DoClick(int i, const QPoint &point, Qt::CursorShape &cursor, bool click)
{
    TfrPreparedPage &p = *GetPage(i);
    if (!p.Page)
        ObjectsToPage(i);
    double kx = 1, ky = 1, dx = 0, dy = 0;
    if (!p.MarginsUsed) {
        const TPrinterGeometry &g = p.PrnInfo;
        const double pageWidth = g.PaperWidthUnits > 0 ? g.PaperWidthUnits : 1;
        const double pageHeight = g.PaperHeightUnits > 0 ? g.PaperHeightUnits : 1;
        kx = (g.PrintWidth - p.Margins.Left - p.Margins.Right) / pageWidth;
        ky = (g.PrintHeight - p.Margins.Top - p.Margins.Bottom) / pageHeight;
        dx = p.Margins.Left + g.OffsetX;
        dy = p.Margins.Top + g.OffsetY;
    }
    const auto &objects = p.Page->Objects;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        TfrView *v = it->get();
        const int left = frRound(v->Left * kx + dx), right = frRound(dx + kx * (v->Left + v->Width));
        const int top = frRound(v->Top * ky + dy), bottom = frRound(dy + ky * (v->Top + v->Height));
        if (point.x() < left || point.x() > right || point.y() < top || point.y() > bottom)
            continue;
        if (click) {
            if (!m_parent || !m_parent->OnObjectClick)
                return false;
            m_parent->OnObjectClick(v);
            return true;
        }
        if (!m_parent || !m_parent->OnMouseOverObject)
            return false;
        m_parent->OnMouseOverObject(v, cursor);
        return true;
    }
    return false;
}

void TfrEMFPages::SaveToStream(TStream &stream)
{
    TfrCompressor &compressor = frEngine().Compressor();
    TfrPrinter &printer = EnginePrinter();
    WriteStreamByte(stream, StreamVersionByte);
    WriteStreamByte(stream, compressor.Enabled ? 1 : 0);
    WriteStreamString(stream, printer.Printers.value(printer.PrinterIndex));
    WriteStreamInt(stream, GetCount());
    for (const auto &page : m_pages) {
        const TfrPreparedPage &p = *page;
        const qint64 start = stream.Position();
        WriteStreamInt(stream, qint32(start));
        WriteStreamWord(stream, quint16(p.PaperSize));
        WriteStreamInt(stream, p.PaperWidth);
        WriteStreamInt(stream, p.PaperHeight);
        WriteStreamByte(stream, quint8(p.Orientation));
        WriteStreamInt(stream, p.PaperBin);
        WriteStreamByte(stream, p.MarginsUsed ? 1 : 0);
        WriteStreamInt(stream, p.Margins.Left);
        WriteStreamInt(stream, p.Margins.Top);
        WriteStreamInt(stream, p.Margins.Right);
        WriteStreamInt(stream, p.Margins.Bottom);
        if (compressor.Enabled) {
            TMemoryStream source(p.Stream.Bytes());
            TMemoryStream packed;
            compressor.Compress(source, packed);
            stream.WriteBytes(packed.Bytes());
        } else {
            stream.WriteBytes(p.Stream.Bytes());
        }
        const qint64 end = stream.Position();
        stream.SetPosition(start);
        WriteStreamInt(stream, qint32(end));
        stream.SetPosition(end);
    }
}

void TfrEMFPages::LoadFromStream(TStream *stream)
{
    if (!stream) {
        Clear();
        return;
    }
    ParsedFile file = parsePreparedFile(*stream);
    Clear();
    if (file.hasPrinter && m_parent)
        m_parent->SelectStoredPrinter(file.printer);
    for (ParsedPage &parsed : file.pages) {
        applyPaperGeometry(*parsed.page);
        if (parsed.oldest)
            writeMetafilePage(*parsed.page, parsed.metafile);
        m_pages.push_back(std::move(parsed.page));
    }
    frEngine().StreamVersion = StreamVersionByte;
}

// ---- TfrReport's prepared files

bool TfrReport::LoadPreparedFile(const QString &fileName)
{
    TfrGlobals &e = frEngine();
    e.CurrentReport = this;
    TMemoryStream stream;
    stream.LoadFromFile(fileName);
    try {
        m_emfPages->LoadFromStream(&stream);
    } catch (const EBadPreparedFile &) {
        Services::messages()->show(
            { QStringLiteral("Неверный FRP формат: ") + fileName, mtError, mbOK, mbOK, GetLocaleString(55206) });
        return false;
    }
    BuiltFromTemplate = false;
    return true;
}

void TfrReport::SavePreparedFile(const QString &fileName)
{
    frEngine().CurrentReport = this;
    TMemoryStream stream;
    m_emfPages->SaveToStream(stream);
    stream.SaveToFile(fileName);
}
