#pragma once

#include <QString>

// The request and reply packets of the conditional-access (CAS) server. A request is a single-byte text
// without terminator: the lead, the total length as four upper-case hexadecimal digits, the sender, the
// command code and the command's fields. Numeric fields are left-padded with "0"; a value already as wide as
// its field, or wider, is sent whole. Each builder writes its layout's constant length, so a request whose
// fields are oversize is longer than its length field says.

// The two constant header fields, the same for every request of the program.
inline const QString CasPacketLead = QStringLiteral("0015");
inline const QString CasPacketSender = QStringLiteral("0001");

// The command codes.
inline const QString CasTestCode = QStringLiteral("0100");
inline const QString CasCardActivateCode = QStringLiteral("0201");
inline const QString CasCardBlockCode = QStringLiteral("0203");
inline const QString CasPackageAuthorizeCode = QStringLiteral("0301");
inline const QString CasPackageBlockCode = QStringLiteral("0302");

// The status code of a successful reply.
inline const QString CasSuccessCode = QStringLiteral("S000");

// `width - length` fill characters before the text; a text at least `width` long is returned unchanged.
QString padLeft(const QString &text, int width, QChar fillChar);

// lead + "0010" + sender + code; the sender is not padded here.
QString buildCasTestRequest(const QString &lead, const QString &sender, const QString &code);
// ... + card number (10) + CAS code + the trimmed provider name left-padded with blanks to 30.
QString buildCardActivateRequest(const QString &lead, const QString &sender, const QString &code,
                                 const QString &cardNo, const QString &casCode, const QString &providerName);
// ... + card number (10) + CAS code.
QString buildCardBlockRequest(const QString &lead, const QString &sender, const QString &code, const QString &cardNo,
                              const QString &casCode);
// ... + card number (10) + CAS code + package code (6) + the two dates, already written "YYYYMMDD".
QString buildPackageAuthorizeRequest(const QString &lead, const QString &sender, const QString &code,
                                     const QString &cardNo, const QString &casCode, const QString &packageCode,
                                     const QString &dateFrom, const QString &dateTo);
// ... + card number (10) + CAS code + package code (6).
QString buildPackageBlockRequest(const QString &lead, const QString &sender, const QString &code,
                                 const QString &cardNo, const QString &casCode, const QString &packageCode);

// A reply of the server: its whole text, and the status code in characters 9 to 12 (fewer or none when the
// reply is shorter).
class TResponsePacket
{
public:
    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }
    QString code() const { return m_text.mid(8, 4); }

private:
    QString m_text;
};

QString getReplyCode(const QString &reply);
// The code's display text; an unknown code (an empty or short reply too) gives "unknown response code:"
// followed directly by the whole reply.
QString describeReply(const QString &reply);
