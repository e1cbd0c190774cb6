// The about box, the insert-fields dialog and an object's restrictions.
#include "FR_About.h"
#include "FR_InsertFields.h"
#include "FR_Restrictions.h"

#include "DialogsFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

using DialogsAbout = DialogsFixture;
using DialogsInsertFields = DialogsFixture;
using DialogsRestrictions = DialogsFixture;

TEST_F(DialogsAbout, ShowsTheLogoAndVersionAndAnswersItsButton)
{
    QImage logo;
    QString title;
    QStringList labels;
    auto answer = whenShown<TfrAboutForm>([&](TfrAboutForm &f) {
        title = f.windowTitle();
        logo = f.PaintBox1->grab().toImage();
        for (const QLabel *label : f.findChildren<QLabel *>())
            labels << label->text();
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    EXPECT_EQ(TfrAboutForm::Execute(), mrOk);
    EXPECT_EQ(title, QStringLiteral("О программе"));
    EXPECT_TRUE(labels.contains(QStringLiteral("Version 2.47")));
    ASSERT_EQ(logo.size(), QSize(227, 73));
    EXPECT_EQ(logo.pixelColor(10, 12), QColor(0x40, 0x40, 0x40)) << "the screen's frame";
    EXPECT_NE(logo.pixelColor(1, 1).alpha(), 0) << "the logo's transparent parts show the box's background";

    auto escape = whenShown<TfrAboutForm>([](TfrAboutForm &f) { QTest::keyClick(&f, Qt::Key_Escape); });
    EXPECT_EQ(TfrAboutForm::Execute(), mrCancel);
}

TEST_F(DialogsInsertFields, WithoutDatasetsBothListsStayEmpty)
{
    ComponentRegistry::instance().unregister(&module);
    int datasets = -1, fields = -1;
    auto answer = whenShown<TfrInsertFieldsForm>([&](TfrInsertFieldsForm &f) {
        datasets = f.DatasetCB->count();
        fields = f.FieldsL->count();
        EXPECT_EQ(f.DatasetComponent, nullptr);
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    TfrInsertFieldsChoice choice;
    choice.DatasetComponent = &customers;
    ASSERT_TRUE(TfrInsertFieldsForm::Execute(choice));
    EXPECT_EQ(datasets, 0);
    EXPECT_EQ(fields, 0);
    EXPECT_EQ(choice.DatasetComponent, nullptr);
    EXPECT_TRUE(choice.DatasetName.isEmpty());
    EXPECT_TRUE(choice.Fields.isEmpty());
}

TEST_F(DialogsInsertFields, ShowsDatasetsAndFieldsUnderTheirAliasesWithoutHiddenFields)
{
    dictionary().FieldAliases.SetValue(QStringLiteral("Customers"), Variant(QStringLiteral("Абоненты")));
    dictionary().FieldAliases.SetValue(QStringLiteral("Customers.NAME"), Variant(QStringLiteral("ФИО")));
    dictionary().FieldAliases.SetValue(QStringLiteral("Customers.DEBT"), Variant(QString()));
    dictionary().FieldAliases.SetValue(QStringLiteral("Payments"), Variant(QStringLiteral("Платежи")));
    QStringList datasets, fields, paymentFields;
    TDataSet *firstComponent = nullptr, *secondComponent = nullptr;
    auto answer = whenShown<TfrInsertFieldsForm>([&](TfrInsertFieldsForm &f) {
        datasets = texts(f.DatasetCB);
        fields = texts(f.FieldsL);
        firstComponent = f.DatasetComponent;
        chooseInCombo(f.DatasetCB, 1);
        paymentFields = texts(f.FieldsL);
        secondComponent = f.DatasetComponent;
        chooseInCombo(f.DatasetCB, 0);
        clickRow(f.FieldsL, 1);
        QTest::mouseClick(f.FieldsL->viewport(), Qt::LeftButton, Qt::ControlModifier,
            f.FieldsL->visualItemRect(f.FieldsL->item(0)).center());
        clickBox(f.VertRB);
        clickBox(f.HeaderCB);
        clickBox(f.BandCB);
        QTest::mouseClick(f.Button1, Qt::LeftButton);
    });
    TfrInsertFieldsChoice choice;
    ASSERT_TRUE(TfrInsertFieldsForm::Execute(choice));
    EXPECT_EQ(datasets, (QStringList { "Абоненты", "Платежи" }));
    EXPECT_EQ(fields, (QStringList { "ID", "ФИО" })) << "DEBT is hidden by its empty alias";
    EXPECT_EQ(firstComponent, &customers);
    EXPECT_EQ(paymentFields, (QStringList { "PAYDATE", "SUMMA" }));
    EXPECT_EQ(secondComponent, &payments);
    EXPECT_EQ(choice.DatasetComponent, &customers);
    EXPECT_EQ(choice.DatasetName, QStringLiteral("Абоненты"));
    EXPECT_EQ(choice.Fields, (QStringList { "ID", "ФИО" })) << "in list order";
    EXPECT_FALSE(choice.Horizontal);
    EXPECT_FALSE(choice.Headers);
    EXPECT_TRUE(choice.Bands);
}

TEST_F(DialogsInsertFields, StartsHorizontalWithHeadersAndAnswersNothingOnCancel)
{
    bool horizontal = false, headers = false, bands = true;
    auto answer = whenShown<TfrInsertFieldsForm>([&](TfrInsertFieldsForm &f) {
        horizontal = f.HorzRB->isChecked();
        headers = f.HeaderCB->isChecked();
        bands = f.BandCB->isChecked();
        clickRow(f.FieldsL, 0);
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    TfrInsertFieldsChoice choice;
    choice.Fields = QStringList { "kept" };
    EXPECT_FALSE(TfrInsertFieldsForm::Execute(choice));
    EXPECT_TRUE(horizontal);
    EXPECT_TRUE(headers);
    EXPECT_FALSE(bands);
    EXPECT_EQ(choice.Fields, QStringList { "kept" });
    EXPECT_EQ(choice.DatasetComponent, nullptr);
}

TEST_F(DialogsRestrictions, ShowsTheFlagsAsBoxesAndAnswersTheBoxesAsFlags)
{
    const QStringList names { "CB1", "CB2", "Cb3", "CB4", "CB5", "CB6", "CB7" };
    const struct
    {
        quint16 flags;
        QStringList checked;
        QStringList clicked;
        quint16 answered;
    } cases[] = {
        { 0, {}, {}, 0 },
        { 0x7F, names, { "CB1" }, 0x7E },
        { 0x15, { "CB1", "Cb3", "CB5" }, { "CB2", "Cb3" }, 0x13 },
        // Bits above the seven flags are the object's own business and stay.
        { 0x8001, { "CB1" }, { "CB7" }, 0x8041 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.flags);
        QStringList checked, captions;
        auto answer = whenShown<TfrRestrictionsForm>([&](TfrRestrictionsForm &f) {
            for (const QString &name : names) {
                auto *box = f.findChild<QCheckBox *>(name);
                captions << box->text();
                if (box->isChecked())
                    checked << name;
            }
            for (const QString &name : c.clicked)
                clickBox(f.findChild<QCheckBox *>(name));
            QTest::mouseClick(f.Button1, Qt::LeftButton);
        });
        quint16 flags = c.flags;
        ASSERT_TRUE(TfrRestrictionsForm::Execute(flags));
        EXPECT_EQ(checked, c.checked);
        EXPECT_EQ(flags, c.answered);
        EXPECT_EQ(captions.first(), QStringLiteral("Не редактировать &мемо"));
        EXPECT_EQ(captions.last(), QStringLiteral("Не &удалять"));
    }

    auto cancel = whenShown<TfrRestrictionsForm>([](TfrRestrictionsForm &f) {
        clickBox(f.findChild<QCheckBox *>(QStringLiteral("CB4")));
        QTest::mouseClick(f.Button2, Qt::LeftButton);
    });
    quint16 flags = 0x01;
    EXPECT_FALSE(TfrRestrictionsForm::Execute(flags));
    EXPECT_EQ(flags, 0x01);
}

} // namespace
