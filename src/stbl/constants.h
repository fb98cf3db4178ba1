#ifndef STBL_CONSTANTS_H
#define STBL_CONSTANTS_H

#include <cstddef>
#include <cstdint>

// Everything the STM32 system bootloader's USART protocol fixes, and every
// result this library returns, in one place.
namespace stbl {

// ---- Bytes on the wire -------------------------------------------------------

// The ROM times the first 0x7F after reset to lock its baud rate. It is sent
// once per reset: a synchronised ROM reads a further 0x7F as a command code.
constexpr uint8_t SYNC_BYTE = 0x7F;
constexpr uint8_t ACK = 0x79;
constexpr uint8_t NACK = 0x1F;
// Some adapters deliver a 0x00 ahead of the first answer (a glitch while the
// line settles); it is skipped while synchronising.
constexpr uint8_t STRAY_BYTE = 0x00;
// What GetAckValue reports before the device ever answered.
constexpr uint8_t ACK_NONE = 0x00;

// ---- Command codes (each is sent followed by its complement) -----------------

constexpr uint8_t CMD_GET = 0x00;
constexpr uint8_t CMD_GET_VERSION = 0x01;     // version and read-protection bytes
constexpr uint8_t CMD_GET_ID = 0x02;
constexpr uint8_t CMD_READ_MEMORY = 0x11;
constexpr uint8_t CMD_GO = 0x21;
constexpr uint8_t CMD_WRITE_MEMORY = 0x31;
constexpr uint8_t CMD_ERASE = 0x43;           // one-byte page numbers, older parts
constexpr uint8_t CMD_EXTENDED_ERASE = 0x44;  // two-byte sector numbers
constexpr uint8_t CMD_SPECIAL = 0x50;
constexpr uint8_t CMD_EXTENDED_SPECIAL = 0x51;
constexpr uint8_t CMD_WRITE_PROTECT = 0x63;
constexpr uint8_t CMD_WRITE_UNPROTECT = 0x73;
constexpr uint8_t CMD_READOUT_PROTECT = 0x82;
// Never sent by this library: the ROM answers it by mass-erasing the whole
// chip, the gripper's own bootloader included.
constexpr uint8_t CMD_READOUT_UNPROTECT = 0x92;
constexpr uint8_t CMD_GET_CHECKSUM = 0xA1;

// Sector numbers from 0xFFF0 up are the special mass and bank erases of
// Extended Erase; a legacy Erase count byte of 0xFF is its global erase.
// Neither is ever sent.
constexpr uint16_t EXTENDED_ERASE_SPECIAL_FIRST = 0xFFF0;
constexpr std::size_t LEGACY_ERASE_MAX_PAGES = 255;
constexpr uint16_t LEGACY_ERASE_MAX_PAGE = 0xFF;

// ---- Sizes -------------------------------------------------------------------

// Read Memory and Write Memory move at most this many bytes per command.
constexpr std::size_t MAX_TRANSFER = 256;
// The ROM programs flash in 32-bit words: write addresses and lengths are
// multiples of this, and a short tail is padded with the erased value.
constexpr std::size_t WRITE_ALIGN = 4;
constexpr uint8_t ERASED_BYTE = 0xFF;

// ---- Time-outs ---------------------------------------------------------------

// Wait for an answer before SetTimeOut is called.
constexpr uint32_t DEFAULT_TIMEOUT_MS = 1000;
// An erase is answered only once the flash is erased, so its wait never goes
// below these, however short the caller's time-out: a 128 KiB sector takes
// 1-2 s and up to 4 s in the worst case, a 16 KiB one well under a second.
constexpr uint32_t ERASE_SECTOR_TIMEOUT_MS = 5000;
constexpr uint32_t ERASE_SMALL_SECTOR_TIMEOUT_MS = 2000;
// Write Memory is answered once the block is programmed.
constexpr uint32_t WRITE_BLOCK_TIMEOUT_MS = 1000;
// Bits a byte takes on the line in 8E1 (start, 8 data, parity, stop). The
// wire time of what is sent or expected is added to every wait, so a slow
// baud rate does not eat into the device's time to answer.
constexpr unsigned LINE_BITS_PER_BYTE = 11;

// ---- Line settings as SetCOMSettings takes them ------------------------------

constexpr int PARITY_NONE = 0;
constexpr int PARITY_EVEN = 1;   // the only parity the ROM speaks
constexpr int PARITY_ODD = 2;
constexpr int INTERFACE_UART = 0;  // TARGET_SetComIntType's only interface

// ---- Results (0 = success everywhere) ----------------------------------------

constexpr uint8_t RESULT_OK = 0;
// The device answered NACK: command refused, sector protected, bad checksum.
constexpr uint8_t RESULT_NACK = 1;
// The device answered something that is neither ACK nor NACK, or a reply
// that does not parse.
constexpr uint8_t RESULT_BAD_ANSWER = 2;
// The device stopped answering in the middle of an exchange.
constexpr uint8_t RESULT_TIMEOUT = 3;
// The port failed: unplugged adapter, hang-up, read/write error.
constexpr uint8_t RESULT_IO_ERROR = 4;
// STBL_Init_BL heard nothing at all. The caller may reset the device into
// its bootloader and try again.
constexpr uint8_t RESULT_NO_ANSWER = 5;
// A protocol call while no port is open.
constexpr uint8_t RESULT_NOT_OPEN = 6;
// Unaligned address, zero length, null pointer, unknown mode, a sector
// number that would mean a mass erase... Nothing was sent.
constexpr uint8_t RESULT_BAD_ARGUMENT = 7;
// The port number names no known port.
constexpr uint8_t RESULT_UNKNOWN_PORT = 8;
// The port exists but cannot be opened (missing, busy, no permission).
constexpr uint8_t RESULT_OPEN_FAILED = 9;
// The port refused the line settings, or the settings are not 8E1 at a
// supported baud rate.
constexpr uint8_t RESULT_BAD_SETTINGS = 10;
// Read-back differs from the data.
constexpr uint8_t RESULT_VERIFY_MISMATCH = 11;

// Short English name of a result, for log lines and messages.
const char *resultName(uint8_t result);

} // namespace stbl

#endif
