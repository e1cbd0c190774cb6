#pragma once

#include <QString>

#include <stdexcept>

// The error every database operation raises: a failed connect, a refused statement, a malformed connection
// file. The message is the engine's own where the engine refused, so that it can be shown and logged as is.
class EDatabaseError : public std::runtime_error
{
public:
    explicit EDatabaseError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    QString message() const { return m_message; }

private:
    QString m_message;
};
