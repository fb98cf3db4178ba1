#include "qextserial_platform.h"

#include <QSerialPort>
#include <QSerialPortInfo>

namespace QextPlatform {

QString enumeratorName(const QSerialPortInfo &info)
{
    // Windows lists the built-in ports through its ACPI enumerator, with the
    // standard port driver as manufacturer.
    return info.manufacturer().contains(QLatin1String("Standard port types")) ? QStringLiteral("ACPI")
                                                                                : QStringLiteral("USB");
}

bool deviceIsGone(QSerialPort &)
{
    // Windows reports a removed adapter as a resource error and nothing else.
    return true;
}

} // namespace QextPlatform
