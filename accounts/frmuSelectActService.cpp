#include "frmuSelectActService.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuRDM.h"
#include "uDialogButtons.h"
#include "uSubscr.h"
#include "uSubscrDialogKit.h"
#include "uWindowActions.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

TfrmSelectActService *frmSelectActService = nullptr;

TfrmSelectActService::TfrmSelectActService(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectActService"));
    setWindowTitle(QStringLiteral("Выбор услуги подключения"));

    mdTempDataSet = NewRecordTable(this, "mdTempDataSet", { { "DATE_FROM", ftDate }, { "ACT_SERV_ID", ftFloat } });
    dsTempDataSet = new TDataSource(this);
    dsTempDataSet->SetDataSet(mdTempDataSet);
    odsCustActLookUp = new TKyv_ADODataSet(this);
    odsCustActLookUp->setObjectName(QStringLiteral("odsCustActLookUp"));
    odsCustActLookUp->SetCommandText(CustActLookUpStatement(true));
    if (DMR)
        odsCustActLookUp->SetConnection(DMR->dbConnection());
    dsCustActLookUp = new TDataSource(this);
    dsCustActLookUp->SetDataSet(odsCustActLookUp);

    dblcActServ
        = boundLookup(this, "dblcActServ", dsTempDataSet, "ACT_SERV_ID", dsCustActLookUp, "SERV_ID", "SERV_DESCR");
    dtpDateFrom = NewDateEdit(this, "dtpDateFrom", dsTempDataSet, "DATE_FROM");
    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, guarded([this](bool) { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Тип подключения"), dblcActServ);
    form->addRow(QStringLiteral("Дата"), dtpDateFrom);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TfrmSelectActService::~TfrmSelectActService()
{
    mdTempDataSet->Close();
    odsCustActLookUp->Close();
}

bool TfrmSelectActService::Prepare(const QVariant &customerId)
{
    odsCustActLookUp->Close();
    odsCustActLookUp->Params().ParamByName(QStringLiteral("CUSTOMER_ID")).SetValue(customerId);
    odsCustActLookUp->Open();
    mdTempDataSet->Close();
    mdTempDataSet->Open();
    mdTempDataSet->Append();
    mdTempDataSet->FieldByName(QStringLiteral("DATE_FROM"))->SetValue(Services::clock()->today());
    if (odsCustActLookUp->IsEmpty()) {
        Services::messages()->warning(QStringLiteral("Нет доступных услуг для подключения выбранного клиента"));
        return false;
    }
    odsCustActLookUp->First();
    mdTempDataSet->FieldByName(QStringLiteral("ACT_SERV_ID"))
        ->SetValue(odsCustActLookUp->FieldByName(QStringLiteral("SERV_ID"))->Value());
    return true;
}

void TfrmSelectActService::changeEvent(QEvent *event)
{
    MinimiseProgramWith(this, event);
    QDialog::changeEvent(event);
}

void TfrmSelectActService::btnOkClick()
{
    if (mdTempDataSet->State() == dsEdit || mdTempDataSet->State() == dsInsert)
        mdTempDataSet->UpdateRecord();
    // The whole selection is connected from this date: one the activation would refuse is refused here.
    const QDate from = DateFrom();
    TActivationField failed = TActivationField::None;
    const QString error = ValidateActivation({ false, from, {}, 0 }, failed);
    if (!error.isEmpty()) {
        Services::messages()->error(error);
        dtpDateFrom->setFocus();
        return;
    }
    if (!odsCustActLookUp->Locate(QStringLiteral("SERV_ID"), RecordValue(mdTempDataSet, "ACT_SERV_ID")))
        return;
    accept();
}

QDate TfrmSelectActService::DateFrom() const
{
    const QVariant v = RecordValue(mdTempDataSet, "DATE_FROM");
    return v.isNull() || !v.isValid() ? QDate() : v.toDate();
}

QVariant TfrmSelectActService::ActServId() const
{
    return odsCustActLookUp->FieldByName(QStringLiteral("SERV_ID"))->Value();
}

QVariant TfrmSelectActService::ParentServId() const
{
    return odsCustActLookUp->FieldByName(QStringLiteral("PARENT_SERV_ID"))->Value();
}

bool TfrmSelectActService::FirstConnection() const
{
    return odsCustActLookUp->FieldByName(QStringLiteral("SERVTYPE_ID"))->AsInteger() == 2;
}

bool executeSelectActService(
    const QVariant &customerId, QVariant &actServId, QVariant &servId, QDate &dateFrom, bool &firstConnection)
{
    if (!frmSelectActService)
        frmSelectActService = new TfrmSelectActService;
    const std::unique_ptr<TfrmSelectActService> dialog(frmSelectActService);
    struct ClearInstance
    {
        ~ClearInstance() { frmSelectActService = nullptr; }
    } clearInstance;
    if (!dialog->Prepare(customerId) || dialog->exec() != QDialog::Accepted)
        return false;
    actServId = dialog->ActServId();
    servId = dialog->ParentServId();
    dateFrom = dialog->DateFrom();
    firstConnection = dialog->FirstConnection();
    return true;
}
