#pragma once

#include "AdoConnection.h"
#include "DataSet.h"

#include <QPointer>

// A query on a connection: open fetches every row into memory (a static cursor, so RecordCount, Locate and
// Lookup work), with the fields typed by the fields declared in code where there are any, else by the column
// types the engine declares, else by the values. Numbers arrive as double. Construction is cheap: the
// program makes and frees these per call.
class TADODataSet : public TDataSet
{
    Q_OBJECT
public:
    explicit TADODataSet(QObject *owner = nullptr)
        : TDataSet(owner)
    {
    }

    TADOConnection *Connection() const { return m_connection; }
    void SetConnection(TADOConnection *connection) { m_connection = connection; }
    // The statement, sent unchanged; Params() follow the ":P_X" names it uses.
    QString CommandText() const { return m_commandText; }
    void SetCommandText(const QString &text);
    // ";"-separated key fields for a provider, when the fields name none.
    QString UniqueFields() const { return m_uniqueFields; }
    void SetUniqueFields(const QString &names) { m_uniqueFields = names; }

    // Runs the command text as a statement; answers the rows affected.
    int ExecSQL();

    QString PSGetKeyFields() const override;
    void PSSetCommandText(const QString &text) override { SetCommandText(text); }
    void PSExecute() override { ExecSQL(); }
    int PSExecuteStatement(const QString &sql, const TParams &params, TDataSet *resultSet = nullptr) override;
    bool PSInTransaction() const override;
    void PSStartTransaction() override;
    void PSEndTransaction(bool commit) override;

protected:
    void InternalOpen() override;

private:
    TADOConnection &connection() const;

    QPointer<TADOConnection> m_connection;
    QString m_uniqueFields;
    bool m_ownTransaction = false;
};

// A statement with named, typed parameters on a connection. Setting the command text makes the parameter
// list follow the names the text uses; values set before stay with their names.
class TADOCommand
{
public:
    explicit TADOCommand(TADOConnection *connection = nullptr)
        : Connection(connection)
    {
    }

    TADOConnection *Connection = nullptr;
    TParams Parameters;

    QString CommandText() const { return m_commandText; }
    void SetCommandText(const QString &text);

    // Runs the statement and answers the rows it affected; raises EDatabaseError with the engine's message.
    int Execute();

private:
    QString m_commandText;
};
