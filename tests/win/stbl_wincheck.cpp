// stbl-wincheck.exe COM<n> SCENARIO IMAGE: the bootloader library as the
// wizard calls it, built for Windows and run under Wine by tst_win against
// the simulator, the port named as the wizard names it on Windows. SCENARIO:
// flash, silence, silent-write, vanish (tst_win.cpp). One line per
// check; exit status 0 when every result held, 1 otherwise, 2 on bad
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

// Where the wizard writes and starts a GC's firmware, and the time-outs it
// sets for identification, bootloader entry and flashing.
constexpr uint32_t MAIN_ADDRESS = 0x08080000;
constexpr uint32_t START_ADDRESS = 0x08000000;
constexpr uint32_t PROBE_TIMEOUT = 25;
constexpr uint32_t INIT_TIMEOUT = 100;
constexpr uint32_t FLASHING_TIMEOUT = 5000;

int failures = 0;
long lastMs = 0;

void check(bool ok, const std::string &what)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    failures += ok ? 0 : 1;
}

// Runs one library call and keeps how long it took.
template <typename F>
uint8_t timed(F call)
{
    const auto t0 = Clock::now();
    const uint8_t r = call();
    lastMs = long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count());
    return r;
}

// The result of the last timed call; one that must wait out its time-out
// takes no less than minMs. How much longer is printed, not judged: the
// test's own time limit catches a hang, and a loaded machine is no fault.
void expect(const std::string &call, uint8_t got, uint8_t wanted, long minMs = 0)
{
    check(got == wanted && lastMs >= minMs, call + " -> " + std::to_string(got) + " (" + stbl::resultName(got)
                                                + ") after " + std::to_string(lastMs) + " ms, expected "
                                                + std::to_string(wanted));
}

bool openPort(int number)
{
    TARGET_SetComIntType(0);
    SetCOMSettings(number, 115200, 8, 1, 1.0f);
    const uint8_t r = timed([] { return COM_Open(); });
    expect("COM_Open()", r, 0);
    return r == 0 && COM_is_Open() == 1;
}

bool synchronise(uint32_t timeout)
{
    SetTimeOut(timeout);
    const uint8_t r = timed([] { return STBL_Init_BL(); });
    expect("STBL_Init_BL()", r, 0);
    SetTimeOut(FLASHING_TIMEOUT);
    return r == 0 && GetAckValue() == stbl::ACK;
}

bool getAndErase()
{
    uint8_t version = 0;
    Commands commands{};
    bool ok = STBL_GET(&version, &commands) == 0 && commands.GET_VER_ROPS_CMD == 1;
    for (uint16_t s = 8; s < 12; ++s)
        ok = ok && STBL_ERASE(1, &s) == 0;
    check(ok, "Get, then sectors 8 to 11 erased one by one");
    return ok;
}

// The wizard's write loop, in packets of the size read back after asking for
// 255. Stops at the first packet that fails: its result, its 1-based index.
uint8_t writeImage(const std::vector<uint8_t> &image, int *failedPacket)
{
    SetPaketSize(255);
    uint8_t packet = 0;
    GetPaketSize(&packet);
    *failedPacket = 0;
    for (std::size_t offset = 0; offset < image.size() && packet > 0; offset += packet) {
        ++*failedPacket;
        const auto n = uint8_t(std::min<std::size_t>(packet, image.size() - offset));
        const uint8_t r = timed([&] { return STBL_WRITE(MAIN_ADDRESS + uint32_t(offset), n, image.data() + offset); });
        if (r != 0)
            return r;
    }
    *failedPacket = 0;
    return packet == 252 ? 0 : stbl::RESULT_BAD_ARGUMENT;
}

int run(int number, const std::string &scenario, const std::vector<uint8_t> &image)
{
    if (!openPort(number))
        return 1;
    int failed = 0;
    if (scenario == "flash") {
        // Identification finds the ROM and lets the port go; the entry opens
        // it again and, the ROM already listening, does not synchronise anew.
        synchronise(PROBE_TIMEOUT);
        COM_Close();
        check(COM_is_Open() == 0 && openPort(number) && GetAckValue() == stbl::ACK, "reopened, still acknowledged");
        if (!getAndErase())
            return 1;
        expect("STBL_WRITE of the image", writeImage(image, &failed), 0);
        expect("STBL_VERIFY", timed([&] { return STBL_VERIFY(MAIN_ADDRESS, image.data(), uint32_t(image.size()), 1); }),
               0);
        expect("STBL_GO(0x08000000)", timed([] { return STBL_GO(START_ADDRESS); }), 0);
    } else if (scenario == "silence") {
        // Two 0x7F, each waited for the time-out plus two byte times.
        SetTimeOut(PROBE_TIMEOUT);
        expect("STBL_Init_BL() (probe)", timed([] { return STBL_Init_BL(); }), stbl::RESULT_NO_ANSWER, 50);
        check(GetAckValue() == stbl::ACK_NONE, "nothing ever acknowledged");
        SetTimeOut(INIT_TIMEOUT);
        expect("STBL_Init_BL() (entry)", timed([] { return STBL_Init_BL(); }), stbl::RESULT_NO_ANSWER, 200);
        SetTimeOut(300);
        uint8_t version = 0;
        expect("STBL_GET", timed([&] { return STBL_GET(&version, nullptr); }), stbl::RESULT_TIMEOUT, 300);
    } else if (scenario == "silent-write") {
        // Power lost halfway through the packet: the port stays, the answer
        // never comes, the block wait (1 s) runs out.
        if (!synchronise(INIT_TIMEOUT) || !getAndErase())
            return 1;
        SetTimeOut(300);
        expect("STBL_WRITE", writeImage(image, &failed), stbl::RESULT_TIMEOUT, 1000);
        check(failed == 3, "the third packet is the one that failed: " + std::to_string(failed));
    } else if (scenario == "vanish") {
        // The packet in flight fails at once with an I/O error, not after the
        // flashing time-out, and so does what follows.
        if (!synchronise(INIT_TIMEOUT) || !getAndErase())
            return 1;
        expect("STBL_WRITE", writeImage(image, &failed), stbl::RESULT_IO_ERROR);
        check(failed > 0 && failed < 100, "the write stopped at packet " + std::to_string(failed));
        uint8_t version = 0;
        expect("STBL_GET on the vanished port", timed([&] { return STBL_GET(&version, nullptr); }),
               stbl::RESULT_IO_ERROR);
        COM_Close();
        expect("COM_Open() of the vanished port", timed([] { return COM_Open(); }), stbl::RESULT_OPEN_FAILED);
    } else {
        std::fprintf(stderr, "stbl-wincheck: unknown scenario %s\n", scenario.c_str());
        return 2;
    }
    COM_Close();
    check(COM_is_Open() == 0, "closed");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: stbl-wincheck COM<n> flash|silence|silent-write|vanish IMAGE\n");
        return 2;
    }
    const int number = korvane::portNumberFromName(argv[1]);
    std::ifstream in(argv[3], std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (number <= 0 || image.empty()) {
        std::fprintf(stderr, "stbl-wincheck: no port number in %s, or no image in %s\n", argv[1], argv[3]);
        return 2;
    }
    const int r = run(number, argv[2], image);
    return r == 2 ? 2 : (failures == 0 && r == 0 ? 0 : 1);
}
