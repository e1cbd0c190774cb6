// The data dictionary editor: the aliases of datasets and fields, and of band data sources.
#include "DialogsDictionaryFixture.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

// ---- dataset and field aliases ------------------------------------------------------------------------------------

class DialogsDictionaryData : public DialogsDictionary
{
protected:
    void SetUp() override
    {
        DialogsDictionary::SetUp();
        // A third table, hidden from the report's author by the program.
        orders.LoadData({ TFieldDef(QStringLiteral("N"), ftInteger) }, {});
        ComponentRegistry::instance().registerComponent(&module, &orders, QStringLiteral("Orders"));
        dictionary().DisabledDatasets << QStringLiteral("Ord*");
    }

    TMemTable orders;
};

TEST_F(DialogsDictionaryData, DatasetsWithoutAliasesAreListedAndFieldsFilledWhenOpened)
{
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Customers", "Payments" })) << "Orders is hidden";
        EXPECT_EQ(tree(form.FieldAliasesTree), QStringList({ "Данные и поля" }));
        EXPECT_TRUE(form.Edit1->text().isEmpty()) << "the root has no alias";

        clickRow(form.AllTablesLB, 0);
        press(form.frSpeedButton1);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Payments" }));
        EXPECT_EQ(form.AllTablesLB->currentRow(), 0) << "the row at the former place";
        EXPECT_EQ(tree(form.FieldAliasesTree), QStringList({ "Данные и поля", " Customers", "  [Нет]" }));
        find(form.FieldAliasesTree, QStringLiteral("Customers"))->setExpanded(true);
        EXPECT_EQ(
            tree(form.FieldAliasesTree), QStringList({ "Данные и поля", " Customers", "  DEBT", "  ID", "  NAME" }));
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().FieldAliases), Entries({ { "Customers", "" } }));
}

TEST_F(DialogsDictionaryData, AliasesAreTypedAndFieldsHiddenAndShownAgain)
{
    fill(dictionary().FieldAliases, { { "Customers", "Абоненты" }, { "Customers.ID", "" } });
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Payments" }));
        click(form.FieldAliasesTree, QStringLiteral("Customers {Абоненты}"));
        EXPECT_EQ(form.Edit1->text(), QStringLiteral("Абоненты"));
        EXPECT_FALSE(form.CB1->isChecked());
        find(form.FieldAliasesTree, QStringLiteral("Customers {Абоненты}"))->setExpanded(true);
        click(form.FieldAliasesTree, QStringLiteral("ID"));
        EXPECT_TRUE(form.CB1->isChecked()) << "an entry without alias hides the field";
        EXPECT_EQ(form.Edit1->text(), QStringLiteral("ID"));

        // Enter goes from the tree to the alias and back; the alias is kept on leaving it.
        click(form.FieldAliasesTree, QStringLiteral("NAME"));
        key(form.FieldAliasesTree, Qt::Key_Return);
        ASSERT_TRUE(form.Edit1->hasFocus());
        form.Edit1->selectAll();
        QTest::keyClicks(form.Edit1, QStringLiteral("Surname"));
        QTest::keyClick(form.Edit1, Qt::Key_Return);
        EXPECT_TRUE(form.FieldAliasesTree->hasFocus());
        EXPECT_EQ(form.FieldAliasesTree->currentItem()->text(0), QStringLiteral("NAME {Surname}"));

        click(form.FieldAliasesTree, QStringLiteral("ID"));
        clickBox(form.CB1);
        EXPECT_FALSE(form.CB1->isChecked());
        click(form.FieldAliasesTree, QStringLiteral("DEBT"));
        key(form.FieldAliasesTree, Qt::Key_Space);
        EXPECT_TRUE(form.CB1->isChecked());
        click(form.FieldAliasesTree, QStringLiteral("Customers {Абоненты}"));
        clickBox(form.CB1);
        EXPECT_FALSE(form.CB1->isChecked()) << "a dataset is never hidden by the box";
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().FieldAliases),
        Entries({ { "Customers", "Абоненты" }, { "Customers.NAME", "Surname" }, { "Customers.DEBT", "" } }));
}

TEST_F(DialogsDictionaryData, AFieldsAliasAlwaysNamesItsDataset)
{
    fill(dictionary().FieldAliases, { { "Customers", "" }, { "Customers.ID", "" } });
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        find(form.FieldAliasesTree, QStringLiteral("Customers"))->setExpanded(true);
        // The hidden field gets an alias and shows again; the alias of a shown one is cleared and hides it.
        click(form.FieldAliasesTree, QStringLiteral("ID"));
        form.Edit1->setFocus();
        form.Edit1->selectAll();
        QTest::keyClicks(form.Edit1, QStringLiteral("Number"));
        click(form.FieldAliasesTree, QStringLiteral("NAME"));
        EXPECT_FALSE(form.CB1->isChecked());
        form.Edit1->setFocus();
        form.Edit1->selectAll();
        QTest::keyClick(form.Edit1, Qt::Key_Delete);
        click(form.FieldAliasesTree, QStringLiteral("ID {Number}"));
        click(form.FieldAliasesTree, QStringLiteral("NAME"));
        EXPECT_TRUE(form.CB1->isChecked());
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().FieldAliases),
        Entries({ { "Customers", "" }, { "Customers.ID", "Number" }, { "Customers.NAME", "" } }));
}

TEST_F(DialogsDictionaryData, DatasetsMoveByButtonsDoubleClickAndDragging)
{
    fill(dictionary().FieldAliases, { { "Customers", "" }, { "Customers.ID", "" }, { "Customers.NAME", "Имя" } });
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        // Removed unopened, the dataset takes its field entries with it.
        click(form.FieldAliasesTree, QStringLiteral("Customers"));
        press(form.frSpeedButton2);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Customers", "Payments" }));
        EXPECT_EQ(tree(form.FieldAliasesTree), QStringList({ "Данные и поля" }));

        doubleClickRow(form.AllTablesLB, 1);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Customers" }));
        EXPECT_EQ(form.AllTablesLB->currentRow(), 0) << "the row before the former place, which is past the end";
        clickRow(form.AllTablesLB, 0);
        drop(form.FieldAliasesTree, form.AllTablesLB);
        EXPECT_TRUE(texts(form.AllTablesLB).isEmpty());
        EXPECT_EQ(tree(form.FieldAliasesTree),
            QStringList({ "Данные и поля", " Payments", "  [Нет]", " Customers", "  [Нет]" }));

        click(form.FieldAliasesTree, QStringLiteral("Payments"));
        drop(form.AllTablesLB, form.FieldAliasesTree);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Payments" }));
        press(form.frSpeedButton3);
        EXPECT_TRUE(texts(form.AllTablesLB).isEmpty());
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().FieldAliases), Entries({ { "Customers", "" }, { "Payments", "" } }));
}

TEST_F(DialogsDictionaryData, AllDatasetsBackToTheListLeaveNoEntry)
{
    fill(dictionary().FieldAliases,
        { { "Customers", "Абоненты" }, { "Customers.ID", "" }, { "Payments", "" }, { "Payments.SUMMA", "Сумма" } });
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        EXPECT_TRUE(texts(form.AllTablesLB).isEmpty());
        press(form.frSpeedButton4);
        EXPECT_EQ(texts(form.AllTablesLB), QStringList({ "Customers", "Payments" }));
        EXPECT_EQ(tree(form.FieldAliasesTree), QStringList({ "Данные и поля" }));
        // A drop from the other page's list is refused.
        clickRow(form.AllTablesLB, 0);
        std::unique_ptr<QMimeData> data(form.AllTablesLB->model()->mimeData({ form.AllTablesLB->currentIndex() }));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QApplication::sendEvent(form.BandDSTree->viewport(), &enter);
        EXPECT_FALSE(enter.isAccepted());
        form.Button1->click();
    }));
    EXPECT_EQ(dictionary().FieldAliases.GetCount(), 0);
}

// ---- band data sources -------------------------------------------------------------------------------------------

TEST_F(DialogsDictionary, BandDataSourcesMoveAndTakeAliases)
{
    dictionary().BandDatasources.SetValue(QStringLiteral("frPayments"), Variant(QStringLiteral("Платежи")));
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        form.PageControl1->setCurrentWidget(form.TabSheet3);
        EXPECT_EQ(texts(form.AllBandsLB), QStringList({ "frCustomers" }));
        EXPECT_EQ(tree(form.BandDSTree), QStringList({ "Источники данных", " frPayments {Платежи}" }));
        click(form.BandDSTree, QStringLiteral("frPayments {Платежи}"));
        EXPECT_EQ(form.Edit2->text(), QStringLiteral("Платежи"));
        press(form.frSpeedButton6);
        EXPECT_EQ(texts(form.AllBandsLB), QStringList({ "frCustomers", "frPayments" }));
        press(form.frSpeedButton7);
        EXPECT_TRUE(texts(form.AllBandsLB).isEmpty());
        click(form.BandDSTree, QStringLiteral("frCustomers"));
        key(form.BandDSTree, Qt::Key_Return);
        ASSERT_TRUE(form.Edit2->hasFocus());
        QTest::keyClicks(form.Edit2, QStringLiteral(" all"));
        QTest::keyClick(form.Edit2, Qt::Key_Return);
        EXPECT_EQ(form.BandDSTree->currentItem()->text(0), QStringLiteral("frCustomers {frCustomers all}"));
        click(form.BandDSTree, QStringLiteral("frPayments"));
        drop(form.AllBandsLB, form.BandDSTree);
        EXPECT_EQ(texts(form.AllBandsLB), QStringList({ "frPayments" }));
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().BandDatasources), Entries({ { "frCustomers", "frCustomers all" } }));

    EXPECT_TRUE(edit([](TfrDictForm &form) {
        press(form.frSpeedButton8);
        EXPECT_EQ(texts(form.AllBandsLB), QStringList({ "frCustomers", "frPayments" }));
        doubleClickRow(form.AllBandsLB, 1);
        EXPECT_EQ(tree(form.BandDSTree), QStringList({ "Источники данных", " frPayments" }));
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().BandDatasources), Entries({ { "frPayments", "" } }));
}

} // namespace
