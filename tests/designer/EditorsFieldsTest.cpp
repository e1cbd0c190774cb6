// The field dialog and the designer's DB-fields window.
#include "EditorsReportData.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

namespace {

using tarvik::test::ModalAnswer;

class EditorsFields : public EditorsReportData
{
protected:
    // Runs the field dialog, clicking a dataset and a field (none when empty), and answers its field text.
    QString choose(const QString &dataset, const QString &field, bool ok = true)
    {
        TfrFieldsForm dialog;
        ModalAnswer answer([&dialog] { return QApplication::activeModalWidget() == &dialog; },
            [&] {
                if (!dataset.isEmpty())
                    clickRow(dialog.DatasetsLB, dataset);
                if (!field.isEmpty())
                    clickRow(dialog.FieldsLB, field);
                (ok ? dialog.Button1 : dialog.Button2)->click();
            });
        EXPECT_EQ(dialog.exec(), ok ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_TRUE(answer.ran());
        return dialog.FieldText;
    }
};

TEST_F(EditorsFields, TheChoiceIsTheDatasetAndTheFieldInQuotesAsListed)
{
    EXPECT_EQ(choose("Customers", "Name"), QStringLiteral("Customers.\"Name\""));
    EXPECT_EQ(choose("Orders", ""), QString()) << "no field chosen";

    report.Dictionary().FieldAliases.SetValue("Customers", Variant(QStringLiteral("Абоненты")));
    report.Dictionary().FieldAliases.SetValue("Orders", Variant(QStringLiteral("Заказы")));
    report.Dictionary().FieldAliases.SetValue("Customers.Name", Variant(QStringLiteral("Фамилия")));
    EXPECT_EQ(choose("Абоненты", "Фамилия"), QStringLiteral("Абоненты.\"Фамилия\""));
}

TEST_F(EditorsFields, TheDialogReopensWithTheDatasetChosenLastAlsoAfterCancel)
{
    choose("Orders", "TOTAL", false);
    EXPECT_EQ(LastFieldsDataset, QStringLiteral("Orders"));

    TfrFieldsForm dialog;
    ModalAnswer answer([&dialog] { return QApplication::activeModalWidget() == &dialog; },
        [&dialog] {
            EXPECT_EQ(dialog.DatasetsLB->currentItem()->text(), QStringLiteral("Orders"));
            EXPECT_EQ(texts(dialog.FieldsLB), QStringList({ "ORDER_ID", "TOTAL" }));
            doubleClickRow(dialog.FieldsLB, "TOTAL");
        });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted) << "a double-click on a field takes it";
    EXPECT_EQ(dialog.FieldText, QStringLiteral("Orders.\"TOTAL\""));
}

class EditorsFieldsWindow : public EditorsReportData
{
protected:
    TfrInsFieldsForm *open()
    {
        auto *window = new TfrInsFieldsForm(&designer);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        return window;
    }
    static void close(TfrInsFieldsForm *window)
    {
        QPointer<TfrInsFieldsForm> guard(window);
        window->close();
        ASSERT_TRUE(QTest::qWaitFor([&guard] { return guard.isNull(); })) << "closing frees the window";
    }
    static void dragSplitter(TfrInsFieldsForm *window, int dy)
    {
        QTest::mousePress(window->Splitter, Qt::LeftButton, {}, QPoint(10, 1));
        QTest::mouseMove(window->Splitter, QPoint(10, 1 + dy));
        QTest::mouseRelease(window->Splitter, Qt::LeftButton, {}, QPoint(10, 1 + dy));
    }
    static void captionDoubleClick(QWidget *window)
    {
        QMouseEvent e(QEvent::NonClientAreaMouseButtonDblClick, QPointF(10, -5), QPointF(10, -5), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &e);
    }

    QWidget designer;
};

TEST_F(EditorsFieldsWindow, ReopensAtItsPlaceWithItsSplitterAndTheDatasetChosenLast)
{
    TfrInsFieldsForm *window = open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Вставка поля БД"));
    EXPECT_EQ(window->DatasetsLB->height(), 120);
    window->setGeometry(50, 60, 180, 320);
    dragSplitter(window, 30);
    EXPECT_EQ(window->DatasetsLB->height(), 150);
    EXPECT_EQ(window->Splitter->geometry(), QRect(0, 150, 180, 2));
    EXPECT_EQ(window->FieldsLB->geometry(), QRect(0, 152, 180, 320 - 152));
    clickRow(window->DatasetsLB, "Orders");
    close(window);

    window = open();
    EXPECT_EQ(window->geometry(), QRect(50, 60, 180, 320));
    EXPECT_EQ(window->DatasetsLB->height(), 150);
    EXPECT_EQ(window->DatasetsLB->currentItem()->text(), QStringLiteral("Orders"));
    EXPECT_EQ(texts(window->FieldsLB), QStringList({ "ORDER_ID", "TOTAL" }));
    close(window);
}

TEST_F(EditorsFieldsWindow, StoredValuesThatAreNoNumbersReadAsTheDefaults)
{
    TRegIniFile registry(EngineRegistryKey());
    registry.WriteString("Form\\TfrInsFieldsForm", "SplitterPos", "wide");
    registry.WriteString("Form\\TfrInsFieldsForm", "Height", "tall");
    TfrInsFieldsForm *window = open();
    EXPECT_EQ(window->DatasetsLB->height(), 120);
    EXPECT_EQ(window->height(), 300);
    close(window);
}

TEST_F(EditorsFieldsWindow, ACaptionDoubleClickRollsItUpAndDownAndUnrollBringsItBack)
{
    TfrInsFieldsForm *window = open();
    int heightChanges = 0;
    window->OnHeightChanged = [&heightChanges](QObject *) { ++heightChanges; };
    const int created = window->height();
    captionDoubleClick(window);
    EXPECT_EQ(window->height(), 0);
    EXPECT_FALSE(window->DatasetsLB->isVisible());
    captionDoubleClick(window);
    EXPECT_EQ(window->height(), created);
    EXPECT_TRUE(window->DatasetsLB->isVisible());
    EXPECT_EQ(heightChanges, 2);

    captionDoubleClick(window);
    window->Unroll();
    EXPECT_EQ(window->height(), created);
    EXPECT_TRUE(window->DatasetsLB->isVisible());
    window->resize(window->width(), 400);
    window->Unroll();
    EXPECT_EQ(window->height(), 400) << "an unrolled window keeps its height";
    close(window);

    TRegIniFile(EngineRegistryKey()).WriteInteger("Form\\TfrInsFieldsForm", "Height", 10);
    window = open();
    EXPECT_FALSE(window->DatasetsLB->isVisible()) << "stored while rolled up";
    window->Unroll();
    EXPECT_EQ(window->height(), 300);
    EXPECT_TRUE(window->DatasetsLB->isVisible());
    close(window);
}

TEST_F(EditorsFieldsWindow, RefreshFollowsTheReportsDatasetsAndADatasetWithoutFieldsShowsNone)
{
    TfrInsFieldsForm *window = open();
    clickRow(window->DatasetsLB, "Orders");
    TMemTable payments;
    payments.LoadData({ TFieldDef(QStringLiteral("SUM"), ftFloat) }, {});
    ComponentRegistry::instance().registerComponent(&module, &payments, QStringLiteral("Payments"));
    window->Refresh();
    EXPECT_EQ(texts(window->DatasetsLB), QStringList({ "Customers", "Orders", "Payments" }));
    EXPECT_EQ(window->DatasetsLB->currentItem()->text(), QStringLiteral("Orders"));

    ComponentRegistry::instance().unregister(&payments);
    clickRow(window->DatasetsLB, "Payments");
    EXPECT_EQ(window->FieldsLB->count(), 0) << "a dataset that is gone lists no fields";
    window->Refresh();
    EXPECT_EQ(texts(window->DatasetsLB), QStringList({ "Customers", "Orders" }));
    EXPECT_EQ(window->DatasetsLB->currentItem()->text(), QStringLiteral("Customers"));

    ComponentRegistry::instance().unregister(&customers);
    ComponentRegistry::instance().unregister(&orders);
    window->Refresh();
    EXPECT_EQ(window->DatasetsLB->count(), 0);
    EXPECT_EQ(window->FieldsLB->count(), 0);
    close(window);
}

TEST_F(EditorsFieldsWindow, AFieldIsDraggedAsItsTextAndHidingKeepsTheChoice)
{
    TfrInsFieldsForm *window = open();
    QListWidget *fields = window->FieldsLB;
    clickRow(fields, "Name");
    const QPoint at = fields->visualItemRect(fields->currentItem()).center();
    QTest::mousePress(fields->viewport(), Qt::LeftButton, {}, at);
    // The mouse moves a little with the button held, then beyond the drag distance.
    const QPoint away = at + QPoint(0, QApplication::startDragDistance() + 5);
    for (const QPoint &to : { at + QPoint(0, 1), away }) {
        QMouseEvent move(
            QEvent::MouseMove, to, fields->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(fields->viewport(), &move);
    }
    QTest::mouseRelease(fields->viewport(), Qt::LeftButton, {}, away);

    const QDrag *drag = fields->findChild<QDrag *>();
    ASSERT_NE(drag, nullptr) << "the drag started";
    EXPECT_EQ(drag->mimeData()->text(), QStringLiteral("Customers.\"Name\""));
    EXPECT_EQ(window->FieldText, QStringLiteral("Customers.\"Name\""));

    clickRow(window->DatasetsLB, "Orders");
    clickRow(fields, "ORDER_ID");
    window->hide();
    EXPECT_EQ(window->FieldText, QStringLiteral("Orders.\"ORDER_ID\""));
    EXPECT_EQ(LastInsFieldsDataset, QStringLiteral("Orders"));
    close(window);
}

} // namespace
