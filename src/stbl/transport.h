#ifndef STBL_TRANSPORT_H
#define STBL_TRANSPORT_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The line under a session: blocking byte I/O bounded by deadlines. One
// implementation per platform (transport_posix.cpp, transport_win.cpp); the
// protocol above never sees the platform.
namespace stbl {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

enum class IoStatus {
    Ok,
    Timeout,  // the deadline passed first
    Error,    // the port failed or hung up; further I/O is pointless
};

struct LineSettings
{
    long baud = 115200;
    int dataBits = 8;
    int parity = 1;       // PARITY_EVEN
    float stopBits = 1.0f;
};

class Transport
{
public:
    virtual ~Transport() = default;

    // Sends all `size` bytes, or fails. Implementations hand the bytes to the
    // driver in as few calls as the driver takes, so a packet leaves as one.
    virtual IoStatus write(const uint8_t *data, std::size_t size, Deadline deadline) = 0;

    // Reads exactly `size` bytes. `*got` (when given) counts what arrived,
    // also on timeout or error.
    virtual IoStatus read(uint8_t *data, std::size_t size, Deadline deadline,
                          std::size_t *got = nullptr) = 0;

    // Drops whatever the device sent that nobody read yet.
    virtual void discardInput() = 0;
};

// Whether the platform's serial driver takes this baud rate.
bool baudSupported(long baud);

// Opens a serial device in the line settings for the bootloader, exclusively.
// On failure returns null and sets `*result` to RESULT_OPEN_FAILED or
// RESULT_BAD_SETTINGS.
std::unique_ptr<Transport> openSerialTransport(const std::string &devicePath,
                                               const LineSettings &settings, uint8_t *result);

} // namespace stbl

#endif
