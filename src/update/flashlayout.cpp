// What may be written where, checked before a byte is sent: an image that
// does not fit its region or cannot run from it is refused.

#include "flashlayout.h"

#include "freescaleparse.h"
#include "gripperupdate.h"

namespace {

// The library's words, English for the records and translated for the screen.
Phrase engineText(const char *source)
{
    return Phrase("Update", source);
}

} // namespace

Phrase FlashLayout::vectorTableProblem(const QByteArray &image, quint32 address)
{
    // The grippers' parts have at most 512 KiB of SRAM from 0x20000000; the
    // stack pointer may be its very end.
    constexpr quint32 kSramStart = 0x20000000;
    constexpr quint32 kSramEnd = 0x20080000;
    if (image.size() < 8)
        return engineText(QT_TRANSLATE_NOOP("Update", "it is too short to hold a vector table"));
    const auto word = [&image](int at) {
        const auto *b = reinterpret_cast<const uchar *>(image.constData() + at);
        return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    };
    const quint32 stack = word(0);
    const quint32 reset = word(4);
    if (stack < kSramStart || stack > kSramEnd)
        return engineText(QT_TRANSLATE_NOOP("Update", "its initial stack pointer 0x%1 is not in SRAM"))
            .arg(stack, 8, 16, QLatin1Char('0'));
    const quint32 entry = reset & ~1u;
    if (!(reset & 1u) || entry < address || entry - address >= quint32(image.size()))
        return engineText(QT_TRANSLATE_NOOP("Update", "its reset vector 0x%1 is not inside the image written at "
                                                      "0x%2 (is it made for another product?)"))
            .arg(reset, 8, 16, QLatin1Char('0'))
            .arg(address, 8, 16, QLatin1Char('0'));
    return Phrase();
}

Phrase GripperUpdate::refusal(const UpdatePlan &plan)
{
    if (isGsFamily(plan.target.kind))
        return missingMarkerRefusal();
    const DeviceKind product = plan.layoutKind();
    // A gripper that told its kind keeps its layout: an image for the other
    // bank would be erased and written where this part has nothing of its own.
    if (plan.gripperKind() != product && (plan.gripperKind() == CH || product == CH))
        return engineText(QT_TRANSLATE_NOOP("Update", "The image is made for a %1 gripper, not for this one."))
            .arg(QLatin1String(product == CH ? "CH" : "GC"));
    if (quint32(plan.mainImage.size()) > FlashLayout::mainRegionSize(product))
        return engineText(QT_TRANSLATE_NOOP("Update", "The image of %1 bytes does not fit the %2 bytes of this "
                                                      "gripper's firmware region."))
            .arg(plan.mainImage.size())
            .arg(FlashLayout::mainRegionSize(product));
    if (quint32(plan.bootloaderImage.size()) > FlashLayout::kBootloaderRegionSize)
        return engineText(QT_TRANSLATE_NOOP("Update", "The bootloader image of %1 bytes does not fit the %2 "
                                                      "bytes of its region."))
            .arg(plan.bootloaderImage.size())
            .arg(FlashLayout::kBootloaderRegionSize);
    Phrase problem;
    if (!plan.mainImage.isEmpty())
        problem = FlashLayout::vectorTableProblem(plan.mainImage, FlashLayout::mainAddress(product));
    if (problem.isEmpty() && !plan.bootloaderImage.isEmpty())
        problem = FlashLayout::vectorTableProblem(plan.bootloaderImage, FlashLayout::kBootloaderAddress);
    if (problem.isEmpty())
        return Phrase();
    return engineText(QT_TRANSLATE_NOOP("Update", "The image cannot run on this gripper: %1.")).arg(problem);
}
