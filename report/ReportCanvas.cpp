#include "ReportCanvas.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

namespace {

std::shared_ptr<TextMeasurer> &measurerSlot()
{
    static std::shared_ptr<TextMeasurer> slot;
    return slot;
}

int blankCount(const QString &text)
{
    int n = 0;
    for (QChar c : text)
        if (c == u' ' || c == QChar(0xA0))
            ++n;
    return n;
}

// The cell of a text of that size turned counter-clockwise by the angle about its position.
QRect textBounds(int x, int y, int width, int height, int angle)
{
    switch (((angle % 360) + 360) % 360) {
    case 90: return QRect(x, y - width, height, width);
    case 180: return QRect(x - width, y - height, width, height);
    case 270: return QRect(x - height, y, height, width);
    default: return QRect(x, y, width, height);
    }
}

QString rectText(const QRect &r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString pointText(const QPoint &p)
{
    return QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
}

} // namespace

double FontMetricsMeasurer::textWidth(const QFont &font, const QString &text) const
{
    // Text is measured in runs of one font, and a page drawn again measures the same texts again: the metrics of
    // the last few fonts are kept with the widths they gave, as shaping text is most of the cost of drawing.
    struct Measured
    {
        QFont font;
        QFontMetricsF metrics;
        QHash<QString, double> widths;
    };
    constexpr size_t Fonts = 4;
    constexpr qsizetype WidthsPerFont = 4096;
    thread_local std::vector<Measured> recent;
    auto found = std::find_if(recent.begin(), recent.end(), [&font](const Measured &m) { return m.font == font; });
    if (found == recent.end()) {
        if (recent.size() == Fonts)
            recent.pop_back();
        QFont f(font);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0);
        recent.insert(recent.begin(), Measured { font, QFontMetricsF(f), {} });
        found = recent.begin();
    } else if (found != recent.begin()) {
        std::rotate(recent.begin(), found, found + 1);
        found = recent.begin();
    }
    if (const auto width = found->widths.constFind(text); width != found->widths.constEnd())
        return *width;
    if (found->widths.size() >= WidthsPerFont)
        found->widths.clear();
    const double width = found->metrics.horizontalAdvance(text);
    found->widths.insert(text, width);
    return width;
}

double FixedWidthMeasurer::textWidth(const QFont &, const QString &text) const
{
    return m_charWidth * text.size();
}

void setDefaultTextMeasurer(std::shared_ptr<TextMeasurer> measurer)
{
    measurerSlot() = std::move(measurer);
}

std::shared_ptr<TextMeasurer> defaultTextMeasurer()
{
    if (!measurerSlot())
        measurerSlot() = std::make_shared<FontMetricsMeasurer>();
    return measurerSlot();
}

ReportCanvas::ReportCanvas(std::shared_ptr<TextMeasurer> measurer)
    : m_measurer(measurer ? std::move(measurer) : defaultTextMeasurer())
{
    m_font.setPixelSize(13);
}

void ReportCanvas::setPen(const QColor &color, int width, Qt::PenStyle style)
{
    m_penColor = color;
    m_penWidth = width;
    m_penStyle = style;
}

void ReportCanvas::setBrush(const QBrush &brush)
{
    m_brush = brush;
}

void ReportCanvas::setFont(const QFont &font, const QColor &color)
{
    m_font = font;
    m_fontColor = color;
}

void ReportCanvas::setCharSpacing(int pixels)
{
    m_charSpacing = pixels;
}

void ReportCanvas::setTextAngle(int degrees)
{
    m_angle = degrees;
}

void ReportCanvas::save()
{
    m_saved.push_back({m_penColor, m_penWidth, m_penStyle, m_brush, m_font, m_fontColor, m_charSpacing, m_angle});
}

void ReportCanvas::restore()
{
    if (m_saved.empty())
        return;
    const State s = m_saved.back();
    m_saved.pop_back();
    m_penColor = s.penColor;
    m_penWidth = s.penWidth;
    m_penStyle = s.penStyle;
    m_brush = s.brush;
    m_font = s.font;
    m_fontColor = s.fontColor;
    m_charSpacing = s.charSpacing;
    m_angle = s.angle;
}

int ReportCanvas::textWidth(const QString &text) const
{
    return int(std::lround(m_measurer->textWidth(m_font, text))) + m_charSpacing * int(text.size());
}

int ReportCanvas::fontHeight() const
{
    return m_font.pixelSize() > 0 ? m_font.pixelSize() : int(std::lround(m_font.pointSizeF() * 96 / 72));
}

// --- QPainterCanvas

QPainterCanvas::QPainterCanvas(QPainter *painter, bool forPrinter, std::shared_ptr<TextMeasurer> measurer)
    : ReportCanvas(std::move(measurer)), m_painter(painter), m_forPrinter(forPrinter)
{
}

void QPainterCanvas::applyPen()
{
    QPen pen(penColor(), std::max(1, penWidth()), penStyle(), Qt::FlatCap, Qt::MiterJoin);
    m_painter->setPen(penWidth() <= 0 && penStyle() == Qt::SolidLine ? QPen(Qt::NoPen) : pen);
}

void QPainterCanvas::fillRect(const QRect &rect)
{
    if (brush().style() != Qt::NoBrush)
        m_painter->fillRect(rect, brush());
}

void QPainterCanvas::drawRect(const QRect &rect)
{
    fillRect(rect);
    applyPen();
    m_painter->setBrush(Qt::NoBrush);
    // The outline covers the rectangle's pixels up to, not including, its right and bottom edges.
    m_painter->drawRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5));
}

void QPainterCanvas::drawLine(const QPoint &from, const QPoint &to)
{
    applyPen();
    // Pixel centres; a line from a to b leaves out b, so stop half a pixel short along the line.
    QPointF a(from.x() + 0.5, from.y() + 0.5), b(to.x() + 0.5, to.y() + 0.5);
    QPointF d = b - a;
    double len = std::hypot(d.x(), d.y());
    if (len > 0)
        b -= d / len * 0.5;
    if (penWidth() <= 1 && penStyle() == Qt::SolidLine) {
        // Thin lines: fill the covered pixels so the result does not depend on antialiasing.
        if (from.y() == to.y()) {
            m_painter->fillRect(QRect(QPoint(std::min(from.x(), to.x() + 1), from.y()),
                                      QSize(std::abs(to.x() - from.x()), 1)),
                                penColor());
            return;
        }
        if (from.x() == to.x()) {
            m_painter->fillRect(QRect(QPoint(from.x(), std::min(from.y(), to.y() + 1)),
                                      QSize(1, std::abs(to.y() - from.y()))),
                                penColor());
            return;
        }
    }
    m_painter->drawLine(a, b);
}

void QPainterCanvas::drawPolygon(const QPolygon &points)
{
    applyPen();
    m_painter->setBrush(brush());
    m_painter->drawPolygon(points);
}

void QPainterCanvas::drawText(int x, int y, const QString &text, const QRect &clip, int extra, bool rightToLeft)
{
    m_painter->save();
    m_painter->setClipRect(clip);
    // Consecutive texts mostly share a font: the spaced font and its ascent are made once for a run of them.
    struct TextFont
    {
        QFont base;
        int spacing;
        QFont spaced;
        qreal ascent;
    };
    thread_local std::optional<TextFont> last;
    if (!last || last->spacing != charSpacing() || !(last->base == font())) {
        QFont f(font());
        f.setLetterSpacing(QFont::AbsoluteSpacing, charSpacing());
        last.emplace(TextFont{font(), charSpacing(), f, QFontMetricsF(f).ascent()});
    }
    m_painter->setFont(last->spaced);
    m_painter->setPen(fontColor());
    m_painter->translate(x, y);
    if (textAngle() != 0)
        m_painter->rotate(-textAngle());
    const qreal ascent = last->ascent;
    const int blanks = extra > 0 ? blankCount(text) : 0;
    if (rightToLeft)
        m_painter->setLayoutDirection(Qt::RightToLeft);
    if (blanks == 0) {
        m_painter->drawText(QPointF(0, ascent), text);
    } else {
        // Justified: the extra pixels go to the blanks, the first ones getting the remainder.
        double pos = 0;
        int given = 0, seen = 0;
        QString word;
        auto flush = [&] {
            if (!word.isEmpty()) {
                m_painter->drawText(QPointF(pos, ascent), word);
                pos += textWidth(word);
                word.clear();
            }
        };
        for (QChar c : text) {
            if (c == u' ' || c == QChar(0xA0)) {
                flush();
                ++seen;
                const int share = extra * seen / blanks - given;
                given += share;
                pos += textWidth(QString(c)) + share;
            } else {
                word += c;
            }
        }
        flush();
    }
    m_painter->restore();
}

void QPainterCanvas::drawImage(const QRect &target, const QImage &image)
{
    m_painter->drawImage(target, image);
}

// --- RecordingCanvas

RecordingCanvas::RecordingCanvas(std::shared_ptr<TextMeasurer> measurer, bool forPrinter)
    : ReportCanvas(std::move(measurer)), m_forPrinter(forPrinter)
{
}

void RecordingCanvas::setPen(const QColor &color, int width, Qt::PenStyle style)
{
    ReportCanvas::setPen(color, width, style);
    CanvasRecord r(CanvasRecord::Pen);
    r.color = color;
    r.value = width;
    r.style = int(style);
    m_records.push_back(r);
}

void RecordingCanvas::setBrush(const QBrush &brush)
{
    ReportCanvas::setBrush(brush);
    CanvasRecord r(CanvasRecord::Brush);
    r.color = brush.color();
    r.style = int(brush.style());
    r.brush = brush;
    m_records.push_back(r);
}

void RecordingCanvas::setFont(const QFont &font, const QColor &color)
{
    ReportCanvas::setFont(font, color);
    CanvasRecord r(CanvasRecord::Font);
    r.text = font.family();
    r.color = color;
    r.value = fontHeight();
    r.style = (font.bold() ? 2 : 0) | (font.italic() ? 1 : 0) | (font.underline() ? 4 : 0)
              | (font.strikeOut() ? 8 : 0);
    r.font = font;
    m_records.push_back(r);
}

void RecordingCanvas::setCharSpacing(int pixels)
{
    ReportCanvas::setCharSpacing(pixels);
    CanvasRecord r(CanvasRecord::CharSpacing);
    r.value = pixels;
    m_records.push_back(r);
}

void RecordingCanvas::setTextAngle(int degrees)
{
    ReportCanvas::setTextAngle(degrees);
    CanvasRecord r(CanvasRecord::Rotation);
    r.value = degrees;
    m_records.push_back(r);
}

void RecordingCanvas::save()
{
    ReportCanvas::save();
    m_records.emplace_back(CanvasRecord::Save);
}

void RecordingCanvas::restore()
{
    ReportCanvas::restore();
    m_records.emplace_back(CanvasRecord::Restore);
}

void RecordingCanvas::fillRect(const QRect &rect)
{
    CanvasRecord r(CanvasRecord::FillRect);
    r.rect = rect;
    r.color = brush().color();
    r.style = int(brush().style());
    r.brush = brush();
    m_records.push_back(r);
}

void RecordingCanvas::drawRect(const QRect &rect)
{
    CanvasRecord r(CanvasRecord::DrawRect);
    r.rect = rect;
    r.color = penColor();
    r.value = penWidth();
    r.style = int(penStyle());
    r.brush = brush();
    m_records.push_back(r);
}

void RecordingCanvas::drawLine(const QPoint &from, const QPoint &to)
{
    CanvasRecord r(CanvasRecord::Line);
    r.p1 = from;
    r.p2 = to;
    r.color = penColor();
    r.value = penWidth();
    r.style = int(penStyle());
    m_records.push_back(r);
}

void RecordingCanvas::drawPolygon(const QPolygon &points)
{
    CanvasRecord r(CanvasRecord::Polygon);
    r.points = points;
    r.color = penColor();
    r.brush = brush();
    m_records.push_back(r);
}

void RecordingCanvas::drawText(int x, int y, const QString &text, const QRect &clip, int extra, bool rightToLeft)
{
    CanvasRecord r(CanvasRecord::Text);
    r.p1 = QPoint(x, y);
    r.text = text;
    r.rect = clip;
    r.value = extra;
    r.style = (rightToLeft ? 1 : 0) | (textRotated() ? 2 : 0);
    r.color = fontColor();
    r.font = font();
    r.bounds = textBounds(x, y, textWidth(text) + extra, fontHeight(), textAngle());
    m_records.push_back(r);
}

void RecordingCanvas::drawImage(const QRect &target, const QImage &image)
{
    CanvasRecord r(CanvasRecord::Image);
    r.rect = target;
    r.image = image;
    m_records.push_back(r);
}

QString CanvasRecord::toString() const
{
    switch (kind) {
    case Save:
        return QStringLiteral("save");
    case Restore:
        return QStringLiteral("restore");
    case Pen:
        return QStringLiteral("pen %1 %2 %3").arg(color.name()).arg(value).arg(style);
    case Brush:
        return QStringLiteral("brush %1 %2").arg(color.name()).arg(style);
    case Font:
        return QStringLiteral("font %1 %2 %3").arg(text).arg(value).arg(style);
    case CharSpacing:
        return QStringLiteral("spacing %1").arg(value);
    case Rotation:
        return QStringLiteral("rotation %1").arg(value);
    case FillRect:
        return QStringLiteral("fill %1 %2").arg(rectText(rect), color.name());
    case DrawRect:
        return QStringLiteral("rect %1").arg(rectText(rect));
    case Line:
        return QStringLiteral("line %1 %2").arg(pointText(p1), pointText(p2));
    case Polygon: {
        QStringList pts;
        for (const QPoint &p : points)
            pts << pointText(p);
        return QStringLiteral("polygon ") + pts.join(u' ');
    }
    case Text:
        return QStringLiteral("text%1 %2 '%3'%4")
            .arg(style & 2 ? QStringLiteral("90") : QString(), pointText(p1), text,
                 value ? QStringLiteral(" +%1").arg(value) : QString());
    case Image:
        return QStringLiteral("image %1").arg(rectText(rect));
    }
    return QString();
}

QStringList RecordingCanvas::drawings() const
{
    QStringList out;
    for (const CanvasRecord &r : m_records)
        if (r.kind >= CanvasRecord::FillRect)
            out << r.toString();
    return out;
}

QStringList RecordingCanvas::texts() const
{
    QStringList out;
    for (const CanvasRecord &r : m_records)
        if (r.kind == CanvasRecord::Text)
            out << r.toString();
    return out;
}

void RecordingCanvas::replay(ReportCanvas &target) const
{
    for (const CanvasRecord &r : m_records) {
        switch (r.kind) {
        case CanvasRecord::Save: target.save(); break;
        case CanvasRecord::Restore: target.restore(); break;
        case CanvasRecord::Pen: target.setPen(r.color, r.value, Qt::PenStyle(r.style)); break;
        case CanvasRecord::Brush: target.setBrush(r.brush); break;
        case CanvasRecord::Font: target.setFont(r.font, r.color); break;
        case CanvasRecord::CharSpacing: target.setCharSpacing(r.value); break;
        case CanvasRecord::Rotation: target.setTextAngle(r.value); break;
        case CanvasRecord::FillRect: target.fillRect(r.rect); break;
        case CanvasRecord::DrawRect: target.drawRect(r.rect); break;
        case CanvasRecord::Line: target.drawLine(r.p1, r.p2); break;
        case CanvasRecord::Polygon: target.drawPolygon(r.points); break;
        case CanvasRecord::Text: target.drawText(r.p1.x(), r.p1.y(), r.text, r.rect, r.value, r.style & 1); break;
        case CanvasRecord::Image: target.drawImage(r.rect, r.image); break;
        }
    }
}

void RecordingCanvas::replay(ReportCanvas &target, const QSize &recorded, const QRect &into) const
{
    const double kx = recorded.width() > 0 ? double(into.right() - into.left()) / recorded.width() : 1;
    const double ky = recorded.height() > 0 ? double(into.bottom() - into.top()) / recorded.height() : 1;
    auto x = [&](int v) { return into.left() + int(std::lround(v * kx)); };
    auto y = [&](int v) { return into.top() + int(std::lround(v * ky)); };
    auto point = [&](const QPoint &p) { return QPoint(x(p.x()), y(p.y())); };
    auto rect = [&](const QRect &r) { return QRect(point(r.topLeft()), point(r.topLeft() + QPoint(r.width(), r.height()))).adjusted(0, 0, -1, -1); };
    auto length = [](int v, double k) { return v > 0 ? std::max(1, int(std::lround(v * k))) : v; };
    // A font's height runs across its text: vertical on the page for level text, horizontal for turned text.
    QFont font;
    QColor fontColor;
    int angle = 0;
    std::vector<std::tuple<QFont, QColor, int>> saved;
    auto applyFont = [&] {
        QFont f = font;
        if (f.pixelSize() > 0)
            f.setPixelSize(length(f.pixelSize(), angle % 180 != 0 ? kx : ky));
        target.setFont(f, fontColor);
    };
    for (const CanvasRecord &r : m_records) {
        switch (r.kind) {
        case CanvasRecord::Save:
            target.save();
            saved.push_back({font, fontColor, angle});
            break;
        case CanvasRecord::Restore:
            target.restore();
            if (!saved.empty()) {
                std::tie(font, fontColor, angle) = saved.back();
                saved.pop_back();
            }
            break;
        case CanvasRecord::Pen: target.setPen(r.color, length(r.value, std::min(kx, ky)), Qt::PenStyle(r.style)); break;
        case CanvasRecord::Brush: target.setBrush(r.brush); break;
        case CanvasRecord::Font:
            font = r.font;
            fontColor = r.color;
            applyFont();
            break;
        case CanvasRecord::CharSpacing: target.setCharSpacing(int(std::lround(r.value * kx))); break;
        case CanvasRecord::Rotation:
            angle = r.value;
            target.setTextAngle(angle);
            applyFont();
            break;
        case CanvasRecord::FillRect: target.fillRect(rect(r.rect)); break;
        case CanvasRecord::DrawRect: target.drawRect(rect(r.rect)); break;
        case CanvasRecord::Line: target.drawLine(point(r.p1), point(r.p2)); break;
        case CanvasRecord::Polygon: {
            QPolygon points;
            for (const QPoint &p : r.points)
                points << point(p);
            target.drawPolygon(points);
            break;
        }
        case CanvasRecord::Text:
            target.drawText(x(r.p1.x()), y(r.p1.y()), r.text, rect(r.rect), int(std::lround(r.value * kx)), r.style & 1);
            break;
        case CanvasRecord::Image: target.drawImage(rect(r.rect), r.image); break;
        }
    }
}
