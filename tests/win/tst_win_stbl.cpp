// The bootloader library built for Windows, run under Wine against the
// simulator. This native program owns the simulated gripper (gripper_sim),
// gives its pseudo-terminal to Wine as a COM port (a dosdevices/comN link in a
// private prefix), runs stbl-wincheck.exe for one scenario after another and
// checks what reached the simulated flash. stbl-wincheck.exe checks the
// result codes and times on its side (tests/win/stbl_wincheck.cpp).
//
//   tst_win_stbl --wine WINE --exe stbl-wincheck.exe --prefix DIR --image GC3-1.6.9.bin [SCENARIO...]
//   tst_win_stbl --skip REASON        prints the reason, exits 77 (skipped)

#include "gripper_sim.h"
#include "winerun.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace korvane::sim;
using namespace winerun;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint32_t MAIN = 0x08080000;
constexpr uint32_t START = 0x08000000;
constexpr uint32_t PACKET = 252;
// Two digits on purpose: COM10 and above only open as "\\.\COMn".
constexpr int COM_NUMBER = 11;
// No scenario comes near this; a wine run that does has hung.
constexpr int RUN_LIMIT_SECONDS = 90;

struct Options : Wine
{
    std::string exe, image;
    std::vector<std::string> scenarios;
};

// A GC already in its ROM, as after the wizard's reboot request. `blank`
// erases its main sectors, so what a fault scenario wrote can be told from
// the image the simulator starts with; `paced` gives it a real line's pace,
// with erases quicker than real so the run stays short.
std::unique_ptr<Gripper> romUnit(bool blank, bool paced = false)
{
    GripperConfig c;
    c.kind = Kind::GC;
    c.bootToRom = true;
    c.pacing.enabled = paced;
    c.pacing.erase128kSeconds = 0.05;
    auto g = std::make_unique<Gripper>(c);
    expect(g->waitForState(State::Rom, std::chrono::seconds(2)), "simulated GC3 sits in its ROM");
    if (blank)
        g->setFlash(MAIN, Bytes(4 * 0x20000, 0xFF));
    g->clearLogs();
    return g;
}

// Runs one scenario of stbl-wincheck.exe against `g`; `during` runs beside it.
bool runScenario(const Options &o, Gripper &g, const std::string &scenario,
                 const std::function<void(const std::atomic<bool> &over)> &during = {})
{
    if (!linkComPort(o, COM_NUMBER, g.path())) {
        expect(false, "linking COM" + std::to_string(COM_NUMBER) + " to " + g.path() + ": " + std::strerror(errno));
        return false;
    }
    const std::string out = workDir(o) + "/" + scenario + ".out";
    std::vector<std::string> args{o.exe, "COM" + std::to_string(COM_NUMBER), scenario};
    if (scenario != "silence")
        args.push_back(windowsPath(o.image));
    std::thread side;
    std::atomic<bool> done{false};
    if (during)
        side = std::thread([&] { during(done); });
    const auto t0 = Clock::now();
    const int r = run(o, args, out, RUN_LIMIT_SECONDS);
    const long ms = msSince(t0);
    done = true;
    if (side.joinable())
        side.join();
    std::istringstream lines(readFile(out));
    for (std::string line; std::getline(lines, line);)
        std::cout << "  [exe] " << line << std::endl;
    if (r == -1)
        expect(false, scenario + ": wine run still going after " + std::to_string(RUN_LIMIT_SECONDS) + " s: hung");
    else
        expect(r == 0, scenario + ": stbl-wincheck.exe exit status " + std::to_string(r) + " after " + std::to_string(ms)
                           + " ms (wine start included)");
    return r == 0;
}

Bytes slice(const Bytes &b, std::size_t from, std::size_t n)
{
    return Bytes(b.begin() + long(from), b.begin() + long(std::min(b.size(), from + n)));
}

void flashScenario(const Options &o, const Bytes &image)
{
    std::cout << "== flash: probe, entry, Get, erase, write, read back, Go" << std::endl;
    auto unit = romUnit(false);
    Gripper &g = *unit;
    runScenario(o, g, "flash");
    expect(g.readFlash(MAIN, uint32_t(image.size())) == image,
           "the simulated flash holds the carried image (" + std::to_string(image.size()) + " bytes at 0x08080000)");
    const RomLog log = g.romLog();
    expect(log.erasedSectors == std::vector<int>({8, 9, 10, 11}), "sectors 8..11 erased, one command each");
    expect(log.massErases == 0 && log.readoutUnprotects == 0, "no mass erase, no readout unprotect");
    expect(log.goAddresses == std::vector<uint32_t>({START}), "one Go, to 0x08000000");
    expect(g.waitForState(State::Firmware, std::chrono::seconds(3)), "the gripper runs its firmware after Go");
    const Status s = g.status();
    expect(s.unit.typeCode == "GC3" && s.unit.version == Version{1, 6, 9},
           "the firmware running is the carried one: " + s.unit.typeCode + " "
               + std::to_string(s.unit.version.major) + "." + std::to_string(s.unit.version.minor) + "."
               + std::to_string(s.unit.version.patch));
}

void silenceScenario(const Options &o)
{
    std::cout << "== silence: the ROM never answers" << std::endl;
    auto g = romUnit(false);
    Faults f;
    f.romNoSyncAnswer = true;
    g->setFaults(f);
    runScenario(o, *g, "silence");
    expect(g->romLog().syncs == 0, "the ROM never synchronised");
}

// The unit loses power in the 3rd packet ("silent-write") or refuses it
// ("nack"): the first two are in flash, nothing after them and nothing starts.
void thirdPacketFails(const Options &o, const Bytes &image, const std::string &scenario)
{
    std::cout << "== " << scenario << ": the 3rd packet fails" << std::endl;
    auto unit = romUnit(true);
    Gripper &g = *unit;
    Faults f;
    (scenario == "nack" ? f.romNackAtWrite : f.romPowerLossAtWrite) = 3;
    g.setFaults(f);
    runScenario(o, g, scenario);
    const RomLog log = g.romLog();
    expect(log.writes.size() == 3 && log.writes[0].acked && log.writes[1].acked && !log.writes[2].acked,
           "3 writes reached the ROM, the 3rd unanswered or refused, nothing after it");
    expect(g.readFlash(MAIN, 2 * PACKET) == slice(image, 0, 2 * PACKET), "packets 1 and 2 are in flash");
    if (scenario == "nack")
        expect(g.readFlash(MAIN + 2 * PACKET, PACKET) == Bytes(PACKET, 0xFF), "packet 3 is not");
    expect(log.goAddresses.empty(), "nothing started");
}

void vanishScenario(const Options &o)
{
    std::cout << "== vanish: the port disappears while the image is written" << std::endl;
    // Paced, so the image takes seconds and the port goes while the write runs.
    auto unit = romUnit(true, true);
    Gripper &g = *unit;
    std::atomic<bool> pulled{false};
    std::atomic<long> pulledAfterWrites{0};
    runScenario(o, g, "vanish", [&](const std::atomic<bool> &over) {
        while (g.romLog().writes.size() < 3) {
            if (over)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        pulledAfterWrites = long(g.romLog().writes.size());
        g.unplug();
        pulled = true;
    });
    expect(pulled, "the port was pulled after " + std::to_string(pulledAfterWrites.load()) + " writes");
    const std::size_t writes = g.romLog().writes.size();
    expect(writes < 100, "the write stopped there: " + std::to_string(writes) + " writes reached the ROM");
    expect(g.romLog().goAddresses.empty(), "nothing started");
}

} // namespace

int main(int argc, char **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string *to) {
            if (i + 1 < argc)
                *to = argv[++i];
        };
        if (a == "--skip") {
            std::cout << "skipped: " << (i + 1 < argc ? argv[i + 1] : "") << std::endl;
            return 77;
        } else if (a == "--wine") {
            value(&o.wine);
        } else if (a == "--exe") {
            value(&o.exe);
        } else if (a == "--prefix") {
            value(&o.prefix);
        } else if (a == "--image") {
            value(&o.image);
        } else {
            o.scenarios.push_back(a);
        }
    }
    if (o.wine.empty() || o.exe.empty() || o.prefix.empty() || o.image.empty()) {
        std::cerr << "usage: tst_win_stbl --wine WINE --exe EXE --prefix DIR --image IMAGE [SCENARIO...]" << std::endl;
        return 2;
    }
    if (o.scenarios.empty())
        o.scenarios = {"flash", "silence", "silent-write", "nack", "vanish"};
    const std::string imageText = readFile(o.image);
    const Bytes image(imageText.begin(), imageText.end());
    if (image.empty()) {
        std::cerr << "tst_win_stbl: cannot read " << o.image << std::endl;
        return 2;
    }

    const auto t0 = Clock::now();
    if (!begin(o)) {
        expect(false, "making the wine prefix (see " + workDir(o) + "/wine-stderr.log)");
        return 1;
    }
    for (const std::string &s : o.scenarios) {
        const auto ts = Clock::now();
        if (s == "flash")
            flashScenario(o, image);
        else if (s == "silence")
            silenceScenario(o);
        else if (s == "silent-write" || s == "nack")
            thirdPacketFails(o, image, s);
        else if (s == "vanish")
            vanishScenario(o);
        else
            expect(false, "unknown scenario " + s);
        std::cout << "   (" << s << ": " << msSince(ts) << " ms)" << std::endl;
    }
    end(o);
    unlink((o.prefix + "/dosdevices/com" + std::to_string(COM_NUMBER)).c_str());
    std::cout << (failures() ? "FAILED" : "passed") << ": " << failures() << " failed checks, " << msSince(t0)
              << " ms in all" << std::endl;
    return failures() ? 1 : 0;
}
