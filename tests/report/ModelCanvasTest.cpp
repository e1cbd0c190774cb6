#include "ReportCanvas.h"

#include <QFontMetricsF>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QFont pixelFont(int px)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(px);
    return f;
}

TEST(ModelCanvas, RecordsEveryCallInOrderAndMeasuresWithItsMeasurer)
{
    RecordingCanvas c(std::make_shared<FixedWidthMeasurer>(7));
    c.setFont(pixelFont(13), Qt::black);
    c.setCharSpacing(1);
    EXPECT_EQ(c.textWidth(QStringLiteral("abcd")), 4 * 7 + 4);
    EXPECT_EQ(c.fontHeight(), 13);
    c.setPen(Qt::red, 2, Qt::DashLine);
    c.drawLine(QPoint(0, 0), QPoint(10, 0));
    c.setBrush(QBrush(Qt::blue));
    c.fillRect(QRect(1, 2, 3, 4));
    c.save();
    c.setTextRotated(true);
    c.drawText(5, 40, QStringLiteral("ab c"), QRect(0, 0, 50, 50), 3);
    c.restore();
    EXPECT_FALSE(c.textRotated());
    EXPECT_EQ(c.penColor(), QColor(Qt::red));
    c.drawText(5, 6, QStringLiteral("xy"), QRect(0, 0, 50, 50));

    EXPECT_EQ(c.drawings(), QStringList({"line 0,0 10,0", "fill 1,2 3x4 #0000ff", "text90 5,40 'ab c' +3",
                                         "text 5,6 'xy'"}));
    const CanvasRecord &turned = c.records().at(8);
    ASSERT_EQ(turned.kind, CanvasRecord::Text);
    // Turned text reads upwards from its position: its cell lies above it.
    EXPECT_EQ(turned.bounds, QRect(5, 40 - (4 * 8 + 3), 13, 4 * 8 + 3));
    EXPECT_EQ(c.records().back().bounds, QRect(5, 6, 16, 13));
}

TEST(ModelCanvas, DefaultMeasurerUsesTheFontPixelSize)
{
    FontMetricsMeasurer m;
    const double small = m.textWidth(pixelFont(10), QStringLiteral("WWWW"));
    const double large = m.textWidth(pixelFont(20), QStringLiteral("WWWW"));
    EXPECT_GT(small, 0);
    EXPECT_NEAR(large / small, 2.0, 0.2);

    // Widths are kept per font and text: the same texts in more fonts than are kept, taken twice in turn, still
    // measure as the font's own metrics do.
    for (int pass = 0; pass < 2; ++pass)
        for (int px : { 11, 13, 15 })
            for (bool bold : { false, true })
                for (const QString &text : { QStringLiteral("WWWW"), QStringLiteral("iiii"), QStringLiteral("WWWW ") }) {
                    QFont font = pixelFont(px);
                    font.setBold(bold);
                    EXPECT_DOUBLE_EQ(m.textWidth(font, text), QFontMetricsF(font).horizontalAdvance(text))
                        << px << (bold ? " bold " : " ") << text.toStdString();
                }
}

TEST(ModelCanvas, PaintsLinesRectanglesAndTextOnAnImage)
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        QPainterCanvas c(&painter);
        c.setPen(Qt::black, 1, Qt::SolidLine);
        c.drawLine(QPoint(5, 5), QPoint(15, 5));
        c.drawLine(QPoint(5, 10), QPoint(5, 20));
        c.setBrush(QBrush(Qt::red));
        c.fillRect(QRect(30, 5, 10, 10));
        c.setFont(pixelFont(16), Qt::blue);
        c.drawText(20, 20, QStringLiteral("██"), QRect(20, 20, 6, 30));
    }
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(14, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(15, 5), QColor(Qt::white)); // the end point is left out
    EXPECT_EQ(image.pixelColor(5, 19), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(5, 20), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(30, 5), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(39, 14), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(40, 15), QColor(Qt::white));
    // Text is clipped to its rectangle.
    bool blueInside = false, blueOutside = false;
    for (int y = 20; y < 40; ++y) {
        for (int x = 20; x < 60; ++x) {
            const QColor px = image.pixelColor(x, y);
            const bool blue = px.blue() > 150 && px.red() < 100;
            (x < 26 ? blueInside : blueOutside) |= blue;
        }
    }
    EXPECT_TRUE(blueInside);
    EXPECT_FALSE(blueOutside);
}

TEST(ModelCanvas, ReplayGivesTheSameDrawing)
{
    RecordingCanvas rec;
    rec.setPen(Qt::green, 1, Qt::SolidLine);
    rec.drawLine(QPoint(1, 1), QPoint(1, 8));
    rec.setBrush(QBrush(Qt::black));
    rec.drawPolygon(QPolygon({QPoint(4, 4), QPoint(9, 4), QPoint(9, 9)}));
    RecordingCanvas copy;
    rec.replay(copy);
    EXPECT_EQ(copy.drawings(), rec.drawings());
}

} // namespace
