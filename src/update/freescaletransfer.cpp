// The GS family's update: its Freescale bootloader is sent the S-records as
// text and reports the load with progress dots.

#include "gripperupdate.h"

#include "communication.h"
#include "engineline.h"
#include "freescaleconfig.h"
#include "freescaleparse.h"
#include "korvanelog.h"

#include <QDebug>
#include <QElapsedTimer>

namespace {

// The bootloader's banner is complete a moment before it listens.
const int kReadyPauseMs = 50;
const int kReadSliceMs = 20;

} // namespace

GripperUpdate::Outcome GripperUpdate::transferFreescale(const std::function<void()> &ready)
{
    if (plan.mainImage.isEmpty() || !missingMarkerRefusal().isEmpty()) {
        // Rebooting into a bootloader that is then sent nothing leaves the
        // gripper there; without a marker the image would go to the firmware.
        qCDebug(lcUpdate) << "ERREUR GripperUpdate: no Freescale image or ready marker";
        return FlashFailed;
    }
    const std::unique_ptr<QextSerialPort> line = openFirmwareLine(plan.target, BAUD115200, FLOW_XONXOFF);
    if (!line) {
        qCDebug(lcUpdate) << "ERREUR GripperUpdate: cannot open" << plan.target.portName;
        return EntryFailed;
    }
    QextSerialPort &port = *line;
    if (plan.manualPowerCycle) {
        emit phaseChanged(AwaitingPowerCycle);
    } else {
        // The bootloader may greet while the request still waits for its
        // echo: everything read from here on counts.
        port.write(QByteArray::fromHex(Communication::kRebootRequest));
        emit phaseChanged(Rebooting);
    }

    QByteArray received;
    QElapsedTimer watchdog;
    watchdog.start();
    while (!holdsReadyMarker(received)) {
        if (cancelled)
            return Cancelled;
        if (!plan.manualPowerCycle && watchdog.elapsed() >= FreescaleConfig::kWatchdogMs)
            return EntryFailed;
        // A cable pulled and put back while the user cycles the power closes
        // the line for good: without opening it again the greeting of the
        // bootloader would never be read, and the wait would have no end.
        if (!port.isOpen() && !port.open(QIODevice::ReadWrite)) {
            if (!pauseUnless(kReopenPauseMs, cancelled))
                return Cancelled;
            continue;
        }
        if (port.waitForReadyRead(kReadSliceMs) || port.bytesAvailable() > 0)
            received += port.readAll();
    }
    emit phaseChanged(FreescaleReady);
    if (!pauseUnless(kReadyPauseMs, cancelled))
        return Cancelled;
    if (ready)
        ready();

    received.clear();
    port.write(plan.mainImage);
    int stage = 1;
    int dots = 0;
    watchdog.restart();
    // Once the image is on its way its report is due, whichever way the
    // gripper was rebooted: silence ends in a message, not a wait for ever.
    for (;;) {
        if (cancelled)
            return Cancelled;
        if (watchdog.elapsed() >= FreescaleConfig::kWatchdogMs)
            return Silent;
        // Also moves what XON/XOFF held back out to the line.
        if (!port.waitForReadyRead(kReadSliceMs) && port.bytesAvailable() == 0)
            continue;
        received += port.readAll();
        qCDebug(lcUpdate) << received;
        const FreescaleReading reading = readFreescaleReceived(received, stage, plan.mainImage.size());
        if (reading.outcome == FreescaleReading::Loaded) {
            // A report while part of the image has not even left is the
            // bootloader ending the load early: only a part of it is in.
            if (port.bytesToWrite() > 0) {
                qCDebug(lcUpdate) << "ERREUR GripperUpdate: load report with" << port.bytesToWrite()
                                  << "bytes of the image not sent";
                return Silent;
            }
            emit phaseChanged(Loaded);
            emit progressChanged(100);
            return pauseUnless(plan.afterMainWriteMs, cancelled) ? Updated : Cancelled;
        }
        if (reading.outcome == FreescaleReading::StartFailure)
            return StartFailure;
        if (reading.outcome == FreescaleReading::Downloading) {
            if (stage != 2)
                emit phaseChanged(Loading);
            stage = 2;
            // Only a new dot is progress: text after the first one (a
            // firmware started over mid-load, noise) must not hold the run,
            // with its window that cannot be closed, for ever.
            if (received.count('.') > dots) {
                dots = received.count('.');
                watchdog.restart();
            }
        }
        emit progressChanged(reading.progress);
    }
}
