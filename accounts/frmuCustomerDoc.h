#pragma once

#include "KyvFrames.h"

class QPushButton;
class TDataSource;
class TDBDateTimeEditEh;
class TDBEditEh;

// A document of the customer on the current row of custDM's cdsCustDoc: its name, date (may stay empty) and
// where it lies.
class TfrmCustomerDoc : public TfrmKyvModal
{
    Q_OBJECT
public:
    explicit TfrmCustomerDoc(QWidget *parent = nullptr);

    TDataSource *dsCustDoc = nullptr;
    TDBEditEh *edDocName = nullptr;
    TDBDateTimeEditEh *edDocDate = nullptr;
    TDBEditEh *edDocUrl = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void reject() override;

private:
    void btnOkClick();
};

// A new document of the current customer; true when it was stored with "Готово".
bool executeNewCustomerDoc();
// The current document; true when the change was stored with "Готово".
bool executeEditCustomerDoc();
