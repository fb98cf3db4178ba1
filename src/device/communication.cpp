#include "communication.h"

#include "replywait.h"

#include <QDebug>
#include <QSet>

const char *const Communication::kVersionRequest = ModbusFrames::kVersionRequest;
const char *const Communication::kSecondaryVersionRequest = ModbusFrames::kSecondaryVersionRequest;
const char *const Communication::kRebootRequest = ModbusFrames::kRebootRequest;
const char *const Communication::kRebootEcho = ModbusFrames::kRebootEcho;

namespace {
const int kRebootEchoWaitMs = 50;
}

Communication::Communication(QObject *parent)
    : QextSerialPort(QextSerialPort::EventDriven, parent)
    , enumerator(new QextSerialEnumerator(this))
{
    setAutoDetectDisable(true);
    enumerator->setUpNotifications();
}

Communication::~Communication()
{
    QSet<KorvaneDevice *> records(devices.begin(), devices.end());
    records.unite(QSet<KorvaneDevice *>(retired.begin(), retired.end()));
    qDeleteAll(records);
}

void Communication::retire(KorvaneDevice *record)
{
    if (record && !retired.contains(record))
        retired.append(record);
}

void Communication::requestVersion()
{
    write(QByteArray::fromHex(ModbusFrames::kVersionRequest));
}

void Communication::requestSecondaryVersion()
{
    write(QByteArray::fromHex(ModbusFrames::kSecondaryVersionRequest));
}

bool Communication::rebootDevice()
{
    write(QByteArray::fromHex(ModbusFrames::kRebootRequest));
    flush();
    waitForReply(this, kRebootEchoWaitMs, ModbusFrames::kRebootEchoSize);
    const QByteArray reply = read(bytesAvailable());
    return reply == QByteArray::fromHex(ModbusFrames::kRebootEcho);
}

void Communication::rebootSecondaryUnit()
{
    write(ModbusFrames::secondaryRebootRequest());
}

void Communication::decodeVersionReply(const QByteArray &reply, QString &typeCode, int &major, int &minor,
                                       int &patch)
{
    ModbusFrames::decodeVersionReply(reply, typeCode, major, minor, patch);
}

KorvaneDevice *Communication::deviceAt(int index) const
{
    return index >= 0 && index < devices.size() ? devices.at(index) : nullptr;
}

void Communication::handleLostDevice(QextPortInfo port)
{
    KorvaneDevice *lost = nullptr;
    for (int i = devices.size() - 1; i >= 0; --i) {
        if (devices.at(i)->portName == port.portName) {
            if (!lost)
                lost = devices.at(i);
            retire(devices.takeAt(i));
        }
    }
    emit deviceLost(lost);
}

void Communication::setAutoDetectDisable(bool disabled)
{
    if (disabled) {
        disconnect(enumerator, SIGNAL(deviceDiscovered(QextPortInfo)), this,
                   SLOT(handleNewDevice(QextPortInfo)));
        disconnect(enumerator, SIGNAL(deviceRemoved(QextPortInfo)), this, SLOT(handleLostDevice(QextPortInfo)));
    } else {
        connect(enumerator, SIGNAL(deviceDiscovered(QextPortInfo)), this, SLOT(handleNewDevice(QextPortInfo)),
                Qt::UniqueConnection);
        connect(enumerator, SIGNAL(deviceRemoved(QextPortInfo)), this, SLOT(handleLostDevice(QextPortInfo)),
                Qt::UniqueConnection);
    }
}

QStringList *Communication::generateDeviceList()
{
    auto *names = new QStringList;
    const QList<QextPortInfo> ports = QextSerialEnumerator::getPorts();
    for (KorvaneDevice *record : qAsConst(devices))
        retire(record);
    devices.clear();
    for (const QextPortInfo &port : ports) {
        handleNewDevice(port);
        names->append(port.portName);
    }
    return names;
}
