#include "WidgetKit.h"

#include "Exceptions.h"
#include "LogSink.h"

#include <QApplication>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <exception>

// ---- Fonts ---------------------------------------------------------------------------------------------------

TFont::TFont()
    : m_font(QApplication::font())
{
}

TFont::TFont(const QFont &font, TColor color)
    : m_font(font)
    , m_color(color)
{
}

void TFont::SetName(const QString &name)
{
    if (m_font.family() == name)
        return;
    m_font.setFamily(name);
    changed();
}

int TFont::Size() const
{
    if (m_font.pointSize() > 0)
        return m_font.pointSize();
    return qRound(QFontInfo(m_font).pointSizeF());
}

void TFont::SetSize(int points)
{
    if (points <= 0 || m_font.pointSize() == points)
        return;
    m_font.setPointSize(points);
    changed();
}

int TFont::PixelHeight() const
{
    return QFontMetrics(m_font).height();
}

TFontStyles TFont::Style() const
{
    TFontStyles style = 0;
    if (m_font.bold())
        style |= fsBold;
    if (m_font.italic())
        style |= fsItalic;
    if (m_font.underline())
        style |= fsUnderline;
    if (m_font.strikeOut())
        style |= fsStrikeOut;
    return style;
}

void TFont::SetStyle(TFontStyles style)
{
    if (Style() == style)
        return;
    m_font.setBold(style & fsBold);
    m_font.setItalic(style & fsItalic);
    m_font.setUnderline(style & fsUnderline);
    m_font.setStrikeOut(style & fsStrikeOut);
    changed();
}

void TFont::SetColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    changed();
}

void TFont::SetQFont(const QFont &font)
{
    if (m_font == font)
        return;
    m_font = font;
    changed();
}

void TFont::Assign(const TFont &other)
{
    if (*this == other)
        return;
    m_font = other.m_font;
    m_color = other.m_color;
    changed();
}

void TFont::changed()
{
    if (OnChange)
        OnChange();
}

// ---- Text metrics --------------------------------------------------------------------------------------------

TTextMetric GetTextMetric(const QFont &font)
{
    const QFontMetrics fm(font);
    TTextMetric tm;
    tm.Height = fm.height();
    tm.Ascent = fm.ascent();
    tm.Descent = fm.descent();
    tm.ExternalLeading = std::max(0, fm.leading());
    tm.InternalLeading = std::max(0, fm.height() - QFontInfo(font).pixelSize());
    tm.AveCharWidth = fm.averageCharWidth();
    return tm;
}

int TextWidth(const QFont &font, const QString &text)
{
    return QFontMetrics(font).horizontalAdvance(text);
}

int TextHeight(const QFont &font)
{
    return QFontMetrics(font).height();
}

// ---- Image lists ---------------------------------------------------------------------------------------------

TImageList::TImageList(int width, int height)
    : m_width(std::max(1, width))
    , m_height(std::max(1, height))
{
}

int TImageList::Add(const QPixmap &strip)
{
    const int first = Count();
    const int n = std::max(1, strip.width() / m_width);
    for (int i = 0; i < n; ++i) {
        QPixmap image(m_width, m_height);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.drawPixmap(0, 0, strip, i * m_width, 0, m_width, m_height);
        p.end();
        m_images.append(image);
    }
    changed();
    return first;
}

int TImageList::AddMasked(const QImage &strip, const QColor &maskColor)
{
    QImage image = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = maskColor.rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == mask)
                line[x] = 0;
        }
    }
    return Add(QPixmap::fromImage(image));
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_images.removeAt(index);
    changed();
}

void TImageList::Clear()
{
    if (m_images.isEmpty())
        return;
    m_images.clear();
    changed();
}

QPixmap TImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? m_images.at(index) : QPixmap();
}

void TImageList::Draw(QPainter &painter, int x, int y, int index, bool enabled) const
{
    if (index < 0 || index >= Count())
        return;
    if (enabled) {
        painter.drawPixmap(x, y, m_images.at(index));
        return;
    }
    // Greyed: each pixel's grey value halfway to white, its transparency kept.
    QImage image = m_images.at(index).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < image.height(); ++row) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int col = 0; col < image.width(); ++col) {
            const int g = (qGray(line[col]) + 255) / 2;
            line[col] = qRgba(g, g, g, qAlpha(line[col]));
        }
    }
    painter.drawImage(x, y, image);
}

void TImageList::changed()
{
    if (OnChange)
        OnChange();
}

// ---- Edges, frames, focus ------------------------------------------------------------------------------------

namespace {

// Paints one ring of an edge: the top and left sides in topLeft, the bottom and right sides in bottomRight.
void drawEdgeRing(QPainter &painter, const QRect &r, unsigned flags, const QColor &topLeft,
                  const QColor &bottomRight)
{
    if (flags & BF_LEFT)
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    if (flags & BF_TOP)
        painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    if (flags & BF_RIGHT)
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    if (flags & BF_BOTTOM)
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
}

QRect shrinkBySides(const QRect &r, unsigned flags)
{
    return r.adjusted(flags & BF_LEFT ? 1 : 0, flags & BF_TOP ? 1 : 0, flags & BF_RIGHT ? -1 : 0,
                      flags & BF_BOTTOM ? -1 : 0);
}

} // namespace

QRect DrawEdge(QPainter &painter, const QRect &rect, unsigned edge, unsigned flags)
{
    QRect r = rect;
    if (r.isEmpty())
        return r;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (edge & BDR_RAISEDOUTER)
            drawEdgeRing(painter, r, flags, toQColor(cl3DLight), toQColor(cl3DDkShadow));
        else
            drawEdgeRing(painter, r, flags, toQColor(clBtnShadow), toQColor(clBtnHighlight));
        r = shrinkBySides(r, flags);
    }
    if ((edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) && !r.isEmpty()) {
        if (edge & BDR_RAISEDINNER)
            drawEdgeRing(painter, r, flags, toQColor(clBtnHighlight), toQColor(clBtnShadow));
        else
            drawEdgeRing(painter, r, flags, toQColor(cl3DDkShadow), toQColor(cl3DLight));
        r = shrinkBySides(r, flags);
    }
    if ((flags & BF_MIDDLE) && !r.isEmpty())
        painter.fillRect(r, toQColor(clBtnFace));
    return r;
}

void FrameRect(QPainter &painter, const QRect &rect, const QColor &color)
{
    if (rect.isEmpty())
        return;
    drawEdgeRing(painter, rect, BF_RECT, color, color);
}

void DrawFocusRect(QPainter &painter, const QRect &rect)
{
    if (rect.isEmpty())
        return;
    QList<QPoint> points;
    points.reserve(2 * (rect.width() + rect.height()));
    auto dot = [&](int x, int y) {
        if (((x - rect.left()) + (y - rect.top())) % 2 == 0)
            points.append(QPoint(x, y));
    };
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        if (rect.bottom() != rect.top())
            dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        if (rect.right() != rect.left())
            dot(rect.right(), y);
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPoints(points.constData(), int(points.size()));
    painter.restore();
}

// ---- Cursors -------------------------------------------------------------------------------------------------

QCursor LoadCursorImage(const QString &path, const QPoint &hotSpot, Qt::CursorShape fallback)
{
    const QPixmap image(path);
    if (image.isNull())
        return QCursor(fallback);
    return QCursor(image, hotSpot.x(), hotSpot.y());
}

// ---- Cell tips -----------------------------------------------------------------------------------------------

TCellTipWindow::TCellTipWindow(QWidget *parent)
    : QLabel(parent, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setMargin(1);
    setTextFormat(Qt::PlainText);
}

void TCellTipWindow::ActivateTip(const QRect &screenRect, const QString &text, const TFont &font, TColor background)
{
    setFont(font.qfont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(background));
    pal.setColor(QPalette::WindowText, font.qcolor());
    setPalette(pal);
    setText(text);
    const QSize hint = sizeHint();
    resize(std::max(hint.width(), screenRect.width()), std::max(hint.height(), screenRect.height()));
    move(screenRect.topLeft());
    show();
    raise();
}

void TCellTipWindow::HideTip()
{
    hide();
}

// ---- Deferred calls ------------------------------------------------------------------------------------------

namespace {
QEvent::Type deferredCallEventType()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}
} // namespace

TDeferredCall::TDeferredCall(std::function<void()> call, QObject *parent)
    : QObject(parent)
    , m_call(std::move(call))
{
}

TDeferredCall::~TDeferredCall() = default;

void TDeferredCall::Post()
{
    if (m_pending)
        return;
    m_pending = true;
    QCoreApplication::postEvent(this, new QEvent(deferredCallEventType()));
}

bool TDeferredCall::Cancel()
{
    if (!m_pending)
        return false;
    QCoreApplication::removePostedEvents(this, deferredCallEventType());
    m_pending = false;
    return true;
}

bool TDeferredCall::event(QEvent *event)
{
    if (event->type() != deferredCallEventType())
        return QObject::event(event);
    m_pending = false;
    // Exceptions must not cross the event loop: what the call could not do is reported and dropped.
    try {
        m_call();
    } catch (const std::exception &e) {
        platformLog(LogKind::Error, QStringLiteral("Deferred call failed: %1").arg(exceptionMessage(e)));
    } catch (...) {
        platformLog(LogKind::Error, QStringLiteral("Deferred call failed: unknown exception"));
    }
    return true;
}

// ---- Clipboard -----------------------------------------------------------------------------------------------

namespace Clipboard {

QString Text()
{
    return QGuiApplication::clipboard()->text();
}

void SetText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

bool HasFormat(const QString &mimeType)
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(mimeType);
}

QByteArray Data(const QString &mimeType)
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data ? data->data(mimeType) : QByteArray();
}

void SetData(const QString &text, const QList<QPair<QString, QByteArray>> &formats)
{
    auto *data = new QMimeData;
    data->setText(text);
    for (const auto &[mime, bytes] : formats)
        data->setData(mime, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace Clipboard

// ---- Screen and keyboard -------------------------------------------------------------------------------------

QRect ScreenWorkArea(const QPoint &point)
{
    QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

int ScrollBarExtent()
{
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

Qt::KeyboardModifiers KeyboardState()
{
    return QGuiApplication::queryKeyboardModifiers();
}

// ---- Edit-control helpers ------------------------------------------------------------------------------------

int FlatButtonWidth()
{
    static const int width = [] {
        const int textHeight = QFontMetrics(QApplication::font()).height();
        int w = int(std::nearbyint(textHeight / 3.0 * 2));
        if (w % 2 == 0)
            ++w;
        return std::min(w, ScrollBarExtent());
    }();
    return width;
}

int EditButtonHeightForWidth(int width, bool flat)
{
    return flat ? int(std::nearbyint(width * 3 / 2.0)) : width;
}

QSize CheckBoxGlyphSize()
{
    // Our check-box bitmap holds 4 x 3 glyphs (unchecked, checked, greyed; normal, pressed, disabled, ...).
    static const QSize bitmap(52, 39);
    return QSize(bitmap.width() / 4, bitmap.height() / 3);
}

namespace {

struct ButtonFaceKey
{
    int width = 0;
    int height = 0;
    TButtonFaceKindEh kind = bfkDropDownEh;
    bool flat = false;
    bool pressed = false;
    bool active = false;
    bool enabled = false;
    bool lowerHalf = false;
    int checkState = 0;

    bool operator==(const ButtonFaceKey &) const = default;
};

struct ButtonFace
{
    ButtonFaceKey key;
    QPixmap face;
};

QList<ButtonFace> &buttonsBitmapCache()
{
    static QList<ButtonFace> cache;
    return cache;
}

// A solid triangle pointing up or down, centred on (cx, cy), half its base `half` pixels.
void drawArrow(QPainter &p, int cx, int cy, int half, bool down, const QColor &color)
{
    const int top = cy - half / 2;
    for (int i = 0; i <= half; ++i) {
        const int y = down ? top + i : top + half - i;
        p.fillRect(QRect(cx - half + i, y, 2 * (half - i) + 1, 1), color);
    }
}

void drawArrowGlyph(QPainter &p, const QRect &r, bool down, bool pressed, bool enabled)
{
    const int half = std::max(1, (std::min(r.width(), r.height()) - 4) / 4 + 1);
    const int shift = pressed ? 1 : 0;
    const int cx = r.left() + r.width() / 2 + shift;
    const int cy = r.top() + r.height() / 2 + shift;
    if (enabled) {
        drawArrow(p, cx, cy, half, down, toQColor(clBtnText));
    } else {
        drawArrow(p, cx + 1, cy + 1, half, down, toQColor(clBtnHighlight));
        drawArrow(p, cx, cy, half, down, toQColor(clBtnShadow));
    }
}

// A push button carrying an arrow, as the combo box's and the up-down control's buttons look.
void drawArrowButton(QPainter &p, const QRect &r, bool down, bool pressed, bool flat, bool enabled)
{
    p.fillRect(r, toQColor(clBtnFace));
    if (flat)
        FrameRect(p, r, toQColor(clBtnShadow));
    else if (pressed)
        FrameRect(p, r, toQColor(clBtnShadow));
    else
        DrawEdge(p, r, EDGE_RAISED, BF_RECT);
    drawArrowGlyph(p, r.adjusted(2, 2, -2, -2), down, pressed && !flat, enabled);
}

void drawCheckBoxFrame(QPainter &p, const QRect &r, int checkState, bool pressed, bool enabled)
{
    const QRect inner = DrawEdge(p, r, EDGE_SUNKEN, BF_RECT);
    const bool dimmed = pressed || !enabled || checkState == 2;
    p.fillRect(inner, toQColor(dimmed ? clBtnFace : clWindow));
    if (checkState == 0 || inner.width() < 3 || inner.height() < 3)
        return;
    // The tick: a short stroke down-right, then a long one up-right, three pixels thick.
    const QColor mark = toQColor(!enabled ? clGrayText : checkState == 2 ? clBtnShadow : clWindowText);
    const int size = std::min(inner.width(), inner.height()) - 2;
    const int x0 = inner.left() + (inner.width() - size) / 2 + 1;
    const int y0 = inner.top() + (inner.height() - size) / 2;
    const int knee = size / 3;
    for (int i = 0; i < size - 1; ++i) {
        const int x = x0 + i;
        const int y = i <= knee ? y0 + size / 2 - 1 + i : y0 + size / 2 - 1 + knee - (i - knee);
        p.fillRect(QRect(x, y, 1, 3), mark);
    }
}

void drawButtonBody(QPainter &p, QRect &r, bool flat, bool pressed)
{
    if (flat) {
        p.fillRect(r, toQColor(clBtnFace));
        r.adjust(1, 1, -1, -1);
    } else {
        DrawEdge(p, r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
        r.adjust(2, 2, -2, -2);
    }
}

// Enabled marks in button text; disabled ones embossed: highlight one pixel down-right, shadow in place.
void drawMarks(bool enabled, const std::function<void(int, const QColor &)> &draw)
{
    if (enabled) {
        draw(0, toQColor(clBtnText));
    } else {
        draw(1, toQColor(clBtnHighlight));
        draw(0, toQColor(clBtnShadow));
    }
}

void drawEllipsisFace(QPainter &p, QRect r, bool flat, bool pressed, bool enabled)
{
    drawButtonBody(p, r, flat, pressed);
    const int side = r.width() > 7 ? 2 : 1;
    const int gap = r.width() < 12 ? 1 : 2;
    const int P = pressed ? 1 : 0;
    const int x = r.left() + r.width() / 2 + P - side / 2;
    const int y = r.top() + r.height() / 2 + P - side / 2;
    drawMarks(enabled, [&](int offset, const QColor &color) {
        for (int i = -1; i <= 1; ++i)
            p.fillRect(QRect(x + i * (side + gap) + offset, y + offset, side, side), color);
    });
}

void drawPlusMinusFace(QPainter &p, QRect r, bool plus, bool flat, bool pressed, bool enabled)
{
    drawButtonBody(p, r, flat, pressed);
    const int S = std::min(r.width(), r.height());
    int L = std::max(1, S * 4 / 7);
    const int T = std::max(1, L / 3);
    if (flat)
        --L;
    if ((L % 2) != (S % 2))
        ++L;
    if (plus && (L % 2) != (T % 2))
        L += S < 12 ? 1 : -1;
    const int P = pressed ? 1 : 0;
    const int hx = r.left() + (r.width() - L) / 2 + P;
    const int hy = r.top() + (r.height() - T) / 2 + P;
    const int vx = r.left() + (r.width() - T) / 2 + P;
    const int vy = r.top() + (r.height() - L) / 2 + P;
    drawMarks(enabled, [&](int offset, const QColor &color) {
        p.fillRect(QRect(hx + offset, hy + offset, L, T), color);
        if (plus)
            p.fillRect(QRect(vx + offset, vy + offset, T, L), color);
    });
}

void drawCheckBoxFace(QPainter &p, const QRect &r, const ButtonFaceKey &key)
{
    if (!key.flat) {
        drawCheckBoxFrame(p, r, key.checkState, key.pressed, key.enabled);
        return;
    }
    // Flat: the 3D frame falls outside the clip, a plain one-pixel frame takes its place.
    p.save();
    p.setClipRect(r.adjusted(1, 1, -1, -1));
    drawCheckBoxFrame(p, r.adjusted(-1, -1, 1, 1), key.checkState, key.pressed, key.enabled);
    p.restore();
    FrameRect(p, r, toQColor(key.active ? clBtnFace : clBtnShadow));
}

void drawButtonFaceKind(QPainter &p, const QRect &r, const ButtonFaceKey &key)
{
    QRect face = r;
    if (key.flat)
        face = r.adjusted(key.active ? -1 : -2, key.active ? -1 : -2, key.active ? 1 : 2, key.active ? 1 : 2);
    p.save();
    if (key.flat && key.active)
        p.setClipRect(r.adjusted(1, 1, -1, -1));
    switch (key.kind) {
    case bfkDropDownEh:
        drawArrowButton(p, face, true, key.pressed, key.flat, key.enabled);
        break;
    case bfkUpDownEh:
        drawArrowButton(p, face, key.lowerHalf, key.pressed, key.flat, key.enabled);
        break;
    case bfkEllipsisEh:
        drawEllipsisFace(p, face, key.flat, key.pressed, key.enabled);
        break;
    case bfkPlusEh:
    case bfkMinusEh:
        drawPlusMinusFace(p, face, key.kind == bfkPlusEh, key.flat, key.pressed, key.enabled);
        break;
    case bfkCheckBoxEh:
        break;
    }
    p.restore();
    if (key.flat && key.active)
        DrawEdge(p, r, key.pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

const QPixmap &buttonFace(const ButtonFaceKey &key)
{
    auto &cache = buttonsBitmapCache();
    for (const ButtonFace &entry : cache) {
        if (entry.key == key)
            return entry.face;
    }
    QPixmap face(std::max(1, key.width), std::max(1, key.height));
    face.fill(toQColor(clBtnFace));
    if (key.width > 0 && key.height > 0) {
        QPainter p(&face);
        const QRect r(0, 0, key.width, key.height);
        if (key.kind == bfkCheckBoxEh)
            drawCheckBoxFace(p, r, key);
        else if (key.kind <= bfkMinusEh)
            drawButtonFaceKind(p, r, key);
    }
    cache.append({key, face});
    return cache.last().face;
}

void copyFace(QPainter &painter, const QRect &r, ButtonFaceKey key)
{
    key.width = std::max(0, r.width());
    key.height = std::max(0, r.height());
    if (key.width == 0 || key.height == 0)
        return;
    painter.drawPixmap(r.topLeft(), buttonFace(key));
}

} // namespace

void DrawButtonControlFace(QPainter &painter, const QRect &rect, const QColor &parentColor, TButtonFaceKindEh kind,
                           int pressedPart, bool flat, bool active, bool enabled, int checkState)
{
    ButtonFaceKey key;
    key.kind = kind;
    key.flat = flat;
    key.active = active;
    key.enabled = enabled;
    key.pressed = pressedPart != 0;

    if (kind == bfkCheckBoxEh) {
        // A centred square, the odd pixel going to the right or bottom side.
        QRect r = rect;
        const int diff = r.width() - r.height();
        if (diff > 0)
            r.adjust(diff / 2, 0, -(diff - diff / 2), 0);
        else if (diff < 0)
            r.adjust(0, -diff / 2, 0, diff + (-diff) / 2);
        if (flat)
            r.adjust(1, 1, -1, -1);
        key.checkState = checkState;
        copyFace(painter, r, key);
        if (flat) {
            r.adjust(-1, -1, 1, 1);
            if (active)
                DrawEdge(painter, r, BDR_SUNKENOUTER, BF_RECT);
            else
                FrameRect(painter, r, parentColor);
        }
        return;
    }

    QRect r = rect;
    const bool ring = flat && !active;
    if (ring)
        r.adjust(1, 1, -1, -1);
    if (kind == bfkUpDownEh) {
        const int half = r.height() / 2;
        ButtonFaceKey upper = key;
        upper.pressed = pressedPart == 1;
        copyFace(painter, QRect(r.left(), r.top(), r.width(), half), upper);
        ButtonFaceKey lower = key;
        lower.pressed = pressedPart == 2;
        lower.lowerHalf = true;
        copyFace(painter, QRect(r.left(), r.top() + r.height() - half, r.width(), half), lower);
        const int gap = r.height() - 2 * half;
        if (gap > 0)
            painter.fillRect(QRect(r.left(), r.top() + half, r.width(), gap), parentColor);
        if (ring && r.height() > 0)
            painter.fillRect(QRect(r.left(), r.top() + half - (gap > 0 ? 0 : 1), r.width(), gap > 0 ? gap : 1),
                             parentColor);
    } else {
        copyFace(painter, r, key);
    }
    if (ring)
        FrameRect(painter, rect, parentColor);
}

void ClearButtonsBitmapCache()
{
    buttonsBitmapCache().clear();
}

int ButtonsBitmapCacheCount()
{
    return int(buttonsBitmapCache().size());
}
