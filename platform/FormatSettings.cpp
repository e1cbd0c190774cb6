#include "FormatSettings.h"

TFormatSettings::TFormatSettings()
    : ShortMonthNames({ QStringLiteral("янв"), QStringLiteral("фев"), QStringLiteral("мар"), QStringLiteral("апр"),
        QStringLiteral("май"), QStringLiteral("июн"), QStringLiteral("июл"), QStringLiteral("авг"),
        QStringLiteral("сен"), QStringLiteral("окт"), QStringLiteral("ноя"), QStringLiteral("дек") })
    , LongMonthNames({ QStringLiteral("Январь"), QStringLiteral("Февраль"), QStringLiteral("Март"),
          QStringLiteral("Апрель"), QStringLiteral("Май"), QStringLiteral("Июнь"), QStringLiteral("Июль"),
          QStringLiteral("Август"), QStringLiteral("Сентябрь"), QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),
          QStringLiteral("Декабрь") })
    , ShortDayNames({ QStringLiteral("Вс"), QStringLiteral("Пн"), QStringLiteral("Вт"), QStringLiteral("Ср"),
          QStringLiteral("Чт"), QStringLiteral("Пт"), QStringLiteral("Сб") })
    , LongDayNames({ QStringLiteral("воскресенье"), QStringLiteral("понедельник"), QStringLiteral("вторник"),
          QStringLiteral("среда"), QStringLiteral("четверг"), QStringLiteral("пятница"), QStringLiteral("суббота") })
{
}

TFormatSettings &FormatSettings()
{
    static TFormatSettings settings;
    return settings;
}

FormatSettingsScope::FormatSettingsScope()
    : m_saved(FormatSettings())
{
}

FormatSettingsScope::~FormatSettingsScope()
{
    FormatSettings() = m_saved;
}
