// The customer list's filter actions: the settings dialog, the master switch, the preset and the builder.
#include "frmuCustomer.h"

#include "Guard.h"
#include "Kyv_DBGridEh.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "Services.h"
#include "dmuCust.h"
#include "dmuDM.h"
#include "frmuCustFilterOptions.h"
#include "uCustFilter.h"
#include "uSettings.h"

#include <QAction>
#include <QDateTime>
#include <QTabWidget>
#include <QToolBar>

void TfrmCustomer::CreateFilterActions(QToolBar *toolBar)
{
    const auto make = [this](QAction *&action, const char *name, const QString &caption, void (TfrmCustomer::*run)()) {
        action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, guarded([this, run](bool) { (this->*run)(); }));
        addAction(action);
    };
    make(actFilter, "actFilter", QStringLiteral("Настройка условий отбора"), &TfrmCustomer::actFilterExecute);
    make(actFilterStatus, "actFilterStatus", QStringLiteral("Фильтр"), &TfrmCustomer::actFilterStatusExecute);
    actFilterStatus->setCheckable(true);
    make(actFilterNotSend, "actFilterNotSend", QStringLiteral("Должники (Не отсылались письма) и откл. за неуплату"),
        &TfrmCustomer::actFilterNotSendExecute);
    make(actCheckFilter, "actCheckFilter", QStringLiteral("Применить фильтр"), &TfrmCustomer::actCheckFilterExecute);
    toolBar->addActions({ actFilterStatus, actFilter, actFilterNotSend });
}

void TfrmCustomer::actCheckFilterExecute()
{
    TKyv_ClientDataSet *c = custDM ? custDM->cdsCustomer() : nullptr;
    if (!c || !DM)
        return;
    // The list stays still while its query changes; it comes back whatever the build does.
    dbgCustomer->setUpdatesEnabled(false);
    const struct Release
    {
        QWidget *grid;
        ~Release() { grid->setUpdatesEnabled(true); }
    } release { dbgCustomer };
    const bool filterOn = actFilterStatus->isChecked();
    TMemTable *record = DM->mdTempCFG();
    const QString houseNo = ChosenHouseNo(custDM->ClientDataSet(QStringLiteral("cdsCustFiltHouseNoLookup")), record);
    ApplyCustFilter(c, filterOn, BuildCustFilter(record, filterOn, houseNo));
}

void TfrmCustomer::actFilterExecute()
{
    if (TKyv_ClientDataSet *c = custDM ? custDM->cdsCustomer() : nullptr)
        c->DeleteCustomIndexes();
    actFilterStatus->setChecked(executeCustFilterOptions());
    CheckBtns();
    actCheckFilterExecute();
}

void TfrmCustomer::actFilterStatusExecute()
{
    pcAddInfo->setCurrentIndex(0);
    CheckBtns();
    actCheckFilterExecute();
}

void TfrmCustomer::actFilterNotSendExecute()
{
    if (!DM)
        return;
    // The preset starts from a filter record of defaults.
    TMemTable *record = DM->mdTempCFG();
    if (record->State() == dsEdit || record->State() == dsInsert)
        record->Cancel();
    if (!record->IsEmpty())
        record->Delete();
    record->Append();
    const auto set = [record](const char *name, const QVariant &value) {
        record->FieldByName(QString::fromLatin1(name))->SetValue(value);
    };
    set("CHECK_DEBT", 1);
    set("Period_Sgn2", 1);
    set("CustLetterNotSgn2", 1);
    set("CustLetter_Sgn2", 1);
    set("LetterTypeId2", 0);
    // No lower bound: every letter up to now counts.
    set("DATE_FROM2", QVariant());
    set("DATE_TO2", Services::clock()->now());
    set("STATE_6", 1);
    actFilterExecute();
}

void TfrmCustomer::FilterBeforeFirstOpen()
{
    TKyv_ClientDataSet *c = custDM ? custDM->cdsCustomer() : nullptr;
    if (c && !c->Active() && AppSettings().showCustFilter)
        actFilter->trigger();
}
