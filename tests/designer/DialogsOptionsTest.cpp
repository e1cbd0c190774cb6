// The page and report options: the values they show and answer, on the virtual printer and on a printer of the
// platform's.
#include "FR_Dopt.h"
#include "FR_pgopt.h"

#include "DialogsFixture.h"
#include "Screenshot.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

using tarvik::test::activeModal;

// Two office printers: the first offers a paper of the user's own size before A4 and A3, and two trays.
class OfficePrinters : public PlatformPrinters
{
public:
    QStringList printerNames() const override { return { "Касса", "Бухгалтерия" }; }
    int defaultPrinterIndex() const override { return 0; }
    bool readSettings(int, PlatformPrinterSettings &s) override
    {
        s.paperSize = PaperA4;
        s.paperWidth = 2100;
        s.paperHeight = 2970;
        s.paperSizes = { PaperCustom, PaperA4, 8 };
        s.paperNames = { "Свой размер", "A4", "A3" };
        s.bins = { 15, 7 };
        s.binNames = { "Лоток 1", "Ручная подача" };
        return true;
    }
    bool applySettings(int, int, int, int, int, int) override { return true; }
    bool showProperties(int) override { return false; }
};

class DialogsPageOptions : public DialogsFixture
{
protected:
    static TfrPageOptions a4()
    {
        TfrPageOptions v;
        v.PrintToPrevPage = true;
        v.MarginsUsed = false;
        v.UnlimitedHeight = true;
        v.LeftMargin = 20;
        v.TopMargin = 36;
        v.RightMargin = 0;
        v.BottomMargin = 19;
        v.ColumnGap = 18;
        v.Columns = 2;
        return v;
    }
};
using DialogsReportOptions = DialogsFixture;

TEST_F(DialogsPageOptions, ShowsThePagesValuesInMillimetresAndAnswersThemUnchanged)
{
    TfrPageOptions values = a4();
    QMap<QString, QString> shown;
    bool portraitShown = false, landscapeShown = true, sizeEditable = true;
    auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
        for (QLineEdit *edit : { f.E1, f.E2, f.E3, f.E4, f.E5, f.E6, f.E7, f.Edit1 })
            shown[edit->objectName()] = edit->text();
        shown["ComB1"] = f.ComB1->currentText();
        shown["BinList"] = f.BinList->currentItem()->text();
        shown["checked"] = QStringList { f.CB1->isChecked() ? "CB1" : "", f.CB2->isChecked() ? "CB2" : "",
            f.CB5->isChecked() ? "CB5" : "", f.RB1->isChecked() ? "RB1" : "" }
                               .join(u' ');
        portraitShown = f.imgPortrait->isVisible();
        landscapeShown = f.imgLandScape->isVisible();
        sizeEditable = f.E1->isEnabled() || f.E2->isEnabled() || f.Label1->isEnabled();
        tarvik::test::SaveScreenshot(&f, QStringLiteral("designer-pageoptions"));
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(TfrPgoptForm::Execute(values));
    const QMap<QString, QString> expected {
        { "E1", "" },
        { "E2", "" },
        { "E3", "5.556" },
        { "E4", "10" },
        { "E5", "0" },
        { "E6", "5.278" },
        { "E7", "5" },
        { "Edit1", "2" },
        { "ComB1", "A4 210 x 297 мм" },
        { "BinList", "По умолчанию" },
        { "checked", "CB1 CB2 CB5 RB1" },
    };
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(portraitShown);
    EXPECT_FALSE(landscapeShown);
    EXPECT_FALSE(sizeEditable) << "A4 has its own size";
    EXPECT_EQ(values, a4()) << "the millimetres shown read back as the same pixels";
}

TEST_F(DialogsPageOptions, OnlyAPaperOfTheUsersOwnSizeTakesAWidthAndHeight)
{
    TfrPageOptions values = a4();
    values.PaperSize = PaperCustom;
    values.PaperWidth = 1234;
    values.PaperHeight = 2001;
    std::vector<std::pair<QString, bool>> steps;
    auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
        steps.emplace_back(f.E1->text() + u'x' + f.E2->text(), f.E1->isEnabled() && f.Label2->isEnabled());
        chooseInCombo(f.ComB1, 7);
        steps.emplace_back(f.ComB1->currentText(), f.E1->isEnabled() || f.E2->isEnabled() || f.Label1->isEnabled());
        chooseInCombo(f.ComB1, f.ComB1->count() - 1);
        steps.emplace_back(f.ComB1->currentText(), f.E1->isEnabled() && f.E2->isEnabled() && f.Label1->isEnabled());
        retype(f.E1, QStringLiteral("100"));
        retype(f.E2, QStringLiteral("150,55"));
        clickBox(f.RB2);
        steps.emplace_back(QStringLiteral("landscape"), f.imgLandScape->isVisible() && !f.imgPortrait->isVisible());
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(TfrPgoptForm::Execute(values));
    const std::vector<std::pair<QString, bool>> expected { { "123.4x200.1", true }, { "A3 297 x 420 мм", false },
        { "Другой", true }, { "landscape", true } };
    EXPECT_EQ(steps, expected);
    EXPECT_EQ(values.PaperSize, PaperCustom);
    EXPECT_EQ(values.PaperWidth, 1000);
    EXPECT_EQ(values.PaperHeight, 1506) << "tenths of a millimetre, rounded, with either decimal separator";
    EXPECT_EQ(values.Orientation, 1);
}

TEST_F(DialogsPageOptions, EnablesThePaperSizeByThePrintersPaperCodeAndAnswersItsBin)
{
    frAttachPlatformPrinters(std::make_unique<OfficePrinters>());
    TfrPageOptions values = a4();
    QStringList papers, bins;
    bool a4Editable = true, customEditable = false;
    auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
        papers = texts(f.ComB1);
        bins = texts(f.BinList);
        a4Editable = f.E1->isEnabled();
        chooseInCombo(f.ComB1, 0);
        customEditable = f.E1->isEnabled();
        chooseInCombo(f.ComB1, 2);
        clickRow(f.BinList, 2);
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(TfrPgoptForm::Execute(values));
    EXPECT_EQ(papers, (QStringList { "Свой размер", "A4", "A3" }));
    EXPECT_EQ(bins, (QStringList { "По умолчанию", "Лоток 1", "Ручная подача" }));
    EXPECT_FALSE(a4Editable);
    EXPECT_TRUE(customEditable);
    EXPECT_EQ(values.PaperSize, 8);
    EXPECT_EQ(values.Bin, 7);
}

TEST_F(DialogsPageOptions, FallsBackForAPaperSizeOrMarginThatIsNoNumber)
{
    const struct
    {
        const char *edit;
        QString text;
        int paperSize;
        int margins; // each margin and the gap
    } cases[] = {
        { "E1", QStringLiteral("wide"), PaperA4, 18 },
        { "E2", QString(), PaperA4, 18 },
        { "E3", QStringLiteral("x"), PaperCustom, 0 },
        { "E7", QStringLiteral("1..5"), PaperCustom, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.edit);
        TfrPageOptions values;
        values.PaperSize = PaperCustom;
        values.PaperWidth = 1000;
        values.PaperHeight = 1500;
        values.LeftMargin = values.TopMargin = values.RightMargin = values.BottomMargin = values.ColumnGap = 18;
        auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
            retype(f.findChild<QLineEdit *>(QString::fromLatin1(c.edit)), c.text);
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        });
        ASSERT_TRUE(TfrPgoptForm::Execute(values));
        EXPECT_EQ(values.PaperSize, c.paperSize);
        EXPECT_EQ(values.LeftMargin, c.margins);
        EXPECT_EQ(values.BottomMargin, c.margins);
        EXPECT_EQ(values.ColumnGap, c.margins);
        EXPECT_TRUE(messages.requests.isEmpty()) << "these fall back without a word";
    }
}

TEST_F(DialogsPageOptions, SpinButtonsStepTheColumnCountNeverBelowZero)
{
    const struct
    {
        QString text;
        const char *button;
        QString after;
    } cases[] = {
        { QStringLiteral("3"), "SB1", QStringLiteral("4") },
        { QStringLiteral("3"), "SB2", QStringLiteral("2") },
        { QStringLiteral("0"), "SB2", QStringLiteral("0") },
        // A count that is no number counts as 0.
        { QStringLiteral("two"), "SB1", QStringLiteral("1") },
        { QStringLiteral("two"), "SB2", QStringLiteral("0") },
        { QString(), "SB1", QStringLiteral("1") },
    };
    QStringList after;
    auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
        for (const auto &c : cases) {
            retype(f.Edit1, c.text);
            QTest::mouseClick(f.findChild<QToolButton *>(QString::fromLatin1(c.button)), Qt::LeftButton);
            after << f.Edit1->text();
        }
        f.reject();
    });
    TfrPageOptions values;
    EXPECT_FALSE(TfrPgoptForm::Execute(values));
    QStringList expected;
    for (const auto &c : cases)
        expected << c.after;
    EXPECT_EQ(after, expected);
}

TEST_F(DialogsPageOptions, RefusesAColumnCountThatIsNoWholeNumberAndAnswersNothing)
{
    for (const QString &typed : { QStringLiteral("2.5"), QStringLiteral("two"), QString() }) {
        SCOPED_TRACE(typed.toStdString());
        messages.requests.clear();
        TfrPageOptions values = a4();
        bool stayedOpen = false;
        QWidget *tab = nullptr;
        auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
            clickBox(f.RB2);
            retype(f.E3, QStringLiteral("30"));
            retype(f.Edit1, typed);
            f.PageControl1->setCurrentIndex(0);
            QTest::mouseClick(f.Button1, Qt::LeftButton);
            stayedOpen = activeModal<TfrPgoptForm>() == &f && f.isVisible();
            tab = f.PageControl1->currentWidget();
            EXPECT_EQ(tab, f.TabSheet3) << "the field refused is shown";
            QTest::mouseClick(f.Button2, Qt::LeftButton);
        });
        EXPECT_FALSE(TfrPgoptForm::Execute(values));
        EXPECT_TRUE(stayedOpen);
        ASSERT_EQ(messages.requests.size(), 1);
        EXPECT_EQ(messages.requests[0].type, mtError);
        EXPECT_EQ(messages.lastText(), QStringLiteral("Колонки, Количество: «%1» не является целым числом").arg(typed));
        EXPECT_EQ(values, a4()) << "nothing was answered, not even the values read before the count";
    }

    // Mended, the count goes through with everything else.
    TfrPageOptions values = a4();
    auto answer = whenShown<TfrPgoptForm>([&](TfrPgoptForm &f) {
        retype(f.Edit1, QStringLiteral("2.5"));
        QTest::mouseClick(f.Button1, Qt::LeftButton);
        retype(f.Edit1, QStringLiteral(" 3 "));
        retype(f.E3, QStringLiteral("30"));
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(TfrPgoptForm::Execute(values));
    EXPECT_EQ(values.Columns, 3);
    EXPECT_EQ(values.LeftMargin, 108);
}

TEST_F(DialogsReportOptions, ShowsAndAnswersThePrinterChoiceAndTwoPassesOnTheVirtualPrinter)
{
    const struct
    {
        bool keepDefault, twoPass;
    } cases[] = { { false, false }, { true, false }, { false, true }, { true, true } };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.keepDefault << c.twoPass);
        TfrReportOptions values { c.keepDefault, c.twoPass, 5 };
        QStringList printers;
        int row = -1;
        bool selectShown = false, twoPassShown = false;
        auto answer = whenShown<TfrDocOptForm>([&](TfrDocOptForm &f) {
            printers = texts(f.LB1);
            row = f.LB1->currentRow();
            selectShown = f.CB1->isChecked();
            twoPassShown = f.CB2->isChecked();
            clickBox(f.CB1);
            clickBox(f.CB2);
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        });
        ASSERT_TRUE(TfrDocOptForm::Execute(values));
        EXPECT_EQ(printers, QStringList { "Виртуальный принтер" });
        EXPECT_EQ(row, 0);
        EXPECT_EQ(selectShown, !c.keepDefault) << "checked when the report does not keep the default printer";
        EXPECT_EQ(twoPassShown, c.twoPass);
        EXPECT_EQ(values.KeepDefaultPrinter, !c.keepDefault);
        EXPECT_EQ(values.TwoPass, !c.twoPass);
        EXPECT_EQ(values.PrinterIndex, 0);
    }
}

TEST_F(DialogsReportOptions, AnswersThePrinterChosenAndNothingOnCancel)
{
    frAttachPlatformPrinters(std::make_unique<OfficePrinters>());
    TfrReportOptions values;
    QStringList printers;
    auto choose = whenShown<TfrDocOptForm>([&](TfrDocOptForm &f) {
        printers = texts(f.LB1);
        EXPECT_EQ(f.LB1->currentRow(), 0) << "the engine printer's current one";
        clickRow(f.LB1, 1);
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(TfrDocOptForm::Execute(values));
    EXPECT_EQ(printers, (QStringList { "Касса", "Бухгалтерия", "Виртуальный принтер" }));
    EXPECT_EQ(values.PrinterIndex, 1);
    EXPECT_EQ(EnginePrinter().PrinterIndex, 0) << "the caller selects it";

    auto cancel = whenShown<TfrDocOptForm>([&](TfrDocOptForm &f) {
        clickRow(f.LB1, 2);
        clickBox(f.CB2);
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    EXPECT_FALSE(TfrDocOptForm::Execute(values));
    EXPECT_EQ(values.PrinterIndex, 1);
    EXPECT_FALSE(values.TwoPass);
}

} // namespace
