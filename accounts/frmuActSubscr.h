#pragma once

#include <QDate>
#include <QDialog>
#include <QVariant>

class QAction;
class QLabel;
class QPushButton;
class QToolButton;
class TDataSource;
class TDBCheckBoxEh;
class TDBDateTimeEditEh;
class TDBLookupComboboxEh;
class TKyv_ClientDataSet;
class TMemTable;

// "Подключение клиента": the activation service, its start date and, for a digital package, the end of the
// right and the smart card. "Готово" checks the choice, asks the CAS server to authorise a digital package and
// writes the subscription only once the server said yes.
class TfrmActSubscr : public QDialog
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

    TMemTable *mdTempDataSet = nullptr;
    TKyv_ClientDataSet *cdsCustActLookUp = nullptr;
    TDataSource *dsTempDataSet = nullptr;
    TDataSource *dsCustActLookUp = nullptr;
    TDataSource *dsCustSmartCards = nullptr;

    QLabel *lblPackage = nullptr;
    QLabel *lblParentNotice = nullptr;
    TDBCheckBoxEh *chkDTV = nullptr;
    TDBLookupComboboxEh *dblcActServ = nullptr;
    TDBDateTimeEditEh *dtpDateFrom = nullptr;
    QLabel *lblContractTill = nullptr;
    TDBDateTimeEditEh *dtpContractTill = nullptr;
    QLabel *lblSmartCard = nullptr;
    TDBLookupComboboxEh *dblcSmartCard = nullptr;
    QToolButton *btnAppendSmartcart = nullptr;
    QAction *actApply = nullptr;
    QAction *actAppendSmartcart = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;
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
    // Writes the activation; false (with the error shown) when the database refused it.
    bool applyActivation();
    void CloseData();

    QString m_customerId;
    QDate m_appliedDate;
};

extern TfrmActSubscr *frmActSubscr;

// Connects the customer to a service through the dialog; true when the activation was written, with `outDate`
// its start date.
bool executeActivateSubscr(const QVariant &customerId, QDate &outDate);
