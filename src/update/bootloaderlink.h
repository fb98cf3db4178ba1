#ifndef BOOTLOADERLINK_H
#define BOOTLOADERLINK_H

#include "constants.h"
#include "protocol.h"
#include "session.h"

#include <QString>

#include <cstdint>

// A line to one gripper's STM32 ROM bootloader, as the update needs it. Two
// kinds: the process-wide library (one port at a time, what the wizard and
// identification share) and a session of its own (one per gripper, so that
// several grippers are updated at once). Results are the library's RESULT_*
// codes, 0 meaning success. Not thread-safe: one thread at a time.
class BootloaderLink
{
public:
    virtual ~BootloaderLink() = default;

    // RESULT_OK once open. RESULT_BAD_ARGUMENT or RESULT_BAD_SETTINGS: this
    // port can never be opened so; anything else may pass on a later try.
    virtual uint8_t open(const QString &portName) = 0;
    // True when a ROM synchronised before (while probing) still counts as
    // synchronised on a new open, so it must not be sent 0x7F again.
    virtual bool remembersSync() const = 0;
    virtual bool isOpen() = 0;
    virtual void close() = 0;
    virtual void setTimeout(uint32_t ms) = 0;
    virtual uint8_t init() = 0;
    // Last acknowledge byte heard; stbl::ACK when acknowledged.
    virtual uint8_t ackValue() = 0;
    virtual uint8_t get(uint8_t *version, Commands *commands) = 0;
    // The part's product ID and 96-bit unique ID (see stbl::Session).
    virtual uint8_t readUniqueId(uint32_t *productId, uint8_t *id) = 0;
    virtual uint8_t eraseSector(uint16_t sector) = 0;
    // Asks for packets of `size` bytes; returns the size the link will use
    // (whole words only).
    virtual uint8_t choosePacketSize(uint8_t size) = 0;
    // A packet of at most the packet size goes out as one Write Memory.
    virtual uint8_t writePacket(uint32_t address, uint8_t length, const uint8_t *data) = 0;
    virtual uint8_t verify(uint32_t address, const uint8_t *data, uint32_t length,
                           const stbl::ProgressCallback &progress) = 0;
    virtual uint8_t go(uint32_t address) = 0;
};

// The process-wide library (STBLLIB.h), opened by whoever set it up.
class LibraryLink : public BootloaderLink
{
public:
    // Let go of the line, or no later run in this process could take it.
    ~LibraryLink() override { close(); }
    uint8_t open(const QString &portName) override;
    bool remembersSync() const override { return true; }
    bool isOpen() override;
    void close() override;
    void setTimeout(uint32_t ms) override;
    uint8_t init() override;
    uint8_t ackValue() override;
    uint8_t get(uint8_t *version, Commands *commands) override;
    uint8_t readUniqueId(uint32_t *productId, uint8_t *id) override;
    uint8_t eraseSector(uint16_t sector) override;
    uint8_t choosePacketSize(uint8_t size) override;
    uint8_t writePacket(uint32_t address, uint8_t length, const uint8_t *data) override;
    uint8_t verify(uint32_t address, const uint8_t *data, uint32_t length,
                   const stbl::ProgressCallback &progress) override;
    uint8_t go(uint32_t address) override;

private:
    bool holding = false;
};

// A line of its own to one gripper, opened by device path.
class SessionLink : public BootloaderLink
{
public:
    uint8_t open(const QString &devicePath) override;
    bool remembersSync() const override { return false; }
    bool isOpen() override;
    void close() override;
    void setTimeout(uint32_t ms) override;
    uint8_t init() override;
    uint8_t ackValue() override;
    uint8_t get(uint8_t *version, Commands *commands) override;
    uint8_t readUniqueId(uint32_t *productId, uint8_t *id) override;
    uint8_t eraseSector(uint16_t sector) override;
    uint8_t choosePacketSize(uint8_t size) override;
    uint8_t writePacket(uint32_t address, uint8_t length, const uint8_t *data) override;
    uint8_t verify(uint32_t address, const uint8_t *data, uint32_t length,
                   const stbl::ProgressCallback &progress) override;
    uint8_t go(uint32_t address) override;

private:
    stbl::Session session;
};

#endif
