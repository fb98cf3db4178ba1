#include "qextserial_platform.h"

#include "portnumbers.h"

#include <QHash>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <cerrno>
#include <functional>
#include <windows.h>
// After windows.h, which they need.
#include <devguid.h>
#include <setupapi.h>

namespace {

// "COM11", "com11" and "\\.\COM11" are one port: "\\.\COM11", the
// device namespace, which COM10 and above need. The same rule as the
// library's port numbers, so that a name one front end takes the other does.
QString deviceNamespacePath(const QString &name)
{
    const QLatin1String prefix("\\\\.\\");
    if (const int number = korvane::comNumberFromName(name.toStdString()); number > 0)
        return prefix + QStringLiteral("COM%1").arg(number);
    const QString upper = name.toUpper();
    return upper.startsWith(prefix) ? upper : prefix + upper;
}

// Each device of the system's "Ports" class with the COM name it was given;
// `visit` returns false to stop.
void forEachNamedPort(const std::function<bool(HDEVINFO, SP_DEVINFO_DATA *, const QString &)> &visit)
{
    const HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t portName[64] = {};
        DWORD size = sizeof portName - sizeof(wchar_t);
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE *>(portName),
                                            &size)
                           == ERROR_SUCCESS;
        RegCloseKey(key);
        if (named && !visit(set, &device, QString::fromWCharArray(portName)))
            break;
    }
    SetupDiDestroyDeviceInfoList(set);
}

} // namespace

namespace QextPlatform {

QStringList enumeratorNames(const QList<QSerialPortInfo> &ports)
{
    // The system's own word for where it found each port: "ACPI" for the
    // machine's built-in ports, "USB", "FTDIBUS" and the like for adapters.
    QHash<QString, QString> byPortName;
    forEachNamedPort([&byPortName](HDEVINFO set, SP_DEVINFO_DATA *device, const QString &portName) {
        wchar_t enumerator[64] = {};
        if (SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_ENUMERATOR_NAME, nullptr,
                                              reinterpret_cast<BYTE *>(enumerator), sizeof enumerator - sizeof(wchar_t),
                                              nullptr))
            byPortName.insert(portName, QString::fromWCharArray(enumerator));
        return true;
    });
    QStringList names;
    // A port the device manager does not know (a virtual one) is probed.
    for (const QSerialPortInfo &info : ports)
        names.append(byPortName.value(info.portName(), QStringLiteral("USB")));
    return names;
}

QString devicePath(const QSerialPortInfo &info)
{
    // QSerialPort and the bootloader library take the COM name and add the
    // "\\.\" themselves; the library reads the port's number off the name.
    return info.portName();
}

QString portLocation(const QString &location)
{
    const QString path = deviceNamespacePath(location);
    wchar_t target[512];
    if (QueryDosDeviceW(reinterpret_cast<const wchar_t *>(path.mid(4).utf16()), target, 512) != 0)
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

void holdOutputUntilXon(QSerialPort &)
{
    // Windows resumes output on XON only.
}

QString stablePath(const QString &path)
{
    // The device instance ("FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000") names
    // the adapter by its maker and serial, whatever COM number it got.
    const int number = korvane::comNumberFromName(path.toStdString());
    if (number <= 0)
        return QString();
    const QString wanted = QStringLiteral("COM%1").arg(number);
    QString instance;
    forEachNamedPort([&](HDEVINFO set, SP_DEVINFO_DATA *device, const QString &portName) {
        wchar_t id[512] = {};
        if (portName.compare(wanted, Qt::CaseInsensitive) == 0 && SetupDiGetDeviceInstanceIdW(set, device, id, 511, nullptr))
            instance = QString::fromWCharArray(id);
        return instance.isEmpty();
    });
    return instance;
}

QString deviceIdentity(const QString &)
{
    // A COM port's name is all there is: a swap under one name is seen only
    // when the name was gone for a comparison.
    return QString();
}

int lockLine(const QString &)
{
    // Windows opens a COM port for one handle only: the open itself is the
    // lock, and a refused one touches nothing.
    return 0;
}

void unlockLine(int)
{
}

int openFailure(const QString &path)
{
    const QString location = deviceNamespacePath(path);
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(location.utf16()),
                                      GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return 0;
    }
    switch (GetLastError()) {
    // A COM port is opened by one program at a time: refused access is
    // another holding it.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    default:
        return 0;
    }
}

QString portListFingerprint(const QStringList &, bool)
{
    return QString();
}

} // namespace QextPlatform
