// The data dictionary editor: its variables, their values, and what OK and Cancel do with all three lists.
#include "DialogsDictionaryFixture.h"

#include "FR_Expr.h"
#include "FR_Vared.h"

#include "Screenshot.h"

#include <QCheckBox>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

using tarvik::test::ModalAnswer;

// ---- variables --------------------------------------------------------------------------------------------------

TEST_F(DialogsDictionary, WithoutVariablesTheTreeShowsNoneAndANewCategoryEndsThat)
{
    dictionary().Variables.Clear();
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Словарь данных"));
        EXPECT_EQ(tree(form.VarTree), QStringList({ "[Нет]" }));
        EXPECT_FALSE(form.VarTree->rootIsDecorated());
        EXPECT_FALSE(form.ExprCB->isEnabled());
        key(form.VarTree, Qt::Key_Delete);
        key(form.VarTree, Qt::Key_Insert);
        EXPECT_EQ(tree(form.VarTree), QStringList({ "Category1" })) << "Insert without a variable makes a category";
        EXPECT_TRUE(form.VarTree->rootIsDecorated());
        typeName(QStringLiteral("Tariffs"));
        press(form.NewVarBtn);
        typeName(QStringLiteral("Price"));
        EXPECT_EQ(tree(form.VarTree), QStringList({ "Tariffs", " Price" }));
        EXPECT_TRUE(form.ExprCB->isEnabled()) << "a variable is selected";
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().Variables), Entries({ { " Tariffs", "" }, { "Price", "" } }));
}

TEST_F(DialogsDictionary, NewNamesTakeTheSmallestFreeNumber)
{
    const struct
    {
        const char *name;
        Entries stored;
        const char *selected;
        QString category, variable;
    } cases[] = {
        { "first of each", { { " A", "" } }, "A", "Category1", "Variable1" },
        { "gaps filled", { { " Category1", "" }, { "Variable2", "" }, { " Category3", "" } }, "Category1", "Category2",
            "Variable1" },
        { "any case", { { " category1", "" }, { "VARIABLE1", "" } }, "category1", "Category2", "Variable2" },
        { "past a thousand",
            [] {
                Entries many { { " A", "" } };
                for (int n = 1; n <= 1000; ++n)
                    many << qMakePair(QStringLiteral("Variable%1").arg(n), QString());
                return many;
            }(),
            "A", "Category1", "Variable1001" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fill(dictionary().Variables, c.stored);
        EXPECT_TRUE(edit([&c](TfrDictForm &form) {
            click(form.VarTree, QString::fromUtf8(c.selected));
            press(form.NewVarBtn);
            EXPECT_EQ(form.VarTree->currentItem()->text(0), c.variable);
            key(QApplication::focusWidget(), Qt::Key_Escape);
            press(form.NewCategoryBtn);
            EXPECT_EQ(form.VarTree->currentItem()->text(0), c.category);
            form.Button1->click();
        }));
        EXPECT_GE(dictionary().Variables.IndexOf(c.variable), 0);
        EXPECT_GE(dictionary().Variables.IndexOf(u' ' + c.category), 0);
    }
}

TEST_F(DialogsDictionary, ANewVariableGoesToTheEndOfItsCategory)
{
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        click(form.VarTree, QStringLiteral("Имя"));
        key(form.VarTree, Qt::Key_Insert);
        typeName(QStringLiteral("Phone"));
        click(form.VarTree, QStringLiteral("Даты"));
        press(form.NewVarBtn);
        typeName(QStringLiteral("Tomorrow"));
        key(form.VarTree, Qt::Key_Insert, Qt::ControlModifier);
        EXPECT_EQ(form.VarTree->currentItem()->text(0), QStringLiteral("Category1")) << "Ctrl+Insert";
        key(QApplication::focusWidget(), Qt::Key_Escape);
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().Variables),
        Entries({ { " Абоненты", "" }, { "Имя", "Customers.\"NAME\"" }, { "Долг", "[Customers.\"DEBT\"] * 2" },
            { "Phone", "" }, { " Даты", "" }, { "Сегодня", "date" }, { "Tomorrow", "" }, { " Category1", "" } }));
}

TEST_F(DialogsDictionary, ARenameToANameInUseIsUndoneSilently)
{
    fill(dictionary().Variables,
        { { " Tariffs", "" }, { "Price", "1" }, { "Tax", "2" }, { " Dates", "" }, { "Today", "date" } });
    EXPECT_TRUE(edit([this](TfrDictForm &form) {
        const struct
        {
            const char *node, *typed, *shown;
        } renames[] = {
            { "Price", "tax", "Price" }, // a variable's name in use, in any case
            { "Price", "today", "Price" }, // a variable of another category
            { "Tariffs", "DATES", "Tariffs" }, // a category's name in use
            { "Tariffs", "Tax", "Tax" }, // a category may share a variable's name
            { "Price", "PRICE", "PRICE" }, // only the case changes
            { "Today", "", "Today" }, // no name
            { "Today", "  Now", "Now" }, // a name never starts with a blank
        };
        bool byKey = false;
        for (const auto &r : renames) {
            SCOPED_TRACE(r.typed);
            click(form.VarTree, QString::fromLatin1(r.node));
            // The edit begins with the button or with Enter.
            byKey = !byKey;
            if (byKey)
                key(form.VarTree, Qt::Key_Return);
            else
                press(form.EditBtn);
            typeName(QString::fromLatin1(r.typed));
            EXPECT_EQ(form.VarTree->currentItem()->text(0), QString::fromLatin1(r.shown));
        }
        EXPECT_TRUE(messages.requests.isEmpty()) << "no message";
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().Variables),
        Entries({ { " Tax", "" }, { "PRICE", "1" }, { "Tax", "2" }, { " Dates", "" }, { "Now", "date" } }));
}

TEST_F(DialogsDictionary, DeletingACategoryTakesItsVariablesAndTheLastLeavesTheTreeEmpty)
{
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        click(form.VarTree, QStringLiteral("Абоненты"));
        press(form.DelBtn);
        EXPECT_EQ(tree(form.VarTree), QStringList({ "Даты", " Сегодня" }));
        click(form.VarTree, QStringLiteral("Сегодня"));
        key(form.VarTree, Qt::Key_Delete);
        EXPECT_EQ(tree(form.VarTree), QStringList({ "Даты" }));
        key(form.VarTree, Qt::Key_Delete);
        EXPECT_EQ(tree(form.VarTree), QStringList({ "[Нет]" }));
        EXPECT_EQ(form.VarTree->currentItem()->text(0), QStringLiteral("[Нет]"));
        EXPECT_FALSE(form.VarTree->rootIsDecorated());
        EXPECT_FALSE(form.ExprCB->isEnabled());
        press(form.NewVarBtn);
        press(form.EditBtn);
        EXPECT_EQ(tree(form.VarTree), QStringList({ "[Нет]" })) << "no variable and no edit without a category";
        form.Button1->click();
    }));
    EXPECT_EQ(dictionary().Variables.GetCount(), 0);
}

TEST_F(DialogsDictionary, EscapeOrCancelLeavesTheDictionaryUntouched)
{
    const Entries before = entries(dictionary().Variables);
    dictionary().FieldAliases.SetValue(QStringLiteral("Customers"), Variant(QStringLiteral("Абоненты")));
    dictionary().BandDatasources.SetValue(QStringLiteral("frCustomers"), Variant(QString()));
    for (const bool escape : { false, true }) {
        EXPECT_FALSE(edit([escape](TfrDictForm &form) {
            click(form.VarTree, QStringLiteral("Имя"));
            press(form.DelBtn);
            press(form.NewCategoryBtn);
            typeName(QStringLiteral("Extra"));
            press(form.frSpeedButton4);
            press(form.frSpeedButton7);
            if (escape)
                key(form.VarTree, Qt::Key_Escape);
            else
                form.Button2->click();
        }));
        EXPECT_EQ(entries(dictionary().Variables), before);
        EXPECT_EQ(entries(dictionary().FieldAliases), Entries({ { "Customers", "Абоненты" } }));
        EXPECT_EQ(entries(dictionary().BandDatasources), Entries({ { "frCustomers", "" } }));
    }
}

// ---- values -------------------------------------------------------------------------------------------------------

TEST_F(DialogsDictionary, AValueShowsAsItsFieldSystemVariableOrExpression)
{
    fill(dictionary().Variables,
        { { " Values", "" }, { "Field", "customers.\"name\"" }, { "Unquoted", "Customers.DEBT" }, { "Today", "date" },
            { "Page", "PAGE#" }, { "Padded", " DATE" }, { "Sum", "[A] + 1" }, { "Missing", "Customers.\"PHONE\"" },
            { "Empty", "" } });
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        EXPECT_EQ(texts(form.ValCombo), QStringList({ "Customers", "Payments", "Системные переменные" }));
        const struct
        {
            const char *node, *source, *line, *expression;
        } cases[] = {
            { "Field", "Customers", "NAME", nullptr },
            { "Unquoted", "Customers", "DEBT", nullptr },
            { "Today", "Системные переменные", "Дата", nullptr },
            { "Page", "Системные переменные", "Страница", nullptr },
            { "Padded", nullptr, "[Нет]", " DATE" },
            { "Sum", nullptr, "[Нет]", "[A] + 1" },
            { "Missing", "Customers", "[Нет]", "Customers.\"PHONE\"" },
            { "Empty", nullptr, "[Нет]", nullptr },
        };
        for (const auto &c : cases) {
            SCOPED_TRACE(c.node);
            click(form.VarTree, QString::fromLatin1(c.node));
            if (c.source) {
                EXPECT_EQ(form.ValCombo->currentText(), QString::fromUtf8(c.source));
            }
            ASSERT_NE(form.ValList->currentItem(), nullptr);
            EXPECT_EQ(form.ValList->currentItem()->text(), QString::fromUtf8(c.line));
            EXPECT_EQ(form.ExprCB->isChecked(), c.expression != nullptr);
            EXPECT_EQ(form.ExprEdit->isEnabled(), c.expression != nullptr);
            EXPECT_EQ(form.ExprEdit->currentText(), QString::fromUtf8(c.expression ? c.expression : ""));
        }
        click(form.VarTree, QStringLiteral("Values"));
        EXPECT_FALSE(form.ExprCB->isEnabled()) << "a category has no value of its own";
        form.Button1->click();
    }));
    EXPECT_EQ(dictionary().Variables.GetValue(QStringLiteral("Field")).toString(), QStringLiteral("customers.\"name\""))
        << "showing a value never rewrites it";
    EXPECT_EQ(dictionary().Variables.GetValue(QStringLiteral("Sum")).toString(), QStringLiteral("[A] + 1"));
}

TEST_F(DialogsDictionary, AChosenFieldSystemVariableOrExpressionBecomesTheValue)
{
    dictionary().FieldAliases.SetValue(QStringLiteral("Customers"), Variant(QStringLiteral("Clients")));
    dictionary().FieldAliases.SetValue(QStringLiteral("Customers.NAME"), Variant(QStringLiteral("Surname")));
    fill(dictionary().Variables, { { " V", "" }, { "A", "" }, { "B", "" }, { "C", "x" }, { "D", "" } });
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        EXPECT_EQ(texts(form.ValCombo), QStringList({ "Clients", "Системные переменные" }));
        click(form.VarTree, QStringLiteral("A"));
        chooseInCombo(form.ValCombo, 0);
        EXPECT_EQ(texts(form.ValList), QStringList({ "[Нет]", "ID", "Surname", "DEBT" }));
        clickRow(form.ValList, 2);

        click(form.VarTree, QStringLiteral("B"));
        chooseInCombo(form.ValCombo, 1);
        EXPECT_EQ(texts(form.ValList),
            QStringList({ "[Нет]", "Страница", "Дата", "Время", "Строка", "Line through#", "Колонка", "Current line#",
                "Всего страниц" }));
        clickRow(form.ValList, 1);

        click(form.VarTree, QStringLiteral("C"));
        clickBox(form.ExprCB);
        EXPECT_FALSE(form.ExprEdit->isEnabled());
        EXPECT_TRUE(form.ExprEdit->currentText().isEmpty()) << "unchecked, the expression is gone";

        click(form.VarTree, QStringLiteral("D"));
        clickBox(form.ExprCB);
        EXPECT_TRUE(form.ExprEdit->hasFocus());
        QTest::keyClicks(form.ExprEdit->lineEdit(), QStringLiteral("[A] * 2"));
        click(form.VarTree, QStringLiteral("A"));
        EXPECT_EQ(form.ValList->currentItem()->text(), QStringLiteral("Surname"));
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().Variables),
        Entries({ { " V", "" }, { "A", "Customers.\"NAME\"" }, { "B", "PAGE#" }, { "C", "" }, { "D", "[A] * 2" } }));
}

TEST_F(DialogsDictionary, AnExpressionTypedLastIsKeptByOkAndTheBuilderFillsTheBox)
{
    ModalAnswer builder = whenShown<TfrExprForm>([](TfrExprForm &form) {
        EXPECT_EQ(form.ExprMemo->toPlainText(), QStringLiteral("[Customers.\"DEBT\"] * 2"));
        form.ExprMemo->setPlainText(QStringLiteral("[Customers.\"DEBT\"] * 3"));
        form.Button1->click();
    });
    EXPECT_TRUE(edit([&builder](TfrDictForm &form) {
        click(form.VarTree, QStringLiteral("Долг"));
        QTest::mouseClick(form.ExprEdit->Button(), Qt::LeftButton);
        EXPECT_TRUE(builder.ran());
        EXPECT_EQ(form.ExprEdit->currentText(), QStringLiteral("[Customers.\"DEBT\"] * 3"));
        form.ExprEdit->setFocus();
        QTest::keyClicks(form.ExprEdit->lineEdit(), QStringLiteral(" + 1"));
        QTest::keyClick(form.ExprEdit->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(form.isVisible()) << "Enter does not close the editor";
        form.Button1->click();
    }));
    EXPECT_EQ(dictionary().Variables.GetValue(QStringLiteral("Долг")).toString(),
        QStringLiteral("[Customers.\"DEBT\"] * 3 + 1"));
}

TEST_F(DialogsDictionary, TheVariablesListEditsTheCopyAndRefillsTheTree)
{
    ModalAnswer list = whenShown<TfrVaredForm>([](TfrVaredForm &form) {
        EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("Абоненты\n Имя\n Долг\nДаты\n Сегодня"));
        form.Memo1->setPlainText(QStringLiteral("Даты\n Сегодня\nАбоненты\n Долг\n Phone"));
        form.Button4->click();
    });
    EXPECT_TRUE(edit([&list](TfrDictForm &form) {
        press(form.EditListBtn);
        EXPECT_TRUE(list.ran());
        EXPECT_EQ(tree(form.VarTree), QStringList({ "Даты", " Сегодня", "Абоненты", " Долг", " Phone" }));
        EXPECT_EQ(form.VarTree->currentItem()->text(0), QStringLiteral("Даты"));
        form.Button1->click();
    }));
    EXPECT_EQ(entries(dictionary().Variables),
        Entries({ { " Даты", "" }, { "Сегодня", "date" }, { " Абоненты", "" }, { "Долг", "[Customers.\"DEBT\"] * 2" },
            { "Phone", "" } }));
}

// ---- the whole --------------------------------------------------------------------------------------------------

TEST_F(DialogsDictionary, OkWritesAllThreeListsWhichATemplateKeeps)
{
    EXPECT_TRUE(edit([](TfrDictForm &form) {
        click(form.VarTree, QStringLiteral("Сегодня"));
        chooseInCombo(form.ValCombo, 2);
        clickRow(form.ValList, 3);
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        clickRow(form.AllTablesLB, 0);
        press(form.frSpeedButton1);
        click(form.FieldAliasesTree, QStringLiteral("Customers"));
        form.Edit1->setFocus();
        form.Edit1->selectAll();
        QTest::keyClicks(form.Edit1, QStringLiteral("Clients"));
        form.PageControl1->setCurrentWidget(form.TabSheet3);
        clickRow(form.AllBandsLB, 1);
        press(form.frSpeedButton5);
        form.Button1->click();
    }));
    const Entries variables { { " Абоненты", "" }, { "Имя", "Customers.\"NAME\"" },
        { "Долг", "[Customers.\"DEBT\"] * 2" }, { " Даты", "" }, { "Сегодня", "TIME" } };
    EXPECT_EQ(entries(dictionary().Variables), variables);
    EXPECT_EQ(entries(dictionary().FieldAliases), Entries({ { "Customers", "Clients" } }));
    EXPECT_EQ(entries(dictionary().BandDatasources), Entries({ { "frPayments", "" } }));

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("dictionary.frf"));
    report.SaveReportFile(file);
    TfrReport loaded { &module };
    ASSERT_TRUE(loaded.LoadReportFile(file));
    EXPECT_EQ(entries(loaded.Dictionary().Variables), variables);
    EXPECT_EQ(entries(loaded.Dictionary().FieldAliases), Entries({ { "Customers", "Clients" } }));
    EXPECT_EQ(entries(loaded.Dictionary().BandDatasources), Entries({ { "frPayments", "" } }));
}

TEST_F(DialogsDictionary, GrowingTheWindowGrowsTheTreesAndKeepsTheValuesAtTheRight)
{
    auto layOut = [](TfrDictForm &form, const QSize &size) {
        form.resize(size);
        QCoreApplication::sendPostedEvents();
        form.layout()->activate();
        QCoreApplication::sendPostedEvents();
    };
    EXPECT_FALSE(edit([&layOut](TfrDictForm &form) {
        click(form.VarTree, QStringLiteral("Долг"));
        layOut(form, QSize(560, 420));
        tarvik::test::SaveScreenshot(&form, QStringLiteral("designer-dictionary"), QSize(560, 420));
        const QRect tree = form.VarTree->geometry(), values = form.ValList->geometry(),
                    combo = form.ValCombo->geometry();
        const QRect box = form.ExprCB->geometry(), expression = form.ExprEdit->geometry();
        const QPoint ok = form.Button1->pos(), cancel = form.Button2->pos();
        const int commandsGap = form.NewCategoryBtn->y() - tree.bottom();
        layOut(form, QSize(700, 520));
        EXPECT_EQ(form.VarTree->geometry(), tree.adjusted(0, 0, 140, 100));
        EXPECT_EQ(form.ValList->geometry(), values.adjusted(140, 0, 140, 100));
        EXPECT_EQ(form.ValCombo->geometry(), combo.translated(140, 0));
        EXPECT_EQ(form.ExprCB->geometry(), box.translated(0, 100));
        EXPECT_EQ(form.ExprEdit->geometry(), expression.adjusted(0, 100, 140, 100));
        EXPECT_EQ(form.Button1->pos(), ok + QPoint(140, 100));
        EXPECT_EQ(form.Button2->pos(), cancel + QPoint(140, 100));
        for (TfrSpeedButton *button :
            { form.NewCategoryBtn, form.NewVarBtn, form.EditBtn, form.DelBtn, form.EditListBtn })
            EXPECT_GT(button->y(), form.VarTree->geometry().bottom()) << "the commands stay under the tree";
        EXPECT_EQ(form.NewCategoryBtn->y() - form.VarTree->geometry().bottom(), commandsGap);
        form.Button2->click();
    }));
}

} // namespace
