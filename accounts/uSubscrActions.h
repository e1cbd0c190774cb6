#pragma once

#include <QDate>
#include <QVariant>

#include <functional>

// The customer card's actions on a subscriber's accounting: recalculating one customer or the whole list,
// connecting and disconnecting a service (with the CAS block of a digital package), correcting the connection
// history, connecting the whole list and clearing its history. They work on the customer list of custDM and
// its current row; what belongs to the card window itself (its pages, its list refresh, the Voyager offers)
// reaches them through a TCardView. Each restores the cursor, the busy animation and the frozen list when it
// fails, and lets the error travel on.

struct TCardView
{
    // The list's refresh, back to the customer it was on; without it the list is read again here.
    std::function<void()> refreshList;
    // The services dataset and the two grids of the services page; without it the services are read again.
    std::function<void()> refreshServices;
    // The card's page-change handling.
    std::function<void()> pageChanged;
    // Shows the page "Сведения" (before the printouts of the list and the bulk actions).
    std::function<void()> showInfoPage;
    // Shows the services page (before the receipt).
    std::function<void()> showServicesPage;
    // The Voyager offers of the card, made only with `useVoyager` on.
    std::function<void()> confirmActivateVoyagerUser;
    std::function<void()> confirmBlockVoyagerUser;
};

// The start date of a customer's full recalculation: the contract date unless the customer was connected
// earlier than that (the open month when the contract has no date), else the first connection.
QDate RecalcStartDate(const QVariant &contractDate, const QVariant &activizDate, const QDate &accDate);

// "Пересчитать долг и признаки": the current customer's balances written afresh from the start date and its
// state derived again.
void RecalcCustomerDebt(const TCardView &view = {});
// "Пересчитать всем" (`withDebt`) and "Контроль признаков всем": every listed customer from the current row to
// the end, committed every hundred customers and at the end.
void RecalcListedCustomers(bool withDebt, const TCardView &view = {});

// "Подключить": the activation dialog for the current customer, then the recalculation from the month it
// answered. False when the dialog was cancelled.
bool ConnectCustomerService(const TCardView &view = {});
// The recalculation after a connection from `answered`: the open month alone when the date lies in it (or is
// empty), otherwise the customer's whole accounting.
void RecalcAfterActivation(const QDate &answered);

// "Отключить": refuses a service not connected, asks the end date, blocks a digital package on the CAS server
// and recalculates. False when nothing was disconnected.
bool DisconnectCustomerService(const TCardView &view = {});
// The recalculation after a disconnection on `dateTo`: the one month when the date is the open month's first
// day, otherwise everything from the first day of the month before the date's month.
void RecalcAfterDisactivation(const QDate &dateTo);

// "История": the connection history window, then the customer's full recalculation.
void EditCustomerHistory(const TCardView &view = {});

// "Подключить всех": one activation service asked for the whole list, then every listed customer that has not
// the package connected gets it from the chosen date, and is recalculated. Customers whose activation the
// database refused are counted and shown at the end; the others keep theirs.
void ConnectListedCustomers(const TCardView &view = {});
// "Очистить всем историю подключений": after two confirmations every listed customer loses its subscriptions
// and is recalculated.
void ClearListedHistory(const TCardView &view = {});
