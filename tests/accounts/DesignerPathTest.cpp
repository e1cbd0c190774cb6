// The reports module's design path: in debug mode a report opens in the real designer, on its template.
#include "dmuReports.h"

#include "FR_Class.h"
#include "FR_Desgn.h"
#include "FR_Dock.h"
#include "FR_Globals.h"
#include "ModalAnswer.h"
#include "Registry.h"
#include "ServiceFakes.h"
#include "uLog.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

class DesignerPath : public ::testing::Test
{
protected:
    void SetUp() override
    {
        frResetEngine();
        TRegistry::useTemporaryStorage();
        SetDebugMode(true);
    }
    void TearDown() override
    {
        SetDebugMode(false);
        frResetEngine();
    }

    FakeMessageService messages;
};

TEST_F(DesignerPath, DebugModeOpensTheRealDesignerModallyOnTheReportsTemplate)
{
    // The module alone, without a database: designing a template needs none.
    TdmReports reports(nullptr, nullptr, nullptr);
    ASSERT_NE(DesignerComponent, nullptr) << "the module links the designer in";
    reports.SetTemplateFolder(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms/"));
    TfrReport *report = reports.frRepNewActivCustomers();
    const QString file = reports.TemplatePath(QStringLiteral("NextTimeConnected.frf"));
    QString title;
    int objects = 0;
    bool modal = false;
    ModalAnswer close([] { return activeModal<TfrDesignerForm>() != nullptr; },
        [&] {
            auto *d = activeModal<TfrDesignerForm>();
            title = d->windowTitle();
            objects = d->Page ? d->Page->ObjectCount() : -1;
            modal = d->TemplateMode && d->windowModality() == Qt::ApplicationModal;
            QTest::mouseClick(d->ExitB, Qt::LeftButton, {}, QPoint(11, 11));
        });
    EXPECT_EQ(TdmReports::PreviewOrDesigner(), TReportShow::Designer);
    EXPECT_TRUE(reports.ShowReport(report, QStringLiteral("NextTimeConnected.frf"), TdmReports::PreviewOrDesigner()));
    ASSERT_TRUE(close.ran());
    EXPECT_TRUE(modal);
    EXPECT_EQ(title, QStringLiteral("Дизайнер - NextTimeConnected.frf"));
    EXPECT_EQ(objects, report->Pages().GetPage(0)->ObjectCount());
    EXPECT_GT(objects, 0);
    EXPECT_EQ(report->FileName, file);
    EXPECT_EQ(frEngine().CurrentDesigner, nullptr);
    EXPECT_TRUE(messages.requests.isEmpty()) << "an unchanged template closes without a question";
}

} // namespace
