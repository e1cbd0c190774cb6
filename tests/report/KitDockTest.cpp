#include "FR_Dock.h"
#include "FR_Globals.h"

#include "Registry.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TfrToolBar *MakeToolBar(QWidget *parent, const QString &name, int buttons)
{
    auto *bar = new TfrToolBar(parent);
    bar->setObjectName(name);
    for (int i = 0; i < buttons; ++i) {
        auto *b = new TfrTBButton(bar);
        b->move(20 + 22 * i, 0);
        b->resize(22, 22);
    }
    bar->AdjustSize();
    return bar;
}

// A main window as the designer builds it: a dock along each edge and toolbars in the top dock.
class MainWindow : public QWidget
{
public:
    MainWindow()
    {
        resize(640, 480);
        top = new TfrDock(this, alTop);
        top->setObjectName(QStringLiteral("frDock1"));
        bottom = new TfrDock(this, alBottom);
        bottom->setObjectName(QStringLiteral("frDock2"));
        left = new TfrDock(this, alLeft);
        left->setObjectName(QStringLiteral("frDock3"));
        right = new TfrDock(this, alRight);
        right->setObjectName(QStringLiteral("frDock4"));
        standard = MakeToolBar(this, QStringLiteral("PanelStd"), 4);
        text = MakeToolBar(this, QStringLiteral("PanelText"), 3);
        standard->AddToDock(top);
        text->DockTo(top, standard->width(), 0);
    }

    TfrDock *top, *bottom, *left, *right;
    TfrToolBar *standard, *text;
};

class RegistryScope
{
public:
    RegistryScope()
        : m_previous(TRegistry::storageFile())
    {
        TRegistry::setStorageFile(m_dir.filePath(QStringLiteral("registry.ini")));
    }
    ~RegistryScope() { TRegistry::setStorageFile(m_previous); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

} // namespace

TEST(KitDock, RowsCloseWhenTheyEmpty)
{
    QWidget form;
    form.resize(400, 300);
    TfrDock dock(&form, alTop);
    EXPECT_EQ(dock.height(), 1);
    TfrToolBar *a = MakeToolBar(&form, QStringLiteral("A"), 2);
    TfrToolBar *b = MakeToolBar(&form, QStringLiteral("B"), 2);
    a->AddToDock(&dock);
    EXPECT_EQ(dock.height(), 27);
    b->AddToDock(&dock);
    EXPECT_EQ(dock.height(), 53) << "a toolbar docked beyond the last row adds a row";
    EXPECT_EQ(b->y(), 26);

    b->hide();
    dock.AdjustBounds();
    EXPECT_EQ(dock.height(), 27);

    TfrDock bottom(&form, alBottom);
    a->AddToDock(&bottom);
    EXPECT_EQ(bottom.height(), 27);
    EXPECT_EQ(bottom.y(), form.height() - 27) << "a bottom dock grows upwards";
    EXPECT_EQ(dock.height(), 1) << "the dock it left has no visible toolbar";
}

TEST(KitDock, DraggingWithinAndOutOfADock)
{
    QWidget form;
    form.resize(400, 300);
    TfrDock dock(&form, alTop);
    TfrToolBar *a = MakeToolBar(&form, QStringLiteral("A"), 2);
    TfrToolBar *b = MakeToolBar(&form, QStringLiteral("B"), 2);
    a->AddToDock(&dock);
    b->DockTo(&dock, 200, 0);
    ASSERT_EQ(dock.height(), 27);

    EXPECT_TRUE(b->MoveTo(b->x(), 26));
    EXPECT_EQ(dock.height(), 53) << "dragged down a row, the toolbar opens a new row";
    EXPECT_FALSE(b->IsFloat());

    EXPECT_TRUE(b->MoveTo(50, 0));
    EXPECT_EQ(b->x(), a->x() + a->width()) << "pushed beside the toolbar it would cover";

    b->hide();
    dock.AdjustBounds();
    EXPECT_TRUE(a->MoveTo(a->x(), 26));
    EXPECT_TRUE(a->IsFloat()) << "the only toolbar dragged down floats: its empty row closes again";
    ASSERT_NE(a->FloatWindow(), nullptr);
    a->DragEnd();
    EXPECT_FALSE(a->FloatWindow()->Moving());
}

TEST(KitDock, DraggingPastTheStartFloatsUnlessFloatingIsOff)
{
    QWidget form;
    form.resize(400, 300);
    TfrDock dock(&form, alTop);
    TfrToolBar *a = MakeToolBar(&form, QStringLiteral("A"), 2);
    a->DockTo(&dock, 30, 0);
    a->CanFloat = false;
    EXPECT_TRUE(a->MoveTo(-21, 0));
    EXPECT_FALSE(a->IsFloat());
    EXPECT_EQ(a->x(), 0) << "pressed against the start";

    a->CanFloat = true;
    a->DragStart(QPoint(100, 10));
    a->DragMove(QPoint(120, 10));
    EXPECT_EQ(a->x(), 20) << "one pixel along the dock per pixel of the mouse";
    a->DragMove(QPoint(120, 20));
    EXPECT_EQ(a->y(), 0) << "less than a row across does not move it";
    a->DragMove(QPoint(79, 10));
    EXPECT_TRUE(a->IsFloat());
    a->DragEnd();
}

TEST(KitDock, AFloatingToolBarDroppedOnTheLeftDockTurnsVertical)
{
    MainWindow w;
    w.show();
    TfrToolBar *bar = w.text;
    const QSize horizontal = bar->size();
    bar->Float(300, 300);
    ASSERT_TRUE(bar->IsFloat());

    bar->Orientation = toHorzOnly;
    const QPoint overLeft(w.left->x() + 1, w.left->y() + 30);
    EXPECT_FALSE(bar->TryDockAt(&w, overLeft));
    EXPECT_TRUE(bar->IsFloat());

    bar->Orientation = toAny;
    EXPECT_TRUE(bar->TryDockAt(&w, overLeft));
    bar->DragEnd();
    EXPECT_FALSE(bar->IsFloat());
    EXPECT_EQ(bar->Dock(), w.left);
    EXPECT_EQ(bar->size(), horizontal.transposed());
    for (QObject *o : bar->children()) {
        if (auto *button = qobject_cast<TfrTBButton *>(o)) {
            EXPECT_EQ(GetControlAlign(button), alTop);
        }
    }
    EXPECT_EQ(w.left->width(), 27);
}

TEST(KitDockPlacement, ToolBarsComeBackAtTheNextStart)
{
    RegistryScope registry;
    QPoint floatAt;
    int bottomDepth = 0;
    {
        MainWindow w;
        w.show();
        w.standard->Float(200, 150);
        w.standard->SetVisible(true);
        floatAt = w.standard->FloatWindow()->pos();
        w.text->DockTo(w.bottom, 40, 0);
        w.text->SetVisible(false);
        bottomDepth = w.bottom->height();
        WriteToolbarPlacement(w.standard);
        WriteToolbarPlacement(w.text);
        WriteFormPlacement(&w);
    }
    TRegistry check;
    check.OpenKey(EngineRegistryKey() + QStringLiteral("\\ToolBar\\PanelStd"), false);
    EXPECT_EQ(check.ReadString(QStringLiteral("isFloat")), QStringLiteral("1"));
    EXPECT_FALSE(check.ValueExists(QStringLiteral("DockName")));

    MainWindow next;
    next.show();
    ReadToolbarPlacement(next.standard);
    ReadToolbarPlacement(next.text);
    EXPECT_TRUE(next.standard->IsFloat());
    ASSERT_NE(next.standard->FloatWindow(), nullptr);
    EXPECT_EQ(next.standard->FloatWindow()->pos(), floatAt);
    EXPECT_TRUE(next.standard->IsVisible());
    EXPECT_EQ(next.text->Dock(), next.bottom);
    EXPECT_EQ(next.text->x(), 40);
    EXPECT_FALSE(next.text->IsVisible());
    EXPECT_EQ(next.bottom->height(), bottomDepth);
}

TEST(KitDockPlacement, MissingOrBadValuesFallBackToTheDefaults)
{
    RegistryScope registry;
    MainWindow w;
    w.show();
    const QRect bounds = w.geometry();
    ReadFormPlacement(&w);
    EXPECT_EQ(w.geometry(), bounds) << "nothing stored leaves the window as it is";

    {
        TRegistry reg;
        reg.OpenKey(EngineRegistryKey() + QStringLiteral("\\ToolBar\\PanelText"), true);
        reg.WriteString(QStringLiteral("XPosition"), QStringLiteral("left"));
        reg.WriteString(QStringLiteral("DockName"), QStringLiteral("NoSuchDock"));
        reg.WriteString(QStringLiteral("isVisible"), QStringLiteral("yes"));
        reg.CloseKey();
        reg.OpenKey(EngineRegistryKey() + QStringLiteral("\\Form\\QWidget"), true);
        reg.WriteString(QStringLiteral("Width"), QStringLiteral("500"));
        reg.WriteString(QStringLiteral("Height"), QStringLiteral(""));
        reg.CloseKey();
    }
    const int x = w.text->x();
    ReadToolbarPlacement(w.text);
    EXPECT_EQ(w.text->Dock(), w.top) << "a dock name that names no dock is ignored";
    EXPECT_EQ(w.text->x(), x);
    EXPECT_TRUE(w.text->IsVisible());

    ReadFormPlacement(&w);
    EXPECT_EQ(w.width(), 500);
    EXPECT_EQ(w.height(), bounds.height());
}
