#ifndef STBLLIB_H
#define STBLLIB_H

// STM32 system bootloader over a serial port, as the wizard calls it: free
// functions over one process-wide connection (one port at a time, no
// handle). Every call is serialised by a mutex, so the GUI thread and pool
// threads may take turns. Results are the RESULT_* codes of
// stbl/constants.h, 0 meaning success. Code that needs several ports at once
// uses stbl::Session directly.

#include "constants.h"
#include "protocol.h"  // struct Commands

#include <cstdint>
#include <functional>

// Selects the line type. Only INTERFACE_UART (0) exists; anything else is
// RESULT_BAD_ARGUMENT.
uint8_t TARGET_SetComIntType(uint8_t type);

// Line for the next COM_Open: the port number the serial layer registered
// (the COM number on Windows), baud rate, data bits, parity code
// (PARITY_EVEN = 1), stop bits. The ROM speaks 8E1 only: other framing, an
// unsupported baud rate or a port number below 1 is RESULT_BAD_SETTINGS /
// RESULT_BAD_ARGUMENT. The number is resolved to a device at COM_Open.
uint8_t SetCOMSettings(int portNumber, long baud, int dataBits, int parity, float stopBits);

// Opens the port of the last SetCOMSettings, exclusively; an open port is
// closed first. RESULT_UNKNOWN_PORT when the number names no port.
uint8_t COM_Open();
// 1 while a port is open, 0 otherwise.
uint32_t COM_is_Open();
// Closes the port; closing a closed port is not an error.
uint8_t COM_Close();

// Milliseconds each wait for an acknowledge or reply may last beyond the
// wire time of the bytes involved. Kept across COM_Close/COM_Open. Erase
// waits at least 5 s per sector (2 s for a 16 KiB one) and a written block at
// least 1 s, even with a shorter time-out.
void SetTimeOut(uint32_t ms);

// Synchronises with the ROM (see stbl::Session::init): 0 when it answered,
// RESULT_NO_ANSWER (5) when it stayed silent, another code for a wrong
// answer or a port error.
uint8_t STBL_Init_BL();

// Last acknowledge byte the bootloader sent, 0x79 (ACK) meaning
// acknowledged. Calls that heard nothing leave it unchanged, and it is kept
// per port number across COM_Close/COM_Open: a device found in its ROM by an
// earlier probe still reads as acknowledged when its port is opened again,
// whatever other ports answered to their probes in between. After
// STBL_Init_BL succeeds it is always 0x79, also when the ROM answered NACK
// because it was synchronised already. ACK_NONE (0) for a port never heard;
// once closed, that of the port closed last.
uint8_t GetAckValue();

// Get: bootloader version and the commands it offers (each flag 0 or 1).
// The answer also decides the erase command: Extended Erase when offered,
// the legacy Erase otherwise; Extended until Get was called on this port.
uint8_t STBL_GET(uint8_t *version, Commands *commands);

// Our addition: Get ID, then the part's 96-bit unique ID (12 bytes read
// from where that part keeps it). RESULT_NACK under readout protection,
// RESULT_BAD_ARGUMENT for a part not known; `productId` is set whenever Get
// ID answered.
uint8_t STBL_READ_UID(uint32_t *productId, uint8_t *id);

// Erases `count` sectors in one command. Mass erase is never sent.
uint8_t STBL_ERASE(uint16_t count, const uint16_t *sectors);

// Largest number of bytes one Write Memory carries. The ROM programs whole
// words, so the size kept is the largest multiple of 4 not above `size`
// (255 -> 252, 0..3 -> 0). 252 until set.
void SetPaketSize(uint8_t size);
uint8_t GetPaketSize(uint8_t *size);

// Writes `length` bytes at a 4-aligned address, in packets of the packet
// size, the tail padded with 0xFF to a whole word. Length 0, an unaligned
// address or packet size 0: RESULT_BAD_ARGUMENT, nothing sent.
uint8_t STBL_WRITE(uint32_t address, uint8_t length, const uint8_t *data);

// Reads `length` bytes back with Read Memory (256 a command) and compares
// them with `data`: 0 only when every byte matches. `readMode` 1 is the
// read-back, the only mode (the F4 ROM has no checksum command); length 0
// verifies nothing and is RESULT_BAD_ARGUMENT.
uint8_t STBL_VERIFY(uint32_t address, const uint8_t *data, uint32_t length, uint8_t readMode);

// Starts the code whose vector table is at `address`.
uint8_t STBL_GO(uint32_t address);

// Our addition: called by STBL_VERIFY after each block read back, on the
// calling thread, with the bytes compared so far and the total. An empty
// function removes it. The callback runs inside the library's lock and must
// not call back into the library; posting a queued signal is the intent.
void STBL_SetProgressCallback(std::function<void(uint32_t done, uint32_t total)> callback);

#endif
