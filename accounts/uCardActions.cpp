#include "uCardActions.h"

#include "frmuCustomer.h"
#include "frmuSelectLetterType.h"
#include "uCardPrints.h"
#include "uSubscrActions.h"

#include <QAction>
#include <QTabWidget>

namespace {

void showPage(TfrmCustomer *frm, QWidget *page)
{
    if (frm->pcAddInfo && page)
        frm->pcAddInfo->setCurrentWidget(page);
}

// What of the card window the actions use.
TCardView viewOf(TfrmCustomer *frm)
{
    TCardView view;
    if (!frm)
        return view;
    view.refreshList = [frm] {
        if (frm->actRefreshCustomer)
            frm->actRefreshCustomer->trigger();
    };
    view.showInfoPage = [frm] { showPage(frm, frm->tsInfo); };
    view.showServicesPage = [frm] { showPage(frm, frm->tsSubscrServ); };
    view.pageChanged = [frm] { frm->pcAddInfoChange(); };
    view.confirmActivateVoyagerUser = [frm] { frm->ConfirmActivateVoyagerUser(); };
    view.confirmBlockVoyagerUser = [frm] { frm->ConfirmBlockVoyagerUser(); };
    return view;
}

} // namespace

void CardRecalcDebt(TfrmCustomer *frm)
{
    RecalcCustomerDebt(viewOf(frm));
}

void CardRecalcDebtAll(TfrmCustomer *frm)
{
    RecalcListedCustomers(true, viewOf(frm));
}

void CardRecalcStateAll(TfrmCustomer *frm)
{
    RecalcListedCustomers(false, viewOf(frm));
}

void CardActivateSubscr(TfrmCustomer *frm)
{
    ConnectCustomerService(viewOf(frm));
}

void CardDisactivateSubscr(TfrmCustomer *frm)
{
    DisconnectCustomerService(viewOf(frm));
}

void CardShowCustSubscrHistory(TfrmCustomer *frm)
{
    EditCustomerHistory(viewOf(frm));
}

void CardSubscribeAll(TfrmCustomer *frm)
{
    ConnectListedCustomers(viewOf(frm));
}

void CardRemoveAllHistory(TfrmCustomer *frm)
{
    ClearListedHistory(viewOf(frm));
}

void CardShowCustomerBalance(TfrmCustomer *frm, bool design)
{
    ShowCustomerBalance(design, viewOf(frm));
}

void CardPrintCustomersReport(TfrmCustomer *frm, bool design)
{
    PrintCustomersReport(design, viewOf(frm));
}

void CardPrintLetter(TfrmCustomer *frm, bool design)
{
    PrintCustomerLetters(design, executeSelectLetterType, viewOf(frm));
}

void CardPrintContract(TfrmCustomer *, bool design)
{
    PrintCustomerContract(design);
}

void CardPrintRequest(TfrmCustomer *, bool design)
{
    PrintCustomerRequest(design);
}

void CardPrintKvit(TfrmCustomer *frm, bool design)
{
    PrintCustomerKvit(design, viewOf(frm));
}

void CardPrintPaymentKO1(TfrmCustomer *, bool design)
{
    PrintCustomerPaymentKO1(design);
}
