#include "frmuActSubscr.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuSmartCards.h"
#include "uCardWork.h"
#include "uDialogButtons.h"
#include "uSettings.h"
#include "uSubscr.h"
#include "uSubscrDialogKit.h"
#include "uWindowActions.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

TfrmActSubscr *frmActSubscr = nullptr;

namespace {

QVariant fieldOf(TDataSet *ds, const char *name)
{
    return ds->FieldByName(QString::fromLatin1(name))->Value();
}

// The customer's active cards, read afresh.
void openActiveCards()
{
    TKyv_ClientDataSet *cards = CustData("cdsCustSmartCards");
    if (!cards)
        return;
    cards->Close();
    cards->SetFilter(QStringLiteral("IS_ACTIVE=1"));
    cards->SetFiltered(true);
    cards->Open();
}

} // namespace

TfrmActSubscr::TfrmActSubscr(QWidget *parent)
    : TSubscrDialog(parent, "frmActSubscr", QStringLiteral("Подключение клиента"),
          { { "DATE_FROM", ftDate }, { "CONTRACT_TILL", ftDateTime }, { "ACT_SERV_ID", ftFloat },
              { "SMARTCARD_ID", ftInteger } })
{
    cdsCustActLookUp = NewServiceList("cdsCustActLookUp", "dspCustActLookUp", CustActLookUpStatement(false), ftString,
        "CUSTOMER_ID", dsCustActLookUp);
    dsCustSmartCards = new TDataSource(this);
    dsCustSmartCards->setObjectName(QStringLiteral("dsCustSmartCards"));
    dsCustSmartCards->SetDataSet(CustData("cdsCustSmartCards"));

    lblPackage = new QLabel(this);
    lblPackage->setObjectName(QStringLiteral("lblPackage"));
    lblParentNotice = new QLabel(this);
    lblParentNotice->setObjectName(QStringLiteral("lblParentNotice"));
    lblParentNotice->setWordWrap(true);
    chkDTV = NewFlagBox(this, "chkDTV", QStringLiteral("DTV"), dsCustActLookUp, "RO_IS_DTV_PACKAGE");

    dblcActServ
        = boundLookup(this, "dblcActServ", dsTempDataSet, "ACT_SERV_ID", dsCustActLookUp, "SERV_ID", "SERV_DESCR");
    dtpDateFrom = NewDateEdit(this, "dtpDateFrom", dsTempDataSet, "DATE_FROM");
    dtpContractTill = NewDateEdit(this, "dtpContractTill", dsTempDataSet, "CONTRACT_TILL");
    dtpContractTill->setToolTip(
        QStringLiteral("Дата ограничения действия услуги.\nПрименяется при управлении доступом CAS."));
    lblContractTill = new QLabel(QStringLiteral("По"), this);
    lblContractTill->setObjectName(QStringLiteral("lblContractTill"));
    lblSmartCard = new QLabel(QStringLiteral("смарткарта №"), this);
    lblSmartCard->setObjectName(QStringLiteral("lblSmartCard"));
    dblcSmartCard = boundLookup(
        this, "dblcSmartCard", dsTempDataSet, "SMARTCARD_ID", dsCustSmartCards, "SMARTCARD_ID", "SMARTCARD_NO");

    actApply = new QAction(QStringLiteral("Готово"), this);
    actApply->setObjectName(QStringLiteral("actApply"));
    connect(actApply, &QAction::triggered, this, guarded([this](bool) { actApplyExecute(); }));
    actAppendSmartcart = new QAction(QStringLiteral("..."), this);
    actAppendSmartcart->setObjectName(QStringLiteral("actAppendSmartcart"));
    actAppendSmartcart->setToolTip(QStringLiteral("Добавить смарткарту"));
    // A button shows an action's icon text, which would lose the dots.
    actAppendSmartcart->setIconText(QStringLiteral("..."));
    connect(actAppendSmartcart, &QAction::triggered, this, guarded([this](bool) { actAppendSmartcartExecute(); }));
    btnAppendSmartcart = new QToolButton(this);
    btnAppendSmartcart->setObjectName(QStringLiteral("btnAppendSmartcart"));
    btnAppendSmartcart->setDefaultAction(actAppendSmartcart);
    btnAppendSmartcart->setToolButtonStyle(Qt::ToolButtonTextOnly);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, actApply, &QAction::trigger);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QFormLayout;
    top->addRow(QStringLiteral("Услуга"), lblPackage);
    top->addRow(QString(), lblParentNotice);
    top->addRow(QString(), chkDTV);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Тип подключения"), dblcActServ);
    form->addRow(QStringLiteral("Дата"), dtpDateFrom);
    form->addRow(lblContractTill, dtpContractTill);
    auto *card = new QHBoxLayout;
    card->addWidget(dblcSmartCard, 1);
    card->addWidget(btnAppendSmartcart);
    form->addRow(lblSmartCard, card);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);

    const bool useCAS = AppSettings().useCAS;
    for (QWidget *w : std::initializer_list<QWidget *> {
             chkDTV, lblContractTill, dtpContractTill, lblSmartCard, dblcSmartCard, btnAppendSmartcart })
        w->setVisible(useCAS);

    dsTempDataSet->OnDataChange = [this](TDataSource *, TField *) { RecordChanged(); };
}

TfrmActSubscr::~TfrmActSubscr()
{
    dsTempDataSet->OnDataChange = nullptr;
    CloseData();
}

bool TfrmActSubscr::Prepare(const QVariant &customerId)
{
    m_customerId = QString::number(qint64(customerId.toDouble()));
    TKyv_ClientDataSet *serv = CustData("cdsCustSubscrServ");
    TKyv_ClientDataSet *hist = CustData("cdsCustSubscrServHist");
    if (serv && serv->Active() && hist) {
        if (!hist->Active())
            hist->Open();
        hist->Last();
    }
    cdsCustActLookUp->Close();
    cdsCustActLookUp->Params().ParamByName(QStringLiteral("CUSTOMER_ID")).SetValue(m_customerId);
    // Without the CAS link a digital package could never be switched on the card: it is not offered.
    cdsCustActLookUp->SetFilter(AppSettings().useCAS ? QString() : QStringLiteral("RO_IS_DTV_PACKAGE = 0"));
    cdsCustActLookUp->SetFiltered(!AppSettings().useCAS);
    cdsCustActLookUp->Open();

    openActiveCards();

    mdTempDataSet->Close();
    mdTempDataSet->Open();
    mdTempDataSet->Append();
    mdTempDataSet->FieldByName(QStringLiteral("DATE_FROM"))->SetValue(Services::clock()->today());
    cdsCustActLookUp->First();
    if (!cdsCustActLookUp->IsEmpty())
        mdTempDataSet->FieldByName(QStringLiteral("ACT_SERV_ID"))->SetValue(fieldOf(cdsCustActLookUp, "SERV_ID"));
    TDataSet *cards = dsCustSmartCards->DataSet();
    if (cards && cards->Active() && !cards->IsEmpty()) {
        cards->First();
        mdTempDataSet->FieldByName(QStringLiteral("SMARTCARD_ID"))->SetValue(fieldOf(cards, "SMARTCARD_ID"));
    }

    if (cdsCustActLookUp->IsEmpty()) {
        Services::messages()->warning(QStringLiteral("Нет доступных услуг для подключения выбранного клиента"));
        return false;
    }
    RecordChanged();
    return true;
}

bool TfrmActSubscr::LocateService()
{
    const QVariant id = RecordValue(mdTempDataSet, "ACT_SERV_ID");
    if (!cdsCustActLookUp->Active() || id.isNull() || !id.isValid())
        return false;
    return cdsCustActLookUp->Locate(QStringLiteral("SERV_ID"), id);
}

bool TfrmActSubscr::IsDtvPackage()
{
    return LocateService() && cdsCustActLookUp->FieldByName(QStringLiteral("RO_IS_DTV_PACKAGE"))->AsInteger() == 1;
}

void TfrmActSubscr::RecordChanged()
{
    btnOk->setEnabled(cdsCustActLookUp->Active() && !cdsCustActLookUp->IsEmpty());
    actApply->setEnabled(btnOk->isEnabled());
    const bool dtv = IsDtvPackage();
    if (cdsCustActLookUp->Active() && !cdsCustActLookUp->IsEmpty() && LocateService()) {
        lblPackage->setText(cdsCustActLookUp->FieldByName(QStringLiteral("RO_PARENT_SERV_DESCR"))->AsString());
        lblParentNotice->setText(cdsCustActLookUp->FieldByName(QStringLiteral("PARENT_NOTICE"))->AsString());
    }
    for (QWidget *w : std::initializer_list<QWidget *> { dblcSmartCard, dtpContractTill, btnAppendSmartcart }) {
        w->setEnabled(dtv);
        QPalette p = w->palette();
        p.setColor(QPalette::Base, dtv ? palette().color(QPalette::Base) : palette().color(QPalette::Button));
        w->setPalette(p);
    }
    actAppendSmartcart->setEnabled(dtv);
}

void TfrmActSubscr::changeEvent(QEvent *event)
{
    MinimiseProgramWith(this, event);
    QDialog::changeEvent(event);
}

void TfrmActSubscr::actAppendSmartcartExecute()
{
    TKyv_ClientDataSet *customers = custDM ? custDM->cdsCustomer() : nullptr;
    if (!customers || !customers->Active() || customers->IsEmpty()) {
        Services::messages()->warning(QStringLiteral("Не выбран клиент"));
        return;
    }
    const QVariant current = RecordValue(mdTempDataSet, "SMARTCARD_ID");
    // The guide offers the cards that belong to nobody yet.
    QVariant chosen;
    if (!executeSmartCardsGuide(isNullValue(current) ? QVariant(0) : current, 2, chosen) || isNullValue(chosen)
        || chosen.toInt() == current.toInt())
        return;
    if (mdTempDataSet->State() != dsEdit && mdTempDataSet->State() != dsInsert)
        mdTempDataSet->Edit();
    mdTempDataSet->FieldByName(QStringLiteral("SMARTCARD_ID"))->SetValue(chosen);
    DM->SetCustMainSmartCard(fieldOf(customers, "CUSTOMER_ID"), chosen);
    openActiveCards();
}

bool TfrmActSubscr::validateActivation()
{
    TActivationChoice choice;
    choice.isDtv = IsDtvPackage();
    const QVariant from = RecordValue(mdTempDataSet, "DATE_FROM");
    if (!from.isNull() && from.isValid())
        choice.dateFrom = from.toDate();
    const QVariant till = RecordValue(mdTempDataSet, "CONTRACT_TILL");
    if (!till.isNull() && till.isValid())
        choice.contractTill = till.toDateTime();
    choice.smartCardId = RecordValue(mdTempDataSet, "SMARTCARD_ID").toInt();
    TActivationField failed = TActivationField::None;
    const QString error = ValidateActivation(choice, failed);
    if (error.isEmpty())
        return true;
    Services::messages()->error(error);
    switch (failed) {
    case TActivationField::DateFrom:
        dtpDateFrom->setFocus();
        break;
    case TActivationField::ContractTill:
        dtpContractTill->setFocus();
        break;
    case TActivationField::SmartCard:
        dblcSmartCard->setFocus();
        break;
    case TActivationField::None:
        break;
    }
    return false;
}

void TfrmActSubscr::actApplyExecute()
{
    if (mdTempDataSet->State() == dsEdit || mdTempDataSet->State() == dsInsert)
        mdTempDataSet->UpdateRecord();
    if (!LocateService() || !validateActivation())
        return;
    const bool dtv = IsDtvPackage();
    QString cardNo, casCode;
    TDataSet *cards = dsCustSmartCards->DataSet();
    if (dtv && cards && cards->Active()
        && cards->Locate(QStringLiteral("SMARTCARD_ID"), RecordValue(mdTempDataSet, "SMARTCARD_ID"))) {
        cardNo = cards->FieldByName(QStringLiteral("SMARTCARD_NO"))->AsString();
        casCode = cards->FieldByName(QStringLiteral("CAS_CODE"))->AsString();
    }
    const TCasAnswer answer
        = AuthorizeCasPackage(dtv, cardNo, casCode, fieldOf(cdsCustActLookUp, "PARENT_DTV_PACKAGE_CODE"),
            RecordValue(mdTempDataSet, "DATE_FROM").toDate(), RecordValue(mdTempDataSet, "CONTRACT_TILL").toDate());
    switch (answer.outcome) {
    case TCasOutcome::NoConnection:
        Services::messages()->error(QStringLiteral("CAS connection error"));
        return;
    case TCasOutcome::Refused:
        Services::messages()->error(QStringLiteral("Ошибка активации карты\r") + answer.description());
        return;
    case TCasOutcome::Accepted:
    case TCasOutcome::NotAsked:
        break;
    }
    if (applyActivation()) {
        accept();
        return;
    }
    // The rows are written together or not at all, so the database holds nothing to undo and the user may try
    // again; only a package the server has just authorised must not stay so without them.
    Services::messages()->error(answer.outcome == TCasOutcome::Accepted
            ? RevokeUnstoredAuthorisation(answer, cardNo, casCode, fieldOf(cdsCustActLookUp, "PARENT_DTV_PACKAGE_CODE"),
                DMR ? DMR->LastCommandError() : QString())
            : UnstoredActivationText());
}

bool TfrmActSubscr::applyActivation()
{
    const QDate dateFrom = RecordValue(mdTempDataSet, "DATE_FROM").toDate();
    const bool dtv = IsDtvPackage();
    const QVariant till = RecordValue(mdTempDataSet, "CONTRACT_TILL");
    const bool written = DMR
        && DMR->ActivateSubscr(fieldOf(cdsCustActLookUp, "SERVTYPE_ID").toInt() == 2, m_customerId, dtv,
            RecordValue(mdTempDataSet, "SMARTCARD_ID").toInt(), fieldOf(cdsCustActLookUp, "CHILDSERV_ID"),
            fieldOf(cdsCustActLookUp, "SERV_ID"), till.isNull() || !till.isValid() ? QDate() : till.toDate(), dateFrom);
    if (written)
        m_appliedDate = dateFrom;
    return written;
}

void TfrmActSubscr::CloseData()
{
    mdTempDataSet->Close();
    cdsCustActLookUp->Close();
    if (TKyv_ClientDataSet *cards = CustData("cdsCustSmartCards")) {
        cards->Close();
        cards->SetFiltered(false);
        cards->SetFilter(QString());
    }
}

bool executeActivateSubscr(const QVariant &customerId, QDate &outDate)
{
    if (!frmActSubscr)
        frmActSubscr = new TfrmActSubscr;
    const std::unique_ptr<TfrmActSubscr> dialog(frmActSubscr);
    struct ClearInstance
    {
        ~ClearInstance() { frmActSubscr = nullptr; }
    } clearInstance;
    if (!dialog->Prepare(customerId))
        return false;
    if (dialog->exec() != QDialog::Accepted) {
        if (TKyv_ClientDataSet *hist = CustData("cdsCustSubscrServHist");
            hist && (hist->State() == dsEdit || hist->State() == dsInsert))
            hist->Cancel();
        return false;
    }
    outDate = dialog->AppliedDate();
    return true;
}
