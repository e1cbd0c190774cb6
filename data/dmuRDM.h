#pragma once

#include "AdoConnection.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

struct TCustomerActivity;
class TDataSource;
class TKyv_ADODataSet;
class TMemTable;

// Why a logon left no open connection. Each kind has its own remedy (retype the password, pick another database,
// restore the file from a copy, check the network), so each is told in its own words.
enum class TLogonFailure {
    None,
    // The login dialog was cancelled, or there was none: nothing was tried.
    Cancelled,
    // The server refused the user name or the password.
    Credentials,
    // No such database: no connection file, no data file, no database of that name on the server.
    Missing,
    // The data file is there but holds no sound database.
    Damaged,
    // The server does not answer, or the data file may not be read.
    Unreachable,
    Other,
};

// The database data module: the program's one connection to its database and the session operations every
// other part uses (logon, commit, scripts, identifiers, counts, tracing, the structure upgrade), the business
// commands and the accounting engine. It holds no client dataset (TDM holds the client side) and reaches a
// window only through the messages of long operations.
class TDMR : public QObject
{
public:
    explicit TDMR(QObject *parent = nullptr);
    ~TDMR() override;

    TADOConnection *dbConnection() const { return m_connection.get(); }

    // The folder of the ".udl" connection files; a relative data file of the embedded engine lies in the user's
    // data folder. Defaults to "connections" in the user's data folder.
    QString ConnectionsFolder() const { return m_connectionsFolder; }
    void SetConnectionsFolder(const QString &folder) { m_connectionsFolder = folder; }
    static QString DefaultConnectionsFolder();

    // The window told about long operations (AMShowAnimate / AMHideAnimate); none in tests.
    void SetMainWindow(QObject *window) { m_mainWindow = window; }
    void sendToMainWindow(int message);

    // Session state.
    QString UserName() const { return m_userName; }
    void SetUserName(const QString &name);
    QString Password() const { return m_password; }
    void SetPassword(const QString &password);
    QString DatabaseName() const { return m_databaseName; }
    QString DbmsName() const { return m_dbmsName; }
    QString DbmsVersion() const { return m_dbmsVersion; }
    int DbmsKind() const { return m_dbmsKind; }
    double UserId() const { return m_userId; }
    void SetUserId(double id) { m_userId = id; }

    bool DbLogON(const QString &userName, const QString &password, const QString &databaseName);
    // Why the last DbLogON found no open connection, in the engine's words (naming the data file on the
    // embedded engine); empty when it connected.
    QString LastLogonError() const { return m_lastLogonError; }
    // The kind of the last DbLogON's failure; None when it connected.
    TLogonFailure LastLogonFailure() const { return m_lastLogonFailure; }
    // The open database takes no changes: a data file the user may not write, a server in read-only mode.
    bool IsReadOnly() const { return m_connection->Connected() && m_readOnly; }
    bool DbLogOut();
    bool Get_DatabaseConnectStatus() const;
    bool GetUserId();

    bool CommitWork();
    void StartTransactionIfNone();
    // Runs the script's statements in turn (SplitSqlScript) and stops at the first that fails; a script that does
    // not split cleanly runs nothing.
    bool ExecSqlScript(const QString &script);
    // Why the last script stopped (the engine's message, or what keeps it from splitting); empty when it ran
    // through.
    QString LastScriptError() const { return m_lastScriptError; }

    bool GetNextSeqValue(const QString &sequenceName, QVariant &value);
    // Key values travel as numbers: MAX+1, 1 on an empty table. The condition is program text; values in it are
    // bound through params. A failed look-up or count is logged and raises EDatabaseError, never answers 0.
    double GetNextNo(const QString &keyField, const QString &table, const QString &condition = {},
                     const TParams &params = {});
    double GetMinId(const QString &field, const QString &table, const QString &condition = {},
                    const TParams &params = {});
    bool GetRefCount(const QString &field, const QString &table, const QVariant &value);
    int GetRecordsCount(const QString &table, const QString &condition = {}, const TParams &params = {});
    bool ChangeDbPassword(const QString &newPassword);

    // The operator's company of the configuration row; -1 when there is none.
    QVariant GetCfgCompanyId();

    // Structure version and upgrade.
    bool IsDbVersionCurrent();
    bool StampDbVersion();
    // Brings the schema up to the current structure as its owner; false when a step failed (the version is then
    // left unstamped) or the owner could not log on. LastUpgradeError() says what failed.
    bool UpdateDbStructure();
    QString LastUpgradeError() const { return m_lastUpgradeError; }
    // Runs the steps up to and including `lastStep` without stamping: how an older database came to be.
    bool RunUpgradeSteps(int lastStep);
    // Makes the tables that predate the upgrade history, with the rows the program assumes.
    void CreateBaseSchema();

    // ---- Business commands, customer state and tariff checks ----
    // Commands answer false (or their neutral value) when the connection is closed or a statement fails; every
    // command that writes several rows writes them in one transaction. Dates are cut to the day.

    // The date that marks "no end".
    static QDate OpenEndDate() { return QDate(4712, 12, 31); }

    bool newPayDoc(int paySourceId, const QString &docNo, int &docId, const QString &notice, double sum,
                   const QDate &date);
    bool newCustomerPayment(int docId, int customerId, int &paymentId, const QString &notice, double sum,
                            const QDate &date, int servId);
    // A document with its one payment, both written or neither. With a valid `accDate` the customer's queue row
    // from the payment's month (MarkInvalidCustDebt) is written in the same transaction.
    bool newSingleCustomerPayment(int customerId, int paySourceId, int &paymentId, const QString &notice, double sum,
        const QDate &date, const QString &docNo, int servId, const QDate &accDate = {});
    // One payment of an imported register, to a known customer.
    struct TRegisterPayment
    {
        int customerId = -1;
        double sum = 0;
        QDate date;
    };
    // A document of an imported register with its payments (bound to no service, without notice) and a queue row
    // for each paying customer from the month of its earliest payment, in one transaction: all of it or nothing.
    // Rows are written in batches, so that a register of many thousand lines stays a matter of seconds. On
    // failure LastCommandError() gives the engine's message.
    bool newPayDocWithPayments(int paySourceId, const QString &docNo, const QString &notice, double sum,
                               const QDate &date, const QList<TRegisterPayment> &payments, const QDate &accDate,
                               int &docId);
    // The engine's message for the statement that stopped the last command run in a transaction of its own;
    // empty when it went through.
    QString LastCommandError() const { return m_lastCommandError; }
    // Runs `work` as one command in a transaction of its own, earlier work committed first: true when it was
    // committed; on a raised error it is rolled back, logged and kept in LastCommandError().
    bool runOwnTransaction(const std::function<void()> &work);

    // A new subscription writes SUBSCR_SERV and its first period; a reconnection adds a period to the customer's
    // subscription of the service. Without card and contract the contract runs to OpenEndDate and no card is
    // recorded. All or nothing; false when nothing was written.
    bool ActivateSubscr(bool newSubscr, const QVariant &customerId, bool withCardAndContract, int smartCardId,
                        const QVariant &servId, const QVariant &actServId, const QDate &contractEnd,
                        const QDate &startDate);
    // The customer's subscription of the service; null when there is none, "0" when not connected.
    QVariant FindSubscrServId(const QVariant &customerId, const QVariant &servId);
    // Removes every subscription of the customer with its periods; no commit, errors reach the caller.
    void DeleteCustSubscr(const QVariant &customerId);
    // Removes every month balance of the customer, so that the next full recalculation writes them afresh; no
    // commit, errors reach the caller.
    void delCustPayAccount(const QVariant &customerId);
    // Removes the customer with its month balances and its rows of the balance printout, all in one transaction:
    // a refusal of any of them (a row elsewhere still naming the customer) leaves every row. False with the engine's
    // message in LastCommandError() when nothing was deleted.
    bool DeleteCustomer(const QVariant &customerId);
    // Removes a subscription with its periods, both or neither; false with the engine's message in
    // LastCommandError().
    bool DeleteSubscrServ(const QVariant &subscrServId);
    // Records that the customer was sent a letter of the type, dated `letterDate`, under the letter id the
    // caller took from the letters' sequence; no commit, errors reach the caller.
    void cmdInsCustLetter(const QVariant &customerId, const QVariant &custLetterId, int letterTypeId,
                          const QDate &letterDate);

    bool SmartCardExists(const QString &cardNo);
    // Registers `count` cards numbered from `firstNo` up, skipping numbers already there; no commit.
    bool AddSmartCard(const QString &firstNo, int count);
    // Links the card to the customer as the main one unless it is linked already; the caller's commit keeps it.
    void SetCustMainSmartCard(const QVariant &customerId, const QVariant &cardId);

    bool newCustomerTicket(int customerId, int teamId, int &ticketId, const QString &planTimeEnd,
                           const QString &planTimeStart, const QString &notice, const QDate &planDate,
                           const QDate &ticketDate, int statusId);
    bool updateTicket(int ticketId, const QString &notice, int teamId, int statusId, const QString &planTimeEnd,
                      const QString &planTimeStart, const QDate &planDate, const QDate &ticketDate);
    bool TeamExists(int teamId);

    // "street code.house.flat", trimmed; "0" when the house is unknown.
    QString GetCustCode(const QVariant &houseId, const QString &flatNo);
    void RebuildStreetCustCodes(const QVariant &streetId);
    void MergeStreets(const QVariant &, const QVariant &) {}

    int GetFirstCustCodeWithDebt();
    double GetFirstSubscrPaySum(const QDate &date);
    // "0" followed by ",id" for every house: text for an in-list condition.
    QString GetStreetHouseIds(const QVariant &streetId);
    QString GetHouseIdsByNo(const QString &houseNo);
    QString GetHouseId(const QVariant &streetId, const QString &houseNo);
    // The id of the (last) customer with the account, -1 when none; `info` gets "surname initials".
    int GetClientInfo(const QString &accountNo, QString &info);
    QString GetServDescr(const QVariant &servId);
    bool MoreThenOneServ();
    bool GetCust_PropList(QStringList &list);

    // The last inserted payment's sum, offered as the next payment's default.
    double LastPaymentSum = 0;

    // Derives the customer's state from its connection periods and stores it where it differs from what the
    // caller read (the stored values). Commits nothing; a failing query raises.
    void UpdateCustState(const QVariant &customerId, const QVariant &storedState, const QVariant &storedStateDescr,
                         const QVariant &storedCustProp, const QVariant &storedActivizDate);

    // Services whose tariff history ends before OpenEndDate.
    bool HasInvalidTarifs();
    // Completes every such history with a tariff of 0 up to OpenEndDate, under the hourglass and the hint
    // "Проверка тарифов"; a failure is shown to the user and logged, never raised.
    void AutoCorrectTarifs();
    // Cuts the time of day from tariff starts; false when it could not.
    bool FixTarifDates();
    // A service's new tariff from `dateFrom` (open-ended), ending the previous one the day before; when the new
    // tariff is refused nothing changes.
    bool AddTarif(const QVariant &servId, const QVariant &previousTarifId, const QDate &dateFrom, double sum,
                  int &tarifId);
    // ---- end of business commands ----
    // ---- Debt recalculation and its queue ----
    // One month of one customer: its incoming balance, charges and payments, written to the customer's debts
    // and to the next month's balance row. Callers pass to = the month's last day. Always true.
    bool CheckCustDebt(const QVariant &customerId, int debtMode, const QDate &from, const QDate &to,
                       const QDate &accDate);
    // Every month of one customer from the initialisation month up to the open month. Always true.
    bool CheckFullCustDebt(const QVariant &customerId, const QVariant &accDate, const QVariant &contractDate,
                           int debtMode);
    // The customer's balance on the initialisation date: the starting debt less the payments before it.
    void CorrectInitBalance(const QVariant &customerId);
    // Queues a customer for recalculation from the month of changeDate (never later than the open month).
    void MarkInvalidCustDebt(const QVariant &customerId, const QVariant &changeDate, const QDate &accDate);
    // The same queue rows inside the caller's transaction, so that they stand or fall with the change that made
    // them: nothing is committed, a failure raises.
    void QueueInvalidCustDebt(const QVariant &customerId, const QVariant &changeDate, const QDate &accDate);
    // Works off the queue, customer by customer from each one's earliest queued month; never raises.
    void CheckInvalidCustDebt(int debtMode, const QDate &accDate);
    // MAIN_CFG.INIT_DATE; invalid when there is no row or no date.
    QDate InitDate();
    // MAIN_CFG.ACC_DATE, the open month; invalid when there is no row or no date.
    QDate AccDate();
    // Every customer's state and every month of its balances; the main window shows its animation meanwhile.
    void RecalcAllCustomers(const QVariant &accDate, int debtMode);
    // The initialisation month of every customer with payments.
    void RecalcPayersDebt(int debtMode, const QDate &accDate);

    // The customer's account statement from the initialisation date to after the open month, written as lines of
    // TMP_CUST_BALANCE for the current user. False when the connection is closed or the user's old lines could not
    // be deleted (nothing is written then); a failing query, a line's key look-up among them, raises.
    bool FillCustBalance(const QVariant &customerId, int debtMode, const QDate &accDate, const QDate &startDate);
    // The readers of the current user's statement: its groups, and the income and charge lines of the group
    // that is current. Opening the group reader reopens the other two; closing it closes them.
    TKyv_ADODataSet *odsBalanceGroup() const { return m_odsBalanceGroup.get(); }
    TKyv_ADODataSet *odsBalanceIncome() const { return m_odsBalanceIncome.get(); }
    TKyv_ADODataSet *odsBalanceOutgo() const { return m_odsBalanceOutgo.get(); }
    // The statement as the balance report prints it (Group_Descr, IN_DESCR, IN_SUM, OUT_DESCR, OUT_SUM): income and
    // charge lines side by side; the reports module fills it.
    TMemTable *mdsBalanceReport() const { return m_mdsBalanceReport.get(); }

    // The letter types (LETTERTYPEID, LETTERTYPEDESCR) by id: what the customer's letters are called. Whoever shows
    // the letters opens it and closes it when they are no longer shown.
    TKyv_ADODataSet *odsLetterType() const { return m_odsLetterType.get(); }

    // ---- Undoing the monthly close ----
    // Both run in one transaction: on failure the error is shown, nothing is changed and they answer false.
    // Reopens the month before the open one, asking the user first (false when refused); with nothing closed it
    // resets everything and says so.
    bool ReturnAccPeriod(const QDate &initDate);
    // Throws away every month balance, reseeds the initialisation month's and reopens it. Called also when the
    // configuration row's INIT_DATE changes.
    bool RemoveAllCalculation();
    // The statement that writes every customer's balance row on the initialisation date: the starting debt less
    // the payments before it.
    static QString ReseedPayAccountStatement();

    // Set by the web module: gives every customer without a web password an initial one.
    std::function<void()> InitEmptyWebPasswords;

    static constexpr const char *SchemaOwner = "ZOLT";
    // The owner's password for the structure update, unless TARVIK_OWNER_PASSWORD sets another.
    static constexpr const char *SchemaOwnerPassword = "kelp";
    // The server's group role of the staff: every table is granted to it, and to no other role.
    static constexpr const char *StaffRole = "TARVIK_STAFF";
    static constexpr const char *DemoLogin = "VMDEMO";

private:
    void buildConnection();
    void installTrace();
    void executeTraced(const QString &statement);
    QVariant selectValue(const QString &text, const TParams &params = {});
    double selectAggregate(const QString &aggregate, const QString &table, const QString &condition,
                           const TParams &params, double ifNone);
    bool createNewEmbeddedDatabase();
    // True when it made a new database.
    bool openEmbeddedDatabase();
    // Ends the logon with the error and says what kind of failure it is.
    [[noreturn]] void refuseLogon(TLogonFailure kind, const QString &message);
    bool askReadOnly();
    bool runStep(const QStringList &statements);
    // Business commands' helpers.
    int nextId(const QString &keyField, const QString &table);
    void rollbackQuietly();
    bool runLogged(const QString &text, const TParams &params);
    int insertPayDoc(int paySourceId, const QString &docNo, const QString &notice, double sum, const QDate &date);
    int insertPayment(int docId, int customerId, const QString &notice, double sum, const QDate &date, int servId);
    // Recalculates the customers the condition selects (program text on C, the customer table), slice by slice,
    // each from the month `firstMonth` answers up to lastMonth (invalid: the open month): the initialisation
    // month or earlier recalculates from the start, corrected first; an invalid date skips the customer.
    // `afterSlice` runs before each slice commits.
    // `beforeSlice` runs in the slice's transaction before its customers are worked, with the slice's key range.
    void recalcCustomers(const QString &condition, const QDate &lastMonth, const QDate &accDate, int debtMode,
                         const std::function<QDate(TCustomerActivity &)> &firstMonth,
                         const std::function<void(const QList<qint64> &)> &afterSlice = {},
                         const std::function<void(qint64, qint64)> &beforeSlice = {});
    // The state of every customer with keys lo..hi, by the rules of UpdateCustState, written in batches where it
    // changed.
    void updateCustStates(qint64 lo, qint64 hi);

    std::unique_ptr<TADOConnection> m_connection;
    QString m_connectionsFolder;
    QPointer<QObject> m_mainWindow;
    QString m_userName;
    QString m_password;
    QString m_databaseName;
    QString m_dbmsName;
    QString m_dbmsVersion;
    int m_dbmsKind = 0;
    double m_userId = -1;
    qint64 m_executeStart = 0;
    QString m_lastUpgradeError;
    QString m_lastScriptError;
    QString m_lastLogonError;
    TLogonFailure m_lastLogonFailure = TLogonFailure::None;
    bool m_readOnly = false;
    QString m_lastCommandError;
    // A statement whose text must not reach the trace (it holds a password), and how it is shown instead.
    QString m_secretStatement;
    QString m_secretShownAs;
    void createBalanceReaders();
    std::unique_ptr<TKyv_ADODataSet> m_odsBalanceGroup;
    std::unique_ptr<TDataSource> m_dsBalanceGroup;
    std::unique_ptr<TKyv_ADODataSet> m_odsBalanceIncome;
    std::unique_ptr<TKyv_ADODataSet> m_odsBalanceOutgo;
    std::unique_ptr<TMemTable> m_mdsBalanceReport;
    std::unique_ptr<TKyv_ADODataSet> m_odsLetterType;
};

extern TDMR *DMR;

// A value read from the database that holds nothing: no row, or SQL NULL.
inline bool isNullValue(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}
