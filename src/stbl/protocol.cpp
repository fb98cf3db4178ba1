#include "protocol.h"

#include "constants.h"

namespace stbl {

const char *resultName(uint8_t result)
{
    switch (result) {
    case RESULT_OK: return "ok";
    case RESULT_NACK: return "refused (NACK)";
    case RESULT_BAD_ANSWER: return "unexpected answer";
    case RESULT_TIMEOUT: return "no answer in time";
    case RESULT_IO_ERROR: return "port error";
    case RESULT_NO_ANSWER: return "bootloader silent";
    case RESULT_NOT_OPEN: return "port not open";
    case RESULT_BAD_ARGUMENT: return "bad argument";
    case RESULT_UNKNOWN_PORT: return "unknown port number";
    case RESULT_OPEN_FAILED: return "port cannot be opened";
    case RESULT_BAD_SETTINGS: return "line settings refused";
    case RESULT_VERIFY_MISMATCH: return "read-back differs";
    default: return "unknown result";
    }
}

bool parseGetReply(const uint8_t *data, std::size_t size, GetReply *out)
{
    if (!data || !out || size < 2 || size != std::size_t(data[0]) + 2)
        return false;
    out->version = data[1];
    out->codes.assign(data + 2, data + size);
    return true;
}

bool parseGetVersionReply(const uint8_t *data, std::size_t size, VersionReply *out)
{
    if (!data || !out || size != 3)
        return false;
    out->version = data[0];
    out->option1 = data[1];
    out->option2 = data[2];
    return true;
}

bool parseGetIdReply(const uint8_t *data, std::size_t size, uint32_t *productId)
{
    if (!data || !productId || size < 2 || size != std::size_t(data[0]) + 2 || size - 1 > 4)
        return false;
    uint32_t id = 0;
    for (std::size_t i = 1; i < size; ++i)
        id = (id << 8) | data[i];
    *productId = id;
    return true;
}

bool uniqueIdAddress(uint32_t productId, uint32_t *address)
{
    switch (productId) {
    case 0x411:  // F2
    case 0x413:  // F405/407/415/417
    case 0x419:  // F42x/43x
        *address = 0x1FFF7A10;
        return true;
    case 0x449:  // F7
    case 0x451:
    case 0x452:
        *address = 0x1FF0F420;
        return true;
    case 0x410:  // F1
    case 0x412:
    case 0x414:
    case 0x430:
        *address = 0x1FFFF7E8;
        return true;
    case 0x415:  // L4
    case 0x435:
    case 0x461:
    case 0x462:
    case 0x470:
        *address = 0x1FFF7590;
        return true;
    default:
        return false;
    }
}

Commands commandsFromCodes(const std::vector<uint8_t> &codes)
{
    Commands c{};
    for (uint8_t code : codes) {
        switch (code) {
        case CMD_GET: c.GET_CMD = 1; break;
        case CMD_GET_VERSION: c.GET_VER_ROPS_CMD = 1; break;
        case CMD_GET_ID: c.GET_ID_CMD = 1; break;
        case CMD_READ_MEMORY: c.READ_CMD = 1; break;
        case CMD_GO: c.GO_CMD = 1; break;
        case CMD_WRITE_MEMORY: c.WRITE_CMD = 1; break;
        case CMD_ERASE: c.ERASE_CMD = 1; break;
        case CMD_EXTENDED_ERASE: c.ERASE_EXT_CMD = 1; break;
        case CMD_SPECIAL: c.SPECIAL_CMD = 1; break;
        case CMD_EXTENDED_SPECIAL: c.SPECIAL_EXT_CMD = 1; break;
        case CMD_WRITE_PROTECT: c.WRITE_PROTECT_CMD = 1; break;
        case CMD_WRITE_UNPROTECT: c.WRITE_UNPROTECT_CMD = 1; break;
        case CMD_READOUT_PROTECT: c.READOUT_PROTECT_CMD = 1; break;
        case CMD_READOUT_UNPROTECT: c.READOUT_UNPROTECT_CMD = 1; break;
        case CMD_GET_CHECKSUM: c.GET_CHECKSUM_CMD = 1; break;
        default: break;
        }
    }
    return c;
}

uint8_t chooseEraseCommand(const Commands &commands)
{
    return commands.ERASE_EXT_CMD ? CMD_EXTENDED_ERASE : CMD_ERASE;
}

std::vector<uint8_t> encodeCommand(uint8_t code)
{
    return {code, uint8_t(code ^ 0xFF)};
}

std::vector<uint8_t> encodeAddress(uint32_t address)
{
    std::vector<uint8_t> out{uint8_t(address >> 24), uint8_t(address >> 16),
                             uint8_t(address >> 8), uint8_t(address)};
    out.push_back(out[0] ^ out[1] ^ out[2] ^ out[3]);
    return out;
}

std::vector<uint8_t> encodeWritePayload(const uint8_t *data, std::size_t size)
{
    if (!data || size == 0 || size > MAX_TRANSFER)
        return {};
    const std::size_t padded = (size + WRITE_ALIGN - 1) / WRITE_ALIGN * WRITE_ALIGN;
    std::vector<uint8_t> out;
    out.reserve(padded + 2);
    const uint8_t n = uint8_t(padded - 1);
    out.push_back(n);
    uint8_t checksum = n;
    for (std::size_t i = 0; i < padded; ++i) {
        const uint8_t b = i < size ? data[i] : ERASED_BYTE;
        out.push_back(b);
        checksum ^= b;
    }
    out.push_back(checksum);
    return out;
}

std::vector<uint8_t> encodeReadLength(std::size_t count)
{
    if (count == 0 || count > MAX_TRANSFER)
        return {};
    const uint8_t n = uint8_t(count - 1);
    return {n, uint8_t(n ^ 0xFF)};
}

std::vector<uint8_t> encodeExtendedErase(const uint16_t *sectors, std::size_t count)
{
    if (!sectors || count == 0 || count > EXTENDED_ERASE_SPECIAL_FIRST)
        return {};
    std::vector<uint8_t> out;
    out.reserve(2 * count + 3);
    const uint16_t n = uint16_t(count - 1);
    out.push_back(uint8_t(n >> 8));
    out.push_back(uint8_t(n));
    for (std::size_t i = 0; i < count; ++i) {
        if (sectors[i] >= EXTENDED_ERASE_SPECIAL_FIRST)
            return {};
        out.push_back(uint8_t(sectors[i] >> 8));
        out.push_back(uint8_t(sectors[i]));
    }
    uint8_t checksum = 0;
    for (uint8_t b : out)
        checksum ^= b;
    out.push_back(checksum);
    return out;
}

std::vector<uint8_t> encodeLegacyErase(const uint16_t *pages, std::size_t count)
{
    if (!pages || count == 0 || count > LEGACY_ERASE_MAX_PAGES)
        return {};
    std::vector<uint8_t> out;
    out.reserve(count + 2);
    out.push_back(uint8_t(count - 1));
    for (std::size_t i = 0; i < count; ++i) {
        if (pages[i] > LEGACY_ERASE_MAX_PAGE)
            return {};
        out.push_back(uint8_t(pages[i]));
    }
    uint8_t checksum = 0;
    for (uint8_t b : out)
        checksum ^= b;
    out.push_back(checksum);
    return out;
}

uint32_t eraseAllowanceMs(uint16_t sector)
{
    // F4 sectors 0-3 and, in the second bank of the 2 MiB parts, 12-15.
    const bool small = sector <= 3 || (sector >= 12 && sector <= 15);
    return small ? ERASE_SMALL_SECTOR_TIMEOUT_MS : ERASE_SECTOR_TIMEOUT_MS;
}

} // namespace stbl
