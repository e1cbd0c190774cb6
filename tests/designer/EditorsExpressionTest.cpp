// The expression builder and its function, argument and variable dialogs.
#include "EditorsReportData.h"

#include "FR_Locale.h"
#include "ReportFunctions.h"

#include "Screenshot.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

TEST(EditorsExpressionNames, OnlyNamesOfPointsDigitsLatinLettersAndUnderscoresStayBare)
{
    const struct
    {
        QString name, expected;
    } cases[] = {
        { "DATE", "DATE" },
        { "Table1.Field1", "Table1.Field1" },
        { "sum_1", "sum_1" },
        { "", "" },
        { "Customers.\"Name\"", "[Customers.\"Name\"]" },
        { "My Var", "[My Var]" },
        { "Итого", "[Итого]" },
        { "PAGE#", "[PAGE#]" },
        { "a-b", "[a-b]" },
        { "straße", "[straße]" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(BracketIfNeeded(c.name), c.expected) << c.name.toStdString();
}

class EditorsExpression : public EditorsReportData
{
protected:
    void SetUp() override
    {
        EditorsReportData::SetUp();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    QString memo() const { return form.ExprMemo->toPlainText(); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton); }

    TfrExprForm form;
};

TEST_F(EditorsExpression, OperatorButtonsReplaceTheSelectionAndEscapeCancels)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Вставка выражения"));
    QStringList captions;
    for (TfrSpeedButton *b : form.OperatorButtons)
        captions << b->Caption();
    EXPECT_EQ(captions, QStringList({ "+", "-", "*", "/", "=", "<>", ">", "<", ">=", "<=", "And", "Or", "Not" }));

    form.ExprMemo->setPlainText("A B");
    QTextCursor cursor = form.ExprMemo->textCursor();
    cursor.setPosition(2);
    cursor.setPosition(3, QTextCursor::KeepAnchor);
    form.ExprMemo->setTextCursor(cursor);
    click(form.findChild<TfrSpeedButton *>("frSpeedButton11"));
    EXPECT_EQ(memo(), QStringLiteral("A And "));
    click(form.findChild<TfrSpeedButton *>("frSpeedButton6"));
    EXPECT_EQ(memo(), QStringLiteral("A And <> "));
    EXPECT_TRUE(form.ExprMemo->hasFocus()) << "typing goes on in the expression";

    QTest::keyClick(form.ExprMemo, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(EditorsExpression, AChosenFieldEntersInSquareBrackets)
{
    ModalAnswer answer([] { return activeModal<TfrFieldsForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrFieldsForm>();
            EXPECT_EQ(f->windowTitle(), QStringLiteral("Вставка поля БД"));
            EXPECT_EQ(texts(f->DatasetsLB), QStringList({ "Customers", "Orders" }));
            EXPECT_EQ(texts(f->FieldsLB), QStringList({ "ID", "Name" })) << "the first dataset's fields";
            clickRow(f->FieldsLB, "Name");
            f->Button1->click();
        });
    form.ExprMemo->setPlainText("1 + ");
    form.ExprMemo->moveCursor(QTextCursor::End);
    click(form.InsDBBtn);
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(memo(), QStringLiteral("1 + [Customers.\"Name\"]"));

    ModalAnswer cancel([] { return activeModal<TfrFieldsForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrFieldsForm>();
            clickRow(f->FieldsLB, "ID");
            f->Button2->click();
        });
    click(form.InsDBBtn);
    ASSERT_TRUE(cancel.ran());
    EXPECT_EQ(memo(), QStringLiteral("1 + [Customers.\"Name\"]"));
}

TEST_F(EditorsExpression, FunctionsAreListedByCategoryWithTheirSyntax)
{
    ModalAnswer answer([] { return activeModal<TfrFuncForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrFuncForm>();
            EXPECT_EQ(f->windowTitle(), QStringLiteral("Доступные функции"));
            QTreeWidgetItem *root = f->Tree1->topLevelItem(0);
            EXPECT_EQ(root->text(0), QStringLiteral("Все функции"));
            EXPECT_EQ(f->Tree1->currentItem(), root);
            EXPECT_TRUE(root->isExpanded());
            EXPECT_EQ(f->FuncLB->count(), int(frEngine().InstalledFunctions().Items().size()));
            EXPECT_EQ(f->FuncLB->currentRow(), 0);

            QTreeWidgetItem *aggregates = nullptr;
            for (int i = 0; i < root->childCount(); ++i)
                if (root->child(i)->text(0) == QStringLiteral("Агрегатные"))
                    aggregates = root->child(i);
            ASSERT_NE(aggregates, nullptr);
            f->Tree1->setCurrentItem(aggregates);
            EXPECT_EQ(texts(f->FuncLB), QStringList({ "AVG", "COUNT", "MAX", "MIN", "SUM" }));
            clickRow(f->FuncLB, "COUNT");
            EXPECT_EQ(f->FuncLabel->text(), QStringLiteral("COUNT(<ИмяБэнда>)"));
            EXPECT_EQ(f->DescrLabel->text(), QStringLiteral("Возвращает количество строк данных бэнда <ИмяБэнда>. "));
            f->Button2->click();
        });
    click(form.InsFuncBtn);
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(memo(), QString()) << "cancelled";
}

TEST_F(EditorsExpression, AFunctionIsInsertedAsACallWithTheArgumentsItsSyntaxAllows)
{
    const struct
    {
        QString function;
        QStringList arguments; // typed into the argument edits
        int enabledEdits; // 0: no argument dialog
        QString inserted;
    } cases[] = {
        { "FORMATDATETIME", { "'dd.mm.yyyy'", "[DATE]" }, 2, "FORMATDATETIME('dd.mm.yyyy', [DATE])" },
        { "SUM", { "[Total]" }, 3, "SUM([Total])" },
        { "TRUE", {}, 0, "TRUE" },
        { "PAGE#", {}, 0, "[PAGE#]" },
    };
    for (const auto &c : cases) {
        form.ExprMemo->clear();
        ModalAnswer choose([] { return activeModal<TfrFuncForm>() != nullptr; },
            [&c] {
                auto *f = activeModal<TfrFuncForm>();
                clickRow(f->FuncLB, c.function);
                f->Button1->click();
            });
        ModalAnswer arguments([] { return activeModal<TfrFuncArgForm>() != nullptr; },
            [&c] {
                auto *f = activeModal<TfrFuncArgForm>();
                EXPECT_EQ(f->windowTitle(), QStringLiteral("Аргументы функции"));
                EXPECT_EQ(f->Label2->text(), QStringLiteral("Аргумент &2"));
                EXPECT_TRUE(f->FuncLabel->text().startsWith(c.function + u'('));
                const TfrComboEdit *edits[] = { f->ArgEdit1, f->ArgEdit2, f->ArgEdit3 };
                for (int i = 0; i < 3; ++i)
                    EXPECT_EQ(edits[i]->isEnabled(), i < c.enabledEdits) << c.function.toStdString() << " " << i;
                for (int i = 0; i < int(c.arguments.size()); ++i)
                    QTest::keyClicks(edits[i]->lineEdit(), c.arguments[i]);
                f->Button1->click();
            });
        click(form.InsFuncBtn);
        ASSERT_TRUE(choose.ran()) << c.function.toStdString();
        EXPECT_EQ(arguments.ran(), c.enabledEdits > 0) << c.function.toStdString();
        EXPECT_EQ(memo(), c.inserted) << c.function.toStdString();
    }
}

TEST_F(EditorsExpression, AnArgumentCanBeBuiltInANestedBuilder)
{
    ModalAnswer choose([] { return activeModal<TfrFuncForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrFuncForm>();
            clickRow(f->FuncLB, "UPPERCASE");
            f->Button1->click();
        });
    ModalAnswer nested([] { return activeModal<TfrExprForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrExprForm>();
            EXPECT_TRUE(f->ExprMemo->toPlainText().isEmpty()) << "a fresh builder";
            QTest::keyClicks(f->ExprMemo, "[Name]");
            f->Button1->click();
        });
    ModalAnswer arguments([] { return activeModal<TfrFuncArgForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrFuncArgForm>();
            EXPECT_EQ(f->ArgEdit1->ButtonHint(), QStringLiteral("Вставить выражение"));
            QTest::mouseClick(f->ArgEdit1->Button(), Qt::LeftButton);
            EXPECT_EQ(f->ArgEdit1->currentText(), QStringLiteral("[Name]"));
            f->Button1->click();
        });
    click(form.InsFuncBtn);
    ASSERT_TRUE(nested.ran());
    EXPECT_EQ(memo(), QStringLiteral("UPPERCASE([Name])"));
}

TEST_F(EditorsExpression, VariablesComeFromTheDictionaryAndTheSystemCategory)
{
    TfrVariables &variables = report.Dictionary().Variables;
    variables.SetValue(" Суммы", Variant(QString()));
    variables.SetValue("Итого", Variant(QString()));
    variables.SetValue("Налог", Variant(QString()));

    ModalAnswer dictionary([] { return activeModal<TfrVarForm>() != nullptr; },
        [] {
            auto *f = activeModal<TfrVarForm>();
            EXPECT_EQ(f->windowTitle(), QStringLiteral("Переменные"));
            EXPECT_EQ(texts(f->CategoryLB), QStringList({ "Суммы", "Системные переменные" }));
            EXPECT_EQ(f->CategoryLB->currentRow(), 0);
            EXPECT_EQ(texts(f->VarLB), QStringList({ "Итого", "Налог" }));
            clickRow(f->VarLB, "Итого");
            f->Button1->click();
        });
    click(form.InsVarBtn);
    ASSERT_TRUE(dictionary.ran());
    EXPECT_EQ(memo(), QStringLiteral("[Итого]"));

    const struct
    {
        QString entry; // empty: none selected
        bool ok;
        QString varName;
    } system[] = {
        { "", true, "PAGE#" },
        { "Дата", true, "DATE" },
        { "Всего страниц", true, "TOTALPAGES" },
        { "Line through#", false, "" },
    };
    for (const auto &s : system) {
        LastVarCategory.clear();
        TfrVarForm dialog;
        ModalAnswer answer([&dialog] { return QApplication::activeModalWidget() == &dialog; },
            [&dialog, &s] {
                clickRow(dialog.CategoryLB, "Системные переменные");
                EXPECT_EQ(texts(dialog.VarLB),
                    QStringList({ "Страница", "Дата", "Время", "Строка", "Line through#", "Колонка", "Current line#",
                        "Всего страниц" }));
                if (!s.entry.isEmpty())
                    clickRow(dialog.VarLB, s.entry);
                (s.ok ? dialog.Button1 : dialog.Button2)->click();
            });
        EXPECT_EQ(dialog.exec(), s.ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dialog.VarName, s.varName) << s.entry.toStdString();
        EXPECT_EQ(LastVarCategory, QStringLiteral("Системные переменные")) << "also after Cancel";
    }

    TfrVarForm reopened;
    ModalAnswer again([&reopened] { return QApplication::activeModalWidget() == &reopened; },
        [&reopened] {
            EXPECT_EQ(reopened.CategoryLB->currentItem()->text(), QStringLiteral("Системные переменные"));
            reopened.Button2->click();
        });
    reopened.exec();
    EXPECT_TRUE(again.ran());
}

TEST_F(EditorsExpression, Screenshot)
{
    form.ExprMemo->setPlainText("[Customers.\"Name\"] + ' ' + FORMATDATETIME('dd.mm.yyyy', [DATE])");
    tarvik::test::SaveScreenshot(&form, "designer-expression", QSize(400, 300));
}

} // namespace
