#include "FR_Ctrls.h"

#include "Color.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <array>

namespace {

struct Group
{
    QWidget parent;
    std::array<TfrSpeedButton *, 3> b{};
    std::array<int, 3> clicks{};

    explicit Group(int index)
    {
        for (int i = 0; i < 3; ++i) {
            b[i] = new TfrSpeedButton(&parent);
            b[i]->move(30 * i, 0);
            b[i]->SetGroupIndex(index);
            b[i]->OnClick = [this, i](QObject *) { ++clicks[i]; };
        }
    }

    void click(int i) { QTest::mouseClick(b[i], Qt::LeftButton, {}, QPoint(5, 5)); }
    std::array<bool, 3> down() const { return {b[0]->Down(), b[1]->Down(), b[2]->Down()}; }
};

QPixmap RedGlyph()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    image.setPixelColor(0, 3, QColor(0, 255, 0)); // the bottom-left pixel gives the transparent colour
    return QPixmap::fromImage(image);
}

} // namespace

TEST(KitSpeedButton, GroupLatchesOneButtonDown)
{
    Group g(5);
    EXPECT_EQ(g.b[0]->size(), QSize(22, 22));
    g.click(1);
    EXPECT_EQ(g.down(), (std::array<bool, 3>{false, true, false}));
    g.click(1);
    EXPECT_EQ(g.down(), (std::array<bool, 3>{false, true, false})) << "without AllowAllUp it stays down";
    g.click(2);
    EXPECT_EQ(g.down(), (std::array<bool, 3>{false, false, true}));
    EXPECT_EQ(g.b[1]->State(), TfrSpeedButton::bsUp);
    EXPECT_EQ(g.clicks, (std::array<int, 3>{0, 2, 1}));

    g.b[1]->SetAllowAllUp(true);
    EXPECT_TRUE(g.b[0]->AllowAllUp() && g.b[2]->AllowAllUp()) << "the whole group takes the flag";
    g.click(2);
    EXPECT_EQ(g.down(), (std::array<bool, 3>{false, false, false}));
}

TEST(KitSpeedButton, PushButtonsNeverLatchAndAReleaseOutsideIsNoClick)
{
    Group g(0);
    g.b[0]->SetDown(true);
    EXPECT_FALSE(g.b[0]->Down());

    QTest::mousePress(g.b[0], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(g.b[0]->State(), TfrSpeedButton::bsPressed);
    QTest::mouseMove(g.b[0], QPoint(40, 5));
    EXPECT_EQ(g.b[0]->State(), TfrSpeedButton::bsUp);
    QTest::mouseRelease(g.b[0], Qt::LeftButton, {}, QPoint(40, 5));
    EXPECT_EQ(g.clicks[0], 0);
    g.click(0);
    EXPECT_EQ(g.clicks[0], 1);
    EXPECT_EQ(g.b[0]->State(), TfrSpeedButton::bsUp);

    g.b[0]->SetNumGlyphs(7);
    EXPECT_EQ(g.b[0]->NumGlyphs(), 4);
    g.b[0]->SetMargin(-2);
    EXPECT_EQ(g.b[0]->Margin(), -1);
    g.b[0]->setEnabled(false);
    g.click(0);
    EXPECT_EQ(g.clicks[0], 1) << "a disabled button does not click";
}

TEST(KitSpeedButton, FlatButtonGreysItsGlyphWhileTheMouseIsElsewhere)
{
    QWidget parent;
    parent.resize(100, 50);
    TfrSpeedButton button(&parent);
    button.SetFlat(true);
    button.SetGlyph(RedGlyph());
    int entered = 0, left = 0;
    button.OnMouseEnter = [&](QObject *) { ++entered; };
    button.OnMouseLeave = [&](QObject *) { ++left; };
    parent.show();

    const auto centre = [&] { return button.grab().toImage().pixelColor(11, 11); };
    const int grey = (77 * 255) / 256;
    EXPECT_EQ(centre(), QColor(grey, grey, grey)) << "grey while the mouse is elsewhere";
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.MouseInControl());
    EXPECT_EQ(centre(), QColor(255, 0, 0));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(centre(), QColor(grey, grey, grey));
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);

    button.SetGrayedInactive(false);
    EXPECT_EQ(centre(), QColor(255, 0, 0));
    const QImage image = button.GlyphImage(TfrSpeedButton::bsGrey);
    EXPECT_EQ(image.pixelColor(0, 3), QColor(0, 255, 0)) << "the transparent colour stays";
}

TEST(KitComboEdit, ButtonAtTheRightEndAndDialogKeys)
{
    QDialog dialog;
    auto *ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    int accepted = 0;
    QObject::connect(ok, &QPushButton::clicked, [&] { ++accepted; });
    auto *combo = new TfrComboEdit(&dialog);
    combo->setGeometry(10, 10, 150, 21);
    int buttonClicks = 0;
    combo->OnButtonClick = [&](QObject *) { ++buttonClicks; };
    dialog.show();

    EXPECT_EQ(combo->Button()->parentWidget()->geometry(), QRect(150 - 21 + 2, 2, 17, 17));
    EXPECT_EQ(combo->lineEdit()->width(), 150 - 21 - 4);
    QTest::mouseClick(combo->Button(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(buttonClicks, 1);

    combo->SetButtonEnabled(false);
    EXPECT_FALSE(combo->Button()->isEnabled());
    combo->SetButtonEnabled(true);
    combo->setEnabled(false);
    EXPECT_FALSE(combo->Button()->isEnabled());
    combo->setEnabled(true);
    EXPECT_TRUE(combo->Button()->isEnabled());

    combo->SetButtonHint(QStringLiteral("Choose"));
    EXPECT_EQ(combo->ButtonHint(), QStringLiteral("Choose"));

    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(accepted, 1) << "Enter reaches the default button";
    QTest::keyClick(combo->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}
