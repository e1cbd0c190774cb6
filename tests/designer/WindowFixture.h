#pragma once

// A designer window on a report of one page, built non-modally, with a temporary registry and fake boxes and
// dialogs.
#include "FR_Desgn.h"

#include "FR_Class.h"

#include "Registry.h"
#include "ServiceFakes.h"

#include <QTest>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

class WindowFixture : public ::testing::Test
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
        page = report.Pages().GetPage(0);
    }
    void TearDown() override
    {
        designer.reset();
        options.reset();
        DesignerRestrictions = 0;
        frResetEngine();
    }

    TfrDesignerForm &open(bool templateMode = true, const QSize &size = QSize(1100, 800))
    {
        designer = std::make_unique<TfrDesignerForm>(templateMode);
        frEngine().CurrentDesigner = designer.get();
        designer->resize(size);
        designer->show();
        return *designer;
    }
    TfrMemoView *memo(int x, int y, int w, int h, const char *name, TfrPage *on = nullptr)
    {
        auto *v = static_cast<TfrMemoView *>(CreateViewOfType(0, {}));
        v->PlaceAt(x, y, w, h);
        v->Name = QLatin1String(name);
        (on ? on : page)->AddObject(v);
        return v;
    }
    TfrBandView *band(int type, int top, int height, const char *name)
    {
        auto *b = static_cast<TfrBandView *>(CreateViewOfType(2, {}));
        b->SetBandType(type);
        b->PlaceAt(0, top, 700, height);
        b->Name = QLatin1String(name);
        page->AddObject(b);
        return b;
    }
    // Selects the objects as a click and Shift-clicks would.
    void select(std::initializer_list<TfrView *> views) { select(std::vector<TfrView *>(views)); }
    void select(const std::vector<TfrView *> &views)
    {
        designer->Unselect();
        for (TfrView *v : views)
            v->IsSelected = true;
        designer->PageView->SelectedCount = int(views.size());
        designer->PageView->LastSelected = views.size() == 1 ? views.front() : nullptr;
        designer->PageView->CalcSelectionBounds();
        designer->SelectionChanged();
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(designer.get(), Qt::Key(k), mods); }
    static QRect bounds(const TfrView *v) { return QRect(v->Left, v->Top, v->Width, v->Height); }

    // Declared first, so that they outlive the windows that use them.
    FakeMessageService messages;
    FakeDialogService dialogs;
    TfrReport report;
    TfrPage *page = nullptr;
    std::unique_ptr<TfrDesigner> options;
    std::unique_ptr<TfrDesignerForm> designer;
};
