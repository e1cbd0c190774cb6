#pragma once

#include "AdoConnection.h"

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
    TParameters Parameters;

    QString CommandText() const { return m_commandText; }
    void SetCommandText(const QString &text);

    // Runs the statement and answers the rows it affected; raises EDatabaseError with the engine's message.
    int Execute();

private:
    QString m_commandText;
};
