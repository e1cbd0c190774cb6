// The window's page, option, toolbar, help and preview commands, and the object popup with the objects' items.
#include "WindowFixture.h"

#include "FR_Class.h"
#include "FR_Dock.h"
#include "FR_Dopt.h"
#include "FR_DsOpt.h"
#include "FR_Insp.h"
#include "FR_PageF.h"
#include "FR_View.h"
#include "FR_pgopt.h"

#include "ModalAnswer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

// An object of an add-in class, with nothing of its own to draw.
class TTestGauge : public TfrView
{
public:
    QString ClassName() const override { return QStringLiteral("TTestGauge"); }
    void Draw(ReportCanvas &) override { }
};

class TTestDial : public TTestGauge
{
public:
    QString ClassName() const override { return QStringLiteral("TTestDial"); }
};

class WindowCommands : public WindowFixture
{
protected:
    TfrSubReportView *subreport(TfrPage *on, const char *name, int target)
    {
        auto *sub = static_cast<TfrSubReportView *>(CreateViewOfType(3, {}));
        sub->PlaceAt(20, 20, 100, 20);
        sub->Name = QLatin1String(name);
        sub->SubPageIndex = target;
        on->AddObject(sub);
        return sub;
    }
    TfrPage *pageAt(int i) { return report.Pages().GetPage(i); }
    void mouse(QWidget *w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, p, w->mapToGlobal(p), button, buttons, {});
        QApplication::sendEvent(w, &e);
    }
    // The texts of the popup's items after its own seven, a separator as "-".
    QStringList popupItems()
    {
        designer->BuildObjectPopup();
        QStringList texts;
        const QList<QAction *> items = designer->Popup1->actions();
        for (qsizetype i = 7; i < items.size(); ++i)
            texts << (items[i]->isSeparator() ? QStringLiteral("-") : items[i]->text());
        return texts;
    }
    QAction *popupItem(const QString &text)
    {
        for (QAction *a : designer->Popup1->actions())
            if (a->text() == text)
                return a;
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }
};

TEST_F(WindowCommands, DeletingAPageDeletesItsSubreportsAndRenumbersTheOthers)
{
    report.Pages().Add();
    report.Pages().Add();
    subreport(pageAt(1), "Sub3", 2);
    subreport(pageAt(2), "Sub1", 0);
    TfrPage *second = pageAt(1);
    TfrMemoView *m = memo(40, 40, 60, 20, "M");
    TfrDesignerForm &d = open();
    select({ m });
    d.NudgeSelection(4, 0, false);
    ASSERT_EQ(d.UndoCount(), 1);
    messages.answer(mrNo);
    d.N30->trigger();
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Удалить страницу?"));
    EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Подтверждение"));
    EXPECT_EQ(messages.requests[0].buttons, mbYesNo);
    EXPECT_EQ(report.Pages().GetCount(), 3);

    messages.answer(mrYes);
    d.N30->trigger();
    ASSERT_EQ(report.Pages().GetCount(), 2);
    EXPECT_EQ(pageAt(0), second);
    EXPECT_EQ(static_cast<TfrSubReportView *>(report.FindViewByName(QStringLiteral("Sub3")))->SubPageIndex, 1);
    EXPECT_EQ(report.FindViewByName(QStringLiteral("Sub1")), nullptr) << "it showed the deleted page";
    EXPECT_EQ(d.CurPage, 0);
    EXPECT_EQ(d.Page, second);
    EXPECT_EQ(d.Tab1->count(), 2);
    EXPECT_EQ(d.Tab1->tabText(1), QStringLiteral("Sub3"));
    EXPECT_EQ(d.UndoCount(), 0);

    // The last page cannot be deleted.
    messages.answer(mrYes);
    d.N30->trigger();
    messages.requests.clear();
    d.N30->trigger();
    EXPECT_TRUE(messages.requests.isEmpty());
    EXPECT_EQ(report.Pages().GetCount(), 1);
}

TEST_F(WindowCommands, AnAddedPageStaysOnlyWhenItsOptionsAreConfirmed)
{
    TfrDesignerForm &d = open();
    {
        ModalAnswer cancel([] { return activeModal<TfrPgoptForm>() != nullptr; },
            [] { activeModal<TfrPgoptForm>()->Button2->click(); });
        d.N29->trigger();
        ASSERT_TRUE(cancel.ran());
    }
    EXPECT_EQ(report.Pages().GetCount(), 1);
    EXPECT_EQ(d.Page, page);
    EXPECT_EQ(d.Tab1->count(), 1);
    EXPECT_FALSE(report.Modified);

    ModalAnswer confirm([] { return activeModal<TfrPgoptForm>() != nullptr; },
        [] {
            auto *form = activeModal<TfrPgoptForm>();
            form->Edit1->setText(QStringLiteral("2"));
            form->Button1->click();
        });
    QTest::mouseClick(d.PgB1, Qt::LeftButton, {}, QPoint(11, 11));
    ASSERT_TRUE(confirm.ran());
    ASSERT_EQ(report.Pages().GetCount(), 2);
    EXPECT_EQ(d.CurPage, 1);
    EXPECT_EQ(d.Page, pageAt(1));
    EXPECT_EQ(pageAt(1)->Columns, 2);
    EXPECT_EQ(page->Columns, 1);
    EXPECT_FALSE(pageAt(1)->Name.isEmpty());
    EXPECT_NE(pageAt(1)->Name, page->Name);
    EXPECT_TRUE(report.Modified);

    d.N15->trigger();
    ASSERT_EQ(report.Pages().GetCount(), 3);
    EXPECT_EQ(pageAt(2)->Type, 1);
    EXPECT_EQ(d.CurPage, 2);
    EXPECT_NE(d.PageForm, nullptr);
}

TEST_F(WindowCommands, ATabDroppedOnAnotherMovesItsPageWhichStaysCurrent)
{
    report.Pages().Add();
    report.Pages().Add();
    TfrPage *first = pageAt(0), *second = pageAt(1), *third = pageAt(2);
    subreport(first, "Sub3", 2);
    subreport(first, "Sub2", 1);
    TfrDesignerForm &d = open();
    select({ first->Object(0) });
    d.NudgeSelection(4, 0, false);
    ASSERT_EQ(d.UndoCount(), 1);
    const QPoint from = d.Tab1->tabRect(2).center(), to = d.Tab1->tabRect(0).center();
    mouse(d.Tab1, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(d.CurPage, 2) << "the pressed tab's page is current";
    mouse(d.Tab1, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    mouse(d.Tab1, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(d.Tab1, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(pageAt(0), third);
    EXPECT_EQ(pageAt(1), first);
    EXPECT_EQ(pageAt(2), second);
    EXPECT_EQ(d.CurPage, 0);
    EXPECT_EQ(d.Page, third);
    EXPECT_EQ(d.Tab1->currentIndex(), 0);
    EXPECT_EQ(static_cast<TfrSubReportView *>(report.FindViewByName(QStringLiteral("Sub3")))->SubPageIndex, 0);
    EXPECT_EQ(static_cast<TfrSubReportView *>(report.FindViewByName(QStringLiteral("Sub2")))->SubPageIndex, 2);
    EXPECT_EQ(d.Tab1->tabText(0), QStringLiteral("Sub3"));
    EXPECT_EQ(d.UndoCount(), 0);
    EXPECT_TRUE(report.Modified);

    // A click without a drag only switches pages.
    mouse(d.Tab1, QEvent::MouseButtonPress, d.Tab1->tabRect(1).center(), Qt::LeftButton, Qt::LeftButton);
    mouse(d.Tab1, QEvent::MouseButtonRelease, d.Tab1->tabRect(1).center(), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(pageAt(1), first);
    EXPECT_EQ(d.Page, first);

    // The page commands act on the page shown.
    d.SetCurPage(0);
    messages.answer(mrYes);
    d.N30->trigger();
    EXPECT_EQ(report.Pages().GetCount(), 2);
    EXPECT_EQ(pageAt(0), first);
}

TEST_F(WindowCommands, ThePopupAddsTheItemsOfTheSelectionWhenItsObjectsAreAlike)
{
    RegisterAddInObject(
        QStringLiteral("TTestGauge"), [] { return new TTestGauge; }, QImage(), QStringLiteral("G"));
    RegisterAddInObject(
        QStringLiteral("TTestDial"), [] { return new TTestDial; }, QImage(), QStringLiteral("D"));
    auto add = [this](int type, const char *className, const char *name, int top) {
        TfrView *v = CreateViewOfType(type, QLatin1String(className));
        v->PlaceAt(20, top, 60, 20);
        v->Name = QLatin1String(name);
        page->AddObject(v);
        return v;
    };
    TfrView *m1 = add(0, "", "M1", 10), *m2 = add(0, "", "M2", 40), *l1 = add(4, "", "L1", 70),
            *l2 = add(4, "", "L2", 100), *p1 = add(1, "", "P1", 130), *g1 = add(10, "TTestGauge", "G1", 160),
            *g2 = add(10, "TTestGauge", "G2", 190), *dial = add(10, "TTestDial", "D1", 220),
            *s1 = add(3, "", "S1", 250);
    TfrBandView *data = band(btMasterData, 300, 20, "Data");
    TfrBandView *footer = band(btPageFooter, 400, 20, "Footer");
    const QStringList memoItems = { "Формат переменной...", "Шрифт...", "Очистить содержимое", "-", "Растягиваемый",
        "Перенос слов", "Перенос по слогам", "Авторазмер", "Только текст", "Скрывать повторяющиеся",
        "Скрывать нулевые значения", "Линии подчеркивания" };
    const QStringList stretched = { "-", "Растягиваемый" };
    struct Case
    {
        std::vector<TfrView *> selection;
        QStringList items;
    } cases[] = {
        { { m1 }, memoItems },
        { { m1, m2 }, memoItems },
        { { m1, l1 }, {} },
        { { l1, l2 }, stretched },
        { { p1 }, { "-", "Растягиваемый", "Центрировать", "Сохранять пропорции" } },
        { { g1, g2 }, stretched },
        { { g1, dial }, {} },
        { { s1 }, {} },
        { { data },
            { "-", "Растягиваемый", "Формировать новую страницу", "Печатать, если Detail пуст", "Разрываемый",
                "Выводить child если невидимый" } },
        { { footer }, { "-", "На первой странице", "На последней странице" } },
        { { m1, data }, {} },
        { {}, {} },
    };
    TfrDesignerForm &d = open();
    for (const Case &c : cases) {
        select(c.selection);
        EXPECT_EQ(popupItems(), c.items) << c.selection.size() << " selected, the first "
                                         << (c.selection.empty() ? "" : c.selection[0]->Name.toStdString());
    }
    EXPECT_EQ(d.Popup1->actions().size(), 7) << "the items of the last selection went";

    // An item changes every selected object that may be changed, as one undo step.
    m2->Restrictions = orNoModify;
    select({ m1, m2 });
    popupItems();
    EXPECT_TRUE(popupItem(QStringLiteral("Перенос слов"))->isChecked()) << "text objects wrap from the start";
    EXPECT_TRUE(popupItem(QStringLiteral("Перенос по слогам"))->isEnabled());
    popupItem(QStringLiteral("Перенос слов"))->trigger();
    EXPECT_FALSE(m1->GetPropertyValue(QStringLiteral("WordWrap")).toBool());
    EXPECT_TRUE(m2->GetPropertyValue(QStringLiteral("WordWrap")).toBool()) << "it may not be modified";
    EXPECT_EQ(d.UndoCount(), 1);
    EXPECT_TRUE(report.Modified);
    select({ m1 });
    popupItems();
    EXPECT_FALSE(popupItem(QStringLiteral("Перенос по слогам"))->isEnabled()) << "only with word wrap";
    d.Undo();
    EXPECT_TRUE(m1->GetPropertyValue(QStringLiteral("WordWrap")).toBool());

    m1->Memo = QStringList { QStringLiteral("[Total]") };
    select({ m1 });
    popupItems();
    popupItem(QStringLiteral("Очистить содержимое"))->trigger();
    EXPECT_TRUE(m1->Memo.isEmpty());

    // A band's own flags are its alone; the page footer's too.
    select({ footer });
    popupItems();
    const bool onLast = footer->GetPropertyValue(QStringLiteral("OnLastPage")).toBool();
    popupItem(QStringLiteral("На последней странице"))->trigger();
    EXPECT_NE(footer->GetPropertyValue(QStringLiteral("OnLastPage")).toBool(), onLast);

    p1->Flags &= ~1;
    select({ p1 });
    popupItems();
    EXPECT_FALSE(popupItem(QStringLiteral("Сохранять пропорции"))->isEnabled()) << "only for a stretched picture";

    // A right click on the surface builds the popup as it opens.
    select({});
    const QPoint at(l1->Left + 30, l1->Top + 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, d.PageView->mapToGlobal(at), Qt::RightButton, Qt::RightButton, {});
    QApplication::sendEvent(d.PageView, &press);
    EXPECT_TRUE(l1->IsSelected);
    EXPECT_EQ(d.Popup1->actions().size(), 9);
    d.Popup1->hide();
}

TEST_F(WindowCommands, TheToolbarsMenuShowsAndHidesTheToolbarsAndTheInspector)
{
    TfrDesignerForm &d = open();
    emit d.ToolbarsMenu->aboutToShow();
    EXPECT_TRUE(d.Pan2->isChecked());
    EXPECT_TRUE(d.Pan4->isChecked());
    EXPECT_TRUE(d.Pan5->isChecked());
    d.Pan2->trigger();
    EXPECT_FALSE(d.Panel2->IsVisible());
    d.Pan5->trigger();
    EXPECT_FALSE(d.InspForm->isVisible());
    emit d.ToolbarsMenu->aboutToShow();
    EXPECT_FALSE(d.Pan2->isChecked());
    EXPECT_FALSE(d.Pan5->isChecked());
    d.Pan2->trigger();
    EXPECT_TRUE(d.Panel2->IsVisible());
    d.Pan5->trigger();
    EXPECT_TRUE(d.InspForm->isVisible());
}

TEST_F(WindowCommands, TheHelpToolTakesTheNextClickAndOpensNothing)
{
    RegisterAddInObject(
        QStringLiteral("TTestGauge"), [] { return new TTestGauge; }, QImage(16, 16, QImage::Format_RGB32),
        QStringLiteral("G"));
    TfrMemoView *m = memo(40, 40, 60, 20, "M");
    TfrDesignerForm &d = open();
    select({ m });
    struct Case
    {
        const char *control;
        int context;
    } cases[] = { { "CutB", 444 }, { "OB6", 434 }, { "AddIn0", 435 }, { "HelpBtn", 0 } };
    for (const Case &c : cases) {
        QTest::mouseClick(d.HelpBtn, Qt::LeftButton, {}, QPoint(11, 11));
        ASSERT_TRUE(d.HelpToolActive());
        EXPECT_TRUE(d.HelpBtn->Down());
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WhatsThisCursor);
        QTest::mouseClick(d.findChild<QWidget *>(QLatin1String(c.control)), Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_FALSE(d.HelpToolActive()) << c.control;
        EXPECT_FALSE(d.HelpBtn->Down());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(d.LastHelpContext, c.context) << c.control;
    }
    EXPECT_EQ(page->ObjectCount(), 1) << "the click asked for help and cut nothing";
    EXPECT_EQ(d.ToolTag(), -1);
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_F(WindowCommands, TheOptionsDialogsChangeTheWindowAndTheReportOnOKOnly)
{
    TfrDesignerForm &d = open();
    auto designerOptions = [](bool ok) {
        return ModalAnswer([] { return activeModal<TfrDesOptionsForm>() != nullptr; },
            [ok] {
                auto *form = activeModal<TfrDesOptionsForm>();
                form->RB2->click();
                form->RB7->click();
                form->CB1->setChecked(false);
                form->RB10->click();
                (ok ? form->Button1 : form->Button2)->click();
            });
    };
    {
        ModalAnswer cancel = designerOptions(false);
        d.N14->trigger();
        ASSERT_TRUE(cancel.ran());
    }
    EXPECT_EQ(d.GridSizeX, 4);
    EXPECT_EQ(d.Units, 0);
    EXPECT_TRUE(d.ShowGrid);
    {
        ModalAnswer confirm = designerOptions(true);
        d.N14->trigger();
        ASSERT_TRUE(confirm.ran());
    }
    EXPECT_EQ(d.GridSizeX, 8);
    EXPECT_EQ(d.Units, 1);
    EXPECT_EQ(d.StatusBar1->PanelText(0), QStringLiteral("Миллиметры"));
    EXPECT_FALSE(d.ShowGrid);
    EXPECT_FALSE(d.GB1->Down());
    EXPECT_EQ(d.PagePosition, 3);
    EXPECT_FALSE(report.Modified) << "the window's options are no change of the template";

    ModalAnswer twoPass([] { return activeModal<TfrDocOptForm>() != nullptr; },
        [] {
            auto *form = activeModal<TfrDocOptForm>();
            form->CB2->setChecked(true);
            form->CB1->setChecked(false);
            form->Button1->click();
        });
    d.N8->trigger();
    ASSERT_TRUE(twoPass.ran());
    EXPECT_TRUE(report.TwoPass);
    EXPECT_TRUE(report.KeepDefaultPrinter);
    EXPECT_TRUE(report.Modified);
}

// A preview rebuilds the template: afterwards the window shows the new objects and its undo steps still work.
TEST_F(WindowCommands, APreviewLeavesTheWindowSetUpWithItsUndoSteps)
{
    frInstallPreview();
    report.ShowProgress = false;
    report.ModalPreview = false;
    band(btReportTitle, 20, 40, "Title");
    TfrMemoView *m = memo(40, 30, 120, 20, "Text");
    m->Memo = QStringList { QStringLiteral("Итого") };
    int shows = 0;
    options->OnShow = [&shows](QWidget *) { ++shows; };
    TfrDesignerForm &d = open();
    shows = 0;
    select({ m });
    d.NudgeSelection(8, 0, false);
    const int id = m->ObjectID;
    bool built = false, inspectorOff = false;
    ModalAnswer close([] { return activeModal<TfrPreviewForm>() != nullptr; },
        [&] {
            auto *preview = activeModal<TfrPreviewForm>();
            built = preview->PageCount() == 1;
            inspectorOff = designer->InspForm->Disabled && designer->Page == nullptr;
            preview->close();
        });
    d.N39->trigger();
    ASSERT_TRUE(close.ran());
    EXPECT_TRUE(built);
    EXPECT_TRUE(inspectorOff);
    EXPECT_FALSE(report.ModalPreview);
    EXPECT_EQ(d.Page, report.Pages().GetPage(0));
    auto *rebuilt = report.FindViewByName(QStringLiteral("Text"));
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_EQ(rebuilt->ObjectID, id);
    EXPECT_EQ(rebuilt->Left, 48);
    EXPECT_FALSE(d.InspForm->Disabled);
    EXPECT_TRUE(bool(frEngine().MemoEditorHook));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(frEngine().DocumentMode, 0);
    d.Undo();
    EXPECT_EQ(report.FindViewByName(QStringLiteral("Text"))->Left, 40);
}

} // namespace
