#include "communication.h"

#include "bootloaderline.h"
#include "blockingcall.h"
#include "identification_guards.h"
#include "identificationrules.h"
#include "korvanelog.h"
#include "portnumbers.h"
#include "portprobe.h"
#include "STBLLIB.h"

#include <QDebug>

namespace {

using namespace IdentificationRules;

// True when the gripper's STM32 system bootloader acknowledged its sync, on
// the process-wide line: it remembers the synchronisation, so the download
// that follows does not send the ROM a second sync byte.
bool probeBootloader(int portNumber, uint32_t timeoutMs)
{
    qCDebug(lcDevice) << "TARGET_SetComIntType? " << int(TARGET_SetComIntType(0));
    qCDebug(lcDevice) << "SetCOMSettings? " << int(BootloaderLine::configure(portNumber));
    qCDebug(lcDevice) << "comPortNumber : " << portNumber;
    // Closes the library's line on the way out whatever happened inside; the
    // Modbus probe needs the port free.
    BootloaderLineGuard line;
    if (COM_Open() != 0)
        return false;
    SetTimeOut(timeoutMs);
    qCDebug(lcDevice) << "DS";
    uint8_t ack = 0;
    if (STBL_Init_BL() == 0)
        ack = GetAckValue();
    qCDebug(lcDevice) << "DS";
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
        qCDebug(lcDevice) << "ERREUR Communication::handleNewDevice";
        return;
    }
    // The probe a batch of units runs too, on the pool: the window stays live
    // for its waits. The port object is its own: the shared one may be in use
    // by a page while a hot-plug notice runs this inside one of its waits.
    const QList<ProbedDevice> found = runBlocking([port, portNumber] {
        return PortProbe::identify(port, [portNumber](const QString &path, uint32_t timeoutMs) {
            // A download holds the process-wide line (a unit plugged in
            // during a batch): this port is asked on a session of its own.
            if (!BootloaderLine::take())
                return PortProbe::romAnswersOnOwnSession(path, timeoutMs);
            const bool answered = probeBootloader(portNumber, timeoutMs);
            BootloaderLine::release();
            return answered;
        });
    });

    KorvaneDevice *announced = nullptr;
    for (const ProbedDevice &probed : found) {
        // A port it cannot open gets no record, as one that went away.
        if (probed.unavailable)
            continue;
        auto *device = new KorvaneDevice(portName, probed.typeCode, probed.kind, probed.secondaryUnit, kProbeSettings);
        device->major = probed.major;
        device->minor = probed.minor;
        device->patch = probed.patch;
        device->inBootloader = probed.inBootloader;
        devices.append(device);
        if (probed.kind != GSX && probed.kind != Unidentified)
            qCDebug(lcDevice).noquote() << portName << " : " << kindLetter(probed.kind);
        // Of a K01 with a GB1 behind it, only the unit that gets updated.
        if (probed.announced)
            announced = device;
    }
    if (announced)
        emit deviceDetected(announced);
}
