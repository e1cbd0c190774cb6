#include "frmuSelectRootServ.h"

#include "DBLookupEh.h"
#include "DataSource.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "dmuReports.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

TKyv_ADODataSet *odsCustFilterServLookup()
{
    return dmReports ? static_cast<TKyv_ADODataSet *>(dmReports->DataSet(QStringLiteral("odsCustFilterServLookup")))
                     : nullptr;
}

TfrmSelectRootServ::TfrmSelectRootServ(QWidget *parent)
    : QDialog(parent)
    , m_dsServ(std::make_unique<TDataSource>())
    , m_dsTempCFG(std::make_unique<TDataSource>())
{
    setObjectName(QStringLiteral("frmSelectRootServ"));
    setWindowTitle(QStringLiteral("В разрезе пакета услуг"));
    m_dsServ->SetDataSet(odsCustFilterServLookup());
    m_dsTempCFG->SetDataSet(DM ? DM->mdTempCFG() : nullptr);

    lcbServ = new TDBLookupComboboxEh(this);
    lcbServ->setObjectName(QStringLiteral("lcbServ"));
    lcbServ->SetListSource(m_dsServ.get());
    lcbServ->SetKeyField(QStringLiteral("SERV_ID"));
    lcbServ->SetListField(QStringLiteral("SERV_DESCR"));
    lcbServ->SetDataSource(m_dsTempCFG.get());
    lcbServ->SetDataField(QStringLiteral("SERV_ID"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Пакет услуг:"), lcbServ);

    btnOk = new QPushButton(QStringLiteral("Готово"));
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(btnOk, QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TfrmSelectRootServ::~TfrmSelectRootServ()
{
    delete lcbServ;
    lcbServ = nullptr;
}

bool executeSelectRootServ()
{
    if (TKyv_ADODataSet *list = odsCustFilterServLookup()) {
        list->Close();
        list->Open();
    }
    if (!DMR || !DMR->MoreThenOneServ())
        return true;
    TfrmSelectRootServ dialog;
    dialog.exec();
    // The filter record keeps whatever the lookup put in it.
    TMemTable *temp = DM ? DM->mdTempCFG() : nullptr;
    if (temp && (temp->State() == dsEdit || temp->State() == dsInsert))
        temp->Post();
    return true;
}
