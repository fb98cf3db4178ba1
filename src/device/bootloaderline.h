#ifndef BOOTLOADERLINE_H
#define BOOTLOADERLINE_H

#include "STBLLIB.h"

#include <atomic>
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

// The library has one line for the whole process. Whoever opens it holds it
// until it is closed again: a probe of another port (a unit plugged in
// while a download runs) must neither reconfigure nor close it.
inline std::atomic<bool> held{false};
// False while another holds the line.
inline bool take()
{
    bool expected = false;
    return held.compare_exchange_strong(expected, true);
}
inline void release()
{
    held = false;
}

} // namespace BootloaderLine

#endif
