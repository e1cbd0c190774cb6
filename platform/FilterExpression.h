#pragma once

#include <QString>

#include <functional>

class TDataSet;

// Compiles a dataset's Filter text into a test of the record being filtered. The language: comparisons
// "FIELD op value" with = <> != < > <= >=, "FIELD IS [NOT] NULL", "FIELD [NOT] LIKE 'pattern'" ("%" or "*" any
// run, "_" one character; also written "~" and "!~"), "FIELD [NOT] IN (v1, v2, ...)" (also "!In"), AND, OR,
// NOT and parentheses; texts in single quotes (a doubled quote inside), numbers with ".", field names plain or
// in [brackets]. A text ending in "*" compared with "=" matches every value that begins with the rest. Text
// comparisons respect case. A null field value satisfies no comparison, LIKE or IN, negated or not. Raises
// EDatabaseError for a bad text or an unknown field.
std::function<bool(TDataSet *, int)> CompileFilter(TDataSet *dataSet, const QString &text);
