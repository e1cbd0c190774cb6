#include "FR_Class.h"

#include "FR_Intrp.h"
#include "FR_Locale.h"
#include "FR_Pars.h"
#include "FR_Utils.h"

#include "Exceptions.h"
#include "FormatSettings.h"
#include "Streams.h"

#include <QColor>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <utility>

// ---- fonts

QFont TfrFont::toQFont(int pixelHeight) const
{
    // A page draws object after object in the same font: the last font made is handed out again.
    struct Last
    {
        QString name;
        int pixels, style;
        QFont font;
    };
    thread_local std::optional<Last> last;
    if (last && last->pixels == pixelHeight && last->style == Style && last->name == Name)
        return last->font;
    QFont f(Name);
    f.setPixelSize(std::max(1, pixelHeight));
    FontStyleFromInt(f, Style);
    last.emplace(Last{Name, pixelHeight, Style, f});
    return f;
}

int TfrFont::pixelHeight() const
{
    return frRound(Size * 96.0 / 72.0);
}

void SetFontValue(TfrFont &font, const QString &name, const Variant &value)
{
    if (name == QLatin1String("FONT.NAME"))
        font.Name = value.toString();
    else if (name == QLatin1String("FONT.SIZE"))
        font.Size = value.toInt();
    else if (name == QLatin1String("FONT.STYLE"))
        font.Style = value.toInt() & 0xF;
    else if (name == QLatin1String("FONT.COLOR"))
        font.Color = value.toInt();
}

Variant GetFontValue(const TfrFont &font, const QString &name)
{
    if (name == QLatin1String("FONT.NAME"))
        return Variant(font.Name);
    if (name == QLatin1String("FONT.SIZE"))
        return Variant(font.Size);
    if (name == QLatin1String("FONT.STYLE"))
        return Variant(font.Style);
    if (name == QLatin1String("FONT.COLOR"))
        return Variant(int(font.Color));
    return Variant::Null();
}

// ---- TfrObject

void TfrObject::SetPropertyValue(const QString &, const Variant &)
{
}

Variant TfrObject::GetPropertyValue(const QString &)
{
    return Variant::Null();
}

Variant TfrObject::CallMethod(const QString &, const Variant &, const Variant &, const Variant &)
{
    return Variant::Null();
}

void TfrObject::RegisterProp(const QString &name, int typ, TfrEditorHook editor)
{
    TfrPropRec rec;
    rec.PropName = name.left(32);
    rec.PropType = typ;
    rec.PEditor = std::move(editor);
    PropRecs.push_back(std::move(rec));
}

void TfrObject::RegisterEnumProp(const QString &name, const QString &texts, const QList<Variant> &values)
{
    TfrPropRec rec;
    rec.PropName = name.left(32);
    rec.PropType = frdtEnum;
    SplitBySemicolon(texts, rec.Enum);
    rec.HasEnum = true;
    if (values.isEmpty() || values.first().isNull())
        rec.EnumValues = Variant::Null();
    else if (values.size() == 1 && values.first().isArray())
        rec.EnumValues = values.first();
    else
        rec.EnumValues = Variant(values);
    PropRecs.push_back(std::move(rec));
}

TfrPropRec *TfrObject::FindPropRec(const QString &name)
{
    for (TfrPropRec &r : PropRecs)
        if (r.PropName.compare(name, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

bool TfrObject::CallListMethod(QStringList &list, const QString &methodName, Variant &result, const Variant &p1,
                               const Variant &p2, const Variant &p3, const QString &propName)
{
    auto lineAt = [&list](int i) -> QString & {
        if (i < 0 || i >= list.size())
            throw Exception(QStringLiteral("List index out of bounds (%1)").arg(i));
        return list[i];
    };
    if (methodName == QLatin1String("SETINDEXPROPERTY")) {
        if (p1.toString() == propName)
            lineAt(p2.toInt()) = p3.toString();
        return true;
    }
    if (methodName == QLatin1String("GETINDEXPROPERTY")) {
        if (p1.toString() == propName)
            result = Variant(lineAt(p2.toInt()));
        return true;
    }
    TfrParser &parser = frEngine().Parser();
    if (methodName == propName + QLatin1String(".ADD")) {
        list << parser.Evaluate(p1.toString()).toString();
        return true;
    }
    if (methodName == propName + QLatin1String(".CLEAR")) {
        list.clear();
        return true;
    }
    if (methodName == propName + QLatin1String(".DELETE")) {
        const int i = parser.Evaluate(p1.toString()).toInt();
        lineAt(i);
        list.removeAt(i);
        return true;
    }
    if (methodName == propName + QLatin1String(".INDEXOF")) {
        result = Variant(int(list.indexOf(parser.Evaluate(p1.toString()).toString())));
        return true;
    }
    return false;
}

// ---- TfrView

TfrView::TfrView()
{
    // Category 0 (text) with two decimals, recording the system decimal separator.
    FormatCode = 0x200 + FormatSettings().DecimalSeparator.unicode();
}

TfrView::~TfrView()
{
    auto &list = frEngine().NotificationList;
    std::erase(list, this);
    if (frEngine().CurrentView == this)
        frEngine().CurrentView = nullptr;
}

void TfrView::SetPropertyValue(const QString &name, const Variant &value)
{
    const QString n = name.toUpper();
    if (n == QLatin1String("NAME"))
        Name = value.toString();
    else if (n == QLatin1String("LEFT"))
        Left = value.toInt();
    else if (n == QLatin1String("TOP"))
        Top = value.toInt();
    else if (n == QLatin1String("WIDTH"))
        Width = value.toInt();
    else if (n == QLatin1String("HEIGHT"))
        Height = value.toInt();
    else if (n == QLatin1String("FLAGS"))
        Flags = quint16(value.toInt());
    else if (n == QLatin1String("FRAMETYP"))
        FrameTyp = quint16(value.toInt());
    else if (n == QLatin1String("FRAMECOLOR"))
        FrameColor = value.toInt();
    else if (n == QLatin1String("FRAMESTYLE"))
        FrameStyle = quint16(value.toInt());
    else if (n == QLatin1String("FILLCOLOR"))
        FillColor = value.toInt();
    else if (n == QLatin1String("GAPX"))
        GapX = value.toInt();
    else if (n == QLatin1String("GAPY"))
        GapY = value.toInt();
    else if (n == QLatin1String("BANDALIGN"))
        BandAlign = quint8(value.toInt());
    else if (n == QLatin1String("FRAMEWIDTH"))
        FrameWidth = value.toDouble();
    else if (n == QLatin1String("VISIBLE"))
        Visible = value.toBool();
    else if (n == QLatin1String("MEMO") || n == QLatin1String("DATAFIELD"))
        Memo = value.toString().split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    else if (n == QLatin1String("STRETCHED"))
        Flags = quint16(value.toBool() ? (Flags | 1) : (Flags & ~1));
    else if (n == QLatin1String("TAG"))
        Tag = value.toString();
}

Variant TfrView::GetPropertyValue(const QString &name)
{
    const QString n = name.toUpper();
    if (n == QLatin1String("NAME"))
        return Variant(Name);
    if (n == QLatin1String("LEFT"))
        return Variant(Left);
    if (n == QLatin1String("TOP"))
        return Variant(Top);
    if (n == QLatin1String("WIDTH"))
        return Variant(Width);
    if (n == QLatin1String("HEIGHT"))
        return Variant(Height);
    if (n == QLatin1String("FLAGS"))
        return Variant(int(Flags));
    if (n == QLatin1String("FRAMETYP"))
        return Variant(int(FrameTyp));
    if (n == QLatin1String("FRAMECOLOR"))
        return Variant(int(FrameColor));
    if (n == QLatin1String("FRAMESTYLE"))
        return Variant(int(FrameStyle));
    if (n == QLatin1String("FILLCOLOR"))
        return Variant(int(FillColor));
    if (n == QLatin1String("GAPX"))
        return Variant(GapX);
    if (n == QLatin1String("GAPY"))
        return Variant(GapY);
    if (n == QLatin1String("BANDALIGN"))
        return Variant(int(BandAlign));
    if (n == QLatin1String("FRAMEWIDTH"))
        return Variant(FrameWidth);
    if (n == QLatin1String("VISIBLE"))
        return Variant(Visible);
    if (n == QLatin1String("MEMO")) {
        QString text;
        for (const QString &line : Memo)
            text += line + QLatin1String("\r\n");
        return Variant(text);
    }
    if (n == QLatin1String("STRETCHED"))
        return Variant(bool(Flags & 1));
    if (n == QLatin1String("DATAFIELD"))
        return Variant(Memo.isEmpty() ? QString() : Memo.first());
    if (n == QLatin1String("MEMO.COUNT"))
        return Variant(int(Memo.size()));
    if (n == QLatin1String("TAG"))
        return Variant(Tag);
    return Variant::Null();
}

Variant TfrView::CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3)
{
    Variant result = Variant::Null();
    if (CallListMethod(Memo, name, result, p1, p2, p3, QStringLiteral("MEMO")))
        return result;
    if (name == QLatin1String("HIDE"))
        SetPropertyValue(QStringLiteral("Visible"), Variant(false));
    else if (name == QLatin1String("SHOW"))
        SetPropertyValue(QStringLiteral("Visible"), Variant(true));
    return result;
}

void TfrView::RegisterProperties()
{
    ClearPropList();
    TfrGlobals &e = frEngine();
    const bool bandLike = ClassName() == QLatin1String("TfrBandView") || ClassName() == QLatin1String("TfrSubReportView");
    RegisterProp(QStringLiteral("Name"), frdtString | frdtOneObject);
    for (const char *n : {"Left", "Top", "Width", "Height"})
        RegisterProp(QString::fromLatin1(n), frdtSize);
    RegisterProp(QStringLiteral("Flags"), 0);
    if (!bandLike) {
        RegisterProp(QStringLiteral("FrameTyp"), frdtInteger);
        RegisterProp(QStringLiteral("FrameWidth"), frdtSize | frdtFloat);
        RegisterProp(QStringLiteral("FrameColor"), frdtColor);
        RegisterEnumProp(QStringLiteral("FrameStyle"), QStringLiteral("psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble"),
                         {0, 1, 2, 3, 4, 5});
        RegisterProp(QStringLiteral("FillColor"), frdtColor);
        RegisterProp(QStringLiteral("Tag"), frdtHasEditor | frdtOneObject, e.TagEditorHook);
        RegisterEnumProp(QStringLiteral("BandAlign"), QStringLiteral("baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest"),
                         {0, 1, 2, 3, 4, 5, 6, 7});
    }
    RegisterProp(QStringLiteral("Visible"), frdtBoolean);
    RegisterProp(QStringLiteral("Memo"), frdtHasEditor | frdtOneObject, e.MemoEditorHook);
    RegisterProp(QStringLiteral("Memo.Count"), 0);
    RegisterProp(QStringLiteral("Restrictions"), frdtHasEditor, e.RestrictionsEditorHook);
}

void TfrView::ApplyScale()
{
    SavedLeft = Left;
    SavedTop = Top;
    SavedWidth = Width;
    SavedHeight = Height;
    SavedFrameWidth = FrameWidth;
    SavedGapX = GapX;
    SavedGapY = GapY;
    if (Designing()) {
        ZoomX = ZoomY = 1;
        ShiftX = ShiftY = 0;
    }
    Left = frRound(Left * ZoomX) + ShiftX;
    Top = frRound(Top * ZoomY) + ShiftY;
    Width = frRound(Width * ZoomX);
    Height = frRound(Height * ZoomY);
    const double w = SavedFrameWidth;
    const int fx1 = frRound((w * ZoomX - 1) / 2), fx2 = frRound(w * ZoomX / 2);
    const int fy1 = frRound((w * ZoomY - 1) / 2), fy2 = frRound(w * ZoomY / 2);
    FrameWidth = w * ZoomX;
    GapX = frRound(GapX * ZoomX) + fx2;
    GapY = frRound(GapY * ZoomY) + fy2 / 2;
    int right = frRound((SavedLeft + SavedWidth) * ZoomX + ShiftX);
    int bottom = frRound((SavedTop + SavedHeight) * ZoomY + ShiftY);
    int left = Left, top = Top;
    if (FrameTyp & 0x1)
        right -= fx2;
    if (FrameTyp & 0x2)
        bottom -= fy2;
    if (FrameTyp & 0x4)
        left += fx1;
    if (FrameTyp & 0x8)
        top += fy1;
    DrawRect = QRect(left, top, right + 1 - left, bottom + 1 - top);
}

void TfrView::RestoreGeometry()
{
    Left = SavedLeft;
    Top = SavedTop;
    Width = SavedWidth;
    Height = SavedHeight;
    FrameWidth = SavedFrameWidth;
    GapX = SavedGapX;
    GapY = SavedGapY;
}

void TfrView::DrawBackground()
{
    TfrGlobals &e = frEngine();
    if (e.FirstOfTwoPasses || !DrawCanvas)
        return;
    const bool transparent = FillColor == clTransparent;
    DrawCanvas->setBrush(QBrush(toQColor(transparent ? clWhite : FillColor)));
    if (Designing()) {
        DrawCanvas->fillRect(DrawRect);
    } else if (!transparent) {
        const int right = frRound((SavedLeft + SavedWidth) * ZoomX + ShiftX);
        const int bottom = frRound((SavedTop + SavedHeight) * ZoomY + ShiftY);
        DrawCanvas->fillRect(QRect(Left, Top, right - Left, bottom - Top));
    }
}

void TfrView::DrawFrameLine(int x1, int y1, int x2, int y2)
{
    ReportCanvas &c = *DrawCanvas;
    const int width = frRound(FrameWidth);
    const QColor color = toQColor(FrameColor);
    const bool vertical = x1 == x2;
    if (FrameStyle == 5) {
        c.setPen(color, width, Qt::SolidLine);
        const int d = width;
        if (vertical) {
            c.drawLine(QPoint(x1 - d, y1), QPoint(x2 - d, y2));
            c.drawLine(QPoint(x1 + d, y1), QPoint(x2 + d, y2));
        } else {
            c.drawLine(QPoint(x1, y1 - d), QPoint(x2, y2 - d));
            c.drawLine(QPoint(x1, y1 + d), QPoint(x2, y2 + d));
        }
        c.setPen(toQColor(FillColor == clTransparent ? clWhite : FillColor), width, Qt::SolidLine);
        c.drawLine(QPoint(x1, y1), QPoint(x2, y2));
        c.setPen(color, width, Qt::SolidLine);
        return;
    }
    if (FrameStyle != 0) {
        // Dashes keep their width: one-pixel lines side by side.
        static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                              Qt::DashDotDotLine};
        c.setPen(color, 1, styles[std::min<int>(FrameStyle, 4)]);
        c.setBrush(QBrush(toQColor(FillColor == clTransparent ? clWhite : FillColor)));
        // No wider than twice the object: a stored width beyond that shows nothing more and would only cost.
        const int n = std::clamp(width, 1, 2 * std::max(std::abs(Width), std::abs(Height)) + 2);
        for (int k = -(n / 2), i = 0; i < n; ++k, ++i) {
            if (vertical)
                c.drawLine(QPoint(x1 + k, y1), QPoint(x2 + k, y2));
            else
                c.drawLine(QPoint(x1, y1 + k), QPoint(x2, y2 + k));
        }
        return;
    }
    c.setPen(color, width, Qt::SolidLine);
    c.drawLine(QPoint(x1, y1), QPoint(x2, y2));
}

void TfrView::DrawFrame()
{
    TfrGlobals &e = frEngine();
    if (e.FirstOfTwoPasses || !DrawCanvas)
        return;
    if (!Designing() && (FrameTyp & 0xF) == 0)
        return;
    ReportCanvas &c = *DrawCanvas;
    if (Designing() && Width > 0 && Height > 0) {
        c.setPen(Qt::black, 1, Qt::SolidLine);
        const int x = Left, y = Top, w = Width, h = Height;
        auto corner = [&c](QPoint a, QPoint b, QPoint d) {
            c.drawLine(a, b);
            c.drawLine(b, d);
        };
        corner(QPoint(x, y + 3), QPoint(x, y), QPoint(x + 4, y));
        corner(QPoint(x, y + h - 3), QPoint(x, y + h), QPoint(x + 4, y + h));
        corner(QPoint(x + w - 3, y), QPoint(x + w, y), QPoint(x + w, y + 4));
        corner(QPoint(x + w - 3, y + h), QPoint(x + w, y + h), QPoint(x + w, y + h - 4));
    }
    const int right = frRound((SavedLeft + SavedWidth) * ZoomX + ShiftX);
    const int bottom = frRound((SavedTop + SavedHeight) * ZoomY + ShiftY);
    if (FrameTyp & 0x1)
        DrawFrameLine(right, Top, right, bottom);
    if (FrameTyp & 0x4)
        DrawFrameLine(Left, Top, Left, bottom);
    if (FrameTyp & 0x2)
        DrawFrameLine(Left, bottom, right, bottom);
    if (FrameTyp & 0x8)
        DrawFrameLine(Left, Top, right, Top);
}

QRegion TfrView::GetClipRegion(bool enlarged)
{
    const double w = FrameWidth;
    int lead, trail;
    if (FrameStyle == 5) {
        lead = frRound(w * 1.5);
        trail = frRound(w + (w - 1) / 2);
    } else {
        lead = frRound(w / 2);
        trail = frRound((w - 1) / 2);
    }
    int l = Left, t = Top, r = Left + Width + 1, b = Top + Height + 1;
    if (FrameTyp & 0x4)
        l -= lead;
    if (FrameTyp & 0x8)
        t -= lead;
    if (FrameTyp & 0x1)
        r += trail;
    if (FrameTyp & 0x2)
        b += trail;
    if (enlarged) {
        l -= 10;
        t -= 10;
        r += 10;
        b += 10;
    }
    return QRegion(QRect(l, t, r - l, b - t));
}

namespace {

bool isBandObject(const TfrView *v)
{
    return v->TypeCode == 2;
}

} // namespace

void TfrView::PrepareDraw(ReportCanvas &canvas)
{
    TfrGlobals &e = frEngine();
    DrawCanvas = &canvas;
    e.CurrentView = this;
    TfrPage *page = e.ActivePage;
    if (!page)
        return;
    const int L = page->PrintAreaLeft(), R = page->PrintAreaRight();
    // The neighbours in the same row: sorted by their left edges as zero-padded text, later objects first
    // among equal keys.
    std::vector<std::pair<QString, TfrView *>> lefts, rights;
    auto insertSorted = [](std::vector<std::pair<QString, TfrView *>> &list, const QString &key, TfrView *v) {
        auto it = std::lower_bound(list.begin(), list.end(), key, [](const auto &a, const QString &k) {
            return a.first.compare(k, Qt::CaseInsensitive) < 0;
        });
        list.insert(it, {key, v});
    };
    // Only the alignments that follow a neighbour look for one: every other object is placed without going
    // through the page, so drawing a page stays linear in its objects.
    const bool needsNeighbours = BandAlign == 1 || BandAlign == 2 || BandAlign == 7;
    for (int i = 0; needsNeighbours && i < page->ObjectCount(); ++i) {
        TfrView *v = page->Object(i);
        if (v == this || isBandObject(v) || v->Top != Top)
            continue;
        const QString key = QStringLiteral("%1").arg(v->Left, 4, 10, QLatin1Char('0'));
        if (v->Left < Left && v->BandAlign == 1)
            insertSorted(lefts, key, v);
        else if (v->Left > Left && v->BandAlign == 2)
            insertSorted(rights, key, v);
    }
    TfrView *leftN = lefts.empty() ? nullptr : lefts.back().second;
    TfrView *rightN = rights.empty() ? nullptr : rights.front().second;
    switch (BandAlign) {
    case 1:
        Left = leftN ? leftN->Left + leftN->Width : L;
        break;
    case 2:
        Left = rightN ? rightN->Left - Width - 1 : R - Width;
        break;
    case 7:
        Left = leftN ? leftN->Left + leftN->Width : L;
        Width = rightN ? rightN->Left - Left : R - Left;
        break;
    case 3:
        Left = L + (R - L - Width) / 2;
        break;
    case 4:
        if (Designing()) {
            auto *band = static_cast<TfrBandView *>(BandUnder());
            if (band && band->IsCrossBand()) {
                Left = band->Left;
                Width = band->Width;
            } else {
                Left = L;
                Width = R - L;
            }
        } else if (!e.CurrentBand) {
            Left = L;
            Width = R - L - 1;
        }
        break;
    case 5:
    case 6:
        if (Designing()) {
            if (TfrView *band = BandUnder())
                Top = BandAlign == 5 ? band->Top + band->Height - Height : band->Top;
        }
        break;
    default:
        break;
    }
}

TfrView *TfrView::BandUnder()
{
    TfrPage *page = frEngine().ActivePage;
    if (!page)
        return nullptr;
    TfrView *found = nullptr;
    for (int i = 0; i < page->ObjectCount(); ++i) {
        TfrView *v = page->Object(i);
        if (isBandObject(v) && Left >= v->Left && Left <= v->Left + v->Width && Top >= v->Top
            && Top <= v->Top + v->Height)
            found = v;
    }
    return found;
}

void TfrView::PlaceAt(int left, int top, int width, int height)
{
    Left = left;
    Top = top;
    Width = width;
    Height = height;
}

void TfrView::MakeUniqueName()
{
    Name.clear();
    TfrReport *report = frEngine().CurrentReport;
    for (int n = 1; n <= 10000; ++n) {
        const QString candidate = NamePrefix + QString::number(n);
        if ((!report || !report->FindViewByName(candidate)) && !frEngine().DialogFormHolds(candidate)) {
            SetPropertyValue(QStringLiteral("Name"), Variant(candidate));
            return;
        }
    }
}

void TfrView::ExpandBrackets(QString &text)
{
    TfrReport *report = frEngine().CurrentReport;
    int i = 1;
    for (;;) {
        while (i <= text.size() && text.at(i - 1) != u'[')
            ++i;
        if (i > text.size())
            break;
        int start = i, pos = i;
        const QString expr = ReadBracketed(text, start, pos);
        if (pos > text.size() || pos == start)
            break;
        // The value is inserted as it is: text it brings in is never expanded again.
        QString value;
        if (report)
            report->ExpandValue(expr, value);
        text.replace(start - 1, pos - start + 1, value);
        i = start + int(value.size());
    }
}

void TfrView::WritePrepared(TStream &stream)
{
    TfrGlobals &e = frEngine();
    PrepareDraw(DrawCanvas ? *DrawCanvas : e.ScratchCanvas());
    WorkText = Memo;
    if (e.CurrentReport)
        e.CurrentReport->DoBeforePrint(WorkText, this);
    if (!Script.isEmpty())
        e.Interpreter().RunScript(Script);
    if (!Visible)
        return;
    const QString savedTag = Tag;
    if (Tag.contains(u'['))
        ExpandBrackets(Tag);
    CompletePreparedText();
    WriteStreamByte(stream, quint8(TypeCode));
    if (TypeCode == 10)
        WriteStreamString(stream, ClassName());
    SaveToStream(stream);
    Tag = savedTag;
}

void TfrView::ExportData()
{
    if (TfrReport *report = frEngine().CurrentReport)
        report->DoExportData(this);
}

// ---- object record

namespace {

qint32 encodeFrameWidth(double w)
{
    if (w >= 0 && w <= 10 && w == std::floor(w))
        return qint32(w);
    return qint32(frRound(w * 1000));
}

double decodeFrameWidth(qint32 n)
{
    return n <= 10 ? double(n) : n / 1000.0;
}

} // namespace

void TfrView::SaveBaseRecord(TStream &stream)
{
    const bool tmpl = RecordMode == 0;
    WriteStreamString(stream, Name);
    RecordVersionMajor = 2;
    WriteStreamByte(stream, quint8(RecordVersionMajor));
    WriteStreamByte(stream, quint8(RecordVersionMinor));
    WriteStreamInt(stream, Left);
    WriteStreamInt(stream, Top);
    WriteStreamInt(stream, Width);
    WriteStreamInt(stream, Height);
    WriteStreamWord(stream, Flags);
    WriteStreamWord(stream, FrameTyp);
    WriteStreamInt(stream, encodeFrameWidth(FrameWidth));
    WriteStreamInt(stream, FrameColor);
    WriteStreamWord(stream, FrameStyle);
    WriteStreamInt(stream, FillColor);
    if (tmpl) {
        WriteStreamInt(stream, FormatCode);
        WriteStreamString(stream, FormatText);
    }
    WriteStreamStrings(stream, tmpl ? Memo : WorkText);
    if (tmpl) {
        WriteStreamStrings(stream, Script);
        WriteStreamBool(stream, Visible);
    }
    WriteStreamWord(stream, Restrictions);
    WriteStreamString(stream, Tag);
    WriteStreamInt(stream, GapX);
    WriteStreamInt(stream, GapY);
    WriteStreamByte(stream, BandAlign);
}

void TfrView::LoadBaseRecord(TStream &stream)
{
    const int v = frEngine().StreamVersion;
    const bool tmpl = RecordMode == 0;
    if (v > 23 || (v == 23 && tmpl))
        Name = ReadStoredString(stream);
    else
        MakeUniqueName();
    if (v > 23) {
        RecordVersionMajor = ReadStreamByte(stream);
        RecordVersionMinor = ReadStreamByte(stream);
    } else {
        RecordVersionMajor = RecordVersionMinor = 0;
    }
    Left = ReadStreamInt(stream);
    Top = ReadStreamInt(stream);
    Width = ReadStreamInt(stream);
    Height = ReadStreamInt(stream);
    Flags = ReadStreamWord(stream);
    FrameTyp = ReadStreamWord(stream);
    FrameWidth = decodeFrameWidth(ReadStreamInt(stream));
    FrameColor = ReadStreamInt(stream);
    FrameStyle = ReadStreamWord(stream);
    FillColor = ReadStreamInt(stream);
    if (tmpl) {
        FormatCode = ReadStreamInt(stream);
        FormatText = ReadStoredString(stream);
    }
    ReadStoredStrings(stream, Memo);
    if (v >= 23 && tmpl) {
        ReadStoredStrings(stream, Script);
        Visible = ReadStreamWord(stream) != 0;
    }
    if (v >= 24) {
        Restrictions = ReadStreamWord(stream);
        Tag = ReadStoredString(stream);
        GapX = ReadStreamInt(stream);
        GapY = ReadStreamInt(stream);
    }
    if (RecordVersionMajor > 1)
        BandAlign = ReadStreamByte(stream);
}

void TfrView::LoadFromStream(TStream &stream)
{
    LoadBaseRecord(stream);
}

void TfrView::SaveToStream(TStream &stream)
{
    SaveBaseRecord(stream);
}

Variant TfrStretcheable::CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3)
{
    Variant result = TfrView::CallMethod(name, p1, p2, p3);
    if (result.isNull() && name == QLatin1String("CALCHEIGHT"))
        result = Variant(CalcHeight());
    return result;
}

QByteArray SaveViewContents(TfrView &view)
{
    frEngine().StreamVersion = 24;
    const int mode = std::exchange(view.RecordMode, 0);
    TMemoryStream stream;
    view.SaveToStream(stream);
    view.RecordMode = mode;
    return stream.Bytes();
}

void LoadViewContents(TfrView &view, const QByteArray &contents)
{
    frEngine().StreamVersion = 24;
    const int mode = std::exchange(view.RecordMode, 0);
    TMemoryStream stream(contents);
    view.LoadFromStream(stream);
    view.RecordMode = mode;
}

void CopyViewContents(TfrView &target, TfrView &source)
{
    target.Name = source.Name;
    target.TypeCode = source.TypeCode;
    target.IsSelected = source.IsSelected;
    LoadViewContents(target, SaveViewContents(source));
}

// ---- the object factory

TfrView *CreateViewOfType(int typ, const QString &className)
{
    TfrGlobals &e = frEngine();
    TfrView *view = nullptr;
    switch (typ) {
    case 0: view = new TfrMemoView; break;
    case 1: view = new TfrPictureView; break;
    case 2: view = new TfrBandView; break;
    case 3: view = new TfrSubReportView; break;
    case 4: view = new TfrLineView; break;
    case 10:
        for (const TfrAddInObjectInfo &a : e.AddIns) {
            if (a.ClassName == className && a.Create) {
                view = a.Create();
                break;
            }
        }
        if (!view) {
            e.ErrorFlag = true;
            e.ErrorMessage += className + u'\r';
            throw EClassNotFound(e.ErrorMessage);
        }
        view->TypeCode = 10;
        break;
    default:
        return nullptr;
    }
    view->ObjectID = e.NextObjectID++;
    return view;
}
