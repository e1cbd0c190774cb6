#include "ReportFunctions.h"

#include "FR_Class.h"
#include "FR_DataDict.h"
#include "FR_Globals.h"
#include "FR_Intrp.h"
#include "FR_Locale.h"
#include "ReportValues.h"

#include "Formats.h"
#include "Services.h"

#include <algorithm>

namespace {

// Categories of the function descriptions (engine texts).
enum : int {
    catAggregate = 55349,
    catDateTime = 55350,
    catString = 55351,
    catOther = 55352,
    catMath = 55353,
    catLogical = 55354,
    catInterpreter = 55355,
};

const struct
{
    const char *name;
    int category;
    int text;
} standardDescriptions[] = {
    {"AVG", catAggregate, 55360}, {"COUNT", catAggregate, 55361}, {"DAYOF", catDateTime, 55362},
    {"FORMATDATETIME", catString, 55363}, {"FORMATFLOAT", catString, 55364}, {"FORMATTEXT", catString, 55416},
    {"INPUT", catOther, 55365}, {"LENGTH", catString, 55366}, {"LOWERCASE", catString, 55367},
    {"MAX", catAggregate, 55368}, {"MIN", catAggregate, 55369}, {"MONTHOF", catDateTime, 55370},
    {"NAMECASE", catString, 55371}, {"STRTODATE", catDateTime, 55372}, {"STRTOTIME", catDateTime, 55373},
    {"SUM", catAggregate, 55374}, {"TRIM", catString, 55375}, {"UPPERCASE", catString, 55376},
    {"YEAROF", catDateTime, 55377}, {"MAXNUM", catMath, 55412}, {"MINNUM", catMath, 55413},
    {"POS", catString, 55414}, {"MESSAGEBOX", catOther, 55415}, {"IF", catOther, 55378},
    {"COPY", catString, 55379}, {"MOD", catMath, 55380}, {"STR", catString, 55381}, {"NOT", catLogical, 55382},
    {"AND", catLogical, 55383}, {"OR", catLogical, 55384}, {"ROUND", catMath, 55385}, {"FRAC", catMath, 55386},
    {"INT", catMath, 55387}, {"TRUE", catLogical, 55388}, {"FALSE", catLogical, 55389},
    {"PAGE#", catOther, 55390}, {"DATE", catDateTime, 55391}, {"TIME", catDateTime, 55392},
    {"LINE#", catOther, 55393}, {"LINETHROUGH#", catOther, 55394}, {"COLUMN#", catOther, 55395},
    {"TOTALPAGES", catOther, 55396}, {"MROK", catInterpreter, 55397}, {"MRCANCEL", catInterpreter, 55398},
    {"CURY", catInterpreter, 55399}, {"FREESPACE", catInterpreter, 55400}, {"FINALPASS", catInterpreter, 55401},
    {"PAGEHEIGHT", catInterpreter, 55402}, {"PAGEWIDTH", catInterpreter, 55403},
    {"PROGRESS", catInterpreter, 55404}, {"MODALRESULT", catInterpreter, 55405},
    {"STOPREPORT", catInterpreter, 55406}, {"NEWPAGE", catInterpreter, 55407},
    {"NEWCOLUMN", catInterpreter, 55408}, {"SHOWBAND", catInterpreter, 55409}, {"INC", catInterpreter, 55410},
    {"DEC", catInterpreter, 55411},
};

// Function numbers of the standard library: positions in its List.
enum : int {
    fnAvg, fnCount, fnDayOf, fnFormatDateTime, fnFormatFloat, fnFormatText, fnInput, fnLength, fnLowerCase, fnMax,
    fnMaxNum, fnMessageBox, fnMin, fnMinNum, fnMonthOf, fnNameCase, fnPos, fnSum, fnTrim, fnUpperCase, fnYearOf
};

Variant eval(const Variant &argument)
{
    return frEngine().Parser().Evaluate(argument.toString());
}

QString evalText(const Variant &argument)
{
    return eval(argument).toString();
}

// The data band type whose records an aggregate without a band name adds up, by the type of the band showing
// it; -1 for none.
int defaultDataBandType(int bandType)
{
    switch (bandType) {
    case btReportSummary: case btPageFooter: case btMasterFooter: case btGroupFooter: return btMasterData;
    case btDetailFooter: return btDetailData;
    case btSubDetailFooter: return btSubDetailData;
    case btCrossFooter: return btCrossData;
    default: return -1;
    }
}

void aggregate(int kind, const Variant &p1, const Variant &p2, const Variant &p3, Variant &val)
{
    TfrGlobals &e = frEngine();
    TfrBand *current = e.CurrentBand;
    QString bandName = p2.toString();
    QString expression = p1.toString();
    QString option = p3.toString();
    if (kind == tkCount) {
        bandName = expression;
        option = p2.toString();
    }
    if (!current)
        return;
    if (e.TotalsPreparation) {
        TfrBand *data = e.TotalsDataBand;
        if (!data)
            return;
        if (bandName.trimmed().isEmpty()) {
            if (defaultDataBandType(current->BandType) != data->BandType)
                return;
            bandName = data->Name;
        }
        if (bandName.trimmed().compare(data->Name, Qt::CaseInsensitive) != 0)
            return;
        QString bandPart = current->Name;
        if (current->BandType != btCrossFooter && current->HasCrossCells())
            bandPart = QStringLiteral("0") + TotalKeySeparator + current->Name;
        data->SetTotal(AggregateKey(bandPart, kind, expression, option),
                       (kind == tkMin || kind == tkMax) ? Variant() : Variant(0));
        current->TotalsBand = data;
        return;
    }
    if (!current->TotalsBand)
        return;
    QString bandPart = current->Name;
    TfrBand *asked = current;
    if (current->BandType == btCrossData) {
        asked = current->TotalsBand;
        const int column = e.ActivePage ? e.ActivePage->CrossColumnNo : 0;
        bandPart = QString::number(column) + TotalKeySeparator + asked->Name;
    }
    if (asked->TotalsBand)
        asked->TotalsBand->GetTotal(AggregateKey(bandPart, kind, expression, option), val);
}

// The message box flags of templates: buttons in the low four bits, the icon above them.
TModalResult messageBox(const QString &text, const QString &caption, int flags)
{
    MessageRequest request;
    request.text = text;
    request.caption = caption;
    switch (flags & 0x0F) {
    case 1: request.buttons = mbOKCancel; break;
    case 2: request.buttons = mbAbort | mbRetry | mbIgnore; break;
    case 3: request.buttons = mbYesNoCancel; break;
    case 4: request.buttons = mbYesNo; break;
    case 5: request.buttons = mbRetry | mbCancel; break;
    default: request.buttons = mbOK; break;
    }
    request.defaultButton = TMsgDlgBtn(request.buttons & -request.buttons);
    switch (flags & 0xF0) {
    case 16: request.type = mtError; break;
    case 32: request.type = mtConfirmation; break;
    case 48: request.type = mtWarning; break;
    case 64: request.type = mtInformation; break;
    default: request.type = mtCustom; break;
    }
    return Services::messages()->show(request);
}

} // namespace

// ---- TfrFunctionLibrary

bool TfrFunctionLibrary::OnFunction(const QString &name, const Variant &p1, const Variant &p2, const Variant &p3,
                                    Variant &val)
{
    const int i = int(List.indexOf(TextToUpper(name)));
    if (i < 0)
        return false;
    DoFunction(i, p1, p2, p3, val);
    return true;
}

void TfrFunctionLibrary::AddFunctionDesc(const QString &name, const QString &category, const QString &description)
{
    frEngine().InstalledFunctions().Add(this, name, category, description);
}

// ---- TfrInstalledFunctions

void TfrInstalledFunctions::Add(TfrFunctionLibrary *library, const QString &name, const QString &category,
                                const QString &description)
{
    if (category.isEmpty())
        return;
    for (const TfrFunctionDescription &d : m_items)
        if (d.Name == name)
            return;
    m_items.push_back({library, name, category, description});
}

QString TfrInstalledFunctions::GetFunctionDescription(const QString &name) const
{
    for (const TfrFunctionDescription &d : m_items)
        if (d.Name.compare(name, Qt::CaseInsensitive) == 0)
            return d.Description;
    return QString();
}

void TfrInstalledFunctions::GetCategoryList(QStringList &list) const
{
    list.clear();
    for (const TfrFunctionDescription &d : m_items)
        if (!list.contains(d.Category))
            list << d.Category;
    std::sort(list.begin(), list.end(), RussianCollator(Qt::CaseInsensitive));
}

void TfrInstalledFunctions::GetFunctionList(const QString &category, QStringList &list) const
{
    list.clear();
    const bool all = category == GetLocaleString(55348);
    for (const TfrFunctionDescription &d : m_items)
        if (all || d.Category.compare(category, Qt::CaseInsensitive) == 0)
            list << d.Name;
    list.sort(Qt::CaseInsensitive);
}

void TfrInstalledFunctions::RemoveLibrary(const TfrFunctionLibrary *library)
{
    const QString className = library->ClassName();
    std::erase_if(m_items, [&](const TfrFunctionDescription &d) { return d.Library->ClassName() == className; });
}

// ---- the registry

void RegisterFunctionLibrary(const QString &className,
                             const std::function<std::unique_ptr<TfrFunctionLibrary>()> &create)
{
    auto &libraries = frEngine().FunctionLibraries;
    for (const auto &l : libraries)
        if (l->ClassName() == className)
            return;
    if (int(libraries.size()) >= RegistryCapacity)
        throw std::length_error("The engine registry of function libraries is full");
    libraries.push_back(create());
}

void UnregisterFunctionLibrary(const QString &className)
{
    TfrGlobals &e = frEngine();
    auto &libraries = e.FunctionLibraries;
    const auto it = std::find_if(libraries.begin(), libraries.end(),
                                 [&](const auto &l) { return l->ClassName() == className; });
    if (it == libraries.end())
        return;
    e.InstalledFunctions().RemoveLibrary(it->get());
    libraries.erase(it);
}

// ---- TfrStdFunctionLibrary

TfrStdFunctionLibrary::TfrStdFunctionLibrary()
{
    List = QStringList{"AVG", "COUNT", "DAYOF", "FORMATDATETIME", "FORMATFLOAT", "FORMATTEXT", "INPUT",
                       "LENGTH", "LOWERCASE", "MAX", "MAXNUM", "MESSAGEBOX", "MIN", "MINNUM", "MONTHOF",
                       "NAMECASE", "POS", "SUM", "TRIM", "UPPERCASE", "YEAROF"};
    for (const auto &d : standardDescriptions)
        AddFunctionDesc(QString::fromLatin1(d.name), GetLocaleString(d.category), GetLocaleString(d.text));
}

void TfrStdFunctionLibrary::DoFunction(int fno, const Variant &p1, const Variant &p2, const Variant &p3,
                                       Variant &val)
{
    switch (fno) {
    case fnAvg: aggregate(tkAvg, p1, p2, p3, val); break;
    case fnCount: aggregate(tkCount, p1, p2, p3, val); break;
    case fnMax: aggregate(tkMax, p1, p2, p3, val); break;
    case fnMin: aggregate(tkMin, p1, p2, p3, val); break;
    case fnSum: aggregate(tkSum, p1, p2, p3, val); break;
    case fnDayOf: val = Variant(DayCountToDate(ReportDateValue(eval(p1))).day()); break;
    case fnMonthOf: val = Variant(DayCountToDate(ReportDateValue(eval(p1))).month()); break;
    case fnYearOf: val = Variant(DayCountToDate(ReportDateValue(eval(p1))).year()); break;
    case fnFormatDateTime: {
        const QString format = evalText(p1);
        val = Variant(FormatDateTime(format, ReportDateValue(eval(p2))));
        break;
    }
    case fnFormatFloat: {
        const QString format = evalText(p1);
        val = Variant(FormatFloat(format, eval(p2).toDouble()));
        break;
    }
    case fnFormatText: {
        // Literals are not kept, and the blank character is a blank.
        const QString mask = evalText(p1) + QStringLiteral(";0; ");
        val = Variant(FormatMaskText(mask, evalText(p2)));
        break;
    }
    case fnInput: {
        const QString prompt = evalText(p1);
        const QString preset = p2.toString().trimmed().isEmpty() ? QString() : evalText(p2);
        val = Variant(Services::dialogs()->inputBox(QString(), prompt, preset));
        break;
    }
    case fnLength: val = Variant(int(evalText(p1).size())); break;
    case fnLowerCase: val = Variant(TextToLower(evalText(p1))); break;
    case fnUpperCase: val = Variant(TextToUpper(evalText(p1))); break;
    case fnNameCase: {
        QString s = TextToLower(evalText(p1));
        if (!s.isEmpty())
            s.replace(0, 1, TextToUpper(s.left(1)));
        val = Variant(s);
        break;
    }
    case fnTrim: val = Variant(evalText(p1).trimmed()); break;
    case fnPos: {
        const QString sub = evalText(p1);
        val = Variant(int(evalText(p2).indexOf(sub)) + 1);
        break;
    }
    case fnMaxNum: {
        const Variant a = eval(p1), b = eval(p2);
        val = a > b ? a : b;
        break;
    }
    case fnMinNum: {
        const Variant a = eval(p1), b = eval(p2);
        val = a < b ? a : b;
        break;
    }
    case fnMessageBox: {
        const QString text = evalText(p1);
        const QString caption = evalText(p2);
        val = Variant(int(messageBox(text, caption, eval(p3).toInt())));
        break;
    }
    default: break;
    }
}

QString AggregateKey(const QString &bandPart, int kind, const QString &expression, const QString &option)
{
    return bandPart + TotalKeySeparator + QChar(kind) + TotalKeySeparator + expression + TotalKeySeparator + option
           + TotalKeySeparator;
}

// ---- TAggregateFunctionsSplitter

namespace {

const TfrVariables *dictionaryVariables()
{
    TfrReport *report = frEngine().CurrentReport;
    return report ? &report->Dictionary().Variables : nullptr;
}

} // namespace

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(QStringList *splitTo)
    : TfrFunctionSplitter(&MatchFuncs, splitTo, dictionaryVariables())
    , MatchFuncs{"AVG", "COUNT", "MAX", "MIN", "SUM"}
    , m_splitTo(splitTo)
    , m_variables(dictionaryVariables())
{
}

void TAggregateFunctionsSplitter::SplitMemo(const QStringList &lines)
{
    for (const QString &line : lines) {
        int i = 1;
        while (i <= line.size()) {
            if (line.at(i - 1) != u'[') {
                ++i;
                continue;
            }
            int start = i, pos = i;
            const QString inner = ReadBracketed(line, start, pos);
            Split(u'[' + inner + u']');
            i = pos + 1;
        }
    }
}

void TAggregateFunctionsSplitter::SplitScript(const QStringList &compiled)
{
    if (compiled.isEmpty())
        return;
    TfrInterpretator interpreter;
    interpreter.SplitScriptExpressions(compiled, MatchFuncs, m_variables, *m_splitTo);
}
