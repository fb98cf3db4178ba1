#include "flash.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace korvane::sim {

namespace {

constexpr uint32_t KiB = 1024;

// Sector sizes of one 1 MiB bank: four of 16 KiB, one of 64 KiB, seven of 128 KiB.
uint32_t bankSectorSize(int index)
{
    if (index < 4)
        return 16 * KiB;
    if (index == 4)
        return 64 * KiB;
    return 128 * KiB;
}

uint32_t bankSectorOffset(int index)
{
    uint32_t offset = 0;
    for (int i = 0; i < index; ++i)
        offset += bankSectorSize(i);
    return offset;
}

constexpr uint32_t kSramStart = 0x20000000;
constexpr uint32_t kSramEnd = 0x20030000;

} // namespace

Flash::Flash(bool twoMiB)
    : twoMiB_(twoMiB), mem_(twoMiB ? 2 * 1024 * KiB : 1024 * KiB, 0xFF)
{
}

uint32_t Flash::sectorAddress(int sector) const
{
    return kBase + (sector >= 12 ? 1024 * KiB : 0) + bankSectorOffset(sector % 12);
}

uint32_t Flash::sectorSize(int sector) const
{
    return bankSectorSize(sector % 12);
}

bool Flash::contains(uint32_t address, uint32_t length) const
{
    if (address < kBase)
        return false;
    uint64_t end = uint64_t(address) + length;
    return end <= uint64_t(kBase) + mem_.size() && address < kBase + mem_.size();
}

bool Flash::erased(uint32_t address, uint32_t length) const
{
    auto first = mem_.begin() + (address - kBase);
    return std::all_of(first, first + length, [](uint8_t b) { return b == 0xFF; });
}

void Flash::eraseSector(int sector)
{
    std::fill_n(mem_.begin() + (sectorAddress(sector) - kBase), sectorSize(sector), 0xFF);
}

void Flash::eraseAll()
{
    std::fill(mem_.begin(), mem_.end(), 0xFF);
}

void Flash::program(uint32_t address, const uint8_t *data, size_t length)
{
    uint8_t *cell = mem_.data() + (address - kBase);
    for (size_t i = 0; i < length; ++i)
        cell[i] &= data[i];
}

void Flash::set(uint32_t address, const uint8_t *data, size_t length)
{
    std::memcpy(mem_.data() + (address - kBase), data, length);
}

Bytes Flash::read(uint32_t address, uint32_t length) const
{
    if (!contains(address, length))
        return {};
    auto first = mem_.begin() + (address - kBase);
    return Bytes(first, first + length);
}

uint32_t Flash::word(uint32_t address) const
{
    const uint8_t *p = mem_.data() + (address - kBase);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool vectorsStartable(const Flash &flash, uint32_t address, uint32_t regionStart, uint32_t regionEnd)
{
    if (!flash.contains(address, 8))
        return false;
    uint32_t sp = flash.word(address);
    uint32_t reset = flash.word(address + 4);
    if (!(sp > kSramStart && sp <= kSramEnd))
        return false;
    uint32_t entry = reset & ~1u;
    if (!(reset & 1u) || entry < regionStart || entry >= regionEnd || !flash.contains(entry, 2))
        return false;
    // Erased flash at the entry point is no code: a half-written image whose
    // vector table made it but whose startup code did not would fault.
    return !flash.erased(entry, 2);
}

ImageInfo inspectImage(const Flash &flash, uint32_t address)
{
    ImageInfo info;
    info.startable = vectorsStartable(flash, address, address, address + kImageRegionSize);
    uint32_t record = address + kVersionRecordOffset;
    if (!flash.contains(record, 16))
        return info;
    Bytes r = flash.read(record, 10);
    if (std::memcmp(r.data(), "KVFW", 4) == 0) {
        std::copy(r.begin() + 4, r.begin() + 7, info.type);
        info.version = Version{int8_t(r[7]), int8_t(r[8]), int8_t(r[9])};
    }
    return info;
}

namespace {

void putWord(Bytes &image, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image[offset + i] = uint8_t(value >> (8 * i));
}

// The generator's xorshift32, evaluated the way Python evaluates it: its
// integers have no width, so a negative seed (negative major or minor
// version) keeps its sign bits through the shifts. int64 holds every value
// it reaches.
class PyXorshift {
public:
    explicit PyXorshift(int64_t seed) : state_(seed) {}
    uint8_t next()
    {
        state_ ^= int64_t(uint64_t(state_) << 13) & 0xFFFFFFFF;
        state_ ^= state_ >> 17;
        state_ ^= int64_t(uint64_t(state_) << 5) & 0xFFFFFFFF;
        return uint8_t(state_ & 0xFF);
    }

private:
    int64_t state_;
};

} // namespace

Bytes buildProductBootloaderImage()
{
    // 20 KiB: spills into sector 1 like the real one. Vector table for
    // 0x08000000, a version record "BL1" 1.0.0, pseudo-random code after it.
    const uint32_t size = 20 * 1024;
    Bytes image(size, 0);
    putWord(image, 0, 0x20020000);
    putWord(image, 4, (Flash::kBase + 0x400) | 1);
    for (uint32_t i = 2; i < 98; ++i)
        putWord(image, 4 * i, (Flash::kBase + 0x410) | 1);
    const char record[] = "KVFWBL1";
    std::memcpy(image.data() + kVersionRecordOffset, record, 7);
    image[kVersionRecordOffset + 7] = 1;
    PyXorshift random(0x6B76626C);
    for (uint32_t pos = 0x400; pos < size; ++pos)
        image[pos] = random.next();
    return image;
}

std::vector<uint8_t> buildStandinImage(const std::string &typeCode, Version version,
                                       uint32_t size, uint32_t address)
{
    if (size < kVersionRecordOffset + 16)
        size = kVersionRecordOffset + 16;
    Bytes image(size, 0);
    putWord(image, 0, 0x20020000);
    putWord(image, 4, (address + 0x400) | 1);
    for (uint32_t i = 2; i < 98; ++i)
        putWord(image, 4 * i, (address + 0x410) | 1);
    uint8_t code[3] = {0, 0, 0};
    int codeSum = 0;
    for (size_t i = 0; i < typeCode.size() && i < 3; ++i) {
        code[i] = uint8_t(typeCode[i]);
        codeSum += code[i];
    }
    uint8_t *record = image.data() + kVersionRecordOffset;
    std::memcpy(record, "KVFW", 4);
    std::memcpy(record + 4, code, 3);
    record[7] = uint8_t(version.major);
    record[8] = uint8_t(version.minor);
    record[9] = uint8_t(version.patch);
    int64_t versionBits = int64_t(version.major) * 65536 | int64_t(version.minor) * 256
        | (int64_t(version.patch) & 0xFF);
    PyXorshift random(int64_t(0x2545F491) ^ codeSum ^ versionBits);
    for (uint32_t pos = 0x400; pos < size; ++pos)
        image[pos] = random.next();
    return image;
}

uint16_t modbusCrc(const uint8_t *data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

std::vector<uint8_t> uniqueIdOf(const GripperConfig &config, int unit)
{
    const std::string &given = config.uniqueId;
    std::vector<uint8_t> id;
    if (unit == 0 && given.size() == 24) {
        for (size_t i = 0; i < 24; i += 2)
            id.push_back(uint8_t(std::stoul(given.substr(i, 2), nullptr, 16)));
        return id;
    }
    // FNV-1a over what tells units apart in a test: stable across runs.
    uint64_t hash = 1469598103934665603ull;
    const std::string seed = std::string(kindName(config.kind)) + '/' + config.typeCode + '/' + config.publishPath
        + '/' + std::to_string(unit) + '/' + given;
    for (char c : seed)
        hash = (hash ^ uint8_t(c)) * 1099511628211ull;
    // Wafer X/Y and number, then a seven-character lot of letters and digits.
    for (int i = 0; i < 5; ++i)
        id.push_back(uint8_t(hash >> (8 * i)));
    static const char lot[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (int i = 0; i < 7; ++i) {
        hash = hash * 6364136223846793005ull + 1442695040888963407ull;
        id.push_back(uint8_t(lot[(hash >> 33) % 36]));
    }
    return id;
}

} // namespace korvane::sim
