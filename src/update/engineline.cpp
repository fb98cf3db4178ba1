#include "engineline.h"

#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <thread>

std::unique_ptr<QextSerialPort> openFirmwareLine(const UpdateTarget &target, BaudRateType baud, FlowType flow)
{
    const PortSettings settings = {baud, DATA_8, PAR_NONE, STOP_1, flow, 100};
    auto port = std::make_unique<QextSerialPort>(target.portName, settings, QextSerialPort::Polling);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

bool pauseUnless(int ms, const std::atomic<bool> &stop)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!stop && elapsed.elapsed() < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<qint64>(10, ms - elapsed.elapsed())));
    return !stop;
}
