#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

// What the subscription dialogs check and ask of the CAS server, without windows: the statements of the
// services a customer may be connected to or disconnected from, the checks of an activation and of a
// disconnection date, and the package requests of the CAS link.

// The activation services the customer (parameter :CUSTOMER_ID) may take now: the first connection of a
// package never connected, the reconnection of a package disconnected, nothing of a package connected. With
// `withParentId` the package's SERV_ID comes as PARENT_SERV_ID too. PARENT_DTV_PACKAGE_CODE is the package's
// own CAS code, the one authorised.
QString CustActLookUpStatement(bool withParentId);
// The disconnection services of the package (parameter :SERV_ID).
QString CustDisactLookUpStatement();

// An activation's choice as the dialog holds it.
struct TActivationChoice
{
    bool isDtv = false;
    QDate dateFrom;
    QDateTime contractTill;
    int smartCardId = 0;
};
// Which field an activation check refused.
enum class TActivationField { None, DateFrom, ContractTill, SmartCard };
// The error text of the first check the choice fails (a start before EarliestDate among them) (empty when it passes),
// and the field to focus.
QString ValidateActivation(const TActivationChoice &choice, TActivationField &failed);

// The text of a refused date: "Не верная дата: " and the date as the dialogs show it.
QString WrongDateText(const QDate &date);
// A disconnection may not end a period before the period began: the refusal's text, empty when the date is
// accepted.
QString ValidateDisactivationDate(const QDate &periodStart, const QDate &dateTo);

// The CAS link's answer to one package request.
enum class TCasOutcome {
    NotAsked, // the link is not used for this package: no CAS module, CAS switched off, or not a DTV package
    NoConnection, // the link is switched on but its socket is closed: nothing was sent
    Accepted, // the reply "S000"
    Refused, // any other reply, an empty one (time-out, closed connection) included
};
struct TCasAnswer
{
    TCasOutcome outcome = TCasOutcome::NotAsked;
    QString reply;
    // The reply's description for the user (describeReply), for a refusal.
    QString description() const;
};

// The package authorisation "0301" for the card from `dateFrom` to `dateTo`, sent when the CAS module exists,
// `useCAS` is on and the package is a DTV package.
TCasAnswer AuthorizeCasPackage(bool isDtv, const QString &cardNo, const QString &casCode, const QVariant &packageCode,
    const QDate &dateFrom, const QDate &dateTo);
// The package block "0302" for the card, on the same conditions.
TCasAnswer BlockCasPackage(bool isDtv, const QString &cardNo, const QString &casCode, const QVariant &packageCode);

// The text of an activation whose rows the database refused: nothing was stored, and the user may try again.
QString UnstoredActivationText();
// A package the server authorised whose rows could not be written is blocked again at once with "0302" for the
// same card and package, so that no card keeps a package nobody bills. The authorisation's reply left without
// its rows (with the database's `writeError`) and the block's answer are both logged as errors. Answers the text for
// the user: the subscription was not stored, and whether the card was blocked again; a block that failed names the
// card, so that the operator blocks it by hand.
QString RevokeUnstoredAuthorisation(const TCasAnswer &authorisation, const QString &cardNo, const QString &casCode,
    const QVariant &packageCode, const QString &writeError);

// The package code as the requests carry it: the stored number's integer digits, empty for none.
QString CasPackageCodeText(const QVariant &code);

// Whether the customer has the periodic service connected now.
bool HasConnectedService(const QVariant &customerId, const QVariant &servId);
