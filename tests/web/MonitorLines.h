#pragma once

#include <QStringList>

// The first of `expected` that the event monitor's lines do not hold after the line found for the one before
// it; empty when they hold every one in that order (with other lines between them).
inline QString missingInOrder(const QStringList &lines, const QStringList &expected)
{
    qsizetype at = 0;
    for (const QString &line : expected) {
        const qsizetype found = lines.indexOf(line, at);
        if (found < 0)
            return line;
        at = found + 1;
    }
    return {};
}
