// Any bytes as a reply of the conditional-access server: its status code and display text, as the client
// reads them after cutting the reply at its first NUL and at 255 characters.
#include "CodePage.h"
#include "uCasPacket.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    bytes.truncate(255);
    const QString reply = CP1251ToQString(bytes);
    const QString code = getReplyCode(reply);
    const QString text = describeReply(reply);
    if (code.size() > 4 || text.isEmpty())
        std::abort();
    if (code != QLatin1String("S000") && code != QLatin1String("E100") && code != QLatin1String("E101")
        && code != QLatin1String("E102") && code != QLatin1String("E201") && code != QLatin1String("E999")
        && text != QStringLiteral("unknown response code:") + reply)
        std::abort();
    return 0;
}
