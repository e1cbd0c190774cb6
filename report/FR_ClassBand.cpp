// The band record of a build and the totals it keeps.
#include "FR_Class.h"

#include "FR_DBSet.h"

QString TotalKeyField(const QString &key, int n)
{
    int start = 0;
    for (int field = 1;; ++field) {
        const qsizetype end = key.indexOf(TotalKeySeparator, start);
        if (end < 0)
            return QString();
        if (field == n)
            return key.mid(start, end - start);
        start = int(end) + 1;
    }
}

TfrBand::TfrBand(int bandType, TfrPage *page)
    : Page(page)
    , BandType(bandType)
{
}

TfrBand::~TfrBand()
{
    TfrGlobals &e = frEngine();
    if (e.CurrentBand == this)
        e.CurrentBand = nullptr;
    if (e.TotalsDataBand == this)
        e.TotalsDataBand = nullptr;
    if (OwnsDataSource)
        delete DataSource;
    if (OwnsCrossDataSource)
        delete CrossDataSource;
    // A long chain is taken apart link by link rather than by nested destructors.
    while (Next)
        Next = std::move(Next->Next);
}

void TfrBand::SetTotal(const QString &key, const Variant &value)
{
    Totals.SetValue(key, value);
}

void TfrBand::GetTotal(const QString &key, Variant &value) const
{
    const int i = Totals.IndexOf(key);
    if (i < 0) {
        value = Variant::Null();
        return;
    }
    value = Totals.GetValueAt(i);
    // A cross entry carries its column number in front of the usual fields.
    const bool cross = !key.isEmpty() && key[0].isDigit();
    const QString kindField = TotalKeyField(key, cross ? 3 : 2);
    const int kind = kindField.isEmpty() ? 0 : kindField[0].unicode();
    if ((kind == tkMin || kind == tkMax) && value.isUnassigned()) {
        value = Variant(0);
    } else if (kind == tkAvg) {
        const double sum = value.isUnassignedOrNull() ? 0.0 : value.toDouble();
        value = Variant(TotalCount == 0 ? 0.0 : sum / TotalCount);
    }
}

bool TfrBand::HasCrossCells() const
{
    for (const TfrView *v : Objects)
        if (v->Parent != this)
            return true;
    return false;
}
