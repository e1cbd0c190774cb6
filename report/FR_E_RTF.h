#pragma once

#include "FR_E_TXT.h"

#include <QByteArray>
#include <QStringList>

// Prepared pages as a Rich Text document: each grid line a paragraph with its texts at tab stops, or a table
// row with a cell per text; pictures as positioned frames; pages separated by page breaks.
class TfrRTFExport : public TfrTextExport
{
    Q_OBJECT
public:
    explicit TfrRTFExport(QObject *owner = nullptr);

    bool ExportBitmaps = false;
    bool ConvertToTable = false;

    int ShowModal() override;
    void OnBeginDoc() override;
    void OnData(int x, int y, TfrView *view) override;
    void OnEndPage() override;
    void OnEndDoc() override;

private:
    struct Picture
    {
        int x, y, w, h;
        int gw, gh;
        QByteArray bmp; // a BMP file
    };
    int Twips(double p) const;
    void WritePicture(const Picture &p);
    int FontNumber(const QString &name);
    int ColorNumber(int color);

    QStringList m_fonts, m_colors;
    std::vector<Picture> m_pictures;
    QByteArray m_body;
    bool m_pageWritten = false;
};

// Text for a document that declares code page 1251: "\", "{" and "}" escaped, anything beyond 7-bit ASCII
// as \'xx of its 1251 byte.
QByteArray frRtfText(const QString &text);
