// Erasing and writing the STM32 flash through the ROM bootloader. The slow
// library calls run on the global thread pool; the slots wait in local event
// loops so the progress bar keeps moving.

#include "pagedownloadfirmware.h"

#include "STBLLIB.h"
#include "blockingcall.h"
#include "stm32flasher.h"
#include "carriedfirmware.h"
#include "communication.h"
#include "flashlayout.h"
#include "korvanedevice.h"
#include "replywait.h"

#include <QWizard>

#include <QDebug>
#include <QEventLoop>
#include <QFuture>
#include <QLabel>
#include <QtConcurrent>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const int kBeforeBootloaderWriteMs = 1000;
// Asked of the library; it answers with what the ROM can take per packet.
const uint8_t kRequestedPacketSize = 255;

const char *const kEraseText = "Erasing the main firmware flash sectors.";

QString firmwarePath(const QString &fileName)
{
    return QStringLiteral(":/firmware/") + fileName;
}

} // namespace

void PageDownloadFirmware::identifyBootloaderVer()
{
    if (isGsFamily(device->kind)) {
        emit transitionUpdateFirmware();
        return;
    }
    statusLabel->setText(QStringLiteral("Identifying the STM32 bootloader."));
    if (COM_is_Open() == 0) {
        qDebug() << "COM_is_Open? FALSE. Devrait être ouvert.";
        // Nothing can be written without the link; waiting here would leave
        // the user with a page that never moves and no way out.
        emit transitionDownloadFailure();
        return;
    }
    Commands commands;
    std::memset(&commands, 0, sizeof commands);
    uint8_t version = 0;
    const uint8_t result = STBL_GET(&version, &commands);
    qDebug() << "STBL_GET? " << int(result);
    qDebug() << "version " << int(version);
    qDebug() << "commands.GET_VER_ROPS_CMD " << commands.GET_VER_ROPS_CMD;

    if (fieldFlag("downloadBootloader")) {
        emit transitionUpdateBootloader();
    } else if (fieldFlag("downloadFirmware")) {
        emit transitionUpdateFirmware();
    } else if (fieldFlag("manualReboot") && chooseCarriedImageFor(device)) {
        // "Manual reboot" skips the version page for the STM32 families, so
        // no box was ticked: the gripper is being recovered, and it gets the
        // carried main firmware made for it.
        qDebug() << "No image chosen, writing the main firmware" << fieldText("firmwareFilename");
        emit transitionUpdateFirmware();
    } else {
        qDebug() << "ERREUR PageDownloadFirmware::identifyBootloaderVer: no image to write";
        emit transitionDownloadFailure();
    }
}

bool PageDownloadFirmware::chooseCarriedImageFor(const KorvaneDevice *target)
{
    // The version page's warnings were skipped: nothing but the image made
    // for this exact product will do.
    const QString name = CarriedFirmware::mainImageFor(target->typeCode);
    if (name.isEmpty())
        return false;
    wizard()->setField(QStringLiteral("firmwareFilename"), name);
    return fieldText("firmwareFilename") == name;
}

void PageDownloadFirmware::eraseBootloaderFlash()
{
    setFlashing(true);
    statusLabel->setText(QLatin1String(kEraseText));
    QtConcurrent::run(this, &PageDownloadFirmware::eraseFlashSectors, FlashLayout::kBootloaderAddress,
                      FlashLayout::kBootloaderSectors);
}

void PageDownloadFirmware::eraseFirmawreFlash()
{
    setFlashing(true);
    if (isGsFamily(device->kind)) {
        emit transitionEraseSuccess();
        return;
    }
    statusLabel->setText(QLatin1String(kEraseText));
    QtConcurrent::run(this, &PageDownloadFirmware::eraseFlashSectors, FlashLayout::mainAddress(device->kind),
                      FlashLayout::mainSectorCount(device->kind));
}

void PageDownloadFirmware::eraseFlashSectors(quint32 address, quint32 count)
{
    const Stm32Flasher::Result result = flasher->erase(address, count);
    if (result == Stm32Flasher::Done)
        emit transitionEraseSuccess();
    else if (result == Stm32Flasher::Failed)
        emit transitionDownloadFailure();
}

void PageDownloadFirmware::downloadBootloader()
{
    const int run = runId;
    statusLabel->setText(QStringLiteral("Downloading the bootloader"));
    waitMs(kBeforeBootloaderWriteMs);
    if (runAbandoned(run))
        return;

    const QString path = firmwarePath(fieldText("bootloaderFilename"));
    const WriteOutcome outcome = writeAndWait(path, FlashLayout::kBootloaderAddress, run);
    if (outcome == WriteOutcome::Abandoned)
        return;
    if (outcome == WriteOutcome::Failed) {
        emit transitionDownloadFailure();
        return;
    }
    if (fieldFlag("downloadFirmware"))
        emit transitionUpdateFirmware();
    else
        emit transitionDownloadSuccess();
}

void PageDownloadFirmware::downloadFirmware()
{
    const int run = runId;
    statusLabel->setText(QStringLiteral("Downloading the main firmware"));

    if (isGsFamily(device->kind)) {
        downloadFreescaleImage(run);
        return;
    }

    const QString fileName = fieldText("firmwareFilename");
    statusLabel->setText(QStringLiteral("Downloading file ") + fileName);
    const QString path = firmwarePath(fileName);
    const quint32 address = FlashLayout::mainAddress(device->kind);
    const WriteOutcome outcome = writeAndWait(path, address, run);
    if (outcome == WriteOutcome::Abandoned)
        return;
    if (outcome == WriteOutcome::Failed) {
        emit transitionDownloadFailure();
        return;
    }
    waitMs(kAfterFirmwareWriteMs);
    if (runAbandoned(run))
        return;
    emit transitionDownloadSuccess();
}

PageDownloadFirmware::WriteOutcome PageDownloadFirmware::writeAndWait(const QString &path, quint32 address, int run)
{
    // Read here, on the GUI thread: the worker gets the bytes, not the file.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << path;
        return WriteOutcome::Failed;
    }
    const QByteArray image = file.readAll();
    const QFuture<bool> write = runBlockingUntil([this, image, address] { return writeFlashImage(image, address); },
                                                 this, &PageDownloadFirmware::runStopped);
    // A worker left behind stops at its next packet; nobody waits for it.
    if (runAbandoned(run))
        return WriteOutcome::Abandoned;
    if (write.result())
        return WriteOutcome::Failed;
    writtenImages.append({image, address});
    return WriteOutcome::Written;
}

bool PageDownloadFirmware::writeFlashImage(const QByteArray &image, quint32 address)
{
    const bool failed = flasher->write(image, address) != Stm32Flasher::Done;
    emit downloadOver();
    return failed;
}
