// The number editor: display and edit formats, keystroke checks, bounds and rounding, stepping and the
// calculator drop-down.
#include "DBCtrlsEh.h"

#include "CalculatorEh.h"
#include "FormatSettings.h"
#include "Formats.h"
#include "Services.h"
#include "Variant.h"

#include <QKeyEvent>

namespace {

bool IsQuote(QChar c)
{
    return c == QLatin1Char('\'') || c == QLatin1Char('"');
}

bool IsExponent(QChar c)
{
    return c == QLatin1Char('E') || c == QLatin1Char('e');
}

// A number being typed may end in an exponent that has no digits yet ("1.23E", "1.23E-").
bool TryTypedFloat(const QString &text, double &value)
{
    if (TryStrToFloat(text, value))
        return true;
    QString head = text;
    if (head.endsWith(QLatin1Char('+')) || head.endsWith(QLatin1Char('-')))
        head.chop(1);
    if (head.isEmpty() || !IsExponent(head.back()))
        return false;
    head.chop(1);
    return TryStrToFloat(head, value);
}

bool IsValidFloatText(const QString &s, double &value)
{
    const QChar dec = FormatSettings().DecimalSeparator;
    for (QChar c : s)
        if (!(c == dec || c == QLatin1Char('+') || c == QLatin1Char('-') || c.isDigit() || IsExponent(c)))
            return false;
    if (s == QLatin1String("+") || s == QLatin1String("-")) {
        value = 0;
        return true;
    }
    return TryTypedFloat(s.left(63), value);
}

bool IsNumberField(const TField *field)
{
    return field && (IsNumericType(field->DataType()) || IsDateType(field->DataType()));
}

} // namespace

QString ExtractNumberEditFormat(const QString &Format)
{
    QString result;
    QChar quote;
    bool exponent = false;
    int exponentZeros = 0;
    for (int i = 0; i < Format.size(); ++i) {
        const QChar c = Format.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else if (IsQuote(c))
                quote = c;
            continue;
        }
        if (IsQuote(c)) {
            quote = c;
            continue;
        }
        if (c == QLatin1Char(';'))
            break;
        if (IsExponent(c) && i + 1 < Format.size() && Format.at(i + 1) == QLatin1Char('+')) {
            exponent = true;
            exponentZeros = 0;
            ++i;
            continue;
        }
        if (exponent && c == QLatin1Char('0')) {
            if (++exponentZeros > 4)
                break;
            continue;
        }
        if (QStringLiteral("#,.0").contains(c))
            result.append(c);
    }
    return result;
}

QString InsertThousandSeparators(const QString &S, bool UseSeparators)
{
    QString sign;
    QString body = S;
    if (!body.isEmpty() && (body.front() == QLatin1Char('-') || body.front() == QLatin1Char('+'))) {
        sign = body.front();
        body.remove(0, 1);
    }
    int end = 0;
    while (end < body.size() && body.at(end) != FormatSettings().DecimalSeparator && !IsExponent(body.at(end)))
        ++end;
    QString integer = body.left(end);
    if (UseSeparators)
        for (int pos = int(integer.size()) - 3; pos > 0; pos -= 3)
            integer.insert(pos, FormatSettings().ThousandSeparator);
    return sign + integer + body.mid(end);
}

TCustomDBNumberEditEh::TCustomDBNumberEditEh(QWidget *Parent)
    : TCustomDBEditEh(Parent)
{
    EditButton()->SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    SetMaxLength(0);
    DataChanged();
}

TCustomDBNumberEditEh::~TCustomDBNumberEditEh() = default;

// ---- Settings with defaults from the field ------------------------------------------------------------------

QString TCustomDBNumberEditEh::DisplayFormat() const
{
    if (m_displayFormatAssigned)
        return m_displayFormat;
    return IsNumberField(Field()) ? Field()->DisplayFormat() : QString();
}

void TCustomDBNumberEditEh::SetDisplayFormat(const QString &Value)
{
    if (m_displayFormatAssigned && Value == m_displayFormat)
        return;
    m_displayFormat = Value;
    m_displayFormatAssigned = true;
    DataChanged();
}

bool TCustomDBNumberEditEh::Currency() const
{
    if (m_currencyAssigned)
        return m_currency;
    return Field() && IsFloatType(Field()->DataType()) && Field()->Currency();
}

void TCustomDBNumberEditEh::SetCurrency(bool Value)
{
    if (m_currencyAssigned && Value == m_currency)
        return;
    m_currency = Value;
    m_currencyAssigned = true;
    DataChanged();
}

double TCustomDBNumberEditEh::MinValue() const
{
    if (m_minValueAssigned)
        return m_minValue;
    return Field() && IsNumericType(Field()->DataType()) ? Field()->MinValue().toDouble() : 0.0;
}

void TCustomDBNumberEditEh::SetMinValue(double Value)
{
    m_minValue = Value;
    m_minValueAssigned = true;
}

double TCustomDBNumberEditEh::MaxValue() const
{
    if (m_maxValueAssigned)
        return m_maxValue;
    return Field() && IsNumericType(Field()->DataType()) ? Field()->MaxValue().toDouble() : 0.0;
}

void TCustomDBNumberEditEh::SetMaxValue(double Value)
{
    m_maxValue = Value;
    m_maxValueAssigned = true;
}

void TCustomDBNumberEditEh::SetDecimalPlaces(int Value)
{
    if (Value == m_decimalPlaces)
        return;
    m_decimalPlaces = std::max(0, Value);
    DataChanged();
}

Qt::Alignment TCustomDBNumberEditEh::DefaultAlignment() const
{
    return Field() ? TCustomDBEditEh::DefaultAlignment() : Qt::AlignRight;
}

// ---- Formats and text rules ---------------------------------------------------------------------------------

QString TCustomDBNumberEditEh::FormatDisplayValue(double X) const
{
    const QString format = DisplayFormat();
    if (!format.isEmpty())
        return FormatFloat(format, X);
    if (Currency())
        return CurrToStrF(X, ffCurrency, FormatSettings().CurrencyDecimals);
    return FloatToStr(X);
}

QString TCustomDBNumberEditEh::DisplayText() const
{
    return m_value.isValid() ? FormatDisplayValue(m_value.toDouble()) : QString();
}

QString TCustomDBNumberEditEh::NormalizeNumberText(const QString &S) const
{
    const QChar dec = FormatSettings().DecimalSeparator;
    const QChar thousand = FormatSettings().ThousandSeparator;
    QString s = S.trimmed();
    if (dec != thousand)
        s.remove(thousand);
    if (dec != QLatin1Char('.') && thousand != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), dec);
    if (dec != QLatin1Char(',') && thousand != QLatin1Char(','))
        s.replace(QLatin1Char(','), dec);
    return s;
}

void TCustomDBNumberEditEh::SetTextGuarded(const QString &S)
{
    m_settingText = true;
    SetEditText(S);
    m_settingText = false;
}

void TCustomDBNumberEditEh::ReformatText(const QString &S)
{
    QString s = S;
    if (!s.isEmpty() && s != QLatin1String("-"))
        s = InsertThousandSeparators(NormalizeNumberText(s), m_editFormat.contains(QLatin1Char(',')));
    if (s == EditText())
        return;
    const int fromEnd = int(EditText().size()) - cursorPosition();
    SetTextGuarded(s);
    if (hasFocus())
        setCursorPosition(std::max(0, int(s.size()) - fromEnd));
}

bool TCustomDBNumberEditEh::IsValidChar(QChar Key) const
{
    const QString text = EditText();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? selectionStart() + int(selectedText().size()) : start;
    const QString candidate = NormalizeNumberText(text.left(start) + Key + text.mid(end));
    const int dec = int(candidate.indexOf(FormatSettings().DecimalSeparator));
    if (dec >= 0) {
        int fraction = 0;
        for (int i = dec + 1; i < candidate.size() && !IsExponent(candidate.at(i)); ++i)
            ++fraction;
        if (fraction > m_decimalPlaces)
            return false;
    }
    if (candidate.isEmpty())
        return true;
    double value = 0;
    if (!IsValidFloatText(candidate, value))
        return false;
    return !(MinValue() >= 0 && MaxValue() > 0 && value < 0);
}

double TCustomDBNumberEditEh::CheckValue(double X) const
{
    const double low = MinValue();
    const double high = MaxValue();
    if (low < high)
        X = std::clamp(X, low, high);
    else if (low > high) {
        if (high == 0 && X < low)
            X = low;
        else if (low == 0 && X > high)
            X = high;
    }
    if (m_decimalPlaces > 37)
        return X;
    double scale = 1;
    for (int i = 0; i < m_decimalPlaces; ++i)
        scale *= 10;
    try {
        return double(Round(X * scale)) / scale;
    } catch (const EConvertError &) {
        return X; // beyond 64-bit rounding a double has no digits at these places anyway
    }
}

// ---- Value flow ---------------------------------------------------------------------------------------------

void TCustomDBNumberEditEh::DataChanged()
{
    m_editFormat = !DisplayFormat().isEmpty() || !Currency()
                       ? ExtractNumberEditFormat(DisplayFormat())
                       : QStringLiteral(",#.") + QString(FormatSettings().CurrencyDecimals, QLatin1Char('0'));
    UpdateDisplayAlignment();
    if (TField *field = Field())
        PutValue(field->AsVariant());
    else
        PutValue(IsDataIndependent() ? DataLink()->UnboundValue : QVariant());
    UpdateReadOnlyState();
    SetModified(false);
}

void TCustomDBNumberEditEh::PutValue(const QVariant &V)
{
    if (!V.isValid() || V.isNull()) {
        SetTextGuarded(QString());
        m_value = QVariant();
        return;
    }
    m_value = Variant::fromQVariant(V).toDouble();
    DataLink()->MarkModified();
    if (IsFocused() && DataLink()->CanModify())
        ReformatText(FormatFloat(m_editFormat, m_value.toDouble()));
    else
        SetTextGuarded(DisplayText());
}

void TCustomDBNumberEditEh::PutText(const QString &S)
{
    if (S.isEmpty())
        PutValue(QVariant());
    else
        PutValue(StrToFloat(NormalizeNumberText(S)));
}

void TCustomDBNumberEditEh::Change()
{
    if (!m_settingText) {
        ReformatText(EditText());
        TextToValue();
    }
    TCustomDBEditEh::Change();
}

void TCustomDBNumberEditEh::TextToValue()
{
    const QString s = NormalizeNumberText(EditText());
    if (s.isEmpty()) {
        m_value = QVariant();
        SetTextGuarded(QString());
    } else if (s == QLatin1String("+") || s == QLatin1String("-")) {
        m_value = 0.0;
    } else {
        double value = 0;
        if (TryTypedFloat(s, value))
            m_value = CheckValue(value);
    }
    UpdateImageIndex();
}

void TCustomDBNumberEditEh::StoreTextToField()
{
    DataLink()->SetValue(m_value);
}

// ---- Keys, stepping and paste -------------------------------------------------------------------------------

void TCustomDBNumberEditEh::StepValue(bool Up)
{
    if (m_increment == 0 || !EditCanModify())
        return;
    double x = m_increment;
    if (m_value.isValid())
        x = Up ? m_value.toDouble() + m_increment : m_value.toDouble() - m_increment;
    PutValue(CheckValue(x));
    if (IsFocused())
        selectAll();
}

bool TCustomDBNumberEditEh::StepByWheel(bool Up)
{
    if (ReadOnly() || !StartEditing())
        return false;
    StepValue(Up);
    return true;
}

void TCustomDBNumberEditEh::DropDownFromButton(bool Param)
{
    if (EditButton()->Style() == ebsUpDownEh) {
        if (!ReadOnly())
            StepValue(!Param);
        return;
    }
    TCustomDBEditEh::DropDownFromButton(Param);
}

void TCustomDBNumberEditEh::Paste()
{
    const QString saved = EditText();
    try {
        if (!ReadOnly())
            StartEditing();
        paste();
        const QString s = NormalizeNumberText(EditText());
        double value = 0;
        if (!s.isEmpty() && !IsValidFloatText(s, value))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
        TextToValue();
    } catch (const Exception &) {
        // A pasted text that is no number is undone without a word.
        SetTextGuarded(saved);
        TextToValue();
        selectAll();
    }
}

bool TCustomDBNumberEditEh::KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Event);
    if ((Key == Qt::Key_Up || Key == Qt::Key_Down) && Shift == Qt::NoModifier) {
        if (!ReadOnly())
            StepValue(Key == Qt::Key_Up);
        return true;
    }
    if ((Key == Qt::Key_V && Shift == Qt::ControlModifier) || (Key == Qt::Key_Insert && Shift == Qt::ShiftModifier)) {
        Paste();
        return true;
    }
    // Backspace just after a thousand separator steps over it: the separators are the editor's, not the user's.
    if (Key == Qt::Key_Backspace && Shift == Qt::NoModifier && !hasSelectedText() && cursorPosition() > 0
        && EditText().at(cursorPosition() - 1) == FormatSettings().ThousandSeparator) {
        cursorBackward(false);
        return true;
    }
    return false;
}

bool TCustomDBNumberEditEh::KeyPress(QKeyEvent *Event, QChar &Ch)
{
    Q_UNUSED(Event);
    if (Ch == QLatin1Char(',') || Ch == QLatin1Char('.'))
        Ch = FormatSettings().DecimalSeparator;
    if (Ch.unicode() >= 32 && Ch.unicode() != 127 && !IsValidChar(Ch)) {
        Services::messages()->beep();
        return true;
    }
    return false;
}

// ---- Calculator ---------------------------------------------------------------------------------------------

TPopupCalculatorEh *TCustomDBNumberEditEh::Calculator()
{
    if (!m_calculator) {
        m_calculator = new TPopupCalculatorEh(this);
        m_calculator->hide();
    }
    return m_calculator;
}

void TCustomDBNumberEditEh::DropDown()
{
    TCustomDBEditEh::DropDown();
    if (m_calcDropped)
        return;
    if (OnDropDown)
        OnDropDown(this);
    TPopupCalculatorEh *calculator = Calculator();
    calculator->SetValue(Variant(m_value.isValid() ? m_value.toDouble() : 0.0));
    calculator->SetFlat(Flat());
    calculator->move(PlaceDropDownForControl(this, calculator, daLeft));
    calculator->show();
    m_calcDropped = true;
    m_droppedDown = true;
    deselect();
}

void TCustomDBNumberEditEh::CloseUp(bool Accept)
{
    if (!m_calcDropped)
        return;
    m_calculator->hide();
    m_calcDropped = false;
    m_droppedDown = false;
    TCustomDBEditEh::CloseUp(Accept);
    if (Accept && !ReadOnly() && StartEditing()) {
        const Variant value = m_calculator->GetValue();
        if (value.isNumeric())
            PutValue(value.toDouble());
        if (IsFocused())
            selectAll();
    }
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

bool TCustomDBNumberEditEh::DropDownKey(QKeyEvent *Event)
{
    if (!m_calcDropped)
        return false;
    const QString text = Event->text();
    const bool forCalculator = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter
                               || Event->key() == Qt::Key_Escape
                               || (text.size() == 1 && text.at(0).unicode() >= 32 && text.at(0).unicode() <= 126);
    return forCalculator && m_calculator->HandleKey(Event);
}
