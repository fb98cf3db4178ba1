// stbl-wincheck: the bootloader library as the wizard calls it, built for
// Windows and run under Wine by tst_win_stbl against the simulator. No Qt:
// the port is named "COM<n>" and turned into a number by the port-number
// mapping, as the wizard does on Windows; the library opens "\\.\COM<n>".
//
//   stbl-wincheck.exe COM<n> SCENARIO [IMAGE]
//
// SCENARIO: flash (probe, entry, Get, erase, write, read back, Go: the
// wizard's whole sequence), silence (the ROM never answers), silent-write
// (the unit dies in the middle of a packet), nack (the third packet is
// refused), vanish (the port disappears while the image is written; the
// driver pulls it). Prints one line per check; exit status 0 when every
// result code held and every time-out was waited out, 1 otherwise, 2 on bad
// arguments.

#include "STBLLIB.h"
#include "portnumbers.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

// Where the wizard puts and starts a GC's firmware (src/download/flashlayout.h).
constexpr uint32_t MAIN_ADDRESS = 0x08080000;
constexpr uint16_t MAIN_FIRST_SECTOR = 8;
constexpr uint16_t MAIN_SECTORS = 4;
constexpr uint32_t START_ADDRESS = 0x08000000;
// Time-outs the wizard sets (identification, bootloader entry, flashing).
constexpr uint32_t PROBE_TIMEOUT = 25;
constexpr uint32_t INIT_TIMEOUT = 100;
constexpr uint32_t FLASHING_TIMEOUT = 5000;

int failures = 0;

void expect(bool ok, const std::string &what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

std::string code(uint8_t r)
{
    return std::to_string(int(r)) + " (" + stbl::resultName(r) + ")";
}

// Runs one library call; its result and how long it took in milliseconds.
template <typename F>
uint8_t timed(F call, long *ms)
{
    const auto t0 = Clock::now();
    const uint8_t r = call();
    *ms = long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
    return r;
}

void expectResult(const std::string &call, uint8_t got, uint8_t wanted)
{
    expect(got == wanted, call + " -> " + code(got) + ", expected " + code(wanted));
}

// The call waited out its time-out (no earlier than minMs) and then gave up
// with the right result. How much longer it took is printed, not judged: the
// test's own time limit catches a hang, and a loaded machine is no fault.
void expectTimed(const std::string &call, uint8_t got, uint8_t wanted, long ms, long minMs)
{
    expect(got == wanted && ms >= minMs, call + " -> " + code(got) + " after " + std::to_string(ms)
                                             + " ms, expected " + code(wanted) + " after at least "
                                             + std::to_string(minMs) + " ms");
}

bool readImage(const char *path, Bytes *image)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    image->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !image->empty();
}

// The wizard's calling order: settings by number, open, and for a
// device not yet synchronised the init with the wizard's time-outs.
bool openPort(int number)
{
    expectResult("TARGET_SetComIntType(0)", TARGET_SetComIntType(0), 0);
    expect(COM_is_Open() == 0, "COM_is_Open() == 0 before opening");
    expectResult("SetCOMSettings(" + std::to_string(number) + ", 115200, 8, 1, 1.0)",
                 SetCOMSettings(number, 115200, 8, 1, 1.0f), 0);
    const uint8_t r = COM_Open();
    expectResult("COM_Open()", r, 0);
    expect(COM_is_Open() == 1, "COM_is_Open() == 1 after opening");
    return r == 0;
}

bool synchronise()
{
    SetTimeOut(INIT_TIMEOUT);
    const uint8_t r = STBL_Init_BL();
    expectResult("STBL_Init_BL()", r, 0);
    SetTimeOut(FLASHING_TIMEOUT);
    expect(GetAckValue() == stbl::ACK, "GetAckValue() == 0x79 after the init");
    return r == 0;
}

bool getAndErase()
{
    uint8_t version = 0;
    Commands commands{};
    const uint8_t r = STBL_GET(&version, &commands);
    expectResult("STBL_GET", r, 0);
    expect(commands.GET_VER_ROPS_CMD == 1, "Get lists Get Version (commands.GET_VER_ROPS_CMD == 1)");
    if (r != 0)
        return false;
    bool ok = true;
    for (uint16_t s = MAIN_FIRST_SECTOR; s < MAIN_FIRST_SECTOR + MAIN_SECTORS; ++s) {
        const uint8_t e = STBL_ERASE(1, &s);
        expectResult("STBL_ERASE(1, {" + std::to_string(s) + "})", e, 0);
        ok = ok && e == 0 && GetAckValue() == stbl::ACK;
    }
    return ok;
}

// The wizard's write loop: packets of the size read back after asking for
// 255. Stops at the first packet refused; returns its result, sets the
// packet index (1-based) and how long that call took.
uint8_t writeImage(const Bytes &image, int *failedPacket, long *failedMs)
{
    SetPaketSize(255);
    uint8_t packet = 0;
    GetPaketSize(&packet);
    expect(packet == 252, "GetPaketSize() == 252 after SetPaketSize(255)");
    if (packet == 0)
        return stbl::RESULT_BAD_ARGUMENT;
    int index = 0;
    for (std::size_t offset = 0; offset < image.size(); offset += packet) {
        ++index;
        const auto n = uint8_t(std::min<std::size_t>(packet, image.size() - offset));
        long ms = 0;
        const uint8_t r = timed([&] { return STBL_WRITE(MAIN_ADDRESS + uint32_t(offset), n, image.data() + offset); },
                                &ms);
        if (r != 0) {
            *failedPacket = index;
            *failedMs = ms;
            return r;
        }
    }
    *failedPacket = 0;
    *failedMs = 0;
    return 0;
}

int flash(int number, const Bytes &image)
{
    // Identification: the probe finds the ROM and lets the port go.
    if (!openPort(number))
        return 1;
    SetTimeOut(PROBE_TIMEOUT);
    expectResult("STBL_Init_BL() (probe, time-out 25)", STBL_Init_BL(), 0);
    expect(GetAckValue() == stbl::ACK, "GetAckValue() == 0x79 after the probe");
    expectResult("COM_Close()", COM_Close(), 0);
    expect(COM_is_Open() == 0, "COM_is_Open() == 0 after closing");

    // Bootloader entry: the same port again, by number; already in its
    // bootloader, so no second init, and the acknowledge still reads 0x79.
    if (!openPort(number))
        return 1;
    SetTimeOut(FLASHING_TIMEOUT);
    expect(GetAckValue() == stbl::ACK, "GetAckValue() == 0x79 on reopening, without a new init");

    if (!getAndErase())
        return 1;
    int failedPacket = 0;
    long ms = 0;
    const auto t0 = Clock::now();
    const uint8_t w = writeImage(image, &failedPacket, &ms);
    const long writeMs = long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
    expectResult("STBL_WRITE of " + std::to_string(image.size()) + " bytes (" + std::to_string(writeMs) + " ms)"
                     + (failedPacket ? ", packet " + std::to_string(failedPacket) + " failed" : std::string()),
                 w, 0);
    if (w != 0)
        return 1;
    uint32_t lastDone = 0;
    STBL_SetProgressCallback([&](uint32_t done, uint32_t) { lastDone = done; });
    long verifyMs = 0;
    const uint8_t v = timed([&] { return STBL_VERIFY(MAIN_ADDRESS, image.data(), uint32_t(image.size()), 1); },
                            &verifyMs);
    STBL_SetProgressCallback(nullptr);
    expectResult("STBL_VERIFY (read back, " + std::to_string(verifyMs) + " ms)", v, 0);
    expect(lastDone == image.size(), "read-back progress reached the whole image");
    expect(GetAckValue() == stbl::ACK, "GetAckValue() == 0x79 after the read-back");
    expectResult("STBL_GO(0x08000000)", STBL_GO(START_ADDRESS), 0);
    expect(GetAckValue() == stbl::ACK, "GetAckValue() == 0x79 after Go");
    expectResult("COM_Close()", COM_Close(), 0);
    expect(COM_is_Open() == 0, "COM_is_Open() == 0 at the end");
    return 0;
}

// The ROM never answers: every call ends in its time-out, none hangs.
int silence(int number)
{
    if (!openPort(number))
        return 1;
    long ms = 0;
    SetTimeOut(PROBE_TIMEOUT);
    uint8_t r = timed([] { return STBL_Init_BL(); }, &ms);
    // Two 0x7F, each waited for 25 ms plus two byte times.
    expectTimed("STBL_Init_BL() (probe, time-out 25)", r, stbl::RESULT_NO_ANSWER, ms, 50);
    expect(GetAckValue() == stbl::ACK_NONE, "GetAckValue() == 0 (nothing ever heard)");
    SetTimeOut(INIT_TIMEOUT);
    r = timed([] { return STBL_Init_BL(); }, &ms);
    expectTimed("STBL_Init_BL() (entry, time-out 100)", r, stbl::RESULT_NO_ANSWER, ms, 200);
    SetTimeOut(300);
    uint8_t version = 0;
    Commands commands{};
    r = timed([&] { return STBL_GET(&version, &commands); }, &ms);
    expectTimed("STBL_GET (time-out 300)", r, stbl::RESULT_TIMEOUT, ms, 300);
    expectResult("COM_Close()", COM_Close(), 0);
    return 0;
}

// The third packet fails: the ROM refuses it (a NACK at once), or the unit
// loses power halfway through it (the port stays, the answer never comes,
// and the write ends after its block wait, 1 s at least).
int thirdPacketFails(int number, const Bytes &image, bool refused)
{
    if (!openPort(number) || !synchronise() || !getAndErase())
        return 1;
    if (!refused)
        SetTimeOut(300);
    int failedPacket = 0;
    long ms = 0;
    const uint8_t w = writeImage(image, &failedPacket, &ms);
    expectTimed("STBL_WRITE of packet " + std::to_string(failedPacket), w,
                refused ? stbl::RESULT_NACK : stbl::RESULT_TIMEOUT, ms, refused ? 0 : 1000);
    expect(failedPacket == 3, "the third packet is the one that failed");
    if (refused)
        expect(GetAckValue() == stbl::NACK, "GetAckValue() == 0x1F after the refused packet");
    expectResult("COM_Close()", COM_Close(), 0);
    return 0;
}

// The port disappears while the image is written (the driver pulls it after
// a few packets): the packet in flight fails at once with an I/O error, not
// after the 5 s the flashing time-out allows, and so does what follows.
int vanish(int number, const Bytes &image)
{
    if (!openPort(number) || !synchronise() || !getAndErase())
        return 1;
    int failedPacket = 0;
    long ms = 0;
    const uint8_t w = writeImage(image, &failedPacket, &ms);
    expectTimed("STBL_WRITE of packet " + std::to_string(failedPacket), w, stbl::RESULT_IO_ERROR, ms, 0);
    expect(failedPacket > 0 && failedPacket < 100, "the write stopped early (packet " + std::to_string(failedPacket)
                                                       + " of " + std::to_string((image.size() + 251) / 252) + ")");
    uint8_t version = 0;
    const uint8_t g = timed([&] { return STBL_GET(&version, nullptr); }, &ms);
    expectTimed("STBL_GET on the vanished port", g, stbl::RESULT_IO_ERROR, ms, 0);
    expectResult("COM_Close()", COM_Close(), 0);
    expect(COM_is_Open() == 0, "COM_is_Open() == 0 after closing");
    expectResult("COM_Open() of the vanished port", COM_Open(), stbl::RESULT_OPEN_FAILED);
    expect(COM_is_Open() == 0, "COM_is_Open() == 0 after the failed open");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: stbl-wincheck COM<n> flash|silence|silent-write|nack|vanish [IMAGE]\n");
        return 2;
    }
    const std::string portName = argv[1];
    const std::string scenario = argv[2];
    // As the wizard does with the name the port list shows.
    const int number = korvane::portNumberFromName(portName);
    expect(number > 0, "port " + portName + " is number " + std::to_string(number) + ", opened as "
                           + korvane::devicePathForPortNumber(number));
    if (number <= 0)
        return 2;
    Bytes image;
    if (scenario != "silence" && (argc < 4 || !readImage(argv[3], &image))) {
        std::fprintf(stderr, "stbl-wincheck: %s needs a readable image\n", scenario.c_str());
        return 2;
    }

    int r = 2;
    if (scenario == "flash")
        r = flash(number, image);
    else if (scenario == "silence")
        r = silence(number);
    else if (scenario == "silent-write" || scenario == "nack")
        r = thirdPacketFails(number, image, scenario == "nack");
    else if (scenario == "vanish")
        r = vanish(number, image);
    else
        std::fprintf(stderr, "stbl-wincheck: unknown scenario %s\n", scenario.c_str());
    if (r == 2)
        return 2;
    std::printf("%s: %s\n", scenario.c_str(), failures == 0 && r == 0 ? "passed" : "FAILED");
    return failures == 0 && r == 0 ? 0 : 1;
}
