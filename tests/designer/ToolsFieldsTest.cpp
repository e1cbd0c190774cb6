// Database fields on the page: the fields of a dataset laid out with headers and bands, the DB-fields window
// beside the inspector, and a field dropped on the surface.
#include "WindowFixture.h"

#include "FR_DBSet.h"
#include "FR_Dock.h"
#include "FR_Fields.h"
#include "FR_Insp.h"
#include "FR_InsertFields.h"

#include "ComponentRegistry.h"
#include "MemTable.h"

#include <QAction>
#include <QDrag>
#include <QDragEnterEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QScrollArea>

namespace {

// A data module "DM" with the table Customers (ID, NAME, CODE shown 300 wide) and its report data source
// frCustomers; a module "Other" whose data source frOrders shows Orders. The report belongs to DM.
class ToolsFields : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        ComponentRegistry &registry = ComponentRegistry::instance();
        module.setObjectName(QStringLiteral("DM"));
        registry.registerOwner(&module, QStringLiteral("DM"));
        other.setObjectName(QStringLiteral("Other"));
        registry.registerOwner(&other, QStringLiteral("Other"));
        customers.LoadData({ TFieldDef(QStringLiteral("ID"), ftInteger), TFieldDef(QStringLiteral("NAME"), ftString, 30),
                               TFieldDef(QStringLiteral("CODE"), ftString, 10) },
            {});
        customers.FieldByName(QStringLiteral("CODE"))->SetDisplayWidth(300);
        customers.FieldByName(QStringLiteral("NAME"))->SetDisplayLabel(QStringLiteral("Customer"));
        orders.LoadData({ TFieldDef(QStringLiteral("TOTAL"), ftFloat) }, {});
        registry.registerComponent(&module, &customers, QStringLiteral("Customers"));
        frCustomers.SetDataSet(&customers);
        registry.registerComponent(&module, &frCustomers, QStringLiteral("frCustomers"));
        registry.registerComponent(&other, &orders, QStringLiteral("Orders"));
        frOrders.SetDataSet(&orders);
        registry.registerComponent(&other, &frOrders, QStringLiteral("frOrders"));
        report.setParent(&module);
        saved = TfrDesignerForm::InsertFieldsDialog;
        TfrDesignerForm::InsertFieldsDialog = [this](TfrInsertFieldsChoice &c) {
            ++dialogShown;
            c = choice;
            return answer;
        };
    }
    void TearDown() override
    {
        TfrDesignerForm::InsertFieldsDialog = saved;
        WindowFixture::TearDown();
        report.setParent(nullptr);
        ComponentRegistry::instance().unregister(&module);
        ComponentRegistry::instance().unregister(&other);
    }

    void choose(TDataSet *dataset, const QString &name, QStringList fields, bool horizontal, bool headers, bool bands)
    {
        choice = { dataset, name, std::move(fields), horizontal, headers, bands };
    }
    std::vector<TfrMemoView *> texts() const
    {
        std::vector<TfrMemoView *> out;
        for (int i = 0; i < page->ObjectCount(); ++i)
            if (auto *m = dynamic_cast<TfrMemoView *>(page->Object(i)))
                out.push_back(m);
        return out;
    }
    // Widths as the layout measures them: in the object's font, cut to whole grid steps.
    static int measured(const QString &text, bool bold, int step)
    {
        TfrFont font;
        font.Style = bold ? 2 : 0;
        return QFontMetrics(font.toQFont(font.pixelHeight())).horizontalAdvance(text) / step * step;
    }
    static int equalsWidth(int count, int step)
    {
        TfrFont font;
        return count * QFontMetrics(font.toQFont(font.pixelHeight())).horizontalAdvance(u'=') / step * step;
    }

    QObject module, other;
    TMemTable customers, orders;
    TfrDBDataSet frCustomers, frOrders;
    TfrInsertFieldsChoice choice;
    bool answer = true;
    int dialogShown = 0;
    std::function<bool(TfrInsertFieldsChoice &)> saved;
};

TEST_F(ToolsFields, HorizontalWithHeadersGivesBoldHeadersAndTheFieldsBelowThem)
{
    TfrDesignerForm &d = open();
    const int left = page->PrintAreaLeft(), top = page->PrintAreaTop();
    choose(&customers, QStringLiteral("Customers"), { "ID", "NAME", "CODE" }, true, true, false);
    ASSERT_EQ(d.MastMenu->actions().size(), 1);
    d.MastMenu->actions().first()->trigger();
    ASSERT_EQ(dialogShown, 1);
    const auto t = texts();
    ASSERT_EQ(t.size(), 6u);
    const QString headers[] = { "ID", "Customer", "CODE" };
    const int widths[] = { 11, 30, 6 };
    const char *fields[] = { "ID", "NAME", "CODE" };
    int x = left;
    for (int i = 0; i < 3; ++i) {
        const TfrMemoView *h = t[size_t(2 * i)], *v = t[size_t(2 * i + 1)];
        EXPECT_EQ(h->Memo, QStringList { headers[i] });
        EXPECT_EQ(h->Font.Style, 2);
        EXPECT_EQ(bounds(h), QRect(x, top, measured(headers[i] + "   ", true, 4), 18)) << i;
        EXPECT_EQ(v->Memo, QStringList { QStringLiteral("[Customers.\"%1\"]").arg(fields[i]) });
        EXPECT_EQ(v->Font.Style, 0);
        EXPECT_EQ(bounds(v), QRect(x, top + 72, equalsWidth(widths[i], 4), 18)) << i;
        EXPECT_TRUE(h->IsSelected && v->IsSelected);
        x += 4 + v->Width;
    }
    d.Undo();
    EXPECT_EQ(page->ObjectCount(), 0) << "the insertion is one undo step";
}

TEST_F(ToolsFields, VerticalLayoutsGoDownTheGrid)
{
    TfrDesignerForm &d = open();
    const int left = page->PrintAreaLeft(), top = page->PrintAreaTop();
    choose(&customers, QStringLiteral("Customers"), { "ID", "CODE", "MISSING" }, false, false, false);
    d.InsertDBFields();
    auto t = texts();
    ASSERT_EQ(t.size(), 3u);
    const int widths[] = { 11, 6, 6 };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(bounds(t[size_t(i)]), QRect(left, top + i * 22, measured(QString(widths[i], u'='), false, 4), 18)) << i;
    EXPECT_EQ(t[2]->Memo, QStringList { QStringLiteral("[Customers.\"MISSING\"]") }) << "a field the dataset lacks";

    page->ClearObjects();
    d.SetCurPage(0);
    choose(&customers, QStringLiteral("Customers"), { "MISSING" }, false, true, false);
    d.InsertDBFields();
    t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0]->Memo, QStringList { QStringLiteral("MISSING") }) << "headed by its list text";
    EXPECT_EQ(t[1]->Left, left + 8 + t[0]->Width) << "the field beside its header";
    EXPECT_EQ(t[1]->Width, equalsWidth(6, 4));
}

TEST_F(ToolsFields, ARowWiderThanThePageIsSqueezedUnlessThePageHasNoWidth)
{
    TfrDesignerForm &d = open();
    const int left = page->PrintAreaLeft();
    const QStringList many = { "NAME", "NAME", "NAME", "NAME", "NAME", "NAME" };
    choose(&customers, QStringLiteral("Customers"), many, true, true, false);
    d.InsertDBFields();
    auto t = texts();
    ASSERT_EQ(t.size(), 12u);
    const int dataWidth = equalsWidth(30, 4), headerWidth = measured(QStringLiteral("Customer   "), true, 4);
    const int right = left + 6 * dataWidth + 5 * 4;
    const int printable = page->PrintAreaRight() - left;
    ASSERT_LT(printable, right);
    const double k = double(right) / printable;
    for (int i = 0; i < 6; ++i) {
        const TfrMemoView *h = t[size_t(2 * i)], *v = t[size_t(2 * i + 1)];
        const int x = DesignGeometry::RoundEven(i * (dataWidth + 4) / k) + left;
        EXPECT_EQ(v->Left, x) << i;
        EXPECT_EQ(v->Width, DesignGeometry::RoundEven(dataWidth / k)) << i;
        EXPECT_EQ(h->Left, x) << i;
        EXPECT_EQ(h->Width, std::min(headerWidth, v->Width)) << "a header is never wider than its field";
        EXPECT_LE(v->Left + v->Width, page->PrintAreaRight());
    }

    // No printable width at all: the objects keep their widths.
    page->ClearObjects();
    page->LeftMargin = 500;
    page->RightMargin = page->PrnInfo.PaperWidthUnits - 400;
    d.SetCurPage(0);
    ASSERT_LE(page->PrintAreaRight() - page->PrintAreaLeft(), 0);
    d.InsertDBFields();
    t = texts();
    ASSERT_EQ(t.size(), 12u);
    EXPECT_EQ(t[1]->Width, dataWidth);
    EXPECT_EQ(t[3]->Left, 500 + dataWidth + 4);
}

TEST_F(ToolsFields, BandsAreAddedWithTheDataSourceNamedAsTheReportSeesIt)
{
    struct Case
    {
        const char *what;
        bool horizontal, headers, pageHeaderThere;
        TDataSet *dataset;
        QString datasetName;
        std::vector<std::pair<int, int>> bands; // type, top offset from the printable top
        QString source;
    } cases[] = {
        { "headers in a row", true, true, false, &customers, "Customers", { { btPageHeader, 0 }, { btMasterData, 72 } },
            "frCustomers" },
        { "a page header there already", true, true, true, &customers, "Customers", { { btMasterData, 72 } },
            "frCustomers" },
        { "vertical", false, true, false, &customers, "Customers", { { btMasterData, 0 } }, "frCustomers" },
        { "a source of another module", true, false, false, &orders, "Other.Orders", { { btMasterData, 0 } },
            "Other.frOrders" },
    };
    TfrDesignerForm &d = open();
    const int top = page->PrintAreaTop();
    for (const Case &c : cases) {
        page->ClearObjects();
        if (c.pageHeaderThere)
            band(btPageHeader, 0, 30, "Existing");
        d.SetCurPage(0);
        choose(c.dataset, c.datasetName, { "ID" }, c.horizontal, c.headers, true);
        d.InsertDBFields();
        std::vector<TfrBandView *> added;
        for (int i = 0; i < page->ObjectCount(); ++i)
            if (auto *b = dynamic_cast<TfrBandView *>(page->Object(i)); b && b->Name != "Existing")
                added.push_back(b);
        ASSERT_EQ(added.size(), c.bands.size()) << c.what;
        for (size_t i = 0; i < added.size(); ++i) {
            EXPECT_EQ(added[i]->GetBandType(), c.bands[i].first) << c.what;
            EXPECT_EQ(added[i]->Top, top + c.bands[i].second) << c.what;
            EXPECT_EQ(added[i]->Height, 18) << c.what;
            EXPECT_TRUE(added[i]->IsSelected);
        }
        EXPECT_EQ(added.back()->FormatText, c.source) << c.what;
        EXPECT_EQ(page->Object(0)->TypeCode, 2) << "bands come first";
    }
}

TEST_F(ToolsFields, NothingIsInsertedWithoutAChoiceOrOnADialogPage)
{
    TfrDesignerForm &d = open();
    struct Case
    {
        const char *what;
        bool answer;
        QString dataset;
        QStringList fields;
    } cases[] = {
        { "cancelled", false, "Customers", { "ID" } },
        { "no dataset", true, "", { "ID" } },
        { "no field chosen", true, "Customers", {} },
    };
    for (const Case &c : cases) {
        answer = c.answer;
        choose(&customers, c.dataset, c.fields, true, true, true);
        d.InsertDBFields();
        EXPECT_EQ(page->ObjectCount(), 0) << c.what;
    }
    EXPECT_EQ(d.UndoCount(), 0);
    answer = true;
    report.Pages().Add();
    report.Pages().GetPage(1)->Type = 1;
    d.SetCurPage(1);
    const int shown = dialogShown;
    d.InsertDBFields();
    EXPECT_EQ(dialogShown, shown) << "a dialog page takes no fields";
}

TEST_F(ToolsFields, InsertShowsTheFieldsWindowOnlyWithoutModifiersOnAReportPage)
{
    TRegIniFile(EngineRegistryKey()).WriteBool(QStringLiteral("Form\\TfrInsFieldsForm"), QStringLiteral("isVisible"), false);
    TfrDesignerForm &d = open();
    ASSERT_EQ(d.FieldsWindow(), nullptr) << "the registry said it was closed";
    for (Qt::KeyboardModifiers mods : { Qt::KeyboardModifiers(Qt::AltModifier), Qt::KeyboardModifiers(Qt::ShiftModifier),
             Qt::KeyboardModifiers(Qt::ControlModifier) }) {
        key(Qt::Key_Insert, mods);
        EXPECT_EQ(d.FieldsWindow(), nullptr) << int(mods);
    }
    report.Pages().Add();
    report.Pages().GetPage(1)->Type = 1;
    d.SetCurPage(1);
    key(Qt::Key_Insert);
    EXPECT_EQ(d.FieldsWindow(), nullptr) << "not on a dialog page";
    d.SetCurPage(0);
    key(Qt::Key_Insert);
    ASSERT_NE(d.FieldsWindow(), nullptr);
    EXPECT_TRUE(d.FieldsWindow()->isVisible());

    emit d.ToolbarsMenu->aboutToShow();
    EXPECT_TRUE(d.Pan8->isChecked());
    d.Pan8->trigger();
    EXPECT_EQ(d.FieldsWindow(), nullptr) << "the toolbar menu's item closes it";
}

TEST_F(ToolsFields, TheFieldsWindowSharesTheScrollBoxHeightWithTheInspector)
{
    TfrDesignerForm &d = open();
    TfrInsFieldsForm *fields = d.FieldsWindow();
    ASSERT_NE(fields, nullptr) << "shown at start by default";
    ASSERT_TRUE(d.InspForm->isVisible());
    const int top = d.ScrollBox1->mapToGlobal(QPoint(0, 0)).y() - 1, total = d.ScrollBox1->height();
    fields->setGeometry(d.InspForm->x(), top + 300, 160, 150);
    d.InspForm->setGeometry(d.InspForm->x(), top + 10, d.InspForm->width(), 200);
    d.AlignFieldsWindow();
    EXPECT_EQ(d.InspForm->geometry().top(), top);
    EXPECT_EQ(d.InspForm->height(), total - 150);
    EXPECT_EQ(fields->geometry().top(), top + total - 150);
    EXPECT_EQ(fields->height(), 150) << "the DB-fields window keeps its height";

    fields->setGeometry(d.InspForm->x() + d.InspForm->width() + 50, top + 400, 160, 150);
    d.AlignFieldsWindow();
    EXPECT_EQ(fields->geometry().top(), top + 400) << "windows apart stay where they are";
}

TEST_F(ToolsFields, ARolledUpWindowLeavesTheOtherOneTheScrollBoxHeight)
{
    TfrDesignerForm &d = open();
    TfrInsFieldsForm *fields = d.FieldsWindow();
    ASSERT_NE(fields, nullptr);
    const int top = d.ScrollBox1->mapToGlobal(QPoint(0, 0)).y() - 1, total = d.ScrollBox1->height();
    const int own = fields->height();
    fields->setGeometry(d.InspForm->x(), top + 300, 160, own);
    d.InspForm->setGeometry(d.InspForm->x(), top + 10, d.InspForm->width(), 200);
    d.AlignFieldsWindow();
    auto heights = [&] { return std::pair(d.InspForm->height(), fields->height()); };
    auto captionDoubleClick = [](QWidget *window) {
        QMouseEvent e(QEvent::NonClientAreaMouseButtonDblClick, QPointF(10, -5), QPointF(10, -5), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &e);
    };

    captionDoubleClick(d.InspForm);
    EXPECT_EQ(heights(), std::pair(0, own)) << "the rolled-up inspector keeps no height";
    EXPECT_EQ(fields->geometry().top(), top + total - own);
    captionDoubleClick(d.InspForm);
    EXPECT_EQ(heights(), std::pair(total - own, own));

    captionDoubleClick(fields);
    EXPECT_EQ(heights(), std::pair(total, 0)) << "the rolled-up fields window leaves the inspector all of it";
    EXPECT_EQ(d.InspForm->geometry().top(), top);
    EXPECT_FALSE(fields->DatasetsLB->isVisible());
    captionDoubleClick(fields);
    EXPECT_EQ(heights(), std::pair(total - own, own));

    captionDoubleClick(fields);
    key(Qt::Key_Insert);
    EXPECT_EQ(d.FieldsWindow(), fields);
    EXPECT_EQ(fields->height(), own) << "Insert unrolls the open window";
    EXPECT_TRUE(fields->DatasetsLB->isVisible());
}

TEST_F(ToolsFields, AFieldDraggedFromTheFieldsWindowIsDroppedAsItsExpression)
{
    TfrDesignerForm &d = open();
    TfrInsFieldsForm *fields = d.FieldsWindow();
    ASSERT_NE(fields, nullptr);
    auto clickRow = [](QListWidget *list, const char *text) {
        const QList<QListWidgetItem *> found = list->findItems(QLatin1String(text), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    };
    clickRow(fields->DatasetsLB, "Customers");
    clickRow(fields->FieldsLB, "NAME");

    // The drag starts in the list as the mouse leaves the row with the button held; the platform ends it at once,
    // so its data is taken from the drag it left and carried over the surface by hand.
    QWidget *rows = fields->FieldsLB->viewport();
    const QPoint from = fields->FieldsLB->visualItemRect(fields->FieldsLB->currentItem()).center();
    QTest::mousePress(rows, Qt::LeftButton, {}, from);
    for (const QPoint &to : { from + QPoint(0, 1), from + QPoint(0, QApplication::startDragDistance() + 5) }) {
        QMouseEvent move(QEvent::MouseMove, to, rows->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rows, &move);
    }
    QTest::mouseRelease(rows, Qt::LeftButton, {}, from);
    const QDrag *drag = fields->FieldsLB->findChild<QDrag *>();
    ASSERT_NE(drag, nullptr) << "the drag started";
    QMimeData dragged;
    for (const QString &format : drag->mimeData()->formats())
        dragged.setData(format, drag->mimeData()->data(format));
    QMimeData *data = &dragged;

    TfrDesignerPage *surface = d.PageView;
    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(QPoint(103, 61), Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &move);
    EXPECT_TRUE(move.isAccepted());
    EXPECT_TRUE(surface->GhostShown);
    EXPECT_EQ(surface->ActionRect, QRect(96, 56, 96, 18)) << "the ghost follows the snapped point, 4 up and left";
    QDropEvent drop(QPoint(103, 61), Qt::CopyAction, data, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_FALSE(surface->GhostShown);

    auto t = texts();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0]->Memo, QStringList { QStringLiteral("[Customers.\"NAME\"]") });
    EXPECT_EQ(bounds(t[0]), QRect(96, 56, 96, 18));
    EXPECT_EQ(d.UndoCount(), 1);
    d.Undo();
    EXPECT_EQ(page->ObjectCount(), 0) << "the drop is one undo step";
    d.Redo();
    t = texts();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0]->Memo, QStringList { QStringLiteral("[Customers.\"NAME\"]") }) << "redone with its field";

    // A text dragged in from elsewhere is refused.
    QMimeData foreign;
    foreign.setText(QStringLiteral("Customers.\"ID\""));
    QDragEnterEvent other(QPoint(40, 40), Qt::CopyAction, &foreign, Qt::LeftButton, {});
    QApplication::sendEvent(surface, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST_F(ToolsFields, AFieldDroppedBecomesATextObjectHoldingItsExpression)
{
    TfrDesignerForm &d = open();
    d.DropField(QPoint(103, 61), QStringLiteral("Customers.\"NAME\""));
    auto t = texts();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0]->Memo, QStringList { QStringLiteral("[Customers.\"NAME\"]") });
    EXPECT_EQ(bounds(t[0]), QRect(96, 56, 96, 18)) << "at the snapped point, 4 pixels up and left";
    EXPECT_EQ(d.ToolTag(), -1) << "the select tool again";
    d.Undo();
    EXPECT_EQ(page->ObjectCount(), 0);

    DesignerRestrictions = drNoInsert;
    d.DropField(QPoint(103, 61), QStringLiteral("Customers.\"NAME\""));
    EXPECT_EQ(page->ObjectCount(), 0) << "insertion is forbidden";
}

} // namespace
