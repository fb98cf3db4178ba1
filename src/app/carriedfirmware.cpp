#include "carriedfirmware.h"

namespace CarriedFirmware {

QString designation()
{
    return QStringLiteral("%1-%2-%3-%4.%5.%6")
        .arg(QLatin1String(kTypeCodes[0]), QLatin1String(kTypeCodes[1]), QLatin1String(kTypeCodes[2]))
        .arg(kMajor)
        .arg(kMinor)
        .arg(kPatch);
}

QString windowTitle()
{
    return QStringLiteral("Korvane Upgrader for firmware version ") + designation();
}

} // namespace CarriedFirmware
