#ifndef KORVANE_SIM_FLASH_H
#define KORVANE_SIM_FLASH_H

#include "common.h"

namespace korvane::sim {

// STM32F4 flash of 1 MiB (sectors 0..11) or 2 MiB (0..23, second bank from
// 0x08100000). Programming can only clear bits, so the ROM checks erased()
// before it programs.
class Flash {
public:
    static constexpr uint32_t kBase = 0x08000000;

    explicit Flash(bool twoMiB);

    uint32_t size() const { return uint32_t(mem_.size()); }
    int sectorCount() const { return twoMiB_ ? 24 : 12; }
    uint32_t sectorAddress(int sector) const;
    uint32_t sectorSize(int sector) const;
    bool contains(uint32_t address, uint32_t length) const;
    bool erased(uint32_t address, uint32_t length) const;

    void eraseSector(int sector);
    void eraseAll();
    void program(uint32_t address, const uint8_t *data, size_t length);
    void set(uint32_t address, const uint8_t *data, size_t length);
    Bytes read(uint32_t address, uint32_t length) const;
    uint32_t word(uint32_t address) const;

private:
    bool twoMiB_;
    Bytes mem_;
};

// Image format shared with scripts/make-standin-firmware.py.
constexpr uint32_t kVersionRecordOffset = 0x200;
constexpr uint32_t kImageRegionSize = 512 * 1024;
constexpr uint32_t kProductBootloaderEnd = 0x08008000;

struct ImageInfo {
    bool startable = false;
    uint8_t type[3] = {0, 0, 0};
    Version version;
};

// SP in SRAM, reset vector (Thumb) inside [regionStart, regionEnd) and the
// code at the entry point programmed: a CPU jumping there would run.
bool vectorsStartable(const Flash &flash, uint32_t address, uint32_t regionStart, uint32_t regionEnd);
// What the firmware at address would report: its version record, or zeros.
ImageInfo inspectImage(const Flash &flash, uint32_t address);

Bytes buildProductBootloaderImage();

} // namespace korvane::sim

#endif
