#ifndef KORVANE_BENCH_WIRELOG_H
#define KORVANE_BENCH_WIRELOG_H

// What went over a serial line during an update, command by command, as a
// USB adapter between the host and the gripper sees it: the host's bytes in
// the order it sent them and the bursts the adapter handed back. Only the
// frames an update uses are told apart; the rest is counted, not named.
//
// Times are steady_clock nanoseconds, which is CLOCK_MONOTONIC on Linux and
// so comparable between the wizard's process and the simulator's.

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::bench {

enum class WireKind {
    HostOpen,       // the host opened the port
    HostClose,
    ModbusReboot,   // the reboot request (register 400 <- 0x2A00)
    ModbusVersion,  // the version request (registers 500-502)
    Sync,           // 0x7F after a reboot request
    Get,
    GetVersion,
    GetId,
    Read,
    Write,
    Erase,          // Erase or Extended Erase
    Go,
    OtherRom        // any other ROM command
};

const char *wireKindName(WireKind kind);
bool wireKindFromName(const std::string &name, WireKind *kind);

struct WireCommand {
    WireKind kind = WireKind::OtherRom;
    int64_t startNs = 0;          // first byte of the request read from the host
    int64_t endNs = 0;            // last answer byte handed to the host (start if none)
    uint32_t address = 0;         // Read, Write, Go
    uint32_t length = 0;          // data bytes of a Read or Write
    std::vector<uint16_t> sectors;  // Erase
};

// Follows the host's byte stream. Until a reboot request it is in Modbus
// mode, where the identification's 0x7F probes mean nothing; the first 0x7F
// after a reboot request starts the ROM session, and Go ends it.
class WireTracker {
public:
    void hostOpened(int64_t ns);
    void hostClosed(int64_t ns);
    void hostBytes(const uint8_t *data, size_t length, int64_t ns);
    // An answer burst reached the host: it belongs to the last request.
    void deviceBytes(size_t length, int64_t ns);

    const std::vector<WireCommand> &commands() const { return m_commands; }

    // One command a line, and back.
    static std::string serialize(const WireCommand &command);
    static bool parse(const std::string &line, WireCommand *command);

private:
    void hostByte(uint8_t byte, int64_t ns);
    void begin(WireKind kind, int64_t ns);
    void romByte(uint8_t byte, int64_t ns);
    void parameterByte(uint8_t byte);

    enum class Mode { Modbus, Rom };
    enum class Step { Command, Complement, Parameters };

    std::vector<WireCommand> m_commands;
    int m_current = -1;           // request the next answer belongs to
    Mode m_mode = Mode::Modbus;
    bool m_rebootSent = false;
    // Modbus: the last bytes and when each came, to find a known frame.
    std::vector<uint8_t> m_tail;
    std::vector<int64_t> m_tailNs;
    // ROM: where in a command the next byte falls.
    Step m_step = Step::Command;
    uint8_t m_code = 0;
    int64_t m_codeNs = 0;
    std::vector<uint8_t> m_params;
    size_t m_expected = 0;        // parameter bytes the command needs in all
};

// Sizes of the simulated F4 flash: four 16 KiB sectors, one of 64 KiB,
// seven of 128 KiB, twice.
uint32_t sectorKiB(uint16_t sector);

} // namespace korvane::bench

#endif
