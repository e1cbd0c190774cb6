#include "frmuCustomerPayment.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuReports.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuGuide.h"
#include "frmuPaySourceGuide.h"
#include "uCustDialogs.h"
#include "uFields.h"
#include "uPayDoc.h"
#include "uWindowActions.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

std::function<void(int paymentId)> PrintCashOrderKO1 = [](int paymentId) {
    if (dmReports)
        dmReports->printPayDocKO1(paymentId);
};

namespace {

TField *addField(TDataSet *ds, const char *name, TFieldType type, int size = 0, TFieldKind kind = fkData)
{
    return AddDataSetField(ds, QString::fromLatin1(name), type, size, kind);
}

void addLookup(TDataSet *ds, const char *name, int size, TDataSet *list, const char *key, const char *result)
{
    TField *f = addField(ds, name, ftString, size, fkLookup);
    f->SetLookupDataSet(list);
    f->SetKeyFields(QString::fromLatin1(key));
    f->SetLookupKeyFields(QString::fromLatin1(key));
    f->SetLookupResultField(QString::fromLatin1(result));
}

std::unique_ptr<TKyv_ADODataSet> serverDataSet(const char *name, const QString &sql)
{
    auto ds = std::make_unique<TKyv_ADODataSet>();
    ds->setObjectName(QString::fromLatin1(name));
    ds->SetCommandText(sql);
    if (DMR)
        ds->SetConnection(DMR->dbConnection());
    return ds;
}

TDataSource *sourceOf(QObject *owner, const char *name, TDataSet *ds)
{
    auto *source = new TDataSource(owner);
    source->setObjectName(QString::fromLatin1(name));
    source->SetDataSet(ds);
    return source;
}

} // namespace

TfrmCustomerPayment::TfrmCustomerPayment(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmCustomerPayment"));
    setWindowTitle(QStringLiteral("Новый платеж"));

    odsPayDocSourceLookUp = serverDataSet("odsPayDocSourceLookUp", PaySourceLookupStatement());
    odsPayDocPaymType = serverDataSet("odsPayDocPaymType", PaymentKindsStatement());
    mdTempDataSet = std::make_unique<TMemTable>();
    mdTempDataSet->setObjectName(QStringLiteral("mdTempDataSet"));
    TMemTable *md = mdTempDataSet.get();
    addField(md, "DOC_DATE", ftDateTime)->SetDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    addField(md, "PAY_SUM", ftFloat);
    addField(md, "NOTICE", ftString, 255);
    addField(md, "PAYSOURCE_ID", ftInteger);
    addLookup(md, "L_PAYSOURCE", 80, odsPayDocSourceLookUp.get(), "PAYSOURCE_ID", "PAYSOURCE_DESCR");
    addField(md, "SERV_ID", ftInteger);
    addLookup(md, "L_SERV_DESCR", 10, odsPayDocPaymType.get(), "SERV_ID", "SERV_DESCR");
    md->FieldByName(QStringLiteral("SERV_ID"))->SetDisplayLabel(QStringLiteral("Вид"));
    md->OnNewRecord.add([](TDataSet *ds) {
        const QVariant work = DM ? DM->mdTempCFG()->FieldByName(QStringLiteral("WORK_DATE"))->Value() : QVariant();
        ds->FieldByName(QStringLiteral("DOC_DATE"))
            ->SetValue(isNullValue(work) ? Services::clock()->now() : QDateTime(work.toDateTime().date(), QTime(0, 0)));
        ds->FieldByName(QStringLiteral("PAY_SUM"))->SetValue(DMR ? DMR->LastPaymentSum : 0.0);
        ds->FieldByName(QStringLiteral("SERV_ID"))->SetValue(-1);
    });

    dsTempDataSet = sourceOf(this, "dsTempDataSet", md);
    dsPayDocSourceLookUp = sourceOf(this, "dsPayDocSourceLookUp", odsPayDocSourceLookUp.get());
    dsPayDocPaymType = sourceOf(this, "dsPayDocPaymType", odsPayDocPaymType.get());

    const auto label = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    lblAccountNo = label("lblAccountNo");
    lblName = label("lblName");
    lblAddress = label("lblAddress");

    edDocDate = boundDate(this, "edDocDate", dsTempDataSet, "DOC_DATE");
    cbPaySource = boundLookup(
        this, "cbPaySource", dsTempDataSet, "PAYSOURCE_ID", dsPayDocSourceLookUp, "PAYSOURCE_ID", "PAYSOURCE_DESCR");
    btnPaySourceGuide = new QPushButton(QStringLiteral("..."), this);
    btnPaySourceGuide->setObjectName(QStringLiteral("btnPaySourceGuide"));
    btnPaySourceGuide->setToolTip(QStringLiteral("Справочник источников платежей"));
    btnPaySourceGuide->setFixedWidth(28);
    btnPaySourceGuide->setFocusPolicy(Qt::NoFocus);
    connect(btnPaySourceGuide, &QPushButton::clicked, this, guarded([this](bool) { btnPaySourceGuideClick(); }));
    edPaySum = boundNumber(this, "edPaySum", dsTempDataSet, "PAY_SUM");
    cbPaymType = boundLookup(this, "cbPaymType", dsTempDataSet, "SERV_ID", dsPayDocPaymType, "SERV_ID", "SERV_DESCR");
    cbPaymType->setToolTip(QStringLiteral("Вид платежа"));
    edNotice = boundEdit(this, "edNotice", dsTempDataSet, "NOTICE");

    auto *enterToTab = new TEnterToTab(this);
    for (QWidget *input : std::initializer_list<QWidget *> { edDocDate, cbPaySource, edPaySum, edNotice })
        enterToTab->watch(input);

    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(cbPaySource, 1);
    sourceRow->addWidget(btnPaySourceGuide);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Лиц.счет"), lblAccountNo);
    form->addRow(QStringLiteral("ФИО"), lblName);
    form->addRow(QStringLiteral("Адрес"), lblAddress);
    form->addRow(QStringLiteral("Дата"), edDocDate);
    form->addRow(QStringLiteral("Источник"), sourceRow);
    form->addRow(QStringLiteral("Сумма"), edPaySum);
    form->addRow(QStringLiteral("Вид"), cbPaymType);
    form->addRow(QStringLiteral("Примечание"), edNotice);

    auto *buttons = new QDialogButtonBox(this);
    btnAdd = buttons->addButton(QStringLiteral("Добавить"), QDialogButtonBox::ActionRole);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnAdd->setDefault(true);
    btnAddAndPrint = buttons->addButton(QStringLiteral("Добавить и Печать"), QDialogButtonBox::ActionRole);
    btnAddAndPrint->setObjectName(QStringLiteral("btnAddAndPrint"));
    btnAddAndPrint->setToolTip(QStringLiteral("Добавить и Печать кассового ордера КО-1"));
    btnCancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnAdd, &QPushButton::clicked, this, guarded([this](bool) {
        if (AddPayment())
            accept();
    }));
    connect(btnAddAndPrint, &QPushButton::clicked, this, guarded([this](bool) {
        if (!AddPayment())
            return;
        if (PrintCashOrderKO1)
            PrintCashOrderKO1(m_paymentId);
        accept();
    }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(460, 300);
}

TfrmCustomerPayment::~TfrmCustomerPayment()
{
    // The lookup fields point at the lookups: the record goes first.
    mdTempDataSet.reset();
}

void TfrmCustomerPayment::OpenData()
{
    for (TKyv_ADODataSet *ds : { odsPayDocSourceLookUp.get(), odsPayDocPaymType.get() }) {
        ds->Close();
        ds->Open();
    }
    mdTempDataSet->Open();
    mdTempDataSet->Append();
    odsPayDocSourceLookUp->First();
    if (!odsPayDocSourceLookUp->IsEmpty())
        mdTempDataSet->FieldByName(QStringLiteral("PAYSOURCE_ID"))
            ->SetValue(odsPayDocSourceLookUp->FieldByName(QStringLiteral("PAYSOURCE_ID"))->Value());
}

void TfrmCustomerPayment::ShowCustomer()
{
    TKyv_ClientDataSet *c = custDM ? custDM->cdsCustomer() : nullptr;
    // Only the customer being paid for is shown, never another row the list happens to stand on.
    if (!c || !c->Active() || c->IsEmpty()
        || c->FieldByName(QStringLiteral("CUSTOMER_ID"))->AsString() != m_customerId.toString())
        return;
    const auto text
        = [c](const char *field) { return c->FieldByName(QString::fromLatin1(field))->AsString().trimmed(); };
    m_accountNo = c->FieldByName(QStringLiteral("ACCOUNT_NO"))->AsString();
    lblAccountNo->setText(m_accountNo);
    lblName->setText(
        QStringList { text("SURNAME"), text("FIRSTNAME"), text("MIDLENAME") }.join(QLatin1Char(' ')).trimmed());
    lblAddress->setText(
        QStringList { text("RO_STREET_NAME"), text("RO_HOUSE_NO"), text("FLAT_NO") }.join(QLatin1Char(' ')).trimmed());
}

bool TfrmCustomerPayment::validateInput()
{
    const QString sourceError
        = DM ? PaySourceError(DM, mdTempDataSet->FieldByName(QStringLiteral("PAYSOURCE_ID"))->Value()) : QString();
    if (!sourceError.isEmpty()) {
        Services::messages()->error(sourceError);
        cbPaySource->setFocus();
        return false;
    }
    const TField *sum = mdTempDataSet->FieldByName(QStringLiteral("PAY_SUM"));
    if (sum->IsNull() || sum->AsFloat() == 0) {
        Services::messages()->error(QStringLiteral("Не введена сумма платежа"));
        edPaySum->setFocus();
        return false;
    }
    return true;
}

bool TfrmCustomerPayment::AddPayment()
{
    if (mdTempDataSet->State() == dsEdit || mdTempDataSet->State() == dsInsert)
        mdTempDataSet->UpdateRecord();
    if (!validateInput())
        return false;
    if (!DMR)
        return false;
    const auto field = [this](const char *name) { return mdTempDataSet->FieldByName(QString::fromLatin1(name)); };
    const QDateTime docDate = field("DOC_DATE")->Value().toDateTime();
    int paymentId = -1;
    if (!DMR->newSingleCustomerPayment(m_customerId.toInt(), field("PAYSOURCE_ID")->AsInteger(), paymentId,
            field("NOTICE")->AsString(), field("PAY_SUM")->AsFloat(), docDate.date(), m_accountNo,
            field("SERV_ID")->IsNull() ? -1 : field("SERV_ID")->AsInteger(), DM ? DM->AccDate() : QDate())) {
        // Nothing was written: the user sees why, and what was typed stays for another try.
        const QString reason = DMR->LastCommandError();
        Services::messages()->error(
            QStringLiteral("Платеж не записан") + (reason.isEmpty() ? QString() : QStringLiteral("\r") + reason));
        return false;
    }
    m_paymentId = paymentId;
    return true;
}

void TfrmCustomerPayment::btnPaySourceGuideClick()
{
    // The guide may add or rename sources: the list is read again after it.
    PickGuideKey(
        mdTempDataSet.get(), QStringLiteral("PAYSOURCE_ID"), executePaySourceGuide, odsPayDocSourceLookUp.get());
}

void TfrmCustomerPayment::changeEvent(QEvent *event)
{
    TfrmKyvModal::changeEvent(event);
    MinimiseProgramWith(this, event);
}

bool executeCustomerPayment(const QVariant &customerId)
{
    if (isNullValue(customerId))
        return false;
    TKyv_ClientDataSet *c = custDM ? custDM->cdsCustomer() : nullptr;
    if (c && c->Active() && !c->IsEmpty()
        && c->FieldByName(QStringLiteral("CUSTOMER_ID"))->Value().toString() != customerId.toString())
        c->Locate(QStringLiteral("CUSTOMER_ID"), customerId);
    const std::unique_ptr<TfrmCustomerPayment> dialog(new TfrmCustomerPayment);
    dialog->m_customerId = customerId;
    dialog->ShowCustomer();
    dialog->OpenData();
    const bool stored = dialog->exec() == QDialog::Accepted && dialog->PaymentId() >= 0;
    dialog->mdTempDataSet->Close();
    dialog->odsPayDocSourceLookUp->Close();
    dialog->odsPayDocPaymType->Close();
    return stored;
}
