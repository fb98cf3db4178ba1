#ifndef IDENTIFICATION_GUARDS_H
#define IDENTIFICATION_GUARDS_H

#include "qextserialport.h"

#include <QString>

#include <memory>

// Identification may return from many places, and a port it leaves open
// blocks the gripper for every later probe and for the download. These
// guards close what was opened on every way out.

// The bootloader library's one line, opened by COM_Open().
class BootloaderLineGuard
{
public:
    BootloaderLineGuard() = default;
    ~BootloaderLineGuard();
    BootloaderLineGuard(const BootloaderLineGuard &) = delete;
    BootloaderLineGuard &operator=(const BootloaderLineGuard &) = delete;

    // Closes the line now, if the library holds it open.
    void close();
};

// A serial port object owned by one probe, closed and released when the
// probe ends.
class ProbePort
{
public:
    ProbePort(const QString &portName, const PortSettings &settings);
    ~ProbePort();
    ProbePort(const ProbePort &) = delete;
    ProbePort &operator=(const ProbePort &) = delete;

    bool open();
    void close();
    QextSerialPort *port() const { return m_port.get(); }

private:
    std::unique_ptr<QextSerialPort> m_port;
};

#endif
