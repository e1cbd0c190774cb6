#pragma once

#include <QDate>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TDataSource;
class TDBCheckBoxEh;
class TDBDateTimeEditEh;
class TDBLookupComboboxEh;
class TKyv_ClientDataSet;
class TMemTable;

// "отключение клиента": the disconnection service and the end date of the current subscription's open period.
// "Готово" closes the period in the history, never before the period began.
class TfrmDisactSubscr : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDisactSubscr(QWidget *parent = nullptr);
    ~TfrmDisactSubscr() override;

    // Reads the history at its last period and the package's disconnection services, and starts the record.
    void Prepare();
    QDate AppliedDate() const { return m_appliedDate; }

    TMemTable *mdTempDataSet = nullptr;
    TKyv_ClientDataSet *cdsCustDisactLookUp = nullptr;
    TDataSource *dsTempDataSet = nullptr;
    TDataSource *dsCustDisactLookUp = nullptr;

    QLabel *lblService = nullptr;
    QLabel *lblParentNotice = nullptr;
    TDBCheckBoxEh *chkDTV = nullptr;
    TDBLookupComboboxEh *dblcDisactServ = nullptr;
    TDBDateTimeEditEh *dtpDateFrom = nullptr;
    QLabel *lblSmartCard = nullptr;
    QLineEdit *edSmartCardNo = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void btnOkClick();

    QDate m_appliedDate;
};

extern TfrmDisactSubscr *frmDisactSubscr;

// Closes the open period of the current subscription through the dialog; true when it was closed, with
// `outDate` the end date.
bool executeDisactivateSubscr(QDate &outDate);
