// The band dialogs: a data band's source, a cross band's sources per row band, and a new band's type.
#include "FR_BTyp.h"
#include "FR_BndEd.h"
#include "FR_VBnd.h"

#include "DialogsFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

using DialogsBandEditor = DialogsFixture;
using DialogsCrossBandEditor = DialogsFixture;
using DialogsBandTypes = DialogsFixture;

TEST_F(DialogsBandEditor, ShowsADataSourceTextAndStoresWhatTheShownChoiceStandsFor)
{
    dictionary().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QStringLiteral("Абоненты")));
    dictionary().BandDatasources.SetValue(QStringLiteral("frPayments"), Variant(QString()));
    const struct
    {
        QString text;
        QString shown;
        bool recordsEnabled;
        QString records;
        QString stored; // after OK with the choice as shown
    } cases[] = {
        { QStringLiteral("5"), QStringLiteral("Виртуальный"), true, QStringLiteral("5"), QStringLiteral("5") },
        { QStringLiteral("120"), QStringLiteral("Виртуальный"), true, QStringLiteral("120"), QStringLiteral("120") },
        // A record count never starts with 0; "[Нет]" is then kept as that text.
        { QStringLiteral("0"), QStringLiteral("[Нет]"), false, QStringLiteral("1"), QStringLiteral("[Нет]") },
        { QStringLiteral("07"), QStringLiteral("[Нет]"), false, QStringLiteral("1"), QStringLiteral("[Нет]") },
        { QString(), QStringLiteral("[Нет]"), false, QStringLiteral("1"), QStringLiteral("[Нет]") },
        { QStringLiteral("[Нет]"), QStringLiteral("[Нет]"), false, QStringLiteral("1"), QStringLiteral("[Нет]") },
        // A source is shown under its alias and stored under its real name.
        { QStringLiteral("frCustomers"), QStringLiteral("Абоненты"), false, QStringLiteral("1"),
            QStringLiteral("frCustomers") },
        // An empty alias leaves the source under its own name.
        { QStringLiteral("frPayments"), QStringLiteral("frPayments"), false, QStringLiteral("1"),
            QStringLiteral("frPayments") },
        { QStringLiteral("NoSuchSource"), QStringLiteral("[Нет]"), false, QStringLiteral("1"),
            QStringLiteral("[Нет]") },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TfrBandView *band = addBand(btMasterData, QStringLiteral("MasterData1"), c.text);
        designer.Calls.clear();
        QStringList choices;
        QString shown, records;
        bool recordsEnabled = false, labelEnabled = false;
        auto answer = whenShown<TfrBandEditorForm>([&](TfrBandEditorForm &f) {
            choices = texts(f.LB1);
            shown = f.LB1->currentItem()->text();
            records = f.Edit1->text();
            recordsEnabled = f.Edit1->isEnabled();
            labelEnabled = f.Label2->isEnabled();
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        });
        TfrBandEditorForm form;
        EXPECT_EQ(form.ShowEditor(band), mrOk);
        EXPECT_TRUE(answer.ran());
        EXPECT_EQ(choices, (QStringList { "[Нет]", "Виртуальный", "frPayments", "Абоненты" }));
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(recordsEnabled, c.recordsEnabled);
        EXPECT_EQ(labelEnabled, c.recordsEnabled);
        EXPECT_EQ(band->FormatText, c.stored);
        EXPECT_EQ(designer.Calls, QStringList { "BeginObjectChange" });
    }
}

TEST_F(DialogsBandEditor, TakesTheChoiceTheUserMakes)
{
    dictionary().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QStringLiteral("Абоненты")));
    dictionary().BandDatasources.SetValue(QStringLiteral("frPayments"), Variant(QString()));
    TfrBandView *band = addBand(btMasterData, QStringLiteral("MasterData1"), QStringLiteral("frCustomers"));

    // A number of virtual records, typed once the virtual source is chosen.
    auto virtualRecords = whenShown<TfrBandEditorForm>([&](TfrBandEditorForm &f) {
        EXPECT_FALSE(f.Edit1->isEnabled());
        clickRow(f.LB1, 1);
        EXPECT_TRUE(f.Edit1->isEnabled());
        retype(f.Edit1, QStringLiteral("12"));
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(TfrBandEditorForm().ShowEditor(band), mrOk);
    EXPECT_EQ(band->FormatText, QStringLiteral("12"));

    // A double click on a source closes the dialog with it.
    auto doubleClick = whenShown<TfrBandEditorForm>([&](TfrBandEditorForm &f) { doubleClickRow(f.LB1, 2); });
    EXPECT_EQ(TfrBandEditorForm().ShowEditor(band), mrOk);
    EXPECT_TRUE(doubleClick.ran());
    EXPECT_EQ(band->FormatText, QStringLiteral("frPayments"));

    designer.Calls.clear();
    auto cancel = whenShown<TfrBandEditorForm>([&](TfrBandEditorForm &f) {
        clickRow(f.LB1, 0);
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    EXPECT_EQ(TfrBandEditorForm().ShowEditor(band), mrCancel);
    EXPECT_EQ(band->FormatText, QStringLiteral("frPayments"));
    EXPECT_TRUE(designer.Calls.isEmpty()) << "nothing changed, so nothing is recorded";
}

TEST_F(DialogsBandEditor, DrawsTheSourceGlyphBesideEverySourceButNone)
{
    TfrBandView *band = addBand(btMasterData, QStringLiteral("MasterData1"), QStringLiteral("0"));
    QImage rows;
    QRect noneRow, virtualRow;
    auto answer = whenShown<TfrBandEditorForm>([&](TfrBandEditorForm &f) {
        rows = f.LB1->viewport()->grab().toImage();
        noneRow = f.LB1->visualItemRect(f.LB1->item(0));
        virtualRow = f.LB1->visualItemRect(f.LB1->item(1));
        f.reject();
    });
    TfrBandEditorForm().ShowEditor(band);
    ASSERT_TRUE(answer.ran());
    // The glyph's outline is dark blue from 2 + 4 pixels in, on its top row.
    const QColor glyphBlue(0x1F, 0x4E, 0x9A);
    EXPECT_EQ(rows.pixelColor(virtualRow.left() + 6, virtualRow.top() + 2), glyphBlue);
    EXPECT_NE(rows.pixelColor(noneRow.left() + 6, noneRow.top() + 2), glyphBlue);
}

TEST_F(DialogsCrossBandEditor, SpreadsASingleSourceToEveryRowBandAndWritesItBackAsAList)
{
    addBand(btReportTitle, QStringLiteral("ReportTitle1"));
    addBand(btMasterData, QStringLiteral("MasterData1"), QStringLiteral("frCustomers"));
    addBand(btPageFooter, QStringLiteral("PageFooter1"));
    addBand(btDetailData, QStringLiteral("DetailData1"));
    addBand(btOverlay, QStringLiteral("Overlay1"));
    addBand(btGroupHeader, QStringLiteral("GroupHeader1"));
    TfrBandView *cross = addBand(btCrossData, QStringLiteral("CrossData1"), QStringLiteral("frPayments"));

    QStringList bands, shown;
    auto answer = whenShown<TfrVBandEditorForm>([&](TfrVBandEditorForm &f) {
        bands = texts(f.LB1);
        for (int row = 0; row < f.LB1->count(); ++row) {
            clickRow(f.LB1, row);
            shown << f.CB1->currentText();
        }
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(TfrVBandEditorForm().ShowEditor(cross), mrOk);
    EXPECT_EQ(
        bands, (QStringList { "MasterData1: Master data", "DetailData1: Detail data", "GroupHeader1: Group header" }));
    EXPECT_EQ(shown, (QStringList { "frPayments", "frPayments", "frPayments" }));
    EXPECT_EQ(
        cross->FormatText, QStringLiteral("MasterData1=frPayments;DetailData1=frPayments;GroupHeader1=frPayments;"));
    EXPECT_EQ(designer.Calls, QStringList { "BeginObjectChange" });
}

TEST_F(DialogsCrossBandEditor, EditsTheListFormBandByBand)
{
    dictionary().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QStringLiteral("Абоненты")));
    dictionary().BandDatasources.SetValue(QStringLiteral("frPayments"), Variant(QStringLiteral("Платежи")));
    addBand(btMasterData, QStringLiteral("MasterData1"));
    addBand(btDetailData, QStringLiteral("DetailData1"));
    addBand(btChild, QStringLiteral("Child1"));
    // Names are matched whatever their case; a band the list does not name has no source ("0").
    TfrBandView *cross = addBand(btCrossData, QStringLiteral("CrossData1"),
        QStringLiteral("masterdata1=5;Child1=frCustomers;XDetailData1=frPayments;"));

    QStringList shown;
    bool recordsEnabled = false;
    auto answer = whenShown<TfrVBandEditorForm>([&](TfrVBandEditorForm &f) {
        EXPECT_EQ(texts(f.CB1), (QStringList { "[Нет]", "Виртуальный", "Абоненты", "Платежи" }));
        for (int row = 0; row < f.LB1->count(); ++row) {
            clickRow(f.LB1, row);
            shown << f.CB1->currentText() + u'/' + f.Edit1->text();
        }
        // Each band keeps the choice made for it while another band is looked at.
        clickRow(f.LB1, 1);
        chooseInCombo(f.CB1, 3);
        clickRow(f.LB1, 0);
        recordsEnabled = f.Edit1->isEnabled();
        retype(f.Edit1, QStringLiteral("9"));
        clickRow(f.LB1, 2);
        chooseInCombo(f.CB1, 0);
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(TfrVBandEditorForm().ShowEditor(cross), mrOk);
    EXPECT_EQ(shown, (QStringList { "Виртуальный/5", "[Нет]/5", "Абоненты/5" }));
    EXPECT_TRUE(recordsEnabled);
    EXPECT_EQ(cross->FormatText, QStringLiteral("MasterData1=9;DetailData1=frPayments;Child1=[Нет];"));
}

TEST_F(DialogsCrossBandEditor, AnswersCancelWithoutADialogWhenThePageHasNoRowBand)
{
    addBand(btReportTitle, QStringLiteral("ReportTitle1"));
    addBand(btPageHeader, QStringLiteral("PageHeader1"));
    addBand(btCrossHeader, QStringLiteral("CrossHeader1"));
    TfrBandView *cross = addBand(btCrossData, QStringLiteral("CrossData1"), QStringLiteral("frPayments"));
    auto answer = whenShown<TfrVBandEditorForm>([](TfrVBandEditorForm &f) { f.accept(); });
    EXPECT_EQ(TfrVBandEditorForm().ShowEditor(cross), mrCancel);
    EXPECT_FALSE(answer.ran());
    EXPECT_EQ(cross->FormatText, QStringLiteral("frPayments"));
    EXPECT_TRUE(designer.Calls.isEmpty());
}

TEST_F(DialogsCrossBandEditor, CancelKeepsTheBandsText)
{
    addBand(btMasterData, QStringLiteral("MasterData1"));
    TfrBandView *cross = addBand(btCrossData, QStringLiteral("CrossData1"), QStringLiteral("frPayments"));
    auto answer = whenShown<TfrVBandEditorForm>([&](TfrVBandEditorForm &f) {
        chooseInCombo(f.CB1, 0);
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    EXPECT_EQ(TfrVBandEditorForm().ShowEditor(cross), mrCancel);
    EXPECT_EQ(cross->FormatText, QStringLiteral("frPayments"));
    EXPECT_TRUE(designer.Calls.isEmpty());
}

TEST_F(DialogsBandTypes, OffersTheTypesTheCurrentPageCanStillTake)
{
    const struct
    {
        const char *name;
        std::vector<int> present;
        bool subreportPage;
        std::vector<int> disabled;
        int first;
    } cases[] = {
        { "an empty page", {}, false, {}, btReportTitle },
        { "a page with a title", { btReportTitle }, false, { btReportTitle }, btReportSummary },
        // Data, group and child bands can be added again and again.
        { "a page with one of each kind",
            { btPageHeader, btMasterData, btDetailFooter, btGroupHeader, btGroupFooter, btChild, btOverlay,
                btColumnFooter, btCrossData },
            false, { btPageHeader, btOverlay, btColumnFooter, btCrossData }, btReportTitle },
        { "a subreport's page", {}, true,
            { btReportTitle, btReportSummary, btPageHeader, btPageFooter, btColumnHeader, btColumnFooter, btGroupHeader,
                btGroupFooter },
            btMasterHeader },
        { "a subreport's page with a master data band", { btMasterData, btCrossHeader }, true,
            { btReportTitle, btReportSummary, btPageHeader, btPageFooter, btColumnHeader, btColumnFooter, btGroupHeader,
                btGroupFooter, btCrossHeader },
            btMasterHeader },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        page()->ClearObjects();
        for (int type : c.present)
            addBand(type, QStringLiteral("Band%1").arg(type));
        std::vector<int> disabled;
        QStringList captions;
        int checked = -1;
        auto answer = whenShown<TfrBandTypesForm>([&](TfrBandTypesForm &f) {
            for (int type = 0; type < btNone; ++type) {
                auto *button = f.GB1->findChild<QRadioButton *>(QStringLiteral("BandType%1").arg(type));
                ASSERT_NE(button, nullptr);
                captions << button->text();
                if (!button->isEnabled())
                    disabled.push_back(type);
                if (button->isChecked())
                    checked = type;
            }
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        });
        int bandType = -1;
        EXPECT_TRUE(TfrBandTypesForm::Execute(c.subreportPage, bandType));
        EXPECT_EQ(disabled, c.disabled);
        EXPECT_EQ(checked, c.first);
        EXPECT_EQ(bandType, c.first) << "the first type offered is the one answered";
        EXPECT_EQ(captions, frEngine().BandNames.mid(0, btNone));
    }
}

TEST_F(DialogsBandTypes, AnswersTheTypeClickedAndNothingOnCancel)
{
    addBand(btReportTitle, QStringLiteral("ReportTitle1"));
    auto click = whenShown<TfrBandTypesForm>([](TfrBandTypesForm &f) {
        clickBox(f.GB1->findChild<QRadioButton *>(QStringLiteral("BandType16")));
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    int bandType = -1;
    EXPECT_TRUE(TfrBandTypesForm::Execute(false, bandType));
    EXPECT_EQ(bandType, btGroupHeader);

    auto cancel = whenShown<TfrBandTypesForm>([](TfrBandTypesForm &f) {
        clickBox(f.GB1->findChild<QRadioButton *>(QStringLiteral("BandType5")));
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    bandType = -1;
    EXPECT_FALSE(TfrBandTypesForm::Execute(false, bandType));
    EXPECT_EQ(bandType, -1);
}

} // namespace
