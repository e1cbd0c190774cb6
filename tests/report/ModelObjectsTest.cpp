#include "FR_Class.h"
#include "FR_Globals.h"
#include "FR_Pars.h"

#include "Streams.h"

#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

// Readable failures for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

constexpr double CharWidth = 6; // the fake measurer: every character 6 pixels wide

// Text objects laid out and painted with a fixed-width measurer on the recording canvas. Arial 10 points is
// 13 pixels high, so lines are 15 pixels apart.
class ModelObjects : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setDefaultTextMeasurer(std::make_shared<FixedWidthMeasurer>(CharWidth));
        frResetEngine();
        frEngine().DocumentMode = 1;
    }
    void TearDown() override
    {
        setDefaultTextMeasurer(nullptr);
        frResetEngine();
    }

    // The painted text lines of a text object of the given size.
    QStringList paint(TfrMemoView &memo, int width, int height, const QStringList &text)
    {
        memo.PlaceAt(0, 0, width, height);
        memo.Memo = text;
        RecordingCanvas canvas;
        memo.Draw(canvas);
        return canvas.texts();
    }
};

TEST_F(ModelObjects, WrapsAtBlanksAndCutsLongWords)
{
    struct Case
    {
        const char *name;
        int width;
        QStringList text;
        QStringList lines;
    };
    const Case cases[] = {
        {"fits", 100, {"aaa bbb"}, {"text 2,1 'aaa bbb'"}},
        {"at the blank", 46, {"aaa bbb ccc"}, {"text 2,1 'aaa bbb'", "text 2,16 'ccc'"}},
        {"long word", 46, {"abcdefghij"}, {"text 2,1 'abcdefg'", "text 2,16 'hij'"}},
        {"paragraphs", 46, {"aa", "", "bb"}, {"text 2,1 'aa'", "text 2,16 ''", "text 2,31 'bb'"}},
        {"line break inside", 100, {"one\r\ntwo"}, {"text 2,1 'one'", "text 2,16 'two'"}},
    };
    for (const Case &c : cases) {
        TfrMemoView memo;
        EXPECT_EQ(paint(memo, c.width, 100, c.text), c.lines) << c.name;
    }

    TfrMemoView noWrap;
    noWrap.Flags &= ~2;
    EXPECT_EQ(paint(noWrap, 46, 100, {"aaa bbb ccc"}), QStringList{"text 2,1 'aaa bbb ccc'"});
}

TEST_F(ModelObjects, HyphenatesRussianWords)
{
    EXPECT_EQ(HyphenationPositions(QStringLiteral("программирование")), std::vector<int>({4, 7, 9, 11, 13}));
    EXPECT_TRUE(HyphenationPositions(QStringLiteral("дом")).empty());
    EXPECT_TRUE(HyphenationPositions(QStringLiteral("бвгджз")).empty());

    TfrMemoView memo;
    memo.Flags |= 4; // WordBreak
    // Ten characters fit.
    EXPECT_EQ(paint(memo, 64, 100, {QStringLiteral("о программирование")}),
              QStringList({QStringLiteral("text 2,1 'о програм-'"), QStringLiteral("text 2,16 'мирование'")}));
    // A word without a fitting position is cut as without hyphenation.
    EXPECT_EQ(paint(memo, 64, 100, {QStringLiteral("о бвгджзклмнпрст")}),
              QStringList({QStringLiteral("text 2,1 'о'"), QStringLiteral("text 2,16 'бвгджзклмн'"),
                           QStringLiteral("text 2,31 'прст'")}));
}

TEST_F(ModelObjects, AlignsHorizontallyAndVertically)
{
    struct Case
    {
        int alignment;
        int width;
        QStringList text;
        QStringList lines;
    };
    const Case cases[] = {
        {frtaLeft, 46, {"abc"}, {"text 2,1 'abc'"}},
        {frtaRight, 46, {"abc"}, {"text 26,1 'abc'"}},
        {frtaCenter, 46, {"abc"}, {"text 14,1 'abc'"}},
        // A justified paragraph stretches every line but its last.
        {frtaJustify, 64, {"aaa bbb ccc ddd"}, {"text 2,1 'aaa bbb' +19", "text 2,16 'ccc ddd'"}},
        // Height 30: the object's rectangle is 31 high and one line needs 17.
        {frtaMiddle, 46, {"abc"}, {"text 2,8 'abc'"}},
        {frtaDown, 46, {"abc"}, {"text 2,14 'abc'"}},
    };
    for (const Case &c : cases) {
        TfrMemoView memo;
        memo.Alignment = c.alignment;
        EXPECT_EQ(paint(memo, c.width, 30, c.text), c.lines) << c.alignment;
    }
}

TEST_F(ModelObjects, TurnedTextReadsUpwards)
{
    struct Case
    {
        int alignment;
        QString line;
    };
    // Width 30, height 60: the rectangle's bottom is 61.
    const Case cases[] = {
        {frtaVertical, "text90 2,60 'abc'"},
        {frtaVertical | frtaRight, "text90 2,19 'abc'"},
        {frtaVertical | frtaCenter, "text90 2,39 'abc'"},
    };
    for (const Case &c : cases) {
        TfrMemoView memo;
        memo.Alignment = c.alignment;
        EXPECT_EQ(paint(memo, 30, 60, {"abc"}).value(0), c.line) << c.alignment;
    }
}

TEST_F(ModelObjects, DesignerShowsALongExpressionRightAlignedAndUnbroken)
{
    frEngine().DocumentMode = 0;
    TfrMemoView memo;
    // 20 characters in an object 47 pixels wide: right-aligned, starting left of the object.
    EXPECT_EQ(paint(memo, 46, 30, {"[CustomerNameFieldX]"}), QStringList{"text -76,1 '[CustomerNameFieldX]'"});
}

TEST_F(ModelObjects, ValuesWithLineBreaksBecomeParagraphs)
{
    TfrReport report;
    frEngine().CurrentReport = &report;
    report.OnGetValue = [](const QString &name, Variant &value) { value = Variant(name == "V" ? "x\r\ny" : "?"); };
    TfrMemoView memo;
    memo.Memo = {"A: [V]", "", "B"};
    memo.FillWorkText();
    EXPECT_EQ(memo.WorkText, QStringList({"A: x", "y", "", "B"}));
    memo.Flags |= 0x10; // TextOnly
    memo.FillWorkText();
    EXPECT_EQ(memo.WorkText, QStringList({"A: [V]", "", "B"}));

    // Brackets are expanded once: text a value brings in is not expanded again.
    report.OnGetValue = [](const QString &, Variant &value) { value = Variant("[V]"); };
    QString tag = "<[A]|[B]>";
    memo.ExpandBrackets(tag);
    EXPECT_EQ(tag, QStringLiteral("<[V]|[V]>"));
}

TEST_F(ModelObjects, SplitObjectWritesTheLinesThatFit)
{
    TfrMemoView memo;
    memo.PlaceAt(0, 0, 100, 70);
    memo.Flags &= ~2;
    for (int i = 0; i < 10; ++i)
        memo.WorkText << QStringLiteral("l%1").arg(i) + ParagraphEnd;
    memo.RecordMode = 1;
    memo.DrawMode = 2;
    TMemoryStream stream;
    memo.WritePrepared(stream);
    EXPECT_EQ(memo.WorkText.size(), 6);
    EXPECT_EQ(memo.WorkText.first(), QStringLiteral("l4") + ParagraphEnd);
    EXPECT_EQ(memo.DrawMode, 0);

    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadByte(), 0);
    TfrMemoView part;
    part.RecordMode = 1;
    part.LoadFromStream(stream);
    ASSERT_EQ(part.Memo.size(), 4);
    EXPECT_EQ(part.Memo.last(), QStringLiteral("l3") + ParagraphEnd);
    // The part is written pre-wrapped: painted as it is.
    RecordingCanvas canvas;
    part.Draw(canvas);
    EXPECT_EQ(canvas.texts().size(), 4);
}

TEST_F(ModelObjects, StretchingMeasuresTheText)
{
    TfrMemoView memo;
    memo.PlaceAt(0, 0, 46, 10);
    memo.Memo = {"aaa bbb ccc"};
    // Two lines: gap 1, two steps of 15, gap 1.
    EXPECT_EQ(memo.CalcHeight(), 32);
    EXPECT_EQ(memo.DrawMode, 1);
    EXPECT_EQ(memo.MinHeight(), 2 + 15 + 2);
    memo.Height = 50;
    EXPECT_EQ(memo.RemainHeight(), ((50 - 2 - 2) % 15) + 2 + 2);
    memo.Visible = false;
    EXPECT_EQ(memo.CalcHeight(), 0);
    EXPECT_EQ(memo.CallMethod("CALCHEIGHT", Variant(), Variant(), Variant()).toInt(), 0);
}

TEST_F(ModelObjects, LayingOutAndMeasuringKeepNoRecords)
{
    // Every draw, height and width measure lays text out on the engine's scratch canvas; were its calls kept, a
    // designer repainting a page would grow without end.
    TfrMemoView memo;
    memo.Flags |= 8;
    memo.PlaceAt(0, 0, 46, 40);
    memo.Memo = {"aaa bbb ccc"};
    for (int i = 0; i < 3; ++i) {
        RecordingCanvas canvas;
        memo.Draw(canvas);
        memo.CalcHeight();
    }
    EXPECT_TRUE(frEngine().ScratchCanvas().records().empty());
}

TEST_F(ModelObjects, ADrawnObjectChangedInAnyWayIsLaidOutAfresh)
{
    // One object drawn again after each change paints and measures what a new object with the same attributes
    // does: a kept layout that missed one of them would show the text as it was.
    struct Step
    {
        const char *name;
        std::function<void(TfrMemoView &)> change;
    };
    const Step steps[] = {
        {"as placed", [](TfrMemoView &) {}},
        {"narrower", [](TfrMemoView &m) { m.Width = 40; }},
        {"other text", [](TfrMemoView &m) { m.Memo = QStringList{"dd eee ffff gg"}; }},
        {"larger font", [](TfrMemoView &m) { m.Font.Size = 14; }},
        {"character spacing", [](TfrMemoView &m) { m.CharSpacing = 2; }},
        {"wider frame", [](TfrMemoView &m) { m.FrameWidth = 6; }},
        {"gap", [](TfrMemoView &m) { m.GapX = 9; }},
        {"line spacing", [](TfrMemoView &m) { m.LineSpacing = 7; }},
        {"no word wrap", [](TfrMemoView &m) { m.Flags &= ~2; }},
        {"word wrap again", [](TfrMemoView &m) { m.Flags |= 2; }},
        {"turned", [](TfrMemoView &m) { m.Alignment = frtaVertical; }},
        {"not turned", [](TfrMemoView &m) { m.Alignment = 0; }},
        {"an expression", [](TfrMemoView &m) { m.Memo = QStringList{"[CustomerNameFieldX]"}; }},
        {"in the designer", [](TfrMemoView &) { frEngine().DocumentMode = 0; }},
    };
    auto texts = [](TfrMemoView &m) {
        RecordingCanvas canvas;
        m.Draw(canvas);
        return canvas.texts();
    };
    TfrMemoView kept;
    kept.PlaceAt(0, 0, 70, 60);
    kept.Memo = QStringList{"aaa bbb cc"};
    for (const Step &step : steps) {
        step.change(kept);
        TfrMemoView fresh;
        fresh.PlaceAt(kept.Left, kept.Top, kept.Width, kept.Height);
        for (const Step &s : steps) {
            s.change(fresh);
            if (&s == &step)
                break;
        }
        fresh.Memo = kept.Memo;
        EXPECT_EQ(texts(kept), texts(fresh)) << step.name;
        EXPECT_EQ(texts(kept), texts(fresh)) << step.name << ", drawn again";
        EXPECT_EQ(kept.CalcHeight(), fresh.CalcHeight()) << step.name;
    }
}

TEST_F(ModelObjects, AutoWidthFollowsTheText)
{
    TfrMemoView memo;
    memo.Flags |= 8;
    memo.PlaceAt(100, 0, 200, 30);
    memo.Alignment = frtaRight;
    memo.Memo = {"abcd"};
    RecordingCanvas canvas;
    memo.Draw(canvas);
    // 24 pixels of text, the frame width, both gaps and one.
    EXPECT_EQ(memo.Width, 24 + 1 + 4 + 1);
    EXPECT_EQ(memo.Left, 300 - 30);
}

TEST_F(ModelObjects, FramesFillsAndScale)
{
    TfrMemoView memo;
    memo.PlaceAt(10, 20, 100, 30);
    memo.FrameTyp = 15;
    memo.FrameStyle = 5;
    memo.FrameWidth = 2;
    memo.FillColor = clYellow;
    RecordingCanvas canvas;
    memo.Draw(canvas);
    QStringList lines;
    for (const QString &d : canvas.drawings())
        if (d.startsWith("line") || d.startsWith("fill"))
            lines << d;
    // Each double line: two lines two pixels to either side of the edge, then the fill colour between them.
    EXPECT_EQ(lines.mid(0, 4), QStringList({"fill 10,20 100x30 #ffff00", "line 108,20 108,50", "line 112,20 112,50",
                                            "line 110,20 110,50"}));
    const QRegion clip = memo.GetClipRegion(false);
    EXPECT_EQ(clip.boundingRect(), QRect(QPoint(7, 17), QPoint(10 + 100 + 1 + 2 - 1, 20 + 30 + 1 + 2 - 1)));
    EXPECT_EQ(memo.GetClipRegion(true).boundingRect(), clip.boundingRect().adjusted(-10, -10, 10, 10));

    memo.ZoomX = memo.ZoomY = 2;
    memo.ShiftX = 5;
    memo.FrameStyle = 0;
    memo.FrameWidth = 1;
    memo.ApplyScale();
    EXPECT_EQ(memo.Left, 25);
    EXPECT_EQ(memo.Width, 200);
    EXPECT_EQ(memo.GapX, 4 + 1);
    EXPECT_EQ(memo.DrawRect, QRect(QPoint(25 + 0, 40 + 0), QPoint(225 - 1, 100 - 1)));
    memo.RestoreGeometry();
    EXPECT_EQ(memo.Left, 10);
    EXPECT_EQ(memo.GapX, 2);

    // While designing every object shows corner marks; a transparent fill is filled white.
    frEngine().DocumentMode = 0;
    TfrLineView line;
    line.PlaceAt(0, 0, 5, 50);
    RecordingCanvas design;
    line.Draw(design);
    EXPECT_EQ(line.Width, 0);
    EXPECT_EQ(line.FrameTyp, 4);
    line.PlaceAt(0, 0, 50, 5);
    line.Draw(design);
    EXPECT_EQ(line.Height, 0);
    EXPECT_EQ(line.FrameTyp, 8);
}

TEST_F(ModelObjects, BandAlignmentAgainstThePrintArea)
{
    TfrReport report;
    frEngine().CurrentReport = &report;
    report.Pages().Add();
    TfrPage *page = report.Pages()[0];
    frEngine().ActivePage = page;
    ASSERT_EQ(page->PrintAreaRight(), 740);
    auto *a = new TfrMemoView;
    auto *b = new TfrMemoView;
    a->PlaceAt(100, 10, 50, 20);
    b->PlaceAt(300, 10, 60, 20);
    a->BandAlign = b->BandAlign = 2;
    page->AddObject(a);
    page->AddObject(b);
    RecordingCanvas canvas;
    b->PrepareDraw(canvas);
    EXPECT_EQ(b->Left, 740 - 60);
    a->PrepareDraw(canvas);
    EXPECT_EQ(a->Left, 680 - 50 - 1);

    auto *c = new TfrMemoView;
    c->PlaceAt(0, 50, 100, 20);
    c->BandAlign = 3;
    page->AddObject(c);
    c->PrepareDraw(canvas);
    EXPECT_EQ(c->Left, 18 + (722 - 100) / 2);
}

TEST_F(ModelObjects, PropertiesAndMethods)
{
    TfrMemoView memo;
    EXPECT_EQ(memo.GetPropertyValue("DataField").toString(), QString());
    memo.SetPropertyValue("memo", Variant(QStringLiteral("a\r\nb")));
    EXPECT_EQ(memo.Memo, QStringList({"a", "b"}));
    EXPECT_EQ(memo.GetPropertyValue("MEMO").toString(), QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(memo.GetPropertyValue("Lines.Count").toInt(), 2);
    memo.SetPropertyValue("Font.Size", Variant(14));
    memo.SetPropertyValue("WordBreak", Variant(true));
    memo.SetPropertyValue("Stretched", Variant(false));
    EXPECT_EQ(memo.Font.Size, 14);
    EXPECT_EQ(memo.Flags, 2 | 4);
    EXPECT_TRUE(memo.GetPropertyValue("FONT.SIZE") == Variant(14));
    EXPECT_TRUE(memo.GetPropertyValue("Unknown").isNull());
    EXPECT_THROW(memo.SetPropertyValue("Left", Variant(QStringLiteral("abc"))), EVariantError);

    memo.CallMethod("HIDE", Variant(), Variant(), Variant());
    EXPECT_FALSE(memo.Visible);
    memo.CallMethod("SHOW", Variant(), Variant(), Variant());
    EXPECT_TRUE(memo.Visible);
    EXPECT_EQ(memo.CallMethod("GETINDEXPROPERTY", Variant("LINES"), Variant(1), Variant()).toString(),
              QStringLiteral("b"));
    memo.CallMethod("LINES.ADD", Variant("'c'"), Variant(), Variant());
    EXPECT_EQ(memo.Memo, QStringList({"a", "b", "c"}));
    EXPECT_THROW(memo.CallMethod("GETINDEXPROPERTY", Variant("LINES"), Variant(7), Variant()), Exception);

    memo.RegisterProperties();
    ASSERT_NE(memo.FindPropRec("wordwrap"), nullptr);
    EXPECT_EQ(memo.FindPropRec("FrameStyle")->Enum.size(), 6);
    EXPECT_EQ(memo.FindPropRec("Name")->PropType, 0x101);

    TfrBandView footer;
    footer.SetBandType(btPageFooter);
    footer.RegisterProperties();
    EXPECT_NE(footer.FindPropRec("OnFirstPage"), nullptr);
    EXPECT_NE(footer.FindPropRec("OnLastPage"), nullptr);
    EXPECT_EQ(footer.FindPropRec("ChildBand"), nullptr);
    EXPECT_EQ(footer.FindPropRec("FrameTyp"), nullptr);
    EXPECT_NE(footer.FindPropRec("OnBeforePrint"), nullptr);
    EXPECT_EQ(footer.FindPropRec("Memo"), nullptr);

    EXPECT_TRUE(frEngine().EngineConstants.GetValue("clRed") == Variant(255));
    EXPECT_TRUE(frEngine().EngineConstants.GetValue("MB_YESNO") == Variant(4));
    EXPECT_TRUE(frEngine().Parser().Evaluate("1 + 1") == Variant(2));
}

TEST_F(ModelObjects, PicturesKeepTheirAspectAndTheirBytes)
{
    struct Case
    {
        quint16 flags;
        QString drawn;
    };
    const Case cases[] = {
        {1 | 4, "image 0,0 101x50"},
        {1 | 4 | 2, "image 0,25 101x50"},
        {1, "image 0,0 101x101"},
        {0, "image 0,0 200x100"},
    };
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::green);
    for (const Case &c : cases) {
        TfrPictureView pic;
        pic.PlaceAt(0, 0, 100, 100);
        pic.Flags = c.flags;
        pic.Picture.SetImage(image);
        RecordingCanvas canvas;
        pic.Draw(canvas);
        EXPECT_TRUE(canvas.drawings().contains(c.drawn)) << c.flags << canvas.drawings().join(" | ").toStdString();
    }

    // A metafile is kept byte for byte and drawn as a placeholder.
    QByteArray emf(108, '\0');
    emf[0] = 1;
    qToLittleEndian(qint32(40), emf.data() + 16);
    qToLittleEndian(qint32(20), emf.data() + 20);
    emf.replace(40, 4, " EMF");
    TfrPictureView pic;
    pic.PlaceAt(0, 0, 100, 100);
    pic.Flags = 0;
    pic.Picture.SetData(TfrPicture::Metafile, emf);
    EXPECT_EQ(pic.Picture.Width(), 41);
    RecordingCanvas canvas;
    pic.Draw(canvas);
    EXPECT_TRUE(canvas.drawings().contains("rect 0,0 41x21"));
    TMemoryStream stream;
    pic.SaveToStream(stream);
    stream.SetPosition(0);
    TfrPictureView copy;
    copy.LoadFromStream(stream);
    EXPECT_EQ(copy.Picture.Data(), emf);
    EXPECT_THROW(copy.Picture.SetData(TfrPicture::Bitmap, "not a bitmap"), Exception);

    frEngine().DocumentMode = 0;
    TfrPictureView empty;
    RecordingCanvas design;
    empty.Draw(design);
    EXPECT_TRUE(design.texts().value(0).contains(QStringLiteral("[Рисунок]")));
}

TEST_F(ModelObjects, PageDrawnToAnImageShowsItsObjects)
{
    setDefaultTextMeasurer(nullptr);
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(&painter);
        TfrMemoView memo;
        memo.PlaceAt(10, 10, 100, 30);
        memo.FrameTyp = 15;
        memo.Memo = {QStringLiteral("ЖЖЖЖ")};
        memo.Font.Size = 16;
        memo.Font.Style = 2;
        memo.Draw(canvas);
        TfrLineView line;
        line.PlaceAt(150, 10, 1, 50);
        line.FrameColor = clBlue;
        line.Draw(canvas);
        TfrPictureView pic;
        pic.PlaceAt(200, 10, 20, 20);
        QImage red(20, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        pic.Picture.SetImage(red);
        pic.Draw(canvas);
    }
    EXPECT_EQ(image.pixelColor(50, 10), QColor(Qt::black));  // top frame line
    EXPECT_EQ(image.pixelColor(10, 25), QColor(Qt::black));  // left
    EXPECT_EQ(image.pixelColor(110, 25), QColor(Qt::black)); // right
    EXPECT_EQ(image.pixelColor(50, 40), QColor(Qt::black));  // bottom
    EXPECT_EQ(image.pixelColor(150, 30), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(151, 30), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(205, 15), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(225, 35), QColor(Qt::white));
    int dark = 0;
    for (int y = 12; y < 38; ++y)
        for (int x = 12; x < 100; ++x)
            dark += image.pixelColor(x, y).lightness() < 100;
    EXPECT_GT(dark, 40);
    EXPECT_EQ(image.pixelColor(105, 35), QColor(Qt::white));
}

} // namespace
