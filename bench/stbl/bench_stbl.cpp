// Flashes the carried firmware image through a simulated gripper whose line
// is paced like a real UART at 115200 baud 8E1, and compares the write and
// read-back times with the wire minimum and with stm32flash on the same
// simulated device.
//
// Usage: bench_stbl [--runs N] [IMAGE] [RESULTS.md]   (3 runs by default)

#include "STBLLIB.h"
#include "gripper_sim.h"
#include "portnumbers.h"
#include "session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace korvane::sim;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t MAIN = 0x08080000;
constexpr long BAUD = 115200;
constexpr int BITS_PER_BYTE = 11;
// Per lock-step packet: command and complement, address and XOR, N and the
// checksum (or N and its complement for a read) sent, three ACKs received.
constexpr int PROTOCOL_BYTES = 12;

double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Wire minimum to move `size` bytes in packets of `packet`, each padded to
// whole words.
double wireMinimum(std::size_t size, std::size_t packet)
{
    double bytes = 0;
    for (std::size_t done = 0; done < size; done += packet) {
        const std::size_t n = std::min(packet, size - done);
        bytes += double((n + 3) / 4 * 4 + PROTOCOL_BYTES);
    }
    return bytes * BITS_PER_BYTE / BAUD;
}

std::size_t packets(std::size_t size, std::size_t packet)
{
    return (size + packet - 1) / packet;
}

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool haveProgram(const char *name)
{
    const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Runs a command, its output to a log file; wall time in seconds, < 0 when
// it failed.
double timedRun(const std::string &command, const std::string &log)
{
    const auto t0 = Clock::now();
    const int rc = std::system((command + " >" + log + " 2>&1").c_str());
    const double t = seconds(t0);
    return (rc != -1 && WIFEXITED(rc) && WEXITSTATUS(rc) == 0) ? t : -1;
}

struct Row
{
    std::string what;
    std::size_t packet;
    double minimum;
    std::vector<double> times;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

// Fresh ROM waiting for 0x7F, main sectors erased.
void resetDevice(Gripper &g, std::size_t size)
{
    g.setFlash(MAIN, Bytes((size + 0x1FFFF) / 0x20000 * 0x20000, 0xFF));
    g.powerCycle();
    if (!g.waitForState(State::Rom, std::chrono::seconds(5))) {
        std::fprintf(stderr, "simulated ROM did not start\n");
        std::exit(2);
    }
}

// Replaces what stands between the markers, so the notes around the table
// survive a new run; a file without markers is written whole.
void saveResults(const std::string &path, const std::string &table)
{
    const std::string begin = "<!-- bench_stbl results -->\n";
    const std::string end = "<!-- end of bench_stbl results -->\n";
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t b = text.find(begin);
    const std::size_t e = text.find(end);
    if (b != std::string::npos && e != std::string::npos && e > b)
        text = text.substr(0, b + begin.size()) + table + text.substr(e);
    else
        text = begin + table + end;
    std::ofstream(path) << text;
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        std::exit(1);
    }
}

// One run of each way of flashing, in a fixed order; each adds its times.
void runOnce(Gripper &g, const Bytes &image, const std::string &imagePath, std::vector<Row> &rows,
             double *setup)
{
    // 1. As the wizard does it: SetPaketSize(255) reads back 252, one
    //    STBL_WRITE a packet, then STBL_VERIFY over the whole image.
    resetDevice(g, image.size());
    const int port = korvane::registerPortNumber("bench", g.path());
    const auto t0 = Clock::now();
    check(SetCOMSettings(port, BAUD, 8, 1, 1.0f) == 0 && COM_Open() == 0, "open");
    SetTimeOut(100);
    check(STBL_Init_BL() == 0 && GetAckValue() == 0x79, "sync");
    SetTimeOut(5000);
    uint8_t version = 0;
    Commands commands{};
    check(STBL_GET(&version, &commands) == 0, "get");
    SetPaketSize(255);
    uint8_t packet = 0;
    GetPaketSize(&packet);
    *setup = seconds(t0);
    const auto tw = Clock::now();
    for (std::size_t offset = 0; offset < image.size(); offset += packet) {
        const auto n = uint8_t(std::min<std::size_t>(packet, image.size() - offset));
        check(STBL_WRITE(MAIN + uint32_t(offset), n, image.data() + offset) == 0, "write");
    }
    rows[0].times.push_back(seconds(tw));
    const auto tv = Clock::now();
    check(STBL_VERIFY(MAIN, image.data(), uint32_t(image.size()), 1) == 0, "verify");
    rows[1].times.push_back(seconds(tv));
    COM_Close();
    check(g.readFlash(MAIN, uint32_t(image.size())) == image, "flash holds the image");

    // 2. Full 256-byte packets, which STBL_WRITE's 8-bit length cannot ask
    //    for but stbl::Session can.
    resetDevice(g, image.size());
    stbl::Session s;
    check(s.open(g.path()) == 0 && s.init() == 0, "session open");
    s.setTimeout(5000);
    s.setPacketSize(256);
    const auto ts = Clock::now();
    check(s.write(MAIN, image.data(), image.size()) == 0, "session write");
    rows[2].times.push_back(seconds(ts));
    const auto tr = Clock::now();
    Bytes back(image.size());
    check(s.read(MAIN, back.data(), back.size()) == 0 && back == image, "session read");
    rows[3].times.push_back(seconds(tr));
    s.close();

    // 3. stm32flash on the same device: write without erase, then a read of
    //    the same range (its verify reads back the same way). Its times are
    //    whole runs, its own sync and Get included.
    if (rows.size() < 6)
        return;
    char dir[] = "/tmp/stbl-bench-XXXXXX";
    check(mkdtemp(dir) != nullptr, "temporary folder");
    const std::string tmp = dir;
    const std::string common = "stm32flash -m 8n1 -b 115200 ";
    char range[64];
    std::snprintf(range, sizeof range, "0x%08X:%zu", unsigned(MAIN), image.size());
    resetDevice(g, image.size());
    const double w = timedRun(common + "-e 0 -w '" + imagePath + "' -S " + range + " " + g.path(),
                              tmp + "/write.log");
    check(w > 0 && g.readFlash(MAIN, uint32_t(image.size())) == image, "stm32flash write");
    g.powerCycle();
    check(g.waitForState(State::Rom, std::chrono::seconds(5)), "ROM restarted");
    const double r = timedRun(common + "-r " + tmp + "/back.bin -S " + range + " " + g.path(),
                              tmp + "/read.log");
    check(r > 0 && readFile(tmp + "/back.bin") == image, "stm32flash read");
    rows[4].times.push_back(w);
    rows[5].times.push_back(r);
    std::system(("rm -rf " + tmp).c_str());
}

} // namespace

int main(int argc, char **argv)
{
    int runs = 3;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            args.push_back(argv[i]);
    }
    const std::string imagePath = args.size() > 0 ? args[0] : STBL_BENCH_IMAGE;
    const std::string resultsPath = args.size() > 1 ? args[1] : STBL_BENCH_RESULTS;
    const Bytes image = readFile(imagePath);
    check(!image.empty(), "image readable");

    GripperConfig config;
    config.bootToRom = true;
    config.pacing.enabled = true;
    config.pacing.baud = int(BAUD);
    config.pacing.bitsPerByte = BITS_PER_BYTE;
    // The comparison is about the line: flash programming time is left out
    // so the wire minimum is what the device allows.
    config.pacing.wordProgramMicroseconds = 0;
    // Each byte at its own wire time: no adapter's USB frames between the
    // program and the minimum it is held to.
    config.pacing.usbFrameMicroseconds = 0;
    Gripper g(config);

    const double min252 = wireMinimum(image.size(), 252);
    const double min256 = wireMinimum(image.size(), 256);
    std::vector<Row> rows{
        {"library, as the wizard calls it: STBL_WRITE per packet", 252, min252, {}},
        {"library, as the wizard calls it: STBL_VERIFY (read-back)", 256, min256, {}},
        {"library, stbl::Session::write", 256, min256, {}},
        {"library, stbl::Session::read", 256, min256, {}},
    };
    const bool peer = haveProgram("stm32flash");
    if (peer) {
        rows.push_back({"stm32flash -w (whole run: sync, Get, write)", 256, min256, {}});
        rows.push_back({"stm32flash -r (whole run: sync, Get, read)", 256, min256, {}});
    }
    const std::string loadBefore = loadAverage();
    double setup = 0;
    for (int run = 0; run < runs; ++run)
        runOnce(g, image, imagePath, rows, &setup);

    std::ostringstream out;
    char line[512];
    std::snprintf(line, sizeof line,
                  "Image %zu bytes at 0x%08X, simulated line %ld baud, %d bits a byte, flash "
                  "programming time 0; %d run(s) of each, interleaved; load average %s before, "
                  "%s after.\n\n",
                  image.size(), unsigned(MAIN), BAUD, BITS_PER_BYTE, runs, loadBefore.c_str(),
                  loadAverage().c_str());
    out << line;
    out << "| Run | Packet | Packets | Median (s) | Best (s) | Wire minimum (s) | Median / minimum |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|\n";
    for (const Row &row : rows) {
        std::snprintf(line, sizeof line, "| %s | %zu | %zu | %.2f | %.2f | %.2f | %.3f |\n",
                      row.what.c_str(), row.packet, packets(image.size(), row.packet),
                      median(row.times), *std::min_element(row.times.begin(), row.times.end()),
                      row.minimum, median(row.times) / row.minimum);
        out << line;
    }
    std::snprintf(line, sizeof line,
                  "\nLibrary set-up before the write (open, sync, Get): %.3f s.\n", setup);
    out << line;
    if (!peer)
        out << "stm32flash is not installed: its rows are missing.\n";
    std::fputs(out.str().c_str(), stdout);
    saveResults(resultsPath, out.str());
    return 0;
}
