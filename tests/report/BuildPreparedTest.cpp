// Prepared pages: object streams, the prepared report file in its three layouts, refused files, hit-testing,
// drawing and export.
#include "ModelStreamSupport.h"

#include "FR_ClassPrepared.h"
#include "FR_Locale.h"

#include "CodePage.h"
#include "ServiceFakes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using modeltest::Bytes;

namespace {

QString dumpObject(TfrView &v)
{
    return QStringLiteral("%1 %2 %3,%4 %5x%6 '%7'")
        .arg(v.ClassName(), v.Name)
        .arg(v.Left)
        .arg(v.Top)
        .arg(v.Width)
        .arg(v.Height)
        .arg(v.Memo.join(u'|'));
}

// Per page: its paper, then its objects as the page object built from the stream holds them.
QStringList dumpPages(TfrEMFPages &pages)
{
    QStringList out;
    for (int i = 0; i < pages.GetCount(); ++i) {
        TfrPreparedPage &p = *pages[i];
        out << QStringLiteral("page %1: size %2 %3x%4 o%5 bin %6 mu%7 m%8,%9,%10,%11")
                   .arg(i)
                   .arg(p.PaperSize)
                   .arg(p.PaperWidth)
                   .arg(p.PaperHeight)
                   .arg(p.Orientation)
                   .arg(p.PaperBin)
                   .arg(int(p.MarginsUsed))
                   .arg(p.Margins.Left)
                   .arg(p.Margins.Top)
                   .arg(p.Margins.Right)
                   .arg(p.Margins.Bottom);
        pages.ObjectsToPage(i);
        for (const auto &v : p.Page->Objects)
            out << dumpObject(*v);
    }
    return out;
}

class BuildPrepared : public ::testing::Test
{
protected:
    void SetUp() override { frResetEngine(); }

    // Writes a text object in its prepared form, its text being what the build made of it.
    static void addText(TfrEMFPages &pages, int page, const QString &name, QRect r, const QStringList &text)
    {
        TfrMemoView memo;
        memo.Name = name;
        memo.PlaceAt(r.x(), r.y(), r.width(), r.height());
        memo.WorkText = text;
        pages.AddObject(page, &memo);
    }

    // Two pages: A4 portrait with two overlapping texts and a line, A5 landscape with margins and a bin.
    static void fill(TfrReport &report)
    {
        TfrEMFPages &pages = report.EMFPages();
        TfrPage a4(PaperA4, 0, 0, DefaultBin, 0);
        pages.Add(&a4);
        addText(pages, 0, QStringLiteral("Memo1"), QRect(10, 20, 200, 40), { QStringLiteral("Итого"), "12,50" });
        addText(pages, 0, QStringLiteral("Memo2"), QRect(100, 30, 200, 40), { QStringLiteral("поверх") });
        TfrLineView line;
        line.Name = QStringLiteral("Line1");
        line.PlaceAt(0, 300, 500, 0);
        pages.AddObject(0, &line);
        TfrPage a5(11, 0, 0, 2, 1);
        a5.LeftMargin = 36;
        a5.TopMargin = 18;
        a5.RightMargin = 40;
        a5.BottomMargin = 20;
        pages.Add(&a5);
        addText(pages, 1, QStringLiteral("Memo3"), QRect(0, 0, 50, 18), { QStringLiteral("2") });
    }

    static QByteArray save(TfrReport &report)
    {
        TMemoryStream s;
        report.EMFPages().SaveToStream(s);
        return s.Bytes();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    FakeMessageService messages;
    QTemporaryDir m_dir;
};

TEST_F(BuildPrepared, SaveLoadSaveIsByteIdenticalAndKeepsPapersAndStreams)
{
    TfrReport report;
    fill(report);
    const QByteArray first = save(report);
    const QStringList dump = dumpPages(report.EMFPages());
    EXPECT_EQ(dump.value(0), QStringLiteral("page 0: size 9 2100x2970 o0 bin 65535 mu1 m0,0,0,0"));
    EXPECT_EQ(dump.value(1), QStringLiteral("TfrMemoView Memo1 10,20 200x40 'Итого|12,50'"));
    EXPECT_EQ(dump.value(4), QStringLiteral("page 1: size 11 2100x1480 o1 bin 2 mu1 m36,18,40,20"));

    const QString path = m_dir.filePath(QStringLiteral("a.frp"));
    report.SavePreparedFile(path);
    TfrReport copy;
    copy.BuiltFromTemplate = true;
    ASSERT_TRUE(copy.LoadPreparedFile(path));
    EXPECT_FALSE(copy.BuiltFromTemplate);
    ASSERT_EQ(copy.EMFPages().GetCount(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(copy.EMFPages()[i]->Stream.Bytes(), report.EMFPages()[i]->Stream.Bytes());
    EXPECT_EQ(dumpPages(copy.EMFPages()), dump);
    EXPECT_EQ(save(copy), first);
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_F(BuildPrepared, FileLayoutFieldByField)
{
    TfrReport report;
    TfrPage page(PaperA4, 0, 0, DefaultBin, 0);
    report.EMFPages().Add(&page);
    const QByteArray bytes = save(report);
    const QByteArray printer = QStringToCP1251(EnginePrinter().Printers.value(EnginePrinter().PrinterIndex));
    Bytes expected;
    expected.u8(24).u8(0).str(printer).i32(1);
    const int record = expected.size();
    expected.i32(0).u16(9).i32(2100).i32(2970).u8(0).i32(0xFFFF).u8(1).i32(0).i32(0).i32(0).i32(0).u8(24);
    expected.patch32(record, expected.size());
    EXPECT_EQ(bytes.toHex(), expected.bytes().toHex());
}

TEST_F(BuildPrepared, ACountOfNoPagesLoadsNoPage)
{
    TfrReport report;
    fill(report);
    TMemoryStream s(Bytes().u8(24).u8(0).str("").i32(0).bytes());
    report.EMFPages().LoadFromStream(&s);
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
    report.EMFPages().LoadFromStream(nullptr);
    EXPECT_EQ(report.EMFPages().GetCount(), 0);
}

// A page stream with one text object, for the older layouts.
QByteArray onePageObjects()
{
    TfrMemoView memo;
    memo.Name = QStringLiteral("Old1");
    memo.PlaceAt(5, 6, 70, 20);
    memo.WorkText = QStringList { QStringLiteral("старый") };
    TMemoryStream s;
    s.WriteByte(24);
    memo.RecordMode = 1;
    s.WriteByte(0);
    memo.SaveToStream(s);
    return s.Bytes();
}

TEST_F(BuildPrepared, AFileWithoutVersionByteHasTheDefaultBinAndNoMargins)
{
    const QByteArray objects = onePageObjects();
    Bytes b;
    b.u8(0).str("").i32(1);
    const int record = b.size();
    b.i32(0).u16(9).i32(2100).i32(2970).u8(1).u8(0).raw(objects);
    b.patch32(record, b.size());
    TfrReport report;
    ASSERT_TRUE(report.LoadPreparedFile(writeFile("v0.frp", b.bytes())));
    ASSERT_EQ(report.EMFPages().GetCount(), 1);
    const TfrPreparedPage &p = *report.EMFPages()[0];
    EXPECT_EQ(p.PaperBin, -1);
    EXPECT_EQ(p.Margins, TfrMargins {});
    EXPECT_EQ(p.Orientation, 1);
    EXPECT_FALSE(p.MarginsUsed);
    EXPECT_EQ(p.Stream.Bytes(), objects);
    EXPECT_EQ(dumpPages(report.EMFPages()).value(1), QStringLiteral("TfrMemoView Old1 5,6 70x20 'старый'"));
}

TEST_F(BuildPrepared, TheOldestLayoutKeepsEachPageMetafileAsAPictureOfThePage)
{
    const QByteArray metafile("\xD7\xCD\xC6\x9A old placeholder metafile bytes", 36);
    Bytes b;
    b.zstrs({ "Old printer" }).i32(2);
    for (int i = 0; i < 2; ++i) {
        const int record = b.size();
        b.i32(0).u16(9).i32(2100).i32(2970).u8(0).u8(1).raw(metafile);
        b.patch32(record, b.size());
    }
    TfrReport report;
    ASSERT_TRUE(report.LoadPreparedFile(writeFile("oldest.frp", b.bytes())));
    EXPECT_EQ(report.StoredPrinterName, QStringLiteral("Old printer"));
    ASSERT_EQ(report.EMFPages().GetCount(), 2);
    TfrPreparedPage &p = *report.EMFPages()[1];
    EXPECT_EQ(p.PaperBin, -1);
    EXPECT_TRUE(p.MarginsUsed);
    report.EMFPages().ObjectsToPage(1);
    ASSERT_EQ(p.Page->ObjectCount(), 1);
    auto *picture = dynamic_cast<TfrPictureView *>(p.Page->Object(0));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Width, p.PrnInfo.PaperWidthUnits);
    EXPECT_EQ(picture->Height, p.PrnInfo.PaperHeightUnits);
    EXPECT_EQ(picture->Picture.GetKind(), TfrPicture::Metafile);
    EXPECT_EQ(picture->Picture.Data(), metafile);

    // Drawn as a placeholder; saved again in the current layout with the bytes kept.
    p.Visible = true;
    RecordingCanvas canvas;
    report.EMFPages().Draw(1, canvas, QRect(0, 0, 200, 283));
    const QByteArray saved = save(report);
    TfrReport copy;
    TMemoryStream s(saved);
    copy.EMFPages().LoadFromStream(&s);
    copy.EMFPages().ObjectsToPage(0);
    EXPECT_EQ(static_cast<TfrPictureView *>(copy.EMFPages()[0]->Page->Object(0))->Picture.Data(), metafile);
}

// A valid one-page file and where its parts lie.
struct GoodFile
{
    QByteArray bytes;
    int countAt = 0;
    int recordAt = 0;
    int objectsAt = 0;
};

GoodFile goodFile()
{
    TfrReport report;
    TfrPage page(PaperA4, 0, 0, DefaultBin, 0);
    report.EMFPages().Add(&page);
    TfrMemoView memo;
    memo.Name = QStringLiteral("M");
    memo.WorkText = QStringList { QStringLiteral("x") };
    report.EMFPages().AddObject(0, &memo);
    TMemoryStream s;
    report.EMFPages().SaveToStream(s);
    GoodFile f;
    f.bytes = s.Bytes();
    const int printerLength = quint8(f.bytes[2]) | (quint8(f.bytes[3]) << 8);
    f.countAt = 2 + 2 + printerLength + 1;
    f.recordAt = f.countAt + 4;
    f.objectsAt = f.recordAt + 4 + 2 + 4 + 4 + 1 + 4 + 1 + 16;
    return f;
}

// A one-page file holding one text object at that place, with its line and character spacing.
QByteArray fileWithTextAt(int left, int top, int width, int height, int lineSpacing = 2, int charSpacing = 0)
{
    TfrReport report;
    TfrPage page(PaperA4, 0, 0, DefaultBin, 0);
    report.EMFPages().Add(&page);
    TfrMemoView memo;
    memo.PlaceAt(left, top, width, height);
    memo.LineSpacing = lineSpacing;
    memo.CharSpacing = charSpacing;
    report.EMFPages().AddObject(0, &memo);
    TMemoryStream s;
    report.EMFPages().SaveToStream(s);
    return s.Bytes();
}

QByteArray patched(QByteArray bytes, int at, qint64 value)
{
    qToLittleEndian(qint32(value), bytes.data() + at);
    return bytes;
}

QByteArray withByte(QByteArray bytes, int at, char value)
{
    bytes[at] = value;
    return bytes;
}

TEST_F(BuildPrepared, ABadFileIsRefusedWithAMessageAndTheOldPagesStay)
{
    const GoodFile good = goodFile();
    const int size = int(good.bytes.size());
    // A stream whose object has a type code no object has, and one naming a class nobody registered.
    const QByteArray unknownType = patched(good.bytes, good.recordAt, size + 1) + QByteArray(1, char(7));
    QByteArray unknownClass = good.bytes + Bytes().u8(10).str("TfrNoSuchView").bytes();
    unknownClass = patched(unknownClass, good.recordAt, unknownClass.size());
    const struct
    {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        { "empty", QByteArray() },
        { "compressed", withByte(good.bytes, 1, 1) },
        { "compressed as -1", withByte(good.bytes, 1, char(255)) },
        { "cut in the header", good.bytes.left(good.countAt + 2) },
        { "cut in the page record", good.bytes.left(good.recordAt + 9) },
        { "cut in the objects", good.bytes.left(size - 3) },
        { "end offset backwards", patched(good.bytes, good.recordAt, good.recordAt + 5) },
        { "end offset before the record", patched(good.bytes, good.recordAt, 2) },
        { "end offset past the end", patched(good.bytes, good.recordAt, size + 40) },
        { "negative page count", patched(good.bytes, good.countAt, -1) },
        { "impossible page count", patched(good.bytes, good.countAt, 0x7FFFFFFF) },
        { "one page too many", patched(good.bytes, good.countAt, 2) },
        { "object stream version", withByte(good.bytes, good.objectsAt, 99) },
        { "unknown object type", unknownType },
        { "unknown object class", unknownClass },
        { "object far to the right of any page", fileWithTextAt(2000000000, 0, 10, 10) },
        { "object of a negative size beyond any page", fileWithTextAt(0, 0, 10, -2000000000) },
        { "text spaced wider than any page", fileWithTextAt(0, 0, 10, 10, 2, -2000000000) },
        { "lines spaced further than any page", fileWithTextAt(0, 0, 10, 10, 1610630746) },
        { "paper larger than any", patched(good.bytes, good.recordAt + 6, 2000000000) },
        { "paper of a negative height", patched(good.bytes, good.recordAt + 10, -5) },
        { "left margin beyond any paper", patched(good.bytes, good.recordAt + 20, -2147483648LL) },
        { "oldest layout with a paper larger than any",
            Bytes().zstrs({ "P" }).i32(1).i32(26).u16(256).i32(2100).i32(0x6E762D73).u8(0).u8(1).raw("meta").bytes() },
        { "oldest layout cut short", Bytes().zstrs({ "P" }).i32(1).i32(100).bytes() },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TfrReport report;
        fill(report);
        report.BuiltFromTemplate = true;
        const QByteArray before = save(report);
        const QString path = writeFile(QStringLiteral("bad.frp"), c.bytes);
        messages.requests.clear();
        EXPECT_FALSE(report.LoadPreparedFile(path));
        ASSERT_EQ(messages.requests.size(), 1);
        EXPECT_EQ(messages.requests[0].text, QStringLiteral("Неверный FRP формат: ") + path);
        EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(save(report), before);
        EXPECT_TRUE(report.BuiltFromTemplate);
        EXPECT_FALSE(frEngine().ErrorFlag);
    }
}

TEST_F(BuildPrepared, SavingOverAFileReplacesItOnlyWhenComplete)
{
    TfrReport report;
    fill(report);
    const QString path = writeFile(QStringLiteral("keep.frp"), "old contents");
    EXPECT_NO_THROW(report.SavePreparedFile(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), save(report));
    f.close();
    const QString nowhere = m_dir.filePath(QStringLiteral("missing/x.frp"));
    EXPECT_THROW(report.SavePreparedFile(nowhere), EStreamError);
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(BuildPrepared, HitTestingPrefersTheLastObjectAndRaisesTheEvents)
{
    TfrReport report;
    fill(report);
    QStringList seen;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    TfrEMFPages &pages = report.EMFPages();
    // No handler: no hit is reported.
    EXPECT_FALSE(pages.DoClick(0, QPoint(150, 50), cursor, true));
    report.OnObjectClick = [&seen](TfrView *v) { seen << QStringLiteral("click ") + v->Name; };
    report.OnMouseOverObject = [&seen](TfrView *v, Qt::CursorShape &c) {
        seen << QStringLiteral("over ") + v->Name;
        c = Qt::PointingHandCursor;
    };
    EXPECT_TRUE(pages.DoClick(0, QPoint(150, 50), cursor, true));
    EXPECT_TRUE(pages.DoClick(0, QPoint(20, 25), cursor, true));
    EXPECT_TRUE(pages.DoClick(0, QPoint(20, 25), cursor, false));
    EXPECT_FALSE(pages.DoClick(0, QPoint(700, 700), cursor, true));
    EXPECT_EQ(seen, QStringList({ "click Memo2", "click Memo1", "over Memo1" }));
    EXPECT_EQ(cursor, Qt::PointingHandCursor);
}

TEST_F(BuildPrepared, HitTestingOfAPageStretchedIntoThePrintableArea)
{
    TfrReport report;
    TfrPage page(PaperA4, 0, 0, DefaultBin, 0);
    page.MarginsUsed = false;
    page.LeftMargin = 20;
    page.TopMargin = 10;
    report.EMFPages().Add(&page);
    addText(report.EMFPages(), 0, QStringLiteral("M"), QRect(0, 0, 100, 50), { QStringLiteral("a") });
    const TPrinterGeometry &g = report.EMFPages()[0]->PrnInfo;
    const double kx = double(g.PrintWidth - 20) / g.PaperWidthUnits;
    const int left = frRound(20 + g.OffsetX), right = frRound(20 + g.OffsetX + kx * 100);
    int clicks = 0;
    report.OnObjectClick = [&clicks](TfrView *) { ++clicks; };
    Qt::CursorShape cursor = Qt::ArrowCursor;
    EXPECT_FALSE(report.EMFPages().DoClick(0, QPoint(left - 1, 10 + g.OffsetY + 5), cursor, true));
    EXPECT_TRUE(report.EMFPages().DoClick(0, QPoint(left, 10 + g.OffsetY + 5), cursor, true));
    EXPECT_TRUE(report.EMFPages().DoClick(0, QPoint(right, 10 + g.OffsetY + 5), cursor, true));
    EXPECT_FALSE(report.EMFPages().DoClick(0, QPoint(right + 1, 10 + g.OffsetY + 5), cursor, true));
    EXPECT_EQ(clicks, 2);
}

TEST_F(BuildPrepared, DrawingBuildsThePageObjectOnlyWhileThePageIsVisible)
{
    setDefaultTextMeasurer(std::make_shared<FixedWidthMeasurer>(7));
    TfrReport report;
    fill(report);
    TfrEMFPages &pages = report.EMFPages();
    TfrPreparedPage &p = *pages[0];
    RecordingCanvas canvas;
    const QRect target(10, 10, p.PrnInfo.PaperWidthUnits / 2, p.PrnInfo.PaperHeightUnits / 2);

    pages.Draw(0, canvas, target);
    EXPECT_EQ(p.Page, nullptr);
    EXPECT_TRUE(canvas.records().empty());

    p.Visible = true;
    pages.Draw(0, canvas, target);
    ASSERT_NE(p.Page, nullptr);
    EXPECT_TRUE(canvas.texts().join(u' ').contains(QStringLiteral("'Итого'")));
    EXPECT_EQ(p.Page->Object(0)->ZoomX, 0.5);
    EXPECT_EQ(p.Page->Object(0)->ShiftX, 10);
    // An object whose enlarged rectangle misses the visible part is not drawn.
    canvas.clear();
    pages.Draw(0, canvas, target, QRect(10, 150, 400, 20));
    EXPECT_FALSE(canvas.texts().join(u' ').contains(QStringLiteral("'Итого'")));

    p.Visible = false;
    pages.Draw(0, canvas, target);
    EXPECT_EQ(p.Page, nullptr);
    setDefaultTextMeasurer(nullptr);
}

TEST_F(BuildPrepared, AnEditedPageObjectIsWrittenBackIntoItsStream)
{
    TfrReport report;
    fill(report);
    TfrEMFPages &pages = report.EMFPages();
    pages.ObjectsToPage(1);
    TfrView *memo = pages[1]->Page->Object(0);
    memo->Memo = QStringList { QStringLiteral("исправлено") };
    memo->Left = 44;
    pages.PageToObjects(1);
    pages[1]->Page.reset();
    EXPECT_EQ(dumpPages(pages).mid(5), QStringList({ "TfrMemoView Memo3 44,0 50x18 'исправлено'" }));
}

TEST_F(BuildPrepared, ExportWalksTheObjectsWithoutBuildingThePageObject)
{
    TfrReport report;
    fill(report);
    frEngine().CurrentReport = &report;
    QStringList exported;
    report.ExportDataHook = [&exported](int left, int top, TfrView *v) {
        exported << QStringLiteral("%1 %2,%3").arg(v->Name).arg(left).arg(top);
    };
    report.EMFPages().ExportPage(0);
    EXPECT_EQ(report.EMFPages()[0]->Page, nullptr);
    EXPECT_EQ(exported.size(), 3);
    EXPECT_EQ(exported.value(2), QStringLiteral("Line1 0,300"));
}

TEST_F(BuildPrepared, InsertingAndDeletingPages)
{
    TfrReport report;
    fill(report);
    TfrEMFPages &pages = report.EMFPages();
    TfrPage letter(1, 0, 0, DefaultBin, 0);
    pages.Insert(0, &letter);
    pages.Insert(99, &letter);
    ASSERT_EQ(pages.GetCount(), 4);
    EXPECT_EQ(pages[0]->PaperSize, 1);
    EXPECT_EQ(pages[3]->PaperSize, 1);
    EXPECT_EQ(pages[0]->Stream.Bytes(), QByteArray(1, char(24)));
    pages.ObjectsToPage(1);
    frEngine().ActivePage = pages[1]->Page.get();
    pages.Delete(1);
    EXPECT_EQ(frEngine().ActivePage, nullptr);
    EXPECT_EQ(pages[1]->PaperSize, 11);
    pages.Clear();
    EXPECT_EQ(pages.GetCount(), 0);
}

// The drawing of an A4 prepared page holding only that object, at the page's own size.
std::vector<CanvasRecord> drawnAlone(TfrView &view)
{
    TfrReport report;
    TfrPage a4(PaperA4, 0, 0, DefaultBin, 0);
    report.EMFPages().Add(&a4);
    report.EMFPages().AddObject(0, &view);
    TfrPreparedPage &p = *report.EMFPages()[0];
    p.Visible = true;
    RecordingCanvas canvas;
    report.EMFPages().Draw(0, canvas, QRect(0, 0, p.PrnInfo.PaperWidthUnits, p.PrnInfo.PaperHeightUnits));
    return canvas.records();
}

// Found by the prepared-report fuzzer: a dashed frame stored two million pixels wide was drawn as two million
// lines per side.
TEST_F(BuildPrepared, AHugeDashedFrameOfAPreparedObjectDrawsAsFewLines)
{
    TfrPictureView picture;
    picture.Name = QStringLiteral("Picture1");
    picture.PlaceAt(0, 0, 50, 50);
    picture.FrameTyp = 15;
    picture.FrameStyle = 1;
    picture.FrameWidth = 2000000;
    int lines = 0;
    for (const CanvasRecord &r : drawnAlone(picture))
        lines += r.kind == CanvasRecord::Line;
    EXPECT_GT(lines, 4);
    EXPECT_LE(lines, 4 * 102);
}

// Found by the prepared-report fuzzer: a band object stored with a billion columns drew each of them.
TEST_F(BuildPrepared, ABandObjectShowsOnlyTheColumnsThatStartOnThePage)
{
    const struct
    {
        int width, gap;
        int most;
    } cases[] = { { 100, 20, 8 }, { 1, 0, 800 }, { -5, 0, 1 }, { 0, -3, 1 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.width);
        TfrBandView band;
        band.PlaceAt(0, 0, 100, 40);
        band.Columns = 1000000000;
        band.ColumnWidth = c.width;
        band.ColumnGap = c.gap;
        int dotted = 0;
        for (const CanvasRecord &r : drawnAlone(band))
            dotted += r.kind == CanvasRecord::DrawRect && r.style == int(Qt::DotLine);
        EXPECT_GE(dotted, 1);
        EXPECT_LE(dotted, c.most);
    }
}

// Found by the prepared-report fuzzer: a metafile header with extreme bounds gave a picture size that
// overflowed while it was computed and drawn.
TEST_F(BuildPrepared, AMetafileWithExtremeBoundsHasABoundedSize)
{
    QByteArray emf(108, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    qToLittleEndian(qint32(-2000000000), emf.data() + 8);
    qToLittleEndian(qint32(2000000000), emf.data() + 16);
    qToLittleEndian(qint32(5), emf.data() + 12);
    qToLittleEndian(qint32(-7), emf.data() + 20);
    TfrPicture picture;
    picture.SetData(TfrPicture::Metafile, emf);
    EXPECT_EQ(picture.Width(), 1 << 22);
    EXPECT_EQ(picture.Height(), 0);
}

} // namespace
