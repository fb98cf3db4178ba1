#ifndef SIM_HOSTLINE_H
#define SIM_HOSTLINE_H

// The host's end of a simulated gripper's line: the pty slave opened by path
// in raw 8N1, as a serial port library would, with blocking-with-deadline
// reads so a test states how long it is willing to wait.

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "gripper_sim.h"

using Bytes = std::vector<uint8_t>;

class HostLine {
public:
    explicit HostLine(const std::string &path, bool xonXoff = false)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0)
            return;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        if (xonXoff)
            t.c_iflag |= IXON | IXOFF;
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~HostLine()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HostLine(const HostLine &) = delete;
    HostLine &operator=(const HostLine &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Writes everything, waiting while the tty holds output back (XOFF).
    bool write(const Bytes &bytes, int timeoutMs = 5000)
    {
        size_t done = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (done < bytes.size()) {
            ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += size_t(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN)
                return false;
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now()).count());
            if (left <= 0)
                return false;
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, std::min(left, 20));
        }
        return true;
    }

    // Reads until `count` bytes came or the time is up.
    Bytes read(size_t count, int timeoutMs = 1000)
    {
        Bytes out;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now()).count());
            if (left <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                break;
            if (p.revents & (POLLHUP | POLLERR) && !(p.revents & POLLIN)) {
                hungUp_ = true;
                break;
            }
            uint8_t buffer[4096];
            ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - out.size()));
            if (n <= 0) {
                hungUp_ = n == 0 || errno == EIO;
                break;
            }
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }
    // Everything that arrives within the time.
    Bytes readFor(int timeoutMs) { return read(size_t(-1) / 2, timeoutMs); }
    // Reads until `marker` has arrived (or the time is up).
    std::string readUntil(const std::string &marker, int timeoutMs)
    {
        std::string text;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (text.find(marker) == std::string::npos) {
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - std::chrono::steady_clock::now()).count());
            if (left <= 0)
                break;
            Bytes chunk = read(4096, std::min(left, 20));
            text.append(chunk.begin(), chunk.end());
            if (hungUp_)
                break;
        }
        return text;
    }

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

// Modbus frame with its CRC appended, computed by the simulator's routine.
inline Bytes withCrc(Bytes frame)
{
    uint16_t crc = korvane::sim::modbusCrc(frame.data(), frame.size());
    frame.push_back(uint8_t(crc & 0xFF));
    frame.push_back(uint8_t(crc >> 8));
    return frame;
}

// The two requests the wizard sends, byte for byte.
inline Bytes versionRequest() { return {0x09, 0x03, 0x01, 0xF4, 0x00, 0x03, 0x44, 0x8D}; }
inline Bytes rebootRequest() { return {0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x02, 0x2A, 0x00, 0xD3, 0x60}; }
inline Bytes rebootEcho() { return {0x09, 0x10, 0x01, 0x90, 0x00, 0x01, 0x01, 0x50}; }

#endif
