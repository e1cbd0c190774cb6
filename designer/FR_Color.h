#pragma once

#include "FR_Ctrls.h"

#include "Color.h"

#include <QPixmap>
#include <QWidget>

// The designer's own pictures (colour strip, font mark, list icons) live in a resource of the designer library;
// every window that shows one registers it first. Registering again does nothing.
void InitDesignerGlyphs();

// The colour buttons' pictures, shared by the formatting toolbars and the highlight dialog: each cell holds the
// up and the disabled glyph of one button, whose colour bar shows the colour the button stands for.
enum TColorGlyphCell { cgFontColor = 0, cgFillColor = 1, cgFrameColor = 2 };

// The cell's two glyphs with the bar in `color`; for transparent the bar is left empty under a button-face line.
QPixmap ColorButtonGlyph(int cell, TColor color);
// Gives the button that cell's glyphs for the colour.
void SetColorButtonGlyph(TfrSpeedButton *button, int cell, TColor color);
// The colour a glyph made by ColorButtonGlyph shows: transparent when its bar is empty.
TColor ColorButtonGlyphColor(const QPixmap &glyph);

// The colour picker that drops down under a colour button: sixteen colours, "transparent" and "other..." (the
// colour dialog). Choosing hides the panel and reports the colour through OnColorSelected.
class TColorSelector : public QWidget
{
    Q_OBJECT
public:
    // The tags of the buttons beyond the sixteen colours.
    static constexpr int TransparentTag = 16;
    static constexpr int OtherTag = 17;

    // A child panel of the owner, hidden until the owner shows it.
    explicit TColorSelector(QWidget *owner);

    // Takes the colour as the current one and marks it: its button pressed, or the other-colour button showing it.
    void ShowColor(TColor color);
    // The button of a tag (0..17).
    TfrSpeedButton *Button(int tag) const { return m_buttons[tag]; }

    // The current colour; the chosen one when OnColorSelected fires.
    TColor Color = clBlack;
    TfrNotifyEvent OnColorSelected;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void ButtonClick(int tag);

    TfrSpeedButton *m_buttons[18];
};
