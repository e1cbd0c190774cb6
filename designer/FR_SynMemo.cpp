// The code editor's window: painting on the fixed character grid, caret, scroll bar, error bar, keys and mouse.
#include "FR_SynMemo.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

// The control's sunken edge.
constexpr int EdgeWidth = 2;
// Text starts this far right of the client area's left edge.
constexpr int TextLeft = 2;

QFont ErrorBarFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

QFont StyledFont(const QFont &base, TFontStyles style)
{
    QFont font = base;
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    return font;
}

} // namespace

TSyntaxMemo::TSyntaxMemo(QWidget *parent)
    : QWidget(parent)
    , m_scrollBar(new QScrollBar(Qt::Vertical, this))
{
    QFont courier(QStringLiteral("Courier New"));
    courier.setPointSize(10);
    setFont(courier);
    setCursor(Qt::IBeamCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    TextFont.SetColor(clWindowText);
    CommentFont.SetColor(0x800000);
    CommentFont.SetStyle(fsItalic);
    KeywordFont.SetColor(clWindowText);
    KeywordFont.SetStyle(fsBold);
    StringFont.SetColor(clWindowText);
    for (TFont *f : { &TextFont, &CommentFont, &KeywordFont, &StringFont })
        f->OnChange = [this] { update(); };

    // A click on the scroll bar gives the focus to the memo.
    m_scrollBar->setFocusPolicy(Qt::ClickFocus);
    m_scrollBar->setFocusProxy(this);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->hide();
    connect(m_scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_updatingScrollBar)
            m_model.ScrollTo(value);
    });

    m_model.OnChange = [this] { ModelChanged(); };
    MeasureFont();
}

TSyntaxMemo::~TSyntaxMemo()
{
    m_model.OnChange = nullptr;
}

QSize TSyntaxMemo::sizeHint() const
{
    return { 40 * std::max(1, m_charWidth) + 2 * EdgeWidth, 10 * std::max(1, m_lineHeight) + 2 * EdgeWidth };
}

int TSyntaxMemo::ErrorBarHeight() const
{
    return TextHeight(ErrorBarFont()) + 6;
}

void TSyntaxMemo::MeasureFont()
{
    QFont bold = font();
    bold.setBold(true);
    m_lineHeight = std::max(1, TextHeight(bold));
    m_charWidth = std::max(1, TextWidth(bold, QStringLiteral("W")));
    m_courier = font().family().toUpper().contains(QStringLiteral("COURIER NEW"));
    UpdateScrollBar();
}

// The area inside the edge, less the scroll bar while it shows; the text's coordinates start at its top-left.
QRect TSyntaxMemo::ClientRect() const
{
    int width = this->width() - 2 * EdgeWidth;
    if (m_scrollBar->isVisibleTo(this))
        width -= m_scrollBar->width();
    return { EdgeWidth, EdgeWidth, std::max(0, width), std::max(0, height() - 2 * EdgeWidth) };
}

void TSyntaxMemo::UpdateVisibleArea()
{
    m_model.SetVisibleArea((ClientRect().width() - TextLeft) / m_charWidth, (height() - 2 * EdgeWidth) / m_lineHeight);
}

void TSyntaxMemo::UpdateScrollBar()
{
    m_updatingScrollBar = true;
    const int lines = m_model.LineCount();
    const int visible = std::max(0, (height() - 2 * EdgeWidth) / m_lineHeight);
    m_scrollBar->setPageStep(std::max(1, visible));
    m_scrollBar->setRange(0, std::max(0, lines - visible + 1));
    m_scrollBar->setValue(m_model.TopLine());
    const int barWidth = ScrollBarExtent();
    m_scrollBar->setGeometry(
        width() - EdgeWidth - barWidth, EdgeWidth, barWidth, std::max(0, height() - 2 * EdgeWidth));
    m_scrollBar->setVisible(visible < lines);
    m_updatingScrollBar = false;
    UpdateVisibleArea();
}

void TSyntaxMemo::ModelChanged()
{
    UpdateScrollBar();
    RestartCaret();
    update();
}

QRect TSyntaxMemo::CaretRect() const
{
    const TSynPos c = m_model.Cursor();
    const QRect client = ClientRect();
    return { client.left() + (c.Col - m_model.LeftCol() - 1) * m_charWidth + 1,
        client.top() + (c.Line - m_model.TopLine() - 1) * m_lineHeight, 2, m_lineHeight };
}

void TSyntaxMemo::RestartCaret()
{
    m_caretOn = hasFocus();
    if (m_caretOn && QApplication::cursorFlashTime() > 0)
        m_caretTimer.start(QApplication::cursorFlashTime() / 2, this);
    else
        m_caretTimer.stop();
}

// ---- painting --------------------------------------------------------------------------------------------------

void TSyntaxMemo::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    DrawEdge(p, rect(), EDGE_SUNKEN, BF_RECT);
    const QRect client = ClientRect();
    p.setClipRect(client);
    p.fillRect(client, toQColor(clWindow));

    const int count = m_model.LineCount();
    for (int i = 0; i <= m_model.VisibleLines() && m_model.TopLine() + i < count; ++i)
        PaintLine(p, m_model.TopLine() + i + 1, client.top() + i * m_lineHeight);

    if (!m_model.ErrorText().isEmpty()) {
        const int barHeight = ErrorBarHeight();
        const QRect bar(EdgeWidth, height() - EdgeWidth - barHeight, width() - 2 * EdgeWidth, barHeight);
        p.setClipRect(bar);
        p.fillRect(bar, toQColor(clRed));
        p.setFont(ErrorBarFont());
        p.setPen(Qt::white);
        p.drawText(bar.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_model.ErrorText());
    }
    if (m_caretOn && hasFocus()) {
        p.setClipRect(client);
        p.fillRect(CaretRect(), toQColor(clWindowText));
    }
}

// One line cut into runs of equal class and selection, each drawn in its class font on the character grid.
void TSyntaxMemo::PaintLine(QPainter &painter, int line, int y)
{
    const QString &text = m_model.Line(line);
    const int left = ClientRect().left() + TextLeft;
    const int first = m_model.LeftCol() + 1;
    const int last = std::min(m_model.LeftCol() + m_model.VisibleCols(), int(text.size()));
    QFont bold = font();
    bold.setBold(true);
    const int ascent = QFontMetrics(bold).ascent();

    int col = first;
    while (col <= last) {
        const TSynClass cls = m_model.ClassAt(col, line);
        const bool selected = m_model.IsSelected(col, line);
        int end = col + 1;
        while (end <= last && m_model.ClassAt(end, line) == cls && m_model.IsSelected(end, line) == selected)
            ++end;
        const TFont &classFont = cls == scComment ? CommentFont
            : cls == scKeyword                    ? KeywordFont
            : cls == scString                     ? StringFont
                                                  : TextFont;
        QString run = text.mid(col - 1, end - col);
        for (QChar &c : run)
            if (c.unicode() < 32)
                c = u' ';
        const QRect cells(left + (col - first) * m_charWidth, y, (end - col) * m_charWidth, m_lineHeight);
        painter.fillRect(cells, toQColor(selected ? SelColor : clWindow));
        painter.setFont(StyledFont(font(), classFont.Style()));
        painter.setPen(toQColor(selected ? SelFontColor : classFont.Color()));
        if (m_courier) {
            painter.drawText(cells.left(), y + ascent, run);
        } else {
            for (int i = 0; i < run.size(); ++i)
                painter.drawText(cells.left() + i * m_charWidth, y + ascent, QString(run[i]));
        }
        col = end;
    }
    // A selection running on past the line's end fills the rest of the line.
    if (m_model.IsSelected(int(text.size()) + 1, line)) {
        const int from = left + std::max(0, int(text.size()) - m_model.LeftCol()) * m_charWidth;
        painter.fillRect(QRect(from, y, width(), m_lineHeight), toQColor(SelColor));
    }
}

// ---- geometry, font and focus ----------------------------------------------------------------------------------

void TSyntaxMemo::resizeEvent(QResizeEvent *)
{
    UpdateScrollBar();
}

void TSyntaxMemo::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        MeasureFont();
    QWidget::changeEvent(event);
}

void TSyntaxMemo::focusInEvent(QFocusEvent *event)
{
    RestartCaret();
    update();
    if (OnEnter)
        OnEnter(this);
    QWidget::focusInEvent(event);
}

void TSyntaxMemo::focusOutEvent(QFocusEvent *event)
{
    m_caretTimer.stop();
    m_caretOn = false;
    update();
    QWidget::focusOutEvent(event);
}

void TSyntaxMemo::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_caretTimer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_caretOn = !m_caretOn;
    update(CaretRect());
}

// ---- keys and mouse --------------------------------------------------------------------------------------------

// Tab belongs to the text, not to the focus chain.
bool TSyntaxMemo::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void TSyntaxMemo::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (OnKeyDown) {
        OnKeyDown(this, key, modifiers);
        if (key == 0) {
            event->accept();
            return;
        }
    }
    const bool ctrl = modifiers & Qt::ControlModifier, shift = modifiers & Qt::ShiftModifier;
    if (ctrl && (key == Qt::Key_C || key == Qt::Key_Insert)) {
        CopyToClipboard();
    } else if ((ctrl && key == Qt::Key_X) || (shift && key == Qt::Key_Delete)) {
        CutToClipboard();
    } else if ((ctrl && key == Qt::Key_V) || (shift && key == Qt::Key_Insert)) {
        PasteFromClipboard();
    } else if (!m_model.KeyDown(key, modifiers)
        && ((modifiers & (Qt::ControlModifier | Qt::AltModifier)) || !m_model.KeyPress(event->text()))) {
        event->ignore();
        return;
    }
    event->accept();
}

TSynPos TSyntaxMemo::CellAt(const QPoint &point) const
{
    const QRect client = ClientRect();
    const auto cell = [](int v, int size) { return int(std::floor(double(v) / size)); };
    return { cell(point.x() - client.left(), m_charWidth) + m_model.LeftCol() + 1,
        cell(point.y() - client.top(), m_lineHeight) + m_model.TopLine() + 1 };
}

void TSyntaxMemo::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    m_selecting = true;
    const TSynPos at = CellAt(event->position().toPoint());
    m_model.MouseDown(at.Col, at.Line);
}

void TSyntaxMemo::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting)
        return;
    const TSynPos at = CellAt(event->position().toPoint());
    m_model.MouseMove(at.Col, at.Line);
}

void TSyntaxMemo::mouseReleaseEvent(QMouseEvent *)
{
    m_selecting = false;
}

// ---- clipboard -------------------------------------------------------------------------------------------------

void TSyntaxMemo::CopyToClipboard()
{
    if (m_model.HasSelection())
        Clipboard::SetText(m_model.SelText());
}

void TSyntaxMemo::CutToClipboard()
{
    if (m_model.ReadOnly() || !m_model.HasSelection())
        return;
    CopyToClipboard();
    m_model.InsertText(QString());
}

void TSyntaxMemo::PasteFromClipboard()
{
    m_model.InsertText(Clipboard::Text());
}
