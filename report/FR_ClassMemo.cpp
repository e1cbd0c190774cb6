// The text object: layout, painting, stretching and its record.
#include "FR_Class.h"

#include "FR_Intrp.h"
#include "FR_Pars.h"
#include "FR_Utils.h"

#include "DataSet.h"
#include "Exceptions.h"
#include "Formats.h"
#include "Streams.h"

#include <QRegularExpression>

namespace {

bool isLineBreak(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == QChar(0xA0);
}

// Flag bits of the text object.
enum : quint16 {
    mfWordWrap = 0x2,
    mfWordBreak = 0x4,
    mfAutoWidth = 0x8,
    mfTextOnly = 0x10,
    mfSuppress = 0x20,
    mfHideZeros = 0x40,
    mfUnderlines = 0x80,
    mfRTLReading = 0x100,
};

const struct
{
    const char *name;
    quint16 bit;
} memoFlags[] = {
    {"WORDWRAP", mfWordWrap}, {"WORDBREAK", mfWordBreak}, {"AUTOWIDTH", mfAutoWidth}, {"TEXTONLY", mfTextOnly},
    {"SUPPRESS", mfSuppress}, {"HIDEZEROS", mfHideZeros}, {"UNDERLINES", mfUnderlines},
    {"RTLREADING", mfRTLReading},
};

} // namespace

std::vector<int> HyphenationPositions(const QString &word)
{
    static const QString vowels = QStringLiteral("ЁАЕИОУЫЭЮЯ");
    static const QString signs = QStringLiteral("ЪЬ");
    std::vector<int> positions;
    const QString w = TextToUpper(word);
    if (w.size() < 4)
        return positions;
    auto vowel = [&](QChar c) { return vowels.contains(c); };
    for (int i = 2; i <= w.size() - 2; ++i) {
        const QChar c1 = w.at(i - 1), c2 = w.at(i), c3 = w.at(i + 1);
        if (vowel(c1) ? (vowel(c2) || vowel(c3)) : (!vowel(c2) && !signs.contains(c2) && vowel(c3)))
            positions.push_back(i);
    }
    return positions;
}

TfrMemoView::TfrMemoView()
{
    TypeCode = 0;
    NamePrefix = QStringLiteral("Memo");
    Flags = 3;
    Font.Charset = frEngine().EngineCharset;
}

void TfrMemoView::SetPropertyValue(const QString &name, const Variant &value)
{
    TfrView::SetPropertyValue(name, value);
    const QString n = name.toUpper();
    SetFontValue(Font, n, value);
    if (n == QLatin1String("ALIGNMENT"))
        Alignment = value.toInt();
    else if (n == QLatin1String("LINESPACING"))
        LineSpacing = value.toInt();
    else if (n == QLatin1String("CHARSPACING"))
        CharSpacing = value.toInt();
    for (const auto &f : memoFlags)
        if (n == QLatin1String(f.name))
            Flags = quint16(value.toBool() ? (Flags | f.bit) : (Flags & ~f.bit));
}

Variant TfrMemoView::GetPropertyValue(const QString &name)
{
    Variant result = TfrView::GetPropertyValue(name);
    if (!result.isNull())
        return result;
    const QString n = name.toUpper();
    result = GetFontValue(Font, n);
    if (!result.isNull())
        return result;
    if (n == QLatin1String("ALIGNMENT"))
        return Variant(int(Alignment));
    if (n == QLatin1String("LINESPACING"))
        return Variant(int(LineSpacing));
    if (n == QLatin1String("CHARSPACING"))
        return Variant(int(CharSpacing));
    if (n == QLatin1String("LINES.COUNT"))
        return Variant(int(Memo.size()));
    for (const auto &f : memoFlags)
        if (n == QLatin1String(f.name))
            return Variant(bool(Flags & f.bit));
    return Variant::Null();
}

Variant TfrMemoView::CallMethod(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3)
{
    Variant result = TfrStretcheable::CallMethod(name, p1, p2, p3);
    if (result.isNull())
        CallListMethod(Memo, name, result, p1, p2, p3, QStringLiteral("LINES"));
    return result;
}

void TfrMemoView::RegisterProperties()
{
    TfrView::RegisterProperties();
    TfrGlobals &e = frEngine();
    for (const char *n : {"Font.Name", "Font.Size", "Font.Style", "Font.Color"})
        RegisterProp(QString::fromLatin1(n), 0);
    RegisterProp(QStringLiteral("Font"), frdtHasEditor, e.FontEditorHook);
    RegisterProp(QStringLiteral("Alignment"), 0);
    RegisterProp(QStringLiteral("DisplayFormat"), frdtHasEditor, e.FormatEditorHook);
    RegisterProp(QStringLiteral("Highlight"), frdtHasEditor, e.HighlightEditorHook);
    for (const char *n : {"LineSpacing", "CharSpacing", "GapX", "GapY"})
        RegisterProp(QString::fromLatin1(n), frdtInteger);
    for (const char *n : {"Stretched", "WordWrap", "WordBreak", "AutoWidth", "TextOnly", "Suppress", "HideZeros"})
        RegisterProp(QString::fromLatin1(n), frdtBoolean);
    RegisterProp(QStringLiteral("Lines.Count"), 0);
    RegisterProp(QStringLiteral("Underlines"), frdtBoolean);
    RegisterProp(QStringLiteral("RTLReading"), frdtBoolean);
}

void TfrMemoView::FillWorkText()
{
    WorkText.clear();
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (QString line : Memo) {
        if (line.isEmpty()) {
            WorkText << QString();
            continue;
        }
        if (!(Flags & mfTextOnly))
            ExpandBrackets(line);
        // A value that holds line breaks becomes several lines.
        QString whole;
        for (const QString &l : WorkText)
            whole += l + QLatin1String("\r\n");
        whole += line;
        WorkText = whole.split(lineBreak);
    }
}

void TfrMemoView::SelectDrawFont(ReportCanvas &canvas)
{
    const double h = Font.Size * 96.0 / 72.0 * ZoomY;
    const int pixels = ZoomY == 1 ? frRound(h) : int(h);
    canvas.setFont(Font.toQFont(pixels), toQColor(Font.Color));
}

void TfrMemoView::Emit(const QString &line)
{
    frEngine().ScratchList << line;
    m_position += m_lineStepLayout;
}

void TfrMemoView::LayoutText()
{
    TfrGlobals &e = frEngine();
    ReportCanvas &c = e.ScratchCanvas();
    Layout from{WorkText, Prewrapped, Designing(), Flags, Font, Alignment, LineSpacing, CharSpacing, Width, Height,
                GapX, GapY, &c.measurer()};
    if (m_laidOutFrom == from) {
        e.ScratchList = m_laidOutLines;
        e.WrapHeight = m_laidOutHeight;
        LineStep = m_laidOutStep;
        return;
    }
    m_layoutCanvas = &c;
    c.save();
    c.setFont(Font.toQFont(Font.pixelHeight()), toQColor(Font.Color));
    c.setCharSpacing(CharSpacing);
    e.ScratchList.clear();
    const bool turned = Alignment & frtaVertical;
    c.setTextRotated(turned);
    m_position = turned ? Left + GapX : Top + GapY;
    m_available = turned ? Height - 2 * GapY : Width - 2 * GapX;
    m_lineStepLayout = LineSpacing + c.fontHeight();
    if (Designing() && !turned && WorkText.size() == 1 && WorkText.first().startsWith(u'[')
        && c.textWidth(WorkText.first()) > m_available) {
        Emit(WorkText.first());
    } else {
        for (const QString &line : std::as_const(WorkText)) {
            if (Prewrapped)
                Emit(line);
            else if (Flags & mfWordWrap)
                BreakLine(line, m_available);
            else
                Emit(turned ? line : line + ParagraphEnd);
        }
    }
    e.WrapHeight = m_position + (turned ? GapX : GapY) - (turned ? Left : Top);
    LineStep = m_lineStepLayout;
    c.restore();
    m_layoutCanvas = nullptr;
    m_laidOutFrom = std::move(from);
    m_laidOutLines = e.ScratchList;
    m_laidOutHeight = e.WrapHeight;
    m_laidOutStep = LineStep;
}

void TfrMemoView::BreakLine(const QString &s, int maxWidth)
{
    ReportCanvas &c = *m_layoutCanvas;
    const int len = int(s.size());
    // Characters from..to, counted from 1 and inclusive.
    auto sub = [&s](int from, int to) { return s.mid(from - 1, std::max(0, to - from + 1)); };
    auto at = [&s](int i) { return s.at(i - 1); };
    const bool hasBreak = s.contains(u'\r') || s.contains(u'\n');
    if (!hasBreak && (len <= 1 || c.textWidth(s) <= maxWidth)) {
        Emit(s + ParagraphEnd);
        return;
    }
    int b = 1, last = 1, i = 1;
    bool stopped = false;
    while (i <= len) {
        if (isLineBreak(at(i))) {
            Emit(sub(b, i - 1) + ParagraphEnd);
            while (i < len && isLineBreak(at(i)))
                ++i;
            b = i;
            last = i;
            if (isLineBreak(at(i))) {
                stopped = true;
                break;
            }
            continue;
        }
        if (at(i) != u' ' && c.textWidth(sub(b, i)) > maxWidth) {
            bool hyphen = false;
            if (Flags & mfWordBreak) {
                int j = i;
                while (j <= len && !QStringLiteral(" ,-.").contains(at(j)))
                    ++j;
                int best = 0;
                for (int p : HyphenationPositions(sub(last + 1, j - 1))) {
                    if (c.textWidth(sub(b, last + p) + u'-') > maxWidth)
                        break;
                    best = p;
                }
                if (best > 0) {
                    hyphen = true;
                    i = last + best;
                    last = i;
                }
            }
            if (!hyphen && last == b)
                last = i;
            if (hyphen) {
                Emit(sub(b, last) + u'-');
            } else if (at(last) == u' ') {
                Emit(sub(b, last - 1));
            } else {
                Emit(sub(b, last - 1));
                last = last - 1;
            }
            b = last + 1;
            last = b;
        }
        if (at(i) == u' ')
            last = i;
        ++i;
    }
    if (!stopped && i != b)
        Emit(sub(b, i) + ParagraphEnd);
}

void TfrMemoView::PaintText()
{
    TfrGlobals &e = frEngine();
    ReportCanvas &c = *DrawCanvas;
    SelectDrawFont(c);
    c.setCharSpacing(frRound(CharSpacing * ZoomX));
    const int drRight = DrawRect.x() + DrawRect.width(), drBottom = DrawRect.y() + DrawRect.height();
    const QRect clip(DrawRect.x() + 1, DrawRect.y(), drRight - 2 - (DrawRect.x() + 1), drBottom - 1 - DrawRect.y());
    e.WrapHeight = frRound(e.WrapHeight * ZoomY);
    const int savedLeft = Left, savedTop = Top;
    const qint32 savedAlignment = Alignment;
    const bool turned = Alignment & frtaVertical;
    const int vertical = Alignment & 0x18;
    Alignment &= ~0x18;
    if (turned) {
        if (vertical == frtaMiddle)
            Left += (DrawRect.width() - e.WrapHeight) / 2;
        else if (vertical == frtaDown)
            Left = drRight - e.WrapHeight;
    } else if (!ClipAtBottom) {
        if (vertical == frtaMiddle)
            Top += (DrawRect.height() - e.WrapHeight) / 2;
        else if (vertical == frtaDown)
            Top = drBottom - e.WrapHeight - 1;
    }
    const int horizontal = Alignment & 3;
    const int step = frRound(LineSpacing * ZoomY) + c.fontHeight();
    LineCounter = 0;
    const bool rtl = Flags & mfRTLReading;
    auto blanks = [](const QString &t) { return std::count_if(t.begin(), t.end(), isBlank); };
    if (!turned) {
        int y = Top + GapY;
        // Text is measured only where its width places it: shaping is most of the cost of drawing a page.
        const bool designBracket = Designing() && WorkText.size() == 1 && WorkText.first().startsWith(u'[')
                                   && c.textWidth(WorkText.first()) > clip.width();
        for (int k = 0; k < WorkText.size(); ++k) {
            if (ClipAtBottom && y + step > clip.y() + clip.height())
                break;
            QString line = WorkText.at(k);
            bool marked = line.isEmpty();
            if (line.endsWith(ParagraphEnd)) {
                line.chop(1);
                marked = true;
            }
            const int align = designBracket ? frtaRight : horizontal;
            const bool placedByWidth
                = align == frtaRight || align == frtaCenter || (align == frtaJustify && !marked && blanks(line) > 0);
            const int w = placedByWidth ? c.textWidth(line) : 0, W = DrawRect.width();
            int x = Left + GapX, extra = 0;
            if (align == frtaRight)
                x = Left + W - GapX - w - 1;
            else if (align == frtaCenter)
                x = Left + GapX + (W - 2 * GapX - w) / 2;
            else if (align == frtaJustify && !marked && blanks(line) > 0)
                extra = W - 2 * GapX - w;
            if (!Exporting) {
                c.drawText(x, y, line, clip, extra, rtl);
            } else if (e.CurrentReport) {
                int frame = FrameTyp;
                if (WorkText.size() > 1) {
                    if (k == 0)
                        frame &= ~0x2;
                    else if (k == WorkText.size() - 1)
                        frame &= ~0x8;
                    else
                        frame &= ~0xA;
                }
                e.CurrentReport->DoExportText(DrawRect, x, y, line, frame, this);
            }
            ++LineCounter;
            y += step;
        }
    } else {
        c.setTextRotated(true);
        int x = Left + GapX;
        const int H = DrawRect.height();
        for (const QString &text : std::as_const(WorkText)) {
            QString line = text;
            bool marked = line.isEmpty();
            if (line.endsWith(ParagraphEnd)) {
                line.chop(1);
                marked = true;
            }
            const int w = c.textWidth(line);
            int y = drBottom - GapY, extra = 0;
            if (horizontal == frtaRight)
                y = Top + GapY + w;
            else if (horizontal == frtaCenter)
                y = drBottom - GapY - (H - 2 * GapY - w) / 2 - 1;
            else if (horizontal == frtaJustify) {
                y = Top + H - GapY;
                if (!marked && blanks(line) > 0)
                    extra = H - 2 * GapY - w;
            }
            if (!Exporting)
                c.drawText(x, y, line, clip, extra, rtl);
            else if (e.CurrentReport)
                e.CurrentReport->DoExportText(DrawRect, x, y, line, 0, this);
            ++LineCounter;
            x += step;
        }
        c.setTextRotated(false);
    }
    Alignment = savedAlignment;
    Left = savedLeft;
    Top = savedTop;
}

void TfrMemoView::PaintUnderlines()
{
    ReportCanvas &c = *DrawCanvas;
    c.setPen(toQColor(FrameColor), frRound(FrameWidth), Qt::SolidLine);
    const int fontPixels = std::abs(ZoomY == 1 ? frRound(Font.Size * 96.0 / 72.0) : int(Font.Size * 96.0 / 72.0 * ZoomY));
    const int step = frRound(LineSpacing * ZoomY) + fontPixels;
    if (step <= 0)
        return;
    for (int k = 0; k < Height / step; ++k) {
        const int y = Top + GapY + k * step + frRound(2 * ZoomY) + fontPixels;
        c.drawLine(QPoint(Left, y), QPoint(Left + Width - 1, y));
    }
}

int TfrMemoView::MeasureWidth(const QStringList &lines)
{
    ReportCanvas &c = frEngine().ScratchCanvas();
    c.save();
    SelectDrawFont(c);
    c.setCharSpacing(frRound(CharSpacing * ZoomX));
    int widest = 0;
    for (QString line : lines) {
        line.remove(ParagraphEnd);
        widest = std::max(widest, c.textWidth(line));
    }
    c.restore();
    return frRound(widest / ZoomX + FrameWidth + 2 * GapX + 1);
}

void TfrMemoView::Draw(ReportCanvas &canvas)
{
    const bool autoWidth = !Designing() && (Flags & mfAutoWidth) && !Memo.isEmpty();
    if (autoWidth) {
        const int w = MeasureWidth(Memo);
        if (Alignment & frtaVertical) {
            Height = w;
        } else {
            if ((Alignment & 3) == frtaRight || (Alignment & 3) == frtaJustify)
                Left = Left + Width - w;
            Width = w;
        }
    }
    PrepareDraw(canvas);
    ClipAtBottom = false;
    WorkText = Memo;
    if (!WorkText.isEmpty()) {
        Prewrapped = std::any_of(WorkText.begin(), WorkText.end(), [](const QString &l) { return l.contains(ParagraphEnd); });
        if (WorkText.last() == QString(ParagraphEnd))
            WorkText.removeLast();
        const double zx = ZoomX, zy = ZoomY;
        const int sx = ShiftX, sy = ShiftY;
        ZoomX = ZoomY = 1;
        ApplyScale();
        if (autoWidth)
            Width += 100;
        LayoutText();
        RestoreGeometry();
        ZoomX = zx;
        ZoomY = zy;
        ShiftX = sx;
        ShiftY = sy;
        WorkText = frEngine().ScratchList;
    }
    ApplyScale();
    if (!Exporting) {
        DrawBackground();
        DrawFrame();
        if (Flags & mfUnderlines)
            PaintUnderlines();
    }
    if (!WorkText.isEmpty())
        PaintText();
    canvas.setCharSpacing(0);
    RestoreGeometry();
}

std::function<void()> TfrMemoView::ApplyHighlight()
{
    if (HighlightCondition.isEmpty())
        return [] {};
    bool holds = false;
    try {
        holds = frEngine().Parser().EvaluatePostfix(HighlightCondition) != Variant(0);
    } catch (const std::exception &) {
        // A condition that cannot be computed leaves this output unhighlighted.
        holds = false;
    }
    if (!holds)
        return [] {};
    const TfrFont savedFont = Font;
    const qint32 savedFill = FillColor;
    Font.Style = HighlightStyle & 0xF;
    Font.Color = HighlightFontColor;
    FillColor = HighlightFillColor;
    return [this, savedFont, savedFill] {
        Font = savedFont;
        FillColor = savedFill;
    };
}

int TfrMemoView::CalcHeight()
{
    TfrGlobals &e = frEngine();
    DrawMode = 1;
    PrepareDraw(e.ScratchCanvas());
    if (!Script.isEmpty())
        e.Interpreter().RunScript(Script);
    if (!Visible)
        return 0;
    WorkText = Memo;
    const QStringList before = WorkText;
    if (e.CurrentReport)
        e.CurrentReport->DoBeforePrint(WorkText, this);
    if (WorkText == before)
        FillWorkText();
    auto restore = ApplyHighlight();
    ApplyScale();
    int result = 0;
    if (!WorkText.isEmpty()) {
        LayoutText();
        WorkText = e.ScratchList;
        result = e.WrapHeight;
        if ((Flags & mfSuppress) && WorkText.join(QLatin1String("\r\n")) == LastValue)
            result = 0;
    }
    RestoreGeometry();
    restore();
    return result;
}

int TfrMemoView::MinHeight()
{
    LineStep = LineSpacing + Font.pixelHeight();
    return frRound(2 * FrameWidth) + LineStep + 2 * GapY;
}

int TfrMemoView::RemainHeight()
{
    LineStep = LineSpacing + Font.pixelHeight();
    if (LineStep <= 0)
        return 0;
    return ((Height - frRound(2 * FrameWidth) - 2 * GapY) % LineStep) + 2 * GapY + frRound(2 * FrameWidth);
}

void TfrMemoView::WritePrepared(TStream &stream)
{
    TfrGlobals &e = frEngine();
    PrepareDraw(e.ScratchCanvas());
    ClipAtBottom = true;
    if (DrawMode == 0 && !Script.isEmpty())
        e.Interpreter().RunScript(Script);
    if (DrawMode == 0) {
        if (e.CurrentReport && e.CurrentReport->OnBeforePrint) {
            WorkText = Memo;
            const QStringList before = WorkText;
            e.CurrentReport->DoBeforePrint(WorkText, this);
            if (WorkText == before)
                FillWorkText();
        } else {
            FillWorkText();
        }
    }
    if (!Visible) {
        DrawMode = 0;
        return;
    }
    auto restore = ApplyHighlight();
    if (DrawMode == 2) {
        ApplyScale();
        DrawCanvas = &e.ScratchCanvas();
        PaintText();
        e.ScratchList = WorkText;
        WorkText = WorkText.mid(0, LineCounter);
        if (!std::any_of(WorkText.begin(), WorkText.end(), [](const QString &l) { return l.contains(ParagraphEnd); }))
            WorkText << QString(ParagraphEnd);
        RestoreGeometry();
    }
    const QString savedTag = Tag;
    const quint8 savedAlign = BandAlign;
    if (Tag.contains(u'[')) {
        const qint32 savedFormat = FormatCode;
        FormatCode = 0;
        ExpandBrackets(Tag);
        FormatCode = savedFormat;
    }
    if (BandAlign == 5 || (BandAlign == 4 && e.CurrentBand))
        BandAlign = 0;
    const QString text = WorkText.join(QLatin1String("\r\n"));
    if (!((Flags & mfSuppress) && text == LastValue)) {
        WriteStreamByte(stream, quint8(TypeCode));
        if (TypeCode == 10)
            WriteStreamString(stream, ClassName());
        SaveToStream(stream);
        if (Flags & mfSuppress)
            LastValue = text;
    }
    if (DrawMode == 2)
        WorkText = e.ScratchList.mid(LineCounter);
    restore();
    Tag = savedTag;
    BandAlign = savedAlign;
    DrawMode = 0;
}

void TfrMemoView::ExportData()
{
    TfrView::ExportData();
    Exporting = true;
    Draw(frEngine().ScratchCanvas());
    Exporting = false;
}

void TfrMemoView::ReadBlobField(TField *field)
{
    AssignBlobTo(field, WorkText);
}

void TfrMemoView::ShowEditor()
{
    if (frEngine().MemoEditorHook)
        frEngine().MemoEditorHook(nullptr);
}

void TfrMemoView::LoadFromStream(TStream &stream)
{
    LoadBaseRecord(stream);
    const int v = frEngine().StreamVersion;
    Font.Name = ReadStoredString(stream);
    Font.Size = ReadStreamInt(stream);
    Font.Style = ReadStreamWord(stream) & 0xF;
    Font.Color = ReadStreamInt(stream);
    Alignment = ReadStreamInt(stream);
    const quint16 charset = ReadStreamWord(stream);
    Font.Charset = v < 23 ? frEngine().EngineCharset : (charset & 0xFF);
    if (RecordMode == 0) {
        HighlightStyle = ReadStreamWord(stream);
        HighlightFontColor = ReadStreamInt(stream);
        HighlightFillColor = ReadStreamInt(stream);
        HighlightCondition = ReadStoredString(stream);
    }
    if (v >= 24) {
        LineSpacing = ReadStreamInt(stream);
        CharSpacing = ReadStreamInt(stream);
    }
    if (v == 21)
        Flags |= mfWordWrap;
}

void TfrMemoView::SaveToStream(TStream &stream)
{
    SaveBaseRecord(stream);
    WriteStreamString(stream, Font.Name);
    WriteStreamInt(stream, Font.Size);
    WriteStreamWord(stream, quint16(Font.Style));
    WriteStreamInt(stream, Font.Color);
    WriteStreamInt(stream, Alignment);
    WriteStreamWord(stream, quint16(Font.Charset));
    if (RecordMode == 0) {
        WriteStreamWord(stream, HighlightStyle);
        WriteStreamInt(stream, HighlightFontColor);
        WriteStreamInt(stream, HighlightFillColor);
        WriteStreamString(stream, HighlightCondition);
    }
    WriteStreamInt(stream, LineSpacing);
    WriteStreamInt(stream, CharSpacing);
}
