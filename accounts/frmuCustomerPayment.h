#pragma once

#include "KyvFrames.h"

#include <QVariant>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class TDataSource;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBLookupComboboxEh;
class TDBNumberEditEh;
class TKyv_ADODataSet;
class TMemTable;

// A payment of one customer: date, source, sum, kind and a note in an in-memory record, the customer's account,
// name and address shown beside. "Добавить" stores the document, its payment and the customer's queue row for
// recalculation from the payment's month in one transaction; a payment the database refuses is shown and the
// dialog stays open with what was typed.
class TfrmCustomerPayment : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmCustomerPayment(QWidget *parent = nullptr);
    ~TfrmCustomerPayment() override;

    std::unique_ptr<TMemTable> mdTempDataSet;
    std::unique_ptr<TKyv_ADODataSet> odsPayDocSourceLookUp;
    std::unique_ptr<TKyv_ADODataSet> odsPayDocPaymType;
    TDataSource *dsTempDataSet = nullptr;
    TDataSource *dsPayDocSourceLookUp = nullptr;
    TDataSource *dsPayDocPaymType = nullptr;

    QLabel *lblAccountNo = nullptr;
    QLabel *lblName = nullptr;
    QLabel *lblAddress = nullptr;
    TDBDateTimeEditEh *edDocDate = nullptr;
    TDBLookupComboboxEh *cbPaySource = nullptr;
    QPushButton *btnPaySourceGuide = nullptr;
    TDBNumberEditEh *edPaySum = nullptr;
    TDBLookupComboboxEh *cbPaymType = nullptr;
    TDBEditEh *edNotice = nullptr;
    QPushButton *btnAdd = nullptr;
    QPushButton *btnAddAndPrint = nullptr;
    QPushButton *btnCancel = nullptr;

    // Opens the lookups and the record and appends the new payment with its defaults.
    void OpenData();
    // False with the error shown and the focus on the field while no source of the guide is chosen or the sum
    // is 0 or empty.
    bool validateInput();
    // The id of the payment stored; -1 while none was.
    int PaymentId() const { return m_paymentId; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void btnPaySourceGuideClick();
    // Stores the payment; true when it was stored (the dialog then closes with Ok).
    bool AddPayment();
    void ShowCustomer();

    QVariant m_customerId;
    QString m_accountNo;
    int m_paymentId = -1;

    friend bool executeCustomerPayment(const QVariant &customerId);
};

// The cash order KO-1 of a stored payment, previewed by "Добавить и Печать": the report module's KO-1 print.
extern std::function<void(int paymentId)> PrintCashOrderKO1;

// The payment dialog for the customer (the current row of the customer list, moved to it when needed); true
// when a payment was stored.
bool executeCustomerPayment(const QVariant &customerId);
