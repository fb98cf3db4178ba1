#include "korvanedevice.h"

KorvaneDevice::KorvaneDevice(const QString &portName, const QString &typeCode, DeviceKind kind,
                             bool secondaryUnit, PortSettings portSettings)
    : portName(portName)
    , typeCode(typeCode)
    , kind(kind)
    , secondaryUnit(secondaryUnit)
    , portSettings(portSettings)
{
}

bool KorvaneDevice::isSecondaryUnit() const
{
    return secondaryUnit;
}

QString KorvaneDevice::versionText() const
{
    return typeCode + QStringLiteral("-%1.%2.%3").arg(major).arg(minor).arg(patch);
}
