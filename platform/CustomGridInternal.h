#pragma once

// What the cell grid's translation units share and nobody outside them needs.

#include <QString>

namespace customgrid {

inline const QString kIndexOutOfRange = QStringLiteral("Grid index out of range");
inline const QString kFixedColTooBig = QStringLiteral("Fixed column count must be less than column count");
inline const QString kFixedRowTooBig = QStringLiteral("Fixed row count must be less than row count");

} // namespace customgrid
