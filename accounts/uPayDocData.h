#pragma once

#include "Kyv_db.h"
#include "uPayDoc.h"

#include <QDate>
#include <QObject>

#include <functional>
#include <memory>

class TDM;
class TDataSource;

// The datasets of the payment documents window and the rules they keep whatever control edits them: the
// documents of the shared period with their commission, the payments of the current document, the payers, the
// payment kinds and the channels. A new document or payment gets its defaults here, a document dated outside
// the period widens it before the post, and every posted or deleted payment is stored together with its
// customer's queue row.
class TPayDocData : public QObject
{
    Q_OBJECT
public:
    explicit TPayDocData(TDM *dm, QObject *parent = nullptr);
    ~TPayDocData() override;

    TKyv_ClientDataSet *cdsPayDoc() const { return m_payDoc.get(); }
    TKyv_ClientDataSet *cdsPayDocPayment() const { return m_payment.get(); }
    TKyv_ADODataSet *odsPayDocPaymCustInfo() const { return m_payers.get(); }
    TKyv_ADODataSet *odsPayDocPaymType() const { return m_kinds.get(); }
    TKyv_ADODataSet *odsPayDocSourceLookUp() const { return m_sources.get(); }
    TDataSource *dsPayDoc() const { return m_dsPayDoc.get(); }
    TDataSource *dsPayDocPayment() const { return m_dsPayment.get(); }
    TDataSource *dsPayers() const { return m_dsPayers.get(); }
    TDataSource *dsKinds() const { return m_dsKinds.get(); }
    TDataSource *dsSources() const { return m_dsSources.get(); }

    // (Re)opens the documents over the shared period, filtered by the channel when `channelId` is set.
    void OpenDocuments();
    void ApplyChannelFilter(bool on, const QVariant &channelId);
    // Opens the payments of the current document (and the payers and kinds for entering them).
    void OpenPayments();
    void OpenPayerLists();
    void ClosePayments();
    void CloseAll();

    // The day's default sum of a new payment, read from the work date.
    void ReadDefaultSum();
    TPaymentDefaults &Defaults() { return m_defaults; }

    // Whether a payment was posted or deleted since the flag was last cleared, and whether the period widened.
    bool PaymentsChanged = false;
    bool PeriodWidened = false;

    // The work date as a day (today when the filter record holds none).
    QDateTime WorkDay() const;

private:
    void CreateDocuments();
    void CreatePayments();
    void CreateLists();
    void DocumentNewRecord();
    void DocumentBeforePost();
    void DocumentCalcFields();
    void PaymentNewRecord();
    void PaymentBeforePost();
    void PaymentAfterPost();
    void PaymentBeforeDelete();
    void PaymentAfterDelete();
    // Applies the payment list's change and, through `queue`, its customers' queue rows in one transaction;
    // false when either was refused (nothing is stored then).
    bool StorePaymentChange(const std::function<void()> &queue);
    void SetPeriodParams();

    TDM *m_dm;
    std::unique_ptr<TKyv_ClientDataSet> m_payDoc, m_payment;
    std::unique_ptr<TKyv_ADODataSet> m_payers, m_kinds, m_sources;
    std::unique_ptr<TDataSource> m_dsPayDoc, m_dsPayment, m_dsPayers, m_dsKinds, m_dsSources;
    TPaymentDefaults m_defaults;
    // The payment's customer and date as they were read, for the edit that moves it.
    QVariant m_oldCustomer, m_oldDate;
    // The customer and date of the payment being deleted, queued once the delete is applied.
    QVariant m_deletedCustomer, m_deletedDate;
};
