#ifndef KORVANE_GRIPPER_SIM_H
#define KORVANE_GRIPPER_SIM_H

// A simulated Korvane gripper on a pseudo-terminal.
//
// Each Gripper owns a pty pair and a thread that plays the gripper's side of
// the line: the Modbus RTU firmware (slave 9, 115200 8N1), the product
// bootloader's short listening window after power-on, the STM32 ROM
// bootloader (USART protocol, with a flash array that keeps what was
// written), the Freescale text bootloader of the GS family, and the text
// printers. Nothing here depends on Qt: a test may create grippers on its GUI
// thread and drive them from there while the wizard talks to the pty.
//
// Every public member is thread-safe.
//
// Behaviour worth knowing when writing a test against it:
// - Line: bytes the gripper sends while no host has the pty open are lost
//   (counted in Counters::bytesDropped), and what a host leaves unread is
//   discarded once the simulator sees it close (well under a millisecond),
//   as with a real serial port. Hosts are noticed through inotify on the
//   slave node, so open it by path (the published link is fine).
// - Modbus: a frame ends after GripperConfig::modbusGapMs of silence. Junk in
//   front of a request in the same burst (the ROM probe's 0x7F) is skipped;
//   a chunk with no valid CRC gets no answer. Functions 3, 6 and 16 are
//   served; register 400 (and 3400 on a K01 with a GB1) takes 0x2A00 only.
//   Other registers: exception 2; a bad value or count: exception 3; other
//   functions: exception 1; the GB1 behind a K01 not running: exception 0x0B.
// - Reboot request: the echo leaves first, then rebootMs of reset during
//   which bytes are lost, then the ROM (or the Freescale loader for GS).
// - ROM: until its first 0x7F it ignores every other byte (so a host may
//   repeat Modbus reboot requests at it), after that every byte is command
//   data. Flash is the only memory it serves; Go to 0x08000000 runs the
//   product bootloader (window, then the main image), Go to another address
//   starts the image there.
// - An image starts when its stack pointer lies in SRAM, its reset vector
//   (Thumb) inside its own 512 KiB, and the code at the entry point is
//   programmed. The last rule is what makes a half-written image dead after
//   a power loss: with the stand-in layout (entry at offset 0x400) that holds
//   while the loss strikes before the first 1 KiB + 2 bytes are in. A later
//   loss leaves a startable, truncated image, as on a real part.
// - Power: powerOff() loses queued output and pending input, cancels every
//   timer; powerOn() boots per the strap and the flash content.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane::sim {

enum class Kind {
    GC, GD, GU, GV, CH, K01, GB1,
    K01WithGB1,   // a K01 with a GB1 behind it, reached at registers 3400/3500
    GS,           // Freescale part, Modbus firmware reporting type code "GS"
    GSX,          // older GS: prints "(GSn)" every second, no Modbus
    Silent,       // a port that never answers
    Unidentified  // a port that prints unrelated text every second
};

// What runs on a unit (the gripper itself, or the GB1 behind a K01).
enum class State {
    Off,
    ProductBootloader,  // listening for the reboot request after reset
    Firmware,           // main firmware (or the text printer / silent port)
    Rom,                // STM32 system bootloader
    Freescale,          // Freescale text bootloader (GS family)
    Halted              // powered but nothing to run: answers nothing
};

const char *kindName(Kind kind);
const char *stateName(State state);
// Parses "GC", "K01+GB1", "gsx"... (case-insensitive); false when unknown.
bool kindFromName(const std::string &name, Kind *kind);

struct Version {
    int8_t major = 0;
    int8_t minor = 0;
    int8_t patch = 0;
};
bool operator==(const Version &a, const Version &b);

// Wire pacing: every byte takes its line time in both directions, erase and
// programming take their flash time. Deadlines are absolute, so long
// transfers do not drift from the wire minimum.
struct Pacing {
    bool enabled = false;
    int baud = 115200;
    int bitsPerByte = 11;                // 8E1 as the ROM sees it; 10 for 8N1
    double erase16kSeconds = 0.3;
    double erase64kSeconds = 0.6;
    double erase128kSeconds = 1.0;
    double wordProgramMicroseconds = 16; // one 32-bit word
    // A USB serial adapter hands the host what the wire brought in once per
    // USB frame, not byte by byte; 0 wakes the host for every byte.
    int usbFrameMicroseconds = 1000;
    double secondsPerByte() const { return double(bitsPerByte) / double(baud); }
};

struct GripperConfig {
    Kind kind = Kind::GC;
    // Type code written into the in-process main image (at most 3 ASCII
    // characters). Empty: the kind's own ("GC3", "GD", "GU", "GV", "CH",
    // "K01", "GB1", "GS").
    std::string typeCode;
    Version version{1, 6, 8};
    // When not empty, a symbolic link at this path names the pty, removed on
    // unplug and destruction and re-pointed on replug.
    std::string publishPath;
    Pacing pacing;

    bool bootToRom = false;          // BOOT0 strap: power-on enters the ROM
    bool productBootloader = true;   // sectors 0-1 hold a startable bootloader
    bool mainFirmware = true;        // a valid image sits at the main address
    int productBootloaderWindowMs = 300;
    bool legacyEraseRom = false;     // ROM lists Erase 0x43 instead of 0x44
    // The part's 96-bit unique ID as 24 hex digits, in the order Read Memory
    // gives its bytes. Empty: made from the kind, type code and publishPath,
    // so units published under different names differ and keep their ID
    // across unplug and replug.
    std::string uniqueId;
    int rebootMs = 5;                // reset time; bytes in between are lost
    int modbusGapMs = 3;             // silence that ends a Modbus frame

    // The GB1 behind a K01 (kind K01WithGB1 only).
    std::string secondaryTypeCode = "GB1";
    Version secondaryVersion{1, 0, 0};
    bool secondaryMainFirmware = true;
    bool secondaryBootToRom = false;

    // Freescale bootloader (GS, GSX).
    std::string freescaleBanner = "\r\nFreescale bootloader ready\r\n";
    int freescaleWindowMs = 1500;        // wait for an image, then run firmware
    int freescaleBufferBytes = 1024;     // XOFF at 3/4 full, XON at 1/4
    int freescaleDrainBytesPerSecond = 50000;
    int freescaleBytesPerDot = 1000;
    int freescaleIdleEndMs = 300;        // silence that ends an image without S7/8/9
    // Text printed every second by GSX and Unidentified; empty = the kind's
    // own ("Korvane gripper (GS2)\r\n", "TEMP 23.5C HUM 41%\r\n").
    std::string periodicText;
};

// Faults stay armed until replaced or cleared. Write counts (k) are 1-based
// and count Write Memory commands received since the faults were set.
struct Faults {
    // Running firmware and product bootloader (Modbus).
    bool modbusNoAnswer = false;      // requests are ignored altogether
    int modbusDelayMs = 0;            // answer this much later
    int modbusSplitGapMs = 0;         // > 0: answer in two halves, this gap apart
    int modbusException = 0;          // > 0: answer every request with this code
    // ROM bootloader.
    bool romNoSyncAnswer = false;     // 0x7F is ignored (stays unsynchronised)
    int romSyncWrongByte = -1;        // 0..255: answer 0x7F with this byte
    bool romSyncStrayZero = false;    // a 0x00 precedes the ACK to 0x7F
    int romSyncAckDelayMs = 0;        // the ACK to 0x7F comes this much later (a busy host, a slow adapter)
    int romMissedSyncs = 0;           // the first k 0x7F go unheard (a ROM still starting, a byte lost)
    bool romEraseNack = false;        // erase commands end in NACK, nothing erased
    int romNackAtWrite = 0;           // NACK the k-th write, nothing programmed
    int romFlipAtWrite = 0;           // k-th write is ACKed but one byte reads back wrong
    int romPowerLossAtWrite = 0;      // power dies halfway through the k-th write
    int romSlowAckAtWrite = 0;        // the k-th Write Memory command is ACKed 200 ms late (a slow adapter)
    bool romGoNack = false;           // Go's address is NACKed: nothing started
    bool romGoNoAnswer = false;       // Go is not answered at all: nothing started
    bool romUidNack = false;          // the unique ID's address is NACKed, as under readout protection
    // Freescale bootloader.
    bool freescaleNoReport = false;   // never prints the load report
    bool freescaleReportFirst = false;// prints the load report before any dot
};

struct RomWrite {
    uint32_t address = 0;
    uint32_t length = 0;
    bool acked = false;
};

// What a unit's ROM bootloader received since power-up of the simulator (or
// the last clearLogs()).
struct RomLog {
    std::vector<uint8_t> commands;       // command codes, in order (valid complement)
    std::vector<int> erasedSectors;      // in order, one entry per sector erased
    std::vector<RomWrite> writes;        // every Write Memory that reached its data
    std::vector<uint32_t> goAddresses;
    int syncs = 0;                       // 0x7F answered with ACK
    int reads = 0;                       // Read Memory commands served from flash
    int uidReads = 0;                    // Read Memory of the unique ID served
    int nacks = 0;
    int massErases = 0;                  // extended FFFF, bank erase or legacy global
    int readoutUnprotects = 0;
    int readoutProtects = 0;
    int writeProtects = 0;
    int writeUnprotects = 0;
    int ignoredBeforeSync = 0;           // bytes other than 0x7F before sync
};

struct FreescaleStats {
    int bannersPrinted = 0;
    int imagesLoaded = 0;            // load reports printed
    long bytesReceived = 0;          // image bytes taken by the bootloader
    int dotsPrinted = 0;
    int xoffSent = 0;
    int xonSent = 0;
    long overflowBytes = 0;          // lost because the host ignored XOFF
    int recordErrors = 0;            // S-records with a bad checksum or form
    bool hostFlowControl = false;    // host had IXON set when last looked at
    std::string lastReport;          // last load report line, without CR/LF
};

struct Counters {
    long bytesReceived = 0;          // everything the host wrote
    long bytesSent = 0;              // everything that reached the host
    long bytesDropped = 0;           // sent while no host had the port open
    int modbusFrames = 0;            // well-formed frames for slave 9 (valid CRC)
    int modbusBadFrames = 0;         // chunks with no valid frame (bad CRC, junk)
    int modbusAnswers = 0;
    int hostOpens = 0;               // times a host opened the pty
};

struct UnitStatus {
    State state = State::Off;
    std::string typeCode;            // reported by the running firmware
    Version version;                 // reported by the running firmware
};

struct Status {
    Kind kind = Kind::GC;
    bool powered = false;
    bool plugged = false;
    bool hostOpen = false;
    std::string path;                // current pty slave path ("" while unplugged)
    std::string publishedPath;
    UnitStatus unit;                 // the gripper (the K01 for K01WithGB1)
    UnitStatus secondary;            // the GB1 behind a K01, else Off
    bool lineOnSecondary = false;    // a K01 handed the line to its GB1
    Counters counters;
    FreescaleStats freescale;
};

class Gripper {
public:
    // Creates the pty, builds the flash content and powers the gripper on.
    // Throws std::runtime_error when no pty can be had or publishing fails.
    explicit Gripper(GripperConfig config);
    ~Gripper();
    Gripper(const Gripper &) = delete;
    Gripper &operator=(const Gripper &) = delete;

    const GripperConfig &config() const;
    // The 12 bytes the ROM gives for the unique ID (unit 1: the GB1's).
    std::vector<uint8_t> uniqueId(int unit = 0) const;
    std::string path() const;           // pty slave path; "" while unplugged
    std::string publishedPath() const;  // config().publishPath

    void powerOff();
    void powerOn();                     // no-op while powered
    void powerCycle();                  // off, then on
    // Removes the pty (an open host fd sees a hang-up) and the published link.
    // powerOff: the unit loses power with the port (a bus-powered gripper).
    void unplug(bool powerOff = true);
    // A new pty (usually another /dev/pts/N) and the link re-pointed to it;
    // powers on again if unplug() powered off.
    void replug();

    void setFaults(const Faults &faults);
    void clearFaults();
    Faults faults() const;

    Status status() const;
    State state(int unit = 0) const;    // unit 1: the GB1 behind a K01
    // Waits until the unit reaches the state; false on timeout.
    bool waitForState(State state, std::chrono::milliseconds timeout, int unit = 0) const;

    // Flash of an STM32 unit (empty vector outside flash or for GS kinds).
    std::vector<uint8_t> readFlash(uint32_t address, uint32_t length, int unit = 0) const;
    // Overwrites flash bytes as they are (no programming rules): test set-up.
    void setFlash(uint32_t address, const std::vector<uint8_t> &bytes, int unit = 0);
    uint32_t mainAddress(int unit = 0) const;   // 0x08080000, 0x08100000 for CH

    RomLog romLog(int unit = 0) const;
    void clearLogs();                   // ROM logs, counters, Freescale stats

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The main image the simulator puts in flash: the same bytes as
// scripts/make-standin-firmware.py writes for these arguments.
std::vector<uint8_t> buildStandinImage(const std::string &typeCode, Version version,
                                       uint32_t size = 123992,
                                       uint32_t address = 0x08080000);

// Modbus RTU CRC-16 (polynomial 0xA001 reflected, start 0xFFFF); the frame
// carries it low byte first.
uint16_t modbusCrc(const uint8_t *data, size_t length);

// The unique ID a unit with this configuration reports (unit 1: the GB1
// behind a K01, which is another part).
std::vector<uint8_t> uniqueIdOf(const GripperConfig &config, int unit = 0);

} // namespace korvane::sim

#endif
