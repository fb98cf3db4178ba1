// Serial line for POSIX systems (built on Linux; the pty and low-latency
// details are Linux's).
#ifndef _WIN32

#include "transport.h"

#include "constants.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/serial.h>
#endif

namespace stbl {

namespace {

// Unix98 pseudo-terminal slaves use these major numbers.
constexpr unsigned PTY_SLAVE_MAJOR_FIRST = 136;
constexpr unsigned PTY_SLAVE_MAJOR_LAST = 143;

struct BaudEntry
{
    long baud;
    speed_t code;
};

constexpr BaudEntry BAUD_TABLE[] = {
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool speedCode(long baud, speed_t *code)
{
    for (const BaudEntry &e : BAUD_TABLE) {
        if (e.baud == baud) {
            *code = e.code;
            return true;
        }
    }
    return false;
}

// A pseudo-terminal carries no parity. Test ports and the simulator publish
// ptys, often behind a symlink, so both the resolved path and the device
// number are looked at.
bool isPseudoTerminal(int fd, const std::string &path)
{
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned m = major(st.st_rdev);
        if (m >= PTY_SLAVE_MAJOR_FIRST && m <= PTY_SLAVE_MAJOR_LAST)
            return true;
    }
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved))
        return std::strncmp(resolved, "/dev/pts/", 9) == 0;
    return false;
}

// Remaining time to a deadline for ppoll; zero once it has passed.
timespec remaining(Deadline deadline)
{
    const auto left = deadline - Clock::now();
    timespec ts{0, 0};
    if (left > Clock::duration::zero()) {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        ts.tv_sec = time_t(ns / 1000000000);
        ts.tv_nsec = long(ns % 1000000000);
    }
    return ts;
}

class PosixTransport : public Transport
{
public:
    explicit PosixTransport(int fd) : fd_(fd) {}

    ~PosixTransport() override
    {
        // The exclusive flag belongs to the tty, not to this descriptor, and
        // outlives a close while another process (a simulator holding its
        // pty slave) keeps the tty open.
        ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }

    IoStatus write(const uint8_t *data, std::size_t size, Deadline deadline) override
    {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n > 0) {
                done += std::size_t(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                const IoStatus s = waitFor(POLLOUT, deadline);
                if (s != IoStatus::Ok)
                    return s;
                continue;
            }
            return IoStatus::Error;
        }
        return IoStatus::Ok;
    }

    IoStatus read(uint8_t *data, std::size_t size, Deadline deadline, std::size_t *got) override
    {
        std::size_t done = 0;
        IoStatus status = IoStatus::Ok;
        while (done < size) {
            status = waitFor(POLLIN, deadline);
            if (status != IoStatus::Ok)
                break;
            const ssize_t n = ::read(fd_, data + done, size - done);
            if (n > 0) {
                done += std::size_t(n);
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            // Readable yet nothing to read: the tty was hung up.
            status = IoStatus::Error;
            break;
        }
        if (got)
            *got = done;
        return status;
    }

    void discardInput() override { tcflush(fd_, TCIFLUSH); }

private:
    IoStatus waitFor(short events, Deadline deadline)
    {
        for (;;) {
            pollfd p{fd_, events, 0};
            const timespec ts = remaining(deadline);
            const int r = ppoll(&p, 1, &ts, nullptr);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return IoStatus::Error;
            }
            if (r == 0)
                return IoStatus::Timeout;
            // Data that arrived before a hang-up is still delivered; a
            // vanished port with nothing pending fails at once.
            if (p.revents & events)
                return IoStatus::Ok;
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL))
                return IoStatus::Error;
        }
    }

    int fd_;
};

} // namespace

bool baudSupported(long baud)
{
    speed_t code;
    return speedCode(baud, &code);
}

std::unique_ptr<Transport> openSerialTransport(const std::string &devicePath,
                                               const LineSettings &settings, uint8_t *result)
{
    uint8_t dummy;
    if (!result)
        result = &dummy;
    speed_t speed;
    if (!speedCode(settings.baud, &speed) || settings.dataBits != 8
        || settings.parity != PARITY_EVEN || settings.stopBits != 1.0f) {
        *result = RESULT_BAD_SETTINGS;
        return nullptr;
    }

    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *result = RESULT_OPEN_FAILED;
        return nullptr;
    }
    // Two programs on one bootloader line corrupt each other's exchanges.
    // flock keeps other users of this library out, root included; TIOCEXCL
    // keeps out every other program that is not root.
    termios tio;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || tcgetattr(fd, &tio) != 0
        || ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        *result = RESULT_OPEN_FAILED;
        return nullptr;
    }
    auto transport = std::make_unique<PosixTransport>(fd);

    cfmakeraw(&tio);
    tio.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | PARODD | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | PARENB;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY | INPCK | PARMRK | ISTRIP);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);

    const bool pty = isPseudoTerminal(fd, devicePath);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        if (!(pty && errno == EINVAL)) {
            *result = RESULT_BAD_SETTINGS;
            return nullptr;
        }
        tio.c_cflag &= ~tcflag_t(PARENB);
        if (tcsetattr(fd, TCSANOW, &tio) != 0) {
            *result = RESULT_BAD_SETTINGS;
            return nullptr;
        }
    }
    // tcsetattr succeeds when any part of the request was taken: check that
    // the line really is 8E1, parity excepted on a pty where it cannot exist.
    termios got;
    if (tcgetattr(fd, &got) != 0 || (got.c_cflag & CSIZE) != CS8 || (got.c_cflag & CSTOPB)
        || (!pty && (!(got.c_cflag & PARENB) || (got.c_cflag & PARODD)))
        || cfgetospeed(&got) != speed) {
        *result = RESULT_BAD_SETTINGS;
        return nullptr;
    }

#ifdef __linux__
    // USB adapters otherwise hold back every answer for their latency timer
    // (16 ms by default): three answers a packet would triple the write time.
    // Drivers and ptys that do not know the flag refuse it; that is fine.
    serial_struct ss;
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0 && !(ss.flags & ASYNC_LOW_LATENCY)) {
        ss.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &ss);
    }
#endif

    tcflush(fd, TCIOFLUSH);
    *result = RESULT_OK;
    return transport;
}

} // namespace stbl

#endif // !_WIN32
