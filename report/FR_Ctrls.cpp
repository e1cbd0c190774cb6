#include "FR_Ctrls.h"

#include "WidgetKit.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

namespace {

// The checkered brush of a latched button: button face with white wherever row and column agree in parity.
const QPixmap &DownPattern()
{
    static const QPixmap pattern = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        const QRgb face = toQColor(clBtnFace).rgb();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.setPixel(x, y, (x % 2) == (y % 2) ? qRgb(255, 255, 255) : face);
        return QPixmap::fromImage(image);
    }();
    return pattern;
}

QColor TransparentColorOf(const QImage &Image)
{
    return Image.isNull() ? QColor() : Image.pixelColor(0, Image.height() - 1);
}

bool IsTransparentPixel(const QImage &Image, const QColor &Transparent, int X, int Y)
{
    const QColor c = Image.pixelColor(X, Y);
    return c.alpha() == 0 || c.rgb() == Transparent.rgb();
}

} // namespace

// ---------------------------------------------------------------------------------------------------------
// TfrSpeedButton
// ---------------------------------------------------------------------------------------------------------

TfrSpeedButton::TfrSpeedButton(QWidget *Parent)
    : QWidget(Parent)
{
    setGeometry(0, 0, 22, 22);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void TfrSpeedButton::SetAllowAllUp(bool Value)
{
    if (m_allowAllUp == Value)
        return;
    m_allowAllUp = Value;
    UpdateExclusive();
}

void TfrSpeedButton::SetGroupIndex(int Value)
{
    if (m_groupIndex == Value)
        return;
    m_groupIndex = Value;
    UpdateExclusive();
}

void TfrSpeedButton::SetDown(bool Value)
{
    if (m_groupIndex == 0)
        Value = false;
    if (Value == m_down || (m_down && !m_allowAllUp))
        return;
    m_down = Value;
    m_state = Value ? bsDown : bsUp;
    update();
    if (Value)
        UpdateExclusive();
}

void TfrSpeedButton::UpdateExclusive()
{
    QWidget *parent = parentWidget();
    if (m_groupIndex == 0 || !parent)
        return;
    for (QObject *child : parent->children())
        if (auto *button = qobject_cast<TfrSpeedButton *>(child))
            button->ButtonPressed(m_groupIndex, this);
}

void TfrSpeedButton::ButtonPressed(int Group, TfrSpeedButton *Sender)
{
    if (Group != m_groupIndex || Sender == this)
        return;
    if (Sender->m_down && m_down) {
        m_down = false;
        m_state = bsUp;
        update();
    }
    m_allowAllUp = Sender->m_allowAllUp;
}

void TfrSpeedButton::SetFlat(bool Value)
{
    if (m_flat == Value)
        return;
    m_flat = Value;
    setAttribute(Qt::WA_Hover, Value);
    update();
}

void TfrSpeedButton::SetCaption(const QString &Value)
{
    if (m_caption == Value)
        return;
    m_caption = Value;
    delete m_accelerator;
    m_accelerator = nullptr;
    const QKeySequence mnemonic = QKeySequence::mnemonic(Value);
    if (!mnemonic.isEmpty()) {
        m_accelerator = new QShortcut(mnemonic, this);
        connect(m_accelerator, &QShortcut::activated, this, [this] {
            if (isEnabled())
                Click();
        });
    }
    update();
}

void TfrSpeedButton::SetGlyph(const QPixmap &Value)
{
    m_glyph = Value;
    update();
}

void TfrSpeedButton::SetGrayedInactive(bool Value)
{
    if (m_grayedInactive == Value)
        return;
    m_grayedInactive = Value;
    update();
}

void TfrSpeedButton::SetLayout(TButtonLayout Value)
{
    if (m_layout == Value)
        return;
    m_layout = Value;
    update();
}

void TfrSpeedButton::SetMargin(int Value)
{
    if (Value < -1 || m_margin == Value)
        return;
    m_margin = Value;
    update();
}

void TfrSpeedButton::SetNumGlyphs(int Value)
{
    m_numGlyphs = std::clamp(Value, 1, 4);
    update();
}

void TfrSpeedButton::SetSpacing(int Value)
{
    if (m_spacing == Value)
        return;
    m_spacing = Value;
    update();
}

void TfrSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
}

bool TfrSpeedButton::Inside(const QPoint &P) const
{
    return P.x() >= 0 && P.x() < width() && P.y() >= 0 && P.y() <= height();
}

void TfrSpeedButton::UpdateTracking()
{
    if (!m_flat)
        return;
    m_mouseInControl = isEnabled() && QApplication::widgetAt(QCursor::pos()) == this;
}

void TfrSpeedButton::mousePressEvent(QMouseEvent *Event)
{
    const QPoint p = Event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), Event->modifiers(), p.x(), p.y());
    if (Event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (!m_down) {
        m_state = bsPressed;
        repaint();
    }
    m_tracking = true;
}

void TfrSpeedButton::mouseMoveEvent(QMouseEvent *Event)
{
    const QPoint p = Event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, Qt::NoButton, Event->modifiers(), p.x(), p.y());
    if (!m_tracking)
        return;
    const TState state = m_down ? bsDown : (Inside(p) ? bsPressed : bsUp);
    if (state != m_state) {
        m_state = state;
        update();
    }
}

void TfrSpeedButton::mouseReleaseEvent(QMouseEvent *Event)
{
    const QPoint p = Event->position().toPoint();
    if (m_tracking && Event->button() == Qt::LeftButton) {
        m_tracking = false;
        const bool doClick = Inside(p);
        if (m_groupIndex == 0) {
            m_state = bsUp;
            m_mouseInControl = false;
        } else if (doClick) {
            SetDown(!m_down);
        } else if (m_down) {
            m_state = bsDown;
        }
        UpdateTracking();
        update();
        if (doClick)
            Click();
    }
    if (OnMouseUp)
        OnMouseUp(this, Event->button(), Event->modifiers(), p.x(), p.y());
}

void TfrSpeedButton::mouseDoubleClickEvent(QMouseEvent *Event)
{
    mousePressEvent(Event);
    if (m_down && OnDblClick)
        OnDblClick(this);
}

void TfrSpeedButton::enterEvent(QEnterEvent *Event)
{
    QWidget::enterEvent(Event);
    if (!m_flat || !isEnabled() || m_mouseInControl)
        return;
    m_mouseInControl = true;
    if (OnMouseEnter)
        OnMouseEnter(this);
    update();
}

void TfrSpeedButton::leaveEvent(QEvent *Event)
{
    QWidget::leaveEvent(Event);
    if (!m_flat || !isEnabled() || !m_mouseInControl)
        return;
    m_mouseInControl = false;
    if (OnMouseLeave)
        OnMouseLeave(this);
    update();
}

void TfrSpeedButton::changeEvent(QEvent *Event)
{
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange) {
        UpdateTracking();
        update();
    } else if (Event->type() == QEvent::FontChange || Event->type() == QEvent::PaletteChange) {
        update();
    }
}

QImage TfrSpeedButton::GlyphImage(TState State) const
{
    if (m_glyph.isNull())
        return QImage();
    const int count = std::max(1, std::min(m_numGlyphs, m_glyph.width()));
    const int w = m_glyph.width() / count;
    const auto image = [&](int index) { return m_glyph.copy(index * w, 0, w, m_glyph.height()).toImage(); };
    const QImage up = image(0);
    switch (State) {
    case bsPressed:
        return count >= 3 ? image(2) : up;
    case bsDown:
        return count >= 4 ? image(3) : up;
    case bsDisabled: {
        if (count >= 2)
            return image(1);
        // Embossed: the shape in shadow with a highlight one pixel lower right.
        const QColor transparent = TransparentColorOf(up);
        QImage out(up.size(), QImage::Format_ARGB32);
        out.fill(Qt::transparent);
        for (int pass = 0; pass < 2; ++pass) {
            const QColor colour = toQColor(pass == 0 ? clBtnHighlight : clBtnShadow);
            const int d = pass == 0 ? 1 : 0;
            for (int y = 0; y < up.height(); ++y)
                for (int x = 0; x < up.width(); ++x)
                    if (!IsTransparentPixel(up, transparent, x, y) && qGray(up.pixel(x, y)) < 192 && x + d < out.width()
                        && y + d < out.height())
                        out.setPixelColor(x + d, y + d, colour);
        }
        return out;
    }
    case bsGrey: {
        const QColor transparent = TransparentColorOf(up);
        const QRgb face = toQColor(clBtnFace).rgb();
        QImage out = up.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                if (IsTransparentPixel(up, transparent, x, y) || out.pixel(x, y) == face)
                    continue;
                const QColor c = out.pixelColor(x, y);
                const int grey = (77 * c.red() + 150 * c.green() + 29 * c.blue()) / 256;
                out.setPixelColor(x, y, QColor(grey, grey, grey, c.alpha()));
            }
        return out;
    }
    default:
        return up;
    }
}

void TfrSpeedButton::DrawGlyph(QPainter &Canvas, int X, bool Enabled, int Y) const
{
    const QImage image = GlyphImage(Enabled ? bsUp : bsDisabled);
    if (!image.isNull())
        Canvas.drawImage(X, Y, image);
}

void TfrSpeedButton::paintEvent(QPaintEvent *)
{
    const TState kept = m_state;
    TState state = m_state;
    if (m_grayedInactive && isEnabled() && m_flat && !m_mouseInControl)
        state = bsGrey;
    if (!isEnabled()) {
        state = bsDisabled;
        m_tracking = false;
    } else if (state == bsDisabled) {
        state = (m_down && m_groupIndex != 0) ? bsDown : bsUp;
    }

    QPainter p(this);
    const QRect r = rect();
    QRect content = r;
    if (m_flat) {
        p.fillRect(r, toQColor(clBtnFace));
        if (state == bsPressed)
            content.translate(1, 1);
    } else {
        p.fillRect(r, toQColor(clBtnFace));
        content = DrawEdge(p, r, (state == bsPressed || state == bsDown) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        if (state == bsPressed || state == bsDown)
            content.translate(1, 1);
    }
    const bool pattern = m_flat ? (isEnabled() && !m_mouseInControl && kept == bsDown) : state == bsDown;
    if (pattern)
        p.fillRect(m_flat ? r : content, QBrush(DownPattern()));

    // Glyph and caption, placed by layout, margin and spacing.
    const QImage glyph = GlyphImage(state);
    const QSize glyphSize = glyph.isNull() ? QSize() : glyph.size();
    const QFontMetrics fm(font());
    const QSize textSize = m_caption.isEmpty() ? QSize() : fm.size(Qt::TextShowMnemonic, m_caption);
    const bool horizontal = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    const int spacing = (glyphSize.isEmpty() || textSize.isEmpty()) ? 0 : m_spacing;
    const int along = horizontal ? content.width() : content.height();
    const int glyphLen = horizontal ? glyphSize.width() : glyphSize.height();
    const int textLen = horizontal ? textSize.width() : textSize.height();
    const int total = glyphLen + spacing + textLen;
    int margin = m_margin;
    if (margin == -1)
        margin = (along - total) / 2;
    const bool glyphFirst = m_layout == blGlyphLeft || m_layout == blGlyphTop;
    const int glyphAt = glyphFirst ? margin : along - margin - glyphLen;
    const int textAt = glyphFirst ? margin + glyphLen + spacing : along - margin - glyphLen - spacing - textLen;
    QPoint glyphPos, textPos;
    if (horizontal) {
        glyphPos = QPoint(content.left() + glyphAt, content.top() + (content.height() - glyphSize.height()) / 2);
        textPos = QPoint(content.left() + textAt, content.top() + (content.height() - textSize.height()) / 2);
    } else {
        glyphPos = QPoint(content.left() + (content.width() - glyphSize.width()) / 2, content.top() + glyphAt);
        textPos = QPoint(content.left() + (content.width() - textSize.width()) / 2, content.top() + textAt);
    }
    if (!glyph.isNull())
        p.drawImage(glyphPos, glyph);
    if (!m_caption.isEmpty()) {
        p.setFont(font());
        p.setPen(toQColor(isEnabled() ? clBtnText : clGrayText));
        p.drawText(QRect(textPos, textSize), Qt::AlignCenter | Qt::TextShowMnemonic, m_caption);
    }

    if (m_flat && isEnabled() && (m_mouseInControl || kept == bsDown)) {
        const bool sunken = state == bsPressed || state == bsDown;
        DrawEdge(p, r, sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
}

// ---------------------------------------------------------------------------------------------------------
// TfrComboEdit
// ---------------------------------------------------------------------------------------------------------

TfrComboEdit::TfrComboEdit(QWidget *Parent)
    : QComboBox(Parent)
    , m_panel(new QFrame(this))
    , m_button(new TfrSpeedButton(m_panel))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    resize(width(), 21);
    m_button->OnClick = [this](QObject *) {
        setFocus();
        if (OnButtonClick)
            OnButtonClick(this);
    };
    lineEdit()->installEventFilter(this);
    PlaceButton();
}

void TfrComboEdit::SetButtonEnabled(bool Value)
{
    m_buttonEnabled = Value;
    m_button->setEnabled(Value && isEnabled());
}

void TfrComboEdit::PlaceButton()
{
    const int h = height();
    m_panel->setGeometry(width() - h + 2, 2, h - 4, h - 4);
    m_button->setGeometry(0, 0, h - 4, h - 4);
    // The edit part must not run under the button.
    if (QLineEdit *edit = lineEdit())
        edit->resize(std::max(0, width() - h - 4), edit->height());
    m_panel->raise();
}

void TfrComboEdit::resizeEvent(QResizeEvent *Event)
{
    QComboBox::resizeEvent(Event);
    PlaceButton();
}

void TfrComboEdit::changeEvent(QEvent *Event)
{
    QComboBox::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange)
        m_button->setEnabled(isEnabled() && m_buttonEnabled);
}

bool TfrComboEdit::PassDialogKey(int Key)
{
    auto *dialog = qobject_cast<QDialog *>(window());
    if (!dialog)
        return false;
    if (Key == Qt::Key_Escape) {
        dialog->reject();
        return true;
    }
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->isDefault() && b->isVisible() && b->isEnabled()) {
            b->click();
            return true;
        }
    return false;
}

bool TfrComboEdit::eventFilter(QObject *Watched, QEvent *Event)
{
    if (Watched == lineEdit() && Event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(Event)->key();
        // Handled by the dialog, the key must not reach it a second time through the usual propagation.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) && PassDialogKey(key))
            return true;
    }
    return QComboBox::eventFilter(Watched, Event);
}
