#include "uCommon.h"

#include "Exceptions.h"
#include "FormatSettings.h"
#include "Formats.h"
#include "Services.h"

#include <QFile>
#include <QSysInfo>

#include <cmath>
#include <optional>

QString FloatToDotText(double x)
{
    if (x == 0)
        return QStringLiteral("0");
    return FloatToStr(x).replace(QLatin1Char(','), QLatin1Char('.'));
}

double TextToFloat(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    QString text = value.toString().trimmed();
    text.remove(QLatin1Char(' '));
    text.remove(QChar(0x00A0));
    const QChar separator = FormatSettings().DecimalSeparator;
    if (separator == QLatin1Char('.'))
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    else
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    if (text.isEmpty() || text.startsWith(separator))
        text.prepend(QLatin1Char('0'));
    if (text.endsWith(separator))
        text.append(QLatin1Char('0'));
    return StrToFloat(text);
}

QDate StartOfCurrentMonth()
{
    return StartOfMonth(Services::clock()->today());
}

QDate EndOfCurrentMonth()
{
    return EndOfMonth(Services::clock()->today());
}

QDate StartOfCurrentYear()
{
    return QDate(Services::clock()->today().year(), 1, 1);
}

QDate EndOfCurrentYear()
{
    return QDate(Services::clock()->today().year(), 12, 31);
}

QString DateToSqlLiteral(const QVariant &value)
{
    const std::optional<QDate> d = GivenDate(value);
    if (!d)
        return QStringLiteral("Null");
    return QStringLiteral("TO_DATE('%1','DD/MM/YYYY')").arg(d->toString(QStringLiteral("dd/MM/yyyy")));
}

QString TestSqlStartText()
{
    return QStringLiteral("select * from all_objects");
}

QString BuildRangeCondition(const QString &fieldName, const QVariant &fromValue, const QVariant &toValue)
{
    const std::optional<QDate> from = GivenDate(fromValue);
    const std::optional<QDate> to = GivenDate(toValue);
    if (from && to && *from == *to)
        return QStringLiteral("(%1=%2)").arg(fieldName, DateToSqlLiteral(*to));
    if (!to)
        return QStringLiteral("(0=0)");
    if (!from)
        return QStringLiteral("(%1 <= %2)").arg(fieldName, DateToSqlLiteral(*to));
    return QStringLiteral("(%1 between %2 and %3)").arg(fieldName, DateToSqlLiteral(*from), DateToSqlLiteral(*to));
}

void PeriodPreset(int kind, QDate &from, QDate &to)
{
    const QDate today = Services::clock()->today();
    switch (kind) {
    case 0:
        from = ZeroDate();
        to = QDate(4712, 12, 31);
        break;
    case 1:
        from = to = today;
        break;
    case 2:
        from = to = today.addDays(-1);
        break;
    case 3:
        from = StartOfCurrentMonth();
        to = EndOfCurrentMonth();
        break;
    case 4:
        from = StartOfCurrentYear();
        to = EndOfCurrentYear();
        break;
    default:
        break;
    }
}

namespace {

// Words of one group of three digits (hundreds, tens, units), each followed by a blank.
QString groupWords(const QString &group, int groupIndex, int gender)
{
    static const char16_t *const hundreds[] = {u"",         u"сто ",      u"двести ",  u"триста ",    u"четыреста ",
                                               u"пятьсот ", u"шестьсот ", u"семьсот ", u"восемьсот ", u"девятьсот "};
    static const char16_t *const teens[] = {u"десять ",       u"одиннадцать ", u"двенадцать ",   u"тринадцать ",
                                            u"четырнадцать ", u"пятнадцать ",  u"шестнадцать ",  u"семнадцать ",
                                            u"восемнадцать ", u"девятнадцать "};
    static const char16_t *const tens[] = {u"",           u"",           u"двадцать ",  u"тридцать ",   u"сорок ",
                                           u"пятьдесят ", u"шестьдесят ", u"семьдесят ", u"восемьдесят ", u"девяносто "};
    static const char16_t *const units[] = {u"", u"", u"", u"три ", u"четыре ", u"пять ", u"шесть ", u"семь ",
                                            u"восемь ", u"девять "};

    const int h = group[0].digitValue();
    const int t = group[1].digitValue();
    const int u = group[2].digitValue();
    QString words = QString::fromUtf16(hundreds[h]);
    if (t == 1)
        return words + QString::fromUtf16(teens[u]);
    words += QString::fromUtf16(tens[t]);
    if (u == 1 || u == 2) {
        // The thousand is feminine; the units take the gender of the call; millions and up are masculine.
        int g = 1;
        if (groupIndex == 2)
            g = 3;
        else if (groupIndex == 1)
            g = gender;
        if (u == 1)
            words += g == 3 ? u"одна " : g == 2 ? u"одно " : u"один ";
        else
            words += g == 3 ? u"две " : u"два ";
    } else {
        words += QString::fromUtf16(units[u]);
    }
    return words;
}

// 1 for the form after 1, 2 for 2 to 4, 5 for 5 or more (and the teens).
int formOf(const QString &group)
{
    const int t = group[1].digitValue();
    const int u = group[2].digitValue();
    if (t == 1)
        return 5;
    if (u == 1)
        return 1;
    if (u >= 2 && u <= 4)
        return 2;
    return 5;
}

} // namespace

QString AmountToWords(const QString &digits, int gender, const QString &form1, const QString &form2to4,
                      const QString &form5plus)
{
    static const char16_t *const scales[][3] = {
        {u"тысяча ", u"тысячи ", u"тысяч "},
        {u"миллион ", u"миллиона ", u"миллионов "},
        {u"миллиард ", u"миллиарда ", u"миллиардов "},
        {u"триллион ", u"триллиона ", u"триллионов "},
    };
    const int maxGroups = 1 + int(std::size(scales));

    bool allDigits = !digits.isEmpty();
    for (const QChar c : digits)
        allDigits = allDigits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!allDigits || digits.size() > 3 * maxGroups)
        throw EConvertError(QStringLiteral("'%1' не является целым числом до %2 знаков").arg(digits).arg(3 * maxGroups));
    if (digits.count(QLatin1Char('0')) == digits.size())
        return QString();

    QString padded = digits;
    padded.prepend(QString((3 - digits.size() % 3) % 3, QLatin1Char('0')));
    const int groupCount = int(padded.size() / 3);

    QString text;
    for (int i = 0; i < groupCount; ++i) {
        const QString group = padded.mid(3 * i, 3);
        const int n = groupCount - i;
        text += groupWords(group, n, gender);
        const int form = formOf(group);
        const int formIndex = form == 1 ? 0 : form == 2 ? 1 : 2;
        if (n == 1)
            text += form == 1 ? form1 : form == 2 ? form2to4 : form5plus;
        else if (group != QLatin1String("000"))
            text += QString::fromUtf16(scales[n - 2][formIndex]);
    }
    text[0] = text[0].toUpper();
    return text;
}

QString AmountToWords(const TConvertData &data)
{
    return AmountToWords(data.digits, data.gender, data.form1, data.form2to4, data.form5plus);
}

bool ConfirmSaveChanges()
{
    return Services::messages()->confirm(QStringLiteral("Данные изменены, записать?"));
}

bool ShowInfoMessage(const QString &text)
{
    Services::messages()->showMessage(text);
    return true;
}

bool ConfirmDeleteRecord(const QString &language, const QString &detail)
{
    const QString question = language == QLatin1String("RU") ? QStringLiteral("Удалять запись? ")
                                                              : QStringLiteral("Delete record? ");
    // A deletion is answered "Нет" by a stray Enter.
    return Services::messages()->confirm(question + detail, mbNo);
}

QString KeyboardLayoutName(int primaryLanguage, int subLanguage)
{
    return QStringLiteral("%1").arg(uint(subLanguage << 10 | primaryLanguage), 8, 16, QLatin1Char('0')).toUpper();
}

void SetKeyboardLayout(int primaryLanguage, int subLanguage)
{
    Services::shell()->activateKeyboardLayout(KeyboardLayoutName(primaryLanguage, subLanguage));
}

void SetKeyboardLanguage(const QString &code)
{
    const QString upper = code.toUpper();
    const int primary = upper == QLatin1String("RU") ? 0x19 : upper == QLatin1String("GE") ? 0x07 : 0x09;
    SetKeyboardLayout(primary, 1);
}

QString OperatingSystemText()
{
    return QStringLiteral("%1 %2 (%3)").arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(),
                                             QSysInfo::kernelVersion());
}

namespace {

QString firmwareText(const char *name)
{
    QFile file(QStringLiteral("/sys/class/dmi/id/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

// A "Name: value kB" line of /proc/meminfo, in bytes; 0 when missing.
qint64 memInfoBytes(const QByteArray &memInfo, const QByteArray &name)
{
    for (const QByteArray &line : memInfo.split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

} // namespace

bool GetMachineInfo(TMashineInfo &info)
{
    info.osText = OperatingSystemText();
    info.biosVersion = firmwareText("bios_version");
    info.biosDate = firmwareText("bios_date");
    info.videoBiosVersion.clear();
    info.videoBiosDate.clear();
    return true;
}

void ShowMemoryInfo()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    const QByteArray memInfo = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qint64 totalPhys = memInfoBytes(memInfo, "MemTotal");
    const qint64 availPhys = memInfoBytes(memInfo, "MemAvailable");
    // What the system lets programs commit, and what is left of it.
    const qint64 totalVirtual = memInfoBytes(memInfo, "CommitLimit");
    const qint64 availVirtual = std::max<qint64>(0, totalVirtual - memInfoBytes(memInfo, "Committed_AS"));
    const double load = totalPhys > 0 ? RoundMoney(2, double(totalPhys - availPhys) * 100 / double(totalPhys)) : 0;
    Services::messages()->information(
        QStringLiteral("Загрузка памяти: %1%\rВсего физической: %2\rДоступно физической: %3\rВсего виртуальной: "
                       "%4\rДоступно виртуальной: %5\r\r%6\r\r")
            .arg(FloatToStrF(load, ffFixed, 15, 2), QString::number(totalPhys), QString::number(availPhys),
                 QString::number(totalVirtual), QString::number(availVirtual), OperatingSystemText()));
}
