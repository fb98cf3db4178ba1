// Bringing the gripper into the bootloader that receives the new firmware.

#include "pagedownloadfirmware.h"

#include "STBLLIB.h"
#include "bootloaderline.h"
#include "carriedfirmware.h"
#include "freescaleconfig.h"
#include "communication.h"
#include "korvanedevice.h"
#include "portnumbers.h"
#include "portwait.h"
#include "blockingcall.h"
#include "replywait.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

// After a confirmed reboot the gripper needs this long to come up in its ROM
// bootloader.
const int kSettleAfterRebootMs = 3000;
// GU and GV miss the first request now and then while they restart: it is
// repeated for a while, then they are given a second to settle.
const int kRepeatWindowMs = 3000;
const int kRepeatPauseMs = 100;
const int kSettleAfterRepeatMs = 1000;
const int kBeforeInitMs = 1000;
const int kAfterInitAttemptMs = 1000;
const int kInitAttempts = 2;
// A ROM link that is not there after opening is tried again after a pause,
// so the retry cannot spin without the event loop running.
const int kReopenPauseMs = 100;

const uint32_t kInitTimeout = 100;
const uint32_t kFlashingTimeout = 5000;

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

    // Nothing has been erased until the link is up, and each of these waits
    // may last as long as the user needs to cycle the power: Cancel stays
    // usable through all of them.
    if (device->kind == BL_STM32) {
        setCancelEnabled(true);
        statusLabel->setText(QStringLiteral("Initializing the STM32 bootloader."));
    } else if (isGsFamily(device->kind)) {
        enterFreescaleBootloader(run);
        return;
    } else {
        setCancelEnabled(true);
        const bool confirmed = rebootForUpdate();
        if (runAbandoned(run))
            return;
        statusLabel->setText(QLatin1String(kPowerCycleText));
        if (!confirmed) {
            retryLater();
            return;
        }
        if (device->kind == GU || device->kind == GV) {
            QElapsedTimer window;
            window.start();
            for (;;) {
                if (window.elapsed() >= kRepeatWindowMs)
                    break;
                waitMs(kRepeatPauseMs);
                if (runAbandoned(run))
                    return;
                const bool again = rebootForUpdate();
                if (runAbandoned(run))
                    return;
                if (again)
                    break;
            }
            waitMs(kSettleAfterRepeatMs);
        } else {
            waitMs(kSettleAfterRebootMs);
        }
        if (runAbandoned(run))
            return;
    }
    initializeStm32Link(run);
}

void PageDownloadFirmware::retryLater()
{
    // Through the event loop: a gripper that stays silent for minutes must
    // not keep the machine busy inside one event all that time.
    emitLater(&PageDownloadFirmware::transitionInitializeRetry);
}

void PageDownloadFirmware::initializeStm32Link(int run)
{
    const int portNumber = korvane::portNumberFromName(device->portName.toStdString());
    if (portNumber == 0) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader";
        emit transitionInitializeFailure();
        return;
    }
    TARGET_SetComIntType(0);
    if (COM_is_Open() == 1) {
        qDebug() << "COM_is_Open? TRUE. Devrait être fermé";
        COM_Close();
        retryLater();
        return;
    }
    const uint8_t settings = BootloaderLine::configure(portNumber);
    if (settings != 0) {
        qDebug() << "Erreur durant SetCOMSettings? " << int(settings);
        emit transitionInitializeFailure();
        return;
    }
    const uint8_t opened = COM_Open();
    if (opened != 0)
        qDebug() << "Erreur durant COM_Open? " << int(opened);
    if (COM_is_Open() == 0) {
        qDebug() << "COM_is_Open? FALSE. Devrait être ouvert.";
        COM_Close();
        waitMs(kReopenPauseMs);
        if (!runAbandoned(run))
            retryLater();
        return;
    }
    // From here the library holds the port: a run given up during one of
    // the waits below must let go of it.

    // Identification already synchronised with a gripper it found in its
    // ROM; a second 0x7F would be read as a command.
    if (!device->inBootloader) {
        waitMs(kBeforeInitMs);
        if (runAbandoned(run)) {
            COM_Close();
            return;
        }
        SetTimeOut(kInitTimeout);
        // RESULT_NO_ANSWER: the gripper is not in its ROM (yet).
        uint8_t result = stbl::RESULT_NO_ANSWER;
        bool initialized = false;
        for (int attempt = 0; attempt < kInitAttempts; ++attempt) {
            result = runBlocking([] { return STBL_Init_BL(); });
            waitMs(kAfterInitAttemptMs);
            if (runAbandoned(run)) {
                COM_Close();
                return;
            }
            if (result == 0) {
                SetTimeOut(kFlashingTimeout);
                initialized = true;
                break;
            }
        }
        if (!initialized) {
            COM_Close();
            qDebug() << "Erreur dans STBL_Init_BL? " << int(result);
            // Pending events run before the retry is asked for, not after:
            // run here, they would hand the retry to the machine while it is
            // still inside this step, and a ROM that stays silent would keep
            // it busy inside one event for as long as it stays silent.
            QCoreApplication::processEvents();
            if (runAbandoned(run))
                return;
            if (result == stbl::RESULT_NO_ANSWER)
                retryLater();
            else
                emit transitionInitializeFailure();
            return;
        }
    }

    const uint8_t ack = GetAckValue();
    if (ack == stbl::ACK) {
        setCancelEnabled(false);
        emit transitionInitializeSuccess();
        return;
    }
    qDebug() << "Pas le bon ack value? " << int(ack);
    COM_Close();
    emit transitionInitializeFailure();
}

bool PageDownloadFirmware::rebootForUpdate()
{
    if (!reopenPort(communication, device->portName, device->portSettings.BaudRate, FLOW_OFF)) {
        // Gone or busy: counts as unanswered, the step is tried again.
        qDebug() << "ERREUR PageDownloadFirmware::rebootForUpdate: cannot open" << device->portName;
        return false;
    }
    receiveBuffer->clear();
    bool confirmed;
    if (device->kind == K01) {
        confirmed = communication->rebootDevice();
    } else if (device->secondaryUnit) {
        // The K01 relays the request and answers nothing we could check.
        communication->rebootSecondaryUnit();
        communication->flush();
        confirmed = true;
    } else {
        confirmed = communication->rebootDevice();
    }
    communication->close();
    return confirmed;
}

void PageDownloadFirmware::enterFreescaleBootloader(int run)
{
    // Rebooting a gripper into a bootloader that is then sent nothing leaves
    // it there: a build without the image says so while the gripper still runs.
    if (freescaleImagePath().isEmpty()) {
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader: no Freescale image";
        endRunBeforeStart(noFirmwareText());
        return;
    }
    statusLabel->setText(QStringLiteral("Initializing the Freescale bootloader."));
    beginFreescaleRun();
    if (!reopenPort(communication, device->portName, BAUD115200, FLOW_XONXOFF))
        qDebug() << "ERREUR PageDownloadFirmware::initializeBootloader: cannot open" << device->portName;
    if (runAbandoned(run))
        return;
    receiveBuffer->clear();

    if (fieldFlag("manualReboot")) {
        QMessageBox box;
        box.setWindowTitle(CarriedFirmware::windowTitle());
        box.setText(QStringLiteral("Please turn off the gripper by disconnecting its power supply, then press OK."));
        box.exec();
        if (runAbandoned(run))
            return;
        connect(communication, SIGNAL(readyRead()), this, SLOT(verifyFreescaleBootloader()), Qt::UniqueConnection);
        statusLabel->setText(
            QStringLiteral("Please turn the gripper back on. This will initiate the download procedure."));
        // No time limit here, by design: the way out is Cancel.
        setCancelEnabled(true);
        return;
    }

    setCancelEnabled(false);
    // Connected before the request: the bootloader may already talk while
    // the request waits for its echo.
    connect(communication, SIGNAL(readyRead()), this, SLOT(verifyFreescaleBootloader()), Qt::UniqueConnection);
    communication->rebootDevice();
    if (runAbandoned(run))
        return;
    statusLabel->setText(QStringLiteral("The wizard is currently rebooting the gripper automatically."));
    errorTimer->setInterval(FreescaleConfig::kWatchdogMs);
    errorTimer->start();
}
