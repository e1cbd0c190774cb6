#pragma once

#include "AdoConnection.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

// The database data module: the program's one connection to its database and the session operations every
// other part uses (logon, commit, scripts, identifiers, counts, tracing, the structure upgrade).
class TDMR : public QObject
{
public:
    explicit TDMR(QObject *parent = nullptr);
    ~TDMR() override;

    TADOConnection *dbConnection() const { return m_connection.get(); }

    // The folder of the ".udl" connection files; a relative data file of the embedded engine lies in the folder
    // above it. Defaults to "connections" beside the program's folder.
    QString ConnectionsFolder() const { return m_connectionsFolder; }
    void SetConnectionsFolder(const QString &folder) { m_connectionsFolder = folder; }
    static QString DefaultConnectionsFolder();

    // The window told about long operations (AMShowAnimate / AMHideAnimate); none in tests.
    void SetMainWindow(QObject *window) { m_mainWindow = window; }

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

    bool DbLogON(const QString &userName, const QString &password, const QString &databaseName);
    bool DbLogOut();
    bool Get_DatabaseConnectStatus() const;
    bool GetUserId();

    bool CommitWork();
    void StartTransactionIfNone();
    bool ExecSqlScript(const QString &script);

    bool GetNextSeqValue(const QString &sequenceName, QVariant &value);
    // Key values travel as numbers: MAX+1, 1 on an empty table, 0 when the query fails. The condition is
    // program text; values in it are bound through params.
    double GetNextNo(const QString &keyField, const QString &table, const QString &condition = {},
                     const TParameters &params = {});
    double GetMinId(const QString &field, const QString &table, const QString &condition = {},
                    const TParameters &params = {});
    bool GetRefCount(const QString &field, const QString &table, const QVariant &value);
    int GetRecordsCount(const QString &table, const QString &condition = {}, const TParameters &params = {});
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

    // Set by the web module: gives every customer without a web password an initial one.
    std::function<void()> InitEmptyWebPasswords;

    static constexpr const char *SchemaOwner = "ZOLT";
    static constexpr const char *SchemaOwnerPassword = "kelp";
    static constexpr const char *DemoLogin = "VMDEMO";

private:
    void buildConnection();
    void installTrace();
    void executeTraced(const QString &statement);
    QVariant selectValue(const QString &text, const TParameters &params = {});
    bool createNewEmbeddedDatabase();
    void sendToMainWindow(int message);
    bool runStep(const QStringList &statements);

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
    // A statement whose text must not reach the trace (it holds a password), and how it is shown instead.
    QString m_secretStatement;
    QString m_secretShownAs;
};

extern TDMR *DMR;
