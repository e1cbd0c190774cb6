#pragma once

#include "uSubscrActions.h"

#include <QDate>
#include <QString>

#include <functional>

// The customer card's printouts: the customer's balance, the list's selection report, the contract, order,
// receipt and cash order of the report module, and the debt letters with the record of who was sent which
// letter. With `design` the template opens in the designer (modal) instead of the MDI preview.

// The first date of a customer's balance statement: the contract date, else the first connection, else the
// open month.
QDate BalanceStartDate(const QVariant &contractDate, const QVariant &activizDate, const QDate &accDate);

// "Показать баланс" / "Дизайнер": the queue worked off, the current customer's statement written and laid out,
// "CustomerBalance.frf" shown; then the statement's datasets closed and the customer read again.
void ShowCustomerBalance(bool design, const TCardView &view = {});
// "Печать выборки": "ВыборкаПоКлиентам.frf" over the listed customers, shown on the page "Сведения" after the
// list's refresh.
void PrintCustomersReport(bool design, const TCardView &view = {});
// The report module's documents of the current customer, and the cash order of its current payment.
void PrintCustomerContract(bool design);
void PrintCustomerRequest(bool design);
void PrintCustomerKvit(bool design, const TCardView &view = {});
void PrintCustomerPaymentKO1(bool design);

// The letter template of a type: "CustLetters" + type + ".frf".
QString LetterTemplateName(int letterType);
// "Печать уведомлений" / "Дизайнер уведомлений": the period and the letter type are asked (`askLetterType`
// leaves the type in the filter record's LetterTypeId3), the period stored in the filter record and the
// letters of the listed customers shown; after a printout, on request, every listed customer gets a letter row
// dated the period's start (a letter of type 0 is never recorded).
void PrintCustomerLetters(bool design, const std::function<bool()> &askLetterType, const TCardView &view = {});
// Records a letter of the type for every listed customer, each under the next value of the letters' sequence
// (a customer for whom none comes gets no row); commits. Answers how many rows were written.
int RecordCustomerLetters(int letterType, const QDate &letterDate);
