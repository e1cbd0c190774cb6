#include "uSmartCards.h"

#include "dmuSMS.h"
#include "uCasPacket.h"
#include "uSettings.h"

namespace {

TCardCasReply exchange(const QString &request)
{
    TCardCasReply r;
    r.reply = dmSMS ? dmSMS->sendCasRequest(request) : QString();
    r.accepted = getReplyCode(r.reply) == CasSuccessCode;
    return r;
}

} // namespace

TCardCasState SmartCardCasState()
{
    if (!dmSMS || !AppSettings().useCAS)
        return TCardCasState::Off;
    return dmSMS->IsOpen() ? TCardCasState::Ready : TCardCasState::NotConnected;
}

TCardCasReply ActivateSmartCardOnCas(const QString &cardNo, const QString &casCode, const QString &providerName)
{
    return exchange(
        buildCardActivateRequest(CasPacketLead, CasPacketSender, CasCardActivateCode, cardNo, casCode, providerName));
}

TCardCasReply BlockSmartCardOnCas(const QString &cardNo, const QString &casCode)
{
    return exchange(buildCardBlockRequest(CasPacketLead, CasPacketSender, CasCardBlockCode, cardNo, casCode));
}
