#pragma once

#include "Dialect.h"

#include <QString>
#include <QStringList>

// A script cut into its statements at the ";" that end them, read as the engine reads it: a ";" inside a comment
// ("--" to the end of the line, "/* */", nested on the server), a quoted text ('', and E'' with its backslash
// escapes on the server), a quoted name ("", and `` and [] on the embedded engine) or a dollar-quoted body
// ($$ or $tag$, on the server) belongs to its statement. A piece holding nothing but blanks and comments is no
// statement.
struct TSqlScript
{
    QStringList statements; // trimmed, in order
    // Why the script does not split cleanly (a quote or comment left open), in the user's words; no statements
    // then. Empty when it split.
    QString error;
};

TSqlScript SplitSqlScript(const QString &script, Dialect::Engine engine);
