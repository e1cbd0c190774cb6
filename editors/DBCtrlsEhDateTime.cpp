// The date-time editor: its layout grammar, element parsing and stepping, and the calendar drop-down.
#include "DBCtrlsEh.h"

#include "FormatSettings.h"
#include "Formats.h"
#include "Guard.h"
#include "Services.h"
#include "Variant.h"

#include <QKeyEvent>

namespace {

// Two-digit years fall into the hundred years that start this many years before the current year.
constexpr int TwoDigitYearWindow = 60;

const QString &ElementLetters()
{
    static const QString letters = QStringLiteral("YMDHNS");
    return letters;
}

int ElementOf(QChar upper)
{
    return int(ElementLetters().indexOf(upper));
}

bool IsDateTimeSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char(':') || c == FormatSettings().DateSeparator
           || c == FormatSettings().TimeSeparator;
}

int MonthDayCount(int year, int month)
{
    return QDate(year, month, 1).daysInMonth();
}

int ParseElementNumber(const QString &s)
{
    QString digits;
    for (QChar c : s) {
        if (c == QLatin1Char(' '))
            continue;
        if (!c.isDigit())
            return -1;
        digits.append(c);
    }
    bool ok = false;
    const int value = digits.toInt(&ok);
    return ok ? value : -1;
}

void NormalizeDateParts(int &y, int &m, int &d)
{
    const QDate today = Services::clock()->today();
    if (d < 1)
        d = today.day();
    if (m < 1)
        m = today.month();
    if (y < 1)
        y = today.year();
    m = std::min(m, 12);
    y = std::min(y, 9999);
    y = DateTimeEditFormat::ExpandTwoDigitYear(y);
    d = std::min(d, MonthDayCount(y, m));
}

void NormalizeTimeParts(int &h, int &n, int &s)
{
    h = std::clamp(h, 0, 23);
    n = std::clamp(n, 0, 59);
    s = std::clamp(s, 0, 59);
}

bool TryPartsToDateTime(const TDateTimePartsEh &p)
{
    if (!(p[dteYear] < 0 && p[dteMonth] < 0 && p[dteDay] < 0)) {
        if (p[dteYear] < 1 || p[dteMonth] < 1 || p[dteDay] < 1 || !QDate::isValid(p[dteYear], p[dteMonth], p[dteDay]))
            return false;
    }
    return p[dteHour] >= 0 && p[dteMin] >= 0 && p[dteSec] >= 0 && QTime::isValid(p[dteHour], p[dteMin], p[dteSec]);
}

QDateTime ToDateTime(const QVariant &v)
{
    return Variant::fromQVariant(v).toDateTime();
}

TDateTimePartsEh ValueToParts(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return { -1, -1, -1, -1, -1, -1 };
    const QDateTime dt = ToDateTime(v);
    return { dt.date().year(), dt.date().month(), dt.date().day(), dt.time().hour(), dt.time().minute(),
             dt.time().second() };
}

} // namespace

// ---- The layout grammar -------------------------------------------------------------------------------------

int DateTimeEditFormat::ExpandTwoDigitYear(int Y)
{
    if (Y >= 100)
        return Y;
    const int current = Services::clock()->today().year();
    Y += ((current - TwoDigitYearWindow) / 100) * 100;
    if (Y < current - TwoDigitYearWindow)
        Y += 100;
    return Y;
}

void DateTimeEditFormat::BuildMask(const QString &EditFormat, TDateTimeElementsEh &Elements, QString &Mask)
{
    Elements = {};
    QString body;
    int textPos = 0;
    for (int i = 0; i < EditFormat.size(); ++i) {
        const QChar c = EditFormat.at(i);
        const QChar up = c.toUpper();
        const int element = ElementOf(up);
        if (c == QLatin1Char('\\') || element < 0) {
            QChar literal = c;
            if (c == QLatin1Char('\\') && i + 1 < EditFormat.size())
                literal = EditFormat.at(++i);
            if (QStringLiteral("!#09;<>ACL_\\").contains(literal.toUpper()))
                body.append(QLatin1Char('\\'));
            body.append(literal);
            ++textPos;
            continue;
        }
        if (Elements[std::size_t(element)].Present)
            throw Exception(QStringLiteral("Duplicating datetime format element: \"%1\"").arg(up));
        const int maxLength = up == QLatin1Char('Y') ? 4 : 2;
        int length = 0;
        while (i < EditFormat.size() && EditFormat.at(i).toUpper() == up) {
            if (++length > maxLength)
                throw Exception(QStringLiteral("Element in EditFormat: \"%1\" is too long. Pos: %2")
                                    .arg(EditFormat)
                                    .arg(i + 1));
            ++i;
        }
        --i;
        if (up == QLatin1Char('Y') ? (length != 2 && length != 4) : length != 2)
            throw Exception(QStringLiteral("Invalid datetime format element length: \"%1\"").arg(up));
        Elements[std::size_t(element)] = { textPos + 1, length, true };
        body.append(QString(length, QLatin1Char('9')));
        textPos += length;
    }
    Mask = QStringLiteral("!") + body + QStringLiteral(";1; ");
}

QString DateTimeEditFormat::ToDisplayFormat(const QString &EditFormat)
{
    QString result;
    bool quoted = false;
    for (int i = 0; i < EditFormat.size(); ++i) {
        QChar c = EditFormat.at(i);
        const bool escaped = c == QLatin1Char('\\') && i + 1 < EditFormat.size();
        if (escaped)
            c = EditFormat.at(++i);
        if (!escaped && (ElementOf(c.toUpper()) >= 0 || c == QLatin1Char('/') || c == QLatin1Char(':'))) {
            if (quoted)
                result.append(QLatin1Char('\''));
            quoted = false;
            result.append(c.toUpper());
            continue;
        }
        if (!quoted)
            result.append(QLatin1Char('\''));
        quoted = true;
        result.append(c);
        if (c == QLatin1Char('\''))
            result.append(c);
    }
    if (quoted)
        result.append(QLatin1Char('\''));
    return result;
}

QString DateTimeEditFormat::ToTemplate(const QString &EditFormat)
{
    QString result;
    for (int i = 0; i < EditFormat.size(); ++i) {
        const QChar c = EditFormat.at(i);
        if (c == QLatin1Char('\\')) {
            if (i + 1 < EditFormat.size()) {
                ++i;
                result.append(QLatin1Char(' '));
            }
            continue;
        }
        const bool kept = ElementOf(c.toUpper()) >= 0 || c == QLatin1Char('/') || c == QLatin1Char(':');
        result.append(kept ? c.toUpper() : QLatin1Char(' '));
    }
    return result;
}

QString DateTimeEditFormat::DefaultDateEditFormat(bool FourDigitYear)
{
    const QString format = FormatSettings().ShortDateFormat.toUpper();
    int order = 1;
    for (QChar c : format) {
        if (c == QLatin1Char('M')) {
            order = 0;
            break;
        }
        if (c == QLatin1Char('D'))
            break;
        if (c == QLatin1Char('Y')) {
            order = 2;
            break;
        }
    }
    const QString year = FourDigitYear ? QStringLiteral("YYYY") : QStringLiteral("YY");
    switch (order) {
    case 0:
        return QStringLiteral("MM/DD/") + year;
    case 2:
        return year + QStringLiteral("/MM/DD");
    default:
        return QStringLiteral("DD/MM/") + year;
    }
}

bool DateTimeEditFormat::ParseText(const QString &Text, const TDateTimeElementsEh &Elements, TDateTimePartsEh &Parts)
{
    bool complete = true;
    for (std::size_t i = 0; i < Elements.size(); ++i) {
        Parts[i] = -1;
        if (!Elements[i].Present)
            continue;
        Parts[i] = ParseElementNumber(Text.mid(Elements[i].Pos - 1, Elements[i].Len));
        if (Parts[i] < 0)
            complete = false;
    }
    if (Parts[dteYear] >= 0)
        Parts[dteYear] = ExpandTwoDigitYear(Parts[dteYear]);
    return complete;
}

bool DateTimeEditFormat::MergeParts(TDateTimePartsEh Parts, const TDateTimeElementsEh &Elements, QVariant &V,
                                    bool Normalize)
{
    if (std::all_of(Parts.begin(), Parts.end(), [](int p) { return p == -1; })) {
        V = QVariant();
        return true;
    }
    if (Normalize) {
        NormalizeDateParts(Parts[dteYear], Parts[dteMonth], Parts[dteDay]);
        NormalizeTimeParts(Parts[dteHour], Parts[dteMin], Parts[dteSec]);
    } else {
        for (std::size_t i = 0; i < Parts.size(); ++i) {
            const bool date = i <= dteDay;
            if (!Elements[i].Present && Parts[i] < (date ? 1 : 0))
                Parts[i] = date ? 1 : 0;
        }
    }
    if (!TryPartsToDateTime(Parts)) {
        V = QVariant();
        return false;
    }
    const QDateTime base = V.isValid() && !V.isNull() ? ToDateTime(V)
                                                     : QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    int part[6] = { base.date().year(), base.date().month(), base.date().day(), base.time().hour(),
                    base.time().minute(), base.time().second() };
    for (std::size_t i = 0; i < Parts.size(); ++i)
        if (Elements[i].Present && Parts[i] >= (i <= dteDay ? 1 : 0))
            part[i] = Parts[i];
    const QDate date(part[0], part[1], part[2]);
    const QTime time(part[3], part[4], part[5], base.time().msec());
    if (!date.isValid() || !time.isValid())
        throw EConvertError(QStringLiteral("Invalid argument to date encode"));
    V = QDateTime(date, time);
    return true;
}

void DateTimeEditFormat::StepText(const QString &Text, const QString &Template, bool Up, QString &NewText, int &Len,
                                  int &Pos)
{
    NewText = Text;
    Pos = std::clamp(Pos, 1, std::max(1, int(Template.size())));
    if (Template.isEmpty())
        return;
    if (IsDateTimeSeparator(Template.at(Pos - 1))) {
        if (Pos >= Template.size())
            return;
        ++Pos;
    }
    const QChar letter = Template.at(Pos - 1);
    if (ElementOf(letter) < 0)
        return;
    const int start = int(Template.indexOf(letter)) + 1;
    int length = 0;
    while (start - 1 + length < Template.size() && Template.at(start - 1 + length) == letter)
        ++length;
    int v = ParseElementNumber(Text.mid(start - 1, length));
    v = std::max(v, 0);
    const char l = char(letter.unicode());
    int low = 1;
    int high = 31;
    if (l == 'M')
        high = 12;
    else if (l == 'Y')
        high = 9999;
    else if (l == 'H')
        low = 0, high = 23;
    else if (l == 'N' || l == 'S')
        low = 0, high = 59;
    if (Up)
        v = v >= high ? low : v + 1;
    else
        v = v <= low ? high : v - 1;
    const QString number = QStringLiteral("%1").arg(v, length, 10, QLatin1Char('0'));
    NewText = Text.left(start - 1) + number + Text.mid(start - 1 + length);
    Pos = start;
    Len = length;
}

// ---- The editor ---------------------------------------------------------------------------------------------

TCustomDBDateTimeEditEh::TCustomDBDateTimeEditEh(QWidget *Parent)
    : TCustomDBEditEh(Parent)
{
    EditButton()->SetVisible(true);
    EditButton()->SetShortCut(QKeySequence(Qt::ALT | Qt::Key_Down));
    UpdateFourDigitYear();
    UpdateEditFormat();
}

TCustomDBDateTimeEditEh::~TCustomDBDateTimeEditEh() = default;

void TCustomDBDateTimeEditEh::SetKind(TDateTimeKindEh Value)
{
    if (Value == m_kind)
        return;
    m_kind = Value;
    UpdateEditFormat();
    DataLink()->Reset();
}

void TCustomDBDateTimeEditEh::SetEditFormat(const QString &Value)
{
    if (Value == m_editFormat && m_kind == dtkCustomEh)
        return;
    const QString old = m_editFormat;
    const TDateTimeKindEh oldKind = m_kind;
    m_kind = dtkCustomEh;
    m_editFormat = Value;
    try {
        UpdateEditFormat();
    } catch (...) {
        m_editFormat = old;
        m_kind = oldKind;
        throw;
    }
    DataLink()->Reset();
}

void TCustomDBDateTimeEditEh::UpdateFourDigitYear()
{
    const bool four = FormatSettings().ShortDateFormat.toUpper().contains(QStringLiteral("YYY"));
    if (m_fourDigitYearKnown && four == m_fourDigitYear)
        return;
    m_fourDigitYear = four;
    m_fourDigitYearKnown = true;
    UpdateEditFormat();
}

void TCustomDBDateTimeEditEh::UpdateEditFormat()
{
    const QString date = DateTimeEditFormat::DefaultDateEditFormat(m_fourDigitYear);
    const QString time = QStringLiteral("HH:NN:SS");
    switch (m_kind) {
    case dtkDateEh:
        m_editFormat = date;
        break;
    case dtkTimeEh:
        m_editFormat = time;
        break;
    case dtkDateTimeEh:
        m_editFormat = date + QLatin1Char(' ') + time;
        break;
    case dtkCustomEh:
        break;
    }
    if (m_editFormat.isEmpty()) {
        m_displayFormat.clear();
        m_elements = {};
        SetMask(QString());
        return;
    }
    TDateTimeElementsEh elements;
    QString mask;
    DateTimeEditFormat::BuildMask(m_editFormat, elements, mask);
    m_elements = elements;
    m_displayFormat = DateTimeEditFormat::ToDisplayFormat(m_editFormat);
    SetMask(mask);
}

void TCustomDBDateTimeEditEh::SetTextGuarded(const QString &S)
{
    m_settingText = true;
    try {
        SetEditText(IsMasked() ? Mask().formatText(S) : S);
    } catch (...) {
        m_settingText = false;
        throw;
    }
    m_settingText = false;
}

void TCustomDBDateTimeEditEh::DataChanged()
{
    if (TField *field = Field())
        PutValue(field->AsVariant());
    else
        PutValue(IsDataIndependent() ? DataLink()->UnboundValue : QVariant());
    UpdateReadOnlyState();
    SetModified(false);
}

void TCustomDBDateTimeEditEh::PutValue(const QVariant &V)
{
    if (!V.isValid() || V.isNull()) {
        m_value = QVariant();
        SetTextGuarded(QString());
        return;
    }
    m_value = ToDateTime(V);
    const TDateTime number = DateTimeToDayCount(m_value.toDateTime());
    SetTextGuarded(IsMasked() ? FormatDateTime(m_displayFormat, number) : DateTimeToStr(number));
}

void TCustomDBDateTimeEditEh::PutText(const QString &S)
{
    QVariant v = m_value;
    if (IsMasked()) {
        TDateTimePartsEh parts;
        DateTimeEditFormat::ParseText(S, m_elements, parts);
        if (!DateTimeEditFormat::MergeParts(parts, m_elements, v, false))
            throw EConvertError(QStringLiteral("Invalid datetime: \"%1\"").arg(S));
    } else {
        v = S.trimmed().isEmpty() ? QVariant() : QVariant(DayCountToDateTime(StrToDateTime(S)));
    }
    m_value = v;
    SetTextGuarded(S);
}

void TCustomDBDateTimeEditEh::Change()
{
    if (!m_settingText)
        TextToValue();
    TCustomDBEditEh::Change();
}

void TCustomDBDateTimeEditEh::TextToValue()
{
    if (IsMasked()) {
        TDateTimePartsEh parts;
        const bool complete = DateTimeEditFormat::ParseText(EditText(), m_elements, parts);
        try {
            if (!complete || !DateTimeEditFormat::MergeParts(parts, m_elements, m_value, false))
                m_value = QVariant();
        } catch (const EConvertError &) {
            m_value = QVariant(); // a text still being typed
        }
    } else {
        TDateTime number = 0;
        m_value = TryStrToDateTime(EditText(), number) ? QVariant(DayCountToDateTime(number)) : QVariant();
    }
}

void TCustomDBDateTimeEditEh::ValidateEdit()
{
    if (m_inValidate)
        return;
    m_inValidate = true;
    try {
        TCustomDBEditEh::ValidateEdit();
        if (IsMasked()) {
            // A partly typed date is completed from today and clamped when the editor is left.
            TDateTimePartsEh parts;
            const QString text = EditText();
            DateTimeEditFormat::ParseText(text, m_elements, parts);
            QVariant v = m_value;
            if (!DateTimeEditFormat::MergeParts(parts, m_elements, v, true))
                throw EConvertError(QStringLiteral("Invalid datetime: \"%1\"").arg(text));
            m_value = v;
            SetTextGuarded(v.isValid() ? FormatDateTime(m_displayFormat, DateTimeToDayCount(v.toDateTime()))
                                       : QString());
        }
    } catch (...) {
        m_inValidate = false;
        throw;
    }
    m_inValidate = false;
}

void TCustomDBDateTimeEditEh::StoreTextToField()
{
    // A date-only editor keeps the field's time of day, a time-only editor its date.
    QVariant v = Field() ? Field()->AsVariant() : IsDataIndependent() ? DataLink()->UnboundValue : QVariant();
    if (IsMasked())
        DateTimeEditFormat::MergeParts(ValueToParts(m_value), m_elements, v, true);
    else
        v = Text().trimmed().isEmpty() ? QVariant() : QVariant(DayCountToDateTime(StrToDateTime(Text())));
    DataLink()->SetValue(v);
}

QString TCustomDBDateTimeEditEh::MRUFilterText() const
{
    // What is typed so far: the blanks and separators of the elements still to come do not count.
    QString text = EditText();
    while (!text.isEmpty() && (text.back() == QLatin1Char(' ') || IsDateTimeSeparator(text.back())))
        text.chop(1);
    return text;
}

// ---- Stepping and the separator jump ------------------------------------------------------------------------

void TCustomDBDateTimeEditEh::StepElement(bool Up)
{
    int pos = (hasSelectedText() ? selectionStart() : cursorPosition()) + 1;
    int len = int(selectedText().size());
    QString text;
    DateTimeEditFormat::StepText(EditText(), DateTimeEditFormat::ToTemplate(m_editFormat), Up, text, len, pos);
    m_settingText = true;
    SetEditText(text);
    m_settingText = false;
    TextToValue();
    TCustomDBEditEh::Change();
    setSelection(pos - 1, len);
}

bool TCustomDBDateTimeEditEh::StepByWheel(bool Up)
{
    if (!IsMasked() || ReadOnly() || !StartEditing())
        return false;
    StepElement(Up);
    return true;
}

void TCustomDBDateTimeEditEh::DropDownFromButton(bool Param)
{
    if (EditButton()->Style() == ebsUpDownEh) {
        StepByWheel(!Param);
        return;
    }
    TCustomDBEditEh::DropDownFromButton(Param);
}

void TCustomDBDateTimeEditEh::JumpToNextElement(QChar Separator)
{
    // The editor's own layout tells where the elements are.
    const QString templ = DateTimeEditFormat::ToTemplate(m_editFormat);
    const auto isElement = [&templ](int i) { return i >= 0 && i < templ.size() && ElementOf(templ.at(i)) >= 0; };
    const auto firstElementFrom = [&](int i) {
        while (i < templ.size() && !isElement(i))
            ++i;
        return i;
    };
    const int from = hasSelectedText() ? selectionEnd() : cursorPosition();
    int target = -1;
    if (!hasSelectedText() && isElement(from) && from > 0 && !isElement(from - 1)) {
        // Typing filled the element and the caret already stepped over the separator after it: the separator key
        // confirms that element instead of skipping the next one ("31.12" is the 31st of December).
        target = from;
    } else {
        const int found = int(EditText().indexOf(Separator, from));
        target = found >= 0 ? firstElementFrom(found + 1) : -1;
        if (!isElement(target))
            target = firstElementFrom(0); // after the last element the first one follows
    }
    if (!isElement(target))
        return;
    const QChar letter = templ.at(target);
    const int first = int(templ.indexOf(letter));
    int len = 0;
    while (first + len < templ.size() && templ.at(first + len) == letter)
        ++len;
    setSelection(first, len);
}

bool TCustomDBDateTimeEditEh::KeyDown(QKeyEvent *Event, int Key, Qt::KeyboardModifiers Shift)
{
    Q_UNUSED(Event);
    if (!IsMasked() || Shift != Qt::NoModifier)
        return false;
    if ((Key == Qt::Key_Up || Key == Qt::Key_Down) && !ReadOnly() && StartEditing()) {
        StepElement(Key == Qt::Key_Up);
        return true;
    }
    // With an element selected, Left and Right move on from its first and from its last character.
    if ((Key == Qt::Key_Left || Key == Qt::Key_Right) && selectedText().size() > 1)
        setCursorPosition(Key == Qt::Key_Left ? selectionStart() : selectionStart() + int(selectedText().size()) - 1);
    return false;
}

bool TCustomDBDateTimeEditEh::KeyPress(QKeyEvent *Event, QChar &Ch)
{
    Q_UNUSED(Event);
    if (!IsMasked() || (Ch != FormatSettings().DateSeparator && Ch != FormatSettings().TimeSeparator))
        return false;
    JumpToNextElement(Ch);
    return true;
}

void TCustomDBDateTimeEditEh::focusInEvent(QFocusEvent *Event)
try {
    const HandlerEdge edge;
    UpdateFourDigitYear();
    TCustomDBEditEh::focusInEvent(Event);
} catch (...) {
    endAtHandlerEdge();
}

// ---- Calendar -----------------------------------------------------------------------------------------------

TPopupMonthCalendarEh *TCustomDBDateTimeEditEh::Calendar()
{
    if (!m_calendar) {
        m_calendar = new TPopupMonthCalendarEh(this);
        m_calendar->hide();
    }
    return m_calendar;
}

void TCustomDBDateTimeEditEh::DropDown()
{
    TCustomDBEditEh::DropDown();
    if (m_calendarDropped)
        return;
    if (OnDropDown)
        OnDropDown(this);
    TPopupMonthCalendarEh *calendar = Calendar();
    calendar->SetDate(m_value.isValid() ? m_value.toDateTime().date() : Services::clock()->today());
    calendar->move(PlaceDropDownForControl(this, calendar, daLeft));
    calendar->show();
    m_calendarDropped = true;
    m_droppedDown = true;
}

void TCustomDBDateTimeEditEh::CloseUp(bool Accept)
{
    if (!m_calendarDropped)
        return;
    m_calendarDropped = false;
    m_calendar->hide();
    m_droppedDown = false;
    TCustomDBEditEh::CloseUp(Accept);
    if (Accept && !ReadOnly() && StartEditing()) {
        // The chosen day keeps the time of day the value had.
        QDateTime chosen(m_calendar->Date(), m_value.isValid() ? m_value.toDateTime().time() : QTime(0, 0));
        QVariant v = m_value;
        DateTimeEditFormat::MergeParts(ValueToParts(chosen), m_elements, v, true);
        PutValue(v);
        if (IsFocused())
            selectAll();
    }
    if (OnCloseUp)
        OnCloseUp(this, Accept);
}

bool TCustomDBDateTimeEditEh::DropDownKey(QKeyEvent *Event)
{
    if (!m_calendarDropped)
        return false;
    const int key = Event->key();
    const bool ctrl = Event->modifiers() & Qt::ControlModifier;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape || key == Qt::Key_PageUp
        || key == Qt::Key_PageDown || key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up
        || key == Qt::Key_Down || (ctrl && (key == Qt::Key_Home || key == Qt::Key_End)))
        return m_calendar->HandleKey(Event);
    return false;
}
