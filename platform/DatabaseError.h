#pragma once

#include "Exceptions.h"

#include <QObject>

// The error of the dataset layer and of every database operation: a failed connect, a refused statement, a
// malformed connection file. The message is the engine's own where the engine refused, so that it can be
// shown and logged as is.
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// Raises the database error in the platform's form: the component's name and ": " in front when it has one.
[[noreturn]] inline void DatabaseError(const QString &message, const QObject *component = nullptr)
{
    const QString name = component ? component->objectName() : QString();
    throw EDatabaseError(name.isEmpty() ? message : name + QStringLiteral(": ") + message);
}
