#include "portwait.h"

#include "qextserialport.h"
#include "replywait.h"

#include <QElapsedTimer>

namespace {
const int kRetryMs = 100;
}

bool openAndWait(QextSerialPort *port, int timeoutMs, QIODevice::OpenMode mode)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!port->isOpen()) {
        if (port->open(mode))
            break;
        if (elapsed.elapsed() >= timeoutMs)
            return false;
        waitMs(kRetryMs);
    }
    return true;
}

bool reopenPort(QextSerialPort *port, const QString &portName, BaudRateType baud, FlowType flow)
{
    port->close();
    // A port that will not close cannot take new settings.
    if (!waitUntilClosed(port, kPortWaitMs))
        return false;
    port->setPortName(portName);
    port->setQueryMode(QextSerialPort::EventDriven);
    port->setBaudRate(baud);
    port->setDataBits(DATA_8);
    port->setParity(PAR_NONE);
    port->setStopBits(STOP_1);
    port->setFlowControl(flow);
    return openAndWait(port, kPortWaitMs);
}

bool waitUntilClosed(QextSerialPort *port, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (port->isOpen()) {
        if (elapsed.elapsed() >= timeoutMs)
            return false;
        waitMs(kRetryMs);
    }
    return true;
}
