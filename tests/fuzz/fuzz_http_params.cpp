// Any bytes as a cabinet request's query string or form body: the parameter decoder, the monitor's
// parameter lines and the JSON escaper, whose output must leave no quote, backslash or control character
// unescaped.
#include "uCabinetText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void checkEscaped(const QString &text)
{
    const QString escaped = JsonEscape(text);
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped[i];
        if (c.unicode() < 0x20 || c == QLatin1Char('"'))
            std::abort();
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= escaped.size())
                std::abort();
            ++i; // the escaped character
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TRequestParams params = DecodeRequestParams(bytes);
    for (const auto &[name, value] : params) {
        const QString logged = ParamLogText(name, value);
        if (logged.isEmpty())
            std::abort();
        // A password never reaches the monitor, whatever case its name is written in.
        if (name.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0 && logged != name + QLatin1String("=***"))
            std::abort();
        checkEscaped(name);
        checkEscaped(value);
    }
    checkEscaped(DecodeParamBytes(bytes));
    if (WebPasswordDigest(DecodeParamBytes(bytes)).size() != 32)
        std::abort();
    return 0;
}
