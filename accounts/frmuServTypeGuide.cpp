#include "frmuServTypeGuide.h"
#include "frmuServTypeGuidePrivate.h"

#include "DBCtrlsEh.h"
#include "DBLookupEh.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "FormClasses.h"
#include "Formats.h"
#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_DBNavigator.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuMain.h"
#include "uCommon.h"
#include "uLog.h"
#include "uServTarifs.h"
#include "uSettings.h"
#include "uWindowActions.h"
#include "uPaymentWindows.h"
#include "uGuideStatements.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

TKyv_ADODataSet *serverDataSet(QObject *owner, const char *name, const QString &text)
{
    auto *ds = new TKyv_ADODataSet(owner);
    ds->setObjectName(QString::fromLatin1(name));
    if (DMR)
        ds->SetConnection(DMR->dbConnection());
    ds->SetCommandText(text);
    return ds;
}

TDataSource *source(QObject *owner, const char *name, TDataSet *ds, bool autoEdit = true)
{
    auto *s = new TDataSource(owner);
    s->setObjectName(QString::fromLatin1(name));
    s->SetDataSet(ds);
    s->SetAutoEdit(autoEdit);
    return s;
}

} // namespace

using namespace servtypeguide;

TfrmServTypeGuide::TfrmServTypeGuide(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmServTypeGuide"));
    setWindowTitle(QStringLiteral("Тарифные планы"));
    setProperty("HelpContext", 7040);
    CreateDataSets();
    CreateActions();
    pcMain = CreateListPages(this, tsList, tsDetail);
    CreateListPage();
    CreateDetailPage();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pcMain);
    connect(pcMain, &QStackedWidget::currentChanged, this, guarded([this](int) { checkBtns(); }));
    resize(900, 560);
    if (DM)
        DM->LogUserAction(-1, QStringLiteral("Тарифные планы"), objectName());
}

TfrmServTypeGuide::~TfrmServTypeGuide() = default;

void TfrmServTypeGuide::CreateDataSets()
{
    odsServicePackage = serverDataSet(this, "odsServicePackage", ServicePackageIdsStatement());
    odsServicePackage->AfterScroll.add([this](TDataSet *) { guard([this] { PackageScrolled(); }); });

    cdsServ = new TKyv_ClientDataSet(this);
    cdsServ->setObjectName(QStringLiteral("cdsServ"));
    cdsServ->SetDataProvider(DM ? DM->Provider(QStringLiteral("dspServ")) : nullptr);
    cdsServ->SetCommandText(ServicesOfPackageStatement());
    cdsServ->Params().CreateParam(ftInteger, QStringLiteral("P_SERV_PACKAGE_ID"));
    cdsServ->OnNewRecord.add([this](TDataSet *) { ServNewRecord(); });
    cdsServ->BeforePost.add([this](TDataSet *) { ServBeforePost(); });
    if (DM)
        DM->InstallUpdateRule(cdsServ, QStringLiteral("frmServTypeGuide.cdsServ"));
    cdsServ->AfterPost.add([this](TDataSet *) { ServAfterPost(); });
    cdsServ->AfterScroll.add([this](TDataSet *) { guard([this] { ServScrolled(); }); });
    dsServ = source(this, "dsServ", cdsServ, false);
    dsServ->OnDataChange = [this](TDataSource *, TField *) { guard([this] { checkBtns(); }); };

    cdsTarif = new TKyv_ClientDataSet(this);
    cdsTarif->setObjectName(QStringLiteral("cdsTarif"));
    cdsTarif->SetDataProvider(DM ? DM->Provider(QStringLiteral("dspTarif")) : nullptr);
    cdsTarif->SetCommandText(ServiceTarifsStatement());
    cdsTarif->Params().CreateParam(ftInteger, QStringLiteral("P_SERV_ID"));
    cdsTarif->OnNewRecord.add([this](TDataSet *) { TarifNewRecord(); });
    cdsTarif->BeforePost.add([this](TDataSet *) { TarifBeforePost(); });
    // A new tariff is stored by its own command before the post ends; its row must not be written again.
    cdsTarif->AfterPost.add([this](TDataSet *) {
        if (m_tarifStored) {
            m_tarifStored = false;
            cdsTarif->MergeChangeLog();
        }
    });
    if (DM)
        DM->InstallUpdateRule(cdsTarif, QStringLiteral("frmServTypeGuide.cdsTarif"));
    cdsTarif->AfterPost.add([this](TDataSet *) { TarifAfterPost(); });
    dsTarif = source(this, "dsTarif", cdsTarif);

    odsLinkedServ = serverDataSet(this, "odsLinkedServ", LinkedServicesStatement());
    odsServType = serverDataSet(this, "odsServType", ServTypeLookupStatement());
    odsChildServLookup = serverDataSet(this, "odsChildServLookup", ParentServiceLookupStatement());
    odsServPackageLookup = serverDataSet(this, "odsServPackageLookup", ServicePackageLookupStatement());
}

void TfrmServTypeGuide::CreateActions()
{
    auto make = [this](QAction *&action, const char *name, const QString &caption, const QKeySequence &key,
                    std::function<void()> run) { action = MakeWindowAction(this, name, caption, key, std::move(run)); };
    make(actNewService, "actNewService", QStringLiteral("Добавить услугу"), QKeySequence(Qt::Key_Insert),
        [this] { actNewServiceExecute(); });
    actNewService->setToolTip(QStringLiteral("Добавить услугу (пакет услуг)"));
    make(actDelServ, "actDelServ", QStringLiteral("Удалить услугу"), {}, [this] { actDelServExecute(); });
    make(actEditService, "actEditService", QStringLiteral("Корректировка услуги"), QKeySequence(Qt::Key_F2),
        [this] { actEditServiceExecute(); });
    make(actNewTarif, "actNewTarif", QStringLiteral("Новый тариф"), QKeySequence(Qt::Key_Insert),
        [this] { actNewTarifExecute(); });
    make(actDelTarif, "actDelTarif", QStringLiteral("Удалить тариф"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
        [this] { actDelTarifExecute(); });
    make(actEditTarif, "actEditTarif", QStringLiteral("Корректировка тарифа"), QKeySequence(Qt::Key_F2), [this] {
        trace("actEditTarifExecute");
        if (cdsTarif->Active() && !editing(cdsTarif))
            cdsTarif->Edit();
    });
    make(actRefreshServ, "actRefreshServ", QStringLiteral("Обновить"), {}, [this] {
        trace("actRefreshServExecute");
        if (cdsServ->Active() && !editing(cdsServ))
            reopen(cdsServ);
    });
    actRefreshServ->setToolTip(QStringLiteral("Перечитать данные"));
    make(actSelectServicePackage, "actSelectServicePackage", QStringLiteral("Пакеты"), {},
        [this] { actSelectServicePackageExecute(); });
    actSelectServicePackage->setToolTip(QStringLiteral("Выбор пакета услуг из справочника"));
    make(actSearch, "actSearch", QStringLiteral("Поиск"), QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        trace("actSearchExecute");
        if (edtSearch->isEnabled() && edtSearch->isVisible())
            edtSearch->setFocus();
        cdsServ->LocateByEdit(edtSearch);
    });
    actSearch->setToolTip(QStringLiteral("Быстрый поиск"));
    make(actMrOk, "actMrOk", QStringLiteral("Ok"), {}, [this] { actMrOkExecute(); });
    // Nothing to choose until a service is listed.
    actMrOk->setEnabled(false);
    actMrOk->setToolTip(QStringLiteral("Подтвердить выбор|Подтвердить выбор и закрыть окно справочника"));
    make(actMrCancel, "actMrCancel", QStringLiteral("Отмена и выход"), {}, [this] { reject(); });
    actMrCancel->setToolTip(QStringLiteral("Отмена и выход|Отмена выбора и выход из справочника"));
    make(actClose, "actClose", QStringLiteral("Закрыть"), QKeySequence(Qt::CTRL | Qt::Key_W), [this] { reject(); });
    actClose->setToolTip(QStringLiteral("Закрыть форму"));
    make(actApply, "actApply", QStringLiteral("Готово"), {}, [this] { actApplyExecute(); });
    make(actCancel, "actCancel", QStringLiteral("Отмена"), {}, [this] { actCancelExecute(); });
    make(actFilter, "actFilter", QStringLiteral("Фильтр"), {}, {});
    actFilter->setCheckable(true);
}

void TfrmServTypeGuide::CreateListPage()
{
    dbgServicePackage = new TKyv_DBGridEh(tsList);
    dbgServicePackage->setObjectName(QStringLiteral("dbgServicePackage"));
    dbgServicePackage->SetReadOnly(true);
    dbgServicePackage->SetDataSource(source(this, "dsServicePackage", odsServicePackage, false));
    AddGridColumn(dbgServicePackage, "SERV_PACKAGE_DESCR", QStringLiteral("Пакет услуг"), 160);
    auto *packageBar = new QToolBar(tsList);
    packageBar->setObjectName(QStringLiteral("tbServicePackage"));
    packageBar->addAction(actSelectServicePackage);
    auto *left = new QWidget(tsList);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(packageBar);
    leftLayout->addWidget(dbgServicePackage, 1);

    auto *toolBar = new QToolBar(tsList);
    toolBar->setObjectName(QStringLiteral("tbServ"));
    toolBar->addActions({ actNewService, actDelServ, actEditService, actRefreshServ });
    toolBar->addSeparator();
    toolBar->addAction(actMrOk);
    edtSearch = new QLineEdit(tsList);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->installEventFilter(this);
    connect(edtSearch, &QLineEdit::textChanged, this, guarded([this](const QString &) { cdsServ->LocateByEdit(edtSearch); }));
    toolBar->addWidget(edtSearch);

    dbgServ = new TKyv_DBGridEh(tsList);
    dbgServ->setObjectName(QStringLiteral("dbgServ"));
    dbgServ->SetReadOnly(true);
    dbgServ->SetDataSource(dsServ);
    dbgServ->SetOptionsEh(dbgServ->OptionsEh() | dghAutoSortMarking);
    dbgServ->OnSortMarkingChanged = [](TCustomDBGridEh *grid) { SortByMarkers(grid); };
    AddGridColumn(dbgServ, "SERV_PACKAGE_DESCR", QStringLiteral("Пакет услуг"), 100);
    dbgServ->Columns()[0]->SetVisible(false);
    AddGridColumn(dbgServ, "SERV_DESCR", QStringLiteral("Наименование  услуги"), 200);
    AddGridColumn(dbgServ, "SERV_CODE", QStringLiteral("Код"), 50);
    AddGridColumn(dbgServ, "RO_SERV_TYPE", QStringLiteral("Тип"), 140);
    AddGridColumn(dbgServ, "L_CHILDSERV", QStringLiteral("Подчинение"), 140);
    dbgServ->Columns()[4]->Title().Hint =
        QStringLiteral("Абонентская подчиненная услуга\nдля услуг по подключению\nи отключению абонентов ");
    AddGridColumn(dbgServ, "NOTICE", QStringLiteral("Примечание"), 140);
    AddGridColumn(dbgServ, "IS_DTV_PACKAGE", QStringLiteral("DTV пакет"), 60);
    dbgServ->Columns()[6]->KeyList() = QStringList { QStringLiteral("0"), QStringLiteral("1") };
    dbgServ->Columns()[6]->PickList() = QStringList { QStringLiteral("нет"), QStringLiteral("да") };
    AddGridColumn(dbgServ, "DTV_PACKAGE_CODE", QStringLiteral("CAS код"), 60);
    dbgServ->OnDblClick = [this](TCustomDBGridEh *) {
        guard([this] {
            if (m_mode != 0)
                actMrOk->trigger();
            else
                actEditService->trigger();
        });
    };

    dbgTarif = new TKyv_DBGridEh(tsList);
    dbgTarif->setObjectName(QStringLiteral("dbgTarif"));
    dbgTarif->SetDataSource(dsTarif);
    AddGridColumn(dbgTarif, "DATE_FROM", QStringLiteral("С"), 80);
    AddGridColumn(dbgTarif, "DATE_TO", QStringLiteral("По"), 80);
    AddGridColumn(dbgTarif, "TARIF_SUM", QStringLiteral("Сумма"), 80);
    navTarif = new TKyv_DBNavigator(tsList);
    navTarif->setObjectName(QStringLiteral("navTarif"));
    navTarif->SetKind(nkVertical);
    navTarif->SetDataSource(dsTarif);
    navTarif->SetVisibleControls({ nbPost, nbCancel, nbInsert, nbDelete, nbEdit, nbRefresh });
    navTarif->SetConfirmDelete(false);
    navTarif->SetHints({ QStringLiteral("Записать изменения"), QStringLiteral("Отменить изменения"),
        QStringLiteral("Добавить тариф"), QStringLiteral("Удалить последний тариф"),
        QStringLiteral("Корректировать тариф"), QString(), QStringLiteral("Перечитать данные с сервера") });
    navTarif->OnInsertBtnClick = [this](TKyv_DBNavigator *) { actNewTarif->trigger(); };
    navTarif->OnDeleteBtnClick = [this](TKyv_DBNavigator *) { actDelTarif->trigger(); };
    navTarif->OnEditBtnClick = [this](TKyv_DBNavigator *) { actEditTarif->trigger(); };
    auto *tsTarif = new QWidget;
    tsTarif->setObjectName(QStringLiteral("tsTarif"));
    auto *tarifLayout = new QHBoxLayout(tsTarif);
    tarifLayout->setContentsMargins(0, 0, 0, 0);
    tarifLayout->addWidget(navTarif);
    tarifLayout->addWidget(dbgTarif, 1);

    dbgLinkedServ = new TKyv_DBGridEh;
    dbgLinkedServ->setObjectName(QStringLiteral("dbgLinkedServ"));
    dbgLinkedServ->SetReadOnly(true);
    dbgLinkedServ->SetDataSource(source(this, "dsLinkedServ", odsLinkedServ, false));
    AddGridColumn(dbgLinkedServ, "SERV_DESCR", QStringLiteral("Наименование"), 240);
    dbgLinkedServ->OnDblClick = [this](TCustomDBGridEh *) { guard([this] { LinkedServDblClick(); }); };

    pcServInfo = new QTabWidget(tsList);
    pcServInfo->setObjectName(QStringLiteral("pcServInfo"));
    pcServInfo->addTab(tsTarif, QStringLiteral("Тарифы"));
    pcServInfo->addTab(dbgLinkedServ, QStringLiteral("Связанные услуги"));

    auto *right = new QWidget(tsList);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(toolBar);
    rightLayout->addWidget(dbgServ, 3);
    rightLayout->addWidget(pcServInfo, 2);
    auto *splitter = new QSplitter(tsList);
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(tsList);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);

    // Insert and F2 act on the tariffs while they have the focus and on the services everywhere else, so that
    // neither key is claimed twice.
    for (QAction *a : { actNewTarif, actDelTarif, actEditTarif }) {
        removeAction(a);
        tsTarif->addAction(a);
    }
    for (QAction *a : { actNewService, actEditService }) {
        removeAction(a);
        for (QWidget *w : { left, static_cast<QWidget *>(dbgServ), static_cast<QWidget *>(dbgLinkedServ), tsDetail })
            w->addAction(a);
    }
}

void TfrmServTypeGuide::CreateDetailPage()
{
    auto tagged = [this](QWidget *w, const char *name, int tag) {
        w->setObjectName(QString::fromLatin1(name));
        w->setProperty("Tag", tag);
        w->installEventFilter(this);
    };
    auto edit = [&](TDBEditEh *&e, const char *name, const char *fieldName, int tag) {
        e = new TDBEditEh(tsDetail);
        e->SetDataSource(dsServ);
        e->SetDataField(QString::fromLatin1(fieldName));
        tagged(e, name, tag);
    };
    auto lookup = [&](TDBLookupComboboxEh *&l, const char *name, const char *fieldName, int tag, TDataSet *list,
                      const char *key, const char *text) {
        l = new TDBLookupComboboxEh(tsDetail);
        l->SetDataSource(dsServ);
        l->SetDataField(QString::fromLatin1(fieldName));
        l->SetListSource(source(this, "dsLookup", list, false));
        l->SetKeyField(QString::fromLatin1(key));
        l->SetListField(QString::fromLatin1(text));
        tagged(l, name, tag);
    };
    edit(edtServCode, "edtServCode", "SERV_CODE", 1);
    edit(edtServDescr, "edtServDescr", "SERV_DESCR", 2);
    lookup(lcbServType, "lcbServType", "SERVTYPE_ID", 3, odsServType, "SERVTYPE_ID", "DESCR");
    lookup(lcbChildServ, "lcbChildServ", "CHILDSERV_ID", 4, odsChildServLookup, "SERV_ID", "SERV_DESCR");
    lcbChildServ->setToolTip(QStringLiteral("Родительская услуга к которой подчинена текущая услуга"));
    lookup(lcbServPackage, "lcbServPackage", "SERV_PACKAGE_ID", 4, odsServPackageLookup, "SERV_PACKAGE_ID",
        "SERV_PACKAGE_DESCR");
    lcbServPackage->setToolTip(QStringLiteral("Тарифный план (Пакет услуг) к которому относится данная услуга"));
    edit(edtNotice, "edtNotice", "NOTICE", 0);

    gbCAS = new QGroupBox(QStringLiteral("CAS"), tsDetail);
    gbCAS->setObjectName(QStringLiteral("gbCAS"));
    chkDtvPackage = new TDBCheckBoxEh(gbCAS);
    chkDtvPackage->setObjectName(QStringLiteral("chkDtvPackage"));
    chkDtvPackage->SetCaption(QStringLiteral("DTV пакет"));
    chkDtvPackage->SetValueChecked(QStringLiteral("1"));
    chkDtvPackage->SetValueUnchecked(QStringLiteral("0"));
    chkDtvPackage->SetDataSource(dsServ);
    chkDtvPackage->SetDataField(QStringLiteral("IS_DTV_PACKAGE"));
    chkDtvPackage->OnClick = [this](QObject *) { guard([this] { checkBtns(); }); };
    edtDtvPackageCode = new TDBNumberEditEh(gbCAS);
    edtDtvPackageCode->setObjectName(QStringLiteral("edtDtvPackageCode"));
    edtDtvPackageCode->SetDataSource(dsServ);
    edtDtvPackageCode->SetDataField(QStringLiteral("DTV_PACKAGE_CODE"));
    auto *casLayout = new QFormLayout(gbCAS);
    casLayout->addRow(chkDtvPackage);
    casLayout->addRow(QStringLiteral("CAS код пакета"), edtDtvPackageCode);
    gbVoyager = new QGroupBox(QStringLiteral("Voyager"), tsDetail);
    gbVoyager->setObjectName(QStringLiteral("gbVoyager"));
    chkUseVoyager = new TDBCheckBoxEh(gbVoyager);
    chkUseVoyager->setObjectName(QStringLiteral("chkUseVoyager"));
    chkUseVoyager->SetCaption(QStringLiteral("активация / блокировка"));
    chkUseVoyager->SetValueChecked(QStringLiteral("1"));
    chkUseVoyager->SetValueUnchecked(QStringLiteral("0"));
    chkUseVoyager->SetDataSource(dsServ);
    chkUseVoyager->SetDataField(QStringLiteral("USE_VOYAGER"));
    chkUseVoyager->OnClick = [this](QObject *) { guard([this] { checkBtns(); }); };
    (new QVBoxLayout(gbVoyager))->addWidget(chkUseVoyager);

    auto *packageButton = new QPushButton(QStringLiteral("..."), tsDetail);
    packageButton->setObjectName(QStringLiteral("btnSelectServicePackage"));
    connect(packageButton, &QPushButton::clicked, actSelectServicePackage, &QAction::trigger);
    auto *package = new QHBoxLayout;
    package->addWidget(lcbServPackage, 1);
    package->addWidget(packageButton);
    auto *apply = new QPushButton(QStringLiteral("Готово"), tsDetail);
    apply->setObjectName(QStringLiteral("btnApply"));
    connect(apply, &QPushButton::clicked, actApply, &QAction::trigger);
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), tsDetail);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(cancel, &QPushButton::clicked, actCancel, &QAction::trigger);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Код *"), edtServCode);
    form->addRow(QStringLiteral("Наименование *"), edtServDescr);
    form->addRow(QStringLiteral("Тип *"), lcbServType);
    form->addRow(QStringLiteral("Подчинение *"), lcbChildServ);
    form->addRow(QStringLiteral("Пакет услуг *"), package);
    form->addRow(QStringLiteral("Примечание"), edtNotice);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(tsDetail);
    layout->addLayout(form);
    layout->addWidget(gbCAS);
    layout->addWidget(gbVoyager);
    layout->addStretch();
    layout->addLayout(buttons);
}
