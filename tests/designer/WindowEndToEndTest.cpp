// The designer as a whole: what it saves is what the engine saves and builds.
#include "WindowFixture.h"

#include "FR_BndEd.h"
#include "FR_Class.h"
#include "FR_ClassPrepared.h"
#include "FR_Insp.h"

#include "ModalAnswer.h"
#include "Streams.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using tarvik::test::activeModal;
using tarvik::test::ModalAnswer;

QByteArray FileBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The object streams of the prepared pages.
QList<QByteArray> PreparedPages(TfrReport &r)
{
    QList<QByteArray> pages;
    for (int i = 0; i < r.EMFPages().GetCount(); ++i)
        pages << r.EMFPages().GetPage(i)->Stream.Bytes();
    return pages;
}

class WindowEndToEnd : public WindowFixture
{
protected:
    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget *surface = designer->PageView;
        QMouseEvent e(type, p, surface->mapToGlobal(p), button, buttons, {});
        QApplication::sendEvent(surface, &e);
    }
    void click(QPoint p)
    {
        mouse(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
        mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    }

    QTemporaryDir dir;
};

TEST_F(WindowEndToEnd, ATemplateEditedAndSavedBuildsInAFreshReportAsItBuildsInPlace)
{
    {
        TfrBandView *title = band(btReportTitle, 20, 40, "Title");
        (void)title;
        memo(40, 30, 200, 20, "Head")->Memo = QStringList { QStringLiteral("Список") };
        band(btMasterData, 100, 20, "Data");
        memo(40, 100, 120, 20, "Cell")->Memo = QStringList { QStringLiteral("Строка [Line#]") };
        const QString source = dir.filePath(QStringLiteral("list.frf"));
        report.SaveReportFile(source);
        ASSERT_TRUE(report.LoadReportFile(source));
    }
    TfrDesignerForm &d = open();
    d.EditAfterInsert = false;
    const int before = d.Page->ObjectCount();

    // A text object inserted in the data band.
    d.PressTool(0);
    click(QPoint(300, 104));
    ASSERT_EQ(d.Page->ObjectCount(), before + 1);

    // The cell moved by the mouse.
    TfrView *cell = d.Page->FindViewByName(QStringLiteral("Cell"));
    mouse(QEvent::MouseMove, QPoint(100, 110), Qt::NoButton, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, QPoint(100, 110), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(108, 110), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(116, 110), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(116, 110), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(cell->Left, 56);

    // The heading renamed in the inspector.
    click(QPoint(60, 35));
    ASSERT_EQ(d.TopSelected()->Name, QStringLiteral("Head"));
    int nameRow = -1;
    for (int i = 0; i < d.InspForm->RowCount(); ++i)
        if (d.InspForm->RowName(i) == QLatin1String("Name"))
            nameRow = i;
    ASSERT_GE(nameRow, 0);
    d.InspForm->SelectRow(nameRow);
    d.InspForm->CommitText(QStringLiteral("Caption"));
    EXPECT_NE(report.FindViewByName(QStringLiteral("Caption")), nullptr);

    // The data band bound to three records through its dialog.
    click(QPoint(600, 110));
    ASSERT_EQ(d.TopSelected()->Name, QStringLiteral("Data"));
    {
        ModalAnswer bind([] { return activeModal<TfrBandEditorForm>() != nullptr; },
            [] {
                auto *form = activeModal<TfrBandEditorForm>();
                form->LB1->setCurrentRow(1);
                form->Edit1->setText(QStringLiteral("3"));
                form->Button1->click();
            });
        d.EditSelected();
        ASSERT_TRUE(bind.ran());
    }

    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(&d, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(report.Modified);
    const QString saved = d.FileName;
    designer.reset();
    EXPECT_TRUE(messages.requests.isEmpty());

    report.ShowProgress = false;
    ASSERT_TRUE(report.BuildReport());
    const QList<QByteArray> inPlace = PreparedPages(report);

    TfrReport fresh;
    fresh.ShowProgress = false;
    ASSERT_TRUE(fresh.LoadReportFile(saved));
    EXPECT_EQ(fresh.FindViewByName(QStringLiteral("Head")), nullptr);
    EXPECT_NE(fresh.FindViewByName(QStringLiteral("Caption")), nullptr);
    EXPECT_EQ(fresh.FindViewByName(QStringLiteral("Cell"))->Left, 56);
    EXPECT_EQ(fresh.FindViewByName(QStringLiteral("Data"))->FormatText, QStringLiteral("3"));
    EXPECT_EQ(fresh.Pages().GetPage(0)->ObjectCount(), before + 1);
    ASSERT_TRUE(fresh.BuildReport());
    ASSERT_EQ(PreparedPages(fresh).size(), 1);
    EXPECT_EQ(PreparedPages(fresh), inPlace);

    // Three records: the cell printed three times.
    fresh.EMFPages().ObjectsToPage(0);
    const TfrPage *prepared = fresh.EMFPages().GetPage(0)->Page.get();
    QStringList cells;
    for (int i = 0; prepared && i < prepared->ObjectCount(); ++i)
        if (prepared->Object(i)->Memo.value(0).startsWith(QStringLiteral("Строка")))
            cells << prepared->Object(i)->Memo.value(0);
    EXPECT_EQ(cells, QStringList({ "Строка 1", "Строка 2", "Строка 3" }));
}

// Showing a page stretches its bands across it and lays them beneath the objects; what the designer saves of a
// template it has only shown is what the engine saves of it. The shipped templates, and one whose bands are
// stored narrow, with thick frames, after their objects, and a cross band among them.
TEST_F(WindowEndToEnd, ATemplateShownAndSavedIsByteIdenticalToTheEnginesSave)
{
    const QDir shipped(QStringLiteral(TARVIK_SOURCE_DIR "/resources/fr_forms"));
    QStringList files;
    for (const QString &name : shipped.entryList({ QStringLiteral("*.frf") }, QDir::Files, QDir::Name))
        files << shipped.filePath(name);
    ASSERT_GE(files.size(), 20);
    {
        memo(40, 30, 200, 20, "Head");
        TfrBandView *title = band(btReportTitle, 20, 40, "Title");
        title->PlaceAt(30, 20, 300, 40);
        title->FrameWidth = 3;
        report.Pages().Add();
        TfrPage *second = report.Pages().GetPage(1);
        memo(60, 100, 40, 20, "Cell", second);
        auto *cross = static_cast<TfrBandView *>(CreateViewOfType(2, {}));
        cross->SetBandType(btCrossData);
        cross->PlaceAt(50, 90, 60, 40);
        cross->Name = QStringLiteral("Across");
        second->AddObject(cross);
        files << dir.filePath(QStringLiteral("narrow.frf"));
        report.SaveReportFile(files.last());
    }
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_TRUE(report.LoadReportFile(file));
        const QString engineSave = dir.filePath(QStringLiteral("engine.frf"));
        report.SaveReportFile(engineSave);

        TfrDesignerForm &d = open();
        for (int i = 0; i < report.Pages().GetCount(); ++i) {
            d.SetCurPage(i);
            (void)d.PageView->grab();
        }
        const QString designerSave = dir.filePath(QStringLiteral("designer.frf"));
        QFile::remove(designerSave);
        d.SetFileName(designerSave);
        d.SetModified(true);
        d.N20->trigger();
        EXPECT_FALSE(report.Modified);
        designer.reset();
        EXPECT_TRUE(messages.requests.isEmpty());

        const QByteArray saved = FileBytes(designerSave);
        ASSERT_FALSE(saved.isEmpty());
        EXPECT_TRUE(saved == FileBytes(engineSave));
    }

    // Shown, the narrow band spans the page and lies beneath the text object listed before it.
    TfrDesignerForm &d = open();
    TfrView *title = report.FindViewByName(QStringLiteral("Title"));
    EXPECT_EQ(bounds(title), QRect(0, 20, report.Pages().GetPage(0)->PrnInfo.PaperWidthUnits, 40));
    click(QPoint(50, 35));
    ASSERT_NE(d.TopSelected(), nullptr);
    EXPECT_EQ(d.TopSelected()->Name, QStringLiteral("Head"));
    click(QPoint(400, 35));
    EXPECT_EQ(d.TopSelected()->Name, QStringLiteral("Title"));
}

} // namespace
