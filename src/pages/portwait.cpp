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
