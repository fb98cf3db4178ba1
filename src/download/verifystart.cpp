// Reading back what was written, starting it, and in manual-reboot mode
// waiting for the next unit.

#include "pagedownloadfirmware.h"

#include "STBLLIB.h"
#include "communication.h"
#include "flashlayout.h"
#include "korvanedevice.h"
#include "portwait.h"
#include "replywait.h"

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
const uint8_t kReadBackMode = 1;

} // namespace

void PageDownloadFirmware::verifyFirmware()
{
    const int run = runId;
    statusLabel->setText(QStringLiteral("Verifying and jumping in the main firmware"));

    if (isGsFamily(device->kind)) {
        communication->close();
    } else {
        QEventLoop loop;
        connect(this, &PageDownloadFirmware::verifSuccess, &loop, &QEventLoop::quit);
        connect(this, &PageDownloadFirmware::verifFailure, &loop, &QEventLoop::quit);
        connect(this, &PageDownloadFirmware::runStopped, &loop, &QEventLoop::quit);
        QFuture<bool> verify = QtConcurrent::run(this, &PageDownloadFirmware::verifyAndJump, writtenImages,
                                                 FlashLayout::startAddress(device->kind));
        loop.exec();
        if (runAbandoned(run))
            return;
        const bool verified = verify.result();
        if (!verified) {
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

bool PageDownloadFirmware::verifyAndJump(QVector<WrittenImage> images, quint32 startAddress)
{
    QVector<QByteArray> contents;
    quint64 total = 0;
    bool verified = true;
    for (const WrittenImage &image : images) {
        QFile file(image.fileName);
        if (!file.open(QIODevice::ReadOnly)) {
            qDebug() << "ERREUR verifyAndJump: cannot read" << image.fileName;
            verified = false;
            break;
        }
        contents.append(file.readAll());
        total += quint64(contents.last().size());
    }

    // One bar for the whole read-back, however many images it covers.
    quint64 before = 0;
    STBL_SetProgressCallback([this, &before, total](uint32_t done, uint32_t) {
        if (total > 0)
            emit progressChanged(int((before + done) * 100 / total));
    });
    for (int i = 0; verified && i < contents.size(); ++i) {
        const QByteArray &content = contents.at(i);
        if (content.isEmpty())
            continue;  // an empty image wrote nothing
        const uint8_t result = STBL_VERIFY(images.at(i).address, reinterpret_cast<const uint8_t *>(content.constData()),
                                           uint32_t(content.size()), kReadBackMode);
        qDebug() << "STBL_VERIFY? " << int(result);
        qDebug() << "STBL_ERASE ACK?: " << int(GetAckValue());
        if (result != 0)
            verified = false;
        before += quint64(content.size());
    }
    STBL_SetProgressCallback(nullptr);

    if (!verified) {
        qDebug() << "ERREUR verifyAndJump: the flash does not hold what was written; not started";
        COM_Close();
        emit verifFailure();
        return false;
    }

    const uint8_t go = STBL_GO(startAddress);
    qDebug() << "STBL_GO? " << int(go);
    qDebug() << "STBL_GO ACK?: " << int(GetAckValue());
    complete = true;
    qDebug() << "Firmware verified. Closing COM port? ";
    qDebug() << "COM_Close?: " << int(COM_Close());
    qDebug() << "COM_is_Open?: " << COM_is_Open();
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
