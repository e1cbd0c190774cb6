#include "uRegisterImport.h"

#include "CodePage.h"
#include "Formats.h"
#include "Kyv_Dbf.h"
#include "Services.h"
#include "uCommon.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

// ---- Tokens and accounts ----

TKyv_StringTokenizer::TKyv_StringTokenizer(const QString &text, QChar delimiter)
    : m_text(text)
    , m_delimiter(delimiter)
    , m_end(int(text.size()) + 1)
{
}

QString TKyv_StringTokenizer::NextToken()
{
    if (m_position > m_end)
        return {};
    const qsizetype at = m_text.indexOf(m_delimiter, m_position - 1);
    m_nextStart = at < 0 ? m_end : int(at) + 1;
    const QString token = m_text.mid(m_position - 1, m_nextStart - m_position);
    // After the last token the position passes the end, so that every further call gives an empty token; a
    // delimiter at the very end leaves one more (empty) token to give.
    m_position = at < 0 ? m_end + 1 : m_nextStart + 1;
    return token;
}

QString stripAccountPrefix(const QString &account)
{
    qsizetype i = 0;
    while (i < account.size() && account.at(i) < QLatin1Char('1'))
        ++i;
    return account.mid(i);
}

// ---- Reading ----

namespace {

// Tokens 1..count of a line (index 0 unused), as the tokenizer gives them.
std::vector<QString> tokens(const QString &line, QChar delimiter, int count)
{
    TKyv_StringTokenizer t(line, delimiter);
    std::vector<QString> result(count + 1);
    for (int i = 1; i <= count; ++i)
        result[i] = t.NextToken();
    return result;
}

// The same tokens as views into the line, for the long runs of lines that keep few of their tokens.
template <int Count> std::array<QStringView, Count + 1> tokenViews(QStringView line, QChar delimiter)
{
    std::array<QStringView, Count + 1> result;
    qsizetype from = 0;
    for (int i = 1; i <= Count; ++i) {
        const qsizetype at = line.indexOf(delimiter, from);
        if (at < 0) {
            result[i] = line.mid(from);
            break; // every later token is empty
        }
        result[i] = line.mid(from, at - from);
        from = at + 1;
    }
    return result;
}

// "DD/MM/YYYY", built by hand: registers run to many thousand lines, and a locale-aware formatter costs more
// than the rest of a line.
QString dayText(int year, int month, int day)
{
    if (year < 0 || year > 9999) {
        char text[24];
        std::snprintf(text, sizeof text, "%02d/%02d/%04d", day, month, year);
        return QString::fromLatin1(text);
    }
    const char16_t text[10] = { char16_t(u'0' + day / 10), char16_t(u'0' + day % 10), u'/', char16_t(u'0' + month / 10),
        char16_t(u'0' + month % 10), u'/', char16_t(u'0' + year / 1000), char16_t(u'0' + year / 100 % 10),
        char16_t(u'0' + year / 10 % 10), char16_t(u'0' + year % 10) };
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

QString dayText(const QDate &d)
{
    return dayText(d.year(), d.month(), d.day());
}

// A sum of a register as TextToFloat reads it. The plain forms registers use ("12,50", "-3.5", "7") are read
// here directly, as the general reading would (the same digits to strtod), for it costs more than the rest of a
// line; anything else goes the general way.
double registerSum(QStringView text)
{
    char plain[40];
    const qsizetype n = text.size();
    if (n == 0 || n >= qsizetype(sizeof plain))
        return TextToFloat(text.toString());
    qsizetype i = 0;
    if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) {
        plain[0] = char(text[0].unicode());
        i = 1;
    }
    int before = 0, after = 0;
    bool point = false;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            plain[i] = char(c);
            ++(point ? after : before);
        } else if ((c == u',' || c == u'.') && !point) {
            plain[i] = '.';
            point = true;
        } else {
            return TextToFloat(text.toString());
        }
    }
    if (before == 0 || (point && after == 0))
        return TextToFloat(text.toString());
    plain[n] = '\0';
    return std::strtod(plain, nullptr);
}

// A whole number of a register as StrToInt reads it; plain digits, the common case, are read here directly.
int registerInt(QStringView text)
{
    if (text.isEmpty() || text.size() > 9)
        return StrToInt(text.toString());
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return StrToInt(text.toString());
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// "dd.mm.yy" as "dd/mm/20yy".
QString shortDateText(const QString &d)
{
    return d.mid(0, 2) + QLatin1Char('/') + d.mid(3, 2) + QStringLiteral("/20") + d.mid(6, 2);
}

// A time stamp "YYYYMMDDhhmmss" as "DD/MM/YYYY".
QString stampDateText(QStringView stamp)
{
    const int year = DigitsAt(stamp, 0, 4), month = DigitsAt(stamp, 4, 2), day = DigitsAt(stamp, 6, 2);
    const int h = DigitsAt(stamp, 8, 2), m = DigitsAt(stamp, 10, 2), sec = DigitsAt(stamp, 12, 2);
    if (stamp.size() != 14 || !QDate::isValid(year, month, day) || h < 0 || h > 23 || m < 0 || m > 59 || sec < 0
        || sec > 59)
        throw EConvertError(QStringLiteral("\"%1\" - неверная отметка времени (ожидается ГГГГММДДччммсс)").arg(stamp));
    return dayText(year, month, day);
}

// A date field of a table, "YYYYMMDD", as "DD/MM/YYYY"; empty when the field is.
QString tableDateText(const QString &value)
{
    if (value.isEmpty())
        return {};
    const int year = DigitsAt(value, 0, 4), month = DigitsAt(value, 4, 2), day = DigitsAt(value, 6, 2);
    if (value.size() != 8 || !QDate::isValid(year, month, day))
        throw EConvertError(QStringLiteral("\"%1\" - неверная дата").arg(value));
    return dayText(year, month, day);
}

// Runs the reading of one line, naming the line in the error it raises; a line that fails leaves no row of its
// own behind, so that the lists hold only what was read whole.
void readLine(TPaymentRegister &reg, int index, const std::function<void()> &read)
{
    const qsizetype docs = reg.docs.size(), payments = reg.payments.size();
    try {
        read();
    } catch (const EConvertError &e) {
        reg.docs.resize(docs);
        reg.payments.resize(payments);
        throw EConvertError(QStringLiteral("Строка %1: %2").arg(index + 1).arg(e.message()));
    } catch (const Exception &) {
        reg.docs.resize(docs);
        reg.payments.resize(payments);
        throw;
    }
}

void startRegister(TPaymentRegister &reg, const QString &fileName)
{
    reg = TPaymentRegister();
    reg.fileName = fileName;
}

TRegisterDoc &addDoc(TPaymentRegister &reg, int id, int source, const QString &no, const QString &date)
{
    TRegisterDoc doc;
    doc.PayDocId = id;
    doc.PaySourceId = source;
    doc.PayDocNo = no.left(15);
    doc.PayDocDateStr = date.left(10);
    reg.docs.append(doc);
    return reg.docs.last();
}

TRegisterPayment &addPayment(TPaymentRegister &reg, const QString &account)
{
    TRegisterPayment p;
    p.RecNo = int(reg.payments.size()) + 1;
    p.PayDocId = reg.docs.isEmpty() ? 0 : reg.docs.last().PayDocId;
    p.AccountNo = account;
    reg.payments.append(p);
    return reg.payments.last();
}

double paymentsSum(const TPaymentRegister &reg)
{
    double sum = 0;
    for (const TRegisterPayment &p : reg.payments)
        sum += p.PaySum;
    return sum;
}

void readMode0(const QStringList &lines, int firstDocId, TPaymentRegister &reg)
{
    const int n = int(lines.size());
    int docId = firstDocId - 1;
    bool open = false;
    for (int i = 0; i < n; ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1Char('*'))) {
            open = i <= n - 2;
            if (open)
                readLine(reg, i, [&] {
                    const auto t = tokens(line, QLatin1Char(';'), 6);
                    TRegisterDoc &doc = addDoc(reg, ++docId, 0, t[2], t[3]);
                    StrToInt(t[4]);
                    doc.PayDocSum = StrToFloat(t[5]) - StrToFloat(t[6]);
                });
            continue;
        }
        if (!open)
            continue;
        readLine(reg, i, [&] {
            const auto t = tokens(line, QLatin1Char(';'), 5);
            TRegisterPayment &p = addPayment(reg, stripAccountPrefix(t[1]));
            p.PayDateStr = t[2];
            p.PaySum = StrToFloat(t[3]) - StrToFloat(t[4]);
            p.PayDateStr = t[5].mid(0, 2) + QLatin1Char('/') + t[5].mid(2, 2) + QStringLiteral("/20") + t[2].mid(3, 2);
        });
    }
}

void readMode57(const QStringList &lines, int firstDocId, TPaymentRegister &reg)
{
    const int n = int(lines.size());
    TRegisterDoc doc;
    doc.PayDocId = firstDocId;
    int i = 0;
    for (; i <= n - 2 && lines.at(i).startsWith(QLatin1Char('#')); ++i)
        readLine(reg, i, [&] {
            const auto t = tokens(lines.at(i), QLatin1Char(';'), 2);
            const QString value = t[1].mid(2);
            if (t[2].contains(QStringLiteral("Номер реестра")))
                doc.PayDocNo = value.left(15);
            else if (t[2].contains(QStringLiteral("Сумма реестра")))
                doc.PayDocSum = registerSum(value);
            else if (t[2].contains(QStringLiteral("Дата формирования реестра")))
                doc.PayDocDateStr = t[1].mid(2, 10);
        });
    reg.docs.append(doc);
    for (; i < n; ++i)
        readLine(reg, i, [&] {
            const auto t = tokens(lines.at(i), QLatin1Char(';'), 7);
            TRegisterPayment &p = addPayment(reg, stripAccountPrefix(t[3]));
            p.PaySum = registerSum(t[4]);
            p.PayDateStr = t[7].left(10);
        });
}

// Modes 58 and 59: one undated document of the payments of every line but the last.
void readSummedLines(int mode, const QStringList &lines, const QDate &today, TPaymentRegister &reg)
{
    addDoc(reg, 0, 0, QStringLiteral("0"), dayText(today));
    const QChar delimiter = mode == 58 ? QLatin1Char(';') : QLatin1Char('|');
    for (int i = 0; i <= int(lines.size()) - 2; ++i)
        readLine(reg, i, [&] {
            const auto t = tokens(lines.at(i), delimiter, 5);
            TRegisterPayment &p = addPayment(reg, stripAccountPrefix(t[1]));
            p.PaySum = registerSum(mode == 58 ? t[3].trimmed() : t[2].trimmed());
            p.PayDateStr = shortDateText(mode == 58 ? t[5] : t[3]);
        });
    reg.docs.last().PayDocSum = paymentsSum(reg);
}

void readMode62(const QStringList &lines, const QDate &today, TPaymentRegister &reg)
{
    const int n = int(lines.size());
    TRegisterDoc &doc = addDoc(reg, 0, 0, n > 0 ? lines.at(0).mid(1, 25).trimmed() : QString(), dayText(today));
    if (n > 1)
        readLine(reg, 1, [&] { doc.PayDocSum = registerSum(lines.at(1).mid(1, 25).trimmed()); });
    for (int i = 12; i < n; ++i)
        readLine(reg, i, [&] {
            const auto t = tokens(lines.at(i), QLatin1Char(';'), 5);
            TRegisterPayment &p = addPayment(reg, t[3]);
            p.PaySum = registerSum(t[4].trimmed());
            p.PayDateStr = t[5].left(10);
        });
}

void readMode63(const QStringList &lines, const QString &fileName, TPaymentRegister &reg)
{
    const QString no = fileName.mid(7, 6);
    addDoc(reg, 0, 1, no, no.mid(4, 2) + QLatin1Char('.') + no.mid(2, 2) + QStringLiteral(".20") + no.mid(0, 2));
    for (int i = 0; i < int(lines.size()); ++i)
        readLine(reg, i, [&] {
            const auto t = tokens(lines.at(i), QLatin1Char(';'), 4);
            TRegisterPayment &p = addPayment(reg, t[3]);
            p.PayDateStr = t[1].left(10);
            p.PaySum = registerSum(t[4].trimmed());
        });
    reg.docs.last().PayDocSum = paymentsSum(reg);
}

} // namespace

bool IsTextRegisterMode(int mode)
{
    return mode == 0 || mode == 57 || mode == 58 || mode == 59 || mode == 62 || mode == 63;
}

QStringList RegisterLines(const QByteArray &bytes)
{
    // CR LF, LF and a lone CR each end a line. A file of ASCII alone reads the same in every page: it goes
    // without the converter.
    const bool ascii
        = std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const QString text = ascii ? QString::fromLatin1(bytes) : CP1251ToQString(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

void ReadTextRegister(int mode, const QStringList &lines, const QString &fileName, int firstDocId, const QDate &today,
    TPaymentRegister &reg)
{
    startRegister(reg, fileName);
    switch (mode) {
    case 0:
        readMode0(lines, firstDocId, reg);
        break;
    case 57:
        readMode57(lines, firstDocId, reg);
        break;
    case 58:
    case 59:
        readSummedLines(mode, lines, today, reg);
        break;
    case 62:
        readMode62(lines, today, reg);
        break;
    case 63:
        readMode63(lines, fileName, reg);
        break;
    default:
        break;
    }
    reg.complete = true;
}

void ReadEripRegister(const QStringList &lines, const QString &fileName, int firstDocId, TPaymentRegister &reg)
{
    startRegister(reg, fileName);
    if (lines.isEmpty()) {
        reg.complete = true;
        return;
    }
    readLine(reg, 0, [&] {
        const auto t = tokens(lines.at(0), QLatin1Char('^'), 18);
        TRegisterDoc &doc = addDoc(reg, firstDocId, 0, QString(), QString());
        reg.eripSender = t[2];
        reg.eripHeader2 = t[3];
        reg.eripDate = t[4];
        StrToInt(t[5]);
        doc.PayDocNo = t[10].left(15);
        doc.PayDocDateStr = stampDateText(t[11]);
        doc.PayDocSum = registerSum(t[13]);
    });
    reg.payments.reserve(lines.size() - 1);
    for (int i = 1; i < int(lines.size()); ++i)
        readLine(reg, i, [&] {
            const auto t = tokenViews<10>(lines.at(i), QLatin1Char('^'));
            const int recNo = registerInt(t[1]);
            TRegisterPayment &p = addPayment(reg, stripAccountPrefix(t[3].toString()));
            p.RecNo = recNo;
            p.PaySum = registerSum(t[7]);
            p.PayDateStr = stampDateText(t[10]);
        });
    reg.complete = true;
}

void ReadDbfRegister(int mode, const TKyv_Dbf &table, const QDate &today, TPaymentRegister &reg)
{
    startRegister(reg, table.FileName());
    struct Layout
    {
        const char *account, *sum, *date;
        int source;
        bool datedRowsOnly, strip;
    };
    const Layout layout = mode == 63 ? Layout { "LS", "SUMMA", "DATA", 0, true, false }
        : mode == 65                 ? Layout { "N_NAB", "SUMA", "DATAO", 0, true, false }
                                     : Layout { "LICH", "SUMMA", "DATEOPL", 1, false, true };
    const int account = table.RequiredField(QString::fromLatin1(layout.account));
    const int sum = table.RequiredField(QString::fromLatin1(layout.sum));
    const int date = table.RequiredField(QString::fromLatin1(layout.date));
    addDoc(reg, 0, layout.source, QFileInfo(table.FileName()).fileName(), dayText(today));
    reg.payments.reserve(table.RecordCount());
    for (int r = 0; r < table.RecordCount(); ++r) {
        if (table.IsDeleted(r))
            continue;
        readLine(reg, r, [&] {
            const QString dateText = tableDateText(table.AsString(r, date));
            if (layout.datedRowsOnly && dateText.isEmpty())
                return;
            const QString accountText = table.AsString(r, account);
            TRegisterPayment &p = addPayment(reg, layout.strip ? stripAccountPrefix(accountText) : accountText);
            p.RecNo = r + 1;
            p.PaySum = registerSum(table.AsString(r, sum));
            p.PayDateStr = dateText;
        });
    }
    reg.docs.last().PayDocSum = paymentsSum(reg);
    reg.complete = true;
}

QDate RegisterDate(const QString &text)
{
    const int day = DigitsAt(text, 0, 2), month = DigitsAt(text, 3, 2), year = DigitsAt(text, 6, 4);
    if (day < 0 || month < 0 || year < 0)
        return {};
    return QDate(year, month, day);
}

QString RegisterDocNotice(const TPaymentRegister &reg, bool erip, const QDate &today)
{
    QString notice = QStringLiteral("Обработан ") + today.toString(QStringLiteral("dd/MM/yyyy"))
        + QStringLiteral(" Файл ") + reg.fileName;
    notice += erip ? QStringLiteral(" от ") + reg.eripDate + QStringLiteral(" отпр. ") + reg.eripSender
                   : QStringLiteral(" (импорт)");
    return notice.left(255);
}

void ReadRegisterBytes(
    TRegisterKind kind, int mode, const QByteArray &bytes, const QString &fileName, TPaymentRegister &reg)
{
    const QDate today = Services::clock()->today();
    if (kind == TRegisterKind::Text) {
        ReadTextRegister(mode, RegisterLines(bytes), fileName, 1, today, reg);
        return;
    }
    if (kind == TRegisterKind::Erip) {
        ReadEripRegister(RegisterLines(bytes), fileName, 1, reg);
        return;
    }
    QTemporaryDir dir;
    const QString name = QFileInfo(fileName).fileName();
    const QString path = dir.filePath(name.isEmpty() ? QStringLiteral("register.dbf") : name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Не удается записать файл \"%1\"").arg(path));
    f.close();
    TKyv_Dbf table(path);
    ReadDbfRegister(mode, table, today, reg);
}

QString RegisterFoldersStatement()
{
    return QStringLiteral("select C.COMPANY_ID, C.ERIP, C.UNN, C.BANK_CODE, C.TAX_CODE, POST_PATH_IN, POST_PATH_OUT "
                          "from ZOLT.COMPANY C");
}
