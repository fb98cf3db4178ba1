#include "replywait.h"

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

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
