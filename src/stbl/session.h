#ifndef STBL_SESSION_H
#define STBL_SESSION_H

#include "constants.h"
#include "protocol.h"
#include "transport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace stbl {

// Called after each block moved: bytes done so far, bytes in the call.
using ProgressCallback = std::function<void(uint32_t done, uint32_t total)>;

// One conversation with one STM32 system bootloader over one line. Each
// session owns its port and keeps all its state, so several sessions on
// several ports may run at once, each from its own thread. A single session
// is not thread-safe. Every call returns a RESULT_* code (0 = success) and
// never blocks longer than its time-outs; a port that fails ends the call at
// once with RESULT_IO_ERROR.
class Session
{
public:
    Session() = default;
    ~Session() = default;
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Opens a serial device exclusively, 8E1 at the given baud rate (no
    // parity on a pseudo-terminal, which has none), and drops stale input.
    uint8_t open(const std::string &devicePath, const LineSettings &settings = LineSettings());
    // Runs over a line opened elsewhere; `baud` sizes the waits.
    void attach(std::unique_ptr<Transport> transport, long baud);
    void close();
    bool isOpen() const { return transport_ != nullptr; }

    // Bound on each wait for an acknowledge or a reply, on top of the wire
    // time of the bytes sent and expected. Erase and write wait at least
    // their own allowances (constants.h) whatever this is.
    void setTimeout(uint32_t ms) { timeoutMs_ = ms; }
    uint32_t timeout() const { return timeoutMs_; }

    // Synchronises with a freshly reset ROM: 0x7F once, ACK expected. A
    // NACK means the ROM was synchronised before (by an earlier session)
    // and read our 0x7F as a command; that counts as success and as an ACK.
    // Silence: a synchronised ROM may be sitting on our 0x7F as the first
    // half of a command, so a second 0x7F completes that command with a bad
    // complement and draws the NACK. Silence after both: RESULT_NO_ANSWER.
    uint8_t init();

    // Last byte the device sent where an acknowledge belongs (ACK, NACK or
    // whatever came instead), ACK after a synchronising NACK. hasAck() is
    // false until the first such byte.
    uint8_t lastAck() const { return lastAck_; }
    bool hasAck() const { return hasAck_; }

    // Get: bootloader version and the commands it offers. Either output may
    // be null. Also picks the erase command for erase().
    uint8_t get(uint8_t *version, Commands *commands);
    uint8_t getVersion(VersionReply *reply);
    uint8_t getId(uint32_t *productId);
    // Get ID, then the part's unique ID with one Read Memory of 12 bytes.
    // `productId` is set whenever Get ID answered. RESULT_NACK where the
    // ROM refuses the read (readout protection), RESULT_BAD_ARGUMENT for a
    // part whose ID address is not known here (nothing read).
    uint8_t readUniqueId(uint32_t *productId, uint8_t id[UNIQUE_ID_SIZE]);
    // CMD_EXTENDED_ERASE until a Get reply lists only the legacy command.
    uint8_t eraseCommand() const { return eraseCommand_; }

    // Erases the listed sectors (Extended Erase) or pages (legacy Erase) in
    // one command. Never a mass erase: an empty list or a special number is
    // refused without sending anything.
    uint8_t erase(const uint16_t *sectors, std::size_t count);

    // Largest Write Memory a write() sends, rounded down to whole words:
    // 4..256 (255 gives 252), 0 when asked for less than 4.
    void setPacketSize(std::size_t size);
    std::size_t packetSize() const { return packetSize_; }

    // Writes `size` bytes (>= 1) at a word-aligned address in packets of
    // packetSize(), the last one padded with 0xFF to a whole word. Stops at
    // the first packet refused or unanswered.
    uint8_t write(uint32_t address, const uint8_t *data, std::size_t size,
                  const ProgressCallback &progress = ProgressCallback());
    // Reads `size` bytes (>= 1) with Read Memory, 256 at a time.
    uint8_t read(uint32_t address, uint8_t *data, std::size_t size,
                 const ProgressCallback &progress = ProgressCallback());
    // Reads back `size` bytes (>= 1) and compares: RESULT_OK only when every
    // byte matches, RESULT_VERIFY_MISMATCH at the first block that differs.
    uint8_t verify(uint32_t address, const uint8_t *data, std::size_t size,
                   const ProgressCallback &progress = ProgressCallback());
    // Go: the ROM loads SP and PC from the vector table at `address`.
    uint8_t go(uint32_t address);

private:
    Deadline deadline(uint32_t waitMs, std::size_t wireBytes) const;
    uint8_t send(const std::vector<uint8_t> &bytes, std::size_t expectedBytes);
    uint8_t waitAck(uint32_t waitMs, std::size_t wireBytes);
    uint8_t settleAfterSecondSync(uint32_t ackTookMs);
    uint8_t command(uint8_t code);
    uint8_t sendAddress(uint32_t address);
    uint8_t receive(uint8_t *data, std::size_t size);
    uint8_t readBlock(uint32_t address, uint8_t *data, std::size_t size);
    void noteAck(uint8_t byte);

    std::unique_ptr<Transport> transport_;
    long baud_ = 115200;
    uint32_t timeoutMs_ = DEFAULT_TIMEOUT_MS;
    std::size_t packetSize_ = MAX_TRANSFER;
    uint8_t eraseCommand_ = CMD_EXTENDED_ERASE;
    uint8_t lastAck_ = ACK_NONE;
    bool hasAck_ = false;
};

} // namespace stbl

#endif
