#include "frmuDisactSubscr.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "uCardWork.h"
#include "uDialogButtons.h"
#include "uSettings.h"
#include "uSubscr.h"
#include "uSubscrDialogKit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

TfrmDisactSubscr *frmDisactSubscr = nullptr;

namespace {

TField *fieldOf(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name));
}

// The history of the current subscription, read afresh and standing on its last period.
TKyv_ClientDataSet *historyAtLastPeriod()
{
    TKyv_ClientDataSet *hist = CustData("cdsCustSubscrServHist");
    if (!hist)
        return nullptr;
    hist->Close();
    hist->Open();
    hist->Last();
    return hist;
}

} // namespace

TfrmDisactSubscr::TfrmDisactSubscr(QWidget *parent)
    : TSubscrDialog(parent, "frmDisactSubscr", QStringLiteral("отключение клиента"),
          { { "DATE_FROM", ftDate }, { "DISACT_SERV_ID", ftFloat } })
{
    cdsCustDisactLookUp = NewServiceList("cdsCustDisactLookUp", "dspCustDisactLookUp", CustDisactLookUpStatement(),
        ftFloat, "SERV_ID", dsCustDisactLookUp);

    lblService = new QLabel(this);
    lblService->setObjectName(QStringLiteral("lblService"));
    lblParentNotice = new QLabel(this);
    lblParentNotice->setObjectName(QStringLiteral("lblParentNotice"));
    lblParentNotice->setWordWrap(true);
    chkDTV = NewFlagBox(this, "chkDTV", QStringLiteral("DTV"), dsCustDisactLookUp, "PARENT_IS_DTV_PACKAGE");
    dblcDisactServ = boundLookup(
        this, "dblcDisactServ", dsTempDataSet, "DISACT_SERV_ID", dsCustDisactLookUp, "SERV_ID", "SERV_DESCR");
    dtpDateFrom = NewDateEdit(this, "dtpDateFrom", dsTempDataSet, "DATE_FROM");
    lblSmartCard = new QLabel(QStringLiteral("смарткарта №"), this);
    lblSmartCard->setObjectName(QStringLiteral("lblSmartCard"));
    edSmartCardNo = new QLineEdit(this);
    edSmartCardNo->setObjectName(QStringLiteral("edSmartCardNo"));
    edSmartCardNo->setEnabled(false);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, guarded([this](bool) { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Услуга"), lblService);
    form->addRow(QString(), lblParentNotice);
    form->addRow(QString(), chkDTV);
    form->addRow(QStringLiteral("Тип отключения"), dblcDisactServ);
    form->addRow(QStringLiteral("Дата"), dtpDateFrom);
    form->addRow(lblSmartCard, edSmartCardNo);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    const bool useCAS = AppSettings().useCAS;
    for (QWidget *w : std::initializer_list<QWidget *> { chkDTV, lblSmartCard, edSmartCardNo })
        w->setVisible(useCAS);
}

TfrmDisactSubscr::~TfrmDisactSubscr()
{
    mdTempDataSet->Close();
    cdsCustDisactLookUp->Close();
}

void TfrmDisactSubscr::Prepare()
{
    TKyv_ClientDataSet *hist = historyAtLastPeriod();
    if (TKyv_ClientDataSet *act = CustData("cdsCustSubscrServHistActLookUp"); act && !act->Active())
        act->Open();
    TKyv_ClientDataSet *serv = CustData("cdsCustSubscrServ");
    cdsCustDisactLookUp->Close();
    cdsCustDisactLookUp->Params()
        .ParamByName(QStringLiteral("SERV_ID"))
        .SetValue(serv && serv->Active() ? fieldOf(serv, "SERV_ID")->Value() : QVariant());
    cdsCustDisactLookUp->Open();
    cdsCustDisactLookUp->First();

    mdTempDataSet->Close();
    mdTempDataSet->Open();
    mdTempDataSet->Append();
    fieldOf(mdTempDataSet, "DATE_FROM")->SetValue(Services::clock()->today());
    if (!cdsCustDisactLookUp->IsEmpty()) {
        fieldOf(mdTempDataSet, "DISACT_SERV_ID")->SetValue(fieldOf(cdsCustDisactLookUp, "SERV_ID")->Value());
        lblService->setText(fieldOf(cdsCustDisactLookUp, "PARENT_SERV_DESCR")->AsString());
        lblParentNotice->setText(fieldOf(cdsCustDisactLookUp, "PARENT_NOTICE")->AsString());
    }
    if (hist && hist->Active() && !hist->IsEmpty())
        edSmartCardNo->setText(fieldOf(hist, "SMARTCARD_NO")->AsString());
}

void TfrmDisactSubscr::btnOkClick()
{
    if (mdTempDataSet->State() == dsEdit || mdTempDataSet->State() == dsInsert)
        mdTempDataSet->UpdateRecord();
    const QVariant chosen = RecordValue(mdTempDataSet, "DATE_FROM");
    const QDate dateTo = chosen.isNull() || !chosen.isValid() ? QDate() : chosen.toDate();
    TKyv_ClientDataSet *hist = historyAtLastPeriod();
    if (!hist || hist->IsEmpty())
        return;
    const QVariant start = fieldOf(hist, "DATE_FROM")->Value();
    // A period may not end before it began: such a row would charge a negative stretch of days.
    const QString refusal
        = ValidateDisactivationDate(start.isNull() || !start.isValid() ? QDate() : start.toDate(), dateTo);
    if (!refusal.isEmpty()) {
        Services::messages()->error(refusal);
        dtpDateFrom->setFocus();
        return;
    }
    hist->Edit();
    fieldOf(hist, "DATE_TO")->SetValue(QDateTime(dateTo, QTime(0, 0)));
    fieldOf(hist, "DISACT_SERV_ID")->SetValue(RecordValue(mdTempDataSet, "DISACT_SERV_ID"));
    hist->Post();
    // A row the database refused comes back as it was; the dialog then stays open.
    if (hist->Active() && hist->ChangeCount() == 0 && fieldOf(hist, "DATE_TO")->Value().toDate() == dateTo) {
        m_appliedDate = dateTo;
        accept();
    }
}

bool executeDisactivateSubscr(QDate &outDate)
{
    if (!frmDisactSubscr)
        frmDisactSubscr = new TfrmDisactSubscr;
    const std::unique_ptr<TfrmDisactSubscr> dialog(frmDisactSubscr);
    struct ClearInstance
    {
        ~ClearInstance() { frmDisactSubscr = nullptr; }
    } clearInstance;
    dialog->Prepare();
    if (dialog->exec() != QDialog::Accepted)
        return false;
    outDate = dialog->AppliedDate();
    return true;
}
