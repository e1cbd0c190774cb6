#include "uSession.h"

#include "MoneyRule.h"
#include "Periods.h"
#include "dmuDM.h"
#include "dmuRDM.h"
#include "frmuPasswordDlg.h"
#include "uSettings.h"

namespace Session {

namespace {

QDate dateField(TDataSet *ds, const char *name)
{
    return ColumnDate(ds->FieldByName(QString::fromLatin1(name))->Value());
}

} // namespace

bool Login(const QString &connectionsFolder)
{
    if (!DM || !DMR)
        return false;
    TAppSettings &s = AppSettings();
    DM->LoginDialog = ExecuteLoginDialog;
    DM->RememberedUserName = s.logonUserName;
    DM->RememberedPassword = s.sessionPassword;
    DM->RememberedDatabase = s.logonDataBase;
    DMR->SetConnectionsFolder(connectionsFolder);
    const bool connected = DM->Login();
    s.logonUserName = DM->RememberedUserName;
    s.sessionPassword = DM->RememberedPassword;
    s.logonDataBase = DM->RememberedDatabase;
    return connected;
}

QString LastLoginError()
{
    return DM ? DM->LastLoginError() : QString();
}

void LogOut()
{
    if (DM)
        DM->LogOut();
}

bool IsDatabaseConnected()
{
    return DM && DM->IsDatabaseConnected();
}

QString GetLoginName()
{
    return DM ? DM->GetLoginName() : QString();
}

bool UserHasRights()
{
    return DM && DM->UserId() != -1;
}

TMainCfg ReadMainCfg(bool reopen)
{
    TMainCfg cfg;
    if (!IsDatabaseConnected())
        return cfg;
    TKyv_ClientDataSet *ds = DM->cdsMainCFG();
    if (reopen && ds->Active())
        ds->Close();
    if (!ds->Active())
        ds->Open();
    if (ds->RecordCount() > 0) {
        ds->First();
        cfg.exists = true;
        cfg.accDate = dateField(ds, "ACC_DATE");
        cfg.debtMode = ds->FieldByName(QStringLiteral("DEBTMODE"))->Value().toInt();
    }
    return cfg;
}

void CloseMainCfg()
{
    if (DM && DM->cdsMainCFG()->Active())
        DM->cdsMainCFG()->Close();
}

void InsertDefaultMainCfg(const QDate &today)
{
    TKyv_ClientDataSet *ds = DM->cdsMainCFG();
    if (!ds->Active())
        ds->Open();
    const QDateTime firstOfMonth(StartOfMonth(today), QTime(0, 0));
    ds->Append();
    const auto set = [ds](const char *name, const QVariant &value) {
        ds->FieldByName(QString::fromLatin1(name))->SetValue(value);
    };
    set("COMPANY_ID", 1);
    set("INIT_DATE", firstOfMonth);
    set("ACC_DATE", firstOfMonth);
    set("ACC_DAY", 10);
    set("DEBTMODE", 0);
    set("CUSTVALIDSUM", 1000);
    // The update rule applies and commits the row.
    ds->Post();
}

void StartWorkDate(const QDate &today)
{
    TMemTable *temp = DM->mdTempCFG();
    if (!temp->Active())
        temp->Open();
    if (temp->RecordCount() == 0)
        temp->Append();
    else if (temp->State() != dsEdit && temp->State() != dsInsert)
        temp->Edit();
    temp->FieldByName(QStringLiteral("WORK_DATE"))->SetValue(QDateTime(today, QTime(0, 0)));
}

} // namespace Session
