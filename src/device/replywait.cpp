#include "replywait.h"

#include "qextserialport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QIODevice>
#include <QTimer>

void waitForReply(QIODevice *port, int timeoutMs)
{
    QEventLoop loop;
    QObject::connect(port, &QIODevice::readyRead, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
}

void waitForReply(QIODevice *port, int timeoutMs, qint64 expectedBytes)
{
    QEventLoop loop;
    QObject::connect(port, &QIODevice::readyRead, &loop, [&] {
        if (port->bytesAvailable() >= expectedBytes)
            loop.quit();
    });
    // A port that closes (its device gone) will not deliver the rest.
    QObject::connect(port, &QIODevice::aboutToClose, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (port->bytesAvailable() < expectedBytes)
        loop.exec();
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray readReply(QextSerialPort &port, int size, int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QByteArray reply = port.readAll();
    while (port.isOpen() && reply.size() < size && elapsed.elapsed() < ms) {
        if (port.waitForReadyRead(int(ms - elapsed.elapsed())))
            reply += port.readAll();
    }
    return reply;
}
