// Scripts of report objects: compilation, and a run of every script that compiled without errors and
// cannot loop (a backward jump could run for ever by design, as a user's own loop may).
#include "FR_Intrp.h"

#include <cstddef>
#include <cstdint>

namespace {

class FuzzInterpretator : public TfrInterpretator
{
public:
    void GetValue(const QString &name, Variant &value) override { value = int(name.size()); }
    void SetValue(const QString &, const Variant &) override {}
    void DoFunction(const QString &, const Variant &p1, const Variant &, const Variant &, Variant &val) override
    {
        val = Parser().Evaluate(p1.toString());
    }
};

bool loops(const QStringList &compiled)
{
    for (int i = 0; i < compiled.size(); ++i) {
        const QString &line = compiled[i];
        if (line.isEmpty() || (line[0] != QChar(1) && line[0] != QChar(2)))
            continue;
        if (line.size() < 3 || line[1].unicode() + 256 * line[2].unicode() <= i)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    FuzzInterpretator in;
    QStringList compiled, errors;
    in.CompileScript(text.split('\n'), compiled, errors);
    if (errors.isEmpty() && !loops(compiled)) {
        try {
            in.RunScript(compiled);
        } catch (const std::exception &) {
        }
    }
    QStringList found;
    try {
        in.SplitScriptExpressions(compiled, {"SUM"}, nullptr, found);
    } catch (const std::exception &) {
    }
    return 0;
}
