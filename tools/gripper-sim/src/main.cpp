// korvane-gripper-sim: simulated grippers on pseudo-terminals, driven from
// stdin. See usage() or --help.

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <utility>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "gripper_sim.h"

using namespace korvane::sim;

namespace {

std::atomic<bool> quitRequested{false};

void onSignal(int)
{
    quitRequested = true;
}

const char *usageText =
    "Usage: korvane-gripper-sim [GLOBAL OPTIONS] -g GRIPPER [-g GRIPPER ...]\n"
    "\n"
    "Simulated Korvane grippers, each on its own pseudo-terminal.\n"
    "\n"
    "Global options (apply to every gripper defined after them):\n"
    "  --pacing           wire pacing: bytes take their line time, erase/program take flash time\n"
    "  --baud N           pacing baud rate (default 115200)\n"
    "  --bits N           bits per byte for pacing (default 11, i.e. 8E1; 10 for 8N1)\n"
    "  --usb-frame US     paced bytes reach the host once per USB frame of US microseconds\n"
    "                     (default 1000, as through a USB serial adapter; 0: byte by byte)\n"
    "  --keep-running     end of input does not quit: run until SIGINT/SIGTERM\n"
    "  -h, --help         this text\n"
    "\n"
    "GRIPPER is KIND[,KEY[=VALUE]...]. KIND: GC GD GU GV CH K01 GB1 K01+GB1 GS GSX Silent Unidentified\n"
    "  type=CODE          type code in the main image (default: GC3, GD, GU, GV, CH, K01, GB1, GS)\n"
    "  version=X.Y.Z      version in the main image (default 1.6.8)\n"
    "  publish=PATH       symlink to the pty at PATH (for KORVANE_EXTRA_PORTS)\n"
    "  uid=HEX            the unique ID, 24 hex digits (default: made from the config)\n"
    "  rom                power up in the ROM bootloader (BOOT0 strap)\n"
    "  no-main            no main firmware in flash\n"
    "  no-bootloader      no product bootloader in flash\n"
    "  legacy-erase       ROM lists Erase (0x43) instead of Extended Erase (0x44)\n"
    "  window=MS          product bootloader listening window (default 300)\n"
    "  reboot=MS          reset time after a reboot request or Go (default 5)\n"
    "  gb1-type=CODE gb1-version=X.Y.Z gb1-no-main gb1-rom   the GB1 behind a K01+GB1\n"
    "  banner=TEXT        Freescale start-up text (\\r and \\n escapes allowed)\n"
    "  text=TEXT          text printed every second by GSX / Unidentified\n"
    "  fs-buffer=N fs-drain=BYTES_PER_S fs-dot=N fs-window=MS fs-idle=MS   Freescale loader\n"
    "  pacing, baud=N, bits=N    pacing for this gripper only\n"
    "\n"
    "Output: one line per gripper, 'gripper N KIND PTY [LINK]', then 'ready'.\n"
    "\n"
    "Commands on stdin, one per line, optionally prefixed by the gripper number (default 0).\n"
    "Each is answered by one line starting with 'ok' or 'error'.\n"
    "  power off|on|cycle\n"
    "  unplug [keep-power]      remove the pty and the link (powers off unless keep-power)\n"
    "  replug                   new pty, link re-pointed; answers 'ok path=PTY'\n"
    "  fault NAME [VALUE]       add a fault:\n"
    "      modbus-silent | modbus-delay MS | modbus-split GAP_MS | modbus-exception CODE\n"
    "      rom-no-sync | rom-sync-byte BYTE | rom-stray-zero | rom-sync-late MS | rom-miss-sync K\n"
    "      rom-erase-nack\n"
    "      rom-nack-write K | rom-flip-write K | rom-power-loss-write K   (K-th write from now)\n"
    "      rom-go-nack | rom-go-silent   (Go refused / not answered: nothing started)\n"
    "      rom-uid-nack                  (the unique ID's read is refused, as under readout protection)\n"
    "      fs-no-report | fs-report-first\n"
    "  clear-faults\n"
    "  status                   state, reported version, counters (key=value)\n"
    "  log [UNIT]               ROM log of unit 0 (1: the GB1 behind a K01)\n"
    "  dump ADDR LEN FILE [UNIT]   write flash bytes to FILE\n"
    "  wait STATE MS [UNIT]     wait for Off|ProductBootloader|Firmware|Rom|Freescale|Halted\n"
    "  clear-logs\n"
    "  quit                     (end of input quits as well, unless --keep-running)\n";

std::string unescape(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char c = text[++i];
            out.push_back(c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c);
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool parseVersion(const std::string &text, Version *version)
{
    int parts[3];
    char tail;
    if (std::sscanf(text.c_str(), "%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &tail) != 3)
        return false;
    for (int p : parts)
        if (p < -128 || p > 127)
            return false;
    *version = Version{int8_t(parts[0]), int8_t(parts[1]), int8_t(parts[2])};
    return true;
}

bool parseInt(const std::string &text, long *value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0')
        return false;
    *value = v;
    return true;
}

std::string versionText(const Version &v)
{
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
}

bool parseGripper(const std::string &definition, const Pacing &pacing, GripperConfig *config, std::string *error)
{
    std::vector<std::string> items;
    std::stringstream stream(definition);
    std::string item;
    while (std::getline(stream, item, ','))
        items.push_back(item);
    if (items.empty() || !kindFromName(items[0], &config->kind)) {
        *error = "unknown kind in '" + definition + "'";
        return false;
    }
    config->pacing = pacing;
    for (size_t i = 1; i < items.size(); ++i) {
        std::string key = items[i];
        std::string value;
        size_t eq = key.find('=');
        if (eq != std::string::npos) {
            value = key.substr(eq + 1);
            key = key.substr(0, eq);
        }
        long number = 0;
        bool isNumber = parseInt(value, &number);
        auto needNumber = [&]() {
            if (!isNumber)
                *error = key + " needs a number";
            return isNumber;
        };
        if (key == "type") {
            if (value.size() > 3) {
                *error = "a type code has at most three characters";
                return false;
            }
            config->typeCode = value;
        } else if (key == "version") {
            if (!parseVersion(value, &config->version)) {
                *error = "version is X.Y.Z";
                return false;
            }
        } else if (key == "publish") {
            config->publishPath = value;
        } else if (key == "uid") {
            if (value.size() != 24 || value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                *error = "uid is 24 hex digits";
                return false;
            }
            config->uniqueId = value;
        } else if (key == "rom") {
            config->bootToRom = true;
        } else if (key == "no-main") {
            config->mainFirmware = false;
        } else if (key == "no-bootloader") {
            config->productBootloader = false;
        } else if (key == "legacy-erase") {
            config->legacyEraseRom = true;
        } else if (key == "window") {
            if (!needNumber())
                return false;
            config->productBootloaderWindowMs = int(number);
        } else if (key == "reboot") {
            if (!needNumber())
                return false;
            config->rebootMs = int(number);
        } else if (key == "gb1-type") {
            config->secondaryTypeCode = value.substr(0, 3);
        } else if (key == "gb1-version") {
            if (!parseVersion(value, &config->secondaryVersion)) {
                *error = "gb1-version is X.Y.Z";
                return false;
            }
        } else if (key == "gb1-no-main") {
            config->secondaryMainFirmware = false;
        } else if (key == "gb1-rom") {
            config->secondaryBootToRom = true;
        } else if (key == "banner") {
            config->freescaleBanner = unescape(value);
        } else if (key == "text") {
            config->periodicText = unescape(value);
        } else if (key == "fs-buffer" || key == "fs-drain" || key == "fs-dot" || key == "fs-window"
                   || key == "fs-idle") {
            if (!needNumber())
                return false;
            int v = int(number);
            if (key == "fs-buffer")
                config->freescaleBufferBytes = v;
            else if (key == "fs-drain")
                config->freescaleDrainBytesPerSecond = v;
            else if (key == "fs-dot")
                config->freescaleBytesPerDot = v;
            else if (key == "fs-window")
                config->freescaleWindowMs = v;
            else
                config->freescaleIdleEndMs = v;
        } else if (key == "pacing") {
            config->pacing.enabled = true;
        } else if (key == "baud" || key == "bits") {
            if (!needNumber())
                return false;
            (key == "baud" ? config->pacing.baud : config->pacing.bitsPerByte) = int(number);
        } else {
            *error = "unknown key '" + key + "'";
            return false;
        }
    }
    return true;
}

std::string describe(size_t index, const Gripper &gripper)
{
    std::string line = "gripper " + std::to_string(index) + " " + kindName(gripper.config().kind) + " "
        + gripper.path();
    if (!gripper.publishedPath().empty())
        line += " " + gripper.publishedPath();
    return line;
}

std::string statusLine(const Gripper &gripper)
{
    Status s = gripper.status();
    std::ostringstream out;
    out << "state=" << stateName(s.unit.state) << " type=" << s.unit.typeCode
        << " version=" << versionText(s.unit.version) << " powered=" << s.powered
        << " plugged=" << s.plugged << " host_open=" << s.hostOpen
        << " path=" << s.path << " secondary_state=" << stateName(s.secondary.state)
        << " secondary_type=" << s.secondary.typeCode
        << " secondary_version=" << versionText(s.secondary.version)
        << " line_on_secondary=" << s.lineOnSecondary
        << " bytes_in=" << s.counters.bytesReceived << " bytes_out=" << s.counters.bytesSent
        << " bytes_dropped=" << s.counters.bytesDropped
        << " modbus_frames=" << s.counters.modbusFrames
        << " modbus_bad=" << s.counters.modbusBadFrames
        << " modbus_answers=" << s.counters.modbusAnswers
        << " host_opens=" << s.counters.hostOpens
        << " fs_banners=" << s.freescale.bannersPrinted << " fs_loaded=" << s.freescale.imagesLoaded
        << " fs_bytes=" << s.freescale.bytesReceived << " fs_dots=" << s.freescale.dotsPrinted
        << " fs_xoff=" << s.freescale.xoffSent << " fs_xon=" << s.freescale.xonSent
        << " fs_overflow=" << s.freescale.overflowBytes << " fs_errors=" << s.freescale.recordErrors
        << " fs_host_xonxoff=" << s.freescale.hostFlowControl;
    return out.str();
}

std::string logLine(const Gripper &gripper, int unit)
{
    RomLog log = gripper.romLog(unit);
    std::ostringstream out;
    char hex[16];
    out << "syncs=" << log.syncs << " commands=";
    for (size_t i = 0; i < log.commands.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", log.commands[i]);
        out << hex;
    }
    out << " erased=";
    for (size_t i = 0; i < log.erasedSectors.size(); ++i)
        out << (i ? "," : "") << log.erasedSectors[i];
    int acked = 0;
    for (const RomWrite &w : log.writes)
        acked += w.acked;
    out << " writes=" << log.writes.size() << " acked_writes=" << acked << " go=";
    for (size_t i = 0; i < log.goAddresses.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%s%08x", i ? "," : "", log.goAddresses[i]);
        out << hex;
    }
    out << " reads=" << log.reads << " nacks=" << log.nacks << " mass_erases=" << log.massErases
        << " readout_unprotects=" << log.readoutUnprotects << " readout_protects=" << log.readoutProtects
        << " write_protects=" << log.writeProtects << " write_unprotects=" << log.writeUnprotects
        << " ignored_before_sync=" << log.ignoredBeforeSync;
    return out.str();
}

bool parseState(const std::string &name, State *state)
{
    for (State s : {State::Off, State::ProductBootloader, State::Firmware, State::Rom, State::Freescale,
                    State::Halted}) {
        if (name == stateName(s)) {
            *state = s;
            return true;
        }
    }
    return false;
}

bool addFault(Faults &faults, const std::string &name, const std::string &value, std::string *error)
{
    static const std::pair<const char *, bool Faults::*> flags[] = {
        {"modbus-silent", &Faults::modbusNoAnswer},   {"rom-no-sync", &Faults::romNoSyncAnswer},
        {"rom-stray-zero", &Faults::romSyncStrayZero}, {"rom-erase-nack", &Faults::romEraseNack},
        {"rom-go-nack", &Faults::romGoNack},           {"rom-go-silent", &Faults::romGoNoAnswer},
        {"rom-uid-nack", &Faults::romUidNack},         {"fs-no-report", &Faults::freescaleNoReport},
        {"fs-report-first", &Faults::freescaleReportFirst},
    };
    // The number given, masked (a byte is a byte).
    struct Number {
        const char *name;
        int Faults::*field;
        long mask;
    };
    static const Number numbers[] = {
        {"modbus-delay", &Faults::modbusDelayMs, -1},       {"modbus-split", &Faults::modbusSplitGapMs, -1},
        {"modbus-exception", &Faults::modbusException, -1}, {"rom-sync-byte", &Faults::romSyncWrongByte, 0xFF},
        {"rom-sync-late", &Faults::romSyncAckDelayMs, -1},  {"rom-miss-sync", &Faults::romMissedSyncs, -1},
        {"rom-nack-write", &Faults::romNackAtWrite, -1},    {"rom-flip-write", &Faults::romFlipAtWrite, -1},
        {"rom-power-loss-write", &Faults::romPowerLossAtWrite, -1},
    };
    for (const auto &flag : flags) {
        if (name == flag.first) {
            faults.*flag.second = true;
            return true;
        }
    }
    for (const Number &number : numbers) {
        if (name != number.name)
            continue;
        long v = 0;
        if (!parseInt(value, &v)) {
            *error = name + " needs a number";
            return false;
        }
        faults.*number.field = int(v & number.mask);
        return true;
    }
    *error = "unknown fault '" + name + "'";
    return false;
}

std::string runCommand(std::vector<std::unique_ptr<Gripper>> &grippers, const std::string &line, bool *quit)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        words.push_back(word);
    if (words.empty())
        return "";
    size_t index = 0;
    long number = 0;
    if (parseInt(words[0], &number)) {
        if (number < 0 || size_t(number) >= grippers.size())
            return "error no gripper " + words[0];
        index = size_t(number);
        words.erase(words.begin());
        if (words.empty())
            return "error missing command";
    }
    Gripper &g = *grippers[index];
    const std::string &cmd = words[0];
    auto arg = [&](size_t i) { return i < words.size() ? words[i] : std::string(); };

    if (cmd == "quit") {
        *quit = true;
        return "ok";
    }
    if (cmd == "power") {
        if (arg(1) == "off")
            g.powerOff();
        else if (arg(1) == "on")
            g.powerOn();
        else if (arg(1) == "cycle")
            g.powerCycle();
        else
            return "error power off|on|cycle";
        return "ok";
    }
    if (cmd == "unplug") {
        g.unplug(arg(1) != "keep-power");
        return "ok";
    }
    if (cmd == "replug") {
        try {
            g.replug();
        } catch (const std::exception &e) {
            return std::string("error ") + e.what();
        }
        return "ok path=" + g.path();
    }
    if (cmd == "fault") {
        Faults faults = g.faults();
        std::string error;
        if (!addFault(faults, arg(1), arg(2), &error))
            return "error " + error;
        g.setFaults(faults);
        return "ok";
    }
    if (cmd == "clear-faults") {
        g.clearFaults();
        return "ok";
    }
    if (cmd == "status")
        return "ok " + statusLine(g);
    if (cmd == "log") {
        long unit = 0;
        if (!arg(1).empty() && !parseInt(arg(1), &unit))
            return "error log [UNIT]";
        return "ok " + logLine(g, int(unit));
    }
    if (cmd == "clear-logs") {
        g.clearLogs();
        return "ok";
    }
    if (cmd == "dump") {
        long address = 0, length = 0, unit = 0;
        if (!parseInt(arg(1), &address) || !parseInt(arg(2), &length) || arg(3).empty()
            || (!arg(4).empty() && !parseInt(arg(4), &unit)))
            return "error dump ADDR LEN FILE [UNIT]";
        std::vector<uint8_t> bytes = g.readFlash(uint32_t(address), uint32_t(length), int(unit));
        if (bytes.size() != size_t(length))
            return "error outside flash";
        std::ofstream out(arg(3), std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        return out ? "ok" : "error cannot write " + arg(3);
    }
    if (cmd == "wait") {
        State state;
        long timeout = 0, unit = 0;
        if (!parseState(arg(1), &state) || !parseInt(arg(2), &timeout)
            || (!arg(3).empty() && !parseInt(arg(3), &unit)))
            return "error wait STATE MS [UNIT]";
        if (g.waitForState(state, std::chrono::milliseconds(timeout), int(unit)))
            return "ok";
        return std::string("error timeout state=") + stateName(g.state(int(unit)));
    }
    return "error unknown command '" + cmd + "'";
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<GripperConfig> configs;
    Pacing pacing;
    bool keepRunning = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        long number = 0;
        if (a == "-h" || a == "--help") {
            std::cout << usageText;
            return 0;
        } else if (a == "--keep-running") {
            keepRunning = true;
        } else if (a == "--pacing") {
            pacing.enabled = true;
        } else if (a == "--baud" || a == "--bits") {
            if (!parseInt(next(), &number) || number <= 0) {
                std::cerr << a << " needs a positive number\n";
                return 2;
            }
            (a == "--baud" ? pacing.baud : pacing.bitsPerByte) = int(number);
        } else if (a == "--usb-frame") {
            if (!parseInt(next(), &number) || number < 0) {
                std::cerr << a << " needs a number of microseconds\n";
                return 2;
            }
            pacing.usbFrameMicroseconds = int(number);
        } else if (a == "-g" || a == "--gripper") {
            GripperConfig config;
            std::string error;
            if (!parseGripper(next(), pacing, &config, &error)) {
                std::cerr << "korvane-gripper-sim: " << error << "\n";
                return 2;
            }
            configs.push_back(config);
        } else {
            std::cerr << "korvane-gripper-sim: unknown option " << a << "\n" << usageText;
            return 2;
        }
    }
    if (configs.empty()) {
        std::cerr << usageText;
        return 2;
    }

    struct sigaction action{};
    action.sa_handler = onSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::unique_ptr<Gripper>> grippers;
    try {
        for (const GripperConfig &config : configs)
            grippers.push_back(std::make_unique<Gripper>(config));
    } catch (const std::exception &e) {
        std::cerr << "korvane-gripper-sim: " << e.what() << "\n";
        return 1;
    }
    for (size_t i = 0; i < grippers.size(); ++i)
        std::cout << describe(i, *grippers[i]) << "\n";
    std::cout << "ready" << std::endl;

    std::string pending;
    bool quit = false;
    bool inputOpen = true;
    while (!quit && !quitRequested) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        int ready = ::poll(&fd, inputOpen ? 1 : 0, 200);
        if (ready <= 0)
            continue;
        char buffer[4096];
        ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            if (!keepRunning)
                break;
            inputOpen = false;
            continue;
        }
        pending.append(buffer, size_t(n));
        size_t eol;
        while (!quit && (eol = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::string answer = runCommand(grippers, line, &quit);
            if (!answer.empty())
                std::cout << answer << std::endl;
        }
    }
    grippers.clear();
    return 0;
}
