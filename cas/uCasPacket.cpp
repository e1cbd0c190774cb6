#include "uCasPacket.h"

namespace {

QString header(const QString &lead, const QString &length, const QString &sender, const QString &code)
{
    return lead + length + padLeft(sender, 4, QLatin1Char('0')) + code;
}

QString cardFields(const QString &cardNo, const QString &casCode)
{
    return padLeft(cardNo, 10, QLatin1Char('0')) + casCode;
}

} // namespace

QString padLeft(const QString &text, int width, QChar fillChar)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), fillChar) + text;
}

QString buildCasTestRequest(const QString &lead, const QString &sender, const QString &code)
{
    return lead + QStringLiteral("0010") + sender + code;
}

QString buildCardActivateRequest(const QString &lead, const QString &sender, const QString &code,
                                 const QString &cardNo, const QString &casCode, const QString &providerName)
{
    return header(lead, QStringLiteral("0039"), sender, code) + cardFields(cardNo, casCode)
           + padLeft(providerName.trimmed(), 30, QLatin1Char(' '));
}

QString buildCardBlockRequest(const QString &lead, const QString &sender, const QString &code, const QString &cardNo,
                              const QString &casCode)
{
    return header(lead, QStringLiteral("001B"), sender, code) + cardFields(cardNo, casCode);
}

QString buildPackageAuthorizeRequest(const QString &lead, const QString &sender, const QString &code,
                                     const QString &cardNo, const QString &casCode, const QString &packageCode,
                                     const QString &dateFrom, const QString &dateTo)
{
    return header(lead, QStringLiteral("0031"), sender, code) + cardFields(cardNo, casCode)
           + padLeft(packageCode, 6, QLatin1Char('0')) + dateFrom + dateTo;
}

QString buildPackageBlockRequest(const QString &lead, const QString &sender, const QString &code,
                                 const QString &cardNo, const QString &casCode, const QString &packageCode)
{
    return header(lead, QStringLiteral("0021"), sender, code) + cardFields(cardNo, casCode)
           + padLeft(packageCode, 6, QLatin1Char('0'));
}

QString getReplyCode(const QString &reply)
{
    TResponsePacket packet;
    packet.setText(reply);
    return packet.code();
}

QString describeReply(const QString &reply)
{
    static const struct
    {
        const char *code;
        const char *text;
    } known[] = {
        { "S000", "S000 - Success" },
        { "E100", "E100 - Invalid request" },
        { "E101", "E101 - Invalid SMS ID" },
        { "E102", "E102 - Error in request packet’s length" },
        { "E201", "E201 - Invalid smartcard number" },
        { "E999", "E999 - Other errors such as database error" },
    };
    const QString code = getReplyCode(reply);
    for (const auto &k : known)
        if (code == QLatin1String(k.code))
            return QString::fromUtf8(k.text);
    return QStringLiteral("unknown response code:") + reply;
}
