// Band, subreport, picture and line objects.
#include "FR_Class.h"

#include "FR_Locale.h"
#include "FR_Pars.h"
#include "FR_Utils.h"

#include "DataSet.h"
#include "Streams.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace {

const struct
{
    const char *name;
    quint16 bit;
} bandFlags[] = {
    {"FORMNEWPAGE", 0x02}, {"PRINTIFSUBSETEMPTY", 0x04}, {"BREAKED", 0x08}, {"ONFIRSTPAGE", 0x10},
    {"ONLASTPAGE", 0x20}, {"REPEATHEADER", 0x40}, {"PRINTCHILDIFINVISIBLE", 0x80},
};

bool inTypes(int t, std::initializer_list<int> types)
{
    return std::find(types.begin(), types.end(), t) != types.end();
}

QFont smallArial()
{
    TfrFont f;
    f.Size = 8;
    return f.toQFont(f.pixelHeight());
}

// Names of the active page's other band objects of the given types.
QStringList bandNames(const TfrBandView *self, std::initializer_list<int> types)
{
    QStringList names;
    TfrPage *page = frEngine().ActivePage;
    if (!page || frEngine().DocumentMode != 0)
        return names;
    for (int i = 0; i < page->ObjectCount(); ++i) {
        auto *band = dynamic_cast<TfrBandView *>(page->Object(i));
        if (band && band != self && inTypes(band->GetBandType(), types))
            names << band->Name;
    }
    return names;
}

} // namespace

// ---- band

TfrBandView::TfrBandView()
{
    TypeCode = 2;
    FormatCode = 0;
    NamePrefix = QStringLiteral("Band");
    Flags = 0x30;
}

void TfrBandView::SetPropertyValue(const QString &name, const Variant &value)
{
    TfrView::SetPropertyValue(name, value);
    const QString n = name.toUpper();
    if (n == QLatin1String("CHILDBAND"))
        ChildBand = value.toString();
    else if (n == QLatin1String("MASTER"))
        Master = value.toString();
    else if (n == QLatin1String("CONDITION"))
        FormatText = value.toString();
    else if (n == QLatin1String("COLUMNS"))
        Columns = value.toInt();
    else if (n == QLatin1String("COLUMNGAP"))
        ColumnGap = value.toInt();
    else if (n == QLatin1String("COLUMNWIDTH"))
        ColumnWidth = value.toInt();
    else if (n == QLatin1String("NEWCOLUMNAFTER"))
        NewColumnAfter = value.toInt();
    for (const auto &f : bandFlags)
        if (n == QLatin1String(f.name))
            Flags = quint16(value.toBool() ? (Flags | f.bit) : (Flags & ~f.bit));
}

Variant TfrBandView::GetPropertyValue(const QString &name)
{
    Variant result = TfrView::GetPropertyValue(name);
    if (!result.isNull())
        return result;
    const QString n = name.toUpper();
    if (n == QLatin1String("CHILDBAND"))
        return Variant(ChildBand);
    if (n == QLatin1String("MASTER"))
        return Variant(Master);
    if (n == QLatin1String("CONDITION"))
        return Variant(FormatText);
    if (n == QLatin1String("COLUMNS"))
        return Variant(int(Columns));
    if (n == QLatin1String("COLUMNGAP"))
        return Variant(int(ColumnGap));
    if (n == QLatin1String("NEWCOLUMNAFTER"))
        return Variant(int(NewColumnAfter));
    if (n == QLatin1String("COLUMNWIDTH"))
        return Variant(int(ColumnWidth));
    for (const auto &f : bandFlags)
        if (n == QLatin1String(f.name))
            return Variant(bool(Flags & f.bit));
    // "EOF" needs the running band's data source, which only a build has.
    return Variant::Null();
}

void TfrBandView::RegisterProperties()
{
    TfrView::RegisterProperties();
    TfrGlobals &e = frEngine();
    const int t = GetBandType();
    if (t != btPageFooter) {
        RegisterEnumProp(QStringLiteral("ChildBand"), bandNames(this, {btChild}).join(u';'), {Variant::Null()});
        RegisterProp(QStringLiteral("PrintChildIfInvisible"), frdtBoolean);
    }
    if (inTypes(t, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21}))
        RegisterProp(QStringLiteral("Stretched"), frdtBoolean);
    if (inTypes(t, {0, 1, 5, 6, 8, 9, 11, 12, 16}))
        RegisterProp(QStringLiteral("FormNewPage"), frdtBoolean);
    if (inTypes(t, {5, 8}))
        RegisterProp(QStringLiteral("PrintIfSubsetEmpty"), frdtBoolean);
    if (inTypes(t, {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21}))
        RegisterProp(QStringLiteral("Breaked"), frdtBoolean);
    if (inTypes(t, {2, 3}))
        RegisterProp(QStringLiteral("OnFirstPage"), frdtBoolean);
    if (t == 3)
        RegisterProp(QStringLiteral("OnLastPage"), frdtBoolean);
    if (inTypes(t, {4, 7, 10, 16, 18}))
        RegisterProp(QStringLiteral("RepeatHeader"), frdtBoolean);
    if (t == btCrossData)
        RegisterProp(QStringLiteral("DataSource"), frdtHasEditor, e.CrossDataSourceEditorHook);
    if (inTypes(t, {5, 8, 11})) {
        RegisterProp(QStringLiteral("Columns"), frdtInteger);
        RegisterProp(QStringLiteral("ColumnWidth"), frdtSize);
        RegisterProp(QStringLiteral("ColumnGap"), frdtSize);
        RegisterProp(QStringLiteral("DataSource"), frdtHasEditor, e.BandDataSourceEditorHook);
    }
    if (t == btGroupHeader) {
        RegisterProp(QStringLiteral("Condition"), frdtString);
        RegisterEnumProp(QStringLiteral("Master"), bandNames(this, {5, 8, 11}).join(u';'), {Variant::Null()});
    }
    RegisterProp(QStringLiteral("EOF"), 0);
    if (TfrPropRec *memo = FindPropRec(QStringLiteral("Memo")))
        memo->PropName = QStringLiteral("OnBeforePrint");
}

int TfrBandView::TitleWidth()
{
    ReportCanvas &c = frEngine().ScratchCanvas();
    c.save();
    c.setFont(smallArial(), Qt::black);
    const int w = c.textWidth(frEngine().BandNames.value(GetBandType())) + 8;
    c.restore();
    return std::max(100, w);
}

TfrBandView::Span TfrBandView::CurrentSpan() const
{
    return IsCrossBand() ? Span { true, Top, Height } : Span { false, Left, Width };
}

void TfrBandView::SetSpan(const Span &span)
{
    (span.cross ? Top : Left) = span.start;
    (span.cross ? Height : Width) = span.length;
}

void TfrBandView::Draw(ReportCanvas &canvas)
{
    TfrGlobals &e = frEngine();
    // Bands are outlined thinly whatever frame width they hold.
    const double heldFrameWidth = FrameWidth;
    FrameWidth = 1;
    TfrPage *page = e.ActivePage;
    if (page) {
        if (m_shownSpan != CurrentSpan())
            m_heldSpan = CurrentSpan();
        if (IsCrossBand())
            SetSpan({ true, 0, page->PrnInfo.PaperHeightUnits });
        else
            SetSpan({ false, 0, page->PrnInfo.PaperWidthUnits });
        m_shownSpan = CurrentSpan();
    }
    PrepareDraw(canvas);
    ApplyScale();
    canvas.setBrush(QBrush(e.CheckerBitmap));
    canvas.fillRect(DrawRect);
    canvas.setFont(smallArial(), Qt::black);
    canvas.setPen(toQColor(clBtnFace), 1, Qt::SolidLine);
    canvas.setBrush(QBrush(Qt::NoBrush));
    canvas.drawRect(QRect(Left, Top, Width + 1, Height + 1));
    if (Columns > 1 && page) {
        canvas.setPen(Qt::black, 1, Qt::DotLine);
        // Only the columns that start on the page are shown: a stored count can be anything.
        const qint64 step = qint64(ColumnWidth) + ColumnGap;
        for (int col = 0; col < Columns; ++col) {
            const qint64 x = page->PrintAreaLeft() + col * step;
            if (col > 0 && (step <= 0 || x > page->PrintAreaRight()))
                break;
            canvas.drawRect(QRect(int(x), Top, ColumnWidth, Height));
        }
    }
    const QString name = e.BandNames.value(GetBandType());
    const int tw = TitleWidth();
    const QRect noClip(-100000, -100000, 200000, 200000);
    if (e.BandTitles) {
        canvas.setBrush(QBrush(toQColor(clBtnFace)));
        if (!IsCrossBand()) {
            canvas.fillRect(QRect(Left, Top - 18, tw, 18));
            canvas.setPen(toQColor(clBtnShadow), 1, Qt::SolidLine);
            canvas.drawLine(QPoint(Left + tw - 2, Top - 18), QPoint(Left + tw - 2, Top));
            canvas.setPen(Qt::black, 1, Qt::SolidLine);
            canvas.drawLine(QPoint(Left + tw - 1, Top - 18), QPoint(Left + tw - 1, Top));
            canvas.drawText(Left + 4, Top - 17, name, noClip);
        } else {
            canvas.fillRect(QRect(Left - 18, Top, 18, tw));
            canvas.setPen(toQColor(clBtnShadow), 1, Qt::SolidLine);
            canvas.drawLine(QPoint(Left - 18, Top + tw - 2), QPoint(Left, Top + tw - 2));
            canvas.setPen(Qt::black, 1, Qt::SolidLine);
            canvas.drawLine(QPoint(Left - 18, Top + tw - 1), QPoint(Left, Top + tw - 1));
            canvas.setPen(toQColor(clBtnHighlight), 1, Qt::SolidLine);
            canvas.drawLine(QPoint(Left - 18, Top), QPoint(Left - 18, Top + tw - 1));
            canvas.setTextRotated(true);
            canvas.drawText(Left - 15, Top + canvas.textWidth(name) + 4, name, noClip);
            canvas.setTextRotated(false);
        }
    } else if (!IsCrossBand()) {
        canvas.drawText(Left + 4, Top + 2, name, noClip);
    } else {
        canvas.setTextRotated(true);
        canvas.drawText(Left + 2, Top + 94, name, noClip);
        canvas.setTextRotated(false);
    }
    RestoreGeometry();
    FrameWidth = heldFrameWidth;
}

QRegion TfrBandView::GetClipRegion(bool enlarged)
{
    if (!frEngine().BandTitles)
        return TfrView::GetClipRegion(enlarged);
    const int d = enlarged ? 10 : 0;
    QRegion r(QRect(Left - d, Top - d, Width + 1 + 2 * d, Height + 1 + 2 * d));
    const int tw = TitleWidth();
    if (IsCrossBand())
        r += QRect(Left - 18, Top, 18, tw);
    else
        r += QRect(Left, Top - 18, tw, 18);
    return r;
}

void TfrBandView::LoadFromStream(TStream &stream)
{
    m_heldSpan.reset();
    m_shownSpan.reset();
    LoadBaseRecord(stream);
    if (frEngine().StreamVersion >= 24) {
        ChildBand = ReadStoredString(stream);
        Columns = ReadStreamInt(stream);
        ColumnWidth = ReadStreamInt(stream);
        ColumnGap = ReadStreamInt(stream);
        NewColumnAfter = ReadStreamInt(stream);
        if (RecordVersionMajor * 10 + RecordVersionMinor > 20)
            Master = ReadStoredString(stream);
    }
}

void TfrBandView::SaveToStream(TStream &stream)
{
    RecordVersionMinor = 1;
    if (m_heldSpan && m_shownSpan == CurrentSpan()) {
        SetSpan(*m_heldSpan);
        SaveBaseRecord(stream);
        SetSpan(*m_shownSpan);
    } else {
        SaveBaseRecord(stream);
    }
    WriteStreamString(stream, ChildBand);
    WriteStreamInt(stream, Columns);
    WriteStreamInt(stream, ColumnWidth);
    WriteStreamInt(stream, ColumnGap);
    WriteStreamInt(stream, NewColumnAfter);
    WriteStreamString(stream, Master);
}

// ---- subreport

TfrSubReportView::TfrSubReportView()
{
    TypeCode = 3;
    NamePrefix = QStringLiteral("SubReport");
}

void TfrSubReportView::Draw(ReportCanvas &canvas)
{
    PrepareDraw(canvas);
    FrameWidth = 1;
    ApplyScale();
    canvas.setFont(smallArial(), Qt::black);
    canvas.setPen(Qt::black, 1, Qt::SolidLine);
    canvas.setBrush(QBrush(Qt::white));
    canvas.drawRect(QRect(Left, Top, Width + 1, Height + 1));
    canvas.setBrush(QBrush(Qt::NoBrush));
    canvas.drawText(Left + 2, Top + 2, Name, DrawRect);
    RestoreGeometry();
}

void TfrSubReportView::LoadFromStream(TStream &stream)
{
    LoadBaseRecord(stream);
    SubPageIndex = ReadStreamInt(stream);
}

void TfrSubReportView::SaveToStream(TStream &stream)
{
    SaveBaseRecord(stream);
    WriteStreamInt(stream, SubPageIndex);
}

// ---- picture

int TfrPicture::Width() const
{
    return m_image.isNull() ? m_metaWidth : m_image.width();
}

int TfrPicture::Height() const
{
    return m_image.isNull() ? m_metaHeight : m_image.height();
}

void TfrPicture::Clear()
{
    m_kind = None;
    m_data.clear();
    m_image = QImage();
    m_metaWidth = m_metaHeight = 0;
}

void TfrPicture::SetData(Kind kind, const QByteArray &data)
{
    Clear();
    if (kind == None)
        return;
    if (kind == Metafile) {
        // Kept for saving; the bounds of an enhanced metafile give its size (device units of its header).
        if (data.size() >= 24 && quint8(data[0]) == 1 && data.mid(40, 4) == " EMF") {
            auto i32 = [&data](int at) { return qint64(qFromLittleEndian<qint32>(data.constData() + at)); };
            // A header from a damaged file may give any bounds; no picture is larger than this.
            constexpr qint64 Largest = 1 << 22;
            m_metaWidth = int(std::clamp<qint64>(i32(16) - i32(8) + 1, 0, Largest));
            m_metaHeight = int(std::clamp<qint64>(i32(20) - i32(12) + 1, 0, Largest));
        }
    } else {
        const char *format = kind == Bitmap ? "BMP" : kind == Icon ? "ICO" : "JPG";
        QImage image;
        if (!image.loadFromData(data, format))
            throw Exception(QStringLiteral("Неверный формат рисунка"));
        m_image = image;
    }
    m_kind = kind;
    m_data = data;
}

void TfrPicture::SetImage(const QImage &image, Kind kind)
{
    Clear();
    if (image.isNull())
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, kind == Jpeg ? "JPG" : kind == Icon ? "ICO" : "BMP");
    m_kind = kind == Metafile ? Bitmap : kind;
    m_data = bytes;
    m_image = image;
}

bool TfrPicture::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    const QByteArray format = QImageReader::imageFormat(fileName);
    Kind kind = None;
    if (format == "bmp")
        kind = Bitmap;
    else if (format == "jpeg" || format == "jpg")
        kind = Jpeg;
    else if (format == "ico")
        kind = Icon;
    else if (data.size() >= 44 && data.mid(40, 4) == " EMF")
        kind = Metafile;
    if (kind != None) {
        SetData(kind, data);
        return true;
    }
    QImage image;
    if (!image.loadFromData(data))
        return false;
    SetImage(image);
    return true;
}

TfrPictureView::TfrPictureView()
{
    TypeCode = 1;
    NamePrefix = QStringLiteral("Picture");
    Flags = 5;
    TfrVariables &c = frEngine().EngineConstants;
    c.SetValue(QStringLiteral("btBMP"), Variant(0));
    c.SetValue(QStringLiteral("btJPG"), Variant(1));
    c.SetValue(QStringLiteral("btICO"), Variant(2));
    c.SetValue(QStringLiteral("btWMF"), Variant(3));
}

void TfrPictureView::SetPropertyValue(const QString &name, const Variant &value)
{
    TfrView::SetPropertyValue(name, value);
    const QString n = name.toUpper();
    if (n == QLatin1String("CENTER"))
        Flags = quint16(value.toBool() ? (Flags | 2) : (Flags & ~2));
    else if (n == QLatin1String("KEEPASPECT"))
        Flags = quint16(value.toBool() ? (Flags | 4) : (Flags & ~4));
    else if (n == QLatin1String("BLOBTYPE"))
        BlobType = quint8(value.toInt());
}

Variant TfrPictureView::GetPropertyValue(const QString &name)
{
    Variant result = TfrView::GetPropertyValue(name);
    if (!result.isNull())
        return result;
    const QString n = name.toUpper();
    if (n == QLatin1String("CENTER"))
        return Variant(bool(Flags & 2));
    if (n == QLatin1String("KEEPASPECT"))
        return Variant(bool(Flags & 4));
    if (n == QLatin1String("BLOBTYPE"))
        return Variant(int(BlobType));
    return Variant::Null();
}

Variant TfrPictureView::CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3)
{
    Variant result = TfrView::CallMethod(name, p1, p2, p3);
    if (name == QLatin1String("LOADFROMFILE")) {
        const QString fileName = frEngine().Parser().Evaluate(p1.toString()).toString();
        if (fileName.isEmpty() || !QFile::exists(fileName) || !Picture.LoadFromFile(fileName))
            Picture.Clear();
    }
    return result;
}

void TfrPictureView::RegisterProperties()
{
    TfrView::RegisterProperties();
    TfrGlobals &e = frEngine();
    RegisterProp(QStringLiteral("Picture"), frdtHasEditor, e.PictureEditorHook);
    for (const char *n : {"Stretched", "Center", "KeepAspect"})
        RegisterProp(QString::fromLatin1(n), frdtBoolean);
    RegisterProp(QStringLiteral("DataField"), frdtHasEditor | frdtOneObject | frdtString, e.DataFieldEditorHook);
    RegisterEnumProp(QStringLiteral("BlobType"), QStringLiteral("btBMP;btJPG;btICO;btWMF"), {0, 1, 2, 3});
}

void TfrPictureView::Draw(ReportCanvas &canvas)
{
    PrepareDraw(canvas);
    ApplyScale();
    DrawBackground();
    if (Picture.IsEmpty()) {
        if (Designing()) {
            canvas.setFont(smallArial(), Qt::black);
            canvas.drawText(Left + 20, Top + 3, GetLocaleString(55228), DrawRect);
        }
    } else {
        QRect r = DrawRect;
        const int pw = Picture.Width(), ph = Picture.Height();
        if (Flags & 1) {
            if ((Flags & 4) && pw > 0 && ph > 0) {
                const double kx = double(Width) / pw, ky = double(Height) / ph;
                if (kx < ky)
                    r.setHeight(frRound(ph * kx));
                else
                    r.setWidth(frRound(pw * ky));
                if (Flags & 2)
                    r.translate((DrawRect.width() - r.width()) / 2, (DrawRect.height() - r.height()) / 2);
            }
        } else {
            const int w = frRound(pw * ZoomX), h = frRound(ph * ZoomY);
            if (Flags & 2)
                r.translate((DrawRect.width() - w) / 2, (DrawRect.height() - h) / 2);
            r.setSize(QSize(w, h));
        }
        if (!Picture.Image().isNull()) {
            canvas.drawImage(r, Picture.Image());
        } else {
            // A metafile: the engine keeps its bytes but cannot draw it; a crossed box stands in.
            canvas.setPen(Qt::gray, 1, Qt::SolidLine);
            canvas.setBrush(QBrush(Qt::NoBrush));
            canvas.drawRect(r);
            canvas.drawLine(r.topLeft(), r.bottomRight() + QPoint(1, 1));
            canvas.drawLine(QPoint(r.x(), r.y() + r.height() - 1), QPoint(r.x() + r.width(), r.y() - 1));
        }
    }
    DrawFrame();
    RestoreGeometry();
}

void TfrPictureView::LoadFromStream(TStream &stream)
{
    LoadBaseRecord(stream);
    const quint8 kind = ReadStreamByte(stream);
    if (RecordVersionMajor * 10 + RecordVersionMinor > 10)
        BlobType = ReadStreamByte(stream);
    const qint32 end = ReadStreamInt(stream);
    const qint64 pos = stream.Position();
    if (end < pos || end > stream.Size() || kind > TfrPicture::Jpeg)
        throw EReadError(QStringLiteral("Stream read error"));
    const QByteArray data = stream.ReadBytes(end - pos);
    Picture.SetData(TfrPicture::Kind(kind), kind == TfrPicture::None ? QByteArray() : data);
    stream.SetPosition(end);
}

void TfrPictureView::SaveToStream(TStream &stream)
{
    SaveBaseRecord(stream);
    WriteStreamByte(stream, quint8(Picture.GetKind()));
    WriteStreamByte(stream, BlobType);
    const qint64 at = stream.Position();
    WriteStreamInt(stream, 0);
    stream.WriteBytes(Picture.Data());
    const qint64 end = stream.Position();
    stream.SetPosition(at);
    WriteStreamInt(stream, qint32(end));
    stream.SetPosition(end);
}

void TfrPictureView::ReadBlobField(TField *field)
{
    if (field->IsNull()) {
        Picture.Clear();
        return;
    }
    static const TfrPicture::Kind kinds[] = {TfrPicture::Bitmap, TfrPicture::Jpeg, TfrPicture::Icon, TfrPicture::Metafile};
    TMemoryStream content;
    AssignBlobTo(field, content);
    Picture.SetData(kinds[std::min<int>(BlobType, 3)], content.Bytes());
}

void TfrPictureView::ShowEditor()
{
    if (frEngine().PictureEditorHook)
        frEngine().PictureEditorHook(nullptr);
}

// ---- line

TfrLineView::TfrLineView()
{
    TypeCode = 4;
    FrameTyp = 4;
    FillColor = clWhite;
    NamePrefix = QStringLiteral("Line");
}

void TfrLineView::RegisterProperties()
{
    TfrView::RegisterProperties();
    RegisterProp(QStringLiteral("Stretched"), frdtBoolean);
}

void TfrLineView::Draw(ReportCanvas &canvas)
{
    PrepareDraw(canvas);
    if (Height < Width) {
        Height = 0;
        FrameTyp = 8;
    } else {
        Width = 0;
        FrameTyp = 4;
    }
    ApplyScale();
    DrawFrame();
    RestoreGeometry();
}

QRegion TfrLineView::GetClipRegion(bool enlarged)
{
    const double w = FrameWidth;
    int lead, trail;
    if (FrameStyle == 5) {
        lead = int(w * 1.5);
        trail = int((w - 1) / 2) + int(w);
    } else {
        lead = int(w * 0.5);
        trail = int((w - 1) / 2);
    }
    QRect r = FrameTyp == 4 ? QRect(QPoint(Left - lead, Top), QPoint(Left + Width + 1 + trail, Top + Height + 1))
                            : QRect(QPoint(Left, Top - lead), QPoint(Left + Width + 1, Top + Height + 1 + trail));
    // Corners above are both inclusive; the region covers up to, not including, the second one.
    r.setWidth(r.width() - 1);
    r.setHeight(r.height() - 1);
    if (enlarged)
        r.adjust(-10, -10, 10, 10);
    return QRegion(r);
}
