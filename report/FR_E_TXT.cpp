#include "FR_E_TXT.h"

#include "FR_Class.h"
#include "FR_ExportForms.h"
#include "FR_Globals.h"
#include "FR_Locale.h"

#include "CodePage.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

// The directions a frame piece joins: 1 up, 2 right, 4 down, 8 left.
enum : int { Vertical = 5, Horizontal = 10, TopLeft = 6, TopRight = 12, BottomLeft = 3, BottomRight = 9 };

bool isFrameCode(QChar c)
{
    switch (c.unicode()) {
    case 3: case 5: case 6: case 7: case 9: case 10: case 11: case 12: case 13: case 14: case 15:
        return true;
    default:
        return false;
    }
}

// Puts n pieces of a frame code from position c (counted from 1) on; pieces join with the frame already there.
void putFrame(QString &line, int c, int n, int code)
{
    if (n <= 0)
        return;
    // A frame at the page's left edge would fall before the first column.
    c = std::max(c, 1);
    if (line.size() < c + n)
        line += QString(c + n - line.size(), u' ');
    for (int i = c; i < c + n; ++i) {
        QChar &ch = line[i - 1];
        ch = QChar(code | (isFrameCode(ch) ? ch.unicode() : 0));
    }
}

// A horizontal edge of d ... d + w - 1 with the corner codes at its ends when the side edges are drawn.
void putEdge(QString &line, int d, int w, bool left, bool right, int leftCorner, int rightCorner)
{
    int c = d, n = w;
    if (left) {
        putFrame(line, d, 1, leftCorner);
        ++c;
        --n;
    }
    if (right) {
        putFrame(line, c + n - 1, 1, rightCorner);
        --n;
    }
    putFrame(line, c, n, Horizontal);
}

bool holdsText(const QString &line)
{
    for (QChar c : line)
        if (c != u' ' && !isFrameCode(c))
            return true;
    return false;
}

} // namespace

char frFrameChar(int code, bool pseudographic)
{
    struct Row
    {
        int code;
        unsigned char oem;
        char plain;
    };
    static const Row rows[] = {
        {5, 0xB3, '|'},  {10, 0xC4, '-'}, {6, 0xDA, '+'},  {12, 0xBF, '+'}, {3, 0xC0, '+'}, {9, 0xD9, '+'},
        {11, 0xC1, '+'}, {7, 0xC3, '+'},  {14, 0xC2, '+'}, {13, 0xB4, '+'}, {15, 0xC5, '+'},
    };
    for (const Row &r : rows)
        if (r.code == code)
            return pseudographic ? char(r.oem) : r.plain;
    return 0;
}

TfrTextExport::TfrTextExport(QObject *owner)
    : TfrTextExport(owner, true)
{
}

TfrTextExport::TfrTextExport(QObject *owner, bool registerSelf)
    : TfrExportFilter(owner)
{
    ShowDialog = true;
    if (registerSelf)
        RegisterExportFilter(this, GetLocaleString(55212) + QStringLiteral(" (*.txt)"), QStringLiteral("*.txt"));
}

int TfrTextExport::ShowModal()
{
    if (!ShowDialog)
        return 1;
    TfrTXTExportForm form;
    form.CB1->setChecked(KillEmptyLines);
    form.CB2->setChecked(ConvertToOEM);
    form.CB3->setChecked(ExportFrames);
    form.CB4->setChecked(UsePseudographic);
    form.CB4->setEnabled(ExportFrames);
    form.CB5->setChecked(PageBreaks);
    form.SetScales(ScaleX, ScaleY);
    const int result = form.exec() == QDialog::Accepted ? 1 : 2;
    ScaleX = form.ScaleX();
    ScaleY = form.ScaleY();
    KillEmptyLines = form.CB1->isChecked();
    ConvertToOEM = form.CB2->isChecked();
    ExportFrames = form.CB3->isChecked();
    UsePseudographic = form.CB4->isChecked();
    PageBreaks = form.CB5->isChecked();
    return result;
}

void TfrTextExport::OnBeginPage()
{
    ClearLines();
}

void TfrTextExport::OnText(const QRect &drawRect, int x, int y, const QString &text, int frameTyp, TfrView *view)
{
    if (!view)
        return;
    TfrTextRec rec;
    rec.X = x;
    rec.Text = text;
    if (const auto *memo = dynamic_cast<const TfrMemoView *>(view)) {
        rec.FontName = memo->Font.Name.left(32);
        rec.FontSize = memo->Font.Size;
        rec.FontStyle = memo->Font.Style;
        rec.FontColor = memo->Font.Color;
        rec.FontCharset = memo->Font.Charset;
        rec.Alignment = memo->Alignment;
        if (rec.Alignment == 1)
            rec.X = drawRect.x() + drawRect.width();
    }
    rec.DrawRect = drawRect;
    rec.FrameTyp = frameTyp;
    rec.FillColor = view->FillColor;
    // A text above the page's top still gets the first line rather than being lost.
    AddTextRec(std::move(rec), std::max(0, frRound(y / (14.0 / ScaleY))));
}

void TfrTextExport::AddTextRec(TfrTextRec rec, int line)
{
    if (line >= int(Lines.size()))
        Lines.resize(size_t(line) + 1);
    auto &chain = Lines[size_t(line)];
    auto at = std::find_if(chain.begin(), chain.end(), [&rec](const TfrTextRec &q) { return q.X >= rec.X; });
    chain.insert(at, std::move(rec));
}

int TfrTextExport::LastLine() const
{
    for (int i = int(Lines.size()) - 1; i >= 0; --i)
        if (!Lines[size_t(i)].empty())
            return i;
    return -1;
}

QByteArray TfrTextExport::Encode(const QString &text) const
{
    return encodeText(text, ConvertToOEM ? CodePage::CP866 : CodePage::CP1251);
}

void TfrTextExport::OnEndPage()
{
    m_out.clear();
    const int last = LastLine();
    const double k = 6.5 / ScaleX;
    for (int L = 0; L <= last; ++L) {
        int r = int(m_out.size());
        QString s;
        int col = 0;
        const auto &chain = Lines[size_t(L)];
        for (const TfrTextRec &q : chain) {
            int b = frRound(q.X / k);
            if (q.Alignment == 1)
                b -= int(q.Text.size());
            if (b > col)
                s += QString(b - col, u' ');
            s += q.Text;
            col = b + int(q.Text.size());
            if (!ExportFrames || q.FrameTyp == 0)
                continue;
            const int d = frRound(q.DrawRect.x() / k);
            const int w = frRound((q.DrawRect.x() + q.DrawRect.width()) / k) - d + 1;
            const bool left = q.FrameTyp & 4, right = q.FrameTyp & 1;
            if (q.FrameTyp & 8) {
                if (m_out.isEmpty()) {
                    m_out << QString();
                    r = 1;
                } else if (r < 1 || holdsText(m_out[r - 1])) {
                    m_out << QString();
                    r = int(m_out.size());
                }
                putEdge(m_out[r - 1], d, w, left, right, TopLeft, TopRight);
            }
            if (q.FrameTyp & 2) {
                if (m_out.size() == r) {
                    m_out << QString();
                    r = int(m_out.size()) - 1;
                    m_out << QString();
                } else if (m_out.size() == r + 1) {
                    m_out << QString();
                }
                putEdge(m_out[r + 1], d, w, left, right, BottomLeft, BottomRight);
            }
            if (left || right) {
                if (r >= m_out.size()) {
                    m_out << QString();
                    r = int(m_out.size()) - 1;
                }
                if (left)
                    putFrame(m_out[r], d, 1, Vertical);
                if (right)
                    putFrame(m_out[r], d + w - 1, 1, Vertical);
            }
        }
        if (KillEmptyLines && chain.empty())
            continue;
        if (r >= m_out.size()) {
            m_out << s;
            continue;
        }
        QString &t = m_out[r];
        if (t.size() < s.size())
            t += QString(s.size() - t.size(), u' ');
        for (int i = 0; i < s.size(); ++i)
            if (t[i] == u' ')
                t[i] = s[i];
    }
    const int formFeed = PageBreaks ? int(m_out.size()) : -1;
    if (PageBreaks)
        m_out << QString(QChar(12));
    QByteArray bytes;
    for (int i = 0; i < m_out.size(); ++i) {
        if (i == formFeed) {
            bytes += "\x0C\r\n";
            continue;
        }
        QByteArray line = Encode(m_out[i]);
        for (char &c : line)
            if (const char f = isFrameCode(QChar(uchar(c))) ? frFrameChar(uchar(c), UsePseudographic) : 0)
                c = f;
        bytes += line;
        bytes += "\r\n";
    }
    Write(bytes);
}

// ---- CSV

TfrCSVExport::TfrCSVExport(QObject *owner)
    : TfrTextExport(owner, false)
{
    RegisterExportFilter(this, GetLocaleString(55219) + QStringLiteral(" (*.csv)"), QStringLiteral("*.csv"));
    ShowDialog = true;
    ScaleX = ScaleY = 1.0;
    KillEmptyLines = true;
    ConvertToOEM = false;
}

int TfrCSVExport::ShowModal()
{
    if (!ShowDialog)
        return 1;
    TfrCSVExportForm form;
    form.CB1->setChecked(KillEmptyLines);
    form.CB2->setChecked(ConvertToOEM);
    form.SetScales(ScaleX, ScaleY);
    form.E3->setText(QString(Delimiter));
    const int result = form.exec() == QDialog::Accepted ? 1 : 2;
    ScaleX = form.ScaleX();
    ScaleY = form.ScaleY();
    KillEmptyLines = form.CB1->isChecked();
    ConvertToOEM = form.CB2->isChecked();
    if (!form.E3->text().isEmpty())
        Delimiter = form.E3->text().at(0);
    return result;
}

void TfrCSVExport::OnEndPage()
{
    const int last = LastLine();
    const double k = 64.0 / ScaleX;
    // A field holding the delimiter, a quote or a line break is quoted, its quotes doubled, so that a reader
    // gets the field back as it was.
    auto field = [this](const QString &text) {
        if (!text.contains(Delimiter) && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
            return text;
        QString quoted = text;
        quoted.replace(u'"', QStringLiteral("\"\""));
        return u'"' + quoted + u'"';
    };
    QByteArray bytes;
    for (int L = 0; L <= last; ++L) {
        QString s, pending;
        int col = 0;
        bool open = false;
        for (const TfrTextRec &q : Lines[size_t(L)]) {
            const int c = frRound(q.X / k);
            if (c > col) {
                if (open)
                    s += field(pending);
                pending.clear();
                s += QString(c - col, Delimiter);
                col = c;
            }
            pending += q.Text;
            open = true;
        }
        if (open)
            s += field(pending);
        if (!KillEmptyLines || !s.isEmpty()) {
            bytes += Encode(s);
            bytes += "\r\n";
        }
    }
    Write(bytes);
}
