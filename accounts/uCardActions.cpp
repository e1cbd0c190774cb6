#include "uCardActions.h"

#include "uLog.h"

namespace {

void NotYet(const char *action)
{
    LogDebug(QStringLiteral("Действие карточки ещё не подключено: ") + QLatin1String(action));
}

} // namespace

void CardRecalcDebt(TfrmCustomer *)
{
    NotYet("actRecalcDebt");
}

void CardRecalcDebtAll(TfrmCustomer *)
{
    NotYet("actRecalcDebtAll");
}

void CardRecalcStateAll(TfrmCustomer *)
{
    NotYet("actRecalcStateAll");
}

void CardActivateSubscr(TfrmCustomer *)
{
    NotYet("actActivateSubscr");
}

void CardDisactivateSubscr(TfrmCustomer *)
{
    NotYet("actDisactivateSubscr");
}

void CardShowCustSubscrHistory(TfrmCustomer *)
{
    NotYet("actShowCustSubscrHistory");
}

void CardSubscribeAll(TfrmCustomer *)
{
    NotYet("actSubsribeAll");
}

void CardRemoveAllHistory(TfrmCustomer *)
{
    NotYet("actRemoveAllHistory");
}

void CardShowCustomerBalance(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignCustomerBalance" : "actShowCustomerBalance");
}

void CardPrintCustomersReport(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignCustomersReport" : "actPrintCustomersReport");
}

void CardPrintLetter(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignLetters" : "actPrintLetter");
}

void CardPrintContract(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignContract" : "actPrintContract");
}

void CardPrintRequest(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignRequest" : "actPrintRequest");
}

void CardPrintKvit(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignKvit" : "actPrintKvit");
}

void CardPrintPaymentKO1(TfrmCustomer *, bool design)
{
    NotYet(design ? "actDesignPaymentKO1" : "actPrintPaymentKO1");
}
