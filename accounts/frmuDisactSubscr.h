#pragma once

#include "uSubscrDialogKit.h"

#include <QDate>

class QLabel;
class QLineEdit;
class TDBLookupComboboxEh;

// "отключение клиента": the disconnection service and the end date of the current subscription's open period.
// "Готово" closes the period in the history, never before the period began.
class TfrmDisactSubscr : public TSubscrDialog
{
    Q_OBJECT
public:
    explicit TfrmDisactSubscr(QWidget *parent = nullptr);
    ~TfrmDisactSubscr() override;

    // Reads the history at its last period and the package's disconnection services, and starts the record.
    void Prepare();
    QDate AppliedDate() const { return m_appliedDate; }

    TKyv_ClientDataSet *cdsCustDisactLookUp = nullptr;
    TDataSource *dsCustDisactLookUp = nullptr;

    QLabel *lblService = nullptr;
    TDBLookupComboboxEh *dblcDisactServ = nullptr;
    QLineEdit *edSmartCardNo = nullptr;

private:
    void btnOkClick();

    QDate m_appliedDate;
};

extern TfrmDisactSubscr *frmDisactSubscr;

// Closes the open period of the current subscription through the dialog; true when it was closed, with
// `outDate` the end date.
bool executeDisactivateSubscr(QDate &outDate);
