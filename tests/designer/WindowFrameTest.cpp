// The designer window's frame: creation and show in both modes, commands by mode and restriction, the options in
// the registry, the page tabs, dialog pages and the close question.
#include "FR_Desgn.h"

#include "FR_Class.h"
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

class WindowFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        TRegistry::useTemporaryStorage();
        DesignerRestrictions = 0;
        options = std::make_unique<TfrDesigner>();
        frEngine().CurrentReport = &report;
        report.Pages().Add();
    }
    void TearDown() override
    {
        designer.reset();
        options.reset();
        frResetEngine();
    }

    TfrDesignerForm &open(bool templateMode = true)
    {
        designer = std::make_unique<TfrDesignerForm>(templateMode);
        frEngine().CurrentDesigner = designer.get();
        designer->resize(900, 700);
        designer->show();
        return *designer;
    }
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

    FakeMessageService messages;
    TfrReport report;
    std::unique_ptr<TfrDesigner> options;
    std::unique_ptr<TfrDesignerForm> designer;
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

} // namespace
