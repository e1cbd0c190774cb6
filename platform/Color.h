#pragma once

#include <QColor>

#include <cstdint>

// The platform's colour integer as templates, form files and properties store it: 0x00BBGGRR for a plain
// colour, 0x80000000 | n for system colour n, and the two markers clNone and clDefault.
using TColor = std::int32_t;

constexpr TColor systemColor(int index)
{
    return TColor(0x80000000u | unsigned(index));
}

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080, clWhite = 0xFFFFFF, clMoneyGreen = 0xC0DCC0,
                 clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;

constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000, clTransparent = clNone;

constexpr TColor clScrollBar = systemColor(0), clBackground = systemColor(1), clActiveCaption = systemColor(2),
                 clInactiveCaption = systemColor(3), clMenu = systemColor(4), clWindow = systemColor(5),
                 clWindowFrame = systemColor(6), clMenuText = systemColor(7), clWindowText = systemColor(8),
                 clCaptionText = systemColor(9), clActiveBorder = systemColor(10), clInactiveBorder = systemColor(11),
                 clAppWorkSpace = systemColor(12), clHighlight = systemColor(13), clHighlightText = systemColor(14),
                 clBtnFace = systemColor(15), clBtnShadow = systemColor(16), clGrayText = systemColor(17),
                 clBtnText = systemColor(18), clInactiveCaptionText = systemColor(19), clBtnHighlight = systemColor(20),
                 cl3DDkShadow = systemColor(21), cl3DLight = systemColor(22), clInfoText = systemColor(23),
                 clInfoBk = systemColor(24), clHotLight = systemColor(26), clGradientActiveCaption = systemColor(27),
                 clGradientInactiveCaption = systemColor(28), clMenuHighlight = systemColor(29),
                 clMenuBar = systemColor(30);

// A system colour resolved through the one fixed table (so that pixels are the same on every desktop); plain
// colours, clNone and clDefault come back unchanged.
TColor ColorToRGB(TColor color);

// clNone gives a transparent colour, clDefault an invalid QColor (the caller's default applies).
QColor toQColor(TColor color);
// A fully transparent colour gives clNone; an invalid one clDefault.
TColor fromQColor(const QColor &color);
