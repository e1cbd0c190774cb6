#include "frmuCustomerDoc.h"

#include "DBCtrlsEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_db.h"
#include "dmuCust.h"
#include "uCustDialogs.h"
#include "uDialogButtons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

TfrmCustomerDoc::TfrmCustomerDoc(QWidget *parent)
    : TfrmKyvModal(parent)
{
    setObjectName(QStringLiteral("frmCustomerDoc"));
    setWindowTitle(QStringLiteral("Документ"));
    dsCustDoc = custDM ? custDM->DataSource(QStringLiteral("dsCustDoc")) : nullptr;

    edDocName = boundEdit(this, "edDocName", dsCustDoc, "DOC_NAME");
    edDocDate = boundDate(this, "edDocDate", dsCustDoc, "DOC_DATE");
    edDocDate->setToolTip(QStringLiteral("Дата документа"));
    edDocUrl = boundEdit(this, "edDocUrl", dsCustDoc, "DOC_URL");
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Наименование"), edDocName);
    form->addRow(QStringLiteral("Дата *"), edDocDate);
    form->addRow(QStringLiteral("URL"), edDocUrl);

    QDialogButtonBox *buttons = ReadyCancelButtons(btnOk, btnCancel);
    connect(btnOk, &QPushButton::clicked, this, guarded([this](bool) { btnOkClick(); }));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, 160);
}

void TfrmCustomerDoc::btnOkClick()
{
    TDataSet *ds = dsCustDoc ? dsCustDoc->DataSet() : nullptr;
    if (!isEditing(ds)) {
        accept();
        return;
    }
    const bool inserting = ds->State() == dsInsert;
    const QVariant key = ds->FieldByName(QStringLiteral("CUST_DOC_ID"))->Value();
    ds->Post();
    // A new document the database refused was shown to the user and is gone: the dialog says nothing was stored.
    if (inserting && !rowStored(QStringLiteral("CUST_DOC"), QStringLiteral("CUST_DOC_ID"), key))
        TfrmKyvModal::reject();
    else
        accept();
}

void TfrmCustomerDoc::reject()
{
    guard([this] {
        TDataSet *ds = dsCustDoc ? dsCustDoc->DataSet() : nullptr;
        if (isEditing(ds))
            ds->Cancel();
    });
    TfrmKyvModal::reject();
}

namespace {

bool runDocDialog(bool insert)
{
    TKyv_ClientDataSet *ds = custDM ? custDM->ClientDataSet(QStringLiteral("cdsCustDoc")) : nullptr;
    if (!ds)
        return false;
    if (!ds->Active())
        ds->Open();
    if (!insert && ds->IsEmpty())
        return false;
    const std::unique_ptr<TfrmCustomerDoc> dialog(new TfrmCustomerDoc);
    if (insert)
        ds->Append();
    else
        ds->Edit();
    return dialog->exec() == QDialog::Accepted;
}

} // namespace

bool executeNewCustomerDoc()
{
    return runDocDialog(true);
}

bool executeEditCustomerDoc()
{
    return runDocDialog(false);
}
