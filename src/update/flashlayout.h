#ifndef FLASHLAYOUT_H
#define FLASHLAYOUT_H

#include "korvanedevice.h"
#include "phrase.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Where the images go in a gripper's STM32 flash. The bootloader sits in the
// two 16 KiB sectors at the start; the main firmware in the first 128 KiB
// sectors of the first bank, except on CH, whose 2 MiB part keeps it in the
// second bank.
namespace FlashLayout {

constexpr quint32 kBootloaderAddress = 0x08000000;
constexpr quint32 kBootloaderSectors = 2;
constexpr quint32 kMainAddress = 0x08080000;
constexpr quint32 kMainSectors = 4;
constexpr quint32 kMainAddressCH = 0x08100000;
constexpr quint32 kMainSectorsCH = 12;
// Bytes each region holds: two 16 KiB sectors; four 128 KiB sectors; CH's
// twelve from the start of its second bank (4 x 16, 64 and 7 x 128 KiB).
constexpr quint32 kBootloaderRegionSize = 2 * 16 * 1024;
constexpr quint32 kMainRegionSize = 4 * 128 * 1024;
constexpr quint32 kMainRegionSizeCH = 4 * 16 * 1024 + 64 * 1024 + 7 * 128 * 1024;
// Largest sector list an erase takes.
constexpr quint32 kMaxEraseSectors = 16;

inline quint32 mainAddress(DeviceKind kind)
{
    return kind == CH ? kMainAddressCH : kMainAddress;
}

inline quint32 mainSectorCount(DeviceKind kind)
{
    return kind == CH ? kMainSectorsCH : kMainSectors;
}

inline quint32 mainRegionSize(DeviceKind kind)
{
    return kind == CH ? kMainRegionSizeCH : kMainRegionSize;
}

// Where Go starts the new code: the bootloader, which then starts the main
// firmware; CH is started at its main image directly.
inline quint32 startAddress(DeviceKind kind)
{
    return kind == CH ? kMainAddressCH : kBootloaderAddress;
}

// Number of the sector that begins at `address`, -1 for an address where no
// region of ours begins.
inline int firstSectorAt(quint32 address)
{
    switch (address) {
    case kBootloaderAddress:
        return 0;
    case kMainAddress:
        return 8;
    case kMainAddressCH:
        return 12;
    default:
        return -1;
    }
}

// Why an STM32 image cannot run from `address`, empty when its vector table
// makes sense there: the initial stack pointer in SRAM, the reset vector a
// Thumb address inside the image itself. An image linked for another
// product's bank passes every other check and leaves the gripper dead.
Phrase vectorTableProblem(const QByteArray &image, quint32 address);

} // namespace FlashLayout

#endif
