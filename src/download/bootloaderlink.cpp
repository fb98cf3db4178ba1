#include "bootloaderlink.h"

#include "STBLLIB.h"

bool LibraryLink::isOpen()
{
    return COM_is_Open() == 1;
}

void LibraryLink::close()
{
    COM_Close();
}

void LibraryLink::setTimeout(uint32_t ms)
{
    SetTimeOut(ms);
}

uint8_t LibraryLink::init()
{
    return STBL_Init_BL();
}

uint8_t LibraryLink::ackValue()
{
    return GetAckValue();
}

uint8_t LibraryLink::get(uint8_t *version, Commands *commands)
{
    return STBL_GET(version, commands);
}

uint8_t LibraryLink::eraseSector(uint16_t sector)
{
    return STBL_ERASE(1, &sector);
}

uint8_t LibraryLink::choosePacketSize(uint8_t size)
{
    SetPaketSize(size);
    uint8_t chosen = 0;
    GetPaketSize(&chosen);
    return chosen;
}

uint8_t LibraryLink::writePacket(uint32_t address, uint8_t length, const uint8_t *data)
{
    return STBL_WRITE(address, length, data);
}

uint8_t LibraryLink::verify(uint32_t address, const uint8_t *data, uint32_t length,
                            const stbl::ProgressCallback &progress)
{
    STBL_SetProgressCallback(progress);
    const uint8_t result = STBL_VERIFY(address, data, length, 1);
    STBL_SetProgressCallback(nullptr);
    return result;
}

uint8_t LibraryLink::go(uint32_t address)
{
    return STBL_GO(address);
}

uint8_t SessionLink::open(const std::string &devicePath)
{
    return session.open(devicePath);
}

bool SessionLink::isOpen()
{
    return session.isOpen();
}

void SessionLink::close()
{
    session.close();
}

void SessionLink::setTimeout(uint32_t ms)
{
    session.setTimeout(ms);
}

uint8_t SessionLink::init()
{
    return session.isOpen() ? session.init() : stbl::RESULT_NOT_OPEN;
}

uint8_t SessionLink::ackValue()
{
    return session.hasAck() ? session.lastAck() : stbl::ACK_NONE;
}

uint8_t SessionLink::get(uint8_t *version, Commands *commands)
{
    return session.isOpen() ? session.get(version, commands) : stbl::RESULT_NOT_OPEN;
}

uint8_t SessionLink::eraseSector(uint16_t sector)
{
    return session.isOpen() ? session.erase(&sector, 1) : stbl::RESULT_NOT_OPEN;
}

uint8_t SessionLink::choosePacketSize(uint8_t size)
{
    session.setPacketSize(size);
    return uint8_t(session.packetSize());
}

uint8_t SessionLink::writePacket(uint32_t address, uint8_t length, const uint8_t *data)
{
    return session.isOpen() ? session.write(address, data, length) : stbl::RESULT_NOT_OPEN;
}

uint8_t SessionLink::verify(uint32_t address, const uint8_t *data, uint32_t length,
                            const stbl::ProgressCallback &progress)
{
    return session.isOpen() ? session.verify(address, data, length, progress) : stbl::RESULT_NOT_OPEN;
}

uint8_t SessionLink::go(uint32_t address)
{
    return session.isOpen() ? session.go(address) : stbl::RESULT_NOT_OPEN;
}
