// The STM32 steps once the ROM listens: identify, erase, write, read back and
// start, each image where the product's flash layout puts it.

#include "gripperupdate.h"

#include "constants.h"
#include "engineline.h"
#include "flashlayout.h"
#include "korvanelog.h"

#include <QDebug>

namespace {

const int kAfterStartMs = 1000;

} // namespace

GripperUpdate::Outcome GripperUpdate::flash()
{
    identify();
    if (plan.bootloaderImage.isEmpty() && plan.mainImage.isEmpty()) {
        qCDebug(lcUpdate) << "ERREUR GripperUpdate: no image to write";
        return FlashFailed;
    }
    for (const Image image : {BootloaderImage, MainImage}) {
        if ((image == BootloaderImage ? plan.bootloaderImage : plan.mainImage).isEmpty())
            continue;
        Outcome outcome = outcomeOf(erase(image), FlashFailed);
        if (outcome == Updated)
            outcome = outcomeOf(write(image), FlashFailed);
        if (outcome != Updated)
            return outcome;
    }
    const Stm32Flasher::Result started = verifyAndStart();
    return started == Stm32Flasher::NotStarted ? NotStarted : outcomeOf(started, VerifyFailed);
}

bool GripperUpdate::identify()
{
    emit phaseChanged(Identifying);
    if (!link->isOpen()) {
        qCDebug(lcUpdate) << "COM_is_Open? FALSE. Devrait être ouvert.";
        return false;
    }
    Commands commands = {};
    uint8_t romVersion = 0;
    // Also picks the erase command this ROM takes.
    qCDebug(lcUpdate) << "STBL_GET? " << int(link->get(&romVersion, &commands));
    qCDebug(lcUpdate) << "version " << int(romVersion);
    qCDebug(lcUpdate) << "commands.GET_VER_ROPS_CMD " << commands.GET_VER_ROPS_CMD;
    // The unit's identity, while the ROM is at hand anyway: one short read,
    // and whatever the ROM answers the update goes on.
    uint32_t product = 0;
    uint8_t id[stbl::UNIQUE_ID_SIZE] = {};
    const uint8_t read = link->readUniqueId(&product, id);
    uniqueId = read == stbl::RESULT_OK
                   ? QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(id), sizeof id).toHex())
                   : QStringLiteral("unknown");
    if (product != 0)
        productId = QStringLiteral("0x%1").arg(product, 3, 16, QLatin1Char('0'));
    qCDebug(lcUpdate) << "STBL_READ_UID? " << int(read) << productId << uniqueId;
    return true;
}

Stm32Flasher::Result GripperUpdate::erase(Image image)
{
    emit phaseChanged(Erasing);
    if (image == BootloaderImage)
        return flasher.erase(FlashLayout::kBootloaderAddress, FlashLayout::kBootloaderSectors);
    return flasher.erase(FlashLayout::mainAddress(plan.layoutKind()), FlashLayout::mainSectorCount(plan.layoutKind()));
}

Stm32Flasher::Result GripperUpdate::write(Image image)
{
    const bool bootloader = image == BootloaderImage;
    emit phaseChanged(bootloader ? WritingBootloader : WritingMain);
    if (bootloader && !pauseUnless(plan.beforeBootloaderWriteMs, cancelled))
        return Stm32Flasher::Cancelled;
    const QByteArray &content = bootloader ? plan.bootloaderImage : plan.mainImage;
    const quint32 address = bootloader ? FlashLayout::kBootloaderAddress : FlashLayout::mainAddress(plan.layoutKind());
    const Stm32Flasher::Result result = flasher.write(content, address);
    if (result != Stm32Flasher::Done)
        return result;
    written.append({content, address});
    if (!bootloader && !pauseUnless(plan.afterMainWriteMs, cancelled))
        return Stm32Flasher::Cancelled;
    return Stm32Flasher::Done;
}

Stm32Flasher::Result GripperUpdate::verifyAndStart()
{
    emit phaseChanged(Verifying);
    const Stm32Flasher::Result result = flasher.verifyAndStart(written, FlashLayout::startAddress(plan.layoutKind()));
    // Gives the started firmware time to come up before anyone talks to it.
    if (result == Stm32Flasher::Done)
        pauseUnless(kAfterStartMs, cancelled);
    return result;
}
