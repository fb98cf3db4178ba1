#include "gripper_sim.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "common.h"
#include "model.h"

namespace korvane::sim {

namespace {

struct TimedByte {
    uint8_t byte;
    TimePoint at;
};

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

// How many descriptors of any process refer to the terminal `device`, but
// for `ownFd` of ours; -1 when none was found but some process's descriptors
// could not be read (one of them may hold it).
int openersOf(dev_t device, int ownFd)
{
    DIR *processes = ::opendir("/proc");
    if (!processes)
        return -1;
    const std::string self = std::to_string(::getpid());
    int found = 0;
    bool unreadable = false;
    while (const dirent *process = ::readdir(processes)) {
        if (!std::isdigit(static_cast<unsigned char>(process->d_name[0])))
            continue;
        const std::string fdDir = std::string("/proc/") + process->d_name + "/fd";
        DIR *fds = ::opendir(fdDir.c_str());
        if (!fds) {
            unreadable = unreadable || errno == EACCES;
            continue;
        }
        while (const dirent *fd = ::readdir(fds)) {
            if (!std::isdigit(static_cast<unsigned char>(fd->d_name[0])))
                continue;
            if (process->d_name == self && std::atoi(fd->d_name) == ownFd)
                continue;
            struct stat st{};
            if (::stat((fdDir + "/" + fd->d_name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == device)
                ++found;
        }
        ::closedir(fds);
    }
    ::closedir(processes);
    return found == 0 && unreadable ? -1 : found;
}

} // namespace

struct Gripper::Impl : Line {
    explicit Impl(GripperConfig c) : config(std::move(c)) {}

    // ---- Line ----
    void send(const uint8_t *data, size_t length, TimePoint notBefore) override
    {
        if (!plugged) {
            model->counters.bytesDropped += long(length);
            return;
        }
        Clock::duration byteTime = seconds(config.pacing.secondsPerByte());
        for (size_t i = 0; i < length; ++i) {
            TimePoint start = std::max(txFree, notBefore);
            TimePoint at = config.pacing.enabled ? start + byteTime : start;
            tx.push_back({data[i], at});
            txFree = at;
        }
    }
    TimePoint txIdleAt(TimePoint now) const override { return std::max(now, txFree); }
    bool hostFlowControl() const override
    {
        termios t{};
        // On a pty master the terminal settings are those of the slave side,
        // i.e. what the host asked for.
        return master >= 0 && tcgetattr(master, &t) == 0 && (t.c_iflag & IXON);
    }
    const Pacing &pacing() const override { return config.pacing; }

    // ---- pty ----
    void openPty()
    {
        int m = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m < 0)
            throw std::runtime_error(systemError("posix_openpt"));
        char name[128];
        if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, sizeof name) != 0) {
            std::string error = systemError("pty set-up");
            ::close(m);
            throw std::runtime_error(error);
        }
        // Our own slave fd keeps the master readable (it reads EIO while no
        // slave is open) and holds the line settings between host sessions.
        int s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (s < 0) {
            std::string error = systemError(std::string("open ") + name);
            ::close(m);
            throw std::runtime_error(error);
        }
        termios t{};
        tcgetattr(s, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, B115200);
        cfsetospeed(&t, B115200);
        tcsetattr(s, TCSANOW, &t);
        master = m;
        slave = s;
        slavePath = name;
        hostOpenCount = 0;
        // Opens and closes of the slave node tell when a host has the port:
        // what a gripper sends while nobody listens is lost, as on a real
        // serial port.
        watch = inotifyFd >= 0 ? inotify_add_watch(inotifyFd, name, IN_OPEN | IN_CLOSE) : -1;
        if (!config.publishPath.empty()) {
            std::string temporary = config.publishPath + ".new";
            ::unlink(temporary.c_str());
            if (::symlink(name, temporary.c_str()) != 0
                || ::rename(temporary.c_str(), config.publishPath.c_str()) != 0) {
                std::string error = systemError("publish " + config.publishPath);
                closePty();
                throw std::runtime_error(error);
            }
        }
        plugged = true;
    }

    void closePty()
    {
        if (!config.publishPath.empty()) {
            struct stat st{};
            if (::lstat(config.publishPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
                ::unlink(config.publishPath.c_str());
        }
        if (watch >= 0)
            inotify_rm_watch(inotifyFd, watch);
        watch = -1;
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
        slavePath.clear();
        plugged = false;
        hostOpenCount = 0;
        tx.clear();
        rx.clear();
    }

    void readInotify()
    {
        if (inotifyFd < 0)
            return;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            ssize_t n = ::read(inotifyFd, buffer, sizeof buffer);
            if (n <= 0)
                return;
            for (char *p = buffer; p < buffer + n;) {
                auto *event = reinterpret_cast<inotify_event *>(p);
                if (event->wd == watch && watch >= 0) {
                    if (event->mask & IN_OPEN) {
                        ++hostOpenCount;
                        ++model->counters.hostOpens;
                    }
                    if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                        hostOpenCount = std::max(0, hostOpenCount - 1);
                        // Like events not yet read are merged into one: two
                        // opens seen apart (a host's lock and its line) may
                        // end in one close. Ask the system who still has it.
                        if (hostOpenCount > 0)
                            hostOpenCount = std::max(0, openersStillThere(hostOpenCount));
                        // Whatever the host left unread goes with its session.
                        if (hostOpenCount == 0 && slave >= 0)
                            tcflush(slave, TCIFLUSH);
                    }
                }
                p += sizeof(inotify_event) + event->len;
            }
        }
    }

    bool hostOpen() const { return inotifyFd < 0 || hostOpenCount > 0; }

    int openersStillThere(int counted) const
    {
        struct stat st{};
        if (slave < 0 || ::fstat(slave, &st) != 0)
            return counted;
        const int found = openersOf(st.st_rdev, slave);
        return found < 0 ? counted : found;
    }

    void flushTx(TimePoint now)
    {
        uint8_t buffer[4096];
        while (!tx.empty() && tx.front().at <= now) {
            size_t n = 0;
            while (n < sizeof buffer && !tx.empty() && tx.front().at <= now) {
                buffer[n++] = tx.front().byte;
                tx.pop_front();
            }
            if (!plugged || !hostOpen()) {
                model->counters.bytesDropped += long(n);
                continue;
            }
            ssize_t written = ::write(master, buffer, n);
            if (written < 0)
                written = 0;
            model->counters.bytesSent += long(written);
            // A full slave buffer (a host that does not read) loses the rest,
            // as a UART with nobody listening would.
            model->counters.bytesDropped += long(n - size_t(written));
        }
    }

    void readLine(TimePoint now)
    {
        size_t window = model->rxWindow();
        size_t room = window > rx.size() ? window - rx.size() : 0;
        uint8_t buffer[4096];
        room = std::min(room, sizeof buffer);
        if (room == 0 || master < 0)
            return;
        ssize_t n = ::read(master, buffer, room);
        if (n <= 0)
            return;
        model->counters.bytesReceived += long(n);
        Clock::duration byteTime = seconds(config.pacing.secondsPerByte());
        for (ssize_t i = 0; i < n; ++i) {
            // Paced: the byte has arrived once its last bit is in, one line
            // time after the previous one at the earliest.
            TimePoint at = config.pacing.enabled ? std::max(rxFree, now) + byteTime : now;
            rxFree = at;
            rx.push_back({buffer[i], at});
        }
    }

    // Runs model events in time order up to now; returns the next deadline.
    TimePoint runModel(TimePoint now)
    {
        for (;;) {
            TimePoint rxAt = rx.empty() ? never() : std::max(rx.front().at, model->busyUntil());
            TimePoint timerAt = model->nextTimer();
            TimePoint next = std::min(rxAt, timerAt);
            if (next > now) {
                TimePoint txAt = tx.empty() ? never() : tx.front().at;
                return std::min(next, txAt);
            }
            bool wasPowered = model->powered();
            if (timerAt <= rxAt) {
                model->tick(timerAt);
            } else {
                uint8_t byte = rx.front().byte;
                rx.pop_front();
                model->receive(byte, rxAt);
            }
            if (wasPowered && !model->powered()) {
                tx.clear();
                rx.clear();
            }
        }
    }

    void loop()
    {
        if (config.pacing.enabled)
            prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopping) {
            readInotify();
            TimePoint now = Clock::now();
            TimePoint wake = runModel(now);
            flushTx(now);
            if (!tx.empty())
                wake = std::min(wake, tx.front().at);
            wake = onFrame(wake);
            changed.notify_all();

            pollfd fds[3];
            nfds_t count = 0;
            fds[count++] = {wakeFd, POLLIN, 0};
            int masterIndex = -1;
            if (plugged) {
                size_t window = model->rxWindow();
                if (window > rx.size()) {
                    masterIndex = int(count);
                    fds[count++] = {master, POLLIN, 0};
                }
            }
            if (inotifyFd >= 0)
                fds[count++] = {inotifyFd, POLLIN, 0};
            timespec timeout{};
            timespec *timeoutPtr = nullptr;
            if (wake != never()) {
                auto left = std::max(Clock::duration::zero(), wake - Clock::now());
                auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
                timeout.tv_sec = time_t(ns / 1000000000);
                timeout.tv_nsec = long(ns % 1000000000);
                timeoutPtr = &timeout;
            }
            lock.unlock();
            int ready = ::ppoll(fds, count, timeoutPtr, nullptr);
            lock.lock();
            if (ready <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                uint64_t value;
                [[maybe_unused]] ssize_t n = ::read(wakeFd, &value, sizeof value);
            }
            readInotify();
            // The fd may have changed under us (unplug, replug): only read
            // the one we polled if it is still the line.
            if (masterIndex >= 0 && (fds[masterIndex].revents & POLLIN) && fds[masterIndex].fd == master)
                readLine(Clock::now());
        }
    }

    // Paced, the line is served once per USB frame: what fell due within it is
    // handled at its own time stamps and reaches the host together, as through
    // an adapter. Waking for every byte instead costs a busy bench of simulated
    // grippers a whole core, which real grippers never take from the host.
    TimePoint onFrame(TimePoint wake) const
    {
        if (!config.pacing.enabled || config.pacing.usbFrameMicroseconds <= 0 || wake == never())
            return wake;
        const Clock::duration frame = std::chrono::microseconds(config.pacing.usbFrameMicroseconds);
        const Clock::duration since = wake.time_since_epoch();
        return TimePoint((since + frame - Clock::duration(1)) / frame * frame);
    }

    void wake()
    {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
    }

    GripperConfig config;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::unique_ptr<DeviceModel> model;
    int master = -1;
    int slave = -1;
    int inotifyFd = -1;
    int watch = -1;
    int wakeFd = -1;
    int hostOpenCount = 0;
    std::string slavePath;
    bool plugged = false;
    bool unplugPoweredOff = false;
    bool stopping = false;
    std::deque<TimedByte> rx;
    std::deque<TimedByte> tx;
    TimePoint rxFree{};
    TimePoint txFree{};
    std::thread thread;
};

Gripper::Gripper(GripperConfig config) : d(std::make_unique<Impl>(std::move(config)))
{
    if (d->config.typeCode.size() > 3)
        throw std::runtime_error("a type code has at most three characters");
    d->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d->wakeFd < 0)
        throw std::runtime_error(systemError("eventfd"));
    d->inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    d->model = std::make_unique<DeviceModel>(d->config, *d);
    try {
        d->openPty();
    } catch (...) {
        ::close(d->wakeFd);
        if (d->inotifyFd >= 0)
            ::close(d->inotifyFd);
        throw;
    }
    d->model->powerOn(Clock::now());
    d->thread = std::thread([this] { d->loop(); });
}

Gripper::~Gripper()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
        d->wake();
    }
    d->thread.join();
    d->closePty();
    ::close(d->wakeFd);
    if (d->inotifyFd >= 0)
        ::close(d->inotifyFd);
}

const GripperConfig &Gripper::config() const
{
    return d->config;
}

std::vector<uint8_t> Gripper::uniqueId(int unit) const
{
    return uniqueIdOf(d->config, unit);
}

std::string Gripper::path() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->slavePath;
}

std::string Gripper::publishedPath() const
{
    return d->config.publishPath;
}

void Gripper::powerOff()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model->powerOff();
    d->unplugPoweredOff = false;
    d->tx.clear();
    d->rx.clear();
    d->changed.notify_all();
    d->wake();
}

void Gripper::powerOn()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model->powerOn(Clock::now());
    d->changed.notify_all();
    d->wake();
}

void Gripper::powerCycle()
{
    powerOff();
    powerOn();
}

void Gripper::unplug(bool powerOff)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (!d->plugged)
        return;
    d->closePty();
    if (powerOff && d->model->powered()) {
        d->model->powerOff();
        d->unplugPoweredOff = true;
    }
    d->changed.notify_all();
    d->wake();
}

void Gripper::replug()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (d->plugged)
        return;
    d->openPty();
    if (d->unplugPoweredOff) {
        d->unplugPoweredOff = false;
        d->model->powerOn(Clock::now());
    }
    d->changed.notify_all();
    d->wake();
}

void Gripper::setFaults(const Faults &faults)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model->setFaults(faults);
    d->wake();
}

void Gripper::clearFaults()
{
    setFaults(Faults{});
}

Faults Gripper::faults() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->model->faults();
}

Status Gripper::status() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    Status s;
    s.kind = d->config.kind;
    s.powered = d->model->powered();
    s.plugged = d->plugged;
    s.hostOpen = d->plugged && d->hostOpen();
    s.path = d->slavePath;
    s.publishedPath = d->config.publishPath;
    s.unit = d->model->unitStatus(0);
    s.secondary = d->model->unitStatus(1);
    s.lineOnSecondary = d->model->lineOnSecondary();
    s.counters = d->model->counters;
    s.freescale = d->model->freescaleStats;
    return s;
}

State Gripper::state(int unit) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->model->state(unit);
}

bool Gripper::waitForState(State state, std::chrono::milliseconds timeout, int unit) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->changed.wait_for(lock, timeout, [&] { return d->model->state(unit) == state; });
}

std::vector<uint8_t> Gripper::readFlash(uint32_t address, uint32_t length, int unit) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const Flash *flash = d->model->flash(unit);
    return flash ? flash->read(address, length) : Bytes{};
}

void Gripper::setFlash(uint32_t address, const std::vector<uint8_t> &bytes, int unit)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    Flash *flash = d->model->flash(unit);
    if (!flash || !flash->contains(address, uint32_t(bytes.size())))
        throw std::out_of_range("setFlash outside flash");
    flash->set(address, bytes.data(), bytes.size());
}

uint32_t Gripper::mainAddress(int unit) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->model->mainAddress(unit);
}

RomLog Gripper::romLog(int unit) const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->model->romLog(unit);
}

void Gripper::clearLogs()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->model->clearLogs();
}

// ---- names -----------------------------------------------------------------

const char *kindName(Kind kind)
{
    switch (kind) {
    case Kind::GC: return "GC";
    case Kind::GD: return "GD";
    case Kind::GU: return "GU";
    case Kind::GV: return "GV";
    case Kind::CH: return "CH";
    case Kind::K01: return "K01";
    case Kind::GB1: return "GB1";
    case Kind::K01WithGB1: return "K01+GB1";
    case Kind::GS: return "GS";
    case Kind::GSX: return "GSX";
    case Kind::Silent: return "Silent";
    case Kind::Unidentified: return "Unidentified";
    }
    return "?";
}

const char *stateName(State state)
{
    switch (state) {
    case State::Off: return "Off";
    case State::ProductBootloader: return "ProductBootloader";
    case State::Firmware: return "Firmware";
    case State::Rom: return "Rom";
    case State::Freescale: return "Freescale";
    case State::Halted: return "Halted";
    }
    return "?";
}

bool kindFromName(const std::string &name, Kind *kind)
{
    std::string upper;
    for (char c : name)
        upper.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    static const Kind all[] = {Kind::GC, Kind::GD, Kind::GU, Kind::GV, Kind::CH, Kind::K01, Kind::GB1,
                               Kind::K01WithGB1, Kind::GS, Kind::GSX, Kind::Silent, Kind::Unidentified};
    for (Kind k : all) {
        std::string candidate;
        for (const char *p = kindName(k); *p; ++p)
            candidate.push_back(char(std::toupper(static_cast<unsigned char>(*p))));
        if (candidate == upper) {
            *kind = k;
            return true;
        }
    }
    return false;
}

bool operator==(const Version &a, const Version &b)
{
    return a.major == b.major && a.minor == b.minor && a.patch == b.patch;
}

} // namespace korvane::sim
