#include "identification_guards.h"

#include "STBLLIB.h"

BootloaderLineGuard::~BootloaderLineGuard()
{
    close();
}

void BootloaderLineGuard::close()
{
    // Also after a failed COM_Open: a half-opened line must not stay held.
    if (COM_is_Open() != 0)
        COM_Close();
}

ProbePort::ProbePort(const QString &portName, const PortSettings &settings)
    : m_port(new QextSerialPort(portName, settings, QextSerialPort::EventDriven))
{
}

ProbePort::~ProbePort()
{
    close();
}

bool ProbePort::open()
{
    return m_port->open(QIODevice::ReadWrite);
}

void ProbePort::close()
{
    if (m_port->isOpen())
        m_port->close();
}
