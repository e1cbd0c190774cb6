#pragma once

#include "DataSetProvider.h"
#include "Kyv_db.h"
#include "MemTable.h"
#include "dmuRDM.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>

class TDMR;

// ---- Hooks the shell fills (it lies above this layer) ----

// The shared handler of a client dataset's failed row: logs it and shows it. The dataset then cancels the
// row's change. `dataSetName` labels the failure ("TDM.cdsMainCFGReconcileError").
using ReconcileErrorSink = std::function<void(const QString &dataSetName, TUpdateKind kind, const QString &message,
                                              const QString &context)>;
// Installs the handler and answers the previous one; without one the failure goes to platformLog as an error.
ReconcileErrorSink setReconcileErrorSink(ReconcileErrorSink sink);
// Reports one failed row through the installed handler.
void ReportReconcileError(const QString &dataSetName, TUpdateKind kind, const QString &message,
                          const QString &context);

// The program's own request to end (the main window's close-application message), sent after the
// initialisation date of the configuration changed; without a main window nothing happens.
using CloseApplicationHook = std::function<void()>;
CloseApplicationHook setCloseApplicationHook(CloseApplicationHook hook);

// The client side's door to the database: the providers over the session's server datasets, the configuration
// row, the logged-on user's row, the filter record, the login and logout. The windows reach TDMR's operations
// through it under the names they know; where an operation needs the configuration row (the open month, the
// debt mode, the initialisation date) this module supplies it. The connect flow that uses all this lies in the
// shell's session unit; the database, its statements and the accounting engine lie in TDMR.
class TDM : public QObject
{
    Q_OBJECT
public:
    // `arguments` are the program's arguments (the first is the program): "remoteserver" selects the remote
    // mode, in which the connection status is false and logout does not disconnect.
    explicit TDM(TDMR *dmr, QObject *parent = nullptr, const QStringList &arguments = {});
    ~TDM() override;

    // ---- Providers and datasets
    // A provider by name ("dspCustomer"); null when there is none. The providers of the windows' client datasets.
    TDataSetProvider *Provider(const QString &name) const;
    // The server dataset a provider wraps, by name ("odsCustomer"); null when there is none.
    TKyv_ADODataSet *ServerDataSet(const QString &name) const;
    QStringList ProviderNames() const;

    TKyv_ClientDataSet *cdsMainCFG() const { return m_cdsMainCFG.get(); }
    TKyv_ClientDataSet *cdsAppUser() const { return m_cdsAppUser.get(); }
    // The districts (AREA_ID, AREA_NAME) and sub-areas (SUBAREA_ID, SUBAREA_NAME) for the filters' drop-downs,
    // read-only, every row by name, the "any" row 0 first.
    TKyv_ClientDataSet *cdsAreaList() const { return m_cdsAreaList.get(); }
    TKyv_ClientDataSet *cdsSubAreaList() const { return m_cdsSubAreaList.get(); }
    TKyv_ClientDataSet *cdsReportServList() const { return m_cdsReportServList.get(); }
    TKyv_ClientDataSet *cdsReportPaymentsByServ() const { return m_cdsReportPaymentsByServ.get(); }
    TMemTable *mdTempCFG() const { return m_mdTempCFG.get(); }
    // The companies the configuration row may name: COMPANY_ID, COMPANY_NAME.
    TKyv_ADODataSet *odsCompanyLookUp() const { return m_odsCompanyLookUp.get(); }

    // Every editable client dataset follows this rule: after a post or a delete its changes are applied at once
    // (no error limit) and committed; a record being edited is posted before a close; a failed row goes to the
    // shared reconcile handler under `label` and its change is cancelled.
    void InstallUpdateRule(TClientDataSet *dataSet, const QString &label);

    // ---- Session
    // Offers the connection files of the connections folder in the login dialog and logs on with what was
    // entered; true when the connection is open (also for a user without an APP_USER row: UserId() is then -1).
    // Never raises: failures are logged.
    bool Login();
    // Why the last Login found no open connection, in the engine's words; empty when it connected or when the
    // dialog was cancelled.
    QString LastLoginError() const { return m_lastLoginError; }
    // What kind of failure that was: Cancelled for a cancelled or missing dialog, None when it connected.
    TLogonFailure LastLoginFailure() const { return m_lastLoginFailure; }
    // Closes every open client dataset of the module and, in local mode, logs out of the database.
    void LogOut();
    bool IsDatabaseConnected() const;
    // The names offered by the login dialog: each "*.udl" file of the folder up to its first ".".
    static QStringList DatabaseChoices(const QString &connectionsFolder);
    // The login dialog (the shell installs it): shows the database choices with the values it is given; when the
    // user confirms, the three strings hold what was entered and the answer is true. A cancelled or missing
    // dialog makes the login answer false.
    std::function<bool(QString &userName, QString &password, QString &database, const QStringList &choices)>
        LoginDialog;
    // The values the login dialog starts with; they keep what was entered last.
    QString RememberedUserName, RememberedPassword, RememberedDatabase;

    bool InitDM();
    int GetKindDM() const { return m_kindDM; }
    void SetKindDM(int kind) { m_kindDM = kind; }
    double UserId() const { return m_userId; }
    QString PeriodText() const { return m_periodText; }

    bool LogUserAction(const QVariant &entryId, const QString &text, const QString &sourceName);

    // ---- TDMR's operations under the windows' names (the key look-ups timed for the event monitor)
    double GetNextNo(const QString &keyField, const QString &table, const QString &condition = {},
                     const TParams &params = {});
    double GetMinId(const QString &field, const QString &table, const QString &condition = {},
                    const TParams &params = {});
    bool CommitWork();
    bool ExecSqlScript(const QString &script);
    bool GetNextSeqValue(const QString &sequenceName, QVariant &value);
    bool IsReferenced(const QString &field, const QString &table, const QVariant &value);
    int GetRecordsCount(const QString &table, const QString &condition = {}, const TParams &params = {});
    QString GetLoginName() const;
    int GetDbmsKind() const;
    int GetFirstCustCodeWithDebt();
    double GetFirstSubscrPaySum(const QDate &date);
    int GetClientInfo(const QString &accountNo, QString &info);
    QString GetStreetHouseIds(const QVariant &streetId);
    QString GetHouseIdsByNo(const QString &houseNo);
    QString GetHouseId(const QVariant &streetId, const QString &houseNo);
    QString GetCustCode(const QVariant &houseId, const QString &flatNo);
    void RebuildStreetCustCodes(const QVariant &streetId);
    bool GetCust_PropList(QStringList &list);
    void SetCustMainSmartCard(const QVariant &customerId, const QVariant &cardId);
    void RecalcAllCustomers();
    void RecalcPayersDebt();
    // Reopens the month before the open one (TDMR::ReturnAccPeriod) with the configuration's INIT_DATE.
    bool ReturnAccPeriod();

    // ---- Configuration row
    // What the session and the main window read of the configuration row.
    struct TMainCfg
    {
        bool exists = false;
        QDate accDate;
        int debtMode = 0;
    };
    // Opens cdsMainCFG when it is closed or, with `reopen`, reads it afresh; an empty answer when the database
    // is not connected. A failing query raises.
    TMainCfg OpenMainCFG(bool reopen = false);
    // The first connect on an empty configuration table writes one complete row: the company 1, the
    // initialisation date and the open month at the first of the current month, ACC_DAY 10, DEBTMODE 0,
    // CUSTVALIDSUM 1000. Opens cdsMainCFG; true when it holds a row afterwards. A failed key look-up raises and
    // writes nothing.
    bool CreateDefaultMainCFG();
    // Applies the pending changes of cdsMainCFG (no error limit) and commits.
    void ApplyMainCFG();
    // Queues the customer for recalculation from the month of `changedDate`, against the open month.
    void MarkInvalidCustDebt(const QVariant &customerId, const QVariant &changedDate);
    // Recalculates the month of `date` for the customer; the result of the recalculation.
    bool CheckCustDebtFrom(const QVariant &customerId, const QDate &date);
    // The initialisation date and the open month as the configuration row last had them (read at open, kept
    // after every post): an INIT_DATE that differs from this copy is a change of the initialisation date.
    QDate InitDate() const { return m_initDate; }
    QDate AccDate() const { return m_accDate; }

    // ---- Filter record
    // The work date of the filter record (mdTempCFG) becomes `date`; the record stays in edit state.
    void SetWorkDate(const QDate &date);

private:
    void CreateProviders();
    TKyv_ClientDataSet *MakeClient(std::unique_ptr<TKyv_ClientDataSet> &holder, const QString &name,
                                   const QString &providerName);
    void CreateMainCFG();
    void CreateAppUser();
    void CreateTempCFG();
    void SetTempCFGDefaultValues();
    void MainCFGBeforePost();
    void MainCFGAfterPost();
    void CloseClientDataSets();
    int DebtMode() const;

    QPointer<TDMR> m_dmr;
    std::map<QString, std::unique_ptr<TKyv_ADODataSet>> m_serverDataSets;
    std::map<QString, std::unique_ptr<TDataSetProvider>> m_providers;
    std::unique_ptr<TKyv_ADODataSet> m_odsCompanyLookUp, m_odsCompanyLocationLookup;
    std::unique_ptr<TKyv_ClientDataSet> m_cdsMainCFG, m_cdsAppUser, m_cdsAreaList, m_cdsSubAreaList,
        m_cdsReportServList, m_cdsReportPaymentsByServ;
    std::unique_ptr<TMemTable> m_mdTempCFG;
    int m_kindDM = 1;
    double m_userId = -1;
    QString m_lastLoginError;
    TLogonFailure m_lastLoginFailure = TLogonFailure::None;
    QString m_periodText;
    QStringList m_list;
    QDate m_initDate, m_accDate;
};

extern TDM *DM;
