#pragma once

#include "FR_Intrp.h"

#include "Formats.h"

#include <exception>

class TfrObject;
class TfrReport;

// The engine's script interpreter bound to the report under build: it reads and calls through the engine
// parser's callbacks and assigns to script variables, dictionary variables, the report's settable variables and
// object properties.
class TInterpretator : public TfrInterpretator
{
public:
    void GetValue(const QString &name, Variant &value) override;
    void SetValue(const QString &name, const Variant &value) override;
    void DoFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                    Variant &val) override;
};

// The build's start from the platform clock: today for "DATE" and the time of day for "TIME".
void TakeReportStartTime();

// Makes the report answer the engine parser's names and functions.
void InstallReportCallbacks(TfrReport &report);

// The object a dotted name addresses ("Memo1.Font.Name", "Page2.Visible") and the rest of the name; the current
// object with the whole name when there is no point or the part before it names none. Null when nothing fits.
void ResolveObjectName(const QString &name, TfrObject *&object, QString &rest);

// "Переменная не определена:" with the name in double quotes.
QString UndefinedVariableText(const QString &name);

// Records a failed expression: the error text for the end of the build, and the build is stopped.
void ReportExpressionError(const std::exception &error);

// A value as a date of the platform's range (years 1 to 9999); raises the conversion error otherwise.
TDateTime ReportDateValue(const Variant &value);
