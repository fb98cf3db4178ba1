#include "qextserial_platform.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <windows.h>

namespace QextPlatform {

QString enumeratorName(const QSerialPortInfo &info)
{
    // Windows lists the built-in ports through its ACPI enumerator, with the
    // standard port driver as manufacturer.
    return info.manufacturer().contains(QLatin1String("Standard port types")) ? QStringLiteral("ACPI")
                                                                                : QStringLiteral("USB");
}

QString devicePath(const QSerialPortInfo &info)
{
    // QSerialPort and the bootloader library take the COM name and add the
    // "\\.\" themselves; the library reads the port's number off the name.
    return info.portName();
}

QString portLocation(const QString &location)
{
    // "COM11", "com11" and "\\.\COM11" are one port.
    QString name = location.toUpper();
    if (name.startsWith(QLatin1String("\\\\.\\")))
        name = name.mid(4);
    if (name.isEmpty())
        return QString();
    const QString path = QLatin1String("\\\\.\\") + name;
    wchar_t target[512];
    if (QueryDosDeviceW(reinterpret_cast<const wchar_t *>(name.utf16()), target, 512) != 0)
        return path;
    // Not every driver publishes its name (nor does Wine for a port linked
    // by hand): the driver itself is asked, without reading or writing.
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), 0, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return path;
    }
    const DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? path : QString();
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
