// The designer options: the window's settings answered, and the editor's fonts kept in the registry.
#include "DialogsFixture.h"

#include "FR_Combo.h"
#include "FR_DsOpt.h"

#include "Registry.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using tarvik::test::ModalAnswer;

const QString Section = QStringLiteral("Form\\TfrReportDesigner");

class DialogsDesignerOptions : public DialogsFixture
{
protected:
    void SetUp() override
    {
        DialogsFixture::SetUp();
        TRegistry::useTemporaryStorage();
    }

    static QString stored(const char *ident)
    {
        return TRegIniFile(EngineRegistryKey()).ReadString(Section, QString::fromLatin1(ident), QStringLiteral("-"));
    }
    // Runs the dialog, acting on it once it is up; answers whether it was confirmed.
    bool run(TfrDesignerOptions &values, std::function<void(TfrDesOptionsForm &)> act)
    {
        ModalAnswer answer = whenShown<TfrDesOptionsForm>(std::move(act));
        const bool confirmed = TfrDesOptionsForm::Execute(values);
        EXPECT_TRUE(answer.ran());
        return confirmed;
    }
};

TEST_F(DialogsDesignerOptions, TheValuesAreShownAndAnsweredAsTheyAre)
{
    const TfrDesignerOptions cases[] = {
        { true, false, 4, true, 0, false, true, false, 5, false },
        { false, true, 8, false, 1, true, false, true, 3, true },
        { true, true, 18, true, 2, false, false, true, 4, false },
    };
    for (const TfrDesignerOptions &c : cases) {
        TfrDesignerOptions values = c;
        EXPECT_TRUE(run(values, [](TfrDesOptionsForm &form) { form.Button1->click(); }));
        EXPECT_EQ(values, c) << c.GridSize;
    }

    TfrDesignerOptions values;
    values.GrayButtons = true;
    EXPECT_TRUE(run(values, [](TfrDesOptionsForm &form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Опции"));
        EXPECT_FALSE(form.CB3->isChecked()) << "grey buttons show as coloured buttons unchecked";
        form.RB1->click();
        form.RB8->click();
        form.RB10->click();
        form.CB3->click();
        form.CB7->click();
        form.Button1->click();
    }));
    EXPECT_EQ(values.GridSize, 4);
    EXPECT_EQ(values.Units, 2);
    EXPECT_EQ(values.PagePosition, 3);
    EXPECT_FALSE(values.GrayButtons);
    EXPECT_TRUE(values.LocalizedPropNames);
}

TEST_F(DialogsDesignerOptions, AStepOrPlaceOfNoChoiceShowsNoneAndIsAnsweredAsTheLastChoice)
{
    TfrDesignerOptions values;
    values.GridSize = 12;
    values.PagePosition = 0;
    EXPECT_TRUE(run(values, [](TfrDesOptionsForm &form) {
        for (QRadioButton *rb : { form.RB1, form.RB2, form.RB3, form.RB9, form.RB10, form.RB11 })
            EXPECT_FALSE(rb->isChecked()) << rb->objectName().toStdString();
        form.Button1->click();
    }));
    EXPECT_EQ(values.GridSize, 18);
    EXPECT_EQ(values.PagePosition, 4);

    const TfrDesignerOptions before = values;
    values.ShowGrid = !values.ShowGrid;
    TfrDesignerOptions cancelled = values;
    EXPECT_FALSE(run(cancelled, [](TfrDesOptionsForm &form) {
        form.CB1->click();
        form.Button2->click();
    }));
    EXPECT_EQ(cancelled, values) << "Cancel answers nothing";
    EXPECT_NE(before, values);
}

TEST_F(DialogsDesignerOptions, AClickOrDoubleClickOnTheLongCaptionWorksItsBox)
{
    TfrDesignerOptions values;
    values.ShowContents = false;
    EXPECT_TRUE(run(values, [](TfrDesOptionsForm &form) {
        EXPECT_EQ(form.Label1->text(), QStringLiteral("Показывать содер&жимое объекта при его перемещении"));
        QTest::mouseClick(form.Label1, Qt::LeftButton);
        EXPECT_TRUE(form.CB6->isChecked());
        // A double-click is two clicks.
        QTest::mouseDClick(form.Label1, Qt::LeftButton);
        EXPECT_TRUE(form.CB6->isChecked());
        QTest::mouseClick(form.Label1, Qt::LeftButton);
        form.Button1->click();
    }));
    EXPECT_FALSE(values.ShowContents);
}

TEST_F(DialogsDesignerOptions, TheObjectsFontGreysTheTextEditorsFixedFont)
{
    TfrDesignerOptions values;
    run(values, [](TfrDesOptionsForm &form) {
        EXPECT_TRUE(form.ERB1->isChecked()) << "the default uses the object's font";
        const QList<QWidget *> text { form.Label2, form.TextFontNameCB, form.Label3, form.TextFontSizeCB };
        for (QWidget *w : text)
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        for (QWidget *w :
            std::initializer_list<QWidget *> { form.Label4, form.ScriptFontNameCB, form.Label5, form.ScriptFontSizeCB })
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        form.ERB2->click();
        for (QWidget *w : text)
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        form.ERB1->click();
        for (QWidget *w : text)
            EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
        form.Button2->click();
    });
}

TEST_F(DialogsDesignerOptions, TheEditorFontsAreWrittenAsStringsOnOkOnly)
{
    TfrDesignerOptions values;
    auto change = [](TfrDesOptionsForm &form) {
        EXPECT_EQ(form.TextFontNameCB->currentText(), QStringLiteral("Arial"));
        EXPECT_EQ(form.TextFontSizeCB->currentText(), QStringLiteral("10"));
        EXPECT_EQ(form.ScriptFontNameCB->currentText(), QStringLiteral("Courier New"));
        EXPECT_EQ(form.ScriptFontSizeCB->currentText(), QStringLiteral("10"));
        form.ERB2->click();
        form.TextFontNameCB->setCurrentIndex(form.TextFontNameCB->findText(QStringLiteral("Times New Roman")));
        form.TextFontSizeCB->setEditText(QStringLiteral("14"));
        form.ScriptFontSizeCB->setEditText(QStringLiteral("12"));
    };
    EXPECT_FALSE(run(values, [&change](TfrDesOptionsForm &form) {
        change(form);
        form.Button2->click();
    }));
    EXPECT_TRUE(TRegIniFile(EngineRegistryKey()).ReadSection(Section).isEmpty()) << "Cancel writes nothing";

    EXPECT_TRUE(run(values, [&change](TfrDesOptionsForm &form) {
        change(form);
        form.Button1->click();
    }));
    EXPECT_EQ(stored("TextFontName"), QStringLiteral("Times New Roman"));
    EXPECT_EQ(stored("TextFontSize"), QStringLiteral("14"));
    EXPECT_EQ(stored("ScriptFontName"), QStringLiteral("Courier New"));
    EXPECT_EQ(stored("ScriptFontSize"), QStringLiteral("12"));
    EXPECT_EQ(stored("UseDefaultFont"), QStringLiteral("0"));

    // Opened again, the dialog shows what was written; a Cancel then leaves it.
    EXPECT_FALSE(run(values, [](TfrDesOptionsForm &form) {
        EXPECT_TRUE(form.ERB2->isChecked());
        EXPECT_EQ(form.TextFontNameCB->currentText(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(form.TextFontSizeCB->currentText(), QStringLiteral("14"));
        EXPECT_EQ(form.ScriptFontSizeCB->currentText(), QStringLiteral("12"));
        form.ERB1->click();
        form.Button2->click();
    }));
    EXPECT_EQ(stored("UseDefaultFont"), QStringLiteral("0"));
}

TEST_F(DialogsDesignerOptions, TheSamplesFollowTheBoxesAndASizeOfNoNumberLeavesThem)
{
    TRegIniFile(EngineRegistryKey())
        .WriteString(Section, QStringLiteral("ScriptFontName"), QStringLiteral("Fancy Gone"));
    TfrDesignerOptions values;
    EXPECT_TRUE(run(values, [](TfrDesOptionsForm &form) {
        EXPECT_EQ(form.SampleTextPanel->text(), QStringLiteral("AaBbАаЯя"));
        EXPECT_EQ(form.SampleTextPanel->font().pointSize(), 10);
        EXPECT_EQ(form.ScriptFontNameCB->currentText(), QStringLiteral("Fancy Gone")) << "a font not installed is kept";
        form.ERB2->click();
        form.TextFontSizeCB->setEditText(QStringLiteral("14"));
        EXPECT_EQ(form.SampleTextPanel->font().pointSize(), 14);
        form.TextFontNameCB->setCurrentIndex(form.TextFontNameCB->findText(QStringLiteral("Courier New")));
        EXPECT_EQ(form.SampleTextPanel->font().family(), QStringLiteral("Courier New"));
        form.TextFontSizeCB->setFocus();
        form.TextFontSizeCB->lineEdit()->selectAll();
        QTest::keyClicks(form.TextFontSizeCB->lineEdit(), QStringLiteral("1x"));
        EXPECT_EQ(form.SampleTextPanel->font().pointSize(), 1) << "the size typed before the x";
        EXPECT_TRUE(form.isVisible()) << "the dialog stays open";
        form.ScriptFontSizeCB->setEditText(QStringLiteral("9"));
        EXPECT_EQ(form.SampleScriptPanel->font().pointSize(), 9);
        EXPECT_EQ(form.SampleScriptPanel->font().family(), QStringLiteral("Fancy Gone"));
        form.Button1->click();
    }));
    EXPECT_EQ(stored("TextFontSize"), QStringLiteral("1x")) << "written as typed";
    EXPECT_EQ(stored("ScriptFontName"), QStringLiteral("Fancy Gone"));
}

} // namespace
