#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;

// Measures text for layout. The engine lays text out in 96-dpi pixels; fonts carry their pixel size.
class TextMeasurer
{
public:
    virtual ~TextMeasurer() = default;
    // Advance width of the text without any extra character spacing.
    virtual double textWidth(const QFont &font, const QString &text) const = 0;
};

// QFontMetricsF on the font's pixel size: what the screen and the printer paths use.
class FontMetricsMeasurer : public TextMeasurer
{
public:
    double textWidth(const QFont &font, const QString &text) const override;
};

// Every character is the same width: makes wrapping and alignment independent of installed fonts.
class FixedWidthMeasurer : public TextMeasurer
{
public:
    explicit FixedWidthMeasurer(double charWidth) : m_charWidth(charWidth) {}
    double textWidth(const QFont &font, const QString &text) const override;

private:
    double m_charWidth;
};

// The measurer that new canvases take. Tests install a fixed-width one; null restores the default.
void setDefaultTextMeasurer(std::shared_ptr<TextMeasurer> measurer);
std::shared_ptr<TextMeasurer> defaultTextMeasurer();

// What report objects and barcodes draw on. It keeps the drawing state (pen, brush, font, character spacing,
// turned text) and measures text; the backends paint or record. Coordinates are device pixels; a line
// from a to b covers a but not b, as on the screen device the templates were designed for.
class ReportCanvas
{
public:
    explicit ReportCanvas(std::shared_ptr<TextMeasurer> measurer = {});
    virtual ~ReportCanvas() = default;

    virtual void setPen(const QColor &color, int width = 1, Qt::PenStyle style = Qt::SolidLine);
    // A brush of Qt::NoBrush style draws no fill.
    virtual void setBrush(const QBrush &brush);
    // The font with its pixel size set; its colour is the text colour.
    virtual void setFont(const QFont &font, const QColor &color);
    virtual void setCharSpacing(int pixels);
    // Text turned by 90 degrees: it reads upwards from the text position.
    void setTextRotated(bool rotated) { setTextAngle(rotated ? 90 : 0); }
    // Text turned counter-clockwise by a multiple of 90 degrees about its text position (barcode captions).
    virtual void setTextAngle(int degrees);
    // Keep and bring back the drawing state (pen, brush, font, spacing, turned text).
    virtual void save();
    virtual void restore();

    virtual void fillRect(const QRect &rect) = 0;          // with the brush
    virtual void drawRect(const QRect &rect) = 0;          // outline with the pen, inside with the brush
    virtual void drawLine(const QPoint &from, const QPoint &to) = 0;
    virtual void drawPolygon(const QPolygon &points) = 0;
    // Text whose cell starts at (x, y) (its top-left, or bottom-left when turned), clipped to clip. Extra
    // pixels, when given, are spread over the blanks of the text (justified lines).
    virtual void drawText(int x, int y, const QString &text, const QRect &clip, int extra = 0,
                          bool rightToLeft = false) = 0;
    virtual void drawImage(const QRect &target, const QImage &image) = 0;

    // Width of the text in the current font, character spacing included.
    int textWidth(const QString &text) const;
    // Height of the current font in pixels (its em size).
    int fontHeight() const;
    virtual bool isPrinter() const { return false; }

    QColor penColor() const { return m_penColor; }
    int penWidth() const { return m_penWidth; }
    Qt::PenStyle penStyle() const { return m_penStyle; }
    const QBrush &brush() const { return m_brush; }
    const QFont &font() const { return m_font; }
    QColor fontColor() const { return m_fontColor; }
    int charSpacing() const { return m_charSpacing; }
    bool textRotated() const { return m_angle == 90; }
    int textAngle() const { return m_angle; }
    TextMeasurer &measurer() const { return *m_measurer; }

private:
    struct State
    {
        QColor penColor;
        int penWidth;
        Qt::PenStyle penStyle;
        QBrush brush;
        QFont font;
        QColor fontColor;
        int charSpacing;
        int angle;
    };
    std::vector<State> m_saved;
    std::shared_ptr<TextMeasurer> m_measurer;
    QColor m_penColor = Qt::black;
    int m_penWidth = 1;
    Qt::PenStyle m_penStyle = Qt::SolidLine;
    QBrush m_brush = QBrush(Qt::white);
    QFont m_font;
    QColor m_fontColor = Qt::black;
    int m_charSpacing = 0;
    int m_angle = 0;
};

// Paints through QPainter: on a QImage for the screen and tests, on a QPrinter for printing and PDF.
class QPainterCanvas : public ReportCanvas
{
public:
    // The painter must outlive the canvas.
    explicit QPainterCanvas(QPainter *painter, bool forPrinter = false, std::shared_ptr<TextMeasurer> measurer = {});

    void fillRect(const QRect &rect) override;
    void drawRect(const QRect &rect) override;
    void drawLine(const QPoint &from, const QPoint &to) override;
    void drawPolygon(const QPolygon &points) override;
    void drawText(int x, int y, const QString &text, const QRect &clip, int extra = 0, bool rightToLeft = false) override;
    void drawImage(const QRect &target, const QImage &image) override;
    bool isPrinter() const override { return m_forPrinter; }

private:
    void applyPen();
    QPainter *m_painter;
    bool m_forPrinter;
};

// One drawing call as the recording canvas keeps it.
struct CanvasRecord
{
    enum Kind { Save, Restore, Pen, Brush, Font, CharSpacing, Rotation, FillRect, DrawRect, Line, Polygon, Text, Image };
    explicit CanvasRecord(Kind k) : kind(k) {}
    Kind kind;
    QRect rect;                 // fill, rectangle, image target, text clip
    QPoint p1, p2;              // line ends, text position
    QPolygon points;             // polygon
    QString text;               // text; font family for Font
    QColor color;               // pen, brush, font colour
    int value = 0;              // pen width, font pixel size, spacing, rotation, text extra
    int style = 0;              // pen style, brush style, font bold/italic bits
    QRect bounds;               // text: the rectangle its cell covers, before clipping
    QImage image;               // image
    QBrush brush;               // brush (pattern brushes included)
    QFont font;                 // font

    // A compact line for test comparisons, e.g. "line 0,0 10,0" or "text 4,2 'abc'".
    QString toString() const;
};

// Keeps every call in order. It stands in for the metafiles of prepared pages (text search, barcodes) and is
// what tests compare instead of pixels.
class RecordingCanvas : public ReportCanvas
{
public:
    explicit RecordingCanvas(std::shared_ptr<TextMeasurer> measurer = {}, bool forPrinter = false);

    void setPen(const QColor &color, int width = 1, Qt::PenStyle style = Qt::SolidLine) override;
    void setBrush(const QBrush &brush) override;
    void setFont(const QFont &font, const QColor &color) override;
    void setCharSpacing(int pixels) override;
    void setTextAngle(int degrees) override;
    void save() override;
    void restore() override;
    void fillRect(const QRect &rect) override;
    void drawRect(const QRect &rect) override;
    void drawLine(const QPoint &from, const QPoint &to) override;
    void drawPolygon(const QPolygon &points) override;
    void drawText(int x, int y, const QString &text, const QRect &clip, int extra = 0, bool rightToLeft = false) override;
    void drawImage(const QRect &target, const QImage &image) override;
    bool isPrinter() const override { return m_forPrinter; }

    const std::vector<CanvasRecord> &records() const { return m_records; }
    // The drawing calls only (no state changes), one string each.
    QStringList drawings() const;
    QStringList texts() const;
    void clear() { m_records.clear(); }
    // Replays the drawing on another canvas.
    void replay(ReportCanvas &target) const;
    // Replays a drawing made on an area of the given size stretched into a rectangle of another canvas, as a
    // recorded picture is: the area's corners (0, 0) and (width, height) land on the rectangle's top-left and
    // bottom-right pixels; positions, sizes, fonts and pen widths are scaled.
    void replay(ReportCanvas &target, const QSize &recorded, const QRect &into) const;

private:
    std::vector<CanvasRecord> m_records;
    bool m_forPrinter;
};
