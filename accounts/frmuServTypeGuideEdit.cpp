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
#include "frmuGuide.h"
#include "frmuMain.h"
#include "frmuServicePackageGuide.h"
#include "uCommon.h"
#include "uGuides.h"
#include "uLog.h"
#include "uServTarifs.h"
#include "XmlSettingsStorage.h"
#include "uSettings.h"
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

using namespace servtypeguide;

// ---- Opening and closing

void TfrmServTypeGuide::Setup(const QVariant &initKey, int mode)
{
    m_initKey = initKey;
    m_currentKey = initKey;
    m_mode = mode;
    pcMain->setCurrentWidget(tsList);
    pcServInfo->setCurrentIndex(0);
    actFilter->setChecked(false);
}

void TfrmServTypeGuide::openDataSets()
{
    trace("openDataSets");
    odsServicePackage->Open();
    // A key of another package than the first opens on its own package, so that the pick starts at it.
    if (!isNullValue(m_initKey) && DMR) {
        const QVariant package = DMR->dbConnection()->SelectValue(
            ServicePackageOfServiceStatement(),
            { { QStringLiteral("P_SERV_ID"), m_initKey } });
        if (!isNullValue(package))
            odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), package.toInt());
    }
    if (!cdsServ->Active())
        PackageScrolled();
    odsServType->Open();
    odsChildServLookup->Open();
    odsServPackageLookup->Open();
    if (DM) {
        TMemTable *cfg = DM->mdTempCFG();
        if (!cfg->Active())
            cfg->Open();
        if (cfg->RecordCount() == 0)
            cfg->Append();
        else if (!editing(cfg))
            cfg->Edit();
        field(cfg, "FILTER_SERV_PACKAGE_ID")->SetValue(-1);
    }
    if (hasRows(cdsServ) && !isNullValue(m_initKey))
        cdsServ->Locate(QStringLiteral("SERV_ID"), m_initKey);
    checkBtns();
}

void TfrmServTypeGuide::PostPending()
{
    for (TDataSet *ds : std::initializer_list<TDataSet *> { cdsTarif, cdsServ })
        if (ds->Active() && editing(ds)) {
            // A change the database or the rules refuse is dropped rather than kept half-done.
            if (!guard([ds] { ds->Post(); }) && editing(ds))
                ds->Cancel();
        }
}

void TfrmServTypeGuide::closeDataSets()
{
    trace("closeDataSets");
    PostPending();
    for (TDataSet *ds : std::initializer_list<TDataSet *> { cdsTarif, odsChildServLookup, odsServPackageLookup, cdsServ,
             odsServType, odsLinkedServ, odsServicePackage })
        ds->Close();
}

void TfrmServTypeGuide::PackageScrolled()
{
    if (!odsServicePackage->Active())
        return;
    m_selectedPackageId = odsServicePackage->IsEmpty() ? QVariant()
                                                       : field(odsServicePackage, "SERV_PACKAGE_ID")->Value();
    LogDebug(QStringLiteral("SERV_PACKAGE_ID=") + m_selectedPackageId.toString());
    if (cdsServ->Active() && editing(cdsServ))
        return;
    cdsServ->Close();
    cdsServ->Params().ParamByName(QStringLiteral("P_SERV_PACKAGE_ID"))
        .SetValue(isNullValue(m_selectedPackageId) ? QVariant(-2) : m_selectedPackageId);
    cdsServ->Open();
    ServScrolled();
}

void TfrmServTypeGuide::ServScrolled()
{
    ReadTarifs();
    odsLinkedServ->Close();
    odsLinkedServ->Params().ParamByName(QStringLiteral("P_SERV_ID"))
        .SetValue(hasRows(cdsServ) ? field(cdsServ, "SERV_ID")->Value() : QVariant(-2));
    odsLinkedServ->Open();
}

void TfrmServTypeGuide::ReadTarifs()
{
    if (cdsTarif->Active() && editing(cdsTarif))
        return;
    cdsTarif->Close();
    cdsTarif->Params().ParamByName(QStringLiteral("P_SERV_ID"))
        .SetValue(hasRows(cdsServ) && cdsServ->State() != dsInsert ? field(cdsServ, "SERV_ID")->Value() : QVariant(-2));
    cdsTarif->Open();
}

// ---- Services

void TfrmServTypeGuide::ServNewRecord()
{
    trace("cdsServNewRecord");
    const TNewServiceDefaults d = NewServiceDefaults(DM, m_selectedPackageId);
    field(cdsServ, "SERV_ID")->SetValue(d.servId);
    field(cdsServ, "SERV_CODE")->SetValue(d.servCode);
    field(cdsServ, "IS_DTV_PACKAGE")->SetValue(d.isDtvPackage);
    field(cdsServ, "DTV_PACKAGE_CODE")->SetValue(d.dtvPackageCode);
    field(cdsServ, "SERV_PACKAGE_ID")->SetValue(d.servPackageId);
    field(cdsServ, "SERVTYPE_ID")->SetValue(d.servTypeId);
    field(cdsServ, "CHILDSERV_ID")->SetValue(d.childServId);
    field(cdsServ, "USE_VOYAGER")->SetValue(0);
}

void TfrmServTypeGuide::ServBeforePost()
{
    trace("cdsServBeforePost");
    if (!ServTypeHasParent(field(cdsServ, "SERVTYPE_ID")->AsInteger()))
        field(cdsServ, "CHILDSERV_ID")->SetValue(-1);
}

void TfrmServTypeGuide::ServAfterPost()
{
    trace("cdsServAfterPost");
    if (!cdsServ->Active() || cdsServ->IsEmpty())
        return;
    odsChildServLookup->Close();
    // The type's and the parent's names come with the list's join, which re-reading the row from its own table
    // leaves as they were posted (empty for a new service): the list is read again to show them at once.
    cdsServ->Refresh();
    odsChildServLookup->Open();
    const QVariant servId = field(cdsServ, "SERV_ID")->Value();
    // Every service starts with a tariff of 0 from the initialisation date up to the open end.
    if (DMR && isNullValue(LastTarifId(DMR, servId))) {
        QDate initDate = DM ? DM->InitDate() : QDate();
        if (!initDate.isValid())
            initDate = DMR->InitDate();
        int tarifId = 0;
        QString error;
        if (!AddServiceTarif(DMR, servId, QVariant(), initDate, 0, tarifId, error))
            Services::messages()->error(error);
    }
    ServScrolled();
}

bool TfrmServTypeGuide::validateInput()
{
    trace("validateInput");
    if (editing(cdsServ))
        cdsServ->UpdateRecord();
    if (field(cdsServ, "SERV_DESCR")->AsString().trimmed().isEmpty()) {
        Services::messages()->error(QStringLiteral("Не введено наименование пакета услуг"));
        edtServDescr->setFocus();
        return false;
    }
    if (!AppSettings().useCAS && field(cdsServ, "IS_DTV_PACKAGE")->AsInteger() == 1) {
        Services::messages()->error(QStringLiteral("Режим использования CAS не включен"));
        chkDtvPackage->setFocus();
        return false;
    }
    return true;
}

void TfrmServTypeGuide::actNewServiceExecute()
{
    trace("actNewServiceExecute");
    pcMain->setCurrentWidget(tsDetail);
    if (cdsServ->Active() && !editing(cdsServ)) {
        cdsServ->Last();
        cdsServ->Append();
        lcbServPackage->setFocus();
        QApplication::processEvents();
    }
    checkBtns();
}

void TfrmServTypeGuide::actEditServiceExecute()
{
    trace("actEditServiceExecute");
    pcMain->setCurrentWidget(tsDetail);
    if (cdsServ->Active() && !editing(cdsServ)) {
        cdsServ->Edit();
        edtServDescr->setFocus();
        QApplication::processEvents();
    }
    checkBtns();
}

void TfrmServTypeGuide::actDelServExecute()
{
    trace("actDelServExecute");
    if (!hasRows(cdsServ))
        return;
    if (DM && DM->IsReferenced(QStringLiteral("SERV_ID"), QStringLiteral("TARIF"), field(cdsServ, "SERV_ID")->Value())) {
        Services::messages()->warning(QStringLiteral("Данный пакет услуг удалить нельзя, т.к. он содержит тарифы"));
        return;
    }
    if (ConfirmDeleteRecord(QStringLiteral("RU"), field(cdsServ, "SERV_DESCR")->AsString()))
        cdsServ->Delete();
}

void TfrmServTypeGuide::actApplyExecute()
{
    trace("actApplyExecute");
    if (editing(cdsServ) && !validateInput())
        return;
    pcMain->setCurrentWidget(tsList);
    if (editing(cdsServ))
        cdsServ->Post();
    checkBtns();
}

void TfrmServTypeGuide::actCancelExecute()
{
    trace("actCancelExecute");
    pcMain->setCurrentWidget(tsList);
    if (editing(cdsServ))
        cdsServ->Cancel();
    checkBtns();
}

void TfrmServTypeGuide::actMrOkExecute()
{
    trace("actMrOkExecute");
    if (!hasRows(cdsServ) || m_mode != 1 || !actMrOk->isEnabled())
        return;
    m_currentKey = field(cdsServ, "SERV_ID")->Value();
    accept();
}

// ---- Tariffs

void TfrmServTypeGuide::TarifNewRecord()
{
    trace("cdsTarifNewRecord");
    QVariant workDate = DM ? field(DM->mdTempCFG(), "WORK_DATE")->Value() : QVariant();
    const QDate from = isNullValue(workDate) ? Services::clock()->today() : workDate.toDateTime().date();
    field(cdsTarif, "TARIF_ID")->SetValue(0);
    field(cdsTarif, "SERV_ID")->SetValue(field(cdsServ, "SERV_ID")->Value());
    field(cdsTarif, "DATE_FROM")->SetValue(QDateTime(from, QTime(0, 0)));
    field(cdsTarif, "DATE_TO")->SetValue(QDateTime(TDMR::OpenEndDate(), QTime(0, 0)));
    field(cdsTarif, "TARIF_SUM")->SetValue(0);
}

void TfrmServTypeGuide::TarifBeforePost()
{
    trace("cdsTarifBeforePost");
    if (cdsTarif->State() != dsInsert || !DMR)
        return;
    const QVariant from = field(cdsTarif, "DATE_FROM")->Value();
    int tarifId = 0;
    QString error;
    if (!AddServiceTarif(DMR, field(cdsTarif, "SERV_ID")->Value(), m_prevTarifId,
            isNullValue(from) ? QDate() : from.toDateTime().date(), field(cdsTarif, "TARIF_SUM")->AsFloat(), tarifId,
            error))
        throw Exception(error);
    field(cdsTarif, "TARIF_ID")->SetValue(tarifId);
    m_tarifStored = true;
}

void TfrmServTypeGuide::TarifAfterPost()
{
    trace("cdsTarifAfterPost");
    m_prevTarifId = QVariant();
    ReadTarifs();
    QApplication::processEvents();
}

void TfrmServTypeGuide::actNewTarifExecute()
{
    trace("actNewTarifExecute");
    if (!cdsServ->Active() || cdsServ->IsEmpty())
        return;
    if (cdsServ->State() == dsEdit)
        cdsServ->Post();
    if (editing(cdsTarif))
        return;
    m_prevTarifId = DMR ? LastTarifId(DMR, field(cdsServ, "SERV_ID")->Value()) : QVariant();
    cdsTarif->Last();
    cdsTarif->Append();
    dbgTarif->SetSelectedIndex(2);
    dbgTarif->setFocus();
}

void TfrmServTypeGuide::actDelTarifExecute()
{
    trace("actDelTarifExecute");
    if (!hasRows(cdsTarif) || !DMR)
        return;
    if (editing(cdsTarif))
        cdsTarif->Cancel();
    cdsTarif->Last();
    if (!Services::messages()->confirm(
            QStringLiteral("Удалить тариф ") + FloatToStr(field(cdsTarif, "TARIF_SUM")->AsFloat()) + QStringLiteral(" ?")))
        return;
    QString error;
    if (!DeleteLastTarif(DMR, field(cdsServ, "SERV_ID")->Value(), error))
        Services::messages()->error(error);
    ReadTarifs();
    cdsTarif->Last();
}

// ---- Packages and connected services

void TfrmServTypeGuide::actSelectServicePackageExecute()
{
    trace("actSelectServicePackageExecute");
    if (cdsServ->Active() && editing(cdsServ)) {
        PickGuideKey(cdsServ, QStringLiteral("SERV_PACKAGE_ID"), executeServicePackageGuide);
        actFilter->setChecked(false);
    } else {
        // Opened only to edit the packages; what it hands back is not used.
        QVariant unused;
        executeServicePackageGuide(0, 1, unused);
    }
    reopen(odsServPackageLookup);
    const QVariant package = m_selectedPackageId;
    reopen(odsServicePackage);
    if (!isNullValue(package))
        odsServicePackage->Locate(QStringLiteral("SERV_PACKAGE_ID"), package);
}

void TfrmServTypeGuide::LinkedServDblClick()
{
    trace("dbgLinkedServDblClick");
    if (!hasRows(cdsServ) || !hasRows(odsLinkedServ))
        return;
    cdsServ->Locate(QStringLiteral("SERV_ID"), field(odsLinkedServ, "SERV_ID")->Value());
    dbgServ->setFocus();
    pcServInfo->setCurrentIndex(0);
}

// ---- Enabling

void TfrmServTypeGuide::checkBtns()
{
    trace("checkBtns");
    if (!cdsServ->Active()) {
        for (QAction *a : { actMrOk, actDelServ, actEditService })
            a->setEnabled(false);
    } else if (!cdsServ->IsEmpty()) {
        actMrOk->setEnabled(m_mode != 0);
        actDelServ->setEnabled(true);
        actEditService->setEnabled(true);
    }
    const int type = cdsServ->Active() ? field(cdsServ, "SERVTYPE_ID")->AsInteger() : -1;
    if (pcMain->currentWidget() == tsDetail && cdsServ->Active() && type == 0) {
        gbCAS->setVisible(AppSettings().useCAS);
        gbVoyager->setVisible(false);
        QPalette p = edtDtvPackageCode->palette();
        p.setColor(QPalette::Base, chkDtvPackage->Checked() ? palette().color(QPalette::Base)
                                                            : palette().color(QPalette::Button));
        edtDtvPackageCode->setPalette(p);
    }
    const bool parentless = cdsServ->Active() && !ServTypeHasParent(type);
    lcbChildServ->setEnabled(!parentless);
    QPalette p = lcbChildServ->palette();
    p.setColor(QPalette::Base, palette().color(parentless ? QPalette::Button : QPalette::Base));
    lcbChildServ->setPalette(p);
}

// ---- Window

bool TfrmServTypeGuide::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == edtSearch && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Down)) {
            dbgServ->setFocus();
            return true;
        }
        const int tag = watched->property("Tag").toInt();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && AppSettings().enterToTab && tag >= 1
            && tag <= 4) {
            QMetaObject::invokeMethod(this, [this] { focusNextChild(); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmServTypeGuide::closeEvent(QCloseEvent *event)
{
    trace("FormClose");
    guard([this] { closeDataSets(); });
    if (DM)
        DM->LogUserAction(-1, QString(), QString());
    QDialog::closeEvent(event);
}

bool executeServTypeGuide(const QVariant &initKey, int mode, QVariant &outKey)
{
    TfrmServTypeGuide form(frmMain);
    // The editor's position and size are kept in the settings file between openings.
    const QString placement = QStringLiteral("frmServTypeGuide");
    RestoreFormPlacement(SettingsStorage(), form, placement);
    form.Setup(initKey, mode);
    guard([&form] { form.openDataSets(); });
    const bool ok = form.exec() == QDialog::Accepted;
    guard([&form] { form.closeDataSets(); });
    guard([&form, &placement] { StoreFormPlacement(SettingsStorage(), form, placement); });
    outKey = ok ? form.CurrentKey() : initKey;
    return ok;
}

void RegisterServiceGuides()
{
    RegisterGuideCommand("executeServTypeGuide", executeServTypeGuide);
    RegisterGuidePicker("pickService", executeServTypeGuide);
}
