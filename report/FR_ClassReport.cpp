// Template pages, the report component and the report stream.
#include "FR_Class.h"

#include "FR_ClassPrepared.h"
#include "FR_DataDict.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "DataSet.h"
#include "Exceptions.h"
#include "Services.h"
#include "Streams.h"

#include <QBuffer>
#include <QFile>
#include <QScopeGuard>

namespace {

constexpr int CurrentStreamVersion = 24;
constexpr int MaxTemplatePages = 256;

enum : quint8 { RecordExtension = 253, RecordDictionary = 254, RecordPage = 255 };

void showError(const QString &text)
{
    Services::messages()->show({text, mtError, mbOK, mbOK, GetLocaleString(55206)});
}

// A template that cannot be read at all: refused as a whole.
class EBadTemplate : public Exception
{
public:
    using Exception::Exception;
};

QString virtualPrinterCode()
{
    return QString(QChar(1));
}

} // namespace

// ---- TfrPage

TfrPage::TfrPage(int size, int width, int height, int bin, int orientation)
{
    ApplyPaper(size, width, height, bin, orientation);
}

TfrPage::~TfrPage()
{
    TfrGlobals &e = frEngine();
    if (e.ActivePage == this)
        e.ActivePage = nullptr;
}

void TfrPage::ApplyPaper(int size, int width, int height, int bin, int orientation)
{
    TfrPrinter &printer = EnginePrinter();
    try {
        printer.SetPrinterInfo(size, width, height, bin, orientation, false);
        printer.FillPrnInfo(PrnInfo);
    } catch (const std::exception &) {
        printer.SetPrinterInfo(PaperCustom, width, height, DefaultBin, orientation, false);
        printer.FillPrnInfo(PrnInfo);
    }
    PaperSize = printer.PaperSize;
    PaperWidth = printer.PaperWidth;
    PaperHeight = printer.PaperHeight;
    Orientation = printer.Orientation;
    Bin = (bin & 0xFFFF) == 0xFFFF ? DefaultBin : printer.Bin;
}

int TfrPage::PrintAreaLeft() const
{
    if (!MarginsUsed)
        return 0;
    return LeftMargin != 0 ? LeftMargin : PrnInfo.OffsetX;
}

int TfrPage::PrintAreaTop() const
{
    if (!MarginsUsed)
        return 0;
    return TopMargin != 0 ? TopMargin : PrnInfo.OffsetY;
}

int TfrPage::PrintAreaRight() const
{
    if (!MarginsUsed)
        return PrnInfo.PaperWidthUnits;
    return RightMargin != 0 ? PrnInfo.PaperWidthUnits - RightMargin : PrnInfo.OffsetX + PrnInfo.PrintWidth;
}

int TfrPage::PrintAreaBottom() const
{
    // While the page is built its page footer's room is kept free at the bottom.
    const int footer = Type == 0 && Prepared && BandUsed(btPageFooter) ? Band(btPageFooter)->Height : 0;
    if (!MarginsUsed)
        return PrnInfo.PaperHeightUnits - footer;
    return (BottomMargin != 0 ? PrnInfo.PaperHeightUnits - BottomMargin : PrnInfo.OffsetY + PrnInfo.PrintHeight)
           - footer;
}

void TfrPage::AddObject(TfrView *view)
{
    Objects.emplace_back(view);
}

void TfrPage::DeleteObject(int i)
{
    if (i >= 0 && i < ObjectCount())
        Objects.erase(Objects.begin() + i);
}

int TfrPage::IndexOfObjectID(int id) const
{
    for (int i = 0; i < ObjectCount(); ++i)
        if (Objects[size_t(i)]->ObjectID == id)
            return i;
    return -1;
}

TfrView *TfrPage::FindViewByName(const QString &name) const
{
    for (const auto &v : Objects)
        if (v->Name.compare(name, Qt::CaseInsensitive) == 0)
            return v.get();
    return nullptr;
}

void TfrPage::MakeUniqueName()
{
    TfrReport *report = frEngine().CurrentReport;
    for (int n = 1; n <= 10000; ++n) {
        const QString candidate = QStringLiteral("Page%1").arg(n);
        bool used = false;
        if (report)
            for (int i = 0; i < report->Pages().GetCount() && !used; ++i)
                used = report->Pages().GetPage(i) != this && report->Pages().GetPage(i)->Name == candidate;
        if (!used) {
            Name = candidate;
            return;
        }
    }
}

void TfrPage::LoadFromStream(TStream &stream)
{
    const int v = frEngine().StreamVersion;
    const qint32 marker = ReadStreamInt(stream);
    const qint32 size = marker == -1 ? ReadStreamInt(stream) : marker;
    const qint32 width = ReadStreamInt(stream);
    const qint32 height = ReadStreamInt(stream);
    LeftMargin = ReadStreamInt(stream);
    TopMargin = ReadStreamInt(stream);
    RightMargin = ReadStreamInt(stream);
    BottomMargin = ReadStreamInt(stream);
    const quint8 orientation = ReadStreamByte(stream);
    if (v < 23) {
        for (int i = 0; i < 6; ++i)
            ReadStreamByte(stream);
    }
    const qint32 bin = v > 23 ? ReadStreamInt(stream) : -1;
    PrintToPrevPage = ReadStreamBool(stream);
    MarginsUsed = ReadStreamBool(stream);
    Columns = ReadStreamInt(stream);
    ColumnGap = ReadStreamInt(stream);
    if (v >= 24) {
        Type = ReadStreamByte(stream);
        Name = ReadStreamString(stream);
        const quint8 border = ReadStreamByte(stream);
        BorderStyle = border == 0 ? 3 : border == 1 ? 2 : border;
        Caption = ReadStreamString(stream);
        Color = ReadStreamInt(stream);
        Left = ReadStreamInt(stream);
        Top = ReadStreamInt(stream);
        Width = ReadStreamInt(stream);
        Height = ReadStreamInt(stream);
        Position = ReadStreamByte(stream) == 0 ? 0 : 4;
        if (marker == -1)
            ReadStreamStrings(stream, Script);
    } else {
        MakeUniqueName();
    }
    ApplyPaper(size, width, height, bin, orientation ? 1 : 0);
}

void TfrPage::SaveToStream(TStream &stream)
{
    WriteStreamInt(stream, -1);
    WriteStreamInt(stream, PaperSize);
    WriteStreamInt(stream, PaperWidth);
    WriteStreamInt(stream, PaperHeight);
    WriteStreamInt(stream, LeftMargin);
    WriteStreamInt(stream, TopMargin);
    WriteStreamInt(stream, RightMargin);
    WriteStreamInt(stream, BottomMargin);
    WriteStreamByte(stream, quint8(Orientation));
    WriteStreamInt(stream, Bin);
    WriteStreamBool(stream, PrintToPrevPage);
    WriteStreamBool(stream, MarginsUsed);
    WriteStreamInt(stream, Columns);
    WriteStreamInt(stream, ColumnGap);
    WriteStreamByte(stream, quint8(Type));
    WriteStreamString(stream, Name);
    WriteStreamByte(stream, quint8(BorderStyle));
    WriteStreamString(stream, Caption);
    WriteStreamInt(stream, Color);
    WriteStreamInt(stream, Left);
    WriteStreamInt(stream, Top);
    WriteStreamInt(stream, Width);
    WriteStreamInt(stream, Height);
    WriteStreamByte(stream, quint8(Position));
    WriteStreamStrings(stream, Script);
}

// ---- TfrPages

int TfrPages::Add()
{
    TfrGlobals &e = frEngine();
    m_pages.push_back(std::make_unique<TfrPage>(e.DefaultPaperSize, 0, 0, -1, 0));
    return GetCount() - 1;
}

void TfrPages::Delete(int i)
{
    if (i >= 0 && i < GetCount())
        m_pages.erase(m_pages.begin() + i);
}

void TfrPages::Move(int from, int to)
{
    if (from < 0 || from >= GetCount() || to < 0 || to >= GetCount() || from == to)
        return;
    auto page = std::move(m_pages[size_t(from)]);
    m_pages.erase(m_pages.begin() + from);
    m_pages.insert(m_pages.begin() + to, std::move(page));
}

void TfrPages::PrepareAlignedViews()
{
    TfrGlobals &e = frEngine();
    for (const auto &page : m_pages) {
        e.ActivePage = page.get();
        for (const auto &v : page->Objects)
            if (v->BandAlign != 0)
                v->Draw(e.ScratchCanvas());
    }
}

void TfrPages::LoadFromStream(TStream &stream)
{
    TfrGlobals &e = frEngine();
    TfrReport &report = *m_parent;
    report.ClearTemplate();
    report.KeepDefaultPrinter = ReadStreamBool(stream);
    report.TwoPass = ReadStreamBool(stream);
    QString printer = ReadStoredString(stream);
    if (printer == virtualPrinterCode())
        printer = GetLocaleString(55007);
    report.SelectStoredPrinter(printer);

    const bool withOffsets = e.StreamVersion >= 24;
    while (stream.Position() < stream.Size()) {
        const qint64 recordStart = stream.Position();
        const quint8 record = ReadStreamByte(stream);
        if (record == RecordPage) {
            if (GetCount() >= MaxTemplatePages)
                throw EBadTemplate(QStringLiteral("too many pages"));
            m_pages.push_back(std::make_unique<TfrPage>(e.DefaultPaperSize, 0, 0, -1, 0));
            m_pages.back()->LoadFromStream(stream);
            continue;
        }
        if (record == RecordDictionary) {
            report.Dictionary().LoadFromStream(stream);
            continue;
        }
        if (record == RecordExtension)
            break;
        if (record > 10)
            throw EBadTemplate(QStringLiteral("unknown record %1").arg(record));

        int typ = record;
        QString className;
        if (typ == 10) {
            className = ReadStoredString(stream);
            const QString upper = className.toUpper();
            if (upper == QLatin1String("TFRBDELOOKUPCONTROL") || upper == QLatin1String("TFRIBXLOOKUPCONTROL"))
                className = QStringLiteral("TfrDBLookupControl");
        }
        const bool framedMemo = typ == 10 && className.toUpper() == QLatin1String("TFRFRAMEDMEMOVIEW");
        if (framedMemo)
            typ = 0;
        const quint8 pageIndex = ReadStreamByte(stream);
        qint64 end = -1;
        if (withOffsets) {
            end = ReadStreamInt(stream);
            // An end that does not lie ahead inside the stream is no template of ours.
            if (end <= stream.Position() - 1 || end > stream.Size() || end <= recordStart)
                throw EBadTemplate(QStringLiteral("bad record end"));
        }
        try {
            if (pageIndex >= GetCount())
                throw EBadTemplate(QStringLiteral("bad page index"));
            TfrPage *page = GetPage(pageIndex);
            e.ActivePage = page;
            TfrView *view = CreateViewOfType(typ, className);
            if (view) {
                page->AddObject(view);
                try {
                    view->LoadFromStream(stream);
                } catch (...) {
                    view->SetPropertyValue(QStringLiteral("Name"), Variant(view->Name));
                    throw;
                }
                view->SetPropertyValue(QStringLiteral("Name"), Variant(view->Name));
                if (framedMemo) {
                    for (int i = 0; i < 8; ++i)
                        ReadStreamByte(stream);
                }
            }
        } catch (const std::exception &) {
            // A record that cannot be read is skipped; without its end offset reading goes on where it stopped.
            if (!withOffsets && stream.Position() >= stream.Size())
                throw;
        }
        if (withOffsets)
            stream.SetPosition(end);
    }
    if (e.ErrorFlag)
        throw EClassNotFound(e.ErrorMessage);
    for (const auto &page : m_pages)
        for (const auto &v : page->Objects)
            v->AfterLoad();
}

void TfrPages::SaveToStream(TStream &stream)
{
    TfrReport &report = *m_parent;
    if (GetCount() > MaxTemplatePages)
        throw Exception(QStringLiteral("Шаблон из %1 страниц не может быть сохранен: допускается не более %2")
                            .arg(GetCount())
                            .arg(MaxTemplatePages));
    WriteStreamBool(stream, report.KeepDefaultPrinter);
    WriteStreamBool(stream, report.TwoPass);
    TfrPrinter &printer = EnginePrinter();
    QString printerName = printer.Printers.value(printer.PrinterIndex);
    if (printerName == GetLocaleString(55007))
        printerName = virtualPrinterCode();
    WriteStreamString(stream, printerName);
    for (const auto &page : m_pages) {
        WriteStreamByte(stream, RecordPage);
        page->SaveToStream(stream);
    }
    for (int i = 0; i < GetCount(); ++i) {
        for (const auto &v : GetPage(i)->Objects) {
            WriteStreamByte(stream, quint8(v->TypeCode));
            if (v->TypeCode == 10)
                WriteStreamString(stream, v->ClassName());
            WriteStreamByte(stream, quint8(i));
            const qint64 at = stream.Position();
            WriteStreamInt(stream, 0);
            v->SaveToStream(stream);
            const qint64 end = stream.Position();
            stream.SetPosition(at);
            WriteStreamInt(stream, qint32(end));
            stream.SetPosition(end);
        }
    }
    WriteStreamByte(stream, RecordDictionary);
    report.Dictionary().SaveToStream(stream);
}

// ---- TfrReport

TfrReport::TfrReport(QObject *owner)
    : QObject(owner)
    , FileName(GetLocaleString(55209))
    , m_pages(std::make_unique<TfrPages>(this))
    , m_emfPages(std::make_unique<TfrEMFPages>(this))
    , m_dictionary(std::make_unique<TfrDataDictionary>())
{
}

TfrReport::~TfrReport()
{
    TfrGlobals &e = frEngine();
    // Nothing else resets these, and a report that is gone must not be reached through them.
    if (e.CurrentReport == this)
        e.CurrentReport = nullptr;
    if (e.OutputReport == this)
        e.OutputReport = nullptr;
}

void TfrReport::ClearTemplate()
{
    m_pages->Clear();
    m_dictionary->Clear();
    TwoPass = false;
}

TfrView *TfrReport::FindViewByName(const QString &name) const
{
    for (int i = 0; i < m_pages->GetCount(); ++i)
        if (TfrView *v = m_pages->GetPage(i)->FindViewByName(name))
            return v;
    return nullptr;
}

bool TfrReport::LoadReportFile(const QString &fileName)
{
    if (!QFile::exists(fileName))
        return false;
    TMemoryStream stream;
    try {
        stream.LoadFromFile(fileName);
    } catch (const EStreamError &) {
        showError(GetLocaleString(55345));
        return true;
    }
    // The name follows the template only when it was read: a later save must not write the old template over
    // a file that could not be read.
    if (LoadReportStream(stream))
        FileName = fileName;
    return true;
}

void TfrReport::SaveReportFile(const QString &fileName)
{
    // The whole template is written first, and the file is replaced only when complete.
    TMemoryStream stream;
    SaveReportStream(stream);
    stream.SaveToFile(fileName);
}

void TfrReport::SaveReportStream(TStream &stream)
{
    TfrGlobals &e = frEngine();
    e.CurrentReport = this;
    e.StreamVersion = CurrentStreamVersion;
    WriteStreamByte(stream, CurrentStreamVersion);
    m_pages->SaveToStream(stream);
}

bool TfrReport::LoadReportStream(TStream &stream)
{
    TfrGlobals &e = frEngine();
    e.DocumentMode = 0;
    e.CurrentReport = this;
    if (stream.Size() == 0) {
        m_dictionary->Clear();
        return true;
    }
    const qint64 start = stream.Position();
    int version = 0;
    try {
        version = ReadStreamByte(stream);
    } catch (const std::exception &) {
        showError(GetLocaleString(55345));
        return false;
    }
    if (version <= 20) {
        version = 21;
        stream.SetPosition(start);
    }
    e.StreamVersion = version;
    e.ErrorFlag = false;
    e.ErrorMessage.clear();
    if (version > CurrentStreamVersion) {
        showError(GetLocaleString(55345));
        return false;
    }

    return LoadPagesKeepingOld(stream);
}

bool TfrReport::LoadPagesKeepingOld(TStream &stream)
{
    // The template is read into fresh pages; a stream that cannot be read leaves the old template in place.
    auto oldPages = std::exchange(m_pages, std::make_unique<TfrPages>(this));
    auto oldDictionary = std::exchange(m_dictionary, std::make_unique<TfrDataDictionary>());
    const bool oldKeep = KeepDefaultPrinter, oldTwoPass = TwoPass;
    const QString oldPrinter = StoredPrinterName;
    try {
        m_pages->LoadFromStream(stream);
    } catch (const EClassNotFound &missing) {
        // The objects that were read stay; the missing classes are named.
        showError(QStringLiteral("Report contains the following non-plugged components:\r") + missing.message()
                  + QStringLiteral("You must include these components into your project."));
    } catch (const std::exception &) {
        frEngine().ActivePage = nullptr;
        m_pages = std::move(oldPages);
        m_dictionary = std::move(oldDictionary);
        KeepDefaultPrinter = oldKeep;
        TwoPass = oldTwoPass;
        StoredPrinterName = oldPrinter;
        showError(GetLocaleString(55345));
        return false;
    }
    return true;
}

void TfrReport::SaveTemplateFile(const QString &fileName, const QStringList &description, const QImage &picture)
{
    TfrGlobals &e = frEngine();
    e.CurrentReport = this;
    TMemoryStream stream;
    WriteStreamStrings(stream, description);
    const qint64 at = stream.Position();
    WriteStreamInt(stream, 0);
    WriteStreamByte(stream, picture.isNull() ? 0 : 1);
    if (!picture.isNull()) {
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "BMP");
        stream.WriteBuffer(bmp.constData(), bmp.size());
    }
    const qint64 body = stream.Position();
    stream.SetPosition(at);
    WriteStreamInt(stream, qint32(body));
    stream.SetPosition(body);
    e.StreamVersion = CurrentStreamVersion;
    m_pages->SaveToStream(stream);
    stream.SaveToFile(fileName);
}

void TfrReport::LoadTemplateFile(const QString &fileName, QStringList &description, bool loadReport, QImage &picture)
{
    TfrGlobals &e = frEngine();
    TMemoryStream stream;
    try {
        stream.LoadFromFile(fileName);
    } catch (const EStreamError &) {
        showError(GetLocaleString(55345));
        return;
    }
    const QByteArray &bytes = stream.Bytes();
    e.CurrentReport = this;
    e.StreamVersion = CurrentStreamVersion;
    try {
        QStringList lines;
        ReadStreamStrings(stream, lines);
        const qint32 body = ReadStreamInt(stream);
        const quint8 hasPicture = ReadStreamByte(stream);
        if (!loadReport) {
            description = lines;
            picture = QImage();
            if (hasPicture == 1) {
                // The bitmap file states its own length.
                const qint64 pos = stream.Position();
                stream.SetPosition(pos + 2);
                const qint32 size = ReadStreamInt(stream);
                if (size < 14 || size > stream.Size() - pos)
                    throw EReadError(QStringLiteral("Stream read error"));
                picture.loadFromData(bytes.mid(int(pos), size), "BMP");
            }
            return;
        }
        if (body < stream.Position() || body > stream.Size())
            throw EReadError(QStringLiteral("Stream read error"));
        stream.SetPosition(body);
    } catch (const std::exception &) {
        showError(GetLocaleString(55345));
        return;
    }
    e.DocumentMode = 0;
    e.ErrorFlag = false;
    e.ErrorMessage.clear();
    LoadPagesKeepingOld(stream);
}

void TfrReport::WriteReportForm(TStream &stream)
{
    WriteStreamInt(stream, CurrentStreamVersion);
    if (!StoreInDFM)
        return;
    TMemoryStream report;
    SaveReportStream(report);
    WriteStreamInt(stream, qint32(report.Size()));
    stream.WriteBytes(report.Bytes());
}

void TfrReport::ReadReportForm(TStream &stream)
{
    ReadStreamInt(stream);
    if (!StoreInDFM)
        return;
    const qint32 n = ReadStreamInt(stream);
    m_reportForm = std::make_unique<QByteArray>(stream.ReadBytes(n));
}

void TfrReport::Loaded()
{
    if (!StoreInDFM || !m_reportForm)
        return;
    TMemoryStream stream(*m_reportForm);
    m_reportForm.reset();
    LoadReportStream(stream);
}

void TfrReport::PreviewReport()
{
    BuildReport();
    ShowPreparedPages();
}

void TfrReport::ShowPreparedPages()
{
    TfrGlobals &e = frEngine();
    e.CurrentReport = e.OutputReport = this;
    e.DocumentMode = 1;
    e.CurrentBand = nullptr;
    // Without the preview layer there are no prepared pages, and nothing is shown.
    if (e.ShowPreparedHook)
        e.ShowPreparedHook(*this);
}

int TfrReport::OpenDesigner()
{
    TfrGlobals &e = frEngine();
    SelectStoredPrinter(StoredPrinterName);
    if (m_pages->GetCount() == 0)
        m_pages->Add();
    e.CurrentReport = this;
    const std::unique_ptr<TfrReportDesigner> designer(e.DesignerFormClass ? e.DesignerFormClass(true) : nullptr);
    if (!designer)
        return mrCancel;
    // The editors reach the designer through CurrentDesigner while it is shown, and only then.
    e.CurrentDesigner = designer.get();
    const auto closed = qScopeGuard([&e] { e.CurrentDesigner = nullptr; });
    return designer->ShowModal();
}

void TfrReport::SelectStoredPrinter(const QString &printerName)
{
    TfrPrinter &printer = EnginePrinter();
    if (!KeepDefaultPrinter) {
        const int i = printer.Printers.indexOf(printerName);
        if (i >= 0)
            printer.SetPrinterIndex(i);
    }
    StoredPrinterName = printerName;
}

bool TfrReport::SelectPrinter(int oldIndex, int newIndex)
{
    TfrPrinter &printer = EnginePrinter();
    auto switchTo = [this, &printer](int index) {
        printer.SetPrinterIndex(index);
        StoredPrinterName = printer.Printers.value(printer.PrinterIndex);
        printer.PaperSize = -1;
        for (int i = 0; i < m_pages->GetCount(); ++i) {
            TfrPage *p = m_pages->GetPage(i);
            p->ApplyPaper(p->PaperSize, p->PaperWidth, p->PaperHeight, p->Bin, p->Orientation);
        }
    };
    try {
        switchTo(newIndex);
        return true;
    } catch (const std::exception &) {
        showError(GetLocaleString(55210));
        switchTo(oldIndex);
        return false;
    }
}

void TfrReport::DoBeforePrint(QStringList &memo, TfrView *view)
{
    if (view && view->BlobDataSet) {
        TField *field = view->BlobDataSet->FindField(view->BlobFieldName);
        if (IsBlobField(field))
            view->ReadBlobField(field);
    }
    if (OnBeforePrint)
        OnBeforePrint(memo, view);
}

void TfrReport::DoExportData(TfrView *view)
{
    if (ExportDataHook && view)
        ExportDataHook(view->Left, view->Top, view);
}

void TfrReport::DoExportText(const QRect &rect, int x, int y, const QString &text, int frameTyp, TfrView *view)
{
    if (ExportTextHook)
        ExportTextHook(rect, x, y, text, frameTyp, view);
}
