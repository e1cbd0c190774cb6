#pragma once

// The drawing and widget kit that the grids, the edit controls and the object inspector share: fonts with a
// colour, image lists, 3D edges and frames, text metrics, cursors, the cell-tip window, coalesced deferred
// calls, the clipboard, the screen and keyboard state, and the button faces of the edit controls. Everything
// here paints with our own code so that pixels are the same on every machine.

#include "Color.h"

#include <QBasicTimer>
#include <QCursor>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QRect>

#include <cstdint>
#include <functional>

class QPainter;

// ---- Fonts ---------------------------------------------------------------------------------------------------

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// A font as the controls keep it: face, size in points, style bits and a text colour. Owners that react to a
// change (a grid re-laying out when its title font changes) set OnChange.
class TFont
{
public:
    TFont();
    explicit TFont(const QFont &font, TColor color = clWindowText);

    QString Name() const { return m_font.family(); }
    void SetName(const QString &name);
    int Size() const;
    void SetSize(int points);
    // Character height in pixels (ascent + descent), as text measuring sees it.
    int PixelHeight() const;
    TFontStyles Style() const;
    void SetStyle(TFontStyles style);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);

    const QFont &qfont() const { return m_font; }
    void SetQFont(const QFont &font);
    QColor qcolor() const { return toQColor(m_color); }

    // Copies face, size, style and colour; notifies once.
    void Assign(const TFont &other);
    bool operator==(const TFont &other) const { return m_font == other.m_font && m_color == other.m_color; }

    std::function<void()> OnChange;

private:
    void changed();

    QFont m_font;
    TColor m_color = clWindowText;
};

// ---- Text metrics --------------------------------------------------------------------------------------------

struct TTextMetric
{
    int Height = 0;          // ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0; // room for accents inside Height
    int ExternalLeading = 0; // recommended gap between lines
    int AveCharWidth = 0;
    int Overhang = 0;        // our fonts never overhang
};

TTextMetric GetTextMetric(const QFont &font);
int TextWidth(const QFont &font, const QString &text);
int TextHeight(const QFont &font);

// ---- Image lists ---------------------------------------------------------------------------------------------

// Equal-sized images addressed by index. A bitmap wider than the list is cut into several images.
class TImageList
{
public:
    explicit TImageList(int width = 16, int height = 16);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Count() const { return int(m_images.size()); }

    // Adds the images the strip holds (its width divided by Width(), at least one); answers the first index.
    int Add(const QPixmap &strip);
    // As Add, pixels of maskColor becoming transparent.
    int AddMasked(const QImage &strip, const QColor &maskColor);
    void Delete(int index);
    void Clear();
    QPixmap Image(int index) const;

    // Draws image index with its top-left at (x, y); a disabled image is drawn greyed. Out-of-range indexes
    // draw nothing.
    void Draw(QPainter &painter, int x, int y, int index, bool enabled = true) const;

    std::function<void()> OnChange;

private:
    void changed();

    int m_width;
    int m_height;
    QList<QPixmap> m_images;
};

// ---- Edges, frames, focus ------------------------------------------------------------------------------------

// Edge kinds: each outer or inner ring is raised or sunken.
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};

// Which sides DrawEdge paints, and whether it fills the middle with the button face.
enum : unsigned {
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_TOPLEFT = BF_TOP | BF_LEFT,
    BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_MIDDLE = 0x800,
};

// Paints the edge rings inside rect (outer ring first) and answers the rectangle left inside them.
// Raised: light top-left, dark bottom-right; sunken the other way round.
QRect DrawEdge(QPainter &painter, const QRect &rect, unsigned edge, unsigned flags);
// One-pixel frame just inside rect.
void FrameRect(QPainter &painter, const QRect &rect, const QColor &color);
// The dotted focus rectangle just inside rect: every second pixel inverted, so that drawing it twice restores
// the picture.
void DrawFocusRect(QPainter &painter, const QRect &rect);

// ---- Cursors -------------------------------------------------------------------------------------------------

// A cursor from an image (a resource path such as ":/cursors/right.png" or a file); the fallback shape when the
// image cannot be read.
QCursor LoadCursorImage(const QString &path, const QPoint &hotSpot, Qt::CursorShape fallback = Qt::ArrowCursor);

// ---- Cell tips -----------------------------------------------------------------------------------------------

// The small window that shows the whole text of a cell too narrow for it, over the cell itself.
class TCellTipWindow : public QLabel
{
    Q_OBJECT
public:
    explicit TCellTipWindow(QWidget *parent = nullptr);

    // Shows text at screenRect's top-left, at least as large as screenRect, in the font and colours given.
    void ActivateTip(const QRect &screenRect, const QString &text, const TFont &font, TColor background);
    void HideTip();
    bool IsActive() const { return isVisible(); }
};

// ---- Deferred calls ------------------------------------------------------------------------------------------

// A call made later from the event loop, at most once however often it is posted before it runs: a layout
// asked for several times while a window is being set up runs once. Cancel withdraws a queued call.
class TDeferredCall : public QObject
{
    Q_OBJECT
public:
    explicit TDeferredCall(std::function<void()> call, QObject *parent = nullptr);
    ~TDeferredCall() override;

    // Queues the call unless it is queued already.
    void Post();
    // Withdraws a queued call; answers whether one was queued.
    bool Cancel();
    bool IsPending() const { return m_pending; }

protected:
    bool event(QEvent *event) override;

private:
    std::function<void()> m_call;
    bool m_pending = false;
};

// ---- Clipboard -----------------------------------------------------------------------------------------------

// Our own interchange format of grid cells (records and fields with their types), next to plain text.
inline constexpr char ClipboardGridDataFormat[] = "application/x-tarvik-grid-data";

namespace Clipboard {
QString Text();
void SetText(const QString &text);
bool HasFormat(const QString &mimeType);
QByteArray Data(const QString &mimeType);
// Puts the text and every extra format on the clipboard at once, replacing what was there.
void SetData(const QString &text, const QList<QPair<QString, QByteArray>> &formats);
} // namespace Clipboard

// ---- Screen and keyboard -------------------------------------------------------------------------------------

// The part of the screen holding point that windows may use (without task bars); the primary screen's when the
// point lies on no screen.
QRect ScreenWorkArea(const QPoint &point);
// Width of a vertical (height of a horizontal) scroll bar.
int ScrollBarExtent();
// The modifier keys held right now, not those of the event being handled.
Qt::KeyboardModifiers KeyboardState();

// ---- Edit-control helpers ------------------------------------------------------------------------------------

// Width of the button of a flat edit control: two thirds of the screen font's height, made odd, at most the
// scroll-bar width. Computed once.
int FlatButtonWidth();
// Height of an edit button of that width: 3/2 of it (halves to even) when flat, else the width.
int EditButtonHeightForWidth(int width, bool flat);

// Size of one check-box glyph (computed once from our check-box bitmap of 4 x 3 glyphs).
QSize CheckBoxGlyphSize();
inline int CheckBoxGlyphWidth() { return CheckBoxGlyphSize().width(); }
inline int CheckBoxGlyphHeight() { return CheckBoxGlyphSize().height(); }

enum TButtonFaceKindEh : std::uint8_t {
    bfkDropDownEh = 0,
    bfkEllipsisEh = 1,
    bfkUpDownEh = 2,
    bfkCheckBoxEh = 3,
    bfkPlusEh = 4,
    bfkMinusEh = 5,
};

// Draws the face of an edit button, an up-down button or a check box into rect. pressedPart: 0 up, 1 pressed
// (the upper half of an up-down face), 2 the lower half of an up-down face pressed. checkState: 0 unchecked,
// 1 checked, 2 greyed. Each distinct look is drawn once into a cache and copied from there afterwards.
void DrawButtonControlFace(QPainter &painter, const QRect &rect, const QColor &parentColor, TButtonFaceKindEh kind,
                           int pressedPart, bool flat, bool active, bool enabled, int checkState);
// Forgets the cached faces (after the system colours changed).
void ClearButtonsBitmapCache();
int ButtonsBitmapCacheCount();
