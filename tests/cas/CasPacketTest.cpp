#include "uCasPacket.h"

#include <gtest/gtest.h>

namespace {

std::string s(const QString &text)
{
    return text.toStdString();
}

TEST(CasPacket, PadLeftFillsOnlyShortTexts)
{
    EXPECT_EQ(s(padLeft(QStringLiteral("12"), 6, QLatin1Char('0'))), "000012");
    EXPECT_EQ(s(padLeft(QStringLiteral("123456"), 6, QLatin1Char('0'))), "123456");
    EXPECT_EQ(s(padLeft(QStringLiteral("1234567"), 6, QLatin1Char('0'))), "1234567");
    EXPECT_EQ(s(padLeft(QString(), 3, QLatin1Char(' '))), "   ");
}

TEST(CasPacket, BuildersWriteTheLayoutsLiterally)
{
    const QString lead = CasPacketLead, sender = CasPacketSender;
    struct Case
    {
        QString built;
        std::string expected;
    } cases[] = {
        { buildCasTestRequest(lead, sender, CasTestCode), "0015001000010100" },
        { buildCardActivateRequest(lead, sender, CasCardActivateCode, QStringLiteral("123"), QStringLiteral("A"),
              QStringLiteral("  TV  ")),
            "0015003900010201" "0000000123" "A" + std::string(28, ' ') + "TV" },
        { buildCardBlockRequest(lead, sender, CasCardBlockCode, QStringLiteral("123"), QStringLiteral("A")),
            "0015001B00010203" "0000000123" "A" },
        { buildPackageAuthorizeRequest(lead, sender, CasPackageAuthorizeCode, QStringLiteral("55"),
              QStringLiteral("B"), QStringLiteral("12"), QStringLiteral("20240101"), QStringLiteral("20240131")),
            "0015003100010301" "0000000055" "B" "000012" "20240101" "20240131" },
        { buildPackageBlockRequest(lead, sender, CasPackageBlockCode, QStringLiteral("55"), QStringLiteral("B"),
              QStringLiteral("12")),
            "0015002100010302" "0000000055" "B" "000012" },
        // The sender is padded by every builder but the test's.
        { buildCardBlockRequest(lead, QStringLiteral("7"), CasCardBlockCode, QStringLiteral("1"), QStringLiteral("C")),
            "0015001B00070203" "0000000001" "C" },
        { buildCasTestRequest(lead, QStringLiteral("7"), CasTestCode), "001500107" "0100" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(s(c.built), c.expected);
    // Each layout's total equals its length field at nominal widths.
    for (const Case &c : cases) {
        if (c.built.mid(8, 4) != QLatin1String("0001"))
            continue;
        EXPECT_EQ(c.built.size(), c.built.mid(4, 4).toInt(nullptr, 16)) << c.expected;
    }
}

TEST(CasPacket, OversizeValuesAreSentWhole)
{
    const QString name = QString(35, QLatin1Char('N'));
    const QString activate = buildCardActivateRequest(CasPacketLead, CasPacketSender, CasCardActivateCode,
        QStringLiteral("12345678901"), QStringLiteral("A"), name);
    EXPECT_EQ(s(activate), "0015003900010201" "12345678901" "A" + std::string(35, 'N'));
    const QString block = buildPackageBlockRequest(CasPacketLead, CasPacketSender, CasPackageBlockCode,
        QStringLiteral("1"), QStringLiteral("A"), QStringLiteral("1234567"));
    EXPECT_EQ(s(block), "0015002100010302" "0000000001" "A" "1234567");
}

TEST(CasPacket, RepliesAreReadByTheirStatusCode)
{
    struct Case
    {
        QString reply;
        std::string code;
        std::string text;
    } cases[] = {
        { QStringLiteral("00150010S0000000"), "S000", "S000 - Success" },
        { QStringLiteral("00150010E100"), "E100", "E100 - Invalid request" },
        { QStringLiteral("00150010E101"), "E101", "E101 - Invalid SMS ID" },
        { QStringLiteral("00150010E102"), "E102", "E102 - Error in request packet’s length" },
        { QStringLiteral("00150010E201xx"), "E201", "E201 - Invalid smartcard number" },
        { QStringLiteral("00150010E999"), "E999", "E999 - Other errors such as database error" },
        { QStringLiteral("00150010X123"), "X123", "unknown response code:00150010X123" },
        { QStringLiteral("00150010"), "", "unknown response code:00150010" },
        { QStringLiteral("00150010S0"), "S0", "unknown response code:00150010S0" },
        { QString(), "", "unknown response code:" },
    };
    for (const Case &c : cases) {
        EXPECT_EQ(s(getReplyCode(c.reply)), c.code) << c.text;
        EXPECT_EQ(s(describeReply(c.reply)), c.text);
    }
}

} // namespace
