#include "uCabinetText.h"

#include "CodePage.h"

#include <QCryptographicHash>
#include <QStringDecoder>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArray percentDecoded(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
            out += char(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString DecodeParamBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? CP1251ToQString(bytes) : text;
}

TRequestParams DecodeRequestParams(const QByteArray &text)
{
    TRequestParams params;
    for (const QByteArray &pair : text.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        const QByteArray name = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        params.append({ DecodeParamBytes(percentDecoded(name)), DecodeParamBytes(percentDecoded(value)) });
    }
    return params;
}

QString ParamValue(const TRequestParams &params, const QString &name)
{
    for (const auto &[n, v] : params)
        if (n == name)
            return v;
    return {};
}

QString ParamLogText(const QString &name, const QString &value)
{
    const bool secret = name.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0;
    return name + QLatin1Char('=') + (secret ? QStringLiteral("***") : value);
}

QString JsonEscape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\b': out += QLatin1String("\\b"); break;
        case '\f': out += QLatin1String("\\f"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString WebPasswordDigest(const QString &plainPassword)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(QStringToCP1251(plainPassword), QCryptographicHash::Md5).toHex());
}
