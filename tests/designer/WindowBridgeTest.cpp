// The inspector's side of the designer window: the rows the selection shares in the user's units, values taken
// back within the restrictions, selecting by name, and the status bar's figures.
#include "WindowFixture.h"

#include "FR_Combo.h"
#include "FR_Dock.h"
#include "FR_Insp.h"
#include "FR_PageF.h"

#include "FormatSettings.h"

#include <QAction>
#include <QMouseEvent>
#include <QTabBar>

namespace {

class WindowBridge : public WindowFixture
{
protected:
    int row(const char *name) const
    {
        for (int i = 0; i < designer->InspForm->RowCount(); ++i)
            if (designer->InspForm->RowName(i) == QLatin1String(name))
                return i;
        return -1;
    }
    QString shown(const char *name) const
    {
        const int i = row(name);
        return i < 0 ? QStringLiteral("<none>") : designer->InspForm->RowText(i);
    }
    // Types the text into the row and commits it as Enter does.
    void type(const char *name, const QString &text)
    {
        const int i = row(name);
        ASSERT_GE(i, 0) << name;
        designer->InspForm->SelectRow(i);
        designer->InspForm->CommitText(text);
    }
};

TEST_F(WindowBridge, RowsAreThoseTheSelectionSharesAndDifferingValuesShowEmpty)
{
    TfrMemoView *a = memo(40, 40, 60, 20, "A");
    TfrMemoView *b = memo(40, 80, 60, 20, "B");
    a->LineSpacing = 2;
    b->LineSpacing = 5;
    TfrLineView *line = nullptr;
    {
        auto *l = static_cast<TfrLineView *>(CreateViewOfType(4, {}));
        l->PlaceAt(40, 120, 100, 0);
        l->Name = QStringLiteral("L");
        page->AddObject(l);
        line = l;
    }
    open();
    select({ a });
    EXPECT_EQ(designer->InspForm->ObjectName, QStringLiteral("A"));
    EXPECT_EQ(shown("Name"), QStringLiteral("A"));
    EXPECT_EQ(shown("Memo"), QStringLiteral("(Memo)")) << "a property with its own editor shows its name";
    EXPECT_EQ(shown("Flags"), QStringLiteral("<none>")) << "a property of type 0 is not shown";

    select({ a, b });
    EXPECT_EQ(designer->InspForm->CurrentObject, nullptr);
    EXPECT_EQ(shown("Name"), QStringLiteral("<none>")) << "a property of one object goes with a second";
    EXPECT_EQ(shown("LineSpacing"), QString());
    EXPECT_EQ(shown("Width"), QStringLiteral("60"));
    type("LineSpacing", QStringLiteral("12"));
    EXPECT_EQ(a->LineSpacing, 12);
    EXPECT_EQ(b->LineSpacing, 12);
    EXPECT_EQ(shown("LineSpacing"), QStringLiteral("12"));

    select({ a, line });
    EXPECT_EQ(shown("LineSpacing"), QStringLiteral("<none>")) << "only what every object has";
    EXPECT_NE(row("FrameWidth"), -1);

    TfrBandView *data = band(btMasterData, 200, 40, "Data");
    TfrBandView *header = band(btPageHeader, 300, 40, "Header");
    select({ data });
    EXPECT_NE(row("PrintIfSubsetEmpty"), -1);
    select({ data, header });
    EXPECT_EQ(row("PrintIfSubsetEmpty"), -1) << "bands of two types share only some properties";
    EXPECT_NE(row("Stretched"), -1);

    select({});
    EXPECT_EQ(designer->InspForm->CurrentObject, page);
    EXPECT_EQ(designer->InspForm->ObjectName, QStringLiteral("Page1"));
    EXPECT_NE(row("Orientation"), -1);
}

// An add-in object with more properties than the inspector was first meant to hold.
class TManyProperties : public TfrMemoView
{
public:
    void RegisterProperties() override
    {
        TfrMemoView::RegisterProperties();
        for (int i = 0; i < 80; ++i)
            RegisterProp(QStringLiteral("Extra%1").arg(i, 2, 10, QLatin1Char('0')), frdtInteger);
    }
    void SetPropertyValue(const QString &name, const Variant &value) override
    {
        if (name == QLatin1String("Extra79"))
            last = value.toInt();
        else
            TfrMemoView::SetPropertyValue(name, value);
    }
    Variant GetPropertyValue(const QString &name) override
    {
        return name == QLatin1String("Extra79") ? Variant(last) : TfrMemoView::GetPropertyValue(name);
    }
    int last = 0;
};

TEST_F(WindowBridge, TheInspectorTakesEveryRowOfAnObjectWithManyProperties)
{
    auto *many = new TManyProperties;
    many->PlaceAt(10, 10, 60, 20);
    many->Name = QStringLiteral("Many");
    page->AddObject(many);
    open();
    select({ many });
    EXPECT_GT(designer->InspForm->RowCount(), 100);
    type("Extra79", QStringLiteral("7"));
    EXPECT_EQ(many->last, 7);
    EXPECT_EQ(shown("Extra79"), QStringLiteral("7"));
}

TEST_F(WindowBridge, SizesShowAndAreTypedInTheUnitsOnReportPagesAndInPixelsOnDialogs)
{
    TfrMemoView *m = memo(36, 18, 36, 18, "M");
    report.Pages().Add();
    TfrPage *dialog = report.Pages().GetPage(1);
    dialog->Type = 1;
    TfrMemoView *onDialog = memo(36, 18, 36, 18, "D", dialog);
    open();
    designer->SetUnits(1);
    const QString ten = QStringLiteral("10") + FormatSettings().DecimalSeparator + QStringLiteral("00");
    TfrMemoView *other = memo(100, 18, 54, 18, "Other");
    select({ m });
    EXPECT_EQ(shown("Width"), ten);
    type("Width", QStringLiteral("20"));
    EXPECT_EQ(m->Width, 72);
    select({ m, other });
    type("Height", QStringLiteral("10"));
    EXPECT_EQ(m->Height, 36);
    EXPECT_EQ(other->Height, 36) << "every selected object takes the size in pixels";
    select({ m });
    type("Left", QStringLiteral("5,5"));
    EXPECT_EQ(m->Left, 20) << "either decimal separator; 19.8 pixels round to 20";

    designer->SetCurPage(1);
    select({ onDialog });
    EXPECT_EQ(shown("Width"), QStringLiteral("36"));
    type("Width", QStringLiteral("40"));
    EXPECT_EQ(onDialog->Width, 40);
}

TEST_F(WindowBridge, ATextThatIsNoNumberIsReportedAndTheRowShowsTheObjectsValue)
{
    TfrMemoView *m = memo(36, 18, 36, 18, "M");
    open();
    select({ m });
    type("Left", QStringLiteral("abc"));
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.requests[0].type, mtError);
    EXPECT_TRUE(messages.lastText().contains(QStringLiteral("abc"))) << messages.lastText().toStdString();
    EXPECT_EQ(m->Left, 36);
    EXPECT_EQ(shown("Left"), QStringLiteral("36"));
    EXPECT_EQ(designer->UndoCount(), 0) << "nothing changed, nothing to undo";

    select({});
    type("Columns", QStringLiteral("два"));
    EXPECT_EQ(messages.requests.size(), 2);
    EXPECT_EQ(page->Columns, 1);
    EXPECT_EQ(shown("Columns"), QStringLiteral("1"));
}

TEST_F(WindowBridge, RestrictedObjectsAreSkippedSilentlyWhileTheOthersChange)
{
    TfrMemoView *free = memo(40, 40, 60, 20, "Free");
    TfrMemoView *fixed = memo(40, 80, 60, 20, "Fixed");
    TfrMemoView *rigid = memo(40, 120, 60, 20, "Rigid");
    fixed->Restrictions = orNoMove;
    rigid->Restrictions = orNoResize;
    open();
    select({ free, fixed, rigid });
    type("Left", QStringLiteral("100"));
    type("Width", QStringLiteral("80"));
    EXPECT_EQ(bounds(free), QRect(100, 40, 80, 20));
    EXPECT_EQ(bounds(fixed), QRect(40, 80, 80, 20));
    EXPECT_EQ(bounds(rigid), QRect(100, 120, 60, 20));
    EXPECT_TRUE(messages.requests.isEmpty());

    DesignerRestrictions = drNoAttributes;
    type("Width", QStringLiteral("90"));
    EXPECT_EQ(free->Width, 80) << "the host forbids changing attributes";
}

TEST_F(WindowBridge, AFrameWidthOverManyObjectsShowsAfterTheChangeItsUndoAndItsRedo)
{
    // Text objects and lines taking turns, more of them than a change draws region by region, two widths among
    // them.
    std::vector<TfrView *> all;
    for (int i = 0; i < 120; ++i) {
        const int x = 10 + (i % 20) * 30, y = 10 + (i / 20) * 30;
        TfrView *v = nullptr;
        if (i % 2) {
            v = memo(x, y, 25, 20, "");
        } else {
            v = CreateViewOfType(4, {});
            v->PlaceAt(x, y + 15, 25, 0);
            page->AddObject(v);
        }
        v->Name = QStringLiteral("V%1").arg(i);
        v->FrameWidth = i % 4 < 2 ? 1 : 2;
        all.push_back(v);
    }
    TfrDesignerForm &d = open();
    auto widthText = [](int width) {
        return QString::number(width) + FormatSettings().DecimalSeparator + QStringLiteral("00");
    };
    select(all);
    EXPECT_EQ(shown("FrameWidth"), QString()) << "the objects differ";
    EXPECT_EQ(shown("LineSpacing"), QStringLiteral("<none>")) << "the lines lack it";

    // Picked from the Frame toolbar's list.
    const int three = d.C4->findText(QStringLiteral("3"));
    ASSERT_GE(three, 0);
    d.C4->setCurrentIndex(three);
    emit d.C4->activated(three);
    EXPECT_EQ(shown("FrameWidth"), widthText(3));
    for (const TfrView *v : all)
        ASSERT_DOUBLE_EQ(v->FrameWidth, 3) << v->Name.toStdString();

    d.Undo();
    for (size_t i = 0; i < all.size(); ++i)
        ASSERT_DOUBLE_EQ(all[i]->FrameWidth, i % 4 < 2 ? 1 : 2) << "each object its own width: " << i;
    select({ all[0], all[1] });
    EXPECT_EQ(shown("FrameWidth"), widthText(1));
    select({ all[2], all[3] });
    EXPECT_EQ(shown("FrameWidth"), widthText(2));

    d.Redo();
    select(all);
    EXPECT_EQ(shown("FrameWidth"), widthText(3));
}

TEST_F(WindowBridge, ANameInUseIsRefusedSilentlyAndARenameFollowsIntoChildLinks)
{
    TfrMemoView *a = memo(40, 40, 60, 20, "A");
    report.Pages().Add();
    memo(40, 40, 60, 20, "Elsewhere", report.Pages().GetPage(1));
    TfrBandView *header = band(btPageHeader, 0, 30, "Header");
    TfrBandView *child = band(btChild, 30, 30, "Child1");
    header->ChildBand = QStringLiteral("Child1");
    open();
    select({ a });
    type("Name", QStringLiteral("Elsewhere"));
    EXPECT_EQ(a->Name, QStringLiteral("A")) << "a name used on another page";
    type("Name", QStringLiteral("Header"));
    EXPECT_EQ(a->Name, QStringLiteral("A"));
    EXPECT_TRUE(messages.requests.isEmpty());
    EXPECT_EQ(shown("Name"), QStringLiteral("A"));
    type("Name", QStringLiteral("Total"));
    EXPECT_EQ(a->Name, QStringLiteral("Total"));
    EXPECT_EQ(designer->StatusBar1->PanelText(2), QStringLiteral("Total"));

    select({ child });
    type("Name", QStringLiteral("Details"));
    EXPECT_EQ(child->Name, QStringLiteral("Details"));
    EXPECT_EQ(header->ChildBand, QStringLiteral("Details"));
    child->Restrictions = orNoModify;
    type("Name", QStringLiteral("Other"));
    EXPECT_EQ(child->Name, QStringLiteral("Details")) << "an object that may not be modified keeps its name";
}

TEST_F(WindowBridge, ChangingThePageTypeAsksFirstAndClearsTheObjectsWithTheirSteps)
{
    TfrMemoView *m = memo(40, 40, 60, 20, "M");
    open();
    select({ m });
    type("Left", QStringLiteral("50"));
    ASSERT_EQ(designer->UndoCount(), 1);
    select({});
    messages.answer(mrNo);
    type("Type", QStringLiteral("ptDialog"));
    ASSERT_EQ(messages.requests.size(), 1);
    EXPECT_EQ(messages.lastText(), QStringLiteral("Это приведет к удалению всех объектов на странице."));
    EXPECT_EQ(messages.requests[0].caption, QStringLiteral("Предупреждение"));
    EXPECT_EQ(page->Type, 0);
    EXPECT_EQ(page->ObjectCount(), 1);
    EXPECT_EQ(shown("Type"), QStringLiteral("ptReport"));

    messages.answer(mrYes);
    type("Type", QStringLiteral("ptDialog"));
    EXPECT_EQ(page->Type, 1);
    EXPECT_EQ(page->ObjectCount(), 0);
    EXPECT_EQ(designer->UndoCount(), 0) << "the steps of the cleared objects go with them";
    EXPECT_NE(designer->PageForm, nullptr);
    EXPECT_NE(row("Caption"), -1) << "the rows are the dialog's";
    EXPECT_TRUE(report.Modified);

    type("Caption", QStringLiteral("Отбор"));
    EXPECT_EQ(page->Caption, QStringLiteral("Отбор"));
    EXPECT_EQ(designer->PageForm->windowTitle(), QStringLiteral("Отбор"));
    EXPECT_EQ(messages.requests.size(), 2) << "an empty page changes type without asking";

    DesignerRestrictions = drNoPageOptions;
    type("Caption", QStringLiteral("Нет"));
    EXPECT_EQ(page->Caption, QStringLiteral("Отбор"));
}

TEST_F(WindowBridge, SelectObjectByNameSelectsOnThisPageOrSwitchesPages)
{
    TfrMemoView *a = memo(40, 40, 60, 20, "A");
    report.Pages().Add();
    memo(40, 40, 60, 20, "B", report.Pages().GetPage(1));
    TfrDesignerForm &d = open();
    d.SelectObjectByName(QStringLiteral("A"));
    EXPECT_TRUE(a->IsSelected);
    EXPECT_EQ(d.InspForm->ObjectName, QStringLiteral("A"));
    for (const char *name : { "B", "Page3", "Page0", "PageX", "Page" }) {
        d.SelectObjectByName(QLatin1String(name));
        EXPECT_EQ(d.CurPage, 0) << name;
        EXPECT_TRUE(a->IsSelected) << name << " changes nothing";
    }
    d.SelectObjectByName(QStringLiteral("Page2"));
    EXPECT_EQ(d.CurPage, 1);
    EXPECT_EQ(d.Tab1->currentIndex(), 1);
    EXPECT_EQ(d.InspForm->ObjectName, QStringLiteral("Page2"));
}

// ---- The status bar -----------------------------------------------------------------------------------------------

TEST_F(WindowBridge, TheStatusBoxShowsPositionSizeAndScale)
{
    TfrMemoView *a = memo(36, 72, 90, 18, "A");
    TfrMemoView *b = memo(126, 72, 90, 18, "B");
    auto *picture = static_cast<TfrPictureView *>(CreateViewOfType(1, {}));
    picture->PlaceAt(300, 300, 50, 30);
    picture->Name = QStringLiteral("P");
    QImage image(100, 120, QImage::Format_RGB32);
    image.fill(Qt::red);
    picture->Picture.SetImage(image);
    page->AddObject(picture);
    TfrDesignerForm &d = open();
    auto figures = [&d] {
        const TfrDesignerForm::TStatusFigures f = d.StatusFigures();
        return QStringList { f.Position, f.Size, f.Scale };
    };

    select({ a });
    EXPECT_EQ(figures(), QStringList({ "36;72", "90;18", "" }));
    d.SetUnits(1);
    const QChar sep = FormatSettings().DecimalSeparator;
    auto mm = [sep](int a, int b) {
        return QString::number(a) + sep + QStringLiteral("00; ") + QString::number(b) + sep + QStringLiteral("00");
    };
    EXPECT_EQ(figures(), QStringList({ mm(10, 20), mm(25, 5), "" }));
    d.SetUnits(0);

    select({ picture });
    EXPECT_EQ(figures(), QStringList({ "300;300", "50;30", "% 50,25" }));

    select({ a, b });
    EXPECT_EQ(figures(), QStringList({ "36;72", "", "% 100,100" }));
    d.PageView->ActionRect.setWidth(d.PageView->ActionRectAtStart.width() * 3 / 2);
    EXPECT_EQ(figures()[2], QStringLiteral("% 150,100")) << "a group being scaled";

    select({});
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 60), QPointF(50, 60), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(d.PageView, &move);
    EXPECT_EQ(figures(), QStringList({ "50;60", "", "" })) << "with nothing selected, the mouse";

    d.PressTool(0);
    QMouseEvent tool(QEvent::MouseMove, QPointF(101, 201), QPointF(101, 201), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(d.PageView, &tool);
    EXPECT_EQ(figures()[0], QStringLiteral("100;200")) << "an object being placed shows its snapped rectangle";
    EXPECT_FALSE(figures()[1].isEmpty());
}

TEST_F(WindowBridge, TheCommandsFollowTheSelectionType)
{
    TfrBandView *header = band(btPageHeader, 0, 30, "Header");
    TfrMemoView *text = memo(10, 40, 60, 20, "T");
    auto *line = CreateViewOfType(4, {});
    line->PlaceAt(10, 80, 100, 0);
    line->Name = QStringLiteral("L");
    page->AddObject(line);
    TfrDesignerForm &d = open();
    const QByteArray copied("object");
    struct Case
    {
        const char *what;
        std::vector<TfrView *> selection;
        bool clipboard;
        int type;
    } cases[] = {
        { "nothing", {}, false, 0 },
        { "a band", { header }, false, 1 },
        { "a text object", { text }, false, 2 },
        { "a line", { line }, false, 4 },
        { "two objects", { text, line }, false, 8 },
        { "nothing, the clipboard full", {}, true, 16 },
        { "a text object, the clipboard full", { text }, true, 18 },
    };
    for (const Case &c : cases) {
        DesignerClipboard.clear();
        if (c.clipboard)
            DesignerClipboard << copied;
        select(c.selection);
        EXPECT_EQ(d.SelectionType(), c.type) << c.what;
        const bool any = !c.selection.empty();
        for (QAction *a : { d.N32, d.N33, d.FitGridAction, d.N11, d.N12, d.N27, d.N2, d.N1, d.N5 })
            EXPECT_EQ(a->isEnabled(), any) << c.what << ": " << a->objectName().toStdString();
        for (QWidget *b : std::initializer_list<QWidget *> { d.CutB, d.CopyB, d.ZB1, d.ZB2, d.GB3 })
            EXPECT_EQ(b->isEnabled(), any) << c.what << ": " << b->objectName().toStdString();
        EXPECT_EQ(d.N13->isEnabled(), c.clipboard) << c.what;
        EXPECT_EQ(d.PstB->isEnabled(), c.clipboard) << c.what;
        EXPECT_EQ(d.N36->isEnabled(), c.selection.size() == 1) << c.what;
        EXPECT_EQ(d.N6->isEnabled(), c.selection.size() == 1) << c.what;
    }
}

TEST_F(WindowBridge, ADoubleClickOnTheUnitsPanelStepsTheUnits)
{
    TfrDesignerForm &d = open();
    auto doubleClick = [&d](int x) { QTest::mouseDClick(d.StatusBar1, Qt::LeftButton, {}, QPoint(x, 8)); };
    const QStringList names { "Пикселы", "Миллиметры", "Дюймы", "Пикселы" };
    EXPECT_EQ(d.StatusBar1->PanelText(0), names[0]);
    for (int i = 1; i < names.size(); ++i) {
        doubleClick(20);
        EXPECT_EQ(d.Units, i % 3);
        EXPECT_EQ(d.StatusBar1->PanelText(0), names[i]);
    }
    doubleClick(120);
    EXPECT_EQ(d.Units, 0) << "right of the units panel nothing steps";
}

} // namespace
