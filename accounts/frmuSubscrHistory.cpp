#include "frmuSubscrHistory.h"

#include "DBGridEh.h"
#include "DataSource.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_DBNavigator.h"
#include "Kyv_db.h"
#include "Services.h"
#include "XmlSettingsStorage.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "uCardWork.h"
#include "uSettings.h"
#include "uSubscrDialogKit.h"
#include "uPaymentWindows.h"
#include "uWindowActions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

TfrmSubscrHistory *frmSubscrHistory = nullptr;

namespace {

const QString PlacementPath = QStringLiteral("frmCustSubscrHistory");

TDataSource *custSource(const char *name)
{
    return custDM ? custDM->DataSource(QString::fromLatin1(name)) : nullptr;
}

TKyv_DBGridEh *newGrid(QWidget *parent, const char *name, TDataSource *source,
    std::initializer_list<std::pair<const char *, const char *>> columns)
{
    auto *grid = new TKyv_DBGridEh(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->SetDataSource(source);
    for (const auto &[field, title] : columns)
        AddGridColumn(grid, field, QString::fromUtf8(title), 0, false);
    return grid;
}

TKyv_DBNavigator *newNavigator(QWidget *parent, const char *name, TDataSource *source)
{
    auto *nav = new TKyv_DBNavigator(parent);
    nav->setObjectName(QString::fromLatin1(name));
    nav->SetDataSource(source);
    nav->SetVisibleControls({ nbPost, nbCancel, nbInsert, nbDelete, nbEdit, nbRefresh });
    return nav;
}

void reopen(TDataSet *ds)
{
    if (!ds)
        return;
    ds->Close();
    ds->Open();
}

} // namespace

TfrmSubscrHistory::TfrmSubscrHistory(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmCustSubscrHistory"));
    setWindowTitle(QStringLiteral("История подключений"));

    dbgSubscrServ = newGrid(this, "dbgSubscrServ", custSource("dsCustSubscrServ"),
        { { "L_SERVTYPE_DESCR", "Тип периодической услуги / пакета" } });
    dbgSubscrHist = newGrid(this, "dbgSubscrHist", custSource("dsCustSubscrServHist"),
        { { "DATE_FROM", "Дата подкл" }, { "L_ACT_SERV_DESCR", "Тип подкл" }, { "RO_DATE_TO", "Дата откл" },
            { "L_DISACT_SERV_DESCR", "Тип откл." } });
    navSubscrServ = newNavigator(this, "navSubscrServ", custSource("dsCustSubscrServ"));
    navSubscrHist = newNavigator(this, "navSubscrHist", custSource("dsCustSubscrServHist"));
    navSubscrServ->OnDeleteBtnClick = guarded([this](TKyv_DBNavigator *) { actDeleteServExecute(); });
    navSubscrHist->OnDeleteBtnClick = guarded([this](TKyv_DBNavigator *) { actDeleteHistExecute(); });

    btnDeleteServ = new QPushButton(QStringLiteral("Удалить"), this);
    btnDeleteServ->setObjectName(QStringLiteral("btnDeleteServ"));
    connect(btnDeleteServ, &QPushButton::clicked, this, guarded([this](bool) { actDeleteServExecute(); }));
    btnDeleteHist = new QPushButton(QStringLiteral("Удалить запись"), this);
    btnDeleteHist->setObjectName(QStringLiteral("btnDeleteHist"));
    connect(btnDeleteHist, &QPushButton::clicked, this, guarded([this](bool) { actDeleteHistExecute(); }));
    btnOk = new QPushButton(QStringLiteral("Готово"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *servBar = new QHBoxLayout;
    servBar->addWidget(navSubscrServ);
    servBar->addWidget(btnDeleteServ);
    servBar->addStretch();
    auto *histBar = new QHBoxLayout;
    histBar->addWidget(navSubscrHist);
    histBar->addWidget(btnDeleteHist);
    histBar->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnOk);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(servBar);
    layout->addWidget(dbgSubscrServ, 1);
    layout->addLayout(histBar);
    layout->addWidget(dbgSubscrHist, 2);
    layout->addLayout(bottom);
    resize(560, 420);
    RestoreFormPlacement(SettingsStorage(), *this, PlacementPath);
    WatchChanges();
}

TfrmSubscrHistory::~TfrmSubscrHistory()
{
    StoreFormPlacement(SettingsStorage(), *this, PlacementPath);
    for (const auto &[ds, edit, insert] : m_watches) {
        ds->BeforeEdit.remove(edit);
        ds->BeforeInsert.remove(insert);
    }
    for (const char *name :
        { "cdsCustSubscrServHist", "cdsCustSubscrServHistActLookUp", "cdsCustSubscrServHistDisactLookUp" })
        if (TKyv_ClientDataSet *ds = CustData(name))
            ds->Close();
}

void TfrmSubscrHistory::WatchChanges()
{
    // Any insert or edit of either list counts as a change, whether or not it is posted in the end.
    for (const char *name : { "cdsCustSubscrServ", "cdsCustSubscrServHist" }) {
        TKyv_ClientDataSet *ds = CustData(name);
        if (!ds)
            continue;
        const auto mark = [this](TDataSet *) { m_changed = true; };
        m_watches.push_back({ ds, ds->BeforeEdit.add(mark), ds->BeforeInsert.add(mark) });
    }
}

void TfrmSubscrHistory::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    guarded([] {
        for (const char *name :
            { "cdsSubscrServLookUp", "cdsCustSubscrServHistActLookUp", "cdsCustSubscrServHistDisactLookUp" })
            if (TKyv_ClientDataSet *ds = CustData(name); ds && !ds->Active())
                ds->Open();
        reopen(CustData("cdsCustSubscrServ"));
        reopen(CustData("cdsCustSubscrServHist"));
    })();
}

void TfrmSubscrHistory::changeEvent(QEvent *event)
{
    MinimiseProgramWith(this, event);
    QDialog::changeEvent(event);
}

void TfrmSubscrHistory::actDeleteHistExecute()
{
    TKyv_ClientDataSet *hist = CustData("cdsCustSubscrServHist");
    if (!hist || !hist->Active())
        return;
    const QString name
        = hist->IsEmpty() ? QString() : hist->FieldByName(QStringLiteral("L_ACT_SERV_DESCR"))->AsString();
    if (!Services::messages()->confirm(
            QStringLiteral("Удалить запись по истории подключения услуги \"") + name + QStringLiteral("\" ?")))
        return;
    if (hist->IsEmpty())
        return;
    hist->Delete();
    m_changed = true;
}

void TfrmSubscrHistory::actDeleteServExecute()
{
    TKyv_ClientDataSet *serv = CustData("cdsCustSubscrServ");
    if (!serv || !serv->Active())
        return;
    const QString name
        = serv->IsEmpty() ? QString() : serv->FieldByName(QStringLiteral("L_SERVTYPE_DESCR"))->AsString();
    if (!Services::messages()->confirm(
            QStringLiteral("Удалить всю информацию по истории подключений услуги \"") + name + QStringLiteral("\" ?")))
        return;
    if (serv->IsEmpty() || !DMR)
        return;
    const QVariant id = serv->FieldByName(QStringLiteral("SUBSCR_SERV_ID"))->Value();
    // The subscription and its periods go together or not at all.
    if (!DMR->DeleteSubscrServ(id))
        Services::messages()->error(DMR->LastCommandError());
    m_changed = true;
    reopen(serv);
    reopen(CustData("cdsCustSubscrServHist"));
}

bool executeSubscrHistory()
{
    if (!frmSubscrHistory)
        frmSubscrHistory = new TfrmSubscrHistory;
    const std::unique_ptr<TfrmSubscrHistory> dialog(frmSubscrHistory);
    struct ClearInstance
    {
        ~ClearInstance() { frmSubscrHistory = nullptr; }
    } clearInstance;
    dialog->exec();
    return dialog->Changed();
}
