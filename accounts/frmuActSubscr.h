#pragma once

#include "uSubscrDialogKit.h"

#include <QDate>
#include <QVariant>

class QAction;
class QLabel;
class QToolButton;
class TDBLookupComboboxEh;

// "Подключение клиента": the activation service, its start date and, for a digital package, the end of the
// right and the smart card. "Готово" checks the choice, asks the CAS server to authorise a digital package and
// writes the subscription only once the server said yes.
class TfrmActSubscr : public TSubscrDialog
{
    Q_OBJECT
public:
    explicit TfrmActSubscr(QWidget *parent = nullptr);
    ~TfrmActSubscr() override;

    // Reads the customer's history, available services and active cards and starts the record; false when no
    // service is available.
    bool Prepare(const QVariant &customerId);
    // The start date of the applied activation.
    QDate AppliedDate() const { return m_appliedDate; }

    TKyv_ClientDataSet *cdsCustActLookUp = nullptr;
    TDataSource *dsCustActLookUp = nullptr;
    TDataSource *dsCustSmartCards = nullptr;

    QLabel *lblPackage = nullptr;
    TDBLookupComboboxEh *dblcActServ = nullptr;
    QLabel *lblContractTill = nullptr;
    TDBDateTimeEditEh *dtpContractTill = nullptr;
    TDBLookupComboboxEh *dblcSmartCard = nullptr;
    QToolButton *btnAppendSmartcart = nullptr;
    QAction *actApply = nullptr;
    QAction *actAppendSmartcart = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    void CreateRecord();
    void RecordChanged();
    // The available service the record names, as the current row of the service list; false when none.
    bool LocateService();
    bool IsDtvPackage();
    void actApplyExecute();
    void actAppendSmartcartExecute();
    bool validateActivation();
    // Writes the activation; false when the database refused it.
    bool applyActivation();
    void CloseData();

    QString m_customerId;
    QDate m_appliedDate;
};

extern TfrmActSubscr *frmActSubscr;

// Connects the customer to a service through the dialog; true when the activation was written, with `outDate`
// its start date.
bool executeActivateSubscr(const QVariant &customerId, QDate &outDate);
