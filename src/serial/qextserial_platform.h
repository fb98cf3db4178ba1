#ifndef QEXTSERIAL_PLATFORM_H
#define QEXTSERIAL_PLATFORM_H

#include <QString>

class QSerialPort;
class QSerialPortInfo;

// The little the serial layer must know of the operating system, one file per
// platform (qextserial_unix.cpp, qextserial_win.cpp).
namespace QextPlatform {

// Where the enumerator found a port: "ACPI" for the machine's built-in ports,
// which are never probed, "USB" for the rest.
QString enumeratorName(const QSerialPortInfo &info);

// Whether an error QSerialPort reported means the device has gone. Some
// errors are passing: with XON/XOFF a write held back by the device's XOFF
// fails with EAGAIN, reported as a resource error, and the bytes are kept.
bool deviceIsGone(QSerialPort &port);

} // namespace QextPlatform

#endif
