#pragma once

#include <QString>

#include <functional>

class TDataSet;

// Compiles a dataset's Filter text into a test of the record being filtered. The language: comparisons
// "FIELD op value" with = <> < > <= >=, "FIELD IS [NOT] NULL", AND, OR, NOT and parentheses; texts in single
// quotes (a doubled quote inside), numbers with ".", field names plain or in [brackets]. A text ending in "*"
// compared with "=" matches every value that begins with the rest. Raises EDatabaseError for a bad text or an
// unknown field.
std::function<bool(TDataSet *, int)> CompileFilter(TDataSet *dataSet, const QString &text);
