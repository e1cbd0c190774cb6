#include "ModelStreamSupport.h"

#include "FR_DataDict.h"
#include "FR_Locale.h"
#include "FR_Utils.h"

#include "FakeReportDesigner.h"
#include "FormatSettings.h"
#include "ServiceFakes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using modeltest::Bytes;

namespace {

QByteArray contents(const TMemoryStream &stream)
{
    return stream.Bytes();
}

class ModelStream : public ::testing::Test
{
protected:
    void SetUp() override { frResetEngine(); }
    FakeMessageService messages;
};

// ---- encodings

TEST_F(ModelStream, StringListsAndZeroStrings)
{
    TMemoryStream s;
    WriteStreamStrings(s, {});
    EXPECT_EQ(contents(s), QByteArray("\0\0\0", 3));
    s.SetPosition(0);
    QStringList lines{"x"};
    ReadStreamStrings(s, lines);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(s.Position(), 3);

    TMemoryStream t;
    WriteStreamStrings(t, {"ab", "", "Привет"});
    EXPECT_EQ(contents(t), Bytes().u16(3).u16(2).raw("ab").u8(13).u16(0).u8(13).u16(6)
                                          .raw("\xCF\xF0\xE8\xE2\xE5\xF2").u8(0).bytes());
    t.SetPosition(0);
    ReadStreamStrings(t, lines);
    EXPECT_EQ(lines, QStringList({"ab", "", "Привет"}));

    TMemoryStream z(Bytes().raw("a\r\rb\r").u8(0).raw("c").u8(0).bytes());
    ReadZeroStrings(z, lines);
    EXPECT_EQ(lines, QStringList({"a", "", "b"}));
    EXPECT_EQ(ReadZeroString(z), QStringLiteral("c"));
}

TEST_F(ModelStream, ReadersRefuseLengthsPastTheEnd)
{
    TMemoryStream s(Bytes().u16(0xFFFF).raw("abc").bytes());
    EXPECT_THROW(ReadStreamString(s), EReadError);
    TMemoryStream t(Bytes().u16(1).u16(3).raw("ab").bytes());
    QStringList lines;
    EXPECT_THROW(ReadStreamStrings(t, lines), EReadError);
    TMemoryStream z(QByteArray("no end"));
    EXPECT_THROW(ReadZeroString(z), EReadError);
}

TEST_F(ModelStream, WriterRefusesTextsLongerThanAStreamString)
{
    TMemoryStream s;
    EXPECT_THROW(WriteStreamString(s, QString(65536, u'x')), std::exception);
    WriteStreamString(s, QString(65535, u'x'));
    EXPECT_EQ(s.Size(), 65535 + 3);
}

TEST_F(ModelStream, TextHelpers)
{
    EXPECT_EQ(UnquoteText("\"\""), QStringLiteral("\"\""));
    EXPECT_EQ(UnquoteText("\"a b\""), QStringLiteral("a b"));
    EXPECT_EQ(UnquoteText("\"a"), QStringLiteral("\"a"));
    QStringList list;
    SplitBySemicolon("a;;b;", list);
    EXPECT_EQ(list, QStringList({"a", "", "b"}));
    SplitBySemicolon("", list);
    EXPECT_TRUE(list.isEmpty());
    int pos = 3;
    EXPECT_EQ(ReadToken("a;bc;d", pos), QStringLiteral("bc"));
    EXPECT_EQ(pos, 6);

    FormatSettingsScope scope;
    for (QChar sep : {QChar(u'.'), QChar(u',')}) {
        FormatSettings().DecimalSeparator = sep;
        EXPECT_DOUBLE_EQ(StrToFloatAnySeparator(" 1.5 "), 1.5);
        EXPECT_DOUBLE_EQ(StrToFloatAnySeparator("1,5"), 1.5);
    }
    EXPECT_THROW(StrToFloatAnySeparator("1,5x"), EConvertError);

    QFont f;
    FontStyleFromInt(f, 1 | 8);
    EXPECT_TRUE(f.italic());
    EXPECT_FALSE(f.bold());
    EXPECT_TRUE(f.strikeOut());
    EXPECT_EQ(FontStyleToInt(f), 9);
}

// ---- the report stream

// A version-24 template as the engine writes it: one page, one text object, a dictionary.
Bytes template24(int *endOffsetAt = nullptr)
{
    Bytes b;
    b.u8(24).u16(0).u16(0xFFFF).str("\x01");
    b.u8(255).i32(-1).i32(9).i32(2100).i32(2970).i32(10).i32(20).i32(30).i32(40).u8(0).i32(0xFFFF);
    b.u16(0).u16(0xFFFF).i32(1).i32(0).u8(0).str("Page1").u8(3).str("Form").i32(0x8000000F);
    b.i32(220).i32(120).i32(380).i32(300).u8(4).strs({});
    b.u8(0).u8(0);
    const int endAt = b.size();
    if (endOffsetAt)
        *endOffsetAt = endAt;
    b.i32(0);
    b.str("Memo1").u8(2).u8(0).i32(10).i32(20).i32(100).i32(30).u16(3).u16(15).i32(1500).i32(0xFF).u16(1);
    b.i32(0x1FFFFFFF).i32(0).str("").strs({"Hello", "[Date]"}).strs({"a := 1"}).u16(0xFFFF).u16(0).str("t");
    b.i32(2).i32(1).u8(0);
    b.str("Arial").i32(10).u16(2).i32(0).i32(2).u16(204).u16(2).i32(0).i32(0xFFFFFF).str("").i32(2).i32(0);
    b.patch32(endAt, b.size());
    b.u8(254).u16(0xFFFE).i32(2).str(" Cat").str("").str("Var").str("1+2").i32(0).i32(0);
    return b;
}

TEST_F(ModelStream, HandBuiltTemplateLoadsAndSavesByteIdentical)
{
    TfrReport report;
    const QByteArray fixture = template24().bytes();
    modeltest::load(report, fixture);
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    ASSERT_EQ(report.Pages().GetCount(), 1);
    TfrPage *page = report.Pages()[0];
    EXPECT_EQ(page->Name, QStringLiteral("Page1"));
    EXPECT_EQ(page->RightMargin, 30);
    EXPECT_TRUE(report.TwoPass);
    EXPECT_EQ(report.StoredPrinterName, QStringLiteral("Виртуальный принтер"));
    ASSERT_EQ(page->ObjectCount(), 1);
    auto *memo = dynamic_cast<TfrMemoView *>(page->Object(0));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Name, QStringLiteral("Memo1"));
    EXPECT_DOUBLE_EQ(memo->FrameWidth, 1.5);
    EXPECT_EQ(memo->Memo, QStringList({"Hello", "[Date]"}));
    EXPECT_EQ(memo->Script, QStringList({"a := 1"}));
    EXPECT_EQ(memo->Font.Style, 2);
    EXPECT_EQ(memo->Alignment, 2);
    EXPECT_EQ(report.Dictionary().Variables.GetCount(), 2);
    EXPECT_EQ(report.Dictionary().Variables.GetValue("Var").toString(), QStringLiteral("1+2"));

    EXPECT_EQ(modeltest::save(report), fixture);
}

TEST_F(ModelStream, OlderVersionsLoad)
{
    // Version 23: no end offsets, no paper bin, no dialog fields, no record version, gaps or alignment.
    Bytes v23;
    v23.u8(23).u16(0).u16(0).str("Office");
    v23.u8(255).i32(-1).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(1).u16(0).u16(0xFFFF).i32(2).i32(5);
    v23.u8(0).u8(0).str("Total").i32(1).i32(2).i32(3).i32(4).u16(1).u16(0).i32(1).i32(0).u16(0).i32(0x1FFFFFFF);
    v23.i32(0).str("").strs({"x"}).strs({"s"}).u16(0);
    v23.str("Arial").i32(12).u16(0).i32(0).i32(0).u16(204).u16(2).i32(0).i32(0xFFFFFF).str("[A] > 1");
    TfrReport report;
    modeltest::load(report, v23.bytes());
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    ASSERT_EQ(report.Pages().GetCount(), 1);
    TfrPage *page = report.Pages()[0];
    EXPECT_EQ(page->Name, QStringLiteral("Page1"));
    EXPECT_EQ(page->Orientation, 1);
    EXPECT_EQ(page->PaperWidth, 2970);
    EXPECT_EQ(page->Bin, DefaultBin);
    EXPECT_EQ(page->Columns, 2);
    ASSERT_EQ(page->ObjectCount(), 1);
    auto *memo = static_cast<TfrMemoView *>(page->Object(0));
    EXPECT_EQ(memo->Name, QStringLiteral("Total"));
    EXPECT_FALSE(memo->Visible);
    EXPECT_EQ(memo->Script, QStringList{"s"});
    EXPECT_EQ(memo->HighlightCondition, QStringLiteral("[A] > 1"));
    EXPECT_EQ(memo->GapX, 2);
    EXPECT_EQ(memo->LineSpacing, 2);

    // Version 22: zero-ended strings, six skipped page bytes, generated names, no script.
    auto oldMemo = [](Bytes &b, int flags) {
        b.u8(0).u8(0).i32(5).i32(5).i32(50).i32(10).u16(flags).u16(0).i32(2).i32(0).u16(0).i32(0x1FFFFFFF);
        b.i32(0).zstr("").zstrs({"one", "two"});
        b.zstr("Arial").i32(10).u16(0).i32(0).i32(0).u16(0).u16(2).i32(0).i32(0xFFFFFF).zstr("");
    };
    Bytes v22;
    v22.u8(22).u16(0).u16(0).zstr("Office");
    v22.u8(255).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0).raw(QByteArray(6, 'z'));
    v22.u16(0).u16(0xFFFF).i32(1).i32(0);
    oldMemo(v22, 1);
    oldMemo(v22, 1);
    TfrReport old;
    modeltest::load(old, v22.bytes());
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    ASSERT_EQ(old.Pages().GetCount(), 1);
    ASSERT_EQ(old.Pages()[0]->ObjectCount(), 2);
    auto *first = static_cast<TfrMemoView *>(old.Pages()[0]->Object(0));
    EXPECT_EQ(first->Name, QStringLiteral("Memo1"));
    EXPECT_EQ(old.Pages()[0]->Object(1)->Name, QStringLiteral("Memo2"));
    EXPECT_EQ(first->Memo, QStringList({"one", "two"}));
    EXPECT_TRUE(first->Script.isEmpty());
    EXPECT_TRUE(first->Visible);
    EXPECT_EQ(first->GapX, 2);
    EXPECT_EQ(first->Flags & 2, 0);
    EXPECT_EQ(first->Font.Charset, 204);

    // A first byte of 20 or less: no version byte, read as version 21 from the start; text wraps.
    QByteArray v21 = v22.bytes().mid(1);
    TfrReport oldest;
    modeltest::load(oldest, v21);
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    ASSERT_EQ(oldest.Pages()[0]->ObjectCount(), 2);
    EXPECT_EQ(oldest.Pages()[0]->Object(0)->Flags & 2, 2);
}

TfrReport *makeEveryObject(TfrReport &report)
{
    frEngine().CurrentReport = &report;
    report.Pages().Add();
    report.Pages().Add();
    TfrPage *p0 = report.Pages()[0];
    TfrPage *p1 = report.Pages()[1];
    p0->Name = "Main";
    p1->Name = "Sub";
    p1->Type = 1;
    p1->Caption = "Ввод";
    p1->Script = {"begin", "end"};
    for (int typ : {2, 0, 1, 3, 4}) {
        TfrView *v = CreateViewOfType(typ, QString());
        v->MakeUniqueName();
        v->PlaceAt(10 * typ, 20, 100, 30);
        p0->AddObject(v);
    }
    auto *band = static_cast<TfrBandView *>(p0->Object(0));
    band->SetBandType(btMasterData);
    band->FormatText = "Customers";
    band->Master = "M";
    band->ChildBand = "Child1";
    band->Columns = 2;
    auto *memo = static_cast<TfrMemoView *>(p0->Object(1));
    memo->Memo = {"Сумма: [Total]", ""};
    memo->HighlightCondition = "[Total] > 0";
    memo->FrameWidth = 2.25;
    memo->Tag = "[Tag]";
    memo->BandAlign = 3;
    memo->LineSpacing = 5;
    auto *pic = static_cast<TfrPictureView *>(p0->Object(2));
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    pic->Picture.SetImage(image);
    pic->BlobType = 1;
    static_cast<TfrSubReportView *>(p0->Object(3))->SubPageIndex = 1;
    TfrView *onSecond = CreateViewOfType(4, QString());
    onSecond->Name = "LineOnSub";
    p1->AddObject(onSecond);
    report.Dictionary().BandDatasources.SetValue("Data", Variant(QStringLiteral("Customers")));
    return &report;
}

TEST_F(ModelStream, EveryObjectTypeRoundTrips)
{
    TfrReport report;
    makeEveryObject(report);
    const QByteArray saved = modeltest::save(report);

    TfrReport copy;
    modeltest::load(copy, saved);
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    ASSERT_EQ(copy.Pages().GetCount(), 2);
    TfrPage *p0 = copy.Pages()[0];
    ASSERT_EQ(p0->ObjectCount(), 5);
    const char *classes[] = {"TfrBandView", "TfrMemoView", "TfrPictureView", "TfrSubReportView", "TfrLineView"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p0->Object(i)->ClassName(), QLatin1String(classes[i]));
        EXPECT_EQ(p0->Object(i)->Name, report.Pages()[0]->Object(i)->Name);
        EXPECT_EQ(p0->Object(i)->Left, report.Pages()[0]->Object(i)->Left);
    }
    auto *band = static_cast<TfrBandView *>(p0->Object(0));
    EXPECT_EQ(band->GetBandType(), btMasterData);
    EXPECT_EQ(band->Master, QStringLiteral("M"));
    EXPECT_EQ(band->ChildBand, QStringLiteral("Child1"));
    EXPECT_EQ(band->RecordVersionMinor, 1);
    auto *memo = static_cast<TfrMemoView *>(p0->Object(1));
    EXPECT_EQ(memo->Memo, QStringList({"Сумма: [Total]", ""}));
    EXPECT_DOUBLE_EQ(memo->FrameWidth, 2.25);
    EXPECT_EQ(memo->BandAlign, 3);
    EXPECT_EQ(memo->LineSpacing, 5);
    auto *pic = static_cast<TfrPictureView *>(p0->Object(2));
    EXPECT_EQ(pic->Picture.GetKind(), TfrPicture::Bitmap);
    EXPECT_EQ(pic->Picture.Image().pixelColor(2, 1), QColor(Qt::red));
    EXPECT_EQ(pic->BlobType, 1);
    EXPECT_EQ(static_cast<TfrSubReportView *>(p0->Object(3))->SubPageIndex, 1);
    TfrPage *p1 = copy.Pages()[1];
    EXPECT_EQ(p1->Caption, QStringLiteral("Ввод"));
    EXPECT_EQ(p1->Script, QStringList({"begin", "end"}));
    ASSERT_EQ(p1->ObjectCount(), 1);
    EXPECT_EQ(p1->Object(0)->Name, QStringLiteral("LineOnSub"));
    EXPECT_EQ(copy.Dictionary().BandDatasources.GetValue("Data").toString(), QStringLiteral("Customers"));

    EXPECT_EQ(modeltest::save(copy), saved);
}

TEST_F(ModelStream, FrameWidthCodingAndPictureRecordLayout)
{
    struct Case
    {
        double width;
        qint32 stored;
    };
    for (const Case &c : {Case{1.5, 1500}, Case{3, 3}, Case{10, 10}, Case{0, 0}, Case{0.5, 500}}) {
        TfrLineView line;
        line.Name = "L";
        line.FrameWidth = c.width;
        TMemoryStream s;
        line.SaveToStream(s);
        const QByteArray b = contents(s);
        // Name (2 + 1 + 1), version bytes, geometry, flags: the frame width follows.
        EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 4 + 2 + 16 + 4), c.stored) << c.width;
    }
    for (const Case &c : {Case{10, 10}, Case{0.011, 11}}) {
        TfrLineView line;
        TMemoryStream s;
        line.SaveToStream(s);
        QByteArray b = contents(s);
        qToLittleEndian(c.stored, b.data() + 3 + 2 + 16 + 4);
        TMemoryStream in(b);
        line.LoadFromStream(in);
        EXPECT_DOUBLE_EQ(line.FrameWidth, c.width);
    }

    // An empty picture: kind 0, the blob type and an end offset right behind itself.
    TfrPictureView pic;
    TMemoryStream s;
    pic.SaveToStream(s);
    const QByteArray b = contents(s);
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + b.size() - 4), b.size());
    EXPECT_EQ(b.at(b.size() - 6), 0);
}

TEST_F(ModelStream, DialogPageFieldsAreNormalisedOnReading)
{
    for (const auto &c : std::vector<std::array<int, 4>>{{0, 3, 7, 4}, {1, 2, 0, 0}, {5, 5, 4, 4}}) {
        Bytes b;
        b.u8(24).u16(0).u16(0).str("\x01");
        b.u8(255).i32(-1).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0).i32(0xFFFF);
        b.u16(0).u16(0xFFFF).i32(1).i32(0).u8(1).str("D").u8(c[0]).str("C").i32(0).i32(1).i32(2).i32(3).i32(4);
        b.u8(c[2]).strs({});
        TfrReport report;
        modeltest::load(report, b.bytes());
        ASSERT_EQ(report.Pages().GetCount(), 1);
        EXPECT_EQ(report.Pages()[0]->BorderStyle, c[1]);
        EXPECT_EQ(report.Pages()[0]->Position, c[3]);
    }
}

TEST_F(ModelStream, ExtensionRecordEndsTheReading)
{
    // Nothing behind a record 253 is read.
    Bytes head;
    head.u8(24).u16(0).u16(0).str("\x01");
    head.u8(255).i32(-1).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0).i32(0xFFFF);
    head.u16(0).u16(0xFFFF).i32(1).i32(0).u8(0).str("P").u8(3).str("Form").i32(0).i32(0).i32(0).i32(0).i32(0);
    head.u8(4).strs({}).u8(253).u8(255).raw("garbage");
    TfrReport report;
    modeltest::load(report, head.bytes());
    EXPECT_TRUE(messages.requests.isEmpty()) << messages.lastText().toStdString();
    EXPECT_EQ(report.Pages().GetCount(), 1);
}

TEST_F(ModelStream, BadTemplatesAreRefusedAndKeepThePreviousTemplate)
{
    int endAt = 0;
    const QByteArray good = template24(&endAt).bytes();
    const QByteArray version25 = QByteArray(1, char(25)) + good.mid(1);
    QByteArray unknownRecord = good;
    unknownRecord.insert(good.indexOf(char(254), 200), char(11));
    QByteArray hugeDictionary = good.left(good.lastIndexOf(char(254)));
    hugeDictionary += Bytes().u8(254).u16(0xFFFE).i32(0x7FFFFFFF).bytes();
    QByteArray badEnd = good;
    qToLittleEndian(qint32(3), badEnd.data() + endAt);

    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"version 25", version25},
        {"truncated", good.left(good.size() - 30)},
        {"unknown record", unknownRecord},
        {"huge count", hugeDictionary},
        {"end offset behind the record", badEnd},
        {"page record cut short", good.left(20)},
    };
    for (const auto &[name, bytes] : cases) {
        TfrReport report;
        makeEveryObject(report);
        const QByteArray before = modeltest::save(report);
        messages.requests.clear();
        modeltest::load(report, bytes);
        ASSERT_EQ(messages.requests.size(), 1) << name;
        EXPECT_EQ(messages.requests.first().text, QStringLiteral("Неверный FRF формат")) << name;
        EXPECT_EQ(messages.requests.first().caption, QStringLiteral("Ошибка")) << name;
        EXPECT_EQ(messages.requests.first().type, mtError) << name;
        EXPECT_EQ(modeltest::save(report), before) << name;
    }
}

TEST_F(ModelStream, BrokenObjectBodiesAndMissingClasses)
{
    // A page index beyond the pages, in version 24: that record is skipped, the rest is read.
    Bytes b;
    b.u8(24).u16(0).u16(0).str("\x01");
    b.u8(255).i32(-1).i32(9).i32(2100).i32(2970).i32(0).i32(0).i32(0).i32(0).u8(0).i32(0xFFFF);
    b.u16(0).u16(0xFFFF).i32(1).i32(0).u8(0).str("P").u8(3).str("Form").i32(0).i32(0).i32(0).i32(0).i32(0);
    b.u8(4).strs({});
    b.u8(4).u8(7);
    int at = b.size();
    b.i32(0).raw("junk");
    b.patch32(at, b.size());
    b.u8(10).str("TfrNoSuchView").u8(0);
    at = b.size();
    b.i32(0).raw("whatever");
    b.patch32(at, b.size());
    b.u8(4).u8(0);
    at = b.size();
    b.i32(0).raw("xx");
    b.patch32(at, b.size());

    TfrReport report;
    modeltest::load(report, b.bytes());
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Report contains the following non-plugged components:\r"
                                                  "TfrNoSuchView\rYou must include these components into your "
                                                  "project."));
    ASSERT_EQ(report.Pages().GetCount(), 1);
    // The line whose body broke stays, as far as it was read.
    EXPECT_EQ(report.Pages()[0]->ObjectCount(), 1);
    EXPECT_TRUE(frEngine().ErrorFlag);
}

TEST_F(ModelStream, AddInClassesAreCreatedByName)
{
    RegisterAddInObject("TfrTestView", [] { return static_cast<TfrView *>(new TfrLineView); }, QImage(), "hint");
    TfrView *v = CreateViewOfType(10, "TfrTestView");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->TypeCode, 10);
    TfrView *w = CreateViewOfType(0, QString());
    EXPECT_EQ(w->ObjectID, v->ObjectID + 1);
    EXPECT_EQ(CreateViewOfType(5, QString()), nullptr);
    EXPECT_THROW(CreateViewOfType(10, "TfrMissing"), EClassNotFound);
    EXPECT_EQ(frEngine().ErrorMessage, QStringLiteral("TfrMissing\r"));
    delete v;
    delete w;
}

TEST_F(ModelStream, WriterRefusesMoreThan256Pages)
{
    TfrReport report;
    for (int i = 0; i < 257; ++i)
        report.Pages().Add();
    TMemoryStream s;
    EXPECT_THROW(report.SaveReportStream(s), Exception);
}

TEST_F(ModelStream, FilesTemplatesAndTheFormProperty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("r.frf");
    TfrReport report;
    EXPECT_EQ(report.FileName, QStringLiteral("Untitled"));
    EXPECT_FALSE(report.PreviewButtons & pbPageSetup);
    frEngine().CurrentReport = nullptr;
    EXPECT_FALSE(report.LoadReportFile(dir.filePath("missing.frf")));
    EXPECT_EQ(report.FileName, QStringLiteral("Untitled"));
    EXPECT_EQ(frEngine().CurrentReport, nullptr);

    makeEveryObject(report);
    report.SaveReportFile(path);
    TfrReport loaded;
    EXPECT_TRUE(loaded.LoadReportFile(path));
    EXPECT_EQ(loaded.FileName, path);
    EXPECT_EQ(loaded.Pages().GetCount(), 2);
    EXPECT_EQ(frEngine().CurrentReport, &loaded);

    // A template that cannot be written leaves the file as it was.
    for (int i = 0; i < 300; ++i)
        report.Pages().Add();
    EXPECT_THROW(report.SaveReportFile(path), Exception);
    TfrReport again;
    again.LoadReportFile(path);
    EXPECT_EQ(again.Pages().GetCount(), 2);

    // Gallery templates: description, picture, then the body from its stored position.
    const QString frt = dir.filePath("g.frt");
    QImage thumb(4, 4, QImage::Format_RGB32);
    thumb.fill(Qt::blue);
    loaded.SaveTemplateFile(frt, {"Счёт", "второй"}, thumb);
    QStringList description;
    QImage picture;
    TfrReport gallery;
    gallery.LoadTemplateFile(frt, description, false, picture);
    EXPECT_EQ(description, QStringList({"Счёт", "второй"}));
    EXPECT_EQ(picture.pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_EQ(gallery.Pages().GetCount(), 0);
    gallery.LoadTemplateFile(frt, description, true, picture);
    EXPECT_EQ(gallery.Pages().GetCount(), 2);
    EXPECT_EQ(gallery.Pages()[0]->ObjectCount(), 5);

    TfrReport empty;
    empty.SaveTemplateFile(frt, {}, QImage());
    QFile f(frt);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(3), QByteArray("\0\0\0", 3));

    // The form property: a version word, then, when the form stores the template, its bytes.
    loaded.StoreInDFM = true;
    TMemoryStream form;
    loaded.WriteReportForm(form);
    form.SetPosition(0);
    TfrReport fromForm;
    fromForm.StoreInDFM = true;
    fromForm.ReadReportForm(form);
    EXPECT_EQ(fromForm.Pages().GetCount(), 0);
    fromForm.Loaded();
    EXPECT_EQ(fromForm.Pages().GetCount(), 2);
}

TEST_F(ModelStream, DesignerAndPreviewAnswerWithoutTheirLayers)
{
    TfrReport report;
    EXPECT_EQ(report.OpenDesigner(), 2);
    EXPECT_EQ(report.Pages().GetCount(), 1);
    EXPECT_TRUE(report.BuildReport()) << "an empty page builds into one empty prepared page";
    report.PreviewReport();
    EXPECT_EQ(frEngine().DocumentMode, 1);
    EXPECT_TRUE(messages.requests.isEmpty());

    int shown = 0;
    tarvik::test::FakeDesignerFactory designers([&shown](tarvik::test::FakeReportDesigner &d) {
        d.WhileShown = [&shown](tarvik::test::FakeReportDesigner &) { ++shown; };
    });
    EXPECT_EQ(report.OpenDesigner(), 1);
    EXPECT_EQ(shown, 1);
}

TEST_F(ModelStream, DictionaryOldRecordAndNameConvention)
{
    // Old record: entries (kind, index, three short strings), then the variable list; names are flipped.
    Bytes b;
    b.i32(2);
    b.u8(1).i32(0).u8(4).raw("Cust").u8(4).raw("Name").u8(2).raw("NM");
    b.u8(2).i32(2).u8(0).u8(0).u8(2).raw("DT");
    b.zstrs({"Main", " NM", " DT"});
    TMemoryStream s(b.bytes());
    frEngine().StreamVersion = 22;
    TfrDataDictionary d;
    d.LoadFromStream(s);
    ASSERT_EQ(d.Variables.GetCount(), 3);
    EXPECT_EQ(d.Variables.GetName(0), QStringLiteral(" Main"));
    EXPECT_EQ(d.Variables.GetName(1), QStringLiteral("NM"));
    EXPECT_EQ(d.Variables.GetValueAt(1).toString(), QStringLiteral("Cust.\"Name\""));
    EXPECT_EQ(d.Variables.GetValueAt(2).toString(), QStringLiteral("DATE"));
    EXPECT_EQ(d.FieldAliases.GetCount(), 0);
}

} // namespace

#include "ComponentRegistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace {

TEST_F(ModelStream, ComponentsByDottedNamesAndControlsUnderAPoint)
{
    QObject module;
    QObject customers, other;
    ComponentRegistry::instance().registerOwner(&module, "DM");
    ComponentRegistry::instance().registerComponent(&module, &customers, "Customers");
    QObject form;
    ComponentRegistry::instance().registerOwner(&form, "Form1");
    ComponentRegistry::instance().registerComponent(&form, &other, "Other");

    EXPECT_EQ(FindComponentPath(&module, "customers"), &customers);
    EXPECT_EQ(FindComponentPath(&module, "Other"), nullptr);
    EXPECT_EQ(FindComponentPath(&form, "DM.Customers"), &customers);
    EXPECT_EQ(FindComponentPath(&form, "NoForm.Customers"), nullptr);
    QStringList names;
    CollectComponentNames(&form, QObject::staticMetaObject, names, &other);
    EXPECT_TRUE(names.contains("DM.Customers"));
    EXPECT_FALSE(names.contains("Other"));
    CollectComponentNames(&module, QObject::staticMetaObject, names, nullptr);
    EXPECT_TRUE(names.contains("Customers"));
    EXPECT_TRUE(names.contains("Form1.Other"));

    QWidget parent;
    parent.resize(200, 200);
    auto *panel = new QWidget(&parent);
    panel->setGeometry(10, 10, 100, 100);
    auto *edit = new QLineEdit(panel);
    edit->setGeometry(5, 5, 50, 20);
    auto *label = new QLabel("x", &parent);
    label->setGeometry(150, 150, 20, 20);
    parent.show();
    EXPECT_EQ(ControlAtPoint(&parent, QPoint(20, 20)), edit);
    EXPECT_EQ(ControlAtPoint(&parent, QPoint(155, 155)), label);
    EXPECT_EQ(ControlAtPoint(&parent, QPoint(80, 80)), nullptr);
    EXPECT_EQ(ControlAtPoint(&parent, QPoint(190, 5)), nullptr);

    SetControlsEnabled({label, edit}, false);
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), toQColor(clGrayText));
}

} // namespace
