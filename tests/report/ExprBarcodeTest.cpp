#include "frBarcod.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const char *const SetA[10] = {"2605", "1615", "1516", "0805", "0526", "0625", "0508", "0706", "0607", "2506"};
const char *const SetB[10] = {"0517", "0616", "1606", "0535", "1705", "0715", "3505", "1525", "2515", "1507"};
const char *const SetC[10] = {"7150", "6160", "6061", "5350", "5071", "5170", "5053", "5251", "5152", "7051"};

QString modules(const QString &widths)
{
    QString result;
    for (int i = 0; i < widths.size(); ++i)
        result += QChar(widths[i].unicode() + (i % 2 == 0 ? 4 : -1));
    return result;
}

int moduleCount(const QString &elements)
{
    int count = 0;
    for (QChar e : elements)
        count += QString("0123").contains(e) ? QString("0123").indexOf(e) + 1 : QString("5678").indexOf(e) + 1;
    return count;
}

QString encode(TfrBarcodeType typ, const QString &text, bool checksum = false, TfrBarcode *out = nullptr)
{
    TfrBarcode b;
    b.SetTyp(typ);
    b.SetText(text);
    b.SetChecksum(checksum);
    const QString elements = b.MakeElements();
    if (out)
        out->Assign(b);
    return elements;
}

QList<QPolygon> polygons(const RecordingCanvas &canvas)
{
    QList<QPolygon> result;
    for (const CanvasRecord &r : canvas.records())
        if (r.kind == CanvasRecord::Polygon)
            result << r.points;
    return result;
}

TEST(ExprBarcode, Ean13CheckDigitAndWidth)
{
    TfrBarcode b;
    const QString elements = encode(bcCodeEAN13, "123456789012", true, &b);
    EXPECT_EQ(b.Text(), "1234567890128");
    EXPECT_EQ(moduleCount(elements), 95);
    // First digit 1: digits 2 to 7 in the parities AABABB.
    EXPECT_EQ(elements.left(3 + 24), QString("505") + SetA[2] + SetA[3] + SetB[4] + SetA[5] + SetB[6] + SetB[7]);
    EXPECT_EQ(elements.mid(27, 5), "05050");
    EXPECT_EQ(elements.mid(32, 24), QString(SetC[8]) + SetC[9] + SetC[0] + SetC[1] + SetC[2] + SetC[8]);

    encode(bcCodeEAN13, "12345678901234", false, &b);
    EXPECT_EQ(b.Text(), "1234567890123");
    EXPECT_EQ(encode(bcCodeEAN8, "12"), encode(bcCodeEAN8, "00000012"));
    EXPECT_EQ(moduleCount(encode(bcCodeEAN8, "1234567", true)), 67);
}

TEST(ExprBarcode, UpcEAndSupplementsUseTheStandardCheckDigits)
{
    TfrBarcode b;
    // 123456 in number system 0 expands to 01234500006, whose check digit is 5: parity EooEEo.
    const QString e0 = encode(bcCodeUPC_E0, "1234560", true, &b);
    EXPECT_EQ(b.Text(), "1234565");
    EXPECT_EQ(e0, QString("505") + SetB[1] + SetA[2] + SetA[3] + SetB[4] + SetB[5] + SetA[6] + "050505");
    EXPECT_EQ(moduleCount(e0), 51);
    // Number system 1 inverts the parity; 11234500006 has the check digit 2.
    encode(bcCodeUPC_E1, "1234560", true, &b);
    EXPECT_EQ(b.Text(), "1234562");

    // 5 2 4 9 5 weighted 3 9 3 9 3 gives 141: check digit 1, parity GLGLL.
    const QString s5 = encode(bcCodeUPC_Supp5, "52495", true, &b);
    EXPECT_EQ(b.Text(), "524951");
    EXPECT_EQ(s5, QString("506") + SetB[5] + "05" + SetA[2] + "05" + SetB[4] + "05" + SetA[9] + "05" + SetA[5]);
    // 34 mod 4 = 2: even, odd. The two-digit supplement has no check digit.
    EXPECT_EQ(encode(bcCodeUPC_Supp2, "34", true, &b), QString("506") + SetB[3] + "05" + SetA[4]);
    EXPECT_EQ(b.Text(), "34");

    encode(bcCodeUPC_A, "036000291450", true, &b);
    EXPECT_EQ(b.Text(), "036000291452");
}

TEST(ExprBarcode, Code39)
{
    const QString star = "515060605", a = "605051506";
    EXPECT_EQ(encode(bcCode39, "A"), star + "0" + a + "0" + star);
    EXPECT_EQ(encode(bcCode39, "a#A"), encode(bcCode39, "A"));
    // C O D E 3 9 = 12 + 24 + 13 + 14 + 3 + 9 = 75, mod 43 = 32: "W".
    const QString withCheck = encode(bcCode39, "CODE39", true);
    EXPECT_EQ(withCheck.right(19), QString("616050505") + "0" + star);
    EXPECT_EQ(encode(bcCode39Extended, "a"), encode(bcCode39, "+A"));
    EXPECT_EQ(encode(bcCode39Extended, QString("%") + QChar(0)), encode(bcCode39, "/E%U"));
}

TEST(ExprBarcode, Code128Sets)
{
    // 12345 becomes the pairs 01 23 45; check (105 + 1 + 23 * 2 + 45 * 3) mod 103 = 81.
    EXPECT_EQ(encode(bcCode128C, "12345"), modules("211232" "222122" "312131" "113123" "121142" "2331112"));
    // "A" is value 33 in both sets; check (103 + 33) mod 103 = 33, (104 + 33) mod 103 = 34.
    EXPECT_EQ(encode(bcCode128A, "A"), modules("211412111323111323" "2331112"));
    EXPECT_EQ(encode(bcCode128B, "A"), modules("211214111323131123" "2331112"));
    // Set A has no small letters: they are sent as blanks.
    EXPECT_EQ(encode(bcCode128A, "a"), encode(bcCode128A, " "));
    // EAN-128 puts FNC1 first and counts it in the check: (105 + 102 + 12 * 2) mod 103 = 25.
    EXPECT_EQ(encode(bcCodeEAN128C, "12"), modules("211232411131112232321122" "2331112"));
}

TEST(ExprBarcode, Code93AndOthers)
{
    // "A" is value 10: C = 10 ("A"), K = 10 * 2 + 10 = 30 ("U").
    EXPECT_EQ(encode(bcCode93, "A"), modules("111141211113211113221121" "1111411"));
    EXPECT_EQ(encode(bcCode93Extended, "a"), encode(bcCode93, "}A"));
    EXPECT_EQ(encode(bcCode_2_5_interleaved, "123"), "5050" "6051505061" "605");
    EXPECT_EQ(encode(bcCode_2_5_industrial, "1"), "606050" "6050505060" "605060");
    EXPECT_EQ(encode(bcCode_2_5_matrix, "1"), "705050" "605060" "70505");
    // MSI 12: odd places 2 -> 4, plus even places 1 = 5: check 5.
    EXPECT_EQ(encode(bcCodeMSI, "12"), "60" "51515160" "51516051" "51605160" "515");
    // Forty digits: the doubled number is far beyond 64 bits; its check digit is 2.
    EXPECT_EQ(encode(bcCodeMSI, QString("1234567890").repeated(4)).right(11), "51516051" "515");
    EXPECT_EQ(encode(bcCodePostNet, "0"), "51" "5151A1A1A1" "5");
    EXPECT_EQ(encode(bcCodeCodabar, "1"), "5061515" "0" "5050615" "0" "5151506");
}

TEST(ExprBarcode, BadTextIsRefused)
{
    const struct {
        TfrBarcodeType typ;
        const char *text;
        const char *error;
    } cases[] = {
        {bcCodeEAN13, "12a", "Barcode must be numeric"},
        {bcCode93, "a", "TfrBarcode:Code93 bad Data <a>"},
        {TfrBarcodeType(23), "1", "TfrBarcode: wrong BarcodeType"},
        {bcCode128B, "ratio", "TfrBarcode: wrong Ratio"},
    };
    for (const auto &c : cases) {
        try {
            TfrBarcode b;
            b.SetTyp(c.typ);
            b.SetText(c.text);
            b.SetRatio(c.typ == bcCode128B ? 1e12 : 2);
            b.MakeElements();
            ADD_FAILURE() << c.text;
        } catch (const Exception &e) {
            EXPECT_EQ(e.message(), c.error);
        }
    }
    TfrBarcode b;
    encode(bcCodeEAN13, " \t 42 \r", false, &b);
    EXPECT_EQ(b.Text(), "0000000000042");
}

TEST(ExprBarcode, RatioLimitsModulAndWidth)
{
    TfrBarcode b;
    int changes = 0;
    b.OnChange = [&](TfrBarcode *) { ++changes; };
    b.SetTyp(bcCode39);
    b.SetText("A");
    b.SetRatio(1.5);
    changes = 0;
    b.MakeElements();
    EXPECT_EQ(b.Ratio(), 2.0);
    EXPECT_EQ(changes, 1);
    b.SetTyp(bcCode128B);
    b.SetRatio(1.5);
    b.MakeElements();
    EXPECT_EQ(b.Ratio(), 1.5);

    b.SetTyp(bcCode39);
    const int width = b.Width();
    b.SetWidth(width * 2);
    EXPECT_EQ(b.Modul(), 2);
    EXPECT_EQ(b.Width(), width * 2);
    b.SetModul(50);
    EXPECT_EQ(b.Modul(), 2);
    // Wide modules: the widest EAN elements (4 modules of 40) do not wrap round.
    b.SetTyp(bcCodeEAN13);
    b.SetText("123456789012");
    b.SetChecksum(true);
    b.SetRatio(2);
    b.SetModul(40);
    EXPECT_EQ(b.Width(), 95 * 40);
}

TEST(ExprBarcode, RotatedDrawingStaysRightOfAndBelowTheOrigin)
{
    for (double angle : {0.0, 90.0, 180.0, 270.0, 45.0, 135.0, 225.0, 315.0}) {
        TfrBarcode b;
        b.SetTyp(bcCodeEAN8);
        b.SetText("1234567");
        b.SetChecksum(true);
        b.SetLeft(100);
        b.SetTop(50);
        b.SetHeight(40);
        b.SetAngle(angle);
        RecordingCanvas canvas;
        b.DrawOn(canvas);
        EXPECT_EQ(canvas.records().front().kind, CanvasRecord::Save);
        EXPECT_EQ(canvas.records().back().kind, CanvasRecord::Restore);
        const QList<QPolygon> drawn = polygons(canvas);
        ASSERT_EQ(drawn.size(), b.MakeElements().size());
        QRect bounds;
        for (const QPolygon &p : drawn)
            bounds |= p.boundingRect();
        EXPECT_GE(bounds.left(), 100 - 1) << angle;
        EXPECT_GE(bounds.top(), 50 - 1) << angle;
        if (angle == 90.0) {
            // The bars lie across, the first one at the bottom.
            EXPECT_EQ(bounds, QRect(100, 51, 41, 67));
            EXPECT_EQ(drawn[0].boundingRect(), QRect(100, 50 + 67, 41, 1));
        }
    }
}

TEST(ExprBarcode, DrawsToAnImage)
{
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(Qt::gray);
    TfrBarcode b;
    b.SetTyp(bcCodePostNet);
    b.SetText("1");
    b.SetLeft(10);
    b.SetTop(5);
    b.SetHeight(50);
    {
        QPainter p(&image);
        QPainterCanvas canvas(&p);
        b.DrawOn(canvas);
    }
    // "51", the digit 1 "A1A1A15151" and "5": a full bar at 10, a space at 11 and 12, a short bar at 13.
    EXPECT_EQ(image.pixelColor(10, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(10, 54), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(11, 30), QColor(Qt::white));
    // A short bar is two fifths of the height, from the top.
    EXPECT_EQ(image.pixelColor(13, 20), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(13, 30), QColor(Qt::gray));
    EXPECT_EQ(image.pixelColor(9, 30), QColor(Qt::gray));
}

} // namespace
