#pragma once

#include "Exceptions.h"

// The error of the dataset layer and of every database operation: a failed connect, a refused statement, a
// malformed connection file. The message is the engine's own where the engine refused, so that it can be
// shown and logged as is.
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};
