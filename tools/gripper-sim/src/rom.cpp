#include "rom.h"

#include <algorithm>

namespace korvane::sim {

namespace {

constexpr uint8_t kAck = 0x79;
constexpr uint8_t kNack = 0x1F;
constexpr uint8_t kSync = 0x7F;
constexpr uint8_t kBootloaderVersion = 0x31;

constexpr uint8_t kGet = 0x00;
constexpr uint8_t kGetVersion = 0x01;
constexpr uint8_t kGetId = 0x02;
constexpr uint8_t kRead = 0x11;
constexpr uint8_t kGo = 0x21;
constexpr uint8_t kWrite = 0x31;
constexpr uint8_t kErase = 0x43;
constexpr uint8_t kExtendedErase = 0x44;
constexpr uint8_t kWriteProtect = 0x63;
constexpr uint8_t kWriteUnprotect = 0x73;
constexpr uint8_t kReadoutProtect = 0x82;
constexpr uint8_t kReadoutUnprotect = 0x92;

// Where the unique ID sits in system memory: F405/407 (0x413) and F42x/43x
// (0x419) alike.
constexpr uint32_t kUniqueIdAddress = 0x1FFF7A10;

} // namespace

const Bytes &RomBootloader::commandList(bool legacyErase)
{
    static const Bytes f4{kGet, kGetVersion, kGetId, kRead, kGo, kWrite, kExtendedErase,
                          kWriteProtect, kWriteUnprotect, kReadoutProtect, kReadoutUnprotect};
    static const Bytes legacy{kGet, kGetVersion, kGetId, kRead, kGo, kWrite, kErase,
                              kWriteProtect, kWriteUnprotect, kReadoutProtect, kReadoutUnprotect};
    return legacyErase ? legacy : f4;
}

RomBootloader::RomBootloader(Host &host, Flash &flash, uint16_t chipId, bool legacyErase, RomLog &log,
                             Bytes uniqueId)
    : host_(host), flash_(flash), chipId_(chipId), legacyErase_(legacyErase), log_(log),
      uniqueId_(std::move(uniqueId)),
      writeProtected_(size_t(flash.sectorCount()), false)
{
}

void RomBootloader::enter()
{
    phase_ = Phase::Unsynced;
    acc_.clear();
    need_ = 0;
    busyUntil_ = TimePoint{};
}

void RomBootloader::expect(Phase phase, size_t count)
{
    phase_ = phase;
    acc_.clear();
    need_ = count;
}

void RomBootloader::reply(const Bytes &bytes, TimePoint now)
{
    host_.romSend(bytes, std::max(now, busyUntil_));
}

void RomBootloader::ack(TimePoint now)
{
    reply({kAck}, now);
}

void RomBootloader::nack(TimePoint now)
{
    ++log_.nacks;
    reply({kNack}, now);
    expect(Phase::Idle, 0);
}

void RomBootloader::receive(uint8_t byte, TimePoint now)
{
    switch (phase_) {
    case Phase::Unsynced: {
        if (byte != kSync) {
            // The ROM's baud detection only arms on 0x7F; anything else is
            // line noise to it (a host may still send Modbus requests).
            ++log_.ignoredBeforeSync;
            return;
        }
        const Faults &faults = host_.romFaults();
        if (faults.romNoSyncAnswer || ++syncsSinceFaults_ <= faults.romMissedSyncs)
            return;
        if (faults.romSyncWrongByte >= 0) {
            reply({uint8_t(faults.romSyncWrongByte)}, now);
            return;
        }
        ++log_.syncs;
        reply(faults.romSyncStrayZero ? Bytes{0x00, kAck} : Bytes{kAck}, now + ms(faults.romSyncAckDelayMs));
        expect(Phase::Idle, 0);
        return;
    }
    case Phase::Idle:
        // After synchronisation every byte starts a command, 0x7F included:
        // a second 0x7F is a command code whose complement will not match.
        command_ = byte;
        phase_ = Phase::Complement;
        return;
    case Phase::Complement:
        if (byte != uint8_t(command_ ^ 0xFF)) {
            nack(now);
            return;
        }
        log_.commands.push_back(command_);
        command(command_, now);
        return;
    default:
        break;
    }

    acc_.push_back(byte);
    if (acc_.size() < need_)
        return;

    switch (phase_) {
    case Phase::Address: {
        if ((acc_[0] ^ acc_[1] ^ acc_[2] ^ acc_[3]) != acc_[4]) {
            nack(now);
            return;
        }
        address_ = uint32_t(acc_[0]) << 24 | uint32_t(acc_[1]) << 16 | uint32_t(acc_[2]) << 8 | acc_[3];
        addressDone(now);
        return;
    }
    case Phase::ReadCount: {
        uint32_t length = uint32_t(acc_[0]) + 1;
        const bool uid = uniqueIdRange(address_, length);
        if (acc_[1] != uint8_t(acc_[0] ^ 0xFF) || (!uid && !flash_.contains(address_, length))) {
            nack(now);
            return;
        }
        Bytes out;
        if (uid) {
            ++log_.uidReads;
            const auto from = uniqueId_.begin() + (address_ - kUniqueIdAddress);
            out.assign(from, from + length);
        } else {
            ++log_.reads;
            out = flash_.read(address_, length);
        }
        out.insert(out.begin(), kAck);
        reply(out, now);
        expect(Phase::Idle, 0);
        return;
    }
    case Phase::WriteCount:
        expect(Phase::WriteData, size_t(byte) + 2); // data bytes and the checksum
        acc_.push_back(byte);                     // keep N: it is part of the checksum
        need_ += 1;
        return;
    case Phase::WriteData:
        writeDone(now);
        return;
    case Phase::ExtEraseCount: {
        unsigned n = unsigned(acc_[0]) << 8 | acc_[1];
        Bytes count = acc_;
        eraseCount_ = n;
        expect(Phase::ExtEraseSectors, n >= 0xFFF0 ? 3 : 2 * (n + 1) + 3);
        acc_ = count;
        return;
    }
    case Phase::ExtEraseSectors: {
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < acc_.size(); ++i)
            sum ^= acc_[i];
        if (sum != acc_.back()) {
            nack(now);
            return;
        }
        if (eraseCount_ >= 0xFFF0) {
            bool twoBanks = flash_.sectorCount() > 12;
            if (eraseCount_ == 0xFFFF) {
                massErase(now);
            } else if (eraseCount_ == 0xFFFE || (eraseCount_ == 0xFFFD && twoBanks)) {
                ++log_.massErases;
                std::vector<int> bank;
                int first = eraseCount_ == 0xFFFE ? 0 : 12;
                for (int s = first; s < first + 12; ++s)
                    bank.push_back(s);
                eraseSectors(bank, now);
            } else {
                nack(now);
            }
            return;
        }
        std::vector<int> sectors;
        for (size_t i = 2; i + 1 < acc_.size(); i += 2)
            sectors.push_back(int(acc_[i]) << 8 | acc_[i + 1]);
        eraseSectors(sectors, now);
        return;
    }
    case Phase::LegacyEraseCount: {
        uint8_t n = acc_[0];
        eraseCount_ = n;
        expect(Phase::LegacyEraseSectors, n == 0xFF ? 2 : size_t(n) + 3);
        acc_.push_back(n);
        return;
    }
    case Phase::LegacyEraseSectors: {
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < acc_.size(); ++i)
            sum ^= acc_[i];
        if (eraseCount_ == 0xFF) {
            // Global erase: FF then 00.
            if (acc_.back() != 0x00) {
                nack(now);
                return;
            }
            massErase(now);
            return;
        }
        if (sum != acc_.back()) {
            nack(now);
            return;
        }
        std::vector<int> sectors(acc_.begin() + 1, acc_.end() - 1);
        eraseSectors(sectors, now);
        return;
    }
    case Phase::WriteProtectCount: {
        uint8_t n = acc_[0];
        expect(Phase::WriteProtectSectors, size_t(n) + 3);
        acc_.push_back(n);
        return;
    }
    case Phase::WriteProtectSectors: {
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < acc_.size(); ++i)
            sum ^= acc_[i];
        bool valid = sum == acc_.back();
        for (size_t i = 1; valid && i + 1 < acc_.size(); ++i)
            valid = acc_[i] < writeProtected_.size();
        if (!valid) {
            nack(now);
            return;
        }
        ++log_.writeProtects;
        for (size_t i = 1; i + 1 < acc_.size(); ++i)
            writeProtected_[acc_[i]] = true;
        ack(now);
        expect(Phase::Idle, 0);
        host_.romReset(now);
        return;
    }
    default:
        return;
    }
}

void RomBootloader::command(uint8_t code, TimePoint now)
{
    const Bytes &list = commandList(legacyErase_);
    if (std::find(list.begin(), list.end(), code) == list.end()) {
        nack(now);
        return;
    }
    // Level-1 readout protection: nothing that touches flash content.
    bool touchesFlash = code == kRead || code == kWrite || code == kGo || code == kErase
        || code == kExtendedErase || code == kWriteProtect;
    if (readProtected_ && touchesFlash) {
        nack(now);
        return;
    }
    switch (code) {
    case kGet: {
        Bytes out;
        out.reserve(list.size() + 4);
        out.push_back(kAck);
        out.push_back(uint8_t(list.size()));
        out.push_back(kBootloaderVersion);
        for (uint8_t code : list)
            out.push_back(code);
        out.push_back(kAck);
        reply(out, now);
        expect(Phase::Idle, 0);
        return;
    }
    case kGetVersion:
        reply({kAck, kBootloaderVersion, 0x00, 0x00, kAck}, now);
        expect(Phase::Idle, 0);
        return;
    case kGetId:
        reply({kAck, 0x01, uint8_t(chipId_ >> 8), uint8_t(chipId_), kAck}, now);
        expect(Phase::Idle, 0);
        return;
    case kGo:
        if (host_.romFaults().romGoNoAnswer) {
            expect(Phase::Idle, 0);
            return;
        }
        ack(now);
        expect(Phase::Address, 5);
        return;
    case kRead:
        ack(now);
        expect(Phase::Address, 5);
        return;
    case kWrite:
        ack(++writeCommandsSinceFaults_ == host_.romFaults().romSlowAckAtWrite ? now + ms(200) : now);
        expect(Phase::Address, 5);
        return;
    case kExtendedErase:
        ack(now);
        expect(Phase::ExtEraseCount, 2);
        return;
    case kErase:
        ack(now);
        expect(Phase::LegacyEraseCount, 1);
        return;
    case kWriteProtect:
        ack(now);
        expect(Phase::WriteProtectCount, 1);
        return;
    case kWriteUnprotect:
        ++log_.writeUnprotects;
        std::fill(writeProtected_.begin(), writeProtected_.end(), false);
        twoAcksThenReset(now);
        return;
    case kReadoutProtect:
        ++log_.readoutProtects;
        readProtected_ = true;
        twoAcksThenReset(now);
        return;
    case kReadoutUnprotect:
        // Takes the whole flash with it, the product bootloader included.
        ++log_.readoutUnprotects;
        ack(now);
        massErase(now);
        readProtected_ = false;
        host_.romReset(now);
        return;
    default:
        nack(now);
        return;
    }
}

void RomBootloader::twoAcksThenReset(TimePoint now)
{
    reply({kAck, kAck}, now);
    expect(Phase::Idle, 0);
    host_.romReset(now);
}

void RomBootloader::addressDone(TimePoint now)
{
    switch (command_) {
    case kRead:
        if (uniqueIdRange(address_, 1)) {
            if (host_.romFaults().romUidNack) {
                nack(now);
                return;
            }
        } else if (!flash_.contains(address_, 1)) {
            nack(now);
            return;
        }
        ack(now);
        expect(Phase::ReadCount, 2);
        return;
    case kGo:
        if (!flash_.contains(address_, 8) || host_.romFaults().romGoNack) {
            nack(now);
            return;
        }
        log_.goAddresses.push_back(address_);
        ack(now);
        expect(Phase::Idle, 0);
        host_.romJump(address_, now);
        return;
    case kWrite:
        if (!flash_.contains(address_, 1) || address_ % 4 != 0) {
            nack(now);
            return;
        }
        ack(now);
        expect(Phase::WriteCount, 1);
        return;
    default:
        nack(now);
        return;
    }
}

bool RomBootloader::uniqueIdRange(uint32_t address, uint32_t length) const
{
    return uniqueId_.size() == 12 && address >= kUniqueIdAddress && length <= 12
        && address - kUniqueIdAddress <= 12 - length;
}

bool RomBootloader::sectorProtected(int sector) const
{
    return sector >= 0 && size_t(sector) < writeProtected_.size() && writeProtected_[size_t(sector)];
}

void RomBootloader::writeDone(TimePoint now)
{
    // acc_: N, N+1 data bytes, checksum.
    uint32_t length = uint32_t(acc_[0]) + 1;
    const uint8_t *data = acc_.data() + 1;
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < acc_.size(); ++i)
        sum ^= acc_[i];

    log_.writes.push_back(RomWrite{address_, length, false});
    RomWrite &entry = log_.writes.back();
    int k = ++writesSinceFaults_;
    const Faults &faults = host_.romFaults();

    if (sum != acc_.back() || length % 4 != 0 || !flash_.contains(address_, length)
        || !flash_.erased(address_, length)) {
        nack(now);
        return;
    }
    if (faults.romPowerLossAtWrite == k) {
        // Half the words made it into flash before the supply went.
        uint32_t half = (length / 2) & ~3u;
        flash_.program(address_, data, half);
        expect(Phase::Idle, 0);
        host_.romPowerLoss(now);
        return;
    }
    if (faults.romNackAtWrite == k) {
        nack(now);
        return;
    }
    // A protected sector takes the command and keeps its content.
    bool protectedSector = false;
    for (int s = 0; s < flash_.sectorCount(); ++s) {
        uint32_t start = flash_.sectorAddress(s);
        uint32_t end = start + flash_.sectorSize(s);
        if (address_ < end && address_ + length > start && sectorProtected(s))
            protectedSector = true;
    }
    if (!protectedSector) {
        flash_.program(address_, data, length);
        if (faults.romFlipAtWrite == k) {
            uint32_t at = address_ + length / 2;
            Bytes cell = flash_.read(at, 1);
            cell[0] ^= 0x10;
            flash_.set(at, cell.data(), 1);
        }
    }
    const Pacing &pacing = host_.romPacing();
    if (pacing.enabled)
        busyUntil_ = std::max(now, busyUntil_)
            + ms(pacing.wordProgramMicroseconds * (length / 4) / 1000.0);
    entry.acked = true;
    ack(now);
    expect(Phase::Idle, 0);
}

void RomBootloader::eraseSectors(const std::vector<int> &sectors, TimePoint now)
{
    if (host_.romFaults().romEraseNack) {
        nack(now);
        return;
    }
    for (int s : sectors) {
        if (s < 0 || s >= flash_.sectorCount() || sectorProtected(s)) {
            nack(now);
            return;
        }
    }
    const Pacing &pacing = host_.romPacing();
    for (int s : sectors) {
        flash_.eraseSector(s);
        log_.erasedSectors.push_back(s);
        if (pacing.enabled) {
            uint32_t size = flash_.sectorSize(s);
            double secondsNeeded = size <= 16 * 1024 ? pacing.erase16kSeconds
                : size <= 64 * 1024 ? pacing.erase64kSeconds : pacing.erase128kSeconds;
            busyUntil_ = std::max(now, busyUntil_) + seconds(secondsNeeded);
        }
    }
    ack(now);
    expect(Phase::Idle, 0);
}

void RomBootloader::massErase(TimePoint now)
{
    ++log_.massErases;
    std::vector<int> all;
    for (int s = 0; s < flash_.sectorCount(); ++s)
        all.push_back(s);
    if (host_.romFaults().romEraseNack) {
        nack(now);
        return;
    }
    const Pacing &pacing = host_.romPacing();
    flash_.eraseAll();
    if (pacing.enabled) {
        double total = 0;
        for (int s : all) {
            uint32_t size = flash_.sectorSize(s);
            total += size <= 16 * 1024 ? pacing.erase16kSeconds
                : size <= 64 * 1024 ? pacing.erase64kSeconds : pacing.erase128kSeconds;
        }
        busyUntil_ = std::max(now, busyUntil_) + seconds(total);
    }
    ack(now);
    expect(Phase::Idle, 0);
}

} // namespace korvane::sim
