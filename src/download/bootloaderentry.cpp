// Bringing the gripper into the bootloader that receives the new firmware.

#include "pagedownloadfirmware.h"

#include "blockingcall.h"
#include "communication.h"
#include "gripperupdate.h"
#include "korvanedevice.h"

#include <QDebug>
#include <QLabel>
#include <QPushButton>

#include <memory>

namespace {

const char *const kPowerCycleText
    = "If the device is turned off, turn it on.\r\nIt might be necessary to retry the power cycle a few times in "
      "order for the bootloader to capture the signal.\r\n If you have problems, lower the latency of the virtual "
      "com port.";

} // namespace

void PageDownloadFirmware::initializeBootloader()
{
    const int run = runId;
    detailLabel->clear();
    setCancelEnabled(false);
    setBackEnabled(false);
    newDownloadButton->hide();
    // Each unit is read back against what was written to it, never against
    // the images of the units before it.
    writtenImages.clear();
    // A transfer that is over no longer reads the port: its slot would take
    // the next reboot echo away from the request waiting for it.
    disconnect(communication, SIGNAL(readyRead()), this, SLOT(lectureCOMdownload()));

    if (!device) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader";
        emit transitionInitializeFailure();
        return;
    }

    // "Manual reboot" skips the version page for the STM32 families, so no
    // image was chosen there: the one made for this exact product is taken,
    // and without one nothing at all is sent to the gripper.
    const bool imageChosen = fieldFlag("downloadBootloader") || fieldFlag("downloadFirmware");
    if (fieldFlag("manualReboot") && !imageChosen && !isGsFamily(device->kind) && !chooseCarriedImageFor(device)) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader: no carried image for" << device->typeCode;
        endRunBeforeStart(noFirmwareText());
        return;
    }

    if (isGsFamily(device->kind)) {
        enterFreescaleBootloader(run);
        return;
    }
    // Nothing has been erased until the link is up, and each of these waits
    // may last as long as the user needs to cycle the power: Cancel stays
    // usable through all of them.
    setCancelEnabled(true);
    if (device->kind == BL_STM32)
        statusLabel->setText(QStringLiteral("Initializing the STM32 bootloader."));
    enterStm32Bootloader(run);
}

void PageDownloadFirmware::retryLater()
{
    // Through the event loop: a gripper that stays silent for minutes must
    // not keep the machine busy inside one event all that time.
    emitLater(&PageDownloadFirmware::transitionInitializeRetry);
}

void PageDownloadFirmware::enterStm32Bootloader(int run)
{
    // The reboot request goes out on a port object of the entry's own.
    communication->close();
    UpdateTarget target;
    target.portName = device->portName;
    target.kind = device->kind;
    target.secondaryUnit = device->secondaryUnit;
    target.inBootloader = device->inBootloader;
    target.baud = device->portSettings.BaudRate;

    // One entry per attempt: one given up may still be finishing its
    // current exchange while the next run starts.
    const auto entry = std::make_shared<BootloaderEntry>();
    bootloaderEntry = entry;
    const auto powerCycleText = [this, run] {
        QMetaObject::invokeMethod(this, [this, run] {
            if (!runAbandoned(run))
                statusLabel->setText(QLatin1String(kPowerCycleText));
        }, Qt::QueuedConnection);
    };
    BootloaderLink *link = bootloaderLink;
    const QFuture<BootloaderEntry::Result> entered = runBlockingUntil(
        [entry, target, link, powerCycleText] { return entry->enter(target, *link, powerCycleText); }, this,
        &PageDownloadFirmware::runStopped);
    if (runAbandoned(run))
        return;
    switch (entered.result()) {
    case BootloaderEntry::Ready:
        setCancelEnabled(false);
        emit transitionInitializeSuccess();
        break;
    case BootloaderEntry::Retry:
        retryLater();
        break;
    case BootloaderEntry::Failed:
        emit transitionInitializeFailure();
        break;
    case BootloaderEntry::Cancelled:
        break;
    }
}
