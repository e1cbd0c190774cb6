#include "frmuCustomerDoc.h"

#include "DBCtrlsEh.h"
#include "DataSource.h"
#include "Kyv_db.h"
#include "dmuCust.h"
#include "uCustDialogs.h"

#include <QFormLayout>

#include <memory>

TfrmCustomerDoc::TfrmCustomerDoc(QWidget *parent)
    : TfrmCustRowDialog(QStringLiteral("cdsCustDoc"), QStringLiteral("CUST_DOC"), QStringLiteral("CUST_DOC_ID"), parent)
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

    setFields(form);
    resize(420, 160);
}

namespace {

bool runDocDialog(bool insert)
{
    const std::unique_ptr<TfrmCustomerDoc> dialog(new TfrmCustomerDoc);
    return dialog->startRow(insert) && dialog->exec() == QDialog::Accepted;
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
