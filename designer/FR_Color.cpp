#include "FR_Color.h"

#include "FR_Globals.h"
#include "FR_Locale.h"

#include "Services.h"
#include "WidgetKit.h"

#include <QImage>
#include <QPainter>

// The resource registration must be called outside any namespace.
void InitDesignerGlyphs()
{
    Q_INIT_RESOURCE(DesignerGlyphs);
}

namespace {

constexpr int CellWidth = 32;
constexpr int GlyphHeight = 16;
// The colour bar of a glyph: pure red in the strip, repainted with the colour shown.
constexpr QRgb BarRed = 0xFFFF0000;

// A swatch of the colour framed in the button shadow, on a button-face row one pixel taller than the swatch, so
// that the glyph's transparent corner is button face and never the colour.
QPixmap Swatch(int size, TColor color)
{
    QImage image(size, size + 1, QImage::Format_ARGB32);
    image.fill(toQColor(clBtnFace));
    QPainter p(&image);
    p.fillRect(0, 0, size, size, toQColor(color));
    FrameRect(p, QRect(0, 0, size, size), toQColor(clBtnShadow));
    p.end();
    return QPixmap::fromImage(image);
}

} // namespace

QPixmap ColorButtonGlyph(int cell, TColor color)
{
    InitDesignerGlyphs();
    static const QImage strip = QImage(QStringLiteral(":/designer/COLORS")).convertToFormat(QImage::Format_ARGB32);
    QImage glyph = strip.copy(cell * CellWidth, 0, CellWidth, GlyphHeight);
    const QRgb shown = toQColor(color).rgba();
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (glyph.pixel(x, y) == BarRed)
                glyph.setPixel(x, y, shown);
    if (color == clTransparent) {
        const QRgb face = toQColor(clBtnFace).rgba();
        for (int x = 1; x <= 14; ++x)
            glyph.setPixel(x, 13, face);
    }
    return QPixmap::fromImage(glyph);
}

void SetColorButtonGlyph(TfrSpeedButton *button, int cell, TColor color)
{
    button->SetNumGlyphs(2);
    button->SetGlyph(ColorButtonGlyph(cell, color));
}

TColor ColorButtonGlyphColor(const QPixmap &glyph)
{
    const QImage image = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.width() < 3 || image.height() < 15)
        return clTransparent;
    const QRgb top = image.pixel(1, 13);
    const QRgb bar = image.pixel(2, 14);
    if (top != bar || qAlpha(bar) != 255)
        return clTransparent;
    return fromQColor(QColor::fromRgb(bar));
}

TColorSelector::TColorSelector(QWidget *owner)
    : QWidget(owner)
{
    InitDesignerGlyphs();
    setObjectName(QStringLiteral("ColorSelector"));
    resize(96, 132);
    for (int tag = 0; tag < 18; ++tag) {
        auto *button = new TfrSpeedButton(this);
        button->setObjectName(QStringLiteral("ColorButton%1").arg(tag));
        button->SetFlat(true);
        button->SetGroupIndex(1);
        button->SetGrayedInactive(false);
        if (tag < 16) {
            button->setGeometry((tag % 4) * 22 + 4, (tag / 4) * 22 + 4, 22, 22);
            button->SetGlyph(Swatch(16, ColorTable[size_t(tag)].Value));
        } else {
            button->setGeometry(4, tag == TransparentTag ? 92 : 110, 88, 18);
            button->SetCaption(GetLocaleString(tag == TransparentTag ? 55229 : 55230));
        }
        button->OnClick = [this, tag](QObject *) { ButtonClick(tag); };
        m_buttons[tag] = button;
    }
    hide();
}

void TColorSelector::ButtonClick(int tag)
{
    if (tag < 16) {
        Color = ColorTable[size_t(tag)].Value;
    } else if (tag == TransparentTag) {
        Color = clTransparent;
    } else {
        hide();
        QColor chosen = toQColor(Color);
        if (!Services::dialogs()->chooseColor(chosen))
            return;
        Color = fromQColor(chosen);
    }
    hide();
    if (OnColorSelected)
        OnColorSelected(this);
}

void TColorSelector::ShowColor(TColor color)
{
    Color = color;
    for (int i = 0; i <= TransparentTag; ++i) {
        if (color == ColorTable[size_t(i)].Value) {
            m_buttons[i]->SetDown(true);
            m_buttons[OtherTag]->SetGlyph(QPixmap());
            return;
        }
    }
    // A colour of no button of its own shows on the other-colour button, which is then the pressed one.
    m_buttons[OtherTag]->SetGlyph(Swatch(12, color));
    m_buttons[OtherTag]->SetDown(true);
}

void TColorSelector::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), toQColor(clBtnFace));
    DrawEdge(p, rect(), BDR_RAISEDINNER, BF_RECT);
}
