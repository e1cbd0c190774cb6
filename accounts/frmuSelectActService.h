#pragma once

#include <QDate>
#include <QDialog>
#include <QVariant>

class QPushButton;
class TDataSource;
class TDBDateTimeEditEh;
class TDBLookupComboboxEh;
class TKyv_ADODataSet;
class TMemTable;

// "Выбор услуги подключения": one activation service and its start date for a whole selection of customers,
// offered as for the customer given.
class TfrmSelectActService : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelectActService(QWidget *parent = nullptr);
    ~TfrmSelectActService() override;

    // False when the customer has no service available.
    bool Prepare(const QVariant &customerId);

    TMemTable *mdTempDataSet = nullptr;
    TKyv_ADODataSet *odsCustActLookUp = nullptr;
    TDataSource *dsTempDataSet = nullptr;
    TDataSource *dsCustActLookUp = nullptr;
    TDBLookupComboboxEh *dblcActServ = nullptr;
    TDBDateTimeEditEh *dtpDateFrom = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

    // The choice, valid after "Готово".
    QDate DateFrom() const;
    QVariant ActServId() const;
    QVariant ParentServId() const;
    bool FirstConnection() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void btnOkClick();
};

extern TfrmSelectActService *frmSelectActService;

// Asks one activation service for the selection, offered as for `customerId`; true on "Готово".
bool executeSelectActService(
    const QVariant &customerId, QVariant &actServId, QVariant &servId, QDate &dateFrom, bool &firstConnection);
