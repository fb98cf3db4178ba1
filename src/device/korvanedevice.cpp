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

QString kindLetter(DeviceKind kind)
{
    switch (kind) {
    case GC: return QStringLiteral("C");
    case GD: return QStringLiteral("D");
    case GU: return QStringLiteral("U");
    case GV: return QStringLiteral("V");
    case CH: return QStringLiteral("H");
    case GS: return QStringLiteral("S");
    case K01: return QStringLiteral("K");
    case GB1: return QStringLiteral("B");
    case FS: return QStringLiteral("F");
    case BL_STM32: return QStringLiteral("BL_STM32");
    case GSX: return QStringLiteral("GSX");
    default: return QString();
    }
}

QString KorvaneDevice::versionText() const
{
    return ::versionText(typeCode, major, minor, patch);
}

QString versionText(const QString &typeCode, int major, int minor, int patch)
{
    return typeCode + QStringLiteral("-%1.%2.%3").arg(major).arg(minor).arg(patch);
}
