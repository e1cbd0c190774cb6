#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Prntr.h"

#include <gtest/gtest.h>

namespace {

class ModelEngine : public ::testing::Test
{
protected:
    void SetUp() override { frResetEngine(); }
};

TEST_F(ModelEngine, StringTableAnswersQuotedTextsAndEmptyForUnknownIds)
{
    EXPECT_EQ(GetLocaleString(55345), QStringLiteral("Неверный FRF формат"));
    EXPECT_EQ(GetLocaleString(55206), QStringLiteral("Ошибка"));
    EXPECT_EQ(GetLocaleString(55007), QStringLiteral("Виртуальный принтер"));
    EXPECT_EQ(GetLocaleString(55016), QStringLiteral("A4 210 x 297 мм"));
    EXPECT_EQ(GetLocaleString(55008), QStringLiteral("Letter, 8 1/2 x 11\""));
    EXPECT_EQ(GetLocaleString(55074), QStringLiteral("Другой"));
    EXPECT_EQ(GetLocaleString(54999), QString());
    EXPECT_EQ(GetLocaleString(1), QString());

    CurrentLocale().OnLocalize = [](int id, QString &text) {
        if (id == 55206)
            text = QStringLiteral("Error");
    };
    EXPECT_EQ(GetLocaleString(55206), QStringLiteral("Error"));
    EXPECT_EQ(GetLocaleString(55345), QStringLiteral("Неверный FRF формат"));
    CurrentLocale().OnLocalize = nullptr;
}

TEST_F(ModelEngine, GlobalsLoadTablesFromTheStrings)
{
    TfrGlobals &e = frEngine();
    EXPECT_EQ(e.EngineCharset, 204);
    ASSERT_EQ(e.BandNames.size(), 23);
    EXPECT_EQ(e.BandNames.first(), QStringLiteral("Report title"));
    EXPECT_EQ(e.BandNames.at(21), QStringLiteral("Child"));
    EXPECT_EQ(e.BandNames.last(), QStringLiteral("Нет"));
    EXPECT_EQ(e.BoolFormats, QStringList({"0;1", "Нет;Да", "_;x", "False;True"}));
    EXPECT_EQ(e.DateFormats.at(3), QStringLiteral("d mmmm yyyy"));
    EXPECT_EQ(e.TimeFormats.at(3), QStringLiteral("h:nn"));
    EXPECT_EQ(e.CheckerBitmap.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(e.CheckerBitmap.pixel(1, 0), 0xFFC0C0C0u);
    EXPECT_EQ(e.CheckerBitmap.pixel(1, 1), 0xFFFFFFFFu);
}

TEST_F(ModelEngine, RegistriesIgnoreRepeatsAndRefuseBeyondTheirCapacity)
{
    auto create = [] { return static_cast<TfrView *>(nullptr); };
    // The barcode object registers itself when the engine starts.
    const size_t atStart = frEngine().AddIns.size();
    RegisterAddInObject("TfrA", create, QImage(), "hint");
    RegisterAddInObject("TfrA", create, QImage(), "hint");
    EXPECT_EQ(frEngine().AddIns.size(), atStart + 1);
    for (int i = int(atStart) + 1; i < RegistryCapacity; ++i)
        RegisterAddInObject(QStringLiteral("TfrX%1").arg(i), create, QImage(), QString());
    EXPECT_THROW(RegisterAddInObject("TfrOneTooMany", create, QImage(), QString()), std::length_error);

    auto *filter = reinterpret_cast<TfrExportFilter *>(0x10);
    RegisterExportFilter(filter, "Text", "*.txt");
    RegisterExportFilter(filter, "Text", "*.txt");
    EXPECT_EQ(frEngine().ExportFilters.size(), 1u);
    UnregisterExportFilter(filter);
    EXPECT_TRUE(frEngine().ExportFilters.empty());
}

// --- printer

TEST_F(ModelEngine, VirtualPrinterGivesTheA4Geometry)
{
    TfrPrinter &p = EnginePrinter();
    ASSERT_EQ(p.Printers.size(), 1);
    EXPECT_EQ(p.Printers.first(), QStringLiteral("Виртуальный принтер"));
    EXPECT_TRUE(p.IsVirtual());
    EXPECT_EQ(p.PaperSize, 9);
    EXPECT_EQ(p.PaperWidth, 2100);
    EXPECT_EQ(p.PaperHeight, 2970);
    EXPECT_EQ(p.PaperSizesNum, 67);
    EXPECT_EQ(p.PaperNames.at(8), QStringLiteral("A4 210 x 297 мм"));
    EXPECT_EQ(p.BinNames, QStringList{QStringLiteral("По умолчанию")});
    EXPECT_TRUE(frEngine().PrinterReady);
    EXPECT_EQ(frEngine().DefaultPaperSize, 9);

    TPrinterGeometry g;
    p.FillPrnInfo(g);
    EXPECT_EQ(g.PaperWidthUnits, 758);
    EXPECT_EQ(g.PaperHeightUnits, 1071);
    EXPECT_EQ(g.OffsetX, 18);
    EXPECT_EQ(g.OffsetY, 18);
    EXPECT_EQ(g.PrintWidth, 722);
    EXPECT_EQ(g.PrintHeight, 1035);
    EXPECT_EQ(g.DevPaperWidth, 0);
}

TEST_F(ModelEngine, VirtualPrinterPapersOrientationAndComparison)
{
    TfrPrinter &p = EnginePrinter();
    p.SetPrinterInfo(9, 0, 0, DefaultBin, 1, false);
    EXPECT_EQ(p.PaperWidth, 2970);
    EXPECT_EQ(p.PaperHeight, 2100);
    p.SetPrinterInfo(66, 0, 0, DefaultBin, 0, false);
    EXPECT_EQ(p.PaperWidth, 4200);
    EXPECT_EQ(p.PaperHeight, 5940);
    p.SetPrinterInfo(1, 0, 0, DefaultBin, 0, false);
    EXPECT_EQ(p.PaperWidth, 2159);
    EXPECT_EQ(p.PaperHeight, 2794);

    // A custom size keeps the given size.
    p.SetPrinterInfo(PaperCustom, 1000, 1500, DefaultBin, 0, false);
    EXPECT_EQ(p.PaperWidth, 1000);
    EXPECT_EQ(p.PaperHeight, 1500);
    EXPECT_TRUE(p.IsEqual(PaperCustom, 1001, 1499, 0, 7));
    EXPECT_FALSE(p.IsEqual(PaperCustom, 1002, 1500, 0, 7));
    EXPECT_FALSE(p.IsEqual(PaperCustom, 1000, 1500, 1, 7));

    p.SetPrinterInfo(9, 0, 0, 3, 0, false);
    EXPECT_TRUE(p.IsEqual(9, 0, 0, 0, 3));
    EXPECT_TRUE(p.IsEqual(9, 5, 5, 0, 0x1FFFF));
    EXPECT_FALSE(p.IsEqual(9, 0, 0, 0, 4));
    EXPECT_FALSE(p.IsEqual(8, 0, 0, 0, 3));

    EXPECT_EQ(p.IndexOfPaperSize(9), 8);
    EXPECT_EQ(p.IndexOfPaperSize(48), 66);
    EXPECT_EQ(p.PaperSizes.at(66), PaperCustom);
    EXPECT_EQ(p.IndexOfBin(DefaultBin), 0);
    EXPECT_EQ(p.IndexOfBin(5), 0);
}

// A scripted platform printer: one real printer that can refuse its settings.
class FakePrinters : public PlatformPrinters
{
public:
    bool fail = false;
    QStringList printerNames() const override { return {"Office"}; }
    int defaultPrinterIndex() const override { return 0; }
    bool readSettings(int, PlatformPrinterSettings &s) override
    {
        if (fail)
            return false;
        s.paperSize = 9;
        s.paperWidth = 2100;
        s.paperHeight = 2970;
        s.paperSizes = {9, 8};
        s.paperNames = {"A4", "A3"};
        s.bins = {15, 7};
        s.binNames = {"Auto", "Tray 1"};
        s.dpiX = s.dpiY = 600;
        s.physicalWidth = 4960;
        s.physicalHeight = 7016;
        s.offsetX = s.offsetY = 100;
        s.printableWidth = 4760;
        s.printableHeight = 6816;
        return true;
    }
    bool applySettings(int, int, int, int, int, int) override { return true; }
    bool showProperties(int) override { return false; }
};

TEST_F(ModelEngine, RealPrinterSettingsAndFallbackToTheVirtualPrinter)
{
    auto owned = std::make_unique<FakePrinters>();
    FakePrinters *fake = owned.get();
    frAttachPlatformPrinters(std::move(owned));
    TfrPrinter &p = EnginePrinter();
    ASSERT_EQ(p.Printers, QStringList({"Office", "Виртуальный принтер"}));
    EXPECT_EQ(p.PrinterIndex, 0);
    EXPECT_EQ(p.VirtualPrinterIndex, 1);
    EXPECT_EQ(p.BinsNum, 3);
    EXPECT_EQ(p.Bins.front(), DefaultBin);
    EXPECT_EQ(p.BinNames.first(), QStringLiteral("По умолчанию"));
    EXPECT_EQ(p.IndexOfBin(7), 2);
    EXPECT_EQ(p.IndexOfPaperSize(66), 1);

    TPrinterGeometry g;
    p.FillPrnInfo(g);
    EXPECT_EQ(g.DevPaperWidth, 4960);
    EXPECT_EQ(g.PaperWidthUnits, frRound(4960 * (18600.0 / 203) / 600));
    EXPECT_EQ(g.OffsetX, frRound(100 * (18600.0 / 203) / 600));

    p.SetPrinterIndex(1);
    EXPECT_TRUE(p.IsVirtual());
    EXPECT_EQ(p.PaperSizesNum, 67);
    p.SetPrinterIndex(0);
    EXPECT_EQ(p.PaperSizesNum, 2);

    fake->fail = true;
    p.Refresh();
    EXPECT_TRUE(p.IsVirtual());
}

} // namespace

#include "FR_PrDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace {

TEST_F(ModelEngine, PrintDialogCopiesPagesAndPrinter)
{
    auto owned = std::make_unique<FakePrinters>();
    frAttachPlatformPrinters(std::move(owned));
    TfrPrintForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Печать"));
    EXPECT_EQ(form.CB1->count(), 1);
    EXPECT_EQ(form.CB2->count(), 3);
    EXPECT_EQ(form.Copies(), 1);
    form.DownButton->click();
    EXPECT_EQ(form.Copies(), 1);
    form.UpButton->click();
    form.UpButton->click();
    EXPECT_EQ(form.Copies(), 3);
    EXPECT_TRUE(form.Collate());
    QTest::mouseClick(form.Label3, Qt::LeftButton);
    EXPECT_FALSE(form.Collate());

    EXPECT_EQ(form.PageList(4), QString());
    form.RB2->setChecked(true);
    EXPECT_EQ(form.PageList(4), QStringLiteral("4"));
    QTest::keyClicks(form.E2, "1,3-5");
    EXPECT_TRUE(form.RB3->isChecked());
    EXPECT_EQ(form.PageList(4), QStringLiteral("1,3-5"));

    // A printer chosen and then cancelled is put back.
    EnginePrinter().SetPrinterIndex(1);
    form.reject();
    EXPECT_EQ(EnginePrinter().PrinterIndex, 0);
}

} // namespace
