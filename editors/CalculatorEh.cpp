#include "CalculatorEh.h"

#include "Exceptions.h"
#include "Formats.h"
#include "Guard.h"
#include "WidgetKit.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

namespace {

// The stored layout: drawn for a text height of 13 pixels, scaled to the text height of the running system.
constexpr int DesignTextHeight = 13;
constexpr int DesignClientWidth = 184;
constexpr int DesignClientHeight = 127;
constexpr int MaxDisplayLength = 15;

struct ButtonLayout
{
    const char *Name;
    const char *Caption;
    bool Red;
    int Tag;
    char16_t Key;
    int Left, Top, Width, Height;
};

const ButtonLayout Layout[] = {
    {"SpeedButton1", "7", false, 1, u'7', 6, 29, 27, 22},
    {"SpeedButton12", "8", false, 2, u'8', 35, 29, 27, 22},
    {"SpeedButton11", "9", false, 3, u'9', 64, 29, 27, 22},
    {"SpeedButton16", "/", true, 4, u'/', 93, 29, 27, 22},
    {"SpeedButton20", "sqrt", false, 5, u'S', 122, 29, 27, 22},
    {"SpeedButton23", "C", true, 6, u'C', 151, 29, 27, 46},
    {"SpeedButton10", "4", false, 7, u'4', 6, 53, 27, 22},
    {"SpeedButton9", "5", false, 8, u'5', 35, 53, 27, 22},
    {"SpeedButton8", "6", false, 9, u'6', 64, 53, 27, 22},
    {"SpeedButton15", "*", true, 10, u'*', 93, 53, 27, 22},
    {"SpeedButton19", "%", false, 11, u'%', 122, 53, 27, 22},
    {"SpeedButton7", "1", false, 13, u'1', 6, 77, 27, 22},
    {"SpeedButton6", "2", false, 14, u'2', 35, 77, 27, 22},
    {"SpeedButton5", "3", false, 15, u'3', 64, 77, 27, 22},
    {"SpeedButton14", "-", true, 16, u'-', 93, 77, 27, 22},
    {"SpeedButton18", "1/x", false, 17, u'R', 122, 77, 27, 22},
    {"SpeedButton22", "<-", true, 18, u'\b', 151, 77, 27, 22},
    {"SpeedButton4", "0", false, 19, u'0', 6, 101, 27, 22},
    {"SpeedButton3", "+/-", false, 20, u'I', 35, 101, 27, 22},
    {"SpeedButton2", ".", false, 21, u'.', 64, 101, 27, 22},
    {"SpeedButton13", "+", true, 22, u'+', 93, 101, 27, 22},
    {"spEqual", "Ok", true, 23, u'=', 122, 101, 56, 22},
};

constexpr char16_t KeyCopy = 3;
constexpr char16_t KeyBackspace = 8;
constexpr char16_t KeyEnter = 13;
constexpr char16_t KeyPaste = 22;
constexpr char16_t KeyEscape = 27;

const QString ErrorText = QStringLiteral("Error");

bool IsOperatorKey(QChar c)
{
    return c == QChar(KeyEnter) || QStringLiteral("%*+-/=").contains(c);
}

} // namespace

TCalculatorEh::TCalculatorEh(QWidget *Owner)
    : QFrame(Owner)
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(clBtnFace));
    pal.setColor(QPalette::WindowText, toQColor(clWindowText));
    setPalette(pal);
    CreateLayout();
    Clear();
    resize(sizeHint());
}

void TCalculatorEh::CreateLayout()
{
    const int textHeight = TextHeight(font());
    const auto scale = [textHeight](int v) { return MulDiv(v, textHeight, DesignTextHeight); };
    m_designClientSize = QSize(scale(DesignClientWidth), scale(DesignClientHeight));

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setGeometry(scale(6), scale(4), scale(171), scale(19));
    m_panel->setAutoFillBackground(true);
    QPalette panelPalette = m_panel->palette();
    panelPalette.setColor(QPalette::Window, toQColor(clHighlightText));
    m_panel->setPalette(panelPalette);

    m_textBox = new QLabel(QStringLiteral("0"), m_panel);
    m_textBox->setObjectName(QStringLiteral("TextBox"));
    m_textBox->setGeometry(scale(2), scale(1), scale(166), scale(17));
    m_textBox->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    for (const ButtonLayout &b : Layout) {
        auto *button = new TSpeedButtonEh(this);
        button->setObjectName(QString::fromLatin1(b.Name));
        button->SetCaption(QString::fromLatin1(b.Caption));
        button->SetCaptionColor(b.Red ? QColor(Qt::red) : QColor(Qt::blue));
        button->setProperty("Tag", b.Tag);
        button->SetStyle(ebsGlyphEh);
        button->SetFlat(true);
        button->SetActive(true);
        button->setGeometry(scale(b.Left), scale(b.Top), scale(b.Width), scale(b.Height));
        const QChar key(b.Key);
        button->OnClick = [this, key](TEditButtonControlEh *) { CalcKey(key); };
        m_buttons.push_back(button);
        if (b.Tag == 23)
            m_equalButton = button;
    }
}

TSpeedButtonEh *TCalculatorEh::Button(const QString &Name) const
{
    for (TSpeedButtonEh *b : m_buttons)
        if (b->objectName() == Name)
            return b;
    return nullptr;
}

int TCalculatorEh::NonClientHeight() const
{
    return 2 * frameWidth();
}

QSize TCalculatorEh::sizeHint() const
{
    const int nc = NonClientHeight();
    return QSize(nc + m_designClientSize.width(), nc + m_designClientSize.height());
}

void TCalculatorEh::SetBorderStyle(TBorderStyle Value)
{
    if (m_borderStyle == Value)
        return;
    m_borderStyle = Value;
    setFrameStyle(Value == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
    resize(sizeHint());
}

QString TCalculatorEh::DisplayText() const
{
    return m_textBox->text();
}

void TCalculatorEh::SetDisplay(const QString &Text)
{
    m_textBox->setText(Text);
    TextChanged();
}

void TCalculatorEh::TextChanged()
{
}

double TCalculatorEh::DisplayValue() const
{
    if (m_state == csError)
        return 0;
    return StrToFloat(DisplayText().trimmed());
}

void TCalculatorEh::SetDisplayValue(double Value)
{
    SetDisplay(FloatToStr(Value));
}

void TCalculatorEh::CheckFirst()
{
    if (m_state == csFirst) {
        m_state = csValid;
        SetDisplay(QStringLiteral("0"));
    }
}

void TCalculatorEh::Error()
{
    m_state = csError;
    SetDisplay(ErrorText);
}

void TCalculatorEh::Clear()
{
    m_state = csFirst;
    SetDisplay(QStringLiteral("0"));
    m_operator = QLatin1Char('=');
    m_operand = 0;
    UpdateEqualCaption();
}

void TCalculatorEh::Copy()
{
    Clipboard::SetText(DisplayText());
}

void TCalculatorEh::Paste()
{
    const QString text = Clipboard::Text().trimmed();
    if (text.isEmpty())
        return;
    // Pasted text that is no number leaves the calculator in its error state instead of failing the key.
    double value = 0;
    if (TryStrToFloat(text, value))
        SetDisplayValue(value);
    else
        Error();
}

void TCalculatorEh::UpdateEqualCaption()
{
    const bool pending = m_operand != 0 && m_state == csValid && QStringLiteral("*+-/").contains(m_operator);
    m_equalButton->SetCaption(pending ? QStringLiteral("=") : QStringLiteral("Ok"));
}

void TCalculatorEh::ApplyOperator(QChar Key)
{
    if (m_state == csValid) {
        m_state = csFirst;
        double v = DisplayValue();
        if (Key == QLatin1Char('%')) {
            if (m_operator == QLatin1Char('*') || m_operator == QLatin1Char('/'))
                v = v / 100;
            else if (m_operator == QLatin1Char('+') || m_operator == QLatin1Char('-'))
                v = m_operand * v / 100;
        }
        const char16_t op = m_operator.unicode();
        if (op == u'*')
            SetDisplayValue(m_operand * v);
        else if (op == u'+')
            SetDisplayValue(m_operand + v);
        else if (op == u'-')
            SetDisplayValue(m_operand - v);
        else if (op == u'/') {
            if (v == 0)
                Error();
            else
                SetDisplayValue(m_operand / v);
        }
    }
    m_operator = Key;
    m_operand = DisplayValue();
}

void TCalculatorEh::CalcKey(QChar Key)
{
    Key = Key.toUpper();
    if (m_state == csError && Key != QLatin1Char('C')) {
        UpdateEqualCaption();
        return;
    }
    const char16_t k = Key.unicode();
    const QChar decimal = FormatSettings().DecimalSeparator;
    if (k == KeyCopy) {
        Copy();
    } else if (k == KeyPaste) {
        Paste();
    } else if (k == KeyBackspace) {
        CheckFirst();
        const QString text = DisplayText();
        const bool minusAndOneDigit = text.size() == 2 && text[0] == QLatin1Char('-');
        if (text.size() > 1 && !minusAndOneDigit)
            SetDisplay(text.left(text.size() - 1));
        else
            SetDisplay(QStringLiteral("0"));
    } else if (IsOperatorKey(Key)) {
        ApplyOperator(Key);
    } else if (k == KeyEscape || Key == QLatin1Char('C')) {
        Clear();
    } else if (Key.isDigit() && k < 128) {
        CheckFirst();
        QString text = DisplayText();
        if (text == QLatin1String("0"))
            text.clear();
        const int limit = text.startsWith(QLatin1Char('-')) ? MaxDisplayLength + 1 : MaxDisplayLength;
        if (!text.contains(QLatin1Char('E')) && text.size() < limit)
            text += Key;
        SetDisplay(text.isEmpty() ? QStringLiteral("0") : text);
    } else if (Key == decimal || Key == QLatin1Char('.') || Key == QLatin1Char(',')) {
        CheckFirst();
        if (!DisplayText().contains(decimal))
            SetDisplay(DisplayText() + decimal);
    } else if (Key == QLatin1Char('I')) {
        SetDisplayValue(-DisplayValue());
    } else if (Key == QLatin1Char('R') || Key == QLatin1Char('S')) {
        const double v = DisplayValue();
        m_state = csFirst;
        if (Key == QLatin1Char('R')) {
            if (v == 0)
                Error();
            else
                SetDisplayValue(1 / v);
        } else {
            if (v < 0)
                Error();
            else
                SetDisplayValue(std::sqrt(v));
        }
    }
    UpdateEqualCaption();
}

QChar TCalculatorEh::KeyOfEvent(const QKeyEvent *Event)
{
    const bool control = Event->modifiers() & Qt::ControlModifier;
    switch (Event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(KeyEnter);
    case Qt::Key_Escape:
        return QChar(KeyEscape);
    case Qt::Key_Backspace:
        return QChar(KeyBackspace);
    case Qt::Key_C:
        if (control)
            return QChar(KeyCopy);
        break;
    case Qt::Key_V:
        if (control)
            return QChar(KeyPaste);
        break;
    default:
        break;
    }
    const QString text = Event->text();
    return text.size() == 1 ? text[0] : QChar();
}

void TCalculatorEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    const QChar key = KeyOfEvent(Event);
    if (key.isNull())
        return QFrame::keyPressEvent(Event);
    CalcKey(key);
    Event->accept();
} catch (...) {
    endAtHandlerEdge();
}

void TCalculatorEh::wheelEvent(QWheelEvent *Event)
try {
    const HandlerEdge edge;
    const int delta = Event->angleDelta().y();
    if (m_state != csError && delta != 0)
        SetDisplayValue(DisplayValue() + (delta < 0 ? -1 : 1));
    Event->accept();
} catch (...) {
    endAtHandlerEdge();
}

// ---------------------------------------------------------------------------------------------------------
// The drop-down
// ---------------------------------------------------------------------------------------------------------

TPopupCalculatorEh::TPopupCalculatorEh(QObject *Owner)
    : TCalculatorEh(qobject_cast<QWidget *>(Owner))
    , m_behavior(new TDropDownBehaviorEh(this, Owner))
{
    setContentsMargins(m_frameWidth, m_frameWidth, m_frameWidth, m_frameWidth);
    for (QWidget *child : findChildren<QWidget *>())
        child->setFocusPolicy(Qt::NoFocus);
    resize(sizeHint() + QSize(2 * m_frameWidth, 2 * m_frameWidth));
    // The buttons stand inside the drop-down's own border.
    for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        child->move(child->pos() + QPoint(m_frameWidth, m_frameWidth));
}

bool TPopupCalculatorEh::ResultReady() const
{
    return EqualButton()->Caption() == QLatin1String("Ok");
}

void TPopupCalculatorEh::CalcKey(QChar Key)
{
    if ((Key == QChar(KeyEnter) || Key == QLatin1Char('=')) && ResultReady()) {
        m_behavior->CloseUp(true);
        return;
    }
    TCalculatorEh::CalcKey(Key);
}

bool TPopupCalculatorEh::HandleKey(QKeyEvent *Event)
{
    if (Event->key() == Qt::Key_Escape) {
        m_behavior->CloseUp(false);
        return true;
    }
    const QChar key = KeyOfEvent(Event);
    if (key.isNull())
        return false;
    CalcKey(key);
    return true;
}

void TPopupCalculatorEh::keyPressEvent(QKeyEvent *Event)
try {
    const HandlerEdge edge;
    if (HandleKey(Event))
        Event->accept();
    else
        TCalculatorEh::keyPressEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

Variant TPopupCalculatorEh::GetValue() const
{
    if (State() == csError)
        return Variant::Error(0xFFFFFFFF);
    return Variant(DisplayValue());
}

void TPopupCalculatorEh::SetValue(const Variant &Value)
{
    Clear();
    SetDisplayValue(Value.isUnassignedOrNull() ? 0.0 : Value.toDouble());
}

void TPopupCalculatorEh::SetFlat(bool Value)
{
    if (m_flat == Value)
        return;
    m_flat = Value;
    for (TSpeedButtonEh *b : Buttons())
        b->SetFlat(Value);
}

void TPopupCalculatorEh::paintEvent(QPaintEvent *Event)
try {
    const HandlerEdge edge;
    TCalculatorEh::paintEvent(Event);
    QPainter painter(this);
    DrawFrame3D(painter);
} catch (...) {
    endAtHandlerEdge();
}

void TPopupCalculatorEh::DrawFrame3D(QPainter &Painter)
{
    FrameRect(Painter, rect(), toQColor(cl3DDkShadow));
    DrawEdge(Painter, rect().adjusted(1, 1, -1, -1), BDR_RAISEDINNER, BF_RECT);
}
