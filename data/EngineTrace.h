#pragma once

// For the writers and readers that talk to the engine's library directly: the connection's trace sees their
// work as one statement, as it sees any other.
#include "AdoConnection.h"
#include "DatabaseError.h"

#include <QElapsedTimer>

class TraceScope
{
public:
    TraceScope(TADOConnection &connection, const QString &text, const TParams *params = nullptr)
        : m_connection(connection)
    {
        if (m_connection.OnWillExecute)
            m_connection.OnWillExecute(m_connection, TExecuteInfo{text, params, TExecuteSource::Command});
        m_timer.start();
    }
    // Reports the statement done, failed when `error` is not empty, and then raises the failure.
    void done(const QString &error)
    {
        if (m_connection.OnExecuteComplete)
            m_connection.OnExecuteComplete(m_connection, m_timer.elapsed() / 1000.0, error,
                                           error.isEmpty() ? TEventStatus::esOK : TEventStatus::esErrorsOccured);
        if (!error.isEmpty())
            throw EDatabaseError(error);
    }

private:
    TADOConnection &m_connection;
    QElapsedTimer m_timer;
};
