#include "bootloaderlink.h"

#include "STBLLIB.h"
#include "bootloaderline.h"
#include "korvanelog.h"
#include "portnumbers.h"

#include <QDebug>

uint8_t LibraryLink::open(const QString &portName)
{
    const int portNumber = korvane::portNumberFromName(portName.toStdString());
    if (portNumber == 0) {
        qCDebug(lcStbl) << "ERREUR PageDownloadFirmware::initializeBootloader";
        return stbl::RESULT_BAD_ARGUMENT;
    }
    if (!holding && !BootloaderLine::take()) {
        qCDebug(lcStbl) << "ERREUR LibraryLink::open: the bootloader line is held by a probe";
        return stbl::RESULT_OPEN_FAILED;
    }
    holding = true;
    TARGET_SetComIntType(0);
    if (COM_is_Open() == 1) {
        // Left open by a run that ended badly: closed, and tried again.
        qCDebug(lcStbl) << "COM_is_Open? TRUE. Devrait être fermé";
        close();
        return stbl::RESULT_OPEN_FAILED;
    }
    const uint8_t settings = BootloaderLine::configure(portNumber);
    if (settings != 0) {
        qCDebug(lcStbl) << "Erreur durant SetCOMSettings? " << int(settings);
        close();
        return stbl::RESULT_BAD_SETTINGS;
    }
    const uint8_t opened = COM_Open();
    if (opened != 0)
        qCDebug(lcStbl) << "Erreur durant COM_Open? " << int(opened);
    // The state of the line decides, not the result.
    if (COM_is_Open() == 0) {
        qCDebug(lcStbl) << "COM_is_Open? FALSE. Devrait être ouvert.";
        close();
        return stbl::RESULT_OPEN_FAILED;
    }
    return stbl::RESULT_OK;
}

bool LibraryLink::isOpen()
{
    return COM_is_Open() == 1;
}

void LibraryLink::close()
{
    if (!holding)
        return;  // the line is another's (a probe's), or closed already
    COM_Close();
    holding = false;
    BootloaderLine::release();
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

uint8_t LibraryLink::readUniqueId(uint32_t *productId, uint8_t *id)
{
    return STBL_READ_UID(productId, id);
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

uint8_t SessionLink::open(const QString &devicePath)
{
    const uint8_t result = session.open(devicePath.toStdString());
    if (result != 0)
        qCDebug(lcStbl) << "Erreur durant COM_Open? " << int(result);
    return result;
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

uint8_t SessionLink::readUniqueId(uint32_t *productId, uint8_t *id)
{
    return session.isOpen() ? session.readUniqueId(productId, id) : stbl::RESULT_NOT_OPEN;
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
