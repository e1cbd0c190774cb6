// Faults found by review in the edit controls, each with the behaviour that replaced it.
#include "ToolCtrlsEh.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

int redPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == QColor(Qt::red);
    return n;
}

// A glyph image narrower than its glyph count drew nothing: it shows the glyphs it holds.
TEST(HardeningEditors, AGlyphNarrowerThanItsCountStillShows)
{
    for (int width : {1, 3, 8}) {
        QWidget host;
        TEditButtonControlEh button(&host);
        button.SetStyle(ebsGlyphEh);
        button.resize(15, 17);
        QPixmap glyph(width, 6);
        glyph.fill(Qt::red);
        button.SetGlyph(glyph);
        button.SetNumGlyphs(4);
        // One glyph of the strip, 6 pixels high.
        EXPECT_EQ(redPixels(button.grab().toImage()), 6 * (width / std::min(4, width))) << "width " << width;
    }
}

} // namespace
