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

QString deviceIdentity(const QString &)
{
    // A COM port's name is all there is: a swap under one name is seen only
    // when the name was gone for a comparison.
    return QString();
}

bool lockLine(QSerialPort &)
{
    // Windows opens a COM port for one handle only.
    return true;
}

int openFailure(const QString &)
{
    return 0;
}

QString portListFingerprint(const QStringList &, bool)
{
    return QString();
}

} // namespace QextPlatform
