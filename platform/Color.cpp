#include "Color.h"

namespace {

// The system colours, index 0 to 30, as 0x00BBGGRR.
constexpr TColor SystemColors[] = {
    0xC8C8C8, // 0 scroll bar
    0x000000, // 1 desktop
    0xD1B499, // 2 active caption
    0xDBCDBF, // 3 inactive caption
    0xF0F0F0, // 4 menu
    0xFFFFFF, // 5 window
    0x646464, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0x000000, // 9 caption text
    0xB4B4B4, // 10 active border
    0xFCF7F4, // 11 inactive border
    0xABABAB, // 12 application work space
    0xD77800, // 13 highlight (0, 120, 215)
    0xFFFFFF, // 14 highlight text
    0xF0F0F0, // 15 button face
    0x808080, // 16 button shadow
    0x6D6D6D, // 17 grey text (109, 109, 109)
    0x000000, // 18 button text
    0x000000, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x696969, // 21 3D dark shadow
    0xE3E3E3, // 22 3D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background (255, 255, 225)
    0xC8C8C8, // 25 unused
    0xCC6600, // 26 hot light
    0xEAD1B9, // 27 gradient active caption
    0xF2E4D7, // 28 gradient inactive caption
    0xFF9933, // 29 menu highlight
    0xF0F0F0, // 30 menu bar
};

} // namespace

TColor ColorToRGB(TColor color)
{
    if (color >= 0)
        return color;
    const int index = color & 0xFF;
    return index < int(std::size(SystemColors)) ? SystemColors[index] : SystemColors[25];
}

QColor toQColor(TColor color)
{
    if (color == clNone)
        return QColor(Qt::transparent);
    if (color == clDefault)
        return QColor();
    const TColor rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor fromQColor(const QColor &color)
{
    if (!color.isValid())
        return clDefault;
    if (color.alpha() == 0)
        return clNone;
    return TColor(color.red() | (color.green() << 8) | (color.blue() << 16));
}
