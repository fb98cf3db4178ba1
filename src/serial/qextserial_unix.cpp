#include "qextserial_platform.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <poll.h>

namespace QextPlatform {

QString enumeratorName(const QSerialPortInfo &info)
{
    // A gripper is always behind a USB adapter. Ports without a vendor are the
    // machine's own UARTs, treated like Windows' ACPI ports.
    return info.hasVendorIdentifier() ? QStringLiteral("USB") : QStringLiteral("ACPI");
}

bool deviceIsGone(QSerialPort &port)
{
    const int fd = port.handle();
    if (fd < 0)
        return true;
    // A terminal whose device went away (adapter pulled, pty master closed)
    // is hung up, and says so to poll().
    pollfd p = {fd, POLLIN, 0};
    if (::poll(&p, 1, 0) < 0)
        return true;
    return (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace QextPlatform
