// Reading back what was written, starting it, and in manual-reboot mode
// waiting for the next unit.

#include "pagedownloadfirmware.h"

#include "STBLLIB.h"
#include "blockingcall.h"
#include "communication.h"
#include "flashlayout.h"
#include "korvanedevice.h"
#include "portwait.h"
#include "replywait.h"
#include "stm32flasher.h"

#include <QDebug>
#include <QEventLoop>
#include <QFuture>
#include <QLabel>
#include <QPushButton>
#include <QtConcurrent>

namespace {

// Gives the started firmware time to come up before anyone talks to it.
const int kAfterStartMs = 1000;
// A K01 takes this long to start its own firmware and its secondary unit.
const int kK01StartMs = 8000;
const int kVersionReplyMs = 1000;

} // namespace

void PageDownloadFirmware::verifyFirmware()
{
    const int run = runId;
    statusLabel->setText(QStringLiteral("Verifying and jumping in the main firmware"));

    if (isGsFamily(device->kind)) {
        communication->close();
    } else {
        const QVector<FlashImage> images = writtenImages;
        const quint32 start = FlashLayout::startAddress(device->kind);
        const QFuture<bool> verify = runBlockingUntil([this, images, start] { return verifyAndJump(images, start); },
                                                      this, &PageDownloadFirmware::runStopped);
        if (runAbandoned(run))
            return;
        if (!verify.result()) {
            // The gripper stays in its ROM bootloader, where a manual-reboot
            // run can write it again.
            emit transitionDownloadFailure();
            return;
        }
    }
    // Started (or, for the GS family, loaded and running): closing the
    // window no longer strands the gripper.
    setFlashing(false);

    if (!fieldFlag("manualReboot")) {
        machine.stop();
        if (device->kind == K01) {
            waitMs(kK01StartMs);
            if (runAbandoned(run))
                return;
        }
        emit completeChanged();
        return;
    }

    detailLabel->setText(QStringLiteral("To start another download, connect a new device via USB."));
    setCancelEnabled(true);
    device->inBootloader = false;
    disconnect(communication, SIGNAL(readyRead()), this, SLOT(lectureCOMdownload()));
    QString typeCode;
    int major = 0;
    int minor = 0;
    int patch = 0;
    readSoftwareVersion(typeCode, major, minor, patch);
    if (runAbandoned(run))
        return;
    statusLabel->setText(statusLabel->text()
                         + QStringLiteral("\r\nSoftware Version: %1-%2.%3.%4").arg(typeCode).arg(major).arg(minor).arg(patch));
    connect(communication, SIGNAL(readyRead()), this, SLOT(lectureCOMdownload()), Qt::UniqueConnection);
    connect(communication, SIGNAL(deviceDetected(KorvaneDevice*)), this, SLOT(onDeviceDetected(KorvaneDevice*)),
            Qt::UniqueConnection);
    // Hot-plug detection is off unless someone listens: the next unit is
    // found only while it is on.
    setHotPlugWatching(true);
    if (device->kind == GB1 || device->kind == FS)
        newDownloadButton->show();
    emit progressChanged(0);
}

bool PageDownloadFirmware::verifyAndJump(QVector<FlashImage> images, quint32 startAddress)
{
    if (flasher->verifyAndStart(images, startAddress) != Stm32Flasher::Done)
        return false;
    complete = true;
    waitMs(kAfterStartMs);
    emit verifSuccess();
    return true;
}

void PageDownloadFirmware::readSoftwareVersion(QString &typeCode, int &major, int &minor, int &patch)
{
    const bool opened = reopenPort(communication, device->portName, BAUD115200, FLOW_OFF);
    qDebug() << (opened ? "true" : "false");
    communication->requestVersion();
    waitForReply(communication, kVersionReplyMs, Communication::kVersionReplySize);
    const QByteArray reply = communication->readAll();
    Communication::decodeVersionReply(reply, typeCode, major, minor, patch);
    communication->close();
}
