#include "frmuCustomerService.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuRDM.h"
#include "uCustDialogs.h"
#include "uDialogButtons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace {

// The price-list guide in pick mode, registered by the guides' owner under this name.
const QString SingleServiceTarifPicker = QStringLiteral("pickSingleServiceTarif");

TKyv_ADODataSet *priceList()
{
    return custDM ? custDM->ServerDataSet(QStringLiteral("odsSingleServLookUp")) : nullptr;
}

} // namespace

TfrmCustomerService::TfrmCustomerService(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmCustomerService"));
    setWindowTitle(QStringLiteral("Услуги по факту"));

    dsCustSingleService = custDM ? custDM->DataSource(QStringLiteral("dsCustSingleService")) : nullptr;
    TDataSource *prices = custDM ? custDM->DataSource(QStringLiteral("dsSingleServLookUp")) : nullptr;

    cbService = boundLookup(this, "cbService", dsCustSingleService, "SINGLE_SERVICE_TARIF_ID", prices,
        "SINGLE_SERVICE_TARIF_ID", "SERVICE_NAME");
    btnServiceGuide = new QPushButton(QStringLiteral("..."), this);
    btnServiceGuide->setObjectName(QStringLiteral("btnServiceGuide"));
    btnServiceGuide->setToolTip(QStringLiteral("справочник услуг по факту"));
    btnServiceGuide->setFixedWidth(28);
    connect(btnServiceGuide, &QPushButton::clicked, this, guarded([this](bool) { btnServiceGuideClick(); }));
    edQuantity = boundNumber(this, "edQuantity", dsCustSingleService, "QUANTITY");
    edPrice = boundNumber(this, "edPrice", dsCustSingleService, "PRICE");
    edAmount = boundNumber(this, "edAmount", dsCustSingleService, "AMOUNT");
    edAmount->SetReadOnly(true);
    edNotice = boundEdit(this, "edNotice", dsCustSingleService, "NOTICE");
    edServiceDate = boundDate(this, "edServiceDate", dsCustSingleService, "SERVICE_DATE");
    edServiceDate->setToolTip(QStringLiteral("Дата начала действия услуги"));

    auto *serviceRow = new QHBoxLayout;
    serviceRow->addWidget(cbService, 1);
    serviceRow->addWidget(btnServiceGuide);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Услуга *"), serviceRow);
    form->addRow(QStringLiteral("Количество *"), edQuantity);
    form->addRow(QStringLiteral("Цена *"), edPrice);
    form->addRow(QStringLiteral("Стоимость"), edAmount);
    form->addRow(QStringLiteral("Примечание"), edNotice);
    form->addRow(QStringLiteral("Дата *"), edServiceDate);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, guarded([this](bool) { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, 240);

    if (service()) {
        watchField("SINGLE_SERVICE_TARIF_ID", [this] { TakeTariffPrice(); });
        watchField("QUANTITY", [this] { CalcServiceAmount(); });
        watchField("PRICE", [this] { CalcServiceAmount(); });
    }
}

TfrmCustomerService::~TfrmCustomerService()
{
    for (const TWatched &w : m_watched)
        w.field->OnChange = w.previous;
}

TDataSet *TfrmCustomerService::service() const
{
    return dsCustSingleService ? dsCustSingleService->DataSet() : nullptr;
}

void TfrmCustomerService::watchField(const char *name, std::function<void()> onChange)
{
    TField *f = service()->FieldByName(QString::fromLatin1(name));
    m_watched.push_back({ f, f->OnChange });
    f->OnChange = [previous = f->OnChange, onChange = std::move(onChange)](TField *field) {
        if (previous)
            previous(field);
        onChange();
    };
}

void TfrmCustomerService::TakeTariffPrice()
{
    TDataSet *ds = service();
    TKyv_ADODataSet *prices = priceList();
    if (!isEditing(ds) || !prices)
        return;
    if (!prices->Active())
        prices->Open();
    const QVariant tariff = ds->FieldByName(QStringLiteral("SINGLE_SERVICE_TARIF_ID"))->Value();
    if (!isNullValue(tariff) && prices->Locate(QStringLiteral("SINGLE_SERVICE_TARIF_ID"), tariff))
        ds->FieldByName(QStringLiteral("PRICE"))->SetValue(prices->FieldByName(QStringLiteral("PRICE"))->Value());
    CalcServiceAmount();
}

void TfrmCustomerService::CalcServiceAmount()
{
    TDataSet *ds = service();
    // Writing the amount changes no watched field, but the price written by TakeTariffPrice comes back here.
    if (!isEditing(ds) || m_calculating)
        return;
    m_calculating = true;
    const struct Reset
    {
        bool &flag;
        ~Reset() { flag = false; }
    } reset { m_calculating };
    const TField *price = ds->FieldByName(QStringLiteral("PRICE"));
    const TField *quantity = ds->FieldByName(QStringLiteral("QUANTITY"));
    const double amount = price->IsNull() || quantity->IsNull() ? 0.0 : price->AsFloat() * quantity->AsFloat();
    ds->FieldByName(QStringLiteral("AMOUNT"))->SetValue(amount);
}

void TfrmCustomerService::btnServiceGuideClick()
{
    TDataSet *ds = service();
    if (!isEditing(ds))
        return;
    TField *tariff = ds->FieldByName(QStringLiteral("SINGLE_SERVICE_TARIF_ID"));
    QVariant chosen;
    if (!pickDifferentKey(SingleServiceTarifPicker, tariff->Value(), chosen))
        return;
    // The guide may have changed the price list: it is read again before the price is taken from it.
    if (TKyv_ADODataSet *prices = priceList()) {
        prices->Close();
        prices->Open();
    }
    tariff->SetValue(chosen);
}

bool TfrmCustomerService::validateInput()
{
    const TField *tariff = service()->FieldByName(QStringLiteral("SINGLE_SERVICE_TARIF_ID"));
    if (tariff->IsNull() || tariff->AsInteger() == 0) {
        Services::messages()->error(QStringLiteral("Не выбрана услуга"));
        cbService->setFocus();
        return false;
    }
    return true;
}

void TfrmCustomerService::btnOkClick()
{
    TDataSet *ds = service();
    if (!ds || !validateInput())
        return;
    if (!isEditing(ds)) {
        accept();
        return;
    }
    const bool inserting = ds->State() == dsInsert;
    const QVariant key = ds->FieldByName(QStringLiteral("CUSTOMER_SERVICE_ID"))->Value();
    ds->Post();
    // A new service the database refused was shown to the user and is gone: nothing was stored.
    if (inserting && !rowStored(QStringLiteral("CUSTOMER_SERVICE"), QStringLiteral("CUSTOMER_SERVICE_ID"), key))
        TfrmKyvModal::reject();
    else
        accept();
}

void TfrmCustomerService::reject()
{
    guard([this] {
        if (isEditing(service()))
            service()->Cancel();
    });
    TfrmKyvModal::reject();
}

namespace {

bool runServiceDialog(bool insert)
{
    TKyv_ClientDataSet *ds = custDM ? custDM->ClientDataSet(QStringLiteral("cdsCustSingleService")) : nullptr;
    if (!ds)
        return false;
    if (!ds->Active())
        ds->Open();
    if (!insert && ds->IsEmpty())
        return false;
    const std::unique_ptr<TfrmCustomerService> dialog(new TfrmCustomerService);
    if (insert) {
        ds->Append();
        // The module's defaults chose the first service of the price list; its price comes with it.
        dialog->TakeTariffPrice();
    } else {
        ds->Edit();
    }
    return dialog->exec() == QDialog::Accepted;
}

} // namespace

bool executeNewCustomerService()
{
    return runServiceDialog(true);
}

bool executeEditCustomerService()
{
    return runServiceDialog(false);
}
