#pragma once

#include <QString>

#include <stdexcept>

// The root of the program's own errors. The message is kept as a QString so that Russian texts reach the
// message boxes and the log unchanged; what() carries the same text in UTF-8 for code that only sees
// std::exception.
class Exception : public std::runtime_error
{
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    QString message() const { return m_message; }

private:
    QString m_message;
};

// A text that is not a number, a date or a time where one was expected.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A value that cannot take the type asked of it ("Could not convert variant of type (String) into type (Double)").
class EVariantError : public Exception
{
public:
    using Exception::Exception;
};

// The message of any exception, for boundaries that catch std::exception.
inline QString exceptionMessage(const std::exception &e)
{
    if (auto *own = dynamic_cast<const Exception *>(&e))
        return own->message();
    return QString::fromUtf8(e.what());
}
