#include "childgrippers.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace korvane::bench {

namespace sim = korvane::sim;

namespace {

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool writeAll(int fd, const void *data, size_t length)
{
    const auto *p = static_cast<const uint8_t *>(data);
    while (length > 0) {
        const ssize_t n = ::write(fd, p, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd out{fd, POLLOUT, 0};
            ::poll(&out, 1, 100);
            continue;
        }
        if (n <= 0)
            return false;
        p += n;
        length -= size_t(n);
    }
    return true;
}

bool readLine(int fd, std::string *line)
{
    line->clear();
    char c;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        if (c == '\n')
            return true;
        line->push_back(c);
    }
}

void makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
}

// The USB serial adapter: the host opens its pty, the relay holds the
// gripper's pty open for the whole run (as the adapter's UART is always
// wired to the gripper) and passes bytes across.
class AdapterRelay {
public:
    AdapterRelay(const std::string &devicePath, const std::string &publishPath, AdapterOptions options)
        : m_options(options)
    {
        m_device = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_device < 0)
            throw std::runtime_error("open " + devicePath + ": " + std::strerror(errno));
        makeRaw(m_device);
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        char name[128];
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0
            || ptsname_r(m_master, name, sizeof name) != 0)
            throw std::runtime_error(std::string("adapter pty: ") + std::strerror(errno));
        // Held open so that the master never reads EIO while the host has
        // the port closed; opened before the watch, so it is not counted.
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_slave < 0)
            throw std::runtime_error(std::string("adapter slave: ") + std::strerror(errno));
        makeRaw(m_slave);
        m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_inotify < 0 || inotify_add_watch(m_inotify, name, IN_OPEN | IN_CLOSE) < 0)
            throw std::runtime_error(std::string("inotify: ") + std::strerror(errno));
        const std::string temporary = publishPath + ".new";
        ::unlink(temporary.c_str());
        if (::symlink(name, temporary.c_str()) != 0 || ::rename(temporary.c_str(), publishPath.c_str()) != 0)
            throw std::runtime_error("publish " + publishPath + ": " + std::strerror(errno));
        m_publishPath = publishPath;
        m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        m_thread = std::thread([this] { loop(); });
    }

    ~AdapterRelay()
    {
        m_stopping = true;
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
        m_thread.join();
        ::unlink(m_publishPath.c_str());
        for (int fd : {m_device, m_master, m_slave, m_inotify, m_wake})
            if (fd >= 0)
                ::close(fd);
    }

    std::vector<WireCommand> commands()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_tracker.commands();
    }

private:
    void loop()
    {
        // Wake-ups on time to the microsecond: the burst boundaries are
        // what the wizard sees.
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        while (!m_stopping) {
            pollfd fds[4] = {{m_master, POLLIN, 0}, {m_device, POLLIN, 0}, {m_inotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
            timespec timeout{};
            timespec *timeoutPtr = nullptr;
            if (!m_pending.empty()) {
                const int64_t left = std::max<int64_t>(0, m_lastByteNs + m_options.quietMicroseconds * 1000LL - nowNs());
                timeout.tv_sec = time_t(left / 1000000000);
                timeout.tv_nsec = long(left % 1000000000);
                timeoutPtr = &timeout;
            }
            ::ppoll(fds, 4, timeoutPtr, nullptr);
            if (fds[0].revents & POLLIN)
                fromHost();
            if (fds[2].revents & POLLIN)
                hostOpens();
            if (fds[1].revents & POLLIN)
                fromDevice();
            if (!m_pending.empty() && nowNs() >= m_lastByteNs + m_options.quietMicroseconds * 1000LL)
                handOver(m_pending.size());
        }
    }

    void fromHost()
    {
        uint8_t buffer[4096];
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return;
        const int64_t ns = nowNs();
        writeAll(m_device, buffer, size_t(n));
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tracker.hostBytes(buffer, size_t(n), ns);
    }

    void fromDevice()
    {
        uint8_t buffer[4096];
        const ssize_t n = ::read(m_device, buffer, sizeof buffer);
        if (n <= 0)
            return;
        m_lastByteNs = nowNs();
        m_pending.insert(m_pending.end(), buffer, buffer + n);
        while (m_pending.size() >= m_options.packetBytes)
            handOver(m_options.packetBytes);
    }

    void handOver(size_t count)
    {
        const int64_t ns = nowNs();
        // Nobody listening: the bytes are lost, as on a real port.
        if (m_hostOpens > 0)
            writeAll(m_master, m_pending.data(), count);
        m_pending.erase(m_pending.begin(), m_pending.begin() + long(count));
        if (m_hostOpens > 0) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tracker.deviceBytes(count, ns);
        }
    }

    void hostOpens()
    {
        alignas(inotify_event) char buffer[4096];
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        const int64_t ns = nowNs();
        for (char *p = buffer; n > 0 && p < buffer + n;) {
            auto *event = reinterpret_cast<inotify_event *>(p);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (event->mask & IN_OPEN) {
                ++m_hostOpens;
                m_tracker.hostOpened(ns);
            }
            if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                m_hostOpens = std::max(0, m_hostOpens - 1);
                m_tracker.hostClosed(ns);
                // What the host left unread goes with its session.
                if (m_hostOpens == 0) {
                    tcflush(m_slave, TCIFLUSH);
                    m_pending.clear();
                }
            }
            p += sizeof(inotify_event) + event->len;
        }
    }

    AdapterOptions m_options;
    int m_device = -1;
    int m_master = -1;
    int m_slave = -1;
    int m_inotify = -1;
    int m_wake = -1;
    std::string m_publishPath;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
    std::vector<uint8_t> m_pending;
    int64_t m_lastByteNs = 0;
    int m_hostOpens = 0;
    std::mutex m_mutex;
    WireTracker m_tracker;
};

struct ChildGripper {
    std::unique_ptr<sim::Gripper> gripper;
    std::unique_ptr<AdapterRelay> adapter;
};

void answerReport(int out, ChildGripper &child)
{
    std::string text;
    if (child.adapter) {
        for (const WireCommand &command : child.adapter->commands())
            text += "cmd " + WireTracker::serialize(command) + "\n";
    }
    const sim::Status status = child.gripper->status();
    text += std::string("status ") + sim::stateName(status.unit.state) + " "
            + (status.unit.typeCode.empty() ? "-" : status.unit.typeCode) + " " + std::to_string(status.unit.version.major)
            + " " + std::to_string(status.unit.version.minor) + " " + std::to_string(status.unit.version.patch) + "\n";
    text += "end\n";
    writeAll(out, text.data(), text.size());
}

[[noreturn]] void childMain(const std::vector<ChildGripperSetup> &setups, int control, int answers)
{
    // The wizard dying must not leave the grippers behind.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::vector<ChildGripper> grippers;
    try {
        for (const ChildGripperSetup &setup : setups) {
            ChildGripper child;
            sim::GripperConfig config = setup.config;
            if (setup.adapter.enabled)
                config.publishPath.clear();
            child.gripper = std::make_unique<sim::Gripper>(config);
            if (setup.adapter.enabled)
                child.adapter = std::make_unique<AdapterRelay>(child.gripper->path(), setup.config.publishPath,
                                                               setup.adapter);
            const sim::State expected = config.bootToRom ? sim::State::Rom : sim::State::Firmware;
            if (!child.gripper->waitForState(expected, std::chrono::seconds(5)))
                throw std::runtime_error("simulated gripper did not start");
            grippers.push_back(std::move(child));
        }
    } catch (const std::exception &e) {
        const std::string text = std::string("error ") + e.what() + "\n";
        writeAll(answers, text.data(), text.size());
        _exit(2);
    }
    writeAll(answers, "ready\n", 6);
    std::string line;
    while (readLine(control, &line)) {
        int index = -1;
        if (std::sscanf(line.c_str(), "report %d", &index) == 1 && index >= 0 && index < int(grippers.size()))
            answerReport(answers, grippers[size_t(index)]);
        else
            writeAll(answers, "end\n", 4);
    }
    grippers.clear();
    _exit(0);
}

} // namespace

ChildGrippers::~ChildGrippers()
{
    stop();
}

bool ChildGrippers::start(const std::vector<ChildGripperSetup> &setups, std::string *error)
{
    int control[2];
    int answers[2];
    if (::pipe2(control, O_CLOEXEC) != 0 || ::pipe2(answers, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (pid == 0) {
        ::close(control[1]);
        ::close(answers[0]);
        childMain(setups, control[0], answers[1]);
    }
    ::close(control[0]);
    ::close(answers[1]);
    m_pid = pid;
    m_control = control[1];
    m_answers = answers[0];
    for (const ChildGripperSetup &setup : setups)
        m_paths.push_back(setup.config.publishPath);
    std::string line;
    if (!readLine(m_answers, &line) || line != "ready") {
        *error = line.empty() ? "simulator process ended" : line;
        stop();
        return false;
    }
    return true;
}

std::string ChildGrippers::portPath(int index) const
{
    return index >= 0 && index < int(m_paths.size()) ? m_paths[size_t(index)] : std::string();
}

bool ChildGrippers::report(int index, GripperReport *out)
{
    if (m_pid < 0)
        return false;
    const std::string request = "report " + std::to_string(index) + "\n";
    if (!writeAll(m_control, request.data(), request.size()))
        return false;
    *out = GripperReport{};
    std::string line;
    while (readLine(m_answers, &line)) {
        if (line == "end")
            return true;
        if (line.rfind("cmd ", 0) == 0) {
            WireCommand command;
            if (WireTracker::parse(line.substr(4), &command))
                out->wire.push_back(command);
        } else if (line.rfind("status ", 0) == 0) {
            char state[32] = {};
            char type[8] = {};
            int major = 0, minor = 0, patch = 0;
            if (std::sscanf(line.c_str(), "status %31s %7s %d %d %d", state, type, &major, &minor, &patch) == 5) {
                out->state = state;
                out->typeCode = type;
                out->version = {int8_t(major), int8_t(minor), int8_t(patch)};
            }
        }
    }
    return false;
}

void ChildGrippers::stop()
{
    if (m_control >= 0)
        ::close(m_control);
    m_control = -1;
    if (m_pid > 0) {
        int status = 0;
        rusage usage{};
        if (::wait4(m_pid, &status, 0, &usage) == m_pid)
            m_childPeakRssKiB = usage.ru_maxrss;
    }
    m_pid = -1;
    if (m_answers >= 0)
        ::close(m_answers);
    m_answers = -1;
}

} // namespace korvane::bench
