#include "STBLLIB.h"

#include "portnumbers.h"
#include "session.h"

#include <map>
#include <memory>
#include <mutex>

using namespace stbl;

namespace {

constexpr uint8_t DEFAULT_PACKET_SIZE = 252;

struct Library
{
    std::mutex mutex;
    int portNumber = 0;
    LineSettings settings;
    uint32_t timeoutMs = DEFAULT_TIMEOUT_MS;
    uint8_t packetSize = DEFAULT_PACKET_SIZE;
    std::function<void(uint32_t, uint32_t)> progress;
    std::unique_ptr<Session> session;
    int openPort = 0;
    // Last acknowledge byte heard on each port, see GetAckValue.
    std::map<int, uint8_t> ackByPort;
};

uint8_t rememberedAck(const Library &lib)
{
    const auto it = lib.ackByPort.find(lib.openPort);
    return it == lib.ackByPort.end() ? ACK_NONE : it->second;
}

Library &library()
{
    static Library instance;
    return instance;
}

void closeSession(Library &lib)
{
    if (!lib.session)
        return;
    if (lib.session->hasAck())
        lib.ackByPort[lib.openPort] = lib.session->lastAck();
    lib.session.reset();
}

} // namespace

uint8_t TARGET_SetComIntType(uint8_t type)
{
    return type == INTERFACE_UART ? RESULT_OK : RESULT_BAD_ARGUMENT;
}

uint8_t SetCOMSettings(int portNumber, long baud, int dataBits, int parity, float stopBits)
{
    if (portNumber < 1)
        return RESULT_BAD_ARGUMENT;
    if (!baudSupported(baud) || dataBits != 8 || parity != PARITY_EVEN || stopBits != 1.0f)
        return RESULT_BAD_SETTINGS;
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.portNumber = portNumber;
    lib.settings.baud = baud;
    lib.settings.dataBits = dataBits;
    lib.settings.parity = parity;
    lib.settings.stopBits = stopBits;
    return RESULT_OK;
}

uint8_t COM_Open()
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    closeSession(lib);
    const std::string path = korvane::devicePathForPortNumber(lib.portNumber);
    if (lib.portNumber < 1 || path.empty())
        return RESULT_UNKNOWN_PORT;
    auto session = std::make_unique<Session>();
    const uint8_t r = session->open(path, lib.settings);
    if (r != RESULT_OK)
        return r;
    session->setTimeout(lib.timeoutMs);
    lib.session = std::move(session);
    lib.openPort = lib.portNumber;
    return RESULT_OK;
}

uint32_t COM_is_Open()
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.session ? 1 : 0;
}

uint8_t COM_Close()
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    closeSession(lib);
    return RESULT_OK;
}

void SetTimeOut(uint32_t ms)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.timeoutMs = ms;
    if (lib.session)
        lib.session->setTimeout(ms);
}

uint8_t STBL_Init_BL()
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.session ? lib.session->init() : RESULT_NOT_OPEN;
}

uint8_t GetAckValue()
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (lib.session && lib.session->hasAck())
        return lib.session->lastAck();
    // Nothing heard since the port was opened: what this port's bootloader
    // said last time, so a device found in its ROM by a probe still counts
    // as acknowledged, whatever other ports answered to their probes since.
    return rememberedAck(lib);
}

uint8_t STBL_GET(uint8_t *version, Commands *commands)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.session ? lib.session->get(version, commands) : RESULT_NOT_OPEN;
}

uint8_t STBL_READ_UID(uint32_t *productId, uint8_t *id)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.session ? lib.session->readUniqueId(productId, id) : RESULT_NOT_OPEN;
}

uint8_t STBL_ERASE(uint16_t count, const uint16_t *sectors)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.session ? lib.session->erase(sectors, count) : RESULT_NOT_OPEN;
}

void SetPaketSize(uint8_t size)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.packetSize = uint8_t(size / WRITE_ALIGN * WRITE_ALIGN);
}

uint8_t GetPaketSize(uint8_t *size)
{
    if (!size)
        return RESULT_BAD_ARGUMENT;
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    *size = lib.packetSize;
    return RESULT_OK;
}

uint8_t STBL_WRITE(uint32_t address, uint8_t length, const uint8_t *data)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.session)
        return RESULT_NOT_OPEN;
    lib.session->setPacketSize(lib.packetSize);
    return lib.session->write(address, data, length);
}

uint8_t STBL_VERIFY(uint32_t address, const uint8_t *data, uint32_t length, uint8_t readMode)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.session)
        return RESULT_NOT_OPEN;
    if (readMode != 1)
        return RESULT_BAD_ARGUMENT;
    return lib.session->verify(address, data, length, lib.progress);
}

uint8_t STBL_GO(uint32_t address)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    return lib.session ? lib.session->go(address) : RESULT_NOT_OPEN;
}

void STBL_SetProgressCallback(std::function<void(uint32_t done, uint32_t total)> callback)
{
    Library &lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.progress = std::move(callback);
}
