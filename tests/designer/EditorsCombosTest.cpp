// The designer's combo boxes, the font box's remembered fonts, the colour selector and the colour-button glyph.
#include "FR_Color.h"
#include "FR_Combo.h"
#include "FR_Globals.h"

#include "Registry.h"
#include "ServiceFakes.h"
#include "WidgetKit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QRgb pixel(QWidget *w, int x, int y)
{
    return w->grab().toImage().pixel(x, y);
}

QRgb rgb(TColor color)
{
    return toQColor(color).rgb();
}

// ---- the combo box

class EditorsCombo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TRegistry::useTemporaryStorage();
        // Something else has the focus, as a focused box is drawn hot.
        auto *focused = new QLineEdit(&window);
        focused->setGeometry(10, 40, 50, 16);
        combo = new TfrComboBox(&window);
        combo->addItems({ "8", "9", "10", "11", "12" });
        combo->setGeometry(10, 10, 100, combo->sizeHint().height());
        window.resize(200, 60);
        window.move(0, 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        focused->setFocus();
    }

    QWidget window;
    TfrComboBox *combo = nullptr;
};

TEST_F(EditorsCombo, IsFlatUntilTheMouseIsOverItAndKeepsItsEditInsideTheFrame)
{
    const int w = combo->width(), h = combo->height();
    EXPECT_EQ(h, combo->ItemHeight() + 8);
    EXPECT_EQ(combo->lineEdit()->geometry(), QRect(3, 3, w - combo->ButtonWidth() - 7, h - 6));
    combo->resize(140, h);
    EXPECT_EQ(combo->lineEdit()->geometry(), QRect(3, 3, 140 - combo->ButtonWidth() - 7, h - 6));

    EXPECT_FALSE(combo->IsHot());
    EXPECT_EQ(pixel(combo, 0, 0), rgb(clBtnFace)) << "flat: framed in the button face";
    const int arrowX = combo->ButtonWidth() / 2 + combo->width() - combo->ButtonWidth() - 4;
    const int arrowY = (h - 4) / 2 + 1;
    EXPECT_EQ(pixel(combo, arrowX + 4, arrowY), qRgb(0, 0, 0));
    EXPECT_EQ(pixel(combo, arrowX + 2, arrowY + 2), qRgb(0, 0, 0));
    EXPECT_NE(pixel(combo, arrowX + 1, arrowY + 2), qRgb(0, 0, 0));

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(15, 15));
    QApplication::sendEvent(combo, &enter);
    EXPECT_TRUE(combo->IsHot());
    EXPECT_EQ(pixel(combo, 0, 0), rgb(clBtnShadow)) << "hot: a sunken edge";
    EXPECT_EQ(pixel(combo, combo->width() - 1, h - 1), rgb(clBtnHighlight));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(combo, &leave);
    EXPECT_FALSE(combo->IsHot());
    EXPECT_EQ(pixel(combo, 0, 0), rgb(clBtnFace));

    combo->setEnabled(false);
    EXPECT_EQ(pixel(combo, 2, 2), rgb(clWindow)) << "disabled: a window-colour frame inset by 2";
    EXPECT_EQ(pixel(combo, 1, 1), rgb(clBtnFace));

    combo->setEnabled(true);
    combo->SetReadOnly(true);
    EXPECT_TRUE(combo->lineEdit()->isReadOnly());
    QFont bigger = combo->font();
    bigger.setPointSize(bigger.pointSize() * 2);
    combo->setFont(bigger);
    EXPECT_EQ(combo->ItemHeight(), GetTextMetric(bigger).Height);
}

TEST_F(EditorsCombo, TheListOpensBelowOrUpwardNearTheScreensBottom)
{
    const QRect screen = ScreenWorkArea(QPoint(0, 0));
    for (const bool nearBottom : { false, true }) {
        window.move(0, nearBottom ? screen.bottom() - 40 : screen.top());
        QCoreApplication::processEvents();
        combo->showPopup();
        QWidget *list = combo->view()->window();
        ASSERT_TRUE(list->isVisible());
        EXPECT_TRUE(combo->DroppedDown());
        EXPECT_TRUE(combo->IsHot());
        const QPoint top = combo->mapToGlobal(QPoint(0, 0));
        const QRect placed = list->geometry();
        EXPECT_EQ(placed.size(), QSize(combo->width() - 1, 5 * combo->ItemHeight() + 4));
        EXPECT_EQ(placed.left(), top.x());
        EXPECT_EQ(combo->ListOpenedUpward(), nearBottom);
        if (nearBottom)
            EXPECT_EQ(placed.bottom(), top.y() - 3) << "two pixels above the box";
        else
            EXPECT_EQ(placed.top(), top.y() + combo->height());
        combo->hidePopup();
        EXPECT_FALSE(combo->DroppedDown());
    }
}

// ---- the font box

class EditorsFontCombo : public ::testing::Test
{
protected:
    void SetUp() override { TRegistry::useTemporaryStorage(); }

    // The font box shown in a window, filled as it is first shown.
    TfrFontComboBox &shown(bool showMRU = true)
    {
        combo = new TfrFontComboBox(&window);
        combo->ShowMRU = showMRU;
        combo->OnClick = [this](QObject *) { clicked << combo->currentText(); };
        window.resize(300, 60);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        return *combo;
    }

    QStringList head() const
    {
        QStringList names;
        for (int i = 0; i <= combo->LastMRUIndex; ++i)
            names << combo->itemText(i);
        return names;
    }

    // Opens the list and takes a font with the keyboard: its row among the remembered fonts, or else in the
    // alphabetical part.
    void choose(const QString &name, bool remembered = false)
    {
        combo->showPopup();
        ASSERT_TRUE(combo->Preview->isVisible());
        int row = -1;
        for (int i = 0; i < combo->count() && row < 0; ++i)
            if (combo->itemText(i) == name && (remembered == (i <= combo->LastMRUIndex)))
                row = i;
        ASSERT_GE(row, 0) << name.toStdString();
        combo->view()->setCurrentIndex(combo->model()->index(row, 0));
        EXPECT_EQ(combo->Preview->Panel->text(), name) << "the font under the cursor is shown in itself";
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_FALSE(combo->Preview->isVisible());
    }

    static QString read(const QString &value)
    {
        TRegistry registry;
        registry.OpenKey(QStringLiteral("\\Software\\ReportDesigner\\MRUFont"), true);
        return registry.ValueExists(value) ? registry.ReadString(value) : QStringLiteral("<none>");
    }
    static void write(const QString &value, const QString &text)
    {
        TRegistry registry;
        registry.OpenKey(QStringLiteral("\\Software\\ReportDesigner\\MRUFont"), true);
        registry.WriteString(value, text);
        registry.CloseKey();
    }

    QWidget window;
    TfrFontComboBox *combo = nullptr;
    QStringList clicked;
};

TEST_F(EditorsFontCombo, ListsTheInstalledFamiliesAndTheTemplateNamesMarkingTheScalableOnes)
{
    TfrFontComboBox &box = shown();
    EXPECT_EQ(box.LastMRUIndex, -1);
    EXPECT_EQ(box.DropDownCount(), 12);
    EXPECT_EQ(box.PictureIndent(), 16);
    EXPECT_TRUE(box.lineEdit()->isReadOnly());
    QStringList names;
    for (int i = 0; i < box.count(); ++i)
        names << box.itemText(i);
    for (const QString &family : QFontDatabase::families())
        EXPECT_EQ(names.count(family), 1) << family.toStdString();
    for (const char *name : { "Arial", "Courier New", "Times New Roman" }) {
        ASSERT_EQ(names.count(name), 1) << name;
        EXPECT_EQ(box.FontType(box.findText(name)), TfrFontComboBox::TrueTypeFont) << name;
    }
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
        [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(read("Font0"), QString()) << "the empty slots are written";
    EXPECT_EQ(read("FontType4"), QStringLiteral("0"));
}

TEST_F(EditorsFontCombo, RememberedFontsHeadTheListAndOneNoLongerInstalledIsForgotten)
{
    write("Font0", "Liberation Serif");
    write("FontType0", "4");
    write("Font1", "Gone Grotesk 1997");
    write("FontType1", "4");
    write("Font2", "DejaVu Sans");
    write("FontType2", "four");
    TfrFontComboBox &box = shown();
    EXPECT_EQ(head(), QStringList({ "Liberation Serif", "DejaVu Sans" }));
    EXPECT_EQ(box.FontType(0), 4);
    EXPECT_EQ(box.FontType(1), 0) << "a type that is no number reads as 0";
    EXPECT_EQ(box.findText("Gone Grotesk 1997"), -1);
    EXPECT_EQ(read("Font1"), QString());
    EXPECT_EQ(read("FontType1"), QStringLiteral("0"));
    EXPECT_EQ(read("Font0"), QStringLiteral("Liberation Serif"));

    box.setCurrentIndex(box.findText("Liberation Mono"));
    box.FillFonts();
    EXPECT_EQ(head(), QStringList({ "Liberation Serif", "DejaVu Sans" })) << "a second fill starts afresh";
    EXPECT_EQ(box.currentText(), QStringLiteral("Liberation Mono")) << "the shown font stays";
}

TEST_F(EditorsFontCombo, AChosenFontGoesToTheTopAndASixthDropsTheOldest)
{
    TfrFontComboBox &box = shown();
    QStringList fonts;
    for (int i = 1; i < box.count() && fonts.size() < 6; ++i)
        fonts << box.itemText(i);
    ASSERT_EQ(fonts.size(), 6);
    for (int i = 0; i < 5; ++i)
        choose(fonts[i]);
    EXPECT_EQ(head(), QStringList({ fonts[4], fonts[3], fonts[2], fonts[1], fonts[0] }));
    EXPECT_EQ(clicked, fonts.mid(0, 5));
    choose(fonts[5]);
    EXPECT_EQ(head(), QStringList({ fonts[5], fonts[4], fonts[3], fonts[2], fonts[1] }));
    EXPECT_EQ(read("Font0"), fonts[5]);
    EXPECT_EQ(read("Font4"), fonts[1]);
    EXPECT_EQ(box.currentIndex(), 0);

    const int count = box.count();
    choose(fonts[2], true);
    EXPECT_EQ(head(), QStringList({ fonts[2], fonts[5], fonts[4], fonts[3], fonts[1] }));
    EXPECT_EQ(box.count(), count) << "moved, not copied";
    EXPECT_EQ(read("Font0"), fonts[2]);
    EXPECT_EQ(read("Font1"), fonts[5]);

    write("Font0", "untouched");
    choose(fonts[2], true);
    EXPECT_EQ(head(), QStringList({ fonts[2], fonts[5], fonts[4], fonts[3], fonts[1] }));
    EXPECT_EQ(read("Font0"), QStringLiteral("untouched")) << "the first item changes nothing";
}

TEST_F(EditorsFontCombo, WithoutRememberedFontsTheRegistryIsNeitherReadNorWritten)
{
    write("Font0", "Gone Grotesk 1997");
    TfrFontComboBox &box = shown(false);
    EXPECT_EQ(box.LastMRUIndex, -1);
    choose(box.itemText(3));
    EXPECT_EQ(box.LastMRUIndex, -1);
    EXPECT_EQ(clicked.size(), 1);
    EXPECT_EQ(read("Font0"), QStringLiteral("Gone Grotesk 1997"));
    EXPECT_EQ(read("Font1"), QStringLiteral("<none>"));
}

// ---- the colour selector and the colour-button glyph

class EditorsColorSelector : public ::testing::Test
{
protected:
    void SetUp() override
    {
        owner.resize(200, 200);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
        selector.OnColorSelected = [this](QObject *) { chosen << selector.Color; };
    }

    void pick(int tag)
    {
        selector.show();
        QTest::mouseClick(selector.Button(tag), Qt::LeftButton);
    }

    FakeDialogService dialogs;
    QWidget owner;
    TColorSelector selector { &owner };
    QList<TColor> chosen;
};

TEST_F(EditorsColorSelector, EachButtonChoosesItsColourAndHidesThePanel)
{
    EXPECT_EQ(selector.size(), QSize(96, 132));
    EXPECT_EQ(selector.Button(6)->geometry(), QRect(2 * 22 + 4, 1 * 22 + 4, 22, 22));
    EXPECT_EQ(selector.Button(TColorSelector::TransparentTag)->geometry(), QRect(4, 92, 88, 18));
    EXPECT_EQ(selector.Button(TColorSelector::TransparentTag)->Caption(), QStringLiteral("Прозрачный"));
    EXPECT_EQ(selector.Button(TColorSelector::OtherTag)->geometry(), QRect(4, 110, 88, 18));
    EXPECT_EQ(selector.Button(TColorSelector::OtherTag)->Caption(), QStringLiteral("Другой..."));

    const QImage swatch = selector.Button(10)->Glyph().toImage();
    EXPECT_EQ(swatch.size(), QSize(16, 17));
    EXPECT_EQ(swatch.pixel(8, 8), rgb(clRed));
    EXPECT_EQ(swatch.pixel(0, 0), rgb(clBtnShadow));
    EXPECT_EQ(swatch.pixel(0, 16), rgb(clBtnFace));

    const struct
    {
        int tag;
        TColor color;
    } cases[] = { { 0, clWhite }, { 1, clBlack }, { 10, clRed }, { 15, clAqua }, { 16, clTransparent } };
    for (const auto &c : cases) {
        chosen.clear();
        pick(c.tag);
        EXPECT_EQ(chosen, QList<TColor> { c.color }) << c.tag;
        EXPECT_FALSE(selector.isVisible()) << c.tag;
        EXPECT_TRUE(selector.Button(c.tag)->Down()) << c.tag;
    }
}

TEST_F(EditorsColorSelector, TheOtherColourComesFromTheDialogAndCancellingChangesNothing)
{
    selector.ShowColor(clGreen);
    dialogs.answerColor(std::nullopt);
    pick(TColorSelector::OtherTag);
    EXPECT_TRUE(chosen.isEmpty());
    EXPECT_EQ(selector.Color, clGreen);
    EXPECT_FALSE(selector.isVisible());

    dialogs.answerColor(QColor(0x12, 0x34, 0x56));
    pick(TColorSelector::OtherTag);
    EXPECT_EQ(chosen, QList<TColor> { 0x563412 });
    EXPECT_FALSE(selector.isVisible());
}

TEST_F(EditorsColorSelector, ShowColorPressesTheColoursButtonOrShowsItOnTheOtherButton)
{
    TfrSpeedButton *other = selector.Button(TColorSelector::OtherTag);
    selector.ShowColor(clTransparent);
    EXPECT_TRUE(selector.Button(TColorSelector::TransparentTag)->Down());
    EXPECT_TRUE(other->Glyph().isNull());

    selector.ShowColor(0x123456);
    EXPECT_EQ(selector.Color, 0x123456);
    EXPECT_FALSE(selector.Button(TColorSelector::TransparentTag)->Down());
    EXPECT_TRUE(other->Down());
    const QImage glyph = other->Glyph().toImage();
    EXPECT_EQ(glyph.size(), QSize(12, 13));
    EXPECT_EQ(glyph.pixel(5, 5), rgb(0x123456));
    EXPECT_EQ(glyph.pixel(0, 0), rgb(clBtnShadow));

    selector.ShowColor(clRed);
    EXPECT_TRUE(selector.Button(10)->Down());
    EXPECT_FALSE(other->Down());
    EXPECT_TRUE(other->Glyph().isNull());
}

TEST(EditorsColorGlyph, TheBarShowsTheColourAndTransparentLeavesItEmptyUnderAFaceLine)
{
    for (int cell : { cgFontColor, cgFillColor, cgFrameColor }) {
        const QPixmap blue = ColorButtonGlyph(cell, clBlue);
        const QImage image = blue.toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(32, 16)) << cell;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 32; ++x)
                EXPECT_NE(image.pixel(x, y), 0xFFFF0000u) << "no red left at " << x << "," << y;
        for (int x = 1; x <= 14; ++x)
            EXPECT_EQ(image.pixel(x, 14), rgb(clBlue)) << cell << " " << x;
        EXPECT_EQ(qAlpha(image.pixel(0, 15)), 0) << "the glyph's ground stays transparent";
        EXPECT_EQ(ColorButtonGlyphColor(blue), clBlue);

        const QPixmap none = ColorButtonGlyph(cell, clTransparent);
        const QImage empty = none.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int x = 1; x <= 14; ++x) {
            EXPECT_EQ(empty.pixel(x, 13), rgb(clBtnFace)) << x;
            EXPECT_EQ(qAlpha(empty.pixel(x, 14)), 0) << x;
        }
        EXPECT_EQ(ColorButtonGlyphColor(none), clTransparent);
        EXPECT_EQ(ColorButtonGlyphColor(ColorButtonGlyph(cell, clRed)), clRed);
    }

    TfrSpeedButton button;
    SetColorButtonGlyph(&button, cgFillColor, clGreen);
    EXPECT_EQ(button.NumGlyphs(), 2);
    EXPECT_EQ(button.GlyphImage(TfrSpeedButton::bsUp).pixel(2, 14), rgb(clGreen));
    EXPECT_NE(button.GlyphImage(TfrSpeedButton::bsDisabled).pixel(2, 14), rgb(clGreen)) << "the disabled glyph is grey";
}

} // namespace
