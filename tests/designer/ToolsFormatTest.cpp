// The Text and Frame toolbars: attributes spread over the selection, last-used attributes, the toolbars showing the
// selection, the colour buttons and the formatting keys.
#include "WindowFixture.h"

#include "FR_Color.h"
#include "FR_Combo.h"
#include "FR_Dock.h"

#include <QLineEdit>

namespace {

class ToolsFormat : public WindowFixture
{
protected:
    TfrView *line(int x, int y, int w, const char *name)
    {
        TfrView *v = CreateViewOfType(4, {});
        v->PlaceAt(x, y, w, 0);
        v->Name = QLatin1String(name);
        page->AddObject(v);
        return v;
    }
    static void clickButton(TfrSpeedButton *b)
    {
        ASSERT_TRUE(b->isEnabled()) << b->objectName().toStdString();
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
    }
    // Types into a toolbar box and presses Enter, as the user does.
    void typeInto(TfrComboBox *box, const QString &text)
    {
        box->setFocus();
        box->lineEdit()->setText(text);
        key(Qt::Key_Return);
    }
};

TEST_F(ToolsFormat, BoldReachesTextObjectsOnlyAndAFrameWidthEveryObjectAndBothLastUsedWidths)
{
    TfrMemoView *m = memo(40, 40, 80, 20, "M");
    TfrView *l = line(40, 100, 80, "L");
    TfrDesignerForm &d = open();
    select({ m, l });
    const int steps = d.UndoCount();
    clickButton(d.FnB1);
    EXPECT_EQ(m->Font.Style, 2);
    EXPECT_EQ(LastUsed.FontStyle, 2);
    typeInto(d.C4, QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(m->FrameWidth, 2.5);
    EXPECT_DOUBLE_EQ(l->FrameWidth, 2.5);
    EXPECT_DOUBLE_EQ(LastUsed.FrameWidth, 2.5);
    EXPECT_DOUBLE_EQ(LastUsed.LineWidth, 2.5);
    EXPECT_EQ(d.UndoCount(), steps + 2) << "each change is one undo step";
    d.Undo();
    EXPECT_DOUBLE_EQ(l->FrameWidth, 1.0) << "the width is undone";
    EXPECT_EQ(m->Font.Style, 2);
}

TEST_F(ToolsFormat, EachControlSetsItsAttributeAndTheLastUsedOne)
{
    TfrMemoView *m = memo(40, 40, 80, 20, "M");
    TfrDesignerForm &d = open();
    struct Case
    {
        const char *what;
        std::function<void()> act;
        std::function<bool()> done;
    } cases[] = {
        { "centred", [&] { clickButton(d.AlB3); }, [&] { return (m->Alignment & 3) == frtaCenter; } },
        { "justified", [&] { clickButton(d.AlB8); }, [&] { return (m->Alignment & 3) == frtaJustify; } },
        { "at the bottom", [&] { clickButton(d.AlB7); },
            [&] { return (m->Alignment & 24) == frtaDown && LastUsed.Alignment == m->Alignment; } },
        { "turned", [&] { clickButton(d.AlB4); }, [&] { return (m->Alignment & frtaVertical) != 0; } },
        { "top line", [&] { clickButton(d.FrB1); }, [&] { return m->FrameTyp == 8; } },
        { "all lines", [&] { clickButton(d.FrB5); }, [&] { return m->FrameTyp == 15 && LastUsed.FrameType == 15; } },
        { "no lines", [&] { clickButton(d.FrB6); }, [&] { return m->FrameTyp == 0 && LastUsed.FrameType == 0; } },
        { "size typed", [&] { typeInto(d.C3, QStringLiteral("14")); },
            [&] { return m->Font.Size == 14 && LastUsed.FontSize == 14; } },
        { "dash-dot frame", [&] {
             clickButton(d.StB1);
             clickButton(d.LinePanel->findChild<TfrSpeedButton *>(QStringLiteral("frSpeedButton4")));
         },
            [&] { return m->FrameStyle == 3 && d.LinePanel->isHidden(); } },
        { "red frame", [&] {
             clickButton(d.ClB3);
             clickButton(d.ColorSelector->Button(10));
         },
            [&] { return m->FrameColor == clRed && LastUsed.FrameColor == clRed; } },
        { "navy text", [&] {
             clickButton(d.ClB2);
             clickButton(d.ColorSelector->Button(5));
         },
            [&] { return m->Font.Color == 0x800000 && ColorButtonGlyphColor(d.ClB2->Glyph()) == 0x800000; } },
    };
    for (const Case &c : cases) {
        select({ m });
        const int steps = d.UndoCount();
        c.act();
        EXPECT_TRUE(c.done()) << c.what;
        EXPECT_EQ(d.UndoCount(), steps + 1) << c.what;
    }
}

TEST_F(ToolsFormat, ChoosingTransparentFillShowsTheButtonFaceStripe)
{
    TfrMemoView *m = memo(40, 40, 80, 20, "M");
    m->FillColor = clRed;
    TfrDesignerForm &d = open();
    select({ m });
    const QImage red = d.ClB1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QRect bar;
    for (int y = 0; y < red.height(); ++y)
        for (int x = 0; x < red.width(); ++x)
            if (red.pixel(x, y) == qRgb(255, 0, 0))
                bar |= QRect(x, y, 1, 1);
    ASSERT_FALSE(bar.isEmpty()) << "the glyph shows the fill colour";

    clickButton(d.ClB1);
    ASSERT_TRUE(d.ColorSelector->isVisible());
    EXPECT_EQ(d.ColorSelector->Color, clRed) << "the picker starts from the button's colour";
    clickButton(d.ColorSelector->Button(TColorSelector::TransparentTag));
    EXPECT_EQ(m->FillColor, clTransparent);
    EXPECT_EQ(LastUsed.FillColor, clTransparent);
    const QImage clear = d.ClB1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb face = toQColor(clBtnFace).rgb();
    int stripe = 0;
    for (int x = bar.left(); x <= bar.right(); ++x) {
        EXPECT_NE(clear.pixel(x, bar.top()), qRgb(255, 0, 0));
        stripe += clear.pixel(x, bar.top()) == face;
    }
    EXPECT_GE(stripe, 14) << "a line of button face across the bar";
}

TEST_F(ToolsFormat, KeysOfTheToolbarsReachTheSelectionButRestrictedObjects)
{
    TfrMemoView *a = memo(40, 40, 80, 20, "A");
    TfrMemoView *b = memo(40, 80, 80, 20, "B");
    TfrMemoView *fixed = memo(40, 120, 80, 20, "Fixed");
    fixed->Restrictions = orNoModify;
    TfrDesignerForm &d = open();
    const int steps = d.UndoCount();
    struct Case
    {
        const char *what;
        Qt::Key key;
        std::vector<TfrView *> selection;
        std::function<bool(const TfrMemoView *)> changed;
    } cases[] = {
        { "Ctrl+3 sets width 3", Qt::Key_3, { a, b, fixed }, [](const TfrMemoView *v) { return v->FrameWidth == 3; } },
        { "Ctrl+F draws every line", Qt::Key_F, { a, b, fixed }, [](const TfrMemoView *v) { return v->FrameTyp == 15; } },
        { "Ctrl+D takes them away", Qt::Key_D, { a, b, fixed }, [](const TfrMemoView *v) { return v->FrameTyp == 0; } },
        { "Ctrl+B bolds one object", Qt::Key_B, { a }, [](const TfrMemoView *v) { return v->Font.Style == 2; } },
        { "Ctrl+I slants it", Qt::Key_I, { a }, [](const TfrMemoView *v) { return v->Font.Style == 3; } },
        { "Ctrl+U underlines it", Qt::Key_U, { a }, [](const TfrMemoView *v) { return v->Font.Style == 7; } },
        { "Ctrl+B again takes bold away", Qt::Key_B, { a }, [](const TfrMemoView *v) { return v->Font.Style == 5; } },
        { "Ctrl+B needs a single object", Qt::Key_B, { a, b }, [](const TfrMemoView *v) { return v->Font.Style == 2; } },
    };
    fixed->FrameTyp = 4;
    for (const Case &c : cases) {
        select(c.selection);
        key(c.key, Qt::ControlModifier);
        for (TfrView *v : c.selection) {
            const bool expected = v != fixed && !(c.key == Qt::Key_B && c.selection.size() > 1);
            EXPECT_EQ(c.changed(static_cast<TfrMemoView *>(v)), expected) << c.what << ": " << v->Name.toStdString();
        }
    }
    EXPECT_EQ(fixed->FrameWidth, 1) << "a restricted object keeps its attributes";
    EXPECT_EQ(fixed->FrameTyp, 4);
    EXPECT_EQ(d.UndoCount(), steps + 7) << "one step a key; Ctrl+B with two objects does nothing";
}

TEST_F(ToolsFormat, TheToolbarsShowTheSelectionWithoutApplyingIt)
{
    TfrMemoView *m = memo(40, 40, 80, 20, "M");
    m->Font = TfrFont { QStringLiteral("Courier New"), 12, 2 | 4, 0xFF0000, 204 };
    m->Alignment = frtaRight | frtaVertical | frtaMiddle;
    m->FrameTyp = 8 | 1;
    m->FrameWidth = 3;
    m->FillColor = clYellow;
    m->FrameColor = clRed;
    TfrView *l = line(40, 100, 80, "L");
    l->FrameWidth = 2;
    TfrMemoView *plain = memo(40, 140, 80, 20, "Plain");
    TfrDesignerForm &d = open();
    const int steps = d.UndoCount();
    auto downs = [&](std::initializer_list<TfrTBButton *> buttons) {
        QString s;
        for (TfrTBButton *b : buttons)
            s += b->Down() ? u'1' : u'0';
        return s;
    };

    select({ m });
    EXPECT_EQ(downs({ d.FrB1, d.FrB2, d.FrB3, d.FrB4 }), QStringLiteral("1001"));
    EXPECT_EQ(d.C4->currentText(), QStringLiteral("3"));
    EXPECT_EQ(ColorButtonGlyphColor(d.ClB1->Glyph()), clYellow);
    EXPECT_EQ(ColorButtonGlyphColor(d.ClB3->Glyph()), clRed);
    EXPECT_EQ(ColorButtonGlyphColor(d.ClB2->Glyph()), 0xFF0000);
    EXPECT_EQ(d.C2->currentText(), QStringLiteral("Courier New"));
    EXPECT_EQ(d.C3->currentText(), QStringLiteral("12"));
    EXPECT_EQ(downs({ d.FnB1, d.FnB2, d.FnB3 }), QStringLiteral("101"));
    EXPECT_EQ(downs({ d.AlB1, d.AlB2, d.AlB3, d.AlB8 }), QStringLiteral("0100"));
    EXPECT_EQ(downs({ d.AlB6, d.AlB5, d.AlB7, d.AlB4 }), QStringLiteral("0101"));
    EXPECT_TRUE(d.C2->isEnabled() && d.FrB1->isEnabled());

    select({ l });
    EXPECT_EQ(d.C4->currentText(), QStringLiteral("2"));
    EXPECT_FALSE(d.C2->isEnabled() || d.FnB1->isEnabled() || d.AlB1->isEnabled()) << "text controls are off";
    EXPECT_TRUE(d.C4->isEnabled());

    select({ m, plain });
    EXPECT_EQ(downs({ d.FrB1, d.FrB2, d.FrB3, d.FrB4, d.FnB1, d.FnB2, d.FnB3 }), QStringLiteral("0000000"));
    EXPECT_EQ(d.C4->currentText(), QStringLiteral("1"));
    EXPECT_TRUE(d.C2->currentText().isEmpty());
    EXPECT_TRUE(d.C3->currentText().isEmpty());
    EXPECT_EQ(downs({ d.AlB1, d.AlB4 }), QStringLiteral("10"));

    EXPECT_EQ(d.UndoCount(), steps) << "showing the attributes applies none of them";
    EXPECT_EQ(m->Font.Style, 6);
    EXPECT_EQ(m->Alignment, frtaRight | frtaVertical | frtaMiddle);
    EXPECT_EQ(plain->FrameWidth, 1);
    EXPECT_EQ(plain->Font.Style, 0);

    d.UpdatingControls = true;
    d.ApplyAttribute(9);
    EXPECT_EQ(d.UndoCount(), steps) << "a click while the toolbars are filled is ignored";
    d.UpdatingControls = false;
}

TEST_F(ToolsFormat, ANumberThatDoesNotReadChangesNothingAndIsReported)
{
    TfrMemoView *m = memo(40, 40, 80, 20, "M");
    TfrDesignerForm &d = open();
    select({ m });
    const int steps = d.UndoCount();
    typeInto(d.C3, QStringLiteral("12pt"));
    EXPECT_EQ(m->Font.Size, 10);
    typeInto(d.C4, QStringLiteral("thick"));
    EXPECT_EQ(m->FrameWidth, 1);
    EXPECT_EQ(messages.requests.size(), 2);
    EXPECT_TRUE(messages.lastText().contains(QStringLiteral("thick")));
    EXPECT_EQ(d.UndoCount(), steps);
}

TEST_F(ToolsFormat, DeleteWithABoxFocusedDeletesNoObject)
{
    TfrMemoView *m = memo(40, 40, 80, 20, "M");
    TfrDesignerForm &d = open();
    select({ m });
    for (QWidget *box : std::initializer_list<QWidget *> { d.C3, d.C4 }) {
        box->setFocus();
        key(Qt::Key_Delete);
        EXPECT_EQ(page->ObjectCount(), 1) << box->objectName().toStdString();
    }
    d.PageView->setFocus();
    key(Qt::Key_Delete);
    EXPECT_EQ(page->ObjectCount(), 0) << "the page's Delete still deletes";
}

} // namespace
