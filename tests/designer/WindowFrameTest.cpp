// The designer window's frame: creation and show in both modes, commands by mode and restriction, the options in
// the registry, the page tabs, dialog pages and the close question.
#include "WindowFixture.h"

#include "FR_Class.h"
#include "FR_Combo.h"
#include "FR_Dock.h"
#include "FR_Insp.h"
#include "FR_PageF.h"

#include "ModalAnswer.h"
#include "Registry.h"
#include "Screenshot.h"
#include "ServiceFakes.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScrollArea>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString Section = QStringLiteral("Form\\TfrDesignerForm");

class WindowFrame : public WindowFixture
{
protected:
    TfrDesignerForm &open(bool templateMode = true) { return WindowFixture::open(templateMode, QSize(900, 700)); }
    QAction *action(const char *name) const
    {
        auto *a = designer->findChild<QAction *>(QLatin1String(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    TfrTBButton *button(const char *name) const
    {
        auto *b = designer->findChild<TfrTBButton *>(QLatin1String(name));
        EXPECT_NE(b, nullptr) << name;
        return b;
    }
};

TEST_F(WindowFrame, ShowsTheTemplateWithItsCommandsAndTabs)
{
    report.FileName = QStringLiteral("/tmp/forms/Contract.frf");
    report.Pages().Add();
    TfrDesignerForm &d = open();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Дизайнер - Contract.frf"));
    EXPECT_EQ(d.Tab1->count(), 2);
    EXPECT_EQ(d.Tab1->tabText(1), QStringLiteral("Стр.2"));
    EXPECT_EQ(d.Page, report.Pages().GetPage(0));
    EXPECT_EQ(action("N20")->text(), QStringLiteral("&Сохранить"));
    EXPECT_EQ(action("N20")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_FALSE(action("N20")->isEnabled()) << "nothing to save yet";
    EXPECT_TRUE(button("FileBtn1")->isVisible());
    EXPECT_TRUE(button("OB1")->Down());
    EXPECT_TRUE(d.InspForm->isVisible());
    EXPECT_EQ(d.InspForm->parentWidget(), &d);
}

TEST_F(WindowFrame, APageModeDesignerHasNoFileOrPageCommandsAndClosesWithoutAsking)
{
    TfrDesignerForm &d = open(false);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Дизайнер - Untitled"));
    for (const char *name : { "NewAction", "N23", "N19", "N39", "N29", "N15", "N30", "N25" })
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(action("N17")->isEnabled());
    // Hidden, not greyed: the options component asks for it by default.
    for (const char *name : { "FileBtn1", "FileBtn2", "FileBtn4", "PgB1", "PgB4", "PgB2", "PgB3", "OB3", "OB5" })
        EXPECT_FALSE(button(name)->isVisible()) << name;
    EXPECT_TRUE(button("FileBtn3")->isVisible());
    d.SetModified(true);
    EXPECT_FALSE(report.ChangedInDesigner) << "page mode leaves the designer flag alone";
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(messages.requests.isEmpty());
}

TEST_F(WindowFrame, EachRestrictionSwitchesItsCommandsOff)
{
    struct Case
    {
        quint16 bit;
        std::vector<const char *> actions, buttons;
    } cases[] = {
        { drNoNew, { "NewAction", "N23" }, { "FileBtn1" } },
        { drNoOpen, { "N19" }, { "FileBtn2" } },
        { drNoSave, { "N20", "N17" }, { "FileBtn3" } },
        { drNoPreview, { "N39" }, { "FileBtn4" } },
        { drNoAddPage, { "N29", "N15", "N41", "N45" }, { "PgB1", "PgB4" } },
        { drNoDeletePage, { "N30", "N43" }, { "PgB2" } },
        { drNoPageOptions, { "N25", "N44" }, { "PgB3" } },
        { drNoDictionary, { "N42" }, {} },
        { drNoReportOptions, { "N8" }, {} },
    };
    for (const bool hide : { true, false }) {
        options->HideDisabledButtons = hide;
        for (const Case &c : cases) {
            DesignerRestrictions = c.bit;
            open();
            for (const char *name : c.actions)
                EXPECT_FALSE(action(name)->isEnabled()) << name;
            for (const char *name : c.buttons) {
                EXPECT_EQ(button(name)->isVisible(), !hide) << name;
                EXPECT_FALSE(button(name)->isEnabled()) << name;
            }
            EXPECT_TRUE(action("N28")->isEnabled()) << "select all is never restricted";
            designer.reset();
        }
    }
    DesignerRestrictions = 0;
    // Without the options component disabled buttons are greyed.
    options.reset();
    frInstallDesigner();
    DesignerRestrictions = drNoOpen;
    open();
    EXPECT_TRUE(button("FileBtn2")->isVisible());
    EXPECT_FALSE(button("FileBtn2")->isEnabled());
    DesignerRestrictions = 0;
}

TEST_F(WindowFrame, ASecondOptionsComponentIsRefused)
{
    try {
        TfrDesigner second;
        FAIL() << "a second component was made";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("You already have one TfrDesigner component"));
    }
    EXPECT_EQ(DesignerComponent, options.get());
}

TEST_F(WindowFrame, OptionsOutOfRangeReadAsDefaultsAndAreWrittenBack)
{
    {
        TRegIniFile ini(EngineRegistryKey());
        ini.WriteString(Section, "GridSize", "0");
        ini.WriteString(Section, "Units", "7");
        ini.WriteString(Section, "Selection", "5");
        ini.WriteString(Section, "PagePosition", "9");
        ini.WriteString(Section, "GridAlign", "abc");
        ini.WriteString(Section, "UnlimitedHeight", "1");
        ini.WriteString("Form\\TfrInspForm", "SplitPos", "10");
    }
    TfrDesignerForm &d = open();
    EXPECT_EQ(d.GridSizeX, 4);
    EXPECT_EQ(d.Units, 0);
    EXPECT_EQ(d.StatusBar1->PanelText(0), QStringLiteral("Пикселы"));
    EXPECT_EQ(d.ShowContents, 1);
    EXPECT_EQ(d.PagePosition, 5);
    EXPECT_TRUE(d.GridAlign);
    EXPECT_TRUE(button("GB2")->Down());
    EXPECT_TRUE(d.UnlimitedHeight);
    EXPECT_EQ(d.InspForm->SplitPos, 20);
    {
        TRegIniFile ini(EngineRegistryKey());
        ini.WriteString(Section, "GridSize", "-3");
    }
    d.SetGridSize(18);
    d.SetUnits(1);
    designer.reset();
    const TRegIniFile ini(EngineRegistryKey());
    EXPECT_EQ(ini.ReadString(Section, "GridSize", {}), "18");
    EXPECT_EQ(ini.ReadString(Section, "Units", {}), "1");
    EXPECT_EQ(ini.ReadString(Section, "PagePosition", {}), "5");
    EXPECT_EQ(ini.ReadString("Form\\TfrInspForm", "isVisible", {}), "1");
}

TEST_F(WindowFrame, TheGridButtonsFollowTheSettersAndTheSettersTheButtons)
{
    TfrDesignerForm &d = open();
    QTest::mouseClick(button("GB1"), Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_FALSE(d.ShowGrid);
    EXPECT_FALSE(button("GB1")->Down());
    d.SetShowGrid(true);
    EXPECT_TRUE(button("GB1")->Down());
    d.SetGridAlign(false);
    EXPECT_FALSE(button("GB2")->Down());
    EXPECT_FALSE(action("GridAlignAction")->isChecked());
}

TEST_F(WindowFrame, TabsNameSubreportPagesAndSwitchPages)
{
    report.Pages().Add();
    report.Pages().Add();
    auto *sub = new TfrSubReportView;
    sub->Name = QStringLiteral("Details");
    sub->SubPageIndex = 2;
    report.Pages().GetPage(0)->AddObject(sub);
    TfrDesignerForm &d = open();
    EXPECT_EQ(d.Tab1->tabText(0), QStringLiteral("Стр.1"));
    EXPECT_EQ(d.Tab1->tabText(2), QStringLiteral("Details"));
    d.Tab1->setCurrentIndex(2);
    EXPECT_EQ(d.CurPage, 2);
    EXPECT_EQ(d.Page, report.Pages().GetPage(2));
    EXPECT_EQ(frEngine().ActivePage, d.Page);
    d.SelectObjectByName(QStringLiteral("Page2"));
    EXPECT_EQ(d.CurPage, 1);
    for (const char *outside : { "Page9", "Page0", "Pagex" }) {
        d.SelectObjectByName(QLatin1String(outside));
        EXPECT_EQ(d.CurPage, 1) << outside;
    }
    d.SetCurPage(0);
    d.SelectObjectByName(QStringLiteral("details"));
    EXPECT_TRUE(sub->IsSelected);
    EXPECT_EQ(d.PageView->SelectedCount, 1);
}

TEST_F(WindowFrame, ADialogPageOpensInItsOwnWindowWithTheDialogControlsTools)
{
    RegisterAddInObject(
        QStringLiteral("TTestControl"), [] { return new TfrMemoView; }, QImage(16, 16, QImage::Format_RGB32),
        QStringLiteral("Test control"));
    frEngine().AddIns.back().Reserved = 1; // a dialog control: its button shows on dialog pages only
    const QString controlButton = QStringLiteral("AddIn%1").arg(frEngine().AddIns.size() - 1);
    TfrPage *dialog = report.Pages().GetPage(0);
    dialog->Type = 1;
    dialog->Left = 300;
    dialog->Top = 200;
    dialog->Caption = QStringLiteral("Параметры");
    report.Pages().Add();
    TfrDesignerForm &d = open();
    ASSERT_NE(d.PageForm, nullptr);
    EXPECT_TRUE(d.PageForm->isVisible());
    EXPECT_EQ(d.PageForm->windowTitle(), QStringLiteral("Параметры"));
    EXPECT_EQ(d.PageView->parentWidget(), d.PageForm);
    auto *control = d.findChild<TfrTBButton *>(controlButton);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->isVisible());
    EXPECT_FALSE(button("OB2")->isVisible());
    EXPECT_TRUE(button("OB1")->isVisible());

    d.SetCurPage(1);
    EXPECT_EQ(d.PageForm, nullptr);
    EXPECT_EQ(d.PageView->parentWidget(), d.ScrollBox1->widget());
    EXPECT_FALSE(control->isVisible());
    EXPECT_TRUE(button("OB2")->isVisible());
}

TEST_F(WindowFrame, TheModifiedFlagsAndTheEditorHooks)
{
    TfrDesignerForm &d = open();
    EXPECT_TRUE(bool(frEngine().MemoEditorHook));
    d.SetModified(true);
    EXPECT_TRUE(report.Modified);
    EXPECT_TRUE(report.ChangedInDesigner);
    EXPECT_TRUE(action("N20")->isEnabled());
    d.SetModified(false);
    EXPECT_FALSE(report.Modified);
    EXPECT_TRUE(report.ChangedInDesigner);
    designer.reset();
    EXPECT_FALSE(bool(frEngine().MemoEditorHook)) << "no hook may call a window that is gone";
}

TEST_F(WindowFrame, ShownByTheEngineTheWindowIsModalAndNoClosesWithCancel)
{
    tarvik::test::ModalAnswer closeIt(
        [] { return qobject_cast<TfrDesignerForm *>(QApplication::activeModalWidget()) != nullptr; },
        [this] {
            auto *d = qobject_cast<TfrDesignerForm *>(QApplication::activeModalWidget());
            EXPECT_EQ(frEngine().CurrentDesigner, d);
            d->SetModified(true);
            messages.answer(mrNo);
            QTest::mouseClick(d->findChild<TfrTBButton *>(QStringLiteral("ExitB")), Qt::LeftButton, {}, QPoint(11, 11));
        });
    EXPECT_EQ(report.OpenDesigner(), mrCancel);
    EXPECT_TRUE(closeIt.ran());
    EXPECT_EQ(frEngine().CurrentDesigner, nullptr);
}

TEST_F(WindowFrame, Screenshot)
{
    ASSERT_TRUE(report.LoadReportFile(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms/Contract.frf")));
    TfrDesignerForm &d = open();
    d.InspForm->hide();
    // Every toolbar shown from the toolbar menu, as a user would bring them all up.
    emit d.ToolbarsMenu->aboutToShow();
    for (QAction *item : d.ToolbarsMenu->actions())
        if (qobject_cast<TfrToolBar *>(d.ToolbarOfTag(item->data().toInt())) && !item->isChecked())
            item->trigger();
    for (TfrToolBar *bar : { d.Panel1, d.Panel2, d.Panel3, d.Panel4, d.Panel5, d.Panel6 })
        EXPECT_TRUE(bar->IsVisible() && !bar->IsFloat()) << bar->objectName().toStdString();
    // The title selected, so that the Text and Frame toolbars show its attributes.
    TfrView *title = nullptr;
    for (int i = 0; i < d.Page->ObjectCount() && !title; ++i)
        if (TfrView *v = d.Page->Object(i); dynamic_cast<TfrMemoView *>(v) && v->Memo.join(u' ').contains(u"Договор"))
            title = v;
    ASSERT_NE(title, nullptr);
    select({ title });
    EXPECT_TRUE(d.C2->isEnabled() && d.C4->isEnabled());
    tarvik::test::SaveScreenshot(&d, QStringLiteral("designer-window"), QSize(1000, 700));
}

} // namespace
