#ifndef BOOTLOADERLINE_H
#define BOOTLOADERLINE_H

#include "STBLLIB.h"

#include <cstdint>

// The line the STM32 ROM bootloader speaks, as the library is told it: it
// answers only in 8E1, and at 115200 its autobaud locks at first try on every
// adapter the grippers ship with.
namespace BootloaderLine {

constexpr long kBaud = 115200;
constexpr int kDataBits = 8;
constexpr int kParity = stbl::PARITY_EVEN;
constexpr float kStopBits = 1.0f;

// SetCOMSettings for the port with this number; its result.
inline uint8_t configure(int portNumber)
{
    return SetCOMSettings(portNumber, kBaud, kDataBits, kParity, kStopBits);
}

} // namespace BootloaderLine

#endif
