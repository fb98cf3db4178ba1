#include "session.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace stbl {

namespace {

uint8_t fromIo(IoStatus s)
{
    switch (s) {
    case IoStatus::Ok: return RESULT_OK;
    case IoStatus::Timeout: return RESULT_TIMEOUT;
    case IoStatus::Error: break;
    }
    return RESULT_IO_ERROR;
}

bool rangeFits(uint32_t address, std::size_t size)
{
    return size <= std::size_t(UINT32_MAX) - address + 1;
}

} // namespace

uint8_t Session::open(const std::string &devicePath, const LineSettings &settings)
{
    close();
    uint8_t result = RESULT_OPEN_FAILED;
    transport_ = openSerialTransport(devicePath, settings, &result);
    baud_ = settings.baud;
    return transport_ ? RESULT_OK : result;
}

void Session::attach(std::unique_ptr<Transport> transport, long baud)
{
    transport_ = std::move(transport);
    baud_ = baud > 0 ? baud : 115200;
}

void Session::close()
{
    transport_.reset();
}

Deadline Session::deadline(uint32_t waitMs, std::size_t wireBytes) const
{
    const auto wireUs = std::chrono::microseconds(
        (uint64_t(wireBytes) * LINE_BITS_PER_BYTE * 1000000 + uint64_t(baud_) - 1) / uint64_t(baud_));
    return Clock::now() + std::chrono::milliseconds(waitMs) + wireUs;
}

void Session::noteAck(uint8_t byte)
{
    lastAck_ = byte;
    hasAck_ = true;
}

// Sends one request; `expectedBytes` is what the device sends back before
// the next request, so the write may wait for the line to drain that long.
uint8_t Session::send(const std::vector<uint8_t> &bytes, std::size_t expectedBytes)
{
    return fromIo(transport_->write(bytes.data(), bytes.size(),
                                    deadline(timeoutMs_, bytes.size() + expectedBytes)));
}

// The bytes just sent still travel the line when the wait starts: their wire
// time is part of `wireBytes`.
uint8_t Session::waitAck(uint32_t waitMs, std::size_t wireBytes)
{
    uint8_t byte = 0;
    const IoStatus s = transport_->read(&byte, 1, deadline(waitMs, wireBytes + 1));
    if (s != IoStatus::Ok)
        return fromIo(s);
    noteAck(byte);
    if (byte == ACK)
        return RESULT_OK;
    return byte == NACK ? RESULT_NACK : RESULT_BAD_ANSWER;
}

uint8_t Session::command(uint8_t code)
{
    // An answer that came too late for an earlier exchange must not be
    // taken for the answer to this one.
    transport_->discardInput();
    const std::vector<uint8_t> bytes = encodeCommand(code);
    uint8_t r = send(bytes, 1);
    if (r == RESULT_OK)
        r = waitAck(timeoutMs_, bytes.size());
    return r;
}

uint8_t Session::sendAddress(uint32_t address)
{
    const std::vector<uint8_t> bytes = encodeAddress(address);
    uint8_t r = send(bytes, 1);
    if (r == RESULT_OK)
        r = waitAck(timeoutMs_, bytes.size());
    return r;
}

uint8_t Session::receive(uint8_t *data, std::size_t size)
{
    return fromIo(transport_->read(data, size, deadline(timeoutMs_, size)));
}

uint8_t Session::init()
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    transport_->discardInput();
    const std::vector<uint8_t> sync{SYNC_BYTE};
    const Clock::time_point start = Clock::now();
    for (int attempt = 0; attempt < 2; ++attempt) {
        uint8_t r = send(sync, 1);
        if (r != RESULT_OK)
            return r;
        // The second 0x7F is for a ROM synchronised before, which takes
        // the first as a command code and NACKs the pair. The first answer
        // is awaited one time-out longer, so that a merely late ACK (a busy
        // machine, an adapter's latency) is seldom met by a second 0x7F.
        const Deadline until = deadline(attempt == 0 ? 2 * timeoutMs_ : timeoutMs_, 2);
        uint8_t byte = STRAY_BYTE;
        IoStatus s;
        do {
            s = transport_->read(&byte, 1, until);
        } while (s == IoStatus::Ok && byte == STRAY_BYTE);
        if (s == IoStatus::Error)
            return RESULT_IO_ERROR;
        if (s == IoStatus::Timeout)
            continue;
        if (byte == ACK || byte == NACK) {
            // Callers check the acknowledge byte for 0x79; a synchronised
            // ROM is as good as one that just locked its baud rate.
            noteAck(ACK);
            if (attempt == 0 || byte == NACK)
                return RESULT_OK;
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            return settleAfterSecondSync(uint32_t(took.count()));
        }
        noteAck(byte);
        return RESULT_BAD_ANSWER;
    }
    return RESULT_NO_ANSWER;
}

// An ACK after the second 0x7F is either that byte's (the first went
// unheard) or the first's, late: the ROM then took the second 0x7F as a
// command code and waits for its complement, so the next command would be
// refused. 0x80 is 0x7F's complement and 0x7F is 0x80's: sent in turn
// until one is NACKed, they leave the ROM waiting for a command whichever
// it was. Each answer is given twice as long as the ACK took to come
// (which is more than twice the time-out: the first wait lasted that).
uint8_t Session::settleAfterSecondSync(uint32_t ackTookMs)
{
    const uint32_t waitMs = 2 * ackTookMs;
    for (const uint8_t byte : {uint8_t(SYNC_BYTE ^ 0xFF), SYNC_BYTE}) {
        uint8_t r = send({byte}, 1);
        if (r == RESULT_OK)
            r = waitAck(waitMs, 1);
        if (r == RESULT_NACK)
            break;
        if (r != RESULT_TIMEOUT)
            return r == RESULT_OK ? RESULT_BAD_ANSWER : r;
    }
    // The 0x79 of the synchronisation stays the acknowledge callers read.
    noteAck(ACK);
    return RESULT_OK;
}

uint8_t Session::get(uint8_t *version, Commands *commands)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    uint8_t r = command(CMD_GET);
    if (r != RESULT_OK)
        return r;
    std::vector<uint8_t> reply(1);
    if ((r = receive(reply.data(), 1)) != RESULT_OK)
        return r;
    reply.resize(std::size_t(reply[0]) + 2);
    if ((r = receive(reply.data() + 1, reply.size() - 1)) != RESULT_OK)
        return r;
    GetReply parsed;
    if (!parseGetReply(reply.data(), reply.size(), &parsed))
        return RESULT_BAD_ANSWER;
    if ((r = waitAck(timeoutMs_, 0)) != RESULT_OK)
        return r;
    const Commands offered = commandsFromCodes(parsed.codes);
    eraseCommand_ = chooseEraseCommand(offered);
    if (version)
        *version = parsed.version;
    if (commands)
        *commands = offered;
    return RESULT_OK;
}

uint8_t Session::getVersion(VersionReply *reply)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    uint8_t r = command(CMD_GET_VERSION);
    if (r != RESULT_OK)
        return r;
    uint8_t bytes[3];
    if ((r = receive(bytes, sizeof bytes)) != RESULT_OK)
        return r;
    if ((r = waitAck(timeoutMs_, 0)) != RESULT_OK)
        return r;
    VersionReply parsed;
    parseGetVersionReply(bytes, sizeof bytes, &parsed);
    if (reply)
        *reply = parsed;
    return RESULT_OK;
}

uint8_t Session::getId(uint32_t *productId)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    uint8_t r = command(CMD_GET_ID);
    if (r != RESULT_OK)
        return r;
    std::vector<uint8_t> reply(1);
    if ((r = receive(reply.data(), 1)) != RESULT_OK)
        return r;
    reply.resize(std::size_t(reply[0]) + 2);
    if ((r = receive(reply.data() + 1, reply.size() - 1)) != RESULT_OK)
        return r;
    uint32_t id = 0;
    if (!parseGetIdReply(reply.data(), reply.size(), &id))
        return RESULT_BAD_ANSWER;
    if ((r = waitAck(timeoutMs_, 0)) != RESULT_OK)
        return r;
    if (productId)
        *productId = id;
    return RESULT_OK;
}

uint8_t Session::readUniqueId(uint32_t *productId, uint8_t id[UNIQUE_ID_SIZE])
{
    uint32_t product = 0;
    const uint8_t r = getId(&product);
    if (r != RESULT_OK)
        return r;
    if (productId)
        *productId = product;
    uint32_t address = 0;
    if (!uniqueIdAddress(product, &address))
        return RESULT_BAD_ARGUMENT;
    return read(address, id, UNIQUE_ID_SIZE);
}

uint8_t Session::erase(const uint16_t *sectors, std::size_t count)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    const std::vector<uint8_t> payload = eraseCommand_ == CMD_EXTENDED_ERASE
        ? encodeExtendedErase(sectors, count)
        : encodeLegacyErase(sectors, count);
    if (payload.empty())
        return RESULT_BAD_ARGUMENT;
    uint8_t r = command(eraseCommand_);
    if (r != RESULT_OK)
        return r;
    if ((r = send(payload, 1)) != RESULT_OK)
        return r;
    // The ROM answers once the last sector is erased: allow for every one
    // of them, however short the caller's time-out.
    uint64_t allowance = 0;
    for (std::size_t i = 0; i < count; ++i)
        allowance += eraseAllowanceMs(sectors[i]);
    const uint32_t wait = uint32_t(std::min<uint64_t>(std::max<uint64_t>(allowance, timeoutMs_),
                                                      UINT32_MAX / 2));
    return waitAck(wait, payload.size());
}

void Session::setPacketSize(std::size_t size)
{
    packetSize_ = std::min(size, MAX_TRANSFER) / WRITE_ALIGN * WRITE_ALIGN;
}

uint8_t Session::write(uint32_t address, const uint8_t *data, std::size_t size,
                       const ProgressCallback &progress)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    if (!data || size == 0 || address % WRITE_ALIGN != 0 || packetSize_ == 0
        || !rangeFits(address, (size + WRITE_ALIGN - 1) / WRITE_ALIGN * WRITE_ALIGN))
        return RESULT_BAD_ARGUMENT;
    const uint32_t blockWait = std::max(timeoutMs_, WRITE_BLOCK_TIMEOUT_MS);
    for (std::size_t done = 0; done < size;) {
        const std::size_t n = std::min(packetSize_, size - done);
        uint8_t r = command(CMD_WRITE_MEMORY);
        if (r == RESULT_OK)
            r = sendAddress(address + uint32_t(done));
        if (r != RESULT_OK)
            return r;
        // One write() for the whole packet: the ROM is waiting on it and
        // every pause between bytes is lost wire time.
        const std::vector<uint8_t> payload = encodeWritePayload(data + done, n);
        if ((r = send(payload, 1)) != RESULT_OK || (r = waitAck(blockWait, payload.size())) != RESULT_OK)
            return r;
        done += n;
        if (progress)
            progress(uint32_t(done), uint32_t(size));
    }
    return RESULT_OK;
}

uint8_t Session::readBlock(uint32_t address, uint8_t *data, std::size_t size)
{
    uint8_t r = command(CMD_READ_MEMORY);
    if (r == RESULT_OK)
        r = sendAddress(address);
    if (r != RESULT_OK)
        return r;
    const std::vector<uint8_t> length = encodeReadLength(size);
    // The data follows the ACK without a pause: wait for the whole block.
    if ((r = send(length, 1 + size)) != RESULT_OK || (r = waitAck(timeoutMs_, length.size())) != RESULT_OK)
        return r;
    return receive(data, size);
}

uint8_t Session::read(uint32_t address, uint8_t *data, std::size_t size,
                      const ProgressCallback &progress)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    if (!data || size == 0 || !rangeFits(address, size))
        return RESULT_BAD_ARGUMENT;
    for (std::size_t done = 0; done < size;) {
        const std::size_t n = std::min(MAX_TRANSFER, size - done);
        const uint8_t r = readBlock(address + uint32_t(done), data + done, n);
        if (r != RESULT_OK)
            return r;
        done += n;
        if (progress)
            progress(uint32_t(done), uint32_t(size));
    }
    return RESULT_OK;
}

uint8_t Session::verify(uint32_t address, const uint8_t *data, std::size_t size,
                        const ProgressCallback &progress)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    if (!data || size == 0 || !rangeFits(address, size))
        return RESULT_BAD_ARGUMENT;
    uint8_t block[MAX_TRANSFER];
    for (std::size_t done = 0; done < size;) {
        const std::size_t n = std::min(MAX_TRANSFER, size - done);
        const uint8_t r = readBlock(address + uint32_t(done), block, n);
        if (r != RESULT_OK)
            return r;
        if (std::memcmp(block, data + done, n) != 0)
            return RESULT_VERIFY_MISMATCH;
        done += n;
        if (progress)
            progress(uint32_t(done), uint32_t(size));
    }
    return RESULT_OK;
}

uint8_t Session::go(uint32_t address)
{
    if (!transport_)
        return RESULT_NOT_OPEN;
    uint8_t r = command(CMD_GO);
    if (r == RESULT_OK)
        r = sendAddress(address);
    return r;
}

} // namespace stbl
