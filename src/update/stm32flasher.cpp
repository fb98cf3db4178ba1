#include "stm32flasher.h"

#include "bootloaderlink.h"
#include "flashlayout.h"
#include "korvanelog.h"

#include <QDebug>

#include <algorithm>
#include <vector>

namespace {

// Asked of the link; it answers with what the ROM can take per packet.
const uint8_t kRequestedPacketSize = 255;

} // namespace

Stm32Flasher::Stm32Flasher(BootloaderLink *link, QObject *parent)
    : QObject(parent)
    , link(link)
{
}

Stm32Flasher::Result Stm32Flasher::failed(uint8_t result)
{
    lost = result == stbl::RESULT_TIMEOUT || result == stbl::RESULT_IO_ERROR || result == stbl::RESULT_NO_ANSWER
           || result == stbl::RESULT_NOT_OPEN;
    return Failed;
}

Stm32Flasher::Result Stm32Flasher::erase(quint32 address, quint32 count)
{
    const int first = FlashLayout::firstSectorAt(address);
    if (count > FlashLayout::kMaxEraseSectors || first < 0) {
        // Never guess sectors: erasing the wrong ones loses the bootloader.
        qCDebug(lcStbl) << "ERREUR eraseFlashSectors: no sector list for" << Qt::hex << address << Qt::dec << count;
        return Failed;
    }
    for (quint32 i = 1; i <= count; ++i) {
        if (cancelRequested)
            return Cancelled;
        const uint16_t sector = uint16_t(first + int(i) - 1);
        const uint8_t result = link->eraseSector(sector);
        qCDebug(lcStbl) << "STBL_ERASE: " << int(result);
        qCDebug(lcStbl) << "STBL_ERASE ACK?: " << int(link->ackValue());
        if (result != 0) {
            // Writing over flash that was not erased is refused by the part or,
            // worse, accepted and caught only by the read-back much later.
            qCDebug(lcStbl) << "ERREUR eraseFlashSectors: sector" << sector << "not erased";
            return failed(result);
        }
        emit progressChanged(int(i * 100 / count));
    }
    return Done;
}

Stm32Flasher::Result Stm32Flasher::write(const QByteArray &image, quint32 address)
{
    const uint8_t packetSize = link->choosePacketSize(kRequestedPacketSize);
    const qint64 size = image.size();
    if (packetSize == 0 && size > 0) {
        // Nothing could ever be written.
        qCDebug(lcStbl) << "ERREUR writeFlashImage: packet size 0";
        return Failed;
    }
    qint64 offset = 0;
    while (offset < size) {
        if (cancelRequested)
            return Cancelled;
        const qint64 n = std::min<qint64>(packetSize, size - offset);
        const uint8_t result = link->writePacket(address + quint32(offset), uint8_t(n),
                                                 reinterpret_cast<const uint8_t *>(image.constData() + offset));
        if (result != 0) {
            qCDebug(lcStbl) << "ERREUR STBL_WRITE? " << int(result) << Qt::hex << address + quint32(offset);
            return failed(result);
        }
        offset += n;
        emit progressChanged(int(offset * 100 / size));
    }
    return Done;
}

Stm32Flasher::Result Stm32Flasher::verifyAndStart(const QVector<FlashImage> &images, quint32 startAddress)
{
    quint64 total = 0;
    for (const FlashImage &image : images)
        total += quint64(image.content.size());

    // One bar for the whole read-back, however many images it covers.
    quint64 before = 0;
    const stbl::ProgressCallback progress = [this, &before, total](uint32_t done, uint32_t) {
        if (total > 0)
            emit progressChanged(int((before + done) * 100 / total));
    };
    uint8_t refused = 0;
    for (const FlashImage &image : images) {
        if (cancelRequested)
            return Cancelled;
        if (image.content.isEmpty())
            continue;  // an empty image wrote nothing
        const uint8_t result = link->verify(image.address, reinterpret_cast<const uint8_t *>(image.content.constData()),
                                            uint32_t(image.content.size()), progress);
        qCDebug(lcStbl) << "STBL_VERIFY? " << int(result);
        qCDebug(lcStbl) << "STBL_ERASE ACK?: " << int(link->ackValue());
        if (result != 0) {
            refused = result;
            break;
        }
        before += quint64(image.content.size());
    }
    if (refused != 0) {
        qCDebug(lcStbl) << "ERREUR verifyAndJump: the flash does not hold what was written; not started";
        link->close();
        return failed(refused);
    }
    if (cancelRequested)
        return Cancelled;

    const uint8_t go = link->go(startAddress);
    qCDebug(lcStbl) << "STBL_GO? " << int(go);
    qCDebug(lcStbl) << "STBL_GO ACK?: " << int(link->ackValue());
    qCDebug(lcStbl) << "Firmware verified. Closing COM port? ";
    link->close();
    qCDebug(lcStbl) << "COM_Close?: " << 0;
    qCDebug(lcStbl) << "COM_is_Open?: " << (link->isOpen() ? 1 : 0);
    if (go != 0) {
        // The ROM did not take the jump: the unit runs nothing new, and a
        // version read now would only find its silence.
        qCDebug(lcStbl) << "ERREUR verifyAndJump: the bootloader did not start the firmware";
        return NotStarted;
    }
    return Done;
}
