// Faults found in the data grid by hostile input and review, each with the behaviour that replaced it.
#include "DBGridEhImpExp.h"
#include "DBGridEhInplace.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "GridExchange.h"
#include "GridInteraction.h"
#include "Guard.h"
#include "WidgetKit.h"

#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarvik::test;

namespace {

// The messages the program's handler is given while the recorder lives.
struct ReportedErrors
{
    ReportedErrors()
        : previous(setExceptionHandler([this](const QString &message) { messages << message; }))
    {
    }
    ~ReportedErrors() { setExceptionHandler(previous); }
    QStringList messages;
    ExceptionHandler previous;
};

// Runs what the changes so far queued, the grid's deferred reports among them.
void settle()
{
    QApplication::sendPostedEvents();
    QApplication::processEvents();
}

} // namespace

TEST(HardeningGrid, ACommaOrAPointTypedIntoANumberCellIsTheDecimalSeparator)
{
    // "12,5" lost its comma and was stored as 125 whichever separator the settings named.
    const struct
    {
        char decimal;
        const char *typed;
        bool wrapping;
    } cases[] = {
        { '.', "12,5", false },
        { '.', "12.5", false },
        { ',', "12,5", false },
        { ',', "12.5", false },
        { '.', "12,5", true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("decimal ") + c.decimal + ", typed " + c.typed + (c.wrapping ? ", wrapping" : ""));
        FormatSettingsScope scope;
        FormatSettings().DecimalSeparator = QLatin1Char(c.decimal);
        InteractionGrid g(
            { QStringLiteral("Petrov") }, c.wrapping ? TDBGridOptions(dgAlwaysShowEditor) : TDBGridOptions());
        if (c.wrapping) {
            g.grid->HideEditor();
            g.grid->Columns()[2]->SetWordWrap(true);
            g.grid->SetRowLines(3);
        }
        g.grid->SetSelectedIndex(2);
        g.grid->ShowEditor();
        QApplication::processEvents();
        auto *editor = dynamic_cast<TDBGridInplaceEdit *>(g.grid->InplaceEditor());
        ASSERT_TRUE(editor);
        ASSERT_EQ(editor->WordWrap(), c.wrapping);
        QWidget *typedInto = c.wrapping ? static_cast<QWidget *>(editor->MultiLineEditor()) : editor;
        ASSERT_TRUE(QTest::qWaitFor([&] { return typedInto->isVisible(); }));
        editor->selectAll();
        if (c.wrapping)
            editor->MultiLineEditor()->selectAll();
        QTest::keyClicks(typedInto, QString::fromLatin1(c.typed));
        EXPECT_EQ(editor->text(), QStringLiteral("12") + QLatin1Char(c.decimal) + QLatin1Char('5'));
        QTest::keyClick(typedInto, Qt::Key_Return);
        if (g.ds.State() != dsBrowse)
            g.ds.Post();
        EXPECT_EQ(g.field("AMOUNT")->AsFloat(), 12.5);
    }
}

TEST(HardeningGrid, AnOverflowingTotalIsAnErrorToldOnceAndNeverAWrappedNumber)
{
    ReportedErrors reported;
    ExchangeGrid g;
    g.columns({ "ID", "AMOUNT" });
    TColumnEh *amount = g.grid->Columns()[1];
    g.grid->SetFooterRowCount(1);
    amount->Footer().SetValueType(fvtSum);
    g.grid->SumList().SetActive(true);
    const auto footer = [&] { return g.grid->GetFooterText(amount->Footer(), *amount); };
    // Each half fits a total of ten-thousandths; the two together are past 2^63.
    g.add(1, QString(), 5e14);
    g.show();
    settle();
    EXPECT_EQ(footer(), QStringLiteral("500000000000000"));

    g.add(2, QString(), 5e14);
    settle();
    EXPECT_EQ(footer(), QString()) << "no number rather than one of the other sign";
    ASSERT_EQ(reported.messages.size(), 1);
    EXPECT_EQ(reported.messages[0], QStringLiteral("Итог по полю \"AMOUNT\" слишком велик, он не показан"));
    EXPECT_EQ(g.exported<TDBGridEhExportAsText>().split('\n').last(), QByteArray("\t"))
        << "the exported footer is empty as well";

    // Further changes and a recount of the same overflow tell nothing more.
    g.add(3, QString(), 1.0);
    g.grid->SumList().RecalcAllSums();
    settle();
    EXPECT_EQ(footer(), QString());
    EXPECT_EQ(reported.messages.size(), 1);

    // Deleting what overflowed brings the total back; a new overflow is told again, also from one value no
    // total can hold, and the grid draws that value without an error (it was read as an image index).
    g.ds.Locate(QStringLiteral("ID"), 2);
    g.ds.Delete();
    settle();
    EXPECT_EQ(footer(), QStringLiteral("500000000000001"));
    g.ds.Locate(QStringLiteral("ID"), 3);
    g.ds.Edit();
    g.field("AMOUNT")->SetValue(1e300);
    g.ds.Post();
    settle();
    EXPECT_EQ(footer(), QString());
    EXPECT_EQ(reported.messages.size(), 2) << reported.messages.join(QLatin1Char('\n')).toStdString();
}

TEST(HardeningGrid, ATextWithABadLineEndImportsNothing)
{
    // The lines before the bad one were posted and the record being read was left open with half its cells.
    const struct
    {
        const char *what;
        bool empty; // appended to an empty dataset
        bool all;
    } cases[] = {
        { "onto the current record", false, false },
        { "over every record", false, true },
        { "appended to an empty dataset", true, false },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ExchangeGrid g;
        if (!c.empty) {
            g.add(1, QStringLiteral("a"));
            g.add(2, QStringLiteral("b"));
            g.ds.First();
        }
        g.show();
        g.columns({ "ID", "NAME" });
        const QStringList before = g.names();
        Clipboard::SetText(QStringLiteral("7\tg\r\n8\th\r9\ti"));
        try {
            PasteClipboardIntoGrid(g.grid.get(), c.all);
            ADD_FAILURE() << "no error";
        } catch (const Exception &error) {
            EXPECT_EQ(error.message(), QStringLiteral("TDBGridEhImportAsText.CheckState: Неверный формат текста"));
        }
        EXPECT_EQ(g.ds.State(), dsBrowse);
        g.ds.Last();
        g.ds.First();
        EXPECT_EQ(g.names(), before);
        EXPECT_EQ(g.ds.RecordCount(), before.size());
        EXPECT_FALSE(g.ds.ControlsDisabled());
    }
}

TEST(HardeningGrid, FilterRowNumbersAreOnesTheDatasetsFilterReads)
{
    // 1e15 was written as 1E15, and with a comma separator 2,5 as 2.5: the datasets refused both.
    const struct
    {
        char decimal;
        const char *typed;
        int rows;
    } cases[] = {
        { '.', ">= 1e15", 2 },
        { '.', "< 1e-3", 1 },
        { '.', "In (2.5, 3e15)", 2 },
        { ',', "2,5", 1 },
        { ',', "<> 2,5", 3 },
        { ',', "In (2,5)", 1 },
        { ',', ">= 1e15", 2 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string("decimal ") + c.decimal + ": " + c.typed);
        FormatSettingsScope scope;
        FormatSettings().DecimalSeparator = QLatin1Char(c.decimal);
        InteractionGrid g({ QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d") });
        int id = 1;
        for (double amount : { 0.0001, 2.5, 1e15, 3e15 }) {
            g.gotoId(id++);
            g.ds.Edit();
            g.field("AMOUNT")->SetValue(amount);
            g.ds.Post();
        }
        TColumnEh *column = g.grid->Columns()[2];
        g.grid->OnApplyFilter = [column](TCustomDBGridEh *grid) {
            grid->DataSource()->DataSet()->SetFilter(
                column->STFilter().GetFilterDataField() + QLatin1Char(' ') + column->STFilter().GetFilterText());
            grid->DataSource()->DataSet()->SetFiltered(true);
        };
        column->STFilter().SetFilterText(QString::fromLatin1(c.typed));
        try {
            g.grid->ApplyFilter();
        } catch (const Exception &error) {
            ADD_FAILURE() << error.message().toStdString() << " for "
                          << column->STFilter().GetFilterText().toStdString();
            continue;
        }
        EXPECT_EQ(g.ds.RecordCount(), c.rows) << column->STFilter().GetFilterText().toStdString();
    }
}
