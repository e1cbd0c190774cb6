#include "AdoDataSet.h"

#include "DatabaseError.h"

void TADOCommand::SetCommandText(const QString &text)
{
    m_commandText = text;
    Parameters.ParseSQL(text);
}

int TADOCommand::Execute()
{
    if (!Connection)
        throw EDatabaseError(QStringLiteral("The command has no connection"));
    return Connection->Execute(m_commandText, Parameters, TExecuteSource::Command);
}
