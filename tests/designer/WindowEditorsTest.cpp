// The editors the designer window opens on its objects, the engine's hooks that lead to them, and a prepared page
// edited from a real preview.
#include "WindowFixture.h"

#include "FR_Dock.h"
#include "FR_BndEd.h"
#include "FR_ClassPrepared.h"
#include "FR_Ctrls.h"
#include "FR_Edit.h"
#include "FR_Hilit.h"
#include "FR_Insp.h"
#include "FR_Restrictions.h"
#include "FR_View.h"

#include "ModalAnswer.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

namespace {

class WindowEditors : public WindowFixture
{
};

TEST_F(WindowEditors, EditOpensTheEditorOfTheObjectOrItsBandAndUndoesIt)
{
    TfrBandView *data = band(btMasterData, 40, 40, "MasterData1");
    TfrMemoView *m = memo(10, 10, 60, 20, "M");
    TfrDesignerForm &d = open();
    select({ data });
    {
        ModalAnswer answer([] { return activeModal<TfrBandEditorForm>() != nullptr; },
            [] {
                auto *form = activeModal<TfrBandEditorForm>();
                form->LB1->setCurrentRow(1); // the virtual source, five records
                form->Edit1->setText(QStringLiteral("5"));
                form->Button1->click();
            });
        d.EditSelected();
        EXPECT_TRUE(answer.ran());
    }
    EXPECT_EQ(data->FormatText, QStringLiteral("5"));
    EXPECT_EQ(d.UndoCount(), 1);
    EXPECT_TRUE(report.Modified);
    d.Undo();
    EXPECT_EQ(page->FindViewByName(QStringLiteral("MasterData1"))->FormatText, QString());

    select({ m });
    {
        ModalAnswer answer([] { return activeModal<TfrEditorForm>() != nullptr; },
            [] {
                auto *form = activeModal<TfrEditorForm>();
                form->findChild<QPlainTextEdit *>(QStringLiteral("M1"))->setPlainText(QStringLiteral("Итого"));
                form->accept();
            });
        d.EditSelected();
        EXPECT_TRUE(answer.ran());
    }
    EXPECT_EQ(m->Memo, QStringList { QStringLiteral("Итого") }) << "a text object opens the text editor";
    EXPECT_EQ(d.StatusBar1->PanelText(2), QStringLiteral("M: Итого"));

    DesignerRestrictions = drNoEdit;
    select({ data });
    d.EditSelected();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the host forbids editing";
    DesignerRestrictions = 0;
    m->Restrictions = orNoContents;
    select({ m });
    d.EditSelected();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the object forbids editing its contents";
}

TEST_F(WindowEditors, TheFontDialogSpreadsOnlyWhatWasChanged)
{
    TfrMemoView *b = memo(10, 40, 60, 20, "B");
    TfrMemoView *kept = memo(10, 70, 60, 20, "Kept");
    TfrMemoView *a = memo(10, 10, 60, 20, "A");
    a->Font.Name = QStringLiteral("Arial");
    a->Font.Size = 10;
    a->Font.Style = 2;
    b->Font.Name = QStringLiteral("Times New Roman");
    b->Font.Size = 14;
    b->Font.Style = 0;
    kept->Restrictions = orNoModify;
    TfrDesignerForm &d = open();
    select({ b, kept, a });
    // The dialog shows the font of the top object, A, and the user changes only its size.
    QFont chosen(QStringLiteral("Arial"));
    chosen.setPointSize(12);
    chosen.setBold(true);
    dialogs.answerFont(chosen);
    frEngine().FontEditorHook(nullptr);
    EXPECT_EQ(a->Font.Size, 12);
    EXPECT_EQ(b->Font.Size, 12);
    EXPECT_EQ(b->Font.Name, QStringLiteral("Times New Roman")) << "each keeps its own name";
    EXPECT_EQ(b->Font.Style, 0) << "and style";
    EXPECT_EQ(kept->Font.Size, 10) << "an object that may not be modified keeps its font";
    EXPECT_EQ(d.UndoCount(), 1);

    dialogs.answerFont(std::nullopt);
    frEngine().FontEditorHook(nullptr);
    EXPECT_EQ(d.UndoCount(), 1) << "a cancelled dialog changes nothing";

    DesignerRestrictions = drNoEdit;
    QFont other = chosen;
    other.setPointSize(20);
    dialogs.answerFont(other);
    frEngine().FontEditorHook(nullptr);
    EXPECT_EQ(a->Font.Size, 12) << "the host forbids the editors";
}

TEST_F(WindowEditors, TheRestrictionsDialogSetsTheFlagsOfEverySelectedObject)
{
    TfrMemoView *b = memo(10, 40, 60, 20, "B");
    TfrMemoView *a = memo(10, 10, 60, 20, "A");
    a->Restrictions = orNoDelete;
    b->Restrictions = 0x100 | orNoText;
    TfrDesignerForm &d = open();
    select({ a, b });
    DesignerRestrictions = drNoEdit; // the restrictions dialog still opens
    ModalAnswer answer([] { return activeModal<TfrRestrictionsForm>() != nullptr; },
        [] {
            auto *form = activeModal<TfrRestrictionsForm>();
            EXPECT_TRUE(form->Boxes[6]->isChecked()) << "the boxes show the flags of the top object, A";
            EXPECT_FALSE(form->Boxes[0]->isChecked());
            form->Boxes[4]->setChecked(true);
            form->Button1->click();
        });
    frEngine().RestrictionsEditorHook(nullptr);
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(a->Restrictions, orNoResize | orNoDelete);
    EXPECT_EQ(b->Restrictions, 0x100 | orNoResize | orNoDelete) << "bits beyond the boxes stay";
    EXPECT_TRUE(report.Modified) << "a change of the flags is a change of the template";
    d.Undo();
    EXPECT_EQ(page->FindViewByName(QStringLiteral("A"))->Restrictions, orNoDelete);
}

TEST_F(WindowEditors, EachHookOpensItsDialogUnlessTheHostForbidsEditing)
{
    TfrMemoView *text = memo(10, 10, 60, 20, "Text");
    auto *picture = CreateViewOfType(1, {});
    picture->PlaceAt(100, 10, 40, 40);
    picture->Name = QStringLiteral("Picture");
    page->AddObject(picture);
    TfrBandView *data = band(btMasterData, 60, 30, "Data");
    TfrBandView *group = band(btGroupHeader, 100, 30, "Group");
    TfrBandView *cross = band(btCrossData, 140, 30, "Cross");
    cross->PlaceAt(300, 0, 40, 400);
    TfrDesignerForm &d = open();
    TfrGlobals &e = frEngine();
    struct Case
    {
        const char *hook;
        TfrEditorHook *run;
        TfrView *object;
        const char *dialog;
        // The memo editor, the restrictions, the highlight and the format dialogs open whatever the host says.
        bool opensWhenForbidden;
    } cases[] = {
        { "memo", &e.MemoEditorHook, text, "frEditorForm", true },
        { "picture", &e.PictureEditorHook, picture, "frGEditorForm", false },
        { "tag", &e.TagEditorHook, text, "frAttrEditorForm", false },
        { "restrictions", &e.RestrictionsEditorHook, text, "frRestrictionsForm", true },
        { "highlight", &e.HighlightEditorHook, text, "frHilightForm", true },
        { "data field", &e.DataFieldEditorHook, picture, "frFieldsForm", false },
        { "band data source", &e.BandDataSourceEditorHook, data, "frBandEditorForm", false },
        { "cross data source", &e.CrossDataSourceEditorHook, cross, "frVBandEditorForm", false },
        { "group", &e.GroupEditorHook, group, "frGroupEditorForm", false },
        { "format", &e.FormatEditorHook, text, "frFmtForm", true },
    };
    for (const quint16 restrictions : { quint16(0), quint16(drNoEdit) })
        for (const Case &c : cases) {
            DesignerRestrictions = restrictions;
            select({ c.object });
            QString opened;
            ModalAnswer answer([] { return activeModal<QDialog>() != nullptr; },
                [&opened] {
                    opened = activeModal<QDialog>()->objectName();
                    activeModal<QDialog>()->reject();
                });
            ASSERT_TRUE(bool(*c.run)) << c.hook;
            (*c.run)(nullptr);
            const bool opens = !restrictions || c.opensWhenForbidden;
            EXPECT_EQ(opened, opens ? QLatin1String(c.dialog) : QString()) << c.hook << " " << restrictions;
        }
    EXPECT_EQ(d.UndoCount(), 0) << "cancelled dialogs change nothing";
}

TEST_F(WindowEditors, TheHighlightGoesToTheSelectedTextObjectsAndStartsNeutralFromAnotherObject)
{
    TfrMemoView *text = memo(10, 10, 60, 20, "Text");
    text->HighlightCondition = QStringLiteral("[Сумма] < 0");
    text->HighlightStyle = 2 | 8 | 32;
    text->HighlightFillColor = clRed;
    auto *line = CreateViewOfType(4, {});
    line->PlaceAt(10, 40, 100, 0);
    page->AddObject(line);
    TfrDesignerForm &d = open();
    select({ text, line });
    TfrHighlight shown;
    ModalAnswer answer([] { return activeModal<TfrHilightForm>() != nullptr; },
        [&shown] {
            auto *form = activeModal<TfrHilightForm>();
            shown = { form->Edit1->currentText(), (form->CB1->isChecked() ? 2 : 0) | (form->CB2->isChecked() ? 1 : 0),
                form->FontColor, form->FillColor };
            form->Edit1->setEditText(QStringLiteral("[Сумма] > 1000"));
            form->CB2->setChecked(true);
            form->Button1->click();
        });
    d.ShowHighlightDialog();
    ASSERT_TRUE(answer.ran());
    EXPECT_EQ(shown, (TfrHighlight { QString(), 0, clBlack, clTransparent })) << "the line on top has no highlight";
    EXPECT_EQ(text->HighlightCondition, QStringLiteral("[Сумма] > 1000"));
    EXPECT_EQ(text->HighlightStyle, 1 | 32) << "the boxes' bits set, strike-out cleared, the rest kept";
    EXPECT_EQ(text->HighlightFillColor, clTransparent);
    EXPECT_EQ(d.UndoCount(), 1);
    d.Undo();
    EXPECT_EQ(text->HighlightCondition, QStringLiteral("[Сумма] < 0"));
}

TEST_F(WindowEditors, EachShowPointsTheHooksAtThisWindow)
{
    TfrMemoView *m = memo(10, 10, 60, 20, "M");
    TfrDesignerForm &d = open();
    TfrGlobals &e = frEngine();
    for (const TfrEditorHook *hook : { &e.MemoEditorHook, &e.RestrictionsEditorHook, &e.DataFieldEditorHook,
             &e.BandDataSourceEditorHook, &e.CrossDataSourceEditorHook, &e.FontEditorHook })
        EXPECT_TRUE(bool(*hook));
    // The inspector's rows carry the hooks as their editors.
    select({ m });
    int font = -1;
    for (int i = 0; i < d.InspForm->RowCount(); ++i)
        if (d.InspForm->RowName(i) == QLatin1String("Font"))
            font = i;
    ASSERT_GE(font, 0);
    d.InspForm->SelectRow(font);
    QFont chosen(QStringLiteral("Arial"));
    chosen.setPointSize(16);
    dialogs.answerFont(chosen);
    ASSERT_TRUE(bool(d.InspForm->CurrentProp()->EditorMethod));
    d.InspForm->CurrentProp()->EditorMethod(m);
    EXPECT_EQ(m->Font.Size, 16);
}

// ---- A prepared page edited from the preview ---------------------------------------------------------------------

TEST_F(WindowEditors, APreparedPageIsEditedFromAPreviewAndKeptOnYes)
{
    band(btReportTitle, 20, 40, "Title");
    TfrMemoView *m = memo(40, 30, 120, 20, "Text");
    m->Memo = QStringList { QStringLiteral("Итого") };
    report.ShowProgress = false;
    ASSERT_TRUE(report.BuildReport());
    auto textLeft = [](TfrEMFPages &pages) {
        pages.ObjectsToPage(0);
        const TfrPage *p = pages.GetPage(0)->Page.get();
        for (int i = 0; p && i < p->ObjectCount(); ++i)
            if (p->Object(i)->TypeCode == 0)
                return p->Object(i)->Left;
        return -1;
    };
    const int before = textLeft(report.EMFPages());
    ASSERT_GE(before, 0);
    frEngine().CurrentReport = &report;
    TfrPreviewForm preview;
    preview.AttachReport(&report);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));

    bool pageMode = false;
    ModalAnswer answer([] { return activeModal<TfrDesignerForm>() != nullptr; },
        [&pageMode] {
            auto *d = activeModal<TfrDesignerForm>();
            pageMode = !d->TemplateMode && !d->N39->isEnabled();
            for (int i = 0; i < d->Page->ObjectCount(); ++i)
                if (d->Page->Object(i)->TypeCode == 0)
                    d->SelectObjectByName(d->Page->Object(i)->Name);
            QTest::keyClick(d, Qt::Key_Right, Qt::ControlModifier);
            QTest::mouseClick(d->ExitB, Qt::LeftButton, {}, QPoint(5, 5));
        });
    messages.answer(mrYes);
    preview.EditPageClick();
    ASSERT_TRUE(answer.ran());
    EXPECT_TRUE(pageMode);
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(textLeft(*preview.ShownPages), before + 1);
    EXPECT_EQ(report.Pages().GetPage(0)->FindViewByName(QStringLiteral("Text"))->Left, 40)
        << "the template is as it was";
}

} // namespace
