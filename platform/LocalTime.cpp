#include "LocalTime.h"

#include <cstdlib>
#include <limits>
#include <string>

QDateTime CurrentLocalDateTime()
{
    // Zones change their offsets at whole minutes: within one minute the offset found for its first moment
    // holds. Each thread keeps its own, so that the server's workers never wait on one another here.
    struct Known
    {
        qint64 minute = std::numeric_limits<qint64>::min();
        int offset = 0;
        bool tzSet = false;
        std::string tz;
    };
    thread_local Known known;

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = now >= 0 ? now / 60000 : (now - 59999) / 60000;
    const char *tz = std::getenv("TZ");
    if (minute != known.minute || (tz != nullptr) != known.tzSet || (tz && known.tz != tz)) {
        known.offset = QDateTime::fromMSecsSinceEpoch(now, Qt::LocalTime).offsetFromUtc();
        known.minute = minute;
        known.tzSet = tz != nullptr;
        known.tz = tz ? tz : "";
    }
    return QDateTime::fromMSecsSinceEpoch(now, Qt::OffsetFromUTC, known.offset);
}
