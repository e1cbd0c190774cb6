// The value chain of a report under build: names, functions, procedures, assignments, formats and errors.
#include "ReportValues.h"

#include "FR_Class.h"
#include "FR_DataDict.h"
#include "FR_Globals.h"
#include "FR_Locale.h"
#include "FR_Progress.h"
#include "ReportFunctions.h"

#include "Exceptions.h"
#include "Services.h"

#include <QDialog>
#include <QLocale>

#include <cmath>

namespace {

constexpr quint16 HideZerosFlag = 0x40;

// The band whose record counters "LINE#" and "LINETHROUGH#" read: the current band, or the first of its chain
// when it has no data source of its own.
const TfrBand *lineBand()
{
    const TfrBand *band = frEngine().CurrentBand;
    if (band && !band->DataSource)
        while (band->Prev)
            band = band->Prev;
    return band;
}

// The report variables from "VALUE" to "CALCWIDTH"; false for any other name.
bool builtinValue(const QString &name, Variant &value)
{
    TfrGlobals &e = frEngine();
    if (name == QLatin1String("VALUE")) {
        value = e.CurrentValue;
    } else if (name == QLatin1String("PAGE#")) {
        value = Variant(e.PageNo + 1);
    } else if (name == QLatin1String("DATE")) {
        value = Variant::Date(e.ReportDate);
    } else if (name == QLatin1String("TIME")) {
        value = Variant::Date(e.ReportTime);
    } else if (name == QLatin1String("LINE#")) {
        const TfrBand *band = lineBand();
        value = Variant(band ? band->LineNo : 0);
    } else if (name == QLatin1String("LINETHROUGH#")) {
        const TfrBand *band = lineBand();
        value = Variant(band ? band->LineThroughNo : 0);
    } else if (name == QLatin1String("COLUMN#")) {
        value = Variant(e.ActivePage ? e.ActivePage->CrossColumnNo : 0);
    } else if (name == QLatin1String("CURRENT#")) {
        value = Variant(e.ActivePage ? e.ActivePage->RecordNo : 0);
    } else if (name == QLatin1String("TOTALPAGES")) {
        value = Variant(e.TotalPages);
    } else if (name == QLatin1String("CALCWIDTH")) {
        TfrView *view = e.CurrentView;
        if (auto *memo = dynamic_cast<TfrMemoView *>(view)) {
            memo->FillWorkText();
            value = Variant(memo->MeasureWidth(memo->WorkText));
        } else {
            value = Variant(view ? view->Width : 0);
        }
    } else {
        return false;
    }
    return true;
}

void ensurePropList(TfrObject *object)
{
    if (object && object->PropRecs.empty())
        object->RegisterProperties();
}

Variant evaluate(const Variant &argument)
{
    return frEngine().Parser().Evaluate(argument.toString());
}

// The index of an array cell: a text as it is, anything else as a whole number.
QString arrayIndex(const Variant &argument)
{
    const Variant index = evaluate(argument);
    return index.isString() ? index.toString() : QString::number(index.toInt());
}

} // namespace

// ---- names

void TfrReport::GetVariableValue(const QString &name, Variant &value)
{
    TfrGlobals &e = frEngine();
    value = Variant();
    if (OnGetValue)
        OnGetValue(name, value);
    if (!value.isUnassigned())
        return;
    value = Variant(0);
    if (Dictionary().IsVariable(name)) {
        value = Dictionary().GetValue(name);
        return;
    }
    if (builtinValue(name, value))
        return;
    const int script = e.ScriptVariables.IndexOf(name);
    if (script >= 0) {
        value = e.ScriptVariables.GetValueAt(script);
        return;
    }
    value = Variant();
    GetSystemValue(name, value);
    if (!value.isUnassigned())
        return;
    if (name != e.CurrentExpression) {
        e.CurrentExpression = name;
        value = e.Parser().Evaluate(name);
        e.CurrentExpression.clear();
        return;
    }
    // The name came back while being evaluated as an expression: nothing knows it.
    if (!e.TotalsPreparation)
        throw EParserError(UndefinedVariableText(name));
    value = Variant(0);
}

void TfrReport::GetSystemValue(const QString &name, Variant &value)
{
    TfrGlobals &e = frEngine();
    if (TfrPage *page = e.ActivePage) {
        if (name == QLatin1String("CURY")) {
            value = Variant(page->CursorY);
            return;
        }
        if (name == QLatin1String("FREESPACE")) {
            value = Variant(page->BottomLimit - page->CursorY);
            return;
        }
        if (name == QLatin1String("PAGEHEIGHT")) {
            value = Variant(page->BottomLimit);
            return;
        }
        if (name == QLatin1String("PAGEWIDTH")) {
            value = Variant(page->PrintAreaRight());
            return;
        }
    }
    if (name == QLatin1String("FINALPASS") && e.OutputReport) {
        value = Variant(e.OutputReport->FinalPass);
        return;
    }
    TfrObject *object = nullptr;
    QString rest;
    ResolveObjectName(name, object, rest);
    if (object && object->FindPropRec(rest)) {
        value = object->GetPropertyValue(rest);
        return;
    }
    const int constant = e.EngineConstants.IndexOf(name);
    if (constant >= 0)
        value = e.EngineConstants.GetValueAt(constant);
}

void ResolveObjectName(const QString &name, TfrObject *&object, QString &rest)
{
    TfrGlobals &e = frEngine();
    object = e.CurrentView;
    rest = name;
    const qsizetype point = name.indexOf(u'.');
    if (point >= 0) {
        const QString objectName = name.left(point);
        rest = name.mid(point + 1, 255);
        const QString upper = TextToUpper(objectName);
        TfrReport *report = e.CurrentReport;
        if (upper.startsWith(QLatin1String("PAGE")) && upper.size() > 4 && upper[4].isDigit()) {
            const int index = upper.mid(4).toInt() - 1;
            object = report && index >= 0 && index < report->Pages().GetCount() ? report->Pages().GetPage(index)
                                                                                 : nullptr;
        } else {
            object = report ? report->FindViewByName(objectName) : nullptr;
            if (!object && e.CurrentView) {
                ensurePropList(e.CurrentView);
                if (e.CurrentView->FindPropRec(objectName)) {
                    object = e.CurrentView;
                    rest = name;
                }
            }
        }
    }
    ensurePropList(object);
}

// ---- functions and procedures

void TfrReport::DoFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                           Variant &val)
{
    val = Variant(QStringLiteral("0"));
    for (const auto &library : frEngine().FunctionLibraries)
        if (library->OnFunction(name, p1, p2, p3, val))
            return;
    DoBuiltinProcedure(name, p1, p2, p3, val);
    if (OnUserFunction)
        OnUserFunction(name, p1, p2, p3, val);
}

void TfrReport::DoBuiltinProcedure(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                                   Variant &val)
{
    TfrGlobals &e = frEngine();
    if (name == QLatin1String("STOPREPORT")) {
        if (e.CurrentReport)
            e.CurrentReport->StopRequested = true;
    } else if (name == QLatin1String("NEWPAGE")) {
        if (e.CurrentBand)
            ++e.CurrentBand->NewPageRequests;
    } else if (name == QLatin1String("NEWCOLUMN")) {
        if (e.CurrentBand)
            ++e.CurrentBand->NewColumnRequests;
    } else if (name == QLatin1String("SHOWBAND")) {
        if (e.ShowBandHook && e.ActivePage)
            e.ShowBandHook(*e.ActivePage, p1.toString().trimmed());
        else if (e.ActivePage)
            e.ActivePage->ShowBandByName(p1.toString().trimmed());
    } else if (name == QLatin1String("INC") || name == QLatin1String("DEC")) {
        const QString target = p1.toString().trimmed();
        Variant value;
        if (e.Parser().OnGetValue)
            e.Parser().OnGetValue(target, value);
        value = name == QLatin1String("INC") ? value + Variant(1) : value - Variant(1);
        e.Interpreter().SetValue(target, value);
    } else if (name == QLatin1String("SETARRAY") || name == QLatin1String("GETARRAY")) {
        const bool set = name == QLatin1String("SETARRAY");
        const QString array = p1.toString().trimmed();
        if (array.contains(u'.')) {
            TfrObject *object = nullptr;
            QString rest;
            ResolveObjectName(array, object, rest);
            if (!object)
                return;
            if (set)
                object->CallMethod(QStringLiteral("SETINDEXPROPERTY"), Variant(TextToUpper(rest)), evaluate(p2),
                                   evaluate(p3));
            else
                val = object->CallMethod(QStringLiteral("GETINDEXPROPERTY"), Variant(TextToUpper(rest)),
                                         evaluate(p2), Variant::Null());
            return;
        }
        const QString cell = QStringLiteral("Arr_") + array + u'_' + arrayIndex(p2);
        if (set)
            e.ScriptVariables.SetValue(cell, evaluate(p3));
        else
            val = e.ScriptVariables.GetValue(cell);
    } else {
        TfrObject *object = nullptr;
        QString rest;
        ResolveObjectName(name, object, rest);
        if (object)
            val = object->CallMethod(rest, p1, p2, p3);
    }
}

// ---- the interpreter

void TInterpretator::GetValue(const QString &name, Variant &value)
{
    TfrParser &parser = frEngine().Parser();
    if (parser.OnGetValue)
        parser.OnGetValue(name, value);
}

void TInterpretator::DoFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                                Variant &val)
{
    TfrParser &parser = frEngine().Parser();
    if (parser.OnFunction)
        parser.OnFunction(name, p1, p2, p3, val);
}

void TInterpretator::SetValue(const QString &name, const Variant &value)
{
    TfrGlobals &e = frEngine();
    if (e.ScriptVariables.IndexOf(name) >= 0) {
        e.ScriptVariables.SetValue(name, value);
        return;
    }
    // Only variables the dictionary holds: a field reference is read, never turned into a variable.
    if (e.CurrentReport) {
        TfrVariables &variables = e.CurrentReport->Dictionary().Variables;
        const int i = variables.IndexOf(name);
        if (i >= 0 && !name.startsWith(u' ')) {
            variables.SetValueAt(i, value);
            return;
        }
    }
    if (name.compare(QLatin1String("MODALRESULT"), Qt::CaseInsensitive) == 0) {
        TfrPage *page = e.ActivePage;
        if (page && page->Type == 1 && page->Form) {
            const int result = value.toInt();
            page->Form->setResult(result);
            if (result != 0)
                page->Form->done(result);
        }
        return;
    }
    if (name.compare(QLatin1String("CURY"), Qt::CaseInsensitive) == 0) {
        TfrBand *band = e.CurrentBand;
        if (band && (band->NewPageRequests > 0 || band->NewColumnRequests > 0))
            band->KeepScriptY = true;
        if (e.ActivePage)
            e.ActivePage->CursorY = value.toInt();
        return;
    }
    if (name.compare(QLatin1String("PROGRESS"), Qt::CaseInsensitive) == 0) {
        if (e.ProgressTextHook)
            e.ProgressTextHook(value.toString());
        else
            e.Progress().SetLabel2(value.toString());
        return;
    }
    TfrObject *object = nullptr;
    QString rest;
    ResolveObjectName(name, object, rest);
    if (object && object->FindPropRec(rest)) {
        object->SetPropertyValue(rest, value);
        return;
    }
    e.ScriptVariables.SetValue(name, value);
}

void TakeReportStartTime()
{
    TfrGlobals &e = frEngine();
    const QDateTime now = Services::clock()->now();
    e.ReportDate = DateToDayCount(now.date());
    e.ReportTime = TimeToDayFraction(now.time());
}

void InstallReportCallbacks(TfrReport &report)
{
    TfrParser &parser = frEngine().Parser();
    parser.OnGetValue = [&report](const QString &name, Variant &value) { report.GetVariableValue(name, value); };
    parser.OnFunction = [&report](const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                                  Variant &val) { report.DoFunction(name, p1, p2, p3, val); };
}

// ---- texts of values

void TfrReport::ExpandValue(const QString &expression, QString &text)
{
    TfrGlobals &e = frEngine();
    e.CurrentExpression.clear();
    TfrView *view = e.CurrentView;
    int format = view ? view->FormatCode : 0;
    QString formatString = view ? view->FormatText : QString();
    QString expr = expression;
    const qsizetype suffixAt = expression.indexOf(QLatin1String(" #"));
    if (suffixAt >= 0) {
        QString suffix = expression.mid(suffixAt + 2);
        expr = expression.left(suffixAt);
        formatString = suffix;
        const QChar c = suffix.isEmpty() ? QChar() : suffix[0];
        if (c.isDigit() || c == u'N' || c == u'n') {
            if (c.isDigit())
                suffix.prepend(u'N');
            const bool fixed = suffix.size() > 1 && suffix[1].isDigit();
            int separator = 0, decimals = 0;
            for (qsizetype i = suffix.size() - 1; i >= 1; --i) {
                if (suffix[i] != u',' && suffix[i] != u'-' && suffix[i] != u'.')
                    continue;
                separator = suffix[i].unicode() & 0xFF;
                suffix[i] = u'.';
                if (fixed) {
                    qsizetype k = i + 1;
                    while (k < suffix.size() && suffix[k].isDigit())
                        ++k;
                    decimals = suffix.mid(i + 1, k - i - 1).toInt();
                }
                break;
            }
            const int subFormat = fixed ? 1 : 4;
            format = (1 << 24) | (subFormat << 16) | ((decimals & 0xFF) << 8) | separator;
            if (!fixed)
                formatString = suffix.mid(1);
        } else if (c == u'D' || c == u'T' || c == u'd' || c == u't') {
            format = (2 << 24) | (4 << 16);
            formatString = suffix.mid(1);
        } else if (c == u'B' || c == u'b') {
            format = (4 << 24) | (4 << 16);
            formatString = suffix.mid(1);
        }
    }
    e.CurrentValue = Variant(0);
    GetVariableValue(expr, e.CurrentValue);
    if (view && (view->Flags & HideZerosFlag) && !e.CurrentValue.isString()) {
        try {
            if (e.CurrentValue == Variant(0))
                e.CurrentValue = Variant(QString());
        } catch (const std::exception &) {
            // A value that cannot be compared with 0 is shown as it is.
        }
    }
    if (!e.TotalsPreparation)
        FormatValue(e.CurrentValue, format, text, formatString);
}

TDateTime ReportDateValue(const Variant &value)
{
    // 1 January of the year 1 and the day after 31 December 9999.
    constexpr TDateTime first = -693593, last = 2958466;
    const TDateTime date = value.toDate();
    if (!std::isfinite(date) || date < first || date >= last)
        throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(value.toString()));
    return date;
}

void TfrReport::FormatValue(const Variant &value, int format, QString &text, const QString &formatString)
{
    if (value.isUnassignedOrNull() || (value.isString() && value.toString().trimmed().isEmpty())) {
        text.clear();
        return;
    }
    const TfrGlobals &e = frEngine();
    const int category = (format >> 24) & 0x0F;
    const int subFormat = (format >> 16) & 0xFF;
    const int decimals = (format >> 8) & 0xFF;
    const int separatorCode = format & 0xFF;
    try {
        switch (category) {
        case 0:
            text = value.toString();
            break;
        case 1: {
            // No separator in the code means the usual one.
            const QChar separator = separatorCode ? QChar(separatorCode) : FormatSettings().DecimalSeparator;
            const double number = value.toDouble();
            const QString hashes(decimals, u'#');
            switch (subFormat) {
            case 0: text = FormatFloat(QStringLiteral("##0.") + hashes, number, separator); break;
            case 1: text = FloatToStrF(number, ffFixed, 15, decimals, separator); break;
            case 2: text = FormatFloat(QStringLiteral("#,##0.") + hashes, number, separator); break;
            case 3: text = FloatToStrF(number, ffNumber, 15, decimals, separator); break;
            case 4: text = FormatFloat(formatString, number, separator); break;
            default: text.clear(); break;
            }
            break;
        }
        case 2:
        case 3: {
            const TDateTime date = ReportDateValue(value);
            const QStringList &formats = category == 2 ? e.DateFormats : e.TimeFormats;
            if (subFormat == 4)
                text = FormatDateTime(formatString, date);
            else if (category == 2 && subFormat == 3)
                text = FormatLongDate(date);
            else if (subFormat < 4)
                text = FormatDateTime(formats.value(subFormat), date);
            else
                text.clear();
            break;
        }
        case 4: {
            const QString texts = subFormat == 4 ? formatString : e.BoolFormats.value(subFormat);
            const qsizetype split = texts.indexOf(u';');
            const QString falseText = split < 0 ? texts : texts.left(split);
            const QString trueText = split < 0 ? QString() : texts.mid(split + 1);
            text = value.toInt() != 0 ? trueText : falseText;
            break;
        }
        default:
            text.clear();
            break;
        }
    } catch (const std::exception &) {
        // Text under a number format and the like print as they are.
        text = value.toString();
    }
}

QString TfrReport::FormatLongDate(TDateTime value)
{
    return QLocale::system().toString(DayCountToDate(value), QLocale::LongFormat).left(1023);
}

// ---- errors

QString UndefinedVariableText(const QString &name)
{
    return GetLocaleString(55439) + QStringLiteral(" \"") + name + u'"';
}

void ReportExpressionError(const std::exception &error)
{
    TfrGlobals &e = frEngine();
    e.ErrorFlag = true;
    QString message = GetLocaleString(55200);
    if (e.CurrentView)
        for (const QString &line : e.CurrentView->Memo)
            message += u'\r' + line;
    message += QStringLiteral("\r\r") + GetLocaleString(55201) + u' '
               + (e.CurrentReport ? e.CurrentReport->objectName() : QString()) + u'\r';
    if (e.CurrentView)
        message += GetLocaleString(55202) + u' ' + e.CurrentView->Name + u'\r';
    message += u'\r' + exceptionMessage(error);
    e.ErrorMessage = message;
    if (e.OutputReport)
        e.OutputReport->StopRequested = true;
}
