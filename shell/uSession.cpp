#include "uSession.h"

#include "MoneyRule.h"
#include "dmuRDM.h"
#include "frmuPasswordDlg.h"
#include "Exceptions.h"
#include "uLog.h"
#include "uSettings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

namespace Session {

QStringList ListOfConnections(const QString &folder)
{
    QStringList names;
    const QDir dir(folder);
    if (!dir.exists())
        return names;
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.udl")}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo &file : files) {
        const QString name = file.fileName().section(QLatin1Char('.'), 0, 0);
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    return names;
}

bool Login(const QString &connectionsFolder)
{
    if (!DMR)
        return false;
    try {
        TAppSettings &s = AppSettings();
        QString user = s.logonUserName;
        QString password = s.sessionPassword;
        QString database = s.logonDataBase;
        if (!ExecuteLoginDialog(user, password, database, ListOfConnections(connectionsFolder)))
            return false;
        s.logonUserName = user;
        s.sessionPassword = password;
        s.logonDataBase = database;

        QApplication::setOverrideCursor(Qt::WaitCursor);
        DMR->SetConnectionsFolder(connectionsFolder);
        DMR->DbLogON(user, password, database);
        // A login without rights still connects; the caller refuses it with its own message.
        const bool connected = DMR->Get_DatabaseConnectStatus();
        QApplication::processEvents();
        QApplication::restoreOverrideCursor();
        return connected;
    } catch (const std::exception &e) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        LogError(exceptionMessage(e));
        return false;
    }
}

void LogOut()
{
    if (DMR)
        DMR->DbLogOut();
}

bool IsDatabaseConnected()
{
    return DMR && DMR->Get_DatabaseConnectStatus();
}

QString GetLoginName()
{
    return DMR ? DMR->UserName().toUpper() : QString();
}

bool UserHasRights()
{
    return DMR && DMR->UserId() != -1;
}

TMainCfg ReadMainCfg()
{
    TMainCfg cfg;
    if (!IsDatabaseConnected())
        return cfg;
    QSqlQuery q = DMR->dbConnection()->OpenQuery(
        QStringLiteral("select ACC_DATE, DEBTMODE from ZOLT.MAIN_CFG order by CFG_ID"));
    if (q.next()) {
        cfg.exists = true;
        cfg.accDate = ColumnDate(q.value(0));
        cfg.debtMode = q.value(1).toInt();
    }
    return cfg;
}

void InsertDefaultMainCfg(const QDate &today)
{
    const QDateTime firstOfMonth(QDate(today.year(), today.month(), 1), QTime(0, 0));
    TADOConnection *c = DMR->dbConnection();
    DMR->StartTransactionIfNone();
    try {
        c->Execute(QStringLiteral("insert into ZOLT.MAIN_CFG (CFG_ID, COMPANY_ID, INIT_DATE, ACC_DATE, ACC_DAY, "
                                  "DEBTMODE, CUSTVALIDSUM) values (:P_ID, 1, :P_INIT, :P_ACC, 10, 0, 1000)"),
                   {{QStringLiteral("P_ID"), DMR->GetNextNo(QStringLiteral("CFG_ID"), QStringLiteral("ZOLT.MAIN_CFG"))},
                    {QStringLiteral("P_INIT"), firstOfMonth},
                    {QStringLiteral("P_ACC"), firstOfMonth}});
    } catch (...) {
        c->RollbackTrans();
        throw;
    }
    DMR->CommitWork();
}

} // namespace Session
