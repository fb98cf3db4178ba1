#ifndef STBL_PROTOCOL_H
#define STBL_PROTOCOL_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Which commands a bootloader offers, as its Get reply lists them: one flag a
// command, 1 when offered. Fifteen 32-bit flags in the order of the command
// codes; the second is Get Version & Read Protection.
struct Commands
{
    uint32_t GET_CMD;                  // 0x00
    uint32_t GET_VER_ROPS_CMD;         // 0x01
    uint32_t GET_ID_CMD;               // 0x02
    uint32_t READ_CMD;                 // 0x11
    uint32_t GO_CMD;                   // 0x21
    uint32_t WRITE_CMD;                // 0x31
    uint32_t ERASE_CMD;                // 0x43
    uint32_t ERASE_EXT_CMD;            // 0x44
    uint32_t SPECIAL_CMD;              // 0x50
    uint32_t SPECIAL_EXT_CMD;          // 0x51
    uint32_t WRITE_PROTECT_CMD;        // 0x63
    uint32_t WRITE_UNPROTECT_CMD;      // 0x73
    uint32_t READOUT_PROTECT_CMD;      // 0x82
    uint32_t READOUT_UNPROTECT_CMD;    // 0x92
    uint32_t GET_CHECKSUM_CMD;         // 0xA1
};

// The byte-level shape of the exchanges: pure functions over byte buffers,
// no I/O, safe to call with any bytes at all.
namespace stbl {

// ---- Replies -----------------------------------------------------------------

// Get reply between its two ACKs: N, version, then N command codes.
struct GetReply
{
    uint8_t version = 0;
    std::vector<uint8_t> codes;
};
// False unless `size` is exactly N + 2 with N the first byte.
bool parseGetReply(const uint8_t *data, std::size_t size, GetReply *out);

// Get Version & Read Protection reply between its ACKs: version and the two
// option bytes. False unless `size` is 3.
struct VersionReply
{
    uint8_t version = 0;
    uint8_t option1 = 0;
    uint8_t option2 = 0;
};
bool parseGetVersionReply(const uint8_t *data, std::size_t size, VersionReply *out);

// Get ID reply between its ACKs: N, then N + 1 bytes of product id, most
// significant first. False unless `size` is N + 2 and the id fits 32 bits.
bool parseGetIdReply(const uint8_t *data, std::size_t size, uint32_t *productId);

// The 96-bit unique ID is 12 bytes of system memory whose address depends on
// the part: false for a product ID not known here.
constexpr std::size_t UNIQUE_ID_SIZE = 12;
bool uniqueIdAddress(uint32_t productId, uint32_t *address);

// Flags of every known code set to 1, the rest 0; unknown codes are ignored.
Commands commandsFromCodes(const std::vector<uint8_t> &codes);

// The erase command to use: Extended Erase when offered, else the legacy one.
uint8_t chooseEraseCommand(const Commands &commands);

// ---- Requests ----------------------------------------------------------------

// Command code and its complement.
std::vector<uint8_t> encodeCommand(uint8_t code);

// 4 address bytes, most significant first, and their XOR.
std::vector<uint8_t> encodeAddress(uint32_t address);

// Write Memory payload: N (= count - 1), the data padded with ERASED_BYTE to a
// multiple of WRITE_ALIGN, and the XOR of N and the padded data. `size` must
// be 1..MAX_TRANSFER; empty result otherwise.
std::vector<uint8_t> encodeWritePayload(const uint8_t *data, std::size_t size);

// Read Memory length: N (= count - 1) and its complement. `count` 1..256.
std::vector<uint8_t> encodeReadLength(std::size_t count);

// Extended Erase payload: N (= count - 1) on two bytes, the two-byte sector
// numbers, all most significant first, and the XOR of all those bytes. Empty
// when the list is empty or holds a special (mass/bank erase) number.
std::vector<uint8_t> encodeExtendedErase(const uint16_t *sectors, std::size_t count);

// Legacy Erase payload: N (= count - 1), the page numbers, their XOR. Empty
// when the list is empty, longer than LEGACY_ERASE_MAX_PAGES (N = 0xFF is the
// global erase) or holds a number above 0xFF.
std::vector<uint8_t> encodeLegacyErase(const uint16_t *pages, std::size_t count);

// ---- Flash timing ------------------------------------------------------------

// How long the erase of one sector may take, from the STM32F4 sector sizes:
// the 16 KiB sectors are quick, the others get the full allowance.
uint32_t eraseAllowanceMs(uint16_t sector);

} // namespace stbl

#endif
