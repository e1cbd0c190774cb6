// Undo and redo tied to their page, and the designer's clipboard of object streams.
#include "WindowFixture.h"

#include "FR_Class.h"

#include "Registry.h"
#include "Streams.h"

#include <QAction>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

class WindowUndo : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        report.Pages().Add();
    }
    TfrView *memo(int x, int y, const char *name, TfrPage *on = nullptr)
    {
        auto *v = CreateViewOfType(0, {});
        v->PlaceAt(x, y, 40, 20);
        v->Name = QLatin1String(name);
        (on ? on : page)->AddObject(v);
        return v;
    }
    TfrBandView *band(int type, int top, const char *name)
    {
        auto *b = static_cast<TfrBandView *>(CreateViewOfType(2, {}));
        b->SetBandType(type);
        b->PlaceAt(0, top, 700, 40);
        b->Name = QLatin1String(name);
        page->AddObject(b);
        return b;
    }
    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < page->ObjectCount(); ++i)
            out << page->Object(i)->Name;
        return out;
    }
    TfrView *named(const char *name) const { return page->FindViewByName(QLatin1String(name)); }
};

TEST_F(WindowUndo, HoldsAHundredStepsAndDropsTheOldest)
{
    TfrView *v = memo(0, 0, "Memo1");
    TfrDesignerForm &d = open();
    select({ v });
    for (int i = 1; i <= 101; ++i) {
        d.BeginObjectChange();
        page->Object(0)->Left = i;
    }
    EXPECT_EQ(d.UndoCount(), 100);
    EXPECT_TRUE(d.N46->isEnabled());
    for (int i = 0; i < 100; ++i)
        d.Undo();
    EXPECT_EQ(page->Object(0)->Left, 1) << "the state after the first change";
    EXPECT_FALSE(d.N46->isEnabled());
    EXPECT_EQ(d.RedoCount(), 100);
    d.Redo();
    EXPECT_EQ(page->Object(0)->Left, 2);
    EXPECT_TRUE(d.N46->isEnabled());
}

TEST_F(WindowUndo, UndoOfACutRestoresTheObjectsAtTheirPlacesWithTheirIDs)
{
    memo(0, 0, "A");
    TfrView *b = memo(50, 0, "B");
    memo(100, 0, "C");
    TfrView *d4 = memo(150, 0, "D");
    TfrDesignerForm &d = open();
    select({ page->Object(1) });
    d.BeginObjectChange();
    page->Object(1)->Top = 30;
    const int idB = b->ObjectID, idD = d4->ObjectID;
    select({ page->Object(1), page->Object(3) });
    d.CutToClipboard();
    EXPECT_EQ(names(), QStringList({ "A", "C" }));
    EXPECT_EQ(DesignerClipboard.size(), 2);
    EXPECT_EQ(d.PageView->LastSelected, nullptr);
    d.Undo();
    EXPECT_EQ(names(), QStringList({ "A", "B", "C", "D" }));
    EXPECT_EQ(named("B")->ObjectID, idB);
    EXPECT_EQ(named("D")->ObjectID, idD);
    EXPECT_EQ(named("B")->Top, 30);
    d.Undo();
    EXPECT_EQ(named("B")->Top, 0) << "the second undo reaches the step before the cut";
    d.Redo();
    d.Redo();
    EXPECT_EQ(names(), QStringList({ "A", "C" }));
}

TEST_F(WindowUndo, AStepWaitsOnItsOwnPage)
{
    TfrDesignerForm &d = open();
    d.SetCurPage(1);
    TfrPage *second = report.Pages().GetPage(1);
    TfrView *v = memo(10, 10, "Second1", second);
    select({ v });
    d.RecordUndo(acInsert);
    d.SetCurPage(0);
    d.Undo();
    EXPECT_EQ(second->ObjectCount(), 1);
    EXPECT_EQ(d.UndoCount(), 1);
    EXPECT_TRUE(d.N46->isEnabled()) << "the command stays enabled";
    d.SetCurPage(1);
    d.Undo();
    EXPECT_EQ(second->ObjectCount(), 0);
    EXPECT_EQ(d.RedoCount(), 1);
}

TEST_F(WindowUndo, RedoPutsMovedObjectsWhereTheyWereMoved)
{
    TfrView *v = memo(10, 10, "M");
    TfrDesignerForm &d = open();
    select({ v });
    d.RecordUndo(acEdit);
    v->Left = 90;
    d.Undo();
    EXPECT_EQ(page->Object(0)->Left, 10);
    d.Redo();
    EXPECT_EQ(page->Object(0)->Left, 90);
    // A new step clears what could be redone.
    d.Undo();
    select({ page->Object(0) });
    d.RecordUndo(acEdit);
    EXPECT_EQ(d.RedoCount(), 0);
    EXPECT_FALSE(d.N48->isEnabled());
}

TEST_F(WindowUndo, AZOrderStepPutsEveryObjectBack)
{
    memo(0, 0, "A");
    memo(0, 0, "B");
    memo(0, 0, "C");
    TfrDesignerForm &d = open();
    d.RecordUndo(acZOrder);
    std::rotate(page->Objects.begin(), page->Objects.begin() + 1, page->Objects.end());
    EXPECT_EQ(names(), QStringList({ "B", "C", "A" }));
    d.Undo();
    EXPECT_EQ(names(), QStringList({ "A", "B", "C" }));
    d.Redo();
    EXPECT_EQ(names(), QStringList({ "B", "C", "A" }));
}

TEST_F(WindowUndo, AnUndoOfADeleteBringsBackOnlyWhatWasDeleted)
{
    TfrView *kept = memo(0, 0, "Kept");
    kept->Restrictions = orNoDelete;
    TfrView *gone = memo(50, 0, "Gone");
    TfrDesignerForm &d = open();
    select({ kept, gone });
    d.DeleteSelected();
    EXPECT_EQ(names(), QStringList({ "Kept" }));
    d.Undo();
    EXPECT_EQ(names(), QStringList({ "Kept", "Gone" })) << "no second copy of the kept object";
    // Under the designer's restriction nothing goes, and the undo step brings nothing back.
    DesignerRestrictions = drNoDelete;
    select({ page->Object(1) });
    d.DeleteSelected();
    d.Undo();
    EXPECT_EQ(names(), QStringList({ "Kept", "Gone" }));
    DesignerRestrictions = 0;
}

TEST_F(WindowUndo, DeletingAChildBandClearsTheLinksToIt)
{
    TfrBandView *data = band(btMasterData, 100, "Data");
    data->ChildBand = QStringLiteral("Child1");
    TfrBandView *child = band(btChild, 200, "Child1");
    TfrDesignerForm &d = open();
    select({ child });
    d.DeleteSelected();
    EXPECT_EQ(static_cast<TfrBandView *>(named("Data"))->ChildBand, QString());
}

TEST_F(WindowUndo, StepsOfObjectsThatAreGoneAreDroppedAfterATypeChange)
{
    TfrView *v = memo(10, 10, "M");
    TfrDesignerForm &d = open();
    select({ v });
    d.RecordUndo(acEdit);
    v->Left = 50;
    // The page becomes a dialog page, which clears its objects.
    page->ClearObjects();
    page->SetPropertyValue(QStringLiteral("Type"), Variant(1));
    d.Undo();
    EXPECT_EQ(page->ObjectCount(), 0);
    EXPECT_EQ(d.UndoCount(), 0) << "the step is dropped";
    EXPECT_EQ(d.RedoCount(), 0);
    // A new object at the same index is not the one the step was made for either.
    page->Type = 0;
    TfrView *other = memo(20, 20, "Other");
    select({ other });
    d.RecordUndo(acEdit);
    other->Left = 70;
    page->ClearObjects();
    memo(30, 30, "Replacement");
    d.Undo();
    EXPECT_EQ(page->Object(0)->Left, 30);
}

TEST_F(WindowUndo, AfterTheTemplateIsMadeAnewTheStepsFindTheirObjectsAgain)
{
    TfrView *v = memo(10, 10, "M");
    TfrDesignerForm &d = open();
    select({ v });
    d.RecordUndo(acEdit);
    v->Left = 90;
    const TfrObjectIDs ids = d.KeepObjectIDs();
    TMemoryStream stream;
    report.SaveReportStream(stream);
    stream.SetPosition(0);
    ASSERT_TRUE(report.LoadReportStream(stream));
    page = report.Pages().GetPage(0);
    d.SetCurPage(0);
    EXPECT_NE(page->Object(0)->ObjectID, ids[0][0]) << "the objects were made anew";
    d.RestoreObjectIDs(ids);
    d.Undo();
    EXPECT_EQ(page->Object(0)->Left, 10);
}

TEST_F(WindowUndo, PastePlacesTheObjectsAtTheTopLeftOrOnTheSelectedBand)
{
    TfrView *a = memo(100, 40, "A");
    TfrView *b = memo(300, 60, "B");
    TfrDesignerForm &d = open();
    select({ a, b });
    d.CopyToClipboard();
    EXPECT_TRUE(d.N13->isEnabled());
    d.PasteFromClipboard();
    ASSERT_EQ(page->ObjectCount(), 4);
    EXPECT_EQ(QPoint(page->Object(2)->Left, page->Object(2)->Top), QPoint(0, 0));
    EXPECT_EQ(QPoint(page->Object(3)->Left, page->Object(3)->Top), QPoint(200, 20));
    EXPECT_NE(page->Object(2)->Name, QStringLiteral("A")) << "a name in use is replaced";
    EXPECT_EQ(d.PageView->SelectedCount, 2);
    EXPECT_EQ(d.UndoBuffer.back().Action, acInsert);

    TfrBandView *target = band(btMasterData, 500, "Data");
    TfrBandView *other = band(btPageHeader, 300, "Header");
    d.SetCurPage(0);
    select({ target, other });
    d.PasteFromClipboard();
    EXPECT_EQ(named("Data")->Top, 500);
    ASSERT_EQ(page->ObjectCount(), 8);
    for (int i = 6; i < 8; ++i)
        EXPECT_EQ(page->Object(i)->Top, 500) << i;
    // The paste's undo step holds the pasted objects only: the bands that were selected stay.
    d.Undo();
    EXPECT_EQ(page->ObjectCount(), 6);
    EXPECT_NE(named("Data"), nullptr);
    EXPECT_NE(named("Header"), nullptr);
}

TEST_F(WindowUndo, PasteOnAScrolledPageStartsAtTheFirstVisibleGridStep)
{
    TfrView *a = memo(100, 100, "A");
    TfrDesignerForm &d = open();
    d.ScrollBox1->verticalScrollBar()->setValue(205);
    const int offset = d.PageView->mapTo(d.ScrollBox1->viewport(), QPoint()).y();
    ASSERT_LT(offset, 0);
    select({ a });
    d.CopyToClipboard();
    d.PasteFromClipboard();
    EXPECT_EQ(page->Object(1)->Top, d.GridSizeY * (-offset / d.GridSizeY));
}

TEST_F(WindowUndo, AUniqueBandThatIsThereAlreadyIsNotPastedButTheOthersAre)
{
    TfrBandView *title = band(btReportTitle, 0, "Title");
    TfrBandView *data = band(btMasterData, 100, "Data");
    TfrView *text = memo(10, 110, "Text");
    TfrDesignerForm &d = open();
    select({ title, data, text });
    d.CopyToClipboard();
    d.PasteFromClipboard();
    int titles = 0, datas = 0;
    for (int i = 0; i < page->ObjectCount(); ++i)
        if (auto *b = dynamic_cast<TfrBandView *>(page->Object(i)))
            (b->GetBandType() == btReportTitle ? titles : datas) += 1;
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(datas, 2);
    EXPECT_EQ(page->ObjectCount(), 5);
    // Insertion restricted: nothing at all.
    DesignerRestrictions = drNoInsert;
    d.PasteFromClipboard();
    EXPECT_EQ(page->ObjectCount(), 5);
    DesignerRestrictions = 0;
}

TEST_F(WindowUndo, TheClipboardOutlivesTheWindow)
{
    TfrView *a = memo(100, 40, "A");
    open();
    select({ a });
    designer->CopyToClipboard();
    designer.reset();
    TfrDesignerForm &d = open();
    d.SetCurPage(1);
    d.PasteFromClipboard();
    EXPECT_EQ(report.Pages().GetPage(1)->ObjectCount(), 1);
}

} // namespace
