// Pasting and importing into a grid's dataset, the binary format's checks, the clipboard between two grids,
// and clearing a selection.
#include "GridExchange.h"

#include "Exceptions.h"
#include "Formats.h"
#include "MemTable.h"
#include "ServiceFakes.h"
#include "WidgetKit.h"

#include <gtest/gtest.h>

using namespace tarvik::test;

namespace {

void pasteText(TCustomDBGridEh *grid, const QString &text, bool all = false)
{
    Clipboard::SetText(text);
    PasteClipboardIntoGrid(grid, all);
}

} // namespace

TEST(GridExchangeImport, ThreeCellsPastedOntoTheLastVisibleColumnWriteOnlyTheFirst)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"), 1.0);
    g.show();
    g.columns({ "ID", "NAME", "AMOUNT" });
    g.grid->SetSelectedIndex(2);
    pasteText(g.grid.get(), QStringLiteral("7\t8\t9"));
    EXPECT_EQ(g.ds.State(), dsBrowse);
    EXPECT_EQ(g.ds.RecordCount(), 1);
    EXPECT_EQ(g.field("ID")->AsInteger(), 1);
    EXPECT_EQ(g.field("NAME")->AsString(), QStringLiteral("a"));
    EXPECT_EQ(g.field("AMOUNT")->AsFloat(), 7.0);
}

TEST(GridExchangeImport, AnEmptyDatasetIsAppendedToUntilTheTextEndsAndATrailingLineEndAddsNoRecord)
{
    for (const char *text : { "1\tа\r\n2\tb\r\n3\t", "1\tа\r\n2\tb\r\n3\t\r\n" }) {
        SCOPED_TRACE(text);
        ExchangeGrid g;
        g.show();
        g.columns({ "ID", "NAME" });
        pasteText(g.grid.get(), QString::fromUtf8(text));
        EXPECT_EQ(g.ds.RecordCount(), 3);
        EXPECT_EQ(g.names(), (QStringList { QStringLiteral("а"), QStringLiteral("b"), QStringLiteral("<null>") }));
    }
}

TEST(GridExchangeImport, AnEmptyCellBeforeATabWritesEmptyTextAndAnEmptyLastCellLeavesTheField)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"), 1.0, QStringLiteral("x"));
    g.add(2, QStringLiteral("b"), 2.0, QStringLiteral("y"));
    g.ds.First();
    g.show();
    g.columns({ "NAME", "FLAG" });
    g.imported<TDBGridEhImportAsText>(ansi("\tz\r\nq\t"));
    g.ds.First();
    EXPECT_EQ(g.field("NAME")->AsString(), QString());
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("z"));
    g.ds.Next();
    EXPECT_EQ(g.field("NAME")->AsString(), QStringLiteral("q"));
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("y"));
}

TEST(GridExchangeImport, ALoneCarriageReturnStopsTheImport)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"));
    g.show();
    g.columns({ "ID", "NAME" });
    try {
        g.imported<TDBGridEhImportAsText>(QByteArray("5\tb\rc"));
        ADD_FAILURE() << "no error";
    } catch (const Exception &error) {
        EXPECT_EQ(error.message(), QStringLiteral("TDBGridEhImportAsText.CheckState: Неверный формат текста"));
    }
    EXPECT_FALSE(g.ds.ControlsDisabled());
}

TEST(GridExchangeImport, ARefusedValueAsksAndNoCancelsTheRecordInProgress)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"));
    g.add(2, QStringLiteral("b"));
    g.ds.First();
    g.show();
    g.columns({ "NAME", "ID" });
    FakeMessageService messages;
    messages.answer(mrNo);
    g.imported<TDBGridEhImportAsText>(QByteArray("x\tnot a number\r\ny\t5"));
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests[0].type, mtError);
    EXPECT_EQ(messages.requests[0].buttons, TMsgDlgButtons(mbYes | mbNo | mbAll));
    EXPECT_TRUE(messages.lastText().startsWith(QStringLiteral("Ошибка при вставки значения:\n")));
    EXPECT_TRUE(messages.lastText().endsWith(QStringLiteral("\n\nИгнорировать ошибку?")));
    EXPECT_EQ(g.names(), (QStringList { QStringLiteral("a"), QStringLiteral("b") }));

    // All goes on and asks no more.
    messages.answer(mrAll);
    g.ds.First();
    g.imported<TDBGridEhImportAsText>(QByteArray("x\tbad\r\ny\tworse"));
    EXPECT_EQ(messages.requests.size(), 2);
    EXPECT_EQ(g.names(), (QStringList { QStringLiteral("x"), QStringLiteral("y") }));
}

namespace {

// Two records exported in the binary format from a grid of ID and NAME.
QByteArray twoRecordStream()
{
    ExchangeGrid source;
    source.add(7, QStringLiteral("seven"));
    source.add(8);
    source.show();
    source.columns({ "ID", "NAME" });
    return source.exported<TDBGridEhExportAsVCLDBIF>();
}

QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((quint32(v) >> (8 * i)) & 0xFF);
    return b;
}

} // namespace

TEST(GridExchangeImport, ABinaryStreamCutAnywhereOrWithABadLengthChangesNothing)
{
    const QByteArray whole = twoRecordStream();
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"));
    g.add(2, QStringLiteral("b"));
    g.ds.First();
    g.show();
    g.columns({ "ID", "NAME" });
    const QString error = QStringLiteral("TDBGridEhImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF");
    const auto refused = [&](const QByteArray &bytes, bool all) {
        try {
            g.imported<TDBGridEhImportAsVCLDBIF>(bytes, all);
        } catch (const EVCLDBIFFormatError &e) {
            EXPECT_EQ(e.message(), error);
            return true;
        }
        return false;
    };
    for (qsizetype cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_TRUE(refused(whole.left(cut), cut % 2 == 0));
        EXPECT_EQ(g.names(), (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
        EXPECT_EQ(g.ds.RecordCount(), 2);
        EXPECT_EQ(g.ds.State(), dsBrowse);
    }
    const QByteArray header = QByteArray("VCLDBIF\x01", 8) + le32(1) + QByteArray("\x01\x00", 2);
    const QByteArray bad[] = {
        QByteArray("VCLDBIX\x01", 8) + le32(0) + '\x00', // signature
        QByteArray("VCLDBIF\x01", 8) + le32(-1) + '\x00', // negative count
        QByteArray("VCLDBIF\x01", 8) + le32(1) + QByteArray("\x01x", 2), // a name without its end
        header + '\x05' + le32(-1) + '\x00', // negative length
        header + '\x05' + le32(1000) + "ab" + '\x00', // length beyond the data
        header + '\x06' + le32(0x7FFFFFFF) + '\x00', // oversized length
        header + '\x09' + '\x00', // unknown tag
        header + '\x03' + le32(5), // no end
    };
    for (const QByteArray &bytes : bad) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_TRUE(refused(bytes, false));
        EXPECT_EQ(g.names(), (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
    }
    // The whole stream goes in over the two records.
    g.ds.First();
    g.imported<TDBGridEhImportAsVCLDBIF>(whole, true);
    EXPECT_EQ(g.names(), (QStringList { QStringLiteral("seven"), QStringLiteral("<null>") }));
}

namespace {

// People with a birthday and a city looked up by its code; the cities are shared by both grids.
struct PeopleGrid
{
    explicit PeopleGrid(TMemTable &cities)
    {
        people.AddField<TIntegerField>(QStringLiteral("ID"));
        people.AddField<TDateField>(QStringLiteral("BORN"));
        people.AddField<TIntegerField>(QStringLiteral("CITY_ID"));
        auto *city = people.AddField<TStringField>(QStringLiteral("CITY"), fkLookup);
        city->SetSize(20);
        city->SetLookupDataSet(&cities);
        city->SetKeyFields(QStringLiteral("CITY_ID"));
        city->SetLookupKeyFields(QStringLiteral("CODE"));
        city->SetLookupResultField(QStringLiteral("TITLE"));
        people.Open();
        source.SetDataSet(&people);
        grid.SetDataSource(&source);
        grid.Columns().Clear();
        for (const char *name : { "ID", "BORN", "CITY" })
            grid.Columns().Add()->SetFieldName(QString::fromLatin1(name));
        grid.resize(300, 200);
        grid.show();
    }

    void add(const QVariant &id, const QVariant &born, const QVariant &cityId)
    {
        people.Append();
        people.FieldByName(QStringLiteral("ID"))->SetValue(id);
        people.FieldByName(QStringLiteral("BORN"))->SetValue(born);
        people.FieldByName(QStringLiteral("CITY_ID"))->SetValue(cityId);
        people.Post();
    }

    QStringList rows()
    {
        QStringList list;
        for (people.First(); !people.Eof(); people.Next()) {
            QStringList cells;
            for (const char *name : { "ID", "BORN", "CITY_ID", "CITY" }) {
                TField *f = people.FieldByName(QString::fromLatin1(name));
                cells << (f->IsNull() ? QStringLiteral("<null>") : f->AsString());
            }
            list << cells.join(QLatin1Char('|'));
        }
        return list;
    }

    TMemTable people;
    TDataSource source;
    TDBGridEh grid;
};

struct Cities
{
    Cities()
    {
        table.AddField<TIntegerField>(QStringLiteral("CODE"));
        table.AddField<TStringField>(QStringLiteral("TITLE"))->SetSize(20);
        table.Open();
        for (const auto &[code, title] : { std::pair { 1, "Minsk" }, std::pair { 2, "Grodno" } }) {
            table.Append();
            table.FieldByName(QStringLiteral("CODE"))->SetValue(code);
            table.FieldByName(QStringLiteral("TITLE"))->SetValue(QString::fromLatin1(title));
            table.Post();
        }
    }
    TMemTable table;
};

} // namespace

TEST(GridExchangeImport, TheClipboardCarriesNullsDatesAndLookupsFromOneGridToAnother)
{
    Cities cities;
    PeopleGrid from(cities.table), to(cities.table);
    from.add(1, QDate(1990, 5, 17), 2);
    from.add(2, QVariant(), QVariant());
    from.add(QVariant(), QDate(2001, 1, 2), 1);
    CopyGridSelectionToClipboard(&from.grid, true);
    EXPECT_TRUE(Clipboard::HasFormat(QString::fromLatin1(ClipboardGridDataFormat)));
    EXPECT_TRUE(Clipboard::HasFormat(QString::fromLatin1(ClipboardCsvFormat)));
    EXPECT_TRUE(Clipboard::HasFormat(QString::fromLatin1(ClipboardRtfFormat)));
    EXPECT_TRUE(Clipboard::Text().contains(QStringLiteral("Grodno")));

    PasteClipboardIntoGrid(&to.grid, false);
    EXPECT_EQ(to.rows(), from.rows());
    ASSERT_EQ(to.rows().size(), 3);
    EXPECT_TRUE(to.rows()[0].startsWith(QStringLiteral("1|"))) << to.rows()[0].toStdString();
    EXPECT_TRUE(to.rows()[0].endsWith(QStringLiteral("|2|Grodno")));
    EXPECT_EQ(to.rows()[1], QStringLiteral("2|<null>|<null>|<null>"));
    EXPECT_TRUE(to.rows()[2].startsWith(QStringLiteral("<null>|")));
}

TEST(GridExchangeImport, TheBinaryFormatIsPreferredToTheText)
{
    Cities cities;
    PeopleGrid from(cities.table), to(cities.table);
    from.add(5, QDate(2020, 2, 29), 1);
    TMemoryStream binary;
    ExportGridToStream<TDBGridEhExportAsVCLDBIF>(&from.grid, binary, true);
    Clipboard::SetData(
        QStringLiteral("9\t\tGrodno"), { { QString::fromLatin1(ClipboardGridDataFormat), binary.Bytes() } });
    PasteClipboardIntoGrid(&to.grid, false);
    EXPECT_EQ(to.rows(), from.rows());

    // Text alone: the lookup column finds the key by the city's name.
    PeopleGrid other(cities.table);
    Clipboard::SetText(QStringLiteral("9\t\tgrod"));
    PasteClipboardIntoGrid(&other.grid, false);
    EXPECT_EQ(other.rows(), QStringList { QStringLiteral("9|<null>|2|Grodno") });
}

TEST(GridExchangeImport, ClearingEverythingAsksAndCancelDeletesNothing)
{
    ExchangeGrid g;
    g.fill(3);
    g.show();
    g.grid->SetOptions(g.grid->Options() | dgMultiSelect);
    g.grid->Selection().SelectEverything();
    FakeMessageService messages;
    messages.answer(mrCancel);
    ClearGridSelection(g.grid.get(), false);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Delete all selected records?"));
    EXPECT_EQ(messages.requests[0].buttons, TMsgDlgButtons(mbOKCancel));
    EXPECT_EQ(g.ds.RecordCount(), 3);
    messages.answer(mrOk);
    ClearGridSelection(g.grid.get(), false);
    EXPECT_EQ(g.ds.RecordCount(), 0);
}

TEST(GridExchangeImport, ClearingARectangleAsksAndEmptiesItsCells)
{
    ExchangeGrid g;
    g.fill(4);
    g.show();
    g.columns({ "ID", "NAME", "AMOUNT" });
    g.grid->SetOptions(g.grid->Options() | dgMultiSelect);
    g.ds.Locate(QStringLiteral("ID"), 2);
    const QByteArray second = g.ds.GetBookmark();
    g.ds.Locate(QStringLiteral("ID"), 3);
    g.grid->Selection().Rect().SelectCell(1, second, false);
    g.grid->Selection().Rect().SelectCell(2, g.ds.GetBookmark(), true);
    FakeMessageService messages;
    messages.answer(mrOk);
    ClearGridSelection(g.grid.get(), false);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Очистить выделенные ячейки?"));
    EXPECT_EQ(g.names(),
        (QStringList {
            QStringLiteral("Name 1"), QStringLiteral("<null>"), QStringLiteral("<null>"), QStringLiteral("Name 4") }));
    g.ds.Locate(QStringLiteral("ID"), 3);
    EXPECT_TRUE(g.field("AMOUNT")->IsNull());
    EXPECT_EQ(g.field("ID")->AsInteger(), 3);
}

TEST(GridExchangeImport, TheEditActionsCopyCutAndPasteThroughTheClipboard)
{
    ExchangeGrid g;
    g.fill(2);
    g.show();
    g.columns({ "ID", "NAME" });
    g.grid->SetOptions((g.grid->Options() | dgMultiSelect) & ~dgConfirmDelete);
    g.grid->EditActions = geaCopyEh | geaCutEh | geaPasteEh | geaDeleteEh | geaSelectAllEh;
    ASSERT_TRUE(g.grid->ExecuteEditAction(geaSelectAllEh));
    ASSERT_TRUE(g.grid->ExecuteEditAction(geaCopyEh));
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("ID\tNAME\r\n1\tName 1\r\n2\tName 2"));
    ASSERT_TRUE(g.grid->ExecuteEditAction(geaCutEh));
    EXPECT_EQ(g.ds.RecordCount(), 0);
    ASSERT_TRUE(g.grid->ExecuteEditAction(geaPasteEh));
    EXPECT_EQ(g.names(), (QStringList { QStringLiteral("Name 1"), QStringLiteral("Name 2") }));
}

TEST(GridExchangeImport, AKeyListColumnTakesTheKeyOfThePickedTextAndClearsForAnUnknownOne)
{
    ExchangeGrid g;
    g.add(1, QStringLiteral("a"), QVariant(), QStringLiteral("Y"));
    g.add(2, QStringLiteral("b"), QVariant(), QStringLiteral("Y"));
    g.ds.First();
    g.show();
    g.columns({ "FLAG" });
    g.grid->Columns()[0]->PickList() = QStringList { QStringLiteral("Yes"), QStringLiteral("No") };
    g.grid->Columns()[0]->KeyList() = QStringList { QStringLiteral("Y"), QStringLiteral("N") };
    g.imported<TDBGridEhImportAsText>(QByteArray("No\r\nMaybe"));
    g.ds.First();
    EXPECT_EQ(g.field("FLAG")->AsString(), QStringLiteral("N"));
    g.ds.Next();
    EXPECT_TRUE(g.field("FLAG")->IsNull());
}

TEST(GridExchangeImport, ClearingColumnsEmptiesThemInEveryRecordWithoutAsking)
{
    ExchangeGrid g;
    g.fill(3);
    g.show();
    g.columns({ "ID", "NAME" });
    g.grid->SetOptions(g.grid->Options() | dgMultiSelect);
    g.grid->Selection().Columns().SelectColumn(g.grid->Columns()[1], false);
    FakeMessageService messages;
    ClearGridSelection(g.grid.get(), false);
    EXPECT_TRUE(messages.requests.isEmpty());
    EXPECT_EQ(
        g.names(), (QStringList { QStringLiteral("<null>"), QStringLiteral("<null>"), QStringLiteral("<null>") }));
    EXPECT_EQ(g.ds.RecordCount(), 3);
}

TEST(GridExchangeImport, ClearingSelectedRecordsAsksAndDeletesOnlyThem)
{
    ExchangeGrid g;
    g.fill(4);
    g.show();
    g.grid->SetOptions(g.grid->Options() | dgMultiSelect);
    for (int id : { 2, 4 }) {
        g.ds.Locate(QStringLiteral("ID"), id);
        g.grid->SelectedBookmarks().SetCurrentRecordSelected(true);
    }
    FakeMessageService messages;
    messages.answer(mrOk);
    ClearGridSelection(g.grid.get(), false);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Delete all selected records?"));
    EXPECT_EQ(g.names(), (QStringList { QStringLiteral("Name 1"), QStringLiteral("Name 3") }));
    EXPECT_EQ(g.grid->SelectedBookmarks().Count(), 0);
}
