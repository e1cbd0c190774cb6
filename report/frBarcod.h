#pragma once

#include "Exceptions.h"
#include "ReportCanvas.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>

enum TfrBarcodeType : quint8 {
    bcCode_2_5_interleaved,
    bcCode_2_5_industrial,
    bcCode_2_5_matrix,
    bcCode39,
    bcCode39Extended,
    bcCode128A,
    bcCode128B,
    bcCode128C,
    bcCode93,
    bcCode93Extended,
    bcCodeMSI,
    bcCodePostNet,
    bcCodeCodabar,
    bcCodeEAN8,
    bcCodeEAN13,
    bcCodeUPC_A,
    bcCodeUPC_E0,
    bcCodeUPC_E1,
    bcCodeUPC_Supp2,
    bcCodeUPC_Supp5,
    bcCodeEAN128A,
    bcCodeEAN128B,
    bcCodeEAN128C
};

enum TfrCheckSumMethod : quint8 { csmNone, csmModulo10 };

// What the barcode editor lists for each symbology, and whether the symbology accepts digits only.
struct TfrBarcodeTypeInfo {
    const char *DisplayName;
    bool Numeric;
};
extern const TfrBarcodeTypeInfo frBarcodeTypeInfo[bcCodeEAN128C + 1];



// A linear barcode: encodes Text into an element string (one character per bar or space) and paints the
// elements as filled polygons rotated by Angle about (Left, Top).
class TfrBarcode
{
public:
    TfrBarcode();
    virtual ~TfrBarcode() = default;

    void Assign(const TfrBarcode &source);

    int Height() const { return m_height; }
    void SetHeight(int value);
    QString Text() const { return m_text; }
    void SetText(const QString &value);
    int Top() const { return m_top; }
    void SetTop(int value);
    int Left() const { return m_left; }
    void SetLeft(int value);
    int Modul() const { return m_modul; }
    void SetModul(int value);
    double Ratio() const { return m_ratio; }
    void SetRatio(double value);
    TfrBarcodeType Typ() const { return m_typ; }
    void SetTyp(TfrBarcodeType value);
    bool Checksum() const { return m_checksum; }
    void SetChecksum(bool value);
    TfrCheckSumMethod CheckSumMethod() const { return m_checkSumMethod; }
    void SetCheckSumMethod(TfrCheckSumMethod value) { m_checkSumMethod = value; }
    double Angle() const { return m_angle; }
    void SetAngle(double value);
    int Width();
    void SetWidth(int value);
    QColor Color() const { return m_color; }
    void SetColor(const QColor &value) { m_color = value; }
    QColor ColorBar() const { return m_colorBar; }
    void SetColorBar(const QColor &value) { m_colorBar = value; }

    std::function<void(TfrBarcode *)> OnChange;

    QString MakeElements();
    void DrawOn(ReportCanvas &canvas);
    QString AddCheckDigit(const QString &s) const;

protected:
    virtual void Changed();

private:
    void DrawElements(const QString &elements, ReportCanvas &canvas);
    int ElementWidth(QChar element) const;
    QString FitText(int n) const;
    QString EncodeCode128(const QString &text);

    int m_height = 0;
    QString m_text;
    int m_top = 0;
    int m_left = 0;
    int m_modul = 1;
    double m_ratio = 2.0;
    TfrBarcodeType m_typ = bcCodeEAN13;
    bool m_checksum = false;
    TfrCheckSumMethod m_checkSumMethod = csmModulo10;
    double m_angle = 0.0;
    QColor m_color = Qt::white;
    QColor m_colorBar = Qt::black;
    int m_w[4] = {1, 2, 3, 4};
};
