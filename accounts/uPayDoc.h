#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

class TDM;

// The rules of payment documents and their payments, apart from any window: the commission arithmetic, the
// shared period's widening, the checks before a post, the delete rules and the recalculation queue.

// The commission the channel keeps of a document's total: with VAT, the VAT contained in it, and without VAT;
// each step rounds by the money precision setting and works on the rounded step before it.
struct TPayDocCommission
{
    double leakTax = 0;
    double tax = 0;
    double leak = 0;
};
TPayDocCommission PayDocCommission(double docSum, double leakPrc, double taxPrc);

// Moves the period's start back or its end forward so that it holds `docDate`; true when it moved.
bool WidenPeriodFor(const QDate &docDate, QDate &from, QDate &to);

// The document header's check: an empty number (after trimming) is refused with the message.
QString PayDocHeaderError(const QString &docNo);

// A payment needs its source: an empty one, or one that names no row of the payment-source guide, is refused
// with the message, so that no payment is stored that the payment lists cannot name.
QString PaySourceError(TDM *dm, const QVariant &paySourceId);

// The field a payment is refused for, checked in this order, with the message shown.
enum class TPaymentField { None, Payer, Sum, Kind };
TPaymentField CheckPaymentValues(
    const QVariant &customerId, const QVariant &sum, const QVariant &servId, QString &message);

// The defaults of a new payment: the last posted payer and kind, the last sum or, when that is 0, the day's
// default sum.
struct TPaymentDefaults
{
    QVariant customerId = 0;
    QVariant servId = -1;
    double lastSum = 0;
    double defaultSum = 0;
    double sum() const { return lastSum != 0 ? lastSum : defaultSum; }
};

// A document can be deleted only while no payment refers to it; false and the warning shown otherwise.
bool PayDocDeletable(TDM *dm, const QVariant &payDocId, QString &warning);

// A changed payment queues its customer for recalculation; an edit that moved the payment to another customer
// or date queues the old and the new customer, each from the earlier of the two dates. The rows go into the
// caller's transaction: the change and its queue rows are stored together or not at all.
void QueuePaymentChange(TDM *dm, const QVariant &oldCustomerId, const QVariant &oldDate, const QVariant &newCustomerId,
    const QVariant &newDate);

// Deletes one payment and queues its customer from the payment's date, in one transaction; false with the
// engine's message when either was refused (nothing is deleted or queued then).
bool DeletePayment(
    TDM *dm, const QVariant &paymentId, const QVariant &customerId, const QVariant &payDate, QString &error);

// ---- Statements of the payment windows

// The documents of the period with the difference between each one's total and its payments. Parameters
// :P_DATE_FROM (the first day) and :P_DATE_TO (the day after the last: the period is half-open).
QString PayDocStatement();
// The payments of one document (:p1), with the payer's and the kind's texts; macro &idx1.
QString PayDocPaymentStatement();
// The live customers offered as payers (:P_NOW), by account number.
QString PayersStatement();
QString PaymentKindsStatement();
// The kinds the report of payments by kind is asked for: every service but the placeholder rows.
QString PaymentServicesStatement();
QString PaySourceLookupStatement();
// The payments of one kind (:P_Serv_Id) in the period (:PeriodFrom, :PeriodTo, half-open like the documents').
QString PaymentsByServStatement();

// The payments browser's statement over the period; with the channel filter on and a channel chosen, of that
// channel only.
QString CustPaymentsStatement(const QDate &from, const QDate &to, bool channelFilter, const QVariant &paySourceId);
