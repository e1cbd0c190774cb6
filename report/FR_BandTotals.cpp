// Totals of a build: the entries the footers' aggregate calls register in their data bands, added up per
// record and started again after each footer.
#include "FR_Class.h"
#include "FR_DataDict.h"
#include "FR_Utils.h"
#include "ReportFunctions.h"
#include "ReportValues.h"

#include "DataSet.h"
#include "Exceptions.h"

namespace {

bool isColumnNumber(const QString &field)
{
    bool ok = false;
    field.toInt(&ok);
    return ok;
}

// The value an entry of that kind starts from: a MIN or MAX entry has seen no value yet.
Variant resetValue(const QString &key)
{
    const bool cross = !key.isEmpty() && key[0].isDigit();
    const QString kindField = TotalKeyField(key, cross ? 3 : 2);
    const int kind = kindField.isEmpty() ? 0 : kindField[0].unicode();
    return kind == tkMin || kind == tkMax ? Variant() : Variant(0);
}

struct CurrentBandScope
{
    TfrBand *saved;
    explicit CurrentBandScope(TfrBand *band) : saved(frEngine().CurrentBand) { frEngine().CurrentBand = band; }
    ~CurrentBandScope() { frEngine().CurrentBand = saved; }
};

} // namespace

void TfrBand::AccumulateTotals()
{
    TfrGlobals &e = frEngine();
    CurrentBandScope scope(this);
    const bool cross = HasCrossCells();
    const QString column = QString::number(Page->CrossColumnNo);
    if (cross) {
        // Every template entry gets its entry for the column being printed.
        for (bool added = true; added;) {
            added = false;
            for (int i = 0; i < Totals.GetCount() && !added; ++i) {
                const QString name = Totals.GetName(i);
                if (TotalKeyField(name, 1) != QLatin1String("0"))
                    continue;
                const QString columnKey = (column + name.mid(1)).left(255);
                if (Totals.IndexOf(columnKey) < 0) {
                    Totals.SetValue(columnKey, resetValue(columnKey));
                    added = true;
                }
            }
        }
    }
    QString previousExpression;
    Variant previousValue;
    bool havePrevious = false;
    try {
        for (int i = 0; i < Totals.GetCount(); ++i) {
            QString key = Totals.GetName(i);
            if (cross) {
                const QString first = TotalKeyField(key, 1);
                if (!isColumnNumber(first) || first == QLatin1String("0") || first != column)
                    continue;
                key = key.mid(first.size() + 1);
            }
            const Variant kept = Totals.GetValueAt(i);
            const QString kindField = TotalKeyField(key, 2);
            const int kind = kindField.isEmpty() ? 0 : kindField[0].unicode();
            const QString expression = TotalKeyField(key, 3);
            const QString option = TotalKeyField(key, 4).remove(u' ');
            Variant value(0);
            if (kind != tkCount) {
                if (havePrevious && expression == previousExpression) {
                    value = previousValue;
                } else {
                    value = e.Parser().Evaluate(expression);
                    previousExpression = expression;
                    previousValue = value;
                    havePrevious = true;
                }
            }
            if (value.isUnassignedOrNull())
                value = Variant(0);
            if (!Visible && option != QLatin1String("1"))
                continue;
            const Variant sum = kept.isUnassignedOrNull() ? Variant(0) : kept;
            Variant result;
            switch (kind) {
            case tkSum: case tkAvg: result = sum + value; break;
            case tkMin: result = kept.isUnassigned() || value < sum ? value : sum; break;
            case tkMax: result = kept.isUnassigned() || sum < value ? value : sum; break;
            case tkCount: result = sum + Variant(1); break;
            default: continue;
            }
            Totals.SetValueAt(i, result);
        }
    } catch (const Exception &error) {
        ReportExpressionError(error);
    }
    ++TotalCount;
}

void TfrBand::ResetTotals()
{
    TfrGlobals &e = frEngine();
    if (BandType == btGroupHeader) {
        try {
            for (TfrBand *g = this; g; g = g->Next.get())
                g->GroupValue = e.Parser().EvaluatePostfix(g->Condition);
        } catch (const Exception &error) {
            ReportExpressionError(error);
        }
        return;
    }
    if (!TotalsBand)
        return;
    TfrVariables &totals = TotalsBand->Totals;
    for (int i = 0; i < totals.GetCount(); ++i) {
        const QString key = totals.GetName(i);
        const bool cross = !key.isEmpty() && key[0].isDigit();
        if (TotalKeyField(key, cross ? 2 : 1).compare(Name, Qt::CaseInsensitive) == 0)
            totals.SetValueAt(i, resetValue(key));
    }
    TotalsBand->TotalCount = 0;
}

// ---- preparation

void TfrPage::PrepareTotals()
{
    TfrGlobals &e = frEngine();
    TfrReport *report = e.CurrentReport;
    if (Type != 0 || !report || (report->TwoPass && report->FinalPass))
        return;
    e.ActivePage = this;
    try {
        // Objects showing a field alone are bound to it (for blob fields and exports).
        for (const auto &owned : Objects) {
            TfrView *v = owned.get();
            v->BlobDataSet = nullptr;
            v->BlobFieldName.clear();
            const QString text = v->Memo.join(QStringLiteral("\r\n"));
            const bool textOnly = v->TypeCode == 0 && (v->Flags & 0x10);
            if (text.size() <= 2 || !text.startsWith(u'[') || textOnly)
                continue;
            const qsizetype close = text.lastIndexOf(u']');
            if (close < 1)
                continue;
            QString reference = text.mid(1, close - 1);
            e.CurrentBand = v->Parent;
            const TfrVariables &variables = report->Dictionary().Variables;
            if (variables.IndexOf(reference) >= 0) {
                const QString value = variables.GetValue(reference).toString();
                if (value.contains(u'.'))
                    reference = value;
            }
            TDataSet *dataset = nullptr;
            QString field;
            ResolveFieldReference(reference, dataset, field);
            if (dataset && dataset->FindField(field)) {
                v->BlobDataSet = dataset;
                v->BlobFieldName = field;
            }
        }

        e.TotalsPreparation = true;
        e.ActivePage = this;
        struct Level
        {
            int data;
            std::initializer_list<int> footers;
        };
        const Level levels[] = {
            {btMasterData, {btPageFooter, btColumnFooter, btMasterFooter, btGroupFooter, btReportSummary}},
            {btDetailData,
             {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btGroupFooter, btReportSummary}},
            {btSubDetailData,
             {btPageFooter, btColumnFooter, btMasterFooter, btDetailFooter, btSubDetailFooter, btGroupFooter,
              btReportSummary}},
            {btCrossData, {btCrossFooter}},
        };
        for (const Level &level : levels) {
            if (level.data == btCrossData && !BandUsed(btCrossData))
                continue;
            for (TfrBand *d = Band(level.data); d; d = d->Next.get()) {
                if (d != Band(level.data) && !d->DataSource)
                    break;
                e.TotalsDataBand = d;
                PrepareTotalsOfTypes(level.footers);
            }
        }
    } catch (const Exception &error) {
        ReportExpressionError(error);
    }
    e.TotalsPreparation = false;
    e.TotalsDataBand = nullptr;
}

void TfrPage::PrepareTotalsOfTypes(std::initializer_list<int> types)
{
    for (int t : types) {
        TfrBand *first = Band(t);
        if (!first)
            continue;
        // The first band with its children (a child already visited ends the walk), then the rest of the chain.
        std::vector<TfrBand *> seen;
        for (TfrBand *b = first; b && std::find(seen.begin(), seen.end(), b) == seen.end(); b = b->ChildBand) {
            seen.push_back(b);
            PrepareTotalsOfBand(b);
        }
        for (TfrBand *b = first->Next.get(); b; b = b->Next.get())
            PrepareTotalsOfBand(b);
    }
}

void TfrPage::PrepareTotalsOfBand(TfrBand *band)
{
    TfrGlobals &e = frEngine();
    e.CurrentBand = band;
    e.CurrentView = band->View;
    QStringList calls;
    TAggregateFunctionsSplitter splitter(&calls);
    splitter.SplitScript(band->Script);
    for (TfrView *v : band->Objects) {
        if (v->TypeCode == 0)
            splitter.SplitMemo(v->Memo);
        splitter.SplitScript(v->Script);
    }
    for (const QString &call : calls)
        e.Parser().Evaluate(call);
}
