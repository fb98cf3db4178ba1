#include "communication.h"

#include "bootloaderline.h"
#include "identification_guards.h"
#include "identificationrules.h"
#include "portnumbers.h"
#include "blockingcall.h"
#include "replywait.h"
#include "STBLLIB.h"

#include <QDebug>

namespace {

using namespace IdentificationRules;

// Reading a port the serial layer closed under us only draws warnings.
QByteArray readAvailable(QextSerialPort *line)
{
    return line->isOpen() ? line->read(line->bytesAvailable()) : QByteArray();
}

// True when the gripper's STM32 system bootloader acknowledged its sync.
bool probeBootloader(int portNumber)
{
    qDebug() << "TARGET_SetComIntType? " << int(TARGET_SetComIntType(0));
    qDebug() << "SetCOMSettings? " << int(BootloaderLine::configure(portNumber));
    qDebug() << "comPortNumber : " << portNumber;
    // Closes the library's line on the way out whatever happened inside; the
    // Modbus probe needs the port free.
    BootloaderLineGuard line;
    if (COM_Open() != 0)
        return false;
    SetTimeOut(kBootloaderTimeoutMs);
    qDebug() << "DS";
    uint8_t ack = 0;
    if (runBlocking([] { return STBL_Init_BL(); }) == 0)
        ack = GetAckValue();
    qDebug() << "DS";
    line.close();
    return ack == stbl::ACK;
}

} // namespace

void Communication::handleNewDevice(QextPortInfo port)
{
    if (port.enumName == QLatin1String("ACPI"))
        return;
    const QString portName = port.portName;
    const int portNumber = korvane::portNumberFromName(portName.toStdString());
    if (portNumber == 0) {
        qDebug() << "ERREUR Communication::handleNewDevice";
        return;
    }

    if (probeBootloader(portNumber)) {
        qDebug().noquote() << portName << " : " << kindLetter(BL_STM32);
        auto *device = new KorvaneDevice(portName, QStringLiteral("BL_STM32"), BL_STM32, false, kProbeSettings);
        device->inBootloader = true;
        devices.append(device);
        emit deviceDetected(device);
        return;
    }

    // A port object of its own: the shared one may be in use by a page while
    // a hot-plug notice runs this inside one of its waits.
    ProbePort probe(portName, kProbeSettings);
    if (!probe.open())
        return;
    QextSerialPort *line = probe.port();

    line->write(QByteArray::fromHex(kVersionRequest));
    waitForReply(line, kModbusReplyWaitMs, kVersionReplySize);
    QByteArray reply = readAvailable(line);

    QString typeCode;
    int major = 0;
    int minor = 0;
    int patch = 0;
    decodeVersionReply(reply, typeCode, major, minor, patch);

    if (const DeviceKind kind = kindFromVersionReply(reply); kind != Unidentified) {
        qDebug().noquote() << portName << " : " << kindLetter(kind);
        auto *device = new KorvaneDevice(portName, typeCode, kind, false, kProbeSettings);
        device->major = major;
        device->minor = minor;
        device->patch = patch;
        devices.append(device);
        if (kind != K01) {
            probe.close();
            emit deviceDetected(device);
            return;
        }

        // A K01 may relay a GB1 on its second register block; only the unit
        // that gets updated is announced.
        line->write(QByteArray::fromHex(kSecondaryVersionRequest));
        waitForReply(line, kModbusReplyWaitMs, kVersionReplySize);
        reply = readAvailable(line);
        decodeVersionReply(reply, typeCode, major, minor, patch);
        if (namesSecondaryGb1(reply)) {
            qDebug().noquote() << portName << " : " << kindLetter(GB1);
            auto *secondary = new KorvaneDevice(portName, typeCode, GB1, true, kProbeSettings);
            secondary->major = major;
            secondary->minor = minor;
            secondary->patch = patch;
            devices.append(secondary);
            probe.close();
            emit deviceDetected(secondary);
            return;
        }
        probe.close();
        emit deviceDetected(device);
        return;
    }

    // Older grippers never answer Modbus but print their banner; a banner cut
    // in two by the first read is joined up again here.
    if (line->isOpen()) {
        waitForReply(line, kTextWaitMs);
        reply += readAvailable(line);
    }
    // The serial layer closes a port whose device went away; such a port is
    // about to leave the list, so it gets no record.
    if (!line->isOpen()) {
        qDebug().noquote() << "ERREUR Communication::handleNewDevice: port lost" << portName;
        return;
    }
    const DeviceKind kind = printsGsBanner(reply) ? GSX : Unidentified;
    auto *device = new KorvaneDevice(portName, typeCode, kind, false, kProbeSettings);
    devices.append(device);
    probe.close();
    emit deviceDetected(device);
}
