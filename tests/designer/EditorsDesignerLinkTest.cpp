// How the engine opens the designer, lends it a prepared page and hands it the page script.
#include "FR_Class.h"
#include "FR_ClassControls.h"
#include "FR_ClassPrepared.h"
#include "FR_Globals.h"

#include "FakeReportDesigner.h"
#include "ServiceFakes.h"

#include <gtest/gtest.h>

namespace {

using tarvik::test::FakeDesignerFactory;
using tarvik::test::FakeReportDesigner;

class EditorsDesignerLink : public ::testing::Test
{
protected:
    void SetUp() override { frResetEngine(); }
    void TearDown() override { frResetEngine(); }

    // A report whose template has one page and whose prepared page 0 holds the text object T1.
    static void prepare(TfrReport &report)
    {
        report.Pages().Add();
        report.Pages().GetPage(0)->Name = QStringLiteral("Template");
        report.EMFPages().Add(report.Pages().GetPage(0));
        TfrMemoView m;
        m.Name = QStringLiteral("T1");
        m.PlaceAt(40, 40, 300, 20);
        m.Memo = m.WorkText = QStringList { QStringLiteral("Страница 1") };
        report.EMFPages().AddObject(0, &m);
    }

    static TfrMemoView *preparedText(TfrReport &report)
    {
        report.EMFPages().ObjectsToPage(0);
        return dynamic_cast<TfrMemoView *>(report.EMFPages().GetPage(0)->Page->FindViewByName(QStringLiteral("T1")));
    }

    FakeMessageService messages;
};

TEST_F(EditorsDesignerLink, OpenDesignerShowsATemplateDesignerAndAnswersItsModalResult)
{
    TfrReport report;
    EXPECT_EQ(report.OpenDesigner(), mrCancel) << "no designer is linked";
    EXPECT_EQ(report.Pages().GetCount(), 1) << "an empty template gets its first page";

    const struct
    {
        int result;
        bool closedByUser;
        int answer;
    } cases[] = { { mrOk, false, mrOk }, { mrYes, false, mrYes }, { mrNone, true, mrCancel } };
    for (const auto &c : cases) {
        bool current = false, modal = false;
        FakeDesignerFactory designers([&](FakeReportDesigner &d) {
            d.Result = c.result;
            d.WhileShown = [&](FakeReportDesigner &shown) {
                current = frEngine().CurrentDesigner == &shown;
                modal = shown.isVisible() && shown.isModal();
                if (c.closedByUser)
                    shown.close();
            };
        });
        EXPECT_EQ(report.OpenDesigner(), c.answer) << c.result;
        EXPECT_EQ(designers.modes, QList<bool> { true });
        EXPECT_TRUE(current) << "the editors reach the designer while it is shown";
        EXPECT_TRUE(modal);
        EXPECT_EQ(frEngine().CurrentDesigner, nullptr) << "and only then";
        EXPECT_EQ(frEngine().CurrentReport, &report);
    }

    frEngine().DesignerFormClass = [](bool) -> TfrReportDesigner * { return nullptr; };
    EXPECT_EQ(report.OpenDesigner(), mrCancel) << "a factory that makes nothing counts as no designer";
}

TEST_F(EditorsDesignerLink, EditPreparedPageOffersOnlyAChangeTheDesignerReports)
{
    const struct
    {
        const char *name;
        bool modified, changed;
        TModalResult answer;
        bool asked;
        QString kept;
    } cases[] = {
        { "reported and changed, Yes", true, true, mrYes, true, QStringLiteral("Изменено") },
        { "reported and changed, No", true, true, mrNo, true, QStringLiteral("Страница 1") },
        { "changed but not reported", false, true, mrYes, false, QStringLiteral("Страница 1") },
        { "reported but unchanged", true, false, mrYes, false, QStringLiteral("Страница 1") },
    };
    for (const auto &c : cases) {
        TfrReport report;
        prepare(report);
        bool lent = false;
        FakeDesignerFactory designers([&](FakeReportDesigner &d) {
            d.WhileShown = [&](FakeReportDesigner &shown) {
                lent = report.Pages().GetCount() == 1 && report.Pages().GetPage(0)->FindViewByName("T1");
                if (c.changed)
                    dynamic_cast<TfrMemoView *>(report.FindViewByName("T1"))->Memo = QStringList { "Изменено" };
                shown.Modified = c.modified;
            };
        });
        messages.requests.clear();
        messages.answer(c.answer);
        report.EditPreparedPage(0);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(designers.modes, QList<bool> { false }) << "a page designer, not a template designer";
        EXPECT_TRUE(lent) << "the prepared page is the template's only page while it is edited";
        EXPECT_EQ(messages.requests.size(), c.asked ? 1 : 0);
        if (c.asked) {
            EXPECT_EQ(messages.lastText(), QStringLiteral("Сохранить изменения?"));
            EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Подтверждение"));
            EXPECT_EQ(messages.requests[0].buttons, mbYesNo);
        }
        ASSERT_NE(preparedText(report), nullptr);
        EXPECT_EQ(preparedText(report)->Memo, QStringList { c.kept });
        ASSERT_EQ(report.Pages().GetCount(), 1);
        EXPECT_EQ(report.Pages().GetPage(0)->Name, QStringLiteral("Template")) << "the template comes back";
        EXPECT_EQ(report.Pages().GetPage(0)->ObjectCount(), 0);
        EXPECT_EQ(frEngine().CurrentDesigner, nullptr);
    }
}

TEST_F(EditorsDesignerLink, ADesignerAlreadyOpenGetsItsFirstPageBackAfterAPageWasEdited)
{
    TfrReport report;
    prepare(report);
    report.Pages().Add();
    FakeReportDesigner opened(true);
    opened.Page = report.Pages().GetPage(1);
    frEngine().CurrentDesigner = &opened;
    TfrPage *pageWhileEditing = report.Pages().GetPage(0);
    TfrReportDesigner *currentWhileEditing = nullptr;
    FakeDesignerFactory designers([&](FakeReportDesigner &d) {
        d.WhileShown = [&](FakeReportDesigner &) {
            pageWhileEditing = opened.Page;
            currentWhileEditing = frEngine().CurrentDesigner;
        };
    });
    report.EditPreparedPage(0);
    EXPECT_EQ(pageWhileEditing, nullptr) << "the open designer lets go of the template while it is away";
    EXPECT_NE(currentWhileEditing, &opened);
    EXPECT_EQ(frEngine().CurrentDesigner, &opened);
    ASSERT_EQ(report.Pages().GetCount(), 2);
    EXPECT_EQ(opened.Page, report.Pages().GetPage(0)) << "the reloaded template's first page";

    frEngine().DesignerFormClass = [](bool) -> TfrReportDesigner * { throw Exception("designer failed"); };
    opened.Page = report.Pages().GetPage(1);
    EXPECT_THROW(report.EditPreparedPage(0), Exception);
    EXPECT_EQ(frEngine().CurrentDesigner, &opened) << "also when the page designer fails";
    EXPECT_EQ(opened.Page, report.Pages().GetPage(0));
    EXPECT_EQ(report.Pages().GetCount(), 2);
    frEngine().CurrentDesigner = nullptr;
}

TEST_F(EditorsDesignerLink, APageScriptIsEditedOnADialogControlAndComesBack)
{
    for (int type : { 0, 1 }) {
        TfrPage page(9, 0, 0, DefaultBin, 0);
        page.Type = type;
        page.Script = QStringList { QStringLiteral("begin"), QStringLiteral("end") };
        page.RegisterProperties();
        const QString property = type == 0 ? QStringLiteral("OnBeforePrint") : QStringLiteral("OnActivate");
        TfrPropRec *rec = page.FindPropRec(property);
        ASSERT_NE(rec, nullptr) << property.toStdString();
        ASSERT_TRUE(rec->PEditor);

        rec->PEditor(nullptr);
        EXPECT_EQ(page.Script.size(), 2) << "without the designer's editor nothing happens";

        QStringList handed;
        frEngine().MemoEditorHook = [&handed](TfrView *view) {
            ASSERT_NE(dynamic_cast<TfrControl *>(view), nullptr) << "the editor shows a control's script alone";
            handed = view->Script;
            view->Script = QStringList { QStringLiteral("PROGRESS := 1;") };
        };
        rec->PEditor(nullptr);
        EXPECT_EQ(handed, (QStringList { QStringLiteral("begin"), QStringLiteral("end") }));
        EXPECT_EQ(page.Script, QStringList { QStringLiteral("PROGRESS := 1;") });
        frEngine().MemoEditorHook = nullptr;
    }
}

} // namespace
