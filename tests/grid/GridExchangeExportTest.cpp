// Exports of a grid's rows: the bytes of each format, what each kind of selection writes, and files.
#include "GridExchange.h"

#include "Color.h"
#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvik::test;

namespace {

// Two columns, ID and NAME, two records and a footer row: the sum of ID and the count under NAME.
struct FooterGrid : ExchangeGrid
{
    FooterGrid()
    {
        add(1, QStringLiteral("a"));
        add(2, QStringLiteral("Б"));
        ds.First();
        show();
        columns({ "ID", "NAME" });
        grid->SetFooterRowCount(1);
        grid->Columns()[0]->Footer().SetValueType(fvtSum);
        grid->Columns()[1]->Footer().SetValueType(fvtCount);
    }
};

QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((quint32(v) >> (8 * i)) & 0xFF);
    return b;
}

} // namespace

TEST(GridExchangeExport, TextAndCsvOfTwoColumnsWithAFooterEndWithoutALineEnd)
{
    FooterGrid g;
    EXPECT_EQ(g.exported<TDBGridEhExportAsText>(), ansi("ID\tNAME\r\n1\ta\r\n2\tБ\r\n3\t2"));
    EXPECT_EQ(g.exported<TDBGridEhExportAsCSV>(), ansi("\"ID\";\"NAME\"\r\n\"1\";\"a\"\r\n\"2\";\"Б\"\r\n\"3\";\"2\""));
}

TEST(GridExchangeExport, CsvQuotesEveryCellAndDoublesInnerQuotes)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a;b"));
    g.add(2, QStringLiteral("say \"hi\""));
    g.add(3, QStringLiteral("two\r\nlines"));
    g.show();
    g.columns({ "NAME" });
    g.grid->SetOptions(g.grid->Options() & ~dgTitles);
    EXPECT_EQ(g.exported<TDBGridEhExportAsCSV>(), QByteArray("\"a;b\"\r\n\"say \"\"hi\"\"\"\r\n\"two\r\nlines\""));
}

TEST(GridExchangeExport, ANullIntegerIsAnEmptyTextCellAndTagTwoInTheBinaryFormat)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("ab"));
    g.ds.Append();
    g.field("NAME")->SetValue(QString(""));
    g.ds.Post();
    g.add(3);
    g.ds.First();
    g.show();
    g.columns({ "ID", "NAME" });
    g.grid->SetOptions(g.grid->Options() & ~dgTitles);
    EXPECT_EQ(g.exported<TDBGridEhExportAsText>(), QByteArray("1\tab\r\n\t\r\n3\t"));
    const QByteArray expected = QByteArray("VCLDBIF\x01", 8) + le32(2) + QByteArray("\x01\x00\x01\x00", 4) + '\x03'
        + le32(1) + '\x05' + le32(2) + "ab" // 1, "ab"
        + '\x02' + '\x05' + le32(0) // null, ""
        + '\x03' + le32(3) + '\x02' // 3, null
        + '\x00';
    EXPECT_EQ(g.exported<TDBGridEhExportAsVCLDBIF>(), expected);
}

TEST(GridExchangeExport, TheBinaryFormatOfAnEmptyDatasetWithTwoColumnsIsSeventeenBytes)
{
    ExchangeGrid g;
    g.show();
    g.columns({ "ID", "NAME" });
    g.grid->Columns()[1]->SetVisible(false);
    const QByteArray bytes = g.exported<TDBGridEhExportAsVCLDBIF>();
    // The hidden column is not exported at all: only visible columns go out with everything.
    EXPECT_EQ(bytes, QByteArray("VCLDBIF\x01", 8) + le32(1) + QByteArray("\x01\x00\x00", 3));
    g.grid->Columns()[1]->SetVisible(true);
    const QByteArray two = g.exported<TDBGridEhExportAsVCLDBIF>();
    EXPECT_EQ(two.size(), 17);
    EXPECT_EQ(two, QByteArray("VCLDBIF\x01", 8) + le32(2) + QByteArray("\x01\x00\x01\x00\x00", 5));
}

TEST(GridExchangeExport, OneRowOfRtfIsLaidOutCellByCell)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("abc"));
    g.show();
    g.columns({ "NAME" });
    g.grid->SetOptions(g.grid->Options() & ~dgTitles);
    TColumnEh *column = g.grid->Columns()[0];
    column->SetWidth(100);
    const int dpi = g.grid->logicalDpiX();
    const QByteArray edge = QByteArray::number(int(100.0 / dpi * 1440.0));
    const QByteArray font = column->Font().Name().toLatin1();
    const QByteArray size = QByteArray::number(column->Font().Size() * 2);
    const QByteArray expected
        = "{\\rtf0\\ansi\\ansicpg1251\r\n"
          "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red240\\green240\\blue240;}\r\n"
          "{\\fonttbl\\f0\\fnil "
        + font
        + ";}\r\n"
          "\\trowd\\trgaph40\r\n"
          "\\clbrdrl\\brdrs\\brdrcf0\r\n"
          "\\clbrdrt\\brdrs\\brdrcf0\r\n"
          "\\clbrdrb\\brdrs\\brdrcf0\r\n"
          "\\clbrdrr\\brdrs\\brdrcf0\r\n"
          "\\clshdng10000\\clcfpat1\\cellx"
        + edge
        + "\r\n"
          "{\\trrh0\r\n"
          "\\pard\\intbl{\\ql\\sb24\\sa24\\fs"
        + size
        + "\\f0\\cf0\\cb1 abc\\cell}\r\n"
          "\\pard\\intbl\\row}\r\n"
          "}";
    EXPECT_EQ(g.exported<TDBGridEhExportAsRTF>(), expected);
}

TEST(GridExchangeExport, RtfEscapesBracesBackslashesAndLettersBeyondAscii)
{
    EXPECT_EQ(RtfEscapedText(QStringLiteral("a\\b{c}")), QByteArray("a\\\\b\\{c\\}"));
    EXPECT_EQ(RtfEscapedText(QStringLiteral("Жж")), QByteArray("\\'c6\\'e6"));
    EXPECT_EQ(RtfEscapedText(QString(QChar(0x2115))), QByteArray("\\u8469?"));

    ExchangeGrid g;
    g.add(1, QStringLiteral("{Ж}\\"));
    g.show();
    g.columns({ "NAME" });
    g.grid->SetFlat(true);
    g.grid->SetOptions(g.grid->Options() & ~dgTitles);
    g.grid->Columns()[0]->SetColor(clRed);
    const QByteArray rtf = g.exported<TDBGridEhExportAsRTF>();
    EXPECT_TRUE(rtf.contains("\\red255\\green0\\blue0;")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\clcfpat3\\cellx")) << "a new colour takes the next index";
    EXPECT_TRUE(rtf.contains("\\ql\\sb12\\sa12")) << "a flat grid's margins";
    EXPECT_TRUE(rtf.contains("\\cb3 \\{\\'c6\\}\\\\\\cell}")) << rtf.constData();
}

TEST(GridExchangeExport, WithoutASelectionNothingAtAllIsWritten)
{
    FooterGrid g;
    for (auto exported : { &ExchangeGrid::exported<TDBGridEhExportAsText>,
             &ExchangeGrid::exported<TDBGridEhExportAsRTF>, &ExchangeGrid::exported<TDBGridEhExportAsVCLDBIF> })
        EXPECT_TRUE((g.*exported)(false).isEmpty());
}

TEST(GridExchangeExport, EachSelectionKindWritesItsRecordsAndColumns)
{
    ExchangeGrid g;
    g.fill(5);
    g.show();
    g.columns({ "ID", "NAME", "AMOUNT" });
    g.grid->SetOptions((g.grid->Options() | dgMultiSelect) & ~dgTitles);
    const auto bookmarkOf = [&](int id) {
        g.ds.Locate(QStringLiteral("ID"), id);
        return g.ds.GetBookmark();
    };

    // Records in dataset order, whatever order they were picked in.
    g.grid->SelectedBookmarks().SetSelected(bookmarkOf(4), true);
    g.grid->SelectedBookmarks().SetSelected(bookmarkOf(2), true);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstRecordBookmarks));
    EXPECT_EQ(g.exported<TDBGridEhExportAsText>(false), QByteArray("2\tName 2\t3\r\n4\tName 4\t6"));

    // A rectangle from its lower corner up: the columns between and the records between.
    g.grid->Selection().Clear();
    g.grid->Selection().Rect().SelectCell(2, bookmarkOf(3), false);
    g.grid->Selection().Rect().SelectCell(1, bookmarkOf(2), true);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstRectangle));
    EXPECT_EQ(g.exported<TDBGridEhExportAsText>(false), QByteArray("Name 2\t3\r\nName 3\t4.5"));

    // Columns: every record.
    g.grid->Selection().Clear();
    g.grid->Selection().Columns().SelectColumn(g.grid->Columns()[0], false);
    ASSERT_EQ(g.grid->Selection().SelectionType(), unsigned(gstColumns));
    EXPECT_EQ(g.exported<TDBGridEhExportAsText>(false), QByteArray("1\r\n2\r\n3\r\n4\r\n5"));
}

TEST(GridExchangeExport, TheViewIsWhereItWasAfterAnExport)
{
    ExchangeGrid g;
    g.fill(60);
    g.show(300, 200);
    g.ds.Locate(QStringLiteral("ID"), 40);
    const int row = g.grid->Row();
    const int first = g.grid->DataLink()->FirstRecord();
    g.exported<TDBGridEhExportAsText>();
    EXPECT_EQ(g.field("ID")->AsInteger(), 40);
    EXPECT_EQ(g.grid->Row(), row);
    EXPECT_EQ(g.grid->DataLink()->FirstRecord(), first);
}

TEST(GridExchangeExport, AFileIsReplacedOnlyByACompleteExport)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("services.csv"));
    FooterGrid g;
    ExportGridToFile<TDBGridEhExportAsCSV>(g.grid.get(), path, true);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    file.close();
    EXPECT_EQ(written, g.exported<TDBGridEhExportAsCSV>());

    // A failure half-way leaves the old file and no temporary file beside it.
    int cells = 0;
    g.grid->OnGetCellParams = [&](TCustomDBGridEh *, TColumnEh *, TFont &, TColor &, TGridDrawState) {
        if (++cells == 3)
            throw Exception(QStringLiteral("broken cell"));
    };
    EXPECT_THROW(ExportGridToFile<TDBGridEhExportAsCSV>(g.grid.get(), path, true), Exception);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), written);
    file.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("services.csv") });

    // A target that cannot be written is named in the error.
    g.grid->OnGetCellParams = nullptr;
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    try {
        ExportGridToFile<TDBGridEhExportAsCSV>(g.grid.get(), folder, true);
        ADD_FAILURE() << "no error";
    } catch (const Exception &error) {
        EXPECT_TRUE(error.message().contains(folder)) << error.message().toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("services.csv") });
}

TEST(GridExchangeExport, AMultiLevelTitleIsOneRtfRowPerLevelWithMergedNodesWrittenOnce)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"));
    g.show();
    g.columns({ "ID", "NAME", "FLAG" });
    g.grid->Columns()[0]->Title().SetCaption(QStringLiteral("Group|First"));
    g.grid->Columns()[1]->Title().SetCaption(QStringLiteral("Group|Second"));
    g.grid->Columns()[2]->Title().SetCaption(QStringLiteral("Alone"));
    g.grid->SetUseMultiTitle(true);
    g.grid->SetFooterRowCount(0);
    QApplication::processEvents();
    const QByteArray rtf = g.exported<TDBGridEhExportAsRTF>();
    // Title rows come before the data row: two of them, every cell centred.
    const QList<QByteArray> rows = rtf.split('\n');
    QList<QByteArray> texts;
    for (const QByteArray &line : rows)
        if (line.startsWith("\\pard\\intbl{"))
            texts << line.mid(line.lastIndexOf(' ') + 1).chopped(7); // the text before "\cell}\r"
    ASSERT_EQ(texts.size(), 9);
    EXPECT_EQ(texts.mid(0, 3), (QList<QByteArray> { "Group", "", "Alone" }));
    EXPECT_EQ(texts.mid(3, 3), (QList<QByteArray> { "First", "Second", "" }));
    EXPECT_EQ(texts.mid(6, 3), (QList<QByteArray> { "1", "a", "" }));
    EXPECT_EQ(rtf.count("\\qc"), 6);
    const int dpi = g.grid->logicalDpiX();
    const QByteArray margin = QByteArray::number(int(double(g.grid->VTitleMargin()) / 2 / dpi * 1440.0 - 20));
    EXPECT_TRUE(rtf.contains("\\qc\\sb" + margin + "\\sa" + margin)) << rtf.constData();
    // "Group" over two columns: no border between them in the top row; "Alone" has no border inside its two rows.
    const QByteArray top = rtf.mid(0, rtf.indexOf("{\\trrh0"));
    EXPECT_EQ(top.count("\\clbrdrr"), 2);
    EXPECT_EQ(top.count("\\clbrdrl"), 2);
    EXPECT_EQ(top.count("\\clbrdrb"), 2);
}
