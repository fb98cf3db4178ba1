// Erasing and writing the STM32 flash through the ROM bootloader. The slow
// library calls run on the global thread pool; the slots wait in local event
// loops so the progress bar keeps moving.

#include "pagedownloadfirmware.h"

#include "STBLLIB.h"
#include "carriedfirmware.h"
#include "communication.h"
#include "flashlayout.h"
#include "freescaleconfig.h"
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
const int kAfterFirmwareWriteMs = 1000;
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
    const int first = FlashLayout::firstSectorAt(address);
    if (count > FlashLayout::kMaxEraseSectors || first < 0) {
        // Never guess sectors: erasing the wrong ones loses the bootloader.
        qDebug() << "ERREUR eraseFlashSectors: no sector list for" << Qt::hex << address << Qt::dec << count;
        emit transitionDownloadFailure();
        return;
    }
    std::vector<uint16_t> sectors(count);
    for (quint32 i = 0; i < count; ++i)
        sectors[i] = uint16_t(first + int(i));
    if (count == 0) {
        emit transitionEraseSuccess();
        return;
    }
    for (quint32 i = 1; i <= count; ++i) {
        const uint8_t result = STBL_ERASE(1, &sectors[i - 1]);
        qDebug() << "STBL_ERASE: " << int(result);
        qDebug() << "STBL_ERASE ACK?: " << int(GetAckValue());
        if (result != 0) {
            // Writing over flash that was not erased is refused by the part or,
            // worse, accepted and caught only by the read-back much later.
            qDebug() << "ERREUR eraseFlashSectors: sector" << sectors[i - 1] << "not erased";
            emit transitionDownloadFailure();
            return;
        }
        emit progressChanged(int(i * 100 / count));
    }
    emit transitionEraseSuccess();
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
        if (imageFile.open(QIODevice::ReadOnly | QIODevice::Text)) {
            communication->write(imageFile.readAll());
            imageFile.close();
        } else {
            qDebug() << "ERREUR downloadFirmware: cannot read" << imageFile.fileName();
        }
        // Once the image is on its way its report is due, whichever way the
        // gripper was rebooted: after a manual reboot too, silence must end
        // in a message rather than a page that waits for ever.
        errorTimer->start(FreescaleConfig::kWatchdogMs);
        QEventLoop loop;
        connect(this, &PageDownloadFirmware::downloadOver, &loop, &QEventLoop::quit);
        connect(this, &PageDownloadFirmware::runStopped, &loop, &QEventLoop::quit);
        loop.exec();
        if (runAbandoned(run))
            return;
        waitMs(kAfterFirmwareWriteMs);
        if (runAbandoned(run))
            return;
        emit transitionDownloadSuccess();
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
    QEventLoop loop;
    connect(this, &PageDownloadFirmware::downloadOver, &loop, &QEventLoop::quit);
    connect(this, &PageDownloadFirmware::runStopped, &loop, &QEventLoop::quit);
    QFuture<bool> write = QtConcurrent::run(this, &PageDownloadFirmware::writeFlashImage, path, address);
    loop.exec();
    // A worker left behind finishes on its own; nobody waits for it.
    if (runAbandoned(run))
        return WriteOutcome::Abandoned;
    if (write.result())
        return WriteOutcome::Failed;
    writtenImages.append({path, address});
    return WriteOutcome::Written;
}

bool PageDownloadFirmware::writeFlashImage(const QString &fileName, quint32 address)
{
    imageFile.setFileName(fileName);
    if (!imageFile.open(QIODevice::ReadOnly)) {
        qDebug() << fileName;
        emit downloadOver();
        return true;
    }
    const QByteArray image = imageFile.readAll();
    SetPaketSize(kRequestedPacketSize);
    uint8_t packetSize = 0;
    GetPaketSize(&packetSize);

    bool failed = false;
    const qint64 size = image.size();
    if (packetSize == 0 && size > 0) {
        // Nothing could ever be written; counts as a failed write.
        qDebug() << "ERREUR writeFlashImage: packet size 0";
        failed = true;
    }
    qint64 offset = 0;
    while (!failed && offset < size) {
        const qint64 n = std::min<qint64>(packetSize, size - offset);
        const uint8_t result = STBL_WRITE(address + quint32(offset), uint8_t(n),
                                          reinterpret_cast<const uint8_t *>(image.constData() + offset));
        if (result != 0) {
            qDebug() << "ERREUR STBL_WRITE? " << int(result) << Qt::hex << address + quint32(offset);
            failed = true;
            break;
        }
        offset += n;
        emit progressChanged(int(offset * 100 / size));
    }
    emit downloadOver();
    imageFile.close();
    return failed;
}
