#ifndef KORVANE_SIM_ROM_H
#define KORVANE_SIM_ROM_H

#include "common.h"
#include "flash.h"

namespace korvane::sim {

// The STM32F4 system bootloader's USART protocol over one unit's flash.
// It is strict on purpose: whatever a real ROM refuses, this one NACKs, so a
// host that gets through here does not lean on leniency.
class RomBootloader {
public:
    // What the ROM does to the rest of the unit.
    class Host {
    public:
        virtual ~Host() = default;
        virtual void romSend(const Bytes &bytes, TimePoint notBefore) = 0;
        virtual void romJump(uint32_t address, TimePoint at) = 0;      // Go
        virtual void romReset(TimePoint at) = 0;                       // self-reset
        virtual void romPowerLoss(TimePoint at) = 0;                   // fault
        virtual const Faults &romFaults() const = 0;
        virtual const Pacing &romPacing() const = 0;
    };

    RomBootloader(Host &host, Flash &flash, uint16_t chipId, bool legacyErase, RomLog &log, Bytes uniqueId);

    // Reset into the ROM: it waits for 0x7F again.
    void enter();
    void receive(uint8_t byte, TimePoint now);
    // The ROM does not read the line while it erases or programs.
    TimePoint busyUntil() const { return busyUntil_; }
    // Restarts the counts (writes, syncs) that Faults' k refer to.
    void resetFaultCounts() { writesSinceFaults_ = writeCommandsSinceFaults_ = syncsSinceFaults_ = 0; }

    static const Bytes &commandList(bool legacyErase);

private:
    enum class Phase {
        Unsynced, Idle, Complement,
        Address, ReadCount, WriteCount, WriteData,
        ExtEraseCount, ExtEraseSectors, LegacyEraseCount, LegacyEraseSectors,
        WriteProtectCount, WriteProtectSectors
    };

    void expect(Phase phase, size_t count);
    void ack(TimePoint now);
    void nack(TimePoint now);
    void reply(const Bytes &bytes, TimePoint now);
    void command(uint8_t code, TimePoint now);
    void addressDone(TimePoint now);
    void writeDone(TimePoint now);
    void eraseSectors(const std::vector<int> &sectors, TimePoint now);
    void massErase(TimePoint now);
    void twoAcksThenReset(TimePoint now);
    bool sectorProtected(int sector) const;
    // The unique ID's bytes from `address` on, or false when the range
    // leaves it (or this part's table entry is unknown here).
    bool uniqueIdRange(uint32_t address, uint32_t length) const;

    Host &host_;
    Flash &flash_;
    uint16_t chipId_;
    bool legacyErase_;
    RomLog &log_;
    Bytes uniqueId_;

    Phase phase_ = Phase::Unsynced;
    uint8_t command_ = 0;
    Bytes acc_;
    size_t need_ = 0;
    uint32_t address_ = 0;
    unsigned eraseCount_ = 0;
    TimePoint busyUntil_{};
    bool readProtected_ = false;
    std::vector<bool> writeProtected_;
    int writesSinceFaults_ = 0;
    int writeCommandsSinceFaults_ = 0;
    int syncsSinceFaults_ = 0;
};

} // namespace korvane::sim

#endif
