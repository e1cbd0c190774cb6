// The window's file commands: the question whether to save, New, a template from the gallery, Open, Save and
// Save as with their failures.
#include "WindowFixture.h"

#include "FR_Class.h"
#include "FR_DataDict.h"
#include "FR_Dock.h"
#include "FR_Newrp.h"
#include "FR_Templ.h"

#include "ModalAnswer.h"
#include "Streams.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

QByteArray FileBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class WindowFiles : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        memo(40, 40, 100, 20, "Greeting")->Memo = QStringList { QStringLiteral("Здравствуйте") };
    }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    // A template of one text object saved by the engine.
    QString templateFile(const char *name, const char *objectName)
    {
        TfrReport other;
        other.Pages().Add();
        memo(8, 8, 50, 20, objectName, other.Pages().GetPage(0));
        const QString file = path(name);
        other.SaveReportFile(file);
        frEngine().CurrentReport = &report;
        return file;
    }
    QStringList names()
    {
        QStringList list;
        for (int i = 0; i < report.Pages().GetPage(0)->ObjectCount(); ++i)
            list << report.Pages().GetPage(0)->Object(i)->Name;
        return list;
    }
    // The window with a change that has an undo step.
    TfrDesignerForm &openChanged(const QString &fileName)
    {
        TfrDesignerForm &d = open();
        d.SetFileName(fileName);
        select({ page->Object(0) });
        d.NudgeSelection(4, 0, false);
        return d;
    }

    QTemporaryDir dir;
};

TEST_F(WindowFiles, SaveAsWritesATemplateAGalleryTemplateOrTheDictionary)
{
    options->SaveDir = dir.path();
    options->TemplateDir = dir.filePath(QStringLiteral("gallery"));
    ASSERT_TRUE(QDir().mkpath(options->TemplateDir));
    report.Dictionary().Variables.SetValue(QStringLiteral("Company"), Variant(QStringLiteral("'Кабель'")));

    TfrDesignerForm &d = openChanged(QStringLiteral("Untitled"));
    // A form: the extension is the form's, the window takes the name.
    dialogs.answerSave(path("letter.txt"), 1);
    d.N17->trigger();
    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    const FileDialogRequest &asked = dialogs.fileRequests[0];
    EXPECT_EQ(asked.filter,
        QStringLiteral("Форма отчёта (*.frf)|*.frf|Шаблон отчёта (*.frt)|*.frt|"
                       "Словарь данных отчёта (*.frd)|*.frd"));
    EXPECT_EQ(asked.initialDir, dir.path());
    EXPECT_EQ(asked.fileName, QStringLiteral("Untitled"));
    EXPECT_EQ(d.FileName, path("letter.frf"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Дизайнер - letter.frf"));
    EXPECT_FALSE(report.Modified);
    TMemoryStream engine;
    report.SaveReportStream(engine);
    EXPECT_EQ(FileBytes(path("letter.frf")), engine.Bytes());

    // A dictionary: only it is written, the template is as unsaved as before.
    d.NudgeSelection(4, 0, false);
    dialogs.answerSave(path("names"), 3);
    d.N17->trigger();
    EXPECT_GT(QFileInfo(path("names.frd")).size(), 1);
    EXPECT_TRUE(report.Modified);
    EXPECT_EQ(d.FileName, path("letter.frf"));

    // A gallery template goes to the gallery's folder with its description; the window keeps its file.
    ModalAnswer describe([] { return activeModal<TfrTemplNewForm>() != nullptr; },
        [] {
            auto *form = activeModal<TfrTemplNewForm>();
            form->Memo1->setPlainText(QStringLiteral("Письмо абоненту"));
            form->Button2->click();
        });
    dialogs.answerSave(path("elsewhere/Letter.frf"), 2);
    d.N17->trigger();
    ASSERT_TRUE(describe.ran());
    const QString galleryFile = options->TemplateDir + QStringLiteral("/Letter.frt");
    ASSERT_TRUE(QFile::exists(galleryFile));
    EXPECT_FALSE(report.Modified);
    EXPECT_EQ(d.FileName, path("letter.frf"));

    // The gallery lists it, and New from it loads it back as an untitled template.
    d.NudgeSelection(4, 0, false);
    QString listed;
    ModalAnswer choose([] { return activeModal<TfrTemplForm>() != nullptr; },
        [&listed] {
            auto *form = activeModal<TfrTemplForm>();
            ASSERT_EQ(form->LB1->count(), 1);
            listed = form->LB1->item(0)->text();
            form->LB1->setCurrentRow(0);
            EXPECT_EQ(form->Memo1->toPlainText(), QStringLiteral("Письмо абоненту"));
            form->Button1->click();
        });
    const int left = page->Object(0)->Left;
    d.N23->trigger();
    ASSERT_TRUE(choose.ran());
    EXPECT_EQ(listed, QStringLiteral("Letter"));
    EXPECT_EQ(d.FileName, QStringLiteral("Untitled"));
    ASSERT_EQ(names(), QStringList({ "Greeting" }));
    EXPECT_EQ(report.Pages().GetPage(0)->Object(0)->Left, left - 4) << "the template as it was saved";
    EXPECT_EQ(d.Page, report.Pages().GetPage(0));
    EXPECT_EQ(d.UndoCount(), 0);
    EXPECT_TRUE(report.Modified) << "a template from the gallery keeps the window's flag";
}

TEST_F(WindowFiles, SaveOnAnUntitledTemplateRunsSaveAsAndACancelLeavesItModified)
{
    for (const QString &name : { QStringLiteral("Untitled"), QString() }) {
        TfrDesignerForm &d = openChanged(name);
        dialogs.fileRequests.clear();
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        QTest::keyClick(&d, Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(dialogs.fileRequests.size(), 1) << "Save as asks for a name";
        EXPECT_TRUE(report.Modified);
        EXPECT_TRUE(d.N20->isEnabled());
        designer.reset();
    }
}

TEST_F(WindowFiles, AFailedSaveLeavesTheFileAsItWasAndTheTemplateModified)
{
    const QString unwritable = QStringLiteral("/proc/no-such-folder/Letter.frf");
    // A template the writer refuses, over a file that is there.
    const QString existing = templateFile("existing.frf", "Old");
    const QByteArray before = FileBytes(existing);
    struct Case
    {
        QString fileName;
        const char *command;
        QString answer;
        int filter;
        QString named;
    } cases[] = {
        { unwritable, "N20", {}, 1, unwritable },
        { QStringLiteral("Untitled"), "N17", unwritable, 1, unwritable },
        { QStringLiteral("Untitled"), "N17", QStringLiteral("/proc/no-such-folder/names"), 3,
            QStringLiteral("/proc/no-such-folder/names.frd") },
        { existing, "N20", {}, 1, existing },
    };
    for (const Case &c : cases) {
        TfrDesignerForm &d = openChanged(c.fileName);
        if (c.fileName == existing)
            page->Object(0)->Memo = QStringList { QString(70000, u'ж') };
        if (!c.answer.isEmpty())
            dialogs.answerSave(c.answer, c.filter);
        messages.requests.clear();
        d.findChild<QAction *>(QLatin1String(c.command))->trigger();
        ASSERT_EQ(messages.requests.size(), 1) << c.named.toStdString();
        EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Ошибка"));
        EXPECT_TRUE(messages.lastText().contains(c.named)) << messages.lastText().toStdString();
        EXPECT_TRUE(report.Modified);
        EXPECT_EQ(d.FileName, c.fileName);
        EXPECT_FALSE(QFile::exists(c.named) && c.named != existing);
        designer.reset();
        page->Object(0)->Memo.clear();
    }
    EXPECT_EQ(FileBytes(existing), before);

    // The close question's save fails the same way: the window stays open.
    TfrDesignerForm &d = openChanged(unwritable);
    messages.requests.clear();
    messages.answer(mrYes);
    d.close();
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(messages.requests.size(), 2) << "the question, then the error";
    EXPECT_EQ(messages.requests[1].caption, QStringLiteral("Ошибка"));
    EXPECT_TRUE(report.Modified);
}

// The close question's answers; Yes saves, and a Save as cancelled there keeps the window open.
TEST_F(WindowFiles, TheCloseQuestionSavesOrNotOrStaysOpen)
{
    struct Case
    {
        TModalResult answer;
        bool named;
        bool closes, written;
    } cases[] = {
        { mrNo, true, true, false },
        { mrCancel, true, false, false },
        { mrYes, true, true, true },
        { mrYes, false, false, false },
    };
    for (const Case &c : cases) {
        const QString file = path("letter.frf");
        QFile::remove(file);
        TfrDesignerForm &d = openChanged(c.named ? file : QStringLiteral("Untitled"));
        messages.requests.clear();
        dialogs.fileRequests.clear();
        messages.answer(c.answer);
        QTest::mouseClick(d.ExitB, Qt::LeftButton, {}, QPoint(11, 11));
        ASSERT_EQ(messages.requests.size(), 1) << c.answer;
        EXPECT_EQ(messages.lastText(),
            c.named ? QStringLiteral("Сохранить изменения в letter.frf?")
                    : QStringLiteral("Сохранить изменения в Untitled?"));
        EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Подтверждение"));
        EXPECT_EQ(messages.requests[0].buttons, mbYesNoCancel);
        EXPECT_EQ(dialogs.fileRequests.size(), c.answer == mrYes && !c.named ? 1 : 0);
        EXPECT_EQ(d.isVisible(), !c.closes) << c.answer;
        EXPECT_EQ(QFile::exists(file), c.written) << c.answer;
        EXPECT_EQ(report.Modified, !c.written) << c.answer;
        designer.reset();
    }
    // Nothing is asked without changes, or when the options component says so.
    for (const bool modified : { false, true }) {
        options->CloseQuery = !modified;
        TfrDesignerForm &d = open();
        d.SetModified(modified);
        messages.requests.clear();
        d.close();
        EXPECT_FALSE(d.isVisible());
        EXPECT_TRUE(messages.requests.isEmpty());
        designer.reset();
    }
}

TEST_F(WindowFiles, OpenReplacesTheTemplateOnlyWhenTheFileWasReadWhole)
{
    const QString good = templateFile("good.frf", "Fresh");
    const QString damaged = path("damaged.frf");
    {
        QByteArray bytes = FileBytes(good);
        bytes.truncate(bytes.size() / 2);
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    TfrDesignerForm &d = openChanged(path("mine.frf"));
    // A damaged file: the engine says why, and the window goes on with its own template.
    messages.answer(mrNo);
    dialogs.answerOpen(damaged);
    d.N19->trigger();
    ASSERT_EQ(messages.requests.size(), 2) << "the question, then the engine's message";
    EXPECT_EQ(messages.lastText(), QStringLiteral("Неверный FRF формат"));
    EXPECT_EQ(names(), QStringList({ "Greeting" }));
    EXPECT_EQ(d.Page, report.Pages().GetPage(0));
    EXPECT_EQ(d.FileName, path("mine.frf"));
    EXPECT_TRUE(report.Modified);
    EXPECT_EQ(d.UndoCount(), 1);
    d.Undo();
    EXPECT_EQ(page->Object(0)->Left, 40) << "the undo step still acts on its object";

    // Cancel to the question opens nothing.
    d.NudgeSelection(4, 0, false);
    messages.answer(mrCancel);
    dialogs.fileRequests.clear();
    d.N19->trigger();
    EXPECT_TRUE(dialogs.fileRequests.isEmpty());

    // A whole file replaces the template, and the steps of the old one go.
    messages.answer(mrNo);
    dialogs.answerOpen(good);
    d.N19->trigger();
    EXPECT_EQ(names(), QStringList({ "Fresh" }));
    EXPECT_EQ(d.Page, report.Pages().GetPage(0));
    EXPECT_EQ(d.FileName, good);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Дизайнер - good.frf"));
    EXPECT_FALSE(report.Modified);
    EXPECT_TRUE(report.ChangedInDesigner);
    EXPECT_EQ(d.UndoCount(), 0);
    EXPECT_EQ(d.RedoCount(), 0);

    // A dictionary file replaces the report's dictionary only when read whole; the template stays.
    TfrDataDictionary saved;
    saved.Variables.SetValue(QStringLiteral("Company"), Variant(QStringLiteral("'Кабель'")));
    saved.SaveDictionaryFile(path("names.frd"));
    QFile::copy(path("names.frd"), path("cut.frd"));
    QFile::resize(path("cut.frd"), 6);
    messages.requests.clear();
    dialogs.answerOpen(path("cut.frd"), 2);
    d.N19->trigger();
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_TRUE(messages.lastText().contains(path("cut.frd")));
    EXPECT_EQ(report.Dictionary().Variables.IndexOf(QStringLiteral("Company")), -1);
    dialogs.answerOpen(path("names.frd"), 2);
    d.N19->trigger();
    EXPECT_EQ(messages.requests.size(), 1) << "a whole dictionary file is read without a word";
    EXPECT_EQ(d.FileName, good) << "a dictionary is no template";
    EXPECT_EQ(names(), QStringList({ "Fresh" }));
}

TEST_F(WindowFiles, NewStartsAnUntitledTemplateOfOneEmptyPage)
{
    report.Pages().Add();
    TfrDesignerForm &d = openChanged(path("mine.frf"));
    d.Undo();
    ASSERT_EQ(d.RedoCount(), 1);
    d.SetModified(true);
    messages.answer(mrCancel);
    d.NewAction->trigger();
    EXPECT_EQ(report.Pages().GetCount(), 2) << "cancelled";

    messages.answer(mrNo);
    QTest::mouseClick(d.FileBtn1, Qt::LeftButton, {}, QPoint(11, 11));
    ASSERT_EQ(report.Pages().GetCount(), 1);
    EXPECT_EQ(report.Pages().GetPage(0)->ObjectCount(), 0);
    EXPECT_FALSE(report.Pages().GetPage(0)->Name.isEmpty());
    EXPECT_EQ(d.Page, report.Pages().GetPage(0));
    EXPECT_EQ(d.Tab1->count(), 1);
    EXPECT_EQ(d.FileName, QStringLiteral("Untitled"));
    EXPECT_FALSE(report.Modified);
    EXPECT_TRUE(report.ChangedInDesigner);
    EXPECT_EQ(d.UndoCount(), 0);
    EXPECT_EQ(d.RedoCount(), 0) << "no step of the old template may act on the new one";
}

// A host that saves the template itself: only a save it reports done leaves the template unmodified and lets the
// close question's Yes close the window; one it refuses keeps the changes and the window.
TEST_F(WindowFiles, AHostsSaveCountsOnlyWhenTheHostSaysItSaved)
{
    for (const bool hostSaves : { true, false }) {
        SCOPED_TRACE(hostSaves);
        QStringList calls;
        options->OnSaveReport = [&](TfrReport *r, QString &name, bool saveAs, bool &saved) {
            EXPECT_EQ(r, &report);
            calls << name + (saveAs ? QStringLiteral(" as") : QString());
            name = QStringLiteral("elsewhere.frf");
            saved = hostSaves;
        };
        TfrDesignerForm &d = openChanged(path("letter.frf"));
        d.N20->trigger();
        EXPECT_EQ(report.Modified, !hostSaves);
        EXPECT_EQ(d.FileName, path("letter.frf")) << "a name the host returns from Save is not used";

        d.SetModified(true);
        messages.requests.clear();
        messages.answer(mrYes);
        d.close();
        EXPECT_EQ(messages.requests.size(), 1) << "the question alone";
        EXPECT_EQ(d.isVisible(), !hostSaves);
        EXPECT_EQ(report.Modified, !hostSaves);
        EXPECT_EQ(calls, QStringList({ path("letter.frf"), path("letter.frf") }));
        EXPECT_FALSE(QFile::exists(path("letter.frf"))) << "the host writes, not the window";
        designer.reset();
    }
}

} // namespace
