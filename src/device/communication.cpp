#include "communication.h"

#include "replywait.h"

#include <QDebug>

const char *const Communication::kVersionRequest = "090301f40003448d";
const char *const Communication::kSecondaryVersionRequest = "09030dac0003c60e";
const char *const Communication::kRebootRequest = "091001900001022A00D360";
const char *const Communication::kRebootEcho = "0910019000010150";

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
    qDeleteAll(devices);
    qDeleteAll(retired);
}

void Communication::retire(KorvaneDevice *device)
{
    if (device && !retired.contains(device))
        retired.append(device);
}

QByteArray Communication::secondaryRebootRequest()
{
    static const char bytes[] = {0x09, 0x10, 0x0D, 0x48, 0x00, 0x01, 0x02, 0x2A, 0x00, 0x0D, char(0xB8)};
    return QByteArray(bytes, sizeof bytes);
}

void Communication::requestVersion()
{
    write(QByteArray::fromHex(kVersionRequest));
}

void Communication::requestSecondaryVersion()
{
    write(QByteArray::fromHex(kSecondaryVersionRequest));
}

bool Communication::rebootDevice()
{
    write(QByteArray::fromHex(kRebootRequest));
    flush();
    waitForReply(this, kRebootEchoWaitMs, kRebootEchoSize);
    const QByteArray reply = read(bytesAvailable());
    return reply == QByteArray::fromHex(kRebootEcho);
}

void Communication::rebootSecondaryUnit()
{
    write(secondaryRebootRequest());
}

bool Communication::readVersionFields(const QByteArray &reply, VersionFields *out)
{
    // The version bytes sit at 6..8; a shorter read is no version reply.
    if (reply.size() < 9 || quint8(reply.at(0)) != 0x09 || quint8(reply.at(1)) != 0x03)
        return false;
    out->type = reply.mid(3, 3);
    out->major = static_cast<signed char>(reply.at(6));
    out->minor = static_cast<signed char>(reply.at(7));
    out->patch = static_cast<signed char>(reply.at(8));
    return true;
}

void Communication::decodeVersionReply(const QByteArray &reply, QString &typeCode, int &major, int &minor,
                                       int &patch)
{
    VersionFields fields;
    if (!readVersionFields(reply, &fields))
        return;
    major = fields.major;
    minor = fields.minor;
    patch = fields.patch;
    if (fields.type == QByteArray(3, '\0')) {
        typeCode = QStringLiteral("unknown");
        return;
    }
    const int end = fields.type.indexOf('\0');
    typeCode = QString::fromUtf8(end < 0 ? fields.type : fields.type.left(end));
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
    for (KorvaneDevice *device : qAsConst(devices))
        retire(device);
    devices.clear();
    for (const QextPortInfo &port : ports) {
        handleNewDevice(port);
        names->append(port.portName);
    }
    return names;
}
