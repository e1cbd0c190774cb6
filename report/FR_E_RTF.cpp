#include "FR_E_RTF.h"

#include "FR_Class.h"
#include "FR_ExportForms.h"
#include "FR_Globals.h"
#include "FR_Locale.h"

#include "CodePage.h"

#include <QBuffer>
#include <QCheckBox>
#include <QImage>

namespace {

QByteArray num(qint64 v)
{
    return QByteArray::number(v);
}

QByteArray le32(quint32 v)
{
    return QByteArray::number(v & 0xFF, 16).rightJustified(2, '0').toUpper()
           + QByteArray::number((v >> 8) & 0xFF, 16).rightJustified(2, '0').toUpper()
           + QByteArray::number((v >> 16) & 0xFF, 16).rightJustified(2, '0').toUpper()
           + QByteArray::number((v >> 24) & 0xFF, 16).rightJustified(2, '0').toUpper();
}

QByteArray le16(quint32 v)
{
    return le32(v).left(4);
}

// The picture as a BMP file; JPEG and icon pictures become 24-bit bitmaps, metafiles are left out (empty).
QByteArray bmpOf(const TfrPicture &picture)
{
    if (picture.GetKind() == TfrPicture::Metafile || picture.IsEmpty())
        return {};
    if (picture.GetKind() == TfrPicture::Bitmap && picture.Data().startsWith("BM"))
        return picture.Data();
    const QImage image = picture.Image().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

QByteArray frRtfText(const QString &text)
{
    const QByteArray bytes = encodeText(text, CodePage::CP1251);
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = uchar(c);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (b >= 0x80) {
            out += "\\'";
            out += QByteArray::number(b, 16).rightJustified(2, '0');
        } else {
            out += c;
        }
    }
    return out;
}

TfrRTFExport::TfrRTFExport(QObject *owner)
    : TfrTextExport(owner, false)
{
    RegisterExportFilter(this, GetLocaleString(55218) + QStringLiteral(" (*.rtf)"), QStringLiteral("*.rtf"));
    ShowDialog = true;
    ScaleX = 1.3;
    ScaleY = 1.0;
    KillEmptyLines = true;
    PageBreaks = true;
}

int TfrRTFExport::ShowModal()
{
    if (!ShowDialog)
        return 1;
    TfrRTFExportForm form;
    form.CB1->setChecked(KillEmptyLines);
    form.CB2->setChecked(ExportBitmaps);
    form.CB3->setChecked(ConvertToTable);
    form.CB5->setChecked(PageBreaks);
    form.SetScales(ScaleX, ScaleY);
    const int result = form.exec() == QDialog::Accepted ? 1 : 2;
    ScaleX = form.ScaleX();
    ScaleY = form.ScaleY();
    KillEmptyLines = form.CB1->isChecked();
    ExportBitmaps = form.CB2->isChecked();
    ConvertToTable = form.CB3->isChecked();
    PageBreaks = form.CB5->isChecked();
    return result;
}

int TfrRTFExport::Twips(double p) const
{
    return frRound(p / (1.3 / ScaleX) * 20);
}

void TfrRTFExport::OnBeginDoc()
{
    m_pageWritten = false;
    m_fonts.clear();
    m_colors.clear();
    m_pictures.clear();
    m_body.clear();
    Write("{\\rtf1\\ansi\\ansicpg1251\r\n\\margl600\\margr600\\margt600\\margb600\r\n");
}

void TfrRTFExport::OnData(int x, int y, TfrView *view)
{
    const auto *pv = dynamic_cast<const TfrPictureView *>(view);
    if (!pv)
        return;
    QByteArray bmp = bmpOf(pv->Picture);
    if (bmp.size() < 14)
        return;
    m_pictures.push_back({x, y, view->Width, view->Height, pv->Picture.Width(), pv->Picture.Height(), std::move(bmp)});
}

void TfrRTFExport::WritePicture(const Picture &p)
{
    QByteArray &b = m_body;
    b += "\\pard\\phmrg\\posx" + num(Twips(p.x)) + "\\posy" + num(frRound(p.y * 20 / 1.3)) + "\\absh" + num(qint64(p.h) * 20)
         + "\\absw" + num(qint64(p.w) * 20) + "{\\pict\\wmetafile8\\picw" + num(frRound(p.w * 26.46875)) + "\\pich"
         + num(frRound(p.h * 26.46875)) + " \\picbmp\\picbpp4\r\n";
    const quint32 size = quint8(p.bmp[2]) | quint32(quint8(p.bmp[3])) << 8 | quint32(quint8(p.bmp[4])) << 16
                         | quint32(quint8(p.bmp[5])) << 24;
    const quint32 R = size / 2 + 7;
    b += "010009000003" + le32(R + 36) + "0000" + le32(R) + "0000";
    b += "050000000b0200000000";
    b += "050000000c02" + le16(p.gh) + le16(p.gw);
    b += "05000000090200000000";
    b += "050000000102ffffff00";
    b += "0400000007010300";
    b += le32(R) + "430f" + "2000cc00" + "0000" + le16(p.gh) + le16(p.gw) + "00000000" + le16(p.gh) + le16(p.gw)
         + "00000000\r\n";
    const QByteArray dib = p.bmp.mid(14).toHex().toUpper();
    for (qsizetype i = 0; i < dib.size(); i += 128) {
        b += dib.mid(i, 128);
        if (i + 128 <= dib.size())
            b += "\r\n";
    }
    b += "030000000000}\\par\r\n";
}

int TfrRTFExport::FontNumber(const QString &name)
{
    for (int i = 0; i < m_fonts.size(); ++i)
        if (m_fonts[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    m_fonts << name;
    return int(m_fonts.size()) - 1;
}

int TfrRTFExport::ColorNumber(int color)
{
    const QString key = QString::number(color);
    int i = int(m_colors.indexOf(key));
    if (i < 0) {
        m_colors << key;
        i = int(m_colors.size()) - 1;
    }
    return i + 1;
}

void TfrRTFExport::OnEndPage()
{
    QByteArray &b = m_body;
    if (m_pageWritten && PageBreaks)
        b += "\\page\r\n";
    if (ExportBitmaps)
        for (const Picture &p : m_pictures)
            WritePicture(p);
    m_pictures.clear();
    const int last = LastLine();
    for (int L = 0; L <= last; ++L) {
        const auto &chain = Lines[size_t(L)];
        QByteArray prefix = ConvertToTable ? "\\trowd \\trgaph108" : "\\pard";
        QByteArray content;
        QString font;
        int size = -1, style = -1, color = -1, rightEdge = 0;
        for (size_t n = 0; n < chain.size(); ++n) {
            const TfrTextRec &q = chain[n];
            if (!ConvertToTable) {
                if (q.Alignment == 1)
                    prefix += "\\tqr";
                prefix += "\\tx" + num(Twips(q.X));
            } else if (n > 0) {
                prefix += "\\cellx" + num(Twips(q.X));
            }
            const int c = q.FontColor == 0xFFFFFF ? 0 : q.FontColor;
            QByteArray format;
            if (ConvertToTable || q.FontName != font)
                format += "\\f" + num(FontNumber(q.FontName));
            if (ConvertToTable || q.FontSize != size)
                format += "\\fs" + num(q.FontSize * 2);
            if (ConvertToTable || q.FontStyle != style) {
                // A style that loses italic, bold or underline within a line says so, or the rest of the line
                // would keep it.
                const int was = style < 0 || ConvertToTable ? 0 : style;
                const int on = q.FontStyle, off = was & ~on;
                if (on & 1)
                    format += "\\i";
                if (on & 2)
                    format += "\\b";
                if (on & 4)
                    format += "\\ul";
                if (off & 1)
                    format += "\\i0";
                if (off & 2)
                    format += "\\b0";
                if (off & 4)
                    format += "\\ul0";
            }
            if (ConvertToTable || c != color)
                format += "\\cf" + num(ColorNumber(c));
            if (ConvertToTable)
                content += "{" + format + " " + frRtfText(q.Text) + "}\\cell ";
            else
                content += "\\tab" + format + " " + frRtfText(q.Text);
            font = q.FontName;
            size = q.FontSize;
            style = q.FontStyle;
            color = c;
            rightEdge = Twips(q.DrawRect.x() + q.DrawRect.width());
        }
        if (KillEmptyLines && chain.empty())
            continue;
        if (chain.empty())
            b += "{\\pard \\par}\r\n";
        else if (ConvertToTable)
            b += prefix + "\\cellx" + num(rightEdge) + " \\trleft" + num(Twips(chain.front().X)) + " \\pard \\intbl "
                 + content + "\\pard \\intbl \\row\r\n";
        else
            b += prefix + "{" + content + "\\par}\r\n";
    }
    if (ConvertToTable)
        b += "\\pard\r\n";
    m_pageWritten = true;
}

void TfrRTFExport::OnEndDoc()
{
    m_body += "\\par}";
    auto table = [this](QByteArray buffer, const std::vector<QByteArray> &entries) {
        for (const QByteArray &entry : entries) {
            if (buffer.size() + entry.size() > 254) {
                buffer += "\r\n";
                Write(buffer);
                buffer = entry;
            } else {
                buffer += entry;
            }
        }
        Write(buffer + "}\r\n");
    };
    std::vector<QByteArray> fonts, colors;
    for (int i = 0; i < m_fonts.size(); ++i)
        fonts.push_back("{\\f" + num(i) + " " + frRtfText(m_fonts[i]) + "}");
    for (const QString &c : std::as_const(m_colors)) {
        const int v = c.toInt();
        colors.push_back("\\red" + num(v & 0xFF) + "\\green" + num((v >> 8) & 0xFF) + "\\blue" + num((v >> 16) & 0xFF)
                         + ";");
    }
    table("{\\fonttbl", fonts);
    table("{\\colortbl;", colors);
    Write(m_body);
    m_body.clear();
    m_fonts.clear();
    m_colors.clear();
}
