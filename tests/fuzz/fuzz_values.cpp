// The text-to-value conversions and the format routines: the first byte picks the routine's variant, the rest
// is the text (a number, date or time to read, or a format to apply to fixed values and to the number read).
#include "Formats.h"
#include "MemTable.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

TMemTable &fields()
{
    static TMemTable *t = [] {
        auto *m = new TMemTable;
        const TFieldType types[] = {ftString, ftSmallint, ftInteger, ftWord, ftLargeint, ftFloat, ftCurrency,
                                    ftBCD, ftBoolean, ftDate, ftTime, ftDateTime, ftMemo, ftBlob};
        int i = 0;
        for (TFieldType type : types)
            m->FieldDefs().Add(QStringLiteral("F%1").arg(i++), type, type == ftString ? 20 : 0);
        m->Open();
        m->Append();
        return m;
    }();
    return *t;
}

template<typename F>
void refusedIsFine(F f)
{
    try {
        f();
    } catch (const Exception &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t pick = data[0];
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    FormatSettingsScope formats;
    if (pick & 1) {
        FormatSettings().DecimalSeparator = QLatin1Char(',');
        FormatSettings().ThousandSeparator = QChar(0x00A0);
        FormatSettings().DateSeparator = QLatin1Char('.');
        FormatSettings().ShortDateFormat = QStringLiteral("dd.mm.yyyy");
    }

    // Reading.
    double number = 0;
    const bool isNumber = TryStrToFloat(text, number);
    int integer = 0;
    TryStrToInt(text, integer);
    TDateTime when = 0;
    const bool isDate = TryStrToDateTime(text, when) || TryStrToDate(text, when) || TryStrToTime(text, when);
    refusedIsFine([&] { StrToFloat(text); });
    refusedIsFine([&] { StrToDateTime(text); });

    // Writing: the text as a format, applied to fixed values and to what was read.
    const double values[] = {0.0, -1.5, 1234567.891, 1e-10, 1e300, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(), isNumber ? number : 2.5};
    for (double v : values) {
        refusedIsFine([&] { FormatFloat(text, v); });
        refusedIsFine([&] { FormatCurr(text, v); });
        refusedIsFine([&] { FloatToStrF(v, TFloatFormat((pick >> 1) % 5), (pick >> 4) % 20, pick % 19); });
        refusedIsFine([&] { CurrToStrF(v, TFloatFormat((pick >> 1) % 5), pick % 19); });
        refusedIsFine([&] { FormatDateTime(text, v); });
    }
    if (isDate) {
        refusedIsFine([&] { DateTimeToStr(when); });
        refusedIsFine([&] { FormatDateTime(text, when); });
    }
    refusedIsFine([&] { Round(isNumber ? number : 0.5); });

    // Every field type takes the text, and shows what it took.
    TMemTable &t = fields();
    for (TField *f : t.Fields()) {
        refusedIsFine([&] { f->SetAsString(text); });
        refusedIsFine([&] { f->SetValue(isNumber ? QVariant(number) : QVariant(text)); });
        refusedIsFine([&] {
            f->DisplayText();
            f->AsString();
            f->AsFloat();
            f->AsLargeInt();
        });
    }
    return 0;
}
