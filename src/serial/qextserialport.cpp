#include "qextserialport.h"

#include "korvanelog.h"
#include "qextserial_platform.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QSerialPort>

namespace {

const qint64 kCloseDrainMs = 200;

const PortSettings kDefaultSettings = {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100};

QSerialPort::Parity toQt(ParityType parity)
{
    switch (parity) {
    case PAR_ODD:
        return QSerialPort::OddParity;
    case PAR_EVEN:
        return QSerialPort::EvenParity;
    case PAR_SPACE:
        return QSerialPort::SpaceParity;
    case PAR_NONE:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl toQt(FlowType flow)
{
    switch (flow) {
    case FLOW_HARDWARE:
        return QSerialPort::HardwareControl;
    case FLOW_XONXOFF:
        return QSerialPort::SoftwareControl;
    case FLOW_OFF:
        break;
    }
    return QSerialPort::NoFlowControl;
}

} // namespace

QextSerialPort::QextSerialPort(QueryMode mode, QObject *parent)
    : QextSerialPort(QString(), kDefaultSettings, mode, parent)
{
}

QextSerialPort::QextSerialPort(const QString &name, const PortSettings &settings, QueryMode mode,
                               QObject *parent)
    : QIODevice(parent)
    , m_port(new QSerialPort(this))
    , m_portName(name)
    , m_settings(settings)
    , m_queryMode(mode)
{
    connect(m_port, &QSerialPort::readyRead, this, &QIODevice::readyRead);
    connect(m_port, &QSerialPort::bytesWritten, this, &QIODevice::bytesWritten);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onPortError(error); });
}

QextSerialPort::~QextSerialPort()
{
    close();
}

void QextSerialPort::setPortName(const QString &name)
{
    m_portName = name;
}

QString QextSerialPort::portName() const
{
    return m_portName;
}

void QextSerialPort::setQueryMode(QueryMode mode)
{
    m_queryMode = mode;
}

QextSerialPort::QueryMode QextSerialPort::queryMode() const
{
    return m_queryMode;
}

void QextSerialPort::setBaudRate(BaudRateType baud)
{
    m_settings.BaudRate = baud;
    if (isOpen())
        m_port->setBaudRate(baud);
}

void QextSerialPort::setDataBits(DataBitsType bits)
{
    m_settings.DataBits = bits;
    if (isOpen())
        m_port->setDataBits(static_cast<QSerialPort::DataBits>(bits));
}

void QextSerialPort::setParity(ParityType parity)
{
    m_settings.Parity = parity;
    if (isOpen())
        m_port->setParity(toQt(parity));
}

void QextSerialPort::setStopBits(StopBitsType bits)
{
    m_settings.StopBits = bits;
    if (isOpen())
        m_port->setStopBits(bits == STOP_2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
}

void QextSerialPort::setFlowControl(FlowType flow)
{
    m_settings.FlowControl = flow;
    if (isOpen()) {
        m_port->setFlowControl(toQt(flow));
        QextPlatform::holdOutputUntilXon(*m_port);
    }
}

void QextSerialPort::setTimeout(long millisec)
{
    m_settings.Timeout_Millisec = millisec;
}

PortSettings QextSerialPort::settings() const
{
    return m_settings;
}

void QextSerialPort::applySettings()
{
    m_port->setBaudRate(m_settings.BaudRate);
    m_port->setDataBits(static_cast<QSerialPort::DataBits>(m_settings.DataBits));
    m_port->setParity(toQt(m_settings.Parity));
    m_port->setStopBits(m_settings.StopBits == STOP_2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    m_port->setFlowControl(toQt(m_settings.FlowControl));
}

bool QextSerialPort::open(OpenMode mode)
{
    if (isOpen())
        return true;
    if (m_portName.isEmpty())
        return false;
    // In use by another of our programs, which may be writing a gripper's
    // flash: not a byte goes to it, and its line keeps its settings and its
    // exclusive mode, which opening the port would change, even as root.
    m_lock = QextPlatform::lockLine(m_portName);
    if (m_lock < 0)
        return false;
    m_port->setPortName(m_portName);
    applySettings();
    if (!m_port->open(mode)) {
        QextPlatform::unlockLine(m_lock);
        m_lock = -1;
        return false;
    }
    QextPlatform::holdOutputUntilXon(*m_port);
    // Unbuffered: the data stays in QSerialPort, which has its own buffer.
    return QIODevice::open(mode | QIODevice::Unbuffered);
}

void QextSerialPort::close()
{
    if (m_port->isOpen()) {
        // QSerialPort writes from its own buffer as the line takes it, and
        // throws away what is left when closed: a request written just before
        // closing would never leave. Give it a short while to go out.
        QElapsedTimer drain;
        drain.start();
        while (m_port->bytesToWrite() > 0 && drain.elapsed() < kCloseDrainMs) {
            if (!m_port->waitForBytesWritten(int(kCloseDrainMs - drain.elapsed())))
                break;
        }
        m_port->close();
    }
    if (m_lock >= 0) {
        QextPlatform::unlockLine(m_lock);
        m_lock = -1;
    }
    if (isOpen())
        QIODevice::close();
}

bool QextSerialPort::flush()
{
    return isOpen() && m_port->flush();
}

bool QextSerialPort::isSequential() const
{
    return true;
}

qint64 QextSerialPort::bytesAvailable() const
{
    return isOpen() ? m_port->bytesAvailable() + QIODevice::bytesAvailable() : 0;
}

qint64 QextSerialPort::bytesToWrite() const
{
    return isOpen() ? m_port->bytesToWrite() : 0;
}

bool QextSerialPort::waitForReadyRead(int msecs)
{
    return isOpen() && m_port->waitForReadyRead(msecs);
}

bool QextSerialPort::waitForBytesWritten(int msecs)
{
    return isOpen() && m_port->waitForBytesWritten(msecs);
}

qint64 QextSerialPort::readData(char *data, qint64 maxSize)
{
    return m_port->read(data, maxSize);
}

qint64 QextSerialPort::writeData(const char *data, qint64 maxSize)
{
    return m_port->write(data, maxSize);
}

void QextSerialPort::onPortError(int error)
{
    // Once the device is gone QSerialPort reports the same error again on
    // every turn of the event loop; closing the port is the only way out.
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError
        || error == QSerialPort::WriteError) {
        if (m_port->isOpen() && QextPlatform::deviceIsGone(*m_port)) {
            qCDebug(lcSerial) << "serial port lost:" << m_portName << m_port->errorString();
            close();
        } else {
            m_port->clearError();
        }
    }
}
