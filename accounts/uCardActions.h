#pragma once

class TfrmCustomer;

// The customer card's actions whose work lies outside the card: recalculating debts and states, connecting and
// disconnecting services, the connection history, the bulk actions over the listed customers, the customer's
// printouts and the debt letters. Each takes the customer window; the current customer is the current row of
// custDM's customer list, the listed customers are that list's rows. The card enables the actions and calls
// these; every failure travels on to the caller as an exception after the routine has restored the cursor.

// ---- Recalculation and subscriptions -------------------------------------------------------------------------

// "Пересчитать долг и признаки": the current customer's debts and state from the contract (or first connection).
void CardRecalcDebt(TfrmCustomer *frm);
// "Пересчитать всем": every listed customer from the current row to the end, debts and state.
void CardRecalcDebtAll(TfrmCustomer *frm);
// "Контроль признаков всем": every listed customer from the current row to the end, state only.
void CardRecalcStateAll(TfrmCustomer *frm);
// "Подключить": asks the service and start date and connects it; also what a new customer's save runs.
void CardActivateSubscr(TfrmCustomer *frm);
// "Отключить": asks the end date and disconnects the current service (blocking a digital package's card).
void CardDisactivateSubscr(TfrmCustomer *frm);
// "История": edits the current customer's connection history, then recalculates.
void CardShowCustSubscrHistory(TfrmCustomer *frm);
// "Подключить всех": one service asked once, connected to every listed customer.
void CardSubscribeAll(TfrmCustomer *frm);
// "Очистить всем историю подключений": after two confirmations, every listed customer's history removed.
void CardRemoveAllHistory(TfrmCustomer *frm);

// ---- Printouts and letters (with `design` the template opens in the designer instead of the preview) -------

// "Показать баланс" / "Дизайнер": the current customer's balance.
void CardShowCustomerBalance(TfrmCustomer *frm, bool design);
// "Печать выборки" / "Дизайнер  выборки по клиентам": the listed customers.
void CardPrintCustomersReport(TfrmCustomer *frm, bool design);
// "Печать уведомлений" / "Дизайнер уведомлений": the debt letters of the listed customers, recorded on request.
void CardPrintLetter(TfrmCustomer *frm, bool design);
// "Печать договора" / "Дизайнер Договора".
void CardPrintContract(TfrmCustomer *frm, bool design);
// "Печать заказа" / "Дизайнер заказа".
void CardPrintRequest(TfrmCustomer *frm, bool design);
// "Печать квитанции" / "Дизайн квитанции".
void CardPrintKvit(TfrmCustomer *frm, bool design);
// "Печать кассового ордера КО1" / "Дизайнер кассового ордера КО1": the current payment's cash order.
void CardPrintPaymentKO1(TfrmCustomer *frm, bool design);
