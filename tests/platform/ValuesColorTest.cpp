// The platform's colour integers and the fixed system-colour table.
#include "Color.h"

#include <gtest/gtest.h>

namespace {

TEST(ValuesColor, PlainSystemAndMarkerColours)
{
    EXPECT_EQ(toQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(0x00332211), QColor(0x11, 0x22, 0x33));
    EXPECT_EQ(toQColor(clWindow), QColor(255, 255, 255));
    EXPECT_EQ(toQColor(clBtnFace), QColor(240, 240, 240));
    EXPECT_EQ(toQColor(clBtnShadow), QColor(128, 128, 128));
    EXPECT_EQ(toQColor(clHighlight), QColor(0, 120, 215));
    EXPECT_EQ(toQColor(clGrayText), QColor(109, 109, 109));
    EXPECT_EQ(toQColor(clInfoBk), QColor(255, 255, 225));
    EXPECT_EQ(toQColor(systemColor(200)), toQColor(clScrollBar)); // out of the table: a neutral grey
    EXPECT_EQ(toQColor(clNone).alpha(), 0);
    EXPECT_FALSE(toQColor(clDefault).isValid());

    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clNavy), clNavy);
    EXPECT_EQ(ColorToRGB(clNone), clNone);

    EXPECT_EQ(fromQColor(QColor(0x11, 0x22, 0x33)), 0x00332211);
    EXPECT_EQ(fromQColor(QColor(Qt::transparent)), clNone);
    EXPECT_EQ(fromQColor(QColor()), clDefault);
    EXPECT_EQ(clTransparent, clNone);
}

} // namespace
