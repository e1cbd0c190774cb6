#include "OutputSupport.h"

#include "FR_E_RTF.h"
#include "FR_E_TXT.h"
#include "FR_ExportForms.h"

#include "CodePage.h"
#include "Guard.h"
#include "ModalAnswer.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

using namespace outputtest;

namespace {

QByteArray cp1251(const QString &text)
{
    return QStringToCP1251(text);
}

// A text object with a font, for the records that carry it.
std::unique_ptr<TfrMemoView> memoView(int style = 0, TColor color = 0, int alignment = 0)
{
    auto m = std::make_unique<TfrMemoView>();
    m->Font.Name = QStringLiteral("Arial");
    m->Font.Size = 10;
    m->Font.Style = style;
    m->Font.Color = color;
    m->Alignment = alignment;
    return m;
}

// ---- page lists

TEST(OutputPageList, ParsesRangesAndClampsThemToThePages)
{
    struct Case
    {
        const char *text;
        int pages;
        bool all;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"", 12, true, {}},
        {"   ", 12, true, {}},
        {"1,3-5", 12, false, {1, 3, 4, 5}},
        {" 1 , 3 - 5 ", 12, false, {1, 3, 4, 5}},
        {"7-", 12, false, {7, 8, 9, 10, 11, 12}},
        {"5-3", 12, false, {}},
        {"2,2,1", 12, false, {2, 1}},
        {"1-1000000000", 3, false, {1, 2, 3}},
        {"0,50", 12, false, {}},
    };
    for (const Case &c : cases) {
        const TfrPageList list = ParsePageList(QString::fromUtf8(c.text), c.pages);
        EXPECT_EQ(list.All, c.all) << c.text;
        EXPECT_EQ(list.Pages, c.expected) << c.text;
    }
    EXPECT_TRUE(ParsePageList("", 3).Holds(2));
    EXPECT_FALSE(ParsePageList("0,50", 12).Holds(1));
    for (const char *bad : {"abc", "1-x", "-", "1,,2", "99999999999"})
        EXPECT_THROW(ParsePageList(QString::fromUtf8(bad), 12), EConvertError) << bad;
}

// ---- the registry

TEST(OutputRegistry, OneFilterPerClassAndNoEntryOutlivesItsFilter)
{
    frResetEngine();
    auto &filters = frEngine().ExportFilters;
    {
        auto first = std::make_unique<TfrTextExport>();
        {
            TfrTextExport second;
            TfrCSVExport csv;
            TfrRTFExport rtf;
            ASSERT_EQ(filters.size(), 3u);
            EXPECT_EQ(filters[0].Filter, first.get());
            EXPECT_EQ(filters[0].FilterDesc, QStringLiteral("Текстовый файл (*.txt)"));
            EXPECT_EQ(filters[0].FilterExt, QStringLiteral("*.txt"));
            EXPECT_EQ(filters[1].Filter, &csv);
            EXPECT_EQ(filters[1].FilterDesc, QStringLiteral("Файл CSV (*.csv)"));
            EXPECT_EQ(filters[2].FilterDesc, QStringLiteral("Файл Rich Text (*.rtf)"));
            EXPECT_EQ(rtf.ScaleX, 1.3);
        }
        ASSERT_EQ(filters.size(), 1u) << "the second text filter leaves the first one's entry";
        EXPECT_EQ(filters[0].Filter, first.get());
    }
    EXPECT_TRUE(filters.empty());
    frResetEngine();
}

// ---- text

class OutputText : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        txt.ShowDialog = false;
    }
    void TearDown() override { frResetEngine(); }
    std::unique_ptr<TfrMemoView> memo = memoView();
    TfrTextExport txt;
};

TEST_F(OutputText, PlacesTextsOnTheCharacterGrid)
{
    const std::vector<std::vector<TextCall>> page = {{{QRect(60, 28, 100, 14), 65, 28, QStringLiteral("Итого"), 0, memo.get()}}};
    EXPECT_EQ(runFilter(txt, page), QByteArray(10, ' ') + cp1251("Итого") + "\r\n\x0C\r\n");

    txt.KillEmptyLines = false;
    EXPECT_EQ(runFilter(txt, page), "\r\n\r\n" + QByteArray(10, ' ') + cp1251("Итого") + "\r\n\x0C\r\n");

    txt.PageBreaks = false;
    txt.ConvertToOEM = true;
    EXPECT_EQ(runFilter(txt, page), "\r\n\r\n" + QByteArray(10, ' ') + QStringToCP866("Итого") + "\r\n");

    // Right-aligned: the last character sits in the column of the object's right edge; a text that would
    // start before the one beside it follows it directly. A nil object records nothing.
    auto right = memoView(0, 0, 1);
    txt.KillEmptyLines = true;
    txt.ConvertToOEM = false;
    EXPECT_EQ(runFilter(txt, {{{QRect(30, 0, 100, 14), 70, 0, "abc", 0, right.get()},
                              {QRect(0, 0, 100, 14), 7, 0, "0123456789012345678", 0, memo.get()},
                              {QRect(0, 0, 1, 1), 0, 0, "lost", 0, nullptr}}}),
              " 0123456789012345678abc\r\n");
    EXPECT_EQ(runFilter(txt, {{{QRect(30, 0, 100, 14), 70, 0, "abc", 0, right.get()}}}),
              QByteArray(17, ' ') + "abc\r\n");
}

TEST_F(OutputText, PagesEndWithFormFeedsAndTheGridHasNoLineCap)
{
    const QByteArray out = runFilter(txt, {{{QRect(0, 0, 50, 14), 0, 0, "a", 0, memo.get()}},
                                           {},
                                           {{QRect(0, 5000, 50, 14), 0, 5000, "far", 0, memo.get()}}});
    EXPECT_EQ(out, "a\r\n\x0C\r\n\x0C\r\nfar\r\n\x0C\r\n") << "a text 5000 pixels down is kept";
}

TEST_F(OutputText, FramesJoinIntoCornersAndTees)
{
    txt.ExportFrames = true;
    txt.PageBreaks = false;
    const std::vector<std::vector<TextCall>> boxes = {
        {{QRect(13, 14, 39, 14), 16, 14, "ab", 15, memo.get()}, {QRect(13, 28, 39, 14), 16, 28, "cd", 15, memo.get()}}};
    EXPECT_EQ(runFilter(txt, boxes), " +-----+ \r\n |ab   | \r\n +-----+ \r\n |cd   | \r\n +-----+ \r\n");

    txt.UsePseudographic = true;
    const QByteArray h(5, char(0xC4));
    EXPECT_EQ(runFilter(txt, boxes), " \xDA" + h + "\xBF \r\n \xB3" "ab   \xB3 \r\n \xC3" + h + "\xB4 \r\n \xB3"
                                         "cd   \xB3 \r\n \xC0" + h + "\xD9 \r\n");

    // A frame at the page's left edge starts in the first column instead of before it.
    txt.UsePseudographic = false;
    EXPECT_EQ(runFilter(txt, {{{QRect(0, 0, 13, 14), 0, 0, "", 4, memo.get()}}}), "| \r\n");

    // Without frames a tab still comes out as the frame character of its code.
    txt.ExportFrames = false;
    txt.UsePseudographic = true;
    EXPECT_EQ(runFilter(txt, {{{QRect(0, 0, 50, 14), 0, 0, "a\tb", 0, memo.get()}}}), "a\xD9" "b\r\n");
}

TEST_F(OutputText, OptionsDialogKeepsWhatWasTypedWhicheverButtonClosesIt)
{
    txt.ShowDialog = true;
    tarvik::test::ModalAnswer answer([] { return tarvik::test::activeModal<TfrTXTExportForm>() != nullptr; },
                                     [] {
                                         auto *form = tarvik::test::activeModal<TfrTXTExportForm>();
                                         EXPECT_EQ(form->windowTitle(), QStringLiteral("Экспорт в TXT"));
                                         EXPECT_FALSE(form->CB4->isEnabled());
                                         form->CB3->click();
                                         EXPECT_TRUE(form->CB4->isEnabled());
                                         form->CB4->setChecked(true);
                                         form->E1->setText("2,5");
                                         form->E2->setText("abc");
                                         form->Button2->click();
                                     });
    EXPECT_EQ(txt.ShowModal(), 2);
    EXPECT_TRUE(answer.ran());
    EXPECT_TRUE(txt.ExportFrames);
    EXPECT_TRUE(txt.UsePseudographic);
    EXPECT_EQ(txt.ScaleX, 2.5);
    EXPECT_EQ(txt.ScaleY, 1.0);
}

// ---- CSV

TEST(OutputCsv, FieldsFollowThePositionAndAreQuotedWhenTheyMustBe)
{
    frResetEngine();
    TfrCSVExport csv;
    csv.ShowDialog = false;
    auto memo = memoView();
    auto line = [&](std::vector<std::pair<int, QString>> texts) {
        std::vector<TextCall> calls;
        for (const auto &[x, text] : texts)
            calls.push_back({QRect(x, 0, 10, 14), x, 0, text, 0, memo.get()});
        return runFilter(csv, {calls});
    };
    EXPECT_EQ(line({{0, "a"}, {64, "b"}, {200, "c"}}), "a;b;;c\r\n");
    EXPECT_EQ(line({{0, "1;2"}}), "\"1;2\"\r\n");
    EXPECT_EQ(line({{10, "a"}, {20, "b"}}), "ab\r\n");
    EXPECT_EQ(line({{10, "x;"}, {20, "y"}, {64, "z"}}), "\"x;y\";z\r\n") << "a field is joined, then quoted";
    EXPECT_EQ(line({{0, "say \"hi\""}, {64, "two\nlines"}}), "\"say \"\"hi\"\"\";\"two\nlines\"\r\n");
    EXPECT_EQ(line({{64, "Итого"}}), ";" + cp1251("Итого") + "\r\n");
    csv.ConvertToOEM = true;
    csv.Delimiter = u',';
    EXPECT_EQ(line({{64, "Итого"}, {128, "1,5"}}), "," + QStringToCP866("Итого") + ",\"1,5\"\r\n");
    csv.KillEmptyLines = false;
    EXPECT_EQ(runFilter(csv, {{{QRect(0, 28, 9, 9), 0, 28, "x", 0, memo.get()}}}), "\r\n\r\nx\r\n");
    EXPECT_EQ(runFilter(csv, {{}}), "") << "a page without texts writes nothing";
    frResetEngine();
}

// ---- RTF

class OutputRtf : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        rtf.ShowDialog = false;
    }
    void TearDown() override { frResetEngine(); }

    QByteArray document(const QByteArray &fonts, const QByteArray &colors, const QByteArray &body)
    {
        return "{\\rtf1\\ansi\\ansicpg1251\r\n\\margl600\\margr600\\margt600\\margb600\r\n{\\fonttbl" + fonts + "}\r\n"
               + "{\\colortbl;" + colors + "}\r\n" + body + "\\par}";
    }
    std::vector<TextCall> sumLine()
    {
        return {{QRect(45, 0, 100, 14), 50, 0, QStringLiteral("Итого"), 0, bold.get()},
                {QRect(200, 0, 100, 14), 280, 0, "100", 0, boldRight.get()}};
    }

    std::unique_ptr<TfrMemoView> bold = memoView(2), boldRight = memoView(2, 0, 1);
    TfrRTFExport rtf;
};

TEST_F(OutputRtf, TabbedLinesWithFormatWordsOnlyWhereTheyChange)
{
    const QByteArray itogo = "\\'c8\\'f2\\'ee\\'e3\\'ee";
    EXPECT_EQ(runFilter(rtf, {sumLine()}),
              document("{\\f0 Arial}", "\\red0\\green0\\blue0;",
                       "\\pard\\tx1000\\tqr\\tx6000{\\tab\\f0\\fs20\\b\\cf1 " + itogo + "\\tab 100\\par}\r\n"));

    rtf.ConvertToTable = true;
    EXPECT_EQ(runFilter(rtf, {sumLine()}),
              document("{\\f0 Arial}", "\\red0\\green0\\blue0;",
                       "\\trowd \\trgaph108\\cellx6000\\cellx6000 \\trleft1000 \\pard \\intbl {\\f0\\fs20\\b\\cf1 " + itogo
                           + "}\\cell {\\f0\\fs20\\b\\cf1 100}\\cell \\pard \\intbl \\row\r\n\\pard\r\n"));
}

TEST_F(OutputRtf, ColoursFontsEscapesAndPageBreaks)
{
    auto white = memoView(0, 0xFFFFFF), red = memoView(0, 0x0000FF), plain = memoView();
    red->Font.Name = QStringLiteral("arial");
    auto courier = memoView(1);
    courier->Font.Name = QStringLiteral("Courier New");
    const QByteArray out = runFilter(
        rtf, {{{QRect(0, 0, 10, 14), 0, 0, "w", 0, white.get()}, {QRect(65, 0, 10, 14), 65, 0, "r\\{x}", 0, red.get()}},
              {{QRect(0, 28, 10, 14), 0, 28, "i", 0, courier.get()}}});
    EXPECT_EQ(out.toStdString(), document("{\\f0 Arial}{\\f1 Courier New}", "\\red0\\green0\\blue0;\\red255\\green0\\blue0;",
                            "\\pard\\tx0\\tx1300{\\tab\\f0\\fs20\\cf1 w\\tab\\f0\\cf2 r\\\\\\{x\\}\\par}\r\n"
                            "\\page\r\n"
                            "\\pard\\tx0{\\tab\\f1\\fs20\\i\\cf1 i\\par}\r\n").toStdString());

    // A text that loses bold within a line says so; without page breaks pages just follow.
    rtf.PageBreaks = false;
    rtf.KillEmptyLines = false;
    EXPECT_EQ(runFilter(rtf, {{{QRect(0, 14, 10, 14), 0, 14, "b", 0, bold.get()},
                               {QRect(65, 14, 10, 14), 65, 14, "p", 0, plain.get()}},
                              {{QRect(0, 0, 10, 14), 0, 0, "x", 0, plain.get()}}}),
              document("{\\f0 Arial}", "\\red0\\green0\\blue0;",
                       "{\\pard \\par}\r\n\\pard\\tx0\\tx1300{\\tab\\f0\\fs20\\b\\cf1 b\\tab\\b0 p\\par}\r\n"
                       "\\pard\\tx0{\\tab\\f0\\fs20\\cf1 x\\par}\r\n"));
}

TEST_F(OutputRtf, PicturesAsBitmapsInAMetafile)
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    TfrPictureView picture;
    picture.Left = 13;
    picture.Top = 26;
    picture.Width = 40;
    picture.Height = 30;
    picture.Picture.SetData(TfrPicture::Jpeg, jpeg);

    EXPECT_EQ(runFilter(rtf, {{}}, {{0, &picture}}), document("", "", "")) << "pictures only when asked";

    rtf.ExportBitmaps = true;
    const QByteArray out = runFilter(rtf, {{}}, {{0, &picture}});
    const QByteArray head = "\\pard\\phmrg\\posx260\\posy400\\absh600\\absw800{\\pict\\wmetafile8\\picw1059\\pich794 "
                            "\\picbmp\\picbpp4\r\n"
                            "010009000003E6000000" "0000C20000000000"
                            "050000000b0200000000" "050000000c020A000A00" "05000000090200000000"
                            "050000000102ffffff00" "0400000007010300"
                            "C2000000430f2000cc0000000A000A00000000000A000A0000000000\r\n";
    ASSERT_TRUE(out.contains(head)) << out.left(600).toStdString();
    const int start = int(out.indexOf(head) + head.size());
    const int end = int(out.indexOf("030000000000}\\par\r\n"));
    ASSERT_GT(end, start);
    const QByteArray hex = out.mid(start, end - start);
    const QList<QByteArray> lines = hex.split('\n');
    EXPECT_EQ(lines.size(), 6) << "360 bytes of bitmap: five full lines of 64 and one of 40";
    EXPECT_TRUE(lines.first().startsWith("280000000A0000000A00000001001800")) << lines.first().toStdString();
    EXPECT_EQ(lines.first().size(), 129);
    EXPECT_EQ(lines.last().size(), 80);

    TfrPictureView empty;
    EXPECT_EQ(runFilter(rtf, {{}}, {{0, &empty}}), document("", "", ""));
}

// ---- the export run and its file

class OutputExportRun : public PreparedFixture
{
protected:
    void SetUp() override
    {
        PreparedFixture::SetUp();
        addPages(3);
        txt.ShowDialog = false;
        target = dir.filePath("out.txt");
        writeFile(target, "old");
    }
    TfrTextExport txt;
    QString target;
};

// Fails on writing the second page, as a device that fills up would.
class FailingExport : public TfrTextExport
{
public:
    int pages = 0;
    void OnEndPage() override
    {
        TfrTextExport::OnEndPage();
        if (++pages == 2)
            throw EWriteError(QStringLiteral("No space left on device"));
    }
};

TEST_F(OutputExportRun, WritesTheFileAndHandsTheNamesToTheHandlers)
{
    QStringList after;
    const QString other = dir.filePath("renamed.txt");
    txt.OnBeforeExport = [&](QString &name, bool &) { name = other; };
    txt.OnAfterExport = [&](const QString &name) { after << name; };
    ASSERT_TRUE(report.ExportTo(&txt, target));
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(after, QStringList{other});
    const QByteArray text = readFile(other);
    const QByteArray six(6, ' ');
    EXPECT_EQ(text, six + cp1251("Страница 1") + "\r\n\x0C\r\n" + six + cp1251("Страница 2") + "\r\n\x0C\r\n" + six
                        + cp1251("Страница 3") + "\r\n" + six + cp1251("ИТОГО") + "\r\n\x0C\r\n");
    EXPECT_EQ(entries(), QStringList({"out.txt", "renamed.txt"}));
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_F(OutputExportRun, CancellingBeforehandOrInTheDialogMakesNoFile)
{
    bool asked = false;
    txt.OnBeforeExport = [&](QString &, bool &goOn) { asked = true; goOn = false; };
    EXPECT_FALSE(report.ExportTo(&txt, dir.filePath("new.txt")));
    EXPECT_TRUE(asked);
    txt.OnBeforeExport = [](QString &, bool &) { throw Exception("handler failed"); };
    QStringList handled;
    const ExceptionHandler previous = setExceptionHandler([&](const QString &m) { handled << m; });
    EXPECT_FALSE(report.ExportTo(&txt, dir.filePath("new.txt")));
    setExceptionHandler(previous);
    EXPECT_EQ(handled, QStringList{"handler failed"});
    EXPECT_EQ(entries(), QStringList{"out.txt"});
}

TEST_F(OutputExportRun, AFailingDeviceOrAMissingFolderLeavesTheOldTarget)
{
    FailingExport failing;
    failing.ShowDialog = false;
    bool after = false;
    failing.OnAfterExport = [&](const QString &) { after = true; };
    EXPECT_FALSE(report.ExportTo(&failing, target));
    EXPECT_FALSE(after);
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(entries(), QStringList{"out.txt"}) << "the temporary file is gone";
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_TRUE(messages.lastText().contains(target)) << messages.lastText().toStdString();
    EXPECT_TRUE(messages.lastText().contains("No space left on device"));

    const QString nowhere = dir.filePath("missing/out.txt");
    EXPECT_FALSE(report.ExportTo(&txt, nowhere));
    ASSERT_EQ(messages.requests.size(), 2);
    EXPECT_TRUE(messages.lastText().contains(nowhere));
}

TEST_F(OutputExportRun, CancelInTheProgressWindowLeavesTheOldTarget)
{
    auto owned = std::make_unique<TfrRecordingProgress>();
    TfrRecordingProgress *progress = owned.get();
    progress->CancelAfterLabels = 2;
    frEngine().SetProgress(std::move(owned));
    report.ShowProgress = true;
    report.Title = "Акт";
    EXPECT_FALSE(report.ExportTo(&txt, target));
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(entries(), QStringList{"out.txt"});
    EXPECT_TRUE(messages.requests.isEmpty()) << "a cancel is no failure";
    EXPECT_EQ(progress->Captions, QStringList{"Подготовка отчета - Акт"});
    EXPECT_EQ(progress->Label1s.value(1), QStringLiteral("Формируется страница:  1 из 3"));

    progress->CancelAfterLabels = 0;
    EXPECT_TRUE(report.ExportTo(&txt, target));
    EXPECT_EQ(readFile(target).count('\x0C'), 3);
}

} // namespace
