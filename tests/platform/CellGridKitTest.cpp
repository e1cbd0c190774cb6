#include "WidgetKit.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QImage canvas(int w, int h, const QColor &fill = Qt::white)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QColor at(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

TEST(CellGridKit, DeferredCallRunsOnceHoweverOftenPosted)
{
    int runs = 0;
    TDeferredCall call([&] { ++runs; });
    call.Post();
    call.Post();
    call.Post();
    EXPECT_TRUE(call.IsPending());
    EXPECT_EQ(runs, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(call.IsPending());

}

TEST(CellGridKit, DeferredCallCancelWithdrawsTheQueuedCall)
{
    int runs = 0;
    TDeferredCall call([&] { ++runs; });
    EXPECT_FALSE(call.Cancel());
    call.Post();
    EXPECT_TRUE(call.Cancel());
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0);
    call.Post();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 1);
}

TEST(CellGridKit, DeferredCallReportsAThrowingCallAndStaysUsable)
{
    int runs = 0;
    TDeferredCall call([&] {
        if (++runs == 1)
            throw std::runtime_error("layout failed");
    });
    call.Post();
    QCoreApplication::processEvents();
    call.Post();
    QCoreApplication::processEvents();
    EXPECT_EQ(runs, 2);
}

TEST(CellGridKit, EdgesPaintTheirRingsInTheSystemColours)
{
    struct Case
    {
        unsigned edge;
        TColor outerTopLeft, outerBottomRight, innerTopLeft, innerBottomRight;
    };
    const Case cases[] = {
        {EDGE_RAISED, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow},
        {EDGE_SUNKEN, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight},
    };
    for (const Case &c : cases) {
        QImage image = canvas(10, 8, Qt::red);
        QPainter p(&image);
        const QRect inside = DrawEdge(p, QRect(0, 0, 10, 8), c.edge, BF_RECT | BF_MIDDLE);
        p.end();
        EXPECT_EQ(inside, QRect(2, 2, 6, 4));
        EXPECT_EQ(at(image, 0, 0), toQColor(c.outerTopLeft));
        EXPECT_EQ(at(image, 9, 7), toQColor(c.outerBottomRight));
        EXPECT_EQ(at(image, 1, 1), toQColor(c.innerTopLeft));
        EXPECT_EQ(at(image, 8, 6), toQColor(c.innerBottomRight));
        EXPECT_EQ(at(image, 5, 4), toQColor(clBtnFace));
    }

    // Only the sides asked for are painted and taken off the rectangle.
    QImage image = canvas(6, 6);
    QPainter p(&image);
    EXPECT_EQ(DrawEdge(p, QRect(0, 0, 6, 6), BDR_RAISEDINNER, BF_BOTTOMRIGHT), QRect(0, 0, 5, 5));
    p.end();
    EXPECT_EQ(at(image, 0, 0), QColor(Qt::white));
    EXPECT_EQ(at(image, 5, 5), toQColor(clBtnShadow));
}

TEST(CellGridKit, FocusRectangleInvertsEverySecondPixelAndUndoesItself)
{
    QImage image = canvas(8, 6);
    const QImage before = image;
    QPainter p(&image);
    DrawFocusRect(p, QRect(1, 1, 6, 4));
    p.end();
    EXPECT_EQ(at(image, 1, 1), QColor(Qt::black));
    EXPECT_EQ(at(image, 2, 1), QColor(Qt::white));
    EXPECT_EQ(at(image, 3, 1), QColor(Qt::black));
    EXPECT_EQ(at(image, 3, 3), QColor(Qt::white)) << "the inside stays";
    EXPECT_EQ(at(image, 0, 0), QColor(Qt::white)) << "nothing outside";
    p.begin(&image);
    DrawFocusRect(p, QRect(1, 1, 6, 4));
    p.end();
    EXPECT_EQ(image, before);
}

TEST(CellGridKit, EditButtonSizes)
{
    const int flat = FlatButtonWidth();
    EXPECT_LE(flat, ScrollBarExtent());
    EXPECT_TRUE(flat % 2 == 1 || flat == ScrollBarExtent()) << flat;

    struct Case
    {
        int width;
        bool flat;
        int height;
    };
    for (const Case &c : {Case{15, true, 22}, Case{13, true, 20}, Case{16, true, 24}, Case{13, false, 13}})
        EXPECT_EQ(EditButtonHeightForWidth(c.width, c.flat), c.height) << c.width << " " << c.flat;

    EXPECT_EQ(CheckBoxGlyphSize(), QSize(13, 13));
}

TEST(CellGridKit, FlatInactiveButtonLeavesARingInTheParentColour)
{
    const QColor parent(10, 200, 30);
    for (TButtonFaceKindEh kind : {bfkDropDownEh, bfkEllipsisEh, bfkPlusEh, bfkCheckBoxEh}) {
        QImage image = canvas(17, 17, Qt::red);
        QPainter p(&image);
        DrawButtonControlFace(p, QRect(0, 0, 17, 17), parent, kind, 0, true, false, true, 0);
        p.end();
        EXPECT_EQ(at(image, 0, 0), parent) << int(kind);
        EXPECT_EQ(at(image, 16, 8), parent) << int(kind);
        EXPECT_NE(at(image, 1, 1), parent) << int(kind);
    }
}

TEST(CellGridKit, UpDownFacePressesOnlyTheHalfAsked)
{
    const QColor parent(10, 200, 30);
    auto face = [&](int pressedPart, int height) {
        QImage image = canvas(15, height, Qt::red);
        QPainter p(&image);
        DrawButtonControlFace(p, QRect(0, 0, 15, height), parent, bfkUpDownEh, pressedPart, false, true, true, 0);
        return image;
    };
    const QImage up = face(0, 20);
    const QImage lowerPressed = face(2, 20);
    EXPECT_EQ(up.copy(0, 0, 15, 10), lowerPressed.copy(0, 0, 15, 10));
    EXPECT_NE(up.copy(0, 10, 15, 10), lowerPressed.copy(0, 10, 15, 10));
    EXPECT_NE(up.copy(0, 0, 15, 10), face(1, 20).copy(0, 0, 15, 10));

    // An odd height leaves the middle row to the parent colour.
    const QImage odd = face(0, 21);
    for (int x = 0; x < 15; ++x)
        EXPECT_EQ(at(odd, x, 10), parent) << x;
}

TEST(CellGridKit, CheckBoxIsDrawnAsACentredSquareWithItsState)
{
    auto box = [](int checkState, bool enabled) {
        QImage image = canvas(21, 13, Qt::red);
        QPainter p(&image);
        DrawButtonControlFace(p, QRect(0, 0, 21, 13), Qt::red, bfkCheckBoxEh, 0, false, true, enabled, checkState);
        return image;
    };
    const QImage unchecked = box(0, true);
    EXPECT_EQ(at(unchecked, 3, 6), QColor(Qt::red)) << "left of the square untouched";
    EXPECT_EQ(at(unchecked, 17, 6), QColor(Qt::red)) << "right of the square untouched";
    EXPECT_EQ(at(unchecked, 4, 0), toQColor(clBtnShadow));
    EXPECT_EQ(at(unchecked, 10, 6), toQColor(clWindow));
    auto markPixels = [](const QImage &image) {
        int n = 0;
        for (int y = 2; y < 11; ++y)
            for (int x = 6; x < 15; ++x)
                n += at(image, x, y) == toQColor(clWindowText);
        return n;
    };
    EXPECT_EQ(markPixels(unchecked), 0);
    EXPECT_GT(markPixels(box(1, true)), 10);
    EXPECT_NE(box(2, true), box(1, true));
    EXPECT_NE(box(1, false), box(1, true));
}

TEST(CellGridKit, ButtonFacesAreDrawnOnceAndRedrawnAfterTheCacheIsCleared)
{
    ClearButtonsBitmapCache();
    QImage image = canvas(40, 20);
    QPainter p(&image);
    for (int i = 0; i < 3; ++i) {
        DrawButtonControlFace(p, QRect(0, 0, 17, 20), Qt::white, bfkDropDownEh, 0, false, true, true, 0);
        DrawButtonControlFace(p, QRect(20, 0, 17, 20), Qt::white, bfkEllipsisEh, 0, false, true, true, 0);
    }
    EXPECT_EQ(ButtonsBitmapCacheCount(), 2);
    DrawButtonControlFace(p, QRect(0, 0, 17, 20), Qt::white, bfkDropDownEh, 1, false, true, true, 0);
    EXPECT_EQ(ButtonsBitmapCacheCount(), 3);
    const QImage drawn = image;
    ClearButtonsBitmapCache();
    EXPECT_EQ(ButtonsBitmapCacheCount(), 0);
    DrawButtonControlFace(p, QRect(0, 0, 17, 20), Qt::white, bfkDropDownEh, 1, false, true, true, 0);
    p.end();
    EXPECT_EQ(image, drawn);
}

TEST(CellGridKit, ImageListCutsStripsAndMasksAColour)
{
    QImage strip(48, 16, QImage::Format_RGB32);
    strip.fill(Qt::magenta);
    QPainter(&strip).fillRect(QRect(16, 0, 16, 16), Qt::blue);
    int changes = 0;
    TImageList list(16, 16);
    list.OnChange = [&] { ++changes; };
    EXPECT_EQ(list.AddMasked(strip, Qt::magenta), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(changes, 1);

    QImage image = canvas(16, 16);
    QPainter p(&image);
    list.Draw(p, 0, 0, 0);
    EXPECT_EQ(at(image, 8, 8), QColor(Qt::white)) << "mask colour is transparent";
    list.Draw(p, 0, 0, 1);
    EXPECT_EQ(at(image, 8, 8), QColor(Qt::blue));
    list.Draw(p, 0, 0, 1, false);
    const QColor grey = at(image, 8, 8);
    EXPECT_EQ(grey.red(), grey.blue());
    EXPECT_GT(grey.red(), 128);
    list.Draw(p, 0, 0, 7);
    p.end();
    EXPECT_EQ(at(image, 8, 8), grey) << "an index beyond the list draws nothing";
}

TEST(CellGridKit, ClipboardCarriesOurFormatBesideText)
{
    Clipboard::SetData(QStringLiteral("a\tb"), {{QString::fromLatin1(ClipboardGridDataFormat), QByteArray("\x01\x02")}});
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("a\tb"));
    ASSERT_TRUE(Clipboard::HasFormat(QString::fromLatin1(ClipboardGridDataFormat)));
    EXPECT_EQ(Clipboard::Data(QString::fromLatin1(ClipboardGridDataFormat)), QByteArray("\x01\x02"));
    Clipboard::SetText(QStringLiteral("plain"));
    EXPECT_FALSE(Clipboard::HasFormat(QString::fromLatin1(ClipboardGridDataFormat)));
}

TEST(CellGridKit, FontKeepsColourAndStyleAndReportsChanges)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&] { ++changes; };
    font.SetStyle(fsBold | fsItalic);
    font.SetStyle(fsBold | fsItalic);
    font.SetColor(clHighlightText);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(font.Style(), TFontStyles(fsBold | fsItalic));
    EXPECT_TRUE(font.qfont().bold());
    EXPECT_EQ(font.qcolor(), toQColor(clHighlightText));

    TFont other;
    other.Assign(font);
    EXPECT_TRUE(other == font);
    const TTextMetric tm = GetTextMetric(font.qfont());
    EXPECT_EQ(tm.Height, tm.Ascent + tm.Descent);
    EXPECT_EQ(tm.Overhang, 0);
    EXPECT_GT(TextWidth(font.qfont(), QStringLiteral("Wg")), TextWidth(font.qfont(), QStringLiteral("W")));
}

TEST(CellGridKit, CursorsFromImagesFallBackWhenTheImageIsMissing)
{
    EXPECT_EQ(LoadCursorImage(QStringLiteral(":/no/such.png"), {0, 0}, Qt::SplitHCursor).shape(), Qt::SplitHCursor);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("right.png"));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::black);
    ASSERT_TRUE(image.save(path));
    const QCursor cursor = LoadCursorImage(path, {3, 5});
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 5));
}

TEST(CellGridKit, CellTipCoversTheCellAndGrowsForLongerText)
{
    TCellTipWindow tip;
    TFont font;
    font.SetColor(clInfoText);
    tip.ActivateTip(QRect(100, 50, 40, 18), QStringLiteral("x"), font, clInfoBk);
    EXPECT_TRUE(tip.IsActive());
    EXPECT_EQ(tip.geometry().topLeft(), QPoint(100, 50));
    EXPECT_GE(tip.width(), 40);
    EXPECT_GE(tip.height(), 18);
    EXPECT_EQ(tip.palette().color(QPalette::Window), toQColor(clInfoBk));

    const QString longText = QStringLiteral("a text much wider than the cell it belongs to");
    tip.ActivateTip(QRect(100, 50, 40, 18), longText, font, clInfoBk);
    EXPECT_GE(tip.width(), TextWidth(font.qfont(), longText));
    tip.HideTip();
    EXPECT_FALSE(tip.IsActive());
}
