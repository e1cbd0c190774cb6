#include "frBarcod.h"

#include "Formats.h"

#include <QtMath>

#include <cmath>

const TfrBarcodeTypeInfo frBarcodeTypeInfo[bcCodeEAN128C + 1] = {
    {"2_5_interleaved", true}, {"2_5_industrial", true}, {"2_5_matrix", true}, {"Code39", false},
    {"Code39 Extended", false}, {"Code128A", false}, {"Code128B", false}, {"Code128C", true},
    {"Code93", false}, {"Code93 Extended", false}, {"MSI", true}, {"PostNet", true}, {"Codebar", false},
    {"EAN8", true}, {"EAN13", true}, {"UPC_A", true}, {"UPC_E0", true}, {"UPC_E1", true},
    {"UPC Supp2", true}, {"UPC Supp5", true}, {"EAN128A", false}, {"EAN128B", false}, {"EAN128C", true},
};


namespace {

const char *const ClassName = "TfrBarcode";
const double MaxElementWidth = 1000;

// Wide ("1") and narrow ("0") elements of each digit in the 2-of-5 family.
const char *const Table2of5[10] = {"00110", "10001", "01001", "11000", "00101",
                                   "10100", "01100", "00011", "10010", "01010"};

struct Code39Char {
    char c;
    const char *elements;
    int check;
};

// Nine elements each, bar first: "5"/"6" narrow/wide bar, "0"/"1" narrow/wide space.
const Code39Char Table39[] = {
    {'0', "505160605", 0}, {'1', "605150506", 1}, {'2', "506150506", 2}, {'3', "606150505", 3},
    {'4', "505160506", 4}, {'5', "605160505", 5}, {'6', "506160505", 6}, {'7', "505150606", 7},
    {'8', "605150605", 8}, {'9', "506150605", 9}, {'A', "605051506", 10}, {'B', "506051506", 11},
    {'C', "606051505", 12}, {'D', "505061506", 13}, {'E', "605061505", 14}, {'F', "506061505", 15},
    {'G', "505051606", 16}, {'H', "605051605", 17}, {'I', "506051605", 18}, {'J', "505061605", 19},
    {'K', "605050516", 20}, {'L', "506050516", 21}, {'M', "606050515", 22}, {'N', "505060516", 23},
    {'O', "605060515", 24}, {'P', "506060515", 25}, {'Q', "505050616", 26}, {'R', "605050615", 27},
    {'S', "506050615", 28}, {'T', "505060615", 29}, {'U', "615050506", 30}, {'V', "516050506", 31},
    {'W', "616050505", 32}, {'X', "515060506", 33}, {'Y', "615060505", 34}, {'Z', "516060505", 35},
    {'-', "515050606", 36}, {'.', "615050605", 37}, {' ', "516050605", 38}, {'*', "515060605", 0},
    {'$', "515151505", 39}, {'/', "515150515", 40}, {'+', "515051515", 41}, {'%', "505151515", 42},
};

// Module widths of the 47 Code 93 characters in value order; "[", "]", "{", "}" stand for the shift
// characters ($), (%), (/) and (+).
const char Chars93[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%[]{}";
const char *const Table93[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211",
};

// Module widths of the Code 128 values 0 to 102.
const char *const Table128[103] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131",
};
const int Code128StartA = 103;
const int Code128FNC1 = 102;
const char *const Code128Start[3] = {"211412", "211214", "211232"};
const char *const Code128Stop = "2331112";

const char *const EanSetA[10] = {"2605", "1615", "1516", "0805", "0526", "0625", "0508", "0706", "0607", "2506"};
const char *const EanSetB[10] = {"0517", "0616", "1606", "0535", "1705", "0715", "3505", "1525", "2515", "1507"};
const char *const EanSetC[10] = {"7150", "6160", "6061", "5350", "5071", "5170", "5053", "5251", "5152", "7051"};

const char *const Ean13Parity[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                     "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
const char *const UpcEParity[10] = {"EEEooo", "EEoEoo", "EEooEo", "EEoooE", "EoEEoo",
                                    "EooEEo", "EoooEE", "EoEoEo", "EoEooE", "EooEoE"};

const char *const PostNetTable[10] = {"5151A1A1A1", "A1A1A15151", "A1A151A151", "A1A15151A1", "A151A1A151",
                                      "A151A151A1", "A15151A1A1", "51A1A1A151", "51A1A151A1", "51A151A1A1"};

struct CodabarChar {
    char c;
    const char *elements;
};
// Seven elements each, bar first: "5"/"6" narrow/wide bar, "0"/"1" narrow/wide space.
const CodabarChar TableCodabar[] = {
    {'0', "5050516"}, {'1', "5050615"}, {'2', "5051506"}, {'3', "6150505"}, {'4', "5060515"},
    {'5', "6050515"}, {'6', "5150506"}, {'7', "5150605"}, {'8', "5160505"}, {'9', "6051505"},
    {'-', "5051605"}, {'$', "5061505"}, {':', "6050606"}, {'/', "6060506"}, {'.', "6060605"},
    {'+', "5060606"}, {'A', "5061515"}, {'B', "5151506"}, {'C', "5051516"}, {'D', "5051615"},
};

int digitOf(QChar c)
{
    return c.unicode() - '0';
}

// Module widths, bar first, become element characters: a bar of n modules is "4 + n", a space "n - 1".
QString modulesToElements(const QString &modules)
{
    QString result;
    result.reserve(modules.size());
    for (int i = 0; i < modules.size(); ++i)
        result += QChar(modules[i].unicode() + (i % 2 == 0 ? 4 : -1));
    return result;
}

const Code39Char *find39(QChar c)
{
    for (const Code39Char &entry : Table39)
        if (QChar(entry.c) == c)
            return &entry;
    return nullptr;
}

// The full-ASCII sequence of a character below 128, in Code 39's own characters ("$", "%", "/", "+" shift).
QString fullAscii39(int code)
{
    static const char controls[] = "ABCDE"; // 27 to 31 after "%"
    if (code == 0)
        return "%U";
    if (code >= 1 && code <= 26)
        return QString("$") + QChar('A' + code - 1);
    if (code >= 27 && code <= 31)
        return QString("%") + QChar(controls[code - 27]);
    if (code == ' ' || code == '-' || code == '.' || (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return QString(QChar(code));
    if (code >= '!' && code <= '/')
        return QString("/") + QChar('A' + code - '!');
    if (code == ':')
        return "/Z";
    if (code >= ';' && code <= '?')
        return QString("%") + QChar('F' + code - ';');
    if (code == '@')
        return "%V";
    if (code >= '[' && code <= '_')
        return QString("%") + QChar('K' + code - '[');
    if (code == '`')
        return "%W";
    if (code >= 'a' && code <= 'z')
        return QString("+") + QChar('A' + code - 'a');
    if (code >= '{' && code <= 0x7F)
        return QString("%") + QChar('P' + code - '{');
    return QString();
}

QString fullAscii93(int code)
{
    QString sequence = fullAscii39(code);
    if (sequence.size() == 2) {
        static const QString shifts39 = "$%/+";
        static const QString shifts93 = "[]{}";
        sequence[0] = shifts93[shifts39.indexOf(sequence[0])];
    }
    return sequence;
}

// The digits weighted alternately from the rightmost one, which gets the first weight.
int weightedSum(const QString &digits, int rightmost, int other)
{
    int sum = 0;
    for (int i = int(digits.size()) - 1, k = 0; i >= 0; --i, ++k)
        sum += digitOf(digits[i]) * (k % 2 == 0 ? rightmost : other);
    return sum;
}

int modulo10(const QString &digits)
{
    return (10 - weightedSum(digits, 3, 1) % 10) % 10;
}

void requireDigits(const QString &text)
{
    for (QChar c : text)
        if (c < '0' || c > '9')
            throw Exception("Barcode must be numeric");
}

// The zero-suppressed UPC-E digits expanded to the eleven digits of UPC-A, whose check digit UPC-E carries.
QString expandUpcE(const QString &d, int numberSystem)
{
    const QString ns = QString::number(numberSystem);
    const QChar last = d[5];
    if (last <= '2')
        return ns + d.mid(0, 2) + last + "0000" + d.mid(2, 3);
    if (last == '3')
        return ns + d.mid(0, 3) + "00000" + d.mid(3, 2);
    if (last == '4')
        return ns + d.mid(0, 4) + "00000" + d[4];
    return ns + d.mid(0, 5) + "0000" + last;
}

// A digit of the EAN/UPC family in odd (set A) or even parity (set C read backwards, which is set B).
QString parityDigit(QChar digit, bool even)
{
    const int d = digitOf(digit);
    return even ? QString::fromLatin1(EanSetB[d]) : QString::fromLatin1(EanSetA[d]);
}

QString supplement(const QString &digits, const QString &parity)
{
    QString result = "506";
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0)
            result += "05";
        result += parityDigit(digits[i], parity[i] == 'E');
    }
    return result;
}

int supplementCheck(const QString &digits)
{
    return weightedSum(digits, 3, 9) % 10;
}

} // namespace

TfrBarcode::TfrBarcode() = default;

void TfrBarcode::Assign(const TfrBarcode &source)
{
    m_height = source.m_height;
    m_text = source.m_text;
    m_top = source.m_top;
    m_left = source.m_left;
    m_modul = source.m_modul;
    m_ratio = source.m_ratio;
    m_typ = source.m_typ;
    m_checksum = source.m_checksum;
    m_angle = source.m_angle;
    m_color = source.m_color;
    m_colorBar = source.m_colorBar;
    m_checkSumMethod = source.m_checkSumMethod;
    OnChange = source.OnChange;
}

void TfrBarcode::Changed()
{
    if (OnChange)
        OnChange(this);
}

#define TFR_BARCODE_SETTER(Setter, member)                                                                   \
    void TfrBarcode::Setter(decltype(member) value)                                                          \
    {                                                                                                        \
        if (member != value) {                                                                               \
            member = value;                                                                                  \
            Changed();                                                                                       \
        }                                                                                                    \
    }

TFR_BARCODE_SETTER(SetHeight, m_height)
TFR_BARCODE_SETTER(SetTop, m_top)
TFR_BARCODE_SETTER(SetLeft, m_left)
TFR_BARCODE_SETTER(SetRatio, m_ratio)
TFR_BARCODE_SETTER(SetTyp, m_typ)
TFR_BARCODE_SETTER(SetChecksum, m_checksum)
TFR_BARCODE_SETTER(SetAngle, m_angle)
#undef TFR_BARCODE_SETTER

void TfrBarcode::SetText(const QString &value)
{
    if (m_text != value) {
        m_text = value;
        Changed();
    }
}

void TfrBarcode::SetModul(int value)
{
    if (value >= 1 && value < 50) {
        m_modul = value;
        Changed();
    }
}

int TfrBarcode::Width()
{
    int width = 0;
    for (QChar element : MakeElements())
        width += ElementWidth(element);
    return width;
}

void TfrBarcode::SetWidth(int value)
{
    const int current = Width();
    if (current > 0)
        SetModul(int(qint64(m_modul) * value / current));
}

QString TfrBarcode::AddCheckDigit(const QString &s) const
{
    if (m_checkSumMethod == csmNone)
        return s;
    requireDigits(s);
    return s + QString::number(modulo10(s));
}

QString TfrBarcode::FitText(int n) const
{
    if (m_text.size() > n)
        return m_text.left(n);
    return QString(n - m_text.size(), '0') + m_text;
}

int TfrBarcode::ElementWidth(QChar element) const
{
    const char16_t c = element.unicode();
    if (c >= '0' && c <= '3')
        return m_w[c - '0'];
    if (c >= '5' && c <= '8')
        return m_w[c - '5'];
    if (c >= 'A' && c <= 'D')
        return m_w[c - 'A'];
    throw Exception(QString("%1: internal Error").arg(ClassName));
}

QString TfrBarcode::MakeElements()
{
    if (m_typ == bcCode_2_5_matrix)
        SetRatio(qBound(2.25, m_ratio, 3.0));
    else if (!((m_typ >= bcCode128A && m_typ <= bcCodePostNet) || m_typ >= bcCodeEAN128A))
        SetRatio(qBound(2.0, m_ratio, 3.0));
    // Widths are kept in full ints, so wide elements of wide modules never wrap round; a ratio that would
    // make a bar wider than any page is refused.
    const double wide = m_modul * m_ratio;
    if (!(wide >= 0 && wide <= MaxElementWidth))
        throw Exception(QString("%1: wrong Ratio").arg(ClassName));
    m_w[0] = m_modul;
    m_w[1] = int(Round(wide));
    m_w[2] = m_w[1] * 3 / 2;
    m_w[3] = m_w[1] * 2;

    if (m_typ > bcCodeEAN128C)
        throw Exception(QString("%1: wrong BarcodeType").arg(ClassName));
    if (frBarcodeTypeInfo[m_typ].Numeric) {
        int from = 0, to = m_text.size();
        while (from < to && m_text[from].unicode() <= 32)
            ++from;
        while (to > from && m_text[to - 1].unicode() <= 32)
            --to;
        SetText(m_text.mid(from, to - from));
        requireDigits(m_text);
    }

    QString result;
    switch (m_typ) {
    case bcCode_2_5_interleaved:
        result = "5050";
        for (int i = 0; i + 1 < m_text.size(); i += 2) {
            const char *bars = Table2of5[digitOf(m_text[i])];
            const char *spaces = Table2of5[digitOf(m_text[i + 1])];
            for (int k = 0; k < 5; ++k) {
                result += bars[k] == '1' ? '6' : '5';
                result += spaces[k] == '1' ? '1' : '0';
            }
        }
        result += "605";
        break;
    case bcCode_2_5_industrial:
        result = "606050";
        for (QChar c : m_text)
            for (const char *e = Table2of5[digitOf(c)]; *e; ++e)
                result += *e == '1' ? "60" : "50";
        result += "605060";
        break;
    case bcCode_2_5_matrix:
        result = "705050";
        for (QChar c : m_text) {
            const char *e = Table2of5[digitOf(c)];
            for (int k = 0; k < 5; ++k)
                result += k % 2 == 0 ? (e[k] == '1' ? '6' : '5') : (e[k] == '1' ? '1' : '0');
            result += '0';
        }
        result += "70505";
        break;
    case bcCode39:
    case bcCode39Extended: {
        QString text = m_text;
        if (m_typ == bcCode39Extended) {
            text.clear();
            for (QChar c : m_text)
                if (c.unicode() < 128)
                    text += fullAscii39(c.unicode());
        }
        result = QString::fromLatin1(find39('*')->elements) + '0';
        int check = 0;
        for (QChar c : text)
            if (const Code39Char *entry = find39(c)) {
                result += QString::fromLatin1(entry->elements) + '0';
                check += entry->check;
            }
        if (m_checksum) {
            check %= 43;
            for (const Code39Char &entry : Table39)
                if (entry.check == check && entry.c != '*')
                    result += QString::fromLatin1(entry.elements) + '0';
        }
        result += QString::fromLatin1(find39('*')->elements);
        break;
    }
    case bcCode93:
    case bcCode93Extended: {
        QString text = m_text;
        if (m_typ == bcCode93Extended) {
            text.clear();
            for (QChar c : m_text)
                if (c.unicode() < 128)
                    text += fullAscii93(c.unicode());
        }
        QList<int> values;
        for (QChar c : text) {
            const char *at = c.unicode() != 0 && c.unicode() < 128 ? strchr(Chars93, c.toLatin1()) : nullptr;
            if (!at)
                throw Exception(QString("%1:Code93 bad Data <%2>").arg(ClassName, m_text));
            values << int(at - Chars93);
        }
        int sumC = 0, sumK = 0;
        for (int i = values.size() - 1, weight = 1; i >= 0; --i, ++weight)
            sumC += values[i] * ((weight - 1) % 20 + 1);
        const int c = sumC % 47;
        sumK = c;
        for (int i = values.size() - 1, weight = 2; i >= 0; --i, ++weight)
            sumK += values[i] * ((weight - 1) % 15 + 1);
        const int k = sumK % 47;
        QString modules = "111141";
        for (int v : values)
            modules += Table93[v];
        modules += QString(Table93[c]) + Table93[k] + "1111411";
        result = modulesToElements(modules);
        break;
    }
    case bcCodeMSI: {
        // The digits in the odd places from the right form a number that is doubled and its digits added:
        // digit by digit, as the number may be longer than any integer type holds. A doubled digit of 5 or
        // more carries, which takes 9 from the digit sum.
        int total = 0;
        for (int i = int(m_text.size()) - 1, place = 1; i >= 0; --i, ++place) {
            const int d = digitOf(m_text[i]);
            total += place % 2 == 0 ? d : d < 5 ? 2 * d : 2 * d - 9;
        }
        auto msiDigit = [](int d) {
            QString e;
            for (int bit = 3; bit >= 0; --bit)
                e += (d >> bit) & 1 ? "60" : "51";
            return e;
        };
        result = "60";
        for (QChar c : m_text)
            result += msiDigit(digitOf(c));
        result += msiDigit((10 - total % 10) % 10) + "515";
        break;
    }
    case bcCodePostNet:
        result = "51";
        for (QChar c : m_text)
            result += PostNetTable[digitOf(c)];
        result += '5';
        break;
    case bcCodeCodabar: {
        auto codabar = [](QChar c) -> const char * {
            for (const CodabarChar &entry : TableCodabar)
                if (QChar(entry.c) == c)
                    return entry.elements;
            return nullptr;
        };
        result = QString::fromLatin1(codabar('A')) + '0';
        for (QChar c : m_text)
            if (const char *e = codabar(c))
                result += QString::fromLatin1(e) + '0';
        result += QString::fromLatin1(codabar('B'));
        break;
    }
    case bcCodeEAN8: {
        const QString digits = m_checksum ? AddCheckDigit(FitText(7)) : FitText(8);
        if (digits.size() != 8)
            throw Exception("Invalid Text len (EAN8)");
        result = "505";
        for (int i = 0; i < 4; ++i)
            result += EanSetA[digitOf(digits[i])];
        result += "05050";
        for (int i = 4; i < 8; ++i)
            result += EanSetC[digitOf(digits[i])];
        result += "505";
        break;
    }
    case bcCodeEAN13: {
        const QString digits = m_checksum ? AddCheckDigit(FitText(12)) : FitText(13);
        if (digits.size() != 13)
            throw Exception("Invalid Text len (EAN13)");
        SetText(digits);
        const char *parity = Ean13Parity[digitOf(digits[0])];
        result = "505";
        for (int i = 1; i < 7; ++i)
            result += parityDigit(digits[i], parity[i - 1] == 'B');
        result += "05050";
        for (int i = 7; i < 13; ++i)
            result += EanSetC[digitOf(digits[i])];
        result += "505";
        break;
    }
    case bcCodeUPC_A: {
        SetText(FitText(12));
        if (m_checksum)
            SetText(AddCheckDigit(m_text.left(11)));
        result = "505";
        for (int i = 0; i < 6; ++i)
            result += EanSetA[digitOf(m_text[i])];
        result += "05050";
        for (int i = 6; i < 12; ++i)
            result += EanSetC[digitOf(m_text[i])];
        result += "505";
        break;
    }
    case bcCodeUPC_E0:
    case bcCodeUPC_E1: {
        SetText(FitText(7));
        const int numberSystem = m_typ == bcCodeUPC_E0 ? 0 : 1;
        const int check = modulo10(expandUpcE(m_text.left(6), numberSystem));
        if (m_checksum)
            SetText(m_text.left(6) + QString::number(check));
        const char *parity = UpcEParity[check];
        result = "505";
        for (int i = 0; i < 6; ++i)
            result += parityDigit(m_text[i], (parity[i] == 'E') == (numberSystem == 0));
        result += "050505";
        break;
    }
    case bcCodeUPC_Supp5: {
        SetText(FitText(5));
        const int check = supplementCheck(m_text);
        if (m_checksum)
            SetText(m_text + QString::number(check));
        result = supplement(m_text.left(5), QString::fromLatin1(UpcEParity[check] + 1));
        break;
    }
    case bcCodeUPC_Supp2: {
        // The two-digit supplement has no check digit of its own: its parity carries the value mod 4.
        SetText(FitText(2));
        static const char *const parity[4] = {"oo", "oE", "Eo", "EE"};
        result = supplement(m_text, QString::fromLatin1(parity[m_text.toInt() % 4]));
        break;
    }
    default:
        result = modulesToElements(EncodeCode128(m_text));
        break;
    }
    return result;
}

QString TfrBarcode::EncodeCode128(const QString &text)
{
    int set;
    switch (m_typ) {
    case bcCode128A: case bcCodeEAN128A: set = 0; break;
    case bcCode128B: case bcCodeEAN128B: set = 1; break;
    case bcCode128C: case bcCodeEAN128C: set = 2; break;
    default: throw Exception(QString("%1: wrong BarcodeType in Code_128").arg(ClassName));
    }
    QList<int> symbols;
    QString data = text;
    if (m_typ >= bcCodeEAN128A) {
        symbols << Code128FNC1;
        if (m_checksum) {
            SetText(AddCheckDigit(m_text));
            data = m_text;
        }
    }
    if (set == 2) {
        if (data.size() % 2 == 1)
            data.prepend('0');
        for (int i = 0; i < data.size(); i += 2) {
            bool ok = false;
            const int pair = data.mid(i, 2).toInt(&ok);
            symbols << (ok && data[i].isDigit() && data[i + 1].isDigit() ? pair : 0);
        }
    } else {
        for (QChar c : data) {
            const int code = c.unicode();
            int value = 0; // a character the set lacks is sent as the blank
            if (set == 0) {
                if (code >= 32 && code <= 95)
                    value = code - 32;
                else if (code < 32)
                    value = code + 64;
            } else if (code >= 32 && code <= 127) {
                value = code - 32;
            }
            symbols << value;
        }
    }
    const int start = Code128StartA + set;
    int check = start;
    for (int i = 0; i < symbols.size(); ++i)
        check = (check + symbols[i] * (i + 1)) % 103;
    QString modules = Code128Start[set];
    for (int v : symbols)
        modules += Table128[v];
    modules += QString(Table128[check]) + Code128Stop;
    return modules;
}

void TfrBarcode::DrawOn(ReportCanvas &canvas)
{
    const QString elements = MakeElements();
    canvas.save();
    try {
        DrawElements(elements, canvas);
    } catch (...) {
        canvas.restore();
        throw;
    }
    canvas.restore();
}

void TfrBarcode::DrawElements(const QString &elements, ReportCanvas &canvas)
{
    const double a = m_angle / 180.0 * M_PI;
    const double s = std::sin(a), c = std::cos(a);
    int width = 0;
    for (QChar element : elements)
        width += ElementWidth(element);
    const int w = width, h = m_height;
    auto round = [](double v) { return int(Round(v)); };

    QPoint origin(m_left, m_top);
    if (s >= 0 && c >= 0)
        origin += QPoint(0, round(s * w));
    else if (s >= 0)
        origin += QPoint(-round(c * w), round(s * w - c * h));
    else if (c >= 0)
        origin += QPoint(-round(s * h), 0);
    else
        origin += QPoint(-round(c * w) - round(s * h), -round(c * h));

    auto rotated = [&](int px, int py) {
        return QPoint(round(c * px + s * py), round(-s * px + c * py)) + origin;
    };
    int x = 0;
    for (QChar element : elements) {
        const char16_t e = element.unicode();
        const bool space = e >= '0' && e <= '3';
        const int ew = ElementWidth(element);
        const int eh = e >= 'A' ? m_height * 2 / 5 : m_height;
        const QColor color = space ? m_color : m_colorBar;
        canvas.setPen(color, 1);
        canvas.setBrush(color);
        canvas.drawPolygon(QPolygon({rotated(x, 0), rotated(x, eh), rotated(x + ew - 1, eh), rotated(x + ew - 1, 0)}));
        x += ew;
    }
}
