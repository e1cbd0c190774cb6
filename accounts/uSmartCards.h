#pragma once

#include <QString>

// A smart card's exchange with the CAS server, as the smart-cards guide runs it: whether it could take place,
// and what the server answered.
enum class TCardCasState {
    Off, // no CAS module or CAS switched off: card actions do nothing
    NotConnected, // CAS is on but its connection is closed
    Ready,
};
TCardCasState SmartCardCasState();

struct TCardCasReply
{
    bool accepted = false; // the server answered "S000"
    QString reply; // as received; empty on time-out or a lost connection
};

// Activation ("0201") of the card for its provider, by the provider's CAS code and name.
TCardCasReply ActivateSmartCardOnCas(const QString &cardNo, const QString &casCode, const QString &providerName);
// Block ("0203") of the card for its provider.
TCardCasReply BlockSmartCardOnCas(const QString &cardNo, const QString &casCode);
